#pragma once
#include "results/History.h"

#include <QDialog>
#include <vector>

class QChartView;
class QComboBox;
class QLabel;
class QLineSeries;
class QPushButton;
class QTableView;
class QPainter;
class HistoryTableModel;

// The "Verlauf" view of a player's history: for one program, the share of tasks solved at the first
// try per run as a line over time, the runs in a table under it, a choice of program and time span,
// printing of the chart and the export of the whole history as CSV.
class TFormVerlauf : public QDialog
{
    Q_OBJECT
public:
    // The time spans offered, newest first; `Alles` shows every run.
    enum class Span { Weeks4, Months3, Months6, Year1, Alles };

    TFormVerlauf(const QString& historyPath, const QString& player, QWidget* parent = nullptr);
    ~TFormVerlauf() override;

    QComboBox* CB_programm = nullptr;
    QComboBox* CB_zeitraum = nullptr;
    QChartView* chartView = nullptr;
    QTableView* table = nullptr;
    QLabel* L_hinweis = nullptr;       // broken lines, or an empty history
    QPushButton* SB_drucken = nullptr;
    QPushButton* SB_exportieren = nullptr;
    QPushButton* SB_schliessen = nullptr;

    const history::HistoryFile& file() const { return m_file; }
    // The runs of the chosen program within the chosen span, oldest first.
    const std::vector<history::HistoryRun>& shownRuns() const { return m_shown; }
    QLineSeries* series() const { return m_series; }

    void choose(int programCode, Span span);
    // Prints the chart with its heading through the print preview.
    void printChart();
    // Saves the whole history as CSV where the adult chooses.
    void exportHistory();

private:
    void rebuild();
    void drawPage(QPainter& painter, const QRect& page) const;

    QString m_path;
    QString m_player;
    history::HistoryFile m_file;
    std::vector<history::HistoryRun> m_shown;
    QLineSeries* m_series = nullptr;
    HistoryTableModel* m_model = nullptr;
};
