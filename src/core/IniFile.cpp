#include "core/IniFile.h"
#include "core/FileSystem.h"
#include "core/Win1252.h"

namespace {
inline bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QStringView trimmed(QStringView s)
{
    qsizetype a = 0, b = s.size();
    while (a < b && isBlank(s[a]))
        ++a;
    while (b > a && isBlank(s[b - 1]))
        --b;
    return s.mid(a, b - a);
}

QString fold(const QString& s) { return s.toLower(); }
}

IniFile IniFile::load(const QString& path, bool* existed)
{
    auto bytes = fsys::readFile(path);
    if (existed)
        *existed = bytes.has_value();
    if (!bytes)
        return IniFile();
    return parse(*bytes);
}

IniFile IniFile::parse(const QByteArray& bytes) { return parse(win1252::decode(bytes)); }

IniFile IniFile::parse(const QString& text)
{
    IniFile ini;
    Section* cur = nullptr;
    const qsizetype n = text.size();
    qsizetype start = 0;
    while (start <= n) {
        qsizetype end = start;
        while (end < n && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
            ++end;
        const QStringView line = trimmed(QStringView(text).mid(start, end - start));
        if (!line.isEmpty()) {
            if (line.front() == QLatin1Char('[')) {
                const qsizetype close = line.indexOf(QLatin1Char(']'));
                const QString name = trimmed(line.mid(1, (close < 0 ? line.size() : close) - 1)).toString();
                cur = &ini.findOrAdd(name);
            } else if (cur) {
                const qsizetype eq = line.indexOf(QLatin1Char('='));
                if (eq > 0) {
                    const QStringView key = trimmed(line.left(eq));
                    QStringView val = trimmed(line.mid(eq + 1));
                    // The profile functions drop one pair of matching quotes around a value.
                    if (val.size() >= 2 && (val.front() == QLatin1Char('"') || val.front() == QLatin1Char('\''))
                        && val.back() == val.front())
                        val = val.mid(1, val.size() - 2);
                    if (!key.isEmpty())
                        ini.addLine(*cur, key.toString(), val.toString());
                }
            }
        }
        if (end < n && text[end] == QLatin1Char('\r') && end + 1 < n && text[end + 1] == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    return ini;
}

void IniFile::addLine(Section& s, const QString& key, const QString& value)
{
    const QString k = fold(key);
    if (s.index.contains(k))
        return;
    s.index.insert(k, int(s.entries.size()));
    s.entries.push_back({key, value});
}

IniFile::Section* IniFile::find(const QString& section)
{
    auto it = m_index.constFind(fold(section));
    return it == m_index.constEnd() ? nullptr : &m_sections[*it];
}

const IniFile::Section* IniFile::find(const QString& section) const
{
    auto it = m_index.constFind(fold(section));
    return it == m_index.constEnd() ? nullptr : &m_sections[*it];
}

IniFile::Section& IniFile::findOrAdd(const QString& section)
{
    if (Section* s = find(section))
        return *s;
    m_index.insert(fold(section), int(m_sections.size()));
    m_sections.push_back(Section{section, {}, {}});
    return m_sections.back();
}

QByteArray IniFile::toBytes() const
{
    QStringList lines;
    for (const Section& s : m_sections) {
        lines << QLatin1Char('[') + s.name + QLatin1Char(']');
        for (const Entry& e : s.entries)
            lines << e.key + QLatin1Char('=') + e.value;
        lines << QString();
    }
    return fsys::joinLines(lines);
}

bool IniFile::save(const QString& path) const { return fsys::writeFileAtomic(path, toBytes()); }

QStringList IniFile::sections() const
{
    QStringList out;
    for (const Section& s : m_sections)
        out << s.name;
    return out;
}

bool IniFile::hasSection(const QString& section) const { return find(section) != nullptr; }

bool IniFile::hasKey(const QString& section, const QString& key) const { return value(section, key).has_value(); }

std::optional<QString> IniFile::value(const QString& section, const QString& key) const
{
    const Section* s = find(section);
    if (!s)
        return std::nullopt;
    auto it = s->index.constFind(fold(key));
    if (it == s->index.constEnd())
        return std::nullopt;
    return s->entries[*it].value;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    auto v = value(section, key);
    return v ? *v : def;
}

std::optional<qint32> IniFile::parseInteger(const QString& text)
{
    QStringView s = trimmed(text);
    bool neg = false;
    if (!s.isEmpty() && (s.front() == QLatin1Char('-') || s.front() == QLatin1Char('+'))) {
        neg = s.front() == QLatin1Char('-');
        s = s.mid(1);
    }
    int base = 10;
    if (s.startsWith(QLatin1Char('$'))) {
        base = 16;
        s = s.mid(1);
    } else if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        s = s.mid(2);
    }
    if (s.isEmpty() || s.size() > 20)
        return std::nullopt;
    bool ok = false;
    const qulonglong v = s.toULongLong(&ok, base);
    if (!ok || v > 0xFFFFFFFFull)
        return std::nullopt;
    if (neg) {
        if (v > 0x80000000ull)
            return std::nullopt;
        return qint32(-qint64(v));
    }
    return qint32(quint32(v));
}

qint32 IniFile::readInteger(const QString& section, const QString& key, qint32 def) const
{
    auto v = value(section, key);
    if (!v)
        return def;
    auto n = parseInteger(*v);
    return n ? *n : def;
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

std::vector<IniFile::Entry> IniFile::sectionEntries(const QString& section) const
{
    const Section* s = find(section);
    return s ? s->entries : std::vector<Entry>{};
}

QStringList IniFile::sectionKeys(const QString& section) const
{
    QStringList out;
    if (const Section* s = find(section))
        for (const Entry& e : s->entries)
            out << e.key;
    return out;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    Section& s = findOrAdd(section);
    auto it = s.index.constFind(fold(key));
    if (it != s.index.constEnd())
        s.entries[*it].value = value;
    else
        addLine(s, key, value);
}

void IniFile::writeInteger(const QString& section, const QString& key, qint32 value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::eraseSection(const QString& section)
{
    auto it = m_index.constFind(fold(section));
    if (it == m_index.constEnd())
        return;
    m_sections.erase(m_sections.begin() + *it);
    m_index.clear();
    for (int i = 0; i < int(m_sections.size()); ++i)
        m_index.insert(fold(m_sections[i].name), i);
}

void IniFile::deleteKey(const QString& section, const QString& key)
{
    Section* s = find(section);
    if (!s)
        return;
    auto it = s->index.constFind(fold(key));
    if (it == s->index.constEnd())
        return;
    s->entries.erase(s->entries.begin() + *it);
    s->index.clear();
    for (int i = 0; i < int(s->entries.size()); ++i)
        s->index.insert(fold(s->entries[i].key), i);
}
