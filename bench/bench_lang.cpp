// "Lang oder kurz" at 1920 x 1080 on a demo list: "Weiter" to the end of the next task's first paint
// (the first frame of its reveal), beside the floor of decoding the same two pictures as card-sized
// JPEGs and drawing them into the two card rectangles in one paint, reported as a ratio.
#include "chooser/Listenreader.h"
#include "chooser/TaskOrder.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "data/PlayerList.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "exercises/LangOderKurz/LangOderKurz.h"
#include "media/picture/Picture.h"
#include "media/sound/Sound.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPushButton>
#include <QWidget>
#include <algorithm>
#include "ExerciseBench.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <vector>

namespace {

using namespace benchsupport;

const QString kLangList = QStringLiteral("3_Differenzierung/4_Lang oder Kurz/Vokale/01 Kurz und lang.txt");
const QSize kLangScreen(1920, 1080);

class LangWindow : public TFormLangOderKurz
{
public:
    using TFormLangOderKurz::TFormLangOderKurz;
    qint64 firstPaintEnd = 0;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        TFormLangOderKurz::paintEvent(event);
        if (paints++ == 0)
            firstPaintEnd = nowNs();
    }
};

void BM_LangWeiterToPaint(benchmark::State& state)
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
    g().programCode = 304;
    ReadPlayerOptions(QStringLiteral("Anna"), 304);
    auto& o = g().playerOptions.langOderKurz;
    o.randomOrder = false;
    o.atOnce = false;
    o.afterSolution = 1;
    o.pictureView = 2;
    chooser::startPosition() = 0;
    rnd::seed(11);
    const bool instant = clock_::isInstant();
    clock_::setInstant(true);
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;

    const QString listPath = fsys::withSlash(g().config.dirs.listen) + kLangList;
    g().defaultElementCount = 2;
    BuildTaskOrder(std::max(0, LoadTaskList(listPath)), false);
    auto w = std::make_unique<LangWindow>(listPath);
    w->setGeometry(QRect(QPoint(0, 0), kLangScreen));
    w->show();
    QApplication::processEvents();
    w->resize(kLangScreen);
    QApplication::processEvents();
    if (!w->isVisible() || w->size() != kLangScreen || w->rules().taskCount() < 2) {
        state.SkipWithError("the window did not open at 1920 x 1080 on the demo list");
        clock_::setInstant(instant);
        return;
    }
    JpegCards floor;
    floor.cards.resize(2);
    floor.setGeometry(QRect(QPoint(0, 0), kLangScreen));
    floor.show();
    QApplication::processEvents();

    std::vector<double> first, floorMs;
    int iteration = 0;
    for (auto _ : state) {
        auto& rules = w->rules();
        // Solve the current task outside the measurement; after the last one start over.
        const auto solve = [&] {
            w->listenClick();
            playOutSounds(audio);
            rules.arrow(rules.card(1).shortCard);
            w->pruefenClick();
            playOutSounds(audio);
        };
        solve();
        if (rules.allSolved()) {
            scripted.answer(dialogs::Button::Yes);
            scripted.answer(dialogs::Button::No);
            w->weiterClick();
            QApplication::processEvents();
            solve();
        }
        TFormLangOderKurz::revealPattern() = iteration++ % 11;
        // The floor's JPEGs: the next task's two pictures at card size.
        const int next = exercise::NextPosition(rules.position(), rules.results());
        const TAufgabe& t = g().taskList()[size_t(g().taskOrder[size_t(next)])];
        for (int i = 0; i < 2; ++i) {
            picture::Target card(w->cardRect(1).width(), w->cardRect(1).height(), 0x00FFFFFF);
            const QString name = t.elements.size() > size_t(i + 1) ? t.elements[size_t(i + 1)].picture : QString();
            picture::DrawPictureFitted(card, g().config.dirs.materialBilder + name, 0x00FFFFFF, 100, true, false, true);
            floor.cards[size_t(i)].file = tree.path(QStringLiteral("floor%1.jpg").arg(i));
            picture::ShownImage(card).save(floor.cards[size_t(i)].file, "JPEG", 90);
            floor.cards[size_t(i)].rect = w->cardRect(i + 1);
        }
        QApplication::processEvents();

        w->paints = 0;
        w->firstPaintEnd = 0;
        const qint64 start = nowNs();
        w->weiterClick();
        w->repaint();
        const qint64 end = nowNs();
        QApplication::processEvents();

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
    w->endRun(QDialog::Rejected);
    clock_::setInstant(instant);
}
BENCHMARK(BM_LangWeiterToPaint)->UseManualTime()->Iterations(22)->Unit(benchmark::kMillisecond);

} // namespace
