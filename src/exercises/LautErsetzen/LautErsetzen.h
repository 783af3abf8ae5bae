#pragma once
#include "exercises/LautErsetzen/LautReplaceRules.h"
#include "exercises/common/LautFlow.h"
#include "core/MainConfig.h"
#include "shell/FormAlle.h"

#include <QHash>
#include <QImage>
#include <functional>
#include <QPoint>
#include <QRect>
#include <memory>
#include <vector>

class QCheckBox;
class QGroupBox;
class QTimer;

// The window of "Laute ersetzen" (and, through TFormLautAdd, of "Laute hinzufügen"): two cards (the
// first word above, the second word with its gap below), the column of sound buttons with the mouth
// pictures beside it, "Hilfe", "Prüfen", "Weiter", the heading sound, "Darstellung" and the folder
// tabs. It lays out, paints from the rules and routes input; a sound is dragged into the gap.
class TFormLautReplace : public TFormFormAlle
{
    Q_OBJECT
public:
    explicit TFormLautReplace(const QString& listPath, QWidget* parent = nullptr);
    ~TFormLautReplace() override;

    lautreplace::LautReplaceRules& rules() { return *m_rules; }
    QPushButton* Sb_hilfe = nullptr;
    QPushButton* sb_fertig = nullptr;
    QPushButton* SB_weiter = nullptr;
    QPushButton* SB_Ton = nullptr;
    QGroupBox* GB_darstellung = nullptr;
    QCheckBox* Chb_Lautknopf = nullptr;
    QCheckBox* Chb_Mundbild = nullptr;
    std::vector<QPushButton*> tabs;  // "Anlaut", ("Inlaut",) "Auslaut"

    // The button of an entry of the offered sounds, where it is shown.
    QRect buttonRect(int entry) const;
    QRect mouthRect(int entry) const;
    QRect cardRect(int card) const { return card == 2 ? m_card[1] : m_card[0]; }
    QRect gapRect() const { return m_gap; }
    int listPoints() const { return m_points; }  // the words' font size
    bool revealing() const;
    void finishReveal();
    bool gliding() const;
    void finishGlide();
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
    // 403 builds on this window with its own program code, rules kind and folder tabs.
    TFormLautReplace(int programCode, lautreplace::LautReplaceRules::Kind kind, const QString& listPath,
                     QWidget* parent);
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
    bool isAdd() const { return m_rules->kind() == lautreplace::LautReplaceRules::Kind::Add; }
    TOpt_LautAdd& opts() const;
    const ProgramSection& section() const;
    QString listFolder() const;
    QString relativeList() const;
    lautreplace::Position positionOfList() const;
    bool prepareList(bool keepStart);
    void applyOptions();
    void layoutArea();
    void drawBackground();
    void drawPictures();
    void showTask();
    void refresh();
    void afterOutcome(lautreplace::LautReplaceRules::Outcome outcome);
    void drop(const QPoint& at, bool overPicked);
    void placeNow();
    void glideTick();
    void revealTick();
    // Composes the kept screen buffer: the table (background, heading, card frames) once per layout,
    // then only the places drawn over it last time are put back before the cards' contents and buttons.
    void compose();
    QRect headingBox() const;
    void drawCard(QPainter& p, int card);
    void drawStrip(QPainter& p, const QRect& strip, int card);
    void drawButtons(QPainter& p);
    void drawHeld(QPainter& p);  // the letters being dragged or gliding
    // Faces and card frames that stay the same until the background is drawn again.
    QImage cachedFace(const QString& key, const std::function<QImage()>& draw);
    // Card pictures at their drawn size, kept until the background is drawn again (lists repeat pictures).
    QImage cachedPicture(const QString& key, const std::function<QImage()>& draw);
    // The mouth picture files of the sounds shown, looked up once while the list and layout stay
    // (the next tasks offer the same sounds again).
    QString mouthFile(const QString& sound, int face);
    void drawHeading(QPainter& p);
    bool wordsVisible() const;
    bool stripsShown() const;
    bool headingShown() const;
    int slotOf(int entry) const;
    int entryAt(const QPoint& pos, bool mouth) const;
    void writeFrameOptions();
    void startChosenList();
    void showFolderTab();
    void askHowToGoOn();
    void darstellungClick(bool lautknopf);

    std::unique_ptr<lautreplace::LautReplaceRules> m_rules;
    QImage m_background;
    QImage m_table, m_buffer;
    QString m_tableKey;          // what the table was drawn from
    QString m_bufferTableKey;    // the table the buffer holds under what was drawn since
    std::vector<QRect> m_drawn;  // drawn over the table in the buffer
    QImage m_cardBack, m_secondPicture, m_firstPicture;
    QImage m_revealCanvas;
    exercise::LautDissolve m_dissolve;
    QTimer* m_revealTimer = nullptr;
    QTimer* m_glideTimer = nullptr;
    QRect m_card[2], m_picture[2], m_strip[2], m_gap;
    std::vector<QRect> m_slots, m_mouthSlots;
    QHash<QString, QImage> m_faceCache;
    QHash<QString, QImage> m_pictureCache;
    QHash<QString, QString> m_mouthFiles;
    QString m_headingKey;  // box and text the heading font was fitted for
    int m_headingPoints = 1;
    int m_a = 0, m_gapWidth = 0, m_points = 0, m_buttonPoints = 0;
    QPoint m_dragPos;
    QPoint m_glidePos;
    int m_mouthPressed = -1;
    bool m_dragging = false;
    bool m_listValid = false;
    bool m_stripDirty = true;
};
