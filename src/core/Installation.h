#pragma once
#include <QString>

class QWidget;

// Finds the installation, reads the main configuration file and resolves every directory.
namespace installation {

// The installation directory is `overrideDir` when given, else defaultInstallationFor(programFile).
void setProgramFile(const QString& programFile, const QString& overrideDir = QString());

// The folder of the program file when it holds a main configuration file; else the installed
// default installation beside it ("../share/kalimo" from the program's folder) when that holds one;
// else the program's folder.
QString defaultInstallationFor(const QString& programFile);

// The main configuration file of the installation set exists (its name found without case).
bool hasMainConfiguration();

// Files and folders the program creates from now on are writable for its group: in the common data
// folder (setgid, group "kalimo") every account of that group can then write what another created.
// Only the group-write bit of the umask is cleared; with Debian's per-user groups nothing else
// becomes writable for anyone else.
void shareWithGroup();

// Resolve: the data folders follow the data directory rule and are created. Leave: they are only
// named (a check of the installation writes nothing).
enum class DataFolders { Resolve, Leave };

// Reads the whole main configuration file into g().config; a missing file leaves every default.
void ReadMainConfiguration(QWidget* owner = nullptr, DataFolders data = DataFolders::Resolve);

// The writable data directory for a folder given relative to the installation (options, protocols,
// temp), moved to the shared data root or the common documents folder where needed.
QString ResolveDataDirectory(const QString& relative, QWidget* owner = nullptr);

// The folder of the common documents folder that holds a moved installation's data:
// + "MORWEN/" + the installation folder's name + "/".
QString commonDataRootFor(const QString& installationDirectory);

// Writable in the program's sense: not read-only itself, no read-only entry inside, and a test
// folder "~abc" can be created in it.
bool isWritableDirectory(const QString& dir);

}
