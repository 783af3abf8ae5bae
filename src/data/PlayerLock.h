#pragma once
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

// The lock file "lock.txt" in the `Optionen` folder: one player name per line (CR LF), each name a
// player in use on some workstation. Workstations share it through a network folder, so every
// read-change-write happens under an exclusive OS lock on the companion file "lock.lck" and every
// write replaces the file atomically.

// Takes the lock for `name`: false when a line of the lock file equals it exactly (case-sensitive).
bool AcquirePlayerLock(const QString& name);
// Removes the first line equal to `name`, only while this workstation holds the lock.
void ReleasePlayerLock(const QString& name);
// Deletes the lock file (the lock notice's release button) and says how that went.
void ReleaseAllLocks(QWidget* parent = nullptr);

// `holds lock`: this workstation has put the current player into the lock file.
bool holdsPlayerLock();
void setHoldsPlayerLock(bool held);

namespace playerlock {

QString lockFilePath();
QString guardFilePath();

// The names in the lock file (empty lines dropped), read under the lock; nullopt when there is no
// lock file.
std::optional<QStringList> readLockFile();
// True when the lock file exists and lists anyone (player deletion is refused then).
bool anyoneLocked();

// Runs `change` on the lock file's names under the exclusive lock. `change` gets the names (empty
// when the file is missing) and whether the file existed; it returns true to write the names back.
// Returns false when writing failed.
bool update(const std::function<bool(QStringList& names, bool existed)>& change);

// The exclusive OS lock on the companion file for the lifetime of the object. It blocks until the
// lock is granted; `locked()` is false when the companion file cannot be opened (a read-only
// folder), and the caller then goes on without it.
class Guard
{
public:
    Guard();
    ~Guard();
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
    bool locked() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

} // namespace playerlock
