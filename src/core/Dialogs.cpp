#include "core/Dialogs.h"
#include "core/Overlay.h"
#include "core/SessionEnd.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

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

Button UnattendedDialogs::message(QWidget*, Icon, const QString&, const QString&, const QList<Button>& buttons)
{
    for (Button b : {Button::Yes, Button::Ok})
        if (buttons.contains(b))
            return b;
    return buttons.isEmpty() ? Button::Ok : buttons.front();
}

QString UnattendedDialogs::openFile(QWidget*, const QString&, const QString&, const QString&) { return {}; }
QString UnattendedDialogs::saveFile(QWidget*, const QString&, const QString&, const QString&) { return {}; }
QString UnattendedDialogs::chooseDirectory(QWidget*, const QString&, const QString&) { return {}; }
std::optional<QColor> UnattendedDialogs::chooseColour(QWidget*, const QColor&) { return std::nullopt; }
std::optional<QFont> UnattendedDialogs::chooseFont(QWidget*, const QFont&) { return std::nullopt; }
bool UnattendedDialogs::choosePrinter(QWidget*, QPrinter&, const QString&) { return false; }
bool UnattendedDialogs::confirmPrintPreview(QWidget*, QPrinter&, const QString&, const std::function<void(QPrinter&)>&)
{
    return false;
}

Dialogs& current()
{
    if (session::ending()) {
        static UnattendedDialogs unattended;
        return unattended;
    }
    return g_current ? *g_current : qtDialogs();
}

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
    // A file picked in the writable overlay keeps the installation's name, as the lists store it.
    return overlay::installationNameOf(QFileDialog::getOpenFileName(parent, title, dir, filter));
}

QString QtDialogs::saveFile(QWidget* parent, const QString& title, const QString& dir, const QString& filter)
{
    return overlay::installationNameOf(QFileDialog::getSaveFileName(parent, title, dir, filter));
}

QString QtDialogs::chooseDirectory(QWidget* parent, const QString& title, const QString& dir)
{
    return overlay::installationNameOf(QFileDialog::getExistingDirectory(parent, title, dir));
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

bool QtDialogs::choosePrinter(QWidget* parent, QPrinter& printer, const QString& title)
{
    QPrintDialog dlg(&printer, parent);
    dlg.setWindowTitle(title.isEmpty() ? QStringLiteral("Drucken") : title);
    // Jobs print all their pages (one certificate, a protocol of a few pages): no page range.
    dlg.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dlg.setOption(QAbstractPrintDialog::PrintSelection, false);
    dlg.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dlg.exec() == QDialog::Accepted;
}

bool QtDialogs::confirmPrintPreview(QWidget* parent, QPrinter& printer, const QString& title,
                                    const std::function<void(QPrinter&)>& render)
{
    // Our own window around the preview widget: QPrintPreviewDialog would ask for the printer (or a
    // file name) a second time before it prints.
    QDialog dlg(parent);
    dlg.setWindowTitle(title.isEmpty() ? QStringLiteral("Druckvorschau") : QStringLiteral("Druckvorschau - ") + title);
    auto* preview = new QPrintPreviewWidget(&printer, &dlg);
    preview->setObjectName(QStringLiteral("preview"));
    QObject::connect(preview, &QPrintPreviewWidget::paintRequested, &dlg, [&render](QPrinter* p) {
        if (p)
            render(*p);
    });
    auto* previous = new QPushButton(QStringLiteral("< &Vorherige Seite"), &dlg);
    auto* next = new QPushButton(QStringLiteral("&Nächste Seite >"), &dlg);
    auto* pageLabel = new QLabel(&dlg);
    auto* smaller = new QPushButton(QStringLiteral("Ver&kleinern"), &dlg);
    auto* larger = new QPushButton(QStringLiteral("Ver&größern"), &dlg);
    auto* whole = new QPushButton(QStringLiteral("&Ganze Seite"), &dlg);
    auto* print = new QPushButton(QStringLiteral("&Drucken"), &dlg);
    auto* cancel = new QPushButton(QStringLiteral("&Abbrechen"), &dlg);
    print->setObjectName(QStringLiteral("printButton"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    print->setDefault(true);
    for (QPushButton* b : {previous, next, smaller, larger, whole})
        b->setAutoDefault(false);
    auto showPage = [preview, pageLabel, previous, next] {
        const int page = preview->currentPage(), count = preview->pageCount();
        pageLabel->setText(QStringLiteral("Seite %1 von %2").arg(page).arg(count));
        previous->setEnabled(page > 1);
        next->setEnabled(page < count);
    };
    QObject::connect(preview, &QPrintPreviewWidget::previewChanged, &dlg, showPage);
    QObject::connect(previous, &QPushButton::clicked, &dlg, [preview] { preview->setCurrentPage(preview->currentPage() - 1); });
    QObject::connect(next, &QPushButton::clicked, &dlg, [preview] { preview->setCurrentPage(preview->currentPage() + 1); });
    QObject::connect(smaller, &QPushButton::clicked, preview, [preview] { preview->zoomOut(); });
    QObject::connect(larger, &QPushButton::clicked, preview, [preview] { preview->zoomIn(); });
    QObject::connect(whole, &QPushButton::clicked, preview, &QPrintPreviewWidget::fitInView);
    QObject::connect(print, &QPushButton::clicked, &dlg, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dlg, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{previous, next, pageLabel, smaller, larger, whole})
        buttons->addWidget(w);
    buttons->addStretch(1);
    buttons->addWidget(print);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(&dlg);
    layout->addWidget(preview, 1);
    layout->addLayout(buttons);
    if (QScreen* s = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = s->availableGeometry();
        dlg.resize(qMin(area.width(), 900), area.height() * 9 / 10);
    }
    preview->fitInView();
    print->setFocus();
    return dlg.exec() == QDialog::Accepted;
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

bool ScriptedDialogs::choosePrinter(QWidget*, QPrinter& printer, const QString& title)
{
    m_asked.append({QStringLiteral("printer"), Icon::None, title, QString(), {}});
    if (m_printers.empty())
        return false;
    const QString path = m_printers.front();
    m_printers.pop_front();
    if (path.isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    return true;
}

bool ScriptedDialogs::confirmPrintPreview(QWidget*, QPrinter&, const QString& title,
                                          const std::function<void(QPrinter&)>&)
{
    m_asked.append({QStringLiteral("printPreview"), Icon::None, title, QString(), {}});
    if (m_previews.empty())
        return true;
    const bool print = m_previews.front();
    m_previews.pop_front();
    return print;
}

} // namespace dialogs
