// The yardstick of the start-up benchmark: a Qt program that opens one empty window.
#include "core/FirstPaint.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget w;
    w.resize(1200, 900);
    QuitAfterFirstPaint::installIfRequested(&w);
    w.show();
    return app.exec();
}
