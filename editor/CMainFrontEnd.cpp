#include "editor/CMainFrontEnd.h"

#include <memory>
#include <string>

#include "diagnostics/class_error.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "platform/com/bstr.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/script_file.h"
#include "platform/runtime/strings.h"
#include "platform/scripting/file_system.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/windows.h"

namespace kestrin::editor {

namespace {

inline constexpr diagnostics::ClassErrors kMainFrontEndErrors{"CMainFrontEnd", 19002};

}  // namespace

const platform::com::BindingTable<CMainFrontEnd>& CMainFrontEnd::bindings() {
  using namespace platform::com;
  static const BindingTable<CMainFrontEnd> table(
      typelib::library().findInterface("_CMainFrontEnd"),
      {method<static_cast<int32_t (CMainFrontEnd::*)(std::string&)>(&CMainFrontEnd::RunEditor)>(0x60030001),
       method<static_cast<ComVariant (CMainFrontEnd::*)()>(&CMainFrontEnd::FreeEditor)>(0x60030002)});
  return table;
}

void registerMainFrontEnd(platform::com::Server& server) { server.add<CMainFrontEnd>("CMainFrontEnd"); }

int32_t CMainFrontEnd::RunEditor(std::string& ThisScript) {
  return kMainFrontEndErrors.member([&]() -> int32_t {
    if (EditorIsAlreadyOpen() == 1) return 0;

    // A path that names no readable script opens nothing: it is told, and
    // no document takes its name. A missing hand-over copy still starts a
    // new script; one that this user did not write is refused.
    const std::string asked = platform::lCase(ThisScript);
    if (asked == "temp") {
      const std::string copy = CPreferences().TempScript();
      const std::string problem = platform::ownFileReadProblem(copy);
      if (!copy.empty() && !problem.empty() && problem != "it does not exist" && !modMain::gbln_OwnCopyCanBeRead(copy))
        return 0;
    } else if (asked != "new" && !ThisScript.empty() && !modMain::gbln_ScriptCanBeRead(ThisScript)) {
      return 0;
    }

    // The main window, loaded hidden; its load step runs now. A load that
    // ended by unloading everything leaves no window to open a document in.
    std::shared_ptr<frmMain> form = mainWindow();
    form->load();
    if (!form->loaded()) platform::raise(364);

    platform::scripting::FileSystemObject fso;
    bool exists = false;
    bool handOver = false;
    const std::string word = platform::lCase(ThisScript);
    if (word == "new") {
      exists = false;
    } else if (word == "temp") {
      ThisScript = CPreferences().TempScript();
      handOver = true;
      exists = fso.FileExists(ThisScript);
    } else {
      exists = fso.FileExists(ThisScript);
    }

    if (handOver && exists) {
      // The copy under the handed-over script's name, with its bookmarks
      // and modified state; a file planted there since the check above
      // opens nothing.
      if (!modMain::gbln_RestoreHandedOverScript(*form, ThisScript)) {
        modMain::UnloadAll();
        return 0;
      }
    } else if (exists) {
      form->FileToView(ThisScript);
    } else {
      modMain::g_frmFileNew(*form);
    }

    const int32_t result = static_cast<int32_t>(form->hWnd());
    form->show(platform::ui::vbModal, nullptr);
    return result;
  });
}

platform::com::ComVariant CMainFrontEnd::FreeEditor() {
  modMain::UnloadAll();
  return {};
}

int16_t CMainFrontEnd::EditorIsAlreadyOpen() {
  using namespace platform::ui;
  const platform::HWND other = FindWindowA(nullptr, kMainWindowTitle);
  if (!other) return 0;
  MsgBox("Kestrin Script Editor is already open." + std::string(9, ' '), mb::OKOnly | mb::Exclamation,
         kMainWindowTitle);
  if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
  SetForegroundWindow(other);
  return 1;
}

platform::com::HRESULT CMainFrontEnd::RunEditor(platform::com::BSTR* ThisScript, int32_t* result) {
  return early([&] {
    std::string script = ThisScript && *ThisScript ? platform::com::toString(*ThisScript) : std::string();
    const int32_t handle = RunEditor(script);
    if (ThisScript) platform::com::SysReAllocString(ThisScript, script.c_str());
    if (result) *result = handle;
  });
}

platform::com::HRESULT CMainFrontEnd::FreeEditor(platform::com::VARIANT* result) {
  return early([&] {
    platform::com::ComVariant value = FreeEditor();
    if (result) *result = value.release();
  });
}

}  // namespace kestrin::editor
