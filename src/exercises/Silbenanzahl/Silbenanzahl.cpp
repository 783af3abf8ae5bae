#include "exercises/Silbenanzahl/Silbenanzahl.h"

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
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

using namespace silben;
using exercise::LautState;
using picture::Colour;
using Outcome = SilbenRules::Outcome;

namespace {

constexpr int kProgram = 406;
constexpr Colour kPurple = 0x00800080;

const ProgramSection& section() { return g().config.programSection(QStringLiteral("ProgSilbenAnzahl")); }
QString listFolder() { return fsys::withSlash(catalogue::listFolder(kProgram)); }

QString relativeList(const QString& path)
{
    QString r = fsys::toStored(MakeRelativePath(listFolder(), path, false));
    while (r.startsWith(QLatin1Char('\\')))
        r.remove(0, 1);
    return r;
}

} // namespace

TFormSilbenanzahl::TFormSilbenanzahl(const QString& listPath, QWidget* parent)
    : TFormFormAlle(kProgram, listPath, parent), m_rules(std::make_unique<SilbenRules>(*WAV1))
{
    setObjectName(QStringLiteral("FormSilbenanzahl"));
    auto button = [this](const char* name, const QString& hint) {
        auto* b = new QPushButton(P_Leiste);
        b->setObjectName(QLatin1String(name));
        b->setFocusPolicy(Qt::NoFocus);
        b->setToolTip(hint);
        b->hide();
        return b;
    };
    SB_fertig = button("SB_fertig", QStringLiteral("Fertig"));
    SB_weiter = button("SB_weiter", QStringLiteral("Weiter"));
    Sb_hilfe = button("Sb_hilfe", QStringLiteral("Hilfe"));
    Sb_hilfe->setText(QStringLiteral("H&ilfe"));
    SB_Ton = button("SB_Ton", QStringLiteral("Überschrift anhören"));
    SB_Ton->setIcon(QIcon(cursorPicture(crTon)));
    connect(SB_fertig, &QPushButton::clicked, this, [this] { checkClick(); });
    connect(SB_weiter, &QPushButton::clicked, this, [this] { weiterClick(); });
    connect(Sb_hilfe, &QPushButton::clicked, this, [this] { helpClick(); });
    connect(SB_Ton, &QPushButton::clicked, this, [this] {
        if (!m_listValid)
            return;
        m_rules->playHeading();
        refresh();
    });
    Timer1 = new QTimer(this);
    Timer1->setInterval(50);
    connect(Timer1, &QTimer::timeout, this, [this] { dissolveTick(); });
}

TFormSilbenanzahl::~TFormSilbenanzahl() = default;

void TFormSilbenanzahl::FormActivate()
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

void TFormSilbenanzahl::applyOptions()
{
    const TOpt_Silbenanzahl& o = opts();
    ApplyFrameOptions(o.backgroundPicture, o.time);
    Sb_hilfe->setVisible(o.helpButtonVisible);
    bool heading = false;
    for (const QString& n : g().loadedList.layout.headingSound.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        heading = heading || !exercise::HeadingSoundFile(n).isEmpty() ||
                  fsys::fileExists(fsys::withSlash(g().config.dirs.materialSound) + fsys::fromStored(n.trimmed()));
    SB_Ton->setVisible(heading);
}

bool TFormSilbenanzahl::prepareList(bool keepStart)
{
    const int start = keepStart && chooser::startPosition() >= 1 ? chooser::startPosition() : 0;
    applyOptions();
    m_dissolve.stop();
    Timer1->stop();
    opts().file = relativeList(listPath);
    m_listValid = m_rules->prepareList(opts().file, start);
    L_Aufgaben->setText(QStringLiteral(" Aufgaben: ") + QString::number(m_rules->taskCount()));
    taskStates.assign(size_t(m_rules->taskCount()), TaskState{});
    currentTask = m_rules->position();
    BuildTaskStrip();
    m_stripDirty = true;
    drawBackgrounds();
    if (!m_listValid) {
        compose();
        refresh();
        dialogs::showMessage(this, QStringLiteral("Die ausgewählte Liste enthält keine gültigen Daten!"));
        return false;
    }
    setUp(SilbenRules::Setup::Ok);
    return true;
}

void TFormSilbenanzahl::writeFrameOptions()
{
    TOpt_Silbenanzahl& o = opts();
    if (m_listValid)
        o.file = relativeList(listPath);
    o.backgroundPicture = backgroundPictureVisible;
    if (!WritePlayerOptions(g().currentPlayer(), kProgram))
        ShowMessageWindow(QStringLiteral("Die Ini-Datei: ") + g().currentPlayer() +
                              QStringLiteral(" konnte nicht erstellt werden."),
                          this, false);
}

void TFormSilbenanzahl::sb_optionenClick()
{
    WAV1->CloseAll();
    writeFrameOptions();
    const bool randomBefore = g().randomOrder406;
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
    drawBackgrounds();
    if (randomBefore != g().randomOrder406) {
        BuildSyllableTaskOrder(m_rules->taskCount(), g().randomOrder406);
        prepareList(false);
        return;
    }
    setUp(m_rules->jumpTo(m_rules->position()));
}

void TFormSilbenanzahl::Chb_hintergrundbildClick()
{
    opts().backgroundPicture = Chb_hintergrundbild->isChecked();
    backgroundPictureVisible = opts().backgroundPicture;
    drawBackgrounds();
    if (m_listValid)
        setUp(m_rules->jumpTo(m_rules->position()));
}

void TFormSilbenanzahl::CB_auswahlChange(int index)
{
    if (!LoadListFromChoice(index, 1, m_listValid))
        return;
    BuildSyllableTaskOrder(int(g().taskList().size()), g().randomOrder406);
    run().taskStartTime = QDateTime();
    opts().file = relativeList(listPath);
    prepareList(false);
}

void TFormSilbenanzahl::FormClose()
{
    Timer1->stop();
    writeFrameOptions();
    chooser::startPosition() = 0;
    m_buffer = m_background = m_light = m_boxShown = m_boxAfter = QImage();
    TFormFormAlle::FormClose();
}

void TFormSilbenanzahl::StopBeforeClose()
{
    Timer1->stop();
    TFormFormAlle::StopBeforeClose();
}

// ---- layout and drawing -------------------------------------------------------------------------

void TFormSilbenanzahl::ArrangeFrame()
{
    TFormFormAlle::ArrangeFrame();
    if (!SB_fertig)
        return;
    const int barH = P_Leiste->height();
    const int ton = barH + 2;
    SB_Ton->setGeometry(sb_optionen->geometry().right() + 1, 0, ton, ton);
    SB_Ton->setIconSize(QSize(ton * 2 / 3, ton * 2 / 3));
    Sb_hilfe->setGeometry(SB_Ton->geometry().right() + 1, 0, ton, ton);
    // The list choice stands between the listen panel and the end button, where there is room.
    QRect choice = P_auswahl->geometry();
    choice.setLeft(P_hoeren->geometry().right() + 6);
    choice.setRight(SB_ende->geometry().left() - 4);
    P_auswahl->setGeometry(choice);
    const int inner = choice.width() - 8;
    for (QWidget* wdg : {static_cast<QWidget*>(CB_auswahl), static_cast<QWidget*>(Chb_hintergrundbild),
                         static_cast<QWidget*>(P_TAuswahl)}) {
        QRect r = wdg->geometry();
        r.setWidth(inner);
        wdg->setGeometry(r);
    }
    const QRect hp = P_hoeren->geometry();
    for (QPushButton* b : {SB_fertig, SB_weiter})
        b->setGeometry(hp);
    SkinButton(SB_weiter, g().config.symbolWeiter, QStringLiteral("Weiter"), 2, 1, 0, 2);
    SkinButton(SB_fertig, g().config.symbolPruefen, QStringLiteral("Prüfen"), 2, 1, kPurple, 2);
    if (m_listValid) {
        drawBackgrounds();
        setUp(SilbenRules::Setup::Ok);
    }
}

void TFormSilbenanzahl::drawBackgrounds()
{
    m_background = exercise::WindowBackground(size(), backgroundPictureVisible);
    const TLayout& layout = g().loadedList.layout;
    const QString bg = backgroundPictureVisible ? exercise::BackgroundPicturePath() : QString();
    if (!bg.isEmpty()) {
        m_light = picture::LightBackground(bg, size(), layout.backgroundColour);
    } else {
        picture::Target t(std::max(1, width()), std::max(1, height()), picture::LightenColour(layout.backgroundColour, 30));
        m_light = t.image;
    }
}

QRect TFormSilbenanzahl::countRect(int i) const
{
    return i >= 0 && i < int(m_counts.size()) ? m_counts[size_t(i)] : QRect();
}

void TFormSilbenanzahl::layoutArea()
{
    const QRect area = playArea();
    const int n = std::max(1, int(m_rules->counts().size()));
    const int s = exercise::LautButtonSize(area.height(), n);
    const int bw = std::max(20, 40 + (5 * s - 200) / 2);
    const int pw = width() * 2 / 3;
    const int m = std::max(0, (width() - pw - bw) / 3);
    m_panel = QRect(area.left() + m, area.top() + 10, pw, area.height() - 20);
    const int o = (area.height() - n * s - (n + 1)) / 2;
    m_counts.clear();
    for (int i = 0; i < int(m_rules->counts().size()); ++i)
        m_counts.emplace_back(m_panel.right() + 1 + m, area.top() + o + i * s + (i + 1), bw, s);
    const int ph = m_panel.height();
    const int display = opts().syllableDisplay;
    const bool both = m_rules->bothSounds();
    int bh = std::max(20, ph * 3 / 5 - 58);
    int bwid = bh * 4 / 3;
    if (bwid > pw - 60) {
        bwid = pw - 60;
        bh = bwid * 3 / 4;
    }
    int top = m_panel.top() + ph / 12;
    if (display == 1 && both)
        top = m_panel.top() + std::max(10, (ph * 3 / 5 - bh - 18) / 2);
    m_box = QRect(m_panel.left() + (pw - bwid) / 2, top, bwid, bh);
    if (!both)
        m_solution = QRect(m_box.left(), m_box.bottom() + 30, m_box.width(), std::max(20, ph / 5));
    else if (display == 1)
        m_solution = QRect(m_panel.left() + 30, m_box.bottom() + 30, pw - 60, std::max(20, m_panel.bottom() - 30 - m_box.bottom() - 30));
    else
        m_solution = QRect(m_panel.left() + 30, m_panel.top() + ph * 4 / 5 - ph / 10, pw - 60, ph / 5);
    m_solution = m_solution.intersected(m_panel.adjusted(20, 20, -20, -20));
}

QImage TFormSilbenanzahl::panelPicture(bool uncovered) const
{
    const TLayout& layout = g().loadedList.layout;
    picture::Target t(std::max(1, m_box.width()), std::max(1, m_box.height()), layout.pictureBackgroundColour);
    if (uncovered || opts().visualHelp != 0) {
        picture::DrawPictureOrName(t, m_rules->picture(), layout.pictureBackgroundColour, m_rules->pictureSize());
        return t.image;
    }
    const QString back = opts().cardBackVisible ? exercise::CardBackPicture() : QString();
    if (!back.isEmpty()) {
        picture::DrawPictureFitted(t, back, layout.pictureBackgroundColour, 100, true, false, true);
    } else {
        QImage part = m_light.copy(m_box);
        picture::LightenBitmap(part);
        t.image = part;
    }
    return t.image;
}

QImage TFormSilbenanzahl::countFace(int i, bool chosen) const
{
    const QRect r = countRect(i);
    picture::Target t(r.width(), r.height(), g().loadedList.layout.backgroundColour);
    DrawCardFrame(t.image, QRect(0, 0, r.width(), r.height()), 20, &m_background, r, 0, false, !chosen,
                  g().loadedList.layout.backgroundColour);
    const QString silben = section().value(QStringLiteral("Silben"));
    const QString count = m_rules->counts().value(i);
    const QString name = silben + QLatin1Char('/') + count + (chosen ? QStringLiteral("gedrückt.jpg") : silben + QStringLiteral(".jpg"));
    const QString file = exercise::InternPicture(name);
    const QRect inner = chosen ? QRect(0, 0, r.width(), r.height()).adjusted(26, 26, -14, -14)
                               : QRect(0, 0, r.width(), r.height()).adjusted(20, 20, -20, -20);
    if (inner.width() > 2 && inner.height() > 2) {
        picture::Target pic(inner.width(), inner.height(), 0x00FFFFFF);
        if (!file.isEmpty()) {
            picture::DrawPictureFitted(pic, file, 0x00FFFFFF, 100, true, false, true);
        } else {
            QFont f = exercise::ListFont(std::max(8, inner.height()));
            picture::DrawFittedText(pic, count, f, 0, 1, 80, true, 0x00FFFFFF, false, false);
        }
        QPainter(&t.image).drawImage(inner.topLeft(), pic.image);
    }
    return t.image;
}

void TFormSilbenanzahl::compose()
{
    if (m_background.size() != size())
        drawBackgrounds();
    QImage buffer = m_background.copy();
    if (m_listValid && m_rules->taskShown() && !m_panel.isEmpty()) {
        QPainter p(&buffer);
        const TLayout& layout = g().loadedList.layout;
        p.end();
        DrawCardFrame(buffer, m_panel, 10, &m_background, m_panel, 0, false, true, layout.backgroundColour);
        p.begin(&buffer);
        const QRect inside = m_panel.adjusted(10, 10, -10, -10);
        p.drawImage(inside.topLeft(), m_light, inside);
        p.end();
        DrawCardFrame(buffer, m_box.adjusted(-18, -18, 18, 18), 10, &m_light, m_box.adjusted(-18, -18, 18, 18), 0, false, true,
                      layout.backgroundColour);
        p.begin(&buffer);
        p.drawImage(m_box.topLeft(), m_dissolve.running() ? m_boxShown : (m_revealed ? m_boxAfter : panelPicture(false)));
        for (int i = 0; i < int(m_counts.size()); ++i)
            p.drawImage(m_counts[size_t(i)].topLeft(), countFace(i, m_rules->chosen() == i));
        if (m_rules->solutionShown() && m_solution.width() > 30 && m_solution.height() > 30) {
            p.end();
            DrawCardFrame(buffer, m_solution, 10, &m_light, m_solution, 0, false, true, layout.backgroundColour);
            p.begin(&buffer);
            const QRect in = m_solution.adjusted(11, 11, -11, -11);
            const Colour field = picture::LightenColour(layout.pictureBackgroundColour, 30);
            p.fillRect(in, picture::toQColor(field));
            const TLoesung& l = m_rules->task();
            const QFont big = exercise::ListFont(200);
            const Colour fc = exercise::ListFontColour();
            auto text = [&](const QRect& r, const QString& s) {
                picture::Target t(std::max(1, r.width()), std::max(1, r.height()), field);
                picture::DrawFittedText(t, s, big, fc, 1, 80, true, field, false, false);
                p.drawImage(r.topLeft(), t.image);
            };
            if (!m_rules->bothSounds()) {
                text(in, l.extra);
            } else if (opts().syllableDisplay == 1) {
                const QRect upper(in.left(), in.top(), in.width(), in.height() / 2);
                const QRect lower(in.left(), upper.bottom() + 1, in.width(), in.height() - upper.height());
                text(upper, l.word);
                // The syllables in alternating colours, the hyphens removed.
                const QStringList parts = l.extra.split(QLatin1Char('-'));
                QFont f = big;
                f.setPointSize(std::max(1, picture::FitFontSize(lower.height(), lower.width(), l.word, 80, big)));
                const QFontMetrics fm(f);
                int x = lower.left() + (lower.width() - fm.horizontalAdvance(l.word)) / 2;
                p.setFont(f);
                for (int k = 0; k < parts.size(); ++k) {
                    p.setPen(k % 2 ? QColor(Qt::red) : QColor(0, 0, 128));
                    p.drawText(QRect(x, lower.top(), fm.horizontalAdvance(parts[k]) + 2, lower.height()),
                               Qt::AlignLeft | Qt::AlignVCenter, parts[k]);
                    x += fm.horizontalAdvance(parts[k]);
                }
            } else {
                const QRect left(in.left(), in.top(), in.width() / 2, in.height());
                const QRect right(left.right() + 1, in.top(), in.width() - left.width(), in.height());
                text(left, l.word);
                text(right, l.extra);
            }
        }
    }
    m_buffer = buffer;
}

void TFormSilbenanzahl::FormPaint(QPainter& p)
{
    if (!m_buffer.isNull())
        p.drawImage(0, 0, m_buffer);
}

// ---- flow ---------------------------------------------------------------------------------------

void TFormSilbenanzahl::setUp(SilbenRules::Setup setup)
{
    m_dissolve.stop();
    Timer1->stop();
    m_revealed = false;
    layoutArea();
    compose();
    refresh();
    if (setup == SilbenRules::Setup::Defect)
        ShowMessageWindow(QStringLiteral("Die aktuelle Aufgabe ist defekt! Es folgt die nächste Aufgabe."), this, false);
    if (m_rules->counts().isEmpty())
        ShowMessageWindow(QStringLiteral("Die Aufgabe ist unvollständig! Bitte wählen Sie eine andere Aufgabe."), this, false);
}

void TFormSilbenanzahl::refresh()
{
    const SilbenRules& r = *m_rules;
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
    const bool solved = r.state() == LautState::Solved || r.state() == LautState::SolutionPlaying;
    const bool checking = !opts().atOnce && r.checkEnabled() && !solved;
    SB_weiter->setVisible(solved);
    SB_weiter->setEnabled(solved && r.weiterEnabled() && !m_dissolve.running());
    SB_fertig->setVisible(checking);
    SB_fertig->setEnabled(checking);
    P_hoeren->setVisible(!solved && !checking);
    SB_hoeren->setEnabled(m_listValid && r.listenEnabled());
    Sb_hilfe->setEnabled(r.helpEnabled());
    if (solved)
        SB_weiter->raise();
    update();
}

void TFormSilbenanzahl::finishDissolve()
{
    while (m_dissolve.running())
        dissolveTick();
}

void TFormSilbenanzahl::dissolveTick()
{
    if (!m_dissolve.step(m_boxShown, QPoint(0, 0), m_boxAfter) || !m_dissolve.running()) {
        Timer1->stop();
        m_dissolve.stop();
        m_revealed = true;
    }
    compose();
    refresh();
}

void TFormSilbenanzahl::afterOutcome(Outcome outcome)
{
    if (outcome == Outcome::Right && opts().cardsVisibleOnSuccess && opts().visualHelp == 0) {
        m_boxShown = panelPicture(false);
        m_boxAfter = panelPicture(true);
        if (isVisible()) {
            m_dissolve.start(m_box.size());
            Timer1->start();
        } else {
            m_revealed = true;
        }
    }
    compose();
    refresh();
}

void TFormSilbenanzahl::listenClick()
{
    if (!m_listValid)
        return;
    m_rules->listen();
    refresh();
}

void TFormSilbenanzahl::SB_hoerenClick() { listenClick(); }

void TFormSilbenanzahl::helpClick()
{
    if (!m_listValid || !Sb_hilfe->isVisible() || !Sb_hilfe->isEnabled())
        return;
    m_rules->help();
    refresh();
}

void TFormSilbenanzahl::checkClick()
{
    if (!m_listValid || !SB_fertig->isVisible() || !SB_fertig->isEnabled())
        return;
    afterOutcome(m_rules->check());
}

void TFormSilbenanzahl::weiterClick()
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
    // A task with an empty text reached by "Weiter" is announced as by the strip.
    setUp(m_rules->lastSetup());
    P_hoeren->raise();
}

void TFormSilbenanzahl::TaskImageClick(int position)
{
    if (!m_listValid)
        return;
    TFormFormAlle::TaskImageClick(position);
    const SilbenRules::Setup s = m_rules->jumpTo(position);
    m_stripDirty = true;
    setUp(s);
}

void TFormSilbenanzahl::SoundNotice(int channel, SoundStatus status)
{
    m_rules->soundNotice(channel, status);
    compose();
    refresh();
}

int TFormSilbenanzahl::countAt(const QPoint& at) const
{
    for (int i = 0; i < int(m_counts.size()); ++i)
        if (m_counts[size_t(i)].contains(at))
            return i;
    return -1;
}

void TFormSilbenanzahl::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_listValid && event->button() == Qt::LeftButton) {
        const int c = countAt(at);
        if (c >= 0) {
            if (!m_rules->press(c))
                ShowMessageWindow(QStringLiteral("Bitte zuerst auf den Knopf 'Hören' klicken"), this, false);
            compose();
            refresh();
            return;
        }
    }
    TFormFormAlle::mousePressEvent(event);
}

void TFormSilbenanzahl::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_listValid && event->button() == Qt::LeftButton) {
        const int c = countAt(at);
        if (c >= 0) {
            afterOutcome(m_rules->release(c));
            return;
        }
        m_rules->releaseElsewhere();
        if (m_rules->solutionShown() && m_solution.contains(at)) {
            const bool second = !m_rules->bothSounds() ? false
                                : opts().syllableDisplay == 1 ? at.y() > m_solution.center().y()
                                                              : at.x() > m_solution.center().x();
            m_rules->playWordSound(second);
        } else if (m_panel.contains(at)) {
            m_rules->listen();
        }
        compose();
        refresh();
        return;
    }
    TFormFormAlle::mouseReleaseEvent(event);
}

bool TFormSilbenanzahl::HandleAppMessage(QObject* watched, QEvent* event)
{
    if (TFormFormAlle::HandleAppMessage(watched, event))
        return true;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || (w != this && !isAncestorOf(w)) || event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!m_listValid)  // Enter must not reach the dialog's default button
        return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const int k = key->key();
    if (k >= Qt::Key_1 && k <= Qt::Key_9) {
        m_rules->digit(k - Qt::Key_0);
        compose();
        refresh();
        return true;
    }
    switch (k) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        Outcome o = Outcome::Ignored;
        if (m_rules->enter(&o) == SilbenRules::KeyAction::Weiter) {
            if (SB_weiter->isVisible() && SB_weiter->isEnabled())
                weiterClick();
            return true;
        }
        afterOutcome(o);
        return true;
    }
    case Qt::Key_Up:
    case Qt::Key_Down:
        m_rules->upDown(k == Qt::Key_Down);
        compose();
        refresh();
        return true;
    case Qt::Key_I:
        helpClick();
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
