#include "data/PlayerLock.h"

#include "core/Dialogs.h"
#include "core/FileProblems.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool s_holdsLock = false;
bool s_cancelled = false;
int s_waitMs = playerlock::kWaitMs;
int s_staleMs = playerlock::kStaleMs;

QStringList nonEmpty(const QStringList& lines)
{
    QStringList out;
    for (const QString& l : lines)
        if (!l.isEmpty())
            out << l;
    return out;
}

// A short pause while waiting for the guard; the windows keep painting, user input waits.
void pause(int ms)
{
    if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    ::usleep(useconds_t(ms) * 1000);
}

int jitter(int from, int to) { return from + int(QRandomGenerator::global()->bounded(to - from + 1)); }

// What a waiter watches of another's claim: never opened, because a share's client may keep a
// file that is open on it when its holder removes it (FUSE renames it to ".fuse_hidden…").
std::optional<QByteArray> claimKey(const QByteArray& native)
{
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0)
        return errno == ENOENT ? std::nullopt : std::optional<QByteArray>(QByteArray("?"));
    // Not the inode: a share's client may number the same file anew after a rename.
    return QByteArray::number(qlonglong(st.st_size)) + ':' +
           QByteArray::number(qlonglong(st.st_mtim.tv_sec)) + '.' + QByteArray::number(qlonglong(st.st_mtim.tv_nsec));
}

QString busyText()
{
    return QStringLiteral("Die Spielerliste wird gerade von einem anderen Arbeitsplatz benutzt.\n"
                          "Bitte einen Moment warten und es dann erneut versuchen.\n\n"
                          "Erneut versuchen?");
}

// True when the user wants to wait once more.
bool askRetry(QWidget* parent)
{
    return dialogs::ask(parent, busyText(), {dialogs::Button::Retry, dialogs::Button::Cancel}, QString(),
                        dialogs::Icon::Warning) == dialogs::Button::Retry;
}
} // namespace

namespace playerlock {

QString lockFilePath() { return g().config.dirs.optionen + QStringLiteral("lock.txt"); }
// Not "*.txt", so the player list never sees them. "lock.lck" is never deleted, or two processes
// could end up locking two different files.
QString guardFilePath() { return g().config.dirs.optionen + QStringLiteral("lock.lck"); }
QString claimFilePath() { return g().config.dirs.optionen + QStringLiteral("lock.guard"); }

void setTimingForTests(int waitMs, int staleMs)
{
    s_waitMs = waitMs;
    s_staleMs = staleMs;
}

Guard::Guard(int waitMs)
{
    QElapsedTimer clock;
    clock.start();
    const qint64 deadline = waitMs >= 0 ? waitMs : s_waitMs;
    const QString dir = fsys::resolve(g().config.dirs.optionen);
    const QByteArray path = QFile::encodeName(fsys::resolve(guardFilePath()));

    // Never through a link: a planted "lock.lck" must not hand its target to us.
    do {
        m_fd = ::open(path.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        if (m_fd < 0 && errno == ENOENT) {
            m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            struct stat st {};
            if (m_fd >= 0)
                (void)::fchmod(m_fd, mode_t(fsys::createdFileMode(dir)));  // ours, just made
            else if (errno == EEXIST || ::lstat(path.constData(), &st) == 0)
                errno = EINTR;  // made by another process meanwhile: open that one
        }
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        m_linkRefused = errno == ELOOP;
    } else {
        struct stat st {};
        if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    // A POSIX record lock over the whole file keeps the processes of this workstation apart (and
    // those of others where the share carries it). Polled, so that the wait has an end.
    if (m_fd >= 0) {
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        for (;;) {
            if (::fcntl(m_fd, F_SETLK, &fl) == 0)
                break;
            if (errno != EACCES && errno != EAGAIN && errno != EINTR) {
                ::close(m_fd);  // no record locks here: the claim file alone guards
                m_fd = -1;
                break;
            }
            if (clock.elapsed() >= deadline) {
                ::close(m_fd);
                m_fd = -1;
                m_busy = true;
                return;
            }
            pause(jitter(1, 5));
        }
    }
    if (!takeClaim(deadline - clock.elapsed()) && m_busy && m_fd >= 0) {
        struct flock fl {};
        fl.l_type = F_UNLCK;
        fl.l_whence = SEEK_SET;
        (void)::fcntl(m_fd, F_SETLK, &fl);
        ::close(m_fd);
        m_fd = -1;
    }
}

bool Guard::takeClaim(qint64 waitMs)
{
    QElapsedTimer clock;
    clock.start();
    const QString dir = fsys::resolve(g().config.dirs.optionen);
    const QByteArray path = QFile::encodeName(fsys::resolve(claimFilePath()));
    m_token = QSysInfo::machineHostName().toUtf8() + ' ' + QByteArray::number(qint64(::getpid())) + ' ' +
              QByteArray::number(QRandomGenerator::global()->generate64(), 16) + "\r\n";
    std::optional<QByteArray> seen;
    QElapsedTimer seenFor;
    int refused = 0;
    for (;;) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            (void)::fchmod(fd, mode_t(fsys::createdFileMode(dir)));
            // The file's existence is the claim; its text tells an adult whose it is.
            (void)::write(fd, m_token.constData(), size_t(m_token.size()));
            ::close(fd);
            m_key = claimKey(path).value_or(QByteArray());
            m_claimed = true;
            return true;
        }
        if (errno == EINTR)
            continue;
        // SFTP servers report an existing file as a plain failure (EPERM through sshfs): what
        // counts is whether the claim is there. One released just now is tried again; a folder
        // that is gone or refuses every try has nothing to guard.
        const int error = errno;
        struct stat st {};
        if (error != EEXIST && ::lstat(path.constData(), &st) != 0) {
            if (error == ENOENT || error == ENOTDIR || error == EROFS || ++refused > 50)
                return false;
            pause(jitter(1, 4));
            continue;
        }
        refused = 0;
        const auto now = claimKey(path);
        if (!now)
            continue;  // released meanwhile
        if (!seen || *seen != *now) {
            seen = now;
            seenFor.start();
        } else if (seenFor.elapsed() >= s_staleMs) {
            // Unchanged for longer than any write takes: its process died. Moved aside first, so
            // that of two processes taking it over only one removes it.
            const QByteArray aside = path + ".alt" + QByteArray::number(QRandomGenerator::global()->generate(), 16);
            if (::rename(path.constData(), aside.constData()) == 0) {
                const auto moved = claimKey(aside);
                if (moved && *moved != *seen && ::link(aside.constData(), path.constData()) == 0) {
                    // A fresh claim was moved: it goes back.
                }
                (void)::unlink(aside.constData());
            }
            seen.reset();
            continue;
        }
        if (clock.elapsed() >= waitMs) {
            m_busy = true;
            return false;
        }
        pause(jitter(2, 12));
    }
}

Guard::~Guard()
{
    if (m_claimed) {
        const QByteArray path = QFile::encodeName(fsys::resolve(claimFilePath()));
        // Only our own claim: one taken over from us after a long stall belongs to another. Looked
        // at without opening it (see claimKey).
        const auto now = claimKey(path);
        if (now && *now == m_key)
            (void)::unlink(path.constData());
    }
    if (m_fd < 0)
        return;
    struct flock fl {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    (void)::fcntl(m_fd, F_SETLK, &fl);
    ::close(m_fd);
}

namespace {
struct Problems {
    bool busy = false;
    bool guardLink = false;
    bool unreadable = false;
    bool link = false;
    bool unwritable = false;

    // Told only after the guard is let go. True when the user wants to try again.
    bool tell(QWidget* parent) const
    {
        if (busy)
            return askRetry(parent);
        if (guardLink)
            fileproblems::reportLink(parent, guardFilePath(), true);
        if (link)
            fileproblems::reportLink(parent, lockFilePath(), false);
        else if (unreadable)
            fileproblems::reportUnreadable(parent, lockFilePath());
        else if (unwritable)
            fileproblems::reportUnwritable(parent, lockFilePath());
        return false;
    }
};

// Missing: nullopt. A file that is there but cannot be read, or that is a link, is never written
// over: it may hold other workstations' players.
std::optional<QStringList> readUnguarded(Problems& p)
{
    const QString path = lockFilePath();
    if (fsys::isSymLink(path)) {
        p.link = true;
        return QStringList();
    }
    fsys::ReadResult read;
    auto lines = fsys::readLines(path, &read);
    if (read == fsys::ReadResult::Unreadable) {
        p.unreadable = true;
        return QStringList();
    }
    if (!lines)
        return std::nullopt;
    return nonEmpty(*lines);
}

// The lock file's names under the guard; `cancelled` when the user stopped waiting.
std::optional<QStringList> readGuarded(QWidget* parent, bool* cancelled)
{
    *cancelled = false;
    for (;;) {
        Problems p;
        std::optional<QStringList> names;
        {
            Guard guard;
            p.busy = guard.busy();
            p.guardLink = guard.linkRefused();
            if (!p.busy)
                names = readUnguarded(p);
        }
        if (p.tell(parent))
            continue;
        *cancelled = p.busy;
        return names;
    }
}
} // namespace

std::optional<QStringList> readLockFile(QWidget* parent)
{
    bool cancelled = false;
    return readGuarded(parent, &cancelled);
}

bool anyoneLocked(QWidget* parent)
{
    bool cancelled = false;
    const auto names = readGuarded(parent, &cancelled);
    return cancelled || (names && !names->isEmpty());
}

Outcome update(const std::function<bool(QStringList& names, bool existed)>& change, QWidget* parent)
{
    for (;;) {
        Problems p;
        Outcome outcome = Outcome::Unchanged;
        {
            Guard guard;
            p.busy = guard.busy();
            p.guardLink = guard.linkRefused();
            if (!p.busy) {
                auto current = readUnguarded(p);
                QStringList names = current.value_or(QStringList());
                if (change(names, current.has_value())) {
                    // Written whole to a temporary file and renamed over the old one before the
                    // guard is let go: a reader never sees a half-written file, and a crash or a
                    // full disk leaves the old one.
                    if (p.link || p.unreadable) {
                        outcome = Outcome::Failed;
                    } else if (!fsys::writeLines(lockFilePath(), names)) {
                        p.unwritable = true;
                        outcome = Outcome::Failed;
                    } else {
                        outcome = Outcome::Written;
                    }
                }
            }
        }
        if (p.tell(parent))
            continue;
        return p.busy ? Outcome::Cancelled : outcome;
    }
}

} // namespace playerlock

bool holdsPlayerLock() { return s_holdsLock; }
void setHoldsPlayerLock(bool held) { s_holdsLock = held; }
bool playerLockCancelled() { return s_cancelled; }

bool AcquirePlayerLock(const QString& name, QWidget* parent)
{
    s_cancelled = false;
    bool taken = false;
    const auto outcome = playerlock::update(
        [&](QStringList& names, bool) {
            if (names.contains(name, Qt::CaseSensitive)) {
                taken = true;
                return false;
            }
            names << name;
            return true;
        },
        parent);
    if (outcome == playerlock::Outcome::Cancelled) {
        s_cancelled = true;
        return false;
    }
    if (taken)
        return false;
    // A lock file that cannot be written does not keep the child from playing; holds lock stays
    // clear, so the next launch tries again.
    s_holdsLock = outcome == playerlock::Outcome::Written;
    return true;
}

void ReleasePlayerLock(const QString& name, QWidget* parent)
{
    if (!s_holdsLock)
        return;
    playerlock::update(
        [&](QStringList& names, bool) {
            const qsizetype i = names.indexOf(name);
            if (i >= 0)
                names.removeAt(i);
            return true;
        },
        parent);
    s_holdsLock = false;
}

void ReleaseAllLocks(QWidget* parent)
{
    for (;;) {
        bool busy = false;
        bool removed = false;
        {
            playerlock::Guard guard;
            busy = guard.busy();
            const QString path = playerlock::lockFilePath();
            removed = !busy && (fsys::isSymLink(path) || fsys::fileExists(path)) && fsys::removeFile(path);
        }
        if (busy && askRetry(parent))
            continue;
        if (removed) {
            s_holdsLock = false;
            dialogs::showMessage(parent, QStringLiteral("Alle Einstellungen freigegeben!"));
        } else {
            dialogs::showMessage(parent, QStringLiteral("Die Einstellungen konnten nicht freigegeben werden. "
                                                        "Bitte versuchen Sie es erneut!"));
        }
        return;
    }
}
