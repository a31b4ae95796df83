#pragma once

#include "emulator/TerminalState.h"

#include <cstdint>

namespace nakilon {

struct GenerationOptions {
    int32_t machineNumber = 1;
    int32_t password = 0;
    int32_t records = 0;
    int32_t users = 0;
    uint32_t seed = 1;
    // The day the records end (local seconds, as systemLocalSeconds gives).
    int64_t todayLocalSeconds = 0;
};

// A terminal as an office would have it: `users` users (numbers from 1001),
// each enrolled in one to three finger slots (0 to 9) with random enrollment
// data; the first one an administrator (privilege 3), every tenth from the
// fourth on privilege 1, from the seventh privilege 2, from the tenth
// privilege 3, the others 0; every seventh user disabled; every sixth user
// with one more entry in slot 10 or 11 (a card or password), which has no
// enrollment data. `records` new attendance records, an entry in
// the morning and an exit in the evening of every user on the working days
// (Monday to Friday) that end with today, in time order. The mode value holds
// the verify method (1 finger, 3 card) in its low byte and the in/out state
// (4 entry, 5 exit) in the byte above. The same options give the same
// terminal on every platform.
TerminalState generateTerminal(const GenerationOptions& options);

} // namespace nakilon
