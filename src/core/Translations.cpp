#include "core/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace translations {

QString qtTranslationsFolder() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

void preferGermanDates()
{
    // Qt reads the date format of the "system" locale from the environment; its own locale data
    // serve even where the system has no German locale installed.
    if (qEnvironmentVariableIsEmpty("LC_ALL"))
        qputenv("LC_TIME", "de_DE.UTF-8");
}

std::unique_ptr<QTranslator> installGermanQtTexts()
{
    // Dates, month names and numbers that Qt's widgets show themselves (the file dialog's dates).
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto t = std::make_unique<QTranslator>();
    // By file name rather than by the system locale: every text the user sees is German.
    if (!t->load(QStringLiteral("qtbase_de"), qtTranslationsFolder()) || !QCoreApplication::installTranslator(t.get()))
        return nullptr;
    return t;
}

}
