#pragma once
#include <QString>

class QTextDocument;

// Reads the small RTF subset the protocol files produce (\rtf1 \ansi \deff0 \fonttbl \f \fs \b \ul
// \par \tab \'xx, groups) into a document. Any input is accepted: unknown control words are
// ignored, unbalanced braces tolerated, nesting depth is bounded.
void ReadRtfInto(QTextDocument& doc, const QString& rtf);
// The plain text the reader would show (paragraphs joined with "\n").
QString RtfToPlainText(const QString& rtf);
