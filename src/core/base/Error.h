#pragma once

#include <stdexcept>
#include <string>

namespace nakilon {

// The one error type of the program. It carries the exact text (UTF-8) that the
// operator sees in the error box; commands raise it and the window's command
// wrapper shows it.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& text) : std::runtime_error(text) {}
    std::string text() const { return what(); }
};

// A file operation that failed; `reason()` is the operating system's own text
// for the failure. Callers wrap it into the text that the operator sees.
class IoError : public Error {
public:
    explicit IoError(const std::string& reason) : Error(reason) {}
    std::string reason() const { return what(); }
};

} // namespace nakilon
