#include "media/sound/AudioBackend.h"
#include "media/sound/SdlAudioBackend.h"

#include "core/Dialogs.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>
#include <memory>

SoundEndedEvent::SoundEndedEvent(int channel, SoundStatus status)
    : QEvent(eventType()), m_channel(channel), m_status(status)
{
}

QEvent::Type SoundEndedEvent::eventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

namespace {
quint32 le32(const char* p)
{
    return quint32(quint8(p[0])) | quint32(quint8(p[1])) << 8 | quint32(quint8(p[2])) << 16 |
           quint32(quint8(p[3])) << 24;
}
}

audio::WaveKind audio::inspectWave(const QByteArray& bytes)
{
    if (bytes.size() < 12 || std::memcmp(bytes.constData(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.constData() + 8, "WAVE", 4) != 0)
        return WaveKind::Invalid;
    bool fmt = false;
    qint64 pos = 12;
    const qint64 size = bytes.size();
    while (pos + 8 <= size) {
        const char* p = bytes.constData() + pos;
        const qint64 length = le32(p + 4);
        if (std::memcmp(p, "fmt ", 4) == 0) {
            fmt = length >= 16 && pos + 8 + length <= size;
        } else if (std::memcmp(p, "data", 4) == 0) {
            if (!fmt || pos + 8 + length > size)
                return WaveKind::Invalid;
            return length == 0 ? WaveKind::Silent : WaveKind::Playable;
        }
        pos += 8 + length + (length & 1);
    }
    return WaveKind::Invalid;
}

int audio::waveDurationMs(const QByteArray& bytes)
{
    if (inspectWave(bytes) == WaveKind::Invalid)
        return 0;
    qint64 byteRate = 0;
    qint64 pos = 12;
    const qint64 size = bytes.size();
    while (pos + 8 <= size) {
        const char* p = bytes.constData() + pos;
        const qint64 length = le32(p + 4);
        if (std::memcmp(p, "fmt ", 4) == 0 && pos + 20 <= size)
            byteRate = le32(p + 16);
        else if (std::memcmp(p, "data", 4) == 0)
            return byteRate > 0 ? int(std::min<qint64>(length * 1000 / byteRate, 600000)) : 0;
        pos += 8 + length + (length & 1);
    }
    return 0;
}

void postSoundEnded(QObject* owner, int channel, SoundStatus status)
{
    if (owner)
        QCoreApplication::postEvent(owner, new SoundEndedEvent(channel, status));
}

SoundNoticeFilter::SoundNoticeFilter(QObject* owner, Handler handler)
    : QObject(owner), m_owner(owner), m_handler(std::move(handler))
{
    owner->installEventFilter(this);
}

bool SoundNoticeFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_owner && event->type() == SoundEndedEvent::eventType()) {
        auto* e = static_cast<SoundEndedEvent*>(event);
        if (m_handler)
            m_handler(e->channel(), e->status());
        return true;
    }
    return false;
}

SoundNoticeFilter* onSoundEnded(QObject* owner, SoundNoticeFilter::Handler handler)
{
    return new SoundNoticeFilter(owner, std::move(handler));
}

namespace {
AudioBackend* g_installed = nullptr;
std::unique_ptr<SdlAudioBackend> g_sdl;
}

namespace audio {
AudioBackend& backend()
{
    if (g_installed)
        return *g_installed;
    if (!g_sdl)
        g_sdl = std::make_unique<SdlAudioBackend>();
    return *g_sdl;
}

AudioBackend* install(AudioBackend* b)
{
    AudioBackend* previous = g_installed;
    g_installed = b;
    return previous;
}

void shutdown() { g_sdl.reset(); }

bool checkOutput(QWidget* parent)
{
    const bool audible = !backend().outputName().isEmpty();
    static bool told = false;
    if (!audible && !told) {
        told = true;
        dialogs::warning(parent, QStringLiteral("Es konnte keine Tonausgabe geöffnet werden. Kalimo läuft ohne "
                                                "Ton weiter.\n\nBitte prüfen Sie, ob Lautsprecher oder "
                                                "Kopfhörer angeschlossen und eingeschaltet sind, und starten Sie "
                                                "Kalimo danach neu."));
    }
    return audible;
}

QString outputDescription()
{
    const QString name = backend().outputName();
    return QStringLiteral("Tonausgabe: ") + (name.isEmpty() ? QStringLiteral("keine (ohne Ton)") : name);
}
}
