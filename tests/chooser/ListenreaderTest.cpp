#include "chooser/Listenreader.h"
#include "chooser/TaskOrder.h"
#include "options/OptionsFixture.h"
#include "results/PdfUtil.h"

#include <QButtonGroup>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>
#include <numeric>

namespace {

// A list of `tasks` tasks of two elements; element 1 shows `picture` and names `sound`.
QByteArray listBytes(int tasks, const QString& picture = QString(), const QString& sound = QString())
{
    QString s = QStringLiteral("[Allgemein]\r\nAufgabencount=%1\r\nElementanzahl=2\r\n").arg(tasks);
    for (int i = 1; i <= tasks; ++i)
        s += QStringLiteral("[Aufgabe %1]\r\n0=||\r\n1=%2|100|Haus%1|%3\r\n2=|100|Maus%1|\r\n")
                 .arg(i)
                 .arg(picture, sound);
    return s.toLatin1();
}
const QByteArray kNoValidTask = "[Allgemein]\r\nAufgabencount=1\r\nElementanzahl=2\r\n[Aufgabe 1]\r\n0=||\r\n1=||\r\n2=||\r\n";

class ListenreaderTest : public OptionsFixture
{
protected:
    void SetUp() override
    {
        OptionsFixture::SetUp();
        g().config.dirs.listen = t.mkdir("Listen");
        g().config.dirs.materialBilder = t.mkdir("Material/Bilder");
        g().config.dirs.materialSound = t.mkdir("Material/Sound");
        catchBubbles();
        chooser::startPosition() = 0;
        taskorder::useFixedSeed(7);
    }
    void TearDown() override
    {
        taskorder::useFixedSeed(std::nullopt);
        chooser::setEditorHook({});
        OptionsFixture::TearDown();
    }
    QString folder() const { return t.path("Listen/Prog/"); }
    void writeList(const QString& rel, const QByteArray& bytes) { t.write("Listen/Prog/" + rel, bytes); }

    // The chooser as the launcher opens it: the player's options of the program read first.
    std::unique_ptr<TFormListenreader> open(int code, const QString& current = QString())
    {
        ReadPlayerOptions(QStringLiteral("Anna"), code);
        auto form = std::make_unique<TFormListenreader>(nullptr, code, folder(), current);
        form->show();
        QApplication::processEvents();
        QApplication::processEvents();
        return form;
    }
    static QStringList listed(const TFormListenreader& f)
    {
        QStringList out;
        for (int i = 0; i < f.fileList()->count(); ++i)
            out << f.fileList()->item(i)->text();
        return out;
    }
    static QString current(const TFormListenreader& f)
    {
        return f.fileList()->currentItem() ? f.fileList()->currentItem()->text() : QString();
    }
    // The part of a widget's pixels that are yellow (the pressed look of the position buttons).
    static double yellowShare(QWidget* w)
    {
        const QImage img = w->grab().toImage();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                n += c.red() > 200 && c.green() > 200 && c.blue() < 120;
            }
        return double(n) / qMax(1, img.width() * img.height());
    }
    static QTreeWidgetItem* node(const TFormListenreader& f, const QString& name)
    {
        const auto found = f.folderTree()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }

    dialogs::ScriptedDialogs scripted;
};

TEST_F(ListenreaderTest, AnEmptyListFolderIsMadeListsNothingAndDisablesStart)
{
    auto f = open(301, QStringLiteral("weg.txt"));
    EXPECT_TRUE(fsys::dirExists(folder()));
    EXPECT_EQ(f->fileList()->count(), 0);
    EXPECT_FALSE(f->startButton()->isEnabled());
    EXPECT_TRUE(bubbles.isEmpty());
}

TEST_F(ListenreaderTest, ListsTheFirst261FilesByNameAndSelectsTheCurrentOne)
{
    for (int i = 299; i >= 0; --i)
        writeList(QStringLiteral("L%1.txt").arg(i, 3, 10, QLatin1Char('0')), listBytes(1));
    auto f = open(301, QStringLiteral("l007.TXT"));
    const QStringList names = listed(*f);
    ASSERT_EQ(names.size(), 261);
    EXPECT_EQ(names.first(), "L000.txt");
    EXPECT_EQ(names.last(), "L260.txt");
    EXPECT_EQ(current(*f), "L007.txt");
    EXPECT_EQ(f->statusLine()->text(), " gewählte Datei: L007.txt *** insgesamt 1 Aufgaben");
    EXPECT_TRUE(f->startButton()->isEnabled());
}

// A killed editor save left "~~b.txt"; stored choices that leave the list folder, or name that
// copy, are ignored: the chooser starts on its first list, as without a stored choice.
TEST_F(ListenreaderTest, SaveCopiesAndStoredNamesOutsideTheFolderAreNeverOffered)
{
    writeList("a.txt", listBytes(1));
    writeList("b.txt", listBytes(1));
    writeList("~~b.txt", listBytes(1));
    t.write("Listen/geheim.txt", listBytes(1));
    const QString outside = fsys::toStored(t.path("Listen/geheim.txt"));
    struct Case {
        QString stored;
        const char* selected;
    } cases[] = {
        {"..\\geheim.txt", "a.txt"},
        {"Unter\\..\\..\\geheim.txt", "a.txt"},
        {outside, "a.txt"},
        {"C:\\Kalimo\\Listen\\geheim.txt", "a.txt"},
        {"~~b.txt", "a.txt"},
        {fsys::toStored(folder() + "b.txt"), "b.txt"},  // a full path inside the folder
        {"\\b.txt", "b.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored.toStdString());
        auto f = open(301, c.stored);
        EXPECT_EQ(listed(*f), (QStringList{"a.txt", "b.txt"}));
        EXPECT_EQ(current(*f), c.selected);
        EXPECT_FALSE(f->selectedFile().contains("geheim"));
    }
}

TEST_F(ListenreaderTest, FilesWithTooFewValidTasksAreRefusedWithTheirMessage)
{
    struct Case {
        int code;
        QByteArray bytes;
        QString message;  // empty: accepted
    };
    const Case cases[] = {
        {301, kNoValidTask, "Die Datei enthält keine gültigen Daten!"},
        {408, listBytes(5), "Die Datei enthält zuwenig gültigen Daten!"},
        {408, listBytes(6), ""},
        {301, listBytes(1), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        writeList(QStringLiteral("a.txt"), c.bytes);
        bubbles.clear();
        auto f = open(c.code, QStringLiteral("a.txt"));
        EXPECT_EQ(bubbles, c.message.isEmpty() ? QStringList() : QStringList{c.message});
        EXPECT_EQ(f->startButton()->isEnabled(), c.message.isEmpty());
    }
}

TEST_F(ListenreaderTest, ChoosingAFileStoresItAtOnceAndBackKeepsIt)
{
    writeList(QStringLiteral("a.txt"), listBytes(2));
    writeList(QStringLiteral("Sub/c.txt"), listBytes(3));
    auto f = open(301, QStringLiteral("a.txt"));
    ASSERT_EQ(current(*f), "a.txt");

    f->folderTree()->setCurrentItem(node(*f, "Sub"));
    QApplication::processEvents();
    EXPECT_EQ(current(*f), "c.txt");
    EXPECT_EQ(f->statusLine()->text(), " gewählte Datei: Sub/c.txt *** insgesamt 3 Aufgaben");
    const QByteArray stored = annaFile();
    const int section = stored.indexOf("[Programm: Gleich oder Nichtgleich]\r\n");
    ASSERT_GE(section, 0);
    const int datei = stored.indexOf("Datei=Sub\\c.txt\r\n", section);
    EXPECT_GT(datei, section);
    EXPECT_LT(datei, stored.indexOf("\r\n[", section + 3));
    EXPECT_EQ(*chosenListFile(301), "Sub/c.txt");
    EXPECT_EQ(g().taskList().size(), 3u);

    press(f->backButton());
    EXPECT_EQ(f->choice(), chooser::Choice::Back);
    EXPECT_EQ(f->result(), QDialog::Rejected);
    EXPECT_EQ(annaFile(), stored);
}

TEST_F(ListenreaderTest, AChoiceThatCannotBeStoredShowsTheErrorBox)
{
    writeList(QStringLiteral("a.txt"), listBytes(2));
    writeList(QStringLiteral("b.txt"), listBytes(2));
    auto f = open(301, QStringLiteral("a.txt"));
    const QString file = t.path("Optionen/Options-Anna.txt");
    ASSERT_TRUE(fsys::setReadOnly(file, true));
    scripted.clear();
    f->fileList()->setCurrentRow(1);
    QApplication::processEvents();
    EXPECT_EQ(scripted.texts(),
              QStringList{"In " + file + " konnte der Dateiname nicht abgespeichert werden."});
    fsys::setReadOnly(file, false);
}

// A click on a preview tab selects it, so that an adult can look through the tasks with the mouse;
// a second click on the selected tab starts there.
TEST_F(ListenreaderTest, ASecondClickOnTab4StartsAtPosition3)
{
    writeList(QStringLiteral("a.txt"), listBytes(6));
    auto f = open(303, QStringLiteral("a.txt"));
    QTabBar* tabs = f->taskTabs();
    ASSERT_TRUE(tabs->isVisible());
    ASSERT_EQ(tabs->count(), 6);
    EXPECT_EQ(tabs->tabText(3), "4");
    for (int tab : {2, 5, 3}) {
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(tab).center());
        QApplication::processEvents();
        EXPECT_EQ(tabs->currentIndex(), tab);
        EXPECT_NE(f->result(), QDialog::Accepted) << "a click selects, it does not start";
        EXPECT_TRUE(f->isVisible());
    }
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(3).center());
    QApplication::processEvents();
    EXPECT_EQ(chooser::startPosition(), 3);
    EXPECT_EQ(f->choice(), chooser::Choice::Start);
    EXPECT_EQ(f->result(), QDialog::Accepted);
}

TEST_F(ListenreaderTest, ChooseTaskListReturnsStartWithTheChoiceStored)
{
    writeList(QStringLiteral("Anlaut/b.txt"), listBytes(3));
    ReadPlayerOptions(QStringLiteral("Anna"), 303);
    QTimer poll;  // Enter once the chooser is open and has chosen
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* form = qobject_cast<TFormListenreader*>(QApplication::activeModalWidget());
        if (form && form->startButton()->isEnabled()) {
            poll.stop();
            QTest::keyClick(form->fileList(), Qt::Key_Return);
        }
    });
    poll.start(5);
    EXPECT_EQ(chooser::ChooseTaskList(nullptr, 303, folder(), QStringLiteral(".\\Anlaut\\b.txt")),
              chooser::Choice::Start);
    EXPECT_EQ(*chosenListFile(303), "Anlaut/b.txt");
    EXPECT_EQ(fileValue("Programm: Welcher Laut passt", "Datei"), "Anlaut\\b.txt");
    EXPECT_EQ(g().taskList().size(), 3u);
    EXPECT_EQ(g().taskOrder.size(), 3u);
}

TEST_F(ListenreaderTest, TabsAreHiddenForASingleTask)
{
    writeList(QStringLiteral("a.txt"), listBytes(1));
    auto f = open(301, QStringLiteral("a.txt"));
    EXPECT_EQ(f->taskTabs()->count(), 1);
    EXPECT_FALSE(f->taskTabs()->isVisible());
}

TEST_F(ListenreaderTest, TypingTwoLettersSelectsTheFirstFileWithThatPrefix)
{
    for (const char* name : {"aa.txt", "Banane.txt", "BAum.txt", "bz.txt", "zz.txt"})
        writeList(QString::fromLatin1(name), listBytes(1));
    auto f = open(301, QStringLiteral("zz.txt"));
    ASSERT_EQ(current(*f), "zz.txt");
    f->activateWindow();
    QTest::keyClick(f->fileList(), Qt::Key_Left);
    ASSERT_TRUE(f->folderTree()->hasFocus());
    QTest::keyClicks(f->folderTree(), QStringLiteral("ba"));
    EXPECT_EQ(current(*f), "Banane.txt");
    EXPECT_TRUE(f->fileList()->hasFocus());
    QTest::keyClicks(f->fileList(), QStringLiteral("BZ"));
    EXPECT_EQ(current(*f), "bz.txt");
}

TEST_F(ListenreaderTest, CursorKeysMoveThroughTheFilesAndBeepAtTheEnds)
{
    writeList(QStringLiteral("a.txt"), listBytes(1));
    writeList(QStringLiteral("b.txt"), listBytes(1));
    auto f = open(301, QStringLiteral("a.txt"));
    audio.clearLog();
    QTest::keyClick(f->fileList(), Qt::Key_Up);
    EXPECT_EQ(audio.log(), QStringList{"beep"});
    QTest::keyClick(f->fileList(), Qt::Key_Down);
    EXPECT_EQ(current(*f), "b.txt");
    QTest::keyClick(f->fileList(), Qt::Key_Down);
    EXPECT_EQ(audio.log(), (QStringList{"beep", "beep"}));
    QTest::keyClick(f->fileList(), Qt::Key_Escape);
    EXPECT_EQ(f->choice(), chooser::Choice::Back);
}

TEST_F(ListenreaderTest, EnterStartsUnlessTheRememberBoxHasTheFocus)
{
    t.write("Listen/Prog/a.txt", listBytes(1));
    auto f = open(101, QStringLiteral("a.txt"));
    ASSERT_NE(f->rememberBox(), nullptr);
    f->activateWindow();
    f->rememberBox()->setFocus();
    ASSERT_TRUE(f->rememberBox()->hasFocus());
    QTest::keyClick(f->rememberBox(), Qt::Key_Return);
    EXPECT_TRUE(f->isVisible());
    f->fileList()->setFocus();
    QTest::keyClick(f->fileList(), Qt::Key_Return);
    EXPECT_EQ(f->choice(), chooser::Choice::Start);
}

TEST_F(ListenreaderTest, QuickOptionsWriteAtOnceExceptTheCountToRemember)
{
    writeList(QStringLiteral("a.txt"), listBytes(1));
    auto f = open(101, QStringLiteral("a.txt"));
    const QString section = QStringLiteral("Programm: Merkfähigkeit-Bild");
    press(f->pictureCountGroup()->button(1));  // "4"
    EXPECT_EQ(fileValue(section, "Bilderanzahl"), "4");
    EXPECT_EQ(fileValue(section, "Merkanzahl"), "4");
    emit f->visibilityBox()->activated(0);
    EXPECT_EQ(fileValue(section, "unsichtbar"), "0");
    press(f->orderModeGroup()->button(1));
    EXPECT_EQ(fileValue(section, "Reihenfolge"), "1");

    const QByteArray before = annaFile();
    emit f->rememberBox()->activated(2);  // 3
    EXPECT_EQ(g().playerOptions.merkfaehigkeit.rememberCount, 3);
    emit f->rememberBox()->activated(7);  // 8, more than the 4 pictures
    EXPECT_EQ(g().playerOptions.merkfaehigkeit.rememberCount, 4);
    EXPECT_EQ(f->rememberBox()->currentText(), "4");
    EXPECT_EQ(annaFile(), before);
}

TEST_F(ListenreaderTest, PreviewCardsShowThePictureAndMarkMissingSounds)
{
    QImage red(40, 30, QImage::Format_RGB32);
    red.fill(Qt::red);
    red.setPixel(0, 29, qRgb(255, 255, 255));  // the key colour of a transparent bitmap
    ASSERT_TRUE(red.save(g().config.dirs.materialBilder + "rot.bmp", "BMP"));
    t.write("Material/Sound/da.wav", "RIFF");
    writeList(QStringLiteral("a.txt"), listBytes(2, "rot.bmp", "da.wav"));
    writeList(QStringLiteral("b.txt"), listBytes(2, "rot.bmp", "da.wav;fehlt.wav"));
    auto f = open(305, QStringLiteral("a.txt"));
    TPreviewCards* cards = f->preview();
    ASSERT_EQ(cards->cards().size(), 2u);
    EXPECT_EQ(cards->cards()[0].caption, "Karte 1");
    EXPECT_EQ(cards->cards()[1].caption, "Karte 2");
    EXPECT_EQ(cards->cards()[0].text, "Haus1");
    const QImage shown = cards->grab().toImage();
    const QRect box = cards->pictureRect(0);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_EQ(QColor(shown.pixel(box.center())), QColor(Qt::red));
    EXPECT_NE(QColor(shown.pixel(cards->pictureRect(1).center())), QColor(Qt::red));

    f->fileList()->setCurrentRow(1);
    QApplication::processEvents();
    EXPECT_EQ(f->preview()->cards()[0].text, "* Haus1");

    press(f->detailsButton());
    EXPECT_EQ(f->detailsButton()->text(), "Details ein");
    EXPECT_FALSE(f->previewArea()->isVisible());
}

TEST_F(ListenreaderTest, PositionButtonsShowTheChosenFolderAndChooseTheirs)
{
    writeList(QStringLiteral("Anlaut/a.txt"), listBytes(2));
    writeList(QStringLiteral("zweiter Laut/z.txt"), listBytes(2));
    auto f = open(402, QStringLiteral("Anlaut\\a.txt"));
    ASSERT_NE(f->positionButton(1), nullptr);
    EXPECT_TRUE(f->positionPressed(0));
    EXPECT_FALSE(f->positionPressed(1));
    EXPECT_GT(yellowShare(f->positionButton(0)), 0.5);
    EXPECT_LT(yellowShare(f->positionButton(1)), 0.1);
    press(f->positionButton(1));
    EXPECT_EQ(f->selectedFile(), "zweiter Laut/z.txt");
    EXPECT_TRUE(f->positionPressed(1));
    EXPECT_FALSE(f->positionPressed(0));

    auto g403 = open(403, QStringLiteral("Anlaut\\a.txt"));
    EXPECT_FALSE(g403->positionButton(1)->isVisible());
    EXPECT_TRUE(g403->positionButton(2)->isVisible());
}

TEST_F(ListenreaderTest, OptionsRebuildTheOrderWhenTheRandomOptionChanged)
{
    writeList(QStringLiteral("a.txt"), listBytes(12));
    g().randomOrder303 = true;
    auto f = open(303, QStringLiteral("a.txt"));
    std::vector<int> fileOrder(12);
    std::iota(fileOrder.begin(), fileOrder.end(), 0);
    ASSERT_NE(g().taskOrder, fileOrder);
    bool pageShown = false;
    QTimer::singleShot(0, [&] {
        QWidget* page = QApplication::activeModalWidget();
        pageShown = page && page != f.get();
        g().playerOptions.welcherLautPasst.randomOrder = false;  // as "wie in Datei" on the page
        if (auto* d = qobject_cast<QDialog*>(page))
            d->reject();
    });
    press(f->optionsButton());
    EXPECT_TRUE(pageShown);
    EXPECT_EQ(g().taskOrder, fileOrder);
    EXPECT_EQ(f->preview()->cards()[0].text, "Haus1");
}

TEST_F(ListenreaderTest, TitleNamesTheProgramFolderAndSection)
{
    EXPECT_EQ(chooser::chooserTitle(303), "   Aufgaben für 3_Differenzierung - 3_Welcher Laut passt");
    EXPECT_EQ(chooser::chooserTitle(102), "   Aufgaben für 1_Merkfähigkeit - Merkfähigkeit-Text");
    EXPECT_EQ(chooser::chooserTitle(407), "   Aufgaben für 4_Laut-Silben-Analyse - 7_Laut-/Silbenmemory");
    auto f = open(303);
    EXPECT_EQ(f->windowTitle(), chooser::chooserTitle(303));
    EXPECT_EQ(f->titleLabel()->text(), chooser::chooserTitle(303));
    EXPECT_EQ(chooser::defaultElementCount(404), 4);
    EXPECT_EQ(g().defaultElementCount, 1);
}

TEST_F(ListenreaderTest, TheEditorButtonWithoutAnEditorSaysSo)
{
    writeList(QStringLiteral("a.txt"), listBytes(1));
    auto f = open(301, QStringLiteral("a.txt"));
    scripted.clear();
    press(f->editorButton());
    EXPECT_EQ(scripted.texts(), QStringList{"Der Aufgabeneditor ist in dieser Version noch nicht installiert."});

    QString given;
    chooser::setEditorHook([&](QWidget*, const QString& file) {
        given = file;
        t.write("Listen/Prog/neu.txt", listBytes(4));
        return t.path("Listen/Prog/neu.txt");
    });
    press(f->editorButton());
    EXPECT_EQ(given, t.path("Listen/Prog/a.txt"));
    EXPECT_EQ(current(*f), "neu.txt");
    EXPECT_EQ(f->statusLine()->text(), " gewählte Datei: neu.txt *** insgesamt 4 Aufgaben");
}

TEST_F(ListenreaderTest, TheCataloguePrintsFilesAndSubfoldersIndentedPerLevel)
{
    writeList(QStringLiteral("a.txt"), listBytes(1));
    writeList(QStringLiteral("Sub/b.txt"), listBytes(1));
    writeList(QStringLiteral("Sub/Deep/c.txt"), listBytes(1));
    t.write("Listen/Prog/notiz.doc", "x");
    auto f = open(301, QStringLiteral("a.txt"));
    const QString pdf = t.path("katalog.pdf");
    scripted.answerPrinter(pdf);
    press(f->printButton());
    const QString text = pdfutil::text(pdf);
    const QStringList lines = pdfutil::lines(text);
    EXPECT_EQ(lines, (QStringList{"Prog/", "a.txt", "Sub", "b.txt", "Deep", "c.txt", "Seite: 1"}));
    auto indent = [&](const QString& word) {
        for (const QString& l : text.split('\n'))
            if (l.trimmed() == word)
                return int(l.indexOf(word));
        return -1;
    };
    EXPECT_EQ(indent("a.txt"), indent("Sub"));
    EXPECT_GT(indent("b.txt"), indent("Sub"));
    EXPECT_EQ(indent("b.txt"), indent("Deep"));
    EXPECT_GT(indent("c.txt"), indent("Deep"));
    EXPECT_GT(indent("a.txt"), indent("Prog/"));
}

TEST_F(ListenreaderTest, TheCatalogueContinuesOnNumberedPages)
{
    for (int i = 0; i < 120; ++i)
        writeList(QStringLiteral("Liste %1.txt").arg(i, 3, 10, QLatin1Char('0')), listBytes(1));
    QPrinter printer;
    const QString pdf = t.path("lang.pdf");
    pdfutil::toPdf(printer, pdf);
    ASSERT_TRUE(chooser::PrintListCatalogue(printer, folder(), "Prog/"));
    const QStringList pages = pdfutil::pages(pdf);
    ASSERT_GE(pages.size(), 2);
    for (int p = 0; p < pages.size(); ++p)
        EXPECT_EQ(pdfutil::lines(pages[p]).last(), QStringLiteral("Seite: %1").arg(p + 1));
    EXPECT_TRUE(pages.last().contains("Liste 119.txt"));
}

} // namespace

// After the editor, the chooser shows and plays the list file as it is on disk: an edit that was
// not saved never reaches the child, and a task the editor left empty is not played.
TEST_F(ListenreaderTest, AfterTheEditorTheFileOnDiskIsShownAndPlayedWithoutEmptyTasks)
{
    writeList(QStringLiteral("a.txt"), listBytes(3));
    auto f = open(301, QStringLiteral("a.txt"));
    // "Aufgabe hinzufügen" twice, then "Beenden" and "Nein": the edits stay in the loaded list only.
    chooser::setEditorHook([&](QWidget*, const QString&) {
        TAufgabe empty;
        empty.elements.resize(3);
        g().taskList().push_back(empty);
        g().taskList().push_back(empty);
        return QString();
    });
    press(f->editorButton());
    EXPECT_EQ(f->statusLine()->text(), " gewählte Datei: a.txt *** insgesamt 3 Aufgaben");
    EXPECT_EQ(g().taskList().size(), 3u);
    EXPECT_EQ(g().taskOrder.size(), 3u);
    EXPECT_TRUE(f->startButton()->isEnabled());

    // The same, saved: the editor writes empty elements as "|0||"; those tasks are not played.
    chooser::setEditorHook([&](QWidget*, const QString& file) {
        QByteArray bytes = listBytes(5);
        for (int k : {2, 5})
            bytes.replace(QStringLiteral("1=|100|Haus%1|\r\n2=|100|Maus%1|").arg(k).toLatin1(), "1=|0||\r\n2=|0||");
        t.write("Listen/Prog/a.txt", bytes.replace("0=||", "0=|100||"));
        return file;
    });
    press(f->editorButton());
    EXPECT_EQ(f->statusLine()->text(), " gewählte Datei: a.txt *** insgesamt 3 Aufgaben");
    ASSERT_EQ(g().taskList().size(), 3u);
    EXPECT_EQ(g().taskList()[1].elements[1].text, QStringLiteral("Haus3"));
    EXPECT_EQ(g().taskOrder.size(), 3u);

    // A list of empty tasks only cannot be started.
    chooser::setEditorHook([&](QWidget*, const QString& file) {
        t.write("Listen/Prog/a.txt", "[Allgemein]\r\nAufgabencount=2\r\n[Aufgabe 1]\r\n0=|100||\r\n1=|0||\r\n2=|0||\r\n"
                                     "[Aufgabe 2]\r\n0=|100||\r\n1=|0||\r\n2=|0||\r\n");
        return file;
    });
    press(f->editorButton());
    EXPECT_FALSE(f->startButton()->isEnabled());
}
