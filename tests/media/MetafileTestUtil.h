#pragma once
// Small writers of WMF and EMF records and an image comparison for the metafile tests.
#include <QByteArray>
#include <QImage>
#include <QtEndian>
#include <cmath>
#include <initializer_list>

namespace mftest {

inline void put16(QByteArray& b, int v)
{
    char c[2];
    qToLittleEndian(quint16(v), c);
    b.append(c, 2);
}
inline void put32(QByteArray& b, qint64 v)
{
    char c[4];
    qToLittleEndian(quint32(v), c);
    b.append(c, 4);
}

// A WMF built record by record; placeable when `box` is given.
class Wmf
{
public:
    explicit Wmf(int left = 0, int top = 0, int right = 100, int bottom = 100, int inch = 96, bool placeable = true)
    {
        if (placeable) {
            put32(m_head, 0x9AC6CDD7);
            put16(m_head, 0);
            put16(m_head, left);
            put16(m_head, top);
            put16(m_head, right);
            put16(m_head, bottom);
            put16(m_head, inch);
            put32(m_head, 0);
            put16(m_head, 0);
        }
    }
    // Parameters as 16-bit words, in file order.
    Wmf& rec(int fn, std::initializer_list<int> words)
    {
        put32(m_body, 3 + qint64(words.size()));
        put16(m_body, fn);
        for (int w : words)
            put16(m_body, w);
        return *this;
    }
    Wmf& raw(const QByteArray& bytes)
    {
        m_body += bytes;
        return *this;
    }
    QByteArray bytes(int objects = 8) const
    {
        QByteArray h = m_head;
        put16(h, 1);
        put16(h, 9);
        put16(h, 0x0300);
        put32(h, (18 + m_body.size() + 6) / 2);
        put16(h, objects);
        put32(h, 0);
        put16(h, 0);
        QByteArray out = h + m_body;
        put32(out, 3);
        put16(out, 0);
        return out;
    }

private:
    QByteArray m_head, m_body;
};

// An EMF whose frame is `w` x `h` device pixels at 96 dpi.
class Emf
{
public:
    Emf(int w = 100, int h = 100) : m_w(w), m_h(h) {}
    Emf& rec(int type, std::initializer_list<qint64> dwords)
    {
        put32(m_body, type);
        put32(m_body, 8 + 4 * qint64(dwords.size()));
        for (qint64 v : dwords)
            put32(m_body, v);
        ++m_records;
        return *this;
    }
    Emf& raw(const QByteArray& bytes)
    {
        m_body += bytes;
        ++m_records;
        return *this;
    }
    QByteArray bytes(int handles = 8) const
    {
        QByteArray h;
        put32(h, 1);
        put32(h, 88);
        for (int v : {0, 0, m_w - 1, m_h - 1})
            put32(h, v);
        // Frame in 0.01 mm at 96 dpi.
        for (double v : {0.0, 0.0, (m_w - 1) * 2540.0 / 96, (m_h - 1) * 2540.0 / 96})
            put32(h, qint64(std::lround(v)));
        put32(h, 0x464D4520);
        put32(h, 0x10000);
        put32(h, 88 + m_body.size() + 20);
        put32(h, m_records + 2);
        put16(h, handles);
        put16(h, 0);
        put32(h, 0);
        put32(h, 0);
        put32(h, 0);
        put32(h, 960);  // device 960 x 960 pixels over 254 mm: 96 dpi
        put32(h, 960);
        put32(h, 254);
        put32(h, 254);
        QByteArray out = h + m_body;
        for (qint64 v : {14, 20, 0, 0, 20})
            put32(out, v);
        return out;
    }

private:
    int m_w, m_h;
    int m_records = 0;
    QByteArray m_body;
};

// Mean absolute difference (0..255) of two pictures reduced to greyscale thumbnails of `cell`
// pixels: robust against anti-aliasing and sub-pixel differences between renderers.
inline double meanGreyDifference(const QImage& a, const QImage& b, int cell = 4)
{
    const QSize size(std::max(1, a.width() / cell), std::max(1, a.height() / cell));
    const QImage ga = a.convertToFormat(QImage::Format_RGB32).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage gb = b.convertToFormat(QImage::Format_RGB32).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double sum = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            sum += std::abs(qGray(ga.pixel(x, y)) - qGray(gb.pixel(x, y)));
    return sum / (size.width() * size.height());
}

} // namespace mftest
