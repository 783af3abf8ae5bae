#include "core/GlobalState.h"
#include "core/FileProblems.h"
#include "core/Overlay.h"

namespace {
GlobalState* g_state = nullptr;
}

GlobalState& g()
{
    if (!g_state)
        g_state = new GlobalState;
    return *g_state;
}

void resetGlobals()
{
    delete g_state;
    g_state = new GlobalState;
    fileproblems::resetReported();
    overlay::clear();
}
