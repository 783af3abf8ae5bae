#include "core/GlobalState.h"
#include "core/IniFile.h"
#include "data/TaskList.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

// How the loader matches keys and cuts fields out of a task section.

namespace {
class TaskListParse : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetGlobals();
        g().defaultElementCount = 3;
    }
    std::vector<TAufgabe> parse(const char* text)
    {
        TDaten list;
        ParseTaskList(IniFile::parse(QString::fromUtf8(text)), list, false);
        return list.tasks;
    }
};
} // namespace

TEST_F(TaskListParse, KeysOfATaskSection)
{
    const auto tasks = parse("[Allgemein]\naufgabencount=2\nElementanzahl=2\n"
                             "[aufgabe 1]\n01=null.gif\n1=eins.gif\n3=drei.gif\nERFOLGSSOUND=b.wav;a.wav;b.wav\n"
                             "[Aufgabe 2]\n0=||\n1=||\n2=||\n"
                             "[AUFGABE 1]\n2=zwei.gif\n0=kopf.gif\n1=nicht.gif\n");
    ASSERT_EQ(tasks.size(), 1u);  // task 2 is all empty elements
    ASSERT_EQ(tasks[0].elements.size(), 3u);
    EXPECT_EQ(tasks[0].headElement.picture, "kopf.gif");  // "01" is no element key
    EXPECT_EQ(tasks[0].elements[1].picture, "eins.gif");  // the first "1" wins
    EXPECT_EQ(tasks[0].elements[2].picture, "zwei.gif");
    EXPECT_EQ(tasks[0].successSounds, (QStringList{"b.wav", "a.wav"}));
}

TEST_F(TaskListParse, SuccessSoundsAndSizeFields)
{
    struct Case {
        const char* value;
        QStringList sounds;
    };
    const Case sounds[] = {
        {"", {}},
        {";", {""}},
        {"a.wav;", {"a.wav"}},
        {"a.wav;;b.wav;;", {"a.wav", "", "b.wav"}},
        {"Sub\\a.wav;sub\\A.wav;Sub/a.wav", {"Sub/a.wav", "sub/A.wav"}},
        {"1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17;3;18;1", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10",
                                                              "11", "12", "13", "14", "15", "16", "17", "18"}},
    };
    for (const Case& c : sounds) {
        const QString text = QStringLiteral("[Allgemein]\nAufgabencount=1\n[Aufgabe 1]\nErfolgssound=%1\n")
                                 .arg(QString::fromUtf8(c.value));
        TDaten list;
        ASSERT_EQ(ParseTaskList(IniFile::parse(text), list, false), 1);
        EXPECT_EQ(list.tasks[0].successSounds, c.sounds) << c.value;
    }
    struct Size {
        const char* field;
        int size;
    };
    const Size sizes[] = {{"75", 75}, {"075", 75},  {"0", 0},      {"-5", -5},       {"+5", 5},
                          {"", 100},  {"7x", 100}, {"1e2", 100}, {"99999999999", 100}, {"2147483647", 2147483647},
                          {"\u0661", 100}};
    for (const Size& s : sizes) {
        TEinzelbild e;
        ParseElement(QStringLiteral("p|%1|t|s").arg(QString::fromUtf8(s.field)), e);
        EXPECT_EQ(e.layout.pictureSize, s.size) << s.field;
    }
}

TEST_F(TaskListParse, ReloadOverAChangedListEqualsAFreshLoad)
{
    TempTree t;
    g().defaultElementCount = 3;
    const QString big = t.writeLines("a.txt", {"[Allgemein]", "Aufgabencount=3", "[Aufgabe 1]",
                                              "Erfolgssound=lang\\er\\name.wav;b.wav;c.wav;d.wav", "0=Kopf\\bild.gif|100|Kopftext|k.wav",
                                              "1=a-langer-name.gif|100|ein langer Text|a.wav;b.wav", "2=||", "3=x|1|y|z",
                                              "[Aufgabe 2]", "0=k2.gif|100||", "[Aufgabe 3]", "0=k3.gif|100||"});
    const QString small = t.writeLines("b.txt", {"[Allgemein]", "Aufgabencount=3", "Elementanzahl=2", "[Aufgabe 1]",
                                                "0=||", "1=||", "2=||", "[Aufgabe 2]", "Erfolgssound=;x.wav",
                                                "0=k.gif|50|", "1=a.gif", "2=b\\c.gif|7|Wort|s.wav", "[Aufgabe 3]",
                                                "0=||", "1=|", "2=||"});
    ASSERT_EQ(LoadTaskList(big), 3);
    // What other code may have done with the loaded list meanwhile.
    const TAufgabe held = g().taskList()[0];
    TAufgabe& first = g().taskList()[0];
    first.elements[0].picture = "slot0.gif";
    first.elements[1].layout.font = TFont();
    first.elements[1].layout.heading = "Kopf";
    first.elements[1].extra = "extra";
    first.headElement.layout.animation = "anim";
    g().loadedList.reservedText = "alt";
    g().loadedList.instruction.number = 4;

    ASSERT_EQ(LoadTaskList(small), 2);
    const TDaten reloaded = g().loadedList;
    g().loadedList = TDaten();
    ASSERT_EQ(LoadTaskList(small), 2);
    EXPECT_EQ(reloaded, g().loadedList);
    for (size_t k = 0; k < reloaded.tasks.size(); ++k) {
        const auto& a = reloaded.tasks[k].elements;
        const auto& b = g().taskList()[k].elements;
        for (size_t i = 0; i < a.size(); ++i) {
            EXPECT_EQ(a[i].text.isNull(), b[i].text.isNull()) << k << "/" << i;
            EXPECT_EQ(a[i].sounds.isNull(), b[i].sounds.isNull()) << k << "/" << i;
        }
    }
    EXPECT_EQ(g().taskList()[0].successSounds, (QStringList{"", "x.wav"}));
    TEinzelbild expected;
    expected.picture = "b/c.gif";
    expected.text = "Wort";
    expected.sounds = "s.wav";
    expected.layout.pictureSize = 7;
    EXPECT_EQ(g().taskList()[0].elements[2], expected);
    EXPECT_EQ(held.elements[1].text, "ein langer Text");  // a copy taken earlier keeps its values
    EXPECT_EQ(held.successSounds.size(), 4);
    EXPECT_EQ(held.headElement.picture, "Kopf/bild.gif");
}
