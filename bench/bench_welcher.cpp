// "Welcher Laut passt" at 1920 x 1080 on a demo list, figures measured in one run:
// "Weiter" to the end of the next task's first paint (word card back, two choice cards, two ear
// buttons), beside the floor of decoding the same card back as a JPEG of the card's size and drawing
// it into the word card in one paint (target: ratio <= 2, first_frame_ms < 100). The task-change
// animation is off inside the measurement; weiter_with_animation_ms reports it separately with its
// pauses made instant.
#include "chooser/Listenreader.h"
#include "chooser/TaskOrder.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "core/TextUtil.h"
#include "data/PlayerList.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "exercises/WelcherLautPasst/WelcherLautPasst.h"
#include "exercises/common/ListLook.h"
#include "media/picture/Picture.h"
#include "media/sound/Sound.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include "ExerciseBench.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <vector>

namespace {

using namespace benchsupport;

const QString kWelcherList = QStringLiteral("3_Differenzierung/3_Welcher Laut passt/Anlaut/01 B oder P.txt");
const QSize kWelcherScreen(1920, 1080);

class TimedWelcher : public TFormWelcherLautPasst
{
public:
    using TFormWelcherLautPasst::TFormWelcherLautPasst;
    qint64 firstPaintEnd = 0;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        TFormWelcherLautPasst::paintEvent(event);
        if (paints++ == 0)
            firstPaintEnd = nowNs();
    }
};

void BM_WelcherWeiterToPaint(benchmark::State& state)
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
    g().programCode = 303;
    ReadPlayerOptions(QStringLiteral("Anna"), 303);
    g().randomOrder303 = false;
    chooser::startPosition() = 0;
    rnd::seed(11);
    const bool instant = clock_::isInstant();
    clock_::setInstant(true);
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;

    const QString listPath = fsys::withSlash(g().config.dirs.listen) + kWelcherList;
    g().defaultElementCount = 1;
    BuildTaskOrder(std::max(0, LoadTaskList(listPath)), false);
    auto w = std::make_unique<TimedWelcher>(listPath);
    w->setGeometry(QRect(QPoint(0, 0), kWelcherScreen));
    w->show();
    QApplication::processEvents();
    w->resize(kWelcherScreen);
    QApplication::processEvents();
    if (!w->isVisible() || w->size() != kWelcherScreen || w->rules().taskCount() < 2) {
        state.SkipWithError("the window did not open at 1920 x 1080 on the demo list");
        clock_::setInstant(instant);
        return;
    }
    // The card back as a JPEG of the word card's inner size.
    QTemporaryDir dir;
    // The floor: one JPEG of the card's inner size decoded and drawn into the word card.
    JpegCards floor;
    floor.cards.resize(1);
    const QRect card = w->cardRect(2).adjusted(20, 20, -20, -20);
    floor.cards[0].rect = card;
    {
        picture::Target back(card.width(), card.height(), 0x00FFFFFF);
        const QString file = exercise::CardBackPicture();
        if (!file.isEmpty())
            picture::DrawPicture(back, file, 0x00FFFFFF, 100, true, true);
        floor.cards[0].file = dir.filePath(QStringLiteral("back.jpg"));
        back.image.save(floor.cards[0].file, "JPG", 90);
    }
    floor.setGeometry(QRect(QPoint(0, 0), kWelcherScreen));
    floor.show();
    QApplication::processEvents();

    std::vector<double> firstFrame, floorMs, animated;
    int iteration = 0;
    for (auto _ : state) {
        auto& rules = w->rules();
        // Solve the current task outside the measurement; after the last one start over.
        w->listenClick();
        playOutSounds(audio);
        const QPointF at(w->cardRect(rules.rightCard()).center());
        QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(w.get(), &release);
        playOutSounds(audio);
        if (rules.state() != welcher::AnswerState::Solved) {
            state.SkipWithError("the task was not solved");
            break;
        }
        if (rules.allSolved()) {
            scripted.answer(dialogs::Button::Yes);  // "Von vorne beginnen?"
            scripted.answer(dialogs::Button::No);   // "Neu mischen?"
            g().playerOptions.welcherLautPasst.animation = false;
            w->weiterClick();
            QApplication::processEvents();
            continue;
        }
        // Every fourth "Weiter" with the animation, for its own figure.
        const bool withAnimation = iteration++ % 4 == 3;
        g().playerOptions.welcherLautPasst.animation = withAnimation;
        w->paints = 0;
        w->firstPaintEnd = 0;
        QElapsedTimer t;
        t.start();
        const qint64 start = nowNs();
        w->weiterClick();
        w->repaint();
        const qint64 total = t.nsecsElapsed();
        QApplication::processEvents();
        if (withAnimation) {
            animated.push_back(double(total) / 1e6);
            state.SetIterationTime(double(total) / 1e9);
            continue;
        }
        QElapsedTimer f;
        f.start();
        floor.repaint();
        floorMs.push_back(double(f.nsecsElapsed()) / 1e6);
        const qint64 first = w->firstPaintEnd > 0 ? w->firstPaintEnd - start : total;
        firstFrame.push_back(double(first) / 1e6);
        state.SetIterationTime(double(first) / 1e9);
    }
    const double m1 = medianOf(firstFrame), mf = medianOf(floorMs);
    state.counters["first_frame_ms"] = m1;
    state.counters["floor_ms"] = mf;
    state.counters["ratio"] = mf > 0 ? m1 / mf : 0;
    state.counters["weiter_with_animation_ms"] = medianOf(animated);
    w->endRun(QDialog::Rejected);  // ends without the closing dialog
    clock_::setInstant(instant);
}
BENCHMARK(BM_WelcherWeiterToPaint)->UseManualTime()->Iterations(33)->Unit(benchmark::kMillisecond);

} // namespace
