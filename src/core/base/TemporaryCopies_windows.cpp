#include "core/base/TemporaryCopies.h"

#include "core/base/FileIoDetail.h"
#include "core/base/UniqueHandle.h"

#include <windows.h>

namespace nakilon {

unsigned long detail::currentProcessId() {
    return GetCurrentProcessId();
}

bool processIsRunning(unsigned long process) {
    if (process == 0)
        return false;
    const UniqueHandle handle(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process)));
    if (!handle)
        return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    return GetExitCodeProcess(handle.get(), &code) && code == STILL_ACTIVE;
}

} // namespace nakilon
