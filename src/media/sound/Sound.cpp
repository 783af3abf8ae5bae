#include "media/sound/Sound.h"

#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "core/Records.h"
#include "core/TextUtil.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/TWAV.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <memory>

namespace {
struct SoundState {
    QString pauseFile;
    QStringList praise, errors, praisePool, errorPool;
};
SoundState& state()
{
    static SoundState s;
    return s;
}

// A name from a list or an option may still carry Windows separators.
QString inMemory(const QString& name) { return fsys::fromStored(name); }

QString existing(const QString& path)
{
    const QString resolved = fsys::resolve(path);
    return fsys::fileExists(resolved) ? resolved : QString();
}

void fillPool(QStringList& pool, const QString& folder)
{
    ListFilesRecursive(folder + QStringLiteral("Zufall/"), QStringLiteral("*.wav"), true, pool);
    if (pool.isEmpty())
        ListFiles(folder, QStringLiteral("*.wav"), true, pool);
}

// One entry taken out of the pool at random; the pool is refilled when it ran empty.
QString drawFrom(QStringList& pool, const QString& folder)
{
    if (pool.isEmpty())
        fillPool(pool, folder);
    if (pool.isEmpty())
        return QString();
    return pool.takeAt(rnd::below(int(pool.size())));
}

void queuePause(TWAV& player)
{
    if (state().pauseFile.isEmpty())
        return;
    const QString pause = existing(g().config.dirs.internsound + state().pauseFile);
    if (!pause.isEmpty())
        player.Play(pause, true, false, true);
}

std::unique_ptr<QProcess> g_noise;
}

QString ResolveSoundName(const QString& name, bool withInstructions)
{
    if (name.isEmpty())
        return QString();
    const QString n = inMemory(name);
    if (QString f = existing(n); !f.isEmpty())
        return f;
    const Directories& d = g().config.dirs;
    QStringList folders{d.materialSound, d.lobSound, d.fehlersound, d.internsound};
    if (withInstructions)
        folders << d.anleitungsound;
    for (const QString& folder : std::as_const(folders))
        if (!folder.isEmpty())
            if (QString f = existing(folder + n); !f.isEmpty())
                return f;
    return QString();
}

void PlaySound(TWAV& player, const QString& name, bool interrupt, bool withPause, bool isLast)
{
    const QString file = ResolveSoundName(name);
    if (file.isEmpty())
        return;
    if (interrupt) {
        if (!player.isEmpty())
            player.StopAll();
        player.Play(file, false, true, false);
    } else {
        player.Play(file, true, false, true);
    }
    if (withPause && !isLast)
        queuePause(player);
}

bool TryPlaySound(TWAV& player, const QString& name, bool immediate, bool withPause, bool isLast)
{
    const QString file = ResolveSoundName(name, true);
    if (file.isEmpty())
        return false;
    const bool started = immediate ? player.Play(file, false, true, false) : player.Play(file, true, false, true);
    if (withPause && !isLast)
        queuePause(player);
    return started;
}

void SelectPause(int code)
{
    QString file;
    switch (code) {
    case 0: file = QStringLiteral("0000"); break;
    case 1: case 200: file = QStringLiteral("0200"); break;
    case 2: case 500: file = QStringLiteral("0500"); break;
    case 3: case 750: file = QStringLiteral("0750"); break;
    case 4: case 1000: file = QStringLiteral("1000"); break;
    case 5: case 1250: file = QStringLiteral("1250"); break;
    case 6: case 1500: file = QStringLiteral("1500"); break;
    case 7: case 1750: file = QStringLiteral("1750"); break;
    default: file = QStringLiteral("2000"); break;
    }
    state().pauseFile = QStringLiteral("Pausen/") + file + QStringLiteral(".wav");
}

QString CurrentPauseFile() { return state().pauseFile; }

QStringList& praiseSounds() { return state().praise; }
QStringList& errorSounds() { return state().errors; }
QStringList& praisePool() { return state().praisePool; }
QStringList& errorPool() { return state().errorPool; }

void resetSoundState() { state() = SoundState{}; }

void PrepareFeedbackSounds(int praiseMode, int errorMode, const QStringList& praiseNames,
                           const QStringList& errorNames, const TAufgabe* task)
{
    SoundState& s = state();
    const Directories& d = g().config.dirs;
    switch (praiseMode) {
    case 0:
        if (s.praise.isEmpty())
            for (const QString& n : praiseNames)
                s.praise << d.lobSound + inMemory(n);
        break;
    case 1:
        s.praise.clear();
        if (task)
            for (const QString& n : task->successSounds)
                s.praise << d.internsound + inMemory(n);
        break;
    case 2:
        s.praise.clear();
        s.praise << drawFrom(s.praisePool, d.lobSound);  // empty entry: nothing sounds
        break;
    default:
        break;
    }
    switch (errorMode) {
    case 0:
        if (s.errors.isEmpty())
            for (const QString& n : errorNames)
                s.errors << d.fehlersound + inMemory(n);
        break;
    case 1:
        s.errors.clear();
        s.errors << drawFrom(s.errorPool, d.fehlersound);
        break;
    default:
        break;
    }
}

void PrepareFeedbackSounds(const TOptFeedback& options, const TAufgabe* task)
{
    PrepareFeedbackSounds(options.successSource, options.errorSource, options.successSoundText,
                          options.errorSoundText, task);
}

QString StripArticle(const QString& text) { return StripArticle(text, g().playerOptions.withArticle); }

QStringList DropArticleSounds(const QStringList& sounds)
{
    return DropArticleSounds(sounds, g().playerOptions.withArticle);
}

QString StripArticle(const QString& text, bool withArticle)
{
    if (withArticle)
        return text;
    for (const char* a : {"der ", "die ", "das ", "ein "})
        if (text.startsWith(QLatin1String(a)))
            return text.mid(4);
    if (text.startsWith(QLatin1String("eine ")))
        return text.mid(5);
    return text;
}

QStringList DropArticleSounds(const QStringList& sounds, bool withArticle)
{
    if (withArticle || sounds.size() != 2)
        return sounds;
    static const char* const articles[] = {"der.wav", "die.wav", "das.wav", "ein.wav", "eine.wav"};
    QStringList kept;
    for (const QString& s : sounds) {
        bool article = false;
        for (const char* a : articles) {
            const QString name = QLatin1String(a);
            if (s.endsWith(QLatin1Char('/') + name) || s.endsWith(QLatin1Char('\\') + name) ||
                s.compare(name, Qt::CaseInsensitive) == 0)
                article = true;
        }
        if (!article)
            kept << s;
    }
    return kept;
}

namespace {
QString findIn(const QString& folder, const QString& name, bool exact, const QStringList& extensions)
{
    const QString dir = fsys::withSlash(folder);
    const bool waves = extensions.isEmpty();
    const QStringList files = fsys::list(dir, waves ? QStringLiteral("*.wav") : QStringLiteral("*"), false,
                                         fsys::Entries::Files);
    for (const QString& f : files) {
        if (!waves) {
            const QString ext = fsys::extension(f);
            bool ok = false;
            for (const QString& e : extensions) {
                const QString want = e.startsWith(QLatin1Char('.')) ? e : QLatin1Char('.') + e;
                ok = ok || ext.compare(want, Qt::CaseInsensitive) == 0;
            }
            if (!ok)
                continue;
        }
        const bool hit = exact ? (waves ? f.compare(name + QStringLiteral(".wav"), Qt::CaseInsensitive) == 0
                                        : fsys::baseName(f).compare(name, Qt::CaseInsensitive) == 0)
                               : f.contains(name);
        if (hit)
            return dir + f;
    }
    for (const QString& sub : fsys::list(dir, QStringLiteral("*"), false, fsys::Entries::Dirs))
        if (QString found = findIn(dir + sub + QLatin1Char('/'), name, exact, extensions); !found.isEmpty())
            return found;
    return QString();
}
}

QString FindSoundFile(const QString& name, const QString& folder, bool exact)
{
    return findIn(folder, name, exact, {});
}

QString FindMediaFile(const QString& name, const QString& folder, bool exact, const QStringList& extensions)
{
    if (extensions.isEmpty())
        return QString();
    return findIn(folder, name, exact, extensions);
}

bool PlayWaveFile(const QString& file, bool wait, bool interruptOthers)
{
    const QString f = existing(inMemory(file));
    if (f.isEmpty())
        return false;
    return audio::backend().playOneShot(f, wait, interruptOthers);
}

bool PlayWaveFileLooped(const QString& file)
{
    QString f = existing(inMemory(file));
    if (f.isEmpty())
        f = existing(g().config.installationDirectory + inMemory(file));
    if (f.isEmpty())
        return false;
    return audio::backend().playLoop(f);
}

void StopWaveFiles() { audio::backend().stopOneShots(); }

void Beep() { audio::backend().beep(); }

void PlayAcousticEvent(const QString& name, bool wait, bool interruptOthers)
{
    const TAkustikereignisliste& events = g().playerOptions.acousticEvents;
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
        if (it->name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        QString file = inMemory(it->sound);
        // A relative name meant the program's folder, where it was started from; the working
        // directory here may be anywhere.
        if (!file.isEmpty() && QDir::isRelativePath(file) && !fsys::fileExists(file))
            file = g().config.installationDirectory + file;
        if (it->active && fsys::fileName(file) != QLatin1String("(keine)"))
            PlayWaveFile(file, wait, interruptOthers);
        return;
    }
}

QString NoiseProgramFile()
{
    const QString own = g().config.installationDirectory + QStringLiteral("noise/noise");
    if (fsys::fileExists(fsys::resolve(own)))
        return own;
    // An installed program keeps its helper programs apart from the (read-only) installation data.
    const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../libexec/kalimo/noise"));
    return QFileInfo::exists(installed) ? installed : own;
}

bool NoiseProgramExists() { return fsys::fileExists(NoiseProgramFile()); }

bool NoiseRunning() { return g_noise && g_noise->state() != QProcess::NotRunning; }

QString NoiseStartErrorText(int code)
{
    static const QHash<int, QString> reasons = {
        {0, QStringLiteral("The operating system is out of memory or resources.")},
        {2, QStringLiteral("The specified file was not found.")},
        {3, QStringLiteral("The specified path was not found.")},
        {5, QStringLiteral("The operating system denied access to the specified file.")},
        {8, QStringLiteral("There was not enough memory to complete the operation.")},
        {11, QStringLiteral("The .EXE file is invalid (non-Win32 .EXE or error in .EXE image.)")},
        {26, QStringLiteral("A sharing violation occurred.")},
        {27, QStringLiteral("The filename association is incomplete or invalid.")},
        {28, QStringLiteral("The DDE transaction could not be completed because the request timed out.")},
        {29, QStringLiteral("The DDE transaction failed.")},
        {30, QStringLiteral("The DDE transaction could not be completed because other DDE transactions were being processed.")},
        {31, QStringLiteral("There is no application associated with the given filename extension.")},
        {32, QStringLiteral("The specified dynamic-link library was not found.")},
    };
    return QStringLiteral("Fehler beim Starten des Hintergrundgeräusch-Programms!\nMeldung:\n\n") +
           reasons.value(code);
}

void StartNoise(bool visible, QWidget* parent)
{
    if (NoiseRunning())
        return;
    const QString program = fsys::resolve(NoiseProgramFile());
    const QString folder = fsys::folderOf(program);
    int code = -1;
    if (!fsys::dirExists(fsys::resolve(folder)))
        code = 3;
    else if (!fsys::fileExists(program))
        code = 2;
    else if (!QFileInfo(program).isExecutable())
        code = 5;
    if (code < 0) {
        g_noise = std::make_unique<QProcess>();
        g_noise->setWorkingDirectory(fsys::resolve(folder));
        g_noise->setProgram(program);
        g_noise->setArguments(visible ? QStringList() : QStringList{QStringLiteral("--hidden")});
        g_noise->setProcessChannelMode(QProcess::ForwardedChannels);
        g_noise->start();
        if (!g_noise->waitForStarted(5000)) {
            code = g_noise->errorString().contains(QLatin1String("format"), Qt::CaseInsensitive) ? 11 : 0;
            g_noise.reset();
        }
    }
    if (code >= 0)
        dialogs::showMessage(parent, NoiseStartErrorText(code));
}

void StopNoise()
{
    if (!g_noise)
        return;
    if (g_noise->state() != QProcess::NotRunning) {
        // SIGTERM is the noise window's close request; it ends at once on it.
        g_noise->terminate();
        if (!g_noise->waitForFinished(2000)) {
            g_noise->kill();
            g_noise->waitForFinished(2000);
        }
    }
    g_noise.reset();
}
