#pragma once
#include "exercises/common/LautFlow.h"

#include <QString>
#include <QStringList>
#include <vector>

class TWAV;
struct TOpt_Silbenanzahl;
struct TZeile;
enum class SoundStatus;

// The rules of "Silbenanzahl", without widgets: a word is heard, the child chooses how many
// syllables it has among count buttons. A right answer shows the word in syllables and plays the
// word and its syllables. The window feeds events in and paints from the state.
namespace silben {

using exercise::LautState;
using exercise::TLoesung;

TOpt_Silbenanzahl& opts();

// The counts offered by a task text "Ba-na-ne;3;4;2;3": items 2.. without duplicates, ascending by
// value.
QStringList OfferedCounts(const QString& text);

class SilbenRules
{
public:
    explicit SilbenRules(TWAV& player);

    // Takes the loaded list in the play order: every task open, a new result block for `listFile`.
    // False (NoValidList) without tasks.
    bool prepareList(const QString& listFile, int start = 0);
    enum class Setup { Ok, Defect, Incomplete };
    // Sets up the task at the position. A task with an empty text is "defect": the next one is used
    // instead (once); one without offered counts is "incomplete" (nothing to answer).
    Setup setUpTask();
    Setup jumpTo(int position);
    bool advance();
    // How the last task set up went (advance and restart set one up too).
    Setup lastSetup() const { return m_lastSetup; }
    void restart(bool newOrder);

    void listen();          // SB_hoeren, "H", a click on the picture panel
    void help();            // "Hilfe", "I"
    void playHeading();     // SB_Ton
    void replaySolution();  // a click on the panel when solved
    // The solution area: the word sound (upper or left half) or the syllable sound.
    void playWordSound(bool syllables);

    // Count button i: mouse down (false before hearing: "Bitte zuerst auf den Knopf 'Hören'
    // klicken"), mouse up on the chosen one.
    bool press(int i);
    enum class Outcome { Ignored, Chosen, Wrong, Right };
    Outcome release(int i);
    void releaseElsewhere();
    Outcome check();        // "Prüfen", "P"
    // Enter, Up/Down, digits.
    enum class KeyAction { None, Listened, Judged, Weiter };
    KeyAction enter(Outcome* outcome = nullptr);
    void upDown(bool down);
    bool digit(int count);
    void soundNotice(int channel, SoundStatus status);

    LautState state() const { return m_state; }
    int position() const { return m_position; }
    int taskCount() const { return int(m_tasks.size()); }
    const std::vector<TLoesung>& tasks() const { return m_tasks; }
    const TLoesung& task() const { return m_tasks[size_t(m_position)]; }
    const QStringList& counts() const { return m_counts; }
    int chosen() const { return m_chosen; }
    bool taskShown() const { return m_shown; }
    bool checkEnabled() const { return m_checkEnabled; }
    bool weiterEnabled() const { return m_weiterEnabled; }
    bool listenEnabled() const { return m_listenEnabled; }
    bool helpEnabled() const { return m_helpEnabled; }
    bool solutionShown() const { return m_state == LautState::Solved; }
    QString picture() const { return m_picture; }
    int pictureSize() const { return m_pictureSize; }
    const QStringList& wordSounds() const { return m_wordSounds; }
    const QStringList& syllableSounds() const { return m_syllableSounds; }
    // Both the word sound and the syllable sound exist.
    bool bothSounds() const;
    TZeile* row() const { return m_record.row(); }

private:
    Outcome judge(const QString& count);
    void playList(const QStringList& entries);
    void buildTasks();

    TWAV& m_player;
    LautState m_state = LautState::NoValidList;
    exercise::LautRecord m_record;
    std::vector<TLoesung> m_tasks;
    QStringList m_counts, m_wordSounds, m_syllableSounds;
    QString m_picture;
    int m_pictureSize = 100;
    int m_position = 0, m_chosen = -1;
    Setup m_lastSetup = Setup::Ok;
    bool m_shown = false, m_checkEnabled = false, m_weiterEnabled = false, m_listenEnabled = false;
    bool m_helpEnabled = false;
};

} // namespace silben
