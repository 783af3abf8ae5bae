#include "shell/MainLayout.h"

#include <gtest/gtest.h>

TEST(MainLayout, GoldenSectionNumbers)
{
    // 1180 x 880 client, status bar 20, four main buttons.
    const MainLayout l = computeMainLayout(1180, 880, 20, 4);
    EXPECT_EQ(l.margin, 17);                       // 0.02 * 860 = 17.2
    EXPECT_EQ(l.buttonHeight, (860 - 9 - 34) / 4); // 204
    EXPECT_EQ(l.buttonWidth, 729 - 51 - 8);        // round(0.618034 * 1180) - 3m - m/2
    ASSERT_EQ(l.mainButtons.size(), 4u);
    EXPECT_EQ(l.mainButtons[0], QRect(17, 17, 670, 204));
    EXPECT_EQ(l.mainButtons[3].top(), 17 + 3 * 207);
    const int h = (4 * 204 + 9 - 34) / 3;
    EXPECT_EQ(l.startPicture.height(), h);
    EXPECT_EQ(l.playerPanel.top(), 17 + h + 17);
    EXPECT_EQ(l.lowerPanel.top(), 17 + 2 * (h + 17));
    EXPECT_EQ(l.startPicture.left(), 17 + 670 + 17);
    EXPECT_EQ(l.startPicture.right(), 1180 - 17 - 1);
}

TEST(MainLayout, RoundsHalfToEven)
{
    // 0.02 * 725 = 14.5 -> 14; 0.02 * 775 = 15.5 -> 16.
    EXPECT_EQ(computeMainLayout(800, 745, 20, 3).margin, 14);
    EXPECT_EQ(computeMainLayout(800, 795, 20, 3).margin, 16);
}

TEST(MainLayout, GroupPanels)
{
    const QRect button(17, 431, 670, 204);
    // Three programs of height 60: 3 * 60 + 4 * 3 = 192 high, hanging from the button's top.
    EXPECT_EQ(groupPanelRect(button, 3, 60, 1180, 860, 17), QRect(687 - 300, 431, 1180 - 687 - 17 + 100, 192));
    // Eight programs would reach below the window: the panel ends level with the button's bottom.
    const QRect low = groupPanelRect(button, 8, 60, 1180, 860, 17);
    EXPECT_EQ(low.height(), 8 * 60 + 9 * 3);
    EXPECT_EQ(low.bottom(), button.bottom());
    EXPECT_EQ(programButtonRect(0, 60, 576), QRect(3, 3, 570, 60));
    EXPECT_EQ(programButtonRect(2, 60, 576), QRect(3, 9 + 120, 570, 60));
}

TEST(MainLayout, OptionsCaptionOnLowMonitors)
{
    EXPECT_EQ(optionsButtonCaption(600), "&Optionen");
    EXPECT_EQ(optionsButtonCaption(768), "&Optionen");
    EXPECT_EQ(optionsButtonCaption(769), "Alle\n&Optionen");
    EXPECT_EQ(optionsButtonCaption(1080), "Alle\n&Optionen");
}
