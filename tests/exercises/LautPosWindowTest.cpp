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

using namespace lautpos;

namespace {

const QString kList = QStringLiteral("01 Wo hörst du das S.txt");

class LautPosWindowTest : public LautWindowFixture<TFormLautPos>
{
protected:
    int code() const override { return 401; }
    QString listFolder() const override { return QStringLiteral("1_Laut positionieren/"); }
    void fixedOrder() override { g().randomOrder401 = false; }
    void setOptions() override;
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

TEST_F(LautPosWindowTest, PictureModeSaysThePositionWordInsteadOfPraise)
{
    // "Lösung mit Bild" and "sofort": a right box plays its spoken position ("vorne", "mitte",
    // "hinten"), never praise, and the chosen box alternates while it sounds.
    opts().solutionWithPicture = true;
    opts().atOnce = true;
    auto w = open(folder + kList);
    auto& rules = w->rules();
    const char* words[3] = {"vorne.wav", "mitte.wav", "hinten.wav"};
    for (int task = 0; task < 3; ++task) {
        QTest::keyClick(w.get(), Qt::Key_H);
        playOut();
        const int right = rightBox(*w);
        ASSERT_GE(right, 0);
        click(*w, w->boxRect(right).center());
        ASSERT_EQ(rules.state(), exercise::LautState::Solved) << task;
        EXPECT_EQ(playOut(), QStringList{QString::fromLatin1(words[right])}) << task;
        QTest::keyClick(w.get(), Qt::Key_W);
    }
    w->endRun();
}

TEST_F(LautPosWindowTest, PictureModeShowsTheChosenBoxsPartOfItsFacePicture)
{
    // "Bildvorne" shows all three places with the front one lit; stretched over the three boxes like
    // "Bild", the chosen box shows its own third, not the whole picture squeezed into it.
    opts().solutionWithPicture = true;
    auto w = open(folder + kList);
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    click(*w, w->boxRect(0).center());
    ASSERT_EQ(w->rules().chosen(), 0);
    const QRect box = w->boxRect(0);
    const QRect strip(box.left(), box.top(), w->boxRect(2).right() - box.left() + 1, box.height());
    picture::Target face(strip.width(), strip.height(), g().loadedList.layout.backgroundColour);
    picture::StretchPicture(face, g().config.dirs.internBilder + QStringLiteral("pos_vorne.gif"),
                            g().loadedList.layout.backgroundColour, false);
    const QImage expected = face.image.copy(0, 0, box.width(), box.height()).convertToFormat(QImage::Format_RGB32);
    const QImage shown = w->grab().toImage().copy(box).convertToFormat(QImage::Format_RGB32);
    int differing = 0, compared = 0;
    for (int y = 0; y < box.height() * 3 / 5; ++y)  // above the question mark at the bottom
        for (int x = 0; x < box.width(); ++x, ++compared)
            differing += shown.pixel(x, y) != expected.pixel(x, y);
    EXPECT_LT(differing, compared / 50);
    w->endRun();
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
