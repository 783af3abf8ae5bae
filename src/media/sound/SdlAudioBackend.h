#pragma once
#include "media/sound/AudioBackend.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <mutex>
#include <vector>

struct Mix_Chunk;

// The real backend on SDL2 + SDL2_mixer. One mixer channel per opened sound; mixer channel 0 is
// reserved for the one-shot sounds. The channel-finished callback runs on the audio thread and
// only posts an event; the notice reaches the owner on the UI thread.
class SdlAudioBackend : public AudioBackend
{
public:
    struct Options {
        // empty: SDL_AUDIODRIVER when set, else PipeWire, PulseAudio and ALSA in turn; the silent
        // "dummy" driver when none opens
        QString driver;
        QString diskFile;        // output file of SDL's "disk" driver
        int frequency = 44100;
        int bufferFrames = 512;  // one mixer buffer; the floor of every start delay
    };
    SdlAudioBackend();
    explicit SdlAudioBackend(const Options& options);
    ~SdlAudioBackend() override;

    int open(const QString& file) override;
    bool play(int channel, QObject* owner) override;
    void stop(int channel) override;
    bool close(int channel) override;
    bool closeAll() override;
    bool playOneShot(const QString& file, bool wait, bool interruptOthers) override;
    bool playLoop(const QString& file) override;
    void stopOneShots() override;
    void beep() override;
    QString outputName() const override;

    bool isOpen() const { return m_open; }
    QString driverName() const { return m_driver; }
    int frequency() const { return m_frequency; }
    int bufferFrames() const { return m_bufferFrames; }
    // Frames mixed since the device opened, and the frame index of the first non-silent frame
    // mixed after watchForSound() (-1 while none); used by the benchmarks.
    qint64 mixedFrames() const { return m_mixedFrames.load(); }
    void watchForSound();
    qint64 firstSoundFrame() const { return m_firstSoundFrame.load(); }
    // When that frame was mixed (steady clock, nanoseconds), counted from the buffer's start.
    qint64 firstSoundTimeNs() const { return m_firstSoundNs.load(); }


private:
    struct Sound {
        int mixChannel = -1;       // -1 for a sound without samples, which ends as it starts
        Mix_Chunk* chunk = nullptr;
        QPointer<QObject> owner;
    };
    class Dispatcher;

    void openDevice(const Options& options);
    // The decoded sound; nullptr when the file cannot be played, with `silent` set when it is a
    // wave file without samples.
    Mix_Chunk* load(const QString& file, bool* silent = nullptr);
    int freeMixChannel();
    void deliver(int id, SoundStatus status, QObject* owner);
    static void channelFinished(int mixChannel);
    static void postMix(void* udata, unsigned char* stream, int len);

    bool m_open = false;
    bool m_silentFallback = false;  // no output opened; the silent dummy driver keeps the timing
    QString m_driver;
    int m_frequency = 44100;
    int m_bufferFrames = 512;
    int m_mixChannels = 0;
    int m_nextId = 1;
    QHash<int, Sound> m_sounds;        // UI thread only
    std::mutex m_mutex;                // guards m_playing (audio thread reads it)
    std::vector<int> m_playing;        // mixer channel -> id that is playing there, 0 when none
    std::vector<int> m_bound;          // mixer channel -> open id, 0 when free (UI thread only)
    Mix_Chunk* m_oneShot = nullptr;
    Mix_Chunk* m_beep = nullptr;
    std::vector<qint16> m_beepSamples;
    Dispatcher* m_dispatcher = nullptr;
    std::atomic<qint64> m_mixedFrames{0};
    std::atomic<qint64> m_firstSoundFrame{-1};
    std::atomic<qint64> m_firstSoundNs{0};
    std::atomic<bool> m_watching{false};
    static SdlAudioBackend* s_instance;
};
