#pragma once
#include "core/OptionRecords.h"
#include "core/Records.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

class TWAV;
struct TZeile;
enum class SoundStatus;

// The rules of "Merkfähigkeit" (101 pictures, 102 texts), without widgets: N cards, M of them heard
// one after another, the child picks those M (in any order or in the heard order). The window feeds
// commands, gestures and sound notices in and paints from the state; sounds go to its player.
namespace merk {

enum class Phase {
    Invalid, NeedTask, Ready, Hearing, Paused, Answering, NeedSee, Dragging, Solved, Replay, HeadingSound, CardSound
};

// The card count N for a wished count and a pool of P usable elements: lowered to the largest of
// 1, 2, 4, 6, 9 not above P when the pool is too small (0 for an empty pool).
int CardCountFor(int wished, int pool);
// A task series for N cards and span M: R tasks (R = the smallest multiple of M not below N) of M
// different card numbers 1..N each, as one list of R * M entries.
std::vector<int> MakeSeries(int n, int m);
// The pause file below the internal sound folder for "Zeit" 0..9 (empty for 0).
QString PauseFileName(int time);

struct Card {
    TEinzelbild element;
    int poolIndex = 0;    // 1-based place in the pool
    bool placed = false;  // lies in a slot (or keeps its placed mark after solving)
    int slot = -1;        // the slot it was placed in, kept for drawing after solving
    QString text;         // display text
};

// What a gesture came to.
enum class Offer { Ignored, Placed, Solved, Refused };

class MerkRules
{
public:
    MerkRules(TWAV& player, int programCode);

    bool pictures() const { return m_code == 101; }
    const TOpt_Merkfaehigkeit& options() const;

    // The loaded list (g().loadedList) becomes the card pool; `listName` names the result block.
    // False (phase Invalid, `message` set) without a usable task or with fewer than 2 cards.
    bool startList(const QString& listName);
    // On the repaint in NeedTask: the next block of the series.
    void makeTask();

    // Commands of the bar.
    void hoeren();                 // "Hören" / "Pause" / "Weiter " by phase
    void listen();                 // "Hören" in Ready, Paused, Answering, NeedSee
    void pause();
    void next(bool again);         // "Weiter " (false) or "Nochmal" (true) in Solved
    void see();                    // "Sehen"
    void check();                  // "Prüfen"
    void headingSound();
    void setOrderMode(bool order); // "Merkspanne" / "Reihenfolge"
    void setCardCount(int n);      // "Bilderanzahl:"
    void setSpan(int m);           // "merken:"
    void setSecondChoice(bool second) { m_secondChoice = second; }
    bool secondChoice() const { return m_secondChoice; }
    // After the options dialog's OK, with the options from before it.
    void optionsChanged(const TOpt_Merkfaehigkeit& before);

    // Gestures (cards 1..N).
    void clickCard(int card);      // left click on a card at home (or Enter on the focused one)
    void clickPlaced(int card);    // left click on a placed card at its target
    void rightClickCard(int card); // right button or Space: its sounds in the CardSound phase
    bool beginDrag(int card);      // a press on an unplaced card in Answering
    // The end of a drag: on slot `slot` (text fields), on the answer card (slot -1), outside (-2),
    // back on the card itself (-3).
    Offer drop(int slot);
    static constexpr int kAnswerCard = -1, kOutside = -2, kOwnCard = -3;
    void takeBackAll();            // Backspace
    // Arrow keys in Answering; false where the program beeps.
    bool arrowKey(int key);
    int focusedCard() const { return m_focus; }
    void setFocusedCard(int card);  // 0 (none) for a number that is not a card

    void soundNotice(int channel, SoundStatus status);

    // The question after every fifteenth solved task: answered No moves the strip page on.
    bool closeQuestionDue() const { return m_questionDue; }
    QString closeQuestion() const;
    void closeQuestionAnswered(bool close);

    // For the protocol, every solved row's attempts rebased to the errors + 1; restore afterwards.
    std::vector<int> rebaseAttempts();
    void restoreAttempts(const std::vector<int>& raw);
    bool endNeedsConfirmation() const;

    // State.
    Phase phase() const { return m_phase; }
    Phase keptPhase() const { return m_kept; }
    int cardCount() const { return int(m_cards.size()); }
    int span() const { return m_span; }
    int poolSize() const { return int(m_pool.size()); }
    int poolOffset() const { return m_offset; }
    const std::vector<TEinzelbild>& pool() const { return m_pool; }
    // Card c (1..N); a blank card for any other number.
    const Card& card(int c) const;
    const std::vector<Card>& cards() const { return m_cards; }
    const std::vector<int>& heard() const { return m_heard; }
    const std::deque<int>& series() const { return m_series; }
    const std::vector<int>& answerSlots() const { return m_slots; }
    int slotOf(int card) const;
    int placedCount() const;
    int wordPosition() const { return m_word; }
    bool orderMode() const { return m_order; }
    // The card numbers from the top (text program: sorted by display text when asked).
    std::vector<int> displayOrder() const;
    // Cards per row for the arrow keys Up and Down.
    int cardsPerRow() const;
    int markedCard() const { return m_marked; }      // outlined while its word plays (0 none)
    int emphasisedCard() const { return m_emphasised; } // a placed card whose word the replay plays
    int resultBlock() const { return m_block; }
    int stripOffset() const { return m_stripOffset; }
    int tasksStarted() const { return m_started; }
    // Solved rows of the run from the strip offset (at most 15): true = the second symbol.
    struct StripSymbol { int number; bool second; };
    std::vector<StripSymbol> stripPage() const;
    bool headingSoundExists() const { return m_headingExists; }

    // What the bar shows.
    QString hoerenCaption = QStringLiteral(" Hören");
    bool hoerenEnabled = true;
    bool pruefenVisible = false, pruefenEnabled = false;
    bool sehenVisible = false;
    bool nochmalVisible = false;
    bool choiceVisible = false;
    bool headingVisible = false;
    bool radiosEnabled = true;
    bool busy = false;             // the busy pointer while hearing
    // A message for the program's message window, taken and cleared by the window.
    QString message;
    // Set when a task was solved (the window shows the success picture); cleared by the window.
    bool justSolved = false;

private:
    void buildPool();
    void fillCards();
    void emptySlots();
    void newBlock();
    void playWord(bool queued);
    void chainOver();
    void beginAnswering();
    Offer offer(int card, int slot, bool byDrop);
    void solve();
    void praise();
    void preparePraise();
    void startReplay(const QString& errorSound);
    void sendHome(int card);
    TZeile* row();
    void countAttempt();
    QString pauseFile() const;
    bool chainIfSilent();

    TWAV& m_player;
    int m_code = 101;
    Phase m_phase = Phase::NeedTask;
    Phase m_kept = Phase::NeedTask;
    std::vector<TEinzelbild> m_pool;
    std::vector<Card> m_cards;
    std::deque<int> m_series;
    std::vector<int> m_heard;
    std::vector<int> m_slots;
    QString m_listName;
    int m_span = 1;
    int m_offset = 1;
    int m_word = 0;
    int m_block = -1;
    int m_row = -1;
    int m_started = 0;
    int m_stripOffset = 0;
    int m_focus = 0;
    int m_marked = 0;
    int m_emphasised = 0;
    int m_dragged = 0;
    bool m_order = false;
    bool m_secondChoice = true;
    bool m_questionDue = false;
    bool m_headingExists = false;
};

} // namespace merk
