#pragma once
#include <QImage>
#include <QtGlobal>

// Device-independent bitmaps as metafile records carry them: a header with its colour table, and
// the pixel data. Both come from the file, so nothing is allocated before the header's claims are
// checked against what the record holds.
namespace metafile::detail {

// Size of header, bit masks and colour table of a packed DIB, or -1 when the header is none we
// know or is longer than the `available` bytes. A short colour table is padded by the decoder, so
// the result may exceed `available` by at most that table.
qint64 dibHeaderSize(const uchar* bmi, qint64 available);

// The most pixels a bitmap with `dataBytes` of pixel data may decode to: as dense as a 1-bit
// bitmap, or as large as the target (compressed bitmaps of the output's size), never more than
// kMaxBitmapPixels. Decoded memory therefore follows the file's size plus the output picture.
qint64 bitmapPixelLimit(qint64 dataBytes, qint64 targetPixels);

// Decodes header (cbBmi bytes, colour table included) and bits (cbBits bytes). Bitmaps with more
// than `maxPixels` pixels are refused before anything is allocated; short pixel data is padded.
QImage decodeDib(const uchar* bmi, qint64 cbBmi, const uchar* bits, qint64 cbBits, qint64 maxPixels,
                 bool keepAlpha = false);

} // namespace metafile::detail
