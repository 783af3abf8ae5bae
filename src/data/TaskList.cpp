#include "data/TaskList.h"

#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/IniFile.h"
#include "core/TextUtil.h"
#include "data/TextConversion.h"

#include <QSet>

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

// "\\" -> "/" without a copy when there is nothing to convert.
QString storedName(QStringView v)
{
    QString s = v.toString();
    if (v.contains(QLatin1Char('\\')))
        s.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return s;
}

// Duplicates dropped, first occurrence kept, without the quadratic search of a list.
QStringList uniqueSounds(const QString& value)
{
    QStringList raw, out;
    if (value.isEmpty())
        return out;
    SplitText(storedName(value), raw, true, QStringLiteral(";"), false);
    if (raw.size() <= 16) {  // the usual case: a few names, a set would cost more than it saves
        for (const QString& s : raw)
            if (!out.contains(s))
                out << s;
        return out;
    }
    QSet<QString> seen;
    for (const QString& s : raw) {
        if (!seen.contains(s)) {
            seen.insert(s);
            out << s;
        }
    }
    return out;
}
// The element number a key names: plain decimal as written ("0", "12"), -1 for any other key.
int elementKey(const QString& key)
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
    const bool result = text != QLatin1String("||");
    // The fields as SplitText gives them at "|" (an empty last field is dropped); only the first
    // four are used, so they are cut out directly.
    QStringView fields[4];
    int count = 0;
    const QStringView all(text);
    qsizetype start = 0;
    while (count < 4 && start < all.size()) {
        const qsizetype bar = all.indexOf(QLatin1Char('|'), start);
        if (bar < 0) {
            fields[count++] = all.mid(start);
            break;
        }
        fields[count++] = all.mid(start, bar - start);
        start = bar + 1;
    }
    element.picture.clear();
    element.text.clear();
    element.sounds.clear();
    element.extra.clear();
    if (count >= 1)
        element.picture = storedName(fields[0]);
    if (count >= 2) {
        bool ok = false;
        const int size = fields[1].toInt(&ok);
        element.layout.pictureSize = ok ? size : 100;
    } else {
        element.layout.pictureSize = 0;
    }
    if (count >= 3)
        element.text = textconv::forLoading(fields[2].toString());
    if (count >= 4)
        element.sounds = storedName(fields[3]);
    return result;
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

    std::vector<TAufgabe> tasks;
    tasks.reserve(size_t(std::min(count, 100000)));
    const QString prefix = QStringLiteral("Aufgabe ");
    const QString successKey = QStringLiteral("Erfolgssound");
    for (int k = 1; k <= count; ++k) {
        // One section lookup per task; its keys are matched here instead of n + 2 lookups.
        const std::vector<IniFile::Entry> entries = ini.sectionEntries(prefix + QString::number(k));
        const QString* values[kMaxElementCount + 1] = {};
        const QString* success = nullptr;
        for (const IniFile::Entry& e : entries) {
            const int index = elementKey(e.key);
            if (index >= 0 && index <= n)
                values[index] = &e.value;
            else if (!success && e.key.compare(successKey, Qt::CaseInsensitive) == 0)
                success = &e.value;
        }
        static const QString none;
        TAufgabe task;
        task.elements.resize(size_t(n) + 1);
        if (success)
            task.successSounds = uniqueSounds(*success);
        int valid = ParseElement(values[0] ? *values[0] : none, task.headElement) ? 1 : 0;
        for (int i = 1; i <= n; ++i) {
            if (ParseElement(values[i] ? *values[i] : none, task.elements[size_t(i)]))
                ++valid;
        }
        if (valid > 0)
            tasks.push_back(std::move(task));
    }
    list.tasks = std::move(tasks);
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
    TDaten list;
    int n = 0;
    ParseTaskList(ini, list, true, &n);
    GlobalState& s = g();
    s.loadedList = std::move(list);
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
