// Reads arbitrary text as the protocol RTF into a document: no crash, no hang, bounded memory.
#include "results/RtfReader.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <cstddef>
#include <cstdint>

namespace {
void ensureApplication()
{
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_rtf";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}
} // namespace

// Fontconfig keeps its caches until exit; they are no leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureApplication();
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    QTextDocument doc;
    ReadRtfInto(doc, text);
    (void)RtfToPlainText(text);
    return 0;
}
