#include "data/PlayerOptions.h"

#include "core/Catalogue.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/FileProblems.h"
#include "core/IniFile.h"
#include "core/TextUtil.h"

#include <QSet>

namespace {

// One description per section drives both reading and writing, so the key order of the file and
// the defaults cannot drift apart.
class Io
{
public:
    Io(IniFile& ini, const QString& section, bool reading, bool uniqueLists)
        : m_ini(ini), m_section(section), m_reading(reading), m_unique(uniqueLists)
    {
    }
    bool reading() const { return m_reading; }

    void b(const char* key, bool& v, bool def)
    {
        if (m_reading)
            v = m_ini.readBool(m_section, k(key), def);
        else
            m_ini.writeBool(m_section, k(key), v);
    }
    void i(const char* key, qint32& v, qint32 def)
    {
        if (m_reading)
            v = m_ini.readInteger(m_section, k(key), def);
        else
            m_ini.writeInteger(m_section, k(key), v);
    }
    void u8(const char* key, quint8& v, qint32 def)
    {
        if (m_reading)
            v = quint8(m_ini.readInteger(m_section, k(key), def));
        else
            m_ini.writeInteger(m_section, k(key), v);
    }
    // Stored names use "\"; in memory "/".
    void path(const char* key, QString& v)
    {
        if (m_reading)
            v = fsys::fromStored(m_ini.readString(m_section, k(key)));
        else
            m_ini.writeString(m_section, k(key), fsys::toStored(v));
    }
    void text(const char* key, QString& v, const QString& def)
    {
        if (m_reading)
            v = m_ini.readString(m_section, k(key), def);
        else
            m_ini.writeString(m_section, k(key), v);
    }
    void list(const char* key, QStringList& v)
    {
        if (m_reading) {
            QStringList raw;
            SplitText(fsys::fromStored(m_ini.readString(m_section, k(key))), raw, true, QStringLiteral(";"), false);
            v.clear();
            QSet<QString> seen;
            for (const QString& s : raw) {
                if (m_unique && seen.contains(s))
                    continue;
                seen.insert(s);
                v << s;
            }
        } else {
            m_ini.writeString(m_section, k(key), fsys::toStored(v.join(QLatin1Char(';'))));
        }
    }
    // Written from memory but not read: after reading the field holds `afterRead`.
    void writtenB(const char* key, bool& v, bool afterRead)
    {
        if (m_reading)
            v = afterRead;
        else
            m_ini.writeBool(m_section, k(key), v);
    }
    void writtenI(const char* key, qint32& v, qint32 afterRead)
    {
        if (m_reading)
            v = afterRead;
        else
            m_ini.writeInteger(m_section, k(key), v);
    }
    // Read but never written.
    void readI(const char* key, qint32& v, qint32 def)
    {
        if (m_reading)
            v = m_ini.readInteger(m_section, k(key), def);
    }
    void readPath(const char* key, QString& v)
    {
        if (m_reading)
            v = fsys::fromStored(m_ini.readString(m_section, k(key)));
    }
    void readB(const char* key, bool& v, bool def)
    {
        if (m_reading)
            v = m_ini.readBool(m_section, k(key), def);
    }

private:
    static QString k(const char* key) { return QString::fromUtf8(key); }
    IniFile& m_ini;
    QString m_section;
    bool m_reading;
    bool m_unique;
};

void feedback(Io& io, TOptFeedback& f, qint32 successSource)
{
    io.b("Erfolgssound", f.successSound, true);
    io.list("ErfolgssoundText", f.successSoundText);
    io.i("ErfolgAkustisch", f.successSource, successSource);
    io.i("Erfolgauftreten", f.successFrequency, 3);
    io.b("Fehlersound", f.errorSound, true);
    io.list("FehlersoundText", f.errorSoundText);
    io.i("FehlerAkustisch", f.errorSource, 1);
}

// The run-wide flag stands in for the key when reading.
void randomFlag(Io& io, bool& v, int code)
{
    bool* flag = runRandomOrderFlag(code);
    io.writtenB("Reihenfolge zufällig", v, flag ? *flag : true);
}

void general(Io& io, TOpt_allg& o)
{
    QString face = o.generalFont.name;
    io.text("Schriftname", face, QStringLiteral("Arial"));
    o.generalFont.name = face;
    io.i("Schriftgröße", o.generalFont.size, 12);
    io.i("Schriftfarbe", o.generalFont.colour, 0);
    io.b("Name ins Protokoll übernehmen", o.nameInProtocol, true);
    io.u8("Rückmeldung Lob", o.feedbackPraise, 0);
    io.i("Rückmeldung LobEin", o.feedbackPraiseOn, 1);
    io.u8("Rückmeldung Fehler", o.feedbackError, 0);
    io.b("Protokollanzeige", o.protocolDisplay, false);
    io.b("Hintergrund abgedeckt", o.backgroundCovered, true);
    io.b("Namenauswahl", o.nameChoice, true);
    io.writtenB("mit letzter Übung starten", o.startWithLastExercise, false);
    io.b("mit Artikel", o.withArticle, true);
    io.b("Schaltergeräusch", o.switchSound, true);
    io.b("EndeLob", o.endPraise, true);
    io.b("NurGrossbst", o.capitalsOnly, false);
}

void merkfaehigkeit(Io& io, TOpt_Merkfaehigkeit& o, int code)
{
    io.b("Reihenfolge", o.orderCounts, false);
    io.path("Datei", o.file);
    io.i("Bilderanzahl", o.pictureCount, 12);
    io.i("Merkanzahl", o.rememberCount, 12);
    io.b("Checksofort", o.checkAtOnce, true);
    io.writtenB("LoesenNachHören", o.solveAfterHearing, true);
    io.i("Zeit", o.time, 0);
    io.b("Erfolgsbild", o.successPicture, true);
    io.b("Erfolgssound", o.successSound, true);
    io.i("ErfolgVisuell", o.successVisual, 0);
    io.i("ErfolgAkustisch", o.successSource, 0);
    io.b("Reihenfolge zufällig", o.randomOrder, true);
    io.list("ErfolgssoundText", o.successSoundText);
    // The variant comes from the section, never from the key.
    const bool textVariant = code == 102 || (code == 1 && g().memoryTextVariant);
    bool text = textVariant;
    io.writtenB("Text", text, textVariant);
    o.text = textVariant;
    if (io.reading() || code != 102)
        io.b("Bild auf Karte", o.pictureOnCard, true);
    io.b("Karte transparent", o.cardTransparent, true);
    io.b("Rahmen ein", o.frameOn, true);
    io.i("Rahmenbreite", o.frameWidth, 4);
    io.i("Rahmenfarbe", o.frameColour, 255);
    io.b("markieren", o.mark, true);
    io.i("unsichtbar", o.invisible, 2);
    io.b("HGBildsichtbar", o.backgroundPicture, false);
    io.b("alphabetisch sortiert", o.sortedAlphabetically, true);
    io.i("Erfolgauftreten", o.successFrequency, 3);
    bool aniMove = !o.withoutMovement;
    io.b("AniMove", aniMove, true);
    o.withoutMovement = !aniMove;
}

void wortreihe(Io& io, TOpt_Wortreihe& o, int code)
{
    const bool picturesVariant = code == 203 || code == 204;  // "Einer passt nicht"
    const bool withHeading = code == 202 || code == 204;
    if (!picturesVariant)
        io.i("Begriffsanzahl", o.wordCount, 12);
    if (picturesVariant) {
        io.i("sichtbar vor Hören", o.visibleBeforeHearing, 0);
        io.i("sichtbar beim Hören", o.visibleWhileHearing, 0);
    } else if (io.reading()) {
        o.visibleBeforeHearing = 0;
        o.visibleWhileHearing = 0;
    }
    io.b("Reihenfolge zufällig", o.randomOrder, false);
    if (withHeading)
        io.i("Überschrift sichtbar", o.headingVisible, 2);
    else if (io.reading())
        o.headingVisible = 2;
    io.path("Datei", o.file);
    io.i("Bilderanzahl", o.pictureCount, 12);
    io.i("Zeit", o.time, 0);
    io.i("Last", o.load, 0);
    io.i("sichtbar nach Hören", o.visibleAfterHearing, 0);
    io.writtenI("sichtbar nach Lösen", o.visibleAfterSolving, 1);
    io.b("Sofort prüfen", o.checkAtOnce, false);
    io.b("HGBildsichtbar", o.backgroundPicture, false);
    feedback(io, o.feedback, 1);
    if (picturesVariant && io.reading())
        o.wordCount = o.pictureCount;
}

void gleichNichtgleich(Io& io, TOpt_GleichNichtgleich& o)
{
    io.readPath("Datei", o.file);
    io.readI("Last", o.load, 0);
    io.i("Text", o.text, 2);
    io.i("Zeit", o.time, 0);
    io.b("HGBildsichtbar", o.backgroundPicture, false);
    io.b("Reihenfolge zufällig", o.randomOrder, true);
    io.b("Rückseite sichtbar", o.cardBackVisible, true);
    feedback(io, o.feedback, 1);
    io.b("Markierung zeigen", o.showMarks, true);
}

void richtigOderFalsch(Io& io, TOpt_RichtigOderFalsch& o)
{
    io.readPath("Datei", o.file);
    io.readI("Last", o.load, 0);
    io.b("Text", o.text, false);
    io.i("Zeit", o.time, 0);
    io.b("Reihenfolge zufällig", o.randomOrder, true);
    io.b("HGBildsichtbar", o.backgroundPicture, false);
    io.i("ErfolgAkustisch", o.successSource, 0);
    io.list("ErfolgssoundSprache", o.successSoundSpeech);
    io.list("ErfolgssoundTon", o.successSoundTone);
    io.i("Erfolgauftreten", o.successFrequency, 3);
}

void welcherLautPasst(Io& io, TOpt_WelcherLautPasst& o)
{
    io.readPath("Datei", o.file);
    io.readI("Last", o.load, 0);
    io.b("Text", o.text, false);
    io.i("Zeit", o.time, 0);
    io.b("Animation", o.animation, true);
    io.b("HGBildsichtbar", o.backgroundPicture, false);
    io.b("Rückseite sichtbar", o.cardBackVisible, true);
    randomFlag(io, o.randomOrder, 303);
    feedback(io, o.feedback, 1);
}

void langOderKurz(Io& io, TOpt_LangOderKurz& o)
{
    io.readPath("Datei", o.file);
    io.i("Zeit", o.time, 0);
    io.b("Text", o.text, false);
    io.b("Bild", o.picture, false);
    io.b("Animation", o.animation, false);
    io.b("HGBildsichtbar", o.backgroundPicture, false);
    io.i("nachLösung", o.afterSolution, 1);
    io.i("Bilderansicht", o.pictureView, 2);
    io.b("sofort", o.atOnce, false);
    feedback(io, o.feedback, 1);
    io.b("Reihenfolge zufällig", o.randomOrder, true);
    io.b("Rückseite sichtbar", o.cardBackVisible, true);
    io.b("Markierung bei LSG zeigen", o.marksWithSolution, true);
    io.b("Markierung zeigen", o.showMarks, true);
    io.b("Erfolgsbild", o.successPicture, true);
    io.b("Text immer", o.textAlways, true);
}

void memory(Io& io, TOpt_Memory& o)
{
    io.path("Datei", o.file);
    io.i("Zeit", o.time, 0);
    io.i("TextBild", o.textPicture, 2);
    io.i("Bilderanzahl", o.pictureCount, 6);
    io.b("Hintergrundbild", o.backgroundPicture, false);
    io.i("sichtbar", o.visible, 0);
    io.i("bei Erfolg", o.onSuccess, 0);
    io.i("Bilderauswahl", o.pictureChoice, 0);
    io.writtenI("Spieleranzahl", o.playerCount, 1);
    io.i("Computer", o.computer, -1);
    io.i("Anleitung sichtbar", o.instructionVisible, 1);
    io.writtenB("Anleitung hörbar", o.instructionAudible, true);
    io.b("Rückseite sichtbar", o.cardBackVisible, true);
}

void lautPos(Io& io, TOpt_LautPos& o)
{
    io.readPath("Datei", o.file);
    io.b("Hintergrundbild", o.backgroundPicture, false);
    io.b("Lösung mit Bild", o.solutionWithPicture, false);
    io.b("sofort", o.atOnce, false);
    io.i("Erfolgauftreten", o.successFrequency, 3);
    io.i("ErfolgAkustisch", o.successSource, 2);
    if (io.reading())
        o.successSource = 1;  // this program only plays the task's own success sounds
    io.b("Erfolgssound", o.successSound, true);
    io.list("ErfolgssoundText", o.successSoundText);
    io.i("FehlerAkustisch", o.errorSource, 1);
    io.list("FehlersoundText", o.errorSoundText);
    io.writtenI("visuelle Hilfe", o.visualHelp, 0);
    randomFlag(io, o.randomOrder, 401);
    io.writtenB("Überschrift sichtbar", o.headingVisible, true);
    io.writtenB("Überschrift hörbar", o.headingAudible, true);
    bool errorSound = false;
    io.writtenB("Fehlersound", errorSound, false);
    o.errorSound = false;
}

void lautSuche(Io& io, TOpt_LautSuche& o)
{
    io.readPath("Datei", o.file);
    io.b("Hintergrundbild", o.backgroundPicture, false);
    io.b("sofort", o.atOnce, false);
    io.i("visuelle Hilfe", o.visualHelp, 2);
    io.b("Laute links", o.soundsLeft, true);
    io.i("Überschrift sichtbar", o.headingVisible, 2);
    io.writtenB("Überschrift hörbar", o.headingAudible, true);
    randomFlag(io, o.randomOrder, 402);
    feedback(io, o.feedback, 2);
    io.b("Mundbild", o.mouthPicture, true);
    io.b("Lautknopf", o.soundButton, true);
    io.i("LautAnzahl", o.soundCount, 5);
    io.b("Übergang", o.transition, true);
}

void lautAdd(Io& io, TOpt_LautAdd& o, int code)
{
    io.readPath("Datei", o.file);
    io.b("Hintergrundbild", o.backgroundPicture, false);
    io.b("sofort", o.atOnce, false);
    io.i("visuelle Hilfe", o.visualHelp, 2);
    io.b("mit Bild", o.withPicture, true);
    io.b("mit Text", o.withText, true);
    io.b("TextbeiErfolg", o.textOnSuccess, true);
    io.i("LautAnzahl", o.soundCount, 5);
    io.i("Modus", o.mode, 2);
    if (io.reading())
        o.mode = std::clamp(o.mode, 0, 2);
    io.i("Überschrift sichtbar", o.headingVisible, 2);
    bool audible = true;
    io.writtenB("Überschrift hörbar", audible, true);
    o.headingAudible = true;
    randomFlag(io, o.randomOrder, code);
    if (code == 405)
        io.b("Markierung zeigen", o.showMarks, true);
    feedback(io, o.feedback, 2);
    if (code == 405) {
        io.readB("Mundbild", o.mouthPicture, true);
        io.readB("Lautknopf", o.soundButton, true);
    } else {
        io.b("Mundbild", o.mouthPicture, true);
        io.b("Lautknopf", o.soundButton, true);
    }
}

void lautWeg(Io& io, TOpt_LautAdd& o)
{
    io.readPath("Datei", o.file);
    io.b("Hintergrundbild", o.backgroundPicture, false);
    io.b("sofort", o.atOnce, false);
    io.i("visuelle Hilfe", o.visualHelp, 2);
    io.b("Reihenfolge zufällig", o.randomOrder, true);
    io.i("Überschrift sichtbar", o.headingVisible, 2);
    io.writtenB("Überschrift hörbar", o.headingAudible, true);
    feedback(io, o.feedback, 2);
    io.i("LautAnzahl", o.soundCount, 4);
}

void silbenanzahl(Io& io, TOpt_Silbenanzahl& o)
{
    io.i("Zeit", o.time, 0);
    io.readPath("Datei", o.file);
    io.b("Hintergrundbild", o.backgroundPicture, false);
    io.b("sofort", o.atOnce, false);
    io.b("Hilfeknopf sichtbar", o.helpButtonVisible, true);
    io.i("visuelle Hilfe", o.visualHelp, 2);
    io.i("Silbendarstellung", o.syllableDisplay, 2);
    io.b("Rückseite sichtbar", o.cardBackVisible, true);
    feedback(io, o.feedback, 1);
    io.b("Karten sichtbar bei Erfolg", o.cardsVisibleOnSuccess, true);
    randomFlag(io, o.randomOrder, 406);
    bool syllables = true;
    io.writtenB("Silben bei Erfolg", syllables, true);
    o.syllablesOnSuccess = true;
}

void paarSuche(Io& io, TOpt_PaarSuche& o)
{
    io.path("Datei", o.file);
    io.i("Bilderanzahl", o.pictureCount, 12);
    io.b("Hintergrundbild", o.backgroundPicture, false);
    io.i("Anleitung sichtbar", o.instructionVisible, 1);
    io.writtenB("Anleitung hörbar", o.instructionAudible, true);
    io.i("sichtbar", o.visible, 0);
    io.i("bei Erfolg", o.onSuccess, 0);
    io.i("Bilderauswahl", o.pictureChoice, 0);
    io.i("TextBild", o.textPicture, 1);
    feedback(io, o.feedback, 1);
    io.i("Zeit", o.time, 0);
    io.b("Karten sichtbar bei Erfolg", o.cardsVisibleOnSuccess, true);
}

// Returns false for a code without a section.
bool transfer(Io& io, TOpt_allg& o, int code)
{
    switch (code) {
    case 0: general(io, o); return true;
    case 1: case 101: case 102: merkfaehigkeit(io, o.merkfaehigkeit, code); return true;
    case 201: case 202: case 203: case 204: wortreihe(io, o.wortreihe, code); return true;
    case 301: gleichNichtgleich(io, o.gleichNichtgleich); return true;
    case 302: richtigOderFalsch(io, o.richtigOderFalsch); return true;
    case 303: welcherLautPasst(io, o.welcherLautPasst); return true;
    case 304: langOderKurz(io, o.langOderKurz); return true;
    case 305: memory(io, o.memory); return true;
    case 407: memory(io, o.lautSilbenMemory); return true;
    case 401: lautPos(io, o.lautPos); return true;
    case 402: lautSuche(io, o.lautSuche); return true;
    case 403: lautAdd(io, o.lautAdd, 403); return true;
    case 405: lautAdd(io, o.lautReplace, 405); return true;
    case 404: lautWeg(io, o.lautWeg); return true;
    case 406: silbenanzahl(io, o.silbenanzahl); return true;
    case 408: paarSuche(io, o.paarSuche); return true;
    default: return false;
    }
}

// Section "EREIGNIS": value = sound file + flag character.
TAkustikereignisliste readEvents(const IniFile& ini)
{
    TAkustikereignisliste events;
    for (const IniFile::Entry& e : ini.sectionEntries(QStringLiteral("EREIGNIS"))) {
        TAkustikereignis ev;
        ev.name = e.key;
        QString v = e.value;
        if (v.endsWith(QLatin1Char('1'))) {
            ev.active = true;
            v.chop(1);
        } else if (v.endsWith(QLatin1Char('0'))) {
            v.chop(1);
        }
        ev.sound = fsys::fromStored(v.trimmed());
        events.push_back(ev);
    }
    return events;
}

bool playerGiven(const QString& player) { return !player.isEmpty() && player != QLatin1String(" "); }

} // namespace

QString optionsSectionName(int programCode)
{
    if (programCode == 1)
        return QStringLiteral("Programm: Merkfähigkeit");
    return catalogue::optionsSection(programCode);
}

bool* runRandomOrderFlag(int programCode)
{
    GlobalState& s = g();
    switch (programCode) {
    case 303: return &s.randomOrder303;
    case 401: return &s.randomOrder401;
    case 402: return &s.randomOrder402;
    case 403: return &s.randomOrder403;
    case 405: return &s.randomOrder405;
    case 406: return &s.randomOrder406;
    default: return nullptr;
    }
}

void resetRunRandomOrderFlags()
{
    for (int code : {303, 401, 402, 403, 405, 406})
        *runRandomOrderFlag(code) = true;
}

bool acousticEventPlays(const QString& name)
{
    for (const TAkustikereignis& ev : g().playerOptions.acousticEvents) {
        if (ev.name.compare(name, Qt::CaseInsensitive) == 0)
            return ev.active && !ev.sound.isEmpty() && ev.sound.compare(QLatin1String("(keine)"), Qt::CaseInsensitive) != 0;
    }
    return false;
}

QString playerOptionsFile(const QString& player)
{
    const QString folder = fsys::withSlash(g().config.dirs.optionen);
    if (player.startsWith(QLatin1Char('~')))
        return folder + QStringLiteral("~Options-") + player.mid(1) + QStringLiteral(".txt");
    return folder + QStringLiteral("Options-") + player + QStringLiteral(".txt");
}

void ReadPlayerOptions(const QString& player, int programCode)
{
    if (!playerGiven(player))
        return;
    const QString section = optionsSectionName(programCode);
    if (section.isEmpty())
        return;
    const QString path = playerOptionsFile(player);
    if (!fsys::fileExists(path)) {
        const QString tmpl = fsys::folderOf(path) + QStringLiteral("Options-Standard.txt");
        if (fsys::fileExists(tmpl))
            fsys::copyFile(tmpl, path);
    }
    fsys::ReadResult read;
    IniFile ini = IniFile::load(path, &read);
    if (read == fsys::ReadResult::Unreadable)
        fileproblems::reportUnreadable(nullptr, path);  // defaults in memory; the file stays
    const bool unique = programCode >= 401 && programCode <= 405;
    Io io(ini, section, true, unique);
    TOpt_allg& o = g().playerOptions;
    transfer(io, o, programCode);
    if (programCode == 0) {
        TFont font = o.generalFont;
        SelectInstalledFont(font, o.generalFont.name);
        g().generalFont = font;
        o.acousticEvents = readEvents(ini);
    } else if (programCode == 101 || programCode == 102) {
        g().memoryTextVariant = programCode == 102;
    }
}

bool WritePlayerOptions(const QString& player, int programCode)
{
    if (g().currentPlayer().isEmpty())
        return true;  // nobody to write for
    const QString section = optionsSectionName(programCode);
    if (section.isEmpty() || !playerGiven(player))
        return true;
    const QString path = playerOptionsFile(player);
    // Read-modify-write of the whole file, saved atomically: a refused write leaves the old file.
    fsys::ReadResult read;
    IniFile ini = IniFile::load(path, &read);
    if (read == fsys::ReadResult::Unreadable) {
        fileproblems::reportUnreadable(nullptr, path);  // written over, it would lose all it holds
        return false;
    }
    TOpt_allg copy = g().playerOptions;  // writing never changes memory
    Io io(ini, section, false, false);
    transfer(io, copy, programCode);
    if ((fsys::fileExists(path) && fsys::isReadOnly(path)) || !ini.save(path)) {
        fileproblems::reportUnwritable(nullptr, path);
        return false;
    }
    return true;
}

QString* chosenListFile(int programCode)
{
    TOpt_allg& o = g().playerOptions;
    switch (programCode) {
    case 1: case 101: case 102: return &o.merkfaehigkeit.file;
    case 201: case 202: case 203: case 204: return &o.wortreihe.file;
    case 301: return &o.gleichNichtgleich.file;
    case 302: return &o.richtigOderFalsch.file;
    case 303: return &o.welcherLautPasst.file;
    case 304: return &o.langOderKurz.file;
    case 305: return &o.memory.file;
    case 407: return &o.lautSilbenMemory.file;
    case 401: return &o.lautPos.file;
    case 402: return &o.lautSuche.file;
    case 403: return &o.lautAdd.file;
    case 404: return &o.lautWeg.file;
    case 405: return &o.lautReplace.file;
    case 406: return &o.silbenanzahl.file;
    case 408: return &o.paarSuche.file;
    default: return nullptr;
    }
}

bool WriteChosenListFile(const QString& player, int programCode, const QString& file)
{
    QString* field = chosenListFile(programCode);
    if (!field)
        return false;
    *field = file;
    if (!playerGiven(player))
        return false;
    const QString path = playerOptionsFile(player);
    fsys::ReadResult read;
    IniFile ini = IniFile::load(path, &read);
    if (read == fsys::ReadResult::Unreadable) {
        fileproblems::reportUnreadable(nullptr, path);
        return false;
    }
    ini.writeString(optionsSectionName(programCode), QStringLiteral("Datei"), fsys::toStored(file));
    return !(fsys::fileExists(path) && fsys::isReadOnly(path)) && ini.save(path);
}
