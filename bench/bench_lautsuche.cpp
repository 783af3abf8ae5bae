// "Laut-/Silbensuche" at 1920 x 1080 on a demo list, figures measured in one run: "Weiter" to the end
// of the next task's first paint (picture box, five letter buttons, five mouth pictures), beside the
// floor of decoding the same eleven pictures as JPEGs of their places' sizes and drawing them in one
// paint (target: ratio <= 2, first_frame_ms < 100).
#include "chooser/Listenreader.h"
#include "chooser/TaskOrder.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "core/TextUtil.h"
#include "data/PlayerList.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "exercises/LautSuche/LautSuche.h"
#include "exercises/common/LautMarker.h"
#include "exercises/common/ListLook.h"
#include "media/picture/Picture.h"
#include "media/sound/Sound.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTemporaryDir>
#include "ExerciseBench.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

using namespace benchsupport;

const QString kLautSucheList = QStringLiteral("4_Laut-Silben-Analyse/2_Laut-Silbensuche/Anlaut/01 Anlaute.txt");
const QSize kLautSucheScreen(1920, 1080);

class TimedLautSuche : public TFormLautSuche
{
public:
    using TFormLautSuche::TFormLautSuche;
    qint64 firstPaintEnd = 0;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        TFormLautSuche::paintEvent(event);
        if (paints++ == 0)
            firstPaintEnd = nowNs();
    }
};

void sendMouse(QWidget* w, QEvent::Type type, const QPoint& at)
{
    const QPointF p(at);
    QMouseEvent e(type, p, w->mapToGlobal(p), Qt::LeftButton,
                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void BM_LautSucheWeiterToPaint(benchmark::State& state)
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
    g().programCode = 402;
    ReadPlayerOptions(QStringLiteral("Anna"), 402);
    g().randomOrder402 = false;
    TOpt_LautSuche& o = lautsuche::opts();
    o.atOnce = true;
    o.soundButton = o.mouthPicture = true;
    o.visualHelp = 2;
    o.soundCount = 5;
    chooser::startPosition() = 0;
    rnd::seed(11);
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;

    const QString listPath = fsys::withSlash(g().config.dirs.listen) + kLautSucheList;
    g().defaultElementCount = 1;
    BuildTaskOrder(std::max(0, LoadTaskList(listPath)), false);
    auto w = std::make_unique<TimedLautSuche>(listPath);
    w->setGeometry(QRect(QPoint(0, 0), kLautSucheScreen));
    w->show();
    QApplication::processEvents();
    w->resize(kLautSucheScreen);
    QApplication::processEvents();
    if (!w->isVisible() || w->size() != kLautSucheScreen || w->rules().taskCount() < 2) {
        state.SkipWithError("the window did not open at 1920 x 1080 on the demo list");
        return;
    }
    // The floor: the task's picture and the five buttons' and mouths' pictures as JPEGs of their sizes.
    QTemporaryDir dir;
    JpegCards floor;
    auto addCard = [&](const QRect& rect, const QString& source) {
        picture::Target t(rect.width(), rect.height(), 0x00FFFFFF);
        if (!source.isEmpty())
            picture::DrawPictureOrName(t, source, 0x00FFFFFF, 100);
        const QString file = dir.filePath(QStringLiteral("card%1.jpg").arg(floor.cards.size()));
        t.image.save(file, "JPG", 90);
        floor.cards.push_back({file, rect});
    };
    addCard(w->pictureBox(), w->rules().picture());
    for (int i = 0; i < 5; ++i) {
        addCard(w->buttonRect(i), QString());
        addCard(w->mouthRect(i), exercise::InternPicture(QStringLiteral("Mundbilder/a1.jpg")));
    }
    floor.setGeometry(QRect(QPoint(0, 0), kLautSucheScreen));
    floor.show();
    QApplication::processEvents();

    std::vector<double> firstFrame, floorMs;
    for (auto _ : state) {
        auto& rules = w->rules();
        // Solve the current task outside the measurement; after the last one start over.
        w->listenClick();
        playOutSounds(audio);
        int right = -1;
        for (int i = 0; i < rules.sounds().size(); ++i)
            if (exercise::LautSoundMatches(rules.sounds()[i], rules.task().target, false))
                right = i;
        if (right < 0) {
            state.SkipWithError("no right sound offered");
            break;
        }
        sendMouse(w.get(), QEvent::MouseButtonPress, w->buttonRect(right).center());
        sendMouse(w.get(), QEvent::MouseButtonRelease, w->buttonRect(right).center());
        playOutSounds(audio);
        if (rules.state() != exercise::LautState::Solved) {
            state.SkipWithError("the task was not solved");
            break;
        }
        if (exercise::LautAllSolved(rules.tasks())) {
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
    w->endRun(QDialog::Rejected);
}
BENCHMARK(BM_LautSucheWeiterToPaint)->UseManualTime()->Iterations(21)->Unit(benchmark::kMillisecond);

} // namespace
