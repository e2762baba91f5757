// The editor's folders and the path, name, array and window helpers.
#include <cstdint>
#include <string>

#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/modMain.h"
#include "platform/runtime/checked_int.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/strings.h"
#include "platform/ui/form.h"
#include "platform/ui/screen.h"
#include "platform/win32/component.h"
#include "platform/win32/editor_store.h"

namespace kestrin::editor::modMain {

std::string gstr_EditorFolder() { return platform::componentIdentity().folder; }

std::string gstr_GetPathToKestrin(int32_t kzDIR) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modMain::gstr_GetPathToKestrin(Function) kzDIR:= " + std::to_string(kzDIR), ignore);
  static const char* const kSubFolders[] = {"Data", "VB", "Addlets", "Help", "Common"};
  std::string path;
  if (kzDIR >= 0 && kzDIR <= 4)
    ignore.step([&] { path = gstr_AddBackSlash(gstr_EditorFolder()) + kSubFolders[kzDIR]; });
  return path;
}

std::string gstr_ScriptDialogFolder(bool saving) {
  if (platform::editorStoreFolder().empty()) return gstr_GetPathToKestrin(1);
  return saving ? platform::editorFolderToWrite("VB") : platform::editorFileToRead("VB");
}

std::string gstr_AddBackSlash(const std::string& path) {
  if (!path.empty() && path.back() == '/') return path;
  return path + "/";
}

std::string ParseFileName(std::string path, bool stripExtension) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modMain::ParseFileName(Function) File:= " + path, ignore);
  std::string result;
  // The position of the last separator is held as a 16-bit integer; when
  // it does not fit, it stays 0 and the whole path is taken.
  int16_t slash = 0;
  ignore.step([&] { slash = platform::toIntegerChecked(platform::inStrRev(path, "/")); });
  ignore.step([&] { result = platform::trim(platform::mid(path, slash + 1)); });
  ignore.step([&] {
    if (!result.empty() && result.back() == '\0') result.pop_back();
  });
  if (stripExtension) ignore.step([&] { result = StripFileExtension(result); });
  return result;
}

std::string StripFileExtension(const std::string& name) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modMain::StripFileExtension(Function) File:= " + name, ignore);
  std::string result;
  int16_t dot = 0;
  ignore.step([&] { dot = platform::toIntegerChecked(platform::inStr(name, ".")); });
  ignore.step([&] { result = dot == 0 ? name : platform::left(name, dot - 1); });
  return result;
}

platform::Variant ArrayCount(const platform::Variant& array) {
  platform::Variant count;
  diagnostics::IgnoreFailures ignore;
  ignore.step([&] { count = platform::Variant(platform::ubound(array) + 1); });
  return count;
}

void CenterForm(platform::ui::Form& form) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modMain::CenterForm(Sub)", ignore);
  ignore.step([&] {
    const double left = (platform::ui::screen().Width() - form.width()) / 2.0;
    const double top = (platform::ui::screen().Height() - form.height()) / 2.0;
    form.move(platform::toLong(left), platform::toLong(top));
  });
}

void g_InitDialog(platform::ui::Form& form) { (void)form; }

}  // namespace kestrin::editor::modMain
