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
// itself when nothing matches. While the program is confined (below), a refused name resolves to
// an empty name that exists nowhere.
QString resolve(const QString& path);

// Names from task lists and options must never reach files outside the installation: while
// `roots` is not empty, a relative name (which would be looked up in the working directory) and a
// name whose ".." leads out of every root are refused by every function here. Absolute names
// without ".." are not touched (a list may store a file outside its folder with its full path).
void setConfinement(const QStringList& roots);
// Whether the name is refused by the confinement.
bool isRefused(const QString& path);
bool exists(const QString& path);
bool fileExists(const QString& path);
bool dirExists(const QString& path);
qint64 fileSize(const QString& path);

enum class Entries { Files = 1, Dirs = 2, All = 3 };
// Entries of `folder` matching a Windows wildcard mask ("*", "?", "*.*" matches names without a dot),
// sorted by name without case; "." and ".." are never listed, nor the editor's save copies ("~~" +
// name), which only a killed save leaves behind.
QStringList list(const QString& folder, const QString& mask, bool withPath = false,
                 Entries kind = Entries::All);
bool matchesMask(const QString& name, const QString& mask);

// Read-only attribute: the owner has no write permission (so it also holds for root).
bool isReadOnly(const QString& path);
bool setReadOnly(const QString& path, bool readOnly);

// Creates the folder with all missing parents. A folder made inside a shared folder (setgid) is
// shared the same way: group-writable and setgid, never writable by others.
bool makePath(const QString& dir);
// Creates a folder for a save without ever building what lies above it: the missing folders
// below `anchor` when `anchor` exists and holds `dir` (all of them without an anchor), otherwise
// only the last component when its parent exists. A save into a data folder on a share that went away thus never builds the
// installation again under an empty mount point.
bool makeFolder(const QString& dir, const QString& anchor = QString());
// The link itself, not what it points to.
bool isSymLink(const QString& path);
// Whether the folder lies on a network file system (NFS, SMB, FUSE mounts such as sshfs), where
// byte-range locks may hold only on one workstation.
bool isNetworkFolder(const QString& dir);
// Permission bits of a file Kalimo creates in `dir`: never writable by others; in a shared folder
// (setgid) readable and writable by its group, so every account of the installation can replace it.
unsigned createdFileMode(const QString& dir);
// Copies without overwriting an existing target; false when the target exists or copying fails.
bool copyFile(const QString& from, const QString& to, bool overwrite = false);
bool removeFile(const QString& path);
bool removeDir(const QString& path);
bool renameFile(const QString& from, const QString& to);

// Why a read gave nothing: no such file, or a file that is there but cannot be read (no
// permission, an I/O error, a folder in its place). A file of the second kind must never be
// written over, or whatever it holds is lost.
enum class ReadResult { Read, Missing, Unreadable };

std::optional<QByteArray> readFile(const QString& path, qint64 maxBytes = -1, ReadResult* result = nullptr);
// Writes the whole file to a temporary file in the same folder, syncs it, renames it over the
// target and syncs the folder: afterwards the target holds either its old or its new bytes, also
// after a full disk, a kill or a power loss. Leftover temporary files of the same target from a
// killed writer are removed (on a network folder only when they are older than a few seconds, as a
// writer on another workstation cannot be seen). A target that is a symbolic link is refused
// (ELOOP): nothing is written through a link someone planted. A new file gets createdFileMode(); a
// replaced one keeps its mode and group, less any write permission for others. A rename refused
// because another workstation has the old file open is tried again a few times. False (with errno
// set) when any step failed.
bool writeFileAtomic(const QString& path, const QByteArray& bytes);
// Whether saves wait for the disk (fsync). Only fuzzers that save on every input turn it off.
void setDurableWrites(bool durable);

// Line files in Windows-1252 with CR LF; reading accepts LF and CR LF.
std::optional<QStringList> readLines(const QString& path, ReadResult* result = nullptr);
QStringList splitLines(const QString& text);
QByteArray joinLines(const QStringList& lines);
bool writeLines(const QString& path, const QStringList& lines);

// Name of a path's last component, and its folder with trailing "/".
QString fileName(const QString& path);
QString folderOf(const QString& path);
QString baseName(const QString& path);   // file name without its last extension
QString extension(const QString& path);  // ".ext" or empty

namespace testing {
// Faults injected below every read and write, for tests of what a full disk or an unreadable file
// does to the program.
struct Faults {
    qint64 diskSpace = -1;    // bytes the disk still takes before writes fail with ENOSPC; -1 no limit
    QStringList unreadable;   // files (as resolved) whose opening for reading fails with EACCES
};
// Installs the faults for its lifetime.
class InjectFaults
{
public:
    explicit InjectFaults(const Faults& faults);
    ~InjectFaults();
    InjectFaults(const InjectFaults&) = delete;
    InjectFaults& operator=(const InjectFaults&) = delete;
    Faults& faults() { return m_faults; }

private:
    Faults m_faults;
    Faults* m_previous;
};
// The name pattern of a target's temporary files, for tests that look for leftovers.
bool isTemporaryOf(const QString& name, const QString& targetName);
} // namespace testing

} // namespace fsys
