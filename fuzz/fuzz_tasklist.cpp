#include "core/GlobalState.h"
#include "core/IniFile.h"
#include "data/TaskList.h"

#include <cstddef>
#include <cstdint>

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
    return 0;
}
