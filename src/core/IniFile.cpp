#include "core/IniFile.h"
#include "core/FileSystem.h"
#include "core/Win1252.h"

#include <algorithm>
#include <array>
#include <cerrno>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// Names are equal when their QString::toLower() forms are. That lower-casing maps each UTF-16 unit
// on its own except for surrogate pairs and U+0130 (which becomes two units); names with those take
// the slow path over real lower-cased copies, all others are folded unit by unit in place.
inline bool simpleUnit(char16_t c) { return c != 0x0130 && !QChar::isSurrogate(c); }

// The lower-cased copy, always through QString's const overload: its in-place rvalue overload
// turns a lone surrogate after an expanding letter into U+FFFD, so the two can differ.
QString lowered(QStringView s)
{
    const QString copy = s.toString();
    return copy.toLower();
}

const std::array<char16_t, 256>& latinLower()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int c = 0; c < 256; ++c)
            t[size_t(c)] = char16_t(QChar::toLower(char32_t(c)));
        return t;
    }();
    return table;
}

inline char16_t lowerUnit(char16_t c)
{
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    if (c < 0x100)
        return latinLower()[c];
    return char16_t(QChar::toLower(char32_t(c)));
}

constexpr quint32 kSeed = 2166136261u;
inline quint32 mixUnit(quint32 h, char16_t c) { return (h ^ c) * 16777619u; }
inline quint32 finish(quint32 h)
{
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

quint32 nameHash(QStringView s)
{
    quint32 h = kSeed;
    for (QChar q : s) {
        const char16_t c = q.unicode();
        if (!simpleUnit(c)) {
            h = kSeed;
            for (QChar l : lowered(s))
                h = mixUnit(h, l.unicode());
            return h;
        }
        h = mixUnit(h, lowerUnit(c));
    }
    return h;
}

bool allSimple(QStringView s)
{
    for (QChar c : s)
        if (!simpleUnit(c.unicode()))
            return false;
    return true;
}

bool sameName(QStringView a, QStringView b)
{
    if (a.size() == b.size()) {
        for (qsizetype i = 0; i < a.size(); ++i) {
            const char16_t x = a[i].unicode(), y = b[i].unicode();
            if (x == y)
                continue;
            if (!simpleUnit(x) || !simpleUnit(y))
                return lowered(a) == lowered(b);
            if (lowerUnit(x) != lowerUnit(y))
                return false;
        }
        return true;
    }
    if (allSimple(a) && allSimple(b))
        return false;
    return lowered(a) == lowered(b);
}

inline quint32 keyHash(QStringView name) { return finish(nameHash(name)); }

// Index of the first unit in [from, n) equal to a or b, else n. Lines and values are scanned for
// their separators eight units at a time.
inline qsizetype findEither(const char16_t* p, qsizetype from, qsizetype n, char16_t a, char16_t b)
{
    qsizetype i = from;
#ifdef __SSE2__
    const __m128i va = _mm_set1_epi16(short(a)), vb = _mm_set1_epi16(short(b));
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, va), _mm_cmpeq_epi16(v, vb)));
        if (mask)
            return i + (__builtin_ctz(unsigned(mask)) >> 1);
    }
#endif
    for (; i < n; ++i)
        if (p[i] == a || p[i] == b)
            return i;
    return n;
}

inline quint64 keyBit(quint32 hash) { return quint64(1) << (hash >> 26); }

constexpr qint32 kFree = -1;
constexpr qint32 kDeleted = -2;
constexpr qint32 kSmallSection = 16;

size_t tableSizeFor(size_t entries)
{
    size_t cap = 16;
    while (cap < entries * 2 + 2)
        cap *= 2;
    return cap;
}
} // namespace

IniFile IniFile::load(const QString& path, fsys::ReadResult* result)
{
    fsys::ReadResult read = fsys::ReadResult::Missing;
    auto bytes = fsys::readFile(path, -1, &read);
    if (result)
        *result = read;
    if (!bytes) {
        IniFile empty;
        empty.m_unreadable = read == fsys::ReadResult::Unreadable;
        return empty;
    }
    IniFile ini;
    ini.m_text = win1252::decode(*bytes);
    bytes.reset();  // the parse's own memory can take its place
    ini.parseText();
    return ini;
}

IniFile IniFile::parse(const QByteArray& bytes)
{
    IniFile ini;
    ini.m_text = win1252::decode(bytes);
    ini.parseText();
    return ini;
}

IniFile IniFile::parse(const QString& text)
{
    IniFile ini;
    // A copy of our own: the caller's string may merely wrap a buffer it frees later.
    ini.m_text = QString(text.constData(), text.size());
    ini.parseText();
    return ini;
}

void IniFile::parseText()
{
    const char16_t* p = reinterpret_cast<const char16_t*>(m_text.constData());
    const qsizetype n = m_text.size();
    m_items.reserve(size_t(n / 40) + 8);  // task lists run at about 60 characters a line

    int cur = -1;
    bool firstOccurrence = false;  // keys added by writing go into a section's first occurrence
    qsizetype start = 0;
    while (start <= n) {
        // The line's end, and its first "=" when that comes before the end.
        qsizetype end = findEither(p, start, n, u'\n', u'\r');
        qsizetype next = end + 1;
        if (end < n && p[end] == u'\r' && end + 1 < n && p[end + 1] == u'\n')
            ++next;
        qsizetype a = start, b = end;
        while (a < b && (p[a] == u' ' || p[a] == u'\t'))
            ++a;
        while (b > a && (p[b - 1] == u' ' || p[b - 1] == u'\t'))
            --b;
        if (a < b) {
            const QStringView line(p + a, b - a);
            if (line.front() == QLatin1Char('[')) {
                const qsizetype close = line.indexOf(QLatin1Char(']'));
                const QStringView name = trimmed(line.mid(1, (close < 0 ? line.size() : close) - 1));
                const quint32 h = keyHash(name);
                m_headers.push_back({start, name});
                cur = findSection(name, h);
                firstOccurrence = cur < 0;
                if (cur < 0)
                    cur = addSection(name, h);
            } else if (cur >= 0) {
                const qsizetype eq = findEither(p, a, b, u'=', u'=') - a;
                if (eq > 0 && eq < line.size()) {
                    const QStringView key = trimmed(line.left(eq));
                    QStringView val = trimmed(line.mid(eq + 1));
                    // The profile functions drop one pair of matching quotes around a value.
                    if (val.size() >= 2 && (val.front() == QLatin1Char('"') || val.front() == QLatin1Char('\''))
                        && val.back() == val.front())
                        val = val.mid(1, val.size() - 2);
                    if (!key.isEmpty()) {
                        const quint32 h = keyHash(key);
                        if (findItem(cur, key, h) < 0) {
                            addItem(cur, key, val, h);
                            m_items.back().line = start;
                        }
                    }
                }
            }
            if (cur >= 0 && firstOccurrence)
                m_sections[size_t(cur)].insertAt = std::min(next, n);
        }
        start = next;
    }
    m_parsedItems = qsizetype(m_items.size());
}

int IniFile::findSection(QStringView name) const { return findSection(name, keyHash(name)); }

int IniFile::findSection(QStringView name, quint32 hash) const
{
    if (m_sectionTable.empty())
        return -1;
    const size_t mask = m_sectionTable.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = m_sectionTable[i];
        if (slot.index == kFree)
            return -1;
        if (slot.index >= 0 && slot.hash == hash && sameName(m_sections[size_t(slot.index)].name, name))
            return slot.index;
    }
}

int IniFile::findItem(int section, QStringView key) const { return findItem(section, key, keyHash(key)); }

int IniFile::findItem(int section, QStringView key, quint32 hash) const
{
    const Section& s = m_sections[size_t(section)];
    if (s.table.empty()) {
        if (!(s.keyBits & keyBit(hash)))
            return -1;
        for (int i = s.first; i >= 0; i = m_items[size_t(i)].next) {
            const Item& item = m_items[size_t(i)];
            if (item.hash == hash && sameName(item.key, key))
                return i;
        }
        return -1;
    }
    const size_t mask = s.table.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = s.table[i];
        if (slot.index == kFree)
            return -1;
        if (slot.index >= 0 && slot.hash == hash && sameName(m_items[size_t(slot.index)].key, key))
            return slot.index;
    }
}

namespace {
template <typename Slots>
void placeSlot(Slots& table, quint32 hash, qint32 index)
{
    const size_t mask = table.size() - 1;
    size_t i = hash & mask;
    while (table[i].index != kFree)
        i = (i + 1) & mask;
    table[i] = {hash, index};
}
} // namespace

int IniFile::addSection(QStringView name, quint32 hash)
{
    const int index = int(m_sections.size());
    Section section;
    section.name = name;
    section.hash = hash;
    m_sections.push_back(std::move(section));
    if ((m_sections.size() + 1) * 2 > m_sectionTable.size())
        rebuildSectionTable();
    else
        placeSlot(m_sectionTable, hash, index);
    return index;
}

void IniFile::rebuildSectionTable()
{
    m_sectionTable.assign(tableSizeFor(m_sections.size() * 2), Slot{0, kFree});
    for (size_t s = 0; s < m_sections.size(); ++s)
        placeSlot(m_sectionTable, m_sections[s].hash, qint32(s));
}

void IniFile::addItem(int section, QStringView key, QStringView value, quint32 hash)
{
    const qint32 index = qint32(m_items.size());
    Item item;
    item.key = key;
    item.value = value;
    item.hash = hash;
    m_items.push_back(item);
    Section& s = m_sections[size_t(section)];
    if (s.last >= 0)
        m_items[size_t(s.last)].next = index;
    else
        s.first = index;
    s.last = index;
    ++s.count;
    s.keyBits |= keyBit(hash);
    if (s.table.empty()) {
        if (s.count > kSmallSection)
            rebuildItemTable(s);
    } else if (size_t(s.tableUsed + 1) * 2 > s.table.size()) {
        rebuildItemTable(s);
    } else {
        placeSlot(s.table, hash, index);
        ++s.tableUsed;
    }
}

void IniFile::rebuildItemTable(Section& s)
{
    s.table.assign(tableSizeFor(size_t(s.count) * 2), Slot{0, kFree});
    s.tableUsed = s.count;
    for (int i = s.first; i >= 0; i = m_items[size_t(i)].next)
        placeSlot(s.table, m_items[size_t(i)].hash, i);
}

QStringView IniFile::own(const QString& text, qint32* slot)
{
    if (slot && *slot >= 0) {
        m_owned[size_t(*slot)] = text;
        return m_owned[size_t(*slot)];
    }
    if (slot)
        *slot = qint32(m_owned.size());
    m_owned.push_back(text);
    return m_owned.back();
}

QByteArray IniFile::toBytes() const
{
    static const QLatin1String kEol("\r\n");
    QString out;
    out.reserve(m_text.size() + 256);
    auto appendEntry = [&](const Item& item) {
        out += item.key;
        out += QLatin1Char('=');
        out += item.value;
    };
    auto appendAdded = [&](const Section& s) {
        for (int i = s.first; i >= 0; i = m_items[size_t(i)].next)
            if (m_items[size_t(i)].line < 0) {
                appendEntry(m_items[size_t(i)]);
                out += kEol;
            }
    };

    // Keys added to sections of the file go after the last line of the section's first occurrence.
    std::vector<std::pair<qsizetype, size_t>> inserts;
    for (size_t s = 0; s < m_sections.size(); ++s) {
        const Section& sec = m_sections[s];
        if (sec.insertAt < 0)
            continue;
        for (int i = sec.first; i >= 0; i = m_items[size_t(i)].next)
            if (m_items[size_t(i)].line < 0) {
                inserts.emplace_back(sec.insertAt, s);
                break;
            }
    }
    std::stable_sort(inserts.begin(), inserts.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });

    const char16_t* p = reinterpret_cast<const char16_t*>(m_text.constData());
    const qsizetype n = m_text.size();
    size_t nextInsert = 0, nextHeader = 0;
    qsizetype nextItem = 0;
    bool erasing = false;
    for (qsizetype pos = 0; pos < n;) {
        while (nextInsert < inserts.size() && inserts[nextInsert].first == pos)
            appendAdded(m_sections[inserts[nextInsert++].second]);
        const qsizetype end = findEither(p, pos, n, u'\n', u'\r');
        qsizetype next = end < n ? end + 1 : n;
        if (end < n && p[end] == u'\r' && end + 1 < n && p[end + 1] == u'\n')
            ++next;
        bool keep = true;
        if (nextHeader < m_headers.size() && m_headers[nextHeader].line == pos) {
            erasing = m_headers[nextHeader++].erased;
            keep = !erasing;
        } else {
            keep = !erasing;
            if (nextItem < m_parsedItems && m_items[size_t(nextItem)].line == pos) {
                const Item& item = m_items[size_t(nextItem++)];
                if (item.deleted)
                    keep = false;
                else if (keep && item.changed) {
                    appendEntry(item);
                    out += QStringView(p + end, next - end);
                    keep = false;
                }
            }
        }
        if (keep)
            out += QStringView(p + pos, next - pos);
        pos = next;
    }
    if (nextInsert < inserts.size()) {
        if (!out.isEmpty() && !out.endsWith(QLatin1Char('\n')) && !out.endsWith(QLatin1Char('\r')))
            out += kEol;
        while (nextInsert < inserts.size())
            appendAdded(m_sections[inserts[nextInsert++].second]);
    }

    // New sections at the end, each followed by a blank line.
    for (const Section& s : m_sections) {
        if (s.insertAt >= 0)
            continue;
        if (!out.isEmpty()) {
            if (!out.endsWith(QLatin1Char('\n')) && !out.endsWith(QLatin1Char('\r')))
                out += kEol;
            if (!out.endsWith(QLatin1String("\r\n\r\n")) && !out.endsWith(QLatin1String("\n\n")))
                out += kEol;
        }
        out += QLatin1Char('[');
        out += s.name;
        out += QLatin1Char(']');
        out += kEol;
        for (int i = s.first; i >= 0; i = m_items[size_t(i)].next) {
            appendEntry(m_items[size_t(i)]);
            out += kEol;
        }
        out += kEol;
    }
    return win1252::encode(out);
}

bool IniFile::save(const QString& path) const
{
    if (m_unreadable) {
        errno = EACCES;
        return false;
    }
    return fsys::writeFileAtomic(path, toBytes());
}

QStringList IniFile::sections() const
{
    QStringList out;
    out.reserve(qsizetype(m_sections.size()));
    for (const Section& s : m_sections)
        out << s.name.toString();
    return out;
}

bool IniFile::hasSection(const QString& section) const { return findSection(section) >= 0; }

bool IniFile::hasKey(const QString& section, const QString& key) const { return valueView(section, key).has_value(); }

std::optional<QStringView> IniFile::valueView(QStringView section, QStringView key) const
{
    const int s = findSection(section);
    if (s < 0)
        return std::nullopt;
    const int i = findItem(s, key);
    if (i < 0)
        return std::nullopt;
    return m_items[size_t(i)].value;
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const
{
    auto v = valueView(section, key);
    if (!v)
        return std::nullopt;
    return v->toString();
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    auto v = valueView(section, key);
    return v ? v->toString() : def;
}

std::optional<qint32> IniFile::parseInteger(const QString& text) { return parseInteger(QStringView(text)); }

std::optional<qint32> IniFile::parseInteger(QStringView text)
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
    auto v = valueView(section, key);
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
    std::vector<Entry> out;
    const int s = findSection(section);
    if (s < 0)
        return out;
    out.reserve(size_t(m_sections[size_t(s)].count));
    forEachEntry(section, [&](QStringView k, QStringView v) { out.push_back({k.toString(), v.toString()}); });
    return out;
}

QStringList IniFile::sectionKeys(const QString& section) const
{
    QStringList out;
    forEachEntry(section, [&](QStringView k, QStringView) { out << k.toString(); });
    return out;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    const quint32 sh = keyHash(section);
    int s = findSection(section, sh);
    if (s < 0)
        s = addSection(own(section), sh);
    const quint32 kh = keyHash(key);
    const int i = findItem(s, key, kh);
    if (i >= 0) {
        Item& item = m_items[size_t(i)];
        item.value = own(value, &item.ownedValue);
        item.changed = true;
        return;
    }
    qint32 ownedValue = -1;
    const QStringView k = own(key);
    const QStringView v = own(value, &ownedValue);
    addItem(s, k, v, kh);
    m_items.back().ownedValue = ownedValue;
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
    const int s = findSection(section);
    if (s < 0)
        return;
    // Its entries stay in m_items, reachable from no section; every header of it in the file goes,
    // with the lines below it.
    for (Header& h : m_headers)
        if (sameName(h.name, section))
            h.erased = true;
    m_sections.erase(m_sections.begin() + s);
    rebuildSectionTable();
}

void IniFile::deleteKey(const QString& section, const QString& key)
{
    const int s = findSection(section);
    if (s < 0)
        return;
    const quint32 h = keyHash(key);
    const int i = findItem(s, key, h);
    if (i < 0)
        return;
    Section& sec = m_sections[size_t(s)];
    int prev = -1;
    for (int j = sec.first; j != i; j = m_items[size_t(j)].next)
        prev = j;
    const int next = m_items[size_t(i)].next;
    if (prev >= 0)
        m_items[size_t(prev)].next = next;
    else
        sec.first = next;
    if (sec.last == i)
        sec.last = prev;
    --sec.count;
    m_items[size_t(i)].next = -1;
    m_items[size_t(i)].deleted = true;
    if (sec.table.empty())
        return;
    const size_t mask = sec.table.size() - 1;
    for (size_t j = h & mask;; j = (j + 1) & mask) {
        if (sec.table[j].index == i) {
            sec.table[j].index = kDeleted;
            return;
        }
    }
}
