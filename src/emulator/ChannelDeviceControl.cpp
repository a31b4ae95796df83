#include "emulator/ChannelDeviceControl.h"

#include "core/base/Error.h"
#include "core/base/Text.h"

namespace nakilon {

using wire::ProtocolError;

ChannelDeviceControl::ChannelDeviceControl(std::unique_ptr<TerminalChannel> channel)
    : m_channel(std::move(channel)) {}

ChannelDeviceControl::~ChannelDeviceControl() {
    CloseLink();
}

void ChannelDeviceControl::dropLink() {
    m_channel->disconnect();
    m_linked = false;
    m_calls.clear();
    m_logs = {};
    m_logNext = 0;
    m_markPending = false;
    m_users = {};
    m_userNext = 0;
}

void ChannelDeviceControl::badAnswer(const char* name) {
    dropLink();
    throw Error(formatText("Cihazdan geçersiz yanıt geldi: %s işlemi tamamlanamadı", name));
}

void ChannelDeviceControl::sendCalls() {
    if (m_calls.empty())
        return;
    m_channel->post(
        wire::encodeRequest<wire::ControlCalls>({wire::Sequence<wire::ControlCall>(m_calls)}));
    m_calls.clear();
}

template <class Op>
ChannelDeviceControl::Reply<Op> ChannelDeviceControl::call(const typename Op::Request& request) {
    Reply<Op> reply;
    try {
        sendCalls();
        reply.frame = m_channel->exchange(wire::encodeRequest<Op>(request));
        reply.values = wire::decodeAnswer<Op>(reply.frame);
    } catch (const wire::OperationFailed&) {
        throw Error(formatText("Cihaz hata bildirdi: %s işlemi tamamlanamadı", Op::name));
    } catch (const ChannelError& error) {
        dropLink();
        if (error.kind() == ChannelError::Kind::Timeout)
            throw Error(
                formatText("Cihaz yanıt vermedi: %s işlemi zaman aşımına uğradı", Op::name));
        throw Error(formatText("Cihazla bağlantı koptu: %s işlemi tamamlanamadı", Op::name));
    } catch (const ProtocolError&) {
        badAnswer(Op::name);
    }
    return reply;
}

template <class Op>
bool ChannelDeviceControl::open(const LinkTarget& target, const typename Op::Request& request) {
    // The link that is open goes without a CloseLink, which the program did
    // not call: its terminal sees the connection end.
    if (m_linked) {
        sendCalls();
        dropLink();
    }
    if (!m_channel->connect(target))
        return false;
    // A terminal that answers the open wrongly, or not at all, is not
    // connected; the caller reports a failed connection.
    bool accepted = false;
    try {
        accepted = wire::decodeAnswer<Op>(m_channel->exchange(wire::encodeRequest<Op>(request)))
                       .has_value();
    } catch (const ChannelError&) {
    } catch (const wire::OperationFailed&) {
    } catch (const ProtocolError&) {
    }
    if (!accepted) {
        m_channel->disconnect();
        return false;
    }
    m_linked = true;
    m_machineNumber = request.machineNumber;
    return true;
}

bool ChannelDeviceControl::OpenNetworkLink(int32_t machineNumber, const std::string& ipAddress,
                                           int32_t port, int32_t password) {
    return open<wire::OpenNetworkLink>(LinkTarget{false, ipAddress, port},
                                       {machineNumber, ipAddress, port, password});
}

bool ChannelDeviceControl::OpenSerialLink(int32_t machineNumber, int32_t port, int32_t baudRate) {
    return open<wire::OpenSerialLink>(LinkTarget{true, {}, port}, {machineNumber, port, baudRate});
}

void ChannelDeviceControl::CloseLink() {
    if (!m_linked)
        return;
    sendCalls();
    m_channel->post(wire::encodeRequest<wire::CloseLink>({}));
    dropLink();
}

void ChannelDeviceControl::SetReadMark(bool value) {
    m_readMark = value;
    noteCall(dispid::ReadMark, value ? 1 : 0);
}

bool ChannelDeviceControl::SetDeviceActive(int32_t machineNumber, int32_t flag) {
    return m_linked && call<wire::SetDeviceActive>({machineNumber, flag}).values;
}

bool ChannelDeviceControl::FetchLogBatch(int32_t machineNumber) {
    if (!m_linked)
        return false;
    m_logs = {};
    m_logNext = 0;
    m_markPending = false;
    Reply<wire::FetchLogBatch> reply = call<wire::FetchLogBatch>({machineNumber, m_readMark});
    if (!reply.values)
        return false;
    // The terminal marks the records read only when the program has stored
    // them (confirmLogBatch).
    m_markPending = m_readMark && reply.values->records.size() > 0;
    m_logs = std::move(reply);
    return true;
}

void ChannelDeviceControl::confirmLogBatch(int32_t machineNumber) {
    if (!m_linked || !m_markPending || machineNumber != m_machineNumber)
        return;
    m_markPending = false;
    if (!call<wire::ConfirmLogBatch>({}).values)
        badAnswer(wire::ConfirmLogBatch::name);
}

bool ChannelDeviceControl::TakeLogEntry(int32_t machineNumber, int32_t& terminalMachineNumber,
                                        int32_t& personnelNumber, int32_t& entryMachineNumber,
                                        int32_t& mode, int32_t& year, int32_t& month, int32_t& day,
                                        int32_t& hour, int32_t& minute, int32_t& second) {
    noteCall(dispid::TakeLogEntry, machineNumber);
    if (!m_linked || machineNumber != m_machineNumber || !m_logs.values ||
        m_logs.values->records.size() == 0)
        return false;
    if (m_logNext >= m_logs.values->records.size()) {
        // The control keeps a set only until the take operation reports its end.
        m_logs = {};
        m_logNext = 0;
        return false;
    }
    const LogEntry entry = m_logs.values->records[m_logNext++];
    terminalMachineNumber = m_machineNumber;
    entryMachineNumber = m_machineNumber;
    personnelNumber = entry.personnelNumber;
    mode = entry.mode;
    year = entry.time.year;
    month = entry.time.month;
    day = entry.time.day;
    hour = entry.time.hour;
    minute = entry.time.minute;
    second = entry.time.second;
    return true;
}

bool ChannelDeviceControl::QueryDeviceCounter(int32_t machineNumber, int32_t index,
                                              int32_t& value) {
    if (!m_linked)
        return false;
    const auto reply = call<wire::QueryDeviceCounter>({machineNumber, index});
    if (!reply.values)
        return false;
    value = reply.values->value;
    return true;
}

bool ChannelDeviceControl::FetchUserIndex(int32_t machineNumber) {
    if (!m_linked)
        return false;
    m_users = {};
    m_userNext = 0;
    Reply<wire::FetchUserIndex> reply = call<wire::FetchUserIndex>({machineNumber});
    if (!reply.values)
        return false;
    m_users = std::move(reply);
    return true;
}

bool ChannelDeviceControl::TakeUserIndexEntry(int32_t machineNumber, int32_t& userNumber,
                                              int32_t& secondMachineNumber, int32_t& slot,
                                              int32_t& privilege, int32_t& enabled) {
    noteCall(dispid::TakeUserIndexEntry, machineNumber);
    if (!m_linked || machineNumber != m_machineNumber)
        return false;
    if (!m_users.values || m_userNext >= m_users.values->entries.size()) {
        m_users = {};
        m_userNext = 0;
        return false;
    }
    const UserIndexEntry entry = m_users.values->entries[m_userNext++];
    userNumber = entry.userNumber;
    secondMachineNumber = entry.secondMachineNumber;
    slot = entry.slot;
    privilege = entry.privilege;
    enabled = entry.enabled;
    return true;
}

bool ChannelDeviceControl::DownloadEnrollment(int32_t machineNumber, int32_t userNumber,
                                              int32_t secondMachineNumber, int32_t slot,
                                              int32_t& privilege, EnrollmentData& data,
                                              int32_t& password) {
    if (!m_linked)
        return false;
    const auto reply =
        call<wire::DownloadEnrollment>({machineNumber, userNumber, secondMachineNumber, slot});
    if (!reply.values)
        return false;
    privilege = reply.values->privilege;
    password = reply.values->password;
    data = reply.values->data;
    return true;
}

bool ChannelDeviceControl::UploadEnrollment(int32_t machineNumber, int32_t userNumber,
                                            int32_t secondMachineNumber, int32_t slot,
                                            int32_t privilege, const EnrollmentData& data,
                                            int32_t password) {
    return m_linked && call<wire::UploadEnrollment>({machineNumber, userNumber, secondMachineNumber,
                                                     slot, privilege, password, data})
                           .values;
}

bool ChannelDeviceControl::ReadDeviceClock(int32_t machineNumber, int32_t& year, int32_t& month,
                                           int32_t& day, int32_t& hour, int32_t& minute,
                                           int32_t& second, int32_t& weekday) {
    if (!m_linked)
        return false;
    const auto reply = call<wire::ReadDeviceClock>({machineNumber});
    if (!reply.values)
        return false;
    const wire::ReadDeviceClock::Answer& clock = *reply.values;
    year = clock.year;
    month = clock.month;
    day = clock.day;
    hour = clock.hour;
    minute = clock.minute;
    second = clock.second;
    weekday = clock.weekday;
    return true;
}

bool ChannelDeviceControl::SyncDeviceClock(int32_t machineNumber) {
    return m_linked && call<wire::SyncDeviceClock>({machineNumber}).values;
}

bool ChannelDeviceControl::ChangeUserRole(int32_t machineNumber, int32_t userNumber,
                                          int32_t secondMachineNumber, int32_t slot,
                                          int32_t privilege) {
    return m_linked && call<wire::ChangeUserRole>(
                           {machineNumber, userNumber, secondMachineNumber, slot, privilege})
                           .values;
}

bool ChannelDeviceControl::PurgeLogs(int32_t machineNumber) {
    return m_linked && call<wire::PurgeLogs>({machineNumber}).values;
}

} // namespace nakilon
