#pragma once
#include <QString>
#include <QStringList>

class QWidget;
class TWAV;
struct TAufgabe;
struct TOptFeedback;

// The sound operations around the player: name resolution against the sound folders, pauses,
// praise and error sounds, articles, one-shot sounds, acoustic events and the noise program.

// The full path a sound name refers to: the name itself when it exists, else the first existing of
// the `MaterialSound`, `LobSound`, `Fehlersound`, `Internsound` (and with `withInstructions` the
// `Anleitungsound`) folder + name; empty when none exists.
QString ResolveSoundName(const QString& name, bool withInstructions = false);

// Plays a sound of a chain: with interrupt the chain is cut and the sound starts at once, otherwise
// it waits behind what plays. With withPause and not isLast the current pause file follows it.
void PlaySound(TWAV& player, const QString& name, bool interrupt, bool withPause, bool isLast);
// Like PlaySound, but with immediate the sound starts alongside what plays; true when it started now.
bool TryPlaySound(TWAV& player, const QString& name, bool immediate, bool withPause, bool isLast);

// Sets the current pause file from a pause code (0..7 or the milliseconds).
void SelectPause(int code);
// The current pause file below the `Internsound` folder ("Pausen/0750.wav"); empty before SelectPause.
QString CurrentPauseFile();

// The running exercise's praise and error sounds (full paths; an entry may be empty).
QStringList& praiseSounds();
QStringList& errorSounds();
// The program-wide pools of the random choice; they survive from one window to the next.
QStringList& praisePool();
QStringList& errorPool();
// Empties the lists, the pools and the pause choice (tests).
void resetSoundState();

// praiseMode: 0 the configured names, 1 the task's success sounds, 2 one random praise sound;
// errorMode: 0 the configured names, 1 one random error sound.
void PrepareFeedbackSounds(int praiseMode, int errorMode, const QStringList& praiseNames,
                           const QStringList& errorNames, const TAufgabe* task);
// The same from an exercise's feedback options ("ErfolgAkustisch", "FehlerAkustisch" and their lists).
void PrepareFeedbackSounds(const TOptFeedback& options, const TAufgabe* task);

// With articles off ("mit Artikel"): the leading article of a text goes, and in a list of exactly
// two sounds the article sound goes. With articles on both return their input.
QString StripArticle(const QString& text, bool withArticle);
QStringList DropArticleSounds(const QStringList& sounds, bool withArticle);
// The same by the current player's option "mit Artikel".
QString StripArticle(const QString& text);
QStringList DropArticleSounds(const QStringList& sounds);

// Depth-first search of a folder tree for name + ".wav" (exact, without case) or a ".wav" file whose
// name contains name; the folder's own files before its sub-folders. Full path or empty.
QString FindSoundFile(const QString& name, const QString& folder, bool exact);
// The same for files with any of the extensions (".bmp" or "bmp", compared without case).
QString FindMediaFile(const QString& name, const QString& folder, bool exact, const QStringList& extensions);

// One-shot sound outside every player queue; true when it played.
bool PlayWaveFile(const QString& file, bool wait, bool interruptOthers);
// Plays a file over and over (a name that does not exist is taken below the installation
// directory) until StopWaveFiles.
bool PlayWaveFileLooped(const QString& file);
void StopWaveFiles();
// The computer's beep, on the one-shot channel.
void Beep();

// Plays the last acoustic event of that name from the player's options.
void PlayAcousticEvent(const QString& name, bool wait, bool interruptOthers);

// The background-noise program: installation directory + "noise/noise".
QString NoiseProgramFile();
bool NoiseProgramExists();
// Starts it (hidden from the exercise, visible from the option page); a failed start shows its
// message. Nothing happens while it runs already.
void StartNoise(bool visible = false, QWidget* parent = nullptr);
void StopNoise();
bool NoiseRunning();
// The message of a failed start, by the start error code.
QString NoiseStartErrorText(int code);
