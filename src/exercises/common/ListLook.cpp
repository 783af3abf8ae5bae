#include "exercises/common/ListLook.h"

#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/TextUtil.h"

#include <algorithm>

namespace exercise {

namespace {
QString firstExisting(std::initializer_list<QString> candidates)
{
    for (const QString& p : candidates)
        if (!p.isEmpty() && fsys::fileExists(p))
            return fsys::resolve(p);
    return QString();
}
} // namespace

TFont ListTFont()
{
    return g().listFont ? *g().listFont : (g().loadedList.layout.font ? *g().loadedList.layout.font : TFont{});
}

QFont ListFont(int points)
{
    const TFont tf = ListTFont();
    QFont f;
    SelectInstalledFont(f, tf.name);
    f.setPointSize(std::max(1, points > 0 ? points : tf.size));
    return f;
}

picture::Colour ListFontColour() { return ListTFont().colour; }

QString BackgroundPicturePath() { return InternPicture(g().loadedList.layout.backgroundPicture); }

QImage WindowBackground(QSize size, bool withPicture)
{
    const picture::Colour colour = g().loadedList.layout.backgroundColour;
    picture::Target t(std::max(1, size.width()), std::max(1, size.height()), colour);
    const QString file = withPicture ? BackgroundPicturePath() : QString();
    if (!file.isEmpty())
        picture::CoverPicture(t, file, colour, false);
    return t.image;
}

QString CardBackPicture()
{
    const QString name = fsys::fromStored(g().loadedList.layout.cardBack);
    if (name.isEmpty())
        return QString();
    const Directories& d = g().config.dirs;
    return firstExisting({name, d.internRueckseite + name, d.internBilder + name,
                          g().config.installationDirectory + name});
}

QString InternPicture(const QString& name)
{
    if (name.isEmpty())
        return QString();
    const QString n = fsys::fromStored(name);
    return firstExisting({n, g().config.dirs.internBilder + n});
}

bool IsWmf(const QString& file) { return file.endsWith(QStringLiteral(".wmf"), Qt::CaseInsensitive); }

void DrawElementPicture(picture::Target& target, const QString& name, picture::Colour background, int percent)
{
    const QString file = picture::ResolvePictureName(name);
    if (file.isEmpty())
        return;
    if (IsWmf(file))
        picture::DrawMetafileSmooth(file, target, background, percent, false, true);
    else
        picture::DrawPictureFitted(target, file, background, percent, true, true, true);
}

} // namespace exercise
