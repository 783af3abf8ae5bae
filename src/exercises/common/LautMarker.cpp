#include "exercises/common/LautMarker.h"

#include "core/Random.h"
#include "core/TextUtil.h"

namespace exercise {

LautWord SplitLautMarker(const QString& text)
{
    LautWord w;
    w.word = text;
    for (char digit = '1'; digit <= '9'; ++digit) {
        const qsizetype at = text.indexOf(QLatin1Char(digit));
        if (at < 0)
            continue;
        w.word = text.left(at) + text.mid(at + 1);
        w.markLength = digit - '0';
        w.markStart = int(at) + 1;
        w.hasMarker = true;
        break;
    }
    return w;
}

LautItems SplitLautItems(const QString& text)
{
    LautItems r;
    SplitText(text, r.items, true, QStringLiteral(","), true);
    if (r.items.isEmpty())
        return r;
    r.word = SplitLautMarker(r.items.front());
    if (r.items.size() == 1) {
        if (!r.word.hasMarker)
            return r;
        const QString target = r.word.word.mid(r.word.markStart - 1, 1);
        if (target.isEmpty())
            return r;
        r.items << target << QStringLiteral("Y");
    }
    r.valid = true;
    return r;
}

QStringList LautSoundSet(const LautItems& items, int count)
{
    QStringList pool = items.items.mid(1);
    count = std::max(1, count);
    while (pool.size() > count)
        pool.removeLast();
    QStringList set;
    while (!pool.isEmpty()) {
        const QString s = pool.takeAt(rnd::below(int(pool.size())));
        if (!set.contains(s))
            set << s;
    }
    return set;
}

bool LautSoundMatches(const QString& sound, const QString& target, bool withCheck)
{
    if (sound.isEmpty())
        return false;
    auto same = [&](const QString& a) { return a.compare(target, Qt::CaseInsensitive) == 0; };
    return same(sound) || same(sound + sound) || (withCheck && same(QLatin1Char('c') + sound));
}

} // namespace exercise
