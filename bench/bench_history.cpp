#include "core/FileSystem.h"
#include "core/Win1252.h"
#include "results/History.h"
#include "results/Verlauf.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

// Opening the "Verlauf" view on a history of 10,000 runs (reading, checking every line, the program
// choice, the chart and the table, shown once), next to the floor: reading the same file and
// splitting it into lines and fields, as any reader of a CSV file must. Target: at most 3x the floor.
namespace {

QString historyFile()
{
    static QTemporaryDir dir;
    static QString path;
    if (!path.isEmpty())
        return path;
    std::vector<history::HistoryRun> runs;
    const QDateTime first(QDate(2020, 1, 1), QTime(8, 0));
    static const int codes[] = {101, 201, 301, 302, 303, 304, 402, 406};
    for (int i = 0; i < 10000; ++i) {
        history::HistoryRun r;
        r.start = first.addSecs(qint64(i) * 4 * 3600);
        r.programCode = codes[i % 8];
        r.programName = QStringLiteral("Programm %1").arg(r.programCode);
        r.listFile = QStringLiteral("3_Differenzierung\\1_Gleich oder Nichtgleich\\Allgemein\\0%1 Liste.txt").arg(i % 7);
        r.counted = 10 + i % 3;
        r.firstTry = i % 11 % (r.counted + 1);
        r.withErrors = r.counted - r.firstTry;
        r.workSeconds = 100 + i % 300;
        runs.push_back(r);
    }
    path = dir.filePath(QStringLiteral("Anna-Verlauf.csv"));
    history::WriteHistory(path, runs);
    return path;
}

void BM_OpenHistoryView(benchmark::State& state)
{
    const QString path = historyFile();
    for (auto _ : state) {
        TFormVerlauf view(path, QStringLiteral("Anna"));
        view.resize(1200, 800);
        view.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(view.shownRuns().size());
    }
}

void BM_HistoryReadAndSplitFloor(benchmark::State& state)
{
    const QString path = historyFile();
    for (auto _ : state) {
        const QStringList lines = fsys::splitLines(win1252::decode(fsys::readFile(path).value_or(QByteArray())));
        qsizetype fields = 0;
        for (const QString& line : lines)
            fields += line.split(QLatin1Char(';')).size();
        benchmark::DoNotOptimize(fields);
    }
}

} // namespace

BENCHMARK(BM_OpenHistoryView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryReadAndSplitFloor)->Unit(benchmark::kMillisecond);
// For reading the figures: the file split into lines alone, reading and checking the lines alone,
// an empty view opened and shown, and the view made but not shown.
namespace {
void BM_HistoryReadAndSplitLinesOnly(benchmark::State& state)
{
    const QString path = historyFile();
    for (auto _ : state) {
        const QStringList lines = fsys::splitLines(win1252::decode(fsys::readFile(path).value_or(QByteArray())));
        benchmark::DoNotOptimize(lines.size());
    }
}
void BM_HistoryReadOnly(benchmark::State& state)
{
    const QString path = historyFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(history::ReadHistory(path).runs.size());
}
void BM_OpenEmptyHistoryView(benchmark::State& state)
{
    for (auto _ : state) {
        TFormVerlauf view(QStringLiteral("/nonexistent/x.csv"), QStringLiteral("Anna"));
        view.resize(1200, 800);
        view.show();
        QApplication::processEvents();
    }
}
void BM_HistoryViewMadeNotShown(benchmark::State& state)
{
    const QString path = historyFile();
    for (auto _ : state) {
        TFormVerlauf view(path, QStringLiteral("Anna"));
        benchmark::DoNotOptimize(view.shownRuns().size());
    }
}
} // namespace
BENCHMARK(BM_HistoryReadAndSplitLinesOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryReadOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenEmptyHistoryView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryViewMadeNotShown)->Unit(benchmark::kMillisecond);
