#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/IniFile.h"
#include "core/Win1252.h"
#include "data/TaskList.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>

// Loading generated task lists of 1,000 and 10,000 tasks of 12 elements, next to the floor:
// reading the same file and splitting it into lines. The loader should stay within 3x of the floor
// and grow linearly.
namespace {

QString listFile(int tasks)
{
    static QTemporaryDir dir;
    static std::map<int, QString> made;
    auto it = made.find(tasks);
    if (it != made.end())
        return it->second;
    QStringList lines{QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=%1").arg(tasks),
                      QStringLiteral("Elementanzahl=12"), QStringLiteral("[Layout]"), QStringLiteral("Schriftname=Arial")};
    for (int k = 1; k <= tasks; ++k) {
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("Erfolgssound=lob%1.wav;super.wav").arg(k % 7);
        lines << QStringLiteral("0=Bilder\\kopf%1.wmf|100||").arg(k);
        for (int i = 1; i <= 12; ++i)
            lines << QStringLiteral("%1=Tiere\\tier%2.wmf|%3|Wort%2 Stra\u00dfe|Laute\\w%2.wav;a.wav").arg(i).arg(k * 13 + i).arg(60 + i);
    }
    const QString path = dir.filePath(QStringLiteral("liste%1.txt").arg(tasks));
    fsys::writeLines(path, lines);
    made[tasks] = path;
    return path;
}

void BM_LoadTaskList(benchmark::State& state)
{
    const QString path = listFile(int(state.range(0)));
    g().defaultElementCount = 12;
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadTaskList(path));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ReadAndSplitFloor(benchmark::State& state)
{
    const QString path = listFile(int(state.range(0)));
    for (auto _ : state) {
        const QStringList lines = fsys::splitLines(win1252::decode(fsys::readFile(path).value_or(QByteArray())));
        benchmark::DoNotOptimize(lines.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_LoadTaskList)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndSplitFloor)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

namespace {
// For reading the figures: the share of the profile parse alone.
void BM_TaskListProfileOnly(benchmark::State& state)
{
    const QString path = listFile(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(IniFile::load(path).sections().size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
}
BENCHMARK(BM_TaskListProfileOnly)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

namespace {
// For reading the figures: the load into an empty list, as the first load of a run does it. The
// loader reuses the memory of the list it replaces, so this is the load with every string and
// element allocated anew (releasing the previous list is left out of the figure).
void BM_LoadTaskListFresh(benchmark::State& state)
{
    const QString path = listFile(int(state.range(0)));
    g().defaultElementCount = 12;
    for (auto _ : state) {
        state.PauseTiming();
        g().loadedList = TDaten();
        state.ResumeTiming();
        benchmark::DoNotOptimize(LoadTaskList(path));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
}
BENCHMARK(BM_LoadTaskListFresh)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
