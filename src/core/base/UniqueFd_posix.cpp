#include "core/base/UniqueFd.h"

#include <unistd.h>

#include <cerrno>

namespace nakilon {

void UniqueFd::reset(int fd) noexcept {
    const int old = std::exchange(m_fd, fd);
    if (old >= 0)
        ::close(old);
}

int UniqueFd::close() noexcept {
    const int fd = std::exchange(m_fd, -1);
    if (fd < 0)
        return EBADF;
    if (::close(fd) == 0)
        return 0;
    return errno;
}

} // namespace nakilon
