#pragma once

// The end of the desktop session (logout, shutdown, a termination signal): the program ends the
// run as a close from outside does, but nobody is there to answer. While it ends, every question
// takes its affirmative answer and the closing dialog keeps the run without being shown.
namespace session {
bool ending();
void beginEnding();
// Tests only.
void resetEnding();
}
