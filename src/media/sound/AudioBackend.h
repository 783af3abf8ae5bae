#pragma once
#include <QEvent>
#include <QObject>
#include <QString>
#include <functional>

class QWidget;

// Status of a sound-ended notice.
enum class SoundStatus { Successful, Superseded, Aborted, Failure };

// The sound-ended notice: posted to the window that owns the player, handled on the UI thread.
class SoundEndedEvent : public QEvent
{
public:
    SoundEndedEvent(int channel, SoundStatus status);
    static QEvent::Type eventType();
    int channel() const { return m_channel; }
    SoundStatus status() const { return m_status; }

private:
    int m_channel;
    SoundStatus m_status;
};

// Posts a notice to `owner` (thread-safe; a null owner drops it).
void postSoundEnded(QObject* owner, int channel, SoundStatus status);

// Lets a window receive its sound-ended notices as a call, without overriding event():
//   onSoundEnded(this, [this](int channel, SoundStatus status) { ... });
// The filter is a child of the owner and dies with it.
class SoundNoticeFilter : public QObject
{
public:
    using Handler = std::function<void(int channel, SoundStatus status)>;
    SoundNoticeFilter(QObject* owner, Handler handler);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QObject* m_owner;
    Handler m_handler;
};
SoundNoticeFilter* onSoundEnded(QObject* owner, SoundNoticeFilter::Handler handler);

// What the sound player needs from the audio system. Channel numbers are the backend's; the SDL
// backend never reuses one, so a late notice can never be taken for a newer sound.
class AudioBackend
{
public:
    virtual ~AudioBackend() = default;

    // Opens a wave file; the channel number, or -1 when it cannot be opened.
    virtual int open(const QString& file) = 0;
    // Starts an opened channel; its end is posted to `owner` as a sound-ended notice.
    virtual bool play(int channel, QObject* owner) = 0;
    // Cuts the sound off at once and releases the channel. The SDL backend sends no notice for it;
    // the player copes with a late one either way.
    virtual void stop(int channel) = 0;
    // Releases a channel; no notice follows. False when the backend refuses.
    virtual bool close(int channel) = 0;
    // Releases every channel of the program at once; no notices follow.
    virtual bool closeAll() = 0;

    // One-shot sounds on their own channel, outside any player queue.
    // Without interruptOthers a one-shot sound that still plays is kept and the new one dropped.
    virtual bool playOneShot(const QString& file, bool wait, bool interruptOthers) = 0;
    virtual bool playLoop(const QString& file) = 0;
    virtual void stopOneShots() = 0;
    // The computer's beep: a short tone on the one-shot channel (X11 bells are often silent).
    virtual void beep() = 0;
    // The sound output in use as users know it ("PulseAudio", "ALSA"); empty when no output could
    // be opened and sounds play silently.
    virtual QString outputName() const = 0;
};

namespace audio {
// What a wave file holds, judged from its header alone: a file that is not a complete RIFF WAVE is
// Invalid; one whose data chunk holds no samples (the pause "0000.wav") is Silent: it plays in no
// time and ends like any other sound, so a chain goes on behind it.
enum class WaveKind { Invalid, Silent, Playable };
WaveKind inspectWave(const QByteArray& bytes);
// How long a wave file plays, from its header (data bytes by bytes per second); 0 when unknown.
int waveDurationMs(const QByteArray& bytes);

// The installed backend; the SDL backend is created on first use.
AudioBackend& backend();
// Installs a backend (not owned; nullptr returns to the SDL backend); returns the previous one.
AudioBackend* install(AudioBackend* b);
// Releases the SDL backend (program end).
void shutdown();
// Opens the sound output when not yet done; true when sounds can be heard. Tells the user once a
// run, in German, when no output could be opened.
bool checkOutput(QWidget* parent);
// "Tonausgabe: PulseAudio", or the word that there is none.
QString outputDescription();
}
