// "Laute ersetzen" at 1920 x 1080 on a demo list: "Weiter" to the end of the next task's first paint
// (card 1 with its picture, card 2 with its card back, the sound buttons and mouth pictures), beside
// the floor of decoding the same two pictures as JPEGs of the card's size and drawing them into the
// two cards in one paint (target: ratio <= 2, first_frame_ms < 100).
#include "ExerciseBench.h"

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
#include "exercises/LautErsetzen/LautErsetzen.h"
#include "exercises/common/ListLook.h"
#include "media/picture/Picture.h"
#include "media/sound/Sound.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

using namespace benchsupport;

const QString kErsetzenList = QStringLiteral("4_Laut-Silben-Analyse/5_Laute ersetzen/Anlaut/01 Anlaut tauschen.txt");
const QSize kErsetzenScreen(1920, 1080);

class TimedErsetzen : public TFormLautReplace
{
public:
    using TFormLautReplace::TFormLautReplace;
    qint64 firstPaintEnd = 0;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        TFormLautReplace::paintEvent(event);
        if (paints++ == 0)
            firstPaintEnd = nowNs();
    }
};

// A picture drawn at a card's inner size and written as a JPEG.
QString jpegOf(const QString& picture, QSize size, const QString& file)
{
    picture::Target t(size.width(), size.height(), 0x00FFFFFF);
    picture::DrawPictureOrName(t, picture, 0x00FFFFFF, 100);
    t.image.save(file, "JPG", 90);
    return file;
}

void BM_LautErsetzenWeiterToPaint(benchmark::State& state)
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
    g().programCode = 405;
    ReadPlayerOptions(QStringLiteral("Anna"), 405);
    g().playerOptions.lautReplace.randomOrder = false;
    g().playerOptions.lautReplace.withPicture = true;
    chooser::startPosition() = 0;
    rnd::seed(11);
    const bool instant = clock_::isInstant();
    clock_::setInstant(true);
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;

    const QString listPath = fsys::withSlash(g().config.dirs.listen) + kErsetzenList;
    g().defaultElementCount = 2;
    BuildTaskOrder(std::max(0, LoadTaskList(listPath)), false);
    auto w = std::make_unique<TimedErsetzen>(listPath);
    w->setGeometry(QRect(QPoint(0, 0), kErsetzenScreen));
    w->show();
    QApplication::processEvents();
    w->resize(kErsetzenScreen);
    QApplication::processEvents();
    if (!w->isVisible() || w->size() != kErsetzenScreen || w->rules().taskCount() < 2) {
        state.SkipWithError("the window did not open at 1920 x 1080 on the demo list");
        clock_::setInstant(instant);
        return;
    }
    QTemporaryDir dir;
    JpegCards floor;
    floor.cards.resize(2);
    floor.setGeometry(QRect(QPoint(0, 0), kErsetzenScreen));
    floor.show();
    QApplication::processEvents();

    std::vector<double> firstFrame, floorMs;
    for (auto _ : state) {
        auto& rules = w->rules();
        // Solve the current task outside the measurement; after the last one start over.
        w->listenClick();
        playOutSounds(audio);
        rules.pick(rules.words().right);
        rules.place();
        w->fertigClick();
        playOutSounds(audio);
        w->finishReveal();
        if (rules.state() != lautreplace::AnswerState::Solved) {
            state.SkipWithError("the task was not solved");
            break;
        }
        if (rules.allSolved()) {
            scripted.answer(dialogs::Button::Yes);  // "Von vorne beginnen?"
            scripted.answer(dialogs::Button::No);   // "Neu mischen?"
            w->weiterClick();
            QApplication::processEvents();
            continue;
        }
        w->paints = 0;
        w->firstPaintEnd = 0;
        QElapsedTimer t;
        t.start();
        const qint64 start = nowNs();
        w->weiterClick();
        w->repaint();
        const qint64 total = t.nsecsElapsed();
        QApplication::processEvents();

        // The floor of this task: its card 1 picture and card back as JPEGs of the cards' inner size.
        for (int c = 0; c < 2; ++c) {
            const QRect inner = w->cardRect(c + 1).adjusted(11, 11, -11, -11);
            const QString picture = c == 0 ? rules.first().picture : exercise::CardBackPicture();
            floor.cards[size_t(c)].rect = inner;
            floor.cards[size_t(c)].file =
                jpegOf(picture.isEmpty() ? rules.second().picture : picture, inner.size(),
                       dir.filePath(QStringLiteral("card%1.jpg").arg(c)));
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
    w->endRun(QDialog::Rejected);  // ends without the closing dialog
    clock_::setInstant(instant);
}
BENCHMARK(BM_LautErsetzenWeiterToPaint)->UseManualTime()->Iterations(21)->Unit(benchmark::kMillisecond);

} // namespace
