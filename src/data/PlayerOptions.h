#pragma once
#include <QString>

// The player's options file: one section at a time, between the file and g().playerOptions.
// (Implemented by the options module; the player list and the dialogs call these.)
void ReadPlayerOptions(const QString& player, int programCode);
// False when the file could not be written (the message has been shown).
bool WritePlayerOptions(const QString& player, int programCode);
// "Options-" + player + ".txt" in the `Optionen` folder ("~" players write to their "~Options-" backup).
QString playerOptionsFile(const QString& player);

// "Allgemeine Optionen" for 0, the program's section otherwise; code 1 is the common
// "Programm: Merkfähigkeit" section. Empty for unknown codes.
QString optionsSectionName(int programCode);
// The run-wide random-order flag of 303, 401, 402, 403, 405 and 406; nullptr for other codes.
bool* runRandomOrderFlag(int programCode);
// All six flags back on (random), as at program start.
void resetRunRandomOrderFlags();
// An acoustic event of the player's options that is active and names a sound ("(keine)" never plays).
bool acousticEventPlays(const QString& name);
// The chooser's choice: key "Datei" of the program's section (stored with "\\") and the in-memory
// option. False, with no message, when the file cannot be written.
bool WriteChosenListFile(const QString& player, int programCode, const QString& file);
// The in-memory "Datei" option of a program (nullptr for codes without one).
QString* chosenListFile(int programCode);
