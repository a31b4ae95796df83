#pragma once

#include "core/base/FileIdentity.h"
#include "core/base/NativeFile.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace nakilon {

// A file that only grows at its end, each piece flushed to disk on request
// (the transfer journal, and the output and backup files that a run appends
// its lines to). A piece that fails half-way is cut off again, so the file
// never keeps a torn piece in front of a later one.
class AppendingFile {
public:
    // Opens the file, symbolic links followed, creating it when missing.
    // Anything that is not a regular file is refused. Throws IoError. The
    // file is closed when the object goes.
    explicit AppendingFile(std::string_view utf8Name);
    AppendingFile(const AppendingFile&) = delete;
    AppendingFile& operator=(const AppendingFile&) = delete;

    uint64_t size() const { return m_size; }
    // Takes the size again, after another program may have changed the file.
    // Throws IoError.
    void refreshSize();
    FileIdentity identity() const;
    // When the file was last written, in the system's own units.
    uint64_t modified() const;

    // An exclusive lock between processes on the file itself, tried for up to
    // `wait`; readers of the file are not hindered. Released when the file is
    // closed. A file system without locks counts as locked. Throws IoError.
    bool lock(std::chrono::milliseconds wait);

    // Up to `length` bytes from `offset` (fewer at the end). Throws IoError.
    std::string readAt(uint64_t offset, size_t length) const;

    // Writes the pieces, one after the other, at the end; when one fails, all
    // of them are cut off again. Throws IoError.
    void append(std::initializer_list<std::string_view> pieces);
    void append(std::string_view bytes) { append({bytes}); }
    // Flushes what was appended to disk. Throws IoError.
    void sync();
    // Cuts the file back to `size` bytes (a piece that could not be flushed).
    // Throws IoError.
    void cutBack(uint64_t size);

private:
    NativeFile m_file;
    uint64_t m_size = 0;
    bool m_broken = false; // a failed piece could not be cut off
};

} // namespace nakilon
