#include "core/Clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace {
bool g_instant = false;
QDateTime g_fixed;
}

namespace clock_ {
QDateTime now() { return g_fixed.isValid() ? g_fixed : QDateTime::currentDateTime(); }
void setInstant(bool instant) { g_instant = instant; }
bool isInstant() { return g_instant; }
void setFixedNow(const QDateTime& t) { g_fixed = t; }

void sleepMs(int ms)
{
    if (g_instant || ms <= 0)
        return;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, int(ms - t.elapsed()));
        QThread::msleep(1);
    }
}
}
