// The run hand-over and the return: the hidden temporary copy and what is
// stored for the return, the call into the bridge library, a missing or
// broken bridge, a close after the hand-over, and RunEditor "temp" giving
// the script back its name, bookmarks and modified state.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "editor/CMainFrontEnd.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "editor_fixture.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/strings.h"
#include "platform/ui/msgbox.h"
#include "platform/win32/files.h"

namespace editor_test {
namespace {

namespace fs = std::filesystem;
namespace mb = platform::ui::mb;
namespace modMain = kestrin::editor::modMain;
using kestrin::editor::CMainFrontEnd;
using kestrin::editor::CPreferences;
using kestrin::editor::frmMain;

const std::string kNine(9, ' ');

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}
void writeFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class RunTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    bridgeLog = workDir.file("bridge.log");
    ::setenv("KESTRIN_BRIDGE_LOG", bridgeLog.c_str(), 1);
    script = workDir.file("job.vbs");
    writeFile(script, "MsgBox 1\r\n");
  }
  void TearDown() override {
    EditorTest::TearDown();
    kestrin::editor::modGlobals::g_ReleaseBridgeBindings();
    ::unsetenv("KESTRIN_BRIDGE_LOG");
  }

  std::string bridgePath() const { return editorFile("Addlets/kzenvb.dll"); }
  void installBridge() const { fs::copy_file(KESTRIN_BRIDGE_PATH, bridgePath()); }
  // Run Script on a new script whose copy cannot be written (its folder is
  // gone), the write's report answered with `answer` (its text holding
  // `message`); whether the command handed over.
  bool runWithoutTheCopysFolder(int32_t answer, const std::string& message = {}) {
    installBridge();
    fs::remove_all(editorFile("Common/Temp"));
    bool handedOver = true;
    duringWait([&] {
      window().m_ExecScript();
      handedOver = window().m_bHandedOver;
    });
    user->answerMessageBox(answer, message);
    duringWait([] { CMainFrontEnd::create()->FreeEditor(); });
    std::string arg = "new";
    CMainFrontEnd::create()->RunEditor(arg);
    return handedOver;
  }
  std::string tempInCommon() const { return editorFile("Common/Temp/_Temp.vbs"); }
  std::string copyBeside() const { return workDir.file("_Temp.vbs"); }

  // The bridge's calls, one "routine path" a line.
  std::vector<std::string> bridgeCalls() const {
    std::vector<std::string> out;
    std::ifstream in(bridgeLog);
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
  }

  // Inside the modal wait: a new text, marked modified as a keystroke marks it.
  static void edit(const std::string& text) {
    frmMain& w = window();
    w.CodeSense1->setText(text);
    modMain::g_UpdateDirtyMark(w);
  }

  // Opens the editor on `arg`; `during` runs inside its modal wait, then
  // the host closes it with FreeEditor.
  int32_t runEditor(std::string& arg, std::function<void()> during) {
    duringWait(std::move(during));
    duringWait([] {
      if (platform::ui::findForm("frmMain")) CMainFrontEnd::create()->FreeEditor();
    });
    return CMainFrontEnd::create()->RunEditor(arg);
  }

  kestrin_test::TempDir workDir;
  std::string bridgeLog;
  std::string script;
};

TEST_F(RunTest, RunningAModifiedScriptHandsOverAHiddenCopyBesideItAndLeavesTheScriptAlone) {
  installBridge();
  bool handedOver = false, stillOpen = false;
  std::string tagAfter;
  std::string arg = script;
  runEditor(arg, [&] {
    edit("' changed\r\nMsgBox 1\r\n");
    window().CodeSense1->setBookmarks({0, 2});
    window().m_ExecScript();
    stillOpen = platform::ui::findForm("frmMain") != nullptr;
    handedOver = window().m_bHandedOver;
    tagAfter = window().tag();
  });

  CPreferences prefs;
  EXPECT_TRUE(prefs.WasDirty());
  EXPECT_EQ(prefs.LastScriptLoaded(), script);
  EXPECT_EQ(prefs.BookmarkScriptName(), script);
  EXPECT_EQ(prefs.TempScript(), copyBeside());
  EXPECT_EQ(readFile(CPreferences::bookmarkFilePath()), "0\r\n2\r\n");

  EXPECT_EQ(readFile(copyBeside()), "' changed\r\nMsgBox 1\r\n");
  EXPECT_EQ(platform::GetFileAttributes(copyBeside()), platform::FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(readFile(script), "MsgBox 1\r\n");
  EXPECT_EQ(bridgeCalls(), std::vector<std::string>{"run_vbscript " + copyBeside()});

  // The window stays open, handed over, its document as it was; the
  // host's FreeEditor then closed it without a question and the copy stays.
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(handedOver);
  EXPECT_EQ(tagAfter, script + "*");
  EXPECT_FALSE(user->lastMessageBox()) << user->transcriptText();
  EXPECT_TRUE(fs::exists(copyBeside()));

  const auto lines = traceLines();
  for (const std::string& entry : {"frmMain::m_ExecScript(Sub) [filename to run] " + script + "*",
                                   "modMain::gstr_SetTempScript [script] " + script,
                                   "modMain::PassScriptToKestrin(Function) File:= " + copyBeside()}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Entered routine: " + entry), lines.end()) << entry;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Exited routine: " + entry), lines.end()) << entry;
  }
}

TEST_F(RunTest, ANewScriptIsCopiedToTheTempFolderOfCommon) {
  installBridge();
  std::string arg = "new";
  runEditor(arg, [&] {
    edit("MsgBox 2");
    window().m_ExecScript();
  });
  CPreferences prefs;
  EXPECT_EQ(prefs.LastScriptLoaded(), "New Kestrin Script");
  EXPECT_EQ(prefs.BookmarkScriptName(), "New Kestrin Script");
  EXPECT_TRUE(prefs.WasDirty());
  EXPECT_EQ(prefs.TempScript(), tempInCommon());
  EXPECT_EQ(readFile(tempInCommon()), "MsgBox 2");
  EXPECT_EQ(bridgeCalls(), std::vector<std::string>{"run_vbscript " + tempInCommon()});
}

TEST_F(RunTest, ASecondRunReplacesTheHiddenCopyAndNoBookmarksDeleteTheBookmarkFile) {
  installBridge();
  bool bookmarksAfterFirst = false;
  uint32_t firstAttributes = 0;
  std::string arg = script;
  runEditor(arg, [&] {
    window().CodeSense1->setBookmarks({1});
    window().m_ExecScript();
    bookmarksAfterFirst = fs::exists(CPreferences::bookmarkFilePath());
    firstAttributes = platform::GetFileAttributes(copyBeside());
    // The first copy is hidden and read-only now; the second run still
    // replaces it.
    platform::SetFileAttributes(copyBeside(), platform::FILE_ATTRIBUTE_HIDDEN | platform::FILE_ATTRIBUTE_READONLY);
    window().CodeSense1->setText("MsgBox 3\r\n");
    window().CodeSense1->setBookmarks({});
    window().m_ExecScript();
  });
  EXPECT_TRUE(bookmarksAfterFirst);
  EXPECT_EQ(firstAttributes, platform::FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(fs::exists(CPreferences::bookmarkFilePath()));
  EXPECT_EQ(readFile(copyBeside()), "MsgBox 3\r\n");
  EXPECT_EQ(platform::GetFileAttributes(copyBeside()), platform::FILE_ATTRIBUTE_HIDDEN);
  // An unmodified script is stored as not modified.
  EXPECT_FALSE(CPreferences().WasDirty());
  EXPECT_EQ(bridgeCalls(), (std::vector<std::string>{"run_vbscript " + copyBeside(), "run_vbscript " + copyBeside()}));
}

TEST_F(RunTest, AfterAHandOverTheCloseBoxAsksNothingAndKeepsTheCopy) {
  installBridge();
  duringWait([&] {
    edit("' changed\r\n");
    window().m_ExecScript();
  });
  user->close();
  std::string arg = script;
  CMainFrontEnd::create()->RunEditor(arg);

  EXPECT_TRUE(platform::ui::forms().empty());
  EXPECT_FALSE(user->lastMessageBox()) << user->transcriptText();
  EXPECT_TRUE(fs::exists(copyBeside()));
  EXPECT_EQ(readFile(script), "MsgBox 1\r\n");
  EXPECT_TRUE(balanced(traceLines()));
}

struct BrokenBridge {
  const char* name;
  bool present;  // a file named kzenvb.dll that is no library
  const char* message;
  const char* closing;
};

void PrintTo(const BrokenBridge& c, std::ostream* os) { *os << c.name; }

class RunWithoutBridge : public RunTest, public ::testing::WithParamInterface<BrokenBridge> {};

TEST_P(RunWithoutBridge, SaysSoAndClosesEveryWindowWithoutAQuestion) {
  const BrokenBridge& c = GetParam();
  if (c.present) writeFile(bridgePath(), "not a library");
  std::string shown;
  int32_t icon = 0;
  duringWait([&] {
    edit("' changed\r\nMsgBox 1\r\n");
    window().m_ExecScript();
    shown = user->lastMessageBox() ? user->lastMessageBox()->text : "";
    icon = user->lastMessageBox() ? user->lastMessageBox()->icon : 0;
  });
  user->answerMessageBox(mb::OK, c.message, "Kestrin VB Script Editor");
  std::string arg = script;
  const int32_t result = CMainFrontEnd::create()->RunEditor(arg);

  EXPECT_NE(result, 0);
  EXPECT_EQ(shown, c.message + bridgePath() + c.closing + kNine);
  EXPECT_EQ(icon, mb::Critical);
  // Only that message: no exit question, no save offer.
  EXPECT_EQ(std::count_if(user->transcript().begin(), user->transcript().end(),
                          [](const std::string& l) { return l.rfind("MsgBox", 0) == 0; }),
            1)
      << user->transcriptText();
  EXPECT_TRUE(platform::ui::forms().empty());
  // What the return needs stays for a later RunEditor "temp".
  EXPECT_EQ(readFile(copyBeside()), "' changed\r\nMsgBox 1\r\n");
  EXPECT_EQ(CPreferences().TempScript(), copyBeside());
  EXPECT_EQ(readFile(script), "MsgBox 1\r\n");
}

INSTANTIATE_TEST_SUITE_P(Bridge, RunWithoutBridge,
                         ::testing::Values(BrokenBridge{"Missing", false, "Could not locate ", ""},
                                           BrokenBridge{"NotALibrary", true, "Could not load dll '", "'"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunTest, AFailedWriteOfTheCopyIsReportedAndNothingIsHandedOver) {
  EXPECT_FALSE(runWithoutTheCopysFolder(mb::Abort));
  EXPECT_TRUE(bridgeCalls().empty());
  // The report names the command as the failing procedure.
  EXPECT_NE(readFile(errorLog())
                .find("(Path not found) in frmMain::m_ExecScript(Sub) [filename to run] "
                      "New Kestrin Script"),
            std::string::npos)
      << readFile(errorLog());
}

TEST_F(RunTest, AFailureWithoutTheDiagnosticsObjectShowsTheCommandsOwnMessage) {
  installBridge();
  fs::remove_all(editorFile("Common/Temp"));
  std::string shown;
  duringWait([&] {
    auto handler = std::move(kestrin::editor::modGlobals::g_ErrorHandler());
    window().m_ExecScript();
    kestrin::editor::modGlobals::g_ErrorHandler() = std::move(handler);
    shown = user->lastMessageBox() ? user->lastMessageBox()->text : "";
  });
  user->answerMessageBox(mb::OK, "Description - ");
  duringWait([] { CMainFrontEnd::create()->FreeEditor(); });
  std::string arg = "new";
  CMainFrontEnd::create()->RunEditor(arg);
  EXPECT_EQ(shown.rfind("Description - ", 0), 0u) << shown;
  EXPECT_NE(shown.find("\r\n\r\nError Number "), std::string::npos) << shown;
  EXPECT_NE(shown.find("\r\nError Source modMain::m_ExecScript(Function)" + kNine), std::string::npos) << shown;
  EXPECT_TRUE(bridgeCalls().empty());
}

// ---- The bridge routines ------------------------------------------------------------

TEST_F(RunTest, TheBridgeRoutinesBindOnlyToALoadedLibraryAndStayBoundAfterTheRun) {
  namespace modGlobals = kestrin::editor::modGlobals;
  // Nothing loaded yet, and the library is not on the search path.
  try {
    modGlobals::save_scriptname("/s/a.vbs");
    ADD_FAILURE() << "save_scriptname was bound without the library";
  } catch (const platform::RuntimeError& e) {
    EXPECT_EQ(e.number(), 53);
    EXPECT_EQ(e.description(), "File not found: kzenvb.dll");
  }

  installBridge();
  std::string copy = copyBeside();
  EXPECT_TRUE(modMain::PassScriptToKestrin(copy));
  // The run gave back its load, but the bound routine keeps the library.
  modGlobals::save_scriptname("/s/a.vbs");
  EXPECT_EQ(bridgeCalls(), (std::vector<std::string>{"run_vbscript " + copyBeside(), "save_scriptname /s/a.vbs"}));
}

TEST_F(RunTest, ALibraryWithoutRunVbscriptFailsTheHandOverWithItsOwnMessage) {
  fs::copy_file(KESTRIN_TEST_ROUTINES, bridgePath());
  user->answerMessageBox(mb::OK, "Description - ");
  std::string copy = copyBeside();
  EXPECT_FALSE(modMain::PassScriptToKestrin(copy));
  ASSERT_TRUE(user->lastMessageBox());
  EXPECT_EQ(user->lastMessageBox()->text,
            "Description - Can't find DLL entry point run_vbscript in kzenvb.dll\r\n\r\n"
            "Error Number 453\r\nError Source modMain::PassScriptToKestrin(Function)" +
                kNine);
  EXPECT_EQ(user->lastMessageBox()->icon, mb::Critical);
}

TEST_F(RunTest, AbortInTheHandOverKeepsItsResultSoTheWindowStaysOpenHandedOver) {
  fs::copy_file(KESTRIN_TEST_ROUTINES, bridgePath());
  bool stillOpen = false, handedOver = false, stackEmpty = false;
  std::string arg = script;
  duringWait([&] {
    edit("' changed\r\n");
    window().m_ExecScript();
    stillOpen = platform::ui::findForm("frmMain") != nullptr;
    handedOver = window().m_bHandedOver;
    stackEmpty = kestrin::diagnostics::errorHandler()->callStack().empty();
  });
  user->answerMessageBox(mb::Abort, "Can't find DLL entry point run_vbscript");
  duringWait([] { CMainFrontEnd::create()->FreeEditor(); });
  CMainFrontEnd::create()->RunEditor(arg);

  // Abort goes on at the release with the result True: no UnloadAll, and
  // no message of the hand-over's own.
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(handedOver);
  EXPECT_TRUE(stackEmpty);
  EXPECT_EQ(std::count_if(user->transcript().begin(), user->transcript().end(),
                          [](const std::string& l) { return l.rfind("MsgBox", 0) == 0; }),
            1)
      << user->transcriptText();
  EXPECT_NE(readFile(errorLog()).find("modMain::PassScriptToKestrin(Function) File:= " + copyBeside()),
            std::string::npos)
      << readFile(errorLog());
  // The host's FreeEditor closed the handed-over window and the copy stays.
  EXPECT_TRUE(fs::exists(copyBeside()));
  EXPECT_EQ(readFile(script), "MsgBox 1\r\n");
}

// ---- Only a copy written by this command is handed over ---------------------------

// Ignore to the report of a copy that could not be written goes on past
// the write, but never into the hand-over.
TEST_F(RunTest, ACopyThatCouldNotBeWrittenIsNeverHandedOverWhateverTheAnswer) {
  EXPECT_FALSE(runWithoutTheCopysFolder(mb::Ignore, "Path not found"));
  EXPECT_TRUE(bridgeCalls().empty());
}

// Another user's file (or FIFO) planted under the copy's name in a shared
// folder is neither removed, written, run by the host nor read back by
// "temp" under the script's name.
TEST_F(RunTest, AFilePlantedByAnotherUserUnderTheCopysNameIsNeverRunNorReadBack) {
  if (::geteuid() != 0) GTEST_SKIP() << "planting a file of another user needs the superuser";
  installBridge();
  ::chmod(workDir.path().c_str(), 01777);
  for (const char* planted : {"file", "fifo"}) {
    SCOPED_TRACE(planted);
    fs::remove(copyBeside());
    if (std::string(planted) == "file")
      writeFile(copyBeside(), "MsgBox \"theirs\"\r\n");
    else
      ASSERT_EQ(::mkfifo(copyBeside().c_str(), 0666), 0);
    ASSERT_EQ(::chown(copyBeside().c_str(), 65534, 65534), 0);
    std::optional<bool> handedOver;
    std::string arg = script;
    duringWait([&] {
      edit("MsgBox \"mine\"\r\n");
      window().m_ExecScript();
      handedOver = window().m_bHandedOver;
      window().setIsDirty(false);
    });
    user->answerMessageBox(mb::Ignore, "Permission denied");
    duringWait([] { CMainFrontEnd::create()->FreeEditor(); });
    CMainFrontEnd::create()->RunEditor(arg);
    EXPECT_EQ(handedOver, std::optional<bool>(false));
    EXPECT_TRUE(bridgeCalls().empty());
    EXPECT_TRUE(user->done());
    if (std::string(planted) == "file") {
      EXPECT_EQ(readFile(copyBeside()), "MsgBox \"theirs\"\r\n");
    }

    // The return finds the planted file where the copy should be: refused.
    std::string temp = "temp";
    user->answerMessageBox(mb::OK, std::string(planted) == "file" ? "it belongs to another user" : "it is a FIFO");
    EXPECT_EQ(CMainFrontEnd::create()->RunEditor(temp), 0);
    EXPECT_TRUE(user->done());
    EXPECT_EQ(readFile(script), "MsgBox 1\r\n");
  }
}

// The hand-over copy, the backup copy, the zip backup and the emergency
// copy are readable by no one who may not read the script: made new, and
// when a backup of the same minute is there already, open to everybody.
TEST_F(RunTest, EveryCopyOfAScriptHasAtMostTheScriptsPermissionBits) {
  installBridge();
  platform::setVirtualClock(platform::localMillisFrom(2024, 3, 5, 7, 4, 30));
  kestrin_test::TempDir backups;
  CPreferences prefs;
  prefs.setAutoSaveMinutes("0");
  prefs.setAutoSavePath(backups.path());
  for (const bool backupsThere : {false, true}) {
    for (const unsigned mode : {0600u, 0640u}) {
      SCOPED_TRACE(std::to_string(mode) + (backupsThere ? ", backups there" : ", backups new"));
      ::chmod(script.c_str(), mode);
      for (const auto& entry : fs::directory_iterator(backups.path())) {
        if (backupsThere)
          ::chmod(entry.path().c_str(), 0666);
        else
          fs::remove(entry.path());
      }
      std::string emergency;
      std::string arg = script;
      runEditor(arg, [&] {
        edit("MsgBox 2\r\n");
        prefs.setZipFile(0);
        window().tmrAutoSave_Timer();
        prefs.setZipFile(1);
        window().tmrAutoSave_Timer();
        emergency = modMain::gstr_WriteEmergencyCopy(window());
        window().m_ExecScript();
      });
      std::vector<std::string> copies = {copyBeside(), emergency};
      for (const auto& entry : fs::directory_iterator(backups.path())) copies.push_back(entry.path().string());
      ASSERT_EQ(copies.size(), 4u);
      for (const std::string& copy : copies) {
        SCOPED_TRACE(copy);
        struct stat st {};
        ASSERT_EQ(::stat(copy.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777 & ~mode, 0u);
      }
      fs::remove(emergency);
    }
  }
  platform::useRealClock();
}

// ---- The temporary copy's place and deletion ----------------------------------

TEST_F(RunTest, SetTempScriptDeletesAHiddenReadOnlyCopyAndNamesItsPlace) {
  writeFile(copyBeside(), "old");
  platform::SetFileAttributes(copyBeside(), platform::FILE_ATTRIBUTE_HIDDEN | platform::FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(modMain::gstr_SetTempScript(script), copyBeside());
  EXPECT_FALSE(fs::exists(copyBeside()));
  // A script without a file, or one whose file is gone.
  EXPECT_EQ(modMain::gstr_SetTempScript("New Kestrin Script"), tempInCommon());
  EXPECT_EQ(modMain::gstr_SetTempScript(workDir.file("gone.vbs")), tempInCommon());
}

struct Deletion {
  const char* name;
  const char* path;  // "<script>": the script beside the copy, "<copy>": the copy itself
  bool copyThere;
  bool result;
  bool copyLeft;
};

void PrintTo(const Deletion& c, std::ostream* os) { *os << c.name; }

class DeleteTempScript : public RunTest, public ::testing::WithParamInterface<Deletion> {};

TEST_P(DeleteTempScript, DeletesTheCopyInThePathsFolder) {
  const Deletion& c = GetParam();
  if (c.copyThere) {
    writeFile(copyBeside(), "x");
    platform::SetFileAttributes(copyBeside(), platform::FILE_ATTRIBUTE_HIDDEN);
  }
  writeFile(tempInCommon(), "y");
  std::string path = c.path;
  if (path == "<script>") path = script;
  if (path == "<copy>") path = copyBeside();
  EXPECT_EQ(modMain::gbln_DeleteTempScript(path), c.result);
  EXPECT_EQ(fs::exists(copyBeside()), c.copyLeft);
  // Nothing else goes.
  EXPECT_TRUE(fs::exists(tempInCommon()));
  EXPECT_TRUE(fs::exists(script));
}

INSTANTIATE_TEST_SUITE_P(Paths, DeleteTempScript,
                         ::testing::Values(Deletion{"BesideAScript", "<script>", true, true, false},
                                           Deletion{"ByTheCopysOwnPath", "<copy>", true, true, false},
                                           Deletion{"NoCopy", "<script>", false, true, false},
                                           Deletion{"NewKestrinScript", "New Kestrin Script", false, false, false},
                                           Deletion{"Empty", "", true, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunTest, ClosingAScriptThatWasNotHandedOverDeletesTheCopyBesideIt) {
  writeFile(copyBeside(), "old run");
  platform::SetFileAttributes(copyBeside(), platform::FILE_ATTRIBUTE_HIDDEN);
  writeFile(tempInCommon(), "old new-script run");
  std::string arg = script;
  runEditor(arg, [] {});
  EXPECT_FALSE(fs::exists(copyBeside()));
  // A new script's copy has no folder of the script to be found in.
  std::string none = "new";
  runEditor(none, [] {});
  EXPECT_TRUE(fs::exists(tempInCommon()));
}

// The file commands that replace or rename the document delete the copy of
// the last hand-over.
struct FileCommand {
  const char* name;
  const char* dialogFile;  // the file chosen in the command's dialog ("" for none)
  void (*run)();
};

void PrintTo(const FileCommand& c, std::ostream* os) { *os << c.name; }

class FileCommandsDeleteTheCopy : public RunTest, public ::testing::WithParamInterface<FileCommand> {};

TEST_P(FileCommandsDeleteTheCopy, OfTheLastHandOver) {
  const FileCommand& c = GetParam();
  const std::string copy = editorFile("Common/Temp/_Temp.vbs");
  writeFile(workDir.file("other.vbs"), "x = 2\r\n");
  std::string arg = script;
  duringWait([&] {
    // As a hand-over of another editor left it.
    writeFile(copy, "handed over");
    platform::SetFileAttributes(copy, platform::FILE_ATTRIBUTE_HIDDEN);
    CPreferences().setTempScript(copy);
    c.run();
  });
  if (*c.dialogFile) user->answerFileDialog(workDir.file(c.dialogFile));
  duringWait([] { CMainFrontEnd::create()->FreeEditor(); });
  CMainFrontEnd::create()->RunEditor(arg);
  EXPECT_FALSE(fs::exists(copy));
}

INSTANTIATE_TEST_SUITE_P(Commands, FileCommandsDeleteTheCopy,
                         ::testing::Values(FileCommand{"New", "", [] { modMain::g_frmFileNew(window()); }},
                                           FileCommand{"Open", "other.vbs", [] { window().m_FileOpen(); }},
                                           FileCommand{"SaveAs", "saved.vbs", [] { window().m_FileSaveAs(); }}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The return ------------------------------------------------------------------

TEST_F(RunTest, RunTempAfterARunGivesTheScriptBackItsNameStateAndBookmarks) {
  installBridge();
  std::string first = script;
  runEditor(first, [&] {
    edit("' changed\r\nMsgBox 1\r\n");
    window().CodeSense1->setBookmarks({1});
    window().m_ExecScript();
  });

  std::string text, tag, panel, currentFile, savedTag;
  bool dirty = false, handedOver = true;
  std::vector<int32_t> marks;
  std::string arg = "temp";
  runEditor(arg, [&] {
    frmMain& w = window();
    text = w.CodeSense1->text();
    tag = w.tag();
    panel = mainPanel();
    currentFile = w.CurrentFileName();
    dirty = w.IsDirty();
    handedOver = w.m_bHandedOver;
    marks = w.CodeSense1->getBookmarks();
    // The restored document is the script's own: its save writes the script.
    modMain::gbln_FileSave(w);
    savedTag = w.tag();
  });

  EXPECT_EQ(arg, copyBeside());
  EXPECT_EQ(text, "' changed\r\nMsgBox 1\r\n");
  EXPECT_EQ(tag, script + "*");
  EXPECT_EQ(panel, script + "*");
  EXPECT_EQ(currentFile, copyBeside());
  EXPECT_TRUE(dirty);
  EXPECT_FALSE(handedOver);
  EXPECT_EQ(marks, std::vector<int32_t>{1});
  EXPECT_EQ(readFile(script), "' changed\r\nMsgBox 1\r\n");
  EXPECT_EQ(savedTag, script);
  EXPECT_EQ(bridgeCalls(), (std::vector<std::string>{"run_vbscript " + copyBeside(), "save_scriptname " + script}));
}

struct Restore {
  const char* name;
  const char* bookmarkScript;  // "<same>": the stored script name; "<upper>": it in capitals
  bool wasDirty;
  std::vector<int32_t> expectedMarks;
};

void PrintTo(const Restore& c, std::ostream* os) { *os << c.name; }

class RunTempRestore : public RunTest, public ::testing::WithParamInterface<Restore> {};

TEST_P(RunTempRestore, TakesTheBookmarksOnlyForTheSameScriptInAnyCase) {
  const Restore& c = GetParam();
  const std::string stored = workDir.file("Job.vbs");
  writeFile(copyBeside(), "a\r\nb\r\nc\r\nd\r\n");
  writeFile(CPreferences::bookmarkFilePath(), "2\r\n3\r\n");
  {
    CPreferences prefs;
    prefs.setLastScriptLoaded(stored);
    std::string owner = c.bookmarkScript;
    if (owner == "<same>") owner = stored;
    if (owner == "<upper>") owner = platform::uCase(stored);
    prefs.setBookmarkScriptName(owner);
    prefs.setWasDirty(c.wasDirty);
    prefs.setTempScript(copyBeside());
  }
  std::vector<int32_t> marks;
  std::string tag;
  bool dirty = !c.wasDirty;
  std::string arg = "TEMP";
  runEditor(arg, [&] {
    marks = window().CodeSense1->getBookmarks();
    tag = window().tag();
    dirty = window().IsDirty();
    // Closed without the save offer.
    window().setIsDirty(false);
  });
  EXPECT_EQ(marks, c.expectedMarks);
  EXPECT_EQ(tag, c.wasDirty ? stored + "*" : stored);
  EXPECT_EQ(dirty, c.wasDirty);
}

INSTANTIATE_TEST_SUITE_P(Names, RunTempRestore,
                         ::testing::Values(Restore{"SameName", "<same>", true, {2, 3}},
                                           Restore{"OtherCase", "<upper>", false, {2, 3}},
                                           Restore{"OtherScript", "/elsewhere/Job.vbs", true, {}},
                                           Restore{"NoOwner", "", false, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace editor_test
