#include "exercises/Merkfaehigkeit/MerkRules.h"

#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "core/TextUtil.h"
#include "exercises/common/CardText.h"
#include "exercises/common/TaskSounds.h"
#include "media/skin/PraiseDue.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "results/Ergebnisse.h"

#include <qnamespace.h>
#include <algorithm>

namespace merk {

namespace {

const QString kNoValidData = QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!");
const QString kBreak = QStringLiteral("\n\r");

bool occursElsewhere(const std::vector<int>& s, size_t blockStart, size_t m, size_t pos, int v)
{
    for (size_t q = blockStart; q < blockStart + m; ++q)
        if (q != pos && s[q] == v)
            return true;
    return false;
}

int freeValue(const std::vector<int>& s, size_t blockStart, size_t m, size_t pos, int v, int n)
{
    for (int tries = 0; tries <= n; ++tries) {
        if (v > n)
            v = 1;
        if (!occursElsewhere(s, blockStart, m, pos, v))
            return v;
        ++v;
    }
    return v > n ? 1 : v;
}

QString plural(int m)
{
    return m == 1 ? QStringLiteral("1 Bild") : QString::number(m) + QStringLiteral(" Bilder");
}

} // namespace

int CardCountFor(int wished, int pool)
{
    if (pool <= 0)
        return 0;
    int n = std::clamp(wished, 1, 12);
    if (n <= pool)
        return n;
    for (int c : {9, 6, 4, 2, 1})
        if (c <= pool)
            return c;
    return 1;
}

std::vector<int> MakeSeries(int n, int m)
{
    if (n <= 0 || m <= 0)
        return {};
    m = std::min(m, n);
    const int r = n % m == 0 ? n : n + m - n % m;
    std::vector<int> s(size_t(r * m), 0);
    // M rows of R places: each row holds 1..N shuffled in its first N places.
    for (int k = 0; k < m; ++k) {
        int* row = s.data() + size_t(k) * size_t(r);
        for (int j = 0; j < n; ++j)
            row[j] = j + 1;
        for (int i = 0; i < n; ++i)
            std::swap(row[i], row[rnd::below(n)]);
    }
    // R blocks of M: blocks are exchanged with random ones.
    for (int i = 0; i < n; ++i) {
        const int b = (rnd::below(r * m) / m) * m;
        for (int j = 0; j < m; ++j)
            std::swap(s[size_t(i * m + j)], s[size_t(b + j)]);
    }
    const size_t mm = size_t(m);
    // Empty places get the next value not in their block, repeats inside a block likewise.
    for (size_t p = 0; p < s.size(); ++p)
        if (s[p] == 0)
            s[p] = freeValue(s, p / mm * mm, mm, p, p == 0 ? 1 : s[p - 1] + 1, n);
    for (size_t p = 0; p < s.size(); ++p)
        s[p] = freeValue(s, p / mm * mm, mm, p, s[p], n);
    return s;
}

QString PauseFileName(int time)
{
    if (time < 1 || time > 9)
        return QString();
    return QStringLiteral("Pausen/") + QString::number(500 * time).rightJustified(4, QLatin1Char('0')) +
           QStringLiteral(".wav");
}

const Card& MerkRules::card(int c) const
{
    static const Card none;
    return c >= 1 && c <= cardCount() ? m_cards[size_t(c - 1)] : none;
}

void MerkRules::setFocusedCard(int c)
{
    m_focus = c >= 1 && c <= cardCount() ? c : 0;
}

MerkRules::MerkRules(TWAV& player, int programCode) : m_player(player), m_code(programCode == 102 ? 102 : 101)
{
}

const TOpt_Merkfaehigkeit& MerkRules::options() const { return g().playerOptions.merkfaehigkeit; }

// ---- list and cards ---------------------------------------------------------------------------

void MerkRules::buildPool()
{
    m_pool.clear();
    const auto& tasks = g().taskList();
    if (tasks.empty())
        return;
    const QString folder = g().config.dirs.materialSound;
    const TAufgabe& first = tasks.front();
    for (size_t k = 1; k < first.elements.size() && m_pool.size() < 12; ++k) {
        const TEinzelbild& e = first.elements[k];
        QStringList names;
        SplitText(e.sounds, names, true, QStringLiteral(";"), false);
        const bool heard = std::any_of(names.begin(), names.end(), [&](const QString& n) {
            const QString name = fsys::fromStored(n.trimmed());
            return !name.isEmpty() && !folder.isEmpty() && fsys::fileExists(folder + name);
        });
        if (heard)
            m_pool.push_back(e);
    }
}

bool MerkRules::startList(const QString& listName)
{
    m_player.StopAll();
    m_listName = listName;
    m_series.clear();
    m_heard.clear();
    m_cards.clear();
    m_slots.clear();
    m_marked = m_emphasised = m_focus = m_dragged = 0;
    nochmalVisible = false;
    message.clear();
    if (g().taskList().empty()) {
        m_phase = Phase::Invalid;
        message = kNoValidData;
        return false;
    }
    buildPool();
    const int n = CardCountFor(options().pictureCount, int(m_pool.size()));
    if (n < 2) {
        m_phase = Phase::Invalid;
        message = kNoValidData;
        return false;
    }
    m_span = std::clamp(options().rememberCount, 1, n);
    m_order = options().orderCounts;
    if (options().randomOrder) {
        const int p = int(m_pool.size());
        for (int i = 0; i < p; ++i)
            std::swap(m_pool[size_t(i)], m_pool[size_t(rnd::below(p))]);
    }
    m_cards.assign(size_t(n), Card{});
    newBlock();
    m_offset = 1;
    fillCards();
    emptySlots();
    m_headingExists = exercise::ListHasHeadingSound();
    headingVisible = m_headingExists;
    choiceVisible = false;
    pruefenVisible = sehenVisible = false;
    hoerenCaption = QStringLiteral(" Hören");
    hoerenEnabled = true;
    busy = false;
    m_phase = Phase::NeedTask;
    return true;
}

void MerkRules::newBlock()
{
    m_block = StartResultBlock(m_listName);
    TErgebnis& e = run().runResults[size_t(m_block)];
    e.RememberCount = m_span;
    e.ItemCount = cardCount();
    m_row = -1;
}

void MerkRules::fillCards()
{
    const int n = cardCount();
    const int p = int(m_pool.size());
    if (p == 0)
        return;
    std::vector<int> places;
    if (!options().randomOrder) {
        for (int i = 0; i < n; ++i)
            places.push_back((m_offset - 1 + i) % p);
    } else {
        const bool unfilled = std::any_of(m_cards.begin(), m_cards.end(), [](const Card& c) { return c.poolIndex == 0; });
        if (m_offset != 1 && !unfilled)
            return;
        std::vector<int> perm(static_cast<size_t>(p), 0);
        for (int i = 0; i < p; ++i)
            perm[size_t(i)] = i;
        for (int i = p - 1; i > 0; --i)
            std::swap(perm[size_t(i)], perm[size_t(rnd::below(i + 1))]);
        places.assign(perm.begin(), perm.begin() + n);
    }
    for (int i = 0; i < n; ++i) {
        Card& c = m_cards[size_t(i)];
        c.element = m_pool[size_t(places[size_t(i)])];
        c.poolIndex = places[size_t(i)] + 1;
        c.placed = false;
        c.text = exercise::CardText(c.element.text).text;
    }
}

void MerkRules::emptySlots()
{
    // Outline, emphasis and focus name cards of the old deal (maybe beyond the new count).
    m_marked = m_emphasised = m_focus = 0;
    m_slots.assign(size_t(m_span), 0);
    for (Card& c : m_cards) {
        c.placed = false;
        c.slot = -1;
    }
}

std::vector<int> MerkRules::displayOrder() const
{
    std::vector<int> order;
    for (int i = 1; i <= cardCount(); ++i)
        order.push_back(i);
    if (!pictures() && options().sortedAlphabetically)
        std::stable_sort(order.begin(), order.end(),
                         [this](int a, int b) { return card(a).text.compare(card(b).text) < 0; });
    return order;
}

int MerkRules::cardsPerRow() const
{
    if (!pictures())
        return 1;
    const int n = cardCount();
    return n <= 2 ? 1 : n == 4 ? 2 : 3;
}

int MerkRules::slotOf(int c) const
{
    for (size_t k = 0; k < m_slots.size(); ++k)
        if (m_slots[k] == c)
            return int(k);
    return -1;
}

int MerkRules::placedCount() const
{
    return int(std::count_if(m_slots.begin(), m_slots.end(), [](int c) { return c != 0; }));
}

// ---- tasks ------------------------------------------------------------------------------------

void MerkRules::makeTask()
{
    if (m_phase != Phase::NeedTask || cardCount() < 1)
        return;
    if (m_series.empty()) {
        const std::vector<int> s = MakeSeries(cardCount(), m_span);
        m_series.assign(s.begin(), s.end());
    }
    m_heard.clear();
    for (int i = 0; i < m_span && !m_series.empty(); ++i) {
        m_heard.push_back(m_series.front());
        m_series.pop_front();
    }
    emptySlots();
    m_word = 0;
    m_row = -1;
    m_phase = Phase::Ready;
    pruefenVisible = pruefenEnabled = false;
    sehenVisible = false;
    hoerenCaption = QStringLiteral(" Hören");
    hoerenEnabled = true;
    preparePraise();
}

void MerkRules::preparePraise()
{
    const TOpt_Merkfaehigkeit& o = options();
    const TAufgabe* first = g().taskList().empty() ? nullptr : &g().taskList().front();
    PrepareFeedbackSounds(o.successSource, 0, o.successSoundText, {}, first);
}

TZeile* MerkRules::row()
{
    if (m_block < 0 || m_block >= int(run().runResults.size()))
        return nullptr;
    auto& rows = run().runResults[size_t(m_block)].Rows;
    return m_row >= 0 && m_row < int(rows.size()) ? &rows[size_t(m_row)] : nullptr;
}

void MerkRules::hoeren()
{
    switch (m_phase) {
    case Phase::Hearing: pause(); break;
    case Phase::Solved: next(false); break;
    default: listen(); break;
    }
}

void MerkRules::listen()
{
    const Phase from = m_phase;
    if (from != Phase::Ready && from != Phase::Paused && from != Phase::Answering && from != Phase::NeedSee)
        return;
    hoerenCaption = QStringLiteral("Pause");
    busy = true;
    if (from == Phase::Ready) {
        run().taskStartTime = clock_::now();
        ++m_started;
        TZeile& z = StartResultRow(m_block);
        z.Attempts = 0;
        z.OrderMatters = m_order;
        z.Solved = false;
        m_row = int(run().runResults[size_t(m_block)].Rows.size()) - 1;
    }
    m_word = from == Phase::Paused ? m_word + 1 : 0;
    if (m_word >= m_span)
        m_word = 0;
    m_phase = Phase::Hearing;
    playWord(false);
}

QString MerkRules::pauseFile() const
{
    const QString name = PauseFileName(options().time);
    if (name.isEmpty() || g().config.dirs.internsound.isEmpty())
        return QString();
    const QString path = g().config.dirs.internsound + name;
    return fsys::fileExists(path) ? fsys::resolve(path) : QString();
}

void MerkRules::playWord(bool)
{
    if (m_word < 0 || m_word >= int(m_heard.size()))
        return;
    const int c = m_heard[size_t(m_word)];
    m_marked = options().mark && !card(c).placed ? c : 0;
    if (m_phase == Phase::Replay)
        m_emphasised = card(c).placed ? c : 0;
    int tried = 0;
    for (const QString& s : exercise::ElementSounds(card(c).element)) {
        if (!ResolveSoundName(s).isEmpty())
            ++tried;
        PlaySound(m_player, s, false, false, false);
    }
    const QString pause = pauseFile();
    if (m_word < m_span - 1 && !pause.isEmpty()) {
        ++tried;
        m_player.Play(pause, true, false, true);
    }
    if (pruefenVisible)
        pruefenEnabled = true;
    // Nothing could start and no failure notice will come: the word counts as heard.
    if (tried == 0 && m_player.isEmpty())
        chainOver();
}

void MerkRules::pause()
{
    if (m_phase != Phase::Hearing)
        return;
    m_player.DropWaiting();
    m_phase = Phase::Paused;
    hoerenCaption = QStringLiteral("Weiter ");
    busy = false;
}

void MerkRules::soundNotice(int channel, SoundStatus status)
{
    if (status == SoundStatus::Failure) {
        if (!m_player.SkipToNext() && m_player.isEmpty())
            chainOver();
        return;
    }
    if (m_player.SoundEnded(channel) > 0) {
        m_marked = 0;
        return;
    }
    chainOver();
}

void MerkRules::chainOver()
{
    switch (m_phase) {
    case Phase::HeadingSound:
    case Phase::CardSound:
        m_phase = m_kept;
        return;
    case Phase::Dragging:
        return;
    default:
        break;
    }
    const bool running = m_phase == Phase::Hearing || m_phase == Phase::Paused || m_phase == Phase::Answering ||
                         m_phase == Phase::Replay;
    if (!running)
        return;
    if (m_word >= m_span - 1) {
        m_marked = 0;
        m_emphasised = 0;
        hoerenCaption = QStringLiteral(" Hören");
        hoerenEnabled = true;
        busy = false;
        if (options().invisible == 0 && m_phase != Phase::Answering)
            sehenVisible = true;
        m_word = 0;
        beginAnswering();
        return;
    }
    if (m_phase == Phase::Hearing) {
        m_marked = 0;
        ++m_word;
        playWord(true);
    } else if (m_phase == Phase::Answering) {
        hoerenCaption = QStringLiteral(" Hören");
        busy = false;
    } else if (m_phase == Phase::Replay) {
        ++m_word;
        playWord(true);
    }
}

void MerkRules::beginAnswering()
{
    if (options().invisible == 0 && sehenVisible) {
        // "Sehen" and "Prüfen" share one place: the cards are seen before anything is checked.
        m_phase = Phase::NeedSee;
        pruefenVisible = pruefenEnabled = false;
    } else {
        m_phase = Phase::Answering;
    }
}

void MerkRules::see()
{
    if (m_phase != Phase::NeedSee)
        return;
    sehenVisible = false;
    m_phase = Phase::Answering;
    // "Prüfen" had been offered since the first placement; it comes back with the cards still placed.
    if (!options().checkAtOnce && placedCount() > 0)
        pruefenVisible = pruefenEnabled = true;
}

// ---- placing ----------------------------------------------------------------------------------

void MerkRules::countAttempt()
{
    if (TZeile* z = row())
        z->Attempts += 1;
}

Offer MerkRules::offer(int c, int slot, bool byDrop)
{
    if (c < 1 || c > cardCount() || card(c).placed)
        return Offer::Ignored;
    const bool first = slot < 0;
    if (first) {
        slot = slotOf(0);
    }
    const bool atOnce = options().checkAtOnce;
    if (atOnce) {
        countAttempt();
        if (slot < 0)
            return Offer::Refused;
        bool accepted = false;
        if (m_order) {
            accepted = m_heard[size_t(slot)] == c;
        } else {
            accepted = std::find(m_heard.begin(), m_heard.end(), c) != m_heard.end();
            if (accepted && m_slots[size_t(slot)] != 0)
                return Offer::Refused;  // a filled text field: the card stays unplaced
        }
        if (!accepted) {
            Beep();
            return Offer::Refused;
        }
    } else {
        if (!pruefenVisible) {
            pruefenVisible = true;
            pruefenEnabled = true;
        }
        if (slot < 0) {
            message = (m_span == 1 ? QStringLiteral("Zu viel !") + kBreak + kBreak +
                                         QStringLiteral("  Es wird nur 1 Bild gesucht.")
                                   : QStringLiteral("Zu viel !") + kBreak + kBreak + QStringLiteral("  Es werden nur ") +
                                         QString::number(m_span) + QStringLiteral(" Bilder gesucht."));
            Beep();
            return Offer::Refused;
        }
        if (m_slots[size_t(slot)] != 0) {
            if (byDrop && !first)
                message = QStringLiteral("Feld schon belegt!") + kBreak +
                          QStringLiteral("Bitte Karte auf leere Karte ziehen!");
            return Offer::Refused;
        }
    }
    m_slots[size_t(slot)] = c;
    m_cards[size_t(c - 1)].placed = true;
    m_cards[size_t(c - 1)].slot = slot;
    if (m_focus == c)
        m_focus = 0;
    if (atOnce && placedCount() == m_span) {
        solve();
        return Offer::Solved;
    }
    return Offer::Placed;
}

void MerkRules::clickCard(int c)
{
    if (c < 1 || c > cardCount())
        return;
    switch (m_phase) {
    case Phase::Answering:
        offer(c, -1, false);
        break;
    case Phase::Ready:
    case Phase::Solved: {
        const QStringList sounds = exercise::ElementSounds(card(c).element);
        for (int i = 0; i < sounds.size(); ++i)
            PlaySound(m_player, sounds[i], i == 0, false, false);
        break;
    }
    case Phase::NeedSee:
        message = QStringLiteral("  Bitte zuerst auf den Knopf 'Sehen' klicken!");
        break;
    default:
        break;
    }
}

void MerkRules::clickPlaced(int c)
{
    if (c < 1 || c > cardCount() || !card(c).placed)
        return;
    if (m_phase == Phase::Solved) {
        const QStringList sounds = exercise::ElementSounds(card(c).element);
        for (int i = 0; i < sounds.size(); ++i)
            PlaySound(m_player, sounds[i], i == 0, false, false);
        return;
    }
    if (m_phase != Phase::Answering || (m_order && options().checkAtOnce))
        return;
    sendHome(c);
}

void MerkRules::sendHome(int c)
{
    const int k = slotOf(c);
    if (k >= 0)
        m_slots[size_t(k)] = 0;
    m_cards[size_t(c - 1)].placed = false;
    m_cards[size_t(c - 1)].slot = -1;
}

void MerkRules::takeBackAll()
{
    if (m_phase != Phase::Answering || (m_order && options().checkAtOnce))
        return;
    for (int c : std::vector<int>(m_slots))
        if (c != 0)
            sendHome(c);
}

void MerkRules::rightClickCard(int c)
{
    if (c < 1 || c > cardCount() || (m_phase != Phase::Answering && m_phase != Phase::Solved))
        return;
    const QStringList sounds = exercise::ElementSounds(card(c).element);
    if (sounds.isEmpty())
        return;
    m_kept = m_phase;
    m_phase = Phase::CardSound;
    for (int i = 0; i < sounds.size(); ++i)
        PlaySound(m_player, sounds[i], i == 0, false, false);
    if (m_player.isEmpty())
        m_phase = m_kept;
}

bool MerkRules::beginDrag(int c)
{
    if (m_phase != Phase::Answering || c < 1 || c > cardCount() || card(c).placed)
        return false;
    m_dragged = c;
    m_phase = Phase::Dragging;
    return true;
}

Offer MerkRules::drop(int slot)
{
    if (m_phase != Phase::Dragging)
        return Offer::Ignored;
    const int c = m_dragged;
    m_dragged = 0;
    m_phase = Phase::Answering;
    if (slot == kOwnCard)
        return offer(c, -1, false);
    if (slot == kOutside) {
        if (pictures())
            Beep();
        return Offer::Ignored;
    }
    if (slot >= m_span)
        return Offer::Ignored;
    return offer(c, slot == kAnswerCard ? -1 : slot, true);
}

bool MerkRules::arrowKey(int key)
{
    if (m_phase == Phase::Solved) {
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            m_secondChoice = key == Qt::Key_Down;
            return true;
        }
        return false;
    }
    if (m_phase != Phase::Answering)
        return false;
    const std::vector<int> order = displayOrder();
    const int n = int(order.size());
    auto unplaced = [&](int pos) { return !card(order[size_t(pos)]).placed; };
    int at = -1;
    for (int i = 0; i < n; ++i)
        if (order[size_t(i)] == m_focus)
            at = i;
    if (at < 0 || card(m_focus).placed) {
        for (int i = 0; i < n; ++i)
            if (unplaced(i)) {
                m_focus = order[size_t(i)];
                return true;
            }
        return false;
    }
    const bool horizontal = key == Qt::Key_Left || key == Qt::Key_Right;
    const int step = (key == Qt::Key_Left || key == Qt::Key_Up ? -1 : 1) * (horizontal ? 1 : cardsPerRow());
    for (int p = at + step; p >= 0 && p < n; p += step)
        if (unplaced(p)) {
            m_focus = order[size_t(p)];
            return true;
        }
    return false;
}

// ---- checking and solving ---------------------------------------------------------------------

void MerkRules::check()
{
    if (m_phase != Phase::Answering)
        return;
    if (TZeile* z = row())
        z->Attempts = z->Attempts == 0 ? m_span : z->Attempts + 1;
    if (placedCount() < m_span) {
        message = m_span == 1 ? QStringLiteral("Bitte zuerst ein Bild auswählen!")
                              : QStringLiteral("Noch nicht alle Bilder gefunden!") + kBreak + kBreak +
                                    QStringLiteral("  Es werden ") + QString::number(m_span) +
                                    QStringLiteral(" Bilder gesucht.");
        return;
    }
    auto wasHeard = [this](int c) { return std::find(m_heard.begin(), m_heard.end(), c) != m_heard.end(); };
    const bool allHeard = std::all_of(m_slots.begin(), m_slots.end(), wasHeard);
    if (allHeard) {
        bool inOrder = true;
        for (int k = 0; k < m_span; ++k)
            inOrder = inOrder && m_slots[size_t(k)] == m_heard[size_t(k)];
        if (!m_order || inOrder) {
            solve();
            return;
        }
        m_player.Play(g().config.tonReihenfolgefalsch, true, true, true);
        message = QStringLiteral(" Reihenfolge einhalten! ");
        for (int c : std::vector<int>(m_slots))
            if (c != 0)
                sendHome(c);
        startReplay(QString());
        return;
    }
    for (int k = 0; k < m_span; ++k) {
        const int c = m_slots[size_t(k)];
        const bool back = m_order ? c != m_heard[size_t(k)] : !wasHeard(c);
        if (c != 0 && back)
            sendHome(c);
    }
    m_player.Play(g().config.tonKartenfalsch, true, true, true);
    message = QStringLiteral("Achtung!") + kBreak + QStringLiteral("Falsche Karten werden zurückgestellt!");
    startReplay(QString());
}

void MerkRules::startReplay(const QString&)
{
    m_word = 0;
    m_phase = Phase::Replay;
    hoerenEnabled = false;
    playWord(true);
}

void MerkRules::solve()
{
    run().taskStopTime = clock_::now();
    TZeile* z = row();
    if (z) {
        QString answers;
        for (int c : m_slots)
            if (c != 0)
                answers += card(c).element.text + QLatin1Char(';');
        z->Answers = answers;
    }
    std::fill(m_slots.begin(), m_slots.end(), 0);
    m_phase = Phase::Solved;
    m_marked = m_emphasised = m_focus = 0;
    pruefenEnabled = false;
    if (z)
        z->Solved = true;
    if (!m_player.isEmpty())
        Beep();
    praise();
    if (z) {
        z->Duration = exercise::TaskDurationHundredths(run().taskStartTime, run().taskStopTime);
    }
    pruefenVisible = false;
    headingVisible = false;
    choiceVisible = cardCount() != 12;
    hoerenCaption = QStringLiteral("Weiter ");
    hoerenEnabled = true;
    busy = false;
    nochmalVisible = true;
    sehenVisible = false;
    int solved = 0;
    for (const TErgebnis& e : run().runResults)
        for (const TZeile& r : e.Rows)
            solved += r.Solved ? 1 : 0;
    m_questionDue = solved > m_stripOffset + 14;
    radiosEnabled = true;
    justSolved = true;
}

void MerkRules::praise()
{
    int rows = 0;
    for (const TErgebnis& e : run().runResults)
        rows += int(e.Rows.size());
    const QStringList list = praiseSounds();
    if (list.isEmpty() || !options().successSound || !PraiseDue(rows, options().successFrequency))
        return;
    bool first = true;
    for (const QString& f : list) {
        if (f.isEmpty())
            continue;
        if (first) {
            m_player.StopAll();
            m_player.Play(f, true, true, false);
            first = false;
        } else {
            m_player.Play(f, true, false, true);
        }
    }
}

QString MerkRules::closeQuestion() const
{
    return QStringLiteral("Du hast nun ") + QString::number(m_stripOffset + 15) + QStringLiteral(" Aufgaben bearbeitet!") +
           kBreak + QStringLiteral("Super!") + kBreak + QStringLiteral("Möchtest du das Programm schließen?");
}

void MerkRules::closeQuestionAnswered(bool close)
{
    m_questionDue = false;
    if (!close)
        m_stripOffset += 15;
}

void MerkRules::next(bool again)
{
    if (m_phase != Phase::Solved)
        return;
    headingVisible = m_headingExists;
    choiceVisible = false;
    nochmalVisible = false;
    emptySlots();
    if (!again && m_secondChoice) {
        const int n = cardCount();
        const int p = poolSize();
        if (options().randomOrder) {
            m_offset = m_offset + 1 > n ? 1 : m_offset + 1;
            fillCards();
        } else if (m_series.empty()) {
            m_offset = m_offset + n <= p ? m_offset + n : m_offset + n - p;
            fillCards();
        }
    }
    hoerenCaption = QStringLiteral(" Hören");
    if (again) {
        m_phase = Phase::Ready;
        m_word = 0;
        m_row = -1;
        preparePraise();
    } else {
        m_phase = Phase::NeedTask;
    }
}

// ---- bar controls -----------------------------------------------------------------------------

void MerkRules::headingSound()
{
    if (m_phase == Phase::HeadingSound) {
        m_player.StopAll();
        m_phase = m_kept;
        return;
    }
    // Not over a running sequence: its end would never be recognised.
    if (m_phase == Phase::Hearing || m_phase == Phase::Replay || m_phase == Phase::Dragging ||
        m_phase == Phase::CardSound || m_phase == Phase::Invalid)
        return;
    QStringList files;
    for (const QString& n : g().loadedList.layout.headingSound.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString f = exercise::HeadingSoundFile(n);
        if (!f.isEmpty())
            files << f;
    }
    if (files.isEmpty())
        return;
    m_player.StopAll();
    m_kept = m_phase;
    m_phase = Phase::HeadingSound;
    for (int i = 0; i < files.size(); ++i)
        m_player.Play(files[i], true, false, i > 0);
    if (m_player.isEmpty())
        m_phase = m_kept;
}

void MerkRules::setOrderMode(bool order)
{
    if (m_phase == Phase::Invalid || order == m_order)
        return;
    m_order = order;
    g().playerOptions.merkfaehigkeit.orderCounts = order;
    m_player.StopAll();
    m_series.clear();
    m_heard.clear();
    fillCards();
    emptySlots();
    nochmalVisible = false;
    m_phase = Phase::NeedTask;
    const TErgebnis* e = m_block >= 0 ? &run().runResults[size_t(m_block)] : nullptr;
    if (!e || e->ListFile != m_listName || e->RememberCount != m_span || e->ItemCount != cardCount())
        newBlock();
}

void MerkRules::setCardCount(int wished)
{
    if (m_phase == Phase::Invalid)
        return;
    g().playerOptions.merkfaehigkeit.pictureCount = wished;
    const int n = CardCountFor(wished, poolSize());
    if (n < 1)
        return;
    m_player.StopAll();
    m_cards.assign(size_t(n), Card{});
    m_span = std::min(m_span, n);
    m_series.clear();
    m_heard.clear();
    m_offset = 1;
    fillCards();
    emptySlots();
    nochmalVisible = false;
    m_phase = Phase::NeedTask;
    newBlock();
}

void MerkRules::setSpan(int m)
{
    if (m_phase == Phase::Invalid || m < 1)
        return;
    m_player.StopAll();
    m_span = std::min(m, cardCount());
    g().playerOptions.merkfaehigkeit.rememberCount = m_span;
    m_series.clear();
    m_heard.clear();
    emptySlots();
    nochmalVisible = false;
    m_phase = Phase::NeedTask;
    newBlock();
}

void MerkRules::optionsChanged(const TOpt_Merkfaehigkeit& before)
{
    if (m_phase == Phase::Invalid)
        return;
    const TOpt_Merkfaehigkeit& now = options();
    m_offset = 1;
    m_series.clear();
    praiseSounds().clear();
    preparePraise();
    if (before.invisible == 0 && now.invisible == 2 && m_phase == Phase::NeedSee)
        see();
    if (!before.checkAtOnce && now.checkAtOnce && m_slots.size() == size_t(m_span) &&
        m_heard.size() >= size_t(m_span)) {
        // In both modes: what checking at once would have refused cannot stay placed.
        int k = 0;
        while (k < m_span && m_slots[size_t(k)] != 0 && m_slots[size_t(k)] == m_heard[size_t(k)])
            ++k;
        for (; k < m_span; ++k)
            if (m_slots[size_t(k)] != 0)
                sendHome(m_slots[size_t(k)]);
    }
    if (now.orderCounts != m_order)
        setOrderMode(now.orderCounts);
    if (CardCountFor(now.pictureCount, poolSize()) != cardCount()) {
        // A new N and M from the page both count, as when both bar controls were used.
        if (now.rememberCount >= 1)
            m_span = now.rememberCount;
        setCardCount(now.pictureCount);
        g().playerOptions.merkfaehigkeit.rememberCount = m_span;
        if (m_block >= 0 && m_block < int(run().runResults.size()))
            run().runResults[size_t(m_block)].RememberCount = m_span;
    } else if (std::min(now.rememberCount, cardCount()) != m_span) {
        setSpan(now.rememberCount);
    }
    if (now.checkAtOnce || m_phase != Phase::Answering)
        pruefenVisible = false;
}

// ---- results ----------------------------------------------------------------------------------

std::vector<MerkRules::StripSymbol> MerkRules::stripPage() const
{
    std::vector<StripSymbol> page;
    int number = 0;
    for (const TErgebnis& e : run().runResults)
        for (const TZeile& z : e.Rows) {
            if (!z.Solved)
                continue;
            ++number;
            if (number > m_stripOffset && number <= m_stripOffset + 15)
                page.push_back({number, z.Attempts > e.RememberCount});
        }
    return page;
}

std::vector<int> MerkRules::rebaseAttempts()
{
    std::vector<int> raw;
    for (TErgebnis& e : run().runResults)
        for (TZeile& z : e.Rows) {
            raw.push_back(z.Attempts);
            if (z.Solved)
                z.Attempts = z.Attempts - e.RememberCount + 1;
        }
    return raw;
}

void MerkRules::restoreAttempts(const std::vector<int>& raw)
{
    size_t i = 0;
    for (TErgebnis& e : run().runResults)
        for (TZeile& z : e.Rows)
            if (i < raw.size())
                z.Attempts = raw[i++];
}

bool MerkRules::endNeedsConfirmation() const
{
    return m_phase != Phase::Solved && m_phase != Phase::Ready && m_phase != Phase::NeedTask &&
           m_phase != Phase::Invalid;
}

} // namespace merk
