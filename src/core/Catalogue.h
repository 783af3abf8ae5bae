#pragma once
#include <QString>
#include <vector>

// The twenty programs: code, group, window, options section, configuration section, list folder.
struct ProgramInfo {
    int code;
    int group;
    QString name;            // e.g. "Gleich oder Nichtgleich"
    QString formular;        // "formular" name of its button ("" for the word series)
    QString windowClass;     // e.g. "TFormGleichNichtGleich"
    QString optionsSection;  // section of the player's options file
    QString configSection;   // per-program section of the main configuration file
    QString listSubfolder;   // below the program's "Listenpfad", with "/" (may be empty)
    QString summaryCaption;  // printed in the run summary ("" where none)
};

namespace catalogue {
const std::vector<ProgramInfo>& programs();
const ProgramInfo* byCode(int code);
// Program code of a menu button from its "formular" and caption; 0 when no program matches.
int programCodeFor(const QString& formular, const QString& caption);
// Options section of a code; code 0 is "Allgemeine Optionen".
QString optionsSection(int code);
QString groupName(int group);
// The window class a "formular" name opens ("" when unknown).
QString windowClassFor(const QString& formular);
// The program's list folder: `Listen` folder + "Listenpfad" + the variant subfolder.
QString listFolder(int code);
// Elements per task of the program's lists when a list does not state "Elementanzahl"; also the
// number of preview cards. 0 for an unknown code.
int defaultElementCount(int code);
}
