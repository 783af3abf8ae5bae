#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Win1252.h"
#include "data/PlayerLock.h"
#include "media/sound/Sound.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Klassenuebersicht.h"
#include "shell/Backdrop.h"
#include "shell/Hauptformular.h"
#include "shell/HelpWindow.h"
#include "shell/MainLayout.h"
#include "shell/MenuButton.h"
#include "shell/info.h"
#include "shell/lock.h"
#include "shell/Namenwahl.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QFrame>
#include <QImage>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTableView>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using dialogs::Button;

namespace {
// Four groups: three programs, one program, two programs, and a main button that is a program.
const QStringList kConfig = {
    "[Pfade]", "Hilfe=Hilfe", "Optionen=Optionen", "Protokoll=Protokoll", "Spielerbilder=Spielerbilder",
    "Listen=Listen", "Material=Material", "INTERN=INTERN", "INTERNBILDER=INTERN\\Bilder",
    "Internsound=INTERN\\Sound", "Schalterknopf=INTERN\\Schalterknopf",
    "[Hauptschalter]", "1=Merkfähigkeit", "2=Differenzierung", "3=Wortreihen", "4=Silbenanzahl", "5=#",
    "[Schalter1]", "formular=", "Bildoben=g1.bmp", "Bildunten=g1_hell.bmp",
    "1=Merkfähigkeit - Bild", "2=Merkfähigkeit - Text", "3=Gleich oder nicht gleich", "4=#",
    "[Schalter101]", "formular=FormMerkfaehigkeit", "[Schalter102]", "formular=FormMerkfaehigkeit",
    "[Schalter103]", "formular=FormGleichNichtgleich",
    "[Schalter2]", "formular=", "1=Richtig oder falsch", "2=#", "[Schalter201]", "formular=FormRichtigFalsch",
    "[Schalter3]", "formular=", "1=Doppelgänger - Bild", "2=Leer", "3=#",
    "[Schalter301]", "formular=FormDoppelgaenger", "[Schalter302]", "formular=",
    "[Schalter4]", "formular=FormSilbenanzahl",
    "[Hauptformular]", "GesamtHGFarbe=16052440", "HGFarbe=15261640", "UProgfarbe=16119270",
    "Schaltersound=klick.wav", "USchaltersound=klick_klein.wav",
};

QByteArray options(bool nameChoice)
{
    return win1252::encode(QStringLiteral("[Allgemeine Optionen]\r\nSchaltergeräusch=1\r\nHintergrund abgedeckt=0\r\n"
                                               "Namenauswahl=%1\r\n\r\n[EREIGNIS]\r\nProgrammende=INTERN\\Sound\\ende.wav 1\r\n")
                                    .arg(nameChoice ? 1 : 0));
}

QImage solid(const QColor& c)
{
    QImage img(40, 20, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

// Runs `act` on the next modal window as soon as it shows, then closes it.
void onNextModal(std::function<void(QWidget*)> act)
{
    auto poll = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> self = poll;  // no cycle: the poll ends with its last timer
    *poll = [act, self] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            act(w);
            w->close();
            return;
        }
        if (auto me = self.lock())
            QTimer::singleShot(5, [me] { (*me)(); });
    };
    QTimer::singleShot(0, [poll] { (*poll)(); });
}

// The program windows come later; the test records what would open.
class MainWindow : public TFormHauptformular
{
public:
    struct Opened {
        int code;
        QString caption, folder;
    };
    std::vector<Opened> opened;
    int result = 0;
    // The all-options dialog: what it does to the options file, and how it ends.
    std::function<bool()> allOptions = [] { return true; };
    bool openAllOptionsDialog(const QPoint&) override { return allOptions(); }
    QStringList viewed;
    void openProtocolViewer(const QString& file) override { viewed << file; }
    void openHistoryView(const QString& file, const QString& player) override { histories << player + "|" + file; }
    QStringList histories;
    int openProgramWindow(int code, const QString& caption, const QString& folder) override
    {
        opened.push_back({code, caption, folder});
        return result;
    }
};

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        t.writeLines("INTERN/Kalimo.txt", kConfig);
        t.mkdir("INTERN/Schalterknopf");
        solid(Qt::red).save(t.path("INTERN/Schalterknopf/g1.bmp"), "BMP");
        solid(Qt::blue).save(t.path("INTERN/Schalterknopf/g1_hell.bmp"), "BMP");
        for (const char* wav : {"klick.wav", "klick_klein.wav", "ende.wav"})
            t.write(QStringLiteral("INTERN/Sound/") + wav, readFixture("sound/ima_adpcm.wav"));
        t.write("Optionen/Options-Standard.txt", options(false));
        t.write("Optionen/Options-Ben.txt", options(false));
        t.write("Optionen/Options-Anna.txt", options(false));
        t.write("Optionen/LetzterNutzer.txt", "[Namen]\r\nNamen=Ben\r\n");
        t.write("Hilfe/index.html", "<html><body>Hilfe</body></html>");
        resetToInstallation(t.root());
        setHoldsPlayerLock(false);
    }
    void TearDown() override
    {
        w.reset();
        setHoldsPlayerLock(false);
    }
    static QByteArray readFixture(const QString& rel)
    {
        QFile f(fixture(rel));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    // Starts up and shows the main window; false when start-up ended the program.
    bool start()
    {
        w = std::make_unique<MainWindow>();
        if (!w->startUp())
            return false;
        // As on a desktop: the window is shown and activated, and its first activation gives the
        // player box the focus; no test sets the focus itself.
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get()))
            return false;
        QApplication::processEvents();
        return true;
    }
    // Keys as the keyboard sends them: to whatever has the focus.
    void type(const QString& text)
    {
        for (QChar c : text)
            QTest::keyClick(focused(), c.toLatin1());
    }
    void press(Qt::Key k) { QTest::keyClick(focused(), k); }
    static QWidget* focused()
    {
        if (QWidget* popup = QApplication::activePopupWidget())
            return popup->focusWidget() ? popup->focusWidget() : popup;
        return QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    }
    void key(Qt::Key k) { QTest::keyClick(w.get(), k); }
    void hover(QWidget* target)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
    }
    static bool visible(QWidget* panel) { return panel && panel->isVisible(); }

    TempTree t;
    dialogs::ScriptedDialogs dlg;
    TestAudioBackend audio;
    std::unique_ptr<MainWindow> w;
};
} // namespace

TEST_F(MainWindowTest, NameChoiceOffOpensWithTheLastPlayer)
{
    ASSERT_TRUE(start());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(g().currentPlayer(), "Ben");
    EXPECT_EQ(w->playerCombo()->currentText(), "Ben");
    QStringList items;
    for (int i = 0; i < w->playerCombo()->count(); ++i)
        items << w->playerCombo()->itemText(i);
    EXPECT_EQ(items, (QStringList{"Anna", "Ben", "Standard", " "}));
    EXPECT_EQ(w->mainButtonCount(), 4);
    EXPECT_EQ(w->windowTitle().left(20), "Kalimo - Version 1.0");
    EXPECT_TRUE(dlg.asked().isEmpty()) << dlg.texts().join("|").toStdString();
    // Missing folders are made at start-up.
    for (const char* d : {"Material", "Protokoll", "Spielerbilder", "INTERN/Bilder"})
        EXPECT_TRUE(QFileInfo(t.path(d)).isDir()) << d;
}

TEST_F(MainWindowTest, CancellingThePlayerChoiceEndsBeforeTheWindowShows)
{
    t.write("Optionen/Options-Ben.txt", options(true));
    QString shown;
    onNextModal([&](QWidget* m) { shown = m->metaObject()->className(); });
    EXPECT_FALSE(start());
    EXPECT_EQ(shown, "TFormnamenwahl");
    EXPECT_FALSE(w->isVisible());
}

TEST_F(MainWindowTest, MissingHelpFileIsReportedAndStartUpGoesOn)
{
    QFile::remove(t.path("Hilfe/index.html"));
    ASSERT_TRUE(start());
    ASSERT_EQ(dlg.texts().size(), 1);
    EXPECT_TRUE(dlg.texts()[0].startsWith("Hilfe-Datei nicht gefunden\n")) << dlg.texts()[0].toStdString();
}

TEST_F(MainWindowTest, FacesComeFromTheButtonPicturesAndHoverHighlights)
{
    ASSERT_TRUE(start());
    TMenuButton* b = w->mainButton(0);
    const QImage normal = b->normalFace(), high = b->highlightFace();
    const QPoint mid(normal.width() / 2, normal.height() / 2);
    EXPECT_EQ(QColor(normal.pixel(mid)), QColor(Qt::red));
    EXPECT_EQ(QColor(high.pixel(mid)), QColor(Qt::blue));
    // Without pictures the face carries its number and caption: some dark text pixels.
    const QImage plain = w->mainButton(1)->normalFace();
    int dark = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            dark += qGray(plain.pixel(x, y)) < 80;
    EXPECT_GT(dark, 50);

    audio.clearLog();
    hover(b);
    EXPECT_TRUE(b->isHighlighted());
    EXPECT_EQ(w->selection(), 0);
    audio.endOneShot();
    hover(w->mainButton(2));
    EXPECT_FALSE(b->isHighlighted());
    EXPECT_EQ(w->selection(), 2);
    QStringList clicks;
    for (const QString& l : audio.log())
        if (l.startsWith("oneshot"))
            clicks << QFileInfo(l.mid(8)).fileName();
    EXPECT_EQ(clicks, (QStringList{"klick.wav", "klick.wav"})) << audio.log().join("|").toStdString();
}

TEST_F(MainWindowTest, KeysOpenGroupsAndCursorWrapsThroughPrograms)
{
    ASSERT_TRUE(start());
    for (int gi = 0; gi < 3; ++gi) {
        key(Qt::Key(Qt::Key_1 + gi));
        EXPECT_EQ(w->openGroup(), gi);
        EXPECT_EQ(w->selection(), (gi + 1) * 100);
    }
    key(Qt::Key_4);  // a program, not a group: nothing opens, the open one stays
    EXPECT_EQ(w->openGroup(), 2);

    key(Qt::Key_1);
    ASSERT_EQ(w->openGroup(), 0);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(w->selection(), 102);
    key(Qt::Key_Down);  // from the third of three to the first
    EXPECT_EQ(w->selection(), 100);
    key(Qt::Key_Up);  // and from the first up to the third
    EXPECT_EQ(w->selection(), 102);
    EXPECT_TRUE(w->programButton(0, 2)->isHighlighted());
    EXPECT_FALSE(w->programButton(0, 0)->isHighlighted());
    EXPECT_EQ(w->programButton(0, 2)->frame->frameShadow(), QFrame::Sunken);

    // Escape hides the group without asking; Enter launches the selected program.
    key(Qt::Key_Escape);
    EXPECT_EQ(w->openGroup(), -1);
    EXPECT_TRUE(dlg.asked().isEmpty());
    key(Qt::Key_1);
    key(Qt::Key_Up);
    key(Qt::Key_Return);
    EXPECT_EQ(w->openGroup(), -1);
    ASSERT_EQ(w->opened.size(), 1u);
    EXPECT_EQ(w->opened[0].code, 301);
    EXPECT_EQ(w->opened[0].caption, "Gleich oder nicht gleich");
}

TEST_F(MainWindowTest, EscapeWithoutGroupAsksAndNoKeepsRunning)
{
    ASSERT_TRUE(start());
    dlg.answer(Button::No);
    key(Qt::Key_Escape);
    ASSERT_EQ(dlg.asked().size(), 1);
    EXPECT_EQ(dlg.asked()[0].text, "Soll das Programm wirklich beendet werden?");
    EXPECT_EQ(dlg.asked()[0].buttons, (QList<Button>{Button::Yes, Button::No}));
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(audio.log().join(" ").contains("ende.wav"));
}

TEST_F(MainWindowTest, EndingWritesTheLastPlayerPlaysTheEventAndReleasesTheLock)
{
    ASSERT_TRUE(start());
    w->LaunchProgram(3);  // takes the lock for Ben
    ASSERT_TRUE(holdsPlayerLock());
    EXPECT_EQ(fsys::readLines(playerlock::lockFilePath()).value_or(QStringList{}), QStringList{"Ben"});
    QFile::remove(t.path("Optionen/LetzterNutzer.txt"));
    dlg.answer(Button::Yes);
    w->CloseRequest();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(t.read("Optionen/LetzterNutzer.txt").contains("Ben"));
    EXPECT_TRUE(audio.log().join(" ").contains("ende.wav")) << audio.log().join(" ").toStdString();
    EXPECT_FALSE(holdsPlayerLock());
    EXPECT_TRUE(fsys::readLines(playerlock::lockFilePath()).value_or(QStringList{"?"}).isEmpty());
}

TEST_F(MainWindowTest, TheEndSoundPlaysEvenWhileAClickStillSounds)
{
    // The click of the button that ended the program is still playing as a one-shot sound.
    ASSERT_TRUE(start());
    ASSERT_TRUE(PlayWaveFile(t.path("INTERN/Sound/klick.wav"), false, false));
    audio.clearLog();
    dlg.answer(Button::Yes);
    w->CloseRequest();
    EXPECT_FALSE(w->isVisible());
    const QStringList shots = audio.log().filter(QStringLiteral("oneshot "));
    ASSERT_FALSE(shots.isEmpty()) << audio.log().join(" ").toStdString();
    EXPECT_TRUE(shots.back().endsWith(QStringLiteral("ende.wav"))) << shots.back().toStdString();
}

TEST_F(MainWindowTest, LaunchPassesCodeCaptionAndListFolder)
{
    ASSERT_TRUE(start());
    w->LaunchProgram(3);  // the main button that is itself a program
    w->LaunchProgram(101);
    w->LaunchProgram(301);  // empty window name: nothing starts
    ASSERT_EQ(w->opened.size(), 2u);
    EXPECT_EQ(w->opened[0].code, 406);
    EXPECT_EQ(w->opened[1].code, 102);
    EXPECT_EQ(w->opened[1].caption, "Merkfähigkeit - Text");
    EXPECT_TRUE(w->opened[1].folder.endsWith("Text/")) << w->opened[1].folder.toStdString();
    EXPECT_EQ(g().programCode, 0);
    EXPECT_TRUE(dlg.asked().isEmpty());

    // The syllable count reports an incomplete task as 100 + its number.
    w->result = 103;
    audio.clearLog();
    w->LaunchProgram(3);
    EXPECT_EQ(dlg.texts(), QStringList{"Programm SILBENANZAHL\nAufgabe 3 der aktuellen Datei enthält unvollständigen "
                                       "Daten. Bitte korrigieren."});
    EXPECT_EQ(audio.log(), QStringList{"beep"});
    w->LaunchProgram(100);  // other programs' results mean nothing here
    EXPECT_EQ(dlg.texts().size(), 1);
}

// Another workstation keeps the player list busy: after a short wait the user is asked; giving up
// starts nothing and shows no lock notice (the player is not in use elsewhere).
TEST_F(MainWindowTest, BusyPlayerListAsksAndGivingUpStartsNothing)
{
    ASSERT_TRUE(start());
    playerlock::setTimingForTests(200, 60000);
    t.write("Optionen/lock.guard", "anderer-pc 4711 abc\r\n");
    QString shown;
    onNextModal([&](QWidget* m) { shown = m->metaObject()->className(); });
    dlg.answer(Button::Cancel);
    w->LaunchProgram(100);
    playerlock::setTimingForTests(playerlock::kWaitMs, playerlock::kStaleMs);
    const QString during = shown;
    if (during.isEmpty()) {
        QDialog end;  // ends the watch for a modal window
        end.exec();
    }
    ASSERT_EQ(dlg.asked().size(), 1);
    EXPECT_TRUE(dlg.asked()[0].text.startsWith("Die Spielerliste wird gerade von einem anderen Arbeitsplatz benutzt."));
    EXPECT_EQ(during, "");
    EXPECT_TRUE(w->opened.empty());
    EXPECT_FALSE(holdsPlayerLock());
}

TEST_F(MainWindowTest, PlayerLockedElsewhereShowsTheLockDialogAndStartsNothing)
{
    ASSERT_TRUE(start());
    QProcess other;
    other.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    other.start(QStringLiteral(KALIMO_LOCKWORKER), {g().config.dirs.optionen, QStringLiteral("Ben"), QStringLiteral("hold")});
    ASSERT_TRUE(other.waitForReadyRead(10000));
    ASSERT_EQ(other.readLine().trimmed(), "HELD");

    QString shown;
    onNextModal([&](QWidget* m) { shown = m->metaObject()->className(); });
    w->LaunchProgram(100);
    EXPECT_EQ(shown, "TFormLock");
    EXPECT_TRUE(w->opened.empty());
    EXPECT_FALSE(holdsPlayerLock());

    other.closeWriteChannel();  // the other workstation ends
    ASSERT_TRUE(other.waitForFinished(10000));
    EXPECT_EQ(other.exitCode(), 0);
    w->LaunchProgram(100);
    EXPECT_EQ(w->opened.size(), 1u);
    EXPECT_TRUE(holdsPlayerLock());
}

TEST_F(MainWindowTest, PanelButtonsAndBoxes)
{
    ASSERT_TRUE(start());
    EXPECT_EQ(w->optionsButton()->text(), optionsButtonCaption(w->screen()->geometry().height()));

    auto* protocol = w->findChild<QPushButton*>("B_protokoll");
    ASSERT_NE(protocol, nullptr);
    protocol->click();
    EXPECT_EQ(dlg.texts(), QStringList{"Für den ausgewählten Nutzer gibt es keine Protokolldatei"});

    audio.clearLog();
    w->findChild<QPushButton*>("B_anleitung")->click();  // no manual here
    EXPECT_EQ(audio.log(), QStringList{"beep"});

    auto* nameChoice = w->findChild<QCheckBox*>("ChB_namenwahl");
    ASSERT_NE(nameChoice, nullptr);
    EXPECT_FALSE(nameChoice->isChecked());
    nameChoice->click();
    EXPECT_TRUE(win1252::decode(t.read("Optionen/Options-Ben.txt")).contains("Namenauswahl=1"));
}

TEST_F(MainWindowTest, RightClickOpensTheInfoWindow)
{
    ASSERT_TRUE(start());
    QString shown;
    onNextModal([&](QWidget* m) { shown = m->metaObject()->className(); });
    QTest::mouseClick(w->mainButton(1), Qt::RightButton);
    EXPECT_EQ(shown, "TForminfo");
    EXPECT_TRUE(w->opened.empty());
}

TEST_F(MainWindowTest, HelpTopicsOpenTheirPageOrTheStartPage)
{
    ASSERT_TRUE(start());
    EXPECT_EQ(helpPageFor(0), t.path("Hilfe/index.html"));
    EXPECT_EQ(helpPageFor(100), t.path("Hilfe/index.html"));
    t.write("Hilfe/thema100.html", "<html><body>Neuer Name</body></html>");
    EXPECT_EQ(helpPageFor(100), t.path("Hilfe/thema100.html"));
}

TEST_F(MainWindowTest, DialogsOpenedFromTheWindowKeepTheirOwnKeys)
{
    ASSERT_TRUE(start());
    bool escaped = false;
    QString typed;
    onNextModal([&](QWidget* m) {
        auto* edit = m->findChild<QLineEdit*>();
        QTest::keyClicks(edit, "Tim1");
        typed = edit->text();
        QTest::keyClick(edit, Qt::Key_Escape);
        escaped = !m->isVisible();
    });
    QDialog d(w.get());
    new QLineEdit(&d);
    d.exec();
    EXPECT_EQ(typed, "Tim1");
    EXPECT_TRUE(escaped);
    EXPECT_EQ(w->openGroup(), -1);
    EXPECT_TRUE(dlg.asked().isEmpty()) << dlg.texts().join("|").toStdString();

    // The info window hands the keys back when it closes.
    onNextModal([](QWidget*) {});
    QTest::mouseClick(w->mainButton(0), Qt::RightButton);
    w->setFocus();
    key(Qt::Key_1);
    EXPECT_EQ(w->openGroup(), 0);
}

TEST_F(MainWindowTest, EscapeInTheStartUpPlayerChoiceEndsWithoutTouchingTheLastPlayer)
{
    t.write("Optionen/Options-Ben.txt", options(true));
    const QByteArray last = t.read("Optionen/LetzterNutzer.txt");
    onNextModal([](QWidget* m) { QTest::keyClick(m->focusWidget() ? m->focusWidget() : m, Qt::Key_Escape); });
    EXPECT_FALSE(start());
    EXPECT_TRUE(dlg.asked().isEmpty()) << dlg.texts().join("|").toStdString();
    EXPECT_EQ(g().currentPlayer(), "Ben");
    EXPECT_EQ(t.read("Optionen/LetzterNutzer.txt"), last);
}

TEST_F(MainWindowTest, ComboListOpenedWithTheMouseCountsAsOpened)
{
    ASSERT_TRUE(start());
    QComboBox* combo = w->playerCombo();
    combo->setFocus();
    combo->showPopup();  // as a click on its arrow does
    QApplication::processEvents();
    combo->hidePopup();
    QApplication::processEvents();
    combo->setEditText("Carla");
    dlg.answer(Button::Cancel);
    QTest::keyClick(combo, Qt::Key_Return);  // confirms instead of opening the list again
    ASSERT_EQ(dlg.asked().size(), 1);
    EXPECT_EQ(dlg.asked()[0].text, "Es werden die Einstellungen, die zuletzt benutzt wurden (Ben), übernommen!");
}

TEST_F(MainWindowTest, BackdropBoxAndStartPictures)
{
    t.mkdir("INTERN/Bilder");
    QImage one(40, 25, QImage::Format_RGB32), two(40, 25, QImage::Format_RGB32);
    one.fill(Qt::red);
    two.fill(Qt::blue);
    one.setPixel(0, 24, qRgb(255, 255, 255));  // the bottom-left pixel is the transparent key
    two.setPixel(0, 24, qRgb(255, 255, 255));
    one.save(t.path("INTERN/Bilder/s1.bmp"), "BMP");
    two.save(t.path("INTERN/Bilder/s2.bmp"), "BMP");
    QStringList config = kConfig;
    config << "Startbild1=s1.bmp" << "Startbild2=s2.bmp";
    t.writeLines("INTERN/Kalimo.txt", config);
    ASSERT_TRUE(start());

    QWidget* box = w->startPictureBox();
    auto centre = [box] {
        const QImage img = box->grab().toImage();
        return QColor(img.pixel(img.width() / 2, img.height() / 2));
    };
    EXPECT_EQ(centre(), QColor(Qt::red));
    hover(box);
    EXPECT_EQ(centre(), QColor(Qt::blue));
    hover(w->mainButton(0));
    EXPECT_EQ(centre(), QColor(Qt::red));

    auto* backdropBox = w->findChild<QCheckBox*>("ChB_hintergrund");
    ASSERT_NE(backdropBox, nullptr);
    EXPECT_FALSE(backdropBox->isChecked());
    EXPECT_FALSE(w->backdropVisible());
    backdropBox->click();
    EXPECT_TRUE(w->backdropVisible());
    EXPECT_TRUE(win1252::decode(t.read("Optionen/Options-Ben.txt")).contains("Hintergrund abgedeckt=1"));
    backdropBox->click();
    EXPECT_FALSE(w->backdropVisible());
    EXPECT_TRUE(win1252::decode(t.read("Optionen/Options-Ben.txt")).contains("Hintergrund abgedeckt=0"));
}

TEST(Backdrop, StripesRunFromBlueGreyToBlack)
{
    const struct {
        int stripe;
        QColor colour;
    } cases[] = {{0, QColor(139, 173, 213)}, {137, QColor(2, 36, 76)},  {138, QColor(0, 35, 75)},
                 {171, QColor(0, 2, 42)},    {172, QColor(0, 0, 41)},   {211, QColor(0, 0, 2)},
                 {212, QColor(0, 0, 0)},     {400, QColor(0, 0, 0)}};
    for (const auto& c : cases)
        EXPECT_EQ(TFormSTARTBILDSCHIRM::stripeColour(c.stripe), c.colour) << c.stripe;
}

TEST_F(MainWindowTest, AllOptionsCancelPutsTheOptionsFileBack)
{
    ASSERT_TRUE(start());
    auto* button = w->findChild<QPushButton*>("B_optionen");
    const QByteArray before = t.read("Optionen/Options-Ben.txt");
    int groupWhileOpen = -2;
    w->allOptions = [&] {
        key(Qt::Key_1);  // the window's keys rest while the dialog is open
        groupWhileOpen = w->openGroup();
        t.write("Optionen/Options-Ben.txt", "[Allgemeine Optionen]\r\nNamenauswahl=1\r\n");
        return false;  // "Abbrechen"
    };
    button->click();
    EXPECT_EQ(groupWhileOpen, -1);
    EXPECT_EQ(t.read("Optionen/Options-Ben.txt"), before);
    EXPECT_FALSE(g().playerOptions.nameChoice);

    w->allOptions = [&] {
        t.write("Optionen/Options-Ben.txt", "[Allgemeine Optionen]\r\nNamenauswahl=1\r\n");
        return true;  // "OK" keeps what it saved
    };
    button->click();
    EXPECT_EQ(t.read("Optionen/Options-Ben.txt"), "[Allgemeine Optionen]\r\nNamenauswahl=1\r\n");
    key(Qt::Key_1);  // and work again afterwards
    EXPECT_EQ(w->openGroup(), 0);
}

TEST_F(MainWindowTest, ProtocolButtonOpensTheViewerWhenTheFileExists)
{
    ASSERT_TRUE(start());
    t.write("Protokoll/Ben.prt", "{\\rtf1 }");
    w->findChild<QPushButton*>("B_protokoll")->click();
    EXPECT_EQ(w->viewed, QStringList{t.path("Protokoll/Ben.prt")});
    EXPECT_TRUE(dlg.asked().isEmpty());
}

// The history is one click away for the current player, also without a protocol file.
TEST_F(MainWindowTest, HistoryButtonOpensThePlayersHistoryWithOrWithoutAProtocol)
{
    ASSERT_TRUE(start());
    auto* history = w->findChild<QPushButton*>("B_verlauf");
    ASSERT_NE(history, nullptr);
    EXPECT_TRUE(history->isVisible());
    EXPECT_FALSE(history->geometry().intersects(w->findChild<QPushButton*>("B_protokoll")->geometry()));
    history->click();
    EXPECT_EQ(w->histories, QStringList{"Ben|" + t.path("Protokoll/Ben-Verlauf.csv")});
    EXPECT_TRUE(dlg.asked().isEmpty());
}

TEST_F(MainWindowTest, BrokenMenuConfigurationsStillOpenTheWindow)
{
    const QList<QByteArray> configs = {
        QByteArray(),                                              // empty file
        QByteArray("\xff\xfe\x00[\x00H\x00", 8),                   // binary junk
        "[Hauptschalter]\r\n1=Nur eins\r\n",                       // no "#" end, no Schalter1
        "[Hauptschalter]\r\n1=A\r\n2=#\r\n[Schalter1]\r\n1=P\r\n", // a program list without "#"
        "[Hauptschalter]\r\n" + QByteArray("1=A\r\n2=B\r\n3=C\r\n4=D\r\n5=E\r\n6=F\r\n7=G\r\n8=H\r\n9=#\r\n"),
        "[Hauptschalter]\r\n1=A\r\n2=#\r\n[Schalter1]\r\nBildoben=..\\..\\..\\etc\\passwd\r\nBildunten=\r\n",
    };
    for (const QByteArray& config : configs) {
        SCOPED_TRACE(config.toHex().toStdString());
        // The folders stay where the test keeps its player files; the rest is broken.
        t.write("INTERN/Kalimo.txt", fsys::joinLines(kConfig.mid(0, kConfig.indexOf("[Hauptschalter]"))) + config);
        resetToInstallation(t.root());
        ASSERT_TRUE(start());
        EXPECT_TRUE(w->isVisible());
        for (Qt::Key k : {Qt::Key_1, Qt::Key_4, Qt::Key_Down, Qt::Key_Return})
            key(k);
        for (int gi = 0; gi < w->mainButtonCount(); ++gi)
            EXPECT_FALSE(w->mainButton(gi)->normalFace().isNull());
        w.reset();
        dlg.clear();
    }
}

TEST_F(MainWindowTest, BackdropShowsBehindTheWindowWhenTheOptionIsOn)
{
    t.write("Optionen/Options-Ben.txt", options(false).replace("Hintergrund abgedeckt=0", "Hintergrund abgedeckt=1"));
    ASSERT_TRUE(start());
    QApplication::processEvents();
    EXPECT_TRUE(w->backdropVisible());
    EXPECT_TRUE(w->findChild<QCheckBox*>("ChB_hintergrund")->isChecked());
}

// The player box as an adult meets it: real activation and focus, and questions in real windows
// that take the focus from the box.
TEST_F(MainWindowTest, PlayerBoxAsksOnceForANewNameTypedEnterEscapeEnter)
{
    ASSERT_TRUE(start());
    dlg.showWindows(true);
    QComboBox* combo = w->playerCombo();
    QTest::mouseClick(combo->lineEdit(), Qt::LeftButton);
    combo->lineEdit()->selectAll();
    type("Lena");
    press(Qt::Key_Return);  // the list opens
    ASSERT_TRUE(combo->view()->isVisible());
    press(Qt::Key_Escape);  // and closes again
    ASSERT_FALSE(combo->view()->isVisible());
    dlg.answer(Button::Ok);
    dlg.answer(Button::Ok);
    press(Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(dlg.texts(), QStringList{"Es werden die Einstellungen, die zuletzt benutzt wurden (Ben), übernommen!"});
    EXPECT_EQ(g().playerList.count("Lena"), 1);
    EXPECT_EQ(g().currentPlayer(), "Lena");
    int inCombo = 0;
    for (int i = 0; i < combo->count(); ++i)
        inCombo += combo->itemText(i) == "Lena";
    EXPECT_EQ(inCombo, 1);
}

TEST_F(MainWindowTest, DigitsOpenGroupsFromStartUpUntilTheBoxIsClickedToType)
{
    ASSERT_TRUE(start());
    QComboBox* combo = w->playerCombo();
    QWidget* f = QApplication::focusWidget();
    ASSERT_TRUE(f == combo || combo->isAncestorOf(f)) << "start-up gives the player box the focus";
    press(Qt::Key_2);
    EXPECT_TRUE(visible(w->groupPanel(1)));
    EXPECT_EQ(combo->currentText(), "Ben");
    press(Qt::Key_Escape);
    EXPECT_FALSE(visible(w->groupPanel(1)));
    press(Qt::Key_1);
    press(Qt::Key_Down);  // moves through the open group, not the box's list
    EXPECT_FALSE(combo->view()->isVisible());
    press(Qt::Key_Escape);
    EXPECT_TRUE(dlg.asked().isEmpty()) << dlg.texts().join(" | ").toStdString();
    // A child's random keys do not type into the box either.
    type("xyz");
    press(Qt::Key_Backspace);
    EXPECT_EQ(combo->currentText(), "Ben");

    QTest::mouseClick(combo->lineEdit(), Qt::LeftButton);
    combo->lineEdit()->selectAll();
    type("Lena2");
    EXPECT_EQ(combo->currentText(), "Lena2");
    EXPECT_FALSE(visible(w->groupPanel(1)));
}

TEST_F(MainWindowTest, EnterInTheOpenListKeepsATypedNewName)
{
    ASSERT_TRUE(start());
    dlg.showWindows(true);
    QComboBox* combo = w->playerCombo();
    QTest::mouseClick(combo->lineEdit(), Qt::LeftButton);
    combo->lineEdit()->selectAll();
    type("Paul");
    press(Qt::Key_Return);  // the list opens
    ASSERT_TRUE(combo->view()->isVisible());
    press(Qt::Key_Return);  // closes it; the typed name stays
    EXPECT_FALSE(combo->view()->isVisible());
    EXPECT_EQ(combo->currentText(), "Paul");
    EXPECT_EQ(g().currentPlayer(), "Ben");
    dlg.answer(Button::Cancel);
    press(Qt::Key_Return);  // confirms: the new-player question comes
    EXPECT_EQ(dlg.texts(), QStringList{"Es werden die Einstellungen, die zuletzt benutzt wurden (Ben), übernommen!"});
    EXPECT_EQ(g().currentPlayer(), "Ben");
    EXPECT_EQ(combo->currentText(), "Ben");
}

TEST_F(MainWindowTest, NoSoundOutputIsToldOnceAndTheWindowGoesOn)
{
    audio.setOutputName(QString());
    ASSERT_TRUE(start());
    QTest::qWait(20);
    const QString notice = "Es konnte keine Tonausgabe geöffnet werden.";
    ASSERT_EQ(dlg.texts().size(), 1);
    EXPECT_TRUE(dlg.texts()[0].startsWith(notice));
    EXPECT_TRUE(w->isVisible());
    {
        TForminfo info(w.get());
        EXPECT_EQ(info.soundOutputLabel()->text(), "Tonausgabe: keine (ohne Ton)");
    }
    // A second window of the same run says nothing more.
    w.reset();
    ASSERT_TRUE(start());
    QTest::qWait(20);
    EXPECT_EQ(dlg.texts().size(), 1);
}

TEST_F(MainWindowTest, ClassOverviewButtonShowsEveryPlayersHistory)
{
    ASSERT_TRUE(start());
    t.write("Protokoll/Anna-Verlauf.csv", "Datum;Startzeit;Programmnummer;Programm;Liste;Aufgaben;"
                                          "Beim ersten Versuch gel\xf6st;Mit Fehlern;Arbeitszeit in Sekunden\r\n"
                                          "01.12.2026;10:00;301;Gleich oder Nichtgleich;a.txt;10;7;3;60\r\n");
    auto* button = w->findChild<QPushButton*>("B_uebersicht");
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isVisible());
    auto* ende = w->findChild<QPushButton*>("B_ende");
    EXPECT_FALSE(button->geometry().intersects(ende->geometry()));
    EXPECT_TRUE(button->parentWidget()->rect().contains(button->geometry()));
    QStringList rows;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TFormKlassenuebersicht*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        form->choose(overview::Span::All, overview::Columns::Groups);
        QAbstractItemModel* m = form->table->model();
        for (int r = 0; r < m->rowCount(); ++r)
            rows << m->index(r, 0).data().toString() + QLatin1Char('|') +
                        m->index(r, TFormKlassenuebersicht::kFirstCellColumn + 2).data().toString();
        form->accept();
    });
    button->click();
    EXPECT_EQ(rows, (QStringList{"Anna|1" + QString(QChar(0x00d7)) + " 70 %", "Ben|", "Standard|"}));
    EXPECT_TRUE(dlg.asked().isEmpty());
}
