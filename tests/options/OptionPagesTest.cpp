#include "OptionsFixture.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

using dialogs::Button;

namespace {

const QString kMerk = QStringLiteral("Programm: Merkfähigkeit-Bild");
const QString kDoppel = QStringLiteral("Programm: Doppelgänger-Bild");
const QString kRoF = QStringLiteral("Programm: Richtig oder Falsch");
const QString kLoK = QStringLiteral("Programm: Lang oder Kurz");

class OptionPages : public OptionsFixture
{
};

QComboBox* combo(QWidget* page, const QString& name) { return page->findChild<QComboBox*>(name); }

} // namespace

// OK without a change writes nothing: the template stays byte for byte, whatever the page cannot
// show as it is (the word series' 12 pictures, "Laut positionieren"'s ErfolgAkustisch=2 ...).
TEST_F(OptionPages, OkWithoutChangesLeavesTheFileAsItWas)
{
    for (int code : kAllCodes) {
        ReadPlayerOptions("Anna", 0);  // makes the player's file from the template
        const QByteArray before = annaFile();
        ASSERT_EQ(before, demoTemplate());
        const TOpt_allg memoryBefore = [&] {
            ReadPlayerOptions("Anna", code);
            return g().playerOptions;
        }();
        auto page = openPage(code);
        ASSERT_TRUE(page->isVisible()) << code;
        page->BB_ok->click();
        EXPECT_EQ(page->result(), QDialog::Accepted) << code;
        EXPECT_EQ(annaFile(), before) << "page " << code;
        EXPECT_TRUE(g().playerOptions == memoryBefore) << "page " << code;
    }
    EXPECT_EQ(fsys::list(t.path("Optionen/"), "*").size(), 2);  // no other file appeared
}

TEST_F(OptionPages, CaptionNamesProgramAndPlayer)
{
    auto page = openPage(203);
    EXPECT_EQ(page->windowTitle(), " 2.3. Optionen für 'Einer passt nicht - Bild' für Anna");
    EXPECT_EQ(page->objectName(), "TF_O_EinerPasstNicht");
    EXPECT_TRUE(page->P_unten->isVisible());
}

// The picture count of the word series: a text that is no number keeps the value held before, with
// the message; numbers are clamped into the page's range. The same rule with other bounds on the
// sound count pages.
TEST_F(OptionPages, CountFieldsCheckWhatIsTyped)
{
    struct Case {
        int code;
        const char* section;
        const char* key;
        const char* stored;
        const char* typed;
        const char* shown;
        const char* message;  // "" when none
    };
    const Case cases[] = {
        {201, "Programm: Doppelgänger-Bild", "Bilderanzahl", "4", "x", "4", "Nur Werte zwischen 3 und 6 erlaubt."},
        {201, "Programm: Doppelgänger-Bild", "Bilderanzahl", "4", "9", "6", ""},
        {201, "Programm: Doppelgänger-Bild", "Bilderanzahl", "4", "1", "3", ""},
        {201, "Programm: Doppelgänger-Bild", "Bilderanzahl", "4", "5", "5", ""},
        {204, "Programm: Einer passt nicht-Text", "Bilderanzahl", "5", "", "5", "Nur Werte zwischen 3 und 6 erlaubt."},
        {402, "Programm: Laut-/Silbensuche", "LautAnzahl", "3", "zwei", "3", "Nur Werte zwischen 1 und 5 erlaubt."},
        {402, "Programm: Laut-/Silbensuche", "LautAnzahl", "3", "0", "1", ""},
        {403, "Programm: Laute hinzufügen", "LautAnzahl", "3", "17", "5", ""},
        {404, "Programm: Laute weglassen", "LautAnzahl", "2", "5", "4", ""},
        {404, "Programm: Laute weglassen", "LautAnzahl", "2", "?", "2", "Nur Werte zwischen 1 und 4 erlaubt."},
        {405, "Programm: Laute ersetzen", "LautAnzahl", "3", "1", "2", ""},
        {405, "Programm: Laute ersetzen", "LautAnzahl", "3", "4 ", "4", ""},
        {405, "Programm: Laute ersetzen", "LautAnzahl", "3", "3,5", "3", "Nur Werte zwischen 2 und 4 erlaubt."},
    };
    catchBubbles();
    for (const Case& c : cases) {
        const QString where = QString("%1 %2").arg(c.code).arg(c.typed);
        fsys::removeFile(t.path("Optionen/Options-Anna.txt"));
        t.write("Optionen/Options-Standard.txt", demoTemplate());
        setTemplateValue(c.section, c.key, c.stored);
        bubbles.clear();
        auto page = openPage(c.code);
        QComboBox* box = combo(page.get(), c.key);
        ASSERT_NE(box, nullptr) << where.toStdString();
        EXPECT_EQ(box->currentText(), c.stored) << where.toStdString();
        typeInto(box, c.typed);
        EXPECT_EQ(box->currentText(), c.shown) << where.toStdString();
        EXPECT_EQ(bubbles, QString(c.message).isEmpty() ? QStringList() : QStringList{c.message}) << where.toStdString();
        page->BB_ok->click();
        EXPECT_EQ(fileValue(c.section, c.key), c.shown) << where.toStdString();
    }
}

// Fewer cards than words to remember: Yes lowers the words, No keeps the cards.
TEST_F(OptionPages, PictureCountBelowRememberCountAsks)
{
    setTemplateValue(kMerk, "Merkanzahl", "6");
    {
        dialogs::ScriptedDialogs d;
        d.answer(Button::Yes);
        auto page = openPage(101);
        QComboBox* remember = combo(page.get(), "Merkanzahl");
        EXPECT_EQ(remember->currentText(), "6");
        EXPECT_TRUE(button(page.get(), "12 Karten")->isChecked());
        press(button(page.get(), "4"));
        ASSERT_EQ(d.asked().size(), 1);
        EXPECT_EQ(d.asked()[0].text, "Die Bilderanzahl ist kleiner als die Merkanzahl. Soll die Merkanzahl automatisch "
                                     "angepasst werden?");
        EXPECT_EQ(d.asked()[0].buttons, (QList<Button>{Button::Yes, Button::No}));
        EXPECT_EQ(remember->currentText(), "4");
        EXPECT_TRUE(button(page.get(), "4")->isChecked());
        page->BB_ok->click();
        EXPECT_EQ(fileValue(kMerk, "Bilderanzahl"), "4");
        EXPECT_EQ(fileValue(kMerk, "Merkanzahl"), "4");
        EXPECT_EQ(g().playerOptions.merkfaehigkeit.rememberCount, 4);
    }
    fsys::removeFile(t.path("Optionen/Options-Anna.txt"));
    {
        dialogs::ScriptedDialogs d;
        d.answer(Button::No);
        auto page = openPage(101);
        page->activateWindow();
        QComboBox* remember = combo(page.get(), "Merkanzahl");
        press(button(page.get(), "4"));
        EXPECT_EQ(d.texts(), (QStringList{"Die Bilderanzahl ist kleiner als die Merkanzahl. Soll die Merkanzahl "
                                          "automatisch angepasst werden?",
                                          "Bitte Merkanzahl zuerst anpassen!"}));
        EXPECT_TRUE(button(page.get(), "12 Karten")->isChecked());
        EXPECT_FALSE(button(page.get(), "4")->isChecked());
        EXPECT_EQ(remember->currentText(), "6");
        EXPECT_TRUE(remember->hasFocus());
        // A remember count above the cards is refused the other way round.
        press(button(page.get(), "6"));  // 6 cards: equal is fine
        d.clear();
        typeInto(remember, "9");
        EXPECT_EQ(d.texts(), QStringList{"Merkanzahl zu groß!"});
        EXPECT_EQ(remember->currentText(), "6");
        typeInto(remember, "3");
        page->BB_ok->click();
        EXPECT_EQ(fileValue(kMerk, "Bilderanzahl"), "6");
        EXPECT_EQ(fileValue(kMerk, "Merkanzahl"), "3");
    }
}

TEST_F(OptionPages, FrameWidthThatIsNoNumberBeepsAndIsPutBack)
{
    dialogs::ScriptedDialogs d;
    auto page = openPage(101);
    QComboBox* width = combo(page.get(), "Rahmenbreite");
    EXPECT_EQ(width->currentText(), "4");
    for (const char* typed : {"breit", "11"}) {
        audio.clearLog();
        d.clear();
        typeInto(width, typed);
        EXPECT_EQ(audio.log(), QStringList{"beep"}) << typed;
        ASSERT_EQ(d.asked().size(), 1) << typed;
        EXPECT_EQ(d.asked()[0].text, "bei der Eingabe der Rahmenbreite!\nnur numerische Eingaben zwischen 1 und 10 erlaubt!");
        EXPECT_EQ(d.asked()[0].buttons, (QList<Button>{Button::Ok, Button::Cancel}));
        EXPECT_EQ(width->currentText(), "4") << typed;
    }
    typeInto(width, "7");
    EXPECT_TRUE(d.asked().size() == 1);
    page->BB_ok->click();
    EXPECT_EQ(fileValue(kMerk, "Rahmenbreite"), "7");
}

// "Text" and "Bild" of "Lang oder kurz": the last one unchecked checks the other.
TEST_F(OptionPages, LangOderKurzKeepsTextOrPicture)
{
    struct Case {
        const char* text;
        const char* picture;
        const char* click;
        const char* textAfter;
        const char* pictureAfter;
    };
    const Case cases[] = {
        {"1", "0", "Text", "0", "1"},
        {"0", "1", "Bild", "1", "0"},
        {"1", "1", "Bild", "1", "0"},
        {"1", "1", "Text", "0", "1"},
    };
    for (const Case& c : cases) {
        fsys::removeFile(t.path("Optionen/Options-Anna.txt"));
        setTemplateValue(kLoK, "Text", c.text);
        setTemplateValue(kLoK, "Bild", c.picture);
        auto page = openPage(304);
        press(button(page.get(), c.click, "Bild oder Text:"));
        page->BB_ok->click();
        EXPECT_EQ(fileValue(kLoK, "Text"), c.textAfter) << c.text << c.picture << c.click;
        EXPECT_EQ(fileValue(kLoK, "Bild"), c.pictureAfter) << c.text << c.picture << c.click;
    }
    // The template has neither: the page shows the picture, and the marks follow the text.
    fsys::removeFile(t.path("Optionen/Options-Anna.txt"));
    setTemplateValue(kLoK, "Text", "0");
    setTemplateValue(kLoK, "Bild", "0");
    auto page = openPage(304);
    EXPECT_TRUE(button(page.get(), "Bild", "Bild oder Text:")->isChecked());
    EXPECT_FALSE(button(page.get(), "mit Markierung")->isEnabled());
    press(button(page.get(), "Text", "Bild oder Text:"));
    EXPECT_TRUE(button(page.get(), "mit Markierung")->isEnabled());
}

// "Richtig oder Falsch": the kind of praise and its variant make one number.
TEST_F(OptionPages, RichtigOderFalschFeedbackCodes)
{
    struct Case {
        const char* kind;
        const char* variant;  // "" without one
        const char* stored;
    };
    const Case cases[] = {
        {"Ton", "zufälliger Sound", "21"},
        {"Ton", "immer gleich", "20"},
        {"Sprache", "zufälliger Sound", "11"},
        {"Sprache", "immer gleich", "10"},
        {"Sprache bzw. Ton aus Datei", "", "30"},
        {"keine Rückmeldung", "", "0"},
    };
    for (const Case& c : cases) {
        fsys::removeFile(t.path("Optionen/Options-Anna.txt"));
        setTemplateValue(kRoF, "ErfolgAkustisch", "30");  // none of the cases' start
        auto page = openPage(302);
        press(button(page.get(), c.kind, "akustische Rückmeldung bei Erfolg"));
        if (*c.variant) {
            auto* variantBox = page->findChild<QGroupBox*>(c.kind);
            ASSERT_NE(variantBox, nullptr);
            QAbstractButton* v = button(variantBox, c.variant);
            ASSERT_TRUE(v->isEnabled()) << c.kind;
            press(v);
        }
        page->BB_ok->click();
        EXPECT_EQ(fileValue(kRoF, "ErfolgAkustisch"), c.stored) << c.kind << " " << c.variant;
        EXPECT_EQ(g().playerOptions.richtigOderFalsch.successSource, QString(c.stored).toInt());
    }
    // And back: 21 shows "Ton" with "zufälliger Sound", the speech variant waiting disabled.
    fsys::removeFile(t.path("Optionen/Options-Anna.txt"));
    setTemplateValue(kRoF, "ErfolgAkustisch", "21");
    auto page = openPage(302);
    EXPECT_TRUE(button(page.get(), "Ton", "akustische Rückmeldung bei Erfolg")->isChecked());
    EXPECT_FALSE(button(page->findChild<QGroupBox*>("Sprache"), "immer gleich")->isEnabled());
    EXPECT_TRUE(button(page->findChild<QGroupBox*>("Ton"), "zufälliger Sound")->isChecked());
}

TEST_F(OptionPages, CancelLeavesFileAndMemory)
{
    ReadPlayerOptions("Anna", 0);
    const QByteArray before = annaFile();
    auto page = openPage(402);
    const TOpt_allg memory = g().playerOptions;
    press(button(page.get(), "wie in Datei"));
    press(button(page.get(), "Mundbild"));
    page->BB_abbrechen->click();
    EXPECT_EQ(page->result(), QDialog::Rejected);
    EXPECT_EQ(annaFile(), before);
    EXPECT_TRUE(g().playerOptions == memory);
    EXPECT_TRUE(*runRandomOrderFlag(402));
}

// The run-wide random order is the page's to change; the file gets the key as well.
TEST_F(OptionPages, RandomOrderOfTheResetProgramsSetsTheRunFlag)
{
    auto page = openPage(303);
    bool noted = false;
    for (QLabel* l : page->findChildren<QLabel*>())
        noted |= l->text() == "Option wird nach Programmende immer wieder auf 'zufällig' zurückgesetzt!";
    EXPECT_TRUE(noted);
    press(button(page.get(), "wie in Datei"));
    page->BB_ok->click();
    EXPECT_FALSE(*runRandomOrderFlag(303));
    EXPECT_EQ(fileValue("Programm: Welcher Laut passt", "Reihenfolge zufällig"), "0");
    ReadPlayerOptions("Anna", 303);  // read again within the run: the flag stands
    EXPECT_FALSE(g().playerOptions.welcherLautPasst.randomOrder);
}

// Dependencies between controls, page by page.
TEST_F(OptionPages, DependentControls)
{
    {  // "Merkfähigkeit": pictures hidden while hearing need the card border.
        auto page = openPage(101);
        QAbstractButton* border = button(page.get(), "Kartenrand");
        QAbstractButton* transparent = button(page.get(), "transparent");
        press(border);
        EXPECT_FALSE(border->isChecked());
        EXPECT_FALSE(transparent->isEnabled());
        press(button(page.get(), "Bilder sind beim Hören nicht sichtbar"));
        EXPECT_TRUE(border->isChecked());
        EXPECT_FALSE(border->isEnabled());
        EXPECT_TRUE(transparent->isEnabled());
        press(button(page.get(), "Bilder sind immer sichtbar"));
        EXPECT_TRUE(border->isEnabled());
        press(button(page.get(), "Markierung der Mausbewegung"));
        EXPECT_FALSE(combo(page.get(), "Rahmenbreite")->isEnabled());
        EXPECT_FALSE(page->findChild<QPushButton*>("Rahmenfarbe")->isEnabled());
        press(button(page.get(), "zufälliger Sound"));
        EXPECT_FALSE(page->E_erfolgssound->isEnabled());
        EXPECT_FALSE(page->SB_erfolgssound->isEnabled());
        // The text variant sorts; the picture variant hides the box and keeps the key.
        EXPECT_FALSE(button(page.get(), "Text alphabetisch sortieren")->isVisible());
        page->BB_ok->click();
        EXPECT_EQ(fileValue(kMerk, "alphabetisch sortiert"), "1");
        EXPECT_EQ(fileValue(kMerk, "Rahmen ein"), "0");
        EXPECT_EQ(fileValue(kMerk, "ErfolgAkustisch"), "2");
    }
    {  // "Laute suchen": "sofort" needs the sound buttons; unchecked, the stored value returns.
        fsys::removeFile(t.path("Optionen/Options-Anna.txt"));
        setTemplateValue("Programm: Laut-/Silbensuche", "Lautknopf", "0");
        auto page = openPage(402);
        QAbstractButton* soundButton = button(page.get(), "Lautknopf");
        QAbstractButton* mouth = button(page.get(), "Mundbild");
        EXPECT_FALSE(soundButton->isChecked());
        press(mouth);  // the last one off: the other one comes on
        EXPECT_FALSE(mouth->isChecked());
        EXPECT_TRUE(soundButton->isChecked());
        press(mouth);
        press(button(page.get(), "sofort nach jedem Lösungsschritt"));
        EXPECT_TRUE(soundButton->isChecked());
        EXPECT_FALSE(soundButton->isEnabled());
        press(button(page.get(), "sofort nach jedem Lösungsschritt"));
        EXPECT_TRUE(soundButton->isEnabled());
        EXPECT_FALSE(soundButton->isChecked());  // stored: off
        press(button(page.get(), "Bild nicht sichtbar"));
        EXPECT_FALSE(button(page.get(), "mit Übergang")->isEnabled());
        QAbstractButton* heading = page->findChild<QCheckBox*>("Chb_ueberschrift");
        press(heading);
        EXPECT_FALSE(combo(page.get(), "Überschrift sichtbar")->isEnabled());
        page->BB_ok->click();
        EXPECT_EQ(fileValue("Programm: Laut-/Silbensuche", "Überschrift sichtbar"), "0");
        EXPECT_EQ(fileValue("Programm: Laut-/Silbensuche", "visuelle Hilfe"), "0");
    }
    {  // "Einer passt nicht": "alle" / "nur gehörtes" only while ".. beim Hören".
        auto page = openPage(203);
        QAbstractButton* all = button(page.get(), "alle");
        EXPECT_FALSE(all->isEnabled());
        press(button(page.get(), ".. beim Hören"));
        EXPECT_TRUE(all->isEnabled());
        press(button(page.get(), "nur gehörtes"));
        page->BB_ok->click();
        EXPECT_EQ(fileValue("Programm: Einer passt nicht-Bild", "sichtbar beim Hören"), "2");
        EXPECT_EQ(fileValue("Programm: Einer passt nicht-Bild", "Bilderanzahl"), "6");  // shown as 6 of 3 to 6
    }
    {  // Memory: the instruction's form only while it is shown; text and picture not both off.
        auto page = openPage(305);
        QAbstractButton* asText = button(page.get(), "als Text");
        press(page->findChild<QCheckBox*>("Anleitung sichtbar"));
        EXPECT_FALSE(asText->isEnabled());
        press(page->findChild<QCheckBox*>("Bild"));
        EXPECT_TRUE(page->findChild<QCheckBox*>("Text")->isChecked());
        page->BB_ok->click();
        EXPECT_EQ(fileValue("Programm: Memory", "Anleitung sichtbar"), "-1");
        EXPECT_EQ(fileValue("Programm: Memory", "TextBild"), "1");
        EXPECT_EQ(fileValue("Programm: Laut-/Silbenmemory", "TextBild"), "2");  // the other memory untouched
    }
}

// "Laute hinzufügen": picture without text makes "Text bei Erfolg" a choice; neither forces it.
TEST_F(OptionPages, LautAddTextOnSuccess)
{
    auto page = openPage(403);
    QAbstractButton* text = button(page.get(), "Text", "Bild und/oder Text:");
    QAbstractButton* picture = button(page.get(), "Bild", "Bild und/oder Text:");
    QAbstractButton* onSuccess = button(page.get(), "Text bei Erfolg");
    EXPECT_FALSE(onSuccess->isEnabled());
    press(text);
    EXPECT_TRUE(onSuccess->isEnabled());
    press(onSuccess);
    EXPECT_FALSE(onSuccess->isChecked());
    press(picture);
    EXPECT_TRUE(onSuccess->isChecked());
    EXPECT_FALSE(onSuccess->isEnabled());
    page->BB_ok->click();
    EXPECT_EQ(fileValue("Programm: Laute hinzufügen", "TextbeiErfolg"), "1");
    EXPECT_EQ(fileValue("Programm: Laute hinzufügen", "mit Bild"), "0");
}

// "zuerst alle Alternativen anhören" lives for the run only.
TEST_F(OptionPages, HearAllAlternativesIsNotStored)
{
    ReadPlayerOptions("Anna", 0);
    const QByteArray before = annaFile();
    auto page = openPage(404);
    press(button(page.get(), "...zuerst alle Alternativen anhören"));
    page->BB_ok->click();
    EXPECT_TRUE(options::hearAllAlternativesFirst());
    EXPECT_EQ(annaFile(), before);
    auto again = openPage(404);
    EXPECT_TRUE(button(again.get(), "...zuerst alle Alternativen anhören")->isChecked());
}

// Values the page cannot show are clamped or defaulted when it opens; OK keeps the file as it is
// until something is changed, and then writes what the page showed.
TEST_F(OptionPages, BadValuesOpenClamped)
{
    struct Case {
        int code;
        const char* section;
        const char* key;
        const char* stored;
        std::function<bool(TF_O_alle&)> shows;
        const char* written;  // after a change elsewhere on the page
    };
    auto checked = [](const char* caption, const char* group = "") {
        return [=](TF_O_alle& p) {
            QAbstractButton* b = button(&p, caption, group);
            return b && b->isChecked();
        };
    };
    auto text = [](const char* name, const char* shown) {
        return [=](TF_O_alle& p) { return combo(&p, name)->currentText() == shown; };
    };
    auto slider = [](int v) { return [=](TF_O_alle& p) { return p.findChild<QSlider*>("TB_zeit")->value() == v; }; };
    const Case cases[] = {
        {101, "Programm: Merkfähigkeit-Bild", "Bilderanzahl", "7", checked("9"), "9"},
        {101, "Programm: Merkfähigkeit-Bild", "Bilderanzahl", "-40", checked("2"), "2"},
        {101, "Programm: Merkfähigkeit-Bild", "unsichtbar", "5", checked("Bilder sind immer sichtbar"), "2"},
        {101, "Programm: Merkfähigkeit-Bild", "Rahmenbreite", "99", text("Rahmenbreite", "10"), "10"},
        {101, "Programm: Merkfähigkeit-Bild", "Merkanzahl", "0", text("Merkanzahl", "1"), "1"},
        {101, "Programm: Merkfähigkeit-Bild", "Zeit", "12", slider(9), "9"},
        {201, "Programm: Doppelgänger-Bild", "Bilderanzahl", "viele", text("Bilderanzahl", "6"), "6"},
        {202, "Programm: Doppelgänger-Text", "Überschrift sichtbar", "9", text("Überschrift sichtbar", "immer"), "4"},
        {203, "Programm: Einer passt nicht-Bild", "Zeit", "-3", slider(0), "0"},
        {301, "Programm: Gleich oder Nichtgleich", "Text", "2147483647", checked("Bild und Text"), "2"},
        {301, "Programm: Gleich oder Nichtgleich", "Erfolgauftreten", "12",
         [](TF_O_alle& p) { return p.CB_erfolgauftreten->currentIndex() == 3; }, "3"},
        {301, "Programm: Gleich oder Nichtgleich", "ErfolgAkustisch", "-1", checked("immer gleich", "akustische Rückmeldung bei ..."), "0"},
        {302, "Programm: Richtig oder Falsch", "ErfolgAkustisch", "15", checked("keine Rückmeldung"), "0"},
        {304, "Programm: Lang oder Kurz", "nachLösung", "7",
         [](TF_O_alle& p) { return button(&p, "nochmal sagen")->isChecked() && button(&p, "Bild/Text zeigen")->isChecked(); }, "3"},
        {304, "Programm: Lang oder Kurz", "Bilderansicht", "1", checked("mit Bild/Text"), "2"},
        {305, "Programm: Memory", "TextBild", "0",
         [](TF_O_alle& p) { return !p.findChild<QCheckBox*>("Text")->isChecked() && p.findChild<QCheckBox*>("Bild")->isChecked(); }, "2"},
        {305, "Programm: Memory", "Bilderanzahl", "30", checked("24 Karten"), "24"},
        {407, "Programm: Laut-/Silbenmemory", "Anleitung sichtbar", "-7",
         [](TF_O_alle& p) { return !p.findChild<QCheckBox*>("Anleitung sichtbar")->isChecked() && button(&p, "als Bild")->isChecked(); }, "-1"},
        {407, "Programm: Laut-/Silbenmemory", "Computer", "9", [](TF_O_alle& p) { return p.findChild<QSlider*>("TB_computer")->value() == 3; }, "3"},
        {401, "Programm: Laut positionieren", "Lösung mit Bild", "Bild", checked("Knöpfe"), "0"},
        {402, "Programm: Laut-/Silbensuche", "LautAnzahl", "-4", text("LautAnzahl", "1"), "1"},
        {402, "Programm: Laut-/Silbensuche", "visuelle Hilfe", "3", checked("Bild immer sichtbar"), "2"},
        {404, "Programm: Laute weglassen", "visuelle Hilfe", "1", checked("Bild immer sichtbar"), "2"},
        {405, "Programm: Laute ersetzen", "LautAnzahl", "5", text("LautAnzahl", "4"), "4"},
        {406, "Programm: Silbenanzahl", "Silbendarstellung", "0", checked("unterschiedlich farbig"), "1"},
        {406, "Programm: Silbenanzahl", "Zeit", "8", slider(6), "6"},
        {408, "Programm: Paare suchen", "TextBild", "3", checked("Bild", "Auswahlkarten:"), "2"},
        {408, "Programm: Paare suchen", "Bilderanzahl", "7", checked("8"), "8"},
    };
    for (const Case& c : cases) {
        const std::string where = QString("%1 %2=%3").arg(c.code).arg(c.key).arg(c.stored).toStdString();
        fsys::removeFile(t.path("Optionen/Options-Anna.txt"));
        t.write("Optionen/Options-Standard.txt", demoTemplate());
        setTemplateValue(c.section, c.key, c.stored);
        ReadPlayerOptions("Anna", 0);
        const QByteArray before = annaFile();
        {
            auto page = openPage(c.code);
            EXPECT_TRUE(c.shows(*page)) << where;
            page->BB_ok->click();
            EXPECT_EQ(annaFile(), before) << where;
        }
        {
            auto page = openPage(c.code);
            QAbstractButton* background = page->Chb_hintergrundbild;
            press(background);
            page->BB_ok->click();
            EXPECT_EQ(fileValue(c.section, c.key), c.written) << where;
        }
    }
}

// Every key of every section holds a value of the wrong kind: every page opens, and OK with and
// without a change stays within the page's values.
TEST_F(OptionPages, GarbageEverywhereNeverCrashes)
{
    for (const char* garbage : {"x", "-2147483648", "99999999999", "", ";;;", "1;2;3"}) {
        QStringList lines;
        for (const QString& line : win1252::decode(demoTemplate()).split("\r\n")) {
            const int eq = line.indexOf('=');
            lines << (eq > 0 && !line.startsWith("Programmende") ? line.left(eq + 1) + garbage : line);
        }
        t.writeLines("Optionen/Options-Anna.txt", lines);
        for (int code : kAllCodes) {
            auto page = openPage(code);
            ASSERT_TRUE(page->isVisible()) << garbage << " " << code;
            page->BB_ok->click();
            auto again = openPage(code);
            if (again->Chb_hintergrundbild->isVisible())
                press(again->Chb_hintergrundbild);
            again->BB_ok->click();
            EXPECT_EQ(again->result(), QDialog::Accepted);
        }
    }
}

// The play button beside a sound field: one name plays when it exists, a list is queued.
TEST_F(OptionPages, SoundPreview)
{
    const QByteArray wav = [] {
        QFile f(fixture("sound/ima_adpcm.wav"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    t.write("Sound/Lob/super.wav", wav);
    t.write("Sound/Lob/prima.wav", wav);
    t.write("Sound/Fehler/nochmal.wav", wav);
    auto page = openPage(301);
    struct Case {
        QLineEdit* field;
        QPushButton* play;
        const char* text;
        QStringList started;
        int waiting;
    };
    const Case cases[] = {
        {page->E_erfolgssound, page->SB_erfolgssound, "", {}, 0},
        {page->E_erfolgssound, page->SB_erfolgssound, "fehlt.wav", {}, 0},
        {page->E_erfolgssound, page->SB_erfolgssound, "super.wav", {t.path("Sound/Lob/super.wav")}, 0},
        {page->E_erfolgssound, page->SB_erfolgssound, "super.wav;prima.wav;super.wav", {t.path("Sound/Lob/super.wav")}, 1},
        {page->E_fehlersound, page->SB_fehlersound, "nochmal.wav", {t.path("Sound/Fehler/nochmal.wav")}, 0},
    };
    for (const Case& c : cases) {
        page->player().StopAll();
        audio.clearLog();
        c.field->setText(c.text);
        c.play->click();
        EXPECT_EQ(audio.started(), c.started) << c.text;
        EXPECT_EQ(page->player().queue().filter("W=").size(), c.waiting) << c.text;
    }
    // The queued one follows when the first has ended.
    page->E_erfolgssound->setText("super.wav;prima.wav");
    page->SB_erfolgssound->click();
    audio.clearLog();
    audio.endNext();
    EXPECT_EQ(audio.started(), QStringList{t.path("Sound/Lob/prima.wav")});
}

// A double click in a sound field chooses the file; the field takes its name below the folder.
TEST_F(OptionPages, ChoosingASound)
{
    t.write("Sound/Lob/Wort/toll.wav", "RIFF");
    t.write("Sound/Fehler/ups.wav", "RIFF");
    QList<int> modes;
    QString next;
    options::setSoundChooser([&](QWidget*, int mode, const QString&) {
        modes << mode;
        return next;
    });
    dialogs::ScriptedDialogs d;
    auto page = openPage(302);
    auto* speech = page->findChild<QLineEdit*>("ErfolgssoundSprache");
    next = t.path("Sound/Lob/Wort/toll.wav");
    QTest::mouseDClick(speech, Qt::LeftButton);
    EXPECT_EQ(speech->text(), "Wort/toll.wav");
    next = t.path("Sound/Lob/Wort/weg.wav");
    QTest::mouseDClick(speech, Qt::LeftButton);
    EXPECT_EQ(d.texts(), QStringList{t.path("Sound/Lob/Wort/weg.wav") + " kann nicht zugeordnet werden."});
    EXPECT_EQ(speech->text(), "Wort/toll.wav");
    next.clear();  // cancelled
    QTest::mouseDClick(page->findChild<QLineEdit*>("ErfolgssoundTon"), Qt::LeftButton);
    EXPECT_EQ(modes, (QList<int>{9, 9, 10}));
    page->BB_ok->click();
    EXPECT_EQ(fileValue(kRoF, "ErfolgssoundSprache"), "Wort\\toll.wav");

    auto other = openPage(404);
    next = t.path("Sound/Fehler/ups.wav");
    QTest::mouseDClick(other->E_fehlersound, Qt::LeftButton);
    EXPECT_EQ(other->E_fehlersound->text(), "ups.wav");
    // The fixed praise list is only editable with "immer gleich".
    press(button(other.get(), "zufälliger Sound", "akustische Rückmeldung bei ..."));
    next = t.path("Sound/Lob/Wort/toll.wav");
    const QString praise = other->E_erfolgssound->text();
    QTest::mouseDClick(other->E_erfolgssound, Qt::LeftButton);
    EXPECT_EQ(other->E_erfolgssound->text(), praise);
    EXPECT_EQ(modes.last(), 7);
}

TEST_F(OptionPages, FrameColourFromTheColourDialog)
{
    dialogs::ScriptedDialogs d;
    d.answerColour(QColor(0x12, 0x34, 0x56));
    auto page = openPage(102);
    page->findChild<QPushButton*>("Rahmenfarbe")->click();
    page->BB_ok->click();
    EXPECT_EQ(fileValue("Programm: Merkfähigkeit-Text", "Rahmenfarbe"), QString::number(0x563412));
    EXPECT_EQ(fileValue("Programm: Merkfähigkeit-Text", "Bild auf Karte"), "<none>");  // not a key of the text variant
}

// Every wrapped note of every page is shown whole: the page takes the height its wrapped texts
// need (the notes of 406 and 408 were cut at top and bottom on a 1024 x 768 screen).
TEST_F(OptionPages, WrappedNotesAreNeverCut)
{
    for (int code : kAllCodes) {
        auto page = openPage(code);
        for (QLabel* l : page->findChildren<QLabel*>()) {
            if (!l->wordWrap() || !l->isVisible() || l->text().isEmpty())
                continue;
            EXPECT_GE(l->height(), l->heightForWidth(l->width()))
                << code << " [" << l->text().toStdString() << "] " << l->width() << "x" << l->height();
        }
        page->BB_abbrechen->click();
    }
}
