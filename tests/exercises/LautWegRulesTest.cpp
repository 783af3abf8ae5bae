#include "chooser/TaskOrder.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/LautWeg/LautWegRules.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"
#include "../media/SoundTestWav.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace lautweg;

namespace {

TEinzelbild element(const QString& text, const QString& sound)
{
    TEinzelbild e;
    e.text = text;
    e.sounds = sound;
    return e;
}

// Word, then alternatives; an alternative's sound is its text + ".wav" unless "-" (no sound).
TAufgabe task(const QString& word, const QStringList& alternatives)
{
    TAufgabe t;
    t.headElement = element(word, word + QStringLiteral(".wav"));
    t.elements = {TEinzelbild{}};
    for (const QString& a : alternatives) {
        const bool silent = a.startsWith(QLatin1Char('-'));
        const QString text = silent ? a.mid(1) : a;
        t.elements.push_back(element(text, silent ? QStringLiteral("fehlt.wav") : text + QStringLiteral(".wav")));
    }
    return t;
}

class LautWegRulesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetSoundState();
        resetRun();
        taskorder::useFixedSeed(5);
        rnd::seed(5);
        auto& d = g().config.dirs;
        d.materialSound = tree.mkdir("Material/Sound/");
        d.lobSound = tree.mkdir("INTERN/Lob/");
        d.internsound = tree.mkdir("INTERN/Sound/");
        d.fehlersound = tree.mkdir("INTERN/Fehler/");
        d.anleitungsound = tree.mkdir("INTERN/Anleitung/");
        for (const char* n : {"Reis", "Eis", "Reise", "Ei", "Rei", "Glas", "Gas", "Gla", "Las", "eis"})
            tree.write(QStringLiteral("Material/Sound/") + QLatin1String(n) + QStringLiteral(".wav"), testwav::monoTone());
        tree.write("INTERN/Sound/aus.wav", testwav::monoTone());
        tree.write("INTERN/Sound/wird.wav", testwav::monoTone());
        tree.write("INTERN/Lob/super.wav", testwav::monoTone());
        tree.write("INTERN/Fehler/nein.wav", testwav::monoTone());
        tree.write("INTERN/Anleitung/weg.wav", testwav::monoTone());
        ProgramSection s;
        s.values.insert(QStringLiteral("soundaus"), QStringLiteral("aus.wav"));
        s.values.insert(QStringLiteral("soundwird"), QStringLiteral("wird.wav"));
        g().config.programSections.insert(QStringLiteral("proglautweg"), s);
        TOpt_LautAdd& o = g().playerOptions.lautWeg;
        o = TOpt_LautAdd{.soundCount = 4};
        o.feedback.successSource = 0;
        o.feedback.successSoundText = {QStringLiteral("super.wav")};
        o.feedback.successFrequency = 0;
        o.feedback.errorSource = 0;
        o.feedback.errorSoundText = {QStringLiteral("nein.wav")};
        onSoundEnded(&owner, [this](int channel, SoundStatus status) { rules.soundNotice(channel, status); });
    }
    void TearDown() override { taskorder::useFixedSeed(std::nullopt); }

    void load(const std::vector<TAufgabe>& tasks, Position position = Position::Anlaut)
    {
        g().loadedList.tasks = tasks;
        BuildTaskOrder(int(tasks.size()), false);
        ASSERT_TRUE(rules.prepareList(QStringLiteral("Anlaut\\test.txt"), position));
    }
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
    int rowOf(const QString& text) const
    {
        for (int i = 0; i < int(rules.alternatives().size()); ++i)
            if (rules.alternatives()[size_t(i)].text == text)
                return i;
        return -1;
    }
    int wrongRow() const { return rules.rightRow() == 0 ? 1 : 0; }
    const TZeile& lastRow() const { return run().runResults.back().Rows.back(); }

    TempTree tree;
    TestAudioBackend audio;
    QObject owner;
    TWAV player{&owner};
    LautWegRules rules{player};
};

TEST(LautWegMark, CountsLettersOnlyAtTheSideOfThePosition)
{
    struct Case { const char* word; const char* newWord; Position pos; int start, length; };
    const Case cases[] = {
        {"Glas", "Gas", Position::Auslaut, 3, 1},  // the last letter, whatever letter went
        {"Reis", "Eis", Position::Anlaut, 0, 1},
        {"Schal", "Al", Position::Anlaut, 0, 3},
        {"Ei", "Eis", Position::Auslaut, 2, 0},    // longer new word: nothing marked
    };
    for (const Case& c : cases) {
        const Mark m = LeftOutLetters(QString::fromUtf8(c.word), QString::fromUtf8(c.newWord), c.pos);
        EXPECT_EQ(m.start, c.start) << c.word;
        EXPECT_EQ(m.length, c.length) << c.word;
    }
}

TEST(LautWegPosition, FromTheListPathBelowTheProgramFolder)
{
    EXPECT_EQ(PositionOf(QStringLiteral("Anlaut\\01 Vorne weg.txt")), Position::Anlaut);
    EXPECT_EQ(PositionOf(QStringLiteral("\\anlaut\\x.txt")), Position::Anlaut);
    EXPECT_EQ(PositionOf(QStringLiteral("Auslaut\\x.txt")), Position::Auslaut);
    EXPECT_EQ(PositionOf(QStringLiteral("Mein Anlaut.txt")), Position::Auslaut);
}

TEST_F(LautWegRulesTest, AlternativesStopAtTheFirstWithoutSoundAndAtTheCount)
{
    struct Case { int count; QStringList alternatives; QStringList offered; };
    const Case cases[] = {
        {4, {"Eis", "Reise", "-Rei", "Ei"}, {"Eis", "Reise"}},   // element 3 silent: 1 and 2 only
        {4, {"Eis", "Reise", "Rei", "Ei"}, {"Eis", "Reise", "Rei", "Ei"}},
        {1, {"Eis", "Reise", "Rei", "Ei"}, {"Eis"}},
        {3, {"Eis", " ", "Rei"}, {"Eis"}},                         // an empty text ends the list
    };
    for (const Case& c : cases) {
        g().playerOptions.lautWeg.soundCount = c.count;
        load({task(QStringLiteral("Reis"), c.alternatives)});
        QStringList offered;
        for (const Alternative& a : rules.alternatives())
            offered << a.text;
        std::sort(offered.begin(), offered.end());
        QStringList expected = c.offered;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(offered, expected) << c.count;
        ASSERT_GE(rules.rightRow(), 0);
        EXPECT_EQ(rules.alternatives()[size_t(rules.rightRow())].element, 1);
    }
}

TEST_F(LautWegRulesTest, RightAnswerPlaysPraiseThenTheSentenceAndRecordsTheRow)
{
    load({task(QStringLiteral("Reis"), {"Eis", "Reise", "Rei", "Ei"})});
    EXPECT_EQ(rules.clickListenButton(0), LautWegRules::Outcome::NeedListen);
    EXPECT_EQ(rules.pressChoice(0), LautWegRules::Outcome::NeedListen);
    rules.listen();
    EXPECT_EQ(rules.state(), AnswerState::Answering);
    EXPECT_TRUE(rules.hilfeEnabled);
    EXPECT_EQ(playOut(), QStringList{"Reis.wav"});

    // Wrong: the chosen word sounds on release, the error sound after judging.
    const int wrong = rowOf(QStringLiteral("Reise"));
    EXPECT_EQ(rules.pressChoice(wrong), LautWegRules::Outcome::Chosen);
    EXPECT_EQ(rules.releaseChoice(wrong), LautWegRules::Outcome::Played);
    EXPECT_TRUE(rules.fertigEnabled);
    EXPECT_EQ(rules.judge(), LautWegRules::Outcome::Wrong);
    EXPECT_EQ(rules.state(), AnswerState::Retrying);
    EXPECT_EQ(playOut(), (QStringList{"Reise.wav", "nein.wav"}));

    const int right = rules.rightRow();
    rules.pressChoice(right);
    rules.releaseChoice(right);
    audio.clearLog();
    EXPECT_EQ(rules.judge(), LautWegRules::Outcome::Right);
    EXPECT_EQ(rules.state(), AnswerState::SolutionPlaying);
    EXPECT_FALSE(rules.hilfeEnabled);
    EXPECT_FALSE(rules.dissolveRequested);
    // praise, then "aus" + word + "wird" + new word; the dissolve starts when fewer than three are left.
    audio.endNext();  // praise
    QCoreApplication::sendPostedEvents();
    audio.endNext();  // aus
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(rules.state(), AnswerState::SolutionPlaying);
    audio.endNext();  // Reis
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(rules.state(), AnswerState::Solved);
    EXPECT_TRUE(rules.dissolveRequested);
    EXPECT_EQ(playOut(), (QStringList{"super.wav", "aus.wav", "Reis.wav", "wird.wav", "Eis.wav"}));

    const TZeile& row = lastRow();
    EXPECT_EQ(row.Attempts, 2);
    EXPECT_TRUE(row.Solved);
    EXPECT_EQ(row.Answers, QStringLiteral("Reis - Reise - Eis"));
    EXPECT_FALSE(row.Duration.isEmpty());
    EXPECT_EQ(rules.results()[0].state, 1);
}

TEST_F(LautWegRulesTest, AnAlternativeEqualToTheNewWordIgnoringCaseIsRight)
{
    load({task(QStringLiteral("Reis"), {"Eis", "eis"})});
    rules.listen();
    const int other = rowOf(QStringLiteral("eis"));
    rules.pressChoice(other);
    EXPECT_EQ(rules.judge(), LautWegRules::Outcome::Right);
    EXPECT_EQ(rules.results()[0].state, 0);
}

TEST_F(LautWegRulesTest, HearAllFirstRefusesAChoiceUntilEveryAlternativeWasHeard)
{
    rules.setHearAllFirst(true);
    load({task(QStringLiteral("Reis"), {"Eis", "Reise"})});
    rules.listen();
    EXPECT_EQ(rules.pressChoice(0), LautWegRules::Outcome::NeedHearAll);
    EXPECT_EQ(rules.chosen(), -1);
    EXPECT_EQ(rules.clickListenButton(0), LautWegRules::Outcome::Played);
    EXPECT_EQ(rules.pressChoice(0), LautWegRules::Outcome::NeedHearAll);
    rules.clickListenButton(1);
    EXPECT_EQ(rules.pressChoice(0), LautWegRules::Outcome::Chosen);
    EXPECT_EQ(rules.chosen(), 0);
}

TEST_F(LautWegRulesTest, WrongThenLeavingKeepsSolvedOffAndUnheardTasksKeepAnEmptyRow)
{
    load({task(QStringLiteral("Reis"), {"Eis", "Reise"}), task(QStringLiteral("Glas"), {"Gas", "Gla"})});
    rules.listen();
    rules.pressChoice(wrongRow());
    rules.judge();
    ASSERT_TRUE(rules.advance());
    ASSERT_TRUE(rules.advance());  // the second task left unheard, the first one again
    const auto& rows = run().runResults.back().Rows;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_FALSE(rows[0].Solved);
    EXPECT_EQ(rows[0].Attempts, 1);
    EXPECT_EQ(rows[1].Attempts, 0);
    EXPECT_TRUE(rows[1].Answers.isEmpty());
    EXPECT_EQ(rules.position(), 0);
}

TEST_F(LautWegRulesTest, HelpMarksTheRowEvenWhenReleasedAgain)
{
    load({task(QStringLiteral("Reis"), {"Eis", "Reise"})});
    rules.setHelp(true);
    EXPECT_FALSE(rules.helpDown);  // not before the word was heard
    rules.listen();
    rules.setHelp(true);
    rules.setHelp(false);
    EXPECT_TRUE(lastRow().WithHelp);
}

TEST_F(LautWegRulesTest, AtOnceJudgesOnRelease)
{
    g().playerOptions.lautWeg.atOnce = true;
    load({task(QStringLiteral("Reis"), {"Eis", "Reise"})});
    rules.listen();
    rules.pressChoice(rules.rightRow());
    EXPECT_EQ(rules.releaseChoice(rules.rightRow()), LautWegRules::Outcome::Right);
}

TEST_F(LautWegRulesTest, ArrowKeysMoveTheChoiceClampedAndPlayIt)
{
    g().playerOptions.lautWeg.soundCount = 2;
    load({task(QStringLiteral("Reis"), {"Eis", "Reise", "Rei"})});
    rules.listen();
    playOut();
    rules.arrowKey(true);
    EXPECT_EQ(rules.chosen(), 0);
    rules.arrowKey(false);
    rules.arrowKey(false);
    EXPECT_EQ(rules.chosen(), 1);
    EXPECT_TRUE(rules.fertigEnabled);
    const QString second = rules.alternatives()[1].text + QStringLiteral(".wav");
    const QString first = rules.alternatives()[0].text + QStringLiteral(".wav");
    EXPECT_EQ(playOut(), (QStringList{first, second, second}));
}

TEST_F(LautWegRulesTest, ADefectiveTaskGivesWayToTheNext)
{
    load({task(QStringLiteral("Reis"), {"-Eis", "Reise"}), task(QStringLiteral("Glas"), {"Gas", "Gla"})});
    EXPECT_TRUE(rules.defectiveShown);
    EXPECT_EQ(rules.position(), 1);
    EXPECT_EQ(rules.word(), QStringLiteral("Glas"));
}

TEST_F(LautWegRulesTest, AfterTheSolutionTheBandPlaysItsWords)
{
    load({task(QStringLiteral("Glas"), {"Gas", "Gla"})}, Position::Auslaut);
    rules.listen();
    rules.pressChoice(rules.rightRow());
    rules.judge();
    playOut();
    ASSERT_EQ(rules.state(), AnswerState::Solved);
    rules.clickBand(2);
    EXPECT_EQ(rules.pictureFace, 1);
    rules.clickBand(0);
    EXPECT_EQ(rules.pictureFace, 2);
    EXPECT_EQ(playOut(), (QStringList{"Gas.wav", "Glas.wav"}));
    rules.clickBand(1);
    EXPECT_EQ(rules.state(), AnswerState::SolutionPlaying);
    EXPECT_EQ(playOut(), (QStringList{"aus.wav", "Glas.wav", "wird.wav", "Gas.wav"}));
    EXPECT_EQ(rules.state(), AnswerState::Solved);
}

} // namespace
