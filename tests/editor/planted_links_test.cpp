// The files the editor makes for itself (the hand-over copy beside the
// script, the autosave's backups, the bookmark file, the trace log) are
// never written through a link that someone planted under their names:
// the link is replaced by the editor's file, and what it points at stays
// as it was, or is not made at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "editor_fixture.h"
#include "platform/runtime/array.h"
#include "platform/runtime/clock.h"

namespace editor_test {
namespace {

using kestrin::editor::CPreferences;
using kestrin::editor::frmMain;
namespace fs = std::filesystem;
namespace modMain = kestrin::editor::modMain;

class PlantedLinksTest : public MainWindowTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    // 5 March 2024, 07:04: the backups' names are known.
    platform::setVirtualClock(platform::localMillisFrom(2024, 3, 5, 7, 4, 30));
    CPreferences preferences;
    preferences.setAutoSaveMinutes("0");
    preferences.setAutoSavePath(backups.path());
    preferences.setDoNotSaveNewFile(0);
    fs::copy_file(KESTRIN_BRIDGE_PATH, editorFile("Addlets/kzenvb.dll"));
    ::setenv("KESTRIN_BRIDGE_LOG", work.file("bridge.log").c_str(), 1);
    loadMainWindow();
    script = work.file("job.vbs");
    kestrin_test::writeFile(script, "MsgBox 1\r\n");
    main->FileToView(script);
    main->CodeSense1->setText("MsgBox 2\r\n");
  }
  void TearDown() override {
    closeMainWindow();
    kestrin::editor::modGlobals::g_ReleaseBridgeBindings();
    ::unsetenv("KESTRIN_BRIDGE_LOG");
    EditorTest::TearDown();
  }

 public:
  using EditorTest::traceLog;
  using MainWindowTest::main;
  kestrin_test::TempDir work;
  kestrin_test::TempDir backups;
  kestrin_test::TempDir elsewhere;
  std::string script;
};

struct OwnFile {
  const char* what;
  std::function<std::string(PlantedLinksTest&)> name;  // where the link is planted
  std::function<void(PlantedLinksTest&)> write;        // what makes the editor write it
};

TEST_F(PlantedLinksTest, NoFileOfTheEditorsOwnIsWrittenThroughALinkAtItsName) {
  const std::vector<OwnFile> files = {
      {"the hand-over copy", [](PlantedLinksTest& t) { return t.work.file("_Temp.vbs"); },
       [](PlantedLinksTest& t) { t.main->m_ExecScript(); }},
      {"the autosave's copy", [](PlantedLinksTest& t) { return t.backups.file("job.vbs-05.03.2024-07.04.bak"); },
       [](PlantedLinksTest& t) {
         CPreferences().setZipFile(0);
         t.main->tmrAutoSave_Timer();
       }},
      {"the autosave's archive", [](PlantedLinksTest& t) { return t.backups.file("job.vbs-05.03.2024-07.04.zip"); },
       [](PlantedLinksTest& t) {
         CPreferences().setZipFile(1);
         t.main->tmrAutoSave_Timer();
       }},
      {"the bookmark file", [](PlantedLinksTest&) { return CPreferences::bookmarkFilePath(); },
       [](PlantedLinksTest&) {
         platform::LongArray marks;
         marks.redimPreserve(0);
         marks[0] = 3;
         CPreferences().SaveBookMarks(marks);
       }},
      {"the trace log", [](PlantedLinksTest& t) { return t.traceLog(); },
       [](PlantedLinksTest& t) { modMain::gbln_DeleteTempScript(t.script); }},
  };
  for (const OwnFile& file : files) {
    for (const bool dangling : {false, true}) {
      SCOPED_TRACE(std::string(file.what) + (dangling ? ", a dangling link" : ", a link to a file"));
      const std::string victim = elsewhere.file(dangling ? "not-there" : "precious");
      if (!dangling) kestrin_test::writeFile(victim, "precious");
      const std::string name = file.name(*this);
      fs::remove(name);
      fs::create_symlink(victim, name);
      main->m_bHandedOver = false;
      file.write(*this);
      EXPECT_FALSE(fs::is_symlink(name));
      EXPECT_TRUE(fs::is_regular_file(name));
      if (dangling) {
        EXPECT_FALSE(fs::exists(victim));
      } else {
        EXPECT_EQ(kestrin_test::readFile(victim), "precious");
      }
      fs::remove(name);
    }
  }
}

}  // namespace
}  // namespace editor_test
