#include "exercises/Merkfaehigkeit/MerkLayout.h"

#include <algorithm>

namespace merk {

namespace {

void gridOf(int n, int& rows, int& cols)
{
    switch (n) {
    case 1: rows = 1; cols = 1; break;
    case 2: rows = 1; cols = 2; break;
    case 4: rows = 2; cols = 2; break;
    case 6: rows = 2; cols = 3; break;
    case 9: rows = 3; cols = 3; break;
    default: rows = (n + 2) / 3; cols = 3; break;
    }
}

void slotGrid(int m, int& rows, int& cols)
{
    if (m <= 3) { rows = std::max(1, m); cols = 1; }
    else if (m == 4) { rows = 2; cols = 2; }
    else if (m <= 6) { rows = 3; cols = 2; }
    else if (m <= 8) { rows = 4; cols = 2; }
    else if (m <= 10) { rows = 5; cols = 2; }
    else { rows = 4; cols = 3; }
}

} // namespace

Layout ComputeLayout(const LayoutInput& in)
{
    Layout out;
    const int w = in.client.width(), h = in.client.height();
    const int barTop = h - in.barHeight;
    out.stripAtTop = in.pictures && h > 0 && w * 10 <= in.screenFactor * h;
    if (out.stripAtTop) {
        out.symbolSize = kBandHeight;
        out.strip = QRect(0, 0, w, kBandHeight);
    } else {
        out.symbolSize = std::max(8, barTop / 18);
        out.strip = QRect(0, 0, out.symbolSize + 24, barTop);
    }
    const int top = out.stripAtTop ? kBandHeight : 0;
    const int left = out.stripAtTop ? 0 : out.strip.width();
    const int hh = barTop - top;  // H
    const int n = std::max(1, in.cards);
    if (!in.pictures) {
        const int ww = w / 2 - left;
        const int cw = std::max(10, ww - 2 * kMargin);
        int ch = (hh - (n + 1) * kMargin) / n;
        ch = std::max(8, std::min({ch, (hh - 7 * kMargin) / 6, cw}));
        out.area = QRect(left, top, ww, hh);
        const int total = n * ch + (n - 1) * kMargin;
        const int y0 = top + (hh - total) / 2;
        const int x0 = left + (ww - cw) / 2;
        const int margin = x0 - left;
        for (int i = 0; i < n; ++i) {
            QRect card(x0, y0 + i * (ch + kMargin), cw, ch);
            QRect field(w - margin - cw, card.y(), cw, ch);
            if (in.textWidth > 0 && in.textWidth < w / 4) {
                card = QRect(card.center().x() - w / 8, card.y(), w / 4, ch);
                field = QRect(field.center().x() - w / 8, field.y(), w / 4, ch);
            }
            card.translate(margin / 2, 0);
            field.translate(-margin / 2, 0);
            out.homes.push_back(card);
            if (i < in.span)
                out.fields.push_back(field);
        }
        // Fewer fields than cards: the topmost ones, moved as a group to the middle.
        if (in.span < n && !out.fields.empty()) {
            const int used = int(out.fields.size()) * ch + (int(out.fields.size()) - 1) * kMargin;
            const int shift = top + (hh - used) / 2 - out.fields.front().y();
            for (QRect& f : out.fields)
                f.translate(0, shift);
        }
        return out;
    }
    const int ww = w * 2 / 3 - left;
    int rows = 1, cols = 1;
    gridOf(n, rows, cols);
    const int cw = std::max(10, n <= 4 ? (ww - 60) / 2 : (ww - 60) / 3);
    int ch = (hh - (rows + 1) * kMargin) / rows;
    ch = std::max(8, std::min({ch, (hh - 60) / 2, cw}));
    out.area = QRect(left, top, ww, hh);
    const int gridW = cols * cw + (cols - 1) * kMargin;
    const int gridH = rows * ch + (rows - 1) * kMargin;
    const int x0 = left + (ww - gridW) / 2, y0 = top + (hh - gridH) / 2;
    for (int i = 0; i < n; ++i)
        out.homes.push_back(QRect(x0 + (i % cols) * (cw + kMargin), y0 + (i / cols) * (ch + kMargin), cw, ch));
    out.answerCard = QRect(QPoint(ww + kMargin + left, top + kMargin), QPoint(w - kMargin - 1, barTop - kMargin - 1));
    return out;
}

std::vector<QRect> PictureSlots(const QRect& answerCard, int span)
{
    std::vector<QRect> result;
    if (span < 1)
        return result;
    // The card's top band is left free for its heading ("Was hast du gehört?").
    const QRect inner = answerCard.adjusted(30, std::max(30, answerCard.height() * kHeadingBandPercent / 100), -30, -30);
    int rows = 1, cols = 1;
    slotGrid(span, rows, cols);
    constexpr int gap = 20;
    int sw = (inner.width() - (cols - 1) * gap) / cols;
    int sh = (inner.height() - (rows - 1) * gap) / rows;
    if (span >= 3)
        sh = std::min(sh, inner.height() / 3);
    // 4 wide by 3 high.
    if (sw * 3 > sh * 4)
        sw = sh * 4 / 3;
    else
        sh = sw * 3 / 4;
    // Many rows never run out of the card: the whole block shrinks to the room there is.
    if (rows * sh + (rows - 1) * gap > inner.height()) {
        sh = (inner.height() - (rows - 1) * gap) / rows;
        sw = sh * 4 / 3;
    }
    sw = std::max(4, sw);
    sh = std::max(3, sh);
    const int blockW = cols * sw + (cols - 1) * gap, blockH = rows * sh + (rows - 1) * gap;
    const int x0 = inner.x() + (inner.width() - blockW) / 2, y0 = inner.y() + (inner.height() - blockH) / 2;
    for (int k = 0; k < span; ++k)
        result.push_back(QRect(x0 + (k % cols) * (sw + gap), y0 + (k / cols) * (sh + gap), sw, sh));
    return result;
}

} // namespace merk
