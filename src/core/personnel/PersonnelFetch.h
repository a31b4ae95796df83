#pragma once

#include "core/personnel/EnrollmentFile.h"

#include "core/device/ConnectionProcedure.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nakilon {

class DeviceControl;
class Operator;
class RecordTable;

// "Cihazdan Al" once a terminal is chosen: opens the link on `control` (the
// personnel window's own), tells the operator "Cihaza Bağlantı Kurulamadı!"
// when that fails, and otherwise shows the fetch dialog for the terminal's
// machine number through `showFetchDialog`. The link is closed after the
// dialog, whatever its result and also when it raises.
void fetchFromDevice(const ConnectionValues& device, DeviceControl& control, Operator& op,
                     const std::function<void(int32_t machineNumber)>& showFetchDialog);

// The fetch dialog's showing: empties PersonelTampon and fills it with the
// terminal's user list, one row per user and enrollment slot in the order the
// terminal yields them, every row ticked; the terminal is out of use for its
// own users meanwhile. When the terminal fails part-way, it is released and
// the link closed before the error goes on.
void readUserList(RecordTable& tampon, DeviceControl& control, int32_t machineNumber);

// One enrollment that the terminal did not hand out.
using UnreadEnrollment = EnrollmentSlot;

struct CopyOutcome {
    int copied = 0; // enrollments downloaded and written to their files
    std::vector<UnreadEnrollment> unread;
};

// The operator's message for enrollments that could not be read (UTF-8); at
// most `listed` of them are named, the rest counted.
std::string unreadEnrollmentsText(const std::vector<UnreadEnrollment>& unread, size_t listed = 20);

// "Seçilenleri Bilgisayara Kopyala": for every ticked row of PersonelTampon,
// in order, downloads the enrollment and writes its file; then, once every
// file is in place, adds each user to PersonelTable or updates the first row
// with the same PersonelNo (Secim 1, Sifre the password that came with the
// enrollment), in the order of the rows; then saves the personnel list, also
// when nothing was ticked. The files are written as one group
// (AtomicBatchWrite), so that thousands of them cost one flush to disk.
//
// A download that the terminal refuses changes nothing on the PC for that
// row: no file, no personnel row; such enrollments are listed to the
// operator in one message at the end. A failed file write, or a terminal that
// breaks off, stops the copy: each file is either its old or its new self
// (those put in place before a failed rename are new), the list in memory and
// the personnel file are unchanged, and the terminal is released and the link
// closed before the error goes on.
CopyOutcome copySelectedPersonnel(RecordTable& tampon, RecordTable& personel,
                                  std::string_view programFolder, DeviceControl& control,
                                  int32_t machineNumber, Operator& op);

} // namespace nakilon
