#pragma once

#include "core/device/DeviceControl.h"

#include <string>
#include <vector>

namespace nakilon::testsupport {

// A device control that records each call as "Name arg arg ..." and answers
// the open operations with a preset result.
class RecordingDeviceControl : public DeviceControl {
public:
    std::vector<std::string> calls;
    bool openResult = true;
    bool readMark = false;

    bool ReadMark() const override { return readMark; }
    void SetReadMark(bool value) override { readMark = value; }
    bool OpenNetworkLink(int32_t m, const std::string& ip, int32_t port,
                         int32_t password) override {
        record("OpenNetworkLink", {m, port, password}, ip);
        return openResult;
    }
    bool OpenSerialLink(int32_t m, int32_t port, int32_t baud) override {
        record("OpenSerialLink", {m, port, baud});
        return openResult;
    }
    void CloseLink() override { record("CloseLink", {}); }
    bool SetDeviceActive(int32_t m, int32_t flag) override {
        record("SetDeviceActive", {m, flag});
        return true;
    }
    bool FetchLogBatch(int32_t m) override {
        record("FetchLogBatch", {m});
        return true;
    }
    bool TakeLogEntry(int32_t m, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&,
                      int32_t&, int32_t&, int32_t&, int32_t&) override {
        record("TakeLogEntry", {m});
        return false;
    }
    bool QueryDeviceCounter(int32_t m, int32_t index, int32_t&) override {
        record("QueryDeviceCounter", {m, index});
        return true;
    }
    bool FetchUserIndex(int32_t m) override {
        record("FetchUserIndex", {m});
        return true;
    }
    bool TakeUserIndexEntry(int32_t m, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&) override {
        record("TakeUserIndexEntry", {m});
        return false;
    }
    bool DownloadEnrollment(int32_t m, int32_t user, int32_t second, int32_t slot, int32_t&,
                            EnrollmentData&, int32_t&) override {
        record("DownloadEnrollment", {m, user, second, slot});
        return true;
    }
    bool UploadEnrollment(int32_t m, int32_t user, int32_t second, int32_t slot, int32_t privilege,
                          const EnrollmentData&, int32_t password) override {
        record("UploadEnrollment", {m, user, second, slot, privilege, password});
        return true;
    }
    bool ReadDeviceClock(int32_t m, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&, int32_t&,
                         int32_t&) override {
        record("ReadDeviceClock", {m});
        return true;
    }
    bool SyncDeviceClock(int32_t m) override {
        record("SyncDeviceClock", {m});
        return true;
    }
    bool ChangeUserRole(int32_t m, int32_t user, int32_t second, int32_t slot,
                        int32_t privilege) override {
        record("ChangeUserRole", {m, user, second, slot, privilege});
        return true;
    }
    bool PurgeLogs(int32_t m) override {
        record("PurgeLogs", {m});
        return true;
    }

private:
    void record(const char* name, std::initializer_list<int32_t> args,
                const std::string& text = {}) {
        std::string line = name;
        bool first = true;
        for (int32_t a : args) {
            line += ' ' + std::to_string(a);
            if (first && !text.empty())
                line += ' ' + text;
            first = false;
        }
        calls.push_back(line);
    }
};

} // namespace nakilon::testsupport
