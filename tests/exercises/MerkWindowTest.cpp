#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "data/PlayerList.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "exercises/common/TaskSounds.h"
#include "exercises/Merkfaehigkeit/Merkfaehigkeit.h"
#include "media/picture/Picture.h"
#include "media/skin/Meldung.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"
#include "support/ModalWatch.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QLabel>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace merk;

namespace {

class MerkWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        copyDemoTo(tree);
        resetToInstallation(tree.root());
        resetSoundState();
        resetRun();
        installation::ReadMainConfiguration(nullptr);
        LoadPlayerList();
        MakeCurrentPlayer(QStringLiteral("Anna"));
        ReadPlayerOptions(QStringLiteral("Anna"), 0);
        for (int code : {101, 102}) {
            g().programCode = code;
            ReadPlayerOptions(QStringLiteral("Anna"), code);
        }
        auto& o = g().playerOptions.merkfaehigkeit;
        o.pictureCount = 6;
        o.rememberCount = 2;
        o.checkAtOnce = true;
        o.orderCounts = false;
        o.invisible = 2;
        o.time = 1;
        o.successSound = true;
        o.successFrequency = 0;
        o.successSource = 0;
        folder = fsys::withSlash(g().config.dirs.listen) + QStringLiteral("1_Merkfähigkeit/");
        TFormMeldung::shownHook() = [this](TFormMeldung& m) {
            bubbles << m.L_meldung->text();
            QTimer::singleShot(0, &m, [&m] { m.close(); });
        };
    }
    void TearDown() override { TFormMeldung::shownHook() = nullptr; }

    std::unique_ptr<TFormMerkfaehigkeit> open(const QString& path, int code)
    {
        g().programCode = code;
        g().defaultElementCount = 12;
        if (LoadTaskList(path) <= 0)
            g().loadedList.tasks.clear();
        auto w = std::make_unique<TFormMerkfaehigkeit>(code, path);
        w->show();
        w->resize(1024, 768);
        QApplication::processEvents();
        return w;
    }
    QStringList playOut()
    {
        for (int i = 0; i < 200; ++i) {
            QApplication::processEvents();
            if (audio.endNext().isEmpty()) {
                QApplication::processEvents();
                if (audio.endNext().isEmpty())
                    break;
            }
        }
        QApplication::processEvents();
        QStringList names;
        for (const QString& f : audio.started())
            names << fsys::fileName(f);
        audio.clearLog();
        return names;
    }
    static void drag(TFormMerkfaehigkeit& w, int card, QPoint to)
    {
        const QPoint from = w.homeRect(card).center();
        QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(&w, (from + to) / 2);
        QTest::mouseMove(&w, to);
        QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, to);
    }
    static int unheard(TFormMerkfaehigkeit& w)
    {
        const std::vector<int>& h = w.rules().heard();
        for (int c = 1; c <= w.rules().cardCount(); ++c)
            if (std::find(h.begin(), h.end(), c) == h.end())
                return c;
        return 0;
    }
    static QString answersOf(TFormMerkfaehigkeit& w)
    {
        QString s;
        for (int c : w.rules().heard())
            s += w.rules().card(c).element.text + QLatin1Char(';');
        return s;
    }
    QStringList protocolLines()
    {
        auto lines = fsys::readLines(PlayerProtocolPath());
        return lines ? *lines : QStringList();
    }
    int beeps() const { return int(audio.log().count(QStringLiteral("beep"))); }
    // Ends with the end button and the closing dialog's "Ende"; the protocol's task rows.
    QStringList endAndReadRows(TFormMerkfaehigkeit& w, const QString& caption, int tasks)
    {
        ModalWatch driver([](QWidget* m) {
            if (auto* d = qobject_cast<TFormclosedialog*>(m))
                d->sb_ende->click();
        });
        QTest::mouseClick(w.SB_ende, Qt::LeftButton);
        EXPECT_TRUE(w.runEnded());
        EXPECT_TRUE(driver.seen.contains(QStringLiteral("TFormclosedialog")));
        const QStringList lines = protocolLines();
        EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^P .*") + caption)).size(), 1) << lines.join('|').toStdString();
        EXPECT_TRUE(lines.contains(QStringLiteral("N Anna")));
        EXPECT_TRUE(lines.contains(QStringLiteral("O 2 von 6 Bildern zu merken")));
        const QStringList rows = lines.filter(QRegularExpression(QStringLiteral("^  Aufgabe ")));
        EXPECT_EQ(rows.size(), tasks);
        return rows;
    }

    TempTree tree;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;
    QString folder;
    QStringList bubbles;
};

const QRegularExpression kRow(
    QStringLiteral("^  Aufgabe  (\\d): ( \\(Reihenfolge beachten\\))?  +(\\d+) Fehler  \\(\\d\\d:\\d\\d:\\d\\d\\d\\)  (.*) $"));

// Pictures: a task by clicks, one by drags onto the answer card after a wrong click, one by the
// arrow keys and Enter; then "Ende" and the protocol.
TEST_F(MerkWindowTest, PicturePlayThroughByClicksDragsAndKeysEndsInTheProtocolFile)
{
    auto w = open(folder + QStringLiteral("Bild/01 Tiere.txt"), 101);
    MerkRules& r = w->rules();
    ASSERT_EQ(r.cardCount(), 6);
    ASSERT_EQ(r.phase(), Phase::Ready);
    EXPECT_FALSE(w->layout().stripAtTop);
    QStringList answers;

    // 1: "H", then the heard cards clicked in order; the words with the pause between them.
    QTest::keyClick(w.get(), Qt::Key_H);
    EXPECT_EQ(r.phase(), Phase::Hearing);
    const QStringList heard = playOut();
    EXPECT_EQ(heard.count(QStringLiteral("0500.wav")), 1) << heard.join(' ').toStdString();
    ASSERT_EQ(r.phase(), Phase::Answering);
    answers << answersOf(*w);
    for (int c : std::vector<int>(r.heard()))
        QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->homeRect(c).center());
    ASSERT_EQ(r.phase(), Phase::Solved);
    EXPECT_TRUE(w->SB_nochmal->isVisible());
    playOut();

    // 2: "Weiter " with the button; a wrong click beeps; the heard cards dragged onto the answer card.
    QTest::mouseClick(w->SB_hoeren, Qt::LeftButton);
    ASSERT_EQ(r.phase(), Phase::Ready);
    QTest::mouseClick(w->SB_hoeren, Qt::LeftButton);
    playOut();
    ASSERT_EQ(r.phase(), Phase::Answering);
    answers << answersOf(*w);
    QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->homeRect(unheard(*w)).center());
    EXPECT_EQ(beeps(), 1);
    for (int c : std::vector<int>(r.heard()))
        drag(*w, c, w->layout().answerCard.center());
    ASSERT_EQ(r.phase(), Phase::Solved);
    playOut();

    // 3: "W", "H", then the focus walked with Right and the card taken with Enter.
    QTest::keyClick(w.get(), Qt::Key_W);
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    ASSERT_EQ(r.phase(), Phase::Answering);
    answers << answersOf(*w);
    for (int c : std::vector<int>(r.heard())) {
        for (int i = 0; i < 12 && r.focusedCard() != c; ++i)
            QTest::keyClick(w.get(), Qt::Key_Right);
        ASSERT_EQ(r.focusedCard(), c);
        QTest::keyClick(w.get(), Qt::Key_Return);
    }
    ASSERT_EQ(r.phase(), Phase::Solved);
    playOut();
    EXPECT_EQ(r.stripPage().size(), 3u);

    const QStringList rows = endAndReadRows(*w, QStringLiteral("Merkfähigkeit-Bild"), 3);
    ASSERT_EQ(rows.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const auto m = kRow.match(rows[i]);
        ASSERT_TRUE(m.hasMatch()) << rows[i].toStdString();
        EXPECT_EQ(m.captured(1).toInt(), i + 1);
        EXPECT_EQ(m.captured(3).toInt(), i == 1 ? 1 : 0) << rows[i].toStdString();
        EXPECT_EQ(m.captured(4), answers[i]);
    }
    EXPECT_TRUE(protocolLines().contains(QStringLiteral("F 01 Tiere.txt")));
}

// Texts in order mode: a drop between two fields goes home silently, a card on the wrong field beeps,
// the right fields take the cards; then "Nochmal" and a solution by clicks.
TEST_F(MerkWindowTest, TextPlayThroughByDragsOntoFieldsEndsInTheProtocolFile)
{
    g().playerOptions.merkfaehigkeit.orderCounts = true;
    auto w = open(folder + QStringLiteral("Text/01 Tiere.txt"), 102);
    MerkRules& r = w->rules();
    ASSERT_EQ(r.cardCount(), 6);
    EXPECT_TRUE(w->RB_reihenfolge->isChecked());
    QStringList answers;
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    ASSERT_EQ(r.phase(), Phase::Answering);
    answers << answersOf(*w);
    const std::vector<int> h = r.heard();
    const QRect f0 = w->fieldRect(0), f1 = w->fieldRect(1);
    drag(*w, h[0], QPoint(f0.center().x(), (f0.bottom() + f1.top()) / 2));
    EXPECT_EQ(beeps(), 0);
    EXPECT_FALSE(r.card(h[0]).placed);
    drag(*w, h[1], f0.center());
    EXPECT_EQ(beeps(), 1);
    EXPECT_FALSE(r.card(h[1]).placed);
    drag(*w, h[0], f0.center());
    EXPECT_EQ(r.answerSlots()[0], h[0]);
    drag(*w, h[1], f1.center());
    ASSERT_EQ(r.phase(), Phase::Solved);
    playOut();

    QTest::keyClick(w.get(), Qt::Key_N);
    ASSERT_EQ(r.phase(), Phase::Ready);
    EXPECT_EQ(r.heard(), h);
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    answers << answersOf(*w);
    for (int c : h)
        QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->homeRect(c).center());
    ASSERT_EQ(r.phase(), Phase::Solved);
    playOut();

    const QStringList rows = endAndReadRows(*w, QStringLiteral("Merkfähigkeit-Text"), 2);
    ASSERT_EQ(rows.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const auto m = kRow.match(rows[i]);
        ASSERT_TRUE(m.hasMatch()) << rows[i].toStdString();
        EXPECT_FALSE(m.captured(2).isEmpty());
        // The silent drop counts nothing, the wrong field one error.
        EXPECT_EQ(m.captured(3).toInt(), i == 0 ? 1 : 0) << rows[i].toStdString();
        EXPECT_EQ(m.captured(4), answers[i]);
    }
}

// "Ende" in the middle of a task asks first; "Nein" keeps the window.
TEST_F(MerkWindowTest, EndDuringATaskAsksFirst)
{
    auto w = open(folder + QStringLiteral("Bild/02 Essen.txt"), 101);
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    TFormMeldung::shownHook() = [this](TFormMeldung& m) {
        bubbles << m.L_meldung->text();
        QTimer::singleShot(0, &m, [&m] { m.B_nein->click(); });
    };
    QTest::mouseClick(w->SB_ende, Qt::LeftButton);
    EXPECT_FALSE(w->runEnded());
    ASSERT_FALSE(bubbles.isEmpty());
    EXPECT_EQ(bubbles.back().trimmed(), QStringLiteral("Die Aufgabe ist noch nicht vollständig gelöst!\n\rTrotzdem Programm beenden?"));
    w->endRun();
}

// Random bytes, a list whose sounds are all missing, one usable element: the message and the window
// closes; missing pictures only: the task can be played. The protocol is never touched.
TEST_F(MerkWindowTest, BadListsNeverCrashAndNeverTouchTheProtocol)
{
    const QStringList old = protocolLines();
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char(rnd::below(256));
    const QString junkList = tree.write("Listen/junk.txt", junk);
    auto listOf = [&](const QString& name, int count, bool withSounds) {
        QStringList lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=1"),
                             QStringLiteral("[Aufgabe 1]"), QStringLiteral("0=weg.gif|100||")};
        for (int k = 1; k <= count; ++k)
            lines << QStringLiteral("%1=weg%1.jpg|100|Wort%1|%2").arg(k).arg(withSounds ? QStringLiteral("Hund.wav")
                                                                                         : QStringLiteral("fort%1.wav").arg(k));
        return tree.writeLines(QStringLiteral("Listen/") + name, lines);
    };
    const QString noSounds = listOf(QStringLiteral("nosound.txt"), 6, false);
    const QString single = listOf(QStringLiteral("single.txt"), 1, true);
    for (const QString& path : {junkList, noSounds, single}) {
        SCOPED_TRACE(path.toStdString());
        bubbles.clear();
        auto w = open(path, 101);
        QTest::qWait(20);
        EXPECT_TRUE(w->runEnded() || !w->isVisible());
        ASSERT_FALSE(bubbles.isEmpty());
        EXPECT_EQ(bubbles.back().trimmed(), QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
    }
    const QString noPictures = listOf(QStringLiteral("nopictures.txt"), 4, true);
    {
        g().playerOptions.merkfaehigkeit.pictureCount = 4;
        auto w = open(noPictures, 101);
        ASSERT_EQ(w->rules().cardCount(), 4);
        QTest::keyClick(w.get(), Qt::Key_H);
        playOut();
        for (int c : std::vector<int>(w->rules().heard()))
            QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->homeRect(c).center());
        EXPECT_EQ(w->rules().phase(), Phase::Solved);
        w->endRun();
    }
    EXPECT_EQ(protocolLines(), old);
}

// Screenshots for a person to look at: run under Xvfb with the xcb platform and KALIMO_SHOTS_DIR set
// (scripts/screenshots); skipped otherwise.
TEST_F(MerkWindowTest, ScreenshotsOfATaskForAPersonToLookAt)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString tag = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    for (int code : {101, 102}) {
        auto& o = g().playerOptions.merkfaehigkeit;
        o.checkAtOnce = false;
        o.pictureCount = code == 101 ? 12 : 6;
        o.rememberCount = 3;
        const QString name = code == 101 ? QStringLiteral("merkbild-") : QStringLiteral("merktext-");
        auto shot = [&](const QString& step) {
            QTest::qWait(300);
            QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QLatin1Char('/') + name + tag + QLatin1Char('-') +
                                                                 step + QStringLiteral(".png"));
        };
        const QString path = folder + (code == 101 ? QStringLiteral("Bild/01 Tiere.txt") : QStringLiteral("Text/01 Tiere.txt"));
        g().programCode = code;
        g().defaultElementCount = 12;
        LoadTaskList(path);
        TFormMerkfaehigkeit w(code, path);
        w.show();
        QTest::qWait(500);
        shot(QStringLiteral("1-task"));
        QTest::keyClick(&w, Qt::Key_H);
        playOut();
        const std::vector<int> h = w.rules().heard();
        QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, w.homeRect(h[0]).center());
        QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, w.homeRect(unheard(w)).center());
        QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, w.homeRect(h[2]).center());
        shot(QStringLiteral("2-wrong"));
        QTest::mouseClick(w.SB_pruefen, Qt::LeftButton);
        playOut();
        shot(QStringLiteral("3-replayed"));
        for (int c : h)
            if (!w.rules().card(c).placed)
                QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, w.homeRect(c).center());
        QTest::mouseClick(w.SB_pruefen, Qt::LeftButton);
        shot(QStringLiteral("4-right"));
        ModalWatch driver([&](QWidget* m) {
            if (auto* d = qobject_cast<TFormclosedialog*>(m))
                d->sb_ende->click();
        });
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_TRUE(w.runEnded());
        resetRun();
    }
    // Hidden cards after a wrong check: only "Sehen" in the bar.
    auto& o = g().playerOptions.merkfaehigkeit;
    o.invisible = 0;
    o.pictureCount = 6;
    o.rememberCount = 2;
    const QString path = folder + QStringLiteral("Bild/01 Tiere.txt");
    g().programCode = 101;
    LoadTaskList(path);
    TFormMerkfaehigkeit w(101, path);
    w.show();
    QTest::qWait(500);
    QTest::keyClick(&w, Qt::Key_H);
    playOut();
    QTest::mouseClick(w.SB_sehen, Qt::LeftButton);
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, w.homeRect(w.rules().heard()[0]).center());
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, w.homeRect(unheard(w)).center());
    QTest::mouseClick(w.SB_pruefen, Qt::LeftButton);
    playOut();
    QTest::qWait(300);
    QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QStringLiteral("/merkbild-") + tag +
                                                         QStringLiteral("-5-sehen.png"));
    w.endRun(QDialog::Rejected);
}

} // namespace

namespace {

// Every demo list of both programs loads with 12 cards whose pictures and sounds exist.
TEST_F(MerkWindowTest, EveryDemoListGivesTwelveCardsWithTheirMedia)
{
    TWAV player(nullptr);
    int lists = 0;
    for (const QString& variant : {QStringLiteral("Bild/"), QStringLiteral("Text/")}) {
        for (const QString& name : fsys::list(folder + variant, QStringLiteral("*.txt"), false, fsys::Entries::Files)) {
            SCOPED_TRACE((variant + name).toStdString());
            g().defaultElementCount = 12;
            ASSERT_GE(LoadTaskList(folder + variant + name), 1);
            g().playerOptions.merkfaehigkeit.pictureCount = 12;
            MerkRules r(player, variant.startsWith(QLatin1Char('B')) ? 101 : 102);
            ASSERT_TRUE(r.startList(name));
            EXPECT_EQ(r.poolSize(), 12);
            for (const TEinzelbild& e : r.pool())
                EXPECT_FALSE(picture::ResolvePictureName(e.picture).isEmpty()) << e.picture.toStdString();
            ++lists;
        }
    }
    EXPECT_GE(lists, 14);
}

} // namespace

// Faces, tables and the answer card kept from earlier tasks (the same pictures at the same card size)
// draw a new deal exactly as pictures drawn afresh after a change of size.
TEST_F(MerkWindowTest, KeptPicturesDrawANewDealAsFreshOnes)
{
    auto w = open(folder + QStringLiteral("Bild/01 Tiere.txt"), 101);
    MerkRules& r = w->rules();
    ASSERT_EQ(r.cardCount(), 6);
    for (int task = 0; task < 4; ++task) {
        w->hoerenClick();
        playOut();
        ASSERT_EQ(r.phase(), Phase::Answering);
        for (int c : std::vector<int>(r.heard()))
            r.clickCard(c);
        ASSERT_EQ(r.phase(), Phase::Solved);
        playOut();
        w->cardCountClick(6);  // new cards
        QApplication::processEvents();
    }
    const QImage kept = w->backBuffer().copy();
    w->resize(1000, 700);
    QApplication::processEvents();
    w->resize(1024, 768);
    QApplication::processEvents();
    ASSERT_EQ(w->backBuffer().size(), kept.size());
    EXPECT_TRUE(w->backBuffer() == kept);
    w->endRun(QDialog::Rejected);
}

// "unsichtbar" 0 without "Checksofort": after a wrong "Prüfen", and after "Hören" again once a card
// is placed, the cards wait for "Sehen": it is shown and enabled, "Prüfen" hidden, no card drawn at
// home. "Sehen" draws the cards again and brings "Prüfen" back for the cards still placed.
TEST_F(MerkWindowTest, InvisibleCardsOfferSehenAfterAWrongCheckAndAfterHearingAgain)
{
    auto& o = g().playerOptions.merkfaehigkeit;
    o.invisible = 0;
    o.checkAtOnce = false;
    for (bool wrongCheck : {true, false}) {
        SCOPED_TRACE(wrongCheck);
        resetRun();
        auto w = open(folder + QStringLiteral("Bild/01 Tiere.txt"), 101);
        MerkRules& r = w->rules();
        QTest::mouseClick(w->SB_hoeren, Qt::LeftButton);
        playOut();
        ASSERT_EQ(r.phase(), Phase::NeedSee);
        ASSERT_TRUE(w->SB_sehen->isVisible());
        const std::vector<int> h = r.heard();
        std::vector<int> others;
        for (int c = 1; c <= r.cardCount(); ++c)
            if (std::find(h.begin(), h.end(), c) == h.end())
                others.push_back(c);
        const int wrong = others[0], home = others[1];  // `home` never leaves its place
        const QRect inner = w->homeRect(home).adjusted(8, 8, -8, -8);
        const QImage hidden = w->backBuffer().copy(inner);
        QTest::mouseClick(w->SB_sehen, Qt::LeftButton);
        ASSERT_EQ(r.phase(), Phase::Answering);
        const QImage shown = w->backBuffer().copy(inner);
        ASSERT_NE(shown, hidden);

        QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->homeRect(h[0]).center());
        ASSERT_TRUE(w->SB_pruefen->isVisible());
        if (wrongCheck) {
            QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->homeRect(wrong).center());
            QTest::mouseClick(w->SB_pruefen, Qt::LeftButton);
            ASSERT_EQ(r.phase(), Phase::Replay);
        } else {
            QTest::mouseClick(w->SB_hoeren, Qt::LeftButton);
            ASSERT_EQ(r.phase(), Phase::Hearing);
        }
        playOut();
        ASSERT_EQ(r.phase(), Phase::NeedSee);
        EXPECT_TRUE(w->SB_sehen->isVisible());
        EXPECT_TRUE(w->SB_sehen->isEnabled());
        EXPECT_FALSE(w->SB_pruefen->isVisible());
        EXPECT_EQ(w->backBuffer().copy(inner), hidden);

        QTest::mouseClick(w->SB_sehen, Qt::LeftButton);
        ASSERT_EQ(r.phase(), Phase::Answering);
        EXPECT_FALSE(w->SB_sehen->isVisible());
        EXPECT_TRUE(w->SB_pruefen->isVisible());
        EXPECT_EQ(w->backBuffer().copy(inner), shown);
        EXPECT_TRUE(r.card(h[0]).placed);
        QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->homeRect(h[1]).center());
        QTest::mouseClick(w->SB_pruefen, Qt::LeftButton);
        EXPECT_EQ(r.phase(), Phase::Solved);
        playOut();
        w->endRun(QDialog::Rejected);
    }
}

// Changing N, M or the order mode while a word is heard removes its outline and the keyboard focus;
// Enter on the next task places nothing (with fewer cards the old focus lies past the last card).
TEST_F(MerkWindowTest, ChangesWhileHearingClearTheOutlineAndTheFocus)
{
    auto& o = g().playerOptions.merkfaehigkeit;
    o.mark = true;
    o.frameOn = true;
    o.frameWidth = 4;
    o.frameColour = 0x0003FE01;  // a colour no demo picture holds
    const QRgb outline = picture::toQColor(o.frameColour).rgb();
    auto outlinePixels = [&](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += (img.pixel(x, y) & 0xFFFFFF) == (outline & 0xFFFFFF) ? 1 : 0;
        return n;
    };
    for (const char* change : {"Bilderanzahl", "merken", "Reihenfolge"}) {
        SCOPED_TRACE(change);
        resetRun();
        o.pictureCount = 6;  // the bar writes its changes to the options
        o.rememberCount = 2;
        o.orderCounts = false;
        auto w = open(folder + QStringLiteral("Bild/01 Tiere.txt"), 101);
        MerkRules& r = w->rules();
        QTest::keyClick(w.get(), Qt::Key_H);
        playOut();
        ASSERT_EQ(r.phase(), Phase::Answering);
        for (int i = 0; i < 6 && r.focusedCard() != 6; ++i)
            QTest::keyClick(w.get(), Qt::Key_Right);
        ASSERT_EQ(r.focusedCard(), 6);
        QTest::keyClick(w.get(), Qt::Key_H);
        ASSERT_EQ(r.phase(), Phase::Hearing);
        ASSERT_GT(r.markedCard(), 0);
        ASSERT_GT(outlinePixels(w->backBuffer()), 0);

        if (QLatin1String(change) == QLatin1String("Bilderanzahl"))
            QTest::mouseClick(w->SB_anzahl[0], Qt::LeftButton);  // 2 cards
        else if (QLatin1String(change) == QLatin1String("merken"))
            emit w->CB_merken->activated(2);  // 3 words
        else
            QTest::mouseClick(w->RB_reihenfolge, Qt::LeftButton);
        ASSERT_EQ(r.phase(), Phase::Ready);
        EXPECT_EQ(r.markedCard(), 0);
        EXPECT_EQ(r.focusedCard(), 0);
        EXPECT_EQ(outlinePixels(w->backBuffer()), 0);

        QTest::keyClick(w.get(), Qt::Key_H);
        playOut();
        ASSERT_EQ(r.phase(), Phase::Answering);
        QTest::keyClick(w.get(), Qt::Key_Return);
        EXPECT_EQ(r.placedCount(), 0);
        EXPECT_EQ(beeps(), 0);
        w->endRun(QDialog::Rejected);
    }
}

// "merken:" offers 1 to 12: with 12 cards it shows M = 12, and 11 chosen there plays 11 words.
TEST_F(MerkWindowTest, SpanBoxOffersEveryCountUpToTwelve)
{
    auto& o = g().playerOptions.merkfaehigkeit;
    o.pictureCount = 12;
    o.rememberCount = 12;
    auto w = open(folder + QStringLiteral("Bild/01 Tiere.txt"), 101);
    MerkRules& r = w->rules();
    ASSERT_EQ(r.cardCount(), 12);
    ASSERT_EQ(w->CB_merken->count(), 12);
    EXPECT_EQ(w->CB_merken->itemText(11), QStringLiteral("12"));
    EXPECT_EQ(w->CB_merken->currentText(), QStringLiteral("12"));
    emit w->CB_merken->activated(10);
    EXPECT_EQ(r.span(), 11);
    EXPECT_EQ(w->CB_merken->currentText(), QStringLiteral("11"));
    QTest::keyClick(w.get(), Qt::Key_H);
    EXPECT_EQ(playOut().count(QStringLiteral("0500.wav")), 10);
    EXPECT_EQ(r.heard().size(), 11u);
    w->endRun(QDialog::Rejected);
}

// Demo lists with pictures and sounds deleted or cut short: the cards are the elements with a sound
// left (fewer cards when fewer are left), a missing sound is skipped, the task is answered by clicks;
// too few left gives the message. Ending through "Ende" and the closing dialog keeps the earlier run
// of the protocol file byte for byte and adds this one.
TEST_F(MerkWindowTest, DemoListsWithMissingMaterialPlayTheUsableCardsAndKeepTheProtocol)
{
    struct Case
    {
        int code;
        QString list;
        QStringList deleted, truncated;  // below the material folder, adding up over the rows; "x/" is a folder
        QStringList gone;                // the list's elements without any sound left
        int cards;                       // 0: too few, the message
        int time;                        // "Zeit": 0 no pause between the words
    };
    const QString bilder = QStringLiteral("Bilder/"), sound = QStringLiteral("Sound/");
    const Case cases[] = {
        // Without "mit Artikel", "die Katze" (and below "die Birne") keeps only its article, which is not
        // played: a silent word, here with no pause to wait for.
        {101, QStringLiteral("Bild/01 Tiere.txt"),
         {sound + "der.wav", sound + "Hund.wav", sound + "Hase.wav", sound + "Fisch.wav", sound + "Katze.wav",
          bilder + "Maus.bmp", bilder + "Ente.jpg", QStringLiteral("Sammelbilder/Tafel.gif")},
         {bilder + "Affe.emf", bilder + "Kuh.bmp"},
         {QStringLiteral("der Hund"), QStringLiteral("der Hase"), QStringLiteral("der Fisch")}, 9, 0},
        {102, QStringLiteral("Text/02 Essen.txt"),
         {sound + "Apfel.wav", sound + "Kaese.wav", sound + "Birne.wav", bilder + "Brot.wmf"},
         {sound + "Eis.wav"},
         {QStringLiteral("der Apfel"), QStringLiteral("der Käse")}, 9, 1},
        {101, QStringLiteral("Bild/03 Dinge.txt"), {sound}, {}, {}, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((QString::number(c.code) + QLatin1Char(' ') + c.list).toStdString());
        resetRun();
        g().playerOptions.merkfaehigkeit.pictureCount = 12;
        g().playerOptions.merkfaehigkeit.rememberCount = 12;  // every card heard, the silent one too
        g().playerOptions.merkfaehigkeit.time = c.time;
        g().playerOptions.withArticle = false;
        bubbles.clear();
        audio.clearLog();
        ASSERT_TRUE(damageMaterial(c.deleted, c.truncated));
        const QStringList earlier = {QStringLiteral("P 1.1. Merkfähigkeit-Bild"), QStringLiteral("N Anna"),
                                     QStringLiteral("D 01.12.2026"), QStringLiteral(" "),
                                     QStringLiteral("F 02 Essen.txt"), QStringLiteral("O 2 von 6 Bildern zu merken"),
                                     QStringLiteral("  Aufgabe  1:   0 Fehler  (00:04:120)  der Apfel;das Ei; "),
                                     QStringLiteral("Z 4 Sekunden "), QStringLiteral("S 09:00"),
                                     QStringLiteral("E 09:01"), QStringLiteral("*")};
        ASSERT_TRUE(fsys::writeLines(PlayerProtocolPath(), earlier));
        const QByteArray before = fsys::readFile(PlayerProtocolPath()).value_or(QByteArray());
        ASSERT_FALSE(before.isEmpty());

        auto w = open(folder + c.list, c.code);
        MerkRules& r = w->rules();
        if (c.cards == 0) {
            QTest::qWait(20);
            EXPECT_TRUE(w->runEnded() || !w->isVisible());
            ASSERT_FALSE(bubbles.isEmpty());
            EXPECT_EQ(bubbles.back().trimmed(), QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
            EXPECT_EQ(fsys::readFile(PlayerProtocolPath()).value_or(QByteArray()), before);
            continue;
        }
        EXPECT_TRUE(bubbles.isEmpty());
        QStringList usable, pool;
        for (size_t k = 1; k < g().taskList().front().elements.size(); ++k)
            if (!c.gone.contains(g().taskList().front().elements[k].text))
                usable << g().taskList().front().elements[k].text;
        for (const TEinzelbild& e : r.pool())
            pool << e.text;
        usable.sort();
        pool.sort();
        EXPECT_EQ(pool, usable);
        ASSERT_EQ(r.cardCount(), c.cards);
        for (int k = 1; k <= r.cardCount(); ++k)
            EXPECT_TRUE(usable.contains(r.card(k).element.text)) << r.card(k).element.text.toStdString();

        // The heard words' sounds that are left, the pause between them; nothing else.
        QTest::keyClick(w.get(), Qt::Key_H);
        QStringList expected;
        for (size_t i = 0; i < r.heard().size(); ++i) {
            for (const QString& s : exercise::ElementSounds(r.card(r.heard()[i]).element))
                if (!ResolveSoundName(s).isEmpty())
                    expected << fsys::fileName(ResolveSoundName(s));
            if (i + 1 < r.heard().size() && c.time == 1)
                expected << QStringLiteral("0500.wav");
        }
        EXPECT_EQ(playOut(), expected);
        ASSERT_EQ(r.phase(), Phase::Answering);
        const QString answers = answersOf(*w);
        for (int k : std::vector<int>(r.heard()))
            QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->homeRect(k).center());
        ASSERT_EQ(r.phase(), Phase::Solved);
        playOut();

        ModalWatch driver([](QWidget* m) {
            if (auto* d = qobject_cast<TFormclosedialog*>(m))
                d->sb_ende->click();
        });
        QTest::mouseClick(w->SB_ende, Qt::LeftButton);
        EXPECT_TRUE(w->runEnded());
        EXPECT_TRUE(driver.seen.contains(QStringLiteral("TFormclosedialog")));

        const QByteArray after = fsys::readFile(PlayerProtocolPath()).value_or(QByteArray());
        EXPECT_TRUE(after.startsWith(before));
        const QStringList added = protocolLines().mid(earlier.size());
        const QString caption = c.code == 101 ? QStringLiteral("Merkfähigkeit-Bild") : QStringLiteral("Merkfähigkeit-Text");
        EXPECT_EQ(added.filter(QRegularExpression(QStringLiteral("^P .*") + caption)).size(), 1)
            << added.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(added.contains(QStringLiteral("F ") + fsys::fileName(c.list)));
        const QStringList rows = added.filter(QRegularExpression(QStringLiteral("^  Aufgabe ")));
        ASSERT_EQ(rows.size(), 1) << added.join(QLatin1Char('|')).toStdString();
        const auto m = kRow.match(rows[0]);
        ASSERT_TRUE(m.hasMatch()) << rows[0].toStdString();
        EXPECT_EQ(m.captured(3).toInt(), 0);
        EXPECT_EQ(m.captured(4), answers);
        ASSERT_FALSE(added.isEmpty());
        EXPECT_EQ(added.back(), QStringLiteral("*"));
    }
}

// The bar's captions are never cut or run into each other, at both screen sizes.
TEST_F(MerkWindowTest, BarCaptionsKeepTheirRoom)
{
    for (int code : {101, 102}) {
        auto w = open(folder + (code == 101 ? QStringLiteral("Bild/01 Tiere.txt") : QStringLiteral("Text/01 Tiere.txt")), code);
        for (QSize size : {QSize(1024, 768), QSize(1920, 1080)}) {
            SCOPED_TRACE(::testing::Message() << code << " " << size.width());
            w->resize(size);
            QApplication::processEvents();
            for (QRadioButton* rb : {w->RB_merkspanne, w->RB_reihenfolge}) {
                EXPECT_GE(rb->width(), rb->sizeHint().width());
                EXPECT_LT(rb->geometry().right(), w->L_Bilderanzahl->geometry().left());
            }
        }
        w->endRun(QDialog::Rejected);
    }
}
