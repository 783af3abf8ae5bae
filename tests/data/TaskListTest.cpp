#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/IniFile.h"
#include "core/Overlay.h"
#include "core/Win1252.h"
#include "data/TaskList.h"
#include "data/TaskListWriter.h"
#include "data/TextConversion.h"
#include "support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>
#include <random>

namespace {

class TaskList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetGlobals();
        g().config.dirs.internBilder = t.path("INTERN/Bilder/");
        g().defaultElementCount = 2;
    }
    TempTree t;
};

TEinzelbild element(const QString& picture, int size, const QString& text, const QString& sounds)
{
    TEinzelbild e;
    e.picture = picture;
    e.layout.pictureSize = size;
    e.text = text;
    e.sounds = sounds;
    return e;
}

} // namespace

TEST_F(TaskList, MissingSectionGivesTaskOfEmptyElements)
{
    ASSERT_EQ(LoadTaskList(fixture("tasklists/sections-1-and-3.txt")), 3);
    const auto& tasks = g().taskList();
    EXPECT_EQ(g().elementCount, 2);
    ASSERT_EQ(tasks[0].elements.size(), 3u);
    EXPECT_EQ(tasks[0].successSounds, (QStringList{"a.wav", "b.wav"}));
    EXPECT_EQ(tasks[0].headElement.picture, "kopf.gif");
    EXPECT_EQ(tasks[0].elements[1], element("eins.gif", 100, "Eins", "eins.wav"));  // size "xx" reads 100
    EXPECT_EQ(tasks[0].elements[2], element("zwei.gif", 0, "", ""));                // picture only: size 0
    EXPECT_EQ(tasks[1].headElement, TEinzelbild());
    EXPECT_EQ(tasks[1].elements, TEinzelbilder(3));
    EXPECT_EQ(tasks[2].elements[2], element("drei.gif", 90, "Drei", ""));
}

TEST_F(TaskList, TaskOfEmptyElementsIsDroppedAndLaterTasksMoveUp)
{
    ASSERT_EQ(LoadTaskList(fixture("tasklists/dropped-first.txt")), 2);
    EXPECT_EQ(g().taskList()[0].elements[1].picture, "zwei.gif");
    EXPECT_EQ(g().taskList()[1].headElement.picture, "drei.gif");
}

TEST_F(TaskList, ParseElementFields)
{
    struct Case {
        const char* text;
        bool result;
        TEinzelbild expected;
    };
    const Case cases[] = {
        {"||", false, element("", 100, "", "")},
        {"", true, element("", 0, "", "")},
        {"pic.gif", true, element("pic.gif", 0, "", "")},
        {"Sub\\pic.gif|75|Wort|a.wav;Sub\\b.wav", true, element("Sub/pic.gif", 75, "Wort", "a.wav;Sub/b.wav")},
        {"pic.gif|groß|Wort", true, element("pic.gif", 100, "Wort", "")},
        {"|||", true, element("", 100, "", "")},
    };
    for (const Case& c : cases) {
        TEinzelbild e = element("old", 5, "old", "old");
        e.extra = "old";
        EXPECT_EQ(ParseElement(QString::fromUtf8(c.text), e), c.result) << c.text;
        EXPECT_EQ(e, c.expected) << c.text;
    }
}

TEST_F(TaskList, TextConversions)
{
    struct Case {
        const char* in;
        bool swiss, capitals;
        const char* out;
    };
    const Case cases[] = {
        {"Stra-ße", false, true, "STRAS-SE"},
        {"2ßa", false, true, "3SSA"},
        {"Straße", true, false, "Strasse"},
        {"Stra-ße", true, false, "Stras-se"},
        {"2ßa", true, true, "3SSA"},
        {"1ßa", true, false, "2ssa"},
        {"0ßa", true, false, "0ssa"},
        {"Fuß-ßel", true, false, "Fusss-sel"},         // hyphen pair first, then every other ß
        {"9ßßßßßßßßß", true, false, "9ssssssssssssssssss"},  // a count above 9 stays 9
        {"äöü œ š ÿ µ", false, true, "ÄÖÜ Œ Š Ÿ µ"},
        {"Haus", true, true, "HAUS"},
    };
    for (const Case& c : cases) {
        g().swissOrthography = c.swiss;
        g().playerOptions.capitalsOnly = c.capitals;
        EXPECT_EQ(textconv::forLoading(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
    }
}

TEST_F(TaskList, ConversionsApplyWhileLoadingButNotInTheEditor)
{
    const QString path = t.writeLines("l.txt", {"[Allgemein]", "Aufgabencount=1", "Elementanzahl=1", "[Aufgabe 1]",
                                                "0=||", "1=p.gif|100|Stra-ße|"});
    g().playerOptions.capitalsOnly = true;
    ASSERT_EQ(LoadTaskList(path), 1);
    EXPECT_EQ(g().taskList()[0].elements[1].text, "STRAS-SE");
    g().editorActive = true;
    ASSERT_EQ(LoadTaskList(path), 1);
    EXPECT_EQ(g().taskList()[0].elements[1].text, QString::fromUtf8("Stra-ße"));
}

TEST_F(TaskList, MissingFileKeepsThePreviousList)
{
    ASSERT_EQ(LoadTaskList(fixture("tasklists/sections-1-and-3.txt")), 3);
    const TDaten before = g().loadedList;
    EXPECT_EQ(LoadTaskList(t.path("fehlt.txt")), 0);
    EXPECT_EQ(LoadTaskList(t.root()), 0);  // no file name
    EXPECT_EQ(LoadTaskList(QString()), 0);
    EXPECT_EQ(g().loadedList, before);
}

TEST_F(TaskList, LayoutDefaultsAndValues)
{
    const QString path = t.writeLines("l.txt", {"[Layout]", "Hintergrundbild=Hinter\\wiese.gif", "Bildgröße=x",
                                                "Schriftname=Gibt es nicht", "Schriftgröße=30", "Schriftfarbe=$FF",
                                                "Überschrift=Hör zu", "[Allgemein]", "Aufgabencount=0"});
    EXPECT_EQ(LoadTaskList(path), 0);
    const TLayout& l = g().loadedList.layout;
    EXPECT_EQ(l.backgroundColour, 8585090);
    EXPECT_EQ(l.backgroundPicture, t.path("INTERN/Bilder/Hinter/wiese.gif"));
    EXPECT_EQ(l.pictureSize, 100);
    EXPECT_EQ(l.pairColour, 8388608);
    EXPECT_EQ(l.letterMarkColour, 255);
    EXPECT_EQ(l.heading, QString::fromUtf8("Hör zu"));
    ASSERT_TRUE(g().listFont.has_value());
    EXPECT_NE(g().listFont->name, "Gibt es nicht");
    EXPECT_EQ(g().listFont->size, 30);
    EXPECT_EQ(g().listFont->colour, 255);
    EXPECT_EQ(g().elementCount, 2);  // the default element count
}

TEST_F(TaskList, LoadIntoTouchesOnlyTheTasks)
{
    TDaten other;
    other.layout.heading = "bleibt";
    EXPECT_EQ(LoadTaskListInto(fixture("tasklists/dropped-first.txt"), other), 2);
    EXPECT_EQ(other.layout.heading, "bleibt");
    EXPECT_TRUE(g().taskList().empty());
}

TEST_F(TaskList, CorruptCountsAreBounded)
{
    const QString path = t.writeLines("l.txt", {"[Allgemein]", "Aufgabencount=2000000000", "Elementanzahl=-4"});
    EXPECT_EQ(LoadTaskList(path), kMaxEmptyTaskSlots);  // empty tasks of a head element only
    t.writeLines("l.txt", {"[Allgemein]", "Aufgabencount=-3", "Elementanzahl=999999"});
    EXPECT_EQ(LoadTaskList(path), 0);
}

TEST_F(TaskList, HugeDeclaredCountCostsWhatTheFileHolds)
{
    // 2147483647 tasks of 100 elements declared, two sections held.
    const int n = 100;
    const int empties = kMaxEmptyTaskSlots / (n + 1);
    ASSERT_EQ(LoadTaskList(fixture("tasklists/huge-count.txt")), 2 + empties);
    const auto& tasks = g().taskList();
    EXPECT_EQ(g().elementCount, n);
    EXPECT_EQ(tasks[0].headElement, element("eins.gif", 100, "Eins", ""));
    EXPECT_EQ(tasks[3].headElement, element("vier.gif", 100, "Vier", ""));
    // The sections between are empty tasks, and so are the declared ones after the last section.
    for (size_t k : {size_t(1), size_t(2), size_t(4), tasks.size() - 1}) {
        EXPECT_EQ(tasks[k].headElement, TEinzelbild()) << k;
        EXPECT_EQ(tasks[k].elements, TEinzelbilder(n + 1)) << k;
    }
    // Memory for those tasks only, not for the declared count.
    EXPECT_LE(tasks.capacity(), size_t(2 + empties));
    size_t elementSlots = 0;
    for (const TAufgabe& a : tasks)
        elementSlots += a.elements.capacity();
    EXPECT_LE(elementSlots, size_t(2 + empties) * (n + 1));

    // Loaded for the editor's import: the same tasks, the same bound.
    TDaten other;
    EXPECT_EQ(LoadTaskListInto(fixture("tasklists/huge-count.txt"), other), 2 + empties);
    EXPECT_EQ(other.tasks, tasks);
    EXPECT_LE(other.tasks.capacity(), size_t(2 + empties));
}

TEST_F(TaskList, RandomBytesNeverCrash)
{
    std::mt19937 gen(7);
    QByteArray bytes(10 * 1024 * 1024, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(gen());
    // Some structure so that the parser gets past the first line now and then.
    bytes.replace(0, 40, "[Allgemein]\r\nAufgabencount=50\r\n[Aufgabe 1]\r\n");
    const QString path = t.write("zufall.txt", bytes);
    const int n = LoadTaskList(path);
    EXPECT_EQ(size_t(n), g().taskList().size());
    EXPECT_GE(n, 0);
}

TEST_F(TaskList, WriterOutputIsByteExactAndReadsBack)
{
    TDaten list;
    list.layout = defaultListLayout();
    list.layout.backgroundPicture = g().config.dirs.internBilder + "Hinter/wiese.gif";
    list.layout.font = TFont{"Arial", 48, 255};
    list.layout.animation = "hase";
    list.layout.cardBack = "karte.wmf";
    list.layout.heading = QString::fromUtf8("Hör genau!");
    list.layout.headingSound = "hoer.wav";
    list.layout.instructionPicture = "nicht für 404";
    list.layout.pairColour = 1;  // written for 408 only

    TAufgabe a;
    a.successSounds = QStringList{"lob/super.wav", "toll.wav"};
    a.headElement = element("Tiere/maus.wmf", 100, "Maus", "maus.wav");
    a.elements = {TEinzelbild(), element("Tiere/haus.wmf", 80, QString::fromUtf8("2Straße"), "haus.wav;h.wav"),
                  element("", 0, "", ""), element("", 100, "M", "m.wav"), element("a.gif", 0, "", "")};
    TAufgabe b;
    b.elements = {TEinzelbild(), element("b.gif", 100, QString::fromUtf8("Bär"), "")};
    list.tasks = {a, b};

    const QByteArray expected = [] {
        QFile f(fixture("tasklists/written-404.txt"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    // Task 2 has fewer elements than the program's count: the missing ones are written "||".
    EXPECT_EQ(TaskListBytes(list, 404, 4), expected);

    dialogs::ScriptedDialogs d;
    const QString path = t.path("Listen/neu.txt");
    fsys::makePath(t.path("Listen"));
    ASSERT_TRUE(SaveTaskList(path, list, 404, 4));
    EXPECT_EQ(d.texts(), QStringList{"Datei gespeichert!"});
    EXPECT_FALSE(fsys::exists(t.path("Listen/~~neu.txt")));

    g().editorActive = true;
    g().defaultElementCount = 4;
    ASSERT_EQ(LoadTaskList(path), 2);
    const auto& loaded = g().taskList();
    EXPECT_EQ(loaded[0].successSounds, a.successSounds);
    EXPECT_EQ(loaded[0].headElement, a.headElement);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(loaded[0].elements[size_t(i)], list.tasks[0].elements[size_t(i)]) << i;
    EXPECT_EQ(loaded[1].elements[1], b.elements[1]);
    EXPECT_EQ(g().loadedList.layout.backgroundPicture, list.layout.backgroundPicture);
    EXPECT_EQ(g().loadedList.layout.heading, list.layout.heading);
}

TEST_F(TaskList, WriterKeysPerProgram)
{
    TDaten list;
    list.layout = defaultListLayout();
    list.layout.backgroundPicture = g().config.dirs.internBilder;  // folder only: empty value
    TAufgabe a;
    a.headElement = element("k.gif", 50, "Kopf", "k.wav");
    a.elements = {TEinzelbild(), element("e.gif", 70, "E", "")};
    list.tasks = {a};
    auto keys = [&](int code) { return IniFile::parse(TaskListBytes(list, code, 1)).sectionKeys("Layout"); };
    EXPECT_TRUE(keys(408).contains("BstPaarFarbe"));
    EXPECT_TRUE(keys(408).contains("BildAnleitung"));
    EXPECT_TRUE(keys(305).contains("BildAnleitung"));
    EXPECT_FALSE(keys(301).contains("BstPaarFarbe"));
    EXPECT_FALSE(keys(301).contains("BildAnleitung"));
    const IniFile ini = IniFile::parse(TaskListBytes(list, 301, 1));
    EXPECT_EQ(ini.readString("Layout", "Hintergrundbild", "x"), "");
    EXPECT_EQ(ini.readString("Aufgabe 1", "0"), "k.gif|100||");
    EXPECT_FALSE(ini.hasKey("Allgemein", "Elementanzahl"));
    EXPECT_EQ(ini.sections(), (QStringList{"Allgemein", "Layout", "Info", "Aufgabe 1"}));
}

TEST_F(TaskList, RefusedSaveKeepsTheOldFile)
{
    const QString path = t.write("alt.txt", "[Allgemein]\r\nAufgabencount=0\r\n");
    ASSERT_TRUE(fsys::setReadOnly(path, true));
    dialogs::ScriptedDialogs d;
    EXPECT_FALSE(SaveTaskList(path, TDaten(), 301, 2));
    EXPECT_EQ(d.texts(), QStringList{"Die Ini-Datei: " + path + " konnte nicht erstellt werden."});
    EXPECT_EQ(t.read("alt.txt"), QByteArray("[Allgemein]\r\nAufgabencount=0\r\n"));
    EXPECT_FALSE(fsys::exists(t.path("~~alt.txt")));
    fsys::setReadOnly(path, false);
}

// A shipped list of a write-protected installation is saved into the writable overlay under its
// own name; the shipped file stays, and the list read back is the saved one.
TEST_F(TaskList, SavedShippedListGoesIntoTheOverlay)
{
    const QString shipped = t.write("inst/Listen/Memory/Tiere.txt", "[Allgemein]\r\nAufgabencount=0\r\n");
    overlay::set({{t.path("inst/Listen/"), t.path("common/Listen/")}});
    TDaten list;
    TAufgabe a;
    a.elements = {TEinzelbild(), element("hund.gif", 100, "Hund", "hund.wav")};
    list.tasks = {a};
    dialogs::ScriptedDialogs d;
    EXPECT_TRUE(SaveTaskList(t.path("inst/Listen/memory/tiere.txt"), list, 301, 1));
    EXPECT_EQ(d.texts(), QStringList{"Datei gespeichert!"});
    EXPECT_EQ(t.read("inst/Listen/Memory/Tiere.txt"), QByteArray("[Allgemein]\r\nAufgabencount=0\r\n"));
    EXPECT_EQ(t.read("common/Listen/Memory/Tiere.txt"), TaskListBytes(list, 301, 1));
    TDaten back;
    EXPECT_EQ(LoadTaskListInto(shipped, back), 1);
    overlay::clear();
}
