#include "shell/Namenwahl.h"
#include "core/FirstPaint.h"
#include "media/skin/ScreenScale.h"

#include "core/Dialogs.h"
#include "core/FileProblems.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "data/PlayerList.h"
#include "data/PlayerLock.h"
#include "data/PlayerOptions.h"
#include "media/picture/Picture.h"
#include "media/sound/Sound.h"
#include "shell/u_neuername.h"
#include "shell/Verknuepfung.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QIconEngine>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QStyledItemDelegate>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace playerdialogs {
namespace {
std::function<void()>& beepHandler()
{
    static std::function<void()> h;
    return h;
}
const int kIcon = kIconSize;
// The pale yellow of the name list; pictures are drawn on it so their transparent parts match.
const QColor kListColour(255, 255, 225);
} // namespace

void beep()
{
    if (beepHandler())
        beepHandler()();
    else
        Beep();
}

QColor listColour() { return kListColour; }

void setBeepHandler(std::function<void()> handler) { beepHandler() = std::move(handler); }

PictureFolder::PictureFolder()
{
    const QString folder = g().config.dirs.spielerbilder;
    if (folder.isEmpty())
        return;
    m_folder = fsys::withSlash(fsys::resolve(folder));
    for (const QString& name : fsys::list(m_folder, QStringLiteral("*"), false, fsys::Entries::All))
        m_names[nameKey(name)] << name;
}

QString PictureFolder::candidate(const QString& fileName) const
{
    const auto it = m_names.constFind(nameKey(fileName));
    if (it == m_names.constEnd())
        return QString();
    for (const QString& n : *it)
        if (n == fileName)
            return n;
    for (const QString& n : *it)
        if (n.compare(fileName, Qt::CaseInsensitive) == 0)
            return n;
    return QString();
}

QString PictureFolder::find(const QString& base) const
{
    static const char* const exts[] = {".GIF", ".BMP", ".JPG", ".JPEG", ".WMF", ".EMF"};
    if (m_folder.isEmpty() || base.isEmpty())
        return QString();
    for (const char* ext : exts) {
        const QString wanted = base + QLatin1String(ext);
        // A name with a folder in it ("../x" from a hand-edited last-player file) is not in the
        // listing; it is looked up on its own, as before.
        if (wanted.contains(QLatin1Char('/'))) {
            if (fsys::fileExists(m_folder + wanted))
                return fsys::resolve(m_folder + wanted);
            continue;
        }
        // The listing says which name to try; the file system has the last word (a folder or a
        // dangling link of that name is no picture).
        const QString name = candidate(wanted);
        if (!name.isEmpty() && fsys::fileExists(m_folder + name))
            return m_folder + name;
    }
    return QString();
}

QPixmap PictureFolder::icon(const QString& name)
{
    const QRect all(0, 0, kIcon, kIcon);
    const QString file = find(name);
    if (!file.isEmpty()) {
        QPixmap pm(kIcon, kIcon);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        if (drawPictureFitted(p, file, all))
            return pm;
    }
    if (!m_frame) {
        QPixmap pm(kIcon, kIcon);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        const QString frame = find(QStringLiteral("Bilderrahmen"));
        if (frame.isEmpty() || !drawPictureFitted(p, frame, all)) {
            p.setPen(QPen(QColor(150, 120, 60), 3));
            p.setBrush(QColor(255, 250, 235));
            p.drawRoundedRect(all.adjusted(2, 2, -2, -2), 4, 4);
        }
        p.end();
        m_frame = pm;
    }
    return *m_frame;
}

QString findPlayerPicture(const QString& base) { return PictureFolder().find(base); }

bool drawPictureFitted(QPainter& p, const QString& file, const QRect& target)
{
    const QSize natural = picture::PictureSize(file);
    if (target.isEmpty() || !natural.isValid())
        return false;
    // Only the fitted part is painted, so the list's own colour shows beside a narrow picture.
    const QRect fitted = picture::FitRect(natural.width(), natural.height(), QRect(QPoint(0, 0), target.size()));
    if (fitted.isEmpty())
        return false;
    const picture::Colour bg = picture::fromQColor(kListColour);
    picture::Target t(fitted.width(), fitted.height(), bg);
    if (!picture::DrawPictureFitted(t, file, bg, 100, true, false, true))
        return false;
    p.drawImage(target.topLeft() + fitted.topLeft(), t.image);
    return true;
}

QPixmap playerIcon(const QString& name) { return PictureFolder().icon(name); }
} // namespace playerdialogs

namespace {
// A player's icon, drawn when the list first shows it: of hundreds of players a few dozen are on
// the screen, and the others need neither their picture looked up nor drawn until they scroll in.
class PlayerIconEngine : public QIconEngine
{
public:
    PlayerIconEngine(std::shared_ptr<playerdialogs::PictureFolder> pictures, const QString& name)
        : m_pictures(std::move(pictures)), m_name(name)
    {
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        if (m_drawn.isNull())
            m_drawn = m_pictures->icon(m_name);
        QPixmap& shown = m_modes[mode];
        if (shown.isNull()) {
            shown = m_drawn;
            // Selected and disabled looks as the style makes them for any icon.
            if (mode != QIcon::Normal) {
                QStyleOption opt(0);
                opt.palette = QGuiApplication::palette();
                shown = QApplication::style()->generatedIconPixmap(mode, m_drawn, &opt);
            }
        }
        // As a pixmap icon: never enlarged, made smaller to fit.
        if (shown.width() > size.width() || shown.height() > size.height())
            return shown.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return shown;
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }
    // Asked for every entry when the list is laid out: answered without drawing.
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const QSize natural(playerdialogs::kIconSize, playerdialogs::kIconSize);
        return natural.width() > size.width() || natural.height() > size.height()
                   ? natural.scaled(size, Qt::KeepAspectRatio)
                   : natural;
    }
    QIconEngine* clone() const override { return new PlayerIconEngine(*this); }
    QString key() const override { return QStringLiteral("KalimoPlayerIcon"); }

private:
    std::shared_ptr<playerdialogs::PictureFolder> m_pictures;
    QString m_name;
    QPixmap m_drawn;
    QHash<int, QPixmap> m_modes;
};

// Names sort without case, as the list shows them.
class NameItem : public QListWidgetItem
{
public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem& other) const override
    {
        return text().compare(other.text(), Qt::CaseInsensitive) < 0;
    }
};

// Refuses the characters a player name may not hold, with a beep, as they are typed.
class NameEdit : public QLineEdit
{
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        for (QChar c : e->text()) {
            if (isForbiddenNameChar(c)) {
                playerdialogs::beep();
                e->accept();
                return;
            }
        }
        QLineEdit::keyPressEvent(e);
    }
};
} // namespace

// The editor of "Neuer Name": its text goes to the dialog instead of into the item.
class NewNameDelegate : public QStyledItemDelegate
{
public:
    explicit NewNameDelegate(TFormnamenwahl* dlg) : QStyledItemDelegate(dlg), m_dlg(dlg) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        auto* e = new NameEdit(parent);
        e->setFrame(true);
        e->setAlignment(Qt::AlignCenter);
        m_dlg->setEditing(true);
        return e;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        auto* e = static_cast<QLineEdit*>(editor);
        e->setText(index.data(Qt::DisplayRole).toString());
        e->selectAll();
    }
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const override
    {
        const QString text = static_cast<QLineEdit*>(editor)->text();
        m_dlg->setEditing(false);
        // After the editor has gone: the question is a modal window of its own.
        QMetaObject::invokeMethod(m_dlg, [d = m_dlg, text] { d->finishEditing(text); }, Qt::QueuedConnection);
    }

private:
    TFormnamenwahl* m_dlg;
};

QString TFormnamenwahl::toolTipText()
{
    return QStringLiteral("Die Zeichen sind im Namen nicht erlaubt :  \n") + forbiddenNameChars() +
           QStringLiteral("!");
}

TFormnamenwahl::TFormnamenwahl(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QApplication::applicationName());
    setModal(true);
    askNewPlayer = [this](const QString& name) { return TFormneuername::AskNewPlayer(name, this); };

    L_ueberschrift = new QLabel(QStringLiteral(" Bitte einen Namen oder eine Einstellung wählen!"), this);
    QFont head = L_ueberschrift->font();
    head.setPointSize(16);
    head.setBold(true);
    L_ueberschrift->setFont(head);

    LV_namen = new QListWidget(this);
    LV_namen->setViewMode(QListView::IconMode);
    LV_namen->setIconSize(QSize(60, 60));
    LV_namen->setGridSize(QSize(120, 100));
    LV_namen->setResizeMode(QListView::Adjust);
    LV_namen->setMovement(QListView::Static);
    LV_namen->setWordWrap(true);
    LV_namen->setSelectionMode(QAbstractItemView::SingleSelection);
    LV_namen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* delegate = new NewNameDelegate(this);
    LV_namen->setItemDelegate(delegate);
    // Enter, Escape and leaving the field all close the editor.
    connect(delegate, &QAbstractItemDelegate::closeEditor, this, [this] { m_editing = false; });
    LV_namen->setSortingEnabled(true);
    LV_namen->setToolTip(toolTipText());
    LV_namen->setStyleSheet(QStringLiteral("QListWidget { background: %1; }").arg(playerdialogs::listColour().name()));
    QFont names = LV_namen->font();
    names.setPointSize(11);
    LV_namen->setFont(names);
    LV_namen->installEventFilter(this);
    LV_namen->viewport()->installEventFilter(this);

    ChB_mehrere = new QCheckBox(QStringLiteral("mehrere Nutzer neu eingeben"), this);
    QFont box = ChB_mehrere->font();
    box.setPointSize(11);
    ChB_mehrere->setFont(box);
    L_hinweis = new QLabel(QStringLiteral("Bitte auf ein Bild klicken um das Programm zu starten!"), this);
    QFont hint = L_hinweis->font();
    hint.setPointSize(12);
    L_hinweis->setFont(hint);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(L_ueberschrift);
    layout->addWidget(LV_namen, 1);
    B_verknuepfung = new QPushButton(QStringLiteral("Verknüpfung anlegen..."), this);
    B_verknuepfung->setObjectName(QStringLiteral("B_verknuepfung"));
    B_verknuepfung->setFocusPolicy(Qt::NoFocus);  // Enter and the keys stay the list's
    B_verknuepfung->setFont(box);
    B_verknuepfung->setToolTip(QStringLiteral("Ein Symbol auf dem Schreibtisch, das ein Programm direkt für den "
                                              "ausgewählten Spieler startet"));
    connect(B_verknuepfung, &QPushButton::clicked, this, &TFormnamenwahl::createShortcut);
    auto* row = new QHBoxLayout;
    row->addWidget(ChB_mehrere, 1);
    row->addWidget(B_verknuepfung);
    layout->addLayout(row);
    layout->addWidget(L_hinweis);
    resize(640, 480);

    m_pictures = std::make_shared<playerdialogs::PictureFolder>();
    m_newItem = addEntry(newNameCaption());
    m_newItem->setFlags(m_newItem->flags() | Qt::ItemIsEditable);
    const QStringList& players = g().playerList;
    QListWidgetItem* current = nullptr;
    for (int i = 0; i < players.size(); ++i) {
        if (players[i].isEmpty())
            continue;
        QListWidgetItem* item = addEntry(players[i]);
        if (i == 0)
            current = item;
    }
    // The list scrolls to its current entry when it is shown, at its final size; scrolled now, it
    // would be laid out twice, each time measuring every name.
    if (current)
        LV_namen->setCurrentItem(current);
    LV_namen->setFocus();

    connect(LV_namen, &QListWidget::itemClicked, this, &TFormnamenwahl::activate);
}

QListWidgetItem* TFormnamenwahl::addEntry(const QString& name)
{
    const QString pictureName = name == newNameCaption() ? QString() : name;
    auto* item = new NameItem(QIcon(new PlayerIconEngine(m_pictures, pictureName)), name);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
    LV_namen->addItem(item);
    return item;
}

QListWidgetItem* TFormnamenwahl::itemFor(const QString& name) const
{
    for (int i = 0; i < LV_namen->count(); ++i) {
        QListWidgetItem* item = LV_namen->item(i);
        if (item != m_newItem && item->text().compare(name, Qt::CaseInsensitive) == 0)
            return item;
    }
    return nullptr;
}

QStringList TFormnamenwahl::captions() const
{
    QStringList out;
    for (int i = 0; i < LV_namen->count(); ++i)
        out << LV_namen->item(i)->text();
    return out;
}

void TFormnamenwahl::activate(QListWidgetItem* item)
{
    if (!item || m_editing)
        return;
    if (item == m_newItem) {
        startEditing();
        return;
    }
    MakeCurrentPlayer(item->text());
    accept();
}

void TFormnamenwahl::startEditing()
{
    LV_namen->setCurrentItem(m_newItem);
    LV_namen->editItem(m_newItem);
}

void TFormnamenwahl::finishEditing(const QString& typed)
{
    const QString text = typed.trimmed();
    m_newItem->setText(newNameCaption());
    if (text.isEmpty() || text == newNameCaption())
        return;
    // Pasted text skips the key check.
    if (!isValidPlayerName(text)) {
        playerdialogs::beep();
        return;
    }
    // Another workstation may have made this player since the list was opened: its file counts as
    // an existing player, and is never replaced by a copy.
    if (playerIndex(text) >= 0 || adoptFromOtherWorkstation(text)) {
        playerdialogs::beep();
        dialogs::error(this, QStringLiteral("Der Spielername existiert schon."));
        return;
    }
    const std::optional<QString> reference = askNewPlayer(text);
    if (!reference)
        return;
    if (adoptFromOtherWorkstation(text)) {  // made elsewhere while the question was open
        playerdialogs::beep();
        dialogs::error(this, QStringLiteral("Der Spielername existiert schon."));
        return;
    }
    // A player whose options file cannot be written is not listed: it would vanish at the next start.
    const QString source = playerOptionsFile(*reference);
    const QString target = playerOptionsFile(text);
    if (!reference->isEmpty() && fsys::fileExists(source) && !fsys::copyFile(source, target, true)) {
        if (!fileproblems::reportSpecialCause(this, target))
            dialogs::error(this, QStringLiteral("Die Ini-Datei: ") + target + QStringLiteral(" konnte nicht erstellt werden."));
        return;
    }
    // Its picture as the folder holds it now, which may have changed since the list was opened.
    m_pictures = std::make_shared<playerdialogs::PictureFolder>();
    QListWidgetItem* item = addEntry(text);
    if (!ChB_mehrere->isChecked()) {
        LV_namen->setCurrentItem(item);
        LV_namen->scrollToItem(item);
    }
    g().playerList.append(text);
}

bool TFormnamenwahl::adoptFromOtherWorkstation(const QString& name)
{
    const QString file = playerOptionsFile(name);
    if (!fsys::fileExists(file))
        return false;
    // The name as its file spells it ("Options-" + name + ".txt").
    QString listed = fsys::fileName(fsys::resolve(file)).mid(8);
    listed.chop(4);
    if (listed.isEmpty())
        listed = name;
    if (playerIndex(listed) < 0) {
        m_pictures = std::make_shared<playerdialogs::PictureFolder>();
        addEntry(listed);
        g().playerList.append(listed);
    }
    return true;
}

void TFormnamenwahl::deleteSelected()
{
    if (m_editing)
        return;
    QListWidgetItem* item = LV_namen->currentItem();
    if (!item)
        return;
    if (playerlock::anyoneLocked()) {
        dialogs::error(this, QStringLiteral("Es können keine Nutzer gelöscht werden!"));
        return;
    }
    if (item == m_newItem) {
        dialogs::error(this, QStringLiteral("Löschen nicht möglich!"));
        return;
    }
    const QString name = item->text();
    if (name.compare(QStringLiteral("Standard"), Qt::CaseInsensitive) == 0) {
        dialogs::error(this, QStringLiteral("Der Spieler STANDARD kann nicht gelöscht werden!"));
        return;
    }
    if (dialogs::ask(this, QStringLiteral("Soll der Spieler ") + name + QStringLiteral(" wirklich gelöscht werden?")) !=
        dialogs::Button::Yes)
        return;
    delete LV_namen->takeItem(LV_namen->row(item));
    const int i = playerIndex(name);
    if (i >= 0)
        g().playerList.removeAt(i);
    if (LV_namen->count() > 0)
        LV_namen->setCurrentRow(0);
    // Renamed with a leading "_", so it is no longer listed but can still be brought back; the run
    // history goes the same way.
    for (const QString& file : {playerOptionsFile(name), playerHistoryFile(name)}) {
        if (!fsys::fileExists(file))
            continue;
        const QString from = fsys::resolve(file);
        const QString to = fsys::folderOf(from) + QLatin1Char('_') + fsys::fileName(from);
        if (fsys::renameFile(from, to))
            continue;
        if (fsys::fileExists(to))
            fsys::removeFile(to);
        if (!fsys::renameFile(from, to))
            fsys::removeFile(from);
    }
}

bool TFormnamenwahl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == LV_namen && event->type() == QEvent::KeyPress && !m_editing) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            activate(LV_namen->currentItem());
            return true;
        case Qt::Key_Delete:
            deleteSelected();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormnamenwahl::centreOnScreen()
{
    centreOnPointerScreen(this);
}

void TFormnamenwahl::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    centreOnScreen();
}

TFormnamenwahl::Result TFormnamenwahl::ChoosePlayer(QWidget* parent)
{
    TFormnamenwahl dlg(parent);
    // The start-up benchmark times the first paint of whichever window the program shows first.
    QuitAfterFirstPaint::installIfRequested(&dlg);
    return dlg.exec() == QDialog::Accepted ? Result::Chosen : Result::Cancelled;
}

void TFormnamenwahl::createShortcut()
{
    // A click on a player chooses it and closes the window: the selected player is only the
    // dialog's first choice.
    QListWidgetItem* item = LV_namen->currentItem();
    const bool player = item && item != m_newItem && item->isSelected();
    TFormVerknuepfung form(player ? item->text() : g().currentPlayer(), this);
    form.exec();
}
