#include "shell/ShellServices.h"
#include "core/GlobalState.h"
#include "data/PlayerList.h"
#include "data/PlayerLock.h"
#include "data/PlayerOptions.h"
#include "media/sound/Sound.h"
#include "shell/Namenwahl.h"
#include "shell/lock.h"

namespace shellsvc {
void loadPlayerList() { LoadPlayerList(); }
void writeLastPlayer() { WriteLastPlayer(); }
bool holdsLock() { return holdsPlayerLock(); }
bool acquireLock() { return AcquirePlayerLock(g().currentPlayer()); }
bool lockCancelled() { return playerLockCancelled(); }
void releaseLock() { ReleasePlayerLock(g().currentPlayer()); }
void selectPlayer(const QString& name) { SelectPlayer(name); }
QString confirmPlayerCombo(const QString& text) { return ConfirmPlayerCombo(text); }
void deleteCurrentPlayer(const QString& comboText) { DeleteCurrentPlayer(comboText); }
bool choosePlayer(QWidget* parent) { return TFormnamenwahl::ChoosePlayer(parent) == TFormnamenwahl::Result::Chosen; }
void showLockNotice(QWidget* parent) { TFormLock::ShowLockNotice(parent); }

QString generalOptionsFile() { return playerOptionsFile(g().currentPlayer()); }
void readGeneralOptions() { ReadPlayerOptions(g().currentPlayer(), 0); }
void writeGeneralOptions() { WritePlayerOptions(g().currentPlayer(), 0); }
bool nameChoiceOption() { return g().playerOptions.nameChoice; }
void setNameChoiceOption(bool on) { g().playerOptions.nameChoice = on; }
bool backdropOption() { return g().playerOptions.backgroundCovered; }
void setBackdropOption(bool on) { g().playerOptions.backgroundCovered = on; }
bool buttonSoundOption() { return g().playerOptions.switchSound; }
void readProgramOptions(int code) { ReadPlayerOptions(g().currentPlayer(), code); }

void playFile(const QString& file) { PlayWaveFile(file, false, false); }
// Interrupting: a click sound still playing (the button that ended the program) must not keep it
// from sounding; played to its end before the window closes.
void playAcousticEvent(const QString& name) { PlayAcousticEvent(name, true, true); }
void stopNoise() { StopNoise(); }
void beep() { Beep(); }
}
