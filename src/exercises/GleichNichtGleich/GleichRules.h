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

// The rules of "Gleich oder Nichtgleich", without widgets: two cards are heard one after the other,
// the child says whether the words were the same. The window feeds the events in and paints from
// the state; the sounds go straight to the window's player.
namespace gleich {

enum class AnswerState { NoValidList = -1, Idle = 0, TaskReady = 1, Answering = 3, Solved = 6, ErrorFeedback = 7 };
enum class Answer { Gleich, NichtGleich };

// The card arrangements and the card texts are the common ones of the two-card programs.
using exercise::DrawTaskVariants;
using exercise::MarkedText;
using exercise::SplitMarker;
using exercise::CardText;
using exercise::HeadingSoundFile;

struct Card {
    TEinzelbild element;
    bool heard = false;
};

// Strip state and error flag of a task.
using TaskResult = exercise::TaskResult;

class GleichRules
{
public:
    explicit GleichRules(TWAV& player);

    // Takes the loaded list (g().loadedList) in the play order g().taskOrder: every task open, new
    // variants, a new result block for `listFile`, the first task started. False (state NoValidList)
    // without tasks.
    bool prepareList(const QString& listFile);
    // Sets up the task at the current position: cards, feedback sounds, state TaskReady.
    void startTask();
    void jumpTo(int position);

    // Inputs.
    void listen();                   // the listen button, "H", and one second after "Weiter"
    void clickCard(int card);        // 1 or 2
    void soundNotice(int channel, SoundStatus status);
    enum class Outcome { Ignored, Wrong, Right };
    Outcome answer(Answer answer);
    void pointerOverAnswerButtons(); // the mouse moved over an answer button
    void arrowKey(bool left);        // keyboard choice of one answer button
    void playHeadingSounds();
    // "Weiter": false when every task is solved (the window then asks how to go on).
    bool advance();
    // "Von vorne beginnen": all tasks open, position 0; a new random order when asked, new variants
    // unless the run repeats identically.
    void restart(bool newOrder, bool newVariants);
    // The look of the cards changed: a solved task is left for the next one, any other starts again.
    void restartTask();
    // The options changed: the order is rebuilt when "Reihenfolge zufällig" changed.
    void rebuildOrder();

    // What Enter does now.
    enum class EnterAction { None, AnswerGleich, AnswerNichtGleich, Weiter, Listen };
    EnterAction enterAction(bool weiterVisible) const;

    // State.
    AnswerState state() const { return m_state; }
    int position() const { return m_position; }
    int taskCount() const { return int(m_results.size()); }
    int taskIndex() const;                      // index into the task list of the current task
    int variant(int position) const;
    const std::vector<int>& variants() const { return m_variants; }
    // Tests fix a position's card arrangement (before startTask).
    void setVariant(int position, int variant)
    {
        if (position >= 0 && position < int(m_variants.size()))
            m_variants[size_t(position)] = variant & 3;
    }
    const Card& card(int i) const { return m_cards[i == 2 ? 1 : 0]; }
    bool sameTexts() const;
    const std::vector<TaskResult>& results() const { return m_results; }
    bool allSolved() const;
    int resultBlock() const { return m_block; }

    // What the window shows.
    bool gleichEnabled = false, nichtGleichEnabled = false;
    bool gleichDown = false, nichtGleichDown = false;
    bool listenEnabled = true;
    bool weiterEnabled = false;
    // The task was reached by "Weiter" or the strip: the window reveals the new backs with an animation.
    bool revealNext = false;

private:
    void playCard(int card, bool interruptFirst);
    void soundsOver();
    void startClockIfNeeded();
    bool solvedRight(Answer answer) const;

    TWAV& m_player;
    AnswerState m_state = AnswerState::Idle;
    int m_position = 0;
    int m_block = -1;
    int m_row = -1;
    std::vector<int> m_variants;
    std::vector<TaskResult> m_results;
    Card m_cards[2];
};

} // namespace gleich
