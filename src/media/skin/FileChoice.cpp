#include "media/skin/FileChoice.h"

#include "core/FileSystem.h"

#include <QAbstractItemView>
#include <QComboBox>

void FillFileChoice(QComboBox* box, const QString& folder, const QString& current, int availableHeight,
                    bool limitDropDown)
{
    if (!box)
        return;
    const QStringList files = fsys::list(folder, QStringLiteral("*"), false, fsys::Entries::Files);
    box->clear();
    box->addItems(files);
    box->setCurrentIndex(files.isEmpty() ? -1 : std::max(0, int(files.indexOf(current))));
    if (limitDropDown && !files.isEmpty()) {
        int itemHeight = box->view() ? box->view()->sizeHintForRow(0) : 0;
        if (itemHeight <= 0)
            itemHeight = box->fontMetrics().height();
        // At least one line stays visible even when no room is left.
        box->setMaxVisibleItems(std::max(1, std::min(int(files.size()), availableHeight / std::max(1, itemHeight))));
    }
}
