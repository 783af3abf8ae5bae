#include "LautErsetzenFixture.h"
#include "exercises/common/ListLook.h"

using namespace lautreplace;

namespace {

class LautErsetzenWindowTest : public LautErsetzenFixture
{
protected:
    void SetUp() override
    {
        setUpFor(405);
        folder = fsys::withSlash(g().config.dirs.listen) + QStringLiteral("4_Laut-Silben-Analyse/5_Laute ersetzen/");
    }
    int entryOf(TFormLautReplace& w, const QString& sound) { return int(w.rules().words().offered.indexOf(sound)); }
    QString folder;
};

TEST_F(LautErsetzenWindowTest, PlayThroughByDragsClicksAndKeysEndsInTheProtocolFile)
{
    auto w = open<TFormLautReplace>(folder + QStringLiteral("Anlaut/01 Anlaut tauschen.txt"));
    auto& rules = w->rules();
    ASSERT_EQ(rules.taskCount(), 8);
    EXPECT_TRUE(w->tabs[0]->isChecked());
    EXPECT_FALSE(w->Sb_hilfe->isVisible());  // "mit Text" on

    // Before listening a sound cannot be taken.
    click(*w, 0);
    EXPECT_EQ(bubbles, QStringList{QStringLiteral("Bitte zuerst auf den Knopf 'Hören' klicken")});
    EXPECT_EQ(rules.state(), AnswerState::TaskReady);

    const QStringList answers = {"(H)aus - (M)aus", "(T)isch - (F)isch", "(K)anne - (T)anne", "(N)ase - (H)ase",
                                 "(R)ose - (H)ose", "(M)und - (H)und", "(K)uh - (Sch)uh", "(W)urm - (T)urm"};
    for (int task = 0; task < 8; ++task) {
        ASSERT_EQ(rules.position(), task);
        // The new sound is the last entry for "Anlaut", wherever its button is shown.
        const int right = rules.words().right;
        ASSERT_EQ(right, rules.words().offered.size() - 1);
        if (task % 2)
            QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->cardRect(1).center());
        else
            QTest::keyClick(w.get(), Qt::Key_H);
        EXPECT_EQ(playOut(), QStringList{rules.first().sounds}) << task;
        ASSERT_EQ(rules.state(), AnswerState::Answering);
        if (task == 0) {
            // A wrong sound dragged into the gap, checked with "Prüfen": the error sound, "?" state again.
            drag(*w, entryOf(*w, "r"), w->gapRect().center());
            EXPECT_EQ(rules.placed(), entryOf(*w, "r"));
            ASSERT_TRUE(w->sb_fertig->isVisible() && w->sb_fertig->isEnabled());
            EXPECT_TRUE(playOut().isEmpty());  // a drag, not a click: no sound
            QTest::mouseClick(w->sb_fertig, Qt::LeftButton);
            EXPECT_EQ(rules.state(), AnswerState::Retrying);
            EXPECT_EQ(rules.placed(), -1);
            const QStringList error = playOut();
            ASSERT_EQ(error.size(), 1);
            EXPECT_TRUE(full.front().startsWith(g().config.dirs.fehlersound)) << full.front().toStdString();
            // The right one by a plain click: it is placed and sounds.
            click(*w, right);
            EXPECT_EQ(playOut(), QStringList{QStringLiteral("m.wav")});
            QTest::mouseClick(w->sb_fertig, Qt::LeftButton);
        } else if (task % 3 == 1) {
            // The arrow keys place the focused button at once; Enter checks.
            const std::vector<int>& order = rules.shownOrder();
            const int slot = int(std::find(order.begin(), order.end(), right) - order.begin());
            for (int i = 0; i <= slot; ++i)
                QTest::keyClick(w.get(), Qt::Key_Down);
            ASSERT_EQ(rules.placed(), right);
            playOut();
            QTest::keyClick(w.get(), Qt::Key_Return);
        } else {
            drag(*w, right, w->gapRect().center());
            QTest::keyClick(w.get(), Qt::Key_P);
        }
        ASSERT_EQ(rules.state(), AnswerState::Solved) << task;
        const QStringList after = playOut();
        ASSERT_FALSE(after.isEmpty());
        EXPECT_EQ(after.front(), rules.second().sounds) << task;  // the second word, then praise
        EXPECT_TRUE(w->revealing());
        EXPECT_FALSE(w->SB_weiter->isEnabled());
        w->finishReveal();
        EXPECT_TRUE(w->SB_weiter->isVisible() && w->SB_weiter->isEnabled());
        EXPECT_TRUE(w->L_Aufgaben->text().startsWith(QStringLiteral("Aufgaben: 8 - bearbeitet: ")));
        if (task < 7)
            QTest::keyClick(w.get(), task % 2 ? Qt::Key_W : Qt::Key_Return);
    }
    EXPECT_TRUE(rules.allSolved());
    EXPECT_EQ(w->taskStates[0].state, 1);
    EXPECT_EQ(w->taskStates[1].state, 0);
    endAfterLastTask(*w);
    expectTaskLines(QStringLiteral("4\\.5\\. "), QStringLiteral("F Anlaut\\01 Anlaut tauschen.txt"), answers,
                    {1, 0, 0, 0, 0, 0, 0, 0});
}

TEST_F(LautErsetzenWindowTest, InlautOffersTheNewSoundFirstAndHelpMarksTheRow)
{
    g().playerOptions.lautReplace.withText = false;
    auto w = open<TFormLautReplace>(folder + QStringLiteral("Inlaut/01 Laut in der Mitte.txt"));
    auto& rules = w->rules();
    EXPECT_TRUE(w->tabs[1]->isChecked());
    EXPECT_EQ(rules.words().offered, (QStringList{"a", "u", "e"}));
    EXPECT_EQ(rules.words().right, 0);
    ASSERT_TRUE(w->Sb_hilfe->isVisible());
    EXPECT_FALSE(w->Sb_hilfe->isEnabled());
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    const QImage hidden = w->screenshot().copy(w->cardRect(1));
    QTest::mouseClick(w->Sb_hilfe, Qt::LeftButton);
    EXPECT_TRUE(w->Sb_hilfe->isChecked());
    EXPECT_NE(w->screenshot().copy(w->cardRect(1)), hidden);
    QTest::mouseClick(w->Sb_hilfe, Qt::LeftButton);
    EXPECT_EQ(w->screenshot().copy(w->cardRect(1)), hidden);
    EXPECT_TRUE(run().runResults.back().Rows.back().WithHelp);
}

// Solved, card 2 shows the new word whole: "Hose", not "H o se" with the gap's room around the new
// letter.
TEST_F(LautErsetzenWindowTest, TheSolvedWordStandsWithoutGaps)
{
    auto w = open<TFormLautReplace>(folder + QStringLiteral("Inlaut/01 Laut in der Mitte.txt"));
    auto& rules = w->rules();
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    drag(*w, rules.words().right, w->gapRect().center());
    QTest::keyClick(w.get(), Qt::Key_P);
    ASSERT_EQ(rules.state(), AnswerState::Solved);
    playOut();
    w->finishReveal();
    // The word's row on card 2: its ink columns (text and mark colour) have no hole wider than a
    // blank of the list font.
    const QRect gap = w->gapRect();
    const QRect row(w->cardRect(2).left() + 12, gap.top(), w->cardRect(2).width() - 24, gap.height());
    const QImage img = w->screenshot().copy(row);
    const QColor bg = img.pixelColor(1, img.height() / 2);
    std::vector<bool> ink(size_t(img.width()), false);
    for (int x = 0; x < img.width(); ++x)
        for (int y = 3; y < img.height() - 4; ++y) {  // inside the band's dividing lines
            const QColor c = img.pixelColor(x, y);
            if (std::abs(c.lightness() - bg.lightness()) > 80 || std::abs(c.hue() - bg.hue()) > 60)
                ink[size_t(x)] = true;
        }
    int first = -1, last = -1, widestHole = 0, hole = 0;
    for (int x = 0; x < img.width(); ++x) {
        if (ink[size_t(x)]) {
            if (first >= 0)
                widestHole = std::max(widestHole, hole);
            first = first < 0 ? x : first;
            last = x;
            hole = 0;
        } else {
            ++hole;
        }
    }
    ASSERT_GE(first, 0);
    const QFontMetrics fm(exercise::ListFont(w->listPoints()));
    EXPECT_LT(widestHole, fm.horizontalAdvance(QLatin1Char(' ')));
    EXPECT_NEAR(last - first, fm.horizontalAdvance(rules.words().secondWord), fm.horizontalAdvance(QLatin1Char(' ')));
}

// Card pictures are kept at their size while the layout stays: going back to a task shows its own
// pictures again, never those of the task shown in between.
TEST_F(LautErsetzenWindowTest, ATaskShownAgainShowsItsOwnPictures)
{
    auto w = open<TFormLautReplace>(folder + QStringLiteral("Anlaut/01 Anlaut tauschen.txt"));
    ASSERT_GE(w->rules().taskCount(), 2);
    // The upper half of the first card holds only its picture.
    const QRect card = w->cardRect(1);
    const QRect picture = card.adjusted(11, 11, -11, -card.height() / 2);
    const QImage first = w->screenshot().copy(picture);
    w->TaskImageClick(1);
    ASSERT_EQ(w->rules().position(), 1);
    ASSERT_EQ(w->cardRect(1), card);
    const QImage second = w->screenshot().copy(picture);
    EXPECT_NE(second, first);
    w->TaskImageClick(0);
    EXPECT_EQ(w->screenshot().copy(picture), first);
    w->TaskImageClick(1);
    EXPECT_EQ(w->screenshot().copy(picture), second);
}

// The kept screen buffer (table of background, heading and card frames drawn once per layout, only the
// places drawn over it put back) shows a placed sound, a solved task and the next tasks exactly as a
// drawing made afresh after a change of size.
TEST_F(LautErsetzenWindowTest, KeptDrawingShowsTasksAsAFreshOne)
{
    auto w = open<TFormLautReplace>(folder + QStringLiteral("Anlaut/01 Anlaut tauschen.txt"));
    auto& rules = w->rules();
    ASSERT_GE(rules.taskCount(), 3);
    auto expectAsFresh = [&](const char* when) {
        const QImage kept = w->screenshot();
        w->resize(1000, 700);
        QApplication::processEvents();
        w->resize(1024, 768);
        QApplication::processEvents();
        EXPECT_TRUE(w->screenshot() == kept) << when;
    };
    for (int task = 0; task < 3; ++task) {
        ASSERT_EQ(rules.position(), task);
        expectAsFresh("new task");
        QTest::keyClick(w.get(), Qt::Key_H);
        playOut();
        const int wrong = rules.words().right == 0 ? 1 : 0;
        drag(*w, wrong, w->gapRect().center());
        ASSERT_EQ(rules.placed(), wrong);
        expectAsFresh("a sound in the gap");
        QTest::mouseClick(w->sb_fertig, Qt::LeftButton);
        playOut();
        click(*w, rules.words().right);
        playOut();
        QTest::mouseClick(w->sb_fertig, Qt::LeftButton);
        playOut();
        w->finishReveal();
        ASSERT_EQ(rules.state(), AnswerState::Solved);
        expectAsFresh("solved");
        QTest::keyClick(w.get(), Qt::Key_W);
    }
}

TEST_F(LautErsetzenWindowTest, BadListsNeverCrashAndNeverTouchTheProtocol)
{
    const QStringList old = protocolLines();
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char(rnd::below(256));
    {
        auto w = open<TFormLautReplace>(tree.write("Listen/junk.txt", junk));
        QTest::qWait(20);
        EXPECT_TRUE(w->runEnded() || !w->isVisible());
        ASSERT_FALSE(scripted.asked().isEmpty());
        EXPECT_EQ(scripted.asked().back().text, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
    }
    // Pictures and sounds missing: the task plays in silence; one element only: incomplete.
    QStringList lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=2"),
                         QStringLiteral("[Aufgabe 1]"), QStringLiteral("1=weg.jpg|100|1Rad|weg.wav"),
                         QStringLiteral("2=fort.gif|100|1Bad,x|fort.wav"), QStringLiteral("[Aufgabe 2]"),
                         QStringLiteral("1=weg.jpg|100|1Rad|weg.wav")};
    {
        auto w = open<TFormLautReplace>(tree.writeLines("Listen/Anlaut/missing.txt", lines));
        QTest::keyClick(w.get(), Qt::Key_H);
        EXPECT_EQ(w->rules().state(), AnswerState::Answering);
        click(*w, w->rules().words().right);
        QTest::keyClick(w.get(), Qt::Key_Return);
        EXPECT_EQ(w->rules().state(), AnswerState::Solved);
        w->finishReveal();
        QTest::keyClick(w.get(), Qt::Key_W);
        EXPECT_EQ(bubbles.value(0), QStringLiteral("Die Aufgabe ist unvollständig! Bitte wählen Sie eine andere Aufgabe."));
        EXPECT_FALSE(w->SB_hoeren->isEnabled());
        QTest::keyClick(w.get(), Qt::Key_Down);
        QTest::keyClick(w.get(), Qt::Key_Return);
        w->endRun();
    }
    EXPECT_EQ(protocolLines(), old);
}

} // namespace

namespace {
// Screenshots for a person to look at (scripts/screenshots); skipped otherwise.
TEST_F(LautErsetzenWindowTest, ScreenshotsOfATaskForAPersonToLookAt)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString tag = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    auto shot = [&](const QString& name) {
        QTest::qWait(300);
        QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QStringLiteral("/lautersetzen-") + tag +
                                                            QLatin1Char('-') + name + QStringLiteral(".png"));
    };
    g().defaultElementCount = 2;
    const QString path = folder + QStringLiteral("Anlaut/01 Anlaut tauschen.txt");
    LoadTaskList(path);
    BuildTaskOrder(int(g().taskList().size()), false);
    TFormLautReplace w(path);
    w.show();
    QTest::qWait(500);
    shot(QStringLiteral("1-task"));
    QTest::keyClick(&w, Qt::Key_H);
    playOut();
    click(w, 0);
    QTest::mouseClick(w.sb_fertig, Qt::LeftButton);
    shot(QStringLiteral("2-wrong"));
    playOut();
    drag(w, w.rules().words().right, w.gapRect().center());
    shot(QStringLiteral("3-placed"));
    QTest::mouseClick(w.sb_fertig, Qt::LeftButton);
    playOut();
    w.finishReveal();
    shot(QStringLiteral("4-right"));
    ModalWatch driver([&](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_ende->click();
    });
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.runEnded());
}
} // namespace
