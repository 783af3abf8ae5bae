#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "data/TaskList.h"
#include "media/picture/Picture.h"
#include "media/skin/SkinButton.h"
#include "media/skin/Meldung.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"
#include "shell/FormAlle.h"
#include "support/ModalWatch.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

class TestFrame : public TFormFormAlle
{
public:
    using TFormFormAlle::TFormFormAlle;
    int formCloses = 0;
    QList<int> clicked;

    void TaskImageClick(int position) override
    {
        clicked << position;
        TFormFormAlle::TaskImageClick(position);
    }

protected:
    void FormClose() override
    {
        ++formCloses;
        TFormFormAlle::FormClose();
    }
};

int oneShots(const TestAudioBackend& audio) { return int(audio.log().filter(QStringLiteral("oneshot ")).size()); }
// The file of the last one-shot sound started (the end praise plays to its end, so none is left playing).
QString lastOneShot(const TestAudioBackend& audio)
{
    const QStringList shots = audio.log().filter(QStringLiteral("oneshot "));
    return shots.isEmpty() ? QString() : shots.back().mid(8);
}

// Reddish and blackish pixels of a button as drawn.
struct Inks {
    int red = 0, black = 0;
};
Inks inksOf(QWidget* w)
{
    const QImage img = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    Inks k;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() < 60)
                ++k.red;
            if (c.red() < 50 && c.green() < 50 && c.blue() < 50)
                ++k.black;
        }
    return k;
}

class FormAlleTest : public ::testing::Test
{
protected:
    TempTree tree;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;

    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetRun();
        g().config.dirs.listen = tree.mkdir(QStringLiteral("Listen"));
        // The closing dialog's "Ende" writes the protocol; it belongs in the tree, not the cwd.
        g().config.dirs.protokoll = tree.mkdir(QStringLiteral("Protokolle"));
        TFormFormAlle::lastEndPraiseIndex() = -1;
        rnd::seed(7);
    }
    void TearDown() override
    {
        TFormMeldung::shownHook() = nullptr;
        resetRun();
    }

    std::unique_ptr<TestFrame> frame(QSize size = QSize(800, 600), int code = 301)
    {
        auto w = std::make_unique<TestFrame>(code, tree.path(QStringLiteral("Listen/Prog/a.txt")));
        w->resize(size);
        w->show();
        return w;
    }
    static void tasks(TestFrame& w, int n, int current = 0)
    {
        g().loadedList.tasks.assign(size_t(n), TAufgabe{});
        w.taskStates.assign(size_t(n), TFormFormAlle::TaskState{});
        w.currentTask = current;
        w.BuildTaskStrip();
        w.DrawTaskStrip();
    }
    static QList<int> numbers(const TestFrame& w)
    {
        QList<int> l;
        for (int j = 0; j < int(w.stripButtons().size()); ++j)
            l << w.stripNumber(j);
        return l;
    }
    static void solvedRows(int count, int unsolved = 0)
    {
        const int block = StartResultBlock(QStringLiteral("a.txt"));
        for (int i = 0; i < count + unsolved; ++i)
            StartResultRow(block, i + 1).Solved = i < count;
    }
    QStringList endSounds(int n)
    {
        QStringList l;
        for (int i = 0; i < n; ++i)
            l << tree.write(QStringLiteral("EndeSound/ende%1.wav").arg(i), "RIFF");
        return l;
    }
    QString listFile(const QString& name, int taskCount)
    {
        QStringList lines = {"[Allgemein]", QStringLiteral("Aufgabencount=%1").arg(taskCount), "Elementanzahl=2"};
        for (int k = 1; k <= taskCount; ++k)
            lines << QStringLiteral("[Aufgabe %1]").arg(k) << "0=||" << QStringLiteral("1=|100|Wort%1|").arg(k)
                  << QStringLiteral("2=|100|Wort%1|").arg(k);
        return tree.writeLines(QStringLiteral("Listen/Prog/") + name, lines);
    }
};

TEST_F(FormAlleTest, FrameLayoutFollowsTheWindowSize)
{
    for (const QSize size : {QSize(800, 600), QSize(1024, 768), QSize(1366, 700)}) {
        SCOPED_TRACE(size.width());
        auto w = frame(size);
        const int s = size.height() / 15;
        EXPECT_EQ(w->stripSize, s);
        EXPECT_EQ(w->P_oben->height(), s + 4);
        EXPECT_EQ(w->BB_back->geometry(), QRect(0, 0, size.width() / 20, s + 4));
        EXPECT_EQ(w->BB_next->geometry().right(), size.width() - 1);
        const int stripWidth = w->P_label->width();
        EXPECT_EQ(stripWidth, size.width() - 2 * (size.width() / 20));
        const int c = w->stripCapacity;
        EXPECT_LT(c * s + 4 * c + 4, stripWidth);
        EXPECT_GE((c + 1) * s + 4 * (c + 1) + 4, stripWidth);
        const int b = w->P_hoeren->frameWidth();
        const int h = w->P_Leiste->height() - 2;
        EXPECT_EQ(w->P_hoeren->geometry(),
                  QRect((size.width() - w->P_hoeren->width()) / 2, 1, qRound((h - 2 * b) * 1.3046875) + 2 * b, h));
        EXPECT_EQ(w->SB_hoeren->geometry(), w->P_hoeren->rect().adjusted(b, b, -b, -b));
        EXPECT_EQ(w->SB_ende->geometry().right(), size.width() - 2);
        EXPECT_EQ(w->playArea(), QRect(0, s + 4, size.width(), w->P_Leiste->y() - (s + 4)));
    }
}

TEST_F(FormAlleTest, ThreeTasksOnAWideWindowAreCentredAndArrowsChangeNothing)
{
    auto w = frame(QSize(1200, 600));
    tasks(*w, 3);
    ASSERT_EQ(w->stripButtons().size(), 3u);
    const int a = 3, s = w->stripSize, width = w->P_label->width();
    for (int j = 0; j < a; ++j)
        EXPECT_EQ(w->stripButtons()[size_t(j)]->geometry(),
                  QRect((width - 4 * a - a * s - 4) / 2 + j * (s + 4) + 4, 2, s, s));
    for (QPushButton* arrow : {w->BB_back, w->BB_next}) {
        QTest::mouseClick(arrow, Qt::LeftButton);
        EXPECT_EQ(numbers(*w), QList<int>({0, 1, 2}));
        EXPECT_EQ(w->firstShown, 0);
    }
}

TEST_F(FormAlleTest, PlayingPastTheLastButtonScrollsByOneAndGoingBackMakesTheTaskLeftmost)
{
    auto w = frame();
    tasks(*w, 30);
    const int c = w->stripCount;
    ASSERT_EQ(c, w->stripCapacity);
    ASSERT_LT(c, 30);
    w->currentTask = c - 1;
    w->DrawTaskStrip();
    EXPECT_EQ(w->stripNumber(0), 0);
    for (int step = 1; step <= 3; ++step) {
        w->currentTask = c - 1 + step;
        w->DrawTaskStrip();
        EXPECT_EQ(w->stripNumber(0), step);
        EXPECT_EQ(w->stripNumber(c - 1), c - 1 + step);
    }
    w->currentTask = 1;
    w->DrawTaskStrip();
    EXPECT_EQ(w->stripNumber(0), 1);
    EXPECT_FALSE(audio.log().contains("beep"));
    // A jump further than one past the strip still scrolls by one, and the hidden task beeps.
    w->currentTask = c + 2;
    w->DrawTaskStrip();
    EXPECT_EQ(w->stripNumber(0), 2);
    EXPECT_EQ(audio.log(), QStringList({"beep"}));
}

TEST_F(FormAlleTest, StripButtonClickReportsThePositionItShows)
{
    auto w = frame();
    tasks(*w, 30);
    w->ShowStripFrom(4);
    QTest::mouseClick(w->stripButtons()[2], Qt::LeftButton);
    EXPECT_EQ(w->clicked, QList<int>({6}));
    EXPECT_EQ(w->stripButtons()[2]->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(FormAlleTest, HoldingNextScrollsOnePositionPerTickAndStopsAtTheLastTask)
{
    auto w = frame();
    tasks(*w, w->stripCapacity + 3);
    auto* timer = w->findChild<QTimer*>(QStringLiteral("stripRepeat"));
    ASSERT_TRUE(timer);
    EXPECT_FALSE(w->BB_back->isEnabled());
    QTest::mousePress(w->BB_next, Qt::LeftButton);
    EXPECT_TRUE(w->repeating);
    EXPECT_EQ(w->firstShown, 1);
    EXPECT_EQ(timer->interval(), 200);
    EXPECT_TRUE(w->BB_back->isEnabled());
    auto tick = [&] {
        QTimerEvent e(timer->timerId());
        QCoreApplication::sendEvent(timer, &e);
    };
    tick();
    EXPECT_EQ(w->firstShown, 2);
    EXPECT_TRUE(timer->isActive());
    tick();
    EXPECT_EQ(w->firstShown, 3);
    EXPECT_EQ(w->stripNumber(w->stripCount - 1), w->stripCapacity + 2);
    EXPECT_FALSE(w->BB_next->isEnabled());
    EXPECT_FALSE(timer->isActive());
    EXPECT_FALSE(w->repeating);
    // Holding "<" and letting go stops at once.
    QTest::mousePress(w->BB_back, Qt::LeftButton);
    EXPECT_EQ(w->firstShown, 2);
    QTest::mouseRelease(w->BB_back, Qt::LeftButton);
    EXPECT_FALSE(timer->isActive());
    EXPECT_FALSE(w->repeating);
    EXPECT_TRUE(w->BB_next->isEnabled());
}

TEST_F(FormAlleTest, StripFacesShowTheCurrentNumberInRedAndTheStatePictures)
{
    auto w = frame();
    g().config.dirs.internBilder = tree.mkdir("INTERN/Bilder");
    const QString blue = tree.path("blue.bmp"), green = tree.path("INTERN/Bilder/Green.bmp");
    QImage pic(40, 40, QImage::Format_RGB32);
    pic.fill(Qt::blue);
    pic.save(blue);
    pic.fill(Qt::green);
    pic.save(green);
    // The second by its bare name, in another case, from the internal picture folder.
    w->MakeStripPictures({blue, "green.BMP", tree.path("missing.bmp"), QString()}, {100, 100, 50, 50});
    g().loadedList.tasks.assign(5, TAufgabe{});
    w->taskStates.assign(5, TFormFormAlle::TaskState{});
    w->taskStates[1].state = 0;  // picture 1
    w->taskStates[2].state = 5;  // as 1: picture 2
    w->currentTask = 2;
    w->BuildTaskStrip();
    w->DrawTaskStrip();
    const Inks current = inksOf(w->stripButtons()[2]);
    EXPECT_GT(current.red, 5);
    for (int j : {0, 1, 3}) {
        const Inks other = inksOf(w->stripButtons()[size_t(j)]);
        EXPECT_EQ(other.red, 0) << j;
        EXPECT_GT(other.black, 5) << j;
    }
    const int mid = w->stripSize / 2;
    EXPECT_EQ(w->stripButtons()[1]->grab().toImage().pixelColor(mid, mid + 8), QColor(Qt::blue));
    EXPECT_EQ(w->stripButtons()[2]->grab().toImage().pixelColor(mid, mid + 8), QColor(Qt::green));
    EXPECT_EQ(w->stripButtons()[0]->grab().toImage().pixelColor(mid, mid + 8),
              picture::toQColor(kButtonFaceColour));
}

TEST_F(FormAlleTest, EscapeWithNothingAnsweredClosesWithoutDialogAndPraise)
{
    g().config.endSounds = endSounds(2);
    auto w = frame();
    tasks(*w, 3);
    StartResultBlock(QStringLiteral("a.txt"));  // a list was played, no task answered
    ModalWatch watch;
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(w->runEnded());
    EXPECT_EQ(w->formCloses, 1);
    EXPECT_TRUE(watch.seen.isEmpty());
    EXPECT_EQ(oneShots(audio), 0);
    EXPECT_TRUE(run().runResults.empty());
}

TEST_F(FormAlleTest, EscapeInAnotherWindowLeavesTheExerciseOpen)
{
    auto w = frame();
    QWidget other;
    other.show();
    QTest::keyClick(&other, Qt::Key_Escape);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->runEnded());
    EXPECT_EQ(w->formCloses, 0);
}

TEST_F(FormAlleTest, EndButtonWithAnAnsweredTaskShowsTheClosingDialog)
{
    auto w = frame();
    tasks(*w, 3);
    solvedRows(1);
    ModalWatch watch([](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_back->click();
        else
            m->close();
    });
    QTest::mouseClick(w->SB_ende, Qt::LeftButton);
    EXPECT_EQ(watch.seen, QStringList({"TFormclosedialog"}));
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->runEnded());
    EXPECT_EQ(w->summaryCaption, QStringLiteral("Gleich/Nicht gleich?"));
    ASSERT_FALSE(run().runProtocol.isEmpty());
    EXPECT_EQ(run().runProtocol.front(), QStringLiteral("P 3.1. Gleich/Nicht gleich?"));
    EXPECT_EQ(QApplication::focusWidget(), nullptr);
}

TEST_F(FormAlleTest, EndPraiseNeedsTheOptionAndMoreThanOneSolvedTask)
{
    struct Case {
        bool option;
        int solved, unsolved, expected;
    };
    for (const Case c : {Case{true, 1, 3, 0}, Case{true, 2, 0, 1}, Case{false, 2, 0, 0}, Case{true, 3, 1, 1}}) {
        SCOPED_TRACE(c.solved);
        audio.clearLog();
        audio.endOneShot();
        g().config.endSounds = endSounds(1);
        g().playerOptions.endPraise = c.option;
        auto w = frame();
        solvedRows(c.solved, c.unsolved);
        w->endRun();
        EXPECT_EQ(oneShots(audio), c.expected);
        if (c.expected)
            EXPECT_EQ(lastOneShot(audio), g().config.endSounds.front());
    }
}

TEST_F(FormAlleTest, ConsecutiveWindowsNeverRepeatTheEndSound)
{
    g().config.endSounds = endSounds(2);
    QStringList played;
    for (int i = 0; i < 8; ++i) {
        audio.clearLog();
        auto w = frame();
        solvedRows(2);
        w->endRun();
        played << lastOneShot(audio);
    }
    for (int i = 1; i < played.size(); ++i)
        EXPECT_NE(played[i], played[i - 1]) << i;
    EXPECT_EQ(played.filter("ende").size(), played.size());
}

TEST_F(FormAlleTest, EveryWayOfClosingRunsCloseAndPraiseOnce)
{
    g().config.endSounds = endSounds(1);
    for (int route = 0; route < 2; ++route) {
        SCOPED_TRACE(route);
        audio.clearLog();
        audio.endOneShot();
        auto w = frame();
        solvedRows(2);
        if (route == 0) {
            // From outside: the end button's way, through the closing dialog.
            ModalWatch end([](QWidget* m) {
                if (auto* d = qobject_cast<TFormclosedialog*>(m))
                    d->sb_ende->click();
            });
            w->close();
            EXPECT_TRUE(end.seen.contains(QStringLiteral("TFormclosedialog")));
        } else {
            w->endRun();
            w->close();
        }
        EXPECT_FALSE(w->isVisible());
        EXPECT_TRUE(w->runEnded());
        EXPECT_EQ(w->formCloses, 1);
        EXPECT_EQ(oneShots(audio), 1);
        EXPECT_TRUE(audio.log().contains("closeAll"));
        EXPECT_TRUE(run().runResults.empty());
    }
}

TEST_F(FormAlleTest, TheThinBottomStripHidesAndShowsTheBottomBar)
{
    auto w = frame();
    EXPECT_EQ(w->L_unten->geometry(), QRect(0, 597, 800, 3));
    const QRect withBar = w->playArea();
    QTest::mouseClick(w->L_unten, Qt::LeftButton);
    EXPECT_FALSE(w->P_Leiste->isVisible());
    EXPECT_EQ(w->playArea().bottom(), 599);
    QTest::mouseClick(w->L_unten, Qt::LeftButton);
    EXPECT_TRUE(w->P_Leiste->isVisible());
    EXPECT_EQ(w->playArea(), withBar);
}

TEST_F(FormAlleTest, ListenPanelIsLoweredWhileTheListenButtonIsDown)
{
    auto w = frame();
    QTest::mousePress(w->SB_hoeren, Qt::LeftButton);
    EXPECT_EQ(w->P_hoeren->frameShadow(), QFrame::Sunken);
    QTest::mouseRelease(w->SB_hoeren, Qt::LeftButton);
    EXPECT_EQ(w->P_hoeren->frameShadow(), QFrame::Raised);
}

TEST_F(FormAlleTest, ListChoiceListsTheFolderAndRefusesAListWithTooFewTasks)
{
    listFile("a.txt", 3);
    listFile("b.txt", 1);
    listFile("c.txt", 2);
    auto w = frame();
    ASSERT_EQ(LoadTaskList(w->listPath), 3);
    w->FillListChoice();
    ASSERT_EQ(w->CB_auswahl->count(), 3);
    EXPECT_EQ(w->CB_auswahl->currentText(), "a.txt");
    EXPECT_EQ(w->CB_auswahl->toolTip(), QStringLiteral(".\\Prog\\a.txt"));

    QStringList messages;
    TFormMeldung::shownHook() = [&](TFormMeldung& m) {
        messages << m.L_meldung->text().trimmed();
        m.B_ok->click();
    };
    w->CB_auswahl->setCurrentIndex(1);
    EXPECT_FALSE(w->LoadChosenList("b.txt", 2));
    EXPECT_EQ(messages, QStringList({"Datei nicht gültig! Bitte andere auswählen!"}));
    EXPECT_EQ(w->listPath, tree.path("Listen/Prog/a.txt"));
    EXPECT_EQ(w->CB_auswahl->currentText(), "a.txt");
    EXPECT_EQ(g().taskList().size(), 3u);

    EXPECT_TRUE(w->LoadChosenList("c.txt", 2));
    EXPECT_EQ(w->listPath, tree.path("Listen/Prog/c.txt"));
    EXPECT_EQ(g().taskList().size(), 2u);
    EXPECT_EQ(w->CB_auswahl->toolTip(), QStringLiteral(".\\Prog\\c.txt"));
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(FormAlleTest, FrameOptionsSetTheCheckboxAndTheCapitalsHint)
{
    auto w = frame();
    w->backgroundPictureVisible = true;
    g().playerOptions.capitalsOnly = true;
    w->SyncFrameOptions();
    EXPECT_TRUE(w->Chb_hintergrundbild->isChecked());
    EXPECT_TRUE(w->l_gbst->isVisible());
    g().playerOptions.capitalsOnly = false;
    w->backgroundPictureVisible = false;
    w->SyncFrameOptions();
    EXPECT_FALSE(w->Chb_hintergrundbild->isChecked());
    EXPECT_FALSE(w->l_gbst->isVisible());
    QTest::mouseClick(w->Chb_hintergrundbild, Qt::LeftButton);
    EXPECT_TRUE(w->backgroundPictureVisible);
}
}

namespace {
// Two buttons in one place, as "Prüfen" gives way to "Weiter": a click on the first hides it and
// shows the second.
struct SwapPair {
    QPushButton* first;
    QPushButton* second;
    int firstClicks = 0, secondClicks = 0;
};
void makeSwap(TestFrame& w, SwapPair& s)
{
    s.first = new QPushButton(QStringLiteral("Prüfen"), w.P_Leiste);
    s.second = new QPushButton(QStringLiteral("Weiter"), w.P_Leiste);
    for (QPushButton* b : {s.first, s.second})
        b->setGeometry(300, 2, 100, 60);
    s.second->hide();
    s.first->show();
    QObject::connect(s.first, &QPushButton::clicked, [&s] {
        ++s.firstClicks;
        s.first->hide();
        s.second->show();
    });
    QObject::connect(s.second, &QPushButton::clicked, [&s] { ++s.secondClicks; });
}
} // namespace

// A press and a release on `b` at the event time `at` (milliseconds), as the system sends them.
void timedClick(QWidget* b, quint64 at, QEvent::Type pressType = QEvent::MouseButtonPress)
{
    const QPoint pos = b->rect().center();
    for (const QEvent::Type t : {pressType, QEvent::MouseButtonRelease}) {
        QMouseEvent e(t, pos, b->mapToGlobal(pos), Qt::LeftButton,
                      t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        e.setTimestamp(at + (t == QEvent::MouseButtonRelease ? 60 : 0));
        QApplication::sendEvent(b, &e);
    }
}

TEST_F(FormAlleTest, TheSecondClickOfADoubleClickNeverPressesTheButtonThatTookThePlace)
{
    auto w = frame();
    SwapPair s;
    makeSwap(*w, s);
    const quint64 interval = quint64(QApplication::doubleClickInterval());
    ASSERT_GT(interval, 100u);
    const quint64 t0 = 1000000;
    timedClick(s.first, t0);
    ASSERT_EQ(s.firstClicks, 1);
    ASSERT_TRUE(s.second->isVisible());
    // The second click of a double click (released at t0 + 60): ignored, as a press and as the
    // double click the system makes of it.
    timedClick(s.second, t0 + 60 + interval / 2);
    timedClick(s.second, t0 + 60 + interval - 1, QEvent::MouseButtonDblClick);
    EXPECT_EQ(s.secondClicks, 0);
    // After the interval: taken.
    timedClick(s.second, t0 + 60 + interval);
    EXPECT_EQ(s.secondClicks, 1);
    // A quick second click on the same unchanged button (a letter, a card) is taken.
    timedClick(s.second, t0 + 60 + interval + 100);
    EXPECT_EQ(s.secondClicks, 2);
    // A button elsewhere is taken at once.
    auto* other = new QPushButton(QStringLiteral("A"), w->P_Leiste);
    other->setGeometry(500, 2, 60, 60);
    other->show();
    int otherClicks = 0;
    QObject::connect(other, &QPushButton::clicked, [&otherClicks] { ++otherClicks; });
    timedClick(other, t0 + 60 + interval + 200);
    EXPECT_EQ(otherClicks, 1);
}

TEST_F(FormAlleTest, ARunTheChildNeverTouchedClosesWithoutDialogAndWritesNothing)
{
    // Rows for tasks shown but never heard or answered; only the therapist's controls were used.
    const QString protocol = fsys::withSlash(g().config.dirs.protokoll) + QStringLiteral("Anna.prt");
    g().playerList = QStringList{QStringLiteral("Anna")};
    for (const bool byEndButton : {false, true}) {
        resetRun();
        auto w = frame();
        tasks(*w, 3);
        const int block = StartResultBlock(QStringLiteral("a.txt"));
        StartResultRow(block, 1);
        StartResultRow(block, 2);
        ModalWatch watch;
        QTest::mouseClick(w->BB_next, Qt::LeftButton);
        QTest::mouseClick(w->stripButtons()[1], Qt::LeftButton);
        if (byEndButton)
            QTest::mouseClick(w->SB_ende, Qt::LeftButton);
        else
            QTest::keyClick(w.get(), Qt::Key_Escape);
        EXPECT_TRUE(w->runEnded()) << byEndButton;
        EXPECT_TRUE(watch.seen.isEmpty()) << watch.seen.join(',').toStdString();
        EXPECT_FALSE(fsys::fileExists(protocol));
    }
}

TEST_F(FormAlleTest, OnceTheChildHeardOrAnsweredTheClosingDialogComes)
{
    struct Way {
        const char* what;
        std::function<void(TestFrame&)> act;
    } ways[] = {
        {"listen button", [](TestFrame& w) { QTest::mouseClick(w.SB_hoeren, Qt::LeftButton); }},
        {"a card in the playing area", [](TestFrame& w) { QTest::mouseClick(&w, Qt::LeftButton, {}, w.playArea().center()); }},
        {"a key", [](TestFrame& w) { QTest::keyClick(&w, Qt::Key_H); }},
        {"an answer", [](TestFrame&) { run().runResults.back().Rows.back().Attempts = 1; }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        resetRun();
        auto w = frame();
        tasks(*w, 3);
        StartResultRow(StartResultBlock(QStringLiteral("a.txt")), 1);
        way.act(*w);
        ModalWatch watch([](QWidget* m) {
            if (auto* d = qobject_cast<TFormclosedialog*>(m))
                d->sb_back->click();
            else
                m->close();
        });
        QTest::keyClick(w.get(), Qt::Key_Escape);
        EXPECT_EQ(watch.seen, QStringList({"TFormclosedialog"}));
        EXPECT_FALSE(w->runEnded());
        w->endRun();
    }
}

TEST_F(FormAlleTest, TheStripNumberStaysReadableOnADarkStatePicture)
{
    auto w = frame();
    const QString black = tree.path("black.bmp");
    QImage pic(40, 40, QImage::Format_RGB32);
    pic.fill(Qt::black);
    pic.save(black);
    w->MakeStripPictures({black, black, black, black}, {100, 100, 100, 100});
    g().loadedList.tasks.assign(3, TAufgabe{});
    w->taskStates.assign(3, TFormFormAlle::TaskState{});
    w->taskStates[0].state = 0;
    w->currentTask = 1;
    w->BuildTaskStrip();
    w->DrawTaskStrip();
    // The black number on the black picture has a ring of the strip's light colour around it.
    const QImage img = w->stripButtons()[0]->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int size = w->stripSize;
    int light = 0;
    for (int y = 4; y < size * 3 / 4; ++y)
        for (int x = 4; x < size * 3 / 4; ++x)
            light += QColor(img.pixel(x, y)).lightness() > 200;
    EXPECT_GT(light, 10);
}
