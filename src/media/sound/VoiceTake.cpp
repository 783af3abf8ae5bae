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

std::optional<std::vector<std::int16_t>> Prepare(const std::vector<std::int16_t>& raw)
{
    const int loud = int(kSilence * 32767.0);
    auto isLoud = [&](std::int16_t s) { return std::abs(int(s)) >= loud; };
    const auto first = std::find_if(raw.begin(), raw.end(), isLoud);
    if (first == raw.end())
        return std::nullopt;
    const auto last = std::find_if(raw.rbegin(), raw.rend(), isLoud).base() - 1;
    const std::ptrdiff_t fade = kRate * kFadeMs / 1000;
    const std::ptrdiff_t begin = std::max<std::ptrdiff_t>(0, (first - raw.begin()) - fade);
    const std::ptrdiff_t end = std::min<std::ptrdiff_t>(std::ptrdiff_t(raw.size()), (last - raw.begin()) + 1 + fade);
    const std::ptrdiff_t loudBegin = first - raw.begin(), loudEnd = (last - raw.begin()) + 1;

    int peak = 1;
    for (std::ptrdiff_t i = loudBegin; i < loudEnd; ++i)
        peak = std::max(peak, std::abs(int(raw[size_t(i)])));
    const double gain = kPeak * 32767.0 / peak;

    std::vector<std::int16_t> out;
    out.reserve(size_t(end - begin));
    for (std::ptrdiff_t i = begin; i < end; ++i) {
        double f = 1.0;
        if (i < loudBegin)
            f = double(i - begin) / double(loudBegin - begin);
        else if (i >= loudEnd)
            f = double(end - 1 - i) / double(end - loudEnd);
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
