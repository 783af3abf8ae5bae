#pragma once
#include <QString>

class QWidget;

// Finds the installation, reads the main configuration file and resolves every directory.
namespace installation {

// The installation directory is the folder of the program file unless `overrideDir` is given.
void setProgramFile(const QString& programFile, const QString& overrideDir = QString());

// Reads the whole main configuration file into g().config; a missing file leaves every default.
void ReadMainConfiguration(QWidget* owner = nullptr);

// The writable data directory for a folder given relative to the installation (options, protocols,
// temp), moved to the shared data root or the common documents folder where needed.
QString ResolveDataDirectory(const QString& relative, QWidget* owner = nullptr);

// Writable in the program's sense: not read-only itself, no read-only entry inside, and a test
// folder "~abc" can be created in it.
bool isWritableDirectory(const QString& dir);

}
