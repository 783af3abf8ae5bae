#include "chooser/TaskOrder.h"
#include "core/GlobalState.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>

namespace {

class TaskOrder : public ::testing::Test
{
protected:
    void SetUp() override { resetGlobals(); }
    void TearDown() override { taskorder::useFixedSeed(std::nullopt); }

    // One task per text; the text is element 1's.
    void setTexts(const QStringList& texts)
    {
        auto& tasks = g().taskList();
        tasks.clear();
        for (const QString& t : texts) {
            TAufgabe a;
            a.elements.resize(2);
            a.elements[1].text = t;
            tasks.push_back(a);
        }
    }
    std::vector<int> identity(int n)
    {
        std::vector<int> v(static_cast<size_t>(n), 0);
        std::iota(v.begin(), v.end(), 0);
        return v;
    }
    QStringList syllableKeysInOrder()
    {
        QStringList out;
        for (int i : g().taskOrder)
            out << g().taskList()[size_t(i)].elements[1].text.section(';', 1, 1);
        return out;
    }
};

bool isPermutation(std::vector<int> v)
{
    std::sort(v.begin(), v.end());
    for (size_t i = 0; i < v.size(); ++i)
        if (v[i] != int(i))
            return false;
    return true;
}

} // namespace

namespace taskorder {
void PrintTo(SoundPosition p, std::ostream* os)
{
    static const char* const names[] = {"Start", "End", "Middle", "None"};
    *os << names[int(p)];
}
} // namespace taskorder

TEST_F(TaskOrder, CountsZeroAndOneForEveryBuilder)
{
    using Builder = void (*)(int, bool);
    for (Builder b : {Builder(BuildTaskOrder), Builder(BuildSyllableTaskOrder), Builder(BuildPositionTaskOrder)}) {
        for (bool random : {false, true}) {
            setTexts({});
            b(0, random);
            EXPECT_TRUE(g().taskOrder.empty());
            setTexts({"1Ball;2"});
            b(1, random);
            EXPECT_EQ(g().taskOrder, std::vector<int>{0});
        }
    }
}

TEST_F(TaskOrder, NotRandomIsFileOrder)
{
    setTexts({"1a;1", "1b;1", "1c;1", "1d;1", "1e;1", "1f;1", "1g;1", "a1b;2"});
    BuildTaskOrder(8, false);
    EXPECT_EQ(g().taskOrder, identity(8));
    BuildPositionTaskOrder(8, false);
    EXPECT_EQ(g().taskOrder, identity(8));
}

TEST_F(TaskOrder, RandomIsAPermutationAndSeedable)
{
    taskorder::useFixedSeed(42);
    BuildTaskOrder(50, true);
    const std::vector<int> first = g().taskOrder;
    EXPECT_TRUE(isPermutation(first));
    EXPECT_NE(first, identity(50));
    BuildTaskOrder(50, true);
    EXPECT_EQ(g().taskOrder, first);
    taskorder::useFixedSeed(43);
    BuildTaskOrder(50, true);
    EXPECT_NE(g().taskOrder, first);
}

TEST_F(TaskOrder, SixEqualSyllableKeysGetBrokenUp)
{
    setTexts({"a;A", "b;A", "c;A", "d;A", "e;A", "f;A", "g;B", "h;C"});
    BuildSyllableTaskOrder(8, false);
    EXPECT_EQ(syllableKeysInOrder(), (QStringList{"A", "A", "A", "A", "A", "C", "A", "B"}));
    EXPECT_EQ(g().taskOrder, (std::vector<int>{0, 1, 2, 3, 4, 7, 5, 6}));
}

TEST_F(TaskOrder, FiveEqualKeysAndRunsWithoutOtherKeysStay)
{
    setTexts({"a;A", "b;A", "c;A", "d;A", "e;A", "g;B"});
    BuildSyllableTaskOrder(6, false);
    EXPECT_EQ(g().taskOrder, identity(6));
    // Nothing later differs: the run stays.
    setTexts({"x;B", "a;A", "b;A", "c;A", "d;A", "e;A", "f;A", "g;A"});
    BuildSyllableTaskOrder(8, false);
    EXPECT_EQ(g().taskOrder, identity(8));
    // A text with fewer than two items has the key "0".
    setTexts({"a", "b", "c", "d", "e", "f", "g;0", "h;1"});
    BuildSyllableTaskOrder(8, false);
    EXPECT_EQ(g().taskOrder, (std::vector<int>{0, 1, 2, 3, 4, 7, 6, 5}));
}

TEST_F(TaskOrder, PositionOrderKeepsItsRunLimitOverManySeeds)
{
    using taskorder::SoundPosition;
    // 10 at the start, 10 at the end, 10 in the middle of the word.
    const QString kinds[] = {QStringLiteral("1Ball"), QStringLiteral("Ba2ll"), QStringLiteral("B1all")};
    ASSERT_EQ(taskorder::soundPositionOf(kinds[0]), SoundPosition::Start);
    ASSERT_EQ(taskorder::soundPositionOf(kinds[1]), SoundPosition::End);
    ASSERT_EQ(taskorder::soundPositionOf(kinds[2]), SoundPosition::Middle);
    QStringList texts;
    for (int i = 0; i < 10; ++i)
        texts << kinds[0] << kinds[1] << kinds[2];
    setTexts(texts);
    auto cls = [&](int t) { return t % 3; };
    for (std::uint64_t seed = 1; seed <= 300; ++seed) {
        taskorder::useFixedSeed(seed);
        BuildPositionTaskOrder(30, true);
        const auto& o = g().taskOrder;
        ASSERT_TRUE(isPermutation(o)) << seed;
        // The limit is at most 4; a longer run is allowed only after 100 rejections, which a
        // balanced list never reaches before its tail.
        int run = 1;
        for (size_t i = 1; i + 6 < o.size(); ++i) {
            run = cls(o[i]) == cls(o[i - 1]) ? run + 1 : 1;
            ASSERT_LE(run, 4) << "seed " << seed << " at " << i;
        }
    }
}

TEST_F(TaskOrder, PositionClassesOfMarkers)
{
    using taskorder::SoundPosition;
    const struct {
        const char* text;
        SoundPosition position;
    } cases[] = {
        {"2Schule", SoundPosition::Start},
        {"1Ball", SoundPosition::Start},
        {"Bu2ch", SoundPosition::End},
        {"Ba2ll", SoundPosition::End},
        {"Ha1se", SoundPosition::Middle},
        // The sound ends the word, but its first occurrence does not.
        {"Bal1l", SoundPosition::Middle},
        {"Anan1a", SoundPosition::Middle},
        {"Ana1na", SoundPosition::Middle},
        // The marker is the lowest digit, wherever it stands; other digits stay in the word.
        {"2Schul1e", SoundPosition::End},
        {"Haus", SoundPosition::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(taskorder::soundPositionOf(QString::fromUtf8(c.text)), c.position) << c.text;

    // Every kind, a text without a marker among them, in a random order: still each task once.
    setTexts({"2Schule", "Bu2ch", "Ha1se", "Ana1na", "Haus"});
    for (std::uint64_t seed = 1; seed <= 50; ++seed) {
        taskorder::useFixedSeed(seed);
        BuildPositionTaskOrder(5, true);
        EXPECT_TRUE(isPermutation(g().taskOrder));
    }
}

TEST_F(TaskOrder, ProgramsChooseTheirBuilder)
{
    setTexts({"a;A", "b;A", "c;A", "d;A", "e;A", "f;A", "g;B"});
    BuildTaskOrderForProgram(406, 7, false);
    EXPECT_EQ(g().taskOrder, (std::vector<int>{0, 1, 2, 3, 4, 6, 5}));
    BuildTaskOrderForProgram(408, 7, true);  // always in file order
    EXPECT_EQ(g().taskOrder, identity(7));
    g().taskOrder = {9};
    BuildTaskOrderForProgram(101, 7, true);  // builds nothing
    EXPECT_EQ(g().taskOrder, std::vector<int>{9});
    g().playerOptions.lautWeg.randomOrder = false;
    EXPECT_FALSE(programRandomOrder(404));
    EXPECT_TRUE(programRandomOrder(301));
}
