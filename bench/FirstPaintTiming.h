#pragma once
// Start-up to first paint, as the start-up benchmarks measure it: the benchmark puts its
// steady-clock start time into KALIMO_QUIT_AFTER_FIRST_PAINT, the program prints the milliseconds
// from there to the first paint of the first window it shows and ends.
#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <vector>

namespace benchsupport {

// Milliseconds from process start to the first paint; -1 on failure.
inline double timeToFirstPaint(const QString& exe, const QStringList& args)
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

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

} // namespace benchsupport
