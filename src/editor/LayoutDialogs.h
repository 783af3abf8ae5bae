#pragma once
#include "core/Records.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace editor {

// One font of the program's font catalogue: the label shown, the face name and its sizes.
struct FontEntry {
    QString label;
    QString face;
    QList<int> sizes;
};

// The catalogue, ordered by label without case.
std::vector<FontEntry>& fontCatalogue();
// Builds the catalogue anew from its three fixed entries.
void BuildFontCatalogue();
// Adds a face under its own name with the standard sizes (and `size` when missing); no-op when the
// face is already a label or face of the catalogue. Returns its index.
int AddFontToCatalogue(const QString& face, int size);
// The label the catalogue lists `face` under, or the face itself.
QString FontLabel(const QString& face);

// A picture drawn into a bitmap of `size` at `percent`: ".WMF" smooth and fitted, others fitted and
// enlarged; `background` fills the rest. A null image when the file is missing or undrawable.
QImage DrawCardPicture(const QString& file, QSize size, int percent, const QColor& background);

} // namespace editor

// "Bildgröße ändern ...": a percentage with a live example.
class TFormbildgroesse : public QDialog
{
    Q_OBJECT
public:
    TFormbildgroesse(QWidget* parent, const QString& picture, int size);
    int size() const { return m_size; }
    // Reads a typed text as the size: without the first "%", clamped to 1..100; a text that is no
    // number keeps the size.
    void takeText(const QString& text);

    QComboBox* CB_groesse = nullptr;
    QWidget* P_beispiel = nullptr;
    QLabel* Bild = nullptr;
    QPushButton* B_ok = nullptr;
    QPushButton* B_abbrechen = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void redraw();
    QString m_picture;
    int m_size = 100;
    bool m_updating = false;
};

// "Schriftart ändern": the font catalogue's labels and sizes, colour and an example.
class TFormschriftart : public QDialog
{
    Q_OBJECT
public:
    TFormschriftart(QWidget* parent, const TFont& font);
    TFont font() const { return m_font; }

    QListWidget* LB_schriften = nullptr;
    QListWidget* LB_groessen = nullptr;
    QLineEdit* E_schriftart = nullptr;
    QLineEdit* E_schriftgrad = nullptr;
    QPushButton* B_farbe = nullptr;
    QLabel* L_beispiel = nullptr;
    QPushButton* B_andere = nullptr;
    QPushButton* B_ok = nullptr;
    QPushButton* B_abbrechen = nullptr;

    // The size list's entries as numbers.
    QList<int> listedSizes() const;
    QStringList labels() const;
    // Leaving "Schriftgrad:".
    void sizeFieldLeft();
    void chooseOtherFont();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void done(int r) override;

private:
    void fillLabels();
    void selectFace(const QString& face);
    void fillSizes(int entry);
    void selectSize(int size);
    void updateExample();
    TFont m_font;
    bool m_filling = false;
};

// A picture with a purpose ("Rückseite", "Bild Anleitung") and a preview.
class TFormBildAuswahl : public QDialog
{
    Q_OBJECT
public:
    TFormBildAuswahl(QWidget* parent, const QString& startPicture, const QString& purpose);
    QString picture() const { return m_picture; }

    QLabel* L_gruppe = nullptr;
    QLabel* Bild = nullptr;
    QPushButton* B_aendern = nullptr;
    QPushButton* B_ok = nullptr;
    QPushButton* B_abbrechen = nullptr;

    void change();

private:
    void drawPreview();
    QString m_picture;
};

// One picture enlarged to the window; Escape or the bottom bar closes it.
class TFormbildgroesser : public QDialog
{
    Q_OBJECT
public:
    TFormbildgroesser(QWidget* parent, const QString& file, const QString& caption);
    QLabel* Bild = nullptr;
    QPushButton* B_schliessen = nullptr;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    QString m_file;
};
