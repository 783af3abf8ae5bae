#include "PdfUtil.h"
#include "core/Catalogue.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "results/Drucken.h"
#include "results/Klassenuebersicht.h"
#include "results/Verlauf.h"
#include "support/ClassHistories.h"
#include "support/LargeInstallation.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace overview;

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(12, 0));

// A class of 30 players with about four months of runs each, and "Standard" who never practised.
class ClassOverview : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clock_::setFixedNow(kNow);
        for (int i = 0; i < 30; ++i)
            players << largeinstallation::playerName(i);
        ASSERT_TRUE(classhistories::write(folder(), players, shape, kNow));
    }
    void TearDown() override { clock_::setFixedNow(QDateTime()); }
    QString folder() const { return tree.path(QStringLiteral("Protokoll/")); }
    QStringList listed() const { return QStringList(players) << QStringLiteral("Standard"); }
    // The row of a player in the table's order; -1 when not shown.
    static int tableRow(const TFormKlassenuebersicht& f, const QString& name)
    {
        const auto rows = f.shownRows();
        for (size_t i = 0; i < rows.size(); ++i)
            if (f.history().players[size_t(rows[i]->player)].name == name)
                return int(i);
        return -1;
    }
    static const Row* rowOf(const TFormKlassenuebersicht& f, const QString& name)
    {
        const int r = tableRow(f, name);
        return r < 0 ? nullptr : f.shownRows()[size_t(r)];
    }
    // Every file below the tree with its hash: the overview must change none.
    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> out;
        QDirIterator it(tree.root(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            out[f] = QCryptographicHash::hash(tree.read(f.mid(tree.root().size())), QCryptographicHash::Md5);
        }
        return out;
    }

    TempTree tree;
    QStringList players;
    classhistories::Shape shape;
};

TEST_F(ClassOverview, OneRowPerPlayerWithRunsMeanAndTrendPerGroup)
{
    TFormKlassenuebersicht f(folder(), listed());
    f.choose(Span::All, Columns::Groups);
    ASSERT_EQ(f.shownRows().size(), 31u);
    ASSERT_EQ(f.columns().size(), 4u);
    EXPECT_EQ(f.columns()[0].title, QStringLiteral("Merkfähigkeit"));
    for (int i : {0, 1, 6, 29}) {
        SCOPED_TRACE(i);
        const Row* row = rowOf(f, players[i]);
        ASSERT_NE(row, nullptr);
        // The expected figures of the first group's column, from the runs as written.
        int runs = 0;
        double sum = 0;
        std::vector<double> percents;
        int total = 0;
        for (int j = 0; j < shape.runsPerPlayer; ++j) {
            const auto fig = classhistories::figures(i, j, shape.runsPerPlayer);
            if (fig.code / 100 != 1)
                continue;
            ++runs;
            percents.push_back(100.0 * fig.firstTry / fig.counted);
            sum += percents.back();
        }
        for (const Cell& c : row->cells)
            total += c.runs;
        EXPECT_EQ(total, shape.runsPerPlayer);
        const Cell& cell = row->cells[0];
        EXPECT_EQ(cell.runs, runs);
        EXPECT_NEAR(cell.meanPercent, sum / runs, 1e-9);
        // Even players get better over the months, odd ones worse.
        EXPECT_EQ(cell.trend, i % 2 == 0 ? Trend::Up : Trend::Down);
        EXPECT_EQ(row->lastRun, classhistories::runStart(i, shape.runsPerPlayer - 1, shape, kNow));
        // The table shows the same: runs, rounded mean and arrow.
        const QModelIndex idx = f.table->model()->index(tableRow(f, players[i]), TFormKlassenuebersicht::kFirstCellColumn);
        EXPECT_EQ(idx.data().toString(), QString::number(runs) + QChar(0x00d7) + QLatin1Char(' ') +
                                             QString::number(qRound(sum / runs)) + QStringLiteral(" % ") +
                                             QChar(i % 2 == 0 ? 0x2191 : 0x2193));
        EXPECT_EQ(f.table->model()->index(tableRow(f, players[i]), 1).data().toString(),
                  row->lastRun.toString(QStringLiteral("dd.MM.yyyy")));
    }
    const Row* standard = rowOf(f, QStringLiteral("Standard"));
    ASSERT_NE(standard, nullptr);
    EXPECT_FALSE(standard->lastRun.isValid());
    EXPECT_FALSE(standard->activeInSpan);
}

TEST_F(ClassOverview, TrendComparesTheLastThreeScoredRunsWithTheThreeBefore)
{
    struct Case {
        std::vector<double> percents;
        Trend want;
    } cases[] = {
        {{}, Trend::None},
        {{10, 20, 30, 40, 50}, Trend::None},
        {{50, 50, 50, 55, 55, 55}, Trend::Up},
        {{50, 50, 50, 54, 55, 55}, Trend::Same},
        {{0, 0, 90, 90, 90, 40, 40, 40}, Trend::Down},
        {{100, 100, 100, 96, 96, 96}, Trend::Same},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrendOf(c.percents), c.want) << c.percents.size();
}

TEST_F(ClassOverview, SpanGreysPlayersWithoutARunInIt)
{
    TFormKlassenuebersicht f(folder(), listed());
    struct Case {
        Span span;
        int active;
    } cases[] = {{Span::Days7, 26}, {Span::Weeks4, 26}, {Span::HalfYear, 30}, {Span::All, 30}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.span));
        f.choose(c.span, Columns::Groups);
        int active = 0;
        for (const Row* r : f.shownRows())
            active += r->activeInSpan;
        EXPECT_EQ(active, c.active);
    }
    f.choose(Span::Weeks4, Columns::Groups);
    for (int i = 0; i < 30; ++i) {
        const int r = tableRow(f, players[i]);
        const QVariant fg = f.table->model()->index(r, 0).data(Qt::ForegroundRole);
        EXPECT_EQ(fg.isValid(), classhistories::isIdle(i, shape)) << i;
        if (classhistories::isIdle(i, shape)) {
            EXPECT_EQ(f.table->model()->index(r, TFormKlassenuebersicht::kFirstCellColumn + 2).data().toString(), QString());
            EXPECT_NE(f.table->model()->index(r, 1).data().toString(), QString());  // practised, long ago
        }
    }
}

TEST_F(ClassOverview, EveryColumnSortsBothWaysAndTheFilterKeepsMatchingNames)
{
    TFormKlassenuebersicht f(folder(), listed());
    for (Columns kind : {Columns::Groups, Columns::Programs}) {
        f.choose(Span::HalfYear, kind);
        const int columns = f.table->model()->columnCount();
        EXPECT_EQ(columns, 2 + int(kind == Columns::Groups ? 4 : catalogue::programs().size()));
        for (int c = 0; c < columns; ++c) {
            for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
                SCOPED_TRACE(QStringLiteral("column %1 order %2").arg(c).arg(int(order)).toStdString());
                f.table->horizontalHeader()->setSortIndicator(c, order);
                QAbstractItemModel* m = f.table->model();
                ASSERT_EQ(m->rowCount(), 31);
                for (int r = 1; r < m->rowCount(); ++r) {
                    const QVariant a = m->index(r - 1, c).data(Qt::UserRole + 1), b = m->index(r, c).data(Qt::UserRole + 1);
                    const int cmp = c == 0 ? QString::compare(a.toString(), b.toString())
                                           : (a.toDouble() < b.toDouble() ? -1 : a.toDouble() > b.toDouble() ? 1 : 0);
                    const bool inOrder = order == Qt::AscendingOrder ? cmp <= 0 : cmp >= 0;
                    ASSERT_TRUE(inOrder) << r;
                }
            }
        }
    }
    // Names compare without case: "Standard" among the made players' first names.
    f.table->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    QStringList shown;
    for (const Row* r : f.shownRows())
        shown << f.history().players[size_t(r->player)].name;
    QStringList sorted = shown;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(shown, sorted);

    const QString part = players[4].left(3).toUpper();
    f.E_filter->setText(part);
    int expected = 0;
    for (const QString& p : listed())
        expected += p.contains(part, Qt::CaseInsensitive);
    ASSERT_GT(expected, 0);
    EXPECT_EQ(int(f.shownRows().size()), expected);
    for (const Row* r : f.shownRows())
        EXPECT_TRUE(f.history().players[size_t(r->player)].name.contains(part, Qt::CaseInsensitive));
}

TEST_F(ClassOverview, ClickOnACellOpensThatPlayersVerlaufAtThatProgram)
{
    TFormKlassenuebersicht f(folder(), listed());
    f.resize(1200, 800);
    f.show();
    f.choose(Span::Weeks4, Columns::Programs);
    const QString player = players[2];
    const int r = tableRow(f, player);
    // The column of program 301 ("Gleich oder Nichtgleich").
    int column = -1;
    for (size_t c = 0; c < f.columns().size(); ++c)
        if (f.columns()[c].programs == std::vector<int>{301})
            column = int(c) + TFormKlassenuebersicht::kFirstCellColumn;
    ASSERT_GE(column, 0);
    const QModelIndex idx = f.table->model()->index(r, column);
    ASSERT_NE(idx.data().toString(), QString());
    f.table->scrollTo(idx);

    // The real view, answered while it is open.
    int chosenProgram = -1;
    std::vector<int> shownPrograms;
    QString title;
    QTimer::singleShot(0, [&] {
        auto* v = qobject_cast<TFormVerlauf*>(QApplication::activeModalWidget());
        ASSERT_NE(v, nullptr);
        chosenProgram = v->CB_programm->currentData().toInt();
        for (const auto& run : v->shownRuns())
            shownPrograms.push_back(run.programCode);
        title = v->windowTitle();
        v->reject();
    });
    QTest::mouseClick(f.table->viewport(), Qt::LeftButton, {}, f.table->visualRect(idx).center());
    EXPECT_EQ(chosenProgram, 301);
    EXPECT_EQ(title, QStringLiteral("Verlauf von ") + player);
    ASSERT_FALSE(shownPrograms.empty());
    for (int code : shownPrograms)
        EXPECT_EQ(code, 301);

    // A group's cell opens the program of the newest run in it; an empty cell opens nothing.
    std::vector<std::tuple<QString, QString, int>> opened;
    f.openHistory = [&](const QString& path, const QString& name, int code) { opened.emplace_back(path, name, code); };
    f.choose(Span::All, Columns::Groups);
    const Row* row = rowOf(f, player);
    f.openCell(f.table->model()->index(tableRow(f, player), TFormKlassenuebersicht::kFirstCellColumn + 3));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(std::get<0>(opened[0]), folder() + player + QStringLiteral("-Verlauf.csv"));
    EXPECT_EQ(std::get<2>(opened[0]), row->cells[3].newestProgram);
    EXPECT_EQ(std::get<2>(opened[0]) / 100, 4);
    f.openCell(f.table->model()->index(tableRow(f, QStringLiteral("Standard")), TFormKlassenuebersicht::kFirstCellColumn));
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(ClassOverview, BrokenLinesAreCountedAnUnreadableFileIsNamedAndNothingIsWritten)
{
    // Three lines edited by hand and a last line cut off while it was written.
    const QString broken = players[5] + QStringLiteral("-Verlauf.csv");
    QByteArray bytes = tree.read(QStringLiteral("Protokoll/") + broken);
    bytes += "kaputt;;;\r\n01.13.2026;10:00;301;Gleich;a.txt;10;5;5;60\r\n10.12.2026;10:00;301;Gleich;a.txt;10;11;0;60\r\n";
    bytes += "09.12.2026;11:";
    tree.write(QStringLiteral("Protokoll/") + broken, bytes);
    const QString unreadable = folder() + players[7] + QStringLiteral("-Verlauf.csv");
    const auto before = snapshot();

    fsys::testing::Faults faults;
    faults.unreadable << unreadable;
    fsys::testing::InjectFaults inject(faults);
    TFormKlassenuebersicht f(folder(), listed());
    f.choose(Span::All, Columns::Groups);
    EXPECT_EQ(f.history().brokenLines, 4);
    const QString note = f.L_hinweis->text();
    EXPECT_TRUE(note.contains(QStringLiteral("4 Zeilen der Verlaufsdateien sind nicht lesbar und wurden übergangen.")))
        << note.toStdString();
    EXPECT_TRUE(note.contains(QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden.").arg(unreadable)))
        << note.toStdString();
    // The readable runs of the broken file count; the unreadable player keeps an empty row.
    int runs = 0;
    for (const Cell& c : rowOf(f, players[5])->cells)
        runs += c.runs;
    EXPECT_EQ(runs, shape.runsPerPlayer);
    EXPECT_FALSE(rowOf(f, players[7])->lastRun.isValid());
    EXPECT_EQ(snapshot(), before);
}

TEST_F(ClassOverview, CsvIsUtf8WithBomSemicolonsAndDecimalCommaInTheTablesOrder)
{
    TFormKlassenuebersicht f(folder(), listed());
    f.choose(Span::All, Columns::Groups);
    f.table->horizontalHeader()->setSortIndicator(TFormKlassenuebersicht::kFirstCellColumn, Qt::DescendingOrder);
    dialogs::ScriptedDialogs d;
    const QString target = tree.path(QStringLiteral("Export/Klasse"));
    QDir().mkpath(tree.path(QStringLiteral("Export")));
    d.answerFile(target);
    f.exportCsv();
    const QByteArray bytes = tree.read(QStringLiteral("Export/Klasse.csv"));
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 32);
    EXPECT_EQ(lines[0], QStringLiteral("Name;Zuletzt geübt;Merkfähigkeit: Durchgänge;"
                                       "Merkfähigkeit: beim ersten Versuch gelöst (%);Merkfähigkeit: Trend;"
                                       "Wortreihen: Durchgänge;Wortreihen: beim ersten Versuch gelöst (%);"
                                       "Wortreihen: Trend;Differenzierung: Durchgänge;"
                                       "Differenzierung: beim ersten Versuch gelöst (%);Differenzierung: Trend;"
                                       "Laut-Silben-Analyse: Durchgänge;Laut-Silben-Analyse: beim ersten Versuch gelöst (%);"
                                       "Laut-Silben-Analyse: Trend"));
    const auto rows = f.shownRows();
    for (size_t i = 0; i < rows.size(); ++i) {
        const QStringList fields = lines[int(i) + 1].split(QLatin1Char(';'));
        ASSERT_EQ(fields.size(), 14);
        EXPECT_EQ(fields[0], f.history().players[size_t(rows[i]->player)].name);
        const Cell& c = rows[i]->cells[0];
        EXPECT_EQ(fields[2], QString::number(c.runs));
        EXPECT_EQ(fields[3], c.scored ? QString::number(c.meanPercent, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(','))
                                      : QString());
        EXPECT_FALSE(fields[3].contains(QLatin1Char('.')));
        EXPECT_EQ(fields[4], TrendWord(c.trend));
    }
    // The players' row of the highest first column comes first, as the table shows it.
    EXPECT_TRUE(lines[1].startsWith(f.history().players[size_t(rows[0]->player)].name + QLatin1Char(';')));
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("Standard;;0;;;0")));
    // A cancelled save dialog writes nothing.
    d.answerFile(QString());
    f.exportCsv();
    EXPECT_EQ(QDir(tree.path(QStringLiteral("Export"))).entryList(QDir::Files).size(), 1);
}

TEST_F(ClassOverview, PrintsThirtyPlayersPerLandscapePageWithGermanDatesAndTheFooter)
{
    TFormKlassenuebersicht f(folder(), listed());
    f.choose(Span::Weeks4, Columns::Groups);
    dialogs::ScriptedDialogs d;
    const QString pdf = tree.path(QStringLiteral("klasse.pdf"));
    d.answerPrinter(pdf);
    f.printOverview();
    const QStringList pages = pdfutil::pages(pdf);
    ASSERT_EQ(pages.size(), 2);
    const auto rows = f.shownRows();
    for (int page = 0; page < 2; ++page) {
        SCOPED_TRACE(page);
        const QString text = pages[page];
        EXPECT_TRUE(text.contains(QStringLiteral("Klassenübersicht")));
        EXPECT_TRUE(text.contains(QStringLiteral("letzte 4 Wochen - Stand: 10.12.2026 - 31 Spieler")));
        EXPECT_TRUE(text.contains(QStringLiteral("** ") + PublisherContactLine() + QStringLiteral(" **")));
        EXPECT_TRUE(text.contains(QStringLiteral("- Seite %1 -").arg(page + 1)));
        EXPECT_TRUE(text.contains(QStringLiteral("Merkfähigkeit")));
        EXPECT_TRUE(text.contains(QStringLiteral("Laut-Silben-Analyse")));
    }
    // Rows 1-30 on the first page, the 31st on the second, with their German dates and cells.
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& r = *rows[i];
        const QString name = f.history().players[size_t(r.player)].name;
        const QStringList lines = pdfutil::lines(pages[i < 30 ? 0 : 1]);
        const auto it = std::find_if(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(name + QLatin1Char(' ')) || l == name; });
        ASSERT_NE(it, lines.end()) << name.toStdString();
        if (r.lastRun.isValid())
            EXPECT_TRUE(it->contains(r.lastRun.toString(QStringLiteral("dd.MM.yyyy")))) << it->toStdString();
        for (const Cell& c : r.cells)
            if (c.runs > 0)
                EXPECT_TRUE(it->contains(CellText(c).simplified())) << it->toStdString();
        EXPECT_FALSE(pdfutil::lines(pages[i < 30 ? 1 : 0]).contains(*it));
    }
    const QImage first = pdfutil::page(pdf, 1, 20);
    ASSERT_FALSE(first.isNull());
    EXPECT_GT(first.width(), first.height());  // landscape
    EXPECT_GT(pdfutil::darkPixels(first, first.rect()), 500);
}

TEST_F(ClassOverview, ScreenshotsAtTwoSizes)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
    for (const QSize size : {QSize(1024, 768), QSize(1920, 1080)}) {
        for (Columns kind : {Columns::Groups, Columns::Programs}) {
            TFormKlassenuebersicht f(folder(), listed());
            f.choose(Span::Weeks4, kind);
            f.move(0, 0);
            f.resize(size);
            f.show();
            QTest::qWait(300);
            f.grab().save(dir + QStringLiteral("/klassen-%1x%2-%3.png")
                                    .arg(size.width())
                                    .arg(size.height())
                                    .arg(kind == Columns::Groups ? QStringLiteral("gruppen") : QStringLiteral("programme")));
            if (size.width() == 1024) {
                dialogs::ScriptedDialogs d;
                d.answerPrinter(dir + (kind == Columns::Groups ? QStringLiteral("/klassen-gruppen.pdf")
                                                               : QStringLiteral("/klassen-programme.pdf")));
                f.printOverview();
            }
        }
    }
}

} // namespace
