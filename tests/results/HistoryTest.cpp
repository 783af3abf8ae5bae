// The run history of a player: appended by the closing dialog, read back, shown as a chart and
// exported.
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "results/Ergebnisse.h"
#include "results/History.h"
#include "results/Verlauf.h"
#include "results/PdfUtil.h"
#include "data/TaskList.h"
#include "results/closedialog.h"
#include "support/TestSupport.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFileInfo>
#include <QLegend>
#include <QScatterSeries>
#include <QSet>
#include <QStandardPaths>
#include <QValueAxis>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTableView>
#include <gtest/gtest.h>

using history::HistoryRun;

namespace {

HistoryRun runOf(const char* date, int code, int counted, int firstTry, int seconds = 60)
{
    HistoryRun r;
    r.start = QDateTime::fromString(QString::fromLatin1(date), QStringLiteral("dd.MM.yyyy HH:mm"));
    r.programCode = code;
    r.programName = code == 301 ? QStringLiteral("Gleich/Nicht gleich?") : QStringLiteral("Laut-/Silbensuche");
    r.listFile = QStringLiteral("3_Differenzierung\\Liste; eins.txt");
    r.counted = counted;
    r.firstTry = firstTry;
    r.withErrors = counted - firstTry;
    r.workSeconds = seconds;
    return r;
}

class History : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetRun();
        g().config.dirs.protokoll = tree.path(QStringLiteral("Daten/Protokoll/"));
        g().config.dirs.listen = tree.path(QStringLiteral("Listen/"));
        g().config.programSections[QStringLiteral("proglautsuche")].listenpfad =
            QStringLiteral("4_Laut-Silben-Analyse/2_Laut-Silbensuche");
        g().playerList = {QStringLiteral("Anna")};
        g().programCode = 402;
        clock_::setFixedNow(QDateTime(QDate(2026, 12, 10), QTime(12, 0)));
    }
    void TearDown() override { clock_::setFixedNow(QDateTime()); }
    QString historyPath() const { return tree.path(QStringLiteral("Daten/Protokoll/Anna-Verlauf.csv")); }

    TempTree tree;
};

} // namespace

TEST_F(History, EndingARunThroughTheClosingDialogAppendsOneLine)
{
    const QDateTime start(QDate(2026, 12, 8), QTime(9, 0));
    for (int runNo = 0; runNo < 2; ++runNo) {
        resetRun();
        run().runDate = run().runStartTime = start.addDays(runNo);
        clock_::setFixedNow(start.addDays(runNo).addSecs(5 * 60 + 3));
        const int b = StartResultBlock(QStringLiteral("Tiere\\Hund.txt"));
        auto row = [&](int attempts, bool solved) {
            TZeile& z = StartResultRow(b);
            z.Attempts = attempts;
            z.Solved = solved;
            z.Duration = solved ? QStringLiteral("00:03") : QString();
        };
        row(1, true);
        row(3, true);
        row(1, true);
        row(0, false);  // shown, never answered: not counted
        if (runNo == 1)
            StartResultRow(StartResultBlock(QStringLiteral("Tiere\\Katze.txt"))).Attempts = 2;
        ASSERT_TRUE(BuildRunProtocol(402));
        TFormclosedialog dlg;
        dlg.show();
        dlg.sb_ende->click();
    }
    const QByteArray bytes = tree.read(QStringLiteral("Daten/Protokoll/Anna-Verlauf.csv"));
    const QByteArray expected =
        "Datum;Startzeit;Programmnummer;Programm;Liste;Aufgaben;Beim ersten Versuch gel\xf6st;Mit Fehlern;"
        "Arbeitszeit in Sekunden\r\n"
        "08.12.2026;09:00;402;Laut-/Silbensuche;4_Laut-Silben-Analyse\\2_Laut-Silbensuche\\Tiere\\Hund.txt;3;2;1;303\r\n"
        "09.12.2026;09:00;402;Laut-/Silbensuche;4_Laut-Silben-Analyse\\2_Laut-Silbensuche\\Tiere\\Hund.txt + "
        "4_Laut-Silben-Analyse\\2_Laut-Silbensuche\\Tiere\\Katze.txt;4;2;2;303\r\n";
    EXPECT_EQ(bytes, expected);
}

TEST_F(History, FiguresFollowTheProtocolsCountingPerProgram)
{
    struct Case {
        int code;
        QStringList taskLines;
        int counted, firstTry, withErrors;
    } cases[] = {
        {301, {"   Aufgabe  1:   0 Fehler  (00:02) ", "   Aufgabe  2:   2 Fehler  (00:05) ",
               "   Aufgabe  3:  ungelöst   () "}, 2, 1, 1},
        {305, {"   Aufgabe  1:  12 Versuche  gelöst!  (01:10) ", "   Aufgabe  2:   9 Versuche  (00:40) "}, 2, 1, 1},
        {408, {"   Aufgabe  1:   4 Versuche  (00:10) ", "   Aufgabe  2:   6 Versuche  (00:20) "}, 2, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        QStringList protocol{QStringLiteral("P %1.%2. Name").arg(c.code / 100).arg(c.code % 100),
                             QStringLiteral("D 10.12.2026"), QStringLiteral(" "), QStringLiteral("F a.txt"),
                             QStringLiteral("O ")};
        for (const QString& t : c.taskLines)
            protocol << t;
        protocol << QStringLiteral("Z 1 Minuten") << QStringLiteral("S 09:00") << QStringLiteral("E 09:01");
        const QDateTime start(QDate(2026, 12, 10), QTime(9, 0, 30));
        const HistoryRun r = history::RunFromProtocol(protocol, start, start.addSecs(75));
        EXPECT_EQ(r.programCode, c.code);
        EXPECT_EQ(r.programName, QStringLiteral("Name"));
        EXPECT_EQ(r.listFile, QStringLiteral("a.txt"));
        EXPECT_EQ(r.counted, c.counted);
        EXPECT_EQ(r.firstTry, c.firstTry);
        EXPECT_EQ(r.withErrors, c.withErrors);
        EXPECT_EQ(r.workSeconds, 75);
    }
}

TEST_F(History, TenThousandRunsReadBackAndOneMoreIsAppended)
{
    std::vector<HistoryRun> runs;
    const QDateTime first(QDate(2020, 1, 1), QTime(8, 0));
    for (int i = 0; i < 9999; ++i) {
        HistoryRun r = runOf("01.01.2020 08:00", i % 2 ? 301 : 402, 10, i % 11);
        r.start = first.addSecs(qint64(i) * 3600 * 5);
        runs.push_back(r);
    }
    ASSERT_TRUE(history::WriteHistory(historyPath(), runs));
    const HistoryRun last = runOf("10.12.2026 11:00", 301, 12, 12, 999);
    ASSERT_TRUE(history::AppendRun(historyPath(), last));
    const history::HistoryFile file = history::ReadHistory(historyPath());
    EXPECT_EQ(file.brokenLines, 0);
    ASSERT_EQ(file.runs.size(), 10000u);
    EXPECT_EQ(file.runs.front(), runs.front());  // the list name with ";" survives its quotes
    EXPECT_EQ(file.runs[5000], runs[5000]);
    EXPECT_EQ(file.runs.back(), last);
}

TEST_F(History, BrokenLinesAreSkippedAndCountedInTheView)
{
    const HistoryRun good = runOf("01.12.2026 10:00", 301, 4, 3);
    tree.write(QStringLiteral("Daten/Protokoll/Anna-Verlauf.csv"),
               history::headerLine().toLatin1() + "\r\n" +
                   "01.12.2026;10:00;301;Gleich;a.txt;4;5;0;60\r\n"  // more first tries than tasks
                   "kaputt\r\n"
                   "\"offen;02.12.2026\r\n"
                   "31.02.2026;10:00;301;Gleich;a.txt;4;3;1;60\r\n" +
                   history::formatLine(good).toLatin1() + "\r\n" + "\x01\x02\xff;;;;;;;;\r\n");
    const history::HistoryFile file = history::ReadHistory(historyPath());
    EXPECT_EQ(file.brokenLines, 5);
    ASSERT_EQ(file.runs.size(), 1u);
    EXPECT_EQ(file.runs[0], good);

    TFormVerlauf view(historyPath(), QStringLiteral("Anna"));
    view.show();
    EXPECT_EQ(view.L_hinweis->text(),
              QStringLiteral("5 Zeilen der Verlaufsdatei sind nicht lesbar und werden übergangen."));
    EXPECT_EQ(view.shownRuns().size(), 1u);
    EXPECT_EQ(view.table->model()->rowCount(), 1);

    // Appending keeps the hand-edited lines as they are.
    const QByteArray before = tree.read(QStringLiteral("Daten/Protokoll/Anna-Verlauf.csv"));
    ASSERT_TRUE(history::AppendRun(historyPath(), good));
    EXPECT_TRUE(tree.read(QStringLiteral("Daten/Protokoll/Anna-Verlauf.csv")).startsWith(before));
}

TEST_F(History, ChartShowsTheChosenProgramWithinTheSpan)
{
    ASSERT_TRUE(history::WriteHistory(historyPath(),
                                      {runOf("01.06.2026 09:00", 301, 10, 5), runOf("20.11.2026 09:00", 402, 4, 1),
                                       runOf("25.11.2026 09:00", 301, 8, 6), runOf("26.11.2026 09:00", 301, 0, 0),
                                       runOf("05.12.2026 09:00", 301, 5, 5)}));
    TFormVerlauf view(historyPath(), QStringLiteral("Anna"));
    view.show();
    // The newest run's program comes first; the program choice lists both and all together.
    EXPECT_EQ(view.CB_programm->currentData().toInt(), 301);
    EXPECT_EQ(view.CB_programm->count(), 3);
    auto x = [](const char* date) {
        return qreal(QDateTime::fromString(QString::fromLatin1(date), QStringLiteral("dd.MM.yyyy HH:mm"))
                         .toMSecsSinceEpoch());
    };
    // A run without counted tasks has no share and no point, but a row in the table.
    EXPECT_EQ(view.series()->points(), (QList<QPointF>{{x("01.06.2026 09:00"), 50.0},
                                                       {x("25.11.2026 09:00"), 75.0},
                                                       {x("05.12.2026 09:00"), 100.0}}));
    EXPECT_EQ(view.table->model()->rowCount(), 4);
    EXPECT_EQ(view.table->model()->index(0, 0).data().toString(), QStringLiteral("05.12.2026"));  // newest first

    view.choose(301, TFormVerlauf::Span::Weeks4);
    EXPECT_EQ(view.series()->points().size(), 2);
    view.choose(402, TFormVerlauf::Span::Alles);
    EXPECT_EQ(view.series()->points(), (QList<QPointF>{{x("20.11.2026 09:00"), 25.0}}));
}

TEST_F(History, ExportWritesTheReadableRunsWhereTheAdultChooses)
{
    const std::vector<HistoryRun> runs{runOf("01.12.2026 10:00", 301, 4, 3), runOf("02.12.2026 10:00", 402, 6, 6)};
    ASSERT_TRUE(history::WriteHistory(historyPath(), runs));
    tree.write(QStringLiteral("Daten/Protokoll/Anna-Verlauf.csv"),
               tree.read(QStringLiteral("Daten/Protokoll/Anna-Verlauf.csv")) + "kaputt\r\n");
    TFormVerlauf view(historyPath(), QStringLiteral("Anna"));
    dialogs::ScriptedDialogs d;
    const QString target = tree.path(QStringLiteral("Export/Anna"));
    QDir().mkpath(tree.path(QStringLiteral("Export")));
    d.answerFile(target);
    view.SB_exportieren->click();
    const history::HistoryFile exported = history::ReadHistory(target + QStringLiteral(".csv"));
    EXPECT_EQ(exported.runs, runs);
    EXPECT_EQ(exported.brokenLines, 0);
    EXPECT_TRUE(tree.read(QStringLiteral("Export/Anna.csv")).startsWith("Datum;Startzeit;"));
}

TEST_F(History, AnUnreadableHistoryIsNeverWrittenOver)
{
    QDir().mkpath(historyPath());  // a folder in the file's place
    errno = 0;
    EXPECT_FALSE(history::AppendRun(historyPath(), runOf("01.12.2026 10:00", 301, 4, 3)));
    EXPECT_NE(errno, 0);
    EXPECT_TRUE(QFileInfo(historyPath()).isDir());
    TFormVerlauf view(historyPath(), QStringLiteral("Anna"));
    EXPECT_EQ(view.L_hinweis->text(), QStringLiteral("Die Verlaufsdatei kann nicht gelesen werden."));
    EXPECT_FALSE(view.SB_drucken->isEnabled());
}

// For a person to look at: the demo player's history as the view shows it and as it prints. Run
// under Xvfb with KALIMO_SHOTS_DIR set (scripts/screenshots); skipped otherwise.
TEST_F(History, ScreenshotsOfTheDemoHistoryAndItsPrintout)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString tag = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    for (const QString& player : {QStringLiteral("Anna"), QStringLiteral("Ben")}) {
        g().config.dirs.listen = sourceDir() + QStringLiteral("demo/Listen/");
        TFormVerlauf view(sourceDir() + QStringLiteral("demo/Protokoll/") + player + QStringLiteral("-Verlauf.csv"), player);
        ASSERT_FALSE(view.shownRuns().empty());
        view.resize(screen * 0.9);
        view.move(screen.width() / 20, screen.height() / 20);
        view.show();
        QTest::qWait(400);
        const QString name = dir + QStringLiteral("/verlauf-") + player + QLatin1Char('-') + tag;
        QGuiApplication::primaryScreen()->grabWindow(0).save(name + QStringLiteral(".png"));
        dialogs::ScriptedDialogs d;
        d.answerPrinter(name + QStringLiteral(".pdf"));
        view.printChart();
        if (player == QLatin1String("Anna")) {
            view.choose(TFormVerlauf::kAllPrograms, TFormVerlauf::Span::Alles, TFormVerlauf::Lines::PerProgram);
            QTest::qWait(400);
            QGuiApplication::primaryScreen()->grabWindow(0).save(name + QStringLiteral("-alle.png"));
        }
    }

    // Years of daily runs: the line is drawn without markers and without smoothing.
    std::vector<HistoryRun> runs;
    for (int i = 0; i < 2000; ++i) {
        HistoryRun r = runOf("01.01.2021 09:00", 301, 10, std::min(10, 2 + i / 300 + (i * 7) % 4));
        r.start = r.start.addDays(i);
        runs.push_back(r);
    }
    ASSERT_TRUE(history::WriteHistory(historyPath(), runs));
    TFormVerlauf dense(historyPath(), QStringLiteral("Anna"));
    dense.resize(screen * 0.9);
    dense.move(screen.width() / 20, screen.height() / 20);
    dense.show();
    QTest::qWait(400);
    QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QStringLiteral("/verlauf-dicht-") + tag +
                                                         QStringLiteral(".png"));
}

// The list box of "Gleich oder Nichtgleich" shows only the file's name; the history names the file
// the run played, below the `Listen` folder, whichever sub-folder it is in.
TEST_F(History, TheHistoryNamesTheListFileTheRunPlayed)
{
    const QString folder = QStringLiteral("Listen/3_Differenzierung/1_Gleich oder Nichtgleich/Minimalpaare/");
    const QString list = tree.writeLines(folder + QStringLiteral("04 Hand und Hase.txt"),
                                         {"[Allgemein]", "Aufgabencount=1", "[Aufgabe 1]", "1=|100|Hand|",
                                          "2=|100|Hase|"});
    g().programCode = 301;
    g().defaultElementCount = 2;
    ASSERT_EQ(LoadTaskList(list), 1);
    const QDateTime start(QDate(2026, 12, 8), QTime(9, 0));
    run().runDate = run().runStartTime = start;
    clock_::setFixedNow(start.addSecs(60));
    TZeile& z = StartResultRow(StartResultBlock(QStringLiteral("04 Hand und Hase.txt")));
    z.Attempts = 1;
    z.Solved = true;
    ASSERT_TRUE(BuildRunProtocol(301));
    EXPECT_TRUE(run().runProtocol.contains(QStringLiteral("F 04 Hand und Hase.txt")));  // the protocol as before
    TFormclosedialog dlg;
    dlg.show();
    dlg.sb_ende->click();
    const history::HistoryFile file = history::ReadHistory(historyPath());
    ASSERT_EQ(file.runs.size(), 1u);
    EXPECT_EQ(file.runs[0].listFile,
              QStringLiteral("3_Differenzierung\\1_Gleich oder Nichtgleich\\Minimalpaare\\04 Hand und Hase.txt"));
}

// The time axis counts whole days, weeks or months by the span shown, each label once, and every
// point stands over the label of its own day; the share axis shows 0 to 100 % with room around.
TEST_F(History, TheTimeAxisHasEachDayWeekOrMonthOnceAndTheSharesRoomAround)
{
    struct Case { std::vector<const char*> dates; QString first, last; int labels; };
    const Case cases[] = {
        {{"10.12.2026 09:00", "10.12.2026 17:30"}, "10.12.", "10.12.", 1},
        {{"01.12.2026 09:00", "03.12.2026 09:00", "10.12.2026 09:00"}, "01.12.", "10.12.", 10},
        {{"19.10.2026 09:00", "07.12.2026 09:00"}, "KW 43", "KW 50", 8},
        {{"10.01.2026 09:00", "01.12.2026 09:00"}, "Jan. 2026", "Dez. 2026", 12},
        {{"10.01.2024 09:00", "01.12.2026 09:00"}, "Jan. 2024", "Okt. 2026", 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dates.front());
        std::vector<HistoryRun> runs;
        for (const char* d : c.dates)
            runs.push_back(runOf(d, 301, 10, 10));
        ASSERT_TRUE(history::WriteHistory(historyPath(), runs));
        TFormVerlauf view(historyPath(), QStringLiteral("Anna"));
        view.show();
        auto* x = qobject_cast<QCategoryAxis*>(view.chartView->chart()->axes(Qt::Horizontal).value(0));
        ASSERT_NE(x, nullptr);
        const QStringList labels = x->categoriesLabels();
        EXPECT_EQ(labels.size(), c.labels) << labels.join("|").toStdString();
        EXPECT_EQ(QSet<QString>(labels.begin(), labels.end()).size(), labels.size());
        ASSERT_FALSE(labels.isEmpty());
        EXPECT_EQ(labels.first(), c.first);
        EXPECT_EQ(labels.last(), c.last);
        for (const QPointF& p : view.series()->points()) {
            EXPECT_GE(p.x(), x->min());
            EXPECT_LE(p.x(), x->max());
            if (c.labels == 1 || labels.first().endsWith(QLatin1Char('.'))) {
                // The category holding the point is labelled with the point's day.
                const QString day = QDateTime::fromMSecsSinceEpoch(qint64(p.x())).toString(QStringLiteral("dd.MM."));
                const int i = labels.indexOf(day);
                ASSERT_GE(i, 0);
                EXPECT_GE(p.x(), i == 0 ? x->startValue() : x->endValue(labels[i - 1]));
                EXPECT_LT(p.x(), x->endValue(labels[i]));
            }
        }
        auto* y = qobject_cast<QValueAxis*>(view.chartView->chart()->axes(Qt::Vertical).value(0));
        ASSERT_NE(y, nullptr);
        EXPECT_LT(y->min(), 0);
        EXPECT_GT(y->max(), 100);
        EXPECT_EQ(y->tickType(), QValueAxis::TicksDynamic);
        EXPECT_EQ(y->tickAnchor(), 0);
        EXPECT_EQ(y->tickInterval(), 20);
    }
}

// Runs of different lists are lines of their own (or one line per program, by choice); a run
// broken off after fewer than half of its list's tasks is a hollow point off the line, with a note.
TEST_F(History, ListsHaveTheirOwnLinesAndBrokenOffRunsAreHollow)
{
    tree.writeLines(QStringLiteral("Listen/3_Differenzierung/Tiere.txt"),
                    {"[Allgemein]", "Aufgabencount=10", "[Aufgabe 1]", "1=|100|a|"});
    auto onList = [](HistoryRun r, const char* list) {
        r.listFile = QString::fromLatin1(list);
        return r;
    };
    ASSERT_TRUE(history::WriteHistory(
        historyPath(), {onList(runOf("01.12.2026 09:00", 301, 10, 5), "3_Differenzierung\\Tiere.txt"),
                        onList(runOf("02.12.2026 09:00", 301, 1, 1), "3_Differenzierung\\Tiere.txt"),   // broken off
                        onList(runOf("03.12.2026 09:00", 301, 6, 3), "3_Differenzierung\\Obst.txt"),
                        onList(runOf("04.12.2026 09:00", 301, 2, 2), "3_Differenzierung\\Obst.txt"),    // 2 of 6
                        onList(runOf("05.12.2026 09:00", 301, 10, 8), "3_Differenzierung\\Tiere.txt"),
                        onList(runOf("06.12.2026 09:00", 402, 4, 4), "4_Laut\\a.txt")}));
    TFormVerlauf view(historyPath(), QStringLiteral("Anna"));
    view.show();
    view.choose(301, TFormVerlauf::Span::Alles, TFormVerlauf::Lines::PerList);
    ASSERT_EQ(view.lines().size(), 2u);
    EXPECT_EQ(view.lines()[0]->name(), QStringLiteral("Tiere"));
    EXPECT_EQ(view.lines()[0]->count(), 2);
    EXPECT_EQ(view.lines()[1]->name(), QStringLiteral("Obst"));
    EXPECT_EQ(view.lines()[1]->count(), 1);
    EXPECT_NE(view.lines()[0]->pen().color(), view.lines()[1]->pen().color());
    ASSERT_EQ(view.abortedPoints().size(), 2u);
    EXPECT_EQ(view.abortedPoints()[0]->points(), (QList<QPointF>{{view.shownRuns()[1].start.toMSecsSinceEpoch() * 1.0, 100.0}}));
    EXPECT_EQ(view.abortedPoints()[0]->brush().color(), QColor(Qt::white));
    EXPECT_TRUE(view.chartView->chart()->legend()->isVisible());
    EXPECT_TRUE(view.L_hinweis->text().contains(QStringLiteral("Hohle Punkte: abgebrochene Durchgänge")));
    EXPECT_EQ(view.table->model()->rowCount(), 5);  // broken-off runs keep their rows

    view.choose(301, TFormVerlauf::Span::Alles, TFormVerlauf::Lines::PerProgram);
    ASSERT_EQ(view.lines().size(), 1u);
    EXPECT_EQ(view.lines()[0]->count(), 3);
    view.choose(TFormVerlauf::kAllPrograms, TFormVerlauf::Span::Alles, TFormVerlauf::Lines::PerProgram);
    EXPECT_EQ(view.lines().size(), 2u);
    EXPECT_EQ(view.shownRuns().size(), 6u);
    EXPECT_EQ(view.CB_zeitraum->itemText(int(TFormVerlauf::Span::Months6)), QStringLiteral("letztes Halbjahr"));
}

// The printout shows the chart and, below it, the table of the runs shown.
TEST_F(History, ThePrintoutHasTheTableBelowTheChart)
{
    std::vector<HistoryRun> runs;
    for (int i = 0; i < 70; ++i) {
        HistoryRun r = runOf("01.09.2026 09:00", 301, 10, 3 + i % 7, 125);
        r.start = r.start.addDays(i);
        runs.push_back(r);
    }
    ASSERT_TRUE(history::WriteHistory(historyPath(), runs));
    TFormVerlauf view(historyPath(), QStringLiteral("Anna"));
    dialogs::ScriptedDialogs d;
    const QString pdf = tree.path(QStringLiteral("verlauf.pdf"));
    d.answerPrinter(pdf);
    view.printChart();
    const QString text = pdfutil::text(pdf);
    ASSERT_FALSE(text.isEmpty());
    for (const char* part : {"Verlauf von Anna", "Datum", "Arbeitszeit", "09.11.2026", "01.09.2026", "2:05", "KW"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part;
    EXPECT_GE(pdfutil::pages(pdf).size(), 2);  // seventy rows go on to a second page
}

// The export proposes a new file in the documents folder, never the history itself; choosing the
// history itself is refused, and a written export is confirmed.
TEST_F(History, TheExportProposesANewFileAndNeverWritesOverTheHistory)
{
    ASSERT_TRUE(history::WriteHistory(historyPath(), {runOf("01.12.2026 10:00", 301, 4, 3)}));
    tree.write(QStringLiteral("Daten/Protokoll/Anna-Verlauf.csv"),
               tree.read(QStringLiteral("Daten/Protokoll/Anna-Verlauf.csv")) + "von Hand\r\n");
    const QByteArray live = tree.read(QStringLiteral("Daten/Protokoll/Anna-Verlauf.csv"));
    TFormVerlauf view(historyPath(), QStringLiteral("Anna"));
    dialogs::ScriptedDialogs d;
    d.answerFile(historyPath());
    view.SB_exportieren->click();
    ASSERT_EQ(d.asked().size(), 2);
    EXPECT_EQ(d.asked()[0].kind, QStringLiteral("saveFile"));
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty() || !QFileInfo(documents).isDir())
        documents = QDir::homePath();
    EXPECT_EQ(view.exportProposal(), documents + QStringLiteral("/Anna-Verlauf 2026-12-10.csv"));
    EXPECT_TRUE(d.asked()[1].text.contains(QStringLiteral("nicht über seine eigene Datei")));
    EXPECT_EQ(tree.read(QStringLiteral("Daten/Protokoll/Anna-Verlauf.csv")), live);

    d.clear();
    d.answerFile(tree.path(QStringLiteral("Anna-Export")));
    view.SB_exportieren->click();
    EXPECT_EQ(d.texts().last(), QStringLiteral("Datei gespeichert: ") + tree.path(QStringLiteral("Anna-Export.csv")));
    EXPECT_EQ(history::ReadHistory(tree.path(QStringLiteral("Anna-Export.csv"))).runs.size(), 1u);
}

// The demo players come with their protocol files beside their histories, and each protocol's
// newest run is the history's newest line.
TEST(DemoHistory, EveryDemoPlayerHasAProtocolThatAgreesWithItsHistory)
{
    for (const QString& player : {QStringLiteral("Anna"), QStringLiteral("Ben")}) {
        SCOPED_TRACE(player.toStdString());
        const QString folder = sourceDir() + QStringLiteral("demo/Protokoll/");
        const history::HistoryFile h = history::ReadHistory(folder + player + QStringLiteral("-Verlauf.csv"));
        ASSERT_FALSE(h.runs.empty());
        EXPECT_EQ(h.brokenLines, 0);
        const auto lines = fsys::readLines(folder + player + QStringLiteral(".prt"));
        ASSERT_TRUE(lines.has_value());
        QStringList last;
        for (const QString& l : *lines) {
            if (l.startsWith(QStringLiteral("P ")))
                last.clear();
            last << l;
        }
        EXPECT_EQ(lines->count(QStringLiteral("*")), std::min<qsizetype>(9, qsizetype(h.runs.size())));
        const HistoryRun fromProtocol = history::RunFromProtocol(last, h.runs.back().start, h.runs.back().start);
        EXPECT_EQ(fromProtocol.programCode, h.runs.back().programCode);
        EXPECT_EQ(fromProtocol.counted, h.runs.back().counted);
        EXPECT_EQ(fromProtocol.firstTry, h.runs.back().firstTry);
        EXPECT_TRUE(h.runs.back().listFile.endsWith(fromProtocol.listFile));
    }
}
