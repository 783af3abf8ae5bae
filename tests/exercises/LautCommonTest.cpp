#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/common/LautButtons.h"
#include "exercises/common/LautFlow.h"
#include "exercises/common/LautMarker.h"
#include "exercises/common/TaskSounds.h"

#include <QImage>
#include <QSet>
#include <tuple>
#include <gtest/gtest.h>

using namespace exercise;

namespace {

TEST(LautMarker, TheFirstDigitInTheOrderOneToNineMarks)
{
    struct Case { const char* text; const char* word; int d; int k; const char* marked; };
    const Case cases[] = {
        {"1Haus", "Haus", 1, 1, "H"},
        {"3Schal", "Schal", 3, 1, "Sch"},
        {"Ja2cke", "Jacke", 2, 3, "ck"},
        {"2Ha1s", "2Has", 1, 4, "s"},     // "1" is looked for before "2"
        {"Haus", "Haus", 0, 1, ""},       // no marker: nothing marked
        {"Bal9l", "Ball", 9, 4, "l"},     // the mark stops at the word's end
        {"", "", 0, 1, ""},
    };
    for (const Case& c : cases) {
        const LautWord w = SplitLautMarker(QString::fromUtf8(c.text));
        EXPECT_EQ(w.word, QString::fromUtf8(c.word)) << c.text;
        EXPECT_EQ(w.markLength, c.d) << c.text;
        EXPECT_EQ(w.markStart, c.k) << c.text;
        EXPECT_EQ(w.marked(), QString::fromUtf8(c.marked)) << c.text;
    }
}

TEST(LautMarker, ItemsOfASearchText)
{
    struct Case { const char* text; bool valid; const char* items; };
    const Case cases[] = {
        {"1Haus,h,m,t", true, "1Haus|h|m|t"},
        {"1Mama,m,a,m,n", true, "1Mama|m|a|n"},   // a repeated sound once
        {"Ha1se", true, "Ha1se|s|Y"},            // only the word: the letter after the digit and "Y"
        {"Hase", false, "Hase"},                 // no marker, no sounds: cannot be played
        {"", false, ""},
    };
    for (const Case& c : cases) {
        const LautItems it = SplitLautItems(QString::fromUtf8(c.text));
        EXPECT_EQ(it.valid, c.valid) << c.text;
        EXPECT_EQ(it.items.join(QLatin1Char('|')), QString::fromUtf8(c.items)) << c.text;
    }
}

TEST(LautMarker, TheSoundSetIsCutFromTheEndAndHoldsEachSoundOnce)
{
    const LautItems six = SplitLautItems(QStringLiteral("1Sonne,s,t,m,f,l,r"));
    QSet<QString> offered;
    for (int run = 0; run < 60; ++run) {
        rnd::seed(run);
        const QStringList set = LautSoundSet(six, 3);
        ASSERT_EQ(set.size(), 3);
        for (const QString& s : set)
            offered.insert(s);
    }
    // With "LautAnzahl" 3 the last three sounds of the list are never offered.
    EXPECT_EQ(offered, (QSet<QString>{QStringLiteral("s"), QStringLiteral("t"), QStringLiteral("m")}));
    EXPECT_EQ(LautSoundSet(six, 1), QStringList{QStringLiteral("s")});
    const QStringList five = LautSoundSet(six, 5);
    EXPECT_EQ(five.size(), 5);
    EXPECT_TRUE(five.contains(QStringLiteral("s")));
    // The order is random: not always the list's.
    bool shuffled = false;
    for (int run = 0; run < 20 && !shuffled; ++run) {
        rnd::seed(100 + run);
        shuffled = LautSoundSet(six, 5).front() != QLatin1String("s");
    }
    EXPECT_TRUE(shuffled);
}

TEST(LautMarker, WhichChoiceAnswersTheTarget)
{
    struct Case { const char* sound; const char* target; bool check; bool right; };
    const Case cases[] = {
        {"h", "h", false, true},   {"H", "h", false, true},  {"m", "h", false, false},
        {"l", "ll", false, true},  {"l", "ll", true, true},  // written twice
        {"k", "ck", true, true},   {"k", "ck", false, false}, // "ck" for "k" with "Prüfen" only
        {"sch", "sch", true, true}, {"s", "sch", true, false}, {"", "", true, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LautSoundMatches(QString::fromUtf8(c.sound), QString::fromUtf8(c.target), c.check), c.right)
            << c.sound << " " << c.target << " " << c.check;
}

TEST(LautFlow, WeiterOffersSkippedTasksBeforeTheEnd)
{
    std::vector<TLoesung> t(4);
    t[0].state = 0;
    t[2].state = 1;
    EXPECT_EQ(LautNextPosition(0, t), 1);
    EXPECT_EQ(LautNextPosition(3, t), 1);  // past the last: the first open one
    t[1].state = 0;
    EXPECT_EQ(LautNextPosition(3, t), 3);
    t[3].state = 0;
    EXPECT_EQ(LautNextPosition(1, t), -1);  // every task solved
    LautReopen(t);
    EXPECT_FALSE(LautAllSolved(t));
    EXPECT_EQ(LautNextPosition(3, t), 0);
}

// Two protocol forms: most programs write milliseconds, the memory, word series, sound and pairs
// programs hundredths padded to three digits.
TEST(TaskDuration, MillisecondsOrHundredths)
{
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(1000000);
    EXPECT_EQ(exercise::TaskDuration(67450), QStringLiteral("01:07:450"));
    EXPECT_EQ(exercise::TaskDurationHundredths(start, start.addMSecs(67450)), QStringLiteral("01:07:045"));
    EXPECT_EQ(exercise::TaskDurationHundredths(start, start.addMSecs(65435)), QStringLiteral("01:05:043"));
    EXPECT_EQ(exercise::TaskDurationHundredths(start, start), QStringLiteral("00:00:000"));
    EXPECT_EQ(exercise::TaskDurationHundredths(QDateTime(), start), QStringLiteral("00:00:000"));
}

TEST(LautFlow, TheDissolveUncoversEveryPixelOnce)
{
    rnd::seed(3);
    LautDissolve d;
    // 180 x 180 tiles whatever the box (2 x 1 pixels here, the last column and row wider), fewer only
    // on a box smaller than that; 2000 per tick.
    for (const auto& [box, tiles, ticks] : {std::tuple{QSize(600, 450), 180 * 180, 17},
                                            std::tuple{QSize(1000, 700), 180 * 180, 17},
                                            std::tuple{QSize(100, 50), 100 * 50, 3}}) {
        LautDissolve e;
        e.start(box);
        EXPECT_EQ(e.tileCount(), tiles) << box.width() << "x" << box.height();
        QImage onto(box, QImage::Format_RGB32), from(box, QImage::Format_RGB32);
        onto.fill(Qt::black);
        from.fill(Qt::white);
        int n = 0;
        while (e.step(onto, QPoint(0, 0), from))
            ++n;
        EXPECT_EQ(n, ticks);
        EXPECT_EQ(onto, from);
    }
    d.start(QSize(400, 300));
    EXPECT_EQ(d.tileCount(), 180 * 180);
    QImage onto(400, 300, QImage::Format_RGB32);
    onto.fill(Qt::black);
    QImage from(400, 300, QImage::Format_RGB32);
    from.fill(Qt::white);
    int ticks = 0;
    while (d.running()) {
        d.step(onto, QPoint(0, 0), from);
        ++ticks;
        if (ticks == 1) {
            // 2000 tiles after the first tick, scattered over the box.
            int white = 0;
            for (int y = 0; y < 300; ++y)
                for (int x = 0; x < 400; ++x)
                    white += onto.pixel(x, y) == qRgb(255, 255, 255);
            EXPECT_GE(white, 4000);
            EXPECT_LT(white, 12000);  // a few of the wider last-column and last-row tiles
            // Scattered: every quarter of the box has some.
            for (const QRect& q : {QRect(0, 0, 200, 150), QRect(200, 0, 200, 150), QRect(0, 150, 200, 150),
                                   QRect(200, 150, 200, 150)}) {
                const QImage part = onto.copy(q);
                int some = 0;
                for (int y = 0; y < part.height(); ++y)
                    for (int x = 0; x < part.width(); ++x)
                        some += part.pixel(x, y) == qRgb(255, 255, 255);
                EXPECT_GT(some, 400);
                EXPECT_LT(some, 3200);
            }
        }
    }
    EXPECT_EQ(ticks, 17);
    EXPECT_EQ(onto, from);
}

TEST(LautButtons, TheColumnAndThePanelShareTheFreeWidth)
{
    const QRect area(0, 50, 1024, 614);
    const LautLayout left = LayoutLautScreen(area, 683, 5, true);
    const int s = (614 - 6) / 5;
    ASSERT_EQ(left.size, s);
    ASSERT_EQ(left.buttons.size(), 5u);
    // Mouths, buttons, panel from the left; equal margins and gap.
    const int m = (1024 - (2 * s + 1) - 683) / 3;
    EXPECT_EQ(left.mouths[0].left(), m);
    EXPECT_EQ(left.buttons[0].left(), m + s + 1);
    EXPECT_EQ(left.panel.left() - (left.buttons[0].right() + 1), m);
    EXPECT_EQ(left.buttons[1].top() - left.buttons[0].bottom(), 2);  // 1 pixel apart
    const LautLayout right = LayoutLautScreen(area, 683, 3, false);
    EXPECT_LT(right.panel.right(), right.buttons[0].left());
    EXPECT_EQ(right.mouths[0].left(), right.buttons[0].right() + 2);
    // Three buttons keep the size of five and stand in the middle.
    EXPECT_EQ(right.size, (614 - 4) / 5);
    EXPECT_NEAR(right.buttons[1].center().y(), area.center().y(), 2);
    EXPECT_EQ(LautRoundCell(QRect(0, 0, 100, 100)), QRect(25, 25, 50, 50));
}

} // namespace
