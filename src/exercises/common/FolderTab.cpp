#include "exercises/common/FolderTab.h"

#include "shell/ExerciseWindow.h"

#include <QPushButton>

namespace exercise {

QPushButton* MakeFolderTab(QWidget* parent, const char* objectName, const QString& caption, const QString& pressedLook)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(objectName));
    b->setFocusPolicy(Qt::NoFocus);
    b->setCheckable(true);
    TFormExercise::MarkAdultControl(b);  // choosing a folder is not the child playing
    b->setStyleSheet(QStringLiteral("QPushButton { border: 1px solid #8a8a8a; border-bottom: none;"
                                    " border-top-left-radius: 6px; border-top-right-radius: 6px;"
                                    " background: #dcdcdc; padding: 2px 8px; }"
                                    "QPushButton:checked { ") +
                     pressedLook + QStringLiteral(" }"));
    return b;
}

} // namespace exercise
