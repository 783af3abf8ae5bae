#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/SdlAudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "support/TestSupport.h"
#include "SoundTestWav.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

// The real SDL2_mixer backend: on SDL's silent "dummy" driver for the file handling, and on its
// "disk" driver for what is really heard.
namespace {

// Installs a real backend for one test.
struct RealAudio {
    SdlAudioBackend backend;
    AudioBackend* previous;
    explicit RealAudio(const SdlAudioBackend::Options& o) : backend(o), previous(audio::install(&backend)) {}
    ~RealAudio() { audio::install(previous); }
};

SdlAudioBackend::Options driver(const QString& name, const QString& file = QString())
{
    SdlAudioBackend::Options o;
    o.driver = name;
    o.diskFile = file;
    return o;
}

// Runs a chain the way an exercise does, until it is over or the bound passes.
struct ChainWindow {
    QObject window;
    TWAV player{&window};
    QEventLoop loop;
    int failures = 0;
    bool over = false;
    ChainWindow()
    {
        onSoundEnded(&window, [this](int channel, SoundStatus status) {
            if (status == SoundStatus::Failure) {
                ++failures;
                over = !player.SkipToNext();
            } else {
                over = player.SoundEnded(channel) == 0;
            }
            if (over)
                loop.quit();
        });
    }
    bool run(int boundMs)
    {
        if (!over) {
            QTimer::singleShot(boundMs, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return over;
    }
};

class SoundSdl : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetSoundState();
        g().config.dirs.materialSound = tree.mkdir("Material/Sound/");
        g().config.dirs.internsound = tree.mkdir("INTERN/Sound/");
    }
    TempTree tree;
};

QByteArray truncatedWave()
{
    QByteArray w = testwav::monoTone(100);
    return w.left(w.size() / 2);
}

QByteArray hugeDataSize()
{
    QByteArray w = testwav::monoTone(20);
    const int data = int(w.indexOf("data"));
    w[data + 4] = char(0xF0); w[data + 5] = char(0xFF); w[data + 6] = char(0xFF); w[data + 7] = char(0x7F);
    return w;
}

TEST_F(SoundSdl, OpensTheWaveFormatsOfTheMaterial)
{
    RealAudio real(driver("dummy"));
    ASSERT_TRUE(real.backend.isOpen());
    const struct { const char* name; QByteArray bytes; } cases[] = {
        {"pcm8_mono_11025.wav", testwav::pcm(11025, 1, 8, testwav::tone(11025, 50, 300, 9000))},
        {"pcm16_mono_22050.wav", testwav::monoTone(50)},
        {"pcm16_stereo_48000.wav", testwav::pcm(48000, 2, 16, testwav::tone(48000, 100, 300, 9000))},
    };
    QStringList files{fixture("sound/ima_adpcm.wav"), fixture("sound/ms_adpcm.wav")};
    for (const auto& c : cases)
        files << tree.write(c.name, c.bytes);
    for (const QString& f : files) {
        const int channel = real.backend.open(f);
        EXPECT_GE(channel, 0) << f.toStdString();
        EXPECT_TRUE(real.backend.close(channel));
    }
}

TEST_F(SoundSdl, BadFilesGiveAFailureNoticeAndTheChainGoesOn)
{
    RealAudio real(driver("dummy"));
    const struct { const char* name; QByteArray bytes; } bad[] = {
        {"truncated.wav", truncatedWave()},
        {"text.wav", "Das ist keine Wave-Datei.\r\n"},
        {"empty.wav", QByteArray()},
        {"huge.wav", hugeDataSize()},
    };
    tree.write("Material/Sound/a.wav", testwav::monoTone(30));
    tree.write("Material/Sound/c.wav", testwav::monoTone(30));
    for (const auto& b : bad) {
        const QString file = tree.write(QStringLiteral("Material/Sound/") + b.name, b.bytes);
        EXPECT_EQ(real.backend.open(file), -1) << b.name;

        ChainWindow w;
        PlaySound(w.player, "a.wav", false, false, false);
        PlaySound(w.player, b.name, false, false, false);
        PlaySound(w.player, "c.wav", false, false, true);
        EXPECT_TRUE(w.run(5000)) << b.name;
        EXPECT_EQ(w.failures, 1) << b.name;
        EXPECT_TRUE(w.player.isEmpty());
    }
    // A bad file first: the failure notice comes at once, with nothing left to play.
    ChainWindow w;
    PlaySound(w.player, "text.wav", false, false, true);
    EXPECT_TRUE(w.run(5000));
    EXPECT_EQ(w.failures, 1);
}

TEST_F(SoundSdl, OneShotSoundsAndTheBeepSoundInTheRecording)
{
    const QString recording = tree.path("oneshot.raw");
    const QString file = tree.write("INTERN/Sound/meldung.wav", testwav::pcm(44100, 1, 16, testwav::tone(44100, 40, 500, 20000)));
    {
        RealAudio real(driver("disk", recording));
        EXPECT_TRUE(PlayWaveFile(file, true, false)) << "synchronous: returns when it has sounded";
        QEventLoop pause;
        QTimer::singleShot(60, &pause, &QEventLoop::quit);
        pause.exec();
        Beep();
        QTimer::singleShot(250, &pause, &QEventLoop::quit);
        pause.exec();
    }
    const QByteArray pcm = tree.read("oneshot.raw");
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    int loud = 0, beep = 0;
    for (qsizetype i = 0; i < pcm.size() / 2; ++i) {
        loud += std::abs(s[i]) > 15000;
        beep += std::abs(s[i]) > 6000 && std::abs(s[i]) <= 9000;
    }
    EXPECT_GT(loud, 100) << "the one-shot file";
    EXPECT_GT(beep, 1000) << "the beep";
}

TEST_F(SoundSdl, AnInterruptedChainEndsOnlyWithTheNewSound)
{
    RealAudio real(driver("dummy"));
    tree.write("Material/Sound/lang.wav", testwav::monoTone(400));
    tree.write("Material/Sound/b.wav", testwav::monoTone(30));
    tree.write("Material/Sound/neu.wav", testwav::monoTone(120));
    ChainWindow w;
    struct Counter : QObject {
        int notices = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            notices += e->type() == SoundEndedEvent::eventType();
            return false;  // the window still gets it
        }
    } counter;
    w.window.installEventFilter(&counter);
    int& notices = counter.notices;
    PlaySound(w.player, "lang.wav", false, false, false);
    PlaySound(w.player, "b.wav", false, false, true);
    QEventLoop settle;
    QTimer::singleShot(50, &settle, &QEventLoop::quit);
    settle.exec();
    PlaySound(w.player, "neu.wav", true, false, true);
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(w.run(5000));
    EXPECT_GE(t.elapsed(), 100) << "the chain ended with the new sound, not with the cut one";
    EXPECT_EQ(notices, 1);
}

TEST_F(SoundSdl, SeveralSoundsPlayAtOnce)
{
    RealAudio real(driver("dummy"));
    tree.write("Material/Sound/a.wav", testwav::monoTone(60));
    tree.write("Material/Sound/b.wav", testwav::monoTone(60, 660));
    ChainWindow w;
    EXPECT_TRUE(TryPlaySound(w.player, "a.wav", true, false, false));
    EXPECT_TRUE(TryPlaySound(w.player, "b.wav", true, false, true));
    EXPECT_EQ(w.player.queue().size(), 2);
    EXPECT_TRUE(w.run(5000));
}

TEST_F(SoundSdl, WithoutADeviceTheDummyDriverPlaysAndSaysSoOnce)
{
    testing::internal::CaptureStderr();
    {
        RealAudio first(driver("keingeraet"));
        EXPECT_TRUE(first.backend.isOpen());
        EXPECT_EQ(first.backend.driverName(), "dummy");
        EXPECT_EQ(first.backend.outputName(), "") << "nothing is heard: the main window must say so";
        tree.write("Material/Sound/a.wav", testwav::monoTone(30));
        ChainWindow w;
        PlaySound(w.player, "a.wav", false, false, true);
        EXPECT_TRUE(w.run(5000)) << "the dummy driver keeps time and ends the sound";
        EXPECT_EQ(w.failures, 0);
    }
    { RealAudio second(driver("keingeraet")); }
    const std::string err = testing::internal::GetCapturedStderr();
    const auto first = err.find("no audio device");
    ASSERT_NE(first, std::string::npos) << err;
    EXPECT_EQ(err.find("no audio device", first + 1), std::string::npos) << err;
}

TEST_F(SoundSdl, AWindowClosedWhileItsSoundPlaysGetsNoNotice)
{
    RealAudio real(driver("dummy"));
    tree.write("Material/Sound/a.wav", testwav::monoTone(30));
    tree.write("Material/Sound/b.wav", testwav::monoTone(60));
    auto* gone = new ChainWindow;
    PlaySound(gone->player, "a.wav", false, false, true);
    delete gone;  // its player closes the channel; a notice on its way is dropped
    ChainWindow w;
    PlaySound(w.player, "b.wav", false, false, true);
    EXPECT_TRUE(w.run(5000));
}

// Runs of one kind in the recorded mix: exact silence, the pause file's level, or a tone.
struct MixRun {
    char kind;  // 'Z' silence, 'P' pause level, 'T' tone
    qint64 start, length;
    int peak;
};

std::vector<MixRun> runsOf(const QByteArray& pcm, qint16 pauseLevel)
{
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    const qint64 frames = pcm.size() / 4;
    std::vector<MixRun> runs;
    for (qint64 i = 0; i < frames; ++i) {
        const qint16 l = s[2 * i], r = s[2 * i + 1];
        const char kind = (l == 0 && r == 0) ? 'Z' : (l == pauseLevel && r == pauseLevel) ? 'P' : 'T';
        const int peak = std::max(std::abs(int(l)), std::abs(int(r)));
        if (!runs.empty() && runs.back().kind == kind) {
            runs.back().length++;
            runs.back().peak = std::max(runs.back().peak, peak);
        } else {
            runs.push_back({kind, i, 1, peak});
        }
    }
    // A tone passes zero and may hit the pause level for a frame or two: short runs join the tone.
    std::vector<MixRun> merged;
    for (MixRun r : runs) {
        if (r.kind != 'T' && r.length < 8)
            r.kind = 'T';
        if (!merged.empty() && merged.back().kind == r.kind) {
            merged.back().length += r.length;
            merged.back().peak = std::max(merged.back().peak, r.peak);
        } else {
            merged.push_back(r);
        }
    }
    return merged;
}

TEST_F(SoundSdl, ChainIsRecordedInOrderWithItsPausesAndTightJoints)
{
    const int rate = 44100;
    const qint16 pauseLevel = 16;  // a pause file of constant level shows where it lies in the mix
    tree.write("Material/Sound/t1.wav", testwav::pcm(rate, 1, 16, testwav::tone(rate, 150, 440, 6000)));
    tree.write("Material/Sound/t2.wav", testwav::pcm(rate, 1, 16, testwav::tone(rate, 150, 660, 12000)));
    tree.write("Material/Sound/t3.wav", testwav::pcm(rate, 1, 16, testwav::tone(rate, 150, 880, 18000)));
    tree.write("INTERN/Sound/Pausen/0200.wav", testwav::pcm(rate, 1, 16, testwav::level(rate, 200, pauseLevel)));
    SelectPause(200);
    const QString recording = tree.path("mix.raw");
    {
        RealAudio real(driver("disk", recording));
        ASSERT_TRUE(real.backend.isOpen());
        ASSERT_EQ(real.backend.driverName(), "disk");
        ChainWindow w;
        PlaySound(w.player, "t1.wav", false, true, false);
        PlaySound(w.player, "t2.wav", false, true, false);
        PlaySound(w.player, "t3.wav", false, true, true);
        ASSERT_TRUE(w.run(10000));
        QEventLoop tail;
        QTimer::singleShot(100, &tail, &QEventLoop::quit);
        tail.exec();
    }
    const QByteArray pcm = tree.read("mix.raw");
    ASSERT_GT(pcm.size(), rate * 4 / 2);
    std::vector<MixRun> heard;
    for (const MixRun& r : runsOf(pcm, pauseLevel))
        heard.push_back(r);
    // Leading and trailing silence aside, the mix is T Z P Z T Z P Z T (a joint may have no gap).
    while (!heard.empty() && heard.front().kind == 'Z')
        heard.erase(heard.begin());
    while (!heard.empty() && heard.back().kind == 'Z')
        heard.pop_back();
    std::string shape;
    for (const MixRun& r : heard)
        shape += r.kind;
    std::vector<MixRun> sounds;
    for (const MixRun& r : heard)
        if (r.kind != 'Z')
            sounds.push_back(r);
    ASSERT_EQ(sounds.size(), 5u) << shape;
    const char order[] = {'T', 'P', 'T', 'P', 'T'};
    const int peaks[] = {6000, 0, 12000, 0, 18000};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(sounds[i].kind, order[i]) << shape;
        const double ms = sounds[i].length * 1000.0 / rate;
        EXPECT_NEAR(ms, order[i] == 'T' ? 150 : 200, 2) << i;
        if (order[i] == 'T')
            EXPECT_NEAR(sounds[i].peak, peaks[i], 50) << i;
    }
    for (size_t i = 1; i < heard.size(); ++i) {
        if (heard[i].kind == 'Z') {
            const double ms = heard[i].length * 1000.0 / rate;
            EXPECT_LE(ms, 30.0) << "extra silence at the joint before sound " << i;
        }
    }
}

}
