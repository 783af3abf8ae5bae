#pragma once
#include "core/Records.h"

#include <QString>

class IniFile;

// Task-list files: section "Layout", "Allgemein" ("Aufgabencount", "Elementanzahl") and one section
// "Aufgabe k" per task with "Erfolgssound", "0" (head element) and "1" .. "n".

// Loads a task-list file into the `loaded list` (g().loadedList, g().listFont, g().elementCount)
// and returns the number of tasks kept; 0 leaves the previous list in place when the file is
// missing or the path names no file.
int LoadTaskList(const QString& path);
// The tasks of a file into `list` only (layout and font untouched, no globals changed).
int LoadTaskListInto(const QString& path, TDaten& list);
// Fills one element from "picture|size|text|sounds"; false for the empty element "||".
bool ParseElement(const QString& text, TEinzelbild& element);

// The parse of an already read profile: the tasks (and, with `withLayout`, the layout) go into
// `list`; `elementCount` receives n. Used by the loaders, the fuzzer and the benchmark.
int ParseTaskList(const IniFile& ini, TDaten& list, bool withLayout, int* elementCount = nullptr);

// A declared task count or element count beyond these is corrupt; the loader clamps it so a broken
// file cannot make it allocate without bound.
constexpr int kMaxElementCount = 100;
constexpr int kMaxElementSlots = 500000;  // tasks x (elements + 1)
// Declared tasks without a section in the file are kept as empty tasks up to this many element
// slots; the rest of them are left out.
constexpr int kMaxEmptyTaskSlots = 10000;

// Layout defaults of a task list.
TLayout defaultListLayout();
