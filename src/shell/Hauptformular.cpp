#include "shell/Hauptformular.h"
#include "core/Catalogue.h"
#include "core/Dialogs.h"
#include "core/FileProblems.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "core/SessionEnd.h"
#include "core/MessageHook.h"
#include "media/skin/ScreenScale.h"
#include "media/sound/AudioBackend.h"
#include "results/Klassenuebersicht.h"
#include "options/Options.h"
#include "data/PlayerList.h"
#include "results/Protokolleditor.h"
#include "results/Verlauf.h"
#include "shell/Backdrop.h"
#include "shell/HelpWindow.h"
#include "shell/LongToolTips.h"
#include "shell/MainLayout.h"
#include "shell/MenuButton.h"
#include "shell/ShellPictures.h"
#include "shell/ShellServices.h"
#include "shell/info.h"

#include "Version.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QScopedValueRollback>
#include <QUrl>

namespace {
const int kSilbenanzahl = 406;
const int kStatusBarHeight = 20;

QColor winColour(qint32 c)
{
    // A high byte of FF names a system colour; the button face is the only one the files use.
    if ((quint32(c) >> 24) == 0xFF)
        return QApplication::palette().color(QPalette::Button);
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

void setBackground(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

// The controls carry their form names, so tests and the handler can find them.
template <typename W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QFont comic(int points)
{
    QFont f(QStringLiteral("Comic Sans MS"));
    f.setPointSize(points);
    return f;
}

// The start picture box: shows "Startbild1", and "Startbild2" while the pointer is over it.
class StartPictureBox : public QWidget
{
public:
    using QWidget::QWidget;
    QImage normal, highlighted;
    bool showHighlighted = false;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QImage& img = showHighlighted ? highlighted : normal;
        if (!img.isNull())
            p.drawImage(0, 0, img);
    }
};
}

TFormHauptformular::TFormHauptformular(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(captionWithVersion());
    setMouseTracking(true);
    resize(1200, 900);
}

TFormHauptformular::~TFormHauptformular()
{
    // Closing the window moves the focus out of the combo, which may still report an activation.
    if (CB_spieler)
        CB_spieler->disconnect(this);
    if (m_hooked)
        messagehook::remove(this);
    delete m_backdrop;
}

QString TFormHauptformular::captionWithVersion()
{
    const QString app = QApplication::applicationName().isEmpty() ? QStringLiteral("Kalimo")
                                                                   : QApplication::applicationName();
    return app + QStringLiteral(" - Version %1.%2").arg(KALIMO_VERSION_MAJOR_NUM).arg(KALIMO_VERSION_MINOR_NUM);
}

bool TFormHauptformular::startUp()
{
    QApplication::setApplicationName(QStringLiteral("Kalimo"));
    installLongToolTips();
    dialogs::setHelpHandler(&ShowHelpWindow);
    installation::ReadMainConfiguration(this);
    shellsvc::loadPlayerList();

    const MainConfig& c = g().config;
    setBackground(this, winColour(c.gesamtHGFarbe));

    if (!fsys::fileExists(c.helpFile))
        dialogs::showMessage(this, QStringLiteral("Hilfe-Datei nicht gefunden") + QLatin1Char('\n') + c.helpFile);

    registerFonts();
    setWindowTitle(captionWithVersion());
    for (const QString& d : {c.dirs.material, c.dirs.hilfe, c.dirs.optionen, c.dirs.protokoll, c.dirs.internBilder,
                             c.dirs.spielerbilder})
        fsys::makePath(d);

    createMenu();
    startDrawingFaces(plannedSize());
    createPanels();

    g().programCode = 0;
    shellsvc::readGeneralOptions();

    messagehook::push(this);
    m_hooked = true;

    if (shellsvc::nameChoiceOption()) {
        if (!shellsvc::choosePlayer(this)) {
            removeFonts();
            return false;
        }
        shellsvc::readGeneralOptions();
    }

    m_backdrop = new TFormSTARTBILDSCHIRM();
    m_backdrop->setFrontWindow(this);
    if (const QSize planned = plannedSize(); planned.isValid())
        resize(planned);
    centreOnPointerScreen(this);
    return true;
}

QSize TFormHauptformular::plannedSize() const
{
    // At most 1200 x 900, on the monitor that holds the pointer.
    QScreen* s = QGuiApplication::screenAt(QCursor::pos());
    if (!s)
        s = QGuiApplication::primaryScreen();
    if (!s)
        return QSize();
    return QSize(qMin(s->geometry().width() - 20, 1200), qMin(s->geometry().height() - 20, 900));
}

void TFormHauptformular::startDrawingFaces(const QSize& windowSize)
{
    if (!windowSize.isValid() || m_main.empty())
        return;
    struct Job {
        QSize size;
        QString file, label;
    };
    const MainLayout l = computeMainLayout(windowSize.width(), windowSize.height(), kStatusBarHeight, int(m_main.size()));
    std::vector<Job> jobs;
    for (int gi = 0; gi < int(m_main.size()); ++gi)
        jobs.push_back({l.mainButtons[size_t(gi)].size(), m_main[size_t(gi)].button->topPicture(),
                        QStringLiteral("  %1. %2").arg(gi + 1).arg(m_main[size_t(gi)].button->caption())});
    const QColor bg = palette().color(QPalette::Window);
    const QFont font = comic(30);
    const QString start = g().config.startbild1;
    const QSize startSize = l.startPicture.size();
    // The font database is read once per run; a second worker reads it while the window's own
    // controls are made, and then draws the start picture.
    m_preparedStart = std::async(std::launch::async, [=] {
        QFontDatabase::families();
        return drawStartPicture(start, startSize, 100, bg);
    });
    m_prepared = std::async(std::launch::async, [=] {
        PreparedFaces out;
        out.window = windowSize;
        for (const Job& j : jobs)
            out.faces.push_back(TMenuButton::drawFace(j.size, j.file, j.label, font, false, bg));
        return out;
    });
}

void TFormHauptformular::registerFonts()
{
    for (const QString& f : fsys::list(g().config.dirs.font, QStringLiteral("*.t*"), true, fsys::Entries::Files)) {
        const int id = QFontDatabase::addApplicationFont(f);
        if (id >= 0)
            m_fontIds << id;
    }
}

void TFormHauptformular::removeFonts()
{
    for (int id : m_fontIds)
        QFontDatabase::removeApplicationFont(id);
    m_fontIds.clear();
}

void TFormHauptformular::createPanels()
{
    const QColor panelColour = winColour(g().config.hgFarbe);
    m_startPicture = new StartPictureBox(this);
    m_startPicture->setMouseTracking(true);

    P_spieler = named(new QFrame(this), "P_spieler");
    P_spieler->setFrameShape(QFrame::StyledPanel);
    setBackground(P_spieler, panelColour);
    L_einstellungen = new QLabel(QStringLiteral("&Einstellungen:"), P_spieler);
    QFont bold = L_einstellungen->font();
    bold.setBold(true);
    L_einstellungen->setFont(bold);
    CB_spieler = named(new QComboBox(P_spieler), "CB_spieler");
    CB_spieler->setEditable(true);
    CB_spieler->setInsertPolicy(QComboBox::NoInsert);
    if (auto* list = qobject_cast<QListView*>(CB_spieler->view()))
        list->setUniformItemSizes(true);  // opens at once with a thousand names
    L_einstellungen->setBuddy(CB_spieler);
    // `combo opened` also counts a list opened with the mouse or Alt+Down.
    CB_spieler->view()->window()->installEventFilter(this);
    B_protokoll = named(new QPushButton(QStringLiteral("&Protokoll"), P_spieler), "B_protokoll");
    B_verlauf = named(new QPushButton(QStringLiteral("&Verlauf"), P_spieler), "B_verlauf");
    B_verlauf->setToolTip(QStringLiteral("Der Verlauf aller Durchgänge als Diagramm und Tabelle"));
    ChB_namenwahl = named(new QCheckBox(QStringLiteral("Namenwahl vor Programmstart"), P_spieler), "ChB_namenwahl");
    ChB_hintergrund = named(new QCheckBox(QStringLiteral("Hintergrund verdeckt"), P_spieler), "ChB_hintergrund");

    P_unten = named(new QFrame(this), "P_unten");
    P_unten->setFrameShape(QFrame::StyledPanel);
    setBackground(P_unten, panelColour);
    B_optionen = named(new QPushButton(QStringLiteral("Alle\n&Optionen"), P_unten), "B_optionen");
    B_anleitung = named(new QPushButton(QStringLiteral("&Anleitung"), P_unten), "B_anleitung");
    B_hilfe = named(new QPushButton(QStringLiteral("&Hilfe     "), P_unten), "B_hilfe");
    B_ende = named(new QPushButton(QStringLiteral("&Ende"), P_unten), "B_ende");
    B_uebersicht = named(new QPushButton(QStringLiteral("&Klassen-\nübersicht"), P_unten), "B_uebersicht");
    B_uebersicht->setToolTip(QStringLiteral("Wer hat was geübt, wie ging es? Alle Spieler in einer Tabelle"));

    m_statusBar = new QLabel(this);
    m_statusBar->setFrameShape(QFrame::StyledPanel);
    m_statusBar->setFixedHeight(kStatusBarHeight);

    connect(B_ende, &QPushButton::clicked, this, [this] { CloseRequest(); });
    connect(B_optionen, &QPushButton::clicked, this, &TFormHauptformular::onOptionsClicked);
    connect(B_anleitung, &QPushButton::clicked, this, &TFormHauptformular::onManualClicked);
    connect(B_hilfe, &QPushButton::clicked, this, &TFormHauptformular::onHelpClicked);
    connect(B_uebersicht, &QPushButton::clicked, this, &TFormHauptformular::openClassOverview);
    connect(B_protokoll, &QPushButton::clicked, this, &TFormHauptformular::onProtocolClicked);
    connect(B_verlauf, &QPushButton::clicked, this, &TFormHauptformular::onHistoryClicked);
    connect(ChB_namenwahl, &QCheckBox::clicked, this, &TFormHauptformular::onNameChoiceToggled);
    connect(ChB_hintergrund, &QCheckBox::clicked, this, &TFormHauptformular::onBackdropToggled);
    connect(CB_spieler, qOverload<int>(&QComboBox::activated), this, [this](int i) {
        shellsvc::selectPlayer(CB_spieler->itemText(i));
        CB_spieler->setCurrentText(g().currentPlayer());
    });
    for (QWidget* w : {static_cast<QWidget*>(P_spieler), static_cast<QWidget*>(P_unten)}) {
        w->setMouseTracking(true);
        for (QWidget* c : w->findChildren<QWidget*>())
            c->setMouseTracking(true);
    }
}

void TFormHauptformular::createMenu()
{
    const MainConfig& c = g().config;
    const QColor groupColour = winColour(c.uProgfarbe);
    for (const QString& line : c.menuLines) {
        const bool program = line.startsWith(QStringLiteral("  "));
        const QStringList f = line.trimmed().split(QLatin1Char(';'));
        auto field = [&](int i) { return i < f.size() ? f[i] : QString(); };
        const QString top = field(2).isEmpty() ? QString() : c.dirs.schalterknopf + fsys::fromStored(field(2));
        const QString bottom = field(3).isEmpty() ? QString() : c.dirs.schalterknopf + fsys::fromStored(field(3));
        if (!program || m_main.empty()) {
            MainEntry e;
            e.button = new TMenuButton(field(0), field(1), top, bottom, this);
            const int g = int(m_main.size());
            connect(e.button, &TMenuButton::hovered, this, [this, g] { highlightMain(g); });
            connect(e.button, &TMenuButton::clicked, this, [this, g] {
                if (m_main[g].programs.empty())
                    LaunchProgram(g);
                else
                    OpenGroup(g);
            });
            m_main.push_back(e);
            continue;
        }
        MainEntry& group = m_main.back();
        const int g = int(m_main.size()) - 1;
        if (!group.panel) {
            group.panel = new QFrame(this);
            group.panel->setFrameShape(QFrame::Box);
            setBackground(group.panel, groupColour);
            group.panel->hide();
            group.panel->setMouseTracking(true);
        }
        const int m = int(group.programs.size());
        auto* frame = new QFrame(group.panel);
        frame->setFrameStyle(QFrame::Box | QFrame::Raised);
        frame->setLineWidth(2);
        auto* b = new TMenuButton(field(0), field(1), top, bottom, group.panel);
        b->frame = frame;
        connect(b, &TMenuButton::hovered, this, [this, g, m] { highlightProgram(g, m); });
        connect(b, &TMenuButton::clicked, this, [this, g, m] {
            hideGroups();
            LaunchProgram((g + 1) * 100 + m);
        });
        group.programs.push_back(b);
    }
}

void TFormHauptformular::buildLayout()
{
    if (width() <= 0) {
        dialogs::error(this, QStringLiteral("Der goldene Schnitt kann nicht berechnet werden"));
        return;
    }
    const int statusH = m_statusBar->height();
    const MainLayout l = computeMainLayout(width(), height(), statusH, qMax(1, int(m_main.size())));
    m_margin = l.margin;
    m_statusBar->setGeometry(0, height() - statusH, width(), statusH);

    PreparedFaces prepared;
    if (m_prepared.valid())
        prepared = m_prepared.get();
    const bool usePrepared = prepared.window == size();
    for (int g = 0; g < int(m_main.size()); ++g) {
        TMenuButton* b = m_main[g].button;
        b->setGeometry(l.mainButtons[g]);
        b->buildFaces(QStringLiteral("  %1. %2").arg(g + 1).arg(b->caption()), comic(30), false,
                      palette().color(QPalette::Window),
                      usePrepared && g < int(prepared.faces.size()) ? prepared.faces[size_t(g)] : QImage());
    }
    m_startPicture->setGeometry(l.startPicture);
    P_spieler->setGeometry(l.playerPanel);
    P_unten->setGeometry(l.lowerPanel);
    layoutPanels();

    const int b = B_hilfe->height();
    for (int g = 0; g < int(m_main.size()); ++g) {
        MainEntry& e = m_main[g];
        if (!e.panel)
            continue;
        const QRect r = groupPanelRect(e.button->geometry(), int(e.programs.size()), b, width(), height() - statusH, l.margin);
        e.panel->setGeometry(r);
        for (int j = 0; j < int(e.programs.size()); ++j) {
            const QRect pr = programButtonRect(j, b, r.width());
            e.programs[j]->frame->setGeometry(pr);
            e.programs[j]->setGeometry(pr.adjusted(2, 2, -2, -2));
        }
        e.facesBuilt = false;
        if (e.panel->isVisible())
            buildGroupFaces(g);
    }
    auto* box = static_cast<StartPictureBox*>(m_startPicture);
    const QImage preparedStart = m_preparedStart.valid() ? m_preparedStart.get() : QImage();
    box->normal = usePrepared && preparedStart.size() == box->size()
                      ? preparedStart
                      : drawStartPicture(g().config.startbild1, box->size(), 100, palette().color(QPalette::Window));
    box->highlighted = QImage();  // drawn when the pointer first comes over it
    box->update();
    m_builtFor = size();
}

void TFormHauptformular::buildGroupFaces(int gi)
{
    // Group faces are drawn when the group first opens: start-up draws only what it shows.
    MainEntry& e = m_main[gi];
    if (e.facesBuilt || !e.panel)
        return;
    for (int j = 0; j < int(e.programs.size()); ++j)
        e.programs[j]->buildFaces(QStringLiteral("  %1. %2").arg(j + 1).arg(e.programs[j]->caption()), comic(20), true,
                                  e.panel->palette().color(QPalette::Window));
    e.facesBuilt = true;
}

void TFormHauptformular::layoutPanels()
{
    // Player panel: label and combo on top, the protocol button below the combo, then the two boxes.
    const int pw = P_spieler->width(), ph = P_spieler->height();
    const int pad = 8;
    // The panels' text grows with the window, as the menu beside it does.
    QFont text = font();
    text.setPixelSize(qBound(12, height() / 42, 24));
    P_spieler->setFont(text);
    P_unten->setFont(text);
    text.setBold(true);
    L_einstellungen->setFont(text);
    const int labelW = L_einstellungen->sizeHint().width();
    const int rowH = qMax(CB_spieler->sizeHint().height(), ph / 6);
    L_einstellungen->setGeometry(pad, pad, labelW, rowH);
    CB_spieler->setGeometry(pad * 2 + labelW, pad, pw - labelW - 3 * pad, rowH);
    // "Protokoll" and "Verlauf" share the row under the combo.
    const int protocolW = (CB_spieler->width() - pad) * 3 / 5;
    B_protokoll->setGeometry(CB_spieler->x(), pad * 2 + rowH, protocolW, rowH);
    B_verlauf->setGeometry(CB_spieler->x() + protocolW + pad, pad * 2 + rowH, CB_spieler->width() - protocolW - pad, rowH);
    const int restTop = B_protokoll->geometry().bottom() + 1;
    const int slot = (ph - restTop) / 2;
    ChB_namenwahl->setGeometry(pad, restTop + (slot - rowH) / 2, pw - 2 * pad, rowH);
    ChB_hintergrund->setGeometry(pad, restTop + slot + (slot - rowH) / 2, pw - 2 * pad, rowH);

    // Lower panel: three buttons stacked on the left, "Ende" as high as the three on the right.
    QScreen* s = screen();
    B_optionen->setText(optionsButtonCaption(s ? s->geometry().height() : 0));
    const int lw = P_unten->width(), lh = P_unten->height();
    const int bh = (lh - 4 * 5) / 3;
    const int bw = lw / 2 - 5;
    B_optionen->setGeometry(5, 5, bw, bh);
    B_anleitung->setGeometry(5, 10 + bh, bw, bh);
    B_hilfe->setGeometry(5, 15 + 2 * bh, bw, bh);
    // Right: the class overview over "Ende", which keeps two rows.
    B_uebersicht->setGeometry(lw / 2 + 5, 5, lw - lw / 2 - 10, bh);
    B_ende->setGeometry(lw / 2 + 5, 10 + bh, lw - lw / 2 - 10, 2 * bh + 5);
}

void TFormHauptformular::fillPlayerCombo()
{
    QStringList names = g().playerList;
    names.sort(Qt::CaseInsensitive);
    names << QStringLiteral(" ");
    // A school has hundreds of players: the list is made anew only when it changed.
    bool same = CB_spieler->count() == names.size();
    for (int i = 0; same && i < names.size(); ++i)
        same = CB_spieler->itemText(i) == names[i];
    if (!same) {
        CB_spieler->clear();
        CB_spieler->addItems(names);
    }
    CB_spieler->setCurrentText(g().currentPlayer());
}

void TFormHauptformular::firstActivation()
{
    m_activated = true;
    // The backdrop comes up right after the window's first paint, behind it: the menu is on the
    // screen without waiting for a second, monitor-sized window.
    QTimer::singleShot(0, this, [this] {
        if (!m_backdrop || m_closing)
            return;
        m_backdrop->coverScreenOf(frameGeometry().center());
        if (shellsvc::backdropOption()) {
            m_backdrop->show();
            m_backdrop->lower();
            raise();
            activateWindow();
        }
    });
    // A listening trainer without sound must say so; the output is opened once the window shows.
    QTimer::singleShot(0, this, [this] {
        if (!m_closing)
            audio::checkOutput(this);
    });
    raise();
    activateWindow();
    fillPlayerCombo();
    ChB_namenwahl->setChecked(shellsvc::nameChoiceOption());
    ChB_hintergrund->setChecked(shellsvc::backdropOption());
    CB_spieler->setFocus();
    setStartPicture(false);
}

void TFormHauptformular::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (m_builtFor != size())
        buildLayout();
    if (!m_activated)
        firstActivation();
}

void TFormHauptformular::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && m_activated) {
        // Built again on every activation; the faces only when the size changed.
        if (m_builtFor != size())
            buildLayout();
        else
            layoutPanels();
    }
}

void TFormHauptformular::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (isVisible())
        buildLayout();
}

TMenuButton* TFormHauptformular::mainButton(int g) const
{
    return g >= 0 && g < int(m_main.size()) ? m_main[g].button : nullptr;
}

TMenuButton* TFormHauptformular::programButton(int g, int m) const
{
    if (g < 0 || g >= int(m_main.size()) || m < 0 || m >= int(m_main[g].programs.size()))
        return nullptr;
    return m_main[g].programs[m];
}

QFrame* TFormHauptformular::groupPanel(int g) const
{
    return g >= 0 && g < int(m_main.size()) ? m_main[g].panel : nullptr;
}

int TFormHauptformular::openGroup() const
{
    for (int g = 0; g < int(m_main.size()); ++g)
        if (m_main[g].panel && m_main[g].panel->isVisible())
            return g;
    return -1;
}

void TFormHauptformular::hideGroups()
{
    for (MainEntry& e : m_main)
        if (e.panel)
            e.panel->hide();
}

void TFormHauptformular::playButtonSound(const QString& file)
{
    if (shellsvc::buttonSoundOption() && fsys::fileExists(file))
        shellsvc::playFile(file);
}

void TFormHauptformular::highlightMain(int gi)
{
    if (m_selection == gi && m_main[gi].button->isHighlighted())
        return;
    hideGroups();
    playButtonSound(g().config.schaltersound);
    m_selection = gi;
    for (int i = 0; i < int(m_main.size()); ++i)
        m_main[i].button->setHighlighted(i == gi);
}

void TFormHauptformular::highlightProgram(int gi, int m, bool withSound)
{
    const int sel = (gi + 1) * 100 + m;
    if (m_selection == sel)
        return;
    if (withSound)
        playButtonSound(g().config.uSchaltersound);
    m_selection = sel;
    for (int j = 0; j < int(m_main[gi].programs.size()); ++j)
        m_main[gi].programs[j]->setHighlighted(j == m);
}

void TFormHauptformular::OpenGroup(int g)
{
    if (g < 0 || g >= int(m_main.size()) || !m_main[g].panel)
        return;
    for (int i = 0; i < int(m_main.size()); ++i)
        if (i != g && m_main[i].panel)
            m_main[i].panel->hide();
    m_selection = (g + 1) * 100;
    buildGroupFaces(g);
    m_main[g].panel->show();
    m_main[g].panel->raise();
    for (int j = 0; j < int(m_main[g].programs.size()); ++j)
        m_main[g].programs[j]->setHighlighted(j == 0);
}

bool TFormHauptformular::holdsLock() const { return shellsvc::holdsLock(); }

bool TFormHauptformular::backdropVisible() const { return m_backdrop && m_backdrop->isVisible(); }

void TFormHauptformular::LaunchProgram(int selection)
{
    if (!shellsvc::holdsLock() && !shellsvc::acquireLock()) {
        if (!shellsvc::lockCancelled())  // the player list stayed busy: nobody else uses the player
            shellsvc::showLockNotice(this);
        return;
    }
    TMenuButton* b = selection >= 100 ? programButton(selection / 100 - 1, selection % 100) : mainButton(selection);
    if (!b || b->formular().trimmed().isEmpty())
        return;
    const int code = catalogue::programCodeFor(b->formular(), b->caption());
    g().programCode = code;
    shellsvc::readProgramOptions(code);
    const int result = openProgramWindow(code, b->caption(), catalogue::listFolder(code));
    // The syllable count reports a task it could not use as 100 + its number.
    if (code == kSilbenanzahl && result > 100) {
        shellsvc::beep();
        dialogs::showMessage(this, QStringLiteral("Programm SILBENANZAHL\nAufgabe %1 der aktuellen Datei enthält "
                                                  "unvollständigen Daten. Bitte korrigieren.")
                                       .arg(result - 100));
    }
    shellsvc::stopNoise();
    if (QWidget* f = QApplication::focusWidget())
        f->clearFocus();
    g().programCode = 0;
}

namespace {
TFormHauptformular::ProgramLauncher& programLauncher()
{
    static TFormHauptformular::ProgramLauncher launcher;
    return launcher;
}
} // namespace

void TFormHauptformular::setProgramLauncher(ProgramLauncher launcher) { programLauncher() = std::move(launcher); }

int TFormHauptformular::openProgramWindow(int code, const QString& caption, const QString& listFolder)
{
    if (programLauncher()) {
        const int result = programLauncher()(this, code, listFolder);
        if (result >= 0)
            return result;
    }
    dialogs::showMessage(this, QStringLiteral("Das Programm \"") + caption.trimmed()
                                   + QStringLiteral("\" ist in dieser Version noch nicht installiert."));
    return 0;
}

void TFormHauptformular::confirmCombo()
{
    // The new-player question takes the focus from the combo; that is no second leaving of it.
    if (m_confirming)
        return;
    const QScopedValueRollback<bool> busy(m_confirming, true);
    m_typingInCombo = false;
    const QString shown = shellsvc::confirmPlayerCombo(CB_spieler->currentText());
    fillPlayerCombo();
    CB_spieler->setCurrentText(shown);
    m_comboOpened = false;
    if (QWidget* f = QApplication::focusWidget(); f && isAncestorOf(f))
        f->clearFocus();
}

bool TFormHauptformular::CloseRequest()
{
    if (m_closing)
        return true;
    if (m_activated)
        confirmCombo();
    if (dialogs::ask(this, QStringLiteral("Soll das Programm wirklich beendet werden?"),
                     {dialogs::Button::Yes, dialogs::Button::No})
        != dialogs::Button::Yes)
        return false;
    shellsvc::writeLastPlayer();
    // At the end of the desktop session nobody listens, and the program must be gone at once.
    if (!session::ending())
        shellsvc::playAcousticEvent(QStringLiteral("Programmende"));
    m_closing = true;
    close();
    return true;
}

void TFormHauptformular::closeEvent(QCloseEvent* e)
{
    if (!m_closing && !CloseRequest()) {
        e->ignore();
        return;
    }
    shellsvc::stopNoise();
    shellsvc::writeGeneralOptions();
    shellsvc::releaseLock();
    if (m_hooked) {
        messagehook::remove(this);
        m_hooked = false;
    }
    if (m_backdrop)
        m_backdrop->hide();
    removeFonts();
    e->accept();
}

void TFormHauptformular::setStartPicture(bool highlighted)
{
    auto* box = static_cast<StartPictureBox*>(m_startPicture);
    if (box->showHighlighted == highlighted)
        return;
    if (highlighted && box->highlighted.isNull())
        box->highlighted = drawStartPicture(g().config.startbild2, box->size(), 200, palette().color(QPalette::Window));
    box->showHighlighted = highlighted;
    box->update();
}

void TFormHauptformular::onOptionsClicked()
{
    // "Abbrechen" in the dialog undoes whatever it saved meanwhile: the file is put back as it was.
    const QString file = shellsvc::generalOptionsFile();
    fsys::ReadResult read;
    const std::optional<QByteArray> saved = fsys::readFile(file, -1, &read);
    bool accepted;
    {
        messagehook::Suspend suspend;
        accepted = openAllOptionsDialog(frameGeometry().topLeft());
    }
    if (accepted)
        return;
    // A file that could not be read was not changed by the dialog either: it stays as it is.
    if (saved) {
        if (!fsys::writeFileAtomic(file, *saved))
            fileproblems::reportUnwritable(this, file);
    } else if (read == fsys::ReadResult::Missing) {
        fsys::removeFile(file);
    }
    shellsvc::readGeneralOptions();
}

bool TFormHauptformular::openAllOptionsDialog(const QPoint& topLeft)
{
    return options::ShowAllOptionsDialog(this, topLeft);
}

void TFormHauptformular::openProtocolViewer(const QString& file)
{
    TFormProtokolleditor viewer(file, this);
    viewer.exec();
}

void TFormHauptformular::openClassOverview() { overview::ShowClassOverview(this); }

void TFormHauptformular::onManualClicked()
{
    const QString manual = g().config.manualFile;
    if (!fsys::fileExists(manual) || !QDesktopServices::openUrl(QUrl::fromLocalFile(fsys::resolve(manual))))
        shellsvc::beep();
}

void TFormHauptformular::onHelpClicked() { ShowHelpWindow(this, 0); }

void TFormHauptformular::onProtocolClicked()
{
    const QString file = g().config.dirs.protokoll + g().currentPlayer() + QStringLiteral(".prt");
    if (!fsys::fileExists(file)) {
        dialogs::error(this, QStringLiteral("Für den ausgewählten Nutzer gibt es keine Protokolldatei"));
        return;
    }
    openProtocolViewer(file);
}

void TFormHauptformular::openHistoryView(const QString& historyFile, const QString& player)
{
    TFormVerlauf view(historyFile, player, this);
    view.exec();
}

void TFormHauptformular::onHistoryClicked()
{
    const QString player = g().currentPlayer().trimmed();
    if (player.isEmpty()) {
        dialogs::error(this, QStringLiteral("Bitte wählen Sie zuerst einen Namen aus."));
        return;
    }
    openHistoryView(playerHistoryFile(player), player);
}

void TFormHauptformular::onNameChoiceToggled(bool on)
{
    shellsvc::setNameChoiceOption(on);
    shellsvc::writeGeneralOptions();
}

void TFormHauptformular::onBackdropToggled(bool on)
{
    shellsvc::setBackdropOption(on);
    if (m_backdrop) {
        m_backdrop->setVisible(on);
        if (on) {
            m_backdrop->lower();
            raise();
        }
    }
    shellsvc::writeGeneralOptions();
}

bool TFormHauptformular::belongsToMe(QObject* o) const
{
    // The main window and its controls, with the player combo's drop-down list; never the
    // dialogs and windows opened from it, which handle their own keys.
    for (auto* w = qobject_cast<QWidget*>(o); w; w = w->parentWidget()) {
        if (w == CB_spieler)
            return true;
        if (w->isWindow())
            return w == this;
    }
    return false;
}

bool TFormHauptformular::comboTextListed() const
{
    return CB_spieler->findText(CB_spieler->currentText(), Qt::MatchFixedString | Qt::MatchCaseSensitive) >= 0;
}

bool TFormHauptformular::handleComboKey(QKeyEvent* k)
{
    const bool open = CB_spieler->view() && CB_spieler->view()->isVisible();
    switch (k->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (open)
            return false;
        if (m_comboOpened)
            confirmCombo();
        else {
            CB_spieler->showPopup();
            m_comboOpened = true;
        }
        return true;
    case Qt::Key_Up:
        if (!open) {
            CB_spieler->showPopup();
            m_comboOpened = true;
        } else if (CB_spieler->currentText() == CB_spieler->itemText(0)) {
            CB_spieler->hidePopup();
        } else {
            return false;
        }
        return true;
    case Qt::Key_Down:
        if (open)
            return false;
        if (m_comboOpened) {
            confirmCombo();
            B_optionen->setFocus();
        } else {
            CB_spieler->showPopup();
            m_comboOpened = true;
        }
        return true;
    case Qt::Key_Delete:
        shellsvc::deleteCurrentPlayer(CB_spieler->currentText());
        fillPlayerCombo();
        return true;
    default:
        return false;
    }
}

bool TFormHauptformular::eventFilter(QObject* watched, QEvent* event)
{
    if (CB_spieler && event->type() == QEvent::Show && watched == CB_spieler->view()->window()) {
        m_comboOpened = true;
        // A typed name that is not listed leaves the list without a current entry, so that Enter
        // in it cannot put the first player in place of the typed name.
        if (!comboTextListed()) {
            CB_spieler->view()->selectionModel()->clear();
            CB_spieler->view()->setCurrentIndex(QModelIndex());
        }
    }
    if (CB_spieler && event->type() == QEvent::KeyPress &&
        (watched == CB_spieler->view() || watched == CB_spieler->view()->viewport())) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !CB_spieler->view()->currentIndex().isValid()) {
            CB_spieler->hidePopup();  // the list closes and the typed name stays
            return true;
        }
    }
    if (!belongsToMe(watched))
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Escape) {
            if (openGroup() >= 0)
                hideGroups();
            else
                CloseRequest();
            return true;
        }
        QWidget* fw = QApplication::focusWidget();
        const int key = k->key();
        const bool groupKey = key >= Qt::Key_1 && key <= Qt::Key_4;
        // The box has the focus from start-up on; the digits and an open group's keys are the
        // menu's until an adult clicks into the box to type a name.
        const bool forCombo = m_typingInCombo || (!groupKey && openGroup() < 0);
        if (fw && (fw == CB_spieler || CB_spieler->isAncestorOf(fw)) && forCombo) {
            if (handleComboKey(k))
                return true;
            // Typing a name is for an adult who clicked or tabbed into the box, not a child's keys.
            const bool edits = key == Qt::Key_Backspace || (!k->text().isEmpty() && k->text().at(0).isPrint());
            if (edits && !m_typingInCombo)
                return true;
            break;
        }
        if (key >= Qt::Key_1 && key <= Qt::Key_4) {
            const int g = key - Qt::Key_1;
            if (g < int(m_main.size()) && !m_main[g].programs.empty() && !m_main[g].panel->isVisible()) {
                hideGroups();
                OpenGroup(g);
            }
            return true;
        }
        const int open = openGroup();
        if (open >= 0 && (key == Qt::Key_Up || key == Qt::Key_Down)) {
            const int n = int(m_main[open].programs.size());
            int m = m_selection >= 100 && m_selection / 100 - 1 == open ? m_selection % 100 : 0;
            m = key == Qt::Key_Down ? (m + 1) % n : (m + n - 1) % n;
            highlightProgram(open, m, false);
            return true;
        }
        if (open >= 0 && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            hideGroups();
            if (m_selection >= 100)
                LaunchProgram(m_selection);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::RightButton) {
            TForminfo info(this);
            info.exec();
            return true;
        }
        if (me->button() == Qt::LeftButton) {
            if (auto* w = qobject_cast<QWidget*>(watched); w && (w == CB_spieler || CB_spieler->isAncestorOf(w)))
                m_typingInCombo = true;
            const int open = openGroup();
            if (open >= 0) {
                QWidget* panel = m_main[open].panel;
                if (!panel->rect().contains(panel->mapFromGlobal(me->globalPosition().toPoint())))
                    panel->hide();
            }
        }
        break;
    }
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint p = m_startPicture->mapFromGlobal(me->globalPosition().toPoint());
        setStartPicture(m_startPicture->rect().contains(p));
        break;
    }
    case QEvent::FocusIn: {
        // Focus coming back from the combo's own list is not a new visit of the combo.
        const bool fromList = static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason;
        if (watched == CB_spieler || watched == B_optionen || watched == B_hilfe || watched == B_anleitung)
            m_selection = 0;
        if (watched == CB_spieler && !fromList)
            m_comboOpened = false;
        if (watched == CB_spieler && (static_cast<QFocusEvent*>(event)->reason() == Qt::TabFocusReason ||
                                      static_cast<QFocusEvent*>(event)->reason() == Qt::BacktabFocusReason))
            m_typingInCombo = true;
        break;
    }
    case QEvent::FocusOut: {
        // Leaving the box confirms it; the list opening or another window (a question, a dialog)
        // coming to the front is no leaving.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool away = reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
        if (watched == CB_spieler && away && !(CB_spieler->view() && CB_spieler->view()->isVisible()) &&
            !m_closing && m_activated)
            confirmCombo();
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
