#pragma once
#include "core/MainConfig.h"
#include "core/OptionRecords.h"
#include "core/Records.h"

#include <QStringList>
#include <optional>
#include <vector>

// The program's process-wide state, in one place; only the UI thread touches it.
struct GlobalState {
    MainConfig config;
    int programCode = 0;
    TDaten loadedList;               // its tasks are the task list
    QString loadedListPath;          // the file the loaded list was read from (full path)
    std::optional<TFont> listFont;
    int elementCount = 0;
    int defaultElementCount = 0;
    std::vector<int> taskOrder;
    QStringList playerList;          // entry 0 is the current player
    TOpt_allg playerOptions;
    TFont generalFont;
    bool swissOrthography = false;
    bool editorActive = false;       // the task-list editor is the active window
    // Run-wide random-order flags of 303, 401, 402, 403, 405 and 406: on at start; only the
    // program's option page turns one off. They override "Reihenfolge zufällig" when reading.
    bool randomOrder303 = true, randomOrder401 = true, randomOrder402 = true, randomOrder403 = true,
         randomOrder405 = true, randomOrder406 = true;
    bool memoryTextVariant = false;  // "Merkfähigkeit": the text variant (102) is running

    std::vector<TAufgabe>& taskList() { return loadedList.tasks; }
    const QString currentPlayer() const { return playerList.isEmpty() ? QString() : playerList.front(); }
};

GlobalState& g();
// Back to a fresh state (tests).
void resetGlobals();
