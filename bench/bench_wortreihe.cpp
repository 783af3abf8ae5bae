// "Einer passt nicht-Bild" at 1920 x 1080 on a demo list with six picture cards shown before hearing:
// "Weiter " to the end of the next task's first paint, beside the floor of decoding the same six
// pictures as card-sized JPEGs and drawing them into the six card rectangles in one paint, reported
// as a ratio.
#include "chooser/Listenreader.h"
#include "core/Catalogue.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "data/PlayerList.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "exercises/Wortreihe/Wortreihe.h"
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

const QSize kWortScreen(1920, 1080);
constexpr int kWortProgram = 203;

class WortreiheWindow : public TFormWortreihe
{
public:
    using TFormWortreihe::TFormWortreihe;
    qint64 firstPaintEnd = 0;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        TFormWortreihe::paintEvent(event);
        if (paints++ == 0)
            firstPaintEnd = nowNs();
    }
};

void BM_WortreiheWeiterToPaint(benchmark::State& state)
{
    TempTree tree;
    copyDemoTo(tree);
    resetToInstallation(tree.root());
    resetSoundState();
    resetRun();
    installation::ReadMainConfiguration(nullptr);
    LoadPlayerList();
    MakeCurrentPlayer(QStringLiteral("Anna"));
    ReadPlayerOptions(QStringLiteral("Anna"), 0);
    g().programCode = kWortProgram;
    ReadPlayerOptions(QStringLiteral("Anna"), kWortProgram);
    auto& o = g().playerOptions.wortreihe;
    o.randomOrder = false;
    o.pictureCount = 6;
    o.visibleBeforeHearing = 1;
    o.checkAtOnce = false;
    chooser::startPosition() = 0;
    rnd::seed(11);
    const bool instant = clock_::isInstant();
    clock_::setInstant(true);
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;

    const QString listPath = fsys::withSlash(catalogue::listFolder(kWortProgram)) + QStringLiteral("01 Hörreihen.txt");
    g().defaultElementCount = 6;
    LoadTaskList(listPath);
    auto w = std::make_unique<WortreiheWindow>(kWortProgram, listPath);
    w->setGeometry(QRect(QPoint(0, 0), kWortScreen));
    w->show();
    QApplication::processEvents();
    w->resize(kWortScreen);
    QApplication::processEvents();
    if (!w->isVisible() || w->size() != kWortScreen || w->rules().taskCount() < 2) {
        state.SkipWithError("the window did not open at 1920 x 1080 on the demo list");
        clock_::setInstant(instant);
        return;
    }
    JpegCards floor;
    floor.setGeometry(QRect(QPoint(0, 0), kWortScreen));
    floor.show();
    QApplication::processEvents();

    std::vector<double> first, floorMs;
    int cards = 0;
    for (auto _ : state) {
        auto& rules = w->rules();
        // Solve the current task first try, outside the measurement.
        w->hoerenClick();
        playOutSounds(audio);
        w->markerClick(rules.solutionCard());
        w->pruefenClick();
        playOutSounds(audio);
        // The next task's pictures as card-sized JPEGs (after the last task the list starts again).
        const int next = rules.currentTask() + 1 < rules.taskCount() ? rules.currentTask() + 1 : 0;
        const TAufgabe& t = g().taskList()[size_t(next)];
        const QRect cardRect = w->cardRects().front();
        floor.cards.clear();
        for (int i = 1; i < int(t.elements.size()) && i <= 6; ++i) {
            picture::Target card(cardRect.width(), cardRect.height(), 0x00FFFFFF);
            picture::DrawPictureFitted(card, g().config.dirs.materialBilder + t.elements[size_t(i)].picture,
                                       0x00FFFFFF, 100, true, false, true);
            const QString file = tree.path(QStringLiteral("floor%1.jpg").arg(i));
            picture::ShownImage(card).save(file, "JPEG", 90);
            floor.cards.push_back({file, w->cardRects()[size_t(std::min<int>(i - 1, int(w->cardRects().size()) - 1))]});
        }
        scripted.answer(dialogs::Button::No);  // the end question after the last task: go on
        QApplication::processEvents();

        w->paints = 0;
        w->firstPaintEnd = 0;
        const qint64 start = nowNs();
        w->weiterClick();
        w->repaint();
        const qint64 end = nowNs();
        QApplication::processEvents();
        cards = int(w->cardRects().size());

        QElapsedTimer f;
        f.start();
        floor.repaint();
        floorMs.push_back(double(f.nsecsElapsed()) / 1e6);
        const qint64 firstNs = (w->firstPaintEnd > 0 ? w->firstPaintEnd : end) - start;
        first.push_back(double(firstNs) / 1e6);
        state.SetIterationTime(double(firstNs) / 1e9);
    }
    const double m1 = medianOf(first), mf = medianOf(floorMs);
    state.counters["first_frame_ms"] = m1;
    state.counters["floor_ms"] = mf;
    state.counters["ratio"] = mf > 0 ? m1 / mf : 0;
    state.counters["cards"] = cards;
    w->endRun(QDialog::Rejected);
    clock_::setInstant(instant);
}
BENCHMARK(BM_WortreiheWeiterToPaint)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace
