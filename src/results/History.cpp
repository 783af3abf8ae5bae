#include "results/History.h"

#include "core/Catalogue.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Win1252.h"
#include "results/Ergebnisse.h"

#include <QRegularExpression>
#include <QTimeZone>
#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <cerrno>
#include <limits>

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

// The offsets of the system time zone around one year, from its transitions: the runs of a history
// fall into few years, and asking the C library or the zone for every line stats the zone file or
// walks its rules each time, which cost more than reading the whole history.
class ZoneYear
{
public:
    // The offset from UTC of a wall-clock time in seconds; false where the time is skipped or
    // repeated by a clock change (or the zone is unknown), so the zone itself must answer.
    bool offsetOf(QDate date, QTime time, int& offset)
    {
        if (!m_zone.isValid())
            return false;
        if (date.year() != m_year)
            load(date.year());
        const qint64 wall = (date.toJulianDay() - kEpochDay) * 86400000 + time.msecsSinceStartOfDay();
        int matches = 0;
        for (size_t i = 0; i < m_periods.size(); ++i) {
            const qint64 utc = wall - qint64(m_periods[i].second) * 1000;
            if (utc >= m_periods[i].first && (i + 1 == m_periods.size() || utc < m_periods[i + 1].first)) {
                offset = m_periods[i].second;
                ++matches;
            }
        }
        return matches == 1;
    }
    const QTimeZone& zone() const { return m_zone; }

private:
    static constexpr qint64 kEpochDay = 2440588;  // the Julian day of 1 January 1970

    void load(int year)
    {
        m_year = year;
        m_periods.clear();
        const QDateTime from(QDate(year - 1, 12, 30), QTime(0, 0), Qt::UTC);
        const QDateTime to(QDate(year + 1, 1, 2), QTime(0, 0), Qt::UTC);
        m_periods.emplace_back(std::numeric_limits<qint64>::min(), m_zone.offsetFromUtc(from));
        for (const QTimeZone::OffsetData& t : m_zone.transitions(from, to))
            m_periods.emplace_back(t.atUtc.toMSecsSinceEpoch(), t.offsetFromUtc);
    }

    QTimeZone m_zone = QTimeZone::systemTimeZone();
    int m_year = std::numeric_limits<int>::min();
    std::vector<std::pair<qint64, int>> m_periods;  // from (UTC, ms) and offset (s), in order
};

// The local time of a wall-clock date and time, as an instant with its offset from UTC.
QDateTime localTime(QDate date, QTime time)
{
    static thread_local ZoneYear zoneYear;
    int offset = 0;
    if (zoneYear.offsetOf(date, time, offset))
        return QDateTime(date, time, Qt::OffsetFromUTC, offset);
    return zoneYear.zone().isValid() ? QDateTime(date, time, zoneYear.zone()) : QDateTime(date, time);
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

namespace {

// Reading works on the file's bytes: a history of ten thousand runs is mostly digits and the same
// few program and list names, so only lines with quotes are decoded whole and each distinct name
// once.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\xa0'; }

std::string_view trimmedBytes(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// A count without sign, at most nine digits; -1 otherwise.
qint64 countOf(std::string_view s)
{
    s = trimmedBytes(s);
    if (s.empty() || s.size() > 9)
        return -1;
    qint64 v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

int digitsOf(std::string_view s, size_t from, size_t n)
{
    int v = 0;
    for (size_t i = from; i < from + n; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// The names of a history, each decoded once.
class NameTable
{
public:
    QString get(std::string_view bytes)
    {
        auto it = m_names.find(bytes);
        if (it != m_names.end())
            return it->second;
        QString name = win1252::decode(bytes.data(), qsizetype(bytes.size()));
        m_names.emplace(std::string(bytes), name);
        return name;
    }

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, QString, Hash, std::equal_to<>> m_names;
};

using Fields = std::array<std::string_view, kFieldCount>;

// The run of a line's fields (encoded bytes); false for fields that are not a run.
bool runFromFields(const Fields& f, NameTable& names, HistoryRun& run)
{
    const std::string_view d = trimmedBytes(f[0]), t = trimmedBytes(f[1]);
    if (d.size() != 10 || d[2] != '.' || d[5] != '.' || t.size() != 5 || t[2] != ':')
        return false;
    const int year = digitsOf(d, 6, 4), month = digitsOf(d, 3, 2), day = digitsOf(d, 0, 2);
    const int hour = digitsOf(t, 0, 2), minute = digitsOf(t, 3, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0)
        return false;
    const QDate date(year, month, day);
    const QTime time(hour, minute);
    if (!date.isValid() || !time.isValid())
        return false;
    const qint64 code = countOf(f[2]), counted = countOf(f[5]), firstTry = countOf(f[6]),
                 withErrors = countOf(f[7]), seconds = countOf(f[8]);
    if (code < 100 || code > 999 || counted < 0 || firstTry < 0 || withErrors < 0 || seconds < 0)
        return false;
    if (firstTry > counted || withErrors > counted)
        return false;
    HistoryRun r;
    r.start = localTime(date, time);
    r.programCode = int(code);
    r.counted = int(counted);
    r.firstTry = int(firstTry);
    r.withErrors = int(withErrors);
    r.workSeconds = seconds;
    r.programName = names.get(f[3]);
    r.listFile = names.get(f[4]);
    run = std::move(r);
    return true;
}

// A line without quotes; false for a line that is not a run.
bool parseBytes(std::string_view line, NameTable& names, HistoryRun& run)
{
    Fields f;
    size_t n = 0, from = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] != ';')
            continue;
        if (n == size_t(kFieldCount))
            return false;
        f[n++] = line.substr(from, i - from);
        from = i + 1;
    }
    return n == size_t(kFieldCount) && runFromFields(f, names, run);
}

} // namespace

bool parseLine(const QString& line, HistoryRun& run)
{
    NameTable names;
    if (!line.contains(QLatin1Char('"'))) {
        const QByteArray bytes = win1252::encode(line);
        return parseBytes(std::string_view(bytes.constData(), size_t(bytes.size())), names, run);
    }
    QStringList fields;
    if (!splitFields(line, fields) || fields.size() != kFieldCount)
        return false;
    std::array<QByteArray, kFieldCount> bytes;
    Fields f;
    for (size_t i = 0; i < size_t(kFieldCount); ++i) {
        bytes[i] = win1252::encode(fields[qsizetype(i)]);
        f[i] = std::string_view(bytes[i].constData(), size_t(bytes[i].size()));
    }
    return runFromFields(f, names, run);
}

QString ListPrefix(int programCode)
{
    const QString folder = fsys::withSlash(catalogue::listFolder(programCode));
    const QString listen = fsys::withSlash(g().config.dirs.listen);
    if (folder.size() <= 1 || listen.size() <= 1 || !folder.startsWith(listen, Qt::CaseInsensitive))
        return QString();
    return fsys::toStored(folder.mid(listen.size()));
}

QString ListsOfBlocks(const TErgebnisse& blocks)
{
    const QString listen = fsys::withSlash(g().config.dirs.listen);
    QStringList lists;
    for (const TErgebnis& e : blocks) {
        if (e.Rows.empty())
            continue;
        if (e.ListPath.isEmpty())
            return QString();
        const QString rel = listen.size() > 1 && e.ListPath.startsWith(listen, Qt::CaseInsensitive)
                                ? e.ListPath.mid(listen.size())
                                : e.ListPath;
        const QString stored = fsys::toStored(rel);
        if (!lists.contains(stored, Qt::CaseInsensitive))
            lists << stored;
    }
    return lists.join(QStringLiteral(" + "));
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
    const std::string_view all(bytes->constData(), size_t(bytes->size()));
    out.runs.reserve(size_t(std::count(all.begin(), all.end(), '\n')) + 1);
    NameTable names;
    bool first = true;
    size_t from = 0;
    while (from < all.size()) {
        // Lines end with CR LF, LF or a lone CR.
        size_t end = from;
        while (end < all.size() && all[end] != '\n' && all[end] != '\r')
            ++end;
        const std::string_view line = all.substr(from, end - from);
        from = end + (end + 1 < all.size() && all[end] == '\r' && all[end + 1] == '\n' ? 2 : 1);
        if (trimmedBytes(line).empty())
            continue;
        if (first) {
            first = false;
            if (line.substr(0, 6) == "Datum;")
                continue;
        }
        HistoryRun r;
        const bool ok = line.find('"') == std::string_view::npos
                            ? parseBytes(line, names, r)
                            : parseLine(win1252::decode(line.data(), qsizetype(line.size())), r);
        if (ok)
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
        fsys::makeFolder(folder, g().config.installationDirectory);  // never above it
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
        fsys::makeFolder(folder, g().config.installationDirectory);  // never above it
    QStringList lines{headerLine()};
    lines.reserve(qsizetype(runs.size()) + 1);
    for (const HistoryRun& r : runs)
        lines << formatLine(r);
    return fsys::writeLines(target, lines);
}

} // namespace history
