#pragma once
#include "exercises/Merkfaehigkeit/MerkLayout.h"
#include "exercises/Merkfaehigkeit/MerkRules.h"
#include "shell/ExerciseWindow.h"

#include <QHash>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <memory>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;

// The window of "Merkfähigkeit-Bild" (101) and "Merkfähigkeit-Text" (102): N cards, the answer card
// (pictures) or the answer fields (texts), the results strip and a bottom bar of its own. It lays
// out, paints from the rules and routes clicks, drags, keys and sound notices to them.
class TFormMerkfaehigkeit : public TFormExercise
{
    Q_OBJECT
public:
    TFormMerkfaehigkeit(int programCode, const QString& listPath, QWidget* parent = nullptr);
    ~TFormMerkfaehigkeit() override;

    merk::MerkRules& rules() { return *m_rules; }
    const merk::Layout& layout() const { return m_layout; }

    QFrame* P_Leiste = nullptr;
    QPushButton* sb_optionen = nullptr;
    QRadioButton* RB_merkspanne = nullptr;
    QRadioButton* RB_reihenfolge = nullptr;
    QLabel* L_Bilderanzahl = nullptr;
    QPushButton* SB_anzahl[5] = {};     // "2", "4", "6", "9", "12"
    QPushButton* SB_ueberschrift = nullptr;
    QFrame* P_wahl = nullptr;           // "Bilder:" / "Texte:" with "gleiche" and "alle"/"nächste"
    QLabel* L_wahl = nullptr;
    QRadioButton* RB_gleiche = nullptr;
    QRadioButton* RB_andere = nullptr;
    QPushButton* SB_hoeren = nullptr;
    QPushButton* SB_pruefen = nullptr;
    QPushButton* SB_sehen = nullptr;
    QPushButton* SB_nochmal = nullptr;
    QPushButton* SB_ende = nullptr;
    QLabel* L_Auswahl = nullptr;
    QComboBox* CB_auswahl = nullptr;
    QLabel* l_gbst = nullptr;
    QLabel* L_merken = nullptr;
    QComboBox* CB_merken = nullptr;

    // The home rectangle of card c (1..N) and where it lies when placed (empty when not placed).
    QRect homeRect(int card) const;
    QRect targetRect(int card) const;
    QRect fieldRect(int slot) const;
    const QImage& backBuffer() const { return m_buffer; }
    bool flying() const { return m_flightCard != 0; }

    bool HandleAppMessage(QObject* watched, QEvent* event) override;
    void SB_endeClick() override;

    void hoerenClick();
    void pruefenClick();
    void sehenClick();
    void nochmalClick();
    void optionsClick();
    void cardCountClick(int n);
    void spanChosen(int m);
    void orderModeClick(bool order);
    void headingClick();

protected:
    void FormActivate() override;
    void FormClose() override;
    void StopBeforeClose() override;
    void SoundNotice(int channel, SoundStatus status) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void buildBar();
    void arrange();
    void relayout();
    void makeBackground();
    void makeFaces();
    void makeAnswerCard();
    void loadSuccessFrames();
    void render();
    void drawCard(QPainter& p, int card);
    enum { kNone, kBlank, kFace };
    int cardLook(int card) const;      // by "unsichtbar" and the phase
    bool cardShadow(int card) const;
    void drawStrip(QPainter& p);
    void drawAnswerCard(QPainter& p);
    void refresh();
    void afterEvent();
    void showMessage();
    void afterSolved();
    void listChosen(int index);
    void writeOptions();
    void startFlight(int card, QPoint from);
    void flightTick();
    void landFlight();
    void enterCard(int card);
    int cardAt(const QPoint& pos) const;         // unplaced card at home
    int placedAt(const QPoint& pos) const;       // placed card at its target
    int fieldAt(const QPoint& pos) const;
    QImage smallImage(int card) const;           // the flying and dragged image
    QString listFolder() const;
    QString relativeList() const;

    std::unique_ptr<merk::MerkRules> m_rules;
    merk::Layout m_layout;
    std::vector<QRect> m_slotRects;
    QString m_facesKey, m_shadowKey;
    QImage m_table;                     // the background with the cards' shadows
    std::vector<std::pair<QString, QImage>> m_keptTables;  // recent tables by their shadows, newest first
    QRect m_answerRect;                 // the answer picture as drawn
    QImage m_background, m_light, m_buffer, m_answerPicture;
    std::vector<QImage> m_faces;        // card faces by card number - 1
    // Faces drawn at the current card size, by picture, percent and ground: lists repeat pictures.
    QSize m_faceCacheSize;
    QHash<QString, QImage> m_faceCache;
    std::vector<QImage> m_placedFaces;  // at the target size
    std::vector<QImage> m_successFrames, m_keptSuccessFrames;
    QImage m_symbol[2];
    // What the answer picture, the strip symbols and the success frames were drawn from: kept while the same.
    QString m_answerKey, m_symbolKey[2], m_successKey;
    QFont m_textFont;
    int m_textPoints = 20;
    // Drag and flight.
    int m_pressCard = 0;
    QPoint m_pressAt, m_dragAt;
    bool m_dragShown = false;
    int m_flightCard = 0;
    QPoint m_flightAt;
    QTimer* m_flightTimer = nullptr;
    bool m_listValid = false;
    bool m_closing = false;
    bool m_showSuccess = false;
    bool m_stopSuccess = false;
};
