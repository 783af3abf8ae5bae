#include "exercises/Silbenanzahl/SilbenRules.h"

#include "chooser/TaskOrder.h"
#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/TextUtil.h"
#include "exercises/common/TaskSeries.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "exercises/common/TaskSounds.h"
#include "results/Ergebnisse.h"

namespace silben {

using exercise::LautRecord;

TOpt_Silbenanzahl& opts() { return g().playerOptions.silbenanzahl; }

QStringList OfferedCounts(const QString& text)
{
    QStringList items;
    SplitText(text.trimmed(), items, true, QStringLiteral(";"), true);
    QStringList counts = items.mid(1);
    for (QString& c : counts)
        c = c.trimmed();
    counts.removeAll(QString());
    counts.removeDuplicates();
    // Selection sort by value: every later count that is smaller is exchanged in.
    for (int i = 0; i < counts.size(); ++i)
        for (int j = i + 1; j < counts.size(); ++j)
            if (counts[j].toInt() < counts[i].toInt())
                counts.swapItemsAt(i, j);
    return counts;
}

namespace {
QStringList soundEntries(const QString& field)
{
    QStringList list;
    for (const QString& s : field.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!s.trimmed().isEmpty())
            list << s.trimmed();
    return list;
}

QString resolve(const QString& nameIn)
{
    const QString name = fsys::fromStored(nameIn);
    const Directories& d = g().config.dirs;
    for (const QString& p : {fsys::withSlash(d.materialSound) + name, name, fsys::withSlash(d.internsound) + name})
        if (fsys::fileExists(p))
            return fsys::resolve(p);
    return QString();
}
} // namespace

SilbenRules::SilbenRules(TWAV& player) : m_player(player) {}

void SilbenRules::buildTasks()
{
    const int n = int(g().taskList().size());
    m_tasks.assign(size_t(n), TLoesung{});
    for (int p = 0; p < n; ++p) {
        const TAufgabe& t = g().taskList()[size_t(exercise::TaskAt(p))];
        QStringList items;
        SplitText(t.elements.size() > 1 ? t.elements[1].text.trimmed() : QString(), items, true, QStringLiteral(";"), true);
        TLoesung& l = m_tasks[size_t(p)];
        l.extra = items.isEmpty() ? QString() : items.front().trimmed();
        l.word = QString(l.extra).remove(QLatin1Char('-'));
        l.target = items.size() > 1 ? items[1].trimmed() : QString();
    }
}

bool SilbenRules::prepareList(const QString& listFile, int start)
{
    const int n = int(g().taskList().size());
    run().taskStartTime = QDateTime();
    m_shown = false;
    if (n <= 0) {
        m_state = LautState::NoValidList;
        m_tasks.clear();
        m_counts.clear();
        m_listenEnabled = m_checkEnabled = m_weiterEnabled = m_helpEnabled = false;
        return false;
    }
    if (int(g().taskOrder.size()) != n)
        BuildSyllableTaskOrder(n, g().randomOrder406);
    buildTasks();
    m_record.startBlock(listFile);
    m_position = start >= 0 && start < n ? start : 0;
    setUpTask();
    return true;
}

SilbenRules::Setup SilbenRules::setUpTask()
{
    if (m_tasks.empty())
        return Setup::Incomplete;
    exercise::PrepareLautFeedback(opts().feedback);
    m_state = LautState::TaskReady;
    m_listenEnabled = true;
    m_checkEnabled = m_weiterEnabled = m_helpEnabled = false;
    m_chosen = -1;
    Setup result = Setup::Ok;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const TAufgabe& t = g().taskList()[size_t(exercise::TaskAt(m_position))];
        const TEinzelbild e = t.elements.size() > 1 ? t.elements[1] : TEinzelbild{};
        m_picture = e.picture;
        m_pictureSize = e.layout.pictureSize > 0 ? e.layout.pictureSize : 100;
        const QStringList parts = e.sounds.split(QLatin1Char('#'));
        m_wordSounds = soundEntries(parts.value(0));
        m_syllableSounds = soundEntries(parts.value(1));
        if (e.text.trimmed().isEmpty() && attempt == 0) {
            result = Setup::Defect;
            m_position = m_position + 1 < taskCount() ? m_position + 1 : 0;
            continue;
        }
        m_counts = OfferedCounts(e.text);
        break;
    }
    m_shown = true;
    if (m_counts.isEmpty()) {
        m_listenEnabled = false;
        result = result == Setup::Defect ? Setup::Defect : Setup::Incomplete;
    }
    run().taskStartTime = clock_::now();
    m_record.beginTask(true);
    m_lastSetup = result;
    return result;
}

SilbenRules::Setup SilbenRules::jumpTo(int position)
{
    m_player.StopAll();
    m_position = position >= 0 && position < taskCount() ? position : 0;
    return setUpTask();
}

bool SilbenRules::advance()
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

void SilbenRules::restart(bool newOrder)
{
    m_player.StopAll();
    if (newOrder) {
        BuildSyllableTaskOrder(taskCount(), true);
        buildTasks();
    } else {
        exercise::LautReopen(m_tasks);
    }
    m_position = 0;
    setUpTask();
}

void SilbenRules::playList(const QStringList& entries)
{
    QStringList files;
    for (const QString& e : entries) {
        const QString f = resolve(e);
        if (!f.isEmpty())
            files << f;
    }
    for (int i = 0; i < files.size(); ++i)
        PlaySound(m_player, files[i], i == 0, true, i == files.size() - 1);
}

bool SilbenRules::bothSounds() const
{
    return !m_wordSounds.isEmpty() && !m_syllableSounds.isEmpty() && !resolve(m_wordSounds.front()).isEmpty() &&
           !resolve(m_syllableSounds.front()).isEmpty();
}

void SilbenRules::listen()
{
    if (!m_shown || !m_listenEnabled)
        return;
    if (m_state == LautState::Solved) {
        replaySolution();
        return;
    }
    if (m_state == LautState::TaskReady)
        m_state = LautState::Answering;
    m_helpEnabled = true;
    playList(m_wordSounds);
}

void SilbenRules::help()
{
    if (!m_helpEnabled || m_state == LautState::Solved || m_state == LautState::SolutionPlaying)
        return;
    if (TZeile* r = row())
        r->WithHelp = true;
    playList(m_syllableSounds.isEmpty() ? m_wordSounds : m_syllableSounds);
}

void SilbenRules::playHeading()
{
    if (!m_shown)
        return;
    if (m_state == LautState::TaskReady)
        m_state = LautState::Answering;
    m_helpEnabled = m_state != LautState::Solved && m_state != LautState::SolutionPlaying;
    QStringList entries;
    for (const QString& raw : g().loadedList.layout.headingSound.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (raw.trimmed() == QLatin1String("&"))
            entries << m_wordSounds;
        else
            entries << raw.trimmed();
    }
    QStringList files;
    const Directories& d = g().config.dirs;
    for (const QString& e : entries) {
        const QString name = fsys::fromStored(e);
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

void SilbenRules::replaySolution()
{
    playList(m_wordSounds + m_syllableSounds);
}

void SilbenRules::playWordSound(bool syllables)
{
    playList(syllables ? m_syllableSounds : m_wordSounds);
}

bool SilbenRules::press(int i)
{
    if (!m_shown || i < 0 || i >= m_counts.size())
        return true;
    if (m_state == LautState::TaskReady)
        return false;
    if (m_state == LautState::Answering || m_state == LautState::Retrying)
        m_chosen = i;
    return true;
}

SilbenRules::Outcome SilbenRules::release(int i)
{
    if ((m_state != LautState::Answering && m_state != LautState::Retrying) || i != m_chosen || i < 0)
        return Outcome::Ignored;
    if (opts().atOnce) {
        TZeile* r = row();
        if (r && r->Answers.isEmpty())
            r->Answers = task().word + QStringLiteral(" - ") + task().extra;
        return judge(m_counts[i]);
    }
    m_checkEnabled = true;
    m_listenEnabled = false;
    m_weiterEnabled = false;
    return Outcome::Chosen;
}

void SilbenRules::releaseElsewhere()
{
    if (m_state != LautState::Solved && m_state != LautState::SolutionPlaying && !m_checkEnabled)
        m_chosen = -1;
}

SilbenRules::Outcome SilbenRules::check()
{
    if (m_chosen < 0 || m_chosen >= m_counts.size() || (m_state != LautState::Answering && m_state != LautState::Retrying))
        return Outcome::Ignored;
    if (!opts().atOnce && !m_checkEnabled)
        return Outcome::Ignored;
    TZeile* r = row();
    if (r && r->Answers.isEmpty())
        r->Answers = opts().atOnce ? task().word + QStringLiteral(" - ") + task().extra : task().word;
    return judge(m_counts[m_chosen]);
}

SilbenRules::Outcome SilbenRules::judge(const QString& count)
{
    TLoesung& l = m_tasks[size_t(m_position)];
    TZeile* r = row();
    if (r) {
        r->Answers += QStringLiteral(" - ") + count;
        r->Attempts += 1;
    }
    m_checkEnabled = false;
    if (count.compare(l.target, Qt::CaseInsensitive) != 0) {
        m_state = LautState::Retrying;
        m_chosen = -1;
        m_listenEnabled = true;
        l.error = true;
        exercise::PlayLautErrors(m_player, opts().feedback);
        return Outcome::Wrong;
    }
    m_helpEnabled = false;
    run().taskStopTime = clock_::now();
    if (r) {
        r->Duration = exercise::TaskDurationHundredths(run().taskStartTime, run().taskStopTime);
        r->Solved = true;
    }
    l.state = l.error ? 1 : 0;
    m_state = LautState::SolutionPlaying;
    m_player.StopAll();
    playList(m_wordSounds + m_syllableSounds);
    exercise::PlayLautPraise(m_player, opts().feedback);
    if (m_player.isEmpty()) {
        // Nothing to hear: the solution shows at once.
        m_state = LautState::Solved;
        m_weiterEnabled = true;
    }
    m_listenEnabled = true;
    return Outcome::Right;
}

SilbenRules::KeyAction SilbenRules::enter(Outcome* outcome)
{
    switch (m_state) {
    case LautState::TaskReady:
        listen();
        return KeyAction::Listened;
    case LautState::Answering:
    case LautState::Retrying:
        if (m_checkEnabled || (opts().atOnce && m_chosen >= 0)) {
            const Outcome o = check();
            if (outcome)
                *outcome = o;
            return KeyAction::Judged;
        }
        listen();
        return KeyAction::Listened;
    case LautState::Solved:
        return m_weiterEnabled ? KeyAction::Weiter : KeyAction::None;
    default:
        return KeyAction::None;
    }
}

void SilbenRules::upDown(bool down)
{
    if ((m_state != LautState::Answering && m_state != LautState::Retrying) || m_counts.isEmpty())
        return;
    m_chosen = m_chosen < 0 ? 0 : std::clamp(m_chosen + (down ? 1 : -1), 0, int(m_counts.size()) - 1);
    if (!opts().atOnce) {
        m_checkEnabled = true;
        m_listenEnabled = false;
    }
}

bool SilbenRules::digit(int count)
{
    if (m_state != LautState::Answering && m_state != LautState::Retrying)
        return false;
    for (int i = 0; i < m_counts.size(); ++i)
        if (m_counts[i].toInt() == count) {
            m_chosen = i;
            if (!opts().atOnce) {
                m_checkEnabled = true;
                m_listenEnabled = false;
            }
            return true;
        }
    return false;
}

void SilbenRules::soundNotice(int channel, SoundStatus status)
{
    bool over = false;
    if (status == SoundStatus::Failure)
        over = !m_player.SkipToNext();
    else
        over = m_player.SoundEnded(channel) == 0;
    if (m_state == LautState::SolutionPlaying)
        m_state = LautState::Solved;  // the first solution sound has ended: the solution shows
    if (over && m_state == LautState::Solved)
        m_weiterEnabled = true;
}

} // namespace silben
