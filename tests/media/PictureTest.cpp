#include "MetafileTestUtil.h"
#include "support/TestSupport.h"

#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "media/picture/Picture.h"

#include <QBuffer>
#include <QPainter>
#include <gtest/gtest.h>

using namespace picture;

namespace {

constexpr QRgb kRed = 0xFF0000, kBlue = 0x0000FF, kWhite = 0xFFFFFF, kGreen = 0x00FF00, kBlack = 0;
constexpr Colour kGreenColour = 0x0000FF00, kWhiteColour = 0x00FFFFFF;

QRgb px(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

QByteArray encode(const QImage& img, const char* format)
{
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return bytes;
}

// A w x h picture in one colour whose bottom-left pixel is blue, so transparent drawing keeps it.
QImage solid(int w, int h, QRgb colour)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour | 0xFF000000u);
    img.setPixel(0, h - 1, kBlue | 0xFF000000u);
    return img;
}

class PictureTest : public ::testing::Test
{
protected:
    void SetUp() override { resetToInstallation(tree.root()); }
    QString bmp(const QString& name, const QImage& img) { return tree.write(name, encode(img, "BMP")); }
    TempTree tree;
};

} // namespace

TEST(PictureFit, FitRectKeepsTheAspectAndCentres)
{
    struct Case {
        int w, h;
        QRect box, expected;
    } cases[] = {
        {200, 100, QRect(0, 0, 100, 100), QRect(0, 25, 100, 50)},
        {100, 200, QRect(0, 0, 100, 100), QRect(25, 0, 50, 100)},
        {50, 50, QRect(0, 0, 300, 150), QRect(75, 0, 150, 150)},
        {50, 50, QRect(10, 20, 100, 100), QRect(10, 20, 100, 100)},
        {3, 2, QRect(0, 0, 5, 5), QRect(0, 1, 5, 3)},  // 3.33 rounds to 3
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitRect(c.w, c.h, c.box), c.expected) << c.w << "x" << c.h;
}

TEST(PictureFit, ShrinkToPercentRoundsHalvesToEven)
{
    // 50.5 rounds to 50: dx = (101 - 50) div 2 = 25.
    EXPECT_EQ(ShrinkToPercent(QRect(0, 0, 101, 100), 50), QRect(25, 25, 51, 50));
    EXPECT_EQ(ShrinkToPercent(QRect(0, 0, 101, 100), 100), QRect(0, 0, 101, 100));
    EXPECT_EQ(ShrinkToPercent(QRect(0, 0, 101, 100), 150), QRect(0, 0, 101, 100));
    EXPECT_EQ(ShrinkToPercent(QRect(10, 10, 30, 30), 90), QRect(11, 11, 28, 28));  // 27 -> dx 1
    EXPECT_EQ(RoundEven(2.5), 2);
    EXPECT_EQ(RoundEven(3.5), 4);
}

TEST_F(PictureTest, SmallPictureAtNaturalSizeUnlessEnlarged)
{
    const QString file = bmp(QStringLiteral("klein.bmp"), solid(20, 10, kRed));
    Target natural(100, 100);
    ASSERT_TRUE(DrawPictureFitted(natural, file, kWhiteColour, 100, false, false, true));
    EXPECT_EQ(px(natural.image, 50, 50), kRed);    // 40..59 x 45..54
    EXPECT_EQ(px(natural.image, 30, 50), kWhite);
    EXPECT_EQ(px(natural.image, 50, 40), kWhite);

    Target enlarged(100, 100);
    ASSERT_TRUE(DrawPictureFitted(enlarged, file, kWhiteColour, 100, true, false, true));
    EXPECT_EQ(px(enlarged.image, 90, 30), kRed);   // 100 x 50 at top 25
    EXPECT_EQ(px(enlarged.image, 50, 20), kWhite);
    EXPECT_EQ(px(enlarged.image, 50, 76), kWhite);
}

TEST_F(PictureTest, PercentDrawsIntoAShrunkIntermediate)
{
    const QString file = bmp(QStringLiteral("quadrat.bmp"), solid(40, 40, kRed));
    Target t(100, 100);
    ASSERT_TRUE(DrawPicture(t, file, kWhiteColour, 50, true, true));
    EXPECT_EQ(px(t.image, 50, 50), kRed);          // 50 x 50 centred
    EXPECT_EQ(px(t.image, 30, 30), kRed);
    EXPECT_EQ(px(t.image, 20, 20), kWhite);
    EXPECT_EQ(px(t.image, 80, 80), kWhite);

    // Above 100 percent it is drawn as at 100: a small picture keeps its natural size.
    const QString small = bmp(QStringLiteral("klein.bmp"), solid(20, 10, kRed));
    for (int percent : {100, 150}) {
        Target n(100, 100);
        ASSERT_TRUE(DrawPictureFitted(n, small, kWhiteColour, percent, false, false, true));
        EXPECT_EQ(px(n.image, 40, 45), kRed) << percent;
        EXPECT_EQ(px(n.image, 39, 45), kWhite) << percent;
        EXPECT_EQ(px(n.image, 60, 45), kWhite) << percent;
    }
}

TEST_F(PictureTest, WhiteBottomLeftPixelMakesAllWhitePixelsTransparent)
{
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (int y = 3; y < 7; ++y)
        for (int x = 3; x < 7; ++x)
            img.setPixel(x, y, qRgb(0, 0, 0));
    img.setPixel(9, 0, qRgb(255, 255, 255));
    const QString file = bmp(QStringLiteral("maske.bmp"), img);
    Target t(10, 10, kGreenColour);
    ASSERT_TRUE(DrawPictureFitted(t, file, kWhiteColour, 100, true, true, false));
    EXPECT_EQ(px(t.image, 0, 0), kGreen);
    EXPECT_EQ(px(t.image, 9, 0), kGreen);
    EXPECT_EQ(px(t.image, 0, 9), kGreen);
    EXPECT_EQ(px(t.image, 5, 5), kBlack);

    // Drawn opaquely, the same bitmap keeps its white.
    Target opaque(10, 10, kGreenColour);
    ASSERT_TRUE(DrawPictureFitted(opaque, file, kWhiteColour, 100, true, false, false));
    EXPECT_EQ(px(opaque.image, 0, 0), kWhite);
}

TEST_F(PictureTest, JpegIsAlwaysOpaque)
{
    QImage white(16, 16, QImage::Format_RGB32);
    white.fill(Qt::white);
    const QString jpg = tree.write(QStringLiteral("weiss.jpg"), encode(white, "JPEG"));
    Target t(16, 16, kGreenColour);
    ASSERT_TRUE(DrawPictureFitted(t, jpg, kWhiteColour, 100, true, true, false));
    EXPECT_GT(qGreen(t.image.pixel(8, 8)), 240);
    EXPECT_GT(qRed(t.image.pixel(8, 8)), 240);
    EXPECT_GT(qRed(t.image.pixel(0, 15)), 240);

}

TEST_F(PictureTest, GifLeavesOutItsTransparentColour)
{
    // 2 x 1 pixels: red, then the transparent index (white in the palette).
    const QByteArray gif = QByteArray::fromHex("474946383961" "020001008000 00" "ff0000ffffff"
                                               "21f90401000001 00" "2c000000000200010000" "0202440a00" "3b")
                               .replace(' ', "");
    const QString file = tree.write(QStringLiteral("zwei.gif"), gif);
    Target t(2, 1, kGreenColour);
    ASSERT_TRUE(DrawPictureFitted(t, file, kWhiteColour, 100, true, true, false));
    EXPECT_EQ(px(t.image, 0, 0), kRed);
    EXPECT_EQ(px(t.image, 1, 0), kGreen);
}

TEST_F(PictureTest, MissingAndUndecodableFiles)
{
    Target t(20, 20, kGreenColour);
    EXPECT_TRUE(DrawPicture(t, tree.path(QStringLiteral("fehlt.bmp")), kWhiteColour, 100, true, true));
    EXPECT_TRUE(CoverPicture(t, tree.path(QStringLiteral("fehlt.jpg")), kWhiteColour, false));
    EXPECT_EQ(px(t.image, 10, 10), kGreen) << "a missing file leaves the target untouched";

    const QString broken = tree.write(QStringLiteral("kaputt.bmp"), QByteArray("BM not really"));
    EXPECT_FALSE(DrawPictureFitted(t, broken, kWhiteColour, 100, true, true, false));
    EXPECT_EQ(px(t.image, 10, 10), kGreen);

    EXPECT_TRUE(StretchPicture(t, broken, 0x000000FF, false));
    EXPECT_EQ(px(t.image, 10, 10), kRed) << "an undecodable picture leaves the fill";
}

TEST_F(PictureTest, AlignedPlacementAndTheWmfRoad)
{
    const QString file = bmp(QStringLiteral("q.bmp"), solid(10, 10, kRed));
    Target t(100, 50);
    QSize drawn;
    ASSERT_TRUE(DrawPictureAligned(t, file, kWhiteColour, 0, 0, 100, true, false, true, &drawn));
    EXPECT_EQ(drawn, QSize(50, 50));
    EXPECT_EQ(px(t.image, 25, 25), kRed);
    EXPECT_EQ(px(t.image, 75, 25), kWhite);

    // A smoothed ".wmf" is stretched into round(W x p / 100) with the target's aspect, aligned.
    mftest::Wmf w(0, 0, 10, 10, 96);
    w.rec(0x02FA, {5, 0, 0, 0, 0}).rec(0x012D, {0});
    w.rec(0x02FC, {0, 0x00FF, 0, 0}).rec(0x012D, {1});
    w.rec(0x041B, {10, 10, 0, 0});
    const QString wmf = tree.write(QStringLiteral("rot.wmf"), w.bytes());
    Target m(100, 50);
    ASSERT_TRUE(DrawPictureAligned(m, wmf, kWhiteColour, 2, 2, 50, true, false, true, &drawn));
    EXPECT_EQ(drawn, QSize(50, 25));
    EXPECT_EQ(px(m.image, 75, 40), kRed);
    EXPECT_EQ(px(m.image, 25, 40), kWhite);
    EXPECT_EQ(px(m.image, 75, 10), kWhite);
}

TEST_F(PictureTest, CoverScalesToCoverAndCropsTheCentre)
{
    QImage img(200, 100, QImage::Format_RGB32);
    img.fill(qRgb(255, 0, 0));
    for (int y = 0; y < 100; ++y)
        for (int x = 100; x < 200; ++x)
            img.setPixel(x, y, qRgb(0, 0, 255));
    const QString file = bmp(QStringLiteral("breit.bmp"), img);
    Target t(100, 100);
    ASSERT_TRUE(CoverPicture(t, file, kWhiteColour, false));
    EXPECT_EQ(px(t.image, 10, 50), kRed);
    EXPECT_EQ(px(t.image, 90, 50), kBlue);
    EXPECT_EQ(px(t.image, 10, 1), kRed) << "covers the whole height";
}

TEST_F(PictureTest, MissingNameDrawsItsLettersOnATransparentTarget)
{
    for (const QString& name : {QStringLiteral("Zebra"), QString()}) {
        Target t(200, 100, kGreenColour);
        DrawPictureOrName(t, name, -1, 100);
        EXPECT_TRUE(t.transparent);
        const QImage shown = ShownImage(t);
        EXPECT_EQ(qAlpha(shown.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(shown.pixel(199, 99)), 0);
        int letters = 0, minX = 200, maxX = -1;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x)
                if (qAlpha(shown.pixel(x, y)) == 255 && qGray(shown.pixel(x, y)) < 100) {
                    ++letters;
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                }
        EXPECT_GT(letters, 50) << name.toStdString();
        EXPECT_LT(std::abs((minX + maxX) / 2 - 100), 12) << "centred";
        if (name.isEmpty())
            EXPECT_LT(maxX - minX, 100) << "a single question mark";
    }
    // With a background colour the target is filled and stays opaque.
    Target filled(100, 50, kGreenColour);
    DrawPictureOrName(filled, QStringLiteral("Zebra"), 0x000000FF, 100);
    EXPECT_FALSE(filled.transparent);
    EXPECT_EQ(px(filled.image, 0, 0), kRed);
}

TEST_F(PictureTest, NamesResolveInThePictureFolders)
{
    const QString dir = tree.mkdir(QStringLiteral("Material/Bilder"));
    g().config.dirs.materialBilder = fsys::withSlash(dir);
    bmp(QStringLiteral("Material/Bilder/Baum.bmp"), solid(10, 10, kRed));
    Target t(50, 50);
    DrawPictureOrName(t, QStringLiteral("baum.bmp"), kWhiteColour, 100);
    EXPECT_FALSE(t.transparent);
    EXPECT_EQ(px(t.image, 25, 25), kRed);
}

TEST_F(PictureTest, LightVariantUnderCardsElseThirtyPercentLighter)
{
    EXPECT_EQ(LightVariantPath(QStringLiteral("/inst/bg/wald.jpg")), QStringLiteral("/inst/bg/hell/wald.jpg"));

    const QString wald = bmp(QStringLiteral("bg/wald.bmp"), solid(40, 30, kRed));
    const QImage lighter = LightBackground(wald, QSize(40, 30), kWhiteColour);
    EXPECT_EQ(px(lighter, 20, 15), 0xFF4C4Cu);  // 0.3 x 255 = 76.5 -> 76

    bmp(QStringLiteral("bg/hell/wald.bmp"), solid(40, 30, kGreen));
    const QImage light = LightBackground(wald, QSize(40, 30), kWhiteColour);
    EXPECT_EQ(px(light, 20, 15), kGreen);
}

TEST(PictureColour, MixAndLighten)
{
    EXPECT_EQ(MixColour(0x0000FF, 0x000000, 50), 0x000080);     // 127.5 -> 128
    EXPECT_EQ(MixColour(0x102030, 0x102030, 150), 0x102030);    // representable: no message
    EXPECT_EQ(LightenColour(0x000000, 150), 0x4C4C4C);          // taken as 30 percent
    EXPECT_EQ(LightenColour(0x000000, 30), 0x4C4C4C);
    EXPECT_EQ(LightenColour(0x000000, 100), 0xFFFFFF);
    EXPECT_EQ(LightenColour(0x123456, -1), 0);
    EXPECT_EQ(LightenColour(-5, 20), 0);
}

TEST(PictureColour, MixOutOfRangeShowsTheExceptionAndYieldsBlack)
{
    dialogs::ScriptedDialogs d;
    EXPECT_EQ(MixColour(0x0000FF, 0x000000, 150), 0);
    ASSERT_EQ(d.texts().size(), 1);
    EXPECT_EQ(d.texts()[0], QStringLiteral("EXCEPTION: farbe: 255 mischfarbe: 0 proz: 150 n_r: 382 n_g: 0 n_b: 0"));
}

TEST(PictureColour, PixelOperationsIncludeBothEdges)
{
    QImage img = NewBitmap(5, 5, 0);
    LightenRect(img, 1, 1, 3, 3, 50);
    EXPECT_EQ(px(img, 1, 1), 0x808080u);
    EXPECT_EQ(px(img, 3, 3), 0x808080u);
    EXPECT_EQ(px(img, 4, 4), 0u);
    EXPECT_EQ(px(img, 0, 0), 0u);
    LightenRect(img, 0, 0, 4, 4, -1);
    EXPECT_EQ(px(img, 0, 0), 0u);
    LightenRect(img, 0, 0, 0, 0, 150);  // 30 percent
    EXPECT_EQ(px(img, 0, 0), 0x4C4C4Cu);

    QImage w = NewBitmap(3, 3, 0x00FFFFFF);
    TintRect(w, 0, 0, 2, 2, 0x000000FF, 70);
    EXPECT_EQ(px(w, 2, 2), 0xFF4C4Cu);
    LightenBitmap(w = NewBitmap(2, 2, 0));
    EXPECT_EQ(px(w, 1, 1), 0x4C4C4Cu);
}

TEST(PictureText, FitFontSizeNeverGrows)
{
    QFont f(QStringLiteral("Liberation Sans"));
    struct Case {
        int size, h, w, percent;
        const char* text;
    } cases[] = {
        {10, 1000, 1000, 100, "Haus"}, {10, 0, 0, 100, "Haus"}, {200, 50, 400, 100, "Haus"},
        {200, 400, 50, 100, "Haus"},   {200, 100, 100, 0, "Haus"}, {100, 80, 800, 150, "Hg"},
    };
    for (const Case& c : cases) {
        f.setPointSize(c.size);
        const int s = FitFontSize(c.h, c.w, QString::fromLatin1(c.text), c.percent, f);
        EXPECT_LE(s, c.size);
        EXPECT_GE(s, 1);
    }
    f.setPointSize(10);
    EXPECT_EQ(FitFontSize(1000, 1000, QStringLiteral("Haus"), 100, f), 10);
    f.setPointSize(200);
    const int s = FitFontSize(60, 1000, QStringLiteral("Haus"), 80, f);
    QFont fitted = f;
    fitted.setPointSize(s);
    const QImage dev = NewBitmap(1, 1);
    EXPECT_LE(QFontMetricsF(fitted, &dev).height(), 0.8 * 60 + 1);
    EXPECT_GT(s, 20);
}

TEST(PictureText, FittedTextIsCentredAndMarkedLettersUseTheMarkColour)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPointSize(100);
    Target t(200, 80);
    DrawFittedText(t, QStringLiteral("Mm"), f, 0, 1, 90, true, kWhiteColour, false, false);
    int minX = 200, maxX = -1;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 200; ++x)
            if (qGray(t.image.pixel(x, y)) < 100) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    ASSERT_GE(maxX, 0);
    EXPECT_LT(std::abs((minX + maxX) / 2 - 100), 6);

    Target range(200, 80), delimited(200, 80);
    DrawMarkedText(range, QRect(0, 0, 200, 80), f, 0, 1, kWhiteColour, 0x000000FF, 1, 1, QStringLiteral("Haus"));
    DrawMarkedTextDelimited(delimited, QRect(0, 0, 200, 80), f, 0, 1, kWhiteColour, 0x000000FF, QLatin1Char('#'),
                            QStringLiteral("H#a#us"));
    EXPECT_EQ(range.image, delimited.image);
    int red = 0, redMin = 200, redMax = -1, blackMin = 200;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 200; ++x) {
            const QRgb p = range.image.pixel(x, y);
            if (qRed(p) > 200 && qGreen(p) < 50) {
                ++red;
                redMin = std::min(redMin, x);
                redMax = std::max(redMax, x);
            } else if (qGray(p) < 50) {
                blackMin = std::min(blackMin, x);
            }
        }
    EXPECT_GT(red, 30);
    EXPECT_GT(redMin, blackMin) << "the marked 'a' follows the black 'H'";
    EXPECT_LT(redMax, 150);
}

TEST(PictureText, SchoolFontFamiliesAndPassThrough)
{
    struct Case {
        const char* font;
        int family;
    } cases[] = {{"Schulschrift LA", 1}, {"DS_SA Regular", 2}, {"Grund VA", 3}, {"Arial", 0},
                 {"LAVA", 0},            {"X LA SA", 1},       {"Comic Sans MS", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(SchoolFontFamily(QString::fromLatin1(c.font)), c.family) << c.font;
    int mapped = -1;
    EXPECT_EQ(ShapeSchoolFontText(QStringLiteral("Arial"), QStringLiteral("Katze"), 2, &mapped), QStringLiteral("Katze"));
    EXPECT_EQ(mapped, 2);
    // No school font tables are installed yet: the cursive families pass text through too.
    EXPECT_EQ(ShapeSchoolFontText(QStringLiteral("Schrift VA"), QStringLiteral("Katze"), 5, &mapped),
              QStringLiteral("Katze"));
    EXPECT_EQ(mapped, 5);
    EXPECT_EQ(MapShapedPositions(QStringLiteral("Arial"), QStringLiteral("ab"), QStringLiteral("ab")),
              (QVector<int>{0, 1, 2}));
}
