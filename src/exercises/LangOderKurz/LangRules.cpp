#include "exercises/LangOderKurz/LangRules.h"

#include "chooser/TaskOrder.h"
#include "core/Clock.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/common/CardText.h"
#include "exercises/common/TaskSounds.h"
#include "media/skin/PraiseDue.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "results/Ergebnisse.h"

#include <algorithm>

namespace lang {

namespace {

TEinzelbild elementOf(const TAufgabe& task, int k)
{
    return k < int(task.elements.size()) ? task.elements[size_t(k)] : TEinzelbild{};
}

} // namespace

LangRules::LangRules(TWAV& player) : m_player(player) {}

const TOpt_LangOderKurz& LangRules::options() const { return g().playerOptions.langOderKurz; }

bool LangRules::prepareList(const QString& listFile, int start)
{
    const int n = int(g().taskList().size());
    run().taskStartTime = QDateTime();
    m_row = -1;
    m_player.StopAll();
    if (n <= 0) {
        m_state = AnswerState::NoValidList;
        m_results.clear();
        m_sides.clear();
        return false;
    }
    if (int(g().taskOrder.size()) != n)
        BuildTaskOrder(n, options().randomOrder);
    m_results.assign(size_t(n), TaskResult{});
    m_sides = m_sideDrawer.draw(n);
    m_position = start > 0 && start < n ? start : 0;
    m_cards[0] = m_cards[1] = Card{};
    m_block = StartResultBlock(listFile);
    revealNext = false;
    m_state = AnswerState::Idle;
    startTask();
    return true;
}

int LangRules::taskIndex() const { return exercise::TaskAt(m_position); }

int LangRules::side(int position) const
{
    return position >= 0 && position < int(m_sides.size()) ? m_sides[size_t(position)] : 0;
}

void LangRules::setSide(int position, int side)
{
    if (position >= 0 && position < int(m_sides.size()))
        m_sides[size_t(position)] = side ? 1 : 0;
}

bool LangRules::allSolved() const { return exercise::AllSolved(m_results); }

void LangRules::startTask()
{
    if (m_state == AnswerState::NoValidList || g().taskList().empty())
        return;
    const TAufgabe& task = g().taskList()[size_t(taskIndex())];
    PrepareFeedbackSounds(options().feedback, &task);
    const bool touched[2] = {m_cards[0].touched, m_cards[1].touched};
    m_cards[0] = Card{elementOf(task, 1), true, false, touched[0], -1};
    m_cards[1] = Card{elementOf(task, 2), false, false, touched[1], -1};
    m_multiSound = exercise::ElementSounds(m_cards[0].element).size() > 1 ||
                   exercise::ElementSounds(m_cards[1].element).size() > 1;
    if (side(m_position) == 1) {
        std::swap(m_cards[0].element, m_cards[1].element);
        m_cards[0].shortCard = false;
        m_cards[1].shortCard = true;
    }
    m_used[0] = m_used[1] = false;
    m_held = -1;
    m_chain.clear();
    m_cardDue = false;
    m_solvedFace[0] = m_solvedFace[1] = false;
    front = Front::Listen;
    listenEnabled = true;
    pruefenEnabled = false;
    weiterEnabled = false;
    m_state = AnswerState::TaskReady;
}

void LangRules::jumpTo(int position)
{
    m_player.StopAll();
    m_position = position >= 0 && position < taskCount() ? position : 0;
    run().taskStartTime = QDateTime();
    m_state = AnswerState::Idle;
    startTask();
}

void LangRules::startClockIfNeeded()
{
    if (run().taskStartTime.isValid() && m_row >= 0)
        return;
    TZeile& row = StartResultRow(m_block, m_position + 1);
    row.Attempts = 0;
    row.Solved = false;
    m_row = int(run().runResults[size_t(m_block)].Rows.size()) - 1;
}

void LangRules::playCard()
{
    if (m_chain.empty())
        return;
    Card& c = m_cards[m_chain.front() == 2 ? 1 : 0];
    const QStringList sounds = exercise::ElementSounds(c.element);
    for (int i = 0; i < sounds.size(); ++i)
        PlaySound(m_player, sounds[i], i == 0, true, i == sounds.size() - 1);
    c.heard = true;
    // A card without a playable sound sends no notice: it counts as heard at once.
    if (m_player.isEmpty())
        chainOver();
}

void LangRules::listen()
{
    if (m_state == AnswerState::NoValidList || m_state == AnswerState::Idle || m_state == AnswerState::Dragging)
        return;
    if (!listenEnabled || front != Front::Listen || !m_player.isEmpty())
        return;
    m_chain = {1, 2};
    if (m_state == AnswerState::TaskReady)
        m_state = AnswerState::Hearing;
    playCard();
}

void LangRules::pressCard(int card)
{
    if (card == 1 || card == 2)
        m_cards[card - 1].touched = true;
}

void LangRules::releaseOnCard(int card)
{
    if (m_state == AnswerState::HeadingSound) {
        m_state = m_remembered;
        return;
    }
    if ((card != 1 && card != 2) || !m_cards[card - 1].touched)
        return;
    switch (m_state) {
    case AnswerState::NoValidList:
    case AnswerState::Idle:
    case AnswerState::Dragging:
        return;
    case AnswerState::HeadingSound:
        m_state = m_remembered;
        return;
    case AnswerState::TaskReady:
    case AnswerState::Answering:
        m_state = AnswerState::Hearing;
        break;
    case AnswerState::Solved:
        m_state = AnswerState::SolvedHearing;
        break;
    default:
        break;
    }
    m_chain = {card};
    playCard();
}

bool LangRules::pressSource(int symbol)
{
    if (m_state != AnswerState::Answering || sourceUsed(symbol))
        return false;
    m_used[symbol == kShort ? 1 : 0] = true;
    m_held = symbol == kShort ? kShort : kLong;
    m_state = AnswerState::Dragging;
    return true;
}

bool LangRules::releaseOnSource(int symbol)
{
    if (m_state != AnswerState::Answering || !sourceUsed(symbol))
        return false;
    for (Card& c : m_cards)
        if (c.chosen == symbol) {
            c.chosen = -1;
            m_used[symbol == kShort ? 1 : 0] = false;
            afterPlacing();
            return true;
        }
    return false;
}

bool LangRules::drop(int card)
{
    if (m_state != AnswerState::Dragging)
        return false;
    const int symbol = m_held;
    m_held = -1;
    m_state = AnswerState::Answering;
    if (symbol < 0)
        return false;
    bool placed = false;
    if (card == 1 || card == 2) {
        Card& c = m_cards[card - 1];
        if (c.chosen >= 0 && c.chosen != symbol)
            m_used[c.chosen == kShort ? 1 : 0] = false;
        const bool belongs = (symbol == kShort) == c.shortCard;
        if (!options().atOnce || belongs) {
            c.chosen = symbol;
            Card& other = m_cards[card == 1 ? 1 : 0];
            if (other.chosen == symbol)
                other.chosen = -1;
            placed = true;
        }
    }
    if (!placed) {
        // Back to its source, unless it still lies on a card from before.
        const bool lying = m_cards[0].chosen == symbol || m_cards[1].chosen == symbol;
        m_used[symbol == kShort ? 1 : 0] = lying;
    }
    if (options().atOnce) {
        if (rightArrangement()) {
            startClockIfNeeded();
            run().runResults[size_t(m_block)].Rows[size_t(m_row)].Attempts += 1;
            solve();
            return true;
        }
        return false;
    }
    afterPlacing();
    return false;
}

void LangRules::afterPlacing()
{
    if (options().atOnce)
        return;
    if (m_used[0] && m_used[1] && m_cards[0].chosen >= 0 && m_cards[1].chosen >= 0) {
        listenEnabled = false;
        weiterEnabled = false;
        front = Front::Pruefen;
        pruefenEnabled = true;
    }
}

void LangRules::clearSymbols()
{
    if (m_state != AnswerState::Answering)
        return;
    returnSymbols();
}

void LangRules::returnSymbols()
{
    m_cards[0].chosen = m_cards[1].chosen = -1;
    m_used[0] = m_used[1] = false;
}

void LangRules::arrow(bool left)
{
    if (m_state != AnswerState::Answering)
        return;
    m_cards[0].chosen = left ? kShort : kLong;
    m_cards[1].chosen = left ? kLong : kShort;
    m_used[0] = m_used[1] = true;
    afterPlacing();
}

bool LangRules::rightArrangement() const
{
    for (const Card& c : m_cards)
        if (c.chosen != (c.shortCard ? kShort : kLong))
            return false;
    return true;
}

LangRules::Outcome LangRules::check()
{
    if (m_state != AnswerState::Answering || m_cards[0].chosen < 0 || m_cards[1].chosen < 0)
        return Outcome::Ignored;
    startClockIfNeeded();
    TZeile& row = run().runResults[size_t(m_block)].Rows[size_t(m_row)];
    row.Attempts += 1;
    const Card& shortOne = m_cards[0].shortCard ? m_cards[0] : m_cards[1];
    if (shortOne.chosen == kShort) {
        solve();
        return Outcome::Right;
    }
    StopWaveFiles();
    m_chain.clear();
    const QStringList& errors = errorSounds();
    QStringList files;
    for (const QString& e : errors)
        if (!e.trimmed().isEmpty())
            files << e;
    for (int i = 0; i < files.size(); ++i)
        PlaySound(m_player, files[i], i == 0, false, i == files.size() - 1);
    m_results[size_t(taskIndex())].error = true;
    returnSymbols();
    weiterEnabled = false;
    pruefenEnabled = false;
    listenEnabled = true;
    front = Front::Listen;
    return Outcome::Wrong;
}

void LangRules::solve()
{
    TaskResult& result = m_results[size_t(taskIndex())];
    m_state = AnswerState::Solved;
    result.state = result.error ? 2 : 0;
    result.error = false;
    pruefenEnabled = false;
    listenEnabled = false;
    weiterEnabled = true;
    front = Front::Weiter;
    const int after = options().afterSolution;
    if (after == 1 || after == 3)
        m_solvedFace[0] = m_solvedFace[1] = true;
    TZeile& row = run().runResults[size_t(m_block)].Rows[size_t(m_row)];
    row.Solved = true;
    row.Answers = exercise::SplitMarker(m_cards[0].element.text).text + QStringLiteral(" - ") +
                  exercise::SplitMarker(m_cards[1].element.text).text;
    const QDateTime started = run().taskStartTime;
    const qint64 ms = started.isValid() ? std::max<qint64>(0, started.msecsTo(clock_::now())) : 0;
    row.Duration = exercise::TaskDuration(ms);
    run().taskStartTime = QDateTime();
    if (after == 2 || after == 3) {
        m_player.StopAll();
        m_chain = {1, 2};
        playCard();
    } else {
        praise();
    }
}

void LangRules::praise()
{
    if (praiseSounds().isEmpty() || !options().feedback.successSound)
        return;
    StopWaveFiles();
    int rows = 0;
    for (const TErgebnis& e : run().runResults)
        rows += int(e.Rows.size());
    if (!PraiseDue(rows, options().feedback.successFrequency))
        return;
    const QStringList& sounds = praiseSounds();
    bool started = false;
    for (int i = 0; i < sounds.size(); ++i)
        if (!sounds[i].trimmed().isEmpty())
            started = TryPlaySound(m_player, sounds[i], i == 0, false, i == sounds.size() - 1) || started;
    if (started)
        m_state = AnswerState::Praising;
}

void LangRules::soundNotice(int channel, SoundStatus status)
{
    if (status == SoundStatus::Failure) {
        if (m_player.SkipToNext())
            return;
    } else if (m_player.SoundEnded(channel) > 0) {
        return;
    }
    chainOver();
}

void LangRules::chainOver()
{
    const bool bothHeard = m_cards[0].heard && m_cards[1].heard;
    if (m_state == AnswerState::TaskReady || m_state == AnswerState::Hearing)
        m_state = bothHeard ? AnswerState::Answering : AnswerState::Hearing;
    switch (m_state) {
    case AnswerState::Hearing:
    case AnswerState::Answering:
        if (m_chain.size() > 1) {
            m_remembered = m_state;
            m_state = AnswerState::PauseBetweenCards;
            const QString pause = CurrentPauseFile();
            PlaySound(m_player, pause, true, false, !m_multiSound);
            if (m_multiSound)
                PlaySound(m_player, pause, false, false, true);
            if (m_player.isEmpty())
                chainOver();
            return;
        }
        m_chain.clear();
        break;
    case AnswerState::PauseBetweenCards:
        m_state = m_remembered;
        if (!m_chain.empty())
            m_chain.erase(m_chain.begin());
        playCard();
        return;
    case AnswerState::Solved:
        if (!m_chain.empty()) {
            const int c = m_chain.front();
            m_solvedFace[c - 1] = true;
            m_chain.erase(m_chain.begin());
            if (!m_chain.empty()) {
                m_cardDue = true;
                return;
            }
            praise();
        }
        break;
    case AnswerState::SolvedHearing:
        m_chain.clear();
        m_state = AnswerState::Solved;
        break;
    case AnswerState::Praising:
        m_state = AnswerState::Solved;
        break;
    case AnswerState::HeadingSound:
        m_state = m_remembered;
        break;
    default:
        break;
    }
    if (m_cards[0].heard && m_cards[1].heard && !run().taskStartTime.isValid() &&
        m_state != AnswerState::Solved && m_state != AnswerState::Praising && m_state != AnswerState::SolvedHearing)
        startClockIfNeeded();
}

void LangRules::playDueCard()
{
    if (!m_cardDue || m_state != AnswerState::Solved)
        return;
    m_cardDue = false;
    playCard();
}

void LangRules::playHeadingSounds()
{
    QStringList seen;
    bool startedNow = false;
    const QStringList names = g().loadedList.layout.headingSound.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QStringList files;
    for (const QString& raw : names) {
        const QString file = exercise::HeadingSoundFile(raw.trimmed());
        if (!file.isEmpty() && !files.contains(file))
            files << file;
    }
    for (int i = 0; i < files.size(); ++i)
        startedNow = TryPlaySound(m_player, files[i], i == 0, false, i == files.size() - 1) || startedNow;
    if (startedNow && m_state != AnswerState::HeadingSound) {
        m_remembered = m_state;
        m_state = AnswerState::HeadingSound;
    }
}

bool LangRules::advance()
{
    if (m_state == AnswerState::NoValidList || m_results.empty() || allSolved())
        return false;
    m_player.StopAll();
    run().taskStartTime = QDateTime();
    m_position = exercise::NextPosition(m_position, m_results);
    revealNext = options().pictureView != 0 || options().afterSolution == 1 || options().afterSolution == 3;
    m_state = AnswerState::Idle;
    m_cards[0].heard = m_cards[1].heard = false;
    startTask();
    return true;
}

void LangRules::restart(bool newSides)
{
    const int n = taskCount();
    m_player.StopAll();
    run().taskStartTime = QDateTime();
    m_position = 0;
    m_results.assign(size_t(n), TaskResult{});
    if (newSides)
        m_sides = m_sideDrawer.draw(n);
    revealNext = false;
    m_state = AnswerState::Idle;
    startTask();
}

void LangRules::rebuildOrder()
{
    const int n = taskCount();
    m_player.StopAll();
    run().taskStartTime = QDateTime();
    m_position = 0;
    m_results.assign(size_t(n), TaskResult{});
    BuildTaskOrder(n, options().randomOrder);
    m_state = AnswerState::Idle;
    startTask();
}

LangRules::EnterAction LangRules::enterAction() const
{
    switch (m_state) {
    case AnswerState::TaskReady:
        return EnterAction::Listen;
    case AnswerState::Answering:
        if (m_cards[0].chosen >= 0 && m_cards[1].chosen >= 0)
            return EnterAction::Pruefen;
        if (front == Front::Listen && listenEnabled)
            return EnterAction::Listen;
        return front == Front::Pruefen ? EnterAction::Pruefen : EnterAction::None;
    case AnswerState::Solved:
        return front == Front::Weiter && weiterEnabled ? EnterAction::Weiter : EnterAction::None;
    default:
        return EnterAction::None;
    }
}

} // namespace lang
