#pragma once
#include "results/KlassenDaten.h"

#include <QDialog>
#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPagedPaintDevice;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class OverviewTableModel;

// The class overview ("Klassenübersicht") for teachers: one row per player, one column per program
// group or program, each cell the runs in the chosen span, the mean share solved at the first try
// and a trend. Sorted by any column, filtered by name; a click on a cell opens the player's
// "Verlauf" at that program. Printing (30 players per A4 landscape page) and a CSV export. It reads
// the histories and writes nothing but the export.
class TFormKlassenuebersicht : public QDialog
{
    Q_OBJECT
public:
    // `players`: the player list (players without a history get an empty row).
    TFormKlassenuebersicht(const QString& protocolFolder, const QStringList& players, QWidget* parent = nullptr);
    ~TFormKlassenuebersicht() override;

    static constexpr int kRowsPerPage = 30;
    static constexpr int kFirstCellColumn = 2;  // after "Name" and "Zuletzt geübt"

    QComboBox* CB_zeitraum = nullptr;
    QComboBox* CB_spalten = nullptr;
    QLineEdit* E_filter = nullptr;
    QTableView* table = nullptr;
    QLabel* L_hinweis = nullptr;       // broken lines, unreadable files
    QPushButton* SB_drucken = nullptr;
    QPushButton* SB_exportieren = nullptr;
    QPushButton* SB_schliessen = nullptr;

    void choose(overview::Span span, overview::Columns columns);
    const overview::ClassHistory& history() const { return m_history; }
    const std::vector<overview::Column>& columns() const { return m_columns; }
    // The rows in the table's order, after the name filter.
    std::vector<const overview::Row*> shownRows() const;

    // The player's "Verlauf" at a program (0: as it opens); tests replace it.
    std::function<void(const QString& historyPath, const QString& player, int programCode)> openHistory;
    // What a click on a table cell (an index of the table's model) does.
    void openCell(const QModelIndex& index);

    void printOverview();
    bool printPages(QPagedPaintDevice& device) const;
    void exportCsv();

private:
    void rebuild();
    void openVerlauf(const QString& historyPath, const QString& player, int programCode);

    QString m_folder;
    overview::ClassHistory m_history;
    std::vector<overview::Column> m_columns;
    std::vector<overview::Row> m_rows;
    overview::Span m_span = overview::Span::Weeks4;
    OverviewTableModel* m_model = nullptr;
    QSortFilterProxyModel* m_proxy = nullptr;
};

namespace overview {
// Opens the class overview of the installation's protocol folder (modal).
void ShowClassOverview(QWidget* parent);
}
