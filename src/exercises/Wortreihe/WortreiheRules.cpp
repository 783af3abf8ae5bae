#include "exercises/Wortreihe/WortreiheRules.h"

#include "exercises/common/CardText.h"
#include "exercises/common/TaskSounds.h"

#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "media/skin/PraiseDue.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "results/Ergebnisse.h"

#include <algorithm>

namespace wortreihe {

namespace {

TOpt_Wortreihe& opts() { return g().playerOptions.wortreihe; }

// Draws `count` of `from` without repetition, uniformly, in drawing order.
std::vector<int> drawWithoutRepetition(std::vector<int> from, int count)
{
    std::vector<int> taken;
    while (int(taken.size()) < count && !from.empty()) {
        const int i = rnd::below(int(from.size()));
        taken.push_back(from[size_t(i)]);
        from.erase(from.begin() + i);
    }
    return taken;
}

int clampK(int k) { return std::clamp(k, 3, 6); }

} // namespace

bool IsDoppelgaenger(int programCode) { return programCode == 201 || programCode == 202; }
bool IsPictureProgram(int programCode) { return programCode == 201 || programCode == 203; }

WortreiheRules::WortreiheRules(TWAV& player, int programCode) : m_player(player), m_code(programCode) {}

int WortreiheRules::taskCount() const { return int(g().taskList().size()); }

const TEinzelbild& WortreiheRules::element(int number) const
{
    static const TEinzelbild none;
    if (m_current < 0 || m_current >= taskCount())
        return none;
    const TAufgabe& t = g().taskList()[size_t(m_current)];
    return number > 0 && number < int(t.elements.size()) ? t.elements[size_t(number)] : none;
}

QString WortreiheRules::cardText(int card) const
{
    if (card < 0 || card >= int(m_cards.size()))
        return QString();
    return StripArticle(exercise::SplitMarker(element(m_cards[size_t(card)].element).text).text);
}

bool WortreiheRules::usable(const TEinzelbild& e) const
{
    if (!pictures())
        return !e.text.trimmed().isEmpty();
    const QString name = fsys::fromStored(e.picture.trimmed());
    return !name.isEmpty() && fsys::fileExists(g().config.dirs.materialBilder + name);
}

bool WortreiheRules::startList(const QString& listFile, int startTask)
{
    m_player.StopAll();
    m_waiting = false;
    run().taskStartTime = QDateTime();
    m_block = StartResultBlock(listFile);
    m_row = -1;
    if (taskCount() <= 0) {
        m_k = 0;
        m_cards.clear();
        return false;
    }
    m_current = startTask >= 0 && startTask < taskCount() ? startTask : 0;
    setUp();
    startRow();
    prepareFeedback();
    return true;
}

bool WortreiheRules::setUp()
{
    m_player.StopAll();
    m_waiting = false;
    m_task = TaskState::New;
    m_sound = SoundState::Idle;
    m_wordIndex = -1;
    m_focus = -1;
    m_playingCard = -1;
    m_weiterShown = false;
    checkVisible = checkEnabled = false;
    m_selection.clear();
    m_heard.clear();
    m_cards.clear();
    m_doubled = 0;
    message.clear();
    const int wanted = clampK(opts().pictureCount);
    const TAufgabe* task = m_current >= 0 && m_current < taskCount() ? &g().taskList()[size_t(m_current)] : nullptr;
    const int elements = task ? int(task->elements.size()) - 1 : 0;
    // The usable run from element 1 upward gives this task's K.
    int k = 0;
    while (k < wanted && k < elements && usable(task->elements[size_t(k + 1)]))
        ++k;
    m_k = k;
    if (m_k <= 2) {
        m_k = 0;
        message = kTooFewData;
        return false;
    }
    std::vector<int> candidates;
    if (!opts().randomOrder) {
        for (int e = 1; e <= m_k; ++e)
            m_selection.push_back(e);
    } else {
        for (int e = 1; e <= elements; ++e)
            if (usable(task->elements[size_t(e)]))
                candidates.push_back(e);
        if (doppelgaenger()) {
            m_selection = drawWithoutRepetition(candidates, m_k);
        } else {
            candidates.erase(candidates.begin());
            m_selection = {1};
            for (int e : drawWithoutRepetition(candidates, m_k - 1))
                m_selection.push_back(e);
        }
    }
    m_k = int(m_selection.size());
    const std::vector<int> display = drawWithoutRepetition(m_selection, m_k);
    for (int e : display)
        m_cards.push_back(Card{e, 1, !doppelgaenger() && opts().visibleBeforeHearing == 1, false});
    if (!doppelgaenger()) {
        m_heard = display;
    } else {
        m_heard = pictures() ? drawWithoutRepetition(m_selection, m_k) : display;
        int c = 0, d = 0;
        do {
            c = rnd::below(m_k - 1);
            d = rnd::below(m_k + 1);
        } while (d < c + 2);
        m_doubled = m_heard[size_t(c)];
        m_heard.insert(m_heard.begin() + d, m_doubled);
    }
    if (m_k <= 1) {
        m_cards.clear();
        message = kDefectTask;
        return false;
    }
    return true;
}

TZeile* WortreiheRules::currentRow()
{
    if (m_block < 0 || m_block >= int(run().runResults.size()))
        return nullptr;
    auto& rows = run().runResults[size_t(m_block)].Rows;
    return m_row >= 0 && m_row < int(rows.size()) ? &rows[size_t(m_row)] : nullptr;
}

void WortreiheRules::startRow()
{
    if (m_block < 0)
        return;
    TZeile* row = currentRow();
    if (row && row->Attempts == 0) {
        run().taskStartTime = clock_::now();
    } else {
        row = &StartResultRow(m_block, m_current + 1);
        m_row = int(run().runResults[size_t(m_block)].Rows.size()) - 1;
    }
    row->TaskNumber = m_current + 1;
    row->Attempts = 0;
    row->Solved = false;
    row->Duration.clear();
    QStringList words;
    const std::vector<int>& order = doppelgaenger() ? m_heard : m_selection;
    if (doppelgaenger()) {
        for (int e : order)
            words << exercise::SplitMarker(element(e).text).text;
    } else {
        for (const Card& c : m_cards)
            words << exercise::SplitMarker(element(c.element).text).text;
    }
    row->Answers = words.isEmpty() ? QStringLiteral("keine gültige Aufgabe") : words.join(QStringLiteral(" - "));
}

void WortreiheRules::prepareFeedback()
{
    const TAufgabe* task = m_current >= 0 && m_current < taskCount() ? &g().taskList()[size_t(m_current)] : nullptr;
    PrepareFeedbackSounds(opts().feedback, task);
}

int WortreiheRules::cardOf(int element) const
{
    for (size_t i = 0; i < m_cards.size(); ++i)
        if (m_cards[i].element == element)
            return int(i);
    return -1;
}

int WortreiheRules::markedCard() const
{
    for (size_t i = 0; i < m_cards.size(); ++i)
        if (m_cards[i].face != 1)
            return int(i);
    return -1;
}

int WortreiheRules::solutionCard() const { return cardOf(doppelgaenger() ? m_doubled : (m_selection.empty() ? 0 : m_selection[0])); }

QString WortreiheRules::hoerenCaption() const
{
    if (m_sound == SoundState::Playing || m_sound == SoundState::Replaying || m_sound == SoundState::Gap)
        return QStringLiteral("Pause ");
    return m_task == TaskState::Solved ? QStringLiteral("Weiter ") : QStringLiteral("Hören ");
}

bool WortreiheRules::headingVisible() const
{
    int solved = 0;
    if (m_block >= 0 && m_block < int(run().runResults.size()))
        for (const TZeile& z : run().runResults[size_t(m_block)].Rows)
            solved += z.Solved ? 1 : 0;
    if (pictures())
        return solved == 0;
    const int option = opts().headingVisible;
    return option == 4 || solved < option;
}

std::vector<int> WortreiheRules::StripSymbols()
{
    std::vector<int> symbols;
    for (const TErgebnis& e : run().runResults)
        for (const TZeile& z : e.Rows)
            if (z.Attempts > 0)
                symbols.push_back(z.Solved && z.Attempts == 1 ? int(symbols.size() % 5) : kWrongSymbol);
    return symbols;
}

// ---- hearing ------------------------------------------------------------------------------------

void WortreiheRules::playWord(int position)
{
    if (position < 0 || position >= int(m_heard.size()))
        return;
    playElement(m_heard[size_t(position)], doppelgaenger() && position > 0);
}

void WortreiheRules::playElement(int number, bool leadingPause)
{
    if (m_task == TaskState::New)
        run().taskStartTime = clock_::now();
    const QStringList sounds = exercise::ElementSounds(element(number));
    const QString pause = CurrentPauseFile();
    QStringList chain;
    if (leadingPause && !pause.isEmpty()) {
        chain << pause;
        if (sounds.size() > 1)
            chain << pause;
    }
    for (int i = 0; i < sounds.size(); ++i) {
        if (i > 0 && !pause.isEmpty())
            chain << pause;
        chain << sounds[i];
    }
    // The player keeps the chain: one file after the other, each started as the one before ends.
    for (const QString& f : chain)
        PlaySound(m_player, f, false, false, true);
    m_waiting = !m_player.isEmpty();
}

void WortreiheRules::startSeries(SoundState state)
{
    m_wordIndex = 0;
    m_sound = state;
    if (!doppelgaenger()) {
        m_playingCard = cardOf(m_heard.empty() ? 0 : m_heard[0]);
        if (m_playingCard >= 0) {
            Card& c = m_cards[size_t(m_playingCard)];
            c.hearing = true;
            c.visible = m_task == TaskState::Solved || opts().visibleWhileHearing == 1 || opts().visibleWhileHearing == 2;
        }
    } else if (m_task != TaskState::Solved) {
        for (Card& c : m_cards)
            c.visible = false;
    }
    playWord(0);
    // Nothing playable: the words count as heard at once, so the task never gets stuck.
    if (!m_waiting)
        chainOver();
}

void WortreiheRules::listen()
{
    if (m_k <= 2)
        return;
    if (m_sound == SoundState::Playing || m_sound == SoundState::Replaying || m_sound == SoundState::Gap) {
        stopSeries();
        return;
    }
    if (m_task == TaskState::Solved)
        return;
    if (m_sound == SoundState::WordPlaying) {
        m_player.StopAll();
        m_waiting = false;
        if (m_playingCard >= 0)
            cardsAfterWord(m_playingCard);
    }
    startSeries(SoundState::Playing);
}

void WortreiheRules::stopSeries()
{
    if (!doppelgaenger() && m_playingCard >= 0)
        cardsAfterWord(m_playingCard);
    m_wordIndex = 0;
    m_sound = SoundState::Idle;
    m_player.StopAll();
    m_waiting = false;
}

void WortreiheRules::replay()
{
    if (!checkIsReplay() || m_sound != SoundState::Idle)
        return;
    startSeries(SoundState::Replaying);
}

void WortreiheRules::clickCard(int card)
{
    if (card < 0 || card >= int(m_cards.size()) || m_k <= 2 || m_sound != SoundState::Idle)
        return;
    if (doppelgaenger() && m_task != TaskState::Heard)
        return;
    m_player.StopAll();
    m_sound = SoundState::WordPlaying;
    m_playingCard = card;
    m_cards[size_t(card)].hearing = true;
    playElement(m_cards[size_t(card)].element, false);
    if (!m_waiting)
        chainOver();
}

void WortreiheRules::cardsAfterWord(int card)
{
    if (card < 0 || card >= int(m_cards.size()))
        return;
    Card& c = m_cards[size_t(card)];
    c.hearing = false;
    if (doppelgaenger())
        return;
    c.visible = m_task == TaskState::Solved || opts().visibleWhileHearing == 1;
}

void WortreiheRules::soundNotice(int channel, SoundStatus status)
{
    // A failure skips to the next file; a chain with nothing left is over either way.
    if (!m_player.HandleNotice(channel, status) || !m_waiting)
        return;
    m_waiting = false;
    chainOver();
}

void WortreiheRules::chainOver()
{
    // Words without a playable sound pass at once.
    do
        chainStep();
    while (!m_waiting && m_sound != SoundState::Idle);
}

void WortreiheRules::chainStep()
{
    if (!doppelgaenger() && m_playingCard >= 0 && m_sound != SoundState::Gap) {
        cardsAfterWord(m_playingCard);
        if (m_task == TaskState::Solved)
            m_wordIndex = -1;
    }
    switch (m_sound) {
    case SoundState::Playing:
    case SoundState::Replaying:
        seriesStep();
        break;
    case SoundState::Gap: {
        m_sound = SoundState::Playing;
        m_playingCard = cardOf(m_heard[size_t(m_wordIndex)]);
        if (m_playingCard >= 0) {
            Card& c = m_cards[size_t(m_playingCard)];
            c.hearing = true;
            c.visible = m_task == TaskState::Solved || opts().visibleWhileHearing == 1 ||
                        opts().visibleWhileHearing == 2;
        }
        playWord(m_wordIndex);
        break;
    }
    case SoundState::WordPlaying:
        m_playingCard = -1;
        m_wordIndex = -1;
        m_sound = SoundState::Idle;
        break;
    case SoundState::Idle:
        break;
    }
}

void WortreiheRules::seriesStep()
{
    ++m_wordIndex;
    if (m_wordIndex < int(m_heard.size())) {
        if (!doppelgaenger()) {
            m_sound = SoundState::Gap;
            m_playingCard = -1;
            const QString pause = CurrentPauseFile();
            if (!pause.isEmpty())
                PlaySound(m_player, pause, false, false, true);
            m_waiting = !m_player.isEmpty();
        } else {
            playWord(m_wordIndex);
        }
        return;
    }
    const bool replaying = m_sound == SoundState::Replaying;
    if (opts().visibleAfterHearing != 0 || (doppelgaenger() && !replaying) || m_task == TaskState::Solved)
        for (Card& c : m_cards)
            c.visible = true;
    m_wordIndex = -1;
    m_playingCard = -1;
    m_sound = SoundState::Idle;
    if (m_task == TaskState::New)
        m_task = TaskState::Heard;
}

// ---- marking and checking -----------------------------------------------------------------------

void WortreiheRules::clickMarker(int card)
{
    if (card < 0 || card >= int(m_cards.size()) || m_task == TaskState::Solved || m_k <= 2)
        return;
    const int face = m_cards[size_t(card)].face == 1 ? 2 : 1;
    for (Card& c : m_cards)
        c.face = 1;
    m_cards[size_t(card)].face = face;
    // Only a marked card can be checked: unmarking takes the check button away again.
    if (!opts().checkAtOnce)
        checkVisible = checkEnabled = face != 1;
}

bool WortreiheRules::arrowKey(int delta)
{
    if (m_task != TaskState::Heard && m_task != TaskState::Retry)
        return false;
    int next = m_focus < 0 ? 0 : m_focus + delta;
    if (next < 0 || next >= int(m_cards.size()))
        return false;
    m_focus = next;
    for (Card& c : m_cards)
        c.face = 1;
    m_cards[size_t(m_focus)].face = 3;
    if (!opts().checkAtOnce)
        checkVisible = checkEnabled = true;
    return true;
}

bool WortreiheRules::spaceKey()
{
    if (m_task != TaskState::Heard || m_focus < 0)
        return false;
    clickCard(m_focus);
    return true;
}

WortreiheRules::Outcome WortreiheRules::check()
{
    if (m_k <= 2 || m_task == TaskState::Solved)
        return Outcome::Ignored;
    const int marked = markedCard();
    if (marked < 0)
        return Outcome::Ignored;
    if (m_sound == SoundState::Playing)
        m_sound = SoundState::Idle;
    TZeile* row = currentRow();
    if (!row) {
        startRow();
        row = currentRow();
    }
    if (row)
        row->Attempts += 1;
    m_task = TaskState::Retry;
    if (marked == solutionCard()) {
        m_task = TaskState::Solved;
        const QDateTime stop = clock_::now();
        run().taskStopTime = stop;
        if (row)
            row->Solved = true;
        checkVisible = checkIsReplay();
        checkEnabled = checkVisible;
        if (!m_player.isEmpty()) {
            m_player.StopAll();
            m_waiting = false;
        }
        m_sound = SoundState::Idle;
        m_wordIndex = -1;
        m_playingCard = -1;
        for (Card& c : m_cards) {
            c.visible = true;
            c.hearing = false;
        }
        int rows = 0;
        for (const TErgebnis& e : run().runResults)
            rows += int(e.Rows.size());
        const QStringList& praise = praiseSounds();
        bool any = false;
        for (const QString& p : praise)
            any = any || !p.isEmpty();
        if (any && opts().feedback.successSound && PraiseDue(rows, opts().feedback.successFrequency)) {
            StopWaveFiles();
            for (int i = 0; i < praise.size(); ++i)
                if (!praise[i].isEmpty())
                    PlaySound(m_player, praise[i], i == 0, false, true);
        }
        if (row)
            row->Duration = exercise::TaskDurationHundredths(run().taskStartTime, stop);
        run().taskStartTime = QDateTime();
        return Outcome::Right;
    }
    if (!opts().checkAtOnce)
        checkEnabled = false;
    m_cards[size_t(marked)].face = 1;
    const QStringList& errors = errorSounds();
    bool startedLast = false;
    int played = 0;
    for (int i = 0; i < errors.size(); ++i) {
        if (errors[i].isEmpty())
            continue;
        startedLast = TryPlaySound(m_player, errors[i], played == 0, true, i == errors.size() - 1);
        ++played;
    }
    if (!m_player.isEmpty())
        m_waiting = true;
    if (!startedLast) {
        if (m_sound == SoundState::Idle)
            startSeries(SoundState::Playing);
    }
    return Outcome::Wrong;
}

// ---- going on -----------------------------------------------------------------------------------

WortreiheRules::Next WortreiheRules::weiter()
{
    if (m_task != TaskState::Solved)
        return Next::Same;
    const TZeile* row = currentRow();
    if (row && row->Attempts == 1) {
        if (m_current + 1 < taskCount()) {
            ++m_current;
        } else {
            const int rows = m_block >= 0 ? int(run().runResults[size_t(m_block)].Rows.size()) : 0;
            if (!doppelgaenger() || rows > 10)
                return Next::AskEnd;
            m_current = 0;
        }
        setUp();
        startRow();
        prepareFeedback();
        return Next::Advanced;
    }
    setUp();
    startRow();
    prepareFeedback();
    return Next::Same;
}

void WortreiheRules::endAnswered(bool endRun)
{
    if (endRun)
        return;
    m_current = 0;
    setUp();
    startRow();
    prepareFeedback();
}

bool WortreiheRules::goTo(int task)
{
    if (task < 0 || task >= taskCount())
        return false;
    m_current = task;
    setUp();
    startRow();
    prepareFeedback();
    return true;
}

void WortreiheRules::setWordCount(int k)
{
    opts().pictureCount = clampK(k);
    if (setUp())
        startRow();
    prepareFeedback();
}

} // namespace wortreihe
