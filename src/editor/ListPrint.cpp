#include "editor/ListPrint.h"

#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "editor/ListExport.h"
#include "results/Drucken.h"

#include <QDir>
#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>

namespace editor {
namespace {

constexpr int kMargin = 300;
constexpr int kTop = 200;

QString relativeTo(const QString& folder, const QString& path)
{
    const QString base = fsys::withSlash(folder);
    const QString p = fsys::fromStored(path);
    return fsys::toStored(p.startsWith(base, Qt::CaseInsensitive) ? p.mid(base.size()) : p);
}

class ListPage
{
public:
    ListPage(QPagedPaintDevice& device, QPainter& p) : m_device(device), m_p(p)
    {
        m_body = QFont(QStringLiteral("Courier New"));
        m_body.setStyleHint(QFont::Monospace);
        m_body.setPointSize(10);
        m_p.setFont(m_body);
    }

    int width() const { return m_device.width(); }
    int height() const { return m_device.height(); }
    int lineHeight() const { return QFontMetrics(m_p.font(), &m_device).boundingRect(QStringLiteral("Äg")).height(); }
    int advance(const QString& text) const { return QFontMetrics(m_p.font(), &m_device).horizontalAdvance(text); }
    // Text with its top at y.
    void text(int x, int y, const QString& s) { m_p.drawText(x, y + QFontMetrics(m_p.font(), &m_device).ascent(), s); }
    void bold(bool on)
    {
        QFont f = m_p.font();
        f.setBold(on);
        m_p.setFont(f);
    }
    void body() { m_p.setFont(m_body); }

    // The footer at page height - 6 L: contact line and page number, centred in a thin frame.
    // Returns the closing line's position.
    int footer(int page)
    {
        const int yf = height() - 6 * lineHeight();
        const QFont saved = m_p.font();
        QFont small = saved;
        small.setPointSize(6);
        m_p.setFont(small);
        const QFontMetrics fm(small, &m_device);
        const QString line = PublisherContactLine() + QStringLiteral(" *** Seite: ") + QString::number(page);
        const int left = kMargin, right = width() - kMargin;
        text(left + (right - left - fm.horizontalAdvance(line)) / 2, yf, line);
        m_p.save();
        m_p.setPen(QPen(Qt::black, 1));
        m_p.setBrush(Qt::NoBrush);
        m_p.drawRect(QRect(left, yf - 1, right - left, fm.height() + 2));
        m_p.restore();
        m_p.setFont(saved);
        return yf + 2 * fm.height();
    }

private:
    QPagedPaintDevice& m_device;
    QPainter& m_p;
    QFont m_body;
};

} // namespace

bool PrintTaskListPages(QPagedPaintDevice& device, int programCode, const QString& editedFile, const TDaten& tasks,
                        const TLayout& layout, const QDate& date)
{
    QPainter p;
    if (!p.begin(&device))
        return false;
    ListPage page(device, p);
    const int x0 = kMargin;
    const int right = page.width() - kMargin;
    int y = kTop;

    // The file name, wrapped character by character where it would pass the right limit.
    page.bold(true);
    int L = page.lineHeight();
    page.text(x0, y, QStringLiteral("Datei: "));
    const int nameStart = x0 + page.advance(QStringLiteral("Datei: "));
    int x = nameStart;
    const QString listen = fsys::withSlash(g().config.dirs.listen);
    const QString name = QStringLiteral(".\\") + relativeTo(listen, editedFile);
    for (const QChar c : name) {
        const int w = page.advance(QString(c));
        if (x + w > right) {
            y += L;
            x = nameStart;
        }
        page.text(x, y, QString(c));
        x += w;
    }
    y += L + L / 2;
    page.body();
    L = page.lineHeight();
    y += L + L / 2;

    const TFont font = layout.font.value_or(TFont{});
    const QStringList head{
        QStringLiteral("Hintergrundbild:  ") + relativeTo(g().config.dirs.hintergrundbilder, layout.backgroundPicture),
        QStringLiteral("Schrift: ") + font.name + QStringLiteral(", ") + QString::number(font.size),
        QStringLiteral("Rückseite: ") + layout.cardBack,
        QStringLiteral("Überschrift: ") + layout.heading,
        QStringLiteral("Überschriftsound: ") + layout.headingSound,
        QStringLiteral("Bild-Startpfad: ") + QDir::toNativeSeparators(g().config.dirs.materialBilder),
        QStringLiteral("Sound-Startpfad: ") + QDir::toNativeSeparators(g().config.dirs.materialSound),
        QString(),
        programCode == 101 || programCode == 102
            ? QStringLiteral("  ")
            : QStringLiteral("insgesamt: ") + QString::number(tasks.tasks.size()) + QStringLiteral(" Aufgaben"),
        QString()};
    for (const QString& line : head) {
        page.text(x0, y, line);
        y += L;
    }

    const int w = page.width() - 2 * kMargin;
    const int column2 = x0 + w / 3, column3 = x0 + 2 * w / 3;
    const int taskStart = y;
    const int lastRow = LastRowNumber(programCode);
    int pageNumber = 1;
    int closing = 0;
    for (size_t t = 0; t < tasks.tasks.size(); ++t) {
        const QString number = QStringLiteral("%1:").arg(int(t + 1), 2);
        page.bold(true);
        page.text(x0, y, number);
        const int pictureX = x0 + page.advance(number + QLatin1Char(' '));
        page.body();
        for (const TEinzelbild& row : TaskRows(programCode, tasks.tasks[t])) {
            page.text(pictureX, y, row.picture);
            page.text(column2, y, QStringLiteral(" | ") + row.sounds);
            page.text(column3, y, QStringLiteral(" | ") + row.text);
            y += L;
        }
        y += L / 2;
        if (page.height() - 6 * L < y + lastRow * L) {
            page.text(column2, y, QStringLiteral("-> nächste Seite  "));
            closing = page.footer(pageNumber);
            if (!device.newPage()) {
                p.end();
                return false;
            }
            ++pageNumber;
            y = taskStart;
        }
    }
    if (y > kTop)
        closing = page.footer(pageNumber);
    if (closing == 0)
        closing = page.height() - 6 * L;
    page.text(x0, closing, QStringLiteral("PROGRAMM: Kalimo - ") + PrintedDate(date));
    return p.end();
}

void PrintTaskList(QWidget* parent, int programCode, const QString& editedFile, const TDaten& tasks, const TLayout& layout)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!printjob::ChoosePrinter(parent, printer))
        return;
    printer.setDocName(fsys::fileName(editedFile));
    const QDate today = QDate::currentDate();
    printjob::PreviewAndPrint(parent, printer, [&](QPagedPaintDevice& device) {
        return PrintTaskListPages(device, programCode, editedFile, tasks, layout, today);
    });
}

} // namespace editor
