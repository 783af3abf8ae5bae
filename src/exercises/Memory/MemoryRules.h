#pragma once
#include "core/OptionRecords.h"
#include "core/Records.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TWAV;
struct TZeile;
enum class SoundStatus;

// The rules of "Memory" and "Laut-/Silbenmemory", without widgets: pairs of cards dealt face down,
// two cards turned per turn, one or two players, the second one possibly the computer with its
// memory of the cards it has seen. The window feeds the events in and paints from the state; the
// sounds go straight to the window's player.
namespace memory {

enum class GameState { Instruction, ChildTurn, ChildCard, ComputerFirst, ComputerSecond, ComputerAgain, GameOver,
                       PlayingAll };

struct Card {
    TEinzelbild element;
    bool turned = false;    // face up
    bool found = false;     // its pair is found
    int position = -1;      // grid place
};

struct Pair {
    Card cards[2];
    QStringList praise;     // the task's success sounds
    int task = -1;          // index in the loaded list
    bool shownFound = false; // drawn in the found look (half a second after the find)
};

struct Grid {
    int columns = 0, rows = 0, gap = 0;
};
// The grid of a card count; columns 0 for a count that is not 6, 12, 16, 20 or 24.
Grid GridOf(int cardCount);
// The card count a list can play: 0 below 3 tasks; the requested count when the list has enough
// tasks, else the largest allowed count not above twice the tasks.
int UsableCardCount(int requested, int taskCount);
// The computer's memory threshold for "Computer" (0 remembers every card seen once; 3 or more: 100).
int ComputerThreshold(int computer);

class MemoryRules
{
public:
    MemoryRules(TWAV& player, int programCode);

    // Before a pause and whenever the screen should show the state now (the window repaints).
    std::function<void()> onChanged;
    // The last pair is found: the window shows the success motif (before "TonAlleGefunden").
    std::function<void()> onGameOver;

    // The options in force (the window's working copy).
    void setOptions(const TOpt_Memory& options);
    const TOpt_Memory& options() const { return m_options; }
    // Players and threshold from the options: player 1 has the turn, scores 0.
    void setupPlayers();

    // A new list: a result block with the card count the options give, the card count adjusted to
    // the list (0 when it cannot be played), the pairs of the first game chosen. False when the list
    // cannot be played (fewer than 3 tasks).
    bool prepareList(const QString& listFile);
    // A new result block for the list shown (the looks changed).
    void startResultBlock();
    // Adjusts the card count to the list after a change of "Bilderanzahl"; false when unusable.
    bool adjustCardCount();
    // Chooses the pairs of the next game ("Bilderauswahl").
    void choosePairs();
    // Deals a game: players reset, pairs chosen unless `pairsChosen`, places drawn, seen counts 0,
    // a new result row, state ChildTurn. False (nothing dealt) without a usable card count.
    bool deal(bool pairsChosen);
    // The cards are shown again with unchanged places: a new result row.
    void startRow();

    void setInstruction(bool shown);
    void leaveInstruction();

    // Inputs.
    // A click on the card at `place` (or Enter on the focused card). True when it was taken.
    bool clickPlace(int place);
    void soundNotice(int channel, SoundStatus status);
    // "Alle Karten anhören": starts, or when running stops after the current card.
    void playAll();
    void playHeadingSounds();
    // Stops everything (the window closes): no further pause or turn is started.
    void abort() { m_aborted = true; }

    // Arrow keys: dx -1/1 or dy -1/1; false when no face-down card lies that way (the window beeps).
    bool moveFocus(int dx, int dy);
    int focus() const { return m_focus; }
    void clearFocus() { m_focus = -1; }

    // State.
    GameState state() const { return m_state; }
    int cardCount() const { return m_cardCount; }
    int pairCount() const { return int(m_pairs.size()); }
    const std::vector<Pair>& pairs() const { return m_pairs; }
    const Card& card(int index) const { return m_pairs[size_t(index / 2)].cards[index % 2]; }
    // The card index (pair * 2 + k) at a grid place, -1 when none.
    int cardAt(int place) const;
    int seenCount(int cardIndex) const { return m_seen[size_t(cardIndex)]; }
    int threshold() const { return m_threshold; }
    int players() const { return m_players; }
    bool computerPlays() const { return m_players == 2 && m_options.computer >= 0; }
    int turn() const { return m_turn; }  // 0 player 1, 1 player 2
    int score(int player) const { return m_scores[player == 1 ? 1 : 0]; }
    int firstTurned() const { return m_first < 0 ? -1 : m_first / 2; }
    int secondTurned() const { return m_second < 0 ? -1 : m_second / 2; }
    // The place shown by "Alle Karten anhören", -1 when none.
    int playingAllPlace() const { return m_state == GameState::PlayingAll ? m_allPlace : -1; }
    bool playAllOffered() const { return m_playAllOffered; }
    int joinMode() const { return m_joinMode; }  // "bei Erfolg" of this game
    bool allFound() const;
    int resultBlock() const { return m_block; }
    int resultRow() const { return m_row; }
    // The next task of "Bilderauswahl" 1, and the random pool (tests).
    int nextTaskIndex() const { return m_nextTask; }

    // The computer's choices, for tests: the first card and the second card it would take now.
    int computerFirstChoice();
    int computerSecondChoice(int firstCard);

private:
    void turnCard(int cardIndex, bool human);
    void playCardSounds(int cardIndex);
    void playFiles(const QStringList& files, bool interruptFirst);
    void chainOver();
    void twoOpen();
    void foundPair(bool byComputer);
    void passTurn();
    void computerTurn();
    void computerSecond();
    void turnBackOpen();
    void nextOfAll();
    void pause(int ms);
    void changed();
    QString sectionSound(const char* key) const;
    TZeile* row();

    TWAV& m_player;
    int m_program = 305;
    TOpt_Memory m_options;
    GameState m_state = GameState::ChildTurn;
    int m_cardCount = 0;
    int m_block = -1;
    int m_row = -1;
    std::vector<Pair> m_pairs;
    std::vector<int> m_atPlace;  // card index per place
    std::vector<int> m_seen;     // per card index
    std::vector<int> m_pool;     // random choice of tasks
    int m_nextTask = 0;
    int m_first = -1, m_second = -1;  // card indexes of the turn
    bool m_openMiss = false;          // two non-matching cards still open
    int m_players = 1;
    int m_turn = 0;
    int m_scores[2] = {0, 0};
    int m_threshold = 100;
    int m_joinMode = 0;
    int m_allPlace = -1;
    bool m_playAllOffered = false;
    int m_focus = -1;
    bool m_aborted = false;
    bool m_humanCard = false;
};

} // namespace memory
