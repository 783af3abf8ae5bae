#pragma once
#include <QGuiApplication>

// Fuzzers that draw or lay out text need a (offscreen) GUI application; made once per process.
inline void ensureGuiApplication()
{
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "kalimo_fuzz";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

// Fontconfig keeps its caches until exit; they are no leak of ours. (Included by one file per fuzzer executable.)
extern "C" __attribute__((used)) const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
