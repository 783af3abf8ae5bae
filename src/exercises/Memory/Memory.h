#pragma once
#include "exercises/Memory/MemoryRules.h"
#include "shell/FormAlle.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QRect>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;

// The window of "Memory" (305) and "Laut-/Silbenmemory" (407): the cards in their grid above the
// frame's bottom bar, "Neues Spiel", "Alle Karten anhören", "Weiter" on the instruction page, the
// heading sound and the two player panels. It lays out, paints from the rules and routes input.
class TFormMemory : public TFormFormAlle
{
    Q_OBJECT
public:
    TFormMemory(int programCode, const QString& listPath, QWidget* parent = nullptr);
    ~TFormMemory() override;

    memory::MemoryRules& rules() { return *m_rules; }
    QPushButton* SB_neuesSpiel = nullptr;
    QPushButton* SB_alleHoeren = nullptr;
    QPushButton* SB_weiter = nullptr;
    QPushButton* SB_Ton = nullptr;
    QFrame* P_spieler[2] = {nullptr, nullptr};
    QLineEdit* E_name[2] = {nullptr, nullptr};
    QLabel* L_punkte[2] = {nullptr, nullptr};

    // The card area above the bar, and the rectangle of a grid place.
    QRect cardArea() const;
    QRect placeRect(int place) const;
    // Corners where the success motif was drawn, with their colours.
    const std::vector<std::pair<QRect, QColor>>& motifs() const { return m_motifs; }
    bool showingInstruction() const;

    void FormPaint(QPainter& painter) override;
    bool HandleAppMessage(QObject* watched, QEvent* event) override;
    void ArrangeFrame() override;

    void newGameClick();
    void playAllClick();
    void weiterClick();

protected:
    void CB_auswahlChange(int index) override;
    void sb_optionenClick() override;
    void Chb_hintergrundbildClick() override;
    void FormActivate() override;
    void FormClose() override;
    void SoundNotice(int channel, SoundStatus status) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    TOpt_Memory& record();
    void startList();
    void prepareInstruction();
    void dealGame(bool pairsChosen);
    void showCardsAgain();
    void askForCardCount();
    void setupPlayerPanels();
    void layoutCards();
    void drawBackground();
    void buildLooks();
    QImage faceImage(int cardIndex, QSize size) const;
    QImage joinedImage(int pair, QSize size) const;
    void drawMotif();
    void refresh();
    void writeFrameOptions();
    int placeAt(const QPoint& p) const;

    int m_program;
    std::unique_ptr<memory::MemoryRules> m_rules;
    QImage m_background;
    QImage m_back, m_backPressed;
    std::vector<QImage> m_face, m_facePressed, m_found;
    std::vector<QImage> m_joined;  // per pair
    struct FaceLooks
    {
        QImage face, raised, pressed;
    };
    QHash<QString, FaceLooks> m_lookCache;  // at m_lookCacheSide, by picture, text and look
    int m_lookCacheSide = 0;
    QString m_backKey;  // what the back was drawn from
    int m_cardSize = 0;
    QPoint m_gridOrigin;
    int m_dealt = -1;           // places shown while dealing; -1 all
    bool m_mixing = false;
    bool m_listValid = false;
    bool m_closingWindow = false;
    bool m_dealPending = false;
    std::vector<std::pair<QRect, QColor>> m_motifs;
    QImage m_motifShape, m_motifCentre;
};
