#include "core/IniFile.h"

#include <cstddef>
#include <cstdint>

namespace {
using Entries = std::vector<std::pair<QString, QString>>;

// Every section's entries as the profile reads them, names lower-cased.
Entries entriesOf(const IniFile& ini)
{
    Entries out;
    for (const QString& s : ini.sections()) {
        for (const auto& e : ini.sectionEntries(s))
            out.emplace_back(s.toLower() + QLatin1Char('\n') + e.key.toLower(), e.value);
    }
    std::sort(out.begin(), out.end());
    return out;
}
} // namespace

// The profile reader on arbitrary bytes; then one key written: it reads back, and nothing else the
// file holds changes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IniFile ini = IniFile::parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QStringList sections = ini.sections();
    for (const QString& s : sections) {
        for (const auto& e : ini.sectionEntries(s))
            (void)ini.readInteger(s, e.key, 0);
    }
    const QByteArray bytes = ini.toBytes();
    if (sections.isEmpty())
        return 0;
    // An existing key of a section picked by the input, or a new one.
    const QString section = sections[qsizetype(size % size_t(sections.size()))];
    const auto entries = ini.sectionEntries(section);
    const QString key = entries.empty() || size % 7 == 0 ? QStringLiteral("NeuerSchluessel")
                                                          : entries[size / 7 % entries.size()].key;
    const QString value = QStringLiteral("wert %1").arg(size);
    const Entries before = entriesOf(IniFile::parse(bytes));
    ini.writeString(section, key, value);
    const IniFile after = IniFile::parse(ini.toBytes());
    if (after.readString(section, key) != value)
        __builtin_trap();
    Entries expected = before;
    const QString name = section.toLower() + QLatin1Char('\n') + key.toLower();
    expected.erase(std::remove_if(expected.begin(), expected.end(), [&](const auto& e) { return e.first == name; }),
                   expected.end());
    Entries got = entriesOf(after);
    got.erase(std::remove_if(got.begin(), got.end(), [&](const auto& e) { return e.first == name; }), got.end());
    if (got != expected)
        __builtin_trap();
    return 0;
}
