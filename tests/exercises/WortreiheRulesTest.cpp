#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/Wortreihe/WortreiheRules.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/SdlAudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"
#include "../media/SoundTestWav.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QImage>
#include <gtest/gtest.h>
#include <numeric>
#include <set>

using namespace wortreihe;

namespace {

TEinzelbild element(const QString& text, const QString& sounds, const QString& picture = QString())
{
    TEinzelbild e;
    e.text = text;
    e.sounds = sounds;
    e.picture = picture;
    return e;
}

// A task of the given words; each word sounds as its lower-case name, pictures "<word>.bmp".
TAufgabe task(const QStringList& words)
{
    TAufgabe t;
    t.elements.push_back(TEinzelbild{});
    for (const QString& w : words)
        t.elements.push_back(element(w, w.toLower() + QStringLiteral(".wav"), w.toLower() + QStringLiteral(".bmp")));
    t.successSounds = {QStringLiteral("lob.wav")};
    return t;
}

const QStringList kWords = {QStringLiteral("Hund"), QStringLiteral("Mund"), QStringLiteral("Rund"),
                            QStringLiteral("Bund"), QStringLiteral("Fund"), QStringLiteral("Kind")};

class WortreiheRulesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetSoundState();
        resetRun();
        rnd::seed(11);
        auto& d = g().config.dirs;
        d.materialSound = tree.mkdir("Material/Sound/");
        d.materialBilder = tree.mkdir("Material/Bilder/");
        d.lobSound = tree.mkdir("INTERN/Lob/");
        d.fehlersound = tree.mkdir("INTERN/Fehler/");
        d.internsound = tree.mkdir("INTERN/Sound/");
        QImage picture(8, 6, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        for (const QString& w : kWords + QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}) {
            tree.write(QStringLiteral("Material/Sound/") + w.toLower() + QStringLiteral(".wav"), testwav::monoTone());
            picture.save(d.materialBilder + w.toLower() + QStringLiteral(".bmp"));
        }
        tree.write("INTERN/Sound/lob.wav", testwav::monoTone());
        tree.write("INTERN/Fehler/Zufall/falsch.wav", testwav::monoTone());
        tree.write("INTERN/Sound/Pausen/0750.wav", testwav::monoTone(10, 0, 0));
        SelectPause(3);
        auto& o = g().playerOptions.wortreihe;
        o = TOpt_Wortreihe{};
        o.pictureCount = 4;
        o.feedback.successFrequency = 0;
        onSoundEnded(&owner, [this](int channel, SoundStatus status) {
            if (rules)
                rules->soundNotice(channel, status);
        });
    }

    void load(int code, const std::vector<TAufgabe>& tasks)
    {
        g().programCode = code;
        g().loadedList.tasks = tasks;
        rules = std::make_unique<WortreiheRules>(player, code);
        rules->startList(QStringLiteral("test.txt"));
    }
    // Lets every sound end, oldest first; the file names in the order they started.
    QStringList playOut()
    {
        for (int i = 0; i < 100 && !audio.endNext().isEmpty(); ++i)
            QCoreApplication::sendPostedEvents();
        QStringList names;
        for (const QString& f : audio.started())
            names << fsys::fileName(f);
        audio.clearLog();
        return names;
    }
    int wrongCard() const { return rules->solutionCard() == 0 ? 1 : 0; }
    void solve()
    {
        rules->listen();
        playOut();
        rules->clickMarker(rules->solutionCard());
        ASSERT_EQ(rules->check(), WortreiheRules::Outcome::Right);
        playOut();
    }
    const TZeile& row() const { return run().runResults[size_t(rules->block())].Rows[size_t(rules->row())]; }
    void TearDown() override { clock_::setFixedNow(QDateTime()); }

    TempTree tree;
    TestAudioBackend audio;
    QObject owner;
    TWAV player{&owner};
    std::unique_ptr<WortreiheRules> rules;
};

} // namespace

// Doppelgänger: K + 1 words are heard, one of them twice and never side by side; with K = 3 the
// doubled word is the first or the second heard word.
TEST_F(WortreiheRulesTest, TheDoubledWordIsNeverHeardTwiceInARow)
{
    for (int code : {201, 202}) {
        for (int k = 3; k <= 6; ++k) {
            g().playerOptions.wortreihe.pictureCount = k;
            g().playerOptions.wortreihe.randomOrder = k % 2 == 0;
            load(code, {task(kWords)});
            for (int draw = 0; draw < 200; ++draw) {
                ASSERT_TRUE(rules->setUp());
                const std::vector<int>& heard = rules->heardOrder();
                ASSERT_EQ(int(heard.size()), k + 1);
                std::vector<int> at;
                for (int i = 0; i <= k; ++i)
                    if (heard[size_t(i)] == rules->doubledWord())
                        at.push_back(i);
                ASSERT_EQ(at.size(), 2u) << code << " K=" << k;
                EXPECT_GE(at[1] - at[0], 2) << code << " K=" << k;
                if (k == 3)
                    EXPECT_LE(at[0], 1);
                // Every shown word is heard; the doubled word is on a card.
                for (const Card& c : rules->cards())
                    EXPECT_NE(std::find(heard.begin(), heard.end(), c.element), heard.end());
                EXPECT_EQ(rules->cards()[size_t(rules->solutionCard())].element, rules->doubledWord());
            }
        }
    }
}

// "Einer passt nicht" without random order shows elements 1..K in some arrangement; the card with
// element 1 is the answer, any other is wrong.
TEST_F(WortreiheRulesTest, EinerPasstNichtAnswersWithElementOne)
{
    for (int code : {203, 204}) {
        for (int k : {3, 5}) {
            g().playerOptions.wortreihe.pictureCount = k;
            load(code, {task(kWords)});
            std::vector<int> shown;
            for (const Card& c : rules->cards())
                shown.push_back(c.element);
            std::sort(shown.begin(), shown.end());
            std::vector<int> expected(static_cast<size_t>(k), 0);
            std::iota(expected.begin(), expected.end(), 1);
            EXPECT_EQ(shown, expected);
            EXPECT_EQ(rules->heardOrder().size(), size_t(k));
            EXPECT_EQ(rules->cards()[size_t(rules->solutionCard())].element, 1);
            rules->listen();
            playOut();
            rules->clickMarker(wrongCard());
            EXPECT_EQ(rules->check(), WortreiheRules::Outcome::Wrong);
            playOut();
            rules->clickMarker(rules->solutionCard());
            EXPECT_EQ(rules->check(), WortreiheRules::Outcome::Right);
        }
    }
}

// With random order the odd one stays in and the others come from all usable elements.
TEST_F(WortreiheRulesTest, RandomSelectionKeepsTheOddOne)
{
    g().playerOptions.wortreihe.randomOrder = true;
    g().playerOptions.wortreihe.pictureCount = 3;
    load(204, {task(kWords)});
    std::set<int> seen;
    for (int draw = 0; draw < 100; ++draw) {
        rules->setUp();
        ASSERT_EQ(rules->selection().front(), 1);
        for (int e : rules->selection())
            seen.insert(e);
    }
    EXPECT_EQ(seen.size(), 6u);
}

// A task whose element 3 has no picture keeps only two words: the message, no listening.
TEST_F(WortreiheRulesTest, AMissingThirdPictureLeavesTooFewData)
{
    QFile::remove(g().config.dirs.materialBilder + QStringLiteral("rund.bmp"));
    for (int code : {201, 203}) {
        for (int k : {3, 6}) {
            g().playerOptions.wortreihe.pictureCount = k;
            load(code, {task(kWords)});
            EXPECT_EQ(rules->message, kTooFewData);
            EXPECT_FALSE(rules->hoerenEnabled());
            EXPECT_TRUE(rules->cards().empty());
            rules->listen();
            EXPECT_TRUE(audio.started().isEmpty());
        }
    }
    // The text programs need texts only.
    g().playerOptions.wortreihe.pictureCount = 4;
    load(202, {task(kWords)});
    EXPECT_TRUE(rules->message.isEmpty());
    EXPECT_EQ(rules->k(), 4);
    // An empty text counts the same way there.
    TAufgabe t = task(kWords);
    t.elements[2].text.clear();
    load(204, {t});
    EXPECT_EQ(rules->message, kTooFewData);
}

// A wrong check then a right one: two attempts, the wrong-answer symbol, and "Weiter " sets the same
// task up again with a new row.
TEST_F(WortreiheRulesTest, WrongThenRightGivesTwoAttemptsAndTheSameTaskAgain)
{
    load(201, {task(kWords), task(kWords)});
    rules->listen();
    playOut();
    EXPECT_EQ(rules->taskState(), TaskState::Heard);
    rules->clickMarker(wrongCard());
    EXPECT_TRUE(rules->checkVisible);
    EXPECT_EQ(rules->check(), WortreiheRules::Outcome::Wrong);
    EXPECT_EQ(rules->taskState(), TaskState::Retry);
    EXPECT_EQ(rules->markedCard(), -1);
    EXPECT_FALSE(rules->checkEnabled);
    playOut();
    rules->clickMarker(rules->solutionCard());
    EXPECT_EQ(rules->check(), WortreiheRules::Outcome::Right);
    EXPECT_EQ(row().Attempts, 2);
    EXPECT_TRUE(row().Solved);
    EXPECT_EQ(row().Duration.size(), 9);
    EXPECT_EQ(WortreiheRules::StripSymbols(), std::vector<int>{kWrongSymbol});
    EXPECT_EQ(rules->weiter(), WortreiheRules::Next::Same);
    EXPECT_EQ(rules->currentTask(), 0);
    EXPECT_EQ(rules->taskState(), TaskState::New);
    EXPECT_EQ(run().runResults[0].Rows.size(), 2u);
    solve();
    EXPECT_EQ(WortreiheRules::StripSymbols(), (std::vector<int>{kWrongSymbol, 1}));
    EXPECT_EQ(rules->weiter(), WortreiheRules::Next::Advanced);
    EXPECT_EQ(rules->currentTask(), 1);
}

// The protocol row: the heard words (the doubled one twice) or the shown words, joined by " - ".
TEST_F(WortreiheRulesTest, TheRowNamesTheWords)
{
    g().playerOptions.wortreihe.pictureCount = 3;
    load(202, {task({QStringLiteral("der 2Hund"), QStringLiteral("Mund"), QStringLiteral("Rund")})});
    QStringList heard;
    for (int e : rules->heardOrder())
        heard << QStringList{QString(), QStringLiteral("der Hund"), QStringLiteral("Mund"), QStringLiteral("Rund")}[e];
    EXPECT_EQ(row().Answers, heard.join(QStringLiteral(" - ")));
    EXPECT_EQ(row().Attempts, 0);
    // An unanswered row is reused by the next task.
    rules->goTo(0);
    EXPECT_EQ(run().runResults[0].Rows.size(), 1u);
}

// A word of three sound files gets the pause file between each pair; "Einer passt nicht" has the
// pause between two words, "Doppelgänger" puts it in front of every word but the first (twice in
// front of a word of several sounds).
TEST_F(WortreiheRulesTest, PausesSeparateSoundsAndWords)
{
    g().playerOptions.wortreihe.pictureCount = 3;
    TAufgabe t = task({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    t.elements[1].sounds = QStringLiteral("a.wav;b.wav;c.wav");
    const QString P = QStringLiteral("0750.wav");
    for (int code : {203, 201}) {
        load(code, {t});
        auto sounds = [&](int e) {
            return e == 1 ? QStringList{QStringLiteral("a.wav"), P, QStringLiteral("b.wav"), P, QStringLiteral("c.wav")}
                          : QStringList{QStringList{QString(), QString(), QStringLiteral("b.wav"), QStringLiteral("c.wav")}[e]};
        };
        QStringList expected;
        const std::vector<int>& heard = rules->heardOrder();
        for (size_t i = 0; i < heard.size(); ++i) {
            if (i > 0)
                expected << (code == 203 ? QStringList{P} : heard[i] == 1 ? QStringList{P, P} : QStringList{P});
            expected << sounds(heard[i]);
        }
        rules->listen();
        EXPECT_EQ(rules->hoerenCaption(), QStringLiteral("Pause "));
        EXPECT_EQ(playOut(), expected) << code;
        EXPECT_EQ(rules->taskState(), TaskState::Heard);
        EXPECT_EQ(rules->soundState(), SoundState::Idle);
        EXPECT_EQ(rules->hoerenCaption(), QStringLiteral("Hören "));
    }
}

// One task's sounds: the series, the error sound and the series again after a wrong answer, the
// task's success sound after the right one.
TEST_F(WortreiheRulesTest, SoundsOfOneTaskRightAndWrong)
{
    g().playerOptions.wortreihe.pictureCount = 3;
    load(204, {task(kWords)});
    QStringList series;
    for (size_t i = 0; i < rules->heardOrder().size(); ++i) {
        if (i > 0)
            series << QStringLiteral("0750.wav");
        series << kWords[rules->heardOrder()[i] - 1].toLower() + QStringLiteral(".wav");
    }
    rules->listen();
    EXPECT_EQ(playOut(), series);
    rules->clickMarker(wrongCard());
    rules->check();
    // One error sound that starts at once: no new series.
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("falsch.wav")});
    // Without an error sound the series is heard again at once.
    errorSounds().clear();
    rules->clickMarker(wrongCard());
    rules->check();
    EXPECT_EQ(playOut(), series);
    rules->clickMarker(rules->solutionCard());
    EXPECT_EQ(rules->check(), WortreiheRules::Outcome::Right);
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("lob.wav")});
    EXPECT_EQ(rules->hoerenCaption(), QStringLiteral("Weiter "));
    EXPECT_FALSE(rules->checkVisible);
}

// "Pause " stops the series; the next "Hören " starts from the first word.
TEST_F(WortreiheRulesTest, PauseStopsAndTheSeriesStartsAgain)
{
    g().playerOptions.wortreihe.pictureCount = 3;
    load(202, {task(kWords)});
    const QString first = kWords[rules->heardOrder()[0] - 1].toLower() + QStringLiteral(".wav");
    rules->listen();
    audio.endNext();
    QCoreApplication::sendPostedEvents();
    rules->listen();
    EXPECT_EQ(rules->soundState(), SoundState::Idle);
    EXPECT_EQ(rules->taskState(), TaskState::New);
    EXPECT_TRUE(audio.playingChannels().isEmpty());
    audio.clearLog();
    rules->listen();
    EXPECT_EQ(playOut().value(0), first);
    EXPECT_EQ(rules->taskState(), TaskState::Heard);
}

// Card visibility of "Einer passt nicht" by its options: before, while and after hearing.
TEST_F(WortreiheRulesTest, CardsShowByTheVisibilityOptions)
{
    struct Case { int before, during, after; bool atStart, firstWhilePlaying, secondWhilePlaying, atEnd; };
    const Case cases[] = {
        {0, 0, 0, false, false, false, false},
        {1, 0, 0, true, false, true, false},
        {0, 1, 0, false, true, false, true},
        {0, 2, 0, false, true, false, false},
        {0, 0, 1, false, false, false, true},
    };
    g().playerOptions.wortreihe.pictureCount = 3;
    for (const Case& c : cases) {
        auto& o = g().playerOptions.wortreihe;
        o.visibleBeforeHearing = c.before;
        o.visibleWhileHearing = c.during;
        o.visibleAfterHearing = c.after;
        load(203, {task(kWords)});
        EXPECT_EQ(rules->cards()[1].visible, c.atStart);
        rules->listen();
        EXPECT_TRUE(rules->cards()[0].hearing);
        EXPECT_EQ(rules->cards()[0].visible, c.firstWhilePlaying) << c.before << c.during << c.after;
        EXPECT_EQ(rules->cards()[1].visible, c.secondWhilePlaying) << c.before << c.during << c.after;
        playOut();
        EXPECT_EQ(rules->cards()[0].visible, c.atEnd) << c.before << c.during << c.after;
        EXPECT_FALSE(rules->cards()[0].hearing);
        rules->clickMarker(rules->solutionCard());
        rules->check();
        for (const Card& card : rules->cards())
            EXPECT_TRUE(card.visible);
    }
}

// Doppelgänger: blank before the series, visible after it; a click on a card plays its word.
TEST_F(WortreiheRulesTest, DoppelgaengerCardsAppearAfterTheSeries)
{
    load(201, {task(kWords)});
    for (const Card& c : rules->cards())
        EXPECT_FALSE(c.visible);
    rules->clickCard(0);
    EXPECT_TRUE(audio.started().isEmpty());
    rules->listen();
    playOut();
    for (const Card& c : rules->cards())
        EXPECT_TRUE(c.visible);
    rules->clickCard(2);
    EXPECT_EQ(playOut(), QStringList{kWords[rules->cards()[2].element - 1].toLower() + QStringLiteral(".wav")});
    EXPECT_EQ(rules->soundState(), SoundState::Idle);
}

// The end of the list: Doppelgänger starts again at task 1 while the block has at most 10 rows, then
// asks; Einer passt nicht asks at once.
TEST_F(WortreiheRulesTest, EndOfListByProgram)
{
    load(202, {task(kWords), task(kWords), task(kWords)});
    std::vector<WortreiheRules::Next> nexts;
    for (int i = 0; i < 12; ++i) {
        solve();
        nexts.push_back(rules->weiter());
        if (nexts.back() == WortreiheRules::Next::AskEnd)
            break;
    }
    using N = WortreiheRules::Next;
    const std::vector<N> expected = {N::Advanced, N::Advanced, N::Advanced, N::Advanced, N::Advanced, N::Advanced,
                                     N::Advanced, N::Advanced, N::Advanced, N::Advanced, N::Advanced, N::AskEnd};
    EXPECT_EQ(nexts, expected);
    EXPECT_EQ(run().runResults[0].Rows.size(), 12u);
    rules->endAnswered(false);
    EXPECT_EQ(rules->currentTask(), 0);
    EXPECT_EQ(rules->taskState(), TaskState::New);

    load(204, {task(kWords), task(kWords)});
    solve();
    EXPECT_EQ(rules->weiter(), N::Advanced);
    solve();
    EXPECT_EQ(rules->weiter(), N::AskEnd);
}

// Arrow keys mark with the keyboard face and beep at either end; Space plays the focused word.
TEST_F(WortreiheRulesTest, ArrowKeysMarkWithTheKeyboardFace)
{
    load(203, {task(kWords)});
    EXPECT_FALSE(rules->arrowKey(1));  // not heard yet
    rules->listen();
    playOut();
    EXPECT_TRUE(rules->arrowKey(1));
    EXPECT_EQ(rules->keyboardFocus(), 0);
    EXPECT_EQ(rules->cards()[0].face, 3);
    EXPECT_FALSE(rules->arrowKey(-1));
    EXPECT_TRUE(rules->arrowKey(1));
    EXPECT_EQ(rules->cards()[0].face, 1);
    EXPECT_EQ(rules->cards()[1].face, 3);
    EXPECT_TRUE(rules->spaceKey());
    EXPECT_EQ(playOut(), QStringList{kWords[rules->cards()[1].element - 1].toLower() + QStringLiteral(".wav")});
    // A mouse click toggles a card and unmarks the others.
    rules->clickMarker(2);
    EXPECT_EQ(rules->markedCard(), 2);
    rules->clickMarker(2);
    EXPECT_EQ(rules->markedCard(), -1);
}

// Doppelgänger-Text offers the replay after solving; the sequence plays with the cards visible.
TEST_F(WortreiheRulesTest, DoppelgaengerTextReplaysTheSeries)
{
    g().playerOptions.wortreihe.pictureCount = 3;
    load(202, {task(kWords)});
    solve();
    EXPECT_TRUE(rules->checkIsReplay());
    EXPECT_TRUE(rules->checkVisible);
    rules->replay();
    EXPECT_EQ(rules->soundState(), SoundState::Replaying);
    for (const Card& c : rules->cards())
        EXPECT_TRUE(c.visible);
    EXPECT_EQ(playOut().size(), 4 + 3);
    EXPECT_EQ(rules->taskState(), TaskState::Solved);
    load(201, {task(kWords)});
    solve();
    EXPECT_FALSE(rules->checkVisible);
}

// Sounds that cannot be played do not hold the task up.
TEST_F(WortreiheRulesTest, MissingOrFailingSoundsStillEndTheSeries)
{
    load(203, {task(kWords)});
    for (const QString& w : kWords)
        QFile::remove(g().config.dirs.materialSound + w.toLower() + QStringLiteral(".wav"));
    QFile::remove(g().config.dirs.internsound + QStringLiteral("Pausen/0750.wav"));
    rules->listen();
    EXPECT_EQ(rules->taskState(), TaskState::Heard);
    EXPECT_EQ(rules->soundState(), SoundState::Idle);

    tree.write("Material/Sound/hund.wav", testwav::monoTone());
    audio.failOpen(QStringLiteral("mund"));
    load(201, {task(kWords)});
    rules->listen();
    for (int round = 0; round < 10; ++round) {
        playOut();
        QCoreApplication::sendPostedEvents();
    }
    EXPECT_EQ(rules->soundState(), SoundState::Idle);
    EXPECT_EQ(rules->taskState(), TaskState::Heard);
}

// "Zeit" 0 names "Pausen\0000.wav", a wave file without samples. It takes no time and the series
// goes on behind it: every word is heard, in order, on the test backend and on SDL's disk driver.
TEST_F(WortreiheRulesTest, AnEmptyPauseFileNeverCutsTheSeries)
{
    const int rate = 22050;
    tree.write("INTERN/Sound/Pausen/0000.wav", testwav::pcm(rate, 1, 16, {}));
    SelectPause(0);
    g().playerOptions.wortreihe.pictureCount = 6;
    // Each word: a tone of its own loudness between short silences, so the mix shows every word.
    auto amplitude = [](int element) { return 2500 * element; };
    for (int e = 1; e <= 6; ++e) {
        std::vector<qint16> s = testwav::level(rate, 15, 0);
        const std::vector<qint16> t = testwav::tone(rate, 60, 500, amplitude(e));
        s.insert(s.end(), t.begin(), t.end());
        s.resize(s.size() + size_t(rate) * 15 / 1000, 0);
        tree.write(QStringLiteral("Material/Sound/") + kWords[e - 1].toLower() + QStringLiteral(".wav"),
                   testwav::pcm(rate, 1, 16, s));
    }
    for (int code : {201, 202, 203, 204}) {
        SCOPED_TRACE(code);
        load(code, {task(kWords)});
        QStringList words;
        std::vector<int> peaks;
        for (int e : rules->heardOrder()) {
            words << kWords[e - 1].toLower() + QStringLiteral(".wav");
            peaks.push_back(amplitude(e));
        }
        ASSERT_GE(words.size(), 6);

        rules->listen();
        QStringList heard = playOut();
        heard.removeAll(QStringLiteral("0000.wav"));
        EXPECT_EQ(heard, words);
        EXPECT_EQ(rules->taskState(), TaskState::Heard);
        EXPECT_EQ(rules->soundState(), SoundState::Idle);

        load(code, {task(kWords)});
        peaks.clear();
        for (int e : rules->heardOrder())
            peaks.push_back(amplitude(e));
        const QString recording = tree.path(QStringLiteral("mix%1.raw").arg(code));
        {
            SdlAudioBackend::Options o;
            o.driver = QStringLiteral("disk");
            o.diskFile = recording;
            o.frequency = rate;
            SdlAudioBackend real(o);
            ASSERT_TRUE(real.isOpen());
            AudioBackend* previous = audio::install(&real);
            rules->listen();
            QEventLoop loop;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
                if (rules->soundState() == SoundState::Idle)
                    loop.quit();
            });
            poll.start(5);
            QTimer::singleShot(10000, &loop, &QEventLoop::quit);
            loop.exec();
            EXPECT_EQ(rules->soundState(), SoundState::Idle);
            EXPECT_EQ(rules->taskState(), TaskState::Heard);
            QEventLoop tail;
            QTimer::singleShot(100, &tail, &QEventLoop::quit);
            tail.exec();
            audio::install(previous);
        }
        // The loud stretches of the recorded mix, each with its peak.
        const QByteArray pcm = tree.read(QStringLiteral("mix%1.raw").arg(code));
        const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
        std::vector<int> sounded;
        int quiet = 1000, peak = 0;
        for (qint64 i = 0; i < pcm.size() / 4; ++i) {
            const int v = std::abs(int(s[2 * i]));
            if (v > 300) {
                if (quiet > rate / 200 && peak > 0) {
                    sounded.push_back(peak);
                    peak = 0;
                }
                quiet = 0;
                peak = std::max(peak, v);
            } else {
                ++quiet;
            }
        }
        if (peak > 0)
            sounded.push_back(peak);
        ASSERT_EQ(sounded.size(), peaks.size());
        for (size_t i = 0; i < peaks.size(); ++i)
            EXPECT_NEAR(sounded[i], peaks[i], 150) << "word " << i;
    }
}

// The duration runs from the first word heard to the right answer, in minutes, seconds and
// hundredths padded to three digits.
TEST_F(WortreiheRulesTest, TheDurationCountsHundredths)
{
    const QDateTime start(QDate(2026, 12, 11), QTime(9, 0));
    for (int code : {201, 204}) {
        clock_::setFixedNow(start);
        load(code, {task(kWords)});
        rules->listen();
        playOut();
        clock_::setFixedNow(start.addMSecs(67450));
        rules->clickMarker(rules->solutionCard());
        ASSERT_EQ(rules->check(), WortreiheRules::Outcome::Right);
        EXPECT_EQ(row().Duration, QStringLiteral("01:07:045")) << code;
    }
}

// Only a marked card can be checked: unmarking takes "Prüfen " away again, also after a wrong answer.
TEST_F(WortreiheRulesTest, UnmarkingTakesTheCheckAway)
{
    load(203, {task(kWords)});
    rules->listen();
    playOut();
    for (int round = 0; round < 2; ++round) {
        rules->clickMarker(wrongCard());
        EXPECT_TRUE(rules->checkVisible);
        EXPECT_TRUE(rules->checkEnabled);
        rules->clickMarker(wrongCard());
        EXPECT_EQ(rules->markedCard(), -1);
        EXPECT_FALSE(rules->checkVisible) << round;
        EXPECT_FALSE(rules->checkEnabled) << round;
        EXPECT_EQ(rules->check(), WortreiheRules::Outcome::Ignored);
        // Then a wrong answer, and the same again in Retry.
        rules->clickMarker(wrongCard());
        EXPECT_EQ(rules->check(), WortreiheRules::Outcome::Wrong);
        playOut();
    }
    EXPECT_EQ(row().Attempts, 2);
}

// One Doppelgänger task's sounds: the series with a pause in front of every word but the first
// (two in front of a word of two sounds, one between its sounds), the error sound after a wrong
// answer or, without one, the whole series again, and the task's success sound after the right one.
TEST_F(WortreiheRulesTest, DoppelgaengerSoundsOfOneTaskRightAndWrong)
{
    g().playerOptions.wortreihe.pictureCount = 3;
    const QString P = QStringLiteral("0750.wav");
    TAufgabe t = task(kWords);
    t.elements[2].sounds = QStringLiteral("mund.wav;kind.wav");
    for (int code : {201, 202}) {
        SCOPED_TRACE(code);
        load(code, {t});
        QStringList series;
        const std::vector<int>& heard = rules->heardOrder();
        ASSERT_EQ(heard.size(), 4u);
        for (size_t i = 0; i < heard.size(); ++i) {
            const int e = heard[i];
            if (i > 0)
                series << (e == 2 ? QStringList{P, P} : QStringList{P});
            series << (e == 2 ? QStringList{QStringLiteral("mund.wav"), P, QStringLiteral("kind.wav")}
                              : QStringList{kWords[e - 1].toLower() + QStringLiteral(".wav")});
        }
        rules->listen();
        EXPECT_EQ(playOut(), series);
        rules->clickMarker(wrongCard());
        EXPECT_EQ(rules->check(), WortreiheRules::Outcome::Wrong);
        EXPECT_EQ(playOut(), QStringList{QStringLiteral("falsch.wav")});
        errorSounds().clear();
        rules->clickMarker(wrongCard());
        EXPECT_EQ(rules->check(), WortreiheRules::Outcome::Wrong);
        EXPECT_EQ(playOut(), series);
        EXPECT_EQ(rules->taskState(), TaskState::Retry);
        rules->clickMarker(rules->solutionCard());
        EXPECT_EQ(rules->check(), WortreiheRules::Outcome::Right);
        EXPECT_EQ(playOut(), QStringList{QStringLiteral("lob.wav")});
        EXPECT_EQ(row().Attempts, 3);
    }
}
