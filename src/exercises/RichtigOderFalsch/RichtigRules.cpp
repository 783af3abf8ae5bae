#include "exercises/RichtigOderFalsch/RichtigRules.h"

#include "chooser/TaskOrder.h"
#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "core/TextUtil.h"
#include "media/skin/PraiseDue.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "results/Ergebnisse.h"

#include <QHash>

namespace richtig {

namespace {

const TOpt_RichtigOderFalsch& options() { return g().playerOptions.richtigOderFalsch; }

TEinzelbild elementOf(const TAufgabe& task, int k)
{
    return k < int(task.elements.size()) ? task.elements[size_t(k)] : TEinzelbild{};
}

// Program-wide pools of the random praise, per folder: a taken file leaves its pool.
QHash<QString, QStringList>& pools()
{
    static QHash<QString, QStringList> p;
    return p;
}

QString drawPraise(const QString& folder)
{
    QStringList& pool = pools()[folder];
    if (pool.isEmpty())
        ListFiles(folder, QStringLiteral("*.wav"), true, pool);
    if (pool.isEmpty())
        return QString();
    return pool.takeAt(rnd::below(int(pool.size())));
}

} // namespace

void resetPraisePools() { pools().clear(); }

void PreparePraise(int kind, const QStringList& speech, const QStringList& tone, const TAufgabe* task)
{
    QStringList& praise = praiseSounds();
    const Directories& d = g().config.dirs;
    switch (kind) {
    case 10:
    case 20:
        if (praise.isEmpty())
            for (const QString& n : kind == 10 ? speech : tone)
                if (!n.trimmed().isEmpty())
                    praise << d.lobSound + fsys::fromStored(n.trimmed());
        break;
    case 11:
    case 21: {
        praise.clear();
        const QString file =
            drawPraise(d.lobSound + (kind == 11 ? QStringLiteral("Wort/") : QStringLiteral("Geräusch/")));
        if (!file.isEmpty())
            praise << file;
        break;
    }
    case 30:
        praise.clear();
        if (task)
            for (const QString& n : task->successSounds)
                if (!n.trimmed().isEmpty())
                    praise << d.internsound + fsys::fromStored(n.trimmed());
        break;
    default:
        break;
    }
}

RichtigRules::RichtigRules(TWAV& player) : m_player(player) {}

bool RichtigRules::prepareList(const QString& listFile)
{
    const int n = int(g().taskList().size());
    run().taskStartTime = QDateTime();
    m_row = -1;
    if (n <= 0) {
        m_state = AnswerState::NoValidList;
        m_results.clear();
        m_variants.clear();
        return false;
    }
    if (int(g().taskOrder.size()) != n)
        BuildTaskOrder(n, options().randomOrder);
    m_results.assign(size_t(n), TaskResult{});
    m_variants = exercise::DrawTaskVariants(n);
    m_position = 0;
    m_cards[0] = m_cards[1] = Card{};
    m_block = StartResultBlock(listFile);
    revealNext = false;
    m_state = AnswerState::Idle;
    startTask();
    return true;
}

int RichtigRules::taskIndex() const { return exercise::TaskAt(m_position); }

int RichtigRules::variant(int position) const
{
    return position >= 0 && position < int(m_variants.size()) ? m_variants[size_t(position)] : 0;
}

bool RichtigRules::fits() const { return m_cards[0].element.text == m_cards[1].element.text; }

bool RichtigRules::allSolved() const { return exercise::AllSolved(m_results); }

void RichtigRules::startTask()
{
    if (m_state == AnswerState::NoValidList || g().taskList().empty())
        return;
    weiterEnabled = false;
    passtEnabled = passtNichtEnabled = false;
    animatedButton = 0;
    const TAufgabe& task = g().taskList()[size_t(taskIndex())];
    static const int arrangement[4][2] = {{1, 2}, {1, 1}, {2, 2}, {2, 1}};
    const int v = variant(m_position);
    for (int i = 0; i < 2; ++i)
        m_cards[i] = Card{elementOf(task, arrangement[v][i]), false};
    ++m_facesShown;
    preparePraise();
    m_state = AnswerState::TaskReady;
}

void RichtigRules::preparePraise()
{
    const TAufgabe* task =
        g().taskList().empty() ? nullptr : &g().taskList()[size_t(taskIndex())];
    PreparePraise(options().successSource, options().successSoundSpeech, options().successSoundTone, task);
}

void RichtigRules::jumpTo(int position)
{
    if (position < 0 || position >= taskCount())
        return;
    m_player.StopAll();
    run().taskStartTime = QDateTime();
    m_position = position;
    revealNext = true;
    startTask();
}

void RichtigRules::startClockIfNeeded()
{
    if (run().taskStartTime.isValid() && m_row >= 0)
        return;
    TZeile& row = StartResultRow(m_block, m_position + 1);
    row.Attempts = 0;
    row.Solved = false;
    m_row = int(run().runResults[size_t(m_block)].Rows.size()) - 1;
}

void RichtigRules::playWord()
{
    const QStringList sounds = exercise::ElementSounds(m_cards[1].element);
    for (int i = 0; i < sounds.size(); ++i)
        PlaySound(m_player, sounds[i], i == 0, true, i == sounds.size() - 1);
}

void RichtigRules::listen()
{
    if (m_state == AnswerState::TaskReady && !run().taskStartTime.isValid())
        startClockIfNeeded();
    if (m_state != AnswerState::TaskReady && m_state != AnswerState::Answering && m_state != AnswerState::Solved)
        return;
    if (m_state != AnswerState::Solved)
        m_cards[0].heard = m_cards[1].heard = true;
    playWord();
    if (m_state == AnswerState::TaskReady)
        m_state = AnswerState::Answering;
    // Without a single playable sound no notice will come: the word counts as heard now.
    if (m_player.isEmpty())
        soundsOver();
}

void RichtigRules::soundNotice(int channel, SoundStatus status)
{
    if (status == SoundStatus::Failure) {
        if (m_player.SkipToNext())
            return;
    } else if (m_player.SoundEnded(channel) > 0) {
        return;
    }
    soundsOver();
}

void RichtigRules::soundsOver()
{
    if (!m_cards[0].heard || !m_cards[1].heard)
        return;
    if (m_state == AnswerState::Idle || m_state == AnswerState::NoValidList || m_state == AnswerState::Solved)
        return;
    startClockIfNeeded();
    if (m_state == AnswerState::ErrorFeedback) {
        // The error sounds are over: the word once more; the buttons wake when it ends or the
        // pointer comes to them.
        m_state = AnswerState::Answering;
        playWord();
        if (!m_player.isEmpty())
            return;
    }
    m_state = AnswerState::Answering;
    passtEnabled = passtNichtEnabled = true;
}

RichtigRules::Outcome RichtigRules::answer(Answer answer)
{
    const bool enabled = answer == Answer::Passt ? passtEnabled : passtNichtEnabled;
    if (m_state == AnswerState::Solved && enabled) {
        animatedButton = answer == Answer::Passt ? 1 : 2;
        return Outcome::Replay;
    }
    if (m_state != AnswerState::Answering || !enabled)
        return Outcome::Ignored;
    startClockIfNeeded();
    TZeile& row = run().runResults[size_t(m_block)].Rows[size_t(m_row)];
    row.Attempts += 1;
    animatedButton = 0;
    TaskResult& result = m_results[size_t(taskIndex())];
    const bool right = fits() ? answer == Answer::Passt : answer == Answer::PasstNicht;

    if (!right) {
        passtEnabled = passtNichtEnabled = false;
        result.error = true;
        m_state = AnswerState::ErrorFeedback;
        const ProgramSection& s = g().config.programSection(QStringLiteral("ProgRichtigOderFalsch"));
        for (const char* key : {"Fehlersound1", "Fehlersound2"}) {
            const QString file = s.value(QLatin1String(key));
            if (!file.isEmpty() && fsys::fileExists(file))
                TryPlaySound(m_player, file, true, false, true);
        }
        // Without an error sound no notice comes: the word is heard again at once.
        if (m_player.isEmpty())
            soundsOver();
        return Outcome::Wrong;
    }

    const bool passt = answer == Answer::Passt;
    (passt ? passtNichtEnabled : passtEnabled) = false;
    result.state = (passt ? 0 : 1) + (result.error ? 2 : 0);
    result.error = false;
    m_state = AnswerState::Solved;
    row.Solved = true;
    row.Answers = (passt ? QStringLiteral("richtig: ") : QStringLiteral("falsch:  ")) +
                  exercise::SplitMarker(m_cards[0].element.text).text + QStringLiteral(" - ") +
                  exercise::SplitMarker(m_cards[1].element.text).text;
    int rows = 0;
    for (const TErgebnis& e : run().runResults)
        rows += int(e.Rows.size());
    if (options().successSource != 0 && PraiseDue(rows, options().successFrequency)) {
        const QStringList& praise = praiseSounds();
        for (int i = 0; i < praise.size(); ++i)
            PlaySound(m_player, praise[i], false, true, i == praise.size() - 1);
    }
    const QDateTime started = run().taskStartTime;
    const qint64 ms = started.isValid() ? std::max<qint64>(0, started.msecsTo(clock_::now())) : 0;
    row.Duration = exercise::TaskDuration(ms);
    run().taskStartTime = QDateTime();
    m_cards[0].heard = m_cards[1].heard = false;
    animatedButton = passt ? 1 : 2;
    weiterEnabled = true;
    return Outcome::Right;
}

void RichtigRules::pointerOverAnswerButtons()
{
    if (m_state == AnswerState::Answering)
        passtEnabled = passtNichtEnabled = true;
}

void RichtigRules::arrowKey(bool left)
{
    if (m_state != AnswerState::Answering || !(passtEnabled || passtNichtEnabled))
        return;
    passtEnabled = left;
    passtNichtEnabled = !left;
}

RichtigRules::EnterAction RichtigRules::enterAction(bool weiterVisible) const
{
    if (m_state == AnswerState::Answering && passtEnabled != passtNichtEnabled)
        return passtEnabled ? EnterAction::AnswerPasst : EnterAction::AnswerPasstNicht;
    // The listen button is hidden exactly while the task is solved ("Weiter" stands in its place).
    if (m_state == AnswerState::Solved)
        return weiterVisible && weiterEnabled ? EnterAction::Weiter : EnterAction::None;
    if (m_state == AnswerState::NoValidList)
        return EnterAction::None;
    return EnterAction::Listen;
}

void RichtigRules::playHeadingSounds()
{
    if (m_state == AnswerState::Idle || m_state == AnswerState::TaskReady)
        m_state = AnswerState::Answering;
    bool first = true;
    for (const QString& raw : g().loadedList.layout.headingSound.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString file = exercise::HeadingSoundFile(raw);
        if (file.isEmpty())
            continue;
        PlaySound(m_player, file, first, false, true);
        first = false;
    }
}

bool RichtigRules::advance()
{
    if (m_state == AnswerState::NoValidList || m_results.empty() || allSolved())
        return false;
    m_player.StopAll();
    run().taskStartTime = QDateTime();
    m_position = exercise::NextPosition(m_position, m_results);
    revealNext = true;
    startTask();
    return true;
}

void RichtigRules::restart(bool newOrder, bool newVariants)
{
    const int n = taskCount();
    m_player.StopAll();
    run().taskStartTime = QDateTime();
    m_position = 0;
    m_results.assign(size_t(n), TaskResult{});
    if (newOrder)
        BuildTaskOrder(n, true);
    if (newOrder || newVariants)
        m_variants = exercise::DrawTaskVariants(n);
    revealNext = true;
    startTask();
}

void RichtigRules::rebuildOrder()
{
    const int n = taskCount();
    m_player.StopAll();
    run().taskStartTime = QDateTime();
    m_position = 0;
    m_results.assign(size_t(n), TaskResult{});
    BuildTaskOrder(n, options().randomOrder);
    m_variants = exercise::DrawTaskVariants(n);
    revealNext = true;
    startTask();
}

} // namespace richtig
