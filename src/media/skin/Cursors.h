#pragma once
#include <QCursor>
#include <QPixmap>

// The program's cursor shapes, drawn in code and registered under their numbers:
// 22 hand pointing down, 23 hand pointing up, 18 loudspeaker ("TON"), 12 ear ("OHR"),
// 24 closed hand ("HANDCLOSE"), 7 question mark ("FRAGE").
enum CursorNumber { crHandDown = 22, crHandUp = 23, crTon = 18, crOhr = 12, crHandClose = 24, crFrage = 7 };

// Makes the six shapes; later calls do nothing.
void RegisterCursors();
// The registered cursor of that number (registering them when needed); the arrow for unknown numbers.
QCursor programCursor(int number);
// The picture of a shape (32 x 32, transparent); null for unknown numbers.
QPixmap cursorPicture(int number);
