#include "diagnostics/handling.h"

#include <exception>
#include <utility>

#include "diagnostics/error_handler.h"
#include "platform/runtime/errors.h"

namespace kestrin::diagnostics {

namespace {

class NoHandling final : public Handling {
 public:
  void run(const std::function<void()>& statement, std::source_location) override { statement(); }
};

// Unwinds a trapped body to Trap::body. Not a std::exception, so that no
// handler in between takes it for a failure.
struct LeaveBody {};

// A failure of the trap's own work, carried past the body's handling to
// the procedure's caller.
struct TrapFailure {
  std::exception_ptr error;
};

}  // namespace

Handling& noHandling() {
  static NoHandling handling;
  return handling;
}

bool IgnoreFailures::step(const std::function<void()>& statement) {
  try {
    statement();
    return true;
  } catch (const LeaveBody&) {
    throw;
  } catch (const TrapFailure&) {
    throw;
  } catch (...) {
    failure_ = failureOfCurrentException(0);
    clearFailure();
    return false;
  }
}

bool IgnoreFailures::condition(const std::function<bool()>& test, OnFailure onFailure) {
  bool met = false;
  if (!step([&] { met = test(); })) return onFailure == OnFailure::IntoBlock;
  return met;
}

void withSource(const std::string& source, const std::function<void()>& statement) {
  try {
    statement();
  } catch (platform::RuntimeError& e) {
    e.setSource(source);
    throw;
  }
}

Trap::Trap(OwnMessage ownMessage) : ownMessage_(std::move(ownMessage)) {}

TrapEnd Trap::body(const std::function<void()>& statements) {
  if (end_ != TrapEnd::Completed) return end_;
  inBody_ = true;
  try {
    statements();
  } catch (const LeaveBody&) {
  } catch (const TrapFailure& failure) {
    inBody_ = false;
    std::rethrow_exception(failure.error);
  } catch (...) {
    // A statement outside any step: it can be neither run again nor
    // skipped, so Retry and Ignore end the body as well.
    inBody_ = false;
    handle(0);
  }
  inBody_ = false;
  return end_;
}

void Trap::step(const std::function<void()>& statement, std::source_location where) {
  for (;;) {
    try {
      statement();
      return;
    } catch (const LeaveBody&) {
      throw;
    } catch (const TrapFailure&) {
      throw;
    } catch (...) {
      if (handle(static_cast<int32_t>(where.line())) != Answer::Retry) return;
    }
  }
}

bool Trap::condition(const std::function<bool()>& test, OnFailure onFailure, std::source_location where) {
  bool met = false;
  bool failed = true;
  step(
      [&] {
        met = test();
        failed = false;
      },
      where);
  if (failed) return onFailure == OnFailure::IntoBlock;
  return met;
}

// Reports the failure being handled and acts on the answer. Called inside
// a catch block.
Trap::Answer Trap::handle(int32_t line) {
  Failure failure = failureOfCurrentException(line);
  try {
    CErrorHandler* handler = errorHandler();
    if (!handler) {
      if (ownMessage_) ownMessage_(failure);
      clearFailure();
      leave(TrapEnd::OwnMessage);
      return Answer::Leave;
    }
    currentFailure() = std::move(failure);
    const int32_t answer = handler->HandleError("");
    clearFailure();
    switch (answer) {
      case eErrorHandlerReturn_Retry: return Answer::Retry;
      case eErrorHandlerReturn_Ignore: return Answer::Ignore;
      case eErrorHandlerReturn_Abort:
        if (CErrorHandler* still = errorHandler()) still->CallStackClear();
        leave(TrapEnd::Aborted);
        return Answer::Leave;
      default: leave(TrapEnd::LeftAtOnce); return Answer::Leave;
    }
  } catch (const LeaveBody&) {
    throw;
  } catch (...) {
    // The trap's own failure goes to the caller, past the body.
    if (inBody_) throw TrapFailure{std::current_exception()};
    throw;
  }
}

void Trap::leave(TrapEnd end) {
  end_ = end;
  if (inBody_) throw LeaveBody{};
}

}  // namespace kestrin::diagnostics
