#include "core/Catalogue.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/Overlay.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/TextUtil.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <random>

namespace {
struct DataDirectory : ::testing::Test {
    TempTree inst;
    TempTree common;
    dialogs::ScriptedDialogs dlg;
    void SetUp() override
    {
        qputenv("KALIMO_COMMON_DOCUMENTS", common.root().toUtf8());
        resetToInstallation(inst.root());
    }
    void TearDown() override { qunsetenv("KALIMO_COMMON_DOCUMENTS"); }
    void config(const QStringList& lines) { inst.writeLines("INTERN/kalimo.txt", lines); }
};
}

TEST_F(DataDirectory, TwoLevelFolderWithoutNetworkFileStaysInInstallation)
{
    config({"[Pfade]", "Optionen=Daten\\Optionen", "Protokoll=Daten\\Protokoll"});
    inst.write("Daten/Optionen/Options-Standard.txt", "x");
    installation::ReadMainConfiguration();
    const MainConfig& c = g().config;
    EXPECT_EQ(c.dirs.optionen, inst.path("Daten/Optionen/"));
    EXPECT_EQ(c.dirs.protokoll, inst.path("Daten/Protokoll/"));
    EXPECT_TRUE(fsys::dirExists(c.dirs.protokoll));
    EXPECT_EQ(c.dirs.temp, inst.path("TEMP/"));
    EXPECT_EQ(c.lastPlayerFile, inst.path("Daten/Optionen/LetzterNutzer.txt"));
    EXPECT_TRUE(dlg.asked().isEmpty());
}

// A leading backslash stays relative to the installation; a path absolute on this system is
// absolute: inside the installation (in any letter case) it loses the installation's prefix, and
// outside it is used as it stands.
TEST_F(DataDirectory, AbsoluteFoldersAreHonoured)
{
    TempTree elsewhere;
    QString upper = inst.root();
    upper.replace(QStringLiteral("/tmp/"), QStringLiteral("/TMP/"));  // the same folder in other case
    struct Case {
        QString optionen, protokoll, listen;
        QString wantOptionen, wantProtokoll, wantListen;
    } cases[] = {
        {"\\Daten\\Optionen", "\\Daten\\Protokoll", "\\Listen\\", inst.path("Daten/Optionen/"),
         inst.path("Daten/Protokoll/"), inst.path("Listen/")},
        {inst.path("Daten/Optionen"), upper + "Daten/Protokoll/", elsewhere.path("Listen"),
         inst.path("Daten/Optionen/"), inst.path("Daten/Protokoll/"), elsewhere.path("Listen/")},
        {elsewhere.path("Optionen"), elsewhere.path("Protokoll/"), "Listen", elsewhere.path("Optionen/"),
         elsewhere.path("Protokoll/"), inst.path("Listen/")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.optionen.toStdString());
        resetToInstallation(inst.root());
        config({"[Pfade]", "Optionen=" + c.optionen, "Protokoll=" + c.protokoll, "Listen=" + c.listen});
        installation::ReadMainConfiguration();
        EXPECT_EQ(g().config.dirs.optionen, c.wantOptionen);
        EXPECT_EQ(g().config.dirs.protokoll, c.wantProtokoll);
        EXPECT_EQ(g().config.dirs.listen, c.wantListen);
        EXPECT_TRUE(fsys::dirExists(c.wantOptionen));
        EXPECT_FALSE(fsys::exists(inst.path("tmp")));  // nothing joined under the installation
    }
    EXPECT_TRUE(dlg.asked().isEmpty());
}

TEST_F(DataDirectory, SharedRootGetsCopiesThatNeverOverwrite)
{
    TempTree shared;
    QString root = fsys::toStored(shared.root());
    root.chop(1);  // no trailing backslash
    inst.writeLines("intern/netzwerkpfad.txt", {root});
    config({"[Pfade]", "Optionen=Optionen\\"});
    inst.write("Optionen/Options-Standard.txt", "installation");
    inst.write("Optionen/Options-Anna.txt", "anna");
    inst.mkdir("Optionen/Unterordner");
    shared.write("Optionen/Options-Anna.txt", "schon da");

    installation::ReadMainConfiguration();
    EXPECT_EQ(g().config.dirs.optionen, shared.path("Optionen/"));
    EXPECT_EQ(shared.read("Optionen/Options-Standard.txt"), "installation");
    EXPECT_EQ(shared.read("Optionen/Options-Anna.txt"), "schon da");
    EXPECT_FALSE(fsys::exists(shared.path("Optionen/Unterordner")));

    // A second start copies nothing new and keeps what the shared folder holds.
    shared.write("Optionen/Options-Standard.txt", "geändert");
    resetToInstallation(inst.root());
    installation::ReadMainConfiguration();
    EXPECT_EQ(shared.read("Optionen/Options-Standard.txt"), "geändert");
}

TEST_F(DataDirectory, WriteProtectedSharedRootMovesToCommonDocuments)
{
    TempTree shared;
    shared.mkdir("Optionen");
    shared.mkdir("Protokoll");
    shared.mkdir("TEMP");
    fsys::setReadOnly(shared.path("Optionen"), true);
    fsys::setReadOnly(shared.path("Protokoll"), true);
    fsys::setReadOnly(shared.path("TEMP"), true);
    inst.writeLines("intern/netzwerkpfad.txt", {fsys::toStored(shared.root())});
    inst.write("Optionen/Options-Standard.txt", "std");
    config({"[Pfade]", "Optionen=Optionen"});
    installation::ReadMainConfiguration();
    const QString name = fsys::fileName(inst.root());
    EXPECT_EQ(g().config.dirs.optionen, common.path("MORWEN/" + name + "/Optionen/"));
    EXPECT_EQ(common.read("MORWEN/" + name + "/Optionen/Options-Standard.txt"), "std");
    for (const char* d : {"Optionen", "Protokoll", "TEMP"})
        fsys::setReadOnly(shared.path(d), false);
}

TEST_F(DataDirectory, EmptyNetworkFile)
{
    inst.write("intern/netzwerkpfad.txt", "");
    inst.write("Optionen/Options-Standard.txt", "std");
    config({"[Pfade]", "Optionen=Optionen"});
    installation::ReadMainConfiguration();
    EXPECT_EQ(g().config.dirs.optionen, inst.path("Optionen/"));

    // Write-protected installation folder: the data moves to the common documents folder.
    fsys::setReadOnly(inst.path("Optionen"), true);
    resetToInstallation(inst.root());
    installation::ReadMainConfiguration();
    const QString name = fsys::fileName(inst.root());
    EXPECT_EQ(g().config.dirs.optionen, common.path("MORWEN/" + name + "/Optionen/"));
    EXPECT_EQ(common.read("MORWEN/" + name + "/Optionen/Options-Standard.txt"), "std");
    EXPECT_FALSE(fsys::isReadOnly(common.path("MORWEN/" + name + "/Optionen/Options-Standard.txt")));
    fsys::setReadOnly(inst.path("Optionen"), false);
}

TEST_F(DataDirectory, UncreatableFolderWarnsAndGoesOn)
{
    TempTree shared;
    shared.write("blocker", "a file where a folder should be");
    inst.writeLines("intern/netzwerkpfad.txt", {fsys::toStored(shared.path("blocker"))});
    // Common documents folder unusable too.
    qputenv("KALIMO_COMMON_DOCUMENTS", shared.path("blocker/common").toUtf8());
    config({"[Pfade]", "Optionen=Optionen"});
    installation::ReadMainConfiguration();
    ASSERT_FALSE(dlg.texts().isEmpty());
    EXPECT_TRUE(dlg.texts().front().startsWith("Das Verzeichnis "));
    EXPECT_TRUE(dlg.texts().front().endsWith(" kann nicht angelegt werden!"));
}

TEST(MainConfiguration, MissingFileLeavesEveryDefault)
{
    TempTree inst;
    resetToInstallation(inst.root());
    installation::ReadMainConfiguration();
    const MainConfig& c = g().config;
    EXPECT_EQ(c.dirs.listen, inst.root());
    EXPECT_EQ(c.dirs.materialBilder, inst.root());
    EXPECT_EQ(c.dirs.optionen, inst.root());
    EXPECT_EQ(c.bildschirmfaktor, 13);
    EXPECT_EQ(c.gesamtHGFarbe, 8095912);
    EXPECT_TRUE(c.menuLines.isEmpty());
    EXPECT_EQ(c.programSection("ProgLangOderKurz").value("TonAutosweg"), inst.path("auto.wav"));
    EXPECT_EQ(c.programSection("ProgMerkfaehigkeit").value("LobSchriftfarbe"), "65535");
    EXPECT_EQ(c.programSection("ProgLautSuche").value("Mundbildendung"), "-ohne Buchstabe.wmf");
}

TEST(MainConfiguration, SectionsMenuAndInfo)
{
    TempTree inst;
    resetToInstallation(inst.root());
    inst.write("Ende/gut.wav", "");
    inst.write("Ende/Auch.WAV", "");
    inst.write("Ende/nicht.txt", "");
    inst.writeLines("INTERN/Kalimo.txt",
                    {"[Pfade]", "INTERNBILDER=Intern\\Bilder", "Internsound=Sounds", "EndeSound=Ende", "Listen=\\Listen\\",
                     "[Allgemein]", "Bildschirmfaktor=15",
                     "[Toene]", "TonMeldung=meldung.wav",
                     "[Hauptschalter]", "1=Merkfähigkeit", "2=Gleich", "4=Vier",
                     "[Schalter1]", "Bildoben=m.bmp", "Bildunten=m2.bmp", "1=Merkfähigkeit - Bild", "2=Leer", "3=Merkfähigkeit - Text",
                     "[Schalter101]", "formular=FormMerkfaehigkeit", "Bildoben=a.bmp", "Bildunten=b.bmp",
                     "[Schalter102]", "formular=",
                     "[Schalter103]", "formular=FormMerkfaehigkeit",
                     "[Schalter2]", "formular=FormGleichNichtgleich", "Bildoben=g.bmp",
                     "[Schalter4]", "formular=FormMemory",
                     "[Hauptformular]", "Startbild1=start.wmf", "HGFarbe=$FF",
                     "[ProgGleichNichtgleich]", "Titel=Gleich oder nicht?", "Listenpfad=Gleich\\", "SymbolGleich=gleich.bmp", "Lobgleich=lob.bmp",
                     "[Info]", "Name=Kalimo", "Web=https://kalimo.example.org", "Name=doppelt"});
    installation::ReadMainConfiguration();
    const MainConfig& c = g().config;
    EXPECT_EQ(c.bildschirmfaktor, 15);
    EXPECT_EQ(c.dirs.listen, inst.path("Listen/"));  // a leading backslash stays below the installation
    EXPECT_EQ(c.tonMeldung, inst.path("Sounds/meldung.wav"));
    EXPECT_EQ(c.startbild1, inst.path("Intern/Bilder/start.wmf"));
    EXPECT_EQ(c.hgFarbe, 255);
    EXPECT_EQ(c.menuLines, (QStringList{"Merkfähigkeit;;m.bmp;m2.bmp", "  Merkfähigkeit - Bild;FormMerkfaehigkeit;a.bmp;b.bmp",
                                        "  Merkfähigkeit - Text;FormMerkfaehigkeit;;", "Gleich;FormGleichNichtgleich;g.bmp;"}));
    const ProgramSection& s = c.programSection("proggleichnichtgleich");
    EXPECT_EQ(s.titel, "Gleich oder nicht?");
    EXPECT_EQ(s.value("SymbolGleich"), inst.path("Intern/Bilder/gleich.bmp"));
    EXPECT_EQ(s.value("Lobgleich"), "lob.bmp");  // joined later by the exercise
    EXPECT_EQ(c.infoLines, (QStringList{"Name=Kalimo", "Web=https://kalimo.example.org"}));
    EXPECT_EQ(c.endSounds, (QStringList{inst.path("Ende/Auch.WAV"), inst.path("Ende/gut.wav")}));
    EXPECT_EQ(catalogue::listFolder(301), inst.path("Listen/Gleich/"));
}

TEST(MainConfiguration, RandomBytesGiveDefaults)
{
    TempTree inst;
    resetToInstallation(inst.root());
    std::mt19937 gen(3);
    QByteArray junk(100000, '\0');
    for (char& ch : junk)
        ch = char(gen() % 97 == 0 ? '\n' : gen());
    inst.write("INTERN/Kalimo.txt", junk);
    installation::ReadMainConfiguration();
    EXPECT_EQ(g().config.bildschirmfaktor, 13);
    EXPECT_EQ(g().config.dirs.listen, inst.root());
}

TEST(SplitText, Table)
{
    struct Case {
        QString text, seps;
        bool unique;
        QStringList want;
    };
    const Case cases[] = {
        {"a|100|b|c", "|", false, {"a", "100", "b", "c"}},
        {"a|100||", "|", false, {"a", "100", ""}},
        {"||", "|", false, {"", ""}},
        {"x.wav;x.wav;y.wav", ";", true, {"x.wav", "y.wav"}},
        {"x.wav;x.wav;y.wav", ";", false, {"x.wav", "x.wav", "y.wav"}},
        {"", ";", false, {}},
        {"a;", ";", false, {"a"}},
        {";a", ";", false, {"", "a"}},
        {"a b,c", " ,", false, {"a", "b", "c"}},
    };
    for (const Case& c : cases) {
        QStringList l{"alt"};
        EXPECT_EQ(SplitText(c.text, l, true, c.seps, c.unique), c.want.size()) << c.text.toStdString();
        EXPECT_EQ(l, c.want) << c.text.toStdString();
    }
    QStringList keep{"alt"};
    EXPECT_EQ(SplitText("a;b", keep, false, ";", false), 3);
}

TEST(MakeRelativePath, ExistingPathsBelowBase)
{
    TempTree t;
    t.write("Bilder/Tiere/Hund.gif", "");
    const QString base = t.path("Bilder/");
    EXPECT_EQ(MakeRelativePath(base, t.path("Bilder/Tiere/Hund.gif"), false), "Tiere/Hund.gif");
    EXPECT_EQ(MakeRelativePath(t.path("bilder/"), t.path("Bilder/Tiere/Hund.gif"), true), "./Tiere/Hund.gif");
    EXPECT_EQ(MakeRelativePath(base, t.path("Bilder/Tiere/"), false), "Tiere");
    EXPECT_EQ(MakeRelativePath(base, t.path("Bilder/Tiere/Katze.gif"), false), t.path("Bilder/Tiere/Katze.gif"));
    EXPECT_EQ(MakeRelativePath(base, "/elsewhere/x.gif", false), "/elsewhere/x.gif");
    EXPECT_EQ(MakeRelativePathDot(base, t.path("Bilder/Tiere/Hund.gif")), "./Tiere/Hund.gif");
}

TEST(ListFiles, RecursiveOnlyWhenFolderHasNoMatch)
{
    TempTree t;
    t.write("L/a/x.txt", "");
    t.write("L/b/c/y.txt", "");
    QStringList out;
    EXPECT_EQ(ListFilesRecursive(t.path("L"), "*.txt", false, out), 2);
    EXPECT_EQ(out, (QStringList{"x.txt", "y.txt"}));
    t.write("L/top.txt", "");
    EXPECT_EQ(ListFilesRecursive(t.path("L"), "*.txt", true, out), 1);
    EXPECT_EQ(ListFiles(t.path("L"), "*", false, out), 3);
}

TEST(Catalogue, RecognisesButtons)
{
    struct Case {
        const char* formular;
        const char* caption;
        int code;
    };
    const Case cases[] = {
        {"FormEinerPasstNicht", "einer passt nicht - bild", 203},
        {"FormWortreihe", "Doppelgänger - Text", 202},
        {"formdoppelgaenger", "DOPPELGÄNGER - BILD", 201},
        {"FormWortreihe", "Einer passt nicht - Text", 204},
        {"FormWortreihe", "Unbekannt", 0},
        {"FormMerkfaehigkeit", "Merkfähigkeit - Bild", 101},
        {"FormMerkfaehigkeit", "Merkfähigkeit - Text", 102},
        {"FormMerkfaehigkeit", "Merkfähigkeit", 102},
        {"formgleichnichtgleich", "egal", 301},
        {"FormRichtigOderFalsch", "", 302},
        {"FormWelcherLautPasst", "", 303},
        {"FormLangOderKurz", "", 304},
        {"FormMemory", "", 305},
        {"FormLautPos", "", 401},
        {"FormLautSuche", "", 402},
        {"FormLautAdd", "", 403},
        {"FormLautWeg", "", 404},
        {"FormLautReplace", "", 405},
        {"FormSilbenanzahl", "", 406},
        {"FormLautMemory", "", 407},
        {"FormPaarSuche", "", 408},
        {"FormNichts", "", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(catalogue::programCodeFor(QString::fromUtf8(c.formular), QString::fromUtf8(c.caption)), c.code)
            << c.formular << " / " << c.caption;
    EXPECT_EQ(catalogue::optionsSection(0), "Allgemeine Optionen");
    EXPECT_EQ(catalogue::optionsSection(407), "Programm: Laut-/Silbenmemory");
    EXPECT_EQ(catalogue::byCode(407)->windowClass, "TFormMemory");
    EXPECT_EQ(catalogue::windowClassFor("FormDoppelgaenger"), "TFormWortreihe");
    EXPECT_EQ(catalogue::programs().size(), 19u);
}

// A write-protected installation: the therapists' own lists and material live in the writable
// common folder beside the players' data and are seen together with the installation's.
TEST_F(DataDirectory, WriteProtectedInstallationHasAWritableOverlayForListsAndMaterial)
{
    inst.write("intern/netzwerkpfad.txt", "");
    inst.write("Optionen/Options-Standard.txt", "std");
    inst.write("Listen/Merk/Tiere.txt", "shipped");
    inst.write("Material/Sound/Hund.wav", "wav");
    config({"[Pfade]", "Optionen=Optionen", "Listen=Listen", "Material=Material", "MaterialSound=Material\\Sound",
            "MaterialBilder=Material\\Bilder"});
    fsys::setReadOnly(inst.path("Optionen"), true);
    installation::ReadMainConfiguration();
    const QString data = common.path("MORWEN/" + fsys::fileName(inst.root()) + "/");
    ASSERT_EQ(g().config.dirs.optionen, data + "Optionen/");
    const QString listen = g().config.dirs.listen;
    ASSERT_EQ(listen, inst.path("Listen/"));

    // An edited shipped list and a new one are written into the overlay under the same names ...
    EXPECT_EQ(overlay::writablePath(listen + "merk/tiere.txt"), data + "Listen/Merk/Tiere.txt");
    ASSERT_TRUE(fsys::writeFileAtomic(overlay::writablePath(listen + "Merk/Tiere.txt"), "edited"));
    ASSERT_TRUE(fsys::writeFileAtomic(overlay::writablePath(listen + "Merk/Eigene.txt"), "own"));
    ASSERT_TRUE(fsys::writeFileAtomic(overlay::writablePath(listen + "Neu/Liste.txt"), "new folder"));
    const QString sound = g().config.dirs.materialSound;
    ASSERT_TRUE(fsys::writeFileAtomic(overlay::writablePath(sound + "Tisch.wav"), "recorded"));
    EXPECT_EQ(common.read("MORWEN/" + fsys::fileName(inst.root()) + "/Material/Sound/Tisch.wav"), "recorded");
    EXPECT_EQ(inst.read("Listen/Merk/Tiere.txt"), "shipped");

    // ... and read, listed and found under the installation's names.
    EXPECT_EQ(fsys::readFile(listen + "Merk/Tiere.txt").value_or(""), "edited");
    EXPECT_EQ(fsys::readFile(listen + "MERK/tiere.TXT").value_or(""), "edited");
    EXPECT_EQ(fsys::list(listen + "Merk/", "*.txt", true),
              (QStringList{listen + "Merk/Eigene.txt", listen + "Merk/Tiere.txt"}));
    EXPECT_EQ(fsys::list(listen, "*", false, fsys::Entries::Dirs), (QStringList{"Merk", "Neu"}));
    EXPECT_TRUE(fsys::fileExists(listen + "Neu/Liste.txt"));
    EXPECT_EQ(fsys::list(sound, "*.wav"), (QStringList{"Hund.wav", "Tisch.wav"}));
    EXPECT_EQ(fsys::readFile(sound + "Hund.wav").value_or(""), "wav");
    // A file picked in the writable folder (a file dialog shows the real folders) gets its
    // installation name back.
    EXPECT_EQ(overlay::installationNameOf(data + "Listen/Merk/Eigene.txt"), listen + "Merk/Eigene.txt");
    EXPECT_EQ(overlay::installationNameOf("/elsewhere/x.txt"), "/elsewhere/x.txt");

    // The check of the installation sees the same, without creating or copying anything.
    resetToInstallation(inst.root());
    installation::ReadMainConfiguration(nullptr, installation::DataFolders::Leave);
    EXPECT_EQ(fsys::list(listen + "Merk/", "*.txt"), (QStringList{"Eigene.txt", "Tiere.txt"}));
    EXPECT_EQ(fsys::readFile(listen + "Merk/Tiere.txt").value_or(""), "edited");

    // A writable installation keeps everything in place: no overlay.
    fsys::setReadOnly(inst.path("Optionen"), false);
    resetToInstallation(inst.root());
    installation::ReadMainConfiguration();
    EXPECT_EQ(overlay::writablePath(listen + "Merk/Tiere.txt"), listen + "Merk/Tiere.txt");
    EXPECT_EQ(fsys::readFile(listen + "Merk/Tiere.txt").value_or(""), "shipped");
    EXPECT_EQ(fsys::list(listen + "Merk/", "*.txt"), QStringList{"Tiere.txt"});
}
