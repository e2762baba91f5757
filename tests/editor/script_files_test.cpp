// The script-file commands: a new script with its header, open with the
// read-only warnings, save, save as, the save questions, and the host told
// of every save under a name.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editor/CMainFrontEnd.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "script_commands_fixture.h"
#include "platform/runtime/strings.h"
#include "platform/ui/user.h"
#include "platform/win32/library.h"
#include "platform/win32/settings.h"

namespace editor_test {
namespace {

using kestrin::editor::CMainFrontEnd;
using kestrin::editor::CPreferences;
using kestrin::editor::frmMain;
using kestrin_test::readFile;
using kestrin_test::writeFile;
namespace modMain = kestrin::editor::modMain;
namespace modGlobals = kestrin::editor::modGlobals;
namespace mb = platform::ui::mb;

const std::string kNine(9, ' ');
const char* const kTitle = "Kestrin VB Script Editor";
const char* const kScript = "Sub Main()\r\n    MsgBox \"hi\"\r\nEnd Sub";

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> out;
  for (const auto& line : platform::split(text, "\r\n")) out.push_back(line);
  return out;
}

class ScriptFilesTest : public ScriptCommandTest {
 protected:
  bool loadBridge() { return ScriptCommandTest::loadBridge(editorFile("bridge.log")); }
  std::string script(const std::string& name, const std::string& text = kScript) {
    return writeScript(editorFile(name), text);
  }
  std::string panel() const { return main->StatusBar1->panel("MAIN").text(); }
  bool traced(const std::string& text) const {
    const auto lines = traceLines();
    return std::find(lines.begin(), lines.end(), "Entered routine: " + text) != lines.end();
  }
};

// ---- New script ---------------------------------------------------------------

TEST_F(ScriptFilesTest, ANewScriptGetsTheHeaderLineByLine) {
  main->CodeSense1->setText("old text");
  modMain::g_frmFileNew(*main);

  const std::string rule = "'" + std::string(80, '/');
  const std::string subRule = "' " + std::string(20, '/');
  const std::vector<std::string> expected = {
      rule,
      "'//",
      "'//        Author:   <insert name here>",
      "'//          Date:   15/01/2024 09:30 AM",
      "'//     File Name:   New Kestrin Script",
      "'//",
      "'//   Description:   Kestrin VB Script",
      "'//",
      "'//      Comments:   <insert comments here> ",
      "'//",
      rule,
      "",
      "",
      "'///////////////// My Constants /////////////////",
      "",
      "",
      "",
      "'///////////////// My Global Variables //////////",
      "",
      "",
      "",
      "' -- Start Script",
      "Call Main()",
      "",
      "",
      subRule,
      "' Sub Declaration",
      subRule,
      "Sub Main()",
      "    ' -- Add code here...",
      "End Sub",
  };
  const std::string text = main->CodeSense1->text();
  EXPECT_EQ(linesOf(text), expected);
  EXPECT_EQ(text.substr(text.size() - 7), "End Sub");  // no line end after it
  EXPECT_FALSE(main->CodeSense1->canUndo());
  EXPECT_EQ(main->tag(), "New Kestrin Script");
  EXPECT_EQ(panel(), "New Kestrin Script");
  EXPECT_FALSE(main->IsDirty());
  EXPECT_TRUE(traced("modMain::g_frmFileNew(Sub)"));
  EXPECT_TRUE(balanced(traceLines()));
}

TEST_F(ScriptFilesTest, TheHeadersAuthorLineComesFromThePreferences) {
  struct Case {
    const char* userName;
    const char* eMail;
    const char* line;
  };
  const Case cases[] = {
      {"", "ann@example.com", "'//        Author:   <insert name here>"},
      {"   ", "", "'//        Author:   <insert name here>"},
      {"Ann Smith", "", "'//        Author:   Ann Smith "},
      {"Ann Smith", "ann@example.com", "'//        Author:   Ann Smith ann@example.com"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.userName);
    CPreferences preferences;
    preferences.setUserName(c.userName);
    preferences.setEMail(c.eMail);
    modMain::g_frmFileNew(*main);
    const auto lines = linesOf(main->CodeSense1->text());
    ASSERT_EQ(lines.size(), 31u);
    EXPECT_EQ(lines[2], c.line);
  }
}

TEST_F(ScriptFilesTest, WithoutTheHeaderPreferenceANewScriptIsEmpty) {
  CPreferences().setAddHeader(0);
  main->CodeSense1->setText("old text");
  modMain::g_frmFileNew(*main);
  EXPECT_EQ(main->CodeSense1->text(), "");
  EXPECT_EQ(main->tag(), "New Kestrin Script");
}

TEST_F(ScriptFilesTest, ANewScriptWhileModifiedAsksAndCancelChangesNothing) {
  const std::string path = script("work.vbs");
  editing(path, "changed");
  user->answerMessageBox(mb::Cancel, "File has changed, save it?" + kNine, kTitle);
  modMain::g_frmFileNew(*main);
  EXPECT_EQ(user->lastMessageBox()->text, "File has changed, save it?" + kNine);
  EXPECT_EQ(user->lastMessageBox()->buttons, mb::YesNoCancel);
  EXPECT_EQ(user->lastMessageBox()->icon, mb::Question);
  EXPECT_EQ(main->CodeSense1->text(), "changed");
  EXPECT_EQ(main->tag(), path + "*");
  EXPECT_TRUE(main->IsDirty());
  EXPECT_EQ(readFile(path), kScript);
  EXPECT_TRUE(balanced(traceLines()));

  // No drops the changes; Yes would have saved them first.
  user->answerMessageBox(mb::No, "File has changed");
  modMain::g_frmFileNew(*main);
  EXPECT_EQ(main->tag(), "New Kestrin Script");
  EXPECT_EQ(readFile(path), kScript);
}

TEST_F(ScriptFilesTest, ANewScriptAfterYesSavesTheOldOneUnderItsName) {
  if (!loadBridge()) GTEST_SKIP() << "the bridge library is built with kestrin-host";
  const std::string path = script("work.vbs");
  editing(path, "changed");
  user->answerMessageBox(mb::Yes, "File has changed, save it?");
  modMain::g_frmFileNew(*main);
  EXPECT_EQ(readFile(path), "changed");
  EXPECT_EQ(main->tag(), "New Kestrin Script");
  EXPECT_EQ(bridgeLog(), "save_scriptname " + path + "\n");
}

TEST_F(EditorTest, RunEditorStartsANewScriptWithTheHeader) {
  std::string first, tag;
  duringWait([&] {
    first = linesOf(window().CodeSense1->text()).front();
    tag = window().tag();
  });
  user->close();
  user->answerMessageBox(mb::Yes, "Are you sure you want to exit");
  std::string arg = "NEW";
  EXPECT_NE(CMainFrontEnd::create()->RunEditor(arg), 0);
  EXPECT_EQ(first, "'" + std::string(80, '/'));
  EXPECT_EQ(tag, "New Kestrin Script");
}

// ---- Open ---------------------------------------------------------------------

TEST_F(ScriptFilesTest, OpenAsksInTheVbFolderWithItsFilterTitleAndFlags) {
  const std::string path = script("VB/plain.vbs");
  user->answerFileDialog(path, "Select Kestrin VB Script");
  main->m_FileOpen();
  const auto& prompt = user->lastFileDialog();
  ASSERT_TRUE(prompt);
  EXPECT_FALSE(prompt->save);
  EXPECT_EQ(prompt->title, "Select Kestrin VB Script");
  EXPECT_EQ(prompt->filter, "Kestrin VB Script (*.vbs)|*.vbs");
  EXPECT_EQ(prompt->initDir, editorFile("VB"));
  EXPECT_EQ(prompt->flags, 0x101804);
  EXPECT_EQ(main->tag(), path);
  EXPECT_EQ(main->CodeSense1->text(), kScript);
  EXPECT_TRUE(traced("frmMain::m_FileOpen(Sub)"));
  EXPECT_TRUE(balanced(traceLines()));

  // The read-only box shows when the stored "HideReadOnly" is not 1.
  platform::SaveSetting("KestrinEditor", "Preferences", "HideReadOnly", "0");
  user->answerFileDialog(path);
  main->m_FileOpen();
  EXPECT_EQ(user->lastFileDialog()->flags, 0x101800);
}

// Marks a file compressed where the file system keeps that flag.
bool markCompressed(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  int flags = 0;
  bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags |= FS_COMPR_FL;
  done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  ::close(fd);
  return done;
}

TEST_F(ScriptFilesTest, OpenOfAReadOnlyHiddenOrCompressedFileWarnsAndLocksTheEditor) {
  const std::string readOnly = script("locked.vbs");
  std::filesystem::permissions(readOnly, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
  const std::string hidden = script(".hidden.vbs");
  const std::string compressed = script("packed.vbs");
  const bool canCompress = markCompressed(compressed);
  const std::string plain = script("plain.vbs");
  // Read-only and hidden at once: the read-only check comes first.
  const std::string both = script(".locked.vbs");
  std::filesystem::permissions(both, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);

  struct Case {
    std::string path;
    const char* warning;
  };
  std::vector<Case> cases = {
      {readOnly,
       "You have selected a read only script, you will not be able to make changes to "
       "this script"},
      {hidden,
       "You have selected a hidden script, you will not be able to make changes to this "
       "script"},
      {both,
       "You have selected a read only script, you will not be able to make changes to "
       "this script"},
  };
  if (canCompress)
    cases.push_back({compressed,
                     "You have selected a compressed script, you will not be able to "
                     "make changes to this script"});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    user->answerFileDialog(c.path);
    user->answerMessageBox(mb::OK, c.warning, kTitle);
    main->m_FileOpen();
    EXPECT_EQ(user->lastMessageBox()->text, c.warning + kNine);
    EXPECT_EQ(user->lastMessageBox()->icon, mb::Exclamation);
    EXPECT_TRUE(main->CodeSense1->readOnly());
    EXPECT_EQ(panel(), c.path + " *** READ ONLY ***");
    EXPECT_EQ(main->tag(), c.path);
    EXPECT_EQ(main->CodeSense1->text(), kScript);

    // Then an ordinary file makes the editor writable again, without a word.
    user->answerFileDialog(plain);
    main->m_FileOpen();
    EXPECT_FALSE(main->CodeSense1->readOnly());
    EXPECT_EQ(panel(), plain);
  }
  if (!canCompress) GTEST_SKIP() << "this file system keeps no compressed flag";
}

TEST_F(ScriptFilesTest, OpenCancelledChangesNothingAndSaysNothing) {
  const std::string path = script("work.vbs");
  main->FileToView(path);
  user->answerFileDialog(std::nullopt);
  main->m_FileOpen();
  EXPECT_FALSE(user->lastMessageBox());
  EXPECT_EQ(main->tag(), path);
  EXPECT_EQ(main->CodeSense1->text(), kScript);
  EXPECT_EQ(kestrin::diagnostics::currentFailure().number, 0);
  EXPECT_TRUE(balanced(traceLines()));
}

TEST_F(ScriptFilesTest, OpenKeepsTheModifiedFlagAndAsksNothingForAReadOnlyScript) {
  const std::string other = script("other.vbs");
  main->CodeSense1->setReadOnly(true);
  main->setIsDirty(true);
  user->answerFileDialog(other);
  main->m_FileOpen();
  EXPECT_FALSE(user->lastMessageBox());
  EXPECT_FALSE(main->CodeSense1->readOnly());
  EXPECT_TRUE(main->IsDirty());
  EXPECT_EQ(main->tag(), other);
}

// ---- Save ---------------------------------------------------------------------

TEST_F(ScriptFilesTest, SavingANewScriptAsksInTheVbFolderAndCancelKeepsIt) {
  modMain::g_frmFileNew(*main);
  main->setTag("New Kestrin Script*");
  main->setIsDirty(true);
  user->answerFileDialog(std::nullopt, "Save Kestrin VB Script");
  EXPECT_FALSE(modMain::gbln_FileSave(*main));
  const auto& prompt = user->lastFileDialog();
  ASSERT_TRUE(prompt);
  EXPECT_TRUE(prompt->save);
  EXPECT_EQ(prompt->title, "Save Kestrin VB Script");
  EXPECT_EQ(prompt->initDir, editorFile("VB"));
  EXPECT_EQ(prompt->filter, "Kestrin VB Script (*.vbs)|*.vbs");
  EXPECT_EQ(prompt->flags, 0x80002);
  EXPECT_EQ(main->tag(), "New Kestrin Script*");
  EXPECT_TRUE(main->IsDirty());
  EXPECT_FALSE(user->lastMessageBox());
  EXPECT_TRUE(traced("modMain::gbln_FileSave(Function) [filename] New Kestrin Script*"));
  EXPECT_TRUE(balanced(traceLines()));
}

TEST_F(ScriptFilesTest, SavingANewScriptUnderANameWritesItSaysSoAndTellsTheHost) {
  if (!loadBridge()) GTEST_SKIP() << "the bridge library is built with kestrin-host";
  main->CodeSense1->setText("Call Main()");
  main->setTag("New Kestrin Script*");
  main->setIsDirty(true);
  const std::string path = editorFile("VB/first.vbs");
  user->answerFileDialog(path);
  user->answerMessageBox(mb::OK, "Script 'first.vbs' has been saved" + kNine, kTitle);
  EXPECT_TRUE(modMain::gbln_FileSave(*main));
  EXPECT_EQ(user->lastMessageBox()->text, "Script 'first.vbs' has been saved" + kNine);
  EXPECT_EQ(user->lastMessageBox()->icon, mb::Information);
  EXPECT_EQ(readFile(path), "Call Main()");
  EXPECT_EQ(main->tag(), path);
  EXPECT_FALSE(main->IsDirty());
  EXPECT_EQ(bridgeLog(), "save_scriptname " + path + "\n");
}

TEST_F(ScriptFilesTest, SavingAScriptWithAFileAsksNothingAndTellsTheHost) {
  if (!loadBridge()) GTEST_SKIP() << "the bridge library is built with kestrin-host";
  const std::string path = script("VB/work.vbs");
  editing(path, "new text");
  main->setTag("  " + path + "*");
  EXPECT_TRUE(modMain::gbln_FileSave(*main));
  EXPECT_FALSE(user->lastFileDialog());
  EXPECT_FALSE(user->lastMessageBox());
  EXPECT_EQ(readFile(path), "new text");
  EXPECT_EQ(main->tag(), path);
  EXPECT_EQ(panel(), path);
  EXPECT_FALSE(main->IsDirty());
  EXPECT_TRUE(modGlobals::g_blnSkipDirtyMark);
  EXPECT_EQ(bridgeLog(), "save_scriptname " + path + "\n");
  EXPECT_TRUE(balanced(traceLines()));
}

TEST_F(ScriptFilesTest, WithoutTheBridgeASaveIsWrittenAndTheFailedBindingReported) {
  if (platform::LoadLibrary("kzenvb.dll") != 0) GTEST_SKIP() << "a bridge is loaded in this process";
  const std::string path = script("work.vbs");
  editing(path, "new text");
  // Without the diagnostics object the save shows its own message.
  modGlobals::g_ErrorHandler().reset();
  const std::string message =
      "Problem saving script, reason was:" + kNine + "\r\n" + "File not found: kzenvb.dll" + kNine + "\r\n";
  user->answerMessageBox(mb::OK, message, kTitle);
  EXPECT_TRUE(modMain::gbln_FileSave(*main));
  EXPECT_EQ(user->lastMessageBox()->text, message);
  EXPECT_EQ(readFile(path), "new text");
  EXPECT_EQ(main->tag(), path);

  // After the save dialog the failed binding is skipped quietly.
  main->setTag("New Kestrin Script*");
  const std::string named = editorFile("named.vbs");
  user->answerFileDialog(named);
  user->answerMessageBox(mb::OK, "Script 'named.vbs' has been saved");
  EXPECT_TRUE(modMain::gbln_FileSave(*main));
  EXPECT_EQ(readFile(named), "new text");
}

TEST_F(ScriptFilesTest, AFailedWriteOfAScriptWithAFileIsReportedAndLeavesItModified) {
  // A file that exists where nothing can be written, not even by the
  // superuser.
  const std::string path = "/proc/version";
  ASSERT_TRUE(std::filesystem::is_regular_file(path));
  main->CodeSense1->setText("new text");
  main->setTag(path + "*");
  main->setIsDirty(true);
  modGlobals::g_ErrorHandler().reset();
  user->answerMessageBox(mb::OK, "Problem saving script, reason was:" + kNine + "\r\n", kTitle);
  EXPECT_TRUE(modMain::gbln_FileSave(*main));
  EXPECT_EQ(user->lastMessageBox()->icon, mb::Exclamation);
  EXPECT_EQ(main->tag(), path + "*");
  EXPECT_TRUE(main->IsDirty());
  EXPECT_FALSE(modGlobals::g_blnSkipDirtyMark);
}

// Yes to a save question whose write fails holds up the close, the new
// script and the open: the text, the name and the mark stay, as after
// Cancel.
TEST_F(ScriptFilesTest, ASaveQuestionWhoseWriteFailsHoldsUpTheCommand) {
  // A file that exists where nothing can be written, not even by the
  // superuser.
  const std::string path = "/proc/version";
  const std::string problem = "Problem saving script, reason was:" + kNine + "\r\n";
  const auto cases = commandsThatAskToSave("'version' has changed, do you want to save changes?", "new text",
                                           [&] { return !user->lastFileDialog(); });
  modGlobals::g_ErrorHandler().reset();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    main->CodeSense1->setText("new text");
    main->setTag(path + "*");
    main->setIsDirty(true);
    user->answerMessageBox(mb::Yes, c.question, kTitle);
    user->answerMessageBox(mb::OK, problem, kTitle);
    EXPECT_TRUE(c.run());
    EXPECT_EQ(user->lastMessageBox()->text.rfind(problem, 0), 0u);
    EXPECT_EQ(main->CodeSense1->text(), "new text");
    EXPECT_EQ(main->tag(), path + "*");
    EXPECT_TRUE(main->IsDirty());
  }
}

TEST_F(ScriptFilesTest, AWriteThatFailsAfterTheDialogIsToldAsAFailureAndNotAsASave) {
  const bool withBridge = loadBridge();
  main->CodeSense1->setText("Call Main()");
  main->setTag("New Kestrin Script*");
  main->setIsDirty(true);
  const std::string nowhere = editorFile("no/such/folder/x.vbs");
  const std::string problem = "Problem saving script, reason was:" + kNine + "\r\n";

  user->answerFileDialog(nowhere, "Save Kestrin VB Script");
  user->answerMessageBox(mb::OK, problem, kTitle);
  modMain::gbln_FileSave(*main);
  EXPECT_EQ(user->lastMessageBox()->text.rfind(problem, 0), 0u);
  EXPECT_EQ(main->tag(), "New Kestrin Script*");
  EXPECT_TRUE(main->IsDirty());

  user->answerFileDialog(nowhere, "Save As");
  user->answerMessageBox(mb::OK, problem, kTitle);
  main->m_FileSaveAs();
  EXPECT_EQ(main->tag(), "New Kestrin Script*");
  EXPECT_FALSE(std::filesystem::exists(nowhere));
  if (withBridge) {
    EXPECT_EQ(bridgeLog(), "");  // the host heard of no path
  }
}

// ---- Save as --------------------------------------------------------------------

TEST_F(ScriptFilesTest, SaveAsCancelledWritesNothing) {
  const std::string path = script("VB/work.vbs");
  editing(path, "changed");
  user->answerFileDialog(std::nullopt, "Save As");
  main->m_FileSaveAs();
  EXPECT_EQ(readFile(path), kScript);
  EXPECT_EQ(main->tag(), path + "*");
  EXPECT_TRUE(main->IsDirty());
  EXPECT_TRUE(balanced(traceLines()));
}

TEST_F(ScriptFilesTest, SaveAsOfAModifiedScriptOpensInItsOwnFolderAndTakesTheNewName) {
  if (!loadBridge()) GTEST_SKIP() << "the bridge library is built with kestrin-host";
  std::filesystem::create_directories(editorFile("Projects"));
  const std::string path = script("Projects/work.vbs");
  editing(path, "changed");
  const std::string copy = editorFile("Projects/copy.vbs");
  user->answerFileDialog(copy, "Save As");
  main->m_FileSaveAs();
  const auto& prompt = user->lastFileDialog();
  ASSERT_TRUE(prompt);
  EXPECT_TRUE(prompt->save);
  EXPECT_EQ(prompt->title, "Save As");
  EXPECT_EQ(prompt->initDir, editorFile("Projects"));
  EXPECT_EQ(prompt->filter, "All Files (*.*)|*.*|Text Files(*.txt)|*.txt|Kestrin VB Script (*.vbs)|*.vbs");
  EXPECT_EQ(prompt->filterIndex, 3);
  EXPECT_EQ(prompt->flags, 0x80002);
  EXPECT_FALSE(user->lastMessageBox());
  EXPECT_EQ(readFile(copy), "changed");
  EXPECT_EQ(readFile(path), kScript);
  EXPECT_EQ(main->tag(), copy);
  EXPECT_FALSE(main->IsDirty());
  EXPECT_EQ(bridgeLog(), "save_scriptname " + copy + "\n");
  EXPECT_TRUE(traced("frmMain::m_FileSaveAs(Sub)"));

  // A script without a file starts in "VB".
  main->setTag("New Kestrin Script*");
  user->answerFileDialog(std::nullopt);
  main->m_FileSaveAs();
  EXPECT_EQ(user->lastFileDialog()->initDir, editorFile("VB"));
}

// A user who may not write the editor's folder (an install every user
// shares) saves a new script into their own "VB" of the editor's store,
// and Open starts there once it exists; until then Open shows the install's.
TEST_F(ScriptFilesTest, OnAReadOnlyInstallTheDialogsStartInTheUsersOwnVbFolder) {
  namespace fs = std::filesystem;
  kestrin_test::TempDir state;
  ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
  fs::create_directories(editorFile("VB"));
  fs::permissions(editorDir.path(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const std::string mine = state.file("kestrin/editor/VB");

  user->answerFileDialog(std::nullopt, "Select Kestrin VB Script");
  main->m_FileOpen();
  EXPECT_EQ(user->lastFileDialog()->initDir, editorFile("VB"));
  EXPECT_FALSE(fs::exists(mine));

  main->CodeSense1->setText("typed");
  main->setTag("New Kestrin Script*");
  main->setIsDirty(true);
  user->answerFileDialog(mine + "/mine.vbs", "Save Kestrin VB Script");
  user->answerMessageBox(mb::OK, "Script 'mine.vbs' has been saved");
  EXPECT_TRUE(modMain::gbln_FileSave(*main));
  EXPECT_EQ(user->lastFileDialog()->initDir, mine);
  EXPECT_EQ(fs::status(mine).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_EQ(readFile(mine + "/mine.vbs"), "typed");

  user->answerFileDialog(std::nullopt, "Select Kestrin VB Script");
  main->m_FileOpen();
  EXPECT_EQ(user->lastFileDialog()->initDir, mine);
  user->answerFileDialog(std::nullopt, "Save As");
  main->setTag("New Kestrin Script*");
  main->m_FileSaveAs();
  EXPECT_EQ(user->lastFileDialog()->initDir, mine);

  fs::permissions(editorDir.path(), fs::perms::owner_write, fs::perm_options::add);
  ::unsetenv("XDG_STATE_HOME");
}

TEST_F(ScriptFilesTest, SaveAndSaveAsDoNothingWhileReadOnly) {
  const std::string path = script("work.vbs");
  editing(path, "changed");
  main->CodeSense1->setReadOnly(true);
  EXPECT_TRUE(modMain::gbln_FileSave(*main));
  main->m_FileSaveAs();
  main->setTag("New Kestrin Script*");
  EXPECT_TRUE(modMain::gbln_FileSave(*main));
  EXPECT_FALSE(user->lastFileDialog());
  EXPECT_EQ(readFile(path), kScript);
  EXPECT_TRUE(main->IsDirty());
  // The save is not even traced.
  EXPECT_FALSE(traced("modMain::gbln_FileSave(Function) [filename] " + path + "*"));
}

// ---- The close-time question --------------------------------------------------------

TEST_F(ScriptFilesTest, TheCloseQuestionNamesTheFilePartAndCancelOrACancelledSaveKeepsTheWindow) {
  const std::string question = "'New Kestrin Script' has changed, do you want to save changes?";
  modMain::g_frmFileNew(*main);
  EXPECT_FALSE(modMain::gbln_CheckForSave(*main));  // unchanged: nothing asked
  EXPECT_FALSE(user->lastMessageBox());

  main->setTag("New Kestrin Script*");
  main->setIsDirty(true);
  user->answerMessageBox(mb::Cancel, question, kTitle);
  EXPECT_TRUE(modMain::gbln_CheckForSave(*main));
  EXPECT_EQ(user->lastMessageBox()->text, question);
  EXPECT_EQ(user->lastMessageBox()->buttons, mb::YesNoCancel);
  user->answerMessageBox(mb::No, question);
  EXPECT_FALSE(modMain::gbln_CheckForSave(*main));
  // Yes saves: for a never-saved script through the dialog, whose Cancel
  // keeps the window as the question's Cancel does.
  user->answerMessageBox(mb::Yes, question);
  user->answerFileDialog(std::nullopt, "Save Kestrin VB Script");
  EXPECT_TRUE(modMain::gbln_CheckForSave(*main));

  const std::string path = script("VB/work.vbs");
  main->setTag(path + "*");
  user->answerMessageBox(mb::Cancel, "'work.vbs' has changed, do you want to save changes?");
  EXPECT_TRUE(modMain::gbln_CheckForSave(*main));
  EXPECT_TRUE(balanced(traceLines()));
}

TEST_F(EditorTest, ClosingAModifiedNewScriptOffersToSaveAndCancelKeepsTheEditorOpen) {
  const std::string question = "'New Kestrin Script' has changed, do you want to save changes?";
  bool stillOpen = false;
  user->type("x");
  user->close();
  user->answerMessageBox(mb::Yes, "Are you sure you want to exit");
  user->answerMessageBox(mb::Cancel, question);
  duringWait([&] { stillOpen = platform::ui::findForm("frmMain") != nullptr; });
  user->close();
  user->answerMessageBox(mb::Yes, "Are you sure you want to exit");
  user->answerMessageBox(mb::No, question);
  std::string arg;
  EXPECT_NE(CMainFrontEnd::create()->RunEditor(arg), 0);
  EXPECT_TRUE(stillOpen);
}

}  // namespace
}  // namespace editor_test
