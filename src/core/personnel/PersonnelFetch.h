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
// dialog, whatever its result and also when it raises. Opening and closing the
// link go through `onDeviceThread` (which runs its work where the terminal is
// served, by default at once); the message and the dialog do not.
void fetchFromDevice(
    const ConnectionValues& device, DeviceControl& control, Operator& op,
    const std::function<void(int32_t machineNumber)>& showFetchDialog,
    const std::function<void(const std::function<void()>& work)>& onDeviceThread = {});

// One entry of a terminal's user list, as the fetch dialog shows it (the
// emulator's UserIndexEntry is the entry as a terminal delivers it).
struct UserListEntry {
    int32_t userNumber = 0;
    int32_t slot = 0;
    int32_t privilege = 0;
    int32_t enabled = 0;
};

// The terminal's user list, one entry per user and enrollment slot in the
// order the terminal yields them; the terminal is out of use for its own users
// meanwhile. When the terminal fails part-way, it is released and the link
// closed before the error goes on. Touches no table.
std::vector<UserListEntry> fetchUserIndex(DeviceControl& control, int32_t machineNumber);

// Empties PersonelTampon and fills it with the entries, one row each (KartNo
// 0, BackupInt the slot), every row ticked.
void fillUserList(RecordTable& tampon, const std::vector<UserListEntry>& entries);

// The fetch dialog's showing: empties PersonelTampon, then fetchUserIndex and
// fillUserList.
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

// One ticked row of PersonelTampon to copy.
struct EnrollmentToCopy {
    int row = 0; // in PersonelTampon
    int32_t userNumber = 0;
    int32_t slot = 0;
};

// The ticked rows of PersonelTampon, in order; a cell still being edited
// counts as it stands.
std::vector<EnrollmentToCopy> enrollmentsToCopy(RecordTable& tampon);

struct DownloadedEnrollments {
    // The buffer rows whose enrollment is in its file now, each with the
    // password that came with it.
    std::vector<std::pair<int, int32_t>> copied;
    std::vector<UnreadEnrollment> unread; // refused by the terminal
};

// With the terminal out of use for its users, downloads each wanted
// enrollment in order and writes the files as one group (EnrollmentFileGroup,
// one flush to disk for thousands of files), all in place before this
// returns. A download that the terminal refuses changes nothing on the PC for
// that row and is listed as unread. A failed file write, or a terminal that
// breaks off, stops the copy: each file is either its old or its new self
// (those put in place before a failed rename are new), no temporary file is
// left, and the terminal is released and the link closed before the error goes
// on. Touches no table; the link stays open.
DownloadedEnrollments downloadEnrollments(const std::vector<EnrollmentToCopy>& wanted,
                                          std::string_view programFolder, DeviceControl& control,
                                          int32_t machineNumber);

// Once the files are in place: adds each copied user to PersonelTable or
// updates the first row with the same PersonelNo (Secim 1, Sifre the password
// that came with the enrollment), in the order of the rows, from the values
// of the buffer rows; then saves the personnel list, also when nothing was
// copied. A cell still being edited in PersonelTable counts as it stands. A
// failed save leaves the old personnel file as it was. The caller tells the
// operator of the unread ones (unreadEnrollmentsText).
CopyOutcome addCopiedPersonnel(RecordTable& tampon, RecordTable& personel,
                               std::string_view programFolder,
                               const DownloadedEnrollments& downloaded);

// "Seçilenleri Bilgisayara Kopyala": enrollmentsToCopy, downloadEnrollments,
// addCopiedPersonnel, then the unread ones listed to the operator in one
// message. Whatever stops the copy, the terminal is released and the link
// closed before the error goes on; when no file could be written or the
// terminal broke off, the list in memory and the personnel file are as they
// were.
CopyOutcome copySelectedPersonnel(RecordTable& tampon, RecordTable& personel,
                                  std::string_view programFolder, DeviceControl& control,
                                  int32_t machineNumber, Operator& op);

} // namespace nakilon
