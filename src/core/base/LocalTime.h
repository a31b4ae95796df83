#pragma once

#include "core/base/DateTime.h"

#include <functional>

namespace nakilon {

// The computer's local date and time now.
DateTime localNow();

// Where a command takes the computer's date and time from; tests fix it.
using LocalClock = std::function<DateTime()>;

} // namespace nakilon
