#pragma once
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <vector>

// The sound buttons of the sound exercises: the column layout beside the picture panel, the letter
// faces ("Lautknopf"), the round faces without letters and the mouth pictures ("Mundbild").
namespace exercise {

// Button size for `count` buttons in a column of `height`: (height - (count + 1)) div max(count, 5).
int LautButtonSize(int height, int count);

// The screen of a sound search: a column of `count` sound buttons 1 pixel apart, centred vertically
// in `area`; the mouth pictures in the same rows directly outside (left of the buttons with the
// sounds left, right of them otherwise); the picture panel `panelWidth` wide, as high as `area`.
// Mouth column, button column and panel are spread so that the left margin, the gap and the right
// margin are equal. The mouth column keeps its place when mouth pictures are off.
struct LautLayout {
    int size = 0;
    std::vector<QRect> buttons;
    std::vector<QRect> mouths;
    QRect panel;
};
LautLayout LayoutLautScreen(const QRect& area, int panelWidth, int count, bool soundsLeft);

// The round button of a cell (no letters): half as large, centred (shrunk by size div 4 each side).
QRect LautRoundCell(const QRect& cell);

// One point size for all letter buttons: the widest sound fitted at 70 percent of a button, in the
// list font.
int LautLetterPoints(int size, const QStringList& sounds);
// A letter button: card frame (depth 10), inner field (shrunk by 11) in the picture background
// colour lightened by 30 percent, the sound in black. Chosen: the pressed frame, the field shifted 7
// pixels right and down, the sound in the list's mark colour. `background` (may be null) is the
// window picture the card lies on, `cell` its place there.
QImage LautLetterFace(const QRect& cell, const QString& sound, int points, bool chosen, const QImage* background);
// A round button of `size` (the round cell's): face 0 plain, 1 with `markerFile` (chosen), 2 with
// `keyboardFile` (keyboard focus). `colour` is the list's button colour.
QImage LautRoundFace(int size, int face, int colour, const QString& markerFile, const QString& keyboardFile);
// "Mundbilder/0" + ending (face 0), "Mundbilder/" + sound + "1" or "2" + ending in the internal
// pictures; empty when missing.
QString LautMouthFile(const QString& sound, int face, const QString& ending);
// A mouth picture on a card frame, drawn at 95 percent; when the sound's face-2 file is missing,
// every face shows `tonBild` at 80 percent.
QImage LautMouthFace(const QRect& cell, const QString& sound, int face, const QString& ending,
                     const QString& tonBild, const QImage* background);
// The keyboard focus: a red frame 3 pixels wide, 5 pixels inside `cell`.
void DrawLautFocus(QImage& canvas, const QRect& cell);

} // namespace exercise
