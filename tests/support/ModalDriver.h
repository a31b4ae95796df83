#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>
#include <utility>

namespace nakilon::testsupport {

// Acts on the next modal dialog once it is open, while the command that opened
// it waits in exec(). It stops looking when it goes out of scope.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QDialog*)> act) : m_act(std::move(act)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
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
    QTimer m_timer;
    bool m_ran = false;
};

} // namespace nakilon::testsupport
