#pragma once
#include <QPointer>
#include <QRect>
#include <QString>

class QAbstractButton;
class QEvent;
class QObject;

// A child's double click on a button that gives way to another one in the same place ("Prüfen" ->
// "Weiter", "Hören" -> "Weiter") must not press the new button. After a click on a button, a press
// on a button overlapping it is ignored for the system's double-click interval when it is another
// button, or the same button showing another face; a second click on the same unchanged button
// (a letter, a card) is taken.
class ClickGuard
{
public:
    // Sees every event of the window; true when the event is to be swallowed.
    bool filter(QObject* watched, QEvent* event);

private:
    QPointer<QAbstractButton> m_clicked;
    QRect m_clickedRect;      // global
    QString m_clickedFace;    // the caption its face showed
    quint64 m_clickedAt = 0;  // the click's event time
    bool m_hasClick = false;
    QPointer<QAbstractButton> m_swallowing;  // its release is swallowed too
};
