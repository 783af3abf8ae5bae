#include "LautErsetzenFixture.h"

using namespace lautreplace;

namespace {

class LautAddWindowTest : public LautErsetzenFixture
{
protected:
    void SetUp() override
    {
        setUpFor(403);
        folder = fsys::withSlash(g().config.dirs.listen) + QStringLiteral("4_Laut-Silben-Analyse/3_Laute hinzufügen/");
    }
    QString folder;
};

TEST_F(LautAddWindowTest, PlayThroughWithGlidesDropsAndKeysEndsInTheProtocolFile)
{
    auto w = open<TFormLautAdd>(folder + QStringLiteral("Auslaut/01 Laut hinten dazu.txt"));
    auto& rules = w->rules();
    ASSERT_EQ(rules.taskCount(), 4);
    ASSERT_EQ(w->tabs.size(), 2u);
    EXPECT_TRUE(w->tabs[1]->isChecked());
    EXPECT_FALSE(w->Sb_hilfe->isVisible());
    EXPECT_EQ(w->L_Aufgaben->text(), QStringLiteral(" Aufgaben: 4"));

    for (int task = 0; task < 4; ++task) {
        ASSERT_EQ(rules.position(), task);
        const int right = rules.words().right;
        ASSERT_EQ(right, 0);  // "Auslaut": the right sound is the first offered
        // A release on card 2 with nothing dragged places nothing.
        QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->cardRect(2).center());
        EXPECT_EQ(rules.placed(), -1);
        QTest::keyClick(w.get(), Qt::Key_H);
        EXPECT_EQ(playOut(), QStringList{rules.first().sounds});
        if (task == 0) {
            // A plain click on a wrong sound: the letters glide into the gap, then "Prüfen".
            click(*w, 1);
            EXPECT_TRUE(w->gliding());
            EXPECT_EQ(rules.state(), AnswerState::Dragging);
            w->finishGlide();
            EXPECT_EQ(rules.placed(), 1);
            EXPECT_EQ(playOut(), QStringList{QStringLiteral("n.wav")});
            QTest::mouseClick(w->sb_fertig, Qt::LeftButton);
            EXPECT_EQ(rules.state(), AnswerState::Retrying);
            EXPECT_EQ(rules.placed(), -1);  // the "?" again
            EXPECT_EQ(playOut().size(), 1);
            // The right one dropped straight onto card 2.
            drag(*w, right, w->gapRect().center());
            EXPECT_FALSE(w->gliding());
            EXPECT_EQ(rules.placed(), right);
            QTest::keyClick(w.get(), Qt::Key_Return);
        } else if (task == 1) {
            QTest::keyClick(w.get(), Qt::Key_Down);
            for (int i = 0; rules.placed() != right && i < 5; ++i)
                QTest::keyClick(w.get(), Qt::Key_Down);
            ASSERT_EQ(rules.placed(), right);
            QTest::keyClick(w.get(), Qt::Key_P);
        } else {
            drag(*w, right, w->cardRect(2).center());
            QTest::mouseClick(w->sb_fertig, Qt::LeftButton);
        }
        ASSERT_EQ(rules.state(), AnswerState::Solved) << task;
        const QStringList after = playOut();
        EXPECT_TRUE(after.contains(rules.second().sounds)) << task;
        w->finishReveal();
        ASSERT_TRUE(w->SB_weiter->isEnabled());
        // After the solution card 2 plays the new word.
        QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, w->cardRect(2).center());
        EXPECT_EQ(playOut(), QStringList{rules.second().sounds});
        if (task < 3)
            QTest::keyClick(w.get(), Qt::Key_W);
    }
    endAfterLastTask(*w);
    expectTaskLines(QStringLiteral("4\\.3\\. "), QStringLiteral("F Auslaut\\01 Laut hinten dazu.txt"),
                    {"Ei+s = Eis", "Rose+n = Rosen", "Ente+n = Enten", "Kerze+n = Kerzen"}, {1, 0, 0, 0});
}

TEST_F(LautAddWindowTest, AnlautRestIsWrittenInLowerCaseAndTheSumIsRecorded)
{
    auto w = open<TFormLautAdd>(folder + QStringLiteral("Anlaut/01 Laut vorne dazu.txt"));
    auto& rules = w->rules();
    EXPECT_TRUE(w->tabs[0]->isChecked());
    EXPECT_EQ(rules.words().after, QStringLiteral("eis"));
    EXPECT_EQ(rules.words().offered.value(rules.words().right), QStringLiteral("R"));
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    drag(*w, rules.words().right, w->gapRect().center());
    QTest::keyClick(w.get(), Qt::Key_Return);
    EXPECT_EQ(run().runResults.back().Rows.back().Answers, QStringLiteral("R+Eis = Reis"));
}

// A letter clicked while the one clicked before still glides to the gap is taken: the first lands at
// once and the second replaces it, so "Prüfen" judges the letter clicked last.
TEST_F(LautAddWindowTest, ALetterClickedDuringTheGlideIsTaken)
{
    auto w = open<TFormLautAdd>(folder + QStringLiteral("Anlaut/01 Laut vorne dazu.txt"));
    auto& rules = w->rules();
    QTest::keyClick(w.get(), Qt::Key_H);
    playOut();
    const int right = rules.words().right;
    const int wrong = right == 0 ? 1 : 0;
    click(*w, wrong);
    ASSERT_TRUE(w->gliding());
    click(*w, right);
    w->finishGlide();
    EXPECT_EQ(rules.placed(), right);
    playOut();
    QTest::keyClick(w.get(), Qt::Key_P);
    EXPECT_EQ(rules.state(), AnswerState::Solved);
    w->endRun();
}

TEST_F(LautAddWindowTest, ScreenshotsOfATaskForAPersonToLookAt)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString tag = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    auto shot = [&](const QString& name) {
        QTest::qWait(300);
        QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QStringLiteral("/lautadd-") + tag +
                                                            QLatin1Char('-') + name + QStringLiteral(".png"));
    };
    g().defaultElementCount = 2;
    const QString path = folder + QStringLiteral("Anlaut/01 Laut vorne dazu.txt");
    LoadTaskList(path);
    BuildTaskOrder(int(g().taskList().size()), false);
    TFormLautAdd w(path);
    w.show();
    QTest::qWait(500);
    shot(QStringLiteral("1-task"));
    QTest::keyClick(&w, Qt::Key_H);
    playOut();
    drag(w, 0, w.gapRect().center());
    QTest::mouseClick(w.sb_fertig, Qt::LeftButton);
    shot(QStringLiteral("2-wrong"));
    playOut();
    drag(w, w.rules().words().right, w.gapRect().center());
    QTest::mouseClick(w.sb_fertig, Qt::LeftButton);
    playOut();
    w.finishReveal();
    shot(QStringLiteral("3-right"));
    ModalWatch driver([&](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_ende->click();
    });
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.runEnded());
}

} // namespace
