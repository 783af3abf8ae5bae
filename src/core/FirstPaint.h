#pragma once
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>

// Start-up benchmark support: KALIMO_QUIT_AFTER_FIRST_PAINT holds the steady-clock time (ns) at
// which the benchmark started the process. At its window's first paint the program prints
// "first-paint-ms <ms since that start>" and ends.
class QuitAfterFirstPaint : public QObject
{
public:
    static void installIfRequested(QWidget* window)
    {
        const QByteArray start = qgetenv("KALIMO_QUIT_AFTER_FIRST_PAINT");
        if (!start.isEmpty())
            window->installEventFilter(new QuitAfterFirstPaint(window, start.toLongLong()));
    }

protected:
    QuitAfterFirstPaint(QObject* parent, qint64 startNs) : QObject(parent), m_startNs(startNs) {}
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        const bool result = QObject::eventFilter(watched, e);
        if (e->type() == QEvent::Paint && !m_done) {
            m_done = true;
            const qint64 now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count();
            std::printf("first-paint-ms %.3f\n", double(now - m_startNs) / 1e6);
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        }
        return result;
    }

private:
    qint64 m_startNs;
    bool m_done = false;
};
