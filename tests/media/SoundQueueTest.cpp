#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "support/TestSupport.h"
#include "SoundTestWav.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

// A window as the exercises use the player: failures go to SkipToNext, the rest to SoundEnded.
struct Owner {
    QObject window;
    TWAV player{&window};
    std::vector<int> counts;   // every SoundEnded result
    int failures = 0;
    bool chainOver = false;
    Owner()
    {
        onSoundEnded(&window, [this](int channel, SoundStatus status) {
            if (status == SoundStatus::Failure) {
                ++failures;
                if (!player.SkipToNext())
                    chainOver = true;
            } else {
                const int left = player.SoundEnded(channel);
                counts.push_back(left);
                if (left == 0)
                    chainOver = true;
            }
        });
    }
};

class SoundQueue : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetSoundState();
        auto& d = g().config.dirs;
        d.materialSound = tree.mkdir("Material/Sound/");
        d.lobSound = tree.mkdir("INTERN/Lob/");
        d.fehlersound = tree.mkdir("INTERN/Fehler/");
        d.internsound = tree.mkdir("INTERN/Sound/");
        d.anleitungsound = tree.mkdir("INTERN/Anleitung/");
        for (const char* n : {"a.wav", "b.wav", "c.wav", "d.wav"})
            word(n);
    }
    QString word(const QString& name) { return tree.write("Material/Sound/" + name, testwav::monoTone()); }
    QString pause(const QString& name) { return tree.write("INTERN/Sound/Pausen/" + name, testwav::monoTone(10, 0, 0)); }
    // Ends what plays, oldest first, until nothing plays; the files in the order they ended.
    QStringList runChain(int limit = 20)
    {
        QStringList ended;
        while (limit-- > 0) {
            QCoreApplication::sendPostedEvents();  // failure notices
            const QString f = audio.endNext();
            if (f.isEmpty())
                break;
            ended << fsys::fileName(f);
        }
        return ended;
    }

    TempTree tree;
    TestAudioBackend audio;
};

TEST_F(SoundQueue, ThreeSoundsWithPausesPlayInOrderAndCountDown)
{
    pause("0750.wav");
    SelectPause(3);
    Owner o;
    PlaySound(o.player, "a.wav", false, true, false);
    PlaySound(o.player, "b.wav", false, true, false);
    PlaySound(o.player, "c.wav", false, true, true);
    EXPECT_EQ(o.player.queue().size(), 5);
    EXPECT_EQ(runChain(), (QStringList{"a.wav", "0750.wav", "b.wav", "0750.wav", "c.wav"}));
    EXPECT_EQ(o.counts, (std::vector<int>{4, 3, 2, 1, 0}));
    EXPECT_TRUE(o.chainOver);
    EXPECT_TRUE(o.player.isEmpty());
    EXPECT_TRUE(audio.playingChannels().isEmpty());
}

TEST_F(SoundQueue, MissingPauseFileLeavesNoGapEntry)
{
    SelectPause(3);  // no Pausen folder at all
    Owner o;
    PlaySound(o.player, "a.wav", false, true, false);
    PlaySound(o.player, "b.wav", false, true, false);
    PlaySound(o.player, "c.wav", false, true, true);
    EXPECT_EQ(o.player.queue().size(), 3);
    EXPECT_EQ(runChain(), (QStringList{"a.wav", "b.wav", "c.wav"}));
    EXPECT_EQ(o.counts, (std::vector<int>{2, 1, 0}));
}

TEST_F(SoundQueue, RepeatOfAPlayingFile)
{
    const QString a = tree.path("Material/Sound/a.wav");
    Owner o;
    ASSERT_TRUE(o.player.Play(a, false, false, false));
    // Without allowRepeat nothing is added; with it the file waits.
    EXPECT_FALSE(o.player.Play(a, false, false, true));
    EXPECT_EQ(o.player.queue().size(), 1);
    EXPECT_FALSE(o.player.Play(a, true, false, true));
    EXPECT_EQ(o.player.queue(), (QStringList{QString::number(audio.playingChannels().front()) + "=" + a, "W=" + a}));
}

TEST_F(SoundQueue, DropWaitingRemovesWaitingEntriesFirst)
{
    Owner o;
    PlaySound(o.player, "a.wav", false, false, false);
    PlaySound(o.player, "b.wav", false, false, false);
    PlaySound(o.player, "c.wav", false, false, false);
    EXPECT_FALSE(o.player.Play(tree.path("Material/Sound/d.wav"), false, true, true));
    EXPECT_EQ(runChain(), (QStringList{"a.wav", "d.wav"}));
}

TEST_F(SoundQueue, InterruptCutsTheChainAndALateNoticeCountsNothing)
{
    Owner o;
    PlaySound(o.player, "a.wav", false, false, false);
    PlaySound(o.player, "b.wav", false, false, false);
    const int cut = audio.playingChannels().front();
    PlaySound(o.player, "d.wav", true, false, true);
    EXPECT_TRUE(audio.log().contains(QStringLiteral("stop %1").arg(cut)));
    EXPECT_EQ(audio.started().size(), 2);
    EXPECT_EQ(fsys::fileName(audio.started().back()), "d.wav");
    ASSERT_EQ(o.player.queue().size(), 1);

    audio.notify(&o.window, cut, SoundStatus::Aborted);
    EXPECT_EQ(o.counts, std::vector<int>{0});
    EXPECT_EQ(o.player.queue().size(), 1) << "the late notice must not touch the new sound";

    o.counts.clear();
    EXPECT_EQ(runChain(), QStringList{"d.wav"});
    EXPECT_EQ(o.counts, std::vector<int>{0});
}

TEST_F(SoundQueue, FailureNoticeLetsTheChainGoOn)
{
    audio.failOpen("b.wav");
    Owner o;
    PlaySound(o.player, "a.wav", false, false, false);
    PlaySound(o.player, "b.wav", false, false, false);
    PlaySound(o.player, "c.wav", false, false, true);
    EXPECT_EQ(runChain(), (QStringList{"a.wav", "c.wav"}));
    EXPECT_EQ(o.failures, 1);
    EXPECT_TRUE(o.chainOver);
}

TEST_F(SoundQueue, FailedFirstSoundPostsFailureWithChannelMinusOne)
{
    audio.failOpen("a.wav");
    QObject window;
    std::vector<std::pair<int, SoundStatus>> notices;
    onSoundEnded(&window, [&](int c, SoundStatus s) { notices.emplace_back(c, s); });
    TWAV player(&window);
    EXPECT_FALSE(player.Play(tree.path("Material/Sound/a.wav"), false, false, false));
    EXPECT_TRUE(notices.empty()) << "posted, not sent";
    QCoreApplication::sendPostedEvents(&window);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].first, -1);
    EXPECT_EQ(notices[0].second, SoundStatus::Failure);
    EXPECT_FALSE(player.SkipToNext());
    EXPECT_TRUE(player.isEmpty());
}

TEST_F(SoundQueue, UnresolvedNamesAreSkippedSilently)
{
    dialogs::ScriptedDialogs dialogs;
    Owner o;
    PlaySound(o.player, "fehlt.wav", false, true, false);
    EXPECT_FALSE(TryPlaySound(o.player, "fehlt.wav", true, false, true));
    EXPECT_TRUE(o.player.isEmpty());
    EXPECT_TRUE(audio.log().isEmpty());
    EXPECT_TRUE(dialogs.asked().isEmpty());
}

TEST_F(SoundQueue, NameResolutionOrder)
{
    const QString lob = tree.write("INTERN/Lob/x.wav", testwav::monoTone());
    tree.write("INTERN/Sound/x.wav", testwav::monoTone());
    const QString anleitung = tree.write("INTERN/Anleitung/nur.wav", testwav::monoTone());
    EXPECT_EQ(ResolveSoundName("x.wav"), lob);
    EXPECT_EQ(ResolveSoundName("a.wav"), tree.path("Material/Sound/a.wav"));
    EXPECT_EQ(ResolveSoundName(lob), lob) << "an existing full path is used unchanged";
    EXPECT_EQ(ResolveSoundName("A.WAV"), tree.path("Material/Sound/a.wav")) << "found without case";
    EXPECT_EQ(ResolveSoundName("nur.wav"), QString());
    EXPECT_EQ(ResolveSoundName("nur.wav", true), anleitung);
}

TEST_F(SoundQueue, TryPlaySoundImmediateKeepsWhatPlays)
{
    Owner o;
    EXPECT_TRUE(TryPlaySound(o.player, "a.wav", true, false, false));
    EXPECT_TRUE(TryPlaySound(o.player, "b.wav", true, false, false));
    EXPECT_EQ(audio.playingChannels().size(), 2) << "both sound together";
    EXPECT_FALSE(TryPlaySound(o.player, "c.wav", false, false, true)) << "only queued";
    EXPECT_EQ(o.player.queue().size(), 3);
}

TEST_F(SoundQueue, SkipToNextClosesWhatPlaysAndStartsTheNextWaiting)
{
    Owner o;
    PlaySound(o.player, "a.wav", false, false, false);
    PlaySound(o.player, "b.wav", false, false, false);
    const int a = audio.playingChannels().front();
    EXPECT_TRUE(o.player.SkipToNext());
    EXPECT_FALSE(audio.isOpen(a));
    EXPECT_EQ(fsys::fileName(audio.started().back()), "b.wav");
    EXPECT_FALSE(o.player.SkipToNext());
    EXPECT_TRUE(o.player.isEmpty());
}

TEST_F(SoundQueue, StopAllAndCloseAllEmptyTheQueue)
{
    Owner o;
    PlaySound(o.player, "a.wav", false, false, false);
    PlaySound(o.player, "b.wav", false, false, false);
    o.player.StopAll();
    EXPECT_TRUE(o.player.isEmpty());
    EXPECT_TRUE(audio.playingChannels().isEmpty());

    PlaySound(o.player, "c.wav", false, false, false);
    PlaySound(o.player, "d.wav", false, false, false);
    EXPECT_TRUE(o.player.CloseAll());
    EXPECT_TRUE(o.player.isEmpty());
    EXPECT_EQ(audio.log().back(), "closeAll");
    EXPECT_TRUE(runChain().isEmpty()) << "no notices follow";
}

TEST_F(SoundQueue, RefusedCloseShowsTheMessageAndKeepsTheEntry)
{
    dialogs::ScriptedDialogs dialogs;
    Owner o;
    const QString a = tree.path("Material/Sound/a.wav");
    ASSERT_TRUE(o.player.Play(a, false, false, false));
    const int channel = audio.playingChannels().front();
    audio.refuseClose(channel);
    audio.end(channel);
    EXPECT_EQ(dialogs.texts(), QStringList{"Fehler beim Schließen von " + a});
    EXPECT_EQ(o.player.queue().size(), 1);
    EXPECT_EQ(o.counts, std::vector<int>{1});
}

TEST_F(SoundQueue, PlayFailingToStartClosesTheChannel)
{
    audio.failPlay(true);
    Owner o;
    EXPECT_FALSE(o.player.Play(tree.path("Material/Sound/a.wav"), false, false, false));
    EXPECT_TRUE(o.player.isEmpty());
    EXPECT_TRUE(audio.log().back().startsWith("close "));
}

TEST_F(SoundQueue, HandleNoticeForwardsAsTheExercisesDo)
{
    audio.failOpen("b.wav");
    QObject window;
    TWAV player(&window);
    std::vector<bool> over;
    onSoundEnded(&window, [&](int c, SoundStatus s) { over.push_back(player.HandleNotice(c, s)); });
    PlaySound(player, "a.wav", false, false, false);
    PlaySound(player, "b.wav", false, false, false);
    PlaySound(player, "c.wav", false, false, false);
    PlaySound(player, "b.wav", false, false, true);
    EXPECT_EQ(runChain(), (QStringList{"a.wav", "c.wav"}));
    // a ends (c and b wait), the first b fails and c starts, c ends, the last b fails: over.
    EXPECT_EQ(over, (std::vector<bool>{false, false, false, true}));
}

TEST_F(SoundQueue, NoticesReachOnlyTheOwningWindow)
{
    Owner first, second;
    PlaySound(first.player, "a.wav", false, false, true);
    PlaySound(second.player, "b.wav", false, false, true);
    EXPECT_EQ(runChain(), (QStringList{"a.wav", "b.wav"}));
    EXPECT_EQ(first.counts, std::vector<int>{0});
    EXPECT_EQ(second.counts, std::vector<int>{0});
}

}
