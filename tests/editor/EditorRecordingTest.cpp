#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "editor/Einfuegen.h"
#include "editor/Formeditor.h"
#include "editor/Recording.h"
#include "media/sound/RecordPanel.h"
#include "media/sound/SdlApi.h"
#include "media/sound/TestAudioBackend.h"
#include "media/sound/VoiceTake.h"
#include "support/TestSupport.h"
#include "EditorTree.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

// Recording a word for a sound field of the editor: the take is saved where the field's names are
// relative to, its name goes into the field as one undo step.
namespace {

using Samples = std::vector<std::int16_t>;

Samples tone(double silence, double seconds, double amplitude)
{
    Samples s(size_t(silence * voice::kRate), 0);
    for (int i = 0; i < int(seconds * voice::kRate); ++i)
        s.push_back(std::int16_t(std::lround(amplitude * 32767 * std::sin(2 * M_PI * 330 * i / voice::kRate))));
    s.resize(s.size() + size_t(silence * voice::kRate), 0);
    return s;
}

class EditorRecording : public ::testing::Test
{
protected:
    void SetUp() override
    {
        makeEditorTree(tree);
        g().config.dirs.lobSound = tree.mkdir(QStringLiteral("INTERN/Sound/Lob"));
        savedRecorder = editor::recorder();
        const QString file = tree.writeLines(
            QStringLiteral("Listen/Tiere.txt"),
            {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=1"), QStringLiteral("[Aufgabe 1]"),
             QStringLiteral("Erfolgssound="), QStringLiteral("0=|100||"), QStringLiteral("1=|100|der Hund|"),
             QStringLiteral("2=|100|Katze|Katze.wav")});
        g().programCode = 301;
        editorWindow = std::make_unique<TFormeditor>();
        editorWindow->setEditedFile(file);
        editorWindow->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        editor::recorder() = savedRecorder;
        editorWindow.reset();
        qunsetenv("SDL_DISKAUDIOFILEIN");
        qunsetenv("SDL_DISKAUDIOFILE");
        qputenv("SDL_AUDIODRIVER", "dummy");
    }
    // The recorder hands over `take` without a microphone.
    void recordsAs(const Samples& take)
    {
        editor::recorder() = [take](QWidget*, const QString& word) {
            heardWord() = word;
            return voice::Prepare(take);
        };
    }
    static QString& heardWord()
    {
        static QString w;
        return w;
    }
    QLineEdit* soundField(int card) { return editorWindow->frame(card)->E_sound; }

    TempTree tree;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;
    editor::Recorder savedRecorder;
    std::unique_ptr<TFormeditor> editorWindow;
};

} // namespace

TEST_F(EditorRecording, AWordFromTheMicrophoneGoesIntoTheCardAndUndoTakesOnlyTheName)
{
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILEIN", QFile::encodeName(tree.write(QStringLiteral("mikrofon.raw"), [] {
        QByteArray b;
        for (const auto v : tone(0.3, 0.5, 0.2)) {
            const qint16 le = qToLittleEndian(qint16(v));
            b.append(reinterpret_cast<const char*>(&le), 2);
        }
        return b;
    }())));
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(tree.path(QStringLiteral("out.raw"))));
    // The panel, driven through its buttons once it is open.
    bool onDisk = false;
    QTimer drive;
    QElapsedTimer since;
    drive.setInterval(30);
    QObject::connect(&drive, &QTimer::timeout, [&] {
        auto* panel = qobject_cast<TFormAufnahme*>(QApplication::activeModalWidget());
        if (!panel)
            return;
        if (panel->B_aufnehmen->isEnabled() && !panel->B_uebernehmen->isEnabled()) {
            panel->B_aufnehmen->click();
            since.start();
            const char* driver = sdlapi::fn().SDL_GetCurrentAudioDriver ? sdlapi::fn().SDL_GetCurrentAudioDriver() : nullptr;
            onDisk = driver && QByteArray(driver) == "disk";
        } else if (panel->B_stopp->isEnabled() && (since.elapsed() > 1400 || !onDisk)) {
            panel->B_stopp->click();
            panel->B_uebernehmen->click();
            if (panel->isVisible())
                panel->B_abbrechen->click();
        }
    });
    drive.start();
    editorWindow->frame(1)->SB_Aufnahme->click();
    drive.stop();
    if (!onDisk)
        GTEST_SKIP() << "the audio subsystem already runs on another driver";

    const QByteArray wav = tree.read(QStringLiteral("Material/Sound/der Hund.wav"));
    ASSERT_GT(wav.size(), 44);
    EXPECT_EQ(qFromLittleEndian<quint16>(wav.constData() + 22), 1);        // mono
    EXPECT_EQ(qFromLittleEndian<quint32>(wav.constData() + 24), 22050u);
    EXPECT_EQ(qFromLittleEndian<quint16>(wav.constData() + 34), 16);
    const int samples = int(qFromLittleEndian<quint32>(wav.constData() + 40)) / 2;
    EXPECT_NEAR(samples, 0.5 * voice::kRate + voice::kRate * (voice::kLeadMs + voice::kTailMs) / 1000,
                2 * voice::kFrameSamples);
    EXPECT_EQ(soundField(1)->text(), QStringLiteral("der Hund.wav"));
    EXPECT_EQ(g().taskList()[0].elements[1].sounds, QStringLiteral("der Hund.wav"));
    EXPECT_TRUE(editorWindow->changed());

    // One undo step takes the name out again and leaves the recording on disk.
    editorWindow->undoStack()->undo();
    EXPECT_EQ(soundField(1)->text(), QString());
    EXPECT_EQ(g().taskList()[0].elements[1].sounds, QString());
    EXPECT_TRUE(fsys::fileExists(tree.path(QStringLiteral("Material/Sound/der Hund.wav"))));
    editorWindow->undoStack()->redo();
    EXPECT_EQ(soundField(1)->text(), QStringLiteral("der Hund.wav"));
}

TEST_F(EditorRecording, AnExistingFileIsReplacedOnlyAfterJa)
{
    tree.write(QStringLiteral("Material/Sound/Katze.wav"), "alt");
    recordsAs(tone(0.1, 0.3, 0.5));
    const int steps = editorWindow->undoStack()->count();
    scripted.answer(dialogs::Button::No);
    editorWindow->frame(2)->SB_Aufnahme->click();
    EXPECT_EQ(heardWord(), QStringLiteral("Katze"));
    EXPECT_EQ(tree.read(QStringLiteral("Material/Sound/Katze.wav")), "alt");
    EXPECT_EQ(editorWindow->undoStack()->count(), steps);
    scripted.answer(dialogs::Button::Yes);
    editorWindow->frame(2)->SB_Aufnahme->click();
    EXPECT_EQ(tree.read(QStringLiteral("Material/Sound/Katze.wav")), voice::WaveBytes(*voice::Prepare(tone(0.1, 0.3, 0.5))));
    // The field named the file already: it stays as it is.
    EXPECT_EQ(soundField(2)->text(), QStringLiteral("Katze.wav"));
    EXPECT_EQ(scripted.texts().size(), 2);
}

TEST_F(EditorRecording, HeadingSuccessAndInsertionDialogRecordIntoTheirOwnFolders)
{
    recordsAs(tone(0.1, 0.3, 0.5));
    editorWindow->headingField()->setText(QStringLiteral("Hör gut zu"));
    editorWindow->headingRecordButton()->click();
    EXPECT_TRUE(fsys::fileExists(tree.path(QStringLiteral("INTERN/Anleitung/Hör gut zu.wav"))));
    EXPECT_EQ(editorWindow->headingSoundField()->text(), QStringLiteral("Hör gut zu.wav"));
    editorWindow->successRecordButton()->click();
    EXPECT_TRUE(fsys::fileExists(tree.path(QStringLiteral("INTERN/Sound/Lob/Erfolg Tiere.wav"))));
    EXPECT_EQ(editorWindow->successField()->text(), QStringLiteral("Lob/Erfolg Tiere.wav"));

    // The insertion dialog for card 1's sound records the searched word into the folder shown.
    editorWindow->soundFieldDoubleClicked(1);
    TFormEinfuegen* dialog = editorWindow->insertDialog();
    ASSERT_TRUE(dialog->B_aufnehmen->isVisible());
    dialog->B_aufnehmen->click();
    EXPECT_TRUE(fsys::fileExists(tree.path(QStringLiteral("Material/Sound/der Hund.wav"))));
    EXPECT_EQ(soundField(1)->text(), QStringLiteral("der Hund.wav"));
    EXPECT_FALSE(dialog->isVisible());
    // A take of nothing saves nothing.
    editor::recorder() = [](QWidget*, const QString&) { return std::optional<Samples>(); };
    editorWindow->frame(2)->SB_Aufnahme->click();
    EXPECT_EQ(soundField(2)->text(), QStringLiteral("Katze.wav"));
    EXPECT_EQ(editor::RecordingName(QStringLiteral("  der  Hund/Katze? ")), QStringLiteral("der HundKatze"));
    EXPECT_EQ(editor::RecordingName(QString()), QStringLiteral("Aufnahme"));
}
