#include "chooser/TaskOrder.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Random.h"
#include "exercises/LautAdd/LautAddRules.h"
#include "exercises/LautErsetzen/LautReplaceRules.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "support/TestSupport.h"
#include "../media/SoundTestWav.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace lautreplace;

namespace {

TAufgabe pair(const QString& first, const QString& second, const QString& firstSound = QStringLiteral("Haus.wav"),
              const QString& secondSound = QStringLiteral("Maus.wav"))
{
    TAufgabe t;
    TEinzelbild a, b;
    a.text = first;
    a.sounds = firstSound;
    b.text = second;
    b.sounds = secondSound;
    t.elements = {TEinzelbild{}, a, b};
    return t;
}

TEST(LautReplaceWords, OfferedSoundsAndTheRightOneByPosition)
{
    struct Case { Position pos; const char* second; int count; QStringList offered; const char* right; };
    const Case cases[] = {
        {Position::Anlaut, "1hund,b,d,t", 5, {"b", "d", "t", "h"}, "h"},
        {Position::Inlaut, "1hund,b,d,t", 5, {"h", "b", "d", "t"}, "h"},
        {Position::Auslaut, "1hund,b,d,t", 5, {"h", "b", "d", "t"}, "h"},
        {Position::Anlaut, "1hund,b,d,t", 2, {"b", "h"}, "h"},       // "LautAnzahl" 2: first other and new
        {Position::Anlaut, "2Schal,b,b,t", 5, {"b", "t", "Sc"}, "Sc"}, // a repeated sound once
    };
    for (const Case& c : cases) {
        const TaskWords w = ReplaceWords(pair(QStringLiteral("1Mund"), QString::fromUtf8(c.second)), c.pos, c.count);
        EXPECT_TRUE(w.valid) << c.second;
        EXPECT_EQ(w.offered, c.offered) << c.second;
        EXPECT_EQ(w.offered.value(w.right), QString::fromUtf8(c.right)) << c.second;
    }
}

TEST(LautReplaceWords, MarkerLettersAndTheGap)
{
    const TaskWords w = ReplaceWords(pair(QStringLiteral("Ha1se"), QStringLiteral("Ho1se,a,u")), Position::Inlaut, 5);
    EXPECT_EQ(w.firstWord, QStringLiteral("Hase"));
    EXPECT_EQ(w.firstMarkStart, 2);
    EXPECT_EQ(w.firstMarkLength, 1);
    EXPECT_EQ(w.secondWord, QStringLiteral("Hose"));
    EXPECT_EQ(w.before, QStringLiteral("Ho"));
    EXPECT_EQ(w.after, QStringLiteral("e"));
    EXPECT_EQ(w.offered.front(), QStringLiteral("s"));
    // Without a marker in the second word nothing can be offered.
    EXPECT_FALSE(ReplaceWords(pair(QStringLiteral("1Haus"), QStringLiteral("Maus,r")), Position::Anlaut, 5).valid);
    EXPECT_EQ(ShownSound(QStringLiteral("1ei2")), QStringLiteral("ei"));
}

TEST(LautAddWords, SumsOfRestAndSound)
{
    struct Case { Position pos; const char* second; int count; bool capitals; QStringList offered; const char* right;
                  const char* before; const char* after; const char* solution; };
    const Case cases[] = {
        {Position::Anlaut, "b,d,t+raum", 5, false, {"b", "d", "t"}, "t", "", "raum", "traum"},
        {Position::Anlaut, "b,d,t+raum", 2, false, {"d", "t"}, "t", "", "raum", "traum"},
        {Position::Auslaut, "Bau+m,n,l", 5, false, {"m", "n", "l"}, "m", "Bau", "", "Baum"},
        {Position::Auslaut, "Bau+m,n,l", 2, false, {"m", "n"}, "m", "Bau", "", "Baum"},
        {Position::Anlaut, "m,l,R+Eis", 5, false, {"m", "l", "R"}, "R", "", "eis", "Reis"},  // rest in lower case
        {Position::Anlaut, "m,l,R+EIS", 5, true, {"m", "l", "R"}, "R", "", "EIS", "REIS"},
    };
    for (const Case& c : cases) {
        const TaskWords w = AddWords(pair(QStringLiteral("Eis"), QString::fromUtf8(c.second)), c.pos, c.count, c.capitals);
        ASSERT_TRUE(w.valid) << c.second;
        EXPECT_EQ(w.offered, c.offered) << c.second;
        EXPECT_EQ(w.offered.value(w.right), QString::fromUtf8(c.right)) << c.second;
        EXPECT_EQ(w.before, QString::fromUtf8(c.before)) << c.second;
        EXPECT_EQ(w.after, QString::fromUtf8(c.after)) << c.second;
        EXPECT_EQ(w.secondWord, QString::fromUtf8(c.solution)) << c.second;
    }
    EXPECT_EQ(AddedWord(pair(QStringLiteral("Eis"), QStringLiteral("b,d,t+raum")), Position::Anlaut), QStringLiteral("traum"));
    EXPECT_FALSE(AddWords(pair(QStringLiteral("Eis"), QStringLiteral("m,l")), Position::Anlaut, 5, false).valid);
    EXPECT_EQ(AddPositionOf(QStringLiteral("Anlaut\\x.txt")), Position::Anlaut);
    EXPECT_EQ(AddPositionOf(QStringLiteral("Auslaut\\x.txt")), Position::Auslaut);
    EXPECT_EQ(ReplacePositionOf(QStringLiteral("Inlaut\\x.txt")), Position::Inlaut);
}

class LautReplaceRulesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        resetSoundState();
        resetRun();
        taskorder::useFixedSeed(5);
        rnd::seed(5);
        auto& d = g().config.dirs;
        d.materialSound = tree.mkdir("Material/Sound/");
        d.lobSound = tree.mkdir("INTERN/Lob/");
        d.internsound = tree.mkdir("INTERN/Sound/");
        d.fehlersound = tree.mkdir("INTERN/Fehler/");
        for (const char* n : {"Haus", "Maus", "Eis", "Reis"})
            tree.write(QStringLiteral("Material/Sound/") + QLatin1String(n) + QStringLiteral(".wav"), testwav::monoTone());
        for (const char* n : {"m", "r", "l", "k"})
            tree.write(QStringLiteral("INTERN/Sound/ABC/LAUTE/") + QLatin1String(n) + QStringLiteral(".wav"), testwav::monoTone());
        tree.write("INTERN/Lob/super.wav", testwav::monoTone());
        tree.write("INTERN/Fehler/nein.wav", testwav::monoTone());
        for (TOpt_LautAdd* o : {&g().playerOptions.lautReplace, &g().playerOptions.lautAdd}) {
            *o = TOpt_LautAdd{};
            o->feedback.successSource = 0;
            o->feedback.successSoundText = {QStringLiteral("super.wav")};
            o->feedback.successFrequency = 0;
            o->feedback.errorSource = 0;
            o->feedback.errorSoundText = {QStringLiteral("nein.wav")};
        }
        onSoundEnded(&owner, [this](int channel, SoundStatus status) { rules.soundNotice(channel, status); });
    }
    void TearDown() override { taskorder::useFixedSeed(std::nullopt); }

    void load(const std::vector<TAufgabe>& tasks, Position position = Position::Anlaut)
    {
        g().loadedList.tasks = tasks;
        BuildTaskOrder(int(tasks.size()), false);
        ASSERT_TRUE(rules.prepareList(QStringLiteral("Anlaut\\test.txt"), position));
    }
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
    int entryOf(const QString& sound) const { return int(rules.words().offered.indexOf(sound)); }
    const TZeile& lastRow() const { return run().runResults.back().Rows.back(); }

    TempTree tree;
    TestAudioBackend audio;
    QObject owner;
    TWAV player{&owner};
    LautReplaceRules rules{player, LautReplaceRules::Kind::Replace};
};

TEST_F(LautReplaceRulesTest, AWholeTaskWrongThenRightWithItsSoundsInOrder)
{
    load({pair(QStringLiteral("1Haus"), QStringLiteral("1Maus,r,l,k"))});
    EXPECT_EQ(rules.pick(0), LautReplaceRules::Outcome::NeedListen);
    rules.listen();
    EXPECT_EQ(rules.state(), AnswerState::Hearing);
    EXPECT_EQ(playOut(), QStringList{"Haus.wav"});
    EXPECT_EQ(rules.state(), AnswerState::Answering);
    // A plain click on "r": picked, placed, its sound.
    EXPECT_EQ(rules.pick(entryOf("r")), LautReplaceRules::Outcome::Picked);
    EXPECT_EQ(rules.state(), AnswerState::Dragging);
    EXPECT_EQ(rules.place(), LautReplaceRules::Outcome::Placed);
    rules.playPicked();
    EXPECT_TRUE(rules.fertigEnabled);
    // Listening with a placed sound keeps it placed.
    rules.listen();
    EXPECT_EQ(rules.state(), AnswerState::HearingPlaced);
    EXPECT_EQ(playOut(), (QStringList{"r.wav", "Haus.wav"}));
    EXPECT_EQ(rules.state(), AnswerState::Placed);
    EXPECT_EQ(rules.judge(), LautReplaceRules::Outcome::Wrong);
    EXPECT_EQ(rules.state(), AnswerState::Retrying);
    EXPECT_EQ(rules.placed(), -1);
    EXPECT_TRUE(lastRow().Answers.isEmpty());
    EXPECT_EQ(playOut(), QStringList{"nein.wav"});

    rules.pick(entryOf("M"));  // the new sound as the second word writes it
    rules.place();
    rules.playPicked();
    EXPECT_EQ(rules.judge(), LautReplaceRules::Outcome::Right);
    EXPECT_EQ(rules.state(), AnswerState::Solved);
    EXPECT_TRUE(rules.revealRequested);
    EXPECT_EQ(playOut(), (QStringList{"m.wav", "Maus.wav", "super.wav"}));
    const TZeile& row = lastRow();
    EXPECT_EQ(row.Attempts, 2);
    EXPECT_TRUE(row.Solved);
    EXPECT_EQ(row.Answers, QStringLiteral("(H)aus - (M)aus"));
    EXPECT_EQ(rules.results()[0].state, 1);
}

TEST_F(LautReplaceRulesTest, ATaskLeftUnheardLeavesARowWithNoAttempt)
{
    load({pair(QStringLiteral("1Haus"), QStringLiteral("1Maus,r")), pair(QStringLiteral("1Haus"), QStringLiteral("1Maus,l"))});
    ASSERT_TRUE(rules.advance());
    const auto& rows = run().runResults.back().Rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Attempts, 0);
    EXPECT_FALSE(rows[0].Solved);
}

TEST_F(LautReplaceRulesTest, HelpMarksTheRowEvenWhenReleased)
{
    g().playerOptions.lautReplace.withText = false;
    load({pair(QStringLiteral("1Haus"), QStringLiteral("1Maus,r"))});
    rules.setHelp(true);
    EXPECT_FALSE(rules.helpDown);  // only after listening
    rules.listen();
    rules.setHelp(true);
    rules.setHelp(false);
    EXPECT_TRUE(lastRow().WithHelp);
}

TEST_F(LautReplaceRulesTest, ArrowKeysPlaceTheFocusedSoundAtOnce)
{
    load({pair(QStringLiteral("1Haus"), QStringLiteral("1Maus,r,l"))});
    rules.listen();
    playOut();
    const std::vector<int> order = {2, 0, 1};
    EXPECT_EQ(rules.arrowKey(false, order), LautReplaceRules::Outcome::Placed);
    EXPECT_EQ(rules.placed(), 2);
    rules.arrowKey(false, order);
    rules.arrowKey(true, order);
    rules.arrowKey(true, order);
    EXPECT_EQ(rules.placed(), 2);
    EXPECT_EQ(rules.state(), AnswerState::Placed);
    EXPECT_EQ(playOut().size(), 4);  // each move places and sounds
    EXPECT_EQ(rules.judge(), LautReplaceRules::Outcome::Right);
}

TEST_F(LautReplaceRulesTest, AddWritesTheSumAndWithoutPicturesWeiterComesAtOnce)
{
    QObject addOwner;
    TWAV addPlayer(&addOwner);
    LautReplaceRules add(addPlayer, LautReplaceRules::Kind::Add);
    onSoundEnded(&addOwner, [&add](int channel, SoundStatus status) { add.soundNotice(channel, status); });
    g().playerOptions.lautAdd.withPicture = false;
    g().loadedList.tasks = {pair(QStringLiteral("Eis"), QStringLiteral("m,l,R+eis"), QStringLiteral("Eis.wav"),
                                 QStringLiteral("Reis.wav"))};
    BuildTaskOrder(1, false);
    ASSERT_TRUE(add.prepareList(QStringLiteral("Anlaut\\x.txt"), Position::Anlaut));
    add.listen();
    playOut();
    add.pick(add.words().right);
    add.place();
    EXPECT_EQ(add.judge(), LautReplaceRules::Outcome::Right);
    EXPECT_TRUE(add.weiterEnabled);
    EXPECT_FALSE(add.revealRequested);
    EXPECT_EQ(lastRow().Answers, QStringLiteral("R+Eis = Reis"));
}

TEST_F(LautReplaceRulesTest, WithPicturesAddTakesWeiterAtOnceAndReplaceAfterTheDissolve)
{
    // "Laute hinzufügen" enables "Weiter" with the right answer even while the dissolve runs, so
    // that Enter and Space take it; "Laute ersetzen" waits for the dissolve.
    for (const auto kind : {LautReplaceRules::Kind::Add, LautReplaceRules::Kind::Replace}) {
        QObject owner;
        TWAV player(&owner);
        LautReplaceRules r(player, kind);
        onSoundEnded(&owner, [&r](int channel, SoundStatus status) { r.soundNotice(channel, status); });
        const bool add = kind == LautReplaceRules::Kind::Add;
        g().playerOptions.lautAdd.withPicture = true;
        g().playerOptions.lautReplace.withPicture = true;
        g().loadedList.tasks = {add ? pair(QStringLiteral("Eis"), QStringLiteral("m,l,R+eis"), QStringLiteral("Eis.wav"),
                                           QStringLiteral("Reis.wav"))
                                    : pair(QStringLiteral("1Haus"), QStringLiteral("1Maus,r,l,k"),
                                           QStringLiteral("Haus.wav"), QStringLiteral("Maus.wav"))};
        BuildTaskOrder(1, false);
        ASSERT_TRUE(r.prepareList(QStringLiteral("Anlaut\\x.txt"), Position::Anlaut));
        r.listen();
        playOut();
        r.pick(r.words().right);
        r.place();
        SCOPED_TRACE(add ? "add" : "replace");
        ASSERT_EQ(r.judge(), LautReplaceRules::Outcome::Right);
        EXPECT_TRUE(r.revealRequested);
        EXPECT_EQ(r.weiterEnabled, add);
    }
}

} // namespace
