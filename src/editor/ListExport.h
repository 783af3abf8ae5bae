#pragma once
#include "core/Records.h"

#include <QString>
#include <QStringList>
#include <vector>

class QWidget;

// Texts of task lists written out: the list being edited as a plain text file, and every list below
// the `Listen` folder collected into one RTF document.
namespace editor {

// The elements a task shows in print and in the text export, in order (the head element first
// where the program has one); an element the task does not have counts as empty.
std::vector<TEinzelbild> TaskRows(int programCode, const TAufgabe& task);
// The number of the last element row of the program (12, 6, 2, 1 or 4): the rows a task may need.
int LastRowNumber(int programCode);

// The text with "-", ";", "+" and the digits removed and "," turned into a blank.
QString CleanExportText(const QString& text);
// The text for an RTF body: "\" doubled, the German umlauts and "ß" as \'xx escapes, braces escaped.
QString RtfEscape(const QString& text);

// The lines of the text export: the edited file below the `Listen` folder with ".\" in front, an
// empty line, then one line per task.
QStringList ListTextLines(int programCode, const QString& editedFile, const TDaten& tasks);
// The lines of the collected RTF document of every file below `listen`.
QStringList AllTextsRtfLines(const QString& listen);

// The menu items: a save dialog in "<installation>/Texte aus Dateien/", then the file. Cancelling
// does nothing; a file that cannot be written is told. True when a file was written.
bool ExportListTexts(QWidget* parent, int programCode, const QString& editedFile, const TDaten& tasks);
bool ExportAllTexts(QWidget* parent);

} // namespace editor
