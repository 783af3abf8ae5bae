#include "editor/LayoutDialogs.h"

#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "media/picture/Picture.h"
#include "media/sound/Sound.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace editor {

namespace {
const QList<int> kStandardSizes = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

void sortCatalogue()
{
    auto& c = fontCatalogue();
    std::stable_sort(c.begin(), c.end(), [](const FontEntry& a, const FontEntry& b) {
        return a.label.compare(b.label, Qt::CaseInsensitive) < 0;
    });
}

// "label=face;8,9,..." with non-numeric size tokens skipped.
FontEntry parseEntry(const QString& text)
{
    FontEntry e;
    const int eq = text.indexOf(QLatin1Char('='));
    e.label = text.left(eq);
    const QString rest = text.mid(eq + 1);
    const int semi = rest.indexOf(QLatin1Char(';'));
    e.face = rest.left(semi);
    for (const QString& t : rest.mid(semi + 1).split(QLatin1Char(','))) {
        bool ok = false;
        const int n = t.trimmed().toInt(&ok);
        if (ok)
            e.sizes << n;
    }
    return e;
}

QString sizeText(int size) { return QStringLiteral("%1").arg(size, 3); }
} // namespace

std::vector<FontEntry>& fontCatalogue()
{
    static std::vector<FontEntry> catalogue;
    return catalogue;
}

void BuildFontCatalogue()
{
    const QString sizes = QStringLiteral(";8,9,10,11,12,14,16,18,20,22,24,26,28,36,48,72");
    auto& c = fontCatalogue();
    c.clear();
    c.push_back(parseEntry(QStringLiteral("Morwen Druckschrift=Morwen  DN TTF") + sizes));
    c.push_back(parseEntry(QStringLiteral("Arial=Arial") + sizes));
    c.push_back(parseEntry(QStringLiteral("Comic Sans=Comic Sans MS") + sizes));
    sortCatalogue();
}

int AddFontToCatalogue(const QString& face, int size)
{
    auto& c = fontCatalogue();
    auto find = [&] {
        for (size_t i = 0; i < c.size(); ++i)
            if (c[i].face.compare(face, Qt::CaseInsensitive) == 0 || c[i].label.compare(face, Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    };
    if (const int i = find(); i >= 0)
        return i;
    FontEntry e{face, face, kStandardSizes};
    if (size > 0 && !e.sizes.contains(size)) {
        e.sizes << size;
        std::sort(e.sizes.begin(), e.sizes.end());
    }
    c.push_back(e);
    sortCatalogue();
    return find();
}

QString FontLabel(const QString& face)
{
    if (fontCatalogue().empty())
        BuildFontCatalogue();
    for (const FontEntry& e : fontCatalogue())
        if (e.face.compare(face, Qt::CaseInsensitive) == 0)
            return e.label;
    return face;
}

QImage DrawCardPicture(const QString& file, QSize size, int percent, const QColor& background)
{
    if (size.width() < 2 || size.height() < 2 || !fsys::fileExists(file))
        return {};
    const picture::Colour bg = picture::fromQColor(background);
    picture::Target t(size.width(), size.height(), bg);
    bool ok;
    if (fsys::extension(file).toUpper().contains(QLatin1String(".WMF")))
        ok = picture::DrawMetafileSmooth(file, t, bg, percent, false, true);
    else
        ok = picture::DrawPictureFitted(t, file, bg, percent, true, true, true);
    return ok ? t.image : QImage();
}

} // namespace editor

// ---------------------------------------------------------------------------------------------------

TFormbildgroesse::TFormbildgroesse(QWidget* parent, const QString& picture, int size)
    : QDialog(parent), m_picture(picture), m_size(std::clamp(size, 1, 100))
{
    setWindowTitle(QStringLiteral("Bildgröße ändern ..."));
    auto* v = new QVBoxLayout(this);
    v->addWidget(new QLabel(QStringLiteral("Bildgröße in Prozent:"), this));
    CB_groesse = new QComboBox(this);
    CB_groesse->setEditable(true);
    for (int p = 100; p >= 20; p -= 5)
        CB_groesse->addItem(QString::number(p) + QLatin1Char('%'));
    v->addWidget(CB_groesse);
    v->addWidget(new QLabel(QStringLiteral("Beispiel:"), this));
    P_beispiel = new QWidget(this);
    P_beispiel->setMinimumSize(240, 180);
    P_beispiel->setAutoFillBackground(true);
    Bild = new QLabel(P_beispiel);
    v->addWidget(P_beispiel, 1);
    auto* h = new QHBoxLayout;
    B_ok = new QPushButton(QStringLiteral("OK - Übernehmen"), this);
    B_abbrechen = new QPushButton(QStringLiteral("Abbrechen ohne Änderung"), this);
    h->addWidget(B_ok);
    h->addWidget(B_abbrechen);
    v->addLayout(h);
    connect(B_ok, &QPushButton::clicked, this, [this] { done(1); });
    connect(B_abbrechen, &QPushButton::clicked, this, [this] { done(2); });
    connect(CB_groesse, &QComboBox::currentTextChanged, this, [this](const QString& t) {
        if (!m_updating)
            takeText(t);
    });
    resize(360, 360);
    redraw();
}

void TFormbildgroesse::takeText(const QString& text)
{
    QString t = text;
    const int pct = t.indexOf(QLatin1Char('%'));
    if (pct >= 0)
        t.remove(pct, 1);
    bool ok = false;
    const int n = t.trimmed().toInt(&ok);
    if (!ok)
        return;  // not a number: the size stays
    m_size = std::clamp(n, 1, 100);
    redraw();
}

void TFormbildgroesse::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    redraw();
}

void TFormbildgroesse::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    redraw();
}

void TFormbildgroesse::redraw()
{
    const QSize panel = P_beispiel->size();
    const QSize box(qRound(panel.width() * m_size / 100.0), qRound(panel.height() * m_size / 100.0));
    Bild->setGeometry((panel.width() - box.width()) / 2, (panel.height() - box.height()) / 2, box.width(),
                      box.height());
    const QImage img = editor::DrawCardPicture(m_picture, box, m_size, P_beispiel->palette().color(QPalette::Window));
    Bild->setPixmap(img.isNull() ? QPixmap() : QPixmap::fromImage(img));
    m_updating = true;
    if (CB_groesse->currentText() != QString::number(m_size))
        CB_groesse->setEditText(QString::number(m_size));
    m_updating = false;
}

// ---------------------------------------------------------------------------------------------------

TFormschriftart::TFormschriftart(QWidget* parent, const TFont& font) : QDialog(parent), m_font(font)
{
    setWindowTitle(QStringLiteral("Schriftart ändern"));
    editor::BuildFontCatalogue();
    auto* grid = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Schriftart:"), this));
    E_schriftart = new QLineEdit(this);
    E_schriftart->setReadOnly(true);
    left->addWidget(E_schriftart);
    LB_schriften = new QListWidget(this);
    left->addWidget(LB_schriften, 1);
    auto* middle = new QVBoxLayout;
    middle->addWidget(new QLabel(QStringLiteral("Schriftgrad:"), this));
    E_schriftgrad = new QLineEdit(this);
    middle->addWidget(E_schriftgrad);
    LB_groessen = new QListWidget(this);
    LB_groessen->setFont(QFont(QStringLiteral("Courier New"), 10));
    middle->addWidget(LB_groessen, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("Schriftfarbe:"), this));
    B_farbe = new QPushButton(this);
    right->addWidget(B_farbe);
    L_beispiel = new QLabel(QStringLiteral("Aa Bb Yy Zz"), this);
    L_beispiel->setMinimumSize(220, 90);
    L_beispiel->setAlignment(Qt::AlignCenter);
    right->addWidget(L_beispiel, 1);
    B_andere = new QPushButton(QStringLiteral("andere Schriften..."), this);
    B_ok = new QPushButton(QStringLiteral("OK"), this);
    B_abbrechen = new QPushButton(QStringLiteral("Abbrechen"), this);
    right->addWidget(B_andere);
    right->addWidget(B_ok);
    right->addWidget(B_abbrechen);
    grid->addLayout(left, 2);
    grid->addLayout(middle, 1);
    grid->addLayout(right, 2);

    // A face the catalogue does not know joins it.
    editor::AddFontToCatalogue(m_font.name, m_font.size);
    fillLabels();
    selectFace(m_font.name);

    connect(LB_schriften, &QListWidget::currentRowChanged, this, [this](int row) {
        if (m_filling || row < 0)
            return;
        const editor::FontEntry& e = editor::fontCatalogue()[size_t(row)];
        E_schriftart->setText(e.label);
        fillSizes(row);
        m_font.name = e.face;
        updateExample();
    });
    connect(LB_groessen, &QListWidget::currentRowChanged, this, [this](int row) {
        if (m_filling || row < 0)
            return;
        E_schriftgrad->setText(LB_groessen->item(row)->text().trimmed());
    });
    connect(E_schriftgrad, &QLineEdit::textChanged, this, [this](const QString& t) {
        bool ok = false;
        const int n = t.trimmed().toInt(&ok);
        if (ok && n > 0) {
            m_font.size = n;
            updateExample();
        }
    });
    E_schriftgrad->installEventFilter(this);
    connect(B_farbe, &QPushButton::clicked, this, [this] {
        if (auto c = dialogs::current().chooseColour(this, picture::toQColor(m_font.colour))) {
            m_font.colour = picture::fromQColor(*c);
            updateExample();
        }
    });
    connect(B_andere, &QPushButton::clicked, this, &TFormschriftart::chooseOtherFont);
    connect(B_ok, &QPushButton::clicked, this, [this] {
        sizeFieldLeft();
        done(1);
    });
    connect(B_abbrechen, &QPushButton::clicked, this, [this] { done(2); });
    updateExample();
}

QList<int> TFormschriftart::listedSizes() const
{
    QList<int> out;
    for (int i = 0; i < LB_groessen->count(); ++i)
        out << LB_groessen->item(i)->text().trimmed().toInt();
    return out;
}

QStringList TFormschriftart::labels() const
{
    QStringList out;
    for (int i = 0; i < LB_schriften->count(); ++i)
        out << LB_schriften->item(i)->text();
    return out;
}

void TFormschriftart::fillLabels()
{
    m_filling = true;
    LB_schriften->clear();
    for (const editor::FontEntry& e : editor::fontCatalogue())
        LB_schriften->addItem(e.label);
    m_filling = false;
}

void TFormschriftart::selectFace(const QString& face)
{
    const auto& c = editor::fontCatalogue();
    for (size_t i = 0; i < c.size(); ++i) {
        if (c[i].face.compare(face, Qt::CaseInsensitive) == 0 || c[i].label.compare(face, Qt::CaseInsensitive) == 0) {
            m_filling = true;
            LB_schriften->setCurrentRow(int(i));
            m_filling = false;
            E_schriftart->setText(c[i].label);
            fillSizes(int(i));
            break;
        }
    }
    selectSize(m_font.size);
    E_schriftgrad->setText(QString::number(m_font.size));
}

void TFormschriftart::fillSizes(int entry)
{
    m_filling = true;
    LB_groessen->clear();
    for (int s : editor::fontCatalogue()[size_t(entry)].sizes)
        LB_groessen->addItem(editor::sizeText(s));
    m_filling = false;
}

void TFormschriftart::selectSize(int size)
{
    m_filling = true;
    const QList<int> sizes = listedSizes();
    int row = sizes.indexOf(size);
    if (row < 0) {
        row = 0;
        while (row < sizes.size() && sizes[row] < size)
            ++row;
        LB_groessen->insertItem(row, editor::sizeText(size));
    }
    LB_groessen->setCurrentRow(row);
    m_filling = false;
}

void TFormschriftart::sizeFieldLeft()
{
    const QString t = E_schriftgrad->text().trimmed();
    E_schriftgrad->setText(t);
    bool ok = false;
    const int n = t.toInt(&ok);
    if (ok && n > 0) {
        selectSize(n);
        return;
    }
    Beep();
    dialogs::showMessage(this, QStringLiteral("Die Schriftgröße muss eine Zahl sein"));
}

void TFormschriftart::chooseOtherFont()
{
    QFont initial(m_font.name);
    initial.setPointSize(std::max(1, m_font.size));
    const std::optional<QFont> f = dialogs::current().chooseFont(this, initial);
    if (!f) {
        done(2);
        return;
    }
    m_font.name = f->family();
    if (f->pointSize() > 0)
        m_font.size = f->pointSize();
    editor::AddFontToCatalogue(m_font.name, m_font.size);
    fillLabels();
    selectFace(m_font.name);
    updateExample();
    done(1);
}

void TFormschriftart::updateExample()
{
    QFont f(m_font.name);
    f.setPointSize(std::clamp(m_font.size, 1, 72));
    L_beispiel->setFont(f);
    QPalette p = L_beispiel->palette();
    p.setColor(QPalette::WindowText, picture::toQColor(m_font.colour));
    L_beispiel->setPalette(p);
    B_farbe->setText(picture::toQColor(m_font.colour).name());
}

bool TFormschriftart::eventFilter(QObject* o, QEvent* e)
{
    if (o == E_schriftgrad && e->type() == QEvent::FocusOut)
        sizeFieldLeft();
    return QDialog::eventFilter(o, e);
}

void TFormschriftart::done(int r)
{
    E_schriftgrad->removeEventFilter(this);
    LB_schriften->clear();
    LB_groessen->clear();
    QDialog::done(r);
}

// ---------------------------------------------------------------------------------------------------

TFormBildAuswahl::TFormBildAuswahl(QWidget* parent, const QString& startPicture, const QString& purpose)
    : QDialog(parent), m_picture(startPicture)
{
    setWindowTitle(purpose);
    setToolTip(purpose);
    auto* v = new QVBoxLayout(this);
    L_gruppe = new QLabel(QStringLiteral("%s:").replace(QStringLiteral("%s"), purpose), this);
    v->addWidget(L_gruppe);
    Bild = new QLabel(this);
    Bild->setFixedSize(240, 200);
    Bild->setAlignment(Qt::AlignCenter);
    v->addWidget(Bild, 0, Qt::AlignHCenter);
    B_aendern = new QPushButton(QStringLiteral("%s ändern...").replace(QStringLiteral("%s"), purpose), this);
    v->addWidget(B_aendern);
    auto* h = new QHBoxLayout;
    B_ok = new QPushButton(QStringLiteral("OK - übernehmen"), this);
    B_abbrechen = new QPushButton(QStringLiteral("Abbrechen"), this);
    h->addWidget(B_ok);
    h->addWidget(B_abbrechen);
    v->addLayout(h);
    connect(B_aendern, &QPushButton::clicked, this, &TFormBildAuswahl::change);
    connect(B_ok, &QPushButton::clicked, this, [this] { done(1); });
    connect(B_abbrechen, &QPushButton::clicked, this, [this] { done(2); });
    drawPreview();
}

void TFormBildAuswahl::change()
{
    QString dir = g().config.dirs.internBilder;
    if (fsys::fileExists(m_picture))
        dir = m_picture;
    else if (fsys::dirExists(m_picture))
        dir = m_picture;
    const QString chosen = dialogs::current().openFile(
        this, windowTitle(), dir, QStringLiteral("Bilder (*.jpg *.jpeg *.bmp *.gif *.wmf *.emf *.JPG *.JPEG *.BMP *.GIF *.WMF *.EMF)"));
    if (chosen.isEmpty())
        return;
    m_picture = chosen;
    drawPreview();
}

void TFormBildAuswahl::drawPreview()
{
    const QImage img = editor::DrawCardPicture(m_picture, Bild->size(), 100, palette().color(QPalette::Button));
    Bild->setPixmap(img.isNull() ? QPixmap() : QPixmap::fromImage(img));
}

// ---------------------------------------------------------------------------------------------------

TFormbildgroesser::TFormbildgroesser(QWidget* parent, const QString& file, const QString& caption)
    : QDialog(parent), m_file(file)
{
    setWindowTitle(caption);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    Bild = new QLabel(this);
    Bild->setAlignment(Qt::AlignCenter);
    Bild->setMinimumSize(200, 150);
    v->addWidget(Bild, 1);
    B_schliessen = new QPushButton(QStringLiteral("Fenster mit ESC schließen"), this);
    B_schliessen->setFlat(true);
    v->addWidget(B_schliessen);
    connect(B_schliessen, &QPushButton::clicked, this, &QDialog::reject);
    resize(640, 520);
}

void TFormbildgroesser::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    const QImage img = editor::DrawCardPicture(m_file, Bild->size(), 100, Qt::white);
    Bild->setPixmap(img.isNull() ? QPixmap() : QPixmap::fromImage(img));
}
