#include "results/Drucken.h"

#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "media/metafile/Metafile.h"
#include "media/picture/Picture.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>

namespace {

constexpr int kPrinterDpi = 600;

// Text is placed by its top, as on the printer canvas the pages were laid out for.
void writeTop(QPainter& p, int x, int y, const QString& text)
{
    p.drawText(QPoint(x, y + p.fontMetrics().ascent()), text);
}

QFont pointFont(const QString& family, int points, bool bold = false)
{
    QFont f(family);
    f.setPointSize(points);
    f.setBold(bold);
    f.setKerning(false);
    return f;
}

// Ends the painting and tells whether the job got through.
bool finishJob(QPainter& p, QPagedPaintDevice& device)
{
    bool ok = p.end();
    if (auto* printer = dynamic_cast<QPrinter*>(&device)) {
        const auto state = printer->printerState();
        if (state == QPrinter::Error || state == QPrinter::Aborted)
            ok = false;
        // The PDF writer does not report a file that could not be written.
        if (printer->outputFormat() == QPrinter::PdfFormat && !printer->outputFileName().isEmpty() &&
            fsys::fileSize(printer->outputFileName()) <= 0)
            ok = false;
    }
    return ok;
}

} // namespace

// The project has no postal address, telephone or web site of its own; none is invented.
QString PublisherContactLine() { return QStringLiteral("Das Kalimo-Projekt"); }

QString PrintedDate(const QDate& date) { return date.toString(QStringLiteral("dd.MM.yyyy")); }

const QStringList& PraiseWords()
{
    static const QStringList words = {QStringLiteral("Toll gemacht!"), QStringLiteral("Spitzenmäßig!"),
                                      QStringLiteral("Richtig gut!"),  QStringLiteral("Prima!"),
                                      QStringLiteral("Weiter so!"),    QStringLiteral("Bravo!")};
    return words;
}

void PrintPageFooter(QPainter& canvas, int left, int y, int page, int right)
{
    const QFont saved = canvas.font();
    QFont small = saved;
    small.setPointSizeF(saved.pointSizeF() - 2);
    canvas.setFont(small);
    const QFontMetrics fm = canvas.fontMetrics();
    const QString contact = QStringLiteral("** ") + PublisherContactLine() + QStringLiteral(" **");
    writeTop(canvas, left + (right - left - fm.horizontalAdvance(contact)) / 2, y, contact);
    canvas.save();
    canvas.setPen(QPen(Qt::black, 1));
    canvas.setBrush(Qt::NoBrush);
    // The band from (left, y) to (right, y + height + 10), right and bottom edges exclusive.
    canvas.drawRect(QRect(left, y, right - left - 1, fm.height() + 10 - 1));
    canvas.restore();
    const QString number = QStringLiteral("- Seite ") + QString::number(page) + QStringLiteral(" -");
    writeTop(canvas, left + (right - left - fm.horizontalAdvance(number)) / 2, y + 2 * fm.height(), number);
    canvas.setFont(saved);
}

bool PrintProtocolLines(QPagedPaintDevice& device, const QStringList& lines, bool withTitle)
{
    if (lines.isEmpty())
        return true;
    QPainter p;
    if (!p.begin(&device))
        return false;
    p.setRenderHint(QPainter::TextAntialiasing);
    const int L = 250, T = 250, R = p.device()->width() - 250, B = p.device()->height() - 250;
    const QString family = QStringLiteral("Courier New");
    const QFont regular = pointFont(family, 9);
    QFont bold = regular;
    bold.setBold(true);
    int page = 1;
    int y = T;
    qsizetype i = 0;
    const qsizetype n = lines.size();

    // Header
    if (withTitle) {
        p.setFont(pointFont(family, 12, true));
        writeTop(p, L, T, lines.at(0));
        y = T + 2 * p.fontMetrics().height();
        i = 1;
    }
    p.setFont(bold);
    const int lineHeight = p.fontMetrics().height();
    if (i < n) {
        if (lines.at(i) != QLatin1String("  ")) {
            writeTop(p, L, y, QStringLiteral("Programm: ") + lines.at(i));
            y += lineHeight;
        }
        ++i;
    }
    writeTop(p, L, y, QStringLiteral("Nutzer:   ") + g().currentPlayer());
    y += 2 * lineHeight;

    // Body
    p.setFont(regular);
    QFont underlined = regular;
    underlined.setUnderline(true);
    QFont italic = regular;
    italic.setItalic(true);
    const QString more = QStringLiteral("Fortsetzung auf nächster Seite ...");
    for (; i < n; ++i) {
        if (y > B - 200) {
            // A line remains and the page is full.
            writeTop(p, R - p.fontMetrics().horizontalAdvance(more), B - 10 - lineHeight, more);
            PrintPageFooter(p, L, B, page, R);
            ++page;
            if (!device.newPage()) {
                p.end();
                return false;
            }
            y = T;
        }
        const QString& line = lines.at(i);
        if (line.startsWith(QLatin1String("  Datei"))) {
            const int x = L + p.fontMetrics().horizontalAdvance(QStringLiteral("  "));
            p.setFont(underlined);
            const QString word = QStringLiteral("Datei:");
            writeTop(p, x, y, word);
            const int after = x + p.fontMetrics().horizontalAdvance(word);
            p.setFont(regular);
            // The rest from the ninth character on; its colon is the underlined word's own.
            QString rest = line.mid(8);
            if (rest.startsWith(QLatin1Char(':')))
                rest.remove(0, 1);
            writeTop(p, after, y, rest);
        } else if (line.startsWith(QLatin1String("  OPTIONS"))) {
            p.setFont(italic);
            writeTop(p, L, y, line);
            p.setFont(regular);
        } else {
            writeTop(p, L, y, line);
        }
        y += lineHeight;
    }
    PrintPageFooter(p, L, B, page, R);
    return finishJob(p, device);
}

void DrawOrnamentFrame(QPainter& canvas, int left, int right, int inset, int bow, int sideBow, int bottom, int top)
{
    const auto frame = [&](int a, int b, int g, int f) {
        const int h = a + (b - a) / 3, k = g + (f - g) / 3;
        const int d = bow, e = sideBow;
        QPainterPath path;
        path.moveTo(a, g);
        path.cubicTo(h, g + d, 2 * h - a, g + d, b, g);
        path.moveTo(b, g);
        path.cubicTo(b - e, k, b - e, 2 * k - g, b, f);
        path.moveTo(a, f);
        path.cubicTo(h, f - d, 2 * h - a, f - d, b, f);
        path.moveTo(a, g);
        path.cubicTo(a + e, k, a + e, 2 * k - g, a, f);
        canvas.drawPath(path);
    };
    canvas.save();
    canvas.setBrush(Qt::NoBrush);
    frame(left, right, top, bottom);
    frame(left + inset, right - inset, top + inset, bottom - inset);
    canvas.restore();
}

QString AchievementLine(int programCode, int taskCount, const TimeParts& t)
{
    QString s;
    if (IsMemoryGame(programCode)) {
        const QString x = programCode == 305   ? QStringLiteral("Memory-")
                          : programCode == 407 ? QStringLiteral("Laut-Memory-")
                                               : QString();
        if (taskCount == 1)
            s = QStringLiteral("ein ") + x + QStringLiteral("Spiel ") + QStringLiteral("in") + QLatin1Char(' ');
        else
            s = QString::number(taskCount) + QLatin1Char(' ') + x + QStringLiteral("Spiele ") + QStringLiteral("in") +
                QLatin1Char(' ');
    } else {
        s = QString::number(taskCount) + QStringLiteral(" Aufgaben ") + QStringLiteral("in");
    }
    auto unit = [](int n, const char* one, const char* many) {
        return QLatin1Char(' ') + QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(n == 1 ? one : many);
    };
    if (t.hours > 0)
        s += unit(t.hours, "Stunde", "Stunden");
    if (t.minutes > 0)
        s += unit(t.minutes, "Minute", "Minuten");
    if (t.seconds > 0 && (t.hours > 0 || t.minutes > 0))
        s += QStringLiteral(" und");
    if (t.seconds > 0)
        s += unit(t.seconds, "Sekunde", "Sekunden");
    return s + QStringLiteral(" mit Erfolg gelöst!");
}

QString ChooseColouringPicture(const QString& folder)
{
    if (folder.isEmpty() || !fsys::dirExists(folder))
        return QString();
    // Drawing at random among the metafiles is the same as drawing among all files until one is a
    // metafile, without giving up after a number of draws.
    QStringList candidates;
    for (const QString& f : fsys::list(folder, QStringLiteral("*"), true, fsys::Entries::Files)) {
        const QString ext = fsys::extension(f).toUpper();
        if (ext == QLatin1String(".WMF") || ext == QLatin1String(".EMF"))
            candidates << f;
    }
    while (!candidates.isEmpty()) {
        const int i = rnd::below(int(candidates.size()));
        const QString file = candidates.takeAt(i);
        const auto mf = metafile::Metafile::load(file);
        if (mf && !mf->naturalSize().isEmpty())
            return file;
    }
    return QString();
}

TUrkunde MakeCertificate(const QString& playerName, const QString& programText, int taskCount, double workingDays,
                         int programCode)
{
    TUrkunde u;
    u.playerName = playerName;
    u.programText = programText;
    u.taskCount = taskCount;
    u.workingTime = SplitTime(workingDays);
    u.programCode = programCode;
    u.date = clock_::now().date();
    u.praise = PraiseWords().at(rnd::below(int(PraiseWords().size())));
    const QString folder = g().config.dirs.bilderurkunde;
    u.pictureFolder = !folder.isEmpty() && fsys::dirExists(folder);
    if (u.pictureFolder)
        u.picture = ChooseColouringPicture(folder);
    return u;
}

bool PrintCertificate(QPagedPaintDevice& device, const TUrkunde& u)
{
    QPainter p;
    if (!p.begin(&device))
        return false;
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const int W = p.device()->width(), H = p.device()->height();
    const int P = 250, Q = 200;
    const QString family = QStringLiteral("Comic Sans MS");
    auto size = [&](int points) {
        p.setFont(pointFont(family, points));
        return p.fontMetrics().height();
    };
    auto centred = [&](const QString& text, int top) {
        writeTop(p, P + (W - 2 * P - p.fontMetrics().horizontalAdvance(text)) / 2, top, text);
    };
    // A fine line for the ornaments (the canvas default of one device pixel vanishes at 600 dpi).
    p.setPen(QPen(Qt::black, 4));

    const int G = size(8) + 20;

    // Title in its frame
    const int titleHeight = size(48);
    const int F = (H - 2 * Q) / 5;
    const int y0 = Q + (F - titleHeight) / 2;
    centred(QStringLiteral("Urkunde"), y0);
    DrawOrnamentFrame(p, P, W - P, 5, 10, 100, y0 + titleHeight, y0 - 20);
    const int y1 = y0 + titleHeight + G;

    const bool standard = u.playerName.compare(QLatin1String("Standard"), Qt::CaseInsensitive) == 0;
    const QString name = standard ? QStringLiteral("_____________________________") : u.playerName;
    int top = y1 + G;
    int h = size(18);
    centred(QStringLiteral("für ") + name, top);
    int bottom = top + h;

    h = size(12);
    top = bottom + 2 * G;
    centred(QStringLiteral("Du hast heute am ") + PrintedDate(u.date), top);
    bottom = top + h;
    top = bottom + G;
    centred(QStringLiteral("beim Programm"), top);
    bottom = top + h;

    size(16);
    const int programTop = bottom + G;
    centred(u.programText.toUpper(), programTop);

    const int h12 = size(12);
    const int achievementTop = programTop + h12 + G;
    centred(AchievementLine(u.programCode, u.taskCount, u.workingTime), achievementTop);

    size(16);
    centred(u.praise, achievementTop + 2 * h12);

    if (u.pictureFolder) {
        const int h8 = size(8);
        const int labelTop = H / 2 - G;
        centred(QStringLiteral("Zum Ausmalen: "), labelTop);
        DrawOrnamentFrame(p, P, W - P, 5, 10, 100, labelTop + 120, labelTop - 20);
        if (!u.picture.isEmpty()) {
            if (const auto mf = metafile::Metafile::load(u.picture); mf && !mf->naturalSize().isEmpty()) {
                const int boxTop = labelTop + h8 + G;
                const QRect box(P, boxTop, W - 2 * P, H - Q - 100 - boxTop);
                if (box.width() > 0 && box.height() > 0) {
                    p.save();
                    mf->render(p, picture::FitRect(mf->naturalSize().width(), mf->naturalSize().height(), box));
                    p.restore();
                }
            }
        }
    }

    DrawOrnamentFrame(p, P, W - P, 5, 10, 100, H - Q + 70, H - Q - 70);
    size(8);
    centred(PublisherContactLine(), H - Q - 50);
    return finishJob(p, device);
}

namespace printjob {

QString FailureText() { return QStringLiteral("Das Drucken ist fehlgeschlagen."); }

bool ChoosePrinter(QWidget* parent, QPrinter& printer)
{
    if (!dialogs::current().choosePrinter(parent, printer, QStringLiteral("Drucken")))
        return false;
    printer.setResolution(kPrinterDpi);
    return true;
}

Outcome PreviewAndPrint(QWidget* parent, QPrinter& printer, const std::function<bool(QPagedPaintDevice&)>& render,
                        const std::function<void()>& beforePrint)
{
    printer.setResolution(kPrinterDpi);
    const bool confirmed = dialogs::current().confirmPrintPreview(
        parent, printer, printer.docName(), [&render](QPrinter& device) { render(device); });
    if (!confirmed)
        return Outcome::Cancelled;
    if (beforePrint)
        beforePrint();
    if (render(printer))
        return Outcome::Printed;
    dialogs::error(parent, FailureText());
    return Outcome::Failed;
}

} // namespace printjob
