#pragma once

#include "core/device/DeviceControl.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// The emulator's message format. A message is a frame: a 32-bit length of the
// rest, then a one-byte code (the operation's DISPID), then its fields. An
// answer repeats the code, then a result byte (0 false, 1 true, 2 the terminal
// failed the operation) and, only when the result is true, the answer's
// fields.
//
// Fields, in the order that a message's description visits them:
//   int32_t          4 bytes, little-endian
//   bool             1 byte, 1 true, 0 false (any other value reads as true)
//   std::string      16-bit little-endian length, then the bytes (at most 255)
//   EnrollmentData   354 numbers of 4 bytes
//   Sequence<E, L>   32-bit count, then each entry's fields as L describes them;
//                    entries have one fixed size
//
// Each operation's request and answer are described once, in Messages.h, by a
// function that visits their fields in order; encoding and decoding both go
// through it, so the two ends cannot disagree.
namespace nakilon::wire {

// Longest legitimate request (an upload) is about 1.5 KB; answers carry whole
// record sets.
constexpr uint32_t MaxRequestSize = 64 * 1024;
constexpr uint32_t MaxResponseSize = 512u * 1024 * 1024;
constexpr size_t FrameHeaderSize = 4;
constexpr size_t MaxTextSize = 255;

// A message that does not follow the format. The side that meets it closes
// the connection.
class ProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The terminal answered that it failed the operation; the link stays.
class OperationFailed : public std::runtime_error {
public:
    OperationFailed() : std::runtime_error("the terminal failed the operation") {}
};

constexpr uint8_t ResultFalse = 0;
constexpr uint8_t ResultTrue = 1;
constexpr uint8_t ResultFailed = 2;

inline int32_t readI32At(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

inline void writeI32At(uint8_t* p, int32_t value) {
    const auto u = static_cast<uint32_t>(value);
    p[0] = static_cast<uint8_t>(u);
    p[1] = static_cast<uint8_t>(u >> 8);
    p[2] = static_cast<uint8_t>(u >> 16);
    p[3] = static_cast<uint8_t>(u >> 24);
}

inline uint32_t frameLength(const uint8_t* header) {
    return static_cast<uint32_t>(readI32At(header));
}

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

// A run of entries of one fixed size, whose fields Layout::fields visits (by
// default the entry's own static `fields`). The sending side gives the entries;
// the receiving side reads them where they arrived, one at a time, so a
// million records cost no second copy. A received sequence points into its
// answer frame and is valid while that frame lives (a moved frame keeps its
// bytes).
template <class Entry, class Layout = Entry> class Sequence {
public:
    Sequence() = default;
    explicit Sequence(std::span<const Entry> entries) : m_entries(entries) {}

    size_t size() const { return m_encoded ? m_count : m_entries.size(); }
    Entry operator[](size_t index) const;

    // Bytes of one entry on the wire.
    static constexpr size_t EntrySize = [] {
        size_t size = 0;
        Entry entry{};
        Layout::fields(entry, [&](const auto& field) {
            static_assert(std::is_same_v<std::decay_t<decltype(field)>, int32_t>,
                          "entries of a sequence hold 32-bit numbers only");
            size += 4;
        });
        return size;
    }();

private:
    template <class> friend struct FieldCodec;
    std::span<const Entry> m_entries;
    const uint8_t* m_encoded = nullptr;
    size_t m_count = 0;
};

// How each kind of field is sized, written and read.
template <class T> struct FieldCodec;

template <> struct FieldCodec<int32_t> {
    static size_t size(int32_t) { return 4; }
    static void write(uint8_t*& out, int32_t value) {
        writeI32At(out, value);
        out += 4;
    }
    static void read(Reader& in, int32_t& value) { value = in.i32(); }
};

template <> struct FieldCodec<bool> {
    static size_t size(bool) { return 1; }
    static void write(uint8_t*& out, bool value) { *out++ = value ? 1 : 0; }
    static void read(Reader& in, bool& value) { value = in.u8() != 0; }
};

template <> struct FieldCodec<std::string> {
    static size_t size(const std::string& value) { return 2 + std::min(value.size(), MaxTextSize); }
    // Cut to MaxTextSize.
    static void write(uint8_t*& out, const std::string& value) {
        const size_t size = std::min(value.size(), MaxTextSize);
        *out++ = static_cast<uint8_t>(size);
        *out++ = static_cast<uint8_t>(size >> 8);
        std::memcpy(out, value.data(), size);
        out += size;
    }
    static void read(Reader& in, std::string& value) { value = in.text(); }
};

template <> struct FieldCodec<EnrollmentData> {
    static size_t size(const EnrollmentData&) { return EnrollmentSize * 4; }
    static void write(uint8_t*& out, const EnrollmentData& data) {
        for (int32_t value : data)
            FieldCodec<int32_t>::write(out, value);
    }
    static void read(Reader& in, EnrollmentData& data) {
        const uint8_t* bytes = in.take(EnrollmentSize * 4);
        for (size_t i = 0; i < EnrollmentSize; ++i)
            data[i] = readI32At(bytes + 4 * i);
    }
};

template <class Entry, class Layout> struct FieldCodec<Sequence<Entry, Layout>> {
    using Run = Sequence<Entry, Layout>;
    static size_t size(const Run& run) { return 4 + run.size() * Run::EntrySize; }
    static void write(uint8_t*& out, const Run& run) {
        FieldCodec<int32_t>::write(out, static_cast<int32_t>(run.size()));
        for (const Entry& entry : run.m_entries)
            Layout::fields(entry, [&](int32_t value) { FieldCodec<int32_t>::write(out, value); });
    }
    static void read(Reader& in, Run& run) {
        const uint32_t count = in.u32();
        if (count > in.remaining() / Run::EntrySize)
            throw ProtocolError("entry count does not match");
        run.m_count = count;
        run.m_encoded = in.take(count * Run::EntrySize);
    }
};

template <class Entry, class Layout> Entry Sequence<Entry, Layout>::operator[](size_t index) const {
    if (!m_encoded)
        return m_entries[index];
    // The bytes were checked when the sequence was read.
    Entry entry{};
    const uint8_t* in = m_encoded + index * EntrySize;
    Layout::fields(entry, [&](int32_t& value) {
        value = readI32At(in);
        in += 4;
    });
    return entry;
}

// The fields of a message, visited in their order.
template <class Message> size_t fieldsSize(const Message& message) {
    size_t size = 0;
    Message::fields(message, [&](const auto& field) {
        size += FieldCodec<std::decay_t<decltype(field)>>::size(field);
    });
    return size;
}

template <class Message> void writeFields(uint8_t*& out, const Message& message) {
    Message::fields(message, [&](const auto& field) {
        FieldCodec<std::decay_t<decltype(field)>>::write(out, field);
    });
}

template <class Message> void readFields(Reader& in, Message& message) {
    Message::fields(
        message, [&](auto& field) { FieldCodec<std::decay_t<decltype(field)>>::read(in, field); });
}

// A frame of `bodySize` bytes after its length, with the length filled in.
inline std::vector<uint8_t> newFrame(size_t bodySize) {
    std::vector<uint8_t> frame(FrameHeaderSize + bodySize);
    writeI32At(frame.data(), static_cast<int32_t>(bodySize));
    return frame;
}

// Operation `Op` describes one exchange: its `code`, its `name` (for error
// texts), its `Request` and its `Answer` (see Messages.h).
template <class Op> std::vector<uint8_t> encodeRequest(const typename Op::Request& request) {
    std::vector<uint8_t> frame = newFrame(1 + fieldsSize(request));
    uint8_t* out = frame.data() + FrameHeaderSize;
    *out++ = Op::code;
    writeFields(out, request);
    return frame;
}

// The request's fields, after its code; the message must end with them.
template <class Op> typename Op::Request decodeRequest(Reader& in) {
    typename Op::Request request{};
    readFields(in, request);
    in.expectEnd();
    return request;
}

// An answer: true with the answer's fields, or false without any.
template <class Op>
std::vector<uint8_t> encodeAnswer(const std::optional<typename Op::Answer>& answer) {
    std::vector<uint8_t> frame = newFrame(2 + (answer ? fieldsSize(*answer) : 0));
    uint8_t* out = frame.data() + FrameHeaderSize;
    *out++ = Op::code;
    *out++ = answer ? ResultTrue : ResultFalse;
    if (answer)
        writeFields(out, *answer);
    return frame;
}

// The answer of a terminal that refused the operation (for any code): false,
// as encodeAnswer gives it.
inline std::vector<uint8_t> encodeRefusal(uint8_t code) {
    std::vector<uint8_t> frame = newFrame(2);
    frame[FrameHeaderSize] = code;
    frame[FrameHeaderSize + 1] = ResultFalse;
    return frame;
}

// The answer of a terminal that failed the operation (for any code).
inline std::vector<uint8_t> encodeFailure(uint8_t code) {
    std::vector<uint8_t> frame = newFrame(2);
    frame[FrameHeaderSize] = code;
    frame[FrameHeaderSize + 1] = ResultFailed;
    return frame;
}

// Reads a whole answer frame to a request of `Op`: nullopt for false. Raises
// OperationFailed when the terminal failed it, and ProtocolError on anything
// else than the answer the request asked for.
template <class Op>
std::optional<typename Op::Answer> decodeAnswer(const std::vector<uint8_t>& frame) {
    Reader in = Reader::overFrame(frame);
    if (in.u8() != Op::code)
        throw ProtocolError("answer to another operation");
    const uint8_t result = in.u8();
    if (result == ResultFailed) {
        in.expectEnd();
        throw OperationFailed();
    }
    if (result > ResultTrue)
        throw ProtocolError("result is not a boolean");
    std::optional<typename Op::Answer> answer;
    if (result == ResultTrue) {
        answer.emplace();
        readFields(in, *answer);
    }
    in.expectEnd();
    return answer;
}

} // namespace nakilon::wire
