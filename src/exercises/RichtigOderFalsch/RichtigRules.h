#pragma once
#include "core/Records.h"
#include "exercises/common/CardText.h"
#include "exercises/common/TaskSeries.h"
#include "exercises/common/TaskSounds.h"
#include "exercises/common/TaskVariants.h"

#include <QString>
#include <QStringList>
#include <vector>

class TWAV;
enum class SoundStatus;

// The rules of "Richtig oder Falsch", without widgets: one card is shown, a word is heard, the child
// says whether the word fits the card. The window feeds the events in and paints from the state; the
// sounds go straight to the window's player.
namespace richtig {

enum class AnswerState { NoValidList = -1, Idle = 0, TaskReady = 1, Answering = 3, Solved = 6, ErrorFeedback = 7 };
enum class Answer { Passt, PasstNicht };

struct Card {
    TEinzelbild element;
    bool heard = false;
};

// Strip state (0 "passt", 1 "passt nicht", 2 and 3 the same after an error) and error flag of a task.
using TaskResult = exercise::TaskResult;

// The praise of a right answer by "ErfolgAkustisch" (10/20 the configured names, 11/21 one file of
// the "Wort"/"Geräusch" folder without repeat, 30 the task's own success sounds).
void PreparePraise(int kind, const QStringList& speech, const QStringList& tone, const TAufgabe* task);
// Empties the program-wide pools of 11 and 21 (tests).
void resetPraisePools();

class RichtigRules
{
public:
    explicit RichtigRules(TWAV& player);

    // Takes the loaded list (g().loadedList) in the play order g().taskOrder: every task open, new
    // variants, a new result block for `listFile`, the first task started. False (state NoValidList)
    // without tasks.
    bool prepareList(const QString& listFile);
    // Sets up the task at the current position: cards, praise, state TaskReady.
    void startTask();
    void jumpTo(int position);

    // Inputs.
    void listen();  // the listen button, "H", a click on the card, and after "Weiter"
    void soundNotice(int channel, SoundStatus status);
    // Replay: the pressed button of a solved task was pressed again (its animation plays again).
    enum class Outcome { Ignored, Wrong, Right, Replay };
    Outcome answer(Answer answer);
    void pointerOverAnswerButtons();
    void arrowKey(bool left);
    void playHeadingSounds();
    // "Weiter": false when every task is solved (the window then asks how to go on).
    bool advance();
    // "Von vorne beginnen": all tasks open, position 0; a new random order when asked, new variants
    // when asked.
    void restart(bool newOrder, bool newVariants);
    // "Reihenfolge zufällig" changed: a new order and new variants from position 0.
    void rebuildOrder();
    // The options changed: the praise list is made again.
    void preparePraise();

    enum class EnterAction { None, AnswerPasst, AnswerPasstNicht, Weiter, Listen };
    EnterAction enterAction(bool weiterVisible) const;

    // State.
    AnswerState state() const { return m_state; }
    int position() const { return m_position; }
    int taskCount() const { return int(m_results.size()); }
    int taskIndex() const;
    int variant(int position) const;
    const std::vector<int>& variants() const { return m_variants; }
    void setVariant(int position, int variant)
    {
        if (position >= 0 && position < int(m_variants.size()))
            m_variants[size_t(position)] = variant & 3;
    }
    // Card 1 is shown, card 2 is heard.
    const Card& card(int i) const { return m_cards[i == 2 ? 1 : 0]; }
    bool fits() const;
    const std::vector<TaskResult>& results() const { return m_results; }
    bool allSolved() const;
    int resultBlock() const { return m_block; }
    // Faces shown so far (text cards alternate their shade).
    int facesShown() const { return m_facesShown; }

    // What the window shows.
    bool passtEnabled = false, passtNichtEnabled = false;
    bool weiterEnabled = false;
    // The button whose animation plays (after a right answer): 0 none, 1 "passt", 2 "passt nicht".
    int animatedButton = 0;
    // The task was reached by "Weiter", the strip or a new list: the window reveals it with an animation.
    bool revealNext = false;

private:
    void playWord();
    void soundsOver();
    void startClockIfNeeded();

    TWAV& m_player;
    AnswerState m_state = AnswerState::Idle;
    int m_position = 0;
    int m_block = -1;
    int m_row = -1;
    int m_facesShown = 0;
    std::vector<int> m_variants;
    std::vector<TaskResult> m_results;
    Card m_cards[2];
};

} // namespace richtig
