// "Memory" at 1920 x 1080 with the most cards (24) on a demo list: "Neues Spiel" to the end of the
// dealt game's paint (mixing screen, card looks built, the cards shown one by one with the one-shot
// sounds instant), and one whole repaint of the dealt grid, each beside the floor of decoding the same
// 24 pictures as card-sized JPEGs and drawing them into the card rectangles in one paint, as ratios.
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "core/TextUtil.h"
#include "data/PlayerList.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "exercises/Memory/Memory.h"
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

const QSize kMemoryScreen(1920, 1080);

void BM_MemoryNewGameToPaint(benchmark::State& state)
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
    g().programCode = 305;
    ReadPlayerOptions(QStringLiteral("Anna"), 305);
    TOpt_Memory& o = g().playerOptions.memory;
    o.pictureCount = 24;
    o.pictureChoice = 1;
    o.textPicture = 2;
    o.visible = 2;  // every face drawn
    o.instructionVisible = 0;
    rnd::seed(5);
    TestAudioBackend audio;
    const QString list =
        fsys::withSlash(g().config.dirs.listen) + QStringLiteral("3_Differenzierung/5_Memory/01 Gleiche Bilder.txt");
    g().defaultElementCount = 2;
    LoadTaskList(list);
    auto w = std::make_unique<TFormMemory>(305, list);
    w->setGeometry(QRect(QPoint(0, 0), kMemoryScreen));
    w->show();
    QApplication::processEvents();
    w->resize(kMemoryScreen);
    QApplication::processEvents();
    QApplication::processEvents();
    auto& rules = w->rules();
    if (rules.cardCount() != 24 || w->size() != kMemoryScreen) {
        state.SkipWithError("the window did not deal 24 cards at 1920 x 1080");
        return;
    }
    // The floor: each card's picture as a card-sized JPEG.
    JpegCards floor;
    const int side = w->placeRect(0).width();
    for (int i = 0; i < 24; ++i) {
        const QString file = picture::ResolvePictureName(rules.card(i).element.picture);
        picture::Target t(side, side, 0x00FFFFFF);
        picture::DrawPictureFitted(t, file, 0x00FFFFFF, 100, true, false, true);
        const QString jpeg = tree.path(QStringLiteral("floor%1.jpg").arg(i));
        t.image.save(jpeg, "JPG", 90);
        floor.cards.push_back({jpeg, w->placeRect(rules.card(i).position)});
    }
    floor.setGeometry(QRect(QPoint(0, 0), kMemoryScreen));
    floor.show();
    QApplication::processEvents();

    std::vector<double> game, paint, floorMs;
    for (auto _ : state) {
        // Find every pair outside the measurement, so that "Neues Spiel" is offered.
        for (int p = 0; p < rules.pairCount() && rules.state() != memory::GameState::GameOver; ++p) {
            rules.clickPlace(rules.card(p * 2).position);
            playOutSounds(audio);
            rules.clickPlace(rules.card(p * 2 + 1).position);
            playOutSounds(audio);
        }
        if (rules.state() != memory::GameState::GameOver) {
            state.SkipWithError("the game did not end");
            break;
        }
        QElapsedTimer t;
        t.start();
        w->newGameClick();
        w->repaint();
        const qint64 gameNs = t.nsecsElapsed();
        QApplication::processEvents();
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
    state.counters["grid_paint_ms"] = mp;
    state.counters["floor_ms"] = mf;
    state.counters["ratio"] = mf > 0 ? mg / mf : 0;
    state.counters["paint_ratio"] = mf > 0 ? mp / mf : 0;
    w->endRun(QDialog::Rejected);
}
BENCHMARK(BM_MemoryNewGameToPaint)->UseManualTime()->Iterations(9)->Unit(benchmark::kMillisecond);

} // namespace
