// The About window: the load step's version, title and file report, the
// memory figures that its timer refreshes while it is open, its OK button,
// the system information program, and the splash window.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <thread>

#include "common/temp_dir.h"
#include "diagnostics/error_handler.h"
#include "editor/frmAbout.h"
#include "editor/frmMain.h"
#include "editor/frmSplash.h"
#include "editor_fixture.h"
#include "platform/runtime/datetime.h"
#include "platform/runtime/strings.h"
#include "platform/scripting/file_system.h"
#include "platform/ui/form.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/screen.h"
#include "platform/win32/component.h"
#include "platform/win32/registry.h"

namespace editor_test {
namespace {

namespace editor = kestrin::editor;
namespace mb = platform::ui::mb;
using editor::frmAbout;

const char* const kUnavailable = "System Information Is Unavailable At This Time";

class AboutTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    platform::ComponentIdentity identity = platform::componentIdentity();
    identity.major = 1;
    identity.minor = 0;
    identity.revision = 161;
    platform::setComponentIdentity(identity);
  }
  void TearDown() override {
    platform::setRegistryRootReadOnly(platform::HKEY_LOCAL_MACHINE, false);
    EditorTest::TearDown();
  }

  std::string library() const { return editorFile("KestrinScriptEditor.so"); }
  std::string bridge() const { return editorFile("Addlets/kzenvb.dll"); }

  // The window after its load step, not shown.
  std::shared_ptr<frmAbout> loadedAbout() {
    auto about = platform::ui::defaultInstance<frmAbout>();
    about->load();
    return about;
  }

  void storeMachineText(const std::string& keyPath, const std::string& name, const std::string& text) {
    platform::HKEY key = 0;
    ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, keyPath, 0, platform::KEY_ALL_ACCESS, &key),
              platform::ERROR_SUCCESS);
    ASSERT_EQ(platform::RegSetValueEx(key, name, platform::REG_SZ, text.c_str(),
                                      static_cast<platform::DWORD>(text.size() + 1)),
              platform::ERROR_SUCCESS);
    platform::RegCloseKey(key);
  }

  // A program that writes the file "started" of the test's program folder.
  std::string program(const std::string& path) {
    kestrin_test::writeFile(path, "#!/bin/sh\necho started > '" + startedFile() + "'\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
  }
  std::string startedFile() const { return programs.file("started"); }
  bool programStarted() const {
    for (int i = 0; i < 500 && !std::filesystem::exists(startedFile()); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return std::filesystem::exists(startedFile());
  }

  void useDiagnostics() {
    auto handler = std::make_shared<kestrin::diagnostics::CErrorHandler>();
    handler->Init(kestrin::diagnostics::eErrorHandlerAction_LogToFile, errorLog(), true, true,
                  kestrin::diagnostics::eTracingFlag_LogToFile, traceLog());
    kestrin::diagnostics::errorHandlerSlot() = handler;
  }

  kestrin_test::TempDir programs;
};

// ---- The load step ------------------------------------------------------------------------

TEST_F(AboutTest, TheReportWithoutTheBridgeLibraryHasEightLinesWithTheWiderSpacing) {
  kestrin_test::writeFile(library(), std::string(499, 'x'));
  ASSERT_TRUE(kestrin_test::setModifiedTime(library(), 2024, 1, 2, 15, 4, 5));
  auto about = loadedAbout();
  EXPECT_EQ(about->lblDescription->caption(),
            "[Editor]\r\n"
            "Build:         1.0.161\r\n"
            "Name:        KestrinScriptEditor.dll\r\n"
            "Date:          02/01/2024 15:04:05\r\n"
            "File size:     0kb\r\n"
            "\r\n"
            "[Addlet]\r\n"
            "Name:         kzenvb.dll [MISSING ?]\r\n");
}

TEST_F(AboutTest, TheReportDescribesTheBridgeLibraryWhenItIsThere) {
  kestrin_test::writeFile(library(), std::string(3500, 'x'));
  kestrin_test::writeFile(bridge(), std::string(2500, 'x'));
  ASSERT_TRUE(kestrin_test::setModifiedTime(library(), 2023, 12, 31, 23, 59, 58));
  ASSERT_TRUE(kestrin_test::setModifiedTime(bridge(), 2024, 2, 29, 9, 8, 7));
  auto about = loadedAbout();
  EXPECT_EQ(about->lblDescription->caption(),
            "[Editor]\r\n"
            "Build:         1.0.161\r\n"
            "Name:        KestrinScriptEditor.dll\r\n"
            "Date:         31/12/2023 23:59:58\r\n"
            "File size:    4kb\r\n"
            "\r\n"
            "[Addlet]\r\n"
            "Name:         kzenvb.dll\r\n"
            "Date:          29/02/2024 09:08:07\r\n"
            "File size:     2kb\r\n");
}

TEST_F(AboutTest, AnEditorFileThatCannotBeReadStillGetsItsLinesWithNothingRead) {
  // The fixture's library file does not exist.
  auto about = loadedAbout();
  EXPECT_EQ(about->lblDescription->caption(),
            "[Editor]\r\nBuild:         1.0.161\r\nName:        KestrinScriptEditor.dll\r\n"
            "Date:          00:00:00\r\nFile size:     0kb\r\n\r\n[Addlet]\r\n"
            "Name:         kzenvb.dll [MISSING ?]\r\n");
  // The rest of the load step ran.
  EXPECT_EQ(about->caption(), "About Kestrin VB Script Editor");
  EXPECT_NE(about->memoryInfo(), nullptr);
}

TEST_F(AboutTest, TheLoadStepSetsTheTextsTakesASnapshotAndCentresTheWindow) {
  kestrin_test::writeFile(library(), "x");
  useDiagnostics();
  auto about = loadedAbout();
  EXPECT_EQ(about->lblVersion->caption(), "Version 1.0.161");
  EXPECT_EQ(about->lblTitle->caption(), "Kestrin VB Script Editor");
  EXPECT_EQ(about->caption(), "About Kestrin VB Script Editor");
  EXPECT_EQ(about->lblDisclaimer->caption().rfind("Warning: ", 0), 0u);
  EXPECT_EQ(about->lblDisclaimer->caption().find('\n'), std::string::npos);
  ASSERT_NE(about->memoryInfo(), nullptr);
  // The figures wait for the timer's first tick.
  EXPECT_EQ(about->Label1->caption(), "");
  EXPECT_EQ(about->Label2->caption(), "");
  EXPECT_EQ(about->Label3->caption(), "");
  EXPECT_EQ(about->Timer1->interval(), 1);
  EXPECT_TRUE(about->Timer1->timerEnabled());

  const auto& screen = platform::ui::screen();
  EXPECT_NEAR(about->left(), (screen.Width() - about->width()) / 2.0, 15);
  EXPECT_NEAR(about->top(), (screen.Height() - about->height()) / 2.0, 15);

  const auto lines = traceLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Entered routine: frmAbout::Form_Load(Sub)");
  EXPECT_TRUE(balanced(lines));
}

// ---- Open: the memory figures and OK ----------------------------------------------------------

class OpenAboutTest : public AboutTest {
 protected:
  void SetUp() override {
    AboutTest::SetUp();
    main = editor::mainWindow();
    main->load();
    ASSERT_TRUE(main->loaded());
  }
  void TearDown() override {
    if (main && main->loaded()) main->unload();
    main.reset();
    AboutTest::TearDown();
  }
  static std::shared_ptr<frmAbout> openAbout() {
    return std::static_pointer_cast<frmAbout>(platform::ui::findForm("frmAbout"));
  }
  std::shared_ptr<editor::frmMain> main;
};

// "Physical memory: 42%": a whole share of use.
bool isShare(const std::string& caption, const std::string& figure) {
  static const std::regex share("(\\d+)%");
  std::smatch m;
  if (caption.rfind(figure + ": ", 0) != 0) return false;
  const std::string rest = caption.substr(figure.size() + 2);
  return std::regex_match(rest, m, share) && std::stoi(m[1]) <= 100;
}

TEST_F(OpenAboutTest, TheTimerRefreshesTheFiguresWhileTheWindowIsOpenAndOkClosesIt) {
  std::weak_ptr<frmAbout> first;
  // The timers tick in the order they were made: the figures of a wait
  // show from the next one.
  duringWait([] {});
  duringWait([&] {
    auto about = openAbout();
    ASSERT_NE(about, nullptr);
    first = about;
    EXPECT_TRUE(isShare(about->Label1->caption(), "Physical memory")) << about->Label1->caption();
    EXPECT_TRUE(isShare(about->Label2->caption(), "Virtual memory")) << about->Label2->caption();
    EXPECT_TRUE(isShare(about->Label3->caption(), "Page file")) << about->Label3->caption();
    about->Label1->setCaption("stale");
  });
  duringWait([&] {
    auto about = openAbout();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(isShare(about->Label1->caption(), "Physical memory")) << about->Label1->caption();
  });
  user->click("cmdOK");
  ASSERT_TRUE(main->SSActiveToolBars1->clickTool("ID_About"));
  EXPECT_TRUE(user->done());
  EXPECT_EQ(platform::ui::findForm("frmAbout"), nullptr);
  // Nothing keeps the closed window, its snapshot included.
  EXPECT_TRUE(first.expired());
  EXPECT_TRUE(main->loaded());

  // The next opening is a new window with a new snapshot.
  duringWait([&] {
    auto about = openAbout();
    ASSERT_NE(about, nullptr);
    EXPECT_NE(about->memoryInfo(), nullptr);
  });
  user->close("frmAbout");
  ASSERT_TRUE(main->SSActiveToolBars1->clickTool("ID_About"));
  EXPECT_EQ(platform::ui::findForm("frmAbout"), nullptr);
  EXPECT_TRUE(kestrin::diagnostics::errorHandler()->callStack().empty());
  EXPECT_TRUE(balanced(traceLines()));
}

// ---- System information ---------------------------------------------------------------------

TEST_F(AboutTest, WithoutTheRegistrationOneMessageSaysSystemInformationIsUnavailable) {
  useDiagnostics();
  auto about = loadedAbout();
  const size_t before = traceLines().size();
  user->answerMessageBox(mb::OK, kUnavailable, "KestrinEditor");
  about->cmdSysInfo_Click();
  EXPECT_TRUE(user->done());
  ASSERT_TRUE(user->lastMessageBox().has_value());
  EXPECT_EQ(user->lastMessageBox()->title, "KestrinEditor");
  EXPECT_EQ(user->lastMessageBox()->buttons, mb::OKOnly);
  EXPECT_EQ(user->lastMessageBox()->icon, 0);

  const auto lines = traceLines();
  const std::vector<std::string> expected = {
      "Entered routine: frmAbout::cmdSysInfo_Click(Sub)", "Entered routine: frmAbout::StartSysInfo(Sub)",
      "Entered routine: frmAbout::GetKeyValue(Function)", "Exited routine: frmAbout::GetKeyValue(Function)",
      "Entered routine: frmAbout::GetKeyValue(Function)", "Exited routine: frmAbout::GetKeyValue(Function)",
      "Exited routine: frmAbout::StartSysInfo(Sub)",      "Exited routine: frmAbout::cmdSysInfo_Click(Sub)",
  };
  EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()), expected);
}

TEST_F(AboutTest, TheSystemInformationProgramStartsFromEitherRegistration) {
  struct Case {
    const char* name;
    bool pathValue;      // the program's path under kSysInfoKey
    bool locationValue;  // its folder under kSysInfoLocationKey
    bool programThere;
    bool started;
  };
  const Case cases[] = {
      {"path", true, false, true, true},
      {"location", false, true, true, true},
      {"path of a missing program", true, false, false, false},
      {"location without the program", false, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::RegDeleteTree(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft");
    std::filesystem::remove(startedFile());
    kestrin_test::TempDir folder;
    const std::string path = folder.file(editor::kSysInfoProgramName);
    if (c.programThere) program(path);
    if (c.pathValue) storeMachineText(editor::kSysInfoKey, editor::kSysInfoValue, path);
    if (c.locationValue) storeMachineText(editor::kSysInfoLocationKey, editor::kSysInfoLocationValue, folder.path());
    if (!c.started) user->answerMessageBox(mb::OK, kUnavailable);

    auto about = loadedAbout();
    about->cmdSysInfo_Click();
    EXPECT_TRUE(user->done());
    if (c.started) {
      EXPECT_TRUE(programStarted());
    }
    about->unload();
  }
}

// Reading a registration needs no right to change the machine's settings.
TEST_F(AboutTest, TheRegistrationIsReadWhereTheMachinesSettingsAreReadOnly) {
  storeMachineText(editor::kSysInfoKey, editor::kSysInfoValue, program(programs.file("sysinfo")));
  platform::setRegistryRootReadOnly(platform::HKEY_LOCAL_MACHINE, true);
  auto about = loadedAbout();
  about->cmdSysInfo_Click();
  EXPECT_TRUE(programStarted());
  EXPECT_FALSE(user->lastMessageBox().has_value());
}

// ---- The splash window ---------------------------------------------------------------------

TEST_F(AboutTest, TheSplashWindowShowsTheBuildIsCentredAndDropsItsDefaultInstance) {
  auto splash = platform::ui::defaultInstance<editor::frmSplash>();
  splash->load();
  EXPECT_EQ(splash->lblVersion->caption(), "Build 1.0.161");
  EXPECT_FALSE(splash->lblPlatform->visible());
  EXPECT_EQ(splash->width(), 6585);
  EXPECT_EQ(splash->height(), 5265);
  const auto& screen = platform::ui::screen();
  EXPECT_NEAR(splash->left(), (screen.Width() - 6585) / 2.0, 15);
  EXPECT_NEAR(splash->top(), (screen.Height() - 5265) / 2.0, 15);

  splash->unload();
  EXPECT_NE(platform::ui::defaultInstance<editor::frmSplash>(), splash);
}

}  // namespace
}  // namespace editor_test
