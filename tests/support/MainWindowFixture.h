#pragma once

#include "core/base/DateTime.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/TDataModul.h"
#include "gui/mainwindow/TAnaForm.h"
#include "gui/widgets/DeviceWorker.h"
#include "support/FakeDeviceControl.h"
#include "support/MessageHookRecorder.h"
#include "support/TempFolder.h"

#include <QPushButton>
#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace nakilon::testsupport {

// The program's main window on a fresh program folder. A test writes what the
// folder should hold (writeDeviceList, m_folder.write), then start() runs the
// creation step and shows the window. Message boxes and the file dialog are
// recorded and answered by m_boxes; the window's clock reads m_now; its device
// control is m_device unless useDeviceControl named another before start(),
// the personnel window's is m_personelDevice.
class MainWindowFixture : public ::testing::Test {
protected:
    // Cihazlar.Dat: the header line followed by `lines`.
    void writeDeviceList(const std::string& lines);
    void useDeviceControl(DeviceControl& control) { m_cc = &control; }
    // False when the creation step ended at an error.
    bool start();

    // The window's child of that object name; the test fails without one.
    template <class T> T* find(const char* objectName) const {
        T* widget = m_form ? m_form->findChild<T*>(QString::fromLatin1(objectName)) : nullptr;
        EXPECT_NE(widget, nullptr) << objectName;
        return widget;
    }
    QPushButton* button(const char* objectName) const { return find<QPushButton>(objectName); }
    // A left click on the button, as the operator makes it.
    void click(const char* buttonName) const;

    TempFolder m_folder;
    MessageHookRecorder m_boxes;
    TDataModul m_data;
    ProgramValues m_values;
    FakeDeviceControl m_device;
    FakeDeviceControl m_personelDevice;
    DateTime m_now{{2024, 1, 15}, 9, 30, 0};
    DeviceWorker m_worker;
    std::unique_ptr<TAnaForm> m_form;

private:
    DeviceControl* m_cc = &m_device;
};

} // namespace nakilon::testsupport
