#include "results/Verlauf.h"

#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileProblems.h"
#include "core/FileSystem.h"
#include "results/Drucken.h"

#include <QAbstractTableModel>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QStyle>
#include <QDateTimeAxis>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <map>

using history::HistoryRun;

// The runs shown, newest first; a model keeps ten thousand runs cheap to show.
class HistoryTableModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRuns(const std::vector<HistoryRun>* runs)
    {
        beginResetModel();
        m_runs = runs;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || !m_runs ? 0 : int(m_runs->size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 7; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!m_runs || !index.isValid())
            return {};
        const HistoryRun& r = (*m_runs)[m_runs->size() - 1 - size_t(index.row())];
        if (role == Qt::TextAlignmentRole)
            return index.column() >= 3 ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
        if (role != Qt::DisplayRole)
            return {};
        switch (index.column()) {
        case 0: return r.start.toString(QStringLiteral("dd.MM.yyyy"));
        case 1: return r.start.toString(QStringLiteral("HH:mm"));
        case 2: return r.listFile;
        case 3: return r.counted;
        case 4: return r.firstTry;
        case 5: return r.counted > 0 ? QString::number(qRound(r.firstTryPercent())) + QStringLiteral(" %") : QString();
        case 6: {
            const qint64 s = r.workSeconds;
            return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
        }
        default: return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QAbstractTableModel::headerData(section, orientation, role);
        static const char* const titles[] = {"Datum", "Start", "Liste", "Aufgaben", "Beim ersten Versuch gelöst",
                                             "Anteil", "Arbeitszeit"};
        return section >= 0 && section < 7 ? QString::fromUtf8(titles[section]) : QVariant();
    }

private:
    const std::vector<HistoryRun>* m_runs = nullptr;
};

namespace {

constexpr int kMarkedPoints = 200;  // lines of more runs are drawn without markers

const char* const kSpanNames[] = {"letzte 4 Wochen", "letzte 3 Monate", "letztes halbe Jahr", "letztes Jahr",
                                  "alle Einträge"};

QDateTime spanStart(TFormVerlauf::Span span, const QDateTime& now)
{
    switch (span) {
    case TFormVerlauf::Span::Weeks4: return now.addDays(-28);
    case TFormVerlauf::Span::Months3: return now.addMonths(-3);
    case TFormVerlauf::Span::Months6: return now.addMonths(-6);
    case TFormVerlauf::Span::Year1: return now.addYears(-1);
    case TFormVerlauf::Span::Alles: break;
    }
    return {};
}

// A chart with its line and axes; the line is handed back through `series`.
QChart* makeChart(QLineSeries*& series)
{
    auto* chart = new QChart;
    chart->legend()->hide();
    series = new QLineSeries;
    series->setPointsVisible(true);
    QPen pen(QColor(0, 50, 149));
    pen.setWidth(3);
    series->setPen(pen);
    chart->addSeries(series);
    auto* x = new QDateTimeAxis;
    x->setFormat(QStringLiteral("dd.MM.yy"));
    x->setTitleText(QStringLiteral("Datum"));
    auto* y = new QValueAxis;
    y->setRange(0, 100);
    y->setLabelFormat(QStringLiteral("%d %%"));
    y->setTickCount(6);
    y->setTitleText(QStringLiteral("beim ersten Versuch gelöst"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    return chart;
}

// Puts the shown runs into a chart made by makeChart.
void fillChart(QChart* chart, QLineSeries* series, const std::vector<HistoryRun>& runs, const QString& program)
{
    QList<QPointF> points;
    points.reserve(qsizetype(runs.size()));
    for (const HistoryRun& r : runs)
        if (r.counted > 0)
            points << QPointF(qreal(r.start.toMSecsSinceEpoch()), r.firstTryPercent());
    series->replace(points);
    // Beyond a few hundred runs the markers only blot the line (and cost most of the drawing).
    series->setPointsVisible(points.size() <= kMarkedPoints);
    chart->setTitle(program.isEmpty() ? QString() : program + QStringLiteral(": beim ersten Versuch gelöst"));
    if (auto* x = qobject_cast<QDateTimeAxis*>(chart->axes(Qt::Horizontal).value(0))) {
        QDateTime first = runs.empty() ? clock_::now().addDays(-7) : runs.front().start;
        QDateTime last = runs.empty() ? clock_::now() : runs.back().start;
        // Room around the first and last point, so neither sits on the frame.
        const qint64 pad = std::max<qint64>(12 * 3600, first.secsTo(last) / 40);
        first = first.addSecs(-pad);
        last = last.addSecs(pad);
        x->setRange(first, last);
        x->setTickCount(std::clamp(int(runs.size()), 2, 8));
    }
}

} // namespace

TFormVerlauf::TFormVerlauf(const QString& historyPath, const QString& player, QWidget* parent)
    : QDialog(parent), m_path(historyPath), m_player(player)
{
    setObjectName(QStringLiteral("FormVerlauf"));
    setWindowTitle(QStringLiteral("Verlauf von ") + player);
    setModal(true);

    CB_programm = new QComboBox(this);
    CB_programm->setObjectName(QStringLiteral("CB_programm"));
    CB_zeitraum = new QComboBox(this);
    CB_zeitraum->setObjectName(QStringLiteral("CB_zeitraum"));
    for (const char* name : kSpanNames)
        CB_zeitraum->addItem(QString::fromUtf8(name));

    QChart* chart = makeChart(m_series);
    chartView = new QChartView(chart, this);
    chartView->setObjectName(QStringLiteral("chartView"));
    chartView->setRenderHint(QPainter::Antialiasing);
    chartView->setMinimumHeight(260);

    m_model = new HistoryTableModel(this);
    table = new QTableView(this);
    table->setObjectName(QStringLiteral("table"));
    table->setModel(m_model);
    table->verticalHeader()->hide();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    // One line per run; a long list path keeps its end, where the list's own name is.
    table->setWordWrap(false);
    table->setTextElideMode(Qt::ElideLeft);
    // Every column but the list's holds figures of a known widest form: measuring those texts once
    // costs nothing, measuring the rows of ten thousand runs costs more than reading them.
    {
        QHeaderView* header = table->horizontalHeader();
        const QFontMetrics cell(table->font()), head(header->font());
        static const char* const widest[] = {"00.00.0000", "00:00", "", "0000", "0000", "100 %", "0000:00"};
        const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1) + 8;
        for (int c = 0; c < 7; ++c) {
            if (c == 2)
                continue;
            const int text = std::max(cell.horizontalAdvance(QString::fromLatin1(widest[c])),
                                      head.horizontalAdvance(m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()));
            header->setSectionResizeMode(c, QHeaderView::Fixed);
            header->resizeSection(c, text + margin + 12);
        }
        header->setSectionResizeMode(2, QHeaderView::Stretch);
    }
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    L_hinweis = new QLabel(this);
    L_hinweis->setObjectName(QStringLiteral("L_hinweis"));
    L_hinweis->setWordWrap(true);
    SB_drucken = new QPushButton(QStringLiteral("Diagramm drucken"), this);
    SB_drucken->setObjectName(QStringLiteral("SB_drucken"));
    SB_exportieren = new QPushButton(QStringLiteral("Verlauf exportieren"), this);
    SB_exportieren->setObjectName(QStringLiteral("SB_exportieren"));
    SB_schliessen = new QPushButton(QStringLiteral("Schließen"), this);
    SB_schliessen->setObjectName(QStringLiteral("SB_schliessen"));

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Programm:"), this));
    top->addWidget(CB_programm, 1);
    top->addSpacing(12);
    top->addWidget(new QLabel(QStringLiteral("Zeitraum:"), this));
    top->addWidget(CB_zeitraum);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(L_hinweis, 1);
    bottom->addWidget(SB_drucken);
    bottom->addWidget(SB_exportieren);
    bottom->addWidget(SB_schliessen);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(chartView, 3);
    layout->addWidget(table, 2);
    layout->addLayout(bottom);

    m_file = history::ReadHistory(m_path);
    // Programs by code, each named as its newest run names it.
    std::map<int, QString> programs;
    for (const HistoryRun& r : m_file.runs)
        programs[r.programCode] = r.programName;
    for (const auto& [code, name] : programs)
        CB_programm->addItem(QString::number(code / 100) + QLatin1Char('.') + QString::number(code % 100) +
                                 QStringLiteral(". ") + name,
                             code);
    QStringList notes;
    if (m_file.unreadable)
        notes << QStringLiteral("Die Verlaufsdatei kann nicht gelesen werden.");
    else if (m_file.runs.empty())
        notes << QStringLiteral("Noch keine Einträge im Verlauf.");
    if (m_file.brokenLines > 0)
        notes << QString::number(m_file.brokenLines) +
                     (m_file.brokenLines == 1 ? QStringLiteral(" Zeile der Verlaufsdatei ist nicht lesbar und wird übergangen.")
                                              : QStringLiteral(" Zeilen der Verlaufsdatei sind nicht lesbar und werden übergangen."));
    L_hinweis->setText(notes.join(QLatin1Char(' ')));
    SB_drucken->setEnabled(!m_file.runs.empty());
    SB_exportieren->setEnabled(!m_file.runs.empty());

    // The program of the newest run first: the one the adult most likely asks about.
    if (!m_file.runs.empty())
        CB_programm->setCurrentIndex(CB_programm->findData(m_file.runs.back().programCode));
    CB_zeitraum->setCurrentIndex(int(Span::Alles));
    connect(CB_programm, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
    connect(CB_zeitraum, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
    connect(SB_drucken, &QAbstractButton::clicked, this, &TFormVerlauf::printChart);
    connect(SB_exportieren, &QAbstractButton::clicked, this, &TFormVerlauf::exportHistory);
    connect(SB_schliessen, &QAbstractButton::clicked, this, &QDialog::accept);

    if (parent)
        resize(parent->window()->size() * 0.9);
    else
        resize(900, 650);
    rebuild();
}

// The table's children are hidden after the runs they show are gone; they must find no runs then.
TFormVerlauf::~TFormVerlauf()
{
    m_model->setRuns(nullptr);
}

void TFormVerlauf::choose(int programCode, Span span)
{
    const QSignalBlocker b1(CB_programm), b2(CB_zeitraum);
    CB_programm->setCurrentIndex(CB_programm->findData(programCode));
    CB_zeitraum->setCurrentIndex(int(span));
    rebuild();
}

void TFormVerlauf::rebuild()
{
    const int code = CB_programm->currentData().toInt();
    const QDateTime from = spanStart(Span(std::max(0, CB_zeitraum->currentIndex())), clock_::now());
    m_shown.clear();
    for (const HistoryRun& r : m_file.runs)
        if (r.programCode == code && (!from.isValid() || r.start >= from))
            m_shown.push_back(r);
    std::stable_sort(m_shown.begin(), m_shown.end(),
                     [](const HistoryRun& a, const HistoryRun& b) { return a.start < b.start; });

    fillChart(chartView->chart(), m_series, m_shown, CB_programm->currentText());
    // A dense line looks the same without smoothing, which cost a third of the first drawing.
    chartView->setRenderHint(QPainter::Antialiasing, m_series->count() <= kMarkedPoints);
    m_model->setRuns(&m_shown);
}

void TFormVerlauf::drawPage(QPainter& painter, const QRect& page) const
{
    QFont heading = painter.font();
    heading.setPointSize(14);
    heading.setBold(true);
    painter.setFont(heading);
    const int line = painter.fontMetrics().height();
    painter.drawText(QRect(page.left(), page.top(), page.width(), line), Qt::AlignLeft,
                     QStringLiteral("Verlauf von ") + m_player);
    QFont body = heading;
    body.setPointSize(10);
    body.setBold(false);
    painter.setFont(body);
    const int small = painter.fontMetrics().height();
    const QString sub = CB_programm->currentText() + QStringLiteral(" - ") + CB_zeitraum->currentText() +
                        QStringLiteral(" - ") + QString::number(m_shown.size()) + QStringLiteral(" Durchgänge");
    painter.drawText(QRect(page.left(), page.top() + line + small / 2, page.width(), small), Qt::AlignLeft, sub);
    const int top = page.top() + line + 2 * small;
    const QRect target(page.left(), top, page.width(), std::min(page.bottom() - top, page.width() * 2 / 3));
    // A chart of its own at a size of the page's proportions, so its text keeps a readable size on
    // paper; the scene draws as vectors, sharp at the printer's resolution.
    QGraphicsScene scene;
    QLineSeries* series = nullptr;
    QChart* chart = makeChart(series);
    scene.addItem(chart);
    chart->setGeometry(QRectF(0, 0, 1000, 1000.0 * target.height() / std::max(1, target.width())));
    fillChart(chart, series, m_shown, QString());  // the page's heading names the program
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, QRectF(target), chart->geometry(), Qt::KeepAspectRatio);
}

void TFormVerlauf::printChart()
{
    if (m_file.runs.empty())
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Verlauf"));
    printer.setPageOrientation(QPageLayout::Landscape);
    if (!printjob::ChoosePrinter(this, printer))
        return;
    printjob::PreviewAndPrint(this, printer, [this](QPagedPaintDevice& device) {
        QPainter painter;
        if (!painter.begin(&device))
            return false;
        const int margin = device.width() / 25;
        drawPage(painter, QRect(margin, margin, device.width() - 2 * margin, device.height() - 2 * margin));
        return painter.end();
    });
}

void TFormVerlauf::exportHistory()
{
    if (m_file.runs.empty()) {
        dialogs::current().message(this, dialogs::Icon::Information, QString(),
                                   QStringLiteral("Noch keine Einträge im Verlauf."), {dialogs::Button::Ok});
        return;
    }
    const QString suggested = fsys::withSlash(fsys::folderOf(m_path)) + m_player + QStringLiteral("-Verlauf.csv");
    QString target = dialogs::current().saveFile(this, QStringLiteral("Verlauf exportieren"), suggested,
                                                 QStringLiteral("CSV-Dateien (*.csv)"));
    if (target.isEmpty())
        return;
    if (!target.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        target += QStringLiteral(".csv");
    errno = 0;
    if (!history::WriteHistory(target, m_file.runs))
        fileproblems::reportNotSaved(this, target, errno ? errno : EIO);
}
