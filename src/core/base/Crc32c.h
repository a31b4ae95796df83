#pragma once

#include <cstdint>
#include <string_view>

namespace nakilon {

// CRC-32C (Castagnoli, the checksum of iSCSI and ext4), fed in pieces:
// crc32c("123456789") == 0xE3069283.
class Crc32c {
public:
    void add(std::string_view bytes);
    uint32_t value() const { return ~m_state; }

private:
    uint32_t m_state = 0xFFFFFFFFu;
};

uint32_t crc32c(std::string_view bytes);
// The same by tables alone, as on a processor without the CRC-32C
// instruction.
uint32_t crc32cBySlices(std::string_view bytes);

} // namespace nakilon
