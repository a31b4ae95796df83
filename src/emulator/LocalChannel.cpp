#include "emulator/LocalChannel.h"

#include "emulator/Protocol.h"

namespace nakilon {

bool LocalChannel::connect(const LinkTarget& target) {
    m_session.reset();
    VirtualTerminal* terminal = m_resolver ? m_resolver(target) : nullptr;
    if (!terminal)
        return false;
    m_session = std::make_unique<TerminalSession>(*terminal);
    return true;
}

std::vector<uint8_t> LocalChannel::exchange(const std::vector<uint8_t>& request) {
    if (!m_session)
        throw ChannelError(ChannelError::Kind::Broken, "no connection");
    try {
        std::vector<uint8_t> answer = m_session->handle(request.data() + wire::FrameHeaderSize,
                                                        request.size() - wire::FrameHeaderSize);
        if (answer.empty()) {
            // The terminal went off the line instead of answering.
            m_session.reset();
            throw ChannelError(ChannelError::Kind::Broken, "no answer");
        }
        return answer;
    } catch (const wire::ProtocolError& error) {
        // The terminal closes a connection that breaks the format.
        m_session.reset();
        throw ChannelError(ChannelError::Kind::Broken, error.what());
    }
}

void LocalChannel::post(const std::vector<uint8_t>& request) {
    if (!m_session)
        return;
    try {
        m_session->handle(request.data() + wire::FrameHeaderSize,
                          request.size() - wire::FrameHeaderSize);
        if (m_session->finished())
            m_session.reset();
    } catch (const wire::ProtocolError&) {
        m_session.reset();
    }
}

} // namespace nakilon
