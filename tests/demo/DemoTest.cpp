#include "core/Catalogue.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/TextUtil.h"
#include "data/TaskList.h"
#include "media/picture/Picture.h"
#include "media/sound/Sound.h"
#include "support/TestSupport.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QSet>
#include <QFile>
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

bool isWave(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(12);
    return head.startsWith("RIFF") && head.mid(8, 4) == "WAVE";
}
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
    QStringList all;
    ListFilesRecursive(g().config.dirs.listen, QStringLiteral("*.txt"), true, all);
    ASSERT_GE(all.size(), 40);
    QSet<QString> walked;
    int pictures = 0, sounds = 0;
    for (const ProgramInfo& p : catalogue::programs()) {
        QStringList lists;
        ListFilesRecursive(catalogue::listFolder(p.code), QStringLiteral("*.txt"), true, lists);
        EXPECT_FALSE(lists.isEmpty()) << "no list for " << p.code;
        g().defaultElementCount = catalogue::defaultElementCount(p.code);
        // Head pictures come from the collection folder, for 404 from the element pictures.
        const QString headFolder = p.code == 404 ? g().config.dirs.materialBilder : g().config.dirs.materialSammelBilder;
        for (const QString& list : lists) {
            SCOPED_TRACE(list.toStdString());
            walked.insert(list);
            TDaten data;
            EXPECT_GT(LoadTaskListInto(list, data), 0);
            for (const TAufgabe& task : data.tasks) {
                std::vector<std::pair<const TEinzelbild*, bool>> elements{{&task.headElement, true}};
                for (const TEinzelbild& e : task.elements)
                    elements.push_back({&e, false});
                for (const auto& [e, head] : elements) {
                    if (!e->picture.isEmpty()) {
                        QString file = head ? fsys::withSlash(headFolder) + fsys::fromStored(e->picture) : QString();
                        if (!fsys::fileExists(file))
                            file = picture::ResolvePictureName(e->picture);
                        EXPECT_TRUE(picture::PictureSize(file).isValid()) << e->picture.toStdString();
                        ++pictures;
                    }
                    // ";" separates the sounds of an element, "#" the syllable count's two recordings.
                    for (const QString& s : e->sounds.split(QRegularExpression(QStringLiteral("[;#]")), Qt::SkipEmptyParts)) {
                        EXPECT_TRUE(isWave(ResolveSoundName(s))) << s.toStdString();
                        ++sounds;
                    }
                }
                for (const QString& s : task.successSounds)
                    EXPECT_TRUE(isWave(ResolveSoundName(s))) << s.toStdString();
            }
        }
    }
    for (const QString& list : all)
        EXPECT_TRUE(walked.contains(list)) << "outside every program's folder: " << list.toStdString();
    EXPECT_TRUE(dlg.asked().isEmpty()) << dlg.texts().join("|").toStdString();
    EXPECT_GT(pictures, 300);
    EXPECT_GT(sounds, 300);
}
