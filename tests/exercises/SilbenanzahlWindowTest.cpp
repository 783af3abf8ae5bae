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
#include "exercises/Silbenanzahl/Silbenanzahl.h"
#include "exercises/common/LautFlow.h"
#include <functional>
#include "media/picture/Picture.h"
#include "media/skin/Meldung.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"
#include "support/ModalWatch.h"
#include "support/TestSupport.h"
#include "LautWindowFixture.h"

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

using namespace silben;

namespace {

const QString kList = QStringLiteral("01 Eine bis drei Silben.txt");

class SilbenanzahlWindowTest : public LautWindowFixture<TFormSilbenanzahl>
{
protected:
    int code() const override { return 406; }
    QString listFolder() const override { return QStringLiteral("6_Silbenanzahl/"); }
    void fixedOrder() override { g().randomOrder406 = false; }
    void setOptions() override;
};

void SilbenanzahlWindowTest::setOptions()
{
    TOpt_Silbenanzahl& o = opts();
    o.atOnce = false;
    o.visualHelp = 2;
    o.syllableDisplay = 2;
    o.helpButtonVisible = true;
    o.time = 0;
    o.feedback.successSound = true;
    o.feedback.successSource = 2;
    o.feedback.successFrequency = 0;
    o.feedback.errorSound = true;
    o.feedback.errorSource = 1;
}

int rightCount(TFormSilbenanzahl& w) { return int(w.rules().counts().indexOf(w.rules().task().target)); }

TEST_F(SilbenanzahlWindowTest, PlayThroughByKeysAndClicksEndsInTheProtocolFile)
{
    auto w = open(folder + kList);
    auto& rules = w->rules();
    const int n = rules.taskCount();
    ASSERT_GE(n, 8);
    EXPECT_TRUE(w->Sb_hilfe->isVisible());
    EXPECT_GT(w->countRect(0).left(), w->panel().right());
    QStringList answers;
    for (int task = 0; task < n; ++task) {
        ASSERT_EQ(rules.state(), exercise::LautState::TaskReady) << task;
        const QString word = rules.wordSounds().value(0);
        if (task % 2)
            QTest::keyClick(w.get(), Qt::Key_H);
        else
            click(*w, w->pictureBox().center());
        ASSERT_EQ(playOut(), QStringList{word}) << task;
        QString given = rules.task().word;
        if (task == 1) {
            QTest::keyClick(w.get(), Qt::Key_I);  // "Hilfe": the word in syllables
            EXPECT_EQ(playOut(), QStringList{rules.syllableSounds().value(0)});
            const int wrong = rightCount(*w) == 0 ? 1 : 0;
            given += QStringLiteral(" - ") + rules.counts()[wrong];
            click(*w, w->countRect(wrong).center());
            EXPECT_TRUE(w->SB_fertig->isVisible());
            w->SB_fertig->click();
            EXPECT_EQ(rules.state(), exercise::LautState::Retrying);
            const QStringList errors = playOut();
            ASSERT_EQ(errors.size(), 1);
            EXPECT_TRUE(full[0].contains(QStringLiteral("/INTERN/Fehler/"))) << full[0].toStdString();
        }
        given += QStringLiteral(" - ") + rules.task().target;
        if (task % 3 == 0) {
            click(*w, w->countRect(rightCount(*w)).center());
            QTest::keyClick(w.get(), Qt::Key_P);
        } else {
            QTest::keyClick(w.get(), Qt::Key(Qt::Key_0 + rules.task().target.toInt()));
            QTest::keyClick(w.get(), Qt::Key_Return);
        }
        ASSERT_EQ(rules.state(), exercise::LautState::SolutionPlaying) << task;
        const QStringList chain = playOut();
        // The word, the pause, the syllables, then the praise.
        ASSERT_EQ(chain.size(), 4) << chain.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(chain[0], word);
        EXPECT_EQ(chain[1], fsys::fileName(CurrentPauseFile()));
        EXPECT_EQ(chain[2], rules.syllableSounds().value(0));
        EXPECT_TRUE(full[3].contains(QStringLiteral("/INTERN/Lob/"))) << full[3].toStdString();
        EXPECT_EQ(rules.state(), exercise::LautState::Solved);
        EXPECT_TRUE(w->SB_weiter->isEnabled());
        answers << given;
        if (task + 1 < n)
            QTest::keyClick(w.get(), task % 2 ? Qt::Key_W : Qt::Key_Return);
    }
    const QStringList lines = closeRun(w.get());
    EXPECT_TRUE(w->runEnded());
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^P 4\\.6\\. Silbenanzahl$"))).size(), 1);
    EXPECT_TRUE(lines.contains(QStringLiteral("F ") + kList));
    const QStringList rows = lines.filter(QRegularExpression(QStringLiteral("^  Aufgabe ")));
    ASSERT_EQ(rows.size(), n);
    const QRegularExpression shape(
        QStringLiteral("^  Aufgabe +(\\d+): +(\\d+) Fehler  \\(\\d\\d:\\d\\d:\\d\\d\\d\\)  (.*?) ( - mit Hilfe )?$"));
    for (int i = 0; i < n; ++i) {
        const auto m = shape.match(rows[i]);
        ASSERT_TRUE(m.hasMatch()) << rows[i].toStdString();
        EXPECT_EQ(m.captured(2).toInt(), i == 1 ? 1 : 0) << rows[i].toStdString();
        EXPECT_EQ(m.captured(3), answers[i]) << rows[i].toStdString();
        EXPECT_EQ(!m.captured(4).isEmpty(), i == 1) << rows[i].toStdString();
    }
}

TEST_F(SilbenanzahlWindowTest, WeiterToATaskWithAnEmptyTextSaysItIsDefect)
{
    // The demo list with the second task's text emptied.
    auto lines = fsys::readLines(folder + kList);
    ASSERT_TRUE(lines);
    const int at = int(lines->indexOf(QStringLiteral("[Aufgabe 2]")));
    ASSERT_GE(at, 0);
    for (int i = at; i < lines->size(); ++i)
        if ((*lines)[i].startsWith(QStringLiteral("1="))) {
            QStringList f = (*lines)[i].split(QLatin1Char('|'));
            f[2].clear();
            (*lines)[i] = f.join(QLatin1Char('|'));
            break;
        }
    const QString path = tree.writeLines(QStringLiteral("Listen/4_Laut-Silben-Analyse/6_Silbenanzahl/defekt.txt"), *lines);
    auto w = open(path);
    auto& rules = w->rules();
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    click(*w, w->countRect(rightCount(*w)).center());
    QTest::keyClick(w.get(), Qt::Key_P);
    playOut();
    ASSERT_EQ(rules.state(), exercise::LautState::Solved);
    MessageAnswers answers;
    QTest::keyClick(w.get(), Qt::Key_W);
    EXPECT_EQ(answers.messages,
              QStringList{QStringLiteral("Die aktuelle Aufgabe ist defekt! Es folgt die nächste Aufgabe.")});
    EXPECT_EQ(rules.position(), 2);
    w->endRun();
}

TEST_F(SilbenanzahlWindowTest, BadInputNeverCrashesAndNeverTouchesTheProtocol)
{
    badInput([](TFormSilbenanzahl& w) {
        QTest::keyClick(&w, Qt::Key_H);
        QTest::keyClick(&w, Qt::Key(Qt::Key_0 + w.rules().task().target.toInt()));
        QTest::keyClick(&w, Qt::Key_P);
    }, kList);
}

TEST_F(SilbenanzahlWindowTest, ScreenshotsOfATaskForAPersonToLookAt)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString tag = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    auto shot = [&](const QString& name) {
        QTest::qWait(300);
        QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QStringLiteral("/silben-") + tag + QLatin1Char('-') +
                                                            name + QStringLiteral(".png"));
    };
    g().defaultElementCount = 1;
    const QString path = folder + kList;
    LoadTaskList(path);
    BuildTaskOrder(int(g().taskList().size()), false);
    TFormSilbenanzahl w(path);
    w.show();
    QTest::qWait(500);
    QTest::keyClick(&w, Qt::Key_W);
    shot(QStringLiteral("1-task"));
    QTest::keyClick(&w, Qt::Key_H);
    playOut();
    QTest::keyClick(&w, Qt::Key(Qt::Key_0 + (rightCount(w) == 0 ? 2 : 1)));
    QTest::keyClick(&w, Qt::Key_P);
    shot(QStringLiteral("2-wrong"));
    playOut();
    QTest::keyClick(&w, Qt::Key(Qt::Key_0 + w.rules().task().target.toInt()));
    QTest::keyClick(&w, Qt::Key_P);
    playOut();
    shot(QStringLiteral("3-right"));
    ModalWatch driver([&](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_ende->click();
    });
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.runEnded());
}

} // namespace
