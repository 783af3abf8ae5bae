#pragma once
#include "exercises/LangOderKurz/LangRules.h"
#include "shell/FormAlle.h"

#include <QImage>
#include <QRect>
#include <memory>

class QCheckBox;
class QRadioButton;

// The window of "Lang oder kurz": two cards, the sources of the symbols "kurz" and "l a n g" below
// them, "Prüfen" and "Weiter" over the listen button, the view panel and the three folder tabs. It
// lays out, paints from the rules and routes pointer, keys and sound notices to them.
class TFormLangOderKurz : public TFormFormAlle
{
    Q_OBJECT
public:
    explicit TFormLangOderKurz(const QString& listPath, QWidget* parent = nullptr);
    ~TFormLangOderKurz() override;

    lang::LangRules& rules() { return *m_rules; }
    QPushButton* SB_weiter = nullptr;
    QPushButton* SB_Fertig = nullptr;  // "Prüfen"
    QPushButton* SB_Ton = nullptr;
    QFrame* P_bilderansicht = nullptr;
    QRadioButton* RB_Bildsofort = nullptr;
    QRadioButton* RB_ohneBild = nullptr;
    QCheckBox* Chb_bilderzeigen = nullptr;
    QCheckBox* ChB_nochmalsagen = nullptr;
    QPushButton* TB_Vokale = nullptr;
    QPushButton* TB_Wortlaenge = nullptr;
    QPushButton* TB_zusatz = nullptr;

    // Card 1 or 2, and the sources (lang::kShort, lang::kLong), in window coordinates.
    QRect cardRect(int card) const { return m_card[card == 2 ? 1 : 0]; }
    QRect sourceRect(int symbol) const { return m_source[symbol == lang::kShort ? 1 : 0]; }
    // On a card, in the card's coordinates: where a face's text is written (empty without text)
    // and where a chosen symbol is drawn.
    QRect textBoxOnCard(int card) const;
    QRect symbolOnCard(int card, int symbol) const;
    // The wait before the second word after a solution (a second; tests shorten it).
    static int& secondWordDelayMs();
    static int& revealPattern();

    void FormPaint(QPainter& painter) override;
    bool HandleAppMessage(QObject* watched, QEvent* event) override;
    void TaskImageClick(int position) override;
    void ArrangeFrame() override;

    void listenClick();
    void pruefenClick();
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

private:
    bool prepareList();
    void applyOptions();
    void layoutCards();
    void drawBackground();
    QImage cardImage(int card, bool pressed) const;
    QImage drawCard(int card, bool pressed, bool face, bool solved) const;
    QRect faceTextBox(const QSize& inner, bool withPicture, bool withText) const;
    QRect symbolPlace(const QSize& card, int symbol) const;
    void drawSymbols();
    void showTask();
    void reveal();
    void refresh();
    void afterChain();
    void writeFrameOptions();
    void askHowToGoOn();
    void showFolderTab();
    void startChosenList();
    void mousePress(QPoint at);
    void mouseMove(QPoint at);
    void mouseRelease(QPoint at);
    int cardAt(QPoint at) const;
    int sourceAt(QPoint at) const;
    QPushButton* folderTab(int i) const;

    std::unique_ptr<lang::LangRules> m_rules;
    QImage m_background;
    QImage m_symbol[2];       // long, short
    QImage m_sourceSymbol[2];
    QImage m_progressSymbol;
    QRect m_card[2];
    QRect m_source[2];        // long, short
    int m_pressed = 0;        // card shown pressed
    QPoint m_dragAt;
    int m_textPoints = 48;
    bool m_revealing = false;
    QImage m_revealCanvas;
    bool m_closingWindow = false;
    bool m_listValid = false;
    int m_dueTicket = 0;
    struct CachedCard {
        QString key;
        QImage image;
    };
    mutable CachedCard m_cached[2][2];  // card, pressed
    mutable CachedCard m_sourceCache[2][2];  // source, used
    QImage sourceImage(int source, bool used) const;
};
