#include "media/metafile/Dib.h"
#include "media/metafile/Metafile.h"
#include "media/metafile/MetafilePlayer.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>
#include <algorithm>

namespace metafile::detail {

namespace {

// BITMAPV5HEADER is the longest header Windows defines.
constexpr quint32 kLongestHeader = 124;

// A 1-bit bitmap packs eight pixels into a byte; no uncompressed bitmap is denser.
constexpr qint64 kPixelsPerDataByte = 8;

} // namespace

qint64 dibHeaderSize(const uchar* bmi, qint64 available)
{
    if (!bmi || available < 12)
        return -1;
    const quint32 hs = qFromLittleEndian<quint32>(bmi);
    if (hs == 12) {
        const int bpp = qFromLittleEndian<quint16>(bmi + 10);
        const qint64 colours = bpp <= 8 ? (1ll << bpp) : 0;
        return 12 + colours * 3;
    }
    if (hs < 40 || hs > kLongestHeader || hs > available)
        return -1;
    const int bpp = qFromLittleEndian<quint16>(bmi + 14);
    const quint32 compression = qFromLittleEndian<quint32>(bmi + 16);
    const quint32 used = qFromLittleEndian<quint32>(bmi + 32);
    qint64 colours = 0;
    if (bpp <= 8)
        colours = used ? std::min<qint64>(used, 1ll << bpp) : (1ll << bpp);
    else
        colours = std::min<quint32>(used, 256);
    const qint64 masks = (hs == 40 && (compression == 3 || compression == 6)) ? (compression == 6 ? 16 : 12) : 0;
    return hs + masks + colours * 4;
}

qint64 bitmapPixelLimit(qint64 dataBytes, qint64 targetPixels)
{
    const qint64 dense = std::clamp<qint64>(dataBytes, 0, kMaxFileBytes) * kPixelsPerDataByte;
    return std::min(kMaxBitmapPixels, std::max(dense, std::clamp<qint64>(targetPixels, 0, kMaxBitmapPixels)));
}

QImage decodeDib(const uchar* bmi, qint64 cbBmi, const uchar* bits, qint64 cbBits, qint64 maxPixels, bool keepAlpha)
{
    if (!bmi || !bits || cbBmi < 12 || cbBmi > kMaxFileBytes || cbBits < 0 || cbBits > kMaxFileBytes)
        return QImage();
    const qint64 headerSize = dibHeaderSize(bmi, cbBmi);
    if (headerSize <= 0)
        return QImage();
    const quint32 hs = qFromLittleEndian<quint32>(bmi);
    qint64 w, h;
    int bpp;
    quint32 compression = 0;
    if (hs == 12) {
        w = qFromLittleEndian<quint16>(bmi + 4);
        h = qFromLittleEndian<quint16>(bmi + 6);
        bpp = qFromLittleEndian<quint16>(bmi + 10);
    } else {
        w = qFromLittleEndian<qint32>(bmi + 4);
        h = qFromLittleEndian<qint32>(bmi + 8);
        bpp = qFromLittleEndian<quint16>(bmi + 14);
        compression = qFromLittleEndian<quint32>(bmi + 16);
    }
    const qint64 ah = std::abs(h);
    if (w <= 0 || ah == 0 || w > 65535 || ah > 65535 || w * ah > std::min(maxPixels, kMaxBitmapPixels))
        return QImage();
    if (compression == 4 || compression == 5) {  // embedded JPEG / PNG: its own size counts
        QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bits), qsizetype(cbBits));
        QBuffer buf(&data);
        buf.open(QIODevice::ReadOnly);
        QImageReader reader(&buf);
        const QSize size = reader.size();
        if (!size.isValid() || qint64(size.width()) * size.height() > std::min(maxPixels, kMaxBitmapPixels))
            return QImage();
        noteAllocation(qint64(size.width()) * size.height() * 4);
        return reader.read();
    }
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return QImage();
    const qint64 stride = ((w * bpp + 31) / 32) * 4;
    const bool packed = compression == 0 || compression == 3 || compression == 6;
    const qint64 need = packed ? stride * ah : cbBits;
    noteAllocation(w * ah * 4);

    if (keepAlpha && bpp == 32 && compression == 0) {
        // 32-bit pixels with their own alpha (AlphaBlend): premultiplied BGRA.
        if (cbBits < need)
            return QImage();
        QImage img(int(w), int(ah), QImage::Format_ARGB32_Premultiplied);
        for (qint64 y = 0; y < ah; ++y) {
            const uchar* row = bits + (h > 0 ? (ah - 1 - y) : y) * stride;
            auto* out = reinterpret_cast<quint32*>(img.scanLine(int(y)));
            for (qint64 x = 0; x < w; ++x) {
                const uchar* px = row + x * 4;
                const int a = px[3];
                out[x] = qRgba(std::min<int>(px[2], a), std::min<int>(px[1], a), std::min<int>(px[0], a), a);
            }
        }
        return img;
    }

    // Let Qt's BMP reader do the decoding: a file header in front of the packed DIB. Short pixel
    // data and a short colour table are padded with zeros, never read past.
    const qint64 header = std::min(cbBmi, headerSize);
    const qint64 fileSize = 14 + headerSize + need;
    noteAllocation(fileSize);
    QByteArray file;
    file.reserve(qsizetype(fileSize));
    file.append("BM", 2);
    auto put32 = [&](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        file.append(b, 4);
    };
    put32(quint32(fileSize));
    put32(0);
    put32(quint32(14 + headerSize));
    file.append(reinterpret_cast<const char*>(bmi), qsizetype(header));
    file.append(qsizetype(headerSize - header), '\0');
    file.append(reinterpret_cast<const char*>(bits), qsizetype(std::min(cbBits, need)));
    file.append(qsizetype(need - std::min(cbBits, need)), '\0');
    QBuffer buf(&file);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf, "bmp");
    return reader.read();
}

} // namespace metafile::detail
