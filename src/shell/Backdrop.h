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
    // The window kept in front of the backdrop: a click on the stripes brings it back up.
    void setFrontWindow(QWidget* front) { m_front = front; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;

private:
    QWidget* m_front = nullptr;
};
