#pragma once
#include <vector>

// A list played as a series of tasks in the play order (g().taskOrder): results are kept per task,
// the strip shows them per play position.
namespace exercise {
// Strip state (-1 open, else the program's state picture) and error flag of one task.
struct TaskResult {
    int state = -1;
    bool error = false;
};

// The task at a play position, kept inside the loaded list.
int TaskAt(int position);
bool AllSolved(const std::vector<TaskResult>& results);
// The position after `position`; past the last one, the first position whose task is still open.
int NextPosition(int position, const std::vector<TaskResult>& results);
// The results in play order, as the task strip shows them.
std::vector<TaskResult> ResultsInPlayOrder(const std::vector<TaskResult>& results);
}
