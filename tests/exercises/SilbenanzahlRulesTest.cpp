#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/Silbenanzahl/SilbenRules.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"
#include "../media/SoundTestWav.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace silben;
using Outcome = SilbenRules::Outcome;

namespace {

TAufgabe task(const QString& text, const QString& sounds)
{
    TAufgabe t;
    TEinzelbild e;
    e.text = text;
    e.sounds = sounds;
    t.elements = {TEinzelbild{}, e};
    return t;
}

class SilbenanzahlRulesTest : public ::testing::Test
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
        for (const char* n : {"Banane.wav", "Banane_silben.wav", "Haus.wav"})
            tree.write(QStringLiteral("Material/Sound/") + QString::fromUtf8(n), testwav::monoTone());
        tree.write("INTERN/Lob/super.wav", testwav::monoTone());
        tree.write("INTERN/Fehler/oh.wav", testwav::monoTone());
        tree.write("INTERN/Sound/Pausen/0750.wav", testwav::monoTone(10, 0, 0));
        SelectPause(3);
        g().randomOrder406 = false;
        TOpt_Silbenanzahl& o = opts();
        o = TOpt_Silbenanzahl{};
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
        ASSERT_TRUE(rules.prepareList(QStringLiteral("01 Silben.txt")));
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
    Outcome pick(const QString& count)
    {
        const int i = int(rules.counts().indexOf(count));
        rules.press(i);
        return rules.release(i);
    }
    const TZeile& row(int r) const { return run().runResults[0].Rows[size_t(r)]; }

    TempTree tree;
    TestAudioBackend audio;
    QObject owner;
    TWAV player{&owner};
    SilbenRules rules{player};
};

TEST(SilbenanzahlCounts, OfferedCountsAreUniqueAndAscending)
{
    EXPECT_EQ(OfferedCounts(QStringLiteral("Ba-na-ne;3;4;2;3")), (QStringList{"2", "3", "4"}));
    EXPECT_EQ(OfferedCounts(QStringLiteral(" Haus;1;2;3;4 ")), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(OfferedCounts(QStringLiteral("Ba-na-ne")), QStringList{});
    EXPECT_EQ(OfferedCounts(QStringLiteral("Ba-na-ne;10;9;2")), (QStringList{"2", "9", "10"}));
}

TEST_F(SilbenanzahlRulesTest, CheckModeSoundsAnswersAndTheSolution)
{
    load({task(QStringLiteral("Ba-na-ne;3;4;2;3"), QStringLiteral("Banane.wav#Banane_silben.wav"))});
    EXPECT_EQ(rules.counts(), (QStringList{"2", "3", "4"}));
    EXPECT_FALSE(rules.press(0));  // before hearing
    rules.listen();
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("Banane.wav")});
    rules.help();
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("Banane_silben.wav")});
    EXPECT_TRUE(row(0).WithHelp);
    EXPECT_EQ(pick(QStringLiteral("2")), Outcome::Chosen);
    EXPECT_EQ(rules.check(), Outcome::Wrong);
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("oh.wav")});
    // The digit keys choose only counts that are offered.
    EXPECT_FALSE(rules.digit(5));
    EXPECT_TRUE(rules.digit(3));
    EXPECT_EQ(rules.check(), Outcome::Right);
    EXPECT_EQ(rules.state(), LautState::SolutionPlaying);
    EXPECT_FALSE(rules.weiterEnabled());
    // The word, a pause, the syllables, then the praise.
    EXPECT_EQ(playOut(), (QStringList{QStringLiteral("Banane.wav"), QStringLiteral("0750.wav"),
                                      QStringLiteral("Banane_silben.wav"), QStringLiteral("super.wav")}));
    EXPECT_EQ(rules.state(), LautState::Solved);
    EXPECT_TRUE(rules.weiterEnabled());
    EXPECT_EQ(row(0).Answers, QStringLiteral("Banane - 2 - 3"));
    EXPECT_EQ(row(0).Attempts, 2);
    EXPECT_TRUE(row(0).Solved);
    EXPECT_EQ(rules.tasks()[0].state, 1);
}

TEST_F(SilbenanzahlRulesTest, AtOnceAnswersStartWithTheHyphenatedWord)
{
    opts().atOnce = true;
    load({task(QStringLiteral("Ba-na-ne;3;4;2;3"), QStringLiteral("Banane.wav#Banane_silben.wav"))});
    rules.listen();
    EXPECT_EQ(pick(QStringLiteral("4")), Outcome::Wrong);
    EXPECT_EQ(pick(QStringLiteral("3")), Outcome::Right);
    EXPECT_EQ(row(0).Answers, QStringLiteral("Banane - Ba-na-ne - 4 - 3"));
}

TEST_F(SilbenanzahlRulesTest, DefectAndIncompleteTasks)
{
    load({task(QStringLiteral("Haus;1;2"), QStringLiteral("Haus.wav")), task(QString(), QStringLiteral("x.wav")),
          task(QStringLiteral("Ba-na-ne"), QStringLiteral("Banane.wav"))});
    // An empty text: the next task is used instead.
    EXPECT_EQ(rules.jumpTo(1), SilbenRules::Setup::Defect);
    EXPECT_EQ(rules.position(), 2);
    // Only the word: nothing offered, nothing to hear.
    EXPECT_TRUE(rules.counts().isEmpty());
    EXPECT_FALSE(rules.listenEnabled());
    EXPECT_EQ(rules.jumpTo(2), SilbenRules::Setup::Incomplete);
    // Every task set up has a row.
    EXPECT_EQ(run().runResults[0].Rows.size(), 3u);
}

} // namespace
