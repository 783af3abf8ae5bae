#include "support/LargeInstallation.h"
#include "core/Win1252.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <iterator>

namespace largeinstallation {
namespace {
bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Stored files are Windows-1252 with CR LF.
QByteArray storedLines(const QStringList& lines)
{
    QByteArray out;
    for (const QString& l : lines)
        out += win1252::encode(l) + "\r\n";
    return out;
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray withNameChoice(QByteArray options, bool on)
{
    return options.replace(on ? "Namenauswahl=0" : "Namenauswahl=1", on ? "Namenauswahl=1" : "Namenauswahl=0");
}

bool copyFile(const QString& file, const QString& target)
{
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile::remove(target);
    return QFile::copy(file, target);
}

bool copyTree(const QString& from, const QString& to, const QStringList& parts)
{
    if (!QDir().mkpath(to))
        return false;
    for (const QString& part : parts.isEmpty() ? QStringList{QString()} : parts) {
        const QString top = part.isEmpty() ? from : from + QLatin1Char('/') + part;
        if (QFileInfo(top).isFile()) {
            if (!copyFile(top, to + top.mid(from.size())))
                return false;
            continue;
        }
        QDirIterator it(top, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            if (!copyFile(file, to + file.mid(from.size())))
                return false;
        }
    }
    return true;
}

// One finished run of "Gleich oder nicht gleich", as the results module writes it.
QStringList protocolRun(const QString& player, int i)
{
    const QString day = QStringLiteral("%1.03.2024").arg(1 + i % 28, 2, 10, QLatin1Char('0'));
    return {QStringLiteral("P 3.1. Gleich oder nicht gleich"),
            QStringLiteral("N ") + player,
            QStringLiteral("D ") + day,
            QStringLiteral(" "),
            QStringLiteral("F 01 Tiere.txt"),
            QStringLiteral("O "),
            QStringLiteral("  Aufgabe  1:   0 Fehler  (00:00:03,12) "),
            QStringLiteral("  Aufgabe  2:   1 Fehler  (00:00:05,40)  Maus  "),
            QStringLiteral("Z 8 Sekunden "),
            QStringLiteral("S ") + day + QStringLiteral(" 09:15"),
            QStringLiteral("E ") + day + QStringLiteral(" 09:16"),
            QStringLiteral("*")};
}

const char* const kFirst[] = {"Anna", "ben",  "Clara", "David", "emil",  "Finn", "Greta",  "Hanna", "Ida",  "jonas",
                              "Karl", "Lena", "mia",   "Noah",  "Ole",   "Paula", "quirin", "Rosa",  "Sami", "Tom",
                              "Uwe",  "vera", "Wanda", "Xaver", "Yara",  "zoe",  "Jörg",   "Özlem", "ümit", "Äneas"};
const int kFirstNames = int(std::size(kFirst));
} // namespace

QString playerName(int i)
{
    const QString number = QStringLiteral("%1").arg(i / kFirstNames + 1, 3, 10, QLatin1Char('0'));
    return QString::fromUtf8(kFirst[i % kFirstNames]) + QLatin1Char(' ') + number;
}

Installation make(const QString& demoDir, const QString& target, const Shape& shape)
{
    Installation out;
    const QString demo = QDir::cleanPath(demoDir);
    const QString root = QDir::cleanPath(target);
    if (!copyTree(demo, root, shape.demoParts))
        return out;
    const QString optionen = root + QStringLiteral("/Optionen/");
    const QString bilder = root + QStringLiteral("/Spielerbilder/");
    const QString protokoll = root + QStringLiteral("/Protokoll/");
    QDir().mkpath(optionen);
    QDir().mkpath(bilder);
    QDir().mkpath(protokoll);

    // The demo's own players; made players start with the options of one of them (not "Standard").
    const QStringList demoFiles = QDir(optionen).entryList({QStringLiteral("Options-*.txt")}, QDir::Files, QDir::Name);
    QByteArray options = withNameChoice("[Allgemeine Optionen]\r\nNamenauswahl=1\r\n", shape.nameChoice);
    for (const QString& f : demoFiles) {
        const QByteArray bytes = withNameChoice(readBytes(optionen + f), shape.nameChoice);
        if (!writeBytes(optionen + f, bytes))
            return out;
        out.players << f.mid(8, f.size() - 12);
        if (f.compare(QStringLiteral("Options-Standard.txt"), Qt::CaseInsensitive) != 0 || demoFiles.size() == 1)
            options = bytes;
    }

    QStringList pictures;
    for (const QString& p : QDir(bilder).entryList(QDir::Files, QDir::Name))
        if (!p.startsWith(QStringLiteral("Bilderrahmen"), Qt::CaseInsensitive))
            pictures << p;

    for (int i = 0; out.players.size() < shape.players; ++i) {
        const QString name = playerName(i);
        if (!writeBytes(optionen + QStringLiteral("Options-") + name + QStringLiteral(".txt"), options))
            return out;
        out.players << name;
        // Shifted by one on every round through the first names, so that every first name gets some.
        const int turn = i + i / kFirstNames;
        if (shape.pictureEvery > 0 && turn % shape.pictureEvery == 0 && !pictures.isEmpty()) {
            const QString source = pictures[(turn / shape.pictureEvery) % pictures.size()];
            QFile::copy(bilder + source, bilder + name + QLatin1Char('.') + QFileInfo(source).suffix());
        }
    }

    QStringList listed = out.players;
    std::sort(listed.begin(), listed.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    out.lastPlayer = listed.isEmpty() ? QStringLiteral("Standard") : listed[listed.size() / 2];
    if (!writeBytes(optionen + QStringLiteral("LetzterNutzer.txt"),
                    storedLines({QStringLiteral("[Namen]"), QStringLiteral("Namen=") + out.lastPlayer})))
        return out;

    const int protocols = shape.protocols < 0 ? int(out.players.size()) : shape.protocols;
    for (int i = 0; i < protocols; ++i) {
        const QString name = i < out.players.size() ? out.players[i] : QStringLiteral("Ehemalige %1").arg(i);
        if (!writeBytes(protokoll + name + QStringLiteral(".prt"), storedLines(protocolRun(name, i))))
            return out;
    }

    // Other workstations' players: never the last player, who is the one this workstation starts with.
    for (int i = 0; out.locked.size() < shape.lockEntries; ++i) {
        const QString name = i < out.players.size() ? out.players[i] : QStringLiteral("Gast %1").arg(i);
        if (name != out.lastPlayer)
            out.locked << name;
    }
    if (!out.locked.isEmpty() && !writeBytes(optionen + QStringLiteral("lock.txt"), storedLines(out.locked)))
        return out;

    out.root = root + QLatin1Char('/');
    return out;
}

} // namespace largeinstallation
