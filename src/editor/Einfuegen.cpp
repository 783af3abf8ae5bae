#include "editor/Einfuegen.h"

#include "editor/Recording.h"

#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/TextUtil.h"
#include "editor/LayoutDialogs.h"
#include "media/sound/Sound.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMediaPlayer>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTreeWidget>
#include <QUrl>
#include <QVideoWidget>
#include <QVBoxLayout>

namespace {
const QStringList kPictureExtensions = {QStringLiteral(".JPG"), QStringLiteral(".JPEG"), QStringLiteral(".WMF"),
                                        QStringLiteral(".EMF"), QStringLiteral(".BMP"), QStringLiteral(".GIF")};
const QStringList kFilmExtensions = {QStringLiteral(".MPG"), QStringLiteral(".AVI"), QStringLiteral(".WMV")};

bool hasExtension(const QString& name, const QStringList& exts)
{
    return exts.contains(fsys::extension(name).toUpper());
}

QString relativeTo(const QString& base, const QString& folder)
{
    if (!base.isEmpty() && folder.startsWith(base, Qt::CaseInsensitive))
        return folder.mid(base.size());
    return QString();
}
} // namespace

QString& TFormEinfuegen::rememberedFolder()
{
    static QString folder;
    return folder;
}

TFormEinfuegen::TFormEinfuegen(QWidget* owner) : QDialog(owner)
{
    setWindowFlag(Qt::Tool);
    auto* v = new QVBoxLayout(this);
    auto* split = new QSplitter(this);
    TV_ordner = new QTreeWidget(split);
    TV_ordner->setHeaderHidden(true);
    LV_dateien = new QListWidget(split);
    LV_dateien->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* side = new QWidget(split);
    auto* sv = new QVBoxLayout(side);
    P_vorschau = new QWidget(side);
    auto* pv = new QVBoxLayout(P_vorschau);
    pv->setContentsMargins(0, 0, 0, 0);
    L_vorschau = new QLabel(P_vorschau);
    L_vorschau->setFixedSize(260, 220);
    L_vorschau->setAlignment(Qt::AlignCenter);
    pv->addWidget(L_vorschau);
    // Qt Multimedia picks its back end once, at its first object: the GStreamer one of Qt 6.4
    // crashes where GStreamer's plug-ins are missing; FFmpeg's comes with Qt Multimedia itself.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    V_film = new QVideoWidget(P_vorschau);
    V_film->setFixedSize(L_vorschau->size());
    V_film->hide();
    pv->addWidget(V_film);
    pv->addStretch(1);
    P_player = new QWidget(side);
    auto* ph = new QHBoxLayout(P_player);
    B_abspielen = new QPushButton(QStringLiteral("Abspielen"), P_player);
    B_stopp = new QPushButton(QStringLiteral("Stopp"), P_player);
    ph->addWidget(B_abspielen);
    ph->addWidget(B_stopp);
    B_aufnehmen = new QPushButton(QStringLiteral("Aufnehmen..."), P_player);
    B_aufnehmen->setToolTip(QStringLiteral("Das Wort mit dem Mikrofon sprechen und als Sound einfügen"));
    ph->addWidget(B_aufnehmen);
    sv->addWidget(P_vorschau);
    sv->addWidget(P_player);
    sv->addStretch(1);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    v->addWidget(split, 1);

    B_standard = new QPushButton(QStringLiteral("Standardverzeichnis"), this);
    auto* bar = new QHBoxLayout;
    bar->addStretch(1);
    bar->addWidget(B_standard);
    bar->addStretch(1);
    v->addLayout(bar);
    // The two buttons share the width of tree and list (placeButtons), not the dialog's.
    P_knoepfe = new QWidget(this);
    B_abbrechen = new QPushButton(QStringLiteral("Abbrechen"), P_knoepfe);
    B_ok = new QPushButton(P_knoepfe);
    B_abbrechen->setAutoDefault(false);
    B_ok->setAutoDefault(false);
    B_standard->setAutoDefault(false);
    P_knoepfe->setFixedHeight(B_ok->sizeHint().height() + 4);
    v->addWidget(P_knoepfe);
    for (QWidget* w : {static_cast<QWidget*>(TV_ordner), static_cast<QWidget*>(LV_dateien), P_knoepfe})
        w->installEventFilter(this);

    connect(TV_ordner, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!m_filling && item)
            selectNode(item);
    });
    connect(LV_dateien, &QListWidget::currentRowChanged, this, [this] {
        if (!m_filling)
            onFileSelected();
    });
    connect(LV_dateien, &QListWidget::itemDoubleClicked, this, [this] { confirm(); });
    connect(LV_dateien, &QWidget::customContextMenuRequested, this, &TFormEinfuegen::showContextMenu);
    connect(B_ok, &QPushButton::clicked, this, [this] { confirm(); });
    connect(B_abbrechen, &QPushButton::clicked, this, &TFormEinfuegen::reject);
    connect(B_standard, &QPushButton::clicked, this, [this] {
        if (QTreeWidgetItem* root = TV_ordner->topLevelItem(0))
            TV_ordner->setCurrentItem(root);
    });
    connect(B_abspielen, &QPushButton::clicked, this, [this] {
        if (m_film && !m_filmFile.isEmpty())
            m_film->play();
        else if (!m_soundFile.isEmpty())
            PlayWaveFile(m_soundFile, false, true);
    });
    connect(B_stopp, &QPushButton::clicked, this, [this] {
        stopFilm();
        StopWaveFiles();
    });
    connect(B_aufnehmen, &QPushButton::clicked, this, [this] { recordAndInsert(); });
    LV_dateien->installEventFilter(this);
}

QString TFormEinfuegen::baseFolder() const
{
    const Directories& d = g().config.dirs;
    switch (m_mode) {
    case 0: return d.hintergrundbilder;
    case 2: return d.materialBilder;
    case 5: return d.materialSammelBilder;
    case 4: return d.lobSound;
    case 6: return d.anleitungsound;
    case 7: return d.fehlersound;
    case 9: return fsys::withSlash(d.lobSound + QStringLiteral("Wort"));
    case 10: return fsys::withSlash(d.lobSound + QStringLiteral("Geräusch"));
    default: return d.materialSound;
    }
}

QStringList TFormEinfuegen::extensions() const
{
    if (m_mode == 2)
        return kPictureExtensions + kFilmExtensions;
    if (pictureMode())
        return kPictureExtensions;
    return {QStringLiteral(".WAV")};
}

void TFormEinfuegen::showDialog()
{
    const bool pictures = pictureMode();
    setWindowTitle(pictures ? QStringLiteral("Bild einfügen") : QStringLiteral("Sound einfügen"));
    B_ok->setText(m_mode == 0 ? QStringLiteral("OK - Bild übernehmen")
                  : pictures  ? QStringLiteral("OK - Film/Bild übernehmen")
                              : QStringLiteral("OK - Sound übernehmen"));
    P_vorschau->setVisible(pictures);
    P_player->setVisible(!pictures);
    B_aufnehmen->setVisible(!pictures);
    L_vorschau->clear();
    m_soundFile.clear();

    QScreen* screen = QGuiApplication::screenAt(m_bounds.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect avail = screen->availableGeometry();
    const QSize size = m_bounds.isValid() ? m_bounds.size().boundedTo(avail.size()) : QSize(760, 560);
    resize(std::min(size.width(), 900), size.height());
    move(avail.center() - QPoint(width() / 2, height() / 2));

    buildTree();
    // Start selection: a sound searched by name, else the remembered folder.
    QString hitFolder, hitName;
    if ((m_mode == 3 || m_mode == 4 || m_mode == 7) && !m_searchText.isEmpty()) {
        const QString folder = m_mode == 3 ? g().config.dirs.materialSound : g().config.dirs.internsound;
        const QString hit = FindSoundFile(m_searchText, folder, true);
        if (!hit.isEmpty()) {
            hitFolder = fsys::folderOf(hit);
            hitName = fsys::fileName(hit);
        }
    }
    QTreeWidgetItem* node = hitFolder.isEmpty() ? nullptr : nodeFor(hitFolder);
    if (node) {
        selectNode(node);
        for (int i = 0; i < LV_dateien->count(); ++i) {
            if (LV_dateien->item(i)->text().compare(hitName, Qt::CaseInsensitive) == 0) {
                LV_dateien->setCurrentRow(i);
                LV_dateien->scrollToItem(LV_dateien->item(i));
                break;
            }
        }
    } else {
        QString rel = relativeTo(g().config.dirs.materialBilder, rememberedFolder());
        if (rel.isEmpty())
            rel = relativeTo(g().config.dirs.materialSound, rememberedFolder());
        QTreeWidgetItem* at = TV_ordner->topLevelItem(0);
        if (m_mode != 0) {
            QString path = baseFolder();
            for (const QString& part : rel.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
                path += part + QLatin1Char('/');
                QTreeWidgetItem* next = nodeFor(path);
                if (!next)
                    break;
                at = next;
            }
        }
        if (at)
            selectNode(at);
    }
    show();
    raise();
    activateWindow();
    LV_dateien->setFocus();
}

void TFormEinfuegen::buildTree()
{
    m_filling = true;
    TV_ordner->clear();
    const QString base = baseFolder();
    QString label = MakeRelativePath(g().config.installationDirectory, base, false);
    while (label.endsWith(QLatin1Char('/')))
        label.chop(1);
    auto* root = new QTreeWidgetItem(TV_ordner, {label});
    root->setData(0, Qt::UserRole, base);
    if (m_mode != 0)
        addSubfolders(root, base);
    root->setExpanded(true);
    m_filling = false;
}

void TFormEinfuegen::addSubfolders(QTreeWidgetItem* parent, const QString& folder)
{
    for (const QString& name : fsys::list(folder, QStringLiteral("*"), false, fsys::Entries::Dirs)) {
        const QString path = folder + name + QLatin1Char('/');
        auto* item = new QTreeWidgetItem(parent, {name});
        item->setData(0, Qt::UserRole, path);
        addSubfolders(item, path);
    }
}

QTreeWidgetItem* TFormEinfuegen::nodeFor(const QString& folder) const
{
    const QString want = fsys::withSlash(folder);
    std::function<QTreeWidgetItem*(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) -> QTreeWidgetItem* {
        if (item->data(0, Qt::UserRole).toString().compare(want, Qt::CaseInsensitive) == 0)
            return item;
        for (int i = 0; i < item->childCount(); ++i)
            if (QTreeWidgetItem* hit = walk(item->child(i)))
                return hit;
        return nullptr;
    };
    QTreeWidgetItem* root = TV_ordner->topLevelItem(0);
    return root ? walk(root) : nullptr;
}

void TFormEinfuegen::selectNode(QTreeWidgetItem* node)
{
    m_filling = true;
    TV_ordner->setCurrentItem(node);
    for (QTreeWidgetItem* p = node->parent(); p; p = p->parent())
        p->setExpanded(true);
    // The selected folder in bold dark blue.
    std::function<void(QTreeWidgetItem*)> mark = [&](QTreeWidgetItem* item) {
        QFont f = item->font(0);
        f.setBold(item == node);
        item->setFont(0, f);
        item->setForeground(0, item == node ? QBrush(Qt::darkBlue) : QBrush());
        for (int i = 0; i < item->childCount(); ++i)
            mark(item->child(i));
    };
    if (QTreeWidgetItem* root = TV_ordner->topLevelItem(0))
        mark(root);
    m_folder = node->data(0, Qt::UserRole).toString();
    if (m_mode >= 2)
        rememberedFolder() = m_folder;
    m_filling = false;
    fillList();
}

void TFormEinfuegen::fillList()
{
    m_filling = true;
    LV_dateien->clear();
    const QStringList exts = extensions();
    for (const QString& name : fsys::list(m_folder, QStringLiteral("*"), false, fsys::Entries::Files))
        if (hasExtension(name, exts))
            LV_dateien->addItem(name);
    m_filling = false;
    int row = LV_dateien->count() > 0 ? 0 : -1;
    if (m_mode == 0 && !m_currentChoice.isEmpty()) {
        for (int i = 0; i < LV_dateien->count(); ++i)
            if (LV_dateien->item(i)->text().startsWith(m_currentChoice, Qt::CaseInsensitive)) {
                row = i;
                break;
            }
    }
    LV_dateien->setCurrentRow(row);
    onFileSelected();
}

QString TFormEinfuegen::selectedFile() const
{
    const QListWidgetItem* item = LV_dateien->currentItem();
    return item ? m_folder + item->text() : QString();
}

void TFormEinfuegen::onFileSelected()
{
    const QString file = selectedFile();
    if (pictureMode()) {
        if (!file.isEmpty() && hasExtension(file, kFilmExtensions)) {
            showFilm(file);
            return;
        }
        showFilm(QString());
        QImage img;
        if (!file.isEmpty() && hasExtension(file, kPictureExtensions))
            img = editor::DrawCardPicture(file, L_vorschau->size(), 90, Qt::white);
        if (img.isNull()) {
            L_vorschau->setPixmap(QPixmap());
            L_vorschau->setText(QStringLiteral("kein Bild vohanden"));
            L_vorschau->setStyleSheet(QStringLiteral("background: #c0c0c0;"));
        } else {
            L_vorschau->setStyleSheet(QString());
            L_vorschau->setPixmap(QPixmap::fromImage(img));
        }
        return;
    }
    m_soundFile = (!file.isEmpty() && fsys::fileExists(file) && hasExtension(file, {QStringLiteral(".WAV")})) ? file
                                                                                                            : QString();
    P_player->setVisible(true);
}

// A film waits in the preview, paused, until "Abspielen"; a picture takes its place again.
void TFormEinfuegen::showFilm(const QString& file)
{
    stopFilm();
    m_filmFile = file;
    const bool film = !file.isEmpty();
    V_film->setVisible(film);
    L_vorschau->setVisible(!film);
    P_player->setVisible(film || !pictureMode());
    if (!film)
        return;
    if (!m_film) {
        m_film = new QMediaPlayer(this);
        m_film->setVideoOutput(V_film);
    }
    m_film->setSource(QUrl::fromLocalFile(file));
}

void TFormEinfuegen::stopFilm()
{
    if (m_film)
        m_film->stop();
}

bool TFormEinfuegen::confirm()
{
    const QString file = selectedFile();
    if (file.isEmpty())
        return false;
    emit inserted(file);
    hide();
    return true;
}

bool TFormEinfuegen::recordAndInsert()
{
    if (pictureMode())
        return false;
    StopWaveFiles();
    const QString folder = m_folder.isEmpty() ? baseFolder() : m_folder;
    const QString path = editor::RecordWord(this, m_searchText, folder);
    if (path.isEmpty())
        return false;
    fillList();
    emit inserted(path);
    hide();
    return true;
}

void TFormEinfuegen::reject() { hide(); }

void TFormEinfuegen::hideEvent(QHideEvent* e)
{
    m_soundFile.clear();
    StopWaveFiles();
    showFilm(QString());
    QDialog::hideEvent(e);
}

void TFormEinfuegen::placeButtons()
{
    const int w = std::max(0, (TV_ordner->width() + LV_dateien->width() - 12) / 2);
    const int h = B_ok->sizeHint().height();
    // 4 pixels from the dialog's left edge, OK 4 pixels to the right of "Abbrechen".
    const int left = P_knoepfe->mapFrom(this, QPoint(4, 0)).x();
    B_abbrechen->setGeometry(left, 2, w, h);
    B_ok->setGeometry(left + w + 4, 2, w, h);
}

bool TFormEinfuegen::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() == QEvent::Resize && (o == TV_ordner || o == LV_dateien || o == P_knoepfe))
        placeButtons();
    if (o == LV_dateien && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            confirm();
            return true;
        }
        if (k->key() >= Qt::Key_A && k->key() <= Qt::Key_Z && k->modifiers() == Qt::NoModifier) {
            const QChar letter(char16_t('a' + (k->key() - Qt::Key_A)));
            for (int i = 0; i < LV_dateien->count(); ++i)
                if (LV_dateien->item(i)->text().startsWith(letter, Qt::CaseInsensitive)) {
                    LV_dateien->setCurrentRow(i);
                    break;
                }
            return true;
        }
    }
    return QDialog::eventFilter(o, e);
}

void TFormEinfuegen::showContextMenu(const QPoint& pos)
{
    const QString file = selectedFile();
    if (file.isEmpty())
        return;
    QMenu menu(this);
    if (hasExtension(file, kPictureExtensions)) {
        menu.addAction(QStringLiteral("Bild größer anzeigen"), this, [this, file] {
            TFormbildgroesser viewer(this, file, fsys::fileName(file));
            viewer.exec();
        });
    } else if (hasExtension(file, kFilmExtensions)) {
        menu.addAction(QStringLiteral("Film anzeigen"));
    } else if (hasExtension(file, {QStringLiteral(".WAV"), QStringLiteral(".MP3")})) {
        menu.addAction(QStringLiteral("Sound abspielen"));
        menu.addAction(QStringLiteral("Sound stoppen"));
    }
    menu.exec(LV_dateien->viewport()->mapToGlobal(pos));
}

namespace editor {
QString ChooseMediaFile(QWidget* owner, int insertMode, const QString& searchText)
{
    TFormEinfuegen dialog(owner);
    QString chosen;
    QObject::connect(&dialog, &TFormEinfuegen::inserted, &dialog, [&](const QString& path) { chosen = path; });
    dialog.setInsertMode(insertMode);
    dialog.setSearchText(searchText);
    if (owner)
        dialog.setBounds(owner->window()->frameGeometry());
    dialog.setModal(true);
    dialog.showDialog();
    dialog.exec();
    return chosen;
}
} // namespace editor
