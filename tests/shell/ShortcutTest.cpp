#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "data/PlayerList.h"
#include "shell/DesktopEntry.h"
#include "shell/Namenwahl.h"
#include "shell/Verknuepfung.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The arguments of an Exec value as a desktop reads them: the string's escapes first, then the
// quoting of arguments, then "%%".
QStringList parseExec(const QString& value)
{
    QString s;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar n = value[++i];
            s += n == QLatin1Char('s') ? QChar(' ') : n == QLatin1Char('n') ? QChar('\n') : n == QLatin1Char('t') ? QChar('\t') : n;
        } else {
            s += value[i];
        }
    }
    QStringList args;
    QString cur;
    bool inArg = false, quoted = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < s.size() && QStringLiteral("\"`$\\").contains(s[i + 1]))
                cur += s[++i];
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                cur += c;
        } else if (c == QLatin1Char(' ')) {
            if (inArg)
                args << cur;
            cur.clear();
            inArg = false;
        } else if (c == QLatin1Char('"')) {
            quoted = inArg = true;
        } else {
            cur += c;
            inArg = true;
        }
    }
    if (inArg)
        args << cur;
    for (QString& a : args)
        a.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return args;
}

QString entryValue(const QByteArray& entry, const QString& key)
{
    for (const QString& line : QString::fromUtf8(entry).split(QLatin1Char('\n')))
        if (line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    return QString();
}

TEST(DesktopEntry, ExecArgumentsSurviveTheQuotingOfTheEntry)
{
    struct Case {
        QString arg;
        QString quoted;  // quoteArgument's form
    } cases[] = {
        {"Anna", "Anna"},
        {"Jörg", "Jörg"},
        {"Anna Lena", "\"Anna Lena\""},
        {"O'Neil", "\"O'Neil\""},
        {"a$b", "\"a\\$b\""},
        {"Ärger & Co; (neu)", "\"Ärger & Co; (neu)\""},
        {"back\\slash", "\"back\\\\slash\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"", "\"\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(desktopentry::quoteArgument(c.arg), c.quoted) << c.arg.toStdString();

    desktopentry::Shortcut s;
    s.executable = "/opt/Kalimo Programm/kalimo";
    s.installation = "/srv/Schule $1/Kalimo Ü/";
    s.player = "Jörg 100% Müller";
    s.programCode = 402;
    s.programName = "Laut-/Silbensuche";
    s.list = "4_Laut-Silben-Analyse\\Vokale \"a\".txt";
    EXPECT_EQ(parseExec(desktopentry::execValue(s)),
              (QStringList{"/opt/Kalimo Programm/kalimo", "--installation", "/srv/Schule $1/Kalimo Ü", "--player",
                           "Jörg 100% Müller", "--program", "402", "--list", "4_Laut-Silben-Analyse\\Vokale \"a\".txt"}));
    EXPECT_EQ(desktopentry::title(s), "Kalimo - Jörg 100% Müller - Laut-/Silbensuche");
    EXPECT_EQ(desktopentry::fileName(s), "Kalimo - Jörg 100% Müller - Laut-Silbensuche.desktop");
}

// A demo installation in a folder with blanks and an umlaut, the player "Jörg Müller" with a
// picture, and a home folder of its own.
class Shortcut : public ::testing::Test
{
protected:
    void SetUp() override
    {
        inst = t.path(QStringLiteral("Schule Übung/Kalimo/"));
        const QString src = sourceDir() + QStringLiteral("demo");
        QDirIterator it(src, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            const QString target = inst + file.mid(src.size() + 1);
            QDir().mkpath(QFileInfo(target).absolutePath());
            QFile::copy(file, target);
        }
        QFile::copy(inst + "Optionen/Options-Ben.txt", inst + "Optionen/Options-Jörg Müller.txt");
        QFile::copy(inst + "Spielerbilder/Anna.gif", inst + "Spielerbilder/Jörg Müller.gif");
        home = t.mkdir(QStringLiteral("home"));
        saved = {{"HOME", qgetenv("HOME")}, {"XDG_CONFIG_HOME", qgetenv("XDG_CONFIG_HOME")},
                 {"XDG_DATA_HOME", qgetenv("XDG_DATA_HOME")}};
        qputenv("HOME", home.toLocal8Bit());
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_DATA_HOME");
        resetToInstallation(inst);
        installation::ReadMainConfiguration(nullptr);
        LoadPlayerList();
        kalimo = buildDir() + QStringLiteral("kalimo");
        TFormVerknuepfung::setExecutable(kalimo);
    }
    void TearDown() override
    {
        for (const auto& [name, value] : saved)
            if (value.isEmpty())
                qunsetenv(name);
            else
                qputenv(name, value);
        TFormVerknuepfung::setExecutable(QString());
    }
    // Runs the entry's command; exit code and what it said.
    std::pair<int, QString> run(const QByteArray& entry) const
    {
        const QStringList argv = parseExec(entryValue(entry, "Exec"));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("SDL_AUDIODRIVER", "dummy");
        p.setProcessEnvironment(env);
        p.start(argv.value(0), argv.mid(1));
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            return {-1, QStringLiteral("did not end: ") + p.errorString() + QLatin1Char(' ') + argv.join(QLatin1Char('|'))};
        }
        return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardError())};
    }
    // "Verknüpfung anlegen..." in the player choice for `player`, program and list as given.
    void createFromPlayerChoice(const QString& player, int code, const QString& list)
    {
        TFormnamenwahl dlg;
        QListWidgetItem* item = dlg.itemFor(player);
        ASSERT_NE(item, nullptr);
        dlg.LV_namen->setCurrentItem(item);
        bool answered = false;
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<TFormVerknuepfung*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            form->CB_programm->setCurrentIndex(form->CB_programm->findData(code));
            form->E_liste->setText(list);
            answered = true;
            form->B_anlegen->click();
        });
        dlg.B_verknuepfung->click();
        EXPECT_TRUE(answered);
    }

    TempTree t;
    QString inst, home, kalimo;
    std::vector<std::pair<const char*, QByteArray>> saved;
};

TEST_F(Shortcut, PlayerChoiceWritesAValidEntryWhoseCommandStartsTheProgramForThePlayer)
{
    // A desktop folder of its own, as a German desktop names it.
    t.write("home/.config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    dialogs::ScriptedDialogs d;
    createFromPlayerChoice(QStringLiteral("Jörg Müller"), 301, QStringLiteral("fehlt.txt"));
    const QString name = QStringLiteral("Kalimo - Jörg Müller - Gleich oder Nichtgleich.desktop");
    const QString onDesktop = home + QStringLiteral("/Schreibtisch/") + name;
    const QString inMenu = home + QStringLiteral("/.local/share/applications/") + name;
    ASSERT_TRUE(QFile::exists(onDesktop));
    ASSERT_TRUE(QFile::exists(inMenu));
    ASSERT_EQ(d.asked().size(), 1);
    EXPECT_TRUE(d.asked()[0].text.startsWith(
        QStringLiteral("Die Verknüpfung \"Kalimo - Jörg Müller - Gleich oder Nichtgleich\" wurde angelegt:")));
    EXPECT_TRUE(QFileInfo(onDesktop).isExecutable());

    for (const QString& file : {onDesktop, inMenu}) {
        QProcess v;
        v.start("desktop-file-validate", {file});
        ASSERT_TRUE(v.waitForFinished(30000));
        EXPECT_EQ(v.exitCode(), 0);
        EXPECT_EQ(QString::fromLocal8Bit(v.readAllStandardOutput() + v.readAllStandardError()), QString());
    }
    QFile f(onDesktop);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray entry = f.readAll();
    EXPECT_EQ(entryValue(entry, "Name"), "Kalimo - Jörg Müller - Gleich oder Nichtgleich");
    EXPECT_EQ(entryValue(entry, "Icon"), inst + "Spielerbilder/Jörg Müller.gif");
    EXPECT_EQ(parseExec(entryValue(entry, "Exec")),
              (QStringList{kalimo, "--installation", QDir::cleanPath(inst), "--player", "Jörg Müller", "--program", "301",
                           "--list", "fehlt.txt"}));

    // The command finds the player and the program and stops only at the list that is not there.
    auto [rc, said] = run(entry);
    EXPECT_EQ(rc, 2) << said.toStdString();
    EXPECT_TRUE(said.contains("Die Aufgabenliste \"fehlt.txt\" gibt es nicht.")) << said.toStdString();

    // Renamed since: the command line's own message.
    ASSERT_TRUE(QFile::rename(inst + "Optionen/Options-Jörg Müller.txt", inst + "Optionen/Options-Jörg Meier.txt"));
    std::tie(rc, said) = run(entry);
    EXPECT_EQ(rc, 2);
    EXPECT_TRUE(said.contains("Den Spieler \"Jörg Müller\" gibt es nicht.")) << said.toStdString();
}

TEST_F(Shortcut, WithoutADesktopFolderOfItsOwnTheEntryGoesToDesktopAndAnyPlayerCanBeChosen)
{
    dialogs::ScriptedDialogs d;
    createFromPlayerChoice(QStringLiteral("Anna"), 402, QString());
    const QString name = QStringLiteral("Kalimo - Anna - Laut-Silbensuche.desktop");
    const QString path = home + QStringLiteral("/Desktop/") + name;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << QDir(home + "/Desktop").entryList().join(',').toStdString();
    const QByteArray entry = f.readAll();
    // No list: the program's chooser; Anna's picture as its icon.
    EXPECT_FALSE(entryValue(entry, "Exec").contains("--list"));
    EXPECT_EQ(entryValue(entry, "Icon"), inst + "Spielerbilder/Anna.gif");

    // With "Neuer Name" selected the dialog starts on the current player; any player can be chosen.
    TFormnamenwahl dlg;
    dlg.LV_namen->setCurrentItem(dlg.newNameItem());
    QStringList offered;
    QString first;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TFormVerknuepfung*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        first = form->CB_spieler->currentText();
        for (int i = 0; i < form->CB_spieler->count(); ++i)
            offered << form->CB_spieler->itemText(i);
        form->reject();
    });
    dlg.B_verknuepfung->click();
    EXPECT_EQ(first, g().currentPlayer());
    EXPECT_EQ(offered, (QStringList{"Anna", "Ben", "Jörg Müller", "Standard"}));
}

} // namespace
