#pragma once
#include <functional>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <future>
#include <vector>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class TMenuButton;
class TFormSTARTBILDSCHIRM;

// The main window (TForm1): start-up, the picture-button menu with its groups, the player panel,
// the launcher and the end of the program.
class TFormHauptformular : public QWidget
{
    Q_OBJECT
public:
    explicit TFormHauptformular(QWidget* parent = nullptr);
    ~TFormHauptformular() override;

    static QString captionWithVersion();

    // The start-up sequence; false when the program is to end at once (player choice cancelled).
    bool startUp();
    // Builds the menu and the layout for the current size (also on every activation).
    void buildLayout();

    void OpenGroup(int g);
    void LaunchProgram(int selection);
    // Asks and ends the program; true when the window closes.
    bool CloseRequest();

    int selection() const { return m_selection; }
    int openGroup() const;
    int mainButtonCount() const { return int(m_main.size()); }
    TMenuButton* mainButton(int g) const;
    TMenuButton* programButton(int g, int m) const;
    QFrame* groupPanel(int g) const;
    QComboBox* playerCombo() const { return CB_spieler; }
    QPushButton* optionsButton() const { return B_optionen; }
    QPushButton* overviewButton() const { return B_uebersicht; }
    QWidget* startPictureBox() const { return m_startPicture; }
    bool holdsLock() const;
    bool backdropVisible() const;

    // The task-list chooser and then the program's window; returns the window's modal result
    // (0 when nothing was started). The windows come with their programs.
    virtual int openProgramWindow(int code, const QString& caption, const QString& listFolder);
    // The chooser and the program windows live above the shell: the program installs how a program
    // starts. The launcher returns -1 for a program without a window.
    using ProgramLauncher = std::function<int(QWidget* parent, int code, const QString& listFolder)>;
    static void setProgramLauncher(ProgramLauncher launcher);
    // The class overview of every player's history.
    virtual void openClassOverview();
    // The all-options dialog at `topLeft`; true when it ended with OK (its issue brings it).
    virtual bool openAllOptionsDialog(const QPoint& topLeft);
    // The protocol viewer over the player's protocol file (its issue brings it).
    virtual void openProtocolViewer(const QString& protocolFile);
    // The run history ("Verlauf") of the current player, also when it has no protocol file.
    virtual void openHistoryView(const QString& historyFile, const QString& player);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    struct MainEntry {
        TMenuButton* button = nullptr;
        QFrame* panel = nullptr;
        std::vector<TMenuButton*> programs;
        bool facesBuilt = false;
    };
    void createMenu();
    QSize plannedSize() const;
    void startDrawingFaces(const QSize& windowSize);
    void createPanels();
    void layoutPanels();
    void buildGroupFaces(int g);
    void firstActivation();
    void fillPlayerCombo();
    void highlightMain(int g);
    // With the pointer it clicks ("USchaltersound"); moved by the cursor keys it is silent.
    void highlightProgram(int g, int m, bool withSound = true);
    void hideGroups();
    void playButtonSound(const QString& file);
    void setStartPicture(bool highlighted);
    bool comboTextListed() const;
    bool handleComboKey(QKeyEvent* key);
    bool belongsToMe(QObject* o) const;
    void confirmCombo();
    void onOptionsClicked();
    void onManualClicked();
    void onHelpClicked();
    void onProtocolClicked();
    void onHistoryClicked();
    void onNameChoiceToggled(bool on);
    void onBackdropToggled(bool on);
    void registerFonts();
    void removeFonts();

    std::vector<MainEntry> m_main;
    // The main buttons' normal faces and "Startbild1", drawn on a worker thread for the planned
    // window size while the window is put together.
    struct PreparedFaces {
        QSize window;
        std::vector<QImage> faces;
    };
    std::future<PreparedFaces> m_prepared;
    std::future<QImage> m_preparedStart;
    QWidget* m_startPicture = nullptr;
    QFrame* P_spieler = nullptr;
    QFrame* P_unten = nullptr;
    QLabel* L_einstellungen = nullptr;
    QComboBox* CB_spieler = nullptr;
    QPushButton* B_protokoll = nullptr;
    QPushButton* B_verlauf = nullptr;
    QCheckBox* ChB_namenwahl = nullptr;
    QCheckBox* ChB_hintergrund = nullptr;
    QPushButton* B_optionen = nullptr;
    QPushButton* B_anleitung = nullptr;
    QPushButton* B_hilfe = nullptr;
    QPushButton* B_ende = nullptr;
    QPushButton* B_uebersicht = nullptr;
    QLabel* m_statusBar = nullptr;
    QPointer<TFormSTARTBILDSCHIRM> m_backdrop;
    QList<int> m_fontIds;
    int m_selection = 0;
    int m_margin = 0;
    bool m_comboOpened = false;
    bool m_confirming = false;      // a confirmation (and its question) is under way
    bool m_typingInCombo = false;   // the adult clicked or tabbed into the player box to type
    bool m_activated = false;
    bool m_hooked = false;
    bool m_closing = false;
    bool m_startHighlighted = false;
    QSize m_builtFor;
};
