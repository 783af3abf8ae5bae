#include "core/FileSystem.h"
#include "core/Win1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QRegularExpression>
#include <sys/stat.h>
#include <cstdio>

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

QString resolve(const QString& path)
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
        const QStringList names = d.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        QString found;
        for (const QString& n : names)
            if (n.compare(part, Qt::CaseInsensitive) == 0) {
                found = n;
                break;
            }
        if (found.isEmpty())
            return path;
        cur = cur + found + QLatin1Char('/');
    }
    if (!trailing && cur.endsWith(QLatin1Char('/')) && cur.size() > 1)
        cur.chop(1);
    return cur;
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

bool matchesMask(const QString& name, const QString& mask)
{
    if (mask.isEmpty() || mask == QLatin1String("*") || mask == QLatin1String("*.*"))
        return true;
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
    QRegularExpression re(rx, QRegularExpression::CaseInsensitiveOption);
    return re.match(name).hasMatch();
}

QStringList list(const QString& folder, const QString& mask, bool withPath, Entries kind)
{
    const QString dir = withSlash(resolve(folder.isEmpty() ? QStringLiteral("./") : folder));
    QDir d(dir);
    QDir::Filters filters = QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
    if (int(kind) & int(Entries::Files))
        filters |= QDir::Files;
    if (int(kind) & int(Entries::Dirs))
        filters |= QDir::Dirs;
    QStringList names = d.entryList(filters, QDir::NoSort);
    QStringList out;
    for (const QString& n : names)
        if (matchesMask(n, mask))
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
    struct stat st;
    if (::stat(p.constData(), &st) != 0)
        return false;
    mode_t m = st.st_mode & 07777;
    m = readOnly ? (m & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)) : (m | S_IWUSR);
    return ::chmod(p.constData(), m) == 0;
}

bool makePath(const QString& dir)
{
    if (dir.isEmpty())
        return false;
    if (dirExists(dir))
        return true;
    return QDir().mkpath(dir);
}

bool copyFile(const QString& from, const QString& to, bool overwrite)
{
    const QString src = resolve(from);
    const QString dst = resolve(to);
    if (QFileInfo::exists(dst)) {
        if (!overwrite)
            return false;
        setReadOnly(dst, false);
        if (!QFile::remove(dst))
            return false;
    }
    return QFile::copy(src, dst);
}

bool removeFile(const QString& path)
{
    const QString p = resolve(path);
    return QFileInfo(p).isFile() && QFile::remove(p);
}

bool removeDir(const QString& path) { return QDir().rmdir(resolve(path)); }

bool renameFile(const QString& from, const QString& to)
{
    return ::rename(QFile::encodeName(resolve(from)).constData(), QFile::encodeName(to).constData()) == 0;
}

std::optional<QByteArray> readFile(const QString& path, qint64 maxBytes)
{
    QFile f(resolve(path));
    if (path.isEmpty() || !f.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (maxBytes >= 0)
        return f.read(maxBytes);
    return f.readAll();
}

bool writeFileAtomic(const QString& path, const QByteArray& bytes)
{
    const QString target = resolve(path);
    QSaveFile f(target);
    f.setDirectWriteFallback(false);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (f.write(bytes) != bytes.size())
        return false;
    return f.commit();
}

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

std::optional<QStringList> readLines(const QString& path)
{
    auto bytes = readFile(path);
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
