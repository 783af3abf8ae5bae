#include "results/Verlauf.h"

#include "core/Catalogue.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileProblems.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "data/TaskList.h"
#include "results/Drucken.h"

#include <QAbstractTableModel>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScatterSeries>
#include <QStandardPaths>
#include <QStyle>
#include <QTableView>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <functional>
#include <map>

using history::HistoryRun;

namespace {
QString workTime(qint64 s) { return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0')); }
QString shareText(const HistoryRun& r)
{
    return r.counted > 0 ? QString::number(qRound(r.firstTryPercent())) + QStringLiteral(" %") : QString();
}
const char* const kColumnTitles[] = {"Datum", "Start", "Liste", "Aufgaben", "Beim ersten Versuch gelöst", "Anteil",
                                     "Arbeitszeit"};
} // namespace

// The runs shown, newest first; a model keeps ten thousand runs cheap to show. Broken-off runs are
// grey.
class HistoryTableModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRuns(const std::vector<HistoryRun>* runs, std::function<bool(const HistoryRun&)> aborted = {})
    {
        beginResetModel();
        m_runs = runs;
        m_isAborted = std::move(aborted);
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
        if (role == Qt::ForegroundRole)
            return m_isAborted && m_isAborted(r) ? QVariant(QColor(130, 130, 130)) : QVariant();
        if (role == Qt::ToolTipRole)
            return m_isAborted && m_isAborted(r) ? QVariant(QStringLiteral("abgebrochen: weniger als die Hälfte der "
                                                                          "Aufgaben beantwortet"))
                                                 : QVariant();
        if (role != Qt::DisplayRole)
            return {};
        switch (index.column()) {
        case 0: return r.start.toString(QStringLiteral("dd.MM.yyyy"));
        case 1: return r.start.toString(QStringLiteral("HH:mm"));
        case 2: return r.listFile;
        case 3: return r.counted;
        case 4: return r.firstTry;
        case 5: return shareText(r);
        case 6: return workTime(r.workSeconds);
        default: return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QAbstractTableModel::headerData(section, orientation, role);
        return section >= 0 && section < 7 ? QString::fromUtf8(kColumnTitles[section]) : QVariant();
    }

private:
    const std::vector<HistoryRun>* m_runs = nullptr;
    std::function<bool(const HistoryRun&)> m_isAborted;
};

namespace {

constexpr int kMarkedPoints = 200;  // lines of more runs are drawn without markers

const char* const kSpanNames[] = {"letzte 4 Wochen", "letzte 3 Monate", "letztes Halbjahr", "letztes Jahr",
                                  "alle Einträge"};
const QString kAbortedNote = QStringLiteral(
    "Hohle Punkte: abgebrochene Durchgänge (weniger als die Hälfte der Aufgaben beantwortet), nicht mit der Linie "
    "verbunden.");

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

QString programLabel(int code, const QString& name)
{
    return QString::number(code / 100) + QLatin1Char('.') + QString::number(code % 100) + QStringLiteral(". ") + name;
}

QColor lineColour(int i)
{
    static const QColor colours[] = {QColor(0, 50, 149),  QColor(204, 68, 0),   QColor(24, 138, 56),
                                     QColor(150, 40, 160), QColor(190, 140, 0),  QColor(0, 140, 165),
                                     QColor(120, 80, 40),  QColor(90, 90, 90)};
    return colours[i % 8];
}

qreal ms(const QDateTime& t) { return qreal(t.toMSecsSinceEpoch()); }

// The time axis in whole days, weeks or months by the span shown, each label once and centred on
// its day, week or month, so every point stands over the label of its own date.
void setTimeAxis(QCategoryAxis* x, QDate first, QDate last)
{
    for (const QString& label : x->categoriesLabels())
        x->remove(label);
    if (!first.isValid() || !last.isValid() || last < first)
        first = last = clock_::now().date();
    std::vector<std::pair<QString, QDate>> cuts;  // label and first day; the next cut ends it
    QDate end;
    const qint64 days = first.daysTo(last) + 1;
    if (days <= 14) {
        for (QDate d = first; d <= last; d = d.addDays(1))
            cuts.emplace_back(d.toString(QStringLiteral("dd.MM.")), d);
        end = last.addDays(1);
    } else if (days <= 12 * 7) {
        QDate d = first.addDays(1 - first.dayOfWeek());
        for (; d <= last; d = d.addDays(7))
            cuts.emplace_back(QStringLiteral("KW %1").arg(d.weekNumber()), d);
        end = d;
    } else {
        const QLocale german(QLocale::German, QLocale::Germany);
        QDate d(first.year(), first.month(), 1);
        const int months = (last.year() - d.year()) * 12 + last.month() - d.month() + 1;
        const int step = std::max(1, (months + 11) / 12);
        for (; d <= last; d = d.addMonths(step))
            cuts.emplace_back(german.toString(d, QStringLiteral("MMM yyyy")), d);
        end = d;
    }
    x->setStartValue(ms(cuts.front().second.startOfDay()));
    for (size_t i = 0; i < cuts.size(); ++i)
        x->append(cuts[i].first, ms((i + 1 < cuts.size() ? cuts[i + 1].second : end).startOfDay()));
    x->setRange(ms(cuts.front().second.startOfDay()), ms(end.startOfDay()));
}

// A chart with its axes and no lines yet.
QChart* makeChart()
{
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* x = new QCategoryAxis;
    x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    x->setTitleText(QStringLiteral("Datum"));
    auto* y = new QValueAxis;
    // 0 to 100 % with room above and below, so a point at 100 % is never cut.
    y->setRange(-6, 106);
    y->setTickType(QValueAxis::TicksDynamic);
    y->setTickAnchor(0);
    y->setTickInterval(20);
    y->setLabelFormat(QStringLiteral("%d %%"));
    y->setTitleText(QStringLiteral("beim ersten Versuch gelöst"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    return chart;
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
    CB_linien = new QComboBox(this);
    CB_linien->setObjectName(QStringLiteral("CB_linien"));
    CB_linien->addItem(QStringLiteral("eine Linie je Liste"), int(Lines::PerList));
    CB_linien->addItem(QStringLiteral("eine Linie je Programm"), int(Lines::PerProgram));

    chartView = new QChartView(makeChart(), this);
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
    SB_drucken = new QPushButton(QStringLiteral("Drucken"), this);
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
    top->addSpacing(12);
    top->addWidget(new QLabel(QStringLiteral("Linien:"), this));
    top->addWidget(CB_linien);
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
    // Programs by code, each named as its newest run names it; the most tasks a run of each list
    // counted, for runs whose list file is gone.
    std::map<int, QString> programs;
    for (const HistoryRun& r : m_file.runs) {
        programs[r.programCode] = r.programName;
        int& most = m_mostCounted[ListKey(r.programCode, r.listFile)];
        most = std::max(most, r.counted);
    }
    if (programs.size() > 1)
        CB_programm->addItem(QStringLiteral("alle Programme"), kAllPrograms);
    for (const auto& [code, name] : programs)
        CB_programm->addItem(programLabel(code, name), code);
    SB_drucken->setEnabled(!m_file.runs.empty());
    SB_exportieren->setEnabled(!m_file.runs.empty());

    // The program of the newest run first: the one the adult most likely asks about.
    if (!m_file.runs.empty())
        CB_programm->setCurrentIndex(CB_programm->findData(m_file.runs.back().programCode));
    CB_zeitraum->setCurrentIndex(int(Span::Alles));
    connect(CB_programm, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
    connect(CB_zeitraum, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
    connect(CB_linien, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
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

void TFormVerlauf::choose(int programCode, Span span, Lines lines)
{
    const QSignalBlocker b1(CB_programm), b2(CB_zeitraum), b3(CB_linien);
    CB_programm->setCurrentIndex(CB_programm->findData(programCode));
    CB_zeitraum->setCurrentIndex(int(span));
    CB_linien->setCurrentIndex(CB_linien->findData(int(lines)));
    rebuild();
}

int TFormVerlauf::expectedTasks(const HistoryRun& run) const
{
    auto cached = m_listTasks.constFind(run.listFile);
    if (cached == m_listTasks.constEnd()) {
        // The tasks of the list file(s) as they are now; 0 when one of them is gone.
        int tasks = 0;
        const int before = g().defaultElementCount;
        g().defaultElementCount = catalogue::defaultElementCount(run.programCode);
        for (const QString& part : run.listFile.split(QStringLiteral(" + "), Qt::SkipEmptyParts)) {
            const QString name = fsys::fromStored(part.trimmed());
            const QString path = QDir::isAbsolutePath(name) ? name : fsys::withSlash(g().config.dirs.listen) + name;
            TDaten list;
            const int n = g().config.dirs.listen.isEmpty() && !QDir::isAbsolutePath(name) ? 0
                                                                                            : LoadTaskListInto(path, list);
            if (n <= 0) {
                tasks = 0;
                break;
            }
            tasks += n;
        }
        g().defaultElementCount = before;
        cached = m_listTasks.insert(run.listFile, tasks);
    }
    const int most = m_mostCounted.value(ListKey(run.programCode, run.listFile));
    return std::max(*cached, most);
}

bool TFormVerlauf::isAborted(const HistoryRun& run) const
{
    return run.counted > 0 && 2 * run.counted < expectedTasks(run);
}

TFormVerlauf::Chart TFormVerlauf::fillChart(QChart* chart, bool forPrint) const
{
    chart->removeAllSeries();
    const bool perList = CB_linien->currentData().toInt() == int(Lines::PerList);
    // The lines in the order of their first run.
    auto keyOf = [perList](const HistoryRun& r) { return ListKey(r.programCode, perList ? r.listFile : QString()); };
    std::vector<ListKey> keys;
    QHash<ListKey, QString> names;
    QHash<ListKey, QList<QPointF>> full, broken;
    for (const HistoryRun& r : m_shown) {
        const ListKey key = keyOf(r);
        if (!names.contains(key)) {
            keys.push_back(key);
            names.insert(key, perList ? fsys::baseName(fsys::fromStored(r.listFile.section(QStringLiteral(" + "), -1)))
                                      : programLabel(r.programCode, r.programName));
        }
        if (r.counted > 0)  // without counted tasks a run has a table row but no point
            (isAborted(r) ? broken : full)[key] << QPointF(ms(r.start), r.firstTryPercent());
    }
    auto* x = qobject_cast<QCategoryAxis*>(chart->axes(Qt::Horizontal).value(0));
    auto* y = chart->axes(Qt::Vertical).value(0);
    Chart out;
    int total = 0;
    for (const auto& l : std::as_const(full))
        total += int(l.size());
    for (size_t i = 0; i < std::max<size_t>(1, keys.size()); ++i) {
        const ListKey key = keys.empty() ? ListKey() : keys[i];
        const QColor colour = lineColour(int(i));
        auto* line = new QLineSeries;
        line->setName(names.value(key));
        QPen pen(colour);
        pen.setWidth(forPrint ? 4 : 3);
        line->setPen(pen);
        line->replace(full.value(key));
        // Beyond a few hundred runs the markers only blot the line (and cost most of the drawing).
        line->setPointsVisible(total <= kMarkedPoints);
        chart->addSeries(line);
        line->attachAxis(x);
        line->attachAxis(y);
        out.lines.push_back(line);
        if (broken.contains(key)) {
            auto* hollow = new QScatterSeries;
            hollow->setName(names.value(key) + QStringLiteral(" (abgebrochen)"));
            hollow->setMarkerShape(QScatterSeries::MarkerShapeCircle);
            hollow->setMarkerSize(11);
            hollow->setBrush(Qt::white);
            hollow->setPen(QPen(colour, 2));
            hollow->replace(broken.value(key));
            chart->addSeries(hollow);
            hollow->attachAxis(x);
            hollow->attachAxis(y);
            out.aborted.push_back(hollow);
        }
    }
    // The legend names the lines; the hollow points are explained in the note.
    for (QScatterSeries* s : out.aborted)
        for (QLegendMarker* m : chart->legend()->markers(s))
            m->setVisible(false);
    chart->legend()->setVisible(keys.size() > 1);
    if (x)
        setTimeAxis(x, m_shown.empty() ? QDate() : m_shown.front().start.date(),
                    m_shown.empty() ? QDate() : m_shown.back().start.date());
    return out;
}

void TFormVerlauf::rebuild()
{
    const int code = CB_programm->currentData().toInt();
    const QDateTime from = spanStart(Span(std::max(0, CB_zeitraum->currentIndex())), clock_::now());
    m_shown.clear();
    for (const HistoryRun& r : m_file.runs)
        if ((code == kAllPrograms || r.programCode == code) && (!from.isValid() || r.start >= from))
            m_shown.push_back(r);
    std::stable_sort(m_shown.begin(), m_shown.end(),
                     [](const HistoryRun& a, const HistoryRun& b) { return a.start < b.start; });

    QChart* chart = chartView->chart();
    chart->setTitle(CB_programm->currentText().isEmpty() ? QString()
                                                          : CB_programm->currentText() +
                                                                QStringLiteral(": beim ersten Versuch gelöst"));
    Chart made = fillChart(chart, false);
    m_lines = std::move(made.lines);
    m_aborted = std::move(made.aborted);
    // A dense line looks the same without smoothing, which cost a third of the first drawing.
    int points = 0;
    for (QLineSeries* l : m_lines)
        points += int(l->count());
    chartView->setRenderHint(QPainter::Antialiasing, points <= kMarkedPoints);
    m_model->setRuns(&m_shown, [this](const HistoryRun& r) { return isAborted(r); });

    QStringList notes;
    if (m_file.unreadable)
        notes << QStringLiteral("Die Verlaufsdatei kann nicht gelesen werden.");
    else if (m_file.runs.empty())
        notes << QStringLiteral("Noch keine Einträge im Verlauf.");
    if (m_file.brokenLines > 0)
        notes << QString::number(m_file.brokenLines) +
                     (m_file.brokenLines == 1 ? QStringLiteral(" Zeile der Verlaufsdatei ist nicht lesbar und wird übergangen.")
                                              : QStringLiteral(" Zeilen der Verlaufsdatei sind nicht lesbar und werden übergangen."));
    if (!m_aborted.empty())
        notes << kAbortedNote;
    L_hinweis->setText(notes.join(QLatin1Char(' ')));
}

// The table of the shown runs from `top` on, newest first, continued on new pages.
void TFormVerlauf::drawTable(QPainter& painter, QPagedPaintDevice& device, const QRect& page, int top) const
{
    static const double widths[] = {0.11, 0.07, 0.38, 0.10, 0.14, 0.08, 0.12};
    QFont body = painter.font();
    body.setPointSize(9);
    body.setBold(false);
    QFont head = body;
    head.setBold(true);
    painter.setFont(body);
    const int row = painter.fontMetrics().height() * 5 / 4;
    std::vector<QRect> columns;
    // The titles may take two lines: "Beim ersten Versuch gelöst" is wider than its figures.
    auto header = [&](int y) {
        painter.setFont(head);
        int x = page.left();
        for (int c = 0; c < 7; ++c) {
            const int w = int(page.width() * widths[c]);
            const QRect cell(x, y, w - row / 4, 3 * row);
            painter.drawText(cell, (c >= 3 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignBottom | Qt::TextWordWrap,
                             QString::fromUtf8(kColumnTitles[c]));
            x += w;
        }
        painter.drawLine(page.left(), y + 3 * row, page.right(), y + 3 * row);
        painter.setFont(body);
        return y + 3 * row + row / 4;
    };
    int y = header(top);
    for (auto it = m_shown.rbegin(); it != m_shown.rend(); ++it) {
        if (y + row > page.bottom()) {
            device.newPage();
            y = header(page.top());
        }
        const HistoryRun& r = *it;
        const QString texts[] = {r.start.toString(QStringLiteral("dd.MM.yyyy")), r.start.toString(QStringLiteral("HH:mm")),
                                 r.listFile, QString::number(r.counted), QString::number(r.firstTry),
                                 shareText(r) + (isAborted(r) ? QStringLiteral(" *") : QString()),
                                 workTime(r.workSeconds)};
        painter.setPen(isAborted(r) ? QColor(110, 110, 110) : QColor(Qt::black));
        int x = page.left();
        for (int c = 0; c < 7; ++c) {
            const int w = int(page.width() * widths[c]);
            const QRect cell(x, y, w - row / 4, row);
            painter.drawText(cell, (c >= 3 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                             painter.fontMetrics().elidedText(texts[c], c == 2 ? Qt::ElideLeft : Qt::ElideRight,
                                                              cell.width()));
            x += w;
        }
        y += row;
    }
    painter.setPen(Qt::black);
}

bool TFormVerlauf::printPages(QPagedPaintDevice& device) const
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const int margin = device.width() / 25;
    const QRect page(margin, margin, device.width() - 2 * margin, device.height() - 2 * margin);
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
    int top = page.top() + line + 2 * small;
    const QRect target(page.left(), top, page.width(), std::min(page.height() * 11 / 20, page.width() / 2));
    // A chart of its own at a size of the target's proportions, so its text keeps a readable size
    // on paper; the scene draws as vectors, sharp at the printer's resolution.
    QGraphicsScene scene;
    QChart* chart = makeChart();
    scene.addItem(chart);
    chart->setGeometry(QRectF(0, 0, 760, 760.0 * target.height() / std::max(1, target.width())));
    const Chart made = fillChart(chart, true);  // the page's heading names the program
    // The legend lays out its markers when the scene is next processed; the page is drawn now.
    QCoreApplication::sendPostedEvents();
    if (chart->layout())
        chart->layout()->activate();
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, QRectF(target), chart->geometry(), Qt::KeepAspectRatio);
    top = target.bottom() + small;
    if (!made.aborted.empty()) {
        painter.drawText(QRect(page.left(), top, page.width(), 2 * small), Qt::AlignLeft | Qt::TextWordWrap,
                         kAbortedNote + QStringLiteral(" In der Tabelle mit * markiert."));
        top += 2 * small;
    }
    drawTable(painter, device, page, top + small / 2);
    return painter.end();
}

void TFormVerlauf::printChart()
{
    if (m_file.runs.empty())
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Verlauf"));
    printer.setPageOrientation(QPageLayout::Portrait);
    if (!printjob::ChoosePrinter(this, printer))
        return;
    printjob::PreviewAndPrint(this, printer, [this](QPagedPaintDevice& device) { return printPages(device); });
}

QString TFormVerlauf::exportProposal() const
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !fsys::dirExists(folder))
        folder = QDir::homePath();
    return fsys::withSlash(folder) + m_player + QStringLiteral("-Verlauf ") +
           clock_::now().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".csv");
}

void TFormVerlauf::exportHistory()
{
    if (m_file.runs.empty()) {
        dialogs::current().message(this, dialogs::Icon::Information, QString(),
                                   QStringLiteral("Noch keine Einträge im Verlauf."), {dialogs::Button::Ok});
        return;
    }
    QString target = dialogs::current().saveFile(this, QStringLiteral("Verlauf exportieren"), exportProposal(),
                                                 QStringLiteral("CSV-Dateien (*.csv)"));
    if (target.isEmpty())
        return;
    if (!target.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        target += QStringLiteral(".csv");
    // The export drops lines it cannot read: written over the history itself, they would be lost.
    if (QFileInfo(fsys::resolve(target)).absoluteFilePath() == QFileInfo(fsys::resolve(m_path)).absoluteFilePath()) {
        dialogs::warning(this, QStringLiteral("Der Verlauf kann nicht über seine eigene Datei exportiert werden. "
                                              "Bitte wählen Sie einen anderen Namen."));
        return;
    }
    errno = 0;
    if (!history::WriteHistory(target, m_file.runs)) {
        fileproblems::reportNotSaved(this, target, errno ? errno : EIO);
        return;
    }
    dialogs::showMessage(this, QStringLiteral("Datei gespeichert: ") + QDir::toNativeSeparators(target));
}
