#include "core/base/ProgramFolder.h"

namespace nakilon {

std::filesystem::path executablePath() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        exe = std::filesystem::current_path() / "nakilon";
    return exe;
}

} // namespace nakilon
