#include "media/picture/Picture.h"
#include "media/picture/SchoolFonts.h"

#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/TextUtil.h"
#include "media/metafile/Metafile.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace picture {

namespace {

constexpr int kDotsPerMeter96 = 3780;  // 96 dpi

// A picture ready to draw: a raster image (with alpha where it is transparent) or a metafile.
struct Loaded {
    QImage raster;
    std::optional<metafile::Metafile> meta;
    QSize size() const { return meta ? meta->naturalSize() : raster.size(); }
    bool ok() const { return meta ? !meta->naturalSize().isEmpty() : !raster.isNull(); }
};

QImage keyTransparent(const QImage& in)
{
    QImage img = in.convertToFormat(QImage::Format_ARGB32);
    if (img.isNull())
        return img;
    const QRgb key = img.pixel(0, img.height() - 1) | 0xFF000000u;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((line[x] | 0xFF000000u) == key)
                line[x] = 0;
    }
    return img;
}

// Decodes by extension. Bitmaps drawn transparently leave out their bottom-left pixel's colour,
// GIFs keep their transparent colour out, JPEGs are always opaque.
std::optional<Loaded> load(const QString& file, bool transparent)
{
    const QString ext = fsys::extension(file).toLower();
    Loaded l;
    if (ext == QLatin1String(".wmf") || ext == QLatin1String(".emf")) {
        l.meta = metafile::Metafile::load(file);
        if (!l.meta)
            return std::nullopt;
        return l;
    }
    const auto bytes = fsys::readFile(file, metafile::kMaxFileBytes);
    if (!bytes)
        return std::nullopt;
    const char* format = nullptr;
    if (ext == QLatin1String(".bmp"))
        format = "bmp";
    else if (ext == QLatin1String(".gif"))
        format = "gif";
    else if (ext == QLatin1String(".jpg") || ext == QLatin1String(".jpeg"))
        format = "jpeg";
    l.raster = QImage::fromData(*bytes, format);
    if (l.raster.isNull() && format)
        l.raster = QImage::fromData(*bytes);
    if (l.raster.isNull())
        return std::nullopt;
    if (ext == QLatin1String(".jpg") || ext == QLatin1String(".jpeg"))
        l.raster = l.raster.convertToFormat(QImage::Format_RGB32);
    else if (ext == QLatin1String(".gif"))
        l.raster = l.raster.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    else if (transparent)
        l.raster = keyTransparent(l.raster);
    else
        l.raster = l.raster.convertToFormat(QImage::Format_RGB32);
    return l;
}

void drawLoaded(QPainter& p, const Loaded& l, const QRectF& rect)
{
    if (rect.isEmpty())
        return;
    if (l.meta) {
        l.meta->render(p, rect, true);
    } else {
        p.save();
        p.setRenderHint(QPainter::SmoothPixmapTransform, rect.size() != QSizeF(l.raster.size()));
        p.drawImage(rect, l.raster);
        p.restore();
    }
}

void fill(QImage& img, Colour c)
{
    if (c >= 0)
        img.fill(toQColor(c));
}

int alignOffset(int space, int size, int align)
{
    switch (align) {
    case 0: return 0;
    case 2: return space - size;
    default: return (space - size) / 2;
    }
}

// Step 4 of the fitting rules: natural size when smaller than the box and not enlarged, else fitted.
QRect placeIn(QSize pic, QSize box, bool enlarge, int vAlign, int hAlign)
{
    QRect r;
    if (!enlarge && pic.width() < box.width() && pic.height() < box.height()) {
        r = QRect(QPoint(0, 0), pic);
    } else {
        r = FitRect(pic.width(), pic.height(), QRect(QPoint(0, 0), box));
        r.moveTopLeft(QPoint(0, 0));
    }
    r.moveTopLeft(QPoint(alignOffset(box.width(), r.width(), hAlign), alignOffset(box.height(), r.height(), vAlign)));
    return r;
}

QImage transparentBitmap(int w, int h)
{
    QImage img(std::max(0, w), std::max(0, h), QImage::Format_ARGB32_Premultiplied);
    img.setDotsPerMeterX(kDotsPerMeter96);
    img.setDotsPerMeterY(kDotsPerMeter96);
    img.fill(Qt::transparent);
    return img;
}

// Shared body of DrawPictureFitted and DrawPictureAligned.
bool drawFitted(Target& target, const QString& file, Colour background, int percent, bool enlarge,
                bool transparent, bool fillBackground, int vAlign, int hAlign, QSize* drawn)
{
    if (drawn)
        *drawn = QSize();
    if (!fsys::fileExists(file))
        return true;
    const auto l = load(file, transparent);
    if (!l || !l->ok())
        return false;
    const QSize box = target.image.size();
    if (box.isEmpty())
        return true;
    if (fillBackground)
        fill(target.image, background);
    QPainter p(&target.image);
    // Above 100 percent the intermediate would only be fitted back into the box.
    if (percent >= 100) {
        const QRect r = placeIn(l->size(), box, enlarge, vAlign, hAlign);
        drawLoaded(p, *l, r);
        if (drawn)
            *drawn = r.size();
        return true;
    }
    // The picture goes into an intermediate bitmap of the percentage's size, which then lands at
    // its own size (or fitted, above 100 percent).
    const int iw = RoundEven(box.width() * percent / 100.0), ih = RoundEven(box.height() * percent / 100.0);
    if (iw <= 0 || ih <= 0)
        return true;
    QImage mid = transparentBitmap(iw, ih);
    QRect inner;
    {
        QPainter mp(&mid);
        inner = placeIn(l->size(), mid.size(), enlarge, vAlign, hAlign);
        drawLoaded(mp, *l, inner);
    }
    const QRect outer = placeIn(mid.size(), box, false, vAlign, hAlign);
    p.setRenderHint(QPainter::SmoothPixmapTransform, outer.size() != mid.size());
    p.drawImage(outer, mid);
    if (drawn)
        *drawn = QSize(inner.width() * outer.width() / iw, inner.height() * outer.height() / ih);
    return true;
}

const QImage& measureDevice()
{
    static const QImage img = NewBitmap(1, 1);
    return img;
}

QFont withPointSize(QFont f, int size)
{
    f.setPointSize(std::max(1, size));
    return f;
}

int fontPoints(const QFont& f)
{
    if (f.pointSize() > 0)
        return f.pointSize();
    if (f.pixelSize() > 0)
        return std::max(1, f.pixelSize() * 72 / 96);
    return 12;
}

} // namespace

QColor toQColor(Colour c)
{
    if (c < 0)
        return QColor();
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

Colour fromQColor(const QColor& c)
{
    if (!c.isValid())
        return -1;
    return Colour(c.red() | (c.green() << 8) | (c.blue() << 16));
}

QImage NewBitmap(int width, int height, Colour fillColour)
{
    QImage img(std::max(0, width), std::max(0, height), QImage::Format_RGB32);
    img.setDotsPerMeterX(kDotsPerMeter96);
    img.setDotsPerMeterY(kDotsPerMeter96);
    img.fill(fillColour >= 0 ? toQColor(fillColour) : QColor(Qt::white));
    return img;
}

Target::Target(int width, int height, Colour fillColour) : image(NewBitmap(width, height, fillColour))
{
    font = QFont(QStringLiteral("Liberation Sans"));
    font.setPointSize(12);
}

QImage ShownImage(const Target& target)
{
    if (!target.transparent || target.image.isNull())
        return target.image;
    return keyTransparent(target.image);
}

int RoundEven(double v) { return int(std::nearbyint(v)); }

QRect FitRect(int w, int h, const QRect& box)
{
    const qint64 W = box.width(), H = box.height();
    if (w <= 0 || h <= 0)
        return QRect(box.topLeft(), QSize(0, 0));
    int width, height;
    if (qint64(h) * W <= H * w) {
        width = int(W);
        height = RoundEven(double(h) * W / w);
    } else {
        height = int(H);
        width = RoundEven(double(w) * H / h);
    }
    return QRect(int(box.left() + (W - width) / 2), int(box.top() + (H - height) / 2), width, height);
}

QRect ShrinkToPercent(const QRect& r, int p)
{
    if (p >= 100)
        return r;
    const int w = r.width(), h = r.height();
    const int dx = (w - RoundEven(double(p) * w / 100)) / 2;
    const int dy = (h - RoundEven(double(p) * h / 100)) / 2;
    return QRect(r.left() + dx, r.top() + dy, w - 2 * dx, h - 2 * dy);
}

bool IsMetafile(const QString& file)
{
    const QString ext = fsys::extension(file).toLower();
    return ext == QLatin1String(".wmf") || ext == QLatin1String(".emf");
}

QSize PictureSize(const QString& file)
{
    const auto l = load(file, false);
    return l && l->ok() ? l->size() : QSize();
}

bool DrawMetafileSmooth(const QString& file, Target& target, Colour background, int percent, bool stretchWhole,
                        bool fillBackground, std::optional<QRect> rect)
{
    const auto m = metafile::Metafile::load(file);
    if (!m)
        return false;
    const QRect whole = target.image.rect();
    QRect r;
    if (stretchWhole)
        r = whole;
    else if (rect)
        r = *rect;
    else
        r = FitRect(m->naturalSize().width(), m->naturalSize().height(), whole);
    r = ShrinkToPercent(r, percent);
    if (fillBackground)
        fill(target.image, background);
    QPainter p(&target.image);
    m->render(p, r, true);
    return true;
}

bool DrawPictureFitted(Target& target, const QString& file, Colour background, int percent, bool enlarge,
                       bool transparentUnlessWmf, bool fillBackground)
{
    // The extension test is case-sensitive here: only ".wmf" in lower case is drawn opaquely.
    const bool transparent = transparentUnlessWmf && fsys::extension(file) != QLatin1String(".wmf");
    return drawFitted(target, file, background, percent, enlarge, transparent, fillBackground, 1, 1, nullptr);
}

bool DrawPictureAligned(Target& target, const QString& file, Colour background, int vAlign, int hAlign,
                        int percent, bool enlarge, bool transparent, bool smoothWmf, QSize* drawnSize)
{
    if (drawnSize)
        *drawnSize = QSize();
    if (!fsys::fileExists(file))
        return true;
    if (smoothWmf && fsys::extension(file).toLower() == QLatin1String(".wmf")) {
        const auto m = metafile::Metafile::load(file);
        if (!m)
            return false;
        const int W = target.width(), H = target.height();
        QRect box(0, 0, W, H);
        if (percent < 100 && W > 0) {
            const int bw = RoundEven(double(W) * percent / 100);
            const int bh = RoundEven(double(bw) * H / W);
            box = QRect(alignOffset(W, bw, hAlign), alignOffset(H, bh, vAlign), bw, bh);
        }
        fill(target.image, background);
        QPainter p(&target.image);
        m->render(p, box, true);
        if (drawnSize)
            *drawnSize = box.size();
        return true;
    }
    const bool t = transparent && fsys::extension(file).toLower() != QLatin1String(".wmf");
    return drawFitted(target, file, background, percent, enlarge, t, background >= 0, vAlign, hAlign, drawnSize);
}

bool DrawPicture(Target& target, const QString& file, Colour background, int percent, bool fillBackground,
                 bool smoothMetafile)
{
    if (!fsys::fileExists(file))
        return true;
    if (smoothMetafile && fsys::extension(file).toUpper() == QLatin1String(".WMF"))
        return DrawMetafileSmooth(file, target, background, percent, false, fillBackground);
    return DrawPictureFitted(target, file, background, percent, true, true, fillBackground);
}

bool CoverPicture(Target& target, const QString& file, Colour background, bool transparent, std::optional<QRect> rect)
{
    if (!fsys::fileExists(file))
        return true;
    const bool t = transparent && fsys::extension(file).toUpper() != QLatin1String(".WMF");
    const auto l = load(file, t);
    if (!l || !l->ok())
        return false;
    const QRect dest = rect ? *rect : target.image.rect();
    const int W = dest.width(), H = dest.height();
    const QSize pic = l->size();
    if (W <= 0 || H <= 0 || pic.isEmpty())
        return true;
    int iw = W, ih = RoundEven(double(pic.height()) * W / pic.width());
    if (ih < H) {
        iw = RoundEven(double(W) * H / std::max(1, ih));
        ih = H;
    }
    if (qint64(iw) * ih > metafile::kMaxBitmapPixels)
        return false;
    QImage mid = transparentBitmap(iw, ih);
    if (background >= 0)
        mid.fill(toQColor(background));
    {
        QPainter mp(&mid);
        drawLoaded(mp, *l, QRectF(0, 0, iw, ih));
    }
    QPainter p(&target.image);
    p.drawImage(dest.topLeft(), mid, QRect((iw - W) / 2, (ih - H) / 2, W, H));
    return true;
}

bool StretchPicture(Target& target, const QString& file, Colour background, bool transparent, std::optional<QRect> rect)
{
    fill(target.image, background);
    if (!fsys::fileExists(file))
        return true;
    const bool t = transparent && fsys::extension(file).toLower() != QLatin1String(".wmf");
    const auto l = load(file, t);
    if (!l || !l->ok())
        return true;  // an undecodable picture leaves the fill
    QPainter p(&target.image);
    drawLoaded(p, *l, rect ? QRectF(*rect) : QRectF(target.image.rect()));
    return true;
}

bool StretchPictureSmooth(Target& target, const QString& file, Colour background, bool transparent)
{
    if (fsys::extension(file).toUpper() == QLatin1String(".WMF") && fsys::fileExists(file)) {
        fill(target.image, background);
        return DrawMetafileSmooth(file, target, background, 100, true, false);
    }
    return StretchPicture(target, file, background, transparent);
}

QString ResolvePictureName(const QString& nameIn)
{
    const QString name = fsys::fromStored(nameIn);
    if (name.isEmpty())
        return QString();
    if (fsys::fileExists(name))
        return fsys::resolve(name);
    const Directories& d = g().config.dirs;
    for (const QString& folder : {d.materialBilder, d.internBilder, d.internRueckseite}) {
        if (folder.isEmpty())
            continue;
        const QString p = fsys::withSlash(folder) + name;
        if (fsys::fileExists(p))
            return fsys::resolve(p);
    }
    return QString();
}

void DrawPictureOrName(Target& target, const QString& name, Colour background, int percent)
{
    const QString file = ResolvePictureName(name);
    const bool filled = background >= 0;
    if (!file.isEmpty()) {
        bool ok;
        if (fsys::extension(file).toUpper() == QLatin1String(".WMF"))
            ok = DrawMetafileSmooth(file, target, background, percent, false, filled);
        else
            ok = DrawPictureFitted(target, file, background, percent, true, true, filled);
        if (ok)
            return;
    }
    // Not found: the name itself, written with the list font.
    target.image.fill(filled ? toQColor(background) : QColor(Qt::white));
    const TFont tf = g().listFont.value_or(TFont());
    QFont font(tf.name);
    SelectInstalledFont(font, tf.name);
    font.setPointSize(200);
    const QString text = name.isEmpty() ? QStringLiteral(" ? ") : name;
    DrawFittedText(target, text, font, tf.colour, 1, 80, false, background, !filled, false);
}

QString LightVariantPath(const QString& pic)
{
    return fsys::folderOf(pic) + QStringLiteral("hell/") + fsys::fileName(pic);
}

QImage LightBackground(const QString& backgroundPicture, QSize area, Colour background)
{
    Target t(area.width(), area.height(), background >= 0 ? background : 0x00FFFFFF);
    const QString light = LightVariantPath(backgroundPicture);
    if (fsys::fileExists(light)) {
        CoverPicture(t, light, background, false);
    } else {
        CoverPicture(t, backgroundPicture, background, false);
        LightenRect(t.image, 0, 0, t.width() - 1, t.height() - 1, 30);
    }
    return t.image;
}

Colour MixColour(Colour a, Colour b, int p)
{
    auto ch = [](Colour c, int shift) { return double((c >> shift) & 0xFF); };
    auto mix = [&](int shift) { return RoundEven((p * ch(a, shift) + (100 - p) * ch(b, shift)) / 100.0); };
    const int r = mix(0), gr = mix(8), bl = mix(16);
    if (r < 0 || r > 255 || gr < 0 || gr > 255 || bl < 0 || bl > 255) {
        dialogs::showMessage(nullptr, QStringLiteral("EXCEPTION: farbe: %1 mischfarbe: %2 proz: %3 n_r: %4 n_g: %5 n_b: %6")
                                          .arg(a).arg(b).arg(p).arg(r).arg(gr).arg(bl));
        return 0;
    }
    return Colour(r | (gr << 8) | (bl << 16));
}

Colour LightenColour(Colour c, int p)
{
    if (p > 100)
        p = 30;
    if (p < 0 || c < 0)
        return 0;
    auto ch = [&](int shift) { return RoundEven(((100 - p) * double((c >> shift) & 0xFF) + p * 255.0) / 100.0); };
    return Colour(ch(0) | (ch(8) << 8) | (ch(16) << 16));
}

namespace {
void mixRect(QImage& image, int left, int top, int right, int bottom, QColor with, int p)
{
    if (p > 100)
        p = 30;
    if (p < 0 || image.isNull())
        return;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32
        && image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_RGB32);
    const int l = std::max(0, std::min(left, right)), r = std::min(image.width() - 1, std::max(left, right));
    const int t = std::max(0, std::min(top, bottom)), b = std::min(image.height() - 1, std::max(top, bottom));
    const int wr = with.red(), wg = with.green(), wb = with.blue();
    for (int y = t; y <= b; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = l; x <= r; ++x) {
            const QRgb px = line[x];
            auto m = [&](int c, int w) { return RoundEven(((100 - p) * double(c) + p * double(w)) / 100.0); };
            line[x] = qRgba(m(qRed(px), wr), m(qGreen(px), wg), m(qBlue(px), wb), qAlpha(px));
        }
    }
}
} // namespace

void LightenRect(QImage& image, int left, int top, int right, int bottom, int p)
{
    mixRect(image, left, top, right, bottom, Qt::white, p);
}

void TintRect(QImage& image, int left, int top, int right, int bottom, Colour colour, int p)
{
    mixRect(image, left, top, right, bottom, toQColor(colour < 0 ? 0 : colour), p);
}

void LightenBitmap(QImage& image)
{
    mixRect(image, 0, 0, image.width() - 1, image.height() - 1, Qt::white, 30);
}

int FitFontSize(int H, int W, const QString& text, int p, const QFont& font)
{
    p = std::clamp(p, 1, 100);
    int s = fontPoints(font);
    const QString shaped = ShapeSchoolFontText(font.family(), text);
    if (H > 0) {
        const double h = QFontMetricsF(withPointSize(font, s), &measureDevice()).height();
        if (h > p / 100.0 * H && h > 0)
            s = int(s * (p / 100.0 * H) / h);
    }
    if (W > 0) {
        const double w = QFontMetricsF(withPointSize(font, s), &measureDevice()).horizontalAdvance(shaped);
        if (w > p / 100.0 * W && w > 0)
            s = int(s * (p / 100.0 * W) / w);
    }
    return std::clamp(s, 1, std::max(1, fontPoints(font)));
}

void DrawFittedText(Target& target, const QString& textIn, const QFont& fontIn, Colour fontColour, int hAlign,
                    int percent, bool fillBackground, Colour background, bool transparent, bool pad, TextPlace place,
                    int margin)
{
    const QString text = pad ? QLatin1Char(' ') + textIn + QLatin1Char(' ') : textIn;
    if (fillBackground)
        fill(target.image, background);
    const QString shaped = ShapeSchoolFontText(fontIn.family(), text);
    const int W = target.width(), H = target.height();
    const QFont font = withPointSize(fontIn, FitFontSize(H, W, text, percent, fontIn));
    QPainter p(&target.image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font);
    const QFontMetricsF fm(font, &target.image);
    const int th = int(fm.height()), tw = int(std::ceil(fm.horizontalAdvance(shaped)));
    int y;
    switch (place) {
    case TextPlace::Top: y = 1 + margin; break;
    case TextPlace::Bottom: y = H - th - 1 - margin; break;
    default: y = (H - th) / 2; break;
    }
    const int x = alignOffset(W, tw, hAlign);
    p.setPen(toQColor(fontColour < 0 ? 0 : fontColour));
    p.drawText(QPointF(x, y + fm.ascent()), shaped);
    target.transparent = transparent;
}

namespace {
void drawMarked(Target& target, const QRect& rect, const QFont& fontIn, Colour fontColour, int hAlign,
                Colour background, Colour markColour, const QString& text, const QVector<bool>& marked)
{
    if (background >= 0) {
        QPainter fp(&target.image);
        fp.fillRect(rect, toQColor(background));
    }
    const QString shaped = ShapeSchoolFontText(fontIn.family(), text);
    const QVector<int> map = MapShapedPositions(fontIn.family(), text, shaped);
    QVector<bool> shapedMarks(shaped.size(), false);
    for (int i = 0; i < text.size(); ++i) {
        if (!marked.value(i))
            continue;
        for (int j = map[i]; j < map[i + 1] && j < shaped.size(); ++j)
            shapedMarks[j] = true;
        if (map[i] == map[i + 1] && map[i] < shaped.size())
            shapedMarks[map[i]] = true;
    }
    const QFont font = withPointSize(fontIn, FitFontSize(rect.height(), rect.width(), text, 90, fontIn));
    QPainter p(&target.image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font);
    const QFontMetricsF fm(font, &target.image);
    double tw = 0;
    for (QChar c : shaped)
        tw += fm.horizontalAdvance(c);
    double x = rect.left() + alignOffset(rect.width(), int(std::ceil(tw)), hAlign);
    const double y = rect.top() + (rect.height() - int(fm.height())) / 2 + fm.ascent();
    for (int j = 0; j < shaped.size(); ++j) {
        p.setPen(toQColor(shapedMarks[j] ? markColour : (fontColour < 0 ? 0 : fontColour)));
        p.drawText(QPointF(x, y), QString(shaped[j]));
        x += fm.horizontalAdvance(shaped[j]);
    }
}
} // namespace

void DrawMarkedText(Target& target, const QRect& rect, const QFont& font, Colour fontColour, int hAlign,
                    Colour background, Colour markColour, int markStart, int markLength, const QString& text)
{
    QVector<bool> marked(text.size(), false);
    for (int i = std::max(0, markStart); i < text.size() && i < qint64(markStart) + markLength; ++i)
        marked[i] = true;
    drawMarked(target, rect, font, fontColour, hAlign, background, markColour, text, marked);
}

void DrawMarkedTextDelimited(Target& target, const QRect& rect, const QFont& font, Colour fontColour, int hAlign,
                             Colour background, Colour markColour, QChar delimiter, const QString& text)
{
    QString plain;
    QVector<bool> marked;
    bool inside = false;
    for (QChar c : text) {
        if (c == delimiter) {
            inside = !inside;
            continue;
        }
        plain += c;
        marked << inside;
    }
    drawMarked(target, rect, font, fontColour, hAlign, background, markColour, plain, marked);
}

} // namespace picture
