#include "core/transfer/SpaceCheck.h"

#include "core/base/Error.h"
#include "core/base/FilePaths.h"
#include "core/base/FreeSpace.h"
#include "core/base/Text.h"

#include <filesystem>
#include <map>

namespace nakilon {

std::string sizeText(uint64_t bytes) {
    if (bytes < 1024)
        return std::to_string(bytes) + " bayt";
    static const char* const units[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit < 3) {
        value /= 1024.0;
        ++unit;
    }
    // One decimal, rounded up so that the operator frees enough; a decimal
    // comma as Turkish writes it.
    const auto tenths = static_cast<uint64_t>(value * 10.0 + 0.999);
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " " + units[unit];
}

void requireFreeSpace(const std::vector<SpaceNeed>& needs, const std::string& deviceName) {
    struct Disk {
        uint64_t needed = 0;
        std::string folder;
    };
    std::map<std::string, Disk> disks;
    for (const SpaceNeed& need : needs) {
        Disk& disk = disks[diskOf(need.file)];
        disk.needed += need.bytes;
        if (disk.folder.empty())
            disk.folder = pathToUtf8(pathFromUtf8(need.file).parent_path());
    }
    for (const auto& [id, disk] : disks) {
        const std::optional<uint64_t> free = freeSpaceFor(disk.folder);
        if (!free || *free >= disk.needed)
            continue;
        throw Error(formatText(
            "Diskte yeterli boş yer yok: %s cihazının kayıtları için \"%s\" klasörünün "
            "bulunduğu diskte %s gerekiyor, %s boş. Cihazdan kayıt alınmadı; diskte yer açıp "
            "aktarımı yeniden başlatın",
            deviceName.c_str(), messageQuote(disk.folder).c_str(), sizeText(disk.needed).c_str(),
            sizeText(*free).c_str()));
    }
}

} // namespace nakilon
