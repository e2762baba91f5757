// cFuncCall: calls a routine of a library named at run time, by the
// routine's name, with any number of 32-bit integer arguments.
//
//   cFuncCall call;
//   call.setLibraryName("KzRoutines.dll");
//   call.setFunctionName("kz_weigh");
//   int32_t r = call.CallFunction({1, 2, 3});
//
// The routine is named again before every call: CallFunction forgets it.
// The class raises no error of its own: a library or routine that is not
// found and a call without a routine are told in message boxes (OK button,
// critical icon). Nothing in the editor creates it; it does not trace.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/runtime/variant.h"
#include "platform/win32/library.h"
#include "platform/win32/types.h"

namespace kestrin::editor {

// The call type whose caller removes the arguments after the call.
inline constexpr int32_t kCallerCleansArguments = 1;

class cFuncCall {
 public:
  // No library, no routine, call type 0.
  cFuncCall() = default;
  // Frees the library it holds.
  ~cFuncCall();
  cFuncCall(const cFuncCall&) = delete;
  cFuncCall& operator=(const cFuncCall&) = delete;

  // Frees the library held before (the routine found in it is forgotten
  // with it), then loads the named one (a path, or a name the platform's
  // library search finds). Not found: "Can not find library "<name>"",
  // titled "Function call error".
  void setLibraryName(const std::string& name);
  // Finds the named routine in the held library, names matched with regard
  // to case. Not found (or no library held): "Can not find function entry
  // point for "<name>"" with a note on the spelling, titled "Function call
  // error".
  void setFunctionName(const std::string& name);
  // Who removes the arguments: kCallerCleansArguments for the caller, any
  // other value for the routine. Kept for the callers' sake: this platform
  // has one calling convention and calls both kinds alike.
  void setCallType(int32_t callType) { m_lCallType = callType; }
  int32_t callType() const { return m_lCallType; }

  // Calls the named routine with the arguments, each converted to a Long
  // first (a value that does not convert raises its conversion error, 13
  // or 6, and nothing is called), and returns its 32-bit result; then the
  // routine is forgotten. Without a routine: "Function not defined!",
  // titled "Call function error", and 0.
  int32_t CallFunction(const std::vector<platform::Variant>& arguments = {});

  // Whether a library and a routine are held now.
  bool hasLibrary() const { return m_hLibrary != 0; }
  bool hasRoutine() const { return m_lpFunction != nullptr; }

 private:
  void freeLibrary();

  platform::HMODULE m_hLibrary = 0;
  platform::FARPROC m_lpFunction = nullptr;
  int32_t m_lCallType = 0;
};

}  // namespace kestrin::editor
