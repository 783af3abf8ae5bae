#include "chooser/TaskOrder.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/RichtigOderFalsch/RichtigRules.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"
#include "../media/SoundTestWav.h"

#include <QCoreApplication>
#include <QSet>
#include <gtest/gtest.h>

using namespace richtig;

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

class RichtigRulesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetSoundState();
        resetPraisePools();
        resetRun();
        taskorder::useFixedSeed(7);
        rnd::seed(7);
        auto& d = g().config.dirs;
        d.materialSound = tree.mkdir("Material/Sound/");
        d.lobSound = tree.mkdir("INTERN/Lob/");
        d.internsound = tree.mkdir("INTERN/Sound/");
        d.anleitungsound = tree.mkdir("INTERN/Anleitung/");
        for (const char* n : {"hund.wav", "mund.wav", "maus.wav", "die.wav"})
            tree.write(QStringLiteral("Material/Sound/") + n, testwav::monoTone());
        for (const char* n : {"a.wav", "b.wav", "c.wav", "d.wav"})
            tree.write(QStringLiteral("INTERN/Lob/Wort/") + n, testwav::monoTone());
        tree.write("INTERN/Lob/super.wav", testwav::monoTone());
        tree.write("INTERN/Sound/fehler1.wav", testwav::monoTone());
        tree.write("INTERN/Sound/fehler2.wav", testwav::monoTone());
        tree.write("INTERN/Sound/Pausen/0750.wav", testwav::monoTone(10, 0, 0));
        ProgramSection s;
        s.values.insert(QStringLiteral("fehlersound1"), d.internsound + QStringLiteral("fehler1.wav"));
        s.values.insert(QStringLiteral("fehlersound2"), d.internsound + QStringLiteral("fehler2.wav"));
        g().config.programSections.insert(QStringLiteral("progrichtigoderfalsch"), s);
        SelectPause(3);
        auto& o = g().playerOptions.richtigOderFalsch;
        o.randomOrder = false;
        o.successSource = 10;
        o.successSoundSpeech = {QStringLiteral("super.wav")};
        o.successFrequency = 0;
        onSoundEnded(&owner, [this](int channel, SoundStatus status) { rules.soundNotice(channel, status); });
    }
    void TearDown() override { taskorder::useFixedSeed(std::nullopt); }

    void load(const std::vector<TAufgabe>& tasks)
    {
        g().loadedList.tasks = tasks;
        g().taskOrder.clear();
        ASSERT_TRUE(rules.prepareList(QStringLiteral("Minimalpaare\\test.txt")));
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
    void setVariant(int position, int variant)
    {
        rules.setVariant(position, variant);
        rules.startTask();
    }
    Answer rightAnswer() const { return rules.fits() ? Answer::Passt : Answer::PasstNicht; }

    TempTree tree;
    TestAudioBackend audio;
    QObject owner;
    TWAV player{&owner};
    RichtigRules rules{player};
};

// The shown and the heard card by variant, the right button, the strip state and the answer text.
TEST_F(RichtigRulesTest, TheVariantDecidesShownAndHeardCardAndTheRightButton)
{
    struct Case { const char* second; int variant; const char* shown; const char* heard; Answer answer; int state;
                  const char* text; };
    const Case cases[] = {{"Mund", 0, "Hund", "Mund", Answer::PasstNicht, 1, "falsch:  Hund - Mund"},
                          {"Mund", 1, "Hund", "Hund", Answer::Passt, 0, "richtig: Hund - Hund"},
                          {"Mund", 2, "Mund", "Mund", Answer::Passt, 0, "richtig: Mund - Mund"},
                          {"Mund", 3, "Mund", "Hund", Answer::PasstNicht, 1, "falsch:  Mund - Hund"},
                          // The same text twice fits whichever way round.
                          {"Hund", 0, "Hund", "Hund", Answer::Passt, 0, "richtig: Hund - Hund"},
                          {"Hund", 3, "Hund", "Hund", Answer::Passt, 0, "richtig: Hund - Hund"}};
    for (const Case& c : cases) {
        resetRun();
        load({task(QStringLiteral("Hund"), QString::fromUtf8(c.second))});
        setVariant(0, c.variant);
        EXPECT_EQ(rules.card(1).element.text, QString::fromUtf8(c.shown));
        EXPECT_EQ(rules.card(2).element.text, QString::fromUtf8(c.heard));
        rules.listen();
        EXPECT_EQ(playOut(), QStringList{QString::fromUtf8(c.heard).toLower() + QStringLiteral(".wav")});
        EXPECT_EQ(rules.answer(c.answer), RichtigRules::Outcome::Right) << "variant " << c.variant;
        EXPECT_EQ(rules.results()[0].state, c.state);
        const TZeile& row = run().runResults.at(0).Rows.at(0);
        EXPECT_EQ(row.Answers, QString::fromUtf8(c.text));
        EXPECT_EQ(row.TaskNumber, 1);
        EXPECT_EQ(row.Attempts, 1);
        EXPECT_EQ(playOut(), QStringList{QStringLiteral("super.wav")});
    }
}

TEST_F(RichtigRulesTest, TheAnswerButtonsWaitUntilTheWordWasHeard)
{
    load({task(QStringLiteral("Hund"), QStringLiteral("Mund"))});
    setVariant(0, 0);
    EXPECT_EQ(rules.state(), AnswerState::TaskReady);
    rules.pointerOverAnswerButtons();
    EXPECT_EQ(rules.answer(Answer::PasstNicht), RichtigRules::Outcome::Ignored);
    EXPECT_TRUE(run().runResults.at(0).Rows.empty());
    rules.listen();
    EXPECT_EQ(rules.state(), AnswerState::Answering);
    EXPECT_FALSE(rules.passtEnabled || rules.passtNichtEnabled);
    // While the word plays, the pointer over the buttons wakes them.
    rules.pointerOverAnswerButtons();
    EXPECT_TRUE(rules.passtEnabled && rules.passtNichtEnabled);
    setVariant(0, 0);
    rules.listen();
    playOut();
    EXPECT_TRUE(rules.passtEnabled && rules.passtNichtEnabled);
}

TEST_F(RichtigRulesTest, AWrongAnswerSoundsBothErrorSoundsThenTheWordAgain)
{
    load({task(QStringLiteral("Hund"), QStringLiteral("Mund"))});
    setVariant(0, 3);
    rules.listen();
    playOut();
    EXPECT_EQ(rules.answer(Answer::Passt), RichtigRules::Outcome::Wrong);
    EXPECT_EQ(rules.state(), AnswerState::ErrorFeedback);
    EXPECT_FALSE(rules.passtEnabled || rules.passtNichtEnabled);
    // Both error sounds start at once, side by side.
    EXPECT_EQ(audio.playingChannels().size(), 2);
    EXPECT_EQ(playOut(), (QStringList{QStringLiteral("fehler1.wav"), QStringLiteral("fehler2.wav"),
                                      QStringLiteral("hund.wav")}));
    EXPECT_EQ(rules.state(), AnswerState::Answering);
    EXPECT_TRUE(rules.passtEnabled && rules.passtNichtEnabled);
    EXPECT_EQ(rules.answer(Answer::PasstNicht), RichtigRules::Outcome::Right);
    EXPECT_EQ(rules.results()[0].state, 3);
    EXPECT_FALSE(rules.results()[0].error);
    const TZeile& row = run().runResults.at(0).Rows.at(0);
    EXPECT_EQ(row.Attempts, 2);
    EXPECT_TRUE(row.Solved);
    EXPECT_EQ(row.Answers, QStringLiteral("falsch:  Mund - Hund"));
    // The pressed button stays, the other goes; pressing it again replays its animation.
    EXPECT_TRUE(rules.passtNichtEnabled);
    EXPECT_FALSE(rules.passtEnabled);
    EXPECT_EQ(rules.answer(Answer::PasstNicht), RichtigRules::Outcome::Replay);
    EXPECT_EQ(rules.answer(Answer::Passt), RichtigRules::Outcome::Ignored);
    EXPECT_EQ(row.Attempts, 2);
}

TEST_F(RichtigRulesTest, WithoutErrorSoundsTheWordComesAgainAtOnce)
{
    g().config.programSections.remove(QStringLiteral("progrichtigoderfalsch"));
    load({task(QStringLiteral("Hund"), QStringLiteral("Mund"))});
    setVariant(0, 1);
    rules.listen();
    playOut();
    EXPECT_EQ(rules.answer(Answer::PasstNicht), RichtigRules::Outcome::Wrong);
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("hund.wav")});
    EXPECT_EQ(rules.state(), AnswerState::Answering);
    EXPECT_EQ(rules.answer(Answer::Passt), RichtigRules::Outcome::Right);
    EXPECT_EQ(rules.results()[0].state, 2);
}

TEST_F(RichtigRulesTest, AWordOfTwoSoundsPlaysWithThePauseAndThenThePraise)
{
    TAufgabe t = task(QStringLiteral("die Maus"), QStringLiteral("Hund"));
    t.elements[1].sounds = QStringLiteral("die.wav;maus.wav");
    load({t});
    setVariant(0, 1);
    rules.listen();
    const QString p = QStringLiteral("0750.wav");
    EXPECT_EQ(playOut(), (QStringList{QStringLiteral("die.wav"), p, QStringLiteral("maus.wav")}));
    rules.answer(Answer::Passt);
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("super.wav")});
    // "Weiter" is not needed to hear the word again after solving; the answer stays.
    rules.listen();
    EXPECT_EQ(playOut(), (QStringList{QStringLiteral("die.wav"), p, QStringLiteral("maus.wav")}));
    EXPECT_EQ(rules.state(), AnswerState::Solved);
}

TEST_F(RichtigRulesTest, RandomWordPraiseDoesNotRepeatBeforeItsFolderIsUsedUp)
{
    g().playerOptions.richtigOderFalsch.successSource = 11;
    std::vector<TAufgabe> tasks(8, task(QStringLiteral("Hund"), QStringLiteral("Mund")));
    load(tasks);
    QStringList praised;
    for (int i = 0; i < 8; ++i) {
        rules.listen();
        playOut();
        ASSERT_EQ(rules.answer(rightAnswer()), RichtigRules::Outcome::Right);
        const QStringList heard = playOut();
        ASSERT_EQ(heard.size(), 1) << i;
        praised << heard.front();
        if (i < 7)
            ASSERT_TRUE(rules.advance());
    }
    EXPECT_EQ(QSet<QString>(praised.begin(), praised.begin() + 4).size(), 4);
    EXPECT_EQ(QSet<QString>(praised.begin() + 4, praised.end()).size(), 4);
    for (const QString& f : praised)
        EXPECT_TRUE(QStringList({"a.wav", "b.wav", "c.wav", "d.wav"}).contains(f)) << f.toStdString();
}

TEST_F(RichtigRulesTest, NoPraiseWithKindZeroAndThePraiseFrequencyCounts)
{
    struct Case { int kind; int frequency; QList<int> praised; };
    const Case cases[] = {{0, 0, {}}, {10, 3, {1, 2, 4, 7, 10, 14}}};
    for (const Case& c : cases) {
        resetRun();
        g().playerOptions.richtigOderFalsch.successSource = c.kind;
        g().playerOptions.richtigOderFalsch.successFrequency = c.frequency;
        load(std::vector<TAufgabe>(15, task(QStringLiteral("Hund"), QStringLiteral("Mund"))));
        QList<int> praised;
        for (int row = 1; row <= 15; ++row) {
            rules.listen();
            playOut();
            rules.answer(rightAnswer());
            if (playOut().contains(QStringLiteral("super.wav")))
                praised << row;
            if (row < 15)
                ASSERT_TRUE(rules.advance());
        }
        EXPECT_EQ(praised, c.praised) << "kind " << c.kind;
    }
}

TEST_F(RichtigRulesTest, AfterTheLastTaskWeiterFindsTheOpenOneThenAsksAndARestartOpensAll)
{
    std::vector<TAufgabe> tasks;
    for (int i = 0; i < 3; ++i)
        tasks.push_back(task(QStringLiteral("A%1").arg(i), QStringLiteral("B%1").arg(i)));
    load(tasks);
    // The first task is left open.
    ASSERT_TRUE(rules.advance());
    for (int p : {1, 2}) {
        EXPECT_EQ(rules.position(), p);
        rules.listen();
        rules.answer(rightAnswer());
        ASSERT_TRUE(rules.advance());
    }
    EXPECT_EQ(rules.position(), 0);
    EXPECT_TRUE(rules.revealNext);
    rules.listen();
    rules.answer(rightAnswer());
    EXPECT_TRUE(rules.allSolved());
    EXPECT_FALSE(rules.advance());
    const std::vector<int> variants = rules.variants();
    rules.restart(false, false);
    EXPECT_EQ(rules.position(), 0);
    EXPECT_FALSE(rules.allSolved());
    EXPECT_EQ(rules.variants(), variants);
    EXPECT_EQ(rules.state(), AnswerState::TaskReady);
    // Rows are numbered by play position.
    QList<int> numbers;
    for (const TZeile& r : run().runResults.at(0).Rows)
        numbers << r.TaskNumber;
    EXPECT_EQ(numbers, (QList<int>{2, 3, 1}));
}

TEST_F(RichtigRulesTest, EnterAnswersWithTheOneEnabledButtonElseListensOrGoesOn)
{
    load({task(QStringLiteral("Hund"), QStringLiteral("Mund"))});
    setVariant(0, 0);
    EXPECT_EQ(rules.enterAction(false), RichtigRules::EnterAction::Listen);
    rules.listen();
    playOut();
    EXPECT_EQ(rules.enterAction(false), RichtigRules::EnterAction::Listen);
    rules.arrowKey(false);
    EXPECT_EQ(rules.enterAction(false), RichtigRules::EnterAction::AnswerPasstNicht);
    rules.arrowKey(true);
    EXPECT_EQ(rules.enterAction(false), RichtigRules::EnterAction::AnswerPasst);
    rules.arrowKey(false);
    rules.answer(Answer::PasstNicht);
    EXPECT_EQ(rules.enterAction(true), RichtigRules::EnterAction::Weiter);
}

TEST_F(RichtigRulesTest, MissingSoundsLeaveTheTaskAnswerableAndAnEmptyListIsNoValidList)
{
    TAufgabe t = task(QStringLiteral("Hund"), QStringLiteral("Mund"));
    t.elements[1].sounds = QStringLiteral("fehlt.wav");
    t.elements[2].sounds.clear();
    load({t});
    setVariant(0, 0);
    rules.listen();
    EXPECT_TRUE(audio.started().isEmpty());
    EXPECT_EQ(rules.answer(Answer::PasstNicht), RichtigRules::Outcome::Right);
    playOut();

    g().loadedList.tasks.clear();
    EXPECT_FALSE(rules.prepareList(QStringLiteral("x.txt")));
    EXPECT_EQ(rules.state(), AnswerState::NoValidList);
    rules.listen();
    EXPECT_FALSE(rules.advance());
    EXPECT_EQ(rules.enterAction(true), RichtigRules::EnterAction::None);
    EXPECT_TRUE(audio.started().isEmpty());
}

} // namespace
