#pragma once
#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>

// Where the cards of "Paare suchen" lie and how large their texts are, without widgets.
namespace paare {

struct Grid {
    int columns = 0;   // of the two lower rows
    int side = 0;      // every card is a side x side square
    int x0 = 0, y0 = 0;
    int x1 = 0;        // left edge of the top row's four slots
    int count = 0;     // N

    // Grid place 0..N-1 (two rows of `columns`).
    QRect place(int p) const;
    // Slot 1..4 of the top row.
    QRect slot(int k) const;
    // A card position: 0..N-1 the grid, N..N+3 the slots.
    QRect position(int pos) const;
    // The grid place under a point (-1 none) and the slot (0 none).
    int placeAt(const QPoint& pt) const;
    int slotAt(const QPoint& pt) const;
};

// The grid in a card area `width` x `barTop` for N choice cards; columns 0 for an N other than
// 6, 8, 10 or 12.
Grid ComputeGrid(int width, int barTop, int n);

// The content areas of the five looks inside a card of side s.
QRect ContentRect(int look, int side);

// The one point size of a game's card texts: the font shrunk until the widest text fits 90 % of
// s - 30 in width and 90 % of the card height (a quarter of it with text under a picture).
int CardFontSize(const QStringList& texts, int side, bool underPicture, const QFont& font);

// The place of "Prüfen", "Weiter", "Neues Spiel" and "Hören" in the middle of a bar.
QRect ButtonPlace(int barWidth, int barHeight);

} // namespace paare
