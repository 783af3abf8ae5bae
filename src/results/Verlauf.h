#pragma once
#include "results/History.h"

#include <QDialog>
#include <QHash>
#include <QPair>
#include <vector>

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineSeries;
class QPagedPaintDevice;
class QPushButton;
class QScatterSeries;
class QTableView;
class QPainter;
class HistoryTableModel;

// The "Verlauf" view of a player's history: the share of tasks solved at the first try per run as
// lines over time (one per list or one per program), the runs in a table under them, a choice of
// program and time span, printing of the chart with the table and the export of the history as CSV.
// Runs that were broken off (fewer than half of the list's tasks answered) are hollow points off
// the lines.
class TFormVerlauf : public QDialog
{
    Q_OBJECT
public:
    // The time spans offered, newest first; `Alles` shows every run.
    enum class Span { Weeks4, Months3, Months6, Year1, Alles };
    // What one line of the chart stands for.
    enum class Lines { PerList, PerProgram };
    static constexpr int kAllPrograms = 0;  // the program choice's entry for every program

    TFormVerlauf(const QString& historyPath, const QString& player, QWidget* parent = nullptr);
    ~TFormVerlauf() override;

    QComboBox* CB_programm = nullptr;
    QComboBox* CB_zeitraum = nullptr;
    QComboBox* CB_linien = nullptr;
    QChartView* chartView = nullptr;
    QTableView* table = nullptr;
    QLabel* L_hinweis = nullptr;       // broken lines, an empty history, hollow points
    QPushButton* SB_drucken = nullptr;
    QPushButton* SB_exportieren = nullptr;
    QPushButton* SB_schliessen = nullptr;

    const history::HistoryFile& file() const { return m_file; }
    // The runs of the chosen program within the chosen span, oldest first.
    const std::vector<history::HistoryRun>& shownRuns() const { return m_shown; }
    // The chart's lines (at least one, maybe empty) and the hollow points of broken-off runs.
    QLineSeries* series() const { return m_lines.front(); }
    const std::vector<QLineSeries*>& lines() const { return m_lines; }
    const std::vector<QScatterSeries*>& abortedPoints() const { return m_aborted; }
    // Fewer than half of the tasks of the run's list(s) answered.
    bool isAborted(const history::HistoryRun& run) const;

    void choose(int programCode, Span span, Lines lines = Lines::PerList);
    // Prints the chart and the table of the shown runs through the print preview.
    void printChart();
    // The printed pages; false when the device could not be drawn on.
    bool printPages(QPagedPaintDevice& device) const;
    // Saves the whole history as CSV where the adult chooses (proposed: the documents folder).
    void exportHistory();
    // The name the export proposes.
    QString exportProposal() const;

private:
    struct Chart {
        std::vector<QLineSeries*> lines;
        std::vector<QScatterSeries*> aborted;
    };
    void rebuild();
    Chart fillChart(QChart* chart, bool forPrint) const;
    int expectedTasks(const history::HistoryRun& run) const;
    void drawTable(QPainter& painter, QPagedPaintDevice& device, const QRect& page, int top) const;

    QString m_path;
    QString m_player;
    history::HistoryFile m_file;
    std::vector<history::HistoryRun> m_shown;
    std::vector<QLineSeries*> m_lines;
    std::vector<QScatterSeries*> m_aborted;
    using ListKey = QPair<int, QString>;          // program and list (the list's text is shared)
    QHash<ListKey, int> m_mostCounted;            // the most tasks a run of the list counted
    mutable QHash<QString, int> m_listTasks;      // list -> tasks of its file(s), 0 unknown
    HistoryTableModel* m_model = nullptr;
};
