// The runtime error a call raises (or its number), for tests that name the
// exact error instead of taking any.
#pragma once

#include <gtest/gtest.h>

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

// Runs f and returns the runtime error it raised; fails the test when it
// raised none.
template <class F>
platform::RuntimeError raisedError(F&& f) {
  try {
    f();
  } catch (const platform::RuntimeError& e) {
    return e;
  }
  ADD_FAILURE() << "no error raised";
  return platform::RuntimeError(0, "", "");
}

}  // namespace kestrin_test
