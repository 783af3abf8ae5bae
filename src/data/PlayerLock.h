#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

// The lock file "lock.txt" in the `Optionen` folder: one player name per line (CR LF), each name a
// player in use on some workstation. Workstations share it through a network folder, so every
// read-change-write happens under a guard (below) and every write replaces the file atomically.
// No message is ever shown while the guard is held: a workstation whose user does not answer must
// not keep the others from starting.

// Takes the lock for `name`: false when a line of the lock file equals it exactly (case-sensitive),
// and also when the user gave up waiting for a busy player list (see playerLockCancelled()).
bool AcquirePlayerLock(const QString& name, QWidget* parent = nullptr);
// Removes the first line equal to `name`, only while this workstation holds the lock.
void ReleasePlayerLock(const QString& name, QWidget* parent = nullptr);
// Deletes the lock file (the lock notice's release button) and says how that went.
void ReleaseAllLocks(QWidget* parent = nullptr);
// Whether the last AcquirePlayerLock() returned false because the user chose not to wait any
// longer for the player list (then no lock notice is due: the player is not in use elsewhere).
bool playerLockCancelled();

// `holds lock`: this workstation has put the current player into the lock file.
bool holdsPlayerLock();
void setHoldsPlayerLock(bool held);

namespace playerlock {

QString lockFilePath();
// "lock.lck": an OS record lock on it keeps the processes of one workstation apart.
QString guardFilePath();
// "lock.guard": created exclusively (O_CREAT|O_EXCL) by the one workstation that changes the lock
// file, holding its host, process and a token, and removed afterwards. It holds on any network
// share, also where byte-range locks stay local to each client.
QString claimFilePath();

// How long a guard is waited for before the user is asked, and how long a claim file may stay
// unchanged before it counts as left behind by a dead process and is taken over.
constexpr int kWaitMs = 5000;
constexpr int kStaleMs = 4000;
// Tests shorten both.
void setTimingForTests(int waitMs, int staleMs);

// The names in the lock file (empty lines dropped), read under the guard; nullopt when there is no
// lock file.
std::optional<QStringList> readLockFile(QWidget* parent = nullptr);
// True when the lock file exists and lists anyone (player deletion is refused then), and when the
// lock file could not be read because the player list stayed busy.
bool anyoneLocked(QWidget* parent = nullptr);

enum class Outcome { Unchanged, Written, Failed, Cancelled };
// Runs `change` on the lock file's names under the guard. `change` gets the names (empty when the
// file is missing) and whether the file existed; it returns true to write the names back. Problems
// are told after the guard is let go; a guard that stays busy longer than kWaitMs asks the user
// whether to try again.
Outcome update(const std::function<bool(QStringList& names, bool existed)>& change, QWidget* parent = nullptr);

// The guard for the lifetime of the object: the record lock on "lock.lck" and the claim file. It
// waits at most `waitMs` (painting goes on meanwhile). `locked()` is false when it gave up
// (`busy()`), and also when neither file can be made (a read-only folder): the caller then goes on
// without it and its write fails where it happens.
class Guard
{
public:
    explicit Guard(int waitMs = -1);
    ~Guard();
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
    bool locked() const { return m_fd >= 0 || m_claimed; }
    bool busy() const { return m_busy; }
    // "lock.lck" was a symbolic link and was left alone.
    bool linkRefused() const { return m_linkRefused; }

private:
    bool takeClaim(qint64 deadline);
    int m_fd = -1;
    bool m_claimed = false;
    bool m_busy = false;
    bool m_linkRefused = false;
    QByteArray m_token;
    QByteArray m_key;
};

} // namespace playerlock
