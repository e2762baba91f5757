// The main window's utility, help and print commands, through the tool
// dispatcher: closing the editor, printing and the printer set-up, the help
// documents, the system programs and the definitions script.
//
// No real program is ever started: the programs are small scripts in the
// test's folder (or missing), and the desktop's opener on PATH is a script
// that writes down what it was handed.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/temp_dir.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/frmOptions.h"
#include "editor/frmSplash.h"
#include "editor_fixture.h"
#include "platform/controls/code_editor_files.h"
#include "platform/controls/toolbar.h"
#include "platform/ui/form.h"
#include "platform/ui/msgbox.h"
#include "platform/win32/registry.h"

namespace editor_test {
namespace {

namespace editor = kestrin::editor;
namespace mb = platform::ui::mb;

const std::string kNineBlanks(9, ' ');

// Waits (in real time, at most five seconds) until a started program has
// written its file.
std::string waitForFile(const std::string& path) {
  for (int i = 0; i < 500 && !std::filesystem::exists(path); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return kestrin_test::readFile(path);
}

class UtilityTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    const char* path = std::getenv("PATH");
    savedPath = path ? path : "";
    main = editor::mainWindow();
    main->load();
    ASSERT_TRUE(main->loaded());
  }
  void TearDown() override {
    if (main && main->loaded()) {
      main->setIsDirty(false);
      main->unload();
    }
    main.reset();
    ::setenv("PATH", savedPath.c_str(), 1);
    platform::controls::setPrintFolder({});
    EditorTest::TearDown();
  }

  // A program that appends its name to the file "started" of the test's
  // program folder.
  std::string program(const std::string& name) {
    const std::string path = programs.file(name);
    kestrin_test::writeFile(path, "#!/bin/sh\necho " + name + " >> '" + startedLog() + "'\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
  }
  std::string startedLog() const { return programs.file("started"); }

  // The desktop's opener becomes a script that writes down its argument.
  void recordingOpener() {
    const std::string opener = programs.file("xdg-open");
    kestrin_test::writeFile(opener, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + openedLog() + "'\n");
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    ::setenv("PATH", (programs.path() + ":" + savedPath).c_str(), 1);
  }
  std::string openedLog() const { return programs.file("opened"); }

  void storeProgramPath(const std::string& name, const std::string& path) {
    platform::HKEY key = 0;
    ASSERT_EQ(
        platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, editor::kProgramsKey, 0, platform::KEY_ALL_ACCESS, &key),
        platform::ERROR_SUCCESS);
    ASSERT_EQ(
        platform::RegSetValueEx(key, name, platform::REG_SZ, path.data(), static_cast<platform::DWORD>(path.size())),
        platform::ERROR_SUCCESS);
    platform::RegCloseKey(key);
  }

  void expectMessage(const std::string& text, int32_t icon) {
    ASSERT_TRUE(user->lastMessageBox().has_value());
    EXPECT_EQ(user->lastMessageBox()->text, text);
    EXPECT_EQ(user->lastMessageBox()->title, editor::kMainWindowTitle);
    EXPECT_EQ(user->lastMessageBox()->buttons, mb::OKOnly);
    EXPECT_EQ(user->lastMessageBox()->icon, icon);
  }

  std::shared_ptr<editor::frmMain> main;
  kestrin_test::TempDir programs;
  std::string savedPath;
};

// ---- Closing ---------------------------------------------------------------------------

TEST_F(UtilityTest, BothCloseToolsUnloadEveryWindowOfTheEditor) {
  for (const char* id : {"id_FileExit", "ID_CloseEditor"}) {
    if (!main->loaded()) {
      main = editor::mainWindow();
      main->load();
    }
    platform::ui::defaultInstance<editor::frmSplash>()->load();
    ASSERT_EQ(platform::ui::forms().size(), 2u) << id;
    EXPECT_TRUE(main->SSActiveToolBars1->clickTool(id)) << id;
    EXPECT_TRUE(platform::ui::forms().empty()) << id;
    EXPECT_FALSE(main->loaded()) << id;
  }
}

// The two tools without work leave a modified script, its file and its
// mark alone, and ask nothing; the unused explorer flag only keeps what it
// is given.
TEST_F(UtilityTest, CloseAllAndSaveAllDoNothingAndTheExplorerFlagKeepsItsValue) {
  const std::string path = editorFile("VB/kept.vbs");
  kestrin_test::writeFile(path, "a = 1");
  main->FileToView(path);
  main->CodeSense1->userTypes("x");
  ASSERT_EQ(main->tag(), path + "*");
  for (const char* id : {"ID_CloseAllFiles", "ID_SaveAllFiles"}) {
    // The menus carry no such tool: the dispatcher is handed it directly.
    platform::controls::Tool clicked;
    clicked.id = id;
    main->SSActiveToolBars1_ToolClick(clicked);
    EXPECT_TRUE(main->loaded()) << id;
    EXPECT_EQ(main->tag(), path + "*") << id;
    EXPECT_EQ(main->CodeSense1->text(), "xa = 1") << id;
    EXPECT_EQ(kestrin_test::readFile(path), "a = 1") << id;
  }
  EXPECT_FALSE(user->lastMessageBox().has_value());
  main->setIsDirty(false);

  EXPECT_FALSE(main->ProjectExplorerIsOpen());
  main->setProjectExplorerIsOpen(true);
  EXPECT_TRUE(main->ProjectExplorerIsOpen());
  main->setProjectExplorerIsOpen(false);
  EXPECT_FALSE(main->ProjectExplorerIsOpen());
}

// ---- Printing ----------------------------------------------------------------------------

TEST_F(UtilityTest, PrintGoesAsOneJobWithTheScriptsText) {
  kestrin_test::TempDir printFolder;
  platform::controls::setPrintFolder(printFolder.path());
  main->CodeSense1->setText("Dim total\r\ntotal = 1\r\n");
  ASSERT_TRUE(main->SSActiveToolBars1->clickTool("id_FilePrint"));
  std::vector<std::string> jobs;
  for (const auto& entry : std::filesystem::directory_iterator(printFolder.path()))
    jobs.push_back(entry.path().string());
  ASSERT_EQ(jobs.size(), 1u);
  const std::string job = kestrin_test::readFile(jobs.front());
  EXPECT_NE(job.find("Dim total"), std::string::npos) << job;
  EXPECT_NE(job.find("total = 1"), std::string::npos) << job;
}

TEST_F(UtilityTest, PrintSetupShowsTheSetupFormOwnedByTheWindowAndReadsNothingBack) {
  platform::ui::PrintDialogAnswer choice;
  choice.flags = 0x2;
  choice.fromPage = 2;
  choice.toPage = 3;
  choice.copies = 4;
  user->answerPrintDialog(choice);
  user->answerPrintDialog(std::nullopt);
  for (const char* answer : {"OK", "Cancel"}) {
    const std::string text = main->CodeSense1->text();
    ASSERT_TRUE(main->SSActiveToolBars1->clickTool("ID_PrintSetup")) << answer;
    ASSERT_TRUE(user->lastPrintDialog().has_value()) << answer;
    const auto& prompt = *user->lastPrintDialog();
    EXPECT_EQ(prompt.flags & 0x40, 0x40) << answer;
    EXPECT_EQ(prompt.copies, 1) << answer;
    EXPECT_EQ(prompt.minPage, 1) << answer;
    EXPECT_EQ(prompt.maxPage, 65535) << answer;
    EXPECT_EQ(main->CodeSense1->text(), text) << answer;
    EXPECT_TRUE(main->loaded()) << answer;
  }
  EXPECT_TRUE(user->done());
  EXPECT_TRUE(kestrin::diagnostics::errorHandler()->callStack().empty());
}

// ---- Preferences ---------------------------------------------------------------------------

TEST_F(UtilityTest, TheOptionsDialogGetsAFreshPreferencesObjectAtEveryOpening) {
  std::vector<std::shared_ptr<editor::CPreferences>> held;
  for (int opening = 0; opening < 2; ++opening) {
    duringWait([&] {
      auto dialog = std::dynamic_pointer_cast<editor::frmOptions>(platform::ui::activeForm());
      ASSERT_NE(dialog, nullptr);
      held.push_back(dialog->Preferences());
    });
    user->click("cmdCancel");
    ASSERT_TRUE(main->SSActiveToolBars1->clickTool("ID_EditPreferences"));
  }
  ASSERT_EQ(held.size(), 2u);
  EXPECT_NE(held[0], nullptr);
  EXPECT_NE(held[0], held[1]);
  EXPECT_EQ(platform::ui::forms().size(), 1u);
  EXPECT_TRUE(kestrin::diagnostics::errorHandler()->callStack().empty());
  EXPECT_TRUE(balanced(traceLines()));
  const auto lines = traceLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Entered routine: frmMain::m_EditPreferences(Sub)"), lines.end());
}

// ---- Help documents ------------------------------------------------------------------------

struct HelpCase {
  const char* tool;
  const char* document;        // below the editor's folder
  const char* missingMessage;  // null: nothing is shown
};
const HelpCase kHelpCases[] = {
    {"ID_Contents", "Help/kzScriptEd.hlp", "Editor help file not avialable at this time"},
    {"ID_KzScriptHelp", "Help/VBScript.htm", nullptr},
    {"ID_VbScript", "VBSCRIP5.CHM", nullptr},
};

TEST_F(UtilityTest, AMissingHelpDocumentIsOpenedByNothingAndOnlyTheContentsSayWhy) {
  recordingOpener();
  for (const HelpCase& c : kHelpCases) {
    if (c.missingMessage) user->answerMessageBox(mb::OK, c.missingMessage + kNineBlanks);
    ASSERT_TRUE(main->SSActiveToolBars1->clickTool(c.tool)) << c.tool;
    EXPECT_TRUE(user->done()) << c.tool;
    if (c.missingMessage) expectMessage(c.missingMessage + kNineBlanks, mb::Information);
  }
  EXPECT_FALSE(std::filesystem::exists(openedLog()));
}

TEST_F(UtilityTest, AHelpDocumentThatIsThereGoesToTheDesktopsOpener) {
  recordingOpener();
  std::string expected;
  for (const HelpCase& c : kHelpCases) {
    const std::string path = editorFile(c.document);
    kestrin_test::writeFile(path, "help");
    ASSERT_TRUE(main->SSActiveToolBars1->clickTool(c.tool)) << c.tool;
    expected += path + "\n";
    EXPECT_EQ(waitForFile(openedLog()), expected) << c.tool;
  }
  EXPECT_FALSE(user->lastMessageBox().has_value());
}

// ---- System programs -----------------------------------------------------------------------

struct LauncherCase {
  const char* tool;
  const char* program;
  const char* message;
};
const LauncherCase kLaunchers[] = {
    {"ID_DOSCommand", editor::kCommandPromptProgram, "Could not open DOS command prompt"},
    {"ID_Notepad", editor::kTextEditorProgram, "Could not open notepad"},
    {"ID_Calc", editor::kCalculatorProgram, "Could not open calculator"},
    {"ID_Regedit", editor::kRegistryEditorProgram, "Could not open registry editor"},
};

TEST_F(UtilityTest, ALauncherWithNeitherProgramSaysSoWithoutTrailingBlanks) {
  for (const LauncherCase& c : kLaunchers) {
    storeProgramPath(c.program, programs.file("missing-first"));
    storeProgramPath(std::string(c.program) + "2", programs.file("missing-second"));
    user->answerMessageBox(mb::OK, c.message);
    ASSERT_TRUE(main->SSActiveToolBars1->clickTool(c.tool)) << c.tool;
    expectMessage(c.message, mb::Information);
  }
  EXPECT_FALSE(std::filesystem::exists(startedLog()));
}

TEST_F(UtilityTest, ALauncherStartsTheFirstProgramThereAndTheSecondOnlyWithoutIt) {
  std::string expected;
  for (const LauncherCase& c : kLaunchers) {
    const std::string name = c.program;
    // Only the second place holds the program.
    storeProgramPath(name, programs.file(name + "-missing"));
    storeProgramPath(name + "2", program(name + "-second"));
    ASSERT_TRUE(main->SSActiveToolBars1->clickTool(c.tool)) << c.tool;
    expected += name + "-second\n";
    EXPECT_EQ(waitForFile(startedLog()), expected) << c.tool;

    // With both there, only the first starts.
    storeProgramPath(name, program(name + "-first"));
    ASSERT_TRUE(main->SSActiveToolBars1->clickTool(c.tool)) << c.tool;
    expected += name + "-first\n";
    EXPECT_EQ(waitForFile(startedLog()), expected) << c.tool;
  }
  EXPECT_FALSE(user->lastMessageBox().has_value());
}

TEST_F(UtilityTest, TheProgramsPlacesAreTheStandardOnesUnlessTheInstallationNamesOthers) {
  EXPECT_EQ(editor::systemProgramPaths(editor::kCommandPromptProgram),
            (std::array<std::string, 2>{"/usr/bin/x-terminal-emulator", "/usr/bin/xterm"}));
  storeProgramPath(editor::kCalculatorProgram, "/opt/calc/bin/calc");
  storeProgramPath(std::string(editor::kCalculatorProgram) + "2", "");
  EXPECT_EQ(editor::systemProgramPaths(editor::kCalculatorProgram),
            (std::array<std::string, 2>{"/opt/calc/bin/calc", "/usr/bin/xcalc"}));
  EXPECT_EQ(editor::systemProgramPaths("Browser"), (std::array<std::string, 2>{}));

  // A place that is no text fails; the launcher then finds no program.
  platform::HKEY key = 0;
  ASSERT_EQ(
      platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, editor::kProgramsKey, 0, platform::KEY_ALL_ACCESS, &key),
      platform::ERROR_SUCCESS);
  const uint32_t number = 1;
  platform::RegSetValueEx(key, editor::kTextEditorProgram, platform::REG_DWORD, &number, 4);
  platform::RegCloseKey(key);
  try {
    editor::systemProgramPaths(editor::kTextEditorProgram);
    ADD_FAILURE() << "no error";
  } catch (const platform::RuntimeError& e) {
    EXPECT_EQ(e.number(), 13);
  }
  user->answerMessageBox(mb::OK, "Could not open notepad");
  ASSERT_TRUE(main->SSActiveToolBars1->clickTool("ID_Notepad"));
  EXPECT_TRUE(user->done());
}

// ---- The definitions script ------------------------------------------------------------------

TEST_F(UtilityTest, TheDefinitionsScriptIsLoadedLikeAnOpenedScriptOrNamedMissing) {
  user->answerMessageBox(mb::OK, "Could not locate kzdef.vbs" + kNineBlanks);
  main->m_OpenDefinitionsScript();
  expectMessage("Could not locate kzdef.vbs" + kNineBlanks, mb::Exclamation);
  EXPECT_EQ(main->CurrentFileName(), "");

  const std::string path = editorFile("Addlets/KzDef.vbs");
  kestrin_test::writeFile(path, "Const kzLine = 2\r\n");
  main->m_OpenDefinitionsScript();
  EXPECT_EQ(main->CurrentFileName(), path);
  EXPECT_EQ(main->tag(), path);
  EXPECT_NE(main->CodeSense1->text().find("Const kzLine = 2"), std::string::npos);
}

}  // namespace
}  // namespace editor_test
