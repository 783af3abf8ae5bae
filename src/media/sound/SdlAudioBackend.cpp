#include <QFile>
#include "media/sound/SdlAudioBackend.h"

#include "core/FileSystem.h"
#include "media/sound/SdlApi.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QThread>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

SdlAudioBackend* SdlAudioBackend::s_instance = nullptr;

static const sdlapi::Functions& sdl() { return sdlapi::fn(); }

namespace {
// Carries a finished channel from the audio thread to the UI thread.
class ChannelDoneEvent : public QEvent
{
public:
    ChannelDoneEvent(int id, SoundStatus status, QObject* owner)
        : QEvent(type()), id(id), status(status), owner(owner)
    {
    }
    static QEvent::Type type()
    {
        static const QEvent::Type t = QEvent::Type(QEvent::registerEventType());
        return t;
    }
    int id;
    SoundStatus status;
    QPointer<QObject> owner;  // set only for notices made on the UI thread
};
}

class SdlAudioBackend::Dispatcher : public QObject
{
public:
    explicit Dispatcher(SdlAudioBackend* backend) : m_backend(backend) {}
    bool event(QEvent* e) override
    {
        if (e->type() != ChannelDoneEvent::type())
            return QObject::event(e);
        auto* d = static_cast<ChannelDoneEvent*>(e);
        m_backend->deliver(d->id, d->status, d->owner);
        return true;
    }

private:
    SdlAudioBackend* m_backend;
};

SdlAudioBackend::SdlAudioBackend() : SdlAudioBackend(Options{}) {}

SdlAudioBackend::SdlAudioBackend(const Options& options)
{
    s_instance = this;
    m_dispatcher = new Dispatcher(this);
    openDevice(options);
}

SdlAudioBackend::~SdlAudioBackend()
{
    if (m_open) {
        sdl().Mix_ChannelFinished(nullptr);
        sdl().Mix_SetPostMix(nullptr, nullptr);
        sdl().Mix_HaltChannel(-1);
        for (const Sound& s : std::as_const(m_sounds))
            sdl().Mix_FreeChunk(s.chunk);
        if (m_oneShot)
            sdl().Mix_FreeChunk(m_oneShot);
        if (m_beep)
            sdl().Mix_FreeChunk(m_beep);
        sdl().Mix_CloseAudio();
        sdl().SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    delete m_dispatcher;
    if (s_instance == this)
        s_instance = nullptr;
}

void SdlAudioBackend::openDevice(const Options& options)
{
    m_frequency = options.frequency;
    m_bufferFrames = options.bufferFrames;
    if (!sdlapi::load()) {
        std::fprintf(stderr, "kalimo: the sound library could not be loaded (%s); sounds are silent.\n",
                     sdlapi::loadError().toLocal8Bit().constData());
        return;
    }
    if (!options.diskFile.isEmpty())
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(options.diskFile));
    // Broken and truncated files are refused instead of played in part.
    sdl().SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "verystrict");

    auto tryOpen = [&](const QByteArray& driver) {
        // The chosen driver wins over SDL_AUDIODRIVER for this one start only.
        if (!driver.isEmpty())
            sdl().SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver.constData(), SDL_HINT_OVERRIDE);
        const bool initialised = sdl().SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        if (!driver.isEmpty())
            sdl().SDL_ResetHint(SDL_HINT_AUDIODRIVER);
        if (!initialised)
            return false;
        if (sdl().Mix_OpenAudioDevice(m_frequency, AUDIO_S16SYS, 2, m_bufferFrames, nullptr, 0) != 0) {
            sdl().SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
        return true;
    };

    // The driver asked for (by the caller or SDL_AUDIODRIVER), else the desktop's sound servers in
    // turn; only when none opens the silent dummy driver, which keeps the timing of every sound.
    QList<QByteArray> drivers;
    const QByteArray chosen = options.driver.isEmpty() ? qgetenv("SDL_AUDIODRIVER") : options.driver.toUtf8();
    if (!chosen.isEmpty())
        drivers << chosen;
    if (chosen != "dummy" && chosen != "disk")
        for (const QByteArray d : {QByteArray("pipewire"), QByteArray("pulseaudio"), QByteArray("alsa")})
            if (!drivers.contains(d))
                drivers << d;
    QString reason;
    for (const QByteArray& d : drivers) {
        m_open = tryOpen(d);
        if (m_open)
            break;
        reason = QString::fromUtf8(sdl().SDL_GetError());
    }
    if (!m_open && !drivers.contains("dummy")) {
        static bool warned = false;
        if (!std::exchange(warned, true))
            std::fprintf(stderr, "kalimo: no audio device could be opened (%s); sounds play silently.\n",
                         reason.toLocal8Bit().constData());
        m_open = tryOpen("dummy");
        m_silentFallback = m_open;
    }
    if (!m_open) {
        std::fprintf(stderr, "kalimo: audio is unavailable: %s\n", sdl().SDL_GetError());
        return;
    }
    m_driver = QString::fromUtf8(sdl().SDL_GetCurrentAudioDriver());
    m_mixChannels = sdl().Mix_AllocateChannels(16);
    sdl().Mix_ReserveChannels(1);
    {
        std::lock_guard lock(m_mutex);
        m_playing.assign(size_t(m_mixChannels), 0);
    }
    m_bound.assign(size_t(m_mixChannels), 0);
    sdl().Mix_ChannelFinished(&SdlAudioBackend::channelFinished);
    sdl().Mix_SetPostMix(&SdlAudioBackend::postMix, this);
}

QString SdlAudioBackend::outputName() const
{
    if (!m_open || m_silentFallback)
        return QString();
    static const QHash<QString, QString> names = {
        {QStringLiteral("pipewire"), QStringLiteral("PipeWire")},
        {QStringLiteral("pulseaudio"), QStringLiteral("PulseAudio")},
        {QStringLiteral("alsa"), QStringLiteral("ALSA")},
        {QStringLiteral("jack"), QStringLiteral("JACK")},
        {QStringLiteral("dummy"), QStringLiteral("stumm (dummy)")},
        {QStringLiteral("disk"), QStringLiteral("Datei (disk)")},
    };
    return names.value(m_driver, m_driver);
}

Mix_Chunk* SdlAudioBackend::load(const QString& file, bool* silent)
{
    if (silent)
        *silent = false;
    if (!m_open)
        return nullptr;
    // Sound files are small; a file far beyond any recording is refused before it is read.
    const QString path = fsys::resolve(file);
    if (!fsys::fileExists(path) || fsys::fileSize(path) > (qint64(1) << 30))
        return nullptr;
    const auto bytes = fsys::readFile(path);
    // The header is checked before the decoder sees the bytes: a data chunk must lie wholly inside.
    const audio::WaveKind kind = bytes ? audio::inspectWave(*bytes) : audio::WaveKind::Invalid;
    if (kind != audio::WaveKind::Playable) {
        if (silent)
            *silent = kind == audio::WaveKind::Silent;
        return nullptr;
    }
    SDL_RWops* rw = sdl().SDL_RWFromConstMem(bytes->constData(), int(bytes->size()));
    if (!rw)
        return nullptr;
    return sdl().Mix_LoadWAV_RW(rw, 1);  // the chunk holds its own converted copy
}

int SdlAudioBackend::freeMixChannel()
{
    for (int c = 1; c < m_mixChannels; ++c)
        if (m_bound[size_t(c)] == 0)
            return c;
    const int grown = m_mixChannels * 2;
    sdl().Mix_AllocateChannels(grown);
    {
        std::lock_guard lock(m_mutex);
        m_playing.resize(size_t(grown), 0);
    }
    m_bound.resize(size_t(grown), 0);
    const int first = m_mixChannels;
    m_mixChannels = grown;
    return first;
}

int SdlAudioBackend::open(const QString& file)
{
    bool silent = false;
    Mix_Chunk* chunk = load(file, &silent);
    if (silent) {
        const int id = m_nextId++;
        m_sounds.insert(id, Sound{-1, nullptr, nullptr});
        return id;
    }
    if (!chunk)
        return -1;
    const int mix = freeMixChannel();
    const int id = m_nextId++;
    m_bound[size_t(mix)] = id;
    m_sounds.insert(id, Sound{mix, chunk, nullptr});
    return id;
}

bool SdlAudioBackend::play(int channel, QObject* owner)
{
    auto it = m_sounds.find(channel);
    if (it == m_sounds.end())
        return false;
    it->owner = owner;
    const int mix = it->mixChannel;
    if (mix < 0) {
        // Nothing to mix: the end is reported as soon as the event loop runs, as after any sound.
        QCoreApplication::postEvent(m_dispatcher, new ChannelDoneEvent(channel, SoundStatus::Successful, nullptr));
        return true;
    }
    {
        std::lock_guard lock(m_mutex);
        m_playing[size_t(mix)] = channel;
    }
    if (sdl().Mix_PlayChannel(mix, it->chunk, 0) < 0) {
        std::lock_guard lock(m_mutex);
        m_playing[size_t(mix)] = 0;
        return false;
    }
    return true;
}

void SdlAudioBackend::stop(int channel)
{
    // No notice for a cut sound: an exercise cannot tell a late notice, which SoundEnded answers
    // with 0, from the end of the chain that has just started.
    close(channel);
}

bool SdlAudioBackend::close(int channel)
{
    auto it = m_sounds.find(channel);
    if (it == m_sounds.end())
        return true;
    const int mix = it->mixChannel;
    if (mix >= 0) {
        {
            std::lock_guard lock(m_mutex);
            m_playing[size_t(mix)] = 0;  // the halt below makes no notice
        }
        sdl().Mix_HaltChannel(mix);
        sdl().Mix_FreeChunk(it->chunk);
        m_bound[size_t(mix)] = 0;
    }
    m_sounds.erase(it);
    return true;
}

bool SdlAudioBackend::closeAll()
{
    const QList<int> ids = m_sounds.keys();
    for (int id : ids)
        close(id);
    return true;
}

void SdlAudioBackend::channelFinished(int mixChannel)
{
    SdlAudioBackend* self = s_instance;
    if (!self || mixChannel <= 0)
        return;
    int id = 0;
    {
        std::lock_guard lock(self->m_mutex);
        if (size_t(mixChannel) < self->m_playing.size()) {
            id = self->m_playing[size_t(mixChannel)];
            self->m_playing[size_t(mixChannel)] = 0;
        }
    }
    if (id)
        QCoreApplication::postEvent(self->m_dispatcher, new ChannelDoneEvent(id, SoundStatus::Successful, nullptr));
}

void SdlAudioBackend::deliver(int id, SoundStatus status, QObject* owner)
{
    if (!owner) {
        // A natural end: only a channel that is still open reports it.
        auto it = m_sounds.constFind(id);
        if (it == m_sounds.constEnd())
            return;
        owner = it->owner;
    }
    if (owner) {
        SoundEndedEvent notice(id, status);
        QCoreApplication::sendEvent(owner, &notice);
    }
}

void SdlAudioBackend::postMix(void* udata, unsigned char* stream, int len)
{
    auto* self = static_cast<SdlAudioBackend*>(udata);
    const qint64 frames = len / 4;
    const qint64 start = self->m_mixedFrames.load();
    if (self->m_watching.load()) {
        const auto* s = reinterpret_cast<const qint16*>(stream);
        for (qint64 i = 0; i < frames * 2; ++i) {
            if (s[i] != 0) {
                const qint64 now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                       std::chrono::steady_clock::now().time_since_epoch()).count();
                self->m_firstSoundNs.store(now + (i / 2) * 1000000000 / self->m_frequency);
                self->m_firstSoundFrame.store(start + i / 2);
                self->m_watching.store(false);
                break;
            }
        }
    }
    self->m_mixedFrames.store(start + frames);
}

void SdlAudioBackend::watchForSound()
{
    m_firstSoundFrame.store(-1);
    m_watching.store(true);
}

bool SdlAudioBackend::playOneShot(const QString& file, bool wait, bool interruptOthers)
{
    if (!m_open)
        return false;
    if (sdl().Mix_Playing(0) && !interruptOthers)
        return false;
    Mix_Chunk* chunk = load(file);
    if (!chunk)
        return false;
    sdl().Mix_HaltChannel(0);
    if (m_oneShot)
        sdl().Mix_FreeChunk(m_oneShot);
    m_oneShot = chunk;
    if (sdl().Mix_PlayChannel(0, chunk, 0) < 0)
        return false;
    if (wait) {
        // Played synchronously, bounded by the sound's own length.
        const qint64 ms = qint64(chunk->alen) * 1000 / (qint64(m_frequency) * 4) + 1000;
        QElapsedTimer t;
        t.start();
        while (sdl().Mix_Playing(0) && t.elapsed() < ms)
            QThread::msleep(5);
    }
    return true;
}

bool SdlAudioBackend::playLoop(const QString& file)
{
    if (!m_open)
        return false;
    Mix_Chunk* chunk = load(file);
    if (!chunk)
        return false;
    sdl().Mix_HaltChannel(0);
    if (m_oneShot)
        sdl().Mix_FreeChunk(m_oneShot);
    m_oneShot = chunk;
    return sdl().Mix_PlayChannel(0, chunk, -1) >= 0;
}

void SdlAudioBackend::stopOneShots()
{
    if (m_open)
        sdl().Mix_HaltChannel(0);
}

void SdlAudioBackend::beep()
{
    if (!m_open)
        return;
    if (!m_beep) {
        // 150 ms of 880 Hz with soft edges, in the device's own format.
        const int frames = m_frequency * 150 / 1000, edge = m_frequency / 200;
        m_beepSamples.resize(size_t(frames) * 2);
        for (int i = 0; i < frames; ++i) {
            const double gain = std::min({1.0, double(i) / edge, double(frames - 1 - i) / edge});
            const auto v = qint16(std::lround(9000 * gain * std::sin(2 * M_PI * 880 * i / m_frequency)));
            m_beepSamples[size_t(2 * i)] = m_beepSamples[size_t(2 * i + 1)] = v;
        }
        m_beep = sdl().Mix_QuickLoad_RAW(reinterpret_cast<Uint8*>(m_beepSamples.data()),
                                   Uint32(m_beepSamples.size() * sizeof(qint16)));
        if (!m_beep)
            return;
    }
    sdl().Mix_HaltChannel(0);
    sdl().Mix_PlayChannel(0, m_beep, 0);
}
