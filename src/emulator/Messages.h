#pragma once

#include "core/device/DeviceControl.h"
#include "core/device/LogEntry.h"
#include "emulator/Protocol.h"
#include "emulator/TerminalState.h"

#include <cstdint>
#include <string>

// Every operation of the emulator's message format: its code, its request
// and its answer, each described once by the function that visits its fields
// in order (Protocol.h says how each kind of field travels). The device
// control encodes requests and decodes answers with these descriptions, the
// terminal the other way round; adding a field is one edit here.
namespace nakilon::wire {

// A message without fields: an answer that is only its result byte, or a
// request that is only its code.
struct NoFields {
    static constexpr void fields(auto&, auto&&) {}
};

struct MachineRequest {
    int32_t machineNumber = 0;
    static constexpr void fields(auto& m, auto&& field) { field(m.machineNumber); }
};

// One attendance record of a batch: 32 bytes.
struct RecordLayout {
    static constexpr void fields(auto& r, auto&& field) {
        field(r.personnelNumber);
        field(r.mode);
        field(r.time.year);
        field(r.time.month);
        field(r.time.day);
        field(r.time.hour);
        field(r.time.minute);
        field(r.time.second);
    }
};
using RecordSequence = Sequence<LogEntry, RecordLayout>;
static_assert(RecordSequence::EntrySize == 32, "a record travels in 32 bytes");

// One entry of the user list: 20 bytes.
struct UserIndexLayout {
    static constexpr void fields(auto& e, auto&& field) {
        field(e.userNumber);
        field(e.secondMachineNumber);
        field(e.slot);
        field(e.privilege);
        field(e.enabled);
    }
};
using UserIndexSequence = Sequence<UserIndexEntry, UserIndexLayout>;

template <int32_t Dispid> constexpr uint8_t codeOf() {
    static_assert(Dispid > 0 && Dispid < 256);
    return static_cast<uint8_t>(Dispid);
}

struct OpenNetworkLink {
    static constexpr uint8_t code = codeOf<dispid::OpenNetworkLink>();
    static constexpr const char* name = "OpenNetworkLink";
    struct Request {
        int32_t machineNumber = 0;
        std::string ipAddress;
        int32_t port = 0;
        int32_t password = 0;
        static constexpr void fields(auto& m, auto&& field) {
            field(m.machineNumber);
            field(m.ipAddress);
            field(m.port);
            field(m.password);
        }
    };
    using Answer = NoFields;
};

struct OpenSerialLink {
    static constexpr uint8_t code = codeOf<dispid::OpenSerialLink>();
    static constexpr const char* name = "OpenSerialLink";
    struct Request {
        int32_t machineNumber = 0;
        int32_t port = 0;
        int32_t baudRate = 0;
        static constexpr void fields(auto& m, auto&& field) {
            field(m.machineNumber);
            field(m.port);
            field(m.baudRate);
        }
    };
    using Answer = NoFields;
};

// No answer: the terminal ends the link and closes the connection.
struct CloseLink {
    static constexpr uint8_t code = codeOf<dispid::CloseLink>();
    static constexpr const char* name = "CloseLink";
    using Request = NoFields;
};

struct SetDeviceActive {
    static constexpr uint8_t code = codeOf<dispid::SetDeviceActive>();
    static constexpr const char* name = "SetDeviceActive";
    struct Request {
        int32_t machineNumber = 0;
        int32_t flag = 0;
        static constexpr void fields(auto& m, auto&& field) {
            field(m.machineNumber);
            field(m.flag);
        }
    };
    using Answer = NoFields;
};

// The whole record set that the read mark selects, in one answer.
struct FetchLogBatch {
    static constexpr uint8_t code = codeOf<dispid::FetchLogBatch>();
    static constexpr const char* name = "FetchLogBatch";
    struct Request {
        int32_t machineNumber = 0;
        bool readMark = false;
        static constexpr void fields(auto& m, auto&& field) {
            field(m.machineNumber);
            field(m.readMark);
        }
    };
    struct Answer {
        RecordSequence records;
        static constexpr void fields(auto& m, auto&& field) { field(m.records); }
    };
};

// The control holds every record of the last batch: only now may the terminal
// mark them transferred. Part of FetchLogBatch as the operator sees it.
struct ConfirmLogBatch {
    static constexpr uint8_t code = 100;
    static constexpr const char* name = "FetchLogBatch";
    using Request = NoFields;
    using Answer = NoFields;
};

struct QueryDeviceCounter {
    static constexpr uint8_t code = codeOf<dispid::QueryDeviceCounter>();
    static constexpr const char* name = "QueryDeviceCounter";
    struct Request {
        int32_t machineNumber = 0;
        int32_t index = 0;
        static constexpr void fields(auto& m, auto&& field) {
            field(m.machineNumber);
            field(m.index);
        }
    };
    struct Answer {
        int32_t value = 0;
        static constexpr void fields(auto& m, auto&& field) { field(m.value); }
    };
};

// The whole user list in one answer.
struct FetchUserIndex {
    static constexpr uint8_t code = codeOf<dispid::FetchUserIndex>();
    static constexpr const char* name = "FetchUserIndex";
    using Request = MachineRequest;
    struct Answer {
        UserIndexSequence entries;
        static constexpr void fields(auto& m, auto&& field) { field(m.entries); }
    };
};

struct DownloadEnrollment {
    static constexpr uint8_t code = codeOf<dispid::DownloadEnrollment>();
    static constexpr const char* name = "DownloadEnrollment";
    struct Request {
        int32_t machineNumber = 0;
        int32_t userNumber = 0;
        int32_t secondMachineNumber = 0;
        int32_t slot = 0;
        static constexpr void fields(auto& m, auto&& field) {
            field(m.machineNumber);
            field(m.userNumber);
            field(m.secondMachineNumber);
            field(m.slot);
        }
    };
    struct Answer {
        int32_t privilege = 0;
        int32_t password = 0;
        EnrollmentData data{};
        static constexpr void fields(auto& m, auto&& field) {
            field(m.privilege);
            field(m.password);
            field(m.data);
        }
    };
};

struct UploadEnrollment {
    static constexpr uint8_t code = codeOf<dispid::UploadEnrollment>();
    static constexpr const char* name = "UploadEnrollment";
    struct Request {
        int32_t machineNumber = 0;
        int32_t userNumber = 0;
        int32_t secondMachineNumber = 0;
        int32_t slot = 0;
        int32_t privilege = 0;
        int32_t password = 0;
        EnrollmentData data{};
        static constexpr void fields(auto& m, auto&& field) {
            field(m.machineNumber);
            field(m.userNumber);
            field(m.secondMachineNumber);
            field(m.slot);
            field(m.privilege);
            field(m.password);
            field(m.data);
        }
    };
    using Answer = NoFields;
};

struct ReadDeviceClock {
    static constexpr uint8_t code = codeOf<dispid::ReadDeviceClock>();
    static constexpr const char* name = "ReadDeviceClock";
    using Request = MachineRequest;
    struct Answer {
        int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, weekday = 0;
        static constexpr void fields(auto& m, auto&& field) {
            field(m.year);
            field(m.month);
            field(m.day);
            field(m.hour);
            field(m.minute);
            field(m.second);
            field(m.weekday);
        }
    };
};

struct SyncDeviceClock {
    static constexpr uint8_t code = codeOf<dispid::SyncDeviceClock>();
    static constexpr const char* name = "SyncDeviceClock";
    using Request = MachineRequest;
    using Answer = NoFields;
};

struct ChangeUserRole {
    static constexpr uint8_t code = codeOf<dispid::ChangeUserRole>();
    static constexpr const char* name = "ChangeUserRole";
    struct Request {
        int32_t machineNumber = 0;
        int32_t userNumber = 0;
        int32_t secondMachineNumber = 0;
        int32_t slot = 0;
        int32_t privilege = 0;
        static constexpr void fields(auto& m, auto&& field) {
            field(m.machineNumber);
            field(m.userNumber);
            field(m.secondMachineNumber);
            field(m.slot);
            field(m.privilege);
        }
    };
    using Answer = NoFields;
};

// One call that the control served itself (ReadMark set, a take), `count`
// times in a row with one argument: 12 bytes.
struct ControlCall {
    int32_t operation = 0; // its DISPID
    int32_t argument = 0;  // the value set, or the machine number of a take
    int32_t count = 0;
    static constexpr void fields(auto& m, auto&& field) {
        field(m.operation);
        field(m.argument);
        field(m.count);
    }
};

// The calls that the control served itself since its last message, sent
// before the next one so that the terminal's journal holds every call in
// order. No answer.
struct ControlCalls {
    static constexpr uint8_t code = 101;
    static constexpr const char* name = "ControlCalls";
    struct Request {
        Sequence<ControlCall> calls;
        static constexpr void fields(auto& m, auto&& field) { field(m.calls); }
    };
};

struct PurgeLogs {
    static constexpr uint8_t code = codeOf<dispid::PurgeLogs>();
    static constexpr const char* name = "PurgeLogs";
    using Request = MachineRequest;
    using Answer = NoFields;
};

} // namespace nakilon::wire
