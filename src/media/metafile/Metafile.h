#pragma once
#include <QByteArray>
#include <QRectF>
#include <QSize>
#include <QString>
#include <optional>

class QPainter;

// Our own player of Windows metafiles (WMF, placeable and plain) and enhanced metafiles (EMF)
// onto a QPainter. It keeps the state a GDI device context keeps while playing, and never trusts
// the file: every record is bounds-checked, loops are bounded by the file size, and the object
// table and bitmap sizes are capped.
namespace metafile {

enum class Format { None, Wmf, Emf };

// Caps that keep malformed files from exhausting memory.
inline constexpr qint64 kMaxFileBytes = 64ll * 1024 * 1024;
inline constexpr int kMaxObjects = 4096;
inline constexpr qint64 kMaxBitmapPixels = 16ll * 1024 * 1024;
inline constexpr int kMaxSaveDepth = 256;
// Region rectangles and text characters taken from one record.
inline constexpr int kMaxRegionRects = 1024;
inline constexpr int kMaxTextChars = 4096;
// Pattern brushes stay in the object table, so they are kept small.
inline constexpr int kMaxPatternSide = 512;
inline constexpr qint64 kMaxPatternPixels = qint64(kMaxPatternSide) * kMaxPatternSide;

// Recognises the format from the first bytes.
Format detect(const QByteArray& bytes);

// The largest single buffer, in bytes, that playing took for what a file declares (bitmaps,
// point lists, regions, gradients) since the last reset. Peak memory follows the file's size plus
// the output picture; tests check it here rather than by the process's memory.
qint64 largestAllocation();
void resetLargestAllocation();

class Metafile
{
public:
    // nullopt when the bytes are no metafile we can play (bad header, no size).
    static std::optional<Metafile> fromBytes(const QByteArray& bytes);
    // Reads the file through the file-system module.
    static std::optional<Metafile> load(const QString& path);

    Format format() const { return m_format; }
    // The size the picture has on a 96 dpi screen: the placeable header's box and units per inch,
    // the window extent of a plain WMF (else the box around its coordinates), the frame of an EMF.
    QSize naturalSize() const { return m_natural; }
    // The same without rounding.
    QSizeF naturalSizeF() const { return m_naturalF; }

    // Plays the records so that the picture's frame fills `target` (in the painter's coordinates).
    // Only what the file contains is drawn.
    void render(QPainter& painter, const QRectF& target, bool antialias = true) const;

private:
    QByteArray m_bytes;
    Format m_format = Format::None;
    QSize m_natural;
    QSizeF m_naturalF;
    // The picture's frame in the coordinates its records map to before fitting (WMF: logical
    // units of the box; EMF: reference device pixels).
    QRectF m_frame;
    int m_objectCount = 0;
    // A plain WMF without window extent: its frame is the box around its coordinates, and its
    // own window records are ignored.
    bool m_fixedWindow = false;
};

} // namespace metafile
