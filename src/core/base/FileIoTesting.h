#pragma once

#include <functional>
#include <optional>
#include <string_view>

namespace nakilon::testing {

// Seam for tests of the atomic write: before each of its file operations
// ("open", "write", "sync", "close", "rename") the write asks this hook; an
// error number returned makes that operation fail with it, as if the system
// had refused it. Pass an empty function to remove the hook.
using FileFailHook = std::function<std::optional<int>(std::string_view operation)>;
void setFileFailHook(FileFailHook hook);

} // namespace nakilon::testing
