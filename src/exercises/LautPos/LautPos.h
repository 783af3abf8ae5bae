#pragma once
#include "exercises/LautPos/LautPosRules.h"
#include "shell/FormAlle.h"

#include <QImage>
#include <QRect>
#include <array>
#include <memory>

class QTimer;

// The window of "Laut positionieren": the heading box naming the sound, the three boxes "vorne",
// "mittig", "hinten", the word band below them, "FERTIG!" and "Weiter". It lays out, paints from the
// rules and routes input.
class TFormLautPos : public TFormFormAlle
{
    Q_OBJECT
public:
    explicit TFormLautPos(const QString& listPath, QWidget* parent = nullptr);
    ~TFormLautPos() override;

    lautpos::LautPosRules& rules() { return *m_rules; }
    QPushButton* SB_Fertig = nullptr;
    QPushButton* SB_weiter = nullptr;

    QRect boxRect(int p) const { return p >= 0 && p < 3 ? m_boxes[size_t(p)] : QRect(); }
    QRect headingBox() const { return m_heading; }
    QRect wordBand() const { return m_band; }
    const QImage& screenBuffer() const { return m_buffer; }

    void FormPaint(QPainter& painter) override;
    bool HandleAppMessage(QObject* watched, QEvent* event) override;
    void TaskImageClick(int position) override;
    void ArrangeFrame() override;

    void listenClick();
    void fertigClick();
    void weiterClick();

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
    void layoutArea();
    void compose();
    void refresh();
    void afterOutcome(lautpos::LautPosRules::Outcome outcome);
    void writeFrameOptions();
    int boxAt(const QPoint& at) const;
    bool pictureMode() const;
    void syncPositionWords();

    std::unique_ptr<lautpos::LautPosRules> m_rules;
    std::array<QRect, 3> m_boxes;
    QRect m_heading, m_band;
    QImage m_background, m_buffer;
    QTimer* m_blink = nullptr;
    int m_blinks = 0;
    bool m_listValid = false;
    bool m_stripDirty = true;
};
