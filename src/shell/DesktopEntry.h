#pragma once
#include <QString>
#include <QStringList>

// A desktop shortcut ("Verknüpfung") that starts one program for one player:
// `kalimo --installation DIR --player NAME --program CODE [--list FILE]` as a desktop entry.
namespace desktopentry {

struct Shortcut {
    QString executable;    // the kalimo program file
    QString installation;  // the installation folder
    QString player;
    int programCode = 0;
    QString programName;
    QString list;          // optional: relative to the program's list folder, or absolute
    QString icon;          // a picture file, or an icon name
};

// One argument of an Exec line, quoted as desktop entries want it (before the string escaping).
QString quoteArgument(const QString& arg);
// The Exec value as it stands in the file (arguments quoted, then backslashes doubled, "%" doubled).
QString execValue(const Shortcut& s);
// "Kalimo - <Name> - <Programm>".
QString title(const Shortcut& s);
// The file name of the entry: the title with characters a file name cannot hold replaced.
QString fileName(const Shortcut& s);
// The whole file, UTF-8.
QByteArray entryText(const Shortcut& s);

// The user's desktop folder (`xdg-user-dir DESKTOP`; ~/Desktop where that names no folder of its own).
QString desktopFolder();
// $XDG_DATA_HOME/applications, or ~/.local/share/applications.
QString applicationsFolder();

// Writes the entry into both folders (made when missing, the desktop copy executable so desktops
// trust it). The paths written, or an empty list with `error` (errno) and `failedPath` set.
QStringList write(const Shortcut& s, int* error = nullptr, QString* failedPath = nullptr);

} // namespace desktopentry
