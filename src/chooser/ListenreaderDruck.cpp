// The printed catalogue of a program's task lists.
#include "chooser/Listenreader.h"
#include "core/FileSystem.h"

#include <QFont>
#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>

namespace chooser {

namespace {
constexpr int kIndent = 4;
constexpr int kBottomReserve = 100;  // device units kept free above the bottom margin
constexpr int kMaxDepth = 24;        // against folder loops through links

void collect(const QString& folder, int level, QStringList& out)
{
    const QString pad(kIndent * level, QLatin1Char(' '));
    for (const QString& f : fsys::list(folder, QStringLiteral("*.txt"), false, fsys::Entries::Files))
        out << pad + f;
    if (level > kMaxDepth)
        return;
    for (const QString& d : fsys::list(folder, QStringLiteral("*"), false, fsys::Entries::Dirs)) {
        out << pad + d;
        collect(fsys::withSlash(folder + d), level + 1, out);
    }
}
} // namespace

QStringList ListCatalogueLines(const QString& listFolder)
{
    QStringList out;
    collect(fsys::withSlash(listFolder), 1, out);
    return out;
}

bool PrintListCatalogue(QPagedPaintDevice& device, const QString& listFolder, const QString& heading)
{
    QPainter p;
    if (!p.begin(&device))
        return false;
    QFont body(QStringLiteral("Courier New"));
    body.setStyleHint(QFont::Monospace);
    body.setPointSize(10);
    QFont head = body;
    head.setPointSize(14);
    head.setBold(true);

    const int pageHeight = device.height();
    const int pageWidth = device.width();
    const QFontMetrics bm(body, &device);
    const QFontMetrics hm(head, &device);
    const int lineHeight = bm.height();
    const int limit = pageHeight - kBottomReserve;
    int page = 1;

    auto footer = [&] {
        p.setFont(body);
        p.drawText(QRect(0, limit, pageWidth, kBottomReserve), Qt::AlignHCenter | Qt::AlignBottom,
                   QStringLiteral("Seite: ") + QString::number(page));
    };

    p.setFont(head);
    p.drawText(0, hm.ascent(), heading);
    int y = hm.height() + lineHeight;
    p.setFont(body);
    for (const QString& line : ListCatalogueLines(listFolder)) {
        if (y + lineHeight > limit) {
            footer();
            if (!device.newPage()) {
                p.end();
                return false;
            }
            ++page;
            y = 0;
            p.setFont(body);
        }
        p.drawText(0, y + bm.ascent(), line);
        y += lineHeight;
    }
    footer();
    return p.end();
}

} // namespace chooser
