#include "core/FirstPaint.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "core/TextUtil.h"
#include "media/sound/AudioBackend.h"
#include "shell/Hauptformular.h"
#include "Launcher.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kalimo"));

    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption installOpt(QStringLiteral("installation"),
                                  QStringLiteral("Installation directory (default: the folder of the program file)."),
                                  QStringLiteral("DIR"));
    parser.addOption(installOpt);
    QCommandLineOption playerOpt(QStringLiteral("player"), QStringLiteral("Player for a start of one program."),
                                 QStringLiteral("NAME"));
    QCommandLineOption programOpt(QStringLiteral("program"),
                                  QStringLiteral("Program code: start this program without the main window."),
                                  QStringLiteral("CODE"));
    QCommandLineOption listOpt(QStringLiteral("list"),
                               QStringLiteral("Task list, relative to the program's list folder or absolute."),
                               QStringLiteral("FILE"));
    parser.addOption(playerOpt);
    parser.addOption(programOpt);
    parser.addOption(listOpt);
    parser.process(app);

    rnd::seedFromClock();
    registerFontTwins();
    installation::setProgramFile(QApplication::applicationFilePath(), parser.value(installOpt));

    if (parser.isSet(programOpt) || parser.isSet(playerOpt)) {
        const int rc = launcher::runFromCommandLine({parser.value(playerOpt), parser.value(programOpt),
                                                     parser.value(listOpt)});
        audio::shutdown();
        return rc;
    }

    TFormHauptformular::setProgramLauncher(&launcher::startProgram);
    TFormHauptformular window;
    if (!window.startUp())
        return 0;
    QuitAfterFirstPaint::installIfRequested(&window);
    window.show();
    const int rc = app.exec();
    audio::shutdown();
    return rc;
}
