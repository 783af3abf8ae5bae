#include "shell/DesktopEntry.h"

#include "core/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <cerrno>

namespace desktopentry {

QString quoteArgument(const QString& arg)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needs = arg.isEmpty();
    for (QChar c : arg)
        needs = needs || reserved.contains(c);
    if (!needs)
        return arg;
    QString q;
    for (QChar c : arg) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            q += QLatin1Char('\\');
        q += c;
    }
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString execValue(const Shortcut& s)
{
    QStringList args{s.executable, QStringLiteral("--installation"), QDir::cleanPath(s.installation),
                     QStringLiteral("--player"), s.player, QStringLiteral("--program"),
                     QString::number(s.programCode)};
    if (!s.list.isEmpty())
        args << QStringLiteral("--list") << s.list;
    QStringList quoted;
    for (const QString& a : args)
        quoted << quoteArgument(a);
    // The value is a string: its backslashes are escaped once more; "%" would be a field code.
    return quoted.join(QLatin1Char(' ')).replace(QStringLiteral("\\"), QStringLiteral("\\\\"))
        .replace(QStringLiteral("%"), QStringLiteral("%%"));
}

QString title(const Shortcut& s)
{
    return QStringLiteral("Kalimo - ") + s.player + QStringLiteral(" - ") + s.programName;
}

QString fileName(const Shortcut& s)
{
    QString name = title(s);
    for (QChar& c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 32)
            c = QLatin1Char('-');
    // "Laut-/Silbensuche" becomes "Laut-Silbensuche", not "Laut--Silbensuche".
    while (name.contains(QStringLiteral("--")))
        name.replace(QStringLiteral("--"), QStringLiteral("-"));
    return name + QStringLiteral(".desktop");
}

namespace {
// A string value: backslash and line breaks escaped.
QString stringValue(QString v)
{
    v.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
    v.replace(QLatin1Char('\n'), QStringLiteral("\\n")).replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return v;
}
} // namespace

QByteArray entryText(const Shortcut& s)
{
    QStringList lines{QStringLiteral("[Desktop Entry]"),
                      QStringLiteral("Type=Application"),
                      QStringLiteral("Version=1.0"),
                      QStringLiteral("Name=") + stringValue(title(s)),
                      QStringLiteral("Comment=") +
                          stringValue(QStringLiteral("Startet „%1“ für %2").arg(s.programName, s.player)),
                      QStringLiteral("Exec=") + execValue(s),
                      QStringLiteral("Terminal=false"),
                      QStringLiteral("Categories=Education;")};
    if (!s.icon.isEmpty())
        lines << QStringLiteral("Icon=") + stringValue(s.icon);
    return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

QString desktopFolder()
{
    const QString home = QDir::homePath();
    QProcess p;
    p.start(QStringLiteral("xdg-user-dir"), {QStringLiteral("DESKTOP")});
    QString dir;
    if (p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        dir = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    // Without a desktop folder of its own xdg-user-dir names the home folder.
    if (dir.isEmpty() || QDir(dir) == QDir(home))
        dir = home + QStringLiteral("/Desktop");
    return fsys::withSlash(dir);
}

QString applicationsFolder()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return fsys::withSlash(data) + QStringLiteral("applications/");
}

QStringList write(const Shortcut& s, int* error, QString* failedPath)
{
    const QByteArray text = entryText(s);
    QStringList written;
    for (const QString& folder : {desktopFolder(), applicationsFolder()}) {
        const QString path = folder + fileName(s);
        errno = 0;
        if ((!fsys::dirExists(folder) && !fsys::makePath(folder)) || !fsys::writeFileAtomic(path, text)) {
            if (error)
                *error = errno ? errno : EIO;
            if (failedPath)
                *failedPath = path;
            return {};
        }
        // Desktops start an entry on the desktop only when it is executable.
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                                        QFileDevice::ExeOther);
        written << path;
    }
    return written;
}

} // namespace desktopentry
