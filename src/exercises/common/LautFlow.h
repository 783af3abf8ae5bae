#pragma once
#include <QDateTime>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

class TWAV;
struct TOptFeedback;
struct TZeile;

// The flow the sound exercises share ("Laut-/Silbensuche", "Laute ersetzen", "Silbenanzahl",
// "Laute hinzufügen", "Laute weglassen", "Laut positionieren"): the answer states, one task state per
// play position, the feedback and praise sounds, the result rows, "Weiter" past the last task, the
// letter sounds and the dissolve that uncovers the picture after the solution.
namespace exercise {

enum class LautState { NoValidList, TaskReady, Hearing, Answering, Retrying, SolutionPlaying, Solved };

// One task per play position (`TLoesung`): -1 open, 0 solved at once, 1 solved after an error.
struct TLoesung {
    int state = -1;
    bool error = false;
    QString word;         // the word as written after the solution (marker digit removed)
    int markLength = 0;   // d
    int markStart = 1;    // k, 1-based
    QString target;       // the sound searched (filled when the task is set up)
    QString extra;        // a program's own text (the hyphenated word of "Silbenanzahl")
};

// The position after `position`; past the last one, the first open position. -1 when every task
// is solved (the window then asks " Die Datei ist vollständig bearbeitet! ..." ).
int LautNextPosition(int position, const std::vector<TLoesung>& tasks);
bool LautAllSolved(const std::vector<TLoesung>& tasks);
// Every task open again (after "Von vorne beginnen?" "Ja").
void LautReopen(std::vector<TLoesung>& tasks);

// The feedback sounds of a task: praise mode 0 the configured names, any other one random praise
// sound; error mode 0 the configured names, 1 one random error sound, 2 none. `fresh` empties the
// lists first (after the option page).
void PrepareLautFeedback(const TOptFeedback& options, bool fresh = false);
// Queued praise when "Erfolgssound" is on and praise is due after the rows of the whole run.
// True when praise was queued.
bool PlayLautPraise(TWAV& player, const TOptFeedback& options);
// Queued error sounds when "Fehlersound" is on (no pauses). True when one was queued.
bool PlayLautErrors(TWAV& player, const TOptFeedback& options);
// Rows in all result blocks of the run.
int LautRunRows();

// A sound's own file: Internsound + "ABC/LAUTE/" + sound + ".wav", else "ABC/Silben/" + sound +
// ".wav", else "ABC/Silben/" + sound + "-.wav"; empty when none exists.
QString LautSoundFile(const QString& sound);
// Plays it interrupting; false (nothing played) when it has no file.
bool PlayLautSound(TWAV& player, const QString& sound);
// A material word sound: the name itself, else Internsound + name, else MaterialSound + name.
QString LautWordSoundFile(const QString& name);

// The result rows of one list: a block per list, a row per task begun.
class LautRecord
{
public:
    // A new block for `listFile` (path below the program's list folder).
    void startBlock(const QString& listFile);
    // A new row, or (newRow false) the block's last row again; a block without rows gets one.
    TZeile* beginTask(bool newRow);
    TZeile* row() const;
    int block() const { return m_block; }

private:
    int m_block = -1;
    int m_row = -1;
};

// The dissolve: the picture box cut into about 180 x 180 tiles, uncovered in random order.
class LautDissolve
{
public:
    void start(QSize box);
    // Copies up to `count` further tiles of `from` (box-sized) onto `onto` at `at`; false when none
    // were left.
    bool step(QImage& onto, QPoint at, const QImage& from, int count = 2000);
    bool running() const { return m_next < m_tiles.size(); }
    void stop() { m_next = m_tiles.size(); }
    int tileCount() const { return int(m_tiles.size()); }

private:
    struct Tile { int x, y, w, h; };
    std::vector<Tile> m_tiles;
    size_t m_next = 0;
};

} // namespace exercise
