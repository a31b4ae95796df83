// The state file reader meets files from anywhere: it must refuse them with
// an Error or read them, and what it reads must survive a write and a re-read.
#include "core/base/Error.h"
#include "emulator/StateFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    nakilon::TerminalState state;
    try {
        state = nakilon::parseStateText(text);
    } catch (const nakilon::Error&) {
        return 0;
    }
    if (nakilon::parseStateText(nakilon::formatStateText(state)) != state)
        std::abort();
    return 0;
}
