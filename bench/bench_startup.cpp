#include "FirstPaintTiming.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
// A copy of the demo installation that opens the main window directly (no player choice).
QString demoWithoutNameChoice(QTemporaryDir& dir)
{
    const QString src = QStringLiteral(KALIMO_BINARY_DIR "/demo");
    QDirIterator it(src, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = dir.path() + file.mid(src.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(file, target);
    }
    for (const QString& name : QDir(dir.path() + "/Optionen").entryList({"Options-*.txt"})) {
        QFile f(dir.path() + "/Optionen/" + name);
        f.open(QIODevice::ReadOnly);
        QByteArray bytes = f.readAll().replace("Namenauswahl=1", "Namenauswahl=0");
        f.close();
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
    }
    return dir.path();
}

} // namespace

// Each iteration starts the bare window and Kalimo one after the other; the figure that counts is
// the ratio of the two medians, measured in the same run.
static void BM_StartupToFirstPaint(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString installation = demoWithoutNameChoice(dir);
    std::vector<double> bare, kalimo;
    for (auto _ : state) {
        const double b = benchsupport::timeToFirstPaint(QStringLiteral(KALIMO_BARE_EXE), {});
        const double k = benchsupport::timeToFirstPaint(QStringLiteral(KALIMO_EXE), {"--installation", installation});
        if (b < 0 || k < 0) {
            state.SkipWithError("a program did not start or did not paint");
            return;
        }
        bare.push_back(b);
        kalimo.push_back(k);
        state.SetIterationTime(k / 1000.0);
    }
    const double mb = benchsupport::median(bare), mk = benchsupport::median(kalimo);
    state.counters["bare_ms"] = mb;
    state.counters["kalimo_ms"] = mk;
    state.counters["ratio"] = mb > 0 ? mk / mb : 0;
}
BENCHMARK(BM_StartupToFirstPaint)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);
