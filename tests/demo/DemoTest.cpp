#include "chooser/ListCheck.h"
#include "core/Catalogue.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/IniFile.h"
#include "core/Installation.h"
#include "core/TextUtil.h"
#include "data/TaskList.h"
#include "media/picture/Picture.h"
#include "media/sound/Sound.h"
#include "support/TestSupport.h"

#include <QDirIterator>
#include <QSet>
#include <gtest/gtest.h>

// The demo installation walked with the program's own loaders and name resolution: every list
// loads, and every picture and sound it names is found and readable.
namespace {
class DemoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A copy: reading the configuration makes missing folders.
        copyDemoTo(t);
        resetToInstallation(t.root());
        installation::ReadMainConfiguration(nullptr);
    }
    TempTree t;
    dialogs::ScriptedDialogs dlg;
};

} // namespace

TEST_F(DemoTest, MenuNamesEveryProgramWithItsPictures)
{
    const MainConfig& c = g().config;
    int groups = 0;
    QList<int> codes;
    for (const QString& line : c.menuLines) {
        const QStringList f = line.trimmed().split(QLatin1Char(';'));
        ASSERT_GE(f.size(), 4) << line.toStdString();
        if (!line.startsWith(QStringLiteral("  "))) {
            ++groups;
        } else {
            const int code = catalogue::programCodeFor(f[1], f[0]);
            EXPECT_NE(code, 0) << line.toStdString();
            codes << code;
        }
        for (int i : {2, 3})
            EXPECT_TRUE(fsys::fileExists(c.dirs.schalterknopf + fsys::fromStored(f[i]))) << line.toStdString();
    }
    EXPECT_EQ(groups, 4);
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes.size(), 19);
    EXPECT_EQ(std::unique(codes.begin(), codes.end()), codes.end());
    EXPECT_TRUE(picture::PictureSize(c.startbild1).isValid());
    EXPECT_TRUE(picture::PictureSize(c.startbild2).isValid());
    EXPECT_TRUE(fsys::fileExists(c.helpFile));
    EXPECT_TRUE(fsys::fileExists(c.manualFile));
}

TEST_F(DemoTest, EveryListLoadsAndItsMediaAreFound)
{
    const listcheck::Report report = listcheck::CheckInstallation();
    for (const listcheck::Finding& f : report.findings)
        ADD_FAILURE() << listcheck::describe(f).toStdString();
    EXPECT_GE(report.lists, 40);
    EXPECT_GT(report.pictures, 300);
    EXPECT_GT(report.sounds, 300);
    // Every list belongs to a program, and every program has lists.
    QStringList all;
    ListFilesRecursive(g().config.dirs.listen, QStringLiteral("*.txt"), true, all);
    QSet<QString> inPrograms;
    for (const ProgramInfo& p : catalogue::programs()) {
        QStringList lists;
        ListFilesRecursive(catalogue::listFolder(p.code), QStringLiteral("*.txt"), true, lists);
        EXPECT_FALSE(lists.isEmpty()) << "no list for " << p.code;
        for (const QString& l : lists)
            inPrograms.insert(l);
    }
    for (const QString& list : all)
        EXPECT_TRUE(inPrograms.contains(list)) << "outside every program's folder: " << list.toStdString();
    EXPECT_TRUE(dlg.asked().isEmpty()) << dlg.texts().join("|").toStdString();
}

// Every program praises a right answer on the demo players' options: the praise source each section
// names has sounds (the task's own success sounds, the configured names, or the random folder).
TEST_F(DemoTest, EveryProgramPraisesOnTheDemoOptions)
{
    const auto& d = g().config.dirs;
    QStringList random;
    ListFiles(d.lobSound + QStringLiteral("Zufall/"), QStringLiteral("*.wav"), true, random);
    for (const QString& player : {QStringLiteral("Anna"), QStringLiteral("Ben"), QStringLiteral("Standard")}) {
        const IniFile options = IniFile::load(d.optionen + QStringLiteral("Options-") + player + QStringLiteral(".txt"));
        for (const ProgramInfo& p : catalogue::programs()) {
            SCOPED_TRACE(::testing::Message() << player.toStdString() << " " << p.code);
            if (!options.hasKey(p.optionsSection, QStringLiteral("ErfolgAkustisch")))
                continue;
            if (!options.readBool(p.optionsSection, QStringLiteral("Erfolgssound"), true))
                continue;
            switch (options.readInteger(p.optionsSection, QStringLiteral("ErfolgAkustisch"), 0)) {
            case 0:
                if (!options.hasKey(p.optionsSection, QStringLiteral("ErfolgssoundText")))
                    break;  // a program with praise keys of its own
                for (const QString& name : options.readString(p.optionsSection, QStringLiteral("ErfolgssoundText")).split(';'))
                    EXPECT_TRUE(fsys::fileExists(d.lobSound + name)) << name.toStdString();
                break;
            case 1: {
                QStringList lists;
                ListFilesRecursive(catalogue::listFolder(p.code), QStringLiteral("*.txt"), true, lists);
                g().defaultElementCount = catalogue::defaultElementCount(p.code);
                for (const QString& list : lists) {
                    TDaten data;
                    ASSERT_GT(LoadTaskListInto(list, data), 0) << list.toStdString();
                    for (const TAufgabe& t : data.tasks) {
                        bool sounds = false;
                        for (const QString& s : t.successSounds)
                            sounds = sounds || (!s.isEmpty() && fsys::fileExists(d.internsound + fsys::fromStored(s)));
                        EXPECT_TRUE(sounds) << "a task of " << list.toStdString() << " has no success sound";
                    }
                }
                break;
            }
            default:
                EXPECT_FALSE(random.isEmpty());
                break;
            }
        }
    }
}
