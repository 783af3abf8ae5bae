#pragma once
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QPrinter;
class QWidget;

// Every message box, question and standard dialog goes through this seam. The program uses the Qt
// implementation; tests install ScriptedDialogs, which answers from a script and records each call.
namespace dialogs {

enum class Icon { None, Information, Warning, Error, Question };
enum class Button { None = 0, Ok, Cancel, Yes, No, Abort, Retry, Ignore, Help };

struct Request {
    QString kind;       // "message", "openFile", "saveFile", "colour", "font", "directory", "printer",
                        // "printPreview"
    Icon icon = Icon::None;
    QString title;
    QString text;
    QList<Button> buttons;
};

class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // A message box; returns the button pressed (or Cancel/None when closed otherwise).
    virtual Button message(QWidget* parent, Icon icon, const QString& title, const QString& text,
                           const QList<Button>& buttons) = 0;
    virtual QString openFile(QWidget* parent, const QString& title, const QString& dir, const QString& filter) = 0;
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& dir, const QString& filter) = 0;
    virtual QString chooseDirectory(QWidget* parent, const QString& title, const QString& dir) = 0;
    virtual std::optional<QColor> chooseColour(QWidget* parent, const QColor& initial) = 0;
    virtual std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) = 0;

    // The printer dialog: true when confirmed; `printer` then holds the chosen printer and settings.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer, const QString& title) = 0;
    // Shows the pages `render` draws for `printer` before paper is used; true when the user chose
    // "Drucken". The caller then prints onto the same printer without asking again.
    virtual bool confirmPrintPreview(QWidget* parent, QPrinter& printer, const QString& title,
                                     const std::function<void(QPrinter&)>& render) = 0;
};

Dialogs& current();
// Installs an implementation (nullptr restores the Qt one); returns the previous.
Dialogs* install(Dialogs* d);

// Shortcuts used everywhere.
void showMessage(QWidget* parent, const QString& text, const QString& title = QString());
void warning(QWidget* parent, const QString& text, const QString& title = QString());
void error(QWidget* parent, const QString& text, const QString& title = QString());
Button ask(QWidget* parent, const QString& text, const QList<Button>& buttons = {Button::Yes, Button::No},
           const QString& title = QString(), Icon icon = Icon::Question);

// A question whose "Hilfe" button shows help page `helpTopic` and asks again, as a system message
// box with a help button does; returns the first other button pressed.
Button askWithHelp(QWidget* parent, const QString& text, const QList<Button>& buttons, int helpTopic,
                   const QString& title = QString(), Icon icon = Icon::Question);
// Who shows help pages: the shell installs its help window; without one, help shows nothing.
void setHelpHandler(std::function<void(QWidget* parent, int topic)> handler);
void showHelp(QWidget* parent, int topic);

// Nobody there to answer (the end of the session, the fuzzers): a question takes its affirmative
// answer ("Ja", else "OK"), a choice of file, colour, font or printer none.
class UnattendedDialogs : public Dialogs
{
public:
    Button message(QWidget* parent, Icon icon, const QString& title, const QString& text,
                   const QList<Button>& buttons) override;
    QString openFile(QWidget* parent, const QString& title, const QString& dir, const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& dir, const QString& filter) override;
    QString chooseDirectory(QWidget* parent, const QString& title, const QString& dir) override;
    std::optional<QColor> chooseColour(QWidget* parent, const QColor& initial) override;
    std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer, const QString& title) override;
    bool confirmPrintPreview(QWidget* parent, QPrinter& printer, const QString& title,
                             const std::function<void(QPrinter&)>& render) override;
};

class QtDialogs : public Dialogs
{
public:
    Button message(QWidget* parent, Icon icon, const QString& title, const QString& text,
                   const QList<Button>& buttons) override;
    QString openFile(QWidget* parent, const QString& title, const QString& dir, const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& dir, const QString& filter) override;
    QString chooseDirectory(QWidget* parent, const QString& title, const QString& dir) override;
    std::optional<QColor> chooseColour(QWidget* parent, const QColor& initial) override;
    std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer, const QString& title) override;
    bool confirmPrintPreview(QWidget* parent, QPrinter& printer, const QString& title,
                             const std::function<void(QPrinter&)>& render) override;
};

// Answers from a queue; with an empty queue a message gets its first button and the other dialogs
// are cancelled. Installs itself for its lifetime.
class ScriptedDialogs : public Dialogs
{
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    void answer(Button b) { m_buttons.push_back(b); }
    void answerFile(const QString& path) { m_files.push_back(path); }
    void answerColour(const QColor& c) { m_colours.push_back(c); }
    void answerFont(const QFont& f) { m_fonts.push_back(f); }
    // The printer dialog prints into this PDF file (A4); an empty path cancels. With an empty queue
    // the printer dialog is cancelled.
    void answerPrinter(const QString& pdfPath) { m_printers.push_back(pdfPath); }
    // The preview answers "Drucken" (true) or "Abbrechen"; with an empty queue it answers "Drucken".
    // Nothing is drawn for a scripted preview; the caller prints straight through.
    void answerPreview(bool print) { m_previews.push_back(print); }

    // Each message then shows a real modal window while it is answered, so that it takes the focus
    // and activation from the window below, as the program's message boxes do.
    void showWindows(bool on) { m_showWindows = on; }

    const QList<Request>& asked() const { return m_asked; }
    QStringList texts() const;
    void clear() { m_asked.clear(); }

    Button message(QWidget* parent, Icon icon, const QString& title, const QString& text,
                   const QList<Button>& buttons) override;
    QString openFile(QWidget* parent, const QString& title, const QString& dir, const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& dir, const QString& filter) override;
    QString chooseDirectory(QWidget* parent, const QString& title, const QString& dir) override;
    std::optional<QColor> chooseColour(QWidget* parent, const QColor& initial) override;
    std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer, const QString& title) override;
    bool confirmPrintPreview(QWidget* parent, QPrinter& printer, const QString& title,
                             const std::function<void(QPrinter&)>& render) override;

private:
    QString nextFile(const QString& kind, const QString& title);
    std::deque<Button> m_buttons;
    std::deque<QString> m_files;
    std::deque<QColor> m_colours;
    std::deque<QFont> m_fonts;
    std::deque<QString> m_printers;
    std::deque<bool> m_previews;
    QList<Request> m_asked;
    Dialogs* m_previous = nullptr;
    bool m_showWindows = false;
};

} // namespace dialogs
