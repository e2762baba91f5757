#include "editor/cFuncCall.h"

#include "platform/runtime/convert.h"
#include "platform/ui/msgbox.h"

namespace kestrin::editor {

namespace {

constexpr const char* kFunctionCallError = "Function call error";
constexpr const char* kCallFunctionError = "Call function error";

void showFailure(const std::string& text, const char* title) {
  platform::ui::MsgBox(text, platform::ui::mb::OKOnly | platform::ui::mb::Critical, title);
}

}  // namespace

cFuncCall::~cFuncCall() { freeLibrary(); }

void cFuncCall::freeLibrary() {
  if (m_hLibrary == 0) return;
  platform::FreeLibrary(m_hLibrary);
  m_hLibrary = 0;
  // A routine of a library given back may be gone with it: calling it
  // later would jump into unmapped code.
  m_lpFunction = nullptr;
}

void cFuncCall::setLibraryName(const std::string& name) {
  freeLibrary();
  m_hLibrary = platform::LoadLibrary(name);
  if (m_hLibrary == 0) showFailure("Can not find library \"" + name + "\"", kFunctionCallError);
}

void cFuncCall::setFunctionName(const std::string& name) {
  m_lpFunction = m_hLibrary == 0 ? nullptr : platform::GetProcAddress(m_hLibrary, name);
  if (!m_lpFunction)
    showFailure("Can not find function entry point for \"" + name +
                    "\"\r\nNote: function names are case sensitive, check out you function "
                    "spelling!",
                kFunctionCallError);
}

int32_t cFuncCall::CallFunction(const std::vector<platform::Variant>& arguments) {
  if (!m_lpFunction) {
    showFailure("Function not defined!", kCallFunctionError);
    return 0;
  }
  std::vector<int32_t> slots;
  slots.reserve(arguments.size());
  for (const platform::Variant& argument : arguments) slots.push_back(platform::cLng(argument));
  const int32_t result = platform::callRoutine(m_lpFunction, slots);
  m_lpFunction = nullptr;
  return result;
}

}  // namespace kestrin::editor
