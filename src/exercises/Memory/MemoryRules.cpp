#include "exercises/Memory/MemoryRules.h"

#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/common/TaskSounds.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "results/Ergebnisse.h"

#include <algorithm>

namespace memory {

namespace {

bool allowedCount(int c) { return c == 6 || c == 12 || c == 16 || c == 20 || c == 24; }

TEinzelbild elementOf(const TAufgabe& task, int k)
{
    return k < int(task.elements.size()) ? task.elements[size_t(k)] : TEinzelbild{};
}

// The existing files of a ";"-separated sound field in `folder`; missing ones are skipped.
QStringList existingSounds(const QString& field, const QString& folder)
{
    QStringList files;
    for (const QString& raw : field.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = fsys::fromStored(raw.trimmed());
        if (name.isEmpty())
            continue;
        const QString path = folder + name;
        if (fsys::fileExists(path))
            files << fsys::resolve(path);
    }
    return files;
}

} // namespace

Grid GridOf(int cardCount)
{
    switch (cardCount) {
    case 6: return {3, 2, 20};
    case 12: return {4, 3, 20};
    case 16: return {4, 4, 10};
    case 20: return {5, 4, 5};
    case 24: return {6, 4, 0};
    default: return {};
    }
}

int UsableCardCount(int requested, int taskCount)
{
    if (taskCount < 3)
        return 0;
    const int twice = 2 * taskCount;
    if (twice >= requested)
        return requested;
    if (twice >= 24)
        return 24;
    if (twice >= 20)
        return 20;
    if (twice >= 16)
        return 16;
    if (twice >= 12)
        return 12;
    return 6;
}

int ComputerThreshold(int computer)
{
    const int t = computer + 1;
    return t > 3 ? 100 : std::max(1, t);
}

MemoryRules::MemoryRules(TWAV& player, int programCode) : m_player(player), m_program(programCode) {}

void MemoryRules::setOptions(const TOpt_Memory& options) { m_options = options; }

void MemoryRules::setupPlayers()
{
    m_players = m_options.playerCount == 2 ? 2 : 1;
    m_threshold = ComputerThreshold(m_options.computer);
    m_turn = 0;
    m_scores[0] = m_scores[1] = 0;
}

QString MemoryRules::sectionSound(const char* key) const
{
    const QString section = m_program == 407 ? QStringLiteral("ProgLautMemory") : QStringLiteral("ProgMemory");
    const QString file = g().config.programSection(section).value(QLatin1String(key));
    return !file.isEmpty() && fsys::fileExists(file) ? fsys::resolve(file) : QString();
}

bool MemoryRules::prepareList(const QString& listFile)
{
    const int n = int(g().taskList().size());
    m_block = StartResultBlock(listFile);
    TErgebnis& e = run().runResults[size_t(m_block)];
    e.ItemCount = m_options.pictureCount;
    e.WithPicture = m_options.textPicture > 1;
    e.WithText = m_options.textPicture % 2 == 1;
    e.CardVisibility = m_options.visible;
    m_row = -1;
    m_pool.clear();
    m_cardCount = UsableCardCount(m_options.pictureCount, n);
    m_pairs.clear();
    m_atPlace.clear();
    m_seen.clear();
    m_first = m_second = -1;
    m_openMiss = false;
    if (m_cardCount == 0)
        return false;
    choosePairs();
    return true;
}

void MemoryRules::startResultBlock()
{
    const QString listFile = m_block >= 0 && m_block < int(run().runResults.size())
                                 ? run().runResults[size_t(m_block)].ListFile : QString();
    m_block = StartResultBlock(listFile);
    TErgebnis& e = run().runResults[size_t(m_block)];
    e.ItemCount = m_options.pictureCount;
    e.WithPicture = m_options.textPicture > 1;
    e.WithText = m_options.textPicture % 2 == 1;
    e.CardVisibility = m_options.visible;
    m_row = -1;
}

bool MemoryRules::adjustCardCount()
{
    m_cardCount = UsableCardCount(m_options.pictureCount, int(g().taskList().size()));
    return m_cardCount > 0;
}

void MemoryRules::choosePairs()
{
    const int n = int(g().taskList().size());
    const int p = m_cardCount / 2;
    m_pairs.assign(size_t(std::max(0, p)), Pair{});
    if (n <= 0 || p <= 0)
        return;
    for (int i = 0; i < p; ++i) {
        int task = 0;
        if (m_options.pictureChoice == 1) {
            if (m_nextTask < 0 || m_nextTask >= n)
                m_nextTask = 0;
            task = m_nextTask;
            m_nextTask = (m_nextTask + 1) % n;
        } else {
            if (int(m_pool.size()) < p - i && i == 0)
                m_pool.clear();
            if (m_pool.empty()) {
                // Every task once, each drawn uniformly and drawn again while already present.
                std::vector<bool> taken(size_t(n), false);
                while (int(m_pool.size()) < n) {
                    const int k = rnd::below(n);
                    if (taken[size_t(k)])
                        continue;
                    taken[size_t(k)] = true;
                    m_pool.push_back(k);
                }
            }
            task = m_pool.front();
            m_pool.erase(m_pool.begin());
        }
        const TAufgabe& t = g().taskList()[size_t(task)];
        Pair& pair = m_pairs[size_t(i)];
        pair.task = task;
        pair.cards[0].element = elementOf(t, 1);
        pair.cards[1].element = elementOf(t, 2);
        pair.praise = t.successSounds;
    }
}

bool MemoryRules::deal(bool pairsChosen)
{
    if (GridOf(m_cardCount).columns == 0 || g().taskList().empty())
        return false;
    m_turn = 0;
    m_scores[0] = m_scores[1] = 0;
    m_joinMode = m_options.onSuccess;
    if (!pairsChosen || int(m_pairs.size()) != m_cardCount / 2)
        choosePairs();
    // Places as a uniform random permutation: card 1 then card 2 of every pair.
    std::vector<int> free;
    for (int i = 0; i < m_cardCount; ++i)
        free.push_back(i);
    m_atPlace.assign(size_t(m_cardCount), -1);
    for (int p = 0; p < int(m_pairs.size()); ++p)
        for (int k = 0; k < 2; ++k) {
            const int at = rnd::below(int(free.size()));
            const int place = free[size_t(at)];
            free.erase(free.begin() + at);
            Card& c = m_pairs[size_t(p)].cards[k];
            c.position = place;
            c.turned = c.found = false;
            m_atPlace[size_t(place)] = p * 2 + k;
        }
    for (Pair& p : m_pairs)
        p.shownFound = false;
    m_seen.assign(size_t(m_cardCount), 0);
    startRow();
    m_first = m_second = -1;
    m_openMiss = false;
    m_playAllOffered = true;
    m_allPlace = -1;
    m_focus = -1;
    m_state = GameState::ChildTurn;
    return true;
}

void MemoryRules::startRow()
{
    if (m_block < 0)
        startResultBlock();
    TZeile& r = StartResultRow(m_block);
    r.Attempts = 0;
    r.Solved = false;
    m_row = int(run().runResults[size_t(m_block)].Rows.size()) - 1;
}

TZeile* MemoryRules::row()
{
    auto& results = run().runResults;
    if (m_block < 0 || m_block >= int(results.size()) || m_row < 0 ||
        m_row >= int(results[size_t(m_block)].Rows.size()))
        return nullptr;
    return &results[size_t(m_block)].Rows[size_t(m_row)];
}

void MemoryRules::setInstruction(bool shown)
{
    if (shown)
        m_state = GameState::Instruction;
    else if (m_state == GameState::Instruction)
        m_state = GameState::ChildTurn;
}

void MemoryRules::leaveInstruction()
{
    if (m_state == GameState::Instruction)
        m_state = GameState::ChildTurn;
}

int MemoryRules::cardAt(int place) const
{
    return place >= 0 && place < int(m_atPlace.size()) ? m_atPlace[size_t(place)] : -1;
}

bool MemoryRules::allFound() const
{
    if (m_pairs.empty())
        return false;
    for (const Pair& p : m_pairs)
        if (!p.cards[0].found)
            return false;
    return true;
}

void MemoryRules::changed()
{
    if (onChanged)
        onChanged();
}

void MemoryRules::pause(int ms)
{
    changed();
    clock_::sleepMs(ms);
}

// ---- turning cards ----------------------------------------------------------------------------

void MemoryRules::playFiles(const QStringList& files, bool interruptFirst)
{
    for (int i = 0; i < files.size(); ++i)
        PlaySound(m_player, files[i], interruptFirst && i == 0, true, i == files.size() - 1);
}

void MemoryRules::playCardSounds(int cardIndex)
{
    playFiles(existingSounds(card(cardIndex).element.sounds, g().config.dirs.materialSound), true);
}

void MemoryRules::turnCard(int cardIndex, bool human)
{
    Card& c = m_pairs[size_t(cardIndex / 2)].cards[cardIndex % 2];
    ++m_seen[size_t(cardIndex)];
    c.turned = true;
    if (m_first < 0)
        m_first = cardIndex;
    else
        m_second = cardIndex;
    if (human && m_state == GameState::ChildTurn)
        m_state = GameState::ChildCard;
    const QStringList files = existingSounds(c.element.sounds, g().config.dirs.materialSound);
    // A card interrupts what sounds; one without a playable sound sends no notice: its turn goes on
    // at once.
    if (files.isEmpty())
        m_player.StopAll();
    playFiles(files, true);
    changed();
    if (m_player.isEmpty())
        chainOver();
}

void MemoryRules::turnBackOpen()
{
    for (int idx : {m_first, m_second})
        if (idx >= 0) {
            Card& c = m_pairs[size_t(idx / 2)].cards[idx % 2];
            if (!c.found)
                c.turned = false;
        }
    m_first = m_second = -1;
    m_openMiss = false;
}

bool MemoryRules::clickPlace(int place)
{
    const int idx = cardAt(place);
    if (idx < 0 || m_aborted)
        return false;
    if (m_state != GameState::ChildTurn && m_state != GameState::GameOver)
        return false;
    const Pair& pair = m_pairs[size_t(idx / 2)];
    const Card& c = pair.cards[idx % 2];
    const bool faceUp = c.turned || c.found;
    if (m_state == GameState::GameOver && !faceUp)
        return false;
    if (c.found && m_joinMode == 1 && pair.shownFound) {
        // A joined pair: card 1's place is empty; card 2 plays both words.
        if (idx % 2 == 0)
            return false;
        QStringList both = existingSounds(pair.cards[0].element.sounds, g().config.dirs.materialSound);
        both << existingSounds(pair.cards[1].element.sounds, g().config.dirs.materialSound);
        for (int i = 0; i < both.size(); ++i)
            PlaySound(m_player, both[i], i == 0, true, false);
        return true;
    }
    if (m_state == GameState::ChildTurn) {
        m_playAllOffered = false;
        if (m_openMiss)
            turnBackOpen();
    }
    const Card& now = pair.cards[idx % 2];
    if (!now.turned && !now.found) {
        turnCard(idx, true);
        return true;
    }
    playCardSounds(idx);
    changed();
    return true;
}

void MemoryRules::soundNotice(int channel, SoundStatus status)
{
    if (status == SoundStatus::Failure) {
        if (m_player.SkipToNext())
            return;
    } else if (m_player.SoundEnded(channel) > 0 || !m_player.isEmpty()) {
        return;
    }
    chainOver();
}

void MemoryRules::chainOver()
{
    if (m_aborted)
        return;
    switch (m_state) {
    case GameState::ChildCard:
        if (m_second < 0) {
            m_state = GameState::ChildTurn;
            changed();
        } else {
            twoOpen();
        }
        break;
    case GameState::ComputerFirst:
        computerSecond();
        break;
    case GameState::ComputerSecond:
        if (m_first >= 0 && m_second >= 0 && m_first / 2 == m_second / 2) {
            foundPair(true);
        } else {
            m_openMiss = true;
            m_turn = 0;
            m_state = GameState::ChildTurn;
            changed();
        }
        break;
    case GameState::ComputerAgain:
        computerTurn();
        break;
    case GameState::PlayingAll:
        nextOfAll();
        break;
    default:
        break;
    }
}

void MemoryRules::twoOpen()
{
    if (TZeile* r = row())
        r->Attempts += 1;
    if (m_first / 2 == m_second / 2) {
        foundPair(false);
        return;
    }
    pause(500);
    if (m_aborted)
        return;
    m_openMiss = true;
    if (m_players == 1) {
        m_state = GameState::ChildTurn;
        changed();
    } else {
        passTurn();
    }
}

void MemoryRules::foundPair(bool byComputer)
{
    const int p = m_first / 2;
    m_scores[m_turn] += 2;
    Pair& pair = m_pairs[size_t(p)];
    pair.cards[0].found = pair.cards[1].found = true;
    m_seen[size_t(p * 2)] = m_seen[size_t(p * 2 + 1)] = 0;
    const bool over = allFound();
    if (over) {
        m_state = GameState::GameOver;
        run().taskStopTime = clock_::now();
        if (TZeile* r = row()) {
            r->Duration = exercise::TaskDurationHundredths(run().taskStartTime, run().taskStopTime);
            r->Solved = true;
        }
        run().taskStartTime = QDateTime();
    } else if (byComputer) {
        m_state = GameState::ComputerAgain;
    }
    // Clicks wait while the pair is shown.
    pause(500);
    if (m_aborted)
        return;
    pair.shownFound = true;
    m_first = m_second = -1;
    m_openMiss = false;
    if (!over && !byComputer)
        m_state = GameState::ChildTurn;
    const QStringList praise = existingSounds(pair.praise.join(QLatin1Char(';')), g().config.dirs.internsound);
    if (!praise.isEmpty()) {
        for (const QString& f : praise)
            PlaySound(m_player, f, false, false, true);
    } else {
        const QString tone = sectionSound("TonPaarGefunden");
        if (!tone.isEmpty())
            PlaySound(m_player, tone, false, false, true);
    }
    changed();
    if (over) {
        if (onGameOver)
            onGameOver();
        const QString all = sectionSound("TonAlleGefunden");
        if (!all.isEmpty() && !m_aborted)
            PlaySound(m_player, all, true, false, true);
        changed();
        return;
    }
    // Without a praise sound no notice comes: the computer plays on at once.
    if (byComputer && m_player.isEmpty())
        computerTurn();
}

void MemoryRules::passTurn()
{
    m_turn = 1 - m_turn;
    changed();
    if (m_turn == 1 && computerPlays()) {
        computerTurn();
    } else {
        m_state = GameState::ChildTurn;
        changed();
    }
}

// ---- the computer ------------------------------------------------------------------------------

int MemoryRules::computerFirstChoice()
{
    const auto faceDown = [this](int idx) {
        const Card& c = card(idx);
        return idx >= 0 && !c.turned && !c.found;
    };
    for (int p = 0; p < int(m_pairs.size()); ++p)
        if (!m_pairs[size_t(p)].cards[0].found && m_seen[size_t(p * 2)] >= m_threshold &&
            m_seen[size_t(p * 2 + 1)] >= m_threshold)
            return p * 2;
    // Places drawn at random without repetition, first for an unseen card, then for any.
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<int> places;
        for (int i = 0; i < m_cardCount; ++i)
            places.push_back(i);
        while (!places.empty()) {
            const int at = rnd::below(int(places.size()));
            const int idx = cardAt(places[size_t(at)]);
            places.erase(places.begin() + at);
            if (idx >= 0 && faceDown(idx) && (pass == 1 || m_seen[size_t(idx)] == 0))
                return idx;
        }
    }
    return -1;
}

int MemoryRules::computerSecondChoice(int firstCard)
{
    const int other = firstCard ^ 1;
    if (other >= 0 && other < int(m_seen.size())) {
        const Card& c = card(other);
        if (!c.turned && !c.found && m_seen[size_t(other)] >= m_threshold)
            return other;
    }
    bool any = false;
    for (int i = 0; i < m_cardCount && !any; ++i) {
        const int idx = cardAt(i);
        any = idx >= 0 && !card(idx).turned && !card(idx).found;
    }
    if (!any)
        return -1;
    for (;;) {
        const int idx = cardAt(rnd::below(m_cardCount));
        if (idx >= 0 && !card(idx).turned && !card(idx).found)
            return idx;
    }
}

void MemoryRules::computerTurn()
{
    if (m_aborted || allFound())
        return;
    // Clicks wait during the computer's pause.
    m_state = GameState::ComputerFirst;
    pause(1000);
    if (m_aborted)
        return;
    const int first = computerFirstChoice();
    if (first < 0)
        return;
    if (m_openMiss)
        turnBackOpen();
    m_first = m_second = -1;
    m_state = GameState::ComputerFirst;
    turnCard(first, false);
}

void MemoryRules::computerSecond()
{
    const int second = computerSecondChoice(m_first);
    if (second < 0)
        return;
    m_state = GameState::ComputerSecond;
    turnCard(second, false);
}

// ---- "Alle Karten anhören" ---------------------------------------------------------------------

void MemoryRules::playAll()
{
    if (m_state == GameState::PlayingAll) {
        // The current card's sound may end; no further card follows.
        m_allPlace = -1;
        m_playAllOffered = false;
        m_state = GameState::ChildTurn;
        changed();
        return;
    }
    if (m_state != GameState::ChildTurn || !m_playAllOffered || m_first >= 0)
        return;
    m_state = GameState::PlayingAll;
    m_allPlace = -1;
    nextOfAll();
}

void MemoryRules::nextOfAll()
{
    // Places without a playable sound are passed at once (no notice would come).
    for (;;) {
        ++m_allPlace;
        if (m_allPlace >= m_cardCount) {
            m_allPlace = -1;
            m_playAllOffered = false;
            m_state = GameState::ChildTurn;
            changed();
            return;
        }
        const int idx = cardAt(m_allPlace);
        if (idx < 0)
            continue;
        const QStringList files = existingSounds(card(idx).element.sounds, g().config.dirs.materialSound);
        playFiles(files, true);
        const QString half = g().config.dirs.internsound + QStringLiteral("Pausen/0500.wav");
        if (fsys::fileExists(half))
            PlaySound(m_player, fsys::resolve(half), files.isEmpty(), true, false);
        changed();
        if (!m_player.isEmpty())
            return;
    }
}

void MemoryRules::playHeadingSounds()
{
    bool first = true;
    for (const QString& raw : g().loadedList.layout.headingSound.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString file = exercise::HeadingSoundFile(raw);
        if (file.isEmpty())
            continue;
        PlaySound(m_player, file, first, false, true);
        first = false;
    }
}

// ---- keyboard focus ----------------------------------------------------------------------------

bool MemoryRules::moveFocus(int dx, int dy)
{
    const Grid grid = GridOf(m_cardCount);
    if (grid.columns == 0 || m_state != GameState::ChildTurn)
        return false;
    const auto faceDown = [this](int place) {
        const int idx = cardAt(place);
        return idx >= 0 && !card(idx).turned && !card(idx).found;
    };
    const int step = dx != 0 ? dx : dy * grid.columns;
    if (m_focus < 0 && faceDown(0)) {
        m_focus = 0;
        return true;
    }
    for (int p = std::max(0, m_focus) + step; p >= 0 && p < m_cardCount; p += step)
        if (faceDown(p)) {
            m_focus = p;
            return true;
        }
    return false;
}

} // namespace memory
