#include "results/History.h"

#include "core/Catalogue.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Win1252.h"
#include "results/Ergebnisse.h"

#include <QRegularExpression>
#include <QTimeZone>
#include <array>
#include <unordered_map>
#include <cerrno>

namespace history {

namespace {

constexpr int kFieldCount = 9;

QString quoted(const QString& field)
{
    if (!field.contains(QLatin1Char(';')) && !field.contains(QLatin1Char('"')) &&
        !field.contains(QLatin1Char('\n')) && !field.contains(QLatin1Char('\r')))
        return field;
    QString q = field;
    q.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    // A line break would split the record: the file is read line by line.
    q.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// The fields of one line; quoted fields may hold ";" and doubled quotes. False for an open quote.
bool splitFields(const QString& line, QStringList& fields)
{
    fields.clear();
    QString current;
    bool inQuotes = false, wasQuoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
                    current += c;
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                current += c;
            }
        } else if (c == QLatin1Char('"') && current.isEmpty() && !wasQuoted) {
            inQuotes = wasQuoted = true;
        } else if (c == QLatin1Char(';')) {
            fields << current;
            current.clear();
            wasQuoted = false;
        } else {
            current += c;
        }
    }
    fields << current;
    return !inQuotes;
}

bool toCount(QStringView text, int& out)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < 0)
        return false;
    out = v;
    return true;
}

// Digits at [from, from + n) as a number; -1 when any is not a digit. The format parsers of
// QDate and QTime cost more than the rest of a line together.
int digits(QStringView s, qsizetype from, qsizetype n)
{
    int v = 0;
    for (qsizetype i = from; i < from + n; ++i) {
        const char16_t c = s[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        v = v * 10 + (c - u'0');
    }
    return v;
}

// "dd.MM.yyyy"; invalid otherwise.
QDate dateOf(QStringView s)
{
    if (s.size() != 10 || s[2] != u'.' || s[5] != u'.')
        return {};
    const int d = digits(s, 0, 2), m = digits(s, 3, 2), y = digits(s, 6, 4);
    return d < 0 || m < 0 || y < 0 ? QDate() : QDate(y, m, d);
}

// "HH:mm"; invalid otherwise.
QTime timeOf(QStringView s)
{
    if (s.size() != 5 || s[2] != u':')
        return {};
    const int h = digits(s, 0, 2), m = digits(s, 3, 2);
    return h < 0 || m < 0 ? QTime() : QTime(h, m);
}

// The local time of a wall-clock date and time, as an instant with its offset from UTC. The offset
// comes from the system time zone's rules, read once, and is found once per day (and anew for the
// small hours, when clocks change): asking the C library for every line stats the zone file each
// time, which cost more than reading the whole history.
QDateTime localTime(QDate date, QTime time)
{
    static const QTimeZone zone = QTimeZone::systemTimeZone();
    static thread_local QDate lastDate;
    static thread_local int lastOffset = 0;
    if (!zone.isValid())
        return QDateTime(date, time);
    if (time.hour() < 4)
        return QDateTime(date, time, zone);
    if (date != lastDate) {
        lastDate = date;
        lastOffset = zone.offsetFromUtc(QDateTime(date, QTime(12, 0), Qt::UTC));
    }
    return QDateTime(date, time, Qt::OffsetFromUTC, lastOffset);
}

// A field's text, shared with an earlier equal one: a history names few programs and lists many
// times over.
QString shared(QStringView text)
{
    static thread_local std::unordered_map<size_t, QString> seen;
    if (seen.size() > 4096)
        seen.clear();
    QString& slot = seen[qHash(text)];
    if (slot != text)
        slot = text.toString();
    return slot;
}

QByteArray encodedLine(const QString& line) { return win1252::encode(line) + QByteArrayLiteral("\r\n"); }

} // namespace

QString headerLine()
{
    return QStringLiteral("Datum;Startzeit;Programmnummer;Programm;Liste;Aufgaben;Beim ersten Versuch gelöst;"
                          "Mit Fehlern;Arbeitszeit in Sekunden");
}

QString formatLine(const HistoryRun& run)
{
    const QStringList fields{run.start.toString(QStringLiteral("dd.MM.yyyy")),
                             run.start.toString(QStringLiteral("HH:mm")),
                             QString::number(run.programCode),
                             quoted(run.programName),
                             quoted(run.listFile),
                             QString::number(run.counted),
                             QString::number(run.firstTry),
                             QString::number(run.withErrors),
                             QString::number(run.workSeconds)};
    return fields.join(QLatin1Char(';'));
}

bool parseLine(const QString& line, HistoryRun& run)
{
    // Most lines hold no quotes: their fields are read as views, with no string built per field.
    QStringList quotedFields;
    std::array<QStringView, kFieldCount> f;
    if (line.contains(QLatin1Char('"'))) {
        if (!splitFields(line, quotedFields) || quotedFields.size() != kFieldCount)
            return false;
        for (int i = 0; i < kFieldCount; ++i)
            f[size_t(i)] = quotedFields[i];
    } else {
        const QStringView whole(line);
        qsizetype from = 0;
        int n = 0;
        for (qsizetype i = 0; i <= whole.size(); ++i) {
            if (i < whole.size() && whole[i] != u';')
                continue;
            if (n == kFieldCount)
                return false;
            f[size_t(n++)] = whole.mid(from, i - from);
            from = i + 1;
        }
        if (n != kFieldCount)
            return false;
    }
    const QDate date = dateOf(f[0].trimmed());
    const QTime time = timeOf(f[1].trimmed());
    if (!date.isValid() || !time.isValid())
        return false;
    HistoryRun r;
    r.start = localTime(date, time);
    bool ok = false;
    r.programCode = f[2].trimmed().toInt(&ok);
    if (!ok || r.programCode < 100 || r.programCode > 999)
        return false;
    if (!toCount(f[5], r.counted) || !toCount(f[6], r.firstTry) || !toCount(f[7], r.withErrors))
        return false;
    if (r.firstTry > r.counted || r.withErrors > r.counted)
        return false;
    r.workSeconds = f[8].trimmed().toLongLong(&ok);
    if (!ok || r.workSeconds < 0)
        return false;
    r.programName = shared(f[3]);
    r.listFile = shared(f[4]);
    run = std::move(r);
    return true;
}

QString ListPrefix(int programCode)
{
    const QString folder = fsys::withSlash(catalogue::listFolder(programCode));
    const QString listen = fsys::withSlash(g().config.dirs.listen);
    if (folder.size() <= 1 || listen.size() <= 1 || !folder.startsWith(listen, Qt::CaseInsensitive))
        return QString();
    return fsys::toStored(folder.mid(listen.size()));
}

HistoryRun RunFromProtocol(const QStringList& protocol, const QDateTime& start, const QDateTime& end,
                           const QString& listPrefix)
{
    static const QRegularExpression programLine(QStringLiteral("^\\s*(\\d{1,2})\\.(\\d{1,2})\\.\\s*(.*)$"));
    HistoryRun r;
    r.start = start;
    r.workSeconds = start.isValid() && end.isValid() ? std::max<qint64>(0, start.secsTo(end)) : 0;
    QStringList lists;
    for (const QString& line : protocol) {
        if (line.isEmpty())
            continue;
        const QChar kind = line.at(0);
        const QString text = line.mid(2);
        if (kind == QLatin1Char('P')) {
            const auto m = programLine.match(text);
            if (m.hasMatch()) {
                r.programCode = m.captured(1).toInt() * 100 + m.captured(2).toInt();
                r.programName = m.captured(3).trimmed();
            }
        } else if (kind == QLatin1Char('F')) {
            const QString list = listPrefix + text;
            if (!lists.contains(list, Qt::CaseInsensitive))
                lists << list;
        } else if ((kind == QLatin1Char(' ') || kind == QLatin1Char('B')) && !text.trimmed().isEmpty()) {
            switch (ClassifyTaskLine(r.programCode, text)) {
            case TaskLineKind::Ok:
                ++r.counted;
                ++r.firstTry;
                break;
            case TaskLineKind::Bad:
                ++r.counted;
                ++r.withErrors;
                break;
            case TaskLineKind::NotCounted:
                break;
            }
        }
    }
    r.listFile = lists.join(QStringLiteral(" + "));
    return r;
}

HistoryFile ReadHistory(const QString& path)
{
    HistoryFile out;
    fsys::ReadResult result = fsys::ReadResult::Missing;
    const auto bytes = fsys::readFile(fsys::resolve(path), -1, &result);
    if (!bytes) {
        out.unreadable = result == fsys::ReadResult::Unreadable;
        return out;
    }
    const QStringList lines = fsys::splitLines(win1252::decode(*bytes));
    out.runs.reserve(size_t(lines.size()));
    bool first = true;
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        if (first) {
            first = false;
            if (line.startsWith(QStringLiteral("Datum;")))
                continue;
        }
        HistoryRun r;
        if (parseLine(line, r))
            out.runs.push_back(std::move(r));
        else
            ++out.brokenLines;
    }
    return out;
}

bool AppendRun(const QString& path, const HistoryRun& run)
{
    const QString target = fsys::resolve(path);
    const QString folder = fsys::folderOf(target);
    if (!folder.isEmpty() && !fsys::dirExists(folder))
        fsys::makePath(folder);
    fsys::ReadResult result = fsys::ReadResult::Missing;
    auto bytes = fsys::readFile(target, -1, &result);
    QByteArray out;
    if (bytes) {
        out = std::move(*bytes);
        if (!out.isEmpty() && !out.endsWith('\n'))
            out += "\r\n";
    } else if (result == fsys::ReadResult::Unreadable) {
        if (errno == 0)
            errno = EIO;
        return false;  // never overwrite a file we could not read
    }
    if (out.trimmed().isEmpty())
        out = encodedLine(headerLine());
    out += encodedLine(formatLine(run));
    return fsys::writeFileAtomic(target, out);
}

bool WriteHistory(const QString& path, const std::vector<HistoryRun>& runs)
{
    const QString target = fsys::resolve(path);
    const QString folder = fsys::folderOf(target);
    if (!folder.isEmpty() && !fsys::dirExists(folder))
        fsys::makePath(folder);
    QStringList lines{headerLine()};
    lines.reserve(qsizetype(runs.size()) + 1);
    for (const HistoryRun& r : runs)
        lines << formatLine(r);
    return fsys::writeLines(target, lines);
}

} // namespace history
