#pragma once
#include <QString>
#include <QStringList>

// A school's installation for tests and benchmarks: a copy of the demo tree with many players, a
// protocol file per player and a lock file holding the players of other workstations.
namespace largeinstallation {

struct Shape {
    // Players in all, the demo's own ones included (never fewer than those).
    int players = 1000;
    // Protocol files, one per player in the order of making; -1: one for every player.
    int protocols = -1;
    // Lines of "lock.txt"; 0 makes no lock file.
    int lockEntries = 0;
    // Every n-th made player gets a picture of its own (the demo's player pictures by turns, every
    // first name among them); 0: none.
    int pictureEvery = 3;
    // "Namenauswahl" in every options file: the player choice at start-up.
    bool nameChoice = true;
    // Files and folders of the demo to copy, relative to it; empty: the whole tree. Tests of the
    // players need only "INTERN/Kalimo.txt", "Optionen" and "Spielerbilder".
    QStringList demoParts;
};

struct Installation {
    QString root;          // with trailing "/"; empty when the tree could not be made
    QStringList players;   // every player, in the order of making (not the listed order)
    QString lastPlayer;    // the name in "LetzterNutzer.txt": the one in the middle of the listed order
    QStringList locked;    // the lines of "lock.txt"
};

// Name of made player i (0-based): first names in mixed letter case, some with umlauts, and a
// number, so the order of making is not the listed order.
QString playerName(int i);

// Copies `demoDir` into `target` and adds players up to `shape.players`: options files copied from
// a demo player, player pictures, protocol files and the lock file. The demo's options files take
// the shape's "Namenauswahl" too.
Installation make(const QString& demoDir, const QString& target, const Shape& shape);

} // namespace largeinstallation
