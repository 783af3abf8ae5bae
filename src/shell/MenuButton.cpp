#include "shell/MenuButton.h"
#include "shell/ShellPictures.h"

#include <QMouseEvent>
#include <QPainter>

TMenuButton::TMenuButton(const QString& caption, const QString& formular, const QString& topPicture,
                         const QString& bottomPicture, QWidget* parent)
    : QWidget(parent), m_caption(caption), m_formular(formular), m_top(topPicture), m_bottom(bottomPicture)
{
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(caption);
}

QImage TMenuButton::drawFace(const QSize& size, const QString& file, const QString& label, const QFont& font,
                             bool labelAlways, const QColor& faceColour)
{
    QImage face(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    face.fill(faceColour);
    const bool drawn = drawButtonFace(face, file, faceColour);
    if (!drawn || labelAlways) {
        QPainter p(&face);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setFont(font);
        p.setPen(Qt::black);
        // The caption starts clear of the rounded border that button pictures have.
        p.drawText(face.rect().adjusted(face.height() / 5, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   label);
    }
    return face;
}

void TMenuButton::buildFaces(const QString& label, const QFont& font, bool labelAlways, const QColor& background,
                             const QImage& readyNormal)
{
    m_normal = readyNormal.size() == size().expandedTo(QSize(1, 1))
                   ? readyNormal
                   : drawFace(size(), m_top, label, font, labelAlways, background);
    // The highlighted face waits until it is first shown: start-up draws only what it shows.
    m_highlight = QImage();
    m_faceLabel = label;
    m_faceFont = font;
    m_labelAlways = labelAlways;
    m_faceBackground = background;
    update();
}

const QImage& TMenuButton::highlightFace() const
{
    if (m_highlight.isNull() && !m_normal.isNull())
        m_highlight = drawFace(size(), m_bottom, m_faceLabel, m_faceFont, m_labelAlways, m_faceBackground);
    return m_highlight;
}

void TMenuButton::setHighlighted(bool on)
{
    if (m_highlighted == on)
        return;
    m_highlighted = on;
    if (frame)
        frame->setFrameShadow(on ? QFrame::Sunken : QFrame::Raised);
    update();
}

void TMenuButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QImage& face = m_highlighted ? highlightFace() : m_normal;
    if (!face.isNull())
        p.drawImage(rect(), face);
}

void TMenuButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        emit clicked();
}

void TMenuButton::mouseMoveEvent(QMouseEvent* e)
{
    if (!m_highlighted)
        emit hovered();
    QWidget::mouseMoveEvent(e);
}

void TMenuButton::enterEvent(QEnterEvent*)
{
    if (!m_highlighted)
        emit hovered();
}
