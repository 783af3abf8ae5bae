#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>

// Run histories ("<Spieler>-Verlauf.csv") for a class of players, written as the closing dialog
// writes them (Windows-1252, CR LF, ";"), for the class overview's tests and benchmark.
namespace classhistories {

struct Shape {
    int runsPerPlayer = 60;
    int days = 120;          // the runs spread over this many days before `now`
    // Every n-th player (from 3 on) practised only before the last two months; 0: none.
    int idleEvery = 7;
};

// The figures of run j of player i: program code, tasks counted and solved at the first try.
// Player i's share rises with the runs when i is even and falls when i is odd.
struct RunFigures {
    int code;
    int counted;
    int firstTry;
};
RunFigures figures(int player, int run, int runs);

// The start of run j of player i.
QDateTime runStart(int player, int run, const Shape& shape, const QDateTime& now);
bool isIdle(int player, const Shape& shape);

// Writes one history per player into `protocolFolder`; false when a file could not be written.
bool write(const QString& protocolFolder, const QStringList& players, const Shape& shape, const QDateTime& now);

} // namespace classhistories
