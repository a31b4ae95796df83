#pragma once

#include "core/device/DeviceControl.h"
#include "core/device/LogEntry.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace nakilon {

// One attendance record as the terminal holds it.
struct LogRecord : LogEntry {
    bool isNew = true; // not yet transferred with ReadMark true

    bool operator==(const LogRecord&) const = default;
};

// One entry of the user list: a user in one enrollment slot.
struct UserEntry {
    int32_t userNumber = 0;
    int32_t slot = 0;
    int32_t privilege = 0;
    int32_t enabled = 1;
    // A terminal keeps one password per user: every entry of a user holds the
    // same one, and an upload for any slot sets it for all of them.
    int32_t password = 0;
    // The second machine number that the user list reports for the entry;
    // none: the terminal's own machine number.
    std::optional<int32_t> secondMachineNumber = std::nullopt;
    // The entry is listed, but DownloadEnrollment of it answers false, as for
    // an enrollment that the terminal cannot read back.
    bool downloadFails = false;

    bool operator==(const UserEntry&) const = default;
};

// An entry of the user list as the terminal delivers it: the user in one
// enrollment slot, with the second machine number of the entry.
struct UserIndexEntry {
    int32_t userNumber = 0;
    int32_t secondMachineNumber = 0;
    int32_t slot = 0;
    int32_t privilege = 0;
    int32_t enabled = 0;

    bool operator==(const UserIndexEntry&) const = default;
};

struct Enrollment {
    int32_t userNumber = 0;
    int32_t slot = 0;
    EnrollmentData data{};

    bool operator==(const Enrollment&) const = default;
};

// Everything a virtual terminal holds. Records, entries and enrollments keep
// the order in which they were added.
struct TerminalState {
    int32_t machineNumber = 1;
    int32_t password = 0;           // communication password of network links
    int32_t clockOffsetSeconds = 0; // the terminal's clock minus the computer's
    // The weekday that ReadDeviceClock reports instead of the calendar's, as
    // a terminal with a wrongly set weekday does (any number, 0 or 9 too).
    std::optional<int32_t> clockWeekday;
    bool clockReadFails = false; // ReadDeviceClock answers false
    bool active = true;
    std::vector<LogRecord> logs;
    std::vector<UserEntry> users;
    std::vector<Enrollment> enrollments;

    bool operator==(const TerminalState&) const = default;
};

} // namespace nakilon
