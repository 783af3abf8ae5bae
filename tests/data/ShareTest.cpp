// One installation on a network share used by several workstations. The share is a folder served
// over SFTP and mounted several times with sshfs (FUSE): each mount is one workstation. Like an SMB client without lock forwarding, each mount grants byte-range locks on
// its own, so only the claim file keeps the workstations apart. The tests skip, saying why, where
// FUSE or the two programs are not there.
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "data/PlayerLock.h"
#include "data/PlayerOptions.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>
#include <vector>

namespace {

class FuseShare
{
public:
    // Mounts the server folder `count` times; `why` says what was missing when it fails. Each mount
    // talks to its own SFTP server process over a pipe, as workstations talk to one file server; no
    // network port and no SSH server are needed.
    bool start(int count, QString* why)
    {
        if (::access("/dev/fuse", R_OK | W_OK) != 0)
            return fail(why, "FUSE is not available here (/dev/fuse cannot be opened)");
        const QString sshfs = QStandardPaths::findExecutable("sshfs");
        QString sftp;
        for (const char* p : {"/usr/lib/openssh/sftp-server", "/usr/lib/sftp-server", "/usr/libexec/sftp-server"})
            if (sftp.isEmpty() && ::access(p, X_OK) == 0)
                sftp = QString::fromLatin1(p);
        m_unmount = QStandardPaths::findExecutable("fusermount3");
        if (m_unmount.isEmpty())
            m_unmount = QStandardPaths::findExecutable("fusermount");
        if (sshfs.isEmpty() || sftp.isEmpty() || m_unmount.isEmpty())
            return fail(why, "sshfs or the SFTP server is not installed (scripts/install-deps installs sshfs and "
                             "openssh-sftp-server)");
        const QString wrapper = m_tree.write("sftp", ("#!/bin/sh\nexec " + sftp + "\n").toUtf8());
        ::chmod(QFile::encodeName(wrapper).constData(), 0755);
        m_server = m_tree.mkdir("server");
        for (int i = 0; i < count; ++i) {
            const QString dir = m_tree.mkdir(QString("mnt%1").arg(i));
            // Without caches, as a share several workstations change at once must be used.
            QProcess p;
            p.setProcessChannelMode(QProcess::MergedChannels);
            p.start(sshfs, {"-o", "ssh_command=" + wrapper + ",dir_cache=no,direct_io,attr_timeout=0,entry_timeout=0,"
                                  "negative_timeout=0",
                            "share:" + m_server, dir});
            if (!p.waitForFinished(10000) || p.exitCode() != 0)
                return fail(why, "FUSE is not available here: sshfs could not mount (" +
                                     QString::fromLocal8Bit(p.readAll()).trimmed() + ")");
            m_mounts << dir;
            m_mounted << dir;
        }
        return true;
    }

    ~FuseShare()
    {
        for (const QString& m : std::as_const(m_mounts))
            unmount(m);
    }

    void unmount(const QString& mount)
    {
        if (m_mounted.contains(mount) && QProcess::execute(m_unmount, {"-u", mount}) == 0)
            m_mounted.removeAll(mount);
    }

    // The folder as the server keeps it, and as workstation `i` sees it (both end with "/").
    QString server() const { return m_server; }
    QString mount(int i) const { return m_mounts.at(i); }

private:
    static bool fail(QString* why, const QString& text)
    {
        *why = text;
        return false;
    }

    TempTree m_tree;
    QString m_server;
    QString m_unmount;
    QStringList m_mounts;
    QStringList m_mounted;
};

class ShareTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString why;
        if (!share.start(3, &why))
            GTEST_SKIP() << "network share test skipped: " << why.toStdString();
        QDir().mkpath(share.server() + "kalimo/Optionen");
        resetToInstallation(share.mount(0) + "kalimo/");
        g().config.dirs.optionen = share.mount(0) + "kalimo/Optionen/";
        setHoldsPlayerLock(false);
    }
    void TearDown() override { setHoldsPlayerLock(false); }
    QString optionen(int workstation) const { return share.mount(workstation) + "kalimo/Optionen"; }
    QByteArray serverBytes(const QString& rel) const
    {
        QFile f(share.server() + rel);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<fehlt>");
    }

    FuseShare share;
};

} // namespace

// The same player started on two workstations at the same instant runs on one of them only.
TEST_F(ShareTest, SamePlayerOnTwoWorkstationsAtOnceRunsOnce)
{
    const int tries = 20;
    int once = 0;
    for (int round = 0; round < tries; ++round) {
        const QString at = QString::number(QDateTime::currentMSecsSinceEpoch() + 250);
        QProcess a, b;
        a.start(KALIMO_LOCKWORKER, {optionen(0), "Anna", "once", at});
        b.start(KALIMO_LOCKWORKER, {optionen(1), "Anna", "once", at});
        ASSERT_TRUE(a.waitForFinished(20000) && b.waitForFinished(20000));
        QStringList got{QString::fromLatin1(a.readAllStandardOutput()).trimmed(),
                        QString::fromLatin1(b.readAllStandardOutput()).trimmed()};
        got.sort();
        EXPECT_EQ(got, (QStringList{"GOT", "REFUSED"})) << "try " << round;
        once += got == QStringList{"GOT", "REFUSED"};
    }
    std::printf("same player from two workstations at once: refused on one of them in %d of %d tries\n", once, tries);
    EXPECT_EQ(serverBytes("kalimo/Optionen/lock.txt"), QByteArray());
}

// Three workstations with two processes each take and release their own players; every worker
// checks at each step that its name is listed exactly while it holds it, and shows no message.
TEST_F(ShareTest, ThreeWorkstationsNeverLoseDoubleOrStrandANameAndShowNoError)
{
    const int rounds = 100;
    std::vector<std::unique_ptr<QProcess>> procs;
    for (int w = 0; w < 3; ++w)
        for (int k = 0; k < 2; ++k) {
            auto p = std::make_unique<QProcess>();
            p->setProcessChannelMode(QProcess::MergedChannels);
            p->start(KALIMO_LOCKWORKER, {optionen(w), QString("w%1").arg(w * 2 + k), QString::number(rounds), "share"});
            procs.push_back(std::move(p));
        }
    qint64 maxWait = 0;
    int sawOthers = 0;
    for (auto& p : procs) {
        ASSERT_TRUE(p->waitForFinished(-1));
        const QString out = QString::fromLocal8Bit(p->readAll()).trimmed();
        EXPECT_EQ(p->exitCode(), 0) << out.toStdString();
        maxWait = std::max(maxWait, out.section(" maxwait ", 1).section(' ', 0, 0).toLongLong());
        sawOthers += out.section(" others ", 1).toInt();
    }
    std::printf("3 workstations x 2 processes x %d rounds: longest take or release %lld ms\n", rounds,
                static_cast<long long>(maxWait));
    EXPECT_EQ(serverBytes("kalimo/Optionen/lock.txt"), QByteArray());  // nothing stranded
    EXPECT_GT(sawOthers, 0);
    // No claim, temporary or hidden file is left behind on the server.
    EXPECT_EQ(QDir(share.server() + "kalimo/Optionen").entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{"lock.lck", "lock.txt"}));
}

// A writer on another workstation holds its temporary file for a moment; one left by a writer that
// died stays until it is older than that moment could be. The next save removes only the dead one.
TEST_F(ShareTest, DeadWritersTemporaryFileGoesLiveOneStays)
{
    const QString target = "kalimo/Optionen/Options-Anna.txt";
    const QString dead = share.server() + "kalimo/Optionen/.Options-Anna.txt.kalimo~Ab12Cd";
    const QString live = share.mount(1) + "kalimo/Optionen/.Options-Anna.txt.kalimo~Zz99Yy";
    QFile(dead).open(QIODevice::WriteOnly);
    const utimbuf old{::time(nullptr) - 60, ::time(nullptr) - 60};
    ASSERT_EQ(::utime(QFile::encodeName(dead).constData(), &old), 0);
    // The live writer on workstation 2: created, locked (on its own mount only) and open.
    const int fd = ::open(QFile::encodeName(live).constData(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &fl), 0);

    ASSERT_TRUE(fsys::writeFileAtomic(share.mount(0) + target, "[Allgemeine Optionen]\r\n"));
    EXPECT_FALSE(QFile::exists(dead));
    EXPECT_TRUE(QFile::exists(share.server() + "kalimo/Optionen/.Options-Anna.txt.kalimo~Zz99Yy"));
    EXPECT_EQ(serverBytes(target), QByteArray("[Allgemeine Optionen]\r\n"));
    ::close(fd);
}

// The share goes away while a program runs: the mount point is empty. Saving options and the lock
// file fails with one message naming the folder, and nothing is created under the mount point.
TEST_F(ShareTest, VanishedShareGivesTheMessageAndWritesNothingLocally)
{
    g().playerList = {"Anna"};
    ASSERT_TRUE(WritePlayerOptions("Anna", 0));
    share.unmount(share.mount(0));
    ASSERT_TRUE(QDir(share.mount(0)).isEmpty());
    dialogs::ScriptedDialogs d;
    EXPECT_FALSE(WritePlayerOptions("Anna", 0));
    EXPECT_TRUE(AcquirePlayerLock("Anna"));  // the child may go on; no lock is held
    EXPECT_FALSE(holdsPlayerLock());
    const QString message = "Der Ordner " + share.mount(0) +
                            "kalimo/Optionen/ ist nicht erreichbar; es wurde nichts gespeichert.\nBitte prüfen Sie "
                            "die Verbindung zum Netzlaufwerk und versuchen Sie es erneut.";
    EXPECT_EQ(d.texts(), (QStringList{message, message}));
    EXPECT_TRUE(QDir(share.mount(0)).isEmpty());
    EXPECT_TRUE(QFile::exists(share.server() + "kalimo/Optionen/Options-Anna.txt"));
}
