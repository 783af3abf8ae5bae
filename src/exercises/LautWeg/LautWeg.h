#pragma once
#include "exercises/LautWeg/LautWegRules.h"
#include "exercises/common/LautFlow.h"
#include "shell/FormAlle.h"

#include <QImage>
#include <QRect>
#include <memory>
#include <vector>

class QTimer;

// The window of "Laute weglassen": the picture panel with its heading box and the band on the left,
// the column of alternatives (listen button and round choice button per row) on the right, "Hilfe",
// "Prüfen", "Weiter", the heading sound and the two folder tabs. It lays out, paints from the rules
// and routes input.
class TFormLautWeg : public TFormFormAlle
{
    Q_OBJECT
public:
    explicit TFormLautWeg(const QString& listPath, QWidget* parent = nullptr);
    ~TFormLautWeg() override;

    lautweg::LautWegRules& rules() { return *m_rules; }
    QPushButton* Sb_hilfe = nullptr;
    QPushButton* SB_fertig = nullptr;
    QPushButton* SB_weiter = nullptr;
    QPushButton* SB_Ton = nullptr;
    QPushButton* TB_Anlaut = nullptr;
    QPushButton* TB_Auslaut = nullptr;

    QRect listenRect(int row) const;
    QRect choiceRect(int row) const;   // the round button
    QRect pictureRect() const { return m_picture; }
    QRect bandRect() const { return m_band; }
    QRect headingRect() const { return m_heading; }
    QRect panelRect() const { return m_panel; }
    bool dissolving() const;
    // Runs the dissolve to its end at once (tests, closing).
    void finishDissolve();
    // The screen as last painted (tests look at its pixels).
    QImage screenshot();

    void FormPaint(QPainter& painter) override;
    bool HandleAppMessage(QObject* watched, QEvent* event) override;
    void TaskImageClick(int position) override;
    void ArrangeFrame() override;

    void listenClick();
    void fertigClick();
    void weiterClick();
    void folderTabClick(int index);

protected:
    void CB_auswahlChange(int index) override;
    void sb_optionenClick() override;
    void SB_hoerenClick() override;
    void Chb_hintergrundbildClick() override;
    void FormActivate() override;
    void FormClose() override;
    void StopBeforeClose() override;
    void SoundNotice(int channel, SoundStatus status) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool prepareList(bool keepStart);
    void applyOptions();
    void layoutArea();
    void drawBackground();
    void drawFaces();
    void showTask();
    void refresh();
    void afterChoice(lautweg::LautWegRules::Outcome outcome);
    void startDissolve();
    void dissolveTick();
    void drawPanel(QPainter& p);
    void drawBand(QPainter& p);
    void drawColumn(QPainter& p);
    QImage faceImage(int face) const;
    int rowAt(const QPoint& pos, bool choice) const;
    void writeFrameOptions();
    void startChosenList();
    void showFolderTab();
    void askHowToGoOn();
    bool headingShown() const;

    std::unique_ptr<lautweg::LautWegRules> m_rules;
    QImage m_background;
    QImage m_faces[3];            // first face, new word's picture, word's picture
    QImage m_dissolveCanvas;
    std::vector<QImage> m_listenFace[2];  // per row: raised, pressed
    QImage m_roundFace[2];
    exercise::LautDissolve m_dissolve;
    QTimer* m_timer = nullptr;
    QRect m_panel, m_picture, m_band, m_heading;
    std::vector<QRect> m_listen, m_choice;
    int m_buttonSize = 0;
    int m_pressedTab = -1;
    bool m_listValid = false;
    bool m_closingWindow = false;
    bool m_stripDirty = true;
};
