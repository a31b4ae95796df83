#pragma once

#include "core/base/Error.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

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

} // namespace nakilon
