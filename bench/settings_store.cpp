// The per-user settings store: one read and one write of a preference, each
// timed on its own, reported as the median and the 99th percentile per
// operation (counters median_us and p99_us), in a hive of a temporary folder.
// The reads run through the read cache (cache:1) and, as the baseline of
// the same run, with it switched off (cache:0: every read asks the file,
// as a read after another process's write does).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/win32/registry.h"
#include "platform/win32/settings.h"

namespace {

namespace fs = std::filesystem;

class TempHives {
 public:
  TempHives() {
    platform::setRegistryFolder(dir_.path());
    // A store with the editor's usual preferences in it.
    const char* keys[] = {"CursorAtEOL", "AutoSaveMinutes", "DoNotSaveNewFile", "ZipFile", "AutoSavePath",
                          "ExpandTabs",  "ShowMargin",      "Highlight",        "Font",    "FontSize",
                          "Indent",      "LineNumbering",   "DisplayWhitespace"};
    for (const char* key : keys) platform::SaveSetting("KestrinEditor", "Preferences", key, "1");
  }
  ~TempHives() { platform::setRegistryFolder(dir_.path()); }

 private:
  kestrin_bench::TempFolder dir_;
};

using kestrin_bench::timeEachMicros;

void BM_GetSetting(benchmark::State& state) {
  TempHives hives;
  platform::setRegistryReadCache(state.range(0) != 0);
  timeEachMicros(state, [] {
    benchmark::DoNotOptimize(platform::GetSetting("KestrinEditor", "Preferences", "Font", "Courier New"));
  });
  platform::setRegistryReadCache(true);
}
BENCHMARK(BM_GetSetting)->ArgName("cache")->Arg(1)->Arg(0);

void BM_GetSettingMissing(benchmark::State& state) {
  TempHives hives;
  platform::setRegistryReadCache(state.range(0) != 0);
  timeEachMicros(state,
                 [] { benchmark::DoNotOptimize(platform::GetSetting("KestrinEditor", "Preferences", "Absent", "0")); });
  platform::setRegistryReadCache(true);
}
BENCHMARK(BM_GetSettingMissing)->ArgName("cache")->Arg(1)->Arg(0);

void BM_SaveSetting(benchmark::State& state) {
  TempHives hives;
  int n = 0;
  timeEachMicros(state, [&] {
    platform::SaveSetting("KestrinEditor", "Preferences", "AutoSaveMinutes", std::to_string(n++ % 60));
  });
}
BENCHMARK(BM_SaveSetting);

}  // namespace

BENCHMARK_MAIN();
