#include "shell/lock.h"

#include "data/PlayerLock.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

QString TFormLock::releaseText()
{
    return QStringLiteral("Nur wenn Sie das Programm zur Zeit<b> als einziger Anwender nutzen, </b>"
                          "klicken Sie auf diese Fläche, um gesperrte Namen/Einstellungen wieder freizugeben.");
}

TFormLock::TFormLock(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Einstellung doppelt ausgewählt!"));
    setModal(true);

    QFont big = font();
    big.setPointSize(13);
    L_zeile1 = new QLabel(QStringLiteral("Die ausgewählte Einstellung wird bereits verwendet!"), this);
    L_zeile2 = new QLabel(QStringLiteral("Bitte eine andere Einstellung wählen oder einen neuen Namen eingeben!"), this);
    big.setBold(true);
    L_zeile1->setFont(big);
    big.setBold(false);
    L_zeile2->setFont(big);

    B_ok = new QPushButton(QStringLiteral("OK"), this);
    B_ok->setDefault(true);
    B_ok->setMinimumSize(120, 36);
    QFont okFont = B_ok->font();
    okFont.setPointSize(12);
    B_ok->setFont(okFont);

    L_freigabe = new QLabel(releaseText(), this);
    L_freigabe->setTextFormat(Qt::RichText);
    L_freigabe->setWordWrap(true);
    L_freigabe->setFont(QFont(QStringLiteral("Arial"), 10));
    L_freigabe->setFrameShape(QFrame::StyledPanel);
    L_freigabe->setMargin(4);
    L_freigabe->setCursor(Qt::PointingHandCursor);
    L_freigabe->installEventFilter(this);

    B_freigeben = new QPushButton(QStringLiteral("Alle Einstellungen wieder freigeben"), this);
    B_freigeben->setVisible(false);
    B_freigeben->setAutoDefault(false);
    B_freigeben->setMinimumHeight(32);

    auto* okRow = new QHBoxLayout;
    okRow->addStretch();
    okRow->addWidget(B_ok);
    okRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    layout->addWidget(L_zeile1);
    layout->addWidget(L_zeile2);
    layout->addLayout(okRow);
    layout->addSpacing(10);
    layout->addWidget(L_freigabe);
    layout->addWidget(B_freigeben);
    const int width = L_zeile2->sizeHint().width() + 40;
    setFixedWidth(width);
    // A word-wrapped label gets no height for its width from the dialog's layout.
    const QMargins m = layout->contentsMargins();
    L_freigabe->setMinimumHeight(L_freigabe->heightForWidth(width - m.left() - m.right()));

    connect(B_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(B_freigeben, &QPushButton::clicked, this, [this] {
        ReleaseAllLocks(this);
        accept();
    });
}

bool TFormLock::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == L_freigabe && event->type() == QEvent::MouseButtonPress) {
        B_freigeben->setVisible(true);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormLock::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TFormLock::ShowLockNotice(QWidget* parent)
{
    TFormLock dlg(parent);
    dlg.exec();
}
