#include "media/skin/Frames.h"

#include "core/FileSystem.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <vector>

using picture::Colour;
using picture::MixColour;

namespace {

constexpr Colour kWhite = 0x00FFFFFF;
constexpr Colour kBlack = 0;
// A white button needs a key that is not white, or it would vanish.
constexpr Colour kWhiteButtonKey = 0x00E0E0E0;

void ensureRgb(QImage& img)
{
    if (img.format() != QImage::Format_RGB32 && img.format() != QImage::Format_ARGB32)
        img = img.convertToFormat(QImage::Format_RGB32);
}

Colour pixelAt(const QImage& img, int x, int y)
{
    return picture::fromQColor(QColor(img.pixel(x, y)));
}

void setPixel(QImage& img, int x, int y, Colour c)
{
    const QRgb old = img.pixel(x, y);
    img.setPixel(x, y, qRgba(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, qAlpha(old)));
}

void darken(QImage& img, int x, int y, int m)
{
    if (m <= 0 || x < 0 || y < 0 || x >= img.width() || y >= img.height())
        return;
    setPixel(img, x, y, MixColour(pixelAt(img, x, y), kBlack, 100 - std::min(m, 100)));
}

void lighten(QImage& img, int x, int y, int m)
{
    if (m <= 0 || x < 0 || y < 0 || x >= img.width() || y >= img.height())
        return;
    setPixel(img, x, y, MixColour(pixelAt(img, x, y), kWhite, 100 - std::min(m, 100)));
}

int lineShade(int k, int n) { return std::max(0, 80 - (k + 1) * (100 / n)); }

void outline(QImage& img, int l, int t, int r, int b, Colour c)  // inclusive edges
{
    const QColor q = picture::toQColor(c);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(q);
    if (r < l || b < t)
        return;
    p.drawRect(QRect(QPoint(l, t), QPoint(r, t)));
    p.drawRect(QRect(QPoint(l, b), QPoint(r, b)));
    p.drawRect(QRect(QPoint(l, t), QPoint(l, b)));
    p.drawRect(QRect(QPoint(r, t), QPoint(r, b)));
}

} // namespace

Colour RoundButtonKey(Colour colour) { return (colour & 0xFFFFFF) == kWhite ? kWhiteButtonKey : kWhite; }

void DrawRoundButton(picture::Target& target, int W, int H, Colour colour)
{
    const Colour key = RoundButtonKey(colour);
    target.image = picture::NewBitmap(W, H, key);
    target.transparent = true;
    if (W <= 0 || H <= 0)
        return;
    {
        QPainter p(&target.image);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(picture::toQColor(colour));
        const double radius = W / 5;
        p.drawRoundedRect(QRectF(0, 0, W - 1, H - 1), radius, radius);
    }
    const Colour highlight = (colour & 0xFFFFFF) == kWhite ? key : kWhite;
    int k = 1;
    for (int d = W - 1; d >= 0; --d) {
        for (int x = 0; x <= d && x < W; ++x) {
            const int y = d - x;
            if (y >= H)
                continue;
            const Colour px = pixelAt(target.image, x, y);
            if (px != key)
                setPixel(target.image, x, y, MixColour(px, highlight, 100 - k));
        }
        if (W <= 30)
            k += 2;
        else if (W < 50)
            k += d % 2 == 0 ? 2 : 1;
        else if (W <= 80)
            k += 1;
        else if (d % 3 != 0)
            k += 1;
        k = std::min(k, 100);
    }
}

picture::Target DrawRoundButton(int width, int height, Colour colour)
{
    picture::Target t;
    DrawRoundButton(t, width, height, colour);
    return t;
}

void DrawSoundButton(picture::Target& target, int s, Colour colour, const QString& pictureFile)
{
    DrawRoundButton(target, s, s, colour);
    if (s <= 0)
        return;
    if (!pictureFile.isEmpty() && fsys::fileExists(pictureFile)) {
        picture::Target pic(s, s, kWhite);
        picture::DrawPictureFitted(pic, pictureFile, kWhite, 80, true, true, true);
        pic.transparent = true;
        const QImage shown = picture::ShownImage(pic);
        QPainter p(&target.image);
        p.drawImage(0, 0, shown);
    }
    // Soften hard horizontal edges (the picture's outline) away from the button's border.
    for (int y = 10; y + 1 <= s - 11; ++y)
        for (int x = 10; x <= s - 11; ++x) {
            const Colour a = pixelAt(target.image, x, y), b = pixelAt(target.image, x, y + 1);
            if (std::abs(a - b) > 100)
                setPixel(target.image, x, y, MixColour(a, b, 50));
        }
}

void DrawShadowFrame(QImage& canvas, const QRect& rect, int n)
{
    if (canvas.isNull() || rect.isEmpty())
        return;
    ensureRgb(canvas);
    const int L = rect.x(), T = rect.y(), R = rect.x() + rect.width(), B = rect.y() + rect.height();
    const int sx = std::clamp(L + 10, 0, canvas.width() - 1), sy = std::clamp(B - 10, 0, canvas.height() - 1);
    const Colour line = MixColour(pixelAt(canvas, sx, sy), kBlack, 80);
    outline(canvas, L + 1, T + 1, R - 2, B - 2, line);
    if (n <= 0)
        return;
    const int step = 100 / n;
    for (int k = 0; k < n; ++k) {
        const int m = std::max(0, 80 - (k + 1) * step);
        for (int y = T + n; y < B; ++y)
            darken(canvas, R + k, y, m);
        for (int x = L + n; x < R; ++x)
            darken(canvas, x, B + k, m);
        for (int j = 0; j < n; ++j)  // the square beyond the bottom-right corner
            darken(canvas, R + k, B + j, std::max(0, 80 - (std::max(k, j) + 1) * step));
        for (int j = 1; j <= n; ++j) {
            darken(canvas, R + k, T + n - j, std::max(0, 80 - (k + j + 1) * step));
            darken(canvas, L + n - j, B + k, std::max(1, 80 - (k + j + 1) * step));
        }
    }
}

void DrawEmbossFrame(QImage& canvas, const QRect& rect, int n, bool shadowStyle)
{
    if (shadowStyle) {
        DrawShadowFrame(canvas, rect, n);
        return;
    }
    if (canvas.isNull() || rect.isEmpty() || n <= 0)
        return;
    ensureRgb(canvas);
    const int L = rect.x(), T = rect.y(), R = rect.x() + rect.width(), B = rect.y() + rect.height();
    for (int k = 0; k < n; ++k) {
        const int m = lineShade(k, n);
        const int l = L - 1 - k, t = T - 1 - k, r = R + k, b = B + k;  // ring k, inclusive
        for (int x = l; x < r; ++x)
            darken(canvas, x, t, m);
        for (int y = t + 1; y < b; ++y)
            darken(canvas, l, y, m);
        for (int x = l; x <= r; ++x)
            lighten(canvas, x, b, m);
        for (int y = t; y < b; ++y)
            lighten(canvas, r, y, m);
    }
}

void DrawCardFrame(QImage& canvas, const QRect& rect, int n, const QImage* background, const QRect& backgroundRect,
                   int r, bool plainBackground, bool shadowRightBottom, Colour brushColour)
{
    if (canvas.isNull() || rect.isEmpty())
        return;
    ensureRgb(canvas);
    {
        QPainter p(&canvas);
        if (plainBackground || !background || background->isNull())
            p.fillRect(rect, picture::toQColor(brushColour < 0 ? kWhite : brushColour));
        else
            p.drawImage(rect.topLeft(), *background, backgroundRect.isEmpty() ? rect : QRect(backgroundRect.topLeft(), rect.size()));
    }
    n = std::max(0, n);
    QRect card = shadowRightBottom ? rect.adjusted(n, n, -n, -n)
                                   : rect.adjusted(n + 2, n + 2, -(n + 2), -(n + 2)).translated(n / 2, n / 2);
    if (card.width() <= 0 || card.height() <= 0)
        return;
    const int L = card.x(), T = card.y(), R = L + card.width() - 1, B = T + card.height() - 1;  // inclusive
    r = std::clamp(r, 0, std::min(card.width(), card.height()) / 2);
    auto inside = [&](int x, int y) {
        return x >= L && x <= R && y >= T && y <= B && (x - L) + (y - T) >= r && (R - x) + (y - T) >= r
               && (x - L) + (B - y) >= r && (R - x) + (B - y) >= r;
    };
    if (n > 0) {
        // Line k of the shadow: pixels reached when the card is pushed k + 1 pixels toward the shadow side.
        const int dir = shadowRightBottom ? 1 : -1;
        const QRect area = card.adjusted(-n, -n, n, n).intersected(canvas.rect());
        const int aw = area.width(), ah = area.height();
        if (aw > 0 && ah > 0) {
            std::vector<int> level(size_t(aw) * ah, -1);
            auto at = [&](int x, int y) -> int& { return level[size_t(y - area.y()) * aw + (x - area.x())]; };
            // Line k of the shadow holds the pixels first reached after k pushes: one more than the
            // nearest of the three pixels behind them toward the card. Walking away from the card,
            // those three are always known, so one pass finds every line.
            const int y0 = dir > 0 ? area.y() : area.y() + ah - 1, y1 = dir > 0 ? area.y() + ah : area.y() - 1;
            const int x0 = dir > 0 ? area.x() : area.x() + aw - 1, x1 = dir > 0 ? area.x() + aw : area.x() - 1;
            for (int y = y0; y != y1; y += dir)
                for (int x = x0; x != x1; x += dir) {
                    if (inside(x, y)) {
                        at(x, y) = 0;
                        continue;
                    }
                    int nearest = -1;
                    for (const auto& [qx, qy] : {std::pair{x - dir, y}, std::pair{x, y - dir}, std::pair{x - dir, y - dir}}) {
                        if (!area.contains(qx, qy))
                            continue;
                        const int l = at(qx, qy);
                        if (l >= 0 && (nearest < 0 || l < nearest))
                            nearest = l;
                    }
                    if (nearest >= 0 && nearest < n) {
                        at(x, y) = nearest + 1;
                        darken(canvas, x, y, lineShade(nearest, n));
                    }
                }
        }
    }
    QPolygon octagon;
    octagon << QPoint(L + r, T) << QPoint(R - r, T) << QPoint(R, T + r) << QPoint(R, B - r) << QPoint(R - r, B)
            << QPoint(L + r, B) << QPoint(L, B - r) << QPoint(L, T + r);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(picture::toQColor(MixColour(brushColour < 0 ? kWhite : brushColour, kBlack, 50)), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(octagon);
}

void DrawCardFrame(picture::Target& canvas, const QRect& rect, int depth, const QImage* background,
                   const QRect& backgroundRect, int cornerCut, bool plainBackground, bool shadowRightBottom)
{
    DrawCardFrame(canvas.image, rect, depth, background, backgroundRect, cornerCut, plainBackground,
                  shadowRightBottom, canvas.brushColour);
}

void DrawBevelFrame(QImage& canvas, const QRect& rect, Colour colour, int w, bool raised)
{
    if (canvas.isNull() || rect.isEmpty())
        return;
    ensureRgb(canvas);
    if (w <= 0) {
        QPainter p(&canvas);
        p.fillRect(rect, picture::toQColor(colour));
        return;
    }
    const Colour light = MixColour(colour, kWhite, 50), dark = MixColour(colour, kBlack, 50);
    const Colour topLeft = raised ? light : dark, bottomRight = raised ? dark : light;
    int l = rect.x(), t = rect.y(), r = rect.x() + rect.width() - 1, b = rect.y() + rect.height() - 1;
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, false);
    auto hline = [&](int x0, int x1, int y, Colour c) {
        if (x1 >= x0)
            p.fillRect(QRect(QPoint(x0, y), QPoint(x1, y)), picture::toQColor(c));
    };
    auto vline = [&](int x, int y0, int y1, Colour c) {
        if (y1 >= y0)
            p.fillRect(QRect(QPoint(x, y0), QPoint(x, y1)), picture::toQColor(c));
    };
    for (int step = 0; step < w && l <= r && t <= b; ++step) {
        // Two outlines in the colour, then a light and a dark edge line, each one pixel further in.
        for (int i = 0; i < 2 && l <= r && t <= b; ++i) {
            hline(l, r, t, colour);
            hline(l, r, b, colour);
            vline(l, t, b, colour);
            vline(r, t, b, colour);
            ++l, ++t, --r, --b;
        }
        if (l > r || t > b)
            break;
        hline(l, r, t, topLeft);
        vline(l, t, b, topLeft);
        hline(l, r, b, bottomRight);
        vline(r, t + 1, b, bottomRight);
        ++l, ++t, --r, --b;
    }
}
