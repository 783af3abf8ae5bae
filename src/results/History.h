#pragma once
#include "results/Ergebnisse.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

// The run history of a player: one line per run appended to the protocol file, never trimmed, so
// that progress can be followed over months. A CSV file that German spreadsheet programs open as
// it is: ";" between fields, Windows-1252, CR LF, a header line.
namespace history {

struct HistoryRun {
    QDateTime start;          // date and start time of the run (minutes)
    int programCode = 0;
    QString programName;
    QString listFile;         // relative to the `Listen` folder; several lists joined with " + "
    int counted = 0;          // tasks counted in the protocol's result
    int firstTry = 0;         // of them solved at the first try (the protocol's "richtig gelöst")
    int withErrors = 0;
    qint64 workSeconds = 0;

    // The share solved at the first try in percent; 0 for a run without counted tasks.
    double firstTryPercent() const { return counted > 0 ? 100.0 * firstTry / counted : 0.0; }
    bool operator==(const HistoryRun&) const = default;
};

struct HistoryFile {
    std::vector<HistoryRun> runs;  // in file order
    int brokenLines = 0;           // lines that could not be read (hand edited), skipped
    bool unreadable = false;       // the file is there but cannot be read
};

QString headerLine();
QString formatLine(const HistoryRun& run);
// One data line back; false for a line that is not one.
bool parseLine(const QString& line, HistoryRun& run);

// The history line of a run protocol (its "P", "F", "Z", "S" lines and task lines), with the start
// and end time of the run for the date and the working time. `listPrefix` (the program's list folder
// below `Listen`, stored form with "\") goes in front of every list file.
HistoryRun RunFromProtocol(const QStringList& protocol, const QDateTime& start, const QDateTime& end,
                           const QString& listPrefix = QString());
// The lists the blocks of a run were played from, each relative to the `Listen` folder (stored
// form; a list elsewhere keeps its full path), joined with " + "; empty when a block with rows does
// not know its file.
QString ListsOfBlocks(const TErgebnisse& blocks);
// The list prefix of a program: its list folder below the `Listen` folder, stored form.
QString ListPrefix(int programCode);

HistoryFile ReadHistory(const QString& path);
// Appends one run, writing the whole file atomically; a file that cannot be read is never written
// over (false, errno set).
bool AppendRun(const QString& path, const HistoryRun& run);
// Writes `runs` as a history file (the export).
bool WriteHistory(const QString& path, const std::vector<HistoryRun>& runs);

} // namespace history
