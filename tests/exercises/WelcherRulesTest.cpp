#include "chooser/TaskOrder.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/WelcherLautPasst/WelcherRules.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"
#include "../media/SoundTestWav.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace welcher;

namespace {

TAufgabe task(const QString& text, const QString& sound = QString())
{
    TAufgabe t;
    TEinzelbild e;
    e.text = text;
    e.sounds = sound.isEmpty() ? QStringList(text.split(QLatin1Char(','))).front() + QStringLiteral(".wav") : sound;
    t.elements = {TEinzelbild{}, e};
    return t;
}

class WelcherRulesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetSoundState();
        resetPraisePool();
        resetRun();
        taskorder::useFixedSeed(7);
        rnd::seed(7);
        auto& d = g().config.dirs;
        d.materialSound = tree.mkdir("Material/Sound/");
        d.lobSound = tree.mkdir("INTERN/Lob/");
        d.internsound = tree.mkdir("INTERN/Sound/");
        d.fehlersound = tree.mkdir("INTERN/Fehler/");
        for (const char* n : {"Bär.wav", "Hut.wav", "Bus.wav", "die.wav"})
            tree.write(QStringLiteral("Material/Sound/") + QString::fromUtf8(n), testwav::monoTone());
        // Letter sounds are lower case; the choices find them without case.
        for (const char* n : {"b.wav", "p.wav", "u.wav", "o.wav", "s.wav", "sch.wav"})
            tree.write(QStringLiteral("INTERN/Sound/ABC/LAUTE/") + n, testwav::monoTone());
        for (const char* n : {"fehler.wav", "anlaut.wav", "inlaut.wav", "auslaut.wav"})
            tree.write(QStringLiteral("INTERN/Sound/") + n, testwav::monoTone());
        tree.write("INTERN/Lob/super.wav", testwav::monoTone());
        tree.write("INTERN/Sound/Pausen/0750.wav", testwav::monoTone(10, 0, 0));
        ProgramSection s;
        s.values.insert(QStringLiteral("fehlersound"), d.internsound + QStringLiteral("fehler.wav"));
        s.values.insert(QStringLiteral("soundanlaut"), d.internsound + QStringLiteral("anlaut.wav"));
        s.values.insert(QStringLiteral("soundinlaut"), d.internsound + QStringLiteral("inlaut.wav"));
        s.values.insert(QStringLiteral("soundauslaut"), d.internsound + QStringLiteral("auslaut.wav"));
        g().config.programSections.insert(QStringLiteral("progwelcherlautpasst"), s);
        SelectPause(3);
        g().randomOrder303 = false;
        auto& f = g().playerOptions.welcherLautPasst.feedback;
        f.successSound = true;
        f.successSource = 0;
        f.successSoundText = {QStringLiteral("super.wav")};
        f.successFrequency = 0;
        onSoundEnded(&owner, [this](int channel, SoundStatus status) { rules.soundNotice(channel, status); });
    }
    void TearDown() override { taskorder::useFixedSeed(std::nullopt); }

    void load(const std::vector<TAufgabe>& tasks, SoundPosition position)
    {
        g().loadedList.tasks = tasks;
        g().taskOrder.clear();
        ASSERT_TRUE(rules.prepareList(QStringLiteral("Anlaut\\test.txt"), position));
    }
    // Lets every sound end, oldest first; the file names in the order they started.
    QStringList playOut()
    {
        for (int i = 0; i < 50 && !audio.endNext().isEmpty(); ++i)
            QCoreApplication::sendPostedEvents();
        QStringList names;
        for (const QString& f : audio.started())
            names << fsys::fileName(f);
        audio.clearLog();
        return names;
    }
    int wrongCard() const { return rules.rightCard() == kLeft ? kRight : kLeft; }

    TempTree tree;
    TestAudioBackend audio;
    QObject owner;
    TWAV player{&owner};
    WelcherRules rules{player};
};

TEST(WelcherSoundPairs, ChoicesComeFromTheWordAndTheListFolder)
{
    struct Case { SoundPosition position; const char* text; const char* right; const char* wrong; };
    const Case cases[] = {
        {SoundPosition::Anlaut, "Bär", "B-", "P-"},
        {SoundPosition::Anlaut, "Schaf", "Sch-", "S-"},
        {SoundPosition::Anlaut, "Sonne", "S-", "Sch-"},
        {SoundPosition::Anlaut, "Pilz", "P-", "B-"},
        {SoundPosition::Inlaut, "Hut", "-u-", "-o-"},    // t is the last character: t/d does not count
        {SoundPosition::Inlaut, "Hose", "-o-", "-u-"},
        {SoundPosition::Inlaut, "Tasse", "", ""},  // only the last e and a capital T
        {SoundPosition::Auslaut, "Bus", "-s", "-sch"},
        {SoundPosition::Auslaut, "Tisch", "-sch", "-s"},
        {SoundPosition::Auslaut, "Baum", "-m", "-n"},
        // Given choices are used unchanged, in any folder.
        {SoundPosition::None, "Hose,-o-,-a-", "-o-", "-a-"},
        {SoundPosition::Auslaut, "Ball,-l,-n", "-l", "-n"},
        // Not counting anywhere: no choices.
        {SoundPosition::Auslaut, "Mann", "", ""},
        {SoundPosition::None, "Bär", "", ""},
        {SoundPosition::Anlaut, "", "", ""},
    };
    for (const Case& c : cases) {
        const Choices ch = ChoicesOf(QString::fromUtf8(c.text), c.position);
        EXPECT_EQ(ch.valid, *c.right != 0) << c.text;
        EXPECT_EQ(ch.right, QString::fromUtf8(c.right)) << c.text;
        EXPECT_EQ(ch.wrong, QString::fromUtf8(c.wrong)) << c.text;
    }
    EXPECT_EQ(SoundPositionOf(QStringLiteral("inlaut\\01 Vokale.txt")), SoundPosition::Inlaut);
    EXPECT_EQ(SoundPositionOf(QStringLiteral("Auslaut/x.txt")), SoundPosition::Auslaut);
    EXPECT_EQ(SoundPositionOf(QStringLiteral("Anlaut.txt")), SoundPosition::None);
}

TEST(WelcherSoundPairs, LetterSoundsAndMarks)
{
    struct Sound { const char* choice; const char* letters; };
    for (const Sound& s : {Sound{"-ss", "s"}, Sound{"Sch-", "Sch"}, Sound{"-ai-", "ai"}, Sound{"B-", "B"},
                           Sound{"-ll", "l"}})
        EXPECT_EQ(LetterOf(QString::fromUtf8(s.choice)), QString::fromUtf8(s.letters)) << s.choice;

    struct M { const char* word; const char* choice; bool fromEnd; int start, length; };
    const M marks[] = {{"Ball", "-l", true, 2, 2},          {"Schifffahrt", "-f-", false, 4, 3},
                       {"Bus", "-s", true, 2, 1},           {"Hund", "-u-", false, 1, 1},
                       {"Schaf", "Sch-", false, 0, 3},      {"Hund", "-o-", false, -1, 0},
                       {"BALL", "-l", true, 2, 2}};
    for (const M& m : marks) {
        const Mark got = MarkOf(QString::fromUtf8(m.word), QString::fromUtf8(m.choice), m.fromEnd);
        EXPECT_EQ(got.start, m.start) << m.word;
        EXPECT_EQ(got.length, m.length) << m.word;
    }
}

TEST(WelcherSides, NeverFiveOfOneSideInARowAcrossDrawings)
{
    for (int seed = 1; seed <= 200; ++seed) {
        rnd::seed(quint32(seed));
        SideDrawer drawer;
        std::vector<int> drawn = drawer.draw(12);
        const std::vector<int> more = drawer.draw(12);  // the run counters carry over
        drawn.insert(drawn.end(), more.begin(), more.end());
        QString sides;
        for (int side : drawn)
            sides += QString::number(side);
        EXPECT_FALSE(sides.contains(QStringLiteral("00000")) || sides.contains(QStringLiteral("11111")))
            << seed << " " << sides.toStdString();
        EXPECT_EQ(sides.size(), 24);
    }
}

TEST_F(WelcherRulesTest, ATaskWithoutChoicesIsNotShown)
{
    load({task(QStringLiteral("Bus")), task(QStringLiteral("Mann"))}, SoundPosition::Auslaut);
    EXPECT_TRUE(rules.taskShown());
    EXPECT_EQ(rules.incorrectTask(), 0);
    EXPECT_FALSE(rules.jumpTo(1));
    EXPECT_EQ(rules.incorrectTask(), 2);
    EXPECT_FALSE(rules.taskShown());
    EXPECT_EQ(rules.state(), AnswerState::Idle);
    rules.listen();
    EXPECT_TRUE(audio.started().isEmpty());
    EXPECT_EQ(rules.clickChoice(kLeft), WelcherRules::Outcome::Ignored);
}

TEST_F(WelcherRulesTest, ArrowAndEnterAnswerByTheSideOfTheTask)
{
    struct Case { bool rightSide; bool leftKey; bool right; };
    for (const Case c : {Case{false, true, true}, Case{false, false, false}, Case{true, false, true},
                         Case{true, true, false}}) {
        resetRun();
        load({task(QStringLiteral("Bär"))}, SoundPosition::Anlaut);
        rules.setSide(0, c.rightSide);
        EXPECT_EQ(rules.cardText(c.rightSide ? kRight : kLeft), QStringLiteral("B-"));
        EXPECT_EQ(rules.cardText(c.rightSide ? kLeft : kRight), QStringLiteral("P-"));
        // Enter before the word was heard uncovers the picture and listens.
        EXPECT_EQ(rules.enter(false), WelcherRules::KeyAction::Listened);
        EXPECT_TRUE(rules.pictureShown());
        playOut();
        rules.arrowKey(c.leftKey);
        EXPECT_EQ(rules.keyboardChoice(), c.leftKey ? kLeft : kRight);
        WelcherRules::Outcome outcome{};
        EXPECT_EQ(rules.enter(false, &outcome), WelcherRules::KeyAction::Answered);
        EXPECT_EQ(outcome, c.right ? WelcherRules::Outcome::Right : WelcherRules::Outcome::Wrong);
        EXPECT_EQ(run().runResults.at(0).Rows.at(0).Attempts, 1);
    }
}

TEST_F(WelcherRulesTest, AnAnswerSoundsTheErrorThenTheWordOrTheExplanationWithPauses)
{
    load({task(QStringLiteral("Bär"))}, SoundPosition::Anlaut);
    rules.listen();
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("Bär.wav")});
    EXPECT_EQ(rules.state(), AnswerState::Answering);
    // Ear buttons sound the letters while answering.
    rules.clickEar(rules.rightCard());
    rules.clickEar(wrongCard());
    EXPECT_EQ(playOut(), (QStringList{QStringLiteral("b.wav"), QStringLiteral("p.wav")}));

    EXPECT_EQ(rules.clickChoice(wrongCard()), WelcherRules::Outcome::Wrong);
    EXPECT_EQ(rules.state(), AnswerState::ErrorFeedback);
    EXPECT_TRUE(rules.results()[0].error);
    // In error feedback the ear buttons are silent.
    rules.clickEar(rules.rightCard());
    EXPECT_EQ(audio.started().size(), 1);
    EXPECT_EQ(playOut(), (QStringList{QStringLiteral("fehler.wav"), QStringLiteral("Bär.wav")}));
    EXPECT_EQ(rules.state(), AnswerState::Answering);

    EXPECT_EQ(rules.clickChoice(rules.rightCard()), WelcherRules::Outcome::Right);
    EXPECT_EQ(rules.state(), AnswerState::Solved);
    EXPECT_EQ(playOut(), (QStringList{QStringLiteral("Bär.wav"), QStringLiteral("0750.wav"),
                                      QStringLiteral("anlaut.wav"), QStringLiteral("0750.wav"),
                                      QStringLiteral("b.wav"), QStringLiteral("0750.wav"),
                                      QStringLiteral("super.wav")}));
    EXPECT_EQ(rules.results()[0].state, 1);
    const TZeile& row = run().runResults.at(0).Rows.at(0);
    EXPECT_EQ(row.Attempts, 2);
    EXPECT_TRUE(row.Solved);
    EXPECT_EQ(row.Answers, QStringLiteral("Bär - B-"));
    EXPECT_EQ(rules.mark().start, 0);
    EXPECT_EQ(rules.mark().length, 1);
    // Solved: a choice card sounds its letter, the ear buttons nothing.
    EXPECT_EQ(rules.clickChoice(wrongCard()), WelcherRules::Outcome::Sounded);
    rules.clickEar(rules.rightCard());
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("p.wav")});
    EXPECT_EQ(rules.state(), AnswerState::Solved);
}

TEST_F(WelcherRulesTest, TheExplanationOrderFollowsTheSoundPositionOrIsMinimized)
{
    struct Case { SoundPosition position; const char* text; bool minimize; QStringList chain; };
    const QString p = QStringLiteral("0750.wav");
    const Case cases[] = {
        {SoundPosition::Inlaut, "Hut", false, {"u.wav", p, "inlaut.wav", p, "Hut.wav", p, "super.wav"}},
        {SoundPosition::Auslaut, "Bus", false, {"Bus.wav", p, "auslaut.wav", p, "s.wav", p, "super.wav"}},
        {SoundPosition::Auslaut, "Bus,-ss,-sch", false, {"Bus.wav", p, "auslaut.wav", p, "s.wav", p, "super.wav"}},
        {SoundPosition::Inlaut, "Hut", true, {"Hut.wav", p, "super.wav"}},
    };
    for (const Case& c : cases) {
        resetRun();
        rules.setMinimizeSpeech(c.minimize);
        load({task(QString::fromUtf8(c.text))}, c.position);
        rules.listen();
        playOut();
        ASSERT_EQ(rules.clickChoice(rules.rightCard()), WelcherRules::Outcome::Right) << c.text;
        EXPECT_EQ(playOut(), c.chain) << c.text;
    }
}

TEST_F(WelcherRulesTest, ASkippedTaskIsOfferedAgainBeforeTheEndQuestion)
{
    load({task(QStringLiteral("Bär")), task(QStringLiteral("Bus")), task(QStringLiteral("Pilz"))},
         SoundPosition::Anlaut);
    auto solve = [&] {
        rules.listen();
        playOut();
        ASSERT_EQ(rules.clickChoice(rules.rightCard()), WelcherRules::Outcome::Right);
        playOut();
    };
    solve();
    EXPECT_TRUE(rules.jumpTo(2));  // task 2 skipped through the strip
    solve();
    ASSERT_TRUE(rules.advance());
    EXPECT_EQ(rules.position(), 1);
    EXPECT_EQ(rules.state(), AnswerState::TaskReady);
    solve();
    // "Weiter" goes on in the play order; only past the end it looks for open tasks.
    ASSERT_TRUE(rules.advance());
    EXPECT_EQ(rules.position(), 2);
    EXPECT_FALSE(rules.advance());
    EXPECT_EQ(rules.position(), 2);
    EXPECT_TRUE(rules.allSolved());
    // "Von vorne" with new sides: the same order, all open again.
    const QStringList before = rules.sides();
    rules.restart(true);
    EXPECT_EQ(rules.position(), 0);
    EXPECT_FALSE(rules.allSolved());
    EXPECT_EQ(rules.sides().size(), before.size());
    EXPECT_EQ(rules.rowCount(), 3);
}

TEST_F(WelcherRulesTest, SpaceSoundsTheChosenLetterOrListens)
{
    load({task(QStringLiteral("Bär"))}, SoundPosition::Anlaut);
    rules.listen();
    playOut();
    rules.space();
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("Bär.wav")});
    rules.arrowKey(rules.rightCard() == kLeft);
    rules.space();
    EXPECT_EQ(playOut(), QStringList{QStringLiteral("b.wav")});
    // A choice made by the pointer leaves the keyboard choice alone.
    EXPECT_EQ(rules.state(), AnswerState::Answering);
}

} // namespace
