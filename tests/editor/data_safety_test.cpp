// Nothing the user typed is lost and nothing is read from or written to a
// file the user did not mean: a cancelled save dialog holds up the command
// that asked, a file changed by another program is overwritten only after
// a question, what is no readable script is refused wherever a script is
// read, the host hears only of saves that reached the disk, and a session
// that ends without the user leaves an emergency copy of a modified script.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "editor/CMainFrontEnd.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "script_commands_fixture.h"
#include "platform/runtime/script_file.h"
#include "platform/ui/emergency.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/windows.h"
#include "platform/win32/library.h"

namespace editor_test {
namespace {

namespace fs = std::filesystem;
namespace mb = platform::ui::mb;
namespace modMain = kestrin::editor::modMain;
namespace modGlobals = kestrin::editor::modGlobals;
using kestrin::editor::CMainFrontEnd;
using kestrin_test::readFile;
using kestrin_test::writeFile;

const std::string kNine(9, ' ');
const char* const kTitle = "Kestrin VB Script Editor";

unsigned modeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0xFFFF;
}

class DataSafetyTest : public ScriptCommandTest {
 protected:
  void SetUp() override {
    ScriptCommandTest::SetUp();
    loadBridge(work.file("bridge.log"));
  }
  void TearDown() override {
    ScriptCommandTest::TearDown();
    ::unsetenv("XDG_STATE_HOME");
  }
  std::string script(const std::string& name, const std::string& text) { return writeScript(work.file(name), text); }
  void editingNewScript(const std::string& text) {
    main->setIsDirty(false);
    modMain::g_frmFileNew(*main);
    main->CodeSense1->setText(text);
    main->setTag("New Kestrin Script*");
    main->setIsDirty(true);
  }

  kestrin_test::TempDir work;
};

// ---- A save that did not reach the disk holds up the command that asked ----------

TEST_F(DataSafetyTest, ACancelledSaveDialogAfterYesHoldsUpTheCloseTheNewScriptAndTheOpen) {
  const auto cases =
      commandsThatAskToSave("'New Kestrin Script' has changed, do you want to save changes?", "typed text",
                            [&] { return user->lastFileDialog()->title == "Save Kestrin VB Script"; });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    editingNewScript("typed text");
    user->answerMessageBox(mb::Yes, c.question, kTitle);
    user->answerFileDialog(std::nullopt, "Save Kestrin VB Script");
    EXPECT_TRUE(c.run());
    EXPECT_TRUE(user->done());
    EXPECT_EQ(main->CodeSense1->text(), "typed text");
    EXPECT_EQ(main->tag(), "New Kestrin Script*");
    EXPECT_TRUE(main->IsDirty());
  }
}

TEST_F(EditorTest, CancellingTheSaveDialogOfTheExitQuestionKeepsTheEditorAndItsText) {
  bool stillOpen = false;
  std::string text;
  user->type("x");
  user->close();
  user->answerMessageBox(mb::Yes, "Are you sure you want to exit");
  user->answerMessageBox(mb::Yes, "'New Kestrin Script' has changed, do you want to save changes?");
  user->answerFileDialog(std::nullopt, "Save Kestrin VB Script");
  duringWait([&] {
    stillOpen = platform::ui::findForm("frmMain") != nullptr;
    if (stillOpen) text = window().CodeSense1->text();
  });
  user->close();
  user->answerMessageBox(mb::Yes, "Are you sure you want to exit");
  user->answerMessageBox(mb::No, "has changed, do you want to save changes?");
  std::string arg = "new";
  kestrin::editor::CPreferences().setAddHeader(0);
  EXPECT_NE(CMainFrontEnd::create()->RunEditor(arg), 0);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(text, "x");
}

// ---- A file changed by another program --------------------------------------------

TEST_F(DataSafetyTest, AFileChangedOrReplacedByAnotherProgramIsOverwrittenOnlyAfterYes) {
  struct Case {
    const char* what;
    std::function<void(const std::string&)> change;
  };
  const Case cases[] = {
      {"rewritten in place", [](const std::string& p) { writeFile(p, "their version, longer"); }},
      {"replaced by a new file",
       [](const std::string& p) {
         writeFile(p + ".new", "their file");
         fs::rename(p + ".new", p);
       }},
      {"removed and made again",
       [](const std::string& p) {
         fs::remove(p);
         writeFile(p, "theirs");
       }},
      // As many bytes within the same second: only the nanoseconds differ.
      {"rewritten in place in the same second",
       [](const std::string& p) {
         struct stat st {};
         ASSERT_EQ(::stat(p.c_str(), &st), 0);
         writeFile(p, "tsrif");
         timespec times[2] = {st.st_atim, st.st_mtim};
         times[1].tv_nsec ^= 1;
         ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
       }},
      // As many bytes and the same time: only the file differs.
      {"replaced by a file of the same size and time",
       [](const std::string& p) {
         struct stat st {};
         ASSERT_EQ(::stat(p.c_str(), &st), 0);
         writeFile(p + ".new", "tsrif");
         const timespec times[2] = {st.st_atim, st.st_mtim};
         ASSERT_EQ(::utimensat(AT_FDCWD, (p + ".new").c_str(), times, 0), 0);
         fs::rename(p + ".new", p);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = script("shared.vbs", "first");
    editing(path, "mine");
    c.change(path);
    const std::string theirs = readFile(path);
    const std::string question = path + " has been changed by another program. Overwrite it?";

    user->answerMessageBox(mb::No, question, kTitle);
    EXPECT_FALSE(modMain::gbln_FileSave(*main));
    EXPECT_EQ(user->lastMessageBox()->buttons, mb::YesNo);
    EXPECT_EQ(readFile(path), theirs);
    EXPECT_TRUE(main->IsDirty());
    EXPECT_EQ(bridgeLog(), "");

    // No also holds up the close.
    user->answerMessageBox(mb::Yes, "'shared.vbs' has changed, do you want to save changes?");
    user->answerMessageBox(mb::No, question);
    EXPECT_TRUE(modMain::gbln_CheckForSave(*main));
    EXPECT_EQ(readFile(path), theirs);

    user->answerMessageBox(mb::Yes, question, kTitle);
    EXPECT_TRUE(modMain::gbln_FileSave(*main));
    EXPECT_EQ(readFile(path), "mine");
    EXPECT_TRUE(user->done());
    fs::remove(work.file("bridge.log"));
  }
}

TEST_F(DataSafetyTest, SavingAgainAfterOwnSavesOrAfterALoadAsksNothing) {
  const std::string path = script("mine.vbs", "first");
  editing(path, "second");
  EXPECT_TRUE(modMain::gbln_FileSave(*main));
  main->CodeSense1->setText("third");
  main->setIsDirty(true);
  EXPECT_TRUE(modMain::gbln_FileSave(*main));
  EXPECT_EQ(readFile(path), "third");
  // Changed before the load: the load sees it as it is.
  writeFile(path, "outside");
  editing(path, "fourth");
  EXPECT_TRUE(modMain::gbln_FileSave(*main));
  EXPECT_EQ(readFile(path), "fourth");
  EXPECT_FALSE(user->lastMessageBox());
}

// ---- The host hears only of saves that reached the disk ----------------------------

TEST_F(DataSafetyTest, ASaveThatFailedAndWasAnsweredIgnoreTellsTheHostNothing) {
  if (!bridge) GTEST_SKIP() << "the demo bridge library was not built";
  const std::string path = script("locked.vbs", "old");
  editing(path, "new");
  ::chmod(path.c_str(), 0444);  // refused even to the superuser
  user->answerMessageBox(mb::Ignore, "Permission denied");
  modMain::gbln_FileSave(*main);
  EXPECT_TRUE(user->done());
  EXPECT_EQ(readFile(path), "old");
  EXPECT_EQ(bridgeLog(), "");
  EXPECT_TRUE(main->IsDirty());

  ::chmod(path.c_str(), 0644);
  EXPECT_TRUE(modMain::gbln_FileSave(*main));
  EXPECT_EQ(bridgeLog(), "save_scriptname " + path + "\n");
}

// ---- What is no readable script is refused -----------------------------------------

struct Unreadable {
  const char* what;
  std::string path;
  const char* reason;
};

class UnreadableTest : public DataSafetyTest {
 protected:
  void SetUp() override {
    DataSafetyTest::SetUp();
    fs::create_directory(work.file("folder.vbs"));
    ASSERT_EQ(::mkfifo(work.file("pipe.vbs").c_str(), 0600), 0);
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = work.file("socket.vbs");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(s);
    script("real.vbs", "real script");
    cases = {
        {"a folder", work.file("folder.vbs"), "it is a folder"},
        {"a FIFO", work.file("pipe.vbs"), "it is a FIFO"},
        {"a socket", work.file("socket.vbs"), "it is a socket"},
        {"a device that never ends", "/dev/zero", "it is a device"},
        {"a missing file", work.file("missing.vbs"), "it does not exist"},
        {"a name cut at a NUL", work.file("real.vbs") + std::string(1, '\0') + ".txt",
         "the name holds a NUL character"},
    };
  }
  void expectRefusal(const Unreadable& c) {
    user->answerMessageBox(mb::OK, std::string("cannot be opened: ") + c.reason + ".", kTitle);
  }
  std::vector<Unreadable> cases;
};

TEST_F(UnreadableTest, OpenAndInsertFileRefuseItAndLeaveTheDocumentAsItWas) {
  const std::string mine = script("mine.vbs", "my text");
  for (const Unreadable& c : cases) {
    // The file dialogs themselves send the user back from a folder or a
    // missing file.
    std::error_code ec;
    if (fs::is_directory(c.path) || !fs::exists(fs::symlink_status(c.path, ec))) continue;
    SCOPED_TRACE(c.what);
    main->FileToView(mine);
    main->CodeSense1->setText("my text");
    main->setTag(mine);
    main->setIsDirty(false);

    user->answerFileDialog(c.path, "Select Kestrin VB Script");
    expectRefusal(c);
    main->m_FileOpen();
    EXPECT_TRUE(user->done());
    EXPECT_NE(user->lastMessageBox()->text.find(c.path.substr(0, c.path.find('\0'))), std::string::npos);
    EXPECT_EQ(main->tag(), mine);
    EXPECT_EQ(main->CodeSense1->text(), "my text");

    user->answerFileDialog(c.path, "Select Kestrin VB Script");
    expectRefusal(c);
    main->m_InsertFile();
    EXPECT_TRUE(user->done());
    EXPECT_EQ(main->CodeSense1->text(), "my text");
  }
}

// The definitions script lies in the editor's folder: a FIFO or a folder
// there is not read (a FIFO would block the editor) but named missing, and
// the document stays as it was.
TEST_F(UnreadableTest, TheDefinitionsScriptThatIsNoPlainFileIsNamedMissingAndNeverRead) {
  const std::string mine = script("mine.vbs", "my text");
  const std::string definitions = editorFile("Addlets/KzDef.vbs");
  for (const char* what : {"a FIFO", "a folder"}) {
    SCOPED_TRACE(what);
    fs::remove_all(definitions);
    if (std::string(what) == "a FIFO")
      ASSERT_EQ(::mkfifo(definitions.c_str(), 0600), 0);
    else
      fs::create_directory(definitions);
    main->FileToView(mine);
    user->answerMessageBox(mb::OK, "Could not locate kzdef.vbs", kTitle);
    main->m_OpenDefinitionsScript();
    EXPECT_TRUE(user->done());
    EXPECT_EQ(main->tag(), mine);
    EXPECT_EQ(main->CodeSense1->text(), "my text");
  }
  fs::remove_all(definitions);
}

// Insert File puts the file after two new lines at the end: a script that
// would then have more lines than the editor can number is told about and
// left as it was. Small limits stand for the 32-bit ones.
TEST_F(DataSafetyTest, InsertFileRefusesAScriptThatWouldHaveTooManyLines) {
  const std::string mine = script("mine.vbs", "a\r\nb\r\nc");
  const std::string part = script("part.vbs", "d\r\ne\r\nf");
  const platform::ScriptLimits saved = platform::scriptLimits();
  for (const uint64_t lines : {uint64_t{6}, uint64_t{7}}) {
    SCOPED_TRACE(lines);
    main->FileToView(mine);
    main->setTag(mine);
    platform::setScriptLimits({0, 1000, lines});
    user->answerFileDialog(part, "Select Kestrin VB Script");
    if (lines == 6)
      user->answerMessageBox(mb::OK, "cannot be inserted: the script would have more than 6 lines, the most a script may have.",
                             kTitle);
    main->m_InsertFile();
    platform::setScriptLimits(saved);
    EXPECT_TRUE(user->done());
    EXPECT_EQ(main->CodeSense1->text(), lines == 6 ? "a\r\nb\r\nc" : "a\r\nb\r\nc\r\n\r\nd\r\ne\r\nf");
  }
}

TEST_F(UnreadableTest, RunEditorOnItOpensNoWindow) {
  closeMainWindow();
  for (const Unreadable& c : cases) {
    SCOPED_TRACE(c.what);
    std::string arg = c.path;
    expectRefusal(c);
    EXPECT_EQ(CMainFrontEnd::create()->RunEditor(arg), 0);
    EXPECT_TRUE(user->done());
    EXPECT_FALSE(platform::ui::findForm("frmMain"));
    EXPECT_FALSE(platform::ui::FindWindowA(nullptr, kTitle));
  }
}

TEST_F(DataSafetyTest, AFileThatMayNotBeReadIsRefusedToAnOrdinaryUser) {
  // Run as another user, since the superuser may read anything.
  const std::string path = script("private.vbs", "secret");
  ::chmod(path.c_str(), 0200);
  ::chmod(work.path().c_str(), 0755);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
      ::_exit(platform::scriptReadProblem(path) == "you may not read it" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  } else {
    EXPECT_EQ(platform::scriptReadProblem(path), "you may not read it");
  }
}

// ---- The hand-over copy is read back only as this user's own file --------------------

// The host's "temp" finds the copy missing, and another user plants a file
// under its name while the window loads: the load looks again and refuses
// it, leaving the document as it was.
TEST_F(DataSafetyTest, TheReturnOfAHandedOverScriptRefusesAFilePlantedUnderTheCopysName) {
  const std::string mine = script("mine.vbs", "my text");
  const std::string other = script("other.vbs", "another script of mine");
  struct Case {
    const char* what;
    std::function<void(const std::string&)> plant;
    const char* reason;
  };
  std::vector<Case> cases = {
      {"a link", [&](const std::string& p) { fs::create_symlink(other, p); }, "it is a symbolic link"},
      {"a FIFO", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0666), 0); }, "it is a FIFO"},
  };
  if (::geteuid() == 0)
    cases.push_back({"a file of another user",
                     [](const std::string& p) {
                       writeFile(p, "MsgBox \"theirs\"\r\n");
                       ASSERT_EQ(::chown(p.c_str(), 65534, 65534), 0);
                     },
                     "it belongs to another user"});
  kestrin::editor::CPreferences().setLastScriptLoaded(mine);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    editing(mine, "typed");
    const std::string copy = work.file("_Temp.vbs");
    fs::remove(copy);
    c.plant(copy);
    user->answerMessageBox(mb::OK, std::string("cannot be opened: ") + c.reason + ".", kTitle);
    EXPECT_FALSE(modMain::gbln_RestoreHandedOverScript(*main, copy));
    EXPECT_TRUE(user->done());
    EXPECT_EQ(main->CodeSense1->text(), "typed");
    EXPECT_EQ(main->tag(), mine + "*");
    fs::remove(copy);
  }
}

// ---- The hand-over copy's name is never cut short -----------------------------------

TEST_F(DataSafetyTest, DeletingTheHandOverCopyOfANameWithANulDeletesNothing) {
  const std::string victim = script("victim.vbs", "precious");
  fs::create_directory(work.file("victim.vbs.d"));
  EXPECT_FALSE(modMain::gbln_DeleteTempScript(victim + std::string(1, '\0') + ".d/x.vbs"));
  EXPECT_EQ(readFile(victim), "precious");
}

// ---- The emergency copy -------------------------------------------------------------

TEST_F(DataSafetyTest, TheEmergencyCopyKeepsAModifiedScriptBesideItPrivatelyAndNumbered) {
  const std::string path = script("job.vbs", "saved");
  ::chmod(path.c_str(), 0640);
  editing(path, "typed\r\nmore");
  platform::ui::runEmergencySave();
  EXPECT_EQ(readFile(path + ".save"), "typed\r\nmore");
  EXPECT_EQ(modeOf(path + ".save"), 0600u & 0640u);
  EXPECT_EQ(readFile(path), "saved");

  // The writer runs once per arming; the window's next load arms it again.
  platform::ui::runEmergencySave();
  EXPECT_FALSE(fs::exists(path + ".save.1"));
  EXPECT_EQ(modMain::gstr_WriteEmergencyCopy(*main), path + ".save.1");
  EXPECT_EQ(readFile(path + ".save"), "typed\r\nmore");
  EXPECT_EQ(readFile(path + ".save.1"), "typed\r\nmore");

  // Nothing for an unmodified script.
  main->setIsDirty(false);
  EXPECT_EQ(modMain::gstr_WriteEmergencyCopy(*main), "");
  EXPECT_FALSE(fs::exists(path + ".save.2"));
}

TEST_F(DataSafetyTest, ANewScriptsEmergencyCopyGoesToTheUsersStateFolder) {
  ::setenv("XDG_STATE_HOME", work.file("state").c_str(), 1);
  editingNewScript("never saved");
  const std::string expected = work.file("state/kestrin/New Kestrin Script.save");
  EXPECT_EQ(modMain::gstr_WriteEmergencyCopy(*main), expected);
  EXPECT_EQ(readFile(expected), "never saved");
  EXPECT_EQ(modeOf(expected), 0600u);
  EXPECT_EQ(modeOf(work.file("state/kestrin")), 0700u);
  // A planted link under the next name is not written through.
  fs::create_symlink(work.file("elsewhere"), expected + ".1");
  EXPECT_EQ(modMain::gstr_WriteEmergencyCopy(*main), expected + ".2");
  EXPECT_FALSE(fs::exists(work.file("elsewhere")));
}

// Beside a script in a folder the user may not write, the copy goes to the
// user's state folder under the script's file name. The folder is another
// user's (the superuser may write anywhere, so the copy is then written
// by a child that is an ordinary user), or one without write permission.
TEST_F(DataSafetyTest, AScriptInAFolderTheUserMayNotWriteHasItsEmergencyCopyInTheStateFolder) {
  fs::create_directory(work.file("theirs"));
  const std::string path = writeScript(work.file("theirs/job.vbs"), "saved");
  ::chmod(path.c_str(), 0644);
  editing(path, "typed");
  const std::string state = work.file("state");
  fs::create_directory(state);
  ::setenv("XDG_STATE_HOME", state.c_str(), 1);
  const std::string expected = state + "/kestrin/job.vbs.save";
  if (::geteuid() == 0) {
    ::chmod(work.path().c_str(), 0755);
    ASSERT_EQ(::chown(state.c_str(), 65534, 65534), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
      ::_exit(modMain::gstr_WriteEmergencyCopy(*main) == expected ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  } else {
    ::chmod(work.file("theirs").c_str(), 0555);
    EXPECT_EQ(modMain::gstr_WriteEmergencyCopy(*main), expected);
    ::chmod(work.file("theirs").c_str(), 0755);
  }
  EXPECT_EQ(readFile(expected), "typed");
  EXPECT_EQ(modeOf(expected), 0600u);
  EXPECT_FALSE(fs::exists(path + ".save"));
  EXPECT_EQ(readFile(path), "saved");
}

TEST_F(DataSafetyTest, AClosedWindowLeavesNoWriterBehind) {
  const std::string path = script("job.vbs", "saved");
  editing(path, "typed");
  main->setIsDirty(false);
  main->unload();
  main->setIsDirty(true);
  platform::ui::runEmergencySave();
  EXPECT_FALSE(fs::exists(path + ".save"));
}

}  // namespace
}  // namespace editor_test
