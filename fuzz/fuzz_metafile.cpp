// Plays arbitrary bytes as WMF and EMF onto a card-sized target, large enough for per-pixel costs
// to show: no crash, no hang, memory bounded by the file.
#include "media/metafile/Metafile.h"

#include "FuzzSupport.h"

#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>
#include <vector>

// Inputs may grow to the size of real pictures, and no input may take much memory: a file of
// 64 KiB needs a few MiB at most, so an allocation of 128 MiB or a process of 1 GiB (the sanitizers'
// quarantine included) is a fault. Appended, these win over the runner's general limits.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static const char* limits[] = {"-max_len=65536", "-rss_limit_mb=1024", "-malloc_limit_mb=128"};
    static std::vector<char*> args;
    args.assign(*argv, *argv + *argc);
    for (const char* flag : limits)
        args.push_back(const_cast<char*>(flag));
    args.push_back(nullptr);
    *argc = int(args.size()) - 1;
    *argv = args.data();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureGuiApplication();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto m = metafile::Metafile::fromBytes(bytes);
    if (!m)
        return 0;
    (void)m->naturalSize();
    static QImage img(400, 300, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    m->render(p, QRectF(4, 4, 392, 292), (size & 1) != 0);
    return 0;
}
