// One "workstation" of the lock-file test: takes and releases its own player name `count` times
// while other processes do the same, and checks the lock file at every step.
//   kalimo_lockworker <Optionen folder> <name> <count> [nolock|share]
//   kalimo_lockworker <Optionen folder> <name> hold
//   kalimo_lockworker <Optionen folder> <name> <count> message <ms>
//   kalimo_lockworker <Optionen folder> <name> once <epoch ms>
// "hold" takes the name, prints "HELD" and keeps it until its standard input closes: another
// workstation using that player.
// "message": a workstation whose lock file cannot be written (a full disk) and whose user takes
// <ms> to answer each message; it only takes and releases, `count` times.
// "once": waits until the wall clock reaches <epoch ms>, tries to take the name, prints "GOT" or
// "REFUSED", keeps a taken name for a moment and releases it: two workstations starting the same
// player at the same instant.
// Every worker prints the longest time one take or release took ("maxwait", milliseconds).
// "nolock" does the read-change-write without the OS lock and writes in place: the unguarded way,
// to show that the test notices lost or torn names.
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "data/PlayerLock.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <cstdio>
#include <unistd.h>

namespace {
const QRegularExpression kLine(QStringLiteral("^w[0-9]+$"));

// A well-formed lock file: names of workers, each ended by CR LF, none twice. Returns the names.
bool parse(const QByteArray& bytes, QStringList& names, QString& why)
{
    names.clear();
    if (bytes.isEmpty())
        return true;
    if (!bytes.endsWith("\r\n")) {
        why = QStringLiteral("no CR LF at the end");
        return false;
    }
    QList<QByteArray> parts = bytes.split('\n');
    parts.removeLast();  // empty: the text ends with CR LF
    for (const QByteArray& p : parts) {
        if (!p.endsWith('\r')) {
            why = QStringLiteral("line without CR");
            return false;
        }
        const QString name = QString::fromLatin1(p.left(p.size() - 1));
        if (!kLine.match(name).hasMatch()) {
            why = QStringLiteral("malformed line '%1'").arg(name);
            return false;
        }
        if (names.contains(name)) {
            why = QStringLiteral("doubled name %1").arg(name);
            return false;
        }
        names << name;
    }
    return true;
}

QByteArray readRaw(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool acquireUnguarded(const QString& path, const QString& name)
{
    QStringList names;
    QString why;
    parse(readRaw(path), names, why);
    if (names.contains(name))
        return false;
    names << name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.write(fsys::joinLines(names));
    return true;
}

void releaseUnguarded(const QString& path, const QString& name)
{
    QStringList names;
    QString why;
    parse(readRaw(path), names, why);
    names.removeOne(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(fsys::joinLines(names));
}

// A user who reads each message for a while before pressing OK.
class SlowDialogs : public dialogs::ScriptedDialogs
{
public:
    explicit SlowDialogs(int ms) : m_ms(ms) {}
    int shown = 0;
    dialogs::Button message(QWidget* parent, dialogs::Icon icon, const QString& title, const QString& text,
                            const QList<dialogs::Button>& buttons) override
    {
        ++shown;
        ::usleep(useconds_t(m_ms) * 1000);
        return ScriptedDialogs::message(parent, icon, title, text, buttons);
    }

private:
    int m_ms;
};

int fail(const QString& name, int round, const QString& why)
{
    std::fprintf(stdout, "FAIL %s round %d: %s\n", qPrintable(name), round, qPrintable(why));
    return 1;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: kalimo_lockworker <folder> <name> <count> [nolock]\n");
        return 2;
    }
    g().config.dirs.optionen = fsys::withSlash(QString::fromLocal8Bit(argv[1]));
    const QString name = QString::fromLocal8Bit(argv[2]);
    const int count = QByteArray(argv[3]).toInt();
    const bool guarded = !(argc > 4 && QByteArray(argv[4]) == "nolock");
    const QString path = playerlock::lockFilePath();
    // On a share every read is guarded too, as the program's are: an open file there may be
    // replaced in two steps by the client (FUSE hides a replaced open file by renaming it first).
    const bool share = argc > 4 && QByteArray(argv[4]) == "share";
    const auto checkRead = [&] {
        if (!share)
            return readRaw(path);
        playerlock::Guard guard;
        return readRaw(path);
    };
    g().playerList = {name};
    // Tests about waiting leave the disk's sync time out of their figures.
    if (qEnvironmentVariableIsSet("KALIMO_LOCKWORKER_NO_SYNC"))
        fsys::setDurableWrites(false);
    // A workstation of the test shows no window: every message is recorded, and a run that needed
    // one fails.
    dialogs::ScriptedDialogs quiet;

    if (QByteArray(argv[3]) == "once" && argc > 4) {
        const qint64 at = QByteArray(argv[4]).toLongLong();
        while (QDateTime::currentMSecsSinceEpoch() < at)
            ::usleep(500);
        const bool got = AcquirePlayerLock(name);
        std::fprintf(stdout, "%s\n", got && holdsPlayerLock() ? "GOT" : got ? "UNHELD" : "REFUSED");
        std::fflush(stdout);
        ::usleep(400 * 1000);
        ReleasePlayerLock(name);
        for (const QString& text : quiet.texts())
            std::fprintf(stdout, "MESSAGE %s\n", qPrintable(text));
        return 0;
    }
    if (argc > 5 && QByteArray(argv[4]) == "message") {
        SlowDialogs dialogs(QByteArray(argv[5]).toInt());
        fsys::testing::InjectFaults full({0, {}});
        for (int round = 0; round < count; ++round) {
            AcquirePlayerLock(name);
            ReleasePlayerLock(name);
        }
        std::fprintf(stdout, "MESSAGES %d\n", dialogs.shown);
        return 0;
    }

    if (QByteArray(argv[3]) == "hold") {
        if (!AcquirePlayerLock(name))
            return fail(name, 0, QStringLiteral("refused"));
        std::fprintf(stdout, "HELD\n");
        std::fflush(stdout);
        while (std::fgetc(stdin) != EOF) {
        }
        ReleasePlayerLock(name);
        return 0;
    }

    int sawOthers = 0;
    qint64 maxWait = 0;
    QElapsedTimer took;
    for (int round = 0; round < count; ++round) {
        took.start();
        const bool ok = guarded ? AcquirePlayerLock(name) : acquireUnguarded(path, name);
        maxWait = std::max(maxWait, took.elapsed());
        if (!ok)
            return fail(name, round, QStringLiteral("own name refused"));
        if (guarded && !holdsPlayerLock())
            return fail(name, round, QStringLiteral("holds lock not set"));

        QStringList names;
        QString why;
        // Under the lock, and once more without it: renamed whole files are never torn.
        QByteArray bytes;
        if (guarded) {
            playerlock::Guard guard;
            bytes = readRaw(path);
        } else {
            bytes = readRaw(path);
        }
        if (!parse(bytes, names, why))
            return fail(name, round, why);
        if (!names.contains(name))
            return fail(name, round, QStringLiteral("own name missing while held"));
        sawOthers += names.size() > 1 ? 1 : 0;
        if (!parse(checkRead(), names, why))
            return fail(name, round, QStringLiteral("unlocked read: ") + why);
        if (!names.contains(name))
            return fail(name, round, QStringLiteral("own name missing while held (unlocked read)"));

        took.start();
        if (guarded)
            ReleasePlayerLock(name);
        else
            releaseUnguarded(path, name);
        maxWait = std::max(maxWait, took.elapsed());
        if (!parse(checkRead(), names, why))
            return fail(name, round, QStringLiteral("after release: ") + why);
        if (names.contains(name))
            return fail(name, round, QStringLiteral("own name still listed after release"));
    }
    if (!quiet.texts().isEmpty())
        return fail(name, count, QStringLiteral("message shown: ") + quiet.texts().join(QStringLiteral(" | ")));
    std::fprintf(stdout, "OK %s rounds %d maxwait %lld others %d\n", qPrintable(name), count,
                 static_cast<long long>(maxWait), sawOthers);
    return 0;
}
