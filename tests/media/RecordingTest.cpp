#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Overlay.h"
#include "media/sound/Capture.h"
#include "media/sound/RecordPanel.h"
#include "media/sound/SdlApi.h"
#include "media/sound/TestAudioBackend.h"
#include "media/sound/VoiceTake.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>

// Recording a word: trimming, normalising and saving a take, and the capture through SDL's disk
// audio driver, which reads its "microphone" from a file of raw samples.
namespace {

using Samples = std::vector<std::int16_t>;

// `silence` seconds of near-silence (a little noise), `tone` seconds of a 440 Hz tone at
// `amplitude` of full scale, `silence` seconds again.
Samples signal(double silence, double tone, double amplitude)
{
    Samples s;
    const int quiet = int(silence * voice::kRate), loud = int(tone * voice::kRate);
    for (int i = 0; i < quiet; ++i)
        s.push_back(std::int16_t((i % 7) * 30 - 90));
    for (int i = 0; i < loud; ++i)
        s.push_back(std::int16_t(std::lround(amplitude * 32767 * std::sin(2 * M_PI * 440 * i / voice::kRate))));
    for (int i = 0; i < quiet; ++i)
        s.push_back(std::int16_t((i % 7) * 30 - 90));
    return s;
}

int peakOf(const Samples& s)
{
    int peak = 0;
    for (const auto v : s)
        peak = std::max(peak, std::abs(int(v)));
    return peak;
}

QByteArray raw(const Samples& s)
{
    QByteArray b;
    for (const auto v : s) {
        const qint16 le = qToLittleEndian(qint16(v));
        b.append(reinterpret_cast<const char*>(&le), 2);
    }
    return b;
}

const int kNormalPeak = int(std::lround(voice::kPeak * 32767));
const int kLead = voice::kRate * voice::kLeadMs / 1000;
const int kTail = voice::kRate * voice::kTailMs / 1000;

// A room's quiet noise (about -66 dB of full scale) from a fixed generator.
void addRoomNoise(Samples& s, int count, unsigned& state)
{
    for (int i = 0; i < count; ++i) {
        state = state * 1103515245u + 12345u;
        s.push_back(std::int16_t(int((state >> 16) % 53) - 26));
    }
}

constexpr double kVowel = 0.35, kFricative = 0.15, kRoom = 0.4;

// A spoken word as a microphone gives it: room noise, a vowel peaking at `peak` of full scale, a
// fricative end (noise 20 dB below the vowel) of 150 ms, room noise again.
Samples wordWithSoftEnd(double peak)
{
    Samples s;
    unsigned state = 17;
    addRoomNoise(s, int(kRoom * voice::kRate), state);
    const int vowel = int(kVowel * voice::kRate);
    for (int i = 0; i < vowel; ++i) {
        const double t = double(i) / voice::kRate;
        s.push_back(std::int16_t(std::lround(peak * 32767 * std::sin(2 * M_PI * 220 * t))));
    }
    for (int i = 0; i < int(kFricative * voice::kRate); ++i) {
        state = state * 1103515245u + 12345u;
        const double u = double((state >> 8) % 20001) / 10000.0 - 1.0;  // -1 .. 1
        s.push_back(std::int16_t(std::lround(peak * 0.1 * 32767 * u)));
    }
    addRoomNoise(s, int(kRoom * voice::kRate), state);
    return s;
}

// The kept take holds the vowel, the whole fricative and the margins; the fricative keeps its level
// against the vowel.
void expectSoftEndKept(const Samples& out, double peak)
{
    const double word = (kVowel + kFricative) * voice::kRate;
    EXPECT_NEAR(double(out.size()), word + kLead + kTail, 3.0 * voice::kFrameSamples) << "peak " << peak;
    // The fricative sits between the vowel and the tail margin.
    const size_t from = size_t(kLead + kVowel * voice::kRate + 0.02 * voice::kRate);
    const size_t to = size_t(kLead + word - 0.02 * voice::kRate);
    ASSERT_LT(to, out.size());
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(out[i]) * out[i];
    const double rms = std::sqrt(sum / double(to - from));
    // Uniform noise at a tenth of the vowel's peak, after the take is brought to 90 %.
    const double expected = 0.1 * kNormalPeak / std::sqrt(3.0);
    EXPECT_NEAR(rms, expected, expected * 0.25) << "peak " << peak;
}

// The capture reads `input` through SDL's disk driver; skipped when the audio subsystem of this
// process already runs on another driver (ctest runs each test alone).
class DiskCapture : public ::testing::Test
{
protected:
    void useInput(const QString& file)
    {
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILEIN", QFile::encodeName(file));
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(tree.path(QStringLiteral("out.raw"))));
    }
    void TearDown() override
    {
        qunsetenv("SDL_DISKAUDIOFILEIN");
        qunsetenv("SDL_DISKAUDIOFILE");
        qputenv("SDL_AUDIODRIVER", "dummy");
    }
    bool onDisk() const
    {
        const char* driver = sdlapi::fn().SDL_GetCurrentAudioDriver ? sdlapi::fn().SDL_GetCurrentAudioDriver() : nullptr;
        return driver && QByteArray(driver) == "disk";
    }
    // Records until `seconds` of samples came in (or 10 s passed).
    void recordThrough(TFormAufnahme& panel, double seconds)
    {
        panel.B_aufnehmen->click();
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 10000 && panel.B_stopp->isEnabled() && panel.L_dauer->text().section(QLatin1Char(' '), 0, 0).toDouble() < seconds)
            QTest::qWait(30);
    }
    TempTree tree;
    dialogs::ScriptedDialogs dlg;
};

} // namespace

TEST(VoiceTake, TrimsTheSilenceKeepsMarginsAroundTheWordAndNormalisesThePeak)
{
    for (const double amplitude : {0.05, 0.3, 1.0}) {
        SCOPED_TRACE(amplitude);
        const Samples in = signal(0.5, 0.4, amplitude);
        const auto out = voice::Prepare(in);
        ASSERT_TRUE(out.has_value());
        const int tone = int(0.4 * voice::kRate);
        // 100 ms before the word and 150 ms after it, give or take a 10 ms frame at each end.
        EXPECT_NEAR(double(out->size()), double(tone + kLead + kTail), 2.0 * voice::kFrameSamples);
        EXPECT_NEAR(peakOf(*out), kNormalPeak, 2);
        // The fade starts from nothing and ends in nothing.
        EXPECT_EQ(out->front(), 0);
        EXPECT_EQ(out->back(), 0);
    }
    EXPECT_FALSE(voice::Prepare(signal(1.0, 0.0, 0.0)).has_value());
    EXPECT_FALSE(voice::Prepare(Samples(voice::kRate, 0)).has_value());
    EXPECT_FALSE(voice::Prepare({}).has_value());
}

// A soft end of a word (the /s/ of "Mais") is kept whether the speaker was loud or quiet: the take
// is cut relative to its own noise floor and peak, not at a fixed level.
TEST(VoiceTake, ASoftWordEndIsKeptAtEveryLevel)
{
    for (const double peak : {1.0, 0.2, 0.05}) {
        SCOPED_TRACE(peak);
        const auto out = voice::Prepare(wordWithSoftEnd(peak));
        ASSERT_TRUE(out.has_value());
        expectSoftEndKept(*out, peak);
    }
}

TEST(VoiceTake, WaveIsSixteenBitMonoAt22050)
{
    const QByteArray w = voice::WaveBytes({1, -2, 3});
    ASSERT_EQ(w.size(), 44 + 6);
    auto u16 = [&](int at) { return qFromLittleEndian<quint16>(w.constData() + at); };
    auto u32 = [&](int at) { return qFromLittleEndian<quint32>(w.constData() + at); };
    EXPECT_EQ(w.left(4), "RIFF");
    EXPECT_EQ(u32(4), 42u);
    EXPECT_EQ(w.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(u16(20), 1);       // PCM
    EXPECT_EQ(u16(22), 1);       // mono
    EXPECT_EQ(u32(24), 22050u);
    EXPECT_EQ(u16(34), 16);
    EXPECT_EQ(w.mid(36, 4), "data");
    EXPECT_EQ(u32(40), 6u);
    EXPECT_EQ(qint16(u16(46)), -2);
}

TEST(VoiceTake, ReplacesAFileOnlyAfterJaAndKeepsItOnAFullDisk)
{
    TempTree tree;
    dialogs::ScriptedDialogs dlg;
    const QString path = tree.write(QStringLiteral("Hund.wav"), "alt");
    const Samples take = *voice::Prepare(signal(0.1, 0.2, 0.5));
    dlg.answer(dialogs::Button::No);
    EXPECT_EQ(voice::SaveTake(nullptr, path, take), voice::Saved::Declined);
    EXPECT_EQ(tree.read(QStringLiteral("Hund.wav")), "alt");
    {
        fsys::testing::InjectFaults full({0, {}});
        dlg.answer(dialogs::Button::Yes);
        EXPECT_EQ(voice::SaveTake(nullptr, path, take), voice::Saved::Failed);
    }
    EXPECT_EQ(tree.read(QStringLiteral("Hund.wav")), "alt");
    EXPECT_TRUE(dlg.texts().last().contains(QStringLiteral("kein Platz mehr frei"))) << dlg.texts().join("|").toStdString();
    dlg.answer(dialogs::Button::Yes);
    EXPECT_EQ(voice::SaveTake(nullptr, path, take), voice::Saved::Written);
    EXPECT_EQ(tree.read(QStringLiteral("Hund.wav")), voice::WaveBytes(take));
    // A new file is written without a question.
    const int asked = dlg.asked().size();
    EXPECT_EQ(voice::SaveTake(nullptr, tree.path(QStringLiteral("Katze.wav")), take), voice::Saved::Written);
    EXPECT_EQ(dlg.asked().size(), asked);
}

// A recording into the sound folder of a write-protected installation is kept in the writable
// overlay; re-recording a shipped word asks first and leaves the shipped file.
TEST(VoiceTake, IntoAWriteProtectedInstallationGoesIntoTheOverlay)
{
    TempTree tree;
    dialogs::ScriptedDialogs dlg;
    tree.write(QStringLiteral("inst/Material/Sound/Hund.wav"), "shipped");
    overlay::set({{tree.path(QStringLiteral("inst/Material/")), tree.path(QStringLiteral("common/Material/"))}});
    const Samples take = *voice::Prepare(signal(0.1, 0.2, 0.5));
    const QString sound = tree.path(QStringLiteral("inst/Material/Sound/"));
    EXPECT_EQ(voice::SaveTake(nullptr, sound + QStringLiteral("Tisch.wav"), take), voice::Saved::Written);
    EXPECT_TRUE(dlg.asked().isEmpty());
    dlg.answer(dialogs::Button::Yes);
    EXPECT_EQ(voice::SaveTake(nullptr, sound + QStringLiteral("Hund.wav"), take), voice::Saved::Written);
    EXPECT_EQ(dlg.asked().size(), 1);
    EXPECT_EQ(tree.read(QStringLiteral("common/Material/Sound/Tisch.wav")), voice::WaveBytes(take));
    EXPECT_EQ(tree.read(QStringLiteral("common/Material/Sound/Hund.wav")), voice::WaveBytes(take));
    EXPECT_EQ(tree.read(QStringLiteral("inst/Material/Sound/Hund.wav")), "shipped");
    EXPECT_FALSE(QFile::exists(tree.path(QStringLiteral("inst/Material/Sound/Tisch.wav"))));  // not below the overlay
    overlay::clear();
}

TEST_F(DiskCapture, AWordFromTheMicrophoneIsKeptTrimmedAndNormalised)
{
    useInput(tree.write(QStringLiteral("mikrofon.raw"), raw(signal(0.4, 0.5, 0.25))));
    TFormAufnahme panel(QStringLiteral("Hund"));
    recordThrough(panel, 1.4);
    if (!onDisk())
        GTEST_SKIP() << "the audio subsystem already runs on another driver";
    panel.B_stopp->click();
    ASSERT_TRUE(panel.B_uebernehmen->isEnabled());
    EXPECT_EQ(panel.B_aufnehmen->text(), QStringLiteral("Neu aufnehmen"));
    panel.B_uebernehmen->click();
    ASSERT_TRUE(panel.take().has_value());
    EXPECT_EQ(panel.result(), QDialog::Accepted);
    const Samples& take = *panel.take();
    EXPECT_NEAR(double(take.size()), 0.5 * voice::kRate + kLead + kTail, 2.0 * voice::kFrameSamples);
    EXPECT_NEAR(peakOf(take), kNormalPeak, 2);
    EXPECT_TRUE(dlg.asked().isEmpty());
}

TEST_F(DiskCapture, OnlySilenceIsNotKeptAndTheUserIsTold)
{
    useInput(tree.write(QStringLiteral("stille.raw"), raw(signal(0.5, 0.0, 0.0))));
    TFormAufnahme panel(QStringLiteral("Hund"));
    panel.show();
    recordThrough(panel, 0.6);
    if (!onDisk())
        GTEST_SKIP() << "the audio subsystem already runs on another driver";
    panel.B_stopp->click();
    panel.B_uebernehmen->click();
    EXPECT_FALSE(panel.take().has_value());
    EXPECT_TRUE(panel.isVisible());
    ASSERT_EQ(dlg.texts().size(), 1);
    EXPECT_TRUE(dlg.texts().first().startsWith(QStringLiteral("Die Aufnahme enthält nur Stille")));
}

TEST_F(DiskCapture, NoMicrophoneIsToldAndNothingIsRecorded)
{
    useInput(tree.path(QStringLiteral("gibt-es-nicht/mikrofon.raw")));
    TFormAufnahme panel(QStringLiteral("Hund"));
    panel.B_aufnehmen->click();
    EXPECT_FALSE(panel.B_stopp->isEnabled());
    EXPECT_FALSE(panel.B_uebernehmen->isEnabled());
    ASSERT_EQ(dlg.texts().size(), 1);
    EXPECT_TRUE(dlg.texts().first().startsWith(QStringLiteral("Es konnte kein Mikrofon geöffnet werden.")));
}

// Three speakers, loud, quiet and very quiet, say a word with a soft end into the microphone: the
// end is kept in every take.
TEST_F(DiskCapture, ASoftWordEndFromTheMicrophoneIsKeptLoudOrQuiet)
{
    for (const double peak : {1.0, 0.2, 0.05}) {
        SCOPED_TRACE(peak);
        useInput(tree.write(QStringLiteral("wort-%1.raw").arg(int(peak * 100)), raw(wordWithSoftEnd(peak))));
        TFormAufnahme panel(QStringLiteral("Mais"));
        recordThrough(panel, 2 * kRoom + kVowel + kFricative + 0.1);
        if (!onDisk())
            GTEST_SKIP() << "the audio subsystem already runs on another driver";
        panel.B_stopp->click();
        panel.B_uebernehmen->click();
        ASSERT_TRUE(panel.take().has_value());
        expectSoftEndKept(*panel.take(), peak);
    }
}

// "Anhören" plays the take from a file of the system's temporary folder, also where the
// installation has no TEMP folder; a take that cannot be written there is told.
TEST_F(DiskCapture, ListeningPlaysWithoutATempFolderAndAFailureIsTold)
{
    TestAudioBackend audio;
    g().config.dirs.temp = tree.path(QStringLiteral("TEMP-gibt-es-nicht/"));
    useInput(tree.write(QStringLiteral("mikrofon.raw"), raw(signal(0.3, 0.4, 0.3))));
    TFormAufnahme panel(QStringLiteral("Hund"));
    recordThrough(panel, 1.0);
    if (!onDisk())
        GTEST_SKIP() << "the audio subsystem already runs on another driver";
    panel.B_stopp->click();
    ASSERT_TRUE(panel.B_anhoeren->isEnabled());
    auto played = [&] { return audio.log().filter(QRegularExpression(QStringLiteral("^oneshot "))); };
    panel.B_anhoeren->click();
    ASSERT_EQ(played().size(), 1) << audio.log().join("|").toStdString();
    const QString file = played().first().mid(8);
    QFile wave(file);
    ASSERT_TRUE(wave.open(QIODevice::ReadOnly)) << file.toStdString();
    EXPECT_TRUE(wave.readAll().startsWith("RIFF"));
    EXPECT_TRUE(dlg.asked().isEmpty());

    {
        fsys::testing::InjectFaults full({0, {}});  // the disk is full
        panel.B_anhoeren->click();
    }
    EXPECT_EQ(played().size(), 1);
    ASSERT_EQ(dlg.texts().size(), 1);
    EXPECT_TRUE(dlg.texts().first().startsWith(QStringLiteral("Die Aufnahme kann nicht abgespielt werden.")));
}

// The adult is asked formally, for "den Text" when the card's text has several words; the time
// beside the meter has room for the longest take.
TEST(RecordPanel, AsksFormallyForTheWordOrTheTextAndShowsTheWholeTime)
{
    struct Case { QString word, request; };
    for (const Case& c : {Case{"Hund", "Sprechen Sie das Wort \u201EHund\u201C deutlich ins Mikrofon."},
                          Case{" Der Hund  bellt ", "Sprechen Sie den Text \u201EDer Hund bellt\u201C deutlich ins Mikrofon."},
                          Case{"", "Sprechen Sie deutlich ins Mikrofon."}}) {
        TFormAufnahme panel(c.word);
        QStringList texts;
        for (QLabel* l : panel.findChildren<QLabel*>())
            texts << l->text();
        EXPECT_TRUE(texts.contains(c.request)) << texts.join("|").toStdString();
    }
    // The room is there from the start ("0.0 s"), so the panel never has to grow while recording.
    TFormAufnahme panel(QStringLiteral("Hund"));
    panel.show();
    QApplication::processEvents();
    EXPECT_EQ(panel.L_dauer->text(), QStringLiteral("0.0 s"));
    EXPECT_GE(panel.L_dauer->contentsRect().width(), panel.L_dauer->fontMetrics().horizontalAdvance(QStringLiteral("60.0 s")));
    panel.L_dauer->setText(QStringLiteral("60.0 s"));  // where a recording stops by itself
    QApplication::processEvents();
    EXPECT_GE(panel.L_dauer->contentsRect().width(), panel.L_dauer->fontMetrics().horizontalAdvance(QStringLiteral("60.0 s")));
}

// For a person to look at: the panel while a loud word comes in. Run under Xvfb with
// KALIMO_SHOTS_DIR set (scripts/screenshots); skipped otherwise.
TEST_F(DiskCapture, ScreenshotOfThePanelWhileRecording)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
    useInput(tree.write(QStringLiteral("laut.raw"), raw(signal(0.1, 3.0, 0.8))));
    TFormAufnahme panel(QStringLiteral("Hund"));
    panel.show();
    recordThrough(panel, 0.6);
    QTest::qWait(100);
    panel.grab().save(dir + QStringLiteral("/aufnahme-panel.png"));
    panel.B_stopp->click();
}
