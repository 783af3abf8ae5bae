#pragma once
#include <QRect>
#include <QString>
#include <vector>

// The main window's geometry: a column of main buttons in the larger golden-ratio part, the start
// picture, player panel and lower panel on the right, and a panel per group beside its button.
struct MainLayout {
    int margin = 0;
    int buttonHeight = 0;
    int buttonWidth = 0;
    std::vector<QRect> mainButtons;
    QRect startPicture, playerPanel, lowerPanel;
    bool valid = true;  // false when the client width leaves no golden section
};

MainLayout computeMainLayout(int clientWidth, int clientHeight, int statusBarHeight, int buttonCount);

// A group panel of `programs` buttons of height `b` beside `button`; it hangs down from the button's
// top, or ends level with the button's bottom when it would reach below `clientHeight`.
QRect groupPanelRect(const QRect& button, int programs, int b, int clientWidth, int clientHeight, int margin);
// Program j inside its panel.
QRect programButtonRect(int j, int b, int panelWidth);

// The caption of the all-options button: monitors of 768 pixels or less have no room for two lines.
QString optionsButtonCaption(int monitorHeight);
