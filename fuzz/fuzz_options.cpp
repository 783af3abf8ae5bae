#include "core/GlobalState.h"
#include "core/FileSystem.h"
#include "data/PlayerOptions.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

// The general section selects an installed font, which needs a GUI application.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

// The options reader on arbitrary file contents, every section.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    static const int codes[] = {0, 1, 101, 102, 201, 202, 203, 204, 301, 302, 303, 304, 305,
                                401, 402, 403, 404, 405, 406, 407, 408};
    g().config.dirs.optionen = fsys::withSlash(dir.path());
    fsys::writeFileAtomic(dir.filePath(QStringLiteral("Options-F.txt")),
                          QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    for (int code : codes)
        ReadPlayerOptions(QStringLiteral("F"), code);
    const TOpt_allg& o = g().playerOptions;
    if (o.lautReplace.mode < 0 || o.lautReplace.mode > 2 || o.startWithLastExercise)
        __builtin_trap();
    return 0;
}
