#include "core/MessageHook.h"

#include <QCoreApplication>
#include <QList>
#include <QPointer>

namespace messagehook {
namespace {
QList<QPointer<QObject>>& stack()
{
    static QList<QPointer<QObject>> s;
    return s;
}
void prune()
{
    stack().removeAll(QPointer<QObject>());
}
}

QObject* current()
{
    prune();
    return stack().isEmpty() ? nullptr : stack().back().data();
}

void push(QObject* filter)
{
    if (!filter || !qApp)
        return;
    if (QObject* top = current())
        qApp->removeEventFilter(top);
    stack().append(filter);
    qApp->installEventFilter(filter);
}

void remove(QObject* filter)
{
    if (!filter || !qApp)
        return;
    const bool wasTop = current() == filter;
    qApp->removeEventFilter(filter);
    stack().removeAll(QPointer<QObject>(filter));
    if (wasTop)
        if (QObject* top = current())
            qApp->installEventFilter(top);
}

Suspend::Suspend() : m_filter(current())
{
    if (m_filter && qApp)
        qApp->removeEventFilter(m_filter);
}

Suspend::~Suspend()
{
    if (m_filter && qApp && current() == m_filter)
        qApp->installEventFilter(m_filter);
}
}
