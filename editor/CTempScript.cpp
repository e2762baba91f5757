#include "editor/CTempScript.h"

#include <utility>

#include "diagnostics/thread_objects.h"
#include "editor/modClassIDGenerator.h"
#include "editor/modErrorHandling.h"
#include "platform/com/bstr.h"
#include "typelib/typelib.h"

namespace kestrin::editor {

namespace com = platform::com;

namespace {

// The class makes itself creatable through the component's server.
[[maybe_unused]] const bool g_served = [] {
  typelib::componentServer().add<CTempScript>("CTempScript");
  return true;
}();

// Left at the thread's end: a thread-local object with a destructor would
// keep the component loaded after the host's dlclose.
thread_local std::function<void()>* t_memberFault = nullptr;

// Runs a FullPath member: any failure inside it becomes the class's error
// with the member's source.
template <class Body>
decltype(auto) trapped(const char* source, Body&& body) {
  try {
    if (auto& fault = diagnostics::threadObject(t_memberFault)) fault();
    return std::forward<Body>(body)();
  } catch (...) {
    modErrorHandling::RaiseClassError(kTempScriptError, source);
  }
}

}  // namespace

CTempScript::CTempScript() : m_lClassDebugID(modClassIDGenerator::NextClassDebugID()) {}

void CTempScript::setMemberFault(std::function<void()> fault) {
  diagnostics::threadObject(t_memberFault) = std::move(fault);
}

const com::BindingTable<CTempScript>& CTempScript::bindings() {
  using T = CTempScript;
  static const com::BindingTable<T> table(typelib::library().findInterface("_CTempScript"),
                                          {
                                              com::propertyPut<&T::putFullPath>(0x68030001),
                                              com::propertyGet<&T::getFullPath>(0x68030001),
                                              com::propertyGet<&T::getClassDebugID>(0x68030000),
                                          });
  return table;
}

void CTempScript::putFullPath(const std::string& value) {
  trapped(kTempScriptPutSource, [&] { m_strFullPath = value; });
}

std::string CTempScript::getFullPath() {
  return trapped(kTempScriptGetSource, [&] { return m_strFullPath; });
}

platform::Variant CTempScript::getClassDebugID() { return platform::Variant(m_lClassDebugID); }

com::HRESULT CTempScript::put_FullPath(BSTR value) {
  return early([&] { putFullPath(com::toString(value)); });
}

com::HRESULT CTempScript::get_FullPath(BSTR* result) {
  if (!result) return com::E_POINTER;
  return early([&] { *result = com::bstrFrom(getFullPath()); });
}

com::HRESULT CTempScript::get_ClassDebugID(com::VARIANT* result) {
  if (!result) return com::E_POINTER;
  return early([&] { com::setRuntimeValue(*result, getClassDebugID()); });
}

}  // namespace kestrin::editor
