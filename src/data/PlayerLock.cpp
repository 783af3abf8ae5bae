#include "data/PlayerLock.h"

#include "core/Dialogs.h"
#include "core/FileProblems.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool s_holdsLock = false;

QStringList nonEmpty(const QStringList& lines)
{
    QStringList out;
    for (const QString& l : lines)
        if (!l.isEmpty())
            out << l;
    return out;
}
} // namespace

namespace playerlock {

QString lockFilePath() { return g().config.dirs.optionen + QStringLiteral("lock.txt"); }
// Not "*.txt", so the player list never sees it; it is never deleted, or two workstations could
// end up locking two different files.
QString guardFilePath() { return g().config.dirs.optionen + QStringLiteral("lock.lck"); }

Guard::Guard()
{
    const QByteArray path = QFile::encodeName(fsys::resolve(guardFilePath()));
    do {
        m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0)
        return;
    // Other users' workstations must be able to open it too, whatever our umask.
    struct stat st {};
    if (::fstat(m_fd, &st) == 0 && (st.st_mode & 0666) != 0666)
        (void)::fchmod(m_fd, 0666);
    // A POSIX record lock over the whole file: NFS carries it to the server's lock manager and the
    // SMB client turns it into a byte-range lock, so it holds between workstations.
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0;
    int rc;
    do {
        rc = ::fcntl(m_fd, F_SETLKW, &fl);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

Guard::~Guard()
{
    if (m_fd < 0)
        return;
    struct flock fl {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    (void)::fcntl(m_fd, F_SETLK, &fl);
    ::close(m_fd);
}

namespace {
// Missing: nullopt with `unreadable` clear. A file that is there but cannot be read is reported
// once and never written over: it may hold other workstations' players.
std::optional<QStringList> readUnguarded(bool* unreadable = nullptr)
{
    const QString path = lockFilePath();
    fsys::ReadResult read;
    auto lines = fsys::readLines(path, &read);
    if (unreadable)
        *unreadable = read == fsys::ReadResult::Unreadable;
    if (read == fsys::ReadResult::Unreadable) {
        fileproblems::reportUnreadable(nullptr, path);
        return QStringList();
    }
    if (!lines)
        return std::nullopt;
    return nonEmpty(*lines);
}
} // namespace

std::optional<QStringList> readLockFile()
{
    Guard guard;
    return readUnguarded();
}

bool anyoneLocked()
{
    const auto names = readLockFile();
    return names && !names->isEmpty();
}

bool update(const std::function<bool(QStringList& names, bool existed)>& change)
{
    Guard guard;
    bool unreadable = false;
    auto current = readUnguarded(&unreadable);
    QStringList names = current.value_or(QStringList());
    if (!change(names, current.has_value()))
        return true;
    if (unreadable)
        return false;
    // Written whole to a temporary file and renamed over the old one before the lock is let go:
    // a reader never sees a half-written file, and a crash or a full disk leaves the old one.
    const QString path = lockFilePath();
    if (!fsys::writeLines(path, names)) {
        fileproblems::reportUnwritable(nullptr, path);
        return false;
    }
    // The new file is ours; the users of the other workstations must be able to replace it too.
    (void)::chmod(QFile::encodeName(fsys::resolve(path)).constData(), 0666);
    return true;
}

} // namespace playerlock

bool holdsPlayerLock() { return s_holdsLock; }
void setHoldsPlayerLock(bool held) { s_holdsLock = held; }

bool AcquirePlayerLock(const QString& name)
{
    bool taken = false;
    const bool written = playerlock::update([&](QStringList& names, bool) {
        if (names.contains(name, Qt::CaseSensitive)) {
            taken = true;
            return false;
        }
        names << name;
        return true;
    });
    if (taken)
        return false;
    // A lock file that cannot be written does not keep the child from playing; holds lock stays
    // clear, so the next launch tries again.
    s_holdsLock = written;
    return true;
}

void ReleasePlayerLock(const QString& name)
{
    if (!s_holdsLock)
        return;
    playerlock::update([&](QStringList& names, bool) {
        const qsizetype i = names.indexOf(name);
        if (i >= 0)
            names.removeAt(i);
        return true;
    });
    s_holdsLock = false;
}

void ReleaseAllLocks(QWidget* parent)
{
    bool existed = false;
    bool removed = false;
    {
        playerlock::Guard guard;
        const QString path = playerlock::lockFilePath();
        existed = fsys::fileExists(path);
        removed = existed && fsys::removeFile(path);
    }
    if (removed) {
        s_holdsLock = false;
        dialogs::showMessage(parent, QStringLiteral("Alle Einstellungen freigegeben!"));
    } else {
        dialogs::showMessage(parent, QStringLiteral("Die Einstellungen konnten nicht freigegeben werden. "
                                                    "Bitte versuchen Sie es erneut!"));
    }
}
