#include "core/Dialogs.h"
#include "core/FileProblems.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "data/PlayerLock.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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
    EXPECT_FALSE(fsys::exists(playerlock::claimFilePath()));  // the guard is gone after the write
}

// The files Kalimo makes are never writable by everyone. In a shared folder (setgid, as the
// installation sets up the common data folder) they are writable by the folder's group, so every
// account of that group can replace them.
TEST_F(PlayerLockTest, NewFilesAreNeverWorldWritableAndSharedFoldersShareThem)
{
    const mode_t oldMask = ::umask(022);
    for (bool shared : {false, true}) {
        SCOPED_TRACE(shared);
        const QString dir = t.mkdir(shared ? "Gemeinsam" : "Privat");
        ASSERT_EQ(::chmod(QFile::encodeName(dir).constData(), shared ? 02777 : 0777), 0);
        g().config.dirs.optionen = dir;
        EXPECT_TRUE(AcquirePlayerLock("Ben"));
        ReleasePlayerLock("Ben");
        for (const QString& path : {playerlock::lockFilePath(), playerlock::guardFilePath()}) {
            struct stat st {};
            ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, shared ? 0664u : 0644u) << path.toStdString();
        }
        // A folder made inside the shared one is shared the same way.
        ASSERT_TRUE(fsys::makePath(dir + "Daten/Protokoll/"));
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(dir + "Daten/Protokoll").constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, shared ? 02775u : 0755u);
    }
    // A file that was world-writable keeps its other bits when replaced, less the world's write.
    t.write("Gemeinsam/lock.txt", "x\r\n");
    ::chmod(QFile::encodeName(t.path("Gemeinsam/lock.txt")).constData(), 0666);
    EXPECT_TRUE(AcquirePlayerLock("Ben"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(t.path("Gemeinsam/lock.txt")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0664u);
    ::umask(oldMask);
}

// Another account plants links in a shared options folder. Nothing is written through them, no
// target's mode changes, and the user is told once why the file was left alone.
TEST_F(PlayerLockTest, PlantedLinksAreNeverFollowed)
{
    const QString victim = t.mkdir("victim");
    const QString priv = t.write("victim/private.txt", "privat");
    const QString data = t.write("victim/data.txt", "geheim");
    for (const QString& f : {priv, data})
        ASSERT_EQ(::chmod(QFile::encodeName(f).constData(), 0600), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(priv).constData(), QFile::encodeName(playerlock::guardFilePath()).constData()), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(data).constData(), QFile::encodeName(playerlock::lockFilePath()).constData()), 0);
    fileproblems::resetReported();
    dialogs::ScriptedDialogs d;
    EXPECT_TRUE(AcquirePlayerLock("Anna"));  // the child may play; the lock could not be written
    EXPECT_FALSE(holdsPlayerLock());
    for (const QString& f : {priv, data}) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(f).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << f.toStdString();
    }
    EXPECT_EQ(t.read("victim/private.txt"), QByteArray("privat"));
    EXPECT_EQ(t.read("victim/data.txt"), QByteArray("geheim"));
    ASSERT_EQ(d.texts().size(), 2);
    EXPECT_TRUE(d.texts()[0].startsWith("Die Datei " + playerlock::guardFilePath() + " ist eine Verknüpfung"));
    EXPECT_TRUE(d.texts()[1].startsWith("Die Datei " + playerlock::lockFilePath() + " ist eine Verknüpfung"));
    // The links themselves stay until an adult removes them; the guard link is told once a run.
    d.clear();
    EXPECT_TRUE(AcquirePlayerLock("Anna"));
    EXPECT_EQ(d.texts().size(), 1);
    EXPECT_TRUE(fsys::isSymLink(playerlock::lockFilePath()));
}

namespace {
// Answers every message after checking that the player list is free meanwhile: another process's
// record lock on "lock.lck" could be taken, and the claim file is gone.
class CheckingDialogs : public dialogs::ScriptedDialogs
{
public:
    int heldDuringMessage = 0;
    dialogs::Button message(QWidget* parent, dialogs::Icon icon, const QString& title, const QString& text,
                            const QList<dialogs::Button>& buttons) override
    {
        const int fd = ::open(QFile::encodeName(playerlock::guardFilePath()).constData(), O_RDWR);
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        if (fd >= 0 && ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK)
            ++heldDuringMessage;
        if (fd >= 0)
            ::close(fd);
        if (fsys::exists(playerlock::claimFilePath()))
            ++heldDuringMessage;
        return ScriptedDialogs::message(parent, icon, title, text, buttons);
    }
};
} // namespace

TEST_F(PlayerLockTest, MessagesComeAfterTheGuardIsLetGo)
{
    fileproblems::resetReported();
    t.write("Optionen/lock.txt", "Ben\r\n");
    CheckingDialogs d;
    {
        fsys::testing::InjectFaults faults({-1, {playerlock::lockFilePath()}});  // unreadable
        EXPECT_TRUE(AcquirePlayerLock("Anna"));
    }
    {
        fsys::testing::InjectFaults faults({0, {}});  // a full disk
        EXPECT_TRUE(AcquirePlayerLock("Anna"));
    }
    ASSERT_EQ(d.texts().size(), 2);
    EXPECT_TRUE(d.texts()[0].contains("kann nicht gelesen werden"));
    EXPECT_EQ(d.texts()[1], "Die Ini-Datei: " + playerlock::lockFilePath() + " konnte nicht erstellt werden.");
    EXPECT_EQ(d.heldDuringMessage, 0);
    EXPECT_EQ(lockBytes(), QByteArray("Ben\r\n"));
}

// A claim another workstation keeps (its process alive) is waited for a bounded time; then the
// user is asked in German whether to try again. Giving up starts nothing and shows no lock notice.
// A claim that stays unchanged longer than a writer ever needs is taken over without a question.
TEST_F(PlayerLockTest, BusyPlayerListAsksAndStaleClaimIsTakenOver)
{
    playerlock::setTimingForTests(300, 60000);
    t.write("Optionen/lock.guard", "anderer-pc 4711 abc\r\n");
    dialogs::ScriptedDialogs d;
    d.answer(dialogs::Button::Retry);
    d.answer(dialogs::Button::Cancel);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(AcquirePlayerLock("Anna"));
    EXPECT_TRUE(playerLockCancelled());
    EXPECT_FALSE(holdsPlayerLock());
    EXPECT_LT(clock.elapsed(), 3000);
    ASSERT_EQ(d.asked().size(), 2);
    EXPECT_EQ(d.asked()[0].text, "Die Spielerliste wird gerade von einem anderen Arbeitsplatz benutzt.\n"
                                 "Bitte einen Moment warten und es dann erneut versuchen.\n\nErneut versuchen?");
    EXPECT_EQ(d.asked()[0].buttons, (QList<dialogs::Button>{dialogs::Button::Retry, dialogs::Button::Cancel}));
    EXPECT_FALSE(fsys::exists(playerlock::lockFilePath()));
    EXPECT_EQ(t.read("Optionen/lock.guard"), QByteArray("anderer-pc 4711 abc\r\n"));

    // Deleting players is refused while the list cannot be read.
    d.clear();
    d.answer(dialogs::Button::Cancel);
    EXPECT_TRUE(playerlock::anyoneLocked());

    // The same claim, left behind by a process that died.
    playerlock::setTimingForTests(3000, 100);
    d.clear();
    EXPECT_TRUE(AcquirePlayerLock("Anna"));
    EXPECT_FALSE(playerLockCancelled());
    EXPECT_TRUE(d.asked().isEmpty());
    EXPECT_EQ(lockBytes(), QByteArray("Anna\r\n"));
    EXPECT_FALSE(fsys::exists(playerlock::claimFilePath()));
    playerlock::setTimingForTests(playerlock::kWaitMs, playerlock::kStaleMs);
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
        EXPECT_FALSE(fsys::exists(playerlock::claimFilePath()));
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

// The stress again, while one more workstation shows a message at every take (its lock file cannot
// be written) and its user needs 6 s for each, longer than the guard is ever waited for. The others
// never wait for that user: the guard is let go before any message, and no take or release of
// theirs waits longer than the stated limit.
TEST_F(PlayerLockTest, AWorkstationShowingAMessageKeepsNobodyWaiting)
{
    const int workers = 6;
    const int messageMs = 6000;
    std::vector<std::unique_ptr<QProcess>> procs;
    // Without the disk's sync: on a busy machine it alone can make a take wait for seconds.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KALIMO_LOCKWORKER_NO_SYNC", "1");
    auto start = [&](const QStringList& args) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->start(QStringLiteral(KALIMO_LOCKWORKER), QStringList{g().config.dirs.optionen} + args);
        procs.push_back(std::move(p));
    };
    start({"zeigt", "2", "message", QString::number(messageMs)});
    for (int i = 0; i < workers; ++i)
        start({QStringLiteral("w%1").arg(i), "300"});
    qint64 maxWait = 0;
    for (auto& p : procs) {
        ASSERT_TRUE(p->waitForFinished(-1));
        const QString out = QString::fromLocal8Bit(p->readAll()).trimmed();
        EXPECT_EQ(p->exitCode(), 0) << out.toStdString();
        if (p == procs.front()) {
            EXPECT_EQ(out, "MESSAGES 2");
            continue;
        }
        maxWait = std::max(maxWait, out.section(" maxwait ", 1).section(' ', 0, 0).toLongLong());
    }
    std::printf("longest take or release of the other workstations: %lld ms\n", static_cast<long long>(maxWait));
    EXPECT_LT(maxWait, playerlock::kWaitMs);
    EXPECT_EQ(lockBytes(), QByteArray());
}

// Two workstations start the same player at the same instant: exactly one of them gets it.
TEST_F(PlayerLockTest, SamePlayerAtTheSameInstantRunsOnce)
{
    for (int round = 0; round < 5; ++round) {
        const QString at = QString::number(QDateTime::currentMSecsSinceEpoch() + 300);
        QProcess a, b;
        for (QProcess* p : {&a, &b})
            p->start(QStringLiteral(KALIMO_LOCKWORKER), {g().config.dirs.optionen, "Anna", "once", at});
        ASSERT_TRUE(a.waitForFinished(10000) && b.waitForFinished(10000));
        QStringList got{QString::fromLatin1(a.readAllStandardOutput()).trimmed(),
                        QString::fromLatin1(b.readAllStandardOutput()).trimmed()};
        got.sort();
        EXPECT_EQ(got, (QStringList{"GOT", "REFUSED"})) << round;
    }
    EXPECT_EQ(lockBytes(), QByteArray());
}
