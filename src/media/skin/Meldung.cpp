#include "media/skin/Meldung.h"

#include "core/FileSystem.h"
#include "core/SessionEnd.h"
#include "core/GlobalState.h"
#include "media/picture/Picture.h"
#include "media/skin/Frames.h"
#include "media/sound/Sound.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int kButtonWidth = 200, kButtonHeight = 60, kButtonGap = 20;
constexpr int kTimeLabelHeight = 20;  // the hidden time label below the buttons
constexpr int kTextWidth = 600, kMargin = 20, kShadow = 10;

QFont comic(int pixels)
{
    QFont f(QStringLiteral("Comic Sans MS"));
    f.setPixelSize(pixels);
    return f;
}

QColor windowColour() { return picture::toQColor(g().loadedList.layout.backgroundColour); }

} // namespace

std::function<void(TFormMeldung&)>& TFormMeldung::shownHook()
{
    static std::function<void(TFormMeldung&)> hook;
    return hook;
}

TFormMeldung::TFormMeldung(QWidget* owner, const QString& text, const QString& pictureFile, bool yesNo)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint), m_owner(owner), m_yesNo(yesNo)
{
    setObjectName(QStringLiteral("FormMeldung"));
    setModal(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, windowColour());
    setPalette(pal);

    L_meldung = new QLabel(this);
    L_meldung->setObjectName(QStringLiteral("L_meldung"));
    L_meldung->setAlignment(Qt::AlignCenter);
    L_meldung->setWordWrap(true);
    L_meldung->setFont(comic(43));
    QPalette lp = L_meldung->palette();
    lp.setColor(QPalette::WindowText, Qt::black);
    L_meldung->setPalette(lp);

    auto makeButton = [this](const char* name, const QString& caption, dialogs::Button result) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setFont(comic(33));
        b->setFixedSize(kButtonWidth, kButtonHeight);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, result] { done(int(result)); });
        return b;
    };
    B_ja = makeButton("B_ja", QStringLiteral("&Ja"), dialogs::Button::Yes);
    B_nein = makeButton("B_nein", QStringLiteral("&Nein"), dialogs::Button::No);
    B_ok = makeButton("B_ok", QStringLiteral("&OK"), dialogs::Button::Ok);
    B_ja->setVisible(yesNo);
    B_nein->setVisible(yesNo);
    B_ok->setVisible(!yesNo);
    B_nein->setDefault(yesNo);
    B_ok->setDefault(!yesNo);

    if (pictureFile.isEmpty() && !text.isNull())
        layoutText(text);
    else
        layoutPicture(pictureFile);

    // Centred on the monitor that shows the program.
    QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->geometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    grabOwner();
}

void TFormMeldung::placeButtons(int top)
{
    const int w = width();
    if (m_yesNo) {
        const int left = (w - 2 * kButtonWidth - kButtonGap) / 2;
        B_ja->move(left, top);
        B_nein->move(left + kButtonWidth + kButtonGap, top);
    } else {
        B_ok->move((w - kButtonWidth) / 2, top);
    }
}

void TFormMeldung::layoutText(const QString& text)
{
    L_meldung->setText(QLatin1Char(' ') + text + QLatin1Char(' '));
    L_meldung->setContentsMargins(10, 10, 10, 10);
    const int labelHeight = std::max(L_meldung->heightForWidth(kTextWidth), L_meldung->sizeHint().height());
    L_meldung->setGeometry(kMargin, kMargin, kTextWidth, labelHeight);
    // The panel: the label's bounds extended by the buttons and the hidden time label.
    m_panel = QRect(kMargin, kMargin, kTextWidth, labelHeight + kButtonHeight + kTimeLabelHeight);
    setFixedSize(kTextWidth + 2 * kMargin + kShadow, m_panel.bottom() + 1 + kMargin + kShadow);
    placeButtons(kMargin + labelHeight);
}

void TFormMeldung::layoutPicture(const QString& pictureFile)
{
    L_meldung->hide();
    QSize pic;
    if (!pictureFile.isEmpty() && fsys::fileExists(pictureFile)) {
        pic = picture::PictureSize(pictureFile);
        if (QScreen* s = QGuiApplication::primaryScreen(); s && pic.isValid()) {
            // A picture larger than the monitor is shown smaller, the window must stay on it.
            const QSize room = s->availableGeometry().size() - QSize(40, 100 + kButtonHeight);
            if (pic.width() > room.width() || pic.height() > room.height())
                pic = pic.scaled(room, Qt::KeepAspectRatio);
        }
    }
    const int buttonsWidth = m_yesNo ? 2 * kButtonWidth + kButtonGap : kButtonWidth;
    int w = 40, h = 100;
    if (pic.isValid() && !pic.isEmpty()) {
        w = pic.width() + 40;
        h = pic.height() + 100 + kButtonHeight;
    }
    // The buttons always fit in.
    w = std::max(w, buttonsWidth + 2 * kMargin);
    setFixedSize(w, h);
    m_panel = QRect(0, 0, w - kShadow, h - kShadow);
    if (pic.isValid() && !pic.isEmpty()) {
        picture::Target t(pic.width(), pic.height(), picture::fromQColor(windowColour()));
        picture::DrawPictureAligned(t, pictureFile, picture::fromQColor(windowColour()), 0, 1, 100, true, false);
        m_picture = t.image;
        m_pictureRect = QRect(QPoint((w - pic.width()) / 2, 20), pic);
    }
    placeButtons(h - 25 - kButtonHeight);
}

void TFormMeldung::grabOwner()
{
    m_background = picture::NewBitmap(width(), height(), picture::fromQColor(windowColour()));
    if (!m_owner)
        return;
    const QRect global(pos(), size());
    const QRect inOwner(m_owner->mapFromGlobal(global.topLeft()), global.size());
    const QRect part = inOwner.intersected(m_owner->rect());
    if (part.isEmpty())
        return;
    m_saved = m_owner->grab(part).toImage();
    QPainter p(&m_background);
    p.drawImage(part.topLeft() - inOwner.topLeft(), m_saved);
}

void TFormMeldung::decorate()
{
    if (m_decorated)
        return;
    m_decorated = true;
    DrawShadowFrame(m_background, m_panel, 10);
    picture::LightenRect(m_background, m_panel.left(), m_panel.top(), m_panel.right(), m_panel.bottom(), 85);
    if (!m_picture.isNull()) {
        QPainter p(&m_background);
        p.drawImage(m_pictureRect.topLeft(), m_picture);
    }
}

void TFormMeldung::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!B_ja->isVisible() && !B_nein->isVisible() && !B_ok->isVisible())
        B_ok->show();
    decorate();
    if (shownHook())
        QTimer::singleShot(0, this, [this] {
            if (shownHook())
                shownHook()(*this);
        });
}

void TFormMeldung::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, m_background);
}

void TFormMeldung::reject()
{
    done(int(m_yesNo ? dialogs::Button::No : dialogs::Button::Ok));
}

namespace {
dialogs::Button run(TFormMeldung& window, QWidget* owner)
{
    // Nobody answers at the end of the session: the question is taken as confirmed.
    if (session::ending())
        return window.isYesNo() ? dialogs::Button::Yes : dialogs::Button::Ok;
    if (!g().config.tonMeldung.isEmpty())
        PlayWaveFile(g().config.tonMeldung, false, false);
    const int r = window.exec();
    if (owner)
        owner->update();  // the owner shows its own pixels again
    const auto b = dialogs::Button(r);
    return b == dialogs::Button::Yes || b == dialogs::Button::No ? b : dialogs::Button::Ok;
}
} // namespace

dialogs::Button ShowMessageWindow(const QString& message, QWidget* owner, bool yesNo)
{
    TFormMeldung window(owner, message.isNull() ? QLatin1String("") : message, QString(), yesNo);
    return run(window, owner);
}

dialogs::Button ShowPictureMessage(const QString& pictureFile, QWidget* owner, bool yesNo)
{
    TFormMeldung window(owner, QString(), pictureFile, yesNo);
    return run(window, owner);
}
