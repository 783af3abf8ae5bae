#include "exercises/common/LautButtons.h"

#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "exercises/common/ListLook.h"
#include "media/picture/Picture.h"
#include "media/skin/Frames.h"

#include <QPainter>
#include <algorithm>

namespace exercise {

int LautButtonSize(int height, int count)
{
    count = std::max(1, count);
    return std::max(1, (height - (count + 1)) / std::max(count, 5));
}

LautLayout LayoutLautScreen(const QRect& area, int panelWidth, int count, bool soundsLeft)
{
    LautLayout l;
    const int n = std::max(0, count);
    const int h = area.height();
    l.size = LautButtonSize(h, n);
    const int s = l.size;
    const int o = (h - n * s - (n + 1)) / 2;
    const int free = std::max(0, area.width() - (2 * s + 1) - panelWidth);
    const int m = free / 3;
    int buttonsLeft, mouthsLeft, panelLeft;
    if (soundsLeft) {
        mouthsLeft = area.left() + m;
        buttonsLeft = mouthsLeft + s + 1;
        panelLeft = buttonsLeft + s + m;
    } else {
        panelLeft = area.left() + m;
        buttonsLeft = panelLeft + panelWidth + m;
        mouthsLeft = buttonsLeft + s + 1;
    }
    for (int i = 0; i < n; ++i) {
        const int top = area.top() + o + i * s + (i + 1);
        l.buttons.emplace_back(buttonsLeft, top, s, s);
        l.mouths.emplace_back(mouthsLeft, top, s, s);
    }
    l.panel = QRect(panelLeft, area.top(), panelWidth, area.height());
    return l;
}

QRect LautRoundCell(const QRect& cell)
{
    const int q = cell.width() / 4;
    return cell.adjusted(q, q, -q, -q);
}

int LautLetterPoints(int size, const QStringList& sounds)
{
    const QFont font = ListFont(std::max(8, size));
    QString widest;
    const QFontMetrics fm(font);
    for (const QString& s : sounds)
        if (fm.horizontalAdvance(s) > fm.horizontalAdvance(widest))
            widest = s;
    return std::max(1, picture::FitFontSize(size, size, widest.isEmpty() ? QStringLiteral("M") : widest, 70, font));
}

namespace {
picture::Target framed(const QRect& cell, bool pressed, const QImage* background)
{
    const TLayout& layout = g().loadedList.layout;
    picture::Target t(cell.width(), cell.height(), layout.backgroundColour);
    DrawCardFrame(t.image, QRect(0, 0, cell.width(), cell.height()), 10, background, cell, 0, background == nullptr,
                  !pressed, layout.backgroundColour);
    return t;
}
} // namespace

QImage LautLetterFace(const QRect& cell, const QString& sound, int points, bool chosen, const QImage* background)
{
    const TLayout& layout = g().loadedList.layout;
    picture::Target t = framed(cell, chosen, background);
    QRect inner = QRect(0, 0, cell.width(), cell.height()).adjusted(11, 11, -11, -11);
    if (inner.width() < 2 || inner.height() < 2)
        return t.image;
    const picture::Colour field = picture::LightenColour(layout.pictureBackgroundColour, 30);
    QPainter p(&t.image);
    p.fillRect(inner, picture::toQColor(field));
    if (chosen)
        inner = inner.translated(7, 7).intersected(inner);
    picture::Target text(inner.width(), inner.height(), field);
    picture::DrawFittedText(text, sound, ListFont(points), chosen ? layout.letterMarkColour : 0, 1, 100, true, field,
                            false, false);
    p.drawImage(inner.topLeft(), text.image);
    return t.image;
}

QImage LautRoundFace(int size, int face, int colour, const QString& markerFile, const QString& keyboardFile)
{
    picture::Target t;
    const QString file = face == 1 ? markerFile : face == 2 ? keyboardFile : QString();
    DrawSoundButton(t, std::max(1, size), picture::Colour(colour), file.isEmpty() ? QString() : InternPicture(file));
    return picture::ShownImage(t);
}

QString LautMouthFile(const QString& sound, int face, const QString& ending)
{
    const QString name = face == 0 ? QStringLiteral("0") : sound + QString::number(face);
    const QString file = fsys::withSlash(g().config.dirs.internBilder) + QStringLiteral("Mundbilder/") + name + ending;
    return fsys::fileExists(file) ? fsys::resolve(file) : QString();
}

QImage LautMouthFace(const QRect& cell, const QString& sound, int face, const QString& ending, const QString& tonBild,
                     const QImage* background)
{
    picture::Target t = framed(cell, face == 1, background);
    const QRect inner = QRect(0, 0, cell.width(), cell.height()).adjusted(10, 10, -10, -10);
    if (inner.width() < 2 || inner.height() < 2)
        return t.image;
    const picture::Colour white = 0x00FFFFFF;
    picture::Target pic(inner.width(), inner.height(), white);
    const bool own = !LautMouthFile(sound, 2, ending).isEmpty();
    const QString file = own ? LautMouthFile(sound, face, ending) : InternPicture(tonBild);
    if (!file.isEmpty()) {
        if (IsWmf(file))
            picture::DrawMetafileSmooth(file, pic, white, own ? 95 : 80, false, true);
        else
            picture::DrawPictureFitted(pic, file, white, own ? 95 : 80, true, false, true);
    }
    QPainter(&t.image).drawImage(inner.topLeft(), pic.image);
    return t.image;
}

void DrawLautFocus(QImage& canvas, const QRect& cell)
{
    QPainter p(&canvas);
    p.setPen(QPen(Qt::red, 3));
    p.setBrush(Qt::NoBrush);
    p.drawRect(cell.adjusted(6, 6, -7, -7));
}

} // namespace exercise
