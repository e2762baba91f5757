// Procedure tracing: a scope object that pushes the procedure's trace text
// on entry and pops it on every normal way out.
//
//   void modMain::g_IfCode() {
//     diagnostics::Trace trace("modMain::g_IfCode(Sub)");
//     ...   // a failure here passes to the caller and leaves the entry on the stack
//   }       // the pop
//
// Push and pop each happen only when g_ErrorHandler exists at that moment,
// so a procedure that creates or releases it in between pushes or pops
// only while it exists. A failure that leaves the procedure skips the pop
// (as does a trap's answer to leave at once):
// the entry stays on the call stack, and the report of the trap that
// catches the failure names it. A push or pop that fails (the trace log
// cannot be written, 17404) is a failure of that statement: handled by
// the given handling (handling.h) like any other statement.
#pragma once

#include <source_location>
#include <string>

#include "diagnostics/handling.h"

namespace kestrin::diagnostics {

class Trace {
 public:
  // Pushes `text` now.
  explicit Trace(std::string text, Handling& handling = noHandling(),
                 std::source_location where = std::source_location::current());
  // Pushes nothing yet: for a procedure whose push comes later (enter).
  explicit Trace(Handling& handling);
  ~Trace() noexcept(false);

  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;

  // The push: the trace text with an empty data text.
  void enter(std::string text, std::source_location where = std::source_location::current());
  // The pop, here rather than at the end of the scope; once. At the end of
  // the scope a failing pop is reported with line 0.
  void exit(std::source_location where = std::source_location::current());
  // Leaves the procedure without its pop (an Abort that leaves without it).
  void skipExit() { done_ = true; }

 private:
  Handling& handling_;
  int uncaught_;
  bool done_ = false;
};

}  // namespace kestrin::diagnostics
