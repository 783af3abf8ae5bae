#include "shell/ExerciseWindow.h"

#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/MessageHook.h"
#include "core/Random.h"
#include "data/TaskList.h"
#include "media/skin/Meldung.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QSignalBlocker>
#include <algorithm>

namespace {
const char* const kAdultControlProperty = "kalimoAdultControl";
}

TFormExercise::TFormExercise(int programCode_, const QString& listPath_, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint), programCode(programCode_), listPath(listPath_)
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    run().runStartTime = clock_::now();
    run().runDate = run().runStartTime;
    run().childActed = false;

    WAV1 = new TWAV(this);
    onSoundEnded(this, [this](int channel, SoundStatus status) { SoundNotice(channel, status); });

    if (screen)
        setGeometry(screen->geometry());
}

TFormExercise::~TFormExercise()
{
    // Children die after this body; none of their signals may reach the half-destroyed window.
    for (QObject* child : findChildren<QObject*>())
        QObject::disconnect(child, nullptr, this, nullptr);
    if (m_hookInstalled)
        messagehook::remove(this);
    delete WAV1;
    WAV1 = nullptr;
}

int& TFormExercise::lastEndPraiseIndex()
{
    // Program-wide, so that consecutive windows never repeat the end sound.
    static int index = -1;
    return index;
}

void TFormExercise::SB_endeClick()
{
    summaryCaption = ProtocolCaption(programCode);
    RunState& r = run();
    r.runProtocol.clear();
    const bool anyRow =
        std::any_of(r.runResults.begin(), r.runResults.end(), [](const TErgebnis& e) { return !e.Rows.empty(); });
    // A run in which the child did nothing closes without the dialog and writes nothing.
    if (!anyRow || !ChildActedInRun()) {
        endRun();
    } else {
        BuildRunProtocol(programCode, summaryCaption);
        if (r.runProtocol.isEmpty() || ShowCloseDialog(this))
            endRun();
    }
    if (QWidget* f = focusWidget())
        f->clearFocus();
}

void TFormExercise::endRun(int result)
{
    m_runEnded = true;
    finishClose();
    done(result);
}

void TFormExercise::finishClose()
{
    if (m_closing)
        return;
    m_closing = true;
    StopBeforeClose();
    if (isVisible())
        repaint();
    // The praise counts the run's results, which FormClose empties.
    PlayEndPraise();
    FormClose();
}

void TFormExercise::PlayEndPraise()
{
    const QStringList& sounds = g().config.endSounds;
    const int n = int(sounds.size());
    if (n == 0)
        return;
    int index = rnd::below(n);
    if (n >= 2)
        while (index == lastEndPraiseIndex())
            index = rnd::below(n);
    int solved = 0;
    for (const TErgebnis& e : run().runResults)
        solved += int(std::count_if(e.Rows.begin(), e.Rows.end(), [](const TZeile& z) { return z.Solved; }));
    if (g().playerOptions.endPraise && solved > 1) {
        // To its end: the window is gone, and a start from the command line ends right after it.
        PlayWaveFile(sounds[index], true, false);
        lastEndPraiseIndex() = index;
    }
}

bool TFormExercise::HandleAppMessage(QObject* watched, QEvent* event)
{
    bool ours = watched == this || watched == qApp;
    if (!ours)
        if (auto* w = qobject_cast<QWidget*>(watched))
            ours = w->window() == this;
    if (!ours)
        return false;
    if (m_clickGuard.filter(watched, event))
        return true;
    noteChildInput(watched, event);
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        SB_endeClick();
        return true;
    }
    return false;
}

void TFormExercise::MarkAdultControl(QWidget* widget)
{
    if (widget)
        widget->setProperty(kAdultControlProperty, true);
}

bool TFormExercise::isAdultControl(const QWidget* widget) const
{
    // The therapist's controls carry the same names in every program's window.
    static const QStringList names = {QStringLiteral("sb_optionen"), QStringLiteral("SB_ende"),
                                      QStringLiteral("CB_auswahl"),  QStringLiteral("Chb_hintergrundbild"),
                                      QStringLiteral("P_auswahl"),   QStringLiteral("P_label"),
                                      QStringLiteral("BB_back"),     QStringLiteral("BB_next"),
                                      QStringLiteral("L_unten")};
    for (const QWidget* w = widget; w && w != this; w = w->parentWidget())
        if (w->property(kAdultControlProperty).toBool() || names.contains(w->objectName()) ||
            w->objectName().startsWith(QLatin1String("TB_")))
            return true;
    return false;
}

void TFormExercise::noteChildInput(QObject* watched, QEvent* event)
{
    if (run().childActed)
        return;
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this && !isAdultControl(w))
            NoteChildActed();
    } else if (event->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(event);
        switch (k->key()) {
        case Qt::Key_Escape: case Qt::Key_Tab: case Qt::Key_Backtab: case Qt::Key_Shift: case Qt::Key_Control:
        case Qt::Key_Alt: case Qt::Key_AltGr: case Qt::Key_Meta:
            return;
        default:
            break;
        }
        if (!isAdultControl(QApplication::focusWidget()))
            NoteChildActed();
    }
}

void TFormExercise::FormActivate()
{
    m_runEnded = false;
    praiseSounds().clear();
}

void TFormExercise::FormClose()
{
    if (m_hookInstalled) {
        messagehook::remove(this);
        m_hookInstalled = false;
    }
    if (WAV1)
        WAV1->CloseAll();
    ClearRunResults();
}

void TFormExercise::StopBeforeClose() {}

void TFormExercise::SoundNotice(int channel, SoundStatus status)
{
    if (WAV1)
        WAV1->HandleNotice(channel, status);
}

void TFormExercise::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_activated)
        return;
    m_activated = true;
    if (!m_hookInstalled) {
        messagehook::push(this);
        m_hookInstalled = true;
    }
    FormActivate();
}

void TFormExercise::closeEvent(QCloseEvent* event)
{
    // A close from outside (the window manager, the end of the session) goes the end button's way,
    // so an answered run is offered its protocol and the closing dialog may keep the window open.
    if (!m_runEnded && !m_closing) {
        SB_endeClick();
        if (!m_runEnded) {
            event->ignore();
            return;
        }
    }
    m_runEnded = true;
    finishClose();
    event->accept();
}

bool TFormExercise::eventFilter(QObject* watched, QEvent* event)
{
    if (m_closing)
        return false;
    return HandleAppMessage(watched, event);
}

void TFormExercise::reject() { SB_endeClick(); }

bool TFormExercise::LoadChosenPath(const QString& newPath, int minimumTasks, QComboBox* choice, const QString& refusal)
{
    const QString oldPath = listPath;
    if (LoadTaskList(newPath) < minimumTasks) {
        ShowMessageWindow(refusal.isEmpty() ? QStringLiteral("Datei nicht gültig! Bitte andere auswählen!") : refusal,
                          this, false);
        LoadTaskList(oldPath);
        if (choice) {
            const QSignalBlocker block(choice);
            choice->setCurrentIndex(choice->findText(fsys::fileName(oldPath)));
        }
        return false;
    }
    listPath = newPath;
    return true;
}
