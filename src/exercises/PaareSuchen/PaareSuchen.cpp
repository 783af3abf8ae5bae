#include "exercises/PaareSuchen/PaareSuchen.h"

#include "exercises/common/CardText.h"
#include "exercises/common/ListLook.h"
#include "exercises/common/TaskSounds.h"

#include "core/Catalogue.h"
#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/MessageHook.h"
#include "core/Random.h"
#include "core/TextUtil.h"
#include "data/PlayerOptions.h"
#include "data/TaskList.h"
#include "media/picture/Picture.h"
#include "media/skin/Cursors.h"
#include "media/skin/FileChoice.h"
#include "media/skin/Frames.h"
#include "media/skin/Meldung.h"
#include "media/skin/ScreenScale.h"
#include "media/skin/SkinButton.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "options/Options.h"
#include "results/Ergebnisse.h"
#include "results/closedialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QPaintEvent>
#include <QTimer>

using namespace paare;
using picture::Colour;

namespace {

constexpr int kBarHeight = 75;  // at the design size 800 x 600
constexpr int kMinimumTasks = 6;
constexpr int kNoCards = -2;  // render(): the background alone
const QString kInvalidCount = QStringLiteral("Datei enthält eine ungültige Anzahl an Aufgaben. Bitte überprüfen!");
const QString kInvalidChoiceCount =
    QStringLiteral("Bitte stellen Sie in den Optionen eine gültige Bilderanzahl ein.");

TOpt_PaarSuche& opts() { return g().playerOptions.paarSuche; }
const TLayout& listLayout() { return g().loadedList.layout; }

QString sectionSound(const char* key)
{
    const QString v = g().config.programSection(QStringLiteral("ProgPaarSuche")).value(QLatin1String(key));
    return !v.isEmpty() && fsys::fileExists(v) ? fsys::resolve(v) : QString();
}

QString buttonPicture(const char* key, const QString& fallback)
{
    const QString v = g().config.programSection(QStringLiteral("Bilder")).value(QLatin1String(key));
    const QString p = v.isEmpty() ? QString() : exercise::InternPicture(v);
    return p.isEmpty() ? fallback : p;
}

int picturePercent(const TEinzelbild& e)
{
    const int size = e.layout.pictureSize > 0 ? e.layout.pictureSize : listLayout().pictureSize;
    return std::clamp(size > 0 ? size : 90, 10, 100);
}

bool isJpeg(const QString& file)
{
    const QString l = file.toLower();
    return l.endsWith(QLatin1String(".jpg")) || l.endsWith(QLatin1String(".jpeg"));
}

// An element's picture into the whole target: JPEGs at 100 % cover it, others are fitted at one
// percent less than their size, enlarged.
void drawElementPicture(picture::Target& t, const TEinzelbild& e, Colour bg)
{
    const QString file = picture::ResolvePictureName(e.picture);
    if (file.isEmpty())
        return;
    const int percent = picturePercent(e);
    if (exercise::IsWmf(file))
        picture::DrawMetafileSmooth(file, t, bg, percent - 1, false, false);
    else if (isJpeg(file) && percent >= 100)
        picture::CoverPicture(t, file, bg, false);
    else
        picture::DrawPictureFitted(t, file, bg, percent - 1, true, true, false);
}

void drawText(picture::Target& t, const QRect& r, const QString& raw, const QFont& font, Colour colour, Colour bg,
              Colour markColour)
{
    const exercise::MarkedText m = exercise::CardText(raw);
    if (m.text.isEmpty() || r.width() < 2 || r.height() < 2)
        return;
    picture::DrawMarkedText(t, r, font, colour, 1, bg, markColour, markColour >= 0 ? m.markStart : -1, m.markLength,
                            m.text);
}

} // namespace

TFormPaarSuche::TFormPaarSuche(int code, const QString& path, QWidget* parent)
    : TFormExercise(code, path, parent), m_rules(std::make_unique<PaareRules>(*WAV1))
{
    setObjectName(QStringLiteral("FormPaarSuche"));
    m_rules->onMessage = [this](const QString& m) { ShowMessageWindow(m, this, false); };
    buildBar();
}

TFormPaarSuche::~TFormPaarSuche() = default;

// ---- the bar ------------------------------------------------------------------------------------

void TFormPaarSuche::buildBar()
{
    auto named = [](auto* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    P_Leiste = named(new QFrame(this), "P_Leiste");
    P_Leiste->setFrameStyle(QFrame::Panel | QFrame::Raised);
    P_Leiste->setAutoFillBackground(true);
    {
        QPalette p = P_Leiste->palette();
        p.setColor(QPalette::Window, picture::toQColor(kButtonFaceColour));
        P_Leiste->setPalette(p);
    }
    sb_optionen = named(new QPushButton(QStringLiteral("Optionen"), P_Leiste), "sb_optionen");
    SB_Ton = named(new QPushButton(P_Leiste), "SB_Ton");
    SB_Anleitung = named(new QPushButton(QStringLiteral("?"), P_Leiste), "SB_Anleitung");
    SB_hoeren = named(new QPushButton(P_Leiste), "SB_hoeren");
    SB_neuesSpiel = named(new QPushButton(P_Leiste), "SB_neuesSpiel");
    SB_weiter = named(new QPushButton(P_Leiste), "SB_weiter");
    SB_pruefen = named(new QPushButton(P_Leiste), "SB_pruefen");
    SB_ende = named(new QPushButton(QStringLiteral("Ende"), P_Leiste), "SB_ende");
    P_Liste = named(new QFrame(this), "P_Liste");
    P_Liste->setFrameStyle(QFrame::Panel | QFrame::Raised);
    P_Liste->setAutoFillBackground(true);
    P_Liste->setPalette(P_Leiste->palette());
    CB_auswahl = named(new QComboBox(P_Liste), "CB_auswahl");
    L_Aufgaben = named(new QLabel(QStringLiteral(" Aufgaben: "), P_Liste), "L_Aufgaben");
    l_gbst = named(new QLabel(QStringLiteral("Großbuchstaben! "), P_Liste), "l_gbst");
    l_gbst->setVisible(false);
    Chb_hintergrundbild = named(new QCheckBox(QStringLiteral("Hintergrundbild"), P_Liste), "Chb_hintergrundbild");
    Chb_markiert = named(new QCheckBox(QStringLiteral("gelöste Aufgaben sind markiert"), P_Liste), "Chb_markiert");
    for (QWidget* w : findChildren<QWidget*>())
        w->setFocusPolicy(Qt::NoFocus);
    SB_neuesSpiel->setVisible(false);
    SB_pruefen->setEnabled(false);
    SB_weiter->setEnabled(false);

    connect(sb_optionen, &QPushButton::clicked, this, [this] { optionsClick(); });
    connect(SB_Ton, &QPushButton::clicked, this, [this] { headingClick(); });
    connect(SB_Anleitung, &QPushButton::clicked, this, [this] { instructionClick(); });
    connect(SB_pruefen, &QPushButton::clicked, this, [this] { pruefenClick(); });
    connect(SB_weiter, &QPushButton::clicked, this, [this] { weiterClick(); });
    connect(SB_neuesSpiel, &QPushButton::clicked, this, [this] { neuesSpielClick(); });
    connect(SB_hoeren, &QPushButton::clicked, this, [this] { hoerenClick(); });
    connect(SB_ende, &QPushButton::clicked, this, [this] { SB_endeClick(); });
    connect(CB_auswahl, &QComboBox::activated, this, [this](int index) { listChosen(index); });
    connect(Chb_hintergrundbild, &QCheckBox::clicked, this, [this](bool on) {
        opts().backgroundPicture = on;
        buildBackground();
        buildLooks();
        refresh();
    });
    connect(Chb_markiert, &QCheckBox::clicked, this, [this](bool on) {
        opts().cardsVisibleOnSuccess = on;
        m_rules->redrawLooks();
        refresh();
    });
}

void TFormPaarSuche::arrange()
{
    const int w = width(), h = height();
    const double factor = screenScaleFactor(QSize(w, h));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(8, qRound(12 * factor)));
    const int barH = std::max(30, qRound(kBarHeight * factor));
    P_Leiste->setGeometry(0, h - barH, w, barH);
    for (QWidget* c : findChildren<QWidget*>())
        if (c != this)
            c->setFont(font);
    const int ch = barH - 2;
    const int sideW = std::max(40, w / 12);
    sb_optionen->setGeometry(1, 1, sideW, ch);
    SB_ende->setGeometry(w - sideW - 1, 1, sideW, ch);
    const int half = (barH - 2) / 2;
    const int smallW = std::max(half, w / 16);
    SB_Ton->setGeometry(sideW + 3, 1, smallW, half);
    SB_Anleitung->setGeometry(sideW + 3, 1 + half, smallW, half);
    SB_Ton->setIcon(QIcon(cursorPicture(crTon)));
    SB_Ton->setIconSize(QSize(half - 4, half - 4));
    const QRect place = ButtonPlace(w, barH);
    for (QPushButton* b : {SB_pruefen, SB_weiter, SB_neuesSpiel, SB_hoeren})
        b->setGeometry(place);
    SkinButton(SB_pruefen, buttonPicture("Symbolprüfen", g().config.symbolPruefen), QStringLiteral("Prüfen"), 2, 1,
               0x00FFFFFF, 2);
    SkinButton(SB_weiter, buttonPicture("SymbolWeiter", g().config.symbolWeiter), QStringLiteral("Weiter"), 2, 1,
               0x00FFFFFF, 2);
    SkinButton(SB_neuesSpiel, buttonPicture("SymbolNeuesSpiel", g().config.symbolNeuesSpiel),
               QStringLiteral("Neues Spiel"), 2, 1, 0x00008000, 2);
    SkinButton(SB_hoeren, buttonPicture("SymbolHören", g().config.symbolHoeren), QStringLiteral("Hören"), 2, 1,
               0x00FFFFFF, 2);
    // The list panel left of "Ende", 2 pixels higher than the bar.
    const int listLeft = place.right() + 8;
    const int listW = std::max(120, w - sideW - 6 - listLeft);
    P_Liste->setGeometry(listLeft, h - barH - 2, listW, barH + 2);
    const int line = (barH - 2) / 3;
    const int boxW = (listW - 8) / 2;
    CB_auswahl->setGeometry(3, 2, listW - 6, line);
    L_Aufgaben->setGeometry(3, 2 + line, boxW, line);
    l_gbst->setGeometry(3 + boxW, 2 + line, boxW, line);
    Chb_markiert->setGeometry(3, 2 + 2 * line, listW - 6 - boxW / 2, line);
    Chb_hintergrundbild->setGeometry(3 + boxW + 4, 2 + line, boxW, line);
    P_Liste->raise();
}

// ---- opening ------------------------------------------------------------------------------------

QString TFormPaarSuche::listFolder() const { return fsys::withSlash(catalogue::listFolder(programCode)); }

QString TFormPaarSuche::relativeList() const
{
    QString r = fsys::toStored(MakeRelativePath(listFolder(), listPath, false));
    while (r.startsWith(QLatin1Char('\\')))
        r.remove(0, 1);
    return r;
}

void TFormPaarSuche::FormActivate()
{
    TFormExercise::FormActivate();
    rnd::seedFromClock();
    instructionCheck();
    run().taskStartTime = QDateTime();
    arrange();
    applyOptions();
    {
        const QSignalBlocker block(CB_auswahl);
        FillFileChoice(CB_auswahl, fsys::folderOf(listPath), fsys::fileName(listPath), height() - P_Leiste->height(),
                       true);
    }
    const QString name = CB_auswahl->currentText().isEmpty() ? fsys::fileName(listPath) : CB_auswahl->currentText();
    m_rules->openList(name);
    L_Aufgaben->setText(QStringLiteral(" Aufgaben: ") + QString::number(m_rules->taskCount()));
    m_listValid = m_rules->taskCount() >= kMinimumTasks;
    buildBackground();
    if (!m_listValid) {
        // Only a list of too few tasks given directly can come here; the chooser refuses it.
        render();
        ShowMessageWindow(kInvalidCount, this, false);
        QTimer::singleShot(0, this, [this] {
            if (!runEnded())
                endRun(QDialog::Rejected);
        });
        return;
    }
    m_rules->choosePairs();
    layoutGrid();
    render();
    scheduleDeal();
}

void TFormPaarSuche::applyOptions()
{
    const TOpt_PaarSuche& o = opts();
    const TLayout& l = listLayout();
    SB_Ton->setVisible(o.instructionAudible && exercise::ListHasHeadingSound());
    SB_Anleitung->setVisible(!exercise::InternPicture(l.instructionPicture).isEmpty() || !l.heading.trimmed().isEmpty());
    m_rules->fitCount();
    {
        const QSignalBlocker a(Chb_hintergrundbild), b(Chb_markiert);
        Chb_hintergrundbild->setChecked(o.backgroundPicture);
        Chb_markiert->setChecked(o.cardsVisibleOnSuccess);
    }
    SelectPause(o.time);
    CB_auswahl->setToolTip(fsys::toStored(MakeRelativePath(fsys::withSlash(g().config.dirs.listen), listPath, false)));
    l_gbst->setVisible(g().playerOptions.capitalsOnly);
}

void TFormPaarSuche::instructionCheck()
{
    const int v = opts().instructionVisible;
    const TLayout& l = listLayout();
    const bool heading = !l.heading.trimmed().isEmpty();
    if ((v == 1 && (!exercise::InternPicture(l.instructionPicture).isEmpty() || heading)) || (v == 2 && heading))
        m_rules->setInstructionDue();
}

void TFormPaarSuche::showInstruction()
{
    const TLayout& l = listLayout();
    const QString heading = l.heading.trimmed();
    const QString picture = exercise::InternPicture(l.instructionPicture);
    messagehook::Suspend suspend;
    switch (std::abs(opts().instructionVisible)) {
    case 1:
        if (!picture.isEmpty())
            ShowPictureMessage(picture, this, false);
        else if (!heading.isEmpty())
            ShowMessageWindow(l.heading, this, false);
        break;
    case 2:
        if (!heading.isEmpty())
            ShowMessageWindow(l.heading, this, false);
        break;
    default:
        break;
    }
}

// ---- dealing ------------------------------------------------------------------------------------

void TFormPaarSuche::scheduleDeal()
{
    m_rules->setDealDue(true);
    if (m_dealScheduled)
        return;
    m_dealScheduled = true;
    // The next repaint deals: a queued call, so that no sound waits inside a paint event.
    QTimer::singleShot(0, this, [this] {
        m_dealScheduled = false;
        if (m_rules->dealDue() && !m_closing && !runEnded())
            dealGame();
    });
    update();
}

void TFormPaarSuche::dealGame()
{
    if (!m_rules->validCount()) {
        m_rules->setDealDue(false);
        ShowMessageWindow(kInvalidChoiceCount, this, false);
        optionsClick();
        return;
    }
    m_dealRemembered = m_rules->beginDeal();
    m_mixing = true;
    render(kNoCards);
    update();
    const QString mix = sectionSound("TonMischen");
    if (!mix.isEmpty())
        PlaySound(*WAV1, mix, true, false, true);
    m_rules->deal();
    layoutGrid();
    buildLooks();
    m_dealPos = 0;
    m_dealSound = sectionSound("TonAusteilen");
    m_dealStepMs = std::max(20, soundLengthMs(m_dealSound));
    if (clock_::isInstant()) {
        // Pauses take no time: the whole deal at once.
        while (dealStep()) {
        }
        return;
    }
    // The window paints between the steps: first the mixing screen while the cards are mixed.
    if (!m_dealTimer) {
        m_dealTimer = new QTimer(this);
        m_dealTimer->setSingleShot(true);
        connect(m_dealTimer, &QTimer::timeout, this, [this] {
            if (dealStep())
                m_dealTimer->start(m_dealStepMs);
        });
    }
    m_dealTimer->start(std::max(300, soundLengthMs(mix)));
}

int TFormPaarSuche::soundLengthMs(const QString& file)
{
    if (file.isEmpty())
        return 0;
    const auto bytes = fsys::readFile(fsys::resolve(file));
    return bytes ? audio::waveDurationMs(*bytes) : 0;
}

bool TFormPaarSuche::dealStep()
{
    if (m_closing || runEnded())
        return false;
    if (m_mixing) {
        m_mixing = false;
        update(m_mixingRect);
    }
    if (m_dealPos > m_rules->count() + 3) {
        finishDeal();
        return false;
    }
    // Only the dealt card is drawn and shown, with its sound.
    const QRect r = showCardAt(m_dealPos++);
    if (!r.isEmpty())
        update(r);
    if (!m_dealSound.isEmpty())
        PlayWaveFile(m_dealSound, clock_::isInstant(), true);
    return true;
}

void TFormPaarSuche::finishDeal()
{
    m_rules->startRow();
    if (m_dealRemembered == kInstructionDue && opts().instructionVisible > 0)
        showInstruction();
    m_rules->startSearch();
    if (QWidget* f = focusWidget())
        f->clearFocus();
    // Only slot 1's target changed its look.
    refreshButtons();
    const int target = m_rules->slotPair(1);
    const QRect r = target >= 0 ? showCardAt(m_rules->card(target, 1).position) : QRect();
    if (!r.isEmpty())
        update(r);
}

void TFormPaarSuche::resizeEvent(QResizeEvent* event)
{
    TFormExercise::resizeEvent(event);
    arrange();
    buildBackground();
    if (!m_listValid)
        return;
    layoutGrid();
    if (!m_looks.empty())
        buildLooks();
    render();
}

void TFormPaarSuche::layoutGrid()
{
    m_grid = ComputeGrid(width(), P_Leiste->y(), m_rules->count());
    QStringList texts;
    for (const Pair& p : m_rules->pairs())
        for (const Card& c : p.cards)
            texts << exercise::CardText(c.element.text).text;
    const QFont base = exercise::ListFont();
    m_fontPoints = CardFontSize(texts, m_grid.side, opts().textPicture == 3, base);
    m_cardFont = exercise::ListFont(m_fontPoints);
}

void TFormPaarSuche::buildBackground()
{
    m_background = exercise::WindowBackground(QSize(width(), std::max(1, P_Leiste->y())), opts().backgroundPicture)
                       .convertToFormat(QImage::Format_RGB32);
}

QRect TFormPaarSuche::cardRect(int pair, int k) const
{
    if (pair < 0 || pair >= int(m_rules->pairs().size()))
        return QRect();
    const int pos = m_rules->card(pair, k).position;
    return pos < 0 ? QRect() : m_grid.position(pos);
}

// The content of a choice card by "TextBild".
QImage TFormPaarSuche::content(const TEinzelbild& e, QSize size, bool picked) const
{
    const Colour bg = listLayout().pictureBackgroundColour;
    picture::Target t(size.width(), size.height(), bg);
    const int mode = opts().textPicture;
    const Colour colour = picked ? listLayout().letterMarkColour : exercise::ListFontColour();
    const QRect whole(QPoint(0, 0), size);
    if (mode == 1) {
        drawText(t, whole, e.text, m_cardFont, colour, bg, -1);
    } else {
        const int pictureH = mode == 3 ? size.height() * 3 / 4 : size.height();
        picture::Target p(size.width(), std::max(1, pictureH), bg);
        drawElementPicture(p, e, bg);
        QPainter(&t.image).drawImage(0, 0, picture::ShownImage(p));
        if (mode == 3)
            drawText(t, QRect(0, pictureH, size.width(), size.height() - pictureH), e.text, m_cardFont, colour, bg, -1);
    }
    return t.image;
}

QImage TFormPaarSuche::foundTarget(int pair, QSize size) const
{
    const Colour bg = listLayout().pictureBackgroundColour;
    picture::Target t(size.width(), size.height(), bg);
    const int h = size.height() / 2;
    const Colour colour = exercise::ListFontColour();
    const Colour mark = listLayout().pairColour;
    drawText(t, QRect(0, 0, size.width(), h), m_rules->card(pair, 1).element.text, m_cardFont, colour, bg, mark);
    drawText(t, QRect(0, h, size.width(), size.height() - h), m_rules->card(pair, 0).element.text, m_cardFont, colour,
             bg, mark);
    return t.image;
}

QImage TFormPaarSuche::cardLook(int, int, int look, const QImage& frame, const QImage& contentImage) const
{
    QImage img = frame.copy();
    const QRect area = ContentRect(look, m_grid.side);
    QPainter p(&img);
    if (look == kFace || look == kBlank) {
        p.setPen(picture::toQColor(listLayout().pictureBackgroundColour));
        p.drawRect(area.adjusted(-2, -2, 1, 1));
    }
    if (contentImage.size() == area.size())
        p.drawImage(area.topLeft(), contentImage);
    else
        p.drawImage(area, contentImage);
    return img;
}

void TFormPaarSuche::buildLooks()
{
    // Every look is made when first shown (most are never shown in a game); the pieces shared by
    // all cards are made here.
    const int s = m_grid.side;
    const int n = int(m_rules->pairs().size());
    m_looks.assign(size_t(n), {});
    m_faces.assign(size_t(n), QImage());
    // Card contents are kept from game to game while the size and the look options stay: the next
    // game of a short list shows mostly the same pictures.
    const QString key = QStringLiteral("%1|%2|%3|%4|%5|%6x%7")
                            .arg(s)
                            .arg(opts().textPicture)
                            .arg(m_fontPoints)
                            .arg(listPath)
                            .arg(opts().backgroundPicture)
                            .arg(width())
                            .arg(height());
    if (key != m_cacheKey || m_faceCache.size() > 64 || m_lookCache.size() > 64) {
        m_faceCache.clear();
        m_lookCache.clear();
        m_frames.clear();
        m_symbol = m_blank = QImage();
        m_cacheKey = key;
    }
    if (s < 32 || n == 0 || !m_symbol.isNull())
        return;
    const TLayout& l = listLayout();
    const QRect hiddenArea = ContentRect(kHidden, s);
    {
        picture::Target t(hiddenArea.width(), hiddenArea.height(), l.pictureBackgroundColour);
        const QString file = exercise::InternPicture(g().config.symbolTonBild);
        if (!file.isEmpty()) {
            if (exercise::IsWmf(file))
                picture::DrawMetafileSmooth(file, t, l.pictureBackgroundColour, 20, false, false);
            else
                picture::StretchPicture(t, file, l.pictureBackgroundColour, true);
        }
        m_symbol = QImage(hiddenArea.size(), QImage::Format_RGB32);
        m_symbol.fill(picture::toQColor(l.pictureBackgroundColour));
        QPainter(&m_symbol).drawImage(0, 0, picture::ShownImage(t));
    }
    m_blank = QImage(ContentRect(kBlank, s).size(), QImage::Format_RGB32);
    m_blank.fill(picture::toQColor(l.pictureBackgroundColour));
    picture::LightenBitmap(m_blank);
}

QImage TFormPaarSuche::frameAt(int pos, bool raised)
{
    // The same for every card on a plain ground, per position over a background picture.
    const int s = m_grid.side;
    const TLayout& l = listLayout();
    const bool withPicture = opts().backgroundPicture && !exercise::BackgroundPicturePath().isEmpty();
    const int key = (withPicture ? pos : 0) * 2 + (raised ? 1 : 0);
    auto it = m_frames.find(key);
    if (it == m_frames.end()) {
        QImage f(s, s, QImage::Format_RGB32);
        f.fill(picture::toQColor(l.backgroundColour));
        DrawCardFrame(f, QRect(0, 0, s, s), 10, withPicture ? &m_background : nullptr, m_grid.position(pos), 4,
                      !withPicture, raised, l.backgroundColour);
        it = m_frames.insert(key, f);
    }
    return *it;
}

const QImage& TFormPaarSuche::lookImage(int p, int k, int look)
{
    static const QImage none;
    if (p < 0 || p >= int(m_looks.size()) || look < 0 || look > 4 || m_grid.side < 32)
        return none;
    QImage& img = m_looks[size_t(p)][size_t(k)][size_t(look)];
    if (!img.isNull())
        return img;
    const Card& c = m_rules->card(p, k);
    if (c.position < 0)
        return none;
    // On a plain ground the blank, hidden and face looks depend only on the content: kept across games.
    const bool plain = !(opts().backgroundPicture && !exercise::BackgroundPicturePath().isEmpty());
    QString shared;
    if (plain && (look == kBlank || look == kHidden))
        shared = QString::number(look);
    else if (plain && look == kFace && k == 0)
        shared = QStringLiteral("2|") + c.element.picture + QLatin1Char('|') + c.element.text + QLatin1Char('|') +
                 QString::number(c.element.layout.pictureSize);
    if (!shared.isEmpty()) {
        auto it = m_lookCache.constFind(shared);
        if (it != m_lookCache.constEnd()) {
            img = *it;
            return img;
        }
    }
    const QImage& made = makeLook(p, k, look);
    if (!shared.isEmpty())
        m_lookCache.insert(shared, made);
    return made;
}

const QImage& TFormPaarSuche::makeLook(int p, int k, int look)
{
    QImage& img = m_looks[size_t(p)][size_t(k)][size_t(look)];
    const Card& c = m_rules->card(p, k);
    const int s = m_grid.side;
    const TLayout& l = listLayout();
    const QSize faceSize = ContentRect(kFace, s).size();
    const QSize smallSize = ContentRect(kHidden, s).size();
    const bool raised = look == kBlank || look == kFace;
    const QImage frame = frameAt(c.position, raised);
    auto face = [&]() -> const QImage& {
        // The picture is decoded once; the smaller looks take it scaled.
        QImage& f = m_faces[size_t(p)];
        if (f.isNull()) {
            const QString key = c.element.picture + QLatin1Char('|') + c.element.text + QLatin1Char('|') +
                                QString::number(c.element.layout.pictureSize);
            auto it = m_faceCache.constFind(key);
            if (it == m_faceCache.constEnd())
                it = m_faceCache.insert(key, content(c.element, faceSize, false));
            f = *it;
        }
        return f;
    };
    switch (look) {
    case kBlank: img = cardLook(p, k, look, frame, m_blank); break;
    case kHidden: img = cardLook(p, k, look, frame, m_symbol); break;
    case kFace: img = cardLook(p, k, look, frame, k == 0 ? face() : m_blank); break;
    case kPicked: {
        QImage small = opts().textPicture == 2 ? face().scaled(smallSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                               : content(c.element, smallSize, true);  // text in the mark colour
        img = cardLook(p, k, look, frame, k == 0 ? small : m_blank);
        break;
    }
    case kFound:
    default: {
        if (k == 1) {
            img = cardLook(p, k, look, frame, foundTarget(p, smallSize));
            break;
        }
        picture::Target t(smallSize.width(), smallSize.height(), l.pictureBackgroundColour);
        const int mode = opts().textPicture;
        if (mode != 1)
            t.image = face().scaled(smallSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (mode != 2) {
            // The text with its marked letters in the pair colour.
            const QRect textRect = mode == 1 ? QRect(QPoint(0, 0), smallSize)
                                             : QRect(0, smallSize.height() * 3 / 4, smallSize.width(),
                                                     smallSize.height() - smallSize.height() * 3 / 4);
            drawText(t, textRect, c.element.text, m_cardFont, exercise::ListFontColour(), l.pictureBackgroundColour,
                     l.pairColour);
        }
        img = cardLook(p, k, look, frame, t.image);
        break;
    }
    }
    return img;
}

void TFormPaarSuche::clearBackBuffer()
{
    const QSize size(width(), std::max(1, P_Leiste->y()));
    if (m_background.size() != size)
        buildBackground();
    if (m_buffer.size() != size || m_buffer.format() != m_background.format())
        m_buffer = QImage(size, m_background.format());
    // Copied into the buffer that exists: no new memory for a picture of the whole screen.
    QPainter p(&m_buffer);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, m_background);
}

// ---- painting -----------------------------------------------------------------------------------

void TFormPaarSuche::render(int shownUpTo)
{
    clearBackBuffer();
    if (shownUpTo == kNoCards)
        return;
    for (int pos = 0; pos < m_rules->count() + 4; ++pos)
        showCardAt(pos);
}

QRect TFormPaarSuche::showCardAt(int pos)
{
    for (int pair = 0; pair < int(m_rules->pairs().size()) && pair < int(m_looks.size()); ++pair)
        for (int k = 0; k < 2; ++k) {
            const Card& c = m_rules->card(pair, k);
            if (c.position != pos)
                continue;
            const QImage& look = lookImage(pair, k, std::clamp(c.look, 0, 4));
            const QRect r = m_grid.position(pos);
            if (!look.isNull() && !m_buffer.isNull())
                QPainter(&m_buffer).drawImage(r.topLeft(), look);
            return r;
        }
    return QRect();
}

void TFormPaarSuche::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const QRect exposed = event->rect();
    if (!m_buffer.isNull()) {
        const QRect inBuffer = exposed.intersected(m_buffer.rect());
        p.drawImage(inBuffer.topLeft(), m_buffer, inBuffer);
        if (inBuffer != exposed)
            p.fillRect(exposed.adjusted(0, inBuffer.height(), 0, 0), picture::toQColor(listLayout().backgroundColour));
    } else {
        p.fillRect(exposed, picture::toQColor(listLayout().backgroundColour));
    }
    if (m_mixing) {
        const QString first = QStringLiteral("Bitte warten ...     ");
        QFont font = exercise::ListFont(40);
        font.setPointSize(picture::FitFontSize(0, width(), first + first, 90, font));
        p.setFont(font);
        p.setPen(picture::toQColor(exercise::ListFontColour()));
        const QString text = first + QLatin1Char('\n') + QStringLiteral("Karten werden gemischt...");
        const QRect area(0, 0, width(), P_Leiste->y());
        p.drawText(area, Qt::AlignCenter, text);
        m_mixingRect = p.boundingRect(area, Qt::AlignCenter, text).adjusted(-4, -4, 4, 4);
    }
    const int focus = m_rules->focus();
    if (m_rules->frameShown() && focus >= 0) {
        QPen pen(QColor(255, 0, 0));
        pen.setWidth(3);
        p.setPen(pen);
        p.drawRect(m_grid.place(focus).adjusted(5, 5, -5, -5));
    }
}

void TFormPaarSuche::refresh()
{
    refreshButtons();
    render();
    update();
}

void TFormPaarSuche::refreshButtons()
{
    const PaareRules& r = *m_rules;
    SB_pruefen->setEnabled(r.enabled(Button::Pruefen));
    SB_weiter->setEnabled(r.enabled(Button::Weiter));
    SB_neuesSpiel->setEnabled(r.enabled(Button::NeuesSpiel));
    SB_neuesSpiel->setVisible(r.shown(Button::NeuesSpiel));
    SB_hoeren->setEnabled(r.enabled(Button::Hoeren));
    switch (r.front()) {
    case Button::Pruefen: SB_pruefen->raise(); break;
    case Button::Weiter: SB_weiter->raise(); break;
    case Button::NeuesSpiel: SB_neuesSpiel->raise(); break;
    case Button::Hoeren: SB_hoeren->raise(); break;
    }
}

// ---- input --------------------------------------------------------------------------------------

void TFormPaarSuche::pruefenClick()
{
    if (!m_rules->usable(Button::Pruefen))
        return;
    m_rules->pruefen();
    refresh();
}

void TFormPaarSuche::weiterClick()
{
    if (!m_rules->usable(Button::Weiter))
        return;
    m_rules->weiter();
    refresh();
}

void TFormPaarSuche::hoerenClick()
{
    if (!m_rules->usable(Button::Hoeren))
        return;
    m_rules->hoeren();
    refresh();
}

void TFormPaarSuche::neuesSpielClick()
{
    if (!m_rules->usable(Button::NeuesSpiel))
        return;
    m_rules->neuesSpiel();
    m_looks.clear();
    // The deal shows the bare back buffer at once.
    refreshButtons();
    scheduleDeal();
}

void TFormPaarSuche::headingClick()
{
    const QStringList names = listLayout().headingSound.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    bool first = true;
    for (const QString& n : names) {
        const QString file = exercise::HeadingSoundFile(n.trimmed());
        if (file.isEmpty())
            continue;
        PlaySound(*WAV1, file, first, false, true);
        first = false;
    }
}

void TFormPaarSuche::instructionClick() { showInstruction(); }

void TFormPaarSuche::mousePressEvent(QMouseEvent* event)
{
    if (!m_listValid || m_rules->state() == kDealing)
        return;
    const QPoint pt = event->position().toPoint();
    const int place = m_grid.placeAt(pt);
    const int slot = m_grid.slotAt(pt);
    if (place >= 0) {
        if (event->button() == Qt::LeftButton)
            m_rules->pickChoice(place);
        else if (event->button() == Qt::RightButton)
            m_rules->rightClickChoice(place);
    } else if (slot > 0 && (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)) {
        m_rules->clickTarget(slot);
    }
    refresh();
}

bool TFormPaarSuche::HandleAppMessage(QObject* watched, QEvent* event)
{
    auto* w = qobject_cast<QWidget*>(watched);
    const bool ours = watched == qApp || (w && w->window() == this);
    const QEvent::Type type = event->type();
    const bool input = type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::MouseButtonPress ||
                       type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick;
    // While the cards are mixed and dealt, all input to the window is dropped.
    if (ours && input && m_rules->state() == kDealing && m_listValid)
        return true;
    if (TFormExercise::HandleAppMessage(watched, event))
        return true;
    if (type != QEvent::KeyPress || !ours || !m_listValid)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    PaareRules& r = *m_rules;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        const bool newGame = r.state() == kAllFound;
        r.enterKey();
        refresh();
        if (newGame)
            scheduleDeal();
        return true;
    }
    case Qt::Key_Space:
        r.spaceKey();
        refresh();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (r.arrowsAllowed()) {
            const int k = key->key();
            const bool moved = r.moveFocus(k == Qt::Key_Left ? -1 : k == Qt::Key_Right ? 1 : 0,
                                           k == Qt::Key_Up ? -1 : k == Qt::Key_Down ? 1 : 0);
            if (!moved)
                Beep();
            refresh();
        }
        return true;
    case Qt::Key_H: hoerenClick(); return true;
    case Qt::Key_P: pruefenClick(); return true;
    case Qt::Key_W: weiterClick(); return true;
    case Qt::Key_N: neuesSpielClick(); return true;
    default: return false;
    }
}

// ---- list, options, end -------------------------------------------------------------------------

void TFormPaarSuche::listChosen(int index)
{
    if (index < 0 || m_rules->state() == kDealing)
        return;
    const QString name = CB_auswahl->itemText(index);
    const QString newPath = fsys::folderOf(listPath) + name;
    if (fsys::fileName(listPath).compare(name, Qt::CaseInsensitive) != 0) {
        WAV1->StopAll();
        if (LoadChosenPath(newPath, kMinimumTasks, CB_auswahl, kInvalidCount)) {
            instructionCheck();
            L_Aufgaben->setText(QStringLiteral(" Aufgaben: ") + QString::number(m_rules->taskCount()));
            opts().file = relativeList();
            m_rules->listChanged(name);
            buildBackground();
            m_looks.clear();
            m_rules->neuesSpiel();
            refresh();
            scheduleDeal();
        }
    }
    CB_auswahl->setToolTip(fsys::toStored(MakeRelativePath(fsys::withSlash(g().config.dirs.listen), listPath, false)));
}

void TFormPaarSuche::writeOptions()
{
    if (m_listValid)
        opts().file = relativeList();
    WritePlayerOptions(g().currentPlayer(), programCode);
}

void TFormPaarSuche::optionsClick()
{
    writeOptions();
    const TOpt_PaarSuche before = opts();
    const int countBefore = m_rules->count();  // the N in force
    bool ok = false;
    {
        messagehook::Suspend suspend;
        ok = options::ShowOptionPage(this, programCode);
    }
    g().programCode = programCode;
    if (!ok) {
        if (!m_rules->validCount())
            return;
        refresh();
        return;
    }
    const TOpt_PaarSuche& now = opts();
    praiseSounds().clear();
    errorSounds().clear();
    m_rules->prepareFeedback();
    applyOptions();
    const QString listFile = run().runResults.empty() ? CB_auswahl->currentText() : run().runResults.back().ListFile;
    if (now.pictureCount != countBefore || !m_rules->validCount()) {
        // N as the options give it differs from the N in force: a new block and a new game.
        m_rules->startResultBlock(listFile, now.pictureCount);
        m_rules->neuesSpiel();
        m_looks.clear();
        refresh();
        scheduleDeal();
    } else if (now.textPicture != before.textPicture || now.backgroundPicture != before.backgroundPicture ||
               now.visible != before.visible) {
        m_rules->startResultBlock(listFile, now.pictureCount);
        buildBackground();
        layoutGrid();
        buildLooks();
        m_rules->redrawLooks();
        m_rules->startRow();
        refresh();
    } else {
        m_rules->redrawLooks();
        refresh();
    }
    if (QWidget* f = focusWidget())
        f->clearFocus();
}

void TFormPaarSuche::StopBeforeClose()
{
    m_closing = true;
    // This window plays no end praise: with its results already written, none are left to praise.
    ClearRunResults();
}

void TFormPaarSuche::FormClose()
{
    m_closing = true;
    writeOptions();
    m_looks.clear();
    m_buffer = m_background = QImage();
    TFormExercise::FormClose();
}
