#pragma once
#include "core/Records.h"

// The current player's options, one record for the general options and one per program.
// Filled in by the options file module (data/).
struct TOpt_allg {
    TAkustikereignisliste acousticEvents;
};
