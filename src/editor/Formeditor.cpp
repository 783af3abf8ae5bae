#include "editor/Formeditor.h"

#include "chooser/Listenreader.h"
#include "core/Catalogue.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/TextUtil.h"
#include "data/TaskList.h"
#include "data/TaskListWriter.h"
#include "editor/Einfuegen.h"
#include "editor/Recording.h"
#include "editor/LayoutDialogs.h"
#include "editor/ListExport.h"
#include "editor/ListPrint.h"
#include "media/picture/Picture.h"
#include "media/skin/AnimationErfolg.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "options/Options.h"
#include "shell/HelpWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QUndoCommand>
#include <QUndoStack>
#include <QVBoxLayout>

namespace {

// The red dot that records a word for a sound field.
QToolButton* recordButton(QWidget* parent)
{
    auto* b = new QToolButton(parent);
    b->setText(QStringLiteral("\u25CF"));
    b->setToolTip(QStringLiteral("Aufnehmen: das Wort mit dem Mikrofon sprechen"));
    b->setStyleSheet(QStringLiteral("QToolButton { color: #c8201a; }"));
    return b;
}
const QString kUntitled = QStringLiteral("UNBENANNT.txt");
constexpr int kEditorHelpTopic = 5;

QString afterBase(const QString& base, const QString& path)
{
    QString rest = path;
    if (!base.isEmpty() && path.startsWith(base, Qt::CaseInsensitive))
        rest = path.mid(base.size());
    if (rest.startsWith(QLatin1String("./")))
        rest = rest.mid(2);
    return rest;
}

bool isRowProgram(int code) { return code == 102 || code == 202 || code == 204; }
bool isTaskless(int code) { return code == 101 || code == 102; }

QStringList hiddenItems(int code)
{
    const QString knopf = QStringLiteral("Knopffarbe"), mark = QStringLiteral("BuchstabenMarkierungsFarbe"),
                  anim = QStringLiteral("Animation bei Erfolg..."), back = QStringLiteral("Rückseite..."),
                  instr = QStringLiteral("Bild für Anleitung..."), pair = QStringLiteral("BuchstabenPaarFarbe");
    switch (code) {
    case 101: case 102: return {knopf, mark, back, instr, pair};
    case 201: case 202: return {anim, back, instr, pair};
    case 203: case 204: return {anim, back, instr, pair, mark};
    case 301: case 304: case 303: case 402: case 405: case 406: return {knopf, anim, instr, pair};
    case 302: case 401: return {knopf, mark, anim, back, instr, pair};
    case 305: case 407: return {knopf, mark, anim, pair};
    case 403: return {knopf, anim, back, instr, pair};
    case 404: return {mark, anim, instr, pair};
    case 408: return {knopf, anim, back};
    default: return {};
    }
}

// The cell of a card as fractions of the card area; empty when the program has no such card.
QRectF cardCell(int code, int card)
{
    if (card == 0) {
        if (code == 101)
            return {0.5, 0, 0.5, 0.5};
        if (code == 404)
            return {0, 0, 1.0 / 3, 1};
        return {};
    }
    const int n = catalogue::defaultElementCount(code);
    if (card > n)
        return {};
    const int i = card - 1;
    switch (code) {
    case 101:
        if (card <= 4)
            return {(i % 2) * 0.25, (i / 2) * 0.25, 0.25, 0.25};
        return {((card - 5) % 4) * 0.25, (2 + (card - 5) / 4) * 0.25, 0.25, 0.25};
    case 102: case 202: case 204: return {0, double(i) / n, 1, 1.0 / n};
    case 201: case 203: return {(i % 3) / 3.0, (i / 3) / 2.0, 1.0 / 3, 0.5};
    case 404:
        if (card == 1)
            return {1.0 / 3, 0, 1.0 / 3, 1};
        return {2.0 / 3, (card - 2) / 3.0, 1.0 / 3, 1.0 / 3};
    default:
        if (n == 2)
            return {i * 0.5, 0, 0.5, 1};
        return {0, 0, 1, 1};
    }
}

QString cardTitle(int code, int card)
{
    if (card == 0)
        return code == 404 ? QStringLiteral(" Aufgabe") : QStringLiteral(" Sammelbild");
    const int n = catalogue::defaultElementCount(code);
    if (code == 203 && card == 1)
        return QStringLiteral(" gesuchte Karte");
    if (code == 204 && card == 1)
        return QStringLiteral(" gesuchte\n Karte");
    if (code == 304)
        return card == 1 ? QStringLiteral(" kurz") : QStringLiteral(" lang");
    if (code == 404)
        return card == 1 ? QStringLiteral(" Lösung") : QStringLiteral(" Alternative ") + QString::number(card - 1);
    if (n == 2)
        return QStringLiteral(" Karte") + QStringLiteral("%1").arg(card, 2, 10, QLatin1Char('0'));
    if (n == 1)
        return QStringLiteral(" Karte ");
    return QStringLiteral(" Karte ") + QStringLiteral("%1").arg(card, 2, 10, QLatin1Char('0'));
}

QPixmap colourIcon(qint32 colour)
{
    QPixmap p(16, 16);
    p.fill(picture::toQColor(colour));
    return p;
}

QString joinedPath(const QString& folder, const QString& name)
{
    const QString n = fsys::fromStored(name.trimmed());
    return n.startsWith(QLatin1Char('/')) ? n : folder + n;
}
} // namespace

// One undoable step: the list before and after.
class EditCommand : public QUndoCommand
{
public:
    EditCommand(TFormeditor* editor, const QString& label, TFormeditor::Snapshot before, TFormeditor::Snapshot after,
                const QString& key)
        : QUndoCommand(label), m_editor(editor), m_before(std::move(before)), m_after(std::move(after)), m_key(key)
    {
    }
    void undo() override { m_editor->restore(m_before); }
    void redo() override
    {
        if (m_first)
            m_first = false;  // the edit is already done
        else
            m_editor->restore(m_after);
    }
    int id() const override { return m_key.isEmpty() ? -1 : 1; }
    bool mergeWith(const QUndoCommand* other) override
    {
        auto* c = static_cast<const EditCommand*>(other);
        if (c->m_key != m_key)
            return false;
        m_after = c->m_after;
        return true;
    }

private:
    TFormeditor* m_editor;
    TFormeditor::Snapshot m_before, m_after;
    QString m_key;
    bool m_first = true;
};

// ---------------------------------------------------------------------------------------------------

void TCardPicture::setPicture(const QString& file, int percent, const QColor& background)
{
    m_file = file;
    m_percent = percent > 0 ? percent : 100;
    m_background = background;
    redraw();
}

void TCardPicture::clearPicture()
{
    m_file.clear();
    m_shown = QImage();
    setPixmap(QPixmap());
    setToolTip(QString());
}

void TCardPicture::redraw()
{
    m_shown = m_file.isEmpty() ? QImage() : editor::DrawCardPicture(m_file, size(), m_percent, m_background);
    setPixmap(m_shown.isNull() ? QPixmap() : QPixmap::fromImage(m_shown));
}

void TCardPicture::resizeEvent(QResizeEvent* e)
{
    QLabel::resizeEvent(e);
    if (!m_file.isEmpty())
        redraw();
}

QString TCardPicture::emptyHint() { return QStringLiteral("Doppelklick: Bild einfügen"); }

void TCardPicture::paintEvent(QPaintEvent* e)
{
    QLabel::paintEvent(e);
    if (!m_shown.isNull())
        return;
    // Drawn over the empty box only: the label's text stays empty, so nothing else ever sees it.
    QPainter p(this);
    QFont f = font();
    f.setItalic(true);
    p.setFont(f);
    p.setPen(QColor(150, 150, 150));
    p.drawText(rect().adjusted(6, 6, -6, -6), Qt::AlignCenter | Qt::TextWordWrap, emptyHint());
}

void TCardPicture::mouseDoubleClickEvent(QMouseEvent*) { emit doubleClicked(); }
void TCardPicture::mouseMoveEvent(QMouseEvent* e)
{
    emit hovered();
    QLabel::mouseMoveEvent(e);
}

// ---------------------------------------------------------------------------------------------------

TFrameEinzelbild::TFrameEinzelbild(QWidget* parent, int card, Shape shape) : QFrame(parent), m_card(card), m_shape(shape)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setProperty("card", card);
    P_Titel = new QWidget(this);
    auto* th = new QHBoxLayout(P_Titel);
    th->setContentsMargins(2, 0, 2, 0);
    L_Titel = new QLabel(P_Titel);
    QFont bold = L_Titel->font();
    bold.setBold(true);
    L_Titel->setFont(bold);
    Label1 = new QLabel(P_Titel);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    th->addWidget(L_Titel, 1);
    th->addWidget(Label1);
    Bild = new TCardPicture(this);
    Bild->setAlignment(Qt::AlignCenter);
    Bild->setMinimumSize(16, 16);
    Bild->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    Bild->setAutoFillBackground(true);
    Bild->setContextMenuPolicy(Qt::CustomContextMenu);
    Bild->setProperty("card", card);

    auto row = [this](QWidget*& panel, QToolButton*& button, QLineEdit*& field, const QString& symbol) {
        panel = new QWidget(this);
        auto* h = new QHBoxLayout(panel);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(2);
        button = new QToolButton(panel);
        button->setText(symbol);
        field = new QLineEdit(panel);
        field->setProperty("card", m_card);
        h->addWidget(button);
        h->addWidget(field, 1);
    };
    row(P_text, SB_Text, M_Text, QStringLiteral("T"));
    row(P_sound, SB_Ton, E_sound, QStringLiteral("\u266A"));
    SB_Aufnahme = recordButton(P_sound);
    P_sound->layout()->addWidget(SB_Aufnahme);

    if (shape == Shape::Row) {
        auto* h = new QHBoxLayout(this);
        h->setContentsMargins(2, 2, 2, 2);
        P_Titel->setFixedWidth(90);
        h->addWidget(P_Titel);
        h->addWidget(P_text, 1);
        P_sound->setFixedWidth(500);
        h->addWidget(P_sound);
        Bild->hide();
        Label1->hide();
        SB_Text->hide();
    } else {
        auto* v = new QVBoxLayout(this);
        v->setContentsMargins(2, 2, 2, 2);
        v->setSpacing(2);
        v->addWidget(P_Titel);
        if (shape == Shape::Tall) {
            Bild->hide();
            Label1->hide();
            SB_Text->setEnabled(false);
            QFont big = M_Text->font();
            big.setPointSize(16);
            M_Text->setFont(big);
            E_sound->setFont(big);
            v->addWidget(P_text, 1);
            v->addWidget(P_sound, 1);
        } else {
            v->addWidget(Bild, 1);
            v->addWidget(P_text);
            v->addWidget(P_sound);
        }
    }
}

void TFrameEinzelbild::resizeEvent(QResizeEvent* e)
{
    QFrame::resizeEvent(e);
    // The buttons are square, as high as their row.
    SB_Text->setFixedWidth(std::max(16, P_text->height()));
    SB_Ton->setFixedWidth(std::max(16, P_sound->height()));
    SB_Aufnahme->setFixedWidth(std::max(16, P_sound->height()));
}

// ---------------------------------------------------------------------------------------------------

TFormeditor::TFormeditor(QWidget* parent) : QDialog(parent), m_code(g().programCode)
{
    setWindowTitle(QStringLiteral("Editor"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    m_screen = QGuiApplication::screenAt(QCursor::pos());
    if (!m_screen)
        m_screen = QGuiApplication::primaryScreen();
    m_undo = new QUndoStack(this);
    m_player = std::make_unique<TWAV>(this);
    onSoundEnded(this, [this](int channel, SoundStatus status) { m_player->HandleNotice(channel, status); });
    buildWindow();
    m_insert = new TFormEinfuegen(this);
    connect(m_insert, &TFormEinfuegen::inserted, this, &TFormeditor::handleInsertReply);
}

TFormeditor::~TFormeditor()
{
    if (m_player)
        m_player->CloseAll();
    g().editorActive = false;
}

void TFormeditor::buildWindow()
{
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    m_menuBar = new QMenuBar(this);
    v->setMenuBar(m_menuBar);
    m_toolBar = new QToolBar(this);
    v->addWidget(m_toolBar);
    buildMenus();

    P_anleitung = new QWidget(m_toolBar);
    auto* ah = new QHBoxLayout(P_anleitung);
    ah->setContentsMargins(0, 0, 0, 0);
    ah->addWidget(new QLabel(QStringLiteral("  Anleitung:  "), P_anleitung));
    E_TaskTitel = new QLineEdit(P_anleitung);
    E_TaskSound = new QLineEdit(P_anleitung);
    SB_TaskSound = new QToolButton(P_anleitung);
    SB_TaskSound->setText(QStringLiteral("\u266A"));
    ah->addWidget(E_TaskTitel, 2);
    ah->addWidget(SB_TaskSound);
    ah->addWidget(E_TaskSound, 2);
    SB_TaskAufnahme = recordButton(P_anleitung);
    ah->addWidget(SB_TaskAufnahme);
    m_toolBar->addWidget(P_anleitung);

    TC_aufgaben = new QTabBar(this);
    TC_aufgaben->setExpanding(false);
    TC_aufgaben->setStyleSheet(QStringLiteral(
        "QTabBar::tab { color: black; background: palette(button); padding: 3px 10px; }"
        "QTabBar::tab:selected { color: red; font-weight: bold; background: white; }"));
    v->addWidget(TC_aufgaben);
    P_karten = new QWidget(this);
    P_karten->installEventFilter(this);
    v->addWidget(P_karten, 1);

    P_Erfolgssound = new QWidget(this);
    auto* eh = new QHBoxLayout(P_Erfolgssound);
    eh->setContentsMargins(4, 2, 4, 2);
    eh->addWidget(new QLabel(QStringLiteral(" Erfolgssound ... "), P_Erfolgssound));
    auto* playSuccess = new QToolButton(P_Erfolgssound);
    playSuccess->setText(QStringLiteral("\u266A"));
    E_Erfolgssound = new QLineEdit(P_Erfolgssound);
    eh->addWidget(playSuccess);
    eh->addWidget(E_Erfolgssound, 1);
    SB_ErfolgAufnahme = recordButton(P_Erfolgssound);
    eh->addWidget(SB_ErfolgAufnahme);
    v->addWidget(P_Erfolgssound);

    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(false);
    m_status[0] = new QLabel(status);
    m_status[1] = new QLabel(status);
    status->addWidget(m_status[0], 1);
    status->addWidget(m_status[1], 1);
    v->addWidget(status);

    const TFrameEinzelbild::Shape shape = isRowProgram(m_code) ? TFrameEinzelbild::Shape::Row
                                          : m_code == 401      ? TFrameEinzelbild::Shape::Tall
                                                               : TFrameEinzelbild::Shape::Card;
    for (int card = 0; card <= 12; ++card) {
        auto* f = new TFrameEinzelbild(P_karten, card, card == 0 ? TFrameEinzelbild::Shape::Card : shape);
        m_frames.push_back(f);
        connect(f->Bild, &TCardPicture::doubleClicked, this, [this, card] { pictureDoubleClicked(card); });
        connect(f->Bild, &TCardPicture::hovered, this, [this, card] { hoverCard(card); });
        connect(f->Bild, &QWidget::customContextMenuRequested, this, [this, card, f](const QPoint& pos) {
            hoverCard(card);
            m_actions.value(QStringLiteral("Bildgröße"))->setEnabled(m_hoveredCard != 0);
            m_pictureMenu->exec(f->Bild->mapToGlobal(pos));
        });
        connect(f->SB_Ton, &QToolButton::clicked, this, [this, card] { playField(card); });
        connect(f->SB_Aufnahme, &QToolButton::clicked, this, [this, card] { recordSound(card); });
        connect(f->M_Text, &QLineEdit::textEdited, this, [this, card](const QString& text) {
            edit(QStringLiteral("Text"), [&] {
                if (TAufgabe* t = currentTask()) {
                    (card == 0 ? t->headElement.text : element(card)->text) = text;
                    m_activeField = card;
                    setChanged();
                }
            }, QStringLiteral("text %1 %2 %3").arg(m_shownTask).arg(card).arg(m_typingRun));
        });
        connect(f->E_sound, &QLineEdit::textEdited, this, [this, card](const QString& text) {
            edit(QStringLiteral("Sound"), [&] {
                if (TAufgabe* t = currentTask()) {
                    (card == 0 ? t->headElement.sounds : element(card)->sounds) = text;
                    setChanged();
                }
            }, QStringLiteral("sound %1 %2 %3").arg(m_shownTask).arg(card).arg(m_typingRun));
        });
        f->M_Text->installEventFilter(this);
        f->E_sound->installEventFilter(this);
    }
    connect(playSuccess, &QToolButton::clicked, this, [this] { playField(13); });
    connect(SB_TaskSound, &QToolButton::clicked, this, [this] { playField(-1); });
    connect(SB_TaskAufnahme, &QToolButton::clicked, this, [this] { recordSound(-1); });
    connect(SB_ErfolgAufnahme, &QToolButton::clicked, this, [this] { recordSound(13); });
    connect(E_Erfolgssound, &QLineEdit::textEdited, this, [this](const QString& text) {
        edit(QStringLiteral("Erfolgssound"), [&] {
            if (TAufgabe* t = currentTask()) {
                SplitText(text, t->successSounds, true, QStringLiteral(";"), true);
                setChanged();
            }
        }, QStringLiteral("success %1 %2").arg(m_shownTask).arg(m_typingRun));
    });
    connect(E_TaskTitel, &QLineEdit::textEdited, this, [this](const QString& text) {
        edit(QStringLiteral("Anleitung"), [&] {
            g().loadedList.layout.heading = text;
            setChanged();
        }, QStringLiteral("heading %1").arg(m_typingRun));
    });
    connect(E_TaskSound, &QLineEdit::textEdited, this, [this](const QString& text) {
        edit(QStringLiteral("Anleitungssound"), [&] {
            g().loadedList.layout.headingSound = text;
            setChanged();
        }, QStringLiteral("headingsound %1").arg(m_typingRun));
    });
    for (QLineEdit* e : {E_Erfolgssound, E_TaskTitel, E_TaskSound})
        e->installEventFilter(this);
    connect(TC_aufgaben, &QTabBar::currentChanged, this, [this](int i) {
        if (i >= 0 && i != m_shownTask)
            selectTask(i);
    });
}

void TFormeditor::buildMenus()
{
    auto add = [this](QMenu* menu, const QString& caption, auto slot, const QKeySequence& key = {}) {
        QAction* a = menu->addAction(caption);
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        m_actions.insert(caption, a);
        return a;
    };
    QMenu* file = m_menuBar->addMenu(QStringLiteral("   &Datei"));
    add(file, QStringLiteral("Neu"), [this] { newList(); });
    add(file, QStringLiteral("Öffnen"), [this] { openList(); });
    add(file, QStringLiteral("Speichern"), [this] { saveList(); });
    add(file, QStringLiteral("Speichern unter..."), [this] { saveListAs(); });
    add(file, QStringLiteral("Druckereinstellungen"), [] {})->setVisible(false);
    add(file, QStringLiteral("Text in Datei schreiben..."), [this] {
        editor::ExportListTexts(this, m_code, m_editedFile, g().loadedList);
    });
    add(file, QStringLiteral("komplette Datei drucken"), [this] {
        editor::PrintTaskList(this, m_code, m_editedFile, g().loadedList, g().loadedList.layout);
    });
    add(file, QStringLiteral("Texte aller Dateien zusammen..."), [this] { editor::ExportAllTexts(this); });
    file->addSeparator();
    add(file, QStringLiteral("Beenden"), [this] { close(); });

    m_editMenu = m_menuBar->addMenu(QStringLiteral("   &Bearbeiten"));
    QAction* undo = m_undo->createUndoAction(this, QStringLiteral("Rückgängig"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction* redo = m_undo->createRedoAction(this, QStringLiteral("Wiederholen"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    m_editMenu->addAction(undo);
    m_editMenu->addAction(redo);
    m_actions.insert(QStringLiteral("Rückgängig"), undo);
    m_actions.insert(QStringLiteral("Wiederholen"), redo);
    m_editMenu->addSeparator();
    add(m_editMenu, QStringLiteral("Aufgabe hinzufügen"), [this] { addTask(); }, QKeySequence(Qt::Key_F5));
    add(m_editMenu, QStringLiteral("Aufgabe einfügen"), [this] { insertTask(); }, QKeySequence(Qt::Key_F6));
    add(m_editMenu, QStringLiteral("Aufgabe löschen"), [this] { deleteTask(); }, QKeySequence(Qt::CTRL | Qt::Key_D));

    QMenu* layout = m_menuBar->addMenu(QStringLiteral("   &Layout-Datei"));
    add(layout, QStringLiteral("Hintergrundbild..."), [this] { openBackgroundPicture(); });
    add(layout, QStringLiteral("Hintergrundfarbe"), [this] { chooseColour(0); });
    layout->addSeparator();
    add(layout, QStringLiteral("Bildhintergrundfarbe"), [this] { chooseColour(1); });
    add(layout, QStringLiteral("Knopffarbe"), [this] { chooseColour(2); });
    layout->addSeparator();
    add(layout, QStringLiteral("Schrift Text"), [this] { chooseFont(); });
    add(layout, QStringLiteral("BuchstabenMarkierungsFarbe"), [this] { chooseColour(3); });
    add(layout, QStringLiteral("Animation bei Erfolg..."), [this] { chooseAnimation(); });
    add(layout, QStringLiteral("Rückseite..."), [this] { chooseCardBack(); });
    add(layout, QStringLiteral("Bild für Anleitung..."), [this] { chooseInstructionPicture(); });
    add(layout, QStringLiteral("BuchstabenPaarFarbe"), [this] { chooseColour(4); });

    QMenu* help = m_menuBar->addMenu(QStringLiteral("   &Hilfe"));
    add(help, QStringLiteral("Hilfe für den Editor"), [this] {
        // The editor's own page; the window is shown here, so it works without the main window too.
        const QString page = helpPageFor(kEditorHelpTopic);
        if (fsys::fileName(page).compare(QStringLiteral("thema%1.html").arg(kEditorHelpTopic), Qt::CaseInsensitive) != 0 ||
            !fsys::fileExists(page))
            dialogs::showMessage(this, QStringLiteral("Hilfe nicht gefunden."));
        else
            ShowHelpWindow(this, kEditorHelpTopic);
    });

    m_pictureMenu = new QMenu(this);
    add(m_pictureMenu, QStringLiteral("Bild löschen"), [this] { deletePicture(m_hoveredCard); });
    add(m_pictureMenu, QStringLiteral("Bildgröße"), [this] { changePictureSize(m_hoveredCard); });

    m_addTaskTool = new QAction(QStringLiteral("Aufgabe hinzufügen"), this);
    connect(m_addTaskTool, &QAction::triggered, this, [this] { addTask(); });
    m_toolBar->addAction(m_actions.value(QStringLiteral("Neu")));
    m_toolBar->addAction(m_actions.value(QStringLiteral("Öffnen")));
    m_toolBar->addAction(m_actions.value(QStringLiteral("Speichern")));
    m_toolBar->addAction(m_addTaskTool);
}

// ---------------------------------------------------------------------------------------------------

int TFormeditor::elementCount() const { return catalogue::defaultElementCount(m_code); }

QString TFormeditor::headFolder() const
{
    return m_code == 404 ? g().config.dirs.materialBilder : g().config.dirs.materialSammelBilder;
}

QString TFormeditor::cardFolder(int card) const { return card == 0 ? headFolder() : g().config.dirs.materialBilder; }

QColor TFormeditor::windowColour() const { return palette().color(QPalette::Base); }

TAufgabe TFormeditor::newTask() const
{
    TAufgabe t;
    t.elements.resize(size_t(elementCount() + 1));
    return t;
}

TAufgabe* TFormeditor::currentTask()
{
    auto& tasks = g().taskList();
    if (tasks.empty())
        return nullptr;
    if (m_shownTask < 0 || size_t(m_shownTask) >= tasks.size())
        m_shownTask = 0;
    TAufgabe& t = tasks[size_t(m_shownTask)];
    if (t.elements.size() < size_t(elementCount() + 1))
        t.elements.resize(size_t(elementCount() + 1));
    return &t;
}

TEinzelbild* TFormeditor::element(int card)
{
    TAufgabe* t = currentTask();
    if (!t)
        return nullptr;
    return card == 0 ? &t->headElement : &t->elements[size_t(card)];
}

QString TFormeditor::statusText(int panel) const { return m_status[panel == 0 ? 0 : 1]->text(); }

TLayout TFormeditor::newListLayout()
{
    TLayout l;
    l.backgroundColour = 12639424;
    l.pictureBackgroundColour = 15780518;
    l.buttonColour = 12632256;
    l.letterMarkColour = 255;
    l.pairColour = 8388608;
    l.pictureSize = 0;
    l.font = TFont{QStringLiteral("Comic Sans Ms"), 120, 0};
    return l;
}

// ---------------------------------------------------------------------------------------------------

TFormeditor::Snapshot TFormeditor::snapshot() const { return {g().loadedList, g().listFont, m_shownTask}; }

void TFormeditor::restore(const Snapshot& s)
{
    g().loadedList = s.list;
    g().listFont = s.font;
    m_shownTask = s.shownTask;
    syncTabs();
    ShowTask();
    updateTaskCount();
    updateColourIcons();
    updateFontCaption();
    E_TaskTitel->setText(g().loadedList.layout.heading);
    E_TaskSound->setText(g().loadedList.layout.headingSound);
    m_changed = true;
}

void TFormeditor::edit(const QString& label, const std::function<void()>& apply, const QString& mergeKey)
{
    if (m_editDepth == 0)
        m_editBefore = snapshot();
    ++m_editDepth;
    apply();
    --m_editDepth;
    if (m_editDepth == 0 && m_editBefore) {
        Snapshot before = std::move(*m_editBefore);
        m_editBefore.reset();
        pushEdit(label, before, mergeKey);
    }
}

void TFormeditor::pushEdit(const QString& label, const Snapshot& before, const QString& mergeKey)
{
    Snapshot after = snapshot();
    if (after.list == before.list && after.font == before.font)
        return;
    if (mergeKey.isEmpty())
        endTypingRun();
    m_undo->push(new EditCommand(this, label, before, std::move(after), mergeKey));
}

// ---------------------------------------------------------------------------------------------------

void TFormeditor::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    initialize();
}

void TFormeditor::initialize()
{
    if (m_initialized)
        return;
    m_initialized = true;
    ApplyProgramMenus();
    m_saved = false;
    const QRect screen = m_screen->availableGeometry();
    int h = std::min(screen.height() - 20, 900);
    const int w = std::min(screen.width() - 20, 1200);
    if (isRowProgram(m_code))
        h = screen.height() * 2 / 3;
    else if (m_code == 401)
        h = screen.height() / 4 + m_menuBar->sizeHint().height() + m_toolBar->sizeHint().height() + 60;
    else if (m_code == 404)
        h = h / 2;
    resize(w, h);
    move(screen.center() - QPoint(w / 2, h / 2));
    m_status[0]->setMinimumWidth(width() / 2);
    m_editorFolder = catalogue::listFolder(m_code);
    ArrangeCards();
    m_startFolder = fsys::folderOf(m_editedFile);
    if (m_startFolder.isEmpty())
        m_startFolder = m_editorFolder;
    LoadIntoEditor();
}

void TFormeditor::ApplyProgramMenus()
{
    const bool taskless = isTaskless(m_code);
    TC_aufgaben->setVisible(!taskless);
    m_addTaskTool->setVisible(!taskless);
    // Undo and redo stay reachable in every program; only the task items go.
    for (const QString& item : {QStringLiteral("Aufgabe hinzufügen"), QStringLiteral("Aufgabe einfügen"),
                                QStringLiteral("Aufgabe löschen")})
        m_actions.value(item)->setVisible(!taskless);
    for (const QString& item : hiddenItems(m_code))
        m_actions.value(item)->setVisible(false);
    const int c = m_code;
    const bool soundOnly = c == 101 || c == 102 || (c >= 301 && c <= 304) || c == 403 || c == 406;
    const bool headingOnly = c >= 201 && c <= 204;
    E_TaskSound->setVisible(!headingOnly);
    SB_TaskSound->setVisible(!headingOnly);
    E_TaskTitel->setVisible(!soundOnly);
    P_Erfolgssound->setVisible(c != 401);
}

void TFormeditor::ArrangeCards()
{
    for (int card = 0; card <= 12; ++card) {
        TFrameEinzelbild* f = m_frames[size_t(card)];
        const bool used = !cardCell(m_code, card).isEmpty();
        f->setVisible(used);
        f->L_Titel->setText(cardTitle(m_code, card));
        if (card == 0 && m_code == 101) {
            f->P_text->hide();
            f->P_sound->hide();
        }
    }
    layoutCards();
}

void TFormeditor::layoutCards()
{
    const QRect area = P_karten->rect();
    for (int card = 0; card <= 12; ++card) {
        const QRectF cell = cardCell(m_code, card);
        if (cell.isEmpty())
            continue;
        m_frames[size_t(card)]->setGeometry(
            QRect(QPoint(qRound(area.width() * cell.left()), qRound(area.height() * cell.top())),
                  QPoint(qRound(area.width() * cell.right()) - 1, qRound(area.height() * cell.bottom()) - 1)));
    }
}

void TFormeditor::LoadIntoEditor()
{
    int n;
    g().defaultElementCount = elementCount();
    {
        // Texts are shown and written exactly as stored.
        const bool before = g().editorActive;
        g().editorActive = true;
        n = LoadTaskList(m_editedFile);
        g().editorActive = before;
    }
    if (n <= 0) {
        m_changed = false;  // nothing of the file is shown, so there is nothing to ask about
        newList();
        return;
    }
    for (TAufgabe& t : g().taskList())
        if (t.elements.size() < size_t(elementCount() + 1))
            t.elements.resize(size_t(elementCount() + 1));
    const int c = m_code;
    const bool heading = c == 101 || c == 102 || (c >= 201 && c <= 204) || c == 305 || (c >= 401 && c <= 408);
    const bool headingSound = c == 101 || c == 102 || (c >= 301 && c <= 305) || (c >= 401 && c <= 408);
    E_TaskTitel->setText(heading ? g().loadedList.layout.heading : QString());
    E_TaskSound->setText(headingSound ? g().loadedList.layout.headingSound : QString());
    updateCaption(true);
    m_shownTask = 0;
    syncTabs();
    updateTaskCount();
    updateColourIcons();
    updateFontCaption();
    ShowTask();
    m_changed = false;
    m_undo->clear();
}

void TFormeditor::syncTabs()
{
    const int n = int(g().taskList().size());
    const QSignalBlocker block(TC_aufgaben);
    while (TC_aufgaben->count() > n)
        TC_aufgaben->removeTab(TC_aufgaben->count() - 1);
    while (TC_aufgaben->count() < n)
        TC_aufgaben->addTab(QString::number(TC_aufgaben->count() + 1));
    if (m_shownTask >= n)
        m_shownTask = std::max(0, n - 1);
    TC_aufgaben->setCurrentIndex(m_shownTask);
}

void TFormeditor::updateTaskCount()
{
    const int n = int(g().taskList().size());
    m_status[1]->setText(isTaskless(m_code) ? QString()
                         : n == 1           ? QStringLiteral("insgesamt  1 Aufgabe")
                                            : QStringLiteral("insgesamt ") + QString::number(n) + QStringLiteral(" Aufgaben"));
}

void TFormeditor::updateCaption(bool upper)
{
    setWindowTitle((upper ? QStringLiteral("EDITOR: ") : QStringLiteral("Editor: ")) +
                   afterBase(g().config.dirs.listen, m_editedFile));
}

void TFormeditor::updateColourIcons()
{
    const TLayout& l = g().loadedList.layout;
    m_actions.value(QStringLiteral("Hintergrundfarbe"))->setIcon(colourIcon(l.backgroundColour));
    m_actions.value(QStringLiteral("Bildhintergrundfarbe"))->setIcon(colourIcon(l.pictureBackgroundColour));
    m_actions.value(QStringLiteral("Knopffarbe"))->setIcon(colourIcon(l.buttonColour));
    m_actions.value(QStringLiteral("BuchstabenMarkierungsFarbe"))->setIcon(colourIcon(l.letterMarkColour));
    m_actions.value(QStringLiteral("BuchstabenPaarFarbe"))->setIcon(colourIcon(l.pairColour));
}

void TFormeditor::updateFontCaption()
{
    QAction* a = m_actions.value(QStringLiteral("Schrift Text"));
    if (g().listFont)
        a->setText(QStringLiteral("Schrift Text: ") + editor::FontLabel(g().listFont->name).left(20));
    else
        a->setText(QStringLiteral("Schrift Text"));
}

void TFormeditor::ShowTask()
{
    TAufgabe* t = currentTask();
    const QColor window = windowColour();
    for (int card = 0; card <= 12; ++card) {
        TFrameEinzelbild* f = m_frames[size_t(card)];
        if (!t || (card > 0 && card > elementCount())) {
            f->Bild->clearPicture();
            f->Label1->clear();
            f->M_Text->clear();
            f->E_sound->clear();
            continue;
        }
        const TEinzelbild& e = card == 0 ? t->headElement : t->elements[size_t(card)];
        const QString path = e.picture.isEmpty() ? QString() : joinedPath(cardFolder(card), e.picture);
        if (!path.isEmpty() && fsys::fileExists(path)) {
            f->Bild->setPicture(fsys::resolve(path), e.layout.pictureSize, window);
            f->Bild->setToolTip(e.picture);
            f->Label1->setText(card == 0 ? QString() : QString::number(e.layout.pictureSize) + QStringLiteral(" %"));
        } else {
            f->Bild->clearPicture();
            f->Label1->clear();
        }
        f->M_Text->setText(e.text);
        f->E_sound->setText(e.sounds);
    }
    if (m_hoveredCard >= 0 && t) {
        const TEinzelbild& e = m_hoveredCard == 0 ? t->headElement : t->elements[size_t(m_hoveredCard)];
        m_status[0]->setText(QStringLiteral("Bild: ") + e.picture);
    }
    E_Erfolgssound->setText(t ? t->successSounds.join(QLatin1Char(';')) : QString());
}

void TFormeditor::selectTask(int index)
{
    endTypingRun();
    m_shownTask = index;
    const bool was = m_changed;
    syncTabs();
    ShowTask();
    m_changed = was;
}

// ---------------------------------------------------------------------------------------------------

void TFormeditor::SetCardPicture(const QString& file, int card)
{
    if (card < 0 || card > 12)
        return;
    TEinzelbild* e = element(card);
    if (!e)
        return;
    const QString ext = fsys::extension(file).toLower();
    const int size = (ext == QLatin1String(".wmf") || ext == QLatin1String(".emf")) ? 90 : 100;
    TFrameEinzelbild* f = m_frames[size_t(card)];
    f->Bild->setPicture(file, size, windowColour());
    const QString name = MakeRelativePath(cardFolder(card), file, false);
    f->Bild->setToolTip(name);
    f->Label1->setText(card == 0 ? QString() : QString::number(size) + QStringLiteral(" %"));
    e->picture = name;
    e->layout.pictureSize = size;
    setChanged();
}

void TFormeditor::AddCardSound(const QString& file, int card)
{
    const Directories& d = g().config.dirs;
    auto append = [](QLineEdit* field, const QString& name) {
        field->setText(field->text().isEmpty() ? name : field->text() + QLatin1Char(';') + name);
    };
    TAufgabe* t = currentTask();
    if (card == -1) {
        append(E_TaskSound, MakeRelativePath(d.anleitungsound, file, false));
        g().loadedList.layout.headingSound = E_TaskSound->text();
        setChanged();
    } else if (card == 0) {
        if (m_code != 404 || !t)
            return;
        append(m_frames[0]->E_sound, MakeRelativePath(d.materialSound, file, false));
        t->headElement.sounds = m_frames[0]->E_sound->text();
        setChanged();
    } else if (card >= 1 && card <= 12) {
        if (!t)
            return;
        const QString name = MakeRelativePath(d.materialSound, file, false);
        QLineEdit* field = m_frames[size_t(card)]->E_sound;
        if (field->text() == name &&
            dialogs::ask(this, QStringLiteral("Sound existiert schon! Trotzdem einfügen?")) != dialogs::Button::Yes)
            return;
        append(field, name);
        element(card)->sounds = field->text();
        setChanged();
    } else if (card == 13) {
        if (!t)
            return;
        append(E_Erfolgssound, MakeRelativePath(d.internsound, file, false));
        SplitText(E_Erfolgssound->text(), t->successSounds, true, QStringLiteral(";"), true);
        setChanged();
    }
}

QString TFormeditor::TextFromFileName(const QString& fileName, int card)
{
    QString text = fsys::baseName(fileName);
    if (text.count(QLatin1Char(' ')) >= 2)
        text += QLatin1Char('.');  // a sentence
    if (card >= 0 && card <= 12) {
        QLineEdit* field = m_frames[size_t(card)]->M_Text;
        if (field->text().trimmed().isEmpty()) {
            if (TEinzelbild* e = element(card)) {
                field->setText(text);
                e->text = text;
                setChanged();
            }
        }
    }
    return text;
}

void TFormeditor::AutoFindSound(const QString& name, int card)
{
    const QString folder = g().config.dirs.materialSound;
    auto tryAll = [&](const QString& base) {
        for (const QString& x : {base, QStringLiteral("der") + base, QStringLiteral("die") + base,
                                 QStringLiteral("das") + base, base + QStringLiteral(" der"), base + QStringLiteral(" die"),
                                 base + QStringLiteral(" das")}) {
            const QString hit = FindSoundFile(x, folder, true);
            if (!hit.isEmpty()) {
                AddCardSound(hit, card);
                return true;
            }
        }
        return false;
    };
    if (tryAll(name))
        return;
    for (const QString& article : {QStringLiteral("der "), QStringLiteral("die "), QStringLiteral("das ")})
        if (name.startsWith(article) && tryAll(name.mid(4)))
            return;
    if (name.size() >= 4)
        for (const QString& article : {QStringLiteral(" der"), QStringLiteral(" die"), QStringLiteral(" das")})
            if (name.endsWith(article) && tryAll(name.left(name.size() - 4)))
                return;
}

void TFormeditor::textFieldLeft(int card)
{
    endTypingRun();
    TAufgabe* t = currentTask();
    if (!t || card < 0 || card > 12)
        return;
    edit(QStringLiteral("Text"), [&] {
        m_activeField = card;
        TFrameEinzelbild* f = m_frames[size_t(card)];
        const QString text = f->M_Text->text();
        (card == 0 ? t->headElement.text : element(card)->text) = text;
        if (f->E_sound->text().isEmpty() && !text.isEmpty()) {
            const QString hit = FindSoundFile(text, g().config.dirs.materialSound, true);
            if (!hit.isEmpty())
                AddCardSound(hit, card);
        }
        if ((m_code == 101 || m_code == 201 || m_code == 203) && f->Bild->isVisibleTo(this) && !text.isEmpty() &&
            !f->Bild->hasPicture()) {
            const QStringList exts = {QStringLiteral(".jpg"), QStringLiteral(".bmp"), QStringLiteral(".wmf"),
                                      QStringLiteral(".emf"), QStringLiteral(".jpeg")};
            for (const QString& x : {text, text + QStringLiteral(" der"), text + QStringLiteral(" die"),
                                     text + QStringLiteral(" das")}) {
                const QString hit = FindMediaFile(x, g().config.dirs.materialBilder, true, exts);
                if (!hit.isEmpty()) {
                    SetCardPicture(hit, card);
                    break;
                }
            }
        }
    });
}

// ---------------------------------------------------------------------------------------------------

void TFormeditor::showInsertDialog(int mode, const QString& searchText)
{
    m_insert->setInsertMode(mode);
    m_insert->setSearchText(searchText);
    if (mode == 0)
        m_insert->setCurrentChoice(afterBase(g().config.dirs.hintergrundbilder, g().loadedList.layout.backgroundPicture));
    QRect bounds = frameGeometry();
    const QRect screen = m_screen->availableGeometry();
    if (bounds.height() < screen.height() / 2) {
        bounds.setTop(screen.top() + screen.height() / 4);
        bounds.setBottom(screen.bottom() - screen.height() / 4);
    }
    m_insert->setBounds(bounds);
    m_insert->showDialog();
}

void TFormeditor::pictureDoubleClicked(int card)
{
    m_activeField = card;
    showInsertDialog(card == 0 && m_code != 404 ? 5 : 2);
}

void TFormeditor::soundFieldDoubleClicked(int card)
{
    if (card == 0 && m_code != 404)
        return;
    m_activeField = card;
    if (card == 13) {
        const QString text = E_Erfolgssound->text();
        const int wav = text.indexOf(QLatin1String(".wav"), 0, Qt::CaseInsensitive);
        showInsertDialog(4, text.isEmpty() ? QString() : fsys::fileName(fsys::fromStored(wav < 0 ? text : text.left(wav))));
        return;
    }
    showInsertDialog(3, m_frames[size_t(card)]->M_Text->text());
}

void TFormeditor::headingSoundDoubleClicked()
{
    m_activeField = -1;
    showInsertDialog(6);
}

void TFormeditor::openBackgroundPicture() { showInsertDialog(0); }

void TFormeditor::recordSound(int card)
{
    if (card == 0 && m_code != 404)
        return;
    TAufgabe* t = currentTask();
    if (card != -1 && !t)
        return;
    endTypingRun();
    const Directories& d = g().config.dirs;
    const QString listName = fsys::baseName(m_editedFile);
    QString word, folder;
    QLineEdit* field = nullptr;
    if (card == -1) {
        word = E_TaskTitel->text().trimmed().isEmpty() ? QStringLiteral("Anleitung ") + listName : E_TaskTitel->text();
        folder = d.anleitungsound;
        field = E_TaskSound;
    } else if (card == 13) {
        word = QStringLiteral("Erfolg ") + listName;
        folder = d.lobSound;
        field = E_Erfolgssound;
    } else {
        word = m_frames[size_t(card)]->M_Text->text();
        folder = d.materialSound;
        field = m_frames[size_t(card)]->E_sound;
    }
    const QString path = editor::RecordWord(this, word, folder);
    if (path.isEmpty())
        return;
    // A new take of a word the field already names only replaced the file.
    for (const QString& name : field->text().split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (fsys::fileName(fsys::fromStored(name)).compare(fsys::fileName(path), Qt::CaseInsensitive) == 0)
            return;
    m_activeField = card;
    edit(QStringLiteral("Aufnahme"), [&] { AddCardSound(path, card); });
}

void TFormeditor::handleInsertReply(const QString& path)
{
    if (!fsys::fileExists(path)) {
        dialogs::showMessage(this, path + QStringLiteral(" kann nicht zugeordnet werden."));
        return;
    }
    const int mode = m_insert->insertMode();
    const QString name = fsys::fileName(path);
    edit(QStringLiteral("Einfügen"), [&] {
        switch (mode) {
        case 0:
            if (hasBackgroundPicture() &&
                dialogs::ask(this, QStringLiteral("Soll das aktuelle Bild/ der aktuelle Film ersetzt werden?")) !=
                    dialogs::Button::Yes)
                return;
            g().loadedList.layout.backgroundPicture = path;
            setChanged();
            break;
        case 5:
            SetCardPicture(path, m_activeField);
            break;
        case 2:
            SetCardPicture(path, m_activeField);
            AutoFindSound(TextFromFileName(name, m_activeField), m_activeField);
            break;
        case 3:
            AddCardSound(path, m_activeField);
            TextFromFileName(name, m_activeField);
            break;
        case 4: AddCardSound(path, 13); break;
        case 6: AddCardSound(path, -1); break;
        default: break;
        }
    });
}

void TFormeditor::hoverCard(int card)
{
    if (card == m_hoveredCard)
        return;
    for (int i = 0; i <= 12; ++i) {
        QPalette p = m_frames[size_t(i)]->Bild->palette();
        p.setColor(QPalette::Window, i == card ? QColor(Qt::white) : palette().color(QPalette::Button));
        m_frames[size_t(i)]->Bild->setPalette(p);
    }
    m_hoveredCard = card;
    const TEinzelbild* e = element(card);
    m_status[0]->setText(QStringLiteral("Bild: ") + (e ? e->picture : QString()));
}

void TFormeditor::deletePicture(int card)
{
    TEinzelbild* e = card >= 0 && card <= 12 ? element(card) : nullptr;
    if (!e)
        return;
    const QString question = card == 0 ? QStringLiteral("Soll das Sammelbild wirklich gelöscht werden?")
                                       : QStringLiteral("Soll das Bild ") + QString::number(card) +
                                             QStringLiteral(" wirklich gelöscht werden?");
    if (dialogs::ask(this, question) != dialogs::Button::Yes)
        return;
    edit(QStringLiteral("Bild löschen"), [&] {
        element(card)->picture.clear();
        m_frames[size_t(card)]->Bild->clearPicture();
        m_status[0]->setText(card == 0 ? QStringLiteral("Sammelbild gelöscht!")
                                       : QStringLiteral("Bild: ") + QString::number(card) + QStringLiteral(" gelöscht!"));
        setChanged();
    });
}

void TFormeditor::changePictureSize(int card)
{
    TEinzelbild* e = card >= 1 && card <= 12 ? element(card) : nullptr;
    if (!e)
        return;
    const QString path = joinedPath(g().config.dirs.materialBilder, e->picture);
    TFormbildgroesse dialog(this, path, e->layout.pictureSize);
    if (dialog.exec() != 1)
        return;
    edit(QStringLiteral("Bildgröße"), [&] {
        TEinzelbild* el = element(card);
        const int size = dialog.size();
        TFrameEinzelbild* f = m_frames[size_t(card)];
        if (size != el->layout.pictureSize) {
            if (fsys::fileExists(path))
                f->Bild->setPicture(fsys::resolve(path), size, windowColour());
            else
                f->Bild->clearPicture();
        }
        el->layout.pictureSize = size;
        f->Label1->setText(QString::number(size) + QStringLiteral(" %"));
        setChanged();
    });
}

void TFormeditor::chooseColour(int which)
{
    TLayout& l = g().loadedList.layout;
    qint32* values[] = {&l.backgroundColour, &l.pictureBackgroundColour, &l.buttonColour, &l.letterMarkColour,
                        &l.pairColour};
    const QColor current = picture::toQColor(*values[which]);
    QColorDialog::setCustomColor(0, current);  // "ColorA"
    const std::optional<QColor> chosen = dialogs::current().chooseColour(this, current);
    if (!chosen)
        return;
    edit(QStringLiteral("Farbe"), [&] {
        TLayout& layout = g().loadedList.layout;
        qint32* v[] = {&layout.backgroundColour, &layout.pictureBackgroundColour, &layout.buttonColour,
                       &layout.letterMarkColour, &layout.pairColour};
        *v[which] = picture::fromQColor(*chosen);
        updateColourIcons();
        setChanged();
    });
}

void TFormeditor::chooseFont()
{
    TFormschriftart dialog(this, g().listFont.value_or(TFont()));
    if (dialog.exec() != 1)
        return;
    edit(QStringLiteral("Schrift"), [&] {
        g().listFont = dialog.font();
        g().loadedList.layout.font = dialog.font();
        updateFontCaption();
        setChanged();
    });
}

void TFormeditor::chooseAnimation()
{
    edit(QStringLiteral("Animation"), [&] {
        TFormAnimationErfolg dialog(this);
        if (dialog.exec() == 1)
            setChanged();
    });
}

void TFormeditor::chooseCardBack()
{
    const Directories& d = g().config.dirs;
    const QString install = g().config.installationDirectory;
    const QString value = fsys::fromStored(g().loadedList.layout.cardBack);
    QString start = d.internRueckseite;
    if (!value.isEmpty() && fsys::fileExists(value))
        start = value;
    else if (!value.isEmpty()) {
        for (const QString& base : {d.internBilder, d.internRueckseite, install})
            if (fsys::fileExists(base + value)) {
                start = base + value;
                break;
            }
    }
    TFormBildAuswahl dialog(this, start, QStringLiteral("Rückseite"));
    if (dialog.exec() != 1)
        return;
    edit(QStringLiteral("Rückseite"), [&] {
        QString rel = MakeRelativePath(d.internRueckseite, dialog.picture(), false);
        if (rel.contains(install, Qt::CaseInsensitive))
            rel = MakeRelativePath(install, dialog.picture(), false);
        g().loadedList.layout.cardBack = rel;
        setChanged();
    });
}

void TFormeditor::chooseInstructionPicture()
{
    const QString folder = g().config.dirs.internBilder;
    const QString value = fsys::fromStored(g().loadedList.layout.instructionPicture);
    QString start;
    if (!value.isEmpty() && fsys::fileExists(value))
        start = value;
    else if (!value.isEmpty() && fsys::fileExists(folder + value))
        start = folder + value;
    TFormBildAuswahl dialog(this, start, QStringLiteral("Bild Anleitung"));
    if (dialog.exec() != 1)
        return;
    edit(QStringLiteral("Bild für Anleitung"), [&] {
        g().loadedList.layout.instructionPicture = MakeRelativePath(folder, dialog.picture(), false);
        setChanged();
    });
}

void TFormeditor::playField(int card)
{
    const Directories& d = g().config.dirs;
    QString text, folder;
    if (card == -1) {
        text = E_TaskSound->text();
        folder = d.anleitungsound;
    } else if (card == 13) {
        text = E_Erfolgssound->text();
        folder = d.internsound;
    } else if (card >= 0 && card <= 12) {
        text = m_frames[size_t(card)]->E_sound->text();
        folder = d.materialSound;
    } else {
        return;
    }
    QStringList names;
    if (m_code == 406 && card >= 0 && card <= 12) {
        for (const QString& part : text.split(QLatin1Char('#'))) {
            if (part.contains(QLatin1Char(';')))
                names << part.split(QLatin1Char(';'), Qt::SkipEmptyParts);
            else
                names << part;
        }
    } else {
        SplitText(text, names, true, QStringLiteral(";"), true);
    }
    for (const QString& n : names) {
        if (n.trimmed().isEmpty())
            continue;
        const QString file = joinedPath(folder, n);
        if (fsys::fileExists(file))
            m_player->Play(fsys::resolve(file), true, false, true);
    }
}

// ---------------------------------------------------------------------------------------------------

void TFormeditor::addTask()
{
    if (isTaskless(m_code))
        return;
    endTypingRun();
    edit(QStringLiteral("Aufgabe hinzufügen"), [&] {
        g().taskList().push_back(newTask());
        m_shownTask = int(g().taskList().size()) - 1;
        syncTabs();
        updateTaskCount();
        ShowTask();
        setChanged();
    });
}

void TFormeditor::insertTask()
{
    if (isTaskless(m_code) || !currentTask())
        return;
    endTypingRun();
    edit(QStringLiteral("Aufgabe einfügen"), [&] {
        auto& tasks = g().taskList();
        TAufgabe empty = tasks[size_t(m_shownTask)];
        // The new task keeps the picture sizes of the one it pushes on.
        empty.successSounds.clear();
        for (TEinzelbild* e : [&] {
                 std::vector<TEinzelbild*> all{&empty.headElement};
                 for (TEinzelbild& x : empty.elements)
                     all.push_back(&x);
                 return all;
             }()) {
            e->picture.clear();
            e->text.clear();
            e->sounds.clear();
        }
        tasks.insert(tasks.begin() + m_shownTask, empty);
        syncTabs();
        updateTaskCount();
        ShowTask();
        setChanged();
    });
}

int TFormeditor::RemoveTask(int index)
{
    auto& tasks = g().taskList();
    if (index < 0 || size_t(index) >= tasks.size())
        return m_shownTask;
    tasks.erase(tasks.begin() + index);
    if (tasks.empty())
        tasks.push_back(newTask());
    return std::min(index, int(tasks.size()) - 1);
}

void TFormeditor::deleteTask()
{
    if (isTaskless(m_code))
        return;
    endTypingRun();
    edit(QStringLiteral("Aufgabe löschen"), [&] {
        m_shownTask = RemoveTask(m_shownTask);
        syncTabs();
        updateTaskCount();
        ShowTask();
        setChanged();
    });
}

// ---------------------------------------------------------------------------------------------------

// The loader holds the background picture as the folder joined with the stored name, so a list
// without one holds the folder itself.
bool TFormeditor::hasBackgroundPicture() const
{
    const QString p = g().loadedList.layout.backgroundPicture;
    if (p.isEmpty() || p.endsWith(QLatin1Char('/')))
        return false;
    return fsys::withSlash(p).compare(fsys::withSlash(g().config.dirs.internBilder), Qt::CaseInsensitive) != 0;
}

bool TFormeditor::askSaveBeforeLosing(bool withCancel)
{
    QList<dialogs::Button> buttons = {dialogs::Button::Yes, dialogs::Button::No};
    if (withCancel)
        buttons << dialogs::Button::Cancel;
    const dialogs::Button b = dialogs::ask(this, QStringLiteral("Soll die Datei gespeichert werden?"), buttons);
    if (b == dialogs::Button::No)
        return true;
    if (b != dialogs::Button::Yes)
        return false;
    saveList();
    // A save that was cancelled or failed keeps the edits on screen.
    return !m_changed;
}

void TFormeditor::newList()
{
    if (m_changed && !askSaveBeforeLosing(true))
        return;
    m_editedFile = kUntitled;
    g().taskList().clear();
    TLayout layout = newListLayout();
    if (m_code == 401) {
        layout.heading = E_TaskTitel->text();
        layout.headingSound = E_TaskSound->text();
    }
    g().loadedList.layout = layout;
    g().listFont = layout.font;
    updateCaption(true);
    g().taskList().push_back(newTask());
    m_shownTask = 0;
    syncTabs();
    updateTaskCount();
    updateColourIcons();
    updateFontCaption();
    if (m_code != 401) {
        E_TaskTitel->clear();
        E_TaskSound->clear();
    }
    ShowTask();
    m_changed = m_code == 401;
    m_undo->clear();
}

void TFormeditor::openList()
{
    if (m_changed && !askSaveBeforeLosing(true))
        return;
    const QString dir = fsys::fileExists(m_editedFile) ? m_editedFile : m_startFolder;
    const QString file = dialogs::current().openFile(this, QStringLiteral("Öffnen"), dir,
                                                     QStringLiteral("Textdateien (*.txt *.TXT)"));
    if (file.isEmpty())
        return;
    // A file without a valid task is not taken: the list shown stays, with its own name, so a
    // later save can never write it over the file that could not be read.
    TDaten probe;
    g().defaultElementCount = elementCount();
    if (LoadTaskListInto(file, probe) <= 0) {
        dialogs::warning(this, QStringLiteral("Die Datei ") + QDir::toNativeSeparators(file) +
                                   QStringLiteral(" enthält keine gültigen Daten und wird nicht geöffnet."));
        return;
    }
    m_editedFile = file;
    m_saved = false;
    LoadIntoEditor();
}

void TFormeditor::saveList()
{
    // A field being edited is stored first.
    if (QWidget* f = QApplication::focusWidget(); f && isAncestorOf(f))
        f->clearFocus();
    endTypingRun();
    if (fsys::fileName(m_editedFile).compare(kUntitled, Qt::CaseInsensitive) == 0)
        saveListAs();
    else
        WriteTaskList();
}

void TFormeditor::saveListAs()
{
    QString file = dialogs::current().saveFile(this, QStringLiteral("Speichern unter..."),
                                               m_startFolder + fsys::fileName(m_editedFile),
                                               QStringLiteral("Textdateien (*.txt *.TXT)"));
    if (file.isEmpty())
        return;
    if (fsys::extension(file).compare(QLatin1String(".txt"), Qt::CaseInsensitive) != 0)
        file += QStringLiteral(".txt");
    if (const QString problem = editor::ListNameProblem(file); !problem.isEmpty()) {
        dialogs::warning(this, problem);
        return;
    }
    const QString previous = m_editedFile;
    m_editedFile = file;
    if (!WriteTaskList()) {
        m_editedFile = previous;  // the list keeps the name it had; the error was shown
        return;
    }
    updateCaption(false);
}

bool TFormeditor::WriteTaskList()
{
    g().loadedList.layout.font = g().listFont;
    if (!SaveTaskList(m_editedFile, g().loadedList, m_code, elementCount()))
        return false;  // the message is shown; the edits stay
    m_saved = true;
    m_changed = false;
    return true;
}

// ---------------------------------------------------------------------------------------------------

void TFormeditor::reject() { close(); }

void TFormeditor::closeEvent(QCloseEvent* e)
{
    if (m_changed && dialogs::ask(this, QStringLiteral("Soll die Datei gespeichert werden?")) == dialogs::Button::Yes) {
        saveList();
        if (m_changed) {
            e->ignore();  // not saved: the window stays with the edits
            return;
        }
    }
    m_player->CloseAll();
    m_insert->hide();
    g().editorActive = false;
    e->accept();
    QDialog::reject();
}

void TFormeditor::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::ActivationChange)
        g().editorActive = isActiveWindow();
    QDialog::changeEvent(e);
}

void TFormeditor::keyPressEvent(QKeyEvent* e)
{
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && m_hoveredCard >= 1 && m_hoveredCard <= 12) {
        TFrameEinzelbild* f = m_frames[size_t(m_hoveredCard)];
        if (!f->Bild->hasPicture())
            pictureDoubleClicked(m_hoveredCard);
        else if (f->E_sound->text().isEmpty())
            soundFieldDoubleClicked(m_hoveredCard);
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        return;  // no default button
    QDialog::keyPressEvent(e);
}

bool TFormeditor::eventFilter(QObject* o, QEvent* e)
{
    if (o == P_karten && e->type() == QEvent::Resize) {
        layoutCards();
        return false;
    }
    auto* field = qobject_cast<QLineEdit*>(o);
    if (!field)
        return QDialog::eventFilter(o, e);
    if (e->type() == QEvent::ShortcutOverride) {
        // Ctrl+Z and Ctrl+Y undo whole edits, not the line edit's own steps.
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->modifiers() & Qt::ControlModifier && (k->key() == Qt::Key_Z || k->key() == Qt::Key_Y))
            return true;
    }
    const QVariant cardValue = field->property("card");
    const int card = cardValue.isValid() ? cardValue.toInt() : -100;
    const bool textField = card >= 0 && field == m_frames[size_t(card)]->M_Text;
    switch (e->type()) {
    case QEvent::MouseButtonDblClick:
        if (field == E_Erfolgssound) {
            soundFieldDoubleClicked(13);
            return true;
        }
        if (field == E_TaskSound) {
            headingSoundDoubleClicked();
            return true;
        }
        if (card >= 0 && !textField) {
            soundFieldDoubleClicked(card);
            return true;
        }
        break;
    case QEvent::FocusIn:
        if (textField) {
            QPalette p = field->palette();
            p.setColor(QPalette::Base, QApplication::palette().color(QPalette::ToolTipBase));
            field->setPalette(p);
        }
        break;
    case QEvent::FocusOut:
        endTypingRun();
        if (textField) {
            field->setPalette(QApplication::palette());
            textFieldLeft(card);
        }
        break;
    default: break;
    }
    return QDialog::eventFilter(o, e);
}

// ---------------------------------------------------------------------------------------------------

namespace editor {

QString RunEditor(QWidget* parent, const QString& file)
{
    TFormeditor w(parent);
    QString f = file;
    if (f.startsWith(QLatin1String("./")))
        f = f.mid(2);
    w.setEditedFile(f);
    w.exec();
    g().editorActive = false;
    return w.saved() ? w.editedFile() : QString();
}

QString ListNameProblem(const QString& path)
{
    const QString name = fsys::fileName(path);
    static const QString forbidden = QStringLiteral("\\:*?\"<>|");
    for (const QChar c : name)
        if (forbidden.contains(c) || c.unicode() < 32)
            return QStringLiteral("Der Name \"") + name +
                   QStringLiteral("\" enthält ein Zeichen, das in Dateinamen nicht erlaubt ist (\\ / : * ? \" < > |). "
                                  "Bitte wählen Sie einen anderen Namen.");
    return QString();
}

void InstallEditorHooks()
{
    chooser::setEditorHook(RunEditor);
    options::setSoundChooser(ChooseMediaFile);
}

} // namespace editor
