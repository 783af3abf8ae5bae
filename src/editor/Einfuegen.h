#pragma once
#include <QDialog>
#include <QPointer>
#include <QRect>
#include <QString>

class QLabel;
class QListWidget;
class QMediaPlayer;
class QVideoWidget;
class QPushButton;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;

// The media insertion dialog: a folder tree and a file list of pictures or sounds with a preview.
// It lives beside its owner without being modal; every confirmed file is handed over at once by
// `inserted` (synchronously), then the dialog hides itself.
class TFormEinfuegen : public QDialog
{
    Q_OBJECT
public:
    explicit TFormEinfuegen(QWidget* owner);

    void setInsertMode(int mode) { m_mode = mode; }
    int insertMode() const { return m_mode; }
    void setSearchText(const QString& text) { m_searchText = text; }
    void setCurrentChoice(const QString& relative) { m_currentChoice = relative; }
    void setBounds(const QRect& r) { m_bounds = r; }
    // Sets the mode's captions, builds the tree, makes the start selection and shows the dialog.
    void showDialog();

    // The base folder of the mode and the folder selected in the tree (full paths, trailing "/").
    QString baseFolder() const;
    QString selectedFolder() const { return m_folder; }
    QString selectedFile() const;
    // Sends the reply for the selected entry; false without a selection.
    bool confirm();
    // Records the searched word into the folder shown and sends it as the reply; false when
    // nothing was saved.
    bool recordAndInsert();

    // The folder remembered across showings (modes 2 to 10).
    static QString& rememberedFolder();

    QTreeWidget* TV_ordner = nullptr;
    QListWidget* LV_dateien = nullptr;
    QLabel* L_vorschau = nullptr;
    QWidget* P_vorschau = nullptr;
    QWidget* P_player = nullptr;
    QVideoWidget* V_film = nullptr;       // picture modes: holds a film chosen in the list
    QPushButton* B_abspielen = nullptr;
    QPushButton* B_stopp = nullptr;
    QPushButton* B_aufnehmen = nullptr;  // sound modes: record the searched word and insert it
    QPushButton* B_standard = nullptr;
    QPushButton* B_abbrechen = nullptr;
    QPushButton* B_ok = nullptr;
    QWidget* P_knoepfe = nullptr;  // the bar of "Abbrechen" and OK

signals:
    // The insert reply: the full path of the confirmed file.
    void inserted(const QString& path);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void reject() override;

private:
    bool pictureMode() const { return m_mode == 0 || m_mode == 2 || m_mode == 5; }
public:
    QString filmFile() const { return m_filmFile; }
private:
    QStringList extensions() const;
    void buildTree();
    void addSubfolders(QTreeWidgetItem* parent, const QString& folder);
    QTreeWidgetItem* nodeFor(const QString& folder) const;
    void selectNode(QTreeWidgetItem* node);
    void fillList();
    void onFileSelected();
    void showContextMenu(const QPoint& pos);
    void placeButtons();

    int m_mode = 2;
    QString m_searchText;
    QString m_currentChoice;
    QRect m_bounds;
    QString m_folder;
    QString m_soundFile;  // loaded into the sound player
    QString m_filmFile;   // loaded into the film player
    QMediaPlayer* m_film = nullptr;  // made when the first film is chosen
    void showFilm(const QString& file);
    void stopFilm();
    bool m_filling = false;
};

namespace editor {
// The insertion dialog run modally for one sound (the option pages' sound fields): the full path
// of the chosen file, or empty.
QString ChooseMediaFile(QWidget* owner, int insertMode, const QString& searchText);
} // namespace editor
