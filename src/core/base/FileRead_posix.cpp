#include "core/base/Error.h"
#include "core/base/FileIoDetail.h"
#include "core/base/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace nakilon::detail {

ReadStream openForReading(const std::filesystem::path& path) {
    // Without O_NONBLOCK, opening a pipe would wait for a writer.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        throw IoError(errnoText(errno));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw IoError(S_ISDIR(info.st_mode) ? errnoText(EISDIR) : notRegularFileText());
    ReadStream file(::fdopen(fd.get(), "rb"));
    if (!file)
        throw IoError(errnoText(errno));
    fd.release(); // the stream closes it now
    return file;
}

} // namespace nakilon::detail
