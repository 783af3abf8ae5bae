#include "media/skin/ScreenScale.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QScreen>
#include <QWidget>

double screenScaleFactor(const QSize& monitor, const QSize& design, int dialogFontPixels)
{
    const double fw = double(monitor.width()) / design.width();
    const double fh = double(monitor.height()) / design.height();
    double f = fw > fh ? fh : fw;
    // Large system fonts would otherwise make the scaled texts overflow.
    if (dialogFontPixels >= 16)
        f *= 16.0 / dialogFontPixels;
    return f;
}

void scaleWidgetTree(QWidget* window, double factor)
{
    if (!window || factor <= 0)
        return;
    auto scaleOne = [factor](QWidget* w) {
        const QRect r = w->geometry();
        w->setGeometry(qRound(r.x() * factor), qRound(r.y() * factor), qRound(r.width() * factor),
                       qRound(r.height() * factor));
        QFont f = w->font();
        if (f.pixelSize() > 0)
            f.setPixelSize(qMax(1, qRound(f.pixelSize() * factor)));
        else if (f.pointSizeF() > 0)
            f.setPointSizeF(f.pointSizeF() * factor);
        w->setFont(f);
    };
    const auto children = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* c : children)
        scaleWidgetTree(c, factor);
    if (window->isWindow()) {
        window->resize(qRound(window->width() * factor), qRound(window->height() * factor));
    } else {
        scaleOne(window);
    }
}

void ScaleWindowToScreen(QWidget* window, bool fullScreen) { ScaleWindowToScreen(window, fullScreen, QSize(800, 600), false); }

void ScaleWindowToScreen(QWidget* window, bool fullScreen, const QSize& design, bool keepOnMonitor)
{
    if (!window || design.isEmpty())
        return;
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect geo = screen->geometry();
    // The Windows dialog font is 13 pixels at 96 dpi; "large fonts" raise the logical dpi.
    const int dialogFont = qRound(13.0 * screen->logicalDotsPerInch() / 96.0);
    scaleWidgetTree(window, screenScaleFactor(geo.size(), design, dialogFont));
    if (fullScreen) {
        window->setGeometry(geo);
    } else if (keepOnMonitor) {
        const QRect area = screen->availableGeometry();
        QRect r = window->geometry();
        r.moveLeft(qBound(area.left(), r.left(), qMax(area.left(), area.right() + 1 - r.width())));
        r.moveTop(qBound(area.top(), r.top(), qMax(area.top(), area.bottom() + 1 - r.height())));
        window->move(r.topLeft());
    }
}

void centreOnPointerScreen(QWidget* window)
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!window || !screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}
