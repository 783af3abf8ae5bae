#include "exercises/common/RevealAnimation.h"

#include "core/Random.h"

#include <algorithm>
#include <numeric>

namespace exercise {

RevealAnimation::RevealAnimation(int pattern, QSize card, RevealSet set)
{
    const int count = set == RevealSet::OneCard ? 12 : 11;
    m_pattern = pattern >= 0 ? pattern % count : rnd::below(count);
    m_ellipses = set == RevealSet::OneCard && m_pattern >= 10;
    m_u = std::max(1, card.width());
    m_v = std::max(1, card.height());
    m_blinds = 4 + rnd::below(10);
    const int r = rnd::below(5);
    m_cols = r + 5;
    m_rows = r + 3;
    m_tiles.resize(size_t(m_cols * m_rows));
    std::iota(m_tiles.begin(), m_tiles.end(), 0);
    std::shuffle(m_tiles.begin(), m_tiles.end(), rnd::engine());
    const int u = m_u, v = m_v;
    switch (m_pattern) {
    case 0: case 2: m_steps = (u / 2 + 5) / 6 + 1; break;
    case 1: m_steps = (u / 20 + 5) / 6 + 1; m_pause = 40; break;
    case 3: m_steps = (u + 5) / 6; break;
    case 4: m_steps = (v + 5) / 6; break;
    case 5: case 6: m_steps = (v / 2 + 5) / 6 + 1; break;
    case 7: m_steps = (v / m_blinds + 5) / 6 + 1; m_pause = 2 * m_blinds; break;
    case 8: m_steps = (std::max(u, v) + 5) / 6; break;
    case 9: m_steps = 120; m_pause = 0; break;
    default:
        if (m_ellipses && m_pattern == 10) {
            m_steps = 120;
            m_pause = 10;
            return;
        }
        if (m_ellipses) {
            m_cols = 2 + rnd::below(10);
            m_rows = 2 + rnd::below(10);
            m_steps = std::max(u / m_cols / 4, v / m_rows / 4) + 1;
            m_pause = m_cols * m_rows > 8 ? 10 : 0;
            return;
        } m_steps = m_cols * m_rows; m_pause = 100 - 20 * r; break;
    }
}

QRegion RevealAnimation::region(int step) const
{
    const int u = m_u, v = m_v, d = 6 * step;
    QRegion region;
    switch (m_pattern) {
    case 0: region = QRegion(0, 0, d, v) + QRegion(u - d, 0, d, v); break;
    case 1:
        for (int i = 0; i < 20; ++i)
            region += QRegion(u * i / 20, 0, std::min(d, u / 20 + 1), v);
        break;
    case 2: region = QRegion(0, 0, d, v) + QRegion(u / 2, 0, d, v); break;
    case 3: region = QRegion(0, 0, d, v); break;
    case 4: region = QRegion(0, 0, u, d); break;
    case 5: region = QRegion(0, 0, u, d) + QRegion(0, v - d, u, d); break;
    case 6: region = QRegion(0, 0, u, d) + QRegion(0, v / 2, u, d); break;
    case 7:
        for (int i = 0; i < m_blinds; ++i)
            region += QRegion(0, v * i / m_blinds, u, std::min(d, v / m_blinds + 1));
        break;
    case 8: region = QRegion(u / 2 - d / 2, v / 2 - d / 2, d, d); break;
    case 9: {
        const int e = 4 * step;
        region = QRegion(u / 2 - e, v / 2 - e, 2 * e, 2 * e, QRegion::Ellipse);
        break;
    }
    default:
        if (m_ellipses) {
            // One ellipse per cell (four quarters for pattern 10), each around its cell's centre.
            const int e = m_pattern == 10 ? 2 * step : 4 * step;
            const int cols = m_pattern == 10 ? 2 : m_cols, rows = m_pattern == 10 ? 2 : m_rows;
            for (int c = 0; c < cols; ++c)
                for (int r = 0; r < rows; ++r) {
                    const int cx = u * (2 * c + 1) / (2 * cols), cy = v * (2 * r + 1) / (2 * rows);
                    region += QRegion(cx - e, cy - e, 2 * e, 2 * e, QRegion::Ellipse);
                }
            break;
        }
        for (int i = 0; i < std::min(step, int(m_tiles.size())); ++i) {
            const int tile = m_tiles[size_t(i)];
            const int x0 = u * (tile % m_cols) / m_cols, x1 = u * (tile % m_cols + 1) / m_cols;
            const int y0 = v * (tile / m_cols) / m_rows, y1 = v * (tile / m_cols + 1) / m_rows;
            region += QRegion(x0, y0, x1 - x0, y1 - y0);
        }
        break;
    }
    return region.intersected(QRect(0, 0, u, v));
}

} // namespace exercise
