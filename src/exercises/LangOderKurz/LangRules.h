#pragma once
#include "core/OptionRecords.h"
#include "core/Records.h"
#include "exercises/common/SideDrawer.h"
#include "exercises/common/TaskSeries.h"

#include <QString>
#include <vector>

class TWAV;
enum class SoundStatus;

// The rules of "Lang oder kurz", without widgets: two cards, one word with a short and one with a
// long vowel; the child hears both and lays the symbols "kurz" and "l a n g" onto them. The window
// feeds pointer, key and sound events in and paints from the state; sounds go to the window's player.
namespace lang {

enum class AnswerState {
    NoValidList = -1, Idle = 0, TaskReady = 1, Hearing = 2, Answering = 3, Dragging = 4, Solved = 6,
    SolvedHearing = 9, PauseBetweenCards = 10, Praising = 11, HeadingSound = 12
};

// Symbols: 0 the long one, 1 the short one; -1 none.
constexpr int kLong = 0;
constexpr int kShort = 1;

struct Card {
    TEinzelbild element;
    bool shortCard = false;
    bool heard = false;
    bool touched = false;
    int chosen = -1;
};

// Strip state (0 solved, 2 solved after an error) and error flag of a task.
using TaskResult = exercise::TaskResult;

using SideDrawer = exercise::SideDrawer;

// Which button stands in front in the listen panel.
enum class Front { Listen, Pruefen, Weiter };

class LangRules
{
public:
    explicit LangRules(TWAV& player);

    // Takes the loaded list in the play order g().taskOrder: every task open, new sides, a new
    // result block for `listFile`, the task at `start` set up. False (NoValidList) without tasks.
    bool prepareList(const QString& listFile, int start = 0);
    void startTask();
    void jumpTo(int position);

    // Inputs.
    void listen();                  // the listen button, "H", Space, Enter in TaskReady
    void pressCard(int card);       // 1 or 2: the card is touched
    void releaseOnCard(int card);   // a release on a touched card plays it
    // A press on a source: in Answering an unused one starts a drag (true).
    bool pressSource(int symbol);
    // A release on a used source whose symbol lies on a card takes it back (true).
    bool releaseOnSource(int symbol);
    // The held symbol dropped on card 1 or 2, or elsewhere (0). True when the drop solved the task.
    bool drop(int card);
    void clearSymbols();            // Backspace
    void arrow(bool left);          // left: short on card 1, long on card 2
    enum class Outcome { Ignored, Wrong, Right };
    Outcome check();                // "Prüfen"
    void soundNotice(int channel, SoundStatus status);
    // The second card of a repeated pair is due (the window waits a second before).
    void playDueCard();
    void playHeadingSounds();
    // "Weiter": false when every task is solved (the window asks how to go on).
    bool advance();
    // "Von vorne beginnen": every task open, position 0; new sides when asked.
    void restart(bool newSides);
    void rebuildOrder();

    enum class EnterAction { None, Listen, Pruefen, Weiter };
    EnterAction enterAction() const;

    // State.
    AnswerState state() const { return m_state; }
    int position() const { return m_position; }
    int taskCount() const { return int(m_results.size()); }
    int taskIndex() const;
    const Card& card(int i) const { return m_cards[i == 2 ? 1 : 0]; }
    int side(int position) const;
    void setSide(int position, int side);
    const std::vector<int>& sides() const { return m_sides; }
    const std::vector<TaskResult>& results() const { return m_results; }
    bool allSolved() const;
    bool multiSound() const { return m_multiSound; }
    bool sourceUsed(int symbol) const { return m_used[symbol == kShort ? 1 : 0]; }
    int held() const { return m_held; }
    // The card playing now (0 none) and the card whose second turn waits a second (0 none).
    int playingCard() const { return m_chain.empty() ? 0 : m_chain.front(); }
    bool cardDue() const { return m_cardDue; }
    // Whether a card shows its face after the solution.
    bool solvedFace(int card) const { return m_solvedFace[card == 2 ? 1 : 0]; }
    int resultBlock() const { return m_block; }

    // What the window shows.
    Front front = Front::Listen;
    bool listenEnabled = true;
    bool pruefenEnabled = false;
    bool weiterEnabled = false;
    bool revealNext = false;

private:
    void playCard();
    void chainOver();
    void solve();
    void praise();
    void returnSymbols();
    void afterPlacing();
    bool rightArrangement() const;
    void startClockIfNeeded();
    const TOpt_LangOderKurz& options() const;

    TWAV& m_player;
    AnswerState m_state = AnswerState::Idle;
    AnswerState m_remembered = AnswerState::Idle;
    int m_position = 0;
    int m_block = -1;
    int m_row = -1;
    int m_held = -1;
    bool m_used[2] = {false, false};
    bool m_multiSound = false;
    bool m_cardDue = false;
    bool m_solvedFace[2] = {false, false};
    std::vector<int> m_chain;
    std::vector<int> m_sides;
    std::vector<TaskResult> m_results;
    SideDrawer m_sideDrawer;
    Card m_cards[2];
};

} // namespace lang
