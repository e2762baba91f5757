// CErrorHandler as a public class of the component: created by its class
// identity through the component's server, called early-bound through
// _CErrorHandler or late-bound through Invoke by dispatch id. An error a
// member raises reaches the caller with its number (as the result code),
// source and description.
//
// Each object holds its own diagnostics object; the editor's g_ErrorHandler
// (error_handler.h) is a separate, internal one.
#pragma once

#include <cstdint>
#include <string>

#include "diagnostics/error_handler.h"
#include "platform/com/dispatch.h"
#include "typelib/interfaces.h"

namespace kestrin::diagnostics {

class ErrorHandlerObject final : public platform::com::DispatchObject<ErrorHandlerObject, typelib::_CErrorHandler> {
 public:
  using HRESULT = platform::com::HRESULT;
  using BSTR = platform::com::BSTR;
  using VARIANT_BOOL = platform::com::VARIANT_BOOL;

  static const platform::com::BindingTable<ErrorHandlerObject>& bindings();

  CErrorHandler& handler() { return handler_; }

  // The late-bound members, as Invoke calls them (by-reference arguments
  // as references).
  void init(int32_t& ErrorHandlerActions, std::string& ErrorLogFile, bool& CallStackEnabled, bool& TracingEnabled,
            int32_t& TracingFlags, std::string& TracingLogFile);
  void letCallStackEnabled(bool value) { handler_.setCallStackEnabled(value); }
  bool getCallStackEnabled() { return handler_.CallStackEnabled(); }
  void letErrorDescription(const std::string& value) { handler_.setErrorDescription(value); }
  std::string getErrorDescription() { return handler_.ErrorDescription(); }
  void letErrorHandlerActions(int32_t value) { handler_.setErrorHandlerActions(value); }
  int32_t getErrorHandlerActions() { return handler_.ErrorHandlerActions(); }
  void letErrorLine(int32_t value) { handler_.setErrorLine(value); }
  int32_t getErrorLine() { return handler_.ErrorLine(); }
  void letErrorLogFile(const std::string& value) { handler_.setErrorLogFile(value); }
  std::string getErrorLogFile() { return handler_.ErrorLogFile(); }
  void letErrorNumber(int32_t value) { handler_.setErrorNumber(value); }
  int32_t getErrorNumber() { return handler_.ErrorNumber(); }
  void letTag(const std::string& value) { handler_.setTag(value); }
  std::string getTag() { return handler_.Tag(); }
  void letTracingEnabled(bool value) { handler_.setTracingEnabled(value); }
  bool getTracingEnabled() { return handler_.TracingEnabled(); }
  void letTracingFlags(int32_t& value) { handler_.setTracingFlags(value); }
  int32_t getTracingFlags() { return handler_.TracingFlags(); }
  void letTracingLogFile(const std::string& value) { handler_.setTracingLogFile(value); }
  std::string getTracingLogFile() { return handler_.TracingLogFile(); }
  void callStackClear() { handler_.CallStackClear(); }
  void callStackPop() { handler_.CallStackPop(); }
  void callStackPush(std::string& Procedure, std::string& Data) { handler_.CallStackPush(Procedure, Data); }
  void clear(bool& ClearLogFile, bool& ClearTracingLogFile) { handler_.Clear(ClearLogFile, ClearTracingLogFile); }
  int32_t handleError(std::string& Procedure) { return handler_.HandleError(Procedure); }

  // _CErrorHandler, early-bound. A null by-reference argument stands for an
  // omitted one (its default); a null result pointer gives E_POINTER.
  HRESULT Init(typelib::EErrorHandlerActions* ErrorHandlerActions, BSTR* ErrorLogFile, VARIANT_BOOL* CallStackEnabled,
               VARIANT_BOOL* TracingEnabled, typelib::ETracingFlags* TracingFlags, BSTR* TracingLogFile) override;
  HRESULT put_CallStackEnabled(VARIANT_BOOL value) override;
  HRESULT get_CallStackEnabled(VARIANT_BOOL* result) override;
  HRESULT put_ErrorDescription(BSTR value) override;
  HRESULT get_ErrorDescription(BSTR* result) override;
  HRESULT put_ErrorHandlerActions(typelib::EErrorHandlerActions value) override;
  HRESULT get_ErrorHandlerActions(typelib::EErrorHandlerActions* result) override;
  HRESULT put_ErrorLine(int32_t value) override;
  HRESULT get_ErrorLine(int32_t* result) override;
  HRESULT put_ErrorLogFile(BSTR value) override;
  HRESULT get_ErrorLogFile(BSTR* result) override;
  HRESULT put_ErrorNumber(int32_t value) override;
  HRESULT get_ErrorNumber(int32_t* result) override;
  HRESULT put_Tag(BSTR value) override;
  HRESULT get_Tag(BSTR* result) override;
  HRESULT put_TracingEnabled(VARIANT_BOOL value) override;
  HRESULT get_TracingEnabled(VARIANT_BOOL* result) override;
  HRESULT put_TracingFlags(typelib::ETracingFlags* value) override;
  HRESULT get_TracingFlags(typelib::ETracingFlags* result) override;
  HRESULT put_TracingLogFile(BSTR value) override;
  HRESULT get_TracingLogFile(BSTR* result) override;
  HRESULT CallStackClear() override;
  HRESULT CallStackPop() override;
  HRESULT CallStackPush(BSTR* Procedure, BSTR* Data) override;
  HRESULT Clear(VARIANT_BOOL* ClearLogFile, VARIANT_BOOL* ClearTracingLogFile) override;
  HRESULT HandleError(BSTR* Procedure, typelib::EErrorHandlerReturn* result) override;

 private:
  CErrorHandler handler_;
};

}  // namespace kestrin::diagnostics
