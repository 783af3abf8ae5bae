// One user account of the shared-installation test: works on an installed Kalimo through the same
// functions the program's windows call, and fails on the first message the user would see.
//   kalimo_accountworker <installed bin/kalimo> <player> <rounds> [<list to edit> <word to record>]
// Steps: start-up (configuration, data folders, player list); the player is created from the current
// one when new, else chosen; the general options are written; `rounds` times the player's lock is
// taken, a run of "Gleich oder Nichtgleich" is appended to its protocol and history, and the lock is
// released. With a list name: the list (below the program's list folder) is loaded when it exists,
// gets one task more and is saved, and a recording of the word is kept in the sound folder.
// Prints "OK" at the end; exit code 1 with the message otherwise.
#include "core/Catalogue.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "data/PlayerList.h"
#include "data/PlayerLock.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "data/TaskListWriter.h"
#include "media/sound/VoiceTake.h"
#include "results/Ergebnisse.h"
#include "results/History.h"

#include <QApplication>
#include <cstdio>

namespace {
int fail(const QString& what, const dialogs::ScriptedDialogs& d)
{
    std::fprintf(stderr, "%s\n", what.toLocal8Bit().constData());
    for (const QString& t : d.texts())
        std::fprintf(stderr, "  message: %s\n", t.toLocal8Bit().constData());
    return 1;
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 4)
        return 2;
    const QString player = QString::fromLocal8Bit(argv[2]);
    const int rounds = std::atoi(argv[3]);
    dialogs::ScriptedDialogs d;  // every question gets its first button ("OK", "Ja")

    installation::shareWithGroup();
    installation::setProgramFile(QString::fromLocal8Bit(argv[1]));
    installation::ReadMainConfiguration();
    LoadPlayerList();
    if (playerIndex(player) < 0) {
        if (!CreatePlayerFromCurrent(player))
            return fail(QStringLiteral("player not created: ") + player, d);
    } else {
        MakeCurrentPlayer(player);
    }
    ReadPlayerOptions(player, 0);
    if (!WritePlayerOptions(player, 0))
        return fail(QStringLiteral("options not written"), d);

    for (int i = 0; i < rounds; ++i) {
        if (!AcquirePlayerLock(player))
            return fail(QStringLiteral("lock refused"), d);
        resetRun();
        g().programCode = 301;
        run().runStartTime = QDateTime::currentDateTime().addSecs(-60);
        const int block = StartResultBlock(QStringLiteral("Tiere.txt"));
        StartResultRow(block, 1).Solved = true;
        run().runEndTime = QDateTime::currentDateTime();
        if (!BuildRunProtocol(301))
            return fail(QStringLiteral("no run protocol"), d);
        AddWorkTimeLines();
        if (!AppendRunToProtocolFile(PlayerProtocolPath()))
            return fail(QStringLiteral("protocol not written: ") + PlayerProtocolPath(), d);
        const RunState& r = run();
        if (!history::AppendRun(playerHistoryFile(player),
                                history::RunFromProtocol(r.runProtocol, r.runStartTime, r.runEndTime,
                                                         history::ListPrefix(301))))
            return fail(QStringLiteral("history not written"), d);
        ReleasePlayerLock(player);
    }
    WriteLastPlayer();

    if (argc >= 6) {
        const QString list = fsys::withSlash(catalogue::listFolder(301)) + QString::fromLocal8Bit(argv[4]);
        TDaten data;
        if (fsys::fileExists(list)) {
            if (LoadTaskListInto(list, data) <= 0)
                return fail(QStringLiteral("list not loaded: ") + list, d);
        }
        TAufgabe task;
        task.elements.resize(3);
        task.elements[1].picture = QStringLiteral("Auto.gif");
        task.elements[2].picture = QStringLiteral("Auto.gif");
        const QString word = QString::fromLocal8Bit(argv[5]);
        task.elements[1].sounds = word + QStringLiteral(".wav");
        data.tasks.push_back(task);
        if (!SaveTaskList(list, data, 301, 2))
            return fail(QStringLiteral("list not saved: ") + list, d);
        const std::vector<std::int16_t> samples(1600, 1000);
        if (voice::SaveTake(nullptr, g().config.dirs.materialSound + word + QStringLiteral(".wav"), samples) !=
            voice::Saved::Written)
            return fail(QStringLiteral("recording not kept"), d);
    }

    // Every message a user would have seen is a fault here, except the note of a saved list.
    for (const QString& t : d.texts())
        if (t != QStringLiteral("Datei gespeichert!") && !t.startsWith(QStringLiteral("Es werden die Einstellungen")))
            return fail(QStringLiteral("message shown"), d);
    std::printf("OK\n");
    return 0;
}
