// Makes a school's installation from the demo tree, for looking at it and for timing by hand:
//   kalimo_large_installation DEMO TARGET [PLAYERS] [LOCK_ENTRIES] [nochoice]
#include "support/LargeInstallation.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: %s DEMO TARGET [PLAYERS] [LOCK_ENTRIES] [nochoice]\n", argv[0]);
        return 2;
    }
    largeinstallation::Shape shape;
    if (args.size() > 3)
        shape.players = args[3].toInt();
    if (args.size() > 4)
        shape.lockEntries = args[4].toInt();
    if (args.size() > 5 && args[5] == QLatin1String("nochoice"))
        shape.nameChoice = false;
    const auto made = largeinstallation::make(args[1], args[2], shape);
    if (made.root.isEmpty()) {
        std::fprintf(stderr, "could not make %s\n", qPrintable(args[2]));
        return 1;
    }
    std::printf("%s: %d players, last player %s, %d lock entries\n", qPrintable(made.root), int(made.players.size()),
                qPrintable(made.lastPlayer), int(made.locked.size()));
    return 0;
}
