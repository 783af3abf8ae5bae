#include "exercises/LautPos/LautPos.h"

#include "exercises/common/ListLook.h"

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
#include "media/skin/Frames.h"
#include "media/skin/Meldung.h"
#include "media/skin/SkinButton.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "options/Options.h"
#include "results/Ergebnisse.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

using namespace lautpos;
using exercise::LautState;
using picture::Colour;
using Outcome = LautPosRules::Outcome;

namespace {

constexpr int kProgram = 401;
const char* const kWords[3] = {"vorne", "mittig", "hinten"};
const char* const kFaces[3] = {"Bildvorne", "Bildmitte", "Bildhinten"};
const char* const kSounds[3] = {"Tonvorne", "Tonmitte", "Tonhinten"};

const ProgramSection& section() { return g().config.programSection(QStringLiteral("ProgLautPos")); }
QString listFolder() { return fsys::withSlash(catalogue::listFolder(kProgram)); }

QString relativeList(const QString& path)
{
    QString r = fsys::toStored(MakeRelativePath(listFolder(), path, false));
    while (r.startsWith(QLatin1Char('\\')))
        r.remove(0, 1);
    return r;
}

} // namespace

TFormLautPos::TFormLautPos(const QString& listPath, QWidget* parent)
    : TFormFormAlle(kProgram, listPath, parent), m_rules(std::make_unique<LautPosRules>(*WAV1))
{
    setObjectName(QStringLiteral("FormLautPos"));
    SB_Fertig = new QPushButton(QStringLiteral("FERTIG!"), P_Leiste);
    SB_Fertig->setObjectName(QStringLiteral("SB_Fertig"));
    SB_weiter = new QPushButton(P_Leiste);
    SB_weiter->setObjectName(QStringLiteral("SB_weiter"));
    SB_weiter->setToolTip(QStringLiteral("Weiter"));
    for (QPushButton* b : {SB_Fertig, SB_weiter}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->hide();
    }
    connect(SB_Fertig, &QPushButton::clicked, this, [this] { fertigClick(); });
    connect(SB_weiter, &QPushButton::clicked, this, [this] { weiterClick(); });
    m_blink = new QTimer(this);
    m_blink->setInterval(200);
    connect(m_blink, &QTimer::timeout, this, [this] {
        if (++m_blinks >= 11 || WAV1->isEmpty())
            m_blink->stop();
        compose();
        update();
    });
}

TFormLautPos::~TFormLautPos() = default;

bool TFormLautPos::pictureMode() const
{
    return opts().solutionWithPicture && !exercise::InternPicture(section().value(QStringLiteral("Bild"))).isEmpty();
}

void TFormLautPos::FormActivate()
{
    TFormFormAlle::FormActivate();
    ArrangeFrame();
    const ProgramSection& s = section();
    MakeStripPictures({s.value(QStringLiteral("Lob")), s.value(QStringLiteral("Fehler")), QString(), QString()},
                      {75, 75, 75, 75});
    FillListChoice();
    prepareList(true);
}

void TFormLautPos::syncPositionWords()
{
    QStringList files;
    if (pictureMode())
        for (const char* key : kSounds) {
            // The configuration gives the file with its folder; a bare name lies in the sound folder.
            const QString ton = fsys::fromStored(section().value(QLatin1String(key)));
            QString file = ton.isEmpty() || fsys::fileExists(ton) ? ton : fsys::withSlash(g().config.dirs.internsound) + ton;
            files << (!file.isEmpty() && fsys::fileExists(file) ? fsys::resolve(file) : QString());
        }
    m_rules->setPositionWords(files);
}

bool TFormLautPos::prepareList(bool keepStart)
{
    const int start = keepStart && chooser::startPosition() >= 1 ? chooser::startPosition() : 0;
    ApplyFrameOptions(opts().backgroundPicture, 0);
    syncPositionWords();
    m_listValid = m_rules->prepareList(CB_auswahl->currentText().isEmpty() ? relativeList(listPath) : CB_auswahl->currentText(), start);
    L_Aufgaben->setText(QStringLiteral(" Aufgaben: ") + QString::number(m_rules->taskCount()));
    taskStates.assign(size_t(m_rules->taskCount()), TaskState{});
    currentTask = m_rules->position();
    BuildTaskStrip();
    m_stripDirty = true;
    m_background = exercise::WindowBackground(size(), backgroundPictureVisible);
    layoutArea();
    compose();
    refresh();
    if (!m_listValid) {
        dialogs::showMessage(this, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
        return false;
    }
    return true;
}

void TFormLautPos::writeFrameOptions()
{
    if (m_listValid)
        opts().file = relativeList(listPath);
    opts().backgroundPicture = backgroundPictureVisible;
    if (!WritePlayerOptions(g().currentPlayer(), kProgram))
        ShowMessageWindow(QStringLiteral("Die Ini-Datei: ") + g().currentPlayer() +
                              QStringLiteral(" konnte nicht erstellt werden."),
                          this, false);
}

void TFormLautPos::sb_optionenClick()
{
    WAV1->CloseAll();
    writeFrameOptions();
    const bool randomBefore = g().randomOrder401;
    bool ok = false;
    {
        messagehook::Suspend suspend;
        ok = options::ShowOptionPage(this, kProgram);
    }
    g().programCode = kProgram;
    if (ok && m_listValid) {
        ApplyFrameOptions(opts().backgroundPicture, 0);
        syncPositionWords();
        m_background = exercise::WindowBackground(size(), backgroundPictureVisible);
        if (randomBefore != g().randomOrder401) {
            BuildPositionTaskOrder(m_rules->taskCount(), g().randomOrder401);
            prepareList(false);
            return;
        }
    }
    compose();
    refresh();
}

void TFormLautPos::Chb_hintergrundbildClick()
{
    opts().backgroundPicture = Chb_hintergrundbild->isChecked();
    backgroundPictureVisible = opts().backgroundPicture;
    m_background = exercise::WindowBackground(size(), backgroundPictureVisible);
    compose();
    refresh();
}

void TFormLautPos::CB_auswahlChange(int index)
{
    if (!LoadListFromChoice(index, 1, m_listValid))
        return;
    BuildPositionTaskOrder(int(g().taskList().size()), g().randomOrder401);
    opts().file = relativeList(listPath);
    prepareList(false);
}

void TFormLautPos::FormClose()
{
    m_blink->stop();
    writeFrameOptions();
    chooser::startPosition() = 0;
    m_buffer = m_background = QImage();
    TFormFormAlle::FormClose();
}

void TFormLautPos::StopBeforeClose()
{
    m_blink->stop();
    TFormFormAlle::StopBeforeClose();
}

void TFormLautPos::ArrangeFrame()
{
    TFormFormAlle::ArrangeFrame();
    if (!SB_Fertig)
        return;
    const QRect hp = P_hoeren->geometry();
    for (QPushButton* b : {SB_Fertig, SB_weiter})
        b->setGeometry(hp);
    SkinButton(SB_weiter, g().config.symbolWeiter, QStringLiteral("Weiter"), 2, 1, 0, 2);
    SkinButton(SB_Fertig, g().config.symbolPruefen, QStringLiteral("FERTIG!"), 2, 1, 0x00800080, 2);
    m_background = exercise::WindowBackground(size(), backgroundPictureVisible);
    layoutArea();
    compose();
}

void TFormLautPos::layoutArea()
{
    const QRect area = playArea();
    const int total = std::min(width() * 5 / 12, 640);
    const int side = total / 3;
    const int left = (width() - 3 * side) / 2;
    const int top = area.top() + (area.height() - side) / 2;
    for (int p = 0; p < 3; ++p)
        m_boxes[size_t(p)] = QRect(left + p * side, top, side, side);
    // The heading box in the middle of the room above the boxes.
    const QString text = HeadingText(g().loadedList.layout.heading, m_listValid ? m_rules->task().target : QString(),
                                     g().playerOptions.capitalsOnly) +
                         QStringLiteral("  ");
    const int above = top - area.top();
    QFont f = exercise::ListFont(200);
    const int points = std::max(1, picture::FitFontSize(std::max(1, above / 3), width() * 2 / 3, QString(text).remove(QLatin1Char('&')), 90, f));
    f.setPointSize(points);
    const QFontMetrics fm(f);
    const int th = fm.height(), tw = fm.horizontalAdvance(QString(text).remove(QLatin1Char('&')));
    const int hw = std::min(width() - 20, tw + 2 * th), hh = 2 * th;
    m_heading = QRect((width() - hw) / 2, area.top() + (above - hh) / 2, hw, hh);
    m_band = QRect(QPoint(left + 20, top + side + 20), QPoint(left + 3 * side - 21, area.bottom() - 20));
}

void TFormLautPos::compose()
{
    if (m_background.size() != size())
        m_background = exercise::WindowBackground(size(), backgroundPictureVisible);
    QImage buffer = m_background.copy();
    if (!m_listValid) {
        m_buffer = buffer;
        return;
    }
    const TLayout& layout = g().loadedList.layout;
    QPainter p(&buffer);
    const Colour field = picture::LightenColour(layout.pictureBackgroundColour, 30);
    // The heading box: the heading with the sound, the part between the "&" signs in the mark colour.
    if (m_heading.width() > 20 && m_heading.height() > 10) {
        p.end();
        DrawCardFrame(buffer, m_heading, 10, &m_background, m_heading, 0, false, m_rules->state() != LautState::Hearing,
                      layout.backgroundColour);
        p.begin(&buffer);
        const QRect in = m_heading.adjusted(8, 8, -8, -8);
        picture::Target t(in.width(), in.height(), field);
        const QString text = HeadingText(layout.heading, m_rules->task().target, g().playerOptions.capitalsOnly) + QStringLiteral("  ");
        QFont f = exercise::ListFont(200);
        f.setPointSize(std::max(1, picture::FitFontSize(in.height(), in.width(), QString(text).remove(QLatin1Char('&')), 90, f)));
        picture::DrawMarkedTextDelimited(t, QRect(0, 0, in.width(), in.height()), f, exercise::ListFontColour(), 1, field,
                                         layout.letterMarkColour, QLatin1Char('&'), text);
        p.drawImage(in.topLeft(), t.image);
    }
    // The three boxes.
    const bool pictures = pictureMode();
    if (pictures) {
        picture::Target all(m_boxes[2].right() - m_boxes[0].left() + 1, m_boxes[0].height(), layout.backgroundColour);
        picture::StretchPicture(all, exercise::InternPicture(section().value(QStringLiteral("Bild"))), layout.backgroundColour, false);
        p.drawImage(m_boxes[0].topLeft(), all.image);
    }
    QFont words = exercise::ListFont(200);
    // One size for the three words: the widest fits 80 percent of a box.
    int wordPoints = words.pointSize();
    for (const char* word : kWords)
        wordPoints = std::min(wordPoints, picture::FitFontSize(m_boxes[0].height(), m_boxes[0].width() * 8 / 10,
                                                               QLatin1String(word), 100, words));
    words.setPointSize(std::max(1, wordPoints));
    const bool solved = m_rules->state() == LautState::Solved;
    for (int b = 0; b < 3; ++b) {
        const QRect r = m_boxes[size_t(b)];
        const bool down = m_rules->chosen() == b || m_rules->pressed() == b;
        const bool blinkOff = solved && m_blink->isActive() && m_blinks % 2 == 1;
        if (pictures) {
            if ((down || (solved && m_rules->chosen() == b)) && !blinkOff) {
                // The face pictures show all three places, this one lit: stretched over the three
                // boxes like "Bild", the box shows its own part of it.
                const QRect strip(m_boxes[0].left(), r.top(), m_boxes[2].right() - m_boxes[0].left() + 1, r.height());
                picture::Target face(strip.width(), strip.height(), layout.backgroundColour);
                picture::StretchPicture(face, exercise::InternPicture(section().value(QLatin1String(kFaces[b]))),
                                        layout.backgroundColour, false);
                p.drawImage(r.topLeft(), face.image, QRect(r.left() - strip.left(), 0, r.width(), r.height()));
            }
        } else {
            p.end();
            DrawCardFrame(buffer, r, 10, &m_background, r, 0, false, !down, layout.backgroundColour);
            p.begin(&buffer);
            QRect in = r.adjusted(11, 11, -11, -11);
            p.fillRect(in, picture::toQColor(down ? picture::LightenColour(layout.buttonColour, 30) : field));
            if (down)
                in.translate(4, 4);
            p.setFont(words);
            p.setPen(Qt::black);
            p.drawText(in, Qt::AlignCenter, QLatin1String(kWords[b]));
        }
        const QString mark = b == m_rules->wrongBox() ? section().value(QStringLiteral("Fehlerbild"))
                             : (pictures && m_rules->chosen() == b && !solved) ? section().value(QStringLiteral("Fragebild"))
                                                                              : QString();
        const QString file = exercise::InternPicture(mark);
        if (!file.isEmpty()) {
            const int s = r.width() / 3;
            picture::Target m(s, s, 0x00FFFFFF);
            m.transparent = true;
            picture::DrawPictureFitted(m, file, 0x00FFFFFF, 100, true, true, true);
            p.drawImage(r.left() + (r.width() - s) / 2, r.bottom() - s / 2, picture::ShownImage(m));
        }
    }
    // The word band, lightened towards white; after the solution the word with the sound marked.
    if (m_band.width() > 20 && m_band.height() > 20) {
        QImage part = buffer.copy(m_band);
        picture::LightenBitmap(part);
        p.drawImage(m_band.topLeft(), part);
        p.end();
        DrawShadowFrame(buffer, m_band, 5);
        p.begin(&buffer);
        if (solved) {
            const TLoesung& l = m_rules->task();
            const auto mark = SolutionMark(l.word, l.target);
            picture::Target t(m_band.width() - 10, m_band.height() - 10, 0x00FFFFFF);
            t.image = buffer.copy(m_band.adjusted(5, 5, -5, -5));
            QFont f = exercise::ListFont(200);
            f.setPointSize(std::max(1, picture::FitFontSize(t.height(), t.width(), l.word, 80, f)));
            picture::DrawMarkedText(t, QRect(0, 0, t.width(), t.height()), f, exercise::ListFontColour(), 1, -1,
                                    layout.letterMarkColour, mark.first, mark.second, l.word);
            p.drawImage(m_band.topLeft() + QPoint(5, 5), t.image);
        }
    }
    p.end();
    m_buffer = buffer;
}

void TFormLautPos::FormPaint(QPainter& p)
{
    if (!m_buffer.isNull())
        p.drawImage(0, 0, m_buffer);
}

void TFormLautPos::refresh()
{
    const LautPosRules& r = *m_rules;
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
    SB_weiter->setVisible(r.weiterShown());
    SB_weiter->setEnabled(r.weiterShown());
    SB_Fertig->setVisible(r.fertigShown() && !r.weiterShown());
    SB_Fertig->setEnabled(r.fertigShown());
    P_hoeren->setVisible(!r.weiterShown() && !r.fertigShown());
    SB_hoeren->setEnabled(m_listValid && r.listenEnabled());
    if (r.weiterShown())
        SB_weiter->raise();
    update();
}

void TFormLautPos::afterOutcome(Outcome outcome)
{
    if (outcome == Outcome::Right && pictureMode()) {
        m_blinks = 0;
        m_blink->start();
    }
    compose();
    refresh();
}

void TFormLautPos::listenClick()
{
    if (!m_listValid)
        return;
    m_rules->listen();
    compose();
    refresh();
}

void TFormLautPos::SB_hoerenClick() { listenClick(); }

void TFormLautPos::fertigClick()
{
    if (!m_listValid || !SB_Fertig->isVisible() || !SB_Fertig->isEnabled())
        return;
    afterOutcome(m_rules->check());
}

void TFormLautPos::weiterClick()
{
    if (!m_listValid || !SB_weiter->isVisible())
        return;
    m_blink->stop();
    if (!m_rules->advance()) {
        if (ShowMessageWindow(QStringLiteral(" Die Datei ist vollständig bearbeitet!  \nVon vorne beginnen?"), this, true) !=
            dialogs::Button::Yes) {
            SB_endeClick();
            return;
        }
        m_rules->restart();
        m_stripDirty = true;
    }
    layoutArea();
    compose();
    refresh();
}

void TFormLautPos::TaskImageClick(int position)
{
    if (!m_listValid)
        return;
    TFormFormAlle::TaskImageClick(position);
    m_blink->stop();
    m_rules->jumpTo(position);
    m_stripDirty = true;
    layoutArea();
    compose();
    refresh();
}

void TFormLautPos::SoundNotice(int channel, SoundStatus status)
{
    m_rules->soundNotice(channel, status);
    if (WAV1->isEmpty())
        m_blink->stop();
    compose();
    refresh();
}

int TFormLautPos::boxAt(const QPoint& at) const
{
    for (int b = 0; b < 3; ++b)
        if (m_boxes[size_t(b)].contains(at))
            return b;
    return -1;
}

void TFormLautPos::mousePressEvent(QMouseEvent* event)
{
    const int b = boxAt(event->position().toPoint());
    if (m_listValid && event->button() == Qt::LeftButton && b >= 0) {
        if (!m_rules->press(b))
            ShowMessageWindow(QStringLiteral("Bitte zuerst auf den Knopf 'Hören' klicken"), this, false);
        compose();
        refresh();
        return;
    }
    TFormFormAlle::mousePressEvent(event);
}

void TFormLautPos::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_listValid && event->button() == Qt::LeftButton) {
        const int b = boxAt(at);
        if (b >= 0) {
            afterOutcome(m_rules->release(b));
            return;
        }
        m_rules->releaseElsewhere();
        if (m_heading.contains(at))
            m_rules->instruction();
        else if (m_rules->state() == LautState::Solved && m_band.contains(at))
            m_rules->listen();
        compose();
        refresh();
        return;
    }
    TFormFormAlle::mouseReleaseEvent(event);
}

bool TFormLautPos::HandleAppMessage(QObject* watched, QEvent* event)
{
    if (TFormFormAlle::HandleAppMessage(watched, event))
        return true;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || (w != this && !isAncestorOf(w)) || event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!m_listValid)  // Enter must not reach the dialog's default button
        return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        Outcome o = Outcome::Ignored;
        if (m_rules->enter(&o) == LautPosRules::KeyAction::Weiter) {
            weiterClick();
            return true;
        }
        afterOutcome(o);
        return true;
    }
    case Qt::Key_Left:
    case Qt::Key_Right:
        m_rules->arrow(key->key() == Qt::Key_Left);
        compose();
        refresh();
        return true;
    case Qt::Key_H:
        if (P_hoeren->isVisible() && SB_hoeren->isEnabled())
            listenClick();
        return true;
    case Qt::Key_P:
        fertigClick();
        return true;
    case Qt::Key_W:
        weiterClick();
        return true;
    default:
        return false;
    }
}
