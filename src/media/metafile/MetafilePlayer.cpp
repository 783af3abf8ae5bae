#include "media/metafile/MetafilePlayer.h"
#include "media/metafile/Dib.h"
#include "media/metafile/Metafile.h"

#include <QPainter>
#include <atomic>
#include <cmath>
#include <functional>

namespace metafile {

namespace {
std::atomic<qint64> g_largestAllocation{0};
}

qint64 largestAllocation() { return g_largestAllocation.load(); }
void resetLargestAllocation() { g_largestAllocation.store(0); }

} // namespace metafile

namespace metafile::detail {

void noteAllocation(qint64 bytes)
{
    qint64 seen = g_largestAllocation.load();
    while (bytes > seen && !g_largestAllocation.compare_exchange_weak(seen, bytes)) {
    }
}

namespace {

bool finite(const QTransform& t)
{
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) && std::isfinite(t.m22())
        && std::isfinite(t.dx()) && std::isfinite(t.dy()) && std::isfinite(t.m13()) && std::isfinite(t.m23())
        && std::isfinite(t.m33());
}

// Coordinates far outside any target are clamped so that rasterising never overflows.
constexpr double kCoordLimit = 1e6;

// Device rows per band when a buffer is laid onto the target at an angle.
constexpr int kBandRows = 64;

bool sane(const QRectF& r)
{
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

double axisScale(const QTransform& t, bool y)
{
    return y ? std::hypot(t.m21(), t.m22()) : std::hypot(t.m11(), t.m12());
}

// Continues `path` with `piece` from its current point. QPainterPath::connectPath would drop a
// pending moveTo and join the previous figure with a line.
void continuePath(QPainterPath& path, const QPainterPath& piece)
{
    if (path.elementCount() == 0 || path.currentPosition() != piece.elementAt(0))
        path.moveTo(QPointF(piece.elementAt(0).x, piece.elementAt(0).y));
    for (int i = 1; i < piece.elementCount(); ++i) {
        const QPainterPath::Element e = piece.elementAt(i);
        if (e.isMoveTo()) {
            path.moveTo(e.x, e.y);
        } else if (e.isLineTo()) {
            path.lineTo(e.x, e.y);
        } else if (e.isCurveTo() && i + 2 < piece.elementCount()) {
            const QPainterPath::Element c2 = piece.elementAt(i + 1), ep = piece.elementAt(i + 2);
            path.cubicTo(e.x, e.y, c2.x, c2.y, ep.x, ep.y);
            i += 2;
        }
    }
}

} // namespace

Player::Player(QPainter& painter, const QTransform& deviceToTarget, QSizeF pxPerMm, bool antialias)
    : m_p(painter), m_deviceToTarget(deviceToTarget), m_pxPerMm(pxPerMm), m_antialias(antialias)
{
    m_p.save();
    m_p.setRenderHint(QPainter::Antialiasing, antialias);
    m_p.setRenderHint(QPainter::TextAntialiasing, antialias);
    m_p.setRenderHint(QPainter::SmoothPixmapTransform, antialias);
    // A clip set on the painter by the caller bounds the whole picture, as a metaregion does:
    // the file's own clip records cannot widen it.
    if (m_p.hasClipping()) {
        s.hasMeta = true;
        s.meta = m_p.clipRegion() * m_p.transform();
    }
}

Player::~Player() { m_p.restore(); }

QTransform Player::pageTransform() const
{
    double sx = 1, sy = 1;
    switch (s.mapMode) {
    case 2: sx = 0.1 * m_pxPerMm.width(); sy = -0.1 * m_pxPerMm.height(); break;     // LOMETRIC
    case 3: sx = 0.01 * m_pxPerMm.width(); sy = -0.01 * m_pxPerMm.height(); break;   // HIMETRIC
    case 4: sx = 0.254 * m_pxPerMm.width(); sy = -0.254 * m_pxPerMm.height(); break; // LOENGLISH
    case 5: sx = 0.0254 * m_pxPerMm.width(); sy = -0.0254 * m_pxPerMm.height(); break; // HIENGLISH
    case 6: sx = 25.4 / 1440 * m_pxPerMm.width(); sy = -25.4 / 1440 * m_pxPerMm.height(); break; // TWIPS
    case 7:
    case 8: {
        const double we = s.winExt.width(), he = s.winExt.height();
        sx = we != 0 ? s.vpExt.width() / we : 1;
        sy = he != 0 ? s.vpExt.height() / he : 1;
        if (s.mapMode == 7 && sx != 0 && sy != 0) {
            const double m = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
        break;
    }
    default: break;
    }
    return QTransform(sx, 0, 0, sy, s.vpOrg.x() - s.winOrg.x() * sx, s.vpOrg.y() - s.winOrg.y() * sy);
}

void Player::saveDc()
{
    if (m_stack.size() < size_t(kMaxSaveDepth))
        m_stack.push_back(s);
}

void Player::restoreDc(int relative)
{
    int n = 0;
    if (relative < 0)
        n = -relative;
    else if (relative > 0)
        n = int(m_stack.size()) - relative + 1;  // absolute level
    if (n <= 0 || n > int(m_stack.size()))
        return;
    m_stack.resize(m_stack.size() - size_t(n - 1));
    s = m_stack.back();
    m_stack.pop_back();
}

QColor Player::colourRef(quint32 c) const
{
    if ((c >> 24) == 1) {
        const int i = int(c & 0xFFFF);
        return i < palette.size() ? palette[i] : QColor(Qt::black);
    }
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QRegion Player::universe() const
{
    const QPaintDevice* d = m_p.device();
    return QRegion(-4, -4, (d ? d->width() : 0) + 8, (d ? d->height() : 0) + 8);
}

QRegion Player::pathToTarget(const QPainterPath& logicalPath) const
{
    const QTransform t = logicalToTarget();
    if (!finite(t))
        return QRegion();
    QRegion out;
    const QRectF u = universe().boundingRect();
    // Region unions cost time with every polygon; clip paths with thousands of figures are cut short.
    QPainterPath limited;
    if (logicalPath.elementCount() > 4 * kMaxRegionRects) {
        for (int i = 0; i < 4 * kMaxRegionRects; ++i) {
            const QPainterPath::Element e = logicalPath.elementAt(i);
            if (e.isMoveTo())
                limited.moveTo(e.x, e.y);
            else
                limited.lineTo(e.x, e.y);
        }
        limited.setFillRule(logicalPath.fillRule());
    }
    const QPainterPath& source = limited.isEmpty() ? logicalPath : limited;
    for (const QPolygonF& poly : source.toFillPolygons(t)) {
        QPolygon ip;
        ip.reserve(poly.size());
        for (const QPointF& q : poly)
            ip << QPoint(int(std::clamp(q.x(), u.left() - 1.0, u.right() + 1.0)),
                         int(std::clamp(q.y(), u.top() - 1.0, u.bottom() + 1.0)));
        out = out.united(QRegion(ip, logicalPath.fillRule()));
    }
    return out;
}

QRegion Player::logicalRegionToTarget(const QRegion& r) const
{
    QPainterPath path;
    int n = 0;
    for (const QRect& rc : r) {
        if (++n > kMaxRegionRects)
            break;
        path.addRect(QRectF(rc));
    }
    return pathToTarget(path);
}

QRegion Player::deviceRegionToTarget(const QVector<QRectF>& rects) const
{
    QRegion out;
    const QRegion u = universe();
    for (const QRectF& rc : rects) {
        const QRectF m = m_deviceToTarget.mapRect(rc);
        if (!sane(m))
            continue;
        const QRectF cl = m.intersected(u.boundingRect());
        if (!cl.isEmpty())
            out += cl.toAlignedRect();
    }
    return out;
}

void Player::intersectClipRect(const QRectF& r)
{
    QPainterPath p;
    p.addRect(r.normalized());
    const QRegion reg = pathToTarget(p);
    s.clip = s.hasClip ? s.clip.intersected(reg) : reg;
    s.hasClip = true;
}

void Player::excludeClipRect(const QRectF& r)
{
    QPainterPath p;
    p.addRect(r.normalized());
    const QRegion reg = pathToTarget(p);
    s.clip = (s.hasClip ? s.clip : universe()).subtracted(reg);
    s.hasClip = true;
}

void Player::selectClip(const QRegion& reg, int mode)
{
    const QRegion cur = s.hasClip ? s.clip : universe();
    switch (mode) {
    case 1: s.clip = cur.intersected(reg); break;   // RGN_AND
    case 2: s.clip = cur.united(reg); break;        // RGN_OR
    case 3: s.clip = cur.xored(reg); break;         // RGN_XOR
    case 4: s.clip = cur.subtracted(reg); break;    // RGN_DIFF
    default: s.clip = reg; break;                   // RGN_COPY
    }
    s.hasClip = true;
}

void Player::offsetClip(QPointF logical)
{
    if (!s.hasClip)
        return;
    const QTransform t = logicalToTarget();
    const QPointF d = t.map(logical) - t.map(QPointF(0, 0));
    if (std::isfinite(d.x()) && std::isfinite(d.y()) && std::abs(d.x()) < kCoordLimit && std::abs(d.y()) < kCoordLimit)
        s.clip.translate(int(std::lround(d.x())), int(std::lround(d.y())));
}

void Player::setMetaRegion()
{
    if (s.hasClip) {
        s.meta = s.hasMeta ? s.meta.intersected(s.clip) : s.clip;
        s.hasMeta = true;
    }
    s.hasClip = false;
    s.clip = QRegion();
}

bool Player::activeClip(QRegion& out) const
{
    if (s.hasClip && s.hasMeta)
        out = s.clip.intersected(s.meta);
    else if (s.hasClip)
        out = s.clip;
    else if (s.hasMeta)
        out = s.meta;
    return s.hasClip || s.hasMeta;
}

void Player::applyClip()
{
    // The clip is set in device pixels; later changes of the painter's transform leave it there.
    m_p.setTransform(QTransform());
    QRegion clip;
    if (activeClip(clip))
        m_p.setClipRegion(clip);
    else
        m_p.setClipping(false);
}

bool Player::drawTurned(const QFontMetricsF& fm, double x, double y, double width, const QRegion* clip,
                        const std::function<void(QPainter&)>& drawString)
{
    // Glyphs at an angle are rasterised anew for every angle, at several times the cost of
    // straight ones that come from the glyph cache. So a string at an angle that is no right
    // angle is drawn straight into a buffer, and the buffer is turned onto the target (the
    // painter holds the text's transform). False when the string needs more pixels than the
    // target has; it is then drawn directly.
    const double margin = std::max(2.0, (fm.ascent() + fm.descent()) / 4);  // side bearings, italic overhang
    const QRectF ink(x - margin, y - fm.ascent() - 2, width + 2 * margin, fm.ascent() + fm.descent() + 4);
    const QPaintDevice* d = m_p.device();
    // Sizes and places are judged in floating point: coordinates from a record may lie far beyond
    // the int range that a QRect can hold.
    if (!sane(ink) || !d || ink.width() * ink.height() > double(d->width()) * d->height() ||
        std::abs(ink.left()) > kCoordLimit || std::abs(ink.top()) > kCoordLimit || std::abs(ink.right()) > kCoordLimit ||
        std::abs(ink.bottom()) > kCoordLimit)
        return false;
    const QRect area = ink.toAlignedRect();
    if (area.isEmpty())
        return false;
    if (m_turnBuffer.width() < area.width() || m_turnBuffer.height() < area.height()) {
        const QSize size(std::max(m_turnBuffer.width(), area.width()), std::max(m_turnBuffer.height(), area.height()));
        noteAllocation(qint64(size.width()) * size.height() * 4);
        m_turnBuffer = QImage(size, QImage::Format_ARGB32_Premultiplied);
    }
    QPainter q(&m_turnBuffer);
    q.setCompositionMode(QPainter::CompositionMode_Source);
    q.fillRect(QRect(QPoint(0, 0), area.size()), Qt::transparent);
    q.setCompositionMode(QPainter::CompositionMode_SourceOver);
    q.setRenderHint(QPainter::TextAntialiasing, m_antialias);
    q.translate(-area.left(), -area.top());
    drawString(q);
    q.end();
    // The buffer's edges are transparent: its outline needs no anti-aliasing. It is laid in bands
    // of 64 device rows: Qt hands a blend of more rows to its thread pool, and for one string the
    // hand-over costs more than the blend.
    m_p.setRenderHint(QPainter::Antialiasing, false);
    m_p.setRenderHint(QPainter::SmoothPixmapTransform, m_antialias);
    const QTransform tt = m_p.transform();
    // Cut to the device in floating point first: a far transform maps the buffer beyond int.
    const QRect turned =
        tt.mapRect(QRectF(area)).intersected(QRectF(0, 0, d->width(), d->height())).toAlignedRect();
    for (int top = turned.top(); top <= turned.bottom(); top += kBandRows) {
        const QRect band(turned.left(), top, turned.width(), kBandRows);
        m_p.setTransform(QTransform());
        if (clip)
            m_p.setClipRegion(clip->intersected(band));
        else
            m_p.setClipRect(band);
        m_p.setTransform(tt);
        m_p.drawImage(area.topLeft(), m_turnBuffer, QRect(QPoint(0, 0), area.size()));
    }
    m_p.setRenderHint(QPainter::Antialiasing, m_antialias);
    return true;
}

qint64 Player::bitmapPixelLimit(qint64 dataBytes) const
{
    const QPaintDevice* d = m_p.device();
    return detail::bitmapPixelLimit(dataBytes, d ? qint64(d->width()) * d->height() : 0);
}

double Player::minPenPx() const { return 1.0; }

namespace {

// ROP2 codes that a QPainter raster operation reproduces exactly (source = pen or brush).
// R2_BLACK, R2_WHITE and R2_NOTCOPYPEN change the colour instead, R2_NOP draws nothing and
// R2_COPYPEN is the plain source-over.
bool rop2Mode(int rop2, QPainter::CompositionMode& mode)
{
    switch (rop2) {
    case 2: mode = QPainter::RasterOp_NotSourceAndNotDestination; return true;  // NOTMERGEPEN
    case 3: mode = QPainter::RasterOp_NotSourceAndDestination; return true;     // MASKNOTPEN
    case 5: mode = QPainter::RasterOp_SourceAndNotDestination; return true;     // MASKPENNOT
    case 6: mode = QPainter::RasterOp_NotDestination; return true;              // NOT
    case 7: mode = QPainter::RasterOp_SourceXorDestination; return true;        // XORPEN
    case 8: mode = QPainter::RasterOp_NotSourceOrNotDestination; return true;   // NOTMASKPEN
    case 9: mode = QPainter::RasterOp_SourceAndDestination; return true;        // MASKPEN
    case 10: mode = QPainter::RasterOp_NotSourceXorDestination; return true;    // NOTXORPEN
    case 12: mode = QPainter::RasterOp_NotSourceOrDestination; return true;     // MERGENOTPEN
    case 14: mode = QPainter::RasterOp_SourceOrNotDestination; return true;     // MERGEPENNOT
    case 15: mode = QPainter::RasterOp_SourceOrDestination; return true;        // MERGEPEN
    default: return false;
    }
}

} // namespace

QColor Player::ropColour(QColor c) const
{
    if (s.rop2 == 1)
        return Qt::black;
    if (s.rop2 == 16)
        return Qt::white;
    if (s.rop2 == 4)
        return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
    return c;
}

QPen Player::makePen(const QTransform& t) const
{
    const Pen& pen = s.pen;
    const int style = pen.style & 0x0F;
    if (style == 5)
        return QPen(Qt::NoPen);
    QPen q(ropColour(pen.colour));
    const double scale = std::sqrt(std::abs(t.determinant()));
    if (pen.width <= 0 || pen.width * scale < minPenPx()) {
        q.setWidthF(1.0);
        q.setCosmetic(true);
    } else {
        q.setWidthF(pen.width);
        // Only geometric pens carry a hatch or pattern; the stroke is filled with it.
        if (pen.brush.style == 2 || pen.brush.style == 3 || pen.brush.style == 5 || pen.brush.style == 6) {
            Brush b = pen.brush;
            b.colour = pen.colour;
            q.setBrush(makeBrush(b, t));
        }
    }
    switch (pen.style & 0x0F00) {
    case 0x0100: q.setCapStyle(Qt::SquareCap); break;
    case 0x0200: q.setCapStyle(Qt::FlatCap); break;
    default: q.setCapStyle(Qt::RoundCap); break;
    }
    switch (pen.style & 0xF000) {
    case 0x1000: q.setJoinStyle(Qt::BevelJoin); break;
    case 0x2000: q.setJoinStyle(Qt::MiterJoin); break;
    default: q.setJoinStyle(Qt::RoundJoin); break;
    }
    switch (style) {
    case 1: q.setStyle(Qt::DashLine); break;
    case 2: q.setStyle(Qt::DotLine); break;
    case 3: q.setStyle(Qt::DashDotLine); break;
    case 4: q.setStyle(Qt::DashDotDotLine); break;
    case 7: {
        const double w = q.isCosmetic() ? 1.0 : pen.width;
        QVector<qreal> d;
        for (qreal v : pen.userDashes)
            d << std::max<qreal>(0.1, v / w);
        if (d.size() % 2)
            d << d.back();
        if (!d.isEmpty() && d.size() <= 32)
            q.setDashPattern(d);
        break;
    }
    default: break;
    }
    return q;
}

QTransform Player::patternTransform(const QTransform& t) const
{
    // Hatches and patterns are laid in device pixels from the brush origin, not in logical units.
    bool ok = false;
    const QTransform inv = t.inverted(&ok);
    if (!ok)
        return QTransform();
    const QPointF anchor = m_deviceToTarget.map(s.brushOrg);
    if (!std::isfinite(anchor.x()) || !std::isfinite(anchor.y()) || std::abs(anchor.x()) > kCoordLimit
        || std::abs(anchor.y()) > kCoordLimit)
        return inv;
    const double sx = axisScale(m_deviceToTarget, false), sy = axisScale(m_deviceToTarget, true);
    return QTransform::fromScale(sx, sy) * QTransform::fromTranslate(anchor.x(), anchor.y()) * inv;
}

QBrush Player::makeBrush(const Brush& b, const QTransform& t) const
{
    const QColor c = ropColour(b.colour);
    switch (b.style) {
    case 0: return QBrush(c);
    case 1: return QBrush(Qt::NoBrush);
    case 2: {
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
                                                 Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        if (b.hatch < 0 || b.hatch >= 6)
            return QBrush(c);
        QBrush q(c, hatches[b.hatch]);
        q.setTransform(patternTransform(t));
        return q;
    }
    case 3:
    case 5:
    case 6: {
        if (b.pattern.isNull())
            return QBrush(c);
        QBrush q(b.pattern);
        q.setTransform(patternTransform(t));
        return q;
    }
    default: return QBrush(c);
    }
}

bool Player::prepare()
{
    if (s.rop2 == 11)  // R2_NOP
        return false;
    const QTransform t = logicalToTarget();
    if (!finite(t) || t.determinant() == 0)
        return false;
    applyClip();
    m_p.setTransform(t);
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    const bool raster = rop2Mode(s.rop2, mode);
    m_p.setCompositionMode(mode);
    // Raster operations combine whole pixels; anti-aliased edges would switch them off.
    m_p.setRenderHint(QPainter::Antialiasing, m_antialias && !raster);
    m_p.setBackgroundMode(s.bkMode == 2 ? Qt::OpaqueMode : Qt::TransparentMode);
    m_p.setBackground(s.bkColour);
    // Pattern brushes stay crisp, as on the device.
    m_p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    return true;
}

void Player::drawShape(const QPainterPath& shape, bool fill, bool stroke)
{
    if (inPath) {
        path.addPath(shape);
        return;
    }
    if (!prepare())
        return;
    const QTransform t = m_p.transform();
    const QRectF bounds = t.mapRect(shape.controlPointRect());
    if (!sane(bounds))
        return;
    QPainterPath sh = shape;
    sh.setFillRule(s.polyFill == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    QPen pen = stroke ? makePen(t) : QPen(Qt::NoPen);
    // A dashed outline of a shape far larger than any target would produce millions of dashes.
    if (pen.style() != Qt::SolidLine && pen.style() != Qt::NoPen
        && (bounds.width() > 20000 || bounds.height() > 20000))
        pen.setStyle(Qt::SolidLine);
    m_p.setPen(pen);
    m_p.setBrush(fill ? makeBrush(s.brush, t) : QBrush(Qt::NoBrush));
    m_p.drawPath(sh);
}

void Player::fillPath(bool fill, bool stroke)
{
    inPath = false;
    QPainterPath p = path;
    path = QPainterPath();
    drawShape(p, fill, stroke);
}

void Player::selectClipPath(int mode)
{
    inPath = false;
    QPainterPath p = path;
    p.setFillRule(s.polyFill == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    path = QPainterPath();
    selectClip(pathToTarget(p), mode);
}

void Player::moveTo(QPointF p)
{
    s.current = p;
    if (inPath)
        path.moveTo(p);
}

void Player::lineTo(QPointF p)
{
    if (inPath) {
        if (path.elementCount() == 0)
            path.moveTo(s.current);
        path.lineTo(p);
    } else {
        QPainterPath l(s.current);
        l.lineTo(p);
        drawShape(l, false, true);
    }
    s.current = p;
}

void Player::polyline(const QVector<QPointF>& pts, bool fromCurrent)
{
    if (pts.isEmpty())
        return;
    if (inPath) {
        if (!fromCurrent)
            path.moveTo(pts[0]);
        else if (path.elementCount() == 0)
            path.moveTo(s.current);
        for (int i = fromCurrent ? 0 : 1; i < pts.size(); ++i)
            path.lineTo(pts[i]);
    } else {
        QPainterPath l(fromCurrent ? s.current : pts[0]);
        for (int i = fromCurrent ? 0 : 1; i < pts.size(); ++i)
            l.lineTo(pts[i]);
        drawShape(l, false, true);
    }
    if (fromCurrent)
        s.current = pts.back();
}

void Player::polygon(const QVector<QPointF>& pts)
{
    if (pts.size() < 2)
        return;
    QPainterPath p;
    p.addPolygon(QPolygonF(pts));
    p.closeSubpath();
    drawShape(p, true, true);
}

void Player::polyPolygon(const QVector<QVector<QPointF>>& polys)
{
    QPainterPath p;
    for (const auto& poly : polys) {
        if (poly.size() < 2)
            continue;
        p.addPolygon(QPolygonF(poly));
        p.closeSubpath();
    }
    drawShape(p, true, true);
}

void Player::polyBezier(const QVector<QPointF>& pts, bool fromCurrent)
{
    int i = 0;
    QPointF start = s.current;
    if (!fromCurrent) {
        if (pts.isEmpty())
            return;
        start = pts[0];
        i = 1;
    }
    QPainterPath l(start);
    for (; i + 2 < pts.size(); i += 3)
        l.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
    if (inPath) {
        if (!fromCurrent)
            path.moveTo(start);
        continuePath(path, l);
    } else {
        drawShape(l, false, true);
    }
    if (fromCurrent && l.elementCount() > 0)
        s.current = l.currentPosition();
}

void Player::rectangle(const QRectF& r)
{
    QPainterPath p;
    p.addRect(r.normalized());
    drawShape(p, true, true);
}

void Player::roundRect(const QRectF& r, QSizeF corner)
{
    QPainterPath p;
    p.addRoundedRect(r.normalized(), std::abs(corner.width()) / 2, std::abs(corner.height()) / 2);
    drawShape(p, true, true);
}

void Player::ellipse(const QRectF& r)
{
    QPainterPath p;
    p.addEllipse(r.normalized());
    drawShape(p, true, true);
}

void Player::arc(const QRectF& boxIn, QPointF start, QPointF end, int kind)
{
    const QRectF box = boxIn.normalized();
    const QPointF c = box.center();
    const double rx = box.width() / 2, ry = box.height() / 2;
    if (rx <= 0 || ry <= 0)
        return;
    auto angle = [&](QPointF q) {
        return std::atan2(-(q.y() - c.y()) / ry, (q.x() - c.x()) / rx) * 180.0 / M_PI;
    };
    const double a0 = angle(start), a1 = angle(end);
    // Arcs run counterclockwise as seen on the device unless the direction says otherwise.
    bool ccw = s.arcDirection != 2;
    if (logicalToTarget().determinant() < 0)
        ccw = !ccw;
    double sweep;
    if (ccw) {
        sweep = std::fmod(a1 - a0 + 720.0, 360.0);
        if (sweep <= 0)
            sweep += 360;
    } else {
        sweep = std::fmod(a0 - a1 + 720.0, 360.0);
        if (sweep <= 0)
            sweep += 360;
        sweep = -sweep;
    }
    QPainterPath p;
    if (kind == 2) {
        p.moveTo(c);
        p.arcTo(box, a0, sweep);
        p.closeSubpath();
        drawShape(p, true, true);
    } else if (kind == 1) {
        p.arcMoveTo(box, a0);
        p.arcTo(box, a0, sweep);
        p.closeSubpath();
        drawShape(p, true, true);
    } else if (kind == 3) {
        QPainterPath a;
        a.arcMoveTo(box, a0);
        const QPointF first = a.currentPosition();
        p.moveTo(s.current);
        p.lineTo(first);
        p.arcTo(box, a0, sweep);
        if (inPath) {
            continuePath(path, p);
        } else {
            drawShape(p, false, true);
        }
        s.current = p.currentPosition();
    } else {
        p.arcMoveTo(box, a0);
        p.arcTo(box, a0, sweep);
        drawShape(p, false, true);
    }
}

void Player::angleArc(QPointF centre, double radius, double startDeg, double sweepDeg)
{
    if (!std::isfinite(radius) || !std::isfinite(startDeg) || !std::isfinite(sweepDeg))
        return;
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath p(s.current);
    QPainterPath a;
    a.arcMoveTo(box, startDeg);
    p.lineTo(a.currentPosition());
    p.arcTo(box, startDeg, std::clamp(sweepDeg, -3600.0, 3600.0));
    if (inPath) {
        continuePath(path, p);
    } else {
        drawShape(p, false, true);
    }
    s.current = p.currentPosition();
}

void Player::fillRegion(const QRegion& reg, const Brush& brush)
{
    if (s.rop2 == 11)
        return;
    applyClip();
    m_p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    QPainterPath p;
    p.addRegion(reg);
    m_p.fillPath(p, makeBrush(brush, QTransform()));
}

void Player::frameRegion(const QRegion& reg, const Brush& brush, QSizeF penSize)
{
    const int w = std::clamp(int(std::lround(penSize.width() * axisScale(logicalToTarget(), false))), 1, 64);
    const int h = std::clamp(int(std::lround(penSize.height() * axisScale(logicalToTarget(), true))), 1, 64);
    QRegion inner;
    int n = 0;
    for (const QRect& r : reg) {
        if (++n > kMaxRegionRects)
            break;
        inner += r.adjusted(w, h, -w, -h);
    }
    fillRegion(reg.subtracted(inner), brush);
}

void Player::invertRegion(const QRegion& reg)
{
    applyClip();
    m_p.setCompositionMode(QPainter::RasterOp_NotDestination);
    QPainterPath p;
    p.addRegion(reg);
    m_p.fillPath(p, Qt::black);
    m_p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void Player::setPixel(QPointF pt, QColor c)
{
    if (!prepare())
        return;
    const QPointF d = m_p.transform().map(pt);
    m_p.setTransform(QTransform());
    m_p.fillRect(QRectF(std::floor(d.x()), std::floor(d.y()), 1, 1), c);
}

void Player::patBlt(const QRectF& r, quint32 rop)
{
    if (!prepare())
        return;
    const QTransform t = m_p.transform();
    QPainterPath p;
    p.addRect(r.normalized());
    m_p.setPen(Qt::NoPen);
    switch (rop) {
    case 0x00000042: m_p.setBrush(Qt::black); break;                 // BLACKNESS
    case 0x00FF0062: m_p.setBrush(Qt::white); break;                 // WHITENESS
    case 0x00550009:                                                 // DSTINVERT
        m_p.setCompositionMode(QPainter::RasterOp_NotDestination);
        m_p.setRenderHint(QPainter::Antialiasing, false);
        m_p.setBrush(Qt::black);
        break;
    case 0x005A0049:                                                 // PATINVERT
        m_p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        m_p.setRenderHint(QPainter::Antialiasing, false);
        m_p.setBrush(makeBrush(s.brush, t));
        break;
    case 0x00AA0029: return;                                         // destination unchanged
    default: m_p.setBrush(makeBrush(s.brush, t)); break;             // PATCOPY and the rest
    }
    m_p.drawPath(p);
    m_p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void Player::drawBitmap(const QRectF& dest, const QImage& imageIn, const QRectF& srcIn, quint32 rop)
{
    if (imageIn.isNull() || dest.width() == 0 || dest.height() == 0)
        return;
    if (rop == 0x00AA0029)
        return;
    if (rop == 0x00F00021 || rop == 0x00000042 || rop == 0x00FF0062 || rop == 0x00550009 || rop == 0x005A0049) {
        patBlt(dest, rop);
        return;
    }
    QRectF src = srcIn;
    if (src.width() == 0 || src.height() == 0)
        src = QRectF(imageIn.rect());
    if (!sane(src) || !sane(dest))
        return;
    const QTransform base = logicalToTarget();
    if (!finite(base))
        return;
    applyClip();
    QTransform m;
    m.translate(dest.x(), dest.y());
    m.scale(dest.width() / src.width(), dest.height() / src.height());
    m.translate(-src.x(), -src.y());
    const QTransform t = m * base;
    if (!finite(t))
        return;
    QImage image = imageIn;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop) {
    case 0x008800C6: mode = QPainter::RasterOp_SourceAndDestination; break;  // SRCAND
    case 0x00EE0086: mode = QPainter::RasterOp_SourceOrDestination; break;   // SRCPAINT
    case 0x00660046: mode = QPainter::RasterOp_SourceXorDestination; break;  // SRCINVERT
    case 0x00330008:                                                         // NOTSRCCOPY
        image = image.convertToFormat(QImage::Format_RGB32);
        image.invertPixels();
        break;
    case 0x00440328:                                                         // SRCERASE
        mode = QPainter::RasterOp_SourceAndNotDestination;
        break;
    default: break;
    }
    if (mode != QPainter::CompositionMode_SourceOver && image.hasAlphaChannel())
        image = image.convertToFormat(QImage::Format_RGB32);
    m_p.setTransform(t);
    m_p.setCompositionMode(mode);
    // Shrunk bitmaps are smoothed; enlarged ones keep their pixels, as a stretch on the device does.
    m_p.setRenderHint(QPainter::SmoothPixmapTransform,
                      m_antialias && (axisScale(t, false) < 1.0 || axisScale(t, true) < 1.0));
    m_p.drawImage(src, image, src);
    m_p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void Player::gradientRect(const QRectF& r, QColor a, QColor b, bool vertical)
{
    if (!prepare())
        return;
    const QRectF n = r.normalized();
    QLinearGradient g(r.topLeft(), vertical ? QPointF(r.left(), r.bottom()) : QPointF(r.right(), r.top()));
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    m_p.setPen(Qt::NoPen);
    m_p.setBrush(g);
    m_p.drawRect(n);
}

void Player::gradientTriangle(const QVector<QPointF>& pts, const QVector<QColor>& colours)
{
    if (pts.size() != 3 || colours.size() != 3 || !prepare())
        return;
    const QTransform t = m_p.transform();
    const QPolygonF tri = t.map(QPolygonF(pts));
    const QPointF a = tri[0], b = tri[1], c = tri[2];
    const double det = (b.y() - c.y()) * (a.x() - c.x()) + (c.x() - b.x()) * (a.y() - c.y());
    if (!std::isfinite(det) || std::abs(det) < 1e-9)
        return;
    // Only the part on the target is shaded, so the buffer never exceeds the output picture.
    const QRect area = tri.boundingRect().intersected(universe().boundingRect()).toAlignedRect();
    if (area.isEmpty())
        return;
    noteAllocation(qint64(area.width()) * area.height() * 4);
    QImage shade(area.size(), QImage::Format_RGB32);
    // Barycentric weights of the pixel centres; they change linearly along a row.
    const double l1dx = (b.y() - c.y()) / det, l2dx = (c.y() - a.y()) / det;
    for (int y = 0; y < area.height(); ++y) {
        const double py = area.top() + y + 0.5, px = area.left() + 0.5;
        double l1 = ((b.y() - c.y()) * (px - c.x()) + (c.x() - b.x()) * (py - c.y())) / det;
        double l2 = ((c.y() - a.y()) * (px - c.x()) + (a.x() - c.x()) * (py - c.y())) / det;
        auto* line = reinterpret_cast<QRgb*>(shade.scanLine(y));
        for (int x = 0; x < area.width(); ++x, l1 += l1dx, l2 += l2dx) {
            // Edge pixels lie partly outside: clamp so that they take the nearest edge's colour.
            double w1 = std::clamp(l1, 0.0, 1.0), w2 = std::clamp(l2, 0.0, 1.0);
            double w3 = std::clamp(1.0 - l1 - l2, 0.0, 1.0);
            const double sum = w1 + w2 + w3;
            w1 /= sum;
            w2 /= sum;
            w3 /= sum;
            auto mix = [&](int c1, int c2, int c3) { return int(std::lround(c1 * w1 + c2 * w2 + c3 * w3)); };
            line[x] = qRgb(mix(colours[0].red(), colours[1].red(), colours[2].red()),
                           mix(colours[0].green(), colours[1].green(), colours[2].green()),
                           mix(colours[0].blue(), colours[1].blue(), colours[2].blue()));
        }
    }
    QBrush brush(shade);
    brush.setTransform(QTransform::fromTranslate(area.left(), area.top()));
    m_p.setTransform(QTransform());
    m_p.setPen(Qt::NoPen);
    m_p.setBrush(brush);
    m_p.drawPolygon(tri);
}

void Player::text(QPointF ref, const QString& str, const QVector<double>& dx, int options, const QRectF& rect,
                  bool useCurrent)
{
    if (inPath)
        return;  // text outlines in paths are not drawn
    const QTransform t = logicalToTarget();
    if (!finite(t) || t.determinant() == 0 || s.rop2 == 11)
        return;
    if (useCurrent || (s.textAlign & 1))
        ref = s.current;
    const double sx = axisScale(t, false), sy = axisScale(t, true);
    const Font& f = s.font;

    // Background rectangle first (ETO_OPAQUE), clipped text (ETO_CLIPPED).
    QRegion clip;
    bool clipped = activeClip(clip);
    if ((options & 0x02) && !rect.isEmpty()) {
        applyClip();
        m_p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        QPainterPath r;
        r.addRect(rect.normalized());
        m_p.fillPath(t.map(r), s.bkColour);
    }
    if ((options & 0x04) && !rect.isEmpty()) {
        QPainterPath r;
        r.addRect(rect.normalized());
        const QRegion cut = pathToTarget(r);
        clip = clipped ? clip.intersected(cut) : cut;
        clipped = true;
    }
    if (str.isEmpty())
        return;

    double px = f.height == 0 ? 16 * axisScale(m_deviceToTarget, true) : std::abs(f.height) * sy;
    QFont font(f.face.isEmpty() ? QStringLiteral("Liberation Sans") : f.face);
    font.setWeight(QFont::Weight(std::clamp(f.weight <= 0 ? 400 : f.weight, 100, 900)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    font.setHintingPreference(QFont::PreferNoHinting);
    if (f.height > 0) {
        // A positive height is the cell height (ascent + descent), not the em size.
        QFont probe = font;
        probe.setPixelSize(100);
        const QFontMetricsF pm(probe);
        if (pm.height() > 0)
            px = px * 100.0 / (pm.ascent() + pm.descent());
    }
    if (!std::isfinite(px) || px < 0.5)
        return;
    px = std::min(px, 4000.0);
    font.setPixelSize(std::max(1, int(std::lround(px))));
    const QFontMetricsF fm(font, m_p.device());

    // Advances in target pixels.
    QVector<double> adv;
    double width = 0;
    const bool haveDx = dx.size() >= str.size();
    if (haveDx) {
        for (int i = 0; i < str.size(); ++i) {
            adv << dx[i] * sx;
            width += dx[i] * sx;
        }
    } else {
        width = fm.horizontalAdvance(str);
    }
    double x = 0, y = 0;
    switch (s.textAlign & 0x06) {
    case 0x06: x = -width / 2; break;
    case 0x02: x = -width; break;
    default: break;
    }
    switch (s.textAlign & 0x18) {
    case 0x18: break;                      // baseline
    case 0x08: y = -fm.descent(); break;   // bottom
    default: y = fm.ascent(); break;       // top
    }
    const QPointF origin = t.map(ref);
    if (!std::isfinite(origin.x()) || !std::isfinite(origin.y()) || std::abs(origin.x()) > kCoordLimit
        || std::abs(origin.y()) > kCoordLimit)
        return;
    QTransform tt;
    tt.translate(origin.x(), origin.y());
    // Escapement is counterclockwise on the device; a y-up mapping keeps that sense on the device.
    tt.rotate(-f.escapement / 10.0);
    // The clip stays in device pixels under the rotated text: a region mapped through the
    // rotation would make the raster engine clip against a path for every string.
    m_p.setTransform(QTransform());
    if (clipped)
        m_p.setClipRegion(clip);
    else
        m_p.setClipping(false);
    m_p.setTransform(tt);
    if (s.bkMode == 2 && !(options & 0x02))
        m_p.fillRect(QRectF(x, y - fm.ascent(), width, fm.ascent() + fm.descent()), s.bkColour);
    m_p.setBackgroundMode(Qt::TransparentMode);
    m_p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    auto drawString = [&](QPainter& q) {
        q.setFont(font);
        q.setPen(s.textColour);
        if (haveDx) {
            double cx = x;
            for (int i = 0; i < str.size(); ++i) {
                q.drawText(QPointF(cx, y), QString(str[i]));
                cx += adv[i];
            }
        } else {
            q.drawText(QPointF(x, y), str);
        }
    };
    if (f.escapement % 900 == 0 || !drawTurned(fm, x, y, width, clipped ? &clip : nullptr, drawString))
        drawString(m_p);
    if (s.textAlign & 1) {
        bool ok = false;
        const QTransform inv = t.inverted(&ok);
        if (ok)
            s.current = inv.map(tt.map(QPointF(x + width, 0)));
    }
}

} // namespace metafile::detail
