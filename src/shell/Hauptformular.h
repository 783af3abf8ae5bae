#pragma once
#include <QWidget>

// The main window: start-up, the program menu and the launcher.
class TFormHauptformular : public QWidget
{
    Q_OBJECT
public:
    explicit TFormHauptformular(QWidget* parent = nullptr);
    // Runs the start-up sequence; false when the program is to end at once.
    bool startUp();
    static QString captionWithVersion();
};
