#pragma once
#include "media/picture/Picture.h"

#include <QFont>
#include <QImage>
#include <QMetaType>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class QWidget;
class QAbstractButton;

// The colour of a plain button face.
constexpr picture::Colour kButtonFaceColour = 0x00F0F0F0;
// Pure yellow: the bottom-left pixel of every slot, shown transparent.
constexpr picture::Colour kFaceKeyColour = 0x0000FFFF;

// The caption's lines: "#10#13" and "#$A#$D" (and real line breaks) separate them.
QStringList CaptionLines(const QString& caption);

// Where a face of `faceSize` puts a picture of `pictureSize` (invalid: none) and the caption: side
// by side on a face at least twice as wide as high, otherwise the picture above the caption band
// (below it for a caption at the top). The two boxes never overlap; the picture is fitted whole into
// its box. Without a picture the caption has the whole face; without a caption the picture has it.
struct FaceLayout {
    QRect pictureBox;
    QRect captionBox;
    int vAlign = 0;              // the caption's vertical alignment inside its box
    bool besidePicture = false;  // caption and picture share the face
};
FaceLayout ButtonFaceLayout(QSize faceSize, QSize pictureSize, const QString& objectName, const QString& caption,
                            int vAlign);

// Which parts of a face to draw: tests draw the picture and the caption apart to check that they
// never overlap.
enum class FacePart { Whole, PictureOnly, CaptionOnly };

// The face of a button of `buttonSize`: (width - 4) x (height - 4) per slot, `slotCount` slots side by
// side (slot 1 normal, the others faded), each with the yellow key in its bottom-left pixel.
// vAlign 0 top, 1 centre, 2 bottom; hAlign 0 left, 1 centre, 2 right. `objectName` selects the
// layouts of the named buttons ("SB_richtig", "SB_nichtgleich" ...).
QImage BuildButtonFace(QSize buttonSize, const QFont& font, const QString& objectName, const QString& pictureFile,
                       const QString& caption, int vAlign, int hAlign, picture::Colour textColour, int slotCount,
                       FacePart part = FacePart::Whole, QRect* drawnPicture = nullptr);

// Builds the face for the widget (its size, font and object name) and assigns it: a button clears
// its caption and paints the face 2 pixels inside its frame (slot 1 normal, 2 disabled, 3 pressed,
// 4 checked, where the face has them); a label shows the face as its picture.
void SkinButton(QWidget* button, const QString& pictureFile, const QString& caption, int vAlign, int hAlign,
                picture::Colour textColour, int slotCount);

// What a widget's face was built from (for checks over every skinned button of a window).
struct SkinArgs {
    QString pictureFile, caption;
    int vAlign = 0, hAlign = 0;
    picture::Colour textColour = 0;
    int slotCount = 0;
};
SkinArgs SkinButtonArgs(const QWidget* button);

// The face assigned to a widget (null when none) and its slot count.
QImage SkinFace(const QWidget* button);
int SkinSlots(const QWidget* button);
// The slot (1-based) a button shows in its present state.
int SkinSlotShown(const QAbstractButton* button);

Q_DECLARE_METATYPE(SkinArgs)
