// The scenario player without an editor: its answers to prompts, the
// errors it reports for prompts nobody expected, its expectations and its
// summary line.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "common/temp_dir.h"
#include "host/player.h"
#include "platform/runtime/clock.h"
#include "platform/ui/clipboard.h"
#include "platform/win32/registry.h"

namespace kestrin_host {
namespace {

namespace mb = platform::ui::mb;

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::setRegistryFolder(dir.path()); }
  void TearDown() override { platform::setRegistryFolder(""); }

  // A player over the scenario's text, with ${WORK} the test's folder.
  std::unique_ptr<ScenarioPlayer> player(const std::string& text) {
    std::map<std::string, std::string> vars = {{"WORK", dir.path()}, {"EDITOR", dir.path()}, {"HOME", dir.path()}};
    return std::make_unique<ScenarioPlayer>(out, link, vars, parseScenario(text, vars));
  }
  // Queues answers by performing their commands.
  void queue(ScenarioPlayer& p, const std::string& text) {
    for (const auto& c : parseScenario(text, {})) p.perform(c);
  }

  kestrin_test::TempDir dir;
  EditorLink link{"/nonexistent-editor-folder"};
  std::ostringstream out;
};

platform::ui::MessageBoxPrompt box(int32_t buttons, const std::string& text = "File has changed, save it?") {
  platform::ui::MessageBoxPrompt p;
  p.text = text;
  p.title = "Kestrin VB Script Editor";
  p.buttons = buttons;
  p.icon = mb::Question;
  return p;
}

TEST_F(PlayerTest, QueuedAnswersAnswerThePromptsInTurn) {
  auto p = player("");
  queue(*p, "answer msgbox No\nanswer save ${WORK}/a.vbs\nanswer input cancel\nanswer goto 12\n");
  EXPECT_EQ(p->messageBox(box(mb::YesNoCancel)), mb::No);
  platform::ui::FileDialogPrompt save;
  save.save = true;
  save.title = "Save Kestrin VB Script";
  EXPECT_EQ(p->fileDialog(save), "${WORK}/a.vbs");  // answers queued outside a scenario keep their words
  EXPECT_EQ(p->inputBox({}), std::nullopt);
  EXPECT_EQ(p->gotoLine({}), 12);
  EXPECT_EQ(p->errors(), 0);
  EXPECT_NE(
      out.str().find("msgbox [Kestrin VB Script Editor] \"File has changed, save it?\" YesNoCancel question -> No"),
      std::string::npos)
      << out.str();
}

TEST_F(PlayerTest, AnUnexpectedPromptIsAnErrorThatQuotesItAndIsCancelled) {
  auto p = player("");
  queue(*p, "answer save /x.vbs\n");
  EXPECT_EQ(p->messageBox(box(mb::YesNoCancel, "Kestrin Script Editor is already open.")), mb::Cancel);
  EXPECT_EQ(p->errors(), 1);
  EXPECT_NE(out.str().find("\"Kestrin Script Editor is already open.\""), std::string::npos) << out.str();
  // The answer waits for the prompt it was meant for.
  platform::ui::FileDialogPrompt save;
  save.save = true;
  EXPECT_EQ(p->fileDialog(save), "/x.vbs");
  // A box without Cancel gets its last button.
  EXPECT_EQ(p->messageBox(box(mb::YesNo)), mb::No);
  EXPECT_EQ(p->messageBox(box(mb::OKOnly)), mb::OK);
  EXPECT_EQ(p->errors(), 3);
}

TEST_F(PlayerTest, AnAnswerWithAButtonTheBoxLacksIsAnError) {
  auto p = player("");
  queue(*p, "answer msgbox Retry\n");
  EXPECT_EQ(p->messageBox(box(mb::YesNo)), mb::No);
  EXPECT_EQ(p->errors(), 1);
}

TEST_F(PlayerTest, PopupAnswersPickOrPickNothing) {
  auto p = player("");
  platform::ui::PopupPrompt popup;
  popup.popupId = "ID_Edit";
  popup.toolIds = {"ID_EditCut", "ID_EditCopy"};
  queue(*p, "answer popup ID_EditCopy\nanswer popup none\n");
  EXPECT_EQ(p->popupMenu(popup), "ID_EditCopy");
  EXPECT_EQ(p->popupMenu(popup), std::nullopt);
  EXPECT_EQ(p->errors(), 0);
}

TEST_F(PlayerTest, MessageBoxExpectationsCheckTextAndQualifiers) {
  auto p = player("");
  auto b = box(mb::YesNoCancel, "Script 'a.vbs' has been saved         ");
  b.icon = mb::Information;
  b.defaultButton = 1;
  queue(*p, "answer msgbox Yes\n");
  p->messageBox(b);
  queue(*p,
        "expect msgbox \"Script 'a.vbs' has been saved         \" title \"Kestrin VB Script Editor\" "
        "buttons YesNoCancel icon information default No\n"
        "expect msgbox contains \"has been saved\"\n"
        "expect msgbox \"Script 'a.vbs' has been saved\"\n"
        "expect msgbox contains saved icon critical\n"
        "expect prompts 1\n"
        "expect prompts 0\n");
  EXPECT_EQ(p->passed(), 4);
  EXPECT_EQ(p->failed(), 2);
  EXPECT_NE(out.str().find("FAIL 3: expect msgbox \"Script 'a.vbs' has been saved\""), std::string::npos) << out.str();
}

TEST_F(PlayerTest, DialogExpectationReadsTheLastFileDialog) {
  auto p = player("");
  platform::ui::FileDialogPrompt d;
  d.save = true;
  d.title = "Save Kestrin VB Script";
  d.initDir = "/e/VB";
  d.filter = "Kestrin VB Script (*.vbs)|*.vbs";
  d.flags = 0x80002;
  queue(*p, "answer save cancel\n");
  EXPECT_EQ(p->fileDialog(d), std::nullopt);
  queue(
      *p,
      "expect dialog \"Save Kestrin VB Script\" folder /e/VB flags 524290 filter \"Kestrin VB Script (*.vbs)|*.vbs\"\n"
      "expect dialog \"Save Kestrin VB Script\" flags 0x80002 index 0 file \"\"\n"
      "expect dialog \"Select Kestrin VB Script\"\n");
  EXPECT_EQ(p->passed(), 2);
  EXPECT_EQ(p->failed(), 1);
}

TEST_F(PlayerTest, SetUpAndExpectationsOnFilesSettingsRegistryAndClipboard) {
  platform::ui::clipboard::SetText("copied");
  auto p = player(
      "write ${WORK}/s/a.vbs \"one\\r\\ntwo\"\n"
      "expect file ${WORK}/s/a.vbs equals \"one\\r\\ntwo\"\n"
      "expect file ${WORK}/s/a.vbs begins one\n"
      "expect file ${WORK}/s/a.vbs lacks three\n"
      "attrib ${WORK}/s/a.vbs +h +r\n"
      "expect file ${WORK}/s/a.vbs hidden\n"
      "expect file ${WORK}/s/a.vbs readonly\n"
      "attrib ${WORK}/s/a.vbs -r\n"
      "remove ${WORK}/s\n"
      "expect file ${WORK}/s/a.vbs missing\n"
      "remove ${WORK}/never-there\n"
      "setting KestrinEditor Preferences UserName \"Ann Lee\"\n"
      "expect setting KestrinEditor Preferences UserName \"Ann Lee\"\n"
      "unset KestrinEditor Preferences UserName\n"
      "unset KestrinEditor Preferences UserName\n"
      "expect setting KestrinEditor Preferences UserName missing\n"
      "registry HKEY_CURRENT_USER\\Software\\K Count dword 0x10\n"
      "registry HKEY_LOCAL_MACHINE\\Software\\K \"\" sz \"default text\"\n"
      "expect registry HKEY_CURRENT_USER\\Software\\K Count 16\n"
      "expect registry HKEY_LOCAL_MACHINE\\Software\\K \"\" \"default text\"\n"
      "expect registry HKEY_LOCAL_MACHINE\\Software\\K Other missing\n"
      "expect clipboard copied\n"
      "expect window \"Kestrin VB Script Editor\" closed\n"
      "clock 2024-02-29 13:45:00\n");
  EXPECT_EQ(p->play(), 0) << out.str();
  EXPECT_EQ(p->passed(), 13);
  EXPECT_EQ(platform::clockMillis(), platform::localMillisFrom(2024, 2, 29, 13, 45, 0));
  EXPECT_NE(out.str().find("\n13 passed, 0 failed\n"), std::string::npos) << out.str();
  platform::useRealClock();
}

TEST_F(PlayerTest, PromptExpectationsReadTheLastPromptAsItWasAsked) {
  auto p = player("");
  queue(*p, "answer input cancel\nanswer print ok\nanswer folder cancel\n");
  p->inputBox({"Name of the new procedure:", "Add Function", "NewFunction"});
  platform::ui::PrintDialogPrompt print;
  print.flags = 0x40;
  print.copies = 2;
  print.fromPage = 1;
  print.toPage = 3;
  p->printDialog(print);
  p->browseFolder({"Select the backup folder", "/home/ann", 1});
  queue(*p,
        "expect input \"Name of the new procedure:\" title \"Add Function\" default NewFunction\n"
        "expect input \"Name of the new procedure:\" default Other\n"
        "expect printdialog flags 0x40 copies 2 from 1 to 3\n"
        "expect printdialog copies 1\n"
        "expect folderdialog \"Select the backup folder\" root /home/ann options 1\n"
        "expect folderdialog \"Select the backup folder\" root /\n"
        "expect prompts 3\n");
  EXPECT_EQ(p->passed(), 4);
  EXPECT_EQ(p->failed(), 3);
  const std::string t = out.str();
  EXPECT_NE(t.find("FAIL 2: expect input \"Name of the new procedure:\" default Other\n"
                   "     found: \"Name of the new procedure:\" title \"Add Function\" default \"NewFunction\"\n"),
            std::string::npos)
      << t;
  EXPECT_NE(t.find("     found: flags 64 copies 2 from 1 to 3\n"), std::string::npos) << t;
  EXPECT_NE(t.find("     found: \"Select the backup folder\" root \"/home/ann\" options 1\n"), std::string::npos) << t;
}

TEST_F(PlayerTest, LaunchesAreWrittenDownAndOnlyAllowedProgramsGoAhead) {
  auto p = player("");
  platform::Launch program;
  program.program = "/usr/bin/xterm";
  program.arguments = {"-e", "a \"b\""};
  platform::Launch opener;
  opener.kind = platform::Launch::Kind::Opener;
  opener.arguments = {"mailto:a@x.test?body=one\r\ntwo"};
  EXPECT_FALSE(p->recordLaunch(program));
  EXPECT_FALSE(p->recordLaunch(opener));
  queue(*p, "allow xterm\n");
  EXPECT_TRUE(p->recordLaunch(program));
  program.program = "/usr/bin/xterm2";
  EXPECT_FALSE(p->recordLaunch(program));
  std::ifstream in(dir.path() + "/launch.log", std::ios::binary);
  std::ostringstream log;
  log << in.rdbuf();
  EXPECT_EQ(log.str(),
            "\"/usr/bin/xterm\" \"-e\" \"a \\\"b\\\"\"\n"
            "opener \"mailto:a@x.test?body=one\\r\\ntwo\"\n"
            "\"/usr/bin/xterm\" \"-e\" \"a \\\"b\\\"\"\n"
            "\"/usr/bin/xterm2\" \"-e\" \"a \\\"b\\\"\"\n");
  queue(*p,
        "expect launch \"\\\"/usr/bin/xterm2\\\" \\\"-e\\\" \\\"a \\\\\\\"b\\\\\\\"\\\"\"\n"
        "expect launch contains xterm2\n"
        "expect launch contains mailto\n");
  EXPECT_EQ(p->passed(), 2) << out.str();
  EXPECT_EQ(p->failed(), 1);
  EXPECT_NE(out.str().find("   started \"/usr/bin/xterm\""), std::string::npos) << out.str();
}

TEST_F(PlayerTest, SecondEditionSetUpOfFilesRegistryAndEnvironment) {
  ::unsetenv("KESTRIN_PLAYER_TEST");
  auto p = player(
      "write ${WORK}/a.txt \"one\\r\\ntwo\"\n"
      "expect file ${WORK}/a.txt ends \"two\"\n"
      "expect file ${WORK}/a.txt ends \"one\"\n"
      "chmod ${WORK}/a.txt 0444\n"
      "expect file ${WORK}/a.txt attributes +r -h -s\n"
      "chmod ${WORK}/a.txt 0644\n"
      "expect file ${WORK}/a.txt attributes +r\n"
      "touch ${WORK}/a.txt 2001-02-03 04:05:06\n"
      "registry HKEY_CURRENT_USER\\Software\\K\\Deep V sz x\n"
      "registry HKEY_CURRENT_USER\\Software\\K Raw bytes sz 4142\n"
      "registry HKEY_CURRENT_USER\\Software\\K Gone sz x\n"
      "registry HKEY_CURRENT_USER\\Software\\K Gone delete\n"
      "registry HKEY_CURRENT_USER\\Software\\K Gone delete\n"
      "expect registry HKEY_CURRENT_USER\\Software\\K Gone missing\n"
      "env KESTRIN_PLAYER_TEST \"a b\"\n");
  EXPECT_EQ(p->play(), 1);
  EXPECT_EQ(p->passed(), 3) << out.str();
  EXPECT_EQ(p->failed(), 2);
  EXPECT_NE(out.str().find("FAIL 3: expect file ${WORK}/a.txt ends \"one\"\n     found: \"one\\r\\ntwo\"\n"),
            std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("FAIL 7: expect file ${WORK}/a.txt attributes +r\n     found: -r -h -s -a -c (128)\n"),
            std::string::npos)
      << out.str();
  struct stat st {};
  ASSERT_EQ(::stat((dir.path() + "/a.txt").c_str(), &st), 0);
  std::tm tm{};
  const time_t when = st.st_mtime;
  localtime_r(&when, &tm);
  EXPECT_EQ((std::vector<int>{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec}),
            (std::vector<int>{2001, 2, 3, 4, 5, 6}));
  // The bytes exactly as given: no closing NUL was added.
  platform::HKEY key = 0;
  ASSERT_EQ(platform::RegOpenKeyEx(platform::HKEY_CURRENT_USER, "Software\\K", 0, platform::KEY_READ, &key),
            platform::ERROR_SUCCESS);
  char data[8] = {};
  platform::DWORD type = 0, size = sizeof data;
  EXPECT_EQ(platform::RegQueryValueEx(key, "Raw", &type, data, &size), platform::ERROR_SUCCESS);
  platform::RegCloseKey(key);
  EXPECT_EQ(type, platform::REG_SZ);
  EXPECT_EQ(std::string(data, size), "AB");
  ASSERT_NE(std::getenv("KESTRIN_PLAYER_TEST"), nullptr);
  EXPECT_STREQ(std::getenv("KESTRIN_PLAYER_TEST"), "a b");
  queue(*p, "unenv KESTRIN_PLAYER_TEST\nregistry HKEY_CURRENT_USER\\Software\\K delete\n");
  EXPECT_EQ(std::getenv("KESTRIN_PLAYER_TEST"), nullptr);
  EXPECT_NE(platform::RegOpenKeyEx(platform::HKEY_CURRENT_USER, "Software\\K\\Deep", 0, platform::KEY_READ, &key),
            platform::ERROR_SUCCESS);
  EXPECT_EQ(p->errors(), 0) << out.str();
}

TEST_F(PlayerTest, FailuresLeftoverAnswersAndActionsWithoutWindowFailThePlay) {
  auto p = player(
      "expect file ${WORK}/none exists\n"
      "type \"x\"\n"
      "answer msgbox OK\n");
  EXPECT_EQ(p->play(), 1);
  EXPECT_EQ(p->failed(), 1);
  EXPECT_EQ(p->errors(), 2);
  const std::string t = out.str();
  EXPECT_NE(t.find("ERROR 2: no window waits for the person"), std::string::npos) << t;
  EXPECT_NE(t.find("ERROR 3: the answer was never used: answer msgbox OK"), std::string::npos) << t;
  EXPECT_EQ(t.substr(t.rfind('\n', t.size() - 2) + 1), "0 passed, 1 failed\n");
}

TEST_F(PlayerTest, ExpectationsOfAHostCallBeforeAnyCallFail) {
  auto p = player("expect result 0\nexpect error none\nexpect arg \"\"\n");
  EXPECT_EQ(p->play(), 1);
  EXPECT_EQ(p->failed(), 3);
}

}  // namespace
}  // namespace kestrin_host
