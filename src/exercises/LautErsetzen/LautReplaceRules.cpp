#include "exercises/LautErsetzen/LautReplaceRules.h"

#include "exercises/LautAdd/LautAddRules.h"
#include "exercises/common/LautFlow.h"
#include "exercises/common/TaskSounds.h"

#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "core/TextUtil.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "results/Ergebnisse.h"

#include <QRegularExpression>

namespace lautreplace {

TEinzelbild ElementOf(const TAufgabe& task, int k)
{
    return k < int(task.elements.size()) ? task.elements[size_t(k)] : TEinzelbild{};
}

namespace {

// The leftmost digit is the marker: it goes from the text; `k` its place, `d` its value.
QString splitMarker(const QString& text, int& k, int& d)
{
    for (int i = 0; i < text.size(); ++i)
        if (text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
            k = i;
            d = text[i].unicode() - '0';
            return text.left(i) + text.mid(i + 1);
        }
    k = 0;
    d = 0;
    return text;
}

} // namespace

QStringList SplitItems(const QString& text)
{
    QStringList items;
    SplitText(text, items, true, QStringLiteral(","), true);
    QStringList kept;
    for (const QString& s : items)
        if (!s.trimmed().isEmpty() && !kept.contains(s.trimmed()))
            kept << s.trimmed();
    return kept;
}

namespace {

QString wordSound(const TEinzelbild& e)
{
    const QString name = fsys::fromStored(e.sounds.trimmed());
    if (name.isEmpty())
        return QString();
    const QString material = g().config.dirs.materialSound + name;
    if (fsys::fileExists(material))
        return fsys::resolve(material);
    return fsys::fileExists(name) ? fsys::resolve(name) : QString();
}

QString withParentheses(const QString& word, int start, int length)
{
    if (length <= 0)
        return word;
    return word.left(start) + QLatin1Char('(') + word.mid(start, length) + QLatin1Char(')') + word.mid(start + length);
}

} // namespace

QString ShownSound(const QString& sound)
{
    QString s = sound;
    s.remove(QRegularExpression(QStringLiteral("[0-9]")));
    return s;
}

QString SoundFileOf(const QString& sound)
{
    const QString file = exercise::LautSoundFile(sound);
    if (!file.isEmpty())
        return file;
    const QString plain = fsys::withSlash(g().config.dirs.internsound) + QStringLiteral("ABC/LAUTE/") +
                          ShownSound(sound) + QStringLiteral(".wav");
    return fsys::fileExists(plain) ? fsys::resolve(plain) : QString();
}

Position ReplacePositionOf(const QString& relativeListPath)
{
    const QString p = relativeListPath.toLower();
    if (p.contains(QLatin1String("anlaut")))
        return Position::Anlaut;
    if (p.contains(QLatin1String("inlaut")))
        return Position::Inlaut;
    if (p.contains(QLatin1String("auslaut")))
        return Position::Auslaut;
    return Position::Anlaut;
}

TaskWords ReplaceWords(const TAufgabe& task, Position position, int soundCount)
{
    TaskWords w;
    int k = 0, d = 0;
    w.firstWord = splitMarker(ElementOf(task, 1).text.trimmed(), k, d);
    w.firstMarkStart = k;
    w.firstMarkLength = std::clamp(d, 0, int(w.firstWord.size()) - k);
    const QStringList items = SplitItems(ElementOf(task, 2).text);
    if (items.isEmpty())
        return w;
    w.secondWord = splitMarker(items.front(), k, d);
    d = std::clamp(d, 0, int(w.secondWord.size()) - k);
    const QString newSound = w.secondWord.mid(k, d);
    w.before = w.secondWord.left(k);
    w.after = w.secondWord.mid(k + d);
    w.secondMarkStart = k;
    w.secondMarkLength = d;
    QStringList offered = items.mid(1);
    if (position == Position::Anlaut)
        offered << newSound;
    else
        offered.prepend(newSound);
    offered = SplitItems(offered.join(QLatin1Char(',')));
    while (offered.size() > std::max(1, soundCount))
        offered.removeAt(1);
    w.offered = offered;
    w.right = position == Position::Anlaut ? int(offered.size()) - 1 : 0;
    w.valid = !newSound.isEmpty() && !offered.isEmpty() && offered.value(w.right) == newSound;
    return w;
}

LautReplaceRules::LautReplaceRules(TWAV& player, Kind kind) : m_player(player), m_kind(kind) {}

const TOpt_LautAdd& LautReplaceRules::options() const
{
    return m_kind == Kind::Replace ? g().playerOptions.lautReplace : g().playerOptions.lautAdd;
}

int LautReplaceRules::taskIndex() const { return exercise::TaskAt(m_position); }

TZeile* LautReplaceRules::row()
{
    if (m_block < 0 || m_block >= int(run().runResults.size()))
        return nullptr;
    auto& rows = run().runResults[size_t(m_block)].Rows;
    return m_row >= 0 && m_row < int(rows.size()) ? &rows[size_t(m_row)] : nullptr;
}

bool LautReplaceRules::prepareList(const QString& listFile, Position position, int start)
{
    m_mode = position;
    const int n = int(g().taskList().size());
    m_results.assign(size_t(std::max(0, n)), exercise::TaskResult{});
    m_tasksBegun = 0;
    m_row = -1;
    run().taskStartTime = QDateTime();
    if (n <= 0) {
        m_state = AnswerState::NoValidList;
        m_words = TaskWords{};
        return false;
    }
    m_position = start >= 0 && start < n ? start : 0;
    m_block = StartResultBlock(listFile);
    m_state = AnswerState::TaskReady;
    setUpTask();
    return true;
}

void LautReplaceRules::setUpTask()
{
    if (m_state == AnswerState::NoValidList || g().taskList().empty())
        return;
    if (m_state == AnswerState::Solved)
        ++m_tasksBegun;
    m_state = AnswerState::TaskReady;
    helpDown = false;
    listenEnabled = true;
    fertigEnabled = weiterEnabled = hilfeEnabled = revealRequested = false;
    m_focus = m_picked = m_placed = -1;
    const TAufgabe& task = g().taskList()[size_t(taskIndex())];
    m_first = ElementOf(task, 1);
    m_second = ElementOf(task, 2);
    const int count = std::clamp(options().soundCount, 1, 5);
    m_words = m_kind == Kind::Replace ? ReplaceWords(task, m_mode, count)
                                      : AddWords(task, m_mode, count, g().playerOptions.capitalsOnly);
    if (!m_words.valid)
        listenEnabled = false;
    // The button places shuffled: each place swapped with a random one.
    const int n = int(m_words.offered.size());
    m_order.resize(size_t(n));
    for (int j = 0; j < n; ++j)
        m_order[size_t(j)] = j;
    for (int j = 0; j < n; ++j)
        std::swap(m_order[size_t(j)], m_order[size_t(rnd::below(n))]);
    exercise::PrepareLautFeedback(options().feedback);
    run().taskStartTime = clock_::now();
    TZeile& r = StartResultRow(m_block);
    r.Attempts = 0;
    r.Solved = false;
    m_row = int(run().runResults[size_t(m_block)].Rows.size()) - 1;
}

void LautReplaceRules::jumpTo(int position)
{
    if (position < 0 || position >= taskCount() || m_state == AnswerState::NoValidList)
        return;
    m_player.StopAll();
    m_position = position;
    setUpTask();
}

void LautReplaceRules::playFile(const QString& file, bool interrupt)
{
    if (!file.isEmpty())
        PlaySound(m_player, file, interrupt, false, true);
}

void LautReplaceRules::listen()
{
    if (!listenEnabled || m_state == AnswerState::NoValidList || m_state == AnswerState::Solved ||
        m_state == AnswerState::Dragging)
        return;
    if (m_state == AnswerState::Placed || m_state == AnswerState::HearingPlaced)
        m_state = AnswerState::HearingPlaced;
    else
        m_state = AnswerState::Hearing;
    playFile(wordSound(m_first), true);
    if (m_kind == Kind::Replace)
        hilfeEnabled = true;
    // Without a playable sound no notice comes: the word counts as heard now.
    if (m_player.isEmpty())
        soundsOver();
}

void LautReplaceRules::playHeadingSounds()
{
    if (m_state == AnswerState::NoValidList)
        return;
    bool first = true;
    for (const QString& raw : g().loadedList.layout.headingSound.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString file = exercise::HeadingSoundFile(raw);
        if (file.isEmpty())
            continue;
        PlaySound(m_player, file, first, false, true);
        first = false;
    }
    if (m_state == AnswerState::TaskReady && listenEnabled)
        m_state = AnswerState::Answering;
}

void LautReplaceRules::soundsOver()
{
    if (m_state == AnswerState::Hearing)
        m_state = AnswerState::Answering;
    else if (m_state == AnswerState::HearingPlaced)
        m_state = AnswerState::Placed;
}

void LautReplaceRules::soundNotice(int channel, SoundStatus status)
{
    if (m_player.HandleNotice(channel, status))
        soundsOver();
}

LautReplaceRules::Outcome LautReplaceRules::pick(int entry)
{
    if (entry < 0 || entry >= int(m_words.offered.size()))
        return Outcome::Ignored;
    if (m_state == AnswerState::TaskReady)
        return Outcome::NeedListen;
    if (m_state != AnswerState::Answering && m_state != AnswerState::Retrying && m_state != AnswerState::Placed)
        return Outcome::Ignored;
    m_picked = entry;
    m_state = AnswerState::Dragging;
    return Outcome::Picked;
}

LautReplaceRules::Outcome LautReplaceRules::place()
{
    if (m_state != AnswerState::Dragging || m_picked < 0)
        return Outcome::Ignored;
    m_placed = m_picked;
    m_state = AnswerState::Placed;
    if (options().atOnce)
        return judge();
    fertigEnabled = true;
    return Outcome::Placed;
}

void LautReplaceRules::playPicked()
{
    if (options().atOnce || m_picked < 0 || m_picked >= int(m_words.offered.size()))
        return;
    playFile(SoundFileOf(m_words.offered[m_picked]), true);
}

LautReplaceRules::Outcome LautReplaceRules::judge()
{
    if ((m_state != AnswerState::Placed && m_state != AnswerState::HearingPlaced) || m_placed < 0)
        return Outcome::Ignored;
    TZeile* r = row();
    if (!r)
        return Outcome::Ignored;
    r->Attempts += 1;
    exercise::TaskResult& result = m_results[size_t(taskIndex())];
    fertigEnabled = false;
    if (m_placed != m_words.right) {
        m_state = AnswerState::Retrying;
        result.error = true;
        m_placed = m_picked = -1;
        exercise::PlayLautErrors(m_player, options().feedback);
        return Outcome::Wrong;
    }
    if (r->Answers.isEmpty()) {
        const QString sound = ShownSound(m_words.offered[m_words.right]);
        if (m_kind == Kind::Replace) {
            r->Answers = withParentheses(m_words.firstWord, m_words.firstMarkStart, m_words.firstMarkLength) +
                         QStringLiteral(" - ") +
                         withParentheses(m_words.secondWord, m_words.secondMarkStart, m_words.secondMarkLength);
        } else {
            const QString newWord = AddedWord(g().taskList()[size_t(taskIndex())], m_mode);
            r->Answers = (m_mode == Position::Anlaut ? sound + QLatin1Char('+') + m_words.firstWord
                                                     : m_words.firstWord + QLatin1Char('+') + sound) +
                         QStringLiteral(" = ") + newWord;
        }
    }
    hilfeEnabled = false;
    helpDown = false;
    playFile(wordSound(m_second), false);
    exercise::PlayLautPraise(m_player, options().feedback);
    r->Duration = exercise::TaskDurationHundredths(run().taskStartTime, clock_::now());
    run().taskStartTime = QDateTime();
    r->Solved = true;
    m_state = AnswerState::Solved;
    result.state = result.error ? 1 : 0;
    listenEnabled = false;
    if (options().withPicture)
        revealRequested = true;
    // "Laute hinzufügen" takes "Weiter" at once; "Laute ersetzen" after the dissolve.
    weiterEnabled = m_kind == Kind::Add || !options().withPicture;
    return Outcome::Right;
}

LautReplaceRules::Outcome LautReplaceRules::arrowKey(bool up, const std::vector<int>& order)
{
    if ((m_state != AnswerState::Answering && m_state != AnswerState::Retrying && m_state != AnswerState::Placed) ||
        order.empty())
        return Outcome::Ignored;
    int at = -1;
    for (int i = 0; i < int(order.size()); ++i)
        if (order[size_t(i)] == m_focus)
            at = i;
    at = at < 0 ? 0 : std::clamp(at + (up ? -1 : 1), 0, int(order.size()) - 1);
    m_focus = order[size_t(at)];
    if (options().atOnce)
        return Outcome::Played;
    m_picked = m_focus;
    m_state = AnswerState::Dragging;
    place();
    playFile(SoundFileOf(m_words.offered[m_focus]), true);
    return Outcome::Placed;
}

void LautReplaceRules::playEntry(int entry)
{
    if (entry >= 0 && entry < int(m_words.offered.size()))
        playFile(SoundFileOf(m_words.offered[entry]), true);
}

void LautReplaceRules::clickCard(int card)
{
    if (m_state == AnswerState::Solved) {
        playFile(wordSound(card == 2 ? m_second : m_first), true);
        return;
    }
    if (card == 1)
        listen();
}

void LautReplaceRules::setHelp(bool down)
{
    if (m_kind != Kind::Replace || !hilfeEnabled) {
        helpDown = false;
        return;
    }
    helpDown = down;
    if (down)
        if (TZeile* r = row())
            r->WithHelp = true;
}

bool LautReplaceRules::advance()
{
    if (m_state == AnswerState::NoValidList || m_results.empty() || allSolved())
        return false;
    m_player.StopAll();
    m_position = exercise::NextPosition(m_position, m_results);
    setUpTask();
    return true;
}

void LautReplaceRules::restart()
{
    m_player.StopAll();
    m_results.assign(m_results.size(), exercise::TaskResult{});
    m_position = 0;
    setUpTask();
}

} // namespace lautreplace
