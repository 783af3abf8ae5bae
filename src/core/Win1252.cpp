#include "core/Win1252.h"

#include <array>

namespace {
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Byte -> UTF-16 unit for every byte value, so decoding is one lookup per byte.
constexpr std::array<char16_t, 256> kTable = [] {
    std::array<char16_t, 256> t{};
    for (int b = 0; b < 256; ++b)
        t[size_t(b)] = (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : char16_t(b);
    return t;
}();
}

namespace win1252 {

QString decode(const char* data, qsizetype size)
{
    QString out(size, Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    const auto* src = reinterpret_cast<const unsigned char*>(data);
    for (qsizetype i = 0; i < size; ++i)
        dst[i] = kTable[src[i]];
    return out;
}

QString decode(const QByteArray& bytes) { return decode(bytes.constData(), bytes.size()); }

char encodeChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<char>(u);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u)
            return static_cast<char>(0x80 + i);
    return '?';
}

QByteArray encode(const QString& text)
{
    QByteArray out;
    out.resize(text.size());
    char* dst = out.data();
    const QChar* src = text.constData();
    for (qsizetype i = 0; i < text.size(); ++i)
        dst[i] = encodeChar(src[i]);
    return out;
}

} // namespace win1252
