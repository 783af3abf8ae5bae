#include "core/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>

namespace dialogs {

namespace {
QtDialogs& qtDialogs()
{
    static QtDialogs d;
    return d;
}
Dialogs* g_current = nullptr;

QString germanCaption(Button b)
{
    switch (b) {
    case Button::Ok: return QStringLiteral("OK");
    case Button::Cancel: return QStringLiteral("Abbrechen");
    case Button::Yes: return QStringLiteral("Ja");
    case Button::No: return QStringLiteral("Nein");
    case Button::Abort: return QStringLiteral("Abbrechen");
    case Button::Retry: return QStringLiteral("Wiederholen");
    case Button::Ignore: return QStringLiteral("Ignorieren");
    case Button::Help: return QStringLiteral("Hilfe");
    case Button::None: break;
    }
    return QString();
}
}

Dialogs& current() { return g_current ? *g_current : qtDialogs(); }

Dialogs* install(Dialogs* d)
{
    Dialogs* prev = g_current;
    g_current = d;
    return prev;
}

void showMessage(QWidget* parent, const QString& text, const QString& title)
{
    current().message(parent, Icon::Information, title, text, {Button::Ok});
}

void warning(QWidget* parent, const QString& text, const QString& title)
{
    current().message(parent, Icon::Warning, title, text, {Button::Ok});
}

void error(QWidget* parent, const QString& text, const QString& title)
{
    current().message(parent, Icon::Error, title, text, {Button::Ok});
}

Button ask(QWidget* parent, const QString& text, const QList<Button>& buttons, const QString& title, Icon icon)
{
    return current().message(parent, icon, title, text, buttons);
}

static std::function<void(QWidget*, int)>& helpHandler()
{
    static std::function<void(QWidget*, int)> h;
    return h;
}

void setHelpHandler(std::function<void(QWidget*, int)> handler) { helpHandler() = std::move(handler); }

void showHelp(QWidget* parent, int topic)
{
    if (helpHandler())
        helpHandler()(parent, topic);
}

Button askWithHelp(QWidget* parent, const QString& text, const QList<Button>& buttons, int helpTopic,
                   const QString& title, Icon icon)
{
    for (;;) {
        const Button b = current().message(parent, icon, title, text, buttons);
        if (b != Button::Help)
            return b;
        showHelp(parent, helpTopic);
    }
}

Button QtDialogs::message(QWidget* parent, Icon icon, const QString& title, const QString& text,
                          const QList<Button>& buttons)
{
    QMessageBox box(parent);
    box.setWindowTitle(title.isEmpty() ? QStringLiteral("Kalimo") : title);
    box.setText(text);
    switch (icon) {
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Error: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    case Icon::None: break;
    }
    QList<QPair<QAbstractButton*, Button>> map;
    for (Button b : buttons) {
        QMessageBox::ButtonRole role = QMessageBox::AcceptRole;
        if (b == Button::Cancel || b == Button::No || b == Button::Abort)
            role = QMessageBox::RejectRole;
        else if (b == Button::Help)
            role = QMessageBox::HelpRole;
        map.append({box.addButton(germanCaption(b), role), b});
    }
    if (buttons.isEmpty())
        map.append({box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole), Button::Ok});
    box.exec();
    for (const auto& p : map)
        if (box.clickedButton() == p.first)
            return p.second;
    return buttons.contains(Button::Cancel) ? Button::Cancel : Button::None;
}

QString QtDialogs::openFile(QWidget* parent, const QString& title, const QString& dir, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, title, dir, filter);
}

QString QtDialogs::saveFile(QWidget* parent, const QString& title, const QString& dir, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, title, dir, filter);
}

QString QtDialogs::chooseDirectory(QWidget* parent, const QString& title, const QString& dir)
{
    return QFileDialog::getExistingDirectory(parent, title, dir);
}

std::optional<QColor> QtDialogs::chooseColour(QWidget* parent, const QColor& initial)
{
    const QColor c = QColorDialog::getColor(initial, parent);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

std::optional<QFont> QtDialogs::chooseFont(QWidget* parent, const QFont& initial)
{
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, parent);
    if (!ok)
        return std::nullopt;
    return f;
}

ScriptedDialogs::ScriptedDialogs() { m_previous = install(this); }

ScriptedDialogs::~ScriptedDialogs() { install(m_previous); }

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Request& r : m_asked)
        out << r.text;
    return out;
}

Button ScriptedDialogs::message(QWidget* parent, Icon icon, const QString& title, const QString& text,
                                const QList<Button>& buttons)
{
    m_asked.append({QStringLiteral("message"), icon, title, text, buttons});
    if (m_showWindows) {
        QDialog box(parent ? parent->window() : QApplication::activeWindow());
        box.setWindowTitle(title);
        box.setModal(true);
        box.show();
        box.activateWindow();
        // Long enough for the activation and focus changes to reach every window.
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 100 && QApplication::activeWindow() != &box)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        QApplication::processEvents();
        box.hide();
    }
    if (!m_buttons.empty()) {
        const Button b = m_buttons.front();
        m_buttons.pop_front();
        return b;
    }
    return buttons.isEmpty() ? Button::Ok : buttons.front();
}

QString ScriptedDialogs::nextFile(const QString& kind, const QString& title)
{
    m_asked.append({kind, Icon::None, title, QString(), {}});
    if (m_files.empty())
        return QString();
    const QString f = m_files.front();
    m_files.pop_front();
    return f;
}

QString ScriptedDialogs::openFile(QWidget*, const QString& title, const QString&, const QString&)
{
    return nextFile(QStringLiteral("openFile"), title);
}

QString ScriptedDialogs::saveFile(QWidget*, const QString& title, const QString&, const QString&)
{
    return nextFile(QStringLiteral("saveFile"), title);
}

QString ScriptedDialogs::chooseDirectory(QWidget*, const QString& title, const QString&)
{
    return nextFile(QStringLiteral("directory"), title);
}

std::optional<QColor> ScriptedDialogs::chooseColour(QWidget*, const QColor&)
{
    m_asked.append({QStringLiteral("colour"), Icon::None, QString(), QString(), {}});
    if (m_colours.empty())
        return std::nullopt;
    const QColor c = m_colours.front();
    m_colours.pop_front();
    return c;
}

std::optional<QFont> ScriptedDialogs::chooseFont(QWidget*, const QFont&)
{
    m_asked.append({QStringLiteral("font"), Icon::None, QString(), QString(), {}});
    if (m_fonts.empty())
        return std::nullopt;
    const QFont f = m_fonts.front();
    m_fonts.pop_front();
    return f;
}

} // namespace dialogs
