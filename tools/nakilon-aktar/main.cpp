// nakilon-aktar: the transfer run without a window, for scheduled transfers.
#include "AktarCommand.h"
#include "StopSignals.h"

#include "core/base/LocalTime.h"
#include "core/base/ProgramFolder.h"

#ifdef _WIN32
#include "com/ComDeviceControl.h"

#include <windows.h>
#else
#include "emulator/net/EmulatorDeviceControl.h"
#endif

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
#endif
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const nakilon::DateTime now = nakilon::localNow();
    const nakilon::StopSignals signals;
    try {
        // The terminal maker's component on Windows, the emulated terminals
        // elsewhere.
#ifdef _WIN32
        const auto control = std::make_unique<nakilon::ComDeviceControl>();
#else
        const auto control = nakilon::makeEmulatorDeviceControl();
#endif
        const int code = nakilon::runAktarCommand(
            arguments, nakilon::executableFolder(), *control, {now.year, now.month, now.day},
            std::cout, std::cerr, [] { return nakilon::StopSignals::requested(); });
        nakilon::StopSignals::runEnded();
        return code;
    } catch (const std::exception& e) {
        std::cerr << "Hata: " << e.what() << '\n';
        return nakilon::exitcode::Failed;
    }
}
