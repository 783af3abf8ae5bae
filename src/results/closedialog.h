#pragma once
#include <QAbstractButton>
#include <QDateTime>
#include <QDialog>
#include <QImage>
#include <QStringList>

#include "results/Knopfbilder.h"

class QTextEdit;

// A flat button with a picture in three states (normal, disabled, pressed) above its bold caption.
class TBildSchalter : public QAbstractButton
{
public:
    TBildSchalter(CloseButtonPicture picture, const QString& caption, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    QImage m_pictures[3];
    bool m_hover = false;
};

// The lines "&Leistungsprotokoll" prints for a run protocol: the title (program base name in
// capitals, " Leistungsprotokoll vom ", `now` as "dd.mm.yyyy - h.nn Uhr"), then the protocol lines
// turned into printed lines.
QStringList ProtocolPrintLines(const QStringList& runProtocol, const QDateTime& now);

// The closing dialog of a run: shows the run's protocol, goes back to the exercise, prints the
// protocol and the certificate, or ends the run (appending it to the player's protocol file once).
class TFormclosedialog : public QDialog
{
    Q_OBJECT
public:
    // exec() returns one of these.
    enum Result { Back = 1, End = 2 };

    explicit TFormclosedialog(QWidget* parent = nullptr);

    QAbstractButton* sb_back;
    QAbstractButton* sb_druckprotokoll;
    QAbstractButton* sb_druckurkunde;
    QAbstractButton* sb_ende;
    QTextEdit* RE;

    int certificateTaskCount() const { return m_certificateTaskCount; }

public slots:
    void reject() override;  // Escape and the window system's close: the run ends

private:
    void onBack();
    void onEnd();
    void onPrintProtocol();
    void onPrintCertificate();

    int m_certificateTaskCount = 0;
    bool m_ended = false;
};

// Shows a new closing dialog modally; true when the run ends, false when the exercise goes on.
bool ShowCloseDialog(QWidget* parent);
