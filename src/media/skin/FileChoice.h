#pragma once
#include <QString>

class QComboBox;

// Fills the box with the files of `folder` (no sub-folders) in directory order and selects
// `current` (exact name) or else the first; an empty box shows no text. With limitDropDown the
// open list shows at most as many lines as fit into `availableHeight`.
void FillFileChoice(QComboBox* box, const QString& folder, const QString& current, int availableHeight,
                    bool limitDropDown);
