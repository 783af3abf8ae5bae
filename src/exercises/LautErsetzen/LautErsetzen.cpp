#include "exercises/LautErsetzen/LautErsetzen.h"

#include "exercises/LautAdd/LautAddRules.h"
#include "exercises/common/FolderTab.h"
#include "exercises/common/LautButtons.h"
#include "exercises/common/ListLook.h"
#include "exercises/common/TaskSounds.h"

#include "chooser/Listenreader.h"
#include "chooser/TaskOrder.h"
#include "core/Catalogue.h"
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
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <functional>

using namespace lautreplace;
using picture::Colour;

namespace {

constexpr int kReplace = 405;

Colour panelColour() { return g().loadedList.layout.pictureBackgroundColour; }
QColor fontColour() { return picture::toQColor(exercise::ListFontColour()); }
QColor markColour() { return picture::toQColor(g().loadedList.layout.letterMarkColour); }

QImage pictureOf(QSize size, const QString& name)
{
    if (size.isEmpty())
        return QImage();
    picture::Target t(size.width(), size.height(), panelColour());
    const int percent = g().loadedList.layout.pictureSize > 0 ? g().loadedList.layout.pictureSize : 100;
    picture::DrawPictureOrName(t, name, panelColour(), percent);
    return picture::ShownImage(t);
}

struct Segment {
    QString text;
    QColor colour;
};

// Text segments side by side, vertically centred in `box`, starting at `x`; where the glyphs went is
// added to `drawn`.
void drawSegments(QPainter& p, const QFont& font, int x, const QRect& box, const std::vector<Segment>& parts,
                  std::vector<QRect>& drawn)
{
    p.setFont(font);
    const QFontMetrics fm(font);
    const int baseline = box.top() + (box.height() + fm.ascent() - fm.descent()) / 2;
    for (const Segment& s : parts) {
        if (s.text.isEmpty())
            continue;
        p.setPen(s.colour);
        p.drawText(x, baseline, s.text);
        const QRect ink = fm.boundingRect(s.text).translated(x, baseline);
        const QRect line(x, baseline - fm.ascent(), fm.horizontalAdvance(s.text), fm.height());
        drawn.push_back(ink.united(line).adjusted(-4, -4, 4, 4));
        x += fm.horizontalAdvance(s.text);
    }
}

} // namespace

TFormLautReplace::TFormLautReplace(const QString& listPath, QWidget* parent)
    : TFormLautReplace(kReplace, LautReplaceRules::Kind::Replace, listPath, parent)
{
}

TFormLautReplace::TFormLautReplace(int programCode, LautReplaceRules::Kind kind, const QString& listPath,
                                   QWidget* parent)
    : TFormFormAlle(programCode, listPath, parent), m_rules(std::make_unique<LautReplaceRules>(*WAV1, kind))
{
    setObjectName(kind == LautReplaceRules::Kind::Replace ? QStringLiteral("FormLautReplace")
                                                          : QStringLiteral("FormLautAdd"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);

    Sb_hilfe = new QPushButton(QStringLiteral("Hilfe"), P_Leiste);
    Sb_hilfe->setObjectName(QStringLiteral("Sb_hilfe"));
    Sb_hilfe->setCheckable(true);
    Sb_hilfe->setEnabled(false);
    connect(Sb_hilfe, &QPushButton::clicked, this, [this](bool down) {
        m_rules->setHelp(down);
        refresh();
    });
    sb_fertig = new QPushButton(P_Leiste);
    sb_fertig->setObjectName(QStringLiteral("sb_fertig"));
    sb_fertig->setToolTip(QStringLiteral("FERTIG!"));
    sb_fertig->hide();
    connect(sb_fertig, &QPushButton::clicked, this, [this] { fertigClick(); });
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
    for (QPushButton* b : {Sb_hilfe, sb_fertig, SB_weiter, SB_Ton})
        b->setFocusPolicy(Qt::NoFocus);

    GB_darstellung = new QGroupBox(QStringLiteral("Darstellung:"), P_Leiste);
    GB_darstellung->setObjectName(QStringLiteral("GB_darstellung"));
    Chb_Lautknopf = new QCheckBox(QStringLiteral("Lautknopf"), GB_darstellung);
    Chb_Lautknopf->setObjectName(QStringLiteral("Chb_Lautknopf"));
    Chb_Mundbild = new QCheckBox(QStringLiteral("Mundbild"), GB_darstellung);
    Chb_Mundbild->setObjectName(QStringLiteral("Chb_Mundbild"));
    for (QCheckBox* c : {Chb_Lautknopf, Chb_Mundbild})
        c->setFocusPolicy(Qt::NoFocus);
    connect(Chb_Lautknopf, &QCheckBox::clicked, this, [this] { darstellungClick(true); });
    connect(Chb_Mundbild, &QCheckBox::clicked, this, [this] { darstellungClick(false); });

    const QStringList captions = kind == LautReplaceRules::Kind::Replace
                                     ? QStringList{QStringLiteral("   Anlaut "), QStringLiteral("  Inlaut "),
                                                   QStringLiteral(" Auslaut ")}
                                     : QStringList{QStringLiteral("     Anlaut   "), QStringLiteral("     Auslaut      ")};
    const char* names3[3] = {"TB_Anlaut", "TB_Inlaut", "TB_Auslaut"};
    const char* names2[2] = {"TB_Anlaut", "TB_Auslaut"};
    for (int i = 0; i < captions.size(); ++i) {
        auto* b = exercise::MakeFolderTab(this, captions.size() == 3 ? names3[i] : names2[i], captions[i]);
        connect(b, &QPushButton::clicked, this, [this, i] { folderTabClick(i); });
        tabs.push_back(b);
    }

    m_revealTimer = new QTimer(this);
    m_revealTimer->setInterval(50);
    connect(m_revealTimer, &QTimer::timeout, this, [this] { revealTick(); });
    m_glideTimer = new QTimer(this);
    m_glideTimer->setInterval(1);
    connect(m_glideTimer, &QTimer::timeout, this, [this] { glideTick(); });
}

TFormLautReplace::~TFormLautReplace() = default;

TOpt_LautAdd& TFormLautReplace::opts() const
{
    return isAdd() ? g().playerOptions.lautAdd : g().playerOptions.lautReplace;
}

const ProgramSection& TFormLautReplace::section() const
{
    return g().config.programSection(isAdd() ? QStringLiteral("ProgLautAdd") : QStringLiteral("ProgLautReplace"));
}

QString TFormLautReplace::listFolder() const { return fsys::withSlash(catalogue::listFolder(programCode)); }

QString TFormLautReplace::relativeList() const
{
    return fsys::toStored(MakeRelativePath(listFolder(), listPath, false));
}

Position TFormLautReplace::positionOfList() const
{
    return isAdd() ? AddPositionOf(relativeList()) : ReplacePositionOf(relativeList());
}

// ---- opening ------------------------------------------------------------------------------------

void TFormLautReplace::FormActivate()
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

bool TFormLautReplace::prepareList(bool keepStart)
{
    m_revealTimer->stop();
    m_glideTimer->stop();
    m_dissolve.stop();
    m_dragging = false;
    const int start = keepStart && chooser::startPosition() >= 1 ? chooser::startPosition() : 0;
    m_listValid = m_rules->prepareList(relativeList(), positionOfList(), start);
    L_Aufgaben->setText((isAdd() ? QStringLiteral(" Aufgaben: ") : QStringLiteral("Aufgaben: ")) +
                        QString::number(m_rules->taskCount()));
    if (!m_listValid) {
        dialogs::showMessage(this, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
        return false;
    }
    applyOptions();
    drawBackground();
    taskStates.assign(size_t(m_rules->taskCount()), TaskState{});
    currentTask = m_rules->position();
    BuildTaskStrip();
    showTask();
    return true;
}

void TFormLautReplace::applyOptions()
{
    TOpt_LautAdd& o = opts();
    ApplyFrameOptions(o.backgroundPicture, 0);
    if (o.atOnce)
        o.soundButton = true;
    if (!o.soundButton && !o.mouthPicture)
        o.soundButton = true;
    {
        const QSignalBlocker b1(Chb_Lautknopf), b2(Chb_Mundbild);
        Chb_Lautknopf->setChecked(o.soundButton);
        Chb_Mundbild->setChecked(o.mouthPicture);
    }
    Chb_Lautknopf->setEnabled(!o.atOnce);
    Sb_hilfe->setVisible(!isAdd() && !o.withText);
    SB_Ton->setVisible(exercise::ListHasHeadingSound());
    showFolderTab();
}

void TFormLautReplace::showFolderTab()
{
    const Position p = positionOfList();
    m_rules->setPositionMode(p);
    const int index = isAdd() ? (p == Position::Anlaut ? 0 : 1) : int(p);
    for (int i = 0; i < int(tabs.size()); ++i)
        tabs[size_t(i)]->setChecked(i == index);
}

// ---- layout and drawing -------------------------------------------------------------------------

void TFormLautReplace::ArrangeFrame()
{
    TFormFormAlle::ArrangeFrame();
    if (!SB_weiter)
        return;
    const int barH = P_Leiste->height();
    const QFont font = Chb_hintergrundbild->font();
    const QFontMetrics fm(font);
    GB_darstellung->setFont(font);
    for (QCheckBox* c : {Chb_Lautknopf, Chb_Mundbild})
        c->setFont(font);
    const int gbW = std::max({fm.horizontalAdvance(QStringLiteral("Lautknopf")), fm.horizontalAdvance(QStringLiteral("Mundbild")),
                              fm.horizontalAdvance(QStringLiteral("Darstellung:"))}) + 40;
    BarLayout bar;
    if (!isAdd())
        bar.left.push_back({Sb_hilfe, std::max(40, Sb_hilfe->sizeHint().width() + 8)});
    bar.left.push_back({GB_darstellung, gbW});
    bar.besideListen = SB_Ton;
    bar.inPlaceOfListen = {sb_fertig, SB_weiter};
    bar.folderTabs.assign(tabs.begin(), tabs.end());
    ArrangeBottomBar(bar);
    const int line = std::max(fm.height() + 2, (barH - fm.height()) / 2 - 2);
    Chb_Lautknopf->setGeometry(6, fm.height() + 2, gbW - 8, line);
    Chb_Mundbild->setGeometry(6, fm.height() + 2 + line, gbW - 8, line);
    SB_Ton->setIconSize(QSize(SB_Ton->height() * 2 / 3, SB_Ton->height() * 2 / 3));
    // Dark captions: white would vanish on the light faces.
    SkinButton(SB_weiter, g().config.symbolWeiter, QStringLiteral("Weiter"), 2, 1, 0, 2);
    SkinButton(sb_fertig, g().config.symbolPruefen, QStringLiteral("Prüfen"), 2, 1, 0, 2);
    for (QPushButton* tab : tabs)
        tab->setVisible(!P_Leiste->isHidden());
    if (m_listValid) {
        drawBackground();
        layoutArea();
        drawPictures();
    }
}

void TFormLautReplace::drawBackground()
{
    m_background = exercise::WindowBackground(size(), backgroundPictureVisible);
    m_faceCache.clear();
    m_pictureCache.clear();
    m_mouthFiles.clear();
}

bool TFormLautReplace::stripsShown() const
{
    // Pictures only: "mit Bild" on, "mit Text" and "TextbeiErfolg" off ("Laute hinzufügen").
    return !(isAdd() && opts().withPicture && !opts().withText && !opts().textOnSuccess);
}

bool TFormLautReplace::wordsVisible() const
{
    const TOpt_LautAdd& o = opts();
    if (m_rules->state() == AnswerState::Solved || o.withText)
        return true;
    if (isAdd())
        return !o.textOnSuccess && !o.withPicture;
    return m_rules->helpDown;
}

bool TFormLautReplace::headingShown() const
{
    if (isAdd() && opts().withPicture)
        return false;
    const int visible = opts().headingVisible;
    return !g().loadedList.layout.heading.trimmed().isEmpty() && (visible >= 4 || m_rules->tasksBegun() < visible);
}

void TFormLautReplace::layoutArea()
{
    const QRect area = playArea();
    const int H = area.height();
    const int W = width();
    m_buttonPoints = 0;
    // Faces keep while the sounds stay; a new task's sounds bring their own.
    if (m_faceCache.size() > 200)
        m_faceCache.clear();
    int gp = 50;
    int a = (H - 6 * gp) / 5;
    while (gp - 1 >= (H - 6 * (gp - 1)) / 5 / 10 && gp - 1 > 12) {
        --gp;
        a = (H - 6 * gp) / 5;
    }
    a = std::max(20, a);
    m_a = a;
    const TaskWords& words = m_rules->words();
    const int n = int(words.offered.size());
    const bool anlaut = m_rules->positionMode() == Position::Anlaut;
    const int mid = area.left() + W / 2;
    const int buttonLeft = anlaut ? mid - gp - a - a / 2 : mid + gp + a / 2;
    const int mouthLeft = anlaut ? buttonLeft - (a + 20) : buttonLeft + a + 20;
    const int top = area.top() + (H - n * a - (n + 1) * gp) / 2;
    m_slots.clear();
    m_mouthSlots.clear();
    for (int i = 0; i < n; ++i) {
        const int y = top + i * a + (i + 1) * gp;
        m_slots.emplace_back(buttonLeft, y, a, a);
        m_mouthSlots.emplace_back(mouthLeft, y, a, a);
    }
    // The two cards, one above the other, beside the buttons.
    const int avail = anlaut ? area.right() - (mid + a / 2) - 10 : (mid - a / 2) - area.left() - 10;
    int cw = W / 3, ch = a, pictureH = 0, stripH = 0;
    if (opts().withPicture) {
        ch = H / 2;
        for (;;) {
            const int inner = ch - 22;
            pictureH = stripsShown() ? inner * 3 / 4 : inner;
            stripH = inner - pictureH;
            cw = pictureH * 4 / 3 + 22;
            if (cw <= avail || ch <= 100)
                break;
            ch -= 50;
        }
    } else {
        stripH = ch - 22;
    }
    const int cardLeft = anlaut ? mid + a / 2 : mid - a / 2 - cw;
    const int cardTop = area.top() + (H - 2 * ch) / 2;
    m_card[0] = QRect(cardLeft, cardTop, cw, ch);
    m_card[1] = QRect(cardLeft, cardTop + ch, cw, ch);
    const int iw = cw - 22;
    m_picture[0] = QRect(cardLeft + 11, cardTop + 11, iw, pictureH);
    m_strip[0] = QRect(cardLeft + 11, cardTop + 11 + pictureH, iw, stripH);
    m_strip[1] = QRect(cardLeft + 11, cardTop + ch + 11, iw, stripH);
    m_picture[1] = QRect(cardLeft + 11, cardTop + ch + 11 + stripH, iw, pictureH);
    // One font size for the buttons and the cards.
    QString widest;
    const QFont big = exercise::ListFont(200);
    const QFontMetrics bm(big);
    for (const QString& s : words.offered)
        if (bm.horizontalAdvance(ShownSound(s)) > bm.horizontalAdvance(widest))
            widest = ShownSound(s);
    const int buttonPoints = widest.isEmpty() ? 20 : picture::FitFontSize(a - 22, a - 22, widest, 90, big);
    const QString longest = bm.horizontalAdvance(words.firstWord) > bm.horizontalAdvance(words.secondWord + QStringLiteral("  "))
                                ? words.firstWord
                                : words.secondWord + QStringLiteral("  ");
    const int stripPoints = stripH > 4 && !longest.isEmpty() ? picture::FitFontSize(stripH, iw, longest, 90, big) : buttonPoints;
    m_points = std::max(6, std::min(buttonPoints, stripPoints));
    const QFontMetrics fm(exercise::ListFont(m_points));
    m_gapWidth = isAdd() ? std::min(a - 22, iw / 3) : fm.horizontalAdvance(widest + QLatin1Char(' '));
    const int total = fm.horizontalAdvance(words.before) + m_gapWidth + fm.horizontalAdvance(words.after);
    const int x0 = m_strip[1].left() + (m_strip[1].width() - total) / 2;
    m_gap = QRect(x0 + fm.horizontalAdvance(words.before), m_strip[1].top(), m_gapWidth, m_strip[1].height());
}

void TFormLautReplace::drawPictures()
{
    if (m_pictureCache.size() > 40)
        m_pictureCache.clear();
    const int percent = g().loadedList.layout.pictureSize;
    auto picture = [&](const QSize& size, const QString& name) {
        return cachedPicture(QStringLiteral("P%1x%2|%3|%4|%5").arg(size.width()).arg(size.height()).arg(percent).arg(panelColour()).arg(name),
                             [&] { return pictureOf(size, name); });
    };
    m_firstPicture = picture(m_picture[0].size(), m_rules->first().picture);
    m_secondPicture = picture(m_picture[1].size(), m_rules->second().picture);
    m_cardBack = QImage();
    if (!m_picture[1].isEmpty()) {
        const QSize size = m_picture[1].size();
        m_cardBack = cachedPicture(QStringLiteral("B%1x%2|%3|%4").arg(size.width()).arg(size.height()).arg(panelColour()).arg(g().loadedList.layout.buttonColour), [&] {
            picture::Target t(size.width(), size.height(), panelColour());
            const QString back = exercise::CardBackPicture();
            if (!back.isEmpty())
                picture::DrawPictureFitted(t, back, panelColour(), 100, true, true, true);
            else
                t.image.fill(picture::toQColor(picture::LightenColour(g().loadedList.layout.buttonColour, 0)));
            return picture::ShownImage(t);
        });
    }
}

int TFormLautReplace::slotOf(int entry) const
{
    const std::vector<int>& order = m_rules->shownOrder();
    for (int i = 0; i < int(order.size()); ++i)
        if (order[size_t(i)] == entry)
            return i;
    return -1;
}

QRect TFormLautReplace::buttonRect(int entry) const
{
    const int s = slotOf(entry);
    return s >= 0 && s < int(m_slots.size()) ? m_slots[size_t(s)] : QRect();
}

QRect TFormLautReplace::mouthRect(int entry) const
{
    const int s = slotOf(entry);
    return s >= 0 && s < int(m_mouthSlots.size()) ? m_mouthSlots[size_t(s)] : QRect();
}

int TFormLautReplace::entryAt(const QPoint& pos, bool mouth) const
{
    const std::vector<QRect>& rects = mouth ? m_mouthSlots : m_slots;
    const std::vector<int>& order = m_rules->shownOrder();
    for (int i = 0; i < int(rects.size()) && i < int(order.size()); ++i) {
        QRect r = rects[size_t(i)];
        if (!mouth && !opts().soundButton)
            r = exercise::LautRoundCell(r);
        if (r.contains(pos))
            return order[size_t(i)];
    }
    return -1;
}

void TFormLautReplace::FormPaint(QPainter& p)
{
    // The window paints all of itself (opaque paint): no background fill by Qt underneath.
    if (m_background.isNull() || m_background.size() != size())
        p.fillRect(rect(), palette().brush(backgroundRole()));
    if (m_background.isNull())
        return;
    if (!m_listValid) {
        p.drawImage(0, 0, m_background);
        return;
    }
    compose();
    // One image to the screen: each drawing onto the window's clipped region costs a round of the
    // drawing threads.
    p.drawImage(0, 0, m_buffer);
}

void TFormLautReplace::compose()
{
    // The heading's box follows the number of sounds offered: it is drawn with the cards, beside them.
    QString key = QStringLiteral("%1|%2").arg(m_background.cacheKey()).arg(panelColour());
    for (const QRect& r : m_card)
        key += QStringLiteral("|%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    if (key != m_tableKey || m_table.size() != m_background.size()) {
        m_table = m_background.copy();
        QPainter t(&m_table);
        for (const QRect& r : m_card) {
            if (r.isEmpty())
                continue;
            t.drawImage(r.topLeft(), cachedFace(QStringLiteral("C%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()), [&] {
                QImage image = m_background.copy(r);
                const Colour light = picture::LightenColour(panelColour(), 30);
                DrawCardFrame(image, QRect(0, 0, r.width(), r.height()), 10, &m_background, r, 0, false, true, light);
                QPainter q(&image);
                q.fillRect(QRect(11, 11, r.width() - 22, r.height() - 22), picture::toQColor(panelColour()));
                return image;
            }));
        }
        m_tableKey = key;
    }
    {
        QPainter b;
        if (m_buffer.size() != m_table.size() || m_buffer.format() != m_table.format() || m_bufferTableKey != m_tableKey) {
            m_buffer = m_table.copy();
            b.begin(&m_buffer);
        } else {
            b.begin(&m_buffer);
            b.setCompositionMode(QPainter::CompositionMode_Source);
            for (const QRect& r : m_drawn)
                b.drawImage(r.topLeft(), m_table, r);
            b.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        m_bufferTableKey = m_tableKey;
        m_drawn.clear();
        // The cards' insides lie on their frames: put back whole.
        for (const QRect& r : m_card)
            m_drawn.push_back(r);
        drawHeading(b);
        drawCard(b, 1);
        drawCard(b, 2);
        drawButtons(b);
        drawHeld(b);
    }
    // A pixel of slack around everything drawn over the table.
    for (QRect& r : m_drawn)
        r = r.adjusted(-1, -1, 1, 1) & m_buffer.rect();
    m_drawn.erase(std::remove_if(m_drawn.begin(), m_drawn.end(), [](const QRect& r) { return r.isEmpty(); }), m_drawn.end());
}

void TFormLautReplace::drawHeld(QPainter& p)
{
    if ((m_dragging || m_glideTimer->isActive()) && m_rules->picked() >= 0) {
        const QString letters = ShownSound(m_rules->words().offered.value(m_rules->picked()));
        const QFont font = exercise::ListFont(m_points);
        const QFontMetrics fm(font);
        const QPoint at = m_glideTimer->isActive() ? m_glidePos
                                                   : m_dragPos - QPoint(fm.horizontalAdvance(letters) / 2, m_gap.height() / 2);
        drawSegments(p, font, at.x(), QRect(at, QSize(fm.horizontalAdvance(letters), m_gap.height())),
                     {{letters, markColour()}}, m_drawn);
    }
}

QRect TFormLautReplace::headingBox() const
{
    const QRect area = playArea();
    const bool anlaut = m_rules->positionMode() == Position::Anlaut;
    const QRect free = anlaut ? QRect(area.left(), area.top(), m_card[0].left() - area.left(), m_card[0].height())
                              : QRect(m_card[0].right() + 1, area.top(), area.right() - m_card[0].right(), m_card[0].height());
    // Above the button column, so the buttons never cover it.
    const int buttonsTop = m_slots.empty() ? area.top() + stripSize * 2 : m_slots.front().top();
    const int height = std::max(10, std::min(stripSize, buttonsTop - area.top() - 12));
    return QRect(free.left() + 10, area.top() + 6, std::max(10, std::min(free.width() - 20, area.width() / 2)), height);
}

void TFormLautReplace::drawHeading(QPainter& p)
{
    if (!headingShown())
        return;
    const QRect box = headingBox();
    const QString text = g().loadedList.layout.heading;
    QFont font = exercise::ListFont(200);
    const QString key = QStringLiteral("%1 %2 %3 %4|%5|%6").arg(box.x()).arg(box.y()).arg(box.width()).arg(box.height()).arg(font.toString(), text);
    if (key != m_headingKey) {
        m_headingPoints = std::max(1, picture::FitFontSize(box.height(), box.width(), text, 90, font));
        m_headingKey = key;
    }
    font.setPointSize(m_headingPoints);
    p.setFont(font);
    p.setPen(fontColour());
    p.drawText(box, Qt::AlignCenter, text);
    m_drawn.push_back(box.united(QFontMetrics(font).boundingRect(box, Qt::AlignCenter, text)).adjusted(-4, -4, 4, 4));
}

void TFormLautReplace::drawCard(QPainter& p, int card)
{
    // The frame is on the table.
    const QRect r = m_card[card - 1];
    if (r.isEmpty())
        return;
    if (opts().withPicture) {
        const QRect pic = m_picture[card - 1];
        const QImage* shown = card == 1 ? &m_firstPicture
                                        : m_revealTimer->isActive() ? &m_revealCanvas
                                          : m_rules->state() == AnswerState::Solved ? &m_secondPicture
                                                                                     : &m_cardBack;
        if (!shown->isNull()) {
            p.drawImage(pic.topLeft(), *shown);
            m_drawn.push_back(QRect(pic.topLeft(), shown->size()));
        }
        if (stripsShown()) {
            p.setPen(QPen(fontColour(), 1));
            const QRect s = m_strip[card - 1];
            p.drawLine(s.left(), card == 1 ? s.top() : s.bottom(), s.right(), card == 1 ? s.top() : s.bottom());
        }
    }
    if (stripsShown())
        drawStrip(p, m_strip[card - 1], card);
}

void TFormLautReplace::drawStrip(QPainter& p, const QRect& strip, int card)
{
    const TaskWords& w = m_rules->words();
    const QFont font = exercise::ListFont(m_points);
    const QFontMetrics fm(font);
    const bool solved = m_rules->state() == AnswerState::Solved;
    const bool visible = wordsVisible();
    if (card == 1) {
        if (!visible)
            return;
        const QString word = w.firstWord;
        const QColor mark = !isAdd() && opts().showMarks ? markColour() : fontColour();
        const int x = strip.left() + (strip.width() - fm.horizontalAdvance(word)) / 2;
        const int k = w.firstMarkStart, d = w.firstMarkLength;
        drawSegments(p, font, x, strip,
                     {{word.left(k), fontColour()}, {word.mid(k, d), d > 0 ? mark : fontColour()}, {word.mid(k + d), fontColour()}}, m_drawn);
        return;
    }
    // Card 2, solved: the new word whole and centred, its new letters marked; the gap is gone.
    QColor gapColour = markColour();
    if (solved && visible) {
        if (!isAdd() && !opts().showMarks)
            gapColour = fontColour();
        const QString word = w.secondWord;
        const int k = w.secondMarkStart, d = w.secondMarkLength;
        const int x = strip.left() + (strip.width() - fm.horizontalAdvance(word)) / 2;
        drawSegments(p, font, x, strip,
                     {{word.left(k), fontColour()}, {word.mid(k, d), d > 0 ? gapColour : fontColour()},
                      {word.mid(k + d), fontColour()}},
                     m_drawn);
        return;
    }
    // Card 2: the word around the gap.
    QString inGap;
    if (solved)
        inGap = w.secondWord.mid(w.secondMarkStart, w.secondMarkLength);
    else if (m_rules->placed() >= 0)
        inGap = ShownSound(w.offered.value(m_rules->placed()));
    if (visible) {
        drawSegments(p, font, m_gap.left() - fm.horizontalAdvance(w.before), strip, {{w.before, fontColour()}}, m_drawn);
        drawSegments(p, font, m_gap.right() + 1, strip, {{w.after, fontColour()}}, m_drawn);
    }
    if (inGap.isEmpty()) {
        if (isAdd()) {
            // The "?" waits in the gap, lighter while a sound is held.
            QColor c = fontColour();
            if (m_dragging || m_glideTimer->isActive())
                c = c.lighter(300);
            drawSegments(p, font, m_gap.left() + (m_gap.width() - fm.horizontalAdvance(QStringLiteral("?"))) / 2, strip,
                         {{QStringLiteral("?"), c}}, m_drawn);
        } else if (m_rules->positionMode() == Position::Inlaut && opts().withText) {
            const int inset = std::max(1, m_gap.width() / 15);
            p.setPen(QPen(fontColour(), 1));
            p.drawRect(m_gap.adjusted(inset, inset, -inset, -inset));
        }
        return;
    }
    const int tw = fm.horizontalAdvance(inGap);
    const bool anlaut = m_rules->positionMode() == Position::Anlaut;
    const int x = anlaut ? m_gap.right() + 1 - tw
                  : m_rules->positionMode() == Position::Auslaut ? m_gap.left() : m_gap.left() + (m_gap.width() - tw) / 2;
    if (solved && !isAdd() && !opts().showMarks)
        gapColour = fontColour();
    drawSegments(p, font, x, strip, {{inGap, gapColour}}, m_drawn);
}

QImage TFormLautReplace::cachedPicture(const QString& key, const std::function<QImage()>& draw)
{
    auto it = m_pictureCache.find(key);
    if (it == m_pictureCache.end())
        it = m_pictureCache.insert(key, draw());
    return *it;
}

QString TFormLautReplace::mouthFile(const QString& sound, int face)
{
    const QString key = QStringLiteral("M|") + sound + QLatin1Char('|') + QString::number(face);
    auto it = m_mouthFiles.find(key);
    if (it == m_mouthFiles.end())
        it = m_mouthFiles.insert(key, exercise::LautMouthFile(sound, face, QStringLiteral(".jpg")));
    return *it;
}

QImage TFormLautReplace::cachedFace(const QString& key, const std::function<QImage()>& draw)
{
    auto it = m_faceCache.find(key);
    if (it == m_faceCache.end())
        it = m_faceCache.insert(key, draw());
    return *it;
}

void TFormLautReplace::drawButtons(QPainter& p)
{
    const TaskWords& w = m_rules->words();
    const std::vector<int>& order = m_rules->shownOrder();
    const TOpt_LautAdd& o = opts();
    QStringList shown;
    for (const QString& s : w.offered)
        shown << ShownSound(s);
    if (m_buttonPoints <= 0)
        m_buttonPoints = picture::FitFontSize(m_a - 22, m_a - 22,
                                              shown.isEmpty() ? QStringLiteral("M") : *std::max_element(shown.begin(), shown.end(),
                                                  [](const QString& x, const QString& y) { return x.size() < y.size(); }),
                                              95, exercise::ListFont(200));
    const int points = m_buttonPoints;
    // Looked up once per layout like the mouth files.
    auto intern = [this](const QString& name) {
        auto it = m_mouthFiles.find(QStringLiteral("I|") + name);
        if (it == m_mouthFiles.end())
            it = m_mouthFiles.insert(QStringLiteral("I|") + name, exercise::InternPicture(name));
        return *it;
    };
    const QString marker = intern(section().value(QStringLiteral("Markerbild")));
    const QString keyboard = intern(g().config.programSection(QStringLiteral("ProgWortreihe")).value(QStringLiteral("TastaturMarkerbild")));
    const QString ton = intern(section().value(QStringLiteral("TonBild")));
    for (int i = 0; i < int(order.size()) && i < int(m_slots.size()); ++i) {
        const int entry = order[size_t(i)];
        const QString sound = w.offered.value(entry);
        const bool chosen = m_rules->picked() == entry || m_rules->placed() == entry;
        const QRect cell = m_slots[size_t(i)];
        if (o.soundButton) {
            const QString key = QStringLiteral("L%1|%2|%3|%4").arg(sound).arg(chosen).arg(cell.width()).arg(
                backgroundPictureVisible ? QStringLiteral("%1,%2").arg(cell.x()).arg(cell.y()) : QString());
            const QImage face = cachedFace(key, [&] {
                return exercise::LautLetterFace(cell, ShownSound(sound), std::max(1, points), chosen, &m_background);
            });
            p.drawImage(cell.topLeft(), face);
            m_drawn.push_back(QRect(cell.topLeft(), face.size()));
        } else {
            const QRect round = exercise::LautRoundCell(cell);
            const int face = chosen ? 1 : (o.atOnce && m_rules->focus() == entry ? 2 : 0);
            const QImage image = cachedFace(QStringLiteral("R%1|%2").arg(face).arg(round.width()), [&] {
                return exercise::LautRoundFace(round.width(), face, g().loadedList.layout.buttonColour, marker, keyboard);
            });
            p.drawImage(round.topLeft(), image);
            m_drawn.push_back(QRect(round.topLeft(), image.size()));
        }
        if (o.atOnce && m_rules->focus() == entry) {
            p.setPen(QPen(Qt::red, 3));
            p.drawRect(cell.adjusted(6, 6, -6, -6));
            m_drawn.push_back(cell.adjusted(3, 3, -3, -3));
        }
        if (o.mouthPicture && i < int(m_mouthSlots.size())) {
            const QRect mcell = m_mouthSlots[size_t(i)];
            const QString ms = mouthFile(sound, 2).isEmpty() ? ShownSound(sound) : sound;
            const int face = m_mouthPressed == entry ? 1 : 0;
            // Keyed by the file drawn: every sound's face 0 is the same picture.
            const QString file = mouthFile(ms, 2).isEmpty() ? ton : mouthFile(ms, face);
            const QString key = QStringLiteral("M%1|%2|%3").arg(file).arg(mcell.width()).arg(
                backgroundPictureVisible ? QStringLiteral("%1,%2").arg(mcell.x()).arg(mcell.y()) : QString());
            const QImage image = cachedFace(key, [&] {
                return exercise::LautMouthFace(mcell, ms, face, QStringLiteral(".jpg"), ton, &m_background);
            });
            p.drawImage(mcell.topLeft(), image);
            m_drawn.push_back(QRect(mcell.topLeft(), image.size()));
        }
    }
}

QImage TFormLautReplace::screenshot()
{
    QImage image(size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    FormPaint(p);
    return image;
}

// ---- the flow of a task -------------------------------------------------------------------------

void TFormLautReplace::showTask()
{
    m_revealTimer->stop();
    m_glideTimer->stop();
    m_dissolve.stop();
    m_dragging = false;
    m_mouthPressed = -1;
    if (!m_rules->words().valid)
        ShowMessageWindow(QStringLiteral("Die Aufgabe ist unvollständig! Bitte wählen Sie eine andere Aufgabe."), this, false);
    layoutArea();
    drawPictures();
    m_stripDirty = true;
    refresh();
}

void TFormLautReplace::refresh()
{
    LautReplaceRules& r = *m_rules;
    if (r.revealRequested) {
        r.revealRequested = false;
        m_revealCanvas = m_cardBack.isNull() ? m_secondPicture : m_cardBack.copy();
        if (m_revealCanvas.isNull()) {
            r.weiterEnabled = true;
        } else {
            m_dissolve.start(m_picture[1].size());
            m_revealTimer->start();
        }
    }
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
    const bool solved = r.state() == AnswerState::Solved;
    SB_weiter->setVisible(solved);
    SB_weiter->setEnabled(r.weiterEnabled);
    const bool placedPhase = r.state() == AnswerState::Placed || r.state() == AnswerState::HearingPlaced;
    const bool fertigShown = !solved && !opts().atOnce && r.fertigEnabled && placedPhase;
    sb_fertig->setVisible(fertigShown);
    sb_fertig->setEnabled(fertigShown);
    P_hoeren->setVisible(!solved && !fertigShown);
    SB_hoeren->setEnabled(r.listenEnabled);
    SB_Ton->setEnabled(!solved);
    if (solved)
        SB_weiter->raise();
    else if (fertigShown)
        sb_fertig->raise();
    {
        const QSignalBlocker block(Sb_hilfe);
        Sb_hilfe->setChecked(r.helpDown);
    }
    Sb_hilfe->setEnabled(r.hilfeEnabled);
    if (!isAdd() && solved)
        L_Aufgaben->setText(QStringLiteral("Aufgaben: ") + QString::number(r.taskCount()) +
                            QStringLiteral(" - bearbeitet: ") + QString::number(exercise::LautRunRows()));
    else if (isAdd() && solved)
        L_Aufgaben->setText(QStringLiteral("Aufgaben: ") + QString::number(r.taskCount()));
    update();
}

void TFormLautReplace::revealTick()
{
    if (m_dissolve.running() && m_dissolve.step(m_revealCanvas, QPoint(0, 0), m_secondPicture) && m_dissolve.running()) {
        update(m_picture[1]);
        return;
    }
    m_revealTimer->stop();
    m_dissolve.stop();
    m_rules->weiterEnabled = true;
    refresh();
}

bool TFormLautReplace::revealing() const { return m_revealTimer->isActive(); }

void TFormLautReplace::finishReveal()
{
    while (m_revealTimer->isActive())
        revealTick();
}

bool TFormLautReplace::gliding() const { return m_glideTimer->isActive(); }

void TFormLautReplace::finishGlide()
{
    while (m_glideTimer->isActive())
        glideTick();
}

void TFormLautReplace::glideTick()
{
    const QFontMetrics fm(exercise::ListFont(m_points));
    const int w = fm.horizontalAdvance(ShownSound(m_rules->words().offered.value(m_rules->picked())));
    const QRect target = m_card[1];
    const bool anlaut = m_rules->positionMode() == Position::Anlaut;
    bool xDone = anlaut ? m_glidePos.x() >= target.left() : m_glidePos.x() + w <= target.right();
    if (!xDone)
        m_glidePos.rx() += anlaut ? 2 : -2;
    const int dy = target.top() - m_glidePos.y();
    const bool yDone = std::abs(dy) <= 2;
    m_glidePos.ry() = yDone ? target.top() : m_glidePos.y() + (dy > 0 ? 2 : -2);
    if (xDone && yDone) {
        m_glideTimer->stop();
        placeNow();
        return;
    }
    update();
}

void TFormLautReplace::placeNow()
{
    m_dragging = false;
    unsetCursor();
    afterOutcome(m_rules->place());
}

void TFormLautReplace::listenClick()
{
    if (!m_listValid)
        return;
    m_rules->listen();
    refresh();
}

void TFormLautReplace::SB_hoerenClick() { listenClick(); }

void TFormLautReplace::afterOutcome(LautReplaceRules::Outcome outcome)
{
    if (outcome == LautReplaceRules::Outcome::NeedListen)
        ShowMessageWindow(QStringLiteral("Bitte zuerst auf den Knopf 'Hören' klicken"), this, false);
    if (outcome == LautReplaceRules::Outcome::Right)
        StopWaveFiles();
    refresh();
}

void TFormLautReplace::fertigClick()
{
    if (!m_listValid || !m_rules->fertigEnabled || opts().atOnce)
        return;
    afterOutcome(m_rules->judge());
}

void TFormLautReplace::weiterClick()
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

void TFormLautReplace::askHowToGoOn()
{
    const auto yes = dialogs::Button::Yes;
    if (ShowMessageWindow(QStringLiteral(" Die Datei ist vollständig bearbeitet!  \nVon vorne beginnen?"), this, true) != yes) {
        SB_endeClick();
        return;
    }
    // "Laute hinzufügen" asks nothing more.
    if (!isAdd() && ShowMessageWindow(QStringLiteral("Neu mischen?"), this, true) == yes)
        BuildTaskOrder(m_rules->taskCount(), true);
    m_rules->restart();
    showTask();
}

void TFormLautReplace::TaskImageClick(int position)
{
    if (!m_listValid || position < 0 || position >= m_rules->taskCount())
        return;
    m_rules->jumpTo(position);
    showTask();
}

void TFormLautReplace::SoundNotice(int channel, SoundStatus status)
{
    const bool over = WAV1->queue().size() <= 1;
    m_rules->soundNotice(channel, status);
    if (over)
        m_mouthPressed = -1;
    refresh();
}

void TFormLautReplace::mousePressEvent(QMouseEvent* event)
{
    if (!m_listValid || event->button() != Qt::LeftButton) {
        TFormFormAlle::mousePressEvent(event);
        return;
    }
    // A quick child clicks the next letter while the last one still glides: that one lands at once
    // and the new click is taken, never lost.
    if (m_glideTimer->isActive()) {
        m_glideTimer->stop();
        placeNow();
    }
    const QPoint pos = event->position().toPoint();
    if (const int entry = entryAt(pos, false); entry >= 0) {
        const LautReplaceRules::Outcome o = m_rules->pick(entry);
        if (o == LautReplaceRules::Outcome::Picked) {
            m_dragging = true;
            m_dragPos = pos;
            setCursor(programCursor(crHandClose));
        }
        afterOutcome(o);
        return;
    }
    if (const int entry = opts().mouthPicture ? entryAt(pos, true) : -1; entry >= 0) {
        m_mouthPressed = entry;
        update();
        return;
    }
    TFormFormAlle::mousePressEvent(event);
}

void TFormLautReplace::drop(const QPoint& at, bool overPicked)
{
    if (!isAdd()) {
        placeNow();
        if (overPicked)
            m_rules->playPicked();
        return;
    }
    // "Laute hinzufügen": inside card 2 (widened on the gap's side) the letters go in at once,
    // elsewhere they glide there.
    const QFontMetrics fm(exercise::ListFont(m_points));
    const int w = fm.horizontalAdvance(ShownSound(m_rules->words().offered.value(m_rules->picked())));
    const bool anlaut = m_rules->positionMode() == Position::Anlaut;
    const QRect widened = m_card[1].adjusted(anlaut ? -w : 0, 0, anlaut ? 0 : w, 0);
    m_rules->playPicked();
    if (widened.contains(at)) {
        placeNow();
        return;
    }
    m_dragging = false;
    unsetCursor();
    m_glidePos = at - QPoint(w / 2, m_gap.height() / 2);
    m_glideTimer->start();
    update();
}

void TFormLautReplace::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_listValid || event->button() != Qt::LeftButton) {
        TFormFormAlle::mouseReleaseEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (m_dragging && m_rules->state() == AnswerState::Dragging) {
        drop(pos, entryAt(pos, false) == m_rules->picked());
        return;
    }
    if (m_mouthPressed >= 0) {
        const int entry = m_mouthPressed;
        if (entryAt(pos, true) == entry) {
            m_rules->playEntry(entry);
            if (WAV1->isEmpty())
                m_mouthPressed = -1;
        } else {
            m_mouthPressed = -1;
        }
        refresh();
        return;
    }
    if (m_card[0].contains(pos))
        m_rules->clickCard(1);
    else if (m_card[1].contains(pos))
        m_rules->clickCard(2);
    refresh();
    TFormFormAlle::mouseReleaseEvent(event);
}

void TFormLautReplace::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (m_dragging) {
        m_dragPos = pos;
        update();
    } else {
        const bool hand = entryAt(pos, false) >= 0;
        const bool sound = m_card[0].contains(pos) || entryAt(pos, true) >= 0 ||
                           (m_rules->state() == AnswerState::Solved && m_card[1].contains(pos));
        setCursor(hand ? QCursor(Qt::PointingHandCursor) : sound ? programCursor(crTon) : QCursor(Qt::ArrowCursor));
    }
    TFormFormAlle::mouseMoveEvent(event);
}

bool TFormLautReplace::HandleAppMessage(QObject* watched, QEvent* event)
{
    if (TFormFormAlle::HandleAppMessage(watched, event))
        return true;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || (w != this && !isAncestorOf(w)) || !m_listValid || event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const AnswerState s = m_rules->state();
    const bool choosing = s == AnswerState::Answering || s == AnswerState::Retrying;
    const bool atOnce = opts().atOnce;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: {
        const bool enter = key->key() != Qt::Key_Space;
        if (s == AnswerState::Solved) {
            weiterClick();
        } else if (s == AnswerState::Placed) {
            if (enter)
                fertigClick();
            else
                m_rules->playEntry(m_rules->focus() >= 0 ? m_rules->focus() : m_rules->placed());
        } else if (choosing && atOnce && m_rules->focus() >= 0) {
            if (enter) {
                m_rules->pick(m_rules->focus());
                afterOutcome(m_rules->place());
            } else {
                m_rules->playEntry(m_rules->focus());
            }
        } else if (s == AnswerState::TaskReady || choosing) {
            listenClick();
        }
        refresh();
        return true;
    }
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const LautReplaceRules::Outcome o = m_rules->arrowKey(key->key() == Qt::Key_Up, m_rules->shownOrder());
        if (o == LautReplaceRules::Outcome::Placed && isAdd() && !m_slots.empty()) {
            // The letters glide from the button into the gap (already placed by the rules).
            m_glidePos = buttonRect(m_rules->placed()).topLeft();
        }
        afterOutcome(o);
        return true;
    }
    case Qt::Key_H:
        if (P_hoeren->isVisible() && SB_hoeren->isEnabled())
            listenClick();
        return true;
    case Qt::Key_P:
        fertigClick();
        return true;
    case Qt::Key_W:
        if (SB_weiter->isVisible() && SB_weiter->isEnabled())
            weiterClick();
        return true;
    case Qt::Key_ssharp:
    case Qt::Key_BracketLeft:
        if (SB_Ton->isVisible() && SB_Ton->isEnabled())
            SB_Ton->click();
        return true;
    default:
        return false;
    }
}

// ---- lists, options and closing ----------------------------------------------------------------

void TFormLautReplace::CB_auswahlChange(int index)
{
    if (LoadListFromChoice(index, 1, m_listValid))
        startChosenList();
}

void TFormLautReplace::startChosenList()
{
    BuildTaskOrder(int(g().taskList().size()), opts().randomOrder);
    opts().file = relativeList();
    prepareList(false);
    showFolderTab();
}

void TFormLautReplace::folderTabClick(int index)
{
    const QStringList folders = isAdd() ? QStringList{QStringLiteral("Anlaut"), QStringLiteral("Auslaut")}
                                        : QStringList{QStringLiteral("Anlaut"), QStringLiteral("Inlaut"), QStringLiteral("Auslaut")};
    if (index < 0 || index >= folders.size())
        return;
    if (LoadFirstListOf(listFolder() + folders[index] + QLatin1Char('/'), 1))
        startChosenList();
    showFolderTab();
}

void TFormLautReplace::darstellungClick(bool lautknopf)
{
    TOpt_LautAdd& o = opts();
    o.soundButton = Chb_Lautknopf->isChecked();
    o.mouthPicture = Chb_Mundbild->isChecked();
    // Both off is not possible: the other one comes on.
    if (!o.soundButton && !o.mouthPicture) {
        if (lautknopf)
            o.mouthPicture = true;
        else
            o.soundButton = true;
    }
    applyOptions();
    update();
}

void TFormLautReplace::writeFrameOptions()
{
    TOpt_LautAdd& o = opts();
    if (m_listValid)
        o.file = relativeList();
    o.backgroundPicture = backgroundPictureVisible;
    WritePlayerOptions(g().currentPlayer(), programCode);
}

void TFormLautReplace::sb_optionenClick()
{
    WAV1->CloseAll();
    writeFrameOptions();
    const TOpt_LautAdd before = opts();
    bool ok = false;
    {
        messagehook::Suspend suspend;
        ok = options::ShowOptionPage(this, programCode);
    }
    g().programCode = programCode;
    if (ok) {
        m_mouthFiles.clear();
        exercise::PrepareLautFeedback(opts().feedback, true);
        applyOptions();
        const TOpt_LautAdd& now = opts();
        if (before.randomOrder != now.randomOrder) {
            BuildTaskOrder(m_rules->taskCount(), now.randomOrder);
            m_rules->restart();
            showTask();
        } else if (before.withText != now.withText || before.withPicture != now.withPicture ||
                   before.soundCount != now.soundCount || before.backgroundPicture != now.backgroundPicture ||
                   before.atOnce != now.atOnce) {
            drawBackground();
            if (m_rules->state() != AnswerState::Solved)
                m_rules->setUpTask();
            showTask();
        }
    }
    refresh();
}

void TFormLautReplace::Chb_hintergrundbildClick()
{
    opts().backgroundPicture = Chb_hintergrundbild->isChecked();
    backgroundPictureVisible = opts().backgroundPicture;
    drawBackground();
    update();
}

void TFormLautReplace::StopBeforeClose()
{
    m_revealTimer->stop();
    m_glideTimer->stop();
    TFormFormAlle::StopBeforeClose();
}

void TFormLautReplace::FormClose()
{
    m_revealTimer->stop();
    m_glideTimer->stop();
    writeFrameOptions();
    m_background = m_firstPicture = m_secondPicture = m_cardBack = m_table = m_buffer = QImage();
    m_tableKey.clear();
    m_bufferTableKey.clear();
    m_drawn.clear();
    TFormFormAlle::FormClose();
}
