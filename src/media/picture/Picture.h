#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

// Picture loading, fitting and drawing into off-screen targets, colour mixing and text fitted into
// pictures. Nothing keeps state between calls; pictures are decoded every time they are drawn.
namespace picture {

// Colours as the task lists store them: 0x00BBGGRR; negative means "no colour" (nothing filled).
using Colour = qint32;
QColor toQColor(Colour c);
Colour fromQColor(const QColor& c);

// An off-screen RGB bitmap with its canvas (font, font colour, brush colour) and the transparency
// flag: a transparent target is shown without the pixels of its bottom-left pixel's colour.
struct Target {
    QImage image;
    QFont font;
    Colour fontColour = 0;
    Colour brushColour = 0x00FFFFFF;
    bool transparent = false;

    Target() = default;
    Target(int width, int height, Colour fill = 0x00FFFFFF);
    int width() const { return image.width(); }
    int height() const { return image.height(); }
};

// A 96 dpi RGB image (fonts measure in points as on a Windows screen).
QImage NewBitmap(int width, int height, Colour fill = 0x00FFFFFF);
// The target as shown: with its transparency flag, the key colour becomes fully transparent.
QImage ShownImage(const Target& target);

// Integer rounding with halves to even, as the fitting rules require.
int RoundEven(double v);

QRect FitRect(int sourceWidth, int sourceHeight, const QRect& box);
QRect ShrinkToPercent(const QRect& rect, int percent);

// The picture's natural size (metafiles: from their header at 96 dpi); invalid when undecodable.
QSize PictureSize(const QString& file);
bool IsMetafile(const QString& file);

// Returns false when the file exists but cannot be decoded (nothing is drawn then); a missing file
// draws nothing and returns true, as the callers treat missing media as absent.
bool DrawPicture(Target& target, const QString& file, Colour background, int percent, bool fillBackground,
                 bool smoothMetafile);
bool DrawMetafileSmooth(const QString& file, Target& target, Colour background, int percent, bool stretchWhole,
                        bool fillBackground, std::optional<QRect> rect = std::nullopt);
bool DrawPictureFitted(Target& target, const QString& file, Colour background, int percent, bool enlarge,
                       bool transparentUnlessWmf, bool fillBackground);
// Also reports the drawn size (empty when nothing was drawn).
bool DrawPictureAligned(Target& target, const QString& file, Colour background, int vAlign, int hAlign,
                        int percent, bool enlarge, bool transparent, bool smoothWmf = true,
                        QSize* drawnSize = nullptr);
bool CoverPicture(Target& target, const QString& file, Colour background, bool transparent,
                  std::optional<QRect> rect = std::nullopt);
bool StretchPicture(Target& target, const QString& file, Colour background, bool transparent,
                    std::optional<QRect> rect = std::nullopt);
// ".WMF" files go through DrawMetafileSmooth into the whole target.
bool StretchPictureSmooth(Target& target, const QString& file, Colour background, bool transparent);
// Resolves `name` (itself, then the MaterialBilder, INTERNBILDER, INTERNRueckseite folders) and draws
// the picture, or writes the name (" ? " when empty) with the list font when none is found.
void DrawPictureOrName(Target& target, const QString& name, Colour background, int percent);
QString ResolvePictureName(const QString& name);

QString LightVariantPath(const QString& picture);
// The bitmap the cards of an exercise copy their backgrounds from: the light variant covered over
// the drawing area when it exists, else the background picture itself lightened by 30 percent.
QImage LightBackground(const QString& backgroundPicture, QSize area, Colour background);

Colour MixColour(Colour a, Colour b, int percent);
Colour LightenColour(Colour c, int percent);
// Pixel operations over left..right, top..bottom with both edges included (clamped to the image).
void LightenRect(QImage& image, int left, int top, int right, int bottom, int percent);
void TintRect(QImage& image, int left, int top, int right, int bottom, Colour colour, int percent);
void LightenBitmap(QImage& image);

// Font size (points) that makes `text` fit percent of height and width; never larger than the
// font's own size.
int FitFontSize(int maxHeight, int maxWidth, const QString& text, int percent, const QFont& font);

enum class TextPlace { Centre, Top, Bottom };
// Writes text fitted to the whole target; hAlign 0 left, 1 centre, 2 right. The canvas font's size
// is left as it was.
void DrawFittedText(Target& target, const QString& text, const QFont& font, Colour fontColour, int hAlign,
                    int percent, bool fillBackground, Colour background, bool transparent, bool pad,
                    TextPlace place = TextPlace::Centre, int margin = 0);

// Text with marked letters: `markStart` (0-based) and `markLength` index the unshaped text.
void DrawMarkedText(Target& target, const QRect& rect, const QFont& font, Colour fontColour, int hAlign,
                    Colour background, Colour markColour, int markStart, int markLength, const QString& text);
// The marked parts are enclosed in `delimiter` ("H#a#us" marks the "a").
void DrawMarkedTextDelimited(Target& target, const QRect& rect, const QFont& font, Colour fontColour, int hAlign,
                             Colour background, Colour markColour, QChar delimiter, const QString& text);

// School fonts: 0 none, 1 " LA"/"_LA", 2 " SA"/"_SA", 3 " VA"/"_VA".
int SchoolFontFamily(const QString& fontName);
// Shapes text for the cursive school fonts; other fonts get it unchanged. When `position` is
// reached the output length so far is stored in `*mappedPosition` (positions are 0-based).
QString ShapeSchoolFontText(const QString& fontName, const QString& text, int position = -1,
                            int* mappedPosition = nullptr);
// Maps each index of the unshaped text onto the shaped text (size text.size() + 1).
QVector<int> MapShapedPositions(const QString& fontName, const QString& text, const QString& shaped);

} // namespace picture
