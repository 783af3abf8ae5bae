#include "media/picture/Picture.h"
#include "media/skin/Frames.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <map>

using picture::Colour;
using picture::MixColour;

namespace {
Colour at(const QImage& img, int x, int y) { return picture::fromQColor(QColor(img.pixel(x, y))); }
Colour grey(int v) { return Colour(v | (v << 8) | (v << 16)); }
} // namespace

TEST(SkinFrame, ShadowFramePixels)
{
    QImage canvas = picture::NewBitmap(200, 160, 0xFFFFFF);
    DrawShadowFrame(canvas, QRect(20, 20, 100, 80), 10);  // right edge 120, bottom 100
    const struct { int x, y, value; } cases[] = {
        {21, 21, 204},   // outline: 80 % of the white at (30, 90)
        {118, 60, 204},  // outline's right side
        {20, 20, 255},   // the outline lies one pixel inside
        {60, 60, 255},   // inside untouched
        {120, 60, 76},   // line 0: 70 % darker, 76.5 rounded to even
        {125, 60, 204},  // line 5: 20 %
        {129, 60, 255},  // line 9: nothing left
        {60, 100, 76},   // bottom line 0
        {60, 103, 153},  // bottom line 3: 40 %
        {120, 29, 102},  // top-right corner, one step up: 60 %
        {120, 20, 255},  // ... faded out at the top
        {20, 100, 252},  // bottom-left corner keeps at least 1 %
        {29, 100, 102},  // bottom-left corner, one step in
        {120, 100, 76},  // the square beyond the corner continues line 0
        {130, 60, 255},  // beyond the shadow
    };
    for (const auto& c : cases)
        EXPECT_EQ(at(canvas, c.x, c.y), grey(c.value)) << c.x << "," << c.y;
}

TEST(SkinFrame, EmbossDarkensTopLeftAndLightensBottomRight)
{
    QImage canvas = picture::NewBitmap(100, 100, grey(100));
    DrawEmbossFrame(canvas, QRect(30, 30, 40, 40), 5, false);  // step 20: lines 60, 40, 20, 0 %
    const struct { int x, y, value; } cases[] = {
        {50, 29, 40},   // above: 60 % darker
        {29, 50, 40},   // left
        {50, 27, 80},   // third line above: 20 %
        {50, 25, 100},  // outside the frame
        {50, 70, 193},  // below: 60 % lighter (100 + 0.6 * 155)
        {70, 50, 193},  // right
        {50, 50, 100},  // inside untouched
    };
    for (const auto& c : cases)
        EXPECT_EQ(at(canvas, c.x, c.y), grey(c.value)) << c.x << "," << c.y;

    QImage a = picture::NewBitmap(100, 100, grey(100)), b = a;
    DrawEmbossFrame(a, QRect(30, 30, 40, 40), 5, true);
    DrawShadowFrame(b, QRect(30, 30, 40, 40), 5);
    EXPECT_EQ(a, b) << "the shadow style is the shadow frame";
}

TEST(SkinFrame, CardFrameOutlineCornersAndShadowSide)
{
    const Colour brush = grey(200);
    for (const bool rightBottom : {true, false}) {
        QImage canvas = picture::NewBitmap(200, 200, 0x0000FF);
        DrawCardFrame(canvas, QRect(20, 20, 120, 100), 10, nullptr, QRect(), 6, true, rightBottom, brush);
        // Right-bottom style: card (30, 30)-(129, 109). Other style: shrunk by 12, moved by 5: (37, 37)-(132, 112).
        const int L = rightBottom ? 30 : 37, T = L, R = rightBottom ? 129 : 132, B = rightBottom ? 109 : 112;
        SCOPED_TRACE(rightBottom ? "right-bottom" : "top-left");
        EXPECT_EQ(at(canvas, 5, 5), 0x0000FFu) << "outside the rectangle nothing changes";
        EXPECT_EQ(at(canvas, (L + R) / 2, T), MixColour(brush, 0, 50)) << "outline";
        EXPECT_EQ(at(canvas, L, (T + B) / 2), MixColour(brush, 0, 50));
        EXPECT_EQ(at(canvas, (L + R) / 2, (T + B) / 2), brush) << "inside";
        // The corner away from the shadow is cut off: the outline crosses the diagonal.
        const int cx = rightBottom ? L : R, cy = rightBottom ? T : B, sx = rightBottom ? 1 : -1;
        EXPECT_EQ(at(canvas, cx, cy), brush);
        EXPECT_EQ(at(canvas, cx + 3 * sx, cy + 3 * sx), MixColour(brush, 0, 50));
        const int mid = (T + B) / 2;
        if (rightBottom) {
            EXPECT_EQ(at(canvas, R + 1, mid), MixColour(brush, 0, 30)) << "line 0 on the right: 70 %";
            EXPECT_EQ(at(canvas, (L + R) / 2, B + 1), MixColour(brush, 0, 30));
            EXPECT_EQ(at(canvas, L - 1, mid), brush) << "no shadow on the left";
        } else {
            EXPECT_EQ(at(canvas, L - 1, mid), MixColour(brush, 0, 30)) << "line 0 on the left";
            EXPECT_EQ(at(canvas, (L + R) / 2, T - 1), MixColour(brush, 0, 30));
            EXPECT_EQ(at(canvas, R + 1, mid), brush) << "no shadow on the right";
        }
    }
}

TEST(SkinFrame, CardFrameOverBackgroundDarkensItsPixels)
{
    QImage background = picture::NewBitmap(300, 300, 0x00FF00);
    for (int y = 0; y < 300; ++y)
        background.setPixel(0, y, qRgb(0, 0, 255));
    QImage canvas = picture::NewBitmap(200, 200, 0xFFFFFF);
    // Takes the background's part at (50, 50) into the rectangle at (20, 20).
    DrawCardFrame(canvas, QRect(20, 20, 100, 100), 10, &background, QRect(50, 50, 100, 100), 4, false, true, grey(200));
    EXPECT_EQ(at(canvas, 21, 21), 0x00FF00u) << "the background, not the brush";
    EXPECT_EQ(at(canvas, 110, 60), MixColour(0x00FF00, 0, 30)) << "the shadow darkens the background";
    EXPECT_EQ(at(canvas, 150, 60), 0xFFFFFFu);
}

TEST(SkinFrame, BevelFrame)
{
    const Colour c = 0x406080;
    const Colour light = MixColour(c, 0xFFFFFF, 50), dark = MixColour(c, 0, 50);
    for (const bool raised : {true, false}) {
        QImage canvas = picture::NewBitmap(50, 50, 0xFFFFFF);
        DrawBevelFrame(canvas, QRect(10, 10, 30, 30), c, 1, raised);
        EXPECT_EQ(at(canvas, 20, 10), c);
        EXPECT_EQ(at(canvas, 20, 11), c) << "two outlines in the colour";
        EXPECT_EQ(at(canvas, 20, 12), raised ? light : dark) << "top edge";
        EXPECT_EQ(at(canvas, 12, 20), raised ? light : dark) << "left edge";
        EXPECT_EQ(at(canvas, 20, 37), raised ? dark : light) << "bottom edge";
        EXPECT_EQ(at(canvas, 37, 20), raised ? dark : light) << "right edge";
        EXPECT_EQ(at(canvas, 20, 20), 0xFFFFFFu) << "the inside stays";
        EXPECT_EQ(at(canvas, 9, 9), 0xFFFFFFu);
    }
    QImage canvas = picture::NewBitmap(50, 50, 0xFFFFFF);
    DrawBevelFrame(canvas, QRect(10, 10, 30, 30), c, 0, true);
    EXPECT_EQ(at(canvas, 25, 25), c) << "width 0 fills";
    EXPECT_EQ(at(canvas, 5, 5), 0xFFFFFFu);
}

TEST(SkinFrame, RoundButtonHighlightFollowsTheDiagonals)
{
    const Colour c = 0x2040C0;
    // The pixel (p, p) lies on diagonal 2p; k there counts the growth steps from diagonal W - 1.
    const struct { int width, p, k; } cases[] = {
        {20, 5, 19},    // k += 2
        {40, 10, 29},   // 30 < W < 50: +2 on even, +1 on odd diagonals
        {60, 15, 30},   // k += 1
        {100, 30, 27},  // W > 80: no step on multiples of 3
        {100, 10, 53},
    };
    for (const auto& cs : cases) {
        const picture::Target t = DrawRoundButton(cs.width, cs.width, c);
        SCOPED_TRACE(cs.width);
        EXPECT_TRUE(t.transparent);
        EXPECT_EQ(at(t.image, cs.p, cs.p), MixColour(c, 0xFFFFFF, 100 - cs.k));
        EXPECT_EQ(at(t.image, cs.width - 4, cs.width / 2), c) << "below the main diagonal the colour stays";
        EXPECT_EQ(at(t.image, 0, cs.width - 1), 0xFFFFFFu) << "the key in the bottom-left corner";
        EXPECT_EQ(qAlpha(picture::ShownImage(t).pixel(0, 0)), 0) << "corners are transparent";
    }
}

TEST(SkinFrame, WhiteRoundButtonStaysVisible)
{
    const picture::Target t = DrawRoundButton(40, 40, 0xFFFFFF);
    const Colour key = at(t.image, 0, 39);
    EXPECT_NE(key, 0xFFFFFFu);
    const QImage shown = picture::ShownImage(t);
    EXPECT_EQ(qAlpha(shown.pixel(30, 30)), 255);
    EXPECT_EQ(shown.pixel(30, 30) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(qAlpha(shown.pixel(0, 0)), 0);
    EXPECT_NE(at(t.image, 10, 10), 0xFFFFFFu) << "the highlight runs toward the key";
}

TEST(SkinFrame, SoundButtonLaysPictureOnAndSoftensItsEdge)
{
    TempTree tree;
    QImage pic(100, 100, QImage::Format_RGB32);
    pic.fill(Qt::white);
    for (int y = 40; y < 60; ++y)
        for (int x = 30; x < 70; ++x)
            pic.setPixel(x, y, qRgb(0, 0, 0));
    const QString file = tree.path("bild.bmp");
    ASSERT_TRUE(pic.save(file, "BMP"));
    const Colour c = 0x40C040;
    picture::Target t;
    DrawSoundButton(t, 100, c, file);
    ASSERT_EQ(t.image.size(), QSize(100, 100));
    // The picture at 80 % covers 10..90: the black bar spans rows 42..57.
    EXPECT_EQ(at(t.image, 50, 50), 0u);
    EXPECT_EQ(at(t.image, 85, 80), c) << "the picture's white lets the button through";
    // The row above the bar becomes the half mix of the button there and black.
    const picture::Target round = DrawRoundButton(100, 100, c);
    EXPECT_EQ(at(t.image, 50, 41), MixColour(at(round.image, 50, 41), 0, 50));
    EXPECT_EQ(at(t.image, 5, 50), at(round.image, 5, 50)) << "the border zone is not softened";
}

// The card's shadow grown layer by layer, as the look was first defined: layer k holds the pixels
// outside the card reached from layer k - 1 by one step toward the shadow side (right, down or
// both; for the other style left, up or both), layer 0 being the card.
TEST(SkinFrame, CardShadowMatchesItsLayerByLayerDefinition)
{
    struct Case { QRect rect; int depth, cut; bool rightBottom; QSize canvas; };
    const Case cases[] = {{QRect(20, 20, 120, 100), 10, 6, true, {200, 200}},
                          {QRect(20, 20, 120, 100), 10, 6, false, {200, 200}},
                          {QRect(5, 5, 60, 90), 7, 20, true, {70, 80}},   // clipped by the canvas
                          {QRect(10, 10, 40, 40), 3, 0, false, {80, 80}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        const Colour white = 0xFFFFFF;
        QImage canvas = picture::NewBitmap(c.canvas.width(), c.canvas.height(), white);
        DrawCardFrame(canvas, c.rect, c.depth, nullptr, QRect(), c.cut, true, c.rightBottom, white);
        const int n = c.depth, dir = c.rightBottom ? 1 : -1;
        const QRect card = c.rightBottom ? c.rect.adjusted(n, n, -n, -n)
                                         : c.rect.adjusted(n + 2, n + 2, -(n + 2), -(n + 2)).translated(n / 2, n / 2);
        const int L = card.x(), T = card.y(), R = card.right(), B = card.bottom();
        const int r = std::clamp(c.cut, 0, std::min(card.width(), card.height()) / 2);
        auto inside = [&](int x, int y) {
            return x >= L && x <= R && y >= T && y <= B && (x - L) + (y - T) >= r && (R - x) + (y - T) >= r &&
                   (x - L) + (B - y) >= r && (R - x) + (B - y) >= r;
        };
        const QRect area = card.adjusted(-n, -n, n, n).intersected(canvas.rect());
        std::map<std::pair<int, int>, int> level;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (inside(x, y))
                    level[{x, y}] = 0;
        for (int k = 1; k <= n; ++k) {
            std::vector<std::pair<int, int>> reached;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) {
                    if (level.count({x, y}))
                        continue;
                    for (const auto& q : {std::pair{x - dir, y}, std::pair{x, y - dir}, std::pair{x - dir, y - dir}})
                        if (auto it = level.find(q); it != level.end() && it->second < k) {
                            reached.push_back({x, y});
                            break;
                        }
                }
            for (const auto& p : reached)
                level[p] = k;
        }
        int checked = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const auto it = level.find({x, y});
                if (it == level.end() || it->second == 0)
                    continue;
                const int shade = std::max(0, 80 - it->second * (100 / n));
                ASSERT_EQ(at(canvas, x, y), shade > 0 ? MixColour(white, 0, 100 - shade) : white) << x << "," << y;
                ++checked;
            }
        EXPECT_GT(checked, 2 * n);
    }
}
