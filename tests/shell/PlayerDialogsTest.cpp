#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "data/PlayerList.h"
#include "data/PlayerLock.h"
#include "shell/Namenwahl.h"
#include "shell/lock.h"
#include "shell/u_neuername.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using dialogs::Button;

namespace {
const QByteArray kStandardOptions = "[Allgemeine Optionen]\r\nNamenauswahl=1\r\n";
const QByteArray kAnnaOptions = "[Allgemeine Optionen]\r\nSchriftname=Anna\r\n";

class PlayerDialogsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(t.root());
        g().config.dirs.optionen = t.mkdir("Optionen");
        g().config.dirs.spielerbilder = t.mkdir("Spielerbilder");
        setHoldsPlayerLock(false);
        t.write("Optionen/Options-Standard.txt", kStandardOptions);
        t.write("Optionen/Options-Anna.txt", kAnnaOptions);
        t.write("Optionen/Options-Ben.txt", kStandardOptions);
        t.write("Optionen/LetzterNutzer.txt", "[Namen]\r\nNamen=Ben\r\n");
        LoadPlayerList();  // Ben, Anna, Standard
        playerdialogs::setBeepHandler([this] { ++beeps; });
    }
    void TearDown() override { playerdialogs::setBeepHandler({}); }
    bool exists(const QString& rel) const { return fsys::fileExists(t.path(rel)); }

    // Types into the "Neuer Name" editor and ends the edit with `endKey`.
    static void typeNewName(TFormnamenwahl& dlg, const QString& keys, Qt::Key endKey = Qt::Key_Return)
    {
        // Closed editors go with the next deferred deletion; only the new one may be found.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        dlg.startEditing();
        auto* edit = dlg.LV_namen->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        ASSERT_TRUE(dlg.editingNewName());
        QTest::keyClicks(edit, keys);
        QTest::keyClick(edit, endKey);
        QApplication::processEvents();
        QApplication::processEvents();
    }

    TempTree t;
    int beeps = 0;
};
} // namespace

TEST_F(PlayerDialogsTest, OpensWithNewNameAndPlayersSortedCurrentSelected)
{
    TFormnamenwahl dlg;
    EXPECT_EQ(dlg.captions(), (QStringList{"Anna", "Ben", "Neuer Name", "Standard"}));
    ASSERT_NE(dlg.LV_namen->currentItem(), nullptr);
    EXPECT_EQ(dlg.LV_namen->currentItem()->text(), "Ben");
    EXPECT_EQ(dlg.LV_namen->iconSize(), QSize(60, 60));
    EXPECT_EQ(dlg.LV_namen->toolTip(), "Die Zeichen sind im Namen nicht erlaubt :  \n\\/:*?\"<>|!");
}

TEST_F(PlayerDialogsTest, PicturesAreFittedAndFallBackToTheFrame)
{
    QImage tall(20, 40, QImage::Format_RGB32);
    tall.fill(Qt::red);
    ASSERT_TRUE(tall.save(t.path("Spielerbilder/anna.bmp"), "BMP"));  // case differs from the name
    QImage frame(10, 10, QImage::Format_RGB32);
    frame.fill(Qt::blue);
    ASSERT_TRUE(frame.save(t.path("Spielerbilder/Bilderrahmen.JPG"), "JPG"));

    const QImage anna = playerdialogs::playerIcon("Anna").toImage();
    ASSERT_EQ(anna.size(), QSize(60, 60));
    EXPECT_EQ(QColor(anna.pixel(30, 30)), QColor(Qt::red));
    EXPECT_EQ(qAlpha(anna.pixel(5, 30)), 0);  // 30 x 60, centred: the sides stay empty
    const QImage ben = playerdialogs::playerIcon("Ben").toImage();
    const QColor mid(ben.pixel(30, 30));
    EXPECT_LT(mid.red(), 40);
    EXPECT_GT(mid.blue(), 200);
}

TEST_F(PlayerDialogsTest, ClickOnPlayerChoosesIt)
{
    TFormnamenwahl dlg;
    dlg.show();
    QListWidgetItem* anna = dlg.itemFor("Anna");
    ASSERT_NE(anna, nullptr);
    QTest::mouseClick(dlg.LV_namen->viewport(), Qt::LeftButton, {},
                      dlg.LV_namen->visualItemRect(anna).center());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(g().playerList, (QStringList{"Anna", "Ben", "Standard"}));
}

TEST_F(PlayerDialogsTest, EscapeCancelsEnterChooses)
{
    QTimer::singleShot(0, [] {
        QTest::keyClick(QApplication::activeModalWidget()->findChild<QListWidget*>(), Qt::Key_Escape);
    });
    EXPECT_EQ(TFormnamenwahl::ChoosePlayer(), TFormnamenwahl::Result::Cancelled);
    EXPECT_EQ(g().currentPlayer(), "Ben");

    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<TFormnamenwahl*>(QApplication::activeModalWidget());
        dlg->LV_namen->setCurrentItem(dlg->itemFor("Standard"));
        QTest::keyClick(dlg->LV_namen, Qt::Key_Return);
    });
    EXPECT_EQ(TFormnamenwahl::ChoosePlayer(), TFormnamenwahl::Result::Chosen);
    EXPECT_EQ(g().currentPlayer(), "Standard");
}

TEST_F(PlayerDialogsTest, EscapeWhileEditingOnlyEndsTheEdit)
{
    TFormnamenwahl dlg;
    dlg.show();
    int asked = 0;
    dlg.askNewPlayer = [&](const QString&) -> std::optional<QString> { ++asked; return QString("Standard"); };
    typeNewName(dlg, "Zoe", Qt::Key_Escape);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(dlg.editingNewName());
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(dlg.newNameItem()->text(), "Neuer Name");
    EXPECT_FALSE(exists("Optionen/Options-Zoe.txt"));
}

TEST_F(PlayerDialogsTest, NewNameWhoseOptionsCannotBeWrittenIsNotListed)
{
    TFormnamenwahl dlg;
    dlg.show();
    dlg.askNewPlayer = [&](const QString&) -> std::optional<QString> { return QString("Anna"); };
    dialogs::ScriptedDialogs d;
    {
        fsys::testing::Faults full;
        full.diskSpace = 0;
        fsys::testing::InjectFaults faults(full);
        typeNewName(dlg, "Tom");
    }
    EXPECT_EQ(dlg.itemFor("Tom"), nullptr);
    EXPECT_FALSE(g().playerList.contains("Tom"));
    EXPECT_FALSE(exists("Optionen/Options-Tom.txt"));
    EXPECT_EQ(d.texts(), QStringList{"Die Ini-Datei: " + t.path("Optionen/Options-Tom.txt") + " konnte nicht erstellt werden."});
}

TEST_F(PlayerDialogsTest, SeveralNewNamesKeepTheSelection)
{
    TFormnamenwahl dlg;
    dlg.show();
    dlg.ChB_mehrere->setChecked(true);
    QStringList askedFor;
    dlg.askNewPlayer = [&](const QString& name) -> std::optional<QString> {
        askedFor << name;
        return QString("Anna");
    };
    for (const char* name : {"Carla", "Dora", "Emil"})
        typeNewName(dlg, name);
    EXPECT_EQ(askedFor, (QStringList{"Carla", "Dora", "Emil"}));
    for (const char* name : {"Carla", "Dora", "Emil"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(t.read(QString("Optionen/Options-%1.txt").arg(name)), kAnnaOptions);
        EXPECT_NE(dlg.itemFor(name), nullptr);
    }
    // The selection stays on "Neuer Name", ready for the next name.
    EXPECT_EQ(dlg.LV_namen->currentItem(), dlg.newNameItem());
    EXPECT_EQ(dlg.newNameItem()->text(), "Neuer Name");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::keyClick(dlg.LV_namen, Qt::Key_Return);
    EXPECT_TRUE(dlg.editingNewName());
    QTest::keyClick(dlg.LV_namen->findChild<QLineEdit*>(), Qt::Key_Escape);
    EXPECT_EQ(g().playerList, (QStringList{"Ben", "Anna", "Standard", "Carla", "Dora", "Emil"}));

    // Without the box the new entry is selected.
    dlg.ChB_mehrere->setChecked(false);
    typeNewName(dlg, "Fritz");
    EXPECT_EQ(dlg.LV_namen->currentItem()->text(), "Fritz");
    EXPECT_EQ(beeps, 0);
}

TEST_F(PlayerDialogsTest, ForbiddenCharactersAreRefusedWithABeep)
{
    TFormnamenwahl dlg;
    dlg.show();
    QStringList askedFor;
    dlg.askNewPlayer = [&](const QString& name) -> std::optional<QString> {
        askedFor << name;
        return QString("Standard");
    };
    typeNewName(dlg, "Da/vi:d|");
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(askedFor, QStringList{"David"});
    EXPECT_TRUE(exists("Optionen/Options-David.txt"));
}

TEST_F(PlayerDialogsTest, ExistingNameInAnotherCaseIsRefused)
{
    TFormnamenwahl dlg;
    dlg.show();
    int asked = 0;
    dlg.askNewPlayer = [&](const QString&) -> std::optional<QString> { ++asked; return QString("Standard"); };
    dialogs::ScriptedDialogs d;
    typeNewName(dlg, "anna");
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(d.texts(), QStringList{"Der Spielername existiert schon."});
    EXPECT_EQ(g().playerList, (QStringList{"Ben", "Anna", "Standard"}));
    EXPECT_EQ(dlg.newNameItem()->text(), "Neuer Name");
}

// Another workstation makes "Tom" after this choice was opened, once before the name is typed and
// once while the question is open: either way its options file stays and "Tom" is listed as the
// existing player it is.
TEST_F(PlayerDialogsTest, PlayerMadeOnAnotherWorkstationIsNeverReplaced)
{
    const QByteArray toms = "[Allgemeine Optionen]\r\nSchriftname=Tom\r\n";
    for (bool whileAsking : {false, true}) {
        SCOPED_TRACE(whileAsking);
        QFile::remove(t.path("Optionen/Options-Tom.txt"));
        LoadPlayerList();
        TFormnamenwahl dlg;
        dlg.show();
        if (!whileAsking)
            t.write("Optionen/Options-Tom.txt", toms);
        int asked = 0;
        dlg.askNewPlayer = [&](const QString&) -> std::optional<QString> {
            ++asked;
            if (whileAsking)
                t.write("Optionen/Options-Tom.txt", toms);
            return QString("Anna");
        };
        dialogs::ScriptedDialogs d;
        beeps = 0;
        typeNewName(dlg, "Tom");
        EXPECT_EQ(asked, whileAsking ? 1 : 0);
        EXPECT_EQ(t.read("Optionen/Options-Tom.txt"), toms);
        EXPECT_EQ(d.texts(), QStringList{"Der Spielername existiert schon."});
        EXPECT_EQ(beeps, 1);
        EXPECT_NE(dlg.itemFor("Tom"), nullptr);
        EXPECT_EQ(g().playerList.count("Tom"), 1);
    }
}

TEST_F(PlayerDialogsTest, CancelledQuestionCreatesNothing)
{
    TFormnamenwahl dlg;
    dlg.show();
    dlg.askNewPlayer = [](const QString&) -> std::optional<QString> { return std::nullopt; };
    typeNewName(dlg, "Zoe");
    EXPECT_FALSE(exists("Optionen/Options-Zoe.txt"));
    EXPECT_EQ(dlg.itemFor("Zoe"), nullptr);
    EXPECT_EQ(g().playerList.size(), 3);
}

TEST_F(PlayerDialogsTest, DeleteRenamesTheOptionsFile)
{
    t.write("Optionen/_Options-Anna.txt", "old");  // an earlier deletion
    // The run history goes the options file's way; another player's stays.
    g().config.dirs.protokoll = t.mkdir("Protokoll");
    t.write("Protokoll/Anna-Verlauf.csv", "anna");
    t.write("Protokoll/Ben-Verlauf.csv", "ben");
    TFormnamenwahl dlg;
    dlg.show();
    dlg.LV_namen->setCurrentItem(dlg.itemFor("Anna"));
    dialogs::ScriptedDialogs d;
    d.answer(Button::Yes);
    QTest::keyClick(dlg.LV_namen, Qt::Key_Delete);
    EXPECT_EQ(d.texts(), QStringList{"Soll der Spieler Anna wirklich gelöscht werden?"});
    EXPECT_FALSE(exists("Optionen/Options-Anna.txt"));
    EXPECT_EQ(t.read("Optionen/_Options-Anna.txt"), kAnnaOptions);
    EXPECT_FALSE(exists("Protokoll/Anna-Verlauf.csv"));
    EXPECT_EQ(t.read("Protokoll/_Anna-Verlauf.csv"), "anna");
    EXPECT_EQ(t.read("Protokoll/Ben-Verlauf.csv"), "ben");
    EXPECT_EQ(dlg.captions(), (QStringList{"Ben", "Neuer Name", "Standard"}));
    EXPECT_EQ(dlg.LV_namen->currentRow(), 0);
    EXPECT_EQ(g().playerList, (QStringList{"Ben", "Standard"}));
    LoadPlayerList();
    EXPECT_EQ(g().playerList, (QStringList{"Ben", "Standard"}));
}

TEST_F(PlayerDialogsTest, DeleteRefusals)
{
    struct Case {
        const char* lock;
        const char* entry;
        const char* message;
    } cases[] = {
        {"Zoe\r\n", "Anna", "Es können keine Nutzer gelöscht werden!"},
        {"", "Neuer Name", "Löschen nicht möglich!"},
        {"", "Standard", "Der Spieler STANDARD kann nicht gelöscht werden!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        t.write("Optionen/lock.txt", c.lock);
        TFormnamenwahl dlg;
        dlg.show();
        dlg.LV_namen->setCurrentItem(QString(c.entry) == "Neuer Name" ? dlg.newNameItem() : dlg.itemFor(c.entry));
        dialogs::ScriptedDialogs d;
        d.answer(Button::Yes);
        QTest::keyClick(dlg.LV_namen, Qt::Key_Delete);
        EXPECT_EQ(d.texts(), QStringList{c.message});
        EXPECT_EQ(dlg.LV_namen->count(), 4);
        EXPECT_TRUE(exists("Optionen/Options-Anna.txt"));
    }
}

TEST_F(PlayerDialogsTest, NewPlayerQuestion)
{
    TFormneuername dlg("Carla");
    EXPECT_EQ(dlg.windowTitle(), "NEUER SPIELER ANGELEGT");
    EXPECT_EQ(dlg.referencePlayer(), "Standard");
    EXPECT_EQ(dlg.question().simplified(),
              "Soll der Spieler CARLA mit Einstellungen von STANDARD hinzugefügt werden?");
    EXPECT_EQ(dlg.CB_spieler->count(), 3);

    dlg.show();
    const int shortHeight = dlg.height();
    EXPECT_FALSE(dlg.referenceShown());
    dlg.B_nein->click();
    QApplication::processEvents();
    EXPECT_TRUE(dlg.referenceShown());
    EXPECT_GT(dlg.height(), shortHeight);
    dlg.CB_spieler->setCurrentText("Anna");
    EXPECT_TRUE(dlg.question().contains("mit Einstellungen von ANNA hinzugefügt werden?"));
    dlg.CB_spieler->hidePopup();
    EXPECT_TRUE(dlg.B_ja->hasFocus() || !dlg.isActiveWindow());
}

TEST_F(PlayerDialogsTest, QuestionSplitsWhenTooLong)
{
    const QFontMetrics fm(QApplication::font());
    const QString one = TFormneuername::questionText("Al", "Standard", fm, 10000);
    EXPECT_EQ(one, " Soll der Spieler AL mit Einstellungen von STANDARD hinzugefügt werden?");
    const QString two = TFormneuername::questionText("Al", "Standard", fm, 100);
    EXPECT_EQ(two, " Soll der Spieler AL\n mit Einstellungen von STANDARD hinzugefügt werden?");
}

TEST_F(PlayerDialogsTest, AskNewPlayerAnswers)
{
    struct Case {
        const char* button;
        std::optional<QString> expected;
    } cases[] = {{"&JA", QString("Standard")}, {"&ABBRECHEN", std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<TFormneuername*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            for (QPushButton* b : dlg->findChildren<QPushButton*>())
                if (b->text() == c.button)
                    b->click();
        });
        EXPECT_EQ(TFormneuername::AskNewPlayer("Carla"), c.expected);
    }
}

TEST_F(PlayerDialogsTest, LockNoticeReleasesAll)
{
    t.write("Optionen/lock.txt", "Anna\r\nBen\r\n");
    TFormLock dlg;
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "Einstellung doppelt ausgewählt!");
    EXPECT_FALSE(dlg.B_freigeben->isVisible());
    QTest::mouseClick(dlg.L_freigabe, Qt::LeftButton);
    EXPECT_TRUE(dlg.B_freigeben->isVisible());
    dialogs::ScriptedDialogs d;
    dlg.B_freigeben->click();
    EXPECT_FALSE(exists("Optionen/lock.txt"));
    EXPECT_EQ(d.texts(), QStringList{"Alle Einstellungen freigegeben!"});
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(PlayerDialogsTest, LockNoticeOkKeepsTheLocks)
{
    t.write("Optionen/lock.txt", "Anna\r\n");
    TFormLock dlg;
    dlg.show();
    dlg.B_ok->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(t.read("Optionen/lock.txt"), QByteArray("Anna\r\n"));
}
