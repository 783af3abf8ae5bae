#include "core/Dialogs.h"
#include "core/GlobalState.h"
#include "core/Overlay.h"
#include "core/Win1252.h"
#include "editor/ListExport.h"
#include "editor/ListPrint.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QPdfWriter>
#include <QProcess>
#include <gtest/gtest.h>

// Printing and exporting the texts of task lists.
namespace {

TEinzelbild element(const QString& picture, const QString& text, const QString& sounds = {})
{
    TEinzelbild e;
    e.picture = picture;
    e.text = text;
    e.sounds = sounds;
    return e;
}

TAufgabe task(const QString& head, const QStringList& texts)
{
    TAufgabe t;
    t.headElement = element({}, head);
    t.elements.push_back({});
    for (const QString& s : texts)
        t.elements.push_back(element(s + QStringLiteral(".jpg"), s, s + QStringLiteral(".wav")));
    return t;
}

class ListExport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        g().config.dirs.listen = tree.path(QStringLiteral("Listen/"));
        QDir().mkpath(g().config.dirs.listen);
    }
    TempTree tree;
    dialogs::ScriptedDialogs dlg;
};

} // namespace

TEST(ListExportText, CleanAndEscape)
{
    using editor::CleanExportText, editor::RtfEscape;
    EXPECT_EQ(CleanExportText(QStringLiteral("1Sch-ne-cke")), QStringLiteral("Schnecke"));
    EXPECT_EQ(CleanExportText(QStringLiteral("Ball, rund")), QStringLiteral("Ball  rund"));
    EXPECT_EQ(CleanExportText(QStringLiteral("b,d,t+raum;3")), QStringLiteral("b d traum"));
    EXPECT_EQ(RtfEscape(QStringLiteral("Größe")), QStringLiteral("Gr\\'f6\\'dfe"));
    EXPECT_EQ(RtfEscape(QStringLiteral("a\\b")), QStringLiteral("a\\\\b"));
    EXPECT_EQ(RtfEscape(QStringLiteral("ÄÖÜäöüß")), QStringLiteral("\\'c4\\'d6\\'dc\\'e4\\'f6\\'fc\\'df"));
    EXPECT_EQ(RtfEscape(QStringLiteral("{x}")), QStringLiteral("\\{x\\}"));  // a brace would cut the document
}

TEST_F(ListExport, TextLinesFollowTheProgramsRows)
{
    TDaten list;
    list.tasks = {task({}, {QStringLiteral("Hand"), QStringLiteral("Hund")})};
    const QString file = tree.path(QStringLiteral("Listen/3_Differenzierung/Paare.txt"));
    EXPECT_EQ(editor::ListTextLines(301, file, list),
              (QStringList{QStringLiteral(".\\3_Differenzierung\\Paare.txt"), QString(), QStringLiteral("Hand; Hund")}));
    // "Laute weglassen": the head element, then four alternatives, empty ones included.
    TDaten weg;
    weg.tasks = {task(QStringLiteral("Tisch"), {QStringLiteral("isch")})};
    EXPECT_EQ(editor::ListTextLines(404, file, weg).at(2), QStringLiteral("Tisch; isch; ; ; "));
    // Merkfähigkeit: head plus twelve rows; a one-element program: element 1 only.
    EXPECT_EQ(editor::TaskRows(101, task({}, {QStringLiteral("a")})).size(), 13u);
    EXPECT_EQ(editor::ListTextLines(402, file, list).at(2), QStringLiteral("Hand"));
}

TEST_F(ListExport, ExportWritesWindowsLinesAndAddsTheExtension)
{
    TDaten list;
    list.tasks = {task({}, {QStringLiteral("Bär"), QStringLiteral("Beere")})};
    const QString file = tree.path(QStringLiteral("Listen/Tiere.txt"));
    dlg.answerFile(tree.path(QStringLiteral("Texte aus Dateien/Tiere")));
    ASSERT_TRUE(editor::ExportListTexts(nullptr, 301, file, list));
    EXPECT_EQ(tree.read(QStringLiteral("Texte aus Dateien/Tiere.txt")), win1252::encode(QStringLiteral(".\\Tiere.txt\r\n\r\nBär; Beere\r\n")));
    // The adult is told where the file went.
    EXPECT_EQ(dlg.texts().last(), QStringLiteral("Datei gespeichert: ") + tree.path(QStringLiteral("Texte aus Dateien/Tiere.txt")));
    // An extension that is ".txt" without regard to case stays; cancelling writes nothing.
    dlg.answerFile(tree.path(QStringLiteral("Texte aus Dateien/Zwei.TXT")));
    ASSERT_TRUE(editor::ExportListTexts(nullptr, 301, file, list));
    EXPECT_FALSE(tree.read(QStringLiteral("Texte aus Dateien/Zwei.TXT")).isEmpty());
    dlg.answerFile(QString());
    EXPECT_FALSE(editor::ExportListTexts(nullptr, 301, file, list));
    EXPECT_EQ(QDir(tree.path(QStringLiteral("Texte aus Dateien"))).entryList(QDir::Files).size(), 2);
}

// A write-protected installation: the save dialog opens in the writable folder, and the export
// lands there also when the name was given as the installation's.
TEST_F(ListExport, ExportOfAWriteProtectedInstallationGoesIntoTheOverlay)
{
    overlay::set({{tree.path(QStringLiteral("Texte aus Dateien/")), tree.path(QStringLiteral("common/Texte aus Dateien/"))}});
    TDaten list;
    list.tasks = {task({}, {QStringLiteral("Bär"), QStringLiteral("Beere")})};
    dlg.answerFile(tree.path(QStringLiteral("Texte aus Dateien/Tiere.txt")));
    ASSERT_TRUE(editor::ExportListTexts(nullptr, 301, tree.path(QStringLiteral("Listen/Tiere.txt")), list));
    EXPECT_EQ(tree.read(QStringLiteral("common/Texte aus Dateien/Tiere.txt")),
              win1252::encode(QStringLiteral(".\\Tiere.txt\r\n\r\nBär; Beere\r\n")));
    EXPECT_FALSE(QFile::exists(tree.path(QStringLiteral("Texte aus Dateien"))));  // nothing in the installation
    overlay::clear();
}

TEST_F(ListExport, CollectedRtfJoinsShortTextsAndGivesLongOnesTheirOwnLine)
{
    auto listFile = [&](const QString& rel, const QStringList& texts) {
        QStringList lines{QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=%1").arg(texts.size()),
                          QStringLiteral("Elementanzahl=1")};
        for (int i = 0; i < texts.size(); ++i)
            lines << QStringLiteral("[Aufgabe %1]").arg(i + 1) << QStringLiteral("0=||") << QStringLiteral("1=|100|%1|").arg(texts[i]);
        tree.writeLines(QStringLiteral("Listen/") + rel, lines);
    };
    const QString forty = QString(40, QLatin1Char('a'));
    listFile(QStringLiteral("A/eins.txt"), {forty, forty, forty, QString(130, QLatin1Char('b')), QStringLiteral("Öl")});
    listFile(QStringLiteral("A/zwei.txt"), {QStringLiteral("x")});
    tree.write(QStringLiteral("Listen/B/liesmich.doc"), "kein Aufgabenlisten-Inhalt");
    const QStringList rtf = editor::AllTextsRtfLines(g().config.dirs.listen);
    const QString tab = QStringLiteral("\\tab ");
    EXPECT_EQ(rtf, (QStringList{
        QStringLiteral("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Times New Roman;}}"),
        QStringLiteral("\\fs22"), QStringLiteral("\\b\\ul A\\\\\\ulnone\\b0 \\par "), QStringLiteral("\\i eins.txt\\i0 \\par "),
        forty + tab + forty + QStringLiteral("\\par"),     // a third would reach 120 characters
        forty + QStringLiteral("\\par"),                    // flushed before the long text
        QString(130, QLatin1Char('b')) + QStringLiteral("\\par"),
        QStringLiteral("\\'d6l\\par"),
        QStringLiteral("\\fs8 \\par\\fs22"),
        QStringLiteral("\\fs22"), QStringLiteral("\\i zwei.txt\\i0 \\par "), QStringLiteral("x\\par"),
        QStringLiteral("\\fs8 \\par\\fs22"),
        QStringLiteral("\\fs22"), QStringLiteral("\\b\\ul B\\\\\\ulnone\\b0 \\par "), QStringLiteral("\\i liesmich.doc\\i0 \\par "),
        QStringLiteral("\\fs8 \\par\\fs22"),
        QStringLiteral("\\par}")}));
}

TEST_F(ListExport, TheCollectedRtfIsConfirmed)
{
    tree.writeLines(QStringLiteral("Listen/a.txt"), {"[Allgemein]", "Aufgabencount=1", "[Aufgabe 1]", "1=|100|Hund|"});
    dlg.answerFile(tree.path(QStringLiteral("Texte aus Dateien/Alle")));
    ASSERT_TRUE(editor::ExportAllTexts(nullptr));
    EXPECT_TRUE(tree.read(QStringLiteral("Texte aus Dateien/Alle.rtf")).startsWith("{\\rtf1"));
    EXPECT_EQ(dlg.texts().last(), QStringLiteral("Datei gespeichert: ") + tree.path(QStringLiteral("Texte aus Dateien/Alle.rtf")));
}

TEST_F(ListExport, PrintedListPagesItsTasksWithTheFooter)
{
    TDaten list;
    for (int i = 0; i < 40; ++i)
        list.tasks.push_back(task({}, {QStringLiteral("Hand%1").arg(i), QStringLiteral("Hund%1").arg(i)}));
    TLayout layout;
    layout.font = TFont{QStringLiteral("Comic Sans MS"), 48, 0};
    layout.heading = QStringLiteral("Hörst du den Unterschied?");
    const QString pdf = tree.path(QStringLiteral("liste.pdf"));
    {
        QPdfWriter writer(pdf);
        writer.setResolution(600);
        writer.setPageSize(QPageSize(QPageSize::A4));
        ASSERT_TRUE(editor::PrintTaskListPages(writer, 301, tree.path(QStringLiteral("Listen/Paare.txt")), list, layout,
                                               QDate(2026, 12, 11)));
    }
    // For a person to look at (scripts/screenshots).
    if (const QString shots = qEnvironmentVariable("KALIMO_SHOTS_DIR"); !shots.isEmpty())
        QFile::copy(pdf, shots + QStringLiteral("/editor-printed-list.pdf"));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(20000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    if (out.isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    EXPECT_TRUE(out.contains(QStringLiteral("Datei: .\\Paare.txt")));
    EXPECT_TRUE(out.contains(QStringLiteral("Schrift: Comic Sans MS, 48")));
    EXPECT_TRUE(out.contains(QStringLiteral("Überschrift: Hörst du den Unterschied?")));
    EXPECT_TRUE(out.contains(QStringLiteral("insgesamt: 40 Aufgaben")));
    EXPECT_TRUE(out.contains(QStringLiteral("-> nächste Seite")));
    EXPECT_TRUE(out.contains(QStringLiteral("*** Seite: 2")));
    EXPECT_TRUE(out.contains(QStringLiteral("PROGRAMM: Kalimo - 11.12.2026")));
    EXPECT_TRUE(out.contains(QStringLiteral("Das Kalimo-Projekt *** Seite: 1")));
    EXPECT_FALSE(out.contains(QStringLiteral("example")));
    // Every task with its rows: number, picture, sounds and text in three columns.
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("40: +Hand39\\.jpg +\\| Hand39\\.wav +\\| Hand39"))));
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("\\n +Hund39\\.jpg +\\| Hund39\\.wav +\\| Hund39"))));
}
