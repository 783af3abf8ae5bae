// Plays arbitrary bytes as WMF and EMF onto a small target: no crash, no hang, bounded memory.
#include "media/metafile/Metafile.h"

#include "FuzzSupport.h"

#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureGuiApplication();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto m = metafile::Metafile::fromBytes(bytes);
    if (!m)
        return 0;
    (void)m->naturalSize();
    QImage img(64, 48, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    m->render(p, QRectF(2, 2, 60, 44), (size & 1) != 0);
    return 0;
}
