// The closing dialog of a run, driven through its buttons with scripted dialogs.
#include "PdfUtil.h"

#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kHint = QStringLiteral("Urkunde nur, wenn mindestens 3 Aufgaben bearbeitet sind!");

class ClosingDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetRun();
        g().config.programBaseName = QStringLiteral("kalimo");
        g().config.dirs.protokoll = tree.path(QStringLiteral("Daten/Protokoll/"));  // made on the first append
        g().playerList = {QStringLiteral("Anna")};
        g().programCode = 402;
        start = QDateTime(QDate(2026, 12, 8), QTime(9, 0));
        run().runDate = start;
        run().runStartTime = start;
        clock_::setFixedNow(start.addSecs(5 * 60 + 3));
    }
    void TearDown() override { clock_::setFixedNow(QDateTime()); }

    static TZeile row(int attempts, bool solved, const QString& duration, const QString& answers)
    {
        TZeile z;
        z.Attempts = attempts;
        z.Solved = solved;
        z.Duration = duration;
        z.Answers = answers;
        return z;
    }
    // `answered` solved tasks of a list, and optionally one shown but never answered.
    void addTasks(int answered, bool unanswered = false)
    {
        const int b = run().runResults.empty() ? StartResultBlock(QStringLiteral("Tiere\\Hund.txt")) : 0;
        for (int i = 0; i < answered; ++i)
            run().runResults[b].Rows.push_back(row(i == 1 ? 2 : 1, true, QStringLiteral("00:0%1").arg(i + 1),
                                                   QStringLiteral(" Wort%1").arg(i + 1)));
        if (unanswered)
            run().runResults[b].Rows.push_back(row(0, false, QString(), QString()));
    }
    QString protocolFile() const { return tree.path(QStringLiteral("Daten/Protokoll/Anna.prt")); }
    QStringList fileLines() const
    {
        const auto lines = fsys::readLines(protocolFile());
        return lines ? *lines : QStringList();
    }
    static int markers(const QStringList& lines) { return int(lines.count(QStringLiteral("*"))); }

    TempTree tree;
    QDateTime start;
};

} // namespace

TEST_F(ClosingDialog, CertificateNeedsThreeTasksExceptInMemoryGames)
{
    struct Case {
        int code;
        int answered;
        bool unanswered;
        bool enabled;
    } cases[] = {
        {402, 2, false, false},
        {402, 2, true, false},  // a task shown but never answered does not count
        {402, 3, false, true},
        {305, 1, false, true},
        {407, 1, false, true},
        {408, 1, false, true},
        {305, 0, true, false},  // no certificate for no game solved
        {408, 0, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.code << " with " << c.answered);
        resetRun();
        run().runStartTime = start;
        g().programCode = c.code;
        addTasks(c.answered, c.unanswered);
        ASSERT_TRUE(BuildRunProtocol(c.code));
        TFormclosedialog dlg;
        EXPECT_TRUE(dlg.sb_back->isEnabled());
        EXPECT_TRUE(dlg.sb_druckprotokoll->isEnabled());
        EXPECT_TRUE(dlg.sb_ende->isEnabled());
        EXPECT_EQ(dlg.sb_druckurkunde->isEnabled(), c.enabled);
        const QString hint = IsMemoryGame(c.code) ? QStringLiteral("Urkunde nur, wenn mindestens ein Spiel gelöst ist!") : kHint;
        EXPECT_EQ(dlg.sb_druckurkunde->toolTip(), c.enabled ? QString() : hint);
        EXPECT_EQ(dlg.certificateTaskCount(), c.enabled ? c.answered : 0);
    }
}

TEST_F(ClosingDialog, OpeningAddsTheWorkTimeAndShowsTheProtocol)
{
    struct Case {
        int seconds;
        const char* z;
        const char* shown;
    } cases[] = {
        {5 * 60 + 3, "Z 5 Minuten, 3 Sekunden ", "Gesamtbearbeitungszeit: 5 Minuten, 3 Sekunden  - Start: 09:00 Uhr - Ende: 09:05 Uhr"},
        // Under one second the time is empty: two blanks between the colon and the dash.
        {0, "Z ", "Gesamtbearbeitungszeit:  - Start: 09:00 Uhr - Ende: 09:00 Uhr"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.z);
        resetRun();
        run().runDate = run().runStartTime = start;
        clock_::setFixedNow(start.addSecs(c.seconds));
        addTasks(3);
        ASSERT_TRUE(BuildRunProtocol(402));
        TFormclosedialog dlg;
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Programm beenden?"));
        const QStringList& p = run().runProtocol;
        ASSERT_GE(p.size(), 3);
        EXPECT_EQ(p.mid(p.size() - 3), (QStringList{QString::fromUtf8(c.z), QStringLiteral("S 09:00"),
                                                    QStringLiteral("E ") + start.addSecs(c.seconds).toString("HH:mm")}));
        const QString shown = dlg.RE->toPlainText();
        EXPECT_TRUE(shown.contains(QStringLiteral("4.2. Laut-/Silbensuche  - 08.12.2026"))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QStringLiteral("Ergebnis: 2 von 3 Aufgaben richtig gelöst (67%)")));
        EXPECT_TRUE(shown.contains(QString::fromUtf8(c.shown))) << shown.toStdString();
    }
}

TEST_F(ClosingDialog, EmptyProtocolOffersOnlyLeaving)
{
    TFormclosedialog dlg;
    EXPECT_FALSE(dlg.sb_druckprotokoll->isEnabled());
    EXPECT_FALSE(dlg.sb_druckurkunde->isEnabled());
    EXPECT_TRUE(dlg.sb_back->isEnabled());
    EXPECT_TRUE(dlg.RE->toPlainText().isEmpty());
    dlg.sb_ende->click();
    EXPECT_EQ(dlg.result(), TFormclosedialog::End);
    EXPECT_FALSE(QFile::exists(protocolFile()));
}

TEST_F(ClosingDialog, BackThenEndAppendsOneBlockWithAllTasks)
{
    addTasks(2);
    ASSERT_TRUE(BuildRunProtocol(402));
    {
        TFormclosedialog dlg;
        dlg.show();
        dlg.sb_back->click();
        EXPECT_EQ(dlg.result(), TFormclosedialog::Back);
    }
    EXPECT_FALSE(QFile::exists(protocolFile()));

    // The exercise goes on: one more task, then the end button again.
    addTasks(1);
    ASSERT_TRUE(BuildRunProtocol(402));
    TFormclosedialog dlg;
    dlg.show();
    dlg.sb_ende->click();
    EXPECT_EQ(dlg.result(), TFormclosedialog::End);
    // Escape and the end button again on the same dialog add nothing.
    QTest::keyClick(&dlg, Qt::Key_Escape);
    dlg.sb_ende->click();

    const QStringList lines = fileLines();
    EXPECT_EQ(markers(lines), 1);
    EXPECT_EQ(lines.filter(QStringLiteral("P 4.2. Laut-/Silbensuche")).size(), 1);
    EXPECT_EQ(lines.filter(QStringLiteral("  Aufgabe ")).size(), 3);
    EXPECT_TRUE(lines.contains(QStringLiteral("  Aufgabe  3:   0 Fehler  (00:01)   Wort1 ")));
    EXPECT_EQ(lines.mid(lines.size() - 4),
              (QStringList{QStringLiteral("Z 5 Minuten, 3 Sekunden "), QStringLiteral("S 09:00"),
                           QStringLiteral("E 09:05"), QStringLiteral("*")}));
}

TEST_F(ClosingDialog, EscapeEndsTheRunAlsoAfterPrinting)
{
    addTasks(3);
    ASSERT_TRUE(BuildRunProtocol(402));
    dialogs::ScriptedDialogs script;
    script.answerPrinter(tree.path(QStringLiteral("protokoll.pdf")));
    TFormclosedialog dlg;
    dlg.show();
    dlg.sb_druckprotokoll->click();
    EXPECT_FALSE(dlg.sb_back->isEnabled());
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_EQ(dlg.result(), TFormclosedialog::End);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(markers(fileLines()), 1);
}

TEST_F(ClosingDialog, ProtocolPrintLines)
{
    addTasks(2, true);
    ASSERT_TRUE(BuildRunProtocol(402));
    AddWorkTimeLines();
    EXPECT_EQ(ProtocolPrintLines(run().runProtocol, QDateTime(QDate(2026, 12, 8), QTime(9, 5))),
              (QStringList{
                  "KALIMO Leistungsprotokoll vom 08.12.2026 - 9.05 Uhr",
                  "4.2. Laut-/Silbensuche ",
                  "",
                  "Datei:   Tiere\\Hund.txt",
                  "         ",
                  "",
                  "Aufgabe  1:   0 Fehler  (00:01)   Wort1 ",
                  "Aufgabe  2:   1 Fehler  (00:02)   Wort2 ",
                  "Aufgabe  3:  ungelöst   () ",
                  "",
                  "",
                  "Gesamtbearbeitungszeit: 5 Minuten, 3 Sekunden  - Start: 09:00 Uhr - Ende: 09:05 Uhr",
              }));
    // Hours without a leading zero, minutes with one.
    EXPECT_EQ(ProtocolPrintLines({}, QDateTime(QDate(2026, 1, 2), QTime(14, 7))).first(),
              QStringLiteral("KALIMO Leistungsprotokoll vom 02.01.2026 - 14.07 Uhr"));
}

TEST_F(ClosingDialog, PrintedProtocolInOrder)
{
    addTasks(3);
    ASSERT_TRUE(BuildRunProtocol(402));
    dialogs::ScriptedDialogs script;
    const QString pdf = tree.path(QStringLiteral("protokoll.pdf"));
    script.answerPrinter(pdf);
    TFormclosedialog dlg;
    dlg.show();
    dlg.sb_druckprotokoll->click();

    QStringList kinds;
    for (const auto& r : script.asked())
        kinds << r.kind;
    EXPECT_EQ(kinds, (QStringList{"printer", "printPreview"}));  // the printer is asked for once
    const QStringList pages = pdfutil::pages(pdf);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pdfutil::lines(pages[0]),
              pdfutil::simplified(QStringList{"KALIMO Leistungsprotokoll vom 08.12.2026 - 9.05 Uhr",
                           "Programm: 4.2. Laut-/Silbensuche",
                           "Nutzer:   Anna",
                           "Datei:   Tiere\\Hund.txt",
                           "Aufgabe  1:   0 Fehler  (00:01)   Wort1",
                           "Aufgabe  2:   1 Fehler  (00:02)   Wort2",
                           "Aufgabe  3:   0 Fehler  (00:03)   Wort3",
                           "Gesamtbearbeitungszeit: 5 Minuten, 3 Sekunden  - Start: 09:00 Uhr - Ende: 09:05 Uhr",
                           "** Das Kalimo-Projekt **",
                           "- Seite 1 -"}));
    // Printed once: going back is over, the certificate is still offered.
    EXPECT_FALSE(dlg.sb_back->isEnabled());
    EXPECT_FALSE(dlg.sb_druckprotokoll->isEnabled());
    EXPECT_TRUE(dlg.sb_druckurkunde->isEnabled());
    EXPECT_TRUE(dlg.sb_ende->isEnabled());
}

TEST_F(ClosingDialog, CancellingChangesNothing)
{
    struct Case {
        const char* what;
        bool printerChosen;
        QStringList asked;
    } cases[] = {{"printer dialog", false, {"printer"}}, {"preview", true, {"printer", "printPreview"}}};
    for (const Case& c : cases) {
        for (QAbstractButton* TFormclosedialog::*button : {&TFormclosedialog::sb_druckprotokoll,
                                                            &TFormclosedialog::sb_druckurkunde}) {
            SCOPED_TRACE(c.what);
            dialogs::ScriptedDialogs script;
            const QString pdf = tree.path(QStringLiteral("x.pdf"));
            if (c.printerChosen) {
                script.answerPrinter(pdf);
                script.answerPreview(false);
            }
            resetRun();
            run().runDate = run().runStartTime = start;
            addTasks(3);
            ASSERT_TRUE(BuildRunProtocol(402));
            TFormclosedialog dlg;
            dlg.show();
            (dlg.*button)->click();
            QStringList kinds;
            for (const auto& r : script.asked())
                kinds << r.kind;
            EXPECT_EQ(kinds, c.asked);
            EXPECT_FALSE(QFile::exists(pdf));
            for (QAbstractButton* b : {dlg.sb_back, dlg.sb_druckprotokoll, dlg.sb_druckurkunde, dlg.sb_ende})
                EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
        }
    }
}

TEST_F(ClosingDialog, FailedPrintingIsToldAndCanBeRepeated)
{
    addTasks(3);
    ASSERT_TRUE(BuildRunProtocol(402));
    dialogs::ScriptedDialogs script;
    script.answerPrinter(tree.path(QStringLiteral("kein/Ordner/protokoll.pdf")));
    script.answerPrinter(tree.path(QStringLiteral("kein/Ordner/urkunde.pdf")));
    TFormclosedialog dlg;
    dlg.show();
    dlg.sb_druckprotokoll->click();
    dlg.sb_druckurkunde->click();
    EXPECT_EQ(script.texts().filter(QStringLiteral("Das Drucken ist fehlgeschlagen.")).size(), 2);
    // Nothing was printed: every button is offered again.
    for (QAbstractButton* b : {dlg.sb_back, dlg.sb_druckprotokoll, dlg.sb_druckurkunde})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();

    const QString pdf = tree.path(QStringLiteral("protokoll.pdf"));
    script.answerPrinter(pdf);
    dlg.sb_druckprotokoll->click();
    EXPECT_TRUE(pdfutil::text(pdf).contains(QStringLiteral("Programm: 4.2. Laut-/Silbensuche")));
    EXPECT_FALSE(dlg.sb_back->isEnabled());
}

TEST_F(ClosingDialog, PrintedCertificate)
{
    addTasks(3);
    ASSERT_TRUE(BuildRunProtocol(402));
    dialogs::ScriptedDialogs script;
    const QString pdf = tree.path(QStringLiteral("urkunde.pdf"));
    script.answerPrinter(pdf);
    TFormclosedialog dlg;
    dlg.show();
    dlg.sb_druckurkunde->click();
    const QString text = pdfutil::text(pdf);
    for (const char* expected : {"Urkunde", "für Anna", "Du hast heute am 08.12.2026", "4.2. LAUT-/SILBENSUCHE",
                                 "3 Aufgaben in 5 Minuten und 3 Sekunden mit Erfolg gelöst!"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    EXPECT_FALSE(dlg.sb_back->isEnabled());
    EXPECT_FALSE(dlg.sb_druckurkunde->isEnabled());
    EXPECT_TRUE(dlg.sb_druckprotokoll->isEnabled());
}

TEST_F(ClosingDialog, FullDiskIsToldAndTheOldFileKept)
{
    const QStringList old = {QStringLiteral("P 3.1. Gleich/Nicht gleich?"), QStringLiteral("D 07.12.2026"),
                             QStringLiteral("*")};
    tree.writeLines(QStringLiteral("Daten/Protokoll/Anna.prt"), old);
    const QByteArray before = tree.read(QStringLiteral("Daten/Protokoll/Anna.prt"));
    addTasks(3);
    ASSERT_TRUE(BuildRunProtocol(402));
    dialogs::ScriptedDialogs script;
    TFormclosedialog dlg;
    dlg.show();
    {
        fsys::testing::InjectFaults full({0, {}});
        dlg.sb_ende->click();
    }
    EXPECT_EQ(dlg.result(), TFormclosedialog::End);
    EXPECT_EQ(script.texts(), QStringList{QStringLiteral("Die Datei ") + protocolFile() +
                                          QStringLiteral(" konnte nicht gespeichert werden: Auf dem Datenträger ist "
                                                         "kein Platz mehr frei.")});
    EXPECT_EQ(tree.read(QStringLiteral("Daten/Protokoll/Anna.prt")), before);
}

// The installation lives on a share that went away (its mount point is empty now). "Ende" builds
// nothing under the mount point, names the folder once, and keeps the run so that it can be saved
// when the share is back.
TEST_F(ClosingDialog, VanishedShareWritesNothingLocallyAndKeepsTheRun)
{
    const QString inst = tree.path(QStringLiteral("mnt/schule/kalimo/"));
    g().config.installationDirectory = inst;
    g().config.dirs.protokoll = inst + QStringLiteral("Protokoll/");
    addTasks(3);
    ASSERT_TRUE(BuildRunProtocol(402));
    dialogs::ScriptedDialogs script;
    TFormclosedialog dlg;
    dlg.show();
    dlg.sb_ende->click();
    EXPECT_EQ(script.texts(), QStringList{QStringLiteral("Der Ordner ") + inst +
                                          QStringLiteral("Protokoll/ ist nicht erreichbar; es wurde nichts "
                                                         "gespeichert.\nBitte prüfen Sie die Verbindung zum "
                                                         "Netzlaufwerk und versuchen Sie es erneut.")});
    EXPECT_FALSE(fsys::exists(tree.path(QStringLiteral("mnt/schule"))));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_NE(dlg.result(), TFormclosedialog::End);

    // The share is back: the same dialog saves the run.
    QDir().mkpath(inst);
    script.clear();
    dlg.sb_ende->click();
    EXPECT_TRUE(script.texts().isEmpty());
    EXPECT_EQ(dlg.result(), TFormclosedialog::End);
    EXPECT_EQ(fsys::readLines(inst + QStringLiteral("Protokoll/Anna.prt"))->count(QStringLiteral("*")), 1);
}

// A link planted in place of the player's protocol file: nothing is written through it.
TEST_F(ClosingDialog, PlantedProtocolLinkIsNeverFollowed)
{
    const QString victim = tree.write(QStringLiteral("victim/data.txt"), "geheim");
    ::chmod(QFile::encodeName(victim).constData(), 0600);
    QDir().mkpath(tree.path(QStringLiteral("Daten/Protokoll")));
    ASSERT_EQ(::symlink(QFile::encodeName(victim).constData(), QFile::encodeName(protocolFile()).constData()), 0);
    addTasks(3);
    ASSERT_TRUE(BuildRunProtocol(402));
    dialogs::ScriptedDialogs script;
    TFormclosedialog dlg;
    dlg.show();
    dlg.sb_ende->click();
    ASSERT_EQ(script.texts().size(), 1);
    EXPECT_TRUE(script.texts()[0].startsWith(QStringLiteral("Die Datei ") + protocolFile() +
                                             QStringLiteral(" ist eine Verknüpfung")));
    EXPECT_EQ(tree.read(QStringLiteral("victim/data.txt")), QByteArray("geheim"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(victim).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(ClosingDialog, LayoutAndButtonPictures)
{
    TFormclosedialog dlg;
    EXPECT_EQ(dlg.size(), QSize(788, 589));
    const QList<QAbstractButton*> buttons = {dlg.sb_back, dlg.sb_druckprotokoll, dlg.sb_druckurkunde, dlg.sb_ende};
    const int lefts[] = {29, 215, 402, 589};
    const char* captions[] = {"&Zurück zum Programm", "&Leistungsprotokoll", "&Urkunde drucken", "&Ende"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(buttons[i]->geometry(), QRect(lefts[i], 13, 170, 130));
        EXPECT_EQ(buttons[i]->text(), QString::fromUtf8(captions[i]));
        EXPECT_EQ(buttons[i]->focusPolicy(), Qt::NoFocus);
    }
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
    // Three different pictures per button: normal, disabled, pressed.
    for (auto kind : {CloseButtonPicture::Back, CloseButtonPicture::PrintProtocol, CloseButtonPicture::PrintCertificate,
                      CloseButtonPicture::End}) {
        const QImage n = DrawCloseButtonPicture(kind, PictureState::Normal, {96, 84});
        const QImage d = DrawCloseButtonPicture(kind, PictureState::Disabled, {96, 84});
        const QImage p = DrawCloseButtonPicture(kind, PictureState::Pressed, {96, 84});
        EXPECT_NE(n.convertToFormat(QImage::Format_ARGB32), d.convertToFormat(QImage::Format_ARGB32));
        EXPECT_NE(n.convertToFormat(QImage::Format_ARGB32), p.convertToFormat(QImage::Format_ARGB32));
    }
}

TEST_F(ClosingDialog, AnUnsolvedTaskCountsEveryAnswerAsAnError)
{
    // Solved after one wrong answer: 1 error; unsolved after one or two wrong answers: 1 and 2, never
    // "0 Fehler"; shown but never answered: "ungelöst".
    const int b = StartResultBlock(QStringLiteral("Tiere\\Hund.txt"));
    run().runResults[b].Rows = {row(2, true, QStringLiteral("00:01"), QStringLiteral(" Wort1")),
                                row(1, false, QString(), QString()), row(2, false, QString(), QString()),
                                row(0, false, QString(), QString())};
    ASSERT_TRUE(BuildRunProtocol(301));
    const QStringList tasks = run().runProtocol.filter(QStringLiteral("  Aufgabe "));
    EXPECT_EQ(tasks, (QStringList{QStringLiteral("  Aufgabe  1:   1 Fehler  (00:01)   Wort1 "),
                                  QStringLiteral("  Aufgabe  2:   1 Fehler  () "),
                                  QStringLiteral("  Aufgabe  3:   2 Fehler  () "),
                                  QStringLiteral("  Aufgabe  4:  ungelöst   () ")}));
    // In the display and the count the unsolved ones are wrong, the unanswered one is left out.
    const ProtocolRendering r = RenderProtocolRtf(run().runProtocol, nullptr, 301);
    ASSERT_EQ(r.counts.size(), 0u);  // no "Z" line yet
    AddWorkTimeLines();
    const ProtocolRendering withZ = RenderProtocolRtf(run().runProtocol, nullptr, 301);
    ASSERT_EQ(withZ.counts.size(), 1u);
    EXPECT_EQ(withZ.counts[0].ok, 0);
    EXPECT_EQ(withZ.counts[0].bad, 3);
}
