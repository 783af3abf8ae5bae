#pragma once
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

// Start-up benchmark support: with KALIMO_QUIT_AFTER_FIRST_PAINT set, the program ends as soon as
// its window has painted once, so a benchmark can time process start to first paint.
class QuitAfterFirstPaint : public QObject
{
public:
    static void installIfRequested(QWidget* window)
    {
        if (!qEnvironmentVariableIsEmpty("KALIMO_QUIT_AFTER_FIRST_PAINT"))
            window->installEventFilter(new QuitAfterFirstPaint(window));
    }

protected:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && !m_done) {
            m_done = true;
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        }
        return QObject::eventFilter(watched, e);
    }

private:
    bool m_done = false;
};
