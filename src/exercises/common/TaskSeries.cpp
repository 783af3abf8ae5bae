#include "exercises/common/TaskSeries.h"

#include "core/GlobalState.h"

#include <cstddef>

namespace exercise {

int TaskAt(int position)
{
    const auto& order = g().taskOrder;
    const int n = int(g().taskList().size());
    const int index = position >= 0 && position < int(order.size()) ? order[size_t(position)] : position;
    return index >= 0 && index < n ? index : 0;
}

bool AllSolved(const std::vector<TaskResult>& results)
{
    for (const TaskResult& r : results)
        if (r.state < 0)
            return false;
    return !results.empty();
}

namespace {
int indexAt(int position, size_t count)
{
    const auto& order = g().taskOrder;
    const int index = position < int(order.size()) ? order[size_t(position)] : position;
    return index >= 0 && size_t(index) < count ? index : position;
}
} // namespace

int NextPosition(int position, const std::vector<TaskResult>& results)
{
    const int n = int(results.size());
    if (position + 1 < n)
        return position + 1;
    for (int p = 0; p < n; ++p)
        if (results[size_t(indexAt(p, results.size()))].state < 0)
            return p;
    return 0;
}

std::vector<TaskResult> ResultsInPlayOrder(const std::vector<TaskResult>& results)
{
    std::vector<TaskResult> inOrder(results.size());
    for (size_t p = 0; p < results.size(); ++p)
        inOrder[p] = results[size_t(indexAt(int(p), results.size()))];
    return inOrder;
}

} // namespace exercise
