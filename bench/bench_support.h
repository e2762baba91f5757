// What the benchmarks share: the script they run on (ten lines of the
// editor's kind of VBScript, repeated to a size), its file in the
// temporary folder, and the timing of single operations.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/controls/code_editor.h"
#include "platform/ui/user.h"

namespace kestrin_bench {

inline constexpr const char* kScriptLines[] = {
    "' -- Draw the outline of the part, then pocket it",
    "Dim intCounter, dblX, dblY, strName",
    "For intCounter = 1 To 100 Step 2",
    "    dblX = dblX + 1.5 * intCounter: dblY = &H1F Mod 7",
    "    Call DrawLine(dblX, dblY, dblX + 10, dblY - 3.25E-2)",
    "    strName = \"Level \"\" \" & CStr(intCounter) & vbCrLf",
    "    If askYesNo(\"Continue?\") = kzMSG_NO Then Exit For",
    "Next",
    "REM the pocket with a known tool",
    "MakePocketWithKnownTool kzPOCKET_ZIGZAG, GetToolNumber(), 0.25 ' done",
};

// The first `lines` lines of the pattern, each ended by CR LF, again and
// again until the text holds at least `bytes` bytes.
inline std::string makeScript(size_t bytes, size_t lines = std::size(kScriptLines)) {
  std::string text;
  text.reserve(bytes + 128);
  for (size_t i = 0; text.size() < bytes; ++i) {
    text += kScriptLines[i % lines];
    text += "\r\n";
  }
  return text;
}

// A script file in the temporary folder, "kestrin-<name>-<pid>.vbs", that
// goes again with the object.
struct TempScript {
  TempScript(const std::string& name, const std::string& text)
      : path((std::filesystem::temp_directory_path() / ("kestrin-" + name + "-" + std::to_string(getpid()) + ".vbs"))
                 .string()) {
    std::ofstream(path, std::ios::binary) << text;
  }
  ~TempScript() { std::remove(path.c_str()); }
  TempScript(const TempScript&) = delete;
  TempScript& operator=(const TempScript&) = delete;
  std::string path;
};

using Clock = std::chrono::steady_clock;

inline double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

inline double median(std::vector<double> t) {
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

// The median of `runs` timings of f, in seconds.
inline double medianOf(int runs, const std::function<void()>& f) {
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) {
    const auto s = Clock::now();
    f();
    t.push_back(seconds(Clock::now() - s));
  }
  return median(std::move(t));
}

// Counters "p50_<unit>" and "p99_<unit>" of timings taken one at a time.
inline void reportPercentiles(benchmark::State& state, std::vector<double> t, const std::string& unit) {
  if (t.empty()) return;
  std::sort(t.begin(), t.end());
  state.counters["p50_" + unit] = t[t.size() / 2];
  state.counters["p99_" + unit] = t[std::min(t.size() - 1, t.size() * 99 / 100)];
}

// Each iteration's `op` timed on its own, then `after` (not timed); the
// counters median_us and p99_us of the timings.
template <typename Op, typename After>
void timeEachMicros(benchmark::State& state, Op op, After after) {
  std::vector<double> micros;
  micros.reserve(100000);
  for (auto _ : state) {
    const auto start = Clock::now();
    op();
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    after();
  }
  if (micros.empty()) return;
  std::sort(micros.begin(), micros.end());
  auto at = [&](double q) {
    const size_t i = static_cast<size_t>(q * static_cast<double>(micros.size() - 1) + 0.5);
    return micros[std::min(i, micros.size() - 1)];
  };
  state.counters["median_us"] = at(0.50);
  state.counters["p99_us"] = at(0.99);
}
template <typename Op>
void timeEachMicros(benchmark::State& state, Op op) {
  timeEachMicros(state, op, [] {});
}

// Each iteration: `prepare` with the benchmark's timer paused, then `step`
// timed on its own; a step that returns false ends the run with `failure`.
// The counters p50_<unit> and p99_<unit> of the steps' timings, in Unit
// (std::micro: "us", std::milli: "ms").
template <typename Unit, typename Prepare, typename Step>
void timeSteps(benchmark::State& state, const std::string& unit, Prepare prepare, Step step,
               const char* failure = "a step failed") {
  std::vector<double> t;
  for (auto _ : state) {
    state.PauseTiming();
    prepare();
    state.ResumeTiming();
    const auto start = Clock::now();
    if (!step()) {
      state.SkipWithError(failure);
      break;
    }
    t.push_back(std::chrono::duration<double, Unit>(Clock::now() - start).count());
  }
  reportPercentiles(state, std::move(t), unit);
}

// A temporary folder "kestrin-bench-XXXXXX", removed with everything in it
// when the object goes.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrin-bench-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A code editor's host whose user answers the find and replace prompts
// with what the benchmark set, and nothing else.
class EditorHost : public platform::controls::CodeEditorHost {
 public:
  class Answers : public platform::ui::User {
   public:
    std::string what;                         // for find
    platform::ui::ReplaceAnswer replaceWith;  // for replace
    int32_t messageBox(const platform::ui::MessageBoxPrompt&) override { return 2; }
    std::optional<std::string> inputBox(const platform::ui::InputBoxPrompt&) override { return {}; }
    std::optional<std::string> fileDialog(const platform::ui::FileDialogPrompt&) override { return {}; }
    std::optional<platform::ui::PrintDialogAnswer> printDialog(const platform::ui::PrintDialogPrompt&) override {
      return {};
    }
    std::optional<std::string> browseFolder(const platform::ui::FolderPrompt&) override { return {}; }
    std::optional<std::string> find(const platform::ui::FindPrompt&) override { return what; }
    std::optional<platform::ui::ReplaceAnswer> replace(const platform::ui::FindPrompt&) override { return replaceWith; }
    std::optional<int32_t> gotoLine(const platform::ui::GotoPrompt&) override { return {}; }
    std::optional<std::string> popupMenu(const platform::ui::PopupPrompt&) override { return {}; }
    platform::ui::Action nextAction(const platform::ui::WaitContext&) override { return {}; }
  };
  Answers answers;
  std::string clipboardText() override { return {}; }
  void setClipboardText(const std::string&) override {}
  platform::ui::User* user() override { return &answers; }
};

}  // namespace kestrin_bench
