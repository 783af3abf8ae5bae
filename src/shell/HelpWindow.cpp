#include "shell/HelpWindow.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/MessageHook.h"

#include <QDialog>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

QString helpPageFor(int topic)
{
    const QString start = g().config.helpFile;
    if (topic <= 0)
        return start;
    const QString page = fsys::folderOf(start) + QStringLiteral("thema%1.html").arg(topic);
    return fsys::fileExists(page) ? page : start;
}

void ShowHelpWindow(QWidget* parent, int topic)
{
    messagehook::Suspend suspend;
    QDialog help(parent);
    help.setWindowTitle(QStringLiteral("Kalimo - Hilfe"));
    auto* browser = new QTextBrowser(&help);
    browser->setOpenExternalLinks(true);
    const QString file = fsys::resolve(helpPageFor(topic));
    browser->setSearchPaths({fsys::folderOf(file)});
    browser->setSource(QUrl::fromLocalFile(file));
    auto* lay = new QVBoxLayout(&help);
    lay->addWidget(browser);
    help.resize(800, 600);
    help.exec();
}
