#include "core/base/AtomicBatchWrite.h"

#include "core/base/FileIo.h"
#include "core/base/FileIoDetail.h"
#include "core/base/SystemMessage.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace nakilon {

namespace {

struct File {
    std::string name;
    std::filesystem::path temp;
    std::filesystem::path target;
};

std::string windowsErrorText(DWORD code) {
    const std::string text = systemMessageText(code);
    return text.empty() ? "Error " + std::to_string(code) : text;
}

// Fails the step with the injected error, or with the system's last error when
// `action` reports failure.
void check(std::string_view operation, const std::string& name, const auto& action) {
    if (const std::optional<int> injected = detail::injectedFailure(operation))
        throw BatchWriteError(name, detail::errnoText(*injected));
    if (!action())
        throw BatchWriteError(name, windowsErrorText(GetLastError()));
}

} // namespace

// Windows has no flush of a whole volume for an unprivileged program: each
// file is flushed when it is written, and each rename is written through.
struct AtomicBatchWrite::State {
    std::vector<File> files;
    size_t renamed = 0; // files[0, renamed) are in place; the rest are temporaries

    void discard() {
        for (size_t i = renamed; i < files.size(); ++i)
            DeleteFileW(files[i].temp.c_str());
        files.resize(renamed);
    }
    ~State() { discard(); }
};

AtomicBatchWrite::AtomicBatchWrite() : m_state(std::make_unique<State>()) {}
AtomicBatchWrite::~AtomicBatchWrite() = default;

size_t AtomicBatchWrite::size() const {
    return m_state->files.size();
}

void AtomicBatchWrite::add(std::string_view utf8Name, std::string_view bytes) {
    const std::string name(utf8Name);
    File file{name, {}, pathFromUtf8(utf8Name)};
    std::error_code ec;
    if (std::filesystem::is_directory(file.target, ec))
        throw BatchWriteError(name, windowsErrorText(ERROR_ACCESS_DENIED));
    file.temp = detail::temporaryNameFor(file.target);

    HANDLE handle = INVALID_HANDLE_VALUE;
    check("open", name, [&] {
        handle = CreateFileW(file.temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle != INVALID_HANDLE_VALUE;
    });
    try {
        size_t done = 0;
        while (done < bytes.size()) {
            check("write", name, [&] {
                const DWORD chunk =
                    static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
                DWORD written = 0;
                if (!WriteFile(handle, bytes.data() + done, chunk, &written, nullptr))
                    return false;
                done += written;
                return true;
            });
        }
        check("sync", name, [&] { return FlushFileBuffers(handle) != 0; });
        check("close", name, [&] {
            const BOOL closed = CloseHandle(handle);
            handle = INVALID_HANDLE_VALUE;
            return closed != 0;
        });
    } catch (...) {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
        DeleteFileW(file.temp.c_str());
        throw;
    }
    m_state->files.push_back(std::move(file));
}

void AtomicBatchWrite::commit() {
    State& s = *m_state;
    try {
        for (; s.renamed < s.files.size(); ++s.renamed) {
            const File& file = s.files[s.renamed];
            check("rename", file.name, [&] {
                return MoveFileExW(file.temp.c_str(), file.target.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
            });
        }
    } catch (...) {
        s.discard();
        throw;
    }
}

} // namespace nakilon
