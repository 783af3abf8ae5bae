#pragma once
#include <QDialog>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPagedPaintDevice;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTabBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class TPreviewCards;

namespace chooser {

enum class Choice { Start, Back };

// Modal chooser for `programCode`: `listFolder` is the program's list folder (full path, trailing "/"),
// `currentFile` the program's "Datei" option (relative to the list folder, "\" separators as stored).
// On Start the player's options hold the chosen file (key "Datei" of the program's section, and the
// in-memory option `*chosenListFile(programCode)`), and g().loadedList / g().taskOrder hold the chosen list.
Choice ChooseTaskList(QWidget* parent, int programCode, const QString& listFolder, const QString& currentFile);

// Play position at which "Welcher Laut passt" and "Lang oder Kurz" begin; 0 until a task tab starts a run.
int& startPosition();
// Elements per task when a list does not say, and the number of preview cards.
int defaultElementCount(int programCode);

// The editor button's hook until the task-list editor exists: given the selected file (full path),
// returns the full path of a file the editor saved (empty when none).
using EditorHook = std::function<QString(QWidget* parent, const QString& file)>;
void setEditorHook(EditorHook hook);

// "   Aufgaben für " + the program's folder label + its options section without "Programm: ".
QString chooserTitle(int programCode);

// The catalogue of a list folder (files, then every subfolder with its files, four blanks deeper per
// level), headed by `heading`; false when the device could not be painted on.
bool PrintListCatalogue(QPagedPaintDevice& device, const QString& listFolder, const QString& heading);
// The catalogue's lines below the heading, as printed.
QStringList ListCatalogueLines(const QString& listFolder);

} // namespace chooser

// The task-list chooser window.
class TFormListenreader : public QDialog
{
    Q_OBJECT
public:
    TFormListenreader(QWidget* parent, int programCode, const QString& listFolder, const QString& currentFile);
    ~TFormListenreader() override;

    chooser::Choice choice() const { return m_choice; }

    // The selected file relative to the list folder (in-memory form, "/").
    QString selectedFile() const { return m_selectedFile; }
    // The selected folder relative to the list folder ("" for the folder itself).
    QString selectedFolder() const { return m_selectedFolder; }

    QTreeWidget* folderTree() const { return TV_ordner; }
    QListWidget* fileList() const { return LV_dateien; }
    QLabel* statusLine() const { return L_status; }
    QLabel* titleLabel() const { return L_titel; }
    QPushButton* startButton() const { return B_start; }
    QPushButton* backButton() const { return B_zurueck; }
    QPushButton* optionsButton() const { return B_optionen; }
    QPushButton* editorButton() const { return B_editor; }
    QPushButton* printButton() const { return B_drucken; }
    QPushButton* detailsButton() const { return B_details; }
    QTabBar* taskTabs() const { return TC_aufgaben; }
    TPreviewCards* preview() const { return m_cards; }
    QWidget* previewArea() const { return P_vorschau; }
    // Sound-position buttons "Anlaut", "Inlaut"/"zweiter Laut", "Auslaut" (null where the program has none).
    QPushButton* positionButton(int i) const { return i >= 0 && i < 3 ? m_positionButtons[i] : nullptr; }
    bool positionPressed(int i) const;
    // Quick options of "Merkfähigkeit" (null for other programs).
    QGroupBox* quickOptions() const { return GB_merk; }
    QButtonGroup* pictureCountGroup() const { return m_pictureCount; }
    QButtonGroup* orderModeGroup() const { return m_orderMode; }
    QComboBox* visibilityBox() const { return CB_sichtbar; }
    QComboBox* rememberBox() const { return CB_merken; }

    // The start button's face as drawn (grey field, start symbol, "Start" in yellow).
    QImage startFace() const;

public slots:
    void start();
    void back();
    void showOptions();
    void openEditor();
    void printCatalogue();
    void toggleDetails();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildWindow();
    void buildQuickOptions();
    void buildPositionButtons();
    void placeOnScreen();
    void firstOpening();
    void fillTree();
    QTreeWidgetItem* folderNode(const QString& relativeFolder) const;
    void selectFolderNode(QTreeWidgetItem* node);
    void onFolderChanged();
    // Lists the selected folder; true when an entry ended up selected.
    bool listFolder();
    void onFileChanged();
    void chooseFile(const QString& relativeFile);
    void buildOrder();
    void fillTabs(int count);
    void showPreview(int tab);
    void refreshQuickOptions();
    void updatePositionButtons();
    void choosePositionFolder(int i);
    void setStartEnabled(bool on);
    bool handleKey(QKeyEvent* key);
    void moveInList(int step);
    void typeAhead(const QString& text);
    QString fullPath(const QString& relative) const { return m_listFolder + relative; }

    int m_code;
    QString m_listFolder;
    QString m_currentFile;      // in-memory form
    QString m_selectedFolder;
    QString m_selectedFile;
    QString m_title;
    chooser::Choice m_choice = chooser::Choice::Back;
    bool m_opened = false;
    bool m_tabClickStarts = false;  // the press was on the selected tab while the tabs had the focus
    bool m_hooked = false;
    int m_filling = 0;          // > 0 while lists are filled by code: selection signals are not choices
    bool m_detailsOn = true;
    QString m_typed;            // first key of the type-ahead
    int m_taskCount = 0;
    bool m_randomAtOptions = false;

    QLabel* L_titel = nullptr;
    QTreeWidget* TV_ordner = nullptr;
    QListWidget* LV_dateien = nullptr;
    QLabel* L_status = nullptr;
    QPushButton* B_start = nullptr;
    QPushButton* B_zurueck = nullptr;
    QPushButton* B_optionen = nullptr;
    QPushButton* B_editor = nullptr;
    QPushButton* B_drucken = nullptr;
    QPushButton* B_details = nullptr;
    QWidget* P_vorschau = nullptr;
    QTabBar* TC_aufgaben = nullptr;
    QScrollArea* SB_karten = nullptr;
    TPreviewCards* m_cards = nullptr;
    QWidget* P_laute = nullptr;
    QPushButton* m_positionButtons[3] = {nullptr, nullptr, nullptr};
    QString m_positionFolders[3];
    QGroupBox* GB_merk = nullptr;
    QButtonGroup* m_pictureCount = nullptr;
    QButtonGroup* m_orderMode = nullptr;
    QComboBox* CB_sichtbar = nullptr;
    QComboBox* CB_merken = nullptr;
};

// The preview cards of one task: picture cards ("Karte n" over a picture on cream and the text) or,
// for the text variants, text cards six to a row.
class TPreviewCards : public QWidget
{
    Q_OBJECT
public:
    struct Card {
        QString caption;
        QString picture;   // full path; empty for none
        int percent = 100;
        QString text;
    };
    explicit TPreviewCards(QWidget* parent = nullptr);
    void setCards(std::vector<Card> cards, bool textOnly);
    const std::vector<Card>& cards() const { return m_cards; }
    bool textOnly() const { return m_textOnly; }
    // Where card i's picture box lies in the widget (empty for text cards or out of range).
    QRect pictureRect(int i) const;
    QRect cardRect(int i) const;

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Geometry {
        int columns = 1, cardWidth = 0, cardHeight = 0, captionHeight = 0, pictureHeight = 0, gap = 0;
    };
    Geometry geometryFor(int width) const;
    QImage pictureImage(int i, QSize size);

    std::vector<Card> m_cards;
    std::vector<QImage> m_images;  // drawn pictures, rebuilt when the box size changes
    bool m_textOnly = false;
};
