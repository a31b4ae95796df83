#include "emulator/TerminalSession.h"

#include "emulator/Messages.h"

namespace nakilon {

using wire::ProtocolError;
using wire::Reader;

namespace {

// Decodes the request of `Op`, lets `work` answer it (nullopt for false) and
// encodes that answer.
template <class Op, class Work> std::vector<uint8_t> serve(Reader& reader, Work&& work) {
    const typename Op::Request request = wire::decodeRequest<Op>(reader);
    return wire::encodeAnswer<Op>(work(request));
}

std::optional<wire::NoFields> resultOf(bool result) {
    return result ? std::optional<wire::NoFields>(wire::NoFields{}) : std::nullopt;
}

} // namespace

std::vector<uint8_t> TerminalSession::handle(const uint8_t* message, size_t size) {
    if (m_finished)
        throw ProtocolError("request after the link ended");
    Reader reader(message, size);
    const uint8_t code = reader.u8();
    try {
        return m_linked ? handleLinked(code, reader) : handleOpen(code, reader);
    } catch (const InjectedFault& fault) {
        // The operation was not carried out: say so, or go off the line.
        if (fault.kind() != FaultKind::Drop) {
            if (!m_linked)
                m_finished = true;
            return fault.kind() == FaultKind::Fail ? wire::encodeFailure(code)
                                                   : wire::encodeRefusal(code);
        }
        m_finished = true;
        return {};
    }
}

std::vector<uint8_t> TerminalSession::handleOpen(uint8_t code, Reader& reader) {
    bool accepted = false;
    std::vector<uint8_t> answer;
    if (code == wire::OpenNetworkLink::code) {
        answer = serve<wire::OpenNetworkLink>(reader, [&](const auto& r) {
            accepted =
                m_terminal.acceptNetworkLink(r.machineNumber, r.ipAddress, r.port, r.password);
            return resultOf(accepted);
        });
    } else if (code == wire::OpenSerialLink::code) {
        answer = serve<wire::OpenSerialLink>(reader, [&](const auto& r) {
            accepted = m_terminal.acceptSerialLink(r.machineNumber, r.port, r.baudRate);
            return resultOf(accepted);
        });
    } else {
        throw ProtocolError("operation before the link is open");
    }
    m_linked = accepted;
    m_finished = !accepted;
    return answer;
}

std::vector<uint8_t> TerminalSession::handleLinked(uint8_t code, Reader& reader) {
    VirtualTerminal& t = m_terminal;
    switch (code) {
    case wire::CloseLink::code:
        wire::decodeRequest<wire::CloseLink>(reader);
        t.linkClosed();
        m_finished = true;
        return {};
    case wire::ControlCalls::code: {
        const auto request = wire::decodeRequest<wire::ControlCalls>(reader);
        for (size_t i = 0; i < request.calls.size(); ++i) {
            const wire::ControlCall call = request.calls[i];
            if (call.count < 1 || !t.controlCalls(call.operation, call.argument, call.count))
                throw ProtocolError("not a call that the control serves");
        }
        return {};
    }
    case wire::SetDeviceActive::code:
        return serve<wire::SetDeviceActive>(reader, [&](const auto& r) {
            return resultOf(t.setDeviceActive(r.machineNumber, r.flag));
        });
    case wire::FetchLogBatch::code: {
        std::vector<uint8_t> frame = serve<wire::FetchLogBatch>(reader, [&](const auto& r) {
            std::optional<wire::FetchLogBatch::Answer> answer;
            m_pendingBatch = t.fetchLogBatch(r.machineNumber, r.readMark);
            if (m_pendingBatch) {
                if (m_pendingBatch->records.size() >
                    (wire::MaxResponseSize - 16) / wire::RecordSequence::EntrySize)
                    throw ProtocolError("record set too large for one answer");
                answer.emplace().records = wire::RecordSequence(m_pendingBatch->records);
            }
            return answer;
        });
        // The records themselves are no longer needed; only their positions.
        if (m_pendingBatch)
            m_pendingBatch->records = {};
        return frame;
    }
    case wire::ConfirmLogBatch::code:
        return serve<wire::ConfirmLogBatch>(reader, [&](const auto&) {
            const bool pending = m_pendingBatch.has_value();
            if (pending)
                t.confirmDelivery(*m_pendingBatch);
            m_pendingBatch.reset();
            return resultOf(pending);
        });
    case wire::QueryDeviceCounter::code:
        return serve<wire::QueryDeviceCounter>(reader, [&](const auto& r) {
            std::optional<wire::QueryDeviceCounter::Answer> answer;
            if (const std::optional<int32_t> value = t.queryDeviceCounter(r.machineNumber, r.index))
                answer.emplace().value = *value;
            return answer;
        });
    case wire::FetchUserIndex::code: {
        std::optional<std::vector<UserIndexEntry>> entries;
        return serve<wire::FetchUserIndex>(reader, [&](const auto& r) {
            std::optional<wire::FetchUserIndex::Answer> answer;
            entries = t.fetchUserIndex(r.machineNumber);
            if (entries)
                answer.emplace().entries = wire::UserIndexSequence(*entries);
            return answer;
        });
    }
    case wire::DownloadEnrollment::code:
        return serve<wire::DownloadEnrollment>(reader, [&](const auto& r) {
            std::optional<wire::DownloadEnrollment::Answer> answer;
            if (const auto enrollment = t.downloadEnrollment(r.machineNumber, r.userNumber,
                                                             r.secondMachineNumber, r.slot))
                answer = {enrollment->privilege, enrollment->password, enrollment->data};
            return answer;
        });
    case wire::UploadEnrollment::code:
        return serve<wire::UploadEnrollment>(reader, [&](const auto& r) {
            return resultOf(t.uploadEnrollment(r.machineNumber, r.userNumber, r.secondMachineNumber,
                                               r.slot, r.privilege, r.data, r.password));
        });
    case wire::ReadDeviceClock::code:
        return serve<wire::ReadDeviceClock>(reader, [&](const auto& r) {
            std::optional<wire::ReadDeviceClock::Answer> answer;
            if (const std::optional<ClockReading> c = t.readDeviceClock(r.machineNumber))
                answer = {c->year, c->month, c->day, c->hour, c->minute, c->second, c->weekday};
            return answer;
        });
    case wire::SyncDeviceClock::code:
        return serve<wire::SyncDeviceClock>(
            reader, [&](const auto& r) { return resultOf(t.syncDeviceClock(r.machineNumber)); });
    case wire::ChangeUserRole::code:
        return serve<wire::ChangeUserRole>(reader, [&](const auto& r) {
            return resultOf(t.changeUserRole(r.machineNumber, r.userNumber, r.secondMachineNumber,
                                             r.slot, r.privilege));
        });
    case wire::PurgeLogs::code:
        return serve<wire::PurgeLogs>(
            reader, [&](const auto& r) { return resultOf(t.purgeLogs(r.machineNumber)); });
    default:
        throw ProtocolError("unknown operation code");
    }
}

} // namespace nakilon
