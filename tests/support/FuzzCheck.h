#pragma once
// What a fuzz target does when a property of its reader does not hold: stop, so that
// libFuzzer keeps the input that broke it.
#include <cstdlib>

namespace testsupport {

inline void Check(bool condition) {
  if (!condition)
    std::abort();
}

} // namespace testsupport
