// The three ways a procedure handles a failing statement.
//
// No handling: the statement is plain code; a failure ends the procedure
// and passes to its caller.
//
// Statement by statement (IgnoreFailures): a failing statement is skipped
// and the next one runs; a failed assignment leaves its target as it was.
//
//   diagnostics::IgnoreFailures ignore;
//   ignore.step([&] { caption = readCaption(); });  // caption unchanged on failure
//   ignore.step([&] { refresh(); });
//
// The trap (Trap): the body is a sequence of steps. A failing step is
// reported by g_ErrorHandler (HandleError with an empty text, the line of
// the step as ErrorLine) and the answer decides: Retry runs the step again
// (a called procedure is called again; a recurring failure is reported
// again), Ignore goes on after it, Abort clears the call stack and ends the
// body, any other answer ends it too. Without g_ErrorHandler the
// procedure's own message runs and the body ends.
//
//   diagnostics::Trap trap([](diagnostics::Failure& f) { ownMessageBox(f); });
//   diagnostics::Trace trace("modMain::g_Save(Sub)", trap);  // a failing push is trapped too
//   const diagnostics::TrapEnd end = trap.body([&] {
//     trap.step([&] { text = editor.text(); });
//     if (trap.condition([&] { return isDirty(); })) trap.step([&] { write(text); });
//   });
//   if (end == diagnostics::TrapEnd::LeftAtOnce) return;   // the trace does not pop then
//   ... the closing part: runs after a completed body, on Abort and after the own message ...
//   (a procedure that leaves on Abort without its pop says trace.skipExit())
//
// A failure inside the trap itself (HandleError failing, the own message
// failing) is not trapped: it passes to the procedure's caller. A failure
// of the body never does; one outside any step is reported too, but as it
// can be neither run again nor skipped, the body ends on any answer.
#pragma once

#include <cstdint>
#include <functional>
#include <source_location>
#include <string>

#include "diagnostics/failure.h"

namespace kestrin::diagnostics {

// What a failing test counts as when its failure is skipped (Ignore, or
// statement-by-statement handling). As a rule it counts as not met; where
// a procedure goes on with the first statement of the block, IntoBlock.
enum class OnFailure { NotMet, IntoBlock };

// How a procedure runs one statement.
class Handling {
 public:
  virtual void run(const std::function<void()>& statement, std::source_location where) = 0;
  // False once the procedure is to leave at once, without its pop.
  virtual bool popsOnExit() const { return true; }

 protected:
  ~Handling() = default;
};

// No handling of its own: failures pass to the caller.
Handling& noHandling();

class IgnoreFailures final : public Handling {
 public:
  // Runs the statement; false when it failed and was skipped. The failure
  // is kept as this procedure's last failure (failure()); the thread's
  // current failure is cleared, so that nothing reported later sees it.
  bool step(const std::function<void()>& statement);
  // The test's result; on failure what onFailure says.
  bool condition(const std::function<bool()>& test, OnFailure onFailure = OnFailure::NotMet);

  // The failure of the last skipped statement; number 0 when none failed.
  const Failure& failure() const { return failure_; }

  void run(const std::function<void()>& statement, std::source_location) override { step(statement); }

 private:
  Failure failure_;
};

// Runs the statement so that a failure leaves it with `source` as its
// source (a procedure that names itself in the report).
void withSource(const std::string& source, const std::function<void()>& statement);

// How a trapped body ended.
enum class TrapEnd {
  Completed,   // it ran to its end (failures answered Retry or Ignore included)
  Aborted,     // Abort: the call stack was cleared; leave by the closing part
  LeftAtOnce,  // any other answer: leave at once
  OwnMessage,  // no g_ErrorHandler: the own message ran; leave by the closing part
};

class Trap final : public Handling {
 public:
  // The procedure's own message for a failure while no g_ErrorHandler
  // exists; it may change the failure's source first. Without one the
  // procedure leaves silently.
  using OwnMessage = std::function<void(Failure& failure)>;

  explicit Trap(OwnMessage ownMessage = {});
  Trap(const Trap&) = delete;
  Trap& operator=(const Trap&) = delete;

  // Runs the body with the trap armed and says how it ended. A step that
  // already ended the procedure before the body (a failing push answered
  // Abort) skips the body.
  TrapEnd body(const std::function<void()>& statements);

  // One statement of the procedure, at the caller's line.
  void step(const std::function<void()>& statement, std::source_location where = std::source_location::current());
  // One test; on a failure answered Ignore, what onFailure says.
  bool condition(const std::function<bool()>& test, OnFailure onFailure = OnFailure::NotMet,
                 std::source_location where = std::source_location::current());

  // How the procedure has ended so far.
  TrapEnd end() const { return end_; }

  void run(const std::function<void()>& statement, std::source_location where) override { step(statement, where); }
  bool popsOnExit() const override { return end_ != TrapEnd::LeftAtOnce; }

 private:
  enum class Answer { Retry, Ignore, Leave };
  Answer handle(int32_t line);
  void leave(TrapEnd end);

  OwnMessage ownMessage_;
  TrapEnd end_ = TrapEnd::Completed;
  bool inBody_ = false;
};

}  // namespace kestrin::diagnostics
