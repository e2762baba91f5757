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

#include "platform/win32/registry.h"
#include "platform/win32/settings.h"

namespace {

namespace fs = std::filesystem;

class TempHives {
 public:
  TempHives() {
    std::string pattern = (fs::temp_directory_path() / "kestrin-bench-XXXXXX").string();
    if (mkdtemp(pattern.data())) dir_ = pattern;
    platform::setRegistryFolder(dir_);
    // A store with the editor's usual preferences in it.
    const char* keys[] = {"CursorAtEOL", "AutoSaveMinutes", "DoNotSaveNewFile", "ZipFile", "AutoSavePath",
                          "ExpandTabs",  "ShowMargin",      "Highlight",        "Font",    "FontSize",
                          "Indent",      "LineNumbering",   "DisplayWhitespace"};
    for (const char* key : keys) platform::SaveSetting("KestrinEditor", "Preferences", key, "1");
  }
  ~TempHives() {
    platform::setRegistryFolder(dir_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

 private:
  std::string dir_;
};

void report(benchmark::State& state, std::vector<double>& micros) {
  if (micros.empty()) return;
  std::sort(micros.begin(), micros.end());
  auto at = [&](double q) {
    size_t i = static_cast<size_t>(q * static_cast<double>(micros.size() - 1) + 0.5);
    return micros[std::min(i, micros.size() - 1)];
  };
  state.counters["median_us"] = at(0.50);
  state.counters["p99_us"] = at(0.99);
}

template <typename Op>
void timed(benchmark::State& state, Op op) {
  std::vector<double> micros;
  micros.reserve(100000);
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    op();
    auto end = std::chrono::steady_clock::now();
    micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
  }
  report(state, micros);
}

void BM_GetSetting(benchmark::State& state) {
  TempHives hives;
  platform::setRegistryReadCache(state.range(0) != 0);
  timed(state,
        [] { benchmark::DoNotOptimize(platform::GetSetting("KestrinEditor", "Preferences", "Font", "Courier New")); });
  platform::setRegistryReadCache(true);
}
BENCHMARK(BM_GetSetting)->ArgName("cache")->Arg(1)->Arg(0);

void BM_GetSettingMissing(benchmark::State& state) {
  TempHives hives;
  platform::setRegistryReadCache(state.range(0) != 0);
  timed(state, [] { benchmark::DoNotOptimize(platform::GetSetting("KestrinEditor", "Preferences", "Absent", "0")); });
  platform::setRegistryReadCache(true);
}
BENCHMARK(BM_GetSettingMissing)->ArgName("cache")->Arg(1)->Arg(0);

void BM_SaveSetting(benchmark::State& state) {
  TempHives hives;
  int n = 0;
  timed(state,
        [&] { platform::SaveSetting("KestrinEditor", "Preferences", "AutoSaveMinutes", std::to_string(n++ % 60)); });
}
BENCHMARK(BM_SaveSetting);

}  // namespace

BENCHMARK_MAIN();
