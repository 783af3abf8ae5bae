#pragma once
#include "results/History.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

// The figures of the class overview ("Klassenübersicht"): every player's history read once, and per
// chosen time span and column kind (program groups or programs) the runs, the mean share solved at
// the first try and a trend per player and column. No widgets; nothing here writes a file but the
// CSV export the adult asks for.
namespace overview {

enum class Span { Days7, Weeks4, HalfYear, All };
enum class Columns { Groups, Programs };
enum class Trend { None, Up, Same, Down };

struct PlayerHistory {
    QString name;
    QString path;                        // the history file ("" when the player has none)
    std::vector<history::HistoryRun> runs;  // oldest first
    bool unreadable = false;
};

struct ClassHistory {
    std::vector<PlayerHistory> players;  // sorted by name without case
    int brokenLines = 0;                 // over all files
    QStringList unreadableFiles;         // paths
};

// The players of the list and every history file of the protocol folder (names beginning with "_"
// or "~" are deleted players and left out), each history read once.
ClassHistory ReadClassHistory(const QString& protocolFolder, const QStringList& players);

struct Cell {
    int runs = 0;            // runs in the span
    int scored = 0;          // of them with counted tasks
    double meanPercent = 0;  // mean share solved at the first try over the scored runs
    Trend trend = Trend::None;
    int newestProgram = 0;   // program of the newest run in the cell (0 none)
};

struct Row {
    int player = 0;          // index into ClassHistory::players
    QDateTime lastRun;       // the newest run at all (invalid: never practised)
    bool activeInSpan = false;
    std::vector<Cell> cells; // one per column
};

struct Column {
    QString title;           // group name, or "1.1. Merkfähigkeit-Bild"
    QString shortTitle;      // for the printed page: group name or "1.1."
    std::vector<int> programs;
};

std::vector<Column> MakeColumns(Columns kind);
// The first instant inside the span (invalid for `All`).
QDateTime SpanStart(Span span, const QDateTime& now);
QString SpanName(Span span);
// Last three scored runs against the three before, 5 points either way count; None below six.
Trend TrendOf(const std::vector<double>& percentsOldestFirst);
std::vector<Row> MakeRows(const ClassHistory& history, const std::vector<Column>& columns, Span span,
                          const QDateTime& now);

QString TrendArrow(Trend t);  // "↑", "→", "↓" or ""
QString TrendWord(Trend t);   // "besser", "gleich", "schlechter" or ""
// "12× 78 % ↑", "" for an empty cell.
QString CellText(const Cell& c);
// A number with a German decimal comma and one decimal.
QString GermanDecimal(double v);

// The CSV export of the rows in the given order: UTF-8 with BOM, ";" between fields, CR LF,
// German decimal comma.
QByteArray CsvBytes(const ClassHistory& history, const std::vector<Column>& columns,
                    const std::vector<const Row*>& rows);

} // namespace overview
