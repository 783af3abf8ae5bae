#include "media/sound/AudioBackend.h"
#include "media/sound/SdlAudioBackend.h"

#include "core/Dialogs.h"

#include <QCoreApplication>
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
