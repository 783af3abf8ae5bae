#include "shell/u_neuername.h"
#include "media/skin/ScreenScale.h"

#include "core/GlobalState.h"

#include <QApplication>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

void TRefPlayerCombo::hidePopup()
{
    QComboBox::hidePopup();
    emit popupClosed();
}

namespace {
const int kQuestionWidth = 600;
}

TFormneuername::TFormneuername(const QString& newName, QWidget* parent)
    : QDialog(parent), m_newName(newName)
{
    setWindowTitle(QStringLiteral("Neuer Spieler angelegt").toUpper());
    setModal(true);

    QFont big = font();
    big.setPointSize(14);

    L_frage = new QLabel(this);
    L_frage->setFont(big);
    L_frage->setFixedWidth(kQuestionWidth);

    B_ja = new QPushButton(QStringLiteral("&JA"), this);
    B_nein = new QPushButton(QStringLiteral("&NEIN - andere Einstellungen"), this);
    B_abbrechen = new QPushButton(QStringLiteral("&ABBRECHEN"), this);
    for (QPushButton* b : {B_ja, B_nein, B_abbrechen}) {
        b->setFont(big);
        b->setMinimumHeight(40);
        b->setAutoDefault(false);
    }
    B_ja->setDefault(true);

    P_auswahl = new QWidget(this);
    L_auswahl = new QLabel(QStringLiteral("Bitte Spieler auswählen, dessen Einstellungen verwendet werden sollen:"),
                           P_auswahl);
    CB_spieler = new TRefPlayerCombo(P_auswahl);
    CB_spieler->setFont(big);
    QFont hint = L_auswahl->font();
    hint.setPointSize(11);
    L_auswahl->setFont(hint);
    QStringList players = g().playerList;
    std::sort(players.begin(), players.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    CB_spieler->addItems(players);
    const int standard = CB_spieler->findText(QStringLiteral("Standard"), Qt::MatchFixedString);
    CB_spieler->setCurrentIndex(standard >= 0 ? standard : 0);
    auto* pl = new QVBoxLayout(P_auswahl);
    pl->setContentsMargins(0, 8, 0, 0);
    pl->addWidget(L_auswahl);
    pl->addWidget(CB_spieler);
    P_auswahl->setVisible(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(B_ja);
    buttons->addWidget(B_nein);
    buttons->addWidget(B_abbrechen);
    auto* top = new QVBoxLayout(this);
    top->setSizeConstraint(QLayout::SetFixedSize);  // only as high as what is shown
    top->setSpacing(12);
    top->addWidget(L_frage);
    top->addLayout(buttons);
    top->addWidget(P_auswahl);

    connect(B_ja, &QPushButton::clicked, this, &QDialog::accept);
    connect(B_abbrechen, &QPushButton::clicked, this, &QDialog::reject);
    connect(B_nein, &QPushButton::clicked, this, &TFormneuername::showReferenceChoice);
    connect(CB_spieler, &QComboBox::currentIndexChanged, this, &TFormneuername::updateQuestion);
    // The list also closes while the dialog is being destroyed (the dialog hides): the focus goes
    // to the button itself, which is still alive then, not through this dialog.
    connect(CB_spieler, &TRefPlayerCombo::popupClosed, B_ja, qOverload<>(&QWidget::setFocus));
    updateQuestion();
}

TFormneuername::~TFormneuername()
{
    // The base classes' destructors close the list and delete the box: nothing may call back into
    // this part of the object after it is gone.
    CB_spieler->disconnect(this);
}

QString TFormneuername::questionText(const QString& newName, const QString& reference, const QFontMetrics& fm,
                                     int width)
{
    const QString first = QStringLiteral(" Soll der Spieler ") + newName.toUpper();
    const QString second = QStringLiteral(" mit Einstellungen von ") + reference.toUpper() +
                           QStringLiteral(" hinzugefügt werden?");
    if (fm.horizontalAdvance(first + second) <= width)
        return first + second;
    return first + QLatin1Char('\n') + second;
}

void TFormneuername::updateQuestion()
{
    L_frage->setText(questionText(m_newName, referencePlayer(), L_frage->fontMetrics(), L_frage->width() - 4));
}

QString TFormneuername::referencePlayer() const { return CB_spieler->currentText(); }
QString TFormneuername::question() const { return L_frage->text(); }
bool TFormneuername::referenceShown() const { return P_auswahl->isVisible(); }

void TFormneuername::showReferenceChoice()
{
    P_auswahl->setVisible(true);
    CB_spieler->setFocus();
    CB_spieler->showPopup();
}

void TFormneuername::centreOnScreen()
{
    centreOnPointerScreen(this);
}

void TFormneuername::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    centreOnScreen();
}

std::optional<QString> TFormneuername::AskNewPlayer(const QString& newName, QWidget* parent)
{
    TFormneuername dlg(newName, parent);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.referencePlayer();
}
