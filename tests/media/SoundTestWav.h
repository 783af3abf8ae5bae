#pragma once
#include <QByteArray>
#include <QtEndian>
#include <cmath>
#include <vector>

// Small wave files made in the tests.
namespace testwav {

// PCM samples (interleaved when channels > 1) as a RIFF/WAVE file; 8-bit samples are given in the
// 16-bit range and stored unsigned.
inline QByteArray pcm(int rate, int channels, int bits, const std::vector<qint16>& samples)
{
    QByteArray data;
    for (qint16 s : samples) {
        if (bits == 8) {
            data.append(char(quint8((s >> 8) + 128)));
        } else {
            char b[2];
            qToLittleEndian<qint16>(s, b);
            data.append(b, 2);
        }
    }
    auto u32 = [](quint32 v) { char b[4]; qToLittleEndian<quint32>(v, b); return QByteArray(b, 4); };
    auto u16 = [](quint16 v) { char b[2]; qToLittleEndian<quint16>(v, b); return QByteArray(b, 2); };
    const int block = channels * bits / 8;
    QByteArray w = "RIFF" + u32(quint32(36 + data.size())) + "WAVE";
    w += "fmt " + u32(16) + u16(1) + u16(quint16(channels)) + u32(quint32(rate)) + u32(quint32(rate * block)) +
         u16(quint16(block)) + u16(quint16(bits));
    w += "data" + u32(quint32(data.size())) + data;
    return w;
}

inline std::vector<qint16> tone(int rate, int ms, double hz, int amplitude)
{
    std::vector<qint16> s(size_t(rate) * size_t(ms) / 1000);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = qint16(std::lround(amplitude * std::sin(2 * M_PI * hz * double(i) / rate)));
    return s;
}

inline std::vector<qint16> level(int rate, int ms, qint16 value)
{
    return std::vector<qint16>(size_t(rate) * size_t(ms) / 1000, value);
}

inline QByteArray monoTone(int ms = 50, double hz = 440, int amplitude = 8000, int rate = 22050)
{
    return pcm(rate, 1, 16, tone(rate, ms, hz, amplitude));
}

}
