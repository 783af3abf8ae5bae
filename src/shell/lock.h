#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

// The notice that the chosen player is already in use on another workstation. Clicking the small
// text reveals the button that releases every lock.
class TFormLock : public QDialog
{
    Q_OBJECT
public:
    explicit TFormLock(QWidget* parent = nullptr);

    static void ShowLockNotice(QWidget* parent = nullptr);
    static QString releaseText();

    QLabel* L_zeile1;
    QLabel* L_zeile2;
    QPushButton* B_ok;
    QLabel* L_freigabe;
    QPushButton* B_freigeben;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* e) override;
};
