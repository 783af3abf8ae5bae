#pragma once
#include <QString>

// Conversions of task texts while a list is loaded. A digit 1-9 in a text is a marker: the next
// that many characters form one unit.
namespace textconv {
// Each marker d becomes d + the number of "ß" among the d characters after it (so the unit keeps
// covering the letters once "ß" turns into two). A count above 9 is written as 9: a marker is one
// digit, and 9 keeps as much of the unit together as one digit can.
QString adjustMarkers(const QString& text);
// Swiss orthography: markers adjusted, "-ß" -> "s-s", every other "ß" -> "ss".
QString swiss(const QString& text);
// Capitals only: upper case by Windows-1252 rules ("ß" stays), markers adjusted, "-ß" -> "S-S",
// every other "ß" -> "SS".
QString capitalsOnly(const QString& text);
// The conversions in force: swiss orthography (global flag), then capitals ("NurGrossbst"); none
// while the task-list editor is the active window.
QString forLoading(const QString& text);
}
