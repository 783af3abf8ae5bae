#pragma once
#include <vector>

namespace exercise {
// Draws on which side (0 or 1) the right card of each task stands: at random, but never five equal
// sides in a row. The run counters and the last side carry over from one drawing to the next, so a
// new drawing does not start a fifth equal side either.
class SideDrawer
{
public:
    std::vector<int> draw(int count);

private:
    int m_runs[2] = {0, 0};
    int m_last = -1;
};
}
