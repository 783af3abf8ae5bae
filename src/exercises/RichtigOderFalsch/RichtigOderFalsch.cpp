#include "exercises/RichtigOderFalsch/RichtigOderFalsch.h"

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
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

using namespace richtig;
using picture::Colour;

namespace {

constexpr int kProgram = 302;
const QString kFolderNames[3] = {QStringLiteral("Allgemein"), QStringLiteral("Weitere"),
                                 QStringLiteral("Minimalpaare")};

TOpt_RichtigOderFalsch& opts() { return g().playerOptions.richtigOderFalsch; }

const ProgramSection& section() { return g().config.programSection(QStringLiteral("ProgRichtigOderFalsch")); }

QString listFolder() { return fsys::withSlash(catalogue::listFolder(kProgram)); }

QPixmap pixmapOf(const QImage& image) { return QPixmap::fromImage(image); }

} // namespace

int& TFormRichtigOderFalsch::revealPattern()
{
    static int pattern = -1;
    return pattern;
}

TFormRichtigOderFalsch::TFormRichtigOderFalsch(const QString& listPath, QWidget* parent)
    : TFormFormAlle(kProgram, listPath, parent), m_rules(std::make_unique<RichtigRules>(*WAV1))
{
    setObjectName(QStringLiteral("FormRichtigOderFalsch"));
    setMouseTracking(true);
    const QString hoeren = section().value(QStringLiteral("Hoerentext"));
    if (!hoeren.trimmed().isEmpty())
        listenCaption = hoeren;

    SB_richtig = new QPushButton(P_Leiste);
    SB_richtig->setObjectName(QStringLiteral("SB_richtig"));
    SB_falsch = new QPushButton(P_Leiste);
    SB_falsch->setObjectName(QStringLiteral("SB_falsch"));
    for (QPushButton* b : {SB_richtig, SB_falsch}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setFlat(true);
        b->setEnabled(false);
        b->setMouseTracking(true);
    }
    SB_richtig->setToolTip(QStringLiteral("  passt  "));
    SB_falsch->setToolTip(QStringLiteral("passt nicht"));
    connect(SB_richtig, &QPushButton::clicked, this, [this] { answerClick(Answer::Passt); });
    connect(SB_falsch, &QPushButton::clicked, this, [this] { answerClick(Answer::PasstNicht); });

    SB_weiter = new QPushButton(P_Leiste);
    SB_weiter->setObjectName(QStringLiteral("SB_weiter"));
    SB_weiter->setFocusPolicy(Qt::NoFocus);
    SB_weiter->hide();
    connect(SB_weiter, &QPushButton::clicked, this, [this] { weiterClick(); });

    SB_Ton = new QPushButton(P_Leiste);
    SB_Ton->setObjectName(QStringLiteral("SB_Ton"));
    SB_Ton->setFocusPolicy(Qt::NoFocus);
    SB_Ton->setToolTip(QStringLiteral("Überschrift anhören"));
    SB_Ton->setIcon(QIcon(cursorPicture(crTon)));
    SB_Ton->hide();
    connect(SB_Ton, &QPushButton::clicked, this, [this] {
        m_rules->playHeadingSounds();
        refresh();
    });

    const char* tabNames[3] = {"TB_Allgemein", "TB_Weitere", "TB_minimalpaare"};
    QPushButton** tabs[3] = {&TB_Allgemein, &TB_Weitere, &TB_minimalpaare};
    for (int i = 0; i < 3; ++i) {
        auto* b = exercise::MakeFolderTab(this, tabNames[i], QLatin1Char(' ') + kFolderNames[i] + QLatin1Char(' '));
        connect(b, &QPushButton::clicked, this, [this, i] { folderTabClick(i); });
        *tabs[i] = b;
    }
}

TFormRichtigOderFalsch::~TFormRichtigOderFalsch() = default;

// ---- opening ------------------------------------------------------------------------------------

void TFormRichtigOderFalsch::FormActivate()
{
    TFormFormAlle::FormActivate();
    praiseSounds().clear();
    ArrangeFrame();
    const ProgramSection& s = section();
    MakeStripPictures({s.value(QStringLiteral("Lobrichtig")), s.value(QStringLiteral("Lobfalsch")),
                       s.value(QStringLiteral("Fehlerrichtig")), s.value(QStringLiteral("Fehlerfalsch"))},
                      {75, 75, 50, 50});
    FillListChoice();
    run().taskStartTime = QDateTime();
    if (!prepareList())
        QTimer::singleShot(0, this, [this] { endRun(QDialog::Rejected); });
}

bool TFormRichtigOderFalsch::prepareList()
{
    const QString relative = MakeRelativePath(listFolder(), listPath, false);
    m_listValid = m_rules->prepareList(CB_auswahl->currentText().isEmpty() ? relative : CB_auswahl->currentText());
    if (!m_listValid) {
        dialogs::showMessage(this, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
        return false;
    }
    L_Aufgaben->setText(QStringLiteral(" Aufgaben: ") + QString::number(m_rules->taskCount()));
    SB_Ton->setVisible(exercise::ListHasHeadingSound());
    m_listFontSize = exercise::ListTFont().size;
    applyOptions();
    drawBackground();
    layoutCard();
    fitListFont();
    taskStates.assign(size_t(m_rules->taskCount()), TaskState{});
    currentTask = 0;
    BuildTaskStrip();
    m_rules->revealNext = false;
    m_stripDirty = true;
    showTask();
    return true;
}

void TFormRichtigOderFalsch::applyOptions()
{
    ApplyFrameOptions(opts().backgroundPicture, opts().time);
    showFolderTab();
}

QPushButton* TFormRichtigOderFalsch::folderTab(int i) const
{
    return i == 0 ? TB_Allgemein : i == 1 ? TB_Weitere : TB_minimalpaare;
}

void TFormRichtigOderFalsch::showFolderTab()
{
    // The list shown decides, also when it came from the command line and not from "Datei".
    const QString below = MakeRelativePath(listFolder(), listPath, false).toLower();
    for (int i = 0; i < 3; ++i)
        folderTab(i)->setChecked(below.startsWith(kFolderNames[i].toLower()));
}

// ---- layout and drawing -------------------------------------------------------------------------

void TFormRichtigOderFalsch::ArrangeFrame()
{
    TFormFormAlle::ArrangeFrame();
    if (!SB_richtig)
        return;
    const int barW = P_Leiste->width();
    const int barH = P_Leiste->height();
    const QRect hp0 = P_hoeren->geometry();
    const int listenW = hp0.width();
    // The list choice between the options button and the answer buttons.
    const int optionsW = sb_optionen->width();
    const int endW = SB_ende->width();
    const int choiceW = std::max(60, std::min(300, (barW - optionsW - endW - listenW - 24) / 2));
    // The listen panel starts at the middle of the bar; "passt nicht" ends there, "passt" left of it.
    const int h = std::max(10, barH - 2);
    const int mid = barW / 2;
    // Left of the answer buttons the heading-sound button keeps a size a child can hit.
    const int tonWanted = std::max(24, h / 2);
    const int w = std::max(10, std::min(listenW / 2 * 3, (mid - (sb_optionen->geometry().right() + 4) - tonWanted - 8) / 2));
    SB_falsch->setGeometry(mid - w, 1, w, h);
    SB_richtig->setGeometry(mid - 2 * w, 1, w, h);
    QRect hp = hp0;
    hp.moveLeft(mid + 2);
    if (hp.right() > SB_ende->geometry().left() - 4)
        hp.setRight(SB_ende->geometry().left() - 4);
    P_hoeren->setGeometry(hp);
    SB_weiter->setGeometry(hp);
    // A dark caption: white would vanish on the light button face.
    SkinButton(SB_weiter, g().config.symbolWeiter, QStringLiteral("Weiter"), 2, 1, 0, 2);
    QRect choice = P_auswahl->geometry();
    choice.setWidth(choiceW);
    choice.moveRight(SB_ende->geometry().left() - 4);
    // Where the end side is crowded the choice gives way to the listen panel.
    if (choice.left() < hp.right() + 4)
        choice.setLeft(hp.right() + 4);
    P_auswahl->setGeometry(choice);
    const int gap = std::max(0, SB_richtig->x() - (sb_optionen->geometry().right() + 4));
    const int ton = std::min(tonWanted, std::max(0, gap - 4));
    SB_Ton->setGeometry(sb_optionen->geometry().right() + 4, (barH - ton) / 2, ton, ton);
    SB_Ton->setIconSize(QSize(ton - 6, ton - 6));
    int tabLeft = P_Leiste->x() + P_auswahl->x();
    for (int i = 0; i < 3; ++i) {
        QPushButton* tab = folderTab(i);
        const QSize hint = tab->sizeHint();
        tab->setGeometry(tabLeft, playArea().bottom() + 1 - hint.height(), hint.width(), hint.height());
        tab->setVisible(!P_Leiste->isHidden());
        tab->raise();
        tabLeft += hint.width() + 2;
    }
    makeButtonFaces();
    if (m_listValid) {
        drawBackground();
        layoutCard();
        fitListFont();
        drawFace();
    }
}

void TFormRichtigOderFalsch::makeButtonFaces()
{
    const QSize size = SB_richtig->size() - QSize(4, 4);
    if (size.width() < 8 || size.height() < 8)
        return;
    const Colour windowColour = g().loadedList.layout.backgroundColour;
    const QRect lower(0, size.height() / 2, size.width(), size.height() - size.height() / 2);
    QFont font = exercise::ListFont(72);
    font.setBold(true);
    font.setPointSize(std::max(6, picture::FitFontSize(lower.height(), lower.width(), QStringLiteral("passt nicht"),
                                                       90, font)));
    for (int b = 0; b < 2; ++b) {
        QPushButton* button = b == 0 ? SB_richtig : SB_falsch;
        picture::Target face(size.width(), size.height(), windowColour);
        const QString symbol = exercise::InternPicture(section().value(b == 0 ? QStringLiteral("Symbolrichtig")
                                                                    : QStringLiteral("Symbolfalsch")));
        // The symbol shares the upper half with the figure; the caption has the lower half to itself.
        if (!symbol.isEmpty()) {
            picture::Target upper(size.width(), size.height() / 2, windowColour);
            picture::DrawPictureFitted(upper, symbol, windowColour, 100, true, false, true);
            QPainter(&face.image).drawImage(0, 0, upper.image);
        }
        {
            QPainter p(&face.image);
            p.setFont(font);
            p.setPen(Qt::black);
            p.drawText(lower, Qt::AlignCenter, b == 0 ? QStringLiteral("  passt  ") : QStringLiteral("passt nicht"));
        }
        const QString figure = b == 0 ? QStringLiteral("RichtigoderFalsch/nicken") : QStringLiteral("RichtigoderFalsch/schütteln");
        for (int k = 1; k <= 4; ++k) {
            QImage frame = face.image.copy();
            const QString file = exercise::InternPicture(figure + QString::number(k) + QStringLiteral(".wmf"));
            if (!file.isEmpty()) {
                picture::Target upper(size.width(), size.height() / 2, kButtonFaceColour);
                picture::DrawPictureFitted(upper, file, kButtonFaceColour, 95, true, true, true);
                QPainter(&frame).drawImage(0, 0, picture::ShownImage(upper));
            }
            m_frames[b][size_t(k - 1)] = frame;
        }
        // Disabled: frame 1 mixed 80 percent with grey.
        QImage grey = m_frames[b][0].convertToFormat(QImage::Format_RGB32);
        {
            QPainter p(&grey);
            p.setOpacity(0.8);
            p.fillRect(grey.rect(), QColor(128, 128, 128));
        }
        m_disabled[b] = grey;
        button->setIconSize(size);
        showFrame(b + 1, 1);
    }
}

void TFormRichtigOderFalsch::showFrame(int button, int frame)
{
    const int b = button == 2 ? 1 : 0;
    if (m_frames[b][0].isNull())
        return;
    frame = std::clamp(frame, 1, 4);
    m_frameShown[b] = frame;
    QIcon icon;
    icon.addPixmap(pixmapOf(m_frames[b][size_t(frame - 1)]), QIcon::Normal);
    icon.addPixmap(pixmapOf(m_disabled[b]), QIcon::Disabled);
    (b == 0 ? SB_richtig : SB_falsch)->setIcon(icon);
}

void TFormRichtigOderFalsch::layoutCard()
{
    const int barH = P_Leiste->isHidden() ? 0 : P_Leiste->height();
    const int barTop = playArea().bottom() + 1;
    const int top = P_Leiste->height() * 2 / 3;
    const int w = std::max(10, std::min(800, width() - 12));
    const int h = std::max(10, std::min(600, barTop - top - 8 - (barH ? 0 : 0)));
    const int areaH = barTop - top;
    const QRect inner((width() - w) / 2, top + (areaH - h) / 2, w, h);
    // Below the strip: the card keeps clear of the top bar.
    QRect card = inner.adjusted(-10, -10, 10, 10);
    const int minTop = P_oben->geometry().bottom() + 2;
    if (card.top() < minTop) {
        card.setTop(minTop);
        card.setBottom(std::max(card.top() + 30, barTop - 4));
    }
    m_cardRect = card;
}

void TFormRichtigOderFalsch::fitListFont()
{
    // One size for every card of the list: the widest shown text fitted into the card.
    const int remembered = std::max(1, m_listFontSize);
    const QFont font = exercise::ListFont(remembered);
    const QFontMetrics fm(font);
    QString widest;
    for (int p = 0; p < int(g().taskOrder.size()); ++p) {
        const int index = g().taskOrder[size_t(p)];
        if (index < 0 || index >= int(g().taskList().size()))
            continue;
        const TAufgabe& t = g().taskList()[size_t(index)];
        const int v = m_rules->variant(p);
        const int k = v == 2 || v == 3 ? 2 : 1;
        const QString text =
            k < int(t.elements.size()) ? exercise::CardText(t.elements[size_t(k)].text).text : QString();
        if (fm.horizontalAdvance(text) > fm.horizontalAdvance(widest))
            widest = text;
    }
    const QSize inner = m_cardRect.size() - QSize(22, 22);
    const int fitted = widest.isEmpty() ? remembered
                                        : picture::FitFontSize(inner.height(), inner.width(), widest, 90, font);
    m_textPoints = fitted >= 60 ? fitted : (remembered >= 60 ? 60 : fitted);
}

void TFormRichtigOderFalsch::drawBackground()
{
    m_background = exercise::WindowBackground(size(), backgroundPictureVisible);
}

void TFormRichtigOderFalsch::drawFace()
{
    if (m_cardRect.isEmpty() || m_background.isNull())
        return;
    const QSize size = m_cardRect.size();
    QImage image = m_background.copy(m_cardRect);
    const QRect inner = QRect(QPoint(0, 0), size).adjusted(10, 10, -10, -10);
    Colour bg = g().loadedList.layout.pictureBackgroundColour;
    const TEinzelbild& e = m_rules->card(1).element;
    picture::Target in(inner.width(), inner.height(), bg);
    if (opts().text) {
        // Consecutive text cards differ in shade.
        if (m_rules->facesShown() % 2 == 0)
            bg = picture::LightenColour(bg, 50);
        in = picture::Target(inner.width(), inner.height(), bg);
        const exercise::MarkedText text = exercise::CardText(e.text);
        const QFont font = exercise::ListFont(m_textPoints);
        const int points = picture::FitFontSize(inner.height(), inner.width(), text.text, 90, font);
        QFont f = font;
        f.setPointSize(std::max(1, std::min(points, m_textPoints)));
        const QRect box = picture::ShrinkToPercent(QRect(0, 0, inner.width(), inner.height()), 90);
        picture::DrawMarkedText(in, box, f, exercise::ListFontColour(), 1, -1, exercise::ListFontColour(), -1, 0, text.text);
    } else {
        const int percent = e.layout.pictureSize > 0 ? e.layout.pictureSize
                                                     : (g().loadedList.layout.pictureSize > 0
                                                            ? g().loadedList.layout.pictureSize : 100);
        exercise::DrawElementPicture(in, e.picture, bg, percent);
    }
    QPainter(&image).drawImage(inner.topLeft(), picture::ShownImage(in));
    DrawShadowFrame(image, inner, 10);
    m_face = image;
}

void TFormRichtigOderFalsch::FormPaint(QPainter& p)
{
    if (m_background.isNull())
        return;
    p.drawImage(0, 0, m_background);
    if (!m_listValid)
        return;
    if (m_revealing)
        p.drawImage(m_cardRect.topLeft(), m_revealCanvas);
    else if (!m_face.isNull())
        p.drawImage(m_cardRect.topLeft(), m_face);
}

// ---- the flow of a task -------------------------------------------------------------------------

void TFormRichtigOderFalsch::showTask()
{
    ++m_animationTicket;
    showFrame(1, 1);
    showFrame(2, 1);
    const bool animate = m_rules->revealNext && isVisible();
    QImage old;
    if (animate) {
        old = QImage(size(), QImage::Format_RGB32);
        QPainter p(&old);
        FormPaint(p);
    }
    m_rules->revealNext = false;
    drawFace();
    if (animate && !m_cardRect.isEmpty()) {
        m_revealCanvas = old.copy(m_cardRect);
        reveal();
    }
    refresh();
}

void TFormRichtigOderFalsch::reveal()
{
    const exercise::RevealAnimation animation(revealPattern(), m_cardRect.size(), exercise::RevealSet::OneCard);
    m_revealing = true;
    QRegion before;
    for (int s = 1; s <= animation.steps() && !m_closingWindow && isVisible(); ++s) {
        const QRegion now = animation.region(s);
        const QRegion fresh = now - before;
        before = now;
        if (fresh.isEmpty())
            continue;
        {
            QPainter p(&m_revealCanvas);
            for (const QRect& part : fresh)
                p.drawImage(part.topLeft(), m_face, part);
        }
        repaint(fresh.boundingRect().translated(m_cardRect.topLeft()));
        if (animation.pauseMs() > 0)
            clock_::sleepMs(animation.pauseMs());
        else
            QCoreApplication::processEvents();
    }
    m_revealing = false;
    m_revealCanvas = QImage();
    if (!m_closingWindow)
        update(m_cardRect);
}

void TFormRichtigOderFalsch::animate(int button)
{
    // Frames 1, 2, 3 in turn, six rounds, 100 ms each; the next task, another answer or closing
    // stops it; frame 1 at the end.
    const int ticket = ++m_animationTicket;
    QPointer<TFormRichtigOderFalsch> self(this);
    QPushButton* b = button == 2 ? SB_falsch : SB_richtig;
    m_animationFrames = 0;
    for (int round = 0; round < 6; ++round) {
        for (int frame = 1; frame <= 3; ++frame) {
            if (!self || m_closingWindow || ticket != m_animationTicket || !isVisible())
                return;
            showFrame(button, frame);
            ++m_animationFrames;
            b->repaint();
            clock_::sleepMs(100);
            if (!self)
                return;
        }
    }
    if (ticket == m_animationTicket)
        showFrame(button, 1);
}

void TFormRichtigOderFalsch::syncTaskStates()
{
    taskStates.clear();
    for (const exercise::TaskResult& r : exercise::ResultsInPlayOrder(m_rules->results()))
        taskStates.push_back(TaskState{r.state, r.error});
    currentTask = m_rules->position();
}

void TFormRichtigOderFalsch::refresh()
{
    const RichtigRules& r = *m_rules;
    const std::vector<TaskState> before = taskStates;
    const int beforeTask = currentTask;
    syncTaskStates();
    const auto same = [](const TaskState& a, const TaskState& b) { return a.state == b.state && a.error == b.error; };
    if (m_stripDirty || beforeTask != currentTask || before.size() != taskStates.size() ||
        !std::equal(before.begin(), before.end(), taskStates.begin(), same))
        DrawTaskStrip();
    m_stripDirty = false;
    SB_richtig->setEnabled(r.passtEnabled);
    SB_falsch->setEnabled(r.passtNichtEnabled);
    const bool solved = r.state() == AnswerState::Solved;
    SB_weiter->setVisible(solved);
    SB_weiter->setEnabled(r.weiterEnabled);
    P_hoeren->setVisible(!solved);
    if (solved)
        SB_weiter->raise();
    if (!m_revealing)
        update(m_cardRect);
}

void TFormRichtigOderFalsch::listenClick()
{
    if (!m_listValid)
        return;
    m_rules->listen();
    refresh();
}

void TFormRichtigOderFalsch::SB_hoerenClick() { listenClick(); }

void TFormRichtigOderFalsch::answerClick(Answer answer)
{
    if (!m_listValid)
        return;
    // A running animation stops.
    ++m_animationTicket;
    const int button = answer == Answer::Passt ? 1 : 2;
    showFrame(1, 1);
    showFrame(2, 1);
    const RichtigRules::Outcome outcome = m_rules->answer(answer);
    if (outcome == RichtigRules::Outcome::Right)
        StopWaveFiles();  // the option pages' media preview must not talk over the praise
    refresh();
    if (outcome == RichtigRules::Outcome::Right || outcome == RichtigRules::Outcome::Replay)
        animate(button);
}

void TFormRichtigOderFalsch::weiterClick()
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
    listenClick();
}

void TFormRichtigOderFalsch::askHowToGoOn()
{
    const auto yes = dialogs::Button::Yes;
    if (dialogs::ask(this, QStringLiteral(" Die Datei ist vollständig bearbeitet!  \nVon vorne beginnen?")) != yes) {
        SB_endeClick();
        return;
    }
    bool newOrder = false;
    if (opts().randomOrder)
        newOrder = dialogs::ask(this, QStringLiteral("Reihenfolge der Aufgaben ändern?")) == yes;
    bool newVariants = newOrder;
    if (!newOrder)
        newVariants = dialogs::ask(this, QStringLiteral("Aufgaben komplett identisch wiederholen?")) != yes;
    m_rules->restart(newOrder, newVariants);
    m_stripDirty = true;
    showTask();
    listenClick();
}

void TFormRichtigOderFalsch::TaskImageClick(int position)
{
    if (!m_listValid || position < 0 || position >= m_rules->taskCount())
        return;
    m_rules->jumpTo(position);
    m_stripDirty = true;
    showTask();
}

void TFormRichtigOderFalsch::SoundNotice(int channel, SoundStatus status)
{
    m_rules->soundNotice(channel, status);
    refresh();
}

void TFormRichtigOderFalsch::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_listValid && event->button() == Qt::LeftButton && m_cardRect.contains(event->position().toPoint())) {
        listenClick();
        return;
    }
    TFormFormAlle::mouseReleaseEvent(event);
}

void TFormRichtigOderFalsch::mouseMoveEvent(QMouseEvent* event)
{
    setCursor(m_cardRect.contains(event->position().toPoint()) ? QCursor(Qt::PointingHandCursor)
                                                               : QCursor(Qt::ArrowCursor));
    TFormFormAlle::mouseMoveEvent(event);
}

bool TFormRichtigOderFalsch::HandleAppMessage(QObject* watched, QEvent* event)
{
    if (TFormFormAlle::HandleAppMessage(watched, event))
        return true;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || (w != this && !isAncestorOf(w)) || !m_listValid)
        return false;
    const bool onAnswer = w == SB_richtig || w == SB_falsch;
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::Enter:
    case QEvent::HoverMove:
        if (onAnswer && m_rules->state() == AnswerState::Answering &&
            !(SB_richtig->isEnabled() && SB_falsch->isEnabled())) {
            m_rules->pointerOverAnswerButtons();
            refresh();
        }
        return false;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            switch (m_rules->enterAction(SB_weiter->isVisible())) {
            case RichtigRules::EnterAction::AnswerPasst: answerClick(Answer::Passt); break;
            case RichtigRules::EnterAction::AnswerPasstNicht: answerClick(Answer::PasstNicht); break;
            case RichtigRules::EnterAction::Weiter: weiterClick(); break;
            case RichtigRules::EnterAction::Listen: listenClick(); break;
            case RichtigRules::EnterAction::None: break;
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
            else
                Beep();
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

void TFormRichtigOderFalsch::CB_auswahlChange(int index)
{
    if (LoadListFromChoice(index, 1, m_listValid))
        startChosenList();
}

void TFormRichtigOderFalsch::startChosenList()
{
    BuildTaskOrder(int(g().taskList().size()), opts().randomOrder);
    run().taskStartTime = QDateTime();
    opts().file = fsys::toStored(MakeRelativePath(listFolder(), listPath, false));
    if (prepareList()) {
        // A new list comes with the reveal animation.
        m_rules->revealNext = true;
        showTask();
    }
    showFolderTab();
}

void TFormRichtigOderFalsch::folderTabClick(int index)
{
    if (index < 0 || index > 2)
        return;
    // An empty folder leaves the previous folder and file chosen.
    if (LoadFirstListOf(listFolder() + kFolderNames[index] + QLatin1Char('/'), 1))
        startChosenList();
    showFolderTab();
}

void TFormRichtigOderFalsch::writeFrameOptions()
{
    TOpt_RichtigOderFalsch& o = opts();
    o.load = currentTask;
    if (m_listValid)
        o.file = fsys::toStored(MakeRelativePath(listFolder(), listPath, false));
    o.backgroundPicture = backgroundPictureVisible;
    WritePlayerOptions(g().currentPlayer(), kProgram);
}

void TFormRichtigOderFalsch::sb_optionenClick()
{
    ++m_animationTicket;
    WAV1->CloseAll();
    writeFrameOptions();
    const TOpt_RichtigOderFalsch before = opts();
    bool ok = false;
    {
        messagehook::Suspend suspend;
        ok = options::ShowOptionPage(this, kProgram);
    }
    g().programCode = kProgram;
    if (ok) {
        repaint();
        praiseSounds().clear();
        m_rules->preparePraise();
        applyOptions();
        const TOpt_RichtigOderFalsch& now = opts();
        if (before.successSource != now.successSource) {
            praiseSounds().clear();
            m_rules->preparePraise();
        }
        if (before.randomOrder != now.randomOrder) {
            m_rules->rebuildOrder();
            m_stripDirty = true;
            fitListFont();
            showTask();
        } else if (before.backgroundPicture != now.backgroundPicture || before.text != now.text) {
            drawBackground();
            if (m_rules->state() != AnswerState::Solved)
                m_rules->startTask();
            m_rules->revealNext = false;
            showTask();
        }
    }
    refresh();
}

void TFormRichtigOderFalsch::Chb_hintergrundbildClick()
{
    opts().backgroundPicture = Chb_hintergrundbild->isChecked();
    backgroundPictureVisible = opts().backgroundPicture;
    drawBackground();
    WAV1->StopAll();
    run().taskStartTime = QDateTime();
    m_rules->startTask();
    m_rules->revealNext = true;
    showTask();
}

void TFormRichtigOderFalsch::FormClose()
{
    m_closingWindow = true;
    ++m_animationTicket;
    writeFrameOptions();
    m_face = m_background = QImage();
    for (auto& frames : m_frames)
        for (QImage& f : frames)
            f = QImage();
    TFormFormAlle::FormClose();
}
