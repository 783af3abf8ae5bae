#include "data/TaskListWriter.h"

#include "core/Dialogs.h"
#include "core/FileProblems.h"
#include "core/FileSystem.h"
#include "core/Overlay.h"
#include "core/GlobalState.h"
#include "core/IniFile.h"

namespace {
QString stored(const QString& name) { return fsys::toStored(name); }

QString elementText(const TEinzelbild& e)
{
    return stored(e.picture) + QLatin1Char('|') + QString::number(e.layout.pictureSize) + QLatin1Char('|') + e.text
        + QLatin1Char('|') + stored(e.sounds);
}

// Relative to the INTERNBILDER folder, without ".\" and trailing "\"; a picture elsewhere keeps its path.
QString backgroundPictureValue(const QString& full)
{
    const QString folder = fsys::withSlash(g().config.dirs.internBilder);
    QString rel = full;
    if (!folder.isEmpty() && full.startsWith(folder, Qt::CaseInsensitive))
        rel = full.mid(folder.size());
    else if (full + QLatin1Char('/') == folder)
        rel.clear();
    if (rel.startsWith(QLatin1String("./")))
        rel = rel.mid(2);
    while (rel.endsWith(QLatin1Char('/')))
        rel.chop(1);
    return stored(rel);
}
} // namespace

QByteArray TaskListBytes(const TDaten& list, int programCode, int elementCount)
{
    IniFile ini;
    const QString general = QStringLiteral("Allgemein");
    ini.writeInteger(general, QStringLiteral("Aufgabencount"), qint32(list.tasks.size()));

    const QString layout = QStringLiteral("Layout");
    const TLayout& l = list.layout;
    const TFont font = l.font.value_or(TFont());
    ini.writeInteger(layout, QStringLiteral("Hintergrundfarbe"), l.backgroundColour);
    ini.writeString(layout, QStringLiteral("Hintergrundbild"), backgroundPictureValue(l.backgroundPicture));
    ini.writeInteger(layout, QStringLiteral("Bilderhintergrundfarbe"), l.pictureBackgroundColour);
    ini.writeInteger(layout, QStringLiteral("Knopffarbe"), l.buttonColour);
    ini.writeInteger(layout, QStringLiteral("Bildgröße"), l.pictureSize);
    ini.writeString(layout, QStringLiteral("Schriftname"), font.name);
    ini.writeInteger(layout, QStringLiteral("Schriftgröße"), font.size);
    ini.writeInteger(layout, QStringLiteral("Schriftfarbe"), font.colour);
    if (programCode == 408)
        ini.writeInteger(layout, QStringLiteral("BstPaarFarbe"), l.pairColour);
    ini.writeInteger(layout, QStringLiteral("BstMarkFarbe"), l.letterMarkColour);
    ini.writeString(layout, QStringLiteral("Animation"), l.animation);
    ini.writeString(layout, QStringLiteral("Rueckseite"), l.cardBack);
    ini.writeString(layout, QStringLiteral("Überschrift"), l.heading);
    if (programCode == 305 || programCode == 407 || programCode == 408)
        ini.writeString(layout, QStringLiteral("BildAnleitung"), l.instructionPicture);
    ini.writeString(layout, QStringLiteral("Überschriftsound"), l.headingSound);

    ini.writeString(QStringLiteral("Info"), QStringLiteral("Aufgabennummer"), QStringLiteral("Bild|Text|Soundliste"));

    for (size_t k = 0; k < list.tasks.size(); ++k) {
        const TAufgabe& t = list.tasks[k];
        const QString section = QStringLiteral("Aufgabe ") + QString::number(k + 1);
        ini.writeString(section, QStringLiteral("Erfolgssound"), stored(t.successSounds.join(QLatin1Char(';'))));
        const TEinzelbild& h = t.headElement;
        ini.writeString(section, QStringLiteral("0"),
                        programCode == 404 ? stored(h.picture) + QStringLiteral("|100|") + h.text + QLatin1Char('|') + stored(h.sounds)
                                           : stored(h.picture) + QStringLiteral("|100||"));
        for (int i = 1; i <= elementCount; ++i) {
            // A task with fewer elements than the program's count gets empty elements.
            const bool has = size_t(i) < t.elements.size();
            ini.writeString(section, QString::number(i), has ? elementText(t.elements[size_t(i)]) : QStringLiteral("||"));
        }
    }
    return ini.toBytes();
}

bool SaveTaskList(const QString& listPath, const TDaten& list, int programCode, int elementCount)
{
    const QByteArray bytes = TaskListBytes(list, programCode, elementCount);
    // A list of a write-protected installation is saved into its writable overlay, same name.
    const QString path = overlay::writablePath(listPath);
    const QString temp = fsys::folderOf(path) + QStringLiteral("~~") + fsys::fileName(path);
    const bool targetWritable = !(fsys::fileExists(path) && fsys::isReadOnly(path));
    // The copy over the target is itself atomic, so a failure at any step leaves the old list.
    const bool ok = targetWritable && fsys::writeFileAtomic(temp, bytes) && fsys::writeFileAtomic(path, bytes);
    fsys::removeFile(temp);
    if (!ok) {
        fileproblems::reportUnwritable(nullptr, path);
        return false;
    }
    dialogs::showMessage(nullptr, QStringLiteral("Datei gespeichert!"));
    return true;
}
