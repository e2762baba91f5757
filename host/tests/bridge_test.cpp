// The demo bridge library: its two routines log their calls, and
// run_vbscript reaches the host's hook inside the call.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "host/app.h"

namespace {
std::vector<std::string> g_hookCalls;
}

extern "C" __attribute__((visibility("default"))) void kestrin_host_onrun(const char* path) {
  g_hookCalls.push_back(path);
}

namespace {

TEST(Bridge, RoutinesAppendTheirLinesAndRunReachesTheHook) {
  kestrin_test::TempDir dir;
  const std::string log = dir.file("bridge.log");
  ::setenv("KESTRIN_BRIDGE_LOG", log.c_str(), 1);
  kestrin_test::writeFile(dir.file("_Temp.vbs"), "MsgBox 1\r\nMsgBox 2\r\n");
  void* lib = ::dlopen(KESTRIN_BRIDGE_PATH, RTLD_NOW);
  ASSERT_NE(lib, nullptr) << ::dlerror();
  using Routine = int32_t (*)(const char*);
  auto run = reinterpret_cast<Routine>(::dlsym(lib, "run_vbscript"));
  auto save = reinterpret_cast<Routine>(::dlsym(lib, "save_scriptname"));
  ASSERT_TRUE(run && save);
  g_hookCalls.clear();
  save("/s/a b.vbs");
  run(dir.file("_Temp.vbs").c_str());
  EXPECT_EQ(kestrin_test::readFile(log), "save_scriptname /s/a b.vbs\nrun_vbscript " + dir.file("_Temp.vbs") + "\n");
  EXPECT_EQ(g_hookCalls, std::vector<std::string>{dir.file("_Temp.vbs")});
  // Without the variable nothing is written.
  ::unsetenv("KESTRIN_BRIDGE_LOG");
  save("/s/b.vbs");
  EXPECT_EQ(kestrin_test::readFile(log).find("b.vbs\n", 30), std::string::npos);
  ::dlclose(lib);
}

// What the bridge prints of a script and of its path reaches the terminal
// only as symbols: a script cannot clear the screen or set the clipboard.
TEST(Bridge, EscapesInAScriptAndItsNameReachTheTerminalOnlyAsSymbols) {
  kestrin_test::TempDir dir;
  const std::string clear = "\x1b[2J";
  const std::string clipboard = "\x1b]52;c;cm0gLXJmIH4=\x07";
  const std::string script = dir.file("a" + clear + clipboard + ".vbs");
  kestrin_test::writeFile(script, "' " + clear + "\r\nMsgBox \"" + clipboard + "\"\r\n");
  void* lib = ::dlopen(KESTRIN_BRIDGE_PATH, RTLD_NOW);
  ASSERT_NE(lib, nullptr) << ::dlerror();
  auto run = reinterpret_cast<int32_t (*)(const char*)>(::dlsym(lib, "run_vbscript"));
  ASSERT_TRUE(run);
  // The terminal stands in as a file.
  std::fflush(stdout);
  const int saved = ::dup(1);
  const std::string shown = dir.file("terminal");
  const int terminal = ::open(shown.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(terminal, 0);
  ::dup2(terminal, 1);
  run(script.c_str());
  std::fflush(stdout);
  ::dup2(saved, 1);
  ::close(saved);
  ::close(terminal);
  ::dlclose(lib);
  const std::string out = kestrin_test::readFile(shown);
  EXPECT_EQ(out.find('\x1b'), std::string::npos) << out;
  EXPECT_EQ(out.find('\x07'), std::string::npos) << out;
  // ESC as U+241B, BEL as U+2407.
  EXPECT_NE(out.find("run_vbscript " + dir.file("a\u241b[2J\u241b]52;c;cm0gLXJmIH4=\u2407.vbs")), std::string::npos)
      << out;
  EXPECT_NE(out.find("| ' \u241b[2J\n"), std::string::npos) << out;
  EXPECT_NE(out.find("| MsgBox \"\u241b]52;c;cm0gLXJmIH4=\u2407\"\n"), std::string::npos) << out;
}

// The script the bridge runs is the editor's own copy: what another user
// may have planted under its name (a link, a FIFO that would block the
// host, a device, a file of another user) is refused, never read, and the
// host's hook is not called.
TEST(Bridge, RunRefusesWhatIsNotTheEditorsOwnPlainFile) {
  kestrin_test::TempDir dir;
  kestrin_test::writeFile(dir.file("victim.vbs"), "MsgBox \"mine\"\r\n");
  struct Case {
    const char* what;
    std::string path;
    const char* reason;
  };
  std::vector<Case> cases = {
      {"a link", dir.file("link.vbs"), "a symbolic link"},
      {"a FIFO", dir.file("fifo.vbs"), "not a plain file"},
      {"a device", "/dev/zero", "not a plain file"},
      {"a missing file", dir.file("missing.vbs"), "cannot be opened"},
  };
  ASSERT_EQ(::symlink(dir.file("victim.vbs").c_str(), cases[0].path.c_str()), 0);
  ASSERT_EQ(::mkfifo(cases[1].path.c_str(), 0666), 0);
  if (::geteuid() == 0) {
    kestrin_test::writeFile(dir.file("theirs.vbs"), "MsgBox \"theirs\"\r\n");
    ASSERT_EQ(::chown(dir.file("theirs.vbs").c_str(), 65534, 65534), 0);
    cases.push_back({"a file of another user", dir.file("theirs.vbs"), "a file of another user"});
  }
  void* lib = ::dlopen(KESTRIN_BRIDGE_PATH, RTLD_NOW);
  ASSERT_NE(lib, nullptr) << ::dlerror();
  auto run = reinterpret_cast<int32_t (*)(const char*)>(::dlsym(lib, "run_vbscript"));
  ASSERT_TRUE(run);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_hookCalls.clear();
    std::fflush(stdout);
    const int saved = ::dup(1);
    const std::string shown = dir.file("shown");
    const int out = ::open(shown.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(out, 0);
    ::dup2(out, 1);
    const int32_t result = run(c.path.c_str());
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    ::close(out);
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(g_hookCalls.empty());
    const std::string text = kestrin_test::readFile(shown);
    EXPECT_NE(text.find("kzenvb: refused " + c.path + ": " + c.reason + "\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("| MsgBox"), std::string::npos) << text;
  }
  ::dlclose(lib);
}

// The bridge's log is its own file: a link planted under its name is
// removed, never written through.
TEST(Bridge, TheLogIsNeverWrittenThroughAPlantedLink) {
  kestrin_test::TempDir dir;
  kestrin_test::writeFile(dir.file("victim"), "precious");
  const std::string log = dir.file("bridge.log");
  ASSERT_EQ(::symlink(dir.file("victim").c_str(), log.c_str()), 0);
  ::setenv("KESTRIN_BRIDGE_LOG", log.c_str(), 1);
  void* lib = ::dlopen(KESTRIN_BRIDGE_PATH, RTLD_NOW);
  ASSERT_NE(lib, nullptr) << ::dlerror();
  auto save = reinterpret_cast<int32_t (*)(const char*)>(::dlsym(lib, "save_scriptname"));
  ASSERT_TRUE(save);
  save("/s/a.vbs");
  ::unsetenv("KESTRIN_BRIDGE_LOG");
  ::dlclose(lib);
  EXPECT_EQ(kestrin_test::readFile(dir.file("victim")), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(log));
  EXPECT_EQ(kestrin_test::readFile(log), "save_scriptname /s/a.vbs\n");
}

TEST(EditorFolderCopy, LeavesRunLeftoversAndBuildFilesBehind) {
  kestrin_test::TempDir dir;
  const std::string from = dir.file("editor"), to = dir.file("copy");
  for (const char* d : {"", "/Addlets", "/Common/Temp", "/VB", "/CMakeFiles/x.dir"})
    std::filesystem::create_directories(from + d);
  for (const char* f :
       {"/KestrinScriptEditor.so", "/KzLangDef.csv", "/Addlets/kzenvb.dll", "/machine.db", "/kzScriptTrace.log",
        "/Kz.atb", "/vbsed.tsk", "/Common/Temp/_Temp.vbs", "/VB/New Kestrin Script.vbs", "/VB/keep.vbs",
        "/libks_editor.a", "/Makefile", "/CMakeFiles/x.dir/a.o"})
    kestrin_test::writeFile(from + f, "x");
  kestrin_host::copyEditorFolder(from, to);
  std::vector<std::string> copied;
  for (auto& e : std::filesystem::recursive_directory_iterator(to))
    if (e.is_regular_file()) copied.push_back(std::filesystem::relative(e.path(), to).string());
  std::sort(copied.begin(), copied.end());
  EXPECT_EQ(copied,
            (std::vector<std::string>{"Addlets/kzenvb.dll", "KestrinScriptEditor.so", "KzLangDef.csv", "VB/keep.vbs"}));
  EXPECT_TRUE(std::filesystem::is_directory(to + "/Common/Temp"));
}

}  // namespace
