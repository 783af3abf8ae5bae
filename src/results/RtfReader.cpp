#include "results/RtfReader.h"

#include "core/Win1252.h"

#include <QFont>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <vector>

namespace {

constexpr int kMaxDepth = 64;

struct GroupState {
    bool bold = false;
    bool underline = false;
    int halfPoints = 24;  // RTF's default size, 12 pt
    bool skip = false;    // inside a destination whose text is not shown
    bool fontTable = false;
};

class Reader
{
public:
    Reader(QTextDocument& doc, const QString& rtf) : m_doc(doc), m_in(rtf), m_cursor(&doc) {}

    void run()
    {
        m_doc.clear();
        m_cursor = QTextCursor(&m_doc);
        m_stack.push_back(GroupState{});
        const qsizetype n = m_in.size();
        qsizetype i = 0;
        while (i < n) {
            const QChar c = m_in.at(i);
            if (c == QLatin1Char('{')) {
                // Past the depth limit groups are counted but share their parent's state.
                if (m_stack.size() < kMaxDepth)
                    m_stack.push_back(m_stack.back());
                else
                    ++m_overflow;
                m_groupStart = true;
                ++i;
            } else if (c == QLatin1Char('}')) {
                flushFontName();
                if (m_overflow > 0)
                    --m_overflow;
                else if (m_stack.size() > 1)
                    m_stack.pop_back();
                m_groupStart = false;
                ++i;
            } else if (c == QLatin1Char('\\')) {
                i = controlAt(i);
            } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                ++i;
            } else {
                text(c);
                ++i;
            }
        }
        flushFontName();
        flushText();
        if (!m_fontName.isEmpty())
            m_doc.setDefaultFont(QFont(m_fontName));
    }

private:
    GroupState& st() { return m_stack.back(); }

    qsizetype controlAt(qsizetype i)
    {
        const qsizetype n = m_in.size();
        ++i;  // past the backslash
        if (i >= n)
            return i;
        const QChar c = m_in.at(i);
        if (!c.isLetter() || c.unicode() > 0x7f) {
            // Control symbol.
            const bool atStart = m_groupStart;
            m_groupStart = false;
            if (c == QLatin1Char('\'')) {
                int value = 0, digits = 0;
                for (qsizetype j = i + 1; j < n && digits < 2; ++j, ++digits) {
                    const int d = QChar(m_in.at(j)).digitValue();
                    const QChar h = m_in.at(j).toLower();
                    int v = d;
                    if (d < 0 && h >= QLatin1Char('a') && h <= QLatin1Char('f'))
                        v = h.unicode() - 'a' + 10;
                    if (v < 0 || v > 15)
                        break;
                    value = value * 16 + v;
                }
                if (digits == 2) {
                    const char byte = char(value);
                    const QString s = win1252::decode(&byte, 1);
                    if (!s.isEmpty())
                        text(s.at(0));
                }
                return i + 1 + digits;
            }
            if (c == QLatin1Char('*') && atStart) {
                st().skip = true;
                return i + 1;
            }
            if (c == QLatin1Char('\\') || c == QLatin1Char('{') || c == QLatin1Char('}'))
                text(c);
            else if (c == QLatin1Char('~'))
                text(QChar(0x00a0));
            else if (c == QLatin1Char('_'))
                text(QChar(0x2011));
            else if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
                paragraph();
            return i + 1;
        }
        qsizetype j = i;
        while (j < n && j - i < 32 && m_in.at(j).unicode() < 0x80 && m_in.at(j).isLetter())
            ++j;
        const QString word = m_in.mid(i, j - i);
        while (j < n && m_in.at(j).unicode() < 0x80 && m_in.at(j).isLetter())
            ++j;  // overlong words are cut, not misread
        bool hasParam = false;
        bool negative = false;
        long long param = 0;
        if (j < n && m_in.at(j) == QLatin1Char('-')) {
            negative = true;
            ++j;
        }
        qsizetype digits = 0;
        while (j < n && m_in.at(j).isDigit() && m_in.at(j).unicode() < 0x80) {
            if (digits < 9)
                param = param * 10 + m_in.at(j).digitValue();
            ++digits;
            ++j;
        }
        hasParam = digits > 0;
        if (negative)
            param = -param;
        if (j < n && m_in.at(j) == QLatin1Char(' '))
            ++j;  // the delimiting blank belongs to the control word
        const bool atStart = m_groupStart;
        m_groupStart = false;
        word_(word, hasParam, int(param), atStart);
        return j;
    }

    void word_(const QString& w, bool hasParam, int param, bool atStart)
    {
        if (w == QLatin1String("par")) {
            paragraph();
        } else if (w == QLatin1String("tab")) {
            text(QLatin1Char('\t'));
        } else if (w == QLatin1String("line")) {
            text(QChar(QChar::LineSeparator));
        } else if (w == QLatin1String("b")) {
            st().bold = !hasParam || param != 0;
        } else if (w == QLatin1String("ul")) {
            st().underline = !hasParam || param != 0;
        } else if (w == QLatin1String("ulnone")) {
            st().underline = false;
        } else if (w == QLatin1String("fs")) {
            if (hasParam && param > 0 && param <= 3276)
                st().halfPoints = param;
        } else if (w == QLatin1String("plain")) {
            st().bold = st().underline = false;
            st().halfPoints = 24;
        } else if (w == QLatin1String("fonttbl")) {
            st().skip = true;
            st().fontTable = true;
        } else if (atStart && (w == QLatin1String("colortbl") || w == QLatin1String("stylesheet") ||
                               w == QLatin1String("info") || w == QLatin1String("pict"))) {
            st().skip = true;
        }
    }

    void text(QChar c)
    {
        if (st().fontTable) {
            // The first font's name: text up to its ";".
            if (!m_fontDone) {
                if (c == QLatin1Char(';'))
                    flushFontName(), m_fontDone = true;
                else
                    m_fontPending += c;
            }
            return;
        }
        if (st().skip)
            return;
        // Text is collected in runs of one format and inserted at once.
        const GroupState& s = st();
        if (!m_pending.isEmpty() && (s.bold != m_pendingState.bold ||
                                     s.underline != m_pendingState.underline ||
                                     s.halfPoints != m_pendingState.halfPoints))
            flushText();
        m_pendingState = s;
        m_pending += c;
    }

    void flushText()
    {
        if (m_pending.isEmpty())
            return;
        QTextCharFormat f;
        f.setFontWeight(m_pendingState.bold ? QFont::Bold : QFont::Normal);
        f.setFontUnderline(m_pendingState.underline);
        f.setFontPointSize(m_pendingState.halfPoints / 2.0);
        if (!m_fontName.isEmpty())
            f.setFontFamilies({m_fontName});
        m_cursor.insertText(m_pending, f);
        m_pending.clear();
    }

    void paragraph()
    {
        if (st().skip)
            return;
        flushText();
        m_cursor.insertBlock();
    }

    void flushFontName()
    {
        if (!m_fontPending.trimmed().isEmpty() && m_fontName.isEmpty())
            m_fontName = m_fontPending.trimmed();
        m_fontPending.clear();
    }

    QTextDocument& m_doc;
    const QString& m_in;
    QTextCursor m_cursor;
    std::vector<GroupState> m_stack;
    int m_overflow = 0;
    bool m_groupStart = false;
    QString m_fontPending, m_fontName;
    QString m_pending;
    GroupState m_pendingState;
    bool m_fontDone = false;
};

} // namespace

void ReadRtfInto(QTextDocument& doc, const QString& rtf)
{
    Reader(doc, rtf).run();
}

QString RtfToPlainText(const QString& rtf)
{
    QTextDocument doc;
    ReadRtfInto(doc, rtf);
    return doc.toPlainText();
}
