#pragma once
#include <QChar>
#include <QHash>
#include <QString>
#include <optional>

// The pair rules of the cursive school fonts. A rule looks at the previous output character and the
// next input character (QChar() at the word's end) and may replace either and add a joining glyph.
namespace picture::school {

struct PairResult {
    std::optional<QChar> previous;  // overwrites the last output character
    std::optional<QChar> current;   // replaces the input character
    std::optional<QChar> joiner;    // written between the two
};

struct Family {
    // (previous, current) -> result; QChar() stands for "none" (start or end of the text).
    QHash<QPair<QChar, QChar>, PairResult> pairs;
    // Substitute code -> the plain letter it stands for (used to map mark positions).
    QHash<QChar, QChar> variants;
};

// Families 1 (LA), 2 (SA), 3 (VA). The tables must match the glyph layout of the school fonts the
// installation supplies; none are supplied yet, so they are empty and text passes unchanged.
const Family& family(int index);

} // namespace picture::school
