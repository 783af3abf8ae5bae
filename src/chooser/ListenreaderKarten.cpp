// The preview cards of the task-list chooser.
#include "chooser/Listenreader.h"
#include "media/picture/Picture.h"

#include <QPainter>
#include <QPaintEvent>

namespace {
// Cream: the background the pictures of the preview lie on (0x00BBGGRR).
constexpr picture::Colour kCream = 0x00DCF8FF;
constexpr int kMaxColumns = 6;
}

TPreviewCards::TPreviewCards(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("P_karten"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(236, 242, 250));
    setPalette(pal);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void TPreviewCards::setCards(std::vector<Card> cards, bool textOnly)
{
    m_cards = std::move(cards);
    m_textOnly = textOnly;
    m_images.assign(m_cards.size(), QImage());
    updateGeometry();
    setMinimumHeight(heightForWidth(width()));
    update();
}

TPreviewCards::Geometry TPreviewCards::geometryFor(int width) const
{
    Geometry g;
    const int n = int(m_cards.size());
    g.gap = 10;
    g.columns = qBound(1, m_textOnly ? kMaxColumns : qMin(n, kMaxColumns), kMaxColumns);
    const QFontMetrics fm(font());
    g.captionHeight = fm.height() + 4;
    // Cards stay at a readable size and, where they can, all rows fit the visible area.
    g.cardWidth = qMin((width - (g.columns + 1) * g.gap) / g.columns, m_textOnly ? 220 : 240);
    const int rows = qMax(1, (n + g.columns - 1) / g.columns);
    const QWidget* area = parentWidget();
    if (!m_textOnly && area && area->height() > 0) {
        const int maxCardHeight = (area->height() - (rows + 1) * g.gap) / rows;
        g.cardWidth = qMin(g.cardWidth, (maxCardHeight - g.captionHeight - fm.height() - 14) * 4 / 3);
    }
    g.cardWidth = qMax(80, g.cardWidth);
    if (m_textOnly) {
        g.pictureHeight = 0;
        g.cardHeight = g.captionHeight + fm.height() * 2 + 16;
    } else {
        g.pictureHeight = g.cardWidth * 3 / 4;
        g.cardHeight = g.captionHeight + g.pictureHeight + fm.height() + 14;
    }
    return g;
}

int TPreviewCards::heightForWidth(int width) const
{
    if (m_cards.empty())
        return 0;
    const Geometry g = geometryFor(width);
    const int rows = (int(m_cards.size()) + g.columns - 1) / g.columns;
    return g.gap + rows * (g.cardHeight + g.gap);
}

QSize TPreviewCards::sizeHint() const { return QSize(600, qMax(100, heightForWidth(600))); }

QRect TPreviewCards::cardRect(int i) const
{
    if (i < 0 || i >= int(m_cards.size()))
        return QRect();
    const Geometry g = geometryFor(width());
    const int usedColumns = qMin(g.columns, int(m_cards.size()));
    const int rowWidth = usedColumns * g.cardWidth + (usedColumns - 1) * g.gap;
    const int left = qMax(g.gap, (width() - rowWidth) / 2);
    const int col = i % g.columns, row = i / g.columns;
    return QRect(left + col * (g.cardWidth + g.gap), g.gap + row * (g.cardHeight + g.gap), g.cardWidth, g.cardHeight);
}

QRect TPreviewCards::pictureRect(int i) const
{
    if (m_textOnly)
        return QRect();
    const QRect card = cardRect(i);
    if (card.isEmpty())
        return QRect();
    const Geometry g = geometryFor(width());
    return QRect(card.left() + 6, card.top() + g.captionHeight, card.width() - 12, g.pictureHeight - 6);
}

void TPreviewCards::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    setMinimumHeight(heightForWidth(width()));
}

QImage TPreviewCards::pictureImage(int i, QSize size)
{
    QImage& cached = m_images[size_t(i)];
    if (cached.size() == size)
        return cached;
    picture::Target t(size.width(), size.height(), kCream);
    const Card& c = m_cards[size_t(i)];
    if (!c.picture.isEmpty())
        picture::DrawPicture(t, c.picture, kCream, c.percent, true, true);
    cached = t.image;
    return cached;
}

void TPreviewCards::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QFont captionFont = font();
    captionFont.setBold(true);
    QFont textFont = font();
    textFont.setPixelSize(qMax(12, font().pixelSize() + 2));
    for (int i = 0; i < int(m_cards.size()); ++i) {
        const Card& c = m_cards[size_t(i)];
        const QRect card = cardRect(i);
        p.setPen(QPen(QColor(120, 130, 150), 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(card).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        const Geometry g = geometryFor(width());
        p.setFont(captionFont);
        p.setPen(QColor(0, 50, 149));
        p.drawText(QRect(card.left() + 6, card.top() + 2, card.width() - 12, g.captionHeight - 2),
                   Qt::AlignLeft | Qt::AlignVCenter, c.caption);
        QRect textBox;
        if (m_textOnly) {
            textBox = QRect(card.left() + 6, card.top() + g.captionHeight, card.width() - 12,
                            card.height() - g.captionHeight - 6);
            p.setPen(Qt::NoPen);
            p.setBrush(picture::toQColor(kCream));
            p.drawRect(textBox);
        } else {
            const QRect box = pictureRect(i);
            p.drawImage(box.topLeft(), pictureImage(i, box.size()));
            p.setPen(QColor(200, 200, 200));
            p.setBrush(Qt::NoBrush);
            p.drawRect(box.adjusted(0, 0, -1, -1));
            textBox = QRect(card.left() + 6, box.bottom() + 2, card.width() - 12, card.bottom() - box.bottom() - 4);
        }
        p.setFont(textFont);
        p.setPen(Qt::black);
        const QString shown = QFontMetrics(textFont).elidedText(c.text, Qt::ElideRight, textBox.width());
        p.drawText(textBox, Qt::AlignCenter, shown);
    }
}
