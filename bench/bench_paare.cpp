// "Paare suchen" at 1920 x 1080 with the most cards (12 choice cards, 4 targets) on a demo list:
// "Neues Spiel" to the end of the dealt game's paint (mixing screen, the looks of every card built,
// the cards shown one by one with the one-shot sounds instant), and one whole repaint of the dealt
// game, each beside the floor of decoding the same 12 pictures as card-sized JPEGs and drawing them
// into the card rectangles in one paint, as ratios.
#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "core/TextUtil.h"
#include "data/PlayerList.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "exercises/PaareSuchen/PaareSuchen.h"
#include "media/picture/Picture.h"
#include "media/sound/Sound.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include "ExerciseBench.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

using namespace benchsupport;

const QSize kPaareScreen(1920, 1080);

void BM_PaareNewGameToPaint(benchmark::State& state)
{
    TempTree tree;
    copyDemoTo(tree);
    resetToInstallation(tree.root());
    resetSoundState();
    resetRun();
    registerFontTwins();
    installation::ReadMainConfiguration(nullptr);
    LoadPlayerList();
    MakeCurrentPlayer(QStringLiteral("Anna"));
    ReadPlayerOptions(QStringLiteral("Anna"), 0);
    g().programCode = 408;
    ReadPlayerOptions(QStringLiteral("Anna"), 408);
    TOpt_PaarSuche& o = g().playerOptions.paarSuche;
    o.pictureCount = 12;
    o.pictureChoice = 1;
    o.textPicture = 2;
    o.visible = 2;  // every face drawn
    o.instructionVisible = 0;
    rnd::seed(5);
    TestAudioBackend audio;
    // The designed pauses (mixing, one dealing sound per card) are not the work measured here.
    struct Restore {
        bool was = clock_::isInstant();
        ~Restore() { clock_::setInstant(was); }
    } restore;
    clock_::setInstant(true);
    const QString list = fsys::withSlash(g().config.dirs.listen) +
                         QStringLiteral("4_Laut-Silben-Analyse/8_Paare suchen/02 Gleiche Wörter.txt");
    g().defaultElementCount = 2;
    LoadTaskList(list);
    auto w = std::make_unique<TFormPaarSuche>(408, list);
    w->setGeometry(QRect(QPoint(0, 0), kPaareScreen));
    w->show();
    QApplication::processEvents();
    w->resize(kPaareScreen);
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    paare::PaareRules& rules = w->rules();
    if (rules.count() != 12 || rules.state() != 1 || w->size() != kPaareScreen) {
        state.SkipWithError("the window did not deal 12 cards at 1920 x 1080");
        return;
    }
    // The floor: each choice card's picture as a card-sized JPEG.
    JpegCards floor;
    const int side = w->grid().side;
    for (int p = 0; p < 12; ++p) {
        const QString file = picture::ResolvePictureName(rules.card(p, 0).element.picture);
        picture::Target t(side, side, 0x00FFFFFF);
        picture::DrawPictureFitted(t, file, 0x00FFFFFF, 100, true, false, true);
        const QString jpeg = tree.path(QStringLiteral("floor%1.jpg").arg(p));
        t.image.save(jpeg, "JPG", 90);
        floor.cards.push_back({jpeg, w->cardRect(p, 0)});
    }
    floor.setGeometry(QRect(QPoint(0, 0), kPaareScreen));
    floor.show();
    QApplication::processEvents();

    std::vector<double> game, paint, floorMs;
    for (auto _ : state) {
        // Find the four targets outside the measurement, so that "Neues Spiel" is offered.
        for (int slot = 1; slot <= 4 && rules.state() != paare::kAllFound; ++slot) {
            rules.pickChoice(rules.card(rules.currentTarget(), 0).position);
            rules.pruefen();
            rules.weiter();
            playOutSounds(audio);
        }
        if (rules.state() != paare::kAllFound) {
            state.SkipWithError("the game did not end");
            break;
        }
        QElapsedTimer t;
        t.start();
        w->neuesSpielClick();
        QApplication::processEvents();  // the queued deal
        w->repaint();
        const qint64 gameNs = t.nsecsElapsed();
        if (rules.state() != 1) {
            state.SkipWithError("no new game was dealt");
            break;
        }
        t.restart();
        w->repaint();
        const qint64 paintNs = t.nsecsElapsed();
        t.restart();
        floor.repaint();
        const qint64 f = t.nsecsElapsed();
        game.push_back(double(gameNs) / 1e6);
        paint.push_back(double(paintNs) / 1e6);
        floorMs.push_back(double(f) / 1e6);
        state.SetIterationTime(double(gameNs) / 1e9);
        playOutSounds(audio);
    }
    const double mg = medianOf(game), mp = medianOf(paint), mf = medianOf(floorMs);
    state.counters["new_game_ms"] = mg;
    state.counters["paint_ms"] = mp;
    state.counters["floor_ms"] = mf;
    state.counters["ratio"] = mf > 0 ? mg / mf : 0;
    state.counters["paint_ratio"] = mf > 0 ? mp / mf : 0;
    w->endRun(QDialog::Rejected);
}
BENCHMARK(BM_PaareNewGameToPaint)->UseManualTime()->Iterations(9)->Unit(benchmark::kMillisecond);

} // namespace
