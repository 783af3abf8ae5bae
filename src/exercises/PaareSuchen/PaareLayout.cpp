#include "exercises/PaareSuchen/PaareLayout.h"

#include "exercises/PaareSuchen/PaareRules.h"
#include "media/picture/Picture.h"

#include <QFontMetrics>
#include <algorithm>

namespace paare {

Grid ComputeGrid(int w, int b, int n)
{
    Grid g;
    g.count = n;
    g.columns = ColumnsOf(n);
    if (g.columns == 0)
        return g;
    const int c = g.columns;
    g.side = std::max(1, std::min({w / 4, (w - 2 * (c + 1)) / c, (b - 8) / 3}));
    const int s = g.side;
    g.x0 = (w - c * s - 2 * (c - 1)) / 2;
    g.y0 = (b - 3 * s - 4) / 2;
    g.x1 = (w - 4 * s - 6) / 2;
    return g;
}

QRect Grid::place(int p) const
{
    if (columns == 0 || p < 0 || p >= count)
        return QRect();
    const int r = p / columns, j = p % columns;
    return QRect(x0 + j * (side + 2), y0 + (r + 1) * (side + 2), side, side);
}

QRect Grid::slot(int k) const
{
    if (columns == 0 || k < 1 || k > 4)
        return QRect();
    return QRect(x1 + (k - 1) * (side + 2), y0, side, side);
}

QRect Grid::position(int pos) const { return pos < count ? place(pos) : slot(pos - count + 1); }

int Grid::placeAt(const QPoint& pt) const
{
    for (int p = 0; p < count; ++p)
        if (place(p).contains(pt))
            return p;
    return -1;
}

int Grid::slotAt(const QPoint& pt) const
{
    for (int k = 1; k <= 4; ++k)
        if (slot(k).contains(pt))
            return k;
    return 0;
}

QRect ContentRect(int look, int s)
{
    switch (look) {
    case kBlank: return QRect(14, 14, s - 28, s - 28);
    case kFace: return QRect(10, 10, s - 20, s - 20);
    default: return QRect(20, 20, s - 30, s - 30);
    }
}

int CardFontSize(const QStringList& texts, int side, bool underPicture, const QFont& font)
{
    QString widest;
    const QFontMetrics fm(font);
    for (const QString& t : texts)
        if (fm.horizontalAdvance(t) > fm.horizontalAdvance(widest))
            widest = t;
    if (widest.isEmpty())
        return std::max(1, font.pointSize());
    const int height = underPicture ? side / 4 : side;
    return std::max(1, picture::FitFontSize(height, side - 30, widest, 90, font));
}

QRect ButtonPlace(int barWidth, int barHeight)
{
    const int h = barHeight - 2;
    const int w = qRound(h * 1.3046875);
    return QRect((barWidth - w) / 2, 1, w, h);
}

} // namespace paare
