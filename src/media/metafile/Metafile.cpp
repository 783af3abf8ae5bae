#include "media/metafile/Metafile.h"
#include "media/metafile/Dib.h"
#include "media/metafile/MetafilePlayer.h"

#include "core/FileSystem.h"
#include "core/Win1252.h"

#include <QPainter>
#include <QtEndian>
#include <cmath>
#include <cstring>

namespace metafile {

using namespace detail;

namespace {

constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
constexpr quint32 kEmfSignature = 0x464D4520;

// Bounds-checked little-endian reads; out-of-range reads yield 0.
struct Bytes {
    const uchar* d = nullptr;
    qint64 n = 0;
    bool ok(qint64 off, qint64 len) const { return off >= 0 && len >= 0 && off <= n && len <= n - off; }
    quint8 u8(qint64 o) const { return ok(o, 1) ? d[o] : 0; }
    quint16 u16(qint64 o) const { return ok(o, 2) ? qFromLittleEndian<quint16>(d + o) : 0; }
    qint16 i16(qint64 o) const { return ok(o, 2) ? qFromLittleEndian<qint16>(d + o) : 0; }
    quint32 u32(qint64 o) const { return ok(o, 4) ? qFromLittleEndian<quint32>(d + o) : 0; }
    qint32 i32(qint64 o) const { return ok(o, 4) ? qFromLittleEndian<qint32>(d + o) : 0; }
    float f32(qint64 o) const
    {
        const quint32 v = u32(o);
        float f;
        std::memcpy(&f, &v, 4);
        return std::isfinite(f) ? f : 0.0f;
    }
    Bytes sub(qint64 off, qint64 len) const
    {
        if (!ok(off, len))
            return {};
        return {d + off, len};
    }
};

Pen stockPen(int i)
{
    Pen p;
    if (i == 6)
        p.colour = Qt::white;
    if (i == 8)
        p.style = 5;
    return p;
}

Brush stockBrush(int i)
{
    Brush b;
    static const int greys[] = {255, 192, 128, 64, 0};
    if (i >= 0 && i <= 4)
        b.colour = QColor(greys[i], greys[i], greys[i]);
    if (i == 5)
        b.style = 1;
    return b;
}

QString decodeAnsi(const QByteArray& bytes, int charset)
{
    if (charset == 2)  // symbol fonts: keep the byte values
        return QString::fromLatin1(bytes);
    return win1252::decode(bytes);
}

QString faceName(const QString& face)
{
    // Faces named by Windows material resolve to their metric twins when installed.
    if (face.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0 || face.isEmpty())
        return QStringLiteral("Liberation Sans");
    if (face.compare(QLatin1String("Times New Roman"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Serif");
    if (face.compare(QLatin1String("Courier New"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Mono");
    return face;
}

// ---------------------------------------------------------------- EMF

class EmfReader
{
public:
    EmfReader(Bytes b, Player& p, int handles) : m_b(b), m_p(p)
    {
        m_objects.resize(size_t(std::clamp(handles, 1, kMaxObjects)));
    }

    void play()
    {
        qint64 off = 0;
        while (m_b.ok(off, 8)) {
            const quint32 type = m_b.u32(off);
            const quint32 size = m_b.u32(off + 4);
            if (size < 8 || (size % 4) != 0 || !m_b.ok(off, size))
                break;
            const Bytes r = m_b.sub(off, size);
            if (type == 14)  // EOF
                break;
            record(type, r);
            off += size;
        }
    }

private:
    QPointF pt32(const Bytes& r, qint64 o) const { return QPointF(r.i32(o), r.i32(o + 4)); }
    QPointF pt16(const Bytes& r, qint64 o) const { return QPointF(r.i16(o), r.i16(o + 2)); }
    QRectF rect32(const Bytes& r, qint64 o) const
    {
        return QRectF(QPointF(r.i32(o), r.i32(o + 4)), QPointF(r.i32(o + 8), r.i32(o + 12)));
    }

    QVector<QPointF> points(const Bytes& r, qint64 o, quint32 count, bool small) const
    {
        QVector<QPointF> pts;
        const qint64 step = small ? 4 : 8;
        if (!r.ok(o, qint64(count) * step))
            return pts;
        noteAllocation(qint64(count) * qint64(sizeof(QPointF)));
        pts.reserve(int(count));
        for (quint32 i = 0; i < count; ++i)
            pts << (small ? pt16(r, o + i * step) : pt32(r, o + i * step));
        return pts;
    }

    Object* object(quint32 i)
    {
        return i < m_objects.size() ? &m_objects[i] : nullptr;
    }

    // A bitmap of the record; `pattern` bitmaps are kept as brushes, so they get no share of the
    // target's size.
    QImage dib(const Bytes& r, quint32 offBmi, quint32 cbBmi, quint32 offBits, quint32 cbBits, bool alpha = false,
               bool pattern = false)
    {
        if (!r.ok(offBmi, cbBmi) || !r.ok(offBits, cbBits) || cbBmi == 0)
            return QImage();
        const qint64 limit = pattern ? std::min(kMaxPatternPixels, bitmapPixelLimit(cbBits, 0))
                                     : m_p.bitmapPixelLimit(cbBits);
        QImage img = decodeDib(r.d + offBmi, cbBmi, r.d + offBits, cbBits, limit, alpha);
        if (pattern && (img.width() > kMaxPatternSide || img.height() > kMaxPatternSide))
            return QImage();
        return img;
    }

    // Rectangles in device units, right and bottom edges excluded; kept in floating point, as
    // hostile corners overflow an int's width.
    QVector<QRectF> regionRects(const Bytes& r, qint64 o, quint32 cb)
    {
        QVector<QRectF> rects;
        if (!r.ok(o, cb) || cb < 32)
            return rects;
        const quint32 hs = std::max<quint32>(32, r.u32(o));
        if (hs >= cb)
            return rects;
        const quint32 count = std::min<quint32>({r.u32(o + 8), kMaxRegionRects, (cb - hs) / 16});
        noteAllocation(qint64(count) * qint64(sizeof(QRectF)));
        for (quint32 i = 0; i < count && r.ok(o + hs + i * 16ll, 16) && qint64(hs) + i * 16ll + 16 <= cb; ++i) {
            const qint64 q = o + hs + i * 16ll;
            rects << QRectF(QPointF(r.i32(q), r.i32(q + 4)), QPointF(r.i32(q + 8), r.i32(q + 12)));
        }
        return rects;
    }

    void text(const Bytes& r, bool wide)
    {
        const qint64 e = 8 + 16 + 12;  // emrtext
        const QPointF ref = pt32(r, e);
        const quint32 n = std::min<quint32>(r.u32(e + 8), kMaxTextChars);
        const quint32 offString = r.u32(e + 12);
        const quint32 options = r.u32(e + 16);
        QRectF rect;
        if (!(options & 0x100))  // ETO_NO_RECT
            rect = rect32(r, e + 20);
        const quint32 offDx = r.u32(e + 36);
        const qint64 bytes = qint64(n) * (wide ? 2 : 1);
        if (!r.ok(offString, bytes))
            return;
        QString str;
        if (wide)
            str = QString::fromUtf16(reinterpret_cast<const char16_t*>(r.d + offString), qsizetype(n));
        else
            str = decodeAnsi(QByteArray(reinterpret_cast<const char*>(r.d + offString), qsizetype(n)),
                             m_p.s.font.charset);
        QVector<double> dx;
        if (offDx && r.ok(offDx, qint64(n) * 4)) {
            const bool pdy = options & 0x2000;  // ETO_PDY: pairs of dx, dy
            if (!pdy || r.ok(offDx, qint64(n) * 8))
                for (quint32 i = 0; i < n; ++i)
                    dx << r.i32(offDx + qint64(i) * (pdy ? 8 : 4));
        }
        m_p.text(ref, str, dx, int(options), rect, false);
    }

    // EMR_SMALLTEXTOUT: a string without advances, in 8-bit codes (ETO_SMALL_CHARS) or UTF-16,
    // after an optional rectangle (absent with ETO_NO_RECT).
    void smallText(const Bytes& r)
    {
        const QPointF ref = pt32(r, 8);
        const quint32 n = std::min<quint32>(r.u32(16), kMaxTextChars);
        const quint32 options = r.u32(20);
        qint64 at = 36;
        QRectF rect;
        if (!(options & 0x100)) {
            rect = rect32(r, at);
            at += 16;
        }
        const bool small = options & 0x200;
        if (!r.ok(at, qint64(n) * (small ? 1 : 2)))
            return;
        const QString str = small ? QString::fromLatin1(reinterpret_cast<const char*>(r.d + at), qsizetype(n))
                                  : QString::fromUtf16(reinterpret_cast<const char16_t*>(r.d + at), qsizetype(n));
        m_p.text(ref, str, {}, int(options & 0x06), rect, false);
    }

    void record(quint32 type, const Bytes& r)
    {
        DcState& s = m_p.s;
        switch (type) {
        case 2: case 3: case 4: case 5: case 6:
        case 85: case 86: case 87: case 88: case 89: {
            const bool small = type >= 85;
            const quint32 kind = small ? type - 83 : type;
            const QVector<QPointF> pts = points(r, 28, r.u32(24), small);
            switch (kind) {
            case 2: m_p.polyBezier(pts, false); break;
            case 3: m_p.polygon(pts); break;
            case 4: m_p.polyline(pts, false); break;
            case 5: m_p.polyBezier(pts, true); break;
            case 6: m_p.polyline(pts, true); break;
            }
            break;
        }
        case 7: case 8: case 90: case 91: {  // POLYPOLYLINE, POLYPOLYGON (32 and 16 bit)
            const bool small = type >= 90;
            const quint32 nPolys = r.u32(24), total = r.u32(28);
            if (!r.ok(32, qint64(nPolys) * 4))
                break;
            const qint64 ptsOff = 32 + qint64(nPolys) * 4;
            const QVector<QPointF> all = points(r, ptsOff, total, small);
            if (all.size() != int(total))
                break;
            QVector<QVector<QPointF>> polys;
            qint64 at = 0;
            for (quint32 i = 0; i < nPolys; ++i) {
                const quint32 c = r.u32(32 + i * 4ll);
                if (at + c > total)
                    break;
                polys << all.mid(int(at), int(c));
                at += c;
            }
            if (type == 8 || type == 91)
                m_p.polyPolygon(polys);
            else
                for (const auto& pl : polys)
                    m_p.polyline(pl, false);
            break;
        }
        case 9: s.winExt = QSizeF(r.i32(8), r.i32(12)); break;
        case 10: s.winOrg = pt32(r, 8); break;
        case 11: s.vpExt = QSizeF(r.i32(8), r.i32(12)); break;
        case 12: s.vpOrg = pt32(r, 8); break;
        case 13: s.brushOrg = pt32(r, 8); break;
        case 15: m_p.setPixel(pt32(r, 8), m_p.colourRef(r.u32(16))); break;
        case 17: s.mapMode = int(r.u32(8)); break;
        case 18: s.bkMode = int(r.u32(8)); break;
        case 19: s.polyFill = int(r.u32(8)); break;
        case 20: s.rop2 = int(r.u32(8)); break;
        case 22: s.textAlign = int(r.u32(8)); break;
        case 24: s.textColour = m_p.colourRef(r.u32(8)); break;
        case 25: s.bkColour = m_p.colourRef(r.u32(8)); break;
        case 26: m_p.offsetClip(pt32(r, 8)); break;
        case 27: m_p.moveTo(pt32(r, 8)); break;
        case 28: m_p.setMetaRegion(); break;
        case 29: m_p.excludeClipRect(rect32(r, 8)); break;
        case 30: m_p.intersectClipRect(rect32(r, 8)); break;
        case 31: case 32: {  // SCALEVIEWPORTEXTEX, SCALEWINDOWEXTEX
            const qint32 xn = r.i32(8), xd = r.i32(12), yn = r.i32(16), yd = r.i32(20);
            if (xd == 0 || yd == 0)
                break;
            QSizeF& ext = type == 31 ? s.vpExt : s.winExt;
            ext = QSizeF(ext.width() * xn / xd, ext.height() * yn / yd);
            break;
        }
        case 33: m_p.saveDc(); break;
        case 34: m_p.restoreDc(r.i32(8)); break;
        case 35: case 36: {
            const QTransform x(r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28));
            const quint32 mode = type == 35 ? 4 : r.u32(32);
            if (mode == 1)
                s.world = QTransform();
            else if (mode == 2)
                s.world = x * s.world;
            else if (mode == 3)
                s.world = s.world * x;
            else if (mode == 4)
                s.world = x;
            break;
        }
        case 37: {  // SELECTOBJECT
            const quint32 i = r.u32(8);
            if (i & 0x80000000u) {
                const int k = int(i & 0x7FFFFFFF);
                if (k <= 5 || k == 18)
                    s.brush = stockBrush(k == 18 ? 0 : k);
                else if (k <= 8 || k == 19)
                    s.pen = stockPen(k == 19 ? 7 : k);
                else if (k >= 10 && k <= 17 && k != 15)
                    s.font = Font();
            } else if (Object* o = object(i)) {
                if (o->kind == Object::PenKind)
                    s.pen = o->pen;
                else if (o->kind == Object::BrushKind)
                    s.brush = o->brush;
                else if (o->kind == Object::FontKind)
                    s.font = o->font;
            }
            break;
        }
        case 38: {  // CREATEPEN
            if (Object* o = object(r.u32(8))) {
                *o = Object();
                o->kind = Object::PenKind;
                o->pen.style = int(r.u32(12));
                o->pen.width = r.i32(16);
                o->pen.colour = m_p.colourRef(r.u32(24));
            }
            break;
        }
        case 39: {  // CREATEBRUSHINDIRECT
            if (Object* o = object(r.u32(8))) {
                *o = Object();
                o->kind = Object::BrushKind;
                o->brush.style = int(r.u32(12));
                o->brush.colour = m_p.colourRef(r.u32(16));
                o->brush.hatch = int(r.u32(20));
            }
            break;
        }
        case 40: {
            if (Object* o = object(r.u32(8)))
                *o = Object();
            break;
        }
        case 41: m_p.angleArc(pt32(r, 8), r.u32(16), r.f32(20), r.f32(24)); break;
        case 42: m_p.ellipse(rect32(r, 8)); break;
        case 43: m_p.rectangle(rect32(r, 8)); break;
        case 44: m_p.roundRect(rect32(r, 8), QSizeF(r.i32(24), r.i32(28))); break;
        case 45: case 46: case 47: case 55: {
            const int kind = type == 45 ? 0 : type == 46 ? 1 : type == 47 ? 2 : 3;
            m_p.arc(rect32(r, 8), pt32(r, 24), pt32(r, 32), kind);
            break;
        }
        case 49: {  // CREATEPALETTE
            if (Object* o = object(r.u32(8))) {
                *o = Object();
                o->kind = Object::PaletteKind;
                const quint16 n = r.u16(14);
                for (quint16 i = 0; i < n && r.ok(16 + i * 4ll, 4); ++i)
                    o->palette << QColor(r.u8(16 + i * 4ll), r.u8(17 + i * 4ll), r.u8(18 + i * 4ll));
            }
            break;
        }
        case 48: {  // SELECTPALETTE
            if (Object* o = object(r.u32(8)); o && o->kind == Object::PaletteKind)
                m_p.palette = o->palette;
            break;
        }
        case 54: m_p.lineTo(pt32(r, 8)); break;
        case 56: case 92: {  // POLYDRAW
            const bool small = type == 92;
            const quint32 n = r.u32(24);
            const QVector<QPointF> pts = points(r, 28, n, small);
            const qint64 typesOff = 28 + qint64(n) * (small ? 4 : 8);
            if (pts.size() != int(n) || !r.ok(typesOff, n))
                break;
            QPainterPath p(m_p.s.current);
            QPointF figureStart = m_p.s.current;
            for (quint32 i = 0; i < n; ++i) {
                const quint8 t = r.u8(typesOff + i);
                if ((t & 6) == 6) {
                    p.moveTo(pts[int(i)]);
                    figureStart = pts[int(i)];
                } else if ((t & 6) == 2) {
                    p.lineTo(pts[int(i)]);
                } else if ((t & 6) == 4 && i + 2 < n) {
                    p.cubicTo(pts[int(i)], pts[int(i) + 1], pts[int(i) + 2]);
                    i += 2;
                }
                if (t & 1)
                    p.closeSubpath();
            }
            (void)figureStart;
            m_p.s.current = p.currentPosition();
            m_p.drawShape(p, false, true);
            break;
        }
        case 57: s.arcDirection = int(r.u32(8)); break;
        case 59: m_p.beginPath(); break;
        case 60: m_p.inPath = false; break;
        case 61: if (m_p.inPath) m_p.path.closeSubpath(); break;
        case 62: m_p.fillPath(true, false); break;
        case 63: m_p.fillPath(true, true); break;
        case 64: m_p.fillPath(false, true); break;
        case 65: break;  // FLATTENPATH: Qt flattens when it needs to
        case 66: {       // WIDENPATH
            QPainterPathStroker st;
            st.setWidth(std::max(1.0, s.pen.width));
            m_p.path = st.createStroke(m_p.path);
            break;
        }
        case 67: m_p.selectClipPath(int(r.u32(8))); break;
        case 68: m_p.inPath = false; m_p.path = QPainterPath(); break;
        case 70: break;  // GDICOMMENT, EMF+ included: the EMF records that follow are drawn
        case 71: case 72: {  // FILLRGN, FRAMERGN
            const quint32 cb = r.u32(24);
            const quint32 ih = r.u32(28);
            Brush b = s.brush;
            if (ih & 0x80000000u)
                b = stockBrush(int(ih & 0x7FFFFFFF));
            else if (Object* o = object(ih); o && o->kind == Object::BrushKind)
                b = o->brush;
            const qint64 data = type == 71 ? 32 : 40;
            const QRegion reg = m_p.deviceRegionToTarget(regionRects(r, data, cb));
            if (type == 71)
                m_p.fillRegion(reg, b);
            else
                m_p.frameRegion(reg, b, QSizeF(r.i32(32), r.i32(36)));
            break;
        }
        case 73: case 74: {  // INVERTRGN, PAINTRGN
            const QRegion reg = m_p.deviceRegionToTarget(regionRects(r, 28, r.u32(24)));
            if (type == 73)
                m_p.invertRegion(reg);
            else
                m_p.fillRegion(reg, s.brush);
            break;
        }
        case 75: {  // EXTSELECTCLIPRGN
            const quint32 cb = r.u32(8);
            const int mode = int(r.u32(12));
            if (cb == 0 && mode == 5) {
                s.hasClip = false;
                s.clip = QRegion();
            } else {
                m_p.selectClip(m_p.deviceRegionToTarget(regionRects(r, 16, cb)), mode);
            }
            break;
        }
        case 76: case 77: case 114: case 116: {  // BITBLT, STRETCHBLT, ALPHABLEND, TRANSPARENTBLT
            const QRectF dest(r.i32(24), r.i32(28), r.i32(32), r.i32(36));
            const quint32 rop = r.u32(40);
            const QPointF srcPt(r.i32(44), r.i32(48));
            const quint32 offBmi = r.u32(84), cbBmi = r.u32(88), offBits = r.u32(92), cbBits = r.u32(96);
            if (cbBmi == 0) {
                if (type == 76)
                    m_p.patBlt(dest, rop);
                break;
            }
            QImage img = dib(r, offBmi, cbBmi, offBits, cbBits,
                             type == 114 && ((rop >> 24) & 0x01));
            QSizeF srcSize = type == 76 ? dest.size() : QSizeF(r.i32(100), r.i32(104));
            quint32 useRop = rop;
            if (type == 114) {
                const int constAlpha = int((rop >> 16) & 0xFF);
                if (constAlpha < 255 && !img.isNull()) {
                    img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
                    QImage faded(img.size(), QImage::Format_ARGB32_Premultiplied);
                    faded.fill(Qt::transparent);
                    QPainter fp(&faded);
                    fp.setOpacity(constAlpha / 255.0);
                    fp.drawImage(0, 0, img);
                    fp.end();
                    img = faded;
                }
                useRop = 0x00CC0020;
            } else if (type == 116) {
                const QColor key = m_p.colourRef(rop);
                img = img.convertToFormat(QImage::Format_ARGB32);
                const QRgb k = key.rgb() | 0xFF000000u;
                for (int y = 0; y < img.height(); ++y) {
                    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
                    for (int x = 0; x < img.width(); ++x)
                        if ((line[x] | 0xFF000000u) == k)
                            line[x] = 0;
                }
                useRop = 0x00CC0020;
            }
            m_p.drawBitmap(dest, img, QRectF(srcPt, srcSize), useRop);
            break;
        }
        case 80: {  // SETDIBITSTODEVICE
            const QPointF dest(r.i32(24), r.i32(32));
            const QRectF src(r.i32(32), r.i32(36), r.i32(40), r.i32(44));
            QImage img = dib(r, r.u32(48), r.u32(52), r.u32(56), r.u32(60));
            m_p.drawBitmap(QRectF(QPointF(r.i32(24), r.i32(28)), src.size()), img,
                           QRectF(src.x(), src.y(), src.width(), src.height()), 0x00CC0020);
            (void)dest;
            break;
        }
        case 81: {  // STRETCHDIBITS
            const QRectF dest(r.i32(24), r.i32(28), r.i32(72), r.i32(76));
            const QRectF src(r.i32(32), r.i32(36), r.i32(40), r.i32(44));
            QImage img = dib(r, r.u32(48), r.u32(52), r.u32(56), r.u32(60));
            // Source rectangles count from the bottom row of a bottom-up DIB.
            QRectF s2 = src;
            if (!img.isNull() && src.height() > 0)
                s2.moveTop(img.height() - src.y() - src.height());
            m_p.drawBitmap(dest, img, s2, r.u32(68));
            break;
        }
        case 82: {  // EXTCREATEFONTINDIRECTW
            if (Object* o = object(r.u32(8))) {
                *o = Object();
                o->kind = Object::FontKind;
                Font& f = o->font;
                f.height = r.i32(12);
                f.width = r.i32(16);
                f.escapement = r.i32(20);
                f.weight = r.i32(28);
                f.italic = r.u8(32);
                f.underline = r.u8(33);
                f.strikeOut = r.u8(34);
                f.charset = r.u8(35);
                QString face;
                for (int i = 0; i < 32 && r.ok(40 + i * 2, 2); ++i) {
                    const quint16 c = r.u16(40 + i * 2);
                    if (!c)
                        break;
                    face += QChar(c);
                }
                f.face = faceName(face);
            }
            break;
        }
        case 83: text(r, false); break;
        case 84: text(r, true); break;
        case 108: smallText(r); break;
        case 93: case 94: {  // CREATEMONOBRUSH, CREATEDIBPATTERNBRUSHPT
            if (Object* o = object(r.u32(8))) {
                *o = Object();
                o->kind = Object::BrushKind;
                o->brush.style = 5;
                o->brush.pattern = dib(r, r.u32(16), r.u32(20), r.u32(24), r.u32(28), false, true);
            }
            break;
        }
        case 95: {  // EXTCREATEPEN
            if (Object* o = object(r.u32(8))) {
                *o = Object();
                o->kind = Object::PenKind;
                o->pen.style = int(r.u32(28));
                o->pen.width = r.u32(32);
                const quint32 brushStyle = r.u32(36);
                o->pen.colour = m_p.colourRef(r.u32(40));
                if (brushStyle == 1)
                    o->pen.style = (o->pen.style & ~0x0F) | 5;
                // Geometric pens may stroke with a hatch or a pattern bitmap.
                o->pen.brush.style = int(brushStyle);
                o->pen.brush.colour = o->pen.colour;
                o->pen.brush.hatch = int(r.u32(44));
                if (brushStyle == 3 || brushStyle == 5 || brushStyle == 6)
                    o->pen.brush.pattern = dib(r, r.u32(12), r.u32(16), r.u32(20), r.u32(24), false, true);
                if (!(o->pen.style & 0x10000))  // cosmetic pens are one pixel wide
                    o->pen.width = 0;
                const quint32 n = r.u32(48);
                for (quint32 i = 0; i < n && i < 16 && r.ok(52 + i * 4ll, 4); ++i)
                    o->pen.userDashes << r.u32(52 + i * 4ll);
            }
            break;
        }
        case 118: {  // GRADIENTFILL
            const quint32 nVer = r.u32(24), nTri = r.u32(28), mode = r.u32(32);
            if (!r.ok(36, qint64(nVer) * 16))
                break;
            auto vertex = [&](quint32 i, QPointF& p, QColor& c) {
                if (i >= nVer)
                    return false;
                const qint64 o = 36 + qint64(i) * 16;
                p = pt32(r, o);
                c = QColor(r.u16(o + 8) >> 8, r.u16(o + 10) >> 8, r.u16(o + 12) >> 8);
                return true;
            };
            const qint64 idx = 36 + qint64(nVer) * 16;
            for (quint32 k = 0; k < nTri; ++k) {
                if (mode == 2) {
                    if (!r.ok(idx + k * 12ll, 12))
                        break;
                    QVector<QPointF> pts(3);
                    QVector<QColor> cs(3);
                    bool ok = true;
                    for (int j = 0; j < 3; ++j)
                        ok = ok && vertex(r.u32(idx + k * 12ll + j * 4), pts[j], cs[j]);
                    if (ok)
                        m_p.gradientTriangle(pts, cs);
                } else {
                    if (!r.ok(idx + k * 8ll, 8))
                        break;
                    QPointF a, b;
                    QColor ca, cb;
                    if (vertex(r.u32(idx + k * 8ll), a, ca) && vertex(r.u32(idx + k * 8ll + 4), b, cb))
                        m_p.gradientRect(QRectF(a, b), ca, cb, mode == 1);
                }
            }
            break;
        }
        default: break;  // records that do not change the drawing
        }
    }

    Bytes m_b;
    Player& m_p;
    std::vector<Object> m_objects;
};

// ---------------------------------------------------------------- WMF

class WmfReader
{
public:
    // With `fixedWindow` the window the player was given stays: the file's window records are
    // ignored (a file without window extent is drawn by the box around its coordinates).
    WmfReader(Bytes b, Player& p, int objects, bool fixedWindow = false) : m_b(b), m_p(p), m_fixedWindow(fixedWindow)
    {
        m_objects.resize(size_t(std::clamp(objects, 0, kMaxObjects)));
    }

    // The box around the coordinates the drawing records use (empty when they use none).
    static QRectF contentBounds(const Bytes& b)
    {
        double left = 0, top = 0, right = 0, bottom = 0;
        bool any = false;
        auto add = [&](double x, double y) {
            if (!any) {
                left = right = x;
                top = bottom = y;
                any = true;
            }
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        };
        qint64 off = 0;
        while (b.ok(off, 6)) {
            const qint64 words = b.u32(off);
            const quint16 fn = b.u16(off + 4);
            if (words < 3 || !b.ok(off, words * 2) || fn == 0)
                break;
            const Bytes r = b.sub(off, words * 2);
            const qint64 params = words - 3;
            auto w = [&](qint64 i) { return r.i16(6 + i * 2); };
            auto pt = [&](qint64 ix, qint64 iy) {
                if (ix < params && iy < params)
                    add(w(ix), w(iy));
            };
            auto rectAt = [&](qint64 first) {  // bottom, right, top, left
                pt(first + 3, first + 2);
                pt(first + 1, first);
            };
            auto sized = [&](qint64 ix, qint64 iy, qint64 iw, qint64 ih) {  // x, y, width, height
                if (std::max({ix, iy, iw, ih}) < params) {
                    add(w(ix), w(iy));
                    add(w(ix) + w(iw), w(iy) + w(ih));
                }
            };
            switch (fn) {
            case 0x0213: case 0x0214: case 0x0A32: pt(1, 0); break;  // LINETO, MOVETO, EXTTEXTOUT
            case 0x041B: case 0x0418: rectAt(0); break;               // RECTANGLE, ELLIPSE
            case 0x061C: rectAt(2); break;                            // ROUNDRECT
            case 0x0817: case 0x081A: case 0x0830: rectAt(4); break;  // ARC, PIE, CHORD
            case 0x041F: pt(3, 2); break;                             // SETPIXEL
            case 0x061D: sized(5, 4, 3, 2); break;                    // PATBLT
            case 0x0F43: sized(10, 9, 8, 7); break;                   // STRETCHDIB
            case 0x0D33: sized(8, 7, 6, 5); break;                    // SETDIBTODEV
            case 0x0521: {                                            // TEXTOUT: count, string, y, x
                const qint64 padded = (r.u16(6) + 1) / 2;
                pt(2 + padded, 1 + padded);
                break;
            }
            case 0x0324: case 0x0325: {                               // POLYGON, POLYLINE
                const qint64 n = std::max<qint64>(0, w(0));
                for (qint64 i = 0; i < n && 2 + 2 * i < params; ++i)
                    pt(1 + 2 * i, 2 + 2 * i);
                break;
            }
            case 0x0538: {                                            // POLYPOLYGON
                const qint64 polys = r.u16(6);
                qint64 total = 0;
                for (qint64 k = 0; k < polys && 1 + k < params; ++k)
                    total += r.u16(8 + k * 2);
                for (qint64 i = 0, at = 1 + polys; i < total && at + 1 < params; ++i, at += 2)
                    pt(at, at + 1);
                break;
            }
            case 0x0940: case 0x0B41: {                               // DIBBITBLT, DIBSTRETCHBLT
                const bool stretch = fn == 0x0B41;
                const bool noBitmap = words == (fn >> 8) + 3;
                const qint64 i = 2 + (stretch ? 2 : 0) + 2 + (noBitmap ? 1 : 0);
                sized(i + 3, i + 2, i + 1, i);
                break;
            }
            default: break;
            }
            off += words * 2;
        }
        if (!any)
            return QRectF();
        // A single line still gets a box of one unit.
        return QRectF(left, top, std::max(1.0, right - left), std::max(1.0, bottom - top));
    }

    void play()
    {
        qint64 off = 0;
        while (m_b.ok(off, 6)) {
            const qint64 words = m_b.u32(off);
            const quint16 fn = m_b.u16(off + 4);
            if (words < 3 || !m_b.ok(off, words * 2))
                break;
            if (fn == 0)
                break;
            record(fn, m_b.sub(off, words * 2));
            off += words * 2;
        }
    }

private:
    // Parameters start after the size and function words.
    qint16 w(const Bytes& r, int i) const { return r.i16(6 + i * 2); }
    quint16 uw(const Bytes& r, int i) const { return r.u16(6 + i * 2); }
    QRectF rectLTRB(const Bytes& r, int first) const
    {
        // bottom, right, top, left
        return QRectF(QPointF(w(r, first + 3), w(r, first + 2)), QPointF(w(r, first + 1), w(r, first)));
    }

    int add(const Object& o)
    {
        for (size_t i = 0; i < m_objects.size(); ++i)
            if (m_objects[i].kind == Object::None) {
                m_objects[i] = o;
                return int(i);
            }
        if (m_objects.size() < size_t(kMaxObjects)) {
            m_objects.push_back(o);
            return int(m_objects.size() - 1);
        }
        return -1;
    }
    Object* object(quint16 i) { return i < m_objects.size() ? &m_objects[i] : nullptr; }

    QImage dibAt(const Bytes& r, qint64 off, bool pattern = false)
    {
        if (!r.ok(off, 12))
            return QImage();
        const qint64 hs = dibHeaderSize(r.d + off, r.n - off);
        if (hs <= 0 || !r.ok(off, hs))
            return QImage();
        const qint64 cbBits = r.n - off - hs;
        const qint64 limit = pattern ? std::min(kMaxPatternPixels, bitmapPixelLimit(cbBits, 0))
                                     : m_p.bitmapPixelLimit(cbBits);
        QImage img = decodeDib(r.d + off, hs, r.d + off + hs, cbBits, limit);
        if (pattern && (img.width() > kMaxPatternSide || img.height() > kMaxPatternSide))
            return QImage();
        return img;
    }

    QRegion region(const Bytes& r)
    {
        // Region object: header (nextInChain, type, 32-bit count, size, scanCount, maxScan, bbox), scans.
        const int scans = w(r, 5);
        QRegion reg;
        qint64 o = 6 + 22;
        int rects = 0;
        for (int i = 0; i < scans && r.ok(o, 6) && rects < kMaxRegionRects; ++i) {
            const quint16 count = r.u16(o);
            const qint16 top = r.i16(o + 2), bottom = r.i16(o + 4);
            qint64 q = o + 6;
            for (int k = 0; k + 1 < count && r.ok(q, 4) && rects < kMaxRegionRects; k += 2, q += 4, ++rects)
                reg += QRect(QPoint(r.i16(q), top), QPoint(r.i16(q + 2) - 1, bottom - 1));
            o += 6 + qint64(count) * 2 + 2;
        }
        if (scans == 0) {
            const QRectF box(QPointF(w(r, 7), w(r, 8)), QPointF(w(r, 9), w(r, 10)));
            if (box.isValid() && box.width() < 65536)
                reg = QRegion(box.toRect());
        }
        return reg;
    }

    void text(QPointF ref, const QByteArray& bytes, const QVector<double>& dx, int options, const QRectF& rect)
    {
        m_p.text(ref, decodeAnsi(bytes, m_p.s.font.charset), dx, options, rect, false);
    }

    void record(quint16 fn, const Bytes& r)
    {
        DcState& s = m_p.s;
        const qint64 params = (r.n - 6) / 2;
        switch (fn) {
        case 0x0201: s.bkColour = m_p.colourRef(r.u32(6)); break;
        case 0x0102: s.bkMode = uw(r, 0); break;
        case 0x0103: break;  // SETMAPMODE: the window always maps onto the picture's box
        case 0x0104: s.rop2 = uw(r, 0); break;
        case 0x0106: s.polyFill = uw(r, 0); break;
        case 0x0209: s.textColour = m_p.colourRef(r.u32(6)); break;
        case 0x012E: s.textAlign = uw(r, 0); break;
        case 0x020B: if (!m_fixedWindow) s.winOrg = QPointF(w(r, 1), w(r, 0)); break;
        case 0x020C: if (!m_fixedWindow) s.winExt = QSizeF(w(r, 1), w(r, 0)); break;
        case 0x020F: if (!m_fixedWindow) s.winOrg += QPointF(w(r, 1), w(r, 0)); break;
        case 0x0410: {  // SCALEWINDOWEXT: yDenom, yNum, xDenom, xNum
            const int yd = w(r, 0), yn = w(r, 1), xd = w(r, 2), xn = w(r, 3);
            if (xd && yd && !m_fixedWindow)
                s.winExt = QSizeF(s.winExt.width() * xn / xd, s.winExt.height() * yn / yd);
            break;
        }
        case 0x0213: m_p.lineTo(QPointF(w(r, 1), w(r, 0))); break;
        case 0x0214: m_p.moveTo(QPointF(w(r, 1), w(r, 0))); break;
        case 0x0415: m_p.excludeClipRect(rectLTRB(r, 0)); break;
        case 0x0416: m_p.intersectClipRect(rectLTRB(r, 0)); break;
        case 0x0220: m_p.offsetClip(QPointF(w(r, 1), w(r, 0))); break;
        case 0x0817: case 0x081A: case 0x0830: {  // ARC, PIE, CHORD
            const QPointF end(w(r, 1), w(r, 0)), start(w(r, 3), w(r, 2));
            const int kind = fn == 0x0817 ? 0 : fn == 0x081A ? 2 : 1;
            m_p.arc(rectLTRB(r, 4), start, end, kind);
            break;
        }
        case 0x0418: m_p.ellipse(rectLTRB(r, 0)); break;
        case 0x041B: m_p.rectangle(rectLTRB(r, 0)); break;
        case 0x061C: m_p.roundRect(rectLTRB(r, 2), QSizeF(w(r, 1), w(r, 0))); break;
        case 0x061D: {  // PATBLT: rop, height, width, y, x
            const QRectF rc(w(r, 5), w(r, 4), w(r, 3), w(r, 2));
            m_p.patBlt(rc, r.u32(6));
            break;
        }
        case 0x001E: m_p.saveDc(); break;
        case 0x0127: m_p.restoreDc(w(r, 0)); break;
        case 0x041F: m_p.setPixel(QPointF(w(r, 3), w(r, 2)), m_p.colourRef(r.u32(6))); break;
        case 0x0324: case 0x0325: {  // POLYGON, POLYLINE
            const int n = w(r, 0);
            if (n <= 0 || n > params)
                break;
            QVector<QPointF> pts;
            pts.reserve(n);
            for (int i = 0; i < n && 2 + 2 * i < params; ++i)
                pts << QPointF(w(r, 1 + 2 * i), w(r, 2 + 2 * i));
            if (fn == 0x0324)
                m_p.polygon(pts);
            else
                m_p.polyline(pts, false);
            break;
        }
        case 0x0538: {  // POLYPOLYGON
            const int nPolys = uw(r, 0);
            if (nPolys <= 0 || nPolys > params)
                break;
            int at = 1 + nPolys;
            QVector<QVector<QPointF>> polys;
            for (int k = 0; k < nPolys; ++k) {
                const int c = uw(r, 1 + k);
                if (at + 2 * qint64(c) > params)
                    break;
                QVector<QPointF> pts;
                pts.reserve(c);
                for (int i = 0; i < c; ++i)
                    pts << QPointF(w(r, at + 2 * i), w(r, at + 2 * i + 1));
                at += 2 * c;
                polys << pts;
            }
            m_p.polyPolygon(polys);
            break;
        }
        case 0x0521: {  // TEXTOUT: count, string, y, x
            const int n = std::min<int>(uw(r, 0), kMaxTextChars);
            const int padded = (uw(r, 0) + 1) / 2;
            if (!r.ok(8, n) || 1 + padded + 1 >= params + 1)
                break;
            const QByteArray str(reinterpret_cast<const char*>(r.d + 8), n);
            const QPointF ref(w(r, 1 + padded + 1), w(r, 1 + padded));
            text(ref, str, {}, 0, QRectF());
            break;
        }
        case 0x0A32: {  // EXTTEXTOUT: y, x, count, options, [rect], string, [dx]
            const QPointF ref(w(r, 1), w(r, 0));
            const int n = uw(r, 2);
            const int options = uw(r, 3);
            int at = 4;
            QRectF rect;
            if (options & 0x06) {
                rect = QRectF(QPointF(w(r, 4), w(r, 5)), QPointF(w(r, 6), w(r, 7)));
                at = 8;
            }
            const qint64 so = 6 + at * 2ll;
            if (!r.ok(so, n))
                break;
            const QByteArray str(reinterpret_cast<const char*>(r.d + so), n);
            const qint64 dxo = so + ((n + 1) / 2) * 2;
            QVector<double> dx;
            if (r.ok(dxo, qint64(n) * 2))
                for (int i = 0; i < n; ++i)
                    dx << r.i16(dxo + i * 2);
            text(ref, str, dx, options, rect);
            break;
        }
        case 0x0940: case 0x0B41: case 0x0922: case 0x0B23: {  // DIBBITBLT, DIBSTRETCHBLT, BITBLT, STRETCHBLT
            const bool stretch = fn == 0x0B41 || fn == 0x0B23;
            const quint32 rop = r.u32(6);
            const bool noBitmap = r.n / 2 == (fn >> 8) + 3;
            int i = 2;  // after the rop
            QSizeF srcSize;
            if (stretch) {
                srcSize = QSizeF(w(r, i + 1), w(r, i));
                i += 2;
            }
            const QPointF srcPt(w(r, i + 1), w(r, i));
            i += 2;
            if (noBitmap)
                i += 1;
            const QSizeF destSize(w(r, i + 1), w(r, i));
            const QPointF destPt(w(r, i + 3), w(r, i + 2));
            i += 4;
            const QRectF dest(destPt, destSize);
            if (noBitmap || fn == 0x0922 || fn == 0x0B23) {
                // The old device-dependent bitmap forms are drawn as pattern operations.
                m_p.patBlt(dest, rop);
                break;
            }
            const QImage img = dibAt(r, 6 + i * 2ll);
            m_p.drawBitmap(dest, img, QRectF(srcPt, stretch ? srcSize : destSize), rop);
            break;
        }
        case 0x0F43: {  // STRETCHDIB: rop, usage, srcH, srcW, ySrc, xSrc, destH, destW, yDst, xDst, DIB
            const quint32 rop = r.u32(6);
            const QRectF src(w(r, 6), w(r, 5), w(r, 4), w(r, 3));
            const QRectF dest(w(r, 10), w(r, 9), w(r, 8), w(r, 7));
            const QImage img = dibAt(r, 6 + 11 * 2);
            QRectF s2 = src;
            if (!img.isNull() && src.height() > 0)
                s2.moveTop(img.height() - src.y() - src.height());
            m_p.drawBitmap(dest, img, s2, rop);
            break;
        }
        case 0x0D33: {  // SETDIBTODEV: usage, scanCount, startScan, yDib, xDib, h, w, yDest, xDest, DIB
            const QRectF src(w(r, 4), w(r, 3), w(r, 6), w(r, 5));
            const QPointF dest(w(r, 8), w(r, 7));
            const QImage img = dibAt(r, 6 + 9 * 2);
            m_p.drawBitmap(QRectF(dest, src.size()), img, src, 0x00CC0020);
            break;
        }
        case 0x0142: {  // DIBCREATEPATTERNBRUSH
            Object o;
            o.kind = Object::BrushKind;
            o.brush.style = 5;
            o.brush.pattern = dibAt(r, 10, true);
            add(o);
            break;
        }
        case 0x01F9: {  // CREATEPATTERNBRUSH (old bitmap form): a grey stand-in
            Object o;
            o.kind = Object::BrushKind;
            o.brush.colour = Qt::gray;
            add(o);
            break;
        }
        case 0x02FA: {  // CREATEPENINDIRECT
            Object o;
            o.kind = Object::PenKind;
            o.pen.style = uw(r, 0);
            o.pen.width = w(r, 1);
            o.pen.colour = m_p.colourRef(r.u32(6 + 3 * 2));
            add(o);
            break;
        }
        case 0x02FC: {  // CREATEBRUSHINDIRECT
            Object o;
            o.kind = Object::BrushKind;
            o.brush.style = uw(r, 0);
            o.brush.colour = m_p.colourRef(r.u32(8));
            o.brush.hatch = uw(r, 3);
            add(o);
            break;
        }
        case 0x02FB: {  // CREATEFONTINDIRECT
            Object o;
            o.kind = Object::FontKind;
            Font& f = o.font;
            f.height = w(r, 0);
            f.width = w(r, 1);
            f.escapement = w(r, 2);
            f.weight = w(r, 4);
            f.italic = r.u8(16);
            f.underline = r.u8(17);
            f.strikeOut = r.u8(18);
            f.charset = r.u8(19);
            QByteArray face;
            for (int i = 0; i < 32 && r.ok(24 + i, 1) && r.u8(24 + i); ++i)
                face += char(r.u8(24 + i));
            f.face = faceName(win1252::decode(face));
            add(o);
            break;
        }
        case 0x00F7: {  // CREATEPALETTE
            Object o;
            o.kind = Object::PaletteKind;
            const int n = uw(r, 1);
            for (int i = 0; i < n && r.ok(10 + i * 4ll, 4); ++i)
                o.palette << QColor(r.u8(10 + i * 4ll), r.u8(11 + i * 4ll), r.u8(12 + i * 4ll));
            add(o);
            break;
        }
        case 0x06FF: {  // CREATEREGION
            Object o;
            o.kind = Object::RegionKind;
            o.region = region(r);
            add(o);
            break;
        }
        case 0x012D: {  // SELECTOBJECT
            if (Object* o = object(uw(r, 0))) {
                switch (o->kind) {
                case Object::PenKind: s.pen = o->pen; break;
                case Object::BrushKind: s.brush = o->brush; break;
                case Object::FontKind: s.font = o->font; break;
                case Object::RegionKind: m_p.selectClip(m_p.logicalRegionToTarget(o->region), 5); break;
                default: break;
                }
            }
            break;
        }
        case 0x0234: {  // SELECTPALETTE
            if (Object* o = object(uw(r, 0)); o && o->kind == Object::PaletteKind)
                m_p.palette = o->palette;
            break;
        }
        case 0x01F0: {
            if (Object* o = object(uw(r, 0)))
                *o = Object();
            break;
        }
        case 0x012C: {  // SELECTCLIPREGION
            Object* o = object(uw(r, 0));
            if (o && o->kind == Object::RegionKind)
                m_p.selectClip(m_p.logicalRegionToTarget(o->region), 5);
            else if (!o || o->kind == Object::None) {
                s.hasClip = false;
                s.clip = QRegion();
            }
            break;
        }
        case 0x0228: case 0x0429: {  // FILLREGION, FRAMEREGION
            Object* reg = object(uw(r, 0));
            Object* br = object(uw(r, 1));
            if (!reg || reg->kind != Object::RegionKind || !br || br->kind != Object::BrushKind)
                break;
            const QRegion t = m_p.logicalRegionToTarget(reg->region);
            if (fn == 0x0228)
                m_p.fillRegion(t, br->brush);
            else
                m_p.frameRegion(t, br->brush, QSizeF(w(r, 3), w(r, 2)));
            break;
        }
        case 0x012B: case 0x012A: {  // PAINTREGION, INVERTREGION
            Object* reg = object(uw(r, 0));
            if (!reg || reg->kind != Object::RegionKind)
                break;
            const QRegion t = m_p.logicalRegionToTarget(reg->region);
            if (fn == 0x012B)
                m_p.fillRegion(t, s.brush);
            else
                m_p.invertRegion(t);
            break;
        }
        default: break;
        }
    }

    Bytes m_b;
    Player& m_p;
    bool m_fixedWindow;
    std::vector<Object> m_objects;
};

} // namespace

Format detect(const QByteArray& bytes)
{
    const Bytes b{reinterpret_cast<const uchar*>(bytes.constData()), bytes.size()};
    if (b.u32(0) == kPlaceableKey)
        return Format::Wmf;
    if (b.u32(0) == 1 && b.u32(40) == kEmfSignature)
        return Format::Emf;
    const quint16 type = b.u16(0), hs = b.u16(2);
    if ((type == 1 || type == 2) && hs == 9)
        return Format::Wmf;
    return Format::None;
}

std::optional<Metafile> Metafile::fromBytes(const QByteArray& bytes)
{
    if (bytes.size() > kMaxFileBytes)
        return std::nullopt;
    Metafile m;
    m.m_bytes = bytes;
    m.m_format = detect(bytes);
    const Bytes b{reinterpret_cast<const uchar*>(m.m_bytes.constData()), m.m_bytes.size()};
    auto setNatural = [&m](double w, double h) {
        m.m_naturalF = QSizeF(std::clamp(w, 0.0, 100000.0), std::clamp(h, 0.0, 100000.0));
        m.m_natural = QSize(int(std::lround(m.m_naturalF.width())), int(std::lround(m.m_naturalF.height())));
    };
    if (m.m_format == Format::Emf) {
        if (!b.ok(0, 88))
            return std::nullopt;
        const QRectF frame(QPointF(b.i32(24), b.i32(28)), QPointF(b.i32(32), b.i32(36)));  // 0.01 mm
        const QRectF bounds(QPointF(b.i32(8), b.i32(12)), QPointF(b.i32(16) + 1.0, b.i32(20) + 1.0));
        double devX = b.i32(72), devY = b.i32(76), mmX = b.i32(80), mmY = b.i32(84);
        if (devX <= 0 || devY <= 0 || mmX <= 0 || mmY <= 0) {
            devX = devY = 96;
            mmX = mmY = 25.4;
        }
        const double pxmmX = devX / mmX, pxmmY = devY / mmY;
        m.m_objectCount = b.u16(48);
        if (frame.width() > 0 && frame.height() > 0) {
            m.m_frame = QRectF(frame.left() / 100 * pxmmX, frame.top() / 100 * pxmmY, frame.width() / 100 * pxmmX,
                               frame.height() / 100 * pxmmY);
            setNatural(frame.width() * 96 / 2540.0, frame.height() * 96 / 2540.0);
        } else if (bounds.width() > 0 && bounds.height() > 0) {
            m.m_frame = bounds;
            setNatural(bounds.width() * 96 / (pxmmX * 25.4), bounds.height() * 96 / (pxmmY * 25.4));
        }
    } else if (m.m_format == Format::Wmf) {
        qint64 start = 0;
        if (b.u32(0) == kPlaceableKey) {
            const QRectF box(QPointF(b.i16(6), b.i16(8)), QPointF(b.i16(10), b.i16(12)));
            const int inch = b.u16(14) ? b.u16(14) : 1440;
            m.m_frame = box.normalized();
            setNatural(m.m_frame.width() * 96.0 / inch, m.m_frame.height() * 96.0 / inch);
            start = 22;
        }
        if (!b.ok(start, 18))
            return std::nullopt;
        m.m_objectCount = b.u16(start + 10);
        if (m.m_frame.isEmpty()) {
            // A plain WMF: its first window origin and extent give the picture's frame.
            QPointF org;
            QSizeF ext(0, 0);
            const qint64 records = start + std::max<qint64>(9, b.u16(start + 2)) * 2;
            qint64 off = records;
            while (b.ok(off, 6)) {
                const qint64 words = b.u32(off);
                const quint16 fn = b.u16(off + 4);
                if (words < 3 || !b.ok(off, words * 2) || fn == 0)
                    break;
                if (fn == 0x020B)
                    org = QPointF(b.i16(off + 8), b.i16(off + 6));
                if (fn == 0x020C && (ext.width() == 0 || ext.height() == 0))
                    ext = QSizeF(b.i16(off + 8), b.i16(off + 6));
                off += words * 2;
            }
            if (ext.width() != 0 && ext.height() != 0) {
                m.m_frame = QRectF(org, ext).normalized();
            } else {
                // No window extent: the box around the records' own coordinates, one unit a pixel.
                m.m_frame = WmfReader::contentBounds(b.sub(records, b.n - records));
                m.m_fixedWindow = true;
            }
            setNatural(m.m_frame.width(), m.m_frame.height());
        }
    } else {
        return std::nullopt;
    }
    if (m.m_frame.width() <= 0 || m.m_frame.height() <= 0 || m.m_natural.isEmpty())
        return std::nullopt;
    return m;
}

std::optional<Metafile> Metafile::load(const QString& path)
{
    const auto bytes = fsys::readFile(path, kMaxFileBytes);
    if (!bytes)
        return std::nullopt;
    return fromBytes(*bytes);
}

void Metafile::render(QPainter& painter, const QRectF& target, bool antialias) const
{
    if (m_format == Format::None || target.isEmpty() || m_frame.isEmpty())
        return;
    const Bytes b{reinterpret_cast<const uchar*>(m_bytes.constData()), m_bytes.size()};
    // Frame -> target.
    QTransform fit;
    fit.translate(target.x(), target.y());
    fit.scale(target.width() / m_frame.width(), target.height() / m_frame.height());
    fit.translate(-m_frame.x(), -m_frame.y());
    if (m_format == Format::Emf) {
        double devX = b.i32(72), devY = b.i32(76), mmX = b.i32(80), mmY = b.i32(84);
        if (devX <= 0 || devY <= 0 || mmX <= 0 || mmY <= 0) {
            devX = devY = 96;
            mmX = mmY = 25.4;
        }
        Player player(painter, fit * painter.transform(), QSizeF(devX / mmX, devY / mmY), antialias);
        EmfReader reader(b, player, m_objectCount);
        reader.play();
    } else {
        Player player(painter, painter.transform(), QSizeF(96 / 25.4, 96 / 25.4), antialias);
        // The window maps onto the picture's box, which fills the target.
        player.s.mapMode = 8;
        player.s.vpOrg = target.topLeft();
        player.s.vpExt = target.size();
        player.s.winOrg = m_frame.topLeft();
        player.s.winExt = m_frame.size();
        const qint64 start = b.u32(0) == kPlaceableKey ? 22 : 0;
        const qint64 headerWords = std::max<qint64>(9, b.u16(start + 2));
        WmfReader reader(b.sub(start + headerWords * 2, b.n - start - headerWords * 2), player, m_objectCount,
                         m_fixedWindow);
        reader.play();
    }
}

} // namespace metafile
