#pragma once
#include "core/Records.h"

#include <QDialog>
#include <QFrame>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <memory>
#include <optional>

class QAction;
class QLineEdit;
class QMenu;
class QMenuBar;
class QScreen;
class QTabBar;
class QToolBar;
class QToolButton;
class QUndoStack;
class TFormEinfuegen;
class TFormeditor;
class TWAV;

// The picture box of a card: draws its picture at its own size whenever it is resized.
class TCardPicture : public QLabel
{
    Q_OBJECT
public:
    explicit TCardPicture(QWidget* parent) : QLabel(parent) { setMouseTracking(true); }
    void setPicture(const QString& file, int percent, const QColor& background);
    void clearPicture();
    bool hasPicture() const { return !m_shown.isNull(); }
    QString file() const { return m_file; }
    int percent() const { return m_percent; }
    const QImage& shown() const { return m_shown; }
    // The light hint an empty box shows (never part of the list, never printed).
    static QString emptyHint();

signals:
    void doubleClicked();
    void hovered();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void redraw();
    QString m_file;
    int m_percent = 100;
    QColor m_background;
    QImage m_shown;
};

// One card on the editor's screen: title bar, picture box, text row, sound row.
class TFrameEinzelbild : public QFrame
{
    Q_OBJECT
public:
    // Card: picture with rows below; Row: one line (title, text, sound); Tall: text and sound rows
    // of half the card each, without picture.
    enum class Shape { Card, Row, Tall };
    TFrameEinzelbild(QWidget* parent, int card, Shape shape);

    int card() const { return m_card; }
    Shape shape() const { return m_shape; }

    QWidget* P_Titel = nullptr;
    QLabel* L_Titel = nullptr;
    QLabel* Label1 = nullptr;  // picture size + " %"
    TCardPicture* Bild = nullptr;
    QWidget* P_text = nullptr;
    QToolButton* SB_Text = nullptr;
    QLineEdit* M_Text = nullptr;
    QWidget* P_sound = nullptr;
    QToolButton* SB_Ton = nullptr;
    QLineEdit* E_sound = nullptr;
    QToolButton* SB_Aufnahme = nullptr;  // records the word with the microphone

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    int m_card;
    Shape m_shape;
};

// The task-list editor: edits the loaded list in place and writes it back.
class TFormeditor : public QDialog
{
    Q_OBJECT
public:
    explicit TFormeditor(QWidget* parent = nullptr);
    ~TFormeditor() override;

    // Set before the window is shown; read back after it closed.
    void setEditedFile(const QString& file) { m_editedFile = file; }
    QString editedFile() const { return m_editedFile; }
    bool saved() const { return m_saved; }
    bool changed() const { return m_changed; }
    int shownTask() const { return m_shownTask; }
    int activeField() const { return m_activeField; }
    void setActiveField(int card) { m_activeField = card; }
    int hoveredCard() const { return m_hoveredCard; }
    QString startFolder() const { return m_startFolder; }
    QString editorFolder() const { return m_editorFolder; }

    // The first activation: menus, size, cards, loading (later calls do nothing).
    void initialize();

    void ApplyProgramMenus();
    void ArrangeCards();
    void LoadIntoEditor();
    void ShowTask();
    void SetCardPicture(const QString& file, int card);
    void AddCardSound(const QString& file, int card);
    QString TextFromFileName(const QString& fileName, int card);
    void AutoFindSound(const QString& name, int card);
    int RemoveTask(int index);
    bool WriteTaskList();

    // Tool bar and menu commands.
    void newList();
    void openList();
    void saveList();
    void saveListAs();
    void addTask();
    void insertTask();
    void deleteTask();
    void selectTask(int index);
    void deletePicture(int card);
    void changePictureSize(int card);
    void chooseColour(int which);
    void chooseFont();
    void chooseCardBack();
    void chooseInstructionPicture();
    void chooseAnimation();
    void playField(int card);  // -1 heading, 0..12 cards, 13 success sounds
    // Records the field's word with the microphone, saves it in the field's sound folder and puts
    // its name into the field as one undoable edit (-1 heading, 0..12 cards, 13 success sounds).
    void recordSound(int card);

    // The insert reply of the insertion dialog: acts by the dialog's current mode.
    void handleInsertReply(const QString& path);
    // Double-clicks: a card's picture, a sound field (13 = success sounds), the heading sound field.
    void pictureDoubleClicked(int card);
    void soundFieldDoubleClicked(int card);
    void headingSoundDoubleClicked();
    void openBackgroundPicture();
    // The mouse moved over a card's picture.
    void hoverCard(int card);
    // A card's text field was left.
    void textFieldLeft(int card);

    TFrameEinzelbild* frame(int card) const { return m_frames[size_t(card)]; }
    QTabBar* tabs() const { return TC_aufgaben; }
    TFormEinfuegen* insertDialog() const { return m_insert; }
    QUndoStack* undoStack() const { return m_undo; }
    QLineEdit* headingField() const { return E_TaskTitel; }
    QLineEdit* headingSoundField() const { return E_TaskSound; }
    QLineEdit* successField() const { return E_Erfolgssound; }
    QToolButton* headingRecordButton() const { return SB_TaskAufnahme; }
    QToolButton* successRecordButton() const { return SB_ErfolgAufnahme; }
    QWidget* successRow() const { return P_Erfolgssound; }
    QToolBar* toolBar() const { return m_toolBar; }
    QMenuBar* menuBar() const { return m_menuBar; }
    QString statusText(int panel) const;
    // Menu items by caption ("Knopffarbe", "Aufgabe hinzufügen", ...) and the tool button.
    QAction* action(const QString& caption) const { return m_actions.value(caption); }
    QAction* addTaskButton() const { return m_addTaskTool; }
    QMenu* editMenu() const { return m_editMenu; }
    TWAV& player() { return *m_player; }

    // Layout defaults of a new list.
    static TLayout newListLayout();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;
    void reject() override;

private:
    friend class EditCommand;
    struct Snapshot {
        TDaten list;
        std::optional<TFont> font;
        int shownTask = 0;
    };
    class EditScope;

    void buildWindow();
    void buildMenus();
    void layoutCards();
    Snapshot snapshot() const;
    void restore(const Snapshot& s);
    void pushEdit(const QString& label, const Snapshot& before, const QString& mergeKey);
    // Runs `apply` as one undoable edit; nested edits join the outermost one.
    void edit(const QString& label, const std::function<void()>& apply, const QString& mergeKey = QString());
    void endTypingRun() { ++m_typingRun; }
    void setChanged() { m_changed = true; }
    TAufgabe newTask() const;
    TAufgabe* currentTask();
    TEinzelbild* element(int card);
    void syncTabs();
    void updateTaskCount();
    void updateCaption(bool upper);
    void updateColourIcons();
    void updateFontCaption();
    QString headFolder() const;
    QString cardFolder(int card) const;
    QColor windowColour() const;
    bool askSaveBeforeLosing(bool withCancel);
    bool hasBackgroundPicture() const;
    void showInsertDialog(int mode, const QString& searchText = QString());
    int elementCount() const;

    int m_code = 0;
    QString m_editedFile;
    bool m_saved = false;
    bool m_changed = false;
    bool m_initialized = false;
    QString m_editorFolder, m_startFolder;
    int m_shownTask = 0;
    int m_hoveredCard = -1;
    int m_activeField = -1;
    int m_editDepth = 0;
    int m_typingRun = 0;
    bool m_showing = false;
    std::optional<Snapshot> m_editBefore;
    QScreen* m_screen = nullptr;

    QMenuBar* m_menuBar = nullptr;
    QToolBar* m_toolBar = nullptr;
    QAction* m_addTaskTool = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_pictureMenu = nullptr;
    QHash<QString, QAction*> m_actions;
    QWidget* P_anleitung = nullptr;
    QLineEdit* E_TaskTitel = nullptr;
    QLineEdit* E_TaskSound = nullptr;
    QToolButton* SB_TaskSound = nullptr;
    QToolButton* SB_TaskAufnahme = nullptr;
    QToolButton* SB_ErfolgAufnahme = nullptr;
    QTabBar* TC_aufgaben = nullptr;
    QWidget* P_karten = nullptr;
    QWidget* P_Erfolgssound = nullptr;
    QLineEdit* E_Erfolgssound = nullptr;
    QLabel* m_status[2] = {nullptr, nullptr};
    std::vector<TFrameEinzelbild*> m_frames;
    TFormEinfuegen* m_insert = nullptr;
    QUndoStack* m_undo = nullptr;
    std::unique_ptr<TWAV> m_player;
};

namespace editor {
// Opens the editor modally for `file` (full path); the full path of the file it saved, or empty.
QString RunEditor(QWidget* parent, const QString& file);
// Hooks the editor into the chooser's "Editor" button and the insertion dialog into the option
// pages' sound fields.
void InstallEditorHooks();
// The German refusal of a list name a Windows share cannot hold (\ : * ? " < > |); empty when the
// name is fine.
QString ListNameProblem(const QString& path);
} // namespace editor
