#pragma once
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/IniFile.h"
#include "core/Win1252.h"
#include "data/PlayerOptions.h"
#include "media/skin/Meldung.h"
#include "media/sound/TWAV.h"
#include "media/sound/TestAudioBackend.h"
#include "options/O_alle.h"
#include "options/Options.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// An installation with the player "Anna", whose options start as a copy of the demo template.
class OptionsFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(t.root());
        g().config.dirs.optionen = t.mkdir("Optionen");
        g().config.dirs.lobSound = t.mkdir("Sound/Lob");
        g().config.dirs.fehlersound = t.mkdir("Sound/Fehler");
        g().playerList = QStringList{QStringLiteral("Anna"), QStringLiteral("Standard")};
        resetRunRandomOrderFlags();
        options::hearAllAlternativesFirst() = false;
        t.write("Optionen/Options-Standard.txt", demoTemplate());
    }
    void TearDown() override
    {
        TFormMeldung::shownHook() = nullptr;
        options::setSoundChooser({});
    }

    static QByteArray demoTemplate()
    {
        QFile f(sourceDir() + QStringLiteral("demo/Optionen/Options-Standard.txt"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    QByteArray annaFile() const { return t.read("Optionen/Options-Anna.txt"); }
    bool exists(const QString& rel) const { return fsys::fileExists(t.path(rel)); }
    // A value of the player's file as it is written.
    QString fileValue(const QString& section, const QString& key) const
    {
        return IniFile::load(t.path("Optionen/Options-Anna.txt")).readString(section, key, QStringLiteral("<none>"));
    }
    // Replaces one key of the template (or adds it to its section) before the player's file is made.
    void setTemplateValue(const QString& section, const QString& key, const QString& value)
    {
        IniFile ini = IniFile::load(t.path("Optionen/Options-Standard.txt"));
        ini.writeString(section, key, value);
        ASSERT_TRUE(ini.save(t.path("Optionen/Options-Standard.txt")));
    }

    // The page of a program, shown alone as the chooser opens it (its options read first).
    std::unique_ptr<TF_O_alle> openPage(int code)
    {
        ReadPlayerOptions(QStringLiteral("Anna"), code);
        g().programCode = code;
        auto page = std::make_unique<TF_O_alle>(code, TF_O_alle::Mode::Alone);
        page->show();
        QApplication::processEvents();
        return page;
    }

    // Captures the message window's text and closes it.
    void catchBubbles()
    {
        TFormMeldung::shownHook() = [this](TFormMeldung& w) {
            bubbles << w.L_meldung->text().trimmed();
            w.B_ok->click();
        };
    }

    TempTree t;
    TestAudioBackend audio;
    QStringList bubbles;
};

// The visible button of a page with that caption, optionally inside the group box of that title.
template <class T = QAbstractButton>
T* button(QWidget* root, const QString& caption, const QString& groupTitle = QString())
{
    for (T* b : root->findChildren<T*>()) {
        if (b->text() != caption)
            continue;
        if (!groupTitle.isEmpty()) {
            bool inside = false;
            for (QWidget* w = b->parentWidget(); w && w != root; w = w->parentWidget())
                if (auto* gb = qobject_cast<QGroupBox*>(w); gb && gb->title() == groupTitle)
                    inside = true;
            if (!inside)
                continue;
        }
        return b;
    }
    return nullptr;
}

// A mouse click on a button's indicator (a check box takes clicks on its box and caption only).
inline void press(QAbstractButton* b)
{
    ASSERT_NE(b, nullptr);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    QApplication::processEvents();
}

// Types into an editable combo or line edit and leaves it with Return.
inline void typeInto(QComboBox* box, const QString& text)
{
    box->lineEdit()->selectAll();
    box->lineEdit()->setText(text);
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    QApplication::processEvents();
}

const int kAllCodes[] = {0, 101, 102, 201, 202, 203, 204, 301, 302, 303, 304, 305, 401, 402, 403, 404, 405, 406, 407, 408};
