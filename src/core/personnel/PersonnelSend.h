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

// "Cihazlara Gönder" once a terminal is chosen: opens the link on `control`
// (the personnel window's own), tells the operator "Cihaza Bağlantı
// Kurulamadı!" when that fails; otherwise, with the terminal out of use for
// its users, uploads for every row of PersonelTable whose Secim is 1, in list
// order, each enrollment file of slots 0 to 9 that exists, with the row's
// Yetki and Sifre as they stand in memory (an edit in progress included);
// then returns the terminal to use and closes the link. An enrollment that
// the terminal refuses does not stop the send: at the end the operator is told
// which ones were not written (refusedUploadsText); otherwise nothing is
// shown. A file that cannot be read, or a terminal that breaks off, stops
// the send; the terminal is released and the link closed before the error
// goes on. Afterwards the last personnel row is current.
SendOutcome sendToDevice(const ConnectionValues& device, RecordTable& personel,
                         std::string_view programFolder, DeviceControl& control, Operator& op);

} // namespace nakilon
