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
