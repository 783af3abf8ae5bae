#include "exercises/common/SideDrawer.h"

#include "core/Random.h"

namespace exercise {

std::vector<int> SideDrawer::draw(int count)
{
    std::vector<int> sides;
    for (int i = 0; i < count; ++i) {
        int r = rnd::below(2);
        if (r == m_last)
            ++m_runs[r];
        else
            m_runs[0] = m_runs[1] = 0;
        if (m_runs[0] >= 4) {
            r = 1;
            m_runs[0] = m_runs[1] = 0;
        } else if (m_runs[1] >= 4) {
            r = 0;
            m_runs[0] = m_runs[1] = 0;
        }
        sides.push_back(r);
        m_last = r;
    }
    return sides;
}

} // namespace exercise
