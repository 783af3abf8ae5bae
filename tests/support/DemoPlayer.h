#pragma once
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "data/PlayerList.h"
#include "data/PlayerOptions.h"
#include "media/sound/Sound.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"

// A window test's start: a copy of the demo installation in `tree`, read as the program reads it,
// with `player` as the current player and the options of the general section and of `programCode`
// (0: the general section only) read. Header-only: the window tests link the libraries it needs.
inline void openDemoAs(const TempTree& tree, const QString& player, int programCode)
{
    copyDemoTo(tree);
    resetToInstallation(tree.root());
    resetSoundState();
    resetRun();
    installation::ReadMainConfiguration(nullptr);
    LoadPlayerList();
    MakeCurrentPlayer(player);
    g().programCode = 0;
    ReadPlayerOptions(player, 0);
    g().programCode = programCode;
    if (programCode != 0)
        ReadPlayerOptions(player, programCode);
}
