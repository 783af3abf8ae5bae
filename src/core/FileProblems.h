#pragma once
#include <QString>

class QWidget;

// What the user is told when a file of theirs cannot be read or written. Nothing is lost either
// way: an unreadable file is kept as it is and never written over, and a failed save leaves the
// old file whole.
namespace fileproblems {

// "Die Ini-Datei: <path> konnte nicht erstellt werden." in an error box.
void reportUnwritable(QWidget* parent, const QString& path);
// "Die Datei <path> konnte nicht gespeichert werden: <reason>", the reason in German from errno.
void reportNotSaved(QWidget* parent, const QString& path, int error);
// The German words for a file system error.
QString errorText(int error);
// Tells once a run for each file that it cannot be read and stays untouched, while the program
// goes on with defaults in memory.
void reportUnreadable(QWidget* parent, const QString& path);
// Tests: forget which files were reported.
void resetReported();

} // namespace fileproblems
