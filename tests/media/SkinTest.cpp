#include "media/skin/PraiseDue.h"
#include "media/skin/ScreenScale.h"

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
