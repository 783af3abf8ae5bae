// The option pages of the twenty programs and the general options: which groups each page has,
// the keys its controls edit, and how its controls depend on each other.
#include "options/O_alle.h"
#include "options/Options.h"

#include "core/Dialogs.h"
#include "core/GlobalState.h"
#include "media/sound/Sound.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <memory>

namespace options {

namespace {

#define FIELD(T, expr) Field<T>([=](TOpt_allg& o) -> T& { return expr; })

using Marks = QList<std::pair<int, QString>>;
// "Zeit" as a pause code of 0 to 2 seconds (0, 200, 500, 750, 1000 ... 2000 ms).
const Marks kTwoSeconds{{0, QStringLiteral("0")}, {2, QStringLiteral("0,5")}, {4, QStringLiteral("1")},
                        {6, QStringLiteral("1,5")}, {8, QStringLiteral("2 Sek.")}};
const QString kResetNote = QStringLiteral("Option wird nach Programmende immer wieder auf 'zufällig' zurückgesetzt!");
const QString kControl = QStringLiteral("sofort nach jedem Lösungsschritt");

QWidget* indented(QGroupBox* g, QWidget* w)
{
    auto* holder = new QWidget(g);
    auto* l = new QHBoxLayout(holder);
    l->setContentsMargins(18, 0, 0, 0);
    w->setParent(holder);
    l->addWidget(w, 1);
    static_cast<QVBoxLayout*>(g->layout())->addWidget(holder);
    return holder;
}

void timeGroup(TF_O_alle& p, int column, Field<qint32> f, const QString& title = QStringLiteral("zeitlicher Abstand der gehörten Begriffe:"),
               int maximum = 8, const Marks& marks = kTwoSeconds)
{
    p.timeSlider(p.addGroup(column, title), maximum, marks, f);
}

void controlGroup(TF_O_alle& p, int column, Field<bool> f, const QString& name)
{
    p.check(p.addGroup(column, QStringLiteral("Kontrolle:")), kControl, f, name);
}

Choice* orderGroup(TF_O_alle& p, int column, const QString& title, Field<bool> f, const QString& note = QString())
{
    QGroupBox* g = p.addGroup(column, title);
    Choice* c = p.randomOrder(g, f);
    if (!note.isEmpty())
        p.note(g, note);
    return c;
}

// Two boxes of which at least one stays checked: unchecking the last one checks the other.
void oneOfTwo(TF_O_alle& p, QCheckBox* a, QCheckBox* b)
{
    QObject::connect(a, &QCheckBox::clicked, &p, [a, b](bool on) {
        if (!on && !b->isChecked())
            b->setChecked(true);
    });
    QObject::connect(b, &QCheckBox::clicked, &p, [a, b](bool on) {
        if (!on && !a->isChecked())
            a->setChecked(true);
    });
}

// "Lautknopf" and "Mundbild" cannot both be off, and "sofort" needs the sound buttons.
void soundButtonRules(TF_O_alle& p, QCheckBox* atOnce, QCheckBox* soundButton, QCheckBox* mouthPicture,
                      Field<bool> storedSoundButton)
{
    oneOfTwo(p, soundButton, mouthPicture);
    p.afterLoad([soundButton, mouthPicture] {
        if (!soundButton->isChecked() && !mouthPicture->isChecked())
            soundButton->setChecked(true);
    });
    p.onRefresh([atOnce, soundButton] {
        if (atOnce->isChecked())
            soundButton->setChecked(true);
        soundButton->setEnabled(!atOnce->isChecked());
    });
    QObject::connect(atOnce, &QCheckBox::clicked, &p, [soundButton, mouthPicture, storedSoundButton](bool on) {
        if (on)
            return;
        soundButton->setChecked(storedSoundButton(g().playerOptions));
        if (!soundButton->isChecked() && !mouthPicture->isChecked())
            mouthPicture->setChecked(true);
    });
}

// "Anleitung:" of the memory games: "sichtbar", "hörbar", "als Bild" / "als Text".
void instructionGroup(TF_O_alle& p, int column, Field<qint32> visible, Field<bool> audible)
{
    QGroupBox* g = p.addGroup(column, QStringLiteral("Anleitung:"));
    auto* shown = new QCheckBox(QStringLiteral("sichtbar"), g);
    shown->setObjectName(QStringLiteral("Anleitung sichtbar"));
    g->layout()->addWidget(shown);
    p.check(g, QStringLiteral("hörbar"), audible, QStringLiteral("Anleitung hörbar"));
    Choice* kind = p.choice(g, {QStringLiteral("als Bild"), QStringLiteral("als Text")}, {1, 2}, nullptr,
                            QStringLiteral("Anleitung als"), true);
    // +1 picture, +2 text; negative while the instruction is not shown.
    p.bind(
        [shown, kind, visible](TOpt_allg& o) {
            const int v = visible(o);
            shown->setChecked(v > 0);
            kind->setValue(v == 2 || v == -2 ? 2 : 1);  // any other value, however large, is a picture
        },
        [shown, kind, visible](PageValues& v) { visible(v.options) = (shown->isChecked() ? 1 : -1) * kind->value(); });
    QObject::connect(shown, &QCheckBox::toggled, &p, &TF_O_alle::refresh);
    p.onRefresh([shown, kind] { kind->setEnabled(shown->isChecked()); });
}

// The three visibilities of the card games.
const QStringList kCardContent{QStringLiteral("Karteninhalt ist nicht sichtbar"),
                               QStringLiteral("Karteninhalt ist beim Hören sichtbar"),
                               QStringLiteral("Karteninhalt ist immer sichtbar")};

// ---------------------------------------------------------------------------------------------

void allgemein(TF_O_alle& p)
{
    QGroupBox* g = p.addGroup(0, QString());
    p.check(g, QStringLiteral("mit Artikel"), FIELD(bool, o.withArticle), QStringLiteral("mit Artikel"));
    auto* hint = new QLabel(QStringLiteral("nur, wenn in der Datei ein Artikel vorhanden ist "), g);
    indented(g, hint);
    p.check(g, QStringLiteral("mit Schaltergeräusch"), FIELD(bool, o.switchSound), QStringLiteral("Schaltergeräusch"));
    p.check(g, QStringLiteral("Lob am Ende eines Programms"), FIELD(bool, o.endPraise), QStringLiteral("EndeLob"));
    p.check(g, QStringLiteral("nur Großbuchstaben"), FIELD(bool, o.capitalsOnly), QStringLiteral("NurGrossbst"));
    p.check(g, QStringLiteral("Mit letzter Übung starten."), FIELD(bool, o.startWithLastExercise),
            QStringLiteral("mit letzter Übung starten"))
        ->hide();
}

void merkfaehigkeit(TF_O_alle& p)
{
    const bool text = p.programCode() == 102;
    QGroupBox* gCount = p.addGroup(0, text ? QStringLiteral("Text:") : QStringLiteral("Bilderanzahl:"));
    Choice* pictures = p.choice(gCount, {"2", "4", "6", "9", QStringLiteral("12 Karten")}, {2, 4, 6, 9, 12},
                                FIELD(qint32, o.merkfaehigkeit.pictureCount), QStringLiteral("Bilderanzahl"), true);

    QGroupBox* gRemember = p.addGroup(0, QStringLiteral("Anzahl zu merkender Begriffe:"));
    QStringList offers;
    for (int i = 1; i <= 10; ++i)
        offers << QString::number(i);
    CountField* remember = p.count(
        gRemember, offers, FIELD(qint32, o.merkfaehigkeit.rememberCount), QStringLiteral("Merkanzahl"),
        [&p, pictures](const QString& typed, int previous) {
            bool ok = false;
            const int n = typed.toInt(&ok);
            if (!ok)
                return previous;
            if (n > pictures->value()) {
                dialogs::showMessage(&p, QStringLiteral("Merkanzahl zu groß!"));
                return previous;
            }
            return std::max(1, n);
        },
        [pictures](int stored) { return std::clamp(stored, 1, pictures->value()); });
    p.note(gRemember, QStringLiteral("max. Anzahl abhängig von der Kartenanzahl"));

    // Fewer cards than words to remember: the words follow, or the cards stay.
    auto shownPictures = std::make_shared<int>(0);
    p.afterLoad([pictures, shownPictures] { *shownPictures = pictures->value(); });
    QObject::connect(pictures->group, &QButtonGroup::idClicked, &p, [&p, pictures, remember, shownPictures](int) {
        const int chosen = pictures->value();
        if (chosen == *shownPictures)
            return;
        if (chosen < remember->value()) {
            if (dialogs::ask(&p, QStringLiteral("Die Bilderanzahl ist kleiner als die Merkanzahl. Soll die Merkanzahl "
                                                "automatisch angepasst werden?"))
                == dialogs::Button::Yes) {
                remember->setValue(chosen);
            } else {
                dialogs::showMessage(&p, QStringLiteral("Bitte Merkanzahl zuerst anpassen!"));
                pictures->setValue(*shownPictures);
                remember->box->setFocus();
                return;
            }
        }
        *shownPictures = chosen;
    });

    QGroupBox* gOrder = p.addGroup(0, text ? QStringLiteral("Textauswahl:") : QStringLiteral("Bilderauswahl:"));
    p.randomOrder(gOrder, FIELD(bool, o.merkfaehigkeit.randomOrder));
    if (text) {
        p.check(gOrder, QStringLiteral("Text alphabetisch sortieren"), FIELD(bool, o.merkfaehigkeit.sortedAlphabetically),
                QStringLiteral("alphabetisch sortiert"));
    } else {
        // The picture variant has no sorting; its key is left as it is.
        auto* sort = new QCheckBox(QStringLiteral("Text alphabetisch sortieren"), gOrder);
        sort->setObjectName(QStringLiteral("alphabetisch sortiert"));
        sort->setChecked(false);
        sort->hide();
    }
    controlGroup(p, 0, FIELD(bool, o.merkfaehigkeit.checkAtOnce), QStringLiteral("Checksofort"));

    timeGroup(p, 0, FIELD(qint32, o.merkfaehigkeit.time), QStringLiteral("zeitlicher Abstand der gehörten Begriffe:"), 9,
              {{0, QStringLiteral("0")}, {2, QStringLiteral("1")}, {4, QStringLiteral("2")}, {6, QStringLiteral("3")},
               {9, QStringLiteral("4,5 Sek.")}});

    QGroupBox* gHelp = p.addGroup(0, QStringLiteral("visuelle Hilfe:"));
    p.check(gHelp, QStringLiteral("Karten werden beim Hören durch Rahmen markiert"), FIELD(bool, o.merkfaehigkeit.mark),
            QStringLiteral("markieren"));
    const QStringList visibility =
        text ? QStringList{QStringLiteral("Text nicht sichtbar"), QStringLiteral("Text beim Hören nicht sichtbar"),
                           QStringLiteral("Text immer sichtbar")}
             : QStringList{QStringLiteral("Bilder sind nicht sichtbar"), QStringLiteral("Bilder sind beim Hören nicht sichtbar"),
                           QStringLiteral("Bilder sind immer sichtbar")};
    Choice* invisible = p.choice(gHelp, visibility, {0, 1, 2}, FIELD(qint32, o.merkfaehigkeit.invisible),
                                 QStringLiteral("unsichtbar"));

    QGroupBox* gLook = p.addGroup(1, QStringLiteral("Darstellung:"));
    QCheckBox* border = p.check(gLook, QStringLiteral("Kartenrand"), FIELD(bool, o.merkfaehigkeit.pictureOnCard),
                                QStringLiteral("Bild auf Karte"));
    QCheckBox* transparent = p.check(gLook, QStringLiteral("transparent"), FIELD(bool, o.merkfaehigkeit.cardTransparent),
                                     QStringLiteral("Karte transparent"));
    QCheckBox* frameOn = p.check(gLook, QStringLiteral("Markierung der Mausbewegung"), FIELD(bool, o.merkfaehigkeit.frameOn),
                                 QStringLiteral("Rahmen ein"));
    auto* colourRow = new QHBoxLayout;
    auto* colourLabel = new QLabel(QStringLiteral("Rahmenfarbe:"), gLook);
    auto* colourButton = new QPushButton(gLook);
    colourButton->setObjectName(QStringLiteral("Rahmenfarbe"));
    colourButton->setAutoDefault(false);
    colourButton->setFixedSize(48, 22);
    colourRow->addWidget(colourLabel);
    colourRow->addWidget(colourButton);
    colourRow->addStretch(1);
    static_cast<QVBoxLayout*>(gLook->layout())->addLayout(colourRow);
    auto colour = std::make_shared<qint32>(255);
    auto paintColour = [colourButton, colour] {
        const quint32 c = quint32(*colour);
        QPixmap swatch(36, 12);
        // A colour with the high byte $FF names a system colour: shown as the window text colour.
        swatch.fill((c >> 24) == 0xFF ? colourButton->palette().color(QPalette::WindowText)
                                      : QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
        colourButton->setIcon(QIcon(swatch));
        colourButton->setIconSize(swatch.size());
        colourButton->setProperty("colour", *colour);
    };
    p.bind([colour, paintColour](TOpt_allg& o) { *colour = o.merkfaehigkeit.frameColour; paintColour(); },
           [colour](PageValues& v) { v.options.merkfaehigkeit.frameColour = *colour; });
    QObject::connect(colourButton, &QPushButton::clicked, &p, [&p, colour, paintColour] {
        const quint32 c = quint32(*colour);
        const auto chosen = dialogs::current().chooseColour(
            &p, QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
        if (!chosen)
            return;
        *colour = qint32(quint32(chosen->red()) | quint32(chosen->green()) << 8 | quint32(chosen->blue()) << 16);
        paintColour();
    });
    auto* widthRow = new QHBoxLayout;
    auto* widthLabel = new QLabel(QStringLiteral("Rahmenbreite:"), gLook);
    widthRow->addWidget(widthLabel);
    static_cast<QVBoxLayout*>(gLook->layout())->addLayout(widthRow);
    CountField* frameWidth = p.count(
        gLook, offers, FIELD(qint32, o.merkfaehigkeit.frameWidth), QStringLiteral("Rahmenbreite"),
        [&p](const QString& typed, int previous) {
            bool ok = false;
            const int n = typed.toInt(&ok);
            if (ok && n >= 1 && n <= 10)
                return n;
            Beep();
            dialogs::current().message(&p, dialogs::Icon::Error, QString(),
                                       QStringLiteral("bei der Eingabe der Rahmenbreite!\nnur numerische Eingaben "
                                                      "zwischen 1 und 10 erlaubt!"),
                                       {dialogs::Button::Ok, dialogs::Button::Cancel});
            return previous;
        },
        [](int stored) { return std::clamp(stored, 1, 10); });
    widthRow->addWidget(frameWidth->box);
    widthRow->addStretch(1);

    TF_O_alle::FeedbackFields fb;
    fb.successSound = FIELD(bool, o.merkfaehigkeit.successSound);
    fb.successSource = FIELD(qint32, o.merkfaehigkeit.successSource);
    fb.successText = FIELD(QStringList, o.merkfaehigkeit.successSoundText);
    fb.frequency = FIELD(qint32, o.merkfaehigkeit.successFrequency);
    p.useFeedback(1, fb);
    p.GB_akustisch->setTitle(QStringLiteral("Lob bei Erfolg:"));
    p.Chb_erfolg->setText(QStringLiteral("akustisch"));
    p.check(p.GB_akustisch, QStringLiteral("visuell"), FIELD(bool, o.merkfaehigkeit.successPicture),
            QStringLiteral("Erfolgsbild"));
    auto* visualHolder = new QWidget(p.GB_akustisch);
    auto* visualLayout = new QVBoxLayout(visualHolder);
    visualLayout->setContentsMargins(18, 0, 0, 0);
    visualLayout->setSpacing(2);
    p.GB_akustisch->layout()->addWidget(visualHolder);
    auto* visualGroup = new QGroupBox(visualHolder);
    visualGroup->setFlat(true);
    visualGroup->setStyleSheet(QStringLiteral("QGroupBox { border: 0; margin: 0; padding: 0; }"));
    auto* vgl = new QVBoxLayout(visualGroup);
    vgl->setContentsMargins(0, 0, 0, 0);
    vgl->setSpacing(2);
    visualLayout->addWidget(visualGroup);
    p.choice(visualGroup, {QStringLiteral("Animation aus Datei"), QStringLiteral("zufällige Animation")}, {0, 1},
             FIELD(qint32, o.merkfaehigkeit.successVisual), QStringLiteral("ErfolgVisuell"));
    p.check(visualGroup, QStringLiteral("ohne Bewegung"), FIELD(bool, o.merkfaehigkeit.withoutMovement),
            QStringLiteral("AniMove"));
    p.useBackground(1, FIELD(bool, o.merkfaehigkeit.backgroundPicture));

    auto* noise = new QPushButton(QStringLiteral("&Hintergrundgeräusch ein/aus"), &p);
    noise->setObjectName(QStringLiteral("B_geraeusch"));
    noise->setAutoDefault(false);
    p.addToColumn(1, noise);
    QObject::connect(noise, &QPushButton::clicked, &p, [&p] {
        if (NoiseRunning())
            StopNoise();
        else
            StartNoise(true, &p);
    });

    QLineEdit* successText = p.E_erfolgssound;
    QPushButton* successPlay = p.SB_erfolgssound;
    Choice* source = p.RG_erfolg;
    p.onRefresh([=] {
        // Cards that are not always visible need their border.
        if (invisible->value() != 2)
            border->setChecked(true);
        border->setEnabled(invisible->value() == 2);
        transparent->setEnabled(border->isChecked());
        colourLabel->setEnabled(frameOn->isChecked());
        colourButton->setEnabled(frameOn->isChecked());
        widthLabel->setEnabled(frameOn->isChecked());
        frameWidth->box->setEnabled(frameOn->isChecked());
        successText->setEnabled(source->value() == 0);
        successPlay->setEnabled(source->value() == 0);
    });
}

void wortreihe(TF_O_alle& p)
{
    const int code = p.programCode();
    const bool odd = code == 203 || code == 204;  // "Einer passt nicht"
    const bool withHeading = code == 202 || code == 204;

    QGroupBox* gCount = p.addGroup(0, odd ? QStringLiteral("Anzahl Begriffe:") : QStringLiteral("Anzahl sichtbarer Bilder:"));
    p.boundedCount(gCount, 3, 6, FIELD(qint32, o.wortreihe.pictureCount), QStringLiteral("Bilderanzahl"));
    if (odd)  // these programs hear as many words as they show
        p.bind([](TOpt_allg&) {}, [](PageValues& v) { v.options.wortreihe.wordCount = v.options.wortreihe.pictureCount; });
    orderGroup(p, 0, odd ? QStringLiteral("Bilderauswahl:") : QStringLiteral("Bilderreihenfolge:"),
               FIELD(bool, o.wortreihe.randomOrder));
    controlGroup(p, 0, FIELD(bool, o.wortreihe.checkAtOnce), QStringLiteral("Sofort prüfen"));
    if (withHeading)
        p.headingCount(p.addGroup(0, QStringLiteral("Anleitung:")), FIELD(qint32, o.wortreihe.headingVisible));

    timeGroup(p, 0, FIELD(qint32, o.wortreihe.time));
    if (odd) {
        QGroupBox* g = p.addGroup(0, QStringLiteral("Bild/Text sichtbar ..."));
        p.checkInt(g, QStringLiteral(".. vor Hören"), FIELD(qint32, o.wortreihe.visibleBeforeHearing),
                   QStringLiteral("sichtbar vor Hören"));
        auto* hearing = new QCheckBox(QStringLiteral(".. beim Hören"), g);
        hearing->setObjectName(QStringLiteral("sichtbar beim Hören"));
        g->layout()->addWidget(hearing);
        auto* which = new QGroupBox(g);
        which->setFlat(true);
        which->setStyleSheet(QStringLiteral("QGroupBox { border: 0; margin: 0; padding: 0; }"));
        new QHBoxLayout(which);
        which->layout()->setContentsMargins(18, 0, 0, 0);
        g->layout()->addWidget(which);
        Choice* kind = p.newChoice(which, {QStringLiteral("alle"), QStringLiteral("nur gehörtes")}, {1, 2});
        for (QRadioButton* b : kind->buttons)
            which->layout()->addWidget(b);
        static_cast<QHBoxLayout*>(which->layout())->addStretch(1);
        p.bind(
            [hearing, kind](TOpt_allg& o) {
                const int v = o.wortreihe.visibleWhileHearing;
                hearing->setChecked(v > 0);
                kind->setValue(v > 0 ? v : 1);
            },
            [hearing, kind](PageValues& v) {
                v.options.wortreihe.visibleWhileHearing = hearing->isChecked() ? kind->value() : 0;
            });
        QObject::connect(hearing, &QCheckBox::toggled, &p, &TF_O_alle::refresh);
        p.onRefresh([hearing, kind] { kind->setEnabled(hearing->isChecked()); });
        p.checkInt(g, QStringLiteral(".. nach Hören"), FIELD(qint32, o.wortreihe.visibleAfterHearing),
                   QStringLiteral("sichtbar nach Hören"));
    }
    p.useBackground(0, FIELD(bool, o.wortreihe.backgroundPicture));
    p.useFeedback(1, TF_O_alle::feedbackOf([](TOpt_allg& o) -> TOptFeedback& { return o.wortreihe.feedback; }));
}

void gleichNichtGleich(TF_O_alle& p)
{
    QGroupBox* g = p.addGroup(0, QStringLiteral("Ansicht bei Erfolg:"));
    p.choice(g, {QStringLiteral("Bild"), QStringLiteral("Text"), QStringLiteral("Bild und Text")}, {0, 1, 2},
             FIELD(qint32, o.gleichNichtgleich.text), QStringLiteral("Text"));
    p.check(g, QStringLiteral("Markierung aus Editor anzeigen"), FIELD(bool, o.gleichNichtgleich.showMarks),
            QStringLiteral("Markierung zeigen"));
    orderGroup(p, 0, QStringLiteral("Bilderauswahl:"), FIELD(bool, o.gleichNichtgleich.randomOrder));
    timeGroup(p, 0, FIELD(qint32, o.gleichNichtgleich.time));
    p.useCardBack(0, FIELD(bool, o.gleichNichtgleich.cardBackVisible));
    p.useBackground(0, FIELD(bool, o.gleichNichtgleich.backgroundPicture));
    p.useFeedback(1, TF_O_alle::feedbackOf([](TOpt_allg& o) -> TOptFeedback& { return o.gleichNichtgleich.feedback; }));
}

void richtigOderFalsch(TF_O_alle& p)
{
    QGroupBox* gView = p.addGroup(0, QStringLiteral("Ansicht:"));
    p.choiceBool(gView, {QStringLiteral("Text"), QStringLiteral("Bild")}, FIELD(bool, o.richtigOderFalsch.text),
                 QStringLiteral("Text"));
    orderGroup(p, 0, QStringLiteral("Bilderauswahl:"), FIELD(bool, o.richtigOderFalsch.randomOrder));
    p.useBackground(0, FIELD(bool, o.richtigOderFalsch.backgroundPicture));

    // Speech or tone, each always the same or at random; the task's own sounds; or nothing:
    // "ErfolgAkustisch" 10 / 11, 20 / 21, 30, 0.
    QGroupBox* g = p.addGroup(1, QStringLiteral("akustische Rückmeldung bei Erfolg"));
    g->setObjectName(QStringLiteral("GB_rueckmeldung"));
    auto* kinds = new QButtonGroup(g);
    kinds->setObjectName(QStringLiteral("ErfolgAkustisch"));
    auto* layout = static_cast<QVBoxLayout*>(g->layout());
    auto addKind = [&](const QString& caption, int id) {
        auto* b = new QRadioButton(caption, g);
        kinds->addButton(b, id);
        layout->addWidget(b);
        return b;
    };
    auto addVariant = [&](const QString& name) {
        auto* box = new QGroupBox(g);
        box->setObjectName(name);
        box->setFlat(true);
        box->setStyleSheet(QStringLiteral("QGroupBox { border: 0; margin: 0; padding: 0; }"));
        auto* l = new QVBoxLayout(box);
        l->setContentsMargins(18, 0, 0, 0);
        l->setSpacing(2);
        layout->addWidget(box);
        Choice* ch = p.newChoice(box, {QStringLiteral("immer gleich"), QStringLiteral("zufälliger Sound")}, {0, 1});
        auto* row = new QHBoxLayout;
        for (QRadioButton* b : ch->buttons)
            row->addWidget(b);
        row->addStretch(1);
        l->addLayout(row);
        return std::make_pair(box, ch);
    };
    addKind(QStringLiteral("Sprache"), 1);
    auto [speechBox, speech] = addVariant(QStringLiteral("Sprache"));
    p.soundField(static_cast<QBoxLayout*>(speechBox->layout()), FIELD(QStringList, o.richtigOderFalsch.successSoundSpeech), 9,
                 QStringLiteral("ErfolgssoundSprache"));
    addKind(QStringLiteral("Ton"), 2);
    auto [toneBox, tone] = addVariant(QStringLiteral("Ton"));
    p.soundField(static_cast<QBoxLayout*>(toneBox->layout()), FIELD(QStringList, o.richtigOderFalsch.successSoundTone), 10,
                 QStringLiteral("ErfolgssoundTon"));
    addKind(QStringLiteral("Sprache bzw. Ton aus Datei"), 3);
    addKind(QStringLiteral("keine Rückmeldung"), 0);
    p.bind(
        [kinds, speech, tone](TOpt_allg& o) {
            int v = o.richtigOderFalsch.successSource;
            if (v != 10 && v != 11 && v != 20 && v != 21 && v != 30)
                v = 0;
            kinds->button(v / 10)->setChecked(true);
            speech->setValue(v / 10 == 1 ? v % 10 : 0);
            tone->setValue(v / 10 == 2 ? v % 10 : 0);
        },
        [kinds, speech, tone](PageValues& v) {
            const int kind = kinds->checkedId();
            v.options.richtigOderFalsch.successSource =
                kind == 1 ? 10 + speech->value() : kind == 2 ? 20 + tone->value() : kind == 3 ? 30 : 0;
        });
    QObject::connect(kinds, &QButtonGroup::idToggled, &p, [&p](int, bool on) {
        if (on)
            p.refresh();
    });
    p.onRefresh([kinds, speech, tone] {
        speech->setEnabled(kinds->checkedId() == 1);
        tone->setEnabled(kinds->checkedId() == 2);
    });
    p.frequencyRow(g, FIELD(qint32, o.richtigOderFalsch.successFrequency));
}

void welcherLautPasst(TF_O_alle& p)
{
    p.check(p.addGroup(0, QStringLiteral("Animation:")), QStringLiteral("bei Aufgabenwechsel"),
            FIELD(bool, o.welcherLautPasst.animation), QStringLiteral("Animation"));
    orderGroup(p, 0, QStringLiteral("Aufgabenauswahl:"), FIELD(bool, o.welcherLautPasst.randomOrder), kResetNote);
    p.useCardBack(0, FIELD(bool, o.welcherLautPasst.cardBackVisible));
    p.useBackground(0, FIELD(bool, o.welcherLautPasst.backgroundPicture));
    p.useFeedback(1, TF_O_alle::feedbackOf([](TOpt_allg& o) -> TOptFeedback& { return o.welcherLautPasst.feedback; }));
}

void langOderKurz(TF_O_alle& p)
{
    QGroupBox* gWhat = p.addGroup(0, QStringLiteral("Bild oder Text:"));
    QCheckBox* picture = p.check(gWhat, QStringLiteral("Bild"), FIELD(bool, o.langOderKurz.picture), QStringLiteral("Bild"));
    QCheckBox* text = p.check(gWhat, QStringLiteral("Text"), FIELD(bool, o.langOderKurz.text), QStringLiteral("Text"));
    QCheckBox* marks = p.check(gWhat, QStringLiteral("mit Markierung"), FIELD(bool, o.langOderKurz.showMarks),
                               QStringLiteral("Markierung zeigen"));
    oneOfTwo(p, picture, text);
    p.afterLoad([picture, text] {
        if (!picture->isChecked() && !text->isChecked())
            picture->setChecked(true);
    });

    p.choice(p.addGroup(0, QStringLiteral("Ansicht:")), {QStringLiteral("mit Bild/Text"), QStringLiteral("ohne Bild/Text")},
             {2, 0}, FIELD(qint32, o.langOderKurz.pictureView), QStringLiteral("Bilderansicht"));

    QGroupBox* gAfter = p.addGroup(0, QStringLiteral("Nach Lösung:"));
    auto* again = new QCheckBox(QStringLiteral("nochmal sagen"), gAfter);
    again->setObjectName(QStringLiteral("ChB_nochmalsagen"));
    auto* show = new QCheckBox(QStringLiteral("Bild/Text zeigen"), gAfter);
    show->setObjectName(QStringLiteral("Chb_bilderzeigen"));
    gAfter->layout()->addWidget(again);
    gAfter->layout()->addWidget(show);
    p.bind(
        [again, show](TOpt_allg& o) {
            const int v = std::clamp(o.langOderKurz.afterSolution, 0, 3);
            show->setChecked(v & 1);
            again->setChecked(v & 2);
        },
        [again, show](PageValues& v) {
            v.options.langOderKurz.afterSolution = (show->isChecked() ? 1 : 0) + (again->isChecked() ? 2 : 0);
        });
    QObject::connect(show, &QCheckBox::toggled, &p, &TF_O_alle::refresh);
    p.check(gAfter, QStringLiteral("Markierung aus Editor anzeigen"), FIELD(bool, o.langOderKurz.marksWithSolution),
            QStringLiteral("Markierung bei LSG zeigen"));
    QCheckBox* textAlways = p.check(gAfter, QStringLiteral("Text auch zeigen, wenn nur Bild aktiv ist."),
                                    FIELD(bool, o.langOderKurz.textAlways), QStringLiteral("Text immer"));

    p.check(p.addGroup(0, QStringLiteral("visuelle Rückmeldung bei ...")), QStringLiteral("Erfolg"),
            FIELD(bool, o.langOderKurz.successPicture), QStringLiteral("Erfolgsbild"));
    controlGroup(p, 0, FIELD(bool, o.langOderKurz.atOnce), QStringLiteral("sofort"));
    QGroupBox* gTime = p.addGroup(1, QStringLiteral("zeitlicher Abstand der gehörten Begriffe:"));
    p.timeSlider(gTime, 8, kTwoSeconds, FIELD(qint32, o.langOderKurz.time));
    p.note(gTime, QStringLiteral("Ebenfalls wirksam bei mehreren Sounds pro Wort (Silben)."));
    orderGroup(p, 0, QStringLiteral("Bilderauswahl:"), FIELD(bool, o.langOderKurz.randomOrder));
    p.useCardBack(1, FIELD(bool, o.langOderKurz.cardBackVisible), QStringLiteral("Rückseite sichtbar (im Editor einstellen)"));
    p.useBackground(1, FIELD(bool, o.langOderKurz.backgroundPicture));
    p.useFeedback(1, TF_O_alle::feedbackOf([](TOpt_allg& o) -> TOptFeedback& { return o.langOderKurz.feedback; }));

    p.onRefresh([text, marks, show, textAlways] {
        marks->setEnabled(text->isChecked());
        textAlways->setEnabled(show->isChecked());
    });
}

void memory(TF_O_alle& p)
{
    const int code = p.programCode();
#define MEM (code == 407 ? o.lautSilbenMemory : o.memory)
    p.choice(p.addGroup(0, QStringLiteral("Bilderanzahl:")), {"6", "12", "16", "20", QStringLiteral("24 Karten")},
             {6, 12, 16, 20, 24}, FIELD(qint32, MEM.pictureCount), QStringLiteral("Bilderanzahl"));
    p.choice(p.addGroup(0, QStringLiteral("visuelle Hilfe:")), kCardContent, {0, 1, 2}, FIELD(qint32, MEM.visible),
             QStringLiteral("sichtbar"));

    // "TextBild": 1 text, 2 picture, 3 both.
    QGroupBox* gView = p.addGroup(0, QStringLiteral("Ansicht:"));
    auto* text = new QCheckBox(QStringLiteral("Text"), gView);
    text->setObjectName(QStringLiteral("Text"));
    auto* picture = new QCheckBox(QStringLiteral("Bild"), gView);
    picture->setObjectName(QStringLiteral("Bild"));
    gView->layout()->addWidget(text);
    gView->layout()->addWidget(picture);
    p.note(gView, QStringLiteral("Nach dem Lösen ist der Text immer sichtbar!"));
    oneOfTwo(p, text, picture);
    p.bind(
        [=](TOpt_allg& o) {
            int v = MEM.textPicture;
            if (v < 1 || v > 3)
                v = 2;
            text->setChecked(v & 1);
            picture->setChecked(v & 2);
        },
        [=](PageValues& v) {
            TOpt_allg& o = v.options;
            MEM.textPicture = (text->isChecked() ? 1 : 0) + (picture->isChecked() ? 2 : 0);
        });

    QGroupBox* gSuccess = p.addGroup(0, QStringLiteral("Karten bei Erfolg ..."));
    p.choice(gSuccess, {QStringLiteral("sichtbar"), QStringLiteral("verbinden")}, {0, 1}, FIELD(qint32, MEM.onSuccess),
             QStringLiteral("bei Erfolg"), true);
    p.note(gSuccess, QStringLiteral("Änderung wird erst beim nächsten Spiel wirksam."));
    p.choice(p.addGroup(1, QStringLiteral("Bilderauswahl")), {QStringLiteral("zufällig"), QStringLiteral("der Reihenfolge nach")},
             {0, 1}, FIELD(qint32, MEM.pictureChoice), QStringLiteral("Bilderauswahl"));

    // Two players exist only in the window that is open; the group is not shown.
    QGroupBox* gPlayers = p.addGroup(1, QStringLiteral("Spieleranzahl:"));
    gPlayers->setObjectName(QStringLiteral("GB_spieleranzahl"));
    Choice* players = p.choice(gPlayers, {QStringLiteral("1 Spieler"), QStringLiteral("2 Spieler")}, {1, 2},
                               FIELD(qint32, MEM.playerCount), QStringLiteral("Spieleranzahl"), true);
    auto* computer = new QCheckBox(QStringLiteral("2. Spieler ist Computer"), gPlayers);
    computer->setObjectName(QStringLiteral("Computer"));
    gPlayers->layout()->addWidget(computer);
    auto* strength = new QWidget(gPlayers);
    auto* sl = new QGridLayout(strength);
    sl->setContentsMargins(0, 0, 0, 0);
    sl->addWidget(new QLabel(QStringLiteral("Computerspielstärke:"), strength), 0, 0, 1, 3);
    auto* slider = new QSlider(Qt::Horizontal, strength);
    slider->setObjectName(QStringLiteral("TB_computer"));
    slider->setRange(0, 3);
    slider->setPageStep(1);
    slider->setTickPosition(QSlider::TicksBelow);
    // 0 remembers every card seen once: the strong end is on the right.
    slider->setInvertedAppearance(true);
    sl->addWidget(new QLabel(QStringLiteral("schwach"), strength), 1, 0);
    sl->addWidget(slider, 1, 1);
    sl->addWidget(new QLabel(QStringLiteral("stark"), strength), 1, 2);
    gPlayers->layout()->addWidget(strength);
    p.bind(
        [=](TOpt_allg& o) {
            computer->setChecked(MEM.computer >= 0);
            slider->setValue(std::clamp(MEM.computer, 0, 3));
        },
        [=](PageValues& v) {
            TOpt_allg& o = v.options;
            MEM.computer = computer->isChecked() ? slider->value() : -1;
        });
    QObject::connect(computer, &QCheckBox::toggled, &p, &TF_O_alle::refresh);
    p.onRefresh([players, computer, strength] {
        computer->setEnabled(players->value() == 2);
        strength->setVisible(computer->isChecked());
    });
    gPlayers->hide();

    timeGroup(p, 1, FIELD(qint32, MEM.time));
    instructionGroup(p, 1, FIELD(qint32, MEM.instructionVisible), FIELD(bool, MEM.instructionAudible));
    p.useBackground(1, FIELD(bool, MEM.backgroundPicture));
#undef MEM
}

void lautPos(TF_O_alle& p)
{
    p.choiceBool(p.addGroup(0, QStringLiteral("Lösungswahl:")), {QStringLiteral("Bild"), QStringLiteral("Knöpfe")},
                 FIELD(bool, o.lautPos.solutionWithPicture), QStringLiteral("Lösung mit Bild"));
    controlGroup(p, 0, FIELD(bool, o.lautPos.atOnce), QStringLiteral("sofort"));
    orderGroup(p, 0, QStringLiteral("Aufgabenauswahl:"), FIELD(bool, o.lautPos.randomOrder), kResetNote);
    p.useBackground(0, FIELD(bool, o.lautPos.backgroundPicture));
    TF_O_alle::FeedbackFields fb;
    fb.successSound = FIELD(bool, o.lautPos.successSound);
    fb.successSource = FIELD(qint32, o.lautPos.successSource);
    fb.successText = FIELD(QStringList, o.lautPos.successSoundText);
    fb.frequency = FIELD(qint32, o.lautPos.successFrequency);
    fb.successCaptions = {QStringLiteral("immer gleich"), QStringLiteral("zufälliger Sound")};
    fb.successValues = {0, 2};
    p.useFeedback(1, fb);
}

void lautSuche(TF_O_alle& p)
{
    QGroupBox* gHelp = p.addGroup(0, QStringLiteral("visuelle Hilfe:"));
    Choice* help = p.choice(gHelp, {QStringLiteral("Bild nicht sichtbar"), QStringLiteral("Bild sichtbar bei Erfolg"),
                                    QStringLiteral("Bild immer sichtbar")},
                            {0, 1, 2}, FIELD(qint32, o.lautSuche.visualHelp), QStringLiteral("visuelle Hilfe"));
    QCheckBox* transition = p.check(gHelp, QStringLiteral("mit Übergang"), FIELD(bool, o.lautSuche.transition),
                                    QStringLiteral("Übergang"));
    QCheckBox* atOnce = p.check(p.addGroup(0, QStringLiteral("Kontrolle:")), kControl, FIELD(bool, o.lautSuche.atOnce),
                                QStringLiteral("sofort"));
    QGroupBox* gHeading = p.addGroup(0, QStringLiteral("Überschrift:"));
    p.headingCount(gHeading, FIELD(qint32, o.lautSuche.headingVisible));
    p.check(gHeading, QStringLiteral("hörbar"), FIELD(bool, o.lautSuche.headingAudible), QStringLiteral("Überschrift hörbar"));
    QGroupBox* gLook = p.addGroup(0, QStringLiteral("Darstellung:"));
    QCheckBox* button = p.check(gLook, QStringLiteral("Lautknopf"), FIELD(bool, o.lautSuche.soundButton), QStringLiteral("Lautknopf"));
    QCheckBox* mouth = p.check(gLook, QStringLiteral("Mundbild"), FIELD(bool, o.lautSuche.mouthPicture), QStringLiteral("Mundbild"));
    soundButtonRules(p, atOnce, button, mouth, FIELD(bool, o.lautSuche.soundButton));

    p.boundedCount(p.addGroup(0, QStringLiteral("Anzahl von Auswahllauten:")), 1, 5, FIELD(qint32, o.lautSuche.soundCount),
                   QStringLiteral("LautAnzahl"));
    orderGroup(p, 0, QStringLiteral("Aufgabenauswahl:"), FIELD(bool, o.lautSuche.randomOrder), kResetNote);
    QGroupBox* gSide = p.addGroup(0, QStringLiteral("Links/Rechts:"));
    p.choiceBool(gSide, {QStringLiteral("Laute links - Bild rechts"), QStringLiteral("Bild links     - Laute rechts")},
                 FIELD(bool, o.lautSuche.soundsLeft), QStringLiteral("Laute links"), false);
    gSide->hide();
    p.useBackground(1, FIELD(bool, o.lautSuche.backgroundPicture));
    p.useFeedback(1, TF_O_alle::feedbackOf([](TOpt_allg& o) -> TOptFeedback& { return o.lautSuche.feedback; }));
    p.onRefresh([help, transition] { transition->setEnabled(help->value() != 0); });
}

const QStringList kModes{QStringLiteral("Probiermodus"), QStringLiteral("Wort sichtbar nach Anhören"),
                         QStringLiteral("Wort sofort sichtbar")};

void lautAdd(TF_O_alle& p)
{
    QGroupBox* gWhat = p.addGroup(0, QStringLiteral("Bild und/oder Text:"));
    QCheckBox* text = p.check(gWhat, QStringLiteral("Text"), FIELD(bool, o.lautAdd.withText), QStringLiteral("mit Text"));
    QCheckBox* picture = p.check(gWhat, QStringLiteral("Bild"), FIELD(bool, o.lautAdd.withPicture), QStringLiteral("mit Bild"));
    QCheckBox* onSuccess = p.check(gWhat, QStringLiteral("Text bei Erfolg"), FIELD(bool, o.lautAdd.textOnSuccess),
                                   QStringLiteral("TextbeiErfolg"));
    p.boundedCount(p.addGroup(0, QStringLiteral("Anzahl von Auswahllauten:")), 1, 5, FIELD(qint32, o.lautAdd.soundCount),
                   QStringLiteral("LautAnzahl"));
    QGroupBox* gMode = p.addGroup(0, QStringLiteral("Programm-Modus:"));
    p.choice(gMode, kModes, {0, 1, 2}, FIELD(qint32, o.lautAdd.mode), QStringLiteral("Modus"));
    gMode->hide();
    QCheckBox* atOnce = p.check(p.addGroup(0, QStringLiteral("Kontrolle:")), kControl, FIELD(bool, o.lautAdd.atOnce),
                                QStringLiteral("sofort"));

    QGroupBox* gLook = p.addGroup(0, QStringLiteral("Darstellung:"));
    QCheckBox* button = p.check(gLook, QStringLiteral("Lautknopf"), FIELD(bool, o.lautAdd.soundButton), QStringLiteral("Lautknopf"));
    QCheckBox* mouth = p.check(gLook, QStringLiteral("Mundbild"), FIELD(bool, o.lautAdd.mouthPicture), QStringLiteral("Mundbild"));
    soundButtonRules(p, atOnce, button, mouth, FIELD(bool, o.lautAdd.soundButton));
    QGroupBox* gHeading = p.addGroup(0, QStringLiteral("Überschrift:"));
    p.dropDown(gHeading, {QStringLiteral("nie"), QStringLiteral("1 mal"), QStringLiteral("2 mal"), QStringLiteral("3 mal"),
                          QStringLiteral("immer")},
               {0, 1, 2, 3, 4}, FIELD(qint32, o.lautAdd.headingVisible), QStringLiteral("Überschrift sichtbar"));
    gHeading->hide();
    orderGroup(p, 0, QStringLiteral("Aufgabenauswahl:"), FIELD(bool, o.lautAdd.randomOrder), kResetNote);
    p.useBackground(1, FIELD(bool, o.lautAdd.backgroundPicture));
    p.useFeedback(1, TF_O_alle::feedbackOf([](TOpt_allg& o) -> TOptFeedback& { return o.lautAdd.feedback; }));

    p.onRefresh([text, picture, onSuccess] {
        // Without picture and text the word can only appear on success.
        if (!text->isChecked() && !picture->isChecked())
            onSuccess->setChecked(true);
        onSuccess->setEnabled(picture->isChecked() && !text->isChecked());
    });
}

void lautWeg(TF_O_alle& p)
{
    p.boundedCount(p.addGroup(0, QStringLiteral("Anzahl von Alternativen:")), 1, 4, FIELD(qint32, o.lautWeg.soundCount),
                   QStringLiteral("LautAnzahl"));
    p.choice(p.addGroup(0, QStringLiteral("visuelle Hilfe:")),
             {QStringLiteral("Bild nicht sichtbar"), QStringLiteral("Bild immer sichtbar")}, {0, 2},
             FIELD(qint32, o.lautWeg.visualHelp), QStringLiteral("visuelle Hilfe"));
    orderGroup(p, 0, QStringLiteral("Bilderauswahl:"), FIELD(bool, o.lautWeg.randomOrder));
    QGroupBox* gFirst = p.addGroup(0, QStringLiteral("vor dem Lösen..."));
    auto* hearAll = new QCheckBox(QStringLiteral("...zuerst alle Alternativen anhören"), gFirst);
    hearAll->setObjectName(QStringLiteral("zuerst alle Alternativen anhören"));
    gFirst->layout()->addWidget(hearAll);
    p.bind([hearAll](TOpt_allg&) { hearAll->setChecked(hearAllAlternativesFirst()); },
           [hearAll](PageValues& v) { v.hearAllAlternativesFirst = hearAll->isChecked(); });

    QGroupBox* gHeading = p.addGroup(0, QStringLiteral("Anleitung:"));
    p.headingCount(gHeading, FIELD(qint32, o.lautWeg.headingVisible));
    p.check(gHeading, QStringLiteral("hörbar"), FIELD(bool, o.lautWeg.headingAudible), QStringLiteral("Überschrift hörbar"));
    controlGroup(p, 0, FIELD(bool, o.lautWeg.atOnce), QStringLiteral("sofort"));
    p.useBackground(1, FIELD(bool, o.lautWeg.backgroundPicture));
    p.useFeedback(1, TF_O_alle::feedbackOf([](TOpt_allg& o) -> TOptFeedback& { return o.lautWeg.feedback; }));
}

void lautReplace(TF_O_alle& p)
{
    QGroupBox* gShow = p.addGroup(0, QStringLiteral("Anzeige:"));
    p.check(gShow, QStringLiteral("Text"), FIELD(bool, o.lautReplace.withText), QStringLiteral("mit Text"));
    p.check(gShow, QStringLiteral("Bild"), FIELD(bool, o.lautReplace.withPicture), QStringLiteral("mit Bild"));
    p.check(gShow, QStringLiteral("Textmarkierung aus Editor anzeigen"), FIELD(bool, o.lautReplace.showMarks),
            QStringLiteral("Markierung zeigen"));
    p.boundedCount(p.addGroup(0, QStringLiteral("Anzahl von Auswahllauten:")), 2, 4, FIELD(qint32, o.lautReplace.soundCount),
                   QStringLiteral("LautAnzahl"));
    QGroupBox* gMode = p.addGroup(0, QStringLiteral("Programm-Modus:"));
    p.choice(gMode, kModes, {0, 1, 2}, FIELD(qint32, o.lautReplace.mode), QStringLiteral("Modus"));
    gMode->hide();
    QCheckBox* atOnce = p.check(p.addGroup(0, QStringLiteral("Kontrolle:")), kControl, FIELD(bool, o.lautReplace.atOnce),
                                QStringLiteral("sofort"));

    QGroupBox* gHeading = p.addGroup(0, QStringLiteral("Anleitung:"));
    p.headingCount(gHeading, FIELD(qint32, o.lautReplace.headingVisible));
    p.check(gHeading, QStringLiteral("hörbar"), FIELD(bool, o.lautReplace.headingAudible), QStringLiteral("Überschrift hörbar"));
    QGroupBox* gLook = p.addGroup(0, QStringLiteral("Darstellung:"));
    QCheckBox* button = p.check(gLook, QStringLiteral("Lautknopf"), FIELD(bool, o.lautReplace.soundButton), QStringLiteral("Lautknopf"));
    QCheckBox* mouth = p.check(gLook, QStringLiteral("Mundbild"), FIELD(bool, o.lautReplace.mouthPicture), QStringLiteral("Mundbild"));
    soundButtonRules(p, atOnce, button, mouth, FIELD(bool, o.lautReplace.soundButton));
    orderGroup(p, 0, QStringLiteral("Aufgabenauswahl:"), FIELD(bool, o.lautReplace.randomOrder), kResetNote);
    p.useBackground(1, FIELD(bool, o.lautReplace.backgroundPicture));
    p.useFeedback(1, TF_O_alle::feedbackOf([](TOpt_allg& o) -> TOptFeedback& { return o.lautReplace.feedback; }));
}

void silbenanzahl(TF_O_alle& p)
{
    // The long caption wraps above the slider instead of widening the column as a title would.
    QGroupBox* gTime = p.addGroup(0, QString());
    p.note(gTime, QStringLiteral("zeitlicher Abstand zwischen dem 1. und dem 2. Wort  bei Lösung "));
    p.timeSlider(gTime, 6,
                 {{0, QStringLiteral("0")}, {2, QStringLiteral("0,5")}, {4, QStringLiteral("1")}, {6, QStringLiteral("1,5 Sek.")}},
                 FIELD(qint32, o.silbenanzahl.time));
    orderGroup(p, 0, QStringLiteral("Bilderreihenfolge:"), FIELD(bool, o.silbenanzahl.randomOrder),
               QStringLiteral("Option wird nach Programmende immer auf 'zufällig' zurückgesetzt!"));
    p.check(p.addGroup(0, QStringLiteral("auditive Hilfe")), QStringLiteral("Hilfeknopf sichtbar"),
            FIELD(bool, o.silbenanzahl.helpButtonVisible), QStringLiteral("Hilfeknopf sichtbar"));
    controlGroup(p, 0, FIELD(bool, o.silbenanzahl.atOnce), QStringLiteral("sofort"));

    Choice* help = p.choice(p.addGroup(0, QStringLiteral("visuelle Hilfe:")),
                            {QStringLiteral("Bild nicht sichtbar"), QStringLiteral("Bild immer sichtbar")}, {0, 2},
                            FIELD(qint32, o.silbenanzahl.visualHelp), QStringLiteral("visuelle Hilfe"));
    p.choice(p.addGroup(0, QStringLiteral("Silbendarstellung:")),
             {QStringLiteral("unterschiedlich farbig"), QStringLiteral("durch Bindestrich (-) getrennt")}, {1, 2},
             FIELD(qint32, o.silbenanzahl.syllableDisplay), QStringLiteral("Silbendarstellung"));
    QCheckBox* after = p.check(p.addGroup(0, QStringLiteral("Ansicht:")), QStringLiteral("Bild sichtbar nach Lösung"),
                               FIELD(bool, o.silbenanzahl.cardsVisibleOnSuccess), QStringLiteral("Karten sichtbar bei Erfolg"));
    p.useCardBack(1, FIELD(bool, o.silbenanzahl.cardBackVisible));
    p.useBackground(1, FIELD(bool, o.silbenanzahl.backgroundPicture));
    p.useFeedback(1, TF_O_alle::feedbackOf([](TOpt_allg& o) -> TOptFeedback& { return o.silbenanzahl.feedback; }));
    p.onRefresh([help, after] { after->setEnabled(help->value() == 0); });
}

void paarSuche(TF_O_alle& p)
{
    p.choice(p.addGroup(0, QStringLiteral("Auswahl-Bilderanzahl:")), {"6", "8", "10", QStringLiteral("12 Karten")},
             {6, 8, 10, 12}, FIELD(qint32, o.paarSuche.pictureCount), QStringLiteral("Bilderanzahl"));
    p.choice(p.addGroup(0, QStringLiteral("Bilderauswahl")), {QStringLiteral("zufällig"), QStringLiteral("der Reihenfolge nach")},
             {0, 1}, FIELD(qint32, o.paarSuche.pictureChoice), QStringLiteral("Bilderauswahl"));
    timeGroup(p, 0, FIELD(qint32, o.paarSuche.time));

    QGroupBox* gCards = p.addGroup(0, QStringLiteral("Auswahlkarten:"));
    auto* as = new QLabel(QStringLiteral("Ansicht als ..."), gCards);
    gCards->layout()->addWidget(as);
    p.choice(gCards, {QStringLiteral("Text"), QStringLiteral("Bild")}, {1, 2}, FIELD(qint32, o.paarSuche.textPicture),
             QStringLiteral("TextBild"), true);
    p.note(gCards, QStringLiteral("Gefundene Paare sind immer als Text sichtbar!"));
    auto* helpTitle = new QLabel(QStringLiteral("visuelle Hilfe:"), gCards);
    gCards->layout()->addWidget(helpTitle);
    p.choice(gCards, kCardContent, {0, 1, 2}, FIELD(qint32, o.paarSuche.visible), QStringLiteral("sichtbar"));
    p.check(gCards, QStringLiteral("gelöste Aufgaben sind markiert"), FIELD(bool, o.paarSuche.cardsVisibleOnSuccess),
            QStringLiteral("Karten sichtbar bei Erfolg"));
    QGroupBox* gSuccess = p.addGroup(0, QStringLiteral("Karten bei Erfolg ..."));
    p.choice(gSuccess, {QStringLiteral("sichtbar"), QStringLiteral("verschwinden")}, {0, 1},
             FIELD(qint32, o.paarSuche.onSuccess), QStringLiteral("bei Erfolg"), true);
    gSuccess->hide();
    instructionGroup(p, 1, FIELD(qint32, o.paarSuche.instructionVisible), FIELD(bool, o.paarSuche.instructionAudible));
    p.useBackground(1, FIELD(bool, o.paarSuche.backgroundPicture));
    p.useFeedback(1, TF_O_alle::feedbackOf([](TOpt_allg& o) -> TOptFeedback& { return o.paarSuche.feedback; }));
}

#undef FIELD

} // namespace

void BuildPage(TF_O_alle& p)
{
    switch (p.programCode()) {
    case 0: allgemein(p); break;
    case 101: case 102: merkfaehigkeit(p); break;
    case 201: case 202: case 203: case 204: wortreihe(p); break;
    case 301: gleichNichtGleich(p); break;
    case 302: richtigOderFalsch(p); break;
    case 303: welcherLautPasst(p); break;
    case 304: langOderKurz(p); break;
    case 305: case 407: memory(p); break;
    case 401: lautPos(p); break;
    case 402: lautSuche(p); break;
    case 403: lautAdd(p); break;
    case 404: lautWeg(p); break;
    case 405: lautReplace(p); break;
    case 406: silbenanzahl(p); break;
    case 408: paarSuche(p); break;
    default: break;
    }
}

} // namespace options
