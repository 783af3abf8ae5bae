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
#include "exercises/LautSuche/LautSuche.h"
#include "exercises/common/LautFlow.h"
#include "exercises/common/LautMarker.h"
#include "exercises/common/ListLook.h"
#include "media/picture/Picture.h"
#include "media/skin/Meldung.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"
#include "support/MessageAnswers.h"
#include "support/ModalWatch.h"
#include "support/DemoPlayer.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace lautsuche;

namespace {

const QString kList = QStringLiteral("Anlaut/01 Anlaute.txt");

class LautSucheWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        openDemoAs(tree, QStringLiteral("Anna"), 402);
        g().randomOrder402 = false;
        TOpt_LautSuche& o = opts();
        o.atOnce = false;
        o.soundButton = o.mouthPicture = true;
        o.visualHelp = 2;
        o.soundCount = 5;
        o.feedback.successSound = true;
        o.feedback.successSource = 2;
        o.feedback.successFrequency = 0;
        o.feedback.errorSound = true;
        o.feedback.errorSource = 1;
        chooser::startPosition() = 0;
        rnd::seed(11);
        folder = fsys::withSlash(g().config.dirs.listen) + QStringLiteral("4_Laut-Silben-Analyse/2_Laut-Silbensuche/");
    }

    void TearDown() override { TFormMeldung::shownHook() = nullptr; }

    std::unique_ptr<TFormLautSuche> open(const QString& path)
    {
        g().defaultElementCount = 1;
        const int n = LoadTaskList(path);
        if (n <= 0)
            g().loadedList.tasks.clear();
        BuildTaskOrder(std::max(0, n), false);
        auto w = std::make_unique<TFormLautSuche>(path);
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
        full = audio.started();
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
    static int rightButton(TFormLautSuche& w)
    {
        const QString target = w.rules().task().target;
        for (int i = 0; i < w.rules().sounds().size(); ++i)
            if (exercise::LautSoundMatches(w.rules().sounds()[i], target, true))
                return i;
        return -1;
    }
    static int wrongButton(TFormLautSuche& w)
    {
        const int right = rightButton(w);
        return right == 0 ? 1 : 0;
    }
    static void click(TFormLautSuche& w, const QPoint& at)
    {
        QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, at);
    }

    TempTree tree;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;
    QString folder;
    QStringList full;  // the paths of the last playOut
};

TEST_F(LautSucheWindowTest, PlayThroughByKeysAndClicksEndsInTheProtocolFile)
{
    auto w = open(folder + kList);
    auto& rules = w->rules();
    const int n = rules.taskCount();
    ASSERT_GE(n, 8);
    EXPECT_TRUE(w->TB_Anlaut->isChecked());
    EXPECT_FALSE(w->TB_Inlaut->isChecked() || w->TB_Auslaut->isChecked());
    EXPECT_EQ(w->L_Aufgaben->text(), QStringLiteral(" Aufgaben: ") + QString::number(n));
    // The sounds stand left of the picture, the mouth pictures left of the sounds.
    EXPECT_LT(w->buttonRect(0).right(), w->pictureBox().left());
    EXPECT_LT(w->mouthRect(0).right(), w->buttonRect(0).left());

    QStringList answers;
    for (int task = 0; task < n; ++task) {
        ASSERT_EQ(rules.position(), task);
        ASSERT_EQ(rules.state(), exercise::LautState::TaskReady) << task;
        const QString word = rules.wordSound();
        if (task % 2)
            QTest::keyClick(w.get(), Qt::Key_H);
        else
            click(*w, w->pictureBox().center());  // a click on the picture listens
        ASSERT_EQ(playOut(), QStringList{word}) << task;
        QString given;
        if (task == 1) {
            const int wrong = wrongButton(*w);
            given += QLatin1Char(' ') + rules.sounds()[wrong];
            click(*w, w->buttonRect(wrong).center());
            EXPECT_TRUE(w->SB_fertig->isVisible());
            QTest::keyClick(w.get(), Qt::Key_P);
            EXPECT_EQ(rules.state(), exercise::LautState::Retrying);
            const QStringList sounds = playOut();
            ASSERT_EQ(sounds.size(), 2);  // the letter, then one error sound
            EXPECT_EQ(sounds[0], exercise::LautSoundFile(rules.sounds()[wrong]).section(QLatin1Char('/'), -1));
            EXPECT_TRUE(full[1].contains(QStringLiteral("/INTERN/Fehler/"))) << full[1].toStdString();
            EXPECT_FALSE(w->SB_fertig->isVisible());
        }
        const int right = rightButton(*w);
        ASSERT_GE(right, 0);
        given += QLatin1Char(' ') + rules.sounds()[right];
        click(*w, w->buttonRect(right).center());
        if (task % 3 == 0)
            w->SB_fertig->click();
        else
            QTest::keyClick(w.get(), task % 3 == 1 ? Qt::Key_P : Qt::Key_Return);
        ASSERT_EQ(rules.state(), exercise::LautState::Solved) << task;
        const QStringList chain = playOut();
        ASSERT_EQ(chain.size(), 3) << chain.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(chain[1], word);
        EXPECT_TRUE(full[2].contains(QStringLiteral("/INTERN/Lob/"))) << full[2].toStdString();
        answers << given + QStringLiteral(" - ") + rules.task().word;
        EXPECT_TRUE(w->SB_weiter->isVisible());
        EXPECT_FALSE(w->P_hoeren->isVisible());
        if (task + 1 < n)
            QTest::keyClick(w.get(), task % 2 ? Qt::Key_W : Qt::Key_Return);
    }
    EXPECT_EQ(w->taskStates[1].state, 1);
    EXPECT_EQ(w->taskStates[0].state, 0);

    MessageAnswers asked;
    ModalWatch driver([](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_ende->click();
    });
    QTest::keyClick(w.get(), Qt::Key_W);
    EXPECT_EQ(asked.messages, QStringList{QStringLiteral("Die Datei ist vollständig bearbeitet!  \nVon vorne beginnen?")});
    EXPECT_EQ(asked.questions, QList<bool>{true});
    EXPECT_TRUE(w->runEnded());
    EXPECT_TRUE(driver.seen.contains(QStringLiteral("TFormclosedialog")));

    const QStringList lines = protocolLines();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^P 4\\.2\\. Laut-/Silbensuche$"))).size(), 1);
    EXPECT_TRUE(lines.contains(QStringLiteral("N Anna")));
    EXPECT_TRUE(lines.contains(QStringLiteral("F Anlaut\\01 Anlaute.txt")));
    const QStringList rows = lines.filter(QRegularExpression(QStringLiteral("^  Aufgabe ")));
    ASSERT_EQ(rows.size(), n);
    const QRegularExpression shape(
        QStringLiteral("^  Aufgabe +(\\d+): +(\\d+) Fehler  \\(\\d\\d:\\d\\d:\\d\\d\\d\\)  (.*) $"));
    for (int i = 0; i < n; ++i) {
        const auto m = shape.match(rows[i]);
        ASSERT_TRUE(m.hasMatch()) << rows[i].toStdString();
        EXPECT_EQ(m.captured(1).toInt(), i + 1);
        EXPECT_EQ(m.captured(2).toInt(), i == 1 ? 1 : 0) << rows[i].toStdString();
        EXPECT_EQ(m.captured(3), answers[i]) << rows[i].toStdString();
    }
}

// Once the heading text is gone, one speaker plays the heading sound: the square heading box in the
// panel, not a second button in the bar.
TEST_F(LautSucheWindowTest, OneSpeakerForTheHeadingSoundOnceTheHeadingIsGone)
{
    opts().headingVisible = 1;
    auto w = open(folder + kList);
    ASSERT_TRUE(LautSucheRules::headingSoundPresent());
    EXPECT_GT(w->headingBox().width(), w->headingBox().height());  // the heading with its text
    EXPECT_FALSE(w->SB_Ton->isVisible());
    for (int task = 1; task <= 2; ++task) {  // a task counts as begun once it was heard
        QTest::keyClick(w.get(), Qt::Key_H);
        playOut();
        w->TaskImageClick(task);
    }
    ASSERT_FALSE(w->rules().headingShown());
    EXPECT_EQ(w->headingBox().width(), w->headingBox().height());  // the square speaker box
    EXPECT_GT(w->headingBox().width(), 0);
    EXPECT_FALSE(w->SB_Ton->isVisible());
    w->endRun();
}

TEST_F(LautSucheWindowTest, TheSolvedWordIsMarkedAndTheDissolveUncoversThePicture)
{
    opts().visualHelp = 1;
    opts().atOnce = true;
    auto w = open(folder + kList);
    auto& rules = w->rules();
    EXPECT_FALSE(w->SB_fertig->isVisible());
    EXPECT_FALSE(w->Chb_Lautknopf->isEnabled());  // "sofort" forces the letters
    // Before hearing, a button asks to listen first.
    QStringList bubbles;
    TFormMeldung::shownHook() = [&](TFormMeldung& m) {
        bubbles << m.L_meldung->text().simplified();
        QTimer::singleShot(0, &m, [&m] { m.close(); });
    };
    click(*w, w->buttonRect(0).center());
    EXPECT_EQ(bubbles, QStringList{QStringLiteral("Bitte zuerst auf den Knopf 'Hören' klicken")});
    const QRgb backBefore = w->screenBuffer().pixel(w->pictureBox().center());
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    click(*w, w->buttonRect(rightButton(*w)).center());
    ASSERT_EQ(rules.state(), exercise::LautState::Solved);
    EXPECT_TRUE(w->dissolving());
    EXPECT_FALSE(w->SB_weiter->isEnabled());
    w->finishDissolve();
    EXPECT_TRUE(w->SB_weiter->isEnabled());
    // The picture replaced the card back; the word area holds the mark colour.
    EXPECT_NE(w->screenBuffer().copy(w->pictureBox()), QImage());
    const QColor mark = picture::toQColor(g().loadedList.layout.letterMarkColour);
    const QImage area = w->screenBuffer().copy(w->wordArea());
    int marked = 0;
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            marked += QColor(area.pixel(x, y)) == mark;
    EXPECT_GT(marked, 20);
    (void)backBefore;
    w->endRun();
}

// The window keeps its screen between tasks: what a solved task drew (the marked word) must give way
// to the background on the next task, and the frames and faces drawn again must match a fresh window.
TEST_F(LautSucheWindowTest, TheNextTaskLeavesNoTraceOfTheSolvedOne)
{
    opts().atOnce = true;
    auto w = open(folder + kList);
    auto& rules = w->rules();
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    click(*w, w->buttonRect(rightButton(*w)).center());
    ASSERT_EQ(rules.state(), exercise::LautState::Solved);
    playOut();
    const QImage background = exercise::WindowBackground(w->size(), w->backgroundPictureVisible).convertToFormat(QImage::Format_RGB32);
    const QRect word = w->wordArea();
    ASSERT_FALSE(word.isEmpty());
    EXPECT_NE(w->screenBuffer().copy(word), background.copy(word));  // the word is shown
    w->weiterClick();
    ASSERT_EQ(rules.position(), 1);
    ASSERT_NE(rules.state(), exercise::LautState::Solved);
    EXPECT_EQ(w->screenBuffer().copy(w->wordArea()), background.copy(w->wordArea()));
    // A window opened on the same task draws the picture box and its frame the same.
    const QImage shown = w->screenBuffer().copy(w->pictureBox().adjusted(-10, -10, 10, 10));
    w->endRun();
    w.reset();
    chooser::startPosition() = 1;
    auto fresh = open(folder + kList);
    ASSERT_EQ(fresh->rules().position(), 1);
    EXPECT_EQ(fresh->screenBuffer().copy(fresh->pictureBox().adjusted(-10, -10, 10, 10)), shown);
    fresh->endRun();
}

TEST_F(LautSucheWindowTest, BothDarstellungBoxesOffShowLetterButtons)
{
    opts().soundButton = false;
    opts().mouthPicture = false;
    auto w = open(folder + QStringLiteral("Auslaut/01 Auslaute.txt"));
    EXPECT_TRUE(w->Chb_Lautknopf->isChecked());
    EXPECT_TRUE(opts().soundButton);
    EXPECT_TRUE(w->TB_Auslaut->isChecked());
    // "Auslaut": the sounds stand right of the picture.
    EXPECT_GT(w->buttonRect(0).left(), w->pictureBox().right());
    // Switching the letters off leaves the mouth pictures on; then the round buttons are smaller.
    const QRect letters = w->buttonRect(0);
    w->Chb_Lautknopf->click();
    EXPECT_FALSE(opts().soundButton);
    EXPECT_TRUE(opts().mouthPicture);
    EXPECT_TRUE(w->Chb_Mundbild->isChecked());
    EXPECT_LT(w->buttonRect(0).width(), letters.width());
    // Switching the mouths off too switches the letters back on.
    w->Chb_Mundbild->click();
    EXPECT_TRUE(w->Chb_Lautknopf->isChecked());
    EXPECT_TRUE(opts().soundButton);
    w->endRun();
}

TEST_F(LautSucheWindowTest, BadInputNeverCrashesAndNeverTouchesTheProtocol)
{
    const QStringList old = protocolLines();
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char(rnd::below(256));
    {
        auto w = open(tree.write("Listen/junk.txt", junk));
        ASSERT_FALSE(scripted.asked().isEmpty());
        EXPECT_EQ(scripted.asked().back().text, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
        QTest::keyClick(w.get(), Qt::Key_H);
        QTest::keyClick(w.get(), Qt::Key_Return);
        click(*w, w->rect().center());
        w->endRun();
    }
    // Too few elements: the task cannot be played, it says so.
    QStringList lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=2")};
    for (int k = 1; k <= 2; ++k)
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("0=||");
    {
        QStringList bubbles;
        TFormMeldung::shownHook() = [&](TFormMeldung& m) {
            bubbles << m.L_meldung->text().simplified();
            QTimer::singleShot(0, &m, [&m] { m.close(); });
        };
        auto w = open(tree.writeLines("Listen/4_Laut-Silben-Analyse/2_Laut-Silbensuche/Anlaut/half.txt", lines));
        EXPECT_TRUE(bubbles.contains(QStringLiteral("Die Aufgabe ist unvollstängig. Bitte wählen Sie eine andere Aufgabe!")));
        QTest::keyClick(w.get(), Qt::Key_H);
        QTest::keyClick(w.get(), Qt::Key_Return);
        click(*w, w->rect().center());
        EXPECT_FALSE(w->rules().taskShown());
        w->endRun();
        TFormMeldung::shownHook() = nullptr;
    }
    // The demo list without its pictures and sounds: silent, and it can still be answered.
    QDir(tree.root() + QStringLiteral("/Material")).removeRecursively();
    {
        auto w = open(folder + kList);
        audio.clearLog();
        QTest::keyClick(w.get(), Qt::Key_H);
        EXPECT_EQ(w->rules().state(), exercise::LautState::Answering);
        click(*w, w->buttonRect(rightButton(*w)).center());
        QTest::keyClick(w.get(), Qt::Key_P);
        EXPECT_EQ(w->rules().state(), exercise::LautState::Solved);
        w->endRun();
    }
    EXPECT_EQ(protocolLines(), old);
}

TEST_F(LautSucheWindowTest, EveryDemoListLoadsWithItsMedia)
{
    int lists = 0;
    for (const QString& sub : {QStringLiteral("Anlaut"), QStringLiteral("zweiter Laut"), QStringLiteral("Auslaut")}) {
        QStringList files;
        ListFiles(folder + sub + QLatin1Char('/'), QStringLiteral("*.txt"), false, files);
        EXPECT_FALSE(files.isEmpty()) << sub.toStdString();
        for (const QString& f : files) {
            ++lists;
            g().defaultElementCount = 1;
            const int n = LoadTaskList(folder + sub + QLatin1Char('/') + f);
            EXPECT_GE(n, 8) << f.toStdString();
            for (const TAufgabe& t : g().taskList()) {
                ASSERT_GE(t.elements.size(), 2u) << f.toStdString();
                const TEinzelbild& e = t.elements[1];
                const exercise::LautItems items = exercise::SplitLautItems(e.text);
                ASSERT_TRUE(items.valid) << f.toStdString() << " " << e.text.toStdString();
                EXPECT_TRUE(items.word.hasMarker) << e.text.toStdString();
                // The marked letters are the target (or it written twice).
                EXPECT_TRUE(exercise::LautSoundMatches(items.word.marked(), items.target(), true) ||
                            items.word.marked().compare(items.target(), Qt::CaseInsensitive) == 0)
                    << e.text.toStdString();
                for (const QString& s : items.items.mid(1))
                    EXPECT_FALSE(exercise::LautSoundFile(s).isEmpty()) << f.toStdString() << " " << s.toStdString();
                EXPECT_FALSE(picture::ResolvePictureName(e.picture).isEmpty()) << e.picture.toStdString();
                EXPECT_TRUE(fsys::fileExists(g().config.dirs.materialSound + e.sounds)) << e.sounds.toStdString();
            }
        }
    }
    EXPECT_GE(lists, 3);
}

// Screenshots for a person to look at: run under Xvfb with the xcb platform and KALIMO_SHOTS_DIR set
// (scripts/screenshots); skipped otherwise.
TEST_F(LautSucheWindowTest, ScreenshotsOfATaskForAPersonToLookAt)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString tag = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    auto shot = [&](const QString& name) {
        QTest::qWait(300);
        QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QStringLiteral("/lautsuche-") + tag +
                                                            QLatin1Char('-') + name + QStringLiteral(".png"));
    };
    g().defaultElementCount = 1;
    const QString path = folder + kList;
    LoadTaskList(path);
    BuildTaskOrder(int(g().taskList().size()), false);
    TFormLautSuche w(path);
    w.show();
    QTest::qWait(500);
    shot(QStringLiteral("1-task"));
    QTest::keyClick(&w, Qt::Key_H);
    playOut();
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, w.buttonRect(wrongButton(w)).center());
    shot(QStringLiteral("2-chosen"));
    QTest::keyClick(&w, Qt::Key_P);
    shot(QStringLiteral("3-wrong"));
    playOut();
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, w.buttonRect(rightButton(w)).center());
    QTest::keyClick(&w, Qt::Key_P);
    w.finishDissolve();
    shot(QStringLiteral("4-right"));
    opts().soundButton = false;
    QTest::keyClick(&w, Qt::Key_W);
    w.Chb_Lautknopf->setChecked(false);
    shot(QStringLiteral("5-round"));
    ModalWatch driver([&](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_ende->click();
    });
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.runEnded());
}

} // namespace
