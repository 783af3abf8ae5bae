#pragma once
#include <QString>
#include <SDL.h>
#include <SDL_mixer.h>

// SDL2 and SDL2_mixer are loaded when the first sound is played, not at program start: the
// mixer's codec libraries would otherwise double the time the program needs to show its window.
namespace sdlapi {

#define KALIMO_SDL_FUNCTIONS(X)                                                                    \
    X(SDL_GetError) X(SDL_InitSubSystem) X(SDL_QuitSubSystem) X(SDL_SetHint) X(SDL_SetHintWithPriority) \
    X(SDL_ResetHint) X(SDL_RWFromConstMem) X(SDL_GetCurrentAudioDriver) X(Mix_OpenAudioDevice)       \
    X(Mix_CloseAudio) X(Mix_AllocateChannels) X(Mix_ReserveChannels) X(Mix_ChannelFinished)         \
    X(Mix_SetPostMix) X(Mix_LoadWAV_RW) X(Mix_QuickLoad_RAW) X(Mix_FreeChunk) X(Mix_PlayChannel)    \
    X(Mix_HaltChannel) X(Mix_Playing) X(SDL_OpenAudioDevice) X(SDL_CloseAudioDevice) X(SDL_PauseAudioDevice)

struct Functions {
#define KALIMO_SDL_MEMBER(name) decltype(&::name) name = nullptr;
    KALIMO_SDL_FUNCTIONS(KALIMO_SDL_MEMBER)
#undef KALIMO_SDL_MEMBER
};

// Loads the libraries once; false (with loadError()) when they or a function are missing.
bool load();
QString loadError();
// The resolved functions; valid only after load() returned true.
const Functions& fn();

} // namespace sdlapi
