#pragma once
#include "exercises/Silbenanzahl/SilbenRules.h"
#include "shell/FormAlle.h"

#include <QImage>
#include <QRect>
#include <memory>
#include <vector>

class QTimer;

// The window of "Silbenanzahl": the picture panel (picture box and solution area) and a column of
// count buttons, "Prüfen", "Weiter", "Hilfe" and the heading sound. It lays out, paints from the
// rules and routes input.
class TFormSilbenanzahl : public TFormFormAlle
{
    Q_OBJECT
public:
    explicit TFormSilbenanzahl(const QString& listPath, QWidget* parent = nullptr);
    ~TFormSilbenanzahl() override;

    silben::SilbenRules& rules() { return *m_rules; }
    QPushButton* SB_fertig = nullptr;
    QPushButton* SB_weiter = nullptr;
    QPushButton* Sb_hilfe = nullptr;
    QPushButton* SB_Ton = nullptr;
    QTimer* Timer1 = nullptr;

    QRect countRect(int i) const;
    QRect panel() const { return m_panel; }
    QRect pictureBox() const { return m_box; }
    QRect solutionArea() const { return m_solution; }
    const QImage& screenBuffer() const { return m_buffer; }
    bool dissolving() const { return m_dissolve.running(); }
    void finishDissolve();

    void FormPaint(QPainter& painter) override;
    bool HandleAppMessage(QObject* watched, QEvent* event) override;
    void TaskImageClick(int position) override;
    void ArrangeFrame() override;

    void listenClick();
    void checkClick();
    void weiterClick();
    void helpClick();

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

private:
    bool prepareList(bool keepStart);
    void applyOptions();
    void layoutArea();
    void drawBackgrounds();
    void compose();
    void refresh();
    void setUp(silben::SilbenRules::Setup setup);
    void afterOutcome(silben::SilbenRules::Outcome outcome);
    void writeFrameOptions();
    void dissolveTick();
    int countAt(const QPoint& at) const;
    QImage countFace(int i, bool chosen) const;
    QImage panelPicture(bool uncovered) const;

    std::unique_ptr<silben::SilbenRules> m_rules;
    exercise::LautDissolve m_dissolve;
    std::vector<QRect> m_counts;
    QRect m_panel, m_box, m_solution;
    QImage m_background, m_light, m_buffer, m_boxShown, m_boxAfter;
    bool m_listValid = false;
    bool m_stripDirty = true;
    bool m_revealed = false;
};
