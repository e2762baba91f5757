// The autosave: its cadence in ticks, the backup of a saved script from its
// file and of a script without one through "VB/New Kestrin Script.vbs", the
// backups' names, zip archives and copies, and the attempts that end early.
#include <gtest/gtest.h>

#include <zip.h>
#include <ostream>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "common/case_name.h"
#include "common/temp_dir.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor_fixture.h"
#include "platform/controls/toolbar.h"
#include "platform/runtime/clock.h"
#include "platform/ui/timer.h"
#include "platform/win32/settings.h"

namespace editor_test {
namespace {

using kestrin::editor::CPreferences;
using kestrin::editor::frmMain;
namespace fs = std::filesystem;

const char* const kNewScript = "New Kestrin Script";

// The names and contents of an archive's entries, read back with libzip;
// empty when it cannot be opened as a sound archive.
std::vector<std::pair<std::string, std::string>> zipEntries(const std::string& archive) {
  std::vector<std::pair<std::string, std::string>> out;
  int error = 0;
  zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
  if (!za) return out;
  for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st);
    std::string data(st.size, '\0');
    zip_file_t* file = zip_fopen_index(za, static_cast<zip_uint64_t>(i), 0);
    if (file) {
      zip_fread(file, data.data(), st.size);
      zip_fclose(file);
    }
    out.emplace_back(st.name, data);
  }
  zip_close(za);
  return out;
}

class AutosaveTest : public MainWindowTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    // 5 March 2024, 07:04: the names' fields with their leading zeros.
    platform::setVirtualClock(platform::localMillisFrom(2024, 3, 5, 7, 4, 30));
    CPreferences preferences;
    preferences.setAutoSaveMinutes("1");
    preferences.setAutoSavePath(backups.path());
    preferences.setZipFile(0);
    preferences.setDoNotSaveNewFile(0);
    loadMainWindow();
  }
  // A saved script: its file holds `saved`, the editor `edited` with the
  // document marked modified.
  void loadModified(const std::string& saved, const std::string& edited) {
    script = work.file("job.vbs");
    kestrin_test::writeFile(script, saved);
    main->FileToView(script);
    main->CodeSense1->setText(edited);
    main->setTag(script + "*");
    main->setIsDirty(true);
  }
  // A script never saved, modified.
  void newScript(const std::string& text) {
    main->CodeSense1->setText(text);
    main->setTag(std::string(kNewScript) + "*");
    main->setIsDirty(true);
  }
  std::string backup(const std::string& name, const char* extension) const {
    return backups.file(name + "-05.03.2024-07.04" + extension);
  }
  std::string newScriptFile() const { return editorFile("VB/New Kestrin Script.vbs"); }
  size_t backupCount() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(backups.path()), fs::directory_iterator()));
  }

  kestrin_test::TempDir work;
  kestrin_test::TempDir backups;
  std::string script;
};

// ---- The cadence ------------------------------------------------------------------------

struct CadenceCase {
  const char* minutes;
  std::vector<int> backupTicks;  // of ticks 1 to 10
};
void PrintTo(const CadenceCase& c, std::ostream* os) { *os << "minutes " << c.minutes; }

class AutosaveCadenceTest : public AutosaveTest, public ::testing::WithParamInterface<CadenceCase> {};

TEST_P(AutosaveCadenceTest, BacksUpAtTheTickWhoseCountReachesTheWholeMinutes) {
  // As stored, past the preference's own check of the text.
  platform::SaveSetting(CPreferences::kApplication, CPreferences::kSection, "AutoSaveMinutes", GetParam().minutes);
  loadModified("saved", "edited");
  const std::string copy = backup("job.vbs", ".bak");
  std::vector<int> made;
  for (int tick = 1; tick <= 10; ++tick) {
    main->tmrAutoSave_Timer();
    if (fs::exists(copy)) made.push_back(tick);
    fs::remove(copy);
  }
  EXPECT_EQ(made, GetParam().backupTicks) << GetParam().minutes;
}

INSTANTIATE_TEST_SUITE_P(Minutes, AutosaveCadenceTest,
                         ::testing::Values(CadenceCase{"5", {5, 10}}, CadenceCase{"2.5", {2, 4, 6, 8, 10}},
                                           CadenceCase{"3", {3, 6, 9}},
                                           CadenceCase{"0", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
                                           CadenceCase{"-2", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
                                           // No number: every tick.
                                           CadenceCase{"soon", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}),
                         kestrin_test::PrintedName());

TEST_F(AutosaveTest, ZeroMinutesWithTheTimerSwitchedOnByTheToolBacksUpAtEveryTick) {
  CPreferences().setAutoSaveMinutes("0");
  // The settings switch the timer off for "0".
  main->tmrAutoSave->setEnabled(false);
  loadModified("saved", "edited");
  platform::ui::passTime(3 * 65535);
  EXPECT_EQ(backupCount(), 0u);

  platform::controls::Tool enable;
  enable.id = "ID_EnableBackup";
  main->SSActiveToolBars1_ToolClick(enable);
  // Three ticks, 65.535 seconds apart from 07:07:46: 07:08:52, 07:09:57
  // and 07:11:03.
  platform::ui::passTime(3 * 65535);
  EXPECT_EQ(backupCount(), 3u);
  for (const char* stamp : {"-05.03.2024-07.08.bak", "-05.03.2024-07.09.bak", "-05.03.2024-07.11.bak"})
    EXPECT_TRUE(fs::exists(backups.file(std::string("job.vbs") + stamp))) << stamp;
}

TEST_F(AutosaveTest, SwitchingTheTimerOffAndOnKeepsTheTickCount) {
  CPreferences().setAutoSaveMinutes("2");
  loadModified("saved", "edited");
  main->tmrAutoSave_Timer();
  main->tmrAutoSave->setEnabled(false);
  main->tmrAutoSave->setEnabled(true);
  main->tmrAutoSave_Timer();
  EXPECT_TRUE(fs::exists(backup("job.vbs", ".bak")));
}

// ---- A saved script ---------------------------------------------------------------------

TEST_F(AutosaveTest, AModifiedScriptIsZippedFromItsSavedFileWithoutTheMarkInTheName) {
  CPreferences().setZipFile(1);
  loadModified("MsgBox \"saved\"\r\n", "MsgBox \"edited\"\r\n");
  main->tmrAutoSave_Timer();
  const auto entries = zipEntries(backup("job.vbs", ".zip"));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].first, "job.vbs");
  EXPECT_EQ(entries[0].second, "MsgBox \"saved\"\r\n");
  // The document stays as it was, and nothing went to the editor's file.
  EXPECT_EQ(main->tag(), script + "*");
  EXPECT_TRUE(main->IsDirty());
  EXPECT_FALSE(fs::exists(newScriptFile()));
  EXPECT_EQ(backupCount(), 1u);
}

TEST_F(AutosaveTest, ACopyWithinTheSameMinuteReplacesTheLastOne) {
  loadModified("first", "edited");
  main->tmrAutoSave_Timer();
  EXPECT_EQ(kestrin_test::readFile(backup("job.vbs", ".bak")), "first");
  kestrin_test::writeFile(script, "second");
  main->tmrAutoSave_Timer();
  EXPECT_EQ(kestrin_test::readFile(backup("job.vbs", ".bak")), "second");
  EXPECT_EQ(backupCount(), 1u);
}

TEST_F(AutosaveTest, TheFolderWithOrWithoutItsClosingSeparatorGivesOnePath) {
  loadModified("saved", "edited");
  for (const std::string& folder : {backups.path(), backups.path() + "/"}) {
    CPreferences().setAutoSavePath(folder);
    main->tmrAutoSave_Timer();
    EXPECT_EQ(backupCount(), 1u) << folder;
    EXPECT_TRUE(fs::exists(backup("job.vbs", ".bak"))) << folder;
    fs::remove(backup("job.vbs", ".bak"));
  }
}

// ---- A script without a file ---------------------------------------------------------------

TEST_F(AutosaveTest, ANewScriptIsWrittenToTheEditorsFileZippedAndLosesItsMark) {
  CPreferences().setZipFile(1);
  newScript("x = 1\r\ny = 2");
  main->tmrAutoSave_Timer();
  EXPECT_EQ(kestrin_test::readFile(newScriptFile()), "x = 1\r\ny = 2");
  const auto entries = zipEntries(backup("New Kestrin Script.vbs", ".zip"));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].first, "New Kestrin Script.vbs");
  EXPECT_EQ(entries[0].second, "x = 1\r\ny = 2");
  EXPECT_EQ(main->tag(), kNewScript);
  EXPECT_EQ(mainPanel(), kNewScript);
  EXPECT_FALSE(main->IsDirty());

  // The next key marks it modified again.
  main->CodeSense1->userTypes("z");
  EXPECT_EQ(main->tag(), std::string(kNewScript) + "*");
}

TEST_F(AutosaveTest, ANewScriptIsCopiedFromTheEditorsFile) {
  newScript("x = 1");
  main->tmrAutoSave_Timer();
  EXPECT_EQ(kestrin_test::readFile(backup("New Kestrin Script.vbs", ".bak")), "x = 1");
  EXPECT_EQ(main->tag(), kNewScript);
  EXPECT_FALSE(main->IsDirty());
}

TEST_F(AutosaveTest, WithDoNotSaveNewFileANewScriptIsLeftAloneAndTheCountStartsAgain) {
  CPreferences preferences;
  preferences.setDoNotSaveNewFile(1);
  preferences.setAutoSaveMinutes("2");
  newScript("x = 1");
  main->tmrAutoSave_Timer();
  main->tmrAutoSave_Timer();  // the attempt
  EXPECT_EQ(backupCount(), 0u);
  EXPECT_FALSE(fs::exists(newScriptFile()));
  EXPECT_EQ(main->tag(), std::string(kNewScript) + "*");
  EXPECT_TRUE(main->IsDirty());

  // The attempt counted: the next one comes two ticks later.
  preferences.setDoNotSaveNewFile(0);
  main->tmrAutoSave_Timer();
  EXPECT_EQ(backupCount(), 0u);
  main->tmrAutoSave_Timer();
  EXPECT_EQ(backupCount(), 1u);
}

TEST_F(AutosaveTest, AScriptWhoseFileHasGoneIsBackedUpAsTheNewScriptWhateverDoNotSaveNewFile) {
  CPreferences().setDoNotSaveNewFile(1);
  loadModified("saved", "still here");
  fs::remove(script);
  main->tmrAutoSave_Timer();
  EXPECT_EQ(kestrin_test::readFile(newScriptFile()), "still here");
  EXPECT_EQ(kestrin_test::readFile(backup("New Kestrin Script.vbs", ".bak")), "still here");
  EXPECT_EQ(main->tag(), kNewScript);
  EXPECT_FALSE(main->IsDirty());
}

TEST_F(AutosaveTest, ANewScriptWhoseTextCannotBeWrittenKeepsItsMark) {
  // No "VB" folder to write the text to.
  fs::remove_all(editorFile("VB"));
  newScript("x = 1");
  main->tmrAutoSave_Timer();
  EXPECT_EQ(backupCount(), 0u);
  EXPECT_EQ(main->tag(), std::string(kNewScript) + "*");
  EXPECT_TRUE(main->IsDirty());
}

// ---- Attempts that end early ------------------------------------------------------------

TEST_F(AutosaveTest, AMissingOrEmptyAutosaveFolderDoesNothing) {
  for (const std::string& folder : {work.file("no such folder"), std::string()}) {
    CPreferences().setAutoSavePath(folder);
    newScript("x = 1");
    main->tmrAutoSave_Timer();
    EXPECT_FALSE(fs::exists(newScriptFile())) << folder;
    EXPECT_EQ(main->tag(), std::string(kNewScript) + "*") << folder;
    EXPECT_TRUE(main->IsDirty()) << folder;
  }
  EXPECT_FALSE(fs::exists(work.file("no such folder")));
}

}  // namespace
}  // namespace editor_test
