#include "exercises/WelcherLautPasst/SoundPairs.h"

#include "core/GlobalState.h"
#include "core/TextUtil.h"

namespace welcher {

namespace {

struct Pair {
    const char* a;
    const char* b;
};

// Searched in this order; the first pair whose sound a counts gives the choices.
const Pair kAnlaut[] = {{"B", "P"}, {"P", "B"}, {"D", "T"}, {"T", "D"}, {"F", "W"},   {"W", "F"},
                        {"G", "K"}, {"K", "G"}, {"M", "N"}, {"N", "M"}, {"Sch", "S"}, {"S", "Sch"}};
const Pair kInlaut[] = {{"b", "p"}, {"p", "b"}, {"t", "d"}, {"d", "t"}, {"g", "k"}, {"k", "g"},
                        {"ö", "ü"}, {"ü", "ö"}, {"o", "u"}, {"u", "o"}, {"e", "i"}, {"i", "e"}};
const Pair kAuslaut[] = {{"m", "n"}, {"n", "m"}, {"s", "sch"}, {"sch", "s"}};

bool counts(const QString& word, const QString& a, SoundPosition position)
{
    switch (position) {
    case SoundPosition::Anlaut:
        return word.startsWith(a);
    case SoundPosition::Inlaut: {
        // 1-based: the first occurrence starts after position 1 and before the last position.
        const int i = int(word.indexOf(a));
        return i > 0 && i < int(word.size()) - 1;
    }
    case SoundPosition::Auslaut: {
        const int i = int(word.indexOf(a));
        return i >= 0 && i + int(a.size()) == int(word.size());
    }
    case SoundPosition::None:
        break;
    }
    return false;
}

QString pattern(const QString& sound, SoundPosition position)
{
    const QString dash = QStringLiteral("-");
    switch (position) {
    case SoundPosition::Anlaut: return sound + dash;
    case SoundPosition::Inlaut: return dash + sound + dash;
    case SoundPosition::Auslaut: return dash + sound;
    case SoundPosition::None: break;
    }
    return sound;
}

} // namespace

SoundPosition SoundPositionOf(const QString& relativeListPath)
{
    QString p = relativeListPath;
    p.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const int cut = int(p.indexOf(QLatin1Char('\\')));
    const QString folder = cut < 0 ? QString() : p.left(cut);
    if (folder.compare(QLatin1String("Anlaut"), Qt::CaseInsensitive) == 0)
        return SoundPosition::Anlaut;
    if (folder.compare(QLatin1String("Inlaut"), Qt::CaseInsensitive) == 0)
        return SoundPosition::Inlaut;
    if (folder.compare(QLatin1String("Auslaut"), Qt::CaseInsensitive) == 0)
        return SoundPosition::Auslaut;
    return SoundPosition::None;
}

QStringList ChoiceParts(const QString& text, SoundPosition position)
{
    QStringList parts;
    SplitText(text, parts, true, QStringLiteral(","), false);
    if (parts.isEmpty())
        return {};
    if (parts.size() >= 3)
        return parts;
    const QString word = parts.front();
    const Pair* table = nullptr;
    size_t count = 0;
    switch (position) {
    case SoundPosition::Anlaut: table = kAnlaut; count = std::size(kAnlaut); break;
    case SoundPosition::Inlaut: table = kInlaut; count = std::size(kInlaut); break;
    case SoundPosition::Auslaut: table = kAuslaut; count = std::size(kAuslaut); break;
    case SoundPosition::None: break;
    }
    for (size_t i = 0; i < count; ++i) {
        const QString a = QString::fromUtf8(table[i].a);
        if (counts(word, a, position)) {
            parts << pattern(a, position) << pattern(QString::fromUtf8(table[i].b), position);
            return parts;
        }
    }
    return {};
}

Choices ChoicesOf(const QString& text, SoundPosition position)
{
    const QStringList parts = ChoiceParts(text, position);
    if (parts.size() < 3)
        return {};
    return Choices{parts[0], parts[1], parts[2], true};
}

QString LetterOf(const QString& choice)
{
    QString letters = choice;
    letters.remove(QLatin1Char('-'));
    if (letters.size() == 2 && letters[0] == letters[1])
        letters.truncate(1);
    return letters;
}

QString LetterSoundFile(const QString& choice)
{
    return g().config.dirs.internsound + QStringLiteral("ABC/LAUTE/") + LetterOf(choice) + QStringLiteral(".wav");
}

Mark MarkOf(const QString& word, const QString& rightChoice, bool fromEnd)
{
    QString letters = rightChoice;
    letters.replace(QLatin1Char('-'), QLatin1Char(' '));
    letters = letters.trimmed();
    const int n = int(letters.size());
    if (n == 0 || n > word.size())
        return {};
    if (fromEnd) {
        int start = int(word.size()) - n;
        Mark m{start, n};
        while (start - n >= 0 && word.mid(start - n, n).compare(letters, Qt::CaseInsensitive) == 0) {
            start -= n;
            m = Mark{start, m.length + n};
        }
        return m;
    }
    const int first = int(word.indexOf(letters));
    if (first < 0)
        return {};
    Mark m{first, n};
    while (word.mid(m.start + m.length, n) == letters)
        m.length += n;
    return m;
}

} // namespace welcher
