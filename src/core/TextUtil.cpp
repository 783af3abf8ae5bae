#include "core/TextUtil.h"
#include "core/FileSystem.h"
#include "core/Records.h"

#include <QFont>
#include <QFontDatabase>

int SplitText(const QString& text, QStringList& list, bool clearFirst, const QString& separators, bool unique)
{
    if (clearFirst)
        list.clear();
    QString token;
    auto push = [&]() {
        if (!unique || !list.contains(token))
            list << token;
        token.clear();
    };
    for (QChar c : text) {
        if (separators.contains(c))
            push();
        else
            token += c;
    }
    if (!token.isEmpty())
        push();
    return int(list.size());
}

static QString relative(const QString& base, const QString& path, bool dot)
{
    if (base.isEmpty() || path.size() < base.size()
        || path.left(base.size()).compare(base, Qt::CaseInsensitive) != 0 || !fsys::exists(path))
        return path;
    QString rest = path.mid(base.size());
    if (rest.endsWith(QLatin1Char('/')))
        rest.chop(1);
    return dot ? QStringLiteral("./") + rest : rest;
}

QString MakeRelativePath(const QString& base, const QString& path, bool withDotPrefix)
{
    return relative(base, path, withDotPrefix);
}

QString MakeRelativePathDot(const QString& base, const QString& path) { return relative(base, path, true); }

int ListFiles(const QString& folder, const QString& mask, bool withPath, QStringList& out)
{
    out = fsys::list(folder, mask, withPath);
    return int(out.size());
}

static void collectRecursive(const QString& folder, const QString& mask, bool withPath, QStringList& out)
{
    const QStringList here = fsys::list(folder, mask, withPath);
    if (!here.isEmpty()) {
        out << here;
        return;
    }
    for (const QString& sub : fsys::list(folder, QStringLiteral("*"), true, fsys::Entries::Dirs))
        collectRecursive(fsys::withSlash(sub), mask, withPath, out);
}

int ListFilesRecursive(const QString& folder, const QString& mask, bool withPath, QStringList& out)
{
    out.clear();
    collectRecursive(fsys::withSlash(folder), mask, withPath, out);
    return int(out.size());
}

// Faces the material names and the free metric twins that stand in for them on Linux.
const QList<QPair<QString, QString>>& fontTwins()
{
    static const QList<QPair<QString, QString>> twins = {
        {QStringLiteral("Arial"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")},
        {QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")},
        {QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue")},
    };
    return twins;
}

void registerFontTwins()
{
    for (const auto& [face, twin] : fontTwins())
        QFont::insertSubstitution(face, twin);
}

static QString installedFace(const QString& faceName, bool* found)
{
    const QStringList families = QFontDatabase::families();
    for (const QString& f : families)
        if (f.compare(faceName, Qt::CaseInsensitive) == 0) {
            *found = true;
            return f;
        }
    for (const auto& [face, twin] : fontTwins())
        if (face.compare(faceName, Qt::CaseInsensitive) == 0 && families.contains(twin, Qt::CaseInsensitive)) {
            *found = true;
            return face;
        }
    *found = false;
    for (const QString& f : families)
        if (f.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0)
            return f;
    if (families.contains(QStringLiteral("Liberation Sans")))
        return QStringLiteral("Arial");
    return families.isEmpty() ? QStringLiteral("Arial") : families.front();
}

bool SelectInstalledFont(QFont& font, const QString& faceName)
{
    bool found = false;
    font.setFamily(installedFace(faceName, &found));
    return found;
}

bool SelectInstalledFont(TFont& font, const QString& faceName)
{
    bool found = false;
    font.name = installedFace(faceName, &found);
    return found;
}
