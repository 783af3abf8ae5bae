#pragma once
#include "exercises/Wortreihe/WortreiheRules.h"
#include "media/picture/Picture.h"
#include "shell/ExerciseWindow.h"

#include <QHash>
#include <QImage>
#include <QRect>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The window of the word series (201 to 204): K cards with marker buttons, the heading, the results
// strip and a bottom bar of its own. It lays out, paints from the rules and routes input.
class TFormWortreihe : public TFormExercise
{
    Q_OBJECT
public:
    TFormWortreihe(int programCode, const QString& listPath, QWidget* parent = nullptr);
    ~TFormWortreihe() override;

    wortreihe::WortreiheRules& rules() { return *m_rules; }

    QFrame* P_Leiste = nullptr;
    QPushButton* sb_optionen = nullptr;
    QLabel* L_Aufgabe = nullptr;       // "Aufgaben"
    QPushButton* BB_zurueck = nullptr; // "<"
    QLineEdit* E_Aufgabe = nullptr;    // the task number box
    QPushButton* BB_vor = nullptr;     // ">"
    QPushButton* SB_hoeren = nullptr;
    QPushButton* SB_pruefen = nullptr;
    QLabel* L_Anzahl = nullptr;        // "Anzahl Begriffe"
    QPushButton* SB_anzahl[4] = {};    // "3", " 4 ", " 5 ", "6"
    QComboBox* CB_auswahl = nullptr;
    QCheckBox* Chb_hintergrundbild = nullptr;
    QLabel* L_Aufgaben = nullptr;      // " Aufgaben: " + count
    QLabel* l_gbst = nullptr;
    QPushButton* SB_ende = nullptr;

    // Card and marker rectangles in display order; the sequence boxes (Doppelgänger-Text).
    const std::vector<QRect>& cardRects() const { return m_cards; }
    const std::vector<QRect>& markerRects() const { return m_markers; }
    const std::vector<QRect>& sequenceRects() const { return m_sequence; }
    QRect taskArea() const { return m_area; }
    const QImage& backBuffer() const { return m_buffer; }

    void hoerenClick();
    void pruefenClick();
    void weiterClick();
    void markerClick(int card);
    void cardClick(int card);
    void wordCountClick(int k);
    void taskStep(int delta);
    void taskNumberEntered();

    bool HandleAppMessage(QObject* watched, QEvent* event) override;
    // A run whose rows were all left unanswered ends without the closing dialog.
    void SB_endeClick() override;

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
    void layoutCards();
    void makeBackground();
    void makeSymbols();
    void render();
    void drawCard(QImage& canvas, int card, bool shadowInTable);
    QRect shownCardRect(int card) const;
    QImage smallPicture(const QString& key, const std::function<QImage()>& make);
    void drawStrip(QPainter& p);
    void refresh();
    void skinMiddleButtons();
    void showMessage();
    void afterSetUp();
    void optionsClick();
    void listChosen(int index);
    void backgroundClick();
    void writeOptions();
    void fitTextSize();
    void collectIfDue();
    int cardAt(const QPoint& pos) const;
    int markerAt(const QPoint& pos) const;
    QString listFolder() const;
    QString relativeList() const;

    std::unique_ptr<wortreihe::WortreiheRules> m_rules;
    QImage m_background, m_light, m_buffer;
    // Card pictures at their drawn size, kept across tasks while the card size stays: lists repeat pictures.
    QHash<QString, picture::Target> m_faces;
    QSize m_facesCardSize;
    QHash<QString, QImage> m_smallPictures;  // marker faces and the hearing symbol, by file, size and colour
    // The background with the heading and the cards' shadows; the last few are kept, since the phases
    // of a task switch between the same few, and the one of all cards in their places.
    struct Table
    {
        QString key, base;  // base: the background and heading under the shadows
        QImage image;
        int headingRight = 0;
        std::vector<QRect> shadowAreas;
    };
    std::vector<Table> m_tables;  // newest first
    qint64 m_bufferTable = 0;     // the table the back buffer was filled from
    QString m_bufferBase;         // and its base
    std::vector<QRect> m_bufferShadowAreas;
    std::vector<QRect> m_drawn;   // drawn over that table since
    std::vector<QImage> m_symbols;     // the Knopf metafiles drawn at strip size
    int m_symbolSize = 0;
    QRect m_area;
    int m_headingHeight = 0;
    int m_headingRight = 0;
    int m_markerSize = 41;
    int m_textPoints = 12;
    int m_pressedMarker = -1;
    int m_collected = 0;
    std::vector<QRect> m_cards, m_markers, m_sequence;
    bool m_listValid = false;
    bool m_closing = false;
};
