#include "data/PlayerList.h"

#include "core/Dialogs.h"
#include "core/FileProblems.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/IniFile.h"
#include "data/PlayerLock.h"
#include "data/PlayerOptions.h"

#include <QHash>

namespace {
const QString kStandard = QStringLiteral("Standard");
// The help page about new players and the settings they start with.
const int kNewPlayerHelpTopic = 100;

QString& entry0() { return g().playerList.front(); }

void reportUnwritable(QWidget* parent, const QString& path)
{
    if (fileproblems::reportSpecialCause(parent, path))
        return;
    dialogs::error(parent, QStringLiteral("Die Ini-Datei: ") + path +
                               QStringLiteral(" konnte nicht erstellt werden."));
}
} // namespace

QString lastPlayerFilePath() { return g().config.dirs.optionen + QStringLiteral("LetzterNutzer.txt"); }

int playerIndex(const QString& name)
{
    const QStringList& list = g().playerList;
    for (int i = 0; i < list.size(); ++i)
        if (list[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString nameKey(const QString& name)
{
    // The comparison folds each UTF-16 unit, a low surrogate together with its high one; a
    // surrogate's fold stays a surrogate, so all of them share one key unit and are told apart by
    // the comparison.
    QString key(name.size(), Qt::Uninitialized);
    QChar* out = key.data();
    for (QChar c : name)
        *out++ = c.isSurrogate() ? QChar(0xD800) : c.toCaseFolded();
    return key;
}

QString forbiddenNameChars() { return QStringLiteral("\\/:*?\"<>|"); }

bool isForbiddenNameChar(QChar c) { return forbiddenNameChars().contains(c); }

bool isValidPlayerName(const QString& name)
{
    if (name.trimmed().isEmpty() || name.startsWith(u'_') || name.startsWith(u'~'))
        return false;
    for (QChar c : name)
        if (isForbiddenNameChar(c) || c.unicode() < 0x20)
            return false;
    return true;
}

void LoadPlayerList()
{
    QStringList& list = g().playerList;
    list.clear();
    const IniFile last = IniFile::load(lastPlayerFilePath());
    QString first = last.readString(QStringLiteral("Namen"), QStringLiteral("Namen"), kStandard);
    if (first.trimmed().isEmpty())
        first = kStandard;
    list << first;
    // The names so far by key: a folder of hundreds of players is listed in linear time.
    QHash<QString, QStringList> listed;
    listed[nameKey(first)] << first;
    const auto isListed = [&listed](const QString& name) {
        for (const QString& n : listed.value(nameKey(name)))
            if (n.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };

    const QString prefix = QStringLiteral("Options-");
    const QString ext = QStringLiteral(".txt");
    for (const QString& file : fsys::list(g().config.dirs.optionen, QStringLiteral("*.txt"), false,
                                          fsys::Entries::Files)) {
        if (file.isEmpty() || file.startsWith(u'_') || file.startsWith(u'~'))
            continue;
        if (!file.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        QString name = file.mid(prefix.size());
        if (name.endsWith(ext, Qt::CaseInsensitive))
            name.chop(ext.size());
        // On a case-sensitive file system "Options-Anna.txt" and "options-anna.txt" can both
        // exist; they are one player, as on Windows.
        if (!name.isEmpty() && !isListed(name)) {
            list << name;
            listed[nameKey(name)] << name;
        }
    }
}

void WriteLastPlayer(QWidget* parent)
{
    if (g().playerList.isEmpty())
        return;
    const QString path = lastPlayerFilePath();
    IniFile ini = IniFile::load(path);
    ini.writeString(QStringLiteral("Namen"), QStringLiteral("Namen"), entry0());
    if (!ini.save(path))
        reportUnwritable(parent, path);
}

void MakeCurrentPlayer(const QString& name)
{
    const int i = playerIndex(name);
    if (i > 0)
        g().playerList.swapItemsAt(0, i);
}

namespace {
// Another listed player becomes entry 0: the lock of the previous one goes first.
void switchTo(const QString& name)
{
    const QString previous = g().currentPlayer();
    if (previous.compare(name, Qt::CaseInsensitive) != 0)
        ReleasePlayerLock(previous);
    MakeCurrentPlayer(name);
    ReadPlayerOptions(g().currentPlayer(), 0);
}
} // namespace

void SelectPlayer(const QString& name)
{
    if (name.isEmpty())
        return;
    const QString previous = g().currentPlayer();
    if (previous.compare(name, Qt::CaseInsensitive) != 0)
        ReleasePlayerLock(previous);
    ReadPlayerOptions(name, 0);
    if (playerIndex(name) >= 0)
        MakeCurrentPlayer(name);
}

QString ConfirmPlayerCombo(const QString& comboText, QWidget* parent)
{
    QString text = comboText;
    if (text.isEmpty() || text == QStringLiteral(" ")) {
        text = kStandard;
        ReadPlayerOptions(kStandard, 0);
    }
    if (playerIndex(text) >= 0) {
        switchTo(text);
        return g().currentPlayer();
    }
    if (!CreatePlayerFromCurrent(text, parent))
        return g().currentPlayer();
    return text;
}

bool CreatePlayerFromCurrent(const QString& name, QWidget* parent)
{
    // A typed name becomes a file name: path characters would write outside the folder.
    if (!isValidPlayerName(name))
        return false;
    const QString target = playerOptionsFile(name);
    if (fsys::fileExists(target))
        return false;
    const QString previous = g().currentPlayer();
    const auto answer = dialogs::askWithHelp(
        parent, QStringLiteral("Es werden die Einstellungen, die zuletzt benutzt wurden (") + previous +
                    QStringLiteral("), übernommen!"),
        {dialogs::Button::Ok, dialogs::Button::Cancel, dialogs::Button::Help}, kNewPlayerHelpTopic, QString(),
        dialogs::Icon::Information);
    if (answer != dialogs::Button::Ok)
        return false;
    // Made on another workstation while the question was open: never replaced by a copy.
    if (fsys::fileExists(target)) {
        dialogs::error(parent, QStringLiteral("Der Spielername existiert schon."));
        return false;
    }
    // A player whose options file cannot be written is not created: it would vanish at the next
    // start and its settings would be lost meanwhile.
    const QString source = previous.isEmpty() ? QString() : playerOptionsFile(previous);
    if (!source.isEmpty() && fsys::fileExists(source) && !fsys::copyFile(source, target, true)) {
        reportUnwritable(parent, target);
        return false;
    }
    ReleasePlayerLock(previous);
    g().playerList.prepend(name);
    return true;
}

QString playerHistoryFile(const QString& player)
{
    return fsys::withSlash(g().config.dirs.protokoll) + player + QStringLiteral("-Verlauf.csv");
}

bool DeleteCurrentPlayer(const QString& name, QWidget* parent)
{
    if (playerlock::anyoneLocked()) {
        dialogs::error(parent, QStringLiteral("Es können keine Nutzer gelöscht werden!"));
        return false;
    }
    if (name.isEmpty())
        return false;
    if (name.compare(kStandard, Qt::CaseInsensitive) == 0) {
        dialogs::error(parent, QStringLiteral("Der Standard-Nutzer kann nicht gelöscht werden."));
        return false;
    }
    if (dialogs::ask(parent, name.toUpper() + QStringLiteral(" - Soll der Eintrag wirklich gelöscht werden?")) !=
        dialogs::Button::Yes)
        return false;
    const int i = playerIndex(name);
    if (i < 0) {
        dialogs::error(parent, QStringLiteral("Eintrag konnte nicht gelöscht werden!"));
        return false;
    }
    const QString previous = g().currentPlayer();
    const QString listed = g().playerList.at(i);
    g().playerList.removeAt(i);
    for (const QString& file : {playerOptionsFile(listed), playerHistoryFile(listed)})
        if (fsys::fileExists(file))
            fsys::removeFile(file);
    if (!previous.isEmpty() && previous.compare(kStandard, Qt::CaseInsensitive) != 0)
        ReleasePlayerLock(previous);
    if (playerIndex(kStandard) < 0)
        g().playerList.prepend(kStandard);
    MakeCurrentPlayer(kStandard);
    ReadPlayerOptions(kStandard, 0);
    WriteLastPlayer(parent);
    return true;
}
