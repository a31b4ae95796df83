#pragma once

#include "core/base/FileIoTesting.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/TDataModul.h"
#include "emulator/net/EmulatorDeviceControl.h"
#include "gui/mainwindow/TAnaForm.h"
#include "support/DeviceListFile.h"
#include "support/MessageHookRecorder.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>

namespace nakilon::testsupport {

// Acts on the next modal dialog as soon as it is open, while the command that
// opened it waits in exec(). A dialog that never opens leaves `ran()` false;
// the driver stops looking when it goes out of scope.
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

// While it lives, every file the program creates fails to open.
class FailingWrites {
public:
    FailingWrites() {
        testing::setFileFailHook([](std::string_view operation) -> std::optional<int> {
            return operation == "open" ? std::optional<int>(EACCES) : std::nullopt;
        });
    }
    ~FailingWrites() { testing::setFileFailHook({}); }
    FailingWrites(const FailingWrites&) = delete;
    FailingWrites& operator=(const FailingWrites&) = delete;
};

template <class T> T* child(const QObject* parent, const char* name) {
    T* widget = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

inline void click(const QObject* parent, const char* button) {
    QTest::mouseClick(child<QPushButton>(parent, button), Qt::LeftButton);
}

// The real main window on a fresh program folder, boxes answered by the hook.
class DeviceWindowTest : public ::testing::Test {
protected:
    // `devices`: the device list file without its header; none when null.
    void start(const char* devices) {
        if (devices)
            m_folder.write("Cihazlar.Dat", kDeviceListHeader + devices);
        m_form = std::make_unique<TAnaForm>(m_data, m_values, *m_cc);
        ASSERT_TRUE(m_form->create(m_folder.path()));
        m_form->show();
    }
    std::string listFile() const { return m_folder.read("Cihazlar.Dat"); }
    QTableView* grid(const char* name) const { return child<QTableView>(m_form.get(), name); }
    QString cell(const char* gridName, int row, int column) const {
        return grid(gridName)->model()->index(row, column).data().toString();
    }

    TempFolder m_folder;
    MessageHookRecorder m_boxes;
    TDataModul m_data;
    ProgramValues m_values;
    std::unique_ptr<DeviceControl> m_cc = makeEmulatorDeviceControl();
    std::unique_ptr<TAnaForm> m_form;
};

} // namespace nakilon::testsupport
