#include "core/FileSystem.h"
#include "core/IniFile.h"
#include "core/TextUtil.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
QStringList leftovers(const QString& dir, const QString& target)
{
    QStringList out;
    for (const QString& n : QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (fsys::testing::isTemporaryOf(n, target))
            out << n;
    return out;
}

// A hand-made file: comments, a line before the first section, spaces around "=", a repeated key,
// a line without "=", a section repeated in other case, and one line ending in LF only.
const QByteArray kHandMade = "; von Hand bearbeitet\r\n"
                             "Vorspann\r\n"
                             "[Allgemeine Optionen]\r\n"
                             "; Anna hört schlecht links\r\n"
                             "Name = Anna\r\n"
                             "Alter=7\n"
                             "Name=zweiter Wert\r\n"
                             "Zeile ohne Gleichheitszeichen\r\n"
                             "\r\n"
                             "[s]\r\n"
                             "A=1\r\n"
                             "[S]\r\n"
                             "B=2\r\n"
                             "\r\n"
                             "[Letzter]\r\n"
                             "X=1\r\n";
} // namespace

TEST(IniWrite, OnlyTheWrittenLinesChange)
{
    struct Case {
        const char* what;
        std::function<void(IniFile&)> change;
        QByteArray from, to;  // the expected file is the hand-made one with `from` replaced by `to`
    };
    const std::vector<Case> cases = {
        {"a value changes in place, keeping an LF ending", [](IniFile& i) { i.writeInteger("allgemeine optionen", "ALTER", 8); },
         "Alter=7\n", "Alter=8\n"},
        {"the first of a repeated key changes, with its own spelling", [](IniFile& i) { i.writeString("Allgemeine Optionen", "name", "Ben"); },
         "Name = Anna\r\n", "Name=Ben\r\n"},
        {"a new key follows the section's last line, before the blank",
         [](IniFile& i) { i.writeBool("Allgemeine Optionen", "Neu", true); },
         "Zeile ohne Gleichheitszeichen\r\n\r\n", "Zeile ohne Gleichheitszeichen\r\nNeu=1\r\n\r\n"},
        {"a key of the repeated section changes where it stands", [](IniFile& i) { i.writeString("S", "B", "3"); },
         "B=2\r\n", "B=3\r\n"},
        {"a new key goes into the first of two same-named sections", [](IniFile& i) { i.writeString("S", "C", "4"); },
         "A=1\r\n", "A=1\r\nC=4\r\n"},
        {"a new section goes to the end after a blank line", [](IniFile& i) { i.writeString("Neu", "K", "v"); },
         "X=1\r\n", "X=1\r\n\r\n[Neu]\r\nK=v\r\n\r\n"},
        {"a deleted key's line goes", [](IniFile& i) { i.deleteKey("Letzter", "X"); }, "X=1\r\n", ""},
        {"an erased section goes with both its headers and their lines", [](IniFile& i) { i.eraseSection("s"); },
         "[s]\r\nA=1\r\n[S]\r\nB=2\r\n\r\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IniFile ini = IniFile::parse(kHandMade);
        c.change(ini);
        QByteArray expected = kHandMade;
        ASSERT_TRUE(expected.contains(c.from));
        expected.replace(expected.indexOf(c.from), c.from.size(), c.to);
        EXPECT_EQ(ini.toBytes(), expected);
    }

    // Unchanged, the file comes back byte for byte; changed and read back, the values hold.
    IniFile ini = IniFile::parse(kHandMade);
    EXPECT_EQ(ini.toBytes(), kHandMade);
    ini.writeString("Allgemeine Optionen", "Name", "Ben");
    ini.writeString("Allgemeine Optionen", "Name", "Carla");
    ini.writeString("S", "C", "4");
    const IniFile back = IniFile::parse(ini.toBytes());
    EXPECT_EQ(back.readString("Allgemeine Optionen", "Name"), "Carla");
    EXPECT_EQ(back.readString("s", "C"), "4");
    EXPECT_EQ(back.readString("s", "B"), "2");
}

TEST(SafeSave, FullDiskKeepsTheOldFileAndSaysSo)
{
    TempTree t;
    const QByteArray old = "[A]\r\nalt=1\r\n";
    const QString path = t.write("Optionen/Options-Anna.txt", old);
    for (const qint64 room : {qint64(0), qint64(1), qint64(4096)}) {
        SCOPED_TRACE(room);
        fsys::testing::InjectFaults full({room, {}});
        errno = 0;
        EXPECT_FALSE(fsys::writeFileAtomic(path, QByteArray(8254, 'x')));
        EXPECT_EQ(errno, ENOSPC);
        EXPECT_EQ(t.read("Optionen/Options-Anna.txt"), old);
        EXPECT_EQ(leftovers(t.path("Optionen"), "Options-Anna.txt"), QStringList());
    }
    // With room again the new file is there whole, with the old file's permissions.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    ASSERT_TRUE(fsys::writeFileAtomic(path, QByteArray(8254, 'x')));
    EXPECT_EQ(t.read("Optionen/Options-Anna.txt"), QByteArray(8254, 'x'));
    EXPECT_EQ(QFile::permissions(path) & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
}

TEST(SafeSave, RealSmallFileSystem)
{
    TempTree t;
    const QString dir = t.mkdir("klein");
    if (::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, "size=12k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    const QByteArray old(3000, 'o');
    const QString path = dir + "liste.txt";
    ASSERT_TRUE(fsys::writeFileAtomic(path, old));
    EXPECT_FALSE(fsys::writeFileAtomic(path, QByteArray(64 * 1024, 'n')));
    const QByteArray now = t.read("klein/liste.txt");
    const QStringList rest = leftovers(dir, "liste.txt");
    ::umount(QFile::encodeName(dir).constData());
    EXPECT_EQ(now, old);
    EXPECT_EQ(rest, QStringList());
}

TEST(SafeSave, UnreadableFileIsReportedAndNeverWrittenOver)
{
    TempTree t;
    const QByteArray old = "[Allgemeine Optionen]\r\nName=Anna\r\n";
    const QString path = t.write("o.txt", old);
    fsys::testing::InjectFaults faults({-1, {path}});
    fsys::ReadResult read = fsys::ReadResult::Read;
    EXPECT_FALSE(fsys::readFile(path, -1, &read));
    EXPECT_EQ(read, fsys::ReadResult::Unreadable);
    EXPECT_FALSE(fsys::readFile(t.path("fehlt.txt"), -1, &read));
    EXPECT_EQ(read, fsys::ReadResult::Missing);

    IniFile ini = IniFile::load(path, &read);
    EXPECT_EQ(read, fsys::ReadResult::Unreadable);
    ini.writeString("Allgemeine Optionen", "Name", "Ben");
    EXPECT_FALSE(ini.save(path));
    EXPECT_EQ(t.read("o.txt"), old);
}

TEST(SafeSave, LeftoversOfDeadWritersGoAndLiveOnesStay)
{
    TempTree t;
    const QString path = t.write("lock.txt", "a\r\n");
    const QString dead = t.write(".lock.txt.kalimo~Ab12Cd", "halb");
    const QString live = t.write(".lock.txt.kalimo~Zz99Yy", "schreibt");
    const QString foreign = t.write(".lock.txt.kalimo~zu-lang", "fremd");
    // Another writer still holds its temporary file.
    const int fd = ::open(QFile::encodeName(live).constData(), O_RDWR);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &fl), 0);
    ASSERT_TRUE(fsys::writeFileAtomic(path, "b\r\n"));
    EXPECT_FALSE(QFile::exists(dead));
    EXPECT_TRUE(QFile::exists(live));
    EXPECT_TRUE(QFile::exists(foreign));
    ::close(fd);
    ASSERT_TRUE(fsys::writeFileAtomic(path, "c\r\n"));
    EXPECT_FALSE(QFile::exists(live));
    EXPECT_EQ(t.read("lock.txt"), QByteArray("c\r\n"));
}

TEST(SafeSave, KilledWritersNeverLeaveATornFile)
{
    TempTree t;
    const QString path = t.path("Options-Anna.txt");
    const QByteArray a(20000, 'a'), b(45000, 'b');
    ASSERT_TRUE(fsys::writeFileAtomic(path, a));
    QRandomGenerator random(12345);
    int torn = 0, killedWhileSaving = 0;
    for (int round = 0; round < 200; ++round) {
        QProcess worker;
        worker.start(QStringLiteral(KALIMO_SAVEWORKER), {path});
        ASSERT_TRUE(worker.waitForStarted());
        ASSERT_TRUE(worker.waitForReadyRead(5000));
        ::usleep(random.bounded(3000));
        ::kill(pid_t(worker.processId()), SIGKILL);
        worker.waitForFinished();
        killedWhileSaving += int(!leftovers(t.root(), "Options-Anna.txt").isEmpty());
        const QByteArray now = t.read("Options-Anna.txt");
        torn += int(now != a && now != b);
    }
    EXPECT_EQ(torn, 0);
    EXPECT_GT(killedWhileSaving, 0) << "no kill landed inside a save: the test shows nothing";
    ASSERT_TRUE(fsys::writeFileAtomic(path, "fertig"));
    EXPECT_EQ(leftovers(t.root(), "Options-Anna.txt"), QStringList());
}

// Someone plants links where Kalimo writes. Every way Kalimo writes refuses them (ELOOP): the
// target keeps its bytes and mode, the link stays a link.
TEST(SafeSave, PlantedLinksAreRefused)
{
    TempTree t;
    const QString victim = t.write("victim/private.txt", "geheim");
    ASSERT_EQ(::chmod(QFile::encodeName(victim).constData(), 0600), 0);
    const QString source = t.write("quelle.txt", "neu");
    struct Case {
        const char* what;
        std::function<bool(const QString&)> write;
    } cases[] = {
        {"atomic write", [](const QString& p) { return fsys::writeFileAtomic(p, "neu"); }},
        {"lines", [](const QString& p) { return fsys::writeLines(p, {"neu"}); }},
        {"copy over", [&](const QString& p) { return fsys::copyFile(source, p, true); }},
        {"ini file", [](const QString& p) {
             IniFile ini;
             ini.writeString("Allgemeine Optionen", "Name", "neu");
             return ini.save(p);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString link = t.path("Optionen/Options-Anna.txt");
        QDir().mkpath(t.path("Optionen"));
        QFile::remove(link);
        ASSERT_EQ(::symlink(QFile::encodeName(victim).constData(), QFile::encodeName(link).constData()), 0);
        errno = 0;
        EXPECT_FALSE(c.write(link));
        EXPECT_EQ(errno, ELOOP);
        EXPECT_TRUE(fsys::isSymLink(link));
        EXPECT_EQ(t.read("victim/private.txt"), QByteArray("geheim"));
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(victim).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        EXPECT_EQ(leftovers(t.path("Optionen"), "Options-Anna.txt"), QStringList());
    }
    // Clearing the read-only attribute never passes through a link either.
    ASSERT_EQ(::chmod(QFile::encodeName(victim).constData(), 0400), 0);
    EXPECT_FALSE(fsys::setReadOnly(t.path("Optionen/Options-Anna.txt"), false));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(victim).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0400u);
}

// A killed editor save leaves "~~" + the list's name; no listing offers it.
TEST(SafeSave, EditorSaveCopiesAreNeverListed)
{
    TempTree t;
    t.write("Listen/a.txt", "a");
    t.write("Listen/~~a.txt", "halb");
    t.write("Listen/Unter/b.txt", "b");
    t.write("Listen/Unter/~~b.txt", "halb");
    EXPECT_EQ(fsys::list(t.path("Listen"), "*.txt"), QStringList{"a.txt"});
    EXPECT_EQ(fsys::list(t.path("Listen"), "*"), (QStringList{"a.txt", "Unter"}));
    QStringList all;
    ListFilesRecursive(t.path("Listen/"), "*.txt", false, all);
    EXPECT_FALSE(all.join('|').contains("~~")) << all.join('|').toStdString();
}
