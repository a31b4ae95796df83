#include "core/base/FileIoDetail.h"

#include <cstring>
#include <thread>

namespace nakilon::detail {

bool retryFor(std::chrono::milliseconds wait, const std::function<bool()>& attempt) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (attempt())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::string errnoText(int code) {
    return std::strerror(code);
}

std::string notRegularFileText() {
    return "Bu ad bir dosyanın değil, bir boru hattının ya da aygıtın adı";
}

} // namespace nakilon::detail
