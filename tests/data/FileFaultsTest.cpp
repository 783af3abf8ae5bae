// A full disk and unreadable files: every save keeps the old file whole and says so, and a file
// that cannot be read is never written over.
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "data/PlayerLock.h"
#include "data/PlayerOptions.h"
#include "data/TaskListWriter.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>
#include <gtest/gtest.h>

namespace {
class FileFaults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(t.root());
        g().config.dirs.optionen = t.mkdir("Optionen");
        g().playerList = QStringList{QStringLiteral("Anna")};
        setHoldsPlayerLock(false);
    }
    void TearDown() override { setHoldsPlayerLock(false); }
    QStringList temporaries() const
    {
        QStringList out;
        for (const QString& n : QDir(t.path("Optionen")).entryList(QDir::Files | QDir::Hidden))
            if (n.contains(".kalimo~") || n.startsWith("~~"))
                out << n;
        return out;
    }
    TempTree t;
    dialogs::ScriptedDialogs d;
};

// An options file of many sections, as adults' files are.
QByteArray bigOptions()
{
    QByteArray b = "; von Hand\r\n[Allgemeine Optionen]\r\nNurGrossbst=0\r\n";
    for (int s = 0; s < 21; ++s) {
        b += "[Programm " + QByteArray::number(s) + "]\r\n";
        for (int k = 0; k < 20; ++k)
            b += "Schluessel" + QByteArray::number(k) + "=Wert " + QByteArray::number(s * k) + "\r\n";
    }
    return b;
}
} // namespace

TEST_F(FileFaults, FullDiskKeepsOptionsListAndLockFileAndTellsTheUser)
{
    const QByteArray options = bigOptions();
    const QString optionsPath = t.write("Optionen/Options-Anna.txt", options);
    const QByteArray list = "[Allgemein]\r\nAufgabencount=0\r\n";
    const QString listPath = t.write("Optionen/liste.txt", list);
    const QByteArray lock = "w1\r\nw2\r\nw3\r\n";
    t.write("Optionen/lock.txt", lock);

    fsys::testing::InjectFaults full({4096, {}});
    g().playerOptions.capitalsOnly = true;
    EXPECT_FALSE(WritePlayerOptions("Anna", 0));
    EXPECT_EQ(t.read("Optionen/Options-Anna.txt"), options);
    EXPECT_EQ(d.texts().value(0), "Die Ini-Datei: " + optionsPath + " konnte nicht erstellt werden.");

    d.clear();
    TDaten tasks;
    tasks.tasks.resize(200);
    EXPECT_FALSE(SaveTaskList(listPath, tasks, 301, 2));
    EXPECT_EQ(t.read("Optionen/liste.txt"), list);
    EXPECT_EQ(d.texts(), QStringList{"Die Ini-Datei: " + listPath + " konnte nicht erstellt werden."});

    d.clear();
    full.faults().diskSpace = 0;
    EXPECT_TRUE(AcquirePlayerLock("Anna"));  // the child may play all the same
    EXPECT_FALSE(holdsPlayerLock());
    EXPECT_EQ(t.read("Optionen/lock.txt"), lock);
    EXPECT_EQ(d.texts().size(), 1);
    EXPECT_TRUE(d.texts().value(0).contains("lock.txt"));

    EXPECT_EQ(temporaries(), QStringList());
}

TEST_F(FileFaults, UnreadableOptionsAndLockFilesStayByteIdenticalAndTheUserIsToldOnce)
{
    const QByteArray options = bigOptions();
    const QString optionsPath = t.write("Optionen/Options-Anna.txt", options);
    const QByteArray lock = "andere-Station\r\n";
    const QString lockPath = t.write("Optionen/lock.txt", lock);
    fsys::testing::InjectFaults faults({-1, {optionsPath, lockPath}});

    ReadPlayerOptions("Anna", 0);
    EXPECT_TRUE(g().playerOptions.nameChoice);  // the defaults in memory
    g().playerOptions.capitalsOnly = true;
    EXPECT_FALSE(WritePlayerOptions("Anna", 0));
    EXPECT_FALSE(WriteChosenListFile("Anna", 301, "neu.txt"));
    ReadPlayerOptions("Anna", 301);
    EXPECT_TRUE(AcquirePlayerLock("Anna"));
    EXPECT_FALSE(holdsPlayerLock());
    ReleasePlayerLock("Anna");
    EXPECT_TRUE(AcquirePlayerLock("Anna"));

    EXPECT_EQ(t.read("Optionen/Options-Anna.txt"), options);
    EXPECT_EQ(t.read("Optionen/lock.txt"), lock);
    const QStringList told = d.texts();
    ASSERT_EQ(told.size(), 2) << told.join(" | ").toStdString();
    EXPECT_TRUE(told[0].startsWith("Die Datei " + optionsPath + " kann nicht gelesen werden."));
    EXPECT_TRUE(told[1].startsWith("Die Datei " + lockPath + " kann nicht gelesen werden."));
}

// A planted link in place of a player's options file, and a list's leftover "~~" copy from a
// killed editor save: the options are never written through the link (the user is told why), and
// the next save of the list removes the leftover.
TEST_F(FileFaults, OptionsLinkIsRefusedAndListLeftoverGoes)
{
    const QString victim = t.write("victim/data.txt", "geheim");
    ::chmod(QFile::encodeName(victim).constData(), 0600);
    const QString link = t.path("Optionen/Options-Anna.txt");
    ASSERT_EQ(::symlink(QFile::encodeName(victim).constData(), QFile::encodeName(link).constData()), 0);
    EXPECT_FALSE(WritePlayerOptions("Anna", 0));
    EXPECT_EQ(t.read("victim/data.txt"), QByteArray("geheim"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(victim).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(d.texts().size(), 1);
    EXPECT_TRUE(d.texts()[0].startsWith("Die Datei " + link + " ist eine Verknüpfung")) << d.texts()[0].toStdString();

    t.write("Listen/~~Tiere.txt", "halb geschrieben");
    d.clear();
    TDaten list;
    list.tasks.resize(1);
    ASSERT_TRUE(SaveTaskList(t.path("Listen/Tiere.txt"), list, 301, 2));
    EXPECT_FALSE(QFile::exists(t.path("Listen/~~Tiere.txt")));
    EXPECT_TRUE(QFile::exists(t.path("Listen/Tiere.txt")));
}
