#pragma once

#include "core/device/ConnectionProcedure.h"
#include "core/personnel/EnrollmentFile.h"

#include <string>
#include <vector>

#include <string_view>

namespace nakilon {

class DeviceControl;
class Operator;
class RecordTable;

// Slots 0 to 9 are the ten fingers; the send handles exactly these.
constexpr int32_t FingerSlotCount = 10;

struct SendOutcome {
    int uploads = 0;                     // enrollments sent
    std::vector<EnrollmentSlot> refused; // of those, the ones the terminal refused
};

// The operator's message for uploads that the terminal refused (UTF-8): how
// many of how many, and which; at most `listed` are named, the rest counted.
std::string refusedUploadsText(const std::vector<EnrollmentSlot>& refused, int uploads,
                               size_t listed = 20);

// One ticked personnel row to send.
struct PersonnelToSend {
    int32_t userNumber = 0;
    int32_t privilege = 0;
    int32_t password = 0;
};

// Every row of PersonelTable whose Secim is 1, in list order, with Yetki and
// Sifre as they stand in memory (an edit in progress included). The grids
// keep their place meanwhile; afterwards the last personnel row is current.
std::vector<PersonnelToSend> personnelToSend(RecordTable& personel);

// Opens the link on `control` (the personnel window's own), tells the
// operator "Cihaza Bağlantı Kurulamadı!" when that fails; otherwise, with the
// terminal out of use for its users, uploads for each person, in order, each
// enrollment file of slots 0 to 9 that exists, with the person's privilege
// and password; then returns the terminal to use and closes the link. An
// enrollment that the terminal refuses does not stop the send: the outcome
// names it (the caller tells the operator, refusedUploadsText). A file that
// cannot be read, or a terminal that breaks off, stops the send; the terminal
// is released and the link closed before the error goes on. The files are
// read ahead on a helper thread while the terminal takes the uploads.
// Touches no table.
SendOutcome sendEnrollments(const ConnectionValues& device,
                            const std::vector<PersonnelToSend>& people,
                            std::string_view programFolder, DeviceControl& control, Operator& op);

// "Cihazlara Gönder" once a terminal is chosen: personnelToSend, then
// sendEnrollments, then the refused ones, if any, named to the operator.
SendOutcome sendToDevice(const ConnectionValues& device, RecordTable& personel,
                         std::string_view programFolder, DeviceControl& control, Operator& op);

} // namespace nakilon
