#pragma once

#include "core/device/DeviceControl.h"
#include "emulator/Messages.h"
#include "emulator/TerminalChannel.h"

#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace nakilon {

// The device control of the emulated terminals: each operation is one
// exchange of messages over a channel (a socket, or a terminal in the same
// process). A fetch brings the whole record set or user list in one answer;
// the take operations then read it locally. The calls served here (ReadMark
// set, takes) are told to the terminal with the next message, so that its
// journal holds every call made on the link, in order.
class ChannelDeviceControl : public DeviceControl {
public:
    explicit ChannelDeviceControl(std::unique_ptr<TerminalChannel> channel);
    ~ChannelDeviceControl() override;

    bool ReadMark() const override { return m_readMark; }
    void SetReadMark(bool value) override;

    bool OpenNetworkLink(int32_t machineNumber, const std::string& ipAddress, int32_t port,
                         int32_t password) override;
    bool OpenSerialLink(int32_t machineNumber, int32_t port, int32_t baudRate) override;
    void CloseLink() override;
    bool SetDeviceActive(int32_t machineNumber, int32_t flag) override;
    bool FetchLogBatch(int32_t machineNumber) override;
    bool marksLogsOnConfirm() const override { return true; }
    void confirmLogBatch(int32_t machineNumber) override;
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
    // An answer with the frame it was read from: sequences in it point into
    // the frame, so the two stay together.
    template <class Op> struct Reply {
        Reply() = default;
        Reply(Reply&&) noexcept = default;
        Reply& operator=(Reply&&) noexcept = default;
        std::vector<uint8_t> frame;
        std::optional<typename Op::Answer> values;
    };

    template <class Op> bool open(const LinkTarget& target, const typename Op::Request& request);
    // Sends the request of `Op` and reads its answer, or raises Error (the
    // link is closed then).
    template <class Op> Reply<Op> call(const typename Op::Request& request);
    [[noreturn]] void badAnswer(const char* name);
    void dropLink();
    // A call served here, on a link: the terminal hears of it before the
    // next message. Inline, since every take of a million records passes here.
    void noteCall(int32_t operation, int32_t argument) {
        if (!m_linked)
            return;
        if (!m_calls.empty()) {
            wire::ControlCall& last = m_calls.back();
            if (last.operation == operation && last.argument == argument &&
                last.count < std::numeric_limits<int32_t>::max()) {
                ++last.count;
                return;
            }
        }
        m_calls.push_back({operation, argument, 1});
    }
    void sendCalls();

    std::unique_ptr<TerminalChannel> m_channel;
    bool m_linked = false;
    bool m_readMark = false;
    int32_t m_machineNumber = 0;
    std::vector<wire::ControlCall> m_calls;

    // The loaded record set stays in its answer frame and is decoded one
    // record per take.
    Reply<wire::FetchLogBatch> m_logs;
    size_t m_logNext = 0;
    bool m_markPending = false; // the loaded set waits for confirmLogBatch

    Reply<wire::FetchUserIndex> m_users;
    size_t m_userNext = 0;
};

} // namespace nakilon
