#pragma once
#include "core/Records.h"
#include "exercises/WelcherLautPasst/SoundPairs.h"
#include "exercises/common/SideDrawer.h"
#include "exercises/common/TaskSeries.h"

#include <QString>
#include <QStringList>
#include <vector>

class TWAV;
struct TZeile;
enum class SoundStatus;

// The rules of "Welcher Laut passt", without widgets: a hidden word is heard, two choice cards show
// two similar sounds, the child picks the one heard in the word. The window feeds the events in and
// paints from the state; the sounds go straight to the window's player.
namespace welcher {

enum class AnswerState { NoValidList = -1, Idle = 0, TaskReady = 1, Answering = 3, Solved = 6, ErrorFeedback = 7 };

// The card numbers of the choices: 1 left, 3 right (2 is the word card).
constexpr int kLeft = 1;
constexpr int kRight = 3;

// Strip state (0 solved, 1 solved after an error) and error flag of a task.
using TaskResult = exercise::TaskResult;

using SideDrawer = exercise::SideDrawer;

// Empties the program-wide pool of random praise (tests).
void resetPraisePool();

class WelcherRules
{
public:
    explicit WelcherRules(TWAV& player);

    // Takes the loaded list (g().loadedList) in the play order g().taskOrder: every task open, new
    // sides, a new result block for `listFile`. False (state NoValidList) without tasks. The first
    // task is set up at `start` (the chooser's start position, 0 when outside the list).
    bool prepareList(const QString& listFile, SoundPosition position, int start = 0);
    // Sets up the task at the current position. False when its text gives no choices: nothing of it
    // is shown and the state stays; the window says "Aufgabe N ist nicht korrekt!".
    bool setUpTask();
    // A number of the task strip: the task at `position` is set up.
    bool jumpTo(int position);

    // Inputs.
    void listen();                    // listen button, "H", Enter, a click on the word card
    void showPicture() { m_pictureShown = true; }
    void soundNotice(int channel, SoundStatus status);
    enum class Outcome { Ignored, Wrong, Right, Sounded };
    // A click on choice card 1 (left) or 3 (right).
    Outcome clickChoice(int card);
    // A click on the ear button under card 1 or 3.
    void clickEar(int card);
    void arrowKey(bool left);
    enum class KeyAction { None, Answered, Listened, Weiter };
    // Space and Enter; Enter leads to "Weiter" when it is offered (the window runs it).
    void space();
    KeyAction enter(bool weiterOffered, Outcome* outcome = nullptr);
    void playHeadingSounds();
    // The explanation chain again (a click on the word panel of a solved task).
    void replayExplanation();
    // "Weiter": false when every task is solved (the window then asks how to go on; p stays at the
    // last position).
    bool advance();
    // "Von vorne beginnen": all tasks open, position 0, new sides when asked.
    void restart(bool newSides);
    // "Reihenfolge zufällig" changed: a new order from position 0.
    void rebuildOrder(bool random);
    void setSoundPosition(SoundPosition position) { m_soundPosition = position; }
    void setMinimizeSpeech(bool on) { m_minimize = on; }
    bool minimizeSpeech() const { return m_minimize; }

    // State.
    AnswerState state() const { return m_state; }
    int position() const { return m_position; }
    int taskCount() const { return int(m_results.size()); }
    int taskIndex() const;
    SoundPosition soundPosition() const { return m_soundPosition; }
    const QStringList& sides() const { return m_sides; }
    void setSide(int position, bool right);  // tests
    // The side of the right choice at the current position: kLeft or kRight.
    int rightCard() const;
    const std::vector<TaskResult>& results() const { return m_results; }
    bool allSolved() const { return exercise::AllSolved(m_results); }
    int resultBlock() const { return m_block; }
    // Result rows of the whole run (the progress squares).
    int rowCount() const;

    // The current task as shown.
    bool taskShown() const { return m_taskShown; }
    const TEinzelbild& wordElement() const { return m_word; }
    const QString& word() const { return m_choices.word; }
    const Choices& choices() const { return m_choices; }
    // Text and letter sound of card 1 or 3.
    QString cardText(int card) const;
    QString letterSound(int card) const;
    Mark mark() const;
    bool wordHeard() const { return m_wordHeard; }
    bool pictureShown() const { return m_pictureShown || m_state == AnswerState::Solved; }
    // -1 none, kLeft or kRight.
    int keyboardChoice() const { return m_keyboard; }
    bool weiterEnabled() const { return m_weiterEnabled; }
    // The word failing to give choices at the last set-up (1-based task number), else 0.
    int incorrectTask() const { return m_incorrectTask; }

private:
    void playWord(bool interruptFirst, bool withPauseAfterLast);
    void startClockIfNeeded();
    TZeile* row();
    Outcome answer(int card);
    QStringList explanation() const;
    QStringList praise();
    void playChain(const QStringList& entries);
    void playLetter(int card);
    void clearTask();

    TWAV& m_player;
    AnswerState m_state = AnswerState::Idle;
    SoundPosition m_soundPosition = SoundPosition::None;
    int m_position = 0;
    int m_block = -1;
    int m_row = -1;
    int m_keyboard = -1;
    int m_incorrectTask = 0;
    bool m_wordHeard = false;
    bool m_pictureShown = false;
    bool m_taskShown = false;
    bool m_weiterEnabled = false;
    bool m_minimize = false;
    SideDrawer m_drawer;
    QStringList m_sides;
    std::vector<TaskResult> m_results;
    TEinzelbild m_word;
    Choices m_choices;
};

} // namespace welcher
