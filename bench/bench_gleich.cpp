// "Gleich oder Nichtgleich" at 1920 x 1080 on a demo list, figures measured in one run:
// (a) "Weiter" to the end of the next task's first paint (the first frame of its reveal), beside the
//     floor of decoding two card-sized JPEGs and drawing them into the two card rectangles in one paint
//     (target: ratio <= 2, first_frame_ms < 100). The whole reveal animation follows by design, step by
//     step; it is reported as weiter_ms with its pauses made instant (every step drawn, none waits).
// (b) a click on card 1 to the first non-silent frame of its word mixed by SDL's "disk" driver, beside
//     one mixer buffer (target: click_to_sample_ms <= buffer_ms + 5).
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
#include "exercises/GleichNichtGleich/GleichNichtGleich.h"
#include "media/sound/SdlAudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <QWidget>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <vector>

namespace {

const QString kList = QStringLiteral("3_Differenzierung/1_Gleich oder Nichtgleich/Minimalpaare/01 Haus und Maus.txt");
const QSize kScreen(1920, 1080);

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}

void pump(int ms, const std::function<bool()>& done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
}

// A copy of the demo installation with Anna as the current player and her options for the program,
// as the window tests set it up.
class Installation
{
public:
    Installation()
    {
        copyDemoTo(m_tree);
        resetToInstallation(m_tree.root());
        resetSoundState();
        resetRun();
        registerFontTwins();
        installation::ReadMainConfiguration(nullptr);
        LoadPlayerList();
        MakeCurrentPlayer(QStringLiteral("Anna"));
        ReadPlayerOptions(QStringLiteral("Anna"), 0);
        g().programCode = 301;
        ReadPlayerOptions(QStringLiteral("Anna"), 301);
        g().playerOptions.gleichNichtgleich.randomOrder = false;
        rnd::seed(11);
        m_instant = clock_::isInstant();
        clock_::setInstant(true);
        m_delay = TFormGleichNichtGleich::autoListenDelayMs();
        m_pattern = TFormGleichNichtGleich::revealPattern();
        // No automatic listening inside the measurements.
        TFormGleichNichtGleich::autoListenDelayMs() = 24 * 3600 * 1000;
        listPath = fsys::withSlash(g().config.dirs.listen) + kList;
    }
    ~Installation()
    {
        clock_::setInstant(m_instant);
        TFormGleichNichtGleich::autoListenDelayMs() = m_delay;
        TFormGleichNichtGleich::revealPattern() = m_pattern;
    }
    QString path(const QString& relative) const { return m_tree.path(relative); }
    QString listPath;

private:
    TempTree m_tree;
    bool m_instant = false;
    int m_delay = 1000, m_pattern = -1;
};

// The window, with its own paints timed and counted.
class TimedWindow : public TFormGleichNichtGleich
{
public:
    using TFormGleichNichtGleich::TFormGleichNichtGleich;
    qint64 paintNs = 0, lastPaintNs = 0;
    qint64 firstPaintEnd = 0;  // steady-clock time at the end of the first paint after a reset
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QElapsedTimer t;
        t.start();
        TFormGleichNichtGleich::paintEvent(event);
        lastPaintNs = t.nsecsElapsed();
        paintNs += lastPaintNs;
        if (paints++ == 0)
            firstPaintEnd = steadyNs();
    }
};

std::unique_ptr<TimedWindow> openWindow(const QString& listPath)
{
    g().defaultElementCount = 2;
    const int n = LoadTaskList(listPath);
    BuildTaskOrder(std::max(0, n), false);
    auto w = std::make_unique<TimedWindow>(listPath);
    w->setGeometry(QRect(QPoint(0, 0), kScreen));
    w->show();
    w->activateWindow();
    QApplication::processEvents();
    w->resize(kScreen);
    QApplication::processEvents();
    return w;
}

// Lets every test-backend sound end, oldest first.
void playOut(TestAudioBackend& audio)
{
    for (int i = 0; i < 60; ++i) {
        QApplication::processEvents();
        if (audio.endNext().isEmpty())
            break;
    }
    QApplication::processEvents();
}

// The floor: two JPEGs of the demo's card-picture size decoded and drawn, fitted, into the two card
// rectangles, in one paint of a window of the same size.
class FloorWidget : public QWidget
{
public:
    QString files[2];
    QRect cards[2];

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        for (int i = 0; i < 2; ++i) {
            const QImage image(files[i]);
            const QSize fitted = image.size().scaled(cards[i].size(), Qt::KeepAspectRatio);
            QRect target(QPoint(0, 0), fitted);
            target.moveCenter(cards[i].center());
            p.fillRect(cards[i], Qt::white);
            p.drawImage(target, image);
        }
    }
};

void BM_GleichWeiterToPaint(benchmark::State& state)
{
    Installation inst;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;
    auto w = openWindow(inst.listPath);
    if (!w->isVisible() || w->size() != kScreen || w->rules().taskCount() < 2) {
        state.SkipWithError("the window did not open at 1920 x 1080 on the demo list");
        return;
    }
    FloorWidget floor;
    floor.files[0] = inst.path(QStringLiteral("Material/Bilder/Tisch.jpg"));
    floor.files[1] = inst.path(QStringLiteral("Material/Bilder/Banane.jpg"));
    floor.cards[0] = w->cardRect(1);
    floor.cards[1] = w->cardRect(2);
    if (QImage(floor.files[0]).size() != QSize(256, 256) || QImage(floor.files[1]).size() != QSize(256, 256)) {
        state.SkipWithError("the demo's card JPEGs are missing");
        return;
    }
    floor.setGeometry(QRect(QPoint(0, 0), kScreen));
    floor.show();
    QApplication::processEvents();

    const int patternArg = int(state.range(0));
    std::vector<double> snapshot, weiter, firstFrame, floorMs, prepare, reveal, finalPaint, paints, withoutReveal;
    int iteration = 0;
    for (auto _ : state) {
        auto& rules = w->rules();
        // Solve the current task outside the measurement; after the last one start over.
        w->listenClick();
        playOut(audio);
        w->answerClick(rules.sameTexts() ? gleich::Answer::Gleich : gleich::Answer::NichtGleich);
        playOut(audio);
        if (rules.allSolved()) {
            scripted.answer(dialogs::Button::Yes);  // "Von vorne beginnen?"
            scripted.answer(dialogs::Button::Yes);  // "Aufgaben komplett identisch wiederholen?"
            w->weiterClick();
            QApplication::processEvents();
            w->listenClick();
            playOut(audio);
            w->answerClick(rules.sameTexts() ? gleich::Answer::Gleich : gleich::Answer::NichtGleich);
            playOut(audio);
        }
        if (!w->SB_weiter->isVisible() || !w->SB_weiter->isEnabled()) {
            state.SkipWithError("\"Weiter\" is not offered after a right answer");
            break;
        }
        TFormGleichNichtGleich::revealPattern() = patternArg >= 0 ? patternArg : iteration % 11;
        ++iteration;
        QApplication::processEvents();
        const int before = rules.position();

        w->paintNs = 0;
        w->paints = 0;
        w->firstPaintEnd = 0;
        QElapsedTimer t;
        t.start();
        const qint64 start = steadyNs();
        w->weiterClick();
        const qint64 clicked = t.nsecsElapsed();
        const qint64 animationPaintNs = w->paintNs;
        const int animationPaints = w->paints;
        w->repaint();
        const qint64 total = t.nsecsElapsed();
        if (rules.position() == before) {
            state.SkipWithError("\"Weiter\" did not move to the next task");
            break;
        }
        QApplication::processEvents();

        // What startTask spends on the reveal's picture of the old screen: one whole-window FormPaint.
        {
            QElapsedTimer s;
            s.start();
            QImage old(w->size(), QImage::Format_RGB32);
            QPainter p(&old);
            w->FormPaint(p);
            p.end();
            snapshot.push_back(double(s.nsecsElapsed()) / 1e6);
        }

        QElapsedTimer f;
        f.start();
        floor.repaint();
        const qint64 floorNs = f.nsecsElapsed();

        weiter.push_back(double(total) / 1e6);
        firstFrame.push_back(double(w->firstPaintEnd > 0 ? w->firstPaintEnd - start : total) / 1e6);
        floorMs.push_back(double(floorNs) / 1e6);
        // Inside weiterClick: the reveal steps' paints, and the rest (next task, faces, backs, strip).
        reveal.push_back(double(animationPaintNs) / 1e6);
        prepare.push_back(double(clicked - animationPaintNs) / 1e6);
        finalPaint.push_back(double(total - clicked) / 1e6);
        paints.push_back(animationPaints);
        withoutReveal.push_back(double(total - animationPaintNs) / 1e6);
        state.SetIterationTime(double(total) / 1e9);
    }
    const double mw = median(weiter), mf = median(floorMs), m1 = median(firstFrame);
    state.counters["first_frame_ms"] = m1;
    state.counters["floor_ms"] = mf;
    state.counters["ratio"] = mf > 0 ? m1 / mf : 0;
    state.counters["weiter_ms"] = mw;
    state.counters["prepare_ms"] = median(prepare);
    state.counters["old_screen_snapshot_ms"] = median(snapshot);
    state.counters["reveal_paint_ms"] = median(reveal);
    state.counters["reveal_steps"] = median(paints);
    state.counters["final_paint_ms"] = median(finalPaint);
    // The same path with the reveal steps' paints taken out (the animation switched off).
    state.counters["weiter_without_reveal_ms"] = median(withoutReveal);
    w->endRun(QDialog::Rejected);  // ends without the closing dialog
}
// -1: the reveal pattern cycles through all eleven; 1: the pattern with the fewest steps.
BENCHMARK(BM_GleichWeiterToPaint)->Arg(-1)->Arg(1)->UseManualTime()->Iterations(33)->Unit(benchmark::kMillisecond);

// Leading frames of exact silence in a wave file's first data chunk, in milliseconds (16-bit PCM).
double leadingSilenceMs(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray b = f.readAll();
    if (b.size() < 44 || !b.startsWith("RIFF"))
        return 0;
    int pos = 12, channels = 1, rate = 0, bits = 0;
    while (pos + 8 <= b.size()) {
        const QByteArray id = b.mid(pos, 4);
        const quint32 size = qFromLittleEndian<quint32>(b.constData() + pos + 4);
        if (id == "fmt " && pos + 24 <= b.size()) {
            channels = qFromLittleEndian<quint16>(b.constData() + pos + 10);
            rate = int(qFromLittleEndian<quint32>(b.constData() + pos + 12));
            bits = qFromLittleEndian<quint16>(b.constData() + pos + 22);
        } else if (id == "data") {
            if (bits != 16 || rate <= 0 || channels <= 0)
                return 0;
            const qint64 end = std::min<qint64>(b.size(), qint64(pos) + 8 + size);
            qint64 i = pos + 8;
            while (i + 1 < end && qFromLittleEndian<qint16>(b.constData() + i) == 0)
                i += 2;
            return double((i - pos - 8) / 2 / channels) * 1000.0 / rate;
        }
        pos += 8 + int(size) + int(size & 1);
    }
    return 0;
}

void BM_GleichCardClickToSample(benchmark::State& state)
{
    Installation inst;
    QTemporaryDir dir;
    SdlAudioBackend::Options o;
    o.driver = QStringLiteral("disk");
    o.diskFile = dir.filePath(QStringLiteral("mix.raw"));
    SdlAudioBackend backend(o);
    AudioBackend* previous = audio::install(&backend);
    if (!backend.isOpen()) {
        state.SkipWithError("no disk audio driver");
        audio::install(previous);
        return;
    }
    std::vector<double> delays;
    double silence = 0;
    {
        auto w = openWindow(inst.listPath);
        const QPoint at = w->cardRect(1).center();
        silence = leadingSilenceMs(ResolveSoundName(w->rules().card(1).element.sounds.split(';').value(0)));
        pump(100, [] { return false; });  // let the device settle
        for (auto _ : state) {
            w->WAV1->CloseAll();
            pump(30, [] { return false; });
            backend.watchForSound();
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), w->mapToGlobal(QPointF(at)),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            const qint64 before = steadyNs();
            QApplication::sendEvent(w.get(), &press);
            QApplication::sendEvent(w.get(), &release);
            pump(2000, [&] { return backend.firstSoundFrame() >= 0; });
            if (backend.firstSoundFrame() < 0) {
                state.SkipWithError("the word was never mixed");
                break;
            }
            const double seconds = double(backend.firstSoundTimeNs() - before) / 1e9;
            delays.push_back(seconds * 1000.0);
            state.SetIterationTime(seconds);
        }
        w->WAV1->CloseAll();
        w->endRun(QDialog::Rejected);  // ends without the closing dialog
        QApplication::processEvents();
    }
    state.counters["click_to_sample_ms"] = median(delays);
    state.counters["buffer_ms"] = backend.bufferFrames() * 1000.0 / backend.frequency();
    state.counters["word_leading_silence_ms"] = silence;
    audio::install(previous);
}
BENCHMARK(BM_GleichCardClickToSample)->UseManualTime()->Iterations(21)->Unit(benchmark::kMillisecond);

} // namespace
