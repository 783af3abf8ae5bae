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
