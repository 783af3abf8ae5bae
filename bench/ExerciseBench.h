#pragma once
// What the exercise benchmarks share: the clock, the median, playing out the test backend's sounds,
// and the floor of a next-task paint (card-sized JPEGs decoded and drawn, fitted, in one paint).
#include "media/sound/TestAudioBackend.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <vector>

namespace benchsupport {

inline double medianOf(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Ends every started sound in turn, with the window's events processed between.
inline void playOutSounds(TestAudioBackend& audio)
{
    for (int i = 0; i < 80; ++i) {
        QApplication::processEvents();
        if (audio.endNext().isEmpty())
            break;
    }
    QApplication::processEvents();
}

class JpegCards : public QWidget
{
public:
    struct Card {
        QString file;
        QRect rect;
    };
    std::vector<Card> cards;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        for (const Card& c : cards) {
            const QImage image(c.file);
            QRect target(QPoint(0, 0), image.size().scaled(c.rect.size(), Qt::KeepAspectRatio));
            target.moveCenter(c.rect.center());
            p.fillRect(c.rect, Qt::white);
            p.drawImage(target, image);
        }
    }
};

} // namespace benchsupport
