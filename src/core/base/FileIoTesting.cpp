#include "core/base/FileIoTesting.h"

#include "core/base/FileIoDetail.h"

#include <utility>

namespace nakilon {

namespace {

testing::FileFailHook& failHook() {
    static testing::FileFailHook hook;
    return hook;
}

} // namespace

namespace testing {
void setFileFailHook(FileFailHook hook) {
    failHook() = std::move(hook);
}
} // namespace testing

namespace detail {
std::optional<int> injectedFailure(std::string_view operation) {
    if (failHook())
        return failHook()(operation);
    return std::nullopt;
}
} // namespace detail

} // namespace nakilon
