#pragma once

#include <string>

namespace nakilon {

// Values that live as long as the program: set at start-up and by the
// settings commands, read by the transfer run.
struct ProgramValues {
    std::string programFolder;  // UTF-8, ends in a path separator
    std::string outputFileName; // UTF-8 full name of the transfer output file
    std::string entryText;      // code page 1254 bytes, at most 7
    std::string exitText;       // code page 1254 bytes, at most 7
    std::string backupFileName; // UTF-8, set by each transfer run
};

} // namespace nakilon
