// A chart's labels: 100 text strings at 100 different angles, beside the same strings unrotated,
// played at 1200 x 900 in one run. Budget: the rotated picture costs at most three times the
// straight one.
#include "media/metafile/Metafile.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

void playAt1200x900(benchmark::State& state, const char* name)
{
    const auto m = metafile::Metafile::load(QStringLiteral(KALIMO_SOURCE_DIR "/tests/fixtures/metafiles/")
                                            + QLatin1String(name));
    if (!m) {
        state.SkipWithError("fixture missing");
        return;
    }
    QImage img(1200, 900, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter p(&img);
        m->render(p, QRectF(0, 0, 1200, 900));
        p.end();
        benchmark::DoNotOptimize(img.constBits());
    }
}

void BM_MetafileTextStraight(benchmark::State& state) { playAt1200x900(state, "text-straight.emf"); }
void BM_MetafileTextRotated(benchmark::State& state) { playAt1200x900(state, "text-rotated.emf"); }

} // namespace

// Process CPU time: Qt hands large blends to a thread pool, which the thread's time would miss.
BENCHMARK(BM_MetafileTextStraight)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_MetafileTextRotated)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
