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
#include "exercises/LautPos/LautPos.h"
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

using namespace lautpos;

namespace {

const QString kList = QStringLiteral("01 Wo hörst du das S.txt");

class LautPosWindowTest : public ::testing::Test
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
        g().programCode = 401;
        ReadPlayerOptions(QStringLiteral("Anna"), 401);
        g().randomOrder401 = false;
        chooser::startPosition() = 0;
        rnd::seed(11);
        folder = fsys::withSlash(g().config.dirs.listen) + QStringLiteral("4_Laut-Silben-Analyse/1_Laut positionieren/");
        setOptions();
    }
    void setOptions();
    void TearDown() override { TFormMeldung::shownHook() = nullptr; }

    std::unique_ptr<TFormLautPos> open(const QString& path)
    {
        g().defaultElementCount = 1;
        const int n = LoadTaskList(path);
        if (n <= 0)
            g().loadedList.tasks.clear();
        BuildTaskOrder(std::max(0, n), false);
        auto w = std::make_unique<TFormLautPos>(path);
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
    static void click(QWidget& w, const QPoint& at) { QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, at); }
    QStringList closeRun(QWidget* w)
    {
        scripted.answer(dialogs::Button::No);
        ModalWatch driver([](QWidget* m) {
            if (auto* d = qobject_cast<TFormclosedialog*>(m))
                d->sb_ende->click();
        });
        QTest::keyClick(w, Qt::Key_W);
        EXPECT_FALSE(scripted.asked().isEmpty());
        if (!scripted.asked().isEmpty())
            EXPECT_EQ(scripted.asked().front().text,
                      QStringLiteral(" Die Datei ist vollständig bearbeitet!  \nVon vorne beginnen?"));
        EXPECT_TRUE(driver.seen.contains(QStringLiteral("TFormclosedialog")));
        return protocolLines();
    }
    void badInput(const std::function<void(TFormLautPos&)>& answerRight, const QString& list)
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
        QStringList lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=2")};
        for (int k = 1; k <= 2; ++k)
            lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("0=||");
        {
            TFormMeldung::shownHook() = [&](TFormMeldung& m) { QTimer::singleShot(0, &m, [&m] { m.close(); }); };
            auto w = open(tree.writeLines("Listen/4_Laut-Silben-Analyse/1_Laut positionieren/half.txt", lines));
            QTest::keyClick(w.get(), Qt::Key_H);
            QTest::keyClick(w.get(), Qt::Key_Return);
            click(*w, w->rect().center());
            w->endRun();
            TFormMeldung::shownHook() = nullptr;
        }
        QDir(tree.root() + QStringLiteral("/Material")).removeRecursively();
        {
            auto w = open(folder + list);
            answerRight(*w);
            playOut();
            EXPECT_EQ(w->rules().state(), exercise::LautState::Solved);
            w->endRun();
        }
        EXPECT_EQ(protocolLines(), old);
    }

    TempTree tree;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;
    QString folder;
    QStringList full;
};

void LautPosWindowTest::setOptions()
{
    TOpt_LautPos& o = opts();
    o.atOnce = false;
    o.solutionWithPicture = false;
    o.successSound = true;
    o.successSource = 1;
    o.successFrequency = 0;
}

int rightBox(TFormLautPos& w)
{
    for (int p = 0; p < 3; ++p)
        if (PositionRight(w.rules().task().word, w.rules().task().target, p))
            return p;
    return -1;
}

TEST_F(LautPosWindowTest, PlayThroughByKeysAndClicksEndsInTheProtocolFile)
{
    auto w = open(folder + kList);
    auto& rules = w->rules();
    const int n = rules.taskCount();
    ASSERT_GE(n, 6);
    EXPECT_LT(w->headingBox().bottom(), w->boxRect(0).top());
    EXPECT_GT(w->wordBand().top(), w->boxRect(0).bottom());
    const QString instruction = g().loadedList.layout.headingSound;
    QStringList answers;
    for (int task = 0; task < n; ++task) {
        ASSERT_EQ(rules.state(), exercise::LautState::TaskReady) << task;
        const QString word = rules.wordSound();
        if (task % 2) {
            QTest::keyClick(w.get(), Qt::Key_Return);  // the instruction, then the word
            ASSERT_EQ(playOut(), (QStringList{instruction, word})) << task;
        } else {
            click(*w, w->headingBox().center());
            ASSERT_EQ(playOut(), (QStringList{instruction, word})) << task;
        }
        ASSERT_EQ(rules.state(), exercise::LautState::Answering);
        const int right = rightBox(*w);
        ASSERT_GE(right, 0);
        if (task == 1) {
            click(*w, w->boxRect((right + 1) % 3).center());
            EXPECT_TRUE(w->SB_Fertig->isVisible());
            QTest::keyClick(w.get(), Qt::Key_P);
            EXPECT_EQ(rules.state(), exercise::LautState::Retrying);
            EXPECT_EQ(playOut(), (QStringList{instruction, word}));  // no error sound: the instruction again
        }
        if (task % 2) {
            click(*w, w->boxRect(right).center());
            w->SB_Fertig->click();
        } else {
            QTest::keyClick(w.get(), Qt::Key_Right);  // from no choice: "vorne"
            for (int k = 0; k < right; ++k)
                QTest::keyClick(w.get(), Qt::Key_Right);
            QTest::keyClick(w.get(), Qt::Key_Return);
        }
        ASSERT_EQ(rules.state(), exercise::LautState::Solved) << task;
        const QStringList praise = playOut();
        ASSERT_EQ(praise.size(), 1);
        EXPECT_TRUE(full[0].contains(QStringLiteral("/INTERN/Lob/"))) << full[0].toStdString();
        EXPECT_TRUE(w->SB_weiter->isVisible());
        answers << rules.task().word;
        if (task + 1 < n)
            QTest::keyClick(w.get(), task % 2 ? Qt::Key_W : Qt::Key_Return);
    }
    const QStringList lines = closeRun(w.get());
    EXPECT_TRUE(w->runEnded());
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^P 4\\.1\\. Laute positionieren$"))).size(), 1);
    const QStringList rows = lines.filter(QRegularExpression(QStringLiteral("^  Aufgabe ")));
    ASSERT_EQ(rows.size(), n);
    const QRegularExpression shape(
        QStringLiteral("^  Aufgabe +(\\d+): +(\\d+) Fehler  \\(\\d\\d:\\d\\d:\\d\\d\\d\\)  (.*) $"));
    for (int i = 0; i < n; ++i) {
        const auto m = shape.match(rows[i]);
        ASSERT_TRUE(m.hasMatch()) << rows[i].toStdString();
        EXPECT_EQ(m.captured(2).toInt(), i == 1 ? 1 : 0) << rows[i].toStdString();
        EXPECT_EQ(m.captured(3), answers[i]) << rows[i].toStdString();
    }
}

TEST_F(LautPosWindowTest, BadInputNeverCrashesAndNeverTouchesTheProtocol)
{
    badInput([](TFormLautPos& w) {
        QTest::keyClick(&w, Qt::Key_H);
        const int right = rightBox(w);
        QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, w.boxRect(right).center());
        QTest::keyClick(&w, Qt::Key_P);
    }, kList);
}

TEST_F(LautPosWindowTest, ScreenshotsOfATaskForAPersonToLookAt)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString tag = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    auto shot = [&](const QString& name) {
        QTest::qWait(300);
        QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QStringLiteral("/lautpos-") + tag + QLatin1Char('-') +
                                                            name + QStringLiteral(".png"));
    };
    g().defaultElementCount = 1;
    const QString path = folder + kList;
    LoadTaskList(path);
    BuildTaskOrder(int(g().taskList().size()), false);
    TFormLautPos w(path);
    w.show();
    QTest::qWait(500);
    QTest::keyClick(&w, Qt::Key_Return);
    playOut();
    QTest::keyClick(&w, Qt::Key_Right);
    shot(QStringLiteral("1-chosen"));
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, w.boxRect((rightBox(w) + 1) % 3).center());
    QTest::keyClick(&w, Qt::Key_P);
    playOut();
    shot(QStringLiteral("2-wrong"));
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, w.boxRect(rightBox(w)).center());
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
