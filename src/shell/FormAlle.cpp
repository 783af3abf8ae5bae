#include "shell/FormAlle.h"

#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/MessageHook.h"
#include "core/Random.h"
#include "data/TaskList.h"
#include "media/picture/Picture.h"
#include "media/skin/FileChoice.h"
#include "media/skin/Frames.h"
#include "media/skin/Meldung.h"
#include "media/skin/ScreenScale.h"
#include "media/skin/SkinButton.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"

#include <QDir>
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace {

// Bottom bar measures at the design size of 800 x 600, scaled with the window. The bar is an eighth
// of the design height: high enough for the listen button's picture and caption, and for the list
// choice with the checkbox and the task count below it.
constexpr int kBarHeight = 75;
constexpr int kSideButtonWidth = 100;  // "Optionen" and "Ende"
constexpr int kChoiceWidth = 230;      // ends left of the centred listen button at 800 x 600
constexpr int kChoiceGap = 6;
constexpr int kBarFontPixels = 14;
constexpr int kRepeatMs = 200;

const QColor kNumberRed(255, 0, 0);

template <typename W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QFont barFont(double factor)
{
    QFont f(QStringLiteral("Morwen  DN TTF"));
    f.setPixelSize(std::max(8, qRound(kBarFontPixels * factor)));
    return f;
}

void fillColour(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

// A task button of the strip: shows the face the frame draws for it.
class StripButton : public QAbstractButton
{
public:
    using QAbstractButton::QAbstractButton;
    void setFace(const QImage& face)
    {
        m_face = face;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        if (!m_face.isNull())
            p.drawImage(0, 0, m_face);
    }

private:
    QImage m_face;
};

// The thin strip along the bottom edge: a click toggles the bottom bar.
class ClickStrip : public QFrame
{
public:
    using QFrame::QFrame;
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && onClick)
            onClick();
    }
};

int taskCount() { return int(g().taskList().size()); }

// Moves a widget into `parent`, keeping whether it is shown.
void adopt(QWidget* w, QWidget* parent)
{
    if (w->parentWidget() == parent)
        return;
    const bool shown = !w->isHidden();
    w->setParent(parent);
    w->setVisible(shown);
}
}

TFormFormAlle::TFormFormAlle(int programCode_, const QString& listPath_, QWidget* parent)
    : TFormExercise(programCode_, listPath_, parent)
{
    setObjectName(QStringLiteral("FormFormAlle"));
    listenCaption = QStringLiteral("Hören");

    buildWidgets();

    m_repeat = new QTimer(this);
    m_repeat->setObjectName(QStringLiteral("stripRepeat"));
    m_repeat->setInterval(kRepeatMs);
    connect(m_repeat, &QTimer::timeout, this, [this] { stepStrip(m_repeatDelta); });
}

TFormFormAlle::~TFormFormAlle() = default;

std::array<QImage, 5>& TFormFormAlle::stripPictures()
{
    static std::array<QImage, 5> pictures;
    return pictures;
}

void TFormFormAlle::buildWidgets()
{
    const QColor face = picture::toQColor(kButtonFaceColour);

    P_oben = named(new QFrame(this), "P_oben");
    fillColour(P_oben, face);
    BB_back = named(new QPushButton(QStringLiteral("<"), P_oben), "BB_back");
    BB_next = named(new QPushButton(QStringLiteral(">"), P_oben), "BB_next");
    P_label = named(new QFrame(P_oben), "P_label");
    fillColour(P_label, face);
    P_label->setFont(QFont(QStringLiteral("Comic Sans MS")));
    for (QPushButton* b : {BB_back, BB_next}) {
        b->setFocusPolicy(Qt::NoFocus);
        const int delta = b == BB_back ? -1 : 1;
        connect(b, &QAbstractButton::pressed, this, [this, delta] {
            repeating = true;
            m_repeatDelta = delta;
            stepStrip(delta);
            if (repeating)
                m_repeat->start();
        });
        connect(b, &QAbstractButton::released, this, [this] {
            m_repeat->stop();
            repeating = false;
        });
    }

    P_Leiste = named(new QFrame(this), "P_Leiste");
    P_Leiste->setFrameStyle(QFrame::Panel | QFrame::Raised);
    fillColour(P_Leiste, face);
    sb_optionen = named(new QPushButton(QStringLiteral("Optionen"), P_Leiste), "sb_optionen");
    P_auswahl = named(new QFrame(P_Leiste), "P_auswahl");
    CB_auswahl = named(new QComboBox(P_auswahl), "CB_auswahl");
    Chb_hintergrundbild = named(new QCheckBox(QStringLiteral("Hintergrundbild"), P_auswahl), "Chb_hintergrundbild");
    P_TAuswahl = named(new QFrame(P_auswahl), "P_TAuswahl");
    L_Aufgaben = named(new QLabel(QStringLiteral(" Aufgaben: "), P_TAuswahl), "L_Aufgaben");
    l_gbst = named(new QLabel(QStringLiteral("Großbuchstaben! "), P_TAuswahl), "l_gbst");
    {
        QPalette p = l_gbst->palette();
        p.setColor(QPalette::WindowText, QColor(0, 128, 0));
        l_gbst->setPalette(p);
    }
    l_gbst->setVisible(false);
    P_hoeren = named(new QFrame(P_Leiste), "P_hoeren");
    P_hoeren->setFrameStyle(QFrame::Panel | QFrame::Raised);
    P_hoeren->setLineWidth(2);
    SB_hoeren = named(new QPushButton(P_hoeren), "SB_hoeren");
    SB_hoeren->setFlat(true);
    SB_ende = named(new QPushButton(QStringLiteral("Ende"), P_Leiste), "SB_ende");

    auto* strip = new ClickStrip(this);
    strip->onClick = [this] { setBottomBarVisible(!bottomBarVisible()); };
    L_unten = named(static_cast<QFrame*>(strip), "L_unten");
    L_unten->setCursor(Qt::WaitCursor);

    for (QWidget* w : std::initializer_list<QWidget*>{BB_back, BB_next, P_label, sb_optionen, P_auswahl, SB_ende, L_unten})
        MarkAdultControl(w);
    connect(sb_optionen, &QAbstractButton::clicked, this, [this] { sb_optionenClick(); });
    connect(SB_ende, &QAbstractButton::clicked, this, [this] { SB_endeClick(); });
    connect(SB_hoeren, &QAbstractButton::pressed, this, [this] { P_hoeren->setFrameShadow(QFrame::Sunken); });
    connect(SB_hoeren, &QAbstractButton::clicked, this, [this] {
        NoteChildActed();
        SB_hoerenClick();
    });
    connect(Chb_hintergrundbild, &QAbstractButton::clicked, this, [this] {
        backgroundPictureVisible = Chb_hintergrundbild->isChecked();
        Chb_hintergrundbildClick();
    });
    // Only a choice of the user runs the handler; filling and resetting the box never does.
    connect(CB_auswahl, &QComboBox::activated, this, [this](int index) { CB_auswahlChange(index); });
}

void TFormFormAlle::ArrangeFrame()
{
    const int w = width(), h = height();
    const double factor = screenScaleFactor(QSize(w, h));
    const QFont font = barFont(factor);

    stripSize = h / 15;
    const int arrowWidth = w / 20;
    P_oben->setGeometry(0, 0, w, stripSize + 4);
    BB_back->setGeometry(0, 0, arrowWidth, P_oben->height());
    BB_next->setGeometry(w - arrowWidth, 0, arrowWidth, P_oben->height());
    P_label->setGeometry(arrowWidth, 1, w - 2 * arrowWidth, P_oben->height() - 2);
    QFont arrows = font;
    arrows.setBold(true);
    BB_back->setFont(arrows);
    BB_next->setFont(arrows);
    // The largest c with c * size + 4c + 4 < strip width.
    const int stripWidth = P_label->width();
    stripCapacity = stripWidth > 4 ? std::max(0, (stripWidth - 5) / (stripSize + 4)) : 0;

    const int barHeight = std::max(20, qRound(kBarHeight * factor));
    P_Leiste->setGeometry(0, h - 3 - barHeight, w, barHeight);
    L_unten->setGeometry(0, h - 3, w, 3);
    L_unten->raise();
    for (QWidget* c : P_Leiste->findChildren<QWidget*>())
        c->setFont(font);

    const int sideWidth = qRound(kSideButtonWidth * factor);
    sb_optionen->setGeometry(1, 1, sideWidth, barHeight + 2);
    SB_ende->setGeometry(P_Leiste->width() - sideWidth - 1, 1, sideWidth, barHeight + 2);

    const int choiceHeight = barHeight - 2;
    P_auswahl->setGeometry(sb_optionen->x() + sb_optionen->width() + qRound(kChoiceGap * factor), 1,
                           qRound(kChoiceWidth * factor), choiceHeight);
    const int innerWidth = P_auswahl->width() - 8;
    const int line = std::max(QFontMetrics(font).height() + 4, choiceHeight / 3);
    CB_auswahl->setGeometry(4, 2, innerWidth, line);
    Chb_hintergrundbild->setGeometry(4, CB_auswahl->y() + CB_auswahl->height(), innerWidth, line);
    const int countHeight = std::max(1, choiceHeight - 2 * line - 2);
    P_TAuswahl->setGeometry(4, choiceHeight - countHeight, innerWidth, countHeight);
    // The hint keeps its whole text; the task count takes what is left.
    const int hintWidth = std::min(l_gbst->sizeHint().width(), innerWidth * 3 / 5);
    l_gbst->setGeometry(innerWidth - hintWidth, 0, hintWidth, countHeight);
    l_gbst->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    L_Aufgaben->setGeometry(0, 0, innerWidth - hintWidth, countHeight);

    const int bevel = P_hoeren->frameWidth();
    const int listenHeight = barHeight - 2;
    const int listenWidth = qRound((listenHeight - 2 * bevel) * 1.3046875) + 2 * bevel;
    P_hoeren->setGeometry((P_Leiste->width() - listenWidth) / 2, 1, listenWidth, listenHeight);
    SB_hoeren->setGeometry(bevel, bevel, listenWidth - 2 * bevel, listenHeight - 2 * bevel);
    SkinButton(SB_hoeren, g().config.symbolHoeren, listenCaption, 2, 1, 0x00FFFFFF, 2);
}

void TFormFormAlle::ArrangeBottomBar(const BarLayout& bar)
{
    const int barH = P_Leiste->height();
    const QFont font = Chb_hintergrundbild->font();
    int x = sb_optionen->geometry().right() + 1 + 4;
    for (const auto& [w, width] : bar.left) {
        if (!w)
            continue;
        adopt(w, P_Leiste);
        if (qobject_cast<QAbstractButton*>(w))
            w->setGeometry(x, 1, width, barH - 2);
        else
            w->setGeometry(x, 0, width, barH);
        x = w->geometry().right() + 1 + 2;
    }
    // The listen panel in the middle; nothing on the left pushes it aside.
    QRect hp = P_hoeren->geometry();
    const int centred = (P_Leiste->width() - hp.width()) / 2;
    // The button beside the panel gives up to a third of its width before the panel leaves the middle.
    const int besideW = bar.besideListen ? std::clamp(centred - 3 - x, barH * 2 / 3, barH) : 0;
    hp.moveLeft(std::max(centred, x + besideW + 2));
    P_hoeren->setGeometry(hp);
    if (bar.besideListen) {
        adopt(bar.besideListen, P_Leiste);
        bar.besideListen->setGeometry(hp.left() - 1 - besideW, 1, besideW, barH - 2);
    }
    for (QWidget* b : bar.inPlaceOfListen) {
        adopt(b, P_Leiste);
        b->setGeometry(hp);
    }
    // The list choice fills the room between the panel and "Ende".
    const QRect choice(hp.right() + 1 + 4, 1, std::max(40, SB_ende->geometry().left() - 4 - (hp.right() + 1 + 4)),
                       barH - 2);
    P_auswahl->setGeometry(choice);
    const int inner = choice.width() - 8;
    // One row each: the folder tabs (when there are any), the list, the background box, the task
    // count, which keeps the whole of "Aufgaben: 3 - bearbeitet: 1".
    const int rowH = std::max(1, (choice.height() - 4) / (bar.folderTabs.empty() ? 3 : 4));
    int y = 2;
    const int n = int(bar.folderTabs.size());
    for (int i = 0; i < n; ++i) {
        QAbstractButton* t = bar.folderTabs[size_t(i)];
        adopt(t, P_auswahl);
        t->setFont(font);
        const int tabW = inner / n;
        t->setGeometry(4 + i * tabW, y, i == n - 1 ? inner - (n - 1) * tabW : tabW, rowH);
    }
    if (n > 0)
        y += rowH;
    CB_auswahl->setGeometry(4, y, inner, rowH);
    y += rowH;
    Chb_hintergrundbild->setGeometry(4, y, inner, rowH);
    y += rowH;
    P_TAuswahl->setGeometry(4, y, inner, std::max(1, choice.height() - 1 - y));
    const int countW = P_TAuswahl->width(), countH = P_TAuswahl->height();
    const int hintW = l_gbst->isVisibleTo(this) ? std::min(l_gbst->sizeHint().width(), countW / 2) : 0;
    l_gbst->setGeometry(countW - hintW, 0, hintW, countH);
    L_Aufgaben->setGeometry(0, 0, countW - hintW, countH);
}

QRect TFormFormAlle::playArea() const
{
    const int top = P_oben->geometry().bottom() + 1;
    const int bottom = bottomBarVisible() ? P_Leiste->y() : height();
    return QRect(0, top, width(), std::max(0, bottom - top));
}

void TFormFormAlle::setBottomBarVisible(bool visible)
{
    P_Leiste->setVisible(visible);
    // The exercise lays its area out again over the room the bar gives or takes.
    ArrangeFrame();
    update();
}

bool TFormFormAlle::bottomBarVisible() const { return !P_Leiste->isHidden(); }

int TFormFormAlle::stripNumber(int j) const
{
    return j >= 0 && j < int(m_stripNumbers.size()) ? m_stripNumbers[size_t(j)] : -1;
}

void TFormFormAlle::BuildTaskStrip()
{
    const int n = taskCount();
    lowestFirst = 0;
    highestFirst = std::max(0, n - stripCapacity);
    firstShown = 0;

    // A strip button may be the sender of the click that reloads the list: delete later.
    for (QAbstractButton* b : m_stripButtons) {
        b->hide();
        b->disconnect(this);
        b->deleteLater();
    }
    m_stripButtons.clear();
    m_stripNumbers.clear();

    stripCount = std::min(stripCapacity, n);
    const int size = stripSize;
    const int a = stripCount;
    const int left = (P_label->width() - 4 * a - a * size - 4) / 2;
    for (int j = 0; j < a; ++j) {
        auto* b = new StripButton(P_label);
        b->setObjectName(QStringLiteral("stripButton%1").arg(j));
        b->setGeometry(left + j * (size + 4) + 4, 2, size, size);
        b->setCursor(Qt::PointingHandCursor);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QAbstractButton::clicked, this, [this, j] { TaskImageClick(stripNumber(j)); });
        b->show();
        m_stripButtons.push_back(b);
        m_stripNumbers.push_back(j);
    }
    updateArrowButtons();
}

void TFormFormAlle::ShowStripFrom(int first)
{
    // A numbering that would run past the last task is refused.
    if (first < 0 || first + stripCount > taskCount())
        return;
    firstShown = first;
    for (int j = 0; j < stripCount; ++j)
        m_stripNumbers[size_t(j)] = firstShown + j;
    for (int j = 0; j < stripCount; ++j)
        drawStripButton(j);
    updateArrowButtons();
}

void TFormFormAlle::DrawTaskStrip()
{
    if (stripCount > 0) {
        if (currentTask >= firstShown + stripCount)
            ShowStripFrom(firstShown + 1);
        else if (currentTask < firstShown)
            ShowStripFrom(currentTask);
    }
    bool shown = false;
    for (int j = 0; j < stripCount; ++j) {
        drawStripButton(j);
        shown = shown || m_stripNumbers[size_t(j)] == currentTask;
    }
    if (!shown && stripCount > 0)
        Beep();
}

void TFormFormAlle::drawStripButton(int j)
{
    if (j < 0 || j >= int(m_stripButtons.size()))
        return;
    auto* button = static_cast<StripButton*>(m_stripButtons[size_t(j)]);
    const int size = button->width();
    const int p = m_stripNumbers[size_t(j)];
    int s = p >= 0 && p < int(taskStates.size()) ? taskStates[size_t(p)].state : -1;
    if (s >= 4 && s <= 7)
        s -= 4;
    const int pictureIndex = s >= 0 && s <= 3 ? s + 1 : 0;
    const QImage& pic = stripPictures()[size_t(pictureIndex)];
    const bool current = p == currentTask;
    const picture::Colour colour = picture::fromQColor(P_label->palette().color(QPalette::Window));

    QImage face = picture::NewBitmap(size, size, colour);
    const QRect whole(0, 0, size, size);
    const QRect inner = whole.adjusted(5, 5, -5, -5);
    {
        QPainter painter(&face);
        if (!pic.isNull())
            painter.drawImage(inner.translated(current ? QPoint(1, 0) : QPoint(-3, -3)), pic, inner);
    }
    if (current) {
        DrawBevelFrame(face, whole, colour, 1, true);
    } else {
        // Lowered, inside an outline 2 pixels wider than the raised frame's.
        QPainter painter(&face);
        painter.setPen(Qt::NoPen);
        painter.setBrush(picture::toQColor(colour));
        const QRegion ring = QRegion(whole).subtracted(QRegion(whole.adjusted(2, 2, -2, -2)));
        painter.setClipRegion(ring);
        painter.drawRect(whole);
        painter.end();
        DrawBevelFrame(face, whole.adjusted(2, 2, -2, -2), colour, 1, false);
    }
    {
        QPainter painter(&face);
        QFont font = P_label->font();
        font.setBold(true);
        font.setPixelSize(std::max(6, size / 2));
        painter.setFont(font);
        const QPoint at = current ? QPoint(8, 8) : QPoint(4, 4);
        // A ring in the strip's colour keeps the number readable on any state picture.
        QPainterPath number;
        number.addText(at + QPointF(0, QFontMetricsF(font).ascent()), font, QString::number(p + 1));
        painter.setRenderHint(QPainter::Antialiasing);
        painter.strokePath(number, QPen(picture::toQColor(colour), std::max(2.0, size / 16.0), Qt::SolidLine,
                                        Qt::RoundCap, Qt::RoundJoin));
        painter.fillPath(number, current ? kNumberRed : QColor(Qt::black));
    }
    button->setFace(face);
}

void TFormFormAlle::updateArrowButtons()
{
    BB_back->setEnabled(stripCount > 0 && stripNumber(0) > 0);
    BB_next->setEnabled(stripCount > 0 && stripNumber(stripCount - 1) < taskCount() - 1);
}

void TFormFormAlle::stepStrip(int delta)
{
    const int first = firstShown + delta;
    if (first >= lowestFirst && first <= highestFirst)
        ShowStripFrom(first);
    updateArrowButtons();
    // Either end of the task order stops the repetition.
    if (!BB_back->isEnabled() || !BB_next->isEnabled()) {
        m_repeat->stop();
        repeating = false;
    }
}

void TFormFormAlle::MakeStripPictures(const std::array<QString, 4>& files, const std::array<int, 4>& percents)
{
    const int size = std::max(1, stripSize);
    auto& pictures = stripPictures();
    pictures[0] = picture::NewBitmap(size, size, kButtonFaceColour);
    for (size_t i = 0; i < 4; ++i) {
        picture::Target t(size, size, kButtonFaceColour);
        // Bare names of the configuration lie in the internal picture folder.
        QString file = files[i];
        if (!file.isEmpty() && !fsys::fileExists(file))
            file = fsys::resolve(g().config.dirs.internBilder + fsys::fromStored(file));
        if (!file.isEmpty() && fsys::fileExists(file)) {
            if (picture::IsMetafile(file))
                picture::DrawMetafileSmooth(file, t, kButtonFaceColour, percents[i], false, true);
            else
                picture::DrawPictureFitted(t, file, kButtonFaceColour, percents[i], true, false, true);
        }
        pictures[i + 1] = t.image;
    }
}

void TFormFormAlle::ApplyFrameOptions(bool backgroundPicture, int pauseCode)
{
    backgroundPictureVisible = backgroundPicture;
    SyncFrameOptions();
    SelectPause(pauseCode);
    setListHint();
}

void TFormFormAlle::SyncFrameOptions()
{
    {
        const QSignalBlocker block(Chb_hintergrundbild);
        Chb_hintergrundbild->setChecked(backgroundPictureVisible);
    }
    l_gbst->setVisible(g().playerOptions.capitalsOnly);
}

void TFormFormAlle::FillListChoice()
{
    {
        const QSignalBlocker block(CB_auswahl);
        FillFileChoice(CB_auswahl, fsys::folderOf(listPath), fsys::fileName(listPath), playArea().height(), true);
    }
    setListHint();
}

void TFormFormAlle::setListHint()
{
    const QString listen = g().config.dirs.listen;
    if (!listen.isEmpty() && listPath.startsWith(listen, Qt::CaseInsensitive))
        CB_auswahl->setToolTip(QStringLiteral(".\\") + fsys::toStored(listPath.mid(listen.size())));
    else
        CB_auswahl->setToolTip(QDir::toNativeSeparators(listPath));  // a full path as the system writes it
}

bool TFormFormAlle::LoadChosenList(const QString& fileName, int minimumTasks)
{
    return LoadChosenPath(fsys::folderOf(listPath) + fileName, minimumTasks);
}

bool TFormFormAlle::LoadListFromChoice(int index, int minimumTasks, bool shownListValid)
{
    if (index < 0)
        return false;
    const QString name = CB_auswahl->itemText(index);
    if (fsys::fileName(listPath).compare(name, Qt::CaseInsensitive) == 0 && shownListValid)
        return false;
    WAV1->StopAll();
    return LoadChosenList(name, minimumTasks);
}

bool TFormFormAlle::LoadFirstListOf(const QString& folder, int minimumTasks)
{
    QStringList files;
    if (fsys::dirExists(folder))
        files = fsys::list(folder, QStringLiteral("*.txt"), false, fsys::Entries::Files);
    files.sort(Qt::CaseInsensitive);
    if (files.isEmpty())
        return false;
    WAV1->StopAll();
    if (!LoadChosenPath(fsys::withSlash(folder) + files.first(), minimumTasks))
        return false;
    FillListChoice();
    return true;
}

bool TFormFormAlle::LoadChosenPath(const QString& newPath, int minimumTasks)
{
    if (!TFormExercise::LoadChosenPath(newPath, minimumTasks, CB_auswahl))
        return false;
    setListHint();
    return true;
}

void TFormFormAlle::FormPaint(QPainter&) {}

bool TFormFormAlle::HandleAppMessage(QObject* watched, QEvent* event)
{
    if (TFormExercise::HandleAppMessage(watched, event))
        return true;
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        P_hoeren->setFrameShadow(QFrame::Raised);
    return false;
}

void TFormFormAlle::TaskImageClick(int) { DrawTaskStrip(); }

void TFormFormAlle::CB_auswahlChange(int) {}
void TFormFormAlle::sb_optionenClick() {}
void TFormFormAlle::SB_hoerenClick() {}
void TFormFormAlle::Chb_hintergrundbildClick() { update(); }

void TFormFormAlle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    FormPaint(painter);
}

void TFormFormAlle::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ArrangeFrame();
    // Buttons of the old size would no longer fit the strip.
    if (!m_stripButtons.empty()) {
        const int keep = firstShown;
        BuildTaskStrip();
        ShowStripFrom(std::clamp(keep, lowestFirst, highestFirst));
        DrawTaskStrip();
    }
}

void TFormFormAlle::StopBeforeClose()
{
    m_repeat->stop();
    repeating = false;
}
