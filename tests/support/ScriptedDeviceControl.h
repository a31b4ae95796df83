#pragma once

#include "core/base/Error.h"
#include "core/device/DeviceControl.h"
#include "core/transfer/EntryFilter.h"

#include <map>
#include <string>
#include <vector>

namespace nakilon::testsupport {

// A device control whose terminals are scripted per machine number: the
// records a fetch hands out, the counter, whether an open succeeds, and a take
// after which the link breaks. Every call is recorded.
class ScriptedDeviceControl : public DeviceControl {
public:
    struct Terminal {
        std::vector<LogEntry> records;
        int32_t counter = 0;
        bool reachable = true;
        int breakAfterTakes = -1; // the take after this many raises
    };
    std::map<int32_t, Terminal> terminals;
    std::vector<std::string> calls;
    bool readMark = false;
    bool linkOpen = false;

    bool ReadMark() const override { return readMark; }
    void SetReadMark(bool value) override {
        readMark = value;
        calls.push_back(std::string("ReadMark ") + (value ? "1" : "0"));
    }
    bool OpenNetworkLink(int32_t m, const std::string& ip, int32_t port, int32_t pw) override {
        calls.push_back("OpenNetworkLink " + std::to_string(m) + " " + ip + " " +
                        std::to_string(port) + " " + std::to_string(pw));
        return open(m);
    }
    bool OpenSerialLink(int32_t m, int32_t port, int32_t baud) override {
        calls.push_back("OpenSerialLink " + std::to_string(m) + " " + std::to_string(port) + " " +
                        std::to_string(baud));
        return open(m);
    }
    void CloseLink() override {
        calls.push_back("CloseLink");
        linkOpen = false;
    }
    bool SetDeviceActive(int32_t, int32_t) override { return true; }
    bool FetchLogBatch(int32_t m) override {
        calls.push_back("FetchLogBatch " + std::to_string(m));
        m_next = 0;
        return true;
    }
    bool TakeLogEntry(int32_t m, int32_t& t, int32_t& p, int32_t& e, int32_t& mode, int32_t& y,
                      int32_t& mo, int32_t& d, int32_t& h, int32_t& mi, int32_t& s) override {
        Terminal& terminal = terminals.at(m);
        if (terminal.breakAfterTakes >= 0 && static_cast<int>(m_next) == terminal.breakAfterTakes)
            throw Error("Cihazla bağlantı koptu");
        if (m_next >= terminal.records.size())
            return false;
        const LogEntry& r = terminal.records[m_next++];
        t = m;
        e = m;
        p = r.personnelNumber;
        mode = r.mode;
        y = r.time.year;
        mo = r.time.month;
        d = r.time.day;
        h = r.time.hour;
        mi = r.time.minute;
        s = r.time.second;
        return true;
    }
    bool QueryDeviceCounter(int32_t m, int32_t index, int32_t& value) override {
        calls.push_back("QueryDeviceCounter " + std::to_string(m) + " " + std::to_string(index));
        value = terminals.at(m).counter;
        return true;
    }
    bool FetchUserIndex(int32_t) override { return false; }
    bool TakeUserIndexEntry(int32_t, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&) override {
        return false;
    }
    bool DownloadEnrollment(int32_t, int32_t, int32_t, int32_t, int32_t&, EnrollmentData&,
                            int32_t&) override {
        return false;
    }
    bool UploadEnrollment(int32_t, int32_t, int32_t, int32_t, int32_t, const EnrollmentData&,
                          int32_t) override {
        return false;
    }
    bool ReadDeviceClock(int32_t, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&,
                         int32_t&) override {
        return false;
    }
    bool SyncDeviceClock(int32_t) override { return false; }
    bool ChangeUserRole(int32_t, int32_t, int32_t, int32_t, int32_t) override { return false; }
    bool PurgeLogs(int32_t) override { return false; }

private:
    bool open(int32_t m) {
        const auto it = terminals.find(m);
        linkOpen = it != terminals.end() && it->second.reachable;
        return linkOpen;
    }
    size_t m_next = 0;
};

} // namespace nakilon::testsupport
