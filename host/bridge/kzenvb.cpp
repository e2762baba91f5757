// The demo bridge library "kzenvb.dll": the routines a host application
// offers the editor. Each call appends a line to the file that
// KESTRIN_BRIDGE_LOG names; run_vbscript also shows the script it was given
// and lets the host program act inside the hand-over, through the hook
// kestrin_host_onrun when the process has one.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

void logCall(const char* routine, const char* path) {
  const char* log = std::getenv("KESTRIN_BRIDGE_LOG");
  if (!log || !*log) return;
  if (FILE* f = std::fopen(log, "a")) {
    std::fprintf(f, "%s %s\n", routine, path ? path : "");
    std::fclose(f);
  }
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int32_t run_vbscript(const char* path) {
  logCall("run_vbscript", path);
  std::printf("   kzenvb: run_vbscript %s\n", path ? path : "");
  std::ifstream in(path ? path : "");
  std::string line;
  for (int i = 0; i < 5 && std::getline(in, line); ++i) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::printf("   kzenvb: | %s\n", line.c_str());
  }
  std::fflush(stdout);
  using Hook = void (*)(const char*);
  if (auto hook = reinterpret_cast<Hook>(dlsym(RTLD_DEFAULT, "kestrin_host_onrun"))) hook(path ? path : "");
  return 0;
}

__attribute__((visibility("default"))) int32_t save_scriptname(const char* path) {
  logCall("save_scriptname", path);
  return 0;
}

}  // extern "C"
