#include "chooser/TaskOrder.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "data/PlayerList.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "exercises/GleichNichtGleich/GleichNichtGleich.h"
#include "media/sound/Sound.h"
#include "options/O_alle.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"
#include "support/ModalWatch.h"
#include "support/DemoPlayer.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDirIterator>
#include <QGuiApplication>
#include <QScreen>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace gleich;

namespace {

const QString kList = QStringLiteral("Minimalpaare/01 Haus und Maus.txt");

class GleichWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        openDemoAs(tree, QStringLiteral("Anna"), 301);
        g().playerOptions.gleichNichtgleich.randomOrder = false;
        rnd::seed(11);
        TFormGleichNichtGleich::autoListenDelayMs() = 0;
        TFormGleichNichtGleich::revealPattern() = 3;
        folder = fsys::withSlash(g().config.dirs.listen) +
                 QStringLiteral("3_Differenzierung/1_Gleich oder Nichtgleich/");
    }
    void TearDown() override { TFormGleichNichtGleich::autoListenDelayMs() = 1000; }

    std::unique_ptr<TFormGleichNichtGleich> open(const QString& path)
    {
        g().defaultElementCount = 2;
        const int n = LoadTaskList(path);
        if (n <= 0)
            g().loadedList.tasks.clear();
        BuildTaskOrder(std::max(0, n), false);
        auto w = std::make_unique<TFormGleichNichtGleich>(path);
        w->show();
        w->resize(1024, 768);
        QApplication::processEvents();
        return w;
    }
    // Lets every sound end, oldest first; the started files' names.
    QStringList playOut()
    {
        for (int i = 0; i < 60; ++i) {
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
    static void pointTo(QWidget* button)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(button, &move);
    }
    QStringList protocolLines()
    {
        auto lines = fsys::readLines(PlayerProtocolPath());
        return lines ? *lines : QStringList();
    }

    TempTree tree;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;
    QString folder;
};

TEST_F(GleichWindowTest, PlayThroughByKeysAndClicksEndsInTheProtocolFile)
{
    auto w = open(folder + kList);
    auto& rules = w->rules();
    ASSERT_EQ(rules.taskCount(), 12);
    ASSERT_EQ(w->stripButtons().size(), 12u);

    for (int task = 0; task < 12; ++task) {
        if (task > 0) {
            QTest::keyClick(w.get(), Qt::Key_W);  // "Weiter", then the words come by themselves
            QTest::qWait(5);
        } else {
            QTest::keyClick(w.get(), Qt::Key_H);
        }
        ASSERT_EQ(rules.position(), task);
        // The strip marks the task now current by its red number.
        EXPECT_GT(redPixels(w->stripButtons()[size_t(task)]), 5) << task;
        const QStringList heard = playOut();
        ASSERT_GE(heard.size(), 2) << task;
        ASSERT_TRUE(w->SB_gleich->isEnabled() && w->SB_nichtgleich->isEnabled()) << task;
        QPushButton* right = rules.sameTexts() ? w->SB_gleich : w->SB_nichtgleich;
        QPushButton* wrong = right == w->SB_gleich ? w->SB_nichtgleich : w->SB_gleich;
        if (task == 4) {
            QTest::mouseClick(wrong, Qt::LeftButton);
            EXPECT_EQ(rules.state(), AnswerState::ErrorFeedback);
            playOut();
            EXPECT_FALSE(right->isEnabled());
            pointTo(right);
            ASSERT_TRUE(right->isEnabled());
        }
        QTest::mouseClick(right, Qt::LeftButton);
        ASSERT_EQ(rules.state(), AnswerState::Solved) << task;
        playOut();
        EXPECT_TRUE(w->SB_weiter->isVisible());
    }
    EXPECT_TRUE(rules.allSolved());
    // The strip shows the error picture for the task answered wrong first.
    EXPECT_GE(w->taskStates[4].state % 4, 2);

    // "Weiter" after the last task: no new round; the closing dialog ends the run.
    scripted.answer(dialogs::Button::No);
    ModalWatch driver([](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_ende->click();
    });
    QTest::keyClick(w.get(), Qt::Key_W);
    EXPECT_TRUE(scripted.asked().size() >= 1 &&
                scripted.asked().front().text.contains(QStringLiteral("Die Datei ist vollständig bearbeitet!")));
    EXPECT_TRUE(w->runEnded());
    EXPECT_TRUE(driver.seen.contains(QStringLiteral("TFormclosedialog")));

    const QStringList lines = protocolLines();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.contains(QStringLiteral("P 3.1. Gleich/Nicht gleich?")));
    EXPECT_TRUE(lines.contains(QStringLiteral("N Anna")));
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^D \\d\\d\\.\\d\\d\\.\\d{4}$"))).size(), 1);
    EXPECT_TRUE(lines.contains(QStringLiteral("F 01 Haus und Maus.txt")));
    const QStringList rows = lines.filter(QRegularExpression(QStringLiteral("^  Aufgabe ")));
    ASSERT_EQ(rows.size(), 12);
    const QRegularExpression rowShape(
        QStringLiteral("^  Aufgabe [ \\d]\\d:  +(\\d+) Fehler  \\(\\d\\d:\\d\\d:\\d\\d\\d\\)  (gleich:   |ungleich: )\\S+ - \\S+ $"));
    int errors = 0;
    for (const QString& row : rows) {
        const auto m = rowShape.match(row);
        ASSERT_TRUE(m.hasMatch()) << row.toStdString();
        errors += m.captured(1).toInt();
    }
    EXPECT_EQ(errors, 1);
    EXPECT_TRUE(rows[4].contains(QStringLiteral(" 1 Fehler")));
    EXPECT_TRUE(rows[0].startsWith(QStringLiteral("  Aufgabe  1:")));
}

TEST_F(GleichWindowTest, OneTaskPlaysTheCardsWithPausesAndThenThePraise)
{
    g().playerOptions.gleichNichtgleich.feedback.successSource = 2;  // one praise sound at random
    g().playerOptions.gleichNichtgleich.feedback.successFrequency = 0;
    auto w = open(folder + kList);
    auto& rules = w->rules();
    audio.clearLog();
    QTest::keyClick(w.get(), Qt::Key_H);
    const QStringList heard = playOut();
    const QStringList s1 = rules.card(1).element.sounds.split(';'), s2 = rules.card(2).element.sounds.split(';');
    ASSERT_EQ(s1.size(), 1);
    const QString pause = fsys::fileName(CurrentPauseFile());
    EXPECT_EQ(heard, (QStringList{s1[0], pause, s2[0]}));
    QStringList praise;
    for (const QString& p : praiseSounds())
        if (!p.isEmpty())
            praise << fsys::fileName(p);
    ASSERT_EQ(praise.size(), 1);
    QTest::mouseClick(rules.sameTexts() ? w->SB_gleich : w->SB_nichtgleich, Qt::LeftButton);
    QStringList after = playOut();
    after.removeAll(pause);
    EXPECT_EQ(after, praise);
}

TEST_F(GleichWindowTest, ClickingACardPlaysItsWordAloneAndTheButtonsWaitForTheOther)
{
    auto w = open(folder + kList);
    audio.clearLog();
    QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->cardRect(1).center());
    EXPECT_EQ(playOut(), QStringList{w->rules().card(1).element.sounds});
    EXPECT_FALSE(w->SB_gleich->isEnabled());
    QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->cardRect(2).center());
    playOut();
    EXPECT_TRUE(w->SB_gleich->isEnabled() && w->SB_nichtgleich->isEnabled());
}

TEST_F(GleichWindowTest, ARightAnswerShowsTheFacesInsteadOfTheBacks)
{
    auto w = open(folder + kList);
    const QRect r = w->cardRect(1);
    const QImage before = w->grab(r).toImage();
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    QTest::mouseClick(w->rules().sameTexts() ? w->SB_gleich : w->SB_nichtgleich, Qt::LeftButton);
    const QImage after = w->grab(r).toImage();
    EXPECT_NE(before, after);
    // "Weiter": every reveal pattern ends on the whole back of the next card.
    for (int pattern : {0, 7, 10}) {
        TFormGleichNichtGleich::revealPattern() = pattern;
        w->weiterClick();
        EXPECT_EQ(w->lastRevealSteps(), w->lastRevealTotal());
        EXPECT_EQ(w->grab(r).toImage(), before) << "pattern " << pattern;
        QTest::keyClick(w.get(), Qt::Key_H);
        playOut();
        QTest::mouseClick(w->rules().sameTexts() ? w->SB_gleich : w->SB_nichtgleich, Qt::LeftButton);
    }
}

TEST_F(GleichWindowTest, EscapeWithNothingAnsweredClosesWithoutDialogAndLeavesTheProtocolAlone)
{
    const QStringList old = protocolLines();
    auto w = open(folder + kList);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_TRUE(w->runEnded());
    EXPECT_EQ(protocolLines(), old);
}

TEST_F(GleichWindowTest, ClosingDuringTheRevealAnimationStopsItAtOnce)
{
    auto w = open(folder + kList);
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    QTest::mouseClick(w->rules().sameTexts() ? w->SB_gleich : w->SB_nichtgleich, Qt::LeftButton);
    TFormGleichNichtGleich::revealPattern() = 10;  // tiles, with a pause after each
    clock_::setInstant(false);
    ModalWatch ending([](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_ende->click();
    });
    QTimer::singleShot(0, w.get(), [&] { w->close(); });
    w->weiterClick();
    clock_::setInstant(true);
    EXPECT_FALSE(w->isVisible());
    EXPECT_GE(w->lastRevealTotal(), 15);
    EXPECT_LE(w->lastRevealSteps(), 2);
}

TEST_F(GleichWindowTest, AnOutsideCloseOfAnAnsweredRunGoesThroughTheClosingDialog)
{
    auto w = open(folder + kList);
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    QTest::mouseClick(w->rules().sameTexts() ? w->SB_gleich : w->SB_nichtgleich, Qt::LeftButton);
    {
        ModalWatch back([](QWidget* m) {
            if (auto* d = qobject_cast<TFormclosedialog*>(m))
                d->sb_back->click();
        });
        w->close();
        EXPECT_TRUE(back.seen.contains(QStringLiteral("TFormclosedialog")));
    }
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->runEnded());
    ModalWatch end([](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_ende->click();
    });
    w->close();
    EXPECT_TRUE(w->runEnded());
    EXPECT_TRUE(protocolLines().contains(QStringLiteral("P 3.1. Gleich/Nicht gleich?")));
}

TEST_F(GleichWindowTest, TheFolderTabsChooseTheFirstListOfTheirFolder)
{
    auto w = open(folder + kList);
    EXPECT_TRUE(w->TB_minimalpaare->isChecked());
    w->TB_Inlaut->click();
    EXPECT_EQ(fsys::fileName(w->listPath), QStringLiteral("01 Vokale in der Mitte.txt"));
    EXPECT_TRUE(w->TB_Inlaut->isChecked());
    EXPECT_FALSE(w->TB_minimalpaare->isChecked());
    EXPECT_EQ(w->CB_auswahl->currentText(), QStringLiteral("01 Vokale in der Mitte.txt"));
    EXPECT_EQ(w->rules().state(), AnswerState::TaskReady);
    EXPECT_EQ(g().playerOptions.gleichNichtgleich.file, QStringLiteral("Inlaut\\01 Vokale in der Mitte.txt"));
    // A folder without lists leaves the list as it was.
    QDir(folder + QStringLiteral("Allgemein")).removeRecursively();
    w->TB_Allgemein->click();
    EXPECT_EQ(fsys::fileName(w->listPath), QStringLiteral("01 Vokale in der Mitte.txt"));
    EXPECT_FALSE(w->TB_Allgemein->isChecked());
}

TEST_F(GleichWindowTest, TheOptionsPageStoresTheListAndLeavesASolvedTaskAlone)
{
    auto w = open(folder + kList);
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    QTest::mouseClick(w->rules().sameTexts() ? w->SB_gleich : w->SB_nichtgleich, Qt::LeftButton);
    ASSERT_EQ(w->rules().state(), AnswerState::Solved);
    ModalWatch ok([](QWidget* m) {
        if (auto* page = qobject_cast<options::TF_O_alle*>(m))
            page->BB_ok->click();
    });
    w->sb_optionen->click();
    EXPECT_TRUE(ok.seen.contains(QStringLiteral("options::TF_O_alle")));
    EXPECT_EQ(w->rules().state(), AnswerState::Solved);
    EXPECT_TRUE(w->SB_weiter->isVisible());
    const QString options = QString::fromLatin1(tree.read(QStringLiteral("Optionen/Options-Anna.txt")));
    EXPECT_TRUE(options.contains(QStringLiteral("Datei=Minimalpaare\\01 Haus und Maus.txt")));
    EXPECT_TRUE(options.contains(QStringLiteral("Last=0")));
}

TEST_F(GleichWindowTest, BadListsNeverCrashAndNeverTouchTheProtocol)
{
    const QStringList old = protocolLines();
    // Random bytes: no valid task, the message and the window closes.
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char(rnd::below(256));
    const QString junkList = tree.write("Listen/junk.txt", junk);
    {
        auto w = open(junkList);
        QTest::qWait(20);
        EXPECT_TRUE(w->runEnded() || !w->isVisible());
        ASSERT_FALSE(scripted.asked().isEmpty());
        EXPECT_EQ(scripted.asked().back().text, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
    }
    // Every picture and sound missing: the cards stay blank, the task can still be answered.
    QStringList lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=2")};
    for (int k = 1; k <= 2; ++k)
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("1=weg%1.jpg|100|Rad|weg%1.wav").arg(k)
              << QStringLiteral("2=fort%1.gif|100|Rat|fort%1.wav").arg(k);
    const QString missing = tree.writeLines("Listen/missing.txt", lines);
    {
        auto w = open(missing);
        audio.clearLog();
        QTest::keyClick(w.get(), Qt::Key_H);
        EXPECT_TRUE(audio.started().isEmpty());
        ASSERT_TRUE(w->SB_nichtgleich->isEnabled());
        QTest::mouseClick(w->rules().sameTexts() ? w->SB_gleich : w->SB_nichtgleich, Qt::LeftButton);
        EXPECT_EQ(w->rules().state(), AnswerState::Solved);
        w->endRun();
    }
    // Every task without its second element: the cards show one word and an empty card.
    lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=3")};
    for (int k = 1; k <= 3; ++k)
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("1=Haus.gif|100|Haus|Haus.wav");
    const QString half = tree.writeLines("Listen/half.txt", lines);
    {
        auto w = open(half);
        QTest::keyClick(w.get(), Qt::Key_H);
        playOut();
        QTest::mouseClick(w->rules().sameTexts() ? w->SB_gleich : w->SB_nichtgleich, Qt::LeftButton);
        EXPECT_EQ(w->rules().state(), AnswerState::Solved);
        w->endRun();
    }
    EXPECT_EQ(protocolLines(), old);
}

} // namespace

namespace {
// Screenshots for a person to look at: run under Xvfb with the xcb platform and KALIMO_SHOTS_DIR set
// (scripts/screenshots); skipped otherwise.
TEST_F(GleichWindowTest, ScreenshotsOfATaskForAPersonToLookAt)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString tag = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    auto shot = [&](const QString& name) {
        QTest::qWait(300);
        QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QStringLiteral("/gleich-") + tag +
                                                            QLatin1Char('-') + name + QStringLiteral(".png"));
    };
    g().defaultElementCount = 2;
    const QString path = folder + kList;
    LoadTaskList(path);
    BuildTaskOrder(int(g().taskList().size()), false);
    TFormGleichNichtGleich w(path);
    w.show();
    QTest::qWait(500);
    auto& rules = w.rules();
    shot(QStringLiteral("1-task"));
    QTest::keyClick(&w, Qt::Key_H);
    playOut();
    QPushButton* right = rules.sameTexts() ? w.SB_gleich : w.SB_nichtgleich;
    QTest::mouseClick(right == w.SB_gleich ? w.SB_nichtgleich : w.SB_gleich, Qt::LeftButton);
    shot(QStringLiteral("2-wrong"));
    playOut();
    pointTo(right);
    QTest::mouseClick(right, Qt::LeftButton);
    shot(QStringLiteral("3-right"));
    ModalWatch driver([&](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m)) {
            QTest::qWait(500);
            QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QStringLiteral("/gleich-") + tag +
                                                                QStringLiteral("-4-closing.png"));
            d->sb_ende->click();
        }
    });
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.runEnded());
}
} // namespace

// Smaller cards after an options change ("Text" instead of "Bild und Text", no card back): the
// screen shows the new layout at once, with no strip of the old, larger backs left standing.
TEST_F(GleichWindowTest, AnOptionsChangeRedrawsTheWholeScreen)
{
    g().playerOptions.gleichNichtgleich.text = 2;
    g().playerOptions.gleichNichtgleich.cardBackVisible = true;
    auto w = open(folder + kList);
    QTest::qWait(50);
    ModalWatch ok([](QWidget* m) {
        auto* page = qobject_cast<options::TF_O_alle*>(m);
        if (!page)
            return;
        for (QRadioButton* b : page->findChildren<QRadioButton*>())
            if (b->text() == QStringLiteral("Text") && b->isVisible())
                b->setChecked(true);
        for (QCheckBox* c : page->findChildren<QCheckBox*>())
            if (c->text().startsWith(QStringLiteral("Rückseite sichtbar")))
                c->setChecked(false);
        page->BB_ok->click();
    });
    w->sb_optionen->click();
    ASSERT_EQ(g().playerOptions.gleichNichtgleich.text, 1);
    QTest::qWait(50);
    // What the screen shows against a full fresh paint of the window.
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(w->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage fresh = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(screen.size(), fresh.size());
    int differing = 0;
    for (int y = 0; y < fresh.height(); ++y)
        for (int x = 0; x < fresh.width(); ++x)
            differing += screen.pixel(x, y) != fresh.pixel(x, y);
    EXPECT_EQ(differing, 0);
}

// The answer buttons are large for a child's hand and overlap nothing in the bar; the two cards keep
// a visible gap, at both screen sizes.
TEST_F(GleichWindowTest, AnswerButtonsAreLargeAndTheCardsApart)
{
    auto w = open(folder + kList);
    for (QSize size : {QSize(1024, 768), QSize(1920, 1080)}) {
        SCOPED_TRACE(size.width());
        w->resize(size);
        QApplication::processEvents();
        const QRect a = w->SB_gleich->geometry(), b = w->SB_nichtgleich->geometry();
        const QRect choice = w->P_auswahl->geometry(), listen = w->P_hoeren->geometry(), end = w->SB_ende->geometry();
        EXPECT_GE(a.width(), a.height() * 3 / 2);
        EXPECT_EQ(a.size(), b.size());
        EXPECT_GT(a.left(), choice.right());
        EXPECT_GT(b.left(), a.right());
        EXPECT_GT(listen.left(), b.right());
        EXPECT_LT(listen.right(), end.left());
        EXPECT_GE(listen.width(), 100);
        EXPECT_GE(w->cardRect(2).left() - w->cardRect(1).right(), 20);
    }
}

// The pressed folder tab looks as in the other programs: dark blue bold on yellow.
TEST_F(GleichWindowTest, ThePressedFolderTabIsYellow)
{
    auto w = open(folder + kList);
    ASSERT_TRUE(w->TB_minimalpaare->isChecked());
    const QImage pressed = w->TB_minimalpaare->grab().toImage(), other = w->TB_Allgemein->grab().toImage();
    EXPECT_EQ(pressed.pixelColor(4, pressed.height() / 2), QColor(255, 255, 0));
    EXPECT_NE(other.pixelColor(4, other.height() / 2), QColor(255, 255, 0));
}
