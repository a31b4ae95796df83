#include "app/ProgramValues.h"
#include "app/TAnaForm.h"
#include "common/ProgramFolder.h"
#include "device/DeviceControlFactory.h"
#include "tables/TDataModul.h"

#include <QApplication>

#include <memory>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nakilon"));

    // The data module comes first and goes last: every window shows its tables.
    nakilon::TDataModul data;
    nakilon::ProgramValues values;
    // The window's device control: the terminal maker's component on Windows,
    // the emulated terminals elsewhere.
    const std::unique_ptr<nakilon::DeviceControl> cc = nakilon::makeDeviceControl();
    nakilon::TAnaForm anaForm(data, values, *cc);
    anaForm.create(nakilon::executableFolder());
    anaForm.show();
    return QApplication::exec();
}
