#include "core/FirstPaint.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "core/TextUtil.h"
#include "core/Translations.h"
#include "editor/Formeditor.h"
#include "media/sound/AudioBackend.h"
#include "shell/Hauptformular.h"
#include "Check.h"
#include "Launcher.h"
#include "Termination.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTranslator>
#include <cstring>

namespace {

// The value of `--name VALUE` or `--name=VALUE` before the parser runs (it needs the application).
QString earlyOption(int argc, char** argv, const char* name)
{
    const std::size_t n = std::strlen(name);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0 && i + 1 < argc)
            return QString::fromLocal8Bit(argv[i + 1]);
        if (std::strncmp(argv[i], name, n) == 0 && argv[i][n] == '=')
            return QString::fromLocal8Bit(argv[i] + n + 1);
    }
    return {};
}

bool earlyFlag(int argc, char** argv, const char* name)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return true;
    return false;
}

// The installation named is no installation: what is wrong, in German; empty when it is one.
QString installationProblem(const QString& given)
{
    if (!given.isEmpty() && !QFileInfo(given).isDir())
        return QStringLiteral("Den Installationsordner \"%1\" gibt es nicht.").arg(given);
    if (!installation::hasMainConfiguration())
        return QStringLiteral("Der Ordner \"%1\" ist keine Kalimo-Installation: die Konfigurationsdatei \"%2\" fehlt.")
            .arg(QDir::toNativeSeparators(QDir::cleanPath(g().config.installationDirectory)),
                 QStringLiteral("INTERN/") + g().config.programBaseName + QStringLiteral(".txt"));
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    // The check and the refusal of a wrong installation work from a console without a display.
    const bool check = earlyFlag(argc, argv, "--check");
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        const QString given = earlyOption(argc, argv, "--installation");
        installation::setProgramFile(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath(), given);
        if (check || !installationProblem(given).isEmpty())
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Qt's own file and print dialogs, in German below; the desktop's native ones would follow
    // the system's language.
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    translations::preferGermanDates();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kalimo"));
    termination::install(app);
    const auto germanQtTexts = translations::installGermanQtTexts();

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
    QCommandLineOption checkOpt(QStringLiteral("check"),
                                QStringLiteral("Check every task list of the installation for missing pictures and sounds."));
    parser.addOption(checkOpt);
    QCommandLineOption overviewOpt(QStringLiteral("overview"),
                                   QStringLiteral("Show the class overview of every player's history."));
    parser.addOption(overviewOpt);
    parser.process(app);

    installation::setProgramFile(QApplication::applicationFilePath(), parser.value(installOpt));
    // A wrong installation is refused before anything is read or written.
    const QString problem = installationProblem(parser.value(installOpt));
    if (!problem.isEmpty())
        return launcher::refuse(problem);
    if (check)
        return launcher::runInstallationCheck();

    installation::shareWithGroup();
    rnd::seedFromClock();
    registerFontTwins();
    editor::InstallEditorHooks();

    if (parser.isSet(overviewOpt)) {
        const int rc = launcher::showClassOverview();
        audio::shutdown();
        return rc;
    }
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
