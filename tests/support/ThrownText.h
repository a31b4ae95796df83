#pragma once

#include "core/base/Error.h"

#include <string>
#include <utility>

namespace nakilon::testsupport {

// The text of the error of type E (the program's Error unless told) that
// `action` throws, or "" when it throws none. Any other exception goes on
// and fails the test.
template <class E = Error, class F> std::string thrownText(F&& action) {
    try {
        std::forward<F>(action)();
    } catch (const E& error) {
        return error.what();
    }
    return "";
}

} // namespace nakilon::testsupport
