#pragma once
#include "media/sound/Capture.h"

#include <QDialog>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QTemporaryFile;
class QTimer;

// The microphone's level as a bar: green, yellow near the top, red where it clips.
class LevelMeter : public QWidget
{
public:
    using QWidget::QWidget;
    void setLevel(float level);
    float level() const { return m_level; }
    QSize sizeHint() const override { return {320, 28}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    float m_level = 0.0f;
};

// Recording one word: "Aufnehmen" with a level meter and "Stopp", then "Anhören", "Neu aufnehmen"
// and "Übernehmen". The take is kept trimmed and normalised; a take of only silence is not kept.
class TFormAufnahme : public QDialog
{
    Q_OBJECT
public:
    explicit TFormAufnahme(const QString& word, QWidget* parent = nullptr);
    ~TFormAufnahme() override;

    // The panel for `word`; the prepared take after "Übernehmen", nothing when cancelled.
    static std::optional<std::vector<std::int16_t>> Record(QWidget* parent, const QString& word);

    const std::optional<std::vector<std::int16_t>>& take() const { return m_take; }
    // The request shown above the level meter: formal, "das Wort" or "den Text" for several words.
    static QString requestText(const QString& word);

    QPushButton* B_aufnehmen = nullptr;
    QPushButton* B_stopp = nullptr;
    QPushButton* B_anhoeren = nullptr;
    QPushButton* B_uebernehmen = nullptr;
    QPushButton* B_abbrechen = nullptr;
    LevelMeter* levelMeter = nullptr;
    QLabel* L_dauer = nullptr;

    void startClick();
    void stopClick();
    void playClick();
    void keepClick();

protected:
    void reject() override;

private:
    void tick();
    void showState();

    Capture m_capture;
    QTimer* m_timer = nullptr;
    std::vector<std::int16_t> m_raw;
    std::optional<std::vector<std::int16_t>> m_take;
    std::unique_ptr<QTemporaryFile> m_preview;  // what "Anhören" plays, removed with the panel
};
