#pragma once

#include "core/base/DateTime.h"
#include "core/base/Error.h"
#include "core/device/DeviceControl.h"
#include "core/device/LogEntry.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace nakilon::testsupport {

// A device control whose terminals a test scripts by machine number. Every
// call is logged as the operation's name with its arguments, in one form:
// "OpenNetworkLink(7,10.0.0.5,5005,1234)", "SetDeviceActive(7,0)",
// "TakeLogEntry(7)", "CloseLink()", so that a test compares the whole sequence
// with a literal list. Out arguments are not logged; enrollment data is logged
// by its first two numbers: "UploadEnrollment(7,5,7,0,[11,12,...],1234)".
//
// It keeps the rules of DeviceControl that callers rely on: an open succeeds
// only for a scripted terminal whose `opens` is true; without a link, or with
// another machine number than the linked one, an operation returns false; a
// fetch loads a copy, which the take operations hand out until they return
// false; on false no out value changes.
class FakeDeviceControl : public DeviceControl {
public:
    struct UserIndexEntry {
        int32_t userNumber = 0;
        int32_t secondMachineNumber = 0;
        int32_t slot = 0;
        int32_t privilege = 0;
        int32_t enabled = 1;
    };
    struct Enrollment {
        int32_t privilege = 0;
        EnrollmentData data{};
        int32_t password = 0;
    };
    struct Terminal {
        bool opens = true;
        int32_t active = 1; // the last SetDeviceActive flag
        // What a fetch delivers, whatever ReadMark says (but see defersMark).
        std::vector<LogEntry> records;
        // With defersMark: how many records confirmLogBatch has marked read.
        std::size_t marked = 0;
        // QueryDeviceCounter by index; an index not given counts 0.
        std::map<int32_t, int32_t> counters;
        std::vector<UserIndexEntry> users;
        // By user number and slot. UploadEnrollment stores here.
        std::map<std::pair<int32_t, int32_t>, Enrollment> enrollments;
        // ReadDeviceClock's values: date, time and weekday (1 Monday).
        DateTime clock;
        int32_t weekday = 1;
    };

    std::map<int32_t, Terminal> terminals;
    std::vector<std::string> calls;
    // Like the emulated terminals: with ReadMark a fetch delivers the records
    // not yet marked, and only confirmLogBatch marks what it delivered.
    bool defersMark = false;

    // The n-th call from now (1 is the next) raises Error(text) once it is
    // logged; counting every operation, or only `operation` ("TakeLogEntry").
    // CloseLink never raises and is not counted. The link stays as it was, as
    // after an error of the component: closing it is the caller's work.
    void failAt(int n, std::string text, std::string operation = {}) {
        const int done = operation.empty() ? m_callCount : m_operationCounts[operation];
        m_failures.push_back({done + n, std::move(text), std::move(operation), false});
    }
    // The n-th call of `operation` from now is refused, as the terminal
    // maker's component refuses: it answers false, does nothing and leaves
    // the link and every out value as they were.
    void refuseAt(int n, std::string operation) {
        m_failures.push_back({m_operationCounts[operation] + n, {}, std::move(operation), true});
    }

    // Called with each operation's name once it is logged, on the thread
    // that calls the control, before the operation does anything.
    std::function<void(const std::string& operation)> onCall;

    bool linkOpen() const { return m_link.has_value(); }

    bool ReadMark() const override { return m_readMark; }
    void SetReadMark(bool value) override {
        call("SetReadMark", {str(value)});
        m_readMark = value;
    }
    bool OpenNetworkLink(int32_t m, const std::string& ip, int32_t port, int32_t pw) override {
        call("OpenNetworkLink", {str(m), ip, str(port), str(pw)});
        return open(m);
    }
    bool OpenSerialLink(int32_t m, int32_t port, int32_t baudRate) override {
        call("OpenSerialLink", {str(m), str(port), str(baudRate)});
        return open(m);
    }
    void CloseLink() override {
        call("CloseLink", {});
        m_link.reset();
    }
    bool SetDeviceActive(int32_t m, int32_t flag) override {
        Terminal* terminal = call("SetDeviceActive", {str(m), str(flag)}, m);
        if (terminal)
            terminal->active = flag;
        return terminal != nullptr;
    }
    bool FetchLogBatch(int32_t m) override {
        const Terminal* terminal = call("FetchLogBatch", {str(m)}, m);
        if (terminal) {
            const std::size_t from = defersMark && m_readMark ? terminal->marked : 0;
            m_records = {
                std::vector<LogEntry>(terminal->records.begin() + static_cast<std::ptrdiff_t>(from),
                                      terminal->records.end())};
            m_delivered = terminal->records.size();
        }
        return terminal != nullptr;
    }
    bool marksLogsOnConfirm() const override { return defersMark; }
    void confirmLogBatch(int32_t m) override {
        Terminal* terminal = call("confirmLogBatch", {str(m)}, m);
        if (terminal && defersMark && m_readMark)
            terminal->marked = m_delivered;
    }
    bool TakeLogEntry(int32_t m, int32_t& terminalMachine, int32_t& personnel,
                      int32_t& entryMachine, int32_t& mode, int32_t& year, int32_t& month,
                      int32_t& day, int32_t& hour, int32_t& minute, int32_t& second) override {
        const LogEntry* entry = call("TakeLogEntry", {str(m)}, m) ? m_records.take() : nullptr;
        if (!entry)
            return false;
        terminalMachine = m;
        entryMachine = m;
        personnel = entry->personnelNumber;
        mode = entry->mode;
        takeDateTime(entry->time, year, month, day, hour, minute, second);
        return true;
    }
    bool QueryDeviceCounter(int32_t m, int32_t index, int32_t& value) override {
        const Terminal* terminal = call("QueryDeviceCounter", {str(m), str(index)}, m);
        if (terminal)
            value = terminal->counters.count(index) ? terminal->counters.at(index) : 0;
        return terminal != nullptr;
    }
    bool FetchUserIndex(int32_t m) override {
        const Terminal* terminal = call("FetchUserIndex", {str(m)}, m);
        if (terminal)
            m_users = {terminal->users};
        return terminal != nullptr;
    }
    bool TakeUserIndexEntry(int32_t m, int32_t& user, int32_t& second, int32_t& slot,
                            int32_t& privilege, int32_t& enabled) override {
        const UserIndexEntry* entry =
            call("TakeUserIndexEntry", {str(m)}, m) ? m_users.take() : nullptr;
        if (!entry)
            return false;
        user = entry->userNumber;
        second = entry->secondMachineNumber;
        slot = entry->slot;
        privilege = entry->privilege;
        enabled = entry->enabled;
        return true;
    }
    bool DownloadEnrollment(int32_t m, int32_t user, int32_t second, int32_t slot,
                            int32_t& privilege, EnrollmentData& data, int32_t& password) override {
        const Terminal* terminal =
            call("DownloadEnrollment", {str(m), str(user), str(second), str(slot)}, m);
        if (!terminal || !terminal->enrollments.count({user, slot}))
            return false;
        const Enrollment& held = terminal->enrollments.at({user, slot});
        privilege = held.privilege;
        data = held.data;
        password = held.password;
        return true;
    }
    bool UploadEnrollment(int32_t m, int32_t user, int32_t second, int32_t slot, int32_t privilege,
                          const EnrollmentData& data, int32_t password) override {
        // Appended, not "[" + ...: GCC 12 at -O3 warns of that (-Wrestrict).
        std::string dataText = "[";
        dataText += str(data[0]);
        dataText += ',';
        dataText += str(data[1]);
        dataText += ",...]";
        Terminal* terminal = call(
            "UploadEnrollment",
            {str(m), str(user), str(second), str(slot), str(privilege), dataText, str(password)},
            m);
        if (terminal)
            terminal->enrollments[{user, slot}] = {privilege, data, password};
        return terminal != nullptr;
    }
    bool ReadDeviceClock(int32_t m, int32_t& year, int32_t& month, int32_t& day, int32_t& hour,
                         int32_t& minute, int32_t& second, int32_t& weekday) override {
        const Terminal* terminal = call("ReadDeviceClock", {str(m)}, m);
        if (!terminal)
            return false;
        takeDateTime(terminal->clock, year, month, day, hour, minute, second);
        weekday = terminal->weekday;
        return true;
    }
    bool SyncDeviceClock(int32_t m) override {
        return call("SyncDeviceClock", {str(m)}, m) != nullptr;
    }
    bool ChangeUserRole(int32_t m, int32_t user, int32_t second, int32_t slot,
                        int32_t privilege) override {
        Terminal* terminal =
            call("ChangeUserRole", {str(m), str(user), str(second), str(slot), str(privilege)}, m);
        if (!terminal)
            return false;
        for (UserIndexEntry& entry : terminal->users)
            if (entry.userNumber == user && entry.slot == slot) {
                entry.privilege = privilege;
                return true;
            }
        return false;
    }
    bool PurgeLogs(int32_t m) override {
        Terminal* terminal = call("PurgeLogs", {str(m)}, m);
        if (terminal)
            terminal->records.clear();
        return terminal != nullptr;
    }

private:
    // What a fetch loaded, handed out one entry per take.
    template <class T> struct Loaded {
        std::vector<T> entries;
        std::size_t next = 0;
        const T* take() { return next < entries.size() ? &entries[next++] : nullptr; }
    };
    struct Failure {
        int n; // counted from the control's first call
        std::string text;
        std::string operation;
        bool refuse;
    };

    static std::string str(int32_t number) { return std::to_string(number); }
    static void takeDateTime(const DateTime& time, int32_t& year, int32_t& month, int32_t& day,
                             int32_t& hour, int32_t& minute, int32_t& second) {
        year = time.year;
        month = time.month;
        day = time.day;
        hour = time.hour;
        minute = time.minute;
        second = time.second;
    }

    // Logs the call, raises the failure due now, and gives the linked
    // terminal when it is `m`'s.
    Terminal* call(const std::string& operation, std::initializer_list<std::string> arguments,
                   std::optional<int32_t> m = std::nullopt) {
        std::string line = operation + "(";
        for (const std::string& argument : arguments)
            line += (line.back() == '(' ? "" : ",") + argument;
        calls.push_back(line + ")");
        if (onCall)
            onCall(operation);
        if (operation != "CloseLink") {
            const int n = ++m_callCount;
            const int ofOperation = ++m_operationCounts[operation];
            for (const Failure& f : m_failures)
                if (f.operation.empty() ? f.n == n
                                        : f.operation == operation && f.n == ofOperation) {
                    if (f.refuse)
                        return nullptr;
                    throw Error(f.text);
                }
        }
        return m && m_link == m ? &terminals.at(*m) : nullptr;
    }
    bool open(int32_t m) {
        const auto it = terminals.find(m);
        m_link.reset();
        if (it != terminals.end() && it->second.opens)
            m_link = m;
        m_records = {};
        m_users = {};
        return m_link.has_value();
    }

    std::vector<Failure> m_failures;
    int m_callCount = 0;
    std::map<std::string, int> m_operationCounts;
    bool m_readMark = false;
    std::optional<int32_t> m_link;
    Loaded<LogEntry> m_records;
    std::size_t m_delivered = 0; // the records up to the end of the last fetch
    Loaded<UserIndexEntry> m_users;
};

} // namespace nakilon::testsupport
