#pragma once
#include "results/Ergebnisse.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QWidget;

// The printed protocol and the certificate. Pages are drawn in device pixels of a 600 dpi printer
// (the resolution the margins and gaps were laid out for); fonts are given in points.

// The publisher's contact line of every printed page (product data).
QString PublisherContactLine();
// A date on a printed page as a German short date ("11.12.2026"), whatever the system's language.
QString PrintedDate(const QDate& date);
// The six praise sentences of the certificate, in their fixed order.
const QStringList& PraiseWords();

// Prints the lines as one job: with a title, line 0 is the title and line 1 the program line,
// without one line 0 is the program line; the rest is the body, paged with a footer. An empty list
// prints nothing. False when the device could not be painted on (the job failed).
bool PrintProtocolLines(QPagedPaintDevice& device, const QStringList& lines, bool withTitle);
// The footer of a protocol page: the contact line in a frame with its top at `y`, the page number below.
void PrintPageFooter(QPainter& canvas, int left, int y, int page, int right);
// Two nested frames of cubic curves bowed inward, drawn with the painter's pen.
void DrawOrnamentFrame(QPainter& canvas, int left, int right, int inset, int bow, int sideBow, int bottom, int top);

// Everything one certificate shows. The random parts (praise word, colouring picture) are chosen
// once, so the preview and the printed page are the same page.
struct TUrkunde {
    QString playerName;
    QString programText;       // the "P " line without its code, e.g. "4.2. Laut-/Silbensuche "
    int taskCount = 0;
    TimeParts workingTime;
    int programCode = 0;
    QDate date;
    QString praise;
    bool pictureFolder = false;  // the `Bilderurkunde` folder exists: the colouring space is printed
    QString picture;             // a playable metafile of that folder; empty when none
};

// The achievement line, e.g. "12 Aufgaben in 5 Minuten und 3 Sekunden mit Erfolg gelöst!".
QString AchievementLine(int programCode, int taskCount, const TimeParts& t);
// A random playable metafile (".wmf" or ".emf") of `folder`, not looking into sub-folders; a file
// that cannot be played is passed over. Empty when there is none.
QString ChooseColouringPicture(const QString& folder);
// Fills a certificate: today's date, a random praise word, a random picture of the `Bilderurkunde`
// folder. `workingDays` is run end time - run start time in days.
TUrkunde MakeCertificate(const QString& playerName, const QString& programText, int taskCount,
                         double workingDays, int programCode);
// Prints the certificate page as one job; false when the device could not be painted on.
bool PrintCertificate(QPagedPaintDevice& device, const TUrkunde& urkunde);

// The print steps of the windows: the printer dialog (through the dialogs seam) and, after it, a
// preview and the job. The printer is set to 600 dpi.
namespace printjob {
enum class Outcome { Cancelled, Printed, Failed };
// Shows the printer dialog; false when it was cancelled.
bool ChoosePrinter(QWidget* parent, QPrinter& printer);
// Shows the preview of the pages `render` draws (titled with the printer's document name); on
// "Drucken" calls `beforePrint` and prints onto the same printer. A failed job is told to the user
// ("Das Drucken ist fehlgeschlagen.").
Outcome PreviewAndPrint(QWidget* parent, QPrinter& printer, const std::function<bool(QPagedPaintDevice&)>& render,
                        const std::function<void()>& beforePrint = {});
// The message of a failed job.
QString FailureText();
} // namespace printjob
