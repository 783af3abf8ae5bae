#include "exercises/LautWeg/LautWeg.h"

#include "exercises/common/FolderTab.h"
#include "exercises/common/LautButtons.h"
#include "exercises/common/ListLook.h"

#include "chooser/Listenreader.h"
#include "chooser/TaskOrder.h"
#include "core/Catalogue.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/MessageHook.h"
#include "core/TextUtil.h"
#include "data/PlayerOptions.h"
#include "media/picture/Picture.h"
#include "media/skin/Cursors.h"
#include "media/skin/Frames.h"
#include "media/skin/Meldung.h"
#include "media/skin/SkinButton.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "options/Options.h"
#include "results/Ergebnisse.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

using namespace lautweg;
using picture::Colour;

namespace {

constexpr int kProgram = 404;
const QString kFolders[2] = {QStringLiteral("Anlaut"), QStringLiteral("Auslaut")};

TOpt_LautAdd& opts() { return g().playerOptions.lautWeg; }

const ProgramSection& section() { return g().config.programSection(QStringLiteral("ProgLautWeg")); }

QString listFolder() { return fsys::withSlash(catalogue::listFolder(kProgram)); }

QString relativeList(const QString& path) { return fsys::toStored(MakeRelativePath(listFolder(), path, false)); }

Colour panelColour() { return g().loadedList.layout.pictureBackgroundColour; }

// The band under the picture: the window colour lightened by 70 percent, so it stands out on the
// (usually white) panel.
Colour bandColour() { return picture::LightenColour(g().loadedList.layout.backgroundColour, 70); }

bool headingSoundInInstructions()
{
    const QString name = fsys::fromStored(g().loadedList.layout.headingSound.trimmed());
    return !name.isEmpty() && fsys::fileExists(g().config.dirs.anleitungsound + name);
}

QImage picturePart(QSize size, const QString& name, bool cardBack)
{
    if (size.isEmpty())
        return QImage();
    const Colour bg = panelColour();
    picture::Target t(size.width(), size.height(), bg);
    if (cardBack) {
        const QString back = exercise::CardBackPicture();
        if (!back.isEmpty())
            picture::DrawPictureFitted(t, back, bg, 100, true, true, true);
    } else {
        const int percent = g().loadedList.layout.pictureSize > 0 ? g().loadedList.layout.pictureSize : 100;
        picture::DrawPictureOrName(t, name, bg, percent);
    }
    return picture::ShownImage(t);
}

int fittedPoints(const QRect& box, const QString& text, int percent)
{
    const QFont font = exercise::ListFont(200);
    return std::max(1, picture::FitFontSize(box.height(), box.width(), text, percent, font));
}

// `points` > 0: that size (the band's two words share one); otherwise fitted at `percent`.
void drawText(QPainter& p, const QRect& box, const QString& text, int percent, int hAlign, int markStart = -1,
              int markLength = 0, int points = 0)
{
    if (box.width() < 4 || box.height() < 4 || text.isEmpty())
        return;
    QFont font = exercise::ListFont(200);
    font.setPointSize(points > 0 ? points : fittedPoints(box, text, percent));
    picture::Target t(box.width(), box.height(), 0x00FFFFFF);
    t.transparent = true;
    picture::DrawMarkedText(t, QRect(0, 0, box.width(), box.height()), font, exercise::ListFontColour(), hAlign,
                            0x00FFFFFF, g().loadedList.layout.letterMarkColour, markStart, markLength, text);
    p.drawImage(box.topLeft(), picture::ShownImage(t));
}

} // namespace

TFormLautWeg::TFormLautWeg(const QString& listPath, QWidget* parent)
    : TFormFormAlle(kProgram, listPath, parent), m_rules(std::make_unique<LautWegRules>(*WAV1))
{
    setObjectName(QStringLiteral("FormLautWeg"));
    setMouseTracking(true);

    Sb_hilfe = new QPushButton(QStringLiteral("H&ilfe"), P_Leiste);
    Sb_hilfe->setObjectName(QStringLiteral("Sb_hilfe"));
    Sb_hilfe->setToolTip(QStringLiteral("Hilfe"));
    Sb_hilfe->setCheckable(true);
    Sb_hilfe->setEnabled(false);
    connect(Sb_hilfe, &QPushButton::clicked, this, [this](bool down) {
        m_rules->setHelp(down);
        refresh();
    });

    SB_fertig = new QPushButton(P_Leiste);
    SB_fertig->setObjectName(QStringLiteral("SB_fertig"));
    SB_fertig->setToolTip(QStringLiteral("Fertig"));
    SB_fertig->hide();
    connect(SB_fertig, &QPushButton::clicked, this, [this] { fertigClick(); });

    SB_weiter = new QPushButton(P_Leiste);
    SB_weiter->setObjectName(QStringLiteral("SB_weiter"));
    SB_weiter->setToolTip(QStringLiteral("Weiter"));
    SB_weiter->hide();
    connect(SB_weiter, &QPushButton::clicked, this, [this] { weiterClick(); });

    SB_Ton = new QPushButton(P_Leiste);
    SB_Ton->setObjectName(QStringLiteral("SB_Ton"));
    SB_Ton->setToolTip(QStringLiteral("Überschrift anhören"));
    SB_Ton->setIcon(QIcon(cursorPicture(crTon)));
    SB_Ton->hide();
    connect(SB_Ton, &QPushButton::clicked, this, [this] {
        m_rules->playHeadingSounds();
        refresh();
    });
    for (QPushButton* b : {Sb_hilfe, SB_fertig, SB_weiter, SB_Ton})
        b->setFocusPolicy(Qt::NoFocus);

    const char* tabNames[2] = {"TB_Anlaut", "TB_Auslaut"};
    const QString captions[2] = {QStringLiteral("      Anlaut    "), QStringLiteral("        Auslaut          ")};
    QPushButton** tabs[2] = {&TB_Anlaut, &TB_Auslaut};
    for (int i = 0; i < 2; ++i) {
        auto* b = exercise::MakeFolderTab(this, tabNames[i], captions[i]);
        connect(b, &QPushButton::clicked, this, [this, i] { folderTabClick(i); });
        *tabs[i] = b;
    }

    m_timer = new QTimer(this);
    m_timer->setInterval(50);
    connect(m_timer, &QTimer::timeout, this, [this] { dissolveTick(); });
}

TFormLautWeg::~TFormLautWeg() = default;

// ---- opening ------------------------------------------------------------------------------------

void TFormLautWeg::FormActivate()
{
    TFormFormAlle::FormActivate();
    ArrangeFrame();
    const ProgramSection& s = section();
    MakeStripPictures({s.value(QStringLiteral("Lob")), s.value(QStringLiteral("Fehler")), QString(), QString()},
                      {75, 75, 75, 75});
    FillListChoice();
    if (!prepareList(true))
        QTimer::singleShot(0, this, [this] { endRun(QDialog::Rejected); });
}

bool TFormLautWeg::prepareList(bool keepStart)
{
    m_timer->stop();
    m_dissolve.stop();
    const int start = keepStart && chooser::startPosition() >= 1 ? chooser::startPosition() : 0;
    m_rules->setHearAllFirst(options::hearAllAlternativesFirst());
    m_listValid = m_rules->prepareList(relativeList(listPath), PositionOf(relativeList(listPath)), start);
    L_Aufgaben->setText(QStringLiteral("Aufgaben: ") + QString::number(m_rules->taskCount()));
    if (!m_listValid) {
        dialogs::showMessage(this, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
        return false;
    }
    applyOptions();
    drawBackground();
    taskStates.assign(size_t(m_rules->taskCount()), TaskState{});
    currentTask = m_rules->position();
    BuildTaskStrip();
    m_stripDirty = true;
    showTask();
    return true;
}

void TFormLautWeg::applyOptions()
{
    ApplyFrameOptions(opts().backgroundPicture, 0);
    SB_Ton->setVisible(headingSoundInInstructions());
    showFolderTab();
}

void TFormLautWeg::showFolderTab()
{
    // The list shown decides, also when it came from the command line.
    const Position p = PositionOf(relativeList(listPath));
    m_pressedTab = p == Position::Anlaut ? 0 : 1;
    TB_Anlaut->setChecked(m_pressedTab == 0);
    TB_Auslaut->setChecked(m_pressedTab == 1);
    m_rules->setPosition(p);
}

// ---- layout and drawing -------------------------------------------------------------------------

void TFormLautWeg::ArrangeFrame()
{
    TFormFormAlle::ArrangeFrame();
    if (!SB_weiter)
        return;
    BarLayout bar;
    bar.left.push_back({Sb_hilfe, std::max(40, Sb_hilfe->sizeHint().width() + 8)});
    bar.besideListen = SB_Ton;
    bar.inPlaceOfListen = {SB_fertig, SB_weiter};
    bar.folderTabs = {TB_Anlaut, TB_Auslaut};
    ArrangeBottomBar(bar);
    SB_Ton->setIconSize(QSize(SB_Ton->height() * 2 / 3, SB_Ton->height() * 2 / 3));
    // Dark captions: white would vanish on the light faces.
    SkinButton(SB_weiter, g().config.symbolWeiter, QStringLiteral("Weiter"), 2, 1, 0, 2);
    SkinButton(SB_fertig, g().config.symbolPruefen, QStringLiteral("Prüfen"), 2, 1, 0, 2);
    if (m_listValid) {
        drawBackground();
        layoutArea();
        drawFaces();
    }
}

void TFormLautWeg::drawBackground() { m_background = exercise::WindowBackground(size(), backgroundPictureVisible); }

bool TFormLautWeg::headingShown() const
{
    const int visible = opts().headingVisible;
    return !g().loadedList.layout.heading.trimmed().isEmpty() &&
           (visible >= 4 || m_rules->tasksBegun() < visible);
}

void TFormLautWeg::layoutArea()
{
    const QRect area = playArea();
    const int W = width();
    const int H = area.height();
    const int n = std::max(1, int(m_rules->alternatives().size()));
    const int a = std::max(4, (H - (n + 1)) / std::max(n, 5));
    m_buttonSize = a;
    const int columnW = 2 * a + 1;
    const int panelW = int(std::lround(W * 2.0 / 3.0));
    const int gap = std::max(0, (W - panelW - columnW) / 3);
    m_panel = QRect(gap, area.top(), panelW, H);
    const int columnLeft = m_panel.right() + 1 + gap;
    const int top = area.top() + (H - n * a - (n + 1)) / 2;
    m_listen.clear();
    m_choice.clear();
    for (int i = 0; i < int(m_rules->alternatives().size()); ++i) {
        const int y = top + i * a + (i + 1);
        m_listen.emplace_back(columnLeft, y, a, a);
        m_choice.push_back(exercise::LautRoundCell(QRect(columnLeft + a + 1, y, a, a)));
    }
    const QRect inner = m_panel.adjusted(10, 10, -10, -10);
    const int headingH = headingShown() ? std::max(0, inner.height() / 7 - 5) : 0;
    m_heading = headingH > 0 ? QRect(inner.left() + 10, inner.top() + 5, inner.width() - 20, headingH) : QRect();
    const int bandH = std::max(20, inner.height() / 5);
    const int free = inner.height() - headingH - bandH - 30;
    int ph = std::min({450, std::max(20, free), (inner.width() - 40) * 3 / 4});
    int pw = ph * 4 / 3;
    const int picTop = inner.top() + headingH + 10 + std::max(0, (free - ph) / 2);
    m_picture = QRect(inner.left() + (inner.width() - pw) / 2, picTop, pw, ph);
    const int bandTop = m_picture.bottom() + 1 + 12;
    m_band = QRect(inner.left() + 5, bandTop, inner.width() - 10, std::max(10, inner.bottom() - 4 - bandTop));
    // Faces of the column: each row's card lies on the window background.
    const Colour light = picture::LightenColour(panelColour(), 30);
    const QString symbol = exercise::InternPicture(section().value(QStringLiteral("Symbolknopf")));
    QImage symbolImage;
    if (!symbol.isEmpty() && a > 30) {
        picture::Target t(a - 22, a - 22, light);
        picture::DrawPictureFitted(t, symbol, light, 60, true, true, true);
        symbolImage = picture::ShownImage(t);
    }
    for (int pressed = 0; pressed < 2; ++pressed) {
        m_listenFace[pressed].clear();
        for (const QRect& cell : m_listen) {
            QImage face = picture::NewBitmap(a, a, light);
            DrawCardFrame(face, QRect(0, 0, a, a), 10, &m_background, cell, 0, false, !pressed, light);
            if (!symbolImage.isNull())
                QPainter(&face).drawImage(pressed ? QPoint(16, 16) : QPoint(11, 11), symbolImage);
            m_listenFace[pressed].push_back(face);
        }
        const int round = m_choice.empty() ? a / 2 : m_choice.front().width();
        m_roundFace[pressed] = exercise::LautRoundFace(round, pressed, g().loadedList.layout.buttonColour,
                                                       exercise::InternPicture(section().value(QStringLiteral("Markerbild"))),
                                                       QString());
    }
}

void TFormLautWeg::drawFaces()
{
    const QSize size = m_picture.size();
    m_faces[0] = picturePart(size, m_rules->headElement().picture, opts().visualHelp == 0);
    m_faces[1] = picturePart(size, m_rules->newElement().picture, false);
    m_faces[2] = picturePart(size, m_rules->headElement().picture, false);
}

QImage TFormLautWeg::faceImage(int face) const { return m_faces[std::clamp(face, 0, 2)]; }

QRect TFormLautWeg::listenRect(int row) const
{
    return row >= 0 && row < int(m_listen.size()) ? m_listen[size_t(row)] : QRect();
}

QRect TFormLautWeg::choiceRect(int row) const
{
    return row >= 0 && row < int(m_choice.size()) ? m_choice[size_t(row)] : QRect();
}

void TFormLautWeg::FormPaint(QPainter& p)
{
    if (m_background.isNull())
        return;
    p.drawImage(0, 0, m_background);
    if (!m_listValid)
        return;
    drawPanel(p);
    drawBand(p);
    drawColumn(p);
}

void TFormLautWeg::drawPanel(QPainter& p)
{
    QImage panel = m_background.copy(m_panel);
    const QRect local(0, 0, m_panel.width(), m_panel.height());
    DrawCardFrame(panel, local, 10, &m_background, m_panel, 0, false, true, picture::LightenColour(panelColour(), 30));
    QPainter q(&panel);
    q.fillRect(local.adjusted(10, 10, -10, -10), picture::toQColor(picture::LightenColour(panelColour(), 30)));
    const QPoint origin = m_panel.topLeft();
    if (!m_heading.isEmpty()) {
        const QRect h = m_heading.translated(-origin);
        q.fillRect(h, picture::toQColor(panelColour()));
        const bool audible = opts().headingAudible && headingSoundInInstructions();
        drawText(q, audible ? h.adjusted(h.height() + 4, 0, 0, 0) : h, g().loadedList.layout.heading, 80, 1);
        if (audible) {
            const QString ton = exercise::InternPicture(section().value(QStringLiteral("TonBild")));
            if (!ton.isEmpty()) {
                picture::Target t(h.height(), h.height(), panelColour());
                picture::DrawPictureFitted(t, ton, panelColour(), 90, true, true, true);
                q.drawImage(h.topLeft() + (m_rules->headingBoxPressed ? QPoint(3, 3) : QPoint()), picture::ShownImage(t));
            }
        }
    }
    const QRect pic = m_picture.translated(-origin);
    QImage frame(pic.adjusted(-10, -10, 10, 10).size(), QImage::Format_RGB32);
    frame.fill(picture::toQColor(picture::LightenColour(panelColour(), 30)));
    DrawCardFrame(frame, frame.rect(), 10, nullptr, QRect(), 0, false, true, panelColour());
    q.drawImage(pic.topLeft() - QPoint(10, 10), frame);
    const QImage& shown = m_dissolve.running() ? m_dissolveCanvas : m_faces[std::clamp(m_rules->pictureFace, 0, 2)];
    if (!shown.isNull())
        q.drawImage(pic.topLeft(), shown);
    q.end();
    p.drawImage(origin, panel);
}

void TFormLautWeg::drawBand(QPainter& p)
{
    if (m_band.isEmpty())
        return;
    p.fillRect(m_band, picture::toQColor(bandColour()));
    const AnswerState s = m_rules->state();
    if (s == AnswerState::Solved || s == AnswerState::SolutionPlaying) {
        const int seventh = m_band.width() / 7;
        const QRect left(m_band.left(), m_band.top(), 3 * seventh, m_band.height());
        const QRect middle(left.right() + 1, m_band.top(), seventh, m_band.height());
        const QRect right(middle.right() + 1, m_band.top(), m_band.right() - middle.right(), m_band.height());
        const Mark m = m_rules->mark();
        // One size for both words, and the new word clear of the band's edge.
        const int margin = std::max(4, m_band.height() / 6);
        const QRect rightText = right.adjusted(0, 0, -margin, 0);
        const int points = std::min(fittedPoints(left, m_rules->word(), 80), fittedPoints(rightText, m_rules->newWord(), 80));
        drawText(p, left, m_rules->word(), 80, 1, m.start, m.length, points);
        const QString arrow = exercise::InternPicture(section().value(QStringLiteral("Symbolpfeil")));
        if (!arrow.isEmpty()) {
            const Colour bg = bandColour();
            picture::Target t(middle.width(), middle.height(), bg);
            picture::DrawPictureFitted(t, arrow, bg, m_rules->arrowPressed ? 55 : 60, true, true, true);
            p.drawImage(middle.topLeft(), picture::ShownImage(t));
        }
        drawText(p, rightText, m_rules->newWord(), 80, 2, -1, 0, points);
    } else if (m_rules->helpDown) {
        drawText(p, m_band, m_rules->word(), 80, 1);
    }
}

void TFormLautWeg::drawColumn(QPainter& p)
{
    for (int i = 0; i < int(m_listen.size()); ++i) {
        const auto& faces = m_listenFace[m_rules->pressedListen() == i ? 1 : 0];
        if (i < int(faces.size()))
            p.drawImage(m_listen[size_t(i)].topLeft(), faces[size_t(i)]);
        p.drawImage(m_choice[size_t(i)].topLeft(), m_roundFace[m_rules->chosen() == i ? 1 : 0]);
    }
}

QImage TFormLautWeg::screenshot()
{
    QImage image(size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    FormPaint(p);
    return image;
}

// ---- the flow of a task -------------------------------------------------------------------------

void TFormLautWeg::showTask()
{
    m_timer->stop();
    m_dissolve.stop();
    if (m_rules->defectiveShown)
        ShowMessageWindow(QStringLiteral("Die aktuelle Aufgabe ist defekt! Es folgt die nächste Aufgabe."), this, false);
    layoutArea();
    drawFaces();
    m_stripDirty = true;
    refresh();
}

void TFormLautWeg::refresh()
{
    const LautWegRules& r = *m_rules;
    if (r.dissolveRequested)
        startDissolve();
    const std::vector<TaskState> before = taskStates;
    const int beforeTask = currentTask;
    taskStates.clear();
    for (const exercise::TaskResult& t : exercise::ResultsInPlayOrder(r.results()))
        taskStates.push_back(TaskState{t.state, t.error});
    currentTask = r.position();
    const auto same = [](const TaskState& a, const TaskState& b) { return a.state == b.state && a.error == b.error; };
    if (m_stripDirty || beforeTask != currentTask || before.size() != taskStates.size() ||
        !std::equal(before.begin(), before.end(), taskStates.begin(), same))
        DrawTaskStrip();
    m_stripDirty = false;
    const bool solvedPhase = r.state() == AnswerState::Solved || r.state() == AnswerState::SolutionPlaying;
    SB_weiter->setVisible(solvedPhase);
    SB_weiter->setEnabled(r.weiterEnabled);
    const bool fertigShown = !solvedPhase && !opts().atOnce && r.fertigEnabled;
    SB_fertig->setVisible(fertigShown);
    SB_fertig->setEnabled(fertigShown);
    P_hoeren->setVisible(!solvedPhase && !fertigShown);
    SB_hoeren->setEnabled(r.listenEnabled && r.state() != AnswerState::NoValidList);
    if (solvedPhase)
        SB_weiter->raise();
    else if (fertigShown)
        SB_fertig->raise();
    {
        const QSignalBlocker block(Sb_hilfe);
        Sb_hilfe->setChecked(r.helpDown);
    }
    Sb_hilfe->setEnabled(r.hilfeEnabled);
    update();
}

void TFormLautWeg::startDissolve()
{
    m_rules->dissolveRequested = false;
    m_dissolveCanvas = m_faces[std::clamp(m_rules->pictureFace, 0, 2)].copy();
    if (m_dissolveCanvas.isNull() || m_picture.isEmpty()) {
        m_rules->pictureFace = 1;
        m_rules->weiterEnabled = true;
        return;
    }
    m_dissolve.start(m_picture.size());
    m_timer->start();
}

void TFormLautWeg::dissolveTick()
{
    if (m_dissolve.running() && m_dissolve.step(m_dissolveCanvas, QPoint(0, 0), m_faces[1]) && m_dissolve.running()) {
        update(m_picture);
        return;
    }
    m_timer->stop();
    m_dissolve.stop();
    m_rules->pictureFace = 1;
    m_rules->weiterEnabled = true;
    refresh();
}

bool TFormLautWeg::dissolving() const { return m_timer->isActive(); }

void TFormLautWeg::finishDissolve()
{
    while (m_timer->isActive())
        dissolveTick();
}

void TFormLautWeg::listenClick()
{
    if (!m_listValid)
        return;
    m_rules->listen();
    refresh();
}

void TFormLautWeg::SB_hoerenClick() { listenClick(); }

void TFormLautWeg::afterChoice(LautWegRules::Outcome outcome)
{
    switch (outcome) {
    case LautWegRules::Outcome::NeedListen:
        ShowMessageWindow(QStringLiteral("Bitte zuerst auf den Knopf 'Hören' klicken"), this, false);
        break;
    case LautWegRules::Outcome::NeedHearAll:
        ShowMessageWindow(QStringLiteral("Bitte zuerst alle Aternativen anhören!"), this, false);
        break;
    case LautWegRules::Outcome::Right:
        StopWaveFiles();
        break;
    default:
        break;
    }
    refresh();
}

void TFormLautWeg::fertigClick()
{
    if (!m_listValid || !m_rules->fertigEnabled)
        return;
    afterChoice(m_rules->judge());
}

void TFormLautWeg::weiterClick()
{
    if (!m_listValid || m_rules->state() != AnswerState::Solved || !m_rules->weiterEnabled)
        return;
    if (m_rules->allSolved()) {
        askHowToGoOn();
        return;
    }
    if (m_rules->advance())
        showTask();
}

void TFormLautWeg::askHowToGoOn()
{
    const auto yes = dialogs::Button::Yes;
    if (ShowMessageWindow(QStringLiteral(" Die Datei ist vollständig bearbeitet!  \nVon vorne beginnen?"), this, true) != yes) {
        SB_endeClick();
        return;
    }
    if (ShowMessageWindow(QStringLiteral("Neu mischen?"), this, true) == yes)
        BuildTaskOrder(m_rules->taskCount(), true);
    m_rules->restart();
    showTask();
}

void TFormLautWeg::TaskImageClick(int position)
{
    if (!m_listValid || position < 0 || position >= m_rules->taskCount())
        return;
    m_rules->jumpTo(position);
    showTask();
}

void TFormLautWeg::SoundNotice(int channel, SoundStatus status)
{
    m_rules->soundNotice(channel, status);
    refresh();
}

int TFormLautWeg::rowAt(const QPoint& pos, bool choice) const
{
    const std::vector<QRect>& rects = choice ? m_choice : m_listen;
    for (int i = 0; i < int(rects.size()); ++i)
        if (rects[size_t(i)].contains(pos))
            return i;
    return -1;
}

void TFormLautWeg::mousePressEvent(QMouseEvent* event)
{
    if (!m_listValid || event->button() != Qt::LeftButton) {
        TFormFormAlle::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (const int row = rowAt(pos, true); row >= 0) {
        afterChoice(m_rules->pressChoice(row));
        return;
    }
    if (const int row = rowAt(pos, false); row >= 0) {
        const LautWegRules::Outcome o = m_rules->clickListenButton(row);
        if (o == LautWegRules::Outcome::Flash) {
            // No sound: the button flashes.
            const QRect r = listenRect(row);
            std::swap(m_listenFace[0], m_listenFace[1]);
            repaint(r);
            clock_::sleepMs(100);
            std::swap(m_listenFace[0], m_listenFace[1]);
            update(r);
        }
        afterChoice(o);
        return;
    }
    TFormFormAlle::mousePressEvent(event);
}

void TFormLautWeg::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_listValid || event->button() != Qt::LeftButton) {
        TFormFormAlle::mouseReleaseEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    const int choice = rowAt(pos, true);
    if (choice >= 0 && choice == m_rules->chosen()) {
        afterChoice(m_rules->releaseChoice(choice));
        return;
    }
    const int listen = rowAt(pos, false);
    if (listen < 0 || listen != m_rules->pressedListen())
        m_rules->releaseElsewhere();
    if (m_picture.contains(pos)) {
        m_rules->clickPicture();
    } else if (!m_heading.isEmpty() && m_heading.contains(pos) && headingSoundInInstructions()) {
        m_rules->playHeadingBox();
    } else if (m_band.contains(pos) && m_rules->state() == AnswerState::Solved) {
        const int seventh = std::max(1, m_band.width() / 7);
        const int x = pos.x() - m_band.left();
        m_rules->clickBand(x < 3 * seventh ? 0 : x < 4 * seventh ? 1 : 2);
    }
    refresh();
    TFormFormAlle::mouseReleaseEvent(event);
}

void TFormLautWeg::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const bool sound = m_picture.contains(pos) || (!m_heading.isEmpty() && m_heading.contains(pos)) ||
                       (m_rules->state() == AnswerState::Solved && m_band.contains(pos));
    const bool hand = rowAt(pos, true) >= 0 || rowAt(pos, false) >= 0;
    setCursor(sound ? programCursor(crTon) : hand ? QCursor(Qt::PointingHandCursor) : QCursor(Qt::ArrowCursor));
    TFormFormAlle::mouseMoveEvent(event);
}

bool TFormLautWeg::HandleAppMessage(QObject* watched, QEvent* event)
{
    if (TFormFormAlle::HandleAppMessage(watched, event))
        return true;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || (w != this && !isAncestorOf(w)) || !m_listValid || event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const AnswerState s = m_rules->state();
    const bool choosing = s == AnswerState::Answering || s == AnswerState::Retrying;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (s == AnswerState::Solved)
            weiterClick();
        else if (choosing && SB_fertig->isVisible() && SB_fertig->isEnabled())
            fertigClick();
        else if (choosing && opts().atOnce && m_rules->chosen() >= 0)
            afterChoice(m_rules->judge());
        else if (s != AnswerState::SolutionPlaying)
            listenClick();
        return true;
    case Qt::Key_Space:
        if (choosing)
            m_rules->space();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        afterChoice(m_rules->arrowKey(key->key() == Qt::Key_Up));
        return true;
    case Qt::Key_H:
        if (P_hoeren->isVisible() && SB_hoeren->isEnabled())
            listenClick();
        return true;
    case Qt::Key_I:
        if (Sb_hilfe->isEnabled()) {
            m_rules->setHelp(!m_rules->helpDown);
            refresh();
        }
        return true;
    case Qt::Key_P:
        if (SB_fertig->isVisible() && SB_fertig->isEnabled())
            fertigClick();
        return true;
    case Qt::Key_W:
        if (SB_weiter->isVisible() && SB_weiter->isEnabled())
            weiterClick();
        return true;
    case Qt::Key_ssharp:
    case Qt::Key_BracketLeft:
        if (SB_Ton->isVisible())
            SB_Ton->click();
        return true;
    default:
        return false;
    }
}

// ---- lists, options and closing ----------------------------------------------------------------

void TFormLautWeg::CB_auswahlChange(int index)
{
    if (LoadListFromChoice(index, 1, m_listValid))
        startChosenList();
}

void TFormLautWeg::startChosenList()
{
    BuildTaskOrder(int(g().taskList().size()), opts().randomOrder);
    opts().file = relativeList(listPath);
    prepareList(false);
    showFolderTab();
}

void TFormLautWeg::folderTabClick(int index)
{
    if (index < 0 || index > 1)
        return;
    if (LoadFirstListOf(listFolder() + kFolders[index] + QLatin1Char('/'), 1))
        startChosenList();
    showFolderTab();
}

void TFormLautWeg::writeFrameOptions()
{
    TOpt_LautAdd& o = opts();
    if (m_listValid)
        o.file = relativeList(listPath);
    o.backgroundPicture = backgroundPictureVisible;
    WritePlayerOptions(g().currentPlayer(), kProgram);
}

void TFormLautWeg::sb_optionenClick()
{
    WAV1->CloseAll();
    writeFrameOptions();
    const TOpt_LautAdd before = opts();
    bool ok = false;
    {
        messagehook::Suspend suspend;
        ok = options::ShowOptionPage(this, kProgram);
    }
    g().programCode = kProgram;
    if (ok) {
        exercise::PrepareLautFeedback(opts().feedback, true);
        m_rules->setHearAllFirst(options::hearAllAlternativesFirst());
        applyOptions();
        const TOpt_LautAdd& now = opts();
        if (before.randomOrder != now.randomOrder) {
            BuildTaskOrder(m_rules->taskCount(), now.randomOrder);
            m_rules->restart();
            showTask();
        } else if (before.headingVisible != now.headingVisible || before.soundCount != now.soundCount ||
                   before.headingAudible != now.headingAudible || before.backgroundPicture != now.backgroundPicture) {
            drawBackground();
            if (m_rules->state() != AnswerState::Solved && m_rules->state() != AnswerState::SolutionPlaying)
                m_rules->setUpTask();
            showTask();
        } else if (before.visualHelp != now.visualHelp) {
            drawFaces();
        }
    }
    refresh();
}

void TFormLautWeg::Chb_hintergrundbildClick()
{
    opts().backgroundPicture = Chb_hintergrundbild->isChecked();
    backgroundPictureVisible = opts().backgroundPicture;
    drawBackground();
    update();
}

void TFormLautWeg::StopBeforeClose()
{
    m_timer->stop();
    m_dissolve.stop();
    TFormFormAlle::StopBeforeClose();
}

void TFormLautWeg::FormClose()
{
    m_closingWindow = true;
    m_timer->stop();
    writeFrameOptions();
    m_background = QImage();
    for (QImage& f : m_faces)
        f = QImage();
    TFormFormAlle::FormClose();
}
