#pragma once
#include "core/Records.h"
#include "exercises/common/TaskSeries.h"

#include <QString>
#include <QStringList>
#include <vector>

class TWAV;
struct TOpt_LautAdd;
struct TZeile;
enum class SoundStatus;

// The rules of "Laute ersetzen" and, with the task read another way, of "Laute hinzufügen", without
// widgets: a first word is heard and shown on card 1, card 2 shows a second word with a gap, and the
// child drags the sound that belongs into the gap and checks it. The window feeds the events in and
// paints from the state; the sounds go straight to the window's player.
namespace lautreplace {

enum class AnswerState { NoValidList = -1, TaskReady = 1, Hearing, Answering, Dragging, Placed, HearingPlaced, Retrying, Solved };

enum class Position { Anlaut = 0, Inlaut = 1, Auslaut = 2 };

// What a task shows and offers, read from its elements 1 and 2.
struct TaskWords {
    bool valid = false;          // a sound can be offered
    QString firstWord;           // card 1, without marker
    int firstMarkStart = 0, firstMarkLength = 0;
    QString secondWord;          // card 2 complete (the new word)
    QString before, after;       // card 2 around the gap
    int secondMarkStart = 0, secondMarkLength = 0;  // the letters that fill the gap
    QStringList offered;         // the entries of the sound buttons, in list order
    int right = -1;              // the right entry
};

// "Laute ersetzen": element 1 "1Haus", element 2 "1Maus,r,l,k" (the marker is the leftmost digit,
// its value the number of letters after it).
TaskWords ReplaceWords(const TAufgabe& task, Position position, int soundCount);
// Element k of a task (an empty one when the task has fewer).
TEinzelbild ElementOf(const TAufgabe& task, int k);
// A text split at "," with blanks trimmed, empty items and duplicates dropped.
QStringList SplitItems(const QString& text);
// A sound as its button shows it: without digits.
QString ShownSound(const QString& sound);
// A sound's letter file: the letter or syllable sound, else the letter sound without digits.
QString SoundFileOf(const QString& sound);
// Position mode of a list path below the program's list folder.
Position ReplacePositionOf(const QString& relativeListPath);

class LautReplaceRules
{
public:
    enum class Kind { Replace, Add };
    LautReplaceRules(TWAV& player, Kind kind);

    // Takes the loaded list in the play order: all tasks open, a new result block for `listFile`,
    // the task at `start` set up (0 when outside the list). False (NoValidList) without tasks.
    bool prepareList(const QString& listFile, Position position, int start = 0);
    void setUpTask();
    void jumpTo(int position);

    enum class Outcome { Ignored, NeedListen, Picked, Placed, Wrong, Right, Played };
    void listen();                    // listen button, "H", a click on card 1
    void playHeadingSounds();         // SB_Ton
    void soundNotice(int channel, SoundStatus status);
    // Mouse down on the button of entry `entry`.
    Outcome pick(int entry);
    // The picked letters are in the gap (a drop, a plain click, or the end of a glide).
    Outcome place();
    // After a mouse release over the picked button (a plain click): its sound (not with "sofort").
    void playPicked();
    Outcome judge();                  // "Prüfen", "P", Enter in Placed
    // Up/Down through the shown order `order` (entries top to bottom).
    Outcome arrowKey(bool up, const std::vector<int>& order);
    void playEntry(int entry);        // a mouth picture, Space
    void clickCard(int card);         // after the solution: the card's word
    void setHelp(bool down);
    bool advance();                   // false when every task is solved
    void restart();

    // State.
    Kind kind() const { return m_kind; }
    AnswerState state() const { return m_state; }
    Position positionMode() const { return m_mode; }
    void setPositionMode(Position p) { m_mode = p; }
    int position() const { return m_position; }
    int taskCount() const { return int(m_results.size()); }
    int taskIndex() const;
    int tasksBegun() const { return m_tasksBegun; }
    const std::vector<exercise::TaskResult>& results() const { return m_results; }
    bool allSolved() const { return exercise::AllSolved(m_results); }
    TZeile* row();
    const TaskWords& words() const { return m_words; }
    const TEinzelbild& first() const { return m_first; }
    const TEinzelbild& second() const { return m_second; }
    int picked() const { return m_picked; }
    int placed() const { return m_placed; }
    int focus() const { return m_focus; }
    // The entries in the order the buttons are shown, top to bottom (shuffled at set-up).
    const std::vector<int>& shownOrder() const { return m_order; }

    bool listenEnabled = false;
    bool fertigEnabled = false;
    bool weiterEnabled = false;
    bool hilfeEnabled = false;
    bool helpDown = false;
    // The picture of card 2 should be uncovered now (the window clears it).
    bool revealRequested = false;

private:
    const TOpt_LautAdd& options() const;
    void soundsOver();
    void playFile(const QString& file, bool interrupt);

    TWAV& m_player;
    Kind m_kind;
    AnswerState m_state = AnswerState::TaskReady;
    Position m_mode = Position::Anlaut;
    int m_position = 0;
    int m_block = -1;
    int m_row = -1;
    int m_tasksBegun = 0;
    int m_picked = -1;
    int m_placed = -1;
    int m_focus = -1;
    std::vector<exercise::TaskResult> m_results;
    std::vector<int> m_order;
    TaskWords m_words;
    TEinzelbild m_first, m_second;
};

} // namespace lautreplace
