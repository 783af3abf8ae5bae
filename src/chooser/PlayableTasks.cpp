#include "chooser/PlayableTasks.h"

#include <algorithm>

namespace chooser {

namespace {
bool isEmpty(const TEinzelbild& e)
{
    return e.picture.trimmed().isEmpty() && e.text.trimmed().isEmpty() && e.sounds.trimmed().isEmpty();
}
} // namespace

bool IsEmptyTask(const TAufgabe& task)
{
    return isEmpty(task.headElement) && std::all_of(task.elements.begin(), task.elements.end(), isEmpty);
}

int DropEmptyTasks(TDaten& list)
{
    auto& tasks = list.tasks;
    tasks.erase(std::remove_if(tasks.begin(), tasks.end(), IsEmptyTask), tasks.end());
    return int(tasks.size());
}

} // namespace chooser
