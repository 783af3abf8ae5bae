#pragma once
#include <QRegion>
#include <QSize>
#include <vector>

namespace exercise {
// The reveal of a new card back: one of eleven patterns (0..10) uncovers the card step by step,
// 6 pixels a step, with a pause after each step. The caller draws the new back through region(s)
// over the old screen, waits pauseMs() and stops early when its window closes.
//  0 two vertical strips from the left and right edges toward the middle
//  1 20 vertical blinds growing to the right (40 ms)
//  2 two left-to-right wipes, from the left edge and from the middle
//  3 one left-to-right wipe          4 one top-to-bottom wipe
//  5 from the top and the bottom toward the middle
//  6 two top-to-bottom wipes, from the top and from the middle
//  7 4 to 13 horizontal blinds growing downwards (2 x blinds ms)
//  8 a centred square growing until it covers the card
//  9 a circle around the centre growing by 4 pixels a step for 120 steps (no pause)
// 10 tiles of (r + 5) x (r + 3), r 0..4, uncovered one by one at random (100 - 20 r ms)
// The single-card set replaces 10 and adds 11:
// 10 four ellipses around the centres of the quarters, 2 pixels a step for 120 steps (10 ms)
// 11 a grid of c x r ellipses (c, r 2..11) growing from the cells' centres (10 ms when c r > 8)
enum class RevealSet { TwoCards, OneCard };

class RevealAnimation
{
public:
    // pattern < 0: one at random.
    RevealAnimation(int pattern, QSize card, RevealSet set = RevealSet::TwoCards);
    int pattern() const { return m_pattern; }
    int steps() const { return m_steps; }
    int pauseMs() const { return m_pause; }
    // The uncovered part after `step` steps (1 .. steps()), in card coordinates.
    QRegion region(int step) const;

private:
    int m_pattern = 0, m_steps = 0, m_pause = 1;
    int m_u = 0, m_v = 0;
    bool m_ellipses = false;
    int m_blinds = 4, m_cols = 5, m_rows = 3;
    std::vector<int> m_tiles;
};
}
