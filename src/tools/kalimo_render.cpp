// kalimo-render FILE OUT.png WIDTH HEIGHT [PERCENT]
// Draws any supported picture the way the program draws it (DrawPicture on a white target,
// metafiles smoothed) and writes a PNG, for checking material.
#include "core/FileSystem.h"
#include "core/TextUtil.h"
#include "media/picture/Picture.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool okW = false, okH = false, okP = true;
    const int w = args.size() > 3 ? args[3].toInt(&okW) : 0;
    const int h = args.size() > 4 ? args[4].toInt(&okH) : 0;
    const int percent = args.size() > 5 ? args[5].toInt(&okP) : 100;
    if (args.size() < 5 || args.size() > 6 || !okW || !okH || !okP || w <= 0 || h <= 0 || w > 20000 || h > 20000) {
        std::fprintf(stderr, "usage: kalimo-render FILE OUT.png WIDTH HEIGHT [PERCENT]\n");
        return 2;
    }
    registerFontTwins();
    const QString file = args[1];
    if (!fsys::fileExists(file)) {
        std::fprintf(stderr, "kalimo-render: %s: no such file\n", qPrintable(args[1]));
        return 1;
    }
    picture::Target target(w, h);
    if (!picture::DrawPicture(target, file, 0x00FFFFFF, percent, true, true)) {
        std::fprintf(stderr, "kalimo-render: %s: cannot decode\n", qPrintable(args[1]));
        return 1;
    }
    if (!picture::ShownImage(target).save(args[2], "PNG")) {
        std::fprintf(stderr, "kalimo-render: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    return 0;
}
