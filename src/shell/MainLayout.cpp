#include "shell/MainLayout.h"

#include <cmath>

MainLayout computeMainLayout(int clientWidth, int clientHeight, int statusBarHeight, int n)
{
    MainLayout l;
    const int usable = clientHeight - statusBarHeight;
    l.margin = int(std::nearbyint(0.02 * usable));
    const int m = l.margin;
    l.valid = clientWidth > 0;
    if (n <= 0)
        n = 1;
    l.buttonHeight = (usable - (n - 1) * 3 - 2 * m) / n;
    l.buttonWidth = int(std::nearbyint(0.618034 * clientWidth)) - 3 * m - m / 2;
    for (int g = 0; g < n; ++g)
        l.mainButtons.emplace_back(m, m + g * (3 + l.buttonHeight), l.buttonWidth, l.buttonHeight);
    const int left = m + l.buttonWidth + m;
    const int width = clientWidth - left - m;
    const int h = (n * l.buttonHeight + (n - 1) * 3 - 2 * m) / 3;
    l.startPicture = QRect(left, m, width, h);
    l.playerPanel = QRect(left, m + h + m, width, h);
    l.lowerPanel = QRect(left, m + 2 * (h + m), width, h);
    return l;
}

QRect groupPanelRect(const QRect& button, int k, int b, int clientWidth, int clientHeight, int margin)
{
    const int right = button.x() + button.width();
    const int height = k * b + (k + 1) * 3;
    int top = button.y();
    if (top + height > clientHeight)
        top = button.y() + button.height() - height;
    return QRect(right - 300, top, clientWidth - right - margin + 100, height);
}

QRect programButtonRect(int j, int b, int panelWidth) { return QRect(3, (j + 1) * 3 + j * b, panelWidth - 6, b); }

QString optionsButtonCaption(int monitorHeight)
{
    return monitorHeight <= 768 ? QStringLiteral("&Optionen") : QStringLiteral("Alle\n&Optionen");
}
