#pragma once
#include <QString>

class QWidget;

// How a program starts: from the main window through the task-list chooser, or from the command
// line (a desktop shortcut for one child and one program).
namespace launcher {
// The chooser, then the program's window; the window's result, 0 when the chooser went back, -1
// for a program without a window.
int startProgram(QWidget* parent, int programCode, const QString& listFolder);

struct CommandLine {
    QString player;
    QString program;   // the program code as given
    QString list;      // empty: through the chooser
};
// A refusal at start-up: the German text on the standard error output and, when a display is
// there, in a message box that closes itself after eight seconds (a shortcut has no console, and a
// probe must not hang); returns the exit code 2.
int refuse(const QString& text);

// Runs one program for one player without the main window; the process exit code: 0 after a run,
// 2 for an unknown player, program or list (nothing is written then), 1 when the player is in use.
int runFromCommandLine(const CommandLine& line);
// `kalimo --overview`: the class overview on its own; it reads the histories and writes nothing.
int showClassOverview();
}
