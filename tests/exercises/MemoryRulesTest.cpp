#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/Memory/MemoryRules.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"
#include "../media/SoundTestWav.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

using namespace memory;

namespace {

// Task i: two cards "Wi" / "Wi" with the sound "wi.wav"; tasks from `praiseFrom` on praise with "lob.wav".
std::vector<TAufgabe> tasks(int n, int praiseFrom = 1000)
{
    std::vector<TAufgabe> list;
    for (int i = 0; i < n; ++i) {
        TAufgabe t;
        TEinzelbild e;
        e.text = QStringLiteral("W%1").arg(i);
        e.sounds = QStringLiteral("w%1.wav").arg(i);
        t.elements = {TEinzelbild{}, e, e};
        if (i >= praiseFrom)
            t.successSounds = {QStringLiteral("lob.wav")};
        list.push_back(t);
    }
    return list;
}

class MemoryRulesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetSoundState();
        resetRun();
        rnd::seed(5);
        auto& d = g().config.dirs;
        d.materialSound = tree.mkdir("Material/Sound/");
        d.internsound = tree.mkdir("INTERN/Sound/");
        for (int i = 0; i < 12; ++i)
            tree.write(QStringLiteral("Material/Sound/w%1.wav").arg(i), testwav::monoTone());
        tree.write("Material/Sound/die.wav", testwav::monoTone());
        for (const char* n : {"lob.wav", "paar.wav", "alle.wav"})
            tree.write(QStringLiteral("INTERN/Sound/") + n, testwav::monoTone());
        tree.write("INTERN/Sound/Pausen/0750.wav", testwav::monoTone(10, 0, 0));
        tree.write("INTERN/Sound/Pausen/0500.wav", testwav::monoTone(10, 0, 0));
        ProgramSection s;
        s.values.insert(QStringLiteral("tonpaargefunden"), d.internsound + QStringLiteral("paar.wav"));
        s.values.insert(QStringLiteral("tonallegefunden"), d.internsound + QStringLiteral("alle.wav"));
        g().config.programSections.insert(QStringLiteral("progmemory"), s);
        SelectPause(3);
        onSoundEnded(&owner, [this](int channel, SoundStatus status) { rules.soundNotice(channel, status); });
    }

    void start(int taskCount, int cards = 6, int players = 1, int computer = -1, int choice = 1, int praiseFrom = 1000)
    {
        g().loadedList.tasks = tasks(taskCount, praiseFrom);
        TOpt_Memory o;
        o.pictureCount = cards;
        o.playerCount = players;
        o.computer = computer;
        o.pictureChoice = choice;
        rules.setOptions(o);
        rules.setupPlayers();
        ASSERT_TRUE(rules.prepareList(QStringLiteral("test.txt")));
        ASSERT_TRUE(rules.deal(true));
        audio.clearLog();
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
    int placeOf(int cardIndex) const { return rules.card(cardIndex).position; }
    // Clicks a card by its index and lets its sounds end.
    QStringList turn(int cardIndex)
    {
        EXPECT_TRUE(rules.clickPlace(placeOf(cardIndex))) << cardIndex;
        return playOut();
    }
    std::vector<int> tasksOfGame() const
    {
        std::vector<int> t;
        for (const Pair& p : rules.pairs())
            t.push_back(p.task);
        return t;
    }
    const TZeile& lastRow() const { return run().runResults.back().Rows.back(); }

    TempTree tree;
    TestAudioBackend audio;
    QObject owner;
    TWAV player{&owner};
    MemoryRules rules{player, 305};
};

TEST_F(MemoryRulesTest, TheCardCountFollowsTheNumberOfTasks)
{
    struct Case { int requested, tasks, usable; };
    const Case cases[] = {{12, 4, 6}, {6, 2, 0}, {6, 3, 6}, {24, 7, 12}, {24, 9, 16}, {24, 11, 20},
                          {24, 12, 24}, {12, 6, 12}, {20, 10, 20}, {16, 5, 6}, {24, 5, 6}};
    for (const Case& c : cases)
        EXPECT_EQ(UsableCardCount(c.requested, c.tasks), c.usable) << c.requested << " " << c.tasks;
    // 4 tasks with 12 cards play 6 cards; the block records the count the options ask for.
    start(4, 12);
    EXPECT_EQ(rules.cardCount(), 6);
    EXPECT_EQ(rules.pairCount(), 3);
    EXPECT_EQ(run().runResults.back().ItemCount, 12);
    g().loadedList.tasks = tasks(2);
    EXPECT_FALSE(rules.prepareList(QStringLiteral("kurz.txt")));
    EXPECT_EQ(rules.cardCount(), 0);
    EXPECT_FALSE(rules.deal(false));
}

TEST_F(MemoryRulesTest, TheGridAndTheComputerThresholdByTheirOptions)
{
    struct G { int cards, columns, rows, gap; };
    for (const G& c : {G{6, 3, 2, 20}, G{12, 4, 3, 20}, G{16, 4, 4, 10}, G{20, 5, 4, 5}, G{24, 6, 4, 0}, G{8, 0, 0, 0}}) {
        const Grid g = GridOf(c.cards);
        EXPECT_EQ(g.columns, c.columns);
        EXPECT_EQ(g.rows, c.rows);
        EXPECT_EQ(g.gap, c.gap);
    }
    struct T { int computer, threshold; };
    for (const T& c : {T{0, 1}, T{1, 2}, T{2, 3}, T{3, 100}, T{5, 100}})
        EXPECT_EQ(ComputerThreshold(c.computer), c.threshold) << c.computer;
}

TEST_F(MemoryRulesTest, InFileOrderEveryGameGoesOnAfterTheLastTaskUsed)
{
    start(5, 6, 1, -1, 1);
    EXPECT_EQ(tasksOfGame(), (std::vector<int>{0, 1, 2}));
    ASSERT_TRUE(rules.deal(false));
    EXPECT_EQ(tasksOfGame(), (std::vector<int>{3, 4, 0}));
    ASSERT_TRUE(rules.deal(false));
    EXPECT_EQ(tasksOfGame(), (std::vector<int>{1, 2, 3}));
}

TEST_F(MemoryRulesTest, AtRandomTheSecondGameUsesTheOtherTasks)
{
    start(12, 12, 1, -1, 0);
    const std::vector<int> first = tasksOfGame();
    ASSERT_TRUE(rules.deal(false));
    const std::vector<int> second = tasksOfGame();
    QSet<int> all;
    for (int t : first)
        all.insert(t);
    for (int t : second)
        all.insert(t);
    EXPECT_EQ(all.size(), 12);
    // The places are a permutation of the grid.
    QSet<int> places;
    for (int i = 0; i < 12; ++i)
        places.insert(placeOf(i));
    EXPECT_EQ(places.size(), 12);
}

TEST_F(MemoryRulesTest, ATurnSoundsItsCardsAMatchItsPraiseAMissNothingMore)
{
    start(3, 6, 1, -1, 1, 1);  // task 0 without praise, tasks 1 and 2 with "lob.wav"
    g().loadedList.tasks[0].elements[1].sounds = QStringLiteral("die.wav;w0.wav;fehlt.wav");
    rules.choosePairs();
    ASSERT_TRUE(rules.deal(true));
    audio.clearLog();
    // Card sounds: the first interrupting, the pause between them; a missing file is skipped.
    EXPECT_TRUE(rules.clickPlace(placeOf(0)));
    EXPECT_EQ(rules.state(), GameState::ChildCard);
    EXPECT_FALSE(rules.clickPlace(placeOf(2)));  // clicks wait while a card sounds
    EXPECT_EQ(playOut(), (QStringList{"die.wav", "0750.wav", "w0.wav"}));
    EXPECT_EQ(rules.state(), GameState::ChildTurn);
    EXPECT_EQ(rules.firstTurned(), 0);
    // A miss: both cards stay open until the next click, which turns them back first.
    EXPECT_EQ(turn(2), QStringList{"w1.wav"});
    EXPECT_EQ(rules.secondTurned(), 1);
    EXPECT_TRUE(rules.card(0).turned && rules.card(2).turned);
    EXPECT_EQ(lastRow().Attempts, 1);
    EXPECT_EQ(turn(3), QStringList{"w1.wav"});
    EXPECT_FALSE(rules.card(0).turned || rules.card(2).turned);
    // A match: its cards, then the pair's own praise.
    EXPECT_EQ(turn(2), (QStringList{"w1.wav", "lob.wav"}));
    EXPECT_TRUE(rules.card(2).found && rules.card(3).found);
    EXPECT_TRUE(rules.pairs()[1].shownFound);
    EXPECT_EQ(rules.firstTurned(), -1);
    // A pair without praise files plays "TonPaarGefunden".
    turn(0);
    EXPECT_EQ(turn(1), (QStringList{"w0.wav", "paar.wav"}));
    // A face-up card only plays its word again.
    EXPECT_TRUE(rules.clickPlace(placeOf(3)));
    EXPECT_EQ(rules.state(), GameState::ChildTurn);
    EXPECT_EQ(playOut(), QStringList{"w1.wav"});
    // The last pair: praise, then "TonAlleGefunden" cuts in.
    bool motif = false;
    rules.onGameOver = [&] { motif = true; };
    turn(4);
    EXPECT_TRUE(rules.clickPlace(placeOf(5)));
    const QStringList last = playOut();
    ASSERT_FALSE(last.isEmpty());
    EXPECT_EQ(last.front(), "w2.wav");
    EXPECT_EQ(last.back(), "alle.wav");
    EXPECT_TRUE(motif);
    EXPECT_EQ(rules.state(), GameState::GameOver);
    const TZeile& row = lastRow();
    EXPECT_EQ(row.Attempts, 4);
    EXPECT_TRUE(row.Solved);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\d$")).match(row.Duration).hasMatch())
        << row.Duration.toStdString();
    // After the game only face-up cards answer.
    EXPECT_TRUE(rules.clickPlace(placeOf(5)));
    EXPECT_EQ(playOut(), QStringList{"w2.wav"});
}

TEST_F(MemoryRulesTest, TheComputerUsesItsMemoryByItsStrength)
{
    struct Case { int computer; bool aimsAtPair0; };
    for (const Case& c : {Case{0, true}, Case{1, false}, Case{3, false}}) {
        resetRun();
        start(6, 12, 1, c.computer);
        // Both cards of pair 0 seen once, in two misses; cards 2 and 4 seen too.
        turn(0);
        turn(2);
        turn(1);
        turn(4);
        ASSERT_EQ(rules.seenCount(0), 1);
        ASSERT_EQ(rules.seenCount(1), 1);
        for (int round = 0; round < 20; ++round) {
            const int first = rules.computerFirstChoice();
            if (c.aimsAtPair0) {
                EXPECT_EQ(first, 0);
            } else {
                // Without memory an unseen card comes first.
                EXPECT_EQ(rules.seenCount(first), 0) << c.computer;
            }
        }
        // The partner of a card it turns first: at 0 it is matched once seen.
        if (c.computer == 0) {
            turn(5);  // turns back 1 and 4
            EXPECT_EQ(rules.computerSecondChoice(5), 4);
        }
    }
}

TEST_F(MemoryRulesTest, AFoundPairForgetsItsCountsAndIsNeverAimedAtAgain)
{
    start(6, 12, 1, 0);
    turn(0);
    turn(2);
    turn(1);
    turn(4);
    turn(0);
    turn(1);  // found
    EXPECT_EQ(rules.seenCount(0), 0);
    EXPECT_EQ(rules.seenCount(1), 0);
    for (int round = 0; round < 20; ++round) {
        const int first = rules.computerFirstChoice();
        EXPECT_NE(first / 2, 0);
        EXPECT_FALSE(rules.card(first).found);
    }
}

TEST_F(MemoryRulesTest, TwoPlayersPassTheTurnOnAMissAndScoreTwoAPair)
{
    start(3, 6, 2);
    EXPECT_EQ(rules.turn(), 0);
    turn(0);
    turn(2);
    EXPECT_EQ(rules.turn(), 1);
    EXPECT_EQ(rules.state(), GameState::ChildTurn);
    EXPECT_TRUE(rules.card(0).turned && rules.card(2).turned);
    // Player 2 finds a pair and plays on.
    turn(2);
    EXPECT_FALSE(rules.card(0).turned);
    turn(3);
    EXPECT_EQ(rules.score(1), 2);
    EXPECT_EQ(rules.score(0), 0);
    EXPECT_EQ(rules.turn(), 1);
    EXPECT_EQ(lastRow().Attempts, 2);
}

TEST_F(MemoryRulesTest, AGameTheComputerPlaysAlongCountsOnlyTheHumanTurns)
{
    start(6, 12, 2, 0);
    int humanTurns = 0;
    // The child misses once; then it finds a pair whenever it has the turn.
    turn(0);
    turn(2);
    ++humanTurns;
    for (int guard = 0; guard < 200 && rules.state() != GameState::GameOver; ++guard) {
        playOut();
        if (rules.state() == GameState::ChildTurn && rules.turn() == 0) {
            std::vector<int> open;
            for (int p = 0; p < rules.pairCount(); ++p)
                if (!rules.pairs()[size_t(p)].cards[0].found)
                    open.push_back(p);
            // Every other turn a miss while two pairs are left, so the computer gets its turns.
            const bool miss = humanTurns % 2 == 0 && open.size() >= 2;
            turn(open[0] * 2);
            turn(miss ? open[1] * 2 : open[0] * 2 + 1);
            ++humanTurns;
        }
    }
    ASSERT_EQ(rules.state(), GameState::GameOver);
    EXPECT_EQ(rules.score(0) + rules.score(1), 12);
    EXPECT_GT(rules.score(1), 0);
    EXPECT_EQ(lastRow().Attempts, humanTurns);
    EXPECT_TRUE(lastRow().Solved);
}

TEST_F(MemoryRulesTest, AllCardsPlayInPlaceOrderAndASecondPressStopsAfterTheCurrentCard)
{
    start(3);
    rules.playAll();
    EXPECT_EQ(rules.state(), GameState::PlayingAll);
    EXPECT_EQ(rules.playingAllPlace(), 0);
    QStringList expected;
    for (int place = 0; place < 6; ++place)
        expected << QStringLiteral("w%1.wav").arg(rules.cardAt(place) / 2) << "0500.wav" << "0750.wav";
    EXPECT_EQ(playOut(), expected);
    EXPECT_EQ(rules.state(), GameState::ChildTurn);
    EXPECT_FALSE(rules.playAllOffered());

    ASSERT_TRUE(rules.deal(false));
    audio.clearLog();
    rules.playAll();
    ASSERT_FALSE(audio.endNext().isEmpty());  // the first card's word ended
    QCoreApplication::sendPostedEvents();
    rules.playAll();
    EXPECT_EQ(rules.state(), GameState::ChildTurn);
    EXPECT_EQ(rules.playingAllPlace(), -1);
    EXPECT_FALSE(rules.playAllOffered());
    // What is queued for the current card ends; no other card follows.
    EXPECT_EQ(playOut(), (QStringList{QStringLiteral("w%1.wav").arg(rules.cardAt(0) / 2), "0500.wav", "0750.wav"}));
    // Once a card is turned it is no longer offered.
    ASSERT_TRUE(rules.deal(false));
    turn(0);
    rules.playAll();
    EXPECT_NE(rules.state(), GameState::PlayingAll);
}

TEST_F(MemoryRulesTest, TheArrowKeysMoveAmongTheFaceDownCards)
{
    start(3);
    EXPECT_TRUE(rules.moveFocus(1, 0));
    EXPECT_EQ(rules.focus(), 0);
    EXPECT_TRUE(rules.moveFocus(0, 1));
    EXPECT_EQ(rules.focus(), 3);
    EXPECT_FALSE(rules.moveFocus(0, 1));  // the edge
    EXPECT_EQ(rules.focus(), 3);
    // A face-up card is passed over.
    const int idx = rules.cardAt(4);
    turn(idx);
    EXPECT_TRUE(rules.moveFocus(1, 0));
    EXPECT_EQ(rules.focus(), 5);
    EXPECT_TRUE(rules.moveFocus(-1, 0));
    EXPECT_EQ(rules.focus(), 3);
}

} // namespace
