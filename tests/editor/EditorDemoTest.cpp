#include "core/Catalogue.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "data/TaskList.h"
#include "editor/Einfuegen.h"
#include "editor/Formeditor.h"
#include "media/sound/TestAudioBackend.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDirIterator>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

// The editor on the demo installation.
namespace {

class EditorDemoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        copyDemoTo(tree);
        resetToInstallation(tree.root());
        installation::ReadMainConfiguration(nullptr);
        TFormEinfuegen::rememberedFolder().clear();
    }
    TempTree tree;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;
};

TEST_F(EditorDemoTest, EveryDemoListSavedUnderANewNameLoadsWithTheSameTasks)
{
    const QString out = tree.mkdir(QStringLiteral("out"));
    int lists = 0;
    for (const ProgramInfo& p : catalogue::programs()) {
        QDirIterator it(catalogue::listFolder(p.code), {QStringLiteral("*.txt")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            g().programCode = p.code;
            TFormeditor w;
            w.setEditedFile(file);
            w.show();
            const QString copy = out + QString::number(p.code) + QLatin1Char('-') + QString::number(++lists);
            scripted.answerFile(copy);
            w.saveListAs();
            ASSERT_TRUE(w.saved()) << file.toStdString();
            TDaten before, after;
            const int n = LoadTaskListInto(file, before);
            EXPECT_GT(n, 0) << file.toStdString();
            EXPECT_EQ(LoadTaskListInto(copy + QStringLiteral(".txt"), after), n) << file.toStdString();
            EXPECT_EQ(after.tasks, before.tasks) << p.code << " " << file.toStdString();
            w.close();
        }
    }
    EXPECT_GE(lists, 80);  // the walk found the demo lists
}

// Screenshots for a person to look at: run under Xvfb with the xcb platform and KALIMO_SHOTS_DIR set;
// skipped otherwise.
class EditorScreenshots : public EditorDemoTest
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariable("KALIMO_SHOTS_DIR").isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
        EditorDemoTest::SetUp();
    }
};

TEST_F(EditorScreenshots, OfTheEditorAndTheInsertionDialog)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString tag = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    auto shot = [&](const QString& name) {
        QTest::qWait(400);
        QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QStringLiteral("/editor-") + tag + QLatin1Char('-') +
                                                            name + QStringLiteral(".png"));
    };
    struct Case { int code; QString folder; };
    for (const Case& c : {Case{301, "3_Differenzierung/1_Gleich oder Nichtgleich/Allgemein"},
                          Case{101, "1_Merkfähigkeit/Bild"}}) {
        const QString folder = g().config.dirs.listen + c.folder + QLatin1Char('/');
        const QStringList files = fsys::list(folder, QStringLiteral("*.txt"), true, fsys::Entries::Files);
        ASSERT_FALSE(files.isEmpty());
        g().programCode = c.code;
        TFormeditor w;
        w.setEditedFile(files.front());
        w.show();
        shot(QString::number(c.code));
        if (c.code == 301) {
            w.frame(1)->M_Text->setText(QStringLiteral("Hund"));
            QTest::mouseDClick(w.frame(1)->E_sound, Qt::LeftButton);
            shot(QStringLiteral("sound-dialog"));
            w.insertDialog()->hide();
            w.pictureDoubleClicked(2);
            shot(QStringLiteral("picture-dialog"));
            w.insertDialog()->hide();
            w.addTask();  // a task never filled: its cards say how to fill them
            shot(QStringLiteral("empty-task"));
            w.deleteTask();
        }
        w.close();
    }
}

} // namespace
