#include "results/Protokolleditor.h"

#include "core/Dialogs.h"
#include "core/FileProblems.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "results/Drucken.h"
#include "results/Ergebnisse.h"
#include "results/Verlauf.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>
#include <cerrno>

namespace {
const QString kNoFile = QStringLiteral("KEINE PROTOKOLLDATEI VORHANDEN!");
}

TFormProtokolleditor::TFormProtokolleditor(const QString& protocolFile, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormProtokolleditor"));
    setWindowTitle(QStringLiteral("Protokoll"));
    setModal(true);
    m_file = protocolFile.isEmpty() ? PlayerProtocolPath() : protocolFile;

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* protocol = MainMenu1->addMenu(QStringLiteral("Protokoll"));
    MI_loeschen = protocol->addAction(QStringLiteral("Löschen"));
    MI_loeschen->setObjectName(QStringLiteral("MI_loeschen"));
    Beenden1 = protocol->addAction(QStringLiteral("Beenden"));
    Beenden1->setObjectName(QStringLiteral("Beenden1"));
    QMenu* print = MainMenu1->addMenu(QStringLiteral("Drucken"));
    MI_letztesProtokolldrucken = print->addAction(QStringLiteral("letztes Protokoll"));
    MI_letztesProtokolldrucken->setObjectName(QStringLiteral("MI_letztesProtokolldrucken"));
    markiertesProtokolldrucken1 = print->addAction(QStringLiteral("markiertes Protokoll"));
    markiertesProtokolldrucken1->setObjectName(QStringLiteral("markiertesProtokolldrucken1"));
    QMenu* progress = MainMenu1->addMenu(QStringLiteral("Verlauf"));
    MI_verlauf = progress->addAction(QStringLiteral("Verlauf anzeigen"));
    MI_verlauf->setObjectName(QStringLiteral("MI_verlauf"));
    MI_verlaufExportieren = progress->addAction(QStringLiteral("Verlauf exportieren"));
    MI_verlaufExportieren->setObjectName(QStringLiteral("MI_verlaufExportieren"));
    connect(MI_verlauf, &QAction::triggered, this, &TFormProtokolleditor::showHistory);
    connect(MI_verlaufExportieren, &QAction::triggered, this, &TFormProtokolleditor::exportHistory);
    connect(MI_loeschen, &QAction::triggered, this, &TFormProtokolleditor::onDelete);
    connect(Beenden1, &QAction::triggered, this, &QDialog::reject);
    connect(MI_letztesProtokolldrucken, &QAction::triggered, this, &TFormProtokolleditor::onPrintLast);
    connect(markiertesProtokolldrucken1, &QAction::triggered, this, &TFormProtokolleditor::onPrintMarked);

    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setAcceptRichText(false);
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->installEventFilter(this);
    // The selection stays visible while the menu has the focus.
    QPalette pal = RichEdit1->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
    RichEdit1->setPalette(pal);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(RichEdit1);

    if (parent) {
        QWidget* owner = parent->window();
        resize(owner->size());
        move(owner->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    } else {
        resize(800, 600);
    }
    load();
}

void TFormProtokolleditor::load()
{
    if (!windowTitle().contains(QLatin1Char(' ')))
        setWindowTitle(windowTitle() + QStringLiteral(" von ") + g().currentPlayer());
    m_workList.clear();
    fsys::ReadResult result = fsys::ReadResult::Missing;
    const QString resolved = fsys::resolve(m_file);
    if (fsys::fileExists(resolved)) {
        if (auto lines = fsys::readLines(resolved, &result))
            m_workList = *lines;
    }
    if (result == fsys::ReadResult::Missing) {
        m_workList << kNoFile;
    } else if (result == fsys::ReadResult::Unreadable) {
        dialogs::error(this, QStringLiteral("Die Datei ") + m_file +
                                 QStringLiteral(" kann nicht gelesen werden. Sie bleibt unverändert."));
    }
    RichEdit1->clear();
    m_rtfLines = RenderProtocolRtf(m_workList, RichEdit1).rtfLines;
    QTextCursor c = RichEdit1->textCursor();
    c.movePosition(QTextCursor::End);
    RichEdit1->setTextCursor(c);
}

void TFormProtokolleditor::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // The newest run in view, the caret on the last line, nothing selected.
    RichEdit1->setFocus();
    QTextCursor c = RichEdit1->textCursor();
    c.movePosition(QTextCursor::End);
    RichEdit1->setTextCursor(c);
    RichEdit1->ensureCursorVisible();
}

bool TFormProtokolleditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == RichEdit1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;  // the display takes no new lines
    }
    return QDialog::eventFilter(watched, event);
}

void TFormProtokolleditor::onDelete()
{
    if (dialogs::ask(this, QStringLiteral("Soll das komplette Protokoll gelöscht werden?"),
                     {dialogs::Button::Yes, dialogs::Button::No}) != dialogs::Button::Yes)
        return;
    RichEdit1->clear();
    const QString text = RichEdit1->toPlainText();
    errno = 0;
    if (!fsys::writeLines(fsys::resolve(m_file), text.isEmpty() ? QStringList() : fsys::splitLines(text)))
        fileproblems::reportNotSaved(this, m_file, errno ? errno : EIO);
}

void TFormProtokolleditor::onPrintLast()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Protokoll"));
    if (!printjob::ChoosePrinter(this, printer))
        return;
    if (RichEdit1->toPlainText().trimmed().isEmpty() || m_rtfLines.isEmpty())
        return;
    QStringList textLines;
    errno = 0;
    if (!ExportLastProtocol(LastRunBlock(m_rtfLines), textLines)) {
        // The copies for other programs could not be written; the printout does not depend on them.
        fileproblems::reportNotSaved(this, fsys::withSlash(g().config.installationDirectory) +
                                               QStringLiteral("Protokolle.txt"),
                                     errno ? errno : EIO);
    }
    if (textLines.isEmpty())
        return;
    printjob::PreviewAndPrint(this, printer, [&textLines](QPagedPaintDevice& device) {
        return PrintProtocolLines(device, textLines, true);
    });
}

void TFormProtokolleditor::onPrintMarked()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Protokoll"));
    if (!printjob::ChoosePrinter(this, printer))
        return;
    if (RichEdit1->toPlainText().trimmed().isEmpty())
        return;
    const QTextCursor c = RichEdit1->textCursor();
    if (!c.hasSelection()) {
        dialogs::current().message(this, dialogs::Icon::None, QString(),
                                   QStringLiteral("Bitte zuerst das zu druckende Protokoll markierten!"),
                                   {dialogs::Button::Ok});
        return;
    }
    static const QRegularExpression breaks(QStringLiteral("\\x{2029}|\\x{2028}|\\r\\n|\\n|\\r"));
    QStringList lines = c.selectedText().split(breaks);
    lines.prepend(QStringLiteral("KALIMO Leistungsprotokoll"));
    printjob::PreviewAndPrint(this, printer, [&lines](QPagedPaintDevice& device) {
        return PrintProtocolLines(device, lines, true);
    });
}

QString TFormProtokolleditor::historyFile() const
{
    QString base = fsys::fileName(m_file);
    if (base.endsWith(QStringLiteral(".prt"), Qt::CaseInsensitive))
        base.chop(4);
    return fsys::folderOf(m_file) + base + QStringLiteral("-Verlauf.csv");
}

void TFormProtokolleditor::showHistory()
{
    TFormVerlauf view(historyFile(), g().currentPlayer(), this);
    view.exec();
}

void TFormProtokolleditor::exportHistory()
{
    TFormVerlauf view(historyFile(), g().currentPlayer(), this);
    view.exportHistory();
}
