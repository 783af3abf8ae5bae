#include "media/sound/Capture.h"

#include "media/sound/SdlApi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {
const sdlapi::Functions& sdl() { return sdlapi::fn(); }

QString noMicrophone(const QString& detail)
{
    QString text = QStringLiteral("Es konnte kein Mikrofon geöffnet werden. Bitte schließen Sie ein Mikrofon an, "
                                  "prüfen Sie, ob es eingeschaltet ist, und versuchen Sie es noch einmal.");
    if (!detail.isEmpty())
        text += QStringLiteral("\n\n(") + detail + QLatin1Char(')');
    return text;
}
} // namespace

Capture::~Capture() { stop(); }

bool Capture::start(QString* error)
{
    stop();
    {
        const std::lock_guard lock(m_mutex);
        m_samples.clear();
    }
    m_level = 0.0f;
    if (!sdlapi::load()) {
        if (error)
            *error = noMicrophone(sdlapi::loadError());
        return false;
    }
    if (sdl().SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        if (error)
            *error = noMicrophone(QString::fromUtf8(sdl().SDL_GetError()));
        return false;
    }
    m_subsystem = true;
    SDL_AudioSpec want{};
    want.freq = kRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;
    want.callback = &Capture::callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts whatever the microphone gives into this format.
    m_device = sdl().SDL_OpenAudioDevice(nullptr, 1, &want, &have, 0);
    if (m_device == 0) {
        if (error)
            *error = noMicrophone(QString::fromUtf8(sdl().SDL_GetError()));
        sdl().SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystem = false;
        return false;
    }
    sdl().SDL_PauseAudioDevice(m_device, 0);
    return true;
}

void Capture::stop()
{
    if (m_device != 0) {
        sdl().SDL_CloseAudioDevice(m_device);  // waits for the callback to return
        m_device = 0;
    }
    if (m_subsystem) {
        sdl().SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystem = false;
    }
    m_level = 0.0f;
}

void Capture::callback(void* self, std::uint8_t* stream, int len)
{
    auto* c = static_cast<Capture*>(self);
    const int count = len / int(sizeof(std::int16_t));
    std::vector<std::int16_t> buffer(size_t(std::max(count, 0)));
    std::memcpy(buffer.data(), stream, buffer.size() * sizeof(std::int16_t));
    int peak = 0;
    for (const std::int16_t s : buffer)
        peak = std::max(peak, std::abs(int(s)));
    c->m_level = float(peak) / 32768.0f;
    const std::lock_guard lock(c->m_mutex);
    const size_t room = size_t(kMaxSeconds) * kRate - std::min(c->m_samples.size(), size_t(kMaxSeconds) * kRate);
    c->m_samples.insert(c->m_samples.end(), buffer.begin(), buffer.begin() + std::ptrdiff_t(std::min(room, buffer.size())));
}

std::vector<std::int16_t> Capture::samples() const
{
    const std::lock_guard lock(m_mutex);
    return m_samples;
}

double Capture::seconds() const
{
    const std::lock_guard lock(m_mutex);
    return double(m_samples.size()) / kRate;
}
