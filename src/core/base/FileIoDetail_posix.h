#pragma once

#include "core/base/Error.h"
#include "core/base/FileIoDetail.h"

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string_view>

// What the POSIX halves of the file functions share (*_posix.cpp only).
namespace nakilon::detail {

// Runs one operation of the seam's list (FileIoTesting.h): 0 when it went
// well, else the injected error number or the system's own (errno) when
// `action` reports failure.
template <typename Action> int attempt(std::string_view operation, Action&& action) {
    if (const std::optional<int> injected = injectedFailure(operation))
        return *injected;
    if (action())
        return 0;
    return errno ? errno : EIO;
}

// The same, a failure thrown as IoError with the system's text.
template <typename Action> void step(std::string_view operation, Action&& action) {
    if (const int error = attempt(operation, action))
        throw IoError(errnoText(error));
}

// Writes `bytes` at offset `at` as the seam's `operation`, resuming after
// interruptions; `at` moves on with every byte written, also when a later
// one fails. Throws IoError.
inline void writeAllAt(int fd, std::string_view bytes, std::string_view operation, uint64_t& at) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = 0;
        step(operation, [&] {
            n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(at));
            if (n < 0 && errno == EINTR) {
                n = 0;
                return true;
            }
            if (n == 0)
                errno = ENOSPC;
            return n > 0;
        });
        done += static_cast<size_t>(n);
        at += static_cast<uint64_t>(n);
    }
}

} // namespace nakilon::detail
