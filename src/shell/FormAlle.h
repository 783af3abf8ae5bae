#pragma once
#include "shell/ExerciseWindow.h"

#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QString>
#include <array>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPainter;
class QPushButton;
class QTimer;
class QToolButton;

// The frame most exercise windows are built on: a top bar with the strip of numbered task buttons
// and a bottom bar (options, list choice, background picture, listen button, end). The exercise
// fills the area between the bars.
class TFormFormAlle : public TFormExercise
{
    Q_OBJECT
public:
    // One entry per task of the list: -1 not played; 0..3 select a strip picture (4..7 as 0..3).
    struct TaskState {
        qint32 state = -1;
        bool error = false;
    };

    TFormFormAlle(int programCode, const QString& listPath, QWidget* parent = nullptr);
    ~TFormFormAlle() override;

    // The five strip pictures, program-wide: 0 the plain button face, 1..4 the state pictures.
    static std::array<QImage, 5>& stripPictures();
    // Makes them as squares of `stripSize`: 0 the button colour, 1..4 the files (metafiles smoothed)
    // at their percentages on the button colour. A missing file leaves the plain square.
    void MakeStripPictures(const std::array<QString, 4>& files, const std::array<int, 4>& percents);

    std::vector<TaskState> taskStates; // sized and filled by the exercise
    bool backgroundPictureVisible = false;
    int stripSize = 0;                 // client height / 15
    int stripCapacity = 0;
    int stripCount = 0;
    int currentTask = 0;               // position in the task order
    int firstShown = 0, lowestFirst = 0, highestFirst = 0;
    bool repeating = false;            // "<" or ">" held down
    QString listenCaption;             // "Hören"

    // Screen furniture (names of the window class).
    QFrame* P_oben = nullptr;
    QPushButton* BB_back = nullptr;
    QFrame* P_label = nullptr;         // the task strip
    QPushButton* BB_next = nullptr;
    QFrame* P_Leiste = nullptr;        // the bottom bar
    QPushButton* sb_optionen = nullptr;
    QFrame* P_auswahl = nullptr;
    QComboBox* CB_auswahl = nullptr;
    QCheckBox* Chb_hintergrundbild = nullptr;
    QFrame* P_TAuswahl = nullptr;
    QLabel* L_Aufgaben = nullptr;
    QLabel* l_gbst = nullptr;
    QFrame* P_hoeren = nullptr;
    QPushButton* SB_hoeren = nullptr;
    QPushButton* SB_ende = nullptr;
    QFrame* L_unten = nullptr;         // 3-pixel strip: hides or shows the bottom bar

    // The strip buttons, left to right; each shows the task at position `stripNumber(j)`.
    const std::vector<QAbstractButton*>& stripButtons() const { return m_stripButtons; }
    int stripNumber(int j) const;

    // The client area between the top bar and the bottom bar (or the window's bottom when the bar is
    // hidden).
    QRect playArea() const;

    // Virtual operations, in slot order.
    bool HandleAppMessage(QObject* watched, QEvent* event) override;
    // Draws the playing area; the frame's own does nothing.
    virtual void FormPaint(QPainter& painter);
    // A strip button showing play position `position` was clicked; the frame only redraws the strip.
    virtual void TaskImageClick(int position);
    virtual void ArrangeFrame();

    // Operations the exercises call.
    void SyncFrameOptions();
    // An exercise's options reach the frame: the background picture flag (and its box), the pause
    // between sounds and the list choice's hint.
    void ApplyFrameOptions(bool backgroundPicture, int pauseCode);
    void BuildTaskStrip();
    void DrawTaskStrip();
    void ShowStripFrom(int first);
    // The list choice: fills CB_auswahl with the list files of the folder of `listPath` (current one
    // selected, without firing) and sets its hint to ".\" + the path below the `Listen` folder.
    void FillListChoice();
    // Loads `fileName` from the folder of `listPath`. With fewer than `minimumTasks` tasks: the
    // message "Datei nicht gültig! Bitte andere auswählen!", the old list is loaded again, the combo
    // shows it again without firing, and false is returned. Otherwise `listPath` is the new file.
    bool LoadChosenList(const QString& fileName, int minimumTasks);
    // The same for a list in another folder (the folder tabs of an exercise).
    bool LoadChosenPath(const QString& path, int minimumTasks);
    using TFormExercise::LoadChosenPath;
    // The list choice moved to entry `index`: unless it names the list shown (and that list is
    // valid), the sounds stop and the named list is loaded as LoadChosenList does.
    bool LoadListFromChoice(int index, int minimumTasks, bool shownListValid);
    // A folder tab: the first list (by name) of `folder` is loaded as LoadChosenPath does and the
    // choice lists its folder; false, with nothing changed, when the folder holds no list.
    bool LoadFirstListOf(const QString& folder, int minimumTasks);
    // The bottom bar as every program lays it out, in one place: "Optionen" at the left edge, then
    // `left` (each with its width; group boxes over the bar's height, buttons a pixel inside), the
    // listen panel centred with `besideListen` just left of it and `inPlaceOfListen` on its place and
    // size ("Prüfen", "Weiter"), the list choice between the panel and "Ende" with the folder tabs as
    // its first row in the bar's font, then the list, then the background box and the task count.
    struct BarLayout {
        std::vector<std::pair<QWidget*, int>> left;
        QWidget* besideListen = nullptr;
        std::vector<QWidget*> inPlaceOfListen;
        std::vector<QAbstractButton*> folderTabs;
    };
    void ArrangeBottomBar(const BarLayout& bar);
    // Shows or hides the bottom bar (a click on L_unten toggles it).
    void setBottomBarVisible(bool visible);
    bool bottomBarVisible() const;

protected:
    // Handlers the exercises replace with their own.
    virtual void CB_auswahlChange(int index);
    virtual void sb_optionenClick();
    virtual void SB_hoerenClick();
    virtual void Chb_hintergrundbildClick();

    void StopBeforeClose() override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildWidgets();
    void stepStrip(int delta);
    void drawStripButton(int j);
    void updateArrowButtons();
    void setListHint();

    std::vector<QAbstractButton*> m_stripButtons;
    std::vector<int> m_stripNumbers;
    QTimer* m_repeat = nullptr;
    int m_repeatDelta = 0;
};
