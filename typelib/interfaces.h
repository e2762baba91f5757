// The early-bound side of the library's dual interfaces: each member in
// interface order, returning S_OK or the error's result code, results and
// by-reference arguments through pointers. Property lets are put_, gets
// get_. A class implements its interface through
// platform::com::DispatchObject<Class, _Interface> (dispatch.h), whose
// early() runs a member's body and leaves the error information.
#pragma once

#include "platform/com/interfaces.h"
#include "platform/com/variant.h"
#include "typelib/typelib.h"

namespace kestrin::typelib {

using platform::com::BSTR;
using platform::com::HRESULT;
using platform::com::VARIANT;
using platform::com::VARIANT_BOOL;

class _CMainFrontEnd : public platform::com::IDispatch {
 public:
  virtual HRESULT RunEditor(BSTR* ThisScript, int32_t* result) = 0;
  virtual HRESULT FreeEditor(VARIANT* result) = 0;

 protected:
  ~_CMainFrontEnd() = default;
};

class _CErrorHandler : public platform::com::IDispatch {
 public:
  virtual HRESULT Init(EErrorHandlerActions* ErrorHandlerActions, BSTR* ErrorLogFile, VARIANT_BOOL* CallStackEnabled,
                       VARIANT_BOOL* TracingEnabled, ETracingFlags* TracingFlags, BSTR* TracingLogFile) = 0;
  virtual HRESULT put_CallStackEnabled(VARIANT_BOOL value) = 0;
  virtual HRESULT get_CallStackEnabled(VARIANT_BOOL* result) = 0;
  virtual HRESULT put_ErrorDescription(BSTR value) = 0;
  virtual HRESULT get_ErrorDescription(BSTR* result) = 0;
  virtual HRESULT put_ErrorHandlerActions(EErrorHandlerActions value) = 0;
  virtual HRESULT get_ErrorHandlerActions(EErrorHandlerActions* result) = 0;
  virtual HRESULT put_ErrorLine(int32_t value) = 0;
  virtual HRESULT get_ErrorLine(int32_t* result) = 0;
  virtual HRESULT put_ErrorLogFile(BSTR value) = 0;
  virtual HRESULT get_ErrorLogFile(BSTR* result) = 0;
  virtual HRESULT put_ErrorNumber(int32_t value) = 0;
  virtual HRESULT get_ErrorNumber(int32_t* result) = 0;
  virtual HRESULT put_Tag(BSTR value) = 0;
  virtual HRESULT get_Tag(BSTR* result) = 0;
  virtual HRESULT put_TracingEnabled(VARIANT_BOOL value) = 0;
  virtual HRESULT get_TracingEnabled(VARIANT_BOOL* result) = 0;
  virtual HRESULT put_TracingFlags(ETracingFlags* value) = 0;
  virtual HRESULT get_TracingFlags(ETracingFlags* result) = 0;
  virtual HRESULT put_TracingLogFile(BSTR value) = 0;
  virtual HRESULT get_TracingLogFile(BSTR* result) = 0;
  virtual HRESULT CallStackClear() = 0;
  virtual HRESULT CallStackPop() = 0;
  virtual HRESULT CallStackPush(BSTR* Procedure, BSTR* Data) = 0;
  virtual HRESULT Clear(VARIANT_BOOL* ClearLogFile, VARIANT_BOOL* ClearTracingLogFile) = 0;
  virtual HRESULT HandleError(BSTR* Procedure, EErrorHandlerReturn* result) = 0;

 protected:
  ~_CErrorHandler() = default;
};

class _CFile : public platform::com::IDispatch {
 public:
  virtual HRESULT Init(BSTR* PathFileName) = 0;
  virtual HRESULT get_Attributes(EFileAttributes* result) = 0;
  virtual HRESULT put_Contents(BSTR* value) = 0;
  virtual HRESULT get_Contents(BSTR* result) = 0;
  virtual HRESULT get_FileName(BSTR* result) = 0;
  virtual HRESULT get_FileExt(BSTR* result) = 0;
  virtual HRESULT get_FilePath(BSTR* result) = 0;
  virtual HRESULT put_PathFileName(BSTR* value) = 0;
  virtual HRESULT get_PathFileName(BSTR* result) = 0;
  virtual HRESULT get_ReadOnly(VARIANT_BOOL* result) = 0;
  virtual HRESULT get_ShortFileName(BSTR* result) = 0;
  virtual HRESULT get_Size(int32_t* result) = 0;
  virtual HRESULT Copy(BSTR* NewFileName) = 0;
  virtual HRESULT Delete() = 0;
  virtual HRESULT Exists(VARIANT_BOOL* result) = 0;
  virtual HRESULT IdenticalWith(BSTR* ReferenceFileName, VARIANT_BOOL* result) = 0;
  virtual HRESULT Move(BSTR* NewFileName) = 0;

 protected:
  ~_CFile() = default;
};

class _CTempScript : public platform::com::IDispatch {
 public:
  virtual HRESULT put_FullPath(BSTR value) = 0;
  virtual HRESULT get_FullPath(BSTR* result) = 0;
  virtual HRESULT get_ClassDebugID(VARIANT* result) = 0;

 protected:
  ~_CTempScript() = default;
};

}  // namespace kestrin::typelib
