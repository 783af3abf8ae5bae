#include "core/IniFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const IniFile ini = IniFile::parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    for (const QString& s : ini.sections()) {
        for (const auto& e : ini.sectionEntries(s))
            (void)ini.readInteger(s, e.key, 0);
    }
    (void)ini.toBytes();
    return 0;
}
