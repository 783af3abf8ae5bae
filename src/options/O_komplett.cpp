#include "options/O_komplett.h"
#include "options/O_alle.h"
#include "options/Options.h"

#include "core/FileProblems.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/MessageHook.h"
#include "data/PlayerOptions.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace options {

namespace {

const int kFlagCodes[6] = {303, 401, 402, 403, 405, 406};

struct Node {
    const char* caption;
    std::vector<const char*> children;
};

const std::vector<Node>& tree()
{
    static const std::vector<Node> nodes = {
        {"0. Allgemein", {}},
        {"1. Merkfähigkeit", {"1. Merkfähigkeit - Bild", "2. Merkfähigkeit - Text"}},
        {"2. Wortreihen",
         {"1. Doppelgänger - Bild", "2. Doppelgänger - Text", "3. Einer passt nicht - Bild", "4. Einer passt nicht - Text"}},
        {"3. Differenzierung",
         {"1. Gleich/nicht gleich?", "2. Richtig oder falsch?", "3. Welcher Laut passt?", "4. Lang oder kurz?", "5. Memory"}},
        {"4. Laut-/Silben-Analyse",
         {"1. Laute positionieren", "2. Laute suchen", "3. Laute hinzufügen", "4. Laute weglassen", "5. Laute ersetzen",
          "6. Silbenanzahl", "7. Laut-/Silbenmemory", "8. Paare suchen"}},
    };
    return nodes;
}

} // namespace

QString TF_O_komplett::headingFor(int n)
{
    switch (n) {
    case 0: return QStringLiteral(" 0. Allgemeine Optionen für ");
    case 10: return QStringLiteral(" 1.1. Optionen 'Merkfähigkeit - Bild' für ");
    case 11: return QStringLiteral(" 1.2. Optionen 'Merkfähigkeit - Text' für ");
    case 20: return QStringLiteral(" 2.1. Optionen 'Doppelgänger - Bild' für ");
    case 21: return QStringLiteral(" 2.2. Optionen 'Doppelgänger - Text' für ");
    case 22: return QStringLiteral(" 2.3. Optionen 'Einer passt nicht - Bild' für ");
    case 23: return QStringLiteral(" 2.4. Optionen 'Einer passt nicht - Text' für ");
    case 30: return QStringLiteral(" 3.1. Optionen 'Gleich oder nicht gleich' für ");
    case 31: return QStringLiteral(" 3.2. Optionen 'Richtig oder Falsch' für ");
    case 32: return QStringLiteral(" 3.3. Optionen 'Welcher Laut passt?' für ");
    case 33: return QStringLiteral(" 3.4. Optionen 'Lang oder kurz?' für ");
    case 34: return QStringLiteral(" 3.5. Optionen 'Memory' für ");
    case 40: return QStringLiteral(" 4.1. Optionen 'Laute positionieren' für ");
    case 41: return QStringLiteral(" 4.2. Optionen 'Laute suchen' für ");
    case 42: return QStringLiteral(" 4.3. Optionen 'Laute hinzufügen' für ");
    case 43: return QStringLiteral(" 4.4. Optionen 'Laute weglassen' für ");
    case 44: return QStringLiteral(" 4.5. Optionen 'Laute ersetzen' für ");
    case 45: return QStringLiteral(" 4.6. Optionen 'Silbenanzahl' für ");
    case 46: return QStringLiteral(" 4.7. Optionen 'Laut-/Silbenmemory' für ");
    case 47: return QStringLiteral(" 4.8. Optionen 'Paare suchen' für ");
    default: return QString();
    }
}

int TF_O_komplett::programCodeFor(int n)
{
    if (n == 0)
        return 0;
    const int group = n / 10, index = n % 10;
    if (group < 1 || group >= int(tree().size()) || index >= int(tree()[size_t(group)].children.size()))
        return -1;
    return group * 100 + index + 1;  // 305 Memory, 407 Laut-/Silbenmemory, 408 Paare suchen
}

int TF_O_komplett::pageNumberOf(const QTreeWidgetItem* item)
{
    if (!item || !item->treeWidget())
        return -1;
    auto* node = const_cast<QTreeWidgetItem*>(item);
    if (QTreeWidgetItem* parent = node->parent())
        return parent->indexOfChild(node) + 10 * node->treeWidget()->indexOfTopLevelItem(parent);
    return node->treeWidget()->indexOfTopLevelItem(node);
}

TF_O_komplett::TF_O_komplett(QWidget* parent) : QDialog(parent), m_player(g().currentPlayer())
{
    setObjectName(QStringLiteral("TF_O_komplett"));
    setWindowTitle(QStringLiteral("Alle Optionen für ") + m_player);

    // Cancel puts back what memory held as well: the page of a run-wide random order changes it.
    m_savedOptions = g().playerOptions;
    for (int i = 0; i < 6; ++i)
        m_savedFlags[i] = *runRandomOrderFlag(kFlagCodes[i]);
    m_savedHearAll = hearAllAlternativesFirst();
    m_savedProgramCode = g().programCode;

    TV_optionen = new QTreeWidget(this);
    TV_optionen->setObjectName(QStringLiteral("TV_optionen"));
    TV_optionen->setHeaderHidden(true);
    TV_optionen->setColumnCount(1);
    TV_optionen->setRootIsDecorated(true);
    TV_optionen->setStyleSheet(QStringLiteral(
        "QTreeView::item:selected, QTreeView::item:selected:!active { background: rgb(170, 213, 255); color: black; }"));
    for (const Node& n : tree()) {
        auto* top = new QTreeWidgetItem(TV_optionen, {QString::fromUtf8(n.caption)});
        for (const char* c : n.children)
            new QTreeWidgetItem(top, {QString::fromUtf8(c)});
    }
    TV_optionen->expandAll();
    int widest = 0;
    for (QTreeWidgetItemIterator it(TV_optionen); *it; ++it)
        widest = std::max(widest, TV_optionen->fontMetrics().horizontalAdvance((*it)->text(0))
                                      + ((*it)->parent() ? 2 : 1) * TV_optionen->indentation());
    TV_optionen->setFixedWidth(widest + 30);

    L_ueberschrift = new QLabel(this);
    L_ueberschrift->setObjectName(QStringLiteral("L_ueberschrift"));
    QFont heading(QStringLiteral("Arial"));
    heading.setPixelSize(22);
    heading.setBold(true);
    L_ueberschrift->setFont(heading);
    L_ueberschrift->setAutoFillBackground(true);
    QPalette cream = L_ueberschrift->palette();
    cream.setColor(QPalette::Window, QColor(255, 251, 240));
    cream.setColor(QPalette::WindowText, Qt::black);
    L_ueberschrift->setPalette(cream);
    L_ueberschrift->setMinimumHeight(QFontMetrics(heading).height() + 10);

    P_optionen = new QStackedWidget(this);
    P_optionen->setObjectName(QStringLiteral("P_optionen"));
    P_optionen->addWidget(new QWidget(P_optionen));  // nothing shown before the first node
    // One page per node, made now and released with the dialog.
    for (size_t gi = 0; gi < tree().size(); ++gi) {
        const size_t count = tree()[gi].children.empty() ? 1 : tree()[gi].children.size();
        for (size_t ci = 0; ci < count; ++ci) {
            const int number = tree()[gi].children.empty() ? int(gi) : int(gi * 10 + ci);
            auto* p = new TF_O_alle(programCodeFor(number), TF_O_alle::Mode::Embedded, P_optionen);
            p->setContentsMargins(8, 8, 8, 8);
            P_optionen->addWidget(p);
            m_pages[number] = p;
        }
    }
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(P_optionen);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);

    BB_ok = new QPushButton(QStringLiteral("OK - Optionen speichern"), this);
    BB_ok->setObjectName(QStringLiteral("BB_ok"));
    BB_abbrechen = new QPushButton(QStringLiteral("Abbrechen - ohne speichern"), this);
    BB_abbrechen->setObjectName(QStringLiteral("BB_abbrechen"));
    BB_standard = new QPushButton(QStringLiteral("Standard"), this);
    BB_standard->setObjectName(QStringLiteral("BB_standard"));
    BB_standard->hide();
    auto* bar = new QHBoxLayout;
    for (QPushButton* b : {BB_ok, BB_abbrechen, BB_standard}) {
        b->setAutoDefault(false);  // Enter belongs to the tree and the fields
        b->setMinimumHeight(34);
        bar->addWidget(b);
    }
    connect(BB_ok, &QPushButton::clicked, this, &TF_O_komplett::onOk);
    connect(BB_abbrechen, &QPushButton::clicked, this, &QDialog::reject);
    connect(BB_standard, &QPushButton::clicked, this, &TF_O_komplett::onStandard);

    auto* right = new QVBoxLayout;
    right->addWidget(L_ueberschrift);
    right->addWidget(scroll, 1);
    auto* body = new QHBoxLayout;
    body->addWidget(TV_optionen);
    body->addLayout(right, 1);
    auto* top = new QVBoxLayout(this);
    top->addLayout(body, 1);
    top->addLayout(bar);

    connect(TV_optionen, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { onNodeChanged(current); });
}

TF_O_komplett::~TF_O_komplett()
{
    // Destroyed while open: as cancelled.
    finish(false);
}

TF_O_alle* TF_O_komplett::page(int n) const
{
    const auto it = m_pages.find(n);
    return it == m_pages.end() ? nullptr : it->second;
}

QString TF_O_komplett::backupFile() const { return playerOptionsFile(QStringLiteral("~") + m_player); }

void TF_O_komplett::selectPage(int n)
{
    for (int t = 0; t < TV_optionen->topLevelItemCount(); ++t) {
        QTreeWidgetItem* top = TV_optionen->topLevelItem(t);
        if (t == n && top->childCount() == 0) {
            TV_optionen->setCurrentItem(top);
            return;
        }
        for (int c = 0; c < top->childCount(); ++c)
            if (t * 10 + c == n) {
                TV_optionen->setCurrentItem(top->child(c));
                return;
            }
    }
}

void TF_O_komplett::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!m_opened)
        openOnce();
}

void TF_O_komplett::openOnce()
{
    m_opened = true;
    if (!m_player.isEmpty()) {
        ReadPlayerOptions(m_player, 0);
        const QString file = playerOptionsFile(m_player);
        fsys::ReadResult read;
        m_fileBytes = fsys::readFile(file, -1, &read);
        m_fileMissing = read == fsys::ReadResult::Missing;
        if (m_fileBytes)
            fsys::copyFile(file, backupFile(), true);
    }
    TV_optionen->expandAll();
    TV_optionen->setCurrentItem(TV_optionen->topLevelItem(0));
    TV_optionen->setFocus();
}

void TF_O_komplett::onNodeChanged(QTreeWidgetItem* current)
{
    if (!current || m_closed)
        return;
    if (m_shown) {
        TF_O_alle* leaving = m_shown;
        m_shown = nullptr;
        m_pageNumber = -1;
        leaving->saveIfChanged();
        P_optionen->setCurrentIndex(0);
    }
    // A group is no page: its first child stands for it.
    if (!current->parent() && current->childCount() > 0) {
        TV_optionen->setCurrentItem(current->child(0));
        return;
    }
    const int n = pageNumberOf(current);
    TF_O_alle* p = page(n);
    if (!p)
        return;
    const int code = programCodeFor(n);
    L_ueberschrift->setText(headingFor(n) + m_player);
    g().programCode = code;
    ReadPlayerOptions(m_player, code);
    p->LoadControls();
    P_optionen->setCurrentWidget(p);
    m_shown = p;
    m_pageNumber = n;
}

void TF_O_komplett::onOk()
{
    if (m_shown) {
        TF_O_alle* p = m_shown;
        m_shown = nullptr;
        p->saveIfChanged();
        P_optionen->setCurrentIndex(0);
    }
    accept();
}

void TF_O_komplett::onStandard()
{
    const QString standard = fsys::withSlash(g().config.dirs.optionen) + QStringLiteral("Options-Standard.txt");
    if (m_player.isEmpty() || !fsys::fileExists(standard))
        return;
    if (!fsys::copyFile(standard, playerOptionsFile(m_player), true)) {
        fileproblems::reportUnwritable(this, playerOptionsFile(m_player));
        return;
    }
    if (m_shown) {
        ReadPlayerOptions(m_player, m_shown->programCode());
        m_shown->LoadControls();
    }
}

void TF_O_komplett::restoreOnCancel()
{
    const QString file = playerOptionsFile(m_player);
    if (m_fileBytes) {
        if (!fsys::writeFileAtomic(file, *m_fileBytes))
            fileproblems::reportUnwritable(this, file);
    } else if (m_fileMissing) {
        fsys::removeFile(file);
    }
    g().playerOptions = m_savedOptions;
    for (int i = 0; i < 6; ++i)
        *runRandomOrderFlag(kFlagCodes[i]) = m_savedFlags[i];
    hearAllAlternativesFirst() = m_savedHearAll;
    ReadPlayerOptions(m_player, 0);
}

void TF_O_komplett::finish(bool accepted)
{
    if (m_closed || !m_opened)
        return;
    m_closed = true;
    m_shown = nullptr;
    if (!m_player.isEmpty()) {
        if (!accepted)
            restoreOnCancel();
        fsys::removeFile(backupFile());
    }
    g().programCode = m_savedProgramCode;
}

void TF_O_komplett::done(int r)
{
    finish(r == QDialog::Accepted);
    QDialog::done(r);
}

bool ShowAllOptionsDialog(QWidget* parent, const QPoint& topLeft)
{
    TF_O_komplett dialog(parent);
    QScreen* screen = QGuiApplication::screenAt(topLeft);
    if (!screen)
        screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen->availableGeometry();
    // Room for the largest page beside the tree; on a small monitor the page scrolls.
    const QSize want = dialog.sizeHint().expandedTo(QSize(980, 700)).boundedTo(avail.size());
    dialog.resize(want);
    // At the main window's left edge, but on its monitor as a whole.
    const QPoint at(std::clamp(topLeft.x(), avail.left(), std::max(avail.left(), avail.right() - want.width())),
                    std::clamp(topLeft.y(), avail.top(), std::max(avail.top(), avail.bottom() - want.height())));
    dialog.move(at);
    return dialog.exec() == QDialog::Accepted;
}

bool ShowOptionPage(QWidget* parent, int programCode)
{
    g().programCode = programCode;
    TF_O_alle page(programCode, TF_O_alle::Mode::Alone, parent);
    const messagehook::Suspend suspend;  // the page's own notices and keys while it is open
    return page.exec() == QDialog::Accepted;
}

} // namespace options
