#include "exercises/LautPos/LautPosRules.h"

#include "chooser/TaskOrder.h"
#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "exercises/common/LautMarker.h"
#include "exercises/common/TaskSeries.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "exercises/common/TaskSounds.h"
#include "results/Ergebnisse.h"

namespace lautpos {

TOpt_LautPos& opts() { return g().playerOptions.lautPos; }

PosWord SplitPosWord(const QString& text)
{
    const exercise::LautWord w = exercise::SplitLautMarker(text.trimmed());
    PosWord p;
    p.word = w.word;
    if (w.hasMarker) {
        p.sound = w.marked();
        p.markerPlace = w.markStart - 1;
    } else {
        p.sound = w.word.left(1);
    }
    return p;
}

bool PositionRight(const QString& wordIn, const QString& soundIn, int position)
{
    const QString w = wordIn.toUpper(), s = soundIn.toUpper(), ss = s + s;
    if (s.isEmpty())
        return false;
    const bool front = w.indexOf(s) == 0;
    const qsizetype at = w.indexOf(s), twice = w.indexOf(ss);
    const bool back = (at >= 0 && at == w.size() - s.size()) || (twice >= 0 && twice == w.size() - ss.size());
    switch (position) {
    case Vorne: return front;
    case Hinten: return back;
    case Mittig: return !front && !back;
    default: return false;
    }
}

std::pair<int, int> SolutionMark(const QString& word, const QString& sound)
{
    const qsizetype at = word.indexOf(sound, 0, Qt::CaseInsensitive);
    if (at < 0 || sound.isEmpty())
        return {-1, 0};
    if (at > 0 && sound.compare(QLatin1String("k"), Qt::CaseInsensitive) == 0) {
        const qsizetype ck = word.indexOf(QLatin1String("ck"), 0, Qt::CaseInsensitive);
        if (ck >= 0)
            return {int(ck), 2};
    }
    return {int(at), int(sound.size())};
}

QString HeadingText(const QString& heading, const QString& soundIn, bool capitalsOnly)
{
    QString sound = soundIn.toLower();
    if (sound.size() == 2 && sound[0] == sound[1])
        sound = sound.left(1);
    const QString capital = sound.left(1).toUpper() + sound.mid(1);
    QString text = heading;
    text.replace(QLatin1Char('#'), capitalsOnly ? capital : capital + QLatin1Char('-') + sound);
    return text;
}

LautPosRules::LautPosRules(TWAV& player) : m_player(player) {}

void LautPosRules::buildTasks()
{
    const int n = int(g().taskList().size());
    m_tasks.assign(size_t(n), TLoesung{});
    for (int p = 0; p < n; ++p) {
        const TAufgabe& t = g().taskList()[size_t(exercise::TaskAt(p))];
        const PosWord w = SplitPosWord(t.elements.size() > 1 ? t.elements[1].text : QString());
        TLoesung& l = m_tasks[size_t(p)];
        l.word = w.word;
        l.target = w.sound;
        l.markStart = w.markerPlace + 1;
        l.markLength = int(w.sound.size());
    }
}

bool LautPosRules::prepareList(const QString& listFile, int start)
{
    const int n = int(g().taskList().size());
    run().taskStartTime = QDateTime();
    if (n <= 0) {
        m_state = LautState::NoValidList;
        m_tasks.clear();
        m_listenEnabled = m_fertig = false;
        return false;
    }
    if (int(g().taskOrder.size()) != n)
        BuildPositionTaskOrder(n, g().randomOrder401);
    buildTasks();
    m_record.startBlock(listFile);
    m_position = start >= 0 && start < n ? start : 0;
    setUpTask();
    return true;
}

void LautPosRules::setUpTask()
{
    if (m_tasks.empty())
        return;
    exercise::PrepareLautFeedback(TOptFeedback{opts().successSound, opts().successSoundText, opts().successSource,
                                               opts().successFrequency, false, {}, 2});
    m_state = LautState::TaskReady;
    run().taskStartTime = clock_::now();
    TZeile* last = m_record.beginTask(false);
    if (last && last->Attempts > 0)
        last = m_record.beginTask(true);
    if (last) {
        last->Attempts = 0;
        last->Solved = false;
        last->Answers.clear();
        last->Duration.clear();
    }
    m_listenEnabled = true;
    m_fertig = false;
    m_chosen = m_pressed = m_wrongBox = -1;
    const TAufgabe& t = g().taskList()[size_t(exercise::TaskAt(m_position))];
    m_wordSound = t.elements.size() > 1 ? t.elements[1].sounds.trimmed() : QString();
}

void LautPosRules::jumpTo(int position)
{
    if (m_tasks.empty())
        return;
    m_player.StopAll();
    m_position = position >= 0 && position < taskCount() ? position : 0;
    setUpTask();
}

bool LautPosRules::advance()
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

void LautPosRules::restart()
{
    m_player.StopAll();
    exercise::LautReopen(m_tasks);
    m_position = 0;
    setUpTask();
}

void LautPosRules::playWord(bool interrupt)
{
    const QString file = exercise::LautWordSoundFile(m_wordSound).isEmpty()
                             ? QString()
                             : exercise::LautWordSoundFile(m_wordSound);
    const QString material = fsys::withSlash(g().config.dirs.materialSound) + fsys::fromStored(m_wordSound);
    const QString f = fsys::fileExists(material) ? fsys::resolve(material) : file;
    if (!f.isEmpty())
        PlaySound(m_player, f, interrupt, false, true);
}

void LautPosRules::heard()
{
    // Nothing to hear: the word counts as heard at once.
    if (m_state == LautState::Hearing && m_player.isEmpty())
        m_state = LautState::Answering;
}

void LautPosRules::instruction()
{
    if (m_tasks.empty() || m_state == LautState::NoValidList)
        return;
    const Directories& d = g().config.dirs;
    QStringList files;
    for (const QString& raw : g().loadedList.layout.headingSound.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString e = raw.trimmed();
        const QString file = e == QLatin1String("#")
                                 ? fsys::withSlash(d.internsound) + QStringLiteral("ABC/Laute/") + task().target.toLower() +
                                       QStringLiteral(".wav")
                                 : fsys::withSlash(d.anleitungsound) + fsys::fromStored(e);
        if (fsys::fileExists(file))
            files << fsys::resolve(file);
    }
    for (int i = 0; i < files.size(); ++i)
        PlaySound(m_player, files[i], i == 0, false, true);
    playWord(files.isEmpty());
    if (m_state == LautState::TaskReady)
        m_state = LautState::Hearing;
    heard();
}

void LautPosRules::listen()
{
    if (m_tasks.empty() || !m_listenEnabled)
        return;
    playWord(true);
    if (m_state == LautState::TaskReady)
        m_state = LautState::Hearing;
    heard();
}

bool LautPosRules::press(int p)
{
    if (m_tasks.empty() || p < 0 || p > 2)
        return true;
    if (m_state == LautState::TaskReady || m_state == LautState::Hearing)
        return false;
    if (m_state == LautState::Answering || m_state == LautState::Retrying)
        m_pressed = p;
    return true;
}

LautPosRules::Outcome LautPosRules::release(int p)
{
    if (m_pressed < 0 || p != m_pressed) {
        m_pressed = -1;
        return Outcome::Ignored;
    }
    m_pressed = -1;
    if (m_state != LautState::Answering && m_state != LautState::Retrying)
        return Outcome::Ignored;
    m_chosen = p;
    if (opts().atOnce)
        return judge();
    m_fertig = true;
    return Outcome::Chosen;
}

void LautPosRules::releaseElsewhere() { m_pressed = -1; }

void LautPosRules::arrow(bool left)
{
    if (m_state != LautState::Answering && m_state != LautState::Retrying)
        return;
    m_chosen = m_chosen < 0 ? (left ? Hinten : Vorne) : std::clamp(m_chosen + (left ? -1 : 1), 0, 2);
    m_fertig = true;
}

LautPosRules::Outcome LautPosRules::check()
{
    if (!m_fertig || m_chosen < 0 || (m_state != LautState::Answering && m_state != LautState::Retrying))
        return Outcome::Ignored;
    return judge();
}

LautPosRules::Outcome LautPosRules::judge()
{
    TLoesung& l = m_tasks[size_t(m_position)];
    TZeile* r = row();
    if (r)
        r->Attempts += 1;
    m_fertig = false;
    if (!PositionRight(l.word, l.target, m_chosen)) {
        l.error = true;
        m_state = LautState::Retrying;
        m_wrongBox = m_chosen;
        m_chosen = -1;
        instruction();
        return Outcome::Wrong;
    }
    run().taskStopTime = clock_::now();
    if (r) {
        r->Duration = exercise::TaskDurationHundredths(run().taskStartTime, run().taskStopTime);
        r->Solved = true;
        r->Answers = l.word;
    }
    m_state = LautState::Solved;
    m_wrongBox = -1;
    l.state = l.error ? 1 : 0;
    m_player.StopAll();
    const QString positionWord = m_positionWords.value(std::clamp(m_chosen, 0, 2));
    if (!positionWord.isEmpty())
        PlaySound(m_player, positionWord, true, false, true);
    else
        exercise::PlayLautPraise(m_player, TOptFeedback{opts().successSound, opts().successSoundText,
                                                        opts().successSource, opts().successFrequency, false, {}, 2});
    return Outcome::Right;
}

LautPosRules::KeyAction LautPosRules::enter(Outcome* outcome)
{
    if (m_chosen < 0 && m_listenEnabled && m_state != LautState::Solved) {
        instruction();
        return KeyAction::Instruction;
    }
    if (m_fertig) {
        const Outcome o = check();
        if (outcome)
            *outcome = o;
        return KeyAction::Checked;
    }
    return m_state == LautState::Solved ? KeyAction::Weiter : KeyAction::None;
}

void LautPosRules::soundNotice(int channel, SoundStatus status)
{
    const bool over = m_player.HandleNotice(channel, status);
    if (over && m_state == LautState::Hearing)
        m_state = LautState::Answering;
}

} // namespace lautpos
