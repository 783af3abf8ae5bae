#include "exercises/LautWeg/LautWegRules.h"

#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "results/Ergebnisse.h"
#include "exercises/common/LautFlow.h"
#include "exercises/common/TaskSounds.h"

namespace lautweg {

namespace {

const TOpt_LautAdd& options() { return g().playerOptions.lautWeg; }

QString configured(const char* key)
{
    const QString name = g().config.programSection(QStringLiteral("ProgLautWeg")).value(QLatin1String(key)).trimmed();
    if (name.isEmpty())
        return QString();
    const QString inIntern = g().config.dirs.internsound + fsys::fromStored(name);
    return fsys::fileExists(inIntern) ? inIntern : fsys::fromStored(name);
}

} // namespace

Position PositionOf(const QString& relativeListPath)
{
    QString p = fsys::fromStored(relativeListPath).toLower();
    while (p.startsWith(QLatin1Char('/')))
        p.remove(0, 1);
    return p.startsWith(QLatin1String("anlaut")) ? Position::Anlaut : Position::Auslaut;
}

QString ElementSoundFile(const TEinzelbild& element)
{
    const QString name = fsys::fromStored(element.sounds.trimmed());
    if (name.isEmpty())
        return QString();
    const QString material = g().config.dirs.materialSound + name;
    if (fsys::fileExists(material))
        return fsys::resolve(material);
    return fsys::fileExists(name) ? fsys::resolve(name) : QString();
}

std::vector<Alternative> CollectAlternatives(const TAufgabe& task, int count)
{
    std::vector<Alternative> list;
    for (int k = 1; k <= 4 && int(list.size()) < count; ++k) {
        if (k >= int(task.elements.size()))
            break;
        const TEinzelbild& e = task.elements[size_t(k)];
        const QString text = e.text.trimmed();
        const QString sound = ElementSoundFile(e);
        if (text.isEmpty() || sound.isEmpty())
            break;
        list.push_back(Alternative{k, text, sound});
    }
    return list;
}

Mark LeftOutLetters(const QString& word, const QString& newWord, Position position)
{
    const int n = std::clamp(int(word.size()) - int(newWord.size()), 0, int(word.size()));
    return Mark{position == Position::Anlaut ? 0 : int(word.size()) - n, n};
}

LautWegRules::LautWegRules(TWAV& player) : m_player(player) {}

int LautWegRules::taskIndex() const { return exercise::TaskAt(m_position); }

TZeile* LautWegRules::row()
{
    if (m_block < 0 || m_block >= int(run().runResults.size()))
        return nullptr;
    auto& rows = run().runResults[size_t(m_block)].Rows;
    return m_row >= 0 && m_row < int(rows.size()) ? &rows[size_t(m_row)] : nullptr;
}

bool LautWegRules::prepareList(const QString& listFile, Position position, int start)
{
    m_mode = position;
    const int n = int(g().taskList().size());
    m_results.assign(size_t(std::max(0, n)), exercise::TaskResult{});
    m_tasksBegun = 0;
    m_row = -1;
    run().taskStartTime = QDateTime();
    if (n <= 0) {
        m_state = AnswerState::NoValidList;
        m_alternatives.clear();
        return false;
    }
    m_position = start >= 0 && start < n ? start : 0;
    m_block = StartResultBlock(listFile);
    m_state = AnswerState::TaskReady;
    setUpTask();
    return true;
}

void LautWegRules::collect()
{
    const TAufgabe& task = g().taskList()[size_t(taskIndex())];
    m_head = task.headElement;
    m_new = task.elements.size() > 1 ? task.elements[1] : TEinzelbild{};
    m_word = m_head.text.trimmed();
    m_newWord = m_new.text.trimmed();
    m_alternatives = CollectAlternatives(task, std::clamp(options().soundCount, 1, 4));
    // Shuffled: each place swapped with a random one; element 1 is followed through the swaps.
    const int n = int(m_alternatives.size());
    for (int i = 0; i < n; ++i)
        std::swap(m_alternatives[size_t(i)], m_alternatives[size_t(rnd::below(n))]);
    m_rightRow = -1;
    for (int i = 0; i < n; ++i)
        if (m_alternatives[size_t(i)].element == 1)
            m_rightRow = i;
    m_heard.assign(size_t(n), false);
}

void LautWegRules::setUpTask()
{
    if (m_state == AnswerState::NoValidList || g().taskList().empty())
        return;
    if (m_state == AnswerState::Solved || m_state == AnswerState::SolutionPlaying)
        ++m_tasksBegun;
    helpDown = false;
    m_state = AnswerState::TaskReady;
    listenEnabled = true;
    fertigEnabled = weiterEnabled = hilfeEnabled = false;
    m_chosen = m_pressedListen = -1;
    headingBoxPressed = arrowPressed = dissolveRequested = false;
    pictureFace = 0;
    defectiveShown = false;
    {
        const TAufgabe& task = g().taskList()[size_t(taskIndex())];
        const TEinzelbild e1 = task.elements.size() > 1 ? task.elements[1] : TEinzelbild{};
        if (e1.text.trimmed().isEmpty() || ElementSoundFile(e1).isEmpty()) {
            defectiveShown = true;
            m_position = m_position + 1 < taskCount() ? m_position + 1 : 0;
        }
    }
    collect();
    exercise::PrepareLautFeedback(options().feedback);
    run().taskStartTime = clock_::now();
    TZeile& r = StartResultRow(m_block);
    r.Attempts = 0;
    r.Solved = false;
    m_row = int(run().runResults[size_t(m_block)].Rows.size()) - 1;
}

void LautWegRules::jumpTo(int position)
{
    if (position < 0 || position >= taskCount() || m_state == AnswerState::NoValidList)
        return;
    m_player.StopAll();
    m_position = position;
    setUpTask();
}

void LautWegRules::listen()
{
    if (m_state == AnswerState::NoValidList || m_state == AnswerState::SolutionPlaying || !listenEnabled)
        return;
    PlaySound(m_player, ElementSoundFile(m_head), true, false, true);
    if (m_state == AnswerState::TaskReady)
        m_state = AnswerState::Answering;
    if (m_state != AnswerState::Solved)
        hilfeEnabled = true;
}

void LautWegRules::clickPicture()
{
    if (m_state == AnswerState::Solved) {
        pictureFace = 2;
        playSentence();
        return;
    }
    if (m_state == AnswerState::NoValidList || m_state == AnswerState::SolutionPlaying)
        return;
    PlaySound(m_player, ElementSoundFile(m_head), true, false, true);
    if (m_state == AnswerState::TaskReady)
        m_state = AnswerState::Answering;
    hilfeEnabled = true;
}

void LautWegRules::playHeadingSounds()
{
    if (m_state == AnswerState::NoValidList || m_state == AnswerState::SolutionPlaying)
        return;
    bool first = true;
    for (const QString& raw : g().loadedList.layout.headingSound.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString file =
            raw.trimmed() == QLatin1String("&") ? ElementSoundFile(m_head) : exercise::HeadingSoundFile(raw);
        if (file.isEmpty())
            continue;
        PlaySound(m_player, file, first, false, true);
        first = false;
    }
    if (m_state == AnswerState::TaskReady) {
        m_state = AnswerState::Answering;
        hilfeEnabled = true;
    }
}

void LautWegRules::playHeadingBox()
{
    const QString name = fsys::fromStored(g().loadedList.layout.headingSound.trimmed());
    const QString file = g().config.dirs.anleitungsound + name;
    if (name.isEmpty() || !fsys::fileExists(file))
        return;
    headingBoxPressed = true;
    PlaySound(m_player, file, true, false, true);
}

LautWegRules::Outcome LautWegRules::clickListenButton(int row)
{
    if (row < 0 || row >= int(m_alternatives.size()))
        return Outcome::Ignored;
    if (m_state == AnswerState::TaskReady)
        return Outcome::NeedListen;
    if (m_state != AnswerState::Answering && m_state != AnswerState::Retrying)
        return Outcome::Ignored;
    m_heard[size_t(row)] = true;
    const QString file = m_alternatives[size_t(row)].sound;
    if (!fsys::fileExists(file))
        return Outcome::Flash;
    m_pressedListen = row;
    PlaySound(m_player, file, true, false, true);
    return Outcome::Played;
}

LautWegRules::Outcome LautWegRules::pressChoice(int row)
{
    if (row < 0 || row >= int(m_alternatives.size()))
        return Outcome::Ignored;
    if (m_state == AnswerState::TaskReady)
        return Outcome::NeedListen;
    if (m_state != AnswerState::Answering && m_state != AnswerState::Retrying)
        return Outcome::Ignored;
    if (m_hearAllFirst)
        for (bool h : m_heard)
            if (!h)
                return Outcome::NeedHearAll;
    m_chosen = row;
    return Outcome::Chosen;
}

LautWegRules::Outcome LautWegRules::releaseChoice(int row)
{
    if (row != m_chosen || m_chosen < 0 || (m_state != AnswerState::Answering && m_state != AnswerState::Retrying))
        return Outcome::Ignored;
    if (options().atOnce)
        return judge();
    PlaySound(m_player, m_alternatives[size_t(row)].sound, true, false, true);
    fertigEnabled = true;
    return Outcome::Played;
}

void LautWegRules::releaseElsewhere()
{
    if (m_state == AnswerState::Answering || m_state == AnswerState::Retrying) {
        m_chosen = -1;
        fertigEnabled = false;
    }
    m_pressedListen = -1;
    headingBoxPressed = false;
}

LautWegRules::Outcome LautWegRules::arrowKey(bool up)
{
    if ((m_state != AnswerState::Answering && m_state != AnswerState::Retrying) || m_alternatives.empty())
        return Outcome::Ignored;
    const int last = int(m_alternatives.size()) - 1;
    m_chosen = m_chosen < 0 ? 0 : std::clamp(m_chosen + (up ? -1 : 1), 0, last);
    m_heard[size_t(m_chosen)] = true;
    PlaySound(m_player, m_alternatives[size_t(m_chosen)].sound, true, false, true);
    if (!options().atOnce)
        fertigEnabled = true;
    return Outcome::Played;
}

void LautWegRules::space()
{
    if ((m_state != AnswerState::Answering && m_state != AnswerState::Retrying) || m_chosen < 0)
        return;
    PlaySound(m_player, m_alternatives[size_t(m_chosen)].sound, true, false, true);
}

LautWegRules::Outcome LautWegRules::judge()
{
    if ((m_state != AnswerState::Answering && m_state != AnswerState::Retrying) || m_chosen < 0 ||
        m_chosen >= int(m_alternatives.size()))
        return Outcome::Ignored;
    TZeile* r = row();
    if (!r)
        return Outcome::Ignored;
    const Alternative& alt = m_alternatives[size_t(m_chosen)];
    if (r->Answers.isEmpty())
        r->Answers = m_word;
    r->Answers += QStringLiteral(" - ") + alt.text;
    r->Attempts += 1;
    exercise::TaskResult& result = m_results[size_t(taskIndex())];
    if (alt.text.compare(m_newWord, Qt::CaseInsensitive) != 0) {
        m_state = AnswerState::Retrying;
        result.error = true;
        fertigEnabled = false;
        m_chosen = -1;
        exercise::PlayLautErrors(m_player, options().feedback);
        return Outcome::Wrong;
    }
    m_player.StopAll();
    exercise::PlayLautPraise(m_player, options().feedback);
    hilfeEnabled = false;
    helpDown = false;
    r->Duration = exercise::TaskDurationHundredths(run().taskStartTime, clock_::now());
    run().taskStartTime = QDateTime();
    r->Solved = true;
    result.state = result.error ? 1 : 0;
    fertigEnabled = false;
    pictureFace = 0;
    playSentence();
    return Outcome::Right;
}

void LautWegRules::playSentence()
{
    m_state = AnswerState::SolutionPlaying;
    weiterEnabled = false;
    for (const QString& s : {configured("SoundAus"), ElementSoundFile(m_head), configured("SoundWird"),
                             ElementSoundFile(m_new)})
        if (!s.isEmpty())
            PlaySound(m_player, s, false, false, true);
    if (m_player.isEmpty())
        soundsOver();
}

void LautWegRules::soundsOver()
{
    if (m_state == AnswerState::SolutionPlaying) {
        m_state = AnswerState::Solved;
        dissolveRequested = true;
    }
}

void LautWegRules::soundNotice(int channel, SoundStatus status)
{
    int left = 0;
    if (status == SoundStatus::Failure)
        left = m_player.SkipToNext() ? int(m_player.queue().size()) : 0;
    else
        left = m_player.SoundEnded(channel);
    if (m_state == AnswerState::SolutionPlaying && left < 3)
        soundsOver();
    if (left == 0) {
        m_pressedListen = -1;
        headingBoxPressed = false;
    }
}

void LautWegRules::clickBand(int third)
{
    if (m_state != AnswerState::Solved)
        return;
    if (third == 1) {
        pictureFace = 2;
        arrowPressed = true;
        m_player.StopAll();
        playSentence();
        return;
    }
    pictureFace = third == 0 ? 2 : 1;
    PlaySound(m_player, ElementSoundFile(third == 0 ? m_head : m_new), true, false, true);
}

void LautWegRules::setHelp(bool down)
{
    if (!hilfeEnabled) {
        helpDown = false;
        return;
    }
    helpDown = down;
    if (down)
        if (TZeile* r = row())
            r->WithHelp = true;
}

bool LautWegRules::advance()
{
    if (m_state == AnswerState::NoValidList || m_results.empty())
        return false;
    if (allSolved())
        return false;
    m_player.StopAll();
    m_position = exercise::NextPosition(m_position, m_results);
    setUpTask();
    return true;
}

void LautWegRules::restart()
{
    m_player.StopAll();
    m_results.assign(m_results.size(), exercise::TaskResult{});
    m_position = 0;
    setUpTask();
}

} // namespace lautweg
