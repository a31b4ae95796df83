#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>
#include <utility>

namespace nakilon::testsupport {

// Acts on the next modal dialog once it is open, while the command that opened
// it waits in exec(), and once `ready` says so (a dialog that reads a
// terminal as it opens is ready when the read has ended). It stops looking
// when it goes out of scope.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QDialog*)> act, std::function<bool()> ready = {})
        : m_act(std::move(act)), m_ready(std::move(ready)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible() || (m_ready && !m_ready()))
                return;
            m_timer.stop();
            m_ran = true;
            m_act(dialog);
        });
        m_timer.start(5);
    }
    bool ran() const { return m_ran; }

private:
    std::function<void(QDialog*)> m_act;
    std::function<bool()> m_ready;
    QTimer m_timer;
    bool m_ran = false;
};

} // namespace nakilon::testsupport
