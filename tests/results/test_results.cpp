#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "results/Ergebnisse.h"
#include "results/RtfReader.h"
#include "support/TestSupport.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace {

class Results : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetGlobals();
        resetRun();
    }
    void TearDown() override { clock_::setFixedNow(QDateTime()); }

    static TZeile row(int attempts, bool solved, const QString& duration = QString(),
                      const QString& answers = QString(), int taskNumber = 0)
    {
        TZeile z;
        z.Attempts = attempts;
        z.Solved = solved;
        z.Duration = duration;
        z.Answers = answers;
        z.TaskNumber = taskNumber;
        return z;
    }
    static void addBlock(const QString& file, std::vector<TZeile> rows)
    {
        TErgebnis e;
        e.ListFile = file;
        e.Rows = std::move(rows);
        run().runResults.push_back(e);
    }
};

QString crlf(const QStringList& lines)
{
    QString s;
    for (const QString& l : lines)
        s += l + QStringLiteral("\r\n");
    return s;
}

} // namespace

TEST_F(Results, TaskLinesOfOrdinaryPrograms)
{
    TZeile help = row(3, true, QStringLiteral("00:12"), QStringLiteral(" Hund Hand"));
    help.WithHelp = true;
    help.OrderMatters = true;
    addBlock(QStringLiteral("Tiere\\Hund.txt"),
             {row(1, true, QStringLiteral("00:05"), QStringLiteral(" Hund")), row(0, false), help,
              row(2, false, QString(), QStringLiteral(" Maus"))});
    WriteRunSummary(402);
    const QStringList expected = {
        QStringLiteral(" "),
        QStringLiteral("F Tiere\\Hund.txt"),
        QStringLiteral("O "),
        QStringLiteral("  Aufgabe  1:   0 Fehler  (00:05)   Hund "),
        // shown, never answered: does not consume the number
        QStringLiteral("  Aufgabe  2:  ungelöst   () "),
        QStringLiteral("  Aufgabe  2:  (Reihenfolge beachten)  2 Fehler  (00:12)   Hund Hand  - mit Hilfe "),
        // unsolved: both answers were wrong
        QStringLiteral("  Aufgabe  3:   2 Fehler  ()   Maus "),
    };
    EXPECT_EQ(run().runProtocol, expected);
    EXPECT_EQ(run().countedTaskTotal, 3);
}

TEST_F(Results, NumbersOptionsAndMemoryLines)
{
    struct Case {
        int code;
        TErgebnis block;
        QStringList expected;
        int counted;
    };
    TErgebnis span;
    span.ListFile = QStringLiteral("a.txt");
    span.RememberCount = 3;
    span.ItemCount = 5;
    span.Rows = {row(1, true, QStringLiteral("1"))};
    TErgebnis tf;
    tf.ListFile = QStringLiteral("rf.txt");
    tf.Rows = {row(1, true, QStringLiteral("x"), QString(), 7), row(0, false, QString(), QString(), 100)};
    TErgebnis mem;
    mem.ListFile = QStringLiteral("m.txt");
    mem.ItemCount = 8;
    mem.CardVisibility = 0;
    mem.WithText = true;
    mem.WithPicture = true;
    mem.Rows = {row(0, false), row(12, true, QStringLiteral("01:02")), row(3, false)};
    TErgebnis mem2 = mem;
    mem2.CardVisibility = 1;
    mem2.WithText = false;
    mem2.Rows = {row(0, false)};
    const Case cases[] = {
        {101, span, {" ", "F a.txt", "O 3 von 5 Bildern zu merken", "  Aufgabe  1:   0 Fehler  (1) "}, 1},
        {302, tf, {" ", "F rf.txt", "O ", "  Aufgabe  7:   0 Fehler  (x) ", "  Aufgabe 100:  ungelöst   () "}, 1},
        {305, mem, {" ", "F m.txt", "O  8 Karten - Karten sind nicht sichtbar      - Text - Bild",
                    "  Aufgabe  1:  12 Versuche  gelöst!  (01:02) ", "  Aufgabe  2:   3 Versuche  () "}, 2},
        {407, mem2, {" ", "F m.txt", "O  8 Karten - Karten sind beim Hören sichtbar - Bild"}, 0},
    };
    for (const Case& c : cases) {
        resetRun();
        run().runResults = {c.block};
        WriteRunSummary(c.code);
        EXPECT_EQ(run().runProtocol, c.expected) << c.code;
        EXPECT_EQ(run().countedTaskTotal, c.counted) << c.code;
    }
}

TEST_F(Results, ConsecutiveBlocksOfOneFileShareTheFileLine)
{
    addBlock(QStringLiteral("Liste.txt"), {row(1, true)});
    addBlock(QStringLiteral("Leer.txt"), {});
    addBlock(QStringLiteral("LISTE.TXT"), {row(2, true)});
    addBlock(QStringLiteral("b.txt"), {row(1, true)});
    WriteRunSummary(301);
    const QStringList expected = {" ", "F Liste.txt", "O ", "  Aufgabe  1:   0 Fehler  () ",
                                  " ", "O ", "  Aufgabe  2:   1 Fehler  () ",
                                  " ", "F b.txt", "O ", "  Aufgabe  3:   0 Fehler  () "};
    EXPECT_EQ(run().runProtocol, expected);
}

TEST_F(Results, BuildRunProtocolHeadAndEmptyRun)
{
    clock_::setFixedNow(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 0)));
    addBlock(QStringLiteral("x.txt"), {});
    EXPECT_FALSE(BuildRunProtocol(402));
    EXPECT_TRUE(run().runProtocol.isEmpty());

    run().runDate = QDateTime(QDate(2026, 12, 8), QTime(13, 0));
    run().runStartTime = QDateTime(QDate(2026, 12, 8), QTime(13, 58, 56, 500));
    run().runResults[0].Rows.push_back(row(1, true));
    g().playerList = QStringList{QStringLiteral("Jörg")};
    ASSERT_TRUE(BuildRunProtocol(402));
    AddWorkTimeLines();
    EXPECT_EQ(run().runProtocol.mid(0, 3),
              (QStringList{"P 4.2. Laut-/Silbensuche", "N Jörg", "D 08.12.2026"}));
    EXPECT_EQ(run().runProtocol.mid(run().runProtocol.size() - 3),
              (QStringList{"Z 6 Minuten, 3 Sekunden ", "S 13:58", "E 14:05"}));

    // No player: no "N " line; 408 brings its own caption.
    g().playerList.clear();
    ASSERT_TRUE(BuildRunProtocol(408, QStringLiteral("Paare suchen")));
    EXPECT_EQ(run().runProtocol.mid(0, 2), (QStringList{"P 4.8. Paare suchen", "D 08.12.2026"}));
}

TEST_F(Results, PadNumberSplitTimeAndWorkTime)
{
    EXPECT_EQ(PadNumber(5, 2, QLatin1Char(' ')), QStringLiteral(" 5"));
    EXPECT_EQ(PadNumber(45, 3, QLatin1Char('0')), QStringLiteral("045"));
    EXPECT_EQ(PadNumber(100, 2, QLatin1Char(' ')), QStringLiteral("100"));
    EXPECT_EQ(PadNumber(0, 2, QLatin1Char(' ')), QStringLiteral(" 0"));
    const struct { qint64 ms; QString text; } cases[] = {
        {0, ""}, {999, ""}, {1000, "1 Sekunden "}, {60000, "1 Minuten"},
        {3600000 + 5 * 60000 + 3000, "1 Stunden, 5 Minuten, 3 Sekunden "},
        {86400000LL + 7000, "7 Sekunden "},  // whole days are dropped
    };
    const QDateTime start(QDate(2026, 1, 1), QTime(10, 0));
    for (const auto& c : cases)
        EXPECT_EQ(WorkTimeText(SplitTime(start, start.addMSecs(c.ms))), c.text) << c.ms;
    const TimeParts t = SplitTime(start, start.addMSecs(3723450));
    EXPECT_EQ((std::vector<int>{t.hours, t.minutes, t.seconds, t.hundredths}), (std::vector<int>{1, 2, 3, 45}));
}

TEST_F(Results, AppendKeepsEightOlderRunsAndWritesCrLf)
{
    TempTree tree;
    const QString path = tree.path(QStringLiteral("Protokoll/sub/Anna.prt"));
    run().runProtocol = {QStringLiteral("P 3.5. Memory"), QStringLiteral("N Anna")};
    ASSERT_TRUE(AppendRunToProtocolFile(path));  // folder and file are created
    EXPECT_EQ(tree.read(QStringLiteral("Protokoll/sub/Anna.prt")), QByteArray("P 3.5. Memory\r\nN Anna\r\n*\r\n"));

    QStringList old;
    for (int i = 1; i <= 12; ++i)
        old << QStringLiteral("P run %1").arg(i) << QStringLiteral("  *  ");
    tree.writeLines(QStringLiteral("Protokoll/sub/Anna.prt"), old);
    run().runProtocol = {QStringLiteral("P neu"), QStringLiteral("D Zürich")};
    ASSERT_TRUE(AppendRunToProtocolFile(path));
    QStringList expected = {QStringLiteral("  *  ")};
    for (int i = 5; i <= 12; ++i)
        expected << QStringLiteral("P run %1").arg(i) << QStringLiteral("  *  ");
    expected << QStringLiteral("P neu") << QStringLiteral("D Zürich") << QStringLiteral("*");
    EXPECT_EQ(QString::fromLatin1(tree.read(QStringLiteral("Protokoll/sub/Anna.prt"))), crlf(expected));

    // An empty protocol adds no marker; the file is still trimmed.
    run().runProtocol.clear();
    ASSERT_TRUE(AppendRunToProtocolFile(path));
    EXPECT_EQ(*fsys::readLines(path), expected.mid(2));
}

TEST_F(Results, EscapeRtf)
{
    EXPECT_EQ(EscapeRtf(QStringLiteral("a\\b öÖäÄüÜß ok")),
              QStringLiteral("a\\\\b \\'f6\\'d6\\'e4\\'c4\\'fc\\'dc\\'df ok"));
}

namespace {
QStringList runBlock(const QString& program, const QStringList& tasks, const QString& file = "Hund.txt")
{
    QStringList l = {"P " + program, "N Anna", "D 08.12.2026", " ", "F " + file, "O "};
    l += tasks;
    l << "Z 2 Minuten" << "S 14:05" << "E 14:07" << "*";
    return l;
}
QStringList repeat(const QString& line, int n)
{
    QStringList l;
    for (int i = 0; i < n; ++i)
        l << line;
    return l;
}
const QString kOk = QStringLiteral("  Aufgabe  1:   0 Fehler  (00:03)   Hund ");
const QString kBad = QStringLiteral("  Aufgabe  1:   2 Fehler  (00:03) ");
const QString kOpen = QStringLiteral("  Aufgabe  1:  ungelöst   () ");
} // namespace

TEST_F(Results, RenderCountsAndResultLines)
{
    struct Case {
        QString program;
        QStringList tasks;
        QString result;
        int ok, bad;
    };
    const Case cases[] = {
        {"4.2. Laut-/Silbensuche", repeat(kBad, 4), "Ergebnis: 0 von 4 Aufgaben richtig gelöst (0%)", 0, 4},
        {"4.2. Laut-/Silbensuche", {kOpen}, "Ergebnis: 0 von 0 Aufgaben richtig gelöst ()", 0, 0},
        {"3.1. Gleich/Nicht gleich?", QStringList{kOk} + repeat(kBad, 7) + QStringList{kOpen},
         "Ergebnis: 1 von 8 Aufgaben richtig gelöst (12%)", 1, 7},
        {"3.1. Gleich/Nicht gleich?", repeat(kOk, 3) + repeat(kBad, 5), "Ergebnis: 3 von 8 Aufgaben richtig gelöst (38%)", 3, 5},
        // Halves go to the even neighbour also where 100.0 / t * ok lies a rounding error above them.
        {"3.1. Gleich/Nicht gleich?", repeat(kOk, 15) + repeat(kBad, 9), "Ergebnis: 15 von 24 Aufgaben richtig gelöst (62%)", 15, 9},
        {"3.1. Gleich/Nicht gleich?", repeat(kOk, 11) + repeat(kBad, 77), "Ergebnis: 11 von 88 Aufgaben richtig gelöst (12%)", 11, 77},
        {"4.8. Paare suchen", repeat("  Aufgabe  1:   4 Versuche  gelöst!  (1) ", 60) + repeat("  Aufgabe  2:   6 Versuche  gelöst!  (1) ", 36),
         "Ergebnis: 60 von 96 Aufgaben ohne Fehler gelöst (62%)", 60, 36},
        {"3.1. Gleich/Nicht gleich?", repeat(kOk, 7) + repeat(kBad, 1), "Ergebnis: 7 von 8 Aufgaben richtig gelöst (88%)", 7, 1},
        {"3.1. Gleich/Nicht gleich?", repeat(kOk, 2) + repeat(kBad, 1), "Ergebnis: 2 von 3 Aufgaben richtig gelöst (67%)", 2, 1},
        // solved without a duration, and ten errors, are not right
        {"3.1. Gleich/Nicht gleich?", {"  Aufgabe  1:   0 Fehler  () ", "  Aufgabe  2:  10 Fehler  (1) ", kOk},
         "Ergebnis: 1 von 3 Aufgaben richtig gelöst (33%)", 1, 2},
        {"3.5. Memory", {"  Aufgabe  1:   8 Versuche  gelöst!  (1) ", "  Aufgabe  2:   3 Versuche  () "},
         "Ergebnis: 1 von 2 Aufgaben richtig gelöst (50%)", 1, 1},
        {"4.8. Paare suchen", {"B Aufgabe  1:   4 Versuche  gelöst!  (1) ", "  Aufgabe  2:   6 Versuche  gelöst!  (1) "},
         "Ergebnis: 1 von 2 Aufgaben ohne Fehler gelöst (50%)", 1, 1},
    };
    for (const Case& c : cases) {
        const ProtocolRendering r = RenderProtocolRtf(runBlock(c.program, c.tasks), nullptr, 0);
        ASSERT_EQ(r.counts.size(), 1u) << c.result.toStdString();
        EXPECT_EQ(r.counts[0].ok, c.ok) << c.result.toStdString();
        EXPECT_EQ(r.counts[0].bad, c.bad) << c.result.toStdString();
        EXPECT_TRUE(r.rtfLines.contains(EscapeRtf(c.result) + "   \\par ")) << r.rtfLines.join("\n").toStdString();
        EXPECT_FALSE(r.rtfLines.join("").contains("ungel")) << "an unanswered task is not shown";
        EXPECT_EQ(run().lastRtfLines, r.rtfLines);
    }
}

TEST_F(Results, RenderLinesAndSeveralRunBlocks)
{
    QStringList input = runBlock("4.2. Laut-/Silbensuche", {kOk, kBad}, "Bäume\\Öl.txt");
    input.insert(6, "T ignored line");
    input.insert(6, "");
    input += runBlock("3.1. Gleich/Nicht gleich?", {kOk});
    const ProtocolRendering r = RenderProtocolRtf(input, nullptr, 0);
    const QStringList firstBlock = {
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Courier New;}}",
        "\\fs20",
        "\\b 4.2. Laut-/Silbensuche  - 08.12.2026\\b0 \\par ",
        "\\fs16   \\par",
        " \\par ",
        "  \\ul Datei\\ulnone : B\\'e4ume\\\\\\'d6l.txt \\par ",
        "         ",
        " \\par ",
        "Aufgabe  1:   0 Fehler  (00:03)   Hund  \\par ",
        "Aufgabe  1:   2 Fehler  (00:03)  \\par ",
        " \\par ",
        "Ergebnis: 1 von 2 Aufgaben richtig gel\\'f6st (50%)   \\par ",
        "   \\par ",
        "Gesamtbearbeitungszeit: 2 Minuten - Start: 14:05 Uhr - Ende: 14:07 Uhr",
        "   \\par ",
        "   \\par ",
    };
    EXPECT_EQ(r.rtfLines.mid(0, firstBlock.size()), firstBlock);
    EXPECT_EQ(r.rtfLines.last(), "}");
    ASSERT_EQ(r.counts.size(), 2u);
    EXPECT_EQ(r.counts[1].ok, 1);
    EXPECT_EQ(r.counts[1].bad, 0);

    // The last run block starts at the last "\fs20".
    const QStringList last = LastRunBlock(r.rtfLines);
    EXPECT_EQ(last.first(), "\\fs20");
    EXPECT_EQ(last.at(1), "\\b 3.1. Gleich/Nicht gleich?  - 08.12.2026\\b0 \\par ");
    EXPECT_EQ(last.size(), r.rtfLines.size() - firstBlock.size());

    // A file of a single line is shown as it is.
    EXPECT_EQ(RenderProtocolRtf({"KEINE PROTOKOLLDATEI VORHANDEN!"}, nullptr, 0).rtfLines,
              (QStringList{"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Courier New;}}", "KEINE PROTOKOLLDATEI VORHANDEN!", "}"}));
}

TEST_F(Results, DisplayShowsUmlautsHeadingsAndBody)
{
    QTextEdit edit;
    RenderProtocolRtf(runBlock("4.3. Laute hinzufügen", {kOk}, "Übung\\große Wörter.txt"), &edit, 403);
    const QString text = edit.toPlainText();
    EXPECT_TRUE(text.contains("4.3. Laute hinzufügen  - 08.12.2026")) << text.toStdString();
    EXPECT_TRUE(text.contains("Datei: Übung\\große Wörter.txt")) << text.toStdString();
    EXPECT_TRUE(text.contains("Ergebnis: 1 von 1 Aufgaben richtig gelöst (100%)"));
    EXPECT_FALSE(text.contains("\\'"));
    const QTextBlock heading = edit.document()->findBlock(int(text.indexOf("4.3.")));
    const QTextCharFormat hf = heading.begin().fragment().charFormat();
    EXPECT_EQ(hf.fontWeight(), QFont::Bold);
    EXPECT_EQ(hf.fontPointSize(), 10.0);
    const QTextBlock body = edit.document()->findBlock(int(text.indexOf("Aufgabe  1")));
    const QTextCharFormat bf = body.begin().fragment().charFormat();
    EXPECT_EQ(bf.fontWeight(), QFont::Normal);
    EXPECT_EQ(bf.fontPointSize(), 8.0);
    EXPECT_EQ(bf.fontFamilies().toStringList(), QStringList{"Courier New"});
}

TEST_F(Results, RtfReaderSurvivesAnyInput)
{
    const struct { QString in; QString plain; } cases[] = {
        {"{\\rtf1 a\\par b}", "a\nb"},
        {"{\\rtf1\\ansi{\\fonttbl{\\f0 X;}}x\\'e4\\'zz\\'4}", "x\u00e4zz"},
        {"\\", ""},
        {"}}}{{{a", "a"},
        {"{\\b\\b0 x\\tab y\\unknown123 z}", "x\tyz"},
        {"\\\\\\{\\}", "\\{}"},
        {"{\\*\\foo hidden}shown", "shown"},
        {"\\fs99999999999999999999 big\\fs-5 x", "bigx"},
        {QString(5000, '{') + "deep" + QString(5000, '}') + "after", "deepafter"},
        {QString(200, '{') + "\\b a}}" + "b", "ab"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RtfToPlainText(c.in), c.plain) << c.in.left(60).toStdString();
}

TEST_F(Results, ExportLastProtocolWritesRtfAndText)
{
    TempTree tree;
    g().config.installationDirectory = tree.root();
    QStringList input = runBlock("4.1. Laute positionieren", {"P alt", "D 01.01.2026", "Z ", "S 1", "E 2"});
    input = QStringList{"P 2.3. Einer passt nicht - Bild", "D 07.12.2026", " ", "F x.txt", "O ", kOk, "Z ", "S 1", "E 2", "*"};
    QStringList newest = runBlock("2.1. Doppelgänger - Bild",
                                  {kOk, "  Aufgabe  2:   1 Fehler  (00:04)   Bär Bär ", " ", "F zwei.txt",
                                   "O 3 von 5 Bildern zu merken", "  Aufgabe  3:   0 Fehler  (1) "},
                                  "Tiere\\Bär.txt");
    const ProtocolRendering r = RenderProtocolRtf(input + newest, nullptr, 0);
    const QStringList last = LastRunBlock(r.rtfLines);
    QStringList text = {"stale"};
    ASSERT_TRUE(ExportLastProtocol(last, text));
    const QStringList expected = {
        "KALIMO Leistungsprotokoll vom 08.12.2026",
        "2.1. Doppelgänger - Bild",
        "",
        "Datei : Tiere\\Bär.txt",
        "",
        "",
        "Aufgabe  1:   0 Fehler  (00:03)   Hund",
        "Aufgabe  2:   1 Fehler  (00:04)   Bär Bär",
        "Datei : zwei.txt",
        "3 von 5 Bildern zu merken",
        "Aufgabe  3:   0 Fehler  (1)",
        "",
        "",
        "Gesamtbearbeitungszeit: 2 Minuten - Start: 14:05 Uhr - Ende: 14:07 Uhr",
    };
    EXPECT_EQ(text, expected);
    EXPECT_EQ(tree.read("Protokolle.txt"), fsys::joinLines(expected));
    EXPECT_EQ(tree.read("protokoll.rtf"), fsys::joinLines(last));
    EXPECT_TRUE(tree.read("Protokolle.txt").contains("B\xe4r"));
}

TEST_F(Results, RtfReaderReadsEveryPrefixOfAProtocol)
{
    // A cut-off file shows what it holds up to the cut, nothing else.
    const ProtocolRendering r =
        RenderProtocolRtf(runBlock("4.3. Laute hinzufügen", {kOk, kBad}, "Ä\\ö.txt"), nullptr, 0);
    const QString rtf = r.rtfLines.join("\r\n");
    const QString full = RtfToPlainText(rtf);
    ASSERT_TRUE(full.contains("Datei: \u00c4\\\u00f6.txt")) << full.toStdString();
    for (qsizetype n = 0; n <= rtf.size(); ++n) {
        const QString part = RtfToPlainText(rtf.left(n));
        ASSERT_TRUE(full.startsWith(part.trimmed())) << n << ": " << part.toStdString();
    }
}
