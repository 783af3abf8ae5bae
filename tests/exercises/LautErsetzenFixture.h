#pragma once
// The window tests of "Laute ersetzen" and "Laute hinzufügen": a demo copy, player Anna, the test
// audio backend and scripted dialogs; the message windows are recorded and closed.
#include "chooser/Listenreader.h"
#include "chooser/TaskOrder.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/Random.h"
#include "data/PlayerList.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "exercises/LautAdd/LautAdd.h"
#include "exercises/LautErsetzen/LautErsetzen.h"
#include "media/skin/Meldung.h"
#include "media/sound/Sound.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"
#include "support/MessageAnswers.h"
#include "support/ModalWatch.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

class LautErsetzenFixture : public ::testing::Test
{
protected:
    void setUpFor(int program)
    {
        copyDemoTo(tree);
        resetToInstallation(tree.root());
        resetSoundState();
        resetRun();
        installation::ReadMainConfiguration(nullptr);
        LoadPlayerList();
        MakeCurrentPlayer(QStringLiteral("Anna"));
        ReadPlayerOptions(QStringLiteral("Anna"), 0);
        g().programCode = program;
        ReadPlayerOptions(QStringLiteral("Anna"), program);
        TOpt_LautAdd& o = program == 403 ? g().playerOptions.lautAdd : g().playerOptions.lautReplace;
        o.randomOrder = false;
        o.atOnce = false;
        o.withPicture = true;
        o.withText = true;
        o.soundCount = 5;
        o.soundButton = true;
        o.mouthPicture = true;
        o.feedback.successSound = true;
        o.feedback.successFrequency = 0;
        o.feedback.successSource = 2;
        o.feedback.errorSound = true;
        o.feedback.errorSource = 1;
        g().playerOptions.capitalsOnly = false;
        chooser::startPosition() = 0;
        rnd::seed(3);
        TFormMeldung::shownHook() = [this](TFormMeldung& m) {
            bubbles << m.L_meldung->text().trimmed();
            QTimer::singleShot(0, &m, [&m] { m.close(); });
        };
    }
    void TearDown() override { TFormMeldung::shownHook() = nullptr; }

    template <class Window>
    std::unique_ptr<Window> open(const QString& path)
    {
        g().defaultElementCount = 2;
        const int n = LoadTaskList(path);
        if (n <= 0)
            g().loadedList.tasks.clear();
        BuildTaskOrder(std::max(0, n), false);
        auto w = std::make_unique<Window>(path);
        w->show();
        w->resize(1024, 768);
        QApplication::processEvents();
        return w;
    }
    QStringList playOut()
    {
        for (int i = 0; i < 60; ++i) {
            QApplication::processEvents();
            if (audio.endNext().isEmpty())
                break;
        }
        QApplication::processEvents();
        full = audio.started();
        QStringList names;
        for (const QString& f : audio.started())
            names << fsys::fileName(f);
        audio.clearLog();
        return names;
    }
    // A sound dragged from its button to `to`.
    static void drag(TFormLautReplace& w, int entry, const QPoint& to)
    {
        const QPoint from = w.buttonRect(entry).center();
        QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(&w, (from + to) / 2);
        QTest::mouseMove(&w, to);
        QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, to);
    }
    static void click(TFormLautReplace& w, int entry)
    {
        QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, w.buttonRect(entry).center());
    }
    QStringList protocolLines()
    {
        auto lines = fsys::readLines(PlayerProtocolPath());
        return lines ? *lines : QStringList();
    }
    // Ends the run by "Weiter" after the last task, "Nein", and the closing dialog's "Ende".
    void endAfterLastTask(TFormLautReplace& w)
    {
        MessageAnswers asked;
        ModalWatch driver([](QWidget* m) {
            if (auto* d = qobject_cast<TFormclosedialog*>(m))
                d->sb_ende->click();
        });
        QTest::keyClick(&w, Qt::Key_W);
        EXPECT_EQ(asked.messages, QStringList{QStringLiteral("Die Datei ist vollständig bearbeitet!  \nVon vorne beginnen?")});
        EXPECT_EQ(asked.questions, QList<bool>{true});
        EXPECT_TRUE(w.runEnded());
        EXPECT_TRUE(driver.seen.contains(QStringLiteral("TFormclosedialog")));
    }
    // The task lines of the protocol: number, errors, answers.
    void expectTaskLines(const QString& caption, const QString& listLine, const QStringList& answers,
                         const QList<int>& errors)
    {
        const QStringList lines = protocolLines();
        const QString all = lines.join(QLatin1Char('\n'));
        EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^P ") + caption)).size(), 1) << all.toStdString();
        EXPECT_TRUE(lines.contains(listLine)) << all.toStdString();
        const QStringList rows = lines.filter(QRegularExpression(QStringLiteral("^  Aufgabe ")));
        ASSERT_EQ(rows.size(), answers.size()) << all.toStdString();
        const QRegularExpression shape(
            QStringLiteral("^  Aufgabe +(\\d+): +(\\d+) Fehler  \\(\\d\\d:\\d\\d:\\d\\d\\d\\)  (.*) $"));
        for (int i = 0; i < rows.size(); ++i) {
            const auto m = shape.match(rows[i]);
            ASSERT_TRUE(m.hasMatch()) << rows[i].toStdString();
            EXPECT_EQ(m.captured(1).toInt(), i + 1);
            EXPECT_EQ(m.captured(2).toInt(), errors.value(i)) << rows[i].toStdString();
            EXPECT_EQ(m.captured(3), answers[i]);
        }
    }

    TempTree tree;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;
    QStringList bubbles;
    QStringList full;
};
