#include "exercises/LautSuche/LautSuche.h"

#include "exercises/common/FolderTab.h"
#include "exercises/common/ListLook.h"
#include "exercises/common/TaskSeries.h"
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
#include <QPushButton>
#include <QTimer>

using namespace lautsuche;
using exercise::LautState;
using picture::Colour;
using Outcome = LautSucheRules::Outcome;

namespace {

constexpr int kProgram = 402;
const QString kFolderNames[3] = {QStringLiteral("Anlaut"), QStringLiteral("zweiter Laut"), QStringLiteral("Auslaut")};
const char* const kTabCaptions[3] = {"     Anlaut   ", "    2. Laut   ", "   Auslaut   "};
constexpr Colour kPurple = 0x00800080;

const ProgramSection& section() { return g().config.programSection(QStringLiteral("ProgLautSuche")); }
QString listFolder() { return fsys::withSlash(catalogue::listFolder(kProgram)); }

QString relativeList(const QString& path)
{
    QString r = fsys::toStored(MakeRelativePath(listFolder(), path, false));
    while (r.startsWith(QLatin1Char('\\')))
        r.remove(0, 1);
    return r;
}

QString mouthEnding()
{
    const QString e = section().value(QStringLiteral("Mundbildendung"));
    return e.isEmpty() ? QStringLiteral("-ohne Buchstabe.wmf") : e;
}

} // namespace

TFormLautSuche::TFormLautSuche(const QString& listPath, QWidget* parent)
    : TFormFormAlle(kProgram, listPath, parent), m_rules(std::make_unique<LautSucheRules>(*WAV1))
{
    setObjectName(QStringLiteral("FormLautSuche"));
    setMouseTracking(true);
    auto button = [this](const char* name, const QString& hint) {
        auto* b = new QPushButton(P_Leiste);
        b->setObjectName(QLatin1String(name));
        b->setFocusPolicy(Qt::NoFocus);
        b->setToolTip(hint);
        b->hide();
        return b;
    };
    SB_fertig = button("SB_fertig", QStringLiteral("fertig"));
    SB_weiter = button("SB_weiter", QStringLiteral("weiter"));
    SB_Ton = button("SB_Ton", QStringLiteral("Überschrift anhören"));
    SB_Ton->setIcon(QIcon(cursorPicture(crTon)));
    connect(SB_fertig, &QPushButton::clicked, this, [this] { checkClick(); });
    connect(SB_weiter, &QPushButton::clicked, this, [this] { weiterClick(); });
    connect(SB_Ton, &QPushButton::clicked, this, [this] {
        if (!m_listValid)
            return;
        m_rules->playHeading();
        refresh();
    });

    GB_darstellung = new QGroupBox(QStringLiteral("Darstellung:"), P_Leiste);
    GB_darstellung->setObjectName(QStringLiteral("GB_darstellung"));
    Chb_Lautknopf = new QCheckBox(QStringLiteral("Lautknopf"), GB_darstellung);
    Chb_Lautknopf->setObjectName(QStringLiteral("Chb_Lautknopf"));
    Chb_Mundbild = new QCheckBox(QStringLiteral("Mundbild"), GB_darstellung);
    Chb_Mundbild->setObjectName(QStringLiteral("Chb_Mundbild"));
    for (QCheckBox* c : {Chb_Lautknopf, Chb_Mundbild})
        c->setFocusPolicy(Qt::NoFocus);
    connect(Chb_Lautknopf, &QCheckBox::toggled, this, [this] { darstellungClick(true); });
    connect(Chb_Mundbild, &QCheckBox::toggled, this, [this] { darstellungClick(false); });

    ToolBar1 = new QFrame(P_auswahl);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    const char* tabNames[3] = {"TB_Anlaut", "TB_Inlaut", "TB_Auslaut"};
    QPushButton** tabs[3] = {&TB_Anlaut, &TB_Inlaut, &TB_Auslaut};
    for (int i = 0; i < 3; ++i) {
        auto* b = exercise::MakeFolderTab(ToolBar1, tabNames[i], QString::fromUtf8(kTabCaptions[i]));
        connect(b, &QPushButton::clicked, this, [this, i] { folderTabClick(i); });
        *tabs[i] = b;
    }

    Timer1 = new QTimer(this);
    Timer1->setInterval(50);
    connect(Timer1, &QTimer::timeout, this, [this] { dissolveTick(); });
}

TFormLautSuche::~TFormLautSuche() = default;

QPushButton* TFormLautSuche::folderTab(int i) const { return i == 0 ? TB_Anlaut : i == 1 ? TB_Inlaut : TB_Auslaut; }

// ---- opening, options ---------------------------------------------------------------------------

void TFormLautSuche::FormActivate()
{
    TFormFormAlle::FormActivate();
    ArrangeFrame();
    const ProgramSection& s = section();
    MakeStripPictures({s.value(QStringLiteral("Lob")), s.value(QStringLiteral("Fehler")), QString(), QString()},
                      {75, 75, 75, 75});
    FillListChoice();
    run().taskStartTime = QDateTime();
    prepareList(true);
}

void TFormLautSuche::applyOptions()
{
    TOpt_LautSuche& o = opts();
    ApplyFrameOptions(o.backgroundPicture, 0);
    if (o.atOnce)
        o.soundButton = true;
    else if (!o.soundButton && !o.mouthPicture)
        o.soundButton = true;
    m_syncingChecks = true;
    Chb_Lautknopf->setChecked(o.soundButton);
    Chb_Mundbild->setChecked(o.mouthPicture);
    Chb_Lautknopf->setEnabled(!o.atOnce);
    m_syncingChecks = false;
    showFolderTab();
    CB_auswahl->setToolTip(fsys::toStored(MakeRelativePath(g().config.dirs.listen, listPath, false)));
}

void TFormLautSuche::showFolderTab()
{
    const PositionMode mode = PositionModeOf(relativeList(listPath));
    m_rules->setMode(mode);
    const int down = mode == PositionMode::Anlaut ? 0 : mode == PositionMode::Zweiter ? 1 : mode == PositionMode::Auslaut ? 2 : -1;
    for (int i = 0; i < 3; ++i)
        folderTab(i)->setChecked(i == down);
}

bool TFormLautSuche::prepareList(bool keepStart)
{
    const int start = keepStart && chooser::startPosition() >= 1 ? chooser::startPosition() : 0;
    applyOptions();
    m_dissolve.stop();
    Timer1->stop();
    m_panels.clear();  // a new list may bring other pictures under the same names
    m_listValid = m_rules->prepareList(relativeList(listPath), start);
    L_Aufgaben->setText(QStringLiteral(" Aufgaben: ") + QString::number(m_rules->taskCount()));
    taskStates.assign(size_t(m_rules->taskCount()), TaskState{});
    currentTask = m_rules->position();
    BuildTaskStrip();
    m_stripDirty = true;
    if (!m_listValid) {
        m_background = exercise::WindowBackground(size(), backgroundPictureVisible);
        compose();
        refresh();
        dialogs::showMessage(this, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
        return false;
    }
    setUp(m_rules->taskShown());
    return true;
}

void TFormLautSuche::writeFrameOptions()
{
    TOpt_LautSuche& o = opts();
    if (m_listValid)
        o.file = relativeList(listPath);
    o.backgroundPicture = backgroundPictureVisible;
    if (!WritePlayerOptions(g().currentPlayer(), kProgram))
        ShowMessageWindow(QStringLiteral("Die Ini-Datei: ") + g().currentPlayer() +
                              QStringLiteral(" konnte nicht erstellt werden."),
                          this, false);
}

void TFormLautSuche::sb_optionenClick()
{
    WAV1->CloseAll();
    writeFrameOptions();
    const TOpt_LautSuche before = opts();
    const bool randomBefore = g().randomOrder402;
    bool ok = false;
    {
        messagehook::Suspend suspend;
        ok = options::ShowOptionPage(this, kProgram);
    }
    g().programCode = kProgram;
    if (!ok || !m_listValid) {
        refresh();
        return;
    }
    exercise::PrepareLautFeedback(opts().feedback, true);
    applyOptions();
    const TOpt_LautSuche& now = opts();
    if (randomBefore != g().randomOrder402) {
        BuildTaskOrder(m_rules->taskCount(), g().randomOrder402);
        prepareList(false);
        return;
    }
    const bool looks = before.atOnce != now.atOnce || before.backgroundPicture != now.backgroundPicture ||
                       before.headingVisible != now.headingVisible || before.visualHelp != now.visualHelp ||
                       before.soundButton != now.soundButton || before.mouthPicture != now.mouthPicture ||
                       before.soundCount != now.soundCount || before.soundsLeft != now.soundsLeft;
    if (looks)
        setUp(m_rules->jumpTo(m_rules->position()));
    else
        refresh();
}

void TFormLautSuche::darstellungClick(bool lautknopf)
{
    if (m_syncingChecks)
        return;
    TOpt_LautSuche& o = opts();
    m_syncingChecks = true;
    // Both off is not possible: switching one off while the other is off switches the other on.
    if (!Chb_Lautknopf->isChecked() && !Chb_Mundbild->isChecked())
        (lautknopf ? Chb_Mundbild : Chb_Lautknopf)->setChecked(true);
    m_syncingChecks = false;
    o.soundButton = Chb_Lautknopf->isChecked();
    o.mouthPicture = Chb_Mundbild->isChecked();
    if (m_listValid)
        setUp(m_rules->jumpTo(m_rules->position()));
}

void TFormLautSuche::Chb_hintergrundbildClick()
{
    opts().backgroundPicture = Chb_hintergrundbild->isChecked();
    backgroundPictureVisible = opts().backgroundPicture;
    if (!m_listValid)
        return;
    const LautState s = m_rules->state();
    if (s == LautState::Solved)
        weiterClick();
    else if (s == LautState::TaskReady)
        setUp(m_rules->jumpTo(m_rules->position()));
    else
        setUp(true);
}

void TFormLautSuche::CB_auswahlChange(int index)
{
    if (LoadListFromChoice(index, 1, m_listValid))
        startChosenList();
}

void TFormLautSuche::startChosenList()
{
    BuildTaskOrder(int(g().taskList().size()), g().randomOrder402);
    run().taskStartTime = QDateTime();
    opts().file = relativeList(listPath);
    prepareList(false);
}

void TFormLautSuche::folderTabClick(int index)
{
    if (index < 0 || index > 2)
        return;
    const QString folder = listFolder() + kFolderNames[index] + QLatin1Char('/');
    QStringList files;
    if (fsys::dirExists(folder))
        ListFiles(folder, QStringLiteral("*.txt"), false, files);
    files.sort(Qt::CaseInsensitive);
    WAV1->StopAll();
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
        ShowMessageWindow(QStringLiteral("Datei nicht gültig! Bitte andere auswählen!"), this, false);
        g().defaultElementCount = catalogue::defaultElementCount(kProgram);
        LoadTaskList(previous);
        listPath = previous;
        showFolderTab();
        FillListChoice();
        return;
    }
    FillListChoice();
    startChosenList();
}

void TFormLautSuche::FormClose()
{
    Timer1->stop();
    writeFrameOptions();
    chooser::startPosition() = 0;
    m_buffer = m_background = m_boxBefore = m_boxAfter = m_boxShown = QImage();
    TFormFormAlle::FormClose();
}

void TFormLautSuche::StopBeforeClose()
{
    Timer1->stop();
    TFormFormAlle::StopBeforeClose();
}

// ---- layout and drawing -------------------------------------------------------------------------

void TFormLautSuche::ArrangeFrame()
{
    TFormFormAlle::ArrangeFrame();
    if (!SB_fertig)
        return;
    const int barH = P_Leiste->height();
    // "Darstellung" right of the options button, over the bar's height.
    const QFont font = Chb_hintergrundbild->font();
    const QFontMetrics fm(font);
    const int gbWidth = std::max(fm.horizontalAdvance(QStringLiteral("Lautknopf")), fm.horizontalAdvance(QStringLiteral("Darstellung:"))) + 40;
    GB_darstellung->setFont(font);
    GB_darstellung->setGeometry(sb_optionen->geometry().right() + 1 + 4, 0, gbWidth, barH);
    const int line = std::max(fm.height() + 2, (barH - fm.height()) / 2 - 2);
    Chb_Lautknopf->setGeometry(6, fm.height() + 2, gbWidth - 8, line);
    Chb_Mundbild->setGeometry(6, fm.height() + 2 + line, gbWidth - 8, line);
    for (QCheckBox* c : {Chb_Lautknopf, Chb_Mundbild})
        c->setFont(font);
    // The list choice left of the end button: the folder tabs above the choice, the background box
    // and the task count below it.
    QRect choice = P_auswahl->geometry();
    const int choiceWidth = std::max(choice.width(), 3 * (fm.horizontalAdvance(QString::fromUtf8(kTabCaptions[0])) + 8));
    choice = QRect(SB_ende->geometry().left() - 2 - choiceWidth, 1, choiceWidth, choice.height());
    // Never over the listen panel.
    choice.setLeft(std::max(choice.left(), P_hoeren->geometry().right() + 4));
    P_auswahl->setGeometry(choice);
    const int inner = choice.width() - 8;
    const int rowH = std::max(1, (choice.height() - 4) / 3);
    ToolBar1->setGeometry(4, 1, inner, rowH);
    const int tabW = inner / 3;
    for (int i = 0; i < 3; ++i) {
        folderTab(i)->setFont(font);
        folderTab(i)->setGeometry(i * tabW, 0, i == 2 ? inner - 2 * tabW : tabW, rowH);
    }
    CB_auswahl->setGeometry(4, 1 + rowH, inner, rowH);
    const int boxW = std::min(inner / 2 + inner / 5, Chb_hintergrundbild->sizeHint().width() + 4);
    Chb_hintergrundbild->setGeometry(4, 1 + 2 * rowH, boxW, rowH);
    P_TAuswahl->setGeometry(4 + boxW, 1 + 2 * rowH, inner - boxW, rowH);
    const int countW = P_TAuswahl->width();
    const int hintW = l_gbst->isVisible() ? std::min(l_gbst->sizeHint().width(), countW / 2) : 0;
    l_gbst->setGeometry(countW - hintW, 0, hintW, rowH);
    L_Aufgaben->setGeometry(0, 0, countW - hintW, rowH);
    // "Prüfen" and "Weiter" take the listen button's place and size; the heading sound left of it.
    const QRect hp = P_hoeren->geometry();
    for (QPushButton* b : {SB_fertig, SB_weiter})
        b->setGeometry(hp);
    SkinButton(SB_weiter, g().config.symbolWeiter, QStringLiteral("Weiter"), 2, 1, 0, 2);
    SkinButton(SB_fertig, g().config.symbolPruefen, QStringLiteral("Prüfen"), 2, 1, kPurple, 2);
    const int ton = barH + 2;
    SB_Ton->setGeometry(hp.left() - 1 - ton, 0, ton, ton);
    SB_Ton->setIconSize(QSize(ton * 2 / 3, ton * 2 / 3));
    if (m_listValid)
        setUp(m_rules->taskShown());
}

QRect TFormLautSuche::buttonRect(int i) const
{
    if (i < 0 || i >= int(m_layout.buttons.size()))
        return QRect();
    const QRect cell = m_layout.buttons[size_t(i)];
    return opts().soundButton ? cell : exercise::LautRoundCell(cell);
}

QRect TFormLautSuche::mouthRect(int i) const
{
    if (!opts().mouthPicture || i < 0 || i >= int(m_layout.mouths.size()))
        return QRect();
    return m_layout.mouths[size_t(i)];
}

void TFormLautSuche::layoutArea()
{
    const QRect area = playArea();
    const int n = m_rules->sounds().isEmpty() ? std::clamp(opts().soundCount, 1, 5) : int(m_rules->sounds().size());
    m_layout = exercise::LayoutLautScreen(area, qRound(width() * 2.0 / 3.0), n, m_rules->soundsLeft());
    const QRect panel = m_layout.panel;
    const int hh = std::max(0, panel.height() / 7 - 5);
    const bool shown = m_rules->headingShown();
    const bool soundOnly = !shown && LautSucheRules::headingSoundPresent();
    m_heading = QRect(panel.left() + 10, panel.top() + 5, shown ? panel.width() - 20 : soundOnly ? hh : 0, hh);
    if (soundOnly)
        m_heading.moveLeft(panel.left() + (panel.width() - hh) / 2);
    int bh = std::min(450, (panel.height() - hh - 20) / 6 * 5);
    bh = std::max(10, std::min(bh, qRound(area.height() / 1.6)));
    const int bw = bh * 4 / 3;
    const int gap = std::max(0, (panel.height() - hh - bh - bh / 3) / 3);
    m_box = QRect(panel.left() + (panel.width() - bw) / 2, panel.top() + hh + gap, bw, bh);
    const int wordTop = m_box.bottom() + 1 + gap + 10;
    m_wordArea = QRect(QPoint(panel.left() + 5, wordTop),
                       QPoint(panel.right() - 6, std::max(wordTop + 10, P_Leiste->y() - 9)));
}

void TFormLautSuche::drawPanels()
{
    const TLayout& layout = g().loadedList.layout;
    const QSize box = m_box.size();
    const QString colour = QString::number(layout.pictureBackgroundColour);
    auto picture = [&] {
        return panelPicture(QStringLiteral("P%1|%2|%3").arg(colour).arg(m_rules->pictureSize()).arg(m_rules->picture()), [&] {
            picture::Target t(box.width(), box.height(), layout.pictureBackgroundColour);
            picture::DrawPictureOrName(t, m_rules->picture(), layout.pictureBackgroundColour, m_rules->pictureSize());
            return t.image;
        });
    };
    auto back = [&] {
        return panelPicture(QStringLiteral("B%1").arg(colour), [&] {
            picture::Target t(box.width(), box.height(), layout.pictureBackgroundColour);
            const QString file = exercise::CardBackPicture();
            if (!file.isEmpty())
                picture::DrawPictureFitted(t, file, layout.pictureBackgroundColour, 100, true, false, true);
            return t.image;
        });
    };
    const int help = opts().visualHelp;
    m_boxBefore = help == 2 ? picture() : back();
    m_boxAfter = help >= 1 ? (help == 2 ? m_boxBefore : picture()) : back();
    m_boxShown = m_boxBefore;
}

QImage TFormLautSuche::panelPicture(const QString& key, const std::function<QImage()>& draw)
{
    // Lists repeat pictures; a picture drawn once for this box size serves every later task showing it.
    if (m_panelSize != m_box.size() || m_panels.size() > 40) {
        m_panels.clear();
        m_panelSize = m_box.size();
    }
    auto it = m_panels.find(key);
    if (it == m_panels.end())
        it = m_panels.insert(key, draw());
    return it.value();
}

void TFormLautSuche::compose()
{
    if (m_background.size() != size())
        m_background = exercise::WindowBackground(size(), backgroundPictureVisible);
    // The buffer is kept: only what the last compose drew goes back to the background.
    // RGB32 as the card frames leave it.
    if (m_buffer.size() != m_background.size() || m_buffer.format() != QImage::Format_RGB32 ||
        m_bufferBase != m_background.cacheKey()) {
        m_buffer = m_background.convertToFormat(QImage::Format_RGB32);
        m_bufferBase = m_background.cacheKey();
    } else if (!m_drawn.empty()) {
        QPainter r(&m_buffer);
        r.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect& d : std::as_const(m_drawn))
            r.drawImage(d.topLeft(), m_background, d);
    }
    m_drawn.clear();
    if (!m_listValid || !m_rules->taskShown() || m_box.isEmpty())
        return;
    QImage& buffer = m_buffer;
    const TLayout& layout = g().loadedList.layout;
    const bool solved = m_rules->state() == LautState::Solved;
    QPainter p(&buffer);
    // The picture box on its card frame.
    const QRect boxFrame = m_box.adjusted(-10, -10, 10, 10);
    put(p, boxFrame.topLeft(), frameFace(boxFrame, true));
    const QImage& shownBox = solved ? (m_dissolve.running() ? m_boxShown : m_boxAfter) : m_boxBefore;
    put(p, m_box.topLeft(), shownBox);
    // The heading box: the ear picture and, while shown, the heading text.
    if (m_heading.width() > 20 && m_heading.height() > 20) {
        const bool down = m_rules->headingPressed();
        put(p, m_heading.topLeft(), frameFace(m_heading, !down));
        QRect inner = m_heading.adjusted(10, 10, -10, -10);
        if (down)
            inner.translate(7, 7);
        const int side = inner.height();
        const Colour field = picture::LightenColour(layout.pictureBackgroundColour, 30);
        p.fillRect(inner.intersected(m_heading.adjusted(10, 10, -10, -10)), picture::toQColor(field));
        m_drawn.push_back(inner.intersected(m_heading.adjusted(10, 10, -10, -10)));
        const QString earKey = QStringLiteral("E%1").arg(side);
        auto ear = m_faces.find(earKey);
        if (ear == m_faces.end()) {
            picture::Target t(side, side, field);
            const QString ton = exercise::InternPicture(section().value(QStringLiteral("TonBild")));
            if (!ton.isEmpty())
                picture::DrawPictureFitted(t, ton, field, 80, true, false, true);
            ear = m_faces.insert(earKey, t.image);
        }
        put(p, inner.topLeft(), ear.value());
        if (m_rules->headingShown() && inner.width() > side + 10) {
            picture::Target text(inner.width() - side, side, field);
            picture::DrawFittedText(text, layout.heading, exercise::ListFont(), exercise::ListFontColour(), 1, 80, true,
                                    field, false, false);
            put(p, QPoint(inner.left() + side, inner.top()), text.image);
        }
    }
    // The word area after the solution: the word with the searched letters in the mark colour.
    if (solved && m_wordArea.height() > 24 && m_wordArea.width() > 24) {
        put(p, m_wordArea.topLeft(), frameFace(m_wordArea, true));
        const QRect inner = m_wordArea.adjusted(11, 11, -11, -11);
        const Colour field = picture::LightenColour(layout.pictureBackgroundColour, 30);
        picture::Target t(inner.width(), inner.height(), field);
        const TLoesung& l = m_rules->task();
        QFont font = exercise::ListFont();
        font.setPointSize(std::max(1, picture::FitFontSize(inner.height(), inner.width(), l.word, 90, exercise::ListFont(200))));
        const int shift = m_rules->soundsLeft() ? 5 : 0;
        picture::DrawMarkedText(t, QRect(shift, shift, inner.width() - shift, inner.height() - shift), font,
                                exercise::ListFontColour(), 1, field, layout.letterMarkColour, l.markStart - 1,
                                l.markLength, l.word);
        put(p, inner.topLeft(), t.image);
    }
    // The sound buttons and the mouth pictures.
    const bool letters = opts().soundButton;
    const QString marker = section().value(QStringLiteral("Markerbild"));
    const QString keyboard = g().config.programSection(QStringLiteral("ProgWortreihe")).value(QStringLiteral("TastaturMarkerbild"));
    const QStringList& sounds = m_rules->sounds();
    for (int i = 0; i < sounds.size(); ++i) {
        const QRect cell = buttonRect(i);
        const bool chosen = m_rules->chosen() == i || m_rules->pressed() == i;
        if (letters) {
            const QString key = QStringLiteral("L%1 %2 %3 %4 %5").arg(cell.x()).arg(cell.y()).arg(cell.width()).arg(chosen).arg(sounds[i]) + QString::number(m_points);
            auto it = m_faces.find(key);
            if (it == m_faces.end())
                it = m_faces.insert(key, exercise::LautLetterFace(cell, sounds[i], m_points, chosen, &m_background));
            put(p, cell.topLeft(), it.value());
            if (m_rules->focus() == i && opts().atOnce) {
                p.end();
                exercise::DrawLautFocus(buffer, cell);
                m_drawn.push_back(cell);
                p.begin(&buffer);
            }
        } else {
            const int face = chosen ? 1 : m_rules->focus() == i ? 2 : 0;
            put(p, cell.topLeft(), exercise::LautRoundFace(cell.width(), face, layout.buttonColour, marker, keyboard));
        }
        const QRect mouth = mouthRect(i);
        if (!mouth.isEmpty()) {
            const QString key = QStringLiteral("M%1 %2 %3 %4 %5").arg(mouth.x()).arg(mouth.y()).arg(mouth.width()).arg(m_rules->mouthFace(i)).arg(sounds[i]);
            auto it = m_faces.find(key);
            if (it == m_faces.end())
                it = m_faces.insert(key, exercise::LautMouthFace(mouth, sounds[i], m_rules->mouthFace(i), mouthEnding(),
                                                                 section().value(QStringLiteral("TonBild")), &m_background));
            put(p, mouth.topLeft(), it.value());
            if (m_rules->focus() == 10 + i) {
                p.end();
                exercise::DrawLautFocus(buffer, mouth);
                m_drawn.push_back(mouth);
                p.begin(&buffer);
            }
        }
    }
    p.end();
}

void TFormLautSuche::put(QPainter& p, const QPoint& at, const QImage& image)
{
    p.drawImage(at, image);
    m_drawn.push_back(QRect(at, image.size()));
}

const QImage& TFormLautSuche::frameFace(const QRect& rect, bool raised)
{
    const picture::Colour brush = g().loadedList.layout.backgroundColour;
    const QString key = QStringLiteral("F%1 %2 %3 %4 %5 %6").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height()).arg(raised).arg(brush);
    auto it = m_faces.find(key);
    if (it == m_faces.end()) {
        // Drawn on its own piece of the background: the frame only reads and writes inside its rectangle.
        QImage face = m_background.copy(rect);
        DrawCardFrame(face, QRect(QPoint(0, 0), rect.size()), 10, &m_background, rect, 0, false, raised, brush);
        it = m_faces.insert(key, face);
    }
    return it.value();
}

void TFormLautSuche::FormPaint(QPainter& p)
{
    if (!m_buffer.isNull())
        p.drawImage(0, 0, m_buffer);
}

// ---- the flow of a task -------------------------------------------------------------------------

void TFormLautSuche::setUp(bool ok)
{
    m_dissolve.stop();
    Timer1->stop();
    // The background and the faces drawn on it stay while the size and the background do.
    const QString look = QStringLiteral("%1 %2 %3").arg(width()).arg(height()).arg(backgroundPictureVisible);
    if (look != m_look || m_background.isNull()) {
        m_background = exercise::WindowBackground(size(), backgroundPictureVisible);
        m_faces.clear();
        m_panels.clear();
        m_look = look;
    }
    layoutArea();
    m_points = exercise::LautLetterPoints(m_layout.size - 22, m_rules->sounds());
    drawPanels();
    compose();
    refresh();
    if (!ok && m_rules->incomplete())
        ShowMessageWindow(QStringLiteral("Die Aufgabe ist unvollstängig. Bitte wählen Sie eine andere Aufgabe!"), this,
                          false);
}

void TFormLautSuche::refresh()
{
    const LautSucheRules& r = *m_rules;
    const std::vector<TaskState> before = taskStates;
    const int beforeTask = currentTask;
    taskStates.clear();
    for (const TLoesung& l : r.tasks())
        taskStates.push_back(TaskState{l.state, l.error});
    currentTask = r.position();
    bool changed = m_stripDirty || beforeTask != currentTask || before.size() != taskStates.size();
    for (size_t i = 0; !changed && i < before.size(); ++i)
        changed = before[i].state != taskStates[i].state;
    if (changed)
        DrawTaskStrip();
    m_stripDirty = false;
    const bool solved = r.state() == LautState::Solved;
    const bool checking = !opts().atOnce && r.checkEnabled() && !solved;
    SB_weiter->setVisible(solved);
    SB_weiter->setEnabled(solved && r.weiterEnabled() && !m_dissolve.running());
    SB_fertig->setVisible(checking);
    SB_fertig->setEnabled(checking);
    P_hoeren->setVisible(!solved && !checking);
    SB_hoeren->setEnabled(m_listValid && r.listenEnabled());
    if (solved)
        SB_weiter->raise();
    else if (checking)
        SB_fertig->raise();
    // One speaker for the heading sound: the square heading box stays in the panel once the heading
    // text is gone, so the bar's button shows only when the panel has no heading box at all.
    SB_Ton->setVisible(m_listValid && m_heading.width() <= 0 && LautSucheRules::headingSoundPresent());
    SB_Ton->setEnabled(r.tonEnabled());
    update();
}

bool TFormLautSuche::dissolving() const { return m_dissolve.running(); }

void TFormLautSuche::finishDissolve()
{
    while (m_dissolve.running())
        dissolveTick();
}

void TFormLautSuche::dissolveTick()
{
    if (!m_dissolve.step(m_boxShown, QPoint(0, 0), m_boxAfter) || !m_dissolve.running()) {
        Timer1->stop();
        m_dissolve.stop();
    }
    compose();
    refresh();
}

void TFormLautSuche::afterOutcome(Outcome outcome)
{
    if (outcome == Outcome::Right && opts().visualHelp == 1 && opts().transition && isVisible()) {
        m_boxShown = m_boxBefore;
        m_dissolve.start(m_box.size());
        Timer1->start();
    }
    compose();
    refresh();
}

void TFormLautSuche::needListen()
{
    ShowMessageWindow(QStringLiteral("Bitte zuerst auf den Knopf 'Hören' klicken"), this, false);
}

void TFormLautSuche::listenClick()
{
    if (!m_listValid)
        return;
    m_rules->listen();
    refresh();
}

void TFormLautSuche::SB_hoerenClick() { listenClick(); }

void TFormLautSuche::checkClick()
{
    if (!m_listValid || !SB_fertig->isVisible() || !SB_fertig->isEnabled())
        return;
    afterOutcome(m_rules->check());
}

void TFormLautSuche::weiterClick()
{
    if (!m_listValid)
        return;
    if (!m_rules->advance()) {
        const auto yes = dialogs::Button::Yes;
        if (ShowMessageWindow(QStringLiteral(" Die Datei ist vollständig bearbeitet!  \nVon vorne beginnen?"), this, true) != yes) {
            SB_endeClick();
            return;
        }
        const bool mix = ShowMessageWindow(QStringLiteral("Neu mischen?"), this, true) == yes;
        m_rules->restart(mix);
        m_stripDirty = true;
    }
    setUp(m_rules->taskShown());
    P_hoeren->raise();
}

void TFormLautSuche::TaskImageClick(int position)
{
    if (!m_listValid)
        return;
    TFormFormAlle::TaskImageClick(position);
    const bool ok = m_rules->jumpTo(position);
    m_stripDirty = true;
    setUp(ok);
}

void TFormLautSuche::SoundNotice(int channel, SoundStatus status)
{
    m_rules->soundNotice(channel, status);
    compose();
    refresh();
}

// ---- input --------------------------------------------------------------------------------------

int TFormLautSuche::buttonAt(const QPoint& at) const
{
    for (int i = 0; i < m_rules->sounds().size(); ++i)
        if (buttonRect(i).contains(at))
            return i;
    return -1;
}

int TFormLautSuche::mouthAt(const QPoint& at) const
{
    for (int i = 0; i < m_rules->sounds().size(); ++i)
        if (mouthRect(i).contains(at))
            return i;
    return -1;
}

void TFormLautSuche::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_listValid && event->button() == Qt::LeftButton && m_rules->taskShown()) {
        const int b = buttonAt(at);
        if (b >= 0) {
            if (!m_rules->press(b))
                needListen();
            compose();
            refresh();
            return;
        }
        const int m = mouthAt(at);
        if (m >= 0) {
            m_rules->mouthDown(m);
            compose();
            refresh();
            return;
        }
    }
    TFormFormAlle::mousePressEvent(event);
}

void TFormLautSuche::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_listValid && event->button() == Qt::LeftButton && m_rules->taskShown()) {
        const bool solved = m_rules->state() == LautState::Solved;
        const int b = buttonAt(at);
        const int m = mouthAt(at);
        if (b >= 0) {
            afterOutcome(m_rules->release(b));
            return;
        }
        m_rules->releaseElsewhere();
        if (m >= 0) {
            if (!m_rules->mouthUp(m))
                QTimer::singleShot(100, this, [this] {
                    m_rules->mouthIdle();
                    compose();
                    update();
                });
        } else if (m_heading.contains(at) && m_heading.width() > 0) {
            m_rules->playHeading();
        } else if (m_box.contains(at) || (solved && m_wordArea.contains(at))) {
            m_rules->listen();
        }
        compose();
        refresh();
        return;
    }
    TFormFormAlle::mouseReleaseEvent(event);
}

void TFormLautSuche::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const bool solved = m_rules->state() == LautState::Solved;
    QCursor cursor(Qt::ArrowCursor);
    const int b = buttonAt(at);
    if (b >= 0 && opts().soundButton && (!solved || m_rules->chosen() == b))
        cursor = QCursor(Qt::PointingHandCursor);
    else if (mouthAt(at) >= 0 || (m_heading.width() > 0 && m_heading.contains(at)) || m_box.contains(at) ||
             (solved && m_wordArea.contains(at)))
        cursor = programCursor(crTon);
    setCursor(cursor);
    TFormFormAlle::mouseMoveEvent(event);
}

bool TFormLautSuche::HandleAppMessage(QObject* watched, QEvent* event)
{
    if (TFormFormAlle::HandleAppMessage(watched, event))
        return true;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || (w != this && !isAncestorOf(w)) || event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!m_listValid)  // Enter must not reach the dialog's default button
        return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    Outcome outcome = Outcome::Ignored;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        switch (m_rules->enter(&outcome)) {
        case LautSucheRules::KeyAction::Weiter:
            if (SB_weiter->isVisible() && SB_weiter->isEnabled())
                weiterClick();
            return true;
        default: break;
        }
        afterOutcome(outcome);
        return true;
    case Qt::Key_Space:
        m_rules->space(&outcome);
        afterOutcome(outcome);
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        m_rules->upDown(key->key() == Qt::Key_Down, &outcome);
        afterOutcome(outcome);
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (!m_rules->leftRight(key->key() == Qt::Key_Left))
            QApplication::beep();
        compose();
        refresh();
        return true;
    case Qt::Key_H:
        if (P_hoeren->isVisible() && SB_hoeren->isEnabled())
            listenClick();
        return true;
    case Qt::Key_P:
        checkClick();
        return true;
    case Qt::Key_W:
        if (SB_weiter->isVisible() && SB_weiter->isEnabled())
            weiterClick();
        return true;
    default:
        return false;
    }
}
