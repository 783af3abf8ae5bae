#pragma once
// What the window tests of "Laut positionieren" and "Silbenanzahl" share: a demo copy with player
// Anna, the window opened on a list, the sounds played out, the run closed through the closing
// dialog, and the bad-input round (random bytes, empty elements, no material).
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
#include "exercises/common/LautFlow.h"
#include "media/skin/Meldung.h"
#include "media/sound/Sound.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"
#include "support/MessageAnswers.h"
#include "support/ModalWatch.h"
#include "support/DemoPlayer.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

template <class Window>
class LautWindowFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        openDemoAs(tree, QStringLiteral("Anna"), code());
        fixedOrder();
        chooser::startPosition() = 0;
        rnd::seed(11);
        folder = fsys::withSlash(g().config.dirs.listen) + QStringLiteral("4_Laut-Silben-Analyse/") + listFolder();
        setOptions();
    }
    virtual int code() const = 0;
    virtual QString listFolder() const = 0;  // below "4_Laut-Silben-Analyse/", with "/"
    virtual void fixedOrder() = 0;           // the program's play order set to the file's order
    virtual void setOptions() = 0;
    void TearDown() override { TFormMeldung::shownHook() = nullptr; }

    std::unique_ptr<Window> open(const QString& path)
    {
        g().defaultElementCount = 1;
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
        for (int i = 0; i < 80; ++i) {
            QApplication::processEvents();
            if (audio.endNext().isEmpty())
                break;
        }
        QApplication::processEvents();
        QStringList names;
        full = audio.started();
        for (const QString& f : audio.started())
            names << fsys::fileName(f);
        audio.clearLog();
        return names;
    }
    QStringList protocolLines()
    {
        auto lines = fsys::readLines(PlayerProtocolPath());
        return lines ? *lines : QStringList();
    }
    static void click(QWidget& w, const QPoint& at) { QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, at); }
    // "Weiter" after the last task: the child's message window (never the small system box) asks
    // " Die Datei ist vollständig bearbeitet! ... Von vorne beginnen?"; "Nein" ends the run through
    // the closing dialog.
    QStringList closeRun(QWidget* w)
    {
        MessageAnswers asked;
        ModalWatch driver([](QWidget* m) {
            if (auto* d = qobject_cast<TFormclosedialog*>(m))
                d->sb_ende->click();
        });
        QTest::keyClick(w, Qt::Key_W);
        EXPECT_EQ(asked.messages, QStringList{QStringLiteral("Die Datei ist vollständig bearbeitet!  \nVon vorne beginnen?")});
        EXPECT_EQ(asked.questions, QList<bool>{true});
        EXPECT_TRUE(scripted.asked().isEmpty() ||
                    !scripted.asked().back().text.contains(QStringLiteral("Von vorne beginnen?")));
        EXPECT_TRUE(driver.seen.contains(QStringLiteral("TFormclosedialog")));
        return protocolLines();
    }
    void badInput(const std::function<void(Window&)>& answerRight, const QString& list)
    {
        const QStringList old = protocolLines();
        QByteArray junk(4096, '\0');
        for (int i = 0; i < junk.size(); ++i)
            junk[i] = char(rnd::below(256));
        {
            auto w = open(tree.write("Listen/junk.txt", junk));
            ASSERT_FALSE(scripted.asked().isEmpty());
            EXPECT_EQ(scripted.asked().back().text, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
            QTest::keyClick(w.get(), Qt::Key_H);
            QTest::keyClick(w.get(), Qt::Key_Return);
            click(*w, w->rect().center());
            w->endRun();
        }
        QStringList lines = {QStringLiteral("[Allgemein]"), QStringLiteral("Aufgabencount=2")};
        for (int k = 1; k <= 2; ++k)
            lines << QStringLiteral("[Aufgabe %1]").arg(k) << QStringLiteral("0=||");
        {
            TFormMeldung::shownHook() = [&](TFormMeldung& m) { QTimer::singleShot(0, &m, [&m] { m.close(); }); };
            auto w = open(tree.writeLines(QStringLiteral("Listen/4_Laut-Silben-Analyse/") + listFolder() + QStringLiteral("half.txt"), lines));
            QTest::keyClick(w.get(), Qt::Key_H);
            QTest::keyClick(w.get(), Qt::Key_Return);
            click(*w, w->rect().center());
            w->endRun();
            TFormMeldung::shownHook() = nullptr;
        }
        QDir(tree.root() + QStringLiteral("/Material")).removeRecursively();
        {
            auto w = open(folder + list);
            answerRight(*w);
            playOut();
            EXPECT_EQ(w->rules().state(), exercise::LautState::Solved);
            w->endRun();
        }
        EXPECT_EQ(protocolLines(), old);
    }

    TempTree tree;
    TestAudioBackend audio;
    dialogs::ScriptedDialogs scripted;
    QString folder;
    QStringList full;
};
