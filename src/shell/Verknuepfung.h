#pragma once
#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

// "Verknüpfung anlegen...": a desktop shortcut that starts one program (and optionally one list)
// for one player, put on the desktop and into the applications menu.
class TFormVerknuepfung : public QDialog
{
    Q_OBJECT
public:
    // `player` is the one chosen at first; any player of the list can be chosen.
    explicit TFormVerknuepfung(const QString& player, QWidget* parent = nullptr);

    QComboBox* CB_spieler = nullptr;
    QComboBox* CB_programm = nullptr;
    QLineEdit* E_liste = nullptr;
    QPushButton* B_liste = nullptr;
    QPushButton* B_anlegen = nullptr;
    QPushButton* B_abbrechen = nullptr;

    // Chooses a list through the dialogs seam; stored relative to the program's list folder.
    void chooseList();
    // Writes the shortcut and tells where; false when it could not be written.
    bool create();

    // The program file the shortcut starts (the running program unless a test sets another).
    static void setExecutable(const QString& path);
    static QString executable();
};
