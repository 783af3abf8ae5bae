#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "media/sound/Sound.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

// The built noise program, started and stopped as the memory-span exercise does, recorded through
// SDL's disk driver.
TEST(SoundNoise, PlaysASoftNoiseUntilStopped)
{
    // The build tree: given by CTest, else two folders above tests/media/test_media.
    QString binary = qEnvironmentVariable("KALIMO_BINARY_DIR");
    if (binary.isEmpty())
        binary = QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../..")).absolutePath();
    const QString installation = fsys::withSlash(binary) + QStringLiteral("demo/");
    if (binary.isEmpty() || !fsys::fileExists(installation + QStringLiteral("noise/noise")))
        GTEST_SKIP() << "the noise program is not built";
    TempTree tree;
    resetToInstallation(installation);
    dialogs::ScriptedDialogs dialogs;

    const QByteArray oldDriver = qgetenv("SDL_AUDIODRIVER");
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(tree.path("noise.raw")));
    StartNoise(false);
    qputenv("SDL_AUDIODRIVER", oldDriver);
    qunsetenv("SDL_DISKAUDIOFILE");
    ASSERT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join('\n').toStdString();
    ASSERT_TRUE(NoiseRunning());

    QEventLoop wait;
    QTimer::singleShot(1500, &wait, &QEventLoop::quit);
    wait.exec();
    EXPECT_TRUE(NoiseRunning());
    StopNoise();
    EXPECT_FALSE(NoiseRunning());

    const QByteArray pcm = tree.read("noise.raw");
    ASSERT_GT(pcm.size(), 44100);  // at least half a second of mono 16-bit
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    const qsizetype n = pcm.size() / 2;
    int peak = 0;
    qsizetype changes = 0;
    for (qsizetype i = 0; i < n; ++i) {
        peak = std::max(peak, std::abs(int(s[i])));
        changes += i > 0 && s[i] != s[i - 1];
    }
    EXPECT_GT(peak, 300) << "audible";
    EXPECT_LT(peak, 20000) << "soft";
    EXPECT_GT(changes, n / 2) << "a noise, not a tone or a constant";
}
