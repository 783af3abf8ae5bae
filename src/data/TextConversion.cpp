#include "data/TextConversion.h"

#include "core/GlobalState.h"
#include "core/Win1252.h"

namespace textconv {
namespace {
const QChar sharpS(0x00DF);

QString replaceSharpS(QString t, const QString& hyphenated, const QString& plain)
{
    // A hyphen before "ß" marks the syllable break, which then falls between the two letters.
    t.replace(QStringLiteral("-") + sharpS, hyphenated);
    t.replace(sharpS, plain);
    return t;
}
}

QString adjustMarkers(const QString& text)
{
    QString out = text;
    const qsizetype n = out.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = out[i].unicode();
        if (c < u'1' || c > u'9')
            continue;
        const int d = c - u'0';
        int count = d;
        for (qsizetype j = i + 1; j <= i + d && j < n; ++j) {
            if (out[j] == sharpS)
                ++count;
        }
        out[i] = QChar(u'0' + std::min(count, 9));
    }
    return out;
}

QString swiss(const QString& text)
{
    if (!text.contains(sharpS))
        return text;
    return replaceSharpS(adjustMarkers(text), QStringLiteral("s-s"), QStringLiteral("ss"));
}

QString capitalsOnly(const QString& text)
{
    QString up = text;
    for (QChar& c : up) {
        if (c == sharpS)
            continue;
        const QChar u = c.toUpper();
        // Only capitals the code page has (µ and ÿ-like letters without one stay as they are).
        if (u != c && (win1252::encodeChar(u) != '?'))
            c = u;
    }
    if (!up.contains(sharpS))
        return up;
    return replaceSharpS(adjustMarkers(up), QStringLiteral("S-S"), QStringLiteral("SS"));
}

QString forLoading(const QString& text)
{
    const GlobalState& s = g();
    if (s.editorActive)
        return text;
    QString t = text;
    if (s.swissOrthography)
        t = swiss(t);
    if (s.playerOptions.capitalsOnly)
        t = capitalsOnly(t);
    return t;
}
}
