#pragma once
#include "core/Records.h"

#include <QByteArray>
#include <QString>

// The file form of a task list for a program (keys and their order depend on the program code):
// "Allgemein", "Layout", "Info", then "Aufgabe 1" .. "Aufgabe N", each element
// "picture|size|text|sounds" for keys 1 .. `elementCount`. Windows-1252, CR LF.
QByteArray TaskListBytes(const TDaten& list, int programCode, int elementCount);

// Writes the list under "~~" + file name in the same folder, copies that over `path` and deletes
// it, then shows "Datei gespeichert!". A write that fails shows "Die Ini-Datei: " + path +
// " konnte nicht erstellt werden.", leaves the previous file as it was and returns false.
bool SaveTaskList(const QString& path, const TDaten& list, int programCode, int elementCount);
