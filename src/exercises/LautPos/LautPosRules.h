#pragma once
#include "exercises/common/LautFlow.h"

#include <QString>
#include <QStringList>
#include <vector>

class TWAV;
struct TOpt_LautPos;
struct TZeile;
enum class SoundStatus;

// The rules of "Laut positionieren", without widgets: an instruction names a sound, a word is heard,
// the child answers where the sound lies: "vorne", "mittig" or "hinten".
namespace lautpos {

using exercise::LautState;
using exercise::TLoesung;

TOpt_LautPos& opts();

enum Position { Vorne = 0, Mittig = 1, Hinten = 2 };

// A task text with its marker: the word without the digit and the sound (the d letters after it);
// without a marker the sound is the first letter.
struct PosWord {
    QString word;
    QString sound;
    int markerPlace = -1;  // 0-based place of the marker digit, -1 without
};
PosWord SplitPosWord(const QString& text);
// Whether `position` is right for the sound in the word (capitals, first occurrence only; "hinten"
// also when the sound written twice ends the word).
bool PositionRight(const QString& word, const QString& sound, int position);
// The letters marked after the solution: 0-based start and length of the first occurrence of the
// sound (ignoring case); inside the word a "k" marks "ck" when the word holds it. Start -1: none.
std::pair<int, int> SolutionMark(const QString& word, const QString& sound);
// The heading with "#" standing for the sound: with capitals only "S", else "S-s"; a sound of two
// equal letters is shortened to one first.
QString HeadingText(const QString& heading, const QString& sound, bool capitalsOnly);

class LautPosRules
{
public:
    explicit LautPosRules(TWAV& player);

    bool prepareList(const QString& listFile, int start = 0);
    void setUpTask();
    void jumpTo(int position);
    // The picture mode's spoken position words ("vorne", "mittig", "hinten"; resolved files, empty
    // outside the picture mode): a right box then says its position instead of praise.
    void setPositionWords(const QStringList& files) { m_positionWords = files; }
    bool advance();
    void restart();

    void instruction();     // the heading box, Enter with no box chosen
    void listen();          // SB_hoeren, "H"
    // Mouse down on box p: false before hearing ("Bitte zuerst auf den Knopf 'Hören' klicken").
    bool press(int p);
    enum class Outcome { Ignored, Chosen, Wrong, Right };
    Outcome release(int p);   // mouse up on the pressed box
    void releaseElsewhere();
    void arrow(bool left);    // Left, Right
    Outcome check();          // "FERTIG!", "P"
    enum class KeyAction { None, Instruction, Checked, Weiter };
    KeyAction enter(Outcome* outcome = nullptr);
    void soundNotice(int channel, SoundStatus status);

    LautState state() const { return m_state; }
    int position() const { return m_position; }
    int taskCount() const { return int(m_tasks.size()); }
    const std::vector<TLoesung>& tasks() const { return m_tasks; }
    const TLoesung& task() const { return m_tasks[size_t(m_position)]; }
    int chosen() const { return m_chosen; }
    int pressed() const { return m_pressed; }
    bool fertigShown() const { return m_fertig; }
    bool weiterShown() const { return m_state == LautState::Solved; }
    bool listenEnabled() const { return m_listenEnabled; }
    int wrongBox() const { return m_wrongBox; }
    QString wordSound() const { return m_wordSound; }
    TZeile* row() const { return m_record.row(); }

private:
    Outcome judge();
    void playWord(bool interrupt);
    void buildTasks();
    void heard();

    TWAV& m_player;
    LautState m_state = LautState::NoValidList;
    exercise::LautRecord m_record;
    std::vector<TLoesung> m_tasks;
    QString m_wordSound;
    QStringList m_positionWords;
    int m_position = 0, m_chosen = -1, m_pressed = -1, m_wrongBox = -1;
    bool m_fertig = false, m_listenEnabled = false;
};

} // namespace lautpos
