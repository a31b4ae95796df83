#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace nakilon {

// A fault that a virtual terminal is told to show at the N-th call (counted
// from 1 since it started, over every link) of one operation: it fails the
// call (the control raises the error that the terminal reports, and the link
// stays open), it refuses it (answers false, as the terminal maker's
// component reports a refusal; the link stays open), or it drops the
// connection without an answer. Either way the operation is not carried out.
enum class FaultKind { Fail, Refuse, Drop };

struct TerminalFault {
    std::string operation;
    int64_t callNumber = 1;
    FaultKind kind = FaultKind::Fail;
};

// The operations that reach the terminal as requests, and so can fail: every
// one but CloseLink and the calls that the control serves itself (ReadMark,
// the take operations).
bool isFaultableOperation(std::string_view operation);

// Raised by the terminal's operation that a fault hits.
class InjectedFault : public std::exception {
public:
    explicit InjectedFault(FaultKind kind) : m_kind(kind) {}
    FaultKind kind() const { return m_kind; }
    const char* what() const noexcept override { return "injected fault"; }

private:
    FaultKind m_kind;
};

} // namespace nakilon
