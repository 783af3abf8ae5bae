#include "core/FileProblems.h"

#include "core/Dialogs.h"
#include "core/FileSystem.h"

#include <QSet>
#include <cerrno>

namespace fileproblems {

namespace {
QSet<QString>& reported()
{
    static QSet<QString> paths;
    return paths;
}
} // namespace

void reportLink(QWidget* parent, const QString& path, bool oncePerRun)
{
    if (oncePerRun) {
        const QString key = QStringLiteral("link:") + fsys::resolve(path);
        if (reported().contains(key))
            return;
        reported().insert(key);
    }
    dialogs::error(parent, QStringLiteral("Die Datei ") + path +
                               QStringLiteral(" ist eine Verknüpfung (symbolischer Link) auf eine andere Datei.\n"
                                              "Aus Sicherheitsgründen schreibt Kalimo nicht durch Verknüpfungen; "
                                              "die Datei bleibt unverändert. Bitte entfernen Sie die Verknüpfung."));
}

void reportMissingFolder(QWidget* parent, const QString& folder)
{
    dialogs::error(parent, QStringLiteral("Der Ordner ") + folder +
                               QStringLiteral(" ist nicht erreichbar; es wurde nichts gespeichert.\n"
                                              "Bitte prüfen Sie die Verbindung zum Netzlaufwerk und versuchen "
                                              "Sie es erneut."));
}

bool reportSpecialCause(QWidget* parent, const QString& path)
{
    if (fsys::isSymLink(path)) {
        reportLink(parent, path);
        return true;
    }
    const QString folder = fsys::folderOf(path);
    if (!folder.isEmpty() && !fsys::dirExists(folder)) {
        reportMissingFolder(parent, folder);
        return true;
    }
    return false;
}

void reportUnwritable(QWidget* parent, const QString& path)
{
    if (reportSpecialCause(parent, fsys::fromStored(path)))
        return;
    dialogs::error(parent, QStringLiteral("Die Ini-Datei: ") + path +
                               QStringLiteral(" konnte nicht erstellt werden."));
}

QString errorText(int error)
{
    switch (error) {
    case ENOSPC: return QStringLiteral("Auf dem Datenträger ist kein Platz mehr frei.");
    case EDQUOT: return QStringLiteral("Der Speicherplatz des Benutzers ist aufgebraucht.");
    case EACCES:
    case EPERM: return QStringLiteral("Der Zugriff wurde verweigert.");
    case EROFS: return QStringLiteral("Der Datenträger ist schreibgeschützt.");
    case ENOENT: return QStringLiteral("Der Ordner ist nicht vorhanden.");
    case ELOOP: return QStringLiteral("Die Datei ist eine Verknüpfung (symbolischer Link); Kalimo schreibt nicht durch Verknüpfungen.");
    case EIO: return QStringLiteral("Beim Schreiben auf den Datenträger ist ein Fehler aufgetreten.");
    default: return QStringLiteral("Fehler %1.").arg(error);
    }
}

void reportNotSaved(QWidget* parent, const QString& path, int error)
{
    if (reportSpecialCause(parent, fsys::fromStored(path)))
        return;
    dialogs::error(parent, QStringLiteral("Die Datei ") + path + QStringLiteral(" konnte nicht gespeichert werden: ") +
                               errorText(error));
}

void reportUnreadable(QWidget* parent, const QString& path)
{
    const QString resolved = fsys::resolve(path);
    if (reported().contains(resolved))
        return;
    reported().insert(resolved);
    dialogs::warning(parent, QStringLiteral("Die Datei ") + path +
                                 QStringLiteral(" kann nicht gelesen werden. Sie bleibt unverändert; "
                                                "bis sie wieder lesbar ist, gelten die Standardwerte."));
}

void resetReported() { reported().clear(); }

} // namespace fileproblems
