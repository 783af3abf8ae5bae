#pragma once
#include <QDateTime>

// "Now" and the short synchronous pauses of animations. Tests make the pauses instant and may fix
// the time.
namespace clock_ {
QDateTime now();
// Waits `ms` milliseconds while processing events (instant when pauses are switched off).
void sleepMs(int ms);
void setInstant(bool instant);
bool isInstant();
void setFixedNow(const QDateTime& t);  // invalid time: real clock again
}
