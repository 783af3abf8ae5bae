// One 600 x 450 card drawn from an EMF and from a JPEG of the same picture, in one run.
// Budget: the metafile card costs at most twice the JPEG card.
#include "core/FileSystem.h"
#include "media/metafile/Metafile.h"
#include "media/picture/Picture.h"

#include <QBuffer>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QString& sourceFixture(const char* name)
{
    static QHash<QString, QString> paths;
    QString& p = paths[QLatin1String(name)];
    if (p.isEmpty())
        p = QStringLiteral(KALIMO_SOURCE_DIR "/tests/fixtures/metafiles/") + QLatin1String(name);
    return p;
}

// The JPEG is the EMF rendered at card size, as picture material of that size would be.
const QString& jpegOfHouse()
{
    static QTemporaryDir dir;
    static QString path;
    if (path.isEmpty()) {
        picture::Target t(600, 450);
        picture::DrawPicture(t, sourceFixture("house.emf"), 0x00FFFFFF, 100, true, true);
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        t.image.save(&buf, "JPEG", 90);
        path = dir.path() + QStringLiteral("/house.jpg");
        fsys::writeFileAtomic(path, bytes);
    }
    return path;
}

void drawCard(benchmark::State& state, const QString& file)
{
    picture::Target card(600, 450);
    for (auto _ : state) {
        picture::DrawPicture(card, file, 0x00FFFFFF, 100, true, true);
        benchmark::DoNotOptimize(card.image.constBits());
    }
}

void BM_CardFromJpeg(benchmark::State& state) { drawCard(state, jpegOfHouse()); }
void BM_CardFromEmf(benchmark::State& state) { drawCard(state, sourceFixture("house.emf")); }
void BM_CardFromWmf(benchmark::State& state) { drawCard(state, sourceFixture("house.wmf")); }
void BM_CardFromEmfText(benchmark::State& state) { drawCard(state, sourceFixture("text.emf")); }

} // namespace

BENCHMARK(BM_CardFromJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CardFromEmf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CardFromWmf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CardFromEmfText)->Unit(benchmark::kMillisecond);
