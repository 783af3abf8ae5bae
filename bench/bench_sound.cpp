// Sound latency on SDL's disk driver, which mixes in real time and records the mix: the delay from
// TWAV::Play to the moment the first non-silent frame is mixed, and the extra silence where one sound of a chain
// hands over to the next. Both are reported beside the floor of one mixer buffer; the target is at
// most two buffers each (ratio_to_buffer <= 2).
#include "core/FileSystem.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/SdlAudioBackend.h"
#include "media/sound/TWAV.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtEndian>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>

namespace {

QByteArray toneWave(int rate, int ms, double hz, int amplitude)
{
    QByteArray data;
    const int n = rate * ms / 1000;
    for (int i = 0; i < n; ++i) {
        char b[2];
        qToLittleEndian<qint16>(qint16(std::lround(amplitude * std::sin(2 * M_PI * hz * i / rate))), b);
        data.append(b, 2);
    }
    auto u32 = [](quint32 v) { char b[4]; qToLittleEndian<quint32>(v, b); return QByteArray(b, 4); };
    auto u16 = [](quint16 v) { char b[2]; qToLittleEndian<quint16>(v, b); return QByteArray(b, 2); };
    return "RIFF" + u32(quint32(36 + data.size())) + "WAVE" + "fmt " + u32(16) + u16(1) + u16(1) +
           u32(quint32(rate)) + u32(quint32(rate * 2)) + u16(2) + u16(16) + "data" + u32(quint32(data.size())) +
           data;
}

struct Bench {
    QTemporaryDir dir;
    QString tone1, tone2, recording;
    Bench()
    {
        tone1 = dir.filePath("t1.wav");
        tone2 = dir.filePath("t2.wav");
        recording = dir.filePath("mix.raw");
        fsys::writeFileAtomic(tone1, toneWave(44100, 60, 440, 8000));
        fsys::writeFileAtomic(tone2, toneWave(44100, 60, 660, 16000));
    }
    SdlAudioBackend::Options disk() const
    {
        SdlAudioBackend::Options o;
        o.driver = QStringLiteral("disk");
        o.diskFile = recording;
        return o;
    }
};

void pump(int ms, const std::function<bool()>& done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
}

void BM_SoundStartDelay(benchmark::State& state)
{
    Bench b;
    SdlAudioBackend backend(b.disk());
    AudioBackend* previous = audio::install(&backend);
    if (!backend.isOpen()) {
        state.SkipWithError("no disk audio driver");
        audio::install(previous);
        return;
    }
    QObject window;
    bool ended = false;
    onSoundEnded(&window, [&](int, SoundStatus) { ended = true; });
    TWAV player(&window);
    pump(100, [] { return false; });  // let the device settle
    double frames = 0;
    int n = 0;
    for (auto _ : state) {
        ended = false;
        backend.watchForSound();
        const qint64 before = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                  std::chrono::steady_clock::now().time_since_epoch()).count();
        player.Play(b.tone1, false, false, false);
        pump(2000, [&] { return backend.firstSoundFrame() >= 0; });
        if (backend.firstSoundFrame() < 0) {
            state.SkipWithError("the sound was never mixed");
            break;
        }
        // Wall-clock delay until the first sample is mixed (the disk driver writes it at once).
        const double seconds = double(backend.firstSoundTimeNs() - before) / 1e9;
        state.SetIterationTime(seconds);
        frames += seconds * backend.frequency();
        ++n;
        pump(2000, [&] { return ended; });
        player.CloseAll();
    }
    const double bufferMs = backend.bufferFrames() * 1000.0 / backend.frequency();
    state.counters["buffer_ms"] = bufferMs;
    state.counters["delay_ms"] = n ? frames / n * 1000.0 / backend.frequency() : 0;
    state.counters["ratio_to_buffer"] = n ? frames / n / backend.bufferFrames() : 0;
    audio::install(previous);
}
BENCHMARK(BM_SoundStartDelay)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// Frames of exact silence between the end of the first tone and the start of the second.
qint64 jointSilence(const QByteArray& pcm)
{
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    const qint64 frames = pcm.size() / 4;
    qint64 i = 0;
    while (i < frames && s[2 * i] == 0)
        ++i;
    // Inside a tone exact zeros last one or two frames; the joint is the first long zero run.
    while (i < frames) {
        qint64 z = 0;
        while (i + z < frames && s[2 * (i + z)] == 0 && s[2 * (i + z) + 1] == 0)
            ++z;
        if (z >= 8)
            return i + z < frames ? z : -1;
        i += z + 1;
    }
    return -1;
}

void BM_SoundChainJoint(benchmark::State& state)
{
    Bench b;
    double frames = 0;
    int n = 0, bufferFrames = 512, rate = 44100;
    for (auto _ : state) {
        qint64 joint = -1;
        {
            SdlAudioBackend backend(b.disk());
            AudioBackend* previous = audio::install(&backend);
            bufferFrames = backend.bufferFrames();
            rate = backend.frequency();
            QObject window;
            bool over = false;
            TWAV player(&window);
            onSoundEnded(&window, [&](int channel, SoundStatus status) {
                over = status == SoundStatus::Failure ? !player.SkipToNext() : player.SoundEnded(channel) == 0;
            });
            player.Play(b.tone1, true, false, true);
            player.Play(b.tone2, true, false, true);
            pump(3000, [&] { return over; });
            pump(30, [] { return false; });
            audio::install(previous);
        }
        QFile f(b.recording);
        if (f.open(QIODevice::ReadOnly))
            joint = jointSilence(f.readAll());
        if (joint < 0) {
            state.SkipWithError("no joint found in the recording");
            return;
        }
        state.SetIterationTime(double(joint) / rate);
        frames += double(joint);
        ++n;
    }
    state.counters["buffer_ms"] = bufferFrames * 1000.0 / rate;
    state.counters["joint_ms"] = n ? frames / n * 1000.0 / rate : 0;
    state.counters["ratio_to_buffer"] = n ? frames / n / bufferFrames : 0;
}
BENCHMARK(BM_SoundChainJoint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}
