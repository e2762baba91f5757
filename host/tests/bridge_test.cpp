// The demo bridge library: its two routines log their calls, and
// run_vbscript reaches the host's hook inside the call.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
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
  EXPECT_EQ(kestrin_test::readFile(log),
            "save_scriptname /s/a b.vbs\nrun_vbscript " + dir.file("_Temp.vbs") + "\n");
  EXPECT_EQ(g_hookCalls, std::vector<std::string>{dir.file("_Temp.vbs")});
  // Without the variable nothing is written.
  ::unsetenv("KESTRIN_BRIDGE_LOG");
  save("/s/b.vbs");
  EXPECT_EQ(kestrin_test::readFile(log).find("b.vbs\n", 30), std::string::npos);
  ::dlclose(lib);
}

TEST(EditorFolderCopy, LeavesRunLeftoversAndBuildFilesBehind) {
  kestrin_test::TempDir dir;
  const std::string from = dir.file("editor"), to = dir.file("copy");
  for (const char* d : {"", "/Addlets", "/Common/Temp", "/VB", "/CMakeFiles/x.dir"})
    std::filesystem::create_directories(from + d);
  for (const char* f : {"/KestrinScriptEditor.so", "/KzLangDef.csv", "/Addlets/kzenvb.dll", "/machine.db",
                        "/kzScriptTrace.log", "/Kz.atb", "/vbsed.tsk", "/Common/Temp/_Temp.vbs",
                        "/VB/New Kestrin Script.vbs", "/VB/keep.vbs", "/libks_editor.a", "/Makefile",
                        "/CMakeFiles/x.dir/a.o"})
    kestrin_test::writeFile(from + f, "x");
  kestrin_host::copyEditorFolder(from, to);
  std::vector<std::string> copied;
  for (auto& e : std::filesystem::recursive_directory_iterator(to))
    if (e.is_regular_file()) copied.push_back(std::filesystem::relative(e.path(), to).string());
  std::sort(copied.begin(), copied.end());
  EXPECT_EQ(copied, (std::vector<std::string>{"Addlets/kzenvb.dll", "KestrinScriptEditor.so", "KzLangDef.csv",
                                              "VB/keep.vbs"}));
  EXPECT_TRUE(std::filesystem::is_directory(to + "/Common/Temp"));
}

}  // namespace
