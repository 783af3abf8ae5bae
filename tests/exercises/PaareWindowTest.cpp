#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "data/PlayerList.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "exercises/PaareSuchen/PaareSuchen.h"
#include "media/skin/Meldung.h"
#include "options/O_alle.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"
#include "support/ModalWatch.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSet>
#include <QGuiApplication>
#include <QScreen>
#include "media/picture/Picture.h"
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace paare;

namespace {

const char* const kFolder = "4_Laut-Silben-Analyse/8_Paare suchen/";
const char* const kList = "01 Reime suchen.txt";

class PaareWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        copyDemoTo(tree);
        resetToInstallation(tree.root());
        resetSoundState();
        resetRun();
        installation::ReadMainConfiguration(nullptr);
        LoadPlayerList();
        MakeCurrentPlayer(QStringLiteral("Anna"));
        ReadPlayerOptions(QStringLiteral("Anna"), 0);
        g().programCode = 408;
        ReadPlayerOptions(QStringLiteral("Anna"), 408);
        TOpt_PaarSuche& o = g().playerOptions.paarSuche;
        o.pictureCount = 6;
        o.pictureChoice = 1;
        o.instructionVisible = 0;
        o.textPicture = 1;
        o.visible = 0;
        o.cardsVisibleOnSuccess = true;
        o.feedback.errorSource = 0;
        o.feedback.errorSoundText = {};
        rnd::seed(3);
        TFormMeldung::shownHook() = [this](TFormMeldung& m) {
            bubbles << m.L_meldung->text().simplified();
            QTimer::singleShot(0, &m, [&m] { m.close(); });
        };
    }
    void TearDown() override { TFormMeldung::shownHook() = nullptr; }

    QString listPath(const QString& list = QString::fromUtf8(kList))
    {
        return fsys::withSlash(g().config.dirs.listen) + QString::fromUtf8(kFolder) + list;
    }
    std::unique_ptr<TFormPaarSuche> open(const QString& path, QSize size = QSize(1024, 768))
    {
        g().programCode = 408;
        g().defaultElementCount = 2;
        if (LoadTaskList(path) <= 0)
            g().loadedList.tasks.clear();
        auto w = std::make_unique<TFormPaarSuche>(408, path);
        w->show();
        w->resize(size);
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
        return w;
    }
    QStringList playOut()
    {
        for (int i = 0; i < 200; ++i) {
            QApplication::processEvents();
            if (audio.endNext().isEmpty())
                break;
        }
        QApplication::processEvents();
        QStringList names;
        for (const QString& f : audio.started())
            names << fsys::fileName(f);
        audio.clearLog();
        return names;
    }
    static void click(TFormPaarSuche& w, int pair, int k = 0, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(&w, button, Qt::NoModifier, w.cardRect(pair, k).center());
    }
    static int wrongPair(TFormPaarSuche& w)
    {
        for (int p = 0; p < int(w.rules().pairs().size()); ++p)
            if (p != w.rules().currentTarget() && !w.rules().card(p, 0).found)
                return p;
        return -1;
    }
    QStringList protocolLines()
    {
        auto lines = fsys::readLines(PlayerProtocolPath());
        return lines ? *lines : QStringList();
    }
    QRgb pixel(TFormPaarSuche& w, QPoint at) { return w.grab().toImage().pixel(at); }

    TempTree tree;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;
    QStringList bubbles;
};

TEST_F(PaareWindowTest, PlayThroughByClicksAndKeysEndsInTheProtocolFile)
{
    const QStringList before = protocolLines();
    auto w = open(listPath());
    PaareRules& r = w->rules();
    ASSERT_EQ(r.state(), 1);
    ASSERT_EQ(r.count(), 6);
    EXPECT_EQ(w->L_Aufgaben->text(), QStringLiteral(" Aufgaben: 12"));
    EXPECT_FALSE(w->SB_pruefen->isEnabled());
    EXPECT_FALSE(w->SB_neuesSpiel->isVisible());
    playOut();

    // A wrong pick by click and "Prüfen": the error stays chosen, "Prüfen" goes off.
    click(*w, wrongPair(*w));
    EXPECT_TRUE(w->SB_pruefen->isEnabled());
    w->SB_pruefen->click();
    EXPECT_FALSE(w->SB_pruefen->isEnabled());
    EXPECT_EQ(run().runResults.back().Rows.back().Attempts, 1);
    playOut();

    for (int slot = 1; slot <= 4; ++slot) {
        SCOPED_TRACE(slot);
        const int target = r.currentTarget();
        ASSERT_EQ(target, r.slotPair(slot));
        if (slot == 2) {
            // By the arrow keys: right from no focus, on to the card, Enter, then P.
            const int place = r.card(target, 0).position;
            QTest::keyClick(w.get(), Qt::Key_Right);
            for (int i = 0; i < 10 && r.focus() != place; ++i)
                QTest::keyClick(w.get(), r.focus() < place ? Qt::Key_Right : Qt::Key_Left);
            ASSERT_EQ(r.focus(), place);
            QTest::keyClick(w.get(), Qt::Key_Return);
            QTest::keyClick(w.get(), Qt::Key_P);
        } else {
            click(*w, target);
            w->SB_pruefen->click();
        }
        playOut();
        EXPECT_TRUE(r.card(target, 1).found);
        // The found target shows both words: no longer the blank card's light ground at its centre.
        if (slot < 4) {
            EXPECT_TRUE(w->SB_weiter->isEnabled());
            if (slot == 1)
                w->SB_weiter->click();
            else if (slot == 2)
                QTest::keyClick(w.get(), Qt::Key_W);
            else
                QTest::keyClick(w.get(), Qt::Key_Return);
            playOut();
        }
    }
    EXPECT_EQ(r.state(), kAllFound);
    EXPECT_TRUE(w->SB_neuesSpiel->isVisible());
    // A pick after the fourth target.
    click(*w, 0);
    EXPECT_EQ(bubbles, QStringList{QStringLiteral("Bitte zuerst auf NEUES SPIEL klicken!")});

    ModalWatch driver([&](QWidget* m) {
        if (auto* d = qobject_cast<TFormclosedialog*>(m))
            d->sb_ende->click();
    });
    w->SB_ende->click();
    EXPECT_TRUE(w->runEnded());
    EXPECT_TRUE(driver.seen.contains(QStringLiteral("TFormclosedialog")));

    QStringList lines = protocolLines();
    ASSERT_GT(lines.size(), before.size());
    lines = lines.mid(before.size());
    int i = 0;
    EXPECT_EQ(lines.value(i++), QStringLiteral("P 4.8. PaarSuche"));
    EXPECT_EQ(lines.value(i++), QStringLiteral("N Anna"));
    EXPECT_TRUE(lines.value(i++).startsWith(QStringLiteral("D ")));
    EXPECT_EQ(lines.value(i++), QStringLiteral(" "));
    EXPECT_EQ(lines.value(i++), QStringLiteral("F ") + QString::fromUtf8(kList));
    EXPECT_EQ(lines.value(i++), QStringLiteral("O  6 Karten - Karten sind nicht sichtbar      - Text"));
    const QRegularExpression row(QStringLiteral("^  Aufgabe  1:   5 Versuche  gelöst!  \\(\\d\\d:\\d\\d:\\d\\d\\d\\) $"));
    EXPECT_TRUE(row.match(lines.value(i)).hasMatch()) << lines.value(i).toStdString();
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^  Aufgabe"))).size(), 1);
    EXPECT_EQ(g().playerOptions.paarSuche.file, QString::fromUtf8(kList));
}

TEST_F(PaareWindowTest, DealSoundsAndTheTargetsWordInOrder)
{
    auto w = open(listPath());
    // Mixing, then one dealing sound per card (six choice cards, four targets), then slot 1's word.
    int dealt = 0;
    QStringList order;
    for (const QString& line : audio.log()) {
        if (line.startsWith(QStringLiteral("oneshot ")) && line.endsWith(QStringLiteral("austeilen.wav")))
            ++dealt;
    }
    EXPECT_EQ(dealt, 10);
    const QStringList started = playOut();
    ASSERT_GE(started.size(), 2);
    EXPECT_EQ(started.first(), QStringLiteral("mischen.wav"));
    PaareRules& r = w->rules();
    const QString word = r.card(r.currentTarget(), 1).element.sounds;
    EXPECT_EQ(started.last(), fsys::fileName(word));
    // A right click on a choice card plays its word without picking it; a click on the current
    // target plays the target again.
    const int other = wrongPair(*w);
    click(*w, other, 0, Qt::RightButton);
    EXPECT_EQ(r.chosenCard(), -1);
    EXPECT_EQ(playOut(), QStringList{fsys::fileName(r.card(other, 0).element.sounds)});
    click(*w, r.currentTarget(), 1);
    EXPECT_EQ(playOut(), QStringList{fsys::fileName(word)});
    w->endRun();
}

TEST_F(PaareWindowTest, LooksOnTheScreenFollowTheCards)
{
    g().playerOptions.paarSuche.visible = 2;
    auto w = open(listPath());
    PaareRules& r = w->rules();
    const QColor pictureGround = picture::toQColor(g().loadedList.layout.pictureBackgroundColour);
    // "sichtbar" 2: every choice card shows its face; the unreached targets stay blank (lightened).
    const QImage before = w->grab().toImage();
    const int target = r.currentTarget();
    const QRect targetRect = w->cardRect(r.slotPair(2), 1);
    EXPECT_NE(before.pixelColor(targetRect.center()), QColor(Qt::black));
    // Find slot 1: its target card turns to the found look with both words, drawn in dark text.
    click(*w, target);
    w->SB_pruefen->click();
    const QImage after = w->grab().toImage();
    const QRect found = w->cardRect(target, 1);
    int dark = 0;
    for (int y = found.top() + 20; y < found.bottom() - 10; ++y)
        for (int x = found.left() + 20; x < found.right() - 10; ++x)
            dark += qGray(after.pixel(x, y)) < 100 ? 1 : 0;
    EXPECT_GT(dark, 50);
    EXPECT_EQ(after.pixelColor(found.left() + 21, found.top() + 21), pictureGround);
    // The arrow keys draw the red frame inside a card.
    QTest::keyClick(w.get(), Qt::Key_Return);  // Weiter
    QTest::keyClick(w.get(), Qt::Key_Right);
    ASSERT_GE(r.focus(), 0);
    EXPECT_GT(redPixels(w.get()), 100);
    w->endRun();
}

TEST_F(PaareWindowTest, ListBoxRefusesTooFewTasksAndDealsAnotherList)
{
    QStringList lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=5")};
    for (int k = 1; k <= 5; ++k)
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("1=Maus.bmp|100|Maus|Maus.wav")
              << QStringLiteral("2=Haus.gif|100|Haus|Haus.wav");
    tree.writeLines(QStringLiteral("Listen/") + QString::fromUtf8(kFolder) + QStringLiteral("00 kurz.txt"), lines);
    auto w = open(listPath());
    const int blocks = int(run().runResults.size());
    const int shortIndex = w->CB_auswahl->findText(QStringLiteral("00 kurz.txt"));
    ASSERT_GE(shortIndex, 0);
    w->CB_auswahl->setCurrentIndex(shortIndex);
    emit w->CB_auswahl->activated(shortIndex);
    EXPECT_EQ(bubbles,
              QStringList{QStringLiteral("Datei enthält eine ungültige Anzahl an Aufgaben. Bitte überprüfen!")});
    EXPECT_EQ(w->CB_auswahl->currentText(), QString::fromUtf8(kList));
    EXPECT_EQ(int(run().runResults.size()), blocks);
    EXPECT_EQ(g().taskList().size(), 12u);

    const int other = w->CB_auswahl->findText(QStringLiteral("02 Gleiche Wörter.txt"));
    ASSERT_GE(other, 0);
    w->CB_auswahl->setCurrentIndex(other);
    emit w->CB_auswahl->activated(other);
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    EXPECT_EQ(int(run().runResults.size()), blocks + 1);
    EXPECT_EQ(run().runResults.back().ListFile, QStringLiteral("02 Gleiche Wörter.txt"));
    EXPECT_EQ(w->rules().state(), 1);
    // "Bilderauswahl" 1 keeps its place across lists: the second list goes on with task 7.
    EXPECT_EQ(w->rules().pairs().front().task, 6);
    EXPECT_EQ(w->rules().pairs().front().cards[0].element.text, g().taskList()[6].elements[1].text);
    w->endRun();
}

TEST_F(PaareWindowTest, BadListsGiveTheirMessageAndNeverTouchTheProtocol)
{
    const QStringList old = protocolLines();
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char(rnd::below(256));
    {
        auto w = open(tree.write("Listen/junk.txt", junk));
        EXPECT_EQ(bubbles,
                  QStringList{QStringLiteral("Datei enthält eine ungültige Anzahl an Aufgaben. Bitte überprüfen!")});
        QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
        QTest::keyClick(w.get(), Qt::Key_Return);
        w->endRun();
    }
    // Six tasks with one element each, every picture and sound missing: the game plays, silently.
    bubbles.clear();
    QStringList lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=6")};
    for (int k = 1; k <= 6; ++k)
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("1=weg%1.jpg|100|Rad%1|weg%1.wav").arg(k);
    {
        g().playerOptions.paarSuche.textPicture = 3;
        auto w = open(tree.writeLines("Listen/missing.txt", lines));
        EXPECT_TRUE(bubbles.isEmpty());
        PaareRules& r = w->rules();
        ASSERT_EQ(r.state(), 1);
        for (int slot = 1; slot <= 4; ++slot) {
            click(*w, r.currentTarget());
            w->SB_pruefen->click();
            QTest::keyClick(w.get(), Qt::Key_W);
        }
        EXPECT_EQ(r.state(), kAllFound);
        EXPECT_TRUE(audio.started().filter(QStringLiteral("weg")).isEmpty());
        w->endRun();
    }
    EXPECT_EQ(protocolLines(), old);
}

TEST_F(PaareWindowTest, OptionsOkOnAFittedCountDealsANewGame)
{
    // Eight tasks with "Bilderanzahl" 12: eight choice cards; OK on the option page sets N back to 12,
    // which differs, so a new block and a new game follow.
    g().playerOptions.paarSuche.pictureCount = 12;
    QStringList lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=8")};
    for (int k = 1; k <= 8; ++k)
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("1=Maus.bmp|100|Maus%1|Maus.wav").arg(k)
              << QStringLiteral("2=Haus.gif|100|Haus%1|Haus.wav").arg(k);
    const QString path =
        tree.writeLines(QStringLiteral("Listen/") + QString::fromUtf8(kFolder) + QStringLiteral("00 acht.txt"), lines);
    auto w = open(path);
    PaareRules& r = w->rules();
    ASSERT_EQ(r.count(), 8);
    ASSERT_EQ(r.state(), 1);
    EXPECT_EQ(w->grid().columns, 4);
    ASSERT_EQ(run().runResults.size(), 1u);
    EXPECT_EQ(run().runResults[0].ItemCount, 12);
    click(*w, wrongPair(*w));
    ModalWatch ok([](QWidget* m) {
        if (auto* page = qobject_cast<options::TF_O_alle*>(m))
            page->BB_ok->click();
    });
    w->sb_optionen->click();
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    EXPECT_TRUE(ok.seen.contains(QStringLiteral("options::TF_O_alle")));
    ASSERT_EQ(run().runResults.size(), 2u);
    EXPECT_EQ(run().runResults[1].ItemCount, 12);
    EXPECT_EQ(run().runResults[1].Rows.size(), 1u);
    EXPECT_EQ(r.state(), 1);
    EXPECT_EQ(r.chosenCard(), -1);
    EXPECT_EQ(r.count(), 8);
    const QString options = QString::fromLatin1(tree.read(QStringLiteral("Optionen/Options-Anna.txt")));
    EXPECT_TRUE(options.contains(QStringLiteral("Datei=00 acht.txt"))) << options.toStdString();
    w->endRun();
}

TEST_F(PaareWindowTest, AnInvalidChoiceCountAsksForTheOptions)
{
    g().playerOptions.paarSuche.pictureCount = 7;
    ModalWatch cancel;  // the option page is closed without OK
    auto w = open(listPath());
    for (int i = 0; i < 20 && !cancel.seen.contains(QStringLiteral("options::TF_O_alle")); ++i)
        QTest::qWait(10);
    EXPECT_EQ(bubbles, QStringList{QStringLiteral("Bitte stellen Sie in den Optionen eine gültige Bilderanzahl ein.")});
    EXPECT_TRUE(cancel.seen.contains(QStringLiteral("options::TF_O_alle")));
    EXPECT_EQ(w->rules().state(), kNoGame);
    // Escape still ends the window.
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_TRUE(w->runEnded());
}

TEST_F(PaareWindowTest, Screenshots)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "KALIMO_SHOTS_DIR not set";
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const QString tag = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    struct Variant { const char* name; int count, textPicture, visible; bool background; const char* list; };
    for (const Variant v : {Variant{"text", 12, 1, 0, false, kList},
                            Variant{"bild", 12, 3, 2, true, "03 Gleicher Anfang.txt"},
                            Variant{"sechs", 6, 2, 1, false, "02 Gleiche Wörter.txt"}}) {
        resetRun();
        TOpt_PaarSuche& o = g().playerOptions.paarSuche;
        o.pictureCount = v.count;
        o.textPicture = v.textPicture;
        o.visible = v.visible;
        o.backgroundPicture = v.background;
        auto w = open(listPath(QString::fromUtf8(v.list)), screen);
        PaareRules& r = w->rules();
        playOut();
        const QString base = dir + QStringLiteral("/paare_") + QLatin1String(v.name) + QLatin1Char('_') + tag;
        w->grab().save(base + QStringLiteral("_1_task.png"));
        click(*w, r.currentTarget());
        w->SB_pruefen->click();
        w->grab().save(base + QStringLiteral("_2_right.png"));
        QTest::keyClick(w.get(), Qt::Key_W);
        click(*w, wrongPair(*w));
        w->SB_pruefen->click();
        w->grab().save(base + QStringLiteral("_3_wrong.png"));
        w->endRun();
    }
}

} // namespace

// With real pauses the window is painted before the deal: the mixing screen shows while the cards
// are mixed, then the cards come one by one with their sound; the window is never left unpainted.
TEST_F(PaareWindowTest, TheMixingScreenShowsAndTheCardsComeOneByOne)
{
    clock_::setInstant(false);
    QElapsedTimer t;
    t.start();
    auto w = open(listPath());
    ASSERT_EQ(w->rules().state(), paare::kDealing);
    const QImage mixing = QGuiApplication::primaryScreen()->grabWindow(w->winId()).toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < mixing.height(); y += 4)
        for (int x = 0; x < mixing.width(); x += 4)
            colours.insert(mixing.pixel(x, y));
    EXPECT_GT(colours.size(), 3) << "the window shows the mixing screen, not a blank frame";
    int dealtSounds = 0;
    while (w->rules().state() == paare::kDealing && t.elapsed() < 15000) {
        QTest::qWait(20);
        dealtSounds = int(audio.log().filter(QStringLiteral("austeilen")).size());
    }
    clock_::setInstant(true);
    EXPECT_EQ(w->rules().state(), 1);
    EXPECT_GE(t.elapsed(), 800) << "the mixing sound's length at least";
    EXPECT_GE(dealtSounds, w->rules().count());
}
