// CErrorHandler: the diagnostics object.
//
// It keeps the call stack of the traced procedures that are running,
// writes the trace log of their entries and exits, and reports a failure
// (error log, application event log, message box, custom hook) with an
// abort, retry or ignore answer. The editor keeps one per thread in the
// slot below (its g_ErrorHandler); handling.h and trace.h use it from
// there.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "diagnostics/class_error.h"
#include "typelib/typelib.h"

namespace kestrin::diagnostics {

// The enumerations are the type library's: what a reported error does
// (EErrorHandlerActions bits), the answer (EErrorHandlerReturn), where trace
// lines go (ETracingFlags bits) and the class's errors (EErrErrorHandler).
using typelib::EErrErrorHandler;
using typelib::eErrErrorHandler_ComponentFailure;
using typelib::eErrErrorHandler_InvalidErrorHandlerActions;
using typelib::eErrErrorHandler_InvalidFileName;
using typelib::eErrErrorHandler_InvalidTracingFlags;
using typelib::eErrorHandlerAction_Custom;
using typelib::eErrorHandlerAction_LogToFile;
using typelib::eErrorHandlerAction_MsgBox;
using typelib::eErrorHandlerAction_NTLog;
using typelib::EErrorHandlerActions;
using typelib::EErrorHandlerReturn;
using typelib::eErrorHandlerReturn_Abort;
using typelib::eErrorHandlerReturn_Ignore;
using typelib::eErrorHandlerReturn_Retry;
using typelib::eTracingFlag_DebugPrint;
using typelib::eTracingFlag_LogToFile;
using typelib::ETracingFlags;

inline constexpr ClassErrors kErrorHandlerErrors{"CErrorHandler", 17404};

class CErrorHandler {
 public:
  struct Entry {
    std::string procedure;
    std::string data;
  };

  // A new object reports by message box only and traces nothing. Creation
  // asks the platform whether it keeps an application event log.
  CErrorHandler();

  // Checks and stores, in this order: the actions (1 to 15, else 17402),
  // the error log (non-empty, else 17401), the two switches, the tracing
  // flags (1 to 3, else 17403) and the trace log (non-empty, else 17401).
  // A failing check raises at once: what was stored before it stays.
  void Init(int32_t ErrorHandlerActions, const std::string& ErrorLogFile = "Error Log.txt",
            bool CallStackEnabled = false, bool TracingEnabled = false, int32_t TracingFlags = eTracingFlag_LogToFile,
            const std::string& TracingLogFile = "Tracing Log.txt");

  bool CallStackEnabled() const { return callStackEnabled_; }
  void setCallStackEnabled(bool value) { callStackEnabled_ = value; }
  const std::string& ErrorDescription() const { return errorDescription_; }
  void setErrorDescription(const std::string& value);
  int32_t ErrorHandlerActions() const { return errorHandlerActions_; }
  void setErrorHandlerActions(int32_t value);  // 1 to 15, else 17402
  int32_t ErrorLine() const { return errorLine_; }
  void setErrorLine(int32_t value) { errorLine_ = value; }
  const std::string& ErrorLogFile() const { return errorLogFile_; }
  void setErrorLogFile(const std::string& value);  // non-empty, else 17401
  int32_t ErrorNumber() const { return errorNumber_; }
  void setErrorNumber(int32_t value) { errorNumber_ = value; }
  const std::string& Tag() const { return tag_; }
  void setTag(const std::string& value);
  bool TracingEnabled() const { return tracingEnabled_; }
  void setTracingEnabled(bool value) { tracingEnabled_ = value; }
  int32_t TracingFlags() const { return tracingFlags_; }
  void setTracingFlags(int32_t value);  // 1 to 3, else 17403
  const std::string& TracingLogFile() const { return tracingLogFile_; }
  void setTracingLogFile(const std::string& value);  // non-empty, else 17401

  // Pushes the pair whatever CallStackEnabled says, then writes the entry
  // line when tracing to the log file. A failing write raises 17404 with the
  // entry already pushed.
  void CallStackPush(const std::string& Procedure, const std::string& Data = "");
  // Writes the exit line for the top entry, then removes it; nothing on an
  // empty stack. A failing write raises 17404 with the entry still there.
  void CallStackPop();
  // Empties the stack while CallStackEnabled is True.
  void CallStackClear();
  // Deletes the error log and the trace log; a missing or locked file is
  // no failure.
  void Clear(bool ClearLogFile = true, bool ClearTracingLogFile = true);
  // Records the thread's current failure (failure.h) in ErrorNumber,
  // ErrorDescription and ErrorLine, reports it as the actions say and
  // returns the answer (an EErrorHandlerReturn). An empty Procedure names
  // the top entry of the call stack (while CallStackEnabled) or "Unknown".
  int32_t HandleError(const std::string& Procedure = "");

  // The call stack, oldest entry first.
  const std::vector<Entry>& callStack() const { return stack_; }

 private:
  // The entries from the top down, each after `blanks` blanks, with "(",
  // the data text and ")" when withData; joined by CR LF.
  std::string GetCallStackText(int16_t blanks, bool withData) const;
  // The custom hook: does nothing and leaves the answer as it is.
  void RunCustomAction(std::string& report, int32_t& answer);
  void writeTraceLine(const char* what, const std::string& procedure) const;
  // The checked stores that Init and the lets share.
  void storeErrorHandlerActions(int32_t value);
  void storeErrorLogFile(const std::string& value);
  void storeTracingFlags(int32_t value);
  void storeTracingLogFile(const std::string& value);

  bool callStackEnabled_ = false;
  bool tracingEnabled_ = false;
  int32_t errorHandlerActions_ = eErrorHandlerAction_MsgBox;
  int32_t tracingFlags_ = 0;
  std::string errorLogFile_ = "Error Log.txt";
  std::string tracingLogFile_ = "Tracing Log.txt";
  int32_t errorNumber_ = 0;
  int32_t errorLine_ = 0;
  std::string errorDescription_;
  std::string tag_;
  bool isNT_ = false;
  std::vector<Entry> stack_;  // m_colProcedures and m_colData, entry by entry
};

// This thread's diagnostics object (the editor's g_ErrorHandler): empty
// until the main window's load creates it, and again after its unload.
std::shared_ptr<CErrorHandler>& errorHandlerSlot();
// The object in the slot, or nullptr.
CErrorHandler* errorHandler();

}  // namespace kestrin::diagnostics
