#include "data/TaskList.h"

#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/IniFile.h"
#include "core/TextUtil.h"
#include "data/TextConversion.h"

#include <QSet>
#include <QVarLengthArray>

#include <algorithm>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {
const QString kLayout = QStringLiteral("Layout");
const QString kGeneral = QStringLiteral("Allgemein");

void readLayout(const IniFile& ini, TLayout& l)
{
    l = defaultListLayout();
    l.backgroundColour = ini.readInteger(kLayout, QStringLiteral("Hintergrundfarbe"), 8585090);
    // Held as the full path; an empty value leaves the folder itself.
    l.backgroundPicture = fsys::withSlash(g().config.dirs.internBilder)
        + fsys::fromStored(ini.readString(kLayout, QStringLiteral("Hintergrundbild")));
    l.pictureBackgroundColour = ini.readInteger(kLayout, QStringLiteral("Bilderhintergrundfarbe"), 1769242);
    l.buttonColour = ini.readInteger(kLayout, QStringLiteral("Knopffarbe"), 1769242);
    l.pictureSize = ini.readInteger(kLayout, QStringLiteral("Bildgröße"), 100);
    l.animation = ini.readString(kLayout, QStringLiteral("Animation"));
    l.cardBack = ini.readString(kLayout, QStringLiteral("Rueckseite"));
    l.instructionPicture = ini.readString(kLayout, QStringLiteral("BildAnleitung"));
    l.heading = ini.readString(kLayout, QStringLiteral("Überschrift"));
    l.headingSound = ini.readString(kLayout, QStringLiteral("Überschriftsound"));
    l.letterMarkColour = ini.readInteger(kLayout, QStringLiteral("BstMarkFarbe"), 255);
    l.pairColour = ini.readInteger(kLayout, QStringLiteral("BstPaarFarbe"), 8388608);
    TFont font;
    SelectInstalledFont(font, ini.readString(kLayout, QStringLiteral("Schriftname"), QStringLiteral("Arial")));
    font.size = ini.readInteger(kLayout, QStringLiteral("Schriftgröße"), 72);
    font.colour = ini.readInteger(kLayout, QStringLiteral("Schriftfarbe"), 0);
    l.font = font;
}

// Copies a field into `dst`, "\" -> "/" for stored names. A string whose buffer is its own and
// large enough is written in place: a reloaded list reuses its strings' memory instead of freeing
// and allocating every one.
void assignField(QString& dst, QStringView v, bool stored)
{
    const qsizetype n = v.size();
    if (dst.isDetached() && dst.capacity() >= n) {
        dst.resize(n);
    } else {
        if (n == 0) {
            dst = v.toString();
            return;
        }
        dst = QString(n, Qt::Uninitialized);
    }
    char16_t* d = reinterpret_cast<char16_t*>(dst.data());
    const char16_t* src = v.utf16();
    if (stored) {
        for (qsizetype i = 0; i < n; ++i)
            d[i] = src[i] == u'\\' ? u'/' : src[i];
    } else {
        std::copy(src, src + n, d);
    }
}

// Entry i of a list that is being rewritten from the front.
void setEntry(QStringList& list, qsizetype i, QStringView v)
{
    if (i < list.size()) {
        if (v.isEmpty())
            list[i] = QString();
        else
            assignField(list[i], v, false);
    } else {
        list.append(v.isEmpty() ? QString() : v.toString());
    }
}

// The names as SplitText gives them at ";" (every ";" ends a name, a trailing empty one is
// dropped) in memory form, duplicates dropped with the first occurrence kept; compared on views,
// so a repeated name costs no copy, and with a set once there are many.
void uniqueSounds(QStringView value, QStringList& out)
{
    QVarLengthArray<char16_t, 256> buffer(value.size());
    for (qsizetype i = 0; i < value.size(); ++i)
        buffer[i] = value[i] == QLatin1Char('\\') ? u'/' : value[i].unicode();
    const QStringView v(buffer.constData(), buffer.size());
    const bool many = v.count(QLatin1Char(';')) >= 16;
    QVarLengthArray<QStringView, 16> kept;
    QSet<QStringView> seen;
    qsizetype count = 0;
    auto add = [&](QStringView t) {
        if (many) {
            if (seen.contains(t))
                return;
            seen.insert(t);
        } else {
            if (std::find(kept.begin(), kept.end(), t) != kept.end())
                return;
            kept.append(t);
        }
        setEntry(out, count++, t);
    };
    qsizetype start = 0;
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (v[i] == QLatin1Char(';')) {
            add(v.mid(start, i - start));
            start = i + 1;
        }
    }
    if (start < v.size())
        add(v.mid(start));
    if (out.size() > count)
        out.resize(count);
}

// The element number a key names: plain decimal as written ("0", "12"), -1 for any other key.
int elementKey(QStringView key)
{
    const qsizetype len = key.size();
    if (len == 0 || len > 3 || (len > 1 && key[0] == QLatin1Char('0')))
        return -1;
    int v = 0;
    for (QChar c : key) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        v = v * 10 + (c.unicode() - u'0');
    }
    return v;
}

// The size field: plain digits are read here, anything else as QString::toInt reads it.
int sizeField(QStringView f)
{
    if (f.size() >= 1 && f.size() <= 9) {
        int v = 0;
        qsizetype i = 0;
        for (; i < f.size(); ++i) {
            const char16_t c = f[i].unicode();
            if (c < u'0' || c > u'9')
                break;
            v = v * 10 + (c - u'0');
        }
        if (i == f.size())
            return v;
    }
    bool ok = false;
    const int size = f.toInt(&ok);
    return ok ? size : 100;
}

// Index of the first "|" in [from, n), else n; eight units at a time.
inline qsizetype findBar(const char16_t* p, qsizetype from, qsizetype n)
{
    qsizetype i = from;
#ifdef __SSE2__
    const __m128i bar = _mm_set1_epi16(short(u'|'));
    for (; i + 8 <= n; i += 8) {
        const int mask =
            _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), bar));
        if (mask)
            return i + (__builtin_ctz(unsigned(mask)) >> 1);
    }
#endif
    for (; i < n; ++i)
        if (p[i] == u'|')
            return i;
    return n;
}

// The layout of a fresh element; the loader sets only its picture size. (Checked field by field,
// so a field added to the record must be added here.)
static_assert(sizeof(TLayout) == 256, "freshLayout checks every field of TLayout");
bool freshLayout(const TLayout& l)
{
    return l.backgroundColour == 0 && l.backgroundPicture.isNull() && l.pictureBackgroundColour == 0
        && l.buttonColour == 0 && l.reserved1 == 0 && l.reserved2 == 0 && l.reserved3 == 0 && l.reserved4 == 0
        && l.reservedText.isNull() && !l.font && l.animation.isNull() && l.cardBack.isNull() && l.heading.isNull()
        && l.headingSound.isNull() && l.letterMarkColour == 0 && l.pairColour == 0 && l.instructionPicture.isNull();
}

bool freshElement(const TEinzelbild& e)
{
    return e.picture.isNull() && e.text.isNull() && e.sounds.isNull() && e.extra.isNull() && e.layout.pictureSize == 0
        && freshLayout(e.layout);
}

bool parseElement(QStringView all, TEinzelbild& element, bool convert)
{
    const bool result = !(all.size() == 2 && all[0] == QLatin1Char('|') && all[1] == QLatin1Char('|'));
    // The fields as SplitText gives them at "|" (an empty last field is dropped); only the first
    // four are used.
    QStringView fields[4];
    int count = 0;
    const char16_t* p = all.utf16();
    const qsizetype n = all.size();
    qsizetype start = 0;
    while (count < 4 && start < n) {
        const qsizetype bar = findBar(p, start, n);
        fields[count++] = QStringView(p + start, bar - start);
        start = bar + 1;
    }
    if (count >= 1)
        assignField(element.picture, fields[0], true);
    else
        element.picture.clear();
    element.layout.pictureSize = count >= 2 ? sizeField(fields[1]) : 0;
    if (count < 3)
        element.text.clear();
    else if (convert)
        element.text = textconv::forLoading(fields[2].toString());
    else
        assignField(element.text, fields[2], false);
    if (count >= 4)
        assignField(element.sounds, fields[3], true);
    else
        element.sounds.clear();
    element.extra.clear();
    return result;
}

// The numbers k in 1 .. last of the sections "Aufgabe k" the profile holds, ascending: the name
// as the loader looks it up (any case, decimal without a leading zero).
std::vector<int> taskSections(const IniFile& ini, int last)
{
    std::vector<int> out;
    const QLatin1String prefix("Aufgabe ");
    for (const QString& s : ini.sections()) {
        if (s.size() <= prefix.size() || s.size() > prefix.size() + 10
            || !QStringView(s).left(prefix.size()).startsWith(prefix, Qt::CaseInsensitive))
            continue;
        const QStringView digits = QStringView(s).mid(prefix.size());
        if (digits[0] == QLatin1Char('0'))
            continue;
        qint64 k = 0;
        for (QChar c : digits) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                k = -1;
                break;
            }
            k = k * 10 + (c.unicode() - u'0');
        }
        if (k >= 1 && k <= last)
            out.push_back(int(k));
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

// Whether loading changes task texts at all.
bool conversionsOn()
{
    const GlobalState& s = g();
    return !s.editorActive && (s.swissOrthography || s.playerOptions.capitalsOnly);
}
} // namespace

TLayout defaultListLayout()
{
    TLayout l;
    l.backgroundColour = 8585090;
    l.pictureBackgroundColour = 1769242;
    l.buttonColour = 1769242;
    l.pictureSize = 100;
    l.letterMarkColour = 255;
    l.pairColour = 8388608;
    l.font = TFont();
    return l;
}

bool ParseElement(const QString& text, TEinzelbild& element)
{
    return parseElement(text, element, conversionsOn());
}

int ParseTaskList(const IniFile& ini, TDaten& list, bool withLayout, int* elementCount)
{
    if (withLayout)
        readLayout(ini, list.layout);
    const int declared = std::max(0, ini.readInteger(kGeneral, QStringLiteral("Aufgabencount"), 0));
    const int n = std::clamp(ini.readInteger(kGeneral, QStringLiteral("Elementanzahl"), g().defaultElementCount), 0,
                             kMaxElementCount);
    if (elementCount)
        *elementCount = n;
    const int count = std::min(declared, kMaxElementSlots / (n + 1));
    // A declared task without a section is kept as a task of empty elements, but it costs the file
    // no byte: only so many of them are made, so that time and memory follow the file.
    const std::vector<int> held = taskSections(ini, count);
    int emptyLeft = std::min(count - int(held.size()), kMaxEmptyTaskSlots / (n + 1));

    // The tasks are written over the list's present ones, which keeps their memory (see assignField).
    std::vector<TAufgabe>& tasks = list.tasks;
    tasks.reserve(held.size() + size_t(emptyLeft));
    const bool convert = conversionsOn();
    const QLatin1String successKey("Erfolgssound");
    // "Aufgabe " + k, built in place for the section lookup.
    char16_t name[24] = u"Aufgabe ";
    constexpr int prefix = 8;
    QStringView values[kMaxElementCount + 1];
    bool present[kMaxElementCount + 1];
    size_t kept = 0;
    auto loadTask = [&](int k, bool withSection) {
        int len = prefix;
        {
            char16_t digits[12];
            int d = 0;
            for (int v = k; v > 0; v /= 10)
                digits[d++] = char16_t(u'0' + v % 10);
            while (d > 0)
                name[len++] = digits[--d];
        }
        std::fill(present, present + n + 1, false);
        QStringView success;
        bool hasSuccess = false;
        // One section lookup per task; its keys are matched here instead of n + 2 lookups.
        if (withSection) {
            ini.forEachEntry(QStringView(name, len), [&](QStringView key, QStringView value) {
                const int index = elementKey(key);
                if (index >= 0 && index <= n) {
                    values[index] = value;
                    present[index] = true;
                } else if (!hasSuccess && key.compare(successKey, Qt::CaseInsensitive) == 0) {
                    success = value;
                    hasSuccess = true;
                }
            });
        }
        const bool reused = kept < tasks.size();
        if (!reused)
            tasks.emplace_back();
        TAufgabe& task = tasks[kept];
        task.elements.resize(size_t(n) + 1);
        if (reused) {
            // Everything else as a fresh task holds it; the fields parsed below are set whole.
            if (!freshElement(task.elements[0]))
                task.elements[0] = TEinzelbild();
            if (!freshLayout(task.headElement.layout))
                task.headElement.layout = TLayout();
            for (int i = 1; i <= n; ++i) {
                if (!freshLayout(task.elements[size_t(i)].layout))
                    task.elements[size_t(i)].layout = TLayout();
            }
        }
        if (hasSuccess && !success.isEmpty())
            uniqueSounds(success, task.successSounds);
        else
            task.successSounds.clear();
        int valid = parseElement(present[0] ? values[0] : QStringView(), task.headElement, convert) ? 1 : 0;
        for (int i = 1; i <= n; ++i) {
            if (parseElement(present[i] ? values[i] : QStringView(), task.elements[size_t(i)], convert))
                ++valid;
        }
        if (valid > 0)
            ++kept;  // otherwise the slot takes the next task
    };
    // Tasks next .. before-1 have no section.
    int next = 1;
    auto withoutSections = [&](int before) {
        for (; next < before && emptyLeft > 0; ++next, --emptyLeft)
            loadTask(next, false);
        next = before;
    };
    for (int k : held) {
        withoutSections(k);
        loadTask(k, true);
        next = k + 1;
    }
    withoutSections(count + 1);
    tasks.erase(tasks.begin() + qsizetype(kept), tasks.end());
    return int(list.tasks.size());
}

static bool namesAFile(const QString& path)
{
    return !path.isEmpty() && !path.endsWith(QLatin1Char('/')) && !fsys::dirExists(path);
}

int LoadTaskList(const QString& path)
{
    if (!namesAFile(path) || !fsys::fileExists(path))
        return 0;
    const IniFile ini = IniFile::load(path);
    GlobalState& s = g();
    // From here on the list is replaced whatever the file holds; its tasks are reused for the new
    // ones (the rest of the list starts fresh).
    TDaten list;
    list.tasks = std::move(s.loadedList.tasks);
    int n = 0;
    ParseTaskList(ini, list, true, &n);
    s.loadedList = std::move(list);
    s.loadedListPath = fsys::resolve(path);
    s.listFont = s.loadedList.layout.font;
    s.elementCount = n;
    return int(s.loadedList.tasks.size());
}

int LoadTaskListInto(const QString& path, TDaten& list)
{
    if (!namesAFile(path) || !fsys::fileExists(path))
        return 0;
    return ParseTaskList(IniFile::load(path), list, false);
}
