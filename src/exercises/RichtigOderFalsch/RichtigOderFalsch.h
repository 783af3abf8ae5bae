#pragma once
#include "exercises/RichtigOderFalsch/RichtigRules.h"
#include "shell/FormAlle.h"

#include <QImage>
#include <QRect>
#include <array>
#include <memory>

// The window of "Richtig oder Falsch": one shown card, the "  passt  " and "passt nicht" buttons with
// their nodding and shaking figures, "Weiter", the heading sound and the three folder tabs. It lays
// out, paints from the rules and routes input.
class TFormRichtigOderFalsch : public TFormFormAlle
{
    Q_OBJECT
public:
    explicit TFormRichtigOderFalsch(const QString& listPath, QWidget* parent = nullptr);
    ~TFormRichtigOderFalsch() override;

    richtig::RichtigRules& rules() { return *m_rules; }
    QPushButton* SB_richtig = nullptr;  // "  passt  "
    QPushButton* SB_falsch = nullptr;   // "passt nicht"
    QPushButton* SB_weiter = nullptr;
    QPushButton* SB_Ton = nullptr;
    QPushButton* TB_Allgemein = nullptr;
    QPushButton* TB_Weitere = nullptr;
    QPushButton* TB_minimalpaare = nullptr;

    QRect cardRect() const { return m_cardRect; }
    // The four frames of an answer button (1 "passt", 2 "passt nicht"), and the frame shown now.
    const std::array<QImage, 4>& buttonFrames(int button) const { return m_frames[button == 2 ? 1 : 0]; }
    int frameShown(int button) const { return m_frameShown[button == 2 ? 1 : 0]; }
    // Frames the last button animation drew.
    int lastAnimationFrames() const { return m_animationFrames; }
    // The reveal pattern of the next animation (-1: random); tests fix it.
    static int& revealPattern();

    void FormPaint(QPainter& painter) override;
    bool HandleAppMessage(QObject* watched, QEvent* event) override;
    void TaskImageClick(int position) override;
    void ArrangeFrame() override;

    void listenClick();
    void answerClick(richtig::Answer answer);
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
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool prepareList();
    void applyOptions();
    void fitListFont();
    void layoutCard();
    void drawBackground();
    void drawFace();
    void makeButtonFaces();
    void showFrame(int button, int frame);
    void animate(int button);
    void showTask();
    void reveal();
    void refresh();
    void syncTaskStates();
    void writeFrameOptions();
    void askHowToGoOn();
    void showFolderTab();
    void startChosenList();
    QPushButton* folderTab(int i) const;

    std::unique_ptr<richtig::RichtigRules> m_rules;
    QImage m_background;
    QImage m_face;
    QRect m_cardRect;             // the card with its border
    int m_textPoints = 0;
    int m_listFontSize = 0;
    std::array<QImage, 4> m_frames[2];
    QImage m_disabled[2];
    int m_frameShown[2] = {1, 1};
    int m_animationTicket = 0;
    int m_animationFrames = 0;
    bool m_revealing = false;
    QImage m_revealCanvas;
    bool m_closingWindow = false;
    bool m_listValid = false;
    bool m_stripDirty = true;
};
