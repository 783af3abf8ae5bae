#pragma once
#include <QString>

class QWidget;

// The help window over the HTML pages of the installation's "Hilfe" folder. Topic 0 is the start
// page; topic n is the page "themaN.html", or the start page when there is none.
void ShowHelpWindow(QWidget* parent, int topic);
// The page a topic opens (may not exist).
QString helpPageFor(int topic);
