#include "core/FirstPaint.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "core/TextUtil.h"
#include "media/sound/AudioBackend.h"
#include "shell/Hauptformular.h"

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
    parser.process(app);

    rnd::seedFromClock();
    registerFontTwins();
    installation::setProgramFile(QApplication::applicationFilePath(), parser.value(installOpt));

    TFormHauptformular window;
    if (!window.startUp())
        return 0;
    QuitAfterFirstPaint::installIfRequested(&window);
    window.show();
    const int rc = app.exec();
    audio::shutdown();
    return rc;
}
