#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class QWidget;

// A fresh temporary folder per test, with helpers to lay out files.
class TempTree
{
public:
    TempTree();
    // The folder with trailing "/".
    QString root() const;
    QString path(const QString& relative) const { return root() + relative; }
    // Writes raw bytes, creating parent folders.
    QString write(const QString& relative, const QByteArray& bytes) const;
    // Writes text lines in Windows-1252 with CR LF.
    QString writeLines(const QString& relative, const QStringList& lines) const;
    QString mkdir(const QString& relative) const;
    QByteArray read(const QString& relative) const;

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

// Copies the demo installation of the source tree into `tree`, without the demo players' protocol
// files and histories (a test's runs are then the only ones in them).
void copyDemoTo(const TempTree& tree);

// Resets the global state and points the installation at `dir`.
void resetToInstallation(const QString& dir);

// Damages the installation's material for bad-input tests: removes `deleted` files (a name ending
// in "/" removes the folder) and cuts `truncated` files to a third. Names are relative to the
// material folder; false when a file is not there.
bool damageMaterial(const QStringList& deleted, const QStringList& truncated);

// Strongly red pixels of a widget as it draws itself (the strip's current number, error marks).
int redPixels(QWidget* widget);

// Source tree paths, for fixtures.
QString sourceDir();
// The build tree (KALIMO_BINARY_DIR, else two folders above the test executable), with "/".
QString buildDir();
QString fixture(const QString& relative);

#include <ostream>
// Readable gtest output for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << "{";
    for (const QString& s : l)
        *os << " \"" << s.toStdString() << "\"";
    *os << " }";
}
