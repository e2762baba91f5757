// The editor's folders and modMain's path, name, array and window helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "diagnostics/error_handler.h"
#include "editor/modMain.h"
#include "editor_fixture.h"
#include "platform/runtime/array.h"
#include "platform/ui/form.h"
#include "platform/ui/screen.h"

namespace editor_test {
namespace {

namespace modMain = kestrin::editor::modMain;

void setEditorFolder(const std::string& folder) {
  platform::ComponentIdentity identity;
  identity.folder = folder;
  identity.path = folder + (folder == "/" ? "" : "/") + "KestrinScriptEditor.so";
  identity.name = "KestrinScriptEditor";
  platform::setComponentIdentity(identity);
}

TEST_F(EditorTest, SubFoldersByNumber) {
  setEditorFolder("/prog/ed");
  EXPECT_EQ(modMain::gstr_GetPathToKestrin(0), "/prog/ed/Data");
  EXPECT_EQ(modMain::gstr_GetPathToKestrin(1), "/prog/ed/VB");
  EXPECT_EQ(modMain::gstr_GetPathToKestrin(2), "/prog/ed/Addlets");
  EXPECT_EQ(modMain::gstr_GetPathToKestrin(3), "/prog/ed/Help");
  EXPECT_EQ(modMain::gstr_GetPathToKestrin(4), "/prog/ed/Common");
  EXPECT_EQ(modMain::gstr_GetPathToKestrin(5), "");
  EXPECT_EQ(modMain::gstr_GetPathToKestrin(-1), "");
  setEditorFolder("/");
  EXPECT_EQ(modMain::gstr_GetPathToKestrin(1), "/VB");
}

TEST_F(EditorTest, AddBackSlashAddsExactlyOne) {
  EXPECT_EQ(modMain::gstr_AddBackSlash("/scripts"), "/scripts/");
  EXPECT_EQ(modMain::gstr_AddBackSlash("/scripts/"), "/scripts/");
  EXPECT_EQ(modMain::gstr_AddBackSlash(""), "/");
}

struct NameCase {
  std::string path;
  bool strip;
  std::string expected;
};

TEST_F(EditorTest, ParseFileNameTakesTheTrimmedLastPart) {
  const NameCase cases[] = {
      {"/scripts/ test.vbs ", false, "test.vbs"},
      {"test.vbs", false, "test.vbs"},
      {"/scripts/", false, ""},
      {std::string("/scripts/a.vbs") + '\0', false, "a.vbs"},
      {"/scripts/my.test.vbs", true, "my"},
      {"/scripts/my.test.vbs", false, "my.test.vbs"},
  };
  for (const auto& c : cases) EXPECT_EQ(modMain::ParseFileName(c.path, c.strip), c.expected) << c.path;
}

TEST_F(EditorTest, StripFileExtensionCutsAtTheFirstDotAndPopsItsTrace) {
  auto handler = std::make_shared<kestrin::diagnostics::CErrorHandler>();
  handler->Init(kestrin::diagnostics::eErrorHandlerAction_LogToFile, errorLog(), true, true,
                kestrin::diagnostics::eTracingFlag_LogToFile, traceLog());
  kestrin::diagnostics::errorHandlerSlot() = handler;
  EXPECT_EQ(modMain::StripFileExtension("readme"), "readme");
  EXPECT_EQ(modMain::StripFileExtension(".profile"), "");
  EXPECT_EQ(modMain::StripFileExtension("a.tar.gz"), "a");
  EXPECT_TRUE(handler->callStack().empty());
  const auto lines = traceLines();
  EXPECT_EQ(lines.front(), "Entered routine: modMain::StripFileExtension(Function) File:= readme");
  EXPECT_TRUE(balanced(lines));
}

TEST_F(EditorTest, ArrayCountIsTheUpperBoundPlusOneOrEmpty) {
  platform::LongArray three(0, 2);
  const platform::Variant count = modMain::ArrayCount(platform::Variant(three));
  ASSERT_NE(count.get<int32_t>(), nullptr);
  EXPECT_EQ(*count.get<int32_t>(), 3);
  EXPECT_TRUE(modMain::ArrayCount(platform::Variant(platform::LongArray())).isEmpty());
  EXPECT_TRUE(modMain::ArrayCount(platform::Variant("no array")).isEmpty());
}

class PlainForm : public platform::ui::Form {
 public:
  PlainForm() : Form("frmPlain") {}
};

TEST_F(EditorTest, CenterFormCentresAndLetsALargeWindowHangOver) {
  auto form = platform::ui::Form::make<PlainForm>();
  form->load();
  const int32_t screenW = platform::ui::screen().Width();
  const int32_t screenH = platform::ui::screen().Height();
  form->move(0, 0, 3000, 1500);
  modMain::CenterForm(*form);
  EXPECT_NEAR(form->left(), (screenW - 3000) / 2.0, 15);
  EXPECT_NEAR(form->top(), (screenH - 1500) / 2.0, 15);
  EXPECT_EQ(form->width(), 3000);
  form->move(0, 0, screenW + 3000, screenH + 600);
  modMain::CenterForm(*form);
  EXPECT_LT(form->left(), 0);
  EXPECT_LT(form->top(), 0);
  form->unload();
}

}  // namespace
}  // namespace editor_test
