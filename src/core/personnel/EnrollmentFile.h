#pragma once

#include "core/device/DeviceControl.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nakilon {

class AtomicBatchWrite;

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

// The same for a file of a grouped write: its bytes are written beside it at
// once, and it is replaced when the batch is committed (commitEnrollmentFiles).
// Throws Error "Cannot create file ...".
void addEnrollmentFile(AtomicBatchWrite& batch, std::string_view programFolder, int32_t userNumber,
                       int32_t slot, const EnrollmentData& data);
// Puts every file of the batch in place. Throws Error "Cannot create file ..."
// naming the file whose step failed.
void commitEnrollmentFiles(AtomicBatchWrite& batch);

// The enrollment of the file, or nullopt when there is no such file. Throws
// Error "Cannot open file ..." when it exists but cannot be read.
std::optional<EnrollmentData> readEnrollmentFile(std::string_view programFolder, int32_t userNumber,
                                                 int32_t slot);

} // namespace nakilon
