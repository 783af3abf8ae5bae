#pragma once
#include <QString>

class QWidget;

// The players are the options files "Options-" + name + ".txt" in the `Optionen` folder;
// g().playerList holds them with the current player as entry 0.

// Builds the player list at start-up: the last player first, then every options file's player.
void LoadPlayerList();
// Section "Namen", key "Namen" of "LetzterNutzer.txt" := the current player.
void WriteLastPlayer(QWidget* parent = nullptr);
// Moves a listed name (found without case) to entry 0; the former entry 0 takes its place.
void MakeCurrentPlayer(const QString& name);
// A name picked from the main window's combo.
void SelectPlayer(const QString& name);
// The combo's text confirmed (focus lost, Enter, close request); returns the text the combo shows
// afterwards. A new name creates a player from the current one.
QString ConfirmPlayerCombo(const QString& text, QWidget* parent = nullptr);
// A new player with a copy of the current player's options file; false when the file exists, the
// name cannot name a player, or the question was not answered "OK".
bool CreatePlayerFromCurrent(const QString& name, QWidget* parent = nullptr);
// The main window's deletion of the name shown in the combo; true when a player was deleted.
bool DeleteCurrentPlayer(const QString& comboText, QWidget* parent = nullptr);

// The player's run history beside the protocol files: `Protokoll` folder + name + "-Verlauf.csv".
// It goes where the player's options file goes when the player is deleted.
QString playerHistoryFile(const QString& player);

// "LetzterNutzer.txt" in the `Optionen` folder.
QString lastPlayerFilePath();
// Index of a name in the player list, compared without case; -1 when missing.
int playerIndex(const QString& name);
// Equal for any two names that are equal without case (playerIndex's comparison); names of equal
// keys are compared again. Hashing it finds a name among hundreds without a search per name.
QString nameKey(const QString& name);
// A name may not contain \ / : * ? " < > | and may not begin with "_" or "~" (such files are
// not listed as players), nor be blank.
bool isForbiddenNameChar(QChar c);
bool isValidPlayerName(const QString& name);
// The forbidden characters as the player choice lists them.
QString forbiddenNameChars();
