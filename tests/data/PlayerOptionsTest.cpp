#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/IniFile.h"
#include "core/Win1252.h"
#include "data/PlayerOptions.h"
#include "support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

class PlayerOptions : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetGlobals();
        g().config.dirs.optionen = t.root();
        g().playerList = QStringList{QStringLiteral("Anna")};
    }
    TOpt_allg& o() { return g().playerOptions; }
    QString fileText(const QString& name) const { return win1252::decode(t.read(name)); }

    TempTree t;
};

const int allCodes[] = {0, 101, 102, 201, 202, 203, 204, 301, 302, 303, 304, 305, 401, 402, 403, 404, 405, 406, 407, 408};

// Gives every field of the record a value that differs from its default.
void scramble(TOpt_allg& o)
{
    o.nameChoice = false;
    o.backgroundCovered = false;
    o.generalFont = TFont{QStringLiteral("Courier New"), 17, 0x123456};
    o.nameInProtocol = false;
    o.feedbackPraise = 7;
    o.feedbackPraiseOn = 0;
    o.feedbackError = 3;
    o.withArticle = false;
    o.protocolDisplay = true;
    o.switchSound = false;
    o.endPraise = false;
    o.capitalsOnly = true;

    auto fb = [](TOptFeedback& f) {
        f = TOptFeedback{false, {"a.wav", "Sub/b.wav"}, 0, 1, false, {"c.wav"}, 0};
    };
    auto& m = o.merkfaehigkeit;
    m.orderCounts = true; m.file = "Sub/m.txt"; m.pictureCount = 6; m.rememberCount = 4; m.checkAtOnce = false;
    m.time = 5; m.successPicture = false; m.successSound = false; m.successVisual = 1; m.successSource = 2;
    m.randomOrder = false; m.successSoundText = {"x.wav", "x.wav"}; m.pictureOnCard = false;
    m.cardTransparent = false; m.frameOn = false; m.frameWidth = 9; m.frameColour = 77; m.mark = false;
    m.invisible = 1; m.backgroundPicture = true; m.sortedAlphabetically = false; m.successFrequency = 0;
    m.withoutMovement = true;
    auto& w = o.wortreihe;
    w.wordCount = 8; w.randomOrder = true; w.headingVisible = 0; w.file = "w.txt"; w.pictureCount = 8;
    w.time = 3; w.load = 2; w.visibleAfterHearing = 1; w.checkAtOnce = true; w.backgroundPicture = true; fb(w.feedback);
    auto& gn = o.gleichNichtgleich;
    gn.text = 0; gn.time = 4; gn.backgroundPicture = true; gn.randomOrder = false; gn.cardBackVisible = false;
    fb(gn.feedback); gn.showMarks = false;
    auto& rf = o.richtigOderFalsch;
    rf.text = true; rf.time = 2; rf.randomOrder = false; rf.backgroundPicture = true; rf.successSource = 3;
    rf.successSoundSpeech = {"s1.wav", "s1.wav"}; rf.successSoundTone = {"t.wav"}; rf.successFrequency = 1;
    auto& wl = o.welcherLautPasst;
    wl.text = true; wl.time = 1; wl.animation = false; wl.backgroundPicture = true; wl.cardBackVisible = false; fb(wl.feedback);
    auto& lk = o.langOderKurz;
    lk.time = 6; lk.text = true; lk.picture = true; lk.animation = true; lk.backgroundPicture = true; lk.afterSolution = 0;
    lk.pictureView = 1; lk.atOnce = true; fb(lk.feedback); lk.randomOrder = false; lk.cardBackVisible = false;
    lk.marksWithSolution = false; lk.showMarks = false; lk.successPicture = false; lk.textAlways = false;
    for (TOpt_Memory* mem : {&o.memory, &o.lautSilbenMemory}) {
        mem->file = "mem.txt"; mem->time = 2; mem->textPicture = 0; mem->pictureCount = 24; mem->backgroundPicture = true;
        mem->visible = 2; mem->onSuccess = 1; mem->pictureChoice = 1; mem->computer = 3; mem->instructionVisible = 0;
        mem->cardBackVisible = false;
    }
    auto& lp = o.lautPos;
    lp.backgroundPicture = true; lp.solutionWithPicture = true; lp.atOnce = true; lp.successFrequency = 2;
    lp.successSound = false; lp.successSoundText = {"p.wav"}; lp.errorSource = 0; lp.errorSoundText = {"q.wav"};
    auto& ls = o.lautSuche;
    ls.backgroundPicture = true; ls.atOnce = true; ls.visualHelp = 1; ls.soundsLeft = false; ls.headingVisible = 0;
    fb(ls.feedback); ls.mouthPicture = false; ls.soundButton = false; ls.soundCount = 3; ls.transition = false;
    for (TOpt_LautAdd* la : {&o.lautAdd, &o.lautReplace, &o.lautWeg}) {
        la->backgroundPicture = true; la->atOnce = true; la->visualHelp = 0; la->withPicture = false; la->withText = false;
        la->textOnSuccess = false; la->soundCount = 3; la->mode = 1; la->headingVisible = 1; la->showMarks = false;
        fb(la->feedback); la->mouthPicture = false; la->soundButton = false;
    }
    o.lautWeg.randomOrder = false;
    auto& sa = o.silbenanzahl;
    sa.time = 7; sa.backgroundPicture = true; sa.atOnce = true; sa.helpButtonVisible = false; sa.visualHelp = 0;
    sa.syllableDisplay = 1; sa.cardBackVisible = false; fb(sa.feedback); sa.cardsVisibleOnSuccess = false;
    auto& ps = o.paarSuche;
    ps.file = "p.txt"; ps.pictureCount = 8; ps.backgroundPicture = true; ps.instructionVisible = 0; ps.visible = 1;
    ps.onSuccess = 1; ps.pictureChoice = 1; ps.textPicture = 2; fb(ps.feedback); ps.time = 9; ps.cardsVisibleOnSuccess = false;
}

} // namespace

TEST_F(PlayerOptions, MissingFileGivesDefaults)
{
    o().capitalsOnly = true;
    o().merkfaehigkeit.pictureCount = 2;
    o().lautReplace.mode = 0;
    for (int code : allCodes)
        ReadPlayerOptions("Anna", code);
    const TOpt_allg defaults;
    EXPECT_EQ(o().generalFont, defaults.generalFont);
    EXPECT_EQ(o().capitalsOnly, false);
    EXPECT_TRUE(o().nameChoice);
    EXPECT_TRUE(o().backgroundCovered);
    EXPECT_EQ(o().merkfaehigkeit.pictureCount, 12);
    EXPECT_TRUE(o().merkfaehigkeit.text);  // 102 was read last
    EXPECT_EQ(o().lautReplace, defaults.lautReplace);
    EXPECT_EQ(o().lautWeg.soundCount, 4);
    EXPECT_EQ(o().lautAdd.soundCount, 5);
    EXPECT_EQ(o().memory, defaults.memory);
    EXPECT_EQ(o().paarSuche, defaults.paarSuche);
    EXPECT_EQ(o().lautSuche.feedback.successSource, 2);
    EXPECT_EQ(o().lautPos.successSource, 1);
    EXPECT_FALSE(o().lautPos.errorSound);
    EXPECT_EQ(o().gleichNichtgleich, defaults.gleichNichtgleich);
    EXPECT_EQ(o().silbenanzahl, defaults.silbenanzahl);
    EXPECT_FALSE(fsys::exists(t.path("Options-Anna.txt")));  // reading creates nothing without a template
}

TEST_F(PlayerOptions, EverySectionWrittenAndReadBackGivesTheSameRecord)
{
    scramble(o());
    const TOpt_allg written = o();
    for (int code : allCodes)
        ASSERT_TRUE(WritePlayerOptions("Anna", code)) << code;
    o() = TOpt_allg();
    for (int code : allCodes)
        ReadPlayerOptions("Anna", code);

    TOpt_allg expected = written;
    expected.merkfaehigkeit.text = true;  // 102 read last: the variant comes from the section
    expected.merkfaehigkeit.successSoundText = {"x.wav", "x.wav"};  // duplicates kept outside 401-405
    expected.merkfaehigkeit.pictureOnCard = true;                    // written for 101 only
    // Keys that 403 resp. 404 do not have keep their defaults.
    expected.lautAdd.showMarks = true;
    const TOpt_LautAdd weg;
    expected.lautWeg.withPicture = weg.withPicture;
    expected.lautWeg.withText = weg.withText;
    expected.lautWeg.textOnSuccess = weg.textOnSuccess;
    expected.lautWeg.mode = weg.mode;
    expected.lautWeg.showMarks = weg.showMarks;
    expected.lautWeg.mouthPicture = weg.mouthPicture;
    expected.lautWeg.soundButton = weg.soundButton;
    EXPECT_EQ(o().generalFont, expected.generalFont);
    EXPECT_EQ(o().feedbackPraise, 7);
    EXPECT_EQ(o().merkfaehigkeit, expected.merkfaehigkeit);
    EXPECT_EQ(o().wortreihe.feedback, expected.wortreihe.feedback);
    EXPECT_EQ(o().gleichNichtgleich, expected.gleichNichtgleich);
    EXPECT_EQ(o().richtigOderFalsch, expected.richtigOderFalsch);
    EXPECT_EQ(o().welcherLautPasst, expected.welcherLautPasst);
    EXPECT_EQ(o().langOderKurz, expected.langOderKurz);
    EXPECT_EQ(o().memory, expected.memory);
    EXPECT_EQ(o().lautSilbenMemory, expected.lautSilbenMemory);
    EXPECT_EQ(o().lautPos, expected.lautPos);
    EXPECT_EQ(o().lautSuche, expected.lautSuche);
    EXPECT_EQ(o().lautAdd, expected.lautAdd);
    EXPECT_EQ(o().lautWeg, expected.lautWeg);
    EXPECT_EQ(o().silbenanzahl, expected.silbenanzahl);
    EXPECT_EQ(o().paarSuche, expected.paarSuche);
    // 405 reads "Mundbild" and "Lautknopf" but does not write them.
    EXPECT_TRUE(o().lautReplace.mouthPicture);
    EXPECT_TRUE(o().lautReplace.soundButton);
    // 203/204: the word count is the picture count.
    ReadPlayerOptions("Anna", 203);
    EXPECT_EQ(o().wortreihe.wordCount, 8);
    expected.wortreihe.headingVisible = 2;  // not a key of 203
    EXPECT_EQ(o().wortreihe, expected.wortreihe);
}

TEST_F(PlayerOptions, GeneralSectionBytesInKeyOrder)
{
    o().generalFont = TFont{QStringLiteral("Arial"), 12, 255};
    ASSERT_TRUE(WritePlayerOptions("Anna", 0));
    const QByteArray expected = win1252::encode(QStringLiteral(
        "[Allgemeine Optionen]\r\nSchriftname=Arial\r\nSchriftgröße=12\r\nSchriftfarbe=255\r\n"
        "Name ins Protokoll übernehmen=1\r\nRückmeldung Lob=0\r\nRückmeldung LobEin=1\r\nRückmeldung Fehler=0\r\n"
        "Protokollanzeige=0\r\nHintergrund abgedeckt=1\r\nNamenauswahl=1\r\nmit letzter Übung starten=0\r\n"
        "mit Artikel=1\r\nSchaltergeräusch=1\r\nEndeLob=1\r\nNurGrossbst=0\r\n\r\n"));
    EXPECT_EQ(t.read("Options-Anna.txt"), expected);
}

// Every section read without a file and written back: the keys of each section in their order,
// with their defaults, byte for byte as the fixture (written by hand from the key tables) has them.
// The record starts from other values, so a default the reader lacks shows in the file.
TEST_F(PlayerOptions, DefaultsOfEverySectionAreTheTables)
{
    QFile f(fixture("options/Options-defaults.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray tables = f.readAll();
    resetRunRandomOrderFlags();
    scramble(o());
    for (int code : allCodes) {
        ReadPlayerOptions("Anna", code);  // the section is not in the file (yet)
        ASSERT_TRUE(WritePlayerOptions("Anna", code)) << code;
    }
    const QByteArray written = t.read("Options-Anna.txt");
    EXPECT_TRUE(written == tables) << "the file is not the tables, byte for byte";
    // Section by section, for a readable difference.
    const QStringList want = win1252::decode(tables).split("\r\n\r\n");
    const QStringList got = win1252::decode(written).split("\r\n\r\n");
    for (qsizetype i = 0; i < std::max(want.size(), got.size()); ++i)
        EXPECT_EQ(got.value(i), want.value(i)) << "section " << i;

    // And the other way round: the table values read as the defaults of a missing file do.
    scramble(o());
    for (int code : allCodes)
        ReadPlayerOptions("Cleo", code);
    ASSERT_FALSE(fsys::exists(t.path("Options-Cleo.txt")));
    const TOpt_allg fromDefaults = o();
    t.write("Options-Ben.txt", tables);
    scramble(o());
    for (int code : allCodes)
        ReadPlayerOptions("Ben", code);
    EXPECT_TRUE(o() == fromDefaults);
}

TEST_F(PlayerOptions, WrittenOnlyKeysAreWrittenButNotRead)
{
    t.writeLines("Options-Anna.txt",
                 {"[Allgemeine Optionen]", "mit letzter Übung starten=1",
                  "[Programm: Memory]", "Spieleranzahl=2", "Anleitung hörbar=0",
                  "[Programm: Laut positionieren]", "ErfolgAkustisch=0", "visuelle Hilfe=2", "Fehlersound=1",
                  "Überschrift sichtbar=0",
                  "[Programm: Doppelgänger-Bild]", "sichtbar nach Lösen=0", "Überschrift sichtbar=0",
                  "[Programm: Silbenanzahl]", "Silben bei Erfolg=0",
                  "[Programm: Merkfähigkeit-Bild]", "Text=1", "LoesenNachHören=0", "AniMove=0"});
    for (int code : {0, 305, 401, 201, 406, 101})
        ReadPlayerOptions("Anna", code);
    EXPECT_FALSE(o().startWithLastExercise);
    EXPECT_EQ(o().memory.playerCount, 1);
    EXPECT_TRUE(o().memory.instructionAudible);
    EXPECT_EQ(o().lautPos.successSource, 1);
    EXPECT_EQ(o().lautPos.visualHelp, 0);
    EXPECT_FALSE(o().lautPos.errorSound);
    EXPECT_TRUE(o().lautPos.headingVisible);
    EXPECT_EQ(o().wortreihe.visibleAfterSolving, 1);
    EXPECT_EQ(o().wortreihe.headingVisible, 2);  // not a key of 201
    EXPECT_TRUE(o().silbenanzahl.syllablesOnSuccess);
    EXPECT_FALSE(o().merkfaehigkeit.text);
    EXPECT_FALSE(g().memoryTextVariant);
    EXPECT_TRUE(o().merkfaehigkeit.solveAfterHearing);
    EXPECT_TRUE(o().merkfaehigkeit.withoutMovement);

    // Written from memory: a written-only key still reaches the file.
    o().memory.playerCount = 2;
    o().startWithLastExercise = true;
    ASSERT_TRUE(WritePlayerOptions("Anna", 305));
    ASSERT_TRUE(WritePlayerOptions("Anna", 0));
    ASSERT_TRUE(WritePlayerOptions("Anna", 401));
    ASSERT_TRUE(WritePlayerOptions("Anna", 102));
    const IniFile ini = IniFile::load(t.path("Options-Anna.txt"));
    EXPECT_EQ(ini.readString("Programm: Memory", "Spieleranzahl"), "2");
    EXPECT_EQ(ini.readString("Allgemeine Optionen", "mit letzter Übung starten"), "1");
    EXPECT_EQ(ini.readString("Programm: Laut positionieren", "Fehlersound"), "0");
    EXPECT_EQ(ini.readString("Programm: Laut positionieren", "ErfolgAkustisch"), "1");
    EXPECT_EQ(ini.readString("Programm: Merkfähigkeit-Text", "Text"), "1");
    EXPECT_FALSE(ini.hasKey("Programm: Merkfähigkeit-Text", "Bild auf Karte"));
    EXPECT_EQ(ini.readString("Programm: Merkfähigkeit-Bild", "Text"), "1");  // untouched section keeps its text
}

TEST_F(PlayerOptions, KeysNotWrittenBySomeSections)
{
    o().gleichNichtgleich.file = "keep/me.txt";
    o().lautReplace.mouthPicture = false;
    for (int code : {301, 405, 201, 203})
        ASSERT_TRUE(WritePlayerOptions("Anna", code));
    const IniFile ini = IniFile::load(t.path("Options-Anna.txt"));
    EXPECT_FALSE(ini.hasKey("Programm: Gleich oder Nichtgleich", "Datei"));
    EXPECT_FALSE(ini.hasKey("Programm: Gleich oder Nichtgleich", "Last"));
    EXPECT_FALSE(ini.hasKey("Programm: Laute ersetzen", "Mundbild"));
    EXPECT_TRUE(ini.hasKey("Programm: Laute ersetzen", "Markierung zeigen"));
    EXPECT_EQ(ini.sectionKeys("Programm: Doppelgänger-Bild").mid(0, 2), (QStringList{"Begriffsanzahl", "Reihenfolge zufällig"}));
    EXPECT_EQ(ini.sectionKeys("Programm: Einer passt nicht-Bild").mid(0, 3),
              (QStringList{"sichtbar vor Hören", "sichtbar beim Hören", "Reihenfolge zufällig"}));
    EXPECT_FALSE(ini.hasKey("Programm: Einer passt nicht-Bild", "Überschrift sichtbar"));
}

TEST_F(PlayerOptions, TemplateCopiedOnFirstRead)
{
    const QString tmpl = t.writeLines("Options-Standard.txt", {"[Allgemeine Optionen]", "NurGrossbst=1", "Schriftgröße=20"});
    ReadPlayerOptions("Ben", 0);
    EXPECT_TRUE(o().capitalsOnly);
    EXPECT_EQ(o().generalFont.size, 20);
    EXPECT_EQ(t.read("Options-Ben.txt"), t.read("Options-Standard.txt"));
    // An existing file is not overwritten by the template.
    t.writeLines("Options-Cleo.txt", {"[Allgemeine Optionen]", "NurGrossbst=0"});
    ReadPlayerOptions("Cleo", 0);
    EXPECT_FALSE(o().capitalsOnly);
    // An empty or blank player reads nothing.
    o().capitalsOnly = true;
    ReadPlayerOptions(" ", 0);
    ReadPlayerOptions("", 0);
    EXPECT_TRUE(o().capitalsOnly);
    EXPECT_FALSE(fsys::exists(t.path("Options- .txt")));
}

TEST_F(PlayerOptions, BackupNamingForTildePlayers)
{
    EXPECT_EQ(playerOptionsFile("~Anna"), t.path("~Options-Anna.txt"));
    EXPECT_EQ(playerOptionsFile("Anna"), t.path("Options-Anna.txt"));
    o().capitalsOnly = true;
    ASSERT_TRUE(WritePlayerOptions("~Anna", 0));
    EXPECT_TRUE(fsys::exists(t.path("~Options-Anna.txt")));
    EXPECT_FALSE(fsys::exists(t.path("Options-Anna.txt")));
    EXPECT_FALSE(fsys::exists(t.path("Options-~Anna.txt")));
}

TEST_F(PlayerOptions, NothingWrittenWithoutCurrentPlayer)
{
    g().playerList.clear();
    EXPECT_TRUE(WritePlayerOptions("Anna", 0));
    g().playerList = QStringList{QString()};
    EXPECT_TRUE(WritePlayerOptions("Anna", 0));
    EXPECT_FALSE(fsys::exists(t.path("Options-Anna.txt")));
}

TEST_F(PlayerOptions, RefusedWriteShowsMessageAndKeepsFile)
{
    const QByteArray before = "[Allgemeine Optionen]\r\nNurGrossbst=0\r\n";
    const QString path = t.write("Options-Anna.txt", before);
    ASSERT_TRUE(fsys::setReadOnly(path, true));
    dialogs::ScriptedDialogs d;
    o().capitalsOnly = true;
    EXPECT_FALSE(WritePlayerOptions("Anna", 0));
    EXPECT_EQ(d.texts(), QStringList{"Die Ini-Datei: " + path + " konnte nicht erstellt werden."});
    EXPECT_EQ(t.read("Options-Anna.txt"), before);
    EXPECT_TRUE(o().capitalsOnly);
    fsys::setReadOnly(path, false);
}

TEST_F(PlayerOptions, AcousticEvents)
{
    t.writeLines("Options-Anna.txt", {"[EREIGNIS]", "Programmende=ende.wav 1", "Start=start.wav 0", "Mitte=mitte.wav",
                                      "Leer=(keine) 1", "Pfad=Sub\\x.wav1"});
    ReadPlayerOptions("Anna", 0);
    const auto& ev = o().acousticEvents;
    ASSERT_EQ(ev.size(), 5u);
    EXPECT_EQ(ev[0], (TAkustikereignis{"Programmende", "ende.wav", true}));
    EXPECT_EQ(ev[1], (TAkustikereignis{"Start", "start.wav", false}));
    EXPECT_EQ(ev[2], (TAkustikereignis{"Mitte", "mitte.wav", false}));
    EXPECT_EQ(ev[3].sound, "(keine)");
    EXPECT_EQ(ev[4], (TAkustikereignis{"Pfad", "Sub/x.wav", true}));
    EXPECT_TRUE(acousticEventPlays("programmende"));
    EXPECT_FALSE(acousticEventPlays("Start"));
    EXPECT_FALSE(acousticEventPlays("Leer"));
    EXPECT_FALSE(acousticEventPlays("Unbekannt"));
    // Never written back.
    ASSERT_TRUE(WritePlayerOptions("Anna", 0));
    EXPECT_EQ(IniFile::load(t.path("Options-Anna.txt")).readString("EREIGNIS", "Programmende"), "ende.wav 1");
}

TEST_F(PlayerOptions, ValueFormats)
{
    t.writeLines("Options-Anna.txt",
                 {"[Programm: Laute ersetzen]", "Modus=7", "ErfolgssoundText=a.wav;b.wav;a.wav", "Reihenfolge zufällig=0",
                  "[Programm: Laute hinzufügen]", "Modus=-3", "LautAnzahl=x",
                  "[Programm: Gleich oder Nichtgleich]", "ErfolgssoundText=a.wav;b.wav;a.wav", "Datei=Anlaut\\l.txt",
                  "[Programm: Laute weglassen]", "Reihenfolge zufällig=0"});
    ReadPlayerOptions("Anna", 405);
    ReadPlayerOptions("Anna", 403);
    ReadPlayerOptions("Anna", 301);
    ReadPlayerOptions("Anna", 404);
    EXPECT_EQ(o().lautReplace.mode, 2);
    EXPECT_EQ(o().lautAdd.mode, 0);
    EXPECT_EQ(o().lautAdd.soundCount, 5);
    EXPECT_EQ(o().lautReplace.feedback.successSoundText, (QStringList{"a.wav", "b.wav"}));
    EXPECT_EQ(o().gleichNichtgleich.feedback.successSoundText, (QStringList{"a.wav", "b.wav", "a.wav"}));
    EXPECT_EQ(o().gleichNichtgleich.file, "Anlaut/l.txt");
    EXPECT_TRUE(o().lautReplace.randomOrder);  // the run-wide flag, not the key
    EXPECT_FALSE(o().lautWeg.randomOrder);     // 404 reads its key
}

TEST_F(PlayerOptions, RandomOrderOffIsWrittenButRunFlagWins)
{
    ASSERT_NE(runRandomOrderFlag(405), nullptr);
    EXPECT_EQ(runRandomOrderFlag(404), nullptr);
    // The option page turns both off.
    o().lautReplace.randomOrder = false;
    *runRandomOrderFlag(405) = false;
    ASSERT_TRUE(WritePlayerOptions("Anna", 405));
    EXPECT_EQ(IniFile::load(t.path("Options-Anna.txt")).readString("Programm: Laute ersetzen", "Reihenfolge zufällig"), "0");
    ReadPlayerOptions("Anna", 405);
    EXPECT_FALSE(o().lautReplace.randomOrder);  // still this run
    resetRunRandomOrderFlags();                 // next program start
    ReadPlayerOptions("Anna", 405);
    EXPECT_TRUE(o().lautReplace.randomOrder);
}

TEST_F(PlayerOptions, VariantFlagAndCommonSection)
{
    t.writeLines("Options-Anna.txt", {"[Programm: Merkfähigkeit]", "Bilderanzahl=4", "[Programm: Merkfähigkeit-Text]", "Bilderanzahl=6"});
    ReadPlayerOptions("Anna", 102);
    EXPECT_TRUE(g().memoryTextVariant);
    EXPECT_EQ(o().merkfaehigkeit.pictureCount, 6);
    ReadPlayerOptions("Anna", 1);
    EXPECT_EQ(o().merkfaehigkeit.pictureCount, 4);
    ReadPlayerOptions("Anna", 101);
    EXPECT_FALSE(g().memoryTextVariant);
    EXPECT_EQ(optionsSectionName(0), "Allgemeine Optionen");
    EXPECT_EQ(optionsSectionName(407), "Programm: Laut-/Silbenmemory");
}

TEST_F(PlayerOptions, ChosenListFileIsStoredForEveryProgram)
{
    ASSERT_TRUE(WriteChosenListFile("Anna", 301, "Anlaut/liste.txt"));
    EXPECT_EQ(o().gleichNichtgleich.file, "Anlaut/liste.txt");
    EXPECT_EQ(IniFile::load(t.path("Options-Anna.txt")).readString("Programm: Gleich oder Nichtgleich", "Datei"),
              "Anlaut\\liste.txt");
    // Writing the program's section afterwards keeps the stored choice.
    ASSERT_TRUE(WritePlayerOptions("Anna", 301));
    o().gleichNichtgleich.file.clear();
    ReadPlayerOptions("Anna", 301);
    EXPECT_EQ(o().gleichNichtgleich.file, "Anlaut/liste.txt");
    for (int code : {101, 102, 201, 204, 302, 303, 304, 305, 401, 402, 403, 404, 405, 406, 407, 408})
        EXPECT_NE(chosenListFile(code), nullptr) << code;
    EXPECT_EQ(chosenListFile(0), nullptr);
}

TEST_F(PlayerOptions, FileMadeOnWindowsReadsWithProfileRules)
{
    QFile f(fixture("options/Options-Windows.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    t.write("options-anna.TXT", f.readAll());  // other case on disk
    for (int code : {0, 405, 305})
        ReadPlayerOptions("Anna", code);
    EXPECT_EQ(o().generalFont, (TFont{"Comic Sans MS", 14, 255}));
    EXPECT_TRUE(o().capitalsOnly);
    EXPECT_FALSE(o().nameChoice);
    ASSERT_EQ(o().acousticEvents.size(), 1u);
    EXPECT_EQ(o().acousticEvents[0], (TAkustikereignis{"Programmende", "INTERN/Sound/tschuess.wav", true}));
    EXPECT_EQ(o().lautReplace.mode, 1);
    EXPECT_EQ(o().lautReplace.headingVisible, 0);
    EXPECT_EQ(o().lautReplace.feedback.successSoundText, (QStringList{"super.wav", "klasse.wav"}));
    EXPECT_EQ(o().memory.textPicture, 1);
    EXPECT_EQ(o().memory.pictureCount, 16);
    EXPECT_EQ(fsys::list(t.root(), "*"), QStringList{"options-anna.TXT"});  // found without case, no copy made
}
