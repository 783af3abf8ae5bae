#pragma once
#include <QDialog>
#include <QStringList>

class QAction;
class QMenuBar;
class QTextEdit;

// The protocol viewer: every stored run of the current player, printing of the newest run or of
// the marked text, and emptying the file. It writes the protocol file only through "Löschen".
class TFormProtokolleditor : public QDialog
{
    Q_OBJECT
public:
    // `protocolFile` empty: the `Protokoll` folder + current player + ".prt".
    explicit TFormProtokolleditor(const QString& protocolFile = QString(), QWidget* parent = nullptr);

    QMenuBar* MainMenu1;
    QAction* MI_loeschen;
    QAction* Beenden1;
    QAction* MI_letztesProtokolldrucken;
    QAction* markiertesProtokolldrucken1;
    QAction* MI_verlauf;               // the player's run history as a chart
    QAction* MI_verlaufExportieren;
    QTextEdit* RichEdit1;

    const QString& protocolFile() const { return m_file; }
    const QStringList& workList() const { return m_workList; }
    // The history beside the protocol file: its name + "-Verlauf.csv".
    QString historyFile() const;
    // Opens the "Verlauf" view (modal).
    void showHistory();
    void exportHistory();

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    void onDelete();
    void onPrintLast();
    void onPrintMarked();

    QString m_file;
    QStringList m_workList;
    QStringList m_rtfLines;  // of the last rendering
};
