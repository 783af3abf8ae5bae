#include "core/GlobalState.h"
#include "core/IniFile.h"
#include "data/TaskList.h"

#include <cstddef>
#include <cstdint>

namespace {
// Task k of `ini` as the loader gives it: the section's entries alone in a list of one task.
std::vector<TAufgabe> taskAlone(const IniFile& ini, int k, int n)
{
    const QString section = QStringLiteral("Aufgabe %1").arg(k);
    IniFile one;
    one.writeInteger(QStringLiteral("Allgemein"), QStringLiteral("Aufgabencount"), 1);
    one.writeInteger(QStringLiteral("Allgemein"), QStringLiteral("Elementanzahl"), n);
    for (const IniFile::Entry& e : ini.sectionEntries(section))
        one.writeString(QStringLiteral("Aufgabe 1"), e.key, e.value);
    TDaten list;
    ParseTaskList(one, list, false);
    return list.tasks;
}
} // namespace

// The task-list parser on arbitrary bytes, with the text conversions on.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g().defaultElementCount = 12;
    g().swissOrthography = size % 2 == 0;
    g().playerOptions.capitalsOnly = size % 3 == 0;
    const IniFile ini = IniFile::parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    TDaten list;
    int n = 0;
    const int count = ParseTaskList(ini, list, false, &n);
    if (count < 0 || size_t(count) != list.tasks.size() || n < 0 || n > kMaxElementCount)
        __builtin_trap();
    for (const TAufgabe& t : list.tasks)
        if (t.elements.size() != size_t(n) + 1)
            __builtin_trap();
    // A reload over a list already in memory reuses its storage: it must give exactly what a
    // fresh load gives.
    TDaten reused;
    const IniFile first = IniFile::parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size / 2)));
    ParseTaskList(first, reused, false);
    ParseTaskList(ini, reused, false);
    if (!(reused.tasks == list.tasks))
        __builtin_trap();
    // A short list is the declared tasks one by one, each looked up by its name (tasks without a
    // section as empty ones, while they stay within their limit).
    const int declared = std::max(0, ini.readInteger(QStringLiteral("Allgemein"), QStringLiteral("Aufgabencount"), 0));
    if (declared <= 64) {
        std::vector<TAufgabe> expected;
        int missing = 0;
        for (int k = 1; k <= declared; ++k) {
            if (!ini.hasSection(QStringLiteral("Aufgabe %1").arg(k)))
                ++missing;
            for (TAufgabe& t : taskAlone(ini, k, n))
                expected.push_back(std::move(t));
        }
        if (missing * (n + 1) <= kMaxEmptyTaskSlots && !(expected == list.tasks))
            __builtin_trap();
    }
    return 0;
}
