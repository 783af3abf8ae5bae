#include "exercises/GleichNichtGleich/GleichNichtGleich.h"

#include "exercises/common/FolderTab.h"
#include "exercises/common/ListLook.h"
#include "exercises/common/RevealAnimation.h"

#include "chooser/TaskOrder.h"
#include "core/Catalogue.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/MessageHook.h"
#include "core/TextUtil.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "media/picture/Picture.h"
#include "media/skin/Cursors.h"
#include "media/skin/Frames.h"
#include "media/skin/SkinButton.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "options/Options.h"
#include "results/Ergebnisse.h"

#include <QApplication>
#include <QComboBox>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

using namespace gleich;
using picture::Colour;

namespace {

constexpr int kProgram = 301;
const QString kFolders[3] = {QStringLiteral("allgemein"), QStringLiteral("inlaut"), QStringLiteral("minimalpaare")};

TOpt_GleichNichtgleich& opts() { return g().playerOptions.gleichNichtgleich; }

const ProgramSection& section() { return g().config.programSection(QStringLiteral("ProgGleichNichtgleich")); }

QString listFolder() { return fsys::withSlash(catalogue::listFolder(kProgram)); }

} // namespace

int& TFormGleichNichtGleich::autoListenDelayMs()
{
    static int ms = 1000;
    return ms;
}

int& TFormGleichNichtGleich::revealPattern()
{
    static int pattern = -1;
    return pattern;
}

TFormGleichNichtGleich::TFormGleichNichtGleich(const QString& listPath, QWidget* parent)
    : TFormFormAlle(kProgram, listPath, parent), m_rules(std::make_unique<GleichRules>(*WAV1))
{
    setObjectName(QStringLiteral("FormGleichNichtGleich"));
    setMouseTracking(true);
    const QString hoeren = section().value(QStringLiteral("Hoerentext"));
    if (!hoeren.trimmed().isEmpty())
        listenCaption = hoeren;

    SB_gleich = new QPushButton(P_Leiste);
    SB_gleich->setObjectName(QStringLiteral("SB_gleich"));
    SB_nichtgleich = new QPushButton(P_Leiste);
    SB_nichtgleich->setObjectName(QStringLiteral("SB_nichtgleich"));
    for (QPushButton* b : {SB_gleich, SB_nichtgleich}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setFlat(true);
        b->setEnabled(false);
        b->setMouseTracking(true);
    }
    connect(SB_gleich, &QPushButton::clicked, this, [this] { answerClick(Answer::Gleich); });
    connect(SB_nichtgleich, &QPushButton::clicked, this, [this] { answerClick(Answer::NichtGleich); });

    SB_weiter = new QPushButton(P_Leiste);
    SB_weiter->setObjectName(QStringLiteral("SB_weiter"));
    SB_weiter->setFocusPolicy(Qt::NoFocus);
    SB_weiter->hide();
    connect(SB_weiter, &QPushButton::clicked, this, [this] { weiterClick(); });

    SB_Ton = new QPushButton(this);
    SB_Ton->setObjectName(QStringLiteral("SB_Ton"));
    SB_Ton->setFocusPolicy(Qt::NoFocus);
    SB_Ton->setToolTip(QStringLiteral("Überschrift anhören"));
    SB_Ton->setIcon(QIcon(cursorPicture(crTon)));
    SB_Ton->hide();
    connect(SB_Ton, &QPushButton::clicked, this, [this] {
        m_rules->playHeadingSounds();
        refresh();
    });

    const char* tabNames[3] = {"TB_Allgemein", "TB_Inlaut", "TB_minimalpaare"};
    const QString tabCaptions[3] = {QStringLiteral(" Allgemein "), QStringLiteral(" Inlaut "),
                                    QStringLiteral(" Minimalpaare ")};
    QPushButton** tabs[3] = {&TB_Allgemein, &TB_Inlaut, &TB_minimalpaare};
    for (int i = 0; i < 3; ++i) {
        // Folder tabs standing on the bottom bar; the pressed one is the list's folder.
        auto* b = exercise::MakeFolderTab(this, tabNames[i], tabCaptions[i]);
        connect(b, &QPushButton::clicked, this, [this, i] { folderTabClick(i); });
        *tabs[i] = b;
    }
}

TFormGleichNichtGleich::~TFormGleichNichtGleich() = default;

// ---- opening ------------------------------------------------------------------------------------

void TFormGleichNichtGleich::FormActivate()
{
    TFormFormAlle::FormActivate();
    praiseSounds().clear();
    errorSounds().clear();
    ArrangeFrame();
    const ProgramSection& s = section();
    MakeStripPictures({s.value(QStringLiteral("Lobgleich")), s.value(QStringLiteral("Lobungleich")),
                       s.value(QStringLiteral("Fehlergleich")), s.value(QStringLiteral("Fehlerungleich"))},
                      {75, 75, 50, 50});
    FillListChoice();
    run().taskStartTime = QDateTime();
    if (!prepareList()) {
        // Nothing to play: say so and close at the next turn of the event loop.
        QTimer::singleShot(0, this, [this] { endRun(QDialog::Rejected); });
    }
}

bool TFormGleichNichtGleich::prepareList()
{
    const QString relative = MakeRelativePath(listFolder(), listPath, false);
    m_listValid = m_rules->prepareList(CB_auswahl->currentText().isEmpty() ? relative : CB_auswahl->currentText());
    if (!m_listValid) {
        dialogs::showMessage(this, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
        return false;
    }
    L_Aufgaben->setText(QStringLiteral(" Aufgaben: ") + QString::number(m_rules->taskCount()));
    // The heading-sound button only when one of the list's heading sounds exists.
    SB_Ton->setVisible(exercise::ListHasHeadingSound());
    applyOptions();
    drawBackground();
    layoutCards();
    taskStates.assign(size_t(m_rules->taskCount()), TaskState{});
    currentTask = 0;
    BuildTaskStrip();
    m_rules->revealNext = false;
    m_stripDirty = true;
    showTask();
    return true;
}

void TFormGleichNichtGleich::applyOptions()
{
    ApplyFrameOptions(opts().backgroundPicture, opts().time);
    showFolderTab();
}

QPushButton* TFormGleichNichtGleich::folderTab(int i) const
{
    return i == 0 ? TB_Allgemein : i == 1 ? TB_Inlaut : TB_minimalpaare;
}

void TFormGleichNichtGleich::showFolderTab()
{
    const QString below = MakeRelativePath(listFolder(), listPath, false).toLower();
    for (int i = 0; i < 3; ++i)
        folderTab(i)->setChecked(below.startsWith(kFolders[i]));
}

// ---- layout and drawing -------------------------------------------------------------------------

void TFormGleichNichtGleich::ArrangeFrame()
{
    TFormFormAlle::ArrangeFrame();
    if (!SB_gleich)
        return;
    layoutCards();
    // The answer buttons end at card 1's right edge, "nicht gleich" right-most.
    const int h = std::max(10, P_Leiste->height() - 2);
    const int minLeft = P_auswahl->geometry().right() + 4;
    // Large for a child's hand, as wide as "passt"/"passt nicht" of "Richtig oder Falsch" where the
    // room between the list choice and card 1's right edge allows; never narrower than square.
    // The room ends where the listen panel, at its full width, still fits before "Ende".
    const int least = std::max(10, int(h * 1.15));
    const int cardRight = m_cardRect[0].right() + 1 - P_Leiste->x();
    const int room = SB_ende->geometry().left() - 12 - P_hoeren->width() - minLeft;
    const int w = std::max(least, std::min(P_hoeren->width() * 3 / 2, room / 2));
    // Where the list choice leaves too little room, the buttons keep their size and move right.
    const int right = std::max(cardRight, minLeft + 2 * w);
    SB_nichtgleich->setGeometry(right - w, 1, w, h);
    SB_gleich->setGeometry(right - 2 * w, 1, w, h);
    SkinButton(SB_gleich, section().value(QStringLiteral("SymbolGleich")),
               QStringLiteral("Das Gehörte ist #10#13gleich!#10#13 "), 2, 1, 0, 2);
    SkinButton(SB_nichtgleich, section().value(QStringLiteral("SymbolNichtgleich")),
               QStringLiteral("Das Gehörte ist #10#13nicht#10#13gleich!"), 2, 1, 0, 2);
    // The listen panel starts 10 pixels right of card 2's left edge, narrower where the end button is.
    QRect hp = P_hoeren->geometry();
    const int left = m_cardRect[1].left() + 10 - P_Leiste->x();
    hp.moveLeft(std::max(left, SB_nichtgleich->geometry().right() + 6));
    if (hp.right() > SB_ende->geometry().left() - 6)
        hp.setRight(SB_ende->geometry().left() - 6);
    P_hoeren->setGeometry(hp);
    SB_weiter->setGeometry(hp);
    SkinButton(SB_weiter, g().config.symbolWeiter, QStringLiteral("Weiter"), 2, 1, 0, 2);
    const int ton = std::max(24, stripSize);
    SB_Ton->setGeometry(8, P_oben->height() + 8, ton, ton);
    SB_Ton->setIconSize(QSize(ton - 8, ton - 8));
    // The tabs stand on the bottom bar above the list choice.
    int tabLeft = P_Leiste->x() + P_auswahl->x();
    for (int i = 0; i < 3; ++i) {
        QPushButton* tab = folderTab(i);
        const QSize hint = tab->sizeHint();
        tab->setGeometry(tabLeft, playArea().bottom() + 1 - hint.height(), hint.width(), hint.height());
        tab->setVisible(!P_Leiste->isHidden());
        tab->raise();
        tabLeft += hint.width() + 2;
    }
    if (m_listValid) {
        drawBackground();
        drawBacks();
        m_facesReady = false;
        if (m_facesShown) {
            drawFaces();
            m_facesReady = true;
        }
    }
}

void TFormGleichNichtGleich::layoutCards()
{
    const QRect area = playArea();
    const int cw = width();
    const int barTop = !P_Leiste->isHidden() ? P_Leiste->y() : height();
    const int barH = P_Leiste->height();
    // Two cards side by side keep a visible gap, also where the width limits them.
    int e = std::min(640, (cw - 90) / 2 - 11);
    int f = std::min(int(std::lround(e * 480.0 / 640.0)), barTop - (barH / 3) * 2 - 20 - area.top());
    f = std::max(f, 12);
    if (e * 3 != f * 4) {
        f = f - f % 6;
        e = int(std::lround(f * 640.0 / 480.0));
    }
    int w = e + 11, h = f + 11;
    if (opts().text == 2)
        h += h / 3;
    for (int i = 1; i <= 2; ++i) {
        const int top = area.top() + (area.height() - h) / 2;
        const int left = ((cw - 2 * w) / 3) * i + (i - 1) * w;
        m_cardRect[i - 1] = QRect(left, top, w, h);
    }
}

void TFormGleichNichtGleich::drawBackground()
{
    const QSize size = this->size();
    m_background = exercise::WindowBackground(size, opts().backgroundPicture);
    m_backSize[0] = m_backSize[1] = QSize();
}

void TFormGleichNichtGleich::drawBacks()
{
    const TLayout& layout = g().loadedList.layout;
    const QString backPicture = opts().cardBackVisible ? exercise::CardBackPicture() : QString();
    const QString bg = exercise::BackgroundPicturePath();
    const bool bgShown = opts().backgroundPicture && !bg.isEmpty();
    for (int i = 0; i < 2; ++i) {
        const QRect r = m_cardRect[i];
        if (r.isEmpty() || (m_backSize[i] == r.size() && !m_back[i].isNull()))
            continue;
        m_backSize[i] = r.size();
        picture::Target t(r.width(), r.height(), layout.backgroundColour);
        const QRect local(0, 0, r.width(), r.height());
        const QRect inner = local.adjusted(11, 11, -11, -11);
        if (!backPicture.isEmpty()) {
            DrawCardFrame(t.image, local, 11, &m_background, r, 0, false, true, layout.backgroundColour);
            picture::Target in(inner.width(), inner.height(), layout.pictureBackgroundColour);
            if (exercise::IsWmf(backPicture)) {
                picture::DrawPicture(in, backPicture, layout.pictureBackgroundColour, 100, true, true);
                QPainter(&t.image).drawImage(inner.topLeft() + QPoint(0, 1), in.image);
            } else {
                picture::DrawPictureAligned(in, backPicture, layout.pictureBackgroundColour, 0, 1, 100, true, true);
                QPainter(&t.image).drawImage(inner.topLeft(), picture::ShownImage(in));
            }
        } else if (bgShown) {
            DrawCardFrame(t.image, local, 11, &m_background, r, 0, false, true, layout.backgroundColour);
            const QImage light = picture::LightBackground(bg, size(), layout.backgroundColour);
            QPainter(&t.image).drawImage(inner.topLeft(), light, inner.translated(r.topLeft()));
        } else {
            DrawCardFrame(t.image, local, 10, nullptr, QRect(), 0, true, true, layout.backgroundColour);
            picture::LightenRect(t.image, inner.left(), inner.top(), inner.right(), inner.bottom(), 30);
        }
        m_back[i] = t.image;
    }
}

int TFormGleichNichtGleich::commonTextPoints(const QSize& innerSize, int percent) const
{
    // Both cards use one size, fitted to the wider of the two texts.
    const QFont font = exercise::ListFont();
    int points = font.pointSize();
    for (int c = 1; c <= 2; ++c) {
        const QString text = CardText(m_rules->card(c).element.text).text;
        if (!text.isEmpty())
            points = std::min(points, picture::FitFontSize(innerSize.height(), innerSize.width(), text, percent, font));
    }
    return std::max(1, points);
}

QImage TFormGleichNichtGleich::drawFace(int card, const QSize& size, int textPoints) const
{
    const TLayout& layout = g().loadedList.layout;
    const Colour pictureBg = layout.pictureBackgroundColour;
    const TEinzelbild& e = m_rules->card(card).element;
    const int percent = e.layout.pictureSize > 0 ? e.layout.pictureSize : 100;
    picture::Target t(size.width(), size.height(), layout.backgroundColour);
    const int index = card == 2 ? 1 : 0;
    QPainter(&t.image).drawImage(0, 0, m_background, m_cardRect[index].x(), m_cardRect[index].y(), size.width(),
                                 size.height());
    const QRect local(0, 0, size.width(), size.height());
    const MarkedText text = CardText(e.text);
    QFont font = exercise::ListFont();
    font.setPointSize(textPoints);
    const Colour mark = opts().showMarks ? layout.letterMarkColour : exercise::ListFontColour();
    auto writeText = [&](const QRect& r) {
        if (text.text.isEmpty())
            return;
        picture::Target tt(r.width(), r.height(), pictureBg);
        QPainter(&tt.image).drawImage(0, 0, t.image, r.x(), r.y(), r.width(), r.height());
        const QRect box = picture::ShrinkToPercent(QRect(0, 0, r.width(), r.height()), 90);
        picture::DrawMarkedText(tt, box, font, exercise::ListFontColour(), 1, -1, mark, text.markStart, text.markLength,
                                text.text);
        QPainter(&t.image).drawImage(r.topLeft(), tt.image);
    };
    switch (opts().text) {
    case 0: {
        const QRect inner = local.adjusted(12, 11, -12, -11);
        picture::Target in(inner.width(), inner.height(), pictureBg);
        exercise::DrawElementPicture(in, e.picture, pictureBg, percent);
        QPainter(&t.image).drawImage(inner.topLeft(), in.image);
        DrawShadowFrame(t.image, inner, 10);
        break;
    }
    case 1: {
        const QRect inner = local.adjusted(11, 11, -11, -11);
        QPainter(&t.image).fillRect(inner, picture::toQColor(pictureBg));
        writeText(inner);
        DrawShadowFrame(t.image, inner, 10);
        break;
    }
    default: {
        const QRect inner = local.adjusted(11, 11, -11, -11);
        const int upperH = std::min(inner.height(), int(std::lround(inner.width() * 480.0 / 640.0)));
        const QRect upper(inner.left(), inner.top(), inner.width(), upperH);
        const QRect lower(inner.left(), upper.bottom() + 1, inner.width(),
                          std::max(0, size.height() - 11 - (upper.bottom() + 1)));
        picture::Target in(upper.width(), upper.height(), pictureBg);
        exercise::DrawElementPicture(in, e.picture, pictureBg, std::max(1, percent - 3));
        QPainter p(&t.image);
        p.drawImage(upper.topLeft(), in.image);
        p.fillRect(lower, picture::toQColor(picture::LightenColour(pictureBg, 30)));
        p.end();
        writeText(lower);
        DrawShadowFrame(t.image, inner, 10);
        break;
    }
    }
    return t.image;
}

void TFormGleichNichtGleich::drawFaces()
{
    if (m_cardRect[0].isEmpty())
        return;
    const QSize size = m_cardRect[0].size();
    QSize textBox = size - QSize(22, 22);
    if (opts().text == 2)
        textBox.setHeight(size.height() / 4);
    const int points = commonTextPoints(textBox, opts().text == 2 ? 90 : 70);
    for (int c = 1; c <= 2; ++c)
        m_face[c - 1] = drawFace(c, size, points);
}

void TFormGleichNichtGleich::FormPaint(QPainter& p)
{
    if (m_background.isNull())
        return;
    p.drawImage(0, 0, m_background);
    if (!m_listValid)
        return;
    for (int i = 0; i < 2; ++i) {
        const QRect r = m_cardRect[i];
        const QImage& img = m_facesShown ? m_face[i] : m_back[i];
        if (img.isNull())
            continue;
        if (m_revealing) {
            p.drawImage(r.topLeft(), m_revealCanvas[i]);
        } else {
            p.drawImage(r.topLeft(), img);
        }
    }
}

// ---- the flow of a task -------------------------------------------------------------------------

void TFormGleichNichtGleich::showTask()
{
    ++m_autoListenTicket;
    const bool animate = m_rules->revealNext;
    if (animate) {
        // The cards' images still hold the previous task: that screen is what the new backs cover.
        m_revealOld = QImage(size(), QImage::Format_RGB32);
        QPainter p(&m_revealOld);
        FormPaint(p);
    }
    m_rules->revealNext = false;
    m_facesShown = false;
    // The faces are drawn when the task is solved: until then only the backs show.
    m_facesReady = false;
    drawBacks();
    if (animate)
        reveal();
    refresh();
}

void TFormGleichNichtGleich::reveal()
{
    if (m_cardRect[0].isEmpty() || !isVisible())
        return;
    // Both cards are uncovered together, by the same pattern.
    const exercise::RevealAnimation animation(revealPattern(), m_cardRect[0].size());
    // Each card shows the old screen, and every step copies what it uncovers of the new back onto
    // it; the screen is painted again only where something changed.
    for (int i = 0; i < 2; ++i)
        m_revealCanvas[i] = m_revealOld.copy(m_cardRect[i]);
    m_revealing = true;
    m_revealTotal = animation.steps();
    m_revealSteps = 0;
    QRegion before;
    for (int s = 1; s <= animation.steps() && !m_closingWindow && isVisible(); ++s) {
        m_revealSteps = s;
        const QRegion now = animation.region(s);
        const QRegion fresh = now - before;
        before = now;
        if (fresh.isEmpty())
            continue;
        for (int i = 0; i < 2; ++i) {
            QPainter p(&m_revealCanvas[i]);
            for (const QRect& part : fresh)
                p.drawImage(part.topLeft(), m_back[i], part);
        }
        const QRect changed = fresh.boundingRect();
        repaint(QRegion(changed.translated(m_cardRect[0].topLeft())) + changed.translated(m_cardRect[1].topLeft()));
        if (animation.pauseMs() > 0)
            clock_::sleepMs(animation.pauseMs());
        else
            QCoreApplication::processEvents();
    }
    m_revealing = false;
    m_revealOld = QImage();
    m_revealCanvas[0] = m_revealCanvas[1] = QImage();
    if (!m_closingWindow)
        update(m_cardRect[0].united(m_cardRect[1]));
}

void TFormGleichNichtGleich::syncTaskStates()
{
    taskStates.clear();
    for (const exercise::TaskResult& r : exercise::ResultsInPlayOrder(m_rules->results()))
        taskStates.push_back(TaskState{r.state, r.error});
    currentTask = m_rules->position();
}

void TFormGleichNichtGleich::refresh()
{
    const GleichRules& r = *m_rules;
    const std::vector<TaskState> before = taskStates;
    const int beforeTask = currentTask;
    syncTaskStates();
    const auto same = [](const TaskState& a, const TaskState& b) { return a.state == b.state && a.error == b.error; };
    const bool changed = m_stripDirty || beforeTask != currentTask || before.size() != taskStates.size() ||
                         !std::equal(before.begin(), before.end(), taskStates.begin(), same);
    // The strip follows the current task only when it or a state changed, so a look along the
    // strip with "<" and ">" is not undone by the next sound notice.
    if (changed)
        DrawTaskStrip();
    m_stripDirty = false;
    SB_gleich->setEnabled(r.gleichEnabled);
    SB_nichtgleich->setEnabled(r.nichtGleichEnabled);
    SB_gleich->setDown(r.gleichDown);
    SB_nichtgleich->setDown(r.nichtGleichDown);
    const bool solved = r.state() == AnswerState::Solved;
    SB_weiter->setVisible(solved);
    SB_weiter->setEnabled(r.weiterEnabled);
    SB_hoeren->setEnabled(r.listenEnabled);
    if (solved)
        SB_weiter->raise();
    else
        P_hoeren->raise();
    const bool faces = solved;
    if (faces && !m_facesReady) {
        drawFaces();
        m_facesReady = true;
    }
    if (faces != m_facesShown) {
        m_facesShown = faces;
        update();
    }
    if (!m_revealing)
        update(m_cardRect[0].united(m_cardRect[1]));
}

void TFormGleichNichtGleich::listenClick()
{
    m_rules->listen();
    refresh();
}

void TFormGleichNichtGleich::SB_hoerenClick() { listenClick(); }

void TFormGleichNichtGleich::answerClick(Answer answer)
{
    if (m_rules->answer(answer) == GleichRules::Outcome::Right) {
        // A sound of the option pages' media preview must not talk over the praise.
        StopWaveFiles();
    }
    refresh();
}

void TFormGleichNichtGleich::weiterClick()
{
    if (!m_listValid)
        return;
    if (m_rules->allSolved()) {
        askHowToGoOn();
        return;
    }
    if (!m_rules->advance())
        return;
    showTask();
    listenSoon();
}

void TFormGleichNichtGleich::listenSoon()
{
    const int ticket = m_autoListenTicket;
    QPointer<TFormGleichNichtGleich> self(this);
    QTimer::singleShot(autoListenDelayMs(), this, [self, ticket] {
        if (self && ticket == self->m_autoListenTicket && !self->m_closingWindow &&
            self->m_rules->state() == AnswerState::TaskReady)
            self->listenClick();
    });
}

void TFormGleichNichtGleich::askHowToGoOn()
{
    const auto yes = dialogs::Button::Yes;
    if (dialogs::ask(this, QStringLiteral(" Die Datei ist vollständig bearbeitet!  \nVon vorne beginnen?")) != yes) {
        SB_endeClick();
        return;
    }
    bool newOrder = false;
    if (opts().randomOrder)
        newOrder = dialogs::ask(this, QStringLiteral("Reihenfolge der Aufgaben ändern?")) == yes;
    const bool identical = dialogs::ask(this, QStringLiteral("Aufgaben komplett identisch wiederholen?")) == yes;
    m_rules->restart(newOrder, newOrder || !identical);
    showTask();
    listenSoon();
}

void TFormGleichNichtGleich::TaskImageClick(int position)
{
    if (!m_listValid || position < 0 || position >= m_rules->taskCount())
        return;
    m_rules->jumpTo(position);
    showTask();
}

void TFormGleichNichtGleich::SoundNotice(int channel, SoundStatus status)
{
    m_rules->soundNotice(channel, status);
    refresh();
}

int TFormGleichNichtGleich::cardAt(const QPoint& pos) const
{
    for (int i = 0; i < 2; ++i)
        if (m_cardRect[i].contains(pos))
            return i + 1;
    return 0;
}

void TFormGleichNichtGleich::mousePressEvent(QMouseEvent* event)
{
    const int card = m_listValid ? cardAt(event->position().toPoint()) : 0;
    if (card && event->button() == Qt::LeftButton) {
        m_rules->clickCard(card);
        refresh();
        return;
    }
    TFormFormAlle::mousePressEvent(event);
}

void TFormGleichNichtGleich::mouseMoveEvent(QMouseEvent* event)
{
    setCursor(cardAt(event->position().toPoint()) ? programCursor(crTon) : QCursor(Qt::ArrowCursor));
    TFormFormAlle::mouseMoveEvent(event);
}

bool TFormGleichNichtGleich::HandleAppMessage(QObject* watched, QEvent* event)
{
    if (TFormFormAlle::HandleAppMessage(watched, event))
        return true;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || (w != this && !isAncestorOf(w)) || !m_listValid)
        return false;
    const bool onAnswer = w == SB_gleich || w == SB_nichtgleich;
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::Enter:
    case QEvent::HoverMove:
        if (onAnswer && m_rules->state() == AnswerState::Answering && !(SB_gleich->isEnabled() && SB_nichtgleich->isEnabled())) {
            m_rules->pointerOverAnswerButtons();
            refresh();
        }
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // A click on the answer buttons counts only while an answer is expected.
        return onAnswer && m_rules->state() != AnswerState::Answering;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            switch (m_rules->enterAction(SB_weiter->isVisible())) {
            case GleichRules::EnterAction::AnswerGleich: answerClick(Answer::Gleich); break;
            case GleichRules::EnterAction::AnswerNichtGleich: answerClick(Answer::NichtGleich); break;
            case GleichRules::EnterAction::Weiter: weiterClick(); break;
            case GleichRules::EnterAction::Listen: listenClick(); break;
            case GleichRules::EnterAction::None: break;
            }
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
            m_rules->arrowKey(key->key() == Qt::Key_Left);
            refresh();
            return true;
        case Qt::Key_H:
            listenClick();
            return true;
        case Qt::Key_W:
            if (SB_weiter->isVisible() && SB_weiter->isEnabled())
                weiterClick();
            return true;
        default:
            return false;
        }
    }
    default:
        return false;
    }
}

// ---- lists, options and closing ----------------------------------------------------------------

void TFormGleichNichtGleich::CB_auswahlChange(int index)
{
    if (LoadListFromChoice(index, 2, m_listValid))
        startChosenList();
}

void TFormGleichNichtGleich::startChosenList()
{
    BuildTaskOrder(int(g().taskList().size()), opts().randomOrder);
    run().taskStartTime = QDateTime();
    if (prepareList())
        opts().file = fsys::toStored(MakeRelativePath(listFolder(), listPath, false));
    showFolderTab();
}

void TFormGleichNichtGleich::folderTabClick(int index)
{
    if (index < 0 || index > 2)
        return;
    static const QString names[3] = {QStringLiteral("Allgemein"), QStringLiteral("Inlaut"),
                                     QStringLiteral("Minimalpaare")};
    // An empty folder leaves the previous folder and file chosen.
    if (LoadFirstListOf(listFolder() + names[index] + QLatin1Char('/'), 2))
        startChosenList();
    showFolderTab();
}

void TFormGleichNichtGleich::writeFrameOptions()
{
    TOpt_GleichNichtgleich& o = opts();
    o.load = currentTask;
    // A list that could not be played is not remembered as the player's list.
    if (m_listValid)
        o.file = fsys::toStored(MakeRelativePath(listFolder(), listPath, false));
    o.backgroundPicture = backgroundPictureVisible;
    WritePlayerOptions(g().currentPlayer(), kProgram);
}

void TFormGleichNichtGleich::sb_optionenClick()
{
    WAV1->CloseAll();
    writeFrameOptions();
    const TOpt_GleichNichtgleich before = opts();
    bool ok = false;
    {
        messagehook::Suspend suspend;
        ok = options::ShowOptionPage(this, kProgram);
    }
    g().programCode = kProgram;
    if (ok) {
        repaint();
        praiseSounds().clear();
        errorSounds().clear();
        applyOptions();
        const TOpt_GleichNichtgleich& now = opts();
        const bool look = before.backgroundPicture != now.backgroundPicture || before.text != now.text ||
                          before.cardBackVisible != now.cardBackVisible;
        const bool order = before.randomOrder != now.randomOrder;
        if (order) {
            m_rules->rebuildOrder();
            m_stripDirty = true;
        } else if (look) {
            m_rules->restartTask();
        }
        if (look) {
            drawBackground();
            layoutCards();
            m_backSize[0] = m_backSize[1] = QSize();
        }
        if (look || order) {
            m_rules->revealNext = false;
            showTask();
        }
        // Smaller cards leave the old ones' places to the background: the whole screen is new.
        if (look)
            update();
    }
    if (m_rules->state() == AnswerState::Answering)
        m_rules->listenEnabled = true;
    refresh();
}

void TFormGleichNichtGleich::Chb_hintergrundbildClick()
{
    opts().backgroundPicture = Chb_hintergrundbild->isChecked();
    backgroundPictureVisible = opts().backgroundPicture;
    m_rules->restartTask();
    drawBackground();
    layoutCards();
    m_rules->revealNext = false;
    showTask();
    update();
}

void TFormGleichNichtGleich::FormClose()
{
    m_closingWindow = true;
    ++m_autoListenTicket;
    writeFrameOptions();
    m_back[0] = m_back[1] = m_face[0] = m_face[1] = QImage();
    TFormFormAlle::FormClose();
}
