#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace nakilon::testing {

// Seam for tests of the file writes: before each of its operations on the
// disk the code asks this hook; an error number returned makes that operation
// fail with it, as if the system had refused it. The operations are "open",
// "write", "sync", "close" and "rename" of a copy, "extend", "write",
// "truncate", "sync" and "close" of a write in place, "remove" of a copy,
// "append" and "sync" of an appending file. A test may also end the process
// inside the hook, which is a crash at that point. Pass an empty function to
// remove the hook.
using FileFailHook = std::function<std::optional<int>(std::string_view operation)>;
void setFileFailHook(FileFailHook hook);

// Seam for the free space of a disk: the hook's answer for a file or folder
// name replaces the system's; nothing lets the system answer.
using FreeSpaceHook = std::function<std::optional<uint64_t>(std::string_view utf8Name)>;
void setFreeSpaceHook(FreeSpaceHook hook);

} // namespace nakilon::testing
