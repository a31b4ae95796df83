#pragma once

#include "support/MainWindowFixture.h"
#include "support/ModalDriver.h"

#include <QDialog>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <string>

namespace nakilon::testsupport {

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
