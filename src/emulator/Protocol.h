#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The emulator's message format. A message is a frame: a 32-bit length of the
// rest, then a one-byte code (the operation's DISPID), then its fields. All
// numbers are little-endian; a text is a 16-bit length and its bytes.
//
// Request fields after the code:
//   OpenNetworkLink   m, ip text, port, password
//   OpenSerialLink    m, port, baud rate
//   CloseLink         none; no answer, the terminal closes the connection
//   SetDeviceActive   m, flag
//   FetchLogBatch     m, read mark (1 byte)
//   ConfirmLogBatch   none: the control holds every record of the last batch
//   QueryDeviceCounter m, index
//   FetchUserIndex    m
//   DownloadEnrollment m, user, second machine number, slot
//   UploadEnrollment  m, user, second machine number, slot, privilege,
//                     password, 354 numbers
//   ReadDeviceClock, SyncDeviceClock, PurgeLogs   m
//   ChangeUserRole    m, user, second machine number, slot, privilege
// An answer repeats the code, then a result byte (0 false, 1 true) and, only
// when the result is true, the out values:
//   FetchLogBatch     count (32-bit), then per record personnel, mode, year,
//                     month, day, hour, minute, second (32 bytes a record)
//   QueryDeviceCounter value
//   FetchUserIndex    count, then per entry user, second machine number,
//                     slot, privilege, enabled
//   DownloadEnrollment privilege, password, 354 numbers
//   ReadDeviceClock   year, month, day, hour, minute, second, weekday
namespace nakilon::wire {

constexpr uint8_t ConfirmLogBatch = 100;

// Longest legitimate request (an upload) is about 1.5 KB; answers carry whole
// record sets.
constexpr uint32_t MaxRequestSize = 64 * 1024;
constexpr uint32_t MaxResponseSize = 512u * 1024 * 1024;
constexpr size_t FrameHeaderSize = 4;
constexpr size_t LogRecordSize = 32;
constexpr size_t UserEntrySize = 20;
constexpr size_t MaxTextSize = 255;

// A message that does not follow the format. The side that meets it closes
// the connection.
class ProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

uint32_t frameLength(const uint8_t* header);

class Writer {
public:
    explicit Writer(uint8_t code, size_t reserve = 64);
    void u8(uint8_t value) { m_bytes.push_back(value); }
    void i32(int32_t value) { u32(static_cast<uint32_t>(value)); }
    void u32(uint32_t value);
    void text(std::string_view value); // cut to MaxTextSize
    // The frame with its length filled in.
    std::vector<uint8_t> finish();

private:
    std::vector<uint8_t> m_bytes;
};

// Reads the fields of one message; every read past the end raises
// ProtocolError.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    // Over a whole frame: checks the length and skips it.
    static Reader overFrame(const std::vector<uint8_t>& frame);

    uint8_t u8();
    int32_t i32() { return static_cast<int32_t>(u32()); }
    uint32_t u32();
    std::string text();
    // The next `size` bytes, unread.
    const uint8_t* take(size_t size);
    size_t remaining() const { return m_size - m_position; }
    void expectEnd() const;

private:
    void need(size_t size) const;
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
};

inline int32_t readI32At(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

} // namespace nakilon::wire
