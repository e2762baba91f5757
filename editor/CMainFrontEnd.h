// CMainFrontEnd: the host's entry to the editor. The host creates one and
// calls RunEditor on its user-interface thread with a script path, "new",
// "temp" or nothing; the call returns when the main window has closed.
// FreeEditor closes every window of the editor from outside.
#pragma once

#include <cstdint>
#include <string>

#include "platform/com/dispatch.h"
#include "typelib/interfaces.h"

namespace kestrin::editor {

class CMainFrontEnd : public platform::com::DispatchObject<CMainFrontEnd, typelib::_CMainFrontEnd> {
 public:
  CMainFrontEnd() = default;

  // The members' dispatch ids: RunEditor 0x60030001, FreeEditor 0x60030002.
  static const platform::com::BindingTable<CMainFrontEnd>& bindings();

  // Opens the editor on ThisScript and waits until its window closes.
  // Returns the main window's handle, read before it was shown, or 0 when
  // another editor window is open (ThisScript then stays as it was). For
  // "temp" ThisScript becomes the path of the handed-over copy. Any failure
  // is raised as 0x80044A3A "CMainFrontEnd component failure".
  int32_t RunEditor(std::string& ThisScript);
  // Unloads every window of the editor; the empty value.
  platform::com::ComVariant FreeEditor();

  // The early-bound side of the dual interface.
  platform::com::HRESULT RunEditor(platform::com::BSTR* ThisScript, int32_t* result) override;
  platform::com::HRESULT FreeEditor(platform::com::VARIANT* result) override;

 private:
  // 1 when another editor window was found (after the warning, restored if
  // minimised and brought to the front), else 0.
  int16_t EditorIsAlreadyOpen();
};

// Makes CMainFrontEnd creatable through the component's server.
void registerMainFrontEnd(platform::com::Server& server);

}  // namespace kestrin::editor
