#include "core/base/UniqueHandle.h"

#include <windows.h>

namespace nakilon {

void UniqueHandle::reset(Handle handle) noexcept {
    const Handle old = std::exchange(m_handle, handle);
    if (old != INVALID_HANDLE_VALUE && old != nullptr)
        CloseHandle(old);
}

unsigned long UniqueHandle::close() noexcept {
    const Handle handle = std::exchange(m_handle, none());
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr)
        return ERROR_INVALID_HANDLE;
    if (CloseHandle(handle))
        return 0;
    return GetLastError();
}

} // namespace nakilon
