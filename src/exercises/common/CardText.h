#pragma once
#include <QString>

namespace exercise {
// A task text split at its marker: the digit d at position k marks the d characters after it.
struct MarkedText {
    QString text;
    int markStart = -1;
    int markLength = 0;
};
MarkedText SplitMarker(const QString& text);
// The card text as shown: marker split off, the article dropped when "mit Artikel" is off (the mark
// keeps to its letters).
MarkedText CardText(const QString& elementText);
}
