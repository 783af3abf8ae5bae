#include "exercises/PaareSuchen/PaareRules.h"

#include "core/Clock.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/common/TaskSounds.h"
#include "media/skin/PraiseDue.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "results/Ergebnisse.h"

#include <algorithm>

namespace paare {

int FittedCount(int requested, int taskCount)
{
    if (taskCount >= requested)
        return requested;
    if (taskCount >= 10)
        return 10;
    if (taskCount >= 8)
        return 8;
    if (taskCount >= 6)
        return 6;
    return taskCount;
}

int ColumnsOf(int n)
{
    switch (n) {
    case 6: return 3;
    case 8: return 4;
    case 10: return 5;
    case 12: return 6;
    default: return 0;
    }
}

PaareRules::PaareRules(TWAV& player) : m_player(player) {}

TOpt_PaarSuche& PaareRules::options() { return g().playerOptions.paarSuche; }

int PaareRules::taskCount() const { return int(g().taskList().size()); }

void PaareRules::startResultBlock(const QString& listFile, int itemCount)
{
    const TOpt_PaarSuche& o = options();
    m_block = StartResultBlock(listFile);
    TErgebnis& e = run().runResults[size_t(m_block)];
    e.ItemCount = itemCount;
    e.WithPicture = o.textPicture > 1;
    e.WithText = o.textPicture % 2 == 1;
    e.CardVisibility = o.visible;
    m_row = -1;
}

void PaareRules::openList(const QString& listFile)
{
    startResultBlock(listFile, options().pictureCount);
    fitCount();
}

void PaareRules::listChanged(const QString& listFile)
{
    fitCount();
    m_focus = -1;
    m_frameShown = false;
    startResultBlock(listFile, m_n);
    m_pool.clear();
    run().taskStartTime = QDateTime();
}

void PaareRules::fitCount() { m_n = FittedCount(options().pictureCount, taskCount()); }

TZeile* PaareRules::row()
{
    auto& results = run().runResults;
    if (m_block < 0 || m_block >= int(results.size()) || m_row < 0 ||
        m_row >= int(results[size_t(m_block)].Rows.size()))
        return nullptr;
    return &results[size_t(m_block)].Rows[size_t(m_row)];
}

int PaareRules::pairAtPlace(int place) const
{
    if (place < 0 || place >= m_n)
        return -1;
    for (int p = 0; p < int(m_pairs.size()); ++p)
        if (m_pairs[size_t(p)].cards[0].position == place)
            return p;
    return -1;
}

int PaareRules::foundCount() const
{
    int n = 0;
    for (int s = 0; s < 4; ++s)
        if (m_slots[s] >= 0 && m_slots[s] < int(m_pairs.size()) && m_pairs[size_t(m_slots[s])].cards[1].found)
            ++n;
    return n;
}

// ---- a game ---------------------------------------------------------------------------------------

void PaareRules::choosePairs()
{
    const int t = taskCount();
    m_pairs.assign(size_t(std::max(0, std::min(m_n, t))), Pair{});
    std::fill(std::begin(m_slots), std::end(m_slots), -1);
    m_current = m_chosen = m_heard = -1;
    if (m_pairs.empty())
        return;
    const bool fileOrder = options().pictureChoice == 1;
    if (fileOrder && m_fileIndex >= t)
        m_fileIndex = 0;
    if (!fileOrder && int(m_pool.size()) != int(m_pairs.size())) {
        // Every task once, each drawn uniformly and drawn again while already in the list.
        m_pool.clear();
        std::vector<bool> taken(size_t(t), false);
        while (int(m_pool.size()) < t) {
            const int k = rnd::below(t);
            if (taken[size_t(k)])
                continue;
            taken[size_t(k)] = true;
            m_pool.push_back(k);
        }
    }
    for (Pair& pair : m_pairs) {
        int task = 0;
        if (fileOrder) {
            task = m_fileIndex;
            m_fileIndex = (m_fileIndex + 1) % t;
        } else {
            task = m_pool.front();
            m_pool.erase(m_pool.begin());
        }
        const TAufgabe& a = g().taskList()[size_t(task)];
        pair.task = task;
        for (int k = 0; k < 2; ++k)
            pair.cards[k].element = k + 1 < int(a.elements.size()) ? a.elements[size_t(k + 1)] : TEinzelbild{};
    }
}

int PaareRules::beginDeal()
{
    const int remembered = m_state;
    m_dealDue = false;
    m_state = kDealing;
    return remembered;
}

void PaareRules::deal()
{
    const int n = int(m_pairs.size());
    std::vector<int> free;
    for (int i = 0; i < n; ++i)
        free.push_back(i);
    for (Pair& p : m_pairs) {
        const int at = rnd::below(int(free.size()));
        p.cards[0].position = free[size_t(at)];
        free.erase(free.begin() + at);
        p.cards[1].position = -1;
    }
    for (int s = 0; s < 4; ++s) {
        int p = -1;
        do
            p = rnd::below(n);
        while (std::find(std::begin(m_slots), std::begin(m_slots) + s, p) != std::begin(m_slots) + s);
        m_slots[s] = p;
        m_pairs[size_t(p)].cards[1].position = n + s;
    }
    prepareFeedback();
    redrawLooks();
}

void PaareRules::startRow()
{
    TZeile& r = StartResultRow(m_block);
    r.Attempts = 0;
    r.Solved = false;
    m_row = int(run().runResults[size_t(m_block)].Rows.size()) - 1;
}

void PaareRules::startSearch()
{
    m_state = 1;
    m_current = m_chosen = -1;
    makeCurrent(1);
}

void PaareRules::prepareFeedback()
{
    const TOptFeedback& f = options().feedback;
    const int errorMode = f.errorSource == 0 || f.errorSource == 1 ? f.errorSource : -1;
    PrepareFeedbackSounds(f.successSource == 0 ? 0 : 2, errorMode, f.successSoundText, f.errorSoundText, nullptr);
    if (errorMode < 0)
        errorSounds().clear();
}

int PaareRules::lookOfChoiceAtRest(const Card& c) const
{
    if (c.found && options().cardsVisibleOnSuccess)
        return kFound;
    return options().visible == 2 ? kFace : kBlank;
}

void PaareRules::redrawLooks()
{
    for (int p = 0; p < int(m_pairs.size()); ++p) {
        Card& choice = m_pairs[size_t(p)].cards[0];
        Card& target = m_pairs[size_t(p)].cards[1];
        target.look = !target.turned ? kBlank : target.found ? kFound : kHidden;
        if (p == m_chosen && !choice.found)
            choice.look = options().visible != 0 ? kPicked : kHidden;
        else
            choice.look = lookOfChoiceAtRest(choice);
    }
}

// ---- playing cards ----------------------------------------------------------------------------------

void PaareRules::playFiles(const TEinzelbild& element, bool interruptFirst)
{
    const QStringList files = exercise::ElementSounds(element);
    for (int i = 0; i < files.size(); ++i)
        PlaySound(m_player, files[i], interruptFirst && i == 0, true, i == files.size() - 1);
}

void PaareRules::playBothWords(int pair)
{
    if (pair < 0 || pair >= int(m_pairs.size()))
        return;
    const QStringList own = exercise::ElementSounds(m_pairs[size_t(pair)].cards[1].element);
    for (int i = 0; i < own.size(); ++i)
        PlaySound(m_player, own[i], i == 0, i == own.size() - 1, false);
    playFiles(m_pairs[size_t(pair)].cards[0].element, own.isEmpty());
}

void PaareRules::playCard(int pair, int k)
{
    Card& c = m_pairs[size_t(pair)].cards[k];
    if (k == 0 && c.found && options().cardsVisibleOnSuccess) {
        playFiles(c.element, true);
        return;
    }
    if (k == 0) {
        m_enabled[int(Button::Pruefen)] = true;
        m_front = Button::Pruefen;
        m_focus = c.position;
        m_frameShown = false;
    }
    c.turned = true;
    if (k == 0)
        c.look = options().visible != 0 ? (c.found ? kFound : kPicked) : kHidden;
    else if (!c.found)
        c.look = kHidden;
    playFiles(c.element, true);
    if (m_current < 0)
        m_current = pair;
    else if (k == 0)
        m_chosen = pair;
}

void PaareRules::makeCurrent(int slot)
{
    m_heard = slotPair(slot);
    if (m_heard >= 0)
        playCard(m_heard, 1);
}

void PaareRules::putBack()
{
    if (m_chosen < 0)
        return;
    Card& c = m_pairs[size_t(m_chosen)].cards[0];
    m_chosen = -1;
    if (!c.found)
        c.turned = false;
    c.look = lookOfChoiceAtRest(c);
}

void PaareRules::pickChoice(int place)
{
    const int pair = pairAtPlace(place);
    if (pair < 0 || m_state == kDealing)
        return;
    if (m_current < 0) {
        // After the last pair only "Neues Spiel" is there: name the button the child can see.
        if (onMessage)
            onMessage(m_state == kAllFound ? QStringLiteral("Bitte zuerst auf NEUES SPIEL klicken!")
                                           : QStringLiteral("Bitte zuerst auf WEITER klicken!"));
        return;
    }
    const Card& c = m_pairs[size_t(pair)].cards[0];
    if (c.found && options().cardsVisibleOnSuccess) {
        // Only its word: the chosen card stays chosen.
        playFiles(c.element, true);
        return;
    }
    if (m_chosen < 0) {
        m_frameShown = false;
        m_focus = -1;
        playCard(pair, 0);
    } else if (m_chosen == pair) {
        playFiles(c.element, true);
    } else {
        putBack();
        playCard(pair, 0);
    }
}

void PaareRules::rightClickChoice(int place)
{
    const int pair = pairAtPlace(place);
    if (pair >= 0 && m_state != kDealing)
        playFiles(m_pairs[size_t(pair)].cards[0].element, true);
}

void PaareRules::clickTarget(int slot)
{
    const int pair = slotPair(slot);
    if (pair < 0 || m_state == kDealing)
        return;
    const Card& t = m_pairs[size_t(pair)].cards[1];
    if (t.found)
        playBothWords(pair);
    else if (pair == m_current)
        playFiles(t.element, true);
}

void PaareRules::pruefen()
{
    if (m_current < 0 || m_chosen < 0 || !m_enabled[int(Button::Pruefen)])
        return;
    if (TZeile* r = row())
        ++r->Attempts;
    if (m_chosen == m_current) {
        m_frameShown = false;
        found();
        return;
    }
    if (options().feedback.errorSound) {
        const QStringList& errors = errorSounds();
        for (int i = 0; i < errors.size(); ++i)
            PlaySound(m_player, errors[i], false, false, i == errors.size() - 1);
    }
    m_enabled[int(Button::Pruefen)] = false;
}

void PaareRules::found()
{
    Pair& pair = m_pairs[size_t(m_current)];
    pair.cards[0].found = pair.cards[1].found = true;
    pair.cards[0].turned = true;
    const int count = foundCount();
    m_enabled[int(Button::Pruefen)] = false;
    if (count >= 4) {
        m_state = kAllFound;
        m_enabled[int(Button::Weiter)] = false;
        m_newGameShown = true;
        m_enabled[int(Button::NeuesSpiel)] = true;
        m_front = Button::NeuesSpiel;
        run().taskStopTime = clock_::now();
        if (TZeile* r = row()) {
            r->Duration = exercise::TaskDurationHundredths(run().taskStartTime, run().taskStopTime);
            r->Solved = true;
        }
    } else {
        m_enabled[int(Button::Weiter)] = true;
        m_front = Button::Weiter;
    }
    pair.cards[0].look = lookOfChoiceAtRest(pair.cards[0]);
    pair.cards[1].look = kFound;
    m_chosen = m_current = m_focus = -1;
    if (count >= 4 && options().feedback.successSound) {
        int rows = 0;
        for (const TErgebnis& e : run().runResults)
            rows += int(e.Rows.size());
        if (PraiseDue(rows, options().feedback.successFrequency)) {
            const QStringList& praise = praiseSounds();
            for (int i = 0; i < praise.size(); ++i)
                PlaySound(m_player, praise[i], false, false, i == praise.size() - 1);
        }
    }
}

void PaareRules::weiter()
{
    if (!m_enabled[int(Button::Weiter)] || m_state < 1 || m_state > 3)
        return;
    m_focus = -1;
    m_frameShown = false;
    m_enabled[int(Button::Weiter)] = false;
    ++m_state;
    m_front = Button::Hoeren;
    m_enabled[int(Button::Hoeren)] = true;
    makeCurrent(m_state);
}

void PaareRules::hoeren()
{
    // Only a target still searched for: a found one keeps its found look.
    if (m_heard < 0 || m_heard >= int(m_pairs.size()) || m_pairs[size_t(m_heard)].cards[1].found ||
        m_state < 1 || m_state > 4)
        return;
    playCard(m_heard, 1);
}

void PaareRules::neuesSpiel()
{
    m_focus = -1;
    m_frameShown = false;
    m_newGameShown = false;
    m_enabled[int(Button::Weiter)] = false;
    m_enabled[int(Button::Pruefen)] = false;
    m_dealDue = true;
    choosePairs();
    m_front = Button::Hoeren;
}

void PaareRules::enterKey()
{
    if (m_state == kAllFound) {
        neuesSpiel();
        return;
    }
    if (m_state < 1 || m_state > 4)
        return;
    if (m_focus >= 0) {
        pickChoice(m_focus);
        return;
    }
    const int pair = slotPair(m_state);
    if (pair < 0)
        return;
    if (m_pairs[size_t(pair)].cards[1].found)
        weiter();
    else
        playFiles(m_pairs[size_t(pair)].cards[1].element, true);
}

void PaareRules::spaceKey()
{
    if (m_state == kAllFound) {
        playBothWords(slotPair(4));
        return;
    }
    if (m_state < 1 || m_state > 4)
        return;
    const int pair = slotPair(m_state);
    if (pair < 0)
        return;
    if (m_pairs[size_t(pair)].cards[1].found)
        playBothWords(pair);
    else
        playFiles(m_pairs[size_t(pair)].cards[1].element, true);
}

bool PaareRules::arrowsAllowed() const
{
    if (m_state == kDealing)
        return false;
    if (m_state >= 1 && m_state <= 4) {
        const int pair = slotPair(m_state);
        return pair < 0 || !m_pairs[size_t(pair)].cards[1].found;
    }
    return true;
}

bool PaareRules::moveFocus(int dx, int dy)
{
    const int columns = ColumnsOf(m_n);
    if (columns == 0 || m_pairs.empty())
        return false;
    const int step = dx != 0 ? 1 : columns;
    const int dir = (dx < 0 || dy < 0) ? -1 : 1;
    auto canTake = [&](int place) {
        const int p = pairAtPlace(place);
        if (p < 0)
            return false;
        return !options().cardsVisibleOnSuccess || !m_pairs[size_t(p)].cards[0].turned;
    };
    int start = 0;
    if (m_focus >= 0) {
        const int c = m_focus;
        const bool leaves = (dx < 0 && c == 0) || (dx > 0 && c == m_n - 1) || (dy < 0 && c < columns) ||
                            (dy > 0 && c >= columns);
        if (leaves)
            return false;
        start = c + dir * step;
    }
    for (int p = start; p >= 0 && p < m_n; p += dir * step)
        if (canTake(p)) {
            m_focus = p;
            m_frameShown = true;
            return true;
        }
    return false;
}

} // namespace paare
