#pragma once
#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

// Answers every modal window that appears with `act` (or closes it) and records its class name,
// until the watch goes out of scope.
class ModalWatch
{
public:
    explicit ModalWatch(std::function<void(QWidget*)> act = {})
        : m_act(std::move(act)), m_alive(std::make_shared<bool>(true))
    {
        poll();
    }
    ~ModalWatch() { *m_alive = false; }
    ModalWatch(const ModalWatch&) = delete;
    ModalWatch& operator=(const ModalWatch&) = delete;
    QStringList seen;

private:
    void poll()
    {
        std::weak_ptr<bool> alive = m_alive;
        QTimer::singleShot(5, [this, alive] {
            if (alive.expired() || !*alive.lock())
                return;
            if (QWidget* w = QApplication::activeModalWidget()) {
                seen << QString::fromLatin1(w->metaObject()->className());
                if (m_act)
                    m_act(w);
                else
                    w->close();
            }
            poll();
        });
    }
    std::function<void(QWidget*)> m_act;
    std::shared_ptr<bool> m_alive;
};
