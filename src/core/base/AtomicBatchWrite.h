#pragma once

#include "core/base/Error.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nakilon {

// A step of a grouped write that failed: the file (UTF-8 name) it concerns and
// the system's reason text.
class BatchWriteError : public IoError {
public:
    BatchWriteError(std::string fileName, const std::string& reason)
        : IoError(reason), m_fileName(std::move(fileName)) {}
    const std::string& fileName() const { return m_fileName; }

private:
    std::string m_fileName;
};

// Many whole files written with the rules of writeFileAtomic, but made durable
// together instead of one by one: flushing each file and its folder costs
// milliseconds per file, which thousands of small files turn into minutes.
//
// add() takes the same first step as writeFileAtomic (links followed,
// read-only files, folders, pipes and devices refused at once, permissions and
// owner taken over) and writes the bytes to a temporary file beside the
// target, leaving the target alone; a target that must be written in place (it
// has more than one hard link, its owner could not be kept, its folder takes no
// new files) keeps its bytes until the commit. commit() makes every temporary
// file durable (one flush of the file system per folder where the system has
// one, each file flushed otherwise), then puts each file in place in the order
// added (a rename, or a write in place that claims the disk space first), then
// flushes the folders. A failure at any step leaves every renamed target with
// either its old bytes or, when it was renamed before the failure, its new
// ones; the temporary files left are removed, as they are when the batch goes
// without a commit. The test seam of FileIoTesting.h is asked before each step
// ("open", "write", "close" of a copy, "sync" once per folder, "rename", and the
// steps of a write in place).
class AtomicBatchWrite {
public:
    AtomicBatchWrite();
    ~AtomicBatchWrite();
    AtomicBatchWrite(const AtomicBatchWrite&) = delete;
    AtomicBatchWrite& operator=(const AtomicBatchWrite&) = delete;

    // Throws BatchWriteError naming the file.
    void add(std::string_view utf8Name, std::string_view bytes);
    size_t size() const;
    // Once, after the last add. Throws BatchWriteError naming the file whose
    // step failed (for the shared flush, the first file of its folder).
    void commit();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The same grouped write for files whose names are known before their bytes,
// such as enrollments still to be downloaded from a terminal: helper threads
// take each file's first step ahead of time (creating a new file is the
// costly part on many file systems), write the bytes handed to them and flush
// the disk now and then, while the caller waits on something else.
//
// The files are handed over in the order named, each exactly once, by write()
// or skip(); commit() then puts the written ones in place exactly as
// AtomicBatchWrite::commit does, in that order. A file's first step fails
// where add() would, and the write() that hands the file over reports it; a
// failure to write the bytes, or of an early flush, shows at a later write()
// or skip(), or at the commit. Files not written, and every temporary file
// when the batch goes without a commit, are removed. At most `ahead` files
// beyond the last one handed over have their first step taken early. The test
// seam is asked as for AtomicBatchWrite, except that a temporary file is made
// empty ("open", "close") and its bytes are then added as an "append"; the
// early flushes do not ask it.
class BackgroundBatchWrite {
public:
    explicit BackgroundBatchWrite(std::vector<std::string> utf8Names, size_t ahead = 256);
    // Waits for the steps in hand on its threads, then removes what is left.
    ~BackgroundBatchWrite();
    BackgroundBatchWrite(const BackgroundBatchWrite&) = delete;
    BackgroundBatchWrite& operator=(const BackgroundBatchWrite&) = delete;

    // The file's bytes, made by `bytes` on the helper thread. Throws
    // BatchWriteError naming the file that failed (this one or an earlier one);
    // the batch is then of no further use.
    void write(size_t index, std::function<std::string()> bytes);
    // The file is not written: its target stays as it was. Throws as write().
    void skip(size_t index);
    // Once, after every file was handed over. Throws BatchWriteError as
    // AtomicBatchWrite::commit, or for a file whose bytes could not be written.
    void commit();

private:
    struct Shared;
    std::unique_ptr<Shared> m_shared;
};

} // namespace nakilon
