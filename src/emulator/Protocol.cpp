#include "emulator/Protocol.h"

namespace nakilon::wire {

Reader Reader::overFrame(const std::vector<uint8_t>& frame) {
    if (frame.size() < FrameHeaderSize || frameLength(frame.data()) != frame.size() - 4)
        throw ProtocolError("frame length does not match");
    return Reader(frame.data() + FrameHeaderSize, frame.size() - FrameHeaderSize);
}

void Reader::need(size_t size) const {
    if (size > m_size - m_position)
        throw ProtocolError("message ends early");
}

uint8_t Reader::u8() {
    need(1);
    return m_data[m_position++];
}

uint32_t Reader::u32() {
    need(4);
    const auto value = static_cast<uint32_t>(readI32At(m_data + m_position));
    m_position += 4;
    return value;
}

std::string Reader::text() {
    need(2);
    const size_t size = m_data[m_position] | static_cast<size_t>(m_data[m_position + 1]) << 8;
    m_position += 2;
    if (size > MaxTextSize)
        throw ProtocolError("text too long");
    const uint8_t* bytes = take(size);
    return std::string(reinterpret_cast<const char*>(bytes), size);
}

const uint8_t* Reader::take(size_t size) {
    need(size);
    const uint8_t* bytes = m_data + m_position;
    m_position += size;
    return bytes;
}

void Reader::expectEnd() const {
    if (m_position != m_size)
        throw ProtocolError("message has extra bytes");
}

} // namespace nakilon::wire
