#include "results/KlassenDaten.h"

#include "core/Catalogue.h"
#include "core/FileSystem.h"

#include <QHash>
#include <algorithm>
#include <limits>

namespace overview {

namespace {

const QString kSuffix = QStringLiteral("-Verlauf.csv");

QString foldKey(const QString& name) { return name.toCaseFolded(); }

QString csvField(const QString& s)
{
    if (!s.contains(QLatin1Char(';')) && !s.contains(QLatin1Char('"')) && !s.contains(QLatin1Char('\n')))
        return s;
    QString q = s;
    q.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

} // namespace

ClassHistory ReadClassHistory(const QString& protocolFolder, const QStringList& players)
{
    ClassHistory out;
    const QString folder = fsys::withSlash(protocolFolder);
    // One listing of the folder; every name found without case, as a single lookup would.
    QHash<QString, QString> files;  // folded player name -> file name
    QStringList order;
    for (const QString& file : fsys::list(folder, QStringLiteral("*") + kSuffix, false, fsys::Entries::Files)) {
        if (!file.endsWith(kSuffix, Qt::CaseInsensitive) || file.size() == kSuffix.size())
            continue;
        const QString name = file.left(file.size() - kSuffix.size());
        if (name.startsWith(QLatin1Char('_')) || name.startsWith(QLatin1Char('~')))
            continue;  // deleted players keep their history under a hidden name
        const QString key = foldKey(name);
        if (!files.contains(key)) {
            files.insert(key, file);
            order << name;
        }
    }
    QHash<QString, int> seen;
    auto add = [&](const QString& name) {
        const QString key = foldKey(name);
        if (name.trimmed().isEmpty() || seen.contains(key))
            return;
        seen.insert(key, 0);
        PlayerHistory p;
        p.name = name;
        const auto it = files.constFind(key);
        if (it != files.constEnd())
            p.path = folder + *it;
        out.players.push_back(std::move(p));
    };
    for (const QString& name : players)
        add(name);
    for (const QString& name : order)
        add(name);
    std::sort(out.players.begin(), out.players.end(), [](const PlayerHistory& a, const PlayerHistory& b) {
        return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
    });
    for (PlayerHistory& p : out.players) {
        if (p.path.isEmpty())
            continue;
        history::HistoryFile f = history::ReadHistory(p.path);
        out.brokenLines += f.brokenLines;
        if (f.unreadable) {
            p.unreadable = true;
            out.unreadableFiles << p.path;
        }
        p.runs = std::move(f.runs);
        // Appended in time order; a line edited by hand may not be.
        if (!std::is_sorted(p.runs.begin(), p.runs.end(),
                            [](const history::HistoryRun& a, const history::HistoryRun& b) { return a.start < b.start; }))
            std::stable_sort(p.runs.begin(), p.runs.end(), [](const history::HistoryRun& a, const history::HistoryRun& b) {
                return a.start < b.start;
            });
    }
    return out;
}

std::vector<Column> MakeColumns(Columns kind)
{
    std::vector<Column> out;
    int lastGroup = -1;
    for (const ProgramInfo& p : catalogue::programs()) {
        if (kind == Columns::Groups) {
            if (out.empty() || lastGroup != p.group) {
                lastGroup = p.group;
                const QString name = catalogue::groupName(p.group);
                out.push_back({name, name, {}});
            }
            out.back().programs.push_back(p.code);
        } else {
            const QString number = QString::number(p.code / 100) + QLatin1Char('.') + QString::number(p.code % 100) +
                                   QLatin1Char('.');
            out.push_back({number + QLatin1Char(' ') + p.name, number, {p.code}});
        }
    }
    return out;
}

QDateTime SpanStart(Span span, const QDateTime& now)
{
    switch (span) {
    case Span::Days7: return now.addDays(-7);
    case Span::Weeks4: return now.addDays(-28);
    case Span::HalfYear: return now.addMonths(-6);
    case Span::All: break;
    }
    return {};
}

QString SpanName(Span span)
{
    switch (span) {
    case Span::Days7: return QStringLiteral("letzte 7 Tage");
    case Span::Weeks4: return QStringLiteral("letzte 4 Wochen");
    case Span::HalfYear: return QStringLiteral("letztes halbe Jahr");
    case Span::All: break;
    }
    return QStringLiteral("alle Einträge");
}

Trend TrendOf(const std::vector<double>& p)
{
    if (p.size() < 6)
        return Trend::None;
    const size_t n = p.size();
    const double last = (p[n - 1] + p[n - 2] + p[n - 3]) / 3.0;
    const double before = (p[n - 4] + p[n - 5] + p[n - 6]) / 3.0;
    if (last - before >= 5.0)
        return Trend::Up;
    if (before - last >= 5.0)
        return Trend::Down;
    return Trend::Same;
}

std::vector<Row> MakeRows(const ClassHistory& history, const std::vector<Column>& columns, Span span,
                          const QDateTime& now)
{
    // Program code -> column, for one pass over every run.
    std::vector<int> columnOf(1000, -1);
    for (size_t c = 0; c < columns.size(); ++c)
        for (int code : columns[c].programs)
            if (code >= 0 && code < 1000)
                columnOf[size_t(code)] = int(c);
    const QDateTime from = SpanStart(span, now);
    const qint64 fromMs = from.isValid() ? from.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
    std::vector<Row> rows;
    rows.reserve(history.players.size());
    std::vector<std::vector<double>> percents(columns.size());
    std::vector<double> sums(columns.size());
    for (size_t i = 0; i < history.players.size(); ++i) {
        const PlayerHistory& p = history.players[i];
        Row row;
        row.player = int(i);
        row.cells.assign(columns.size(), Cell{});
        for (auto& v : percents)
            v.clear();
        std::fill(sums.begin(), sums.end(), 0.0);
        if (!p.runs.empty())
            row.lastRun = p.runs.back().start;
        for (const history::HistoryRun& r : p.runs) {
            if (r.start.toMSecsSinceEpoch() < fromMs)
                continue;
            row.activeInSpan = true;
            const int c = r.programCode >= 0 && r.programCode < 1000 ? columnOf[size_t(r.programCode)] : -1;
            if (c < 0)
                continue;
            Cell& cell = row.cells[size_t(c)];
            ++cell.runs;
            cell.newestProgram = r.programCode;
            if (r.counted > 0) {
                const double v = r.firstTryPercent();
                ++cell.scored;
                sums[size_t(c)] += v;
                percents[size_t(c)].push_back(v);
            }
        }
        for (size_t c = 0; c < columns.size(); ++c) {
            Cell& cell = row.cells[c];
            if (cell.scored > 0)
                cell.meanPercent = sums[c] / cell.scored;
            cell.trend = TrendOf(percents[c]);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

QString TrendArrow(Trend t)
{
    switch (t) {
    case Trend::Up: return QString(QChar(0x2191));
    case Trend::Same: return QString(QChar(0x2192));
    case Trend::Down: return QString(QChar(0x2193));
    case Trend::None: break;
    }
    return QString();
}

QString TrendWord(Trend t)
{
    switch (t) {
    case Trend::Up: return QStringLiteral("besser");
    case Trend::Same: return QStringLiteral("gleich");
    case Trend::Down: return QStringLiteral("schlechter");
    case Trend::None: break;
    }
    return QString();
}

QString CellText(const Cell& c)
{
    if (c.runs == 0)
        return QString();
    QString s = QString::number(c.runs) + QChar(0x00d7);
    if (c.scored > 0)
        s += QLatin1Char(' ') + QString::number(qRound(c.meanPercent)) + QStringLiteral(" %");
    if (c.trend != Trend::None)
        s += QLatin1Char(' ') + TrendArrow(c.trend);
    return s;
}

QString GermanDecimal(double v)
{
    return QString::number(v, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(','));
}

QByteArray CsvBytes(const ClassHistory& history, const std::vector<Column>& columns,
                    const std::vector<const Row*>& rows)
{
    QStringList header{QStringLiteral("Name"), QStringLiteral("Zuletzt geübt")};
    for (const Column& c : columns)
        header << csvField(c.title + QStringLiteral(": Durchgänge"))
               << csvField(c.title + QStringLiteral(": beim ersten Versuch gelöst (%)"))
               << csvField(c.title + QStringLiteral(": Trend"));
    QByteArray out("\xEF\xBB\xBF");
    out += header.join(QLatin1Char(';')).toUtf8() + "\r\n";
    for (const Row* r : rows) {
        QStringList f{csvField(history.players[size_t(r->player)].name),
                      r->lastRun.isValid() ? r->lastRun.toString(QStringLiteral("dd.MM.yyyy")) : QString()};
        for (const Cell& c : r->cells)
            f << QString::number(c.runs) << (c.scored > 0 ? GermanDecimal(c.meanPercent) : QString())
              << TrendWord(c.trend);
        out += f.join(QLatin1Char(';')).toUtf8() + "\r\n";
    }
    return out;
}

} // namespace overview
