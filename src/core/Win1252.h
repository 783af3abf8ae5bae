#pragma once
#include <QByteArray>
#include <QString>

// Windows-1252 text, the code page of every stored file. All 256 byte values round-trip:
// the five bytes Windows leaves undefined map to the C1 control code points of the same value.
namespace win1252 {
QString decode(const QByteArray& bytes);
QString decode(const char* data, qsizetype size);
// Characters outside the code page become "?".
QByteArray encode(const QString& text);
char encodeChar(QChar c);
}
