#include "exercises/Merkfaehigkeit/Merkfaehigkeit.h"

#include "exercises/common/ListLook.h"
#include "exercises/common/TaskSounds.h"

#include "core/Catalogue.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
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
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "options/Options.h"
#include "results/Ergebnisse.h"

#include <QComboBox>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

using namespace merk;
using picture::Colour;

namespace {

constexpr int kBarHeight = 75;  // at the design size 800 x 600
constexpr Colour kKey = 0x00FF00FF;
const QString kNoValidData = QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!");

TOpt_Merkfaehigkeit& opts() { return g().playerOptions.merkfaehigkeit; }

const ProgramSection& section() { return g().config.programSection(QStringLiteral("ProgMerkfaehigkeit")); }

QString sectionPicture(const QString& key, const QString& fallback = QString())
{
    const QString v = section().value(key);
    if (v.isEmpty())
        return fallback;
    const QString p = exercise::InternPicture(v);
    return p.isEmpty() ? fallback : p;
}

QFont barFont(double factor)
{
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(std::max(8, qRound(12 * factor)));
    return f;
}

Colour pictureBackground() { return g().loadedList.layout.pictureBackgroundColour; }


// An element picture drawn fitted on a transparent ground: metafiles smoothly, raster pictures fitted.
// `ground` is the colour it will lie on, so the smoothed edges blend into it.
QImage elementPicture(const QString& name, QSize size, int percent, Colour ground = kKey)
{
    if (size.width() < 2 || size.height() < 2)
        return QImage();
    picture::Target t(size.width(), size.height(), ground);
    t.transparent = true;
    const QString file = picture::ResolvePictureName(name);
    if (!file.isEmpty()) {
        if (picture::IsMetafile(file))
            picture::DrawMetafileSmooth(file, t, ground, percent, false, true);
        else
            picture::DrawPictureFitted(t, file, ground, percent, false, true, true);
    }
    return picture::ShownImage(t);
}

int picturePercent(const TEinzelbild& e)
{
    const int size = e.layout.pictureSize > 0 ? e.layout.pictureSize : g().loadedList.layout.pictureSize;
    return std::clamp(size > 0 ? size : 90, 10, 100);
}

} // namespace

TFormMerkfaehigkeit::TFormMerkfaehigkeit(int code, const QString& path, QWidget* parent)
    : TFormExercise(code, path, parent), m_rules(std::make_unique<MerkRules>(*WAV1, code))
{
    setObjectName(QStringLiteral("FormMerkfaehigkeit"));
    setMouseTracking(true);
    buildBar();
    m_flightTimer = new QTimer(this);
    m_flightTimer->setInterval(1);
    connect(m_flightTimer, &QTimer::timeout, this, [this] { flightTick(); });
}

TFormMerkfaehigkeit::~TFormMerkfaehigkeit() = default;

// ---- the bar ------------------------------------------------------------------------------------

void TFormMerkfaehigkeit::buildBar()
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
    RB_merkspanne = named(new QRadioButton(QStringLiteral("Merkspanne"), P_Leiste), "RB_merkspanne");
    RB_reihenfolge = named(new QRadioButton(QStringLiteral("Reihenfolge"), P_Leiste), "RB_reihenfolge");
    L_Bilderanzahl = named(new QLabel(QStringLiteral("Bilderanzahl:"), P_Leiste), "L_Bilderanzahl");
    const int counts[5] = {2, 4, 6, 9, 12};
    for (int i = 0; i < 5; ++i) {
        SB_anzahl[i] = new QPushButton(QString::number(counts[i]), P_Leiste);
        SB_anzahl[i]->setObjectName(QStringLiteral("SB_anzahl%1").arg(counts[i]));
        SB_anzahl[i]->setCheckable(true);
        connect(SB_anzahl[i], &QPushButton::clicked, this, [this, n = counts[i]] { cardCountClick(n); });
    }
    SB_ueberschrift = named(new QPushButton(P_Leiste), "SB_ueberschrift");
    P_wahl = named(new QFrame(P_Leiste), "P_wahl");
    P_wahl->setAutoFillBackground(true);
    {
        QPalette p = P_wahl->palette();
        p.setColor(QPalette::Window, QColor(0, 50, 149));
        p.setColor(QPalette::WindowText, Qt::white);
        P_wahl->setPalette(p);
    }
    L_wahl = named(new QLabel(programCode == 101 ? QStringLiteral("Bilder:") : QStringLiteral("Texte:"), P_wahl), "L_wahl");
    RB_gleiche = named(new QRadioButton(QStringLiteral("gleiche"), P_wahl), "RB_gleiche");
    RB_andere = named(new QRadioButton(opts().randomOrder ? QStringLiteral("alle") : QStringLiteral("nächste"), P_wahl),
                      "RB_andere");
    for (QWidget* w : {static_cast<QWidget*>(L_wahl), static_cast<QWidget*>(RB_gleiche), static_cast<QWidget*>(RB_andere)}) {
        QPalette p = w->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        w->setPalette(p);
    }
    RB_andere->setChecked(true);
    SB_hoeren = named(new QPushButton(P_Leiste), "SB_hoeren");
    SB_pruefen = named(new QPushButton(P_Leiste), "SB_pruefen");
    SB_sehen = named(new QPushButton(P_Leiste), "SB_sehen");
    SB_nochmal = named(new QPushButton(P_Leiste), "SB_nochmal");
    SB_ende = named(new QPushButton(QStringLiteral("Ende"), P_Leiste), "SB_ende");
    L_Auswahl = named(new QLabel(QStringLiteral("Auswahl:"), P_Leiste), "L_Auswahl");
    CB_auswahl = named(new QComboBox(P_Leiste), "CB_auswahl");
    l_gbst = named(new QLabel(QStringLiteral("Großbuchstaben! "), P_Leiste), "l_gbst");
    l_gbst->setVisible(false);
    L_merken = named(new QLabel(QStringLiteral("merken:"), P_Leiste), "L_merken");
    CB_merken = named(new QComboBox(P_Leiste), "CB_merken");
    // Up to the largest card count: a span of 11 or 12 must show as itself.
    for (int m = 1; m <= 12; ++m)
        CB_merken->addItem(QString::number(m));
    for (QWidget* w : P_Leiste->findChildren<QWidget*>())
        w->setFocusPolicy(Qt::NoFocus);
    // The therapist's settings: a press on them is no act of the child's.
    for (QWidget* w : std::initializer_list<QWidget*>{RB_merkspanne, RB_reihenfolge, P_wahl, CB_merken})
        MarkAdultControl(w);
    for (QPushButton* b : SB_anzahl)
        MarkAdultControl(b);

    connect(sb_optionen, &QPushButton::clicked, this, [this] { optionsClick(); });
    connect(RB_merkspanne, &QRadioButton::clicked, this, [this] { orderModeClick(false); });
    connect(RB_reihenfolge, &QRadioButton::clicked, this, [this] { orderModeClick(true); });
    connect(SB_ueberschrift, &QPushButton::clicked, this, [this] { headingClick(); });
    connect(RB_gleiche, &QRadioButton::clicked, this, [this] { m_rules->setSecondChoice(false); });
    connect(RB_andere, &QRadioButton::clicked, this, [this] { m_rules->setSecondChoice(true); });
    connect(SB_hoeren, &QPushButton::clicked, this, [this] { hoerenClick(); });
    connect(SB_pruefen, &QPushButton::clicked, this, [this] { pruefenClick(); });
    connect(SB_sehen, &QPushButton::clicked, this, [this] { sehenClick(); });
    connect(SB_nochmal, &QPushButton::clicked, this, [this] { nochmalClick(); });
    connect(SB_ende, &QPushButton::clicked, this, [this] { SB_endeClick(); });
    connect(CB_auswahl, &QComboBox::activated, this, [this](int index) { listChosen(index); });
    connect(CB_merken, &QComboBox::activated, this, [this](int index) { spanChosen(index + 1); });
}

void TFormMerkfaehigkeit::arrange()
{
    const int w = width(), h = height();
    const double factor = screenScaleFactor(QSize(w, h));
    const QFont font = barFont(factor);
    const int barH = std::max(24, qRound(kBarHeight * factor));
    P_Leiste->setGeometry(0, h - barH, w, barH);
    for (QWidget* c : P_Leiste->findChildren<QWidget*>())
        c->setFont(font);
    const int ch = barH - 2;
    const int half = (barH - 4) / 2;
    // Skinned buttons are three times as wide as high where the bar has room.
    const int bw = std::min(3 * ch, w / 9);
    int x = 1;
    const int optW = w / 12;
    sb_optionen->setGeometry(x, 1, optW, ch);
    x += optW + 4;
    // The radio captions are never cut or run into "Bilderanzahl:".
    const int radioW = std::max(w / 10, std::max(RB_merkspanne->sizeHint().width(), RB_reihenfolge->sizeHint().width()) + 6);
    RB_merkspanne->setGeometry(x, 2, radioW, half);
    RB_reihenfolge->setGeometry(x, 2 + half, radioW, half);
    x += radioW + 2;
    const int countW = w / 8;
    L_Bilderanzahl->setGeometry(x, 2, countW, half);
    for (int i = 0; i < 5; ++i)
        SB_anzahl[i]->setGeometry(x + i * countW / 5, 2 + half, countW / 5 - 1, half);
    x += countW + 4;
    const int choiceW = w / 10;
    SB_ueberschrift->setGeometry(x + (choiceW - ch) / 2, 1, ch, ch);
    SB_ueberschrift->setIcon(QIcon(cursorPicture(crTon)));
    SB_ueberschrift->setIconSize(QSize(ch * 2 / 3, ch * 2 / 3));
    P_wahl->setGeometry(x, 1, choiceW, ch);
    const int third = ch / 3;
    L_wahl->setGeometry(4, 0, choiceW - 4, third);
    RB_gleiche->setGeometry(4, third, choiceW - 4, third);
    RB_andere->setGeometry(4, 2 * third, choiceW - 4, third);
    x += choiceW + 4;
    SB_hoeren->setGeometry(x, 1, bw, ch);
    x += bw + 2;
    for (QPushButton* b : {SB_pruefen, SB_sehen, SB_nochmal})
        b->setGeometry(x, 1, bw, ch);
    x += bw + 4;
    // From the right: "Ende", "Auswahl:" with the list box, "merken:" with its box.
    const int endW = w / 12;
    SB_ende->setGeometry(w - endW - 1, 1, endW, ch);
    int right = w - endW - 5;
    int merkW = w / 18, listW = w / 7;
    const int room = right - x - merkW - listW - 8;
    if (room > 0) {
        merkW += std::min(30, room / 3);
        listW += std::min(60, room - std::min(30, room / 3));
    }
    const int line = (barH - 4) / 3;
    L_Auswahl->setGeometry(right - listW, 2, listW, line);
    CB_auswahl->setGeometry(right - listW, 2 + line, listW, line);
    l_gbst->setGeometry(right - listW, 2 + 2 * line, listW, line);
    right -= listW + 6;
    L_merken->setGeometry(right - merkW, 2, merkW, half);
    CB_merken->setGeometry(right - merkW, 2 + half, merkW, half);
    const QString hoeren = sectionPicture(QStringLiteral("SymbolHören"), g().config.symbolHoeren);
    SkinButton(SB_pruefen, sectionPicture(QStringLiteral("Symbolprüfen"), g().config.symbolPruefen),
               QStringLiteral("Prüfen"), 2, 1, 0x00000000, 3);
    SkinButton(SB_sehen, sectionPicture(QStringLiteral("Symbolsehen"), hoeren), QStringLiteral(" Sehen"), 2, 1, 0x00000000, 3);
    SkinButton(SB_nochmal, sectionPicture(QStringLiteral("SymbolNochmal"), g().config.symbolWeiter),
               QStringLiteral("Nochmal"), 2, 1, 0x00000000, 3);
    SB_hoeren->setProperty("caption", QString());
}

// ---- opening ------------------------------------------------------------------------------------

QString TFormMerkfaehigkeit::listFolder() const { return fsys::withSlash(catalogue::listFolder(programCode)); }

QString TFormMerkfaehigkeit::relativeList() const
{
    return fsys::toStored(MakeRelativePath(listFolder(), listPath, false));
}

void TFormMerkfaehigkeit::FormActivate()
{
    TFormExercise::FormActivate();
    rnd::seedFromClock();
    arrange();
    {
        const QSignalBlocker block(CB_auswahl);
        FillFileChoice(CB_auswahl, fsys::folderOf(listPath), fsys::fileName(listPath), height() - P_Leiste->height(),
                       true);
        CB_auswahl->setToolTip(relativeList());
    }
    l_gbst->setVisible(programCode == 102 && g().playerOptions.capitalsOnly);
    const QString name = CB_auswahl->currentText().isEmpty() ? fsys::fileName(listPath) : CB_auswahl->currentText();
    m_listValid = m_rules->startList(name);
    if (!m_listValid) {
        const QString text = m_rules->message;
        m_rules->message.clear();
        ShowMessageWindow(text, this, false);
        QTimer::singleShot(0, this, [this] {
            if (!runEnded())
                endRun(QDialog::Rejected);
        });
        return;
    }
    makeBackground();
    relayout();
    loadSuccessFrames();
    afterEvent();
}

void TFormMerkfaehigkeit::resizeEvent(QResizeEvent* event)
{
    TFormExercise::resizeEvent(event);
    arrange();
    if (!m_listValid)
        return;
    makeBackground();
    relayout();
    render();
}

// ---- layout and pictures ------------------------------------------------------------------------

void TFormMerkfaehigkeit::relayout()
{
    LayoutInput in;
    in.client = size();
    in.barHeight = P_Leiste->height();
    in.pictures = m_rules->pictures();
    in.cards = m_rules->cardCount();
    in.span = m_rules->span();
    in.screenFactor = g().config.bildschirmfaktor > 0 ? g().config.bildschirmfaktor : 13;
    m_layout = ComputeLayout(in);
    if (!m_rules->pictures() && !m_layout.homes.empty()) {
        // One size for every card: " 10." + the longest text + " " fits 85 % of a card.
        QString longest;
        const QFont big = exercise::ListFont(200);
        const QFontMetrics fm(big);
        for (const Card& c : m_rules->cards())
            if (fm.horizontalAdvance(c.text) > fm.horizontalAdvance(longest))
                longest = c.text;
        const QRect r = m_layout.homes.front();
        m_textPoints = std::max(6, picture::FitFontSize(r.height(), r.width(), QStringLiteral(" 10.") + longest +
                                                                                   QStringLiteral(" "), 85, big));
        m_textFont = exercise::ListFont(m_textPoints);
        const int textWidth = QFontMetrics(m_textFont).horizontalAdvance(QStringLiteral(" 10.") + longest + QStringLiteral(" "));
        in.textWidth = std::max(1, textWidth);
        m_layout = ComputeLayout(in);
    }
    // The answer card: the head element's picture, else a light plain card.
    makeAnswerCard();
    m_slotRects = m_rules->pictures() ? PictureSlots(m_answerRect, m_rules->span()) : m_layout.fields;
    m_facesKey.clear();
    m_shadowKey.clear();  // the faces are drawn again at the next render
    const double factor = std::max(0.3, screenScaleFactor(size()));
    Q_UNUSED(factor);
    // The strip symbols.
    for (int i = 0; i < 2; ++i) {
        const QString key = (m_rules->pictures() ? QStringLiteral("LobBild") : QStringLiteral("LobText")) + QString::number(i + 1);
        const QString file = sectionPicture(key);
        const int s = m_layout.symbolSize;
        const QString symbolKey = file + QLatin1Char('|') + QString::number(s);
        if (symbolKey == m_symbolKey[i])
            continue;
        m_symbolKey[i] = symbolKey;
        m_symbol[i] = QImage();
        if (!file.isEmpty() && s > 2)
            m_symbol[i] = elementPicture(file, QSize(s, s), 100);
        if (m_symbol[i].isNull() && s > 2) {
            m_symbol[i] = QImage(s, s, QImage::Format_ARGB32_Premultiplied);
            m_symbol[i].fill(Qt::transparent);
            QPainter q(&m_symbol[i]);
            q.setRenderHint(QPainter::Antialiasing);
            q.setBrush(i == 0 ? QColor(40, 170, 60) : QColor(230, 150, 20));
            q.setPen(Qt::NoPen);
            q.drawEllipse(QRect(2, 2, s - 4, s - 4));
        }
    }
}

void TFormMerkfaehigkeit::makeBackground()
{
    if (width() <= 0 || height() <= 0)
        return;
    m_background = exercise::WindowBackground(size(), opts().backgroundPicture);
    const QString file = opts().backgroundPicture ? exercise::BackgroundPicturePath() : QString();
    if (file.isEmpty()) {
        m_light = QImage(size(), QImage::Format_RGB32);
        m_light.fill(picture::toQColor(picture::LightenColour(g().loadedList.layout.backgroundColour, 30)));
    } else {
        m_light = picture::LightBackground(file, size(), g().loadedList.layout.backgroundColour);
    }
}

void TFormMerkfaehigkeit::makeFaces()
{
    const int n = m_rules->cardCount();
    m_faces.assign(size_t(n), QImage());
    m_placedFaces.assign(size_t(n), QImage());
    if (!m_rules->pictures() || int(m_layout.homes.size()) < n)
        return;
    const std::vector<int> order = m_rules->displayOrder();
    for (int pos = 0; pos < n; ++pos) {
        const int c = order[size_t(pos)];
        const Card& card = m_rules->card(c);
        const int percent = picturePercent(card.element);
        const QRect home = m_layout.homes[size_t(pos)];
        const Colour ground = opts().cardTransparent || !opts().pictureOnCard
                                  ? picture::fromQColor(m_light.pixelColor(home.center()))
                                  : pictureBackground();
        if (home.size() != m_faceCacheSize || m_faceCache.size() > 64) {
            m_faceCache.clear();
            m_faceCacheSize = home.size();
        }
        const QString key = card.element.picture + QLatin1Char('|') + QString::number(percent) + QLatin1Char('|') +
                            QString::number(ground);
        auto it = m_faceCache.constFind(key);
        if (it == m_faceCache.constEnd())
            it = m_faceCache.insert(key, elementPicture(card.element.picture, home.size(), std::max(1, percent - 1), ground));
        m_faces[size_t(c - 1)] = *it;
    }
}

void TFormMerkfaehigkeit::makeAnswerCard()
{
    const QRect a = m_layout.answerCard;
    const QString name = g().taskList().empty() ? QString() : g().taskList().front().headElement.picture;
    const QString file = name.isEmpty() ? QString() : g().config.dirs.materialSammelBilder + fsys::fromStored(name);
    // The same picture on the same card and background is not drawn again.
    const QString key = QStringLiteral("%1|%2,%3,%4,%5|%6")
                            .arg(file)
                            .arg(a.x())
                            .arg(a.y())
                            .arg(a.width())
                            .arg(a.height())
                            .arg(m_background.isNull() ? qint64(-1) : m_background.cacheKey());
    if (key == m_answerKey)
        return;
    m_answerKey = key;
    m_answerPicture = QImage();
    m_answerRect = a;
    if (a.width() > 2 && a.height() > 2 && !g().taskList().empty()) {
        if (!name.isEmpty() && fsys::fileExists(file)) {
            const Colour ground = m_background.isNull() ? kKey : picture::fromQColor(m_background.pixelColor(a.topLeft()));
            picture::Target t(a.width(), a.height(), ground);
            t.transparent = true;
            picture::DrawPictureFitted(t, fsys::resolve(file), ground, 100, true, true, true);
            m_answerPicture = picture::ShownImage(t);
            const QSize natural = picture::PictureSize(fsys::resolve(file));
            if (natural.isValid() && !natural.isEmpty())
                m_answerRect = picture::FitRect(natural.width(), natural.height(), QRect(QPoint(0, 0), a.size()))
                                   .translated(a.topLeft());
        }
    }
}

void TFormMerkfaehigkeit::loadSuccessFrames()
{
    m_successFrames.clear();
    const int visual = opts().successVisual;
    if (visual >= 2) {
        const QStringList praise = praiseSounds();
        QString text = QStringLiteral("!!!");
        for (const QString& p : praise)
            if (!p.isEmpty()) {
                text = fsys::baseName(p);
                break;
            }
        QImage img(240, 60, QImage::Format_RGB32);
        img.fill(picture::toQColor(picture::MixColour(pictureBackground(), 0, 25)));
        QPainter q(&img);
        QFont f = exercise::ListFont(20);
        q.setFont(f);
        q.setPen(Qt::white);
        q.drawText(img.rect(), Qt::AlignCenter, text);
        m_successFrames.push_back(img);
        return;
    }
    QString folder;
    const QString root = g().config.dirs.lobAnimation;
    if (root.isEmpty())
        return;
    if (visual == 0) {
        folder = fsys::withSlash(root + g().loadedList.layout.animation);
    } else {
        const QStringList dirs = fsys::list(root, QStringLiteral("*"), false, fsys::Entries::Dirs);
        if (!dirs.isEmpty())
            folder = fsys::withSlash(root + dirs[rnd::below(int(dirs.size()))]);
    }
    if (g().loadedList.layout.animation.isEmpty() && visual == 0)
        return;
    if (!fsys::dirExists(folder))
        return;
    QStringList files;
    for (const QString& f : fsys::list(folder, QStringLiteral("*"), false, fsys::Entries::Files)) {
        const QString ext = fsys::extension(f).toUpper();
        if (ext == QLatin1String(".WMF") || ext == QLatin1String(".BMP") || ext == QLatin1String(".JPG") ||
            ext == QLatin1String(".GIF") || ext == QLatin1String(".EMF") || ext == QLatin1String(".JPEG"))
            files << folder + f;
    }
    const int cardH = m_layout.homes.empty() ? 100 : m_layout.homes.front().height();
    const int s = std::max(8, cardH * (m_rules->pictures() ? 70 : 85) / 100);
    // The same frames at the same size are kept from the last time.
    const QString key = files.join(QLatin1Char('|')) + QLatin1Char('|') + QString::number(s);
    if (key == m_successKey && !m_keptSuccessFrames.empty()) {
        m_successFrames = m_keptSuccessFrames;
        return;
    }
    for (const QString& f : files)
        m_successFrames.push_back(elementPicture(f, QSize(s, s), 100));
    m_successKey = key;
    m_keptSuccessFrames = m_successFrames;
}

QRect TFormMerkfaehigkeit::homeRect(int c) const
{
    if (c < 1 || c > m_rules->cardCount())
        return QRect();
    const std::vector<int> order = m_rules->displayOrder();
    for (size_t pos = 0; pos < order.size() && pos < m_layout.homes.size(); ++pos)
        if (order[pos] == c)
            return m_layout.homes[pos];
    return QRect();
}

QRect TFormMerkfaehigkeit::targetRect(int c) const
{
    if (c < 1 || c > m_rules->cardCount() || !m_rules->card(c).placed)
        return QRect();
    const int slot = m_rules->card(c).slot;
    return slot >= 0 && slot < int(m_slotRects.size()) ? m_slotRects[size_t(slot)] : QRect();
}

QRect TFormMerkfaehigkeit::fieldRect(int slot) const
{
    return slot >= 0 && slot < int(m_slotRects.size()) ? m_slotRects[size_t(slot)] : QRect();
}

// ---- drawing ------------------------------------------------------------------------------------

void TFormMerkfaehigkeit::render()
{
    if (width() <= 0 || height() <= 0 || m_background.isNull())
        return;
    // New cards (or a new layout): their pictures are drawn once, here.
    QString key = QString::number(m_rules->span());
    for (const Card& c : m_rules->cards())
        key += QLatin1Char(',') + QString::number(c.poolIndex);
    if (key != m_facesKey || m_facesKey.isEmpty()) {
        makeFaces();
        m_facesKey = key;
    }
    // The soft shadows are costly: the background with them is kept while they stay the same.
    QString shadowKey = QString::number(width()) + QLatin1Char('x') + QString::number(height());
    std::vector<QRect> shadows;
    for (int c = 1; c <= m_rules->cardCount(); ++c)
        if (cardShadow(c))
            shadows.push_back(homeRect(c));
    if (!m_rules->pictures())
        shadows.insert(shadows.end(), m_slotRects.begin(), m_slotRects.end());
    for (const QRect& r : shadows)
        shadowKey += QStringLiteral(";%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    shadowKey += QLatin1Char('|') + QString::number(m_background.cacheKey());
    if (shadowKey != m_shadowKey || m_table.isNull()) {
        // The last few tables are kept: the phases of a task switch between the same few.
        auto kept = std::find_if(m_keptTables.begin(), m_keptTables.end(),
                                 [&](const std::pair<QString, QImage>& t) { return t.first == shadowKey; });
        if (kept != m_keptTables.end()) {
            m_table = kept->second;
        } else {
            m_table = m_background.copy();
            for (const QRect& r : shadows)
                DrawShadowFrame(m_table, r, 15);
            m_keptTables.insert(m_keptTables.begin(), {shadowKey, m_table});
            if (m_keptTables.size() > 3)
                m_keptTables.pop_back();
        }
        m_shadowKey = shadowKey;
    }
    // The back buffer is kept: a fresh full-screen image per event costs more than what changes on it.
    if (m_buffer.size() != m_table.size() || m_buffer.format() != m_table.format())
        m_buffer = QImage(m_table.size(), m_table.format());
    QPainter p(&m_buffer);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, m_table);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setRenderHint(QPainter::Antialiasing);
    drawStrip(p);
    drawAnswerCard(p);
    for (int c = 1; c <= m_rules->cardCount(); ++c)
        drawCard(p, c);
    // Placed cards at their targets.
    const Phase phase = m_rules->phase();
    for (int c = 1; c <= m_rules->cardCount(); ++c) {
        const Card& card = m_rules->card(c);
        const QRect t = targetRect(c);
        if (!card.placed || t.isEmpty() || c == m_flightCard)
            continue;
        if (phase == Phase::Replay && m_rules->emphasisedCard() == c && m_rules->pictures()) {
            // The card whose word plays is shown large over its slot.
            const QRect home = homeRect(c);
            const QRect big(t.center() - QPoint(home.width() / 2, home.height() / 2), home.size());
            p.drawImage(big.topLeft(), elementPicture(card.element.picture, big.size(),
                                                       std::min(90, picturePercent(card.element))));
            continue;
        }
        if (m_rules->pictures()) {
            // Drawn when the card is first placed: most cards never are.
            if (m_placedFaces[size_t(c - 1)].isNull())
                m_placedFaces[size_t(c - 1)] = elementPicture(card.element.picture, t.size(), picturePercent(card.element),
                                                              pictureBackground());
            const QImage& img = m_placedFaces[size_t(c - 1)];
            if (!img.isNull())
                p.drawImage(t.topLeft(), img.size() == t.size() ? img : img.scaled(t.size()));
        } else {
            p.fillRect(t, picture::toQColor(pictureBackground()));
            p.setFont(m_textFont);
            p.setPen(picture::toQColor(exercise::ListFontColour()));
            const QString text = m_rules->orderMode() ? QString::number(card.slot + 1) + QStringLiteral(". ") + card.text
                                                      : card.text;
            p.drawText(t, Qt::AlignCenter, text);
        }
    }
    // The success picture over the heard cards.
    if (m_showSuccess && !m_successFrames.empty() && phase == Phase::Solved) {
        const QImage& frame = m_successFrames.back();
        for (int c : m_rules->heard()) {
            const QRect h = homeRect(c);
            p.drawImage(h.center() - QPoint(frame.width() / 2, frame.height() / 2), frame);
        }
    }
    // The outline of the word playing and the keyboard frame.
    const int marked = m_rules->markedCard();
    if (marked > 0 && marked <= m_rules->cardCount() && !m_rules->card(marked).placed) {
        QPen pen(picture::toQColor(opts().frameColour));
        pen.setWidth(std::max(1, opts().frameWidth));
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(homeRect(marked).adjusted(-2, -2, 2, 2));
    }
    const int focus = m_rules->focusedCard();
    if (focus > 0 && focus <= m_rules->cardCount() && phase == Phase::Answering && !m_rules->card(focus).placed) {
        QPen pen(picture::toQColor(opts().frameColour));
        pen.setWidth(1);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(homeRect(focus).adjusted(-2, -2, 2, 2));
    }
    p.end();
    update();
}

void TFormMerkfaehigkeit::drawAnswerCard(QPainter& p)
{
    const Colour bg = pictureBackground();
    if (m_rules->pictures()) {
        const QRect a = m_layout.answerCard;
        if (a.isEmpty())
            return;
        if (!m_answerPicture.isNull()) {
            p.drawImage(a.topLeft(), m_answerPicture);
        } else {
            p.fillRect(a, picture::toQColor(picture::MixColour(g().loadedList.layout.backgroundColour, 0x00FFFFFF, 50)));
            p.setPen(QColor(128, 128, 128));
            p.setBrush(Qt::NoBrush);
            p.drawRect(a.adjusted(1, 1, -2, -2));
        }
        return;
    }
    // Empty answer fields, and the home places of placed cards, darkened.
    const QColor dark = picture::toQColor(picture::MixColour(bg, 0, 25));
    for (const QRect& f : m_slotRects)
        p.fillRect(f, dark);
}

int TFormMerkfaehigkeit::cardLook(int c) const
{
    const bool pictures = m_rules->pictures();
    Phase phase = m_rules->phase();
    if (phase == Phase::HeadingSound || phase == Phase::CardSound)
        phase = m_rules->keptPhase();
    const int inv = opts().invisible;
    if (inv == 0) {
        if (phase == Phase::Answering || phase == Phase::Dragging || (!pictures && phase == Phase::Solved))
            return kFace;
        if (phase == Phase::NeedTask || phase == Phase::Ready || phase == Phase::Hearing)
            return pictures && !opts().pictureOnCard ? kNone : kBlank;
        return kNone;
    }
    if (inv == 1)
        return phase == Phase::Hearing ? kBlank : kFace;
    Q_UNUSED(c);
    return kFace;
}

bool TFormMerkfaehigkeit::cardShadow(int c) const
{
    const bool pictures = m_rules->pictures();
    const Card& card = m_rules->card(c);
    if (card.placed || (c == m_pressCard && m_dragShown))
        return !pictures;
    return cardLook(c) != kNone && (!pictures || opts().pictureOnCard);
}

void TFormMerkfaehigkeit::drawCard(QPainter& p, int c)
{
    const Card& card = m_rules->card(c);
    const QRect r = homeRect(c);
    if (r.isEmpty())
        return;
    const Colour bg = pictureBackground();
    const bool pictures = m_rules->pictures();
    if (card.placed || (c == m_pressCard && m_dragShown)) {
        // The home place of a placed or moving card is an empty field.
        if (!pictures)
            p.fillRect(r, picture::toQColor(picture::MixColour(bg, 0, 25)));
        return;
    }
    const int look = cardLook(c);
    if (look == kNone)
        return;
    const bool framed = !pictures || opts().pictureOnCard;
    const bool transparentGround = opts().cardTransparent || (pictures && !opts().pictureOnCard && opts().invisible == 1);
    if (look == kBlank || framed) {
        if (transparentGround)
            p.drawImage(r.topLeft(), m_light, r);
        else
            p.fillRect(r, picture::toQColor(bg));
    }
    if (look == kFace) {
        if (pictures) {
            const QImage& img = m_faces[size_t(c - 1)];
            if (!img.isNull())
                p.drawImage(r.topLeft(), img);
        } else {
            p.setFont(m_textFont);
            p.setPen(picture::toQColor(exercise::ListFontColour()));
            p.drawText(r, Qt::AlignCenter, card.text);
        }
    }
    if (framed) {
        p.setPen(QPen(QColor(90, 90, 90), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(-1, -1, 0, 0));
    }
}

void TFormMerkfaehigkeit::drawStrip(QPainter& p)
{
    const std::vector<MerkRules::StripSymbol> page = m_rules->stripPage();
    const int s = m_layout.symbolSize;
    if (s <= 2 || m_symbol[0].isNull())
        return;
    const int gap = s / 2;
    const bool top = m_layout.stripAtTop;
    const int length = top ? width() : m_layout.strip.height();
    const int origin = (length - 15 * s - 3 * gap) / 2;
    QFont f(section().value(QStringLiteral("LobSchrift")).isEmpty() ? QStringLiteral("Arial")
                                                                     : section().value(QStringLiteral("LobSchrift")));
    f.setPixelSize(std::max(6, s * 2 / 3));
    bool ok = false;
    const int colourValue = section().value(QStringLiteral("LobSchriftfarbe")).toInt(&ok);
    const QColor numberColour = picture::toQColor(ok ? colourValue : 65535);
    const int xdiff = section().value(QStringLiteral("xdiff")).toInt();
    const int ydiff = section().value(QStringLiteral("ydiff")).toInt();
    for (size_t i = 0; i < page.size(); ++i) {
        const int along = origin + int(i) * s + int(i / 5) * gap;
        const QPoint at = top ? QPoint(along, 12) : QPoint(12, along);
        p.drawImage(at, m_symbol[page[i].second ? 1 : 0]);
        if (m_rules->pictures()) {
            p.setFont(f);
            p.setPen(numberColour);
            p.drawText(QRect(at + QPoint(xdiff, ydiff + 2), QSize(s, s)), Qt::AlignCenter,
                       QString::number(page[i].number));
        }
    }
}

void TFormMerkfaehigkeit::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_buffer.isNull())
        p.fillRect(rect(), picture::toQColor(g().loadedList.layout.backgroundColour));
    else
        p.drawImage(0, 0, m_buffer);
    if (m_flightCard > 0) {
        p.drawImage(m_flightAt, smallImage(m_flightCard));
    }
    if (m_pressCard > 0 && m_dragShown) {
        const QImage img = smallImage(m_pressCard);
        p.drawImage(m_dragAt - QPoint(img.width() / 2, img.height() / 2), img);
    }
}

QImage TFormMerkfaehigkeit::smallImage(int c) const
{
    const QRect home = homeRect(c);
    const QSize s(std::max(8, home.width() / 3), std::max(8, home.height() / 3));
    if (m_rules->pictures())
        return elementPicture(m_rules->card(c).element.picture, s, 100);
    QImage img(std::max(8, home.width() / 3), std::max(8, home.height() / 2), QImage::Format_RGB32);
    img.fill(picture::toQColor(pictureBackground()));
    QPainter q(&img);
    QFont f = exercise::ListFont(std::max(6, picture::FitFontSize(img.height(), img.width(), m_rules->card(c).text, 90,
                                                                   exercise::ListFont(200))));
    q.setFont(f);
    q.setPen(picture::toQColor(exercise::ListFontColour()));
    q.drawText(img.rect(), Qt::AlignCenter, m_rules->card(c).text);
    return img;
}

// ---- state to bar -------------------------------------------------------------------------------

void TFormMerkfaehigkeit::refresh()
{
    const MerkRules& r = *m_rules;
    const Phase phase = r.phase();
    const QString hoerenSymbol = sectionPicture(QStringLiteral("SymbolHören"), g().config.symbolHoeren);
    const QString caption = r.hoerenCaption;
    if (SB_hoeren->property("caption").toString() != caption) {
        SB_hoeren->setProperty("caption", caption);
        const QString symbol = caption == QLatin1String("Weiter ")
                                   ? sectionPicture(QStringLiteral("SymbolWeiter"), g().config.symbolWeiter)
                                   : hoerenSymbol;
        // A white caption vanishes on the light "Weiter " face.
        SkinButton(SB_hoeren, symbol, caption, 2, 1, caption == QLatin1String("Weiter ") ? 0x00000000 : 0x00FFFFFF, 3);
    }
    SB_hoeren->setEnabled(m_listValid && r.hoerenEnabled && phase != Phase::Replay && phase != Phase::Dragging);
    // One place for both: while the cards wait to be seen, "Sehen" is the button there.
    SB_pruefen->setVisible(r.pruefenVisible && !r.sehenVisible);
    SB_pruefen->setEnabled(r.pruefenEnabled);
    SB_sehen->setVisible(r.sehenVisible);
    SB_sehen->setEnabled(true);
    SB_nochmal->setVisible(r.nochmalVisible && !r.pruefenVisible && !r.sehenVisible);
    P_wahl->setVisible(r.choiceVisible);
    SB_ueberschrift->setVisible(r.headingVisible && !r.choiceVisible);
    {
        const QSignalBlocker a(RB_merkspanne), b(RB_reihenfolge), c(CB_merken), d(RB_gleiche), e(RB_andere);
        RB_reihenfolge->setChecked(r.orderMode());
        RB_merkspanne->setChecked(!r.orderMode());
        RB_merkspanne->setEnabled(r.radiosEnabled);
        RB_reihenfolge->setEnabled(r.radiosEnabled);
        CB_merken->setCurrentIndex(std::clamp(r.span(), 1, CB_merken->count()) - 1);
        RB_andere->setChecked(r.secondChoice());
        RB_gleiche->setChecked(!r.secondChoice());
    }
    const int counts[5] = {2, 4, 6, 9, 12};
    for (int i = 0; i < 5; ++i)
        SB_anzahl[i]->setChecked(counts[i] == r.cardCount());
    if (phase == Phase::Hearing || phase == Phase::Replay)
        setCursor(programCursor(crOhr));
    else if (phase == Phase::Dragging)
        setCursor(programCursor(crHandClose));
    else if (phase == Phase::Paused)
        setCursor(Qt::PointingHandCursor);
    else
        setCursor(Qt::ArrowCursor);
    render();
}

void TFormMerkfaehigkeit::showMessage()
{
    if (m_rules->message.isEmpty())
        return;
    const QString text = m_rules->message;
    m_rules->message.clear();
    ShowMessageWindow(text, this, false);
}

void TFormMerkfaehigkeit::afterEvent()
{
    if (m_closing || runEnded())
        return;
    if (m_rules->phase() == Phase::NeedTask) {
        m_showSuccess = false;
        m_rules->makeTask();
    }
    refresh();
    QPointer<TFormMerkfaehigkeit> self(this);
    showMessage();
    if (!self || m_closing || runEnded())
        return;
    if (m_rules->justSolved)
        afterSolved();
    if (self && !m_closing && !runEnded())
        refresh();
}

void TFormMerkfaehigkeit::afterSolved()
{
    m_rules->justSolved = false;
    landFlight();
    refresh();
    if (m_rules->closeQuestionDue()) {
        const bool close = dialogs::ask(this, m_rules->closeQuestion()) == dialogs::Button::Yes;
        m_rules->closeQuestionAnswered(close);
        if (close) {
            SB_endeClick();
            if (runEnded())
                return;
        }
    }
    if (!opts().successPicture || m_successFrames.empty())
        return;
    m_showSuccess = true;
    if (opts().withoutMovement && m_successFrames.size() > 1) {
        // Every frame in turn, stopped by any key or click; the last one stays.
        QPointer<TFormMerkfaehigkeit> self(this);
        m_stopSuccess = false;
        std::vector<QImage> frames = m_successFrames;
        for (size_t i = 0; i + 1 < frames.size() && !m_stopSuccess; ++i) {
            std::swap(m_successFrames.back(), frames[i]);
            render();
            std::swap(m_successFrames.back(), frames[i]);
            clock_::sleepMs(200);
            if (!self || m_closing)
                return;
        }
    }
}

// ---- commands -----------------------------------------------------------------------------------

void TFormMerkfaehigkeit::hoerenClick()
{
    if (!m_listValid)
        return;
    landFlight();
    m_rules->hoeren();
    afterEvent();
}

void TFormMerkfaehigkeit::pruefenClick()
{
    if (!m_listValid || !SB_pruefen->isVisible())
        return;
    landFlight();
    m_rules->check();
    afterEvent();
}

void TFormMerkfaehigkeit::sehenClick()
{
    if (!m_listValid)
        return;
    m_rules->see();
    afterEvent();
}

void TFormMerkfaehigkeit::nochmalClick()
{
    if (!m_listValid || m_rules->phase() != Phase::Solved)
        return;
    m_showSuccess = false;
    m_rules->next(true);
    afterEvent();
}

void TFormMerkfaehigkeit::headingClick()
{
    if (!m_listValid)
        return;
    m_rules->headingSound();
    refresh();
}

void TFormMerkfaehigkeit::cardCountClick(int n)
{
    if (!m_listValid)
        return;
    landFlight();
    const int before = m_rules->cardCount();
    m_rules->setCardCount(n);
    relayout();
    if (m_rules->pictures() || (before <= 6) != (m_rules->cardCount() <= 6))
        loadSuccessFrames();
    afterEvent();
}

void TFormMerkfaehigkeit::spanChosen(int m)
{
    if (!m_listValid)
        return;
    landFlight();
    m_rules->setSpan(m);
    relayout();
    afterEvent();
}

void TFormMerkfaehigkeit::orderModeClick(bool order)
{
    if (!m_listValid)
        return;
    landFlight();
    m_rules->setOrderMode(order);
    afterEvent();
}

void TFormMerkfaehigkeit::enterCard(int c)
{
    if (c < 1 || c > m_rules->cardCount())
        return;
    landFlight();
    const bool before = m_rules->card(c).placed;
    m_rules->clickCard(c);
    if (!before && m_rules->card(c).placed)
        startFlight(c, homeRect(c).topLeft());
    afterEvent();
}

// ---- card flight ------------------------------------------------------------------------------

void TFormMerkfaehigkeit::startFlight(int c, QPoint from)
{
    landFlight();
    if (targetRect(c).isEmpty() && m_rules->phase() != Phase::Solved)
        return;
    m_flightCard = c;
    m_flightAt = from;
    m_flightTimer->start();
}

void TFormMerkfaehigkeit::flightTick()
{
    if (m_flightCard == 0) {
        m_flightTimer->stop();
        return;
    }
    const QRect target = targetRect(m_flightCard);
    if (target.isEmpty()) {
        landFlight();
        return;
    }
    QPoint at = m_flightAt;
    if (at.x() < target.x())
        at.setX(std::min(target.x(), at.x() + 12));
    if (at.y() < target.y())
        at.setY(std::min(target.y(), at.y() + 12));
    else if (at.y() > target.y())
        at.setY(std::max(target.y(), at.y() - 12));
    m_flightAt = at;
    if (at.x() >= target.x() && at.y() == target.y())
        landFlight();
    else
        update();
}

void TFormMerkfaehigkeit::landFlight()
{
    if (m_flightCard == 0)
        return;
    m_flightTimer->stop();
    m_flightCard = 0;
    render();
}

// ---- mouse and keys -----------------------------------------------------------------------------

int TFormMerkfaehigkeit::cardAt(const QPoint& pos) const
{
    for (int c = 1; c <= m_rules->cardCount(); ++c)
        if (!m_rules->card(c).placed && homeRect(c).contains(pos))
            return c;
    return 0;
}

int TFormMerkfaehigkeit::placedAt(const QPoint& pos) const
{
    for (int c = 1; c <= m_rules->cardCount(); ++c)
        if (m_rules->card(c).placed && targetRect(c).contains(pos))
            return c;
    return 0;
}

int TFormMerkfaehigkeit::fieldAt(const QPoint& pos) const
{
    for (size_t k = 0; k < m_slotRects.size(); ++k)
        if (m_slotRects[k].contains(pos))
            return int(k);
    return -1;
}

void TFormMerkfaehigkeit::mousePressEvent(QMouseEvent* event)
{
    TFormExercise::mousePressEvent(event);
    if (!m_listValid)
        return;
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        int c = cardAt(pos);
        if (c == 0)
            c = placedAt(pos);
        if (c > 0) {
            m_rules->rightClickCard(c);
            refresh();
        }
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const int c = cardAt(pos);
    if (c > 0 && m_rules->phase() == Phase::Answering) {
        landFlight();
        if (m_rules->beginDrag(c)) {
            m_pressCard = c;
            m_pressAt = m_dragAt = pos;
            m_dragShown = false;
            refresh();
        }
    }
}

void TFormMerkfaehigkeit::mouseMoveEvent(QMouseEvent* event)
{
    TFormExercise::mouseMoveEvent(event);
    if (!m_listValid)
        return;
    const QPoint pos = event->position().toPoint();
    if (m_pressCard > 0 && m_rules->phase() == Phase::Dragging) {
        m_dragAt = pos;
        const QPoint d = pos - m_pressAt;
        if (!m_dragShown && (std::abs(d.x()) > 20 || std::abs(d.y()) > 20 || !homeRect(m_pressCard).contains(pos))) {
            m_dragShown = true;
            render();
        }
        update();
        return;
    }
    const Phase phase = m_rules->phase();
    const int c = cardAt(pos);
    if (phase == Phase::Answering) {
        setCursor(c > 0 ? programCursor(crHandUp) : Qt::ArrowCursor);
        if (opts().frameOn && c != m_rules->focusedCard()) {
            m_rules->setFocusedCard(c);
            render();
        }
    } else if (phase == Phase::Ready && c > 0) {
        setCursor(programCursor(crTon));
    } else if (phase == Phase::Ready || phase == Phase::Solved) {
        setCursor(Qt::ArrowCursor);
    }
}

void TFormMerkfaehigkeit::mouseReleaseEvent(QMouseEvent* event)
{
    TFormExercise::mouseReleaseEvent(event);
    if (!m_listValid || event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    if (m_pressCard > 0 && m_rules->phase() == Phase::Dragging) {
        const int c = m_pressCard;
        const bool shown = m_dragShown;
        m_pressCard = 0;
        m_dragShown = false;
        int target = MerkRules::kOutside;
        if (!shown || homeRect(c).contains(pos))
            target = MerkRules::kOwnCard;
        else if (m_rules->pictures())
            target = m_layout.answerCard.contains(pos) ? MerkRules::kAnswerCard : MerkRules::kOutside;
        else
            target = fieldAt(pos) >= 0 ? fieldAt(pos) : MerkRules::kOutside;
        const Offer outcome = m_rules->drop(target);
        const bool placed = outcome == Offer::Placed || outcome == Offer::Solved;
        if (placed && target == MerkRules::kOwnCard)
            startFlight(c, homeRect(c).topLeft());
        else if (placed && !m_rules->pictures() && m_rules->orderMode() && opts().checkAtOnce)
            startFlight(c, pos);
        afterEvent();
        return;
    }
    const int c = cardAt(pos);
    if (c > 0) {
        enterCard(c);
        return;
    }
    const int placed = placedAt(pos);
    if (placed > 0) {
        m_rules->clickPlaced(placed);
        afterEvent();
    }
}

bool TFormMerkfaehigkeit::HandleAppMessage(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress)
        m_stopSuccess = true;
    if (TFormExercise::HandleAppMessage(watched, event))
        return true;
    if (event->type() != QEvent::KeyPress || !m_listValid)
        return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != this)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    MerkRules& r = *m_rules;
    const Phase phase = r.phase();
    switch (key->key()) {
    case Qt::Key_Backspace:
        r.takeBackAll();
        afterEvent();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (phase == Phase::Answering && r.focusedCard() > 0)
            enterCard(r.focusedCard());
        return true;
    case Qt::Key_Space:
        if (phase == Phase::Answering && r.focusedCard() > 0) {
            r.rightClickCard(r.focusedCard());
            refresh();
        }
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!r.arrowKey(key->key()))
            Beep();
        refresh();
        return true;
    case Qt::Key_H:
        if (phase == Phase::Solved)
            Beep();
        else
            hoerenClick();
        return true;
    case Qt::Key_N:
        if (phase == Phase::Solved)
            nochmalClick();
        return true;
    case Qt::Key_P:
        pruefenClick();
        return true;
    case Qt::Key_S:
        sehenClick();
        return true;
    case Qt::Key_W:
        if (phase == Phase::Solved)
            hoerenClick();
        return true;
    default:
        return false;
    }
}

void TFormMerkfaehigkeit::SoundNotice(int channel, SoundStatus status)
{
    // The rules hand the notice to the player themselves.
    m_rules->soundNotice(channel, status);
    if (!m_closing && !runEnded())
        refresh();
}

// ---- lists, options and closing -----------------------------------------------------------------

void TFormMerkfaehigkeit::listChosen(int index)
{
    if (index < 0)
        return;
    const QString name = CB_auswahl->itemText(index);
    if (fsys::fileName(listPath).compare(name, Qt::CaseInsensitive) == 0 && m_listValid)
        return;
    landFlight();
    WAV1->StopAll();
    const QString oldPath = listPath;
    const QString newPath = fsys::folderOf(listPath) + name;
    setCursor(Qt::WaitCursor);
    auto restore = [&] {
        LoadTaskList(oldPath);
        m_listValid = m_rules->startList(fsys::fileName(oldPath));
        const QSignalBlocker block(CB_auswahl);
        CB_auswahl->setCurrentIndex(CB_auswahl->findText(fsys::fileName(oldPath)));
    };
    bool ok = LoadTaskList(newPath) >= 1;
    if (ok)
        ok = m_rules->startList(name);
    if (!ok) {
        m_rules->message.clear();
        ShowMessageWindow(kNoValidData, this, false);
        restore();
    } else {
        listPath = newPath;
        opts().file = relativeList();
        CB_auswahl->setToolTip(relativeList());
    }
    setCursor(Qt::ArrowCursor);
    makeBackground();
    relayout();
    loadSuccessFrames();
    afterEvent();
}

void TFormMerkfaehigkeit::writeOptions()
{
    if (m_listValid) {
        opts().file = relativeList();
        opts().rememberCount = m_rules->span();
    }
    WritePlayerOptions(g().currentPlayer(), programCode);
}

void TFormMerkfaehigkeit::optionsClick()
{
    if (!m_listValid || m_rules->phase() == Phase::Hearing)
        return;
    landFlight();
    writeOptions();
    const TOpt_Merkfaehigkeit before = opts();
    bool ok = false;
    {
        messagehook::Suspend suspend;
        ok = options::ShowOptionPage(this, programCode);
    }
    g().programCode = programCode;
    if (!ok) {
        refresh();
        return;
    }
    m_rules->optionsChanged(before);
    RB_andere->setText(opts().randomOrder ? QStringLiteral("alle") : QStringLiteral("nächste"));
    makeBackground();
    relayout();
    if (before.successVisual != opts().successVisual || m_rules->pictures())
        loadSuccessFrames();
    afterEvent();
}

void TFormMerkfaehigkeit::SB_endeClick()
{
    if (m_listValid && m_rules->endNeedsConfirmation()) {
        const QString question =
            QStringLiteral("Die Aufgabe ist noch nicht vollständig gelöst!\n\rTrotzdem Programm beenden?");
        if (ShowMessageWindow(question, this, true) != dialogs::Button::Yes)
            return;
    }
    landFlight();
    const std::vector<int> raw = m_rules->rebaseAttempts();
    TFormExercise::SB_endeClick();
    if (!runEnded())
        m_rules->restoreAttempts(raw);
}

void TFormMerkfaehigkeit::StopBeforeClose()
{
    m_closing = true;
    m_flightTimer->stop();
    m_flightCard = 0;
    TFormExercise::StopBeforeClose();
}

void TFormMerkfaehigkeit::FormClose()
{
    m_closing = true;
    StopNoise();
    writeOptions();
    m_buffer = m_background = m_light = m_answerPicture = m_table = QImage();
    m_keptTables.clear();
    m_faceCache.clear();
    m_faces.clear();
    m_placedFaces.clear();
    m_successFrames.clear();
    TFormExercise::FormClose();
}
