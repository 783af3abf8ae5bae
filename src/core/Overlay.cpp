#include "core/Overlay.h"
#include "core/FileSystem.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace overlay {

namespace {
std::vector<Layer>& table()
{
    static std::vector<Layer> t;
    return t;
}

QString withSlash(const QString& dir) { return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/'); }
}

void set(std::vector<Layer> layers)
{
    for (Layer& l : layers) {
        l.lower = withSlash(l.lower);
        l.upper = withSlash(l.upper);
    }
    // The deepest folder first, so a sub-folder laid over on its own wins over its parent.
    std::sort(layers.begin(), layers.end(), [](const Layer& a, const Layer& b) { return a.lower.size() > b.lower.size(); });
    table() = std::move(layers);
}

void clear() { table().clear(); }

const std::vector<Layer>& layers() { return table(); }

QString writablePath(const QString& path)
{
    QString upper = upperOf(path);
    if (upper.isEmpty())
        return path;
    const QString copy = fsys::resolve(upper);
    if (QFileInfo::exists(copy))
        return copy;
    // No copy yet: the lookup finds the installation's file, whose spelling the copy keeps.
    const QString installed = fsys::resolve(path);
    if (QFileInfo::exists(installed) && !upperOf(installed).isEmpty())
        upper = upperOf(installed);
    QDir().mkpath(fsys::folderOf(upper));
    return upper;
}

QString installationNameOf(const QString& path)
{
    for (const Layer& l : table())
        if (path.startsWith(l.upper))
            return l.lower + path.mid(l.upper.size());
    return path;
}

QString upperOf(const QString& path)
{
    for (const Layer& l : table()) {
        // Names are matched without case, as the file lookups are.
        if (path.startsWith(l.lower, Qt::CaseInsensitive))
            return l.upper + path.mid(l.lower.size());
        if (path.size() == l.lower.size() - 1 && l.lower.startsWith(path, Qt::CaseInsensitive))
            return l.upper.left(l.upper.size() - 1);
    }
    return {};
}

}
