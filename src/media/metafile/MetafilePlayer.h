#pragma once
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRegion>
#include <QString>
#include <QTransform>
#include <QVector>
#include <functional>
#include <vector>

class QFontMetricsF;
class QPainter;

// The device-context state and drawing primitives shared by the WMF and EMF readers. Coordinates
// handed in are logical; the player maps them through world transform, page mapping (window and
// viewport) and the fit of the picture's frame onto the target.
namespace metafile::detail {

struct Brush {
    int style = 0;          // BS_*
    QColor colour = Qt::white;
    int hatch = 0;
    QImage pattern;
};

struct Pen {
    int style = 0;          // PS_* with end cap, join and type bits
    double width = 0;       // logical units; 0 is one device pixel
    QColor colour = Qt::black;
    QVector<qreal> userDashes;  // logical units
    Brush brush;            // extended pens: hatched and pattern strokes (BS_SOLID uses the colour)
};

struct Font {
    double height = 0;
    double width = 0;
    int escapement = 0;     // tenths of a degree, counterclockwise
    int weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    int charset = 0;
    QString face;
};

struct Object {
    enum Kind { None, PenKind, BrushKind, FontKind, PaletteKind, RegionKind } kind = None;
    Pen pen;
    Brush brush;
    Font font;
    QVector<QColor> palette;
    QRegion region;          // WMF regions, in logical units (mapped when used)
};

struct DcState {
    Pen pen;
    Brush brush;
    Font font;
    QColor textColour = Qt::black;
    QColor bkColour = Qt::white;
    int bkMode = 2;          // OPAQUE
    int polyFill = 1;        // ALTERNATE
    int rop2 = 13;           // R2_COPYPEN
    int textAlign = 0;
    int arcDirection = 1;    // counterclockwise
    int mapMode = 1;         // MM_TEXT
    QPointF winOrg, vpOrg;
    QSizeF winExt{1, 1}, vpExt{1, 1};
    QTransform world;
    bool hasClip = false;
    QRegion clip;            // target pixels
    bool hasMeta = false;    // the metaregion: drawing stays inside it whatever the clip becomes
    QRegion meta;            // target pixels
    QPointF brushOrg;        // device units
    QPointF current;
};

class Player
{
public:
    // `deviceToTarget` maps the file's device space onto the painter. `pxPerMm` gives the reference
    // device's resolution for the metric mapping modes.
    Player(QPainter& painter, const QTransform& deviceToTarget, QSizeF pxPerMm, bool antialias);
    ~Player();

    DcState s;
    QVector<QColor> palette;

    // Mapping.
    QTransform pageTransform() const;
    QTransform logicalToTarget() const { return s.world * pageTransform() * m_deviceToTarget; }
    const QTransform& deviceToTarget() const { return m_deviceToTarget; }

    // State.
    void saveDc();
    void restoreDc(int relative);
    QColor colourRef(quint32 c) const;

    // Clipping (logical rectangles; regions in device or logical units).
    void intersectClipRect(const QRectF& r);
    void excludeClipRect(const QRectF& r);
    void selectClip(const QRegion& targetRegion, int mode);
    void offsetClip(QPointF logical);
    // SetMetaRgn: the metaregion becomes its intersection with the clip, and the clip is reset.
    void setMetaRegion();
    QRegion deviceRegionToTarget(const QVector<QRectF>& rects) const;
    QRegion logicalRegionToTarget(const QRegion& r) const;
    QRegion pathToTarget(const QPainterPath& logicalPath) const;

    // Paths (EMF BeginPath/EndPath).
    bool inPath = false;
    QPainterPath path;
    void beginPath() { inPath = true; path = QPainterPath(); }
    void fillPath(bool fill, bool stroke);
    void selectClipPath(int mode);

    // Drawing in logical units.
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void polyline(const QVector<QPointF>& pts, bool fromCurrent);
    void polygon(const QVector<QPointF>& pts);
    void polyPolygon(const QVector<QVector<QPointF>>& polys);
    void polyBezier(const QVector<QPointF>& pts, bool fromCurrent);
    void rectangle(const QRectF& r);
    void roundRect(const QRectF& r, QSizeF corner);
    void ellipse(const QRectF& r);
    // kind 0 arc, 1 chord, 2 pie, 3 arc-to (moves the current position)
    void arc(const QRectF& box, QPointF start, QPointF end, int kind);
    void angleArc(QPointF centre, double radius, double startDeg, double sweepDeg);
    void fillRegion(const QRegion& targetRegion, const Brush& brush);
    void frameRegion(const QRegion& targetRegion, const Brush& brush, QSizeF penSize);
    void invertRegion(const QRegion& targetRegion);
    void setPixel(QPointF p, QColor c);
    void patBlt(const QRectF& r, quint32 rop);
    // Draws `image` (part `src`) into the logical rectangle `dest` with a ternary raster op.
    void drawBitmap(const QRectF& dest, const QImage& image, const QRectF& src, quint32 rop);
    void gradientRect(const QRectF& r, QColor a, QColor b, bool vertical);
    // Interpolates the three vertex colours across the triangle.
    void gradientTriangle(const QVector<QPointF>& pts, const QVector<QColor>& colours);
    // Text at a logical reference point; `dx` holds logical advances (may be empty).
    void text(QPointF ref, const QString& str, const QVector<double>& dx, int options, const QRectF& rect,
              bool useCurrent);

    // Draws one shape with the current pen and/or brush honouring ROP2 and clip; when a path is
    // open the shape is only recorded.
    void drawShape(const QPainterPath& shape, bool fill, bool stroke);

    // The most pixels a bitmap decoded from `dataBytes` of a record may have on this target.
    qint64 bitmapPixelLimit(qint64 dataBytes) const;

private:
    bool prepare();
    // The pen or brush colour as R2_BLACK, R2_WHITE and R2_NOTCOPYPEN turn it.
    QColor ropColour(QColor c) const;
    QPen makePen(const QTransform& t) const;
    QBrush makeBrush(const Brush& b, const QTransform& t) const;
    // Maps a brush's pattern pixels onto device pixels from the brush origin, for a painter
    // transform `t`.
    QTransform patternTransform(const QTransform& t) const;
    // Draws a string at an angle through a straight buffer; false when it is left to the caller.
    // `clip` is the clip in force (target pixels), null when there is none.
    bool drawTurned(const QFontMetricsF& fm, double x, double y, double width, const QRegion* clip,
                    const std::function<void(QPainter&)>& drawString);
    // The clip in force (clip and metaregion); false when drawing is not clipped at all.
    bool activeClip(QRegion& out) const;
    void applyClip();
    QRegion universe() const;
    double minPenPx() const;

    QPainter& m_p;
    QTransform m_deviceToTarget;
    QSizeF m_pxPerMm;
    bool m_antialias;
    std::vector<DcState> m_stack;
    QImage m_turnBuffer;  // strings at an angle are drawn here straight first
};

// Every buffer whose size a file decides is noted here before it is made; see largestAllocation().
void noteAllocation(qint64 bytes);

} // namespace metafile::detail
