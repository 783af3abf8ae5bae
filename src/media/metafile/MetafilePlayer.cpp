#include "media/metafile/MetafilePlayer.h"
#include "media/metafile/Metafile.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>
#include <cmath>

namespace metafile::detail {

namespace {

bool finite(const QTransform& t)
{
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) && std::isfinite(t.m22())
        && std::isfinite(t.dx()) && std::isfinite(t.dy()) && std::isfinite(t.m13()) && std::isfinite(t.m23())
        && std::isfinite(t.m33());
}

// Coordinates far outside any target are clamped so that rasterising never overflows.
constexpr double kCoordLimit = 1e6;

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
    // A clip set on the painter by the caller stays in force below ours.
    if (m_p.hasClipping()) {
        s.hasClip = true;
        s.clip = m_p.clipRegion() * m_p.transform();
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

QRegion Player::deviceRegionToTarget(const QVector<QRect>& rects) const
{
    QRegion out;
    const QRegion u = universe();
    for (const QRect& rc : rects) {
        const QRectF m = m_deviceToTarget.mapRect(QRectF(rc));
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

void Player::applyClip()
{
    m_p.setTransform(QTransform());
    if (s.hasClip)
        m_p.setClipRegion(s.clip);
    else
        m_p.setClipping(false);
}

double Player::minPenPx() const { return 1.0; }

QPen Player::makePen(const QTransform& t) const
{
    const Pen& pen = s.pen;
    const int style = pen.style & 0x0F;
    if (style == 5)
        return QPen(Qt::NoPen);
    QColor c = pen.colour;
    if (s.rop2 == 1)
        c = Qt::black;
    else if (s.rop2 == 16)
        c = Qt::white;
    else if (s.rop2 == 4)
        c = QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
    QPen q(c);
    const double scale = std::sqrt(std::abs(t.determinant()));
    if (pen.width <= 0 || pen.width * scale < minPenPx()) {
        q.setWidthF(1.0);
        q.setCosmetic(true);
    } else {
        q.setWidthF(pen.width);
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

QBrush Player::makeBrush(const Brush& b, const QTransform& t) const
{
    QColor c = b.colour;
    if (s.rop2 == 1)
        c = Qt::black;
    else if (s.rop2 == 16)
        c = Qt::white;
    switch (b.style) {
    case 0: return QBrush(c);
    case 1: return QBrush(Qt::NoBrush);
    case 2: {
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
                                                 Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        return QBrush(c, b.hatch >= 0 && b.hatch < 6 ? hatches[b.hatch] : Qt::SolidPattern);
    }
    case 3:
    case 5:
    case 6: {
        if (b.pattern.isNull())
            return QBrush(c);
        QBrush q(b.pattern);
        // Patterns are laid in device pixels, not logical units.
        bool ok = false;
        const QTransform inv = t.inverted(&ok);
        if (ok) {
            const double sx = axisScale(m_deviceToTarget, false), sy = axisScale(m_deviceToTarget, true);
            q.setTransform(QTransform::fromScale(sx, sy) * inv);
        }
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
    switch (s.rop2) {
    case 6: mode = QPainter::RasterOp_NotDestination; break;
    case 7: mode = QPainter::RasterOp_SourceXorDestination; break;
    case 9: mode = QPainter::RasterOp_SourceAndDestination; break;
    case 15: mode = QPainter::RasterOp_SourceOrDestination; break;
    default: break;
    }
    m_p.setCompositionMode(mode);
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
        m_p.setBrush(Qt::black);
        break;
    case 0x005A0049:                                                 // PATINVERT
        m_p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
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
    // A linear blend between the first vertex and the opposite edge's midpoint is close enough for
    // the shaded triangles clip art uses.
    QLinearGradient g(pts[0], (pts[1] + pts[2]) / 2);
    g.setColorAt(0, colours[0]);
    QColor mid((colours[1].red() + colours[2].red()) / 2, (colours[1].green() + colours[2].green()) / 2,
               (colours[1].blue() + colours[2].blue()) / 2);
    g.setColorAt(1, mid);
    m_p.setPen(Qt::NoPen);
    m_p.setBrush(g);
    m_p.drawPolygon(QPolygonF(pts));
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
    QRegion clip = s.hasClip ? s.clip : universe();
    if ((options & 0x02) && !rect.isEmpty()) {
        applyClip();
        QPainterPath r;
        r.addRect(rect.normalized());
        m_p.fillPath(t.map(r), s.bkColour);
    }
    if ((options & 0x04) && !rect.isEmpty()) {
        QPainterPath r;
        r.addRect(rect.normalized());
        clip = clip.intersected(pathToTarget(r));
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
    m_p.setTransform(tt);
    m_p.setClipRegion(clip * tt.inverted());
    if (s.bkMode == 2 && !(options & 0x02))
        m_p.fillRect(QRectF(x, y - fm.ascent(), width, fm.ascent() + fm.descent()), s.bkColour);
    m_p.setFont(font);
    m_p.setPen(s.textColour);
    m_p.setBackgroundMode(Qt::TransparentMode);
    m_p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (haveDx) {
        double cx = x;
        for (int i = 0; i < str.size(); ++i) {
            m_p.drawText(QPointF(cx, y), QString(str[i]));
            cx += adv[i];
        }
    } else {
        m_p.drawText(QPointF(x, y), str);
    }
    if (s.textAlign & 1) {
        bool ok = false;
        const QTransform inv = t.inverted(&ok);
        if (ok)
            s.current = inv.map(tt.map(QPointF(x + width, 0)));
    }
}

qint64 dibHeaderSize(const uchar* bmi, qint64 available)
{
    if (available < 12)
        return -1;
    const quint32 hs = qFromLittleEndian<quint32>(bmi);
    if (hs == 12) {
        const int bpp = qFromLittleEndian<quint16>(bmi + 10);
        const qint64 colours = bpp <= 8 ? (1ll << bpp) : 0;
        return 12 + colours * 3;
    }
    if (hs < 40 || available < 40)
        return -1;
    const int bpp = qFromLittleEndian<quint16>(bmi + 14);
    const quint32 compression = qFromLittleEndian<quint32>(bmi + 16);
    quint32 used = qFromLittleEndian<quint32>(bmi + 32);
    qint64 colours = 0;
    if (bpp <= 8)
        colours = used ? std::min<quint32>(used, 1u << bpp) : (1u << bpp);
    else
        colours = std::min<quint32>(used, 256);
    qint64 masks = (hs == 40 && (compression == 3 || compression == 6)) ? (compression == 6 ? 16 : 12) : 0;
    return hs + masks + colours * 4;
}

QImage decodeDib(const uchar* bmi, qint64 cbBmi, const uchar* bits, qint64 cbBits, bool keepAlpha)
{
    if (!bmi || cbBmi < 12 || cbBmi > kMaxFileBytes || cbBits < 0 || cbBits > kMaxFileBytes)
        return QImage();
    const quint32 hs = qFromLittleEndian<quint32>(bmi);
    qint64 w, h;
    int bpp;
    quint32 compression = 0;
    if (hs == 12) {
        w = qFromLittleEndian<quint16>(bmi + 4);
        h = qFromLittleEndian<quint16>(bmi + 6);
        bpp = qFromLittleEndian<quint16>(bmi + 10);
    } else {
        if (cbBmi < 40 || hs < 40)
            return QImage();
        w = qFromLittleEndian<qint32>(bmi + 4);
        h = qFromLittleEndian<qint32>(bmi + 8);
        bpp = qFromLittleEndian<quint16>(bmi + 14);
        compression = qFromLittleEndian<quint32>(bmi + 16);
    }
    const qint64 ah = std::abs(h);
    if (w <= 0 || ah == 0 || w > 65535 || ah > 65535 || w * ah > kMaxBitmapPixels)
        return QImage();
    if (compression == 4 || compression == 5) {  // embedded JPEG / PNG
        QImage img = QImage::fromData(QByteArray::fromRawData(reinterpret_cast<const char*>(bits), cbBits));
        if (qint64(img.width()) * img.height() > kMaxBitmapPixels)
            return QImage();
        return img;
    }
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return QImage();
    const qint64 stride = ((w * bpp + 31) / 32) * 4;
    qint64 need = cbBits;
    if (compression == 0 || compression == 3 || compression == 6)
        need = stride * ah;

    if (keepAlpha && bpp == 32 && compression == 0) {
        // 32-bit pixels with their own alpha (AlphaBlend): premultiplied BGRA.
        if (cbBits < need)
            return QImage();
        QImage img(int(w), int(ah), QImage::Format_ARGB32_Premultiplied);
        for (qint64 y = 0; y < ah; ++y) {
            const uchar* row = bits + (h > 0 ? (ah - 1 - y) : y) * stride;
            auto* out = reinterpret_cast<quint32*>(img.scanLine(int(y)));
            for (qint64 x = 0; x < w; ++x) {
                const uchar* px = row + x * 4;
                const int a = px[3];
                out[x] = qRgba(std::min<int>(px[2], a), std::min<int>(px[1], a), std::min<int>(px[0], a), a);
            }
        }
        return img;
    }

    // Let Qt's BMP reader do the decoding: a file header in front of the packed DIB.
    QByteArray file;
    const qint64 header = std::min<qint64>(cbBmi, dibHeaderSize(bmi, cbBmi) > 0 ? dibHeaderSize(bmi, cbBmi) : cbBmi);
    const qint64 bitsLen = std::max(need, cbBits);
    file.reserve(14 + header + bitsLen);
    file.append("BM", 2);
    auto put32 = [&](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        file.append(b, 4);
    };
    put32(quint32(14 + header + bitsLen));
    put32(0);
    put32(quint32(14 + header));
    file.append(reinterpret_cast<const char*>(bmi), header);
    if (header < dibHeaderSize(bmi, cbBmi))
        file.append(QByteArray(dibHeaderSize(bmi, cbBmi) - header, '\0'));
    file.append(reinterpret_cast<const char*>(bits), std::min(cbBits, bitsLen));
    if (bitsLen > cbBits)
        file.append(QByteArray(bitsLen - cbBits, '\0'));  // short bitmaps are padded, not trusted
    QBuffer buf(&file);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf, "bmp");
    QImage img = reader.read();
    return img;
}

} // namespace metafile::detail
