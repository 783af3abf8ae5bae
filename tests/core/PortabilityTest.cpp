#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/IniFile.h"
#include "core/Installation.h"
#include "core/Win1252.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

TEST(Win1252, AllByteValuesRoundTrip)
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    const QString text = win1252::decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(win1252::encode(text), all);
    EXPECT_EQ(text[0x80], QChar(0x20AC));  // euro sign
    EXPECT_EQ(text[0xDF], QChar(u'ß'));
    EXPECT_EQ(text[0x9A], QChar(0x0161));
    EXPECT_EQ(win1252::encode(QStringLiteral("Straße €")), QByteArray("Stra\xDF" "e \x80"));
    EXPECT_EQ(win1252::encode(QString(QChar(0x4E00))), QByteArray("?"));
}

TEST(FileSystem, StoredPathsAndNames)
{
    EXPECT_EQ(fsys::fromStored("Listen\\Allgemein\\a.txt"), "Listen/Allgemein/a.txt");
    EXPECT_EQ(fsys::toStored("Pausen/0750.wav"), "Pausen\\0750.wav");
    EXPECT_EQ(fsys::withSlash("a"), "a/");
    EXPECT_EQ(fsys::withSlash("a/"), "a/");
    EXPECT_EQ(fsys::baseName("/x/Haus.WMF"), "Haus");
    EXPECT_EQ(fsys::extension("/x/Haus.WMF"), ".WMF");
    EXPECT_EQ(fsys::folderOf("/x/y/Haus.wmf"), "/x/y/");
}

TEST(FileSystem, ResolvesNamesWithoutCase)
{
    TempTree t;
    t.write("Material/Bilder/Haus.GIF", "x");
    EXPECT_EQ(fsys::resolve(t.path("material/BILDER/haus.gif")), t.path("Material/Bilder/Haus.GIF"));
    EXPECT_TRUE(fsys::fileExists(t.path("MATERIAL/bilder/HAUS.gif")));
    EXPECT_TRUE(fsys::dirExists(t.path("material/bilder/")));
    EXPECT_FALSE(fsys::fileExists(t.path("material/bilder/")));
    EXPECT_FALSE(fsys::fileExists(t.path("material/bilder/maus.gif")));
    EXPECT_EQ(fsys::resolve(t.path("nothing/here.gif")), t.path("nothing/here.gif"));
}

TEST(FileSystem, WildcardListingSortedWithoutCase)
{
    TempTree t;
    for (const char* n : {"b.wav", "A.WAV", "c.txt", "a2.wav", "noext"})
        t.write(n, "");
    t.mkdir("Dir.wav");
    EXPECT_EQ(fsys::list(t.root(), "*.wav", false, fsys::Entries::Files), (QStringList{"A.WAV", "a2.wav", "b.wav"}));
    EXPECT_EQ(fsys::list(t.root(), "*.wav").size(), 4);
    EXPECT_EQ(fsys::list(t.root(), "?.wav", false, fsys::Entries::Files), (QStringList{"A.WAV", "b.wav"}));
    EXPECT_EQ(fsys::list(t.root(), "*.*", false, fsys::Entries::Files).size(), 5);
    EXPECT_EQ(fsys::list(t.root(), "*.wav", true, fsys::Entries::Files).front(), t.path("A.WAV"));
}

TEST(FileSystem, ReadOnlyAttributeHoldsForRoot)
{
    TempTree t;
    const QString f = t.write("a.txt", "1");
    EXPECT_FALSE(fsys::isReadOnly(f));
    ASSERT_TRUE(fsys::setReadOnly(f, true));
    EXPECT_TRUE(fsys::isReadOnly(f));
    ASSERT_TRUE(fsys::setReadOnly(f, false));
    EXPECT_FALSE(fsys::isReadOnly(f));
}

TEST(FileSystem, CopyNeverOverwritesUnlessAsked)
{
    TempTree t;
    t.write("a.txt", "new");
    t.write("b.txt", "old");
    EXPECT_FALSE(fsys::copyFile(t.path("a.txt"), t.path("b.txt")));
    EXPECT_EQ(t.read("b.txt"), "old");
    EXPECT_TRUE(fsys::copyFile(t.path("a.txt"), t.path("c.txt")));
    EXPECT_EQ(t.read("c.txt"), "new");
    EXPECT_TRUE(fsys::copyFile(t.path("a.txt"), t.path("b.txt"), true));
    EXPECT_EQ(t.read("b.txt"), "new");
    EXPECT_TRUE(fsys::makePath(t.path("x/y/z")));
    EXPECT_TRUE(fsys::dirExists(t.path("x/y/z")));
}

TEST(FileSystem, AtomicWriteReplacesWholeFileAndLeavesNoTemporary)
{
    TempTree t;
    t.write("f.txt", "a long old content that must vanish");
    ASSERT_TRUE(fsys::writeLines(t.path("f.txt"), {"Zeile ä", "zwei"}));
    EXPECT_EQ(t.read("f.txt"), QByteArray("Zeile \xE4\r\nzwei\r\n"));
    EXPECT_EQ(fsys::list(t.root(), "*").size(), 1);
    // A folder that cannot be written keeps the old file and reports failure.
    t.write("ro/g.txt", "keep");
    fsys::setReadOnly(t.path("ro"), true);
    if (::geteuid() != 0) {
        EXPECT_FALSE(fsys::writeFileAtomic(t.path("ro/g.txt"), "lost"));
        EXPECT_EQ(t.read("ro/g.txt"), "keep");
    }
    fsys::setReadOnly(t.path("ro"), false);
    const auto lines = fsys::readLines(t.path("f.txt"));
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (QStringList{"Zeile ä", "zwei"}));
    EXPECT_FALSE(fsys::readLines(t.path("missing.txt")));
}

TEST(IniFile, ProfileRules)
{
    const QByteArray text =
        "ignored=before any section\r\n"
        "[Übung]\r\n"
        "  Schlüssel  =  Wert mit Blanks  \r\n"
        "Hex=$1F\r\n"
        "Farbe=4278190095\r\n"
        "Negativ=-16777201\r\n"
        "Wahr=1\r\nFalsch=0\r\nFuenf=5\r\nKaputt=x7\r\n"
        "zeile ohne gleichheitszeichen\r\n"
        "schlüssel=zweiter Wert wird ignoriert\r\n"
        "Leer=\r\n"
        "Zitat=\"in Anführung\"\r\n"
        "[zweite]\nA=1\nB=2\n"
        "[ÜBUNG]\r\nNeu=aus der Wiederholung\r\n";
    const IniFile ini = IniFile::parse(win1252::encode(QString::fromUtf8(text)));
    EXPECT_EQ(ini.readString("übung", "SCHLÜSSEL"), "Wert mit Blanks");
    EXPECT_EQ(ini.readInteger("Übung", "hex", 0), 31);
    EXPECT_EQ(ini.readInteger("Übung", "Farbe", 0), qint32(0xFF00000F));
    EXPECT_EQ(ini.readInteger("Übung", "Negativ", 0), qint32(0xFF00000F));
    EXPECT_TRUE(ini.readBool("Übung", "Wahr", false));
    EXPECT_FALSE(ini.readBool("Übung", "Falsch", true));
    EXPECT_TRUE(ini.readBool("Übung", "Fuenf", false));
    EXPECT_TRUE(ini.readBool("Übung", "Kaputt", true));
    EXPECT_EQ(ini.readInteger("Übung", "Kaputt", 42), 42);
    EXPECT_EQ(ini.readInteger("Übung", "Fehlt", 42), 42);
    EXPECT_EQ(ini.readString("Übung", "Leer", "default"), "");
    EXPECT_EQ(ini.readString("Übung", "Zitat"), "in Anführung");
    EXPECT_EQ(ini.readString("Fehlt", "A", "d"), "d");
    EXPECT_EQ(ini.readString("Übung", "Neu"), "aus der Wiederholung");
    EXPECT_EQ(ini.sectionKeys("zweite"), (QStringList{"A", "B"}));
    EXPECT_EQ(ini.sectionKeys("übung").first(), "Schlüssel");
    EXPECT_FALSE(ini.hasKey("Übung", "ignored"));
}

TEST(IniFile, MissingFileGivesDefaultsAndWritesRoundTrip)
{
    TempTree t;
    fsys::ReadResult read = fsys::ReadResult::Read;
    IniFile ini = IniFile::load(t.path("none.ini"), &read);
    EXPECT_EQ(read, fsys::ReadResult::Missing);
    EXPECT_EQ(ini.readInteger("A", "b", 7), 7);
    ini.writeString("Optionen", "Name", "Jürgen");
    ini.writeInteger("Optionen", "Zahl", -5);
    ini.writeBool("Optionen", "An", true);
    ini.writeString("OPTIONEN", "name", "Jörg");
    ASSERT_TRUE(ini.save(t.path("o.ini")));
    EXPECT_EQ(t.read("o.ini"), QByteArray("[Optionen]\r\nName=J\xF6rg\r\nZahl=-5\r\nAn=1\r\n\r\n"));
    const IniFile back = IniFile::load(t.path("o.ini"));
    EXPECT_EQ(back.readString("optionen", "NAME"), "Jörg");
    ini.eraseSection("optionen");
    EXPECT_FALSE(ini.hasSection("Optionen"));
}

TEST(IniFile, BadInputNeverCrashes)
{
    std::mt19937 gen(7);
    QByteArray junk(200000, '\0');
    for (char& c : junk)
        c = char(gen());
    const IniFile a = IniFile::parse(junk);
    EXPECT_EQ(a.readInteger("Pfade", "x", 3), 3);

    QByteArray longLines = "[S]\r\nk=" + QByteArray(100000, 'v') + "\r\n" + QByteArray(100000, '[') + "\r\nz=1\r\n";
    const IniFile b = IniFile::parse(longLines);
    EXPECT_EQ(b.readString("S", "k").size(), 100000);
    EXPECT_EQ(b.readInteger("S", "z", 0), 0);  // the broken header line opened another section
    EXPECT_EQ(IniFile::parseInteger("99999999999"), std::nullopt);
    EXPECT_EQ(IniFile::parseInteger(" 12 "), 12);
    EXPECT_EQ(IniFile::parseInteger("0x10"), 16);
    EXPECT_EQ(IniFile::parseInteger(""), std::nullopt);
}

// Picture and sound names from a task list ("..\..\..\etc\passwd", or a bare name) reach no file
// outside the installation's folders and are never looked up in the working directory.
TEST(Confinement, NamesNeverLeaveTheInstallation)
{
    TempTree inst, outside, work;
    inst.write("Material/Bilder/hund.gif", "GIF89a");
    inst.writeLines("INTERN/kalimo.txt", {"[Pfade]", "MaterialBilder=Material\\Bilder"});
    outside.write("geheim.txt", "geheim");
    work.write("katze.gif", "GIF89a");
    const QString previousDir = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work.root()));
    resetToInstallation(inst.root());
    installation::ReadMainConfiguration();
    const QString bilder = g().config.dirs.materialBilder;
    // From the pictures folder up to the file system's root, then down to the outside file.
    const QString up = QString("../").repeated(bilder.count('/')) + outside.path("geheim.txt").mid(1);
    struct Case {
        QString name;
        bool found;
    } cases[] = {
        {bilder + "hund.gif", true},
        {bilder + "../Bilder/hund.gif", true},  // ".." that stays inside
        {bilder + up, false},
        {bilder + fsys::fromStored("..\\..\\..\\..\\..\\..\\..\\..\\..\\etc\\passwd"), false},
        {"katze.gif", false},  // the working directory
        {"./katze.gif", false},
        {outside.path("geheim.txt"), true},  // a full path as a list may store it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(fsys::fileExists(c.name), c.found);
        EXPECT_EQ(fsys::readFile(c.name).has_value(), c.found);
    }
    EXPECT_TRUE(fsys::list(bilder + up.section('/', 0, -2), "*").isEmpty());
    EXPECT_FALSE(fsys::writeFileAtomic(bilder + up, "x"));
    EXPECT_EQ(outside.read("geheim.txt"), QByteArray("geheim"));
    // Without an installation read (tools, tests) relative names work as before.
    resetToInstallation(inst.root());
    EXPECT_TRUE(fsys::fileExists("katze.gif"));
    QDir::setCurrent(previousDir);
}
