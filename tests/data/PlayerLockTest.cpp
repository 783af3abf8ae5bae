#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "data/PlayerLock.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {
class PlayerLockTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(t.root());
        g().config.dirs.optionen = t.mkdir("Optionen");
        setHoldsPlayerLock(false);
    }
    void TearDown() override { setHoldsPlayerLock(false); }
    QByteArray lockBytes() const { return t.read("Optionen/lock.txt"); }
    TempTree t;
};
} // namespace

TEST_F(PlayerLockTest, AcquireAppendsCrLfLinesAndComparesExactly)
{
    t.write("Optionen/lock.txt", "anna\r\n");
    EXPECT_TRUE(AcquirePlayerLock("Anna"));  // "anna" is someone else
    EXPECT_TRUE(holdsPlayerLock());
    EXPECT_EQ(lockBytes(), QByteArray("anna\r\nAnna\r\n"));
    EXPECT_FALSE(AcquirePlayerLock("Anna"));  // now listed
    EXPECT_FALSE(AcquirePlayerLock("anna"));
    EXPECT_EQ(lockBytes(), QByteArray("anna\r\nAnna\r\n"));
}

TEST_F(PlayerLockTest, AcquireCreatesMissingFile)
{
    ASSERT_FALSE(fsys::fileExists(playerlock::lockFilePath()));
    EXPECT_TRUE(AcquirePlayerLock("Ben"));
    EXPECT_EQ(lockBytes(), QByteArray("Ben\r\n"));
    // Both files stay writable for the users of the other workstations.
    for (const QString& path : {playerlock::lockFilePath(), playerlock::guardFilePath()}) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0666u) << path.toStdString();
    }
}

TEST_F(PlayerLockTest, ReleaseRemovesFirstEqualLineOnlyWhileHeld)
{
    t.write("Optionen/lock.txt", "Ben\r\nAnna\r\n");
    ReleasePlayerLock("Ben");  // not held here: another workstation's entry stays
    EXPECT_EQ(lockBytes(), QByteArray("Ben\r\nAnna\r\n"));

    setHoldsPlayerLock(true);
    ReleasePlayerLock("Anna");
    EXPECT_FALSE(holdsPlayerLock());
    EXPECT_EQ(lockBytes(), QByteArray("Ben\r\n"));
}

TEST_F(PlayerLockTest, ReleaseWithoutFileLeavesEmptyFile)
{
    setHoldsPlayerLock(true);
    ReleasePlayerLock("Anna");
    EXPECT_TRUE(fsys::fileExists(playerlock::lockFilePath()));
    EXPECT_EQ(lockBytes(), QByteArray());
}

TEST_F(PlayerLockTest, ReleaseAllLocks)
{
    struct Case {
        bool fileThere;
        const char* message;
    } cases[] = {
        {true, "Alle Einstellungen freigegeben!"},
        {false, "Die Einstellungen konnten nicht freigegeben werden. Bitte versuchen Sie es erneut!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileThere);
        if (c.fileThere)
            t.write("Optionen/lock.txt", "Anna\r\nBen\r\n");
        setHoldsPlayerLock(c.fileThere);
        dialogs::ScriptedDialogs d;
        ReleaseAllLocks();
        EXPECT_FALSE(fsys::fileExists(playerlock::lockFilePath()));
        EXPECT_TRUE(fsys::fileExists(playerlock::guardFilePath()));  // never removed
        EXPECT_FALSE(holdsPlayerLock());
        EXPECT_EQ(d.texts(), QStringList{c.message});
    }
}

TEST_F(PlayerLockTest, AnyoneLockedIgnoresEmptyLines)
{
    EXPECT_FALSE(playerlock::anyoneLocked());
    t.write("Optionen/lock.txt", "\r\n");
    EXPECT_FALSE(playerlock::anyoneLocked());
    t.write("Optionen/lock.txt", "x\r\n");
    EXPECT_TRUE(playerlock::anyoneLocked());
}

// Eight workstations take and release their own names 200 times at the same time. Each worker
// checks, under the lock and without it, that the file is well formed, lists no one twice and
// lists its own name while it holds it.
TEST_F(PlayerLockTest, EightProcessesNeverLoseOrTearNames)
{
    const int workers = 8;
    std::vector<std::unique_ptr<QProcess>> procs;
    for (int i = 0; i < workers; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->start(QStringLiteral(KALIMO_LOCKWORKER),
                 {g().config.dirs.optionen, QStringLiteral("w%1").arg(i), QStringLiteral("200")});
        procs.push_back(std::move(p));
    }
    int sawOthers = 0;
    for (int i = 0; i < workers; ++i) {
        QProcess& p = *procs[i];
        ASSERT_TRUE(p.waitForFinished(-1));
        const QString out = QString::fromLocal8Bit(p.readAll()).trimmed();
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0) << out.toStdString();
        sawOthers += out.section(QStringLiteral(" others "), 1).toInt();
    }
    EXPECT_EQ(lockBytes(), QByteArray());
    // The workers really overlapped (other names were in the file while one held its own).
    EXPECT_GT(sawOthers, 0);
}
