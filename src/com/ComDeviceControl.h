#pragma once

#include "core/device/DeviceControl.h"

#include <initializer_list>
#include <memory>
#include <string>

namespace nakilon {

namespace com {
class ControlHost;
class DispatchObject;
} // namespace com

// The device control of the terminal maker's COM component `SBXPC` (Windows
// only): each operation is one late-bound IDispatch::Invoke with its DISPID.
// Numbers go as VT_I4, out values as VT_BYREF|VT_I4 on the caller's variables,
// the IP address as a BSTR by reference, enrollment data as a VARIANT holding
// a SAFEARRAY of VT_I4 (0..353) by reference.
//
// The component is hosted as a hidden control (com::ControlHost) when the
// first operation needs it, so that a computer without it starts normally and
// reports it only when a terminal is needed; a failed start is tried again by
// the next operation.
//
// Out values are copied back only when the operation answered true, so that a
// false answer leaves them as they were, as with every backend.
class ComDeviceControl : public DeviceControl {
public:
    // `classId` names the component; tests pass another one.
    explicit ComDeviceControl(std::string classId = SbxpcClassId);
    ~ComDeviceControl() override;
    ComDeviceControl(const ComDeviceControl&) = delete;
    ComDeviceControl& operator=(const ComDeviceControl&) = delete;

    bool ReadMark() const override;
    void SetReadMark(bool value) override;

    bool OpenNetworkLink(int32_t machineNumber, const std::string& ipAddress, int32_t port,
                         int32_t password) override;
    bool OpenSerialLink(int32_t machineNumber, int32_t port, int32_t baudRate) override;
    void CloseLink() override;
    bool SetDeviceActive(int32_t machineNumber, int32_t flag) override;
    bool FetchLogBatch(int32_t machineNumber) override;
    bool TakeLogEntry(int32_t machineNumber, int32_t& terminalMachineNumber,
                      int32_t& personnelNumber, int32_t& entryMachineNumber, int32_t& mode,
                      int32_t& year, int32_t& month, int32_t& day, int32_t& hour, int32_t& minute,
                      int32_t& second) override;
    bool QueryDeviceCounter(int32_t machineNumber, int32_t index, int32_t& value) override;
    bool FetchUserIndex(int32_t machineNumber) override;
    bool TakeUserIndexEntry(int32_t machineNumber, int32_t& userNumber,
                            int32_t& secondMachineNumber, int32_t& slot, int32_t& privilege,
                            int32_t& enabled) override;
    bool DownloadEnrollment(int32_t machineNumber, int32_t userNumber, int32_t secondMachineNumber,
                            int32_t slot, int32_t& privilege, EnrollmentData& data,
                            int32_t& password) override;
    bool UploadEnrollment(int32_t machineNumber, int32_t userNumber, int32_t secondMachineNumber,
                          int32_t slot, int32_t privilege, const EnrollmentData& data,
                          int32_t password) override;
    bool ReadDeviceClock(int32_t machineNumber, int32_t& year, int32_t& month, int32_t& day,
                         int32_t& hour, int32_t& minute, int32_t& second,
                         int32_t& weekday) override;
    bool SyncDeviceClock(int32_t machineNumber) override;
    bool ChangeUserRole(int32_t machineNumber, int32_t userNumber, int32_t secondMachineNumber,
                        int32_t slot, int32_t privilege) override;
    bool PurgeLogs(int32_t machineNumber) override;

private:
    // The component, hosted on first use.
    com::DispatchObject& component() const;
    bool callNumbers(const char* name, int32_t dispid, std::initializer_list<int32_t> numbers);

    std::string m_classId;
    mutable std::unique_ptr<com::ControlHost> m_component;
};

} // namespace nakilon
