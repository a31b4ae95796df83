#pragma once

#include <string_view>

namespace nakilon {

// Writes a whole file so that a failure or a crash never leaves it half
// written: the bytes go to a temporary copy in the same folder, which is
// flushed to disk and then renamed over the target. On any failure the
// previous file stays byte for byte as it was and IoError carries the system's
// reason text.
//
// What an office relies on besides: a symbolic link is followed, so the file
// it names receives the bytes; the replaced file keeps its permissions and its
// owner; a read-only file is refused; a folder, a pipe or a device is refused
// without waiting. A file that a rename would cut off from its other names (it
// has more than one hard link), whose owner the copy cannot take, or whose
// folder does not let the user create files, is written in place instead:
// first extended to its new size, so that a full disk fails before any old
// byte changes, then overwritten, cut to size and flushed.
void writeFileAtomic(std::string_view utf8Name, std::string_view bytes);

// Whether writeFileAtomic could write the file now: throws the IoError it
// would throw for a read-only file, a folder, a pipe or a device.
void checkWritable(std::string_view utf8Name);

} // namespace nakilon
