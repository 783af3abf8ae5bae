#include "media/skin/SkinButton.h"

#include "core/FileSystem.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHash>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVariant>
#include <qdrawutil.h>

using picture::Colour;

namespace {

const char* const kFaceProperty = "kalimoSkinFace";
const char* const kShownProperty = "kalimoSkinShown";
const char* const kSlotsProperty = "kalimoSkinSlots";
const char* const kArgsProperty = "kalimoSkinArgs";
constexpr Colour kNavy = 0x00800000;
constexpr Colour kWhite = 0x00FFFFFF;

QFont sized(QFont f, int points)
{
    f.setPointSize(std::max(1, points));
    return f;
}

int alignX(int space, int textWidth, int hAlign)
{
    if (hAlign == 1)
        return (space - textWidth) / 2;
    if (hAlign == 2)
        return space - textWidth;
    return 0;
}

int textWidth(const QFontMetrics& fm, const QString& s) { return fm.horizontalAdvance(s); }

// Writes one line with its top at y (the text background stays transparent).
void writeLine(QImage& img, const QFont& font, const QString& text, int x, int y, Colour colour)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font);
    p.setPen(picture::toQColor(colour < 0 ? 0 : colour));
    const QFontMetrics fm(font, &img);
    p.drawText(QPoint(x, y + fm.ascent()), text);
}

// A caption colour that would vanish on the plain face (the white of a caption meant for a dark
// picture) is drawn black where the caption lies beside the picture.
Colour readableOnFace(Colour c)
{
    const QColor q = picture::toQColor(c < 0 ? 0 : c), f = picture::toQColor(kButtonFaceColour);
    return std::abs(q.lightness() - f.lightness()) < 96 ? 0 : c;
}

// Writes the caption into `area` of the face. `besidePicture`: the caption has its own room next to
// a picture, so the named buttons' special bands (which share the face with the picture) do not
// apply and every line is readable on the plain face.
void writeCaption(QImage& face, const QRect& area, const QFont& buttonFont, const QString& name,
                  const QString& caption, int vAlign, int hAlign, Colour textColour, bool besidePicture)
{
    const int W = area.width(), H = area.height(), X = area.x(), Y = area.y();
    if (W <= 0 || H <= 0)
        return;
    if (besidePicture)
        textColour = readableOnFace(textColour);
    const QStringList lines = CaptionLines(caption);
    if (lines.size() <= 1) {
        const QString text = lines.value(0);
        if (text.isEmpty())
            return;
        const int percent = (name == QLatin1String("SB_neu") || name == QLatin1String("SB_Ton")) ? 95 : 80;
        const QFont font = sized(buttonFont, picture::FitFontSize(H, W, text, percent, buttonFont));
        const QFontMetrics fm(font, &face);
        const int th = fm.height();  // the height of "Äg"
        int y = 0;
        if (vAlign == 1) {
            y = (H - th) / 2;
        } else if (vAlign == 2) {
            y = H - th - 1;
            // Without descenders the line would float above the bottom edge.
            static const QString descenders = QStringLiteral("gjpqy");
            if (std::none_of(text.begin(), text.end(), [](QChar c) { return descenders.contains(c); }))
                y += th / 8;
        }
        writeLine(face, font, text, X + alignX(W, textWidth(fm, text), hAlign), Y + y, textColour);
        return;
    }
    const int n = int(lines.size());
    const bool rightWrong =
        !besidePicture && (name == QLatin1String("SB_richtig") || name == QLatin1String("SB_falsch"));
    int h;
    if (rightWrong)
        h = H / (2 * n);
    else if (!besidePicture && name == QLatin1String("SB_allehoeren"))
        h = (H / 3 * 2) / n;
    else
        h = H / n;
    QFont font = buttonFont;
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setPointSize(100);
    for (const QString& line : lines)
        font.setPointSize(picture::FitFontSize(h, W, line, 99, font));
    int s = 0;
    if (vAlign == 1)
        s = (H - n * h) / 2;
    else if (vAlign == 2)
        s = H - n * h;
    const bool notEqual = name == QLatin1String("SB_nichtgleich") && n == 3;
    for (int i = 0; i < n; ++i) {
        QFont f = font;
        Colour colour = textColour;
        int y = s + i * h;
        if (rightWrong) {
            colour = kNavy;
            y = H / 2 + i * h;
        } else if (notEqual && i == 1) {
            // The middle word stands out; beside a picture it keeps the caption's size and colour so
            // that it stays inside its line.
            f.setUnderline(true);
            if (!besidePicture) {
                colour = kWhite;
                f.setPointSize(font.pointSize() + 4);
                y = h - 6;
            }
        } else if (besidePicture && (name == QLatin1String("SB_richtig") || name == QLatin1String("SB_falsch"))) {
            colour = kNavy;
        }
        const QFontMetrics fm(f, &face);
        writeLine(face, f, lines[i], X + alignX(W, textWidth(fm, lines[i]), hAlign), Y + y, colour);
    }
}

class SkinPainter : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button)
            return false;
        const QImage shown = button->property(kShownProperty).value<QImage>();
        const int slotCount = std::max(1, button->property(kSlotsProperty).toInt());
        if (shown.isNull())
            return false;
        QPainter p(button);
        const bool sunken = button->isDown() || button->isChecked();
        qDrawWinButton(&p, button->rect(), button->palette(), sunken, nullptr);
        p.fillRect(button->rect().adjusted(2, 2, -2, -2), picture::toQColor(kButtonFaceColour));
        const int sw = shown.width() / slotCount;
        const int slot = SkinSlotShown(button);
        p.drawImage(QPoint(2, 2), shown, QRect((slot - 1) * sw, 0, sw, shown.height()));
        return true;
    }
};

struct FaceCache {
    struct Entry {
        QImage face, shown;
    };
    static constexpr int kCapacity = 64;
    QHash<QString, Entry> faces;
    QStringList order;  // oldest first
};

FaceCache& faceCache()
{
    static FaceCache cache;
    return cache;
}

SkinPainter* skinPainter()
{
    static SkinPainter* painter = new SkinPainter;  // lives as long as the program
    return painter;
}

} // namespace

QStringList CaptionLines(const QString& caption)
{
    QString text = caption;
    text.replace(QLatin1String("#10#13"), QLatin1String("\n"));
    text.replace(QLatin1String("#$A#$D"), QLatin1String("\n"));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

FaceLayout ButtonFaceLayout(QSize faceSize, QSize pictureSize, const QString& objectName, const QString& caption,
                            int vAlign)
{
    const int W = faceSize.width(), H = faceSize.height();
    const QRect whole(0, 0, W, H);
    const QStringList lines = CaptionLines(caption);
    const bool hasText = std::any_of(lines.begin(), lines.end(), [](const QString& l) { return !l.trimmed().isEmpty(); });
    const bool hasPicture = pictureSize.isValid() && !pictureSize.isEmpty();
    FaceLayout l;
    l.vAlign = vAlign;
    const int margin = std::max(1, std::min(W, H) / 25);
    if (!hasPicture) {
        l.captionBox = whole;
        return l;
    }
    if (!hasText) {
        l.pictureBox = whole.adjusted(margin, margin, -margin, -margin);
        return l;
    }
    l.besidePicture = true;
    const int n = int(lines.size());
    if (W >= 2 * H) {
        // A wide face: the picture stands left of the caption in a square of the face's height.
        const int side = std::min(H, W * 2 / 5);
        l.pictureBox = QRect(margin, margin, side - 2 * margin, H - 2 * margin);
        l.captionBox = QRect(side + margin, 0, W - side - 2 * margin, H);
        l.vAlign = 1;
        return l;
    }
    // Picture above (or, for a caption at the top, below) the caption band.
    int band;
    if (objectName == QLatin1String("SB_richtig") || objectName == QLatin1String("SB_falsch"))
        band = H / 2;
    else if (objectName == QLatin1String("SB_allehoeren"))
        band = H / 3 * 2;  // its lines are (face height div 3 x 2) div lines high
    else if (n <= 1)
        band = H * 2 / 5;
    else
        band = std::min(H * 3 / 5, n * H / 4);
    if (vAlign == 0) {
        l.captionBox = QRect(0, 0, W, band);
        l.pictureBox = QRect(margin, band + margin, W - 2 * margin, H - band - 2 * margin);
    } else {
        l.captionBox = QRect(0, H - band, W, band);
        l.pictureBox = QRect(margin, margin, W - 2 * margin, H - band - 2 * margin);
    }
    return l;
}

QImage BuildButtonFace(QSize buttonSize, const QFont& font, const QString& objectName, const QString& pictureFile,
                       const QString& caption, int vAlign, int hAlign, Colour textColour, int slotCount, FacePart part,
                       QRect* drawnPicture)
{
    const int W = std::max(1, buttonSize.width() - 4), H = std::max(1, buttonSize.height() - 4);
    picture::Target face(W, H, kButtonFaceColour);
    const QSize pictureSize =
        !pictureFile.isEmpty() && fsys::fileExists(pictureFile) ? picture::PictureSize(pictureFile) : QSize();
    const FaceLayout layout = ButtonFaceLayout(QSize(W, H), pictureSize, objectName, caption, vAlign);
    if (drawnPicture)
        *drawnPicture = QRect();
    if (part != FacePart::CaptionOnly && layout.pictureBox.width() > 0 && layout.pictureBox.height() > 0) {
        // The whole symbol, fitted into its room: never cropped, never under the caption.
        picture::Target room(layout.pictureBox.width(), layout.pictureBox.height(), kButtonFaceColour);
        QSize drawn;
        picture::DrawPictureAligned(room, pictureFile, kButtonFaceColour, 1, 1, 100, true, false, true, &drawn);
        QPainter p(&face.image);
        p.drawImage(layout.pictureBox.topLeft(), room.image);
        if (drawnPicture && drawn.isValid())
            *drawnPicture = QRect(layout.pictureBox.x() + (layout.pictureBox.width() - drawn.width()) / 2,
                                  layout.pictureBox.y() + (layout.pictureBox.height() - drawn.height()) / 2,
                                  drawn.width(), drawn.height());
    }
    if (part != FacePart::PictureOnly)
        writeCaption(face.image, layout.captionBox, font, objectName, caption, layout.vAlign, hAlign, textColour,
                     layout.besidePicture);

    QImage result = face.image;
    if (slotCount >= 2) {
        result = picture::NewBitmap(W * slotCount, H, kButtonFaceColour);
        QPainter p(&result);
        for (int i = 0; i < slotCount; ++i)
            p.drawImage(i * W, 0, face.image);
        p.end();
        picture::TintRect(result, W, 0, W * slotCount - 1, H - 1, kWhite, 70);
    }
    const QRgb key = qRgb(255, 255, 0);
    for (int i = 0; i < std::max(1, slotCount); ++i)
        result.setPixel(i * W, H - 1, key);
    return result;
}

void SkinButton(QWidget* button, const QString& pictureFile, const QString& caption, int vAlign, int hAlign,
                Colour textColour, int slotCount)
{
    if (!button)
        return;
    // Windows switch a button between a few faces ("Hören" / "Weiter"): a face once built for the
    // same size, font, picture file and caption is taken again instead of decoding its picture anew.
    const QFileInfo pictureInfo(pictureFile);
    const QString key = QStringList{QString::number(button->width()), QString::number(button->height()),
                                    button->font().toString(), button->objectName(), pictureFile,
                                    pictureFile.isEmpty() ? QString() : QString::number(pictureInfo.lastModified().toMSecsSinceEpoch()),
                                    caption, QString::number(vAlign), QString::number(hAlign),
                                    QString::number(textColour), QString::number(slotCount)}
                            .join(QChar(0x1F));
    FaceCache& cache = faceCache();
    auto it = cache.faces.constFind(key);
    if (it == cache.faces.constEnd()) {
        const QImage built = BuildButtonFace(button->size(), button->font(), button->objectName(), pictureFile, caption,
                                             vAlign, hAlign, textColour, slotCount);
        picture::Target t;
        t.image = built;
        t.transparent = true;
        if (cache.order.size() >= FaceCache::kCapacity)
            cache.faces.remove(cache.order.takeFirst());
        cache.order.append(key);
        it = cache.faces.insert(key, {built, picture::ShownImage(t)});
    }
    const QImage face = it->face;
    const QImage shown = it->shown;
    button->setProperty(kFaceProperty, face);
    button->setProperty(kShownProperty, shown);
    button->setProperty(kSlotsProperty, std::max(1, slotCount));
    button->setProperty(kArgsProperty, QVariant::fromValue(SkinArgs{pictureFile, caption, vAlign, hAlign, textColour, slotCount}));
    if (auto* b = qobject_cast<QAbstractButton*>(button)) {
        b->setText(QString());
        b->setIcon(QIcon());
        b->removeEventFilter(skinPainter());
        b->installEventFilter(skinPainter());
        b->update();
    } else if (auto* label = qobject_cast<QLabel*>(button)) {
        label->setText(QString());
        label->setPixmap(QPixmap::fromImage(face));
    }
}

QImage SkinFace(const QWidget* button)
{
    return button ? button->property(kFaceProperty).value<QImage>() : QImage();
}

int SkinSlots(const QWidget* button)
{
    return button ? std::max(1, button->property(kSlotsProperty).toInt()) : 1;
}

int SkinSlotShown(const QAbstractButton* button)
{
    const int slotCount = SkinSlots(button);
    int slot = 1;
    if (!button->isEnabled())
        slot = 2;
    else if (button->isDown())
        slot = 3;
    else if (button->isChecked())
        slot = 4;
    return slot <= slotCount ? slot : 1;
}

SkinArgs SkinButtonArgs(const QWidget* button)
{
    return button ? button->property(kArgsProperty).value<SkinArgs>() : SkinArgs{};
}
