#include "shell/Backdrop.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

TFormSTARTBILDSCHIRM::TFormSTARTBILDSCHIRM(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor TFormSTARTBILDSCHIRM::stripeColour(int i)
{
    if (i < 138)
        return QColor(139 - i, 173 - i, 213 - i);
    if (i < 172)
        return QColor(0, 173 - i, 213 - i);
    if (i < 212)
        return QColor(0, 0, 213 - i);
    return QColor(0, 0, 0);
}

void TFormSTARTBILDSCHIRM::coverScreenOf(const QPoint& globalPos)
{
    QScreen* s = QGuiApplication::screenAt(globalPos);
    if (!s)
        s = QGuiApplication::primaryScreen();
    if (s)
        setGeometry(s->geometry());
}

void TFormSTARTBILDSCHIRM::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    for (int i = 0, x = 0; x < width(); ++i, x += 7)
        p.fillRect(x, 0, 7, height(), stripeColour(i));
}

void TFormSTARTBILDSCHIRM::mousePressEvent(QMouseEvent*)
{
    if (m_front && m_front->isVisible()) {
        m_front->raise();
        m_front->activateWindow();
    }
}
