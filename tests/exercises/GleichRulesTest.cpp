#include "chooser/TaskOrder.h"
#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/GleichNichtGleich/GleichRules.h"
#include "exercises/common/RevealAnimation.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"
#include "../media/SoundTestWav.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace gleich;

namespace {

TEinzelbild element(const QString& text, const QString& sounds)
{
    TEinzelbild e;
    e.text = text;
    e.sounds = sounds;
    return e;
}

TAufgabe task(const QString& a, const QString& b)
{
    TAufgabe t;
    t.elements = {TEinzelbild{}, element(a, a.toLower() + ".wav"), element(b, b.toLower() + ".wav")};
    return t;
}

// A window's player and the rules, with the notices routed as the window routes them.
class GleichRulesTest : public ::testing::Test
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
        for (const char* n : {"hund.wav", "katze.wav", "maus.wav", "haus.wav", "die.wav"})
            tree.write(QStringLiteral("Material/Sound/") + n, testwav::monoTone());
        tree.write("INTERN/Lob/super.wav", testwav::monoTone());
        tree.write("INTERN/Fehler/nein.wav", testwav::monoTone());
        tree.write("INTERN/Sound/Pausen/0750.wav", testwav::monoTone(10, 0, 0));
        SelectPause(3);
        auto& o = g().playerOptions.gleichNichtgleich;
        o.randomOrder = false;
        o.feedback.successSource = 0;
        o.feedback.successSoundText = {QStringLiteral("super.wav")};
        o.feedback.errorSource = 0;
        o.feedback.errorSoundText = {QStringLiteral("nein.wav")};
        onSoundEnded(&owner, [this](int channel, SoundStatus status) { rules.soundNotice(channel, status); });
    }
    void TearDown() override { taskorder::useFixedSeed(std::nullopt); }

    void load(const std::vector<TAufgabe>& tasks)
    {
        g().loadedList.tasks = tasks;
        g().taskOrder.clear();
        ASSERT_TRUE(rules.prepareList(QStringLiteral("Allgemein\\test.txt")));
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
    // Both words heard, the answer buttons open.
    void hear()
    {
        rules.listen();
        playOut();
    }
    void setVariant(int position, int variant)
    {
        rules.setVariant(position, variant);
        rules.startTask();
    }

    TempTree tree;
    TestAudioBackend audio;
    QObject owner;
    TWAV player{&owner};
    GleichRules rules{player};
};

TEST(GleichVariants, NoMoreThanFiveTasksInARowShareTheirClassOverManySeeds)
{
    for (std::uint64_t seed = 1; seed <= 300; ++seed) {
        rnd::seed(seed);
        const std::vector<int> v = DrawTaskVariants(seed % 2 ? 12 : 60);
        int run = 1;
        for (size_t k = 1; k < v.size(); ++k) {
            const bool same = v[k] == 1 || v[k] == 2, before = v[k - 1] == 1 || v[k - 1] == 2;
            run = same == before ? run + 1 : 1;
            ASSERT_LE(run, 5) << "seed " << seed << " position " << k;
            if (k < 5)
                ASSERT_LE(run, 4) << "seed " << seed << " at the start";
        }
    }
}

TEST(GleichMarkers, MarkerSplitAndArticleKeepsTheMarkOnItsLetters)
{
    const MarkedText m = SplitMarker(QStringLiteral("H2aus"));
    EXPECT_EQ(m.text, QStringLiteral("Haus"));
    EXPECT_EQ(m.markStart, 1);
    EXPECT_EQ(m.markLength, 2);
    resetGlobals();
    g().playerOptions.withArticle = false;
    const MarkedText c = CardText(QStringLiteral("das H2aus"));
    EXPECT_EQ(c.text, QStringLiteral("Haus"));
    EXPECT_EQ(c.markStart, 1);
    EXPECT_EQ(c.markLength, 2);
}

TEST_F(GleichRulesTest, SameTextsAreGleichInEveryVariant)
{
    for (int v = 0; v < 4; ++v) {
        load({task(QStringLiteral("Hund"), QStringLiteral("Hund"))});
        setVariant(0, v);
        hear();
        EXPECT_EQ(rules.answer(Answer::NichtGleich), GleichRules::Outcome::Wrong) << "variant " << v;
        playOut();
        rules.pointerOverAnswerButtons();
        EXPECT_EQ(rules.answer(Answer::Gleich), GleichRules::Outcome::Right) << "variant " << v;
    }
}

TEST_F(GleichRulesTest, CardsFollowTheVariantAndTheRightAnswerFollowsTheCards)
{
    struct Case { int variant; const char* left; const char* right; Answer answer; int state; };
    const Case cases[] = {{0, "Hund", "Katze", Answer::NichtGleich, 1},
                          {1, "Hund", "Hund", Answer::Gleich, 0},
                          {2, "Katze", "Katze", Answer::Gleich, 4},
                          {3, "Katze", "Hund", Answer::NichtGleich, 5}};
    for (const Case& c : cases) {
        load({task(QStringLiteral("Hund"), QStringLiteral("Katze"))});
        setVariant(0, c.variant);
        EXPECT_EQ(rules.card(1).element.text, QString::fromUtf8(c.left));
        EXPECT_EQ(rules.card(2).element.text, QString::fromUtf8(c.right));
        hear();
        EXPECT_EQ(rules.answer(c.answer), GleichRules::Outcome::Right);
        EXPECT_EQ(rules.results()[0].state, c.state) << "variant " << c.variant;
    }
}

TEST_F(GleichRulesTest, AnsweringWaitsUntilBothCardsWereHeard)
{
    load({task(QStringLiteral("Hund"), QStringLiteral("Katze"))});
    setVariant(0, 0);
    rules.clickCard(1);
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("hund.wav")});
    EXPECT_FALSE(rules.gleichEnabled || rules.nichtGleichEnabled);
    rules.pointerOverAnswerButtons();
    EXPECT_EQ(rules.answer(Answer::NichtGleich), GleichRules::Outcome::Ignored);
    rules.clickCard(2);
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("katze.wav")});
    EXPECT_EQ(rules.state(), AnswerState::Answering);
    EXPECT_TRUE(rules.gleichEnabled && rules.nichtGleichEnabled);
    EXPECT_EQ(rules.answer(Answer::NichtGleich), GleichRules::Outcome::Right);
}

TEST_F(GleichRulesTest, WrongThenRightCountsTheAttemptAndShowsTheErrorPicture)
{
    load({task(QStringLiteral("Hund"), QStringLiteral("Katze"))});
    setVariant(0, 3);
    hear();
    EXPECT_EQ(rules.answer(Answer::Gleich), GleichRules::Outcome::Wrong);
    EXPECT_EQ(rules.state(), AnswerState::ErrorFeedback);
    EXPECT_FALSE(rules.gleichEnabled || rules.nichtGleichEnabled);
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("nein.wav")});
    // After the error sound the buttons wait for the pointer.
    EXPECT_EQ(rules.state(), AnswerState::Answering);
    EXPECT_EQ(rules.answer(Answer::NichtGleich), GleichRules::Outcome::Ignored);
    rules.pointerOverAnswerButtons();
    EXPECT_EQ(rules.answer(Answer::NichtGleich), GleichRules::Outcome::Right);
    EXPECT_EQ(rules.results()[0].state, 3 + 4);
    const TZeile& row = run().runResults.at(0).Rows.at(0);
    EXPECT_EQ(row.Attempts, 2);
    EXPECT_TRUE(row.Solved);
    EXPECT_EQ(row.Answers, QStringLiteral("ungleich: Katze - Hund"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\d$")).match(row.Duration).hasMatch());
}

TEST_F(GleichRulesTest, WithoutAnErrorSoundTheComputerBeepsAndTheButtonsWaitForThePointer)
{
    g().playerOptions.gleichNichtgleich.feedback.errorSound = false;
    load({task(QStringLiteral("Hund"), QStringLiteral("Katze"))});
    setVariant(0, 0);
    hear();
    EXPECT_EQ(rules.answer(Answer::Gleich), GleichRules::Outcome::Wrong);
    EXPECT_TRUE(audio.log().contains(QStringLiteral("beep")));
    EXPECT_EQ(rules.state(), AnswerState::Answering);
    // Both answer buttons are disabled: a quick press on the other one does nothing.
    EXPECT_FALSE(rules.gleichEnabled);
    EXPECT_FALSE(rules.nichtGleichEnabled);
    EXPECT_EQ(rules.answer(Answer::NichtGleich), GleichRules::Outcome::Ignored);
    // The pointer back on the buttons wakes them.
    rules.pointerOverAnswerButtons();
    EXPECT_EQ(rules.answer(Answer::NichtGleich), GleichRules::Outcome::Right);
}

TEST_F(GleichRulesTest, OneTaskPlaysCardOnePausesCardTwoThenPraise)
{
    TAufgabe t = task(QStringLiteral("die Maus"), QStringLiteral("Haus"));
    t.elements[1].sounds = QStringLiteral("die.wav;maus.wav");
    load({t});
    setVariant(0, 0);
    rules.listen();
    // The explicit pause after a card of two sounds, with the automatic pause on either side.
    const QString p = QStringLiteral("0750.wav");
    EXPECT_EQ(playOut(), (QStringList{QStringLiteral("die.wav"), p, QStringLiteral("maus.wav"), p, p, p,
                                      QStringLiteral("haus.wav")}));
    rules.answer(Answer::NichtGleich);
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("super.wav")});
}

TEST_F(GleichRulesTest, PraiseFollowsTheFrequencyOfRecordedRows)
{
    std::vector<TAufgabe> tasks(15, task(QStringLiteral("Hund"), QStringLiteral("Katze")));
    load(tasks);
    QList<int> praised;
    for (int row = 1; row <= 15; ++row) {
        hear();
        rules.answer(rules.sameTexts() ? Answer::Gleich : Answer::NichtGleich);
        if (playOut().contains(QStringLiteral("super.wav")))
            praised << row;
        if (row < 15)
            ASSERT_TRUE(rules.advance());
    }
    EXPECT_EQ(praised, (QList<int>{1, 2, 4, 7, 10, 14}));
}

TEST_F(GleichRulesTest, AllSolvedAsksAndARepeatKeepsTheOrderWithNewCards)
{
    g().playerOptions.gleichNichtgleich.randomOrder = true;
    std::vector<TAufgabe> tasks;
    for (int i = 0; i < 8; ++i)
        tasks.push_back(task(QStringLiteral("A%1").arg(i), QStringLiteral("B%1").arg(i)));
    load(tasks);
    const std::vector<int> order = g().taskOrder;
    const std::vector<int> variants = rules.variants();
    for (int i = 0; i < 8; ++i) {
        hear();
        rules.answer(rules.sameTexts() ? Answer::Gleich : Answer::NichtGleich);
        playOut();
        const bool more = rules.advance();
        EXPECT_EQ(more, i < 7) << i;
    }
    EXPECT_TRUE(rules.allSolved());
    rnd::seed(99);
    rules.restart(false, true);
    EXPECT_EQ(rules.position(), 0);
    EXPECT_FALSE(rules.allSolved());
    EXPECT_EQ(g().taskOrder, order);
    EXPECT_NE(rules.variants(), variants);
    EXPECT_EQ(rules.state(), AnswerState::TaskReady);
}

TEST_F(GleichRulesTest, MissingSoundsLeaveTheTaskAnswerable)
{
    TAufgabe t = task(QStringLiteral("Hund"), QStringLiteral("Katze"));
    t.elements[1].sounds = QStringLiteral("fehlt1.wav");
    t.elements[2].sounds.clear();
    load({t});
    setVariant(0, 0);
    rules.listen();
    EXPECT_TRUE(audio.started().isEmpty());
    EXPECT_EQ(rules.state(), AnswerState::Answering);
    EXPECT_EQ(rules.answer(Answer::NichtGleich), GleichRules::Outcome::Right);
}

TEST_F(GleichRulesTest, ATaskWithoutItsSecondElementPlaysWithAnEmptyCard)
{
    TAufgabe t;
    t.elements = {TEinzelbild{}, element(QStringLiteral("Hund"), QStringLiteral("hund.wav"))};
    load({t});
    setVariant(0, 0);
    EXPECT_TRUE(rules.card(2).element.text.isEmpty());
    hear();
    EXPECT_EQ(rules.answer(Answer::NichtGleich), GleichRules::Outcome::Right);
}

TEST_F(GleichRulesTest, AnEmptyListIsNoValidList)
{
    g().loadedList.tasks.clear();
    EXPECT_FALSE(rules.prepareList(QStringLiteral("x.txt")));
    EXPECT_EQ(rules.state(), AnswerState::NoValidList);
    rules.listen();
    rules.clickCard(1);
    EXPECT_FALSE(rules.advance());
    EXPECT_TRUE(audio.started().isEmpty());
}

} // namespace

namespace {
// Every reveal pattern ends with the whole card uncovered and never reaches outside it.
TEST(RevealAnimation, EveryPatternUncoversTheWholeCardAndNothingElse)
{
    const QSize card(331, 250);
    const QRegion whole(QRect(QPoint(0, 0), card));
    using exercise::RevealSet;
    for (const RevealSet set : {RevealSet::TwoCards, RevealSet::OneCard}) {
        const int last = set == RevealSet::OneCard ? 11 : 10;
        for (int pattern = 0; pattern <= last; ++pattern) {
            for (uint64_t seed = 1; seed <= 6; ++seed) {
                rnd::seed(seed * 100 + uint64_t(pattern));
                const exercise::RevealAnimation a(pattern, card, set);
                ASSERT_EQ(a.pattern(), pattern);
                ASSERT_GT(a.steps(), 0) << pattern;
                QRegion shown;
                for (int s = 1; s <= a.steps(); ++s) {
                    const QRegion r = a.region(s);
                    EXPECT_TRUE((r - whole).isEmpty()) << pattern;
                    shown += r;
                }
                // The circle of pattern 9 stops after its 120 steps; the rest is drawn at the end anyway.
                if (pattern != 9)
                    EXPECT_TRUE((whole - shown).isEmpty()) << "set " << int(set) << " pattern " << pattern;
            }
        }
    }
    // A random pick of the one-card set reaches its twelfth pattern.
    bool eleven = false;
    for (uint64_t seed = 1; seed < 400 && !eleven; ++seed) {
        rnd::seed(seed);
        eleven = exercise::RevealAnimation(-1, card, RevealSet::OneCard).pattern() == 11;
    }
    EXPECT_TRUE(eleven);
}
} // namespace

namespace {
TEST_F(GleichRulesTest, ALookChangeMovesASolvedTaskOnAndRestartsAnOpenOne)
{
    load({task(QStringLiteral("Hund"), QStringLiteral("Katze")), task(QStringLiteral("Maus"), QStringLiteral("Haus"))});
    hear();
    rules.restartTask();
    EXPECT_EQ(rules.position(), 0);
    EXPECT_EQ(rules.state(), AnswerState::TaskReady);
    hear();
    rules.answer(rules.sameTexts() ? Answer::Gleich : Answer::NichtGleich);
    rules.restartTask();
    EXPECT_EQ(rules.position(), 1);
    EXPECT_EQ(rules.state(), AnswerState::TaskReady);
}
} // namespace
