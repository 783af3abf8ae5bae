#include "Launcher.h"

#include "chooser/Listenreader.h"
#include "core/Catalogue.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "data/PlayerList.h"
#include "data/PlayerLock.h"
#include "data/PlayerOptions.h"
#include "exercises/Programs.h"
#include "media/sound/Sound.h"
#include "core/FirstPaint.h"
#include "results/Klassenuebersicht.h"
#include "shell/lock.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

namespace launcher {

int startProgram(QWidget* parent, int programCode, const QString& listFolder)
{
    if (!exercises::hasWindow(programCode))
        return -1;
    const QString* chosen = chosenListFile(programCode);
    if (chooser::ChooseTaskList(parent, programCode, listFolder, chosen ? *chosen : QString()) !=
        chooser::Choice::Start)
        return 0;
    chosen = chosenListFile(programCode);
    const QString path = fsys::withSlash(listFolder) + fsys::fromStored(chosen ? *chosen : QString());
    return exercises::runProgram(parent, programCode, path, false);
}

namespace {

void registerInstalledFonts()
{
    for (const QString& f : fsys::list(g().config.dirs.font, QStringLiteral("*.t*"), true, fsys::Entries::Files))
        QFontDatabase::addApplicationFont(f);
}

} // namespace

int refuse(const QString& text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return 2;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kalimo"), text, QMessageBox::Ok);
    QTimer::singleShot(8000, &box, &QMessageBox::accept);
    box.exec();
    return 2;
}

int runFromCommandLine(const CommandLine& line)
{
    installation::ReadMainConfiguration(nullptr);
    LoadPlayerList();

    bool numeric = false;
    const int code = line.program.trimmed().toInt(&numeric);
    if (!numeric || !catalogue::byCode(code))
        return refuse(QStringLiteral("Das Programm \"%1\" gibt es nicht.").arg(line.program));
    if (!exercises::hasWindow(code))
        return refuse(QStringLiteral("Das Programm \"%1\" ist in dieser Version noch nicht installiert.")
                          .arg(catalogue::byCode(code)->name));
    if (line.player.trimmed().isEmpty() || playerIndex(line.player) < 0)
        return refuse(QStringLiteral("Den Spieler \"%1\" gibt es nicht.").arg(line.player));

    const QString listFolder = catalogue::listFolder(code);
    QString listPath;
    if (!line.list.isEmpty()) {
        const QString given = fsys::fromStored(line.list);
        listPath = QDir::isAbsolutePath(given) ? given : fsys::withSlash(listFolder) + given;
        if (!fsys::fileExists(listPath))
            return refuse(QStringLiteral("Die Aufgabenliste \"%1\" gibt es nicht.").arg(line.list));
        listPath = fsys::resolve(listPath);
    }

    MakeCurrentPlayer(line.player);
    if (!AcquirePlayerLock(g().currentPlayer())) {
        if (!playerLockCancelled())
            TFormLock::ShowLockNotice(nullptr);
        return 1;
    }
    registerInstalledFonts();
    g().programCode = 0;
    ReadPlayerOptions(g().currentPlayer(), 0);
    g().programCode = code;
    ReadPlayerOptions(g().currentPlayer(), code);

    if (listPath.isEmpty())
        startProgram(nullptr, code, listFolder);
    else
        exercises::runProgram(nullptr, code, listPath, true);

    StopNoise();
    ReleasePlayerLock(g().currentPlayer());
    return 0;
}

int showClassOverview()
{
    installation::ReadMainConfiguration(nullptr);
    LoadPlayerList();
    registerInstalledFonts();
    TFormKlassenuebersicht form(g().config.dirs.protokoll, g().playerList);
    form.resize(1000, 700);
    QuitAfterFirstPaint::installIfRequested(&form);
    form.exec();
    return 0;
}

} // namespace launcher
