// Reads arbitrary text as the protocol RTF into a document: no crash, no hang, bounded memory.
#include "results/RtfReader.h"

#include "FuzzSupport.h"

#include <QTextDocument>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureGuiApplication();
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    QTextDocument doc;
    ReadRtfInto(doc, text);
    (void)RtfToPlainText(text);
    return 0;
}
