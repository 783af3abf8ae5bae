#include "core/FileSystem.h"
#include "core/Win1252.h"
#include "results/Klassenuebersicht.h"
#include "support/ClassHistories.h"
#include "support/LargeInstallation.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

// Opening the class overview of 1,000 players with 200 runs each (every history read and checked,
// the figures of the default span, the table shown once), next to the floor: reading the same
// files and splitting them into lines and fields. Goal: under 1 s, at most 2x the floor.
namespace {

struct Class {
    QString folder;
    QStringList players;
    QStringList files;
};

const Class& bigClass()
{
    static QTemporaryDir dir;
    static Class c;
    if (!c.folder.isEmpty())
        return c;
    c.folder = dir.path() + QStringLiteral("/Protokoll/");
    for (int i = 0; i < 1000; ++i)
        c.players << largeinstallation::playerName(i);
    classhistories::Shape shape;
    shape.runsPerPlayer = 200;
    shape.days = 400;
    classhistories::write(c.folder, c.players, shape, QDateTime::currentDateTime());
    for (const QString& p : c.players)
        c.files << c.folder + p + QStringLiteral("-Verlauf.csv");
    return c;
}

void BM_OpenClassOverview(benchmark::State& state)
{
    const Class& c = bigClass();
    for (auto _ : state) {
        TFormKlassenuebersicht view(c.folder, c.players);
        view.resize(1200, 800);
        view.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(view.shownRows().size());
    }
}

void BM_ClassOverviewReadAndSplitFloor(benchmark::State& state)
{
    const Class& c = bigClass();
    for (auto _ : state) {
        qsizetype fields = 0;
        for (const QString& file : c.files) {
            const QStringList lines = fsys::splitLines(win1252::decode(fsys::readFile(file).value_or(QByteArray())));
            for (const QString& line : lines)
                fields += line.split(QLatin1Char(';')).size();
        }
        benchmark::DoNotOptimize(fields);
    }
}

// For reading the figures: the histories read and checked alone, without a window.
void BM_ClassOverviewReadOnly(benchmark::State& state)
{
    const Class& c = bigClass();
    for (auto _ : state) {
        const overview::ClassHistory h = overview::ReadClassHistory(c.folder, c.players);
        benchmark::DoNotOptimize(h.players.size());
    }
}

} // namespace

BENCHMARK(BM_OpenClassOverview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClassOverviewReadAndSplitFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClassOverviewReadOnly)->Unit(benchmark::kMillisecond);
