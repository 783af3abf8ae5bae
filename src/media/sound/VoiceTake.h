#pragma once
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QWidget;

// A recorded word made ready to keep: the silence before and after it cut away (a short fade kept),
// brought to one fixed peak, and written as the WAV files the program plays (16-bit PCM, mono,
// 22,050 Hz).
namespace voice {

constexpr int kRate = 22050;
constexpr double kSilence = 0.03;  // of full scale: quieter samples count as silence
constexpr double kPeak = 0.9;      // of full scale: the peak of every kept recording
constexpr int kFadeMs = 30;        // kept before the first and after the last loud sample, faded

// The take trimmed, faded and normalised; nothing when it holds only silence.
std::optional<std::vector<std::int16_t>> Prepare(const std::vector<std::int16_t>& raw);
// A RIFF WAVE file of the samples.
QByteArray WaveBytes(const std::vector<std::int16_t>& samples);

enum class Saved { Written, Declined, Failed };
// Writes the take to `path`: an existing file is replaced only after "Ja"; a failed write keeps
// the old file and is told.
Saved SaveTake(QWidget* parent, const QString& path, const std::vector<std::int16_t>& samples);

} // namespace voice
