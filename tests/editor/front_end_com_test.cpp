// CMainFrontEnd through its dispatch interface, as a late-bound host calls it.
#include <gtest/gtest.h>

#include <string>

#include "editor/CMainFrontEnd.h"
#include "editor_fixture.h"
#include "platform/com/bstr.h"
#include "platform/com/variant.h"
#include "platform/ui/user.h"
#include "platform/win32/settings.h"

namespace editor_test {
namespace {

using namespace platform::com;
using kestrin::editor::CMainFrontEnd;
namespace mb = platform::ui::mb;

constexpr DISPID kRunEditor = 0x60030001;
constexpr DISPID kFreeEditor = 0x60030002;

class FrontEndCom : public EditorTest {
 protected:
  // RunEditor by dispatch id with one string variable by reference (or
  // none); returns the call's result code.
  HRESULT runEditor(std::string* script, VARIANT& result, EXCEPINFO& exception) {
    Bstr text(script ? *script : std::string());
    VARIANT arg;
    arg.vt = static_cast<VARTYPE>(VT_BSTR | VT_BYREF);
    BSTR raw = text.detach();
    arg.pbstrVal = &raw;
    DISPPARAMS params{script ? &arg : nullptr, nullptr, script ? 1u : 0u, 0};
    uint32_t argError = 0;
    const HRESULT hr = front->Invoke(kRunEditor, IID_NULL, 0, DISPATCH_METHOD, &params, &result, &exception, &argError);
    if (script) *script = toString(raw);
    SysFreeString(raw);
    return hr;
  }
  ComPtr<CMainFrontEnd> front = CMainFrontEnd::create();
};

TEST_F(FrontEndCom, TheMembersAnswerToTheirNamesAndIds) {
  EXPECT_TRUE(CMainFrontEnd::bindings().problems().empty());
  const char* names[] = {"runeditor"};
  DISPID id = 0;
  EXPECT_EQ(front->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
  EXPECT_EQ(id, kRunEditor);
  const char* free[] = {"FreeEditor"};
  EXPECT_EQ(front->GetIDsOfNames(IID_NULL, free, 1, 0, &id), S_OK);
  EXPECT_EQ(id, kFreeEditor);
}

TEST_F(FrontEndCom, TempIsReplacedByTheStoredCopysPathAndStartsANewScriptWhenItIsMissing) {
  const std::string copy = editorFile("Common/Temp/_Temp.vbs");
  platform::SaveSetting("KestrinEditor", "Preferences", "TempScript", copy);
  std::string tag;
  int32_t handle = 0;
  duringWait([&] {
    tag = window().tag();
    handle = static_cast<int32_t>(window().hWnd());
  });
  std::string script = "temp";
  VARIANT result;
  EXCEPINFO exception;
  ASSERT_EQ(runEditor(&script, result, exception), S_OK);
  EXPECT_EQ(script, copy);
  EXPECT_EQ(result.vt, VT_I4);
  EXPECT_EQ(result.lVal, handle);
  EXPECT_EQ(tag, "New Kestrin Script");
}

TEST_F(FrontEndCom, TempInAnyCaseLoadsAnExistingCopy) {
  const std::string copy = editorFile("Common/Temp/_Temp.vbs");
  kestrin_test::writeFile(copy, "Call Main()\r\n");
  platform::SaveSetting("KestrinEditor", "Preferences", "TempScript", copy);
  std::string text;
  duringWait([&] { text = window().CodeSense1->text(); });
  std::string script = "TeMp";
  VARIANT result;
  EXCEPINFO exception;
  ASSERT_EQ(runEditor(&script, result, exception), S_OK);
  EXPECT_EQ(script, copy);
  EXPECT_EQ(text, "Call Main()\r\n");
}

TEST_F(FrontEndCom, WithoutAnArgumentANewScriptOpens) {
  std::string tag;
  duringWait([&] { tag = window().tag(); });
  VARIANT result;
  EXCEPINFO exception;
  ASSERT_EQ(runEditor(nullptr, result, exception), S_OK);
  EXPECT_NE(result.lVal, 0);
  EXPECT_EQ(tag, "New Kestrin Script");
}

TEST_F(FrontEndCom, AFailureReachesTheHostAsTheComponentFailure) {
  kestrin_test::writeFile(editorFile("vbsed.tsk"), "not a task list\r\n");
  user->answerMessageBox(mb::Abort);
  std::string script = "new";
  VARIANT result;
  EXCEPINFO exception;
  ASSERT_EQ(runEditor(&script, result, exception), DISP_E_EXCEPTION);
  EXPECT_EQ(static_cast<uint32_t>(exception.scode), 0x80044A3Au);
  EXPECT_EQ(toString(exception.bstrSource), "KestrinScriptEditor.CMainFrontEnd");
  EXPECT_EQ(toString(exception.bstrDescription), "CMainFrontEnd component failure");
  ClearExcepInfo(&exception);
  EXPECT_EQ(script, "new");
}

TEST_F(FrontEndCom, FreeEditorGivesTheEmptyValue) {
  VARIANT result;
  result.vt = VT_I4;
  DISPPARAMS none;
  EXCEPINFO exception;
  uint32_t argError = 0;
  ASSERT_EQ(front->Invoke(kFreeEditor, IID_NULL, 0, DISPATCH_METHOD, &none, &result, &exception, &argError), S_OK);
  EXPECT_EQ(result.vt, VT_EMPTY);
}

}  // namespace
}  // namespace editor_test
