#include "results/History.h"

#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>
#include <unistd.h>

// The history reader on arbitrary bytes: it never crashes, counts what it skips, and every run it
// reads is written back as a line that reads as the same run.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString path = QDir::tempPath() + QStringLiteral("/fuzz-history-%1.csv").arg(::getpid());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const history::HistoryFile file = history::ReadHistory(path);
    if (file.brokenLines < 0)
        __builtin_trap();
    for (const history::HistoryRun& run : file.runs) {
        history::HistoryRun again;
        if (!history::parseLine(history::formatLine(run), again) || !(again == run))
            __builtin_trap();
    }
    return 0;
}
