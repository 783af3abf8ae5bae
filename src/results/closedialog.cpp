#include "results/closedialog.h"

#include "core/Clock.h"
#include "core/SessionEnd.h"
#include "core/FileProblems.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "results/Drucken.h"
#include "results/Ergebnisse.h"
#include "results/History.h"
#include "data/PlayerList.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QStyle>
#include <QStyleOption>
#include <QTextEdit>
#include <cerrno>

namespace {

constexpr int kButtonWidth = 170, kButtonHeight = 130, kBarHeight = 156, kDesignHeight = 589;
constexpr int kButtonLefts[] = {29, 215, 402, 589};
const QSize kPictureSize(96, 84);

const QString kCertificateHint = QStringLiteral("Urkunde nur, wenn mindestens 3 Aufgaben bearbeitet sind!");
const QString kMemoryCertificateHint = QStringLiteral("Urkunde nur, wenn mindestens ein Spiel gelöst ist!");

} // namespace

TBildSchalter::TBildSchalter(CloseButtonPicture picture, const QString& caption, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(caption);  // the "&" letter becomes the button's shortcut
    m_pictures[0] = DrawCloseButtonPicture(picture, PictureState::Normal, kPictureSize);
    m_pictures[1] = DrawCloseButtonPicture(picture, PictureState::Disabled, kPictureSize);
    m_pictures[2] = DrawCloseButtonPicture(picture, PictureState::Pressed, kPictureSize);
    QFont f = font();
    f.setPixelSize(13);
    f.setBold(true);
    setFont(f);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

void TBildSchalter::enterEvent(QEnterEvent* e)
{
    m_hover = true;
    update();
    QAbstractButton::enterEvent(e);
}

void TBildSchalter::leaveEvent(QEvent* e)
{
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(e);
}

void TBildSchalter::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect r = rect().adjusted(1, 1, -1, -1);
    // Flat: a frame only under the mouse, sunken while pressed.
    if (isEnabled() && (isDown() || m_hover)) {
        p.setPen(QPen(isDown() ? palette().color(QPalette::Dark) : palette().color(QPalette::Mid), 1));
        p.setBrush(isDown() ? palette().color(QPalette::Midlight) : palette().color(QPalette::Light));
        p.drawRoundedRect(r, 6, 6);
    }
    const QImage& picture = !isEnabled() ? m_pictures[1] : isDown() ? m_pictures[2] : m_pictures[0];
    const QFontMetrics fm(font());
    const int textTop = height() - 10 - fm.height();
    const QRect pictureBox(0, 6, width(), textTop - 10);
    p.drawImage(QPoint(pictureBox.center().x() - picture.width() / 2, pictureBox.center().y() - picture.height() / 2),
                picture);
    QStyleOption opt;
    opt.initFrom(this);
    style()->drawItemText(&p, QRect(0, textTop, width(), fm.height() + 2), Qt::AlignHCenter | Qt::TextShowMnemonic,
                          opt.palette, isEnabled(), text(), QPalette::ButtonText);
}

QStringList ProtocolPrintLines(const QStringList& runProtocol, const QDateTime& now)
{
    QStringList out;
    out << g().config.programBaseName.toUpper() + QStringLiteral(" Leistungsprotokoll vom ") +
               now.toString(QStringLiteral("dd.MM.yyyy - h.mm 'Uhr'"));
    QString current;
    for (const QString& line : runProtocol) {
        if (line.isEmpty())
            continue;
        const QString text = line.mid(2);
        switch (line.at(0).unicode()) {
        case 'P': current = text + QLatin1Char(' '); break;
        case 'D': out << current; break;
        case 'F': out << QStringLiteral("Datei:   ") + text; break;
        case 'O': out << QStringLiteral("         ") + text << QString(); break;
        case ' ':
        case 'B': out << text; break;
        case 'Z': current = QStringLiteral("Gesamtbearbeitungszeit: ") + text; break;
        case 'S': current += QStringLiteral(" - Start: ") + text; break;
        case 'E':
            out << QString() << QString()
                << current + QStringLiteral(" Uhr - Ende: ") + text + QStringLiteral(" Uhr");
            break;
        default: break;
        }
    }
    return out;
}

TFormclosedialog::TFormclosedialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("Formclosedialog"));
    setWindowTitle(QStringLiteral("Programm beenden?"));
    setModal(true);
    // The right margin equals the left one.
    const int width = kButtonLefts[3] + kButtonWidth + kButtonLefts[0];
    setFixedSize(width, kDesignHeight);

    RE = new QTextEdit(this);
    RE->setObjectName(QStringLiteral("RE"));
    RE->setReadOnly(true);
    RE->setLineWrapMode(QTextEdit::NoWrap);
    RE->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RE->setFocusPolicy(Qt::ClickFocus);
    RE->setGeometry(0, 0, width, kDesignHeight - kBarHeight);

    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("P_knoepfe"));
    bar->setGeometry(0, kDesignHeight - kBarHeight, width, kBarHeight);
    auto make = [bar](CloseButtonPicture picture, const char* name, const QString& caption, int left) {
        auto* b = new TBildSchalter(picture, caption, bar);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(left, 13, kButtonWidth, kButtonHeight);
        return b;
    };
    sb_back = make(CloseButtonPicture::Back, "sb_back", QStringLiteral("&Zurück zum Programm"), kButtonLefts[0]);
    sb_druckprotokoll =
        make(CloseButtonPicture::PrintProtocol, "sb_druckprotokoll", QStringLiteral("&Leistungsprotokoll"), kButtonLefts[1]);
    sb_druckurkunde =
        make(CloseButtonPicture::PrintCertificate, "sb_druckurkunde", QStringLiteral("&Urkunde drucken"), kButtonLefts[2]);
    sb_ende = make(CloseButtonPicture::End, "sb_ende", QStringLiteral("&Ende"), kButtonLefts[3]);
    connect(sb_back, &QAbstractButton::clicked, this, &TFormclosedialog::onBack);
    connect(sb_ende, &QAbstractButton::clicked, this, &TFormclosedialog::onEnd);
    connect(sb_druckprotokoll, &QAbstractButton::clicked, this, &TFormclosedialog::onPrintProtocol);
    connect(sb_druckurkunde, &QAbstractButton::clicked, this, &TFormclosedialog::onPrintCertificate);

    // Opening: done once per dialog (a dialog is made for every press of the end button).
    RunState& r = run();
    if (!r.runProtocol.isEmpty()) {
        const int code = g().programCode;
        // A memory game earns a certificate once one game is solved; no certificate praises nothing.
        const int needed = IsMemoryGame(code) ? 1 : 3;
        if (r.countedTaskTotal >= needed) {
            sb_druckurkunde->setToolTip(QString());
            m_certificateTaskCount = r.countedTaskTotal;
        } else {
            sb_druckurkunde->setEnabled(false);
            sb_druckurkunde->setToolTip(IsMemoryGame(code) ? kMemoryCertificateHint : kCertificateHint);
        }
        AddWorkTimeLines();
        RenderProtocolRtf(r.runProtocol, RE);
    } else {
        sb_druckurkunde->setEnabled(false);
        sb_druckprotokoll->setEnabled(false);
    }

    if (parent) {
        const QRect owner = parent->window()->frameGeometry();
        move(owner.center() - QPoint(this->width() / 2, height() / 2));
    }
}

void TFormclosedialog::reject() { onEnd(); }

void TFormclosedialog::onBack()
{
    if (m_ended)
        return;
    done(Back);
}

void TFormclosedialog::onEnd()
{
    if (m_ended)
        return;
    m_ended = true;
    if (!run().runProtocol.isEmpty()) {
        // Only the folder itself: on a share that went away nothing is built under the empty mount
        // point.
        fsys::makeFolder(g().config.dirs.protokoll, g().config.installationDirectory);
        const QString path = PlayerProtocolPath();
        errno = 0;
        if (!AppendRunToProtocolFile(path)) {
            const int error = errno ? errno : EIO;
            // The old file stays whole. With its folder gone (the share went away) the run stays
            // here, so that "Zurück" or "Ende" can try again once the folder is back.
            fileproblems::reportNotSaved(this, path, error);
            if (!fsys::dirExists(fsys::folderOf(path))) {
                m_ended = false;
                return;
            }
        } else {
            // The history keeps every run the protocol file has taken, also after it was trimmed.
            const RunState& r = run();
            const QString historyPath = playerHistoryFile(g().currentPlayer());
            history::HistoryRun entry = history::RunFromProtocol(r.runProtocol, r.runStartTime, r.runEndTime,
                                                                 history::ListPrefix(g().programCode));
            // The protocol names a list as the program's list box shows it; the run knows the file.
            if (const QString lists = history::ListsOfBlocks(r.runResults); !lists.isEmpty())
                entry.listFile = lists;
            errno = 0;
            if (!history::AppendRun(historyPath, entry))
                fileproblems::reportNotSaved(this, historyPath, errno ? errno : EIO);
        }
    }
    done(End);
}

void TFormclosedialog::onPrintProtocol()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Leistungsprotokoll"));
    if (!printjob::ChoosePrinter(this, printer))
        return;
    const QStringList lines = ProtocolPrintLines(run().runProtocol, clock_::now());
    const bool backWas = sb_back->isEnabled();
    const auto outcome = printjob::PreviewAndPrint(
        this, printer, [&lines](QPagedPaintDevice& device) { return PrintProtocolLines(device, lines, true); },
        [this] {
            sb_back->setEnabled(false);
            sb_druckprotokoll->setEnabled(false);
        });
    if (outcome == printjob::Outcome::Failed) {
        // Nothing was printed: the user may try again or go back.
        sb_back->setEnabled(backWas);
        sb_druckprotokoll->setEnabled(true);
    }
}

void TFormclosedialog::onPrintCertificate()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Urkunde"));
    if (!printjob::ChoosePrinter(this, printer))
        return;
    const RunState& r = run();
    QString programText;
    for (const QString& line : r.runProtocol)
        if (line.startsWith(QLatin1Char('P')))
            programText = line.mid(2) + QLatin1Char(' ');
    const double days =
        r.runStartTime.isValid() && r.runEndTime.isValid() ? r.runStartTime.msecsTo(r.runEndTime) / 86400000.0 : 0.0;
    const TUrkunde urkunde =
        MakeCertificate(g().currentPlayer(), programText, m_certificateTaskCount, days, g().programCode);
    const bool backWas = sb_back->isEnabled();
    const auto outcome = printjob::PreviewAndPrint(
        this, printer, [&urkunde](QPagedPaintDevice& device) { return PrintCertificate(device, urkunde); },
        [this] {
            sb_back->setEnabled(false);
            sb_druckurkunde->setEnabled(false);
        });
    if (outcome == printjob::Outcome::Failed) {
        sb_back->setEnabled(backWas);
        sb_druckurkunde->setEnabled(true);
    }
}

bool ShowCloseDialog(QWidget* parent)
{
    TFormclosedialog dialog(parent);
    if (session::ending()) {
        // The session ends: the run is kept as "Ende" keeps it, without showing the dialog.
        dialog.sb_ende->click();
        return true;
    }
    return dialog.exec() == TFormclosedialog::End;
}
