#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nakilon {

// What a run is about to write into one file: the bytes it needs there.
struct SpaceNeed {
    std::string file; // UTF-8
    uint64_t bytes = 0;
};

// Adds the needs of the files on each disk and compares them with the disk's
// free space. Throws Error with a Turkish text that names the device, the
// folder, the space needed and the space free when a disk is short. A disk
// whose free space the system does not tell passes.
void requireFreeSpace(const std::vector<SpaceNeed>& needs, const std::string& deviceName);

// A size for the operator: "512 bayt", "12,4 KB", "3,0 MB", "1,2 GB".
std::string sizeText(uint64_t bytes);

} // namespace nakilon
