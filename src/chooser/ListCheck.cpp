#include "chooser/ListCheck.h"

#include "core/Catalogue.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/TextUtil.h"
#include "data/TaskList.h"
#include "media/picture/Picture.h"
#include "media/sound/Sound.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

namespace listcheck {
namespace {

bool isWave(const QString& file)
{
    QFile f(file);
    if (file.isEmpty() || !f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(12);
    return head.startsWith("RIFF") && head.mid(8, 4) == "WAVE";
}

QString belowInstallation(const QString& path)
{
    const QString inst = g().config.installationDirectory;
    return path.startsWith(inst, Qt::CaseInsensitive) ? path.mid(inst.size()) : path;
}

} // namespace

Report CheckInstallation()
{
    Report report;
    // Each list is checked in the folder of the program it belongs to; lists outside every program's
    // folder are still loaded.
    QHash<QString, int> programOf;
    for (const ProgramInfo& p : catalogue::programs()) {
        QStringList lists;
        ListFilesRecursive(catalogue::listFolder(p.code), QStringLiteral("*.txt"), true, lists);
        for (const QString& l : lists)
            programOf.insert(l, p.code);
    }
    QStringList all;
    ListFilesRecursive(g().config.dirs.listen, QStringLiteral("*.txt"), true, all);
    all.sort(Qt::CaseInsensitive);
    static const QRegularExpression soundSeparators(QStringLiteral("[;#]"));

    for (const QString& list : all) {
        ++report.lists;
        const int code = programOf.value(list, 0);
        const QString shown = belowInstallation(list);
        g().defaultElementCount = code ? catalogue::defaultElementCount(code) : 0;
        TDaten data;
        if (LoadTaskListInto(list, data) < 1) {
            report.findings.push_back({shown, 0, Finding::Kind::ListUnreadable, {}});
            continue;
        }
        // Head pictures come from the collection folder ("Laute weglassen": the element pictures).
        const QString headFolder = code == 404 ? g().config.dirs.materialBilder : g().config.dirs.materialSammelBilder;
        int taskNumber = 0;
        for (const TAufgabe& task : data.tasks) {
            ++taskNumber;
            std::vector<std::pair<const TEinzelbild*, bool>> elements{{&task.headElement, true}};
            for (const TEinzelbild& e : task.elements)
                elements.push_back({&e, false});
            QStringList soundNames;
            for (const auto& [e, head] : elements) {
                if (!e->picture.isEmpty()) {
                    ++report.pictures;
                    QString file = head ? fsys::withSlash(headFolder) + fsys::fromStored(e->picture) : QString();
                    if (!fsys::fileExists(file))
                        file = picture::ResolvePictureName(e->picture);
                    if (file.isEmpty() || !picture::PictureSize(file).isValid())
                        report.findings.push_back({shown, taskNumber, Finding::Kind::Picture, e->picture});
                }
                // ";" separates the sounds of an element, "#" the syllable count's two recordings.
                soundNames << e->sounds.split(soundSeparators, Qt::SkipEmptyParts);
            }
            soundNames << task.successSounds;
            for (const QString& s : soundNames) {
                if (s.trimmed().isEmpty())
                    continue;
                ++report.sounds;
                if (!isWave(ResolveSoundName(s)))
                    report.findings.push_back({shown, taskNumber, Finding::Kind::Sound, s});
            }
        }
    }
    return report;
}

QString describe(const Finding& f)
{
    const QString where = f.task > 0 ? QStringLiteral("Liste \"%1\", Aufgabe %2: ").arg(f.list).arg(f.task)
                                     : QStringLiteral("Liste \"%1\": ").arg(f.list);
    switch (f.kind) {
    case Finding::Kind::Picture: return where + QStringLiteral("Bild \"%1\" nicht gefunden").arg(f.name);
    case Finding::Kind::Sound: return where + QStringLiteral("Ton \"%1\" nicht gefunden").arg(f.name);
    case Finding::Kind::ListUnreadable: return where + QStringLiteral("lässt sich nicht laden (keine gültige Aufgabe)");
    }
    return where;
}

QString summary(const Report& r)
{
    int pictures = 0, sounds = 0, lists = 0;
    for (const Finding& f : r.findings)
        (f.kind == Finding::Kind::Picture ? pictures : f.kind == Finding::Kind::Sound ? sounds : lists)++;
    const QString checked = QStringLiteral("%1 Listen geprüft (%2 Bilder, %3 Töne)").arg(r.lists).arg(r.pictures).arg(r.sounds);
    if (r.findings.isEmpty())
        return checked + QStringLiteral(": nichts fehlt.");
    auto count = [](int n, const char* one, const char* many) {
        return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(n == 1 ? one : many);
    };
    return checked + QStringLiteral(": ") + count(pictures, "Bild fehlt", "Bilder fehlen") + QStringLiteral(", ") +
           count(sounds, "Ton fehlt", "Töne fehlen") + QStringLiteral(", ") +
           count(lists, "Liste lässt sich nicht laden.", "Listen lassen sich nicht laden.");
}

} // namespace listcheck
