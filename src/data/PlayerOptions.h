#pragma once
#include <QString>

// The player's options file: one section at a time, between the file and g().playerOptions.
// (Implemented by the options module; the player list and the dialogs call these.)
void ReadPlayerOptions(const QString& player, int programCode);
// False when the file could not be written (the message has been shown).
bool WritePlayerOptions(const QString& player, int programCode);
// "Options-" + player + ".txt" in the `Optionen` folder ("~" players write to their "~Options-" backup).
QString playerOptionsFile(const QString& player);
