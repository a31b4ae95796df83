// Both ends of the emulator's message format. The input is a series of
// chunks (two bytes of length, then the bytes): each chunk goes to a
// terminal's session as a request, and, over a channel that answers with the
// same chunks, to a device control as answers. Neither side may crash; a bad
// message ends the link with ProtocolError or nakilon::Error.
#include "core/base/Error.h"
#include "emulator/ChannelDeviceControl.h"
#include "emulator/Protocol.h"
#include "emulator/TerminalSession.h"
#include "emulator/VirtualTerminal.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace {

using namespace nakilon;

std::deque<std::vector<uint8_t>> chunks(const uint8_t* data, size_t size) {
    std::deque<std::vector<uint8_t>> result;
    while (size >= 2) {
        size_t length = data[0] | static_cast<size_t>(data[1]) << 8;
        data += 2;
        size -= 2;
        if (length > size)
            length = size;
        result.emplace_back(data, data + length);
        data += length;
        size -= length;
    }
    return result;
}

class ScriptedChannel : public TerminalChannel {
public:
    explicit ScriptedChannel(std::deque<std::vector<uint8_t>> answers)
        : m_answers(std::move(answers)) {}
    bool connect(const LinkTarget&) override { return !m_answers.empty(); }
    std::vector<uint8_t> exchange(const std::vector<uint8_t>&) override {
        if (m_answers.empty())
            throw ChannelError(ChannelError::Kind::Broken, "end");
        std::vector<uint8_t> payload = std::move(m_answers.front());
        m_answers.pop_front();
        // The channel hands on whole frames, as the socket reader does.
        std::vector<uint8_t> frame(4);
        const auto length = static_cast<uint32_t>(payload.size());
        for (int i = 0; i < 4; ++i)
            frame[i] = static_cast<uint8_t>(length >> (8 * i));
        frame.insert(frame.end(), payload.begin(), payload.end());
        return frame;
    }
    void post(const std::vector<uint8_t>&) override {}
    void disconnect() override {}

private:
    std::deque<std::vector<uint8_t>> m_answers;
};

void driveSession(const std::deque<std::vector<uint8_t>>& requests) {
    TerminalState state;
    state.logs = {{{1, 2, {{3, 4, 5}, 6, 7, 8}}, true}};
    state.users = {{1, 0, 3, 1, 0}};
    VirtualTerminal terminal(state, [] { return int64_t{0}; });
    // Faults answer or end the link in the middle of the exchange.
    terminal.addFault({"SetDeviceActive", 2, FaultKind::Fail});
    terminal.addFault({"PurgeLogs", 1, FaultKind::Drop});
    TerminalSession session(terminal);
    for (const std::vector<uint8_t>& request : requests) {
        try {
            session.handle(request.data(), request.size());
        } catch (const wire::ProtocolError&) {
            return;
        }
    }
}

// Each operation on its own: an error (a failed operation, a broken answer)
// ends only that call, and the next one finds the link as the error left it.
template <class Call> void attempt(Call&& call) {
    try {
        call();
    } catch (const Error&) {
    }
}

void driveControl(std::deque<std::vector<uint8_t>> answers) {
    ChannelDeviceControl control(std::make_unique<ScriptedChannel>(std::move(answers)));
    int32_t v[10];
    EnrollmentData data{};
    if (!control.OpenSerialLink(1, 0, 115200))
        return;
    control.SetReadMark(true);
    attempt([&] { control.FetchLogBatch(1); });
    while (control.TakeLogEntry(1, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9])) {
    }
    attempt([&] { control.QueryDeviceCounter(1, 6, v[0]); });
    attempt([&] { control.FetchUserIndex(1); });
    while (control.TakeUserIndexEntry(1, v[0], v[1], v[2], v[3], v[4]))
        attempt([&] { control.ChangeUserRole(1, v[0], v[1], v[2], 0); });
    attempt([&] { control.DownloadEnrollment(1, 1, 1, 0, v[0], data, v[1]); });
    attempt([&] { control.ReadDeviceClock(1, v[0], v[1], v[2], v[3], v[4], v[5], v[6]); });
    attempt([&] { control.PurgeLogs(1); });
    control.CloseLink();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto messages = chunks(data, size);
    driveSession(messages);
    driveControl(messages);
    return 0;
}
