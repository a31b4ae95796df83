#pragma once

#ifdef _WIN32
#include "core/base/UniqueHandle.h"
#else
#include "core/base/UniqueFd.h"
#endif

namespace nakilon {

// The owner of a file opened the system's own way: a Windows handle, or a
// POSIX file descriptor.
#ifdef _WIN32
using NativeFile = UniqueHandle;
#else
using NativeFile = UniqueFd;
#endif

} // namespace nakilon
