#include "chooser/Listenreader.h"
#include "chooser/PlayableTasks.h"
#include "chooser/TaskOrder.h"
#include "core/Catalogue.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/MessageHook.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "media/picture/Picture.h"
#include "media/skin/Meldung.h"
#include "media/sound/Sound.h"
#include "options/Options.h"
#include "results/Drucken.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <utility>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace chooser {

namespace {
EditorHook& editorHook()
{
    static EditorHook hook;
    return hook;
}

// The chooser's folder labels, by program code.
QString folderLabel(int code)
{
    switch (code / 100) {
    case 1: return QStringLiteral("1_Merkfähigkeit - ");
    case 2: return QStringLiteral("2_Wortreihen - %1_").arg(code - 200);
    case 3: return QStringLiteral("3_Differenzierung - %1_").arg(code - 300);
    case 4: return QStringLiteral("4_Laut-Silben-Analyse - %1_").arg(code - 400);
    default: return QString();
    }
}
} // namespace

int& startPosition()
{
    static int position = 0;
    return position;
}

int defaultElementCount(int programCode) { return catalogue::defaultElementCount(programCode); }

void setEditorHook(EditorHook hook) { editorHook() = std::move(hook); }

QString chooserTitle(int programCode)
{
    QString section = optionsSectionName(programCode);
    section.remove(QStringLiteral("Programm: "));
    return QStringLiteral("   Aufgaben") + QStringLiteral(" für ") + folderLabel(programCode) + section;
}

Choice ChooseTaskList(QWidget* parent, int programCode, const QString& listFolder, const QString& currentFile)
{
    TFormListenreader form(parent, programCode, listFolder, currentFile);
    form.exec();
    return form.choice();
}

} // namespace chooser

namespace {
const QString kMissingSoundMark = QStringLiteral("* ");
const QStringList kPictureCounts = {QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("6"), QStringLiteral("9"),
                                    QStringLiteral("12")};
const QStringList kVisibility = {QStringLiteral("nicht sichtbar"), QStringLiteral("beim Hören nicht sichtbar"),
                                 QStringLiteral("immer sichtbar")};

bool textOnlyVariant(int code) { return code == 102 || code == 202 || code == 204; }
// Programs whose preview follows the play order rather than the file order.
bool previewFollowsOrder(int code) { return (code >= 301 && code <= 304) || (code >= 401 && code <= 406); }
bool hasPositionButtons(int code) { return code == 303 || (code >= 402 && code <= 405); }

// True when a sound the element names is not in the `MaterialSound` folder.
bool soundMissing(const QString& sounds, bool splitSyllables)
{
    QString list = sounds;
    if (splitSyllables)
        list.replace(QLatin1Char('#'), QLatin1Char(';'));
    for (const QString& name : list.split(QLatin1Char(';'))) {
        const QString n = name.trimmed();
        if (!n.isEmpty() && !fsys::fileExists(g().config.dirs.materialSound + n))
            return true;
    }
    return false;
}

// The large start button: its face is drawn at run time.
class StartButton : public QPushButton
{
public:
    using QPushButton::QPushButton;
    QImage face() const { return m_face; }

protected:
    void resizeEvent(QResizeEvent* e) override
    {
        QPushButton::resizeEvent(e);
        buildFace();
    }
    void changeEvent(QEvent* e) override
    {
        QPushButton::changeEvent(e);
        if (e->type() == QEvent::EnabledChange)
            buildFace();
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const int shift = isDown() ? 2 : 0;
        p.drawImage(QPoint(shift, shift), m_face);
        if (hasFocus()) {
            p.setPen(QPen(QColor(0, 50, 149), 3));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 8, 8);
        }
    }

private:
    void buildFace()
    {
        const QSize s = size();
        if (s.isEmpty())
            return;
        QImage img(s, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(img.rect()).adjusted(1, 1, -1, -1);
        QLinearGradient grey(r.topLeft(), r.bottomLeft());
        grey.setColorAt(0, QColor(178, 178, 178));
        grey.setColorAt(1, QColor(128, 128, 128));
        p.setBrush(grey);
        p.setPen(QPen(QColor(70, 70, 70), 2));
        p.drawRoundedRect(r, 8, 8);

        const int inset = qMax(6, s.height() / 12);
        const QRect pictureBox = img.rect().adjusted(inset, inset, -inset, -inset);
        const QString symbol = g().config.symbolStart;
        if (!symbol.isEmpty() && fsys::fileExists(symbol) && !pictureBox.isEmpty()) {
            picture::Target t(pictureBox.width(), pictureBox.height(), 0x00FFFFFF);
            t.transparent = true;
            picture::DrawPicture(t, fsys::resolve(symbol), 0x00FFFFFF, 100, true, true);
            QImage shown = picture::ShownImage(t);
            p.drawImage(pictureBox.topLeft(), shown);
        }
        QFont f(QStringLiteral("Arial"));
        f.setBold(true);
        f.setPixelSize(qMax(12, qMin(s.height() / 3, s.width() / 4)));
        QPainterPath path;
        const QFontMetrics fm(f);
        const QString word = QStringLiteral("Start");
        const QPointF base((s.width() - fm.horizontalAdvance(word)) / 2.0,
                           (s.height() + fm.ascent() - fm.descent()) / 2.0);
        path.addText(base, f, word);
        p.setPen(QPen(QColor(40, 40, 40), qMax(2.0, f.pixelSize() / 10.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 0));
        p.drawPath(path);
        if (!isEnabled()) {
            p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            p.fillRect(img.rect(), QColor(235, 235, 235, 170));
        }
        p.end();
        m_face = img;
        update();
    }
    QImage m_face;
};

QPushButton* plainButton(const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setAutoDefault(false);
    b->setDefault(false);
    b->setMinimumHeight(36);
    return b;
}
} // namespace

TFormListenreader::TFormListenreader(QWidget* parent, int programCode, const QString& listFolder,
                                     const QString& currentFile)
    : QDialog(parent), m_code(programCode), m_listFolder(fsys::withSlash(listFolder)),
      m_currentFile(fsys::fromStored(currentFile))
{
    setObjectName(QStringLiteral("FormListenreader"));
    g().programCode = programCode;
    g().defaultElementCount = chooser::defaultElementCount(programCode);
    m_title = chooser::chooserTitle(programCode);
    setWindowTitle(m_title);
    // A full path inside the list folder names the same list.
    if (m_currentFile.startsWith(m_listFolder, Qt::CaseInsensitive))
        m_currentFile = m_currentFile.mid(m_listFolder.size());
    // ".\" names the list folder itself, as does a leading "\".
    while (m_currentFile.startsWith(QLatin1String("./")) || m_currentFile.startsWith(QLatin1Char('/')))
        m_currentFile.remove(0, m_currentFile.startsWith(QLatin1Char('/')) ? 1 : 2);
    // A stored name that leaves the list folder (an absolute path elsewhere, a drive, "..") or names
    // an editor's save copy is no list of this program: the chooser starts as without one.
    const QString stored = currentFile.trimmed();
    if ((stored.startsWith(QLatin1Char('/')) && !fsys::fromStored(stored).startsWith(m_listFolder, Qt::CaseInsensitive)) ||
        m_currentFile.contains(QLatin1Char(':')) || m_currentFile.split(QLatin1Char('/')).contains(QLatin1String("..")) ||
        fsys::fileName(m_currentFile).startsWith(QLatin1String("~~")))
        m_currentFile.clear();
    m_selectedFile = m_currentFile;
    m_selectedFolder = fsys::folderOf(m_currentFile);
    buildWindow();
    placeOnScreen();
}

TFormListenreader::~TFormListenreader()
{
    if (m_hooked)
        messagehook::remove(this);
}

void TFormListenreader::buildWindow()
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const int screenHeight = screen ? screen->availableGeometry().height() : 768;
    QFont base(QStringLiteral("Arial"));
    base.setPixelSize(qBound(13, screenHeight / 52, 20));
    setFont(base);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(220, 232, 245));
    setPalette(pal);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(10, 10, 10, 10);
    outer->setSpacing(12);

    // The left-hand column.
    auto* column = new QVBoxLayout;
    column->setSpacing(8);
    B_start = new StartButton(this);
    B_start->setObjectName(QStringLiteral("B_start"));
    B_start->setAutoDefault(false);
    B_start->setToolTip(QStringLiteral("Start"));
    const int startSide = qBound(110, screenHeight / 6, 190);
    B_start->setFixedSize(startSide, startSide);
    B_start->setEnabled(false);  // until a list is chosen
    column->addWidget(B_start);
    column->addSpacing(10);
    B_zurueck = plainButton(QStringLiteral("zurück"), this);
    B_optionen = plainButton(QStringLiteral("Optionen"), this);
    B_editor = plainButton(QStringLiteral("Editor"), this);
    B_drucken = plainButton(QStringLiteral("Drucken"), this);
    B_details = plainButton(QStringLiteral("Details aus"), this);
    for (QPushButton* b : {B_zurueck, B_optionen, B_editor, B_drucken, B_details}) {
        b->setFixedWidth(startSide);
        column->addWidget(b);
    }
    column->addStretch(1);
    outer->addLayout(column);

    // The right-hand side: title, position buttons, tree and files, quick options, preview, status.
    auto* right = new QVBoxLayout;
    right->setSpacing(6);
    L_titel = new QLabel(m_title, this);
    QFont titleFont = base;
    titleFont.setBold(true);
    titleFont.setPixelSize(base.pixelSize() * 3 / 2);
    L_titel->setFont(titleFont);
    L_titel->setStyleSheet(QStringLiteral("color: rgb(0, 50, 149);"));
    right->addWidget(L_titel);

    buildPositionButtons();
    if (P_laute)
        right->addWidget(P_laute);

    auto* split = new QSplitter(Qt::Horizontal, this);
    TV_ordner = new QTreeWidget(split);
    TV_ordner->setObjectName(QStringLiteral("TV_ordner"));
    TV_ordner->setHeaderHidden(true);
    TV_ordner->setColumnCount(1);
    LV_dateien = new QListWidget(split);
    LV_dateien->setObjectName(QStringLiteral("LV_dateien"));
    LV_dateien->setSelectionMode(QAbstractItemView::SingleSelection);
    LV_dateien->setUniformItemSizes(true);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);
    split->setChildrenCollapsible(false);
    right->addWidget(split, 3);

    buildQuickOptions();
    if (GB_merk)
        right->addWidget(GB_merk);

    P_vorschau = new QWidget(this);
    auto* pv = new QVBoxLayout(P_vorschau);
    pv->setContentsMargins(0, 0, 0, 0);
    pv->setSpacing(0);
    TC_aufgaben = new QTabBar(P_vorschau);
    TC_aufgaben->setObjectName(QStringLiteral("TC_aufgaben"));
    TC_aufgaben->setFocusPolicy(Qt::StrongFocus);
    TC_aufgaben->setUsesScrollButtons(true);
    TC_aufgaben->setExpanding(false);
    TC_aufgaben->setDrawBase(true);
    TC_aufgaben->installEventFilter(this);
    pv->addWidget(TC_aufgaben);
    SB_karten = new QScrollArea(P_vorschau);
    SB_karten->setWidgetResizable(true);
    SB_karten->setFrameShape(QFrame::StyledPanel);
    SB_karten->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_cards = new TPreviewCards;
    SB_karten->setWidget(m_cards);
    pv->addWidget(SB_karten);
    right->addWidget(P_vorschau, 4);

    L_status = new QLabel(this);
    L_status->setObjectName(QStringLiteral("L_status"));
    L_status->setFrameShape(QFrame::StyledPanel);
    L_status->setFrameShadow(QFrame::Sunken);
    L_status->setStyleSheet(QStringLiteral("QLabel { background: rgb(245, 245, 245); padding: 3px; }"));
    right->addWidget(L_status);
    outer->addLayout(right, 1);

    connect(B_start, &QPushButton::clicked, this, &TFormListenreader::start);
    connect(B_zurueck, &QPushButton::clicked, this, &TFormListenreader::back);
    connect(B_optionen, &QPushButton::clicked, this, &TFormListenreader::showOptions);
    connect(B_editor, &QPushButton::clicked, this, &TFormListenreader::openEditor);
    connect(B_drucken, &QPushButton::clicked, this, &TFormListenreader::printCatalogue);
    connect(B_details, &QPushButton::clicked, this, &TFormListenreader::toggleDetails);
    connect(TV_ordner, &QTreeWidget::currentItemChanged, this, [this] {
        if (!m_filling)
            onFolderChanged();
    });
    connect(LV_dateien, &QListWidget::currentItemChanged, this, [this] {
        if (!m_filling)
            onFileChanged();
    });
    connect(LV_dateien, &QListWidget::itemDoubleClicked, this, [this] { start(); });
    connect(TC_aufgaben, &QTabBar::currentChanged, this, [this](int i) {
        if (!m_filling)
            showPreview(i);
    });
}

void TFormListenreader::buildPositionButtons()
{
    if (!hasPositionButtons(m_code))
        return;
    P_laute = new QWidget(this);
    auto* row = new QHBoxLayout(P_laute);
    row->setContentsMargins(0, 0, 0, 0);
    const QString inner = m_code == 402 ? QStringLiteral("zweiter Laut") : QStringLiteral("Inlaut");
    const QString captions[3] = {QStringLiteral("Anlaut"), inner, QStringLiteral("Auslaut")};
    for (int i = 0; i < 3; ++i) {
        auto* b = plainButton(captions[i], P_laute);
        b->setObjectName(QStringLiteral("SB_laut%1").arg(i));
        m_positionButtons[i] = b;
        m_positionFolders[i] = captions[i];
        row->addWidget(b, 1);
        connect(b, &QPushButton::clicked, this, [this, i] { choosePositionFolder(i); });
    }
    if (m_code == 403 || m_code == 404)
        m_positionButtons[1]->hide();
    row->addStretch(1);
}

void TFormListenreader::buildQuickOptions()
{
    if (m_code != 101 && m_code != 102)
        return;
    GB_merk = new QGroupBox(this);
    GB_merk->setObjectName(QStringLiteral("GB_merk"));
    auto* row = new QHBoxLayout(GB_merk);
    row->setContentsMargins(8, 4, 8, 4);
    auto group = [&](const QString& title, const QStringList& captions, QButtonGroup*& buttons) {
        auto* box = new QGroupBox(title, GB_merk);
        auto* l = new QHBoxLayout(box);
        l->setContentsMargins(6, 2, 6, 2);
        buttons = new QButtonGroup(box);
        for (int i = 0; i < captions.size(); ++i) {
            auto* r = new QRadioButton(captions[i], box);
            buttons->addButton(r, i);
            l->addWidget(r);
        }
        row->addWidget(box);
    };
    group(QStringLiteral("Bilderanzahl:"), kPictureCounts, m_pictureCount);
    group(QString(), {QStringLiteral("Merkspanne"), QStringLiteral("Reihenfolge")}, m_orderMode);
    auto* visible = new QGroupBox(QStringLiteral("Bilder..."), GB_merk);
    auto* vl = new QHBoxLayout(visible);
    vl->setContentsMargins(6, 2, 6, 2);
    CB_sichtbar = new QComboBox(visible);
    CB_sichtbar->setObjectName(QStringLiteral("CB_sichtbar"));
    CB_sichtbar->addItems(kVisibility);
    vl->addWidget(CB_sichtbar);
    row->addWidget(visible);
    auto* remember = new QGroupBox(QStringLiteral("zu merken:"), GB_merk);
    auto* rl = new QHBoxLayout(remember);
    rl->setContentsMargins(6, 2, 6, 2);
    CB_merken = new QComboBox(remember);
    CB_merken->setObjectName(QStringLiteral("CB_merken"));
    for (int i = 1; i <= 10; ++i)
        CB_merken->addItem(QString::number(i));
    CB_merken->setToolTip(QStringLiteral("max. Anzahl ist abhängig von der Bilderanzahl"));
    rl->addWidget(CB_merken);
    row->addWidget(remember);
    row->addStretch(1);
    refreshQuickOptions();

    auto writeOptions = [this] {
        if (!g().currentPlayer().isEmpty())
            WritePlayerOptions(g().currentPlayer(), m_code);
    };
    connect(m_pictureCount, &QButtonGroup::idClicked, this, [this, writeOptions](int id) {
        TOpt_Merkfaehigkeit& o = g().playerOptions.merkfaehigkeit;
        o.pictureCount = kPictureCounts[id].toInt();
        if (o.rememberCount > o.pictureCount)
            o.rememberCount = o.pictureCount;
        refreshQuickOptions();
        writeOptions();
    });
    connect(m_orderMode, &QButtonGroup::idClicked, this, [writeOptions](int id) {
        g().playerOptions.merkfaehigkeit.orderCounts = id == 1;
        writeOptions();
    });
    connect(CB_sichtbar, &QComboBox::activated, this, [writeOptions](int index) {
        g().playerOptions.merkfaehigkeit.invisible = index;
        writeOptions();
    });
    connect(CB_merken, &QComboBox::activated, this, [this](int index) {
        TOpt_Merkfaehigkeit& o = g().playerOptions.merkfaehigkeit;
        o.rememberCount = qMin(index + 1, o.pictureCount);
        refreshQuickOptions();
    });
}

void TFormListenreader::refreshQuickOptions()
{
    if (!GB_merk)
        return;
    ++m_filling;
    const TOpt_Merkfaehigkeit& o = g().playerOptions.merkfaehigkeit;
    const int countIndex = int(kPictureCounts.indexOf(QString::number(o.pictureCount)));
    if (countIndex >= 0)
        m_pictureCount->button(countIndex)->setChecked(true);
    m_orderMode->button(o.orderCounts ? 1 : 0)->setChecked(true);
    CB_sichtbar->setCurrentIndex(o.invisible >= 0 && o.invisible <= 2 ? o.invisible : -1);
    if (o.rememberCount >= 1 && o.rememberCount <= 10) {
        CB_merken->setCurrentIndex(o.rememberCount - 1);
    } else {
        // A count the list does not offer is shown as it is, without choosing an entry.
        CB_merken->setCurrentIndex(-1);
        CB_merken->setPlaceholderText(QString::number(o.rememberCount));
    }
    --m_filling;
}

void TFormListenreader::placeOnScreen()
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // Nearly the whole of a small monitor; on a large one a comfortable window, not a wall of space.
    const int w = qMin(area.width() - 20, qMax(980, area.width() * 3 / 4));
    const int h = qMin(area.height() - 40, qMax(700, area.height() * 5 / 6));
    resize(qMin(w, area.width()), qMin(h, area.height()));
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void TFormListenreader::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_hooked) {
        messagehook::push(this);
        m_hooked = true;
    }
    if (!m_opened) {
        m_opened = true;
        QTimer::singleShot(0, this, &TFormListenreader::firstOpening);
    }
}

void TFormListenreader::hideEvent(QHideEvent* event)
{
    if (m_hooked) {
        messagehook::remove(this);
        m_hooked = false;
    }
    QDialog::hideEvent(event);
}

void TFormListenreader::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // "zweiter Laut" becomes "2. Laut" where the button is too narrow for it.
    if (m_code == 402 && m_positionButtons[1]) {
        QPushButton* b = m_positionButtons[1];
        const int need = QFontMetrics(b->font()).horizontalAdvance(QStringLiteral("zweiter Laut")) + 16;
        b->setText(b->width() >= need ? QStringLiteral("zweiter Laut") : QStringLiteral("2. Laut"));
    }
}

void TFormListenreader::firstOpening()
{
    // Never the folders above it: a share that went away is not built again under its mount point.
    fsys::makeFolder(m_listFolder, g().config.installationDirectory);
    fillTree();
    QTreeWidgetItem* node = folderNode(m_selectedFolder);
    if (!node) {
        node = TV_ordner->topLevelItem(0);
        m_selectedFolder.clear();
    }
    selectFolderNode(node);
    bool selected = listFolder();
    if (!selected) {
        // The first file of the current file's folder.
        const QString folder = fsys::folderOf(m_currentFile);
        const QStringList files = fsys::list(m_listFolder + folder, QStringLiteral("*.txt"), false, fsys::Entries::Files);
        if (!files.isEmpty() && folderNode(folder)) {
            m_selectedFolder = folder;
            m_selectedFile = folder + files.first();
            selectFolderNode(folderNode(folder));
            selected = listFolder();
        }
    }
    if (selected)
        onFileChanged();
    else
        setStartEnabled(false);
    updatePositionButtons();
    LV_dateien->setFocus();
}

void TFormListenreader::fillTree()
{
    ++m_filling;
    TV_ordner->clear();
    const QStyle* st = style();
    const QIcon folderIcon = st->standardIcon(QStyle::SP_DirIcon);
    auto* root = new QTreeWidgetItem(TV_ordner);
    QString rootName = m_listFolder;
    rootName.chop(1);
    root->setText(0, fsys::fileName(rootName));
    root->setIcon(0, folderIcon);
    root->setData(0, Qt::UserRole, QString());
    // Depth-first, with a bound against folder loops through links.
    std::function<void(QTreeWidgetItem*, const QString&, int)> add = [&](QTreeWidgetItem* parent,
                                                                          const QString& rel, int depth) {
        if (depth > 24)
            return;
        for (const QString& d : fsys::list(m_listFolder + rel, QStringLiteral("*"), false, fsys::Entries::Dirs)) {
            auto* item = new QTreeWidgetItem(parent);
            item->setText(0, d);
            item->setIcon(0, folderIcon);
            const QString childRel = rel + d + QLatin1Char('/');
            item->setData(0, Qt::UserRole, childRel);
            add(item, childRel, depth + 1);
        }
    };
    add(root, QString(), 0);
    TV_ordner->expandAll();
    --m_filling;
}

QTreeWidgetItem* TFormListenreader::folderNode(const QString& relativeFolder) const
{
    QTreeWidgetItemIterator it(TV_ordner);
    for (; *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toString().compare(relativeFolder, Qt::CaseInsensitive) == 0)
            return *it;
    return nullptr;
}

void TFormListenreader::selectFolderNode(QTreeWidgetItem* node)
{
    if (!node)
        return;
    ++m_filling;
    TV_ordner->setCurrentItem(node);
    TV_ordner->scrollToItem(node);
    m_selectedFolder = node->data(0, Qt::UserRole).toString();
    --m_filling;
}

bool TFormListenreader::listFolder()
{
    ++m_filling;
    LV_dateien->clear();
    QStringList files =
        fsys::list(m_listFolder + m_selectedFolder, QStringLiteral("*.txt"), false, fsys::Entries::Files);
    constexpr int kMaxListed = 261;
    if (files.size() > kMaxListed)
        files = files.mid(0, kMaxListed);
    const QIcon icon = style()->standardIcon(QStyle::SP_FileDialogDetailedView);
    const QString currentName = fsys::fileName(m_selectedFile);
    QListWidgetItem* chosen = nullptr;
    for (const QString& f : files) {
        auto* item = new QListWidgetItem(icon, f, LV_dateien);
        if (!chosen && f.compare(currentName, Qt::CaseInsensitive) == 0)
            chosen = item;
    }
    if (!chosen && LV_dateien->count() > 0)
        chosen = LV_dateien->item(0);
    if (chosen) {
        LV_dateien->setCurrentItem(chosen);
        LV_dateien->scrollToItem(chosen);
    }
    --m_filling;
    return chosen != nullptr;
}

void TFormListenreader::onFolderChanged()
{
    QTreeWidgetItem* node = TV_ordner->currentItem();
    if (!node)
        return;
    m_selectedFolder = node->data(0, Qt::UserRole).toString();
    if (listFolder())
        onFileChanged();
}

void TFormListenreader::onFileChanged()
{
    QListWidgetItem* item = LV_dateien->currentItem();
    if (!item)
        return;
    chooseFile(m_selectedFolder + item->text());
}

void TFormListenreader::chooseFile(const QString& relativeFile)
{
    m_selectedFile = relativeFile;
    QString path = fullPath(relativeFile);
    if (!fsys::fileExists(path) && LV_dateien->count() > 0)
        path = fullPath(m_selectedFolder + LV_dateien->item(0)->text());
    g().defaultElementCount = chooser::defaultElementCount(m_code);
    int count = LoadTaskList(path);
    if (count > 0)
        count = chooser::DropEmptyTasks(g().loadedList);
    m_taskCount = qMax(0, count);
    if (count <= 0) {
        setStartEnabled(false);
        ShowMessageWindow(QStringLiteral("Die Datei enthält keine gültigen Daten!"), this, false);
    } else if (m_code == 408 && count < 6) {
        setStartEnabled(false);
        ShowMessageWindow(QStringLiteral("Die Datei enthält zuwenig gültigen Daten!"), this, false);
    } else {
        setStartEnabled(true);
        buildOrder();
    }
    L_status->setText(QStringLiteral(" gewählte Datei: ") + relativeFile + QStringLiteral(" *** insgesamt ") +
                      QString::number(m_taskCount) + QStringLiteral(" Aufgaben"));
    fillTabs(m_taskCount);
    showPreview(0);

    const QString player = g().currentPlayer();
    if (player.isEmpty() || player == QLatin1String(" ")) {
        if (QString* field = chosenListFile(m_code))
            *field = relativeFile;
    } else if (!WriteChosenListFile(player, m_code, relativeFile)) {
        dialogs::error(this, QStringLiteral("In ") + playerOptionsFile(player) +
                                 QStringLiteral(" konnte der Dateiname nicht abgespeichert werden."));
    }
    updatePositionButtons();
}

void TFormListenreader::buildOrder()
{
    m_randomAtOptions = programRandomOrder(m_code);
    BuildTaskOrderForProgram(m_code, int(g().taskList().size()), m_randomAtOptions);
}

void TFormListenreader::fillTabs(int count)
{
    ++m_filling;
    // A hidden bar lays its tabs out once, not once per tab.
    TC_aufgaben->hide();
    while (TC_aufgaben->count() > 0)
        TC_aufgaben->removeTab(TC_aufgaben->count() - 1);
    for (int i = 0; i < count; ++i)
        TC_aufgaben->addTab(QString::number(i + 1));
    if (count > 0)
        TC_aufgaben->setCurrentIndex(0);
    TC_aufgaben->setVisible(count >= 2);
    --m_filling;
}

void TFormListenreader::showPreview(int tab)
{
    if (!m_detailsOn)
        return;
    const auto& tasks = g().taskList();
    if (m_taskCount <= 0 || tasks.empty() || tab < 0) {
        m_cards->setCards({}, textOnlyVariant(m_code));
        return;
    }
    int index = tab;
    if (previewFollowsOrder(m_code)) {
        const auto& order = g().taskOrder;
        index = tab < int(order.size()) ? order[size_t(tab)] : 0;
    }
    if (index < 0 || index >= int(tasks.size()))
        index = 0;
    const TAufgabe& task = tasks[size_t(index)];
    const bool splitSyllables = m_code == 406;
    auto card = [&](const TEinzelbild& e, int number) {
        TPreviewCards::Card c;
        c.caption = QStringLiteral("Karte ") + QString::number(number);
        if (!e.picture.isEmpty())
            c.picture = fsys::resolve(g().config.dirs.materialBilder + e.picture);
        c.percent = e.layout.pictureSize > 0 ? e.layout.pictureSize : 100;
        c.text = (soundMissing(e.sounds, splitSyllables) ? kMissingSoundMark : QString()) + e.text;
        return c;
    };
    std::vector<TPreviewCards::Card> cards;
    if (m_code == 404)
        cards.push_back(card(task.headElement, 0));
    const int n = chooser::defaultElementCount(m_code);
    for (int i = 1; i <= n; ++i)
        cards.push_back(i < int(task.elements.size()) ? card(task.elements[size_t(i)], i) : card(TEinzelbild(), i));
    m_cards->setCards(std::move(cards), textOnlyVariant(m_code));
}

void TFormListenreader::updatePositionButtons()
{
    if (!P_laute)
        return;
    for (int i = 0; i < 3; ++i) {
        QPushButton* b = m_positionButtons[i];
        const bool pressed = positionPressed(i);
        // Pressed: a yellow face with a dark blue bold caption.
        QPalette pal = P_laute->palette();
        if (pressed) {
            pal.setColor(QPalette::Button, QColor(255, 255, 0));
            pal.setColor(QPalette::ButtonText, QColor(0, 0, 128));
        }
        b->setPalette(pal);
        QFont f = P_laute->font();
        f.setBold(pressed);
        b->setFont(f);
    }
}

bool TFormListenreader::positionPressed(int i) const
{
    if (i < 0 || i > 2 || !m_positionButtons[i])
        return false;
    return m_selectedFile.startsWith(m_positionFolders[i], Qt::CaseInsensitive);
}

void TFormListenreader::choosePositionFolder(int i)
{
    QTreeWidgetItem* node = folderNode(m_positionFolders[i] + QLatin1Char('/'));
    if (!node)
        return;
    TV_ordner->setCurrentItem(node);  // lists it and chooses its file
    updatePositionButtons();
}

void TFormListenreader::setStartEnabled(bool on) { B_start->setEnabled(on); }

QImage TFormListenreader::startFace() const { return static_cast<StartButton*>(B_start)->face(); }

void TFormListenreader::start()
{
    if (!B_start->isEnabled())
        return;
    m_choice = chooser::Choice::Start;
    accept();
}

void TFormListenreader::back()
{
    m_choice = chooser::Choice::Back;
    reject();
}

void TFormListenreader::showOptions()
{
    const bool randomBefore = programRandomOrder(m_code);
    options::ShowOptionPage(this, m_code);
    g().programCode = m_code;
    refreshQuickOptions();
    if (programRandomOrder(m_code) != randomBefore && B_start->isEnabled()) {
        buildOrder();
        showPreview(TC_aufgaben->currentIndex());
    }
}

void TFormListenreader::openEditor()
{
    if (!chooser::editorHook()) {
        dialogs::showMessage(this, QStringLiteral("Der Aufgabeneditor ist in dieser Version noch nicht installiert."));
        return;
    }
    const QString saved = chooser::editorHook()(this, fullPath(m_selectedFile));
    g().programCode = m_code;
    fillTree();
    QString next = m_selectedFile;
    if (!saved.isEmpty()) {
        const QString savedPath = fsys::resolve(saved);
        if (savedPath.startsWith(m_listFolder, Qt::CaseInsensitive))
            next = savedPath.mid(m_listFolder.size());
    }
    m_selectedFile = next;
    QTreeWidgetItem* node = folderNode(fsys::folderOf(next));
    if (!node)
        node = TV_ordner->topLevelItem(0);
    selectFolderNode(node);
    // The editor worked on the loaded list: what is shown and played is read from the file again,
    // so an edit that was not saved never reaches the child.
    if (listFolder())
        onFileChanged();
    else
        setStartEnabled(false);
}

void TFormListenreader::printCatalogue()
{
    QPrinter printer(QPrinter::HighResolution);
    if (!printjob::ChoosePrinter(this, printer))
        return;
    QString heading = m_listFolder;
    const QString listen = g().config.dirs.listen;
    if (!listen.isEmpty() && heading.startsWith(listen, Qt::CaseInsensitive))
        heading = heading.mid(listen.size());
    printer.setDocName(m_title.trimmed());
    if (!chooser::PrintListCatalogue(printer, m_listFolder, heading))
        dialogs::error(this, printjob::FailureText());
}

void TFormListenreader::toggleDetails()
{
    m_detailsOn = !m_detailsOn;
    B_details->setText(m_detailsOn ? QStringLiteral("Details aus") : QStringLiteral("Details ein"));
    P_vorschau->setVisible(m_detailsOn);
    if (m_detailsOn)
        showPreview(TC_aufgaben->currentIndex());
}

bool TFormListenreader::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == TC_aufgaben && event->type() == QEvent::MouseButtonPress) {
        // Only a click on the tab that is selected already starts; any other click selects it, so
        // the previews can be looked through with the mouse.
        auto* me = static_cast<QMouseEvent*>(event);
        m_tabClickStarts = me->button() == Qt::LeftButton && TC_aufgaben->hasFocus() &&
                           TC_aufgaben->tabAt(me->position().toPoint()) == TC_aufgaben->currentIndex();
        return false;
    }
    if (watched == TC_aufgaben && event->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        const bool starts = std::exchange(m_tabClickStarts, false);
        if (me->button() == Qt::LeftButton && starts && TC_aufgaben->hasFocus() &&
            TC_aufgaben->tabAt(me->position().toPoint()) == TC_aufgaben->currentIndex()) {
            chooser::startPosition() = TC_aufgaben->currentIndex();
            start();
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::KeyPress && m_opened && isVisible()) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this && !QApplication::activePopupWidget() &&
            (!QApplication::activeModalWidget() || QApplication::activeModalWidget() == this))
            return handleKey(static_cast<QKeyEvent*>(event));
    }
    return QDialog::eventFilter(watched, event);
}

bool TFormListenreader::handleKey(QKeyEvent* key)
{
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (CB_merken && CB_merken->hasFocus())
            return false;
        start();
        return true;
    case Qt::Key_Escape:
        back();
        return true;
    case Qt::Key_Left:
        TV_ordner->setFocus();
        return true;
    case Qt::Key_Up:
        moveInList(-1);
        return true;
    case Qt::Key_Down:
        moveInList(1);
        return true;
    default:
        break;
    }
    const QString text = key->text();
    if (text.isEmpty() || !text.at(0).isPrint() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    LV_dateien->setFocus();
    typeAhead(text);
    return true;
}

void TFormListenreader::moveInList(int step)
{
    LV_dateien->setFocus();
    const int n = LV_dateien->count();
    if (n == 0) {
        Beep();
        return;
    }
    const int row = LV_dateien->currentRow();
    const int next = row + step;
    if (row >= 0 && (next < 0 || next >= n)) {
        Beep();
        return;
    }
    LV_dateien->setCurrentRow(qBound(0, next, n - 1));
}

void TFormListenreader::typeAhead(const QString& text)
{
    if (m_typed.isEmpty()) {
        m_typed = text.left(1);
        return;
    }
    const QString prefix = m_typed + text.left(1);
    m_typed.clear();
    for (int i = 0; i < LV_dateien->count(); ++i) {
        if (LV_dateien->item(i)->text().startsWith(prefix, Qt::CaseInsensitive)) {
            LV_dateien->setCurrentRow(i);
            LV_dateien->scrollToItem(LV_dateien->item(i));
            return;
        }
    }
}
