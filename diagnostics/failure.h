// The current failure of the thread: what a trap or a skipped statement
// caught last. The diagnostics object's HandleError reports it.
#pragma once

#include <cstdint>
#include <string>

namespace kestrin::diagnostics {

struct Failure {
  int32_t number = 0;
  std::string source;
  std::string description;
  int32_t line = 0;  // 0 when the failure carries no line
};

// This thread's current failure; number 0 when there is none.
Failure& currentFailure();
void clearFailure();

// The failure of the exception being handled; only inside a catch block.
// A RuntimeError gives its own fields; an index out of a container's range
// is error 9 "Subscript out of range", running out of memory error 7 "Out
// of memory", any other exception error 51 "Internal error". The line is
// the given one.
Failure failureOfCurrentException(int32_t line);

}  // namespace kestrin::diagnostics
