#include "exercises/LautSuche/LautSucheRules.h"

#include "chooser/TaskOrder.h"
#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/TextUtil.h"
#include "exercises/common/TaskSeries.h"
#include "exercises/common/TaskSounds.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "results/Ergebnisse.h"

namespace lautsuche {

using exercise::LautRecord;

TOpt_LautSuche& opts() { return g().playerOptions.lautSuche; }

PositionMode PositionModeOf(const QString& relativeListPath)
{
    QString p = relativeListPath.toLower();
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (p.startsWith(QLatin1Char('/')))
        p.remove(0, 1);
    if (p.startsWith(QLatin1String("anlaut")))
        return PositionMode::Anlaut;
    if (p.startsWith(QLatin1String("zweiter laut")))
        return PositionMode::Zweiter;
    if (p.startsWith(QLatin1String("auslaut")))
        return PositionMode::Auslaut;
    return PositionMode::None;
}

LautSucheRules::LautSucheRules(TWAV& player) : m_player(player) {}

bool LautSucheRules::soundsLeft() const
{
    switch (m_mode) {
    case PositionMode::Anlaut:
    case PositionMode::Zweiter: return true;
    case PositionMode::Auslaut: return false;
    default: return opts().soundsLeft;
    }
}

bool LautSucheRules::headingSoundPresent()
{
    const QString name = fsys::fromStored(g().loadedList.layout.headingSound.trimmed());
    return !name.isEmpty() && fsys::fileExists(fsys::withSlash(g().config.dirs.anleitungsound) + name);
}

bool LautSucheRules::headingShown() const
{
    const int v = opts().headingVisible;
    return headingSoundPresent() && (v >= 4 || m_begun <= v);
}

void LautSucheRules::buildTasks()
{
    const int n = int(g().taskList().size());
    m_tasks.assign(size_t(n), TLoesung{});
    for (int p = 0; p < n; ++p) {
        const TAufgabe& t = g().taskList()[size_t(exercise::TaskAt(p))];
        QStringList items;
        SplitText(t.elements.size() > 1 ? t.elements[1].text : QString(), items, true, QStringLiteral(","), true);
        const exercise::LautWord w = exercise::SplitLautMarker(items.isEmpty() ? QString() : items.front());
        TLoesung& l = m_tasks[size_t(p)];
        l.word = w.word;
        l.markLength = w.markLength;
        l.markStart = w.markStart;
    }
}

bool LautSucheRules::prepareList(const QString& listFile, int start)
{
    const int n = int(g().taskList().size());
    run().taskStartTime = QDateTime();
    m_shown = false;
    if (n <= 0) {
        m_state = LautState::NoValidList;
        m_tasks.clear();
        m_sounds.clear();
        m_listenEnabled = m_tonEnabled = m_checkEnabled = m_weiterEnabled = false;
        return false;
    }
    if (int(g().taskOrder.size()) != n)
        BuildTaskOrder(n, g().randomOrder402);
    m_begun = 0;
    m_position = start >= 0 && start < n ? start : 0;
    buildTasks();
    m_record.startBlock(listFile);
    if (m_state == LautState::NoValidList)
        m_state = LautState::Answering;  // the first task counts as begun
    setUpTask();
    return true;
}

bool LautSucheRules::setUpTask()
{
    if (m_tasks.empty())
        return false;
    exercise::PrepareLautFeedback(opts().feedback);
    if (m_state != LautState::TaskReady) {
        m_state = LautState::TaskReady;
        ++m_begun;
        m_record.beginTask(true);
    } else {
        m_record.beginTask(false);
    }
    m_listenEnabled = m_tonEnabled = true;
    m_checkEnabled = m_weiterEnabled = false;
    m_chosen = m_pressed = m_focus = m_touched = m_mouth = -1;
    m_mouthFace = 0;
    m_headingPressed = false;
    m_sounds.clear();
    const TAufgabe& t = g().taskList()[size_t(exercise::TaskAt(m_position))];
    const TEinzelbild e = t.elements.size() > 1 ? t.elements[1] : TEinzelbild{};
    m_picture = e.picture;
    m_pictureSize = e.layout.pictureSize > 0 ? e.layout.pictureSize : 100;
    m_wordSound = e.sounds.trimmed();
    const exercise::LautItems items = exercise::SplitLautItems(e.text);
    if (!items.valid) {
        m_shown = false;
        m_incomplete = true;
        m_listenEnabled = false;
        return false;
    }
    m_incomplete = false;
    m_shown = true;
    TLoesung& l = m_tasks[size_t(m_position)];
    l.target = items.target();
    l.word = items.word.word;
    l.markLength = items.word.markLength;
    l.markStart = items.word.markStart;
    m_sounds = exercise::LautSoundSet(items, std::clamp(opts().soundCount, 1, 5));
    run().taskStartTime = clock_::now();
    return true;
}

bool LautSucheRules::jumpTo(int position)
{
    if (m_tasks.empty())
        return false;
    m_player.StopAll();
    m_position = position >= 0 && position < taskCount() ? position : 0;
    return setUpTask();
}

bool LautSucheRules::advance()
{
    if (m_tasks.empty())
        return false;
    const int next = exercise::LautNextPosition(m_position, m_tasks);
    if (next < 0) {
        m_position = taskCount() - 1;
        return false;
    }
    m_player.StopAll();
    m_position = next;
    setUpTask();
    return true;
}

void LautSucheRules::restart(bool newOrder)
{
    m_player.StopAll();
    if (newOrder) {
        BuildTaskOrder(taskCount(), true);
        buildTasks();
    } else {
        exercise::LautReopen(m_tasks);
    }
    m_position = 0;
    setUpTask();
}

void LautSucheRules::playWord(bool interrupt)
{
    const QString name = fsys::fromStored(m_wordSound);
    if (name.isEmpty())
        return;
    const Directories& d = g().config.dirs;
    QString file = fsys::withSlash(d.materialSound) + name;
    for (const QString& p : {file, name, fsys::withSlash(d.internsound) + name})
        if (fsys::fileExists(p)) {
            file = fsys::resolve(p);
            break;
        }
    PlaySound(m_player, file, interrupt, false, true);
}

void LautSucheRules::listen()
{
    if (!m_shown || !m_listenEnabled)
        return;
    if (m_state == LautState::TaskReady)
        m_state = LautState::Answering;
    playWord(true);
}

void LautSucheRules::playHeading()
{
    if (!m_shown)
        return;
    if (m_state == LautState::TaskReady)
        m_state = LautState::Answering;
    m_headingPressed = headingShown();
    const Directories& d = g().config.dirs;
    const QString word = fsys::withSlash(d.materialSound) + fsys::fromStored(m_wordSound);
    QStringList entries = g().loadedList.layout.headingSound.split(QLatin1Char(';'));
    if (!entries.contains(QStringLiteral("&")))
        entries << QStringLiteral("&");
    QStringList files;
    for (const QString& raw : entries) {
        const QString name = raw.trimmed() == QLatin1String("&") ? word : fsys::fromStored(raw.trimmed());
        if (name.isEmpty())
            continue;
        for (const QString& p : {name, fsys::withSlash(d.anleitungsound) + name, fsys::withSlash(d.internsound) + name,
                                 fsys::withSlash(d.materialSound) + name})
            if (fsys::fileExists(p)) {
                files << fsys::resolve(p);
                break;
            }
    }
    for (int i = 0; i < files.size(); ++i)
        PlaySound(m_player, files[i], i == 0, false, true);
}

void LautSucheRules::playHeadingAlone()
{
    const QString file = exercise::HeadingSoundFile(g().loadedList.layout.headingSound);
    m_headingPressed = true;
    if (!file.isEmpty())
        PlaySound(m_player, file, true, false, true);
}

bool LautSucheRules::press(int i)
{
    if (!m_shown || i < 0 || i >= m_sounds.size())
        return true;
    if (m_state == LautState::TaskReady)
        return false;
    m_pressed = i;
    m_touched = i;
    return true;
}

LautSucheRules::Outcome LautSucheRules::release(int i)
{
    if (m_pressed < 0 || i != m_pressed) {
        releaseElsewhere();
        return Outcome::Ignored;
    }
    m_pressed = -1;
    return choose(i);
}

void LautSucheRules::releaseElsewhere()
{
    m_pressed = -1;
    if (m_state == LautState::Answering || m_state == LautState::Retrying) {
        m_chosen = -1;
        m_checkEnabled = false;
    }
}

LautSucheRules::Outcome LautSucheRules::choose(int i)
{
    if (!m_shown || i < 0 || i >= m_sounds.size() || m_state == LautState::TaskReady)
        return Outcome::Ignored;
    const QString sound = m_sounds[i];
    exercise::PlayLautSound(m_player, sound);
    if (m_state == LautState::Solved)
        return Outcome::Sounded;
    if (opts().atOnce) {
        if (TZeile* r = row())
            r->Answers += QLatin1Char(' ') + sound;
        return judge(sound, false);
    }
    m_chosen = i;
    m_checkEnabled = true;
    m_weiterEnabled = false;
    return Outcome::Chosen;
}

LautSucheRules::Outcome LautSucheRules::check()
{
    if (!m_checkEnabled || m_chosen < 0 || m_chosen >= m_sounds.size() ||
        (m_state != LautState::Answering && m_state != LautState::Retrying))
        return Outcome::Ignored;
    const QString sound = m_sounds[m_chosen];
    if (TZeile* r = row())
        r->Answers += QLatin1Char(' ') + sound;
    return judge(sound, true);
}

LautSucheRules::Outcome LautSucheRules::judge(const QString& sound, bool withCheck)
{
    TLoesung& l = m_tasks[size_t(m_position)];
    TZeile* r = row();
    if (!exercise::LautSoundMatches(sound, l.target, withCheck)) {
        if (r)
            r->Attempts += 1;
        m_state = LautState::Retrying;
        exercise::PlayLautErrors(m_player, opts().feedback);
        m_chosen = -1;
        m_checkEnabled = false;
        l.error = true;
        return Outcome::Wrong;
    }
    playWord(!opts().atOnce);
    exercise::PlayLautPraise(m_player, opts().feedback);
    m_checkEnabled = false;
    run().taskStopTime = clock_::now();
    if (r) {
        r->Answers += QStringLiteral(" - ") + l.word;
        r->Duration = exercise::TaskDurationHundredths(run().taskStartTime, run().taskStopTime);
        r->Attempts += 1;
        r->Solved = true;
    }
    m_state = LautState::Solved;
    l.state = l.error ? 1 : 0;
    m_weiterEnabled = true;
    m_tonEnabled = false;
    m_focus = -1;
    return Outcome::Right;
}

void LautSucheRules::mouthDown(int i)
{
    if (!opts().mouthPicture || i < 0 || i >= m_sounds.size())
        return;
    m_mouth = i;
    m_mouthFace = 1;
    m_touched = 10 + i;
}

bool LautSucheRules::mouthUp(int i)
{
    if (!opts().mouthPicture || i < 0 || i >= m_sounds.size())
        return true;
    m_mouth = i;
    m_touched = 10 + i;
    if (exercise::PlayLautSound(m_player, m_sounds[i])) {
        m_mouthFace = 2;
        return true;
    }
    m_mouthFace = 1;
    return false;
}

void LautSucheRules::mouthIdle()
{
    m_mouth = -1;
    m_mouthFace = 0;
    m_headingPressed = false;
}

void LautSucheRules::soundNotice(int channel, SoundStatus status)
{
    if (status == SoundStatus::Failure) {
        if (m_player.SkipToNext())
            return;
    } else if (m_player.SoundEnded(channel) > 0) {
        return;
    }
    mouthIdle();
}

LautSucheRules::KeyAction LautSucheRules::enter(Outcome* outcome)
{
    const bool answering = m_state == LautState::Answering || m_state == LautState::Retrying;
    if (!opts().atOnce && m_checkEnabled) {
        if (m_focus >= 10) {
            mouthUp(m_focus - 10);
            return KeyAction::Chosen;
        }
        const Outcome o = check();
        if (outcome)
            *outcome = o;
        return KeyAction::Check;
    }
    if (m_weiterEnabled)
        return KeyAction::Weiter;
    if (opts().atOnce && answering && m_focus >= 0) {
        if (m_focus >= 10) {
            mouthUp(m_focus - 10);
            return KeyAction::Chosen;
        }
        const Outcome o = choose(m_focus);
        if (outcome)
            *outcome = o;
        return KeyAction::Chosen;
    }
    if (headingSoundPresent())
        playHeading();
    else
        listen();
    return KeyAction::Listened;
}

LautSucheRules::KeyAction LautSucheRules::space(Outcome* outcome)
{
    if (m_touched == -2) {
        playHeadingAlone();
        return KeyAction::Listened;
    }
    if (m_touched >= 10) {
        mouthUp(m_touched - 10);
        return KeyAction::Chosen;
    }
    if (m_touched >= 0) {
        if (m_state == LautState::Solved && opts().soundButton)
            return KeyAction::None;
        const Outcome o = choose(m_touched);
        if (outcome)
            *outcome = o;
        return KeyAction::Chosen;
    }
    listen();
    return KeyAction::Listened;
}

void LautSucheRules::upDown(bool down, Outcome* outcome)
{
    if ((m_state != LautState::Answering && m_state != LautState::Retrying) || m_sounds.isEmpty())
        return;
    const int n = int(m_sounds.size());
    const bool mouth = m_focus >= 10;
    int i = m_focus < 0 ? 0 : (mouth ? m_focus - 10 : m_focus) + (m_focus < 0 ? 0 : down ? 1 : -1);
    if (m_focus < 0)
        i = 0;
    i = std::clamp(i, 0, n - 1);
    m_focus = mouth ? 10 + i : i;
    m_touched = m_focus;
    if (!mouth && !opts().atOnce) {
        const Outcome o = choose(i);
        if (outcome)
            *outcome = o;
    }
}

bool LautSucheRules::leftRight(bool left)
{
    if (m_state != LautState::Answering && m_state != LautState::Retrying)
        return true;
    if (!opts().mouthPicture || m_sounds.isEmpty())
        return false;
    // The mouth pictures lie outside the buttons: left of them with the sounds left.
    const bool toMouth = left == soundsLeft();
    const int row = m_focus < 0 ? 0 : m_focus % 10;
    if (toMouth == (m_focus >= 10) && m_focus >= 0)
        return false;
    m_focus = toMouth ? 10 + row : row;
    m_touched = m_focus;
    return true;
}

} // namespace lautsuche
