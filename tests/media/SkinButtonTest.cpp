#include "core/GlobalState.h"
#include "media/picture/Picture.h"
#include "media/skin/SkinButton.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QFontMetrics>
#include <QPushButton>
#include <QLabel>
#include <functional>
#include <gtest/gtest.h>

using picture::Colour;

namespace {

QFont bigFont()
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPointSize(100);
    return f;
}

struct Rows {
    int first, last;
};

// Rows [first, last] holding pixels that match `ink`; {-1, -1} when none.
Rows inkRows(const QImage& img, const std::function<bool(QRgb)>& ink, int x0 = 0, int x1 = -1)
{
    if (x1 < 0)
        x1 = img.width() - 1;
    int first = -1, last = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = x0; x <= x1; ++x)
            if (ink(img.pixel(x, y))) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
    return {first, last};
}

bool dark(QRgb c) { return qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100; }
bool pureWhite(QRgb c) { return (c & 0xFFFFFF) == 0xFFFFFF; }
bool navy(QRgb c) { return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) > 100; }

// Longest run of matching pixels within one row of the band.
int longestRun(const QImage& img, int y0, int y1, const std::function<bool(QRgb)>& ink)
{
    int best = 0;
    for (int y = std::max(0, y0); y <= std::min(y1, img.height() - 1); ++y) {
        int run = 0;
        for (int x = 0; x < img.width(); ++x) {
            run = ink(img.pixel(x, y)) ? run + 1 : 0;
            best = std::max(best, run);
        }
    }
    return best;
}

} // namespace

TEST(SkinButton, CaptionMarkersSplitLines)
{
    EXPECT_EQ(CaptionLines(QStringLiteral("a#10#13b#$A#$Dc")), QStringList({"a", "b", "c"}));
    EXPECT_EQ(CaptionLines(QStringLiteral("a\n\rb")), QStringList({"a", "b"}));
    EXPECT_EQ(CaptionLines(QStringLiteral("Weiter")), QStringList({"Weiter"}));
}

TEST(SkinButton, NotEqualButtonShowsWhiteUnderlinedMiddleLine)
{
    const QString caption = QStringLiteral("Das Gehörte ist #10#13nicht#10#13gleich!");
    const QSize size(244, 124);
    const int H = size.height() - 4, h = H / 3;
    for (const bool named : {true, false}) {
        const QImage face = BuildButtonFace(size, bigFont(), named ? "SB_nichtgleich" : "SB_gleich", QString(), caption,
                                            0, 1, 0, 1);
        ASSERT_EQ(face.size(), QSize(240, 120));
        const auto white = inkRows(face, pureWhite);
        if (!named) {
            EXPECT_EQ(white.first, -1) << "only the named button has a white line";
            continue;
        }
        // The white word lies in the band starting at h - 6, the first and last lines stay black.
        EXPECT_GE(white.first, h - 6);
        EXPECT_LT(white.last, 2 * h + 10);
        const auto black = inkRows(face, dark);
        EXPECT_LT(black.first, h / 2);
        EXPECT_GT(black.last, 2 * h);
        EXPECT_EQ(inkRows(face, dark, 0, face.width() - 1).first, black.first);
        // Underlined: one long white row, longer than any letter stroke.
        EXPECT_GT(longestRun(face, white.first, white.last, pureWhite), 40);
    }
}

TEST(SkinButton, BottomCaptionWithoutDescendersMovesDown)
{
    const QSize size(404, 80);
    const int H = size.height() - 4;
    auto face = [&](const char* caption) {
        return BuildButtonFace(size, bigFont(), "B_x", QString(), QString::fromUtf8(caption), 2, 1, 0, 1);
    };
    const QFont f = [&] {
        QFont g = bigFont();
        g.setPointSize(picture::FitFontSize(H, 400, QStringLiteral("Weiter"), 80, g));
        return g;
    }();
    const QImage probe = picture::NewBitmap(1, 1);
    const int th = QFontMetrics(f, &probe).height();
    ASSERT_GE(th / 8, 4);
    const auto weiter = inkRows(face("Weiter"), dark);
    const auto hoeren = inkRows(face("Hören"), dark);
    const auto spiel = inkRows(face("Spiel"), dark);
    // "W" and "S" share the cap height: the tops differ by the eighth of a line.
    EXPECT_NEAR(weiter.first - spiel.first, th / 8, 1);
    EXPECT_EQ(weiter.last, hoeren.last) << "both sit on the same moved baseline";
    EXPECT_LE(spiel.last, H - 1);
    EXPECT_GT(spiel.last, weiter.last) << "the descender of p reaches below the baseline";
    EXPECT_LE(weiter.last, H - 1);
}

TEST(SkinButton, LinePlacement)
{
    const QSize size(204, 124);  // face 200 x 120
    struct Case {
        const char* name;
        const char* caption;
        int vAlign;
        bool (*ink)(QRgb);
        int bandTop, bandBottom;  // the ink lies inside
    } cases[] = {
        {"B_x", "Mitte", 1, dark, 20, 100},
        {"B_x", "Oben", 0, dark, 0, 70},
        {"B_x", "eins#10#13zwei#10#13drei", 0, dark, 0, 119},
        {"SB_allehoeren", "alle#10#13hören", 0, dark, 0, 80},    // h = 40
        {"SB_allehoeren", "alle#10#13hören", 1, dark, 20, 100},
        {"SB_allehoeren", "alle#10#13hören", 2, dark, 40, 119},
        {"SB_richtig", "rich#10#13tig", 0, navy, 60, 119},        // navy, in the lower half
        {"SB_falsch", "fal#10#13sch", 2, navy, 60, 119},
    };
    for (const Case& c : cases) {
        const QImage face = BuildButtonFace(size, bigFont(), c.name, QString(), QString::fromUtf8(c.caption), c.vAlign,
                                            1, 0, 1);
        const auto rows = inkRows(face, c.ink);
        SCOPED_TRACE(std::string(c.name) + " " + c.caption + " v" + std::to_string(c.vAlign));
        ASSERT_NE(rows.first, -1);
        EXPECT_GE(rows.first, c.bandTop);
        EXPECT_LE(rows.last, c.bandBottom);
    }
    // A single centred line is centred.
    const auto mid = inkRows(BuildButtonFace(size, bigFont(), "B_x", QString(), "MITTE", 1, 1, 0, 1), dark);
    EXPECT_NEAR((mid.first + mid.last) / 2.0, 60, 6);
    // Three lines fill the face: the last ink is in the bottom third.
    const auto three = inkRows(BuildButtonFace(size, bigFont(), "B_x", QString(), "A#10#13B#10#13C", 0, 1, 0, 1), dark);
    EXPECT_LT(three.first, 20);
    EXPECT_GT(three.last, 80);
}

TEST(SkinButton, SlotsAreFadedCopiesWithYellowKeys)
{
    TempTree tree;
    QImage red(50, 50, QImage::Format_RGB32);
    red.fill(QColor(255, 0, 0));
    const QString pic = tree.path("rot.bmp");
    ASSERT_TRUE(red.save(pic, "BMP"));
    for (const int count : {1, 3}) {
        const QImage face = BuildButtonFace(QSize(64, 44), bigFont(), "B_x", pic, "Go", 1, 1, 0, count);
        const int W = 60, H = 40;
        ASSERT_EQ(face.size(), QSize(W * count, H));
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(face.pixel(i * W, H - 1) & 0xFFFFFF, 0xFFFF00u) << "slot " << i + 1;
        EXPECT_EQ(face.pixel(30, 8) & 0xFFFFFF, 0xFF0000u) << "the picture above the caption in slot 1";
        for (int i = 1; i < count; ++i) {
            // 70 percent white: red 255, green and blue 178.5 rounded to even.
            EXPECT_EQ(face.pixel(i * W + 30, 8) & 0xFFFFFF, 0xFFB2B2u);
            for (const QPoint p : {QPoint(30, 20), QPoint(5, 30), QPoint(40, 10)}) {
                const QRgb a = face.pixel(p), b = face.pixel(p + QPoint(i * W, 0));
                EXPECT_EQ(picture::fromQColor(QColor(b)), picture::MixColour(picture::fromQColor(QColor(a)), 0xFFFFFF, 30));
            }
        }
    }
}

TEST(SkinButton, MissingPictureLeavesCaptionOnPlainFace)
{
    const QImage a = BuildButtonFace(QSize(84, 44), bigFont(), "B_x", "/nicht/da.bmp", "Hören", 2, 1, 0, 1);
    const QImage b = BuildButtonFace(QSize(84, 44), bigFont(), "B_x", QString(), "Hören", 2, 1, 0, 1);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.pixel(1, 1) & 0xFFFFFF, QRgb(kButtonFaceColour));
}

TEST(SkinButton, ButtonPaintsTheSlotOfItsState)
{
    QPushButton button(QStringLiteral("alt"));
    button.setObjectName(QStringLiteral("B_weiter"));
    button.resize(124, 64);
    button.setCheckable(true);
    SkinButton(&button, QString(), QStringLiteral("Weiter"), 1, 1, 0x000000FF, 3);
    EXPECT_TRUE(button.text().isEmpty());
    const QImage face = SkinFace(&button);
    ASSERT_EQ(face.size(), QSize(360, 60));
    EXPECT_EQ(SkinSlots(&button), 3);
    auto shownSlot = [&]() {
        const QImage shot = button.grab().toImage();
        for (int s = 0; s < 3; ++s) {
            bool same = true;
            for (int y = 0; y < 59 && same; ++y)
                for (int x = 1; x < 120 && same; ++x)
                    same = (shot.pixel(x + 2, y + 2) & 0xFFFFFF) == (face.pixel(s * 120 + x, y) & 0xFFFFFF);
            if (same) {
                // The yellow key shows the button underneath.
                EXPECT_NE(shot.pixel(2, 61) & 0xFFFFFF, 0xFFFF00u);
                return s + 1;
            }
        }
        return 0;
    };
    EXPECT_EQ(shownSlot(), 1);
    // Slots 2 and 3 hold the same faded face; the state picks which one is painted.
    button.setDown(true);
    EXPECT_EQ(SkinSlotShown(&button), 3);
    EXPECT_EQ(shownSlot(), 2);
    button.setDown(false);
    button.setEnabled(false);
    EXPECT_EQ(SkinSlotShown(&button), 2);
    EXPECT_EQ(shownSlot(), 2);
    button.setEnabled(true);
    button.setChecked(true);
    EXPECT_EQ(shownSlot(), 1) << "no fourth slot: the normal face";
}

TEST(SkinButton, LabelGetsTheFaceAsPicture)
{
    QLabel label;
    label.resize(84, 44);
    SkinButton(&label, QString(), QStringLiteral("Bild"), 1, 1, 0, 1);
    EXPECT_EQ(label.pixmap().toImage().convertToFormat(QImage::Format_RGB32),
              SkinFace(&label).convertToFormat(QImage::Format_RGB32));
}

TEST(SkinButton, SpecialOneLineButtonsFitLarger)
{
    // "SB_neu" fits its caption to 95 percent instead of 80: taller ink.
    const auto other = inkRows(BuildButtonFace(QSize(404, 84), bigFont(), "B_x", QString(), "NEU", 1, 1, 0, 1), dark);
    const auto neu = inkRows(BuildButtonFace(QSize(404, 84), bigFont(), "SB_neu", QString(), "NEU", 1, 1, 0, 1), dark);
    EXPECT_GT(neu.last - neu.first, other.last - other.first + 3);
}

namespace {
// Columns [first, last] holding dark pixels.
std::pair<int, int> inkColumns(const QImage& img)
{
    int first = -1, last = -1;
    for (int x = 0; x < img.width(); ++x)
        for (int y = 0; y < img.height(); ++y)
            if (dark(img.pixel(x, y))) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}
} // namespace

TEST(SkinButton, HorizontalAlignmentOfOneAndSeveralLines)
{
    const QSize size(404, 84);  // a face of 400 x 80, much wider than the captions
    for (const QString& caption : {QStringLiteral("Wort"), QStringLiteral("ab#10#13cd")}) {
        const auto left = inkColumns(BuildButtonFace(size, bigFont(), "SB_x", QString(), caption, 1, 0, 0, 1));
        const auto centre = inkColumns(BuildButtonFace(size, bigFont(), "SB_x", QString(), caption, 1, 1, 0, 1));
        const auto right = inkColumns(BuildButtonFace(size, bigFont(), "SB_x", QString(), caption, 1, 2, 0, 1));
        SCOPED_TRACE(caption.toStdString());
        ASSERT_GE(left.first, 0);
        EXPECT_LT(left.first, 12);
        EXPECT_GT(right.second, 400 - 12);
        EXPECT_NEAR((centre.first + centre.second) / 2.0, 200, 12);
        EXPECT_LT(left.second, centre.second);
        EXPECT_LT(centre.second, right.second);
    }
}

TEST(SkinButton, MetafilePictureSitsOnTopAboveTheCaption)
{
    // A WMF picture is drawn at 80 percent, at the top and centred; the caption goes below it.
    const QString wmf = fixture(QStringLiteral("metafiles/star.wmf"));
    ASSERT_TRUE(picture::PictureSize(wmf).isValid()) << wmf.toStdString();
    const QImage face = BuildButtonFace(QSize(204, 124), bigFont(), "SB_x", wmf, QStringLiteral("Wort"), 2, 1, 0, 1);
    // The star's colours are saturated; the face and the caption's ink are grey. Column 0 holds the
    // yellow key pixel.
    auto picture = [](QRgb c) { return QColor::fromRgb(c).hsvSaturation() > 100; };
    const Rows pic = inkRows(face, picture, 1);
    const Rows text = inkRows(face, dark);
    ASSERT_GE(pic.first, 0);
    ASSERT_GE(text.first, 0);
    EXPECT_LT(pic.last, text.first) << "the whole picture above the caption";
    EXPECT_GT(text.last, face.height() * 70 / 100);
}

namespace {
// A picture whose every edge shows: red with a blue border of 3 pixels.
QString framedPicture(const TempTree& tree, QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor(0, 0, 255));
    for (int y = 3; y < size.height() - 3; ++y)
        for (int x = 3; x < size.width() - 3; ++x)
            img.setPixel(x, y, qRgb(255, 0, 0));
    const QString file = tree.path(QStringLiteral("rahmen%1x%2.bmp").arg(size.width()).arg(size.height()));
    img.save(file, "BMP");
    return file;
}
bool blue(QRgb c) { return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60; }
bool reddish(QRgb c) { return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80; }
QRect box(const QImage& img, const std::function<bool(QRgb)>& ink)
{
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (ink(img.pixel(x, y)))
                r = r.united(QRect(x, y, 1, 1));
    return r;
}
} // namespace

TEST(SkinButton, CaptionBesideOrBelowTheWholePictureNeverOnIt)
{
    // Faces tall, square, a little wide and very wide; one to three lines and the named layouts.
    TempTree tree;
    struct Case {
        QSize button;
        const char* name;
        const char* caption;
        int vAlign;
    } cases[] = {
        {{124, 96}, "SB_hoeren", "Hören", 2},
        {{96, 124}, "SB_weiter", "Weiter", 2},
        {{204, 124}, "SB_x", "Nochmal#10#13hören", 2},
        {{170, 130}, "SB_allehoeren", "Alle#10#13Karten#10#13anhören", 1},
        {{300, 100}, "SB_neuesSpiel", "Neues Spiel", 2},
        {{500, 80}, "SB_x", "Prüfen", 0},
        {{244, 184}, "SB_nichtgleich", "Das Gehörte ist #10#13nicht#10#13gleich!", 0},
        {{160, 200}, "SB_richtig", "Das ist#10#13richtig", 2},
        {{140, 100}, "SB_x", "Oben", 0},
    };
    for (const QSize pictureSize : {QSize(60, 60), QSize(120, 40), QSize(30, 90)}) {
        const QString file = framedPicture(tree, pictureSize);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " " + c.caption + " " + std::to_string(pictureSize.width()) + "x" +
                         std::to_string(pictureSize.height()));
            const QString caption = QString::fromUtf8(c.caption);
            const QImage whole = BuildButtonFace(c.button, bigFont(), c.name, file, caption, c.vAlign, 1, 0, 1);
            const QImage pictureOnly =
                BuildButtonFace(c.button, bigFont(), c.name, file, caption, c.vAlign, 1, 0, 1, FacePart::PictureOnly);
            const QImage captionOnly =
                BuildButtonFace(c.button, bigFont(), c.name, file, caption, c.vAlign, 1, 0, 1, FacePart::CaptionOnly);
            // The whole picture: its blue border shows on all four sides, in the picture's proportions.
            const QRect frame = box(whole, blue);
            ASSERT_FALSE(frame.isEmpty());
            EXPECT_EQ(frame, box(pictureOnly, blue));
            EXPECT_GT(frame.left(), 0);
            EXPECT_GT(frame.top(), 0);
            EXPECT_LT(frame.right(), whole.width() - 1);
            EXPECT_LT(frame.bottom(), whole.height() - 1);
            EXPECT_NEAR(double(frame.width()) / frame.height(), double(pictureSize.width()) / pictureSize.height(),
                        0.12 * pictureSize.width() / pictureSize.height());
            for (const QPoint p : {QPoint(frame.left(), frame.center().y()), QPoint(frame.right(), frame.center().y()),
                                   QPoint(frame.center().x(), frame.top()), QPoint(frame.center().x(), frame.bottom())})
                EXPECT_TRUE(blue(whole.pixel(p))) << p.x() << "," << p.y();
            EXPECT_TRUE(reddish(whole.pixel(frame.center())));
            // The caption's ink lies outside the picture, and the whole face shows it there too.
            const QRect text = box(captionOnly, [](QRgb c) { return dark(c) || navy(c); });
            ASSERT_FALSE(text.isEmpty());
            EXPECT_FALSE(text.intersects(frame)) << "caption " << text.y() << ".." << text.bottom() << " picture "
                                                 << frame.y() << ".." << frame.bottom();
            EXPECT_EQ(box(whole, dark), box(captionOnly, dark));
        }
    }
}

TEST(SkinButton, ALightCaptionBesideAPictureIsDrawnDark)
{
    // White was meant for a caption lying on a dark picture; on the plain face beside it, it would
    // vanish.
    TempTree tree;
    const QString file = framedPicture(tree, QSize(60, 60));
    const QImage face = BuildButtonFace(QSize(124, 96), bigFont(), "SB_hoeren", file, "Hören", 2, 1, 0x00FFFFFF, 1,
                                        FacePart::CaptionOnly);
    EXPECT_FALSE(box(face, dark).isEmpty());
    EXPECT_TRUE(box(face, pureWhite).isEmpty());
    // Without a picture the caption keeps its colour.
    const QImage plain = BuildButtonFace(QSize(124, 96), bigFont(), "SB_hoeren", QString(), "Hören", 2, 1, 0x00FFFFFF, 1);
    EXPECT_FALSE(box(plain, pureWhite).isEmpty());
}

TEST(SkinButton, AFaceTakenAgainIsTheFaceBuiltFreshAndAChangedPictureIsDrawnAnew)
{
    TempTree tree;
    const QString picture = tree.path(QStringLiteral("knopf.bmp"));
    QImage red(40, 30, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(picture, "BMP"));
    QPushButton button;
    button.setObjectName(QStringLiteral("SB_hoeren"));
    button.resize(120, 80);
    SkinButton(&button, picture, QStringLiteral("Hören"), 2, 0, 0, 1);
    const QImage first = SkinFace(&button);
    SkinButton(&button, picture, QStringLiteral("Weiter"), 2, 0, 0, 1);
    EXPECT_NE(SkinFace(&button), first);
    SkinButton(&button, picture, QStringLiteral("Hören"), 2, 0, 0, 1);
    EXPECT_EQ(SkinFace(&button), first);
    EXPECT_EQ(SkinFace(&button), BuildButtonFace(button.size(), button.font(), button.objectName(), picture,
                                                 QStringLiteral("Hören"), 2, 0, 0, 1));
    // The picture file changed on disk: its new content is drawn.
    QImage blue(40, 30, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    ASSERT_TRUE(blue.save(picture, "BMP"));
    QFile f(picture);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(10), QFileDevice::FileModificationTime));
    f.close();
    SkinButton(&button, picture, QStringLiteral("Hören"), 2, 0, 0, 1);
    EXPECT_NE(SkinFace(&button), first);
}
