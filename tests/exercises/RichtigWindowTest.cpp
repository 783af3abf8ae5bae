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
#include "exercises/RichtigOderFalsch/RichtigOderFalsch.h"
#include "media/picture/Picture.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"
#include "support/ModalWatch.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace richtig;

namespace {

const QString kList = QStringLiteral("Minimalpaare/01 Minimalpaare.txt");

class RichtigWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        copyDemoTo(tree);
        resetToInstallation(tree.root());
        resetSoundState();
        resetPraisePools();
        resetRun();
        installation::ReadMainConfiguration(nullptr);
        LoadPlayerList();
        MakeCurrentPlayer(QStringLiteral("Anna"));
        ReadPlayerOptions(QStringLiteral("Anna"), 0);
        g().programCode = 302;
        ReadPlayerOptions(QStringLiteral("Anna"), 302);
        g().playerOptions.richtigOderFalsch.randomOrder = false;
        rnd::seed(11);
        TFormRichtigOderFalsch::revealPattern() = 3;
        folder = fsys::withSlash(g().config.dirs.listen) + QStringLiteral("3_Differenzierung/2_Richtig oder Falsch/");
    }

    std::unique_ptr<TFormRichtigOderFalsch> open(const QString& path)
    {
        g().defaultElementCount = 2;
        const int n = LoadTaskList(path);
        if (n <= 0)
            g().loadedList.tasks.clear();
        BuildTaskOrder(std::max(0, n), false);
        auto w = std::make_unique<TFormRichtigOderFalsch>(path);
        w->show();
        w->resize(1024, 768);
        QApplication::processEvents();
        return w;
    }
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
    static QPushButton* rightButton(TFormRichtigOderFalsch& w)
    {
        return w.rules().fits() ? w.SB_richtig : w.SB_falsch;
    }

    TempTree tree;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;
    QString folder;
};

TEST_F(RichtigWindowTest, PlayThroughByKeysAndClicksEndsInTheProtocolFile)
{
    auto w = open(folder + kList);
    auto& rules = w->rules();
    ASSERT_EQ(rules.taskCount(), 8);
    ASSERT_EQ(w->stripButtons().size(), 8u);
    const QString errorSound1 = fsys::fileName(g().config.programSection(QStringLiteral("ProgRichtigOderFalsch"))
                                                   .value(QStringLiteral("Fehlersound1")));

    QStringList answers;
    for (int task = 0; task < 8; ++task) {
        if (task == 0) {
            EXPECT_FALSE(w->SB_richtig->isEnabled() || w->SB_falsch->isEnabled());
            QTest::keyClick(w.get(), Qt::Key_H);
        } else {
            QTest::keyClick(w.get(), Qt::Key_W);  // "Weiter" plays the word at once
        }
        ASSERT_EQ(rules.position(), task);
        // The strip marks the task now current by its red number.
        EXPECT_GT(redPixels(w->stripButtons()[size_t(task)]), 5) << task;
        const QStringList heard = playOut();
        ASSERT_EQ(heard, QStringList{rules.card(2).element.sounds}) << task;
        ASSERT_TRUE(w->SB_richtig->isEnabled() && w->SB_falsch->isEnabled()) << task;
        QPushButton* right = rightButton(*w);
        QPushButton* wrong = right == w->SB_richtig ? w->SB_falsch : w->SB_richtig;
        if (task == 2) {
            QTest::mouseClick(wrong, Qt::LeftButton);
            EXPECT_EQ(rules.state(), AnswerState::ErrorFeedback);
            EXPECT_FALSE(right->isEnabled());
            const QStringList feedback = playOut();
            // The error sounds, then the word again.
            ASSERT_FALSE(feedback.isEmpty());
            EXPECT_EQ(feedback.front(), errorSound1);
            EXPECT_EQ(feedback.back(), rules.card(2).element.sounds);
            ASSERT_TRUE(right->isEnabled());
        }
        if (task % 2) {
            // The arrow key leaves one button; Enter gives its answer.
            QTest::keyClick(w.get(), right == w->SB_richtig ? Qt::Key_Left : Qt::Key_Right);
            EXPECT_FALSE(wrong->isEnabled());
            QTest::keyClick(w.get(), Qt::Key_Return);
        } else {
            QTest::mouseClick(right, Qt::LeftButton);
        }
        ASSERT_EQ(rules.state(), AnswerState::Solved) << task;
        EXPECT_EQ(w->lastAnimationFrames(), 18);
        EXPECT_EQ(w->frameShown(right == w->SB_richtig ? 1 : 2), 1);
        answers << (rules.fits() ? QStringLiteral("richtig: ") : QStringLiteral("falsch:  ")) +
                       rules.card(1).element.text + QStringLiteral(" - ") + rules.card(2).element.text;
        playOut();
        EXPECT_TRUE(w->SB_weiter->isVisible());
        EXPECT_FALSE(w->P_hoeren->isVisible());
    }
    EXPECT_TRUE(rules.allSolved());
    EXPECT_EQ(w->taskStates[2].state, rules.variant(2) == 1 || rules.variant(2) == 2 ? 2 : 3);
    EXPECT_EQ(w->taskStates[0].state, rules.variant(0) == 1 || rules.variant(0) == 2 ? 0 : 1);

    scripted.answer(dialogs::Button::No);
    ModalWatch driver([](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_ende->click();
    });
    QTest::keyClick(w.get(), Qt::Key_W);
    ASSERT_FALSE(scripted.asked().isEmpty());
    EXPECT_EQ(scripted.asked().front().text,
              QStringLiteral(" Die Datei ist vollständig bearbeitet!  \nVon vorne beginnen?"));
    EXPECT_TRUE(w->runEnded());
    EXPECT_TRUE(driver.seen.contains(QStringLiteral("TFormclosedialog")));

    const QStringList lines = protocolLines();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^P 3\\.2\\. "))).size(), 1);
    EXPECT_TRUE(lines.contains(QStringLiteral("N Anna")));
    EXPECT_TRUE(lines.contains(QStringLiteral("F 01 Minimalpaare.txt")));
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

// "passt" and "passt nicht" have the lower half of their faces to themselves: no pixel of the
// thumb symbol lies under the caption.
TEST_F(RichtigWindowTest, TheAnswerCaptionsNeverLieOnTheirSymbols)
{
    auto w = open(folder + kList);
    const QColor window = picture::toQColor(g().loadedList.layout.backgroundColour);
    for (const int button : {1, 2}) {
        const QImage face = w->buttonFrames(button)[0].convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(face.isNull());
        int symbolPixels = 0, captionPixels = 0;
        for (int y = face.height() / 2; y < face.height(); ++y)
            for (int x = 0; x < face.width(); ++x) {
                const QColor c = face.pixelColor(x, y);
                if (c == window)
                    continue;
                // The caption is black, anti-aliased on the window colour: grey-green shades of it.
                const bool captionShade = c.saturation() < 140 || c.value() < 120;
                (captionShade ? captionPixels : symbolPixels) += 1;
            }
        EXPECT_GT(captionPixels, 50) << button;
        EXPECT_LT(symbolPixels, captionPixels / 10) << button;
    }
    w->endRun();
}

TEST_F(RichtigWindowTest, AClickOnTheCardPlaysTheWordAndTheButtonsWakeUnderThePointer)
{
    auto w = open(folder + kList);
    audio.clearLog();
    QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->cardRect().center());
    EXPECT_EQ(audio.started().size(), 1);
    EXPECT_EQ(w->rules().state(), AnswerState::Answering);
    EXPECT_FALSE(w->SB_richtig->isEnabled());
    pointTo(w->SB_richtig);
    EXPECT_TRUE(w->SB_richtig->isEnabled() && w->SB_falsch->isEnabled());
}

TEST_F(RichtigWindowTest, ConsecutiveTextCardsHaveDifferentShades)
{
    g().playerOptions.richtigOderFalsch.text = true;
    auto w = open(folder + kList);
    g().loadedList.layout.pictureBackgroundColour = 0x00A08060;
    const QPoint corner = w->cardRect().topLeft() + QPoint(40, 40);
    QList<QRgb> shades;
    for (int task = 0; task < 3; ++task) {
        QTest::keyClick(w.get(), task == 0 ? Qt::Key_H : Qt::Key_W);
        playOut();
        if (task > 0)
            shades << w->grab().toImage().pixel(corner);
        QTest::mouseClick(rightButton(*w), Qt::LeftButton);
    }
    EXPECT_NE(shades[0], shades[1]);
    EXPECT_TRUE(shades.contains(picture::toQColor(0x00A08060).rgb()));
}

TEST_F(RichtigWindowTest, ClosingDuringTheButtonAnimationStopsItAtOnce)
{
    auto w = open(folder + kList);
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    clock_::setInstant(false);
    ModalWatch ending([](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_ende->click();
    });
    QTimer::singleShot(0, w.get(), [&] { w->close(); });
    QTest::mouseClick(rightButton(*w), Qt::LeftButton);
    clock_::setInstant(true);
    EXPECT_FALSE(w->isVisible());
    EXPECT_LE(w->lastAnimationFrames(), 2);
}

TEST_F(RichtigWindowTest, TheFolderTabsChooseTheFirstListOfTheirFolder)
{
    auto w = open(folder + kList);
    EXPECT_TRUE(w->TB_minimalpaare->isChecked());
    w->TB_Weitere->click();
    EXPECT_EQ(fsys::fileName(w->listPath), QStringLiteral("01 Ähnliche Wörter.txt"));
    EXPECT_TRUE(w->TB_Weitere->isChecked());
    EXPECT_FALSE(w->TB_minimalpaare->isChecked());
    EXPECT_EQ(w->CB_auswahl->currentText(), QStringLiteral("01 Ähnliche Wörter.txt"));
    EXPECT_EQ(w->rules().state(), AnswerState::TaskReady);
    EXPECT_EQ(g().playerOptions.richtigOderFalsch.file, QStringLiteral("Weitere\\01 Ähnliche Wörter.txt"));
    QDir(folder + QStringLiteral("Allgemein")).removeRecursively();
    w->TB_Allgemein->click();
    EXPECT_EQ(fsys::fileName(w->listPath), QStringLiteral("01 Ähnliche Wörter.txt"));
    EXPECT_FALSE(w->TB_Allgemein->isChecked());
    EXPECT_TRUE(w->TB_Weitere->isChecked());

    // A list given on the command line presses its own folder's tab, whatever "Datei" still names.
    w.reset();
    g().playerOptions.richtigOderFalsch.file = QStringLiteral("Minimalpaare\\01 Minimalpaare.txt");
    auto direct = open(folder + QStringLiteral("Weitere/01 Ähnliche Wörter.txt"));
    EXPECT_TRUE(direct->TB_Weitere->isChecked());
    EXPECT_FALSE(direct->TB_minimalpaare->isChecked());
}

TEST_F(RichtigWindowTest, EscapeWithNothingAnsweredClosesWithoutDialogAndLeavesTheProtocolAlone)
{
    const QStringList old = protocolLines();
    auto w = open(folder + kList);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_TRUE(w->runEnded());
    EXPECT_EQ(protocolLines(), old);
}

TEST_F(RichtigWindowTest, BadListsNeverCrashAndNeverTouchTheProtocol)
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
    // Every picture and sound missing: the card stays in its colour, the task can be answered.
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
        ASSERT_TRUE(w->SB_falsch->isEnabled());
        QTest::mouseClick(rightButton(*w), Qt::LeftButton);
        EXPECT_EQ(w->rules().state(), AnswerState::Solved);
        w->endRun();
    }
    // Tasks with one element only: the heard card is empty or the same.
    lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=3")};
    for (int k = 1; k <= 3; ++k)
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("1=Haus.gif|100|Haus|Haus.wav");
    const QString half = tree.writeLines("Listen/half.txt", lines);
    {
        auto w = open(half);
        QTest::keyClick(w.get(), Qt::Key_H);
        playOut();
        QTest::mouseClick(rightButton(*w), Qt::LeftButton);
        EXPECT_EQ(w->rules().state(), AnswerState::Solved);
        w->endRun();
    }
    EXPECT_EQ(protocolLines(), old);
}

} // namespace

namespace {
// Screenshots for a person to look at: run under Xvfb with the xcb platform and KALIMO_SHOTS_DIR set
// (scripts/screenshots); skipped otherwise.
TEST_F(RichtigWindowTest, ScreenshotsOfATaskForAPersonToLookAt)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString tag = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    auto shot = [&](const QString& name) {
        QTest::qWait(300);
        QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QStringLiteral("/richtig-") + tag +
                                                            QLatin1Char('-') + name + QStringLiteral(".png"));
    };
    g().defaultElementCount = 2;
    const QString path = folder + kList;
    LoadTaskList(path);
    BuildTaskOrder(int(g().taskList().size()), false);
    TFormRichtigOderFalsch w(path);
    w.show();
    QTest::qWait(500);
    shot(QStringLiteral("1-task"));
    QTest::keyClick(&w, Qt::Key_H);
    playOut();
    QPushButton* right = rightButton(w);
    QTest::mouseClick(right == w.SB_richtig ? w.SB_falsch : w.SB_richtig, Qt::LeftButton);
    shot(QStringLiteral("2-wrong"));
    playOut();
    QTest::mouseClick(right, Qt::LeftButton);
    shot(QStringLiteral("3-right"));
    g().playerOptions.richtigOderFalsch.text = true;
    QTest::keyClick(&w, Qt::Key_W);
    shot(QStringLiteral("4-next"));
    ModalWatch driver([&](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_ende->click();
    });
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.runEnded());
}
} // namespace

// At 1024 x 768 the heading-sound button keeps a size a child can hit, beside answer buttons that
// overlap nothing; the pressed folder tab is yellow, as in every program with folder tabs.
TEST_F(RichtigWindowTest, HeadingSoundButtonAndPressedTabAtBothSizes)
{
    auto w = open(folder + kList);
    for (QSize size : {QSize(1024, 768), QSize(1920, 1080)}) {
        SCOPED_TRACE(size.width());
        w->resize(size);
        QApplication::processEvents();
        const QRect ton = w->SB_Ton->geometry();
        EXPECT_GE(ton.width(), 24);
        EXPECT_GT(ton.left(), w->sb_optionen->geometry().right());
        EXPECT_LT(ton.right(), w->SB_richtig->geometry().left());
        EXPECT_LT(w->SB_falsch->geometry().right(), w->P_hoeren->geometry().left());
        const QImage tab = w->TB_minimalpaare->grab().toImage();
        EXPECT_EQ(tab.pixelColor(4, tab.height() / 2), QColor(255, 255, 0));
    }
}
