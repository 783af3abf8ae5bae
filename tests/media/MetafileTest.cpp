#include "MetafileTestUtil.h"
#include "support/TestSupport.h"

#include "core/FileSystem.h"
#include "media/metafile/Metafile.h"
#include "media/picture/Picture.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <cstring>
#include <gtest/gtest.h>

using namespace mftest;
using metafile::Metafile;

namespace {

constexpr qint64 kNullPen = 0x80000008;

QImage render(const QByteArray& bytes, int w = 100, int h = 100)
{
    QImage img = picture::NewBitmap(w, h);
    const auto m = Metafile::fromBytes(bytes);
    if (m) {
        QPainter p(&img);
        m->render(p, QRectF(0, 0, w, h));
    }
    return img;
}

QRgb px(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

// Files written record by record by tools/metafiles/make-records.
QByteArray recordsFixture(const char* name)
{
    return fsys::readFile(fixture(QStringLiteral("metafiles/") + QLatin1String(name))).value_or(QByteArray());
}

// Pixels of `area` (edges included) for which `match` holds.
template <typename Match>
int countPixels(const QImage& img, QRect area, Match match)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (match(QColor(img.pixel(x, y))))
                ++n;
    return n;
}

// Pixel colours as px() gives them (0xRRGGBB).
constexpr QRgb kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF, kBlack = 0x000000,
               kYellow = 0xFFFF00;

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

qint64 fbits(float f)
{
    quint32 v;
    std::memcpy(&v, &f, 4);
    return v;
}

// EMF: a solid brush in slot 1, no pen.
Emf& solidBrush(Emf& e, quint32 colour, int slot = 1)
{
    e.rec(39, {slot, 0, colour, 0});
    e.rec(37, {slot});
    e.rec(37, {kNullPen});
    return e;
}

// WMF: null pen and a solid brush (object slots 0 and 1 when the table is empty).
Wmf& wmfSolid(Wmf& w, quint32 colour)
{
    w.rec(0x02FA, {5, 0, 0, 0, 0});                                         // pen PS_NULL
    w.rec(0x012D, {0});
    w.rec(0x02FC, {0, int(colour & 0xFFFF), int(colour >> 16), 0});        // brush BS_SOLID
    w.rec(0x012D, {1});
    return w;
}

} // namespace

// ------------------------------------------------ renderings against independent tools

struct Reference {
    const char* name;
    const char* ext;
};

class MetafileReference : public ::testing::TestWithParam<Reference>
{
};

// Inkscape exported the SVGs, rsvg-convert rasterised the same SVGs. The picture is drawn at the
// scale its header gives (Inkscape's EMF frames are a little larger than the SVG page, so fitting
// the frame to the page would shrink the drawing). A faithful player differs from the rasterisation
// only along anti-aliased edges and in glyph outlines: the measured means stay below 2.5 of 255 on
// 4x4 cells. A missing or misplaced shape, a wrong colour or mapping costs far more (unrelated
// drawings differ by more than 15, nothing at all by 5 to 30).
TEST_P(MetafileReference, MatchesTheRasterisedSvg)
{
    const QString base = fixture(QStringLiteral("metafiles/%1").arg(QLatin1String(GetParam().name)));
    const QImage ref(base + QStringLiteral(".png"));
    ASSERT_FALSE(ref.isNull());
    const auto m = Metafile::load(base + QLatin1String(GetParam().ext));
    ASSERT_TRUE(m);
    QImage img = picture::NewBitmap(ref.width(), ref.height());
    {
        QPainter p(&img);
        m->render(p, QRectF(QPointF(0, 0), m->naturalSizeF()));
    }
    const double diff = meanGreyDifference(img, ref);
    EXPECT_LT(diff, 2.5) << GetParam().name << GetParam().ext;
    RecordProperty("meanGreyDifference", std::to_string(diff));

    const QImage blank = picture::NewBitmap(ref.width(), ref.height());
    EXPECT_GT(meanGreyDifference(blank, ref), 2.5 * diff) << "the measure must tell the drawing from nothing";
}

INSTANTIATE_TEST_SUITE_P(Inkscape, MetafileReference,
                         ::testing::Values(Reference{"shapes", ".emf"}, Reference{"shapes", ".wmf"},
                                           Reference{"curves", ".emf"}, Reference{"curves", ".wmf"},
                                           Reference{"star", ".emf"}, Reference{"star", ".wmf"},
                                           Reference{"house", ".emf"}, Reference{"house", ".wmf"},
                                           Reference{"text", ".emf"}, Reference{"text", ".wmf"},
                                           Reference{"lines", ".emf"}, Reference{"lines", ".wmf"}),
                         [](const auto& info) {
                             return std::string(info.param.name) + "_" + (info.param.ext + 1);
                         });

TEST(MetafileReference, RenderToolWritesThePictureAsPng)
{
    // The tool lies in the build directory's root, two levels above this test.
    const QString binDir = qEnvironmentVariable("KALIMO_BINARY_DIR",
                                                QCoreApplication::applicationDirPath() + QStringLiteral("/../.."));
    const QString tool = binDir + QStringLiteral("/kalimo-render");
    ASSERT_TRUE(QFileInfo(tool).isExecutable()) << "build the kalimo-render target";
    TempTree tree;
    const QString out = tree.path(QStringLiteral("haus.png"));
    const int rc = QProcess::execute(tool, {fixture(QStringLiteral("metafiles/house.wmf")), out, QStringLiteral("240"),
                                            QStringLiteral("180")});
    ASSERT_EQ(rc, 0);
    const QImage img(out);
    ASSERT_EQ(img.size(), QSize(240, 180));
    EXPECT_LT(meanGreyDifference(img, QImage(fixture(QStringLiteral("metafiles/house.png")))), 2.5);
    EXPECT_NE(QProcess::execute(tool, {fixture(QStringLiteral("metafiles/house.wmf")), out}), 0) << "usage";
}

TEST(MetafileReference, UnrelatedDrawingsAreFarApart)
{
    const QImage house(fixture(QStringLiteral("metafiles/house.png")));
    picture::Target t(house.width(), house.height());
    ASSERT_TRUE(picture::DrawPicture(t, fixture(QStringLiteral("metafiles/shapes.emf")), 0x00FFFFFF, 100, true, true));
    EXPECT_GT(meanGreyDifference(t.image, house), 15.0);
}

// ------------------------------------------------ header and natural size

TEST(MetafileHeader, NaturalSizeFromPlaceableBoxAndEmfFrame)
{
    // 1000 x 500 units at 1440 per inch: 66.7 x 33.3 pixels at 96 dpi.
    const auto w = Metafile::fromBytes(Wmf(0, 0, 1000, 500, 1440).bytes());
    ASSERT_TRUE(w);
    EXPECT_EQ(w->format(), metafile::Format::Wmf);
    EXPECT_EQ(w->naturalSize(), QSize(67, 33));

    const auto e = Metafile::fromBytes(Emf(200, 150).bytes());
    ASSERT_TRUE(e);
    EXPECT_EQ(e->format(), metafile::Format::Emf);
    EXPECT_NEAR(e->naturalSize().width(), 199, 1);
    EXPECT_NEAR(e->naturalSize().height(), 149, 1);

    const auto house = Metafile::load(fixture(QStringLiteral("metafiles/house.emf")));
    ASSERT_TRUE(house);
    EXPECT_NEAR(house->naturalSize().width(), 240, 2);
    EXPECT_NEAR(house->naturalSize().height(), 180, 2);
    const auto houseWmf = Metafile::load(fixture(QStringLiteral("metafiles/house.wmf")));
    ASSERT_TRUE(houseWmf);
    EXPECT_NEAR(houseWmf->naturalSize().width(), 240, 2);
}

TEST(MetafileHeader, PlainWmfTakesItsWindowAsFrame)
{
    Wmf w(0, 0, 0, 0, 0, false);
    w.rec(0x020B, {0, 0}).rec(0x020C, {50, 80});  // window extent 80 x 50
    wmfSolid(w, 0x0000FF).rec(0x041B, {50, 40, 0, 0});  // left half red
    const QByteArray bytes = w.bytes();
    const auto m = Metafile::fromBytes(bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->naturalSize(), QSize(80, 50));
    const QImage img = render(bytes, 80, 50);
    EXPECT_EQ(px(img, 10, 25), 0xFF0000u);
    EXPECT_EQ(px(img, 70, 25), 0xFFFFFFu);
}

TEST(MetafileHeader, PlainWmfWithoutWindowExtentTakesTheBoxOfItsCoordinates)
{
    // A blue rectangle (200, 100)-(300, 150) and a red one (300, 150)-(400, 250), no window records.
    const QByteArray bytes = recordsFixture("no-window-ext.wmf");
    const auto m = Metafile::fromBytes(bytes);
    ASSERT_TRUE(m) << "refused for want of a window extent";
    EXPECT_EQ(m->naturalSize(), QSize(200, 150));
    const QImage img = render(bytes, 200, 150);
    EXPECT_EQ(px(img, 50, 25), kBlue);
    EXPECT_EQ(px(img, 150, 100), kRed);
    EXPECT_EQ(px(img, 150, 25), kWhite);
    EXPECT_EQ(px(img, 50, 125), kWhite);

    // A window origin of its own does not move the drawing off its box.
    Wmf w(0, 0, 0, 0, 0, false);
    w.rec(0x020B, {-500, -500});
    wmfSolid(w, 0x000000).rec(0x041B, {60, 40, 20, 10});  // (10, 20)-(40, 60)
    const auto shifted = Metafile::fromBytes(w.bytes());
    ASSERT_TRUE(shifted);
    EXPECT_EQ(shifted->naturalSize(), QSize(30, 40));
    const QImage s = render(w.bytes(), 30, 40);
    EXPECT_EQ(px(s, 15, 20), kBlack);
}

TEST(MetafileHeader, TheFrameMapsOntoTheRectangleWhereverTheBoundsLie)
{
    // Frame 100 x 50 from (0, 0); the drawing and the header's bounds lie above it: a blue band
    // from y = -50 to 0, and a red square at the frame's top-left corner. As Windows plays an EMF
    // into a rectangle, the frame fills the rectangle and nothing is clipped to it: the band lands
    // above the rectangle, on the target if the target reaches there.
    const QByteArray bytes = recordsFixture("bounds-outside-frame.emf");
    const auto m = Metafile::fromBytes(bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->naturalSize(), QSize(100, 50)) << "the frame gives the size, not the bounds";
    QImage img = picture::NewBitmap(100, 100);
    {
        QPainter p(&img);
        m->render(p, QRectF(0, 50, 100, 50));
    }
    EXPECT_EQ(px(img, 50, 25), kBlue) << "the band above the rectangle";
    EXPECT_EQ(px(img, 5, 55), kRed) << "the square at the rectangle's corner";
    EXPECT_EQ(px(img, 50, 80), kWhite) << "the frame's empty part";
}

TEST(MetafileHeader, RejectsWhatIsNoMetafile)
{
    for (const QByteArray& b : {QByteArray(), QByteArray("GIF89a"), QByteArray(100, '\0'),
                                Wmf(0, 0, 0, 0).bytes() /* empty box */, Emf(0, 0).bytes().left(60)}) {
        EXPECT_FALSE(Metafile::fromBytes(b)) << b.toHex().left(40).constData();
    }
}

// ------------------------------------------------ device context state

TEST(MetafileState, WindowMapsOntoTheTargetAndClipRectsCut)
{
    Wmf w(0, 0, 1000, 1000, 1440);
    w.rec(0x020C, {1000, 1000});
    wmfSolid(w, 0x00FF00);
    w.rec(0x0416, {1000, 500, 0, 0});        // IntersectClipRect: left half
    w.rec(0x041B, {1000, 1000, 0, 0});       // whole picture
    const QImage img = render(w.bytes());
    EXPECT_EQ(px(img, 20, 50), 0x00FF00u);
    EXPECT_EQ(px(img, 80, 50), 0xFFFFFFu);
}

TEST(MetafileState, SaveAndRestoreBringBackBrushAndClip)
{
    Emf e;
    solidBrush(e, 0x0000FF, 1);              // red
    e.rec(33, {});                           // SaveDC
    e.rec(39, {2, 0, 0xFF0000, 0}).rec(37, {2});  // blue
    e.rec(30, {0, 0, 10, 10});               // clip to a corner
    e.rec(34, {qint64(-1)});                 // RestoreDC
    e.rec(43, {20, 20, 80, 80});
    const QImage img = render(e.bytes());
    EXPECT_EQ(px(img, 50, 50), 0xFF0000u);
}

TEST(MetafileState, WorldTransformAndAnisotropicMapping)
{
    Emf e;
    solidBrush(e, 0x000000);
    e.rec(35, {fbits(2), 0, 0, fbits(2), fbits(0), fbits(0)});  // scale 2
    e.rec(43, {10, 10, 20, 20});                                 // lands on 20..40
    const QImage a = render(e.bytes());
    EXPECT_EQ(px(a, 30, 30), 0x000000u);
    EXPECT_EQ(px(a, 15, 15), 0xFFFFFFu);

    Emf m;
    solidBrush(m, 0x000000);
    m.rec(17, {8});                          // MM_ANISOTROPIC
    m.rec(9, {10, 10}).rec(11, {100, 100});  // 10 logical units span the picture
    m.rec(43, {5, 0, 10, 10});               // right half
    const QImage b = render(m.bytes());
    EXPECT_EQ(px(b, 75, 50), 0x000000u);
    EXPECT_EQ(px(b, 25, 50), 0xFFFFFFu);
}

TEST(MetafileState, Rop2NopDrawsNothingAndXorInverts)
{
    Emf nop;
    solidBrush(nop, 0x000000);
    nop.rec(20, {11}).rec(43, {0, 0, 100, 100});
    EXPECT_EQ(px(render(nop.bytes()), 50, 50), 0xFFFFFFu);

    Emf x;
    solidBrush(x, 0xFFFFFF);
    x.rec(20, {7}).rec(43, {0, 0, 100, 100});  // white XOR white
    EXPECT_EQ(px(render(x.bytes()), 50, 50), 0x000000u);
}

TEST(MetafileState, HatchedBrushLeavesGapsAndPathsFill)
{
    Emf h;
    h.rec(39, {1, 2, 0x000000, 4}).rec(37, {1}).rec(37, {kNullPen});  // cross hatch, black
    h.rec(18, {1});                                                     // transparent background
    h.rec(43, {0, 0, 100, 100});
    const QImage img = render(h.bytes());
    int black = 0, white = 0;
    for (int y = 30; y < 70; ++y)
        for (int x = 30; x < 70; ++x)
            (qGray(img.pixel(x, y)) < 128 ? black : white)++;
    EXPECT_GT(black, 100);
    EXPECT_GT(white, 100);

    Emf p;
    solidBrush(p, 0x0000FF);
    p.rec(59, {}).rec(43, {10, 10, 50, 50}).rec(60, {});
    p.rec(62, {0, 0, 100, 100});                                      // FillPath
    const QImage q = render(p.bytes());
    EXPECT_EQ(px(q, 30, 30), 0xFF0000u);
    EXPECT_EQ(px(q, 70, 70), 0xFFFFFFu);
}

TEST(MetafileState, ExcludedRectanglesStayUnpaintedAndDibPatternsRepeat)
{
    Wmf w;
    wmfSolid(w, 0x000000);
    w.rec(0x0415, {60, 60, 40, 40});        // ExcludeClipRect 40..60
    w.rec(0x041B, {100, 100, 0, 0});
    const QImage a = render(w.bytes());
    EXPECT_EQ(px(a, 50, 50), 0xFFFFFFu);
    EXPECT_EQ(px(a, 20, 20), 0x000000u);

    // 2 x 2 checker of red and white as a DIB pattern brush.
    QByteArray bmi;
    for (qint64 v : {40, 2, 2})
        put32(bmi, v);
    put16(bmi, 1);
    put16(bmi, 24);
    for (int i = 0; i < 6; ++i)
        put32(bmi, 0);
    const QByteArray bits = QByteArray::fromHex("0000ffffffff0000" "ffffff0000ff0000");
    QByteArray rec;
    put32(rec, 94);
    put32(rec, 32 + bmi.size() + bits.size());
    for (qint64 v : std::initializer_list<qint64>{1, 0, 32, bmi.size(), 32 + bmi.size(), bits.size()})
        put32(rec, v);
    rec += bmi + bits;
    Emf e;
    e.raw(rec).rec(37, {1}).rec(37, {kNullPen}).rec(43, {0, 0, 100, 100});
    const QImage b = render(e.bytes());
    int red = 0, white = 0;
    for (int y = 20; y < 80; ++y)
        for (int x = 20; x < 80; ++x) {
            const QRgb p = px(b, x, y);
            red += p == 0xFF0000u;
            white += p == 0xFFFFFFu;
        }
    EXPECT_GT(red, 1000);
    EXPECT_GT(white, 1000);
}

TEST(MetafileState, EmfPlusCommentsAreSkippedAndTheFallbackDraws)
{
    Emf e;
    e.rec(70, {8, 0x2B464D45 /* "EMF+" */, 0x12345678});
    solidBrush(e, 0x00FF00);
    e.rec(43, {0, 0, 100, 100});
    EXPECT_EQ(px(render(e.bytes()), 50, 50), 0x00FF00u);
}

TEST(MetafileState, StretchDibitsKeepsBottomUpRowsInPlace)
{
    // 2 x 2 pixels, 24 bit, bottom-up: bottom row red, green; top row blue, white.
    QByteArray bmi;
    for (qint64 v : {40, 2, 2})
        put32(bmi, v);
    put16(bmi, 1);
    put16(bmi, 24);
    for (int i = 0; i < 6; ++i)
        put32(bmi, 0);
    QByteArray bits = QByteArray::fromHex("0000ff00ff000000" "ff0000ffffff0000");
    QByteArray rec;
    put32(rec, 81);
    const qint64 offBmi = 80, offBits = offBmi + bmi.size();
    put32(rec, offBits + bits.size());
    for (qint64 v : std::initializer_list<qint64>{0, 0, 99, 99, 0, 0, 0, 0, 2, 2, offBmi, qint64(bmi.size()), offBits, qint64(bits.size()), 0,
                     0x00CC0020, 100, 100})
        put32(rec, v);
    rec += bmi + bits;
    Emf e;
    e.raw(rec);
    const QImage img = render(e.bytes());
    EXPECT_EQ(px(img, 25, 75), 0xFF0000u);
    EXPECT_EQ(px(img, 75, 75), 0x00FF00u);
    EXPECT_EQ(px(img, 25, 25), 0x0000FFu);
    EXPECT_EQ(px(img, 75, 25), 0xFFFFFFu);
}

// "HH" at `at` (10, 10 unless given), aligned top-left, 40 pixels high with advances of 30, red
// text on a yellow background colour, with the given ExtTextOut options and rectangle, and under
// a clip rectangle when one is given.
QImage emfText(int options, QRect rect, int escapement = 0, QPoint at = QPoint(10, 10), QRect clip = QRect())
{
    QByteArray font;
    put32(font, 82);
    put32(font, 8 + 4 + 92);
    put32(font, 1);
    for (qint64 v : std::initializer_list<qint64>{-40, 0, escapement, 0, 700})
        put32(font, v);
    font += QByteArray(8, '\0');
    QByteArray face = QByteArray("L\0i\0b\0e\0r\0a\0t\0i\0o\0n\0 \0S\0a\0n\0s\0", 30);
    face.append(QByteArray(64 - face.size(), '\0'));
    font += face;
    QByteArray text;
    put32(text, 84);
    put32(text, 76 + 4 + 8);
    for (qint64 v : {0, 0, 0, 0, 1, 0, 0})
        put32(text, v);
    for (qint64 v : std::initializer_list<qint64>{at.x(), at.y(), 2, 76, options, rect.left(), rect.top(),
                                                  rect.right() + 1, rect.bottom() + 1, 80})
        put32(text, v);
    text += QByteArray("H\0H\0", 4);
    put32(text, 30);
    put32(text, 30);
    Emf e;
    e.raw(font).rec(37, {1});
    e.rec(24, {0x0000FF}).rec(25, {0x00FFFF}).rec(18, {1});
    if (!clip.isNull())
        e.rec(30, {clip.left(), clip.top(), clip.right() + 1, clip.bottom() + 1});
    e.raw(text);
    return render(e.bytes());
}

int redPixels(const QImage& img, QRect area)
{
    int red = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qRed(img.pixel(x, y)) > 200 && qGreen(img.pixel(x, y)) < 60)
                ++red;
    return red;
}

TEST(MetafileState, ExtTextOutWritesInTheTextColourWithOpaqueAndClipRectangles)
{
    const QImage opaque = emfText(2 /* ETO_OPAQUE */, QRect(0, 60, 100, 40));
    EXPECT_EQ(px(opaque, 90, 80), 0xFFFF00u) << "opaque rectangle in the background colour";
    EXPECT_GT(redPixels(opaque, QRect(10, 10, 60, 40)), 100);
    EXPECT_EQ(px(opaque, 90, 40), 0xFFFFFFu) << "nothing right of the two letters";

    const QImage clipped = emfText(4 /* ETO_CLIPPED */, QRect(0, 0, 30, 100));
    EXPECT_GT(redPixels(clipped, QRect(10, 10, 20, 40)), 50) << "the first letter";
    EXPECT_EQ(redPixels(clipped, QRect(32, 0, 68, 100)), 0) << "the second letter is clipped away";

    // Escapement 90 degrees: the text runs upwards from its reference point.
    const QImage up = emfText(0, QRect(), 900);
    EXPECT_EQ(redPixels(up, QRect(40, 10, 60, 90)), 0);
    EXPECT_GT(redPixels(up, QRect(10, 0, 40, 12)), 20);
}

TEST(MetafileState, WmfTextOutAndExtTextOutWithOpaqueRectangle)
{
    // Font: 30 units high, "Liberation Sans"; text colour blue; TA_TOP | TA_LEFT.
    QByteArray font;
    put32(font, 3 + 9 + 16);
    put16(font, 0x02FB);
    for (int v : {-30, 0, 0, 0, 400})
        put16(font, v);
    font += QByteArray(8, '\0');
    QByteArray face("Liberation Sans");
    face.append(QByteArray(32 - face.size(), '\0'));
    font += face;
    Wmf w(0, 0, 100, 100, 96);
    w.raw(font).rec(0x012D, {0});
    w.rec(0x0209, {0x0000, 0x00FF});           // text colour blue (0x00FF0000)
    w.rec(0x0102, {1});                        // transparent background
    w.rec(0x0521, {2, 'H' | ('H' << 8), 10, 10});   // TextOut "HH" at (10, 10)
    w.rec(0x0201, {0xFFFF, 0x0000});           // background yellow
    // ExtTextOut at (10, 60), one letter, ETO_OPAQUE over 60..100 x 50..100.
    w.rec(0x0A32, {60, 10, 1, 2, 60, 50, 100, 100, 'H'});
    const QImage img = render(w.bytes(1));
    int blue = 0;
    for (int y = 10; y < 45; ++y)
        for (int x = 10; x < 60; ++x)
            if (qBlue(img.pixel(x, y)) > 200 && qRed(img.pixel(x, y)) < 80)
                ++blue;
    EXPECT_GT(blue, 80);
    EXPECT_EQ(px(img, 90, 95), 0xFFFF00u);
    EXPECT_EQ(px(img, 90, 40), 0xFFFFFFu);
}

TEST(MetafileState, PiesRunCounterclockwiseOnTheDeviceUnlessToldOtherwise)
{
    // Pie from the right (100, 50) to the top (50, 0).
    struct Case {
        const char* what;
        QByteArray bytes;
        bool upperRight, lowerLeft;
    };
    Emf ccw;
    solidBrush(ccw, 0x000000).rec(47, {0, 0, 100, 100, 100, 50, 50, 0});
    Emf cw;
    solidBrush(cw, 0x000000).rec(57, {2}).rec(47, {0, 0, 100, 100, 100, 50, 50, 0});
    Wmf wmf;
    wmfSolid(wmf, 0x000000).rec(0x081A, {0, 50, 50, 100, 100, 100, 0, 0});
    Wmf flipped;  // y up: the window runs from 100 at the top to 0 at the bottom
    flipped.rec(0x020B, {100, 0}).rec(0x020C, {-100, 100});
    wmfSolid(flipped, 0x000000).rec(0x081A, {100, 50, 50, 100, 100, 100, 0, 0});
    const Case cases[] = {{"counterclockwise", ccw.bytes(), true, false},
                          {"clockwise", cw.bytes(), false, true},
                          {"wmf", wmf.bytes(), true, false},
                          {"wmf y up", flipped.bytes(), true, false}};
    for (const Case& c : cases) {
        const QImage img = render(c.bytes);
        EXPECT_EQ(px(img, 75, 25) == 0, c.upperRight) << c.what;
        EXPECT_EQ(px(img, 25, 75) == 0, c.lowerLeft) << c.what;
    }
}

TEST(MetafileState, TextAtAnAngleLiesAlongItsBaselineAndKeepsTheDevicesClip)
{
    // "HH" with advances of 30: at 90 degrees it runs upwards from (10, 60); at 45 degrees it runs
    // up and right from (10, 90), the letters' bodies below and right of that line. Right angles
    // are drawn with turned glyphs, other angles through a straight buffer: both keep the clip
    // rectangle in device pixels.
    const struct {
        const char* what;
        int escapement;
        QPoint at;
        QRect clip;
        QRect ink, empty;
    } cases[] = {
        {"90 degrees", 900, {10, 60}, {}, {10, 0, 40, 62}, {50, 0, 50, 100}},
        {"90 degrees, clip x < 30", 900, {10, 60}, {0, 0, 30, 100}, {10, 0, 20, 62}, {30, 0, 70, 100}},
        {"45 degrees", 450, {10, 90}, {}, {25, 60, 45, 35}, {0, 0, 40, 40}},
        {"45 degrees, clip x < 45", 450, {10, 90}, {0, 0, 45, 100}, {20, 60, 25, 40}, {45, 0, 55, 100}},
    };
    auto red = [](QColor c) { return c.red() > 200 && c.green() < 60; };
    for (const auto& c : cases) {
        const QImage img = emfText(0, QRect(), c.escapement, c.at, c.clip);
        EXPECT_GT(countPixels(img, c.ink, red), 100) << c.what;
        EXPECT_EQ(countPixels(img, c.empty, red), 0) << c.what;
    }
}

TEST(MetafileState, CallersClipBoundsThePictureWhateverItsClipRecordsSay)
{
    Emf e;
    e.rec(75, {0, 5});  // ExtSelectClipRgn(NULL, RGN_COPY)
    solidBrush(e, 0x000000).rec(43, {0, 0, 100, 100});
    const auto m = Metafile::fromBytes(e.bytes());
    ASSERT_TRUE(m);
    QImage img = picture::NewBitmap(100, 100);
    {
        QPainter p(&img);
        p.setClipRect(0, 0, 50, 100);
        m->render(p, QRectF(0, 0, 100, 100));
    }
    EXPECT_EQ(px(img, 25, 50), kBlack);
    EXPECT_EQ(px(img, 75, 50), kWhite);
}

TEST(MetafileState, WmfTextClipsRotatesAndMovesTheCurrentPosition)
{
    // 200 x 200: blue "HH" at (10, 10); "HHH" at (10, 60) with advances of 20 over a yellow opaque
    // rectangle (10, 60)-(40, 95) that also clips; red "HH" at 90 degrees upwards from (10, 190).
    const QImage img = render(recordsFixture("wmf-text.wmf"), 200, 200);
    auto blue = [](QColor c) { return c.blue() > 200 && c.red() < 80; };
    auto red = [](QColor c) { return c.red() > 200 && c.green() < 60; };
    EXPECT_GT(countPixels(img, QRect(10, 10, 50, 35), blue), 80);
    EXPECT_GT(countPixels(img, QRect(10, 60, 30, 35), blue), 40);
    EXPECT_EQ(countPixels(img, QRect(41, 55, 20, 45), blue), 0) << "the third letter lies outside the clip";
    EXPECT_EQ(px(img, 38, 93), kYellow);
    EXPECT_GT(countPixels(img, QRect(10, 140, 36, 51), red), 50);
    EXPECT_EQ(countPixels(img, QRect(50, 0, 150, 200), red), 0) << "rotated text runs upwards, not across";
}

// ------------------------------------------------ records real files use

TEST(MetafileRecords, SmallTextOutWritesItsLetters)
{
    // Red "HH", 40 pixels high: 8-bit codes without rectangle at (5, 5), UTF-16 after a
    // rectangle at (5, 55).
    const QImage img = render(recordsFixture("small-textout.emf"));
    auto red = [](QColor c) { return c.red() > 200 && c.green() < 60; };
    EXPECT_GT(countPixels(img, QRect(5, 5, 60, 45), red), 150) << "ETO_SMALL_CHARS";
    EXPECT_GT(countPixels(img, QRect(5, 55, 60, 45), red), 150) << "UTF-16 after the rectangle";
    EXPECT_EQ(countPixels(img, QRect(70, 0, 30, 100), red), 0);
}

TEST(MetafileRecords, ExtendedPensStrokeWithTheirHatchOrPattern)
{
    // Geometric pens 30 pixels wide on a transparent background: a black cross hatch along
    // y = 25, a red and white 2 x 2 checker along y = 75.
    const QImage img = render(recordsFixture("hatched-pen.emf"));
    auto black = [](QColor c) { return qGray(c.rgb()) < 64; };
    auto white = [](QColor c) { return qGray(c.rgb()) > 240; };
    auto red = [](QColor c) { return c.red() > 200 && c.green() < 60; };
    const QRect hatch(10, 14, 80, 22), pattern(10, 64, 80, 22);
    EXPECT_GT(countPixels(img, hatch, black), 200) << "the hatch lines";
    EXPECT_GT(countPixels(img, hatch, white), 800) << "a hatched pen is not solid";
    EXPECT_GT(countPixels(img, pattern, red), 500);
    EXPECT_GT(countPixels(img, pattern, white), 500) << "a pattern pen is not solid";
    EXPECT_EQ(px(img, 50, 50), kWhite);
}

TEST(MetafileRecords, Rop2ModesCombinePenAndDestinationBitwise)
{
    // 16 columns of 10 pixels over a background D, column k - 1 filled with brush P under
    // SetROP2(k). Every mode is a bitwise function of pen and destination.
    const quint32 P = 0x0FC35A, D = 0xCC6633;  // 0x00BBGGRR, as in the file
    const struct {
        int rop2;
        const char* name;
        quint32 (*f)(quint32 p, quint32 d);
    } modes[] = {
        {1, "BLACK", [](quint32, quint32) { return 0u; }},
        {2, "NOTMERGEPEN", [](quint32 p, quint32 d) { return ~(p | d); }},
        {3, "MASKNOTPEN", [](quint32 p, quint32 d) { return ~p & d; }},
        {4, "NOTCOPYPEN", [](quint32 p, quint32) { return ~p; }},
        {5, "MASKPENNOT", [](quint32 p, quint32 d) { return p & ~d; }},
        {6, "NOT", [](quint32, quint32 d) { return ~d; }},
        {7, "XORPEN", [](quint32 p, quint32 d) { return p ^ d; }},
        {8, "NOTMASKPEN", [](quint32 p, quint32 d) { return ~(p & d); }},
        {9, "MASKPEN", [](quint32 p, quint32 d) { return p & d; }},
        {10, "NOTXORPEN", [](quint32 p, quint32 d) { return ~(p ^ d); }},
        {11, "NOP", [](quint32, quint32 d) { return d; }},
        {12, "MERGENOTPEN", [](quint32 p, quint32 d) { return ~p | d; }},
        {13, "COPYPEN", [](quint32 p, quint32) { return p; }},
        {14, "MERGEPENNOT", [](quint32 p, quint32 d) { return p | ~d; }},
        {15, "MERGEPEN", [](quint32 p, quint32 d) { return p | d; }},
        {16, "WHITE", [](quint32, quint32) { return 0xFFFFFFu; }},
    };
    for (bool antialias : {true, false}) {
        const auto m = Metafile::fromBytes(recordsFixture("rop2.emf"));
        ASSERT_TRUE(m);
        QImage img = picture::NewBitmap(160, 60);
        {
            QPainter p(&img);
            m->render(p, QRectF(0, 0, 160, 60), antialias);
        }
        for (const auto& mode : modes) {
            const quint32 bgr = mode.f(P, D) & 0xFFFFFF;
            const QRgb expected = qRgb(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int(bgr >> 16));
            EXPECT_EQ(px(img, (mode.rop2 - 1) * 10 + 5, 30), expected & 0xFFFFFF)
                << "R2_" << mode.name << (antialias ? " anti-aliased" : "");
        }
    }
}

TEST(MetafileRecords, MetaRegionBoundsTheClipsThatFollowUntilRestored)
{
    // Left half as clip, SetMetaRgn, clip reset: a blue top band shows only on the left. A clip
    // of the right half then meets nothing: the red bottom band is not drawn. After RestoreDC the
    // metaregion is gone: a green square at the bottom right.
    const QImage img = render(recordsFixture("metargn.emf"));
    const struct {
        QPoint at;
        QRgb colour;
        const char* why;
    } cases[] = {
        {{25, 25}, kBlue, "inside the metaregion"},
        {{75, 25}, kWhite, "a reset clip does not widen the metaregion"},
        {{25, 60}, kWhite, "the clip keeps the bottom band off the left half"},
        {{70, 60}, kWhite, "the metaregion keeps it off the right half"},
        {{90, 90}, kGreen, "RestoreDC brings back the state before SetMetaRgn"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(px(img, c.at.x(), c.at.y()), c.colour) << c.why;
}

TEST(MetafileRecords, TriangleGradientInterpolatesItsThreeCorners)
{
    // Red at (0, 0), green at (100, 0), blue at (0, 100).
    const QImage img = render(recordsFixture("gradient-triangle.emf"));
    EXPECT_TRUE(near(img.pixel(2, 2), qRgb(255, 0, 0), 16)) << std::hex << img.pixel(2, 2);
    EXPECT_TRUE(near(img.pixel(95, 2), qRgb(0, 255, 0), 16)) << std::hex << img.pixel(95, 2);
    EXPECT_TRUE(near(img.pixel(2, 95), qRgb(0, 0, 255), 16)) << std::hex << img.pixel(2, 95);
    EXPECT_TRUE(near(img.pixel(33, 33), qRgb(85, 85, 85), 12)) << "the centre mixes all three";
    EXPECT_TRUE(near(img.pixel(50, 2), qRgb(128, 128, 0), 12)) << "an edge mixes its two corners";
    EXPECT_EQ(px(img, 80, 80), kWhite) << "outside the triangle";
}

TEST(MetafileRecords, BrushOriginShiftsThePattern)
{
    // A pattern of 4 red and 4 white pixels: the top half from origin (0, 0), the bottom half
    // from (4, 0).
    const QImage img = render(recordsFixture("brush-origin.emf"));
    EXPECT_EQ(px(img, 1, 20), kRed);
    EXPECT_EQ(px(img, 5, 20), kWhite);
    EXPECT_EQ(px(img, 1, 80), kWhite);
    EXPECT_EQ(px(img, 5, 80), kRed);
}

TEST(MetafileRecords, RegionRecordsPaintFrameInvertAndClip)
{
    const struct {
        const char* file;
        QPoint at;
        QRgb colour;
    } cases[] = {
        {"regions.emf", {5, 10}, kRed},      // FillRgn
        {"regions.emf", {5, 30}, kWhite},
        {"regions.emf", {20, 30}, kRed},
        {"regions.emf", {61, 20}, kBlue},    // FrameRgn, 3 pixels
        {"regions.emf", {80, 20}, kWhite},
        {"regions.emf", {5, 65}, kBlue},     // PaintRgn
        {"regions.emf", {15, 75}, kYellow},  // InvertRgn over blue
        {"regions.emf", {25, 85}, kBlack},   // InvertRgn over white
        {"regions.emf", {70, 50}, kRed},     // what the five clip modes and the offset leave
        {"regions.emf", {50, 66}, kRed},
        {"regions.emf", {50, 50}, kWhite},
        {"regions.emf", {50, 76}, kWhite},
        {"regions.emf", {85, 85}, kBlue},    // clip path: an ellipse
        {"regions.emf", {97, 62}, kWhite},
        {"regions.wmf", {10, 20}, kRed},     // FillRegion
        {"regions.wmf", {25, 50}, kWhite},
        {"regions.wmf", {35, 50}, kRed},
        {"regions.wmf", {61, 20}, kBlue},    // FrameRegion
        {"regions.wmf", {80, 20}, kWhite},
        {"regions.wmf", {5, 65}, kBlue},     // PaintRegion
        {"regions.wmf", {15, 75}, kYellow},  // InvertRegion
        {"regions.wmf", {70, 80}, kRed},     // SelectClipRegion
        {"regions.wmf", {90, 80}, kWhite},
        {"regions.wmf", {55, 55}, kWhite},
    };
    for (const auto& c : cases)
        EXPECT_EQ(px(render(recordsFixture(c.file)), c.at.x(), c.at.y()), c.colour)
            << c.file << " at " << c.at.x() << "," << c.at.y();
}

// ------------------------------------------------ malformed files

TEST(MetafileMalformed, TruncatedFilesDrawWhatIsWhole)
{
    for (const char* name : {"metafiles/house.emf", "metafiles/house.wmf", "metafiles/text.emf"}) {
        const QByteArray bytes = fsys::readFile(fixture(QLatin1String(name))).value_or(QByteArray());
        ASSERT_FALSE(bytes.isEmpty());
        for (qsizetype n = 0; n < bytes.size(); n += 37)
            render(bytes.left(n), 40, 30);  // must neither crash nor hang
    }
    // The first rectangle survives when the file is cut inside the second record.
    Emf e;
    solidBrush(e, 0x000000);
    e.rec(43, {0, 0, 50, 100}).rec(43, {50, 0, 100, 100});
    const QByteArray b = e.bytes();
    const QImage img = render(b.left(b.size() - 30));
    EXPECT_EQ(px(img, 25, 50), 0x000000u);
    EXPECT_EQ(px(img, 75, 50), 0xFFFFFFu);
}

TEST(MetafileMalformed, RecordSizesOutsideTheFileStopPlaying)
{
    Emf e;
    solidBrush(e, 0x000000);
    e.rec(43, {0, 0, 50, 100});
    QByteArray bad;
    put32(bad, 43);
    put32(bad, 0x7FFFFFF0);
    e.raw(bad);
    EXPECT_EQ(px(render(e.bytes()), 25, 50), 0x000000u);

    Wmf w;
    wmfSolid(w, 0x000000).rec(0x041B, {100, 50, 0, 0});
    QByteArray wb;
    put32(wb, 0x40000000);
    put16(wb, 0x041B);
    w.raw(wb);
    EXPECT_EQ(px(render(w.bytes()), 25, 50), 0x000000u);

    // Point counts far beyond the record.
    Emf p;
    solidBrush(p, 0x000000);
    p.rec(3, {0, 0, 10, 10, 0x40000000, 0, 0, 10, 10});
    p.rec(91, {0, 0, 0, 0, 0x10000000, 0x10000000, 3});
    render(p.bytes());
}

TEST(MetafileMalformed, ZeroAndHugeExtentsAndBitmaps)
{
    Emf e;
    solidBrush(e, 0x000000);
    e.rec(17, {8}).rec(9, {0, 0}).rec(11, {0x7FFFFFFF, 0x7FFFFFFF});
    e.rec(43, {0, 0, 100, 100});
    e.rec(9, {1, 1});
    e.rec(42, {qint64(-0x7FFFFFFF), qint64(-0x7FFFFFFF), 0x7FFFFFFF, 0x7FFFFFFF});
    e.rec(35, {fbits(1e30f), 0, 0, fbits(1e30f), 0, 0});
    e.rec(44, {0, 0, 100, 100, 0x7FFFFFFF, 0x7FFFFFFF});
    render(e.bytes());

    Wmf w;
    w.rec(0x020C, {0, 0});
    wmfSolid(w, 0x000000).rec(0x041B, {100, 100, 0, 0});
    w.rec(0x020C, {1, 1}).rec(0x0418, {32767, 32767, -32768, -32768});
    render(w.bytes());

    // A bitmap header that claims 100000 x 100000 pixels is refused, not allocated.
    QByteArray rec;
    put32(rec, 81);
    put32(rec, 80 + 40 + 16);
    for (qint64 v : std::initializer_list<qint64>{0, 0, 99, 99, 0, 0, 0, 0, 100000, 100000, 80, 40, 120, 16, 0, 0x00CC0020, 100, 100})
        put32(rec, v);
    for (qint64 v : {40, 100000, 100000})
        put32(rec, v);
    put16(rec, 1);
    put16(rec, 32);
    for (int i = 0; i < 6; ++i)
        put32(rec, 0);
    rec += QByteArray(16, '\x7f');
    Emf b;
    b.raw(rec);
    EXPECT_EQ(px(render(b.bytes()), 50, 50), 0xFFFFFFu);
}

TEST(MetafileMalformed, RegionsWithVeryManyRectanglesStayCheap)
{
    // 40000 one-pixel rectangles in a clip region: unions of that many would take minutes.
    const int n = 40000;
    QByteArray rec;
    put32(rec, 75);
    put32(rec, 16 + 32 + 16 * n);
    put32(rec, 32 + 16 * n);
    put32(rec, 5);
    for (qint64 v : std::initializer_list<qint64>{32, 1, n, 16 * n, 0, 0, 100, 100})
        put32(rec, v);
    for (int i = 0; i < n; ++i)
        for (qint64 v : std::initializer_list<qint64>{(i * 2) % 100, (i / 50) % 100, (i * 2) % 100 + 1, (i / 50) % 100 + 1})
            put32(rec, v);
    Emf e;
    e.raw(rec);
    solidBrush(e, 0x000000).rec(43, {0, 0, 100, 100});
    const QImage img = render(e.bytes());
    EXPECT_EQ(px(img, 0, 0), 0x000000u) << "the first rectangles clip as given";
    EXPECT_EQ(px(img, 50, 60), 0xFFFFFFu) << "rectangles past the cap are left out";
}

TEST(MetafileMalformed, ObjectIndicesOutOfRangeAreIgnored)
{
    Emf e;
    solidBrush(e, 0x0000FF);
    e.rec(39, {0xFFFFFF, 0, 0x00FF00, 0});  // beyond the table
    e.rec(37, {5000}).rec(40, {0xFFFFFFF}).rec(37, {0x800000FF});
    e.rec(43, {0, 0, 100, 100});
    EXPECT_EQ(px(render(e.bytes(), 100, 100), 50, 50), 0xFF0000u);

    Wmf w;
    wmfSolid(w, 0x0000FF).rec(0x012D, {999}).rec(0x01F0, {999}).rec(0x012C, {60000});
    w.rec(0x041B, {100, 100, 0, 0});
    EXPECT_EQ(px(render(w.bytes(0)), 50, 50), 0xFF0000u);
}

TEST(MetafileMalformed, UnbalancedSaveAndRestore)
{
    Emf e;
    solidBrush(e, 0x000000);
    e.rec(34, {qint64(-5)}).rec(34, {7});
    for (int i = 0; i < 2000; ++i)
        e.rec(33, {});
    e.rec(43, {0, 0, 100, 100});
    for (int i = 0; i < 3000; ++i)
        e.rec(34, {qint64(-1)});
    e.rec(43, {0, 0, 100, 100});
    EXPECT_EQ(px(render(e.bytes()), 50, 50), 0x000000u);

    Wmf w;
    wmfSolid(w, 0x000000).rec(0x0127, {-3}).rec(0x0127, {0}).rec(0x041B, {100, 100, 0, 0});
    EXPECT_EQ(px(render(w.bytes()), 50, 50), 0x000000u);
}

// ------------------------------------------------ memory follows the file

namespace {

QByteArray bitmapInfo(quint32 headerSize, qint32 w, qint32 h, int bpp, quint32 compression = 0, quint32 used = 0)
{
    QByteArray b;
    for (qint64 v : {qint64(headerSize), qint64(w), qint64(h)})
        put32(b, v);
    put16(b, 1);
    put16(b, bpp);
    for (qint64 v : {qint64(compression), qint64(0), qint64(0), qint64(0), qint64(used), qint64(0)})
        put32(b, v);
    return b;
}

// EMR_STRETCHDIBITS of `bmi` + `bits` into the 10 x 10 pixels at the top left; `cbBits` may lie.
QByteArray stretchDibits(const QByteArray& bmi, const QByteArray& bits, qint64 cbBits = -1)
{
    QByteArray rec;
    put32(rec, 81);
    const qint64 offBmi = 80, offBits = offBmi + bmi.size();
    put32(rec, offBits + bits.size());
    for (qint64 v : {qint64(0), qint64(0), qint64(9), qint64(9), qint64(0), qint64(0), qint64(0), qint64(0),
                     qint64(2), qint64(2), offBmi, qint64(bmi.size()), offBits, cbBits < 0 ? qint64(bits.size()) : cbBits,
                     qint64(0), qint64(0x00CC0020), qint64(10), qint64(10)})
        put32(rec, v);
    return rec + bmi + bits;
}

// An EMF record of `type` whose fixed part is `fixed` (after type and size), followed by a DIB.
QByteArray withDib(int type, QByteArray fixed, const QByteArray& bmi, const QByteArray& bits)
{
    QByteArray rec;
    put32(rec, type);
    put32(rec, 8 + fixed.size() + bmi.size() + bits.size());
    return rec + fixed + bmi + bits;
}

QByteArray dwordsOf(std::initializer_list<qint64> values)
{
    QByteArray b;
    for (qint64 v : values)
        put32(b, v);
    return b;
}

// A WMF record `fn` with `words` and a DIB after them.
QByteArray wmfWithDib(int fn, std::initializer_list<int> words, const QByteArray& dib)
{
    QByteArray rec;
    put32(rec, 3 + qint64(words.size()) + dib.size() / 2);
    put16(rec, fn);
    for (int w : words)
        put16(rec, w);
    return rec + dib;
}

} // namespace

TEST(MetafileMalformed, LyingBitmapHeadersAllocateNoMoreThanTheFileHolds)
{
    // Green left half; bitmaps with a header size of 0x40000028 and of 0xFFFFFF00, 4000 x 4000
    // pixels from 16 bytes, an embedded PNG claiming 30000 x 30000; blue right half.
    const QByteArray bytes = recordsFixture("bad-dib-header.emf");
    ASSERT_FALSE(bytes.isEmpty());
    metafile::resetLargestAllocation();
    const QImage img = render(bytes);
    EXPECT_LE(metafile::largestAllocation(), 32 * bytes.size() + 2 * 100 * 100 * 4);
    EXPECT_EQ(px(img, 25, 50), kGreen);
    EXPECT_EQ(px(img, 75, 50), kBlue) << "playing goes on after the skipped records";
}

TEST(MetafileMalformed, EverySizeFromARecordIsCheckedBeforeAllocating)
{
    const QByteArray huge = bitmapInfo(40, 4000, 4000, 32);
    const QByteArray tiny(16, '\x55');
    const QByteArray rgn = dwordsOf({32, 1, 0x10000000, 16, 0, 0, 100, 100, 0, 0, 100, 100});
    const QByteArray alphaFixed = dwordsOf({0, 0, 99, 99, 0, 0, 100, 100, 0x01FF0000, 0, 0, 0x3F800000, 0, 0,
                                            0x3F800000, 0, 0, 0, 0, 108, 40, 148, 16, 4000, 4000});
    const struct {
        const char* what;
        QByteArray record;  // EMF record, or a whole WMF when `wmf`
        bool wmf = false;
    } cases[] = {
        {"DIB header size 0x40000028", stretchDibits(bitmapInfo(0x40000028, 2, 2, 24), tiny)},
        {"DIB header size 0xFFFFFF00", stretchDibits(bitmapInfo(0xFFFFFF00, 2, 2, 24), tiny)},
        {"4000 x 4000 pixels from 16 bytes", stretchDibits(huge, tiny)},
        {"RLE8 of 4000 x 4000 from 8 bytes", stretchDibits(bitmapInfo(40, 4000, 4000, 8, 1), QByteArray(8, '\x01'))},
        {"colour table of 2^32 entries", stretchDibits(bitmapInfo(40, 2, 2, 8, 0, 0xFFFFFFFF), tiny)},
        {"pixel data beyond the record", stretchDibits(bitmapInfo(40, 2, 2, 24), tiny, 0x7FFFFFF0)},
        {"pattern brush of 4000 x 4000", withDib(94, dwordsOf({1, 0, 32, 40, 72, 16}), huge, tiny)},
        {"pen pattern of 4000 x 4000", withDib(95, dwordsOf({1, 52, 40, 92, 16, 0x10000, 10, 6, 0, 0, 0}), huge, tiny)},
        {"AlphaBlend of 4000 x 4000", withDib(114, alphaFixed, huge, tiny)},
        {"region of 2^28 rectangles", dwordsOf({75, 8 + 8 + rgn.size(), rgn.size(), 5}) + rgn},
        {"polygon of 2^30 points", dwordsOf({3, 8 + 28, 0, 0, 10, 10, 0x40000000, 0, 0})},
        {"WMF DIB header size 0x40000028",
         wmfWithDib(0x0B41, {0x0020, 0x00CC, 2, 2, 0, 0, 100, 100, 0, 0}, bitmapInfo(0x40000028, 2, 2, 24) + tiny), true},
        {"WMF StretchDIB of 4000 x 4000", wmfWithDib(0x0F43, {0x0020, 0x00CC, 0, 4000, 4000, 0, 0, 100, 100, 0, 0},
                                                     huge + tiny), true},
        {"WMF pattern brush of 4000 x 4000", wmfWithDib(0x0142, {5, 0}, huge + tiny), true},
    };
    for (const auto& c : cases) {
        QByteArray file;
        if (c.wmf) {
            Wmf w;
            wmfSolid(w, 0x00FF00).rec(0x041B, {100, 50, 0, 0});
            w.raw(c.record).rec(0x01F0, {2});
            w.rec(0x02FC, {0, 0x0000, 0x00FF, 0}).rec(0x012D, {2}).rec(0x041B, {100, 100, 0, 50});
            file = w.bytes();
        } else {
            Emf e;
            solidBrush(e, 0x00FF00).rec(43, {0, 0, 50, 100});
            e.raw(c.record);
            solidBrush(e, 0xFF0000, 2).rec(43, {50, 0, 100, 100});
            file = e.bytes();
        }
        metafile::resetLargestAllocation();
        const QImage img = render(file);
        // A small multiple of the file, plus the output picture (100 x 100 pixels of 4 bytes).
        EXPECT_LE(metafile::largestAllocation(), 32 * file.size() + 2 * 100 * 100 * 4) << c.what;
        EXPECT_EQ(px(img, 25, 50), kGreen) << c.what;
        EXPECT_EQ(px(img, 75, 50), kBlue) << c.what;
    }
}

TEST(MetafileMalformed, BitmapsAsLargeAsTheirDataOrTheTargetStillDraw)
{
    // The limit must not refuse honest bitmaps: 200 x 200 pixels of 1 bit (more pixels than the
    // target has, 8 a byte of data), and an RLE8 bitmap of 100 x 100 pixels from a few bytes (no
    // larger than the target).
    QByteArray mono = bitmapInfo(40, 200, 200, 1);
    put32(mono, 0x000000);
    put32(mono, 0xFFFFFF);
    Emf a;
    a.raw(stretchDibits(mono, QByteArray(200 * 28, '\0')));
    EXPECT_EQ(px(render(a.bytes()), 5, 5), kBlack);

    QByteArray rle = bitmapInfo(40, 100, 100, 8, 1, 1);
    put32(rle, 0x00FF0000);  // one colour, as blue, green, red: red
    QByteArray bits;
    for (int y = 0; y < 100; ++y)
        bits += QByteArray::fromHex("64000000");  // 100 pixels of colour 0, end of line
    bits += QByteArray::fromHex("00010000");      // end of bitmap
    Emf b;
    b.raw(stretchDibits(rle, bits));
    EXPECT_EQ(px(render(b.bytes()), 5, 5), kRed);
}

// A file the fuzzer found: text at an angle under a transform that maps far beyond the int range.
// It plays to its end (under the sanitizers: without an integer overflow).
TEST(MetafileMalformed, AFarTransformOfTurnedTextPlays)
{
    QFile f(fixture("metafiles/int-overflow.emf"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QImage img = render(f.readAll());
    EXPECT_FALSE(img.isNull());
}
