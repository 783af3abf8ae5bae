#pragma once
#include "core/Records.h"

#include <QString>
#include <QStringList>
#include <vector>

class TWAV;
struct TZeile;
enum class SoundStatus;

// The rules of the word series ("Doppelgänger" 201/202, "Einer passt nicht" 203/204), without
// widgets: K words are shown, a series is heard, the child marks the doubled word or the odd one.
// The window feeds the events in and paints from the state; the sounds go to the window's player.
namespace wortreihe {

enum class TaskState { New, Heard, Retry, Solved };
enum class SoundState { Idle, Playing, WordPlaying, Replaying, Gap };

inline const QString kTooFewData =
    QStringLiteral("Anzahl gültiger Daten für diese Augabe zu klein. Bitte andere Aufgabe wählen!");
inline const QString kDefectTask =
    QStringLiteral("Die aktuelle Aufgabe ist defekt.\n\rBitte wählen Sie eine andere Aufgabe oder eine andere Datei.");
inline const QString kEndQuestion =
    QStringLiteral("Ende der Aufgaben erreicht!\n\rSoll das Programm beendet werden?");

bool IsDoppelgaenger(int programCode);
bool IsPictureProgram(int programCode);

// One shown word: element number, its face (1 unmarked, 2 marked by mouse, 3 by keyboard) and how
// it is drawn now.
struct Card {
    int element = 0;
    int face = 1;
    bool visible = false;  // the face is drawn, else the card is blank
    bool hearing = false;  // the speaker symbol is on it (its word plays)
};

// The symbol of an answered row: 0..4 the right-answer symbol of its place in a group of five,
// 5 the wrong-answer symbol.
constexpr int kWrongSymbol = 5;

class WortreiheRules
{
public:
    WortreiheRules(TWAV& player, int programCode);

    // The loaded list (g().loadedList) in file order: a new result block for `listFile`, the task at
    // `startTask` set up and its row started. False without tasks.
    bool startList(const QString& listFile, int startTask = 0);
    // Sets the current task up: usable run, selection, display and heard order, cards. False (with
    // `message` set) when the task has too few usable elements.
    bool setUp();
    void startRow();
    // The praise and error sounds of the current task.
    void prepareFeedback();

    // Inputs.
    void listen();                   // "Hören " / "Pause "
    void clickCard(int card);        // a click on a card (plays its word)
    void clickMarker(int card);      // a click on a card's marker button
    bool arrowKey(int delta);        // false: beep (at either end, or not answering)
    bool spaceKey();                 // false: beep
    enum class Outcome { Ignored, Wrong, Right };
    Outcome check();
    void soundNotice(int channel, SoundStatus status);
    void replay();                   // "Nochmal hören " (Doppelgänger-Text, solved)
    // "Weiter ": the next or the same task; AskEnd: the window asks kEndQuestion and calls endAnswered.
    enum class Next { Same, Advanced, AskEnd };
    Next weiter();
    void endAnswered(bool endRun);   // No: on with task 0
    bool goTo(int task);             // task navigation; false when out of range
    void setWordCount(int k);        // "Anzahl Begriffe"

    // State.
    int programCode() const { return m_code; }
    bool doppelgaenger() const { return IsDoppelgaenger(m_code); }
    bool pictures() const { return IsPictureProgram(m_code); }
    TaskState taskState() const { return m_task; }
    SoundState soundState() const { return m_sound; }
    int currentTask() const { return m_current; }
    int taskCount() const;
    int k() const { return m_k; }
    int wordIndex() const { return m_wordIndex; }
    int keyboardFocus() const { return m_focus; }
    const std::vector<int>& selection() const { return m_selection; }
    const std::vector<Card>& cards() const { return m_cards; }
    const std::vector<int>& heardOrder() const { return m_heard; }
    int doubledWord() const { return m_doubled; }
    const TEinzelbild& element(int number) const;
    QString cardText(int card) const;
    int markedCard() const;
    int block() const { return m_block; }
    int row() const { return m_row; }
    // The right card (display index).
    int solutionCard() const;

    // What the window shows.
    bool hoerenEnabled() const { return m_k > 2; }
    bool hoerenVisible() const { return m_task != TaskState::Solved || m_weiterShown; }
    // "Hören ", "Pause " or "Weiter ".
    QString hoerenCaption() const;
    bool checkVisible = false;
    bool checkEnabled = false;
    bool checkIsReplay() const { return m_task == TaskState::Solved && doppelgaenger() && !pictures(); }
    // The message to show now (too few data, defect task); the window takes it.
    QString message;
    // Marks the "Weiter " button as shown (after the solution's short wait).
    void showWeiter() { m_weiterShown = true; }
    // Symbols of all answered rows of the run, in order.
    static std::vector<int> StripSymbols();
    // The heading is shown (by solved rows of the current block).
    bool headingVisible() const;

private:
    void playWord(int position);
    void playElement(int number, bool leadingPause);
    void seriesStep();
    void chainOver();
    void chainStep();
    void startSeries(SoundState state);
    void stopSeries();
    void cardsAfterWord(int card);
    int cardOf(int element) const;
    TZeile* currentRow();
    bool usable(const TEinzelbild& e) const;

    TWAV& m_player;
    int m_code;
    TaskState m_task = TaskState::New;
    SoundState m_sound = SoundState::Idle;
    int m_current = 0;
    int m_k = 0;
    int m_wordIndex = -1;
    int m_focus = -1;
    int m_playingCard = -1;
    int m_doubled = 0;
    int m_block = -1;
    int m_row = -1;
    bool m_waiting = false;      // sounds of ours are in the player
    bool m_weiterShown = false;
    std::vector<int> m_selection, m_heard;
    std::vector<Card> m_cards;
};

} // namespace wortreihe
