#pragma once
#include "core/OptionRecords.h"

#include <QByteArray>
#include <QDialog>
#include <map>
#include <optional>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace options {

class TF_O_alle;

// Every option of the current player in one window: the tree of the 21 option pages on the left,
// the chosen page on the right. Leaving a page writes it; cancel puts the options file back.
class TF_O_komplett : public QDialog
{
    Q_OBJECT
public:
    explicit TF_O_komplett(QWidget* parent = nullptr);
    ~TF_O_komplett() override;

    // " 3.5. Optionen 'Memory' für " and the like, by page number (0, 10, 11, 20 .. 23, 30 .. 34, 40 .. 47).
    static QString headingFor(int pageNumber);
    // The program code of a page number; -1 for a number that is no page.
    static int programCodeFor(int pageNumber);
    // The page number of a node: its index among its siblings, plus 10 times its parent's index.
    static int pageNumberOf(const QTreeWidgetItem* item);

    // The page shown now (none before the first showing) and its number (-1 without one).
    TF_O_alle* shownPage() const { return m_shown; }
    int pageNumber() const { return m_pageNumber; }
    TF_O_alle* page(int pageNumber) const;
    // Selects the node of a page number, as a click on it does.
    void selectPage(int pageNumber);
    // The player whose options are edited.
    QString player() const { return m_player; }
    // "~Options-" + player + ".txt", the copy the dialog keeps while it is open.
    QString backupFile() const;

    QTreeWidget* TV_optionen = nullptr;
    QLabel* L_ueberschrift = nullptr;
    QStackedWidget* P_optionen = nullptr;
    QPushButton* BB_ok = nullptr;
    QPushButton* BB_abbrechen = nullptr;
    QPushButton* BB_standard = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void done(int r) override;

private:
    void openOnce();
    void onNodeChanged(QTreeWidgetItem* current);
    void onOk();
    void onStandard();
    void restoreOnCancel();
    void finish(bool accepted);

    QString m_player;
    std::map<int, TF_O_alle*> m_pages;
    TF_O_alle* m_shown = nullptr;
    int m_pageNumber = -1;
    bool m_opened = false;
    bool m_closed = false;

    // What cancel puts back: the options file as it was opened, and the options in memory.
    std::optional<QByteArray> m_fileBytes;
    bool m_fileMissing = false;
    TOpt_allg m_savedOptions;
    bool m_savedFlags[6] = {};
    bool m_savedHearAll = false;
    int m_savedProgramCode = 0;
};

} // namespace options

using options::TF_O_komplett;
