#pragma once
#include <QString>
#include <QStringList>

// The installation check for the adult who keeps the lists: every task list below the list folder
// is loaded with the program's own loader, and every picture and sound it names is looked up as
// the exercises look it up. Reads only; needs the main configuration read (without data folders).
namespace listcheck {

struct Finding {
    QString list;     // path below the installation, with "/"
    int task = 0;     // 1-based; 0 for the list itself
    enum class Kind { Picture, Sound, ListUnreadable } kind = Kind::Picture;
    QString name;     // the name as the list writes it
};

struct Report {
    int lists = 0;
    int pictures = 0;  // names looked up
    int sounds = 0;
    QList<Finding> findings;
};

Report CheckInstallation();

// "Liste "…", Aufgabe 3: Bild "…" nicht gefunden" and the summary line, in German.
QString describe(const Finding& finding);
QString summary(const Report& report);

}
