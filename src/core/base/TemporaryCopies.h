#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nakilon {

// The temporary copies of the atomic write are named
// "~<name>.<process>.<counter>.tmp". A crash leaves them behind.
struct TemporaryName {
    std::string name;          // the file it was to replace (file name only)
    unsigned long process = 0; // the process that made it
};
std::optional<TemporaryName> parseTemporaryName(std::string_view fileName);
bool processIsRunning(unsigned long process);
// Removes the temporary copies in `folder` whose process has ended; returns
// how many. Meant for the program's own folders only: a copy beside a file
// that other program folders share is never another run's to remove. A copy
// that cannot be removed stays.
int removeLeftoverCopies(std::string_view utf8Folder);

} // namespace nakilon
