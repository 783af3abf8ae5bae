#pragma once
#include "core/Records.h"
#include "exercises/common/TaskSeries.h"

#include <QString>
#include <QStringList>
#include <vector>

class TWAV;
struct TZeile;
enum class SoundStatus;

// The rules of "Laute weglassen", without widgets: a word is heard, up to four alternative words
// can be heard and one is chosen: the word that remains when a sound is left out at the beginning
// ("Anlaut") or at the end ("Auslaut"). The window feeds the events in and paints from the state;
// the sounds go straight to the window's player.
namespace lautweg {

enum class AnswerState { NoValidList = -1, TaskReady = 1, Answering = 3, Retrying = 4, SolutionPlaying = 5, Solved = 6 };

enum class Position { Anlaut, Auslaut };

// Position mode from a list path below the program's list folder.
Position PositionOf(const QString& relativeListPath);

struct Alternative {
    int element = 0;   // 1..4
    QString text;
    QString sound;     // full path
};

// The alternatives of a task: elements 1 to 4 in turn while the text is not empty and the sound
// exists, at most `count`, in file order (not shuffled).
std::vector<Alternative> CollectAlternatives(const TAufgabe& task, int count);
// The sound file of an element: material sound folder + name, else the name as a path; empty when
// neither exists.
QString ElementSoundFile(const TEinzelbild& element);
// The left-out letters in the band: start and length in `word` (length word - new word, at least 0).
struct Mark {
    int start = 0;
    int length = 0;
};
Mark LeftOutLetters(const QString& word, const QString& newWord, Position position);

class LautWegRules
{
public:
    explicit LautWegRules(TWAV& player);

    // Takes the loaded list (g().loadedList) in the play order g().taskOrder: all tasks open, a new
    // result block for `listFile`, the task at `start` (0 when outside the list) set up. False (state
    // NoValidList) without tasks.
    bool prepareList(const QString& listFile, Position position, int start = 0);
    // Sets up the task at the current position; a defective task (element 1 without text or sound)
    // gives way to the next position once (defectiveShown() tells the window to say so).
    void setUpTask();
    void jumpTo(int position);

    enum class Outcome { Ignored, NeedListen, NeedHearAll, Flash, Played, Chosen, Wrong, Right };
    // Inputs.
    void listen();                          // listen button, "H", Enter when nothing else applies
    void clickPicture();                    // the word again, or after the solution the sentence
    void playHeadingSounds();               // SB_Ton, key 219
    void playHeadingBox();                  // a click on the heading box
    Outcome clickListenButton(int row);
    Outcome pressChoice(int row);           // mouse down on a round choice button
    Outcome releaseChoice(int row);         // mouse up on it
    void releaseElsewhere();
    Outcome arrowKey(bool up);
    void space();
    Outcome judge();                        // "Fertig", "P", Enter
    // After the solution: band third 0 (left), 1 (arrow) or 2 (right).
    void clickBand(int third);
    void setHelp(bool down);
    void soundNotice(int channel, SoundStatus status);
    // "Weiter": false when every task is solved (the window then asks how to go on).
    bool advance();
    // "Von vorne beginnen": every task open, position 0.
    void restart();
    void setPosition(Position p) { m_mode = p; }
    void setHearAllFirst(bool on) { m_hearAllFirst = on; }

    // State.
    AnswerState state() const { return m_state; }
    Position positionMode() const { return m_mode; }
    int position() const { return m_position; }
    int taskCount() const { return int(m_results.size()); }
    int taskIndex() const;
    int tasksBegun() const { return m_tasksBegun; }
    const std::vector<exercise::TaskResult>& results() const { return m_results; }
    bool allSolved() const { return exercise::AllSolved(m_results); }
    int resultBlock() const { return m_block; }
    TZeile* row();

    const QString& word() const { return m_word; }
    const QString& newWord() const { return m_newWord; }
    const TEinzelbild& headElement() const { return m_head; }
    const TEinzelbild& newElement() const { return m_new; }
    const std::vector<Alternative>& alternatives() const { return m_alternatives; }
    int rightRow() const { return m_rightRow; }
    int chosen() const { return m_chosen; }
    bool heard(int row) const { return row >= 0 && row < int(m_heard.size()) && m_heard[size_t(row)]; }
    int pressedListen() const { return m_pressedListen; }
    Mark mark() const { return LeftOutLetters(m_word, m_newWord, m_mode); }

    bool listenEnabled = false;
    bool fertigEnabled = false;
    bool weiterEnabled = false;
    bool hilfeEnabled = false;
    bool helpDown = false;
    bool headingBoxPressed = false;
    // The picture shown: 0 first face (word picture or card back), 1 the new word's, 2 the word's.
    int pictureFace = 0;
    // The dissolve toward the new word's picture should start (the window clears it).
    bool dissolveRequested = false;
    // The arrow was clicked: drawn smaller until the next task.
    bool arrowPressed = false;
    // A defective task was skipped at the last set-up.
    bool defectiveShown = false;

private:
    void playSentence();
    void soundsOver();
    void collect();

    TWAV& m_player;
    AnswerState m_state = AnswerState::TaskReady;
    Position m_mode = Position::Anlaut;
    int m_position = 0;
    int m_block = -1;
    int m_row = -1;
    int m_tasksBegun = 0;
    int m_chosen = -1;
    int m_rightRow = -1;
    int m_pressedListen = -1;
    bool m_hearAllFirst = false;
    std::vector<exercise::TaskResult> m_results;
    std::vector<Alternative> m_alternatives;
    std::vector<bool> m_heard;
    TEinzelbild m_head, m_new;
    QString m_word, m_newWord;
};

} // namespace lautweg
