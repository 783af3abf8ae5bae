#include "core/SessionEnd.h"

namespace {
bool g_ending = false;
}

namespace session {
bool ending() { return g_ending; }
void beginEnding() { g_ending = true; }
void resetEnding() { g_ending = false; }
}
