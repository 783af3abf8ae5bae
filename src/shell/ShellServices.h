#pragma once
#include <QString>
#include <QStringList>

class QWidget;

// What the main window needs from the players, options and sound modules, in one place.
namespace shellsvc {
// Players and the lock file.
void loadPlayerList();
void writeLastPlayer();
bool holdsLock();
bool acquireLock();          // for the current player; true when held afterwards
bool lockCancelled();        // the last acquireLock() failed as the user stopped waiting for the player list
void releaseLock();          // the current player's lock, when held
void selectPlayer(const QString& name);
// Confirms the combo's text; returns the text the combo shows afterwards.
QString confirmPlayerCombo(const QString& text);
void deleteCurrentPlayer(const QString& comboText);
bool choosePlayer(QWidget* parent);
void showLockNotice(QWidget* parent);

// General options of the current player.
QString generalOptionsFile();
void readGeneralOptions();
void writeGeneralOptions();
bool nameChoiceOption();
void setNameChoiceOption(bool on);
bool backdropOption();
void setBackdropOption(bool on);
bool buttonSoundOption();
void readProgramOptions(int code);

// Sound.
void playFile(const QString& file);
void playAcousticEvent(const QString& name);
void stopNoise();
void beep();
}
