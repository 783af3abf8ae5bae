#pragma once
#include <QColor>
#include <QDialog>
#include <QHash>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QPainter;

// The pictures and the beep of the player dialogs, one place each, until the picture and sound
// modules take them over.
namespace playerdialogs {
// Icons of the player choice are this many pixels square.
constexpr int kIconSize = 60;

// The `Spielerbilder` folder, listed once: the player choice looks up hundreds of names in it.
// A name is found as a single lookup finds it (the exact name, else the name without case).
class PictureFolder
{
public:
    PictureFolder();
    // The first existing file of `base` with one of the picture extensions; empty when none.
    QString find(const QString& base) const;
    // The player's picture fitted into 60 x 60, else the frame picture (drawn once and shared by
    // every player without a picture), else an empty frame.
    QPixmap icon(const QString& name);

private:
    QString candidate(const QString& fileName) const;
    QString m_folder;
    QHash<QString, QStringList> m_names;  // nameKey -> entries, in listing order
    std::optional<QPixmap> m_frame;
};

// The player's picture from the `Spielerbilder` folder fitted into 60 x 60, else the frame
// picture "Bilderrahmen", else an empty frame.
QPixmap playerIcon(const QString& name);
// The first existing `Spielerbilder` file of `base` with one of the picture extensions.
QString findPlayerPicture(const QString& base);
// Draws a picture file fitted and centred into `target`; false when it cannot be drawn.
bool drawPictureFitted(QPainter& p, const QString& file, const QRect& target);
void beep();
// Tests count the beeps.
// The pale yellow of the name list.
QColor listColour();
void setBeepHandler(std::function<void()> handler);
}

// The player choice shown at start-up: one large icon per player and "Neuer Name".
class TFormnamenwahl : public QDialog
{
    Q_OBJECT
public:
    explicit TFormnamenwahl(QWidget* parent = nullptr);

    enum class Result { Chosen, Cancelled };
    // On Chosen the chosen player is entry 0 of the player list.
    static Result ChoosePlayer(QWidget* parent = nullptr);

    // The question for a new name; the new-player dialog unless a test replaces it.
    std::function<std::optional<QString>(const QString& name)> askNewPlayer;

    static QString newNameCaption() { return QStringLiteral("Neuer Name"); }
    static QString toolTipText();
    bool editingNewName() const { return m_editing; }
    QListWidgetItem* newNameItem() const { return m_newItem; }
    QListWidgetItem* itemFor(const QString& name) const;
    QStringList captions() const;

    // The actions, as the list's clicks and keys run them.
    void activate(QListWidgetItem* item);
    void startEditing();
    void finishEditing(const QString& text);
    // A player whose options file another workstation made: listed now; true when there is one.
    bool adoptFromOtherWorkstation(const QString& name);
    void deleteSelected();
    // "Verknüpfung anlegen..." for the selected player.
    void createShortcut();

    QLabel* L_ueberschrift;
    QListWidget* LV_namen;
    QCheckBox* ChB_mehrere;
    QLabel* L_hinweis;
    QPushButton* B_verknuepfung = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* e) override;

private:
    QListWidgetItem* addEntry(const QString& name);
    void centreOnScreen();
    friend class NewNameDelegate;
    void setEditing(bool on) { m_editing = on; }

    // Shared with the icons, which draw themselves when they are first shown.
    std::shared_ptr<playerdialogs::PictureFolder> m_pictures;
    QListWidgetItem* m_newItem = nullptr;
    bool m_editing = false;
};
