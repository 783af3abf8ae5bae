#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The one place that touches the file system. Paths in memory use "/" and directory names end
// with "/"; stored names use "\" and are converted with fromStored/toStored at the file boundary.
// Lookups take the exact name first and then match each component without case, because material
// made on Windows differs in case from the names that refer to it.
namespace fsys {

QString fromStored(const QString& stored);
QString toStored(const QString& path);
// Adds the trailing "/" a directory name carries.
QString withSlash(const QString& dir);

// The existing path the name refers to (exact, else component-wise without case), or the name
// itself when nothing matches.
QString resolve(const QString& path);
bool exists(const QString& path);
bool fileExists(const QString& path);
bool dirExists(const QString& path);
qint64 fileSize(const QString& path);

enum class Entries { Files = 1, Dirs = 2, All = 3 };
// Entries of `folder` matching a Windows wildcard mask ("*", "?", "*.*" matches names without a dot),
// sorted by name without case; "." and ".." are never listed.
QStringList list(const QString& folder, const QString& mask, bool withPath = false,
                 Entries kind = Entries::All);
bool matchesMask(const QString& name, const QString& mask);

// Read-only attribute: the owner has no write permission (so it also holds for root).
bool isReadOnly(const QString& path);
bool setReadOnly(const QString& path, bool readOnly);

bool makePath(const QString& dir);
// Copies without overwriting an existing target; false when the target exists or copying fails.
bool copyFile(const QString& from, const QString& to, bool overwrite = false);
bool removeFile(const QString& path);
bool removeDir(const QString& path);
bool renameFile(const QString& from, const QString& to);

std::optional<QByteArray> readFile(const QString& path, qint64 maxBytes = -1);
// Writes the whole file to a temporary file in the same folder, flushes it and renames it over the
// target, so a crash or a full disk never leaves a half-written file.
bool writeFileAtomic(const QString& path, const QByteArray& bytes);

// Line files in Windows-1252 with CR LF; reading accepts LF and CR LF.
std::optional<QStringList> readLines(const QString& path);
QStringList splitLines(const QString& text);
QByteArray joinLines(const QStringList& lines);
bool writeLines(const QString& path, const QStringList& lines);

// Name of a path's last component, and its folder with trailing "/".
QString fileName(const QString& path);
QString folderOf(const QString& path);
QString baseName(const QString& path);   // file name without its last extension
QString extension(const QString& path);  // ".ext" or empty

} // namespace fsys
