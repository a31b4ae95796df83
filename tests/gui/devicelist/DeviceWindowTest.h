#pragma once

#include "support/MainWindowFixture.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>

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

template <class T> T* child(const QObject* parent, const char* name) {
    T* widget = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

inline void clickIn(const QObject* dialog, const char* button) {
    QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton);
}

class DeviceWindowTest : public MainWindowFixture {
protected:
    // The device list without its header (none when null), then the window.
    void startWith(const char* devices) {
        if (devices)
            writeDeviceList(devices);
        ASSERT_TRUE(start());
    }
    std::string listFile() const { return m_folder.read("Cihazlar.Dat"); }
    QTableView* grid(const char* name) const { return find<QTableView>(name); }
    QString cell(const char* gridName, int row, int column) const {
        return grid(gridName)->model()->index(row, column).data().toString();
    }
};

} // namespace nakilon::testsupport
