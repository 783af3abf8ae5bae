#include "core/Catalogue.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "data/PlayerList.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "exercises/Memory/Memory.h"
#include "media/skin/Meldung.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"
#include "support/ModalWatch.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace memory;

namespace {

struct Program {
    int code;
    const char* folder;
    const char* list;
    const char* caption;
};
const Program kMemory{305, "3_Differenzierung/5_Memory/", "01 Gleiche Bilder.txt", "P 3.5. Memory"};
const Program kLautMemory{407, "4_Laut-Silben-Analyse/7_Laut-Silbenmemory/", "01 Gleicher Anfang.txt",
                          "P 4.7. Laut-Silben-Memory"};

class MemoryWindowTest : public ::testing::Test
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
        rnd::seed(3);
        TFormMeldung::shownHook() = [this](TFormMeldung& m) {
            bubbles << m.L_meldung->text().simplified();
            QTimer::singleShot(0, &m, [&m] { m.close(); });
        };
    }
    void TearDown() override { TFormMeldung::shownHook() = nullptr; }

    TOpt_Memory& options(int code)
    {
        g().programCode = code;
        ReadPlayerOptions(QStringLiteral("Anna"), code);
        TOpt_Memory& o = code == 407 ? g().playerOptions.lautSilbenMemory : g().playerOptions.memory;
        o.pictureCount = 6;
        o.pictureChoice = 1;
        o.visible = 0;
        o.textPicture = 2;
        o.instructionVisible = 1;
        o.playerCount = 1;
        o.computer = -1;
        return o;
    }
    QString listPath(const Program& p, const QString& list = QString())
    {
        return fsys::withSlash(g().config.dirs.listen) + QString::fromUtf8(p.folder) +
               (list.isEmpty() ? QString::fromUtf8(p.list) : list);
    }
    std::unique_ptr<TFormMemory> open(int code, const QString& path)
    {
        g().programCode = code;
        g().defaultElementCount = 2;
        if (LoadTaskList(path) <= 0)
            g().loadedList.tasks.clear();
        auto w = std::make_unique<TFormMemory>(code, path);
        w->show();
        w->resize(1024, 768);
        QApplication::processEvents();
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
    static void clickCard(TFormMemory& w, int cardIndex)
    {
        QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, w.placeRect(w.rules().card(cardIndex).position).center());
    }
    // Moves the keyboard focus to the card by the arrow keys and turns it with Enter.
    static void keyCard(TFormMemory& w, int cardIndex)
    {
        const int place = w.rules().card(cardIndex).position;
        for (int i = 0; i < 30 && w.rules().focus() != place; ++i)
            QTest::keyClick(&w, w.rules().focus() < place ? Qt::Key_Right : Qt::Key_Left);
        ASSERT_EQ(w.rules().focus(), place);
        QTest::keyClick(&w, Qt::Key_Return);
    }
    QStringList protocolLines()
    {
        auto lines = fsys::readLines(PlayerProtocolPath());
        return lines ? *lines : QStringList();
    }

    TempTree tree;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;
    QStringList bubbles;
};

TEST_F(MemoryWindowTest, PlayThroughByClicksAndKeysEndsInTheProtocolFile)
{
    for (const Program& program : {kMemory, kLautMemory}) {
        SCOPED_TRACE(program.code);
        resetRun();
        const QStringList before = protocolLines();
        options(program.code);
        auto w = open(program.code, listPath(program));
        auto& rules = w->rules();
        // The instruction page first; any key leaves it and deals.
        ASSERT_TRUE(w->showingInstruction());
        EXPECT_TRUE(w->SB_weiter->isVisible());
        EXPECT_FALSE(w->sb_optionen->isEnabled());
        QTest::keyClick(w.get(), Qt::Key_Space);
        ASSERT_EQ(rules.state(), GameState::ChildTurn);
        ASSERT_EQ(rules.cardCount(), 6);
        EXPECT_TRUE(w->SB_alleHoeren->isVisible());
        EXPECT_FALSE(w->SB_neuesSpiel->isVisible());
        // Face down: the card back (not the picture background colour) at a card's centre.
        playOut();

        // A miss by clicks: both words, the cards stay open until the next click.
        clickCard(*w, 0);
        EXPECT_FALSE(w->SB_alleHoeren->isVisible());
        EXPECT_EQ(playOut(), QStringList{fsys::fileName(rules.card(0).element.sounds)});
        clickCard(*w, 2);
        playOut();
        EXPECT_TRUE(rules.card(0).turned && rules.card(2).turned);
        // Every pair: the last by keys (the open cards are no focus target), the others by clicks.
        for (int pair = 0; pair < 3; ++pair) {
            if (pair == 2) {
                keyCard(*w, 4);
                playOut();
                keyCard(*w, 5);
            } else {
                clickCard(*w, pair * 2);
                playOut();
                clickCard(*w, pair * 2 + 1);
            }
            playOut();
            EXPECT_TRUE(rules.card(pair * 2).found) << pair;
        }
        ASSERT_EQ(rules.state(), GameState::GameOver);
        EXPECT_TRUE(w->SB_neuesSpiel->isVisible());
        // The success motif at the two corners where four cards meet.
        EXPECT_EQ(w->motifs().size(), 2u);

        bool certificate = false;
        ModalWatch driver([&](QWidget* m) {
            if (auto* d = qobject_cast<TFormclosedialog*>(m)) {
                certificate = d->sb_druckurkunde->isEnabled();
                d->sb_ende->click();
            }
        });
        w->SB_ende->click();
        EXPECT_TRUE(w->runEnded());
        EXPECT_TRUE(driver.seen.contains(QStringLiteral("TFormclosedialog")));
        EXPECT_TRUE(certificate);

        QStringList lines = protocolLines();
        ASSERT_GT(lines.size(), before.size());
        lines = lines.mid(before.size());
        const QRegularExpression row(QStringLiteral("^  Aufgabe  1:   4 Versuche  gelöst!  \\(\\d\\d:\\d\\d:\\d\\d\\d\\) $"));
        int i = 0;
        EXPECT_EQ(lines.value(i++), QString::fromUtf8(program.caption));
        EXPECT_EQ(lines.value(i++), QStringLiteral("N Anna"));
        EXPECT_TRUE(lines.value(i++).startsWith(QStringLiteral("D ")));
        EXPECT_EQ(lines.value(i++), QStringLiteral(" "));
        EXPECT_EQ(lines.value(i++), QStringLiteral("F ") + QString::fromUtf8(program.list));
        EXPECT_EQ(lines.value(i++), QStringLiteral("O  6 Karten - Karten sind nicht sichtbar      - Bild"));
        EXPECT_TRUE(row.match(lines.value(i)).hasMatch()) << lines.value(i).toStdString();
        // Only one game row: no other task line.
        EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^  Aufgabe"))).size(), 1);
        // The options keep the list.
        EXPECT_EQ((program.code == 407 ? g().playerOptions.lautSilbenMemory : g().playerOptions.memory).file,
                  QString::fromUtf8(program.list));
    }
}

TEST_F(MemoryWindowTest, TwoPlayersAgainstTheComputerShowTheTurnAndTheScores)
{
    TOpt_Memory& o = options(305);
    o.instructionVisible = 0;
    o.playerCount = 2;
    o.computer = 0;
    auto w = open(305, listPath(kMemory));
    auto& rules = w->rules();
    ASSERT_EQ(rules.state(), GameState::ChildTurn);
    EXPECT_TRUE(w->P_spieler[0]->isVisible() && w->P_spieler[1]->isVisible());
    EXPECT_EQ(w->E_name[1]->text(), QStringLiteral("Computer"));
    playOut();
    clickCard(*w, 0);
    playOut();
    clickCard(*w, 2);
    // The miss passes the turn; the computer plays until it misses or the game ends.
    playOut();
    const int total = rules.score(0) + rules.score(1);
    EXPECT_EQ(w->L_punkte[1]->text(), QString::number(rules.score(1)));
    EXPECT_EQ(total % 2, 0);
    if (rules.state() != GameState::GameOver) {
        EXPECT_EQ(rules.turn(), 0);
        EXPECT_EQ(rules.state(), GameState::ChildTurn);
    }
    EXPECT_EQ(run().runResults.back().Rows.back().Attempts, 1);
    w->endRun();
}

TEST_F(MemoryWindowTest, TheListBoxDealsAnotherListAndRefusesOneWithTooFewTasks)
{
    TOpt_Memory& o = options(305);
    o.instructionVisible = 0;
    o.pictureCount = 24;
    const QString folder = fsys::folderOf(listPath(kMemory));
    QStringList lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=2")};
    for (int k = 1; k <= 2; ++k)
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("1=Haus.gif|100|Haus|Haus.wav")
              << QStringLiteral("2=Haus.gif|100|Haus|Haus.wav");
    tree.writeLines(QStringLiteral("Listen/3_Differenzierung/5_Memory/00 kurz.txt"), lines);
    auto w = open(305, listPath(kMemory));
    ASSERT_EQ(w->rules().cardCount(), 24);
    const int blocks = int(run().runResults.size());
    // Too few tasks: the message, and the list shown stays.
    const int shortIndex = w->CB_auswahl->findText(QStringLiteral("00 kurz.txt"));
    ASSERT_GE(shortIndex, 0);
    w->CB_auswahl->setCurrentIndex(shortIndex);
    emit w->CB_auswahl->activated(shortIndex);
    EXPECT_EQ(bubbles, QStringList{QStringLiteral("Datei enthält eine ungültige Anzahl an Aufgaben.Bitte überprüfen!")});
    EXPECT_EQ(w->CB_auswahl->currentText(), QString::fromUtf8(kMemory.list));
    EXPECT_EQ(int(run().runResults.size()), blocks);
    EXPECT_EQ(g().taskList().size(), 12u);
    // Another list: a new block, its instruction page, then a new deal with the card count it allows.
    const int other = w->CB_auswahl->findText(QStringLiteral("03 Tiere.txt"));
    ASSERT_GE(other, 0);
    w->CB_auswahl->setCurrentIndex(other);
    emit w->CB_auswahl->activated(other);
    QApplication::processEvents();
    EXPECT_EQ(int(run().runResults.size()), blocks + 1);
    EXPECT_EQ(run().runResults.back().ListFile, QStringLiteral("03 Tiere.txt"));
    EXPECT_EQ(w->rules().state(), GameState::ChildTurn);
    EXPECT_EQ(w->rules().card(0).element.text, QStringLiteral("Hund"));
    EXPECT_EQ(w->rules().cardCount(), 24);
    w->endRun();
}

TEST_F(MemoryWindowTest, BadListsGiveTheirMessageAndNeverTouchTheProtocol)
{
    const QStringList old = protocolLines();
    options(305);
    // Random bytes.
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char(rnd::below(256));
    {
        auto w = open(305, tree.write("Listen/junk.txt", junk));
        EXPECT_EQ(bubbles, QStringList{QStringLiteral("Datei enthält eine ungültige Anzahl an Aufgaben.Bitte überprüfen!")});
        EXPECT_EQ(w->rules().cardCount(), 0);
        QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
        w->endRun();
    }
    // Too few tasks.
    bubbles.clear();
    QStringList lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=2")};
    for (int k = 1; k <= 2; ++k)
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("1=Haus.gif|100|Haus|Haus.wav")
              << QStringLiteral("2=Haus.gif|100|Haus|Haus.wav");
    {
        auto w = open(305, tree.writeLines("Listen/kurz.txt", lines));
        EXPECT_EQ(bubbles.size(), 1);
        EXPECT_EQ(w->rules().cardCount(), 0);
        w->endRun();
    }
    // Every picture and sound missing: the game still plays, silently.
    bubbles.clear();
    lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=3")};
    for (int k = 1; k <= 3; ++k)
        lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("Erfolgssound=weg.wav")
              << QStringLiteral("1=weg%1.jpg|100|Rad|weg%1.wav").arg(k) << QStringLiteral("2=fort%1.emf|100|Rat|fort%1.wav").arg(k);
    {
        TOpt_Memory& o = options(305);
        o.instructionVisible = 0;
        o.textPicture = 3;
        auto w = open(305, tree.writeLines("Listen/missing.txt", lines));
        EXPECT_TRUE(bubbles.isEmpty());
        auto& rules = w->rules();
        for (int pair = 0; pair < 3; ++pair) {
            clickCard(*w, pair * 2);
            clickCard(*w, pair * 2 + 1);
            playOut();
            EXPECT_TRUE(rules.card(pair * 2).found) << pair << " " << int(rules.state()) << " " << rules.cardCount();
        }
        EXPECT_EQ(rules.state(), GameState::GameOver);
        w->endRun();
    }
    EXPECT_EQ(protocolLines(), old);
}

TEST_F(MemoryWindowTest, ScreenshotsOfAGameForAPersonToLookAt)
{
    const QString dir = qEnvironmentVariable("KALIMO_SHOTS_DIR");
    if (dir.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "set KALIMO_SHOTS_DIR and run under Xvfb with QT_QPA_PLATFORM=xcb";
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString tag = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    for (const Program& program : {kMemory, kLautMemory}) {
        TOpt_Memory& o = options(program.code);
        o.instructionVisible = 0;
        o.pictureCount = program.code == 305 ? 24 : 12;
        o.textPicture = program.code == 305 ? 2 : 3;
        o.visible = 1;
        const QString prefix = dir + QStringLiteral("/memory%1-").arg(program.code) + tag + QLatin1Char('-');
        auto shot = [&](const QString& name) {
            QTest::qWait(300);
            QGuiApplication::primaryScreen()->grabWindow(0).save(prefix + name + QStringLiteral(".png"));
        };
        g().programCode = program.code;
        g().defaultElementCount = 2;
        const QString path = listPath(program);
        LoadTaskList(path);
        TFormMemory w(program.code, path);
        w.show();
        QTest::qWait(500);
        playOut();
        shot(QStringLiteral("1-new"));
        auto& rules = w.rules();
        clickCard(w, 0);
        playOut();
        clickCard(w, 1);
        playOut();
        shot(QStringLiteral("2-match"));
        clickCard(w, 2);
        playOut();
        clickCard(w, 4);
        playOut();
        shot(QStringLiteral("3-miss"));
        for (int pair = 1; pair < rules.pairCount(); ++pair) {
            clickCard(w, pair * 2);
            playOut();
            clickCard(w, pair * 2 + 1);
            playOut();
        }
        shot(QStringLiteral("4-over"));
        w.endRun();
    }
}

} // namespace

// The looks kept from the last game (the same pictures at the same card size) draw the next game
// exactly as looks drawn afresh after a change of size.
TEST_F(MemoryWindowTest, KeptLooksDrawTheNextGameAsFreshOnes)
{
    for (const Program& program : {kMemory, kLautMemory}) {
        SCOPED_TRACE(program.code);
        TOpt_Memory& o = options(program.code);
        o.visible = 2;  // every face shown
        o.instructionVisible = 0;
        auto w = open(program.code, listPath(program));
        auto& rules = w->rules();
        ASSERT_EQ(rules.cardCount(), 6);
        for (int game = 0; game < 3; ++game) {
            for (int p = 0; p < rules.pairCount() && rules.state() != GameState::GameOver; ++p) {
                rules.clickPlace(rules.card(p * 2).position);
                playOut();
                rules.clickPlace(rules.card(p * 2 + 1).position);
                playOut();
            }
            ASSERT_EQ(rules.state(), GameState::GameOver);
            w->newGameClick();
            playOut();
        }
        ASSERT_EQ(rules.state(), GameState::ChildTurn);
        const QImage kept = w->grab().toImage();
        w->resize(1000, 700);
        QApplication::processEvents();
        w->resize(1024, 768);
        QApplication::processEvents();
        const QImage fresh = w->grab().toImage();
        ASSERT_EQ(kept.size(), fresh.size());
        EXPECT_TRUE(kept == fresh);
        w->endRun(QDialog::Rejected);
    }
}
