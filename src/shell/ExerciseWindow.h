#pragma once
#include "media/sound/AudioBackend.h"
#include "shell/ClickGuard.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QEvent;
class QObject;
class TWAV;

// What every exercise window has, whether it sits on the exercise frame or brings its own bars:
// full screen on the monitor under the pointer without border, its sound player, the application
// message hook while it is active (Escape ends), the end button's run protocol with the closing
// dialog, and the end praise when the window closes.
class TFormExercise : public QDialog
{
    Q_OBJECT
public:
    TFormExercise(int programCode, const QString& listPath, QWidget* parent = nullptr);
    ~TFormExercise() override;

    int programCode = 0;
    QString listPath;                  // full path of the current task-list file
    QString summaryCaption;
    TWAV* WAV1 = nullptr;
    bool runEnded() const { return m_runEnded; }

    // The end button: builds the run protocol and shows the closing dialog; a run with no answered
    // row ends at once.
    virtual void SB_endeClick();
    // The message hook: every application event while the window is active passes here first;
    // true = handled (swallowed). Windows call the base's version first.
    virtual bool HandleAppMessage(QObject* watched, QEvent* event);
    // A random end sound other than last time's, when "EndeLob" is on and more than one task row of
    // the run is solved.
    void PlayEndPraise();
    // Ends the window: the run-ended flag is set and the dialog closes with `result`.
    void endRun(int result = QDialog::Accepted);

    // A list chosen in `choice` (the window's list box): loaded into the global list when it holds at
    // least `minimumTasks` tasks, and listPath follows. Otherwise the skin's message `refusal`
    // (by default "Datei nicht gültig! Bitte andere auswählen!") is shown, the old list is loaded
    // again and the list box shows it again (without a change signal).
    bool LoadChosenPath(const QString& newPath, int minimumTasks, QComboBox* choice,
                        const QString& refusal = QString());

    // A control of the therapist (options, list choice, end, task strip, folder tabs: known by their
    // names in every window, or marked here): a press on it is not the child's. Any other press or key in the window counts as the child acting; a run
    // without it ends without the closing dialog (see ChildActedInRun).
    static void MarkAdultControl(QWidget* widget);
    bool isAdultControl(const QWidget* widget) const;

    // Last end-praise index, program-wide (-1: none yet).
    static int& lastEndPraiseIndex();

protected:
    virtual void FormActivate();       // first showing: clears the run-ended flag, empties praise
    virtual void FormClose();          // the window closes (after the run ended); call it last
    // Called once before the window closes, before the end praise: stop timers and held repeats.
    virtual void StopBeforeClose();
    // A sound-ended notice of WAV1; the base forwards it to WAV1->HandleNotice.
    virtual void SoundNotice(int channel, SoundStatus status);

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;            // Escape in the dialog: SB_endeClick

private:
    void noteChildInput(QObject* watched, QEvent* event);
    // FormClose and the end praise, once, whichever way the window closes.
    void finishClose();

    ClickGuard m_clickGuard;
    bool m_runEnded = false;
    bool m_activated = false;
    bool m_hookInstalled = false;
    bool m_closing = false;
};
