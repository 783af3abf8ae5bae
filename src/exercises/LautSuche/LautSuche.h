#pragma once
#include "exercises/LautSuche/LautSucheRules.h"
#include "exercises/common/LautButtons.h"
#include "shell/FormAlle.h"

#include <QHash>
#include <QImage>
#include <QRect>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QGroupBox;
class QTimer;

// The window of "Laut-/Silbensuche": the picture panel with the heading box and the word area, the
// column of sound buttons with the mouth pictures beside it, "Prüfen", "Weiter", the heading sound,
// "Darstellung" (Lautknopf, Mundbild) and the three folder tabs. It lays out, paints from the rules
// and routes input.
class TFormLautSuche : public TFormFormAlle
{
    Q_OBJECT
public:
    explicit TFormLautSuche(const QString& listPath, QWidget* parent = nullptr);
    ~TFormLautSuche() override;

    lautsuche::LautSucheRules& rules() { return *m_rules; }
    QPushButton* SB_fertig = nullptr;
    QPushButton* SB_weiter = nullptr;
    QPushButton* SB_Ton = nullptr;
    QGroupBox* GB_darstellung = nullptr;
    QCheckBox* Chb_Lautknopf = nullptr;
    QCheckBox* Chb_Mundbild = nullptr;
    QFrame* ToolBar1 = nullptr;
    QPushButton* TB_Anlaut = nullptr;
    QPushButton* TB_Inlaut = nullptr;
    QPushButton* TB_Auslaut = nullptr;
    QTimer* Timer1 = nullptr;

    // Where sound button i is drawn (the round button inside it without letters), mouth picture i,
    // the picture box, the heading box and the word area.
    QRect buttonRect(int i) const;
    QRect mouthRect(int i) const;
    QRect pictureBox() const { return m_box; }
    QRect headingBox() const { return m_heading; }
    QRect wordArea() const { return m_wordArea; }
    const exercise::LautLayout& layout() const { return m_layout; }
    const QImage& screenBuffer() const { return m_buffer; }
    bool dissolving() const;
    // Runs the dissolve to its end at once (tests).
    void finishDissolve();

    void FormPaint(QPainter& painter) override;
    bool HandleAppMessage(QObject* watched, QEvent* event) override;
    void TaskImageClick(int position) override;
    void ArrangeFrame() override;

    void listenClick();
    void checkClick();
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
    void showFolderTab();
    void layoutArea();
    void drawPanels();
    void compose();
    // Draws `image` into the kept buffer and remembers the place for the next compose.
    void put(QPainter& p, const QPoint& at, const QImage& image);
    // A card frame cut from the background, drawn once per place and look.
    const QImage& frameFace(const QRect& rect, bool raised);
    // A panel picture at the box size, kept while the box size and the list stay.
    QImage panelPicture(const QString& key, const std::function<QImage()>& draw);
    void refresh();
    void setUp(bool ok);
    void afterOutcome(lautsuche::LautSucheRules::Outcome outcome);
    void darstellungClick(bool lautknopf);
    void writeFrameOptions();
    void startChosenList();
    void dissolveTick();
    void needListen();
    QPushButton* folderTab(int i) const;
    int buttonAt(const QPoint& at) const;
    int mouthAt(const QPoint& at) const;

    std::unique_ptr<lautsuche::LautSucheRules> m_rules;
    exercise::LautDissolve m_dissolve;
    exercise::LautLayout m_layout;
    QRect m_box, m_heading, m_wordArea;
    QImage m_background, m_buffer;
    QImage m_boxBefore, m_boxAfter, m_boxShown;
    QHash<QString, QImage> m_faces;  // button and mouth faces by place, until the background changes
    QHash<QString, QImage> m_panels;  // task pictures and card back at the box size
    QSize m_panelSize;
    std::vector<QRect> m_drawn;      // what the last compose drew over the background
    qint64 m_bufferBase = 0;         // the background the kept buffer was started from
    QString m_look;
    int m_points = 10;
    bool m_listValid = false;
    bool m_stripDirty = true;
    bool m_syncingChecks = false;
};
