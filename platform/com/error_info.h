// The error information a failing call leaves for its caller.
//
// Late-bound calls report a member's error through Invoke's EXCEPINFO; an
// early-bound call returns the error's result code and leaves an
// error-information object (source, description) for the calling thread,
// which the caller takes with GetErrorInfo. Each thread holds at most one.
#pragma once

#include <string>

#include "platform/com/interfaces.h"
#include "platform/runtime/errors.h"

namespace platform::com {

// Replaces the thread's error information (info may be null: none); the
// thread keeps a reference of its own. reserved: 0.
HRESULT SetErrorInfo(uint32_t reserved, IErrorInfo* info);
// Hands the thread's error information to the caller (a reference the
// caller releases) and clears it; S_FALSE and null when there is none.
HRESULT GetErrorInfo(uint32_t reserved, IErrorInfo** info);

// A new error-information object with one reference.
ComPtr<IErrorInfo> makeErrorInfo(const GUID& iid, const std::string& source, const std::string& description);
// Leaves the error for the calling thread; returns the error's result code.
HRESULT setErrorInfo(const GUID& iid, const std::string& source, const std::string& description, HRESULT code);

// The result of running a member for an early-bound caller: S_OK, or the
// result code of the error it raised with the error information left.
// Other exceptions become E_OUTOFMEMORY (allocation) or E_FAIL.
template <class F>
HRESULT callReportingErrors(const GUID& iid, F&& body) noexcept;

// On the caller's side: the error behind a failed result, as a runtime
// error whose number is errorNumberFromResult(code) and whose source and
// description come from the thread's error information when the object
// supports it for iid (taken, and so cleared), otherwise the runtime's text
// of the number and an empty source.
RuntimeError errorFromResult(HRESULT code, IUnknown* object, const IID& iid);
// Raises errorFromResult when code is a failure.
void checkResult(HRESULT code, IUnknown* object, const IID& iid);

// The error carried by a DISP_E_EXCEPTION's exception information.
RuntimeError errorFromExcepInfo(const EXCEPINFO& info);

// Fills exception information from an error (strings allocated for the
// caller); the code is resultFromErrorNumber(number).
void fillExcepInfo(EXCEPINFO* info, const RuntimeError& error);

// ---- template ----

HRESULT resultOfCurrentException(const GUID& iid) noexcept;

template <class F>
HRESULT callReportingErrors(const GUID& iid, F&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (...) {
    return resultOfCurrentException(iid);
  }
}

}  // namespace platform::com
