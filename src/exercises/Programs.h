#pragma once
#include <QString>
#include <memory>

class QWidget;
class TFormExercise;

// The exercise windows by program code.
namespace exercises {
// Whether the program has a window in this version.
bool hasWindow(int programCode);
// Loads `listPath` for the program and builds its task order (a start without the chooser).
void loadListFor(int programCode, const QString& listPath);
// The program's window on `listPath` (not shown; null for a code without a window). The list must
// be loaded and its task order built.
std::unique_ptr<TFormExercise> makeWindow(QWidget* parent, int programCode, const QString& listPath);
// Opens the program's window on the task list `listPath` and waits until it closes; returns the
// window's result. With `loadList` the list is loaded and its task order built first (a start
// without the chooser); otherwise the chooser has left them in place.
int runProgram(QWidget* parent, int programCode, const QString& listPath, bool loadList);
}
