#include "exercises/LangOderKurz/LangOderKurz.h"

#include "exercises/common/FolderTab.h"
#include "exercises/common/CardText.h"
#include "exercises/common/ListLook.h"
#include "exercises/common/RevealAnimation.h"
#include "exercises/common/TaskSounds.h"

#include "chooser/Listenreader.h"
#include "chooser/TaskOrder.h"
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
#include "media/skin/Frames.h"
#include "media/skin/Meldung.h"
#include "media/skin/SkinButton.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "options/Options.h"
#include "results/Ergebnisse.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolTip>

using namespace lang;
using picture::Colour;

namespace {

constexpr int kProgram = 304;
const QString kFolderNames[3] = {QStringLiteral("Vokale"), QStringLiteral("Wortlänge"), QStringLiteral("Zusätzliches")};
const QColor kSourceGrey(205, 205, 205);
const QColor kProgressColours[12] = {{255, 64, 255}, {255, 1, 138}, {255, 64, 64},  {255, 138, 1},
                                     {255, 255, 64}, {138, 255, 1}, {64, 255, 64},  {1, 255, 138},
                                     {64, 255, 255}, {1, 138, 255}, {64, 64, 255},  {138, 1, 255}};

TOpt_LangOderKurz& opts() { return g().playerOptions.langOderKurz; }

const ProgramSection& section() { return g().config.programSection(QStringLiteral("ProgLangOderKurz")); }

QString listFolder() { return fsys::withSlash(catalogue::listFolder(kProgram)); }

QFont schoolFont(int points)
{
    QFont f(QStringLiteral("Morwen  DN TTF"));
    f.setPointSize(std::max(1, points));
    return f;
}

} // namespace

int& TFormLangOderKurz::secondWordDelayMs()
{
    static int ms = 1000;
    return ms;
}

int& TFormLangOderKurz::revealPattern()
{
    static int pattern = -1;
    return pattern;
}

TFormLangOderKurz::TFormLangOderKurz(const QString& listPath, QWidget* parent)
    : TFormFormAlle(kProgram, listPath, parent), m_rules(std::make_unique<LangRules>(*WAV1))
{
    setObjectName(QStringLiteral("FormLangOderKurz"));
    setMouseTracking(true);
    summaryCaption = QStringLiteral("Lang Oder Kurz?");
    const QString hoeren = section().value(QStringLiteral("Hoerentext"));
    if (!hoeren.trimmed().isEmpty())
        listenCaption = hoeren;

    SB_weiter = new QPushButton(P_hoeren->parentWidget());
    SB_weiter->setObjectName(QStringLiteral("SB_weiter"));
    SB_Fertig = new QPushButton(P_hoeren->parentWidget());
    SB_Fertig->setObjectName(QStringLiteral("SB_Fertig"));
    for (QPushButton* b : {SB_weiter, SB_Fertig}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->hide();
        b->setEnabled(false);
    }
    connect(SB_weiter, &QPushButton::clicked, this, [this] { weiterClick(); });
    connect(SB_Fertig, &QPushButton::clicked, this, [this] { pruefenClick(); });

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

    P_bilderansicht = new QFrame(P_Leiste);
    P_bilderansicht->setObjectName(QStringLiteral("P_bilderansicht"));
    auto* view = new QGroupBox(QStringLiteral("Ansicht:"), P_bilderansicht);
    auto* after = new QGroupBox(QStringLiteral("Nach Lösung:"), P_bilderansicht);
    RB_Bildsofort = new QRadioButton(QStringLiteral("mit Bild/Text"), view);
    RB_ohneBild = new QRadioButton(QStringLiteral("ohne Bild/Text"), view);
    Chb_bilderzeigen = new QCheckBox(QStringLiteral("Bild/Text zeigen"), after);
    ChB_nochmalsagen = new QCheckBox(QStringLiteral("nochmal sagen"), after);
    for (QWidget* wdg : std::initializer_list<QWidget*>{RB_Bildsofort, RB_ohneBild, Chb_bilderzeigen, ChB_nochmalsagen})
        wdg->setFocusPolicy(Qt::NoFocus);
    view->setGeometry(0, 0, 120, 60);
    after->setGeometry(122, 0, 130, 60);
    RB_Bildsofort->setGeometry(4, 16, 112, 20);
    RB_ohneBild->setGeometry(4, 36, 112, 20);
    Chb_bilderzeigen->setGeometry(4, 16, 122, 20);
    ChB_nochmalsagen->setGeometry(4, 36, 122, 20);
    auto viewClick = [this] {
        const int before = opts().pictureView;
        opts().pictureView = RB_Bildsofort->isChecked() ? 2 : 0;
        if (before != opts().pictureView)
            update();
    };
    connect(RB_Bildsofort, &QRadioButton::clicked, this, viewClick);
    connect(RB_ohneBild, &QRadioButton::clicked, this, viewClick);
    auto afterClick = [this] {
        opts().afterSolution = (Chb_bilderzeigen->isChecked() ? 1 : 0) + (ChB_nochmalsagen->isChecked() ? 2 : 0);
    };
    connect(Chb_bilderzeigen, &QCheckBox::clicked, this, afterClick);
    connect(ChB_nochmalsagen, &QCheckBox::clicked, this, afterClick);

    const char* tabNames[3] = {"TB_Vokale", "TB_Wortlaenge", "TB_zusatz"};
    const QString captions[3] = {QStringLiteral(" Vokale "), QStringLiteral("   Wortlänge   "),
                                 QStringLiteral("Zusätzliches")};
    QPushButton** tabs[3] = {&TB_Vokale, &TB_Wortlaenge, &TB_zusatz};
    for (int i = 0; i < 3; ++i) {
        auto* b = exercise::MakeFolderTab(this, tabNames[i], captions[i]);
        connect(b, &QPushButton::clicked, this, [this, i] { folderTabClick(i); });
        *tabs[i] = b;
    }
}

TFormLangOderKurz::~TFormLangOderKurz() = default;

// ---- opening ------------------------------------------------------------------------------------

void TFormLangOderKurz::FormActivate()
{
    TFormFormAlle::FormActivate();
    rnd::seedFromClock();
    praiseSounds().clear();
    errorSounds().clear();
    const ProgramSection& s = section();
    MakeStripPictures({s.value(QStringLiteral("Loblang")), s.value(QStringLiteral("Lobkurz")),
                       s.value(QStringLiteral("Fehlerlang")), s.value(QStringLiteral("Fehlerkurz"))},
                      {75, 75, 50, 50});
    // The progress symbol: the short symbol on the window colour.
    picture::Target progress(90, 50, g().loadedList.layout.backgroundColour);
    const QString kurz = exercise::InternPicture(s.value(QStringLiteral("Symbolkurz")));
    if (!kurz.isEmpty())
        picture::DrawPictureFitted(progress, kurz, g().loadedList.layout.backgroundColour, 90, true, true, true);
    m_progressSymbol = picture::ShownImage(progress);
    ArrangeFrame();
    FillListChoice();
    run().taskStartTime = QDateTime();
    if (!prepareList())
        QTimer::singleShot(0, this, [this] { endRun(QDialog::Rejected); });
}

bool TFormLangOderKurz::prepareList()
{
    const QString relative = MakeRelativePath(listFolder(), listPath, false);
    const int start = std::max(0, chooser::startPosition());
    m_listValid = m_rules->prepareList(CB_auswahl->currentText().isEmpty() ? relative : CB_auswahl->currentText(),
                                       start);
    if (!m_listValid) {
        dialogs::showMessage(this, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
        return false;
    }
    L_Aufgaben->setText(QStringLiteral(" Aufgaben: ") + QString::number(m_rules->taskCount()));
    SB_Ton->setVisible(exercise::ListHasHeadingSound());
    m_textPoints = std::max(1, exercise::ListTFont().size);
    applyOptions();
    drawBackground();
    layoutCards();
    taskStates.assign(size_t(m_rules->taskCount()), TaskState{});
    currentTask = m_rules->position();
    BuildTaskStrip();
    showTask();
    return true;
}

void TFormLangOderKurz::applyOptions()
{
    ApplyFrameOptions(opts().backgroundPicture, opts().time);
    showFolderTab();
    RB_Bildsofort->setChecked(opts().pictureView == 2);
    RB_ohneBild->setChecked(opts().pictureView != 2);
    Chb_bilderzeigen->setChecked(opts().afterSolution & 1);
    ChB_nochmalsagen->setChecked(opts().afterSolution & 2);
}

QPushButton* TFormLangOderKurz::folderTab(int i) const
{
    return i == 0 ? TB_Vokale : i == 1 ? TB_Wortlaenge : TB_zusatz;
}

void TFormLangOderKurz::showFolderTab()
{
    // The list shown decides, also when it came from the command line and not from "Datei".
    const QString below = MakeRelativePath(listFolder(), listPath, false).toLower();
    for (int i = 0; i < 3; ++i)
        folderTab(i)->setChecked(below.startsWith(kFolderNames[i].toLower()));
}

// ---- layout and drawing -------------------------------------------------------------------------

void TFormLangOderKurz::ArrangeFrame()
{
    TFormFormAlle::ArrangeFrame();
    if (!SB_weiter)
        return;
    const int barH = P_Leiste->height();
    const QRect listen = SB_hoeren->geometry();
    for (QPushButton* b : {SB_weiter, SB_Fertig}) {
        b->setParent(SB_hoeren->parentWidget());
        b->setGeometry(listen);
    }
    // A dark "Weiter" caption: white would vanish on the light button face.
    SkinButton(SB_weiter, g().config.symbolWeiter, QStringLiteral("Weiter"), 2, 1, 0, 2);
    SkinButton(SB_Fertig, g().config.symbolPruefen, QStringLiteral("Prüfen"), 2, 1, 0x00800080, 2);
    // Options | view panel | heading sound | listen panel | list choice | end.
    const int h = std::max(10, barH - 2);
    auto* view = static_cast<QWidget*>(RB_Bildsofort->parentWidget());
    auto* after = static_cast<QWidget*>(Chb_bilderzeigen->parentWidget());
    const int viewW = std::max(RB_Bildsofort->sizeHint().width(), RB_ohneBild->sizeHint().width()) + 12;
    const int afterW = std::max(Chb_bilderzeigen->sizeHint().width(), ChB_nochmalsagen->sizeHint().width()) + 12;
    const int row = std::max(RB_Bildsofort->sizeHint().height(), (h - 18) / 2);
    view->setGeometry(0, 0, viewW, h);
    after->setGeometry(viewW + 2, 0, afterW, h);
    RB_Bildsofort->setGeometry(6, 18, viewW - 8, std::min(row, h - 18));
    RB_ohneBild->setGeometry(6, 18 + std::min(row, (h - 18) / 2), viewW - 8, std::min(row, h - 18));
    Chb_bilderzeigen->setGeometry(6, 18, afterW - 8, std::min(row, h - 18));
    ChB_nochmalsagen->setGeometry(6, 18 + std::min(row, (h - 18) / 2), afterW - 8, std::min(row, h - 18));
    P_bilderansicht->setGeometry(sb_optionen->geometry().right() + 1, 1, viewW + afterW + 2, h);
    const int ton = std::min(h, std::max(24, h * 2 / 3));
    SB_Ton->setGeometry(P_bilderansicht->geometry().right() + 4, (barH - ton) / 2, ton, ton);
    SB_Ton->setIconSize(QSize(ton - 8, ton - 8));
    QRect hp = P_hoeren->geometry();
    hp.moveLeft(SB_Ton->geometry().right() + 4);
    P_hoeren->setGeometry(hp);
    QRect choice = P_auswahl->geometry();
    choice.setLeft(hp.right() + 4);
    choice.setRight(SB_ende->geometry().left() - 2);
    P_auswahl->setGeometry(choice);
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
        layoutCards();
        update();
    }
}

void TFormLangOderKurz::layoutCards()
{
    const int clientW = width();
    const int barH = P_Leiste->height();
    const int barTop = playArea().bottom() + 1;
    const int stripH = P_oben->height();
    const int areaTop = std::max(barH / 3 * 2, P_oben->geometry().bottom() + 2);
    const int areaH = barTop - areaTop;
    const int a = std::min(int(std::lround(clientW * 5.0 / 12)), 640);
    int w = a + 22;
    int h = int(std::lround((3.0 * a + 88) / 4));
    if (areaH - h < stripH * 3 + 150) {
        h = std::max(40, areaH - (stripH * 3 + 150));
        w = int(std::lround((4.0 * h - 22) / 3));
    }
    const int top = areaTop + std::max(0, (barTop - h) / 8);
    m_card[0] = QRect(clientW / 2 - 20 - w, top, w, h);
    m_card[1] = QRect(clientW / 2 + 20, top, w, h);
    const int sh = std::max(10, (barTop - m_card[0].bottom() - 60) / 2);
    const QRect kurz((clientW - w) / 2, m_card[0].bottom() + 20, w, sh);
    m_source[1] = kurz;
    m_source[0] = kurz.translated(0, sh + 20);
    drawSymbols();
}

namespace {

// The drawn part of a picture: pixels of the key colour become transparent and the rest is cut out.
QImage drawnPart(const QImage& shown, QColor key)
{
    QImage img = shown.convertToFormat(QImage::Format_ARGB32);
    const QRgb k = key.rgb() & 0xFFFFFF;
    QRect box;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == k)
                line[x] = 0;
            else
                box |= QRect(x, y, 1, 1);
        }
    }
    return box.isEmpty() ? img : img.copy(box.adjusted(-2, -2, 2, 2));
}

} // namespace

void TFormLangOderKurz::drawSymbols()
{
    // The symbol pictures carry wide margins: their drawn part is fitted, so the symbol is seen on
    // the card (a third of its width, an eighth of its height) and fills its source.
    const QSize size(std::max(8, m_card[0].width()), std::max(8, m_card[0].height() / 4));
    const QSize onCard(std::max(8, m_card[0].width() / 3), std::max(8, m_card[0].height() / 8));
    for (int s = 0; s < 2; ++s) {
        const QString file =
            exercise::InternPicture(section().value(s == kLong ? QStringLiteral("Symbollang") : QStringLiteral("Symbolkurz")));
        picture::Target t(size.width(), size.height(), picture::fromQColor(kSourceGrey));
        if (file.isEmpty() || !picture::DrawPictureFitted(t, file, picture::fromQColor(kSourceGrey), 100, true, true, true)) {
            QPainter p(&t.image);
            p.setFont(schoolFont(std::max(6, size.height() / 3)));
            p.setPen(Qt::black);
            p.drawText(t.image.rect(), Qt::AlignCenter, s == kLong ? QStringLiteral("l a n g") : QStringLiteral("kurz"));
        }
        const QImage part = drawnPart(picture::ShownImage(t), kSourceGrey);
        m_sourceSymbol[s] = part;
        m_symbol[s] = part.scaled(onCard, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
}

void TFormLangOderKurz::drawBackground()
{
    m_background = exercise::WindowBackground(size(), backgroundPictureVisible);
}

QImage TFormLangOderKurz::cardImage(int card, bool pressed) const
{
    const QRect r = cardRect(card);
    if (r.isEmpty() || m_background.isNull())
        return {};
    const Card& c = m_rules->card(card);
    const bool solved = m_rules->state() == AnswerState::Solved || m_rules->state() == AnswerState::SolvedHearing ||
                        m_rules->state() == AnswerState::Praising;
    const bool face = solved ? (m_rules->solvedFace(card) || opts().pictureView == 2) : opts().pictureView == 2;
    // Paints repeat far more often than a card changes: the last look of each card is kept.
    const TOpt_LangOderKurz& o = opts();
    const QString key = QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
                            .arg(pressed).arg(face).arg(solved).arg(c.chosen)
                            .arg(c.element.picture + QLatin1Char('|') + c.element.text)
                            .arg(QStringLiteral("%1%2%3%4%5%6").arg(o.text).arg(o.picture).arg(o.textAlways)
                                     .arg(o.showMarks).arg(o.marksWithSolution).arg(o.cardBackVisible))
                            .arg(r.width()).arg(r.height()).arg(m_background.cacheKey());
    CachedCard& cached = m_cached[card == 2 ? 1 : 0][pressed ? 1 : 0];
    if (cached.key == key && !cached.image.isNull())
        return cached.image;
    cached.image = drawCard(card, pressed, face, solved);
    cached.key = key;
    return cached.image;
}

QRect TFormLangOderKurz::faceTextBox(const QSize& inner, bool withPicture, bool withText) const
{
    if (withPicture && withText) {
        const int upperH = inner.height() * 3 / 4;
        return QRect(0, upperH, inner.width(), inner.height() - upperH);
    }
    // A text alone leaves the bottom band to the chosen symbol, so the symbol never covers a long
    // word's end.
    const int band = std::max(m_symbol[0].height(), m_symbol[1].height());
    return QRect(0, 0, inner.width(), std::max(1, inner.height() - (band > 0 ? band + 4 : 0)));
}

QRect TFormLangOderKurz::symbolPlace(const QSize& card, int symbol) const
{
    const QSize sym = m_symbol[symbol == lang::kShort ? 1 : 0].size();
    QPoint at(card.width() - sym.width() - 12, card.height() - sym.height() - 12);
    if (opts().text && opts().picture)
        at.ry() -= card.height() / 4 - 6;
    return QRect(at, sym);
}

QRect TFormLangOderKurz::textBoxOnCard(int card) const
{
    const QSize r = cardRect(card).size();
    const QRect inner = QRect(QPoint(0, 0), r).adjusted(10, 10, -12, -12);
    const bool solved = m_rules->state() == lang::AnswerState::Solved;
    const bool withText = opts().text || (solved && opts().textAlways);
    const bool withPicture = opts().picture || !opts().text;
    if (!withText)
        return QRect();
    return picture::ShrinkToPercent(faceTextBox(inner.size(), withPicture, withText), 90).translated(inner.topLeft());
}

QRect TFormLangOderKurz::symbolOnCard(int card, int symbol) const { return symbolPlace(cardRect(card).size(), symbol); }

QImage TFormLangOderKurz::drawCard(int card, bool pressed, bool face, bool solved) const
{
    const QRect r = cardRect(card);
    const Card& c = m_rules->card(card);
    QImage image = m_background.copy(r);
    const int shift = pressed ? 5 : 0;
    const QRect inner = QRect(QPoint(0, 0), r.size()).adjusted(10 + shift, 10 + shift, -12 + shift, -12 + shift);
    Colour bg = g().loadedList.layout.pictureBackgroundColour;
    picture::Target in(std::max(1, inner.width()), std::max(1, inner.height()), bg);
    if (!face) {
        const QString back = exercise::CardBackPicture();
        if (!back.isEmpty() && opts().cardBackVisible) {
            picture::DrawPictureFitted(in, back, bg, 100, true, false, true);
        } else {
            in.image = m_background.copy(inner.translated(r.topLeft()));
            picture::LightenRect(in.image, 0, 0, in.image.width() - 1, in.image.height() - 1, 30);
        }
    } else {
        const bool marks = solved ? opts().marksWithSolution : opts().showMarks;
        const exercise::MarkedText text = exercise::SplitMarker(c.element.text);
        const QString shown = StripArticle(text.text);
        const int cut = text.text.size() - shown.size();
        const bool withText = opts().text || (solved && opts().textAlways);
        const bool withPicture = opts().picture || !opts().text;
        const int percent = c.element.layout.pictureSize > 0 ? c.element.layout.pictureSize
                                                             : (g().loadedList.layout.pictureSize > 0
                                                                    ? g().loadedList.layout.pictureSize : 100);
        QRect textBox = faceTextBox(in.image.size(), withPicture, withText);
        if (withPicture && withText) {
            const int upperH = textBox.top();
            picture::Target up(in.image.width(), upperH, bg);
            exercise::DrawElementPicture(up, c.element.picture, bg, std::max(1, percent - 5));
            QPainter(&in.image).drawImage(0, 0, picture::ShownImage(up));
            QPainter(&in.image).fillRect(textBox, picture::toQColor(picture::LightenColour(bg, 30)));
        } else if (withPicture) {
            exercise::DrawElementPicture(in, c.element.picture, bg, percent);
        }
        if (withText) {
            QFont font = exercise::ListFont(m_textPoints);
            const int fitted = picture::FitFontSize(textBox.height(), textBox.width(), shown, 90, font);
            font.setPointSize(std::max(1, std::min(fitted, std::max(m_textPoints, 60))));
            const Colour textBg = withPicture ? picture::LightenColour(bg, 30) : bg;
            picture::DrawMarkedText(in, picture::ShrinkToPercent(textBox, 90), font, exercise::ListFontColour(), 1,
                                    textBg, g().loadedList.layout.letterMarkColour,
                                    marks ? text.markStart - cut : -1, marks ? text.markLength : 0, shown);
        }
    }
    {
        QPainter p(&image);
        p.drawImage(inner.topLeft(), picture::ShownImage(in));
        if (c.chosen >= 0 && !m_symbol[c.chosen].isNull())
            p.drawImage(symbolPlace(r.size(), c.chosen).topLeft() + QPoint(shift, shift), m_symbol[c.chosen]);
    }
    if (pressed)
        DrawEmbossFrame(image, inner.adjusted(-4, -4, 4, 4), 4, false);
    else
        DrawShadowFrame(image, inner, 10);
    return image;
}

void TFormLangOderKurz::FormPaint(QPainter& p)
{
    if (m_background.isNull())
        return;
    p.drawImage(0, 0, m_background);
    if (!m_listValid)
        return;
    for (int c = 1; c <= 2; ++c) {
        if (m_revealing)
            continue;
        const bool pressed = m_pressed == c || m_rules->playingCard() == c;
        p.drawImage(cardRect(c).topLeft(), cardImage(c, pressed));
    }
    if (m_revealing)
        p.drawImage(m_card[0].united(m_card[1]).topLeft(), m_revealCanvas);
    // The sources: the symbol on grey, or the word faded while the symbol is used.
    for (int s = 0; s < 2; ++s)
        if (!m_source[s].isEmpty())
            p.drawImage(m_source[s].topLeft(), sourceImage(s, m_rules->sourceUsed(s)));
    if (m_rules->state() == AnswerState::Dragging && m_rules->held() >= 0) {
        const QImage& sym = m_symbol[m_rules->held()];
        p.drawImage(m_dragAt - QPoint(sym.width() / 2, sym.height() / 2), sym);
    }
    if (opts().successPicture && !m_progressSymbol.isNull()) {
        int rows = 0;
        for (const TErgebnis& e : run().runResults)
            for (const TZeile& z : e.Rows)
                rows += z.Solved ? 1 : 0;
        // The short symbol's shape, filled with the colour of its place.
        const QSize small(30, 18);
        const int w = small.width();
        const int k = std::max(1, width() / (w + 5));
        const int s = rows <= 0 ? 0 : (rows % (2 * k) == 0 ? 2 * k : rows % (2 * k));
        const int y0 = P_oben->height() + 10;
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 1));
        for (int i = 0; i < s; ++i) {
            const QPoint at = i < k ? QPoint((w + 5) * i + 10, y0) : QPoint((i - k) * (w + 5) + w / 2 + 10, y0 + 10);
            p.setBrush(kProgressColours[i % 12]);
            p.drawRoundedRect(QRect(at, small), 9, 9);
        }
        p.restore();
    }
}

QImage TFormLangOderKurz::sourceImage(int s, bool used) const
{
    // Drawn once per size and look: a smooth rescale and a font fit on every paint cost a frame.
    const QRect r = m_source[s];
    const QString key = QStringLiteral("%1x%2|%3").arg(r.width()).arg(r.height()).arg(m_sourceSymbol[s].cacheKey());
    CachedCard& cached = m_sourceCache[s][used ? 1 : 0];
    if (cached.key == key && !cached.image.isNull())
        return cached.image;
    QImage img(r.size(), QImage::Format_RGB32);
    img.fill(kSourceGrey);
    {
        QPainter q(&img);
        if (!used) {
            const QImage sym = m_sourceSymbol[s].scaled(QSize(r.width() * 3 / 4, r.height() / 2), Qt::KeepAspectRatio,
                                                        Qt::SmoothTransformation);
            q.drawImage((r.width() - sym.width()) / 2, (r.height() - sym.height()) / 2, sym);
        } else {
            QFont f = schoolFont(20);
            f.setPointSize(std::max(6, picture::FitFontSize(r.height(), r.width() / 3, QStringLiteral("l a n g"), 90, f)));
            q.setFont(f);
            q.setPen(Qt::black);
            q.drawText(img.rect(), Qt::AlignCenter, s == kLong ? QStringLiteral("l a n g") : QStringLiteral("kurz"));
        }
    }
    if (used)
        picture::LightenRect(img, 0, 0, img.width() - 1, img.height() - 1, 70);
    if (used)
        DrawEmbossFrame(img, img.rect(), 5, false);
    else
        DrawShadowFrame(img, img.rect().adjusted(0, 0, -10, -10), 10);
    cached.key = key;
    cached.image = img;
    return img;
}

// ---- the flow of a task -------------------------------------------------------------------------

void TFormLangOderKurz::showTask()
{
    ++m_dueTicket;
    m_pressed = 0;
    // The reveal uncovers the new cards over the bare background.
    const bool animate = m_rules->revealNext && isVisible() && !m_closingWindow;
    m_rules->revealNext = false;
    if (animate)
        reveal();
    refresh();
}

void TFormLangOderKurz::reveal()
{
    const QRect both = m_card[0].united(m_card[1]);
    QImage target(both.size(), QImage::Format_RGB32);
    {
        QPainter p(&target);
        p.drawImage(QPoint(0, 0), m_background, both);
        for (int c = 1; c <= 2; ++c)
            p.drawImage(cardRect(c).topLeft() - both.topLeft(), cardImage(c, false));
    }
    m_revealCanvas = m_background.copy(both);
    const exercise::RevealAnimation animation(revealPattern(), m_card[0].size());
    m_revealing = true;
    QRegion before;
    for (int s = 1; s <= animation.steps() && !m_closingWindow && isVisible(); ++s) {
        const QRegion now = animation.region(s);
        const QRegion fresh = now - before;
        before = now;
        if (fresh.isEmpty())
            continue;
        QRegion dirty;
        {
            QPainter p(&m_revealCanvas);
            // One clipped draw per card: a curved region holds a rectangle per scanline.
            for (int c = 0; c < 2; ++c) {
                const QRegion part = fresh.translated(m_card[c].topLeft() - both.topLeft());
                p.setClipRegion(part);
                p.drawImage(0, 0, target);
                dirty += part.translated(both.topLeft());
            }
        }
        repaint(dirty.boundingRect());
        if (animation.pauseMs() > 0)
            clock_::sleepMs(animation.pauseMs());
        else
            QCoreApplication::processEvents();
    }
    m_revealing = false;
    m_revealCanvas = QImage();
    update();
}

void TFormLangOderKurz::refresh()
{
    const LangRules& r = *m_rules;
    taskStates.clear();
    for (const exercise::TaskResult& t : exercise::ResultsInPlayOrder(r.results()))
        taskStates.push_back(TaskState{t.state, t.error});
    currentTask = r.position();
    DrawTaskStrip();
    SB_hoeren->setEnabled(r.listenEnabled);
    SB_Fertig->setVisible(!opts().atOnce && r.front == Front::Pruefen);
    SB_Fertig->setEnabled(r.pruefenEnabled);
    SB_weiter->setVisible(r.front == Front::Weiter);
    SB_weiter->setEnabled(r.weiterEnabled);
    if (r.front == Front::Pruefen && SB_Fertig->isVisible())
        SB_Fertig->raise();
    else if (r.front == Front::Weiter)
        SB_weiter->raise();
    else
        P_hoeren->raise();
    SB_hoeren->setVisible(r.front == Front::Listen);
    if (!m_revealing)
        update();
}

void TFormLangOderKurz::afterChain()
{
    if (m_rules->cardDue()) {
        const int ticket = ++m_dueTicket;
        QPointer<TFormLangOderKurz> self(this);
        QTimer::singleShot(secondWordDelayMs(), this, [this, self, ticket] {
            if (!self || ticket != m_dueTicket || m_closingWindow)
                return;
            m_rules->playDueCard();
            refresh();
        });
    }
}

void TFormLangOderKurz::listenClick()
{
    if (!m_listValid)
        return;
    m_rules->listen();
    refresh();
}

void TFormLangOderKurz::SB_hoerenClick() { listenClick(); }

void TFormLangOderKurz::pruefenClick()
{
    if (!m_listValid)
        return;
    m_rules->check();
    refresh();
}

void TFormLangOderKurz::weiterClick()
{
    if (!m_listValid || m_rules->state() != AnswerState::Solved)
        return;
    SB_weiter->setEnabled(false);
    if (m_rules->allSolved()) {
        askHowToGoOn();
        return;
    }
    if (!m_rules->advance())
        return;
    showTask();
}

void TFormLangOderKurz::askHowToGoOn()
{
    const auto yes = dialogs::Button::Yes;
    if (dialogs::ask(this, QStringLiteral(" Die Datei ist vollständig bearbeitet!  \n\rVon vorne beginnen?")) != yes) {
        SB_endeClick();
        return;
    }
    const bool newSides = dialogs::ask(this, QStringLiteral("Neu mischen?")) == yes;
    m_rules->restart(newSides);
    showTask();
}

void TFormLangOderKurz::TaskImageClick(int position)
{
    TFormFormAlle::TaskImageClick(position);
    if (!m_listValid)
        return;
    m_rules->jumpTo(position >= 0 && position < m_rules->taskCount() ? position : 0);
    showTask();
}

void TFormLangOderKurz::SoundNotice(int channel, SoundStatus status)
{
    m_rules->soundNotice(channel, status);
    afterChain();
    refresh();
}

// ---- pointer and keys ---------------------------------------------------------------------------

int TFormLangOderKurz::cardAt(QPoint at) const
{
    for (int c = 1; c <= 2; ++c)
        if (cardRect(c).contains(at))
            return c;
    return 0;
}

int TFormLangOderKurz::sourceAt(QPoint at) const
{
    for (int s = 0; s < 2; ++s)
        if (m_source[s].contains(at))
            return s;
    return -1;
}

void TFormLangOderKurz::mousePress(QPoint at)
{
    m_dragAt = at;
    const int source = sourceAt(at);
    if (source >= 0 && m_rules->pressSource(source)) {
        setCursor(programCursor(crHandClose));
        refresh();
        return;
    }
    const int card = cardAt(at);
    if (card) {
        m_rules->pressCard(card);
        m_pressed = card;
        refresh();
    }
}

void TFormLangOderKurz::mouseMove(QPoint at)
{
    m_dragAt = at;
    if (m_rules->state() == AnswerState::Dragging) {
        update();
        return;
    }
    const int source = sourceAt(at);
    if (m_rules->state() == AnswerState::Answering && source >= 0 && !m_rules->sourceUsed(source)) {
        setCursor(QCursor(Qt::PointingHandCursor));
        QFont f = schoolFont(20);
        QToolTip::setFont(f);
        QToolTip::showText(mapToGlobal(at + QPoint(5, 25)),
                           source == kLong ? QStringLiteral("l a n g") : QStringLiteral("kurz"), this);
        return;
    }
    QToolTip::hideText();
    setCursor(cardAt(at) ? programCursor(crTon) : QCursor(Qt::ArrowCursor));
}

void TFormLangOderKurz::mouseRelease(QPoint at)
{
    const AnswerState state = m_rules->state();
    const int card = cardAt(at);
    const int source = sourceAt(at);
    m_pressed = 0;
    if (state == AnswerState::Dragging) {
        m_rules->drop(card);
        setCursor(QCursor(Qt::ArrowCursor));
        if (m_rules->state() == AnswerState::Solved)
            afterChain();
        refresh();
        return;
    }
    if (state == AnswerState::Answering && source >= 0 && m_rules->releaseOnSource(source)) {
        refresh();
        return;
    }
    const bool touched = card && m_rules->card(card).touched;
    if (touched) {
        m_rules->releaseOnCard(card);
    } else if (state == AnswerState::HeadingSound) {
        m_rules->releaseOnCard(0);
    } else if (state != AnswerState::Solved && !m_rules->card(1).touched && !m_rules->card(2).touched &&
               state != AnswerState::Answering) {
        ShowMessageWindow(QStringLiteral("Bitte zuerst auf den Knopf 'Hören' klicken!"), this, false);
    }
    refresh();
}

bool TFormLangOderKurz::HandleAppMessage(QObject* watched, QEvent* event)
{
    if (TFormFormAlle::HandleAppMessage(watched, event))
        return true;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || (w != this && !isAncestorOf(w)) || !m_listValid)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease: {
        if (w != this)
            return false;
        auto* m = static_cast<QMouseEvent*>(event);
        const QPoint at = m->position().toPoint();
        // The bars take their own clicks; a held symbol is let go wherever the button comes up.
        const bool letGo = event->type() == QEvent::MouseButtonRelease && m_rules->state() == AnswerState::Dragging;
        if (!letGo && (!playArea().contains(at) || P_oben->geometry().contains(at)))
            return false;
        if (event->type() == QEvent::MouseMove)
            mouseMove(at);
        else if (m->button() != Qt::LeftButton)
            return false;
        else if (event->type() == QEvent::MouseButtonPress)
            mousePress(at);
        else
            mouseRelease(at);
        return true;
    }
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        const AnswerState state = m_rules->state();
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            switch (m_rules->enterAction()) {
            case LangRules::EnterAction::Listen: listenClick(); break;
            case LangRules::EnterAction::Pruefen: pruefenClick(); break;
            case LangRules::EnterAction::Weiter:
                if (SB_weiter->isVisible())
                    weiterClick();
                break;
            case LangRules::EnterAction::None: break;
            }
            return true;
        case Qt::Key_Space:
            if (state == AnswerState::TaskReady || state == AnswerState::Answering)
                listenClick();
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
            m_rules->arrow(key->key() == Qt::Key_Left);
            refresh();
            return true;
        case Qt::Key_Backspace:
            m_rules->clearSymbols();
            refresh();
            return true;
        case Qt::Key_H:
            if (SB_hoeren->isVisible() && SB_hoeren->isEnabled())
                listenClick();
            return true;
        case Qt::Key_P:
            if (SB_Fertig->isVisible() && state == AnswerState::Answering)
                pruefenClick();
            else
                Beep();
            return true;
        case Qt::Key_W:
            if (SB_weiter->isVisible() && state == AnswerState::Solved)
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

void TFormLangOderKurz::CB_auswahlChange(int index)
{
    if (LoadListFromChoice(index, 2, m_listValid))
        startChosenList();
}

void TFormLangOderKurz::startChosenList()
{
    BuildTaskOrder(int(g().taskList().size()), opts().randomOrder);
    run().taskStartTime = QDateTime();
    opts().file = fsys::toStored(MakeRelativePath(listFolder(), listPath, false));
    chooser::startPosition() = 0;
    prepareList();
    showFolderTab();
}

void TFormLangOderKurz::folderTabClick(int index)
{
    if (index < 0 || index > 2)
        return;
    // An empty folder leaves the previous folder and file chosen.
    if (LoadFirstListOf(listFolder() + kFolderNames[index] + QLatin1Char('/'), 2))
        startChosenList();
    showFolderTab();
}

void TFormLangOderKurz::writeFrameOptions()
{
    TOpt_LangOderKurz& o = opts();
    if (m_listValid)
        o.file = fsys::toStored(MakeRelativePath(listFolder(), listPath, false));
    o.backgroundPicture = backgroundPictureVisible;
    WritePlayerOptions(g().currentPlayer(), kProgram);
}

void TFormLangOderKurz::sb_optionenClick()
{
    WAV1->CloseAll();
    writeFrameOptions();
    const TOpt_LangOderKurz before = opts();
    bool ok = false;
    {
        messagehook::Suspend suspend;
        ok = options::ShowOptionPage(this, kProgram);
    }
    g().programCode = kProgram;
    if (ok) {
        praiseSounds().clear();
        errorSounds().clear();
        applyOptions();
        const TOpt_LangOderKurz& now = opts();
        if (before.randomOrder != now.randomOrder) {
            m_rules->rebuildOrder();
        } else if (before.backgroundPicture != now.backgroundPicture || before.text != now.text ||
                   before.picture != now.picture || before.cardBackVisible != now.cardBackVisible ||
                   before.showMarks != now.showMarks || before.marksWithSolution != now.marksWithSolution) {
            drawBackground();
            layoutCards();
            if (m_rules->state() != AnswerState::Solved)
                m_rules->startTask();
        }
        m_rules->startTask();
        showTask();
    }
    WAV1->StopAll();
    refresh();
}

void TFormLangOderKurz::Chb_hintergrundbildClick()
{
    opts().backgroundPicture = Chb_hintergrundbild->isChecked();
    backgroundPictureVisible = opts().backgroundPicture;
    drawBackground();
    layoutCards();
    WAV1->StopAll();
    run().taskStartTime = QDateTime();
    m_rules->jumpTo(m_rules->position());
    showTask();
}

void TFormLangOderKurz::FormClose()
{
    m_closingWindow = true;
    ++m_dueTicket;
    writeFrameOptions();
    m_background = m_progressSymbol = QImage();
    m_symbol[0] = m_symbol[1] = QImage();
    TFormFormAlle::FormClose();
}
