#include "results/Klassenuebersicht.h"

#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileProblems.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "results/Drucken.h"
#include "results/Verlauf.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <cerrno>

using namespace overview;

namespace {
constexpr int kSortRole = Qt::UserRole + 1;
const QColor kGreyText(140, 140, 140);
const QColor kGreyBack(236, 236, 236);
} // namespace

// The rows as the table shows them; sorting and the name filter are a proxy's.
class OverviewTableModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void set(const ClassHistory* history, const std::vector<Column>* columns, const std::vector<Row>* rows)
    {
        beginResetModel();
        m_history = history;
        m_columns = columns;
        m_rows = rows;
        endResetModel();
    }
    const Row* row(int r) const { return m_rows && r >= 0 && r < int(m_rows->size()) ? &(*m_rows)[size_t(r)] : nullptr; }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || !m_rows ? 0 : int(m_rows->size());
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || !m_columns ? 0 : int(m_columns->size()) + TFormKlassenuebersicht::kFirstCellColumn;
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        const Row* r = row(index.row());
        if (!r)
            return {};
        const int c = index.column();
        const PlayerHistory& p = m_history->players[size_t(r->player)];
        switch (role) {
        case Qt::DisplayRole:
            if (c == 0)
                return p.name;
            if (c == 1)
                return r->lastRun.isValid() ? r->lastRun.toString(QStringLiteral("dd.MM.yyyy")) : QString();
            return CellText(r->cells[size_t(c - TFormKlassenuebersicht::kFirstCellColumn)]);
        case kSortRole:
            if (c == 0)
                return p.name.toCaseFolded();
            if (c == 1)
                return r->lastRun.isValid() ? r->lastRun.toMSecsSinceEpoch() : qint64(-1);
            {
                // By the mean share; cells without one below every other, then by the runs.
                const Cell& cell = r->cells[size_t(c - TFormKlassenuebersicht::kFirstCellColumn)];
                return (cell.scored > 0 ? cell.meanPercent : -1.0) + cell.runs * 1e-6;
            }
        case Qt::TextAlignmentRole:
            return c >= 1 ? QVariant(int(Qt::AlignCenter)) : QVariant();
        case Qt::ForegroundRole:
            return r->activeInSpan ? QVariant() : QVariant(kGreyText);
        case Qt::BackgroundRole:
            return r->activeInSpan ? QVariant() : QVariant(kGreyBack);
        case Qt::ToolTipRole:
            if (c >= TFormKlassenuebersicht::kFirstCellColumn) {
                const Cell& cell = r->cells[size_t(c - TFormKlassenuebersicht::kFirstCellColumn)];
                if (cell.runs == 0)
                    return QString();
                QString t = QString::number(cell.runs) + (cell.runs == 1 ? QStringLiteral(" Durchgang") : QStringLiteral(" Durchgänge"));
                if (cell.scored > 0)
                    t += QStringLiteral(", im Mittel ") + GermanDecimal(cell.meanPercent) +
                         QStringLiteral(" % beim ersten Versuch gelöst");
                if (cell.trend != Trend::None)
                    t += QStringLiteral(", Trend: ") + TrendWord(cell.trend);
                return t + QStringLiteral("\nKlick: Verlauf öffnen");
            }
            return {};
        default:
            return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || !m_columns)
            return QAbstractTableModel::headerData(section, orientation, role);
        const int c = section - TFormKlassenuebersicht::kFirstCellColumn;
        if (role == Qt::DisplayRole) {
            if (section == 0)
                return QStringLiteral("Name");
            if (section == 1)
                return QStringLiteral("Zuletzt geübt");
            return c < int(m_columns->size()) ? (*m_columns)[size_t(c)].shortTitle : QString();
        }
        if (role == Qt::ToolTipRole && c >= 0 && c < int(m_columns->size()))
            return (*m_columns)[size_t(c)].title;
        return {};
    }

private:
    const ClassHistory* m_history = nullptr;
    const std::vector<Column>* m_columns = nullptr;
    const std::vector<Row>* m_rows = nullptr;
};

TFormKlassenuebersicht::TFormKlassenuebersicht(const QString& protocolFolder, const QStringList& players, QWidget* parent)
    : QDialog(parent), m_folder(fsys::withSlash(protocolFolder))
{
    setObjectName(QStringLiteral("FormKlassenuebersicht"));
    setWindowTitle(QStringLiteral("Klassenübersicht"));
    setModal(true);
    openHistory = [this](const QString& path, const QString& player, int code) { openVerlauf(path, player, code); };

    CB_zeitraum = new QComboBox(this);
    CB_zeitraum->setObjectName(QStringLiteral("CB_zeitraum"));
    for (Span s : {Span::Days7, Span::Weeks4, Span::HalfYear, Span::All})
        CB_zeitraum->addItem(SpanName(s), int(s));
    CB_spalten = new QComboBox(this);
    CB_spalten->setObjectName(QStringLiteral("CB_spalten"));
    CB_spalten->addItem(QStringLiteral("Programmgruppen"), int(Columns::Groups));
    CB_spalten->addItem(QStringLiteral("einzelne Programme"), int(Columns::Programs));
    E_filter = new QLineEdit(this);
    E_filter->setObjectName(QStringLiteral("E_filter"));
    E_filter->setPlaceholderText(QStringLiteral("Name"));
    E_filter->setClearButtonEnabled(true);

    m_model = new OverviewTableModel(this);
    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(m_model);
    m_proxy->setSortRole(kSortRole);
    m_proxy->setFilterKeyColumn(0);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    table = new QTableView(this);
    table->setObjectName(QStringLiteral("table"));
    table->setModel(m_proxy);
    table->setSortingEnabled(true);
    table->setWordWrap(false);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->horizontalHeader()->setHighlightSections(false);

    L_hinweis = new QLabel(this);
    L_hinweis->setObjectName(QStringLiteral("L_hinweis"));
    L_hinweis->setWordWrap(true);
    SB_drucken = new QPushButton(QStringLiteral("&Drucken..."), this);
    SB_drucken->setObjectName(QStringLiteral("SB_drucken"));
    SB_exportieren = new QPushButton(QStringLiteral("Als &CSV exportieren..."), this);
    SB_exportieren->setObjectName(QStringLiteral("SB_exportieren"));
    SB_schliessen = new QPushButton(QStringLiteral("Schließen"), this);
    SB_schliessen->setObjectName(QStringLiteral("SB_schliessen"));

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Zeitraum:"), this));
    top->addWidget(CB_zeitraum);
    top->addSpacing(12);
    top->addWidget(new QLabel(QStringLiteral("Spalten:"), this));
    top->addWidget(CB_spalten);
    top->addSpacing(12);
    top->addWidget(new QLabel(QStringLiteral("Name:"), this));
    top->addWidget(E_filter, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(SB_drucken);
    bottom->addWidget(SB_exportieren);
    bottom->addWidget(SB_schliessen);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(table, 1);
    layout->addWidget(L_hinweis);
    layout->addLayout(bottom);

    m_history = ReadClassHistory(m_folder, players);
    QStringList notes;
    for (const QString& file : m_history.unreadableFiles)
        notes << QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden.").arg(QDir::toNativeSeparators(file));
    if (m_history.brokenLines > 0)
        notes << QString::number(m_history.brokenLines) +
                     (m_history.brokenLines == 1
                          ? QStringLiteral(" Zeile der Verlaufsdateien ist nicht lesbar und wurde übergangen.")
                          : QStringLiteral(" Zeilen der Verlaufsdateien sind nicht lesbar und wurden übergangen."));
    if (m_history.players.empty())
        notes << QStringLiteral("Es gibt noch keine Spieler.");
    L_hinweis->setText(notes.join(QLatin1Char('\n')));
    L_hinweis->setVisible(!notes.isEmpty());

    CB_zeitraum->setCurrentIndex(int(Span::Weeks4));
    connect(CB_zeitraum, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
    connect(CB_spalten, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
    connect(E_filter, &QLineEdit::textChanged, m_proxy, &QSortFilterProxyModel::setFilterFixedString);
    connect(table, &QAbstractItemView::clicked, this, &TFormKlassenuebersicht::openCell);
    connect(SB_drucken, &QAbstractButton::clicked, this, &TFormKlassenuebersicht::printOverview);
    connect(SB_exportieren, &QAbstractButton::clicked, this, &TFormKlassenuebersicht::exportCsv);
    connect(SB_schliessen, &QAbstractButton::clicked, this, &QDialog::accept);

    if (parent)
        resize(parent->window()->size() * 0.9);
    else
        resize(1000, 700);
    table->sortByColumn(0, Qt::AscendingOrder);
    rebuild();
}

TFormKlassenuebersicht::~TFormKlassenuebersicht() { m_model->set(nullptr, nullptr, nullptr); }

void TFormKlassenuebersicht::choose(Span span, Columns columns)
{
    const QSignalBlocker b1(CB_zeitraum), b2(CB_spalten);
    CB_zeitraum->setCurrentIndex(CB_zeitraum->findData(int(span)));
    CB_spalten->setCurrentIndex(CB_spalten->findData(int(columns)));
    rebuild();
}

void TFormKlassenuebersicht::rebuild()
{
    m_span = Span(CB_zeitraum->currentData().toInt());
    const Columns kind = Columns(CB_spalten->currentData().toInt());
    m_columns = MakeColumns(kind);
    m_rows = MakeRows(m_history, m_columns, m_span, clock_::now());
    m_model->set(&m_history, &m_columns, &m_rows);

    // Widths from the widest text a column can hold: measuring a thousand rows costs more than
    // reading them.
    QHeaderView* header = table->horizontalHeader();
    const QFontMetrics cell(table->font()), head(header->font());
    const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1) + 16;
    int nameWidth = head.horizontalAdvance(QStringLiteral("Name"));
    for (const PlayerHistory& p : m_history.players)
        nameWidth = std::max(nameWidth, cell.horizontalAdvance(p.name));
    header->resizeSection(0, std::min(nameWidth + margin, 260));
    header->resizeSection(1, std::max(cell.horizontalAdvance(QStringLiteral("00.00.0000")),
                                      head.horizontalAdvance(QStringLiteral("Zuletzt geübt"))) + margin);
    const int cellWidth = cell.horizontalAdvance(QStringLiteral("000") + QChar(0x00d7) + QStringLiteral(" 100 % ") + QChar(0x2193));
    for (size_t c = 0; c < m_columns.size(); ++c) {
        const int section = int(c) + kFirstCellColumn;
        header->resizeSection(section, std::max(cellWidth, head.horizontalAdvance(m_columns[c].shortTitle)) + margin);
        // Four groups share the width; twenty programs keep their width and scroll.
        header->setSectionResizeMode(section, kind == Columns::Groups ? QHeaderView::Stretch : QHeaderView::Interactive);
    }

    bool anyRun = false;
    for (const PlayerHistory& p : m_history.players)
        anyRun = anyRun || !p.runs.empty();
    SB_drucken->setEnabled(!m_rows.empty());
    SB_exportieren->setEnabled(!m_rows.empty());
    table->setToolTip(anyRun ? QString() : QStringLiteral("Noch keine Einträge im Verlauf."));
}

std::vector<const Row*> TFormKlassenuebersicht::shownRows() const
{
    std::vector<const Row*> out;
    out.reserve(size_t(m_proxy->rowCount()));
    for (int r = 0; r < m_proxy->rowCount(); ++r)
        if (const Row* row = m_model->row(m_proxy->mapToSource(m_proxy->index(r, 0)).row()))
            out.push_back(row);
    return out;
}

void TFormKlassenuebersicht::openCell(const QModelIndex& index)
{
    const QModelIndex source = m_proxy->mapToSource(index);
    const Row* row = m_model->row(source.row());
    if (!row)
        return;
    const PlayerHistory& p = m_history.players[size_t(row->player)];
    int code = 0;
    if (source.column() >= kFirstCellColumn) {
        const Cell& cell = row->cells[size_t(source.column() - kFirstCellColumn)];
        if (cell.runs == 0)
            return;  // nothing of that program in the span
        code = cell.newestProgram;
    }
    const QString path = p.path.isEmpty() ? m_folder + p.name + QStringLiteral("-Verlauf.csv") : p.path;
    if (openHistory)
        openHistory(path, p.name, code);
}

void TFormKlassenuebersicht::openVerlauf(const QString& path, const QString& player, int code)
{
    TFormVerlauf view(path, player, this);
    if (code != 0) {
        TFormVerlauf::Span span = TFormVerlauf::Span::Alles;
        if (m_span == Span::Days7 || m_span == Span::Weeks4)
            span = TFormVerlauf::Span::Weeks4;
        else if (m_span == Span::HalfYear)
            span = TFormVerlauf::Span::Months6;
        view.choose(code, span);
    }
    view.exec();
}

bool TFormKlassenuebersicht::printPages(QPagedPaintDevice& device) const
{
    const std::vector<const Row*> rows = shownRows();
    QPainter p;
    if (!p.begin(&device))
        return false;
    const int W = device.width(), H = device.height();
    const int L = W / 25, R = W - W / 25, T = H / 25;
    QFont regular(QStringLiteral("Arial"), 10);
    p.setFont(regular);
    const int footerTop = H - T - 3 * p.fontMetrics().height();
    QFont heading = regular;
    heading.setPointSize(14);
    heading.setBold(true);
    QFont bold = regular;
    bold.setBold(true);

    // Columns: name, last date, then the cells, which share the rest.
    const int nameW = (R - L) * (m_columns.size() > 6 ? 14 : 22) / 100;
    const int dateW = (R - L) * (m_columns.size() > 6 ? 8 : 12) / 100;
    const int cellW = (R - L - nameW - dateW) / std::max<int>(1, int(m_columns.size()));
    // The cells' font shrinks until the widest cell fits its column.
    QFont cellFont = regular;
    const QString widest = QStringLiteral("000") + QChar(0x00d7) + QStringLiteral(" 100 % ") + QChar(0x2193);
    for (qreal pt = 10; pt >= 5; pt -= 0.5) {
        cellFont.setPointSizeF(pt);
        if (QFontMetrics(cellFont, &device).horizontalAdvance(widest) + 40 <= cellW)
            break;
    }
    QFont headFont = cellFont;
    headFont.setBold(true);

    const int pages = std::max<int>(1, int((rows.size() + kRowsPerPage - 1) / kRowsPerPage));
    const QString subtitle = SpanName(m_span) + QStringLiteral(" - Stand: ") + PrintedDate(clock_::now().date()) +
                             QStringLiteral(" - ") + QString::number(rows.size()) + QStringLiteral(" Spieler");
    for (int page = 0; page < pages; ++page) {
        if (page > 0 && !device.newPage()) {
            p.end();
            return false;
        }
        p.setPen(Qt::black);
        p.setFont(heading);
        int y = T;
        p.drawText(QRect(L, y, R - L, p.fontMetrics().height()), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("Klassenübersicht"));
        y += p.fontMetrics().height();
        p.setFont(regular);
        p.drawText(QRect(L, y, R - L, p.fontMetrics().height()), Qt::AlignLeft | Qt::AlignTop, subtitle);
        y += p.fontMetrics().height() * 3 / 2;
        // Program columns carry only their numbers: the names stand above the table.
        if (m_columns.size() > 6) {
            QStringList legend;
            for (const Column& c : m_columns)
                legend << c.title;
            p.setFont(cellFont);
            const QRect box = p.boundingRect(QRect(L, y, R - L, H), Qt::TextWordWrap, legend.join(QStringLiteral("   ")));
            p.drawText(QRect(L, y, R - L, box.height()), Qt::TextWordWrap, legend.join(QStringLiteral("   ")));
            y += box.height() + p.fontMetrics().height() / 2;
        }

        const int headH = QFontMetrics(headFont, &device).height() * 2 + 20;
        const int tableBottom = footerTop - p.fontMetrics().height();
        const int rowH = std::min((tableBottom - y - headH) / kRowsPerPage, QFontMetrics(regular, &device).height() * 2);
        // Header row: titles wrap onto two lines where they must.
        p.setFont(headFont);
        p.drawText(QRect(L + 20, y, nameW - 40, headH), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Name"));
        p.drawText(QRect(L + nameW, y, dateW, headH), Qt::AlignCenter | Qt::TextWordWrap, QStringLiteral("Zuletzt geübt"));
        for (size_t c = 0; c < m_columns.size(); ++c)
            p.drawText(QRect(L + nameW + dateW + int(c) * cellW + 10, y, cellW - 20, headH),
                       Qt::AlignCenter | Qt::TextWordWrap, m_columns[c].shortTitle);
        y += headH;
        p.setPen(QPen(Qt::black, 4));
        p.drawLine(L, y, R, y);
        const size_t first = size_t(page) * kRowsPerPage;
        const size_t last = std::min(rows.size(), first + kRowsPerPage);
        for (size_t i = first; i < last; ++i) {
            const Row& row = *rows[i];
            const QRect band(L, y, R - L, rowH);
            if (!row.activeInSpan)
                p.fillRect(band, kGreyBack);
            p.setPen(row.activeInSpan ? QColor(Qt::black) : kGreyText);
            p.setFont(regular);
            p.drawText(QRect(L + 20, y, nameW - 40, rowH), Qt::AlignLeft | Qt::AlignVCenter,
                       p.fontMetrics().elidedText(m_history.players[size_t(row.player)].name, Qt::ElideRight, nameW - 40));
            p.setFont(cellFont);
            p.drawText(QRect(L + nameW, y, dateW, rowH), Qt::AlignCenter,
                       row.lastRun.isValid() ? PrintedDate(row.lastRun.date()) : QString());
            for (size_t c = 0; c < row.cells.size(); ++c)
                p.drawText(QRect(L + nameW + dateW + int(c) * cellW, y, cellW, rowH), Qt::AlignCenter,
                           CellText(row.cells[c]));
            y += rowH;
            p.setPen(QPen(QColor(170, 170, 170), 2));
            p.drawLine(L, y, R, y);
        }
        // Column rules over the whole table.
        p.setPen(QPen(QColor(170, 170, 170), 2));
        const int tableTop = y - int(last - first) * rowH - headH;
        for (size_t c = 0; c <= m_columns.size(); ++c) {
            const int x = L + nameW + dateW + int(c) * cellW;
            p.drawLine(x, tableTop, x, y);
        }
        p.drawLine(L + nameW, tableTop, L + nameW, y);
        p.setPen(Qt::black);
        p.setFont(regular);
        PrintPageFooter(p, L, footerTop, page + 1, R);
    }
    return p.end();
}

void TFormKlassenuebersicht::printOverview()
{
    if (m_rows.empty())
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Klassenübersicht"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    if (!printjob::ChoosePrinter(this, printer))
        return;
    printer.setPageOrientation(QPageLayout::Landscape);
    printjob::PreviewAndPrint(this, printer, [this](QPagedPaintDevice& device) { return printPages(device); });
}

void TFormKlassenuebersicht::exportCsv()
{
    const std::vector<const Row*> rows = shownRows();
    if (rows.empty())
        return;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !fsys::dirExists(folder))
        folder = QDir::homePath();
    const QString suggested = fsys::withSlash(folder) + QStringLiteral("Klassenübersicht ") +
                              clock_::now().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".csv");
    QString target = dialogs::current().saveFile(this, QStringLiteral("Klassenübersicht exportieren"), suggested,
                                                 QStringLiteral("CSV-Dateien (*.csv)"));
    if (target.isEmpty())
        return;
    if (!target.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        target += QStringLiteral(".csv");
    errno = 0;
    if (!fsys::writeFileAtomic(target, CsvBytes(m_history, m_columns, rows)))
        fileproblems::reportNotSaved(this, target, errno ? errno : EIO);
}

namespace overview {

void ShowClassOverview(QWidget* parent)
{
    TFormKlassenuebersicht form(g().config.dirs.protokoll, g().playerList, parent);
    form.exec();
}

} // namespace overview
