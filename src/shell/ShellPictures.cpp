#include "shell/ShellPictures.h"
#include "core/FileSystem.h"

#include <QImageReader>
#include <QPainter>

static QImage loadScaled(const QString& file, const QSize& box)
{
    if (!fsys::fileExists(file))
        return QImage();
    QImageReader r(fsys::resolve(file));
    QImage img = r.read();
    if (img.isNull())
        return img;
    return img.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QImage drawStartPicture(const QString& file, const QSize& box, int percent, const QColor& background)
{
    QImage out(box, QImage::Format_ARGB32_Premultiplied);
    out.fill(background);
    const QSize target(box.width() * qMin(percent, 100) / 100, box.height() * qMin(percent, 100) / 100);
    const QImage pic = loadScaled(file, target);
    if (!pic.isNull()) {
        QPainter p(&out);
        p.drawImage((box.width() - pic.width()) / 2, (box.height() - pic.height()) / 2, pic);
    }
    return out;
}

bool drawButtonFace(QImage& face, const QString& file)
{
    const QImage pic = loadScaled(file, face.size());
    if (pic.isNull())
        return false;
    QPainter p(&face);
    p.drawImage((face.width() - pic.width()) / 2, (face.height() - pic.height()) / 2, pic);
    return true;
}
