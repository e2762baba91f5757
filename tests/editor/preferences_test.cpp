// The preferences in the per-user settings store and the bookmark file.
#include "editor/CPreferences.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "preferences_fixture.h"

namespace {

using kestrin::editor::CPreferences;
using kestrin_test::raisedError;
using kestrin_test::readFile;

class PreferencesTest : public prefs_test::EditorFolderTest {};

TEST_F(PreferencesTest, AFreshUserReadsEveryDefault) {
  const CPreferences prefs;
  EXPECT_EQ(prefs.CursorAtEOL(), 1);
  EXPECT_EQ(prefs.AutoSaveMinutes(), "0");
  EXPECT_EQ(prefs.DoNotSaveNewFile(), 1);
  EXPECT_EQ(prefs.ZipFile(), 1);
  EXPECT_FALSE(prefs.DoSave());
  EXPECT_EQ(prefs.AutoSavePath(), "");
  EXPECT_FALSE(prefs.HasBookmarks());
  EXPECT_EQ(prefs.BookmarkScriptName(), "");
  EXPECT_EQ(prefs.GetTaskHeight(), 0.0);
  EXPECT_TRUE(prefs.ShowTasks());
  EXPECT_EQ(prefs.ExpandTabs(), 1);
  EXPECT_EQ(prefs.ShowMargin(), 1);
  EXPECT_EQ(prefs.HighLightLine(), 1);
  EXPECT_EQ(prefs.Saving(), 0);
  EXPECT_EQ(prefs.LastScriptLoaded(), "");
  EXPECT_FALSE(prefs.WasDirty());
  EXPECT_EQ(prefs.TempScript(), "");
  EXPECT_EQ(prefs.UserName(), "");
  EXPECT_EQ(prefs.EMail(), "");
  EXPECT_EQ(prefs.Font(), "Courier New");
  EXPECT_EQ(prefs.FontSize(), 10);
  EXPECT_EQ(prefs.Indent(), 0);
  EXPECT_EQ(prefs.LineNumbering(), 0);
  EXPECT_EQ(prefs.DisplayWhitespace(), 0);
  EXPECT_EQ(prefs.HideReadOnly(), 1);
  EXPECT_EQ(prefs.AddHeader(), 1);
  // Reading writes nothing.
  EXPECT_EQ(stored("CursorAtEOL"), "<absent>");
  EXPECT_EQ(stored("Highlight"), "<absent>");
}

// Each set writes its value's text under its key at once, and a second
// object reads it back.
TEST_F(PreferencesTest, EverySetIsStoredUnderItsKeyAndSeenByAnotherObject) {
  CPreferences writer;
  const CPreferences reader;
  struct Case {
    const char* key;
    std::function<void()> set;
    const char* text;
    std::function<std::string()> get;
  };
  auto i = [](int16_t v) { return std::to_string(v); };
  const std::vector<Case> cases = {
      {"CursorAtEOL", [&] { writer.setCursorAtEOL(0); }, "0", [&] { return i(reader.CursorAtEOL()); }},
      {"DoNotSaveNewFile", [&] { writer.setDoNotSaveNewFile(0); }, "0", [&] { return i(reader.DoNotSaveNewFile()); }},
      {"ZipFile", [&] { writer.setZipFile(0); }, "0", [&] { return i(reader.ZipFile()); }},
      {"AutoSavePath", [&] { writer.setAutoSavePath("/backups/k z"); }, "/backups/k z",
       [&] { return reader.AutoSavePath(); }},
      {"BookmarkScriptName", [&] { writer.setBookmarkScriptName("/s/a.vbs"); }, "/s/a.vbs",
       [&] { return reader.BookmarkScriptName(); }},
      {"ShowTasks", [&] { writer.setShowTasks(false); }, "False",
       [&] { return std::string(reader.ShowTasks() ? "True" : "False"); }},
      {"ExpandTabs", [&] { writer.setExpandTabs(0); }, "0", [&] { return i(reader.ExpandTabs()); }},
      {"ShowMargin", [&] { writer.setShowMargin(0); }, "0", [&] { return i(reader.ShowMargin()); }},
      {"Highlight", [&] { writer.setHighLightLine(0); }, "0", [&] { return i(reader.HighLightLine()); }},
      {"Saving", [&] { writer.setSaving(2); }, "2", [&] { return i(reader.Saving()); }},
      {"LastScriptLoaded", [&] { writer.setLastScriptLoaded("/s/a.vbs*"); }, "/s/a.vbs*",
       [&] { return reader.LastScriptLoaded(); }},
      {"WasDirty", [&] { writer.setWasDirty(true); }, "True",
       [&] { return std::string(reader.WasDirty() ? "True" : "False"); }},
      {"TempScript", [&] { writer.setTempScript("/s/_Temp.vbs"); }, "/s/_Temp.vbs",
       [&] { return reader.TempScript(); }},
      {"UserName", [&] { writer.setUserName("Ann Hale"); }, "Ann Hale", [&] { return reader.UserName(); }},
      {"EMail", [&] { writer.setEMail("ann@example.org"); }, "ann@example.org", [&] { return reader.EMail(); }},
      {"Font", [&] { writer.setFont("DejaVu Sans Mono"); }, "DejaVu Sans Mono", [&] { return reader.Font(); }},
      {"FontSize", [&] { writer.setFontSize(-12); }, "-12", [&] { return i(reader.FontSize()); }},
      {"Indent", [&] { writer.setIndent(1); }, "1", [&] { return i(reader.Indent()); }},
      {"LineNumbering", [&] { writer.setLineNumbering(1); }, "1", [&] { return i(reader.LineNumbering()); }},
      {"DisplayWhitespace", [&] { writer.setDisplayWhitespace(1); }, "1",
       [&] { return i(reader.DisplayWhitespace()); }},
      {"HideReadOnly", [&] { writer.setHideReadOnly(0); }, "0", [&] { return i(reader.HideReadOnly()); }},
      {"AddHeader", [&] { writer.setAddHeader(0); }, "0", [&] { return i(reader.AddHeader()); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    c.set();
    EXPECT_EQ(stored(c.key), c.text);
    EXPECT_EQ(c.get(), c.text);
  }
}

TEST_F(PreferencesTest, HighLightLineIsKeptUnderHighlightOnly) {
  CPreferences prefs;
  prefs.setHighLightLine(0);
  EXPECT_EQ(stored("Highlight"), "0");
  EXPECT_EQ(stored("HighLightLine"), "<absent>");
  EXPECT_EQ(prefs.HighLightLine(), 0);
  // A value that someone left under the property's own name is not read.
  store("HighLightLine", "7");
  EXPECT_EQ(prefs.HighLightLine(), 0);
}

TEST_F(PreferencesTest, IntegersReadWithTheRuntimesRoundingAndRaiseOnText) {
  const CPreferences prefs;
  store("Indent", "2.5");
  EXPECT_EQ(prefs.Indent(), 2);
  store("Indent", "3.5");
  EXPECT_EQ(prefs.Indent(), 4);
  store("Indent", " 1 ");
  EXPECT_EQ(prefs.Indent(), 1);
  store("FontSize", "abc");
  EXPECT_EQ(raisedError([&] { (void)prefs.FontSize(); }).number(), platform::err::TypeMismatch);
  store("FontSize", "40000");
  EXPECT_EQ(raisedError([&] { (void)prefs.FontSize(); }).number(), platform::err::Overflow);
}

// An empty stored text is no value: every Integer and Boolean reads its
// default, as it does when the key is absent, instead of raising.
TEST_F(PreferencesTest, IntegersAndBooleansStoredEmptyReadTheirDefault) {
  const CPreferences prefs;
  struct Case {
    const char* key;
    std::function<int32_t()> get;
    int32_t expected;
  };
  const std::vector<Case> cases = {
      {"CursorAtEOL", [&] { return prefs.CursorAtEOL(); }, 1},
      {"DoNotSaveNewFile", [&] { return prefs.DoNotSaveNewFile(); }, 1},
      {"ZipFile", [&] { return prefs.ZipFile(); }, 1},
      {"ShowTasks", [&] { return prefs.ShowTasks() ? 1 : 0; }, 1},
      {"ExpandTabs", [&] { return prefs.ExpandTabs(); }, 1},
      {"ShowMargin", [&] { return prefs.ShowMargin(); }, 1},
      {"Highlight", [&] { return prefs.HighLightLine(); }, 1},
      {"Saving", [&] { return prefs.Saving(); }, 0},
      {"WasDirty", [&] { return prefs.WasDirty() ? 1 : 0; }, 0},
      {"FontSize", [&] { return prefs.FontSize(); }, 10},
      {"Indent", [&] { return prefs.Indent(); }, 0},
      {"LineNumbering", [&] { return prefs.LineNumbering(); }, 0},
      {"DisplayWhitespace", [&] { return prefs.DisplayWhitespace(); }, 0},
      {"HideReadOnly", [&] { return prefs.HideReadOnly(); }, 1},
      {"AddHeader", [&] { return prefs.AddHeader(); }, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    store(c.key, "");
    EXPECT_EQ(c.get(), c.expected);
    // Blanks are text that is no number, as before.
    store(c.key, " ");
    EXPECT_EQ(raisedError([&] { (void)c.get(); }).number(), platform::err::TypeMismatch);
  }
}

TEST_F(PreferencesTest, AutoSaveMinutesStoresZeroForEmptyOrNonNumericText) {
  CPreferences prefs;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "0"}, {"ten", "0"}, {"5x", "0"}, {" 5", " 5"}, {"2.5", "2.5"}, {"-1", "-1"}, {"00", "00"},
  };
  for (const auto& [given, kept] : cases) {
    SCOPED_TRACE("\"" + given + "\"");
    prefs.setAutoSaveMinutes(given);
    EXPECT_EQ(stored("AutoSaveMinutes"), kept);
    EXPECT_EQ(prefs.AutoSaveMinutes(), kept);
  }
}

TEST_F(PreferencesTest, BooleansReadTrueFromTrueOrANumberAndRaiseOnOtherText) {
  const CPreferences prefs;
  store("WasDirty", "True");
  EXPECT_TRUE(prefs.WasDirty());
  store("WasDirty", "1");
  EXPECT_TRUE(prefs.WasDirty());
  store("WasDirty", "0");
  EXPECT_FALSE(prefs.WasDirty());
  store("WasDirty", "x");
  EXPECT_EQ(raisedError([&] { (void)prefs.WasDirty(); }).number(), platform::err::TypeMismatch);
}

TEST_F(PreferencesTest, AStoreThatRefusesWritesReachesTheCallerExceptForTheAutosaveInterval) {
  CPreferences prefs;
  prefs.setAutoSaveMinutes("5");
  platform::setRegistryRootReadOnly(platform::HKEY_CURRENT_USER, true);
  EXPECT_EQ(raisedError([&] { prefs.setIndent(1); }).number(), platform::err::PermissionDenied);
  EXPECT_NO_THROW(prefs.setAutoSaveMinutes("10"));
  EXPECT_NO_THROW(prefs.SaveBookMarks(platform::LongArray::of({1})));
  platform::setRegistryRootReadOnly(platform::HKEY_CURRENT_USER, false);
  EXPECT_EQ(prefs.AutoSaveMinutes(), "5");
  EXPECT_EQ(prefs.Indent(), 0);
}

TEST_F(PreferencesTest, TaskHeightReadsTheLeadingNumber) {
  CPreferences prefs;
  prefs.setGetTaskHeight(1234.5);
  EXPECT_EQ(stored("GetTaskHeight"), "1234.5");
  EXPECT_EQ(prefs.GetTaskHeight(), 1234.5);
  store("GetTaskHeight", "300 twips");
  EXPECT_EQ(prefs.GetTaskHeight(), 300.0);
  store("GetTaskHeight", "tall");
  EXPECT_EQ(prefs.GetTaskHeight(), 0.0);
}

TEST_F(PreferencesTest, SavedBookmarksAreOneLineNumberALine) {
  CPreferences prefs;
  prefs.SaveBookMarks(platform::LongArray::of({3, 17, 250}));
  EXPECT_EQ(readFile(editorFile("Bookmarks.txt")), "3\r\n17\r\n250\r\n");
  // A second save replaces the file.
  prefs.SaveBookMarks(platform::LongArray::of({-1}));
  EXPECT_EQ(readFile(editorFile("Bookmarks.txt")), "-1\r\n");
}

TEST_F(PreferencesTest, SavingNoBookmarksDeletesTheFileEvenWhenReadOnly) {
  CPreferences prefs;
  const std::vector<platform::LongArray> none = {platform::LongArray(), platform::LongArray(0, -1)};
  for (const auto& marks : none) {
    SCOPED_TRACE(marks.isAllocated() ? "empty" : "unallocated");
    writeEditorFile("Bookmarks.txt", "5\r\n");
    std::filesystem::permissions(editorFile("Bookmarks.txt"), std::filesystem::perms::owner_read);
    prefs.SaveBookMarks(marks);
    EXPECT_FALSE(editorFileExists("Bookmarks.txt"));
    // Without a file, nothing is created.
    prefs.SaveBookMarks(marks);
    EXPECT_FALSE(editorFileExists("Bookmarks.txt"));
  }
}

TEST_F(PreferencesTest, BookmarksThatCannotBeWrittenAreDroppedSilently) {
  platform::ComponentIdentity identity = platform::componentIdentity();
  identity.folder = editorFile("missing");
  platform::setComponentIdentity(identity);
  CPreferences prefs;
  prefs.SaveBookMarks(platform::LongArray::of({3}));
  EXPECT_FALSE(std::filesystem::exists(editorFile("missing")));
  EXPECT_FALSE(prefs.GetBookMarks().array<int32_t>().isAllocated());
  EXPECT_FALSE(prefs.HasBookmarks());
}

TEST_F(PreferencesTest, BookmarksReadBackWithZeroForALineThatIsNoNumber) {
  writeEditorFile("Bookmarks.txt", "4\r\nx\r\n9\r\n");
  CPreferences prefs;
  const platform::Variant marks = prefs.GetBookMarks();
  ASSERT_EQ(marks.type(), static_cast<platform::VarType>(8192 + 3));
  EXPECT_EQ(marks.array<int32_t>(), platform::LongArray::of({4, 0, 9}));
  EXPECT_TRUE(prefs.HasBookmarks());
}

TEST_F(PreferencesTest, BookmarksOfNoFileOrAnEmptyFileHoldNoElement) {
  CPreferences prefs;
  EXPECT_FALSE(prefs.GetBookMarks().array<int32_t>().isAllocated());
  EXPECT_FALSE(prefs.HasBookmarks());
  writeEditorFile("Bookmarks.txt", "");
  EXPECT_FALSE(prefs.GetBookMarks().array<int32_t>().isAllocated());
  EXPECT_TRUE(prefs.HasBookmarks());
  // A later call without the file clears the flag again.
  std::filesystem::remove(editorFile("Bookmarks.txt"));
  prefs.GetBookMarks();
  EXPECT_FALSE(prefs.HasBookmarks());
}

TEST_F(PreferencesTest, BookmarksSurviveTheRoundTrip) {
  CPreferences prefs;
  prefs.SaveBookMarks(platform::LongArray::of({0, 12, 40000}));
  EXPECT_EQ(CPreferences().GetBookMarks().array<int32_t>(), platform::LongArray::of({0, 12, 40000}));
}

}  // namespace
