// "Merkfähigkeit-Bild" at 1920 x 1080 with 12 EMF picture cards, figures measured in one run:
// the next task with 12 new cards ("Bilderanzahl: 12" deals new cards and makes the next task) to the
// end of its paint, beside the floor of decoding the same 12 pictures as card-sized JPEGs and drawing
// them into the 12 card rectangles in one paint (target: ratio <= 2 and new_cards_ms < 100).
// "Weiter " with the cards kept is reported as weiter_ms.
#include "ExerciseBench.h"

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
#include "exercises/Merkfaehigkeit/Merkfaehigkeit.h"
#include "media/picture/Picture.h"
#include "media/sound/Sound.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

const QSize kScreen(1920, 1080);
const char* const kPictures[12] = {"Affe", "Ampel", "Baer", "Biene", "Blume", "Boot",
                                   "Buch", "Hammer", "Hose", "Kanne", "Katze", "Koffer"};

class TimedMerk : public TFormMerkfaehigkeit
{
public:
    using TFormMerkfaehigkeit::TFormMerkfaehigkeit;
    qint64 paintEnd = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        TFormMerkfaehigkeit::paintEvent(event);
        paintEnd = benchsupport::nowNs();
    }
};

void BM_MerkNextTaskPaint(benchmark::State& state)
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
    g().programCode = 101;
    ReadPlayerOptions(QStringLiteral("Anna"), 101);
    auto& o = g().playerOptions.merkfaehigkeit;
    o.pictureCount = 12;
    o.rememberCount = 3;
    o.successPicture = false;
    o.invisible = 2;
    const bool instant = clock_::isInstant();
    clock_::setInstant(true);
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;

    // A list of 12 EMF cards whose sounds exist.
    const QString pictures = g().config.dirs.materialBilder;
    QStringList lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=1"),
                         QStringLiteral("Elementanzahl=12"), QStringLiteral("[Aufgabe 1]"), QStringLiteral("0=Tafel.gif|100||")};
    for (int i = 0; i < 12; ++i)
        lines << QStringLiteral("%1=%2.emf|100|%2|Hund.wav").arg(i + 1).arg(QLatin1String(kPictures[i]));
    const QString list = tree.writeLines(QStringLiteral("Listen/1_Merkfähigkeit/Bild/bench.txt"), lines);
    g().defaultElementCount = 12;
    if (LoadTaskList(list) < 1) {
        state.SkipWithError("the bench list does not load");
        return;
    }
    auto w = std::make_unique<TimedMerk>(101, list);
    w->setGeometry(QRect(QPoint(0, 0), kScreen));
    w->show();
    QApplication::processEvents();
    w->resize(kScreen);
    QApplication::processEvents();
    if (w->rules().cardCount() != 12 || w->size() != kScreen) {
        state.SkipWithError("the window did not open with 12 cards at 1920 x 1080");
        return;
    }
    // The floor: the same pictures as card-sized JPEGs.
    benchsupport::JpegCards floor;
    for (int c = 1; c <= 12; ++c) {
        const QRect r = w->homeRect(c);
        picture::Target t(r.width(), r.height(), 0x00FFFFFF);
        picture::DrawMetafileSmooth(pictures + w->rules().card(c).element.picture, t, 0x00FFFFFF, 100, false, true);
        const QString file = tree.path(QStringLiteral("floor%1.jpg").arg(c));
        t.image.save(file, "JPG", 90);
        floor.cards.push_back({file, r});
    }
    floor.setGeometry(QRect(QPoint(0, 0), kScreen));
    floor.show();
    QApplication::processEvents();

    for (int i = 0; i < 4; ++i)
        scripted.answer(dialogs::Button::No);  // "Du hast nun 15 Aufgaben bearbeitet! ..." : go on
    std::vector<double> newCards, weiter, floorMs;
    for (auto _ : state) {
        // Solve the task outside the measurement.
        w->hoerenClick();
        benchsupport::playOutSounds(audio);
        for (int c : std::vector<int>(w->rules().heard()))
            w->rules().clickCard(c);
        if (w->rules().phase() != merk::Phase::Solved) {
            state.SkipWithError("the task was not solved");
            break;
        }
        benchsupport::playOutSounds(audio);
        // "Weiter " with the cards kept.
        qint64 start = benchsupport::nowNs();
        w->hoerenClick();
        w->repaint();
        weiter.push_back(double(w->paintEnd - start) / 1e6);
        // The next task with 12 new cards.
        start = benchsupport::nowNs();
        w->cardCountClick(12);
        w->repaint();
        const double ms = double(w->paintEnd - start) / 1e6;
        newCards.push_back(ms);
        QElapsedTimer f;
        f.start();
        floor.repaint();
        floorMs.push_back(double(f.nsecsElapsed()) / 1e6);
        state.SetIterationTime(ms / 1000.0);
    }
    const double m = benchsupport::medianOf(newCards), mf = benchsupport::medianOf(floorMs);
    state.counters["new_cards_ms"] = m;
    state.counters["floor_ms"] = mf;
    state.counters["ratio"] = mf > 0 ? m / mf : 0;
    state.counters["weiter_ms"] = benchsupport::medianOf(weiter);
    w->endRun(QDialog::Rejected);
    clock_::setInstant(instant);
}
BENCHMARK(BM_MerkNextTaskPaint)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

} // namespace
