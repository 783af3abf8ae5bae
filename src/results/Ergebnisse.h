#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

class QTextEdit;

// One task's result row.
struct TZeile {
    int TaskNumber = 0;       // number of the task in its list; printed only by 302
    int Attempts = 0;         // answers given, the solving one included; 0 = shown, not answered
    bool OrderMatters = false;
    bool WithHelp = false;
    bool Solved = false;
    QString Answers;          // each answer appended as " " + text
    QString Duration;         // written by the exercise; empty while unsolved
};

// One result block: one task list played in one exercise window.
struct TErgebnis {
    QString ListFile;         // relative to the program's list folder, no leading backslash
    QString ListPath;         // the list file as loaded when the block began (full path); not stored
    int RememberCount = 0;
    int ItemCount = 0;
    int CardVisibility = 0;   // memory games: 0 hidden, 1 visible while hearing, 2 always
    bool WithPicture = false;
    bool WithText = false;
    std::vector<TZeile> Rows;
};

using TErgebnisse = std::vector<TErgebnis>;

// The results of the open exercise window and the protocol built from them.
struct RunState {
    TErgebnisse runResults;
    QStringList runProtocol;
    int countedTaskTotal = 0;
    QDateTime runDate, runStartTime, runEndTime;
    QDateTime taskStartTime;  // invalid while no task is running
    QDateTime taskStopTime;
    QString workTimeText;
    QStringList lastRtfLines; // RTF lines of the last rendering, reused by export and printing
    // The child heard a word (listen button, a card), turned a card or answered in this run. A run
    // without it ends without the closing dialog and writes nothing.
    bool childActed = false;
};

RunState& run();
void resetRun();

// Recording helpers for the exercises.
// Appends a block for a freshly loaded list and returns its index.
int StartResultBlock(const QString& listFile);
// Appends a row to block `block` and starts the task clock; returns the row.
TZeile& StartResultRow(int block, int taskNumber = 0);
// Empties the results (the exercise window closes).
void ClearRunResults();
// The child heard, turned or answered something (see RunState::childActed).
void NoteChildActed();
// Whether the run holds anything of the child's: the flag, or a row with an answer.
bool ChildActedInRun();

// Caption of the "P " line by program code; empty for codes without one (408 brings its own).
QString ProtocolCaption(int programCode);
bool IsMemoryGame(int programCode);

// `PadNumber`: `fill` in front once for every power of ten 10^(width-1) .. 10 greater than value.
QString PadNumber(int value, int width, QChar fill);

struct TimeParts { int hours = 0, minutes = 0, seconds = 0, hundredths = 0; };
// From the fractional day of a date-time difference; whole days are dropped.
TimeParts SplitTime(double days);
TimeParts SplitTime(const QDateTime& from, const QDateTime& to);
// "1 Stunden, 5 Minuten, 3 Sekunden " and so on; empty below one second.
QString WorkTimeText(const TimeParts& t);

// The short date and time formats used in protocols ("08.12.2026", "14:05").
QString ShortDate(const QDateTime& t);
QString ShortTime(const QDateTime& t);

// Builds the run protocol (program, player, date and the summary) and sets the end time.
// Returns false when no block has a row: the window then closes without a dialog.
bool BuildRunProtocol(int programCode, const QString& caption = QString());
// Appends the lines of every result block to the run protocol; sets `countedTaskTotal`.
void WriteRunSummary(int programCode);
void WriteRunSummary();  // for the running program (`g().programCode`)
// Adds the "Z ", "S ", "E " lines of the closing dialog (work time from start and end time).
void AddWorkTimeLines();

// Appends the run protocol to a ".prt" file, keeping the newest 8 complete older runs.
// Creates missing folders; false when the file cannot be written.
bool AppendRunToProtocolFile(const QString& path);
// The current player's protocol file in the `Protokoll` folder.
QString PlayerProtocolPath();

QString EscapeRtf(const QString& text);

// How a task line of a protocol (without its leading blank) counts in the run's result: a task
// without errors, one with errors, or a task shown but never answered, which does not count.
enum class TaskLineKind { NotCounted, Ok, Bad };
TaskLineKind ClassifyTaskLine(int programCode, const QString& text);

struct RunBlockCount { int ok = 0; int bad = 0; };
struct ProtocolRendering {
    QStringList rtfLines;
    std::vector<RunBlockCount> counts;  // one per "Z" line, in order
};
// Turns protocol lines into RTF lines, counts each run's tasks and shows the result in `display`
// (may be null). The RTF lines are also kept in run().lastRtfLines. Each run is counted by the
// program its "P" line names; `programCode` (default: the running program) serves lines without one.
ProtocolRendering RenderProtocolRtf(const QStringList& lines, QTextEdit* display,
                                    int programCode = -1);
// The newest run block of a rendering: from the last "\fs20" line to the end.
QStringList LastRunBlock(const QStringList& rtfLines);
// Writes "protokoll.rtf" and "Protokolle.txt" into `folder` (the installation directory when empty)
// and fills `textLines` with the plain text form. False when a file cannot be written.
bool ExportLastProtocol(const QStringList& rtfLines, QStringList& textLines,
                        const QString& folder = QString());
