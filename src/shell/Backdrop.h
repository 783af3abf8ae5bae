#pragma once
#include <QColor>
#include <QWidget>

// The backdrop window (STARTBILDSCHIRM): covers the monitor behind the main window with vertical
// stripes that run from blue-grey to black, so nothing on the desktop distracts the child.
class TFormSTARTBILDSCHIRM : public QWidget
{
    Q_OBJECT
public:
    explicit TFormSTARTBILDSCHIRM(QWidget* parent = nullptr);
    static QColor stripeColour(int i);
    void coverScreenOf(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent*) override;
};
