#include "core/base/ProgramFolder.h"
#include "core/settings/ProgramValues.h"
#include "core/tables/TDataModul.h"
#include "gui/driver/ScriptDriver.h"
#include "gui/mainwindow/TAnaForm.h"
#include "gui/widgets/ApplicationSetup.h"
#include "gui/widgets/DeviceWorker.h"

#ifdef _WIN32
#include "com/ComDeviceControl.h"
#else
#include "emulator/net/EmulatorDeviceControl.h"
#endif

#include <QApplication>

#include <cstdio>

#include <memory>

namespace {

// A device control instance of the program: the terminal maker's component on
// Windows, the emulated terminals elsewhere.
std::unique_ptr<nakilon::DeviceControl> makeBackend() {
#ifdef _WIN32
    return std::make_unique<nakilon::ComDeviceControl>();
#else
    return nakilon::makeEmulatorDeviceControl();
#endif
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nakilon"));
    if (!nakilon::setUpApplication(application))
        std::fputs("Qt'nin Türkçe çevirisi (qtbase_tr.qm) bulunamadı: pencerelerin standart "
                   "düğmeleri İngilizce kalacak.\n",
                   stderr);

    // The end-to-end tests drive the program through a script, from before the
    // first box start-up may show; without one this does nothing.
    nakilon::startScriptDriverFromEnvironment();

    // The data module comes first and goes last: every window shows its tables.
    nakilon::TDataModul data;
    nakilon::ProgramValues values;
    // Two device controls, each named CC in its window: the main window's
    // and the personnel window's. Each holds its own link. They live on the
    // device worker's thread, made, called and destroyed there.
    nakilon::DeviceWorker worker;
    nakilon::DeviceControl& cc = worker.makeControl(makeBackend);
    nakilon::DeviceControl& personelCc = worker.makeControl(makeBackend);
    nakilon::TAnaForm anaForm(data, values, worker, cc, personelCc);
    anaForm.create(nakilon::executableFolder());
    anaForm.show();
    return QApplication::exec();
}
