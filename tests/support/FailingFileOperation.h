#pragma once

#include "core/base/FileIoTesting.h"

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace nakilon::testsupport {

// While it lives, every `operation` ("open", "write", "sync", "close",
// "rename", ...; kAnyOperation for all of them) of a file write fails with
// `error`, as if the system refused it; with a `call` number only that call
// of the operation fails, with kNoCall none. The error kCrash ends the process
// there instead (exit code 9), as a crash would. calls() counts the calls of
// the operation so far.
class FailingFileOperation {
public:
    static constexpr const char* kAnyOperation = "";
    static constexpr int kNoCall = -1;
    static constexpr int kCrash = -1;

    explicit FailingFileOperation(std::string operation = "open", int error = EACCES,
                                  int call = 0) {
        testing::setFileFailHook([operation, error, call,
                                  calls = m_calls](std::string_view current) -> std::optional<int> {
            if (!operation.empty() && current != operation)
                return std::nullopt;
            if (++*calls != call && call != 0)
                return std::nullopt;
            if (error == kCrash)
                std::_Exit(9);
            return error;
        });
    }
    ~FailingFileOperation() { testing::setFileFailHook({}); }
    FailingFileOperation(const FailingFileOperation&) = delete;
    FailingFileOperation& operator=(const FailingFileOperation&) = delete;

    int calls() const { return *m_calls; }

private:
    std::shared_ptr<int> m_calls = std::make_shared<int>(0);
};

} // namespace nakilon::testsupport
