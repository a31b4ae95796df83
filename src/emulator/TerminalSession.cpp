#include "emulator/TerminalSession.h"

#include "emulator/Protocol.h"

#include <cstring>

namespace nakilon {

using wire::ProtocolError;
using wire::Reader;
using wire::Writer;

namespace {

std::vector<uint8_t> answer(uint8_t code, bool result) {
    Writer writer(code, 2);
    writer.u8(result ? 1 : 0);
    return writer.finish();
}

void putRecord(uint8_t* out, const LogRecord& r) {
    const DateTime& t = r.time;
    const int32_t values[8] = {r.personnelNumber, r.mode,  t.year, t.month, t.day, t.hour,
                               t.minute,          t.second};
    for (int32_t v : values) {
        const auto u = static_cast<uint32_t>(v);
        out[0] = static_cast<uint8_t>(u);
        out[1] = static_cast<uint8_t>(u >> 8);
        out[2] = static_cast<uint8_t>(u >> 16);
        out[3] = static_cast<uint8_t>(u >> 24);
        out += 4;
    }
}

} // namespace

std::vector<uint8_t> TerminalSession::handle(const uint8_t* message, size_t size) {
    if (m_finished)
        throw ProtocolError("request after the link ended");
    Reader reader(message, size);
    const uint8_t code = reader.u8();
    if (!m_linked) {
        bool accepted = false;
        if (code == dispid::OpenNetworkLink) {
            const int32_t machine = reader.i32();
            const std::string ip = reader.text();
            const int32_t port = reader.i32();
            const int32_t password = reader.i32();
            reader.expectEnd();
            accepted = m_terminal.acceptNetworkLink(machine, ip, port, password);
        } else if (code == dispid::OpenSerialLink) {
            const int32_t machine = reader.i32();
            const int32_t port = reader.i32();
            const int32_t baud = reader.i32();
            reader.expectEnd();
            accepted = m_terminal.acceptSerialLink(machine, port, baud);
        } else {
            throw ProtocolError("operation before the link is open");
        }
        m_linked = accepted;
        m_finished = !accepted;
        return answer(code, accepted);
    }
    return handleLinked(code, reader);
}

std::vector<uint8_t> TerminalSession::handleLinked(uint8_t code, Reader& reader) {
    switch (code) {
    case dispid::CloseLink: {
        reader.expectEnd();
        m_terminal.linkClosed();
        m_finished = true;
        return {};
    }
    case dispid::SetDeviceActive: {
        const int32_t m = reader.i32();
        const int32_t flag = reader.i32();
        reader.expectEnd();
        return answer(code, m_terminal.setDeviceActive(m, flag));
    }
    case dispid::FetchLogBatch: {
        const int32_t m = reader.i32();
        const uint8_t readMark = reader.u8();
        reader.expectEnd();
        m_pendingBatch = m_terminal.fetchLogBatch(m, readMark != 0);
        if (!m_pendingBatch)
            return answer(code, false);
        const std::vector<LogRecord>& records = m_pendingBatch->records;
        if (records.size() > (wire::MaxResponseSize - 16) / wire::LogRecordSize)
            throw ProtocolError("record set too large for one answer");
        Writer writer(code, 8 + records.size() * wire::LogRecordSize);
        writer.u8(1);
        writer.u32(static_cast<uint32_t>(records.size()));
        std::vector<uint8_t> frame = writer.finish();
        const size_t start = frame.size();
        frame.resize(start + records.size() * wire::LogRecordSize);
        uint8_t* out = frame.data() + start;
        for (const LogRecord& record : records) {
            putRecord(out, record);
            out += wire::LogRecordSize;
        }
        const auto length = static_cast<uint32_t>(frame.size() - wire::FrameHeaderSize);
        for (size_t i = 0; i < 4; ++i)
            frame[i] = static_cast<uint8_t>(length >> (8 * i));
        // The records themselves are no longer needed; only their positions.
        m_pendingBatch->records = {};
        return frame;
    }
    case wire::ConfirmLogBatch: {
        reader.expectEnd();
        const bool pending = m_pendingBatch.has_value();
        if (pending)
            m_terminal.confirmDelivery(*m_pendingBatch);
        m_pendingBatch.reset();
        return answer(code, pending);
    }
    case dispid::QueryDeviceCounter: {
        const int32_t m = reader.i32();
        const int32_t index = reader.i32();
        reader.expectEnd();
        const std::optional<int32_t> value = m_terminal.queryDeviceCounter(m, index);
        if (!value)
            return answer(code, false);
        Writer writer(code);
        writer.u8(1);
        writer.i32(*value);
        return writer.finish();
    }
    case dispid::FetchUserIndex: {
        const int32_t m = reader.i32();
        reader.expectEnd();
        const auto entries = m_terminal.fetchUserIndex(m);
        if (!entries)
            return answer(code, false);
        Writer writer(code, 8 + entries->size() * wire::UserEntrySize);
        writer.u8(1);
        writer.u32(static_cast<uint32_t>(entries->size()));
        for (const auto& e : *entries) {
            writer.i32(e.userNumber);
            writer.i32(e.secondMachineNumber);
            writer.i32(e.slot);
            writer.i32(e.privilege);
            writer.i32(e.enabled);
        }
        return writer.finish();
    }
    case dispid::DownloadEnrollment: {
        const int32_t m = reader.i32();
        const int32_t user = reader.i32();
        const int32_t second = reader.i32();
        const int32_t slot = reader.i32();
        reader.expectEnd();
        const auto enrollment = m_terminal.downloadEnrollment(m, user, second, slot);
        if (!enrollment)
            return answer(code, false);
        Writer writer(code, 12 + EnrollmentSize * 4);
        writer.u8(1);
        writer.i32(enrollment->privilege);
        writer.i32(enrollment->password);
        for (int32_t v : enrollment->data)
            writer.i32(v);
        return writer.finish();
    }
    case dispid::UploadEnrollment: {
        const int32_t m = reader.i32();
        const int32_t user = reader.i32();
        const int32_t second = reader.i32();
        const int32_t slot = reader.i32();
        const int32_t privilege = reader.i32();
        const int32_t password = reader.i32();
        EnrollmentData data{};
        for (int32_t& v : data)
            v = reader.i32();
        reader.expectEnd();
        return answer(
            code, m_terminal.uploadEnrollment(m, user, second, slot, privilege, data, password));
    }
    case dispid::ReadDeviceClock: {
        const int32_t m = reader.i32();
        reader.expectEnd();
        const std::optional<ClockReading> clock = m_terminal.readDeviceClock(m);
        if (!clock)
            return answer(code, false);
        Writer writer(code);
        writer.u8(1);
        for (int32_t v : {clock->year, clock->month, clock->day, clock->hour, clock->minute,
                          clock->second, clock->weekday})
            writer.i32(v);
        return writer.finish();
    }
    case dispid::SyncDeviceClock: {
        const int32_t m = reader.i32();
        reader.expectEnd();
        return answer(code, m_terminal.syncDeviceClock(m));
    }
    case dispid::ChangeUserRole: {
        const int32_t m = reader.i32();
        const int32_t user = reader.i32();
        const int32_t second = reader.i32();
        const int32_t slot = reader.i32();
        const int32_t privilege = reader.i32();
        reader.expectEnd();
        return answer(code, m_terminal.changeUserRole(m, user, second, slot, privilege));
    }
    case dispid::PurgeLogs: {
        const int32_t m = reader.i32();
        reader.expectEnd();
        return answer(code, m_terminal.purgeLogs(m));
    }
    default:
        throw ProtocolError("unknown operation code");
    }
}

} // namespace nakilon
