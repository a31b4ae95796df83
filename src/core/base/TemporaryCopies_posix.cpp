#include "core/base/TemporaryCopies.h"

#include "core/base/FileIoDetail.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace nakilon {

unsigned long detail::currentProcessId() {
    return static_cast<unsigned long>(getpid());
}

bool processIsRunning(unsigned long process) {
    if (process == 0)
        return false;
    return ::kill(static_cast<pid_t>(process), 0) == 0 || errno == EPERM;
}

} // namespace nakilon
