#include "core/Catalogue.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "data/PlayerList.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "exercises/Wortreihe/Wortreihe.h"
#include "media/skin/SkinButton.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"
#include "support/ModalWatch.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace wortreihe;

namespace {

const QString kList = QStringLiteral("01 Hörreihen.txt");

class WortreiheWindowTest : public ::testing::Test
{
protected:
    void SetUp() override { install(tree); }

    // A copy of the demo installation, with Anna as the player.
    void install(const TempTree& at)
    {
        copyDemoTo(at);
        resetToInstallation(at.root());
        resetSoundState();
        resetRun();
        installation::ReadMainConfiguration(nullptr);
        LoadPlayerList();
        MakeCurrentPlayer(QStringLiteral("Anna"));
        ReadPlayerOptions(QStringLiteral("Anna"), 0);
        rnd::seed(5);
    }

    QString folder(int code) const { return fsys::withSlash(catalogue::listFolder(code)); }

    std::unique_ptr<TFormWortreihe> open(int code, const QString& path, int k = 4, QSize size = QSize(1024, 768))
    {
        g().programCode = code;
        ReadPlayerOptions(QStringLiteral("Anna"), code);
        auto& o = g().playerOptions.wortreihe;
        o.pictureCount = k;
        o.randomOrder = false;
        o.checkAtOnce = false;
        o.feedback.successFrequency = 0;
        g().defaultElementCount = 6;
        if (LoadTaskList(path) <= 0)
            g().loadedList.tasks.clear();
        auto w = std::make_unique<TFormWortreihe>(code, path);
        w->show();
        w->resize(size);
        QApplication::processEvents();
        return w;
    }
    QStringList playOut()
    {
        for (int i = 0; i < 100; ++i) {
            QApplication::processEvents();
            if (audio.endNext().isEmpty())
                break;
        }
        QApplication::processEvents();
        QStringList names;
        for (const QString& f : audio.started())
            names << fsys::fileName(f);
        audio.clearLog();
        return names;
    }
    QStringList protocolLines()
    {
        auto lines = fsys::readLines(PlayerProtocolPath());
        return lines ? *lines : QStringList();
    }
    static void clickMarker(TFormWortreihe& w, int card)
    {
        QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, w.markerRects()[size_t(card)].center());
    }
    static QString words(const WortreiheRules& r)
    {
        QStringList list;
        if (r.doppelgaenger())
            for (int e : r.heardOrder())
                list << r.element(e).text;
        else
            for (const Card& c : r.cards())
                list << r.element(c.element).text;
        return list.join(QStringLiteral(" - "));
    }

    // One task answered through the window: right at once, or with one wrong answer first.
    void answer(TFormWortreihe& w, bool wrongFirst)
    {
        WortreiheRules& r = w.rules();
        w.hoerenClick();
        playOut();
        if (wrongFirst) {
            w.markerClick(r.solutionCard() == 0 ? 1 : 0);
            w.pruefenClick();
            playOut();
        }
        w.markerClick(r.solutionCard());
        w.pruefenClick();
        playOut();
        ASSERT_EQ(r.taskState(), TaskState::Solved);
    }
    static int changedPixels(const QImage& a, const QImage& b)
    {
        int n = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                n += a.pixel(x, y) != b.pixel(x, y);
        return n;
    }

    TempTree tree;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;
};

// Every task of the demo list answered through the window (keys and clicks, one wrong answer), then
// the end button and the closing dialog's "Ende": the protocol file holds one row per answered task.
TEST_F(WortreiheWindowTest, PlayThroughEndsInTheProtocolFile)
{
    for (int code : {201, 202, 203, 204}) {
        SCOPED_TRACE(code);
        resetRun();
        const QStringList before = protocolLines();
        auto w = open(code, folder(code) + kList);
        WortreiheRules& r = w->rules();
        ASSERT_GE(r.taskCount(), 3);
        ASSERT_EQ(r.k(), 4);
        ASSERT_EQ(w->cardRects().size(), 4u);
        EXPECT_FALSE(w->SB_pruefen->isVisible());
        struct Row { int errors; QString words; };
        std::vector<Row> rows;
        for (int task = 0; task < r.taskCount(); ++task) {
            ASSERT_EQ(r.currentTask(), task);
            EXPECT_EQ(w->E_Aufgabe->text(), QString::number(task + 1));
            QTest::keyClick(w.get(), task % 2 ? Qt::Key_Return : Qt::Key_H);
            EXPECT_EQ(r.soundState(), SoundState::Playing);
            const QStringList heard = playOut();
            ASSERT_EQ(r.taskState(), TaskState::Heard);
            // Every heard word sounds; pauses lie between them.
            EXPECT_GE(heard.size(), int(r.heardOrder().size()) * 2 - 1);
            const int right = r.solutionCard();
            if (task == 1) {
                clickMarker(*w, right == 0 ? 1 : 0);
                ASSERT_TRUE(w->SB_pruefen->isVisible());
                QTest::keyClick(w.get(), Qt::Key_P);
                EXPECT_EQ(r.taskState(), TaskState::Retry);
                EXPECT_FALSE(w->SB_pruefen->isEnabled());
                playOut();
                rows.push_back({1, words(r)});
                clickMarker(*w, right);
                QTest::mouseClick(w->SB_pruefen, Qt::LeftButton);
                ASSERT_EQ(r.taskState(), TaskState::Solved);
                playOut();
                // Two attempts: "Weiter " sets the same task up again.
                QTest::keyClick(w.get(), Qt::Key_W);
                ASSERT_EQ(r.currentTask(), task);
                QTest::keyClick(w.get(), Qt::Key_H);
                playOut();
            }
            // Arrow keys walk to the right card and mark it with the keyboard face.
            for (int i = 0; i <= r.solutionCard(); ++i)
                QTest::keyClick(w.get(), Qt::Key_Right);
            EXPECT_EQ(r.cards()[size_t(r.solutionCard())].face, 3);
            rows.push_back({0, words(r)});
            QTest::keyClick(w.get(), Qt::Key_Return);
            ASSERT_EQ(r.taskState(), TaskState::Solved);
            playOut();
            EXPECT_TRUE(w->SB_hoeren->isVisible());
            if (task + 1 < r.taskCount())
                QTest::keyClick(w.get(), Qt::Key_Return);
        }
        ModalWatch driver([](QWidget* m) {
            if (auto* d = qobject_cast<TFormclosedialog*>(m))
                d->sb_ende->click();
        });
        QTest::mouseClick(w->SB_ende, Qt::LeftButton);
        EXPECT_TRUE(w->runEnded());
        EXPECT_TRUE(driver.seen.contains(QStringLiteral("TFormclosedialog")));

        const QStringList lines = protocolLines();
        ASSERT_GT(lines.size(), before.size());
        const QStringList added = lines.mid(before.size());
        EXPECT_EQ(added.filter(QRegularExpression(QStringLiteral("^P "))).size(), 1);
        EXPECT_TRUE(added.contains(QStringLiteral("F ") + kList));
        const QStringList got = added.filter(QRegularExpression(QStringLiteral("^  Aufgabe ")));
        ASSERT_EQ(got.size(), int(rows.size())) << added.join(QLatin1Char('\n')).toStdString();
        const QRegularExpression shape(
            QStringLiteral("^  Aufgabe +(\\d+): +(\\d+) Fehler  \\(\\d\\d:\\d\\d:\\d\\d\\d\\)  (.*) $"));
        for (size_t i = 0; i < rows.size(); ++i) {
            const auto m = shape.match(got[int(i)]);
            ASSERT_TRUE(m.hasMatch()) << got[int(i)].toStdString();
            EXPECT_EQ(m.captured(1).toInt(), int(i) + 1);
            EXPECT_EQ(m.captured(2).toInt(), rows[i].errors);
            EXPECT_EQ(m.captured(3), rows[i].words);
        }
    }
}

// The solved Doppelgänger-Text shows the replay button, writes the heard order into the sequence
// boxes and draws the doubled word in red.
TEST_F(WortreiheWindowTest, DoppelgaengerTextShowsTheHeardOrderAfterSolving)
{
    auto w = open(202, folder(202) + kList, 3);
    WortreiheRules& r = w->rules();
    ASSERT_EQ(w->sequenceRects().size(), 4u);
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    const QImage empty = w->backBuffer().copy(w->sequenceRects()[0]);
    clickMarker(*w, r.solutionCard());
    QTest::keyClick(w.get(), Qt::Key_Return);
    ASSERT_EQ(r.taskState(), TaskState::Solved);
    EXPECT_NE(w->backBuffer().copy(w->sequenceRects()[0]), empty);
    EXPECT_TRUE(w->SB_pruefen->isVisible());
    int red = 0;
    const QImage card = w->backBuffer().copy(w->cardRects()[size_t(r.solutionCard())]);
    for (int y = 0; y < card.height(); ++y)
        for (int x = 0; x < card.width(); ++x) {
            const QColor c = card.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
        }
    EXPECT_GT(red, 20);
    audio.clearLog();
    QTest::keyClick(w.get(), Qt::Key_N);
    EXPECT_EQ(r.soundState(), SoundState::Replaying);
    EXPECT_FALSE(playOut().isEmpty());
    w->endRun();
}

// Task navigation: "<" and ">", the number box with its message for a wrong value.
TEST_F(WortreiheWindowTest, TaskNavigationAndTheNumberBox)
{
    auto w = open(203, folder(203) + kList);
    EXPECT_FALSE(w->BB_zurueck->isEnabled());
    QTest::mouseClick(w->BB_vor, Qt::LeftButton);
    EXPECT_EQ(w->rules().currentTask(), 1);
    w->E_Aufgabe->setText(QStringLiteral("99"));
    w->taskNumberEntered();
    ASSERT_FALSE(scripted.asked().isEmpty());
    EXPECT_EQ(scripted.asked().back().text, QStringLiteral("Bitte einen gültigen Wert eingeben!"));
    EXPECT_EQ(w->rules().currentTask(), 1);
    w->E_Aufgabe->setText(QStringLiteral("3"));
    w->taskNumberEntered();
    EXPECT_EQ(w->rules().currentTask(), 2);
    QTest::mouseClick(w->SB_anzahl[3], Qt::LeftButton);
    EXPECT_EQ(g().playerOptions.wortreihe.pictureCount, 6);
    EXPECT_EQ(w->cardRects().size(), size_t(w->rules().k()));
    w->endRun();
}

TEST_F(WortreiheWindowTest, EscapeWithNothingAnsweredLeavesTheProtocolAlone)
{
    const QStringList old = protocolLines();
    auto w = open(201, folder(201) + kList);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_TRUE(w->runEnded());
    EXPECT_EQ(protocolLines(), old);
}

// Random bytes, missing pictures and sounds, too few elements: the message or silence, no crash,
// the protocol file untouched.
TEST_F(WortreiheWindowTest, BadListsNeverCrashAndNeverTouchTheProtocol)
{
    const QStringList old = protocolLines();
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char(rnd::below(256));
    {
        auto w = open(201, tree.write("Listen/junk.txt", junk));
        QTest::keyClick(w.get(), Qt::Key_H);
        QTest::keyClick(w.get(), Qt::Key_Return);
        EXPECT_FALSE(w->SB_hoeren->isEnabled());
        w->endRun();
    }
    // Pictures and sounds missing: the picture program has too few data, the text program plays
    // silently and can be answered.
    QStringList lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=2")};
    for (int k = 1; k <= 2; ++k) {
        lines << QStringLiteral("[Aufgabe %1]").arg(k);
        for (int e = 1; e <= 4; ++e)
            lines << QStringLiteral("%1=weg%1%2.jpg|100|Wort%1%2|weg%1%2.wav").arg(e).arg(k);
    }
    const QString missing = tree.writeLines("Listen/missing.txt", lines);
    {
        scripted.clear();
        auto w = open(203, missing);
        ASSERT_FALSE(scripted.asked().isEmpty());
        EXPECT_EQ(scripted.asked().back().text, kTooFewData);
        EXPECT_FALSE(w->SB_hoeren->isEnabled());
        w->endRun();
    }
    {
        auto w = open(202, missing);
        audio.clearLog();
        QTest::keyClick(w.get(), Qt::Key_H);
        // Only the pauses between the words sound.
        EXPECT_TRUE(playOut().filter(QStringLiteral("weg")).isEmpty());
        EXPECT_EQ(w->rules().taskState(), TaskState::Heard);
        clickMarker(*w, w->rules().solutionCard());
        QTest::keyClick(w.get(), Qt::Key_Return);
        EXPECT_EQ(w->rules().taskState(), TaskState::Solved);
        w->endRun();
    }
    // Two elements per task only.
    lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=2")};
    for (int k = 1; k <= 2; ++k)
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("1=|100|Haus|Haus.wav")
              << QStringLiteral("2=|100|Maus|Maus.wav");
    {
        scripted.clear();
        auto w = open(204, tree.writeLines("Listen/two.txt", lines));
        ASSERT_FALSE(scripted.asked().isEmpty());
        EXPECT_EQ(scripted.asked().back().text, kTooFewData);
        QTest::mouseClick(w->BB_vor, Qt::LeftButton);
        EXPECT_EQ(scripted.asked().size(), 2);
        w->endRun();
    }
    EXPECT_EQ(protocolLines(), old);
}

// Every demo list of the four programs loads, and every task has at least three usable words whose
// sounds exist.
TEST_F(WortreiheWindowTest, EveryDemoListHasPlayableTasks)
{
    TWAV player(nullptr);
    for (int code : {201, 202, 203, 204}) {
        g().programCode = code;
        g().defaultElementCount = 6;
        g().playerOptions.wortreihe.pictureCount = 6;
        const QStringList files = fsys::list(folder(code), QStringLiteral("*.txt"), false, fsys::Entries::Files);
        int long_ = 0;
        for (const QString& f : files) {
            const int n = LoadTaskList(folder(code) + f);
            ASSERT_GE(n, 3) << f.toStdString();
            long_ += n >= 10;
            WortreiheRules r(player, code);
            ASSERT_TRUE(r.startList(f));
            for (int t = 0; t < r.taskCount(); ++t) {
                r.goTo(t);
                EXPECT_TRUE(r.message.isEmpty()) << f.toStdString() << " " << t;
                EXPECT_GE(r.k(), 3);
                for (const Card& c : r.cards())
                    EXPECT_FALSE(ResolveSoundName(r.element(c.element).sounds).isEmpty()) << f.toStdString();
            }
        }
        EXPECT_GE(long_, 3) << code;
    }
}

// Screenshots for a person to look at: run under Xvfb with the xcb platform and KALIMO_SHOTS_DIR set
// (scripts/screenshots); skipped otherwise.
TEST_F(WortreiheWindowTest, ScreenshotsOfATaskForAPersonToLookAt)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString tag = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    for (int code : {201, 202, 203, 204}) {
        auto shot = [&](const QString& name) {
            QTest::qWait(300);
            QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QStringLiteral("/wortreihe%1-").arg(code) +
                                                                tag + QLatin1Char('-') + name +
                                                                QStringLiteral(".png"));
        };
        resetRun();
        g().programCode = code;
        ReadPlayerOptions(QStringLiteral("Anna"), code);
        g().playerOptions.wortreihe.pictureCount = code == 201 ? 6 : 4;
        const QString path = folder(code) + kList;
        LoadTaskList(path);
        TFormWortreihe w(code, path);
        w.show();
        QTest::qWait(500);
        QTest::keyClick(&w, Qt::Key_H);
        playOut();
        shot(QStringLiteral("1-task"));
        const int right = w.rules().solutionCard();
        clickMarker(w, right == 0 ? 1 : 0);
        QTest::keyClick(&w, Qt::Key_P);
        shot(QStringLiteral("2-wrong"));
        playOut();
        clickMarker(w, right);
        QTest::keyClick(&w, Qt::Key_P);
        shot(QStringLiteral("3-right"));
        w.endRun();
    }
}

// Card pictures, shadow tables and marker faces kept from earlier tasks (the list comes round again with
// the same pictures at the same card size), and a back buffer only partly put back, draw the cards of a
// solved and of a new task exactly as a drawing made afresh after a change of size.
TEST_F(WortreiheWindowTest, KeptDrawingsShowTasksAsFreshOnes)
{
    for (int code : {201, 203}) {
        SCOPED_TRACE(code);
        auto w = open(code, folder(code) + kList, 6);
        WortreiheRules& r = w->rules();
        ASSERT_EQ(w->cardRects().size(), 6u);
        auto solve = [&] {
            w->hoerenClick();
            playOut();
            w->markerClick(r.solutionCard());
            w->pruefenClick();
            playOut();
            ASSERT_EQ(r.taskState(), TaskState::Solved);
        };
        auto expectAsFresh = [&] {
            const QImage kept = w->backBuffer().copy();
            w->resize(1000, 700);
            QApplication::processEvents();
            w->resize(1024, 768);
            QApplication::processEvents();
            ASSERT_EQ(w->backBuffer().size(), kept.size());
            EXPECT_TRUE(w->backBuffer() == kept);
        };
        for (int task = 0; task <= r.taskCount(); ++task) {
            solve();
            if (r.currentTask() + 1 >= r.taskCount())
                scripted.answer(dialogs::Button::No);  // the end question after the last task: go on
            w->weiterClick();
        }
        solve();
        expectAsFresh();
        w->weiterClick();
        QApplication::processEvents();
        expectAsFresh();
        w->endRun(QDialog::Rejected);
    }
}

// A group of five is collected whatever its last symbol was: a wrong answer as the fifth symbol
// plays the strip sounds and places the collected symbol at the top left.
TEST_F(WortreiheWindowTest, AWrongFifthSymbolIsCollectedToo)
{
    for (int code : {203, 204}) {
        SCOPED_TRACE(code);
        resetRun();
        auto w = open(code, folder(code) + kList);
        WortreiheRules& r = w->rules();
        for (int task = 0; task < 4; ++task) {
            answer(*w, false);
            if (r.currentTask() + 1 >= r.taskCount())
                scripted.answer(dialogs::Button::No);
            w->weiterClick();
        }
        ASSERT_EQ(WortreiheRules::StripSymbols().size(), 4u);
        w->hoerenClick();
        playOut();
        const QRect corner(0, 0, w->width() / 6, w->taskArea().top());
        const QImage before = w->backBuffer().copy(corner);
        audio.clearLog();
        w->markerClick(r.solutionCard() == 0 ? 1 : 0);
        w->pruefenClick();
        ASSERT_EQ(r.taskState(), TaskState::Retry);
        ASSERT_EQ(WortreiheRules::StripSymbols().size(), 5u);
        const QStringList oneShots = audio.log().filter(QStringLiteral("oneshot "));
        ASSERT_EQ(oneShots.size(), 2) << audio.log().join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(oneShots[0].endsWith(code == 203 ? QStringLiteral("erfolg_bild.wav")
                                                     : QStringLiteral("erfolg_links.wav")));
        EXPECT_TRUE(oneShots[1].endsWith(QStringLiteral("erfolg_rechts.wav")));
        EXPECT_GT(changedPixels(before, w->backBuffer().copy(corner)), 20);
        w->endRun(QDialog::Rejected);
    }
}

// The strip with only the wrong-answer and the collected metafile in "Knopf" draws a right answer
// without failing; with a single metafile it draws nothing.
TEST_F(WortreiheWindowTest, AStripOfTwoMetafilesDrawsARightAnswer)
{
    for (int kept : {2, 1}) {
        SCOPED_TRACE(kept);
        resetRun();
        const QString knopf = fsys::withSlash(g().config.dirs.knopf);
        QStringList files = fsys::list(knopf, QStringLiteral("*.wmf"), false, fsys::Entries::Files) +
                            fsys::list(knopf, QStringLiteral("*.emf"), false, fsys::Entries::Files);
        files.sort(Qt::CaseInsensitive);
        ASSERT_GE(files.size(), kept);
        for (int i = 0; i < files.size() - kept; ++i)
            ASSERT_TRUE(QFile::remove(knopf + files[i]));
        auto w = open(204, folder(204) + kList);
        const QRect column(0, w->taskArea().top(), w->width() / 5, w->taskArea().height());
        const QImage before = w->backBuffer().copy(column);
        answer(*w, false);
        const int changed = changedPixels(before, w->backBuffer().copy(column));
        if (kept == 2)
            EXPECT_GT(changed, 20);
        else
            EXPECT_EQ(changed, 0);
        w->endRun(QDialog::Rejected);
    }
}

// "Weiter " goes on while a clicked word still plays after solving, as Enter and W do; the word stops.
TEST_F(WortreiheWindowTest, WeiterGoesOnWhileAWordPlays)
{
    auto w = open(204, folder(204) + kList);
    WortreiheRules& r = w->rules();
    answer(*w, false);
    ASSERT_TRUE(w->SB_hoeren->isVisible());
    w->cardClick(0);
    ASSERT_EQ(r.soundState(), SoundState::WordPlaying);
    ASSERT_FALSE(audio.playingChannels().isEmpty());
    QTest::mouseClick(w->SB_hoeren, Qt::LeftButton);
    EXPECT_EQ(r.currentTask(), 1);
    EXPECT_EQ(w->E_Aufgabe->text(), QStringLiteral("2"));
    EXPECT_EQ(r.taskState(), TaskState::New);
    EXPECT_TRUE(audio.playingChannels().isEmpty());
    w->endRun(QDialog::Rejected);
}

// Unmarking the only marked card hides "Prüfen "; Enter then listens again instead of checking.
TEST_F(WortreiheWindowTest, UnmarkingHidesTheCheckButton)
{
    auto w = open(203, folder(203) + kList);
    WortreiheRules& r = w->rules();
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    clickMarker(*w, 0);
    EXPECT_TRUE(w->SB_pruefen->isVisible());
    EXPECT_TRUE(w->SB_pruefen->isEnabled());
    clickMarker(*w, 0);
    EXPECT_FALSE(w->SB_pruefen->isVisible());
    QTest::keyClick(w.get(), Qt::Key_Return);
    EXPECT_EQ(r.soundState(), SoundState::Playing);
    EXPECT_EQ(run().runResults.back().Rows.back().Attempts, 0);
    w->endRun(QDialog::Rejected);
}

// After solving, "Weiter " shows the light arrow with a dark caption, as in the other programs.
TEST_F(WortreiheWindowTest, WeiterHasADarkCaption)
{
    auto w = open(201, folder(201) + kList);
    auto darkPixels = [&] {
        const QImage face = SkinFace(w->SB_hoeren);
        const int slotWidth = face.width() / SkinSlots(w->SB_hoeren);
        int n = 0;
        for (int y = face.height() / 2; y < face.height(); ++y)
            for (int x = 0; x < slotWidth; ++x) {
                const QColor c = face.pixelColor(x, y);
                n += c.red() < 60 && c.green() < 60 && c.blue() < 60;
            }
        return n;
    };
    // "Hören ": its caption stands beside the dark symbol on the light face, so it is dark too.
    EXPECT_GT(darkPixels(), 50);
    answer(*w, false);
    ASSERT_TRUE(w->SB_hoeren->isVisible());
    EXPECT_GT(darkPixels(), 50);
    w->endRun(QDialog::Rejected);
}

// "Hören " and the check button wear faces of their present size after every change of the window's
// size, drawn as a window opened at that size draws them; "Weiter " and "Nochmal hören" too.
TEST_F(WortreiheWindowTest, MiddleButtonFacesFollowTheWindowSize)
{
    auto w = open(202, folder(202) + kList);
    auto expectFaceFits = [](QPushButton* b) {
        const QImage face = SkinFace(b);
        EXPECT_EQ(face.height(), b->height() - 4) << b->objectName().toStdString();
        EXPECT_EQ(face.width(), (b->width() - 4) * SkinSlots(b)) << b->objectName().toStdString();
    };
    const QSize sizes[] = {QSize(800, 600), QSize(1280, 960), QSize(1024, 768)};
    QSize previous = w->SB_hoeren->size();
    for (const QSize& s : sizes) {
        SCOPED_TRACE(s.width());
        w->resize(s);
        QApplication::processEvents();
        ASSERT_NE(w->SB_hoeren->size(), previous);  // the change reaches the buttons
        previous = w->SB_hoeren->size();
        expectFaceFits(w->SB_hoeren);
        expectFaceFits(w->SB_pruefen);
        auto fresh = open(202, folder(202) + kList, 4, s);
        ASSERT_EQ(fresh->SB_hoeren->size(), w->SB_hoeren->size());
        EXPECT_TRUE(w->SB_hoeren->grab().toImage() == fresh->SB_hoeren->grab().toImage());
        EXPECT_TRUE(SkinFace(w->SB_pruefen) == SkinFace(fresh->SB_pruefen));
        fresh->endRun(QDialog::Rejected);
    }
    answer(*w, false);
    ASSERT_TRUE(w->rules().checkIsReplay());
    for (const QSize& s : {QSize(800, 600), QSize(1280, 960)}) {
        w->resize(s);
        QApplication::processEvents();
        expectFaceFits(w->SB_hoeren);
        expectFaceFits(w->SB_pruefen);
    }
    w->endRun(QDialog::Rejected);
}

// Demo lists with pictures and sounds deleted or cut short: a task with too few pictures shows the
// message and cannot be heard, a missing sound is skipped silently, the rest is answered; ending through
// "Ende" and the closing dialog keeps the earlier run of the protocol file and adds this one.
TEST_F(WortreiheWindowTest, DemoListsWithMissingMaterialKeepTheProtocol)
{
    struct Case
    {
        int code;
        QString list;
        QStringList deleted, truncated;  // below the material folder; a name ending in "/" is a folder
        std::vector<int> k;              // per task; 0: too few data
    };
    const QString bilder = QStringLiteral("Bilder/"), sound = QStringLiteral("Sound/");
    const Case cases[] = {
        {201, kList, {bilder + "Rose.wmf", sound + "Haus.wav", bilder + "Fisch.wmf", sound + "Reis.wav", sound + "Mais.wav"},
         {bilder + "Schaf.jpg"}, {3, 0, 4, 4}},
        {203, kList, {bilder + "Mond.bmp", bilder + "Schuh.jpg", sound + "Banane.wav", sound + "Kanne.wav"},
         {bilder + "Rakete.jpg"}, {0, 0, 3, 4, 4}},
        {203, QStringLiteral("02 Reime.txt"), {bilder}, {}, {}},  // every task too few: nothing answered
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((QString::number(c.code) + QLatin1Char(' ') + c.list).toStdString());
        TempTree at;
        install(at);
        scripted.clear();
        audio.clearLog();
        ASSERT_TRUE(damageMaterial(c.deleted, c.truncated));
        const QStringList earlier = {QStringLiteral("P 2.1. Doppelgänger - Bild"), QStringLiteral("N Anna"),
                                     QStringLiteral("D 01.12.2026"), QStringLiteral(" "),
                                     QStringLiteral("F 02 Reimwörter.txt"), QStringLiteral("O "),
                                     QStringLiteral("  Aufgabe  1:   0 Fehler  (00:04:120)  Haus - Maus - Haus - Hose "),
                                     QStringLiteral("Z 4 Sekunden "), QStringLiteral("S 09:00"),
                                     QStringLiteral("E 09:01"), QStringLiteral("*")};
        ASSERT_TRUE(fsys::writeLines(PlayerProtocolPath(), earlier));
        const QByteArray before = fsys::readFile(PlayerProtocolPath()).value_or(QByteArray());
        ASSERT_FALSE(before.isEmpty());

        auto w = open(c.code, folder(c.code) + c.list);
        WortreiheRules& r = w->rules();
        ASSERT_GT(r.taskCount(), 0);
        const std::vector<int> k = c.k.empty() ? std::vector<int>(size_t(r.taskCount()), 0) : c.k;
        ASSERT_EQ(r.taskCount(), int(k.size()));
        QStringList rows;
        qsizetype messages = 0;
        bool silent = false;
        for (int task = 0; task < r.taskCount(); ++task) {
            SCOPED_TRACE(task);
            if (task > 0)
                QTest::mouseClick(w->BB_vor, Qt::LeftButton);
            ASSERT_EQ(r.currentTask(), task);
            QTest::keyClick(w.get(), Qt::Key_H);
            const QStringList heard = playOut();
            if (k[size_t(task)] == 0) {
                ASSERT_EQ(scripted.asked().size(), messages + 1);
                EXPECT_EQ(scripted.asked().back().text, kTooFewData);
                EXPECT_FALSE(w->SB_hoeren->isEnabled());
                EXPECT_TRUE(heard.isEmpty());
                EXPECT_EQ(r.taskState(), TaskState::New);
                ++messages;
                continue;
            }
            EXPECT_EQ(scripted.asked().size(), messages);
            EXPECT_EQ(r.k(), k[size_t(task)]);
            EXPECT_EQ(w->cardRects().size(), size_t(k[size_t(task)]));
            ASSERT_EQ(r.taskState(), TaskState::Heard);
            // Every word whose sound is there is heard; the others are skipped silently.
            for (int e : r.heardOrder()) {
                const QString file = ResolveSoundName(r.element(e).sounds);
                if (file.isEmpty())
                    silent = true;
                else
                    EXPECT_TRUE(heard.contains(fsys::fileName(file))) << file.toStdString();
            }
            clickMarker(*w, r.solutionCard());
            rows << words(r);
            QTest::keyClick(w.get(), Qt::Key_Return);
            ASSERT_EQ(r.taskState(), TaskState::Solved);
            playOut();
        }
        EXPECT_EQ(silent, !c.deleted.filter(sound).isEmpty());
        ModalWatch driver([](QWidget* m) {
            if (auto* d = qobject_cast<TFormclosedialog*>(m))
                d->sb_ende->click();
        });
        QTest::mouseClick(w->SB_ende, Qt::LeftButton);
        EXPECT_TRUE(w->runEnded());
        EXPECT_EQ(driver.seen.contains(QStringLiteral("TFormclosedialog")), !rows.isEmpty());

        const QByteArray after = fsys::readFile(PlayerProtocolPath()).value_or(QByteArray());
        EXPECT_TRUE(after.startsWith(before));
        if (rows.isEmpty()) {
            EXPECT_EQ(after, before);
            continue;
        }
        const QStringList added = protocolLines().mid(earlier.size());
        EXPECT_TRUE(added.contains(QStringLiteral("F ") + c.list)) << added.join(QLatin1Char('\n')).toStdString();
        const QStringList got = added.filter(QRegularExpression(QStringLiteral("^  Aufgabe ")));
        ASSERT_EQ(got.size(), rows.size()) << added.join(QLatin1Char('\n')).toStdString();
        const QRegularExpression shape(
            QStringLiteral("^  Aufgabe +(\\d+): +0 Fehler  \\(\\d\\d:\\d\\d:\\d\\d\\d\\)  (.*) $"));
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const auto m = shape.match(got[i]);
            ASSERT_TRUE(m.hasMatch()) << got[i].toStdString();
            EXPECT_EQ(m.captured(1).toInt(), int(i) + 1);
            EXPECT_EQ(m.captured(2), rows[i]);
        }
    }
}

} // namespace

// A list of random bytes or without tasks: the message every program gives, and the window closes.
TEST_F(WortreiheWindowTest, AListWithoutTasksIsRefusedAndTheWindowCloses)
{
    const QStringList old = protocolLines();
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char(rnd::below(256));
    const QString lists[] = {tree.write("Listen/junk.txt", junk),
                             tree.writeLines("Listen/empty.txt", {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=0")})};
    for (int code : {201, 202, 203, 204}) {
        for (const QString& list : lists) {
            SCOPED_TRACE(::testing::Message() << code << " " << list.toStdString());
            scripted.clear();
            auto w = open(code, list);
            QApplication::processEvents();
            ASSERT_EQ(scripted.asked().size(), 1);
            EXPECT_EQ(scripted.asked().front().text, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
            EXPECT_TRUE(w->runEnded());
        }
    }
    EXPECT_EQ(protocolLines(), old);
}

// A task left after wrong answers says so in the protocol: one wrong answer is "1 Fehler", never
// "0 Fehler", and the result does not count it as right.
TEST_F(WortreiheWindowTest, AnUnsolvedTaskCountsItsWrongAnswers)
{
    for (int wrong : {1, 2}) {
        SCOPED_TRACE(wrong);
        resetRun();
        auto w = open(203, folder(203) + kList);
        answer(*w, false);
        QTest::keyClick(w.get(), Qt::Key_W);
        WortreiheRules& r = w->rules();
        w->hoerenClick();
        playOut();
        for (int i = 0; i < wrong; ++i) {
            w->markerClick(r.solutionCard() == 0 ? 1 : 0);
            w->pruefenClick();
            playOut();
        }
        ASSERT_NE(r.taskState(), TaskState::Solved);
        ModalWatch driver([](QWidget* m) {
            if (auto* d = qobject_cast<TFormclosedialog*>(m))
                d->sb_ende->click();
        });
        QTest::keyClick(w.get(), Qt::Key_Escape);
        ASSERT_TRUE(w->runEnded());
        const QStringList rows = protocolLines().filter(QRegularExpression(QStringLiteral("^  Aufgabe ")));
        ASSERT_GE(rows.size(), 2);
        EXPECT_TRUE(rows[rows.size() - 2].contains(QStringLiteral(":   0 Fehler "))) << rows[rows.size() - 2].toStdString();
        EXPECT_TRUE(rows.back().contains(QStringLiteral(":  %1 Fehler ").arg(wrong, 2))) << rows.back().toStdString();
    }
}
