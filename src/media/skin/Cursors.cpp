#include "media/skin/Cursors.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kSize = 32;

QPainter* begin(QPixmap& pm)
{
    pm = QPixmap(kSize, kSize);
    pm.fill(Qt::transparent);
    auto* p = new QPainter(&pm);
    p->setRenderHint(QPainter::Antialiasing);
    p->setPen(QPen(Qt::black, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p->setBrush(Qt::white);
    return p;
}

// An open hand pointing up with the index finger; its tip is near (13.5, 1).
QPainterPath pointingHand()
{
    QPainterPath finger;
    finger.addRoundedRect(QRectF(11, 1, 5, 17), 2.5, 2.5);
    QPainterPath fingers;
    fingers.addRoundedRect(QRectF(15.5, 9, 4.5, 10), 2.2, 2.2);
    fingers.addRoundedRect(QRectF(19.5, 10, 4.5, 10), 2.2, 2.2);
    fingers.addRoundedRect(QRectF(23.5, 11.5, 4, 9), 2, 2);
    QPainterPath thumb;
    thumb.moveTo(11.5, 22);
    thumb.lineTo(5.5, 15.5);
    thumb.cubicTo(3.5, 13.5, 6.5, 11, 8.5, 13);
    thumb.lineTo(12, 16.5);
    thumb.closeSubpath();
    QPainterPath palm;
    palm.moveTo(11, 15);
    palm.lineTo(27.5, 15);
    palm.lineTo(27.5, 23);
    palm.cubicTo(27.5, 27, 25, 30.5, 21, 30.5);
    palm.lineTo(16, 30.5);
    palm.cubicTo(13, 30.5, 11, 27, 10, 24);
    palm.closeSubpath();
    return finger.united(fingers).united(thumb).united(palm).simplified();
}

void drawHand(QPainter& p, bool down)
{
    if (down) {
        p.translate(kSize, kSize);
        p.rotate(180);
    }
    p.drawPath(pointingHand());
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(QPointF(15.5, 12), QPointF(15.5, 17));  // finger separations
    p.drawLine(QPointF(19.5, 12.5), QPointF(19.5, 17.5));
    p.drawLine(QPointF(23.5, 13.5), QPointF(23.5, 18));
}

void drawFist(QPainter& p)
{
    // Seen from the back: four folded fingers on top of the palm, the thumb along the left side.
    QPainterPath fist;
    fist.addRoundedRect(QRectF(8, 12, 19, 17), 6, 6);
    for (int i = 0; i < 4; ++i)
        fist.addEllipse(QRectF(8 + i * 4.75, 8, 5.5, 7));
    QPainterPath thumb;
    thumb.moveTo(9, 26);
    thumb.cubicTo(4, 24, 3, 18, 5, 15);
    thumb.cubicTo(6.5, 12.5, 10, 13, 11, 16);
    thumb.lineTo(11, 24);
    thumb.closeSubpath();
    p.drawPath(fist.united(thumb).simplified());
    p.setPen(QPen(Qt::black, 1));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(8 + i * 4.75 + 0.25, 10.5), QPointF(8 + i * 4.75 + 0.25, 15));
    p.drawLine(QPointF(11.5, 17), QPointF(11.5, 24));  // the thumb's edge
}

void drawSpeaker(QPainter& p)
{
    QPainterPath body;
    body.addRect(QRectF(3, 11, 6, 10));
    QPainterPath cone;
    cone.moveTo(9, 11);
    cone.lineTo(17, 4);
    cone.lineTo(17, 28);
    cone.lineTo(9, 21);
    cone.closeSubpath();
    p.setBrush(QColor(60, 60, 60));
    p.drawPath(body.united(cone).simplified());
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(12, 10, 10, 12), -50 * 16, 100 * 16);
    p.drawArc(QRectF(11, 6, 16, 20), -50 * 16, 100 * 16);
    p.drawArc(QRectF(10, 2, 22, 28), -50 * 16, 100 * 16);
}

void drawEar(QPainter& p)
{
    QPainterPath ear;
    ear.moveTo(10, 12);
    ear.cubicTo(10, 4, 17, 1, 22, 2);
    ear.cubicTo(28, 3, 30, 9, 28, 15);
    ear.cubicTo(26.5, 19, 22.5, 20, 21.5, 24);
    ear.cubicTo(20.5, 29, 17, 31, 14, 30);
    ear.cubicTo(11, 29, 10, 27, 11, 25);
    ear.cubicTo(12, 23, 14, 23.5, 15, 22);
    ear.cubicTo(16.5, 19.5, 10, 17, 10, 12);
    ear.closeSubpath();
    p.setBrush(QColor(250, 205, 170));
    p.setPen(QPen(QColor(70, 35, 10), 1.5));
    p.drawPath(ear);
    // The inner fold.
    QPainterPath fold;
    fold.moveTo(14.5, 12.5);
    fold.cubicTo(14.5, 7, 19, 5.5, 22, 6.5);
    fold.cubicTo(25.5, 7.5, 25.5, 12, 23.5, 14);
    fold.cubicTo(21.5, 16, 19, 15.5, 19, 18.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(120, 60, 25), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(fold);
    QPainterPath canal;
    canal.moveTo(18, 11);
    canal.cubicTo(19.5, 9.5, 21.5, 10.5, 21, 12.5);
    p.drawPath(canal);
}

void drawQuestion(QPainter& p)
{
    // An arrow with a question mark beside it.
    QPainterPath arrow;
    arrow.moveTo(1, 1);
    arrow.lineTo(1, 17);
    arrow.lineTo(5, 13);
    arrow.lineTo(8, 20);
    arrow.lineTo(10.5, 19);
    arrow.lineTo(7.5, 12);
    arrow.lineTo(13, 12);
    arrow.closeSubpath();
    p.setPen(QPen(Qt::black, 1.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::white);
    p.drawPath(arrow);
    QPainterPath mark;
    mark.moveTo(17, 9);
    mark.cubicTo(17, 3.5, 29, 3.5, 29, 9.5);
    mark.cubicTo(29, 14, 23.5, 14.5, 23.5, 19.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(mark);
    p.setPen(QPen(QColor(0, 0, 140), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(mark);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(23.5, 26), 3.6, 3.6);
    p.setBrush(QColor(0, 0, 140));
    p.drawEllipse(QPointF(23.5, 26), 2.1, 2.1);
}

struct Shape {
    QPixmap picture;
    QPoint hotSpot;
};

QHash<int, Shape>& registry()
{
    static QHash<int, Shape> shapes;
    return shapes;
}

Shape make(int number)
{
    Shape s;
    QPainter* p = begin(s.picture);
    switch (number) {
    case crHandUp: drawHand(*p, false); s.hotSpot = QPoint(13, 1); break;
    case crHandDown: drawHand(*p, true); s.hotSpot = QPoint(kSize - 14, kSize - 2); break;
    case crTon: drawSpeaker(*p); s.hotSpot = QPoint(10, 16); break;
    case crOhr: drawEar(*p); s.hotSpot = QPoint(19, 12); break;
    case crHandClose: drawFist(*p); s.hotSpot = QPoint(16, 16); break;
    case crFrage: drawQuestion(*p); s.hotSpot = QPoint(1, 1); break;
    default: break;
    }
    delete p;
    return s;
}

} // namespace

void RegisterCursors()
{
    if (!registry().isEmpty())
        return;
    for (int n : {crHandDown, crHandUp, crTon, crOhr, crHandClose, crFrage})
        registry().insert(n, make(n));
}

QCursor programCursor(int number)
{
    RegisterCursors();
    const auto it = registry().constFind(number);
    if (it == registry().constEnd())
        return QCursor(Qt::ArrowCursor);
    return QCursor(it->picture, it->hotSpot.x(), it->hotSpot.y());
}

QPixmap cursorPicture(int number)
{
    RegisterCursors();
    return registry().value(number).picture;
}
