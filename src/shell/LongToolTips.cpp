#include "shell/LongToolTips.h"

#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace {
class LongToolTips : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() != QEvent::ToolTip)
            return false;
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || w->toolTip().isEmpty() || w->toolTipDuration() > 0)
            return false;
        QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), w->toolTip(), w, QRect(), 100000);
        return true;
    }
};
} // namespace

void installLongToolTips()
{
    static LongToolTips* filter = nullptr;
    if (!filter) {
        filter = new LongToolTips(qApp);
        qApp->installEventFilter(filter);
    }
}
