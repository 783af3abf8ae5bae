#include "core/GlobalState.h"
#include "media/skin/AnimationErfolg.h"
#include "media/skin/Cursors.h"
#include "media/skin/FileChoice.h"
#include "support/TestSupport.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
QString bmp(const TempTree& tree, const QString& rel, QColor colour)
{
    // A coloured field on white: drawn transparently, the white (bottom-left) goes.
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (int y = 5; y < 25; ++y)
        for (int x = 5; x < 35; ++x)
            img.setPixelColor(x, y, colour);
    tree.mkdir(rel.left(rel.lastIndexOf('/') + 1));
    const QString path = tree.path(rel);
    img.save(path, "BMP");
    return path;
}
QStringList items(const QComboBox& box)
{
    QStringList l;
    for (int i = 0; i < box.count(); ++i)
        l << box.itemText(i);
    return l;
}
} // namespace

TEST(SkinFileChoice, ListsFilesAndSelectsTheExactName)
{
    TempTree tree;
    for (const char* name : {"b.txt", "A.txt", "c.TXT"})
        tree.write(QStringLiteral("Listen/") + name, "x");
    tree.mkdir("Listen/Unterordner/");
    tree.mkdir("Leer/");
    const struct {
        const char* folder;
        const char* current;
        QStringList entries;
        int index;
    } cases[] = {
        {"Listen/", "b.txt", {"A.txt", "b.txt", "c.TXT"}, 1},
        {"Listen/", "c.TXT", {"A.txt", "b.txt", "c.TXT"}, 2},
        {"Listen/", "B.TXT", {"A.txt", "b.txt", "c.TXT"}, 0},  // exact comparison
        {"Listen/", "", {"A.txt", "b.txt", "c.TXT"}, 0},
        {"Leer/", "a.txt", {}, -1},
        {"Fehlt/", "a.txt", {}, -1},
    };
    QComboBox box;
    box.addItem("alt");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.folder) + c.current);
        FillFileChoice(&box, tree.path(c.folder), QString::fromLatin1(c.current), 500, false);
        EXPECT_EQ(items(box), c.entries);
        EXPECT_EQ(box.currentIndex(), c.index);
        if (c.index < 0)
            EXPECT_TRUE(box.currentText().isEmpty());
    }
}

TEST(SkinFileChoice, DropDownLimitedToTheAvailableHeight)
{
    TempTree tree;
    for (int i = 0; i < 12; ++i)
        tree.write(QStringLiteral("L/%1.txt").arg(i, 2, 10, QLatin1Char('0')), "x");
    QComboBox box;
    box.setMaxVisibleItems(7);
    FillFileChoice(&box, tree.path("L/"), QString(), 1000, false);
    EXPECT_EQ(box.maxVisibleItems(), 7) << "without the limit nothing changes";
    FillFileChoice(&box, tree.path("L/"), QString(), 100000, true);
    EXPECT_EQ(box.maxVisibleItems(), 12) << "never more than the entries";
    const int itemHeight = box.view()->sizeHintForRow(0);
    ASSERT_GT(itemHeight, 0);
    FillFileChoice(&box, tree.path("L/"), QString(), itemHeight * 5 + itemHeight / 2, true);
    EXPECT_EQ(box.maxVisibleItems(), 5);
}

class SkinAnimationChooser : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        g().config.dirs.lobAnimation = tree.mkdir("INTERN/LobAnimation/");
        bmp(tree, "INTERN/LobAnimation/Stern/1.bmp", QColor(255, 0, 0));
        bmp(tree, "INTERN/LobAnimation/Stern/2.BMP", QColor(0, 0, 255));
        tree.write("INTERN/LobAnimation/Stern/liesmich.txt", "x");
        tree.write("INTERN/LobAnimation/Stern/ohne", "x");
        bmp(tree, "INTERN/LobAnimation/Ball/a.bmp", QColor(0, 255, 0));
        tree.mkdir("INTERN/LobAnimation/Leer/");
        tree.write("INTERN/LobAnimation/datei.bmp", "x");
    }
    static QStringList rows(const QListWidget* list)
    {
        QStringList l;
        for (int i = 0; i < list->count(); ++i)
            l << list->item(i)->text();
        return l;
    }
    static QRgb previewCentre(const TFormAnimationErfolg& d)
    {
        return d.L_vorschau->pixmap().toImage().pixel(TFormAnimationErfolg::kPreviewWidth / 2,
                                                      TFormAnimationErfolg::kPreviewHeight / 2) & 0xFFFFFF;
    }
    TempTree tree;
};

TEST_F(SkinAnimationChooser, ListsFoldersSelectsCurrentAndPlaysFrames)
{
    g().loadedList.layout.animation = "stern";
    TFormAnimationErfolg d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Animation bei Erfolg"));
    EXPECT_EQ(rows(d.LB_animationen), QStringList({"Ball", "Leer", "Stern"}));
    ASSERT_NE(d.LB_animationen->currentItem(), nullptr);
    EXPECT_EQ(d.LB_animationen->currentItem()->text(), "Stern") << "found without case";
    ASSERT_EQ(d.frames().size(), 2u) << "only picture files are frames";
    EXPECT_EQ(previewCentre(d), 0xFF0000u);

    d.B_starten->click();
    EXPECT_TRUE(d.frameTimer()->isActive());
    EXPECT_EQ(d.frameTimer()->interval(), 200);
    d.nextFrame();
    EXPECT_EQ(d.shownFrame(), 1);
    EXPECT_EQ(previewCentre(d), 0x0000FFu);
    d.nextFrame();
    EXPECT_FALSE(d.frameTimer()->isActive()) << "one pass through the frames";
    EXPECT_EQ(d.shownFrame(), 0);

    d.LB_animationen->setCurrentRow(1);  // "Leer": no preview, starten does nothing
    EXPECT_TRUE(d.frames().empty());
    EXPECT_TRUE(d.L_vorschau->pixmap().isNull());
    d.B_starten->click();
    EXPECT_FALSE(d.frameTimer()->isActive());
}

TEST_F(SkinAnimationChooser, OkTakesTheChoiceCancelLeavesIt)
{
    for (const bool ok : {true, false}) {
        g().loadedList.layout.animation = "Stern";
        TFormAnimationErfolg d;
        d.LB_animationen->setCurrentRow(0);
        (ok ? d.B_ok : d.B_abbrechen)->click();
        EXPECT_EQ(d.result(), ok ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(g().loadedList.layout.animation, ok ? "Ball" : "Stern");
        EXPECT_TRUE(d.frames().empty()) << "closing frees the frames";
    }
    g().loadedList.layout.animation = "Weg";
    TFormAnimationErfolg d;
    EXPECT_EQ(d.LB_animationen->currentItem(), nullptr);
    d.B_ok->click();
    EXPECT_EQ(g().loadedList.layout.animation, "Weg") << "nothing chosen, nothing changed";
}

TEST(SkinCursors, SixShapesUnderTheirNumbers)
{
    RegisterCursors();
    for (const int n : {22, 23, 18, 12, 24, 7}) {
        SCOPED_TRACE(n);
        const QCursor c = programCursor(n);
        ASSERT_EQ(c.shape(), Qt::BitmapCursor);
        const QImage img = c.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(img.size(), QSize(32, 32));
        int opaque = 0, darkPixels = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QRgb p = img.pixel(x, y);
                opaque += qAlpha(p) > 200;
                darkPixels += qAlpha(p) > 200 && qGray(p) < 100;
            }
        EXPECT_GT(opaque, 80) << "a visible shape";
        EXPECT_LT(opaque, 32 * 32 - 100) << "on a transparent ground";
        EXPECT_GT(darkPixels, 20) << "with an outline that shows on white";
        EXPECT_TRUE(QRect(0, 0, 32, 32).contains(c.hotSpot()));
    }
    // The hand cursors point with their hot spot at the finger tip, at opposite ends.
    EXPECT_LT(programCursor(crHandUp).hotSpot().y(), 4);
    EXPECT_GT(programCursor(crHandDown).hotSpot().y(), 27);
    EXPECT_EQ(programCursor(99).shape(), Qt::ArrowCursor);
}
