#include "results/Knopfbilder.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

// Everything is drawn on a 100 x 100 grid and scaled to the picture's size.
void toGrid(QPainter& p, QSize size)
{
    const double s = qMin(size.width(), size.height()) / 100.0;
    p.translate((size.width() - 100 * s) / 2, (size.height() - 100 * s) / 2);
    p.scale(s, s);
}

void drawBack(QPainter& p, bool pressed)
{
    const QRectF square = pressed ? QRectF(12, 12, 80, 80) : QRectF(10, 10, 80, 80);
    QLinearGradient rainbow(square.topLeft(), square.bottomRight());
    const QColor stops[] = {QColor(230, 40, 40), QColor(245, 140, 30), QColor(245, 215, 40),
                            QColor(60, 170, 70), QColor(40, 120, 220), QColor(140, 70, 190)};
    for (int i = 0; i < 6; ++i)
        rainbow.setColorAt(i / 5.0, pressed ? stops[i].darker(115) : stops[i]);
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(rainbow);
    p.drawRoundedRect(square, 10, 10);

    const double dx = square.left() - 10, dy = square.top() - 10;
    QPainterPath arrow;
    arrow.moveTo(20 + dx, 50 + dy);
    arrow.lineTo(48 + dx, 24 + dy);
    arrow.lineTo(48 + dx, 38 + dy);
    arrow.lineTo(78 + dx, 38 + dy);
    arrow.lineTo(78 + dx, 62 + dy);
    arrow.lineTo(48 + dx, 62 + dy);
    arrow.lineTo(48 + dx, 76 + dy);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(40, 40, 40), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(arrow);
}

void drawPrinter(QPainter& p, bool certificate, bool pressed)
{
    const QPen outline(QColor(50, 50, 50), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    // paper waiting at the back
    p.setPen(outline);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(28, 10, 44, 30));
    // body
    QLinearGradient body(0, 36, 0, 72);
    body.setColorAt(0, QColor(190, 195, 205));
    body.setColorAt(1, QColor(120, 125, 140));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(10, 34, 80, 38), 6, 6);
    p.setBrush(QColor(70, 70, 80));
    p.drawRect(QRectF(22, 60, 56, 6));
    p.setPen(Qt::NoPen);
    p.setBrush(pressed ? QColor(60, 220, 60) : QColor(40, 150, 40));
    p.drawEllipse(QPointF(80, 44), 3.5, 3.5);

    // the printed sheet coming out (further out while pressed)
    const double out = pressed ? 6 : 0;
    const QRectF sheet(26, 62 + out, 48, 30 - out * 0.3);
    p.setPen(outline);
    p.setBrush(Qt::white);
    p.drawRect(sheet);
    if (certificate) {
        // a rosette with two ribbons
        const QPointF c(sheet.center().x(), sheet.top() + 12);
        p.setPen(QPen(QColor(150, 30, 30), 1.5));
        p.setBrush(QColor(200, 40, 40));
        QPainterPath ribbon;
        ribbon.moveTo(c + QPointF(-3, 2));
        ribbon.lineTo(c + QPointF(-8, 16));
        ribbon.lineTo(c + QPointF(-2, 13));
        ribbon.lineTo(c + QPointF(2, 2));
        ribbon.moveTo(c + QPointF(3, 2));
        ribbon.lineTo(c + QPointF(8, 16));
        ribbon.lineTo(c + QPointF(2, 13));
        ribbon.lineTo(c + QPointF(-2, 2));
        p.drawPath(ribbon);
        p.setBrush(QColor(245, 190, 30));
        p.setPen(QPen(QColor(170, 120, 0), 1.5));
        QPainterPath star;
        for (int i = 0; i < 16; ++i) {
            const double r = i % 2 ? 5.5 : 9, a = i * M_PI / 8;
            const QPointF pt = c + QPointF(r * qSin(a), -r * qCos(a));
            i ? star.lineTo(pt) : star.moveTo(pt);
        }
        star.closeSubpath();
        p.drawPath(star);
    } else {
        p.setPen(QPen(QColor(90, 90, 90), 2, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 4; ++i) {
            const double y = sheet.top() + 6 + i * 6;
            if (y < sheet.bottom() - 2)
                p.drawLine(QPointF(sheet.left() + 6, y), QPointF(sheet.right() - (i % 2 ? 14 : 6), y));
        }
    }
}

void drawDoor(QPainter& p, bool open)
{
    const QPen outline(QColor(60, 35, 15), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    // frame and wall opening
    p.setPen(outline);
    p.setBrush(QColor(110, 70, 35));
    p.drawRect(QRectF(22, 6, 56, 90));
    const QRectF opening(28, 12, 44, 84);
    if (open) {
        QLinearGradient light(opening.topLeft(), opening.bottomLeft());
        light.setColorAt(0, QColor(140, 200, 250));
        light.setColorAt(0.7, QColor(200, 235, 255));
        light.setColorAt(0.7, QColor(110, 190, 90));
        light.setColorAt(1, QColor(80, 160, 70));
        p.setBrush(light);
        p.drawRect(opening);
        // the leaf swung towards the viewer, hinged on the left
        QPainterPath leaf;
        leaf.moveTo(28, 12);
        leaf.lineTo(10, 4);
        leaf.lineTo(10, 100);
        leaf.lineTo(28, 96);
        leaf.closeSubpath();
        p.setBrush(QColor(190, 120, 60));
        p.drawPath(leaf);
        p.setBrush(QColor(240, 200, 60));
        p.drawEllipse(QPointF(14, 56), 2.5, 3.5);
    } else {
        QLinearGradient wood(opening.topLeft(), opening.topRight());
        wood.setColorAt(0, QColor(200, 130, 65));
        wood.setColorAt(1, QColor(165, 100, 45));
        p.setBrush(wood);
        p.drawRect(opening);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(120, 70, 30), 1.5));
        p.drawRect(QRectF(33, 18, 34, 30));
        p.drawRect(QRectF(33, 56, 34, 34));
        p.setPen(outline);
        p.setBrush(QColor(240, 200, 60));
        p.drawEllipse(QPointF(64, 54), 3.5, 3.5);
    }
}

// Grey and faded, as a disabled picture looks.
QImage faded(const QImage& image)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb c = line[x];
            const int grey = (qGray(c) + 2 * 200) / 3;
            line[x] = qRgba(grey, grey, grey, qAlpha(c) / 2);
        }
    }
    return out;
}

} // namespace

QImage DrawCloseButtonPicture(CloseButtonPicture kind, PictureState state, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        toGrid(p, size);
        const bool pressed = state == PictureState::Pressed;
        switch (kind) {
        case CloseButtonPicture::Back: drawBack(p, pressed); break;
        case CloseButtonPicture::PrintProtocol: drawPrinter(p, false, pressed); break;
        case CloseButtonPicture::PrintCertificate: drawPrinter(p, true, pressed); break;
        case CloseButtonPicture::End: drawDoor(p, pressed); break;
        }
    }
    return state == PictureState::Disabled ? faded(image) : image;
}
