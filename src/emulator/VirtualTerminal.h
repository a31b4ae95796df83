#pragma once

#include "core/base/DateTime.h"
#include "emulator/TerminalFault.h"
#include "emulator/TerminalState.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nakilon {

// The computer's local wall-clock time as seconds since 1 January 1970
// 00:00:00 of the same wall clock (no time zone left in it).
using LocalSecondsClock = std::function<int64_t()>;
int64_t systemLocalSeconds();

// A date and time of the terminal's clock; weekday 1 Monday to 7 Sunday.
struct ClockReading : DateTime {
    int32_t weekday = 0;
    bool operator==(const ClockReading&) const = default;
};
ClockReading clockReadingAt(int64_t localSeconds);

// The terminal side of the device operations: what a terminal does when a
// control asks. It knows nothing of how the request arrived (socket, or a
// call inside the same process), so that every transport serves the same
// terminal. Not thread-safe: the owner serialises the calls.
//
// Each operation addressed to another machine number than the terminal's
// answers false, as a terminal that is not on the line would. Every call
// received writes one journal line (its name and every argument, as
// received), and only calls that a control made; every change of the held
// state calls the change handler once.
class VirtualTerminal {
public:
    explicit VirtualTerminal(TerminalState state = {}, LocalSecondsClock clock = {});

    const TerminalState& state() const { return m_state; }
    // Direct access for seeding and inspection; no journal, no change call.
    TerminalState& state() { return m_state; }

    void setJournal(std::function<void(const std::string&)> journal);
    void setChangeHandler(std::function<void()> handler);

    // A fault to show at the N-th call of an operation. Raises
    // std::invalid_argument for an operation that cannot fail.
    void addFault(TerminalFault fault);
    // The next call of the operation (counted as addFault counts) is refused.
    void refuseNextCall(const std::string& operation);

    // DownloadEnrollment of this user and slot answers false from now on, as
    // for an entry whose downloadFails is set; the held state is not changed.
    void failDownload(int32_t userNumber, int32_t slot);

    // The terminal's clock stands at this local time (the offset still
    // added), and reports this weekday, until a SyncDeviceClock sets it.
    void freezeClock(int64_t localSeconds);
    void reportWeekday(int32_t weekday);

    bool acceptNetworkLink(int32_t machineNumber, std::string_view ipAddress, int32_t port,
                           int32_t password);
    bool acceptSerialLink(int32_t machineNumber, int32_t port, int32_t baudRate);
    void linkClosed();

    // Calls that the control served itself and reports afterwards, `count`
    // times in a row with one argument: ReadMark set (the argument is the
    // value), TakeLogEntry and TakeUserIndexEntry (the machine number).
    // Journal lines only. False for another operation.
    bool controlCalls(int32_t operation, int32_t argument, int64_t count);

    bool setDeviceActive(int32_t machineNumber, int32_t flag);

    // The records that a fetch delivers. With ReadMark the delivered records
    // are marked transferred only by confirmDelivery, once the control has
    // them all: a link that breaks during the transfer loses no record.
    struct LogBatch {
        std::vector<LogEntry> records;
        std::vector<uint32_t> newIndexes; // positions to mark when confirmed
        uint64_t generation = 0;
    };
    std::optional<LogBatch> fetchLogBatch(int32_t machineNumber, bool readMark);
    void confirmDelivery(const LogBatch& batch);

    std::optional<int32_t> queryDeviceCounter(int32_t machineNumber, int32_t index);

    // Entries with their second machine number: the one set for the user, or
    // the terminal's own.
    std::optional<std::vector<UserIndexEntry>> fetchUserIndex(int32_t machineNumber);

    struct DownloadedEnrollment {
        int32_t privilege = 0;
        int32_t password = 0;
        EnrollmentData data{};
    };
    // Unknown user or slot, or an entry whose download fails: nullopt. An
    // entry without enrollment data gives zeros.
    std::optional<DownloadedEnrollment> downloadEnrollment(int32_t machineNumber,
                                                           int32_t userNumber,
                                                           int32_t secondMachineNumber,
                                                           int32_t slot);
    // Creates or replaces the entry and its data; the password becomes the
    // user's in every entry. A new entry of a known user keeps the user's
    // enable state. The journal line ends in "crc32=" and the CRC-32 of the
    // data, its 354 numbers as 4-byte little-endian two's complement.
    bool uploadEnrollment(int32_t machineNumber, int32_t userNumber, int32_t secondMachineNumber,
                          int32_t slot, int32_t privilege, const EnrollmentData& data,
                          int32_t password);

    // Nothing when the state says that reading fails.
    std::optional<ClockReading> readDeviceClock(int32_t machineNumber);
    // The clock follows the computer's again: no offset, no frozen time, no
    // weekday set by hand.
    bool syncDeviceClock(int32_t machineNumber);
    // Changes the entry that the user number, second machine number and slot
    // name together; false when none matches.
    bool changeUserRole(int32_t machineNumber, int32_t userNumber, int32_t secondMachineNumber,
                        int32_t slot, int32_t privilege);
    bool purgeLogs(int32_t machineNumber);

private:
    // One call received: its journal line (the operation's name followed by
    // `arguments`), and the fault that it may hit.
    void received(std::string_view operation, const std::string& arguments);
    void changed();
    UserEntry* findUser(int32_t userNumber, int32_t slot);
    Enrollment* findEnrollment(int32_t userNumber, int32_t slot);

    TerminalState m_state;
    LocalSecondsClock m_clock;
    std::optional<int64_t> m_frozenClock;
    std::optional<int32_t> m_reportedWeekday;
    std::vector<TerminalFault> m_faults;
    std::vector<std::pair<int32_t, int32_t>> m_failingDownloads; // user, slot
    std::vector<std::pair<std::string, int64_t>> m_callCounts;
    uint64_t m_logGeneration = 0;
    std::function<void(const std::string&)> m_journal;
    std::function<void()> m_changeHandler;
};

} // namespace nakilon
