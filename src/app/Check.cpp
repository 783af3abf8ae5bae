#include "Check.h"

#include "chooser/ListCheck.h"
#include "core/Installation.h"

#include <cstdio>

namespace launcher {

int runInstallationCheck()
{
    installation::ReadMainConfiguration(nullptr, installation::DataFolders::Leave);
    const listcheck::Report report = listcheck::CheckInstallation();
    for (const listcheck::Finding& f : report.findings)
        std::printf("%s\n", listcheck::describe(f).toLocal8Bit().constData());
    std::printf("%s\n", listcheck::summary(report).toLocal8Bit().constData());
    return report.findings.isEmpty() ? 0 : 1;
}

}
