#include "diagnostics/error_handler.h"
#include "diagnostics/thread_objects.h"

#include <filesystem>
#include <system_error>

#include "diagnostics/failure.h"
#include "platform/runtime/checked_int.h"
#include "platform/runtime/datetime.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/files.h"
#include "platform/ui/msgbox.h"
#include "platform/win32/system.h"

namespace kestrin::diagnostics {

namespace {

constexpr const char* kCrLf = "\r\n";
// The report box's title and the event source of the application event
// log: the application title under which the preferences are stored.
constexpr const char* kReportTitle = "KestrinEditor";

const ClassErrors& errors() { return kErrorHandlerErrors; }

// Appends one line: opens the file for appending (creating it), writes the
// text and CR LF, closes it. Nothing is held open between lines, so the log
// is complete up to its last line whatever happens to the process. A link
// planted under the log's name is removed, never written through.
void appendLine(const std::string& path, const std::string& text) { platform::appendToOwnFile(path, text + kCrLf); }

// "<short date> - <long time>" of the present moment.
std::string timestamp() {
  const platform::Date now = platform::now();
  return platform::shortDateText(now) + " - " + platform::longTimeText(now);
}

// The call stack is counted with a 16-bit signed index: more than 32767
// entries overflow it.
int16_t stackIndex(std::size_t count) { return platform::Int16(count).value(); }

}  // namespace

CErrorHandler::CErrorHandler() {
  errors().member([&] {
    // The platform check behind IsNT: the NT family keeps an application
    // event log. The extended version record first, then the basic one.
    platform::OSVERSIONINFOEX info;
    info.dwOSVersionInfoSize = platform::OSVERSIONINFOEX_SIZE;
    if (platform::GetVersionEx(info)) {
      isNT_ = info.dwPlatformId == platform::VER_PLATFORM_WIN32_NT;
      return;
    }
    info = platform::OSVERSIONINFOEX{};
    info.dwOSVersionInfoSize = platform::OSVERSIONINFO_SIZE;
    if (platform::GetVersionEx(info)) isNT_ = info.dwPlatformId == platform::VER_PLATFORM_WIN32_NT;
  });
}

void CErrorHandler::Init(int32_t ErrorHandlerActions, const std::string& ErrorLogFile, bool CallStackEnabled,
                         bool TracingEnabled, int32_t TracingFlags, const std::string& TracingLogFile) {
  errors().member([&] {
    storeErrorHandlerActions(ErrorHandlerActions);
    storeErrorLogFile(ErrorLogFile);
    callStackEnabled_ = CallStackEnabled;
    tracingEnabled_ = TracingEnabled;
    storeTracingFlags(TracingFlags);
    storeTracingLogFile(TracingLogFile);
  });
}

void CErrorHandler::storeErrorHandlerActions(int32_t value) {
  if (value < 1 || value > 15) errors().raise(17402, "Invalid error handler actions");
  errorHandlerActions_ = value;
}

void CErrorHandler::storeErrorLogFile(const std::string& value) {
  if (value.empty()) errors().raise(17401, "Invalid file name");
  errorLogFile_ = value;
}

void CErrorHandler::storeTracingFlags(int32_t value) {
  if (value < 1 || value > 3) errors().raise(17403, "Invalid tracing flags");
  tracingFlags_ = value;
}

void CErrorHandler::storeTracingLogFile(const std::string& value) {
  if (value.empty()) errors().raise(17401, "Invalid file name");
  tracingLogFile_ = value;
}

void CErrorHandler::setErrorDescription(const std::string& value) {
  errors().member([&] { errorDescription_ = value; });
}

void CErrorHandler::setErrorHandlerActions(int32_t value) {
  errors().member([&] { storeErrorHandlerActions(value); });
}

void CErrorHandler::setErrorLogFile(const std::string& value) {
  errors().member([&] { storeErrorLogFile(value); });
}

void CErrorHandler::setTag(const std::string& value) {
  errors().member([&] { tag_ = value; });
}

void CErrorHandler::setTracingFlags(int32_t value) {
  errors().member([&] { storeTracingFlags(value); });
}

void CErrorHandler::setTracingLogFile(const std::string& value) {
  errors().member([&] { storeTracingLogFile(value); });
}

void CErrorHandler::writeTraceLine(const char* what, const std::string& procedure) const {
  // The debug-print bit has nowhere to print to; only the log-file bit
  // writes.
  if (!tracingEnabled_ || (tracingFlags_ & eTracingFlag_LogToFile) == 0) return;
  appendLine(tracingLogFile_, timestamp() + " --- " + what + " routine: " + procedure);
}

void CErrorHandler::CallStackPush(const std::string& Procedure, const std::string& Data) {
  errors().member([&] {
    stack_.push_back(Entry{Procedure, Data});
    writeTraceLine("Entered", Procedure);
  });
}

void CErrorHandler::CallStackPop() {
  errors().member([&] {
    if (stack_.empty()) return;
    writeTraceLine("Exited", stack_.back().procedure);
    stack_.pop_back();
  });
}

void CErrorHandler::CallStackClear() {
  errors().member([&] {
    if (!callStackEnabled_) return;
    for (int16_t i = stackIndex(stack_.size()); i >= 1; --i) stack_.pop_back();
  });
}

void CErrorHandler::Clear(bool ClearLogFile, bool ClearTracingLogFile) {
  errors().member([&] {
    std::error_code ignored;
    if (!errorLogFile_.empty() && ClearLogFile) std::filesystem::remove(errorLogFile_, ignored);
    if (!tracingLogFile_.empty() && ClearTracingLogFile) std::filesystem::remove(tracingLogFile_, ignored);
  });
}

std::string CErrorHandler::GetCallStackText(int16_t blanks, bool withData) const {
  std::string text;
  for (int16_t i = stackIndex(stack_.size()); i >= 1; --i) {
    const Entry& entry = stack_[static_cast<std::size_t>(i - 1)];
    if (!text.empty()) text += kCrLf;
    text.append(static_cast<std::size_t>(blanks > 0 ? blanks : 0), ' ');
    text += entry.procedure;
    if (withData) text += "(" + entry.data + ")";
  }
  return text;
}

void CErrorHandler::RunCustomAction(std::string& /*report*/, int32_t& /*answer*/) {}

int32_t CErrorHandler::HandleError(const std::string& Procedure) {
  return errors().member([&] {
    const Failure& failure = currentFailure();
    errorDescription_ = failure.description;
    errorNumber_ = failure.number;
    errorLine_ = failure.line;

    int32_t answer = eErrorHandlerReturn_Abort;
    std::string failing = Procedure;
    if (failing.empty()) failing = callStackEnabled_ && !stack_.empty() ? stack_.back().procedure : "Unknown";

    std::string report = timestamp();
    report += " --- Error: " + std::to_string(errorNumber_);
    report += ", (" + errorDescription_ + ") in " + failing;
    report += " at line " + std::to_string(errorLine_);
    report += std::string(kCrLf) + kCrLf + "The call stack is:" + kCrLf;
    report += GetCallStackText(20, true);

    if (errorHandlerActions_ & eErrorHandlerAction_LogToFile) appendLine(errorLogFile_, report);
    if (isNT_ && (errorHandlerActions_ & eErrorHandlerAction_NTLog)) {
      if (!platform::reportEvent(kReportTitle, platform::EVENTLOG_ERROR_TYPE, report))
        platform::raise(platform::err::DeviceIOError);
    }
    if (errorHandlerActions_ & eErrorHandlerAction_MsgBox) {
      namespace mb = platform::ui::mb;
      const int32_t button = platform::ui::MsgBox(report, mb::AbortRetryIgnore | mb::DefaultButton1, kReportTitle);
      answer = button == mb::Abort   ? eErrorHandlerReturn_Abort
               : button == mb::Retry ? eErrorHandlerReturn_Retry
                                     : eErrorHandlerReturn_Ignore;
    }
    if (errorHandlerActions_ & eErrorHandlerAction_Custom) RunCustomAction(report, answer);
    return answer;
  });
}

std::shared_ptr<CErrorHandler>& errorHandlerSlot() {
  thread_local std::shared_ptr<CErrorHandler>* slot = nullptr;
  return threadObject(slot);
}

CErrorHandler* errorHandler() { return errorHandlerSlot().get(); }

}  // namespace kestrin::diagnostics
