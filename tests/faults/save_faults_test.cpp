// Every save path (the script's save, save as and save on close, the
// autosave's copy and archive, the toolbar layout the unload step writes,
// the task list, the bookmark file) is durable: its new file is synced,
// renamed into place and its folder synced, in that order. And each holds
// under every failed call: the fault library (LD_PRELOAD)
// fails the Nth write, fsync, close, rename or link in the path's folder
// with EIO or ENOSPC, for every N up to the calls the path makes. After
// each run the file on disk is byte for byte its old or its new content,
// nothing temporary stays in the folder, and a script whose save did not
// reach the disk was told to the user and is still modified (and the
// window still open after the close question).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/raised.h"
#include "common/temp_dir.h"
#include "editor/CPreferences.h"
#include "editor/editor_fixture.h"
#include "editor/frmMain.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "platform/runtime/array.h"
#include "platform/runtime/replace_file.h"
#include "platform/ui/user.h"
#include "platform/win32/registry.h"

namespace editor_test {
namespace {

using kestrin::editor::CPreferences;
using kestrin::editor::frmMain;
namespace fs = std::filesystem;
namespace mb = platform::ui::mb;
namespace modMain = kestrin::editor::modMain;

// The fault library's control functions.
struct Faults {
  void (*arm)(const char*, int, long, int) = nullptr;
  void (*disarm)() = nullptr;
  long (*count)(int) = nullptr;
  int (*hit)() = nullptr;
  long (*events)() = nullptr;
  int (*event)(long, int*, unsigned long long*, int*, char*, size_t) = nullptr;
  bool loaded() const { return arm && disarm && count && hit && events && event; }
  static Faults find() {
    Faults f;
    f.arm = reinterpret_cast<void (*)(const char*, int, long, int)>(dlsym(RTLD_DEFAULT, "kestrin_fault_arm"));
    f.disarm = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "kestrin_fault_disarm"));
    f.count = reinterpret_cast<long (*)(int)>(dlsym(RTLD_DEFAULT, "kestrin_fault_count"));
    f.hit = reinterpret_cast<int (*)()>(dlsym(RTLD_DEFAULT, "kestrin_fault_hit"));
    f.events = reinterpret_cast<long (*)()>(dlsym(RTLD_DEFAULT, "kestrin_fault_events"));
    f.event = reinterpret_cast<int (*)(long, int*, unsigned long long*, int*, char*, size_t)>(
        dlsym(RTLD_DEFAULT, "kestrin_fault_event"));
    return f;
  }
};
const char* const kKinds[] = {"write", "fsync", "close", "rename", "link"};
enum { kWrite, kFsync, kClose, kRename, kLink };

// What a durable save promises, read from the calls it made in the file's
// folder: the file that the last rename put in place under its name had
// its bytes synced after their last write and before that rename, and the
// folder was synced after it. "" when the save kept the promise, else what
// it missed.
std::string brokenPromise(const Faults& faults, const std::string& file, const std::string& folder) {
  struct Event {
    int kind = 0;
    unsigned long long inode = 0;
    int folder = 0;
    std::string path;
  };
  std::vector<Event> events;
  for (long i = 0; i < faults.events(); ++i) {
    Event e;
    char path[4096];
    faults.event(i, &e.kind, &e.inode, &e.folder, path, sizeof path);
    e.path = path;
    events.push_back(e);
  }
  const std::string name = fs::path(file).lexically_normal().string();
  long put = -1;
  for (long i = 0; i < static_cast<long>(events.size()); ++i)
    if (events[i].kind == kRename && fs::path(events[i].path).lexically_normal().string() == name) put = i;
  if (put < 0) return "no rename put the file in place";
  const unsigned long long inode = events[put].inode;
  long lastWrite = -1;
  for (long i = 0; i < put; ++i)
    if (events[i].kind == kWrite && events[i].inode == inode) lastWrite = i;
  if (lastWrite < 0) return "the file put in place was never written";
  bool fileSynced = false;
  for (long i = lastWrite + 1; i < put; ++i)
    fileSynced = fileSynced || (events[i].kind == kFsync && !events[i].folder && events[i].inode == inode);
  if (!fileSynced) return "the file's bytes were not synced between their last write and the rename";
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return "no folder";
  for (size_t i = static_cast<size_t>(put) + 1; i < events.size(); ++i)
    if (events[i].kind == kFsync && events[i].folder && events[i].inode == st.st_ino) return "";
  return "the folder was not synced after the rename";
}

// Which of the fsync calls traced since arming (counted from 1, as the
// fault library counts them) synced a folder.
std::vector<long> folderSyncs(const Faults& faults) {
  std::vector<long> out;
  long n = 0;
  for (long i = 0; i < faults.events(); ++i) {
    int kind = 0, folder = 0;
    unsigned long long inode = 0;
    char path[4096];
    faults.event(i, &kind, &inode, &folder, path, sizeof path);
    if (kind != kFsync) continue;
    ++n;
    if (folder) out.push_back(n);
  }
  return out;
}

// A user who says Yes to every question, OK to every message, names the
// file of a save dialog, and keeps what was said.
class SavingUser : public platform::ui::User {
 public:
  int32_t messageBox(const platform::ui::MessageBoxPrompt& prompt) override {
    boxes.push_back(prompt.text);
    const auto answers = prompt.answers();
    for (int32_t a : answers)
      if (a == mb::Yes) return a;
    return answers.empty() ? mb::OK : answers.front();
  }
  std::optional<std::string> inputBox(const platform::ui::InputBoxPrompt&) override { return {}; }
  std::optional<std::string> fileDialog(const platform::ui::FileDialogPrompt&) override { return saveAs; }
  std::optional<platform::ui::PrintDialogAnswer> printDialog(const platform::ui::PrintDialogPrompt&) override {
    return {};
  }
  std::optional<std::string> browseFolder(const platform::ui::FolderPrompt&) override { return {}; }
  std::optional<std::string> find(const platform::ui::FindPrompt&) override { return {}; }
  std::optional<platform::ui::ReplaceAnswer> replace(const platform::ui::FindPrompt&) override { return {}; }
  std::optional<int32_t> gotoLine(const platform::ui::GotoPrompt&) override { return {}; }
  std::optional<std::string> popupMenu(const platform::ui::PopupPrompt&) override { return {}; }
  platform::ui::Action nextAction(const platform::ui::WaitContext&) override { return {}; }

  bool toldProblem() const {
    for (const std::string& text : boxes)
      if (text.starts_with("Problem saving script")) return true;
    return false;
  }
  std::vector<std::string> boxes;
  std::optional<std::string> saveAs;
};

std::optional<std::string> contentOf(const std::string& path) {
  if (!fs::is_regular_file(fs::symlink_status(path))) return std::nullopt;
  return kestrin_test::readFile(path);
}

std::set<std::string> namesIn(const std::string& folder) {
  std::set<std::string> out;
  for (const auto& e : fs::directory_iterator(folder)) out.insert(e.path().filename().string());
  return out;
}

class SaveFaultsTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    faults = Faults::find();
    ASSERT_TRUE(faults.loaded()) << "run with LD_PRELOAD naming the fault library";
    saving = std::make_shared<SavingUser>();
    platform::ui::setCurrentUser(saving);
    CPreferences preferences;
    preferences.setAutoSaveMinutes("0");
    preferences.setAutoSavePath(backups.path());
    preferences.setDoNotSaveNewFile(0);
    main = kestrin::editor::mainWindow();
    main->load();
    ASSERT_TRUE(main->loaded());
    // No diagnostics object: its logs are files of the folders too.
    kestrin::editor::modGlobals::g_ErrorHandler().reset();
  }
  void TearDown() override {
    faults.disarm();
    if (main && main->loaded()) {
      main->setIsDirty(false);
      main->unload();
    }
    main.reset();
    platform::ui::setCurrentUser(user);
    EditorTest::TearDown();
  }

 public:
  // One save path: `prepare` puts the old file (or none) and the editor's
  // state in place, `run` saves and returns whether the command held up
  // (the close question's cancel; false for the others).
  struct Path {
    const char* name;
    std::string file;
    std::function<void()> prepare;
    std::function<bool()> run;
    bool isScript;  // a failure must be told and leave the script modified
  };

  void modifiedScript(const std::string& path, const std::string& text) {
    kestrin_test::writeFile(path, "the old script\r\n");
    // Always the same time, so that every backup of it is the same archive.
    static const fs::file_time_type when = fs::file_time_type::clock::now();
    fs::last_write_time(path, when);
    main->FileToView(path);
    main->CodeSense1->setText(text);
    main->setTag(path + "*");
    main->setIsDirty(true);
  }

  std::vector<Path> paths() {
    const std::string script = work.file("job.vbs");
    const std::string named = work.file("named.vbs");
    const std::string backupName = "job.vbs-15.01.2024-09.30";
    const std::string editorFolderTasks = editorFile("vbsed.tsk");
    return {
        {"save", script, [=, this] { modifiedScript(script, "the new script"); },
         [this] {
           modMain::gbln_FileSave(*main);
           return false;
         },
         true},
        {"save as", named,
         [=, this] {
           fs::remove(named);
           main->CodeSense1->setText("a script never saved");
           main->setTag("New Kestrin Script*");
           main->setIsDirty(true);
           saving->saveAs = named;
         },
         [this] {
           main->m_FileSaveAs();
           return false;
         },
         true},
        {"save on close", script, [=, this] { modifiedScript(script, "saved on close"); },
         [this] { return modMain::gbln_CheckForSave(*main); }, true},
        {"autosave copy", backups.file(backupName + ".bak"),
         [=, this] {
           modifiedScript(script, "edited");
           kestrin_test::writeFile(backups.file(backupName + ".bak"), "the old backup");
           CPreferences().setZipFile(0);
         },
         [this] {
           main->tmrAutoSave_Timer();
           return false;
         },
         false},
        {"autosave archive", backups.file(backupName + ".zip"),
         [=, this] {
           modifiedScript(script, "edited");
           kestrin_test::writeFile(backups.file(backupName + ".zip"), "the old archive");
           CPreferences().setZipFile(1);
         },
         [this] {
           main->tmrAutoSave_Timer();
           return false;
         },
         false},
        {"toolbar layout", editorFile("Kz.atb"),
         [=, this] { kestrin_test::writeFile(editorFile("Kz.atb"), "the old layout\n"); },
         [=, this] {
           try {
             main->SSActiveToolBars1->saveLayout(editorFile("Kz.atb"));
           } catch (const platform::RuntimeError&) {
           }
           return false;
         },
         false},
        {"task list", editorFolderTasks,
         [=, this] {
           kestrin_test::writeFile(editorFolderTasks, "KestrinTaskList 1\n[ ] the old task\n");
           main->PVTaskPad1->clear();
           main->PVTaskPad1->add("a new task");
           main->PVTaskPad1->add("a done one", true);
         },
         [=, this] {
           try {
             main->PVTaskPad1->save(editorFolderTasks);
           } catch (const platform::RuntimeError&) {
           }
           return false;
         },
         false},
        {"bookmark file", CPreferences::bookmarkFilePath(),
         [] { kestrin_test::writeFile(CPreferences::bookmarkFilePath(), "1\r\n"); },
         [] {
           platform::LongArray marks;
           marks.redimPreserve(1);
           marks[0] = 3;
           marks[1] = 7;
           CPreferences().SaveBookMarks(marks);
           return false;
         },
         false},
    };
  }

  Faults faults;
  std::shared_ptr<SavingUser> saving;
  kestrin_test::TempDir work;
  kestrin_test::TempDir backups;
  std::shared_ptr<frmMain> main;
};

TEST_F(SaveFaultsTest, EverySavePathLeavesItsFileOldOrNewUnderEveryFailedCall) {
  long runs = 0, damaged = 0, untold = 0, leftovers = 0;
  for (const auto& path : paths()) {
    const std::string folder = fs::path(path.file).parent_path().string();
    // A run without faults: the new content, and the calls to fail.
    path.prepare();
    const std::optional<std::string> old = contentOf(path.file);
    faults.arm(folder.c_str(), -1, 0, 0);
    path.run();
    faults.disarm();
    const std::optional<std::string> fresh = contentOf(path.file);
    ASSERT_TRUE(fresh && fresh != old) << path.name << ": the save without faults wrote nothing";
    EXPECT_EQ(brokenPromise(faults, path.file, folder), "") << path.name;
    long calls[std::size(kKinds)];
    std::string made;
    for (size_t k = 0; k < std::size(kKinds); ++k) {
      calls[k] = faults.count(static_cast<int>(k));
      made += " " + std::to_string(calls[k]) + " " + kKinds[k];
    }
    std::printf("%s:%s\n", path.name, made.c_str());
    const std::vector<long> folderSynced = folderSyncs(faults);

    for (size_t k = 0; k < std::size(kKinds); ++k) {
      for (long n = 1; n <= calls[k]; ++n) {
        for (int error : {EIO, ENOSPC}) {
          SCOPED_TRACE(std::string(path.name) + ": " + kKinds[k] + " " + std::to_string(n) + " fails with " +
                       (error == EIO ? "EIO" : "ENOSPC"));
          path.prepare();
          saving->boxes.clear();
          std::set<std::string> expected = namesIn(folder);
          expected.insert(fs::path(path.file).filename().string());
          faults.arm(folder.c_str(), static_cast<int>(k), n, error);
          const bool heldUp = path.run();
          faults.disarm();
          ++runs;
          const std::optional<std::string> now = contentOf(path.file);
          if (now != old && now != fresh) {
            ++damaged;
            ADD_FAILURE() << "damaged: " << (now ? *now : std::string("<none>"));
          }
          for (const std::string& name : namesIn(folder)) {
            if (!expected.count(name)) {
              ++leftovers;
              ADD_FAILURE() << "left behind: " << name;
              fs::remove(fs::path(folder) / name);
            }
          }
          // A save whose folder was not synced has not reached the disk
          // either, whatever the file's name holds now.
          const bool folderUnsynced =
              k == kFsync && std::find(folderSynced.begin(), folderSynced.end(), n) != folderSynced.end();
          if (path.isScript && (now != fresh || folderUnsynced)) {
            const bool told =
                saving->toldProblem() && main->IsDirty() && (std::string(path.name) != "save on close" || heldUp);
            if (!told) {
              ++untold;
              ADD_FAILURE() << "a save that did not reach the disk went unnoticed";
            }
          }
        }
      }
    }
  }
  std::printf("fault injection: %ld runs, %ld damaged files, %ld failures not told, %ld files left behind\n", runs,
              damaged, untold, leftovers);
  EXPECT_GT(runs, 0);
}

// A folder that cannot be synced fails the replacement and leaves the old
// file (or none, for a new one); a file system that has no folder sync at
// all does not.
TEST(FolderSyncFaults, AFailedFolderSyncFailsTheReplacementUnlessTheFolderCannotSyncAtAll) {
  const Faults faults = Faults::find();
  ASSERT_TRUE(faults.loaded()) << "run with LD_PRELOAD naming the fault library";
  const struct {
    int error;
    bool oldFile;
    bool fails;
  } cases[] = {
      {EIO, true, true},      {EIO, false, true},     {ENOSPC, true, true}, {EINVAL, true, false},
      {EINVAL, false, false}, {ENOTSUP, true, false}, {EROFS, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(std::strerror(c.error)) + (c.oldFile ? ", over an old file" : ", a new file"));
    kestrin_test::TempDir folder;
    const std::string file = folder.file("kept.txt");
    if (c.oldFile) kestrin_test::writeFile(file, "old");
    faults.arm(folder.path().c_str(), -1, 0, 0);
    platform::replaceFile(file, std::string_view("new"));
    faults.disarm();
    const std::vector<long> syncs = folderSyncs(faults);
    ASSERT_EQ(syncs.size(), 1u);
    kestrin_test::writeFile(file, "old");
    if (!c.oldFile) fs::remove(file);

    faults.arm(folder.path().c_str(), kFsync, syncs[0], c.error);
    const int32_t raised = kestrin_test::raisedNumber([&] { platform::replaceFile(file, std::string_view("new")); });
    faults.disarm();
    ASSERT_TRUE(faults.hit());
    const std::optional<std::string> now = contentOf(file);
    if (c.fails) {
      EXPECT_NE(raised, 0);
      EXPECT_EQ(now, c.oldFile ? std::optional<std::string>("old") : std::nullopt);
    } else {
      EXPECT_EQ(raised, 0);
      EXPECT_EQ(now, std::optional<std::string>("new"));
    }
    EXPECT_EQ(namesIn(folder.path()),
              (c.fails && !c.oldFile ? std::set<std::string>{} : std::set<std::string>{"kept.txt"}));
  }
}

// The first write of a hive makes its file and syncs the folder it was put
// in; when that folder cannot be synced the write is not reported done.
TEST(FolderSyncFaults, AHivesFirstWriteFailsWhenItsFolderCannotBeSynced) {
  const Faults faults = Faults::find();
  ASSERT_TRUE(faults.loaded()) << "run with LD_PRELOAD naming the fault library";
  auto firstWrite = [] {
    platform::HKEY key = 0;
    const platform::LONG rc =
        platform::RegCreateKeyEx(platform::HKEY_CURRENT_USER, "Software\\Kept", 0, platform::KEY_ALL_ACCESS, &key);
    if (rc == platform::ERROR_SUCCESS) platform::RegCloseKey(key);
    return rc;
  };
  const struct {
    int error;
    bool fails;
  } cases[] = {{EIO, true}, {EINVAL, false}, {ENOTSUP, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::strerror(c.error));
    kestrin_test::TempDir traced, hives;
    platform::setRegistryFolder(traced.path());
    faults.arm(traced.path().c_str(), -1, 0, 0);
    ASSERT_EQ(firstWrite(), platform::ERROR_SUCCESS);
    faults.disarm();
    const std::vector<long> syncs = folderSyncs(faults);
    ASSERT_FALSE(syncs.empty());

    platform::setRegistryFolder(hives.path());
    faults.arm(hives.path().c_str(), kFsync, syncs.back(), c.error);
    const platform::LONG rc = firstWrite();
    faults.disarm();
    ASSERT_TRUE(faults.hit());
    if (c.fails)
      EXPECT_NE(rc, platform::ERROR_SUCCESS);
    else
      EXPECT_EQ(rc, platform::ERROR_SUCCESS);
    platform::setRegistryFolder("");
  }
}

}  // namespace
}  // namespace editor_test
