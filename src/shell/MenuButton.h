#pragma once
#include <QFrame>
#include <QImage>
#include <QWidget>

// A picture button of the main menu: a main button or a program inside a group, with a normal
// face ("Bildoben") and a highlighted face ("Bildunten").
class TMenuButton : public QWidget
{
    Q_OBJECT
public:
    TMenuButton(const QString& caption, const QString& formular, const QString& topPicture,
                const QString& bottomPicture, QWidget* parent);

    QString caption() const { return m_caption; }
    QString formular() const { return m_formular; }
    QString topPicture() const { return m_top; }
    QString bottomPicture() const { return m_bottom; }
    // Builds both faces for the current size on `background` (the colour around the button, which
    // shows through transparent pictures). `label` is written over the picture always (programs)
    // or only where a picture is missing (main buttons).
    // `readyNormal`, when given, is the normal face drawn beforehand (off the window thread).
    void buildFaces(const QString& label, const QFont& font, bool labelAlways, const QColor& background,
                    const QImage& readyNormal = QImage());
    // A face of `size`: the picture fitted on `background`, the label where it is missing (or always).
    // Safe off the window thread.
    static QImage drawFace(const QSize& size, const QString& file, const QString& label, const QFont& font,
                           bool labelAlways, const QColor& background);
    void setHighlighted(bool on);
    bool isHighlighted() const { return m_highlighted; }
    const QImage& normalFace() const { return m_normal; }
    const QImage& highlightFace() const;
    QFrame* frame = nullptr;  // raised box frame behind a program button

signals:
    void clicked();
    void hovered();

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;

private:
    QString m_caption, m_formular, m_top, m_bottom;
    QImage m_normal;
    mutable QImage m_highlight;
    QString m_faceLabel;
    QFont m_faceFont;
    bool m_labelAlways = false;
    QColor m_faceBackground;
    bool m_highlighted = false;
};
