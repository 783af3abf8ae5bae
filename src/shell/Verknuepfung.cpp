#include "shell/Verknuepfung.h"

#include "core/Catalogue.h"
#include "core/Dialogs.h"
#include "core/FileProblems.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "shell/DesktopEntry.h"
#include "shell/Namenwahl.h"

#include <QCoreApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QString& executableOverride()
{
    static QString path;
    return path;
}
} // namespace

void TFormVerknuepfung::setExecutable(const QString& path) { executableOverride() = path; }

QString TFormVerknuepfung::executable()
{
    return executableOverride().isEmpty() ? QCoreApplication::applicationFilePath() : executableOverride();
}

TFormVerknuepfung::TFormVerknuepfung(const QString& player, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormVerknuepfung"));
    setWindowTitle(QStringLiteral("Verknüpfung anlegen"));
    setModal(true);
    CB_spieler = new QComboBox(this);
    CB_spieler->setObjectName(QStringLiteral("CB_spieler"));
    QStringList players = g().playerList;
    players.removeAll(QString());
    players.sort(Qt::CaseInsensitive);
    CB_spieler->addItems(players);
    CB_spieler->setCurrentIndex(std::max(0, CB_spieler->findText(player)));
    CB_programm = new QComboBox(this);
    CB_programm->setObjectName(QStringLiteral("CB_programm"));
    for (const ProgramInfo& p : catalogue::programs())
        CB_programm->addItem(QString::number(p.code / 100) + QLatin1Char('.') + QString::number(p.code % 100) +
                                 QStringLiteral(". ") + p.name,
                             p.code);
    E_liste = new QLineEdit(this);
    E_liste->setObjectName(QStringLiteral("E_liste"));
    E_liste->setPlaceholderText(QStringLiteral("(Auswahl beim Start)"));
    B_liste = new QPushButton(QStringLiteral("&Liste wählen..."), this);
    B_liste->setObjectName(QStringLiteral("B_liste"));
    B_anlegen = new QPushButton(QStringLiteral("&Anlegen"), this);
    B_anlegen->setObjectName(QStringLiteral("B_anlegen"));
    B_anlegen->setDefault(true);
    B_abbrechen = new QPushButton(QStringLiteral("Abbrechen"), this);
    B_abbrechen->setObjectName(QStringLiteral("B_abbrechen"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Spieler:"), CB_spieler);
    form->addRow(QStringLiteral("&Programm:"), CB_programm);
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(E_liste, 1);
    listRow->addWidget(B_liste);
    form->addRow(QStringLiteral("Liste (freiwillig):"), listRow);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(B_anlegen);
    buttons->addWidget(B_abbrechen);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Eine Verknüpfung auf dem Schreibtisch und im Startmenü startet das "
                                                "Programm direkt für diesen Spieler."),
                                 this));
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(CB_programm, &QComboBox::currentIndexChanged, E_liste, &QLineEdit::clear);
    connect(B_liste, &QPushButton::clicked, this, &TFormVerknuepfung::chooseList);
    connect(B_anlegen, &QPushButton::clicked, this, [this] {
        if (create())
            accept();
    });
    connect(B_abbrechen, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormVerknuepfung::chooseList()
{
    const QString folder = fsys::withSlash(catalogue::listFolder(CB_programm->currentData().toInt()));
    const QString file = dialogs::current().openFile(this, QStringLiteral("Liste wählen"), folder,
                                                     QStringLiteral("Listen (*.txt)"));
    if (file.isEmpty())
        return;
    const QString clean = QDir::cleanPath(file);
    E_liste->setText(clean.startsWith(folder, Qt::CaseInsensitive) ? clean.mid(folder.size()) : clean);
}

bool TFormVerknuepfung::create()
{
    const int code = CB_programm->currentData().toInt();
    const ProgramInfo* info = catalogue::byCode(code);
    const QString player = CB_spieler->currentText();
    if (player.isEmpty())
        return false;
    desktopentry::Shortcut s;
    s.executable = executable();
    s.installation = g().config.installationDirectory;
    s.player = player;
    s.programCode = code;
    s.programName = info ? info->name : QString::number(code);
    s.list = E_liste->text().trimmed();
    // Desktops draw raster pictures; a metafile picture would show as a blank icon.
    const QString picture = playerdialogs::findPlayerPicture(player);
    const QString ext = fsys::extension(picture).toLower();
    if (!picture.isEmpty() && ext != QStringLiteral(".wmf") && ext != QStringLiteral(".emf"))
        s.icon = QFileInfo(fsys::resolve(picture)).absoluteFilePath();
    else
        s.icon = QStringLiteral("de.kalimo.Kalimo");
    int error = 0;
    QString failed;
    const QStringList written = desktopentry::write(s, &error, &failed);
    if (written.isEmpty()) {
        fileproblems::reportNotSaved(this, QDir::toNativeSeparators(failed), error);
        return false;
    }
    QStringList shown;
    for (const QString& w : written)
        shown << QDir::toNativeSeparators(w);
    dialogs::current().message(this, dialogs::Icon::Information, QStringLiteral("Verknüpfung anlegen"),
                               QStringLiteral("Die Verknüpfung \"%1\" wurde angelegt:\n").arg(desktopentry::title(s)) +
                                   shown.join(QLatin1Char('\n')),
                               {dialogs::Button::Ok});
    return true;
}
