#pragma once
#include <QString>

class QWidget;

// What the user is told when a file of theirs cannot be read or written. Nothing is lost either
// way: an unreadable file is kept as it is and never written over, and a failed save leaves the
// old file whole.
namespace fileproblems {

// "Die Ini-Datei: <path> konnte nicht erstellt werden." in an error box. A path that is a symbolic
// link gets reportLink() instead, and a path whose folder is gone (a share that went away)
// reportMissingFolder().
void reportUnwritable(QWidget* parent, const QString& path);
// The file is a symbolic link, which Kalimo never writes through. `oncePerRun` for files checked
// at every start of a program.
void reportLink(QWidget* parent, const QString& path, bool oncePerRun = false);
// The folder a file should be saved in is not there (a network folder that went away): nothing was
// saved, and the user may try again once it is back.
void reportMissingFolder(QWidget* parent, const QString& folder);
// Which message a failed save of `path` gets: reportLink, reportMissingFolder or none of them
// (false: the caller shows its own).
bool reportSpecialCause(QWidget* parent, const QString& path);
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
