#include "results/Ergebnisse.h"

#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "results/RtfReader.h"

#include <QRegularExpression>
#include <QTextEdit>
#include <cmath>

RunState& run()
{
    static RunState s;
    return s;
}

void resetRun() { run() = RunState{}; }

int StartResultBlock(const QString& listFile)
{
    TErgebnis e;
    e.ListFile = listFile;
    e.ListPath = g().loadedListPath;
    run().runResults.push_back(e);
    return int(run().runResults.size()) - 1;
}

TZeile& StartResultRow(int block, int taskNumber)
{
    auto& results = run().runResults;
    if (block < 0 || block >= int(results.size()))
        block = StartResultBlock(QString());
    TZeile row;
    row.TaskNumber = taskNumber;
    results[size_t(block)].Rows.push_back(row);
    run().taskStartTime = clock_::now();
    return results[size_t(block)].Rows.back();
}

void ClearRunResults()
{
    for (TErgebnis& e : run().runResults)
        e.Rows.clear();
    run().runResults.clear();
    run().childActed = false;
}

void NoteChildActed() { run().childActed = true; }

bool ChildActedInRun()
{
    const RunState& r = run();
    if (r.childActed)
        return true;
    for (const TErgebnis& e : r.runResults)
        for (const TZeile& z : e.Rows)
            if (z.Attempts > 0 || z.Solved)
                return true;
    return false;
}

QString ProtocolCaption(int programCode)
{
    switch (programCode) {
    case 101: return QStringLiteral("Merkfähigkeit-Bild");
    case 102: return QStringLiteral("Merkfähigkeit-Text");
    case 201: return QStringLiteral("Doppelgänger - Bild");
    case 202: return QStringLiteral("Doppelgänger - Text");
    case 203: return QStringLiteral("Einer passt nicht - Bild");
    case 204: return QStringLiteral("Einer passt nicht - Text");
    case 301: return QStringLiteral("Gleich/Nicht gleich?");
    case 302: return QStringLiteral("Richtig oder Falsch?");
    case 303: return QStringLiteral("Welcher Laut passt?");
    case 304: return QStringLiteral("Lang Oder Kurz?");
    case 305: return QStringLiteral("Memory");
    case 401: return QStringLiteral("Laute positionieren");
    case 402: return QStringLiteral("Laut-/Silbensuche");
    case 403: return QStringLiteral("Laute hinzufügen");
    case 404: return QStringLiteral("Laute weglassen");
    case 405: return QStringLiteral("Laute ersetzen");
    case 406: return QStringLiteral("Silbenanzahl");
    case 407: return QStringLiteral("Laut-Silben-Memory");
    case 408: return QStringLiteral("PaarSuche");
    default: return QString();
    }
}

bool IsMemoryGame(int programCode) { return programCode == 305 || programCode == 407 || programCode == 408; }

QString PadNumber(int value, int width, QChar fill)
{
    QString pad;
    long long power = 1;
    for (int i = 1; i < width; ++i)
        power *= 10;
    for (; power >= 10; power /= 10)
        if (power > value)
            pad += fill;
    return pad + QString::number(value);
}

TimeParts SplitTime(double days)
{
    double f = days - std::floor(days);
    if (!std::isfinite(f))
        f = 0;
    // Whole hundredths first, with a small bias: f·86400 of an exact second must not become x.999.
    const long long total = (long long)std::floor(f * 8640000.0 + 1e-6) % 8640000;
    TimeParts t;
    t.hours = int(total / 360000);
    t.minutes = int(total / 6000 % 60);
    t.seconds = int(total / 100 % 60);
    t.hundredths = int(total % 100);
    return t;
}

TimeParts SplitTime(const QDateTime& from, const QDateTime& to)
{
    if (!from.isValid() || !to.isValid())
        return {};
    return SplitTime(double(from.msecsTo(to)) / 86400000.0);
}

QString WorkTimeText(const TimeParts& t)
{
    QStringList parts;
    if (t.hours > 0)
        parts << QString::number(t.hours) + QStringLiteral(" Stunden");
    if (t.minutes > 0)
        parts << QString::number(t.minutes) + QStringLiteral(" Minuten");
    if (t.seconds > 0)
        parts << QString::number(t.seconds) + QStringLiteral(" Sekunden ");
    return parts.join(QStringLiteral(", "));
}

QString ShortDate(const QDateTime& t) { return t.toString(QStringLiteral("dd.MM.yyyy")); }
QString ShortTime(const QDateTime& t) { return t.toString(QStringLiteral("HH:mm")); }

bool BuildRunProtocol(int programCode, const QString& caption)
{
    RunState& r = run();
    r.runProtocol.clear();
    bool anyRow = false;
    for (const TErgebnis& e : r.runResults)
        anyRow = anyRow || !e.Rows.empty();
    if (!anyRow)
        return false;
    const QString text = caption.isEmpty() ? ProtocolCaption(programCode) : caption;
    r.runProtocol << QStringLiteral("P ") + QString::number(programCode / 100) + QLatin1Char('.') +
                         QString::number(programCode % 100) + QStringLiteral(". ") + text;
    if (!g().currentPlayer().isEmpty())
        r.runProtocol << QStringLiteral("N ") + g().currentPlayer();
    r.runProtocol << QStringLiteral("D ") + ShortDate(r.runDate);
    WriteRunSummary(programCode);
    r.runEndTime = clock_::now();
    return !r.runProtocol.isEmpty();
}

void WriteRunSummary(int programCode)
{
    RunState& r = run();
    const bool memory = IsMemoryGame(programCode);
    int number = 1;
    QString previousFile;
    for (const TErgebnis& e : r.runResults) {
        if (e.Rows.empty())
            continue;
        r.runProtocol << QStringLiteral(" ");
        if (e.ListFile.compare(previousFile, Qt::CaseInsensitive) != 0) {
            r.runProtocol << QStringLiteral("F ") + e.ListFile;
            previousFile = e.ListFile;
        }
        if (memory) {
            QString vis;
            switch (e.CardVisibility) {
            case 0: vis = QStringLiteral("Karten sind nicht sichtbar     "); break;
            case 1: vis = QStringLiteral("Karten sind beim Hören sichtbar"); break;
            case 2: vis = QStringLiteral("Karten sind immer sichtbar     "); break;
            default: break;
            }
            r.runProtocol << QStringLiteral("O ") + PadNumber(e.ItemCount, 2, QLatin1Char(' ')) +
                                 QStringLiteral(" Karten - ") + vis +
                                 (e.WithText ? QStringLiteral(" - Text") : QString()) +
                                 (e.WithPicture ? QStringLiteral(" - Bild") : QString());
        } else if (e.RememberCount > 0) {
            r.runProtocol << QStringLiteral("O ") + QString::number(e.RememberCount) +
                                 QStringLiteral(" von ") + QString::number(e.ItemCount) +
                                 QStringLiteral(" Bildern zu merken");
        } else {
            r.runProtocol << QStringLiteral("O ");
        }
        for (const TZeile& z : e.Rows) {
            const int n = programCode == 302 ? z.TaskNumber : number;
            QString line = QStringLiteral("  Aufgabe ") + PadNumber(n, 2, QLatin1Char(' ')) +
                           QStringLiteral(": ");
            if (z.OrderMatters)
                line += QStringLiteral(" (Reihenfolge beachten)");
            if (memory) {
                if (z.Attempts < 1)
                    continue;
                line += QLatin1Char(' ') + PadNumber(z.Attempts, 2, QLatin1Char(' ')) +
                        QStringLiteral(" Versuche ");
                if (z.Solved)
                    line += QStringLiteral(" gelöst! ");
                ++number;
            } else if (z.Attempts == 0) {
                line += QStringLiteral(" ungelöst  ");
            } else {
                // Every answer of an unsolved task was wrong: "0 Fehler" would read as error-free.
                const int errors = z.Solved ? z.Attempts - 1 : z.Attempts;
                if (errors <= 0)
                    line += QStringLiteral("  0 Fehler ");
                else
                    line += QLatin1Char(' ') + PadNumber(errors, 2, QLatin1Char(' ')) + QStringLiteral(" Fehler ");
                ++number;
            }
            line += QStringLiteral(" (") + z.Duration + QStringLiteral(") ");
            if (!z.Answers.isEmpty())
                line += QLatin1Char(' ') + z.Answers + QLatin1Char(' ');
            if (z.WithHelp)
                line += QStringLiteral(" - mit Hilfe ");
            r.runProtocol << line;
        }
    }
    r.countedTaskTotal = number - 1;
}

void WriteRunSummary() { WriteRunSummary(g().programCode); }

void AddWorkTimeLines()
{
    RunState& r = run();
    r.workTimeText = WorkTimeText(SplitTime(r.runStartTime, r.runEndTime));
    r.runProtocol << QStringLiteral("Z ") + r.workTimeText
                  << QStringLiteral("S ") + ShortTime(r.runStartTime)
                  << QStringLiteral("E ") + ShortTime(r.runEndTime);
}

bool AppendRunToProtocolFile(const QString& path)
{
    const QString folder = fsys::folderOf(path);
    if (!folder.isEmpty() && !fsys::dirExists(folder))
        fsys::makeFolder(folder, g().config.installationDirectory);  // never above it
    const QString target = fsys::resolve(path);
    QStringList lines;
    if (fsys::fileExists(target)) {
        auto read = fsys::readLines(target);
        if (!read)
            return false;  // never overwrite a file we could not read
        lines = *read;
    }
    int markers = 0;
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        if (lines.at(i).trimmed() == QLatin1String("*") && ++markers == 9) {
            lines.erase(lines.begin(), lines.begin() + i);
            break;
        }
    }
    const QStringList& protocol = run().runProtocol;
    lines += protocol;
    if (!protocol.isEmpty())
        lines << QStringLiteral("*");
    return fsys::writeLines(target, lines);
}

QString PlayerProtocolPath()
{
    return fsys::withSlash(g().config.dirs.protokoll) + g().currentPlayer() + QStringLiteral(".prt");
}

QString EscapeRtf(const QString& text)
{
    QString s = text;
    s.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    static const struct { QChar c; const char* esc; } table[] = {
        {QChar(0xf6), "\\'f6"}, {QChar(0xd6), "\\'d6"}, {QChar(0xe4), "\\'e4"}, {QChar(0xc4), "\\'c4"},
        {QChar(0xfc), "\\'fc"}, {QChar(0xdc), "\\'dc"}, {QChar(0xdf), "\\'df"}};
    for (const auto& t : table)
        s.replace(t.c, QLatin1String(t.esc));
    return s;
}

namespace {

// The program code a "P" line names ("4.2. ..." is 402), or `fallback`.
int codeOfProgramLine(const QString& text, int fallback)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2})\\.(\\d{1,2})\\."));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return fallback;
    return m.captured(1).toInt() * 100 + m.captured(2).toInt();
}

// Whether a task line has no errors: its first " Fehler " is preceded by a lone "0".
bool hasZeroErrors(const QString& text)
{
    const qsizetype i = text.indexOf(QStringLiteral(" Fehler "));
    return i >= 3 && text.mid(i - 3, 3) == QLatin1String("  0");
}

// 100 * ok / total to the nearest whole number, halves to the even neighbour; in integers, since
// 100.0 / total * ok misses halves such as 62.5 (15 of 24) by a rounding error.
qint64 roundedPercent(qint64 ok, qint64 total)
{
    const qint64 q = 100 * ok / total, twiceRest = 2 * (100 * ok % total);
    return twiceRest > total || (twiceRest == total && q % 2 != 0) ? q + 1 : q;
}

} // namespace

TaskLineKind ClassifyTaskLine(int programCode, const QString& text)
{
    if (programCode == 305 || programCode == 407)
        return text.contains(QStringLiteral("gelöst")) ? TaskLineKind::Ok : TaskLineKind::Bad;
    if (programCode == 408)
        return text.contains(QStringLiteral("4 Versuche")) ? TaskLineKind::Ok : TaskLineKind::Bad;
    const bool unanswered = text.contains(QStringLiteral("()")) && text.contains(QStringLiteral("ungelöst"));
    if (!text.contains(QStringLiteral("0 Fehler")) && unanswered)
        return TaskLineKind::NotCounted;
    const bool good = hasZeroErrors(text) && !unanswered && !text.contains(QStringLiteral("()")) &&
                      !text.contains(QStringLiteral("ungelöst"));
    return good ? TaskLineKind::Ok : TaskLineKind::Bad;
}

ProtocolRendering RenderProtocolRtf(const QStringList& lines, QTextEdit* display, int programCode)
{
    if (programCode < 0)
        programCode = g().programCode;
    ProtocolRendering out;
    QStringList& rtf = out.rtfLines;
    rtf << QStringLiteral("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Courier New;}}");
    QString current;
    int ok = 0, bad = 0;
    int code = programCode;
    const bool single = lines.size() == 1;
    for (const QString& line : lines) {
        if (line.isEmpty())
            continue;
        const QString text = line.mid(2);
        const QChar c = line.at(0);
        if (c == QLatin1Char('P')) {
            current = text + QLatin1Char(' ');
            ok = bad = 0;
            // Counting follows the program that wrote the block, also in the viewer.
            code = codeOfProgramLine(text, programCode);
        } else if (c == QLatin1Char('D')) {
            current += QStringLiteral(" - ") + text;
            rtf << QStringLiteral("\\fs20") << QStringLiteral("\\b ") + EscapeRtf(current) + QStringLiteral("\\b0 \\par ")
                << QStringLiteral("\\fs16   \\par");
        } else if (c == QLatin1Char('F')) {
            rtf << QStringLiteral("  \\ul Datei\\ulnone : ") + EscapeRtf(text) + QStringLiteral(" \\par ");
        } else if (c == QLatin1Char('O')) {
            rtf << EscapeRtf(QStringLiteral("         ") + text) << QStringLiteral(" \\par ");
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('B')) {
            if (!text.trimmed().isEmpty()) {
                const TaskLineKind kind = ClassifyTaskLine(code, text);
                if (kind == TaskLineKind::NotCounted)
                    continue;  // shown but never answered: neither shown nor counted
                (kind == TaskLineKind::Ok ? ok : bad) += 1;
            }
            rtf << EscapeRtf(text) + QStringLiteral(" \\par ");
        } else if (c == QLatin1Char('Z')) {
            const int t = ok + bad;
            QString percent;
            if (t >= 1)
                percent = QString::number(roundedPercent(ok, t)) + QLatin1Char('%');
            const QString result = QStringLiteral("Ergebnis: ") + QString::number(ok) + QStringLiteral(" von ") +
                                   QString::number(t) +
                                   (code == 408 ? QStringLiteral(" Aufgaben ohne Fehler gelöst (")
                                                : QStringLiteral(" Aufgaben richtig gelöst (")) +
                                   percent + QLatin1Char(')');
            rtf << QStringLiteral(" \\par ") << EscapeRtf(result) + QStringLiteral("   \\par ");
            out.counts.push_back({ok, bad});
            current = QStringLiteral("Gesamtbearbeitungszeit: ") + text;
        } else if (c == QLatin1Char('S')) {
            current += QStringLiteral(" - Start: ") + text;
        } else if (c == QLatin1Char('E')) {
            rtf << QStringLiteral("   \\par ")
                << EscapeRtf(current + QStringLiteral(" Uhr - Ende: ") + text + QStringLiteral(" Uhr"))
                << QStringLiteral("   \\par ") << QStringLiteral("   \\par ");
        } else if (single) {
            rtf << line;
        }
    }
    rtf << QStringLiteral("}");
    run().lastRtfLines = rtf;
    if (display) {
        display->clear();
        ReadRtfInto(*display->document(), rtf.join(QStringLiteral("\r\n")));
    }
    return out;
}

QStringList LastRunBlock(const QStringList& rtfLines)
{
    for (qsizetype i = rtfLines.size() - 1; i >= 0; --i)
        if (rtfLines.at(i).compare(QLatin1String("\\fs20"), Qt::CaseInsensitive) == 0)
            return rtfLines.mid(i);
    return rtfLines;
}

namespace {

QString removeAll(QString s, std::initializer_list<const char*> words)
{
    for (const char* w : words)
        s.remove(QLatin1String(w), Qt::CaseInsensitive);
    return s;
}

// RTF line of this program back to plain text: escapes decoded, control words dropped.
QString plainOf(const QString& rtfLine)
{
    return RtfToPlainText(rtfLine).replace(QChar(QChar::ParagraphSeparator), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace

bool ExportLastProtocol(const QStringList& rtfLines, QStringList& textLines, const QString& folder)
{
    const QString dir = fsys::withSlash(folder.isEmpty() ? g().config.installationDirectory : folder);
    bool ok = fsys::writeLines(fsys::resolve(dir + QStringLiteral("protokoll.rtf")), rtfLines);
    textLines.clear();
    qsizetype i = 0;
    const qsizetype n = rtfLines.size();
    bool tasksDone = false;
    while (i < n) {
        const QString& line = rtfLines.at(i);
        if (line.contains(QLatin1String("\\fs20")) || line.contains(QLatin1String("\\fs16"))) {
            ++i;
            continue;
        }
        if (line.contains(QLatin1String("\\b"))) {
            // The heading is program + " " + " - " + date; dates hold no " - ", captions may.
            const QString rest = plainOf(removeAll(line, {"\\b0", "\\b", "\\par"}));
            const qsizetype sep = rest.lastIndexOf(QStringLiteral(" - "));
            const QString program = (sep < 0 ? rest : rest.left(sep)).trimmed();
            const QString date = sep < 0 ? QString() : rest.mid(sep + 3).trimmed();
            textLines << program;
            textLines.prepend(QStringLiteral("KALIMO Leistungsprotokoll vom ") + date);
            ++i;
        } else if (line.contains(QLatin1String("\\ul"))) {
            textLines << QString() << plainOf(removeAll(line, {"\\ulnone", "\\ul", "\\par"})).trimmed()
                      << QString() << QString();
            ++i;
        } else if (!tasksDone && line.contains(QLatin1String("Aufgabe")) &&
                   !line.contains(QLatin1String("Aufgaben"))) {
            while (i < n && !rtfLines.at(i).contains(QLatin1String("Ergebnis"))) {
                const QString t = plainOf(removeAll(rtfLines.at(i), {"\\ulnone", "\\ul", "\\par"})).trimmed();
                if (!t.isEmpty())
                    textLines << t;
                ++i;
            }
            tasksDone = true;
        } else {
            if (line.contains(QLatin1String("Gesamtbearbeitungszeit")))
                textLines << QString() << QString() << plainOf(line);
            ++i;
        }
    }
    ok = fsys::writeLines(fsys::resolve(dir + QStringLiteral("Protokolle.txt")), textLines) && ok;
    return ok;
}
