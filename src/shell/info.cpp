#include "shell/info.h"
#include "media/sound/AudioBackend.h"
#include "core/GlobalState.h"
#include "core/MessageHook.h"
#include "shell/Hauptformular.h"
#include "shell/ShellPictures.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextEdit>
#include <QUrl>
#include <QLabel>

namespace {
// Product data shown when the configuration holds no contact lines.
const QStringList kLabels = {"Programm:", "Herausgeber:", "E-Mail:", "", "Lizenz:", " ", "Internet:"};
const QStringList kValues = {"Kalimo - Hörtraining für Kinder", "Das Kalimo-Projekt", "info@kalimo.example.org", "",
                             "freie Software", " ", "https://kalimo.example.org"};
}

TForminfo::TForminfo(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Info"));
    setObjectName(QStringLiteral("Forminfo"));

    // Designed for 1280 x 1024 and scaled to the monitor.
    double f = 1.0;
    if (QScreen* s = (parent && parent->screen()) ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QSize m = s->geometry().size();
        const double fw = m.width() / 1280.0, fh = m.height() / 1024.0;
        f = fw > fh ? fh : fw;
        f *= 16.0 / qMax(1, qRound(16.0 * s->logicalDotsPerInch() / 96.0));
    }
    auto S = [f](int v) { return qRound(v * f); };
    auto arial = [&](int px, bool bold = false) {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(S(px));
        font.setBold(bold);
        return font;
    };

    Image1 = new QLabel(this);
    Image1->setGeometry(S(20), S(20), S(200), S(127));
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setMouseTracking(true);

    L_progname = new QLabel(this);
    L_progname->setFont(arial(40, true));
    L_progname->setAlignment(Qt::AlignCenter);
    L_progname->setGeometry(S(240), S(25), S(420), S(55));

    L_version = new QLabel(this);
    L_version->setFont(arial(22));
    L_version->setAlignment(Qt::AlignCenter);
    L_version->setGeometry(S(240), S(90), S(420), S(35));
    const QString caption = TFormHauptformular::captionWithVersion();
    L_version->setText(caption.mid(caption.indexOf(QStringLiteral("Version"))));

    const QFont memoFont = arial(20);
    m_lineHeight = QFontMetrics(memoFont).height();
    const int tableTop = S(170);
    const int tableHeight = 7 * m_lineHeight + 8;  // until the contact lines are known
    auto makeMemo = [&](int left, int width) {
        auto* m = new QTextEdit(this);
        m->setReadOnly(true);
        m->setFont(memoFont);
        m->setFrameShape(QFrame::NoFrame);
        m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m->document()->setDocumentMargin(0);
        m->setGeometry(left, tableTop, width, tableHeight);
        m->viewport()->setCursor(Qt::ArrowCursor);
        return m;
    };
    Memo1 = makeMemo(S(20), S(200));
    Memo2 = makeMemo(S(225), S(435));
    Memo1->viewport()->installEventFilter(this);

    Panel3 = new QLabel(this);
    Panel3->setFont(memoFont);
    Panel3->setAutoFillBackground(true);
    QPalette pp = Panel3->palette();
    pp.setColor(QPalette::Window, Qt::white);
    pp.setColor(QPalette::WindowText, Qt::black);
    Panel3->setPalette(pp);
    Panel3->setCursor(Qt::PointingHandCursor);
    Panel3->installEventFilter(this);

    L_ton = new QLabel(audio::outputDescription(), this);
    L_ton->setFont(arial(15));

    B_ok = new QPushButton(QStringLiteral("OK"), this);
    B_ok->setFont(arial(17));
    B_ok->setDefault(true);
    connect(B_ok, &QPushButton::clicked, this, &QDialog::accept);

    setMouseTracking(true);
    for (QWidget* w : findChildren<QWidget*>())
        w->setMouseTracking(true);
    fillContacts();

    // The table grows with the contact lines (seven at least); "OK" and the window follow it.
    const int rows = qMax(7, int(labelLines().size()));
    const int tableH = rows * m_lineHeight + 8;
    Memo1->resize(Memo1->width(), tableH);
    Memo2->resize(Memo2->width(), tableH);
    B_ok->setGeometry(S(660) - S(94), tableTop + tableH + S(30), S(94), S(50));
    L_ton->setGeometry(S(20), B_ok->y(), B_ok->x() - S(40), B_ok->height());
    setFixedSize(B_ok->geometry().right() + 1 + S(40), B_ok->geometry().bottom() + 1 + S(40));
    if (parent) {
        const QRect pg = parent->window()->frameGeometry();
        move(pg.center() - QPoint(width() / 2, height() / 2));
    }
}

TForminfo::~TForminfo()
{
    if (m_hooked)
        messagehook::remove(this);
}

int TForminfo::linkRow(const QStringList& infoLines)
{
    int row = 6;
    for (int i = 0; i < infoLines.size(); ++i) {
        const QString key = infoLines[i].section(QLatin1Char('='), 0, 0);
        if (key.contains(QStringLiteral("Internet")))
            row = i;
    }
    return row;
}

void TForminfo::fillMemo(QTextEdit* memo, const QStringList& lines, Qt::Alignment align)
{
    memo->clear();
    memo->setPlainText(lines.join(QLatin1Char('\n')));
    QTextCursor c(memo->document());
    c.select(QTextCursor::Document);
    QTextBlockFormat fmt;
    fmt.setAlignment(align);
    fmt.setLineHeight(QFontMetrics(memo->font()).height(), QTextBlockFormat::FixedHeight);
    c.mergeBlockFormat(fmt);
}

void TForminfo::fillContacts()
{
    L_progname->setText(QApplication::applicationName().isEmpty() ? QStringLiteral("Kalimo")
                                                                  : QApplication::applicationName());
    const QStringList& info = g().config.infoLines;
    QStringList labels = kLabels, values = kValues;
    if (!info.isEmpty()) {
        labels.clear();
        values.clear();
        for (const QString& line : info) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            const QString key = line.left(eq);
            labels << (key.contains(QStringLiteral("leer")) ? QString() : key);
            values << line.mid(eq + 1);
        }
        m_linkRow = linkRow(info);
    } else {
        m_linkRow = 6;
    }
    fillMemo(Memo1, labels, Qt::AlignRight);
    fillMemo(Memo2, values, Qt::AlignLeft);
    const QString url = m_linkRow < values.size() ? values[m_linkRow] : QString();
    Panel3->setText(url);
    Panel3->setToolTip(url);
    Panel3->adjustSize();
    Panel3->move(Memo2->x() + 2, m_linkRow * m_lineHeight + Memo2->y() + 2);
    Panel3->setVisible(!url.trimmed().isEmpty());
}

QStringList TForminfo::labelLines() const { return Memo1->toPlainText().split(QLatin1Char('\n')); }
QStringList TForminfo::valueLines() const { return Memo2->toPlainText().split(QLatin1Char('\n')); }

void TForminfo::setPicture(bool highlighted)
{
    m_highlighted = highlighted;
    Image1->setPixmap(QPixmap::fromImage(highlighted ? m_highlight : m_normal));
}

void TForminfo::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    const QColor bg = palette().color(QPalette::Window);
    m_normal = drawStartPicture(g().config.startbild1, Image1->size(), 100, bg);
    m_highlight = drawStartPicture(g().config.startbild2, Image1->size(), 200, bg);
    setPicture(false);
    if (!m_hooked) {
        messagehook::push(this);
        m_hooked = true;
    }
}

void TForminfo::done(int r)
{
    if (m_hooked) {
        messagehook::remove(this);
        m_hooked = false;
    }
    QDialog::done(r);
}

bool TForminfo::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Panel3 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // Addresses are often written without a scheme ("www.verlag.de").
        QDesktopServices::openUrl(QUrl::fromUserInput(Panel3->toolTip().trimmed()));
        return true;
    }
    if (watched == Memo1->viewport() && event->type() == QEvent::MouseButtonPress) {
        B_ok->setFocus();
        return true;
    }
    if (event->type() == QEvent::MouseMove) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && (w == this || isAncestorOf(w))) {
            const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            const bool overPicture = Image1->rect().contains(Image1->mapFromGlobal(global));
            if (overPicture != m_highlighted)
                setPicture(overPicture);
            const bool overLink = Panel3->isVisible() && Panel3->rect().contains(Panel3->mapFromGlobal(global));
            QPalette pp = Panel3->palette();
            pp.setColor(QPalette::WindowText, overLink ? QColor(0, 0, 128) : QColor(Qt::black));
            Panel3->setPalette(pp);
            if (overLink)
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
