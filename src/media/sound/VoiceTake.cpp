#include "media/sound/VoiceTake.h"

#include "core/Dialogs.h"
#include "core/FileProblems.h"
#include "core/FileSystem.h"
#include "core/Overlay.h"

#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace voice {

namespace {
// Mean power of a range of samples, in dB of full scale; digital silence counts as one step.
double powerDb(double meanSquare) { return 10.0 * std::log10(std::max(meanSquare, 1.0) / (32767.0 * 32767.0)); }
bool zerosSeen(const std::vector<double>& power)
{
    return std::any_of(power.begin(), power.end(), [](double p) { return p < 1.0; });
}
} // namespace

std::optional<WordSpan> FindWord(const std::vector<std::int16_t>& raw)
{
    const size_t frames = raw.size() / kFrameSamples;
    if (frames == 0)
        return std::nullopt;
    std::vector<double> power(frames);  // mean square per frame
    for (size_t f = 0; f < frames; ++f) {
        double sum = 0;
        for (size_t i = f * kFrameSamples; i < (f + 1) * kFrameSamples; ++i)
            sum += double(raw[i]) * double(raw[i]);
        power[f] = sum / kFrameSamples;
    }
    // The floor: the quietest 100 ms that hold no digital silence (a device may deliver zeros before
    // its first real samples; they say nothing about the room).
    const size_t window = std::min(frames, size_t(std::max(1, kFloorMs * kRate / 1000 / kFrameSamples)));
    double floorPower = -1;
    double windowSum = 0;
    size_t zeros = 0;  // frames of digital silence in the window
    for (size_t f = 0; f < frames; ++f) {
        windowSum += power[f];
        zeros += power[f] < 1.0;
        if (f >= window) {
            windowSum -= power[f - window];
            zeros -= power[f - window] < 1.0;
        }
        if (f + 1 >= window && zeros == 0 && (floorPower < 0 || windowSum < floorPower))
            floorPower = windowSum;
    }
    const double peakDb = powerDb(*std::max_element(power.begin(), power.end()));
    // Where every quiet part is digital silence, the word itself is the quietest sound part: the
    // floor is then the silence.
    double floorDb = floorPower < 0 ? powerDb(0) : powerDb(floorPower / double(window));
    if (floorDb > peakDb - kAboveFloorDb && zerosSeen(power))
        floorDb = powerDb(0);
    if (peakDb < kSilentDbfs || peakDb < floorDb + kAboveFloorDb)
        return std::nullopt;
    const double threshold =
        std::max(std::min(floorDb + kAboveFloorDb, peakDb - kBelowPeakDb), floorDb + kMarginDb);
    auto loud = [&](double p) { return powerDb(p) > threshold; };
    const auto first = std::find_if(power.begin(), power.end(), loud);
    const auto last = std::find_if(power.rbegin(), power.rend(), loud).base();
    return WordSpan{std::ptrdiff_t(first - power.begin()) * kFrameSamples,
                    std::ptrdiff_t(last - power.begin()) * kFrameSamples};
}

std::optional<std::vector<std::int16_t>> Prepare(const std::vector<std::int16_t>& raw)
{
    const auto word = FindWord(raw);
    if (!word)
        return std::nullopt;
    const std::ptrdiff_t begin = std::max<std::ptrdiff_t>(0, word->begin - std::ptrdiff_t(kRate) * kLeadMs / 1000);
    const std::ptrdiff_t end =
        std::min<std::ptrdiff_t>(std::ptrdiff_t(raw.size()), word->end + std::ptrdiff_t(kRate) * kTailMs / 1000);
    const std::ptrdiff_t fade = std::ptrdiff_t(kRate) * kFadeMs / 1000;

    int peak = 1;
    for (std::ptrdiff_t i = word->begin; i < word->end; ++i)
        peak = std::max(peak, std::abs(int(raw[size_t(i)])));
    const double gain = kPeak * 32767.0 / peak;

    std::vector<std::int16_t> out;
    out.reserve(size_t(end - begin));
    for (std::ptrdiff_t i = begin; i < end; ++i) {
        double f = 1.0;
        if (i - begin < fade)
            f = double(i - begin) / double(fade);
        else if (end - 1 - i < fade)
            f = double(end - 1 - i) / double(fade);
        const double v = std::round(raw[size_t(i)] * gain * f);
        out.push_back(std::int16_t(std::clamp(v, -32768.0, 32767.0)));
    }
    return out;
}

QByteArray WaveBytes(const std::vector<std::int16_t>& samples)
{
    const quint32 dataBytes = quint32(samples.size() * 2);
    QByteArray b;
    b.reserve(int(44 + dataBytes));
    auto u32 = [&](quint32 v) { v = qToLittleEndian(v); b.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](quint16 v) { v = qToLittleEndian(v); b.append(reinterpret_cast<const char*>(&v), 2); };
    b.append("RIFF");
    u32(36 + dataBytes);
    b.append("WAVEfmt ");
    u32(16);
    u16(1);           // PCM
    u16(1);           // mono
    u32(kRate);
    u32(kRate * 2);   // bytes per second
    u16(2);           // block align
    u16(16);          // bits per sample
    b.append("data");
    u32(dataBytes);
    for (const std::int16_t s : samples)
        u16(quint16(s));
    return b;
}

Saved SaveTake(QWidget* parent, const QString& name, const std::vector<std::int16_t>& samples)
{
    if (fsys::fileExists(name) &&
        dialogs::ask(parent, QStringLiteral("Die Datei \"") + fsys::fileName(name) +
                                 QStringLiteral("\" gibt es schon. Soll sie durch die Aufnahme ersetzt werden?")) !=
            dialogs::Button::Yes)
        return Saved::Declined;
    // Material of a write-protected installation goes into its writable overlay, same name.
    const QString path = overlay::writablePath(name);
    errno = 0;
    if (!fsys::writeFileAtomic(path, WaveBytes(samples))) {
        fileproblems::reportNotSaved(parent, path, errno);
        return Saved::Failed;
    }
    return Saved::Written;
}

} // namespace voice
