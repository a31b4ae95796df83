#pragma once

#include "emulator/TerminalState.h"

#include <string>
#include <string_view>

namespace nakilon {

// The state file of a virtual terminal: plain ASCII, one item per line,
// fields separated by one space, "#" starts a comment line, blank lines are
// ignored:
//
//   terminal <machine-number> <password>
//   clock-offset <seconds>
//   clock-weekday <weekday>          (optional: the weekday ReadDeviceClock reports)
//   clock-read-fails <0|1>           (optional: ReadDeviceClock answers false)
//   active <0|1>
//   log <personnel> <mode> <year> <month> <day> <hour> <minute> <second> <new|read>
//   user <user-number> <slot> <privilege> <enabled> <password> [<second-machine-number>]
//   download-fails <user-number> <slot>
//   enroll <user-number> <slot> <v0> <v1> ... <v353>
//
// A user has one password: every user line of a user number gives the same.
// download-fails and enroll lines name an entry of an earlier user line.
// Every number is a signed 32-bit decimal. Lines missing from a file keep the
// defaults of TerminalState; the optional lines and fields are written only
// when they hold something.

// Throws nakilon::Error naming the line number and the reason.
TerminalState parseStateText(std::string_view text);
std::string formatStateText(const TerminalState& state);

// Whole-file forms; writing is atomic, so a reader never sees half a state.
TerminalState readStateFile(const std::string& utf8Name);
void writeStateFile(const std::string& utf8Name, const TerminalState& state);

} // namespace nakilon
