#pragma once
#include <QString>
#include <QStringList>

// The choices of a "Welcher Laut passt" task: the word, the right and the wrong sound written as a
// position pattern ("B-", "-u-", "-sch"), derived from the word by the list's sound position when
// the element text does not give them.
namespace welcher {

enum class SoundPosition { None, Anlaut, Inlaut, Auslaut };

// The sound position of a list: the first folder of its path below the program's list folder
// ("Anlaut\01 B oder P.txt"), compared without case.
SoundPosition SoundPositionOf(const QString& relativeListPath);

// The element text split at "," (duplicates kept); with one or two parts the derived right and
// wrong choice are appended. Empty when no pair counts (or there is no word).
QStringList ChoiceParts(const QString& text, SoundPosition position);

struct Choices {
    QString word, right, wrong;
    bool valid = false;
};
Choices ChoicesOf(const QString& text, SoundPosition position);

// The letters of a choice: every "-" removed, two equal characters read as one ("-ss" -> "s").
QString LetterOf(const QString& choice);
// The letter sound file below the internal sounds ("ABC/LAUTE/" + letters + ".wav").
QString LetterSoundFile(const QString& choice);

// The marked letters of the word after the solution, 0-based; length 0 = nothing marked.
// From the end (last sound) backwards over repetitions without case, else from the first
// occurrence (with case) forwards over immediately following repetitions.
struct Mark {
    int start = -1;
    int length = 0;
};
Mark MarkOf(const QString& word, const QString& rightChoice, bool fromEnd);

} // namespace welcher
