#include "media/picture/SchoolFonts.h"
#include "media/picture/Picture.h"

namespace picture {

namespace school {

const Family& family(int index)
{
    static const Family families[4];
    return families[index >= 1 && index <= 3 ? index : 0];
}

} // namespace school

int SchoolFontFamily(const QString& fontName)
{
    auto has = [&](const char* tag) {
        return fontName.contains(QLatin1Char(' ') + QLatin1String(tag))
            || fontName.contains(QLatin1Char('_') + QLatin1String(tag));
    };
    if (has("LA"))
        return 1;
    if (has("SA"))
        return 2;
    if (has("VA"))
        return 3;
    return 0;
}

QString ShapeSchoolFontText(const QString& fontName, const QString& text, int position, int* mappedPosition)
{
    const int fam = SchoolFontFamily(fontName);
    if (fam == 0) {
        if (mappedPosition && position >= 0)
            *mappedPosition = std::min<int>(position, int(text.size()));
        return text;
    }
    const school::Family& f = school::family(fam);
    QString out;
    auto apply = [&](QChar c) {
        const QChar prev = out.isEmpty() ? QChar() : out.back();
        const auto it = f.pairs.constFind(qMakePair(prev, c));
        if (it == f.pairs.cend()) {
            if (!c.isNull())
                out += c;
            return;
        }
        if (it->previous && !out.isEmpty())
            out.back() = *it->previous;
        if (it->joiner)
            out += *it->joiner;
        if (!c.isNull())
            out += it->current.value_or(c);
    };
    for (int i = 0; i < text.size(); ++i) {
        if (i == position && mappedPosition)
            *mappedPosition = int(out.size());
        apply(text[i]);
    }
    if (position >= text.size() && mappedPosition)
        *mappedPosition = int(out.size());
    apply(QChar());  // the word's final form and closing glyph
    return out;
}

QVector<int> MapShapedPositions(const QString& fontName, const QString& text, const QString& shaped)
{
    const school::Family& f = school::family(SchoolFontFamily(fontName));
    QVector<int> map(text.size() + 1, int(shaped.size()));
    int j = 0;
    for (int i = 0; i < text.size(); ++i) {
        int k = j;
        while (k < shaped.size() && shaped[k] != text[i] && f.variants.value(shaped[k]) != text[i])
            ++k;
        if (k < shaped.size()) {
            map[i] = k;
            j = k + 1;
        } else {
            map[i] = std::min<int>(j, int(shaped.size()));
        }
    }
    map[text.size()] = int(shaped.size());
    // Each character spans up to the next one's position (joining glyphs belong to the left letter).
    for (int i = text.size() - 1; i >= 0; --i)
        map[i] = std::min(map[i], map[i + 1]);
    return map;
}

} // namespace picture
