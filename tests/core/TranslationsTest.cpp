#include "core/Translations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTranslator>
#include <gtest/gtest.h>

// Qt's own dialogs speak German even under an English system locale.
TEST(Translations, QtStandardDialogsAreGerman)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto translator = translations::installGermanQtTexts();
    ASSERT_TRUE(translator) << "qtbase_de.qm missing in " << translations::qtTranslationsFolder().toStdString()
                            << " (Debian package qt6-translations-l10n)";

    QFileDialog files(nullptr, QStringLiteral("Öffnen"));
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setAcceptMode(QFileDialog::AcceptSave);
    auto* box = files.findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    ASSERT_NE(box->button(QDialogButtonBox::Cancel), nullptr);
    EXPECT_EQ(box->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(box->button(QDialogButtonBox::Save)->text(), QStringLiteral("S&peichern"));
    EXPECT_EQ(QLocale().toString(QDate(2026, 12, 11), QStringLiteral("d. MMMM yyyy")), QStringLiteral("11. Dezember 2026"));

    // The question Qt asks before a save dialog replaces a file.
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?"),
              QStringLiteral("Die Datei %1 existiert bereits.\nSoll sie überschrieben werden?"));
    // For a person to look at (scripts/screenshots): the save and the print dialog.
    if (const QString shots = qEnvironmentVariable("KALIMO_SHOTS_DIR"); !shots.isEmpty()) {
        files.resize(900, 560);
        files.show();
        QApplication::processEvents();
        files.grab().save(shots + QStringLiteral("/qt-file-dialog-de.png"));
        QPrinter printer;
        QPrintDialog print(&printer);
        print.resize(700, 560);
        print.show();
        QApplication::processEvents();
        print.grab().save(shots + QStringLiteral("/qt-print-dialog-de.png"));
    }
    QMessageBox box2(QMessageBox::Question, QStringLiteral("x"), QStringLiteral("y"), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box2.button(QMessageBox::No)->text(), QStringLiteral("&Nein"));
    QLocale::setDefault(before);
}
