// The console user's typed answers to prompts, and its commands read from a
// stream that is no terminal.
#include <gtest/gtest.h>

#include <sstream>

#include "common/temp_dir.h"
#include "host/console.h"
#include "platform/win32/registry.h"

namespace kestrin_host {
namespace {

TEST(ConsoleAnswers, TypedAnswersOfEachKind) {
  EXPECT_EQ(typedAnswer("msgbox", " yes ")->numbers[0], 6);
  EXPECT_FALSE(typedAnswer("msgbox", "maybe"));
  EXPECT_TRUE(typedAnswer("msgbox", "Cancel")->numbers[0] == 2);
  // Texts keep their blanks; only the bare word cancel cancels.
  EXPECT_EQ(typedAnswer("input", "  two words  \r")->texts[0], "  two words  ");
  EXPECT_TRUE(typedAnswer("input", "cancel")->flag);
  EXPECT_EQ(typedAnswer("save", " /tmp/a b.vbs ")->texts[0], "/tmp/a b.vbs");
  EXPECT_FALSE(typedAnswer("open", "   "));
  EXPECT_TRUE(typedAnswer("print", "ok"));
  EXPECT_FALSE(typedAnswer("print", "fine"));
  EXPECT_EQ(typedAnswer("goto", "12")->numbers[0], 12);
  EXPECT_FALSE(typedAnswer("goto", "12x"));
  EXPECT_FALSE(typedAnswer("goto", "0"));
  auto r = typedAnswer("replace", "\"a b\" c once");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->texts, (std::vector<std::string>{"a b", "c"}));
  EXPECT_EQ(r->qualifiers.at("mode"), "once");
  EXPECT_FALSE(typedAnswer("replace", "a b"));
  EXPECT_TRUE(typedAnswer("popup", "none")->keyword);
  EXPECT_EQ(typedAnswer("popup", "ID_EditCopy")->texts[0], "ID_EditCopy");
  // A whole answer command of the right kind is taken too.
  EXPECT_EQ(typedAnswer("msgbox", "answer msgbox No")->numbers[0], 7);
  EXPECT_FALSE(typedAnswer("msgbox", "answer save /x"));
}

// A console without an editor: set-up and expectations typed at the
// prompt, wrong lines told and skipped, the end of the input ends it.
TEST(ConsoleCommands, TypedCommandsRunWithoutAnEditor) {
  kestrin_test::TempDir dir;
  platform::setRegistryFolder(dir.path());
  std::istringstream in(
      "frobnicate\n"
      "setting KestrinEditor Preferences UserName Ann\n"
      "expect setting KestrinEditor Preferences UserName Ann\n"
      "expect setting KestrinEditor Preferences UserName Bob\n"
      "help\n");
  std::ostringstream out;
  EditorLink link(dir.path());
  ConsoleUser console(in, out, link, {}, false);
  EXPECT_EQ(console.run(std::nullopt), 1);  // there is no editor to run
  EXPECT_EQ(console.passed(), 1);
  EXPECT_EQ(console.failed(), 1);
  const std::string t = out.str();
  EXPECT_NE(t.find("? unknown command \"frobnicate\""), std::string::npos) << t;
  EXPECT_NE(t.find("RunEditor cannot be called"), std::string::npos) << t;
  EXPECT_NE(t.find("expect msgbox [contains]"), std::string::npos) << t;
  EXPECT_EQ(t.find("\x1b["), std::string::npos) << "no colour without a terminal";
  platform::setRegistryFolder("");
}

}  // namespace
}  // namespace kestrin_host
