#pragma once
#include "core/Dialogs.h"

#include <QDialog>
#include <QImage>
#include <QString>
#include <functional>

class QLabel;
class QPushButton;

// The message window: a borderless modal panel lying on a lightened copy of the exercise under it.
class TFormMeldung : public QDialog
{
public:
    bool isYesNo() const { return m_yesNo; }
    // Text message (`picture` empty) or picture message (`text` empty).
    TFormMeldung(QWidget* owner, const QString& text, const QString& pictureFile, bool yesNo);

    QLabel* L_meldung = nullptr;
    QPushButton* B_ja = nullptr;
    QPushButton* B_nein = nullptr;
    QPushButton* B_ok = nullptr;

    // The window's background as it is painted (owner copy, frame, lightened panel, picture).
    const QImage& background() const { return m_background; }
    // The lightened panel in window coordinates.
    QRect panelRect() const { return m_panel; }
    // Whether a picture file was found and drawn.
    bool hasPicture() const { return !m_picture.isNull(); }

    // Called once after every message window is shown, with the window running its modal loop;
    // tests answer through it.
    static std::function<void(TFormMeldung&)>& shownHook();

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void layoutText(const QString& text);
    void layoutPicture(const QString& pictureFile);
    void placeButtons(int top);
    void grabOwner();
    void decorate();

    QWidget* m_owner = nullptr;
    bool m_yesNo = false;
    QImage m_background;
    QImage m_saved;  // the owner's pixels under the window
    QImage m_picture;
    QRect m_pictureRect;
    QRect m_panel;
    QString m_pictureFile;
    bool m_decorated = false;
};

// Shows the message modally over `owner`; returns Yes or No (yesNo) or Ok.
dialogs::Button ShowMessageWindow(const QString& message, QWidget* owner, bool yesNo);
dialogs::Button ShowPictureMessage(const QString& pictureFile, QWidget* owner, bool yesNo);
