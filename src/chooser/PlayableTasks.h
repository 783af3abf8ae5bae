#pragma once
#include "core/Records.h"

// A task without any picture, text or sound (as the editor leaves a task that was added and never
// filled) is not played: the child would see empty cards.
namespace chooser {

bool IsEmptyTask(const TAufgabe& task);
// Removes the empty tasks of `list`; the number of tasks left.
int DropEmptyTasks(TDaten& list);

} // namespace chooser
