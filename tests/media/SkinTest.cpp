#include "media/skin/PraiseDue.h"
#include "media/skin/ScreenScale.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <gtest/gtest.h>

TEST(PraiseDue, Table)
{
    struct Case {
        int frequency;
        std::vector<int> yes, no;
    };
    const Case cases[] = {
        {0, {0, 1, 2, 5, 100}, {}},
        {1, {1, 3, 5, 99}, {0, 2, 4}},
        {2, {1, 4, 7, 10}, {0, 2, 3, 5, 6}},
        {3, {1, 2, 4, 7, 10, 14, 18, 22, 26, 30, 34}, {0, 3, 5, 6, 8, 11, 23, 24, 25, 27, 28}},
        {4, {}, {0, 1, 2, 7}},
        {-1, {}, {1}},
    };
    for (const Case& c : cases) {
        for (int n : c.yes)
            EXPECT_TRUE(PraiseDue(n, c.frequency)) << "frequency " << c.frequency << " count " << n;
        for (int n : c.no)
            EXPECT_FALSE(PraiseDue(n, c.frequency)) << "frequency " << c.frequency << " count " << n;
    }
}

TEST(ScreenScale, FactorFollowsTheNarrowerSide)
{
    EXPECT_DOUBLE_EQ(screenScaleFactor(QSize(1024, 768)), 1.28);
    EXPECT_DOUBLE_EQ(screenScaleFactor(QSize(1920, 1080)), 1.8);   // wide: by height
    EXPECT_DOUBLE_EQ(screenScaleFactor(QSize(1280, 1024)), 1.6);   // tall: by width
    EXPECT_DOUBLE_EQ(screenScaleFactor(QSize(1024, 768), QSize(800, 600), 20), 1.28 * 16 / 20);
}

TEST(ScreenScale, ScalesTheWindowTreeAndKeepsItOnTheMonitor)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect geo = screen->geometry();
    const int dialogFont = qRound(13.0 * screen->logicalDotsPerInch() / 96.0);

    QWidget window;
    window.resize(400, 300);
    auto* label = new QLabel(QStringLiteral("Wort"), &window);
    label->setGeometry(10, 20, 100, 50);
    QFont f = label->font();
    f.setPixelSize(20);
    label->setFont(f);
    ScaleWindowToScreen(&window, false);
    const double k = screenScaleFactor(geo.size(), QSize(800, 600), dialogFont);
    EXPECT_EQ(window.size(), QSize(qRound(400 * k), qRound(300 * k)));
    EXPECT_EQ(label->geometry(), QRect(qRound(10 * k), qRound(20 * k), qRound(100 * k), qRound(50 * k)));
    EXPECT_EQ(label->font().pixelSize(), qRound(20 * k));

    QWidget full;
    full.resize(200, 100);
    ScaleWindowToScreen(&full, true);
    EXPECT_EQ(full.geometry(), geo);

    // Its own design size, placed past the monitor's corner: scaled, then moved back onto it.
    QWidget series;
    series.resize(512, 384);
    series.move(geo.right() - 10, geo.bottom() - 10);
    ScaleWindowToScreen(&series, false, QSize(1024, 768), true);
    const double s = screenScaleFactor(geo.size(), QSize(1024, 768), dialogFont);
    EXPECT_EQ(series.size(), QSize(qRound(512 * s), qRound(384 * s)));
    EXPECT_TRUE(screen->availableGeometry().contains(series.geometry())) << series.x() << "," << series.y();
}
