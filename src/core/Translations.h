#pragma once
#include <QString>
#include <memory>

class QTranslator;

// Qt's own texts (file, print and message dialogs) in German, whatever the system's language.
namespace translations {

// Makes German the default locale of Qt's widgets and loads Qt's German catalogue ("qtbase_de" from the translations folder of the Qt installation,
// Debian package qt6-translations-l10n) and installs it in the application; the translator stays
// installed while the returned object lives. Null when the catalogue is not installed.
std::unique_ptr<QTranslator> installGermanQtTexts();

// Before the application is made: Qt's widgets that show dates in the system's format (the file
// dialog's list) show German dates. Leaves an explicit LC_ALL alone.
void preferGermanDates();

// The folder that holds Qt's catalogues.
QString qtTranslationsFolder();

}
