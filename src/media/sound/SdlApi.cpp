#include "media/sound/SdlApi.h"

#include <QLibrary>

namespace sdlapi {
namespace {
Functions g_functions;
QString g_error;
int g_state = 0;  // 0 not tried, 1 loaded, -1 failed

bool resolveAll(QLibrary& sdl, QLibrary& mixer)
{
    auto resolve = [&](const char* name) -> QFunctionPointer {
        QFunctionPointer f = mixer.resolve(name);
        if (!f)
            f = sdl.resolve(name);
        if (!f)
            g_error = QStringLiteral("%1 is missing").arg(QLatin1String(name));
        return f;
    };
#define KALIMO_SDL_RESOLVE(name)                                                                   \
    g_functions.name = reinterpret_cast<decltype(&::name)>(resolve(#name));                        \
    if (!g_functions.name)                                                                         \
        return false;
    KALIMO_SDL_FUNCTIONS(KALIMO_SDL_RESOLVE)
#undef KALIMO_SDL_RESOLVE
    return true;
}
} // namespace

bool load()
{
    if (g_state != 0)
        return g_state > 0;
    // Kept loaded for the rest of the run: SDL's audio thread lives in these libraries.
    static QLibrary sdl(QStringLiteral("SDL2-2.0"), 0);
    static QLibrary mixer(QStringLiteral("SDL2_mixer-2.0"), 0);
    if (!sdl.load()) {
        g_error = sdl.errorString();
    } else if (!mixer.load()) {
        g_error = mixer.errorString();
    } else if (resolveAll(sdl, mixer)) {
        g_state = 1;
        return true;
    }
    g_state = -1;
    g_functions = Functions{};
    return false;
}

QString loadError() { return g_error; }

const Functions& fn() { return g_functions; }

} // namespace sdlapi
