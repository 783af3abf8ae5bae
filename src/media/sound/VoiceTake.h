#pragma once
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class QWidget;

// A recorded word made ready to keep: the silence before and after it cut away (a short fade kept),
// brought to one fixed peak, and written as the WAV files the program plays (16-bit PCM, mono,
// 22,050 Hz).
namespace voice {

constexpr int kRate = 22050;
constexpr double kPeak = 0.9;       // of full scale: the peak of every kept recording
// The word is told from the room by levels relative to the take itself, so a quiet speaker keeps
// the soft ends of words (s, f, sch, t, k) as a loud one does.
constexpr int kFrameSamples = 220;  // the level is measured per 10 ms
constexpr int kFloorMs = 100;       // the noise floor: the quietest 100 ms of the take
constexpr double kAboveFloorDb = 10.0;
constexpr double kBelowPeakDb = 40.0;
constexpr double kMarginDb = 6.0;   // the threshold never sinks into the noise floor itself
constexpr double kSilentDbfs = -60.0;  // a take whose loudest 10 ms stay below is silence
constexpr int kLeadMs = 100;        // kept before the first frame of the word
constexpr int kTailMs = 150;        // kept after the last one
constexpr int kFadeMs = 30;         // the outer part of both margins is faded

// Where the word lies in a take: the first and one past the last sample of its frames.
struct WordSpan {
    std::ptrdiff_t begin = 0, end = 0;
};
// The frames louder than the lower of noise floor + 10 dB and peak - 40 dB (but at least 6 dB
// over the floor); nothing when no frame stands out of the noise.
std::optional<WordSpan> FindWord(const std::vector<std::int16_t>& raw);

// The take trimmed (100 ms kept before the word, 150 ms after it, the outer 30 ms of each faded)
// and normalised; nothing when it holds only silence.
std::optional<std::vector<std::int16_t>> Prepare(const std::vector<std::int16_t>& raw);
// A RIFF WAVE file of the samples.
QByteArray WaveBytes(const std::vector<std::int16_t>& samples);

enum class Saved { Written, Declined, Failed };
// Writes the take to `path`: an existing file is replaced only after "Ja"; a failed write keeps
// the old file and is told.
Saved SaveTake(QWidget* parent, const QString& path, const std::vector<std::int16_t>& samples);

} // namespace voice
