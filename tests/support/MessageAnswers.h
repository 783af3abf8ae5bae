#pragma once
#include "media/skin/Meldung.h"

#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <functional>

// Answers the child's message windows (TFormMeldung) while it lives: a yes/no question takes the
// next of `answers` ("Nein" when none is left), a plain message is closed. Records every message
// (trimmed) and whether it asked yes/no; the hook in place before comes back afterwards.
class MessageAnswers
{
public:
    explicit MessageAnswers(QList<bool> answers = {}) : m_answers(std::move(answers))
    {
        m_previous = TFormMeldung::shownHook();
        TFormMeldung::shownHook() = [this](TFormMeldung& m) {
            const bool yesNo = !m.B_ja->isHidden() && !m.B_nein->isHidden();
            messages << m.L_meldung->text().trimmed();
            questions << yesNo;
            const bool yes = yesNo && !m_answers.isEmpty() && m_answers.takeFirst();
            QTimer::singleShot(0, &m, [&m, yesNo, yes] {
                if (!yesNo)
                    m.close();
                else
                    (yes ? m.B_ja : m.B_nein)->click();
            });
        };
    }
    ~MessageAnswers() { TFormMeldung::shownHook() = m_previous; }
    MessageAnswers(const MessageAnswers&) = delete;
    MessageAnswers& operator=(const MessageAnswers&) = delete;

    QStringList messages;
    QList<bool> questions;

private:
    QList<bool> m_answers;
    std::function<void(TFormMeldung&)> m_previous;
};
