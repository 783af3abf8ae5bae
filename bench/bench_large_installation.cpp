// A school's installation (1,000 players, a protocol file each, 100 lock-file entries) beside the
// demo's three players, alternating in one run; the figure that counts is the ratio of the medians.
#include "FirstPaintTiming.h"
#include "support/LargeInstallation.h"

#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "data/PlayerList.h"
#include "data/PlayerLock.h"
#include "results/Ergebnisse.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <functional>
#include <map>

namespace {
const int kMany = 1000;
const int kManyLocks = 100;

struct Made {
    QTemporaryDir dir;
    largeinstallation::Installation tree;
};

// Made once per run and shape: copying the demo takes longer than a start-up.
const largeinstallation::Installation& school(int players, bool nameChoice)
{
    static std::map<std::pair<int, bool>, std::unique_ptr<Made>> made;
    auto& slot = made[{players, nameChoice}];
    if (!slot) {
        slot = std::make_unique<Made>();
        largeinstallation::Shape shape;
        shape.players = players;
        shape.lockEntries = players >= kMany ? kManyLocks : players - 1;
        shape.nameChoice = nameChoice;
        slot->tree = largeinstallation::make(QStringLiteral(KALIMO_BINARY_DIR "/demo"), slot->dir.path() + "/kalimo", shape);
    }
    return slot->tree;
}

// Alternates the two sides `state.iterations()` times and reports both medians and their ratio.
void alternate(benchmark::State& state, const std::function<double()>& few, const std::function<double()>& many)
{
    std::vector<double> a, b;
    for (auto _ : state) {
        const double x = few();
        const double y = many();
        if (x < 0 || y < 0) {
            state.SkipWithError("a side failed");
            return;
        }
        a.push_back(x);
        b.push_back(y);
        state.SetIterationTime(y / 1000.0);
    }
    const double ma = benchsupport::median(a), mb = benchsupport::median(b);
    state.counters["few_ms"] = ma;
    state.counters["many_ms"] = mb;
    state.counters["ratio"] = ma > 0 ? mb / ma : 0;
}

void startups(benchmark::State& state, bool nameChoice)
{
    const auto& few = school(3, nameChoice);
    const auto& many = school(kMany, nameChoice);
    if (few.root.isEmpty() || many.root.isEmpty()) {
        state.SkipWithError("the installations could not be made");
        return;
    }
    const QString exe = QStringLiteral(KALIMO_EXE);
    alternate(
        state, [&] { return benchsupport::timeToFirstPaint(exe, {"--installation", few.root}); },
        [&] { return benchsupport::timeToFirstPaint(exe, {"--installation", many.root}); });
}

// In-process work on an installation: points the program at it and loads its player list.
void enter(const largeinstallation::Installation& tree)
{
    resetGlobals();
    installation::setProgramFile(tree.root + QStringLiteral("kalimo"), tree.root);
    installation::ReadMainConfiguration();
    LoadPlayerList();
    setHoldsPlayerLock(false);
}

double elapsedMs(const std::function<void()>& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e6;
}
} // namespace

// Start-up to the first paint of the player choice (target: at most 1.5x).
static void BM_PlayerChoiceFirstPaint(benchmark::State& state) { startups(state, true); }
BENCHMARK(BM_PlayerChoiceFirstPaint)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

// Start-up to the first paint of the main window, no player choice (target: at most 1.2x).
static void BM_MainWindowFirstPaint(benchmark::State& state) { startups(state, false); }
BENCHMARK(BM_MainWindowFirstPaint)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

// A launch and a change of player on a lock file of 100 other workstations, beside one: each
// operation reads and writes the whole file once.
static void BM_LockFileLaunchAndRelease(benchmark::State& state)
{
    const auto& few = school(3, false);
    const auto& many = school(kMany, false);
    const auto side = [](const largeinstallation::Installation& tree) {
        return [&tree] {
            enter(tree);
            return elapsedMs([] {
                if (AcquirePlayerLock(g().currentPlayer()))
                    ReleasePlayerLock(g().currentPlayer());
                playerlock::anyoneLocked();
            });
        };
    };
    alternate(state, side(few), side(many));
}
BENCHMARK(BM_LockFileLaunchAndRelease)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

// The protocol folder of 1,000 files beside 3: the main window's protocol check, a run appended to
// the current player's file and the first run of a player without one.
static void BM_ProtocolFolder(benchmark::State& state)
{
    const auto& few = school(3, false);
    const auto& many = school(kMany, false);
    const auto side = [](const largeinstallation::Installation& tree) {
        return [&tree] {
            enter(tree);
            resetRun();
            run().runProtocol = {QStringLiteral("P 3.1. Gleich oder nicht gleich"), QStringLiteral("D 01.03.2024"),
                                 QStringLiteral(" "), QStringLiteral("O "),
                                 QStringLiteral("  Aufgabe  1:   0 Fehler  (00:00:03,12) ")};
            const QString folder = fsys::withSlash(g().config.dirs.protokoll);
            const QString newcomer = folder + QStringLiteral("Neu im Haus.prt");
            const double ms = elapsedMs([&] {
                fsys::fileExists(PlayerProtocolPath());
                AppendRunToProtocolFile(PlayerProtocolPath());
                AppendRunToProtocolFile(newcomer);
            });
            fsys::removeFile(newcomer);
            return ms;
        };
    };
    alternate(state, side(few), side(many));
}
BENCHMARK(BM_ProtocolFolder)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);
