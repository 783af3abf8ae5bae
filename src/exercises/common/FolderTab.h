#pragma once
#include <QString>

class QPushButton;
class QWidget;

namespace exercise {
// How a pressed folder tab looks (a style sheet body): dark blue bold on yellow.
inline const QString kPressedTabYellow = QStringLiteral("background: #ffff00; color: #000080; font-weight: bold;");
// A folder tab standing on an exercise window's bottom bar: checkable, no focus, grey while not
// pressed, `pressedLook` when pressed.
QPushButton* MakeFolderTab(QWidget* parent, const char* objectName, const QString& caption,
                           const QString& pressedLook = kPressedTabYellow);
}
