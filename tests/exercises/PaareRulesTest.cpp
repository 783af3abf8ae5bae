#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/PaareSuchen/PaareLayout.h"
#include "exercises/PaareSuchen/PaareRules.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"
#include "../media/SoundTestWav.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <set>
#include <gtest/gtest.h>

using namespace paare;

namespace {

// Task i: choice card "c<i>" (sound c<i>.wav), target card "t<i>" (sound t<i>.wav).
std::vector<TAufgabe> tasks(int n)
{
    std::vector<TAufgabe> list;
    for (int i = 0; i < n; ++i) {
        TAufgabe t;
        TEinzelbild c, z;
        c.text = QStringLiteral("c%1").arg(i);
        c.sounds = QStringLiteral("c%1.wav").arg(i);
        z.text = QStringLiteral("t%1").arg(i);
        z.sounds = QStringLiteral("t%1.wav").arg(i);
        t.elements = {TEinzelbild{}, c, z};
        list.push_back(t);
    }
    return list;
}

class PaareRulesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetSoundState();
        resetRun();
        rnd::seed(7);
        auto& d = g().config.dirs;
        d.materialSound = tree.mkdir("Material/Sound/");
        d.internsound = tree.mkdir("INTERN/Sound/");
        d.fehlersound = tree.mkdir("Fehler/");
        d.lobSound = tree.mkdir("Lob/");
        for (int i = 0; i < 14; ++i)
            for (const char* k : {"c", "t"})
                tree.write(QStringLiteral("Material/Sound/%1%2.wav").arg(QLatin1String(k)).arg(i), testwav::monoTone());
        tree.write("Material/Sound/zwei.wav", testwav::monoTone());
        tree.write("Fehler/nein.wav", testwav::monoTone());
        tree.write("Lob/super.wav", testwav::monoTone());
        tree.write("INTERN/Sound/Pausen/0750.wav", testwav::monoTone(10, 0, 0));
        SelectPause(3);
        onSoundEnded(&owner, [this](int channel, SoundStatus status) { player.HandleNotice(channel, status); });
        rules.onMessage = [this](const QString& m) { messages << m; };
        TOpt_PaarSuche& o = g().playerOptions.paarSuche;
        o = TOpt_PaarSuche{};
        o.feedback.successFrequency = 0;
    }

    TOpt_PaarSuche& options() { return g().playerOptions.paarSuche; }

    void open(int taskCount)
    {
        g().loadedList.tasks = tasks(taskCount);
        rules.openList(QStringLiteral("test.txt"));
        rules.choosePairs();
    }
    void dealGame()
    {
        rules.beginDeal();
        rules.deal();
        rules.startRow();
        rules.startSearch();
    }
    QStringList playOut()
    {
        for (int i = 0; i < 400 && !audio.endNext().isEmpty(); ++i)
            QCoreApplication::sendPostedEvents();
        QStringList names;
        for (const QString& f : audio.started())
            names << fsys::fileName(f);
        audio.clearLog();
        return names;
    }
    std::vector<int> tasksOfGame() const
    {
        std::vector<int> t;
        for (const Pair& p : rules.pairs())
            t.push_back(p.task);
        return t;
    }
    int placeOf(int pair) const { return rules.card(pair, 0).position; }
    // A choice card that is neither the current target's nor found.
    int wrongPair() const
    {
        for (int p = 0; p < int(rules.pairs().size()); ++p)
            if (p != rules.currentTarget() && !rules.card(p, 0).found)
                return p;
        return -1;
    }
    void findCurrent()
    {
        rules.pickChoice(placeOf(rules.currentTarget()));
        rules.pruefen();
    }
    const TZeile& lastRow() const { return run().runResults.back().Rows.back(); }

    TempTree tree;
    TestAudioBackend audio;
    QObject owner;
    TWAV player{&owner};
    PaareRules rules{player};
    QStringList messages;
};

TEST(PaareCount, FittedToTheListAndColumnsPerCount)
{
    struct Case { int requested, tasks, fitted; };
    for (const Case c : {Case{12, 7, 6}, Case{12, 6, 6}, Case{12, 8, 8}, Case{12, 9, 8}, Case{12, 11, 10},
                         Case{12, 12, 12}, Case{12, 30, 12}, Case{6, 30, 6}, Case{10, 9, 8}})
        EXPECT_EQ(FittedCount(c.requested, c.tasks), c.fitted) << c.requested << " " << c.tasks;
    for (auto [n, columns] : {std::pair{6, 3}, {8, 4}, {10, 5}, {12, 6}, {7, 0}, {14, 0}})
        EXPECT_EQ(ColumnsOf(n), columns) << n;
}

TEST(PaareGrid, TopRowOfFourOverTwoRowsOfColumns)
{
    struct Case { int w, b, n, columns, side; };
    // side = min(W / 4, (W - 2(C + 1)) / C, (B - 8) / 3)
    for (const Case c : {Case{1024, 672, 6, 3, 221}, Case{1024, 672, 12, 6, 168}, Case{1920, 945, 8, 4, 312},
                         Case{1920, 945, 10, 5, 312}, Case{800, 1000, 6, 3, 200}}) {
        SCOPED_TRACE(c.n);
        const Grid g = ComputeGrid(c.w, c.b, c.n);
        EXPECT_EQ(g.columns, c.columns);
        EXPECT_EQ(g.side, c.side);
        // Two rows of C under the four slots, 2 pixels apart, the three rows centred.
        EXPECT_EQ(g.place(0).top(), g.slot(1).bottom() + 3);
        EXPECT_EQ(g.place(c.columns).top(), g.place(0).bottom() + 3);
        EXPECT_EQ(g.place(c.columns - 1).left(), g.place(c.columns - 2).right() + 3);
        EXPECT_EQ(g.slot(4).left(), g.slot(3).right() + 3);
        EXPECT_LE(std::abs(g.slot(1).left() - (c.w - g.slot(4).right() - 1)), 1);
        EXPECT_LE(std::abs(g.place(0).left() - (c.w - g.place(c.columns - 1).right() - 1)), 1);
        EXPECT_LE(std::abs(g.slot(1).top() - (c.b - g.place(c.n - 1).bottom() - 1)), 1);
        EXPECT_FALSE(g.place(c.n).isValid());
        EXPECT_EQ(g.placeAt(g.place(c.n - 1).center()), c.n - 1);
        EXPECT_EQ(g.slotAt(g.slot(3).center()), 3);
    }
    EXPECT_EQ(ComputeGrid(1024, 672, 7).columns, 0);
}

TEST(PaareGrid, OneFontSizeForTheWidestText)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(72);
    const int both = CardFontSize({QStringLiteral("Ei"), QStringLiteral("Schmetterling")}, 200, false, font);
    EXPECT_EQ(CardFontSize({QStringLiteral("Schmetterling")}, 200, false, font), both);
    EXPECT_LT(both, CardFontSize({QStringLiteral("Ei")}, 200, false, font));
    // Text under a picture: a quarter of the card's height.
    EXPECT_LT(CardFontSize({QStringLiteral("Ei")}, 200, true, font), CardFontSize({QStringLiteral("Ei")}, 200, false, font));
}

TEST_F(PaareRulesTest, SevenTasksWithTwelveCardsPlaySixAndRecordTwelve)
{
    options().pictureCount = 12;
    options().textPicture = 3;
    options().visible = 2;
    open(7);
    EXPECT_EQ(rules.count(), 6);
    EXPECT_EQ(rules.pairs().size(), 6u);
    const TErgebnis& e = run().runResults.back();
    EXPECT_EQ(e.ItemCount, 12);
    EXPECT_TRUE(e.WithPicture);
    EXPECT_TRUE(e.WithText);
    EXPECT_EQ(e.CardVisibility, 2);
}

TEST_F(PaareRulesTest, FileOrderContinuesWithTheFollowingTasks)
{
    options().pictureChoice = 1;
    options().pictureCount = 6;
    open(8);
    EXPECT_EQ(tasksOfGame(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    dealGame();
    rules.neuesSpiel();
    EXPECT_EQ(tasksOfGame(), (std::vector<int>{6, 7, 0, 1, 2, 3}));
    EXPECT_EQ(rules.nextFileIndex(), 4);
}

TEST_F(PaareRulesTest, RandomChoiceUsesTheOtherSixOnlyWhenExactlySixAreLeft)
{
    options().pictureChoice = 0;
    options().pictureCount = 6;
    open(12);
    const std::vector<int> first = tasksOfGame();
    rules.neuesSpiel();
    std::set<int> all(first.begin(), first.end());
    for (int t : tasksOfGame())
        EXPECT_TRUE(all.insert(t).second) << t;
    EXPECT_EQ(all.size(), 12u);

    // With ten tasks four are left: a new order of all ten, so a task of the first game can return.
    bool repeated = false;
    for (int seed = 1; seed <= 20 && !repeated; ++seed) {
        rnd::seed(seed);
        resetRun();
        PaareRules r(player);
        g().loadedList.tasks = tasks(10);
        r.openList(QStringLiteral("x.txt"));
        r.choosePairs();
        std::set<int> a;
        for (const Pair& p : r.pairs())
            a.insert(p.task);
        r.neuesSpiel();
        for (const Pair& p : r.pairs())
            repeated = repeated || a.count(p.task) > 0;
    }
    EXPECT_TRUE(repeated);
}

TEST_F(PaareRulesTest, FourTargetsAmongTwelveTheRestAreDistractors)
{
    open(14);
    dealGame();
    ASSERT_EQ(rules.count(), 12);
    std::set<int> places, slotPositions;
    int targets = 0;
    for (int p = 0; p < 12; ++p) {
        places.insert(rules.card(p, 0).position);
        const int pos = rules.card(p, 1).position;
        if (pos >= 0) {
            ++targets;
            slotPositions.insert(pos);
            EXPECT_EQ(rules.slotPair(pos - 12 + 1), p);
        }
    }
    EXPECT_EQ(places, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(targets, 4);
    EXPECT_EQ(slotPositions, (std::set<int>{12, 13, 14, 15}));
    // Slot 1 is current and its word was played; the target card shows the listening symbol.
    EXPECT_EQ(rules.state(), 1);
    EXPECT_EQ(rules.currentTarget(), rules.slotPair(1));
    EXPECT_EQ(rules.card(rules.slotPair(1), 1).look, kHidden);
    EXPECT_EQ(rules.card(rules.slotPair(2), 1).look, kBlank);
}

TEST_F(PaareRulesTest, FourTargetsWithOneWrongCheckGiveAttemptsFive)
{
    options().pictureCount = 6;
    open(6);
    dealGame();
    EXPECT_FALSE(rules.enabled(Button::Pruefen));
    rules.pickChoice(placeOf(wrongPair()));
    EXPECT_TRUE(rules.usable(Button::Pruefen));
    rules.pruefen();
    EXPECT_FALSE(rules.enabled(Button::Pruefen));
    for (int slot = 1; slot <= 4; ++slot) {
        EXPECT_EQ(rules.state(), slot);
        findCurrent();
        EXPECT_TRUE(rules.card(rules.slotPair(slot), 1).found);
        EXPECT_EQ(rules.currentTarget(), -1);
        if (slot < 4) {
            EXPECT_TRUE(rules.usable(Button::Weiter));
            EXPECT_FALSE(lastRow().Solved);
            rules.weiter();
            EXPECT_EQ(rules.front(), Button::Hoeren);
        }
    }
    EXPECT_EQ(rules.state(), kAllFound);
    EXPECT_TRUE(rules.usable(Button::NeuesSpiel));
    EXPECT_EQ(lastRow().Attempts, 5);
    EXPECT_TRUE(lastRow().Solved);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\d$")).match(lastRow().Duration).hasMatch());
    // A pick after the fourth target names the button that is there.
    rules.pickChoice(placeOf(0));
    EXPECT_EQ(messages, QStringList{QStringLiteral("Bitte zuerst auf NEUES SPIEL klicken!")});
    // Enter deals the next game; its row is a new one.
    rules.enterKey();
    EXPECT_TRUE(rules.dealDue());
    dealGame();
    EXPECT_EQ(run().runResults.back().Rows.size(), 2u);
    EXPECT_EQ(lastRow().Attempts, 0);
}

TEST_F(PaareRulesTest, PickBeforeWeiterAsksForWeiter)
{
    options().pictureCount = 6;
    open(6);
    dealGame();
    findCurrent();
    rules.pickChoice(placeOf(wrongPair()));
    EXPECT_EQ(messages, QStringList{QStringLiteral("Bitte zuerst auf WEITER klicken!")});
    EXPECT_EQ(rules.chosenCard(), -1);
    // Enter without a focus after a find: "Weiter".
    rules.enterKey();
    EXPECT_EQ(rules.state(), 2);
    EXPECT_EQ(rules.currentTarget(), rules.slotPair(2));
}

TEST_F(PaareRulesTest, FoundChoiceCardAgainByCardsVisibleOnSuccess)
{
    options().pictureCount = 6;
    for (bool visibleOnSuccess : {false, true}) {
        SCOPED_TRACE(visibleOnSuccess);
        resetRun();
        options().cardsVisibleOnSuccess = visibleOnSuccess;
        open(6);
        dealGame();
        const int first = rules.currentTarget();
        findCurrent();
        rules.weiter();
        rules.pickChoice(placeOf(first));
        if (!visibleOnSuccess) {
            // Picked and checked again: a wrong pick.
            EXPECT_EQ(rules.chosenCard(), first);
            rules.pruefen();
            EXPECT_EQ(lastRow().Attempts, 2);
            EXPECT_FALSE(rules.enabled(Button::Pruefen));
        } else {
            EXPECT_EQ(rules.chosenCard(), -1);
            EXPECT_EQ(rules.card(first, 0).look, kFound);
            // The arrow keys skip the found card and the chosen one.
            const int other = wrongPair();
            rules.pickChoice(placeOf(other));
            EXPECT_EQ(rules.focus(), placeOf(other));
            std::set<int> reached;
            for (int i = 0; i < 12; ++i)
                if (rules.moveFocus(i < 6 ? 1 : -1, 0))
                    reached.insert(rules.focus());
            EXPECT_EQ(reached.count(placeOf(first)), 0u);
            EXPECT_EQ(reached.count(placeOf(other)), 0u);
            EXPECT_FALSE(reached.empty());
        }
    }
}

TEST_F(PaareRulesTest, LooksBySichtbar)
{
    options().pictureCount = 6;
    struct Case { int visible; bool onSuccess; int rest, picked, foundChoice; };
    for (const Case c : {Case{0, true, kBlank, kHidden, kFound}, Case{0, false, kBlank, kHidden, kBlank},
                         Case{1, true, kBlank, kPicked, kFound}, Case{2, false, kFace, kPicked, kFace}}) {
        SCOPED_TRACE(c.visible * 10 + c.onSuccess);
        resetRun();
        options().visible = c.visible;
        options().cardsVisibleOnSuccess = c.onSuccess;
        open(6);
        dealGame();
        for (int p = 0; p < 6; ++p) {
            EXPECT_EQ(rules.card(p, 0).look, c.rest);
            if (rules.card(p, 1).position >= 0 && p != rules.currentTarget())
                EXPECT_EQ(rules.card(p, 1).look, kBlank);
        }
        const int target = rules.currentTarget();
        const int wrong = wrongPair();
        rules.pickChoice(placeOf(wrong));
        EXPECT_EQ(rules.card(wrong, 0).look, c.picked);
        rules.pickChoice(placeOf(target));
        EXPECT_EQ(rules.card(wrong, 0).look, c.rest);  // put back
        rules.pruefen();
        EXPECT_EQ(rules.card(target, 0).look, c.foundChoice);
        EXPECT_EQ(rules.card(target, 1).look, kFound);
        rules.redrawLooks();
        EXPECT_EQ(rules.card(target, 0).look, c.foundChoice);
        EXPECT_EQ(rules.card(target, 1).look, kFound);
    }
}

TEST_F(PaareRulesTest, SoundsOfOneTaskRightAndWrong)
{
    options().pictureCount = 6;
    options().feedback.errorSource = 0;
    options().feedback.errorSoundText = {QStringLiteral("nein.wav")};
    options().feedback.successSource = 0;
    options().feedback.successSoundText = {QStringLiteral("super.wav")};
    g().loadedList.tasks = tasks(6);
    g().loadedList.tasks[0].elements[1].sounds = QStringLiteral("c0.wav;zwei.wav");
    options().pictureChoice = 1;
    rules.openList(QStringLiteral("test.txt"));
    rules.choosePairs();
    dealGame();
    const int target = rules.currentTarget();
    const QString t = QStringLiteral("t%1.wav").arg(rules.pairs()[size_t(target)].task);
    EXPECT_EQ(playOut(), QStringList{t});
    // A wrong pick: its word (two sounds with the pause between), then the error sound on "Prüfen".
    const int wrong = target == 0 ? 1 : 0;
    rules.pickChoice(placeOf(0 == target ? 1 : 0));
    rules.pruefen();
    const QStringList expectedWrong =
        wrong == 0 ? QStringList{QStringLiteral("c0.wav"), QStringLiteral("0750.wav"), QStringLiteral("zwei.wav"),
                                 QStringLiteral("nein.wav")}
                   : QStringList{QStringLiteral("c1.wav"), QStringLiteral("nein.wav")};
    EXPECT_EQ(playOut(), expectedWrong);
    // Space replays the target; the right pick sounds its word and nothing more before the fourth.
    rules.spaceKey();
    rules.pickChoice(placeOf(target));
    rules.pruefen();
    const QString c = QStringLiteral("c%1.wav").arg(rules.pairs()[size_t(target)].task);
    QStringList right{t, c};
    if (target == 0)
        right = QStringList{t, QStringLiteral("c0.wav"), QStringLiteral("0750.wav"), QStringLiteral("zwei.wav")};
    EXPECT_EQ(playOut(), right);
    // A found target plays both words: its own, the pause, the choice card's.
    rules.clickTarget(1);
    EXPECT_EQ(playOut().mid(0, 3), (QStringList{t, QStringLiteral("0750.wav"), right[1]}));
    // The fourth find ends with the praise.
    for (int slot = 2; slot <= 4; ++slot) {
        rules.weiter();
        findCurrent();
    }
    const QStringList last = playOut();
    ASSERT_FALSE(last.isEmpty());
    EXPECT_EQ(last.back(), QStringLiteral("super.wav"));
}

TEST_F(PaareRulesTest, ArrowKeysMoveTheFrameInTheGrid)
{
    options().pictureCount = 6;
    options().cardsVisibleOnSuccess = false;
    open(6);
    dealGame();
    // No focus: Left and Up try only place 0; Down goes 0, 3.
    EXPECT_TRUE(rules.moveFocus(-1, 0));
    EXPECT_EQ(rules.focus(), 0);
    EXPECT_TRUE(rules.frameShown());
    EXPECT_FALSE(rules.moveFocus(-1, 0));  // left at place 0
    EXPECT_FALSE(rules.moveFocus(0, -1));  // up in the first row
    EXPECT_TRUE(rules.moveFocus(0, 1));
    EXPECT_EQ(rules.focus(), 3);
    EXPECT_FALSE(rules.moveFocus(0, 1));   // down in the second row
    EXPECT_TRUE(rules.moveFocus(-1, 0));   // left from the second row's start
    EXPECT_EQ(rules.focus(), 2);
    for (int i = 0; i < 3; ++i)
        rules.moveFocus(1, 0);
    EXPECT_EQ(rules.focus(), 5);
    EXPECT_FALSE(rules.moveFocus(1, 0));   // right at N - 1
    // Enter on the focused card picks it.
    rules.enterKey();
    EXPECT_EQ(rules.chosenCard(), rules.pairAtPlace(5));
    EXPECT_FALSE(rules.frameShown());
}

} // namespace
