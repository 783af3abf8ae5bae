#include "chooser/Listenreader.h"
#include "chooser/TaskOrder.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "core/TextUtil.h"
#include "data/PlayerList.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "exercises/WelcherLautPasst/WelcherLautPasst.h"
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
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QLabel>
#include <QMouseEvent>
#include "core/Clock.h"
#include <gtest/gtest.h>

using namespace welcher;

namespace {

const QString kList = QStringLiteral("Anlaut/01 B oder P.txt");

class WelcherWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        copyDemoTo(tree);
        resetToInstallation(tree.root());
        resetSoundState();
        resetPraisePool();
        resetRun();
        installation::ReadMainConfiguration(nullptr);
        LoadPlayerList();
        MakeCurrentPlayer(QStringLiteral("Anna"));
        ReadPlayerOptions(QStringLiteral("Anna"), 0);
        g().programCode = 303;
        ReadPlayerOptions(QStringLiteral("Anna"), 303);
        g().randomOrder303 = false;
        chooser::startPosition() = 0;
        rnd::seed(11);
        folder = fsys::withSlash(g().config.dirs.listen) + QStringLiteral("3_Differenzierung/3_Welcher Laut passt/");
    }

    void TearDown() override { TFormMeldung::shownHook() = nullptr; }

    std::unique_ptr<TFormWelcherLautPasst> open(const QString& path)
    {
        g().defaultElementCount = 1;
        const int n = LoadTaskList(path);
        if (n <= 0)
            g().loadedList.tasks.clear();
        BuildTaskOrder(std::max(0, n), false);
        auto w = std::make_unique<TFormWelcherLautPasst>(path);
        w->show();
        w->resize(1024, 768);
        QApplication::processEvents();
        return w;
    }
    QStringList playOut()
    {
        for (int i = 0; i < 80; ++i) {
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
    static int wrongCard(TFormWelcherLautPasst& w) { return w.rules().rightCard() == kLeft ? kRight : kLeft; }
    static void click(TFormWelcherLautPasst& w, const QPoint& at)
    {
        QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, at);
    }

    TempTree tree;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;
    QString folder;
};

TEST_F(WelcherWindowTest, PlayThroughByKeysAndClicksEndsInTheProtocolFile)
{
    auto w = open(folder + kList);
    auto& rules = w->rules();
    const int n = rules.taskCount();
    ASSERT_GE(n, 10);
    ASSERT_EQ(int(w->stripButtons().size()), std::min(n, w->stripCapacity));
    EXPECT_TRUE(w->TB_Anlaut->isChecked());
    EXPECT_FALSE(w->TB_Inlaut->isChecked() || w->TB_Auslaut->isChecked());
    const QString errorSound =
        fsys::fileName(g().config.programSection(QStringLiteral("ProgWelcherLautPasst")).value(QStringLiteral("Fehlersound")));
    const QString pause = fsys::fileName(CurrentPauseFile());

    QStringList answers;
    for (int task = 0; task < n; ++task) {
        ASSERT_EQ(rules.position(), task);
        ASSERT_EQ(rules.state(), AnswerState::TaskReady) << task;
        const QString word = rules.wordElement().sounds;
        if (task % 3 == 0) {
            QTest::keyClick(w.get(), Qt::Key_H);
        } else {
            click(*w, w->cardRect(2).center());  // a click on the word card listens
        }
        ASSERT_EQ(playOut(), QStringList{word}) << task;
        ASSERT_EQ(rules.state(), AnswerState::Answering);
        if (task == 1) {
            click(*w, w->cardRect(wrongCard(*w)).center());
            EXPECT_EQ(rules.state(), AnswerState::ErrorFeedback);
            EXPECT_EQ(playOut(), (QStringList{errorSound, word}));
            EXPECT_EQ(rules.state(), AnswerState::Answering);
        }
        if (task % 2) {
            QTest::keyClick(w.get(), rules.rightCard() == kLeft ? Qt::Key_Left : Qt::Key_Right);
            QTest::keyClick(w.get(), Qt::Key_Return);
        } else {
            click(*w, w->cardRect(rules.rightCard()).center());
        }
        ASSERT_EQ(rules.state(), AnswerState::Solved) << task;
        const QStringList chain = playOut();
        // The word, the sound position's sentence, the letter, with pauses between.
        ASSERT_GE(chain.size(), 5) << task;
        EXPECT_EQ(chain[0], word);
        EXPECT_EQ(chain[1], pause);
        EXPECT_EQ(chain[2], QStringLiteral("faengt_an_mit.wav"));
        EXPECT_EQ(chain[4].toLower(), LetterOf(rules.choices().right).toLower() + QStringLiteral(".wav"));
        answers << rules.word() + QStringLiteral(" - ") + rules.choices().right;
        EXPECT_TRUE(w->SB_weiter->isVisible());
        EXPECT_FALSE(w->P_hoeren->isVisible());
        if (task + 1 < n) {
            QTest::keyClick(w.get(), task % 2 ? Qt::Key_W : Qt::Key_Return);
            // The figure ate the word from right to left, 2 pixels a step.
            EXPECT_GE(w->animationSteps(), w->wordPanel().width() / 2 - 40) << task;
        }
    }
    EXPECT_TRUE(rules.allSolved());
    EXPECT_EQ(w->taskStates[1].state, 1);
    EXPECT_EQ(w->taskStates[0].state, 0);

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
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^P 3\\.3\\. "))).size(), 1);
    EXPECT_TRUE(lines.contains(QStringLiteral("N Anna")));
    EXPECT_TRUE(lines.contains(QStringLiteral("F Anlaut\\01 B oder P.txt")) ||
                lines.contains(QStringLiteral("F 01 B oder P.txt")));
    const QStringList rows = lines.filter(QRegularExpression(QStringLiteral("^  Aufgabe ")));
    ASSERT_EQ(rows.size(), n);
    const QRegularExpression shape(
        QStringLiteral("^  Aufgabe +(\\d+): +(\\d+) Fehler  \\(\\d\\d:\\d\\d:\\d\\d\\d\\)  (.*) $"));
    for (int i = 0; i < n; ++i) {
        const auto m = shape.match(rows[i]);
        ASSERT_TRUE(m.hasMatch()) << rows[i].toStdString();
        EXPECT_EQ(m.captured(1).toInt(), i + 1);
        EXPECT_EQ(m.captured(2).toInt(), i == 1 ? 1 : 0) << rows[i].toStdString();
        EXPECT_EQ(m.captured(3), answers[i]);
    }
}

TEST_F(WelcherWindowTest, TheRightLettersAreMarkedAndTheEarButtonsGo)
{
    auto w = open(folder + kList);
    auto& rules = w->rules();
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    const QRect ear = w->earRect(kLeft);
    const QRgb earBefore = w->screenBuffer().pixel(ear.center());
    click(*w, w->cardRect(rules.rightCard()).center());
    ASSERT_EQ(rules.state(), AnswerState::Solved);
    // The ear buttons are gone, the word panel shows the word with its first letter in the mark colour.
    EXPECT_NE(w->screenBuffer().pixel(ear.center()), earBefore);
    const QColor mark = picture::toQColor(g().loadedList.layout.letterMarkColour);
    const QImage panel = w->screenBuffer().copy(w->wordPanel());
    int marked = 0;
    for (int y = 0; y < panel.height(); ++y)
        for (int x = 0; x < panel.width(); ++x)
            marked += QColor(panel.pixel(x, y)) == mark;
    EXPECT_GT(marked, 20);
}

TEST_F(WelcherWindowTest, SpracheMinimierenLeavesOnlyTheWordAfterARightAnswer)
{
    g().playerOptions.welcherLautPasst.feedback.successSound = false;  // the chain without praise
    auto w = open(folder + QStringLiteral("Inlaut/02 o oder u.txt"));
    auto& rules = w->rules();
    EXPECT_TRUE(w->TB_Inlaut->isChecked());
    EXPECT_FALSE(w->CheckBox1->isChecked());
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    click(*w, w->cardRect(rules.rightCard()).center());
    const QString letter = LetterOf(rules.choices().right) + QStringLiteral(".wav");
    const QString pause = fsys::fileName(CurrentPauseFile());
    // Inlaut: the letter first, then the sentence, then the word.
    EXPECT_EQ(playOut(), (QStringList{letter, pause, QStringLiteral("hoert_man_in.wav"), pause,
                                      rules.wordElement().sounds}));
    QTest::keyClick(w.get(), Qt::Key_W);
    w->CheckBox1->click();
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    click(*w, w->cardRect(rules.rightCard()).center());
    EXPECT_EQ(playOut(), QStringList{rules.wordElement().sounds});
}

TEST_F(WelcherWindowTest, TheChoosersStartPositionAndTheFolderTabs)
{
    chooser::startPosition() = 2;
    auto w = open(folder + kList);
    EXPECT_EQ(w->rules().position(), 2);
    EXPECT_EQ(w->currentTask, 2);
    w->TB_Auslaut->click();
    EXPECT_TRUE(w->TB_Auslaut->isChecked());
    EXPECT_FALSE(w->TB_Anlaut->isChecked());
    EXPECT_EQ(w->rules().soundPosition(), SoundPosition::Auslaut);
    EXPECT_EQ(w->rules().position(), 0);
    EXPECT_EQ(w->rules().state(), AnswerState::TaskReady);
    EXPECT_TRUE(g().playerOptions.welcherLautPasst.file.startsWith(QStringLiteral("Auslaut\\")));
    // A folder whose lists are all empty keeps the previous folder and list.
    const QString inlaut = folder + QStringLiteral("Inlaut/");
    QDir(inlaut).removeRecursively();
    QDir().mkpath(inlaut);
    tree.write(QStringLiteral("Listen/3_Differenzierung/3_Welcher Laut passt/Inlaut/leer.txt"), "[Allgemein]\r\n");
    QStringList bubbles;
    TFormMeldung::shownHook() = [&](TFormMeldung& m) {
        bubbles << m.L_meldung->text().simplified();
        QTimer::singleShot(0, &m, [&m] { m.close(); });
    };
    const QString before = w->listPath;
    w->TB_Inlaut->click();
    TFormMeldung::shownHook() = nullptr;
    EXPECT_EQ(w->listPath, before);
    EXPECT_TRUE(w->TB_Auslaut->isChecked());
    EXPECT_FALSE(w->TB_Inlaut->isChecked());
    EXPECT_EQ(bubbles, QStringList{QStringLiteral("Datei nicht gültig! Bitte andere auswählen!")});
}

TEST_F(WelcherWindowTest, BadInputNeverCrashesAndNeverTouchesTheProtocol)
{
    const QStringList old = protocolLines();
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char(rnd::below(256));
    {
        auto w = open(tree.write("Listen/junk.txt", junk));
        QTest::qWait(20);
        EXPECT_TRUE(w->runEnded() || !w->isVisible());
        ASSERT_FALSE(scripted.asked().isEmpty());
        EXPECT_EQ(scripted.asked().back().text, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
    }
    // Too few elements: the task has no word, it says so and is not shown.
    QStringList lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=2")};
    for (int k = 1; k <= 2; ++k)
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("0=||");
    {
        scripted.clear();
        auto w = open(tree.writeLines("Listen/3_Differenzierung/3_Welcher Laut passt/Anlaut/half.txt", lines));
        ASSERT_FALSE(scripted.asked().isEmpty());
        EXPECT_EQ(scripted.asked().back().text,
                  QStringLiteral("Aufgabe 1 ist nicht korrekt!\nBitte wählen Sie eine andere Aufgabe"));
        QTest::keyClick(w.get(), Qt::Key_H);
        QTest::keyClick(w.get(), Qt::Key_Return);
        click(*w, w->rect().center());
        EXPECT_FALSE(w->rules().taskShown());
        w->endRun();
    }
    // The demo list without its pictures and sounds: it plays silently and can be answered.
    QDir(tree.root() + QStringLiteral("/Material")).removeRecursively();
    {
        auto w = open(folder + kList);
        audio.clearLog();
        QTest::keyClick(w.get(), Qt::Key_H);
        EXPECT_EQ(w->rules().state(), AnswerState::Answering);
        click(*w, w->cardRect(w->rules().rightCard()).center());
        EXPECT_EQ(w->rules().state(), AnswerState::Solved);
        w->endRun();
    }
    EXPECT_EQ(protocolLines(), old);
}

// Every demo list of the three folders loads, and every task has its choices, letter sounds,
// picture and word sound.
TEST_F(WelcherWindowTest, EveryDemoListGivesChoicesAndFindsItsMedia)
{
    int lists = 0;
    for (const QString& sub : {QStringLiteral("Anlaut"), QStringLiteral("Inlaut"), QStringLiteral("Auslaut")}) {
        QStringList files;
        ListFiles(folder + sub + QLatin1Char('/'), QStringLiteral("*.txt"), false, files);
        EXPECT_FALSE(files.isEmpty()) << sub.toStdString();
        for (const QString& f : files) {
            ++lists;
            g().defaultElementCount = 1;
            const int n = LoadTaskList(folder + sub + QLatin1Char('/') + f);
            EXPECT_GE(n, 10) << f.toStdString();
            for (const TAufgabe& t : g().taskList()) {
                ASSERT_GE(t.elements.size(), 2u) << f.toStdString();
                const TEinzelbild& e = t.elements[1];
                const Choices c = ChoicesOf(e.text, SoundPositionOf(sub + QStringLiteral("\\") + f));
                ASSERT_TRUE(c.valid) << f.toStdString() << " " << e.text.toStdString();
                for (const QString& choice : {c.right, c.wrong})
                    EXPECT_TRUE(fsys::fileExists(LetterSoundFile(choice))) << choice.toStdString();
                EXPECT_TRUE(fsys::fileExists(g().config.dirs.materialBilder + e.picture)) << e.picture.toStdString();
                EXPECT_FALSE(ResolveSoundName(e.sounds).isEmpty()) << e.sounds.toStdString();
            }
        }
    }
    EXPECT_GE(lists, 3);
}

// Screenshots for a person to look at: run under Xvfb with the xcb platform and KALIMO_SHOTS_DIR set
// (scripts/screenshots); skipped otherwise.
TEST_F(WelcherWindowTest, ScreenshotsOfATaskForAPersonToLookAt)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString tag = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    auto shot = [&](const QString& name) {
        QTest::qWait(300);
        QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QStringLiteral("/welcher-") + tag +
                                                            QLatin1Char('-') + name + QStringLiteral(".png"));
    };
    g().defaultElementCount = 1;
    const QString path = folder + kList;
    LoadTaskList(path);
    BuildTaskOrder(int(g().taskList().size()), false);
    TFormWelcherLautPasst w(path);
    w.show();
    QTest::qWait(500);
    shot(QStringLiteral("1-task"));
    QTest::keyClick(&w, Qt::Key_H);
    playOut();
    QTest::keyClick(&w, w.rules().rightCard() == kLeft ? Qt::Key_Right : Qt::Key_Left);
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, w.cardRect(wrongCard(w)).center());
    shot(QStringLiteral("2-wrong"));
    playOut();
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, w.cardRect(w.rules().rightCard()).center());
    shot(QStringLiteral("3-right"));
    ModalWatch driver([&](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_ende->click();
    });
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.runEnded());
}

} // namespace

// A child's second click during the word-eating animation (on "Weiter" again, or where "Hören" comes)
// does nothing: "Weiter" moves one task per press, and no task is passed unsolved.
TEST_F(WelcherWindowTest, ClicksDuringTheAnimationDoNothing)
{
    g().playerOptions.welcherLautPasst.animation = true;
    auto w = open(folder + kList);
    auto& rules = w->rules();
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    click(*w, w->cardRect(rules.rightCard()).center());
    ASSERT_EQ(rules.state(), AnswerState::Solved);
    playOut();
    ASSERT_TRUE(w->SB_weiter->isVisible());
    // Real pauses, so that the queued clicks arrive while the figure eats the word.
    clock_::setInstant(false);
    QWidget* weiter = w->SB_weiter;
    const QPoint at = weiter->rect().center();
    for (int i = 0; i < 2; ++i) {
        QCoreApplication::postEvent(weiter, new QMouseEvent(QEvent::MouseButtonPress, at, weiter->mapToGlobal(at),
                                                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(weiter, new QMouseEvent(QEvent::MouseButtonRelease, at, weiter->mapToGlobal(at),
                                                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    }
    QTest::mouseClick(weiter, Qt::LeftButton);
    QApplication::processEvents();
    clock_::setInstant(true);
    EXPECT_EQ(rules.position(), 1);
    EXPECT_EQ(rules.state(), AnswerState::TaskReady);
    EXPECT_EQ(rules.rowCount(), 1);
}

// Three solved tasks show three progress squares that can be told apart, not one merged bar.
TEST_F(WelcherWindowTest, ProgressSquaresStayApart)
{
    g().playerOptions.welcherLautPasst.animation = false;
    auto w = open(folder + kList);
    auto& rules = w->rules();
    for (int task = 0; task < 3; ++task) {
        QTest::keyClick(w.get(), Qt::Key_H);
        playOut();
        click(*w, w->cardRect(rules.rightCard()).center());
        ASSERT_EQ(rules.state(), AnswerState::Solved);
        playOut();
        if (task < 2)
            QTest::keyClick(w.get(), Qt::Key_W);
    }
    const QImage shown = w->grab().toImage();
    const int y = w->P_oben->height() + 10 + 15;
    // Square i starts at x = 10 + 5 i: each start is an edge, unlike the fill just right of it.
    for (int i = 1; i < 3; ++i)
        EXPECT_NE(shown.pixelColor(10 + 5 * i, y), shown.pixelColor(12 + 5 * i, y)) << i;
}
