#include "shell/ShellPictures.h"
#include "core/FileSystem.h"
#include "media/picture/Picture.h"

QImage drawStartPicture(const QString& file, const QSize& box, int percent, const QColor& background)
{
    const picture::Colour bg = picture::fromQColor(background);
    picture::Target t(qMax(1, box.width()), qMax(1, box.height()), bg);
    picture::DrawPicture(t, file, bg, percent, true, true);
    return t.image;
}

bool drawButtonFace(QImage& face, const QString& file, const QColor& background)
{
    if (!fsys::fileExists(file))
        return false;
    const picture::Colour bg = picture::fromQColor(background);
    picture::Target t(qMax(1, face.width()), qMax(1, face.height()), bg);
    if (!picture::DrawPictureFitted(t, file, bg, 100, true, false, true))
        return false;
    face = t.image;
    return true;
}
