#pragma once
#include <QHash>
#include <QString>
#include <QStringList>

// Directories named by their key in section "Pfade"; each ends with "/".
struct Directories {
    QString hilfe, optionen, protokoll, spielerbilder, listen, material, materialBilder,
        materialSammelBilder, materialSound, intern, font, bilderurkunde, internBilder, internRueckseite,
        hintergrundbilder, lobAnimation, internsound, anleitungsound, lobSound, fehlersound, endeSound,
        knopf, schalterknopf, temp;
};

// One per-program section: "Titel", "Listenpfad" and its other keys, already joined to their
// folders (pictures to `INTERNBILDER`, sounds to `Internsound`).
struct ProgramSection {
    QString titel;
    QString listenpfad;
    QHash<QString, QString> values;  // lower-case key -> value
    QString value(const QString& key) const { return values.value(key.toLower()); }
};

// Everything read from the main configuration file; read-only after start-up.
struct MainConfig {
    QString installationDirectory;  // with trailing "/"
    QString programBaseName;
    QString mainConfigurationFile;
    QString helpFile;
    QString lastPlayerFile;
    QString manualFile;
    Directories dirs;

    int bildschirmfaktor = 13;
    QString tonMeldung, tonReihenfolgefalsch, tonKartenfalsch;

    QString startbild1, startbild2;
    qint32 gesamtHGFarbe = 8095912, hgFarbe = 8095912, uProgfarbe = 8095912;
    QString schaltersound, uSchaltersound;

    // One line per button: caption;window;top picture;bottom picture. Programs of a group follow
    // their group button and begin with two blanks.
    QStringList menuLines;

    QString symbolHoeren, symbolWeiter, symbolPruefen, symbolStart, symbolNeuesSpiel, symbolAllehoeren,
        symbolTonBild;

    QHash<QString, ProgramSection> programSections;  // lower-case section name -> values
    QStringList endSounds;                            // full paths of EndeSound/*.wav
    QStringList infoLines;                            // "key=value", in file order

    const ProgramSection& programSection(const QString& name) const;
};

// The folder that stands for the system's common documents folder (per machine, writable by all).
QString commonDocumentsFolder();
