#pragma once

#include <cstdint>

namespace nakilon {

struct LocalDateTime {
    int32_t year = 0;
    int32_t month = 0;
    int32_t day = 0;
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
};

// The computer's local date and time now.
LocalDateTime localNow();

} // namespace nakilon
