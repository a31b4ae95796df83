#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// What the file functions share with their per-platform halves
// (FileIo_posix.cpp, FileIo_windows.cpp); not for use outside core/base.
namespace nakilon::detail {

// The test seam's answer for one file operation: an error number to fail it
// with, or nothing.
std::optional<int> injectedFailure(std::string_view operation);

std::string errnoText(int code);

// A name in the target's folder for the atomic write's temporary file, of the
// form "~<name>.<process>.<counter>.tmp".
std::filesystem::path temporaryNameFor(const std::filesystem::path& target);

// Per platform.
unsigned long currentProcessId();
std::FILE* openForReading(const std::filesystem::path& path);

} // namespace nakilon::detail
