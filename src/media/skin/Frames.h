#pragma once
#include "media/picture/Picture.h"

#include <QImage>
#include <QRect>
#include <QString>

// Glossy buttons and the soft frames drawn around cards and panels. Rectangles are given as QRect;
// their right and bottom edges are x() + width() and y() + height() (exclusive, like a Windows RECT).
// A shadow pixel is the existing pixel darkened toward black by m percent.

// Fills `target` (resized to width x height) with a rounded square in `colour` that is lightened
// toward its upper-left corner. The target is transparent: its key colour is white, or a light grey
// when the colour itself is white.
void DrawRoundButton(picture::Target& target, int width, int height, picture::Colour colour);
picture::Target DrawRoundButton(int width, int height, picture::Colour colour);
// A round button of size x size with the picture (when it exists) laid over it, edges softened.
void DrawSoundButton(picture::Target& target, int size, picture::Colour colour, const QString& pictureFile);
// The key colour DrawRoundButton uses for that colour.
picture::Colour RoundButtonKey(picture::Colour colour);

void DrawShadowFrame(QImage& canvas, const QRect& rect, int depth);
void DrawEmbossFrame(QImage& canvas, const QRect& rect, int depth, bool shadowStyle);
// `background` (may be null) holds the picture the card lies on; `backgroundRect` is the part of it
// that belongs under `rect` (an empty rectangle means the same place as `rect`).
void DrawCardFrame(QImage& canvas, const QRect& rect, int depth, const QImage* background,
                   const QRect& backgroundRect, int cornerCut, bool plainBackground, bool shadowRightBottom,
                   picture::Colour brushColour);
// The same with the target's brush colour.
void DrawCardFrame(picture::Target& canvas, const QRect& rect, int depth, const QImage* background,
                   const QRect& backgroundRect, int cornerCut, bool plainBackground, bool shadowRightBottom);
void DrawBevelFrame(QImage& canvas, const QRect& rect, picture::Colour colour, int width, bool raised);
