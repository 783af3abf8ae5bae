#include "shell/ClickGuard.h"

#include "media/skin/SkinButton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>

namespace {

QAbstractButton* buttonOf(QObject* watched)
{
    for (QObject* o = watched; o; o = o->parent()) {
        if (auto* b = qobject_cast<QAbstractButton*>(o))
            return b;
        if (o->isWidgetType() && static_cast<QWidget*>(o)->isWindow())
            break;
    }
    return nullptr;
}

QRect globalRect(const QAbstractButton* b) { return QRect(b->mapToGlobal(QPoint(0, 0)), b->size()); }

QString faceOf(const QAbstractButton* b)
{
    const SkinArgs a = SkinButtonArgs(b);
    return a.caption + QChar(0x1F) + a.pictureFile + QChar(0x1F) + b->text();
}

} // namespace

bool ClickGuard::filter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::MouseButtonRelease)
        return false;
    if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return false;
    QAbstractButton* b = buttonOf(watched);
    if (!b)
        return false;
    if (type == QEvent::MouseButtonRelease) {
        if (m_swallowing && b == m_swallowing) {
            m_swallowing = nullptr;
            return true;
        }
        // A click: released inside the pressed button.
        if (b->isDown() && b->rect().contains(b->mapFromGlobal(static_cast<QMouseEvent*>(event)->globalPosition().toPoint()))) {
            m_clicked = b;
            m_clickedRect = globalRect(b);
            m_clickedFace = faceOf(b);
            m_clickedAt = static_cast<QMouseEvent*>(event)->timestamp();
            m_hasClick = true;
        }
        return false;
    }
    // A press that is taken starts afresh: no release is swallowed any more.
    m_swallowing = nullptr;
    // The events' own times, as Qt tells a double click from two clicks.
    const quint64 at = static_cast<QMouseEvent*>(event)->timestamp();
    if (!m_hasClick || at < m_clickedAt || at - m_clickedAt >= quint64(QApplication::doubleClickInterval()))
        return false;
    const bool replaced = b != m_clicked || faceOf(b) != m_clickedFace;
    if (!replaced || !globalRect(b).intersects(m_clickedRect))
        return false;
    m_swallowing = b;
    return true;
}
