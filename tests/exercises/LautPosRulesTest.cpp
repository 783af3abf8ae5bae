#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/LautPos/LautPosRules.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"
#include "../media/SoundTestWav.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace lautpos;
using Outcome = LautPosRules::Outcome;

namespace {

TEST(LautPosJudging, TheFirstOccurrenceDecides)
{
    struct Case { const char* text; const char* word; const char* sound; int right; };
    const Case cases[] = {
        {"Ha1se", "Hase", "s", Mittig},  {"Ma1us", "Maus", "u", Mittig},   {"Ba1ll", "Ball", "l", Hinten},
        {"1Anna", "Anna", "A", Vorne},   {"Ann1a", "Anna", "a", Vorne},   // only the first "a" counts
        {"Hase", "Hase", "H", Vorne},    {"Bu1s", "Bus", "s", Hinten},    {"3Schal", "Schal", "Sch", Vorne},
        {"Fi3sch", "Fisch", "sch", Hinten},
    };
    for (const Case& c : cases) {
        const PosWord w = SplitPosWord(QString::fromUtf8(c.text));
        EXPECT_EQ(w.word, QString::fromUtf8(c.word)) << c.text;
        EXPECT_EQ(w.sound, QString::fromUtf8(c.sound)) << c.text;
        for (int p = 0; p < 3; ++p)
            EXPECT_EQ(PositionRight(w.word, w.sound, p), p == c.right) << c.text << " " << p;
    }
}

TEST(LautPosJudging, TheMarkAndTheHeading)
{
    EXPECT_EQ(SolutionMark(QStringLiteral("Jacke"), QStringLiteral("k")), std::make_pair(2, 2));  // "ck"
    EXPECT_EQ(SolutionMark(QStringLiteral("Kakao"), QStringLiteral("k")), std::make_pair(0, 1));
    EXPECT_EQ(SolutionMark(QStringLiteral("Hase"), QStringLiteral("s")), std::make_pair(2, 1));
    EXPECT_EQ(SolutionMark(QStringLiteral("Hase"), QStringLiteral("x")).first, -1);
    EXPECT_EQ(HeadingText(QStringLiteral("Wo hörst du das &#&?"), QStringLiteral("s"), false),
              QStringLiteral("Wo hörst du das &S-s&?"));
    EXPECT_EQ(HeadingText(QStringLiteral("Wo ist #?"), QStringLiteral("ll"), true), QStringLiteral("Wo ist L?"));
}

class LautPosRulesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetSoundState();
        resetRun();
        auto& d = g().config.dirs;
        d.materialSound = tree.mkdir("Material/Sound/");
        d.lobSound = tree.mkdir("INTERN/Lob/");
        d.internsound = tree.mkdir("INTERN/Sound/");
        d.anleitungsound = tree.mkdir("INTERN/Anleitung/");
        for (const char* n : {"Hase.wav", "Ball.wav"})
            tree.write(QStringLiteral("Material/Sound/") + QString::fromUtf8(n), testwav::monoTone());
        tree.write("INTERN/Sound/ABC/Laute/s.wav", testwav::monoTone());
        tree.write("INTERN/Anleitung/wo.wav", testwav::monoTone());
        tree.write("INTERN/Lob/super.wav", testwav::monoTone());
        g().randomOrder401 = false;
        TOpt_LautPos& o = opts();
        o = TOpt_LautPos{};
        o.successSource = 0;
        o.successSoundText = {QStringLiteral("super.wav")};
        o.successFrequency = 0;
        onSoundEnded(&owner, [this](int channel, SoundStatus status) { rules.soundNotice(channel, status); });
    }
    void load(const std::vector<QString>& texts)
    {
        g().loadedList = TDaten{};
        for (const QString& t : texts) {
            TAufgabe a;
            TEinzelbild e;
            e.text = t;
            e.sounds = SplitPosWord(t).word + QStringLiteral(".wav");
            a.elements = {TEinzelbild{}, e};
            g().loadedList.tasks.push_back(a);
        }
        g().loadedList.layout.headingSound = QStringLiteral("wo.wav;#");
        g().taskOrder.clear();
        ASSERT_TRUE(rules.prepareList(QStringLiteral("01 S.txt")));
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
    const TZeile& row(int r) const { return run().runResults[0].Rows[size_t(r)]; }

    TempTree tree;
    TestAudioBackend audio;
    QObject owner;
    TWAV player{&owner};
    LautPosRules rules{player};
};

TEST_F(LautPosRulesTest, InstructionWrongAndRightAnswers)
{
    load({QStringLiteral("Ha1se"), QStringLiteral("Ba1ll")});
    EXPECT_FALSE(rules.press(Vorne));  // before hearing
    EXPECT_EQ(rules.enter(), LautPosRules::KeyAction::Instruction);
    EXPECT_EQ(rules.state(), LautState::Hearing);
    EXPECT_FALSE(rules.press(Vorne));
    // The heading sounds, "#" as the sound's own file, then the word.
    EXPECT_EQ(playOut(), (QStringList{QStringLiteral("wo.wav"), QStringLiteral("s.wav"), QStringLiteral("Hase.wav")}));
    EXPECT_EQ(rules.state(), LautState::Answering);
    rules.press(Vorne);
    EXPECT_EQ(rules.release(Vorne), Outcome::Chosen);
    EXPECT_TRUE(rules.fertigShown());
    EXPECT_EQ(rules.check(), Outcome::Wrong);
    // No error sound: the instruction again.
    EXPECT_EQ(playOut(), (QStringList{QStringLiteral("wo.wav"), QStringLiteral("s.wav"), QStringLiteral("Hase.wav")}));
    EXPECT_EQ(rules.state(), LautState::Retrying);
    rules.arrow(false);  // from no choice Right chooses "vorne"
    EXPECT_EQ(rules.chosen(), Vorne);
    rules.arrow(false);
    EXPECT_EQ(rules.chosen(), Mittig);
    EXPECT_EQ(rules.enter(), LautPosRules::KeyAction::Checked);
    EXPECT_EQ(rules.state(), LautState::Solved);
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("super.wav")});
    EXPECT_EQ(row(0).Attempts, 2);
    EXPECT_EQ(row(0).Answers, QStringLiteral("Hase"));
    EXPECT_TRUE(row(0).Solved);
    EXPECT_EQ(rules.tasks()[0].state, 1);
}

TEST_F(LautPosRulesTest, AShownButUnansweredTaskLeavesNoRow)
{
    opts().atOnce = true;
    load({QStringLiteral("Ha1se"), QStringLiteral("Ba1ll"), QStringLiteral("1Sonne")});
    rules.listen();
    playOut();
    rules.jumpTo(1);  // heard, never answered: its row is reused
    EXPECT_EQ(run().runResults[0].Rows.size(), 1u);
    rules.listen();
    playOut();
    rules.press(Hinten);
    EXPECT_EQ(rules.release(Hinten), Outcome::Right);
    EXPECT_EQ(row(0).Answers, QStringLiteral("Ball"));
    ASSERT_TRUE(rules.advance());
    EXPECT_EQ(run().runResults[0].Rows.size(), 2u);
    EXPECT_EQ(row(1).Attempts, 0);
    // Past the last task: the first open one (task 1) before the end.
    rules.listen();
    playOut();
    rules.press(Vorne);
    rules.release(Vorne);
    ASSERT_TRUE(rules.advance());
    EXPECT_EQ(rules.position(), 0);
}

} // namespace
