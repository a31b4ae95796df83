#include "emulator/ChannelDeviceControl.h"

#include "core/base/Error.h"
#include "core/base/Text.h"
#include "emulator/Protocol.h"

namespace nakilon {

using wire::ProtocolError;
using wire::Reader;
using wire::Writer;

namespace {

// Reads the code and result byte of an answer; the code must be the request's.
bool readResult(Reader& reader, uint8_t code) {
    if (reader.u8() != code)
        throw ProtocolError("answer to another operation");
    const uint8_t result = reader.u8();
    if (result > 1)
        throw ProtocolError("result is not a boolean");
    return result == 1;
}

} // namespace

ChannelDeviceControl::ChannelDeviceControl(std::unique_ptr<TerminalChannel> channel)
    : m_channel(std::move(channel)) {}

ChannelDeviceControl::~ChannelDeviceControl() {
    CloseLink();
}

void ChannelDeviceControl::dropLink() {
    m_channel->disconnect();
    m_linked = false;
    m_logFrame = {};
    m_logCount = m_logNext = 0;
    m_users = {};
    m_userNext = 0;
}

void ChannelDeviceControl::badAnswer(const char* name) {
    dropLink();
    throw Error(formatText("Cihazdan geçersiz yanıt geldi: %s işlemi tamamlanamadı", name));
}

std::vector<uint8_t> ChannelDeviceControl::call(const char* name,
                                                const std::vector<uint8_t>& request) {
    try {
        return m_channel->exchange(request);
    } catch (const ChannelError& error) {
        dropLink();
        if (error.kind() == ChannelError::Kind::Timeout)
            throw Error(formatText("Cihaz yanıt vermedi: %s işlemi zaman aşımına uğradı", name));
        throw Error(formatText("Cihazla bağlantı koptu: %s işlemi tamamlanamadı", name));
    } catch (const ProtocolError&) {
        badAnswer(name);
    }
}

bool ChannelDeviceControl::simpleCall(const char* name, const std::vector<uint8_t>& request) {
    const std::vector<uint8_t> answer = call(name, request);
    try {
        Reader reader = Reader::overFrame(answer);
        const bool result = readResult(reader, request[wire::FrameHeaderSize]);
        reader.expectEnd();
        return result;
    } catch (const ProtocolError&) {
        badAnswer(name);
    }
}

bool ChannelDeviceControl::open(const LinkTarget& target, int32_t machineNumber,
                                const std::vector<uint8_t>& request) {
    CloseLink();
    if (!m_channel->connect(target))
        return false;
    // A terminal that answers the open wrongly, or not at all, is not
    // connected; the caller reports a failed connection.
    try {
        const std::vector<uint8_t> answer = m_channel->exchange(request);
        Reader reader = Reader::overFrame(answer);
        const bool accepted = readResult(reader, request[wire::FrameHeaderSize]);
        reader.expectEnd();
        if (!accepted) {
            m_channel->disconnect();
            return false;
        }
    } catch (const ChannelError&) {
        m_channel->disconnect();
        return false;
    } catch (const ProtocolError&) {
        m_channel->disconnect();
        return false;
    }
    m_linked = true;
    m_machineNumber = machineNumber;
    return true;
}

bool ChannelDeviceControl::OpenNetworkLink(int32_t machineNumber, const std::string& ipAddress,
                                           int32_t port, int32_t password) {
    Writer writer(static_cast<uint8_t>(dispid::OpenNetworkLink));
    writer.i32(machineNumber);
    writer.text(ipAddress);
    writer.i32(port);
    writer.i32(password);
    return open(LinkTarget{false, ipAddress, port}, machineNumber, writer.finish());
}

bool ChannelDeviceControl::OpenSerialLink(int32_t machineNumber, int32_t port, int32_t baudRate) {
    Writer writer(static_cast<uint8_t>(dispid::OpenSerialLink));
    writer.i32(machineNumber);
    writer.i32(port);
    writer.i32(baudRate);
    return open(LinkTarget{true, {}, port}, machineNumber, writer.finish());
}

void ChannelDeviceControl::CloseLink() {
    if (!m_linked)
        return;
    m_channel->post(Writer(static_cast<uint8_t>(dispid::CloseLink)).finish());
    dropLink();
}

bool ChannelDeviceControl::SetDeviceActive(int32_t machineNumber, int32_t flag) {
    if (!m_linked)
        return false;
    Writer writer(static_cast<uint8_t>(dispid::SetDeviceActive));
    writer.i32(machineNumber);
    writer.i32(flag);
    return simpleCall("SetDeviceActive", writer.finish());
}

bool ChannelDeviceControl::FetchLogBatch(int32_t machineNumber) {
    if (!m_linked)
        return false;
    m_logFrame = {};
    m_logCount = m_logNext = 0;
    Writer writer(static_cast<uint8_t>(dispid::FetchLogBatch));
    writer.i32(machineNumber);
    writer.u8(m_readMark ? 1 : 0);
    std::vector<uint8_t> answer = call("FetchLogBatch", writer.finish());
    size_t count = 0;
    try {
        Reader reader = Reader::overFrame(answer);
        if (!readResult(reader, static_cast<uint8_t>(dispid::FetchLogBatch))) {
            reader.expectEnd();
            return false;
        }
        count = reader.u32();
        if (reader.remaining() / wire::LogRecordSize != count ||
            reader.remaining() % wire::LogRecordSize != 0)
            throw ProtocolError("record count does not match");
        m_logOffset = answer.size() - reader.remaining();
    } catch (const ProtocolError&) {
        badAnswer("FetchLogBatch");
    }
    // Only now that every record is here may the terminal mark them read.
    if (m_readMark && count > 0 &&
        !simpleCall("FetchLogBatch", Writer(wire::ConfirmLogBatch).finish()))
        badAnswer("FetchLogBatch");
    m_logFrame = std::move(answer);
    m_logCount = count;
    return true;
}

bool ChannelDeviceControl::TakeLogEntry(int32_t machineNumber, int32_t& terminalMachineNumber,
                                        int32_t& personnelNumber, int32_t& entryMachineNumber,
                                        int32_t& mode, int32_t& year, int32_t& month, int32_t& day,
                                        int32_t& hour, int32_t& minute, int32_t& second) {
    if (!m_linked || machineNumber != m_machineNumber || m_logCount == 0)
        return false;
    if (m_logNext >= m_logCount) {
        // The control keeps a set only until the take operation reports its end.
        m_logFrame = {};
        m_logCount = m_logNext = 0;
        return false;
    }
    const uint8_t* p = m_logFrame.data() + m_logOffset + m_logNext * wire::LogRecordSize;
    ++m_logNext;
    terminalMachineNumber = m_machineNumber;
    entryMachineNumber = m_machineNumber;
    personnelNumber = wire::readI32At(p);
    mode = wire::readI32At(p + 4);
    year = wire::readI32At(p + 8);
    month = wire::readI32At(p + 12);
    day = wire::readI32At(p + 16);
    hour = wire::readI32At(p + 20);
    minute = wire::readI32At(p + 24);
    second = wire::readI32At(p + 28);
    return true;
}

bool ChannelDeviceControl::QueryDeviceCounter(int32_t machineNumber, int32_t index,
                                              int32_t& value) {
    if (!m_linked)
        return false;
    Writer writer(static_cast<uint8_t>(dispid::QueryDeviceCounter));
    writer.i32(machineNumber);
    writer.i32(index);
    const std::vector<uint8_t> answer = call("QueryDeviceCounter", writer.finish());
    try {
        Reader reader = Reader::overFrame(answer);
        if (!readResult(reader, static_cast<uint8_t>(dispid::QueryDeviceCounter))) {
            reader.expectEnd();
            return false;
        }
        const int32_t received = reader.i32();
        reader.expectEnd();
        value = received;
        return true;
    } catch (const ProtocolError&) {
        badAnswer("QueryDeviceCounter");
    }
}

bool ChannelDeviceControl::FetchUserIndex(int32_t machineNumber) {
    if (!m_linked)
        return false;
    m_users = {};
    m_userNext = 0;
    Writer writer(static_cast<uint8_t>(dispid::FetchUserIndex));
    writer.i32(machineNumber);
    const std::vector<uint8_t> answer = call("FetchUserIndex", writer.finish());
    try {
        Reader reader = Reader::overFrame(answer);
        if (!readResult(reader, static_cast<uint8_t>(dispid::FetchUserIndex))) {
            reader.expectEnd();
            return false;
        }
        const uint32_t count = reader.u32();
        if (reader.remaining() / wire::UserEntrySize != count ||
            reader.remaining() % wire::UserEntrySize != 0)
            throw ProtocolError("entry count does not match");
        std::vector<IndexEntry> users(count);
        for (IndexEntry& entry : users) {
            entry.userNumber = reader.i32();
            entry.secondMachineNumber = reader.i32();
            entry.slot = reader.i32();
            entry.privilege = reader.i32();
            entry.enabled = reader.i32();
        }
        m_users = std::move(users);
        return true;
    } catch (const ProtocolError&) {
        badAnswer("FetchUserIndex");
    }
}

bool ChannelDeviceControl::TakeUserIndexEntry(int32_t machineNumber, int32_t& userNumber,
                                              int32_t& secondMachineNumber, int32_t& slot,
                                              int32_t& privilege, int32_t& enabled) {
    if (!m_linked || machineNumber != m_machineNumber)
        return false;
    if (m_userNext >= m_users.size()) {
        m_users = {};
        m_userNext = 0;
        return false;
    }
    const IndexEntry& entry = m_users[m_userNext++];
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
    Writer writer(static_cast<uint8_t>(dispid::DownloadEnrollment));
    writer.i32(machineNumber);
    writer.i32(userNumber);
    writer.i32(secondMachineNumber);
    writer.i32(slot);
    const std::vector<uint8_t> answer = call("DownloadEnrollment", writer.finish());
    try {
        Reader reader = Reader::overFrame(answer);
        if (!readResult(reader, static_cast<uint8_t>(dispid::DownloadEnrollment))) {
            reader.expectEnd();
            return false;
        }
        const int32_t receivedPrivilege = reader.i32();
        const int32_t receivedPassword = reader.i32();
        EnrollmentData received{};
        for (int32_t& v : received)
            v = reader.i32();
        reader.expectEnd();
        privilege = receivedPrivilege;
        password = receivedPassword;
        data = received;
        return true;
    } catch (const ProtocolError&) {
        badAnswer("DownloadEnrollment");
    }
}

bool ChannelDeviceControl::UploadEnrollment(int32_t machineNumber, int32_t userNumber,
                                            int32_t secondMachineNumber, int32_t slot,
                                            int32_t privilege, const EnrollmentData& data,
                                            int32_t password) {
    if (!m_linked)
        return false;
    Writer writer(static_cast<uint8_t>(dispid::UploadEnrollment), 24 + EnrollmentSize * 4);
    writer.i32(machineNumber);
    writer.i32(userNumber);
    writer.i32(secondMachineNumber);
    writer.i32(slot);
    writer.i32(privilege);
    writer.i32(password);
    for (int32_t v : data)
        writer.i32(v);
    return simpleCall("UploadEnrollment", writer.finish());
}

bool ChannelDeviceControl::ReadDeviceClock(int32_t machineNumber, int32_t& year, int32_t& month,
                                           int32_t& day, int32_t& hour, int32_t& minute,
                                           int32_t& second, int32_t& weekday) {
    if (!m_linked)
        return false;
    Writer writer(static_cast<uint8_t>(dispid::ReadDeviceClock));
    writer.i32(machineNumber);
    const std::vector<uint8_t> answer = call("ReadDeviceClock", writer.finish());
    try {
        Reader reader = Reader::overFrame(answer);
        if (!readResult(reader, static_cast<uint8_t>(dispid::ReadDeviceClock))) {
            reader.expectEnd();
            return false;
        }
        int32_t values[7];
        for (int32_t& v : values)
            v = reader.i32();
        reader.expectEnd();
        year = values[0];
        month = values[1];
        day = values[2];
        hour = values[3];
        minute = values[4];
        second = values[5];
        weekday = values[6];
        return true;
    } catch (const ProtocolError&) {
        badAnswer("ReadDeviceClock");
    }
}

bool ChannelDeviceControl::SyncDeviceClock(int32_t machineNumber) {
    if (!m_linked)
        return false;
    Writer writer(static_cast<uint8_t>(dispid::SyncDeviceClock));
    writer.i32(machineNumber);
    return simpleCall("SyncDeviceClock", writer.finish());
}

bool ChannelDeviceControl::ChangeUserRole(int32_t machineNumber, int32_t userNumber,
                                          int32_t secondMachineNumber, int32_t slot,
                                          int32_t privilege) {
    if (!m_linked)
        return false;
    Writer writer(static_cast<uint8_t>(dispid::ChangeUserRole));
    writer.i32(machineNumber);
    writer.i32(userNumber);
    writer.i32(secondMachineNumber);
    writer.i32(slot);
    writer.i32(privilege);
    return simpleCall("ChangeUserRole", writer.finish());
}

bool ChannelDeviceControl::PurgeLogs(int32_t machineNumber) {
    if (!m_linked)
        return false;
    Writer writer(static_cast<uint8_t>(dispid::PurgeLogs));
    writer.i32(machineNumber);
    return simpleCall("PurgeLogs", writer.finish());
}

} // namespace nakilon
