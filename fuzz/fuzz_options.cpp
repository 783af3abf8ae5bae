#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/IniFile.h"
#include "data/PlayerOptions.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

// The general section selects an installed font, which needs a GUI application.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    // Every input is saved: the fuzzer does not wait for the disk on each one (its files live in
    // memory anyway and are thrown away).
    fsys::setDurableWrites(false);
    return 0;
}

namespace {
const int kCodes[] = {0, 1, 101, 102, 201, 202, 203, 204, 301, 302, 303, 304, 305,
                      401, 402, 403, 404, 405, 406, 407, 408};

QTemporaryDir& folder()
{
    // In memory where the system has it: the fuzzer writes a file per input.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/kalimo-fuzz-options-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/kalimo-fuzz-options-XXXXXX"));
    return dir;
}
} // namespace

// The options reader on arbitrary file contents: the general section and two program sections
// picked by the input (every section is read in the product's own way, once per section, so all of
// them on every input would parse the file twenty times); then one of them written back: the other
// sections read as before.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QTemporaryDir& dir = folder();
    g().config.dirs.optionen = fsys::withSlash(dir.path());
    g().playerList = QStringList{QStringLiteral("F")};
    const QString path = dir.filePath(QStringLiteral("Options-F.txt"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != qint64(size))
            __builtin_trap();
    }
    size_t h = size;
    for (size_t i = 0; i < size; ++i)
        h = h * 31 + data[i];
    const int first = kCodes[1 + h % (std::size(kCodes) - 1)];
    const int second = kCodes[1 + h / 31 % (std::size(kCodes) - 1)];
    for (int code : {0, first, second})
        ReadPlayerOptions(QStringLiteral("F"), code);
    const TOpt_allg& o = g().playerOptions;
    if (o.startWithLastExercise || ((first == 405 || second == 405) && (o.lautReplace.mode < 0 || o.lautReplace.mode > 2)))
        __builtin_trap();

    const int code = h % 2 ? 0 : first;
    if (code == 1)
        return 0;  // read only, never written
    const IniFile before = IniFile::parse(bytes);
    if (!WritePlayerOptions(QStringLiteral("F"), code))
        __builtin_trap();
    const IniFile after = IniFile::load(path);
    const QString written = optionsSectionName(code);
    for (const QString& s : before.sections()) {
        if (s.compare(written, Qt::CaseInsensitive) == 0)
            continue;
        const auto a = before.sectionEntries(s), b = after.sectionEntries(s);
        if (a.size() != b.size())
            __builtin_trap();
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i].key != b[i].key || a[i].value != b[i].value)
                __builtin_trap();
    }
    return 0;
}
