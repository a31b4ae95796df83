// nakilon-aktar: the transfer run without a window, for scheduled transfers.
#include "common/LocalTime.h"
#include "common/ProgramFolder.h"
#include "device/DeviceControlFactory.h"
#include "transfer/UnattendedTransfer.h"

#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
#endif
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const nakilon::LocalDateTime now = nakilon::localNow();
    try {
        const std::unique_ptr<nakilon::DeviceControl> control = nakilon::makeDeviceControl();
        return nakilon::runUnattendedTransfer(arguments, nakilon::executableFolder(), *control,
                                              {now.year, now.month, now.day}, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "Hata: " << e.what() << '\n';
        return 2;
    }
}
