#pragma once
#include <QRect>
#include <QSize>
#include <vector>

// Where the strip, the cards, the answer card and the answer fields of "Merkfähigkeit" go, without
// widgets: the window gives its size and the bar's height.
namespace merk {

struct LayoutInput {
    QSize client;
    int barHeight = 75;
    bool pictures = true;
    int cards = 12;          // N
    int span = 3;            // M
    int screenFactor = 13;   // "Bildschirmfaktor": tenths of width / height up to which the strip lies on top
    int textWidth = 0;       // text program: width of the widest card text at the fitted size (0: unknown)
};

struct Layout {
    bool stripAtTop = false;
    QRect strip;
    int symbolSize = 0;
    QRect area;                    // where the cards lie
    std::vector<QRect> homes;      // by display position
    QRect answerCard;              // picture program
    std::vector<QRect> fields;     // text program: the M answer fields, top to bottom
};

constexpr int kMargin = 15;
constexpr int kHeadingBandPercent = 18;  // of the answer card's height, above the slots
constexpr int kBandHeight = 32;

Layout ComputeLayout(const LayoutInput& in);
// The slot rectangles of the picture program's answer card for M slots.
std::vector<QRect> PictureSlots(const QRect& answerCard, int span);

} // namespace merk
