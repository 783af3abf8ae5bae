#pragma once
#include <QString>

class QWidget;

// The exercise windows by program code.
namespace exercises {
// Whether the program has a window in this version.
bool hasWindow(int programCode);
// Opens the program's window on the task list `listPath` and waits until it closes; returns the
// window's result. With `loadList` the list is loaded and its task order built first (a start
// without the chooser); otherwise the chooser has left them in place.
int runProgram(QWidget* parent, int programCode, const QString& listPath, bool loadList);
}
