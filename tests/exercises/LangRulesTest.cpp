#include "chooser/TaskOrder.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/LangOderKurz/LangRules.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"
#include "../media/SoundTestWav.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace lang;

namespace {

TEinzelbild element(const QString& text, const QString& sounds)
{
    TEinzelbild e;
    e.text = text;
    e.sounds = sounds;
    return e;
}

TAufgabe task(const QString& shortWord, const QString& longWord, const QString& shortSounds = {},
              const QString& longSounds = {})
{
    TAufgabe t;
    t.elements = {TEinzelbild{},
                  element(shortWord, shortSounds.isEmpty() ? shortWord.toLower() + ".wav" : shortSounds),
                  element(longWord, longSounds.isEmpty() ? longWord.toLower() + ".wav" : longSounds)};
    return t;
}

class LangRulesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetSoundState();
        resetRun();
        taskorder::useFixedSeed(7);
        rnd::seed(7);
        auto& d = g().config.dirs;
        d.materialSound = tree.mkdir("Material/Sound/");
        d.lobSound = tree.mkdir("INTERN/Lob/");
        d.fehlersound = tree.mkdir("INTERN/Fehler/");
        d.internsound = tree.mkdir("INTERN/Sound/");
        d.anleitungsound = tree.mkdir("INTERN/Anleitung/");
        for (const char* n : {"hütte.wav", "hüte.wav", "ofen.wav", "of.wav", "fen.wav", "offen.wav"})
            tree.write(QStringLiteral("Material/Sound/") + QString::fromUtf8(n), testwav::monoTone());
        tree.write("INTERN/Lob/super.wav", testwav::monoTone());
        tree.write("INTERN/Fehler/nein.wav", testwav::monoTone());
        tree.write("INTERN/Sound/Pausen/0750.wav", testwav::monoTone(10, 0, 0));
        SelectPause(3);
        auto& o = g().playerOptions.langOderKurz;
        o = TOpt_LangOderKurz{};
        o.randomOrder = false;
        o.atOnce = false;
        o.afterSolution = 1;
        o.feedback.successSound = true;
        o.feedback.successSource = 0;
        o.feedback.successSoundText = {QStringLiteral("super.wav")};
        o.feedback.successFrequency = 0;
        o.feedback.errorSource = 0;
        o.feedback.errorSoundText = {QStringLiteral("nein.wav")};
        onSoundEnded(&owner, [this](int channel, SoundStatus status) { rules.soundNotice(channel, status); });
    }
    void TearDown() override { taskorder::useFixedSeed(std::nullopt); }

    void load(const std::vector<TAufgabe>& tasks, std::vector<int> sides = {})
    {
        g().loadedList.tasks = tasks;
        g().taskOrder.clear();
        ASSERT_TRUE(rules.prepareList(QStringLiteral("Vokale\\test.txt")));
        for (int p = 0; p < int(sides.size()); ++p)
            rules.setSide(p, sides[size_t(p)]);
        rules.jumpTo(0);
    }
    // Lets every sound end, oldest first; the file names in the order they started.
    QStringList playOut()
    {
        for (int i = 0; i < 50 && !audio.endNext().isEmpty(); ++i)
            QCoreApplication::sendPostedEvents();
        QStringList names;
        for (const QString& f : audio.started())
            names << fsys::fileName(f);
        audio.clearLog();
        return names;
    }
    void hearBoth()
    {
        rules.listen();
        playOut();
        ASSERT_EQ(rules.state(), AnswerState::Answering);
    }
    void dragTo(int symbol, int card)
    {
        ASSERT_TRUE(rules.pressSource(symbol));
        rules.drop(card);
    }
    const TZeile& lastRow() const { return run().runResults.back().Rows.back(); }

    TempTree tree;
    TestAudioBackend audio;
    QObject owner;
    TWAV player{&owner};
    LangRules rules{player};
};

// Hütte (short) and Hüte (long) with the side "1": Hüte left, Hütte right; "kurz" right and "l a n g"
// left checked is right.
TEST_F(LangRulesTest, SideOneSwapsTheCardsAndTheRightDropsSolve)
{
    load({task(QStringLiteral("Hütte"), QStringLiteral("Hüte"))}, {1});
    EXPECT_EQ(rules.card(1).element.text, QStringLiteral("Hüte"));
    EXPECT_EQ(rules.card(2).element.text, QStringLiteral("Hütte"));
    EXPECT_TRUE(rules.card(2).shortCard);
    hearBoth();
    dragTo(kShort, 2);
    dragTo(kLong, 1);
    EXPECT_EQ(rules.front, Front::Pruefen);
    EXPECT_FALSE(rules.listenEnabled);
    EXPECT_EQ(rules.check(), LangRules::Outcome::Right);
    EXPECT_EQ(rules.state(), AnswerState::Praising);
    EXPECT_EQ(playOut(), QStringList{"super.wav"});
    EXPECT_EQ(rules.state(), AnswerState::Solved);
    EXPECT_EQ(rules.results()[0].state, 0);
    EXPECT_EQ(lastRow().Attempts, 1);
    EXPECT_TRUE(lastRow().Solved);
    EXPECT_EQ(lastRow().Answers, QStringLiteral("Hüte - Hütte"));
}

// The sounds of one task in order: card 1, the pause, card 2; a multi-sound word has a pause between
// its sounds and two pauses between the cards. Right: praise; wrong: the error sound.
TEST_F(LangRulesTest, SoundsOfOneTaskInOrder)
{
    struct Case {
        QString shortSounds;
        int side;
        QStringList heard;
    };
    const QString pause = QStringLiteral("0750.wav");
    const std::vector<Case> cases = {
        {QStringLiteral("hütte.wav"), 0, {"hütte.wav", pause, "hüte.wav"}},
        {QStringLiteral("hütte.wav"), 1, {"hüte.wav", pause, "hütte.wav"}},
        {QStringLiteral("of.wav;fen.wav"), 0, {"of.wav", pause, "fen.wav", pause, pause, "hüte.wav"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shortSounds.toStdString());
        load({task(QStringLiteral("Hütte"), QStringLiteral("Hüte"), c.shortSounds)}, {c.side});
        rules.listen();
        EXPECT_EQ(playOut(), c.heard);
        EXPECT_EQ(rules.state(), AnswerState::Answering);
        rules.arrow(c.side == 1);  // wrong: the short symbol on the long card
        EXPECT_EQ(rules.check(), LangRules::Outcome::Wrong);
        EXPECT_EQ(playOut(), QStringList{"nein.wav"});
        EXPECT_EQ(rules.card(1).chosen, -1);
        EXPECT_FALSE(rules.sourceUsed(kShort));
        EXPECT_EQ(rules.front, Front::Listen);
        rules.arrow(c.side == 0);
        EXPECT_EQ(rules.check(), LangRules::Outcome::Right);
        EXPECT_EQ(playOut(), QStringList{"super.wav"});
        EXPECT_EQ(rules.state(), AnswerState::Solved);
        // After an error the strip shows "Fehlerlang"; two attempts.
        EXPECT_EQ(rules.results()[0].state, 2);
        EXPECT_EQ(lastRow().Attempts, 2);
    }
}

// Left arrow then check is right exactly when card 1 is the short card.
TEST_F(LangRulesTest, ArrowsPlaceBothSymbols)
{
    struct Case { int side; bool left; LangRules::Outcome outcome; };
    for (const Case c : {Case{0, true, LangRules::Outcome::Right}, Case{0, false, LangRules::Outcome::Wrong},
                         Case{1, true, LangRules::Outcome::Wrong}, Case{1, false, LangRules::Outcome::Right}}) {
        load({task(QStringLiteral("Hütte"), QStringLiteral("Hüte"))}, {c.side});
        hearBoth();
        rules.arrow(c.left);
        EXPECT_EQ(rules.enterAction(), LangRules::EnterAction::Pruefen);
        EXPECT_EQ(rules.check(), c.outcome) << c.side << c.left;
    }
}

// With "sofort" a wrong drop springs back and counts nothing; the drop completing the arrangement solves.
TEST_F(LangRulesTest, AtOnceWrongDropSpringsBackRightDropSolves)
{
    g().playerOptions.langOderKurz.atOnce = true;
    load({task(QStringLiteral("Hütte"), QStringLiteral("Hüte"))}, {0});
    hearBoth();
    dragTo(kShort, 2);
    EXPECT_EQ(rules.card(2).chosen, -1);
    EXPECT_FALSE(rules.sourceUsed(kShort));
    EXPECT_EQ(lastRow().Attempts, 0);
    EXPECT_EQ(rules.state(), AnswerState::Answering);
    dragTo(kShort, 1);
    EXPECT_EQ(rules.state(), AnswerState::Answering);
    ASSERT_TRUE(rules.pressSource(kLong));
    EXPECT_TRUE(rules.drop(2));
    playOut();
    EXPECT_EQ(rules.state(), AnswerState::Solved);
    EXPECT_EQ(lastRow().Attempts, 1);
    EXPECT_EQ(rules.results()[0].state, 0);
}

// A source whose symbol lies on a card takes it back; a drop beside the cards returns it; Backspace
// returns both.
TEST_F(LangRulesTest, SymbolsReturnToTheirSources)
{
    load({task(QStringLiteral("Hütte"), QStringLiteral("Hüte"))}, {0});
    hearBoth();
    dragTo(kShort, 1);
    EXPECT_TRUE(rules.sourceUsed(kShort));
    EXPECT_FALSE(rules.pressSource(kShort));
    EXPECT_TRUE(rules.releaseOnSource(kShort));
    EXPECT_EQ(rules.card(1).chosen, -1);
    EXPECT_FALSE(rules.sourceUsed(kShort));
    dragTo(kLong, 0);
    EXPECT_FALSE(rules.sourceUsed(kLong));
    dragTo(kLong, 1);
    dragTo(kShort, 1);  // the long one lying there goes back
    EXPECT_EQ(rules.card(1).chosen, kShort);
    EXPECT_FALSE(rules.sourceUsed(kLong));
    EXPECT_EQ(rules.check(), LangRules::Outcome::Ignored);
    rules.clearSymbols();
    EXPECT_EQ(rules.card(1).chosen, -1);
    EXPECT_FALSE(rules.sourceUsed(kShort));
}

// "nachLösung": 2 says both words again (the second after a pause the window times) and praises
// after them; 1 shows the faces and praises at once.
TEST_F(LangRulesTest, AfterSolutionModes)
{
    struct Case { int mode; QStringList atOnce; bool due; QStringList afterDue; bool faces; };
    const std::vector<Case> cases = {
        {1, {"super.wav"}, false, {}, true},
        {2, {"hütte.wav"}, true, {"hüte.wav", "super.wav"}, true},
        {0, {"super.wav"}, false, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        g().playerOptions.langOderKurz.afterSolution = c.mode;
        load({task(QStringLiteral("Hütte"), QStringLiteral("Hüte"))}, {0});
        hearBoth();
        rules.arrow(true);
        ASSERT_EQ(rules.check(), LangRules::Outcome::Right);
        if (c.mode == 1)
            EXPECT_TRUE(rules.solvedFace(1) && rules.solvedFace(2));
        EXPECT_EQ(playOut(), c.atOnce);
        EXPECT_EQ(rules.cardDue(), c.due);
        rules.playDueCard();
        EXPECT_EQ(playOut(), c.afterDue);
        EXPECT_EQ(rules.solvedFace(2), c.faces);
        EXPECT_EQ(rules.state(), AnswerState::Solved);
    }
}

// No five equal sides in a row, over 12 tasks and across many draws.
TEST_F(LangRulesTest, NoFiveEqualSidesInARow)
{
    for (std::uint64_t seed = 1; seed <= 200; ++seed) {
        rnd::seed(seed);
        SideDrawer drawer;
        std::vector<int> sides = drawer.draw(12);
        const std::vector<int> more = drawer.draw(12);
        sides.insert(sides.end(), more.begin(), more.end());
        int run = 1;
        for (size_t i = 1; i < sides.size(); ++i) {
            run = sides[i] == sides[i - 1] ? run + 1 : 1;
            ASSERT_LT(run, 5) << "seed " << seed << " at " << i;
        }
    }
}

// Keys: Enter, "P" and "W" only where their button stands.
TEST_F(LangRulesTest, EnterFollowsTheState)
{
    load({task(QStringLiteral("Hütte"), QStringLiteral("Hüte")), task(QStringLiteral("Offen"), QStringLiteral("Ofen"))},
         {0, 1});
    EXPECT_EQ(rules.enterAction(), LangRules::EnterAction::Listen);
    hearBoth();
    EXPECT_EQ(rules.enterAction(), LangRules::EnterAction::Listen);
    dragTo(kShort, 1);
    EXPECT_EQ(rules.enterAction(), LangRules::EnterAction::Listen);
    dragTo(kLong, 2);
    EXPECT_EQ(rules.enterAction(), LangRules::EnterAction::Pruefen);
    rules.check();
    EXPECT_EQ(rules.enterAction(), LangRules::EnterAction::None);  // praise plays
    playOut();
    EXPECT_EQ(rules.enterAction(), LangRules::EnterAction::Weiter);
    EXPECT_TRUE(rules.advance());
    EXPECT_EQ(rules.position(), 1);
    EXPECT_EQ(rules.state(), AnswerState::TaskReady);
    EXPECT_TRUE(rules.card(1).shortCard == false);
}

// A release on a touched card plays only that card; before hearing both the symbols stay put.
TEST_F(LangRulesTest, ClickingACardPlaysIt)
{
    load({task(QStringLiteral("Hütte"), QStringLiteral("Hüte"))}, {0});
    rules.releaseOnCard(2);  // not touched
    EXPECT_TRUE(playOut().isEmpty());
    rules.pressCard(2);
    rules.releaseOnCard(2);
    EXPECT_EQ(playOut(), QStringList{"hüte.wav"});
    EXPECT_EQ(rules.state(), AnswerState::Hearing);
    EXPECT_FALSE(rules.pressSource(kShort));
    rules.pressCard(1);
    rules.releaseOnCard(1);
    EXPECT_EQ(playOut(), QStringList{"hütte.wav"});
    EXPECT_EQ(rules.state(), AnswerState::Answering);
    ASSERT_FALSE(run().runResults.back().Rows.empty());
}

// A list without sounds can still be answered: the words count as heard.
TEST_F(LangRulesTest, MissingSoundsCountAsHeard)
{
    load({task(QStringLiteral("Ball"), QStringLiteral("Bahn"))}, {0});
    rules.listen();
    EXPECT_EQ(playOut(), QStringList{"0750.wav"});
    EXPECT_EQ(rules.state(), AnswerState::Answering);
    rules.arrow(true);
    EXPECT_EQ(rules.check(), LangRules::Outcome::Right);
}

// The heading sound interrupts any state and restores it at its end.
TEST_F(LangRulesTest, HeadingSoundRestoresTheState)
{
    tree.write("INTERN/Anleitung/kopf.wav", testwav::monoTone());
    load({task(QStringLiteral("Hütte"), QStringLiteral("Hüte"))}, {0});
    g().loadedList.layout.headingSound = QStringLiteral("kopf.wav;kopf.wav");
    hearBoth();
    rules.playHeadingSounds();
    EXPECT_EQ(rules.state(), AnswerState::HeadingSound);
    EXPECT_EQ(playOut(), QStringList{"kopf.wav"});
    EXPECT_EQ(rules.state(), AnswerState::Answering);
}

TEST_F(LangRulesTest, EmptyListIsNoValidList)
{
    g().loadedList.tasks.clear();
    g().taskOrder.clear();
    EXPECT_FALSE(rules.prepareList(QStringLiteral("x.txt")));
    EXPECT_EQ(rules.state(), AnswerState::NoValidList);
    rules.listen();
    EXPECT_EQ(rules.check(), LangRules::Outcome::Ignored);
}

} // namespace
