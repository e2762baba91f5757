// The number of the runtime error a call raises, for tests that name the
// exact error instead of taking any.
#pragma once

#include <cstdint>

#include "platform/runtime/errors.h"

namespace kestrin_test {

// Runs f and returns the number of the runtime error it raised (0 for none).
template <class F>
int32_t raisedNumber(F&& f) {
  try {
    f();
  } catch (const platform::RuntimeError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace kestrin_test
