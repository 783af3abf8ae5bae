#include "media/sound/TestAudioBackend.h"

#include "core/FileSystem.h"

#include <QCoreApplication>
#include <QTimer>

TestAudioBackend::TestAudioBackend() { m_previous = audio::install(this); }

TestAudioBackend::~TestAudioBackend()
{
    *m_alive = false;
    audio::install(m_previous);
}

int TestAudioBackend::open(const QString& file)
{
    m_log << QStringLiteral("open ") + file;
    for (const QString& f : std::as_const(m_failOpen))
        if (file.contains(f))
            return -1;
    if (!fsys::fileExists(file))
        return -1;
    const int channel = m_next++;
    m_files.insert(channel, file);
    return channel;
}

bool TestAudioBackend::play(int channel, QObject* owner)
{
    m_log << QStringLiteral("play %1").arg(channel);
    if (m_failPlay || !m_files.contains(channel))
        return false;
    m_owners.insert(channel, owner);
    m_playing.removeAll(channel);
    m_playing.append(channel);
    m_started << m_files.value(channel);
    const auto bytes = fsys::readFile(m_files.value(channel));
    if (bytes && audio::inspectWave(*bytes) == audio::WaveKind::Silent) {
        m_silentDue << channel;
        std::weak_ptr<bool> alive = m_alive;
        QTimer::singleShot(0, qApp, [this, alive] {
            if (auto a = alive.lock(); a && *a)
                settleSilent();
        });
    }
    return true;
}

void TestAudioBackend::settleSilent()
{
    while (!m_silentDue.isEmpty()) {
        const int channel = m_silentDue.takeFirst();
        if (m_playing.contains(channel))
            end(channel);
    }
}

void TestAudioBackend::stop(int channel)
{
    m_log << QStringLiteral("stop %1").arg(channel);
    m_playing.removeAll(channel);
}

bool TestAudioBackend::close(int channel)
{
    m_log << QStringLiteral("close %1").arg(channel);
    if (m_refuseClose.contains(channel))
        return false;
    m_playing.removeAll(channel);
    m_files.remove(channel);
    m_owners.remove(channel);
    return true;
}

bool TestAudioBackend::closeAll()
{
    m_log << QStringLiteral("closeAll");
    m_playing.clear();
    m_files.clear();
    m_owners.clear();
    return true;
}

bool TestAudioBackend::playOneShot(const QString& file, bool wait, bool interruptOthers)
{
    if (!m_oneShot.isEmpty() && !interruptOthers)
        return false;
    m_log << QStringLiteral("oneshot ") + file;
    // A synchronous sound is over when the call returns.
    m_oneShot = wait ? QString() : file;
    return true;
}

bool TestAudioBackend::playLoop(const QString& file)
{
    m_log << QStringLiteral("loop ") + file;
    m_oneShot = file;
    return true;
}

void TestAudioBackend::stopOneShots()
{
    m_log << QStringLiteral("stopOneShots");
    m_oneShot.clear();
}

bool TestAudioBackend::end(int channel, SoundStatus status)
{
    if (!m_silentDue.isEmpty() && !m_silentDue.contains(channel))
        settleSilent();
    if (!m_playing.contains(channel))
        return false;
    m_playing.removeAll(channel);
    notify(m_owners.value(channel), channel, status);
    return true;
}

QString TestAudioBackend::endNext(SoundStatus status)
{
    settleSilent();
    if (m_playing.isEmpty())
        return QString();
    const int channel = m_playing.front();
    const QString file = m_files.value(channel);
    end(channel, status);
    return file;
}

void TestAudioBackend::notify(QObject* owner, int channel, SoundStatus status)
{
    if (!owner)
        return;
    postSoundEnded(owner, channel, status);
    QCoreApplication::sendPostedEvents(owner, SoundEndedEvent::eventType());
}
