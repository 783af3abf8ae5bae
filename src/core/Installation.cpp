#include "core/Installation.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/IniFile.h"
#include "core/Overlay.h"

#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>

namespace installation {

namespace {

QString joinDir(const QString& base, const QString& stored)
{
    // Every folder lies below the installation; material made on Windows often writes them with a
    // leading backslash ("\Listen\"), which names the same folder. A path that is absolute on this
    // system ("/srv/kalimo/Optionen") stays absolute.
    const QString raw = stored.trimmed();
    QString v = fsys::fromStored(raw);
    if (QDir::isAbsolutePath(v) && !raw.startsWith(QLatin1Char('\\')))
        return fsys::withSlash(QDir::cleanPath(v));
    while (v.startsWith(QLatin1Char('/')))
        v.remove(0, 1);
    if (v.isEmpty())
        return base;
    return fsys::withSlash(base + v);
}

bool startsWithNoCase(const QString& s, const QString& prefix)
{
    return s.size() >= prefix.size() && s.left(prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0;
}

enum class Kind { Text, Picture, Sound, Integer };
struct KeyDef {
    const char* key;
    Kind kind;
    const char* def;
};
struct SectionDef {
    const char* section;
    std::vector<KeyDef> keys;
};

const std::vector<SectionDef>& programSectionDefs()
{
    using K = Kind;
    static const std::vector<SectionDef> defs = {
        {"ProgMerkfaehigkeit",
         {{"enable", K::Text, "bild.bmp"}, {"disable", K::Text, "bildsw.bmp"}, {"LobBild1", K::Picture, ""},
          {"LobBild2", K::Picture, ""}, {"LobText1", K::Picture, ""}, {"LobText2", K::Picture, ""},
          {"LobSchriftfarbe", K::Integer, "65535"}, {"LobSchrift", K::Text, "Arial"}, {"xdiff", K::Integer, "0"},
          {"ydiff", K::Integer, "0"}, {"Symbolsehen", K::Picture, ""}, {"Symbolprüfen", K::Picture, ""},
          {"SymbolWeiter", K::Picture, ""}, {"SymbolHören", K::Picture, ""}, {"SymbolNochmal", K::Picture, ""}}},
        {"ProgWortreihe",
         {{"Markerbild", K::Picture, ""}, {"TastaturMarkerbild", K::Picture, ""}, {"TonBild", K::Picture, ""},
          {"StartBild", K::Picture, ""}, {"StopBild", K::Picture, ""}, {"SoundErfolgTextrechts", K::Sound, ""},
          {"SoundErfolgTextlinks", K::Sound, ""}, {"SoundErfolgBild", K::Sound, ""}, {"Symbolprüfen", K::Picture, ""},
          {"SymbolHören", K::Picture, ""}}},
        {"ProgGleichNichtgleich",
         {{"Lobgleich", K::Text, ""}, {"Lobungleich", K::Text, ""}, {"Fehlergleich", K::Text, ""},
          {"Fehlerungleich", K::Text, ""}, {"Hoerentext", K::Text, ""}, {"SymbolGleich", K::Picture, ""},
          {"SymbolNichtgleich", K::Picture, ""}}},
        {"ProgRichtigOderFalsch",
         {{"Symbolrichtig", K::Picture, ""}, {"Symbolfalsch", K::Picture, ""}, {"Hoerentext", K::Text, ""},
          {"Lobrichtig", K::Text, ""}, {"Lobfalsch", K::Text, ""}, {"Fehlerrichtig", K::Text, ""},
          {"Fehlerfalsch", K::Text, ""}, {"Fehlersound1", K::Sound, ""}, {"Fehlersound2", K::Sound, ""}}},
        {"ProgWelcherLautPasst",
         {{"Lob", K::Text, ""}, {"Fehler", K::Text, ""}, {"Hoerentext", K::Text, ""},
          {"AnimationBild", K::Text, "Pacman"}, {"Fehlersound", K::Sound, ""}, {"SoundInlaut", K::Sound, ""},
          {"SoundAnlaut", K::Sound, ""}, {"SoundAuslaut", K::Sound, ""}, {"OhrKnopf", K::Picture, ""}}},
        {"ProgLangOderKurz",
         {{"Symbollang", K::Picture, ""}, {"Symbolkurz", K::Picture, ""}, {"Hoerentext", K::Text, ""},
          {"Loblang", K::Text, ""}, {"Lobkurz", K::Text, ""}, {"Fehlerlang", K::Text, ""},
          {"Fehlerkurz", K::Text, ""}, {"TonAutosweg", K::Sound, "auto.wav"}}},
        {"ProgMemory",
         {{"TonMischen", K::Sound, ""}, {"TonAusteilen", K::Sound, ""}, {"TonPaarGefunden", K::Sound, ""},
          {"TonAlleGefunden", K::Sound, ""}, {"PfadErfolgsmotiv", K::Picture, ""}, {"Black", K::Text, ""},
          {"White", K::Text, ""}, {"WhiteBlack", K::Text, ""}, {"BlackWhite", K::Text, ""},
          {"TonBlumeerscheint", K::Sound, ""}}},
        {"ProgLautMemory",
         {{"TonMischen", K::Sound, ""}, {"TonAusteilen", K::Sound, ""}, {"TonPaarGefunden", K::Sound, ""},
          {"TonAlleGefunden", K::Sound, ""}, {"PfadErfolgsmotiv", K::Picture, ""}, {"Black", K::Text, ""},
          {"White", K::Text, ""}, {"WhiteBlack", K::Text, ""}, {"BlackWhite", K::Text, ""},
          {"TonBlumeerscheint", K::Sound, ""}}},
        {"ProgLautPos",
         {{"Lob", K::Text, ""}, {"Fehler", K::Text, ""}, {"Bild", K::Picture, ""}, {"Bildvorne", K::Picture, ""},
          {"Bildmitte", K::Picture, ""}, {"Bildhinten", K::Picture, ""}, {"Tonvorne", K::Sound, ""},
          {"Tonmitte", K::Sound, ""}, {"Tonhinten", K::Sound, ""}, {"Markerbild", K::Picture, ""},
          {"Fehlerbild", K::Picture, ""}, {"Fragebild", K::Picture, ""}, {"TonBild", K::Picture, ""}}},
        {"ProgLautSuche",
         {{"Markerbild", K::Picture, ""}, {"Lob", K::Text, ""}, {"Fehler", K::Text, ""},
          {"TonBild", K::Picture, ""}, {"Mundbildendung", K::Text, "-ohne Buchstabe.wmf"}}},
        {"ProgLautAdd",
         {{"Markerbild", K::Picture, ""}, {"Lob", K::Text, ""}, {"Fehler", K::Text, ""}, {"TonBild", K::Picture, ""}}},
        {"ProgLautWeg",
         {{"Markerbild", K::Picture, ""}, {"Lob", K::Text, ""}, {"Fehler", K::Text, ""},
          {"Symbolknopf", K::Picture, ""}, {"Symbolpfeil", K::Picture, ""}, {"TonBild", K::Picture, ""},
          {"SoundAus", K::Sound, ""}, {"SoundWird", K::Sound, ""}}},
        {"ProgLautReplace",
         {{"Markerbild", K::Picture, ""}, {"Lob", K::Text, ""}, {"Fehler", K::Text, ""}, {"TonBild", K::Picture, ""}}},
        {"ProgSilbenAnzahl",
         {{"Lob", K::Text, ""}, {"Fehler", K::Text, ""}, {"Symbolpfeil", K::Picture, ""},
          {"TonBild", K::Picture, ""}, {"Silben", K::Text, ""}}},
        {"ProgPaarSuche",
         {{"TonAusteilen", K::Sound, ""}, {"TonMischen", K::Sound, ""}, {"TonPaarGefunden", K::Sound, ""},
          {"TonAlleGefunden", K::Sound, ""}}},
    };
    return defs;
}

QString file(const QString& folder, const QString& stored) { return folder + fsys::fromStored(stored); }

// Where the data directory rule would move the players' data, found without creating, copying or
// probing anything (for the check of an installation); empty when the data stays in place.
QString movedDataRoot(const QString& relOptionen)
{
    const QString inst = g().config.installationDirectory;
    const QString netFile = inst + QStringLiteral("intern/netzwerkpfad.txt");
    if (!fsys::fileExists(netFile))
        return {};
    QString root = inst;
    const auto lines = fsys::readLines(netFile);
    if (lines && !lines->isEmpty() && !lines->front().trimmed().isEmpty())
        root = fsys::withSlash(fsys::fromStored(lines->front().trimmed()));
    const QFileInfo target(fsys::resolve(root + relOptionen));
    if (target.isDir() && target.isWritable() && !fsys::isReadOnly(target.filePath()))
        return root;
    return commonDataRootFor(inst);
}

// A write-protected installation (its data moved elsewhere) keeps its therapists' own lists and
// material beside the players' data: the writable root's Listen/ and Material/ folders (as the
// configuration names them) lie over the installation's.
void layOverlay(const QString& dataRoot)
{
    overlay::clear();
    const QString inst = g().config.installationDirectory;
    if (dataRoot.isEmpty() || dataRoot.compare(inst, Qt::CaseInsensitive) == 0)
        return;
    const Directories& d = g().config.dirs;
    std::vector<overlay::Layer> layers;
    // The text exports of lists ("Texte aus Dateien") go beside them.
    for (const QString& dir : {d.listen, d.material, d.materialBilder, d.materialSammelBilder, d.materialSound,
                               inst + QStringLiteral("Texte aus Dateien/")})
        if (startsWithNoCase(dir, inst) && dir.size() > inst.size())
            layers.push_back({dir, dataRoot + dir.mid(inst.size())});
    overlay::set(std::move(layers));
}

void readPfade(const IniFile& ini, QWidget* owner, DataFolders data)
{
    MainConfig& c = g().config;
    const QString inst = c.installationDirectory;
    auto dir = [&](const char* key) { return joinDir(inst, ini.readString("Pfade", QString::fromUtf8(key))); };
    Directories& d = c.dirs;
    d.hilfe = dir("Hilfe");
    d.spielerbilder = dir("Spielerbilder");
    d.listen = dir("Listen");
    d.material = dir("Material");
    d.materialBilder = dir("MaterialBilder");
    d.materialSammelBilder = dir("MaterialSammelBilder");
    d.materialSound = dir("MaterialSound");
    d.intern = dir("INTERN");
    d.font = dir("Font");
    d.bilderurkunde = dir("Bilderurkunde");
    d.internBilder = dir("INTERNBILDER");
    d.internRueckseite = dir("INTERNRueckseite");
    d.hintergrundbilder = dir("Hintergrundbilder");
    d.lobAnimation = dir("LobAnimation");
    d.internsound = dir("Internsound");
    d.anleitungsound = dir("Anleitungsound");
    d.lobSound = dir("LobSound");
    d.fehlersound = dir("Fehlersound");
    d.endeSound = dir("EndeSound");
    d.knopf = dir("Knopf");
    d.schalterknopf = dir("Schalterknopf");

    auto relativeOf = [&](const char* key) {
        const QString joined = dir(key);
        return startsWithNoCase(joined, inst) ? joined.mid(inst.size()) : joined;
    };
    const QString relOptionen = fsys::withSlash(relativeOf("Optionen"));
    QString dataRoot;
    if (data == DataFolders::Resolve) {
        d.optionen = ResolveDataDirectory(relOptionen, owner);
        d.protokoll = ResolveDataDirectory(relativeOf("Protokoll"), owner);
        d.temp = ResolveDataDirectory(QStringLiteral("TEMP/"), owner);
        if (d.optionen.endsWith(relOptionen, Qt::CaseInsensitive))
            dataRoot = d.optionen.left(d.optionen.size() - relOptionen.size());
    } else {
        auto within = [&](const QString& rel) { return fsys::withSlash(QDir::isAbsolutePath(rel) ? rel : inst + rel); };
        d.optionen = within(relOptionen);
        d.protokoll = within(relativeOf("Protokoll"));
        d.temp = inst + QStringLiteral("TEMP/");
        dataRoot = movedDataRoot(relOptionen);
    }
    layOverlay(dataRoot);

    c.mainConfigurationFile = d.intern + c.programBaseName + QStringLiteral(".txt");
    c.helpFile = d.hilfe + QStringLiteral("index.html");
    c.lastPlayerFile = d.optionen + QStringLiteral("LetzterNutzer.txt");
    c.manualFile = inst + QStringLiteral("Anleitung-Kalimo.pdf");
    c.endSounds = fsys::list(d.endeSound, QStringLiteral("*.wav"), true, fsys::Entries::Files);
}

void readMenu(const IniFile& ini)
{
    QStringList& lines = g().config.menuLines;
    lines.clear();
    auto line = [](const QString& caption, const QString& section, const IniFile& ini) {
        return QStringList{caption, ini.readString(section, "formular"), ini.readString(section, "Bildoben"),
                           ini.readString(section, "Bildunten")}
            .join(QLatin1Char(';'));
    };
    for (int n = 1;; ++n) {
        const QString caption = ini.readString("Hauptschalter", QString::number(n), "#");
        if (caption == QLatin1String("#"))
            break;
        const QString section = QStringLiteral("Schalter%1").arg(n);
        const QString formular = ini.readString(section, "formular");
        lines << line(caption, section, ini);
        if (!formular.isEmpty())
            continue;
        for (int m = 1;; ++m) {
            const QString prog = ini.readString(section, QString::number(m), "#");
            if (prog == QLatin1String("#"))
                break;
            const QString progSection = QStringLiteral("Schalter%1").arg(n * 100 + m);
            if (ini.readString(progSection, "formular").isEmpty())
                continue;
            lines << QStringLiteral("  ") + line(prog, progSection, ini);
        }
    }
}

void readProgramSections(const IniFile& ini)
{
    MainConfig& c = g().config;
    c.programSections.clear();
    for (const SectionDef& def : programSectionDefs()) {
        const QString name = QString::fromUtf8(def.section);
        ProgramSection s;
        for (const auto& e : ini.sectionEntries(name))
            s.values.insert(e.key.toLower(), e.value);
        s.titel = ini.readString(name, "Titel");
        s.listenpfad = fsys::fromStored(ini.readString(name, "Listenpfad"));
        for (const KeyDef& k : def.keys) {
            const QString key = QString::fromUtf8(k.key);
            const QString def = QString::fromUtf8(k.def);
            QString v;
            switch (k.kind) {
            case Kind::Text: v = ini.readString(name, key, def); break;
            case Kind::Picture: v = file(c.dirs.internBilder, ini.readString(name, key, def)); break;
            case Kind::Sound: v = file(c.dirs.internsound, ini.readString(name, key, def)); break;
            case Kind::Integer: v = QString::number(ini.readInteger(name, key, def.toInt())); break;
            }
            s.values.insert(key.toLower(), v);
        }
        c.programSections.insert(name.toLower(), s);
    }
}

} // namespace

void shareWithGroup()
{
    const mode_t mask = ::umask(0);
    ::umask(mask & ~mode_t(S_IWGRP));
}

void setProgramFile(const QString& programFile, const QString& overrideDir)
{
    MainConfig& c = g().config;
    const QFileInfo fi(programFile);
    QString base = fi.fileName();
    if (base.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive))
        base.chop(4);
    c.programBaseName = base.isEmpty() ? QStringLiteral("Kalimo") : base;
    const QString dir = overrideDir.isEmpty() ? defaultInstallationFor(programFile) : QFileInfo(overrideDir).absoluteFilePath();
    c.installationDirectory = fsys::withSlash(QDir::cleanPath(dir));
    c.dirs.intern = c.installationDirectory + QStringLiteral("INTERN/");
    c.mainConfigurationFile = c.dirs.intern + c.programBaseName + QStringLiteral(".txt");
}

namespace {
bool holdsMainConfiguration(const QString& dir, const QString& baseName)
{
    return fsys::fileExists(fsys::resolve(fsys::withSlash(dir) + QStringLiteral("INTERN/") + baseName + QStringLiteral(".txt")));
}
}

QString defaultInstallationFor(const QString& programFile)
{
    const QFileInfo fi(programFile);
    QString base = fi.fileName();
    if (base.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive))
        base.chop(4);
    if (base.isEmpty())
        base = QStringLiteral("Kalimo");
    const QString own = fi.absolutePath();
    if (holdsMainConfiguration(own, base))
        return own;
    // An installed program: bin/kalimo beside share/kalimo.
    const QString installed = QDir::cleanPath(own + QStringLiteral("/../share/kalimo"));
    if (holdsMainConfiguration(installed, base))
        return installed;
    return own;
}

bool hasMainConfiguration()
{
    const QString file = fsys::resolve(g().config.mainConfigurationFile);
    return fsys::fileExists(file) && !QFileInfo(file).isDir();
}

QString commonDataRootFor(const QString& installationDirectory)
{
    QString instName = installationDirectory;
    if (instName.endsWith(QLatin1Char('/')))
        instName.chop(1);
    instName = fsys::fileName(instName);
    return fsys::withSlash(commonDocumentsFolder()) + QStringLiteral("MORWEN/") + instName + QLatin1Char('/');
}

bool isWritableDirectory(const QString& dir)
{
    const QString d = fsys::resolve(dir);
    if (!fsys::dirExists(d) || fsys::isReadOnly(d))
        return false;
    QDir qd(d);
    if (!qd.isReadable())
        return false;
    for (const QString& e : fsys::list(d, QStringLiteral("*"), true))
        if (fsys::isReadOnly(e))
            return false;
    const QString probe = fsys::withSlash(d) + QStringLiteral("~abc");
    if (!fsys::dirExists(probe) && !QDir().mkdir(probe))
        return false;
    QDir().rmdir(probe);
    return true;
}

QString ResolveDataDirectory(const QString& relativeIn, QWidget* owner)
{
    const MainConfig& c = g().config;
    const QString inst = c.installationDirectory;
    const QString relative = fsys::withSlash(fsys::fromStored(relativeIn));
    // A configured absolute folder outside the installation is used as it stands.
    const bool absolute = QDir::isAbsolutePath(relative);
    const QString own = absolute ? relative : inst + relative;
    QString result = own;

    const QString netFile = inst + QStringLiteral("intern/netzwerkpfad.txt");
    if (!absolute && fsys::fileExists(netFile)) {
        const auto lines = fsys::readLines(netFile);
        // An empty first line names no root; it must not turn into the file system's root.
        if (lines && !lines->isEmpty() && !lines->front().trimmed().isEmpty())
            result = fsys::withSlash(fsys::fromStored(lines->front().trimmed())) + relative;
        fsys::makePath(result);
        if (!isWritableDirectory(result))
            result = commonDataRootFor(inst) + relative;
    }

    if (result.compare(own, Qt::CaseInsensitive) == 0)
        return result;

    if (!fsys::makePath(result)) {
        dialogs::warning(owner, QStringLiteral("Das Verzeichnis ") + result + QStringLiteral(" kann nicht angelegt werden!"));
        return result;
    }
    for (const QString& name : fsys::list(own, QStringLiteral("*"), false, fsys::Entries::Files)) {
        const QString target = result + name;
        if (fsys::exists(target))
            continue;
        if (fsys::copyFile(own + name, target))
            fsys::setReadOnly(target, false);
    }
    return result;
}

void ReadMainConfiguration(QWidget* owner, DataFolders data)
{
    MainConfig& c = g().config;
    const IniFile ini = IniFile::load(c.mainConfigurationFile);

    readPfade(ini, owner, data);

    c.bildschirmfaktor = ini.readInteger("Allgemein", "Bildschirmfaktor", 13);
    c.tonMeldung = file(c.dirs.internsound, ini.readString("Toene", "TonMeldung"));
    c.tonReihenfolgefalsch = file(c.dirs.internsound, ini.readString("FehlerSounds", "TonReihenfolgefalsch"));
    c.tonKartenfalsch = file(c.dirs.internsound, ini.readString("FehlerSounds", "TonKartenfalsch"));

    readMenu(ini);

    c.startbild1 = file(c.dirs.internBilder, ini.readString("Hauptformular", "Startbild1"));
    c.startbild2 = file(c.dirs.internBilder, ini.readString("Hauptformular", "Startbild2"));
    c.gesamtHGFarbe = ini.readInteger("Hauptformular", "GesamtHGFarbe", 8095912);
    c.hgFarbe = ini.readInteger("Hauptformular", "HGFarbe", 8095912);
    c.uProgfarbe = ini.readInteger("Hauptformular", "UProgfarbe", 8095912);
    c.schaltersound = file(c.dirs.internsound, ini.readString("Hauptformular", "Schaltersound"));
    c.uSchaltersound = file(c.dirs.internsound, ini.readString("Hauptformular", "USchaltersound"));

    auto sym = [&](const char* key) { return file(c.dirs.internBilder, ini.readString("Bilder", QString::fromUtf8(key))); };
    c.symbolHoeren = sym("SymbolHören");
    c.symbolWeiter = sym("SymbolWeiter");
    c.symbolPruefen = sym("Symbolprüfen");
    c.symbolStart = sym("SymbolStart");
    c.symbolNeuesSpiel = sym("SymbolNeuesSpiel");
    c.symbolAllehoeren = sym("SymbolAllehoeren");
    c.symbolTonBild = sym("SymbolTonBild");

    readProgramSections(ini);

    c.infoLines.clear();
    for (const auto& e : ini.sectionEntries("Info"))
        c.infoLines << e.key + QLatin1Char('=') + e.value;

    if (data == DataFolders::Resolve) {
        fsys::makePath(c.dirs.optionen);
        fsys::makePath(c.dirs.protokoll);
    }

    // Names from lists and options reach no file outside the installation's folders.
    const Directories& d = c.dirs;
    fsys::setConfinement({c.installationDirectory, commonDocumentsFolder(), d.hilfe, d.optionen, d.protokoll,
                          d.spielerbilder, d.listen, d.material, d.materialBilder, d.materialSammelBilder,
                          d.materialSound, d.intern, d.font, d.bilderurkunde, d.internBilder, d.internRueckseite,
                          d.hintergrundbilder, d.lobAnimation, d.internsound, d.anleitungsound, d.lobSound,
                          d.fehlersound, d.endeSound, d.knopf, d.schalterknopf, d.temp});
}

} // namespace installation

const ProgramSection& MainConfig::programSection(const QString& name) const
{
    static const ProgramSection empty;
    auto it = programSections.constFind(name.toLower());
    return it == programSections.constEnd() ? empty : *it;
}

QString commonDocumentsFolder()
{
    const QString env = qEnvironmentVariable("KALIMO_COMMON_DOCUMENTS");
    if (!env.isEmpty())
        return fsys::withSlash(env);
    // The package's folder (group "kalimo", setgid, 2775); a tree installed without the package
    // falls back to the old per-machine folder.
    static const QString packaged = QStringLiteral("/var/lib/kalimo/");
    if (QFileInfo(packaged).isDir())
        return packaged;
    return QStringLiteral("/var/tmp/kalimo-common/");
}
