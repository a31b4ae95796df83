#include "core/base/FileIo.h"

#include "core/base/Error.h"
#include "core/base/FileIoTesting.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include "core/base/SystemMessage.h"

#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace nakilon {

namespace {

testing::FileFailHook& failHook() {
    static testing::FileFailHook hook;
    return hook;
}

std::optional<int> injectedFailure(std::string_view operation) {
    if (failHook())
        return failHook()(operation);
    return std::nullopt;
}

std::string errnoText(int code) {
    return std::strerror(code);
}

#ifdef _WIN32
std::string windowsErrorText(DWORD code) {
    const std::string text = systemMessageText(code);
    return text.empty() ? "Error " + std::to_string(code) : text;
}
#endif

std::atomic<unsigned> tempCounter{0};

std::filesystem::path tempNameFor(const std::filesystem::path& target) {
#ifdef _WIN32
    const unsigned long pid = GetCurrentProcessId();
#else
    const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    std::string name = "~" + pathToUtf8(target.filename()) + "." + std::to_string(pid) + "." +
                       std::to_string(tempCounter++) + ".tmp";
    return target.parent_path() / pathFromUtf8(name);
}

} // namespace

namespace testing {
void setFileFailHook(FileFailHook hook) {
    failHook() = std::move(hook);
}
} // namespace testing

std::filesystem::path pathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string pathToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

std::string programFile(std::string_view programFolder, std::string_view relativeName) {
    std::string result(programFolder);
    for (char c : relativeName) {
#ifdef _WIN32
        result += (c == '/') ? '\\' : c;
#else
        result += (c == '\\') ? '/' : c;
#endif
    }
    return result;
}

bool fileExists(std::string_view utf8Name) {
    std::error_code ec;
    return std::filesystem::is_regular_file(pathFromUtf8(utf8Name), ec);
}

bool folderExists(std::string_view utf8Name) {
    std::error_code ec;
    return std::filesystem::is_directory(pathFromUtf8(utf8Name), ec);
}

void createFolder(std::string_view utf8Name) {
    std::error_code ec;
    std::filesystem::create_directory(pathFromUtf8(utf8Name), ec);
    if (ec)
        throw IoError(ec.message());
    if (!folderExists(utf8Name))
        throw IoError(errnoText(EEXIST));
}

std::string readWholeFile(std::string_view utf8Name) {
    const std::filesystem::path path = pathFromUtf8(utf8Name);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw IoError(errnoText(EISDIR));
#ifdef _WIN32
    FILE* file = _wfopen(path.c_str(), L"rb");
#else
    FILE* file = std::fopen(path.c_str(), "rb");
#endif
    if (!file)
        throw IoError(errnoText(errno));
    // Read straight into the string, sized by the file; a file that grows
    // meanwhile is read on to its end.
    std::string content;
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    size_t filled = 0;
    content.resize(sizeError ? size_t{1} << 16 : static_cast<size_t>(size) + 1);
    for (;;) {
        const size_t n = std::fread(content.data() + filled, 1, content.size() - filled, file);
        filled += n;
        if (filled < content.size()) {
            if (std::ferror(file)) {
                const int code = errno ? errno : EIO;
                std::fclose(file);
                throw IoError(errnoText(code));
            }
            break;
        }
        content.resize(content.size() * 2);
    }
    content.resize(filled);
    std::fclose(file);
    return content;
}

#ifdef _WIN32

void writeFileAtomic(std::string_view utf8Name, std::string_view bytes) {
    const std::filesystem::path target = pathFromUtf8(utf8Name);
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec))
        throw IoError(windowsErrorText(ERROR_ACCESS_DENIED));
    const std::filesystem::path temp = tempNameFor(target);

    auto fail = [&](HANDLE handle, DWORD code, std::optional<int> injected) {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
        DeleteFileW(temp.c_str());
        throw IoError(injected ? errnoText(*injected) : windowsErrorText(code));
    };

    std::optional<int> injected = injectedFailure("open");
    HANDLE handle = injected ? INVALID_HANDLE_VALUE
                             : CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        throw IoError(injected ? errnoText(*injected) : windowsErrorText(code));
    }
    size_t done = 0;
    while (done < bytes.size() || (done == 0 && bytes.empty())) {
        if (bytes.empty())
            break;
        if ((injected = injectedFailure("write")))
            fail(handle, 0, injected);
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data() + done, chunk, &written, nullptr))
            fail(handle, GetLastError(), std::nullopt);
        done += written;
    }
    if ((injected = injectedFailure("sync")) || !FlushFileBuffers(handle))
        fail(handle, GetLastError(), injected);
    if ((injected = injectedFailure("close")))
        fail(handle, 0, injected);
    if (!CloseHandle(handle)) {
        const DWORD code = GetLastError();
        DeleteFileW(temp.c_str());
        throw IoError(windowsErrorText(code));
    }
    if ((injected = injectedFailure("rename")) ||
        !MoveFileExW(temp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = GetLastError();
        DeleteFileW(temp.c_str());
        throw IoError(injected ? errnoText(*injected) : windowsErrorText(code));
    }
}

#else

void writeFileAtomic(std::string_view utf8Name, std::string_view bytes) {
    const std::filesystem::path target = pathFromUtf8(utf8Name);
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec))
        throw IoError(errnoText(EISDIR));
    const std::filesystem::path temp = tempNameFor(target);

    int fd = -1;
    auto fail = [&](int code) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.c_str());
        throw IoError(errnoText(code));
    };
    auto step = [&](std::string_view operation, auto&& action) {
        if (const std::optional<int> injected = injectedFailure(operation))
            fail(*injected);
        if (!action())
            fail(errno ? errno : EIO);
    };

    if (const std::optional<int> injected = injectedFailure("open"))
        throw IoError(errnoText(*injected));
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        throw IoError(errnoText(errno));
    // Keep the permissions of the file being replaced.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);

    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = 0;
        step("write", [&] {
            n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                n = 0;
                return true;
            }
            if (n == 0)
                errno = ENOSPC;
            return n > 0;
        });
        done += static_cast<size_t>(n);
    }
    step("sync", [&] { return ::fsync(fd) == 0; });
    step("close", [&] {
        const int result = ::close(fd);
        fd = -1;
        return result == 0;
    });
    step("rename", [&] { return ::rename(temp.c_str(), target.c_str()) == 0; });

    // Make the rename itself durable; the new content is in place already, so a
    // failure here is not reported.
    const std::filesystem::path folder =
        target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

#endif

} // namespace nakilon
