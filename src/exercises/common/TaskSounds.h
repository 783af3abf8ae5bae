#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>

struct TEinzelbild;

namespace exercise {
// A heading sound of the list: under its own path, else in the instruction, internal or material
// sound folder; empty when none has it.
QString HeadingSoundFile(const QString& name);
// Whether one of the list's heading sounds ("Überschriftsound", separated by ";") exists.
bool ListHasHeadingSound();
// The sounds of an element (";"-separated), blanks trimmed, the article sound dropped when
// "mit Artikel" is off.
QStringList ElementSounds(const TEinzelbild& element);
// A task's time as the protocol writes it: minutes (2 digits) ":" seconds (2) ":" milliseconds (3).
QString TaskDuration(qint64 ms);
// The same with hundredths of a second padded to 3 digits, as the memory, word series, sound and
// pairs programs write it (1 minute 7.45 seconds gives "01:07:045"); "00:00:000" without a valid
// start before the stop.
QString TaskDurationHundredths(const QDateTime& start, const QDateTime& stop);
}
