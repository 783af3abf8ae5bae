#include "media/sound/TWAV.h"

#include "core/Dialogs.h"
#include "media/sound/AudioBackend.h"

#include <QWidget>

TWAV::TWAV(QObject* owner) : m_owner(owner) {}

TWAV::~TWAV()
{
    // Released without notices: the owner may be half destroyed already.
    for (const QString& e : std::as_const(m_queue))
        if (!isWaiting(e) && channelOf(e) >= 0)
            audio::backend().close(channelOf(e));
}

bool TWAV::isWaiting(const QString& entry) { return entry.startsWith(QLatin1String("W=")); }

QString TWAV::fileOf(const QString& entry) { return entry.mid(entry.indexOf(QLatin1Char('=')) + 1); }

int TWAV::channelOf(const QString& entry) { return entry.left(entry.indexOf(QLatin1Char('='))).toInt(); }

int TWAV::playingEntry(int channel) const
{
    const QString prefix = QString::number(channel) + QLatin1Char('=');
    for (int i = 0; i < m_queue.size(); ++i)
        if (m_queue[i].startsWith(prefix))
            return i;
    return -1;
}

bool TWAV::Play(const QString& file, bool allowRepeat, bool dropWaiting, bool enqueue)
{
    if (enqueue && !m_queue.isEmpty()) {
        if (dropWaiting)
            m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(), isWaiting), m_queue.end());
        if (!allowRepeat)
            for (const QString& e : std::as_const(m_queue))
                if (!isWaiting(e) && fileOf(e) == file)
                    return false;
        m_queue << QStringLiteral("W=") + file;
        return false;
    }
    AudioBackend& backend = audio::backend();
    const int channel = backend.open(file);
    if (channel < 0) {
        // The failed file keeps its place until its notice arrives, so that sounds queued behind it
        // wait for that notice instead of starting now and being cut by it.
        m_queue << QStringLiteral("-1=") + file;
        postSoundEnded(m_owner, -1, SoundStatus::Failure);
        return false;
    }
    if (!backend.play(channel, m_owner)) {
        backend.close(channel);
        return false;
    }
    m_queue << QString::number(channel) + QLatin1Char('=') + file;
    return true;
}

int TWAV::SoundEnded(int channel)
{
    const int i = playingEntry(channel);
    if (i < 0)
        return 0;
    if (!audio::backend().close(channel)) {
        dialogs::showMessage(qobject_cast<QWidget*>(m_owner.data()),
                             QStringLiteral("Fehler beim Schließen von ") + fileOf(m_queue[i]));
        return int(m_queue.size());
    }
    m_queue.removeAt(i);
    const int left = int(m_queue.size());
    for (int w = 0; w < m_queue.size(); ++w) {
        if (isWaiting(m_queue[w])) {
            const QString next = fileOf(m_queue.takeAt(w));
            Play(next, false, false, false);
            break;
        }
    }
    return left;
}

bool TWAV::SkipToNext()
{
    AudioBackend& backend = audio::backend();
    for (int i = int(m_queue.size()) - 1; i >= 0; --i) {
        if (!isWaiting(m_queue[i])) {
            if (channelOf(m_queue[i]) >= 0)
                backend.close(channelOf(m_queue[i]));
            m_queue.removeAt(i);
        }
    }
    for (int w = 0; w < m_queue.size(); ++w)
        if (isWaiting(m_queue[w]))
            return Play(fileOf(m_queue.takeAt(w)), false, false, false);
    return false;
}

void TWAV::StopAll()
{
    AudioBackend& backend = audio::backend();
    for (int i = int(m_queue.size()) - 1; i >= 0; --i)
        if (!isWaiting(m_queue[i]) && channelOf(m_queue[i]) >= 0)
            backend.stop(channelOf(m_queue[i]));
    m_queue.clear();
}

void TWAV::DropWaiting()
{
    m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(), isWaiting), m_queue.end());
}

bool TWAV::HandleNotice(int channel, SoundStatus status)
{
    if (status == SoundStatus::Failure)
        return !SkipToNext();
    return SoundEnded(channel) == 0;
}

bool TWAV::CloseAll()
{
    m_queue.clear();
    return audio::backend().closeAll();
}
