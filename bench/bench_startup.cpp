#include <QDir>
#include <chrono>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
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

// Milliseconds from process start to the first paint of its window, as the program reports it;
// -1 on failure.
double timeToFirstPaint(const QString& exe, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SDL_AUDIODRIVER", "dummy");
    if (!env.contains("QT_QPA_PLATFORM"))
        env.insert("QT_QPA_PLATFORM", "offscreen");
    const qint64 start =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
    env.insert("KALIMO_QUIT_AFTER_FIRST_PAINT", QString::number(start));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(exe, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return -1;
    const QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
    for (const QByteArray& line : lines)
        if (line.startsWith("first-paint-ms "))
            return line.mid(15).toDouble();
    return -1;
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
        const double b = timeToFirstPaint(QStringLiteral(KALIMO_BARE_EXE), {});
        const double k = timeToFirstPaint(QStringLiteral(KALIMO_EXE), {"--installation", installation});
        if (b < 0 || k < 0) {
            state.SkipWithError("a program did not start or did not paint");
            return;
        }
        bare.push_back(b);
        kalimo.push_back(k);
        state.SetIterationTime(k / 1000.0);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    const double mb = median(bare), mk = median(kalimo);
    state.counters["bare_ms"] = mb;
    state.counters["kalimo_ms"] = mk;
    state.counters["ratio"] = mb > 0 ? mk / mb : 0;
}
BENCHMARK(BM_StartupToFirstPaint)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);
