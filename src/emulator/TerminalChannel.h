#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace nakilon {

// Where a link goes: a network address, or a serial port (0 for USB).
struct LinkTarget {
    bool serial = false;
    std::string ipAddress;
    int32_t port = 0;
};

// A channel that a failed exchange leaves unusable.
class ChannelError : public std::runtime_error {
public:
    enum class Kind { Broken, Timeout };
    ChannelError(Kind kind, const std::string& what) : std::runtime_error(what), m_kind(kind) {}
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

// Carries framed messages between a device control and one terminal.
class TerminalChannel {
public:
    virtual ~TerminalChannel() = default;
    // False when no terminal can be reached at the target.
    virtual bool connect(const LinkTarget& target) = 0;
    // Sends a request frame and returns the answer frame. Raises ChannelError.
    virtual std::vector<uint8_t> exchange(const std::vector<uint8_t>& request) = 0;
    // Sends a frame that has no answer; a failure is ignored.
    virtual void post(const std::vector<uint8_t>& request) = 0;
    virtual void disconnect() = 0;
};

} // namespace nakilon
