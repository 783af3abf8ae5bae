#pragma once
#include "exercises/WelcherLautPasst/WelcherRules.h"
#include "shell/FormAlle.h"

#include <QHash>
#include <QImage>
#include <functional>
#include <QRect>
#include <array>
#include <memory>

class QCheckBox;

// The window of "Welcher Laut passt": the hidden word card between two choice cards with their ear
// buttons, the word panel below, "Weiter", the heading sound, the three folder tabs and "Sprache
// minimieren". It lays out, paints from the rules and routes input.
class TFormWelcherLautPasst : public TFormFormAlle
{
    Q_OBJECT
public:
    explicit TFormWelcherLautPasst(const QString& listPath, QWidget* parent = nullptr);
    ~TFormWelcherLautPasst() override;

    welcher::WelcherRules& rules() { return *m_rules; }
    QPushButton* SB_weiter = nullptr;
    QPushButton* SB_Ton = nullptr;
    QPushButton* TB_Anlaut = nullptr;
    QPushButton* TB_Inlaut = nullptr;
    QPushButton* TB_Auslaut = nullptr;
    QCheckBox* CheckBox1 = nullptr;  // "Sprache minimieren"

    // Card 1 left choice, 2 the word, 3 right choice; ear buttons under 1 and 3.
    QRect cardRect(int card) const;
    QRect earRect(int card) const { return m_ear[card == welcher::kRight ? 1 : 0]; }
    QRect wordPanel() const;
    // Screen buffer as last composed (tests look at its pixels).
    const QImage& screenBuffer() const { return m_buffer; }
    int animationSteps() const { return m_animationSteps; }

    void FormPaint(QPainter& painter) override;
    bool HandleAppMessage(QObject* watched, QEvent* event) override;
    void TaskImageClick(int position) override;
    void ArrangeFrame() override;

    void listenClick();
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
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool prepareList(bool keepStart);
    void applyOptions();
    void fitListFont();
    void layoutCards();
    void drawBackground();
    void makeFrames();
    void compose();
    void drawWordCard(QImage& canvas);
    void drawChoiceCard(QImage& canvas, int card, bool pressed);
    void drawEarButton(QImage& canvas, int card);
    QImage earImage(QSize size, bool marked) const;
    void drawCardBack(QImage& card, const QRect& inner);
    // Pictures that stay the same from task to task, until the background is drawn again.
    QImage cached(const QString& key, const std::function<QImage()>& draw);
    void drawWordPanel(QImage& canvas);
    void drawProgressSquares(QImage& canvas) const;
    void animateTaskChange();
    void showTask(bool ok);
    void refresh();
    void syncTaskStates();
    void writeFrameOptions();
    void afterAnswer(welcher::WelcherRules::Outcome outcome);
    void choiceClick(int card);
    void startChosenList();
    void showFolderTab();
    QPushButton* folderTab(int i) const;
    welcher::SoundPosition tabPosition() const;

    std::unique_ptr<welcher::WelcherRules> m_rules;
    QImage m_background;
    QImage m_buffer;
    QImage m_animationCopy;
    QHash<QString, QImage> m_cache;
    QImage m_face;
    QString m_faceKey;
    std::array<QImage, 3> m_frames;
    QRect m_word, m_choice[2], m_ear[2];
    int m_maxWidth = 800, m_maxHeight = 600;
    int m_listFontSize = 0;  // the run's size
    int m_fittedSize = 0;
    int m_animationSteps = 0;
    int m_squares = 0;  // result rows at the last right answer
    int m_pressedTab = -1;
    bool m_listValid = false;
    bool m_closingWindow = false;
    bool m_stripDirty = true;
    bool m_animating = false;
};
