#include "chooser/Listenreader.h"
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
#include "exercises/LangOderKurz/LangOderKurz.h"
#include "media/skin/Meldung.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"
#include "support/ModalWatch.h"
#include "support/DemoPlayer.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace lang;

namespace {

const QString kList = QStringLiteral("Vokale/01 Kurz und lang.txt");

class LangWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        openDemoAs(tree, QStringLiteral("Anna"), 304);
        auto& o = g().playerOptions.langOderKurz;
        o.randomOrder = false;
        o.atOnce = false;
        o.afterSolution = 3;
        o.feedback.successSound = true;
        o.feedback.successFrequency = 0;
        o.feedback.successSource = 2;  // one praise sound at random
        chooser::startPosition() = 0;
        rnd::seed(11);
        TFormLangOderKurz::revealPattern() = 3;
        TFormLangOderKurz::secondWordDelayMs() = 0;
        folder = fsys::withSlash(g().config.dirs.listen) + QStringLiteral("3_Differenzierung/4_Lang oder Kurz/");
        TFormMeldung::shownHook() = [this](TFormMeldung& m) {
            bubbles << m.objectName();
            QTimer::singleShot(0, &m, [&m] { m.close(); });
        };
    }
    void TearDown() override { TFormMeldung::shownHook() = nullptr; }

    std::unique_ptr<TFormLangOderKurz> open(const QString& path)
    {
        g().defaultElementCount = 2;
        const int n = LoadTaskList(path);
        if (n <= 0)
            g().loadedList.tasks.clear();
        BuildTaskOrder(std::max(0, n), false);
        auto w = std::make_unique<TFormLangOderKurz>(path);
        w->show();
        w->resize(1024, 768);
        QApplication::processEvents();
        return w;
    }
    QStringList playOut()
    {
        for (int i = 0; i < 80; ++i) {
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
    // Drags a symbol from its source onto a card (0: beside the cards) with the window's own pointer input.
    static void drag(TFormLangOderKurz& w, int symbol, int card)
    {
        const QPoint from = w.sourceRect(symbol).center();
        const QPoint to = card ? w.cardRect(card).center() : QPoint(5, w.cardRect(1).center().y());
        QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(&w, (from + to) / 2);
        QTest::mouseMove(&w, to);
        QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, to);
    }
    static int shortCard(TFormLangOderKurz& w) { return w.rules().card(1).shortCard ? 1 : 2; }
    QStringList protocolLines()
    {
        auto lines = fsys::readLines(PlayerProtocolPath());
        return lines ? *lines : QStringList();
    }

    TempTree tree;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;
    QString folder;
    QStringList bubbles;
};

TEST_F(LangWindowTest, PlayThroughByDragsKeysAndClicksEndsInTheProtocolFile)
{
    auto w = open(folder + kList);
    auto& rules = w->rules();
    ASSERT_EQ(rules.taskCount(), 8);
    ASSERT_EQ(w->stripButtons().size(), 8u);
    EXPECT_TRUE(w->TB_Vokale->isChecked());
    const QString pause = fsys::fileName(CurrentPauseFile());

    QStringList answers;
    for (int task = 0; task < 8; ++task) {
        ASSERT_EQ(rules.position(), task);
        ASSERT_EQ(rules.state(), AnswerState::TaskReady);
        // Before hearing, a click beside the cards asks for the listen button.
        if (task == 0) {
            QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->sourceRect(kShort).center());
            EXPECT_EQ(bubbles.size(), 1);
            QTest::keyClick(w.get(), Qt::Key_P);  // beeps, no check
            EXPECT_EQ(rules.state(), AnswerState::TaskReady);
        }
        QTest::keyClick(w.get(), Qt::Key_H);
        const QStringList heard = playOut();
        ASSERT_EQ(heard.size(), 3) << task;
        EXPECT_EQ(heard[1], pause);
        EXPECT_EQ(rules.state(), AnswerState::Answering) << task;
        const int s = shortCard(*w);
        if (task == 2) {
            // Wrong: both symbols the other way round, checked with "Prüfen".
            drag(*w, kShort, 3 - s);
            drag(*w, kLong, s);
            ASSERT_TRUE(w->SB_Fertig->isVisible());
            QTest::mouseClick(w->SB_Fertig, Qt::LeftButton);
            EXPECT_FALSE(rules.sourceUsed(kShort) || rules.sourceUsed(kLong));
            EXPECT_EQ(rules.card(s).chosen, -1);
            EXPECT_FALSE(playOut().isEmpty());  // the error sounds
            EXPECT_EQ(rules.state(), AnswerState::Answering);
        }
        if (task % 2) {
            QTest::keyClick(w.get(), s == 1 ? Qt::Key_Left : Qt::Key_Right);
            QTest::keyClick(w.get(), Qt::Key_Return);
        } else {
            drag(*w, kShort, s);
            EXPECT_EQ(rules.card(s).chosen, kShort);
            drag(*w, kLong, 3 - s);
            QTest::keyClick(w.get(), Qt::Key_P);
        }
        ASSERT_TRUE(rules.state() == AnswerState::Solved || rules.state() == AnswerState::Praising) << task;
        EXPECT_TRUE(w->SB_weiter->isVisible());
        // "nachLösung" 3: both words again, then the praise.
        const QStringList after = playOut();
        ASSERT_EQ(after.size(), 3) << task << after.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(after[0], heard[0]);
        EXPECT_EQ(after[1], heard[2]);
        answers << rules.card(1).element.text + QStringLiteral(" - ") + rules.card(2).element.text;
        ASSERT_EQ(rules.state(), AnswerState::Solved);
        if (task < 7)
            QTest::keyClick(w.get(), Qt::Key_W);
    }
    EXPECT_TRUE(rules.allSolved());
    EXPECT_EQ(w->taskStates[2].state, 2);
    EXPECT_EQ(w->taskStates[0].state, 0);

    scripted.answer(dialogs::Button::No);
    ModalWatch driver([](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_ende->click();
    });
    QTest::keyClick(w.get(), Qt::Key_W);
    ASSERT_FALSE(scripted.asked().isEmpty());
    EXPECT_EQ(scripted.asked().front().text,
              QStringLiteral(" Die Datei ist vollständig bearbeitet!  \n\rVon vorne beginnen?"));
    EXPECT_TRUE(w->runEnded());
    EXPECT_TRUE(driver.seen.contains(QStringLiteral("TFormclosedialog")));

    const QStringList lines = protocolLines();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^P 3\\.4\\. "))).size(), 1);
    EXPECT_TRUE(lines.contains(QStringLiteral("N Anna")));
    EXPECT_TRUE(lines.contains(QStringLiteral("F 01 Kurz und lang.txt")));
    const QStringList rows = lines.filter(QRegularExpression(QStringLiteral("^  Aufgabe ")));
    ASSERT_EQ(rows.size(), 8);
    const QRegularExpression shape(
        QStringLiteral("^  Aufgabe  (\\d):  +(\\d+) Fehler  \\(\\d\\d:\\d\\d:\\d\\d\\d\\)  (.*) $"));
    for (int i = 0; i < 8; ++i) {
        const auto m = shape.match(rows[i]);
        ASSERT_TRUE(m.hasMatch()) << rows[i].toStdString();
        EXPECT_EQ(m.captured(1).toInt(), i + 1);
        EXPECT_EQ(m.captured(2).toInt(), i == 2 ? 1 : 0) << rows[i].toStdString();
        EXPECT_EQ(m.captured(3), answers[i]);
    }
}

// "sofort": a drop on the wrong card springs back; the last right drop solves; "P" beeps.
TEST_F(LangWindowTest, AtOnceDropsSolveWithoutPruefen)
{
    g().playerOptions.langOderKurz.atOnce = true;
    g().playerOptions.langOderKurz.afterSolution = 1;
    auto w = open(folder + kList);
    auto& rules = w->rules();
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    const int s = shortCard(*w);
    drag(*w, kShort, 3 - s);
    EXPECT_EQ(rules.card(3 - s).chosen, -1);
    EXPECT_FALSE(rules.sourceUsed(kShort));
    drag(*w, kShort, 0);
    EXPECT_FALSE(rules.sourceUsed(kShort));
    drag(*w, kShort, s);
    EXPECT_FALSE(w->SB_Fertig->isVisible());
    drag(*w, kLong, 3 - s);
    EXPECT_NE(rules.state(), AnswerState::Answering);
    EXPECT_EQ(run().runResults.back().Rows.back().Attempts, 1);
    EXPECT_EQ(w->taskStates[0].state, 0);
}

// A drawn card follows the view options: the back before the solution with "ohne Bild/Text", a face
// after it with "Bild/Text zeigen".
TEST_F(LangWindowTest, FacesAppearAfterTheSolution)
{
    g().playerOptions.langOderKurz.pictureView = 0;
    g().playerOptions.langOderKurz.afterSolution = 1;
    auto w = open(folder + kList);
    const QPoint probe = w->cardRect(1).center();
    const QRgb before = w->grab().toImage().pixel(probe);
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    QTest::keyClick(w.get(), shortCard(*w) == 1 ? Qt::Key_Left : Qt::Key_Right);
    QTest::keyClick(w.get(), Qt::Key_Return);
    playOut();
    EXPECT_EQ(w->rules().state(), AnswerState::Solved);
    const QImage shot = w->grab().toImage();
    EXPECT_NE(shot.pixel(probe), before);
    EXPECT_TRUE(w->RB_ohneBild->isChecked());
    EXPECT_TRUE(w->Chb_bilderzeigen->isChecked());
    EXPECT_FALSE(w->ChB_nochmalsagen->isChecked());
}

// "P" without a visible "Prüfen" and "W" outside Solved beep; both are taken where they belong.
TEST_F(LangWindowTest, PAndWBeepOutsideTheirStates)
{
    auto w = open(folder + kList);
    const auto beeps = [this] { return audio.log().filter(QStringLiteral("beep")).size(); };
    audio.clearLog();
    QTest::keyClick(w.get(), Qt::Key_P);
    QTest::keyClick(w.get(), Qt::Key_W);
    EXPECT_EQ(beeps(), 2);
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    QTest::keyClick(w.get(), shortCard(*w) == 1 ? Qt::Key_Left : Qt::Key_Right);
    audio.clearLog();
    QTest::keyClick(w.get(), Qt::Key_W);
    EXPECT_EQ(beeps(), 1);
    EXPECT_TRUE(w->SB_Fertig->isVisible());
    QTest::keyClick(w.get(), Qt::Key_P);
    EXPECT_EQ(beeps(), 1);
    EXPECT_NE(w->rules().state(), AnswerState::Answering);
    playOut();
    QTest::keyClick(w.get(), Qt::Key_W);
    EXPECT_EQ(beeps(), 0);
    EXPECT_EQ(w->rules().position(), 1);
}

TEST_F(LangWindowTest, TheFolderTabsChooseTheFirstListOfTheirFolder)
{
    auto w = open(folder + kList);
    w->TB_Wortlaenge->click();
    EXPECT_EQ(fsys::fileName(w->listPath), QStringLiteral("01 Kurzes und langes Wort.txt"));
    EXPECT_TRUE(w->TB_Wortlaenge->isChecked());
    EXPECT_FALSE(w->TB_Vokale->isChecked());
    EXPECT_EQ(w->rules().state(), AnswerState::TaskReady);
    EXPECT_EQ(g().playerOptions.langOderKurz.file, QStringLiteral("Wortlänge\\01 Kurzes und langes Wort.txt"));
}

TEST_F(LangWindowTest, EscapeWithNothingAnsweredClosesWithoutDialogAndLeavesTheProtocolAlone)
{
    const QStringList old = protocolLines();
    auto w = open(folder + kList);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_TRUE(w->runEnded());
    EXPECT_EQ(protocolLines(), old);
    // The window's own choices are written to the player's options.
    EXPECT_EQ(g().playerOptions.langOderKurz.file, QStringLiteral("Vokale\\01 Kurz und lang.txt"));
}

TEST_F(LangWindowTest, BadListsNeverCrashAndNeverTouchTheProtocol)
{
    const QStringList old = protocolLines();
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
    // Every picture and sound missing: the cards stay in their colour, the task can be answered.
    QStringList lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=2")};
    for (int k = 1; k <= 2; ++k)
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("1=weg%1.jpg|100|Ball|weg%1.wav").arg(k)
              << QStringLiteral("2=fort%1.gif|100|Bahn|fort%1.wav").arg(k);
    const QString missing = tree.writeLines("Listen/missing.txt", lines);
    {
        auto w = open(missing);
        QTest::keyClick(w.get(), Qt::Key_H);
        playOut();
        ASSERT_EQ(w->rules().state(), AnswerState::Answering);
        QTest::keyClick(w.get(), shortCard(*w) == 1 ? Qt::Key_Left : Qt::Key_Right);
        QTest::keyClick(w.get(), Qt::Key_Return);
        playOut();
        EXPECT_EQ(w->rules().state(), AnswerState::Solved);
        w->endRun();
    }
    // Tasks with one element only: the other card is empty; still no crash.
    lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=3")};
    for (int k = 1; k <= 3; ++k)
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("1=Haus.gif|100|Haus|Haus.wav");
    const QString half = tree.writeLines("Listen/half.txt", lines);
    {
        auto w = open(half);
        QTest::keyClick(w.get(), Qt::Key_H);
        playOut();
        drag(*w, kShort, shortCard(*w));
        drag(*w, kLong, 3 - shortCard(*w));
        QTest::keyClick(w.get(), Qt::Key_Return);
        playOut();
        EXPECT_EQ(w->rules().state(), AnswerState::Solved);
        w->endRun();
    }
    EXPECT_EQ(protocolLines(), old);
}

} // namespace

namespace {
// Screenshots for a person to look at: run under Xvfb with the xcb platform and KALIMO_SHOTS_DIR set
// (scripts/screenshots); skipped otherwise.
TEST_F(LangWindowTest, ScreenshotsOfATaskForAPersonToLookAt)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString tag = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    auto shot = [&](const QString& name) {
        QTest::qWait(300);
        QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QStringLiteral("/lang-") + tag +
                                                            QLatin1Char('-') + name + QStringLiteral(".png"));
    };
    g().defaultElementCount = 2;
    g().playerOptions.langOderKurz.afterSolution = 1;
    const QString path = folder + kList;
    LoadTaskList(path);
    BuildTaskOrder(int(g().taskList().size()), false);
    TFormLangOderKurz w(path);
    w.show();
    QTest::qWait(500);
    shot(QStringLiteral("1-task"));
    QTest::keyClick(&w, Qt::Key_H);
    playOut();
    const int s = shortCard(w);
    drag(w, kShort, s);
    shot(QStringLiteral("2-one-symbol"));
    drag(w, kLong, s);  // wrong: the long symbol takes the short card's place
    drag(w, kShort, 3 - s);
    QTest::keyClick(&w, Qt::Key_P);
    shot(QStringLiteral("3-wrong"));
    playOut();
    QTest::keyClick(&w, s == 1 ? Qt::Key_Left : Qt::Key_Right);
    QTest::keyClick(&w, Qt::Key_Return);
    shot(QStringLiteral("4-right"));
    ModalWatch driver([&](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_ende->click();
    });
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.runEnded());
}
} // namespace

// A chosen symbol never covers a word's text ("Blumenstrauß" with "l a n g"), with text alone and
// with picture and text, at both screen sizes.
TEST_F(LangWindowTest, AChosenSymbolLeavesTheTextFree)
{
    auto& o = g().playerOptions.langOderKurz;
    for (bool withPicture : {false, true}) {
        o.text = true;
        o.picture = withPicture;
        auto w = open(folder + QStringLiteral("Wortlänge/03 In Silben gesprochen.txt"));
        for (QSize size : {QSize(1024, 768), QSize(1920, 1080)}) {
            SCOPED_TRACE(::testing::Message() << withPicture << " " << size.width());
            w->resize(size);
            QApplication::processEvents();
            for (int card : {1, 2}) {
                const QRect text = w->textBoxOnCard(card);
                ASSERT_FALSE(text.isEmpty());
                EXPECT_GT(text.height(), w->cardRect(card).height() / 6);
                for (int symbol : {lang::kShort, lang::kLong})
                    EXPECT_FALSE(text.intersects(w->symbolOnCard(card, symbol).adjusted(0, 2, 0, 0)));
            }
        }
    }
}
