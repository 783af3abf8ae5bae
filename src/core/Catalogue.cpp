#include "core/Catalogue.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"

namespace catalogue {

const std::vector<ProgramInfo>& programs()
{
    static const std::vector<ProgramInfo> list = {
        {101, 1, "Merkfähigkeit-Bild", "FormMerkfaehigkeit", "TFormMerkfaehigkeit", "Programm: Merkfähigkeit-Bild", "ProgMerkfaehigkeit", "Bild/", ""},
        {102, 1, "Merkfähigkeit-Text", "FormMerkfaehigkeit", "TFormMerkfaehigkeit", "Programm: Merkfähigkeit-Text", "ProgMerkfaehigkeit", "Text/", ""},
        {201, 2, "Doppelgänger-Bild", "", "TFormWortreihe", "Programm: Doppelgänger-Bild", "ProgWortreihe", "1_Doppelgänger-Bild/", ""},
        {202, 2, "Doppelgänger-Text", "", "TFormWortreihe", "Programm: Doppelgänger-Text", "ProgWortreihe", "2_Doppelgänger-Text/", ""},
        {203, 2, "Einer passt nicht-Bild", "", "TFormWortreihe", "Programm: Einer passt nicht-Bild", "ProgWortreihe", "3_Einer passt nicht-Bild/", ""},
        {204, 2, "Einer passt nicht-Text", "", "TFormWortreihe", "Programm: Einer passt nicht-Text", "ProgWortreihe", "4_Einer passt nicht-Text/", ""},
        {301, 3, "Gleich oder Nichtgleich", "FormGleichNichtgleich", "TFormGleichNichtGleich", "Programm: Gleich oder Nichtgleich", "ProgGleichNichtgleich", "", "Gleich/Nicht gleich?"},
        {302, 3, "Richtig oder Falsch", "FormRichtigOderFalsch", "TFormRichtigOderFalsch", "Programm: Richtig oder Falsch", "ProgRichtigOderFalsch", "", "Richtig oder Falsch?"},
        {303, 3, "Welcher Laut passt", "FormWelcherLautPasst", "TFormWelcherLautPasst", "Programm: Welcher Laut passt", "ProgWelcherLautPasst", "", "Welcher Laut passt?"},
        {304, 3, "Lang oder Kurz", "FormLangOderKurz", "TFormLangOderKurz", "Programm: Lang oder Kurz", "ProgLangOderKurz", "", "Lang Oder Kurz?"},
        {305, 3, "Memory", "FormMemory", "TFormMemory", "Programm: Memory", "ProgMemory", "", "Memory"},
        {401, 4, "Laut positionieren", "FormLautPos", "TFormLautPos", "Programm: Laut positionieren", "ProgLautPos", "", "Laute positionieren"},
        {402, 4, "Laut-/Silbensuche", "FormLautSuche", "TFormLautSuche", "Programm: Laut-/Silbensuche", "ProgLautSuche", "", "Laut-/Silbensuche"},
        {403, 4, "Laute hinzufügen", "FormLautAdd", "TFormLautAdd", "Programm: Laute hinzufügen", "ProgLautAdd", "", "Laute hinzufügen"},
        {404, 4, "Laute weglassen", "FormLautWeg", "TFormLautWeg", "Programm: Laute weglassen", "ProgLautWeg", "", "Laute weglassen"},
        {405, 4, "Laute ersetzen", "FormLautReplace", "TFormLautReplace", "Programm: Laute ersetzen", "ProgLautReplace", "", "Laute ersetzen"},
        {406, 4, "Silbenanzahl", "FormSilbenanzahl", "TFormSilbenanzahl", "Programm: Silbenanzahl", "ProgSilbenAnzahl", "", "Silbenanzahl"},
        {407, 4, "Laut-/Silbenmemory", "FormLautMemory", "TFormMemory", "Programm: Laut-/Silbenmemory", "ProgLautMemory", "", "Laut-Silben-Memory"},
        {408, 4, "Paare suchen", "FormPaarSuche", "TFormPaarSuche", "Programm: Paare suchen", "ProgPaarSuche", "", ""},
    };
    return list;
}

const ProgramInfo* byCode(int code)
{
    for (const ProgramInfo& p : programs())
        if (p.code == code)
            return &p;
    return nullptr;
}

static bool same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

static bool isWordSeriesFormular(const QString& f)
{
    return same(f, QStringLiteral("FormWortreihe")) || same(f, QStringLiteral("FormDoppelgaenger"))
        || same(f, QStringLiteral("FormEinerPasstNicht"));
}

int programCodeFor(const QString& formular, const QString& caption)
{
    const QString f = formular.trimmed();
    const QString c = caption.trimmed();
    if (isWordSeriesFormular(f)) {
        static const std::pair<const char*, int> series[] = {
            {"Doppelgänger - Bild", 201}, {"Doppelgänger - Text", 202},
            {"Einer passt nicht - Bild", 203}, {"Einer passt nicht - Text", 204}};
        for (const auto& [cap, code] : series)
            if (same(c, QString::fromUtf8(cap)))
                return code;
        return 0;
    }
    if (same(f, QStringLiteral("FormMerkfaehigkeit")))
        return c.contains(QStringLiteral("- Bild"), Qt::CaseInsensitive) ? 101 : 102;
    for (const ProgramInfo& p : programs())
        if (p.code >= 300 && same(f, p.formular))
            return p.code;
    return 0;
}

QString optionsSection(int code)
{
    if (code == 0)
        return QStringLiteral("Allgemeine Optionen");
    const ProgramInfo* p = byCode(code);
    return p ? p->optionsSection : QString();
}

QString groupName(int group)
{
    switch (group) {
    case 1: return QStringLiteral("Merkfähigkeit");
    case 2: return QStringLiteral("Wortreihen");
    case 3: return QStringLiteral("Differenzierung");
    case 4: return QStringLiteral("Laut-Silben-Analyse");
    }
    return QString();
}

QString windowClassFor(const QString& formular)
{
    if (isWordSeriesFormular(formular))
        return QStringLiteral("TFormWortreihe");
    for (const ProgramInfo& p : programs())
        if (!p.formular.isEmpty() && same(formular.trimmed(), p.formular))
            return p.windowClass;
    return QString();
}

QString listFolder(int code)
{
    const ProgramInfo* p = byCode(code);
    if (!p)
        return QString();
    const MainConfig& cfg = g().config;
    return cfg.dirs.listen + fsys::withSlash(cfg.programSection(p->configSection).listenpfad) + p->listSubfolder;
}

int defaultElementCount(int code)
{
    switch (code) {
    case 101: case 102: return 12;
    case 201: case 202: case 203: case 204: return 6;
    case 301: case 302: case 304: case 305: case 403: case 405: case 407: case 408: return 2;
    case 303: case 401: case 402: case 406: return 1;
    case 404: return 4;
    default: return 0;
    }
}

} // namespace catalogue
