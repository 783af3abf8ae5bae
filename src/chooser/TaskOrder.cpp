#include "chooser/TaskOrder.h"

#include "core/GlobalState.h"
#include "core/Random.h"
#include "core/TextUtil.h"

#include <vector>

namespace {
std::optional<std::uint64_t> g_fixedSeed;

void seedGenerator()
{
    if (g_fixedSeed)
        rnd::seed(*g_fixedSeed);
    else
        rnd::seedFromClock();
}

const QString* elementOneText(int taskIndex)
{
    const auto& tasks = g().taskList();
    if (taskIndex < 0 || size_t(taskIndex) >= tasks.size() || tasks[size_t(taskIndex)].elements.size() < 2)
        return nullptr;
    return &tasks[size_t(taskIndex)].elements[1].text;
}

QString syllableKey(int taskIndex)
{
    const QString* text = elementOneText(taskIndex);
    if (!text)
        return QStringLiteral("0");
    QStringList items;
    SplitText(*text, items, true, QStringLiteral(";"), false);
    return items.size() >= 2 ? items[1] : QStringLiteral("0");
}

using taskorder::SoundPosition;

SoundPosition soundPosition(int taskIndex)
{
    const QString* text = elementOneText(taskIndex);
    return text ? taskorder::soundPositionOf(*text) : SoundPosition::None;
}

std::vector<int>& order() { return g().taskOrder; }
} // namespace

namespace taskorder {
void useFixedSeed(std::optional<std::uint64_t> seed) { g_fixedSeed = seed; }

SoundPosition soundPositionOf(const QString& text)
{
    for (char16_t d = u'1'; d <= u'9'; ++d) {
        const qsizetype at = text.indexOf(QChar(d));
        if (at < 0)
            continue;
        const QString sound = text.mid(at + 1, d - u'0');
        const QString word = QString(text).remove(at, 1);
        if (word.startsWith(sound))
            return SoundPosition::Start;
        const qsizetype first = word.indexOf(sound);
        if (first >= 0 && first + sound.size() == word.size())
            return SoundPosition::End;
        return SoundPosition::Middle;
    }
    return SoundPosition::None;
}
} // namespace taskorder

void BuildTaskOrder(int count, bool random)
{
    count = std::max(count, 0);
    std::vector<int>& o = order();
    o.assign(size_t(count), -1);
    if (!random) {
        for (int i = 0; i < count; ++i)
            o[size_t(i)] = i;
        return;
    }
    seedGenerator();
    // Draw until an unused index comes up: a uniform permutation, each draw checked in O(1).
    std::vector<bool> used(size_t(count), false);
    for (int i = 0; i < count; ++i) {
        int a;
        do
            a = rnd::below(count);
        while (used[size_t(a)]);
        used[size_t(a)] = true;
        o[size_t(i)] = a;
    }
}

void LimitSyllableRuns()
{
    std::vector<int>& o = order();
    if (o.size() <= 1)
        return;
    std::vector<QString> keys;
    keys.reserve(o.size());
    for (int t : o)
        keys.push_back(syllableKey(t));
    int k = 0;
    for (size_t i = 1; i < keys.size(); ++i) {
        if (keys[i] != keys[i - 1]) {
            k = 0;
            continue;
        }
        if (++k <= 4)
            continue;
        for (size_t j = i + 1; j < keys.size(); ++j) {
            if (keys[j] != keys[i]) {
                std::swap(keys[i], keys[j]);
                std::swap(o[i], o[j]);
            }
        }
    }
}

void BuildSyllableTaskOrder(int count, bool random)
{
    BuildTaskOrder(count, random);
    LimitSyllableRuns();
}

void BuildPositionTaskOrder(int count, bool random)
{
    if (!random) {
        BuildTaskOrder(count, false);
        return;
    }
    count = std::max(count, 0);
    std::vector<int>& o = order();
    o.assign(size_t(count), -1);
    const int limit = 2 + rnd::below(3);
    seedGenerator();
    int k = 0, l = 0, j = 0, m = 0;  // runs at the start, at the end, in the middle; rejections
    std::vector<bool> used(size_t(count), false);
    for (int i = 0; i < count; ++i) {
        for (;;) {
            int r;
            do
                r = rnd::below(count);
            while (used[size_t(r)]);
            const SoundPosition p = soundPosition(r);
            bool accept = true;
            if (p == SoundPosition::Start && k < limit) {
                ++k; j = l = m = 0;
            } else if (p == SoundPosition::End && l < limit) {
                ++l; j = k = m = 0;
            } else if (p == SoundPosition::Middle && j < limit) {
                ++j; k = l = m = 0;
            } else if (p == SoundPosition::None) {
                // No marker, no position: it belongs to no run and ends the current one.
                j = k = l = m = 0;
            } else {
                accept = false;
                if (++m == 100)
                    k = l = j = 0;
            }
            if (accept) {
                used[size_t(r)] = true;
                o[size_t(i)] = r;
                break;
            }
        }
    }
}

bool programRandomOrder(int programCode)
{
    const TOpt_allg& p = g().playerOptions;
    switch (programCode) {
    case 301: return p.gleichNichtgleich.randomOrder;
    case 302: return p.richtigOderFalsch.randomOrder;
    case 303: return p.welcherLautPasst.randomOrder;
    case 304: return p.langOderKurz.randomOrder;
    case 401: return p.lautPos.randomOrder;
    case 402: return p.lautSuche.randomOrder;
    case 403: return p.lautAdd.randomOrder;
    case 404: return p.lautWeg.randomOrder;
    case 405: return p.lautReplace.randomOrder;
    case 406: return p.silbenanzahl.randomOrder;
    case 101: case 102: return p.merkfaehigkeit.randomOrder;
    case 201: case 202: case 203: case 204: return p.wortreihe.randomOrder;
    default: return false;
    }
}

void BuildTaskOrderForProgram(int programCode, int count, bool random)
{
    switch (programCode) {
    case 301: case 302: case 303: case 304: case 402: case 403: case 404: case 405:
        BuildTaskOrder(count, random);
        break;
    case 401: BuildPositionTaskOrder(count, random); break;
    case 406: BuildSyllableTaskOrder(count, random); break;
    case 408: BuildTaskOrder(count, false); break;  // pairs are mixed by the program itself
    default: break;
    }
}
