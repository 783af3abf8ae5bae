#include "options/O_alle.h"
#include "options/Options.h"

#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/TextUtil.h"
#include "data/PlayerOptions.h"
#include "media/skin/Meldung.h"
#include "media/skin/ScreenScale.h"
#include "media/sound/AudioBackend.h"
#include "media/sound/TWAV.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHideEvent>
#include <QShowEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QVBoxLayout>

namespace options {

namespace {

SoundChooser& chooser()
{
    static SoundChooser c;
    return c;
}

QString soundPath(const QString& folder, const QString& name)
{
    const QString n = fsys::fromStored(name.trimmed());
    return QDir::isAbsolutePath(n) ? n : folder + n;
}

QStringList splitList(const QString& text, bool unique)
{
    QStringList out;
    SplitText(fsys::fromStored(text), out, true, QStringLiteral(";"), unique);
    return out;
}

// The folder the insertion dialog opens for a mode when no dialog of the editor is installed.
QString folderOfMode(int mode)
{
    const auto& d = g().config.dirs;
    switch (mode) {
    case 7: return d.fehlersound;
    case 9: return fsys::withSlash(d.lobSound + QStringLiteral("Wort"));
    case 10: return fsys::withSlash(d.lobSound + QStringLiteral("Geräusch"));
    default: return d.lobSound;
    }
}

} // namespace

void setSoundChooser(SoundChooser c) { chooser() = std::move(c); }

QString chooseSoundFile(QWidget* owner, int insertMode, const QString& searchText)
{
    if (chooser())
        return chooser()(owner, insertMode, searchText);
    QString folder = folderOfMode(insertMode);
    if (!fsys::dirExists(folder))
        folder = g().config.dirs.lobSound;
    return dialogs::current().openFile(owner, QStringLiteral("Sound einfügen"), fsys::resolve(folder),
                                       QStringLiteral("Sound (*.wav *.WAV)"));
}

bool& hearAllAlternativesFirst()
{
    static bool on = false;
    return on;
}

// ---------------------------------------------------------------------------------------------
// Choice

Choice::Choice(QWidget* parent, const QStringList& captions, const QList<int>& vals)
    : group(new QButtonGroup(parent)), values(vals)
{
    for (int i = 0; i < captions.size(); ++i) {
        auto* b = new QRadioButton(captions[i], parent);
        group->addButton(b, i);
        buttons << b;
    }
}

int Choice::normalised(int v) const
{
    if (values.contains(v))
        return v;
    QList<int> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    for (int s : sorted)
        if (s >= v)
            return s;
    return sorted.last();
}

int Choice::value() const
{
    const int id = group->checkedId();
    return id >= 0 ? values[id] : values.first();
}

void Choice::setValue(int v)
{
    buttons[values.indexOf(normalised(v))]->setChecked(true);
}

void Choice::setEnabled(bool on)
{
    for (QRadioButton* b : buttons)
        b->setEnabled(on);
}

// ---------------------------------------------------------------------------------------------
// CountField

void CountField::setValue(int v)
{
    committed = v;
    box->setEditText(QString::number(v));
}

void CountField::commit()
{
    // The check may show a message, and the focus leaving for it can end the edit once more.
    if (checking)
        return;
    const QString typed = box->currentText().trimmed();
    if (typed == QString::number(committed)) {
        box->setEditText(typed);
        return;
    }
    const QScopedValueRollback<bool> busy(checking, true);
    committed = check(typed, committed);
    box->setEditText(QString::number(committed));
}

// ---------------------------------------------------------------------------------------------
// TimeSlider

TimeSlider::TimeSlider(int maximum, const QList<std::pair<int, QString>>& marks, QWidget* parent)
    : QWidget(parent), m_marks(marks)
{
    slider = new QSlider(Qt::Horizontal, this);
    slider->setRange(0, maximum);
    slider->setPageStep(1);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    setMinimumHeight(slider->sizeHint().height() + fontMetrics().height() + 2);
}

int TimeSlider::value() const { return slider->value(); }

void TimeSlider::setValue(int v) { slider->setValue(std::clamp(v, slider->minimum(), slider->maximum())); }

QSize TimeSlider::sizeHint() const
{
    int w = 0;
    for (const auto& m : m_marks)
        w += fontMetrics().horizontalAdvance(m.second) + 8;
    return {std::max(200, w), slider->sizeHint().height() + fontMetrics().height() + 2};
}

QSize TimeSlider::minimumSizeHint() const { return sizeHint(); }

void TimeSlider::resizeEvent(QResizeEvent*)
{
    // Half a mark label of room on both sides, so the outer labels are not cut off.
    const int left = m_marks.isEmpty() ? 0 : fontMetrics().horizontalAdvance(m_marks.first().second) / 2;
    const int right = m_marks.isEmpty() ? 0 : fontMetrics().horizontalAdvance(m_marks.last().second) / 2;
    slider->setGeometry(left, 0, width() - left - right, slider->sizeHint().height());
}

int TimeSlider::markX(int position) const
{
    QStyleOptionSlider opt;
    opt.initFrom(slider);
    opt.orientation = Qt::Horizontal;
    opt.minimum = slider->minimum();
    opt.maximum = slider->maximum();
    opt.sliderPosition = position;
    opt.sliderValue = position;
    opt.tickPosition = slider->tickPosition();
    opt.rect = slider->rect();
    const QRect groove = slider->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, slider);
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider);
    const int span = groove.width() - handle.width();
    return slider->x() + groove.x() + handle.width() / 2
           + QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(), position, span);
}

void TimeSlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const int y = slider->geometry().bottom() + 1;
    for (const auto& [pos, text] : m_marks) {
        const int w = fontMetrics().horizontalAdvance(text);
        p.drawText(QRect(markX(pos) - w / 2 - 1, y, w + 2, fontMetrics().height()), Qt::AlignCenter, text);
    }
}

// ---------------------------------------------------------------------------------------------
// TF_O_alle

QString TF_O_alle::captionFor(int code)
{
    switch (code) {
    case 0: return QStringLiteral(" 0. Allgemeine Optionen für ");
    case 101: return QStringLiteral(" 1.1. Optionen für 'Merkfähigkeit - Bild' für ");
    case 102: return QStringLiteral(" 1.2. Optionen für 'Merkfähigkeit - Text' für ");
    case 201: return QStringLiteral(" 2.1. Optionen für 'Doppelgänger - Bild' für ");
    case 202: return QStringLiteral(" 2.2. Optionen für 'Doppelgänger - Text' für ");
    case 203: return QStringLiteral(" 2.3. Optionen für 'Einer passt nicht - Bild' für ");
    case 204: return QStringLiteral(" 2.4. Optionen für 'Einer passt nicht - Text' für ");
    case 301: return QStringLiteral(" 3.1. Optionen für 'Gleich oder nicht gleich' für ");
    case 302: return QStringLiteral(" 3.2. Optionen für 'Richtig oder Falsch' für ");
    case 303: return QStringLiteral(" 3.3. Optionen für 'Welcher Laut passt?' für ");
    case 304: return QStringLiteral(" 3.4. Optionen für 'Lang oder kurz?' für ");
    case 305: return QStringLiteral(" 3.5. Optionen für 'Memory' für ");
    case 401: return QStringLiteral(" 4.1. Optionen für 'Laute positionieren' für ");
    case 402: return QStringLiteral(" 4.2. Optionen für 'Laute suchen' für ");
    case 403: return QStringLiteral(" 4.3. Optionen für 'Laute hinzufügen' für ");
    case 404: return QStringLiteral(" 4.4. Optionen für 'Laute weglassen' für ");
    case 405: return QStringLiteral(" 4.5. Optionen für 'Laute ersetzen' für ");
    case 406: return QStringLiteral(" 4.6. Optionen für 'Silbenanzahl' für ");
    case 407: return QStringLiteral(" 4.7. Optionen für 'Laut-/Silbenmemory' für ");
    case 408: return QStringLiteral(" 4.8. Optionen für 'Paare suchen' für ");
    default: return QString();
    }
}

QString TF_O_alle::pageClassFor(int code)
{
    switch (code) {
    case 0: return QStringLiteral("TF_O_allgemein");
    case 101: case 102: return QStringLiteral("TF_O_Merkfaehigkeit");
    case 201: case 202: return QStringLiteral("TF_O_Doppelgaenger");
    case 203: case 204: return QStringLiteral("TF_O_EinerPasstNicht");
    case 301: return QStringLiteral("TF_O_GleichNichtGleich");
    case 302: return QStringLiteral("TF_O_RichtigOderFalsch");
    case 303: return QStringLiteral("TF_O_WelcherLautPasst");
    case 304: return QStringLiteral("TF_O_LangOderKurz");
    case 305: case 407: return QStringLiteral("TF_O_memory");
    case 401: return QStringLiteral("TF_O_LautPos");
    case 402: return QStringLiteral("TF_O_LautSuche");
    case 403: return QStringLiteral("TF_O_LautAdd");
    case 404: return QStringLiteral("TF_O_LautWeg");
    case 405: return QStringLiteral("TF_O_LautReplace");
    case 406: return QStringLiteral("TF_O_Silbenanzahl");
    case 408: return QStringLiteral("TF_O_PaarSuche");
    default: return QString();
    }
}

QString TF_O_alle::successFolder() { return g().config.dirs.lobSound; }
QString TF_O_alle::errorFolder() { return g().config.dirs.fehlersound; }

TF_O_alle::TF_O_alle(int programCode, Mode mode, QWidget* parent)
    : QDialog(parent), m_code(programCode), m_mode(mode), m_player(std::make_unique<TWAV>(this))
{
    setObjectName(pageClassFor(programCode));
    if (mode == Mode::Embedded)
        setWindowFlags(Qt::Widget);
    onSoundEnded(this, [this](int channel, SoundStatus status) { m_player->HandleNotice(channel, status); });

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(mode == Mode::Embedded ? QMargins(0, 0, 0, 0) : QMargins(8, 8, 8, 8));
    auto* body = new QWidget(this);
    body->setObjectName(QStringLiteral("P_seite"));
    m_columns = new QGridLayout(body);
    m_columns->setContentsMargins(0, 0, 0, 0);
    m_columns->setHorizontalSpacing(8);
    m_columns->setVerticalSpacing(0);
    top->addWidget(body, 1);

    P_unten = new QWidget(this);
    P_unten->setObjectName(QStringLiteral("P_unten"));
    auto* bar = new QHBoxLayout(P_unten);
    bar->setContentsMargins(0, 6, 0, 0);
    BB_ok = new QPushButton(QStringLiteral("OK - Optionen speichern"), P_unten);
    BB_ok->setObjectName(QStringLiteral("BB_ok"));
    BB_abbrechen = new QPushButton(QStringLiteral("Abbrechen - ohne speichern"), P_unten);
    BB_abbrechen->setObjectName(QStringLiteral("BB_abbrechen"));
    for (QPushButton* b : {BB_ok, BB_abbrechen}) {
        b->setAutoDefault(false);  // Enter belongs to the fields
        b->setMinimumHeight(32);
        bar->addWidget(b);
    }
    connect(BB_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(BB_abbrechen, &QPushButton::clicked, this, &QDialog::reject);
    top->addWidget(P_unten);
    P_unten->setVisible(mode == Mode::Alone);

    buildShared();
    BuildPage(*this);
    for (QVBoxLayout* c : m_column)
        c->addStretch(1);
}

TF_O_alle::~TF_O_alle() { m_player->CloseAll(); }

QGroupBox* TF_O_alle::addGroup(int column, const QString& title)
{
    auto* g = new QGroupBox(title, this);
    new QVBoxLayout(g);
    g->layout()->setSpacing(3);
    g->layout()->setContentsMargins(8, 4, 8, 6);
    addToColumn(column, g);
    return g;
}

QVBoxLayout* TF_O_alle::groupLayout(QGroupBox* g) { return static_cast<QVBoxLayout*>(g->layout()); }

void TF_O_alle::addToColumn(int column, QWidget* w)
{
    while (int(m_column.size()) <= column) {
        auto* c = new QVBoxLayout;
        c->setSpacing(6);
        m_columns->addLayout(c, 0, int(m_column.size()));
        m_columns->setColumnStretch(int(m_column.size()), 1);
        m_column.push_back(c);
    }
    w->setParent(m_columns->parentWidget());
    m_column[size_t(column)]->addWidget(w);
    w->show();
}

void TF_O_alle::bind(std::function<void(TOpt_allg&)> load, std::function<void(PageValues&)> store)
{
    m_bindings.emplace_back(std::move(load), std::move(store));
}

void TF_O_alle::refresh()
{
    // A refresher that checks a box starts another refresh: the running one sees it through.
    if (m_loading || m_refreshing)
        return;
    const QScopedValueRollback<bool> busy(m_refreshing, true);
    for (auto& f : m_refresh)
        f();
}

QCheckBox* TF_O_alle::check(QGroupBox* g, const QString& caption, Field<bool> f, const QString& name)
{
    auto* c = new QCheckBox(caption, g);
    c->setObjectName(name);
    groupLayout(g)->addWidget(c);
    bind([c, f](TOpt_allg& o) { c->setChecked(f(o)); }, [c, f](PageValues& v) { f(v.options) = c->isChecked(); });
    connect(c, &QCheckBox::toggled, this, &TF_O_alle::refresh);
    return c;
}

QCheckBox* TF_O_alle::checkInverse(QGroupBox* g, const QString& caption, Field<bool> f, const QString& name)
{
    auto* c = new QCheckBox(caption, g);
    c->setObjectName(name);
    groupLayout(g)->addWidget(c);
    bind([c, f](TOpt_allg& o) { c->setChecked(!f(o)); }, [c, f](PageValues& v) { f(v.options) = !c->isChecked(); });
    connect(c, &QCheckBox::toggled, this, &TF_O_alle::refresh);
    return c;
}

QCheckBox* TF_O_alle::checkInt(QGroupBox* g, const QString& caption, Field<qint32> f, const QString& name)
{
    auto* c = new QCheckBox(caption, g);
    c->setObjectName(name);
    groupLayout(g)->addWidget(c);
    bind([c, f](TOpt_allg& o) { c->setChecked(f(o) != 0); },
         [c, f](PageValues& v) { f(v.options) = c->isChecked() ? 1 : 0; });
    connect(c, &QCheckBox::toggled, this, &TF_O_alle::refresh);
    return c;
}

Choice* TF_O_alle::newChoice(QWidget* parent, const QStringList& captions, const QList<int>& values)
{
    m_choices.push_back(std::make_unique<Choice>(parent, captions, values));
    Choice* ch = m_choices.back().get();
    connect(ch->group, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            refresh();
    });
    return ch;
}

Choice* TF_O_alle::choice(QGroupBox* g, const QStringList& captions, const QList<int>& values, Field<qint32> f,
                          const QString& name, bool horizontal)
{
    Choice* ch = newChoice(g, captions, values);
    ch->group->setObjectName(name);
    if (horizontal) {
        auto* row = new QHBoxLayout;
        for (QRadioButton* b : ch->buttons)
            row->addWidget(b);
        row->addStretch(1);
        groupLayout(g)->addLayout(row);
    } else {
        for (QRadioButton* b : ch->buttons)
            groupLayout(g)->addWidget(b);
    }
    if (f)
        bind([ch, f](TOpt_allg& o) { ch->setValue(f(o)); }, [ch, f](PageValues& v) { f(v.options) = ch->value(); });
    return ch;
}

Choice* TF_O_alle::choiceBool(QGroupBox* g, const QStringList& captions, Field<bool> f, const QString& name,
                              bool horizontal)
{
    Choice* ch = choice(g, captions, {1, 0}, nullptr, name, horizontal);
    bind([ch, f](TOpt_allg& o) { ch->setValue(f(o) ? 1 : 0); },
         [ch, f](PageValues& v) { f(v.options) = ch->value() == 1; });
    return ch;
}

Choice* TF_O_alle::randomOrder(QGroupBox* g, Field<bool> f)
{
    return choiceBool(g, {QStringLiteral("zufällig"), QStringLiteral("wie in Datei")}, f,
                      QStringLiteral("Reihenfolge zufällig"));
}

QComboBox* TF_O_alle::dropDown(QGroupBox* g, const QStringList& captions, const QList<int>& values,
                               Field<qint32> f, const QString& name)
{
    auto* box = new QComboBox(g);
    box->setObjectName(name);
    box->addItems(captions);
    groupLayout(g)->addWidget(box);
    auto shown = [values](int v) {
        if (values.contains(v))
            return int(values.indexOf(v));
        QList<int> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        for (int s : sorted)
            if (s >= v)
                return int(values.indexOf(s));
        return int(values.indexOf(sorted.last()));
    };
    bind([box, f, shown](TOpt_allg& o) { box->setCurrentIndex(shown(f(o))); },
         [box, f, values](PageValues& v) { f(v.options) = values.value(std::max(0, box->currentIndex())); });
    connect(box, &QComboBox::currentIndexChanged, this, &TF_O_alle::refresh);
    return box;
}

CountField* TF_O_alle::count(QGroupBox* g, const QStringList& offers, Field<qint32> f, const QString& name,
                             std::function<int(const QString&, int)> check, std::function<int(int)> normalise)
{
    auto owned = std::make_unique<CountField>();
    CountField* c = owned.get();
    m_counts.push_back(std::move(owned));
    c->box = new QComboBox(g);
    c->box->setObjectName(name);
    c->box->setEditable(true);
    c->box->setInsertPolicy(QComboBox::NoInsert);
    c->box->addItems(offers);
    c->box->setMaximumWidth(90);
    c->check = std::move(check);
    c->normalise = std::move(normalise);
    groupLayout(g)->addWidget(c->box);
    bind([c, f](TOpt_allg& o) { c->setValue(c->normalise ? c->normalise(f(o)) : f(o)); },
         [c, f](PageValues& v) { f(v.options) = c->value(); });
    auto commit = [this, c] {
        if (m_loading)
            return;
        c->commit();
        refresh();
    };
    connect(c->box->lineEdit(), &QLineEdit::editingFinished, this, commit);
    connect(c->box, &QComboBox::activated, this, commit);
    return c;
}

CountField* TF_O_alle::boundedCount(QGroupBox* g, int min, int max, Field<qint32> f, const QString& name)
{
    QStringList offers;
    for (int i = min; i <= max; ++i)
        offers << QString::number(i);
    const QString message = QStringLiteral("Nur Werte zwischen %1 und %2 erlaubt.").arg(min).arg(max);
    return count(g, offers, f, name, [this, min, max, message](const QString& typed, int previous) {
        bool ok = false;
        const int n = typed.toInt(&ok);
        if (!ok) {
            ShowMessageWindow(message, this, false);
            return previous;
        }
        return std::clamp(n, min, max);
    }, [min, max](int stored) { return std::clamp(stored, min, max); });
}

TimeSlider* TF_O_alle::timeSlider(QGroupBox* g, int maximum, const QList<std::pair<int, QString>>& marks,
                                  Field<qint32> f)
{
    auto* s = new TimeSlider(maximum, marks, g);
    s->setObjectName(QStringLiteral("Zeit"));
    s->slider->setObjectName(QStringLiteral("TB_zeit"));
    groupLayout(g)->addWidget(s);
    bind([s, f](TOpt_allg& o) { s->setValue(f(o)); }, [s, f](PageValues& v) { f(v.options) = s->value(); });
    return s;
}

QLabel* TF_O_alle::note(QGroupBox* g, const QString& text)
{
    auto* l = new QLabel(text, g);
    l->setWordWrap(true);
    groupLayout(g)->addWidget(l);
    return l;
}

void TF_O_alle::headingCount(QGroupBox* g, Field<qint32> f, const QString& checkCaption)
{
    auto* row = new QHBoxLayout;
    auto* c = new QCheckBox(checkCaption, g);
    c->setObjectName(QStringLiteral("Chb_ueberschrift"));
    auto* box = new QComboBox(g);
    box->setObjectName(QStringLiteral("Überschrift sichtbar"));
    box->addItems({QStringLiteral("1 mal"), QStringLiteral("2 mal"), QStringLiteral("3 mal"), QStringLiteral("immer")});
    row->addWidget(c);
    row->addWidget(box);
    row->addStretch(1);
    groupLayout(g)->addLayout(row);
    bind(
        [c, box, f](TOpt_allg& o) {
            const int v = f(o);
            c->setChecked(v > 0);
            box->setCurrentIndex(std::clamp(v, 1, 4) - 1);
        },
        [c, box, f](PageValues& v) { f(v.options) = c->isChecked() ? box->currentIndex() + 1 : 0; });
    connect(c, &QCheckBox::toggled, this, &TF_O_alle::refresh);
    onRefresh([c, box] { box->setEnabled(c->isChecked()); });
}

QLineEdit* TF_O_alle::soundField(QBoxLayout* into, Field<QStringList> f, int insertMode, const QString& name,
                                 QPushButton** playButton)
{
    auto* row = new QHBoxLayout;
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    auto* play = new QPushButton(this);
    play->setObjectName(QStringLiteral("SB_") + name);
    play->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    play->setAutoDefault(false);
    play->setFixedWidth(28);
    connect(e, &QLineEdit::textChanged, e, [e](const QString& text) {
        e->setToolTip(text);
        // Wide enough for the usual two or three names; a longer list scrolls in its field.
        e->setMinimumWidth(std::min(e->fontMetrics().horizontalAdvance(text) + 12, 320));
    });
    row->addWidget(e, 1);
    row->addWidget(play);
    into->addLayout(row);
    // Every sound list of a page lives in the `LobSound` folder, except the error sounds.
    const bool errors = insertMode == 7;
    m_soundFields.push_back({e, errors, insertMode});
    e->installEventFilter(this);
    connect(play, &QPushButton::clicked, this,
            [this, e, errors] { previewSounds(e->text(), errors ? errorFolder() : successFolder()); });
    const bool unique = m_code >= 401 && m_code <= 405;
    bind(
        [e, f](TOpt_allg& o) {
            e->setText(f(o).join(QLatin1Char(';')));
            e->setCursorPosition(0);  // the start of a long list, not its end
        },
         [e, f, unique](PageValues& v) { f(v.options) = splitList(e->text(), unique); });
    if (playButton)
        *playButton = play;
    return e;
}

TF_O_alle::FeedbackFields TF_O_alle::feedbackOf(std::function<TOptFeedback&(TOpt_allg&)> f)
{
    FeedbackFields r;
    r.successSound = [f](TOpt_allg& o) -> bool& { return f(o).successSound; };
    r.successSource = [f](TOpt_allg& o) -> qint32& { return f(o).successSource; };
    r.successText = [f](TOpt_allg& o) -> QStringList& { return f(o).successSoundText; };
    r.frequency = [f](TOpt_allg& o) -> qint32& { return f(o).successFrequency; };
    r.errorSound = [f](TOpt_allg& o) -> bool& { return f(o).errorSound; };
    r.errorSource = [f](TOpt_allg& o) -> qint32& { return f(o).errorSource; };
    r.errorText = [f](TOpt_allg& o) -> QStringList& { return f(o).errorSoundText; };
    return r;
}

void TF_O_alle::buildShared()
{
    GB_hintergrund = new QGroupBox(QStringLiteral("Hintergrundbild:"), this);
    GB_hintergrund->setObjectName(QStringLiteral("GB_hintergrund"));
    auto* hl = new QVBoxLayout(GB_hintergrund);
    hl->setContentsMargins(8, 4, 8, 6);
    Chb_hintergrundbild = new QCheckBox(QStringLiteral("Hintergrundbild sichtbar"), GB_hintergrund);
    Chb_hintergrundbild->setObjectName(QStringLiteral("Chb_hintergrundbild"));
    hl->addWidget(Chb_hintergrundbild);
    GB_hintergrund->hide();

    GB_rueckseite = new QGroupBox(QStringLiteral("Rückseite:"), this);
    GB_rueckseite->setObjectName(QStringLiteral("GB_rueckseite"));
    auto* rl = new QVBoxLayout(GB_rueckseite);
    rl->setContentsMargins(8, 4, 8, 6);
    Chb_rueckseite = new QCheckBox(QStringLiteral("Rückseite sichtbar"), GB_rueckseite);
    Chb_rueckseite->setObjectName(QStringLiteral("Chb_rueckseite"));
    rl->addWidget(Chb_rueckseite);
    GB_rueckseite->hide();

    GB_akustisch = new QGroupBox(QStringLiteral("akustische Rückmeldung bei ..."), this);
    GB_akustisch->setObjectName(QStringLiteral("GB_akustisch"));
    auto* al = new QVBoxLayout(GB_akustisch);
    al->setSpacing(3);
    al->setContentsMargins(8, 4, 8, 6);
    GB_akustisch->hide();
}

void TF_O_alle::useBackground(int column, Field<bool> f)
{
    addToColumn(column, GB_hintergrund);
    QCheckBox* c = Chb_hintergrundbild;
    bind([c, f](TOpt_allg& o) { c->setChecked(f(o)); }, [c, f](PageValues& v) { f(v.options) = c->isChecked(); });
}

void TF_O_alle::useCardBack(int column, Field<bool> f, const QString& caption)
{
    addToColumn(column, GB_rueckseite);
    QCheckBox* c = Chb_rueckseite;
    c->setText(caption);
    bind([c, f](TOpt_allg& o) { c->setChecked(f(o)); }, [c, f](PageValues& v) { f(v.options) = c->isChecked(); });
}

void TF_O_alle::frequencyRow(QGroupBox* g, Field<qint32> f)
{
    auto* row = new QHBoxLayout;
    L_nach = new QLabel(QStringLiteral("nach "), g);
    CB_erfolgauftreten = new QComboBox(g);
    CB_erfolgauftreten->setObjectName(QStringLiteral("Erfolgauftreten"));
    CB_erfolgauftreten->addItems({QStringLiteral("jeder"), QStringLiteral("2."), QStringLiteral("3. Aufgabe"),
                                  QStringLiteral("nach Vorgabe (1,2,4,7,10,14,18,22,...)")});
    row->addWidget(L_nach);
    row->addWidget(CB_erfolgauftreten, 1);
    groupLayout(g)->addLayout(row);
    QComboBox* box = CB_erfolgauftreten;
    bind([box, f](TOpt_allg& o) { box->setCurrentIndex(std::clamp(f(o), 0, 3)); },
         [box, f](PageValues& v) { f(v.options) = box->currentIndex(); });
}

void TF_O_alle::useFeedback(int column, const FeedbackFields& f)
{
    addToColumn(column, GB_akustisch);
    QVBoxLayout* l = groupLayout(GB_akustisch);

    Chb_erfolg = new QCheckBox(QStringLiteral("Erfolg"), GB_akustisch);
    Chb_erfolg->setObjectName(QStringLiteral("Erfolgssound"));
    l->addWidget(Chb_erfolg);
    QCheckBox* ce = Chb_erfolg;
    bind([ce, f](TOpt_allg& o) { ce->setChecked(f.successSound(o)); },
         [ce, f](PageValues& v) { f.successSound(v.options) = ce->isChecked(); });
    connect(ce, &QCheckBox::toggled, this, &TF_O_alle::refresh);

    auto indent = [](QLayout* inner) {
        auto* w = new QHBoxLayout;
        w->addSpacing(18);
        w->addLayout(inner, 1);
        return w;
    };
    {
        auto* inner = new QVBoxLayout;
        inner->setSpacing(2);
        RG_erfolg = newChoice(GB_akustisch, f.successCaptions, f.successValues);
        RG_erfolg->group->setObjectName(QStringLiteral("ErfolgAkustisch"));
        for (QRadioButton* b : RG_erfolg->buttons)
            inner->addWidget(b);
        Choice* ch = RG_erfolg;
        bind([ch, f](TOpt_allg& o) { ch->setValue(f.successSource(o)); },
             [ch, f](PageValues& v) { f.successSource(v.options) = ch->value(); });
        l->addLayout(indent(inner));
        // The list field takes the group's whole width: names are long.
        E_erfolgssound = soundField(l, f.successText, 4, QStringLiteral("ErfolgssoundText"), &SB_erfolgssound);
    }
    {
        QLineEdit* e = E_erfolgssound;
        Choice* ch = RG_erfolg;
        // The fixed list is only used while "immer gleich" is chosen.
        onRefresh([e, ch] { e->setReadOnly(ch->value() != 0); });
    }

    if (f.errorSound) {
        Chb_fehler = new QCheckBox(QStringLiteral("Fehler"), GB_akustisch);
        Chb_fehler->setObjectName(QStringLiteral("Fehlersound"));
        l->addWidget(Chb_fehler);
        QCheckBox* cf = Chb_fehler;
        bind([cf, f](TOpt_allg& o) { cf->setChecked(f.errorSound(o)); },
             [cf, f](PageValues& v) { f.errorSound(v.options) = cf->isChecked(); });
        auto* inner = new QVBoxLayout;
        inner->setSpacing(2);
        RG_fehler = newChoice(GB_akustisch, {QStringLiteral("immer gleich"), QStringLiteral("zufälliger Sound")}, {0, 1});
        RG_fehler->group->setObjectName(QStringLiteral("FehlerAkustisch"));
        for (QRadioButton* b : RG_fehler->buttons)
            inner->addWidget(b);
        Choice* ch = RG_fehler;
        bind([ch, f](TOpt_allg& o) { ch->setValue(f.errorSource(o)); },
             [ch, f](PageValues& v) { f.errorSource(v.options) = ch->value(); });
        l->addLayout(indent(inner));
        E_fehlersound = soundField(l, f.errorText, 7, QStringLiteral("FehlersoundText"), &SB_fehlersound);
    }
    if (f.frequency)
        frequencyRow(GB_akustisch, f.frequency);
}

// ---- loading and storing ----

PageValues TF_O_alle::liveValues() const
{
    return {g().playerOptions, hearAllAlternativesFirst()};
}

void TF_O_alle::storeInto(PageValues& v)
{
    for (auto& b : m_bindings)
        b.second(v);
}

void TF_O_alle::apply(const PageValues& v)
{
    g().playerOptions = v.options;
    hearAllAlternativesFirst() = v.hearAllAlternativesFirst;
    // Only the page turns a run-wide random order off (or on again).
    if (bool* flag = runRandomOrderFlag(m_code)) {
        switch (m_code) {
        case 303: *flag = v.options.welcherLautPasst.randomOrder; break;
        case 401: *flag = v.options.lautPos.randomOrder; break;
        case 402: *flag = v.options.lautSuche.randomOrder; break;
        case 403: *flag = v.options.lautAdd.randomOrder; break;
        case 405: *flag = v.options.lautReplace.randomOrder; break;
        case 406: *flag = v.options.silbenanzahl.randomOrder; break;
        default: break;
        }
    }
}

void TF_O_alle::LoadControls()
{
    {
        const QScopedValueRollback<bool> loading(m_loading, true);
        TOpt_allg& o = g().playerOptions;
        for (auto& b : m_bindings)
            b.first(o);
        for (auto& f : m_afterLoad)
            f();
    }
    refresh();
    m_shown = liveValues();
    storeInto(m_shown);
    m_loaded = true;
}

void TF_O_alle::StoreControls()
{
    PageValues v = liveValues();
    storeInto(v);
    apply(v);
}

void TF_O_alle::commitEdits()
{
    for (auto& c : m_counts)
        if (c->box->isEnabled())
            c->commit();
    refresh();
}

bool TF_O_alle::changedSinceLoad()
{
    if (!m_loaded)
        return false;
    PageValues v = liveValues();
    storeInto(v);
    return !(v == m_shown);
}

bool TF_O_alle::saveIfChanged()
{
    commitEdits();
    // A page that shows what it loaded writes nothing: a value the page cannot show (out of its
    // range, or a key it only writes) stays in the file as it was.
    if (!changedSinceLoad())
        return true;
    StoreControls();
    m_shown = liveValues();
    storeInto(m_shown);
    return WritePlayerOptions(g().currentPlayer(), m_code);
}

// ---- sounds ----

void TF_O_alle::previewSounds(const QString& text, const QString& folder)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return;
    m_player->StopAll();
    if (!t.contains(QLatin1Char(';'))) {
        const QString file = soundPath(folder, t);
        if (fsys::fileExists(file))
            m_player->Play(fsys::resolve(file), true, false, false);
        return;
    }
    bool first = true;
    for (const QString& name : splitList(t, true)) {
        if (name.trimmed().isEmpty())
            continue;
        const QString file = soundPath(folder, name);
        const QString resolved = fsys::fileExists(file) ? fsys::resolve(file) : file;
        m_player->Play(resolved, true, false, !first);
        first = false;
    }
}

void TF_O_alle::takeChosenSound(QLineEdit* field, const QString& path, const QString& folder)
{
    if (!fsys::fileExists(path)) {
        dialogs::showMessage(this, path + QStringLiteral(" kann nicht zugeordnet werden."));
        return;
    }
    field->setText(MakeRelativePath(folder, fsys::fromStored(path), false));
}

void TF_O_alle::chooseSound(QLineEdit* field)
{
    for (const SoundFieldInfo& s : m_soundFields) {
        if (s.field != field)
            continue;
        if (field->isReadOnly() || !field->isEnabled())
            return;
        const QString first = splitList(field->text(), false).value(0);
        const QString path = chooseSoundFile(this, s.insertMode, fsys::baseName(first));
        if (path.isEmpty())
            return;
        takeChosenSound(field, path, s.errorSounds ? errorFolder() : successFolder());
        return;
    }
}

bool TF_O_alle::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (auto* e = qobject_cast<QLineEdit*>(watched)) {
            chooseSound(e);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- showing and closing ----

void TF_O_alle::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (m_mode != Mode::Alone || e->spontaneous())
        return;
    setWindowTitle(captionFor(m_code) + g().currentPlayer());
    adjustSize();
    // adjustSize keeps a window within two thirds of the screen, which on 1024 x 768 squeezes the
    // columns until wrapped notes are cut at top and bottom: take the height the wrapped texts need,
    // up to the whole available screen.
    if (QLayout* l = layout()) {
        const QScreen* s = screen();
        const QRect avail = s ? s->availableGeometry() : QRect(0, 0, 4096, 4096);
        const int w = std::min(std::max(width(), l->totalMinimumSize().width()), avail.width());
        int h = l->hasHeightForWidth() ? l->totalHeightForWidth(w) : l->totalSizeHint().height();
        h = std::max({h, l->totalMinimumSize().height(), height()});
        resize(w, std::min(h, avail.height()));
    }
    centreOnPointerScreen(this);
    LoadControls();
}

void TF_O_alle::hideEvent(QHideEvent* e)
{
    m_player->StopAll();
    m_player->CloseAll();
    QDialog::hideEvent(e);
}

void TF_O_alle::done(int r)
{
    if (m_mode == Mode::Alone && r == QDialog::Accepted)
        saveIfChanged();  // a refused write has been reported; the options stay in memory
    m_player->CloseAll();
    QDialog::done(r);
}

} // namespace options
