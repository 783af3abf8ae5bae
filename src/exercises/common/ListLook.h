#pragma once
#include "core/Records.h"
#include "media/picture/Picture.h"

#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>

// The look the loaded list gives every exercise window: its font, its background picture, its card
// back, and how an element's picture is drawn.
namespace exercise {
// The list font: the player's chosen list font, else the list's own, else the default.
TFont ListTFont();
// That font as a Qt font; `points` <= 0 keeps the list's size.
QFont ListFont(int points = 0);
picture::Colour ListFontColour();
// The list's background picture under its own path or in the internal pictures; empty when missing.
QString BackgroundPicturePath();
// The window background: the list's colour, covered by its background picture when asked and present.
QImage WindowBackground(QSize size, bool withPicture);
// The card back picture: under its own path, the card-back folder, the internal pictures, the
// installation directory; empty when none has it.
QString CardBackPicture();
// A picture the configuration names, under its own path or in the internal pictures.
QString InternPicture(const QString& name);
bool IsWmf(const QString& file);
// An element's picture from the material pictures, fitted at `percent`; a missing one leaves the colour.
void DrawElementPicture(picture::Target& target, const QString& name, picture::Colour background, int percent);
}
