// CTempScript: a public, creatable class of the component that holds one
// file path and a serial number fixed when the object is made. Nothing in
// the editor creates it; outside callers create it through the component's
// server and call it early-bound through _CTempScript or late-bound by
// dispatch id.
//
// FullPath's put and get turn any failure inside them into 0x80040000 +
// 9999 (0x8004270F) "An unknown error has occurred!" with the source
// "CTempScript:FullPath Property Let" or "CTempScript:FullPath Property
// Get". The class shows nothing and does not trace.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/com/dispatch.h"
#include "platform/runtime/variant.h"
#include "typelib/interfaces.h"

namespace kestrin::editor {

// The catch-all number of the class's members and their sources.
inline constexpr int32_t kTempScriptError = 9999;
inline constexpr const char* kTempScriptPutSource = "CTempScript:FullPath Property Let";
inline constexpr const char* kTempScriptGetSource = "CTempScript:FullPath Property Get";

class CTempScript final : public platform::com::DispatchObject<CTempScript, typelib::_CTempScript> {
 public:
  using HRESULT = platform::com::HRESULT;
  using BSTR = platform::com::BSTR;

  // The serial number is the thread's next one (modClassIDGenerator); at
  // the counter's end the overflow (6) reaches the creator and no object
  // is made.
  CTempScript();

  static const platform::com::BindingTable<CTempScript>& bindings();

  // The path; empty on a new object.
  void putFullPath(const std::string& value);
  std::string getFullPath();
  // The serial number as a Long.
  platform::Variant getClassDebugID();
  int32_t classDebugID() const { return m_lClassDebugID; }

  // _CTempScript, early-bound; a null result pointer gives E_POINTER.
  HRESULT put_FullPath(BSTR value) override;
  HRESULT get_FullPath(BSTR* result) override;
  HRESULT get_ClassDebugID(platform::com::VARIANT* result) override;

  // For tests: a step that FullPath's put and get of this thread run
  // first, standing for a failure inside the member; none when empty.
  static void setMemberFault(std::function<void()> fault);

 private:
  std::string m_strFullPath;
  int32_t m_lClassDebugID;
};

}  // namespace kestrin::editor
