#pragma once

#include "core/base/FileIoTesting.h"

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>

namespace nakilon::testsupport {

// While it lives, every `operation` ("open", "write", "sync", "close",
// "rename") of a file write fails with `error`, as if the system refused it.
class FailingFileOperation {
public:
    explicit FailingFileOperation(std::string operation = "open", int error = EACCES) {
        testing::setFileFailHook(
            [operation, error](std::string_view current) -> std::optional<int> {
                if (current == operation)
                    return error;
                return std::nullopt;
            });
    }
    ~FailingFileOperation() { testing::setFileFailHook({}); }
    FailingFileOperation(const FailingFileOperation&) = delete;
    FailingFileOperation& operator=(const FailingFileOperation&) = delete;
};

} // namespace nakilon::testsupport
