#pragma once
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Font of a task list or of the general options: face, size in points, colour (Windows layout).
struct TFont {
    QString name = QStringLiteral("Arial");
    int size = 72;
    qint32 colour = 0;
    bool operator==(const TFont&) const = default;
};

// Layout of a task list or of one element.
struct TLayout {
    qint32 backgroundColour = 0;        // "Hintergrundfarbe"
    QString backgroundPicture;          // "Hintergrundbild"
    qint32 pictureBackgroundColour = 0; // "Bilderhintergrundfarbe"
    qint32 buttonColour = 0;            // "Knopffarbe"
    qint32 pictureSize = 0;             // "Bildgröße", percent
    qint32 reserved1 = 0, reserved2 = 0, reserved3 = 0, reserved4 = 0;
    QString reservedText;
    std::optional<TFont> font;          // "Schriftname", "Schriftgröße", "Schriftfarbe"
    QString animation;                  // "Animation"
    QString cardBack;                   // "Rueckseite"
    QString heading;                    // "Überschrift"
    QString headingSound;               // "Überschriftsound"
    qint32 letterMarkColour = 0;        // "BstMarkFarbe"
    qint32 pairColour = 0;              // "BstPaarFarbe"
    QString instructionPicture;         // "BildAnleitung"
    bool operator==(const TLayout&) const = default;
};

// One element (card) of a task.
struct TEinzelbild {
    QString picture;
    QString text;
    QString sounds;  // one or more names separated by ";"
    QString extra;
    TLayout layout;
    bool operator==(const TEinzelbild&) const = default;
};
using TEinzelbilder = std::vector<TEinzelbild>;

// One task; elements[0] stays empty, elements 1..n hold the task's elements.
struct TAufgabe {
    QStringList successSounds;
    TEinzelbild headElement;
    TEinzelbilder elements;
    bool operator==(const TAufgabe&) const = default;
};

struct TAnleitung {
    QString text1;
    QString text2;
    qint32 number = 0;
    bool operator==(const TAnleitung&) const = default;
};

// A whole task list.
struct TDaten {
    TLayout layout;
    qint32 reserved = 0;
    TAnleitung instruction;
    QString reservedText;
    std::vector<TAufgabe> tasks;
    bool operator==(const TDaten&) const = default;
};

// A named sound event.
struct TAkustikereignis {
    QString name;
    QString sound;
    bool active = false;
    bool operator==(const TAkustikereignis&) const = default;
};
using TAkustikereignisliste = std::vector<TAkustikereignis>;
