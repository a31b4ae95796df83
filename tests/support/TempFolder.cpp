#include "support/TempFolder.h"

#include "core/base/FilePaths.h"
#include "core/base/FileRead.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace nakilon::testsupport {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            base / ("nakilon-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            m_path = pathToUtf8(candidate) + static_cast<char>(fs::path::preferred_separator);
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::permissions(pathFromUtf8(m_path), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(pathFromUtf8(m_path), ec);
}

std::string TempFolder::file(std::string_view relativeName) const {
    return programFile(m_path, relativeName);
}

void TempFolder::write(std::string_view relativeName, std::string_view bytes) const {
    const fs::path target = pathFromUtf8(file(relativeName));
    fs::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + pathToUtf8(target));
}

std::string TempFolder::read(std::string_view relativeName) const {
    return readWholeFile(file(relativeName));
}

bool TempFolder::exists(std::string_view relativeName) const {
    std::error_code ec;
    return fs::exists(pathFromUtf8(file(relativeName)), ec);
}

} // namespace nakilon::testsupport
