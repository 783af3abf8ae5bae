#pragma once
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

// Pictures of the main and info windows, drawn on a filled background of the box's size.
QImage drawStartPicture(const QString& file, const QSize& box, int percent, const QColor& background);
// A menu button face: the picture fitted to the face on `background`; false when the file does not
// exist or cannot be decoded (the face is left as it was).
bool drawButtonFace(QImage& face, const QString& file, const QColor& background);
