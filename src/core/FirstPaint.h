#pragma once
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>

// Start-up benchmark support: KALIMO_QUIT_AFTER_FIRST_PAINT holds the steady-clock time (ns) at
// which the benchmark started the process. When its window's first paint is done (drawn and flushed)
// the program prints "first-paint-ms <ms since that start>" and ends.
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
            // The filter sees the paint before the window draws it: the time is taken at the next
            // turn of the event loop, when the window, its children and the flush to the screen
            // are done.
            const qint64 startNs = m_startNs;
            QTimer::singleShot(0, qApp, [startNs] {
                const qint64 now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                       std::chrono::steady_clock::now().time_since_epoch())
                                       .count();
                std::printf("first-paint-ms %.3f\n", double(now - startNs) / 1e6);
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return result;
    }

private:
    qint64 m_startNs;
    bool m_done = false;
};
