// CShell: the mail and web texts that reach the desktop's opener, the two
// tables of shell results, the verb a document opens with, program starts
// with and without waiting, the properties sheet, and the order of the
// checks. A stand-in opener on PATH records what it is given, so that no
// real browser or mail program is ever started.
#include "support/CShell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/temp_dir.h"
#include "platform/win32/registry.h"
#include "support/support_fixture.h"

namespace {

using kestrin::support::CShell;
using kestrin_test::Raised;
using kestrin_test::raisedBy;
using kestrin_test::readFile;
using kestrin_test::writeFile;

void writeScript(const std::string& path, const std::string& body) {
  writeFile(path, "#!/bin/sh\nPATH=/usr/bin:/bin\n" + body);
  ::chmod(path.c_str(), 0755);
}

// The text of a file that a program started without waiting writes, once
// it is there ("" after five seconds).
std::string awaitFile(const std::string& path) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    if (std::filesystem::exists(path + ".done")) return readFile(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "";
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kestrin_test::setEditorIdentity(dir);
    registry.use();

    if (const char* path = std::getenv("PATH")) savedPath_ = path;
    std::filesystem::create_directory(dir.file("bin"));
    std::filesystem::create_directory(dir.file("empty"));
    // The stand-in opener: the item it is given and the folder it runs in.
    writeScript(dir.file("bin/xdg-open"),
                "printf '%s' \"$1\" > '" + dir.file("opened") + "'\npwd > '" + dir.file("opened-in") + "'\n");
    useOpener(true);
  }
  void TearDown() override {
    platform::setRegistryRootReadOnly(platform::HKEY_LOCAL_MACHINE, false);
    ::setenv("PATH", savedPath_.c_str(), 1);
    kestrin_test::TempRegistry::leave();
  }

  // PATH holds only the stand-in opener, or nothing at all (no opener).
  void useOpener(bool present) { ::setenv("PATH", (present ? dir.file("bin") : dir.file("empty")).c_str(), 1); }
  bool opened() const { return std::filesystem::exists(dir.file("opened")); }
  std::string openedItem() const { return readFile(dir.file("opened")); }
  std::string openedIn() const {
    std::string folder = readFile(dir.file("opened-in"));
    if (!folder.empty() && folder.back() == '\n') folder.pop_back();
    return folder;
  }
  void forgetOpened() {
    std::filesystem::remove(dir.file("opened"));
    std::filesystem::remove(dir.file("opened-in"));
  }

  // A machine key's default text value.
  static void registerDefault(const std::string& key, const std::string& text) {
    platform::HKEY h = 0;
    ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, key, 0, platform::KEY_ALL_ACCESS, &h),
              platform::ERROR_SUCCESS);
    platform::RegSetValueEx(h, "", platform::REG_SZ, text.c_str(), static_cast<platform::DWORD>(text.size() + 1));
    platform::RegCloseKey(h);
  }
  static void registerKey(const std::string& key) {
    platform::HKEY h = 0;
    ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, key, 0, platform::KEY_ALL_ACCESS, &h),
              platform::ERROR_SUCCESS);
    platform::RegCloseKey(h);
  }

  kestrin_test::TempDir dir;
  kestrin_test::TempRegistry registry;
  CShell shell;

 private:
  std::string savedPath_;
};

// ---- Mail drafts and web links ----------------------------------------------------------

TEST_F(ShellTest, AMailDraftGoesToTheOpenerAsAMailtoTextWithItsPartsUnescaped) {
  struct Case {
    std::string to, cc, subject, body, expected;
  } cases[] = {
      {"a@x.test", "", "", "", "mailto:a@x.test"},
      {"a@x.test", "", "S", "B", "mailto:a@x.test?subject=S&body=B"},
      {"a@x.test", "c@x.test", "S", "B", "mailto:a@x.test?subject=S&cc=c@x.test&body=B"},
      {"a@x.test", "c@x.test", "", "", "mailto:a@x.test?cc=c@x.test"},
      {"a@x.test", "", "", "B", "mailto:a@x.test?body=B"},
      {"", "", "Help me", "", "mailto:?subject=Help me"},
      {"a@x.test", "", "Kestrin VBScript Support", "[Editor]\r\n Build 1.0.0\r\n&x=%20",
       "mailto:a@x.test?subject=Kestrin VBScript Support&body=[Editor]\r\n Build 1.0.0\r\n&x=%20"},
  };
  for (const Case& c : cases) {
    forgetOpened();
    EXPECT_EQ(raisedBy([&] { shell.CreateNewMailMessage(c.to, c.cc, c.subject, c.body); }).n, 0);
    EXPECT_EQ(openedItem(), c.expected);
    EXPECT_EQ(CShell::mailAddressText(c.to, c.cc, c.subject, c.body), c.expected);
  }
}

TEST_F(ShellTest, AWebAddressGoesToTheOpenerUnchanged) {
  const std::string url = "https://forum.example.test/kestrin?topic=1&sort=new#last";
  shell.OpenUrl(url);
  EXPECT_EQ(openedItem(), url);
}

TEST_F(ShellTest, LinksPassSilentlyWhenNoHandlerIsThereOrTheFileIsMissing) {
  useOpener(false);  // the shell answers 31
  EXPECT_EQ(raisedBy([&] { shell.OpenUrl("https://www.example.test/"); }).n, 0);
  EXPECT_EQ(raisedBy([&] { shell.CreateNewMailMessage("a@x.test", "", "S", "B"); }).n, 0);
  // 2 and 3: a missing file and a missing folder.
  EXPECT_EQ(raisedBy([&] { shell.OpenUrl(dir.file("missing.html")); }).n, 0);
  EXPECT_EQ(raisedBy([&] { shell.OpenUrl(dir.file("nowhere/missing.html")); }).n, 0);
  // The same answer 31 for a folder is an error of the full table.
  EXPECT_EQ(raisedBy([&] { shell.OpenFolder(dir.path()); }).n, 18051);
  EXPECT_FALSE(opened());
}

// ---- The two tables ------------------------------------------------------------------

TEST(ShellResults, TheFullTableAndTheLinkTableTurnResultsIntoTheirErrors) {
  kestrin_test::setEditorIdentity();
  struct Row {
    int32_t result, full, link;
    const char* description;
  } rows[] = {
      {2, 18041, 0, "File not found"},
      {3, 18042, 0, "Path not found"},
      {5, 18041, 0, "File not found"},
      {8, 18044, 18044, "Out of memory"},
      {11, 18052, 0, "Invalid EXE file or error in EXE image"},
      {26, 18046, 18046, "A sharing violation occurred"},
      {27, 18047, 0, "Incomplete or invalid file association"},
      {28, 18048, 18048, "DDE timeout"},
      {29, 18049, 18049, "DDE transaction failed"},
      {30, 18050, 18050, "DDE busy"},
      {31, 18051, 0, "No association for file extension"},
      {32, 18045, 0, "DLL not found"},
  };
  for (const Row& row : rows) {
    const Raised full = raisedBy([&] { CShell::raiseForResult(row.result, CShell::ResultTable::Full); });
    EXPECT_EQ(full.n, row.full) << row.result;
    EXPECT_EQ(full.description, row.description) << row.result;
    EXPECT_EQ(full.source, "KestrinScriptEditor.CShell");
    const Raised link = raisedBy([&] { CShell::raiseForResult(row.result, CShell::ResultTable::Link); });
    EXPECT_EQ(link.n, row.link) << row.result;
    if (row.link) {
      EXPECT_EQ(link.description, row.description);
    }
  }
  // Everything else, success or failure, ends without an error.
  for (int32_t result : {0, 1, 4, 6, 7, 9, 10, 12, 25, 33, 42, -1}) {
    for (auto table : {CShell::ResultTable::Full, CShell::ResultTable::Link})
      EXPECT_EQ(raisedBy([&] { CShell::raiseForResult(result, table); }).n, 0) << result;
  }
}

// ---- Folders ---------------------------------------------------------------------------

TEST_F(ShellTest, FoldersOpenAndExploreThroughTheOpenerAndTheirFailuresAreTheFullTables) {
  std::filesystem::create_directory(dir.file("scripts"));
  shell.ExploreFolder(dir.file("scripts"));
  EXPECT_EQ(openedItem(), dir.file("scripts"));
  forgetOpened();
  shell.OpenFolder(dir.file("scripts"));
  EXPECT_EQ(openedItem(), dir.file("scripts"));
  forgetOpened();

  for (auto member : {&CShell::ExploreFolder, &CShell::OpenFolder}) {
    const Raised missing = raisedBy([&] { (shell.*member)(dir.file("missing")); });
    EXPECT_EQ(missing.n, 18041);
    EXPECT_EQ(missing.description, "File not found");
    EXPECT_EQ(missing.source, "KestrinScriptEditor.CShell");
    const Raised noParent = raisedBy([&] { (shell.*member)(dir.file("missing/inner")); });
    EXPECT_EQ(noParent.n, 18042);
    EXPECT_EQ(noParent.description, "Path not found");
  }
  // Only folders are explored.
  writeFile(dir.file("notes.txt"), "x");
  const Raised file = raisedBy([&] { shell.ExploreFolder(dir.file("notes.txt")); });
  EXPECT_EQ(file.n, 18051);
  EXPECT_EQ(file.description, "No association for file extension");
  EXPECT_FALSE(opened());
}

// ---- Documents and their verbs -----------------------------------------------------------

TEST_F(ShellTest, ADocumentOpensWithTheVerbItsTypeRegisters) {
  // Opened through "open" (the stand-in opener), or refused by this
  // platform's shell as a verb it does not know (18051).
  registerDefault("SOFTWARE\\Classes\\.kda", std::string("Kestrin.DefaultVerb\0junk", 24));
  registerDefault("SOFTWARE\\Classes\\Kestrin.DefaultVerb\\Shell", "Edit");
  registerDefault("SOFTWARE\\Classes\\.kdb", "Kestrin.PrintOpen");
  registerKey("SOFTWARE\\Classes\\Kestrin.PrintOpen\\Shell\\Print");
  registerKey("SOFTWARE\\Classes\\Kestrin.PrintOpen\\Shell\\Open");
  registerDefault("SOFTWARE\\Classes\\.kdc", "Kestrin.EditPrint");
  registerKey("SOFTWARE\\Classes\\Kestrin.EditPrint\\Shell\\Edit");
  registerKey("SOFTWARE\\Classes\\Kestrin.EditPrint\\Shell\\Print");
  registerDefault("SOFTWARE\\Classes\\.kdd", "Kestrin.Ampersand");
  registerKey("SOFTWARE\\Classes\\Kestrin.Ampersand\\Shell\\Print");
  registerKey("SOFTWARE\\Classes\\Kestrin.Ampersand\\Shell\\&OPEN");
  registerDefault("SOFTWARE\\Classes\\.kde", "Kestrin.NoVerbs");
  registerKey("SOFTWARE\\Classes\\Kestrin.NoVerbs\\Shell");
  registerDefault("SOFTWARE\\Classes\\.kdf", "Kestrin.NoShellKey");

  struct Case {
    std::string name;
    bool opensWithOpen;
  } cases[] = {
      {"readme", true},  // no "." in the path
      {"notes.unregistered", true},
      {"default.kda", false},    // its default verb, Edit (cut at the NUL)
      {"printopen.kdb", true},   // Print and Open: open
      {"editprint.kdc", false},  // Edit and Print: the first, Edit
      {"amp.kdd", true},         // "&OPEN" in any case
      {"noverbs.kde", true},     // no verb at all: the shell's default
      {"noshell.kdf", true},
  };
  std::filesystem::create_directory(dir.file("docs"));
  for (const Case& c : cases) {
    forgetOpened();
    const std::string path = dir.file("docs/" + c.name);
    writeFile(path, "text");
    const Raised r = raisedBy([&] { shell.OpenDocument(path); });
    if (c.opensWithOpen) {
      EXPECT_EQ(r.n, 0) << c.name;
      EXPECT_EQ(openedItem(), path) << c.name;
      // The opener runs in the document's folder.
      EXPECT_EQ(openedIn(), dir.file("docs")) << c.name;
    } else {
      EXPECT_EQ(r.n, 18051) << c.name;
      EXPECT_FALSE(opened()) << c.name;
    }
  }
}

TEST_F(ShellTest, TheVerbIsFoundWhereTheMachinesSettingsAreReadOnly) {
  registerDefault("SOFTWARE\\Classes\\.kda", "Kestrin.DefaultVerb");
  registerDefault("SOFTWARE\\Classes\\Kestrin.DefaultVerb\\Shell", "Edit");
  registerDefault("SOFTWARE\\Classes\\.kdc", "Kestrin.EditPrint");
  registerKey("SOFTWARE\\Classes\\Kestrin.EditPrint\\Shell\\Edit");
  registerKey("SOFTWARE\\Classes\\Kestrin.EditPrint\\Shell\\Print");
  platform::setRegistryRootReadOnly(platform::HKEY_LOCAL_MACHINE, true);
  // Each opens with Edit, which this platform's shell refuses (18051),
  // not with the "open" of an unregistered type.
  for (const char* name : {"default.kda", "editprint.kdc"}) {
    writeFile(dir.file(name), "text");
    const Raised r = raisedBy([&] { shell.OpenDocument(dir.file(name)); });
    EXPECT_EQ(r.n, 18051) << name;
    EXPECT_FALSE(opened()) << name;
  }
}

TEST_F(ShellTest, AMissingDocumentRaisesFileNotFoundBeforeTheShellIsAsked) {
  const Raised r = raisedBy([&] { shell.OpenDocument(dir.file("missing.txt")); });
  EXPECT_EQ(r.n, 18041);
  EXPECT_EQ(r.description, "File not found");
  EXPECT_FALSE(opened());
}

// ---- Programs --------------------------------------------------------------------------

TEST(ShellCommandLine, IsThePathABlankAndTheParametersWithNothingQuoted) {
  EXPECT_EQ(CShell::commandLineOf("/opt/tools/app", ""), "/opt/tools/app ");
  EXPECT_EQ(CShell::commandLineOf("/opt/my tools/app", "-x \"a b\""), "/opt/my tools/app -x \"a b\"");
}

TEST_F(ShellTest, AProgramStartedWithoutWaitingRunsInItsFolderWithTheParametersAsText) {
  std::filesystem::create_directory(dir.file("tools"));
  const std::string record = dir.file("record");
  writeScript(dir.file("tools/app.sh"), "for a in \"$@\"; do printf '[%s]' \"$a\"; done > '" + record + "'\npwd >> '" +
                                            record + "'\ntouch '" + record + ".done'\n");

  shell.LaunchProgram(dir.file("tools/app.sh"), platform::Variant("-x \"a b\" c"), false, "");
  EXPECT_EQ(awaitFile(record), "[-x][a b][c]" + dir.file("tools") + "\n");

  std::filesystem::remove(record + ".done");
  shell.LaunchProgram(dir.file("tools/app.sh"), platform::Variant(int32_t{42}));
  EXPECT_EQ(awaitFile(record), "[42]" + dir.file("tools") + "\n");
}

TEST_F(ShellTest, AProgramStartedWithWaitingHasEndedWhenTheCallReturns) {
  std::filesystem::create_directory(dir.file("work"));
  const std::string record = dir.file("record");
  writeScript(dir.file("slow.sh"), "sleep 0.3\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > '" + record +
                                       "'\npwd >> '" + record + "'\n");

  shell.LaunchProgram(dir.file("slow.sh"), platform::Variant("one \"two three\""), true, dir.file("work"));
  EXPECT_EQ(readFile(record), "[one][two three]" + dir.file("work") + "\n");

  // Missing parameters: the program is started without any.
  std::filesystem::remove(record);
  shell.LaunchProgram(dir.file("slow.sh"), {}, true, dir.path());
  EXPECT_EQ(readFile(record), dir.path() + "\n");
}

// A program named without a folder: the file that the existence test finds
// in the current folder is the one started, with and without waiting; one
// only on the search path is not found.
TEST_F(ShellTest, AProgramNamedWithoutAFolderIsTheOneInTheCurrentFolder) {
  std::filesystem::create_directory(dir.file("here"));
  const std::string record = dir.file("record");
  auto program = [&](const std::string& path, const std::string& text) {
    writeScript(path, "printf '" + text + "' > '" + record + "'\ntouch '" + record + ".done'\n");
  };
  program(dir.file("here/here.sh"), "current folder");
  program(dir.file("here/both.sh"), "current folder");
  program(dir.file("bin/both.sh"), "search path");
  program(dir.file("bin/onpath.sh"), "search path");
  const std::filesystem::path savedFolder = std::filesystem::current_path();
  std::filesystem::current_path(dir.file("here"));

  struct Case {
    const char* name;
    int32_t n;            // the error, 0 for a start
    const char* started;  // what the started program wrote
  } cases[] = {
      {"here.sh", 0, "current folder"},
      {"both.sh", 0, "current folder"},
      {"onpath.sh", 18041, ""},
      {"missing.sh", 18041, ""},
  };
  for (const Case& c : cases) {
    for (bool wait : {false, true}) {
      std::filesystem::remove(record);
      std::filesystem::remove(record + ".done");
      const Raised r = raisedBy([&] { shell.LaunchProgram(c.name, {}, wait, ""); });
      EXPECT_EQ(r.n, c.n) << c.name << (wait ? ", waiting" : "");
      if (c.n == 0) {
        EXPECT_EQ(wait ? readFile(record) : awaitFile(record), c.started) << c.name << (wait ? ", waiting" : "");
      } else {
        EXPECT_FALSE(std::filesystem::exists(record)) << c.name << (wait ? ", waiting" : "");
      }
    }
  }
  std::filesystem::current_path(savedFolder);
}

TEST_F(ShellTest, ProgramStartsRaiseTheirErrorsInTheOrderOfTheChecks) {
  writeFile(dir.file("plain.txt"), "not a program");
  writeFile(dir.file("broken.bin"), std::string("\x7f\x01\x02\x03 no program", 15));
  ::chmod(dir.file("broken.bin").c_str(), 0755);
  writeScript(dir.file("ok.sh"), "exit 0\n");
  struct Case {
    const char* what;
    std::string path;
    bool wait;
    std::string startDirectory;
    int32_t n;
    const char* description;
  } cases[] = {
      {"missing, waiting", dir.file("missing.sh"), true, "", 18041, "File not found"},
      {"missing", dir.file("missing.sh"), false, "", 18041, "File not found"},
      {"no program, waiting", dir.file("plain.txt"), true, "", 18053, "Cannot create process"},
      {"no start folder", dir.file("ok.sh"), true, dir.file("nowhere"), 18053, "Cannot create process"},
      {"a folder exists, but is no program", dir.path(), true, "", 18053, "Cannot create process"},
      {"a pattern exists when it matches", dir.file("*.SH"), true, "", 18053, "Cannot create process"},
      {"a bad image", dir.file("broken.bin"), false, "", 18052, "Invalid EXE file or error in EXE image"},
  };
  for (const Case& c : cases) {
    const Raised r = raisedBy([&] { shell.LaunchProgram(c.path, {}, c.wait, c.startDirectory); });
    EXPECT_EQ(r.n, c.n) << c.what;
    EXPECT_EQ(r.description, c.description) << c.what;
    EXPECT_EQ(r.source, "KestrinScriptEditor.CShell") << c.what;
  }
}

// ---- Properties sheet ----------------------------------------------------------------------

TEST_F(ShellTest, PropertiesOfAMissingFileAreNotFoundAndOfAnExistingOneCannotBeShown) {
  writeFile(dir.file("notes.txt"), "x");
  for (int32_t owner : {0, 12345}) {
    const Raised missing = raisedBy([&] { shell.ShowProperties(dir.file("missing.txt"), owner); });
    EXPECT_EQ(missing.n, 18041);
    const Raised shown = raisedBy([&] { shell.ShowProperties(dir.file("notes.txt"), owner); });
    EXPECT_EQ(shown.n, 18054);
    EXPECT_EQ(shown.description, "Cannot show properties");
  }
  EXPECT_FALSE(opened());
}

}  // namespace
