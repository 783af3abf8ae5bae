// The printed protocol and the certificate, read back from PDF files.
#include "PdfUtil.h"

#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "media/metafile/Metafile.h"
#include "results/Drucken.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <gtest/gtest.h>

namespace {

const QString kContact = QStringLiteral("** Das Kalimo-Projekt **");
const QString kMore = QStringLiteral("Fortsetzung auf nächster Seite ...");

class Printing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetRun();
        g().playerList = {QStringLiteral("Anna")};
        clock_::setFixedNow(QDateTime(QDate(2026, 12, 8), QTime(9, 5)));
    }
    void TearDown() override { clock_::setFixedNow(QDateTime()); }

    // Prints through a PDF printer; returns the pages' text.
    QStringList printLines(const QStringList& lines, bool withTitle, bool* ok = nullptr)
    {
        const QString pdf = tree.path(QStringLiteral("protokoll.pdf"));
        QFile::remove(pdf);
        QPrinter printer(QPrinter::HighResolution);
        pdfutil::toPdf(printer, pdf);
        const bool printed = PrintProtocolLines(printer, lines, withTitle);
        if (ok)
            *ok = printed;
        return QFile::exists(pdf) ? pdfutil::pages(pdf) : QStringList();
    }

    // Body lines that fit on the first page of a titled protocol, worked out from the page rules:
    // margins of 250, the title two 12-point heights, "Programm" one and "Nutzer" two line heights,
    // and a line is written while its top is at most 200 above the bottom margin.
    int firstPageCapacity()
    {
        QPrinter printer(QPrinter::HighResolution);
        pdfutil::toPdf(printer, tree.path(QStringLiteral("unused.pdf")));
        QFont title(QStringLiteral("Courier New"));
        title.setPointSize(12);
        title.setBold(true);
        QFont body(QStringLiteral("Courier New"));
        body.setPointSize(9);
        const int lh = QFontMetrics(body, &printer).height();
        const int top = 250 + 2 * QFontMetrics(title, &printer).height() + 3 * lh;
        const int last = printer.height() - 250 - 200;
        return (last - top) / lh + 1;
    }

    static QStringList numbered(int n)
    {
        QStringList out;
        for (int i = 1; i <= n; ++i)
            out << QStringLiteral("Aufgabe %1: Zeile").arg(i, 3, 10, QLatin1Char('0'));
        return out;
    }

    static QStringList numbersIn(const QString& text)
    {
        QStringList out;
        static const QRegularExpression re(QStringLiteral("Aufgabe (\\d{3}): Zeile"));
        for (auto it = re.globalMatch(text); it.hasNext();)
            out << it.next().captured(1);
        return out;
    }

    TempTree tree;
};

} // namespace

TEST_F(Printing, PageThatExactlyFillsAndOneLineMore)
{
    const int capacity = firstPageCapacity();
    ASSERT_GT(capacity, 40);
    const QStringList head = {QStringLiteral("KALIMO Leistungsprotokoll vom 08.12.2026 - 9.05 Uhr"),
                              QStringLiteral("4.2. Laut-/Silbensuche  - 08.12.2026")};
    struct Case {
        int bodyLines;
        int pages;
    } cases[] = {{capacity, 1}, {capacity + 1, 2}, {2 * capacity + 20, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bodyLines);
        const QStringList body = numbered(c.bodyLines);
        const QStringList pages = printLines(head + body, true);
        ASSERT_EQ(pages.size(), c.pages);
        QStringList all;
        for (int p = 0; p < pages.size(); ++p) {
            const QStringList lines = pdfutil::lines(pages[p]);
            ASSERT_GE(lines.size(), 3);
            // Every page has its footer; only a page followed by another says so.
            EXPECT_EQ(lines.at(lines.size() - 2), kContact);
            EXPECT_EQ(lines.last(), QStringLiteral("- Seite %1 -").arg(p + 1));
            EXPECT_EQ(pages[p].contains(kMore), p + 1 < pages.size());
            all += numbersIn(pages[p]);
        }
        // Every line once, in order, across the pages.
        QStringList expected;
        for (const QString& l : body)
            expected << l.mid(8, 3);
        EXPECT_EQ(all, expected);
        // The first page holds exactly `capacity` body lines when more follow.
        if (c.pages > 1)
            EXPECT_EQ(numbersIn(pages[0]).size(), capacity);
    }
}

TEST_F(Printing, HeaderWithAndWithoutTitle)
{
    struct Case {
        const char* name;
        QStringList lines;
        bool withTitle;
        QStringList expectedStart;
    } cases[] = {
        {"with title",
         {"KALIMO Leistungsprotokoll vom 08.12.2026 - 9.05 Uhr", "4.2. Laut-/Silbensuche  - 08.12.2026", "",
          "Datei:   Tiere\\Hund.txt"},
         true,
         {"KALIMO Leistungsprotokoll vom 08.12.2026 - 9.05 Uhr", "Programm: 4.2. Laut-/Silbensuche  - 08.12.2026",
          "Nutzer:   Anna", "Datei:   Tiere\\Hund.txt"}},
        // Without a title the list starts with its program line.
        {"no title",
         {"3.1. Gleich/Nicht gleich?  - 08.12.2026", "Aufgabe  1:   0 Fehler  (00:05)"},
         false,
         {"Programm: 3.1. Gleich/Nicht gleich?  - 08.12.2026", "Nutzer:   Anna", "Aufgabe  1:   0 Fehler  (00:05)"}},
        // A program line of two blanks is consumed without being printed.
        {"two blanks", {"KALIMO Leistungsprotokoll", "  ", "erste Zeile"}, true,
         {"KALIMO Leistungsprotokoll", "Nutzer:   Anna", "erste Zeile"}},
        // The marked "Datei" line of the display: the underlined word, then the file.
        {"file line", {"KALIMO Leistungsprotokoll", "Titel", "  Datei : Tiere\\Hund.txt"}, true,
         {"KALIMO Leistungsprotokoll", "Programm: Titel", "Nutzer:   Anna", "Datei: Tiere\\Hund.txt"}},
        // Only a title: no program line at all.
        {"title only", {"KALIMO Leistungsprotokoll"}, true, {"KALIMO Leistungsprotokoll", "Nutzer:   Anna"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList pages = printLines(c.lines, c.withTitle);
        ASSERT_EQ(pages.size(), 1);
        const QStringList lines = pdfutil::lines(pages[0]);
        ASSERT_GE(lines.size(), c.expectedStart.size() + 2);
        EXPECT_EQ(lines.mid(0, c.expectedStart.size()), pdfutil::simplified(c.expectedStart));
        EXPECT_EQ(lines.at(c.expectedStart.size()), kContact);
        EXPECT_EQ(lines.last(), QStringLiteral("- Seite 1 -"));
    }
}

TEST_F(Printing, EmptyListStartsNoJob)
{
    bool ok = false;
    EXPECT_TRUE(printLines({}, true, &ok).isEmpty());
    EXPECT_TRUE(ok);
    EXPECT_FALSE(QFile::exists(tree.path(QStringLiteral("protokoll.pdf"))));
}

TEST_F(Printing, FailedJobIsReported)
{
    QPrinter printer(QPrinter::HighResolution);
    pdfutil::toPdf(printer, tree.path(QStringLiteral("kein/Ordner/x.pdf")));
    EXPECT_FALSE(PrintProtocolLines(printer, {QStringLiteral("Titel"), QStringLiteral("Programm")}, true));
    TUrkunde u;
    u.playerName = QStringLiteral("Anna");
    EXPECT_FALSE(PrintCertificate(printer, u));
}

TEST_F(Printing, AchievementLines)
{
    struct Case {
        int code, count, seconds;
        const char* expected;
    } cases[] = {
        {402, 12, 5 * 60 + 3, "12 Aufgaben in 5 Minuten und 3 Sekunden mit Erfolg gelöst!"},
        {402, 5, 59, "5 Aufgaben in 59 Sekunden mit Erfolg gelöst!"},  // no "und" without minutes
        {402, 5, 3600, "5 Aufgaben in 1 Stunde mit Erfolg gelöst!"},    // exactly one hour
        {402, 3, 2 * 3600 + 60 + 1, "3 Aufgaben in 2 Stunden 1 Minute und 1 Sekunde mit Erfolg gelöst!"},
        {305, 1, 120, "ein Memory-Spiel in  2 Minuten mit Erfolg gelöst!"},
        {305, 3, 59, "3 Memory-Spiele in  59 Sekunden mit Erfolg gelöst!"},
        {407, 1, 61, "ein Laut-Memory-Spiel in  1 Minute und 1 Sekunde mit Erfolg gelöst!"},
        {408, 2, 3600 + 120, "2 Spiele in  1 Stunde 2 Minuten mit Erfolg gelöst!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        const QDateTime start(QDate(2026, 12, 8), QTime(9, 0));
        EXPECT_EQ(AchievementLine(c.code, c.count, SplitTime(start, start.addSecs(c.seconds))),
                  QString::fromUtf8(c.expected));
    }
}

TEST_F(Printing, CertificateTextInOrder)
{
    struct Case {
        QString player;
        QString forLine;
    } cases[] = {{QStringLiteral("Anna"), QStringLiteral("für Anna")},
                 // "Standard" gets a line to write the name on.
                 {QStringLiteral("standard"), QStringLiteral("für _____________________________")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.player.toStdString());
        rnd::seed(7);
        const TUrkunde u = MakeCertificate(c.player, QStringLiteral("4.2. Laut-/Silbensuche "), 12,
                                           (5 * 60 + 3) / 86400.0, 402);
        EXPECT_TRUE(PraiseWords().contains(u.praise));
        const QString pdf = tree.path(QStringLiteral("urkunde.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        pdfutil::toPdf(printer, pdf);
        ASSERT_TRUE(PrintCertificate(printer, u));
        const QStringList pages = pdfutil::pages(pdf);
        ASSERT_EQ(pages.size(), 1);
        // No `Bilderurkunde` folder: no colouring space.
        EXPECT_EQ(pdfutil::lines(pages[0]),
                  pdfutil::simplified(QStringList{QStringLiteral("Urkunde"), c.forLine, QStringLiteral("Du hast heute am 08.12.2026"),
                               QStringLiteral("beim Programm"), QStringLiteral("4.2. LAUT-/SILBENSUCHE"),
                               QStringLiteral("12 Aufgaben in 5 Minuten und 3 Sekunden mit Erfolg gelöst!"), u.praise,
                               PublisherContactLine()}));
    }
}

TEST_F(Printing, PraiseWordsAreChosenAtRandom)
{
    EXPECT_EQ(PraiseWords(), (QStringList{"Toll gemacht!", "Spitzenmäßig!", "Richtig gut!", "Prima!", "Weiter so!",
                                          "Bravo!"}));
    QSet<QString> seen;
    for (int i = 0; i < 200; ++i)
        seen.insert(MakeCertificate(QStringLiteral("Anna"), QString(), 3, 0, 402).praise);
    EXPECT_EQ(seen.size(), 6);
}

TEST_F(Printing, ColouringPictureFromTheFolder)
{
    const QByteArray sun = [] {
        QFile f(sourceDir() + QStringLiteral("demo/Bilderurkunde/Sonne.emf"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    ASSERT_FALSE(sun.isEmpty());
    struct File {
        const char* name;
        QByteArray bytes;
    };
    struct Case {
        const char* what;
        bool folder;
        std::vector<File> files;
        bool picture;
    } cases[] = {
        {"no folder", false, {}, false},
        {"empty folder", true, {}, false},
        {"no metafile", true, {{"Notiz.txt", "Hallo"}, {"Bild.gif", "GIF89a"}}, false},
        {"corrupt metafile", true, {{"Kaputt.wmf", QByteArray(300, '\x5a')}, {"Leer.emf", QByteArray()}}, false},
        {"good metafile in capitals", true, {{"SONNE.EMF", sun}}, true},
        // A corrupt one beside a good one is passed over, whichever is drawn first.
        {"corrupt and good", true, {{"Kaputt.emf", QByteArray("\x01\0\0\0garbage", 11)}, {"Sonne.emf", sun}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString folder = tree.path(QStringLiteral("Urkunde_%1/").arg(QString::fromLatin1(c.what).replace(' ', '_')));
        if (c.folder)
            tree.mkdir(folder.mid(tree.root().size()));
        for (const File& f : c.files)
            tree.write(folder.mid(tree.root().size()) + QString::fromLatin1(f.name), f.bytes);
        g().config.dirs.bilderurkunde = folder;
        for (int attempt = 0; attempt < 2; ++attempt) {
            rnd::seed(attempt);
            const TUrkunde u = MakeCertificate(QStringLiteral("Anna"), QStringLiteral("3.5. Memory "), 1, 0.001, 305);
            EXPECT_EQ(u.pictureFolder, c.folder);
            EXPECT_EQ(!u.picture.isEmpty(), c.picture);
            const QString pdf = tree.path(QStringLiteral("urkunde.pdf"));
            QPrinter printer(QPrinter::HighResolution);
            pdfutil::toPdf(printer, pdf);
            ASSERT_TRUE(PrintCertificate(printer, u));
            EXPECT_EQ(pdfutil::text(pdf).contains(QStringLiteral("Zum Ausmalen:")), c.folder);
            // The space between the label's frame and the footer's frame.
            const QImage page = pdfutil::page(pdf, 1, 30);
            ASSERT_FALSE(page.isNull());
            const QRect space(page.width() / 10, page.height() * 55 / 100, page.width() * 8 / 10,
                              page.height() * 33 / 100);
            const int dark = pdfutil::darkPixels(page, space);
            if (c.picture)
                EXPECT_GT(dark, 200);
            else
                EXPECT_EQ(dark, 0);
        }
    }
}

TEST_F(Printing, OrnamentFrameBowsInward)
{
    QImage img(400, 300, QImage::Format_Grayscale8);
    img.fill(255);
    {
        QPainter p(&img);
        p.setPen(QPen(Qt::black, 1));
        // left 40, right 340, inset 10, bow 40, side bow 60, bottom 260, top 20
        DrawOrnamentFrame(p, 40, 340, 10, 40, 60, 260, 20);
    }
    auto darkNear = [&img](int x, int y) { return pdfutil::darkPixels(img, QRect(x - 1, y - 1, 3, 3)) > 0; };
    // A cubic from (a, g) to (b, g) with both controls at g + d passes its middle at g + 3d/4.
    EXPECT_TRUE(darkNear(190, 20 + 30));
    EXPECT_FALSE(darkNear(190, 20));
    EXPECT_TRUE(darkNear(190, 260 - 30));
    // The sides bow by three quarters of the side bow at mid-height of their controls.
    EXPECT_TRUE(darkNear(40 + 45, 140));
    EXPECT_TRUE(darkNear(340 - 45, 140));
    // Corners are where the frame starts; the inner frame is 10 further in.
    EXPECT_TRUE(darkNear(40, 20));
    EXPECT_TRUE(darkNear(340, 260));
    EXPECT_TRUE(darkNear(50, 30));
    EXPECT_TRUE(darkNear(190, 30 + 30));
    EXPECT_FALSE(darkNear(190, 140));
}

// The demo installation names its colouring pictures in "Pfade"; each is a metafile our player
// draws, and a certificate made there carries one.
TEST_F(Printing, DemoInstallationHasColouringPictures)
{
    const QString demo = sourceDir() + QStringLiteral("demo/");
    auto copy = [this, &demo](const QString& relative) {
        QFile f(demo + relative);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << relative.toStdString();
        tree.write(relative, f.readAll());
    };
    copy(QStringLiteral("INTERN/Kalimo.txt"));
    const QStringList pictures = fsys::list(demo + QStringLiteral("Bilderurkunde"), QStringLiteral("*"), false,
                                            fsys::Entries::Files);
    EXPECT_EQ(pictures, (QStringList{"Blume.wmf", "Fisch.emf", "Haus.wmf", "Sonne.emf"}));
    for (const QString& p : pictures)
        copy(QStringLiteral("Bilderurkunde/") + p);
    resetToInstallation(tree.root());
    installation::ReadMainConfiguration(nullptr);
    g().playerList = {QStringLiteral("Anna")};
    ASSERT_EQ(g().config.dirs.bilderurkunde, tree.path(QStringLiteral("Bilderurkunde/")));
    for (const QString& p : pictures) {
        const auto mf = metafile::Metafile::load(tree.path(QStringLiteral("Bilderurkunde/") + p));
        ASSERT_TRUE(mf.has_value()) << p.toStdString();
        EXPECT_EQ(mf->naturalSize(), QSize(400, 300)) << p.toStdString();
    }
    const TUrkunde u = MakeCertificate(QStringLiteral("Anna"), QStringLiteral("3.5. Memory "), 3, 0.01, 305);
    EXPECT_TRUE(pictures.contains(fsys::fileName(u.picture)));
    const QString pdf = tree.path(QStringLiteral("urkunde.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    pdfutil::toPdf(printer, pdf);
    ASSERT_TRUE(PrintCertificate(printer, u));
    const QImage page = pdfutil::page(pdf, 1, 30);
    EXPECT_GT(pdfutil::darkPixels(page, QRect(page.width() / 10, page.height() * 55 / 100, page.width() * 8 / 10,
                                              page.height() * 33 / 100)),
              200);
    EXPECT_TRUE(pdfutil::text(pdf).simplified().contains(QStringLiteral("3 Memory-Spiele in 14 Minuten und 24 Sekunden")));
}
