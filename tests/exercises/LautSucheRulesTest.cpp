#include "chooser/TaskOrder.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/LautSuche/LautSucheRules.h"
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

using namespace lautsuche;
using Outcome = LautSucheRules::Outcome;

namespace {

TAufgabe task(const QString& text, const QString& sound)
{
    TAufgabe t;
    TEinzelbild e;
    e.text = text;
    e.sounds = sound;
    e.picture = QStringLiteral("x.gif");
    t.elements = {TEinzelbild{}, e};
    return t;
}

class LautSucheRulesTest : public ::testing::Test
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
        d.lobSound = tree.mkdir("INTERN/Lob/");
        d.internsound = tree.mkdir("INTERN/Sound/");
        d.fehlersound = tree.mkdir("INTERN/Fehler/");
        d.anleitungsound = tree.mkdir("INTERN/Anleitung/");
        for (const char* n : {"Haus.wav", "Jacke.wav", "Ball.wav"})
            tree.write(QStringLiteral("Material/Sound/") + QString::fromUtf8(n), testwav::monoTone());
        for (const char* n : {"h.wav", "m.wav", "t.wav", "k.wav", "l.wav", "n.wav"})
            tree.write(QStringLiteral("INTERN/Sound/ABC/LAUTE/") + n, testwav::monoTone());
        tree.write("INTERN/Sound/ABC/Silben/ma-.wav", testwav::monoTone());
        tree.write("INTERN/Lob/super.wav", testwav::monoTone());
        tree.write("INTERN/Fehler/oh.wav", testwav::monoTone());
        tree.write("INTERN/Anleitung/anlaut.wav", testwav::monoTone());
        g().randomOrder402 = false;
        TOpt_LautSuche& o = opts();
        o = TOpt_LautSuche{};
        o.feedback.successSource = 0;
        o.feedback.successSoundText = {QStringLiteral("super.wav")};
        o.feedback.successFrequency = 0;
        o.feedback.errorSource = 0;
        o.feedback.errorSoundText = {QStringLiteral("oh.wav")};
        onSoundEnded(&owner, [this](int channel, SoundStatus status) { rules.soundNotice(channel, status); });
    }

    void load(const std::vector<TAufgabe>& tasks)
    {
        g().loadedList = TDaten{};
        g().loadedList.tasks = tasks;
        g().taskOrder.clear();
        ASSERT_TRUE(rules.prepareList(QStringLiteral("Anlaut\\test.txt")));
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
    int indexOf(const QString& sound) const { return int(rules.sounds().indexOf(sound)); }
    Outcome pick(const QString& sound)
    {
        const int i = indexOf(sound);
        EXPECT_GE(i, 0) << sound.toStdString();
        rules.press(i);
        return rules.release(i);
    }
    const TZeile& row(int block, int r) const { return run().runResults[size_t(block)].Rows[size_t(r)]; }

    TempTree tree;
    TestAudioBackend audio;
    QObject owner;
    TWAV player{&owner};
    LautSucheRules rules{player};
};

TEST(LautSuchePositionMode, TheListFolderDecides)
{
    EXPECT_EQ(PositionModeOf(QStringLiteral("Anlaut\\01 Anlaute.txt")), PositionMode::Anlaut);
    EXPECT_EQ(PositionModeOf(QStringLiteral("zweiter Laut\\x.txt")), PositionMode::Zweiter);
    EXPECT_EQ(PositionModeOf(QStringLiteral("AUSLAUT/x.txt")), PositionMode::Auslaut);
    EXPECT_EQ(PositionModeOf(QStringLiteral("x.txt")), PositionMode::None);
}

TEST_F(LautSucheRulesTest, CheckModeSoundsOfAWrongAndARightAnswer)
{
    load({task(QStringLiteral("1Haus,h,m,t"), QStringLiteral("Haus.wav"))});
    EXPECT_EQ(rules.state(), LautState::TaskReady);
    EXPECT_EQ(rules.sounds().size(), 3);
    // Before hearing, a choice only asks to listen first.
    EXPECT_FALSE(rules.press(0));
    rules.listen();
    EXPECT_EQ(rules.state(), LautState::Answering);
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("Haus.wav")});
    // A choice plays its sound and waits for "Prüfen".
    EXPECT_EQ(pick(QStringLiteral("m")), Outcome::Chosen);
    EXPECT_TRUE(rules.checkEnabled());
    EXPECT_EQ(rules.check(), Outcome::Wrong);
    EXPECT_EQ(rules.state(), LautState::Retrying);
    EXPECT_EQ(rules.chosen(), -1);
    EXPECT_EQ(playOut(), (QStringList{QStringLiteral("m.wav"), QStringLiteral("oh.wav")}));
    EXPECT_EQ(pick(QStringLiteral("h")), Outcome::Chosen);
    EXPECT_EQ(rules.check(), Outcome::Right);
    // The letter, then the word (interrupting), then the praise.
    EXPECT_EQ(playOut(), (QStringList{QStringLiteral("h.wav"), QStringLiteral("Haus.wav"), QStringLiteral("super.wav")}));
    EXPECT_EQ(rules.state(), LautState::Solved);
    EXPECT_EQ(rules.tasks()[0].state, 1);
    const TZeile& r = row(0, 0);
    EXPECT_EQ(r.Attempts, 2);
    EXPECT_TRUE(r.Solved);
    EXPECT_EQ(r.Answers, QStringLiteral(" m h - Haus"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\d$")).match(r.Duration).hasMatch()) << r.Duration.toStdString();
    // Solved: the buttons only sound.
    EXPECT_EQ(pick(QStringLiteral("m")), Outcome::Sounded);
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("m.wav")});
    EXPECT_EQ(row(0, 0).Answers, QStringLiteral(" m h - Haus"));
}

TEST_F(LautSucheRulesTest, AtOnceJudgesEachChoiceAndQueuesTheWordBehindIt)
{
    opts().atOnce = true;
    opts().feedback.errorSound = false;
    load({task(QStringLiteral("1Haus,h,m"), QStringLiteral("Haus.wav"))});
    rules.listen();
    playOut();
    EXPECT_EQ(pick(QStringLiteral("m")), Outcome::Wrong);
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("m.wav")});  // "Fehlersound" off
    EXPECT_EQ(pick(QStringLiteral("h")), Outcome::Right);
    EXPECT_EQ(playOut(), (QStringList{QStringLiteral("h.wav"), QStringLiteral("Haus.wav"), QStringLiteral("super.wav")}));
    EXPECT_EQ(row(0, 0).Answers, QStringLiteral(" m h - Haus"));
    EXPECT_EQ(row(0, 0).Attempts, 2);
}

TEST_F(LautSucheRulesTest, CkIsAcceptedForKWithCheckOnly)
{
    for (bool atOnce : {false, true}) {
        resetRun();
        opts().atOnce = atOnce;
        load({task(QStringLiteral("Ja2cke,ck,k,t"), QStringLiteral("Jacke.wav"))});
        rules.listen();
        const Outcome o = pick(QStringLiteral("k"));
        const Outcome judged = atOnce ? o : rules.check();
        EXPECT_EQ(judged, atOnce ? Outcome::Wrong : Outcome::Right) << atOnce;
        EXPECT_EQ(rules.task().word, QStringLiteral("Jacke"));
        EXPECT_EQ(rules.task().markStart, 3);
        EXPECT_EQ(rules.task().markLength, 2);
    }
}

TEST_F(LautSucheRulesTest, HeardButUnansweredLeavesARowUnheardReusesIt)
{
    load({task(QStringLiteral("1Haus,h,m"), QStringLiteral("Haus.wav")),
          task(QStringLiteral("1Mann,m,n"), QStringLiteral("x.wav")),
          task(QStringLiteral("4Ball,ball,l"), QStringLiteral("Ball.wav"))});
    ASSERT_EQ(run().runResults.size(), 1u);
    EXPECT_EQ(run().runResults[0].Rows.size(), 1u);
    EXPECT_EQ(run().runResults[0].ListFile, QStringLiteral("Anlaut\\test.txt"));
    // Task 1 never heard: task 2 reuses its row.
    rules.jumpTo(1);
    EXPECT_EQ(run().runResults[0].Rows.size(), 1u);
    // Task 2 heard, not answered: task 3 gets a row of its own.
    rules.listen();
    rules.jumpTo(2);
    ASSERT_EQ(run().runResults[0].Rows.size(), 2u);
    EXPECT_EQ(row(0, 0).Attempts, 0);
    EXPECT_FALSE(row(0, 0).Solved);
    EXPECT_EQ(rules.tasksBegun(), 2);
}

TEST_F(LautSucheRulesTest, SkippedTasksComeBeforeTheEnd)
{
    opts().atOnce = true;
    load({task(QStringLiteral("1Haus,h,m"), QStringLiteral("Haus.wav")),
          task(QStringLiteral("1Mann,m,n"), QStringLiteral("x.wav")),
          task(QStringLiteral("1Tor,t,m"), QStringLiteral("x.wav"))});
    auto solve = [&](const QString& s) {
        rules.listen();
        ASSERT_EQ(pick(s), Outcome::Right);
    };
    solve(QStringLiteral("h"));
    rules.jumpTo(2);  // task 2 skipped with the strip
    solve(QStringLiteral("t"));
    ASSERT_TRUE(rules.advance());
    EXPECT_EQ(rules.position(), 1);
    solve(QStringLiteral("m"));
    EXPECT_FALSE(rules.advance());
    EXPECT_EQ(rules.position(), 2);
    rules.restart(false);
    EXPECT_EQ(rules.position(), 0);
    for (const TLoesung& t : rules.tasks())
        EXPECT_EQ(t.state, -1);
    EXPECT_EQ(rules.state(), LautState::TaskReady);
}

TEST_F(LautSucheRulesTest, SoundCountAndIncompleteTasks)
{
    opts().soundCount = 1;
    load({task(QStringLiteral("1Haus,h,m,t,l"), QStringLiteral("Haus.wav")), task(QStringLiteral("Haus"), QStringLiteral("Haus.wav")),
          task(QStringLiteral("Ma1ma"), QStringLiteral("x.wav"))});
    EXPECT_EQ(rules.sounds(), QStringList{QStringLiteral("h")});
    // Only the word without a marker: nothing to play.
    EXPECT_FALSE(rules.jumpTo(1));
    EXPECT_TRUE(rules.incomplete());
    EXPECT_FALSE(rules.listenEnabled());
    rules.listen();
    EXPECT_TRUE(audio.started().isEmpty());
    // Only the word with a marker: the letter after it, and "Y".
    opts().soundCount = 5;
    EXPECT_TRUE(rules.jumpTo(2));
    EXPECT_EQ(rules.task().target, QStringLiteral("m"));
    QStringList s = rules.sounds();
    s.sort();
    EXPECT_EQ(s, (QStringList{QStringLiteral("Y"), QStringLiteral("m")}));
}

TEST_F(LautSucheRulesTest, TheHeadingSoundPlaysWithTheWordAndKeysMoveTheFocus)
{
    g().loadedList.layout.headingSound = QStringLiteral("anlaut.wav");
    opts().headingVisible = 1;
    load({task(QStringLiteral("1Haus,h,m,t"), QStringLiteral("Haus.wav")), task(QStringLiteral("1Mann,m,n"), QStringLiteral("x.wav"))});
    g().loadedList.layout.headingSound = QStringLiteral("anlaut.wav");
    EXPECT_TRUE(rules.headingShown());
    EXPECT_EQ(rules.enter(), LautSucheRules::KeyAction::Listened);
    EXPECT_EQ(rules.state(), LautState::Answering);
    EXPECT_EQ(playOut(), (QStringList{QStringLiteral("anlaut.wav"), QStringLiteral("Haus.wav")}));
    // Down from no focus chooses the first button (and plays it) with "Prüfen".
    rules.upDown(true);
    EXPECT_EQ(rules.focus(), 0);
    EXPECT_EQ(rules.chosen(), 0);
    rules.upDown(true);
    EXPECT_EQ(rules.chosen(), 1);
    EXPECT_EQ(playOut().size(), 2);
    // Left goes to the mouth pictures (left of the buttons for "Anlaut"), right back; further right beeps.
    EXPECT_TRUE(rules.leftRight(true));
    EXPECT_EQ(rules.focus(), 11);
    EXPECT_TRUE(rules.leftRight(false));
    EXPECT_EQ(rules.focus(), 1);
    EXPECT_FALSE(rules.leftRight(false));
    opts().mouthPicture = false;
    EXPECT_FALSE(rules.leftRight(true));
    // The heading is shown for the first task begun only ("Überschrift sichtbar" 1).
    rules.listen();
    rules.jumpTo(1);
    EXPECT_FALSE(rules.headingShown());
}

} // namespace
