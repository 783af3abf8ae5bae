#pragma once
#include <QDialog>
#include <QImage>
#include <QString>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

// "Animation bei Erfolg": picks the success animation (a sub-folder of the LobAnimation folder) of
// the loaded list's layout, with a preview of its frames.
class TFormAnimationErfolg : public QDialog
{
public:
    explicit TFormAnimationErfolg(QWidget* parent = nullptr);

    QListWidget* LB_animationen = nullptr;
    QLabel* L_vorschau = nullptr;  // shows the frames
    QPushButton* B_starten = nullptr;
    QPushButton* B_ok = nullptr;
    QPushButton* B_abbrechen = nullptr;

    // The frames of the selected folder, drawn to the preview size.
    const std::vector<QImage>& frames() const { return m_frames; }
    int shownFrame() const { return m_shown; }
    QTimer* frameTimer() const { return m_timer; }
    // One step of the running animation (the timer calls it every 200 ms).
    void nextFrame();

    static constexpr int kPreviewWidth = 320, kPreviewHeight = 240, kFrameMs = 200;

private:
    void loadFrames();
    void showFrame(int index);
    void start();
    void accept() override;
    void done(int r) override;

    std::vector<QImage> m_frames;
    int m_shown = -1;
    QTimer* m_timer = nullptr;
};
