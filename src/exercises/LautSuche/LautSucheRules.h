#pragma once
#include "exercises/common/LautFlow.h"
#include "exercises/common/LautMarker.h"

#include <QString>
#include <QStringList>
#include <vector>

class TWAV;
struct TOpt_LautSuche;
struct TZeile;
enum class SoundStatus;

// The rules of "Laut-/Silbensuche", without widgets: a word is heard, the child picks among sound
// buttons the sound at the searched position of the word. The window feeds events in and paints from
// the state; the sounds go straight to the window's player.
namespace lautsuche {

using exercise::LautState;
using exercise::TLoesung;

enum class PositionMode { Anlaut, Zweiter, Auslaut, None };
// The folder below the program's list folder decides: "anlaut", "zweiter laut", "auslaut"
// (compared in lower case, "\" or "/" as separator).
PositionMode PositionModeOf(const QString& relativeListPath);

TOpt_LautSuche& opts();

class LautSucheRules
{
public:
    explicit LautSucheRules(TWAV& player);

    // Takes the loaded list in the play order g().taskOrder: every task open, a new result block for
    // `listFile`; the task at `start` is set up. False (NoValidList) without tasks.
    bool prepareList(const QString& listFile, int start = 0);
    // Sets up the task at the current position. False when its text cannot be played: the window
    // says "Die Aufgabe ist unvollstängig. Bitte wählen Sie eine andere Aufgabe!".
    bool setUpTask();
    bool jumpTo(int position);
    // "Weiter": false when every task is solved (the position stays at the last one).
    bool advance();
    // "Von vorne beginnen?" "Ja": every task open, position 0; `newOrder` mixes the order anew.
    void restart(bool newOrder);

    // Hearing.
    void listen();              // SB_hoeren, "H", a click on the picture, the word area when solved
    void playHeading();         // SB_Ton, the heading box: the heading sounds with the word
    void playHeadingAlone();    // Space on the heading box
    bool listenEnabled() const { return m_listenEnabled; }

    // Choosing. Mouse down on sound button i; false when the word was not heard yet (the window says
    // "Bitte zuerst auf den Knopf 'Hören' klicken").
    bool press(int i);
    enum class Outcome { Ignored, Chosen, Sounded, Wrong, Right };
    // Mouse up on button i (acts only on the pressed one).
    Outcome release(int i);
    // Mouse up outside every button.
    void releaseElsewhere();
    // "Prüfen" (SB_fertig, "P").
    Outcome check();
    // Mouth picture i: down shows face 1; up plays the sound (face 2 while it plays). False when the
    // sound has no file (the window shows face 1 and 100 ms later face 0: `mouthIdle`).
    void mouthDown(int i);
    bool mouthUp(int i);
    void mouthIdle();
    void soundNotice(int channel, SoundStatus status);

    // Keys.
    enum class KeyAction { None, Check, Weiter, Listened, Chosen, Beep };
    KeyAction enter(Outcome* outcome = nullptr);
    KeyAction space(Outcome* outcome = nullptr);
    void upDown(bool down, Outcome* outcome = nullptr);
    // False: the computer's beep (no mouth column, or none in that direction).
    bool leftRight(bool left);

    // State.
    LautState state() const { return m_state; }
    int position() const { return m_position; }
    int taskCount() const { return int(m_tasks.size()); }
    const std::vector<TLoesung>& tasks() const { return m_tasks; }
    const TLoesung& task() const { return m_tasks[size_t(m_position)]; }
    bool taskShown() const { return m_shown; }
    bool incomplete() const { return m_incomplete; }
    int tasksBegun() const { return m_begun; }
    const QStringList& sounds() const { return m_sounds; }
    int chosen() const { return m_chosen; }
    int pressed() const { return m_pressed; }
    // -1 none, i a sound button, 10 + i a mouth picture.
    int focus() const { return m_focus; }
    int mouthFace(int i) const { return i == m_mouth ? m_mouthFace : 0; }
    bool headingPressed() const { return m_headingPressed; }
    bool checkEnabled() const { return m_checkEnabled; }
    bool weiterEnabled() const { return m_weiterEnabled; }
    bool tonEnabled() const { return m_tonEnabled; }
    // Element 1 of the current task.
    QString picture() const { return m_picture; }
    int pictureSize() const { return m_pictureSize; }
    QString wordSound() const { return m_wordSound; }
    // The heading box: shown while the tasks begun are at most "Überschrift sichtbar" (or always with
    // 4) and the heading sound is present.
    bool headingShown() const;
    static bool headingSoundPresent();
    bool soundsLeft() const;
    void setMode(PositionMode mode) { m_mode = mode; }
    PositionMode mode() const { return m_mode; }
    TZeile* row() const { return m_record.row(); }

private:
    Outcome choose(int i);
    Outcome judge(const QString& sound, bool withCheck);
    void playWord(bool interrupt);
    void buildTasks();

    TWAV& m_player;
    LautState m_state = LautState::NoValidList;
    PositionMode m_mode = PositionMode::None;
    exercise::LautRecord m_record;
    std::vector<TLoesung> m_tasks;
    QStringList m_sounds;
    QString m_picture, m_wordSound;
    int m_pictureSize = 100;
    int m_position = 0, m_begun = 0;
    int m_chosen = -1, m_pressed = -1, m_focus = -1, m_touched = -1;  // m_touched: -2 heading box
    int m_mouth = -1, m_mouthFace = 0;
    bool m_shown = false, m_incomplete = false, m_listenEnabled = false, m_tonEnabled = false;
    bool m_checkEnabled = false, m_weiterEnabled = false, m_headingPressed = false;
};

} // namespace lautsuche
