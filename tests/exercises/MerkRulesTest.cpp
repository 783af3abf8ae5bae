#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/Merkfaehigkeit/MerkLayout.h"
#include "exercises/Merkfaehigkeit/MerkRules.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"
#include "../media/SoundTestWav.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>

using namespace merk;

namespace {

QString word(int i) { return QStringLiteral("w%1").arg(i, 2, 10, QLatin1Char('0')); }

// A first task of `count` elements "Wort01" ... with sounds "w01.wav" ...; the elements in `silent`
// name a sound file that does not exist.
TAufgabe firstTask(int count, std::set<int> silent = {})
{
    TAufgabe t;
    t.elements.push_back(TEinzelbild{});
    for (int i = 1; i <= count; ++i) {
        TEinzelbild e;
        e.text = QStringLiteral("Wort%1").arg(i, 2, 10, QLatin1Char('0'));
        e.sounds = silent.count(i) ? QStringLiteral("fehlt.wav") : word(i) + QStringLiteral(".wav");
        t.elements.push_back(e);
    }
    return t;
}

class MerkRulesTest : public ::testing::Test
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
        d.lobSound = tree.mkdir("INTERN/Lob/");
        d.internsound = tree.mkdir("INTERN/Sound/");
        d.anleitungsound = tree.mkdir("INTERN/Anleitung/");
        for (int i = 1; i <= 12; ++i)
            tree.write(QStringLiteral("Material/Sound/") + word(i) + QStringLiteral(".wav"), testwav::monoTone());
        tree.write("INTERN/Lob/super.wav", testwav::monoTone());
        g().config.tonReihenfolgefalsch = tree.write("INTERN/Sound/reihenfolge.wav", testwav::monoTone());
        g().config.tonKartenfalsch = tree.write("INTERN/Sound/karten.wav", testwav::monoTone());
        for (const char* p : {"0500", "4500"})
            tree.write(QStringLiteral("INTERN/Sound/Pausen/") + QLatin1String(p) + QStringLiteral(".wav"),
                       testwav::monoTone(10, 0, 0));
        auto& o = g().playerOptions.merkfaehigkeit;
        o = TOpt_Merkfaehigkeit{};
        o.successSoundText = {QStringLiteral("super.wav")};
        o.successFrequency = 0;
        onSoundEnded(&owner, [this](int channel, SoundStatus status) {
            if (rules)
                rules->soundNotice(channel, status);
        });
    }

    void start(int cards, int span, int elements = 12, int code = 101, std::set<int> silent = {})
    {
        auto& o = g().playerOptions.merkfaehigkeit;
        o.pictureCount = cards;
        o.rememberCount = span;
        g().loadedList.tasks = {firstTask(elements, silent)};
        rules = std::make_unique<MerkRules>(player, code);
        ASSERT_TRUE(rules->startList(QStringLiteral("Bild\\test.txt")));
        rules->makeTask();
        ASSERT_EQ(rules->phase(), Phase::Ready);
    }
    // Lets every sound end, oldest first; the file names in the order they started.
    QStringList playOut()
    {
        for (int i = 0; i < 200 && !audio.endNext().isEmpty(); ++i)
            QCoreApplication::sendPostedEvents();
        QStringList names;
        for (const QString& f : audio.started())
            names << fsys::fileName(f);
        audio.clearLog();
        return names;
    }
    void hear()
    {
        rules->listen();
        playOut();
        ASSERT_EQ(rules->phase(), Phase::Answering);
    }
    // Hears the task and clicks the heard cards in order.
    void solveTask()
    {
        hear();
        for (int c : std::vector<int>(rules->heard()))
            rules->clickCard(c);
        if (!g().playerOptions.merkfaehigkeit.checkAtOnce)
            rules->check();
        ASSERT_EQ(rules->phase(), Phase::Solved);
        playOut();
    }
    int unheardCard() const
    {
        for (int c = 1; c <= rules->cardCount(); ++c)
            if (std::find(rules->heard().begin(), rules->heard().end(), c) == rules->heard().end())
                return c;
        return 0;
    }
    const TZeile& lastRow() const { return run().runResults.back().Rows.back(); }
    int beeps() const { return int(audio.log().count(QStringLiteral("beep"))); }

    TempTree tree;
    TestAudioBackend audio;
    QObject owner;
    TWAV player{&owner};
    std::unique_ptr<MerkRules> rules;
};

} // namespace

// R tasks of M different cards; apart from the filled places every card is heard M times.
TEST(MerkSeries, TasksOfDifferentCardsWithEveryCardHeardMTimes)
{
    struct Case { int n, m, tasks, filled; };
    for (const Case c : {Case{12, 3, 12, 0}, Case{6, 4, 8, 8}, Case{4, 4, 4, 0}, Case{9, 2, 10, 2}, Case{2, 1, 2, 0}}) {
        for (std::uint64_t seed : {1u, 2u, 3u, 99u}) {
            SCOPED_TRACE(testing::Message() << c.n << "/" << c.m << " seed " << seed);
            rnd::seed(seed);
            const std::vector<int> s = MakeSeries(c.n, c.m);
            ASSERT_EQ(int(s.size()), c.tasks * c.m);
            std::map<int, int> count;
            for (int t = 0; t < c.tasks; ++t) {
                std::set<int> block(s.begin() + t * c.m, s.begin() + (t + 1) * c.m);
                EXPECT_EQ(int(block.size()), c.m) << "task " << t;
                for (int v : block) {
                    EXPECT_GE(v, 1);
                    EXPECT_LE(v, c.n);
                }
            }
            for (int v : s)
                ++count[v];
            int extra = 0;
            for (int v = 1; v <= c.n; ++v) {
                EXPECT_GE(count[v], c.m - c.filled) << "card " << v;
                extra += count[v] - c.m;
            }
            EXPECT_EQ(extra, c.filled);
        }
    }
}

// N is lowered to the largest of 1, 2, 4, 6, 9 that the pool holds.
TEST(MerkSeries, CardCountLoweredToThePool)
{
    const std::map<int, int> lowered = {{1, 1}, {2, 2}, {3, 2}, {4, 4}, {5, 4}, {6, 6}, {8, 6}, {9, 9}, {11, 9}, {12, 12}};
    for (auto [pool, n] : lowered)
        EXPECT_EQ(CardCountFor(12, pool), n) << pool;
    EXPECT_EQ(CardCountFor(4, 12), 4);
    EXPECT_EQ(CardCountFor(6, 5), 4);
    EXPECT_EQ(CardCountFor(12, 0), 0);
}

TEST(MerkSeries, PauseFilesAndDurations)
{
    EXPECT_EQ(PauseFileName(0), QString());
    EXPECT_EQ(PauseFileName(1), QStringLiteral("Pausen/0500.wav"));
    EXPECT_EQ(PauseFileName(9), QStringLiteral("Pausen/4500.wav"));
}

// Only elements with an existing sound are cards: 5 usable of 6 with "Bilderanzahl" 6 plays with 4.
TEST_F(MerkRulesTest, FiveUsableElementsPlayWithFourCards)
{
    start(6, 3, 6, 101, {2});
    EXPECT_EQ(rules->poolSize(), 5);
    EXPECT_EQ(rules->cardCount(), 4);
    EXPECT_EQ(g().playerOptions.merkfaehigkeit.pictureCount, 6);
    EXPECT_EQ(run().runResults.back().ItemCount, 4);
    EXPECT_EQ(run().runResults.back().RememberCount, 3);
    for (const Card& c : rules->cards())
        EXPECT_NE(c.element.text, QStringLiteral("Wort02"));
}

// A list with fewer than two usable cards, or without tasks, is refused with the message.
TEST_F(MerkRulesTest, UnusableListsAreRefused)
{
    for (int usable : {0, 1}) {
        std::set<int> silent = {1, 2, 3};
        silent.erase(usable == 1 ? 3 : 0);
        g().loadedList.tasks = {firstTask(3, silent)};
        MerkRules r(player, 102);
        EXPECT_FALSE(r.startList(QStringLiteral("x.txt")));
        EXPECT_EQ(r.phase(), Phase::Invalid);
        EXPECT_EQ(r.message, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
    }
    g().loadedList.tasks.clear();
    MerkRules r(player, 101);
    EXPECT_FALSE(r.startList(QStringLiteral("x.txt")));
}

// "merken:" 6 with 4 cards sets M back to 4; every task then uses all four cards.
TEST_F(MerkRulesTest, SpanAboveCardCountIsSetBack)
{
    start(4, 2);
    rules->setSpan(6);
    EXPECT_EQ(rules->span(), 4);
    EXPECT_EQ(g().playerOptions.merkfaehigkeit.rememberCount, 4);
    EXPECT_EQ(run().runResults.back().RememberCount, 4);
    rules->makeTask();
    std::vector<int> heard = rules->heard();
    std::sort(heard.begin(), heard.end());
    EXPECT_EQ(heard, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(rules->series().size(), 12u);  // 3 more tasks
}

// "Zeit" 0: the words follow each other; "Zeit" 9: "Pausen\4500.wav" between the words, none after the last.
TEST_F(MerkRulesTest, SoundsOfATaskWithAndWithoutPauses)
{
    for (int time : {0, 9}) {
        SCOPED_TRACE(time);
        g().playerOptions.merkfaehigkeit.time = time;
        g().playerOptions.merkfaehigkeit.randomOrder = false;
        start(4, 3);
        rules->listen();
        EXPECT_EQ(rules->phase(), Phase::Hearing);
        EXPECT_EQ(rules->hoerenCaption, QStringLiteral("Pause"));
        EXPECT_EQ(rules->markedCard(), rules->heard()[0]);
        QStringList expected;
        for (int i = 0; i < 3; ++i) {
            expected << rules->card(rules->heard()[size_t(i)]).element.sounds;
            if (time == 9 && i < 2)
                expected << QStringLiteral("4500.wav");
        }
        EXPECT_EQ(playOut(), expected);
        EXPECT_EQ(rules->phase(), Phase::Answering);
        EXPECT_EQ(rules->hoerenCaption, QStringLiteral(" Hören"));
        EXPECT_EQ(rules->markedCard(), 0);
        resetRun();
    }
}

// Pausing drops what waits; "Weiter " goes on with the next word and answering begins after the last.
TEST_F(MerkRulesTest, PauseAndResumeContinueWithTheNextWord)
{
    g().playerOptions.merkfaehigkeit.time = 1;
    start(6, 3);
    const std::vector<int> h = rules->heard();
    auto sound = [&](int i) { return rules->card(h[size_t(i)]).element.sounds; };
    rules->listen();
    EXPECT_EQ(fsys::fileName(audio.endNext()), sound(0));
    QCoreApplication::sendPostedEvents();
    rules->hoeren();  // "Pause" while the pause file plays
    EXPECT_EQ(rules->phase(), Phase::Paused);
    EXPECT_EQ(rules->hoerenCaption, QStringLiteral("Weiter "));
    EXPECT_EQ(playOut(), (QStringList{sound(0), "0500.wav"}));
    EXPECT_EQ(rules->phase(), Phase::Paused);
    rules->hoeren();  // "Weiter "
    EXPECT_EQ(rules->phase(), Phase::Hearing);
    EXPECT_EQ(playOut(), (QStringList{sound(1), "0500.wav", sound(2)}));
    EXPECT_EQ(rules->phase(), Phase::Answering);
    EXPECT_EQ(run().runResults.back().Rows.size(), 1u);
}

// A task solved without a wrong placement has Attempts = M in both checking modes and prints 0 errors.
TEST_F(MerkRulesTest, FlawlessTaskHasAttemptsMAndNoErrors)
{
    for (bool atOnce : {true, false}) {
        SCOPED_TRACE(atOnce);
        resetRun();
        g().playerOptions.merkfaehigkeit.checkAtOnce = atOnce;
        start(6, 3);
        solveTask();
        EXPECT_EQ(lastRow().Attempts, 3);
        EXPECT_TRUE(lastRow().Solved);
        QString answers;
        for (int c : rules->heard())
            answers += rules->card(c).element.text + QLatin1Char(';');
        EXPECT_EQ(lastRow().Answers, answers);
        const std::vector<int> raw = rules->rebaseAttempts();
        ASSERT_TRUE(BuildRunProtocol(101, QStringLiteral("Merkfähigkeit-Bild")));
        rules->restoreAttempts(raw);
        EXPECT_EQ(lastRow().Attempts, 3);
        EXPECT_TRUE(run().runProtocol.contains(QStringLiteral("O 3 von 6 Bildern zu merken")));
        const QStringList task = run().runProtocol.filter(QStringLiteral("Aufgabe  1:"));
        ASSERT_EQ(task.size(), 1);
        EXPECT_TRUE(task[0].contains(QStringLiteral("  0 Fehler "))) << task[0].toStdString();
        EXPECT_TRUE(task[0].endsWith(answers + QLatin1Char(' ')));
    }
}

// "Checksofort" in order mode: the second heard card first beeps, counts one attempt, places nothing.
TEST_F(MerkRulesTest, CheckAtOnceWrongOrderBeepsAndCounts)
{
    g().playerOptions.merkfaehigkeit.orderCounts = true;
    start(6, 3);
    hear();
    const std::vector<int> h = rules->heard();
    rules->clickCard(h[1]);
    EXPECT_EQ(beeps(), 1);
    EXPECT_EQ(lastRow().Attempts, 1);
    EXPECT_EQ(rules->answerSlots(), (std::vector<int>{0, 0, 0}));
    EXPECT_FALSE(rules->card(h[1]).placed);
    EXPECT_TRUE(lastRow().OrderMatters);
    // Taking back is refused in this mode.
    rules->clickCard(h[0]);
    rules->clickPlaced(h[0]);
    EXPECT_EQ(rules->answerSlots(), (std::vector<int>{h[0], 0, 0}));
    rules->clickCard(h[1]);
    rules->clickCard(h[2]);
    EXPECT_EQ(rules->phase(), Phase::Solved);
    EXPECT_EQ(lastRow().Attempts, 4);
    EXPECT_TRUE(rules->stripPage().front().second);  // more attempts than M: the second symbol
}

// "Prüfen" with too few cards: the message for M = 1 and for more; the first check counts M attempts.
TEST_F(MerkRulesTest, CheckWithTooFewCards)
{
    g().playerOptions.merkfaehigkeit.checkAtOnce = false;
    struct Case { int span; QString text; };
    for (const Case& c : {Case{1, QStringLiteral("Bitte zuerst ein Bild auswählen!")},
                          Case{3, QStringLiteral("Noch nicht alle Bilder gefunden!\n\r\n\r  Es werden 3 Bilder gesucht.")}}) {
        start(6, c.span);
        hear();
        if (c.span > 1)
            rules->clickCard(rules->heard()[0]);
        rules->check();
        EXPECT_EQ(rules->message, c.text);
        EXPECT_EQ(lastRow().Attempts, c.span);
        EXPECT_EQ(rules->phase(), Phase::Answering);
        rules->message.clear();
        rules->check();
        EXPECT_EQ(lastRow().Attempts, c.span + 1);
    }
}

// Without "Checksofort": a full answer refuses more; wrong cards go home with the error sound and the
// heard sequence is played again; the right ones stay.
TEST_F(MerkRulesTest, WrongCardsAreSentBackAndTheSequenceReplayed)
{
    g().playerOptions.merkfaehigkeit.checkAtOnce = false;
    start(6, 2);
    hear();
    const std::vector<int> h = rules->heard();
    const int wrong = unheardCard();
    rules->clickCard(h[0]);
    EXPECT_TRUE(rules->pruefenVisible);
    rules->clickCard(wrong);
    rules->clickCard(h[1]);  // one too many
    EXPECT_EQ(rules->message, QStringLiteral("Zu viel !\n\r\n\r  Es werden nur 2 Bilder gesucht."));
    EXPECT_EQ(beeps(), 1);
    audio.clearLog();
    rules->message.clear();
    rules->check();
    EXPECT_EQ(rules->message, QStringLiteral("Achtung!\n\rFalsche Karten werden zurückgestellt!"));
    EXPECT_EQ(rules->phase(), Phase::Replay);
    EXPECT_EQ(rules->answerSlots(), (std::vector<int>{h[0], 0}));
    EXPECT_FALSE(rules->card(wrong).placed);
    EXPECT_EQ(rules->emphasisedCard(), h[0]);
    EXPECT_EQ(playOut(), (QStringList{"karten.wav", rules->card(h[0]).element.sounds, rules->card(h[1]).element.sounds}));
    EXPECT_EQ(rules->phase(), Phase::Answering);
    rules->clickCard(h[1]);
    rules->check();
    EXPECT_EQ(rules->phase(), Phase::Solved);
    EXPECT_EQ(lastRow().Attempts, 3);
}

// An order error sends every card home.
TEST_F(MerkRulesTest, OrderErrorSendsAllCardsHome)
{
    auto& o = g().playerOptions.merkfaehigkeit;
    o.checkAtOnce = false;
    o.orderCounts = true;
    start(6, 2);
    hear();
    const std::vector<int> h = rules->heard();
    rules->clickCard(h[1]);
    rules->clickCard(h[0]);
    rules->check();
    EXPECT_EQ(rules->message, QStringLiteral(" Reihenfolge einhalten! "));
    EXPECT_EQ(rules->answerSlots(), (std::vector<int>{0, 0}));
    EXPECT_EQ(playOut().front(), QStringLiteral("reihenfolge.wav"));
}

// The text program: a drop on a filled field is refused with the message, a drop outside every field
// goes home silently; the picture program beeps for a drop outside the answer card.
TEST_F(MerkRulesTest, DropsOnFieldsAndOutside)
{
    g().playerOptions.merkfaehigkeit.checkAtOnce = false;
    start(6, 3, 12, 102);
    hear();
    const std::vector<int> h = rules->heard();
    ASSERT_TRUE(rules->beginDrag(h[0]));
    EXPECT_EQ(rules->drop(2), Offer::Placed);
    EXPECT_EQ(rules->answerSlots(), (std::vector<int>{0, 0, h[0]}));
    ASSERT_TRUE(rules->beginDrag(h[1]));
    EXPECT_EQ(rules->drop(2), Offer::Refused);
    EXPECT_EQ(rules->message, QStringLiteral("Feld schon belegt!\n\rBitte Karte auf leere Karte ziehen!"));
    ASSERT_TRUE(rules->beginDrag(h[1]));
    EXPECT_EQ(rules->drop(MerkRules::kOutside), Offer::Ignored);
    EXPECT_EQ(beeps(), 0);
    EXPECT_FALSE(rules->card(h[1]).placed);

    start(6, 3, 12, 101);
    hear();
    ASSERT_TRUE(rules->beginDrag(rules->heard()[0]));
    rules->drop(MerkRules::kOutside);
    EXPECT_EQ(beeps(), 1);
    ASSERT_TRUE(rules->beginDrag(rules->heard()[0]));
    EXPECT_EQ(rules->drop(MerkRules::kAnswerCard), Offer::Placed);
}

// Right on the last unplaced card beeps and keeps the focus; Left walks back over placed cards.
TEST_F(MerkRulesTest, ArrowKeysMoveTheFocusOverUnplacedCards)
{
    start(6, 2);
    hear();
    EXPECT_TRUE(rules->arrowKey(Qt::Key_Right));
    EXPECT_EQ(rules->focusedCard(), 1);
    rules->setFocusedCard(6);
    EXPECT_FALSE(rules->arrowKey(Qt::Key_Right));
    EXPECT_EQ(rules->focusedCard(), 6);
    EXPECT_TRUE(rules->arrowKey(Qt::Key_Up));  // three per row
    EXPECT_EQ(rules->focusedCard(), 3);
    EXPECT_FALSE(rules->arrowKey(Qt::Key_Up));
}

// With "Reihenfolge zufällig" off, P = 12 and N = 9, "nächste" after the first series shows pool
// elements 10, 11, 12, 1, ..., 6; "gleiche" keeps the cards.
TEST_F(MerkRulesTest, NextCardsFromThePoolInFileOrder)
{
    g().playerOptions.merkfaehigkeit.randomOrder = false;
    start(9, 3);
    auto poolPlaces = [&] {
        std::vector<int> v;
        for (const Card& c : rules->cards())
            v.push_back(c.poolIndex);
        return v;
    };
    EXPECT_EQ(poolPlaces(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    for (int t = 0; t < 9; ++t) {  // R = 9 tasks
        solveTask();
        rules->next(false);
        if (t < 8)
            EXPECT_EQ(poolPlaces(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
        rules->makeTask();
    }
    EXPECT_EQ(poolPlaces(), (std::vector<int>{10, 11, 12, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(rules->card(1).element.text, QStringLiteral("Wort10"));
    rules->setSecondChoice(false);
    for (int t = 0; t < 9; ++t) {
        solveTask();
        rules->next(false);
        rules->makeTask();
    }
    EXPECT_EQ(poolPlaces(), (std::vector<int>{10, 11, 12, 1, 2, 3, 4, 5, 6}));
}

// The fifteenth solved task asks whether to close; No asks again at the thirtieth and starts a new page.
TEST_F(MerkRulesTest, QuestionsAfterFifteenAndThirtySolvedTasks)
{
    start(4, 2);
    for (int t = 1; t <= 30; ++t) {
        solveTask();
        EXPECT_EQ(rules->closeQuestionDue(), t == 15 || t == 30) << t;
        if (t == 15) {
            EXPECT_EQ(rules->closeQuestion(),
                      QStringLiteral("Du hast nun 15 Aufgaben bearbeitet!\n\rSuper!\n\rMöchtest du das Programm schließen?"));
            EXPECT_EQ(rules->stripPage().size(), 15u);
            rules->closeQuestionAnswered(false);
        }
        if (t == 16) {
            ASSERT_EQ(rules->stripPage().size(), 1u);
            EXPECT_EQ(rules->stripPage()[0].number, 16);
        }
        if (t == 30)
            EXPECT_TRUE(rules->closeQuestion().startsWith(QStringLiteral("Du hast nun 30 Aufgaben")));
        rules->next(false);
        rules->makeTask();
    }
}

// "Nochmal" repeats the heard sequence as a new task with a new row.
TEST_F(MerkRulesTest, AgainRepeatsTheSequenceWithANewRow)
{
    start(6, 3);
    solveTask();
    const std::vector<int> h = rules->heard();
    rules->next(true);
    EXPECT_EQ(rules->phase(), Phase::Ready);
    EXPECT_EQ(rules->heard(), h);
    solveTask();
    EXPECT_EQ(run().runResults.back().Rows.size(), 2u);
}

// "unsichtbar" 0: after hearing the cards wait for "Sehen"; a click asks for it first.
TEST_F(MerkRulesTest, InvisibleCardsWaitForSehen)
{
    g().playerOptions.merkfaehigkeit.invisible = 0;
    start(6, 2);
    rules->listen();
    playOut();
    EXPECT_EQ(rules->phase(), Phase::NeedSee);
    EXPECT_TRUE(rules->sehenVisible);
    rules->clickCard(1);
    EXPECT_EQ(rules->message, QStringLiteral("  Bitte zuerst auf den Knopf 'Sehen' klicken!"));
    rules->see();
    EXPECT_EQ(rules->phase(), Phase::Answering);
    EXPECT_FALSE(rules->sehenVisible);
}

// The strip lies on top for the picture program on 5:4 only; cards and fields stay inside the window.
TEST(MerkLayoutTest, StripPlacementAndCards)
{
    struct Case { QSize size; bool pictures; bool top; };
    for (const Case c : {Case{{1920, 1080}, true, false}, Case{{1920, 1080}, false, false},
                         Case{{1280, 1024}, true, true}, Case{{1280, 1024}, false, false}}) {
        LayoutInput in;
        in.client = c.size;
        in.barHeight = 100;
        in.pictures = c.pictures;
        in.cards = 12;
        in.span = 3;
        const Layout l = ComputeLayout(in);
        EXPECT_EQ(l.stripAtTop, c.top) << c.size.width() << c.pictures;
        ASSERT_EQ(l.homes.size(), 12u);
        const QRect window(0, 0, c.size.width(), c.size.height() - 100);
        for (const QRect& r : l.homes) {
            EXPECT_TRUE(window.contains(r)) << r.x() << "," << r.y();
            EXPECT_FALSE(r.intersects(l.strip));
        }
        if (c.pictures) {
            EXPECT_FALSE(l.answerCard.intersects(l.homes[2]));
        } else {
            ASSERT_EQ(l.fields.size(), 3u);
            EXPECT_GT(l.fields[0].x(), c.size.width() / 2);
        }
    }
    LayoutInput two;
    two.client = QSize(1024, 768);
    two.cards = 2;
    const Layout l = ComputeLayout(two);
    EXPECT_EQ(l.homes[0].y(), l.homes[1].y());
    EXPECT_LT(l.homes[0].right(), l.homes[1].left());
}

// The text program's M fields lie together in the middle; a point between two fields hits none.
TEST(MerkLayoutTest, TextFieldsAndPictureSlots)
{
    LayoutInput in;
    in.client = QSize(1024, 768);
    in.pictures = false;
    in.cards = 6;
    in.span = 2;
    const Layout l = ComputeLayout(in);
    ASSERT_EQ(l.fields.size(), 2u);
    const QPoint between(l.fields[0].center().x(), (l.fields[0].bottom() + l.fields[1].top()) / 2);
    EXPECT_FALSE(l.fields[0].contains(between) || l.fields[1].contains(between));
    const int middle = (l.fields[0].top() + l.fields[1].bottom()) / 2;
    EXPECT_NEAR(middle, (768 - 75) / 2, 2);
    // Slots stay inside the card below its heading band, also for many rows on a wide card.
    for (const QRect& card : {QRect(600, 20, 400, 600), QRect(700, 100, 300, 225)}) {
        for (int m : {1, 3, 4, 6, 10, 12}) {
            const std::vector<QRect> rects = PictureSlots(card, m);
            ASSERT_EQ(int(rects.size()), m);
            const QRect room = card.adjusted(30, std::max(30, card.height() * 18 / 100), -30, -30);
            for (const QRect& s : rects) {
                EXPECT_TRUE(room.contains(s)) << m << " on " << card.width() << "x" << card.height();
                EXPECT_NEAR(s.width() * 3, s.height() * 4, 4);
            }
        }
    }
}

// Switching "Checksofort" on takes back every placement from the first slot that does not hold the
// heard card of its position, in both modes; the answer then recorded holds only heard cards.
TEST_F(MerkRulesTest, CheckAtOnceSwitchedOnTakesBackFromTheFirstWrongSlot)
{
    auto& o = g().playerOptions.merkfaehigkeit;
    // Placed: indices into the heard cards, -1 = a card not heard. Kept: how many slots stay.
    struct Case { bool order; std::vector<int> placed; int kept; };
    for (const Case& c : {Case{false, {-1, 1}, 0}, Case{false, {0, -1}, 1}, Case{false, {1, 0}, 0},
                          Case{true, {0, -1}, 1}, Case{false, {0, 1}, 2}}) {
        SCOPED_TRACE(::testing::Message() << c.order << " " << c.placed[0] << "," << c.placed[1]);
        resetRun();
        o.checkAtOnce = false;
        o.orderCounts = c.order;
        start(6, 3);
        hear();
        const std::vector<int> h = rules->heard();
        for (int i : c.placed)
            rules->clickCard(i < 0 ? unheardCard() : h[size_t(i)]);
        const TOpt_Merkfaehigkeit before = o;
        o.checkAtOnce = true;
        rules->optionsChanged(before);
        std::vector<int> expected(3, 0);
        for (int k = 0; k < c.kept; ++k)
            expected[size_t(k)] = h[size_t(k)];
        EXPECT_EQ(rules->answerSlots(), expected);
        EXPECT_FALSE(rules->card(unheardCard()).placed);
        EXPECT_FALSE(rules->pruefenVisible);
        for (int card : h)
            rules->clickCard(card);
        ASSERT_EQ(rules->phase(), Phase::Solved);
        QString answers;
        for (int card : h)
            answers += rules->card(card).element.text + QLatin1Char(';');
        EXPECT_EQ(lastRow().Answers, answers);
    }
}

// A right answer: the praise follows the last placement, all its files in order; a sound still
// playing at that moment gives a beep and is interrupted by the first praise file.
TEST_F(MerkRulesTest, PraiseAfterARightAnswerInterruptsWhatPlays)
{
    tree.write("INTERN/Lob/toll.wav", testwav::monoTone());
    g().playerOptions.merkfaehigkeit.successSoundText = {QStringLiteral("super.wav"), QStringLiteral("toll.wav")};
    for (bool playing : {false, true}) {
        SCOPED_TRACE(playing);
        resetRun();
        start(6, 2);
        hear();
        const std::vector<int> h = rules->heard();
        rules->clickCard(h[0]);
        if (playing)
            player.Play(g().config.dirs.materialSound + rules->card(h[0]).element.sounds, true, false, false);
        const QList<int> before = audio.playingChannels();
        audio.clearLog();
        rules->clickCard(h[1]);
        ASSERT_EQ(rules->phase(), Phase::Solved);
        EXPECT_EQ(beeps(), playing ? 1 : 0);
        for (int channel : before)
            EXPECT_FALSE(audio.playingChannels().contains(channel));
        const QStringList log = audio.log();
        if (playing) {
            const auto praiseOpened = std::find_if(log.begin(), log.end(),
                                                   [](const QString& l) { return l.endsWith(QLatin1String("super.wav")); });
            EXPECT_LT(log.indexOf(QStringLiteral("beep")), int(praiseOpened - log.begin()));
        }
        EXPECT_EQ(playOut(), (QStringList{"super.wav", "toll.wav"}));
    }
}

// A wrong answer with "Zeit" 1: the error sound, then the heard words with the pause file between them
// and none after the last; in order mode the order sound.
TEST_F(MerkRulesTest, ReplayAfterAWrongAnswerKeepsThePausesBetweenTheWords)
{
    auto& o = g().playerOptions.merkfaehigkeit;
    o.time = 1;
    o.checkAtOnce = false;
    struct Case { bool order; QString sound; };
    for (const Case& c : {Case{false, QStringLiteral("karten.wav")}, Case{true, QStringLiteral("reihenfolge.wav")}}) {
        SCOPED_TRACE(c.order);
        resetRun();
        o.orderCounts = c.order;
        start(6, 3);
        hear();
        const std::vector<int> h = rules->heard();
        auto sound = [&](int i) { return rules->card(h[size_t(i)]).element.sounds; };
        for (int card : c.order ? std::vector<int>{h[1], h[0], h[2]} : std::vector<int>{h[0], unheardCard(), h[2]})
            rules->clickCard(card);
        rules->check();
        EXPECT_EQ(rules->phase(), Phase::Replay);
        EXPECT_EQ(playOut(), (QStringList{c.sound, sound(0), "0500.wav", sound(1), "0500.wav", sound(2)}));
        EXPECT_EQ(rules->phase(), Phase::Answering);
    }
}

// The option page changes N and M together: both count, as when both bar controls were used.
TEST_F(MerkRulesTest, ThePageChangesCardCountAndSpanTogether)
{
    struct Case { int cards, span, newCards, newSpan; };
    for (const Case& c : {Case{12, 12, 6, 3}, Case{12, 1, 9, 2}, Case{4, 2, 8, 6}, Case{6, 3, 4, 6}}) {
        SCOPED_TRACE(::testing::Message() << c.newCards << " " << c.newSpan);
        resetRun();
        start(c.cards, c.span);
        auto& o = g().playerOptions.merkfaehigkeit;
        const TOpt_Merkfaehigkeit before = o;
        o.pictureCount = c.newCards;
        o.rememberCount = c.newSpan;
        rules->optionsChanged(before);
        const int span = std::min(c.newSpan, c.newCards);
        EXPECT_EQ(rules->cardCount(), c.newCards);
        EXPECT_EQ(rules->span(), span);
        EXPECT_EQ(o.rememberCount, span);
        EXPECT_EQ(run().runResults.back().RememberCount, span);
        rules->makeTask();
        EXPECT_EQ(int(rules->heard().size()), span);
    }
}
