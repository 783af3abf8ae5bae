#pragma once
#include <QPoint>
#include <QString>
#include <functional>

class QWidget;

// The option pages and the all-options dialog, as the rest of the program calls them.
namespace options {

// Opens the option page of `programCode` alone and modally for the current player (the task-list
// chooser's and the exercises' "Optionen"). Sets the current program code. True after "OK - Optionen
// speichern": the player options hold the page's values and the program's section is written.
bool ShowOptionPage(QWidget* parent, int programCode);

// The all-options dialog, modally, with its top-left corner at `topLeft`; true when it ended with
// OK. On "Abbrechen - ohne speichern" the options file is put back as it was when the dialog opened.
bool ShowAllOptionsDialog(QWidget* parent, const QPoint& topLeft);

// The media insertion dialog of the editor, for the sound fields of the pages: it returns the full
// path of the chosen file, or an empty text when nothing was chosen. Insert modes: 4 praise sounds
// (`LobSound` folder), 7 error sounds (`Fehlersound` folder), 9 and 10 the "Wort" and "Geräusch"
// folders below the `LobSound` folder. Without one, a plain file dialog opens in that folder.
using SoundChooser = std::function<QString(QWidget* owner, int insertMode, const QString& searchText)>;
void setSoundChooser(SoundChooser chooser);
QString chooseSoundFile(QWidget* owner, int insertMode, const QString& searchText);

// "zuerst alle Alternativen anhören" of "Laute weglassen": set on its page, kept for the run,
// never stored in the options file.
bool& hearAllAlternativesFirst();

} // namespace options
