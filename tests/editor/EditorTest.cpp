#include "core/Catalogue.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Win1252.h"
#include "data/TaskList.h"
#include "editor/Einfuegen.h"
#include "editor/Formeditor.h"
#include "media/sound/TestAudioBackend.h"
#include "editor/LayoutDialogs.h"
#include "chooser/Listenreader.h"
#include "options/Options.h"
#include "support/ModalWatch.h"
#include "support/TestSupport.h"
#include "EditorTree.h"

#include <QAction>
#include <QDir>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVideoWidget>
#include <QTabBar>
#include <QTest>
#include <QTextBrowser>
#include <QUndoStack>
#include <gtest/gtest.h>
#include <memory>

// The task-list editor on a small installation of its own.
namespace {

QString el(const QString& picture, int size, const QString& text, const QString& sounds)
{
    return picture + QLatin1Char('|') + QString::number(size) + QLatin1Char('|') + text + QLatin1Char('|') + sounds;
}

// A list of `texts.size()` tasks with `perTask` elements each, named by the texts.
QStringList listLines(const QStringList& texts, int perTask, const QStringList& extraLayout = {})
{
    QStringList l = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=%1").arg(texts.size()),
                     QStringLiteral("[Layout]"), QStringLiteral("Hintergrundfarbe=5")};
    l << extraLayout;
    for (int k = 0; k < texts.size(); ++k) {
        l << QStringLiteral("[Aufgabe %1]").arg(k + 1) << QStringLiteral("Erfolgssound=gut.wav") << QStringLiteral("0=|100||");
        for (int i = 1; i <= perTask; ++i)
            l << QStringLiteral("%1=").arg(i) + el(texts[k] + QString::number(i) + QStringLiteral(".jpg"), 80,
                                                   texts[k] + QString::number(i), texts[k] + QStringLiteral(".wav"));
    }
    return l;
}

class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        makeEditorTree(tree);
    }

    std::unique_ptr<TFormeditor> open(const QString& file, int code = 301)
    {
        g().programCode = code;
        auto w = std::make_unique<TFormeditor>();
        w->setEditedFile(file);
        w->show();
        QApplication::processEvents();
        return w;
    }
    QString list(const QString& name, const QStringList& lines) { return tree.writeLines(QStringLiteral("Listen/") + name, lines); }
    QString picture(const QString& name, const QString& demo = QStringLiteral("Baum.wmf"))
    {
        const QString to = g().config.dirs.materialBilder + name;
        fsys::makePath(fsys::folderOf(to));
        EXPECT_TRUE(fsys::copyFile(sourceDir() + QStringLiteral("demo/Material/Bilder/") + demo, to, true));
        return to;
    }
    QString sound(const QString& relative) { return tree.write(QStringLiteral("Material/Sound/") + relative, "RIFF"); }
    TEinzelbild& card(int k) { return g().taskList()[0].elements[size_t(k)]; }

    TempTree tree;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;
};

TEST_F(EditorTest, NewListSavedAsNeuIsWrittenExactlyAndLoadsBackOneTask)
{
    auto w = open(tree.path(QStringLiteral("Listen/fehlt.txt")));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("EDITOR: UNBENANNT.txt"));
    w->newList();
    EXPECT_EQ(w->statusText(1), QStringLiteral("insgesamt  1 Aufgabe"));
    scripted.answerFile(tree.path(QStringLiteral("Listen/neu")));
    w->saveList();
    const QByteArray expected = win1252::encode(QStringLiteral(
        "[Allgemein]\r\nAufgabencount=1\r\n\r\n[Layout]\r\nHintergrundfarbe=12639424\r\nHintergrundbild=\r\n"
        "Bilderhintergrundfarbe=15780518\r\nKnopffarbe=12632256\r\nBildgröße=0\r\nSchriftname=Comic Sans Ms\r\n"
        "Schriftgröße=120\r\nSchriftfarbe=0\r\nBstMarkFarbe=255\r\nAnimation=\r\nRueckseite=\r\nÜberschrift=\r\n"
        "Überschriftsound=\r\n\r\n[Info]\r\nAufgabennummer=Bild|Text|Soundliste\r\n\r\n[Aufgabe 1]\r\n"
        "Erfolgssound=\r\n0=|100||\r\n1=|0||\r\n2=|0||\r\n\r\n"));
    EXPECT_EQ(tree.read(QStringLiteral("Listen/neu.txt")), expected);
    EXPECT_TRUE(w->saved());
    EXPECT_FALSE(w->changed());
    EXPECT_TRUE(scripted.texts().contains(QStringLiteral("Datei gespeichert!")));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Editor: neu.txt"));
    TDaten back;
    EXPECT_EQ(LoadTaskListInto(tree.path(QStringLiteral("Listen/neu.txt")), back), 1);
}

TEST_F(EditorTest, SaveAsNamesAndTheUntitledNameAlwaysAsks)
{
    struct Case { QString start, answer, written; };
    for (const Case& c : {Case{"UNBENANNT.txt", "Liste", "Liste.txt"}, Case{"unbenannt.TXT", "Liste.TXT", "Liste.TXT"},
                          Case{"UNBENANNT.txt", "Liste.dat", "Liste.dat.txt"}}) {
        const QString start = list(c.start, listLines({QStringLiteral("A")}, 2));
        const QByteArray before = tree.read(QStringLiteral("Listen/") + c.start);
        auto w = open(start);
        scripted.clear();
        scripted.answerFile(tree.path(QStringLiteral("Listen/") + c.answer));
        w->saveList();
        ASSERT_FALSE(scripted.asked().isEmpty());
        EXPECT_EQ(scripted.asked().front().kind, QStringLiteral("saveFile")) << c.start.toStdString();
        EXPECT_TRUE(fsys::fileExists(tree.path(QStringLiteral("Listen/") + c.written))) << c.written.toStdString();
        EXPECT_EQ(w->editedFile(), tree.path(QStringLiteral("Listen/") + c.written));
        EXPECT_EQ(tree.read(QStringLiteral("Listen/") + c.start), before);
        fsys::removeFile(tree.path(QStringLiteral("Listen/") + c.written));
    }
}

TEST_F(EditorTest, InsertingAPictureGuessesTextAndTheFirstOfSevenSounds)
{
    const QStringList guesses = {"Hund", "derHund", "dieHund", "dasHund", "Hund der", "Hund die", "Hund das"};
    for (int first = 0; first < guesses.size(); ++first) {
        QDir(g().config.dirs.materialSound + QStringLiteral("Tiere")).removeRecursively();
        for (int i = first; i < guesses.size(); ++i)
            sound(QStringLiteral("Tiere/") + guesses[i] + QStringLiteral(".wav"));
        auto w = open(list(QStringLiteral("a.txt"), listLines({QStringLiteral("A")}, 2)));
        w->frame(2)->M_Text->clear();
        w->frame(2)->E_sound->clear();
        card(2).text.clear();
        card(2).sounds.clear();
        w->setActiveField(2);
        w->insertDialog()->setInsertMode(2);
        w->handleInsertReply(picture(QStringLiteral("Hund.wmf")));
        EXPECT_EQ(card(2).picture, QStringLiteral("Hund.wmf"));
        EXPECT_EQ(card(2).layout.pictureSize, 90);
        EXPECT_EQ(w->frame(2)->Label1->text(), QStringLiteral("90 %"));
        EXPECT_EQ(card(2).text, QStringLiteral("Hund"));
        EXPECT_EQ(card(2).sounds, QStringLiteral("Tiere/") + guesses[first] + QStringLiteral(".wav"));
        EXPECT_TRUE(w->changed());
    }
}

TEST_F(EditorTest, ArticleAndSentenceNamesGiveTheirTexts)
{
    sound(QStringLiteral("Hund die.wav"));
    auto w = open(list(QStringLiteral("a.txt"), listLines({QStringLiteral("A")}, 2)));
    for (int k : {1, 2}) {
        w->frame(k)->M_Text->clear();
        card(k).text.clear();
        w->frame(k)->E_sound->clear();
        card(k).sounds.clear();
    }
    w->insertDialog()->setInsertMode(2);
    w->setActiveField(1);
    w->handleInsertReply(picture(QStringLiteral("der Hund.jpg"), QStringLiteral("Banane.jpg")));
    EXPECT_EQ(card(1).layout.pictureSize, 100);
    EXPECT_EQ(card(1).text, QStringLiteral("der Hund"));
    EXPECT_EQ(card(1).sounds, QStringLiteral("Hund die.wav"));  // found through "Hund"
    w->setActiveField(2);
    w->handleInsertReply(picture(QStringLiteral("Der Hund bellt.jpg"), QStringLiteral("Banane.jpg")));
    EXPECT_EQ(card(2).text, QStringLiteral("Der Hund bellt."));
    card(1).text = QStringLiteral("Hund");
    w->frame(1)->M_Text->setText(QStringLiteral("Hund"));
    w->setActiveField(1);
    w->handleInsertReply(g().config.dirs.materialBilder + QStringLiteral("Der Hund bellt.jpg"));
    EXPECT_EQ(card(1).text, QStringLiteral("Hund"));
    EXPECT_EQ(card(1).picture, QStringLiteral("Der Hund bellt.jpg"));
}

TEST_F(EditorTest, AReplyNamingAMissingFileChangesNothing)
{
    auto w = open(list(QStringLiteral("a.txt"), listLines({QStringLiteral("A")}, 2)));
    const TDaten before = g().loadedList;
    w->setActiveField(1);
    w->insertDialog()->setInsertMode(2);
    const QString missing = g().config.dirs.materialBilder + QStringLiteral("weg.jpg");
    w->handleInsertReply(missing);
    EXPECT_TRUE(scripted.texts().contains(missing + QStringLiteral(" kann nicht zugeordnet werden.")));
    EXPECT_EQ(g().loadedList, before);
    EXPECT_FALSE(w->changed());
}

TEST_F(EditorTest, AddingTheSameSoundAgainAsksFirst)
{
    const QString a = sound(QStringLiteral("a.wav"));
    sound(QStringLiteral("b.wav"));
    auto w = open(list(QStringLiteral("a.txt"), listLines({QStringLiteral("A")}, 2)));
    struct Case { QString field; dialogs::Button answer; bool asked; QString result; };
    for (const Case& c : {Case{"a.wav", dialogs::Button::Yes, true, "a.wav;a.wav"},
                          Case{"a.wav", dialogs::Button::No, true, "a.wav"},
                          Case{"b.wav;a.wav", dialogs::Button::Yes, false, "b.wav;a.wav;a.wav"}}) {
        QLineEdit* field = w->frame(1)->E_sound;
        field->selectAll();
        QTest::keyClicks(field, c.field);
        EXPECT_EQ(card(1).sounds, c.field);
        scripted.clear();
        scripted.answer(c.answer);
        w->AddCardSound(a, 1);
        EXPECT_EQ(scripted.texts().contains(QStringLiteral("Sound existiert schon! Trotzdem einfügen?")), c.asked);
        EXPECT_EQ(field->text(), c.result);
        EXPECT_EQ(card(1).sounds, c.result);
    }
}

TEST_F(EditorTest, TaskOperationsInsertDeleteAndAdd)
{
    auto w = open(list(QStringLiteral("a.txt"), listLines({"A", "B", "C"}, 2)));
    const std::vector<TAufgabe> before = g().taskList();
    w->tabs()->setCurrentIndex(1);
    EXPECT_EQ(w->frame(1)->M_Text->text(), QStringLiteral("B1"));
    w->insertTask();
    ASSERT_EQ(w->tabs()->count(), 4);
    const auto& t = g().taskList();
    EXPECT_EQ(t[0], before[0]);
    EXPECT_EQ(t[2], before[1]);
    EXPECT_EQ(t[3], before[2]);
    EXPECT_TRUE(t[1].successSounds.isEmpty());
    EXPECT_TRUE(t[1].elements[1].text.isEmpty() && t[1].elements[1].picture.isEmpty() && t[1].elements[1].sounds.isEmpty());
    EXPECT_EQ(t[1].elements[1].layout.pictureSize, 80);  // sizes stay
    EXPECT_EQ(w->statusText(1), QStringLiteral("insgesamt 4 Aufgaben"));
    EXPECT_TRUE(w->frame(1)->M_Text->text().isEmpty());

    w->tabs()->setCurrentIndex(3);
    w->deleteTask();
    EXPECT_EQ(w->tabs()->count(), 3);
    EXPECT_EQ(w->shownTask(), 2);  // the last one
    EXPECT_EQ(w->frame(1)->M_Text->text(), QStringLiteral("B1"));

    w->addTask();
    EXPECT_EQ(w->tabs()->count(), 4);
    EXPECT_EQ(w->tabs()->currentIndex(), 3);
    EXPECT_EQ(g().taskList()[3].elements.size(), 3u);
}

TEST_F(EditorTest, DeletingTheOnlyTaskLeavesOneEmptyTask)
{
    auto w = open(list(QStringLiteral("a.txt"), listLines({"A"}, 2)));
    w->deleteTask();
    ASSERT_EQ(g().taskList().size(), 1u);
    EXPECT_EQ(w->tabs()->count(), 1);
    EXPECT_TRUE(card(1).text.isEmpty());
    EXPECT_TRUE(w->frame(1)->M_Text->text().isEmpty());
    EXPECT_TRUE(w->changed());
}

TEST_F(EditorTest, Programs101And102IgnoreTaskOperationsAndSaveEveryTask)
{
    for (int code : {101, 102}) {
        const QString file = list(QStringLiteral("m.txt"), listLines({"A", "B"}, 12));
        auto w = open(file, code);
        EXPECT_FALSE(w->tabs()->isVisibleTo(w.get()));
        EXPECT_FALSE(w->addTaskButton()->isVisible());
        EXPECT_EQ(w->statusText(1), QString());
        const std::vector<TAufgabe> before = g().taskList();
        w->addTask();
        w->insertTask();
        w->deleteTask();
        EXPECT_EQ(g().taskList(), before);
        QTest::keyClicks(w->frame(12)->M_Text, QStringLiteral("!"));
        w->saveList();
        TDaten back;
        ASSERT_EQ(LoadTaskListInto(file, back), 2) << code;
        EXPECT_EQ(back.tasks[0].elements[12].text, QStringLiteral("A12!"));
        EXPECT_EQ(back.tasks[1].elements[12].text, QStringLiteral("B12"));
    }
}

TEST_F(EditorTest, SavingDropsKeysTheEditorDoesNotWrite)
{
    QStringList lines = listLines({"A"}, 2, {QStringLiteral("Unbekannt=1")});
    lines.insert(2, QStringLiteral("Elementanzahl=2"));
    const QString file = list(QStringLiteral("a.txt"), lines);
    auto w = open(file);
    w->saveList();
    const QByteArray bytes = tree.read(QStringLiteral("Listen/a.txt"));
    EXPECT_FALSE(bytes.contains("Elementanzahl"));
    EXPECT_FALSE(bytes.contains("Unbekannt"));
    EXPECT_TRUE(bytes.contains("1=A1.jpg|80|A1|A.wav"));
}

TEST_F(EditorTest, TextsAreShownAndWrittenWithoutConversions)
{
    g().swissOrthography = true;
    const QString file = list(QStringLiteral("a.txt"), {"[Allgemein]", "Aufgabencount=1", "[Aufgabe 1]", "1=|100|Fuß|", "2=||"});
    auto w = open(file);
    EXPECT_EQ(w->frame(1)->M_Text->text(), QStringLiteral("Fuß"));
    w->saveList();
    EXPECT_TRUE(tree.read(QStringLiteral("Listen/a.txt")).contains(win1252::encode(QStringLiteral("1=|100|Fuß|"))));
    w->close();
    EXPECT_FALSE(g().editorActive);
}

TEST_F(EditorTest, UndoAndRedoAPictureInsertATaskDeleteAndATypingRun)
{
    sound(QStringLiteral("Hund.wav"));
    auto w = open(list(QStringLiteral("a.txt"), listLines({"A", "B"}, 2)));
    QUndoStack* undo = w->undoStack();
    for (int k : {1}) {
        card(k).text.clear();
        card(k).sounds.clear();
        w->frame(k)->M_Text->clear();
        w->frame(k)->E_sound->clear();
    }
    const TDaten start = g().loadedList;
    w->setActiveField(1);
    w->insertDialog()->setInsertMode(2);
    w->handleInsertReply(picture(QStringLiteral("Hund.wmf")));
    const TDaten inserted = g().loadedList;
    EXPECT_EQ(undo->count(), 1);  // picture, text and sound in one step
    undo->undo();
    EXPECT_EQ(g().loadedList, start);
    EXPECT_TRUE(w->frame(1)->M_Text->text().isEmpty());
    undo->redo();
    EXPECT_EQ(g().loadedList, inserted);
    EXPECT_EQ(w->frame(1)->M_Text->text(), QStringLiteral("Hund"));
    EXPECT_EQ(w->frame(1)->E_sound->text(), QStringLiteral("Hund.wav"));

    w->tabs()->setCurrentIndex(1);
    w->deleteTask();
    EXPECT_EQ(g().taskList().size(), 1u);
    QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(g().taskList().size(), 2u);
    EXPECT_EQ(w->tabs()->count(), 2);
    EXPECT_EQ(w->shownTask(), 1);
    EXPECT_EQ(w->frame(1)->M_Text->text(), QStringLiteral("B1"));
    QTest::keyClick(w.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(g().taskList().size(), 1u);

    const int steps = undo->count();
    w->tabs()->setCurrentIndex(0);
    QLineEdit* text = w->frame(2)->M_Text;
    text->setFocus();
    QTest::keyClicks(text, QStringLiteral("Haus"));
    EXPECT_EQ(card(2).text, QStringLiteral("A2Haus"));
    EXPECT_EQ(undo->count(), steps + 1);  // one step for the run
    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(card(2).text, QStringLiteral("A2"));
    EXPECT_EQ(text->text(), QStringLiteral("A2"));
    undo->redo();
    EXPECT_EQ(text->text(), QStringLiteral("A2Haus"));
}

TEST_F(EditorTest, BadListsShowWhatTheLoaderGivesAndSaveNothingUnasked)
{
    QByteArray noise;
    for (int i = 0; i < 4000; ++i)
        noise.append(char((i * 7919 + 13) % 256));
    tree.write(QStringLiteral("Listen/zufall.txt"), noise);
    const QString broken = list(QStringLiteral("kaputt.txt"), {"[Allgemein]", "Aufgabencount=2", "[Aufgabe 1]",
                                                               "1=a|b|c|d|e|f", "2=|||||", "[Aufgabe 2]", "1=x|-5"});
    const QByteArray brokenBytes = tree.read(QStringLiteral("Listen/kaputt.txt"));
    {
        auto w = open(tree.path(QStringLiteral("Listen/zufall.txt")));
        EXPECT_EQ(w->windowTitle(), QStringLiteral("EDITOR: UNBENANNT.txt"));
        EXPECT_EQ(g().taskList().size(), 1u);
        w->close();
    }
    {
        auto w = open(broken);
        TDaten loaded;
        LoadTaskListInto(broken, loaded);
        EXPECT_EQ(g().taskList().size(), loaded.tasks.size());
        EXPECT_EQ(w->frame(1)->M_Text->text(), loaded.tasks[0].elements[1].text);
        w->close();
    }
    EXPECT_TRUE(scripted.asked().isEmpty());
    EXPECT_EQ(tree.read(QStringLiteral("Listen/zufall.txt")), noise);
    EXPECT_EQ(tree.read(QStringLiteral("Listen/kaputt.txt")), brokenBytes);
    EXPECT_EQ(fsys::list(tree.path(QStringLiteral("Listen/")), QStringLiteral("*")).size(), 2);
}

TEST_F(EditorTest, AFailedSaveShowsTheErrorAndKeepsTheEdits)
{
    const QString file = list(QStringLiteral("ro/a.txt"), listLines({"A"}, 2));
    const QByteArray before = tree.read(QStringLiteral("Listen/ro/a.txt"));
    auto w = open(file);
    QTest::keyClicks(w->frame(1)->M_Text, QStringLiteral("neu"));
    fsys::setReadOnly(file, true);
    QFile::setPermissions(tree.path(QStringLiteral("Listen/ro")), QFile::ReadOwner | QFile::ExeOwner);
    w->saveList();
    QFile::setPermissions(tree.path(QStringLiteral("Listen/ro")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(scripted.texts().contains(QStringLiteral("Die Ini-Datei: ") + file +
                                          QStringLiteral(" konnte nicht erstellt werden.")));
    EXPECT_TRUE(w->changed());
    EXPECT_FALSE(w->saved());
    EXPECT_EQ(w->frame(1)->M_Text->text(), QStringLiteral("A1neu"));
    EXPECT_EQ(tree.read(QStringLiteral("Listen/ro/a.txt")), before);
    // Closing asks; "Ja" with the save failing again keeps the window open.
    scripted.answer(dialogs::Button::Yes);
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
}

TEST_F(EditorTest, NewAndCloseAskBeforeLosingChanges)
{
    const QString file = list(QStringLiteral("a.txt"), listLines({"A"}, 2));
    auto w = open(file);
    QTest::keyClicks(w->frame(1)->M_Text, QStringLiteral("x"));
    scripted.answer(dialogs::Button::Cancel);
    w->newList();
    EXPECT_EQ(w->editedFile(), file);
    EXPECT_EQ(card(1).text, QStringLiteral("A1x"));
    scripted.answer(dialogs::Button::Yes);
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(tree.read(QStringLiteral("Listen/a.txt")).contains("|A1x|"));
    EXPECT_TRUE(w->saved());
}

TEST_F(EditorTest, ProgramsHideTheirMenuItemsAndArrangeTheirCards)
{
    struct Case { int code; QStringList hidden; QStringList shown; int cards; QString title1; };
    const QList<Case> cases = {
        {302, {"Knopffarbe", "Rückseite...", "BuchstabenPaarFarbe"}, {"Hintergrundbild...", "Schrift Text"}, 2, " Karte01"},
        {408, {"Knopffarbe", "Rückseite..."}, {"BuchstabenPaarFarbe", "Bild für Anleitung..."}, 2, " Karte01"},
        {404, {"BuchstabenMarkierungsFarbe"}, {"Knopffarbe", "Rückseite..."}, 4, " Lösung"},
        {203, {"BuchstabenMarkierungsFarbe", "Animation bei Erfolg..."}, {"Knopffarbe"}, 6, " gesuchte Karte"},
        {303, {"Knopffarbe"}, {"BuchstabenMarkierungsFarbe"}, 1, " Karte "},
    };
    for (const Case& c : cases) {
        auto w = open(tree.path(QStringLiteral("Listen/fehlt.txt")), c.code);
        for (const QString& h : c.hidden)
            EXPECT_FALSE(w->action(h)->isVisible()) << c.code << " " << h.toStdString();
        for (const QString& s : c.shown)
            EXPECT_TRUE(w->action(s)->isVisible()) << c.code << " " << s.toStdString();
        int cards = 0;
        for (int k = 1; k <= 12; ++k)
            cards += w->frame(k)->isVisibleTo(w.get()) ? 1 : 0;
        EXPECT_EQ(cards, c.cards) << c.code;
        EXPECT_EQ(w->frame(1)->L_Titel->text(), c.title1) << c.code;
        EXPECT_EQ(w->frame(0)->isVisibleTo(w.get()), c.code == 404);
    }
}

TEST_F(EditorTest, PlayButtonsPlayTheFieldInOrder)
{
    const QString a = sound(QStringLiteral("a.wav")), b = sound(QStringLiteral("Tiere/b.wav"));
    auto w = open(list(QStringLiteral("a.txt"), listLines({"A"}, 2)));
    QLineEdit* field = w->frame(1)->E_sound;
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("Tiere/b.wav;fehlt.wav;a.wav"));
    QTest::mouseClick(w->frame(1)->SB_Ton, Qt::LeftButton);
    ASSERT_FALSE(audio.started().isEmpty());
    EXPECT_EQ(audio.started().front(), b);
    while (!audio.endNext().isEmpty())
        QApplication::processEvents();
    EXPECT_EQ(audio.started(), QStringList({b, a}));
}

TEST_F(EditorTest, TheSoundSearchOpensTheInsertionDialogAtItsFolder)
{
    sound(QStringLiteral("Tiere/Hund.wav"));
    sound(QStringLiteral("Tiere/Katze.wav"));
    sound(QStringLiteral("Auto.wav"));
    auto w = open(list(QStringLiteral("a.txt"), listLines({"A"}, 2)));
    w->frame(1)->M_Text->setText(QStringLiteral("Hund"));
    QTest::mouseDClick(w->frame(1)->E_sound, Qt::LeftButton);
    TFormEinfuegen* d = w->insertDialog();
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->insertMode(), 3);
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Sound einfügen"));
    EXPECT_EQ(d->selectedFolder(), g().config.dirs.materialSound + QStringLiteral("Tiere/"));
    EXPECT_EQ(d->selectedFile(), g().config.dirs.materialSound + QStringLiteral("Tiere/Hund.wav"));
    QTest::keyClick(d->LV_dateien, Qt::Key_K);
    QTest::keyClick(d->LV_dateien, Qt::Key_Return);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(card(1).sounds, QStringLiteral("A.wav;Tiere/Katze.wav"));
}

TEST_F(EditorTest, InsertionDialogModesListTheirFilesAndRememberTheFolder)
{
    tree.write(QStringLiteral("INTERN/Bilder/Hintergrund/Wiese.jpg"), "x");
    tree.write(QStringLiteral("INTERN/Bilder/Hintergrund/Meer.gif"), "x");
    tree.write(QStringLiteral("INTERN/Bilder/Hintergrund/liesmich.txt"), "x");
    tree.write(QStringLiteral("INTERN/Bilder/Hintergrund/Alt/Wald.jpg"), "x");
    picture(QStringLiteral("Tiere/Hund.wmf"));
    picture(QStringLiteral("Baum.wmf"));
    TFormEinfuegen d(nullptr);
    d.setInsertMode(0);
    d.setCurrentChoice(QStringLiteral("Wiese"));
    d.showDialog();
    EXPECT_EQ(d.TV_ordner->topLevelItem(0)->childCount(), 0);
    EXPECT_EQ(d.LV_dateien->count(), 2);
    EXPECT_EQ(d.selectedFile(), g().config.dirs.hintergrundbilder + QStringLiteral("Wiese.jpg"));
    EXPECT_EQ(d.B_ok->text(), QStringLiteral("OK - Bild übernehmen"));
    d.hide();

    d.setInsertMode(2);
    d.showDialog();
    EXPECT_EQ(d.TV_ordner->topLevelItem(0)->text(0), QStringLiteral("Material/Bilder"));
    d.TV_ordner->setCurrentItem(d.TV_ordner->topLevelItem(0)->child(0));
    QString reply;
    QObject::connect(&d, &TFormEinfuegen::inserted, [&](const QString& p) { reply = p; });
    d.B_ok->click();
    EXPECT_EQ(reply, g().config.dirs.materialBilder + QStringLiteral("Tiere/Hund.wmf"));
    d.showDialog();
    EXPECT_EQ(d.selectedFolder(), g().config.dirs.materialBilder + QStringLiteral("Tiere/"));
    EXPECT_FALSE(d.L_vorschau->pixmap().isNull());
    d.B_standard->click();
    EXPECT_EQ(d.selectedFolder(), g().config.dirs.materialBilder);
}

TEST_F(EditorTest, PictureMenuDeletesAndResizesPictures)
{
    picture(QStringLiteral("A1.jpg"), QStringLiteral("Banane.jpg"));
    tree.write(QStringLiteral("Material/Sammelbilder/S.jpg"), "x");
    QStringList lines = listLines({"A"}, 12);
    lines.replace(lines.indexOf(QStringLiteral("0=|100||")), QStringLiteral("0=S.jpg|100||"));
    auto w = open(list(QStringLiteral("m.txt"), lines), 101);
    ASSERT_TRUE(w->frame(1)->Bild->hasPicture());
    {
        ModalWatch watch([](QWidget* m) {
            if (auto* d = qobject_cast<TFormbildgroesse*>(m)) {
                d->takeText(QStringLiteral("50"));
                d->done(1);
            }
        });
        w->changePictureSize(1);
    }
    EXPECT_EQ(card(1).layout.pictureSize, 50);
    EXPECT_EQ(w->frame(1)->Label1->text(), QStringLiteral("50 %"));
    EXPECT_EQ(w->frame(1)->Bild->percent(), 50);

    scripted.answer(dialogs::Button::No);
    w->deletePicture(1);
    EXPECT_EQ(card(1).picture, QStringLiteral("A1.jpg"));
    scripted.answer(dialogs::Button::Yes);
    w->deletePicture(1);
    EXPECT_TRUE(card(1).picture.isEmpty());
    EXPECT_EQ(card(1).layout.pictureSize, 50);
    EXPECT_FALSE(w->frame(1)->Bild->hasPicture());
    EXPECT_EQ(w->statusText(0), QStringLiteral("Bild: 1 gelöscht!"));
    scripted.answer(dialogs::Button::Yes);
    w->deletePicture(0);
    EXPECT_TRUE(g().taskList()[0].headElement.picture.isEmpty());
    EXPECT_EQ(w->statusText(0), QStringLiteral("Sammelbild gelöscht!"));
    EXPECT_EQ(scripted.texts(), QStringList({"Soll das Bild 1 wirklich gelöscht werden?", "Soll das Bild 1 wirklich gelöscht werden?",
                                             "Soll das Sammelbild wirklich gelöscht werden?"}));
}

TEST_F(EditorTest, TheChooserAndTheOptionPagesReachTheEditorThroughTheirHooks)
{
    editor::InstallEditorHooks();
    tree.write(QStringLiteral("INTERN/Lob/Wort/super.wav"), "RIFF");
    {
        ModalWatch watch([](QWidget* m) {
            if (auto* d = qobject_cast<TFormEinfuegen*>(m))
                d->confirm();
        });
        EXPECT_EQ(options::chooseSoundFile(nullptr, 9, QString()), g().config.dirs.lobSound + QStringLiteral("Wort/super.wav"));
    }
    const QString file = list(QStringLiteral("a.txt"), listLines({"A"}, 2));
    g().programCode = 301;
    for (bool save : {false, true}) {
        ModalWatch watch([save](QWidget* m) {
            if (auto* e = qobject_cast<TFormeditor*>(m)) {
                if (save)
                    e->saveList();
                e->close();
            }
        });
        EXPECT_EQ(editor::RunEditor(nullptr, file), save ? file : QString());
    }
    options::setSoundChooser(nullptr);
    chooser::setEditorHook(nullptr);
}

} // namespace

TEST_F(EditorTest, AFilmWaitsInThePreviewAndAPictureTakesItsPlaceAgain)
{
    tree.write(QStringLiteral("Material/Bilder/Zirkus.avi"), "kein echter Film");
    picture(QStringLiteral("Banane.jpg"), QStringLiteral("Banane.jpg"));
    auto w = open(list(QStringLiteral("a.txt"), listLines({QStringLiteral("Hund")}, 2)));
    w->pictureDoubleClicked(1);
    TFormEinfuegen* d = w->insertDialog();
    auto select = [&](const QString& name) {
        const auto items = d->LV_dateien->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        d->LV_dateien->setCurrentItem(items.first());
    };
    select(QStringLiteral("Zirkus.avi"));
    EXPECT_TRUE(d->V_film->isVisible());
    EXPECT_FALSE(d->L_vorschau->isVisible());
    EXPECT_EQ(d->filmFile(), tree.path(QStringLiteral("Material/Bilder/Zirkus.avi")));
    EXPECT_TRUE(d->B_abspielen->isVisible());
    EXPECT_FALSE(d->B_aufnehmen->isVisible());  // recording is for sounds
    d->B_abspielen->click();  // a broken film plays nothing and harms nothing
    select(QStringLiteral("Banane.jpg"));
    EXPECT_FALSE(d->V_film->isVisible());
    EXPECT_TRUE(d->L_vorschau->isVisible());
    EXPECT_FALSE(d->L_vorschau->pixmap().isNull());
    EXPECT_TRUE(d->filmFile().isEmpty());
}

// "Öffnen" after an edit, "Nein" to saving, then a file of random bytes: the question comes once,
// nothing is written over the damaged file, and the list shown is the list a save writes.
TEST_F(EditorTest, OpeningAFileThatCannotBeLoadedKeepsTheListAndWritesNothing)
{
    QByteArray noise;
    for (int i = 0; i < 4000; ++i)
        noise.append(char((i * 7919 + 13) % 256));
    const QString damaged = tree.write(QStringLiteral("Listen/zufall.txt"), noise);
    const QString file = list(QStringLiteral("a.txt"), listLines({"A"}, 2));
    auto w = open(file);
    QTest::keyClicks(w->frame(1)->M_Text, QStringLiteral("x"));
    scripted.clear();
    scripted.answer(dialogs::Button::No);
    scripted.answer(dialogs::Button::Yes);  // a second question would be answered with "Ja"
    scripted.answerFile(damaged);
    w->openList();
    EXPECT_EQ(scripted.texts().count(QStringLiteral("Soll die Datei gespeichert werden?")), 1);
    EXPECT_EQ(tree.read(QStringLiteral("Listen/zufall.txt")), noise);
    EXPECT_FALSE(scripted.texts().contains(QStringLiteral("Datei gespeichert!")));
    EXPECT_EQ(w->editedFile(), file);
    EXPECT_EQ(w->frame(1)->M_Text->text(), QStringLiteral("A1x"));
    EXPECT_EQ(card(1).text, QStringLiteral("A1x"));
    ASSERT_FALSE(scripted.texts().isEmpty());
    EXPECT_TRUE(scripted.texts().last().contains(QStringLiteral("enthält keine gültigen Daten")));
    // What is shown is what a save writes, into the list's own file.
    scripted.clear();
    w->saveList();
    EXPECT_TRUE(tree.read(QStringLiteral("Listen/a.txt")).contains("|A1x|"));
    EXPECT_EQ(tree.read(QStringLiteral("Listen/zufall.txt")), noise);
}

// "Speichern unter..." that fails (a folder that is not there) or names a file a Windows share
// cannot hold leaves the editor with its former name; the next "Speichern" writes there.
TEST_F(EditorTest, ASaveAsThatFailsOrIsRefusedKeepsTheFormerName)
{
    const QString file = list(QStringLiteral("a.txt"), listLines({"A"}, 2));
    struct Case { QString name; QString message; };
    for (const Case& c : {Case{"Hand/Hund", "ist nicht erreichbar"}, Case{"Hand:Hund", "nicht erlaubt"},
                          Case{"Hand?", "nicht erlaubt"}, Case{"Hand*Hund.txt", "nicht erlaubt"}}) {
        SCOPED_TRACE(c.name.toStdString());
        auto w = open(file);
        QTest::keyClicks(w->frame(1)->M_Text, QStringLiteral("x"));
        const QString caption = w->windowTitle();
        scripted.clear();
        scripted.answerFile(tree.path(QStringLiteral("Listen/") + c.name));
        w->saveListAs();
        ASSERT_FALSE(scripted.texts().isEmpty());
        EXPECT_TRUE(scripted.texts().last().contains(c.message)) << scripted.texts().last().toStdString();
        EXPECT_EQ(w->editedFile(), file);
        EXPECT_EQ(w->windowTitle(), caption);
        EXPECT_TRUE(w->changed());
        EXPECT_EQ(fsys::list(tree.path(QStringLiteral("Listen/")), QStringLiteral("*")), QStringList{"a.txt"});
        scripted.clear();
        w->saveList();
        EXPECT_TRUE(scripted.texts().contains(QStringLiteral("Datei gespeichert!")));
        EXPECT_TRUE(tree.read(QStringLiteral("Listen/a.txt")).contains("|A1x|"));
        w->close();
        list(QStringLiteral("a.txt"), listLines({"A"}, 2));
    }
}

// The editor's help is its own page, shown with or without the main window (a program started
// from a desktop shortcut has none); a missing page is told.
TEST_F(EditorTest, EditorHelpShowsItsOwnPageOrSaysItIsMissing)
{
    g().config.helpFile = tree.write(QStringLiteral("Hilfe/index.html"), "<html><body>Start</body></html>");
    auto w = open(list(QStringLiteral("a.txt"), listLines({"A"}, 2)));
    scripted.clear();
    w->action(QStringLiteral("Hilfe für den Editor"))->trigger();
    EXPECT_EQ(scripted.texts(), QStringList{"Hilfe nicht gefunden."});

    const QString page = tree.write(QStringLiteral("Hilfe/thema5.html"), "<html><body>Der Aufgabeneditor</body></html>");
    scripted.clear();
    QString shown;
    {
        ModalWatch watch([&](QWidget* m) {
            if (auto* b = m->findChild<QTextBrowser*>())
                shown = b->source().toLocalFile() + QLatin1Char('|') + b->toPlainText();
            m->close();
        });
        w->action(QStringLiteral("Hilfe für den Editor"))->trigger();
    }
    EXPECT_TRUE(scripted.texts().isEmpty());
    EXPECT_EQ(shown, page + QStringLiteral("|Der Aufgabeneditor"));
}

// The demo's help folder has the editor's page.
TEST(EditorHelpPage, TheDemoHasTheEditorsPage)
{
    QFile f(sourceDir() + QStringLiteral("demo/Hilfe/thema5.html"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    for (const char* part : {"Datei", "Bearbeiten", "Layout-Datei", "Bild einfügen", "Sound einfügen", "Aufnehmen",
                             "Rückgängig"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part;
}

// An empty picture box says how to fill it; the hint is drawn only and never reaches the list.
TEST_F(EditorTest, AnEmptyCardShowsAHintThatIsNeverSaved)
{
    const QString file = list(QStringLiteral("a.txt"), listLines({"A"}, 2));
    picture(QStringLiteral("A1.jpg"), QStringLiteral("Banane.jpg"));
    auto w = open(file);
    w->resize(1000, 700);
    QApplication::processEvents();
    auto greyPixels = [](QWidget* box) {
        const QImage img = box->grab().toImage();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                n += std::abs(c.red() - 150) < 12 && std::abs(c.green() - 150) < 12 && std::abs(c.blue() - 150) < 12;
            }
        return n;
    };
    ASSERT_TRUE(w->frame(1)->Bild->hasPicture());
    ASSERT_FALSE(w->frame(2)->Bild->hasPicture());
    EXPECT_GT(greyPixels(w->frame(2)->Bild), 20);
    EXPECT_LT(greyPixels(w->frame(1)->Bild), greyPixels(w->frame(2)->Bild) / 4);
    EXPECT_TRUE(w->frame(2)->Bild->text().isEmpty());
    QTest::keyClicks(w->frame(1)->M_Text, QStringLiteral("x"));
    w->saveList();
    EXPECT_FALSE(tree.read(QStringLiteral("Listen/a.txt")).contains("Doppelklick"));
}

// A list without a background picture takes the chosen one without a question; one with a picture
// asks before replacing it.
TEST_F(EditorTest, TheBackgroundPictureIsReplacedAfterAQuestionOnlyWhenOneIsSet)
{
    const QString chosen = tree.write(QStringLiteral("INTERN/Bilder/Hintergrund/Wiese.jpg"), "x");
    struct Case { QStringList layout; bool asked; };
    for (const Case& c : {Case{{}, false}, Case{{"Hintergrundbild="}, false},
                          Case{{"Hintergrundbild=Hintergrund\\Meer.jpg"}, true}}) {
        SCOPED_TRACE(c.layout.join(" ").toStdString());
        auto w = open(list(QStringLiteral("a.txt"), listLines({"A"}, 2, c.layout)));
        scripted.clear();
        scripted.answer(dialogs::Button::Yes);
        w->insertDialog()->setInsertMode(0);
        w->handleInsertReply(chosen);
        EXPECT_EQ(scripted.texts().contains(QStringLiteral("Soll das aktuelle Bild/ der aktuelle Film ersetzt werden?")),
                  c.asked);
        EXPECT_EQ(g().loadedList.layout.backgroundPicture, chosen);
        w->close();
    }
}

// The insertion dialog's buttons share the width of tree and list: each (tree + list - 12) / 2,
// "Abbrechen" 4 pixels from the left, OK 4 pixels to its right.
TEST_F(EditorTest, TheInsertionDialogsButtonsShareTheWidthOfTreeAndList)
{
    for (int mode : {2, 3}) {
        SCOPED_TRACE(mode);
        TFormEinfuegen d(nullptr);
        d.setInsertMode(mode);
        d.setBounds(QRect(0, 0, 900, 600));
        d.showDialog();
        QApplication::processEvents();
        const int w = (d.TV_ordner->width() + d.LV_dateien->width() - 12) / 2;
        EXPECT_EQ(d.B_abbrechen->width(), w);
        EXPECT_EQ(d.B_ok->width(), w);
        EXPECT_EQ(d.B_abbrechen->mapTo(&d, QPoint(0, 0)).x(), 4);
        EXPECT_EQ(d.B_ok->mapTo(&d, QPoint(0, 0)).x(), 4 + w + 4);
        EXPECT_LT(d.B_ok->mapTo(&d, QPoint(d.B_ok->width(), 0)).x(), d.width());
    }
}
