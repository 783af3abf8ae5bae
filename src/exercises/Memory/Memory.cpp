#include "exercises/Memory/Memory.h"

#include "exercises/common/CardText.h"
#include "exercises/common/ListLook.h"
#include "exercises/common/TaskSounds.h"

#include "core/Catalogue.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/MessageHook.h"
#include "core/Random.h"
#include "core/TextUtil.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "media/picture/Picture.h"
#include "media/skin/Cursors.h"
#include "media/skin/Frames.h"
#include "media/skin/Meldung.h"
#include "media/skin/ScreenScale.h"
#include "media/skin/SkinButton.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "options/Options.h"
#include "results/Ergebnisse.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

using namespace memory;
using picture::Colour;

namespace {

const QString kInvalidList = QStringLiteral("Datei enthält eine ungültige Anzahl an Aufgaben.Bitte überprüfen!");
const QString kInvalidCount = QStringLiteral("Bitte stellen Sie in den Optionen eine gültige Bilderanzahl ein.");

const QColor kPairColours[12] = {{128, 0, 0},   {0, 128, 0},     {0, 0, 128},   {128, 0, 128},
                                 {0, 128, 128}, {255, 0, 0},     {0, 68, 0},    {174, 174, 0},
                                 {0, 0, 255},   {255, 0, 255},   {0, 255, 255}, {255, 128, 0}};
const QColor kMotifColours[16] = {{254, 74, 54},  {254, 83, 1},   {241, 254, 1},  {200, 254, 14},
                                  {149, 248, 58}, {39, 248, 75},  {7, 248, 157},  {2, 240, 253},
                                  {0, 128, 255},  {3, 28, 250},   {184, 29, 250}, {248, 16, 248},
                                  {249, 15, 179}, {128, 0, 128},  {251, 17, 117}, {224, 10, 26}};

QString sectionName(int program) { return program == 407 ? QStringLiteral("ProgLautMemory") : QStringLiteral("ProgMemory"); }

QString sectionValue(int program, const char* key)
{
    return g().config.programSection(sectionName(program)).value(QLatin1String(key));
}

QString existing(const QString& file) { return !file.isEmpty() && fsys::fileExists(file) ? fsys::resolve(file) : QString(); }

QString listFolderOf(int program) { return fsys::withSlash(catalogue::listFolder(program)); }

int elementPercent(const TEinzelbild& e)
{
    if (e.layout.pictureSize > 0)
        return e.layout.pictureSize;
    return g().loadedList.layout.pictureSize > 0 ? g().loadedList.layout.pictureSize : 100;
}

// An element's picture by its kind: metafiles smoothed, JPEGs at 100 percent cover the card, others
// fitted; one percent less keeps a margin.
void drawPicture(picture::Target& t, const TEinzelbild& e, Colour bg)
{
    const QString file = picture::ResolvePictureName(e.picture);
    if (file.isEmpty())
        return;
    const int percent = elementPercent(e);
    const QString lower = file.toLower();
    if (lower.endsWith(QStringLiteral(".wmf")))
        picture::DrawMetafileSmooth(file, t, bg, percent - 1, false, true);
    else if ((lower.endsWith(QStringLiteral(".jpg")) || lower.endsWith(QStringLiteral(".jpeg"))) && percent == 100)
        picture::CoverPicture(t, file, bg, false);
    else
        picture::DrawPictureFitted(t, file, bg, percent - 1, true, true, true);
}

void drawText(picture::Target& t, const QRect& box, const QString& raw, bool marks, const QColor& markColour, Colour bg)
{
    const exercise::MarkedText text = exercise::SplitMarker(raw);
    if (text.text.isEmpty())
        return;
    QFont font = exercise::ListFont();
    font.setPointSize(std::max(4, picture::FitFontSize(box.height(), box.width(), text.text, 90, font)));
    picture::DrawMarkedText(t, box, font, exercise::ListFontColour(), 1, bg, picture::fromQColor(markColour),
                            marks ? text.markStart : -1, marks ? text.markLength : 0, text.text);
}

} // namespace

TFormMemory::TFormMemory(int programCode, const QString& listPath, QWidget* parent)
    : TFormFormAlle(programCode, listPath, parent), m_program(programCode),
      m_rules(std::make_unique<MemoryRules>(*WAV1, programCode))
{
    setObjectName(programCode == 407 ? QStringLiteral("FormLautMemory") : QStringLiteral("FormMemory"));
    setMouseTracking(true);
    m_rules->onChanged = [this] {
        if (!m_closingWindow) {
            refresh();
            repaint();
        }
    };
    m_rules->onGameOver = [this] { drawMotif(); };

    auto makeButton = [this](const char* name) {
        auto* b = new QPushButton(P_Leiste);
        b->setObjectName(QLatin1String(name));
        b->setFocusPolicy(Qt::NoFocus);
        b->hide();
        return b;
    };
    SB_neuesSpiel = makeButton("SB_neuesSpiel");
    SB_alleHoeren = makeButton("SB_allehoeren");
    SB_weiter = makeButton("SB_weiter");
    SB_Ton = makeButton("SB_Ton");
    SB_Ton->setToolTip(QStringLiteral("Überschrift anhören"));
    SB_Ton->setIcon(QIcon(cursorPicture(crTon)));
    connect(SB_neuesSpiel, &QPushButton::clicked, this, [this] { newGameClick(); });
    connect(SB_alleHoeren, &QPushButton::clicked, this, [this] { playAllClick(); });
    connect(SB_weiter, &QPushButton::clicked, this, [this] { weiterClick(); });
    connect(SB_Ton, &QPushButton::clicked, this, [this] { m_rules->playHeadingSounds(); });

    for (int i = 0; i < 2; ++i) {
        P_spieler[i] = new QFrame(P_Leiste);
        P_spieler[i]->setObjectName(QStringLiteral("P_spieler%1").arg(i + 1));
        P_spieler[i]->setFrameStyle(QFrame::Panel | QFrame::Raised);
        P_spieler[i]->setAutoFillBackground(true);
        E_name[i] = new QLineEdit(P_spieler[i]);
        E_name[i]->setObjectName(QStringLiteral("E_spieler%1").arg(i + 1));
        E_name[i]->setAlignment(Qt::AlignCenter);
        E_name[i]->setFocusPolicy(Qt::ClickFocus);
        L_punkte[i] = new QLabel(QStringLiteral("0"), P_spieler[i]);
        L_punkte[i]->setObjectName(QStringLiteral("L_punkte%1").arg(i + 1));
        L_punkte[i]->setAlignment(Qt::AlignCenter);
        P_spieler[i]->hide();
    }
}

TFormMemory::~TFormMemory() = default;

TOpt_Memory& TFormMemory::record()
{
    return m_program == 407 ? g().playerOptions.lautSilbenMemory : g().playerOptions.memory;
}

bool TFormMemory::showingInstruction() const { return m_rules->state() == GameState::Instruction; }

// ---- opening and lists --------------------------------------------------------------------------

void TFormMemory::FormActivate()
{
    TFormFormAlle::FormActivate();
    WAV1->CloseAll();
    m_rules->setOptions(record());
    const TOpt_Memory& o = m_rules->options();
    ApplyFrameOptions(o.backgroundPicture, o.time);
    m_rules->setupPlayers();
    setupPlayerPanels();
    ArrangeFrame();
    FillListChoice();
    startList();
}

void TFormMemory::startList()
{
    const int n = int(g().taskList().size());
    L_Aufgaben->setText(QStringLiteral(" Aufgaben: ") + QString::number(n));
    SB_Ton->setVisible(m_rules->options().instructionAudible && exercise::ListHasHeadingSound());
    const QString relative = MakeRelativePath(listFolderOf(m_program), listPath, false);
    m_listValid = m_rules->prepareList(CB_auswahl->currentText().isEmpty() ? relative : CB_auswahl->currentText());
    m_motifs.clear();
    m_lookCache.clear();  // another list may look otherwise
    m_backKey.clear();
    drawBackground();
    layoutCards();
    if (!m_listValid) {
        ShowMessageWindow(kInvalidList, this, false);
        refresh();
        return;
    }
    prepareInstruction();
    if (!showingInstruction()) {
        // The first repaint deals.
        m_dealPending = true;
        QTimer::singleShot(0, this, [this] {
            if (m_dealPending && !m_closingWindow)
                dealGame(true);
        });
    }
    refresh();
}

void TFormMemory::prepareInstruction()
{
    const TOpt_Memory& o = m_rules->options();
    const TLayout& l = g().loadedList.layout;
    const bool shown = (o.instructionVisible == 1 && !exercise::InternPicture(l.instructionPicture).isEmpty()) ||
                       (o.instructionVisible == 2 && !l.heading.trimmed().isEmpty());
    m_rules->setInstruction(shown);
    sb_optionen->setEnabled(!shown);
    CB_auswahl->setEnabled(!shown);
    SB_weiter->setVisible(shown);
    if (shown)
        SB_weiter->raise();
}

void TFormMemory::weiterClick()
{
    if (!showingInstruction())
        return;
    m_rules->leaveInstruction();
    sb_optionen->setEnabled(true);
    CB_auswahl->setEnabled(true);
    SB_weiter->hide();
    dealGame(true);
}

void TFormMemory::CB_auswahlChange(int index)
{
    if (index < 0)
        return;
    const QString name = CB_auswahl->itemText(index);
    if (fsys::fileName(listPath).compare(name, Qt::CaseInsensitive) == 0 && m_listValid)
        return;
    WAV1->StopAll();
    const QString oldPath = listPath;
    const QString newPath = fsys::folderOf(listPath) + name;
    if (LoadTaskList(newPath) < 3) {
        ShowMessageWindow(kInvalidList, this, false);
        if (LoadTaskList(oldPath) <= 0)
            g().loadedList.tasks.clear();
        const QSignalBlocker block(CB_auswahl);
        CB_auswahl->setCurrentIndex(CB_auswahl->findText(fsys::fileName(oldPath)));
        return;
    }
    listPath = newPath;
    FillListChoice();
    m_dealPending = false;
    startList();
}

// ---- the game ----------------------------------------------------------------------------------

void TFormMemory::askForCardCount()
{
    ShowMessageWindow(kInvalidCount, this, false);
    sb_optionenClick();
}

void TFormMemory::dealGame(bool pairsChosen)
{
    m_dealPending = false;
    if (!m_listValid || m_closingWindow)
        return;
    if (GridOf(m_rules->cardCount()).columns == 0) {
        askForCardCount();
        return;
    }
    m_motifs.clear();
    m_mixing = true;
    repaint();
    const QString mix = existing(sectionValue(m_program, "TonMischen"));
    if (!mix.isEmpty())
        PlaySound(*WAV1, mix, true, false, true);
    if (!m_rules->deal(pairsChosen)) {
        m_mixing = false;
        return;
    }
    layoutCards();
    buildLooks();
    m_mixing = false;
    showCardsAgain();
}

void TFormMemory::showCardsAgain()
{
    // The cards appear one by one, each with its sound.
    const QString dealt = existing(sectionValue(m_program, "TonAusteilen"));
    for (int p = 0; p < m_rules->cardCount() && !m_closingWindow && isVisible(); ++p) {
        m_dealt = p + 1;
        repaint(placeRect(p));
        if (!dealt.isEmpty())
            PlayWaveFile(dealt, true, true);
    }
    m_dealt = -1;
    refresh();
}

void TFormMemory::newGameClick()
{
    if (m_rules->state() != GameState::GameOver && m_listValid)
        return;
    dealGame(false);
}

void TFormMemory::playAllClick()
{
    m_rules->playAll();
    refresh();
}

void TFormMemory::SoundNotice(int channel, SoundStatus status)
{
    m_rules->soundNotice(channel, status);
    refresh();
}

int TFormMemory::placeAt(const QPoint& p) const
{
    for (int i = 0; i < m_rules->cardCount(); ++i)
        if (placeRect(i).contains(p))
            return i;
    return -1;
}

void TFormMemory::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_listValid && event->button() == Qt::LeftButton && m_dealt < 0 && !m_mixing) {
        const int place = placeAt(event->position().toPoint());
        if (place >= 0) {
            m_rules->clickPlace(place);
            refresh();
            return;
        }
    }
    TFormFormAlle::mouseReleaseEvent(event);
}

void TFormMemory::mouseMoveEvent(QMouseEvent* event)
{
    const int place = placeAt(event->position().toPoint());
    const int idx = m_rules->cardAt(place);
    QCursor cursor(Qt::ArrowCursor);
    if (idx >= 0 && !showingInstruction()) {
        const Card& c = m_rules->card(idx);
        const Pair& pair = m_rules->pairs()[size_t(idx / 2)];
        if (!c.turned && !c.found)
            cursor = QCursor(Qt::PointingHandCursor);
        else if (!(c.found && pair.shownFound && m_rules->joinMode() == 1 && idx % 2 == 0))
            cursor = programCursor(crTon);
    }
    setCursor(cursor);
    TFormFormAlle::mouseMoveEvent(event);
}

bool TFormMemory::HandleAppMessage(QObject* watched, QEvent* event)
{
    if (TFormFormAlle::HandleAppMessage(watched, event))
        return true;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || (w != this && !isAncestorOf(w)) || event->type() != QEvent::KeyPress)
        return false;
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w))
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (showingInstruction()) {
        weiterClick();
        return true;
    }
    switch (key->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int dx = key->key() == Qt::Key_Left ? -1 : key->key() == Qt::Key_Right ? 1 : 0;
        const int dy = key->key() == Qt::Key_Up ? -1 : key->key() == Qt::Key_Down ? 1 : 0;
        if (!m_rules->moveFocus(dx, dy))
            Beep();
        update();
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_rules->focus() >= 0)
            m_rules->clickPlace(m_rules->focus());
        refresh();
        return true;
    case Qt::Key_A:
        if (SB_alleHoeren->isVisible())
            playAllClick();
        return true;
    case Qt::Key_N:
        if (SB_neuesSpiel->isVisible())
            newGameClick();
        return true;
    default:
        return false;
    }
}

// ---- layout and drawing -------------------------------------------------------------------------

void TFormMemory::ArrangeFrame()
{
    TFormFormAlle::ArrangeFrame();
    if (!SB_neuesSpiel)
        return;
    P_oben->hide();
    P_hoeren->hide();
    const int barW = P_Leiste->width();
    const int barH = P_Leiste->height();
    const double factor = screenScaleFactor(size());
    const int h = std::max(10, barH - 2);
    const int ton = std::max(24, h / 2);
    const int left = sb_optionen->geometry().right() + 4;
    SB_Ton->setGeometry(left, (barH - ton) / 2, ton, ton);
    SB_Ton->setIconSize(QSize(ton - 6, ton - 6));
    const int buttonW = qRound(h * 1.3);
    // "Neues Spiel" and "Alle Karten anhören" are wide enough for the symbol beside the caption
    // (the bar has the room up to the middle).
    const int gameW = std::min(qRound(h * 2.2), std::max(buttonW, (barW - buttonW) / 2 - 4 - (left + ton + 4)));
    const QRect game(left + ton + 4, 1, gameW, h);
    SB_neuesSpiel->setGeometry(game);
    SB_alleHoeren->setGeometry(game);
    SkinButton(SB_neuesSpiel, g().config.symbolNeuesSpiel, QStringLiteral("Neues Spiel"), 2, 1, 0x00008000, 2);
    // A dark caption: white vanishes on the light symbol, which covers the whole face.
    SkinButton(SB_alleHoeren, g().config.symbolAllehoeren, QStringLiteral("Alle#10#13Karten#10#13anhören"), 1, 1,
               0x00000000, 2);
    SB_weiter->setGeometry((barW - buttonW) / 2, 1, buttonW, h);
    SkinButton(SB_weiter, g().config.symbolWeiter, QStringLiteral("Weiter"), 2, 1, 0x00000000, 2);
    // The player panels left and right of the centre.
    const int panelW = std::max(80, qRound(120 * factor));
    for (int i = 0; i < 2; ++i) {
        const int x = i == 0 ? barW / 2 - 4 - panelW : barW / 2 + 4;
        P_spieler[i]->setGeometry(x, 2, panelW, barH - 4);
        const int line = (barH - 8) / 2;
        E_name[i]->setGeometry(3, 3, panelW - 6, line);
        L_punkte[i]->setGeometry(3, 3 + line, panelW - 6, line);
    }
    // The list choice right-aligned before "Ende".
    QRect choice = P_auswahl->geometry();
    choice.moveRight(SB_ende->geometry().left() - 4);
    const int minLeft = (P_spieler[1]->isHidden() ? game.right() : P_spieler[1]->geometry().right()) + 4;
    if (choice.left() < minLeft)
        choice.setLeft(minLeft);
    P_auswahl->setGeometry(choice);
    drawBackground();
    layoutCards();
    if (m_listValid)
        buildLooks();
}

QRect TFormMemory::cardArea() const
{
    const int bottom = bottomBarVisible() ? P_Leiste->y() : height();
    return QRect(0, 0, width(), std::max(0, bottom));
}

void TFormMemory::layoutCards()
{
    const Grid grid = GridOf(m_rules->cardCount());
    if (grid.columns == 0) {
        m_cardSize = 0;
        return;
    }
    const QRect area = cardArea();
    const int w = area.width(), h = area.height();
    int s = std::min({w / 4, (w - grid.gap * (grid.columns + 1)) / grid.columns,
                      (h - grid.gap * (grid.rows + 1)) / grid.rows});
    s = std::max(8, s);
    if (s != m_cardSize)
        m_back = QImage();
    m_cardSize = s;
    const int gridW = grid.columns * s + (grid.columns - 1) * grid.gap;
    const int gridH = grid.rows * s + (grid.rows - 1) * grid.gap;
    m_gridOrigin = QPoint((w - gridW) / 2, area.top() + (h - gridH) / 2);
}

QRect TFormMemory::placeRect(int place) const
{
    const Grid grid = GridOf(m_rules->cardCount());
    if (grid.columns == 0 || place < 0 || place >= m_rules->cardCount() || m_cardSize <= 0)
        return QRect();
    const int col = place % grid.columns, row = place / grid.columns;
    return QRect(m_gridOrigin.x() + col * (m_cardSize + grid.gap), m_gridOrigin.y() + row * (m_cardSize + grid.gap),
                 m_cardSize, m_cardSize);
}

void TFormMemory::drawBackground()
{
    m_background = exercise::WindowBackground(size(), backgroundPictureVisible);
}

QImage TFormMemory::faceImage(int cardIndex, QSize size) const
{
    const Colour bg = g().loadedList.layout.pictureBackgroundColour;
    picture::Target t(size.width(), size.height(), bg);
    const TEinzelbild& e = m_rules->card(cardIndex).element;
    const int mode = m_rules->options().textPicture;
    const QRect inner = QRect(QPoint(0, 0), size).adjusted(6, 6, -6, -6);
    const QColor mark = kPairColours[(cardIndex / 2) % 12];
    const bool marks = m_program == 407;
    if (mode == 1) {
        drawText(t, inner, e.text, marks, mark, bg);
    } else {
        const int pictureH = mode == 3 ? inner.height() * 3 / 4 : inner.height();
        picture::Target p(inner.width(), std::max(1, pictureH), bg);
        drawPicture(p, e, bg);
        QPainter(&t.image).drawImage(inner.topLeft(), picture::ShownImage(p));
        if (mode == 3)
            drawText(t, QRect(inner.left(), inner.top() + pictureH, inner.width(), inner.height() - pictureH), e.text,
                     marks, mark, bg);
    }
    return t.image;
}

QImage TFormMemory::joinedImage(int pair, QSize size) const
{
    const Colour bg = picture::LightenColour(g().loadedList.layout.pictureBackgroundColour, 60);
    picture::Target t(size.width(), size.height(), bg);
    const QRect inner = QRect(QPoint(0, 0), size).adjusted(6, 6, -6, -6);
    const int pictureH = inner.height() * 3 / 4;
    const int halfW = inner.width() / 2;
    const Pair& p = m_rules->pairs()[size_t(pair)];
    for (int k = 0; k < 2; ++k) {
        picture::Target part(std::max(1, halfW), std::max(1, pictureH), bg);
        drawPicture(part, p.cards[k].element, bg);
        QPainter(&t.image).drawImage(inner.left() + k * halfW, inner.top(), picture::ShownImage(part));
    }
    const QString a = exercise::SplitMarker(p.cards[0].element.text).text;
    const QString b = exercise::SplitMarker(p.cards[1].element.text).text;
    const QString text = a == b || b.isEmpty() ? a : a + QStringLiteral(" - ") + b;
    if (!text.isEmpty()) {
        const QRect box(inner.left(), inner.top() + pictureH, inner.width(), inner.height() - pictureH);
        QFont font = exercise::ListFont();
        font.setPointSize(std::max(4, picture::FitFontSize(box.height(), box.width(), text, 90, font)));
        QPainter painter(&t.image);
        painter.setFont(font);
        painter.setPen(kPairColours[pair % 12]);
        painter.drawText(box, Qt::AlignCenter, text);
    }
    return t.image;
}

void TFormMemory::buildLooks()
{
    const int s = m_cardSize;
    const int n = m_rules->cardCount();
    if (s <= 0 || n <= 0 || int(m_rules->pairs().size()) * 2 != n)
        return;
    const QSize size(s, s);
    const QRect whole(0, 0, s, s);
    const int bevel = std::max(2, s / 40);
    const TLayout& l = g().loadedList.layout;
    // The back: the list's card back picture, else the button colour.
    const QString file = m_rules->options().cardBackVisible ? exercise::CardBackPicture() : QString();
    const QString backKey = file + QLatin1Char('|') + QString::number(s) + QLatin1Char('|') + QString::number(l.buttonColour);
    if (backKey != m_backKey || m_back.isNull()) {
        m_backKey = backKey;
        picture::Target t(s, s, l.buttonColour);
        if (!file.isEmpty())
            picture::StretchPicture(t, file, l.buttonColour, false);
        m_back = t.image.convertToFormat(QImage::Format_RGB32);
        m_backPressed = m_back.copy();
        DrawBevelFrame(m_back, whole, l.buttonColour, bevel, true);
        DrawBevelFrame(m_backPressed, whole, l.buttonColour, bevel, false);
    }
    m_face.assign(size_t(n), QImage());
    m_facePressed.assign(size_t(n), QImage());
    m_found.assign(size_t(n), QImage());
    m_joined.assign(size_t(n / 2), QImage());
    // The two cards of a pair often show the same picture and text, and the next game the same ones
    // again: each look is drawn once while the card size, the list and its looks stay the same.
    if (m_lookCacheSide != s || m_lookCache.size() > 256) {
        m_lookCache.clear();
        m_lookCacheSide = s;
    }
    const int mode = m_rules->options().textPicture;
    for (int i = 0; i < n; ++i) {
        const TEinzelbild& e = m_rules->card(i).element;
        // Only the marks of 407 take the pair's colour.
        const QString key = e.picture + QLatin1Char('|') + e.text + QLatin1Char('|') +
                            QString::number(e.layout.pictureSize) + QLatin1Char('|') +
                            QString::number(m_program == 407 ? (i / 2) % 12 : -1) + QLatin1Char('|') +
                            QString::number(mode) + QLatin1Char('|') + QString::number(l.pictureBackgroundColour);
        auto it = m_lookCache.constFind(key);
        if (it == m_lookCache.constEnd()) {
            FaceLooks looks;
            looks.face = faceImage(i, size).convertToFormat(QImage::Format_RGB32);
            looks.raised = looks.face.copy();
            DrawBevelFrame(looks.raised, whole, l.pictureBackgroundColour, bevel, true);
            looks.pressed = looks.face.copy();
            DrawBevelFrame(looks.pressed, whole, l.pictureBackgroundColour, bevel, false);
            it = m_lookCache.insert(key, looks);
        }
        const QImage face = it->face;
        m_face[size_t(i)] = it->raised;
        m_facePressed[size_t(i)] = it->pressed;
        // Found: the face in a frame of the pair's colour.
        QImage found = face.copy();
        {
            QPainter p(&found);
            QPen pen(kPairColours[(i / 2) % 12]);
            const int w = std::max(3, s / 25);
            pen.setWidth(w);
            p.setPen(pen);
            p.drawRect(QRectF(whole).adjusted(w / 2.0, w / 2.0, -w / 2.0 - 1, -w / 2.0 - 1));
        }
        m_found[size_t(i)] = found;
    }
    // The joined look only where pairs are joined in this game.
    for (int p = 0; p < n / 2 && m_rules->joinMode() == 1; ++p) {
        QImage joined = joinedImage(p, size).convertToFormat(QImage::Format_RGB32);
        DrawBevelFrame(joined, whole, picture::LightenColour(l.pictureBackgroundColour, 60), bevel, false);
        m_joined[size_t(p)] = joined;
    }
}

void TFormMemory::FormPaint(QPainter& p)
{
    if (m_background.isNull() || m_background.size() != size())
        drawBackground();
    p.drawImage(0, 0, m_background);
    const QRect area = cardArea();
    if (showingInstruction()) {
        const TLayout& l = g().loadedList.layout;
        const int w = width() / 2, h = w * 600 / 800;
        const QRect box((width() - w) / 2, std::max(0, (area.height() - h) / 2), w, h);
        const QString file = m_rules->options().instructionVisible == 1 ? exercise::InternPicture(l.instructionPicture)
                                                                         : QString();
        if (!file.isEmpty()) {
            picture::Target t(w, h, l.backgroundColour);
            picture::DrawPictureFitted(t, file, l.backgroundColour, 100, true, false, true);
            p.drawImage(box.topLeft(), t.image);
        } else {
            p.fillRect(box, picture::toQColor(picture::LightenColour(l.backgroundColour, 70)));
            QFont font = exercise::ListFont();
            const int points = picture::FitFontSize(box.height(), box.width(), l.heading, 90, font);
            font.setPointSize(std::max(4, points));
            p.setFont(font);
            p.setPen(picture::toQColor(exercise::ListFontColour()));
            p.drawText(picture::ShrinkToPercent(box, 90), Qt::AlignCenter | (points <= 25 ? Qt::TextWordWrap : 0),
                       l.heading);
        }
        return;
    }
    if (m_mixing) {
        QFont font = exercise::ListFont(72);
        const QString line1 = QStringLiteral("    Bitte warten ...     ");
        const int room = std::min(800, width()) * 9 / 10;
        font.setPointSize(std::max(4, picture::FitFontSize(area.height() / 4, room, line1, 100, font)));
        p.setFont(font);
        p.setPen(picture::toQColor(exercise::ListFontColour()));
        const QRect upper(0, 0, width(), area.height() / 2);
        const QRect lower(0, area.height() / 2, width(), area.height() / 2);
        p.drawText(upper, Qt::AlignHCenter | Qt::AlignBottom, line1);
        p.drawText(lower, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Karten werden gemischt..."));
        return;
    }
    const int n = m_rules->cardCount();
    if (n <= 0 || m_back.isNull() || int(m_face.size()) != n)
        return;
    const int visible = m_rules->options().visible;
    const int shownUpTo = m_dealt < 0 ? n : m_dealt;
    for (int place = 0; place < shownUpTo; ++place) {
        const int idx = m_rules->cardAt(place);
        if (idx < 0)
            continue;
        const QRect r = placeRect(place);
        const Card& c = m_rules->card(idx);
        const Pair& pair = m_rules->pairs()[size_t(idx / 2)];
        const QImage* look = &m_back;
        if (c.found && pair.shownFound) {
            if (m_rules->joinMode() == 1)
                look = idx % 2 == 0 || m_joined[size_t(idx / 2)].isNull() ? nullptr : &m_joined[size_t(idx / 2)];
            else
                look = &m_found[size_t(idx)];
        } else if (m_rules->playingAllPlace() == place) {
            look = &m_facePressed[size_t(idx)];
        } else if (c.turned || c.found) {
            look = visible == 0 ? &m_backPressed : &m_facePressed[size_t(idx)];
        } else if (visible == 2) {
            look = &m_face[size_t(idx)];
        }
        if (look)
            p.drawImage(r.topLeft(), *look);
        if (place == m_rules->focus() && m_rules->state() == GameState::ChildTurn) {
            QPen pen(QColor(255, 0, 0));
            pen.setWidth(3);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(6, 6, -7, -7));
        }
    }
    for (const auto& [rect, colour] : m_motifs) {
        if (m_motifShape.isNull())
            continue;
        QImage coloured(m_motifShape.size(), QImage::Format_ARGB32);
        coloured.fill(Qt::transparent);
        for (int y = 0; y < coloured.height(); ++y)
            for (int x = 0; x < coloured.width(); ++x) {
                if (!m_motifCentre.isNull() && x < m_motifCentre.width() && y < m_motifCentre.height() &&
                    qGray(m_motifCentre.pixel(x, y)) < 128)
                    coloured.setPixel(x, y, qRgb(255, 255, 255));
                else if (qGray(m_motifShape.pixel(x, y)) < 128)
                    coloured.setPixel(x, y, colour.rgb());
            }
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(rect, coloured);
    }
}

void TFormMemory::drawMotif()
{
    m_motifs.clear();
    const QString folder = sectionValue(m_program, "PfadErfolgsmotiv");
    if (folder.isEmpty() || !fsys::dirExists(folder))
        return;
    const QStringList subs = fsys::list(folder, QStringLiteral("*"), false, fsys::Entries::Dirs);
    if (subs.isEmpty())
        return;
    const QString sub = subs[rnd::below(int(subs.size()))];
    const QString base = fsys::withSlash(folder) + sub + QLatin1Char('/') + sub;
    m_motifShape = QImage(existing(base + sectionValue(m_program, "Black")));
    m_motifCentre = QImage(existing(base + sectionValue(m_program, "BlackWhite")));
    if (m_motifShape.isNull())
        return;
    const Grid grid = GridOf(m_rules->cardCount());
    const QString tone = existing(sectionValue(m_program, "TonBlumeerscheint"));
    int k = 0;
    for (int r = 1; r < grid.rows; ++r)
        for (int c = 1; c < grid.columns; ++c) {
            if (m_closingWindow || !isVisible())
                return;
            const QRect below = placeRect(r * grid.columns + c);
            const QPoint corner(below.left() - grid.gap / 2, below.top() - grid.gap / 2);
            const int half = m_cardSize / 2;
            const QRect rect(corner.x() - half / 2, corner.y() - half / 2, half, half);
            m_motifs.emplace_back(rect, kMotifColours[k++ % 16]);
            repaint(rect);
            if (!tone.isEmpty())
                PlayWaveFile(tone, true, false);
        }
}

void TFormMemory::setupPlayerPanels()
{
    const int players = m_rules->players();
    for (int i = 0; i < 2; ++i) {
        P_spieler[i]->setVisible(players == 2);
        L_punkte[i]->setText(QString::number(m_rules->score(i)));
    }
    E_name[0]->setText(QStringLiteral("Spieler 1"));
    E_name[1]->setText(m_rules->computerPlays() ? QStringLiteral("Computer") : QStringLiteral("Spieler 2"));
    E_name[1]->setReadOnly(m_rules->computerPlays());
    ArrangeFrame();
}

void TFormMemory::refresh()
{
    const GameState s = m_rules->state();
    const bool instruction = s == GameState::Instruction;
    SB_alleHoeren->setVisible(m_listValid && !instruction && m_rules->playAllOffered() &&
                              (s == GameState::ChildTurn || s == GameState::PlayingAll));
    SB_neuesSpiel->setVisible(m_listValid && s == GameState::GameOver);
    SB_alleHoeren->setEnabled(!instruction);
    if (m_rules->players() == 2) {
        for (int i = 0; i < 2; ++i) {
            const bool active = m_rules->turn() == i;
            L_punkte[i]->setText(QString::number(m_rules->score(i)));
            QPalette panel = P_spieler[i]->palette();
            panel.setColor(QPalette::Window, active ? QColor(255, 251, 240) : picture::toQColor(kButtonFaceColour));
            P_spieler[i]->setPalette(panel);
            E_name[i]->setStyleSheet(active ? QStringLiteral("background: rgb(255,128,128); color: yellow; font-weight: bold;")
                                            : QStringLiteral("background: rgb(0,128,192); color: white;"));
            L_punkte[i]->setStyleSheet(active ? QStringLiteral("color: navy; font-weight: bold;") : QString());
        }
    }
    update();
}

// ---- options, background and closing -----------------------------------------------------------

void TFormMemory::writeFrameOptions()
{
    TOpt_Memory o = m_rules->options();
    if (m_listValid)
        o.file = fsys::toStored(MakeRelativePath(listFolderOf(m_program), listPath, false));
    o.backgroundPicture = backgroundPictureVisible;
    m_rules->setOptions(o);
    record() = o;
    WritePlayerOptions(g().currentPlayer(), m_program);
}

void TFormMemory::sb_optionenClick()
{
    if (m_rules->state() == GameState::ChildCard || showingInstruction())
        return;
    WAV1->CloseAll();
    writeFrameOptions();
    const TOpt_Memory before = m_rules->options();
    bool ok = false;
    {
        messagehook::Suspend suspend;
        ok = options::ShowOptionPage(this, m_program);
    }
    g().programCode = m_program;
    if (!ok) {
        refresh();
        return;
    }
    const TOpt_Memory now = record();
    m_rules->setOptions(now);
    m_rules->setupPlayers();
    setupPlayerPanels();
    ApplyFrameOptions(now.backgroundPicture, now.time);
    if (now.pictureCount != before.pictureCount) {
        m_listValid = m_rules->adjustCardCount();
        m_rules->startResultBlock();
        if (!m_listValid) {
            ShowMessageWindow(kInvalidList, this, false);
            refresh();
            return;
        }
        dealGame(false);
    } else if (now.textPicture != before.textPicture || now.backgroundPicture != before.backgroundPicture) {
        m_rules->startResultBlock();
        drawBackground();
        buildLooks();
        m_rules->startRow();
        showCardsAgain();
    } else if (now.cardBackVisible != before.cardBackVisible) {
        buildLooks();
        m_rules->startRow();
        showCardsAgain();
    }
    refresh();
}

void TFormMemory::Chb_hintergrundbildClick()
{
    TOpt_Memory o = m_rules->options();
    o.backgroundPicture = Chb_hintergrundbild->isChecked();
    backgroundPictureVisible = o.backgroundPicture;
    m_rules->setOptions(o);
    m_rules->startResultBlock();
    drawBackground();
    if (!showingInstruction() && m_listValid && m_rules->cardCount() > 0) {
        buildLooks();
        m_rules->startRow();
        showCardsAgain();
    }
    update();
}

void TFormMemory::FormClose()
{
    m_closingWindow = true;
    m_dealPending = false;
    m_rules->abort();
    writeFrameOptions();
    m_background = m_back = m_backPressed = QImage();
    m_backKey.clear();
    m_lookCache.clear();
    m_face.clear();
    m_facePressed.clear();
    m_found.clear();
    m_joined.clear();
    TFormFormAlle::FormClose();
}
