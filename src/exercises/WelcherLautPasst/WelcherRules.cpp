#include "exercises/WelcherLautPasst/WelcherRules.h"

#include "chooser/TaskOrder.h"
#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "core/TextUtil.h"
#include "exercises/common/TaskSounds.h"
#include "media/skin/PraiseDue.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "results/Ergebnisse.h"

namespace welcher {

namespace {

const TOpt_WelcherLautPasst& options() { return g().playerOptions.welcherLautPasst; }

// The side list holds "0" or "1" per position.
QStringList sideTexts(const std::vector<int>& sides)
{
    QStringList texts;
    for (int side : sides)
        texts << QString::number(side);
    return texts;
}

const ProgramSection& section() { return g().config.programSection(QStringLiteral("ProgWelcherLautPasst")); }

// The program's own pool of random praise: a taken file leaves it; refilled when empty.
QStringList& pool()
{
    static QStringList p;
    return p;
}

QString existingFile(const QString& file)
{
    return !file.isEmpty() && fsys::fileExists(file) ? file : QString();
}

} // namespace

void resetPraisePool() { pool().clear(); }

WelcherRules::WelcherRules(TWAV& player) : m_player(player) {}

bool WelcherRules::prepareList(const QString& listFile, SoundPosition position, int start)
{
    const int n = int(g().taskList().size());
    run().taskStartTime = QDateTime();
    m_row = -1;
    m_soundPosition = position;
    clearTask();
    if (n <= 0) {
        m_state = AnswerState::NoValidList;
        m_results.clear();
        m_sides.clear();
        return false;
    }
    if (int(g().taskOrder.size()) != n)
        BuildTaskOrder(n, g().randomOrder303);
    m_results.assign(size_t(n), TaskResult{});
    m_sides = sideTexts(m_drawer.draw(n));
    m_block = StartResultBlock(listFile);
    m_position = start >= 0 && start < n ? start : 0;
    m_state = AnswerState::Idle;
    setUpTask();
    return true;
}

void WelcherRules::clearTask()
{
    m_taskShown = false;
    m_wordHeard = false;
    m_pictureShown = false;
    m_keyboard = -1;
    m_weiterEnabled = false;
    m_word = TEinzelbild{};
    m_choices = Choices{};
}

int WelcherRules::taskIndex() const { return exercise::TaskAt(m_position); }

void WelcherRules::setSide(int position, bool right)
{
    if (position >= 0 && position < m_sides.size())
        m_sides[position] = right ? QStringLiteral("1") : QStringLiteral("0");
}

int WelcherRules::rightCard() const
{
    return m_position >= 0 && m_position < m_sides.size() && m_sides[m_position] == QLatin1String("1") ? kRight
                                                                                                       : kLeft;
}

int WelcherRules::rowCount() const
{
    int rows = 0;
    for (const TErgebnis& e : run().runResults)
        rows += int(e.Rows.size());
    return rows;
}

QString WelcherRules::cardText(int card) const
{
    if (!m_taskShown)
        return QString();
    if (card == 2)
        return m_choices.word;
    return card == rightCard() ? m_choices.right : m_choices.wrong;
}

QString WelcherRules::letterSound(int card) const
{
    const QString text = cardText(card);
    return text.isEmpty() ? QString() : LetterSoundFile(text);
}

Mark WelcherRules::mark() const
{
    return MarkOf(m_choices.word, m_choices.right, m_soundPosition == SoundPosition::Auslaut);
}

bool WelcherRules::setUpTask()
{
    if (m_state == AnswerState::NoValidList || g().taskList().empty())
        return false;
    const int p = m_position;
    const TAufgabe& task = g().taskList()[size_t(taskIndex())];
    const TEinzelbild element = task.elements.size() > 1 ? task.elements[1] : TEinzelbild{};
    const Choices choices = ChoicesOf(element.text, m_soundPosition);
    if (!choices.valid) {
        clearTask();
        m_incorrectTask = p + 1;
        return false;
    }
    m_incorrectTask = 0;
    clearTask();
    m_word = element;
    m_choices = choices;
    m_taskShown = true;
    m_state = AnswerState::TaskReady;
    return true;
}

bool WelcherRules::jumpTo(int position)
{
    if (m_state == AnswerState::NoValidList)
        return false;
    m_player.StopAll();
    run().taskStartTime = QDateTime();
    m_position = position >= 0 && position < taskCount() ? position : 0;
    m_state = AnswerState::Idle;
    return setUpTask();
}

void WelcherRules::startClockIfNeeded()
{
    if (run().taskStartTime.isValid() && m_row >= 0)
        return;
    TZeile& r = StartResultRow(m_block, m_position + 1);
    r.Attempts = 0;
    r.Solved = false;
    m_row = int(run().runResults[size_t(m_block)].Rows.size()) - 1;
}

TZeile* WelcherRules::row()
{
    if (m_block < 0 || m_block >= int(run().runResults.size()))
        return nullptr;
    auto& rows = run().runResults[size_t(m_block)].Rows;
    return m_row >= 0 && m_row < int(rows.size()) ? &rows[size_t(m_row)] : nullptr;
}

void WelcherRules::playWord(bool interruptFirst, bool withPauseAfterLast)
{
    const QStringList sounds = exercise::ElementSounds(m_word);
    for (int i = 0; i < sounds.size(); ++i)
        PlaySound(m_player, sounds[i], interruptFirst && i == 0, true, !withPauseAfterLast && i == sounds.size() - 1);
}

void WelcherRules::listen()
{
    if (!m_taskShown)
        return;
    if (m_state == AnswerState::TaskReady && !run().taskStartTime.isValid())
        startClockIfNeeded();
    if (m_state != AnswerState::TaskReady && m_state != AnswerState::Answering && m_state != AnswerState::Solved)
        return;
    if (m_state != AnswerState::Solved)
        m_wordHeard = true;
    playWord(true, false);
    if (m_state == AnswerState::TaskReady)
        m_state = AnswerState::Answering;
}

void WelcherRules::soundNotice(int channel, SoundStatus status)
{
    if (status == SoundStatus::Failure) {
        if (m_player.SkipToNext())
            return;
    } else if (m_player.SoundEnded(channel) > 0) {
        return;
    }
    if (!m_wordHeard)
        return;
    startClockIfNeeded();
    if (m_state == AnswerState::ErrorFeedback) {
        playWord(true, false);
        m_state = AnswerState::Answering;
    } else if (m_state != AnswerState::Solved && m_state != AnswerState::NoValidList) {
        m_state = AnswerState::Answering;
    }
}

void WelcherRules::playLetter(int card)
{
    const QString file = existingFile(letterSound(card));
    if (!file.isEmpty())
        m_player.Play(fsys::resolve(file), false, false, false);
}

WelcherRules::Outcome WelcherRules::clickChoice(int card)
{
    if (!m_taskShown || (card != kLeft && card != kRight))
        return Outcome::Ignored;
    if (m_state == AnswerState::Solved) {
        playLetter(card);
        return Outcome::Sounded;
    }
    if (m_state != AnswerState::Answering && m_state != AnswerState::ErrorFeedback)
        return Outcome::Ignored;
    return answer(card);
}

void WelcherRules::clickEar(int card)
{
    if (m_taskShown && m_state == AnswerState::Answering && (card == kLeft || card == kRight))
        playLetter(card);
}

void WelcherRules::arrowKey(bool left)
{
    if (m_state == AnswerState::Answering)
        m_keyboard = left ? kLeft : kRight;
}

void WelcherRules::space()
{
    if (m_state != AnswerState::Answering && m_state != AnswerState::ErrorFeedback)
        return;
    if (m_keyboard > 0)
        playLetter(m_keyboard);
    else
        listen();
}

WelcherRules::KeyAction WelcherRules::enter(bool weiterOffered, Outcome* outcome)
{
    if (m_state == AnswerState::TaskReady ||
        ((m_state == AnswerState::Answering || m_state == AnswerState::ErrorFeedback) && m_keyboard < 0)) {
        if (!m_taskShown)
            return KeyAction::None;
        showPicture();
        listen();
        return KeyAction::Listened;
    }
    if (m_state == AnswerState::Answering || m_state == AnswerState::ErrorFeedback) {
        const Outcome o = answer(m_keyboard);
        if (outcome)
            *outcome = o;
        return KeyAction::Answered;
    }
    return weiterOffered ? KeyAction::Weiter : KeyAction::None;
}

WelcherRules::Outcome WelcherRules::answer(int card)
{
    startClockIfNeeded();
    if (TZeile* r = row())
        r->Attempts += 1;
    TaskResult& result = m_results[size_t(taskIndex())];
    if (card != rightCard()) {
        result.error = true;
        m_state = AnswerState::ErrorFeedback;
        const QString error = existingFile(section().value(QStringLiteral("Fehlersound")));
        if (!error.isEmpty())
            m_player.Play(fsys::resolve(error), false, false, false);
        return Outcome::Wrong;
    }
    result.state = result.error ? 1 : 0;
    result.error = false;
    m_state = AnswerState::Solved;
    m_pictureShown = true;
    const QDateTime started = run().taskStartTime;
    const qint64 ms = started.isValid() ? std::max<qint64>(0, started.msecsTo(clock_::now())) : 0;
    if (TZeile* r = row()) {
        r->Solved = true;
        r->Answers = m_choices.word + QStringLiteral(" - ") + m_choices.right;
        r->Duration = exercise::TaskDuration(ms);
    }
    QStringList chain = m_minimize ? exercise::ElementSounds(m_word) : explanation();
    chain << praise();
    playChain(chain);
    run().taskStartTime = QDateTime();
    m_row = -1;
    m_wordHeard = false;
    m_weiterEnabled = true;
    return Outcome::Right;
}

QStringList WelcherRules::explanation() const
{
    const QStringList word = exercise::ElementSounds(m_word);
    const QString letter = existingFile(LetterSoundFile(m_choices.right));
    const ProgramSection& s = section();
    QStringList chain;
    switch (m_soundPosition) {
    case SoundPosition::Anlaut:
        chain << word << s.value(QStringLiteral("SoundAnlaut")) << letter;
        break;
    case SoundPosition::Inlaut:
        chain << letter << s.value(QStringLiteral("SoundInlaut")) << word;
        break;
    default:
        chain << word << s.value(QStringLiteral("SoundAuslaut")) << letter;
        break;
    }
    chain.removeAll(QString());
    return chain;
}

QStringList WelcherRules::praise()
{
    const TOptFeedback& f = options().feedback;
    if (!f.successSound || !PraiseDue(rowCount(), f.successFrequency))
        return {};
    const Directories& d = g().config.dirs;
    QStringList entries;
    switch (f.successSource) {
    case 0:
        for (const QString& n : f.successSoundText)
            if (!n.trimmed().isEmpty())
                entries << d.lobSound + fsys::fromStored(n.trimmed());
        break;
    case 1: {
        const TAufgabe& task = g().taskList()[size_t(taskIndex())];
        for (const QString& n : task.successSounds)
            if (!n.trimmed().isEmpty())
                entries << d.internsound + fsys::fromStored(n.trimmed());
        break;
    }
    case 2:
        if (pool().isEmpty())
            ListFiles(d.lobSound, QStringLiteral("*.wav"), true, pool());
        if (!pool().isEmpty()) {
            entries << pool().takeAt(rnd::below(int(pool().size())));
            if (pool().isEmpty())
                ListFiles(d.lobSound, QStringLiteral("*.wav"), true, pool());
        }
        break;
    default:
        break;
    }
    return entries;
}

void WelcherRules::playChain(const QStringList& entries)
{
    for (int i = 0; i < entries.size(); ++i)
        PlaySound(m_player, entries[i], i == 0, true, i == entries.size() - 1);
}

void WelcherRules::replayExplanation()
{
    if (m_state != AnswerState::Solved || !m_taskShown)
        return;
    playChain(m_minimize ? exercise::ElementSounds(m_word) : explanation());
}

void WelcherRules::playHeadingSounds()
{
    if (m_state == AnswerState::Idle || m_state == AnswerState::TaskReady)
        m_state = AnswerState::Answering;
    QStringList files;
    for (const QString& raw : g().loadedList.layout.headingSound.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString file = exercise::HeadingSoundFile(raw);
        if (!file.isEmpty())
            files << file;
    }
    for (int i = 0; i < files.size(); ++i)
        PlaySound(m_player, files[i], i == 0, false, i == files.size() - 1);
}

bool WelcherRules::advance()
{
    if (m_state == AnswerState::NoValidList || m_results.empty())
        return false;
    const int n = taskCount();
    int p = m_position + 1;
    if (p >= n) {
        p = -1;
        for (int q = 0; q < n; ++q)
            if (m_results[size_t(exercise::TaskAt(q))].state < 0) {
                p = q;
                break;
            }
        if (p < 0) {
            m_position = n - 1;
            return false;
        }
    }
    m_player.StopAll();
    run().taskStartTime = QDateTime();
    m_position = p;
    m_state = AnswerState::Idle;
    setUpTask();
    return true;
}

void WelcherRules::restart(bool newSides)
{
    const int n = taskCount();
    m_player.StopAll();
    run().taskStartTime = QDateTime();
    if (newSides)
        m_sides = sideTexts(m_drawer.draw(n));
    m_position = 0;
    m_results.assign(size_t(n), TaskResult{});
    m_state = AnswerState::Idle;
    setUpTask();
}

void WelcherRules::rebuildOrder(bool random)
{
    const int n = taskCount();
    m_player.StopAll();
    run().taskStartTime = QDateTime();
    m_position = 0;
    m_results.assign(size_t(n), TaskResult{});
    BuildTaskOrder(n, random);
    m_state = AnswerState::Idle;
    setUpTask();
}

} // namespace welcher
