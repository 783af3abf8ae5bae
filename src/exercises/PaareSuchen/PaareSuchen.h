#pragma once
#include "exercises/PaareSuchen/PaareLayout.h"
#include "exercises/PaareSuchen/PaareRules.h"
#include "shell/ExerciseWindow.h"

#include <QFont>
#include <QHash>
#include <QImage>
#include <array>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

// The window of "Paare suchen" (408): four target cards in the top row, the choice cards in two rows
// below, a bottom bar of its own. It lays out, paints from the rules (through a back buffer) and
// routes clicks, keys and sound notices to them.
class QTimer;

class TFormPaarSuche : public TFormExercise
{
    Q_OBJECT
public:
    TFormPaarSuche(int programCode, const QString& listPath, QWidget* parent = nullptr);
    ~TFormPaarSuche() override;

    paare::PaareRules& rules() { return *m_rules; }
    const paare::Grid& grid() const { return m_grid; }
    const QImage& backBuffer() const { return m_buffer; }
    // The rectangle of a card (pair, 0 choice / 1 target); empty when it is not on the screen.
    QRect cardRect(int pair, int k) const;
    int fontPoints() const { return m_fontPoints; }

    QFrame* P_Leiste = nullptr;
    QPushButton* sb_optionen = nullptr;
    QPushButton* SB_Ton = nullptr;          // the list's heading sound
    QPushButton* SB_Anleitung = nullptr;    // the instruction
    QPushButton* SB_pruefen = nullptr;
    QPushButton* SB_weiter = nullptr;
    QPushButton* SB_neuesSpiel = nullptr;
    QPushButton* SB_hoeren = nullptr;
    QPushButton* SB_ende = nullptr;
    QFrame* P_Liste = nullptr;
    QComboBox* CB_auswahl = nullptr;
    QLabel* L_Aufgaben = nullptr;
    QLabel* l_gbst = nullptr;
    QCheckBox* Chb_hintergrundbild = nullptr;
    QCheckBox* Chb_markiert = nullptr;

    bool HandleAppMessage(QObject* watched, QEvent* event) override;

    void pruefenClick();
    void weiterClick();
    void neuesSpielClick();
    void hoerenClick();
    void optionsClick();
    void headingClick();
    void instructionClick();
    void listChosen(int index);

protected:
    void FormActivate() override;
    void FormClose() override;
    void StopBeforeClose() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildBar();
    void arrange();
    void applyOptions();
    void instructionCheck();
    void showInstruction();
    void scheduleDeal();
    void dealGame();
    bool dealStep();
    static int soundLengthMs(const QString& file);
    void finishDeal();
    void layoutGrid();
    void buildBackground();
    void buildLooks();
    QImage frameAt(int pos, bool raised);
    const QImage& lookImage(int pair, int k, int look);
    const QImage& makeLook(int pair, int k, int look);
    void clearBackBuffer();
    QImage cardLook(int pair, int k, int look, const QImage& frame, const QImage& content) const;
    QImage content(const TEinzelbild& e, QSize size, bool picked) const;
    QImage foundTarget(int pair, QSize size) const;
    void render(int shownUpTo = -1);
    QRect showCardAt(int pos);
    void refresh();
    void refreshButtons();
    void writeOptions();
    QString listFolder() const;
    QString relativeList() const;

    std::unique_ptr<paare::PaareRules> m_rules;
    paare::Grid m_grid;
    QImage m_background, m_buffer;
    // Looks per pair: [k][look].
    std::vector<std::array<std::array<QImage, 5>, 2>> m_looks;
    std::vector<QImage> m_faces;        // choice card contents at the face size
    QHash<int, QImage> m_frames;
    QHash<QString, QImage> m_faceCache;  // face contents by element, kept across games
    QHash<QString, QImage> m_lookCache;  // looks that depend only on their content
    QString m_cacheKey;
    QImage m_symbol, m_blank;
    QFont m_cardFont;
    int m_fontPoints = 0;
    bool m_mixing = false;
    QRect m_mixingRect;
    bool m_dealScheduled = false;
    // The deal runs on a timer: the mixing screen for the mixing sound's length, then one card per
    // dealing sound, each painted as it comes.
    QTimer* m_dealTimer = nullptr;
    int m_dealPos = 0;
    QString m_dealSound;  // the dealing sound, and how long it plays: one card per sound
    int m_dealStepMs = 0;
    int m_dealRemembered = 0;
    bool m_closing = false;
    bool m_listValid = false;
};
