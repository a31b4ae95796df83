#pragma once

#include "core/base/FileIoTesting.h"

#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace nakilon::testsupport {

// While it lives, every `operation` ("open", "write", "sync", "close",
// "rename") of a file write fails with `error`, as if the system refused it;
// with a `call` number only that call of the operation fails.
class FailingFileOperation {
public:
    explicit FailingFileOperation(std::string operation = "open", int error = EACCES,
                                  int call = 0) {
        auto calls = std::make_shared<int>(0);
        testing::setFileFailHook(
            [operation, error, call, calls](std::string_view current) -> std::optional<int> {
                if (current == operation && (call == 0 || ++*calls == call))
                    return error;
                return std::nullopt;
            });
    }
    ~FailingFileOperation() { testing::setFileFailHook({}); }
    FailingFileOperation(const FailingFileOperation&) = delete;
    FailingFileOperation& operator=(const FailingFileOperation&) = delete;
};

} // namespace nakilon::testsupport
