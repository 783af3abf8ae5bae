#include "exercises/Wortreihe/Wortreihe.h"

#include "exercises/common/CardText.h"
#include "exercises/common/ListLook.h"

#include "chooser/Listenreader.h"
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
#include "media/skin/FileChoice.h"
#include "media/skin/Frames.h"
#include "media/skin/ScreenScale.h"
#include "media/skin/SkinButton.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "options/Options.h"
#include "results/Ergebnisse.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QPointer>
#include <QPushButton>
#include <qdrawutil.h>

#include <algorithm>

using namespace wortreihe;
using picture::Colour;

namespace {

constexpr int kBarHeight = 75;  // at the design size 800 x 600
constexpr int kSideWidth = 100;

TOpt_Wortreihe& opts() { return g().playerOptions.wortreihe; }

const ProgramSection& section() { return g().config.programSection(QStringLiteral("ProgWortreihe")); }

QString sectionPicture(const QString& key) { return exercise::InternPicture(section().value(key)); }

QFont barFont(double factor)
{
    QFont f(QStringLiteral("Morwen  DN TTF"));
    f.setPixelSize(std::max(8, qRound(14 * factor)));
    return f;
}

const QString kCountCaptions[4] = {QStringLiteral("3"), QStringLiteral(" 4 "), QStringLiteral(" 5 "), QStringLiteral("6")};

} // namespace

TFormWortreihe::TFormWortreihe(int code, const QString& path, QWidget* parent)
    : TFormExercise(code, path, parent), m_rules(std::make_unique<WortreiheRules>(*WAV1, code))
{
    setObjectName(QStringLiteral("FormWortreihe"));
    setMouseTracking(true);
    buildBar();
}

TFormWortreihe::~TFormWortreihe() = default;

// ---- the bar ------------------------------------------------------------------------------------

void TFormWortreihe::buildBar()
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
    L_Aufgabe = named(new QLabel(QStringLiteral("Aufgaben"), P_Leiste), "L_Aufgabe");
    L_Aufgabe->setAlignment(Qt::AlignCenter);
    BB_zurueck = named(new QPushButton(QStringLiteral("<"), P_Leiste), "BB_zurueck");
    E_Aufgabe = named(new QLineEdit(P_Leiste), "E_Aufgabe");
    E_Aufgabe->setAlignment(Qt::AlignCenter);
    BB_vor = named(new QPushButton(QStringLiteral(">"), P_Leiste), "BB_vor");
    SB_hoeren = named(new QPushButton(P_Leiste), "SB_hoeren");
    SB_pruefen = named(new QPushButton(P_Leiste), "SB_pruefen");
    L_Anzahl = named(new QLabel(QStringLiteral("Anzahl Begriffe"), P_Leiste), "L_Anzahl");
    L_Anzahl->setAlignment(Qt::AlignCenter);
    const char* countNames[4] = {"SB_anzahl3", "SB_anzahl4", "SB_anzahl5", "SB_anzahl6"};
    for (int i = 0; i < 4; ++i) {
        SB_anzahl[i] = named(new QPushButton(kCountCaptions[i], P_Leiste), countNames[i]);
        SB_anzahl[i]->setCheckable(true);
        connect(SB_anzahl[i], &QPushButton::clicked, this, [this, i] { wordCountClick(i + 3); });
    }
    CB_auswahl = named(new QComboBox(P_Leiste), "CB_auswahl");
    Chb_hintergrundbild = named(new QCheckBox(QStringLiteral("Hintergrundbild"), P_Leiste), "Chb_hintergrundbild");
    L_Aufgaben = named(new QLabel(QStringLiteral(" Aufgaben: "), P_Leiste), "L_Aufgaben");
    l_gbst = named(new QLabel(QStringLiteral("Großbuchstaben! "), P_Leiste), "l_gbst");
    l_gbst->setVisible(false);
    SB_ende = named(new QPushButton(QStringLiteral("Ende"), P_Leiste), "SB_ende");
    for (QWidget* w : P_Leiste->findChildren<QWidget*>())
        w->setFocusPolicy(w == E_Aufgabe ? Qt::ClickFocus : Qt::NoFocus);
    // The therapist's settings and task choice: a press on them is no act of the child's.
    for (QWidget* w : std::initializer_list<QWidget*>{BB_zurueck, E_Aufgabe, BB_vor})
        MarkAdultControl(w);
    for (QPushButton* b : SB_anzahl)
        MarkAdultControl(b);

    connect(sb_optionen, &QPushButton::clicked, this, [this] { optionsClick(); });
    connect(BB_zurueck, &QPushButton::clicked, this, [this] { taskStep(-1); });
    connect(BB_vor, &QPushButton::clicked, this, [this] { taskStep(1); });
    connect(E_Aufgabe, &QLineEdit::returnPressed, this, [this] { taskNumberEntered(); });
    connect(SB_hoeren, &QPushButton::clicked, this, [this] {
        // As its caption says: "Weiter " goes on (a word still playing stops with the set-up), as
        // Enter and W do; "Hören " and "Pause " go to the series.
        if (m_rules->hoerenCaption() == QLatin1String("Weiter "))
            weiterClick();
        else
            hoerenClick();
    });
    connect(SB_pruefen, &QPushButton::clicked, this, [this] {
        if (m_rules->checkIsReplay()) {
            m_rules->replay();
            refresh();
        } else {
            pruefenClick();
        }
    });
    connect(CB_auswahl, &QComboBox::activated, this, [this](int index) { listChosen(index); });
    connect(Chb_hintergrundbild, &QCheckBox::clicked, this, [this] { backgroundClick(); });
    connect(SB_ende, &QPushButton::clicked, this, [this] { SB_endeClick(); });
}

void TFormWortreihe::arrange()
{
    const int w = width(), h = height();
    const double factor = screenScaleFactor(QSize(w, h));
    const QFont font = barFont(factor);
    const int barH = std::max(20, qRound(kBarHeight * factor));
    P_Leiste->setGeometry(0, h - barH, w, barH);
    for (QWidget* c : P_Leiste->findChildren<QWidget*>())
        c->setFont(font);
    // The two wide buttons in the middle carry their captions larger, to be read from a distance.
    QFont large = barFont(factor * 1.5);
    large.setBold(true);
    SB_hoeren->setFont(large);
    SB_pruefen->setFont(large);
    const int side = qRound(kSideWidth * factor);
    sb_optionen->setGeometry(1, 1, side, barH - 2);
    SB_ende->setGeometry(w - side - 1, 1, side, barH - 2);
    // Task navigation: "Aufgaben" over "<", the number box and ">".
    int x = side + 6;
    const int navW = qRound(90 * factor);
    const int half = (barH - 4) / 2;
    L_Aufgabe->setGeometry(x, 2, navW, half);
    const int arrow = navW / 4;
    BB_zurueck->setGeometry(x, 2 + half, arrow, half);
    E_Aufgabe->setGeometry(x + arrow + 2, 2 + half, navW - 2 * arrow - 4, half);
    BB_vor->setGeometry(x + navW - arrow, 2 + half, arrow, half);
    // Right of the middle: "Anzahl Begriffe" with its buttons, the list box, "Ende"; "Hören " and the
    // check button side by side in the middle, moved left where the right side needs the room.
    const int navEnd = x + navW;
    const int countW = std::max(L_Anzahl->sizeHint().width() + 4, 4 * half);
    const int choiceMin = std::max(Chb_hintergrundbild->sizeHint().width() + 8, qRound(150 * factor));
    const int rightStart = std::max(navEnd + 40, SB_ende->x() - 12 - choiceMin - countW);
    const int buttonW = std::max(20, std::min(barH * 3 - 6, (rightStart - navEnd - 16) / 2));
    const int buttonsLeft = std::clamp(w / 2 - buttonW - 2, navEnd + 6, std::max(navEnd + 6, rightStart - 2 * buttonW - 10));
    SB_hoeren->setGeometry(buttonsLeft, 1, buttonW, barH - 2);
    SB_pruefen->setGeometry(buttonsLeft + buttonW + 4, 1, buttonW, barH - 2);
    x = std::max(rightStart, SB_pruefen->geometry().right() + 6);
    L_Anzahl->setGeometry(x, 2, countW, half);
    for (int i = 0; i < 4; ++i)
        SB_anzahl[i]->setGeometry(x + i * countW / 4, 2 + half, countW / 4 - 2, half);
    x += countW + 6;
    const int choiceW = std::max(40, SB_ende->x() - 6 - x);
    const int line = (barH - 4) / 3;
    CB_auswahl->setGeometry(x, 2, choiceW, line);
    Chb_hintergrundbild->setGeometry(x, 2 + line, choiceW, line);
    const int hintW = l_gbst->isHidden() ? 0 : std::min(l_gbst->sizeHint().width(), choiceW / 2);
    L_Aufgaben->setGeometry(x, 2 + 2 * line, choiceW - hintW, line);
    l_gbst->setGeometry(x + choiceW - hintW, 2 + 2 * line, hintW, line);
}

// ---- opening ------------------------------------------------------------------------------------

QString TFormWortreihe::listFolder() const { return fsys::withSlash(catalogue::listFolder(programCode)); }

QString TFormWortreihe::relativeList() const
{
    return fsys::toStored(MakeRelativePath(listFolder(), listPath, false));
}

void TFormWortreihe::FormActivate()
{
    TFormExercise::FormActivate();
    arrange();
    SelectPause(opts().time);
    praiseSounds().clear();
    errorSounds().clear();
    {
        const QSignalBlocker block(CB_auswahl);
        FillFileChoice(CB_auswahl, fsys::folderOf(listPath), fsys::fileName(listPath), height() - P_Leiste->height(),
                       true);
    }
    Chb_hintergrundbild->setChecked(opts().backgroundPicture);
    l_gbst->setVisible(!IsPictureProgram(programCode) && g().playerOptions.capitalsOnly);
    arrange();
    const int start = chooser::startPosition() >= 1 ? chooser::startPosition() : 0;
    m_listValid = m_rules->startList(CB_auswahl->currentText().isEmpty() ? relativeList() : CB_auswahl->currentText(),
                                     start);
    L_Aufgaben->setText(QStringLiteral(" Aufgaben: ") + QString::number(m_rules->taskCount()));
    m_collected = int(WortreiheRules::StripSymbols().size()) / 5;
    m_faces.clear();
    m_smallPictures.clear();
    makeBackground();
    makeSymbols();
    afterSetUp();
    if (!m_listValid) {
        // Nothing to play: say so, as every program does, and close at the next turn of the loop.
        dialogs::showMessage(this, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
        QTimer::singleShot(0, this, [this] { endRun(QDialog::Rejected); });
    }
}

void TFormWortreihe::afterSetUp()
{
    layoutCards();
    fitTextSize();
    refresh();
    showMessage();
}

void TFormWortreihe::showMessage()
{
    if (m_rules->message.isEmpty())
        return;
    const QString text = m_rules->message;
    m_rules->message.clear();
    dialogs::showMessage(this, text);
}

void TFormWortreihe::resizeEvent(QResizeEvent* event)
{
    TFormExercise::resizeEvent(event);
    arrange();
    if (!SB_hoeren->property("faceKey").isNull())  // skinned once: follow the new size
        skinMiddleButtons();
    makeBackground();
    makeSymbols();
    layoutCards();
    fitTextSize();
    render();
}

// ---- layout and drawing -------------------------------------------------------------------------

void TFormWortreihe::layoutCards()
{
    m_cards.clear();
    m_markers.clear();
    m_sequence.clear();
    const QFont heading = exercise::ListFont();
    m_headingHeight = std::clamp(QFontMetrics(heading).height(), height() / 20, height() / 8);
    m_area = QRect(0, m_headingHeight, width(), std::max(10, P_Leiste->y() - m_headingHeight));
    m_markerSize = m_area.width() > 1024 ? 68 : 41;
    const int k = int(m_rules->cards().size());
    if (k <= 0)
        return;
    const int m = m_markerSize;
    if (m_rules->pictures()) {
        const int cols = k == 4 ? 2 : 3;
        const int rows = k == 3 ? 1 : 2;
        // 4:3 cards with their markers below, as large as the area allows.
        const int cw = std::min((m_area.width() - (cols + 1) * 3) / cols,
                                ((m_area.height() - rows * (m + 8) - (rows + 1) * 3) / rows) * 4 / 3);
        const int ch = cw * 3 / 4;
        const int cellH = ch + 5 + m + 3;
        const int top = m_area.top() + (m_area.height() - rows * cellH) / 2;
        int card = 0;
        for (int r = 0; r < rows; ++r) {
            const int inRow = k == 5 ? (r == 0 ? 3 : 2) : cols;
            const int left = (width() - inRow * cw - (inRow - 1) * 3) / 2;
            for (int c = 0; c < inRow && card < k; ++c, ++card) {
                const QRect rect(left + c * (cw + 3), top + r * cellH, cw, ch);
                m_cards.push_back(rect);
                m_markers.push_back(QRect(rect.center().x() - m / 2, rect.bottom() + 6, m, m));
            }
        }
        return;
    }
    if (!m_rules->doppelgaenger()) {
        const int cw = m_area.width() / 2;
        const int ch = std::max(10, (m_area.height() - (k + 1) * 3) / k);
        const int left = (width() - cw) / 2;
        for (int i = 0; i < k; ++i) {
            const QRect rect(left, m_area.top() + 3 + i * (ch + 3), cw, ch);
            m_cards.push_back(rect);
            m_markers.push_back(QRect(rect.right() + 6, rect.center().y() - m / 2, m, m));
        }
        return;
    }
    // Doppelgänger-Text: K cards left of the middle, K + 1 sequence boxes at the right edge.
    const int cw = m_area.width() / 3;
    const int ch = std::max(10, (m_area.height() - (k + 2) * 3) / (k + 1));
    const int cardsTop = m_area.top() + (m_area.height() - k * (ch + 3)) / 2;
    const int boxesTop = m_area.top() + (m_area.height() - (k + 1) * (ch + 3)) / 2;
    const int left = width() / 2 - cw - m - 10;
    for (int i = 0; i < k; ++i) {
        const QRect rect(left, cardsTop + i * (ch + 3), cw, ch);
        m_cards.push_back(rect);
        m_markers.push_back(QRect(rect.right() + 6, rect.center().y() - m / 2, m, m));
    }
    for (int i = 0; i <= k; ++i)
        m_sequence.push_back(QRect(width() - cw - 3, boxesTop + i * (ch + 3), cw, ch));
}

void TFormWortreihe::fitTextSize()
{
    if (m_rules->pictures() || m_cards.empty())
        return;
    QString longest;
    QFont font = exercise::ListFont(200);
    const QFontMetrics fm(font);
    for (int i = 0; i < int(m_rules->cards().size()); ++i)
        if (fm.horizontalAdvance(m_rules->cardText(i)) > fm.horizontalAdvance(longest))
            longest = m_rules->cardText(i);
    m_textPoints = std::max(6, picture::FitFontSize(m_cards[0].height(), m_cards[0].width(), longest, 85, font));
}

void TFormWortreihe::makeBackground()
{
    if (width() <= 0 || height() <= 0)
        return;
    m_background = exercise::WindowBackground(size(), opts().backgroundPicture);
    m_tables.clear();  // drawn on the old background
    const QString file = opts().backgroundPicture ? exercise::BackgroundPicturePath() : QString();
    m_light = file.isEmpty() ? m_background
                             : picture::LightBackground(file, size(), g().loadedList.layout.backgroundColour);
}

void TFormWortreihe::makeSymbols()
{
    m_symbols.clear();
    m_symbolSize = std::max(8, std::min(m_headingHeight > 0 ? m_headingHeight : height() / 15, width() / 15));
    const QString folder = g().config.dirs.knopf;
    if (folder.isEmpty() || !fsys::dirExists(folder))
        return;
    QStringList files = fsys::list(folder, QStringLiteral("*.wmf"), false, fsys::Entries::Files) +
                        fsys::list(folder, QStringLiteral("*.emf"), false, fsys::Entries::Files);
    files.removeDuplicates();
    files.sort(Qt::CaseInsensitive);
    if (files.size() < 2)
        return;
    for (const QString& f : files) {
        picture::Target t(m_symbolSize, m_symbolSize, kFaceKeyColour);
        t.transparent = true;
        picture::DrawMetafileSmooth(fsys::withSlash(folder) + f, t, kFaceKeyColour, 100, false, true);
        m_symbols.push_back(picture::ShownImage(t));
    }
}

QRect TFormWortreihe::shownCardRect(int i) const
{
    const QRect full = m_cards[size_t(i)];
    if (m_rules->taskState() != TaskState::Solved || i == m_rules->solutionCard())
        return full;
    // The other cards step back: smaller (and darker).
    if (m_rules->pictures())
        return QRect(full.x() + full.width() / 8, full.y() + full.height() / 8, full.width() * 3 / 4,
                     full.height() * 3 / 4);
    return QRect(full.x(), full.y() + full.height() / 4, full.width(), full.height() / 2);
}

QImage TFormWortreihe::smallPicture(const QString& key, const std::function<QImage()>& make)
{
    auto it = m_smallPictures.constFind(key);
    if (it != m_smallPictures.constEnd())
        return *it;
    if (m_smallPictures.size() > 32)
        m_smallPictures.clear();
    return *m_smallPictures.insert(key, make());
}

void TFormWortreihe::drawCard(QImage& canvas, int i, bool shadowInTable)
{
    const Card& card = m_rules->cards()[size_t(i)];
    const bool solved = m_rules->taskState() == TaskState::Solved;
    const bool solution = i == m_rules->solutionCard();
    Colour bg = g().loadedList.layout.pictureBackgroundColour;
    if (solved && !solution)
        bg = picture::MixColour(bg, 0, 85);
    const QRect rect = shownCardRect(i);
    picture::Target t(rect.width(), rect.height(), bg);
    if (card.visible) {
        if (m_rules->pictures()) {
            const TEinzelbild& e = m_rules->element(card.element);
            const int percent = e.layout.pictureSize > 0 ? e.layout.pictureSize
                                                         : (g().loadedList.layout.pictureSize > 0
                                                                ? g().loadedList.layout.pictureSize : 100);
            // Decoded once per picture and size: every sound notice repaints the cards, and the next
            // tasks often show the same pictures again.
            const QString key = QStringLiteral("%1|%2|%3x%4|%5").arg(e.picture).arg(percent).arg(rect.width())
                                    .arg(rect.height()).arg(bg);
            auto it = m_faces.constFind(key);
            if (it == m_faces.constEnd()) {
                exercise::DrawElementPicture(t, e.picture, bg, percent);
                if (m_faces.size() > 64)
                    m_faces.clear();
                it = m_faces.insert(key, t);
            } else {
                t = *it;
            }
        } else {
            QFont f = exercise::ListFont(m_textPoints);
            if (solved && !solution)
                f.setPointSize(std::max(4, m_textPoints / 2));
            const Colour colour = solved && solution && m_rules->doppelgaenger() ? 0x000000FF
                                                                                  : exercise::ListFontColour();
            picture::DrawMarkedText(t, QRect(0, 0, rect.width(), rect.height()), f, colour, 1, -1, colour, -1, 0,
                                    m_rules->cardText(i));
        }
    }
    if (card.hearing) {
        const QString ton = sectionPicture(QStringLiteral("TonBild"));
        int s = m_rules->pictures() ? rect.width() / 5 : rect.height() / 3;
        s = std::max(8, s);
        QRect box((rect.width() - s) / 2, (rect.height() - s) / 2, s, s);
        if (!m_rules->pictures() && card.visible)
            box.moveLeft(4);
        if (!m_rules->pictures() || !card.visible) {
            QPainter p(&t.image);
            if (!ton.isEmpty()) {
                const QString key = QStringLiteral("ton|%1|%2|%3").arg(ton).arg(s).arg(bg);
                p.drawImage(box.topLeft(), smallPicture(key, [&] {
                                picture::Target sym(s, s, bg);
                                picture::DrawPictureFitted(sym, ton, bg, 100, true, true, true);
                                return picture::ShownImage(sym);
                            }));
            } else {
                p.drawPixmap(box, cursorPicture(crTon));
            }
        }
    }
    QPainter(&canvas).drawImage(rect.topLeft(), picture::ShownImage(t));
    m_drawn.push_back(rect);
    if (card.visible || solved) {
        // With the shadow already on the table only its outline on the card is left to draw.
        DrawShadowFrame(canvas, rect, shadowInTable ? 0 : 9);
        if (!shadowInTable)
            m_drawn.push_back(rect.adjusted(0, 0, 10, 10));
    }
}

void TFormWortreihe::render()
{
    if (m_background.isNull())
        return;
    const bool solved = m_rules->taskState() == TaskState::Solved;
    const int k = int(std::min(m_cards.size(), m_rules->cards().size()));
    const QSize cardSize = m_cards.empty() ? QSize() : m_cards.front().size();
    if (cardSize != m_facesCardSize) {
        m_faces.clear();
        m_facesCardSize = cardSize;
    }
    // The shadows go on the table under the cards: they fall right and below, onto the background or
    // onto the places of cards drawn later, and their outline samples the card, so it is drawn with it.
    std::vector<QRect> shadows;
    bool shadowsInTable = true;
    for (int i = 0; i < k; ++i) {
        if (!m_rules->cards()[size_t(i)].visible && !solved)
            continue;
        shadows.push_back(shownCardRect(i));
        shadowsInTable = shadowsInTable && shadows.back().width() > 10 && shadows.back().height() > 10;
    }
    const QString heading = g().loadedList.layout.heading;
    const bool withHeading = !heading.isEmpty() && m_rules->headingVisible();
    const QFont headingFont = exercise::ListFont();
    const Colour headingColour = exercise::ListFontColour();
    const QString base = QStringLiteral("%1|%2x%3|%4").arg(m_background.cacheKey()).arg(width()).arg(m_headingHeight).arg(
        withHeading ? heading + QLatin1Char('|') + headingFont.toString() + QLatin1Char('|') +
                          QString::number(headingColour)
                    : QString());
    QString key = base;
    if (shadowsInTable)
        for (const QRect& r : shadows)
            key += QStringLiteral(";%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    auto kept = std::find_if(m_tables.begin(), m_tables.end(), [&](const Table& t) { return t.key == key; });
    if (kept == m_tables.end()) {
        Table t;
        t.key = key;
        t.base = base;
        t.image = m_background.copy();
        if (withHeading) {
            QPainter p(&t.image);
            QFont f = headingFont;
            f.setPointSize(std::max(6, picture::FitFontSize(m_headingHeight, width() * 9 / 10, heading, 95, f)));
            p.setFont(f);
            p.setPen(picture::toQColor(headingColour));
            p.drawText(QRect(0, 0, width(), m_headingHeight), Qt::AlignCenter, heading);
            t.headingRight = (width() + QFontMetrics(f).horizontalAdvance(heading)) / 2;
        }
        if (shadowsInTable)
            for (const QRect& r : shadows) {
                DrawShadowFrame(t.image, r, 9);
                t.shadowAreas.push_back(r.adjusted(0, 0, 10, 10));
            }
        m_tables.insert(m_tables.begin(), std::move(t));
        if (m_tables.size() > 4) {
            // Every task starts with all cards in their places: that table stays while the layout does.
            QString start = base;
            for (int i = 0; i < k; ++i) {
                const QRect& r = m_cards[size_t(i)];
                start += QStringLiteral(";%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
            }
            auto last = std::prev(m_tables.end());
            if (last->key == start)
                --last;
            m_tables.erase(last);
        }
    } else if (kept != m_tables.begin()) {
        std::rotate(m_tables.begin(), kept, kept + 1);
    }
    const Table& table = m_tables.front();
    m_headingRight = table.headingRight;
    // The back buffer is kept: only what was drawn over the last table is put back, with the shadows of
    // both tables when they differ; the whole table when its background or heading changed.
    {
        QPainter p;
        if (m_buffer.size() != table.image.size() || m_buffer.format() != table.image.format() ||
            m_bufferBase != table.base) {
            if (m_buffer.size() != table.image.size() || m_buffer.format() != table.image.format())
                m_buffer = QImage(table.image.size(), table.image.format());
            p.begin(&m_buffer);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(0, 0, table.image);
        } else {
            if (m_bufferTable != table.image.cacheKey()) {
                m_drawn.insert(m_drawn.end(), m_bufferShadowAreas.begin(), m_bufferShadowAreas.end());
                m_drawn.insert(m_drawn.end(), table.shadowAreas.begin(), table.shadowAreas.end());
            }
            p.begin(&m_buffer);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            for (const QRect& r : m_drawn) {
                const QRect inside = r & table.image.rect();
                p.drawImage(inside.topLeft(), table.image, inside);
            }
        }
        m_bufferTable = table.image.cacheKey();
        m_bufferBase = table.base;
        m_bufferShadowAreas = table.shadowAreas;
    }
    m_drawn.clear();
    for (int i = 0; i < k; ++i)
        drawCard(m_buffer, i, shadowsInTable);
    // Doppelgänger-Text: the sequence boxes on the light background, the heard order once solved.
    if (!m_sequence.empty()) {
        QPainter q(&m_buffer);
        const std::vector<int>& heard = m_rules->heardOrder();
        for (size_t i = 0; i < m_sequence.size(); ++i) {
            const QRect r = m_sequence[i];
            m_drawn.push_back(r);
            q.drawImage(r.topLeft(), m_light, r);
            q.setPen(QPen(Qt::black, 1));
            q.drawRect(r.adjusted(0, 0, -1, -1));
            if (solved && i < heard.size()) {
                const TEinzelbild& e = m_rules->element(heard[i]);
                QFont f = exercise::ListFont(std::max(6, m_textPoints * 2 / 3));
                q.setFont(f);
                q.setPen(picture::toQColor(heard[i] == m_rules->doubledWord() ? g().loadedList.layout.letterMarkColour
                                                                                : exercise::ListFontColour()));
                q.drawText(r, Qt::AlignCenter, StripArticle(exercise::CardText(e.text).text));
            }
        }
    }
    // Markers.
    {
        QPainter q(&m_buffer);
        const Colour button = g().loadedList.layout.buttonColour;
        for (int i = 0; i < int(std::min(m_markers.size(), m_rules->cards().size())); ++i) {
            const QRect r = m_markers[size_t(i)];
            const int face = m_rules->cards()[size_t(i)].face;
            const QString file = face > 1 ? sectionPicture(face == 2 ? QStringLiteral("Markerbild")
                                                                     : QStringLiteral("TastaturMarkerbild"))
                                          : QString();
            const QString key = QStringLiteral("marker|%1|%2|%3x%4|%5").arg(face).arg(file).arg(r.width())
                                    .arg(r.height()).arg(button);
            q.drawImage(r.topLeft(), smallPicture(key, [&] {
                            picture::Target t(r.width(), r.height(), button);
                            if (face > 1) {
                                if (!file.isEmpty()) {
                                    picture::DrawPictureFitted(t, file, button, 90, true, true, true);
                                } else {
                                    QPainter m(&t.image);
                                    m.setRenderHint(QPainter::Antialiasing);
                                    m.setBrush(face == 2 ? QColor(220, 0, 0) : QColor(0, 0, 200));
                                    m.drawEllipse(QRect(0, 0, r.width(), r.height()).adjusted(6, 6, -6, -6));
                                }
                            }
                            return picture::ShownImage(t);
                        }));
            qDrawShadePanel(&q, r, palette(), face > 1, 2);
            m_drawn.push_back(r);
        }
    }
    {
        QPainter q(&m_buffer);
        drawStrip(q);
    }
    // A pixel of slack around everything drawn over the table.
    for (QRect& r : m_drawn)
        r = r.adjusted(-1, -1, 1, 1) & m_buffer.rect();
    update();
}

void TFormWortreihe::drawStrip(QPainter& p)
{
    if (m_symbols.size() < 2)
        return;
    const std::vector<int> symbols = WortreiheRules::StripSymbols();
    const int s = m_symbolSize;
    int group = int(symbols.size()) % 5;
    // A complete group stays in the strip until it is collected.
    if (group == 0 && !symbols.empty() && m_collected < int(symbols.size()) / 5)
        group = 5;
    const int first = int(symbols.size()) - group;
    const int count = int(m_symbols.size());
    // The right-answer symbols come before the last two files; with only those two a right answer
    // shows the collected symbol, never the wrong-answer one.
    auto symbolImage = [&](int symbol) -> const QImage& {
        if (symbol == kWrongSymbol)
            return m_symbols[size_t(count - 2)];
        return m_symbols[size_t(count >= 3 ? std::clamp(symbol, 0, count - 3) : count - 1)];
    };
    // The collected symbols along the top, from the left, then from the right edge.
    for (int c = 0; c < m_collected; ++c) {
        const int x = c < 4 ? 2 + c * (s + 2) : width() - (c - 3) * (s + 2);
        p.drawImage(x, 0, m_symbols.back());
        m_drawn.push_back(QRect(QPoint(x, 0), m_symbols.back().size()));
    }
    for (int i = 0; i < group; ++i) {
        const QImage& img = symbolImage(symbols[size_t(first + i)]);
        // The row keeps clear of the heading while that is shown.
        const QPoint at = m_rules->pictures()
                              ? QPoint(std::max(width() / 2 - (5 * (s + 2)) / 2, m_headingRight + 10) + i * (s + 2), 0)
                              : QPoint(2, m_area.center().y() - (5 * (s + 2)) / 2 + i * (s + 2));
        p.drawImage(at, img);
        m_drawn.push_back(QRect(at, img.size()));
    }
}

void TFormWortreihe::collectIfDue()
{
    // Whenever a group of five is complete, whatever its last symbol was: the group leaves and its
    // collected symbol is placed.
    const int now = int(WortreiheRules::StripSymbols().size());
    if (now / 5 <= m_collected)
        return;
    const QString leave = section().value(m_rules->pictures() ? QStringLiteral("SoundErfolgBild")
                                                               : QStringLiteral("SoundErfolgTextlinks"));
    if (!leave.isEmpty())
        PlayWaveFile(leave, false, true);
    QPointer<TFormWortreihe> self(this);
    clock_::sleepMs(1000);
    if (!self || m_closing)
        return;
    m_collected = now / 5;
    const QString placed = section().value(QStringLiteral("SoundErfolgTextrechts"));
    if (!placed.isEmpty())
        PlayWaveFile(placed, false, true);
    render();
}

void TFormWortreihe::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_buffer.isNull())
        p.fillRect(rect(), picture::toQColor(g().loadedList.layout.backgroundColour));
    else
        p.drawImage(0, 0, m_buffer);
}

// A face is built for one caption at one button size and font: rebuilt when any of them changed, so
// that a resized button never shows a face of its old size.
void TFormWortreihe::skinMiddleButtons()
{
    const WortreiheRules& r = *m_rules;
    auto faceKey = [](const QWidget* b, const QString& caption) {
        return QStringList{caption, QString::number(b->width()), QString::number(b->height()), b->font().toString()}
            .join(QChar(0x1F));
    };
    const QString caption = r.hoerenCaption();
    const QString hoerenKey = faceKey(SB_hoeren, caption);
    if (SB_hoeren->property("faceKey").toString() != hoerenKey) {
        SB_hoeren->setProperty("faceKey", hoerenKey);
        // "Weiter " wears the light arrow of the other programs with a dark caption; a caption on the
        // listening picture is hard to read.
        const QString hoerenSymbol = sectionPicture(QStringLiteral("SymbolHören"));
        const bool weiter = caption == QLatin1String("Weiter ") && !g().config.symbolWeiter.isEmpty();
        SkinButton(SB_hoeren, weiter ? g().config.symbolWeiter
                                     : (hoerenSymbol.isEmpty() ? g().config.symbolHoeren : hoerenSymbol),
                   caption, 2, 1, weiter ? 0x00000000 : 0x00FFFFFF, 3);
    }
    const QString check = r.checkIsReplay() ? QStringLiteral("Nochmal #10#13hören ") : QStringLiteral("Prüfen ");
    const QString checkKey = faceKey(SB_pruefen, check);
    if (SB_pruefen->property("faceKey").toString() != checkKey) {
        SB_pruefen->setProperty("faceKey", checkKey);
        const QString symbol = sectionPicture(QStringLiteral("Symbolprüfen"));
        SkinButton(SB_pruefen, symbol.isEmpty() ? g().config.symbolPruefen : symbol, check, 2, 1, 0x00000000, 3);
    }
}

void TFormWortreihe::refresh()
{
    const WortreiheRules& r = *m_rules;
    SB_hoeren->setVisible(r.hoerenVisible());
    SB_hoeren->setEnabled(r.hoerenEnabled() && m_listValid);
    skinMiddleButtons();
    SB_pruefen->setVisible(r.checkVisible);
    SB_pruefen->setEnabled(r.checkEnabled);
    const int k = std::clamp(opts().pictureCount, 3, 6);
    for (int i = 0; i < 4; ++i)
        SB_anzahl[i]->setChecked(i + 3 == k);
    E_Aufgabe->setText(QString::number(r.currentTask() + 1));
    BB_zurueck->setEnabled(r.currentTask() > 0);
    BB_vor->setEnabled(r.currentTask() + 1 < r.taskCount());
    render();
}

// ---- input --------------------------------------------------------------------------------------

void TFormWortreihe::hoerenClick()
{
    if (!m_listValid)
        return;
    m_rules->listen();
    refresh();
}

void TFormWortreihe::pruefenClick()
{
    if (!m_listValid)
        return;
    const WortreiheRules::Outcome outcome = m_rules->check();
    refresh();
    if (outcome == WortreiheRules::Outcome::Ignored)
        return;
    QPointer<TFormWortreihe> self(this);
    collectIfDue();
    if (!self || m_closing)
        return;
    if (outcome == WortreiheRules::Outcome::Right) {
        clock_::sleepMs(500);
        if (!self || m_closing)
            return;
        m_rules->showWeiter();
        refresh();
    }
}

void TFormWortreihe::weiterClick()
{
    if (!m_listValid || m_rules->taskState() != TaskState::Solved)
        return;
    if (m_rules->weiter() == WortreiheRules::Next::AskEnd) {
        const bool end = dialogs::ask(this, kEndQuestion) == dialogs::Button::Yes;
        if (end) {
            SB_endeClick();
            if (runEnded())
                return;
        }
        m_rules->endAnswered(false);
    }
    afterSetUp();
}

void TFormWortreihe::markerClick(int card)
{
    if (!m_listValid)
        return;
    m_rules->clickMarker(card);
    refresh();
    if (opts().checkAtOnce && m_rules->markedCard() == card && m_rules->taskState() != TaskState::Solved) {
        QPointer<TFormWortreihe> self(this);
        clock_::sleepMs(500);
        if (self && !m_closing)
            pruefenClick();
    }
}

void TFormWortreihe::cardClick(int card)
{
    if (!m_listValid)
        return;
    m_rules->clickCard(card);
    refresh();
}

void TFormWortreihe::wordCountClick(int k)
{
    if (!m_listValid)
        return;
    m_rules->setWordCount(k);
    afterSetUp();
}

void TFormWortreihe::taskStep(int delta)
{
    if (!m_listValid)
        return;
    const int target = m_rules->currentTask() + delta;
    if (target >= m_rules->taskCount()) {
        if (dialogs::ask(this, kEndQuestion) == dialogs::Button::Yes) {
            SB_endeClick();
            if (runEnded())
                return;
        }
        m_rules->goTo(0);
    } else if (target >= 0) {
        m_rules->goTo(target);
    }
    afterSetUp();
}

void TFormWortreihe::taskNumberEntered()
{
    if (!m_listValid)
        return;
    bool ok = false;
    const int n = E_Aufgabe->text().trimmed().toInt(&ok);
    if (!ok || n < 1 || n > m_rules->taskCount()) {
        dialogs::showMessage(this, QStringLiteral("Bitte einen gültigen Wert eingeben!"));
        m_rules->goTo(m_rules->currentTask());
    } else {
        m_rules->goTo(n - 1);
    }
    E_Aufgabe->clearFocus();
    afterSetUp();
}

int TFormWortreihe::cardAt(const QPoint& pos) const
{
    for (size_t i = 0; i < m_cards.size(); ++i)
        if (m_cards[i].contains(pos))
            return int(i);
    return -1;
}

int TFormWortreihe::markerAt(const QPoint& pos) const
{
    for (size_t i = 0; i < m_markers.size(); ++i)
        if (m_markers[i].contains(pos))
            return int(i);
    return -1;
}

void TFormWortreihe::mousePressEvent(QMouseEvent* event)
{
    m_pressedMarker = event->button() == Qt::LeftButton ? markerAt(event->position().toPoint()) : -1;
    TFormExercise::mousePressEvent(event);
}

void TFormWortreihe::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    const int marker = markerAt(pos);
    const int pressed = m_pressedMarker;
    m_pressedMarker = -1;
    if (marker >= 0) {
        // A mark needs press and release on the same button.
        if (marker == pressed)
            markerClick(marker);
        return;
    }
    const int card = cardAt(pos);
    if (card >= 0)
        cardClick(card);
}

void TFormWortreihe::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (markerAt(pos) >= 0 || (cardAt(pos) >= 0 && m_rules->doppelgaenger()))
        setCursor(Qt::PointingHandCursor);
    else if (cardAt(pos) >= 0)
        setCursor(programCursor(crTon));
    else
        setCursor(Qt::ArrowCursor);
    TFormExercise::mouseMoveEvent(event);
}

bool TFormWortreihe::HandleAppMessage(QObject* watched, QEvent* event)
{
    if (TFormExercise::HandleAppMessage(watched, event))
        return true;
    if (event->type() != QEvent::KeyPress || !m_listValid)
        return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != this)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (w == E_Aufgabe && key->key() != Qt::Key_Escape)
        return false;  // the number box takes its own keys (Enter goes there)
    WortreiheRules& r = *m_rules;
    const TaskState state = r.taskState();
    const bool answering = state == TaskState::Heard || state == TaskState::Retry;
    const bool checkReady = SB_pruefen->isVisible() && SB_pruefen->isEnabled();
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (state == TaskState::Solved)
            weiterClick();
        else if (state == TaskState::New)
            checkReady ? pruefenClick() : hoerenClick();
        else if (checkReady || (opts().checkAtOnce && r.markedCard() >= 0))
            pruefenClick();
        else
            hoerenClick();
        return true;
    case Qt::Key_Space:
        if (!r.spaceKey())
            Beep();
        refresh();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down: {
        const int delta = key->key() == Qt::Key_Left || key->key() == Qt::Key_Up ? -1 : 1;
        if (!r.arrowKey(delta))
            Beep();
        refresh();
        return true;
    }
    case Qt::Key_H:
        if (state != TaskState::Solved)
            hoerenClick();
        else
            Beep();
        return true;
    case Qt::Key_N:
        if (state == TaskState::Solved && r.checkIsReplay()) {
            r.replay();
            refresh();
        } else {
            Beep();
        }
        return true;
    case Qt::Key_P:
        if (answering && SB_pruefen->isVisible())
            pruefenClick();
        else
            Beep();
        return true;
    case Qt::Key_W:
        if (state == TaskState::Solved)
            weiterClick();
        else
            Beep();
        return true;
    default:
        return false;
    }
}

void TFormWortreihe::SoundNotice(int channel, SoundStatus status)
{
    // The rules hand the notice to the player themselves.
    m_rules->soundNotice(channel, status);
    if (!m_closing)
        refresh();
}

// ---- lists, options and closing -----------------------------------------------------------------

void TFormWortreihe::listChosen(int index)
{
    if (index < 0)
        return;
    const QString name = CB_auswahl->itemText(index);
    if (fsys::fileName(listPath).compare(name, Qt::CaseInsensitive) == 0 && m_listValid)
        return;
    WAV1->StopAll();
    if (!LoadChosenPath(fsys::folderOf(listPath) + name, 1, CB_auswahl))
        return;
    opts().file = relativeList();
    m_listValid = m_rules->startList(name, 0);
    L_Aufgaben->setText(QStringLiteral(" Aufgaben: ") + QString::number(m_rules->taskCount()));
    m_faces.clear();  // another list may name other files alike
    makeBackground();
    afterSetUp();
}

void TFormWortreihe::backgroundClick()
{
    opts().backgroundPicture = Chb_hintergrundbild->isChecked();
    makeBackground();
    render();
}

void TFormWortreihe::writeOptions()
{
    if (m_listValid)
        opts().file = relativeList();
    opts().backgroundPicture = Chb_hintergrundbild->isChecked();
    WritePlayerOptions(g().currentPlayer(), programCode);
}

void TFormWortreihe::optionsClick()
{
    WAV1->StopAll();
    writeOptions();
    const TOpt_Wortreihe before = opts();
    bool ok = false;
    {
        messagehook::Suspend suspend;
        ok = options::ShowOptionPage(this, programCode);
    }
    g().programCode = programCode;
    if (!ok || !m_listValid) {
        refresh();
        return;
    }
    const TOpt_Wortreihe& now = opts();
    praiseSounds().clear();
    errorSounds().clear();
    m_rules->prepareFeedback();
    if (before.time != now.time)
        SelectPause(now.time);
    if (before.backgroundPicture != now.backgroundPicture) {
        Chb_hintergrundbild->setChecked(now.backgroundPicture);
        makeBackground();
    }
    if (before.pictureCount != now.pictureCount || m_rules->taskState() == TaskState::Solved) {
        if (m_rules->setUp())
            m_rules->startRow();
        afterSetUp();
        return;
    }
    refresh();
}

void TFormWortreihe::SB_endeClick()
{
    // The row of the task shown is started before any answer; such rows alone are no run.
    bool answered = false;
    for (const TErgebnis& e : run().runResults)
        for (const TZeile& z : e.Rows)
            answered = answered || z.Attempts > 0;
    if (!answered) {
        WAV1->StopAll();
        endRun();
        return;
    }
    TFormExercise::SB_endeClick();
}

void TFormWortreihe::StopBeforeClose()
{
    m_closing = true;
    TFormExercise::StopBeforeClose();
}

void TFormWortreihe::FormClose()
{
    m_closing = true;
    writeOptions();
    chooser::startPosition() = 0;
    m_buffer = m_background = m_light = QImage();
    m_symbols.clear();
    m_faces.clear();
    m_smallPictures.clear();
    m_tables.clear();
    m_drawn.clear();
    m_bufferShadowAreas.clear();
    m_bufferBase.clear();
    TFormExercise::FormClose();
}
