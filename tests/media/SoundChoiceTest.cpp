#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/OptionRecords.h"
#include "core/Random.h"
#include "media/sound/Sound.h"
#include "media/sound/TestAudioBackend.h"
#include "support/TestSupport.h"
#include "SoundTestWav.h"

#include <QFile>
#include <QThread>
#include <QSet>
#include <gtest/gtest.h>

namespace {

class SoundChoice : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetSoundState();
        rnd::seed(7);
        auto& d = g().config.dirs;
        d.lobSound = tree.mkdir("INTERN/Lob/");
        d.fehlersound = tree.mkdir("INTERN/Fehler/");
        d.internsound = tree.mkdir("INTERN/Sound/");
    }
    QString wav(const QString& rel) { return tree.write(rel, testwav::monoTone(10)); }
    TempTree tree;
    TestAudioBackend audio;
};

TEST(SoundArticles, StripArticle)
{
    const struct { const char* in; const char* out; } cases[] = {
        {"die Katze", "Katze"}, {"der Hund", "Hund"}, {"das Haus", "Haus"}, {"ein Ball", "Ball"},
        {"eine Maus", "Maus"},  {"Dieter", "Dieter"}, {"Die Katze", "Die Katze"}, {"dieKatze", "dieKatze"},
        {"einer Maus", "einer Maus"}, {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StripArticle(QString::fromUtf8(c.in), false), QString::fromUtf8(c.out)) << c.in;
        EXPECT_EQ(StripArticle(QString::fromUtf8(c.in), true), QString::fromUtf8(c.in)) << c.in;
    }
}

TEST(SoundArticles, DropArticleSounds)
{
    const struct { QStringList in, out; } cases[] = {
        {{"/m/Sound/die.wav", "/m/Sound/katze.wav"}, {"/m/Sound/katze.wav"}},
        {{"eine.wav", "maus.wav"}, {"maus.wav"}},
        {{"DER.WAV", "hund.wav"}, {"hund.wav"}},            // a bare name compares without case
        {{"/m/DER.WAV", "/m/hund.wav"}, {"/m/DER.WAV", "/m/hund.wav"}},  // a path ending does not
        {{"/m/die.wav", "/m/katze.wav", "/m/x.wav"}, {"/m/die.wav", "/m/katze.wav", "/m/x.wav"}},
        {{"/m/die.wav"}, {"/m/die.wav"}},
        {{"/m/dieter.wav", "/m/katze.wav"}, {"/m/dieter.wav", "/m/katze.wav"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DropArticleSounds(c.in, false), c.out) << c.in.join(';').toStdString();
        EXPECT_EQ(DropArticleSounds(c.in, true), c.in);
    }
}

TEST(SoundArticles, FollowThePlayersOption)
{
    resetGlobals();
    EXPECT_EQ(StripArticle("die Katze"), "die Katze") << "articles are on by default";
    EXPECT_EQ(DropArticleSounds(QStringList{"/m/die.wav", "/m/katze.wav"}).size(), 2);
    g().playerOptions.withArticle = false;
    EXPECT_EQ(StripArticle("die Katze"), "Katze");
    EXPECT_EQ(DropArticleSounds(QStringList{"/m/die.wav", "/m/katze.wav"}), QStringList{"/m/katze.wav"});
    resetGlobals();
}

TEST(SoundPause, SelectPause)
{
    const struct { int code; const char* file; } cases[] = {
        {0, "Pausen/0000.wav"}, {1, "Pausen/0200.wav"}, {200, "Pausen/0200.wav"}, {2, "Pausen/0500.wav"},
        {3, "Pausen/0750.wav"}, {750, "Pausen/0750.wav"}, {4, "Pausen/1000.wav"}, {1250, "Pausen/1250.wav"},
        {6, "Pausen/1500.wav"}, {1750, "Pausen/1750.wav"}, {8, "Pausen/2000.wav"}, {-1, "Pausen/2000.wav"},
        {2000, "Pausen/2000.wav"},
    };
    for (const auto& c : cases) {
        SelectPause(c.code);
        EXPECT_EQ(CurrentPauseFile(), c.file) << c.code;
    }
    resetSoundState();
    EXPECT_EQ(CurrentPauseFile(), QString());
}

TEST_F(SoundChoice, RandomPraiseUsesEveryFileOnceThenRefills)
{
    QSet<QString> files;
    for (const char* n : {"a.wav", "b.wav", "c.wav", "d.wav"})
        files.insert(wav(QStringLiteral("INTERN/Lob/Zufall/") + n));
    wav("INTERN/Lob/fest.wav");  // not in the random choice while "Zufall" holds files
    QSet<QString> drawn;
    for (int task = 0; task < 4; ++task) {
        PrepareFeedbackSounds(2, 0, {}, {}, nullptr);
        ASSERT_EQ(praiseSounds().size(), 1);
        drawn.insert(praiseSounds().front());
    }
    EXPECT_EQ(drawn, files);
    EXPECT_TRUE(praisePool().isEmpty());
    PrepareFeedbackSounds(2, 0, {}, {}, nullptr);
    EXPECT_TRUE(files.contains(praiseSounds().front()));
    EXPECT_EQ(praisePool().size(), 3);
}

TEST_F(SoundChoice, RandomPoolFallsBackToSubfoldersThenTheFolderItself)
{
    const QString deep = wav("INTERN/Lob/Zufall/Tiere/muh.wav");
    PrepareFeedbackSounds(2, 1, {}, {}, nullptr);
    EXPECT_EQ(praiseSounds(), QStringList{deep});
    // No "Zufall" folder for errors: the folder's own files.
    EXPECT_EQ(errorSounds(), QStringList{QString()}) << "nothing found: one empty entry";
    const QString own = wav("INTERN/Fehler/oh.wav");
    PrepareFeedbackSounds(2, 1, {}, {}, nullptr);
    EXPECT_EQ(errorSounds(), QStringList{own});
}

TEST_F(SoundChoice, FixedAndTaskPraise)
{
    const auto& d = g().config.dirs;
    PrepareFeedbackSounds(0, 0, {"super.wav", "toll.wav"}, {"nein.wav"}, nullptr);
    EXPECT_EQ(praiseSounds(), (QStringList{d.lobSound + "super.wav", d.lobSound + "toll.wav"}));
    EXPECT_EQ(errorSounds(), QStringList{d.fehlersound + "nein.wav"});
    // Mode 0 keeps a list that is not empty.
    PrepareFeedbackSounds(0, 0, {"anders.wav"}, {"anders.wav"}, nullptr);
    EXPECT_EQ(praiseSounds().size(), 2);
    EXPECT_EQ(errorSounds(), QStringList{d.fehlersound + "nein.wav"});

    TAufgabe task;
    task.successSounds = {"ja.wav", "Lob\\prima.wav"};
    TOptFeedback options;  // by default the task's own praise and a random error sound
    PrepareFeedbackSounds(options, &task);
    EXPECT_EQ(praiseSounds(), (QStringList{d.internsound + "ja.wav", d.internsound + "Lob/prima.wav"}));
}

TEST_F(SoundChoice, PoolsSurviveAcrossWindows)
{
    for (const char* n : {"a.wav", "b.wav"})
        wav(QStringLiteral("INTERN/Fehler/Zufall/") + n);
    PrepareFeedbackSounds(0, 1, {}, {}, nullptr);
    const QString first = errorSounds().front();
    errorSounds().clear();  // a new window empties its lists, not the pool
    PrepareFeedbackSounds(0, 1, {}, {}, nullptr);
    EXPECT_NE(errorSounds().front(), first);
}

TEST_F(SoundChoice, FindSoundFileSearchesDepthFirst)
{
    const QString top = tree.mkdir("S/");
    wav("S/Katze-lang.wav");
    const QString exactDeep = wav("S/b/katze.wav");
    wav("S/a/Katze.txt");
    const QString inA = wav("S/a/hund.wav");
    wav("S/b/hund.wav");
    EXPECT_EQ(FindSoundFile("KATZE", top, true), exactDeep);
    EXPECT_EQ(FindSoundFile("Katze", top, false), top + "Katze-lang.wav") << "the folder's own files first";
    EXPECT_EQ(FindSoundFile("hund", top, true), inA) << "sub-folders in name order";
    EXPECT_EQ(FindSoundFile("maus", top, false), QString());
    EXPECT_EQ(FindSoundFile("katze", tree.path("fehlt/"), false), QString());

    const QString pic = tree.write("S/a/Katze.GIF", "GIF89a");
    EXPECT_EQ(FindMediaFile("katze", top, true, {".gif", ".bmp"}), pic);
    EXPECT_EQ(FindMediaFile("Katze", top, false, {"bmp"}), QString());
}

TEST_F(SoundChoice, OneShotSounds)
{
    const QString a = wav("INTERN/Sound/a.wav");
    const QString b = wav("INTERN/Sound/b.wav");
    EXPECT_TRUE(PlayWaveFile(a, false, false));
    EXPECT_FALSE(PlayWaveFile(b, false, false)) << "a one-shot still sounds: the new one is dropped";
    EXPECT_TRUE(PlayWaveFile(b, false, true));
    EXPECT_EQ(audio.oneShotPlaying(), b);
    EXPECT_FALSE(PlayWaveFile(tree.path("fehlt.wav"), false, true));

    StopWaveFiles();
    const QString step = wav("schritt.wav");
    EXPECT_TRUE(PlayWaveFileLooped("schritt.wav")) << "resolved against the installation directory";
    EXPECT_EQ(audio.log().back(), "loop " + step);
    StopWaveFiles();
    EXPECT_TRUE(audio.oneShotPlaying().isEmpty());
    Beep();
    EXPECT_EQ(audio.log().back(), "beep");
}

TEST_F(SoundChoice, AcousticEvents)
{
    const QString ende = wav("INTERN/Sound/ende.wav");
    const QString alt = wav("INTERN/Sound/alt.wav");
    auto& events = g().playerOptions.acousticEvents;
    events = {{"Programmende", alt, true}, {"programmende", ende, true}, {"Aus", ende, false},
              {"Keine", tree.path("INTERN/Sound/(keine)"), true}};
    PlayAcousticEvent("PROGRAMMENDE", false, true);
    EXPECT_EQ(audio.log(), QStringList{"oneshot " + ende}) << "the last event of that name";
    audio.clearLog();
    audio.endOneShot();
    PlayAcousticEvent("Aus", false, true);
    PlayAcousticEvent("Keine", false, true);
    PlayAcousticEvent("Unbekannt", false, true);
    EXPECT_TRUE(audio.log().isEmpty());
}

TEST_F(SoundChoice, NoiseProgramStartAndStop)
{
    dialogs::ScriptedDialogs dialogs;
    StartNoise(false);
    EXPECT_EQ(dialogs.texts(), QStringList{"Fehler beim Starten des Hintergrundgeräusch-Programms!\nMeldung:\n\n"
                                           "The specified path was not found."});
    dialogs.clear();
    tree.mkdir("noise/");
    StartNoise(false);
    EXPECT_EQ(dialogs.texts(), QStringList{NoiseStartErrorText(2)});
    EXPECT_FALSE(NoiseRunning());

    // A stand-in that records its arguments and working folder, then runs until ended.
    dialogs.clear();
    const QString program = tree.write("noise/noise", "#!/bin/sh\necho \"$PWD $*\" > started.txt\nexec sleep 30\n");
    QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner);
    StartNoise(false);
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_TRUE(NoiseRunning());
    for (int i = 0; i < 500 && tree.read("noise/started.txt").isEmpty(); ++i)
        QThread::msleep(10);
    StopNoise();
    EXPECT_FALSE(NoiseRunning());
    EXPECT_EQ(tree.read("noise/started.txt").trimmed(), (fsys::resolve(tree.path("noise")) + " --hidden").toUtf8());
}

}
