#pragma once
#include <QSize>

class QWidget;

// Windows are designed for 800 x 600 and scaled to the monitor.
double screenScaleFactor(const QSize& monitor, const QSize& design = QSize(800, 600), int dialogFontPixels = 13);
// Scales the window and its children for the monitor that shows it; with fullScreen it then covers
// the whole monitor.
void ScaleWindowToScreen(QWidget* window, bool fullScreen);
// The variant of windows with their own design size; with keepOnMonitor the scaled window is moved
// back onto the monitor where it would reach past its edge.
void ScaleWindowToScreen(QWidget* window, bool fullScreen, const QSize& design, bool keepOnMonitor);
// Scales a window's geometry, its children's geometry and fonts by `factor`.
void scaleWidgetTree(QWidget* window, double factor);
// Centres a window on the monitor that holds the mouse pointer.
void centreOnPointerScreen(QWidget* window);
