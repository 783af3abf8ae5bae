#pragma once
#include <QObject>

// The application-wide message hook: one event filter on the QApplication at a time. A window that
// installs its hook suspends the previous one, and removing it hands the previous one back.
namespace messagehook {
void push(QObject* filter);
// Removes `filter` (from anywhere in the stack) and reinstates the hook below it when it was on top.
void remove(QObject* filter);
QObject* current();
// Suspends the current hook for the lifetime of the object (around a modal dialog).
class Suspend
{
public:
    Suspend();
    ~Suspend();

private:
    QObject* m_filter;
};
}
