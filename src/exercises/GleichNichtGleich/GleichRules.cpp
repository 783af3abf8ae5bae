#include "exercises/GleichNichtGleich/GleichRules.h"

#include "chooser/TaskOrder.h"
#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "media/skin/PraiseDue.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "results/Ergebnisse.h"

namespace gleich {

namespace {

const TOpt_GleichNichtgleich& options() { return g().playerOptions.gleichNichtgleich; }

TEinzelbild elementOf(const TAufgabe& task, int k)
{
    return k < int(task.elements.size()) ? task.elements[size_t(k)] : TEinzelbild{};
}

QStringList soundsOf(const Card& card) { return exercise::ElementSounds(card.element); }

} // namespace

GleichRules::GleichRules(TWAV& player) : m_player(player) {}

bool GleichRules::prepareList(const QString& listFile)
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
    m_variants = DrawTaskVariants(n);
    m_position = 0;
    m_cards[0] = m_cards[1] = Card{};
    m_block = StartResultBlock(listFile);
    revealNext = false;
    m_state = AnswerState::Idle;
    startTask();
    return true;
}

int GleichRules::taskIndex() const { return exercise::TaskAt(m_position); }

int GleichRules::variant(int position) const
{
    return position >= 0 && position < int(m_variants.size()) ? m_variants[size_t(position)] : 0;
}

bool GleichRules::sameTexts() const { return m_cards[0].element.text == m_cards[1].element.text; }

bool GleichRules::allSolved() const { return exercise::AllSolved(m_results); }

void GleichRules::startTask()
{
    if (m_state == AnswerState::NoValidList || g().taskList().empty())
        return;
    m_state = AnswerState::Idle;
    listenEnabled = true;
    weiterEnabled = false;
    gleichEnabled = nichtGleichEnabled = false;
    gleichDown = nichtGleichDown = false;
    const TAufgabe& task = g().taskList()[size_t(taskIndex())];
    static const int arrangement[4][2] = {{1, 2}, {1, 1}, {2, 2}, {2, 1}};
    const int v = variant(m_position);
    for (int i = 0; i < 2; ++i)
        m_cards[i] = Card{elementOf(task, arrangement[v][i]), false};
    PrepareFeedbackSounds(options().feedback, &task);
    m_state = AnswerState::TaskReady;
}

void GleichRules::jumpTo(int position)
{
    if (position < 0 || position >= taskCount())
        return;
    m_player.StopAll();
    run().taskStartTime = QDateTime();
    m_position = position;
    revealNext = true;
    startTask();
}

void GleichRules::startClockIfNeeded()
{
    if (run().taskStartTime.isValid() && m_row >= 0)
        return;
    TZeile& row = StartResultRow(m_block, taskIndex() + 1);
    row.Attempts = 0;
    row.Solved = false;
    m_row = int(run().runResults[size_t(m_block)].Rows.size()) - 1;
}

void GleichRules::playCard(int card, bool interruptFirst)
{
    const QStringList sounds = soundsOf(m_cards[card == 2 ? 1 : 0]);
    for (int i = 0; i < sounds.size(); ++i)
        PlaySound(m_player, sounds[i], interruptFirst && i == 0, true, i == sounds.size() - 1);
}

void GleichRules::listen()
{
    if (m_state == AnswerState::TaskReady && !run().taskStartTime.isValid())
        startClockIfNeeded();
    if (m_state != AnswerState::TaskReady && m_state != AnswerState::Answering && m_state != AnswerState::Solved)
        return;
    if (m_state != AnswerState::Solved)
        m_cards[0].heard = m_cards[1].heard = true;

    QStringList entries = soundsOf(m_cards[0]);
    if (entries.size() > 1 && !CurrentPauseFile().isEmpty())
        entries << g().config.dirs.internsound + CurrentPauseFile();
    entries << soundsOf(m_cards[1]);
    for (int i = 0; i < entries.size(); ++i)
        PlaySound(m_player, entries[i], i == 0, true, i == entries.size() - 1);
    if (!m_player.isEmpty())
        listenEnabled = false;
    if (m_state == AnswerState::TaskReady)
        m_state = AnswerState::Answering;
    // Without a single playable sound no notice will come: the words count as heard now.
    if (m_player.isEmpty())
        soundsOver();
}

void GleichRules::clickCard(int card)
{
    Card& c = m_cards[card == 2 ? 1 : 0];
    c.heard = true;
    if (m_state != AnswerState::TaskReady && m_state != AnswerState::Answering && m_state != AnswerState::Solved)
        return;
    playCard(card, true);
    if (m_player.isEmpty())
        soundsOver();
}

void GleichRules::soundNotice(int channel, SoundStatus status)
{
    if (status != SoundStatus::Failure) {
        if (m_player.SoundEnded(channel) > 0)
            return;
    } else if (m_player.SkipToNext()) {
        return;
    } else {
        listenEnabled = true;
    }
    soundsOver();
}

void GleichRules::soundsOver()
{
    if (!m_cards[0].heard || !m_cards[1].heard)
        return;
    if (m_state == AnswerState::Idle || m_state == AnswerState::NoValidList)
        return;
    startClockIfNeeded();
    switch (m_state) {
    case AnswerState::ErrorFeedback:
        // The buttons wake up when the pointer comes back to them.
        m_state = AnswerState::Answering;
        break;
    case AnswerState::Solved:
        break;
    default:
        listenEnabled = true;
        m_state = AnswerState::Answering;
        gleichEnabled = nichtGleichEnabled = true;
        break;
    }
}

bool GleichRules::solvedRight(Answer answer) const
{
    return sameTexts() ? answer == Answer::Gleich : answer == Answer::NichtGleich;
}

GleichRules::Outcome GleichRules::answer(Answer answer)
{
    if (m_state != AnswerState::Answering)
        return Outcome::Ignored;
    if (!(answer == Answer::Gleich ? gleichEnabled : nichtGleichEnabled))
        return Outcome::Ignored;
    startClockIfNeeded();
    TZeile& row = run().runResults[size_t(m_block)].Rows[size_t(m_row)];
    row.Attempts += 1;
    TaskResult& result = m_results[size_t(taskIndex())];

    if (!solvedRight(answer)) {
        result.error = true;
        m_state = AnswerState::ErrorFeedback;
        bool startedLast = false;
        if (options().feedback.errorSound) {
            const QStringList& errors = errorSounds();
            for (int i = 0; i < errors.size(); ++i)
                startedLast = TryPlaySound(m_player, errors[i], i == 0, false, i == errors.size() - 1);
        }
        // With or without error sounds: the pressed button springs up and both wait for the pointer,
        // so a quick second press cannot try the other answer at once.
        gleichDown = nichtGleichDown = false;
        gleichEnabled = nichtGleichEnabled = false;
        if (!startedLast) {
            Beep();
            m_state = AnswerState::Answering;
        }
        return Outcome::Wrong;
    }

    m_state = AnswerState::Solved;
    const QDateTime started = run().taskStartTime;
    const qint64 ms = started.isValid() ? std::max<qint64>(0, started.msecsTo(clock_::now())) : 0;
    run().taskStartTime = QDateTime();
    row.Solved = true;
    const QString t1 = SplitMarker(m_cards[0].element.text).text;
    const QString t2 = SplitMarker(m_cards[1].element.text).text;
    row.Answers = (answer == Answer::Gleich ? QStringLiteral("gleich:   ") : QStringLiteral("ungleich: ")) + t1 +
                  QStringLiteral(" - ") + t2;
    row.Duration = exercise::TaskDuration(ms);
    weiterEnabled = true;
    const int v = variant(m_position);
    int state = answer == Answer::Gleich ? (result.error ? 2 : 0) : (result.error ? 3 : 1);
    if ((v == 2 && answer == Answer::Gleich) || (v == 3 && answer == Answer::NichtGleich))
        state += 4;
    result.state = state;
    result.error = false;
    gleichDown = answer == Answer::Gleich;
    nichtGleichDown = answer == Answer::NichtGleich;
    gleichEnabled = gleichDown;
    nichtGleichEnabled = nichtGleichDown;

    int rows = 0;
    for (const TErgebnis& e : run().runResults)
        rows += int(e.Rows.size());
    if (options().feedback.successSound && PraiseDue(rows, options().feedback.successFrequency)) {
        const QStringList& praise = praiseSounds();
        for (int i = 0; i < praise.size(); ++i)
            PlaySound(m_player, praise[i], false, true, i == praise.size() - 1);
    }
    m_cards[0].heard = m_cards[1].heard = false;
    return Outcome::Right;
}

void GleichRules::pointerOverAnswerButtons()
{
    if (m_state == AnswerState::Answering)
        gleichEnabled = nichtGleichEnabled = true;
}

void GleichRules::arrowKey(bool left)
{
    if (m_state != AnswerState::Answering || !(gleichEnabled || nichtGleichEnabled))
        return;
    gleichEnabled = left;
    nichtGleichEnabled = !left;
}

GleichRules::EnterAction GleichRules::enterAction(bool weiterVisible) const
{
    if (m_state == AnswerState::Answering && gleichEnabled != nichtGleichEnabled)
        return gleichEnabled ? EnterAction::AnswerGleich : EnterAction::AnswerNichtGleich;
    if (m_state == AnswerState::Solved && weiterVisible && weiterEnabled)
        return EnterAction::Weiter;
    if (listenEnabled && m_state != AnswerState::Solved)
        return EnterAction::Listen;
    return EnterAction::None;
}

void GleichRules::playHeadingSounds()
{
    if (m_state == AnswerState::Idle || m_state == AnswerState::TaskReady)
        m_state = AnswerState::Answering;
    const QStringList names = g().loadedList.layout.headingSound.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    bool first = true;
    for (const QString& raw : names) {
        const QString file = HeadingSoundFile(raw);
        if (file.isEmpty())
            continue;
        PlaySound(m_player, file, first, false, true);
        first = false;
    }
}

bool GleichRules::advance()
{
    if (m_state == AnswerState::NoValidList || m_results.empty())
        return false;
    if (allSolved())
        return false;
    m_player.StopAll();
    run().taskStartTime = QDateTime();
    m_position = exercise::NextPosition(m_position, m_results);
    revealNext = true;
    startTask();
    return true;
}

void GleichRules::restartTask()
{
    if (!(m_state == AnswerState::Solved && !allSolved() && advance()))
        startTask();
}

void GleichRules::restart(bool newOrder, bool newVariants)
{
    const int n = taskCount();
    m_player.StopAll();
    run().taskStartTime = QDateTime();
    m_position = 0;
    m_results.assign(size_t(n), TaskResult{});
    if (newOrder)
        BuildTaskOrder(n, true);
    if (newOrder || newVariants)
        m_variants = DrawTaskVariants(n);
    revealNext = false;
    startTask();
}

void GleichRules::rebuildOrder()
{
    const int n = taskCount();
    m_player.StopAll();
    run().taskStartTime = QDateTime();
    m_position = 0;
    m_results.assign(size_t(n), TaskResult{});
    BuildTaskOrder(n, options().randomOrder);
    m_variants = DrawTaskVariants(n);
    revealNext = false;
    startTask();
}

} // namespace gleich
