#include "support/TestSupport.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

TempTree::TempTree() : m_dir(std::make_unique<QTemporaryDir>()) {}

QString TempTree::root() const { return fsys::withSlash(m_dir->path()); }

QString TempTree::write(const QString& relative, const QByteArray& bytes) const
{
    const QString p = path(relative);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return p;
}

QString TempTree::writeLines(const QString& relative, const QStringList& lines) const
{
    return write(relative, fsys::joinLines(lines));
}

QString TempTree::mkdir(const QString& relative) const
{
    QDir().mkpath(path(relative));
    return fsys::withSlash(path(relative));
}

QByteArray TempTree::read(const QString& relative) const
{
    QFile f(path(relative));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void resetToInstallation(const QString& dir)
{
    resetGlobals();
    fsys::setConfinement({});
    installation::setProgramFile(fsys::withSlash(dir) + QStringLiteral("kalimo"), dir);
}

QString sourceDir()
{
    const QString env = qEnvironmentVariable("KALIMO_SOURCE_DIR");
    return fsys::withSlash(env.isEmpty() ? QStringLiteral(KALIMO_SOURCE_DIR_DEFAULT) : env);
}

QString buildDir()
{
    const QString env = qEnvironmentVariable("KALIMO_BINARY_DIR");
    return fsys::withSlash(env.isEmpty() ? QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../..")).absolutePath()
                                         : env);
}

QString fixture(const QString& relative) { return sourceDir() + QStringLiteral("tests/fixtures/") + relative; }

void copyDemoTo(const TempTree& tree)
{
    const QString src = sourceDir() + QStringLiteral("demo");
    QDirIterator it(src, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString relative = file.mid(src.size() + 1);
        // The demo players' protocols and histories stay out: a test's run is the only one there.
        if (relative.startsWith(QLatin1String("Protokoll/")) && !relative.endsWith(QLatin1String(".gitkeep")))
            continue;
        const QString target = tree.root() + relative;
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(file, target);
    }
}

bool damageMaterial(const QStringList& deleted, const QStringList& truncated)
{
    const QString material = fsys::withSlash(g().config.dirs.material);
    for (const QString& f : deleted)
        if (!(f.endsWith(QLatin1Char('/')) ? QDir(material + f).removeRecursively() : QFile::remove(material + f)))
            return false;
    for (const QString& f : truncated) {
        QFile file(material + f);
        if (!file.open(QIODevice::ReadWrite) || !file.resize(file.size() / 3))
            return false;
    }
    return true;
}

int redPixels(QWidget* widget)
{
    const QImage img = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int red = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
        }
    return red;
}
