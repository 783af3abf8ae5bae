#pragma once
// Reading printed PDFs back: text with pdftotext -layout, pages as pictures with pdftoppm.
#include <QDir>
#include <QImage>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace pdfutil {

// The text of the whole document; pages are separated by form feeds.
inline QString text(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                                          pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("<pdftotext failed: %1>").arg(QString::fromLocal8Bit(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline QStringList pages(const QString& pdf)
{
    QStringList out = text(pdf).split(QLatin1Char('\f'));
    if (!out.isEmpty() && out.last().trimmed().isEmpty())
        out.removeLast();
    return out;
}

// The non-empty lines of a page's text, each with runs of blanks made one: the layout mode
// rebuilds blanks from the glyph positions, so their number is not what was printed.
inline QStringList lines(const QString& pageText)
{
    QStringList out;
    for (const QString& l : pageText.split(QLatin1Char('\n')))
        if (!l.trimmed().isEmpty())
            out << l.simplified();
    return out;
}

// The same for expected lines.
inline QStringList simplified(QStringList lines)
{
    for (QString& l : lines)
        l = l.simplified();
    return lines;
}

// One page as a greyscale picture at `dpi`.
inline QImage page(const QString& pdf, int number, int dpi)
{
    QTemporaryDir dir;
    const QString base = dir.path() + QStringLiteral("/page");
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-gray"), QStringLiteral("-r"),
                                         QString::number(dpi), QStringLiteral("-f"), QString::number(number),
                                         QStringLiteral("-l"), QString::number(number), QStringLiteral("-singlefile"),
                                         pdf, base});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QImage();
    return QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_Grayscale8);
}

// Pixels darker than mid-grey inside `r` (in the picture's pixels).
inline int darkPixels(const QImage& img, const QRect& r)
{
    int n = 0;
    const QRect box = r.intersected(img.rect());
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (qGray(img.pixel(x, y)) < 128)
                ++n;
    return n;
}

// A printer as the scripted printer dialog gives it, at the resolution printing sets.
inline void toPdf(QPrinter& printer, const QString& path)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setResolution(600);
}

} // namespace pdfutil
