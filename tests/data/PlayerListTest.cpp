#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/IniFile.h"
#include "data/PlayerList.h"
#include "data/PlayerLock.h"
#include "support/TestSupport.h"

#include <QFile>
#include <functional>
#include <utility>
#include <gtest/gtest.h>

using dialogs::Button;

namespace {
const QByteArray kStandardOptions = "[Allgemeine Optionen]\r\nNamenauswahl=0\r\n";
const QByteArray kAnnaOptions = "[Allgemeine Optionen]\r\nSchriftgröße=20\r\nNamenauswahl=1\r\n";

// The folder of the examples: Standard and Anna, the lock file, the last player Anna, a renamed
// (deleted) Ben and a backup of Anna's file.
class PlayerListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(t.root());
        g().config.dirs.optionen = t.mkdir("Optionen");
        setHoldsPlayerLock(false);
        t.write("Optionen/Options-Standard.txt", kStandardOptions);
        t.write("Optionen/Options-Anna.txt", kAnnaOptions);
        t.write("Optionen/lock.txt", "");
        t.write("Optionen/LetzterNutzer.txt", "[Namen]\r\nNamen=Anna\r\n");
        t.write("Optionen/_Options-Ben.txt", kAnnaOptions);
        t.write("Optionen/~Options-Anna.txt", kAnnaOptions);
    }
    void TearDown() override { setHoldsPlayerLock(false); }
    bool exists(const QString& rel) const { return fsys::fileExists(t.path(rel)); }
    QByteArray lockBytes() const { return t.read("Optionen/lock.txt"); }
    // The main window's launch: the lock is taken once, unless already held.
    bool launch() { return holdsPlayerLock() || AcquirePlayerLock(g().currentPlayer()); }
    TempTree t;
};
} // namespace

TEST_F(PlayerListTest, ListsLastPlayerFirstThenOptionsFiles)
{
    LoadPlayerList();
    EXPECT_EQ(g().playerList, (QStringList{"Anna", "Standard"}));
}

TEST_F(PlayerListTest, ListVariants)
{
    struct Case {
        const char* what;
        std::function<void(TempTree&)> prepare;
        QStringList expected;
    } cases[] = {
        {"no last player file", [](TempTree& t) { QFile::remove(t.path("Optionen/LetzterNutzer.txt")); },
         {"Standard", "Anna"}},
        {"empty last player", [](TempTree& t) { t.write("Optionen/LetzterNutzer.txt", "[Namen]\r\nNamen=\r\n"); },
         {"Standard", "Anna"}},
        {"last player in another case",
         [](TempTree& t) { t.write("Optionen/LetzterNutzer.txt", "[namen]\r\nNAMEN=anna\r\n"); },
         {"anna", "Standard"}},
        {"last player without file",
         [](TempTree& t) { t.write("Optionen/LetzterNutzer.txt", "[Namen]\r\nNamen=Zoe\r\n"); },
         {"Zoe", "Anna", "Standard"}},
        {"upper-case extension and a second spelling",
         [](TempTree& t) {
             t.write("Optionen/Options-Carl.TXT", "");
             t.write("Optionen/options-anna.txt", "");
             t.write("Optionen/MyOptions-x.txt", "");
         },
         {"Anna", "Carl", "Standard"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        c.prepare(t);
        LoadPlayerList();
        EXPECT_EQ(g().playerList, c.expected);
    }
}

TEST_F(PlayerListTest, NamesEqualWithoutCaseAreListedOnceAlsoWithUmlauts)
{
    t.write("Optionen/LetzterNutzer.txt", "[Namen]\r\nNamen=\xe4rger\r\n");
    t.write(QString::fromUtf8("Optionen/Options-Ärger.txt"), "");
    t.write(QString::fromUtf8("Optionen/Options-Özil.txt"), "");
    t.write(QString::fromUtf8("Optionen/options-özil.txt"), "");
    t.write(QString::fromUtf8("Optionen/Options-Özilia.txt"), "");
    LoadPlayerList();
    EXPECT_EQ(g().playerList,
              (QStringList{QString::fromUtf8("ärger"), "Anna", "Standard", QString::fromUtf8("Özil"), QString::fromUtf8("Özilia")}));
}

TEST_F(PlayerListTest, MissingOptionsFolderGivesLastPlayerOnly)
{
    g().config.dirs.optionen = t.path("nicht-da/");
    LoadPlayerList();
    EXPECT_EQ(g().playerList, QStringList{"Standard"});
}

TEST_F(PlayerListTest, WriteLastPlayerAndMakeCurrent)
{
    LoadPlayerList();
    MakeCurrentPlayer("standard");
    EXPECT_EQ(g().playerList, (QStringList{"Standard", "Anna"}));
    WriteLastPlayer();
    EXPECT_EQ(IniFile::load(lastPlayerFilePath()).readString("Namen", "Namen"), "Standard");
    LoadPlayerList();
    EXPECT_EQ(g().currentPlayer(), "Standard");
}

TEST_F(PlayerListTest, TwoLaunchesAddTheNameOnce)
{
    LoadPlayerList();
    EXPECT_TRUE(launch());
    EXPECT_TRUE(launch());
    EXPECT_EQ(lockBytes(), QByteArray("Anna\r\n"));
}

TEST_F(PlayerListTest, LowerCaseLineDoesNotBlock)
{
    t.write("Optionen/lock.txt", "anna\r\n");
    LoadPlayerList();
    EXPECT_TRUE(launch());
    EXPECT_EQ(lockBytes(), QByteArray("anna\r\nAnna\r\n"));
}

TEST_F(PlayerListTest, SwitchingPlayersReleasesTheFirst)
{
    LoadPlayerList();
    ASSERT_TRUE(launch());
    SelectPlayer("Standard");
    EXPECT_EQ(g().currentPlayer(), "Standard");
    EXPECT_FALSE(holdsPlayerLock());
    EXPECT_EQ(lockBytes(), QByteArray());
    ASSERT_TRUE(launch());
    EXPECT_EQ(lockBytes(), QByteArray("Standard\r\n"));

    // The same through the combo's confirmation.
    EXPECT_EQ(ConfirmPlayerCombo("anna"), "Anna");
    EXPECT_EQ(g().currentPlayer(), "Anna");
    EXPECT_EQ(lockBytes(), QByteArray());
}

TEST_F(PlayerListTest, SelectingReadsTheGeneralOptions)
{
    LoadPlayerList();
    SelectPlayer("Standard");
    EXPECT_FALSE(g().playerOptions.nameChoice);
    SelectPlayer("Anna");
    EXPECT_TRUE(g().playerOptions.nameChoice);
}

TEST_F(PlayerListTest, NewNameWithOk)
{
    LoadPlayerList();
    ASSERT_TRUE(launch());
    dialogs::ScriptedDialogs d;
    d.answer(Button::Ok);
    EXPECT_EQ(ConfirmPlayerCombo("Carla"), "Carla");
    ASSERT_EQ(d.asked().size(), 1);
    EXPECT_EQ(d.asked()[0].text, "Es werden die Einstellungen, die zuletzt benutzt wurden (Anna), übernommen!");
    EXPECT_EQ(d.asked()[0].buttons, (QList<Button>{Button::Ok, Button::Cancel, Button::Help}));
    EXPECT_EQ(g().playerList, (QStringList{"Carla", "Anna", "Standard"}));
    EXPECT_EQ(t.read("Optionen/Options-Carla.txt"), kAnnaOptions);
    EXPECT_EQ(lockBytes(), QByteArray());  // Anna's lock went with the change
    EXPECT_FALSE(holdsPlayerLock());
}

namespace {
// Another workstation makes "Carla" while the question is open here.
class OtherWorkstationDialogs : public dialogs::ScriptedDialogs
{
public:
    std::function<void()> meanwhile;
    Button message(QWidget* parent, dialogs::Icon icon, const QString& title, const QString& text,
                   const QList<Button>& buttons) override
    {
        if (meanwhile)
            std::exchange(meanwhile, {})();
        return ScriptedDialogs::message(parent, icon, title, text, buttons);
    }
};
} // namespace

TEST_F(PlayerListTest, NewNameMadeMeanwhileOnAnotherWorkstationIsNotReplaced)
{
    LoadPlayerList();
    OtherWorkstationDialogs d;
    d.meanwhile = [this] { t.write("Optionen/Options-Carla.txt", "[Allgemeine Optionen]\r\nSchriftgröße=9\r\n"); };
    d.answer(Button::Ok);
    EXPECT_EQ(ConfirmPlayerCombo("Carla"), "Anna");
    EXPECT_EQ(t.read("Optionen/Options-Carla.txt"), QByteArray("[Allgemeine Optionen]\r\nSchriftgröße=9\r\n"));
    EXPECT_EQ(d.texts().last(), "Der Spielername existiert schon.");
    EXPECT_EQ(g().playerList, (QStringList{"Anna", "Standard"}));
}

TEST_F(PlayerListTest, NewNameHelpShowsItsPageAndAsksAgain)
{
    LoadPlayerList();
    dialogs::ScriptedDialogs d;
    QList<int> topics;
    dialogs::setHelpHandler([&](QWidget*, int topic) { topics << topic; });
    d.answer(Button::Help);
    d.answer(Button::Cancel);
    EXPECT_EQ(ConfirmPlayerCombo("Carla"), "Anna");
    dialogs::setHelpHandler({});
    EXPECT_EQ(topics, QList<int>{100});
    EXPECT_EQ(d.asked().size(), 2);
    EXPECT_FALSE(fsys::fileExists(t.path("Optionen/Options-Carla.txt")));
}

TEST_F(PlayerListTest, NewNameWithCancel)
{
    LoadPlayerList();
    dialogs::ScriptedDialogs d;
    d.answer(Button::Cancel);
    EXPECT_EQ(ConfirmPlayerCombo("Carla"), "Anna");
    EXPECT_EQ(g().playerList, (QStringList{"Anna", "Standard"}));
    EXPECT_FALSE(exists("Optionen/Options-Carla.txt"));
}

// A player whose options file cannot be written is not created; the message names the file as
// the system writes paths.
TEST_F(PlayerListTest, NewNameWhoseOptionsCannotBeWrittenIsNotListed)
{
    LoadPlayerList();
    dialogs::ScriptedDialogs d;
    d.answer(Button::Ok);
    {
        fsys::testing::Faults full;
        full.diskSpace = 0;
        fsys::testing::InjectFaults faults(full);
        EXPECT_EQ(ConfirmPlayerCombo("Tom"), "Anna");
    }
    EXPECT_EQ(g().playerList, (QStringList{"Anna", "Standard"}));
    EXPECT_FALSE(exists("Optionen/Options-Tom.txt"));
    const QString file = g().config.dirs.optionen + "Options-Tom.txt";
    EXPECT_FALSE(file.contains('\\'));
    EXPECT_EQ(d.texts().last(), "Die Ini-Datei: " + file + " konnte nicht erstellt werden.");
}

TEST_F(PlayerListTest, NewNameRefusedWithoutQuestion)
{
    LoadPlayerList();
    t.write("Optionen/Options-Dora.txt", "x");  // a file but not in the list
    for (const char* name : {"Dora", "a/b", "..\\x", "_Ben", "~Anna", "wer?"}) {
        SCOPED_TRACE(name);
        dialogs::ScriptedDialogs d;
        EXPECT_FALSE(CreatePlayerFromCurrent(name));
        EXPECT_TRUE(d.asked().isEmpty());
    }
    EXPECT_EQ(g().playerList, (QStringList{"Anna", "Standard"}));
    EXPECT_EQ(t.read("Optionen/Options-Dora.txt"), QByteArray("x"));
}

TEST_F(PlayerListTest, BlankComboMeansStandard)
{
    LoadPlayerList();
    EXPECT_EQ(ConfirmPlayerCombo(" "), "Standard");
    EXPECT_EQ(g().currentPlayer(), "Standard");
}

TEST_F(PlayerListTest, DeletionRefusals)
{
    struct Case {
        const char* lock;
        const char* name;
        const char* message;
    } cases[] = {
        {"Ben\r\n", "Anna", "Es können keine Nutzer gelöscht werden!"},
        {"", "Standard", "Der Standard-Nutzer kann nicht gelöscht werden."},
        {"", "standard", "Der Standard-Nutzer kann nicht gelöscht werden."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        t.write("Optionen/lock.txt", c.lock);
        LoadPlayerList();
        dialogs::ScriptedDialogs d;
        d.answer(Button::Yes);
        EXPECT_FALSE(DeleteCurrentPlayer(c.name));
        EXPECT_EQ(d.texts(), QStringList{c.message});
        EXPECT_EQ(g().playerList, (QStringList{"Anna", "Standard"}));
        EXPECT_TRUE(exists("Optionen/Options-Anna.txt"));
    }
}

TEST_F(PlayerListTest, DeletionAskedAndDone)
{
    g().config.dirs.protokoll = t.mkdir("Protokoll");
    t.write("Protokoll/Anna-Verlauf.csv", "anna");
    t.write("Protokoll/Standard-Verlauf.csv", "standard");
    LoadPlayerList();
    {
        dialogs::ScriptedDialogs d;
        d.answer(Button::No);
        EXPECT_FALSE(DeleteCurrentPlayer("Anna"));
        EXPECT_EQ(d.texts(), QStringList{"ANNA - Soll der Eintrag wirklich gelöscht werden?"});
        EXPECT_TRUE(exists("Optionen/Options-Anna.txt"));
    }
    {
        dialogs::ScriptedDialogs d;
        d.answer(Button::Yes);
        EXPECT_FALSE(DeleteCurrentPlayer("Zoe"));
        EXPECT_EQ(d.texts().last(), "Eintrag konnte nicht gelöscht werden!");
    }
    dialogs::ScriptedDialogs d;
    d.answer(Button::Yes);
    EXPECT_TRUE(DeleteCurrentPlayer("Anna"));
    EXPECT_EQ(g().playerList, QStringList{"Standard"});
    EXPECT_FALSE(exists("Optionen/Options-Anna.txt"));
    EXPECT_FALSE(exists("Protokoll/Anna-Verlauf.csv"));  // goes with the options file
    EXPECT_EQ(t.read("Protokoll/Standard-Verlauf.csv"), "standard");
    EXPECT_EQ(IniFile::load(lastPlayerFilePath()).readString("Namen", "Namen"), "Standard");
    LoadPlayerList();
    EXPECT_EQ(g().playerList, QStringList{"Standard"});
}
