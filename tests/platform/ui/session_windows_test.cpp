// The session's windows: FindWindow finds the top-level windows of other
// threads and processes that run from the same editor folder, while they
// live, and reaches them through a handle that stands for them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "common/temp_dir.h"
#include "platform/ui/session_windows.h"
#include "platform/ui/windows.h"
#include "platform/win32/component.h"

namespace {

using namespace platform::ui;
using platform::HWND;

void setEditorFolder(const std::string& folder) {
  platform::ComponentIdentity identity;
  if (!folder.empty()) {
    identity.folder = folder;
    identity.path = folder + "/KestrinScriptEditor.so";
    identity.name = "KestrinScriptEditor";
  }
  platform::setComponentIdentity(identity);
}

class SessionWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    setEditorFolder(editor.path());
  }
  void TearDown() override {
    desktop::reset();
    setEditorFolder("");
    ::unsetenv("XDG_RUNTIME_DIR");
  }
  // The files of the session's folder.
  std::vector<std::string> sessionFiles() const {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(runtime.path() + "/kestrin", ec))
      out.push_back(e.path().filename().string());
    return out;
  }

  kestrin_test::TempDir runtime;
  kestrin_test::TempDir editor;
};

// A thread with a desktop of its own that runs one step at a time.
class OtherThread {
 public:
  OtherThread() : thread_([this] { loop(); }) {}
  ~OtherThread() {
    post(nullptr);
    thread_.join();
  }
  // Runs step there and gives its result.
  template <class F>
  auto run(F step) -> decltype(step()) {
    std::packaged_task<decltype(step())()> task(std::move(step));
    auto result = task.get_future();
    post([&task] { task(); });
    return result.get();
  }

 private:
  void post(std::function<void()> step) {
    std::lock_guard lock(mutex_);
    steps_.push_back(std::move(step));
    ready_.notify_one();
  }
  void loop() {
    for (;;) {
      std::function<void()> step;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return !steps_.empty(); });
        step = std::move(steps_.front());
        steps_.erase(steps_.begin());
      }
      if (!step) return;
      step();
    }
  }
  std::mutex mutex_;
  std::condition_variable ready_;
  std::vector<std::function<void()>> steps_;
  std::thread thread_;
};

TEST_F(SessionWindows, AnotherThreadsWindowIsFoundAndReachedWhileItLives) {
  OtherThread other;
  const HWND theirs = other.run([] {
    const HWND h = desktop::createWindow("Kestrin VB Script Editor", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ShowWindow(h, SW_MINIMIZE);
    return h;
  });

  const HWND found = FindWindowA(nullptr, "Kestrin VB Script Editor");
  ASSERT_NE(found, 0u);
  EXPECT_EQ(FindWindow(nullptr, "Kestrin VB Script Editor"), found);  // the same stand-in
  EXPECT_EQ(FindWindow(nullptr, "Kestrin VB Script"), 0u);
  EXPECT_TRUE(IsWindow(found));
  EXPECT_TRUE(IsIconic(found));
  EXPECT_EQ(GetWindowText(found), "Kestrin VB Script Editor");
  EXPECT_EQ(ShowWindow(found, SW_RESTORE), 1);
  EXPECT_EQ(SetForegroundWindow(found), 1);
  // Nothing happened on this desktop.
  EXPECT_TRUE(desktop::topLevelWindows().empty());

  // The owner carries the requests out at its next turn.
  const auto state = other.run([theirs] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    desktop::takeSessionRequests();
    return std::make_pair(IsIconic(theirs) != 0, GetForegroundWindow() == theirs);
  });
  EXPECT_FALSE(state.first);
  EXPECT_TRUE(state.second);
  EXPECT_FALSE(IsIconic(found));

  other.run([theirs] { return DestroyWindow(theirs); });
  EXPECT_FALSE(IsWindow(found));
  EXPECT_EQ(FindWindow(nullptr, "Kestrin VB Script Editor"), 0u);
  EXPECT_EQ(ShowWindow(found, SW_RESTORE), 0);
}

TEST_F(SessionWindows, ThisDesktopsOwnWindowComesFirst) {
  OtherThread other;
  other.run([] { return desktop::createWindow("Main", WS_OVERLAPPEDWINDOW); });
  const HWND mine = desktop::createWindow("Main", WS_OVERLAPPEDWINDOW);
  EXPECT_EQ(FindWindow(nullptr, "Main"), mine);
}

TEST_F(SessionWindows, AnEndedThreadsAChildAndARenamedWindowAreNotFound) {
  {
    OtherThread ended;
    ended.run([] { return desktop::createWindow("Gone", WS_OVERLAPPEDWINDOW | WS_VISIBLE); });
  }
  EXPECT_EQ(FindWindow(nullptr, "Gone"), 0u);

  OtherThread other;
  other.run([] {
    const HWND parent = desktop::createWindow("Parent", WS_OVERLAPPEDWINDOW);
    const HWND child = desktop::createWindow("Child", WS_OVERLAPPEDWINDOW);
    SetParent(child, parent);
    SetWindowText(parent, "Renamed");
    return parent;
  });
  EXPECT_EQ(FindWindow(nullptr, "Child"), 0u);
  EXPECT_EQ(FindWindow(nullptr, "Parent"), 0u);
  EXPECT_NE(FindWindow(nullptr, "Renamed"), 0u);
}

TEST_F(SessionWindows, AnotherEditorFolderOrAnUnknownOneSharesNothing) {
  OtherThread other;
  other.run([] { return desktop::createWindow("Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE); });
  kestrin_test::TempDir elsewhere;
  setEditorFolder(elsewhere.path());
  EXPECT_EQ(FindWindow(nullptr, "Main"), 0u);
  setEditorFolder("");
  EXPECT_EQ(FindWindow(nullptr, "Main"), 0u);
  other.run([] { return desktop::createWindow("Unshared", WS_OVERLAPPEDWINDOW | WS_VISIBLE); });
  setEditorFolder(editor.path());
  EXPECT_NE(FindWindow(nullptr, "Main"), 0u);
  EXPECT_EQ(FindWindow(nullptr, "Unshared"), 0u);
}

TEST_F(SessionWindows, AKilledProcesssWindowNoLongerCountsAndItsFilesGo) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    desktop::createWindow("Held", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    (void)!::write(ready[1], "r", 1);
    for (;;) ::pause();
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ::close(ready[0]);
  ::close(ready[1]);

  EXPECT_NE(FindWindow(nullptr, "Held"), 0u);
  const std::string prefix = std::to_string(child) + "-";
  auto childFiles = [&] {
    int n = 0;
    for (const auto& name : sessionFiles())
      if (name.find(prefix) != std::string::npos) ++n;
    return n;
  };
  EXPECT_EQ(childFiles(), 2);  // its lock and its window

  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_EQ(FindWindow(nullptr, "Held"), 0u);
  EXPECT_EQ(childFiles(), 0);
}

// Without a runtime folder, another user who made /tmp/kestrin-<uid> first
// does not turn the single-instance rule off: the windows are published in
// a folder under the user's own home, which a second process finds, and
// standard error says so once. It runs in a child with a /tmp of its own
// (the real one is shared with every other run on the machine).
TEST_F(SessionWindows, AFolderInTmpTakenByAnotherUserGivesWayToOneUnderTheHome) {
  if (::geteuid() != 0) GTEST_SKIP() << "planting another user's folder needs the superuser";
  enum { kNoNamespace = 10, kNotPublished, kNotFound, kNotPrivate, kNotSaidOnce, kTouched };
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("none", "/tmp", "tmpfs", 0, "mode=1777") != 0)
      ::_exit(kNoNamespace);
    const std::string planted = "/tmp/kestrin-" + std::to_string(::getuid());
    ::mkdir(planted.c_str(), 0777);
    ::chmod(planted.c_str(), 0777);
    if (::chown(planted.c_str(), 4001, 4001) != 0) ::_exit(kNoNamespace);
    ::unsetenv("XDG_RUNTIME_DIR");
    ::setenv("XDG_STATE_HOME", "/tmp/state", 1);
    const int err = ::open("/tmp/err", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(err, 2);
    if (!session::publish(0x1234, {"Single", true, false}) || !session::publish(0x1238, {"Other", true, false}))
      ::_exit(kNotPublished);
    const pid_t second = ::fork();
    if (second == 0) ::_exit(session::find("Single") != 0 ? 0 : 1);
    int status = 0;
    ::waitpid(second, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ::_exit(kNotFound);
    struct stat st {};
    if (::lstat("/tmp/state/kestrin/run", &st) != 0 || (st.st_mode & 07777) != 0700) ::_exit(kNotPrivate);
    std::string said = kestrin_test::readFile("/tmp/err");
    if (said != "kestrin: " + planted + " is not this user's own folder; using /tmp/state/kestrin/run instead\n")
      ::_exit(kNotSaidOnce);
    if (!std::filesystem::is_empty(planted)) ::_exit(kTouched);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kNoNamespace) GTEST_SKIP() << "no /tmp of its own can be had here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the step that failed: " << WEXITSTATUS(status) - kNoNamespace;
}

}  // namespace
