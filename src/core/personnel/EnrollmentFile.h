#pragma once

#include "core/device/DeviceControl.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nakilon {

class BackgroundBatchWrite;

// One enrollment of one user in one slot, kept on the PC between a fetch and a
// send: "Data\Parmak-<user>-<slot>.Piz" in the program folder, 354 lines, line
// k holding element k in decimal, every line ended by CR LF.

// One enrollment of one user, named as the operator knows it.
struct EnrollmentSlot {
    int32_t userNumber = 0;
    int32_t slot = 0;
    bool operator==(const EnrollmentSlot&) const = default;
};

// "\nPersonel No 30, parmak kaydı 5" for each of the first `listed` slots,
// then "\n... ve N kayıt daha" for the rest: the list of a message.
std::string enrollmentListText(const std::vector<EnrollmentSlot>& slots, size_t listed);

// The file's full name (UTF-8); the numbers are written without leading zeros.
std::string enrollmentFileName(std::string_view programFolder, int32_t userNumber, int32_t slot);

// The file's bytes for an enrollment.
std::string enrollmentText(const EnrollmentData& data);

// An enrollment read from a file's bytes. CR LF, LF and CR all end a line;
// element k is line k read as an integer; a line that does not read as a
// 32-bit integer, and a line missing at the end, give 0; lines after the
// 354th are ignored.
EnrollmentData parseEnrollmentText(std::string_view text);

// Writes the file atomically, replacing an older one: a failed write leaves
// the old file as it was. Throws Error "Cannot create file ...".
void writeEnrollmentFile(std::string_view programFolder, int32_t userNumber, int32_t slot,
                         const EnrollmentData& data);

// The enrollment files of one copy, written as one group (BackgroundBatchWrite)
// while the enrollments are still being downloaded: the files are named
// first, in order; each is then written or skipped in that order, and the
// commit puts the written ones in place, together. A file that cannot be
// created is reported when it is written; bytes that could not be written, at
// the next write or skip or at the commit. Each throws Error "Cannot create
// file ..." naming the file whose step failed. Without a commit no file
// changes.
class EnrollmentFileGroup {
public:
    EnrollmentFileGroup(std::string_view programFolder, const std::vector<EnrollmentSlot>& files);
    ~EnrollmentFileGroup();
    EnrollmentFileGroup(const EnrollmentFileGroup&) = delete;
    EnrollmentFileGroup& operator=(const EnrollmentFileGroup&) = delete;

    void write(size_t index, const EnrollmentData& data);
    void skip(size_t index);
    void commit();

private:
    std::unique_ptr<BackgroundBatchWrite> m_batch;
};

// The enrollment of the file, or nullopt when there is no such file. Throws
// Error "Cannot open file ..." when it exists but cannot be read.
std::optional<EnrollmentData> readEnrollmentFile(std::string_view programFolder, int32_t userNumber,
                                                 int32_t slot);

// Reads enrollment files on a helper thread ahead of their use, in the order
// given, so that reading and the caller's waits on a terminal overlap. next()
// yields the files that exist, in that order, each as readEnrollmentFile reads
// it; a file that cannot be read throws its Error in its place, after every
// file before it was yielded.
class EnrollmentFileReader {
public:
    struct Found {
        size_t index = 0; // in the order given
        EnrollmentData data{};
    };
    EnrollmentFileReader(std::string_view programFolder, std::vector<EnrollmentSlot> files);
    // Waits for the file in hand on the helper thread.
    ~EnrollmentFileReader();
    EnrollmentFileReader(const EnrollmentFileReader&) = delete;
    EnrollmentFileReader& operator=(const EnrollmentFileReader&) = delete;

    // The next existing file; nothing after the last.
    std::optional<Found> next();

private:
    struct Shared;
    std::unique_ptr<Shared> m_shared;
};

} // namespace nakilon
