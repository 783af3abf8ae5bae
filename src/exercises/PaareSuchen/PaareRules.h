#pragma once
#include "core/OptionRecords.h"
#include "core/Records.h"

#include <QString>
#include <functional>
#include <vector>

class TWAV;
struct TZeile;

// The rules of "Paare suchen", without widgets: N choice cards in two rows, four of their partners as
// target cards in the top row; one target at a time is current, the child picks a choice card and
// checks it. The options are the player's own record (g().playerOptions.paarSuche); the sounds go
// straight to the window's player.
namespace paare {

// Search states; 1..4 are the slot numbers.
constexpr int kNoGame = 0;
constexpr int kDealing = -2;
constexpr int kInstructionDue = -1;
constexpr int kAllFound = 5;

// The five looks of a card.
enum Look { kBlank = 0, kHidden = 1, kFace = 2, kPicked = 3, kFound = 4 };

// The buttons that share one place on the bar; the front one is the one the child sees.
enum class Button { Pruefen, Weiter, NeuesSpiel, Hoeren };

struct Card {
    bool turned = false;
    bool found = false;
    int position = -1;   // 0..N-1 grid place, N..N+3 slots 1..4, -1 not shown
    int look = kBlank;   // the look drawn now
    TEinzelbild element;
};

struct Pair {
    Card cards[2];       // 0 the choice card, 1 the target card
    int task = -1;       // index in the loaded list
};

// The choice count a list of `taskCount` tasks plays when `requested` are asked for.
int FittedCount(int requested, int taskCount);
// Columns of the two lower rows: 3, 4, 5, 6 for N = 6, 8, 10, 12; 0 for any other N.
int ColumnsOf(int n);

class PaareRules
{
public:
    explicit PaareRules(TWAV& player);

    // A message for the child ("Bitte zuerst auf WEITER klicken!").
    std::function<void(const QString&)> onMessage;

    static TOpt_PaarSuche& options();

    // A result block for the list shown, with `itemCount` as its choice count.
    void startResultBlock(const QString& listFile, int itemCount);
    // Opening: a result block with N as the options give it, then N fitted to the loaded list.
    void openList(const QString& listFile);
    // Another list was loaded: N fitted, a new block with the N in force, the random order dropped.
    void listChanged(const QString& listFile);
    // N becomes "Bilderanzahl" again, fitted to the list.
    void fitCount();
    int count() const { return m_n; }
    bool validCount() const { return ColumnsOf(m_n) > 0; }
    int taskCount() const;

    // The pairs of the next game ("Bilderauswahl"); every card's flags cleared.
    void choosePairs();
    // Dealing: the state is remembered and becomes Dealing; returns the remembered state.
    int beginDeal();
    // Places for the choice cards, four targets, feedback sounds prepared, every card in the look
    // its flags give.
    void deal();
    // A new row of the current block and the task clock started.
    void startRow();
    // Slot 1's target becomes current.
    void startSearch();

    void setInstructionDue() { m_state = kInstructionDue; }
    void setDealDue(bool due) { m_dealDue = due; }
    bool dealDue() const { return m_dealDue; }
    void prepareFeedback();
    // Every card takes the look its flags give (after an option or box change).
    void redrawLooks();

    // Inputs.
    void pickChoice(int place);         // left click or Enter on the focused card
    void rightClickChoice(int place);   // its word, no pick
    void clickTarget(int slot);         // 1..4, left or right
    void pruefen();
    void weiter();
    void hoeren();
    void neuesSpiel();
    void enterKey();
    void spaceKey();
    // Arrow keys: dx -1/1 or dy -1/1; false when the window should beep.
    bool moveFocus(int dx, int dy);
    bool arrowsAllowed() const;
    bool frameShown() const { return m_frameShown; }

    // State.
    int state() const { return m_state; }
    int currentTarget() const { return m_current; }
    int chosenCard() const { return m_chosen; }
    int heardPair() const { return m_heard; }
    int focus() const { return m_focus; }
    int slotPair(int slot) const { return slot >= 1 && slot <= 4 ? m_slots[slot - 1] : -1; }
    int foundCount() const;
    const std::vector<Pair>& pairs() const { return m_pairs; }
    const Card& card(int pair, int k) const { return m_pairs[size_t(pair)].cards[k]; }
    // The pair whose choice card lies at a grid place, -1 when none.
    int pairAtPlace(int place) const;
    int nextFileIndex() const { return m_fileIndex; }

    bool enabled(Button b) const { return m_enabled[int(b)]; }
    bool shown(Button b) const { return b != Button::NeuesSpiel || m_newGameShown; }
    Button front() const { return m_front; }
    // What a key or click reaches: the front button, shown and enabled.
    bool usable(Button b) const { return m_front == b && shown(b) && enabled(b); }

    int resultBlock() const { return m_block; }
    TZeile* row();

private:
    void makeCurrent(int slot);
    void playCard(int pair, int k);
    void playFiles(const TEinzelbild& element, bool interruptFirst);
    void playBothWords(int pair);
    void putBack();
    void found();
    int lookOfChoiceAtRest(const Card& c) const;

    TWAV& m_player;
    int m_n = 12;
    std::vector<Pair> m_pairs;
    std::vector<int> m_pool;            // random order of task indexes
    int m_fileIndex = 0;
    int m_slots[4] = {-1, -1, -1, -1};
    int m_state = kNoGame;
    int m_current = -1;
    int m_chosen = -1;
    int m_heard = -1;
    int m_focus = -1;
    bool m_frameShown = false;
    bool m_dealDue = false;
    bool m_enabled[4] = {false, false, true, true};
    bool m_newGameShown = false;
    Button m_front = Button::Hoeren;
    int m_block = -1;
    int m_row = -1;
};

} // namespace paare
