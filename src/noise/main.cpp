// noise: plays a soft, continuous background noise until its window is closed or the process is
// ended (SIGTERM counts as closing the window). "--hidden" runs it without showing the window.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <SDL.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>

namespace {
std::atomic<bool> g_closeRequested{false};

void onTerminate(int) { g_closeRequested.store(true); }

// Brown noise (integrated white noise with a slight leak): soft and even, like a room full of
// quiet voices, without the hiss of white noise. Faded in so it never starts with a click.
struct NoiseState {
    std::uint32_t seed = 0x12345678u;
    float level = 0.0f;
    float fade = 0.0f;
    float fadeStep = 0.0f;
};

float white(NoiseState& s)
{
    s.seed = s.seed * 1664525u + 1013904223u;
    return float(std::int32_t(s.seed)) / 2147483648.0f;
}

void fill(void* userdata, Uint8* stream, int len)
{
    auto* s = static_cast<NoiseState*>(userdata);
    auto* out = reinterpret_cast<Sint16*>(stream);
    const int samples = len / int(sizeof(Sint16));
    for (int i = 0; i < samples; ++i) {
        s->level = 0.995f * s->level + 0.03f * white(*s);
        if (s->fade < 1.0f)
            s->fade = std::min(1.0f, s->fade + s->fadeStep);
        const float v = s->level * s->fade * 0.35f;  // well below full scale
        out[i] = Sint16(std::clamp(v, -1.0f, 1.0f) * 32767.0f);
    }
}
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const bool hidden = app.arguments().contains(QStringLiteral("--hidden"));
    std::signal(SIGTERM, onTerminate);
    std::signal(SIGINT, onTerminate);

    NoiseState state;
    SDL_AudioDeviceID device = 0;
    if (SDL_Init(SDL_INIT_AUDIO) == 0) {
        SDL_AudioSpec want{};
        want.freq = 44100;
        want.format = AUDIO_S16SYS;
        want.channels = 1;
        want.samples = 2048;
        want.callback = fill;
        want.userdata = &state;
        state.fadeStep = 1.0f / float(want.freq);  // one second
        device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (device)
            SDL_PauseAudioDevice(device, 0);
    }
    if (!device)
        std::fprintf(stderr, "noise: no audio device: %s\n", SDL_GetError());

    QWidget window;
    window.setWindowTitle(QStringLiteral("noise"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Hintergrundgeräusch läuft.\nZum Beenden das Fenster schließen.")));
    window.resize(280, 90);
    if (!hidden)
        window.show();

    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (g_closeRequested.load())
            app.quit();
    });
    watch.start(50);
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);

    const int rc = app.exec();
    if (device)
        SDL_CloseAudioDevice(device);
    SDL_Quit();
    return rc;
}
