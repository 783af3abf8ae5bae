#include "chooser/Listenreader.h"
#include "chooser/TaskOrder.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "data/PlayerList.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "exercises/LautWeg/LautWeg.h"
#include "media/skin/Meldung.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "options/Options.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"
#include "support/MessageAnswers.h"
#include "support/ModalWatch.h"
#include "support/DemoPlayer.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace lautweg;

namespace {

const QString kList = QStringLiteral("Anlaut/01 Vorne weg.txt");

class LautWegWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        openDemoAs(tree, QStringLiteral("Anna"), 404);
        TOpt_LautAdd& o = g().playerOptions.lautWeg;
        o.randomOrder = false;
        o.atOnce = false;
        o.soundCount = 4;
        o.visualHelp = 2;
        o.headingVisible = 2;
        o.feedback.successSound = true;
        o.feedback.successFrequency = 0;
        o.feedback.successSource = 2;
        o.feedback.errorSound = true;
        o.feedback.errorSource = 1;
        options::hearAllAlternativesFirst() = false;
        chooser::startPosition() = 0;
        rnd::seed(3);
        folder = fsys::withSlash(g().config.dirs.listen) + QStringLiteral("4_Laut-Silben-Analyse/4_Laute weglassen/");
        TFormMeldung::shownHook() = [this](TFormMeldung& m) {
            bubbles << m.L_meldung->text().trimmed();
            QTimer::singleShot(0, &m, [&m] { m.close(); });
        };
    }
    void TearDown() override { TFormMeldung::shownHook() = nullptr; }

    std::unique_ptr<TFormLautWeg> open(const QString& path)
    {
        g().defaultElementCount = 4;
        const int n = LoadTaskList(path);
        if (n <= 0)
            g().loadedList.tasks.clear();
        BuildTaskOrder(std::max(0, n), false);
        auto w = std::make_unique<TFormLautWeg>(path);
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
        full = audio.started();
        for (const QString& f : audio.started())
            names << fsys::fileName(f);
        audio.clearLog();
        return names;
    }
    static void choose(TFormLautWeg& w, int row)
    {
        const QPoint at = w.choiceRect(row).center();
        QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, at);
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
    QStringList bubbles;
    QStringList full;  // the paths of the last playOut
};

// The solved band: the word and the new word in one size, the new word clear of the band's edge.
TEST_F(LautWegWindowTest, TheBandShowsBothWordsInOneSizeInsideTheBand)
{
    auto w = open(folder + kList);
    auto& rules = w->rules();
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    choose(*w, rules.rightRow());
    playOut();
    QTest::keyClick(w.get(), Qt::Key_Return);
    playOut();
    w->finishDissolve();
    ASSERT_EQ(rules.state(), AnswerState::Solved);
    const QRect band = w->bandRect();
    const QImage img = w->screenshot().copy(band);
    const QColor bg = img.pixelColor(2, 2);
    // Rows and columns of ink in the left and the right three sevenths.
    auto ink = [&](int x0, int x1) {
        QRect r;
        for (int y = 0; y < img.height(); ++y)
            for (int x = x0; x < x1; ++x)
                if (std::abs(img.pixelColor(x, y).lightness() - bg.lightness()) > 100)
                    r = r.united(QRect(x, y, 1, 1));
        return r;
    };
    const int seventh = band.width() / 7;
    const QRect word = ink(0, 3 * seventh), newWord = ink(4 * seventh, img.width());
    ASSERT_FALSE(word.isEmpty());
    ASSERT_FALSE(newWord.isEmpty());
    // The demo's first task: "Reis" -> "Eis", capitals without descenders: one height.
    EXPECT_EQ(rules.word(), QStringLiteral("Reis"));
    EXPECT_NEAR(word.height(), newWord.height(), 1);
    EXPECT_LT(newWord.right(), img.width() - 1 - band.height() / 8);
    w->endRun();
}

TEST_F(LautWegWindowTest, PlayThroughByKeysAndClicksEndsInTheProtocolFile)
{
    auto w = open(folder + kList);
    auto& rules = w->rules();
    const int n = rules.taskCount();
    ASSERT_EQ(n, 4);
    EXPECT_TRUE(w->TB_Anlaut->isChecked());
    EXPECT_FALSE(w->TB_Auslaut->isChecked());
    EXPECT_EQ(w->L_Aufgaben->text(), QStringLiteral("Aufgaben: 4"));

    // Choosing before listening is refused with the message.
    choose(*w, 0);
    EXPECT_EQ(bubbles, QStringList{QStringLiteral("Bitte zuerst auf den Knopf 'Hören' klicken")});
    EXPECT_EQ(rules.chosen(), -1);

    QStringList answers;
    for (int task = 0; task < n; ++task) {
        ASSERT_EQ(rules.position(), task);
        ASSERT_EQ(rules.alternatives().size(), 4u);
        QTest::keyClick(w.get(), Qt::Key_H);
        EXPECT_EQ(playOut(), QStringList{fsys::fileName(ElementSoundFile(rules.headElement()))});
        QString answer = rules.word();
        if (task == 0) {
            const int wrong = rules.rightRow() == 0 ? 1 : 0;
            choose(*w, wrong);
            ASSERT_TRUE(w->SB_fertig->isVisible() && w->SB_fertig->isEnabled());
            EXPECT_FALSE(w->P_hoeren->isVisible());
            const QStringList chosenSound = playOut();
            EXPECT_EQ(chosenSound, QStringList{fsys::fileName(rules.alternatives()[size_t(wrong)].sound)});
            answer += QStringLiteral(" - ") + rules.alternatives()[size_t(wrong)].text;
            QTest::mouseClick(w->SB_fertig, Qt::LeftButton);
            EXPECT_EQ(rules.state(), AnswerState::Retrying);
            const QStringList error = playOut();
            ASSERT_EQ(error.size(), 1);
            EXPECT_TRUE(full.front().startsWith(g().config.dirs.fehlersound)) << full.front().toStdString();
            EXPECT_TRUE(w->P_hoeren->isVisible());
        }
        if (task == 1) {
            // The arrow keys walk to the right alternative; "P" judges.
            QTest::keyClick(w.get(), Qt::Key_Down);
            for (int i = 0; i < rules.rightRow(); ++i)
                QTest::keyClick(w.get(), Qt::Key_Down);
            ASSERT_EQ(rules.chosen(), rules.rightRow());
            playOut();
            QTest::keyClick(w.get(), Qt::Key_P);
        } else {
            choose(*w, rules.rightRow());
            playOut();
            QTest::keyClick(w.get(), Qt::Key_Return);
        }
        answer += QStringLiteral(" - ") + rules.newWord();
        answers << answer;
        ASSERT_EQ(rules.state(), AnswerState::SolutionPlaying) << task;
        EXPECT_FALSE(w->SB_weiter->isEnabled());
        const QStringList sentence = playOut();
        const QStringList expected = {QStringLiteral("aus.wav"), fsys::fileName(ElementSoundFile(rules.headElement())),
                                      QStringLiteral("wird.wav"), fsys::fileName(ElementSoundFile(rules.newElement()))};
        ASSERT_GE(sentence.size(), 4);
        EXPECT_EQ(sentence.mid(sentence.size() - 4), expected) << task;
        EXPECT_EQ(rules.state(), AnswerState::Solved);
        EXPECT_TRUE(w->dissolving());
        w->finishDissolve();
        EXPECT_TRUE(w->SB_weiter->isVisible() && w->SB_weiter->isEnabled());
        // The picture now shows the new word's picture.
        const QImage shot = w->screenshot();
        const QPoint c = w->pictureRect().center();
        EXPECT_EQ(rules.pictureFace, 1);
        EXPECT_NE(shot.pixel(c), shot.pixel(w->pictureRect().topLeft() - QPoint(30, 30)));
        if (task < n - 1)
            QTest::keyClick(w.get(), Qt::Key_W);
    }
    EXPECT_TRUE(rules.allSolved());
    EXPECT_EQ(w->taskStates[0].state, 1);
    EXPECT_EQ(w->taskStates[1].state, 0);

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
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^P 4\\.4\\. "))).size(), 1) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("N Anna")));
    EXPECT_TRUE(lines.contains(QStringLiteral("F Anlaut\\01 Vorne weg.txt"))) << lines.join('\n').toStdString();
    const QStringList rows = lines.filter(QRegularExpression(QStringLiteral("^  Aufgabe ")));
    ASSERT_EQ(rows.size(), n) << lines.join('\n').toStdString();
    const QRegularExpression shape(
        QStringLiteral("^  Aufgabe  (\\d):  +(\\d+) Fehler  \\(\\d\\d:\\d\\d:\\d\\d\\d\\)  (.*) $"));
    for (int i = 0; i < n; ++i) {
        const auto m = shape.match(rows[i]);
        ASSERT_TRUE(m.hasMatch()) << rows[i].toStdString();
        EXPECT_EQ(m.captured(1).toInt(), i + 1);
        EXPECT_EQ(m.captured(2).toInt(), i == 0 ? 1 : 0) << rows[i].toStdString();
        EXPECT_EQ(m.captured(3), answers[i]);
    }
}

TEST_F(LautWegWindowTest, HelpShowsTheWordInTheBandAndMarksTheRow)
{
    auto w = open(folder + kList);
    EXPECT_FALSE(w->Sb_hilfe->isEnabled());
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    const QRect band = w->bandRect();
    const QImage plain = w->screenshot().copy(band);
    QTest::keyClick(w.get(), Qt::Key_I);
    EXPECT_TRUE(w->Sb_hilfe->isChecked());
    EXPECT_NE(w->screenshot().copy(band), plain);
    QTest::keyClick(w.get(), Qt::Key_I);
    EXPECT_EQ(w->screenshot().copy(band), plain);
    EXPECT_TRUE(run().runResults.back().Rows.back().WithHelp);
}

TEST_F(LautWegWindowTest, HearAllFirstRefusesTheChoiceUntilEveryListenButtonWasPressed)
{
    options::hearAllAlternativesFirst() = true;
    auto w = open(folder + kList);
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    choose(*w, 0);
    EXPECT_EQ(bubbles.value(0), QStringLiteral("Bitte zuerst alle Aternativen anhören!"));
    EXPECT_EQ(w->rules().chosen(), -1);
    for (int i = 0; i < 4; ++i) {
        QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->listenRect(i).center());
        EXPECT_EQ(playOut(), QStringList{fsys::fileName(w->rules().alternatives()[size_t(i)].sound)});
    }
    choose(*w, 0);
    EXPECT_EQ(w->rules().chosen(), 0);
    EXPECT_EQ(bubbles.size(), 1);
    options::hearAllAlternativesFirst() = false;
}

TEST_F(LautWegWindowTest, TheAuslautTabLoadsItsFolderAndMarksTheLastLetters)
{
    auto w = open(folder + kList);
    w->TB_Auslaut->click();
    EXPECT_TRUE(w->TB_Auslaut->isChecked());
    EXPECT_EQ(w->rules().positionMode(), Position::Auslaut);
    EXPECT_EQ(g().playerOptions.lautWeg.file, QStringLiteral("Auslaut\\01 Hinten weg.txt"));
    EXPECT_EQ(w->rules().word(), QStringLiteral("Eis"));
    EXPECT_EQ(w->rules().mark().start, 2);
    EXPECT_EQ(w->rules().mark().length, 1);
}

TEST_F(LautWegWindowTest, BadListsNeverCrashAndNeverTouchTheProtocol)
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
    // Pictures and sounds missing: every task is defective; the message, no alternatives, no crash.
    QStringList lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=2"), QStringLiteral("Elementanzahl=4")};
    for (int k = 1; k <= 2; ++k)
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("0=weg%1.jpg|100|Rad|weg%1.wav").arg(k)
              << QStringLiteral("1=fort%1.gif|100|Rat|fort%1.wav").arg(k) << QStringLiteral("2=|100|Ra|ra%1.wav").arg(k);
    {
        auto w = open(tree.writeLines("Listen/missing.txt", lines));
        EXPECT_EQ(bubbles.value(0), QStringLiteral("Die aktuelle Aufgabe ist defekt! Es folgt die nächste Aufgabe."));
        EXPECT_TRUE(w->rules().alternatives().empty());
        QTest::keyClick(w.get(), Qt::Key_H);
        QTest::keyClick(w.get(), Qt::Key_Down);
        QTest::keyClick(w.get(), Qt::Key_Return);
        QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->pictureRect().center());
        EXPECT_NE(w->rules().state(), AnswerState::Solved);
        w->endRun();
    }
    // Tasks with the right word only: one alternative, and it can be chosen.
    lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=2")};
    for (int k = 1; k <= 2; ++k)
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("0=Reis.emf|100|Reis|Reis.wav")
              << QStringLiteral("1=Eis.wmf|100|Eis|Eis.wav");
    {
        bubbles.clear();
        auto w = open(tree.writeLines("Listen/half.txt", lines));
        ASSERT_EQ(w->rules().alternatives().size(), 1u);
        QTest::keyClick(w.get(), Qt::Key_H);
        playOut();
        choose(*w, 0);
        QTest::keyClick(w.get(), Qt::Key_Return);
        playOut();
        EXPECT_EQ(w->rules().state(), AnswerState::Solved);
        w->endRun();
    }
    EXPECT_EQ(protocolLines(), old);
}

} // namespace

namespace {
// Screenshots for a person to look at (scripts/screenshots); skipped otherwise.
TEST_F(LautWegWindowTest, ScreenshotsOfATaskForAPersonToLookAt)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString tag = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    auto shot = [&](const QString& name) {
        QTest::qWait(300);
        QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QStringLiteral("/lautweg-") + tag +
                                                            QLatin1Char('-') + name + QStringLiteral(".png"));
    };
    g().defaultElementCount = 4;
    const QString path = folder + kList;
    LoadTaskList(path);
    BuildTaskOrder(int(g().taskList().size()), false);
    TFormLautWeg w(path);
    w.show();
    QTest::qWait(500);
    shot(QStringLiteral("1-task"));
    QTest::keyClick(&w, Qt::Key_H);
    playOut();
    choose(w, w.rules().rightRow() == 0 ? 1 : 0);
    QTest::mouseClick(w.SB_fertig, Qt::LeftButton);
    shot(QStringLiteral("2-wrong"));
    playOut();
    choose(w, w.rules().rightRow());
    QTest::mouseClick(w.SB_fertig, Qt::LeftButton);
    playOut();
    w.finishDissolve();
    shot(QStringLiteral("3-right"));
    ModalWatch driver([&](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_ende->click();
    });
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.runEnded());
}
} // namespace
