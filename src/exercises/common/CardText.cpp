#include "exercises/common/CardText.h"

#include "media/sound/Sound.h"

#include <algorithm>

namespace exercise {

MarkedText SplitMarker(const QString& text)
{
    MarkedText m;
    m.text = text;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c >= QLatin1Char('1') && c <= QLatin1Char('9')) {
            m.text = text.left(i) + text.mid(i + 1);
            m.markStart = int(i);
            m.markLength = int(std::min<qsizetype>(c.digitValue(), m.text.size() - i));
            break;
        }
    }
    return m;
}

MarkedText CardText(const QString& elementText)
{
    MarkedText m = SplitMarker(elementText);
    const QString stripped = StripArticle(m.text);
    if (stripped != m.text) {
        // The article went from the front: the mark keeps to its letters.
        const int removed = int(m.text.size() - stripped.size());
        m.text = stripped;
        if (m.markStart >= 0) {
            const int start = m.markStart - removed;
            const int end = start + m.markLength;
            m.markStart = std::max(0, start);
            m.markLength = std::max(0, end - m.markStart);
            if (m.markLength == 0)
                m.markStart = -1;
        }
    }
    return m;
}

} // namespace exercise
