#include "exercises/WelcherLautPasst/WelcherLautPasst.h"

#include "exercises/common/FolderTab.h"
#include "exercises/common/ListLook.h"
#include "exercises/common/TaskSounds.h"

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
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>

using namespace welcher;
using picture::Colour;

namespace {

constexpr int kProgram = 303;
const QString kFolderNames[3] = {QStringLiteral("Anlaut"), QStringLiteral("Inlaut"), QStringLiteral("Auslaut")};
const char* const kTabCaptions[3] = {"  Anlaut ", "   Inlaut  ", " Auslaut "};
constexpr Colour kEarColour = 0x00B2E6E6;  // RGB 230, 230, 178

const QRgb kSquareColours[32] = {
    qRgb(255, 177, 183), qRgb(255, 177, 216), qRgb(255, 177, 255), qRgb(216, 177, 255), qRgb(186, 177, 255),
    qRgb(177, 197, 255), qRgb(177, 221, 255), qRgb(177, 249, 255), qRgb(177, 255, 239), qRgb(177, 255, 216),
    qRgb(177, 255, 194), qRgb(190, 255, 177), qRgb(216, 255, 177), qRgb(241, 255, 177), qRgb(255, 236, 177),
    qRgb(255, 197, 177), qRgb(244, 14, 25),   qRgb(244, 14, 106),  qRgb(244, 14, 182),  qRgb(241, 14, 244),
    qRgb(155, 14, 244),  qRgb(52, 14, 244),   qRgb(14, 68, 244),   qRgb(14, 155, 244),  qRgb(14, 241, 244),
    qRgb(14, 244, 166),  qRgb(14, 244, 84),   qRgb(14, 244, 14),   qRgb(112, 244, 14),  qRgb(193, 244, 14),
    qRgb(244, 203, 14),  qRgb(244, 106, 14)};

TOpt_WelcherLautPasst& opts() { return g().playerOptions.welcherLautPasst; }

const ProgramSection& section() { return g().config.programSection(QStringLiteral("ProgWelcherLautPasst")); }

QString listFolder() { return fsys::withSlash(catalogue::listFolder(kProgram)); }

QString wordPicture(const QString& name)
{
    if (name.trimmed().isEmpty())
        return QString();
    const QString file = fsys::withSlash(g().config.dirs.materialBilder) + fsys::fromStored(name.trimmed());
    return fsys::fileExists(file) ? fsys::resolve(file) : QString();
}

} // namespace

TFormWelcherLautPasst::TFormWelcherLautPasst(const QString& listPath, QWidget* parent)
    : TFormFormAlle(kProgram, listPath, parent), m_rules(std::make_unique<WelcherRules>(*WAV1))
{
    setObjectName(QStringLiteral("FormWelcherLautPasst"));
    setMouseTracking(true);
    const QString hoeren = section().value(QStringLiteral("Hoerentext"));
    if (!hoeren.trimmed().isEmpty())
        listenCaption = hoeren;

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

    CheckBox1 = new QCheckBox(QStringLiteral("Sprache minimieren"), P_auswahl);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setFocusPolicy(Qt::NoFocus);
    CheckBox1->setChecked(false);
    connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) { m_rules->setMinimizeSpeech(on); });

    const char* tabNames[3] = {"TB_Anlaut", "TB_Inlaut", "TB_Auslaut"};
    QPushButton** tabs[3] = {&TB_Anlaut, &TB_Inlaut, &TB_Auslaut};
    for (int i = 0; i < 3; ++i) {
        // The pressed tab: a white and a light grey line at its left edge.
        auto* b = exercise::MakeFolderTab(this, tabNames[i], QString::fromUtf8(kTabCaptions[i]),
                                          exercise::kPressedTabYellow +
                                              QStringLiteral(" border-left: 2px solid #e3e3e3;"));
        connect(b, &QPushButton::clicked, this, [this, i] { folderTabClick(i); });
        *tabs[i] = b;
    }
}

TFormWelcherLautPasst::~TFormWelcherLautPasst() = default;

// ---- opening ------------------------------------------------------------------------------------

void TFormWelcherLautPasst::FormActivate()
{
    TFormFormAlle::FormActivate();
    ArrangeFrame();
    const ProgramSection& s = section();
    MakeStripPictures({s.value(QStringLiteral("Lob")), s.value(QStringLiteral("Fehler")), QString(), QString()},
                      {75, 75, 75, 75});
    FillListChoice();
    run().taskStartTime = QDateTime();
    if (!prepareList(true))
        QTimer::singleShot(0, this, [this] { endRun(QDialog::Rejected); });
}

welcher::SoundPosition TFormWelcherLautPasst::tabPosition() const
{
    // The list shown decides, also when it came from the command line and not from "Datei".
    return SoundPositionOf(fsys::toStored(MakeRelativePath(listFolder(), listPath, false)));
}

bool TFormWelcherLautPasst::prepareList(bool keepStart)
{
    const QString relative = fsys::toStored(MakeRelativePath(listFolder(), listPath, false));
    const int start = keepStart && chooser::startPosition() >= 1 ? chooser::startPosition() : 0;
    m_listValid = m_rules->prepareList(CB_auswahl->currentText().isEmpty() ? relative : CB_auswahl->currentText(),
                                       tabPosition(), start);
    L_Aufgaben->setText(QStringLiteral(" Aufgaben: ") + QString::number(m_rules->taskCount()));
    if (!m_listValid) {
        dialogs::showMessage(this, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
        return false;
    }
    SB_Ton->setVisible(exercise::ListHasHeadingSound());
    m_listFontSize = exercise::ListTFont().size;
    applyOptions();
    drawBackground();
    makeFrames();
    m_animationCopy = QImage();
    layoutCards();
    fitListFont();
    taskStates.assign(size_t(m_rules->taskCount()), TaskState{});
    currentTask = m_rules->position();
    BuildTaskStrip();
    m_stripDirty = true;
    showTask(m_rules->taskShown());
    return true;
}

void TFormWelcherLautPasst::applyOptions()
{
    ApplyFrameOptions(opts().backgroundPicture, opts().time);
    showFolderTab();
    m_animationCopy = QImage();
}

QPushButton* TFormWelcherLautPasst::folderTab(int i) const
{
    return i == 0 ? TB_Anlaut : i == 1 ? TB_Inlaut : TB_Auslaut;
}

void TFormWelcherLautPasst::showFolderTab()
{
    const SoundPosition p = tabPosition();
    m_pressedTab = p == SoundPosition::Anlaut ? 0 : p == SoundPosition::Inlaut ? 1 : p == SoundPosition::Auslaut ? 2 : -1;
    for (int i = 0; i < 3; ++i)
        folderTab(i)->setChecked(i == m_pressedTab);
    m_rules->setSoundPosition(p);
}

// ---- layout and drawing -------------------------------------------------------------------------

void TFormWelcherLautPasst::ArrangeFrame()
{
    TFormFormAlle::ArrangeFrame();
    if (!SB_weiter)
        return;
    const int barH = P_Leiste->height();
    // The listen panel moves next to the end button, so that the list choice has room for both
    // check boxes on one row.
    QRect hp = P_hoeren->geometry();
    hp.moveRight(SB_ende->geometry().left() - 6);
    P_hoeren->setGeometry(hp);
    SB_weiter->setParent(P_hoeren->parentWidget());
    SB_weiter->setGeometry(hp);
    // A dark caption: white would vanish on the light button face.
    SkinButton(SB_weiter, g().config.symbolWeiter, QStringLiteral("Weiter"), 2, 1, 0, 2);
    // The heading sound button stands right of the options button; the list choice follows it.
    const int ton = std::max(10, barH - 2);
    SB_Ton->setGeometry(sb_optionen->geometry().right() + 1, 1, ton, ton);
    SB_Ton->setIconSize(QSize(ton * 2 / 3, ton * 2 / 3));
    QRect choice = P_auswahl->geometry();
    choice.setLeft(std::max(choice.left(), SB_Ton->geometry().right() + 3));
    choice.setRight(std::max(choice.left() + 40, hp.left() - 4));
    P_auswahl->setGeometry(choice);
    const int inner = choice.width() - 8;
    const QRect cb = CB_auswahl->geometry();
    CB_auswahl->setGeometry(cb.x(), cb.y(), inner, cb.height());
    const QRect hb = Chb_hintergrundbild->geometry();
    const int half = std::max(Chb_hintergrundbild->sizeHint().width() + 8, inner / 2);
    Chb_hintergrundbild->setGeometry(hb.x(), hb.y(), std::min(half, inner / 2 + inner / 4), hb.height());
    CheckBox1->setFont(Chb_hintergrundbild->font());
    CheckBox1->setGeometry(Chb_hintergrundbild->geometry().right() + 1, hb.y(),
                           inner - Chb_hintergrundbild->width(), hb.height());
    const QRect ta = P_TAuswahl->geometry();
    P_TAuswahl->setGeometry(ta.x(), ta.y(), inner, ta.height());
    const int hintWidth = std::min(l_gbst->sizeHint().width(), inner * 3 / 5);
    l_gbst->setGeometry(inner - hintWidth, 0, hintWidth, ta.height());
    L_Aufgaben->setGeometry(0, 0, inner - hintWidth, ta.height());
    // The tabs stand on the bar above the list choice, equally wide.
    int widest = 0;
    for (int i = 0; i < 3; ++i)
        widest = std::max(widest, folderTab(i)->sizeHint().width());
    int tabLeft = P_Leiste->x() + P_auswahl->x();
    for (int i = 0; i < 3; ++i) {
        QPushButton* tab = folderTab(i);
        const int h = tab->sizeHint().height();
        tab->setGeometry(tabLeft, playArea().bottom() + 1 - h, widest, h);
        tab->setVisible(!P_Leiste->isHidden());
        tab->raise();
        tabLeft += widest;
    }
    const QRect play = playArea();
    m_maxWidth = std::min(800, width() - 12);
    m_maxHeight = std::max(40, std::min(600, play.height() - (barH / 3) * 2 - barH - 8));
    if (m_listValid) {
        drawBackground();
        makeFrames();
        m_animationCopy = QImage();
        layoutCards();
        fitListFont();
        compose();
    }
}

void TFormWelcherLautPasst::drawBackground()
{
    m_background = exercise::WindowBackground(size(), backgroundPictureVisible);
    // Everything drawn over the old background is drawn again when next needed.
    m_cache.clear();
    m_face = QImage();
    for (QImage& f : m_frames)
        f = QImage();
}

QImage TFormWelcherLautPasst::cached(const QString& key, const std::function<QImage()>& draw)
{
    auto it = m_cache.find(key);
    if (it == m_cache.end())
        it = m_cache.insert(key, draw());
    return it.value();
}

void TFormWelcherLautPasst::makeFrames()
{
    const int side = (P_Leiste->y() - 8) - (m_word.bottom() + 1 + 15);
    if (side >= 4 && !m_frames[0].isNull() && m_frames[0].height() == side)
        return;
    for (QImage& f : m_frames)
        f = QImage();
    if (side < 4)
        return;
    const Colour bg = g().loadedList.layout.backgroundColour;
    const QString name = section().value(QStringLiteral("AnimationBild"));
    for (int k = 0; k < 3; ++k) {
        picture::Target t(side, side, bg);
        t.transparent = true;
        const QString file = exercise::InternPicture(name + QString::number(k + 1) + QStringLiteral(".wmf"));
        if (!file.isEmpty())
            picture::DrawMetafileSmooth(file, t, bg, 95, false, true);
        m_frames[size_t(k)] = picture::ShownImage(t);
    }
}

QRect TFormWelcherLautPasst::cardRect(int card) const
{
    return card == 2 ? m_word : m_choice[card == kRight ? 1 : 0];
}

QRect TFormWelcherLautPasst::wordPanel() const
{
    return QRect(m_word.left(), m_word.bottom() + 1, m_word.width(), std::max(0, P_Leiste->y() - m_word.bottom() - 1));
}

void TFormWelcherLautPasst::layoutCards()
{
    const QRect play = playArea();
    int d = 800, b = 600;
    const QString file = wordPicture(m_rules->wordElement().picture);
    const QSize pic = file.isEmpty() ? QSize() : picture::PictureSize(file);
    if (pic.isValid() && pic.height() > 0) {
        const int r = qRound(100.0 * pic.width() / pic.height());
        if (r < 80 || r > 133) {
            d = m_maxWidth;
            b = m_maxHeight;
        } else {
            double f = double(m_maxHeight) / pic.height();
            if (m_maxWidth < pic.width() * f)
                f = double(m_maxWidth) / pic.width();
            d = qRound(pic.width() * f);
            b = qRound(pic.height() * f);
        }
    }
    // Never taller than the room between the bars.
    b = std::min(b, m_maxHeight);
    d = std::min(d, m_maxWidth);
    const int s = P_oben->height();
    const int cardW = qRound((4.0 * b - 160) / 3 + 40);
    const int top = std::max(play.top() + 4, play.top() + (play.height() - b) / 2 - s);
    m_word = QRect((width() - cardW) / 2, top, cardW, b);
    const int leftJ = std::max(20, std::min(d / 2, m_word.left() - play.left() - 40));
    m_choice[0] = QRect(play.left() + (m_word.left() - play.left() - leftJ) / 2, top, leftJ, b);
    const int wordRight = m_word.left() + m_word.width();
    const int rightJ = std::max(20, std::min(d / 2, play.left() + play.width() - wordRight - 40));
    m_choice[1] = QRect(wordRight + (play.left() + play.width() - wordRight - rightJ) / 2, top, rightJ, b);
    for (int i = 0; i < 2; ++i)
        m_ear[i] = QRect(m_choice[i].left() + (m_choice[i].width() - s) / 2, m_choice[i].top() + m_choice[i].height(), s, s);
}

void TFormWelcherLautPasst::fitListFont()
{
    // The widest word of the list at the run's size, fitted into the largest picture.
    const int remembered = std::max(1, m_listFontSize);
    const QFont font = exercise::ListFont(remembered);
    const QFontMetrics fm(font);
    QString widest;
    for (const TAufgabe& t : g().taskList()) {
        QStringList parts;
        SplitText(t.elements.size() > 1 ? t.elements[1].text : QString(), parts, true, QStringLiteral(","), false);
        if (!parts.isEmpty() && fm.horizontalAdvance(parts.front()) > fm.horizontalAdvance(widest))
            widest = parts.front();
    }
    const int s = widest.isEmpty() ? remembered : picture::FitFontSize(m_maxHeight, m_maxWidth, widest, 90, font);
    m_fittedSize = s >= 60 ? s : (remembered >= 60 ? 60 : s);
}

void TFormWelcherLautPasst::drawWordCard(QImage& canvas)
{
    const TLayout& layout = g().loadedList.layout;
    const QRect r = m_word;
    const QRect local(0, 0, r.width(), r.height());
    const QRect inner = local.adjusted(20, 20, -20, -20);
    const QString key = QStringLiteral("frame %1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    const bool shown = m_rules->pictureShown();
    if (!shown) {
        // The card back is the same for every task of the list.
        const QImage back = cached(QStringLiteral("back ") + key, [&] {
            QImage frame = cached(key, [&] {
                picture::Target f(r.width(), r.height(), layout.backgroundColour);
                DrawCardFrame(f.image, local, 20, &m_background, r, 0, false, true, layout.backgroundColour);
                return f.image;
            });
            drawCardBack(frame, inner);
            return frame;
        });
        QPainter(&canvas).drawImage(r.topLeft(), back);
        return;
    }
    // The face of the current word is kept until the next word or background.
    const QString faceKey = key + QLatin1Char(' ') + m_rules->wordElement().picture;
    if (faceKey == m_faceKey && !m_face.isNull()) {
        QPainter(&canvas).drawImage(r.topLeft(), m_face);
        return;
    }
    picture::Target t(r.width(), r.height(), layout.backgroundColour);
    t.image = cached(key, [&] {
        picture::Target f(r.width(), r.height(), layout.backgroundColour);
        DrawCardFrame(f.image, local, 20, &m_background, r, 0, false, true, layout.backgroundColour);
        return f.image;
    });
    if (inner.width() < 2 || inner.height() < 2)
        return;
    QPainter p(&t.image);
    {
        const TEinzelbild& e = m_rules->wordElement();
        const QString file = wordPicture(e.picture);
        picture::Target in(inner.width(), inner.height(), file.isEmpty() ? layout.pictureBackgroundColour
                                                                         : layout.backgroundColour);
        if (file.isEmpty()) {
            // A missing picture says so.
            QFont f = exercise::ListFont(24);
            const QString text = QStringLiteral(".\\Material\\Bilder\\") + e.picture + QStringLiteral(" fehlt!");
            f.setPointSize(std::max(6, picture::FitFontSize(inner.height(), inner.width(), text, 90, f)));
            QPainter ip(&in.image);
            ip.setFont(f);
            ip.setPen(Qt::black);
            ip.drawText(QRect(0, 0, inner.width(), inner.height()), Qt::AlignCenter | Qt::TextWordWrap, text);
        } else {
            const int percent = e.layout.pictureSize > 0 ? e.layout.pictureSize : 100;
            picture::DrawPicture(in, file, layout.backgroundColour, percent, true, true);
        }
        p.drawImage(inner.topLeft(), picture::ShownImage(in));
        p.setPen(Qt::black);
        p.drawRect(inner.adjusted(-1, -1, 0, 0));
    }
    p.end();
    m_face = t.image;
    m_faceKey = faceKey;
    QPainter(&canvas).drawImage(r.topLeft(), t.image);
}

void TFormWelcherLautPasst::drawCardBack(QImage& card, const QRect& inner)
{
    if (inner.width() < 2 || inner.height() < 2)
        return;
    const TLayout& layout = g().loadedList.layout;
    QPainter p(&card);
    const QString back = opts().cardBackVisible ? exercise::CardBackPicture() : QString();
    if (!back.isEmpty()) {
        picture::Target in(inner.width(), inner.height(), layout.pictureBackgroundColour);
        picture::DrawPicture(in, back, layout.pictureBackgroundColour, 100, true, true);
        p.drawImage(inner.topLeft(), picture::ShownImage(in));
        p.setPen(Qt::black);
        p.drawRect(inner.adjusted(-1, -1, 0, 0));
        return;
    }
    const QString bg = backgroundPictureVisible ? exercise::BackgroundPicturePath() : QString();
    if (!bg.isEmpty()) {
        const QImage light = picture::LightBackground(bg, size(), layout.backgroundColour);
        p.drawImage(inner.topLeft(), light, inner.translated(m_word.topLeft()));
    } else {
        p.fillRect(inner, picture::toQColor(picture::LightenColour(layout.backgroundColour, 30)));
    }
}

void TFormWelcherLautPasst::drawChoiceCard(QImage& canvas, int card, bool pressed)
{
    const TLayout& layout = g().loadedList.layout;
    const QRect r = cardRect(card);
    if (r.width() < 44 || r.height() < 44)
        return;
    const QRect local(0, 0, r.width(), r.height());
    picture::Target t(r.width(), r.height(), layout.backgroundColour);
    t.image = cached(QStringLiteral("choice %1 %2 %3 %4 %5").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).arg(pressed),
                     [&] {
                         picture::Target f(r.width(), r.height(), layout.backgroundColour);
                         DrawCardFrame(f.image, local, 20, &m_background, r, 0, false, !pressed,
                                       layout.backgroundColour);
                         return f.image;
                     });
    QRect area = local.adjusted(21, 21, -21, -21);
    // Both cards use one size: the wider of the two texts fits.
    QFont font = exercise::ListFont(std::max(1, m_fittedSize));
    int points = font.pointSize();
    for (int c : {kLeft, kRight}) {
        const QString text = m_rules->cardText(c);
        if (!text.isEmpty())
            points = std::min(points, picture::FitFontSize(r.height(), r.width() - 20, text, 70, font));
    }
    font.setPointSize(std::max(1, points));
    QPainter p(&t.image);
    p.fillRect(area, picture::toQColor(layout.pictureBackgroundColour));
    if (pressed) {
        area.translate(12, 12);
        area = area.intersected(local.adjusted(21, 21, -21, -21));
        p.setPen(QColor(128, 128, 128));
        p.drawRect(local.adjusted(21, 21, -22, -22));
    }
    p.setFont(font);
    p.setPen(exercise::ListFontColour() >= 0 ? picture::toQColor(exercise::ListFontColour()) : QColor(Qt::black));
    p.drawText(area, Qt::AlignCenter, m_rules->cardText(card));
    p.end();
    QPainter(&canvas).drawImage(r.topLeft(), t.image);
}

void TFormWelcherLautPasst::drawEarButton(QImage& canvas, int card)
{
    const QRect r = earRect(card);
    if (r.width() < 8)
        return;
    const bool marked = m_rules->keyboardChoice() == card;
    const QImage ear = cached(QStringLiteral("ear %1 %2").arg(r.width()).arg(marked), [&] { return earImage(r.size(), marked); });
    QPainter(&canvas).drawImage(r.topLeft(), ear);
}

QImage TFormWelcherLautPasst::earImage(QSize size, bool marked) const
{
    const QRect r(QPoint(0, 0), size);
    picture::Target button = DrawRoundButton(r.width(), r.height(), kEarColour);
    const QString file = marked ? exercise::InternPicture(g().config.programSection(QStringLiteral("ProgLautPos"))
                                                              .value(QStringLiteral("Markerbild")))
                                : exercise::InternPicture(section().value(QStringLiteral("OhrKnopf")));
    QImage shown = picture::ShownImage(button);
    if (!file.isEmpty()) {
        picture::Target pic(r.width(), r.height(), 0x00FFFFFF);
        pic.transparent = true;
        picture::DrawPictureFitted(pic, file, 0x00FFFFFF, 70, true, true, true);
        QPainter(&shown).drawImage(0, 0, picture::ShownImage(pic));
    }
    return shown;
}

void TFormWelcherLautPasst::drawWordPanel(QImage& canvas)
{
    const QRect panel = wordPanel().adjusted(10, 10, -10, -10);
    if (panel.width() < 10 || panel.height() < 10)
        return;
    const QRect light = panel.adjusted(2, 2, 0, 0);
    QImage part = canvas.copy(light);
    picture::LightenBitmap(part);
    QPainter(&canvas).drawImage(light.topLeft(), part);
    DrawShadowFrame(canvas, panel, 5);
    // The figure of the task change eats the word and leaves this.
    m_animationCopy = canvas.copy();
    const Mark mark = m_rules->mark();
    const QString word = m_rules->word();
    QFont font = exercise::ListFont(std::max(1, m_fittedSize));
    font.setPointSize(std::max(1, picture::FitFontSize(panel.height(), panel.width(), word, 100, font)));
    picture::Target t(panel.width(), panel.height(), 0x00FFFFFF);
    t.image = canvas.copy(panel);
    t.transparent = false;
    const TLayout& layout = g().loadedList.layout;
    picture::DrawMarkedText(t, QRect(0, -5, panel.width(), panel.height()), font, exercise::ListFontColour(), 1, -1,
                            layout.letterMarkColour, mark.start, mark.length, word);
    QPainter(&canvas).drawImage(panel.topLeft(), t.image);
}

void TFormWelcherLautPasst::drawProgressSquares(QImage& canvas) const
{
    const int rows = m_squares;
    const int w = std::max(1, (width() - 80) / 17);
    const int top = P_oben->height();
    QPainter p(&canvas);
    int x = 10, y = top + 10;
    for (int i = 0; i < rows; ++i) {
        if (i > 0 && i % 32 == 0) {
            x = 10;
            y = top + 10;
        } else if (i % 16 == 0 && i % 32 != 0) {
            x = 20;
            y = top + 20;
        }
        // Each square keeps a darker edge, so that the stack reads as squares, not as one bar.
        const QColor colour(kSquareColours[i % 32]);
        p.fillRect(QRect(x, y, w, 30), colour);
        p.setPen(colour.darker(160));
        p.drawRect(QRect(x, y, w - 1, 29));
        x += 5;
    }
}

void TFormWelcherLautPasst::compose()
{
    if (m_background.isNull())
        return;
    QImage buffer = m_background.copy(0, 0, width(), std::max(1, P_Leiste->y()));
    if (m_listValid && m_rules->taskShown() && !m_word.isEmpty()) {
        const bool solved = m_rules->state() == AnswerState::Solved;
        drawWordCard(buffer);
        for (int c : {kLeft, kRight})
            drawChoiceCard(buffer, c, solved && c == m_rules->rightCard());
        if (!solved)
            for (int c : {kLeft, kRight})
                drawEarButton(buffer, c);
        else
            drawWordPanel(buffer);
    }
    drawProgressSquares(buffer);
    m_buffer = buffer;
}

void TFormWelcherLautPasst::FormPaint(QPainter& p)
{
    if (m_buffer.isNull())
        return;
    p.drawImage(0, 0, m_buffer);
}

// ---- the flow of a task -------------------------------------------------------------------------

void TFormWelcherLautPasst::showTask(bool ok)
{
    if (!ok && m_rules->incorrectTask() > 0) {
        compose();
        refresh();
        dialogs::showMessage(this, QStringLiteral("Aufgabe ") + QString::number(m_rules->incorrectTask()) +
                                       QStringLiteral(" ist nicht korrekt!\nBitte wählen Sie eine andere Aufgabe"));
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    layoutCards();
    makeFrames();
    QApplication::restoreOverrideCursor();
    compose();
    refresh();
}

void TFormWelcherLautPasst::animateTaskChange()
{
    const QRect panel = wordPanel().adjusted(10, 10, -10, -10);
    if (m_animationCopy.isNull() || m_buffer.isNull() || panel.width() < 4 || m_frames[0].isNull())
        return;
    const int fw = m_frames[0].width() + 2, fh = m_frames[0].height();
    QPointer<TFormWelcherLautPasst> self(this);
    m_animating = true;
    m_animationSteps = 0;
    int frame = 0;
    for (int x = panel.right() + 1; x + fw > panel.left() && self && !m_closingWindow && isVisible(); x -= 2) {
        ++m_animationSteps;
        // Only the strip the figure passes changes: it is drawn into the buffer in place. Everything
        // right of the figure's middle stays eaten.
        const int eaten = x + fw / 2;
        const QRect strip = QRect(x, panel.top(), fw + 2, std::max(panel.height(), fh)).intersected(panel);
        {
            QPainter p(&m_buffer);
            p.setClipRect(strip);
            p.drawImage(QRect(eaten, panel.top(), panel.right() + 1 - eaten, panel.height()), m_animationCopy,
                        QRect(eaten, panel.top(), panel.right() + 1 - eaten, panel.height()));
            p.drawImage(x, panel.top(), m_frames[size_t(frame)]);
        }
        repaint(strip);
        if (m_animationSteps % 3 == 0)
            clock_::sleepMs(10);
        if (m_animationSteps % 20 == 0) {
            clock_::sleepMs(1);
            frame = (frame + 1) % 3;
        }
    }
    m_animating = false;
}

void TFormWelcherLautPasst::syncTaskStates()
{
    taskStates.clear();
    for (const exercise::TaskResult& r : exercise::ResultsInPlayOrder(m_rules->results()))
        taskStates.push_back(TaskState{r.state, r.error});
    currentTask = m_rules->position();
}

void TFormWelcherLautPasst::refresh()
{
    const WelcherRules& r = *m_rules;
    const std::vector<TaskState> before = taskStates;
    const int beforeTask = currentTask;
    syncTaskStates();
    const auto same = [](const TaskState& a, const TaskState& b) { return a.state == b.state && a.error == b.error; };
    if (m_stripDirty || beforeTask != currentTask || before.size() != taskStates.size() ||
        !std::equal(before.begin(), before.end(), taskStates.begin(), same))
        DrawTaskStrip();
    m_stripDirty = false;
    const bool solved = r.state() == AnswerState::Solved;
    SB_weiter->setVisible(solved);
    SB_weiter->setEnabled(r.weiterEnabled());
    P_hoeren->setVisible(!solved);
    if (solved)
        SB_weiter->raise();
    if (!m_animating)
        update();
}

void TFormWelcherLautPasst::listenClick()
{
    if (!m_listValid)
        return;
    m_rules->listen();
    compose();
    refresh();
}

void TFormWelcherLautPasst::SB_hoerenClick() { listenClick(); }

void TFormWelcherLautPasst::afterAnswer(WelcherRules::Outcome outcome)
{
    if (outcome == WelcherRules::Outcome::Right) {
        m_squares = m_rules->rowCount();
        StopWaveFiles();  // the option pages' media preview must not talk over the explanation
        P_auswahl->setToolTip(QStringLiteral("Aufgaben: ") + QString::number(m_rules->taskCount()) +
                              QStringLiteral(" - bearbeitet: ") + QString::number(m_rules->rowCount()));
    }
    compose();
    refresh();
}

void TFormWelcherLautPasst::choiceClick(int card)
{
    if (!m_listValid)
        return;
    afterAnswer(m_rules->clickChoice(card));
}

void TFormWelcherLautPasst::weiterClick()
{
    if (!m_listValid || m_animating)
        return;
    if (m_rules->state() == AnswerState::Solved && opts().animation && isVisible()) {
        SB_weiter->setEnabled(false);
        animateTaskChange();
    }
    if (!m_rules->advance()) {
        if (m_rules->state() == AnswerState::NoValidList)
            return;
        const auto yes = dialogs::Button::Yes;
        if (dialogs::ask(this, QStringLiteral(" Die Datei ist vollständig bearbeitet!  \nVon vorne beginnen?")) != yes) {
            SB_endeClick();
            return;
        }
        repaint();
        const bool newSides = dialogs::ask(this, QStringLiteral("Neu mischen?")) == yes;
        if (newSides)
            fitListFont();
        repaint();
        m_rules->restart(newSides);
        m_stripDirty = true;
    }
    showTask(m_rules->taskShown());
    P_hoeren->raise();
}

void TFormWelcherLautPasst::TaskImageClick(int position)
{
    if (!m_listValid)
        return;
    TFormFormAlle::TaskImageClick(position);
    const bool ok = m_rules->jumpTo(position);
    m_stripDirty = true;
    showTask(ok);
}

void TFormWelcherLautPasst::SoundNotice(int channel, SoundStatus status)
{
    m_rules->soundNotice(channel, status);
    refresh();
}

void TFormWelcherLautPasst::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_listValid && event->button() == Qt::LeftButton && m_rules->taskShown()) {
        const bool solved = m_rules->state() == AnswerState::Solved;
        if (m_word.contains(at)) {
            listenClick();
            return;
        }
        if (solved && wordPanel().contains(at)) {
            m_rules->replayExplanation();
            return;
        }
        for (int c : {kLeft, kRight}) {
            if (cardRect(c).contains(at)) {
                choiceClick(c);
                return;
            }
            if (!solved && earRect(c).contains(at)) {
                m_rules->clickEar(c);
                return;
            }
        }
    }
    TFormFormAlle::mouseReleaseEvent(event);
}

void TFormWelcherLautPasst::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (m_listValid && event->button() == Qt::LeftButton && m_word.contains(event->position().toPoint()) &&
        m_rules->taskShown()) {
        m_rules->showPicture();
        listenClick();
        return;
    }
    TFormFormAlle::mouseDoubleClickEvent(event);
}

void TFormWelcherLautPasst::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    QCursor cursor(Qt::ArrowCursor);
    if (m_choice[0].contains(at) || m_choice[1].contains(at))
        cursor = QCursor(Qt::PointingHandCursor);
    else if ((m_ear[0].contains(at) || m_ear[1].contains(at)) && m_rules->state() != AnswerState::Solved)
        cursor = programCursor(crOhr);
    setCursor(cursor);
    TFormFormAlle::mouseMoveEvent(event);
}

bool TFormWelcherLautPasst::HandleAppMessage(QObject* watched, QEvent* event)
{
    if (m_animating) {
        // Clicks and keys while the figure eats the word do nothing: "Weiter" is one step per press.
        auto* w = qobject_cast<QWidget*>(watched);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (w && (w == this || isAncestorOf(w)))
                return true;
            break;
        default:
            break;
        }
    }
    if (TFormFormAlle::HandleAppMessage(watched, event))
        return true;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || (w != this && !isAncestorOf(w)) || !m_listValid || event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        m_rules->arrowKey(key->key() == Qt::Key_Left);
        compose();
        refresh();
        return true;
    case Qt::Key_Space:
        m_rules->space();
        compose();
        refresh();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        WelcherRules::Outcome outcome = WelcherRules::Outcome::Ignored;
        switch (m_rules->enter(SB_weiter->isVisible() && SB_weiter->isEnabled(), &outcome)) {
        case WelcherRules::KeyAction::Weiter: weiterClick(); break;
        case WelcherRules::KeyAction::Answered: afterAnswer(outcome); break;
        case WelcherRules::KeyAction::Listened:
            compose();
            refresh();
            break;
        case WelcherRules::KeyAction::None: break;
        }
        return true;
    }
    case Qt::Key_H:
        if (P_hoeren->isVisible() && SB_hoeren->isEnabled())
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

// ---- lists, options and closing ----------------------------------------------------------------

void TFormWelcherLautPasst::CB_auswahlChange(int index)
{
    if (LoadListFromChoice(index, 1, m_listValid))
        startChosenList();
}

void TFormWelcherLautPasst::startChosenList()
{
    BuildTaskOrder(int(g().taskList().size()), g().randomOrder303);
    run().taskStartTime = QDateTime();
    opts().file = fsys::toStored(MakeRelativePath(listFolder(), listPath, false));
    prepareList(false);
    showFolderTab();
}

void TFormWelcherLautPasst::folderTabClick(int index)
{
    if (index < 0 || index > 2)
        return;
    const QString folder = listFolder() + kFolderNames[index] + QLatin1Char('/');
    QStringList files;
    if (fsys::dirExists(folder))
        ListFiles(folder, QStringLiteral("*.txt"), false, files);
    files.sort(Qt::CaseInsensitive);
    WAV1->StopAll();
    // The files in the order of the choice: the first that loads.
    const QString previous = listPath;
    bool loaded = false;
    for (const QString& f : std::as_const(files)) {
        g().defaultElementCount = catalogue::defaultElementCount(kProgram);
        if (LoadTaskList(folder + f) > 0) {
            listPath = folder + f;
            loaded = true;
            break;
        }
    }
    if (!loaded) {
        // Every list of the folder is empty: the previous list, folder and tab stay.
        ShowMessageWindow(QStringLiteral("Datei nicht gültig! Bitte andere auswählen!"), this, false);
        g().defaultElementCount = catalogue::defaultElementCount(kProgram);
        LoadTaskList(previous);
        listPath = previous;
        showFolderTab();
        return;
    }
    FillListChoice();
    startChosenList();
}

void TFormWelcherLautPasst::writeFrameOptions()
{
    TOpt_WelcherLautPasst& o = opts();
    o.load = currentTask;
    if (m_listValid)
        o.file = fsys::toStored(MakeRelativePath(listFolder(), listPath, false));
    o.backgroundPicture = backgroundPictureVisible;
    WritePlayerOptions(g().currentPlayer(), kProgram);
}

void TFormWelcherLautPasst::sb_optionenClick()
{
    WAV1->CloseAll();
    writeFrameOptions();
    const TOpt_WelcherLautPasst before = opts();
    const bool randomBefore = g().randomOrder303;
    bool ok = false;
    {
        messagehook::Suspend suspend;
        ok = options::ShowOptionPage(this, kProgram);
    }
    g().programCode = kProgram;
    if (ok) {
        repaint();
        applyOptions();
        const TOpt_WelcherLautPasst& now = opts();
        const bool looks = before.backgroundPicture != now.backgroundPicture || before.cardBackVisible != now.cardBackVisible;
        if (looks)
            drawBackground();
        if (randomBefore != g().randomOrder303) {
            m_rules->rebuildOrder(g().randomOrder303);
            m_stripDirty = true;
            showTask(m_rules->taskShown());
        } else if (looks) {
            run().taskStartTime = QDateTime();
            showTask(m_rules->jumpTo(m_rules->position()));
        }
    }
    compose();
    refresh();
}

void TFormWelcherLautPasst::Chb_hintergrundbildClick()
{
    opts().backgroundPicture = Chb_hintergrundbild->isChecked();
    backgroundPictureVisible = opts().backgroundPicture;
    drawBackground();
    m_animationCopy = QImage();
    WAV1->StopAll();
    run().taskStartTime = QDateTime();
    showTask(m_rules->jumpTo(m_rules->position()));
}

void TFormWelcherLautPasst::FormClose()
{
    m_closingWindow = true;
    writeFrameOptions();
    chooser::startPosition() = 0;
    m_buffer = m_background = m_animationCopy = QImage();
    for (QImage& f : m_frames)
        f = QImage();
    TFormFormAlle::FormClose();
}
