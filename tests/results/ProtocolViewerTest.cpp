// The protocol viewer on stored protocol files, with scripted dialogs.
#include "PdfUtil.h"

#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "results/Drucken.h"
#include "results/Ergebnisse.h"
#include "results/History.h"
#include "results/Protokolleditor.h"
#include "results/Verlauf.h"
#include "support/ModalWatch.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineSeries>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kSelectFirst = QStringLiteral("Bitte zuerst das zu druckende Protokoll markierten!");

// One stored run: day `day` of December, list "Liste<day>.txt", two tasks.
QStringList runBlock(int day)
{
    return {QStringLiteral("P 4.2. Laut-/Silbensuche"),
            QStringLiteral("N Anna"),
            QStringLiteral("D %1.12.2026").arg(day, 2, 10, QLatin1Char('0')),
            QStringLiteral(" "),
            QStringLiteral("F Liste%1.txt").arg(day),
            QStringLiteral("O "),
            QStringLiteral("  Aufgabe  1:   0 Fehler  (00:05)   Hund%1 ").arg(day),
            QStringLiteral("  Aufgabe  2:   1 Fehler  (00:07)   Maus%1 ").arg(day),
            QStringLiteral("Z 2 Minuten "),
            QStringLiteral("S 09:00"),
            QStringLiteral("E 09:02"),
            QStringLiteral("*")};
}

class ProtocolViewer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetRun();
        g().config.dirs.protokoll = tree.mkdir(QStringLiteral("Protokoll"));
        g().playerList = {QStringLiteral("Anna")};
    }
    QString file() const { return tree.path(QStringLiteral("Protokoll/Anna.prt")); }
    QString writeRuns(int count)
    {
        QStringList lines;
        for (int day = 1; day <= count; ++day)
            lines += runBlock(day);
        return tree.writeLines(QStringLiteral("Protokoll/Anna.prt"), lines);
    }
    static QStringList kinds(const dialogs::ScriptedDialogs& s)
    {
        QStringList out;
        for (const auto& r : s.asked())
            out << r.kind;
        return out;
    }

    TempTree tree;
};

} // namespace

TEST_F(ProtocolViewer, ShowsNineRunsAndPrintsTheNewest)
{
    writeRuns(9);
    const QByteArray before = tree.read(QStringLiteral("Protokoll/Anna.prt"));
    dialogs::ScriptedDialogs script;
    TFormProtokolleditor viewer(file());
    viewer.show();
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Protokoll von Anna"));
    const QString shown = viewer.RichEdit1->toPlainText();
    for (int day = 1; day <= 9; ++day)
        EXPECT_TRUE(shown.contains(QStringLiteral("4.2. Laut-/Silbensuche  - %1.12.2026").arg(day, 2, 10, QLatin1Char('0'))))
            << day;
    EXPECT_EQ(shown.count(QStringLiteral("Ergebnis: 1 von 2 Aufgaben richtig gelöst (50%)")), 9);
    // The caret on the last line, nothing selected, the display has the focus.
    EXPECT_FALSE(viewer.RichEdit1->textCursor().hasSelection());
    EXPECT_TRUE(viewer.RichEdit1->textCursor().atEnd());
    EXPECT_EQ(viewer.focusWidget(), viewer.RichEdit1);

    const QString pdf = tree.path(QStringLiteral("letztes.pdf"));
    script.answerPrinter(pdf);
    viewer.MI_letztesProtokolldrucken->trigger();
    EXPECT_EQ(kinds(script), (QStringList{"printer", "printPreview"}));
    const QStringList pages = pdfutil::pages(pdf);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pdfutil::lines(pages[0]),
              pdfutil::simplified(QStringList{"KALIMO Leistungsprotokoll vom 09.12.2026", "Programm: 4.2. Laut-/Silbensuche",
                           "Nutzer:   Anna", "Datei : Liste9.txt", "Aufgabe  1:   0 Fehler  (00:05)   Hund9",
                           "Aufgabe  2:   1 Fehler  (00:07)   Maus9",
                           "Gesamtbearbeitungszeit: 2 Minuten - Start: 09:00 Uhr - Ende: 09:02 Uhr",
                           "** Das Kalimo-Projekt **", "- Seite 1 -"}));
    // The exports hold the newest run only; the protocol file is untouched.
    const QByteArray text = tree.read(QStringLiteral("Protokolle.txt"));
    EXPECT_TRUE(text.contains("Liste9.txt"));
    EXPECT_FALSE(text.contains("Liste8.txt"));
    const QByteArray rtf = tree.read(QStringLiteral("protokoll.rtf"));
    EXPECT_TRUE(rtf.startsWith("\\fs20\r\n"));
    EXPECT_TRUE(rtf.contains("09.12.2026"));
    EXPECT_FALSE(rtf.contains("08.12.2026"));
    EXPECT_EQ(tree.read(QStringLiteral("Protokoll/Anna.prt")), before);
}

TEST_F(ProtocolViewer, MissingFileShowsTheNotice)
{
    TFormProtokolleditor viewer(file());
    EXPECT_EQ(viewer.workList(), QStringList{QStringLiteral("KEINE PROTOKOLLDATEI VORHANDEN!")});
    EXPECT_EQ(viewer.RichEdit1->toPlainText().trimmed(), QStringLiteral("KEINE PROTOKOLLDATEI VORHANDEN!"));
    EXPECT_FALSE(QFile::exists(file()));
}

TEST_F(ProtocolViewer, DeleteAnsweredNoAndYes)
{
    writeRuns(2);
    const QByteArray before = tree.read(QStringLiteral("Protokoll/Anna.prt"));
    dialogs::ScriptedDialogs script;
    TFormProtokolleditor viewer(file());
    viewer.show();
    const QString shown = viewer.RichEdit1->toPlainText();

    script.answer(dialogs::Button::No);
    viewer.MI_loeschen->trigger();
    ASSERT_EQ(script.asked().size(), 1);
    EXPECT_EQ(script.asked().at(0).text, QStringLiteral("Soll das komplette Protokoll gelöscht werden?"));
    EXPECT_EQ(script.asked().at(0).buttons, (QList<dialogs::Button>{dialogs::Button::Yes, dialogs::Button::No}));
    EXPECT_EQ(tree.read(QStringLiteral("Protokoll/Anna.prt")), before);
    EXPECT_EQ(viewer.RichEdit1->toPlainText(), shown);

    script.answer(dialogs::Button::Yes);
    viewer.MI_loeschen->trigger();
    EXPECT_TRUE(viewer.RichEdit1->toPlainText().isEmpty());
    ASSERT_TRUE(QFile::exists(file()));  // the file remains, so the viewer still opens for Anna
    EXPECT_EQ(QFileInfo(file()).size(), 0);

    // Both print commands do nothing more after their printer dialog.
    script.clear();
    const QString pdf = tree.path(QStringLiteral("x.pdf"));
    script.answerPrinter(pdf);
    script.answerPrinter(pdf);
    viewer.MI_letztesProtokolldrucken->trigger();
    viewer.markiertesProtokolldrucken1->trigger();
    EXPECT_EQ(kinds(script), (QStringList{"printer", "printer"}));
    EXPECT_FALSE(QFile::exists(pdf));

    // Opened again: an empty display.
    TFormProtokolleditor again(file());
    EXPECT_TRUE(again.workList().isEmpty());
    EXPECT_TRUE(again.RichEdit1->toPlainText().isEmpty());
}

TEST_F(ProtocolViewer, MarkedProtocol)
{
    writeRuns(2);
    dialogs::ScriptedDialogs script;
    TFormProtokolleditor viewer(file());
    viewer.show();

    // Without a selection: nothing when the printer dialog is cancelled, the message after it was
    // confirmed, and nothing printed.
    viewer.markiertesProtokolldrucken1->trigger();
    EXPECT_EQ(kinds(script), QStringList{"printer"});
    const QString pdf = tree.path(QStringLiteral("markiert.pdf"));
    script.answerPrinter(pdf);
    viewer.markiertesProtokolldrucken1->trigger();
    EXPECT_EQ(kinds(script), (QStringList{"printer", "printer", "message"}));
    EXPECT_EQ(script.asked().last().text, kSelectFirst);
    EXPECT_EQ(script.asked().last().buttons, QList<dialogs::Button>{dialogs::Button::Ok});
    EXPECT_FALSE(QFile::exists(pdf));

    // The second run's heading to its second task.
    QTextDocument* doc = viewer.RichEdit1->document();
    const QTextCursor from = doc->find(QStringLiteral("4.2. Laut-/Silbensuche  - 02.12.2026"));
    const QTextCursor to = doc->find(QStringLiteral("Maus2"));
    ASSERT_FALSE(from.isNull());
    ASSERT_FALSE(to.isNull());
    QTextCursor c(doc);
    c.setPosition(from.selectionStart());
    c.setPosition(to.selectionEnd(), QTextCursor::KeepAnchor);
    viewer.RichEdit1->setTextCursor(c);
    script.clear();
    script.answerPrinter(pdf);
    viewer.markiertesProtokolldrucken1->trigger();
    EXPECT_EQ(kinds(script), (QStringList{"printer", "printPreview"}));
    const QStringList lines = pdfutil::lines(pdfutil::pages(pdf).value(0));
    EXPECT_EQ(lines,
              pdfutil::simplified(QStringList{"KALIMO Leistungsprotokoll", "Programm: 4.2. Laut-/Silbensuche  - 02.12.2026",
                           "Nutzer:   Anna", "Datei: Liste2.txt", "Aufgabe  1:   0 Fehler  (00:05)   Hund2",
                           "Aufgabe  2:   1 Fehler  (00:07)   Maus2", "** Das Kalimo-Projekt **",
                           "- Seite 1 -"}));
}

TEST_F(ProtocolViewer, BadFilesOpenWithoutHarm)
{
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary += char((i * 37 + 11) & 0xff);
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* shows;  // a text the display holds, or nothing
    } cases[] = {
        {"binary", binary, nullptr},
        {"rtf, not the line format", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\b kaputt {{{\\'zz\\u", nullptr},
        {"single rtf line", "{\\rtf1 {\\b fett}} \\par }}}}", "fett"},
        {"broken run block",
         "E 09:02\r\nZ 1 Minuten \r\n  Aufgabe  1:   0 Fehler  (00:05)   Hund \r\nP 4.2. Laut-/Silbensuche\r\n"
         "F Liste.txt\r\nS 09:00\r\nD \r\n*\r\n*\r\nP\r\nD\r\nB\r\nZ\r\nE\r\n  Aufgabe  2:  ungelöst  \r\nO",
         "Hund"},
        {"nul bytes and a long line", QByteArray(3, '\0') + "P x\r\n" + QByteArray(200000, 'A'), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tree.write(QStringLiteral("Protokoll/Anna.prt"), c.bytes);
        dialogs::ScriptedDialogs script;
        {
            TFormProtokolleditor viewer(file());
            viewer.show();
            if (c.shows)
                EXPECT_TRUE(viewer.RichEdit1->toPlainText().contains(QString::fromUtf8(c.shows)))
                    << viewer.RichEdit1->toPlainText().left(300).toStdString();
            const QString pdf = tree.path(QStringLiteral("bad.pdf"));
            script.answerPrinter(pdf);
            viewer.MI_letztesProtokolldrucken->trigger();
            viewer.RichEdit1->selectAll();
            script.answerPrinter(pdf);
            viewer.markiertesProtokolldrucken1->trigger();
            QTest::keyClick(viewer.RichEdit1, Qt::Key_Escape);
            EXPECT_FALSE(viewer.isVisible());
        }
        EXPECT_EQ(tree.read(QStringLiteral("Protokoll/Anna.prt")), c.bytes);
        EXPECT_TRUE(script.texts().filter(QStringLiteral("fehlgeschlagen")).isEmpty());
    }
}

TEST_F(ProtocolViewer, EnterAddsNoLineAndEditsAreNotSaved)
{
    writeRuns(1);
    const QByteArray before = tree.read(QStringLiteral("Protokoll/Anna.prt"));
    {
        TFormProtokolleditor viewer(file());
        viewer.show();
        const QString shown = viewer.RichEdit1->toPlainText();
        QTest::keyClick(viewer.RichEdit1, Qt::Key_Return);
        QTest::keyClick(viewer.RichEdit1, Qt::Key_Enter);
        EXPECT_EQ(viewer.RichEdit1->toPlainText(), shown);
        QTest::keyClicks(viewer.RichEdit1, QStringLiteral("xyz"));
        EXPECT_NE(viewer.RichEdit1->toPlainText(), shown);
        viewer.Beenden1->trigger();
        EXPECT_FALSE(viewer.isVisible());
    }
    EXPECT_EQ(tree.read(QStringLiteral("Protokoll/Anna.prt")), before);
}

// The preview window of the program (not the scripted one): it shows the pages before printing
// and prints without asking for the printer again.
TEST_F(ProtocolViewer, PreviewShowsThePagesBeforePrinting)
{
    const QStringList lines = [] {
        QStringList l = {QStringLiteral("KALIMO Leistungsprotokoll"), QStringLiteral("Programm")};
        for (int i = 0; i < 100; ++i)
            l << QStringLiteral("Zeile %1").arg(i);
        return l;
    }();
    for (bool print : {false, true}) {
        SCOPED_TRACE(print);
        const QString pdf = tree.path(QStringLiteral("vorschau.pdf"));
        QFile::remove(pdf);
        QPrinter printer(QPrinter::HighResolution);
        pdfutil::toPdf(printer, pdf);
        QString label;
        int rendered = 0;
        QTimer::singleShot(0, [&] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w)
                return;
            for (QLabel* l : w->findChildren<QLabel*>())
                if (l->text().startsWith(QStringLiteral("Seite")))
                    label = l->text();
            w->findChild<QPushButton*>(print ? QStringLiteral("printButton") : QStringLiteral("cancelButton"))->click();
        });
        dialogs::QtDialogs qt;
        const bool confirmed = qt.confirmPrintPreview(nullptr, printer, QStringLiteral("Protokoll"), [&](QPrinter& p) {
            ++rendered;
            PrintProtocolLines(p, lines, true);
        });
        EXPECT_EQ(confirmed, print);
        EXPECT_GE(rendered, 1);
        EXPECT_EQ(label, QStringLiteral("Seite 1 von 2"));
        EXPECT_FALSE(QFile::exists(pdf));  // the preview itself prints nothing
    }
}

TEST_F(ProtocolViewer, UnreadableFileIsToldAndKept)
{
    writeRuns(1);
    const QByteArray before = tree.read(QStringLiteral("Protokoll/Anna.prt"));
    dialogs::ScriptedDialogs script;
    {
        fsys::testing::InjectFaults faults({-1, {fsys::resolve(file())}});
        TFormProtokolleditor viewer(file());
        ASSERT_EQ(script.asked().size(), 1);
        EXPECT_EQ(script.asked().at(0).text,
                  QStringLiteral("Die Datei ") + file() + QStringLiteral(" kann nicht gelesen werden. Sie bleibt unverändert."));
        EXPECT_TRUE(viewer.RichEdit1->toPlainText().isEmpty());
        script.answerPrinter(tree.path(QStringLiteral("x.pdf")));
        viewer.MI_letztesProtokolldrucken->trigger();
        EXPECT_FALSE(QFile::exists(tree.path(QStringLiteral("x.pdf"))));
    }
    EXPECT_EQ(tree.read(QStringLiteral("Protokoll/Anna.prt")), before);
}

TEST_F(ProtocolViewer, FailedExportIsToldAndPrintingGoesOn)
{
    writeRuns(2);
    dialogs::ScriptedDialogs script;
    TFormProtokolleditor viewer(file());
    const QString pdf = tree.path(QStringLiteral("letztes.pdf"));
    script.answerPrinter(pdf);
    {
        fsys::testing::InjectFaults full({0, {}});
        viewer.MI_letztesProtokolldrucken->trigger();
    }
    EXPECT_EQ(kinds(script), (QStringList{"printer", "message", "printPreview"}));
    ASSERT_EQ(script.asked().size(), 3);
    EXPECT_TRUE(script.asked().at(1).text.endsWith(
        QStringLiteral(" konnte nicht gespeichert werden: Auf dem Datenträger ist kein Platz mehr frei.")));
    EXPECT_FALSE(QFile::exists(tree.path(QStringLiteral("Protokolle.txt"))));
    EXPECT_TRUE(pdfutil::text(pdf).contains(QStringLiteral("Liste2.txt")));
}

TEST_F(ProtocolViewer, TheHistoryMenuOpensThePlayersHistoryBesideTheProtocol)
{
    writeRuns(1);
    history::HistoryRun r;
    r.start = QDateTime(QDate(2026, 12, 1), QTime(9, 0));
    r.programCode = 301;
    r.programName = QStringLiteral("Gleich/Nicht gleich?");
    r.counted = 4;
    r.firstTry = 3;
    r.withErrors = 1;
    ASSERT_TRUE(history::WriteHistory(tree.path(QStringLiteral("Protokoll/Anna-Verlauf.csv")), {r}));
    TFormProtokolleditor viewer(file());
    viewer.show();
    QList<QPointF> points;
    {
        ModalWatch watch([&points](QWidget* w) {
            if (auto* v = qobject_cast<TFormVerlauf*>(w))
                points = v->series()->points();
            w->close();
        });
        viewer.MI_verlauf->trigger();
        EXPECT_EQ(watch.seen, QStringList{QStringLiteral("TFormVerlauf")});
    }
    ASSERT_EQ(points.size(), 1);
    EXPECT_EQ(points[0].y(), 75.0);
    // The protocol file is left as it was.
    EXPECT_EQ(viewer.workList().size(), runBlock(1).size());
}
