// The run history of a player: appended by the closing dialog, read back, shown as a chart and
// exported.
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "results/Ergebnisse.h"
#include "results/History.h"
#include "results/Verlauf.h"
#include "results/closedialog.h"
#include "support/TestSupport.h"

#include <QComboBox>
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
                                       runOf("05.12.2026 09:00", 301, 4, 4)}));
    TFormVerlauf view(historyPath(), QStringLiteral("Anna"));
    view.show();
    // The newest run's program comes first; the program choice lists both.
    EXPECT_EQ(view.CB_programm->currentData().toInt(), 301);
    EXPECT_EQ(view.CB_programm->count(), 2);
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
    TFormVerlauf view(sourceDir() + QStringLiteral("demo/Protokoll/Anna-Verlauf.csv"), QStringLiteral("Anna"));
    ASSERT_FALSE(view.shownRuns().empty());
    view.resize(screen * 0.9);
    view.move(screen.width() / 20, screen.height() / 20);
    view.show();
    QTest::qWait(400);
    QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QStringLiteral("/verlauf-") + tag + QStringLiteral(".png"));
    dialogs::ScriptedDialogs d;
    d.answerPrinter(dir + QStringLiteral("/verlauf-") + tag + QStringLiteral(".pdf"));
    view.printChart();

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
