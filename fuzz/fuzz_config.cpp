#include "core/Dialogs.h"
#include "core/GlobalState.h"
#include "core/Installation.h"

#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>
#include <unistd.h>

// The main configuration file on arbitrary bytes, read as the program reads it at start-up (the
// data folders only named, nothing created): no crash, and the program's base name stays.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Messages of the reader are answered at once; nobody is there to read them.
    static dialogs::UnattendedDialogs silent;
    static const QString root = QDir::tempPath() + QStringLiteral("/fuzz-config-%1/").arg(::getpid());
    static const bool made = [] {
        dialogs::install(&silent);
        return QDir().mkpath(root + QStringLiteral("INTERN"));
    }();
    if (!made)
        return 0;
    resetGlobals();
    installation::setProgramFile(root + QStringLiteral("kalimo"), root);
    {
        QFile f(root + QStringLiteral("INTERN/") + g().config.programBaseName + QStringLiteral(".txt"));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    installation::ReadMainConfiguration(nullptr, installation::DataFolders::Leave);
    if (g().config.programBaseName.isEmpty())
        __builtin_trap();
    return 0;
}
