#include "OptionsFixture.h"
#include "options/O_komplett.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace {

class AllOptions : public OptionsFixture
{
protected:
    void SetUp() override
    {
        OptionsFixture::SetUp();
        ReadPlayerOptions("Anna", 0);  // the main window has read the player's general options
        before = annaFile();
    }
    std::unique_ptr<TF_O_komplett> open()
    {
        auto d = std::make_unique<TF_O_komplett>();
        d->show();
        QApplication::processEvents();
        return d;
    }
    QTreeWidgetItem* node(TF_O_komplett& d, const QString& caption)
    {
        const auto found = d.TV_optionen->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }
    void click(TF_O_komplett& d, const QString& caption)
    {
        QTreeWidgetItem* item = node(d, caption);
        ASSERT_NE(item, nullptr) << caption.toStdString();
        const QRect r = d.TV_optionen->visualItemRect(item);
        QTest::mouseClick(d.TV_optionen->viewport(), Qt::LeftButton, {}, r.center());
        QApplication::processEvents();
    }
    QByteArray before;
};

} // namespace

TEST_F(AllOptions, OpensOnGeneralPageWithBackup)
{
    auto d = open();
    EXPECT_EQ(d->pageNumber(), 0);
    ASSERT_NE(d->shownPage(), nullptr);
    EXPECT_EQ(d->shownPage()->objectName(), "TF_O_allgemein");
    EXPECT_FALSE(d->shownPage()->P_unten->isVisible());  // embedded: the dialog has the buttons
    EXPECT_EQ(d->L_ueberschrift->text(), " 0. Allgemeine Optionen für Anna");
    EXPECT_EQ(d->L_ueberschrift->font().pixelSize(), 22);
    EXPECT_TRUE(d->L_ueberschrift->font().bold());
    EXPECT_TRUE(d->TV_optionen->hasFocus() || !d->isActiveWindow());
    EXPECT_EQ(t.read("Optionen/~Options-Anna.txt"), before);
    EXPECT_FALSE(d->BB_standard->isVisible());
    for (int i = 1; i < d->TV_optionen->topLevelItemCount(); ++i)
        EXPECT_TRUE(d->TV_optionen->topLevelItem(i)->isExpanded()) << i;
    EXPECT_EQ(d->TV_optionen->topLevelItemCount(), 5);
}

// The tree: page numbers, headings and program codes, and a group standing for its first child.
TEST_F(AllOptions, NodesShowTheirPages)
{
    struct Case {
        const char* node;
        int number;
        int code;
        const char* page;
        const char* heading;
    };
    const Case cases[] = {
        {"2. Wortreihen", 20, 201, "TF_O_Doppelgaenger", " 2.1. Optionen 'Doppelgänger - Bild' für Anna"},
        {"1. Merkfähigkeit", 10, 101, "TF_O_Merkfaehigkeit", " 1.1. Optionen 'Merkfähigkeit - Bild' für Anna"},
        {"3. Differenzierung", 30, 301, "TF_O_GleichNichtGleich", " 3.1. Optionen 'Gleich oder nicht gleich' für Anna"},
        {"4. Laut-/Silben-Analyse", 40, 401, "TF_O_LautPos", " 4.1. Optionen 'Laute positionieren' für Anna"},
        {"2. Merkfähigkeit - Text", 11, 102, "TF_O_Merkfaehigkeit", " 1.2. Optionen 'Merkfähigkeit - Text' für Anna"},
        {"4. Einer passt nicht - Text", 23, 204, "TF_O_EinerPasstNicht", " 2.4. Optionen 'Einer passt nicht - Text' für Anna"},
        {"5. Memory", 34, 305, "TF_O_memory", " 3.5. Optionen 'Memory' für Anna"},
        {"7. Laut-/Silbenmemory", 46, 407, "TF_O_memory", " 4.7. Optionen 'Laut-/Silbenmemory' für Anna"},
        {"8. Paare suchen", 47, 408, "TF_O_PaarSuche", " 4.8. Optionen 'Paare suchen' für Anna"},
        {"0. Allgemein", 0, 0, "TF_O_allgemein", " 0. Allgemeine Optionen für Anna"},
    };
    auto d = open();
    for (const Case& c : cases) {
        click(*d, c.node);
        EXPECT_EQ(d->pageNumber(), c.number) << c.node;
        ASSERT_NE(d->shownPage(), nullptr) << c.node;
        EXPECT_EQ(d->shownPage()->programCode(), c.code) << c.node;
        EXPECT_EQ(d->shownPage()->objectName(), c.page) << c.node;
        EXPECT_TRUE(d->shownPage()->isVisible()) << c.node;
        EXPECT_EQ(d->L_ueberschrift->text(), c.heading) << c.node;
        EXPECT_EQ(g().programCode, c.code) << c.node;
        EXPECT_EQ(TF_O_komplett::pageNumberOf(d->TV_optionen->currentItem()), c.number) << c.node;
    }
    // Every page number of the tree has its heading and program code.
    for (int n : {0, 10, 11, 20, 21, 22, 23, 30, 31, 32, 33, 34, 40, 41, 42, 43, 44, 45, 46, 47}) {
        EXPECT_FALSE(TF_O_komplett::headingFor(n).isEmpty()) << n;
        EXPECT_GE(TF_O_komplett::programCodeFor(n), 0) << n;
        EXPECT_NE(d->page(n), nullptr) << n;
    }
    EXPECT_EQ(TF_O_komplett::programCodeFor(35), -1);
    EXPECT_EQ(TF_O_komplett::programCodeFor(12), -1);
    d->reject();
}

// Walking every page and pressing OK without a change leaves the file byte for byte.
TEST_F(AllOptions, EveryPageUnchangedKeepsTheFile)
{
    auto d = open();
    for (int n : {0, 10, 11, 20, 21, 22, 23, 30, 31, 32, 33, 34, 40, 41, 42, 43, 44, 45, 46, 47}) {
        d->selectPage(n);
        ASSERT_EQ(d->pageNumber(), n);
        EXPECT_EQ(annaFile(), before) << "after leaving the page before " << n;
    }
    d->BB_ok->click();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(annaFile(), before);
    EXPECT_FALSE(exists("Optionen/~Options-Anna.txt"));
}

// Leaving a page writes it; cancel puts back the file as it was and removes the backup.
TEST_F(AllOptions, CancelRestoresTheFileExactly)
{
    const TOpt_allg memory = g().playerOptions;
    auto d = open();
    press(button(d->shownPage(), "mit Artikel"));
    click(*d, "1. Laute positionieren");
    EXPECT_EQ(fileValue("Allgemeine Optionen", "mit Artikel"), "0");  // written on leaving the page
    press(button(d->shownPage(), "wie in Datei"));
    press(button(d->shownPage(), "Bild", "Lösungswahl:"));
    click(*d, "3. Welcher Laut passt?");
    EXPECT_EQ(fileValue("Programm: Laut positionieren", "Lösung mit Bild"), "1");
    EXPECT_FALSE(*runRandomOrderFlag(401));
    EXPECT_NE(annaFile(), before);
    d->BB_abbrechen->click();
    EXPECT_EQ(d->result(), QDialog::Rejected);
    EXPECT_EQ(annaFile(), before);
    EXPECT_FALSE(exists("Optionen/~Options-Anna.txt"));
    EXPECT_TRUE(*runRandomOrderFlag(401));
    EXPECT_TRUE(g().playerOptions.withArticle);
    EXPECT_TRUE(g().playerOptions == memory);
    EXPECT_EQ(g().programCode, 0);
}

// OK writes the page that is shown, though it was never left.
TEST_F(AllOptions, OkWritesTheShownPage)
{
    auto d = open();
    click(*d, "6. Silbenanzahl");
    press(button(d->shownPage(), "durch Bindestrich (-) getrennt"));
    press(button(d->shownPage(), "unterschiedlich farbig"));
    d->BB_ok->click();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(fileValue("Programm: Silbenanzahl", "Silbendarstellung"), "1");
    EXPECT_EQ(g().playerOptions.silbenanzahl.syllableDisplay, 1);
    EXPECT_FALSE(exists("Optionen/~Options-Anna.txt"));
    // Only that section's changed line differs from the file before.
    const QStringList was = win1252::decode(before).split("\r\n"), now = win1252::decode(annaFile()).split("\r\n");
    ASSERT_EQ(was.size(), now.size());
    QStringList changed;
    for (int i = 0; i < was.size(); ++i)
        if (was[i] != now[i])
            changed << now[i];
    EXPECT_EQ(changed, QStringList{"Silbendarstellung=1"});
}

// The same program's record read again when its node is shown again: the page shows the file.
TEST_F(AllOptions, ReturningToAPageShowsWhatWasWritten)
{
    auto d = open();
    click(*d, "5. Memory");
    press(button(d->shownPage(), "24 Karten"));
    click(*d, "7. Laut-/Silbenmemory");
    EXPECT_TRUE(button(d->shownPage(), "6")->isChecked());  // its own record, not Memory's
    click(*d, "5. Memory");
    EXPECT_TRUE(button(d->shownPage(), "24 Karten")->isChecked());
    d->BB_ok->click();
    EXPECT_EQ(fileValue("Programm: Memory", "Bilderanzahl"), "24");
    EXPECT_EQ(fileValue("Programm: Laut-/Silbenmemory", "Bilderanzahl"), "6");
}

// Keys of the tree: the cursor moves through the pages; Escape cancels.
TEST_F(AllOptions, Keys)
{
    auto d = open();
    d->activateWindow();
    d->TV_optionen->setFocus();
    QTest::keyClick(d->TV_optionen, Qt::Key_Down);  // "1. Merkfähigkeit": its first child
    EXPECT_EQ(d->pageNumber(), 10);
    QTest::keyClick(d->TV_optionen, Qt::Key_Down);
    EXPECT_EQ(d->pageNumber(), 11);
    QTest::keyClick(d->TV_optionen, Qt::Key_End);
    EXPECT_EQ(d->pageNumber(), 47);
    press(button(d->shownPage(), "8"));
    QTest::keyClick(d.get(), Qt::Key_Escape);
    EXPECT_EQ(d->result(), QDialog::Rejected);
    EXPECT_EQ(annaFile(), before);
}

// The hidden "Standard" button: the template over the player's file, the page reloaded.
TEST_F(AllOptions, StandardCopiesTheTemplate)
{
    auto d = open();
    click(*d, "4. Lang oder kurz?");
    press(button(d->shownPage(), "Erfolg", "visuelle Rückmeldung bei ..."));
    click(*d, "3. Welcher Laut passt?");
    click(*d, "4. Lang oder kurz?");
    EXPECT_FALSE(button(d->shownPage(), "Erfolg", "visuelle Rückmeldung bei ...")->isChecked());
    d->BB_standard->click();
    EXPECT_EQ(annaFile(), demoTemplate());
    EXPECT_TRUE(button(d->shownPage(), "Erfolg", "visuelle Rückmeldung bei ...")->isChecked());
    d->BB_ok->click();
    EXPECT_EQ(annaFile(), demoTemplate());
}

// A file that cannot be read is never written over; a full disk keeps the file whole. The user is
// told, and cancel still puts everything back.
TEST_F(AllOptions, FileFaultsKeepTheFile)
{
    dialogs::ScriptedDialogs dlg;
    {
        fsys::testing::InjectFaults faults({-1, {t.path("Optionen/Options-Anna.txt")}});
        auto d = open();
        press(button(d->shownPage(), "mit Artikel"));
        d->BB_ok->click();
        EXPECT_EQ(d->result(), QDialog::Accepted);
    }
    EXPECT_EQ(annaFile(), before);
    EXPECT_FALSE(exists("Optionen/~Options-Anna.txt"));
    ASSERT_FALSE(dlg.texts().isEmpty());
    EXPECT_TRUE(dlg.texts().last().contains("kann nicht gelesen werden")) << dlg.texts().join("|").toStdString();

    dlg.clear();
    auto d = open();
    {
        fsys::testing::InjectFaults full({0, {}});
        press(button(d->shownPage(), "nur Großbuchstaben"));
        click(*d, "2. Laute suchen");
    }
    EXPECT_EQ(dlg.texts(), QStringList{"Die Ini-Datei: " + t.path("Optionen/Options-Anna.txt") + " konnte nicht erstellt werden."});
    EXPECT_EQ(annaFile(), before);
    press(button(d->shownPage(), "Mundbild"));
    click(*d, "3. Laute hinzufügen");
    EXPECT_NE(annaFile(), before);
    d->BB_abbrechen->click();
    EXPECT_EQ(annaFile(), before);
    EXPECT_FALSE(exists("Optionen/~Options-Anna.txt"));
}

// The launcher's entry: one page alone.
TEST_F(AllOptions, ShowOptionPageOpensOneProgram)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* page = qobject_cast<TF_O_alle*>(QApplication::activeModalWidget());
        ASSERT_NE(page, nullptr);
        seen = true;
        EXPECT_EQ(page->programCode(), 405);
        EXPECT_EQ(page->windowTitle(), " 4.5. Optionen für 'Laute ersetzen' für Anna");
        press(button(page, "Textmarkierung aus Editor anzeigen"));
        page->BB_ok->click();
    });
    EXPECT_TRUE(options::ShowOptionPage(nullptr, 405));
    EXPECT_TRUE(seen);
    EXPECT_EQ(g().programCode, 405);
    EXPECT_EQ(fileValue("Programm: Laute ersetzen", "Markierung zeigen"), "0");
    EXPECT_FALSE(g().playerOptions.lautReplace.showMarks);
}
