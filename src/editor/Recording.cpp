#include "editor/Recording.h"

#include "core/FileSystem.h"
#include "media/sound/RecordPanel.h"
#include "media/sound/VoiceTake.h"

namespace editor {

QString RecordingName(const QString& word)
{
    QString name;
    for (const QChar c : word.simplified())
        if (!QStringLiteral("\\/:*?\"<>|").contains(c) && c.isPrint())
            name += c;
    name = name.trimmed();
    return name.isEmpty() ? QStringLiteral("Aufnahme") : name;
}

Recorder& recorder()
{
    static Recorder r = [](QWidget* parent, const QString& word) { return TFormAufnahme::Record(parent, word); };
    return r;
}

QString RecordWord(QWidget* parent, const QString& word, const QString& folder)
{
    const auto take = recorder()(parent, word);
    if (!take)
        return {};
    fsys::makePath(folder);
    const QString path = fsys::withSlash(folder) + RecordingName(word) + QStringLiteral(".wav");
    return voice::SaveTake(parent, path, *take) == voice::Saved::Written ? path : QString();
}

} // namespace editor
