#pragma once
#include "core/Records.h"

#include <QString>
#include <QStringList>

// The current player's options, one record for the general options and one per program.
// Filled by the options file module (data/PlayerOptions); the comments name the file keys.
// The values of the main configuration file's program sections (title, pictures, sounds) are not
// copied here: they stay in g().config.programSections.

// Feedback keys shared by most program sections.
struct TOptFeedback {
    bool successSound = true;      // "Erfolgssound"
    QStringList successSoundText;  // "ErfolgssoundText"
    qint32 successSource = 1;      // "ErfolgAkustisch": 0 fixed list, 1 task's sounds, 2 random LobSound
    qint32 successFrequency = 3;   // "Erfolgauftreten"
    bool errorSound = true;        // "Fehlersound"
    QStringList errorSoundText;    // "FehlersoundText"
    qint32 errorSource = 1;        // "FehlerAkustisch"
    bool operator==(const TOptFeedback&) const = default;
};

// 101 and 102 ("Programm: Merkfähigkeit-Bild" / "-Text").
struct TOpt_Merkfaehigkeit {
    bool orderCounts = false;         // "Reihenfolge"
    QString file;                     // "Datei"
    qint32 pictureCount = 12;         // "Bilderanzahl"
    qint32 rememberCount = 12;        // "Merkanzahl"
    bool checkAtOnce = true;          // "Checksofort"
    bool solveAfterHearing = true;    // "LoesenNachHören" (written only)
    qint32 time = 0;                  // "Zeit"
    bool successPicture = true;       // "Erfolgsbild"
    bool successSound = true;         // "Erfolgssound"
    qint32 successVisual = 0;         // "ErfolgVisuell"
    qint32 successSource = 0;         // "ErfolgAkustisch"
    bool randomOrder = true;          // "Reihenfolge zufällig"
    QStringList successSoundText;     // "ErfolgssoundText"
    bool text = false;                // "Text": the text variant (written only)
    bool pictureOnCard = true;        // "Bild auf Karte"
    bool cardTransparent = true;      // "Karte transparent"
    bool frameOn = true;              // "Rahmen ein"
    qint32 frameWidth = 4;            // "Rahmenbreite"
    qint32 frameColour = 255;         // "Rahmenfarbe"
    bool mark = true;                 // "markieren"
    qint32 invisible = 2;             // "unsichtbar"
    bool backgroundPicture = false;   // "HGBildsichtbar"
    bool sortedAlphabetically = true; // "alphabetisch sortiert"
    qint32 successFrequency = 3;      // "Erfolgauftreten"
    bool withoutMovement = false;     // inverse of "AniMove"
    bool operator==(const TOpt_Merkfaehigkeit&) const = default;
};

// 201 to 204 (the word series).
struct TOpt_Wortreihe {
    qint32 wordCount = 12;               // "Begriffsanzahl" (203, 204: "Bilderanzahl")
    bool randomOrder = false;            // "Reihenfolge zufällig"
    qint32 headingVisible = 2;           // "Überschrift sichtbar" (202, 204)
    qint32 visibleBeforeHearing = 0;     // "sichtbar vor Hören" (203, 204)
    qint32 visibleWhileHearing = 0;      // "sichtbar beim Hören" (203, 204)
    QString file;                        // "Datei"
    qint32 pictureCount = 12;            // "Bilderanzahl"
    qint32 time = 0;                     // "Zeit"
    qint32 load = 0;                     // "Last"
    qint32 visibleAfterHearing = 0;      // "sichtbar nach Hören"
    qint32 visibleAfterSolving = 1;      // "sichtbar nach Lösen" (written only)
    bool checkAtOnce = false;            // "Sofort prüfen"
    bool backgroundPicture = false;      // "HGBildsichtbar"
    TOptFeedback feedback;
    bool operator==(const TOpt_Wortreihe&) const = default;
};

// 301.
struct TOpt_GleichNichtgleich {
    QString file;                   // "Datei"
    qint32 load = 0;                // "Last" (read only)
    qint32 text = 2;                // "Text": 0 picture, 1 text, 2 both
    qint32 time = 0;                // "Zeit"
    bool backgroundPicture = false; // "HGBildsichtbar"
    bool randomOrder = true;        // "Reihenfolge zufällig"
    bool cardBackVisible = true;    // "Rückseite sichtbar"
    TOptFeedback feedback;
    bool showMarks = true;          // "Markierung zeigen"
    bool operator==(const TOpt_GleichNichtgleich&) const = default;
};

// 302.
struct TOpt_RichtigOderFalsch {
    QString file;                     // "Datei"
    qint32 load = 0;                  // "Last" (read only)
    bool text = false;                // "Text"
    qint32 time = 0;                  // "Zeit"
    bool randomOrder = true;          // "Reihenfolge zufällig"
    bool backgroundPicture = false;   // "HGBildsichtbar"
    qint32 successSource = 0;         // "ErfolgAkustisch"
    QStringList successSoundSpeech;   // "ErfolgssoundSprache"
    QStringList successSoundTone;     // "ErfolgssoundTon"
    qint32 successFrequency = 3;      // "Erfolgauftreten"
    bool operator==(const TOpt_RichtigOderFalsch&) const = default;
};

// 303.
struct TOpt_WelcherLautPasst {
    QString file;                   // "Datei"
    qint32 load = 0;                // "Last" (read only)
    bool text = false;              // "Text"
    qint32 time = 0;                // "Zeit"
    bool animation = true;          // "Animation"
    bool backgroundPicture = false; // "HGBildsichtbar"
    bool cardBackVisible = true;    // "Rückseite sichtbar"
    bool randomOrder = true;        // "Reihenfolge zufällig" (written only; the run-wide flag)
    TOptFeedback feedback;
    bool operator==(const TOpt_WelcherLautPasst&) const = default;
};

// 304.
struct TOpt_LangOderKurz {
    QString file;                    // "Datei"
    qint32 time = 0;                 // "Zeit"
    bool text = false;               // "Text"
    bool picture = false;            // "Bild"
    bool animation = false;          // "Animation"
    bool backgroundPicture = false;  // "HGBildsichtbar"
    qint32 afterSolution = 1;        // "nachLösung"
    qint32 pictureView = 2;          // "Bilderansicht"
    bool atOnce = false;             // "sofort"
    TOptFeedback feedback;
    bool randomOrder = true;         // "Reihenfolge zufällig"
    bool cardBackVisible = true;     // "Rückseite sichtbar"
    bool marksWithSolution = true;   // "Markierung bei LSG zeigen"
    bool showMarks = true;           // "Markierung zeigen"
    bool successPicture = true;      // "Erfolgsbild"
    bool textAlways = true;          // "Text immer"
    bool operator==(const TOpt_LangOderKurz&) const = default;
};

// 305 (Memory) and 407 (Laut-/Silbenmemory).
struct TOpt_Memory {
    QString file;                   // "Datei"
    qint32 time = 0;                // "Zeit"
    qint32 textPicture = 2;         // "TextBild"
    qint32 pictureCount = 6;        // "Bilderanzahl"
    bool backgroundPicture = false; // "Hintergrundbild"
    qint32 visible = 0;             // "sichtbar"
    qint32 onSuccess = 0;           // "bei Erfolg"
    qint32 pictureChoice = 0;       // "Bilderauswahl"
    qint32 playerCount = 1;         // "Spieleranzahl" (written only)
    qint32 computer = -1;           // "Computer"
    qint32 instructionVisible = 1;  // "Anleitung sichtbar"
    bool instructionAudible = true; // "Anleitung hörbar" (written only)
    bool cardBackVisible = true;    // "Rückseite sichtbar"
    bool operator==(const TOpt_Memory&) const = default;
};

// 401.
struct TOpt_LautPos {
    QString file;                    // "Datei"
    bool backgroundPicture = false;  // "Hintergrundbild"
    bool solutionWithPicture = false;// "Lösung mit Bild"
    bool atOnce = false;             // "sofort"
    qint32 successFrequency = 3;     // "Erfolgauftreten"
    qint32 successSource = 1;        // "ErfolgAkustisch" (always 1 after reading)
    bool successSound = true;        // "Erfolgssound"
    QStringList successSoundText;    // "ErfolgssoundText"
    qint32 errorSource = 1;          // "FehlerAkustisch"
    QStringList errorSoundText;      // "FehlersoundText"
    qint32 visualHelp = 0;           // "visuelle Hilfe" (written only)
    bool randomOrder = true;         // "Reihenfolge zufällig" (written only; the run-wide flag)
    bool headingVisible = true;      // "Überschrift sichtbar" (written only)
    bool headingAudible = true;      // "Überschrift hörbar" (written only)
    bool errorSound = false;         // "Fehlersound" (always false)
    bool operator==(const TOpt_LautPos&) const = default;
};

// 402.
struct TOpt_LautSuche {
    QString file;                    // "Datei"
    bool backgroundPicture = false;  // "Hintergrundbild"
    bool atOnce = false;             // "sofort"
    qint32 visualHelp = 2;           // "visuelle Hilfe"
    bool soundsLeft = true;          // "Laute links"
    qint32 headingVisible = 2;       // "Überschrift sichtbar"
    bool headingAudible = true;      // "Überschrift hörbar" (written only)
    bool randomOrder = true;         // "Reihenfolge zufällig" (written only; the run-wide flag)
    TOptFeedback feedback{.successSource = 2};
    bool mouthPicture = true;        // "Mundbild"
    bool soundButton = true;         // "Lautknopf"
    qint32 soundCount = 5;           // "LautAnzahl"
    bool transition = true;          // "Übergang"
    bool operator==(const TOpt_LautSuche&) const = default;
};

// 403 (Laute hinzufügen), 404 (Laute weglassen), 405 (Laute ersetzen).
struct TOpt_LautAdd {
    QString file;                    // "Datei"
    bool backgroundPicture = false;  // "Hintergrundbild"
    bool atOnce = false;             // "sofort"
    qint32 visualHelp = 2;           // "visuelle Hilfe"
    bool withPicture = true;         // "mit Bild" (403, 405)
    bool withText = true;            // "mit Text" (403, 405)
    bool textOnSuccess = true;       // "TextbeiErfolg" (403, 405)
    qint32 soundCount = 5;           // "LautAnzahl" (404: 4)
    qint32 mode = 2;                 // "Modus", 0..2 (403, 405)
    qint32 headingVisible = 2;       // "Überschrift sichtbar"
    bool headingAudible = true;      // "Überschrift hörbar" (written only)
    bool randomOrder = true;         // "Reihenfolge zufällig" (403, 405: the run-wide flag)
    bool showMarks = true;           // "Markierung zeigen" (405)
    TOptFeedback feedback{.successSource = 2};
    bool mouthPicture = true;        // "Mundbild" (403, 405)
    bool soundButton = true;         // "Lautknopf" (403, 405)
    bool operator==(const TOpt_LautAdd&) const = default;
};

// 406.
struct TOpt_Silbenanzahl {
    qint32 time = 0;                   // "Zeit"
    QString file;                      // "Datei"
    bool backgroundPicture = false;    // "Hintergrundbild"
    bool atOnce = false;               // "sofort"
    bool helpButtonVisible = true;     // "Hilfeknopf sichtbar"
    qint32 visualHelp = 2;             // "visuelle Hilfe"
    qint32 syllableDisplay = 2;        // "Silbendarstellung"
    bool cardBackVisible = true;       // "Rückseite sichtbar"
    TOptFeedback feedback;
    bool cardsVisibleOnSuccess = true; // "Karten sichtbar bei Erfolg"
    bool randomOrder = true;           // "Reihenfolge zufällig" (written only; the run-wide flag)
    bool syllablesOnSuccess = true;    // "Silben bei Erfolg" (always true)
    bool operator==(const TOpt_Silbenanzahl&) const = default;
};

// 408.
struct TOpt_PaarSuche {
    QString file;                      // "Datei"
    qint32 pictureCount = 12;          // "Bilderanzahl"
    bool backgroundPicture = false;    // "Hintergrundbild"
    qint32 instructionVisible = 1;     // "Anleitung sichtbar"
    bool instructionAudible = true;    // "Anleitung hörbar" (written only)
    qint32 visible = 0;                // "sichtbar"
    qint32 onSuccess = 0;              // "bei Erfolg"
    qint32 pictureChoice = 0;          // "Bilderauswahl"
    qint32 textPicture = 1;            // "TextBild"
    TOptFeedback feedback;
    qint32 time = 0;                   // "Zeit"
    bool cardsVisibleOnSuccess = true; // "Karten sichtbar bei Erfolg"
    bool operator==(const TOpt_PaarSuche&) const = default;
};

// The `player options`. Section "Allgemeine Optionen" (program code 0) and "EREIGNIS".
struct TOpt_allg {
    TLayout layout;                          // reserved; not read from the file
    TAkustikereignisliste acousticEvents;    // section "EREIGNIS"
    qint32 programCode = 0;                  // the program being run
    bool nameChoice = true;                  // "Namenauswahl"
    bool backgroundCovered = true;           // "Hintergrund abgedeckt"
    bool startWithLastExercise = false;      // "mit letzter Übung starten" (false after reading)
    TFont generalFont{QStringLiteral("Arial"), 12, 0}; // "Schriftname", "Schriftgröße", "Schriftfarbe"
    bool nameInProtocol = true;              // "Name ins Protokoll übernehmen"
    quint8 feedbackPraise = 0;               // "Rückmeldung Lob"
    qint32 feedbackPraiseOn = 1;             // "Rückmeldung LobEin"
    quint8 feedbackError = 0;                // "Rückmeldung Fehler"
    bool withArticle = true;                 // "mit Artikel"
    QString reserved1, reserved2;
    bool protocolDisplay = false;            // "Protokollanzeige"
    bool switchSound = true;                 // "Schaltergeräusch"
    bool endPraise = true;                   // "EndeLob"
    bool capitalsOnly = false;               // "NurGrossbst"

    TOpt_Merkfaehigkeit merkfaehigkeit;      // 101, 102
    TOpt_Wortreihe wortreihe;                // 201 - 204
    TOpt_GleichNichtgleich gleichNichtgleich;// 301
    TOpt_RichtigOderFalsch richtigOderFalsch;// 302
    TOpt_WelcherLautPasst welcherLautPasst;  // 303
    TOpt_LangOderKurz langOderKurz;          // 304
    TOpt_Memory lautSilbenMemory;            // 407
    TOpt_Memory memory;                      // 305
    TOpt_LautPos lautPos;                    // 401
    TOpt_LautSuche lautSuche;                // 402
    TOpt_LautAdd lautReplace;                // 405
    TOpt_LautAdd lautAdd;                    // 403
    TOpt_LautAdd lautWeg{.soundCount = 4};   // 404
    TOpt_Silbenanzahl silbenanzahl;          // 406
    TOpt_PaarSuche paarSuche;                // 408
    bool operator==(const TOpt_allg&) const = default;
};
