#include "exercises/LautAdd/LautAddRules.h"

namespace lautreplace {

Position AddPositionOf(const QString& relativeListPath)
{
    return relativeListPath.toLower().contains(QLatin1String("anlaut")) ? Position::Anlaut : Position::Auslaut;
}

TaskWords AddWords(const TAufgabe& task, Position position, int soundCount, bool capitalsOnly)
{
    TaskWords w;
    w.firstWord = ElementOf(task, 1).text.trimmed();
    const QString text = ElementOf(task, 2).text.trimmed();
    const int plus = text.indexOf(QLatin1Char('+'));
    if (plus < 0) {
        w.secondWord = text;
        return w;
    }
    const bool anlaut = position == Position::Anlaut;
    const QString rest = (anlaut ? text.mid(plus + 1) : text.left(plus)).trimmed();
    QStringList offered = SplitItems(anlaut ? text.left(plus) : text.mid(plus + 1));
    while (offered.size() > std::max(1, soundCount)) {
        if (anlaut)
            offered.removeFirst();
        else
            offered.removeLast();
    }
    if (offered.isEmpty())
        return w;
    w.offered = offered;
    w.right = anlaut ? int(offered.size()) - 1 : 0;
    const QString sound = ShownSound(offered[w.right]);
    if (anlaut) {
        w.after = capitalsOnly ? rest : rest.toLower();
        w.secondWord = sound + w.after;
        w.secondMarkStart = 0;
    } else {
        w.before = rest;
        w.secondWord = rest + sound;
        w.secondMarkStart = int(rest.size());
    }
    w.secondMarkLength = int(sound.size());
    w.valid = true;
    return w;
}

// The new word as the protocol writes it: the item holding the "+", without it (and without digits
// for "Auslaut").
QString AddedWord(const TAufgabe& task, Position position)
{
    const QString text = ElementOf(task, 2).text;
    for (const QString& item : SplitItems(text))
        if (item.contains(QLatin1Char('+'))) {
            QString word = item;
            word.remove(QLatin1Char('+'));
            return position == Position::Auslaut ? ShownSound(word) : word;
        }
    return text.trimmed();
}

} // namespace lautreplace
