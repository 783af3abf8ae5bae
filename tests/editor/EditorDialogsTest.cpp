#include "core/Dialogs.h"
#include "core/GlobalState.h"
#include "editor/LayoutDialogs.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

// The picture size and font dialogs of the editor.
namespace {

TEST(PictureSizeDialog, TypedSizesAreClampedAndTextsThatAreNoNumberKeepTheSize)
{
    struct Case { QString typed; int size; };
    for (const Case& c : {Case{"150", 100}, Case{"0", 1}, Case{"-3", 1}, Case{"45%", 45}, Case{"abc", 70}}) {
        TFormbildgroesse d(nullptr, sourceDir() + QStringLiteral("demo/Material/Bilder/Banane.jpg"), 70);
        d.show();
        d.CB_groesse->lineEdit()->selectAll();
        QTest::keyClicks(d.CB_groesse->lineEdit(), c.typed);
        EXPECT_EQ(d.size(), c.size) << c.typed.toStdString();
    }
}

TEST(PictureSizeDialog, TheExampleTakesThePercentOfThePanel)
{
    TFormbildgroesse d(nullptr, sourceDir() + QStringLiteral("demo/Material/Bilder/Banane.jpg"), 100);
    d.show();
    QApplication::processEvents();
    d.takeText(QStringLiteral("50"));
    EXPECT_EQ(d.Bild->width(), qRound(d.P_beispiel->width() * 0.5));
    EXPECT_EQ(d.CB_groesse->currentText(), QStringLiteral("50"));
    EXPECT_FALSE(d.Bild->pixmap().isNull());
    EXPECT_EQ(d.CB_groesse->count(), 17);  // 100% .. 20%
}

TEST(FontDialog, AnUnknownFaceJoinsTheCatalogueWithItsSize)
{
    dialogs::ScriptedDialogs scripted;
    TFormschriftart d(nullptr, TFont{QStringLiteral("Courier New"), 13, 255});
    EXPECT_EQ(d.labels(), QStringList({"Arial", "Comic Sans", "Courier New", "Morwen Druckschrift"}));
    EXPECT_EQ(d.listedSizes(), QList<int>({8, 9, 10, 11, 12, 13, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72}));
    EXPECT_EQ(d.LB_groessen->currentItem()->text(), QStringLiteral(" 13"));
    EXPECT_EQ(d.E_schriftart->text(), QStringLiteral("Courier New"));
    EXPECT_EQ(d.E_schriftgrad->text(), QStringLiteral("13"));

    d.LB_schriften->setCurrentRow(d.labels().indexOf(QStringLiteral("Morwen Druckschrift")));
    EXPECT_EQ(d.font().name, QStringLiteral("Morwen  DN TTF"));
    EXPECT_EQ(d.E_schriftart->text(), QStringLiteral("Morwen Druckschrift"));
    d.LB_groessen->setCurrentRow(d.listedSizes().indexOf(36));
    EXPECT_EQ(d.font().size, 36);
    EXPECT_EQ(d.font().colour, 255);
    EXPECT_EQ(editor::FontLabel(QStringLiteral("Comic Sans MS")), QStringLiteral("Comic Sans"));
}

TEST(FontDialog, ATypedSizeIsListedAndANonNumberIsRefused)
{
    dialogs::ScriptedDialogs scripted;
    TFormschriftart d(nullptr, TFont{QStringLiteral("Arial"), 12, 0});
    d.E_schriftgrad->setText(QStringLiteral(" 15 "));
    d.sizeFieldLeft();
    EXPECT_TRUE(d.listedSizes().contains(15));
    EXPECT_EQ(d.font().size, 15);
    d.E_schriftgrad->setText(QStringLiteral("groß"));
    d.sizeFieldLeft();
    EXPECT_EQ(scripted.texts(), QStringList({"Die Schriftgröße muss eine Zahl sein"}));
    EXPECT_EQ(d.font().size, 15);
}

TEST(FontDialog, OtherFontsTakeTheSystemDialogsChoice)
{
    dialogs::ScriptedDialogs scripted;
    QFont chosen(QStringLiteral("Liberation Serif"));
    chosen.setPointSize(30);
    scripted.answerFont(chosen);
    TFormschriftart d(nullptr, TFont{QStringLiteral("Arial"), 12, 0});
    d.chooseOtherFont();
    EXPECT_EQ(d.result(), 1);
    EXPECT_EQ(d.font().name, QStringLiteral("Liberation Serif"));
    EXPECT_EQ(d.font().size, 30);
    EXPECT_EQ(editor::FontLabel(QStringLiteral("Liberation Serif")), QStringLiteral("Liberation Serif"));
}

} // namespace
