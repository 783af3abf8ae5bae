#pragma once
#include <QString>
#include <QStringList>

// The word texts of the sound exercises: a word with a marker digit, and the comma list of a sound
// search task (word, target sound, other sounds).
namespace exercise {

// The digits "1".."9" are looked for in this order; the first that occurs is the marker. Its value
// is the mark length, its place the mark start; the word is the text without that digit.
struct LautWord {
    QString word;
    int markLength = 0;   // d: letters marked (0 without a marker)
    int markStart = 1;    // k: 1-based position of the first marked letter (1 without a marker)
    bool hasMarker = false;
    // The marked letters (at most d, fewer at the word's end).
    QString marked() const { return hasMarker ? word.mid(markStart - 1, markLength) : QString(); }
};
LautWord SplitLautMarker(const QString& text);

// A sound search text split at "," (duplicates dropped): items[0] the word with its marker, items[1]
// the target sound, items[2..] the other sounds. A text of one item with a marker gets the one
// character after the digit as target and "Y" as the only other sound; one without a marker is
// incomplete (valid false).
struct LautItems {
    LautWord word;
    QStringList items;
    bool valid = false;
    QString target() const { return items.size() > 1 ? items[1] : QString(); }
};
LautItems SplitLautItems(const QString& text);

// The sounds offered: items 1.. (target and others), cut to `count` from the end of the list, in
// random order (the program's random source), each text once (exact comparison).
QStringList LautSoundSet(const LautItems& items, int count);

// Whether a chosen sound answers the target (case ignored): the sound itself, the sound written
// twice ("l" for "ll"), and with `withCheck` ("Prüfen") also "c" + sound ("k" for "ck").
bool LautSoundMatches(const QString& sound, const QString& target, bool withCheck);

} // namespace exercise
