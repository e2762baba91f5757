#include "diagnostics/error_handler_object.h"

#include "platform/com/bstr.h"
#include "typelib/typelib.h"

namespace kestrin::diagnostics {

namespace com = platform::com;

namespace {

// The class makes itself creatable through the component's server.
[[maybe_unused]] const bool g_served = [] {
  typelib::componentServer().add<ErrorHandlerObject>("CErrorHandler");
  return true;
}();

std::string textOr(const com::BSTR* text, const char* omitted) {
  return text ? com::toString(*text) : std::string(omitted);
}

bool boolOr(const com::VARIANT_BOOL* value, bool omitted) { return value ? *value != com::VARIANT_FALSE : omitted; }

com::VARIANT_BOOL variantBool(bool value) { return value ? com::VARIANT_TRUE : com::VARIANT_FALSE; }

}  // namespace

const com::BindingTable<ErrorHandlerObject>& ErrorHandlerObject::bindings() {
  using T = ErrorHandlerObject;
  static const com::BindingTable<T> table(typelib::library().findInterface("_CErrorHandler"),
                                          {
                                              com::method<&T::init>(0x6003000a),
                                              com::propertyLet<&T::letCallStackEnabled>(0x68030009),
                                              com::propertyGet<&T::getCallStackEnabled>(0x68030009),
                                              com::propertyLet<&T::letErrorDescription>(0x68030008),
                                              com::propertyGet<&T::getErrorDescription>(0x68030008),
                                              com::propertyLet<&T::letErrorHandlerActions>(0x68030007),
                                              com::propertyGet<&T::getErrorHandlerActions>(0x68030007),
                                              com::propertyLet<&T::letErrorLine>(0x68030006),
                                              com::propertyGet<&T::getErrorLine>(0x68030006),
                                              com::propertyLet<&T::letErrorLogFile>(0x68030005),
                                              com::propertyGet<&T::getErrorLogFile>(0x68030005),
                                              com::propertyLet<&T::letErrorNumber>(0x68030004),
                                              com::propertyGet<&T::getErrorNumber>(0x68030004),
                                              com::propertyLet<&T::letTag>(0x68030003),
                                              com::propertyGet<&T::getTag>(0x68030003),
                                              com::propertyLet<&T::letTracingEnabled>(0x68030002),
                                              com::propertyGet<&T::getTracingEnabled>(0x68030002),
                                              com::propertyLet<&T::letTracingFlags>(0x68030001),
                                              com::propertyGet<&T::getTracingFlags>(0x68030001),
                                              com::propertyLet<&T::letTracingLogFile>(0x68030000),
                                              com::propertyGet<&T::getTracingLogFile>(0x68030000),
                                              com::method<&T::callStackClear>(0x6003000b),
                                              com::method<&T::callStackPop>(0x6003000c),
                                              com::method<&T::callStackPush>(0x6003000d),
                                              com::method<&T::clear>(0x6003000e),
                                              com::method<&T::handleError>(0x6003000f),
                                          });
  return table;
}

void ErrorHandlerObject::init(int32_t& ErrorHandlerActions, std::string& ErrorLogFile, bool& CallStackEnabled,
                              bool& TracingEnabled, int32_t& TracingFlags, std::string& TracingLogFile) {
  handler_.Init(ErrorHandlerActions, ErrorLogFile, CallStackEnabled, TracingEnabled, TracingFlags, TracingLogFile);
}

com::HRESULT ErrorHandlerObject::Init(typelib::EErrorHandlerActions* ErrorHandlerActions, BSTR* ErrorLogFile,
                                      VARIANT_BOOL* CallStackEnabled, VARIANT_BOOL* TracingEnabled,
                                      typelib::ETracingFlags* TracingFlags, BSTR* TracingLogFile) {
  if (!ErrorHandlerActions) return com::E_POINTER;
  return early([&] {
    handler_.Init(*ErrorHandlerActions, textOr(ErrorLogFile, "Error Log.txt"), boolOr(CallStackEnabled, false),
                  boolOr(TracingEnabled, false), TracingFlags ? *TracingFlags : typelib::eTracingFlag_LogToFile,
                  textOr(TracingLogFile, "Tracing Log.txt"));
  });
}

com::HRESULT ErrorHandlerObject::put_CallStackEnabled(VARIANT_BOOL value) {
  return early([&] { handler_.setCallStackEnabled(value != com::VARIANT_FALSE); });
}
com::HRESULT ErrorHandlerObject::get_CallStackEnabled(VARIANT_BOOL* result) {
  if (!result) return com::E_POINTER;
  *result = variantBool(handler_.CallStackEnabled());
  return com::S_OK;
}
com::HRESULT ErrorHandlerObject::put_ErrorDescription(BSTR value) {
  return early([&] { handler_.setErrorDescription(com::toString(value)); });
}
com::HRESULT ErrorHandlerObject::get_ErrorDescription(BSTR* result) {
  if (!result) return com::E_POINTER;
  return early([&] { *result = com::bstrFrom(handler_.ErrorDescription()); });
}
com::HRESULT ErrorHandlerObject::put_ErrorHandlerActions(typelib::EErrorHandlerActions value) {
  return early([&] { handler_.setErrorHandlerActions(value); });
}
com::HRESULT ErrorHandlerObject::get_ErrorHandlerActions(typelib::EErrorHandlerActions* result) {
  if (!result) return com::E_POINTER;
  *result = static_cast<typelib::EErrorHandlerActions>(handler_.ErrorHandlerActions());
  return com::S_OK;
}
com::HRESULT ErrorHandlerObject::put_ErrorLine(int32_t value) {
  return early([&] { handler_.setErrorLine(value); });
}
com::HRESULT ErrorHandlerObject::get_ErrorLine(int32_t* result) {
  if (!result) return com::E_POINTER;
  *result = handler_.ErrorLine();
  return com::S_OK;
}
com::HRESULT ErrorHandlerObject::put_ErrorLogFile(BSTR value) {
  return early([&] { handler_.setErrorLogFile(com::toString(value)); });
}
com::HRESULT ErrorHandlerObject::get_ErrorLogFile(BSTR* result) {
  if (!result) return com::E_POINTER;
  return early([&] { *result = com::bstrFrom(handler_.ErrorLogFile()); });
}
com::HRESULT ErrorHandlerObject::put_ErrorNumber(int32_t value) {
  return early([&] { handler_.setErrorNumber(value); });
}
com::HRESULT ErrorHandlerObject::get_ErrorNumber(int32_t* result) {
  if (!result) return com::E_POINTER;
  *result = handler_.ErrorNumber();
  return com::S_OK;
}
com::HRESULT ErrorHandlerObject::put_Tag(BSTR value) {
  return early([&] { handler_.setTag(com::toString(value)); });
}
com::HRESULT ErrorHandlerObject::get_Tag(BSTR* result) {
  if (!result) return com::E_POINTER;
  return early([&] { *result = com::bstrFrom(handler_.Tag()); });
}
com::HRESULT ErrorHandlerObject::put_TracingEnabled(VARIANT_BOOL value) {
  return early([&] { handler_.setTracingEnabled(value != com::VARIANT_FALSE); });
}
com::HRESULT ErrorHandlerObject::get_TracingEnabled(VARIANT_BOOL* result) {
  if (!result) return com::E_POINTER;
  *result = variantBool(handler_.TracingEnabled());
  return com::S_OK;
}
com::HRESULT ErrorHandlerObject::put_TracingFlags(typelib::ETracingFlags* value) {
  if (!value) return com::E_POINTER;
  return early([&] { handler_.setTracingFlags(*value); });
}
com::HRESULT ErrorHandlerObject::get_TracingFlags(typelib::ETracingFlags* result) {
  if (!result) return com::E_POINTER;
  *result = static_cast<typelib::ETracingFlags>(handler_.TracingFlags());
  return com::S_OK;
}
com::HRESULT ErrorHandlerObject::put_TracingLogFile(BSTR value) {
  return early([&] { handler_.setTracingLogFile(com::toString(value)); });
}
com::HRESULT ErrorHandlerObject::get_TracingLogFile(BSTR* result) {
  if (!result) return com::E_POINTER;
  return early([&] { *result = com::bstrFrom(handler_.TracingLogFile()); });
}
com::HRESULT ErrorHandlerObject::CallStackClear() {
  return early([&] { handler_.CallStackClear(); });
}
com::HRESULT ErrorHandlerObject::CallStackPop() {
  return early([&] { handler_.CallStackPop(); });
}
com::HRESULT ErrorHandlerObject::CallStackPush(BSTR* Procedure, BSTR* Data) {
  if (!Procedure) return com::E_POINTER;
  return early([&] { handler_.CallStackPush(com::toString(*Procedure), textOr(Data, "")); });
}
com::HRESULT ErrorHandlerObject::Clear(VARIANT_BOOL* ClearLogFile, VARIANT_BOOL* ClearTracingLogFile) {
  return early([&] { handler_.Clear(boolOr(ClearLogFile, true), boolOr(ClearTracingLogFile, true)); });
}
com::HRESULT ErrorHandlerObject::HandleError(BSTR* Procedure, typelib::EErrorHandlerReturn* result) {
  if (!result) return com::E_POINTER;
  return early(
      [&] { *result = static_cast<typelib::EErrorHandlerReturn>(handler_.HandleError(textOr(Procedure, ""))); });
}

}  // namespace kestrin::diagnostics
