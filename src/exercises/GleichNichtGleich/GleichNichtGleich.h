#pragma once
#include "exercises/GleichNichtGleich/GleichRules.h"
#include "shell/FormAlle.h"

#include <QImage>
#include <QRect>
#include <memory>


// The window of "Gleich oder Nichtgleich": two cards side by side, the two answer buttons, "Weiter",
// the heading sound and the three folder tabs. It lays out, paints from the rules and routes input.
class TFormGleichNichtGleich : public TFormFormAlle
{
    Q_OBJECT
public:
    explicit TFormGleichNichtGleich(const QString& listPath, QWidget* parent = nullptr);
    ~TFormGleichNichtGleich() override;

    gleich::GleichRules& rules() { return *m_rules; }
    QPushButton* SB_gleich = nullptr;
    QPushButton* SB_nichtgleich = nullptr;
    QPushButton* SB_weiter = nullptr;
    QPushButton* SB_Ton = nullptr;
    // The folder tabs: " Allgemein ", " Inlaut ", " Minimalpaare "; the one holding the list is pressed.
    QPushButton* TB_Allgemein = nullptr;
    QPushButton* TB_Inlaut = nullptr;
    QPushButton* TB_minimalpaare = nullptr;

    QRect cardRect(int card) const { return m_cardRect[card == 2 ? 1 : 0]; }
    // Steps the last reveal animation showed, of how many it had.
    int lastRevealSteps() const { return m_revealSteps; }
    int lastRevealTotal() const { return m_revealTotal; }
    // Delay between "Weiter" and the automatic listening (one second; tests shorten it).
    static int& autoListenDelayMs();
    // The reveal pattern used by the next animation (-1: random); tests fix it.
    static int& revealPattern();

    void FormPaint(QPainter& painter) override;
    bool HandleAppMessage(QObject* watched, QEvent* event) override;
    void TaskImageClick(int position) override;
    void ArrangeFrame() override;

    // The program's actions, as the buttons and keys start them.
    void listenClick();
    void answerClick(gleich::Answer answer);
    void weiterClick();
    void folderTabClick(int index);

protected:
    void CB_auswahlChange(int index) override;
    void sb_optionenClick() override;
    void SB_hoerenClick() override;
    void Chb_hintergrundbildClick() override;
    void FormActivate() override;
    void FormClose() override;
    void SoundNotice(int channel, SoundStatus status) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool prepareList();
    void applyOptions();
    void layoutCards();
    void drawBackground();
    void drawBacks();
    void drawFaces();
    QImage drawFace(int card, const QSize& size, int textPoints) const;
    int commonTextPoints(const QSize& size, int percent) const;
    // Shows the task the rules have set up (with the reveal animation when they ask for it).
    void showTask();
    void listenSoon();
    void reveal();
    void refresh();
    void writeFrameOptions();
    void syncTaskStates();
    void askHowToGoOn();
    int cardAt(const QPoint& pos) const;
    void showFolderTab();
    void startChosenList();
    QPushButton* folderTab(int i) const;

    std::unique_ptr<gleich::GleichRules> m_rules;
    QImage m_background;          // window background over the client area
    QImage m_back[2], m_face[2];
    QRect m_cardRect[2];
    QSize m_backSize[2];
    bool m_facesShown = false;
    bool m_facesReady = false;  // the face images belong to the current task
    // The reveal animation: the previous screen under the new backs, shown through a growing region.
    bool m_revealing = false;
    QImage m_revealOld;
    QImage m_revealCanvas[2];    // per card: the old screen with what the steps uncovered
    int m_revealSteps = 0, m_revealTotal = 0;
    int m_autoListenTicket = 0;
    bool m_closingWindow = false;
    bool m_listValid = false;
    bool m_stripDirty = true;
};
