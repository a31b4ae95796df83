#pragma once

#include <string>

namespace nakilon::testsupport {

// The header line of a device list file, as the program writes it.
inline const std::string kDeviceListHeader =
    "CihazNo\tCihazAdi\tMakineNo\tBaglantiTipi\tIPAdres\tParola\tPort\t"
    "Isaret\tDurum\tAciklama\tTransferDurumu\tComportNo\tGCTip\r\n";

// The device list line of an Ethernet terminal on 127.0.0.1. `name` is code
// page 1254 bytes.
inline std::string loopbackDeviceLine(int number, const std::string& name, int machine, int port,
                                      const std::string& password = "", int mark = 1,
                                      int gcTip = 0) {
    return std::to_string(number) + "\t" + name + "\t" + std::to_string(machine) +
           "\t1\t127.0.0.1\t" + password + "\t" + std::to_string(port) + "\t" +
           std::to_string(mark) + "\t\t\t\t\t" + std::to_string(gcTip) + "\r\n";
}

} // namespace nakilon::testsupport
