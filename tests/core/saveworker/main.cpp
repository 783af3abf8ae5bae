// A writer for the kill test: saves the same file over and over, in turn with two contents of
// different sizes, until it is killed.
//   kalimo_saveworker <file>
#include "core/FileSystem.h"

#include <QByteArray>
#include <QString>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QByteArray a(20000, 'a'), b(45000, 'b');
    std::fputs("READY\n", stdout);
    std::fflush(stdout);
    for (unsigned i = 0;; ++i)
        if (!fsys::writeFileAtomic(path, i % 2 ? b : a))
            return 1;
}
