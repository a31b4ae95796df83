#pragma once

#include <string>

namespace nakilon {

// Windows only: the system's own text for an error or HRESULT code, in UTF-8
// and without the trailing line break; empty when the system has none.
std::string systemMessageText(unsigned long code);

} // namespace nakilon
