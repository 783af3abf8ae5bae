#pragma once
#include "media/sound/AudioBackend.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <memory>

// The backend of the tests: records every open, play, stop and close, and sends a notice only when
// the test ends a channel; as on the real backend, a wave file without samples ends by itself as
// soon as the event loop runs (or the test ends the next channel). Installs itself for its lifetime.
//   TestAudioBackend audio;
//   ... player.Play(...) ...
//   audio.end(audio.playingChannels().front());   // the owner gets its notice now
class TestAudioBackend : public AudioBackend
{
public:
    TestAudioBackend();
    ~TestAudioBackend() override;

    int open(const QString& file) override;
    bool play(int channel, QObject* owner) override;
    void stop(int channel) override;
    bool close(int channel) override;
    bool closeAll() override;
    bool playOneShot(const QString& file, bool wait, bool interruptOthers) override;
    bool playLoop(const QString& file) override;
    void stopOneShots() override;
    void beep() override { m_log << QStringLiteral("beep"); }
    QString outputName() const override { return m_outputName; }
    // As a computer without any sound output: sounds are taken and nothing is heard.
    void setOutputName(const QString& name) { m_outputName = name; }

    // What happened, one line per call: "open <file>", "play <channel>", "stop <channel>",
    // "close <channel>", "closeAll", "oneshot <file>", "loop <file>", "stopOneShots", "beep".
    const QStringList& log() const { return m_log; }
    void clearLog() { m_log.clear(); m_started.clear(); }
    // Files in the order they started playing.
    const QStringList& started() const { return m_started; }
    // Channels playing now (started, not ended, stopped or closed), oldest first.
    QList<int> playingChannels() const { return m_playing; }
    QString fileOf(int channel) const { return m_files.value(channel); }
    QString oneShotPlaying() const { return m_oneShot; }
    void endOneShot() { m_oneShot.clear(); }

    // Ends a playing channel: the owner receives the notice before this returns. False when the
    // channel is not playing.
    bool end(int channel, SoundStatus status = SoundStatus::Successful);
    // Ends the oldest playing channel; its file, or empty when nothing plays.
    QString endNext(SoundStatus status = SoundStatus::Successful);
    // Delivers the ends of started sounds without samples that are still due.
    void settleSilent();
    // Sends a notice for any channel (a late notice of a stopped sound, say).
    void notify(QObject* owner, int channel, SoundStatus status);

    // Opens of files whose name contains the text fail; closing the channel is refused.
    void failOpen(const QString& nameContains) { m_failOpen << nameContains; }
    void refuseClose(int channel) { m_refuseClose.insert(channel); }
    void failPlay(bool fail) { m_failPlay = fail; }
    bool isOpen(int channel) const { return m_files.contains(channel); }

private:
    AudioBackend* m_previous = nullptr;
    int m_next = 1;
    QHash<int, QString> m_files;
    QHash<int, QPointer<QObject>> m_owners;
    QList<int> m_playing;
    QStringList m_log, m_started, m_failOpen;
    QSet<int> m_refuseClose;
    bool m_failPlay = false;
    QList<int> m_silentDue;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    QString m_oneShot;
    QString m_outputName = QStringLiteral("Test");
};
