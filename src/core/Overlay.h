#pragma once
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// Writable folders laid over read-only ones. A write-protected installation keeps its own lists
// and material in the common data folder (Listen/, Material/ below the folder that holds the
// players' data); a name below such an installation folder is looked up there first, listings
// show both, and a saved file goes there under the same relative name. Names in memory and in
// stored files stay the installation's, so a list and its media names mean the same everywhere.
// Only the mapping lives here; core/FileSystem applies it, core/Installation sets it up.
namespace overlay {

struct Layer {
    QString lower;  // the installation's folder, with trailing "/"
    QString upper;  // the writable folder laid over it, with trailing "/"
};

void set(std::vector<Layer> layers);
void clear();
const std::vector<Layer>& layers();

// The installation's name for a name in a writable folder (a file the user picked there in a
// file dialog); other names unchanged.
QString installationNameOf(const QString& path);

// Where a file of that name is written: the name itself, or, below an overlaid folder, the
// writable folder's copy (an existing one, else one spelt as the installation's file; its folder
// is created).
QString writablePath(const QString& path);

// The name in the writable folder for a name below an overlaid folder (the folder itself
// included); empty when the name lies below none.
QString upperOf(const QString& path);

}
