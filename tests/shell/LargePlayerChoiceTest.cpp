#include "core/GlobalState.h"
#include "core/Installation.h"
#include "data/PlayerList.h"
#include "shell/Namenwahl.h"
#include "support/LargeInstallation.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QListWidget>
#include <QScrollBar>
#include <algorithm>
#include <gtest/gtest.h>

// The player choice of a school's installation: 1,000 players, every third with a picture.
namespace {
class LargePlayerChoiceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        tree = new TempTree;
        largeinstallation::Shape shape;
        shape.players = 1000;
        shape.protocols = 0;
        shape.demoParts = {"INTERN/Kalimo.txt", "Optionen", "Spielerbilder"};
        made = new largeinstallation::Installation(
            largeinstallation::make(sourceDir() + "demo", tree->path("kalimo"), shape));
    }
    static void TearDownTestSuite()
    {
        delete made;
        delete tree;
    }
    void SetUp() override
    {
        ASSERT_FALSE(made->root.isEmpty());
        resetToInstallation(made->root);
        installation::ReadMainConfiguration();
        LoadPlayerList();
    }
    static QImage image(const QIcon& icon) { return icon.pixmap(60, 60).toImage().convertToFormat(QImage::Format_ARGB32); }
    static QImage image(const QPixmap& pm) { return pm.toImage().convertToFormat(QImage::Format_ARGB32); }

    static inline TempTree* tree = nullptr;
    static inline largeinstallation::Installation* made = nullptr;
};
} // namespace

TEST_F(LargePlayerChoiceTest, ListsEveryPlayerInTheSystemsOrderAndSelectsTheLastPlayer)
{
    ASSERT_EQ(g().playerList.size(), 1000);
    ASSERT_EQ(g().currentPlayer(), made->lastPlayer);

    TFormnamenwahl dlg;
    dlg.show();
    QApplication::processEvents();

    // Sorted by name without case, "Neuer Name" among them.
    QStringList expected = made->players;
    expected << "Neuer Name";
    std::sort(expected.begin(), expected.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    const QStringList shown = dlg.captions();
    ASSERT_EQ(shown.size(), 1001);
    const auto differs = std::mismatch(shown.begin(), shown.end(), expected.begin()).first;
    EXPECT_TRUE(differs == shown.end()) << "entry " << (differs - shown.begin()) << " is \""
                                        << differs->toStdString() << "\", the order has \""
                                        << expected[differs - shown.begin()].toStdString() << '"';
    // The same order written out where a case-sensitive or byte order would differ.
    EXPECT_EQ(shown.first(), "Anna");
    EXPECT_EQ(shown[1], "Anna 001");
    EXPECT_EQ(shown.indexOf("ben 001"), shown.indexOf("Ben") + 1);
    EXPECT_EQ(shown.indexOf("Neuer Name"), shown.indexOf("mia 033") + 1);
    EXPECT_EQ(shown.indexOf("Noah 001"), shown.indexOf("Neuer Name") + 1);
    EXPECT_LT(shown.indexOf("zoe 033"), shown.indexOf(QString::fromUtf8("Äneas 001")));
    EXPECT_EQ(shown.last(), QString::fromUtf8("ümit 033"));

    // The last player is selected, current and scrolled into view, halfway down the list.
    QListWidgetItem* current = dlg.LV_namen->currentItem();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->text(), made->lastPlayer);
    ASSERT_EQ(dlg.LV_namen->selectedItems().size(), 1);
    EXPECT_EQ(dlg.LV_namen->selectedItems().first(), current);
    EXPECT_TRUE(dlg.LV_namen->viewport()->rect().contains(dlg.LV_namen->visualItemRect(current)));
    EXPECT_GT(dlg.LV_namen->verticalScrollBar()->value(), 0);
}

TEST_F(LargePlayerChoiceTest, EntriesShowTheirPlayersPictureOrTheFrame)
{
    TFormnamenwahl dlg;
    const QImage anna = image(playerdialogs::playerIcon("Anna"));
    const QImage ben = image(playerdialogs::playerIcon("Ben"));
    const QImage frame = image(playerdialogs::playerIcon("kein Bild"));
    ASSERT_NE(anna, frame);
    ASSERT_NE(ben, frame);
    // The generator gives every third player a copy of the demo's pictures by turns, one later on
    // each round through the first names.
    const struct {
        const char* entry;
        const QImage& picture;
    } cases[] = {
        {"Anna 001", anna},  {"David 001", ben},   {"Greta 001", anna},   {"Noah 003", ben},
        {"ümit 033", anna},  {"ben 001", frame},   {"Noah 001", frame},   {"Neuer Name", frame},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        QListWidgetItem* item = QString::fromUtf8(c.entry) == "Neuer Name" ? dlg.newNameItem()
                                                                            : dlg.itemFor(QString::fromUtf8(c.entry));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(image(item->icon()), c.picture);
    }
}
