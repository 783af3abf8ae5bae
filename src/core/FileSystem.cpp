#include "core/FileSystem.h"
#include "core/Overlay.h"
#include "core/Win1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace fsys {

QString fromStored(const QString& stored)
{
    QString s = stored;
    s.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return s;
}

QString toStored(const QString& path)
{
    QString s = path;
    s.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return s;
}

QString withSlash(const QString& dir)
{
    if (dir.isEmpty() || dir.endsWith(QLatin1Char('/')))
        return dir;
    return dir + QLatin1Char('/');
}

static bool rawExists(const QString& p)
{
    struct stat st;
    return ::stat(QFile::encodeName(p).constData(), &st) == 0;
}

namespace {
QStringList s_roots;
} // namespace

void setConfinement(const QStringList& roots)
{
    s_roots.clear();
    for (const QString& r : roots)
        if (!r.isEmpty())
            s_roots << withSlash(QDir::cleanPath(r));
}

bool isRefused(const QString& path)
{
    if (s_roots.isEmpty() || path.isEmpty())
        return false;
    if (!path.startsWith(QLatin1Char('/')))
        return true;  // never looked up in the working directory
    if (!path.contains(QLatin1String("..")))
        return false;
    const QStringList parts = path.split(QLatin1Char('/'));
    if (!parts.contains(QLatin1String("..")))
        return false;
    const QString clean = withSlash(QDir::cleanPath(path));
    for (const QString& r : std::as_const(s_roots))
        if (clean.startsWith(r, Qt::CaseInsensitive))
            return false;
    return true;
}

// The lookup in one tree: exact, else component-wise without case.
static QString resolveHere(const QString& path)
{
    if (path.isEmpty() || rawExists(path))
        return path;
    const bool trailing = path.endsWith(QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'));
    QString cur;
    int i = 0;
    if (path.startsWith(QLatin1Char('/'))) {
        cur = QStringLiteral("/");
        i = 1;
    }
    for (; i < parts.size(); ++i) {
        const QString& part = parts[i];
        if (part.isEmpty())
            continue;
        const QString dir = cur.isEmpty() ? QStringLiteral(".") : cur;
        QString next = cur + part;
        if (part == QLatin1String(".") || part == QLatin1String("..") || rawExists(next)) {
            cur = next + QLatin1Char('/');
            continue;
        }
        QDir d(dir);
        const QStringList names =
            d.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
        // Of several names that differ only in case the first by name, as a sorted listing gave it.
        QString found;
        for (const QString& n : names)
            if (n.compare(part, Qt::CaseInsensitive) == 0 && (found.isEmpty() || n < found))
                found = n;
        if (found.isEmpty())
            return path;
        cur = cur + found + QLatin1Char('/');
    }
    if (!trailing && cur.endsWith(QLatin1Char('/')) && cur.size() > 1)
        cur.chop(1);
    return cur;
}

QString resolve(const QString& path)
{
    if (isRefused(path))
        return QString();
    // A name below an overlaid installation folder: the writable folder's file first.
    if (const QString upper = overlay::upperOf(path); !upper.isEmpty()) {
        const QString found = resolveHere(upper);
        if (rawExists(found))
            return found;
    }
    return resolveHere(path);
}

bool exists(const QString& path) { return !path.isEmpty() && rawExists(resolve(path)); }

bool fileExists(const QString& path)
{
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return false;
    QFileInfo fi(resolve(path));
    return fi.exists() && !fi.isDir();
}

bool dirExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    QFileInfo fi(resolve(path));
    return fi.exists() && fi.isDir();
}

qint64 fileSize(const QString& path) { return QFileInfo(resolve(path)).size(); }

namespace {
// The mask as a pattern; null for the masks that match every name.
std::optional<QRegularExpression> maskPattern(const QString& mask)
{
    if (mask.isEmpty() || mask == QLatin1String("*") || mask == QLatin1String("*.*"))
        return std::nullopt;
    // Windows: "*.ext" also means "ends with .ext" regardless of case.
    QString rx;
    rx.reserve(mask.size() * 2 + 2);
    rx += QLatin1Char('^');
    for (QChar c : mask) {
        if (c == QLatin1Char('*'))
            rx += QLatin1String(".*");
        else if (c == QLatin1Char('?'))
            rx += QLatin1Char('.');
        else
            rx += QRegularExpression::escape(QString(c));
    }
    rx += QLatin1Char('$');
    return QRegularExpression(rx, QRegularExpression::CaseInsensitiveOption);
}
} // namespace

bool matchesMask(const QString& name, const QString& mask)
{
    const auto re = maskPattern(mask);
    return !re || re->match(name).hasMatch();
}

QStringList list(const QString& folder, const QString& mask, bool withPath, Entries kind)
{
    if (isRefused(folder) || (folder.isEmpty() && !s_roots.isEmpty()))
        return {};  // never the working directory
    const QString dir = withSlash(resolveHere(folder.isEmpty() ? QStringLiteral("./") : folder));
    QDir::Filters filters = QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
    if (int(kind) & int(Entries::Files))
        filters |= QDir::Files;
    if (int(kind) & int(Entries::Dirs))
        filters |= QDir::Dirs;
    QStringList names = QDir(dir).entryList(filters, QDir::NoSort);
    // An overlaid folder lists both trees; a name in the writable folder hides the same name (without
    // case) of the installation.
    if (const QString upper = overlay::upperOf(withSlash(folder)); !upper.isEmpty()) {
        const QString upperDir = resolveHere(upper);
        if (QFileInfo(upperDir).isDir()) {
            QStringList own = QDir(upperDir).entryList(filters, QDir::NoSort);
            QSet<QString> seen;
            for (const QString& n : own)
                seen.insert(n.toCaseFolded());
            for (const QString& n : names)
                if (!seen.contains(n.toCaseFolded()))
                    own << n;
            names = std::move(own);
        }
    }
    QStringList out;
    const auto re = maskPattern(mask);  // compiled once for the whole folder
    for (const QString& n : names)
        // "~~" + name is the editor's save copy; one left by a killed save is never offered.
        if ((!re || re->match(n).hasMatch()) && !n.startsWith(QLatin1String("~~")))
            out << n;
    std::sort(out.begin(), out.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    if (withPath)
        for (QString& n : out)
            n.prepend(withSlash(folder.isEmpty() ? dir : folder));
    return out;
}

bool isReadOnly(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(resolve(path)).constData(), &st) != 0)
        return false;
    return (st.st_mode & S_IWUSR) == 0;
}

bool setReadOnly(const QString& path, bool readOnly)
{
    const QByteArray p = QFile::encodeName(resolve(path));
    // Only the named file: a link someone planted never passes the change on to its target.
    const int fd = ::open(p.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0;
    if (ok) {
        mode_t m = st.st_mode & 07777;
        m = readOnly ? (m & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)) : (m | S_IWUSR);
        ok = m == (st.st_mode & 07777) || ::fchmod(fd, m) == 0;
    }
    ::close(fd);
    return ok;
}

bool isSymLink(const QString& path)
{
    struct stat st;
    return !path.isEmpty() && ::lstat(QFile::encodeName(resolve(path)).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool isNetworkFolder(const QString& dir)
{
    struct statfs fs {};
    if (::statfs(QFile::encodeName(dir.isEmpty() ? QStringLiteral(".") : resolve(dir)).constData(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969UL:      // NFS
    case 0x517BUL:      // SMB
    case 0xFF534D42UL:  // CIFS
    case 0xFE534D42UL:  // SMB2
    case 0x65735546UL:  // FUSE (sshfs, smbnetfs, ...)
    case 0x5346414FUL:  // AFS
    case 0x00C36400UL:  // Ceph
        return true;
    default:
        return false;
    }
}

namespace {
bool isSharedFolder(const QString& dir)
{
    struct stat st {};
    const bool ok = ::stat(QFile::encodeName(dir.isEmpty() ? QStringLiteral(".") : resolve(dir)).constData(), &st) == 0;
    return ok && S_ISDIR(st.st_mode) && (st.st_mode & S_ISGID);
}

mode_t currentUmask()
{
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
}

// A folder just made inside a shared folder: its group may write, others never.
void shareNewFolder(const QByteArray& native, const QString& parent)
{
    if (!isSharedFolder(parent))
        return;
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) == 0)
        (void)::fchmod(fd, ((st.st_mode & 0777) | 0070 | S_ISGID) & ~mode_t(S_IWOTH));
    ::close(fd);
}
} // namespace

unsigned createdFileMode(const QString& dir)
{
    const mode_t mask = currentUmask();
    if (isSharedFolder(dir))
        return unsigned(((0664 & ~mask) | 0660) & ~mode_t(S_IWOTH));
    return unsigned(0666 & ~mask & ~mode_t(S_IWOTH));
}

bool makePath(const QString& dir)
{
    if (dir.isEmpty() || isRefused(dir))
        return false;
    if (dirExists(dir))
        return true;
    const QString clean = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString cur = QStringLiteral("/");
    for (const QString& part : parts) {
        const QString parent = cur;
        cur = resolve(cur + part);
        if (dirExists(cur)) {
            cur = withSlash(cur);
            continue;
        }
        const QByteArray native = QFile::encodeName(cur);
        // Made meanwhile by another process counts (SFTP reports that as a plain failure).
        if (::mkdir(native.constData(), 0777) != 0 && !dirExists(cur))
            return false;
        shareNewFolder(native, parent);
        cur = withSlash(cur);
    }
    return true;
}

bool makeFolder(const QString& dir, const QString& anchor)
{
    if (dir.isEmpty())
        return false;
    if (dirExists(dir))
        return true;
    const QString a = withSlash(anchor);
    if (a.isEmpty() || (dir.startsWith(a) && dirExists(a)))
        return makePath(dir);  // no installation known (tools), or one that is there
    QString d = dir;
    while (d.size() > 1 && d.endsWith(QLatin1Char('/')))
        d.chop(1);
    const QString parent = folderOf(d);
    if (parent.isEmpty() || !dirExists(parent))
        return false;
    const QByteArray native = QFile::encodeName(withSlash(resolve(parent)) + fileName(d));
    if (::mkdir(native.constData(), 0777) != 0)
        return dirExists(dir);
    shareNewFolder(native, parent);
    return dirExists(dir);
}

bool copyFile(const QString& from, const QString& to, bool overwrite)
{
    const QString dst = resolve(to);
    if (isSymLink(dst)) {
        errno = ELOOP;
        return false;
    }
    if (QFileInfo::exists(dst)) {
        if (!overwrite)
            return false;
        setReadOnly(dst, false);
    }
    // Through the atomic writer: a copy cut short by a full disk never appears under its name.
    const auto bytes = readFile(from);
    return bytes && writeFileAtomic(dst, *bytes);
}

bool removeFile(const QString& path)
{
    const QString p = resolve(path);
    // A link is removed itself (never its target).
    return (isSymLink(p) || QFileInfo(p).isFile()) && ::unlink(QFile::encodeName(p).constData()) == 0;
}

bool removeDir(const QString& path) { return QDir().rmdir(resolve(path)); }

bool renameFile(const QString& from, const QString& to)
{
    return ::rename(QFile::encodeName(resolve(from)).constData(), QFile::encodeName(to).constData()) == 0;
}

namespace {
testing::Faults* s_faults = nullptr;
bool s_durable = true;

const QLatin1String kTempTag(".kalimo~");
constexpr int kTempRandom = 6;

ssize_t writeSome(int fd, const char* p, size_t n)
{
    if (s_faults && s_faults->diskSpace >= 0) {
        if (s_faults->diskSpace == 0) {
            errno = ENOSPC;
            return -1;
        }
        n = std::min(n, size_t(s_faults->diskSpace));
        const ssize_t w = ::write(fd, p, n);
        if (w > 0)
            s_faults->diskSpace -= w;
        return w;
    }
    return ::write(fd, p, n);
}

bool writeAll(int fd, const char* p, qint64 n)
{
    while (n > 0) {
        const ssize_t w = writeSome(fd, p, size_t(std::min<qint64>(n, qint64(1) << 30)));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (w == 0) {
            errno = ENOSPC;
            return false;
        }
        p += w;
        n -= w;
    }
    return true;
}

// A lock on the temporary file itself (open file description locks, which NFS carries too): a
// writer holds it while the file exists, so a leftover whose lock can be taken belongs to a writer
// that died.
bool lockExclusive(int fd)
{
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
#ifdef F_OFD_SETLK
    return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
#else
    return ::fcntl(fd, F_SETLK, &fl) == 0;
#endif
}

QString tempPrefix(const QString& targetName) { return QLatin1Char('.') + targetName + kTempTag; }

// On a network folder a writer on another workstation holds its temporary file for a moment only;
// a leftover older than this (by the file server's clock) belongs to a writer that died.
constexpr qint64 kShareLeftoverSeconds = 5;

// `serverNow`: the modification time of our own new temporary file, the file server's "now".
void removeLeftovers(const QString& dir, const QString& targetName, const QByteArray& ownTemp, time_t serverNow)
{
    DIR* d = ::opendir(QFile::encodeName(dir.isEmpty() ? QStringLiteral(".") : dir).constData());
    if (!d)
        return;
    QStringList stale;
    while (dirent* e = ::readdir(d)) {
        const QString name = QFile::decodeName(e->d_name);
        if (testing::isTemporaryOf(name, targetName))
            stale << name;
    }
    ::closedir(d);
    if (stale.isEmpty())
        return;
    // Byte-range locks of another workstation may be invisible here; only age tells there.
    const bool share = isNetworkFolder(dir);
    for (const QString& name : stale) {
        const QByteArray p = QFile::encodeName(withSlash(dir) + name);
        if (p == ownTemp)
            continue;
        const int fd = ::open(p.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat st {};
        bool dead = lockExclusive(fd) && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        if (dead && share)
            dead = qint64(serverNow) - qint64(st.st_mtime) >= kShareLeftoverSeconds;
        // Closed before it is deleted: an SMB client refuses to delete a file it holds open.
        ::close(fd);
        if (dead)
            (void)::unlink(p.constData());
    }
}

// The temporary file, created and locked; -1 when it cannot be made.
int createTemporary(const QString& dir, const QString& targetName, mode_t mode, QByteArray* nativePath)
{
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString name = tempPrefix(targetName);
        for (int i = 0; i < kTempRandom; ++i)
            name += QLatin1Char(kChars[QRandomGenerator::global()->bounded(int(sizeof kChars - 1))]);
        *nativePath = QFile::encodeName(withSlash(dir) + name);
        const int fd = ::open(nativePath->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST || errno == EINTR)
                continue;
            return -1;
        }
        struct stat st {};
        // Another writer's clean-up may have taken it between creating and locking: make another.
        if (lockExclusive(fd) && ::fstat(fd, &st) == 0 && st.st_nlink > 0)
            return fd;
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

void syncFolder(const QString& dir)
{
    const int fd = ::open(QFile::encodeName(dir.isEmpty() ? QStringLiteral(".") : dir).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    (void)::fsync(fd);  // some file systems cannot sync a folder; the rename is done all the same
    ::close(fd);
}
} // namespace

std::optional<QByteArray> readFile(const QString& path, qint64 maxBytes, ReadResult* result)
{
    auto fail = [&](ReadResult r) -> std::optional<QByteArray> {
        if (result)
            *result = r;
        return std::nullopt;
    };
    if (path.isEmpty() || isRefused(path))
        return fail(ReadResult::Missing);
    const QString p = resolve(path);
    const QByteArray native = QFile::encodeName(p);
    if (s_faults && s_faults->unreadable.contains(p))
        return fail(rawExists(p) ? ReadResult::Unreadable : ReadResult::Missing);
    int fd;
    do {
        fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return fail(errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Unreadable);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return fail(ReadResult::Unreadable);
    }
    qint64 want = maxBytes >= 0 ? maxBytes : std::numeric_limits<qint64>::max();
    QByteArray out;
    if (S_ISREG(st.st_mode))
        out.reserve(qsizetype(std::min<qint64>(want, st.st_size)));
    char buf[65536];
    while (want > 0) {
        // Large files straight into the result, small reads through the buffer.
        const qint64 room = out.capacity() - out.size();
        ssize_t n;
        if (room >= qint64(sizeof buf)) {
            const qsizetype at = out.size();
            out.resize(at + qsizetype(std::min(room, want)));
            n = ::read(fd, out.data() + at, size_t(out.size() - at));
            out.resize(at + std::max<qsizetype>(n, 0));
        } else {
            n = ::read(fd, buf, size_t(std::min<qint64>(want, qint64(sizeof buf))));
            if (n > 0)
                out.append(buf, n);
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return fail(ReadResult::Unreadable);
        }
        if (n == 0)
            break;
        want -= n;
    }
    ::close(fd);
    if (result)
        *result = ReadResult::Read;
    return out;
}

void setDurableWrites(bool durable) { s_durable = durable; }

bool writeFileAtomic(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty() || path.endsWith(QLatin1Char('/'))) {
        errno = EINVAL;
        return false;
    }
    const QString target = resolve(path);
    if (target.isEmpty()) {
        errno = EACCES;
        return false;
    }
    const QByteArray nativeTarget = QFile::encodeName(target);
    const QString dir = folderOf(target);
    const QString name = fileName(target);

    struct stat st {};
    const bool replacing = ::lstat(nativeTarget.constData(), &st) == 0;
    if (replacing && S_ISLNK(st.st_mode)) {
        errno = ELOOP;  // someone else's link: neither it nor its target is touched
        return false;
    }
    if (replacing && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return false;
    }

    QByteArray temp;
    const int fd = createTemporary(dir, name, 0600, &temp);
    if (fd < 0)
        return false;
    struct stat own {};
    (void)::fstat(fd, &own);
    removeLeftovers(dir, name, temp, own.st_mtime);

    bool ok = writeAll(fd, bytes.constData(), bytes.size());
    if (ok) {
        // The temporary file is ours and new, so its mode may be set; others never get write access.
        if (replacing) {
            if (own.st_gid != st.st_gid)
                (void)::fchown(fd, uid_t(-1), st.st_gid);  // best effort: keep the old file's group
            (void)::fchmod(fd, st.st_mode & 0775);
        } else {
            (void)::fchmod(fd, mode_t(createdFileMode(dir)));
        }
    }
    if (ok && s_durable)
        ok = ::fsync(fd) == 0;
    int saved = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok) {
        // A file server refuses to replace a file another workstation has open at this moment.
        for (int attempt = 0;; ++attempt) {
            if (::rename(temp.constData(), nativeTarget.constData()) == 0)
                break;
            saved = errno;
            const bool busy = saved == EBUSY || saved == EEXIST || saved == EACCES || saved == EPERM ||
                              saved == ETXTBSY || saved == EINTR;
            if (!busy || attempt >= 5) {
                ok = false;
                break;
            }
            ::usleep(useconds_t(20000) << attempt);
        }
    }
    if (!ok) {
        ::unlink(temp.constData());
        errno = saved;
        return false;
    }
    if (s_durable)
        syncFolder(dir);
    return true;
}

namespace testing {
InjectFaults::InjectFaults(const Faults& faults) : m_faults(faults), m_previous(s_faults)
{
    for (QString& p : m_faults.unreadable)
        p = resolve(p);
    s_faults = &m_faults;
}
InjectFaults::~InjectFaults() { s_faults = m_previous; }

bool isTemporaryOf(const QString& name, const QString& targetName)
{
    const QString prefix = tempPrefix(targetName);
    return name.size() == prefix.size() + kTempRandom && name.startsWith(prefix);
}
} // namespace testing

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    const QChar* s = text.constData();
    for (qsizetype i = 0; i < n; ++i) {
        if (s[i] == QLatin1Char('\n') || s[i] == QLatin1Char('\r')) {
            lines << text.mid(start, i - start);
            if (s[i] == QLatin1Char('\r') && i + 1 < n && s[i + 1] == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

std::optional<QStringList> readLines(const QString& path, ReadResult* result)
{
    auto bytes = readFile(path, -1, result);
    if (!bytes)
        return std::nullopt;
    return splitLines(win1252::decode(*bytes));
}

QByteArray joinLines(const QStringList& lines)
{
    QByteArray out;
    for (const QString& l : lines) {
        out += win1252::encode(l);
        out += "\r\n";
    }
    return out;
}

bool writeLines(const QString& path, const QStringList& lines) { return writeFileAtomic(path, joinLines(lines)); }

QString fileName(const QString& path)
{
    QString p = path;
    if (p.endsWith(QLatin1Char('/')))
        p.chop(1);
    const qsizetype i = p.lastIndexOf(QLatin1Char('/'));
    return i < 0 ? p : p.mid(i + 1);
}

QString folderOf(const QString& path)
{
    const qsizetype i = path.lastIndexOf(QLatin1Char('/'));
    return i < 0 ? QString() : path.left(i + 1);
}

QString extension(const QString& path)
{
    const QString n = fileName(path);
    const qsizetype i = n.lastIndexOf(QLatin1Char('.'));
    return i < 0 ? QString() : n.mid(i);
}

QString baseName(const QString& path)
{
    const QString n = fileName(path);
    const qsizetype i = n.lastIndexOf(QLatin1Char('.'));
    return i < 0 ? n : n.left(i);
}

} // namespace fsys
