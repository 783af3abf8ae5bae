#pragma once
#include <QObject>
#include <QPointer>
#include <QStringList>

enum class SoundStatus;

// The non-blocking sound player of a window, with its play queue. Entries are
// "<channel>=<file>" for playing sounds and "W=<file>" for waiting ones, in the order added.
// The owner receives a sound-ended notice per started sound and forwards it: a failure to
// SkipToNext, anything else to SoundEnded; the chain is over when SoundEnded returns 0 or
// SkipToNext returns false.
class TWAV
{
public:
    explicit TWAV(QObject* owner);
    ~TWAV();
    TWAV(const TWAV&) = delete;
    TWAV& operator=(const TWAV&) = delete;

    // True when the sound started now.
    bool Play(const QString& file, bool allowRepeat, bool dropWaiting, bool enqueue);
    // Number of entries left after the channel ended; 0 for a channel this player does not hold.
    int SoundEnded(int channel);
    // True when a waiting sound was started.
    bool SkipToNext();
    void StopAll();
    // Removes every waiting entry; what plays ends normally.
    void DropWaiting();
    bool CloseAll();
    // The usual forwarding of a notice: a failure to SkipToNext, anything else to SoundEnded.
    // True when the chain is over.
    bool HandleNotice(int channel, SoundStatus status);

    const QStringList& queue() const { return m_queue; }
    bool isEmpty() const { return m_queue.isEmpty(); }
    QObject* owner() const { return m_owner; }

private:
    int playingEntry(int channel) const;
    static bool isWaiting(const QString& entry);
    static QString fileOf(const QString& entry);
    static int channelOf(const QString& entry);

    QPointer<QObject> m_owner;
    QStringList m_queue;
};
