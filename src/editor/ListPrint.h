#pragma once
#include "core/Records.h"

#include <QDate>
#include <QString>

class QPagedPaintDevice;
class QWidget;

// A task list on paper: the file, its layout values, then every task row by row in three columns
// (picture, sounds, text), in Courier New, paged with the publisher's footer.
namespace editor {

// Draws the pages onto `device` (printer units of a 600 dpi printer); false when it cannot be
// painted on.
bool PrintTaskListPages(QPagedPaintDevice& device, int programCode, const QString& editedFile, const TDaten& tasks,
                        const TLayout& layout, const QDate& date);
// "komplette Datei drucken": the printer dialog, the preview, the job.
void PrintTaskList(QWidget* parent, int programCode, const QString& editedFile, const TDaten& tasks,
                   const TLayout& layout);

} // namespace editor
