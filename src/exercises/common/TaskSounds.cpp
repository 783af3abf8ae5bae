#include "exercises/common/TaskSounds.h"

#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "media/sound/Sound.h"
#include "results/Ergebnisse.h"

namespace exercise {

QString HeadingSoundFile(const QString& nameIn)
{
    const QString name = fsys::fromStored(nameIn.trimmed());
    if (name.isEmpty())
        return QString();
    const Directories& d = g().config.dirs;
    for (const QString& p : {name, d.anleitungsound + name, d.internsound + name, d.materialSound + name})
        if (fsys::fileExists(p))
            return fsys::resolve(p);
    return QString();
}

bool ListHasHeadingSound()
{
    for (const QString& n : g().loadedList.layout.headingSound.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!HeadingSoundFile(n).isEmpty())
            return true;
    return false;
}

QStringList ElementSounds(const TEinzelbild& element)
{
    QStringList list = element.sounds.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& s : list)
        s = s.trimmed();
    list.removeAll(QString());
    return DropArticleSounds(list);
}

QString TaskDuration(qint64 ms)
{
    ms = std::max<qint64>(0, ms);
    auto digits = [](qint64 v, int width) { return QString::number(v).rightJustified(width, QLatin1Char('0')); };
    return digits(ms / 60000, 2) + QLatin1Char(':') + digits(ms / 1000 % 60, 2) + QLatin1Char(':') +
           digits(ms % 1000, 3);
}

QString TaskDurationHundredths(const QDateTime& start, const QDateTime& stop)
{
    const TimeParts t = start.isValid() && stop.isValid() && start <= stop ? SplitTime(start, stop) : TimeParts{};
    return PadNumber(t.minutes, 2, QLatin1Char('0')) + QLatin1Char(':') + PadNumber(t.seconds, 2, QLatin1Char('0')) +
           QLatin1Char(':') + PadNumber(t.hundredths, 3, QLatin1Char('0'));
}

} // namespace exercise
