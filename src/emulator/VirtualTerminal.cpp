#include "emulator/VirtualTerminal.h"

#include "core/base/DateTime.h"
#include "core/base/IntegerText.h"
#include "core/base/LocalTime.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace nakilon {

bool isFaultableOperation(std::string_view operation) {
    for (const char* name :
         {"OpenNetworkLink", "OpenSerialLink", "SetDeviceActive", "FetchLogBatch",
          "QueryDeviceCounter", "FetchUserIndex", "DownloadEnrollment", "UploadEnrollment",
          "ReadDeviceClock", "SyncDeviceClock", "ChangeUserRole", "PurgeLogs"})
        if (operation == name)
            return true;
    return false;
}

int64_t systemLocalSeconds() {
    return wallTime(localNow()).time_since_epoch().count();
}

ClockReading clockReadingAt(int64_t localSeconds) {
    const std::chrono::local_seconds at{std::chrono::seconds{localSeconds}};
    ClockReading reading;
    static_cast<DateTime&>(reading) = dateTimeOf(at);
    reading.weekday = static_cast<int32_t>(
        std::chrono::weekday{std::chrono::floor<std::chrono::days>(at)}.iso_encoding());
    return reading;
}

VirtualTerminal::VirtualTerminal(TerminalState state, LocalSecondsClock clock)
    : m_state(std::move(state)),
      m_clock(clock ? std::move(clock) : LocalSecondsClock(systemLocalSeconds)) {}

void VirtualTerminal::setJournal(std::function<void(const std::string&)> journal) {
    m_journal = std::move(journal);
}

void VirtualTerminal::setChangeHandler(std::function<void()> handler) {
    m_changeHandler = std::move(handler);
}

void VirtualTerminal::addFault(TerminalFault fault) {
    if (!isFaultableOperation(fault.operation))
        throw std::invalid_argument("not an operation that can fail: " + fault.operation);
    m_faults.push_back(std::move(fault));
}

void VirtualTerminal::refuseNextCall(const std::string& operation) {
    const auto count = std::find_if(m_callCounts.begin(), m_callCounts.end(),
                                    [&](const auto& entry) { return entry.first == operation; });
    addFault({operation, (count == m_callCounts.end() ? 0 : count->second) + 1, FaultKind::Refuse});
}

void VirtualTerminal::failDownload(int32_t userNumber, int32_t slot) {
    m_failingDownloads.emplace_back(userNumber, slot);
}

void VirtualTerminal::freezeClock(int64_t localSeconds) {
    m_frozenClock = localSeconds;
}

void VirtualTerminal::reportWeekday(int32_t weekday) {
    m_reportedWeekday = weekday;
}

void VirtualTerminal::received(std::string_view operation, const std::string& arguments) {
    auto count = std::find_if(m_callCounts.begin(), m_callCounts.end(),
                              [&](const auto& entry) { return entry.first == operation; });
    if (count == m_callCounts.end())
        count = m_callCounts.insert(m_callCounts.end(), {std::string(operation), 0});
    ++count->second;
    const TerminalFault* due = nullptr;
    for (const TerminalFault& fault : m_faults)
        if (fault.operation == operation && fault.callNumber == count->second)
            due = &fault;
    // A refused call is in the journal as received, marked as refused.
    if (m_journal)
        m_journal(std::string(operation) + arguments +
                  (due && due->kind == FaultKind::Refuse ? " refused" : ""));
    if (due)
        throw InjectedFault(due->kind);
}

void VirtualTerminal::changed() {
    if (m_changeHandler)
        m_changeHandler();
}

namespace {
// Journal arguments: each number after a blank.
std::string numbers(std::initializer_list<int64_t> args) {
    std::string text;
    for (int64_t a : args)
        text += ' ' + std::to_string(a);
    return text;
}

// The address text comes from the caller's device list; it must not break
// the journal's one-line-per-operation layout.
std::string journalText(std::string_view text) {
    if (text.empty())
        return "-";
    std::string result(text);
    for (char& c : result) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F)
            c = '?';
    }
    return result;
}

// CRC-32 (the polynomial of zlib and ZIP) of the numbers as the wire carries
// them, so that a journal line can be checked against a file of the PC.
std::string journalDigest(const EnrollmentData& data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (const int32_t value : data) {
        const auto bits = static_cast<uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8) {
            crc ^= (bits >> shift) & 0xFFu;
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return " crc32=" + hexDigits(~crc, 8);
}
} // namespace

bool VirtualTerminal::acceptNetworkLink(int32_t machineNumber, std::string_view ipAddress,
                                        int32_t port, int32_t password) {
    received("OpenNetworkLink",
             numbers({machineNumber}) + ' ' + journalText(ipAddress) + numbers({port, password}));
    return machineNumber == m_state.machineNumber && password == m_state.password;
}

bool VirtualTerminal::acceptSerialLink(int32_t machineNumber, int32_t port, int32_t baudRate) {
    received("OpenSerialLink", numbers({machineNumber, port, baudRate}));
    return machineNumber == m_state.machineNumber;
}

void VirtualTerminal::linkClosed() {
    received("CloseLink", {});
}

bool VirtualTerminal::controlCalls(int32_t operation, int32_t argument, int64_t count) {
    const char* name = operation == dispid::ReadMark             ? "SetReadMark"
                       : operation == dispid::TakeLogEntry       ? "TakeLogEntry"
                       : operation == dispid::TakeUserIndexEntry ? "TakeUserIndexEntry"
                                                                 : nullptr;
    if (!name)
        return false;
    // Only the journal wants them, one line each.
    if (m_journal) {
        const std::string line = name + numbers({argument});
        for (int64_t i = 0; i < count; ++i)
            m_journal(line);
    }
    return true;
}

bool VirtualTerminal::setDeviceActive(int32_t machineNumber, int32_t flag) {
    received("SetDeviceActive", numbers({machineNumber, flag}));
    if (machineNumber != m_state.machineNumber)
        return false;
    const bool active = flag != 0;
    if (active != m_state.active) {
        m_state.active = active;
        changed();
    }
    return true;
}

std::optional<VirtualTerminal::LogBatch> VirtualTerminal::fetchLogBatch(int32_t machineNumber,
                                                                        bool readMark) {
    received("FetchLogBatch",
             numbers({machineNumber}) + (readMark ? " ReadMark=1" : " ReadMark=0"));
    if (machineNumber != m_state.machineNumber)
        return std::nullopt;
    LogBatch batch;
    batch.generation = m_logGeneration;
    if (!readMark) {
        batch.records.assign(m_state.logs.begin(), m_state.logs.end());
        return batch;
    }
    for (size_t i = 0; i < m_state.logs.size(); ++i) {
        if (m_state.logs[i].isNew) {
            batch.records.push_back(m_state.logs[i]);
            batch.newIndexes.push_back(static_cast<uint32_t>(i));
        }
    }
    return batch;
}

void VirtualTerminal::confirmDelivery(const LogBatch& batch) {
    // A purge since the fetch leaves nothing to mark.
    if (batch.newIndexes.empty() || batch.generation != m_logGeneration)
        return;
    for (uint32_t index : batch.newIndexes) {
        if (index < m_state.logs.size())
            m_state.logs[index].isNew = false;
    }
    changed();
}

std::optional<int32_t> VirtualTerminal::queryDeviceCounter(int32_t machineNumber, int32_t index) {
    received("QueryDeviceCounter", numbers({machineNumber, index}));
    if (machineNumber != m_state.machineNumber)
        return std::nullopt;
    if (index == CounterAllLogs)
        return static_cast<int32_t>(m_state.logs.size());
    if (index == CounterNewLogs) {
        int32_t count = 0;
        for (const LogRecord& record : m_state.logs)
            count += record.isNew ? 1 : 0;
        return count;
    }
    return std::nullopt;
}

std::optional<std::vector<UserIndexEntry>> VirtualTerminal::fetchUserIndex(int32_t machineNumber) {
    received("FetchUserIndex", numbers({machineNumber}));
    if (machineNumber != m_state.machineNumber)
        return std::nullopt;
    std::vector<UserIndexEntry> entries;
    entries.reserve(m_state.users.size());
    for (const UserEntry& user : m_state.users)
        entries.push_back({user.userNumber,
                           user.secondMachineNumber.value_or(m_state.machineNumber), user.slot,
                           user.privilege, user.enabled});
    return entries;
}

UserEntry* VirtualTerminal::findUser(int32_t userNumber, int32_t slot) {
    for (UserEntry& user : m_state.users) {
        if (user.userNumber == userNumber && user.slot == slot)
            return &user;
    }
    return nullptr;
}

Enrollment* VirtualTerminal::findEnrollment(int32_t userNumber, int32_t slot) {
    for (Enrollment& enrollment : m_state.enrollments) {
        if (enrollment.userNumber == userNumber && enrollment.slot == slot)
            return &enrollment;
    }
    return nullptr;
}

std::optional<VirtualTerminal::DownloadedEnrollment>
VirtualTerminal::downloadEnrollment(int32_t machineNumber, int32_t userNumber,
                                    int32_t secondMachineNumber, int32_t slot) {
    received("DownloadEnrollment", numbers({machineNumber, userNumber, secondMachineNumber, slot}));
    if (machineNumber != m_state.machineNumber)
        return std::nullopt;
    const UserEntry* user = findUser(userNumber, slot);
    if (!user || user->downloadFails ||
        std::find(m_failingDownloads.begin(), m_failingDownloads.end(),
                  std::pair(userNumber, slot)) != m_failingDownloads.end())
        return std::nullopt;
    DownloadedEnrollment result;
    result.privilege = user->privilege;
    result.password = user->password;
    if (const Enrollment* enrollment = findEnrollment(userNumber, slot))
        result.data = enrollment->data;
    return result;
}

bool VirtualTerminal::uploadEnrollment(int32_t machineNumber, int32_t userNumber,
                                       int32_t secondMachineNumber, int32_t slot, int32_t privilege,
                                       const EnrollmentData& data, int32_t password) {
    received("UploadEnrollment",
             numbers({machineNumber, userNumber, secondMachineNumber, slot, privilege, password}) +
                 journalDigest(data));
    if (machineNumber != m_state.machineNumber)
        return false;
    int32_t enabled = 1;
    bool known = false;
    for (UserEntry& entry : m_state.users) {
        if (entry.userNumber != userNumber)
            continue;
        if (!known)
            enabled = entry.enabled;
        known = true;
        entry.password = password;
    }
    if (UserEntry* user = findUser(userNumber, slot))
        user->privilege = privilege;
    else
        m_state.users.push_back({userNumber, slot, privilege, enabled, password});
    if (Enrollment* enrollment = findEnrollment(userNumber, slot))
        enrollment->data = data;
    else
        m_state.enrollments.push_back({userNumber, slot, data});
    changed();
    return true;
}

std::optional<ClockReading> VirtualTerminal::readDeviceClock(int32_t machineNumber) {
    received("ReadDeviceClock", numbers({machineNumber}));
    if (machineNumber != m_state.machineNumber || m_state.clockReadFails)
        return std::nullopt;
    const int64_t now = m_frozenClock ? *m_frozenClock : m_clock();
    ClockReading reading = clockReadingAt(now + m_state.clockOffsetSeconds);
    if (m_reportedWeekday)
        reading.weekday = *m_reportedWeekday;
    else if (m_state.clockWeekday)
        reading.weekday = *m_state.clockWeekday;
    return reading;
}

bool VirtualTerminal::syncDeviceClock(int32_t machineNumber) {
    received("SyncDeviceClock", numbers({machineNumber}));
    if (machineNumber != m_state.machineNumber)
        return false;
    m_frozenClock.reset();
    m_reportedWeekday.reset();
    if (m_state.clockOffsetSeconds != 0 || m_state.clockWeekday) {
        m_state.clockOffsetSeconds = 0;
        m_state.clockWeekday.reset();
        changed();
    }
    return true;
}

bool VirtualTerminal::changeUserRole(int32_t machineNumber, int32_t userNumber,
                                     int32_t secondMachineNumber, int32_t slot, int32_t privilege) {
    received("ChangeUserRole",
             numbers({machineNumber, userNumber, secondMachineNumber, slot, privilege}));
    if (machineNumber != m_state.machineNumber)
        return false;
    UserEntry* user = findUser(userNumber, slot);
    if (!user || user->secondMachineNumber.value_or(m_state.machineNumber) != secondMachineNumber)
        return false;
    if (user->privilege != privilege) {
        user->privilege = privilege;
        changed();
    }
    return true;
}

bool VirtualTerminal::purgeLogs(int32_t machineNumber) {
    received("PurgeLogs", numbers({machineNumber}));
    if (machineNumber != m_state.machineNumber)
        return false;
    ++m_logGeneration;
    if (!m_state.logs.empty()) {
        m_state.logs.clear();
        changed();
    }
    return true;
}

} // namespace nakilon
