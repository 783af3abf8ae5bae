#include "MetafileTestUtil.h"
#include "support/TestSupport.h"

#include "core/FileSystem.h"
#include "media/metafile/Metafile.h"
#include "media/picture/Picture.h"

#include <QCoreApplication>
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

// "HH" at (10, 10), aligned top-left, 40 pixels high, red text on a yellow background colour, with
// the given ExtTextOut options and rectangle.
QImage emfText(int options, QRect rect, int escapement = 0)
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
    for (qint64 v : std::initializer_list<qint64>{10, 10, 2, 76, options, rect.left(), rect.top(),
                                                  rect.right() + 1, rect.bottom() + 1, 80})
        put32(text, v);
    text += QByteArray("H\0H\0", 4);
    put32(text, 30);
    put32(text, 30);
    Emf e;
    e.raw(font).rec(37, {1});
    e.rec(24, {0x0000FF}).rec(25, {0x00FFFF}).rec(18, {1});
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
